// ReplaceAll and Find of UnicodeString beside the one-pass std::u32string
// versions, on a text of about 1 MB; and the composition of the installation
// message, whose target is absolute (under 1 µs).
#include "TextSamples.h"
#include "text/InstallationErrorString.h"
#include "text/UnicodeString.h"

#include <benchmark/benchmark.h>

#include <string>

using kz::text::UnicodeString;

namespace {

const char kMarker[] = "__REPLACE__";
const char kNeedle[] = "the thirty-three character needle"; // 33 code points

// About 1 MB of Cyrillic words with count markers spread evenly.
std::u32string Haystack(unsigned markers, const char* marker)
{
    UnicodeString words(SampleText(Script::Cyrillic, 1 << 20));
    std::u32string text;
    for (unsigned i = 0; i < words.GetLength(); ++i)
        text.push_back(static_cast<char32_t>(words.GetAt(i)));
    std::u32string m(marker, marker + std::char_traits<char>::length(marker));
    for (unsigned i = 0; i < markers; ++i)
        text.insert(text.size() / markers * i + text.size() / (2 * markers), m);
    return text;
}

UnicodeString StringOf(const std::u32string& text)
{
    return UnicodeString(reinterpret_cast<const unsigned int*>(text.data()), static_cast<int>(text.size()));
}

std::u32string U32(const char* ascii)
{
    return std::u32string(ascii, ascii + std::char_traits<char>::length(ascii));
}

void ReplaceAllString(benchmark::State& state)
{
    UnicodeString source = StringOf(Haystack(100, kMarker));
    UnicodeString what(kMarker, -1);
    UnicodeString with("12", -1);
    for (auto _ : state) {
        state.PauseTiming();
        UnicodeString text(source);
        state.ResumeTiming();
        benchmark::DoNotOptimize(text.ReplaceAll(what, with));
    }
}

void ReplaceAllU32(benchmark::State& state)
{
    std::u32string source = Haystack(100, kMarker);
    std::u32string what = U32(kMarker);
    std::u32string with = U32("12");
    for (auto _ : state) {
        state.PauseTiming();
        std::u32string text(source);
        state.ResumeTiming();
        std::u32string result;
        result.reserve(text.size());
        std::size_t from = 0;
        for (std::size_t p; (p = text.find(what, from)) != std::u32string::npos; from = p + what.size()) {
            result.append(text, from, p - from);
            result += with;
        }
        result.append(text, from, std::u32string::npos);
        text.swap(result);
        benchmark::DoNotOptimize(text.data());
    }
}

void FindString(benchmark::State& state)
{
    UnicodeString text = StringOf(Haystack(1, kNeedle));
    UnicodeString needle(kNeedle, -1);
    for (auto _ : state)
        benchmark::DoNotOptimize(text.Find(needle, 0));
}

void FindU32(benchmark::State& state)
{
    std::u32string text = Haystack(1, kNeedle);
    std::u32string needle = U32(kNeedle);
    for (auto _ : state)
        benchmark::DoNotOptimize(text.find(needle, 0));
}

void InstallationErrorString(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(kz::text::ComposeInstallationErrorString(2, "de-DE"));
}

} // namespace

BENCHMARK(ReplaceAllString)->Name("ReplaceAll/100in1MB/UnicodeString")->Unit(benchmark::kMicrosecond);
BENCHMARK(ReplaceAllU32)->Name("ReplaceAll/100in1MB/std::u32string")->Unit(benchmark::kMicrosecond);
BENCHMARK(FindString)->Name("Find/33in1MB/UnicodeString")->Unit(benchmark::kMicrosecond);
BENCHMARK(FindU32)->Name("Find/33in1MB/std::u32string")->Unit(benchmark::kMicrosecond);
BENCHMARK(InstallationErrorString)->Name("InstallationErrorString/2/Compose");
