#pragma once

#include <gtest/gtest.h>

#include <csignal>

// FatalError ends the process with abort(). Matching the signal, rather than
// any death, keeps a sanitizer report or a crash from passing for the checked stop.
#define EXPECT_FATAL_ERROR(statement) EXPECT_EXIT(statement, ::testing::KilledBySignal(SIGABRT), "")
