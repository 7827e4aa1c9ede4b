// UTF-8 to UTF-16 and back through UnicodeString (decode into the string, then
// encode its buffer), beside glibc's iconv and a plain hand-written loop doing
// the same conversion directly, for texts of each script of about 1 MB and of
// 60 bytes. Throughput is in bytes of UTF-8 per second.
#include "TextSamples.h"
#include "text/UnicodeString.h"

#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>
#include <vector>

using kz::text::UnicodeString;

namespace {

// The loops a programmer would write without the string: one unit at a time,
// checking what the string's decoders check.
std::size_t HandUtf8ToUtf16(const std::string& in, std::vector<unsigned short>& out)
{
    out.resize(in.size() + 1);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(in.data());
    const unsigned char* end = p + in.size();
    std::size_t n = 0;
    while (p < end) {
        unsigned int b = *p++;
        unsigned int c;
        if (b < 0x80) {
            c = b;
        } else if (b >= 0xC2 && b < 0xE0 && p < end && (*p & 0x80)) {
            c = ((b & 0x1F) << 6) | (*p++ & 0x3F);
        } else if (b >= 0xE0 && b < 0xF0 && end - p >= 2 && (p[0] & 0x80) && (p[1] & 0x80)) {
            c = ((b & 0x0F) << 12) | ((p[0] & 0x3F) << 6) | (p[1] & 0x3F);
            p += 2;
            if (c < 0x800)
                return 0;
        } else if (b >= 0xF0 && b < 0xF5 && end - p >= 3 && (p[0] & 0x80) && (p[1] & 0x80) && (p[2] & 0x80)) {
            c = ((b & 0x07) << 18) | ((p[0] & 0x3F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
            p += 3;
            if (c < 0x10000 || c > 0x10FFFD)
                return 0;
        } else {
            return 0;
        }
        if (c >= 0x10000) {
            out[n++] = static_cast<unsigned short>(0xD800 + ((c - 0x10000) >> 10));
            out[n++] = static_cast<unsigned short>(0xDC00 + (c & 0x3FF));
        } else {
            out[n++] = static_cast<unsigned short>(c);
        }
    }
    out[n] = 0;
    return n;
}

std::size_t HandUtf16ToUtf8(const std::vector<unsigned short>& in, std::size_t count, std::string& out)
{
    out.resize(count * 3 + 1);
    std::size_t n = 0;
    for (std::size_t i = 0; i < count; ++i) {
        unsigned int c = in[i];
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c > 0xDBFF || i + 1 >= count || in[i + 1] < 0xDC00 || in[i + 1] > 0xDFFF)
                return 0;
            c = (((c - 0xD800) << 10) | (in[++i] - 0xDC00)) + 0x10000;
        }
        if (c < 0x80) {
            out[n++] = static_cast<char>(c);
        } else if (c < 0x800) {
            out[n++] = static_cast<char>(0xC0 | (c >> 6));
            out[n++] = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out[n++] = static_cast<char>(0xE0 | (c >> 12));
            out[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[n++] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out[n++] = static_cast<char>(0xF0 | (c >> 18));
            out[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[n++] = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out[n] = 0;
    return n;
}

std::size_t Iconv(iconv_t cd, const char* in, std::size_t inBytes, char* out, std::size_t outBytes)
{
    char* source = const_cast<char*>(in);
    char* target = out;
    std::size_t left = outBytes;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &source, &inBytes, &target, &left) == static_cast<std::size_t>(-1))
        return 0;
    return outBytes - left;
}

std::vector<unsigned short> Utf16Of(const std::string& utf8)
{
    std::vector<unsigned short> units;
    HandUtf8ToUtf16(utf8, units);
    units.resize(units.size() - 1);
    while (!units.empty() && units.back() == 0)
        units.pop_back();
    return units;
}

void ToUtf16String(benchmark::State& state, Script script, std::size_t bytes)
{
    std::string text = SampleText(script, bytes);
    UnicodeString string;
    for (auto _ : state) {
        string.SetUtf8(text.data(), static_cast<int>(text.size()));
        benchmark::DoNotOptimize(string.GetUtf16());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

void ToUtf16Iconv(benchmark::State& state, Script script, std::size_t bytes)
{
    std::string text = SampleText(script, bytes);
    std::vector<char> out(text.size() * 2 + 16);
    iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    for (auto _ : state)
        benchmark::DoNotOptimize(Iconv(cd, text.data(), text.size(), out.data(), out.size()));
    iconv_close(cd);
    state.SetBytesProcessed(state.iterations() * text.size());
}

void ToUtf16Hand(benchmark::State& state, Script script, std::size_t bytes)
{
    std::string text = SampleText(script, bytes);
    std::vector<unsigned short> out;
    for (auto _ : state)
        benchmark::DoNotOptimize(HandUtf8ToUtf16(text, out));
    state.SetBytesProcessed(state.iterations() * text.size());
}

void ToUtf8String(benchmark::State& state, Script script, std::size_t bytes)
{
    std::string text = SampleText(script, bytes);
    std::vector<unsigned short> units = Utf16Of(text);
    UnicodeString string;
    for (auto _ : state) {
        string.SetUtf16(units.data(), static_cast<int>(units.size()));
        benchmark::DoNotOptimize(string.GetUtf8());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

void ToUtf8Iconv(benchmark::State& state, Script script, std::size_t bytes)
{
    std::string text = SampleText(script, bytes);
    std::vector<unsigned short> units = Utf16Of(text);
    std::vector<char> out(text.size() + 16);
    iconv_t cd = iconv_open("UTF-8", "UTF-16LE");
    for (auto _ : state) {
        benchmark::DoNotOptimize(Iconv(cd, reinterpret_cast<const char*>(units.data()), units.size() * 2, out.data(),
                                       out.size()));
    }
    iconv_close(cd);
    state.SetBytesProcessed(state.iterations() * text.size());
}

void ToUtf8Hand(benchmark::State& state, Script script, std::size_t bytes)
{
    std::string text = SampleText(script, bytes);
    std::vector<unsigned short> units = Utf16Of(text);
    std::string out;
    for (auto _ : state)
        benchmark::DoNotOptimize(HandUtf16ToUtf8(units, units.size(), out));
    state.SetBytesProcessed(state.iterations() * text.size());
}

// A repeated GetUtf16 of a string that has not changed: the same cost for
// 60 bytes and for 1 MB when nothing is encoded again.
void RepeatedGetUtf16(benchmark::State& state, std::size_t bytes)
{
    UnicodeString string(SampleText(Script::Latin1, bytes));
    for (auto _ : state)
        benchmark::DoNotOptimize(string.GetUtf16());
}

const int g_registered = [] {
    benchmark::RegisterBenchmark("RepeatedGetUtf16/60B/UnicodeString", RepeatedGetUtf16, std::size_t(60));
    benchmark::RegisterBenchmark("RepeatedGetUtf16/1MB/UnicodeString", RepeatedGetUtf16, std::size_t(1) << 20);
    for (Script script : {Script::Ascii, Script::Latin1, Script::Cyrillic, Script::Cjk, Script::Emoji}) {
        for (std::size_t bytes : {std::size_t(1) << 20, std::size_t(60)}) {
            std::string name = std::string("/") + ScriptName(script) + "/" + (bytes == 60 ? "60B" : "1MB") + "/";
            benchmark::RegisterBenchmark(("Utf8ToUtf16" + name + "UnicodeString").c_str(), ToUtf16String, script, bytes);
            benchmark::RegisterBenchmark(("Utf8ToUtf16" + name + "iconv").c_str(), ToUtf16Iconv, script, bytes);
            benchmark::RegisterBenchmark(("Utf8ToUtf16" + name + "hand-loop").c_str(), ToUtf16Hand, script, bytes);
            benchmark::RegisterBenchmark(("Utf16ToUtf8" + name + "UnicodeString").c_str(), ToUtf8String, script, bytes);
            benchmark::RegisterBenchmark(("Utf16ToUtf8" + name + "iconv").c_str(), ToUtf8Iconv, script, bytes);
            benchmark::RegisterBenchmark(("Utf16ToUtf8" + name + "hand-loop").c_str(), ToUtf8Hand, script, bytes);
        }
    }
    return 0;
}();

} // namespace
