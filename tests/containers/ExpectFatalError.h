#pragma once

#include <gtest/gtest.h>

#include <csignal>

// FatalError ends the process with an illegal-instruction fault. Matching the
// signal, rather than any death, keeps a sanitizer report or an abort from
// passing for the checked stop.
#define EXPECT_FATAL_ERROR(statement) EXPECT_EXIT(statement, ::testing::KilledBySignal(SIGILL), "")
