#pragma once

// Sample texts by script, as UTF-8: about 1 MB, or a 60-byte one, made of
// words of that script separated by blanks and the odd full stop.
#include <string>

enum class Script { Ascii, Latin1, Cyrillic, Cjk, Emoji };

inline const char* ScriptName(Script script)
{
    switch (script) {
    case Script::Ascii: return "ascii";
    case Script::Latin1: return "latin1";
    case Script::Cyrillic: return "cyrillic";
    case Script::Cjk: return "cjk";
    case Script::Emoji: return "emoji";
    }
    return "";
}

inline std::string SampleText(Script script, std::size_t bytes)
{
    const char* words[4] = {};
    switch (script) {
    case Script::Ascii: words[0] = "launcher"; words[1] = "save"; words[2] = "request"; words[3] = "game"; break;
    case Script::Latin1: words[0] = "d\xC3\xA9j\xC3\xA0"; words[1] = "gr\xC3\xB6\xC3\x9F" "e"; words[2] = "ma\xC3\xB1" "ana"; words[3] = "\xC3\xA9t\xC3\xA9"; break;
    case Script::Cyrillic: words[0] = "\xD0\xB8\xD0\xB3\xD1\x80\xD0\xB0"; words[1] = "\xD1\x81\xD0\xB5\xD1\x80\xD0\xB2\xD0\xB5\xD1\x80"; words[2] = "\xD0\xB4\xD0\xB0"; words[3] = "\xD0\xBC\xD0\xB8\xD1\x80"; break;
    case Script::Cjk: words[0] = "\xE6\xB8\xB8\xE6\x88\x8F"; words[1] = "\xE5\xAD\x98\xE6\xA1\xA3"; words[2] = "\xE5\x90\xAF\xE5\x8A\xA8\xE5\x99\xA8"; words[3] = "\xE7\xBD\x91\xE7\xBB\x9C"; break;
    case Script::Emoji: words[0] = "\xF0\x9F\x98\x80\xF0\x9F\x8E\xAE"; words[1] = "ok\xF0\x9F\x91\x8D"; words[2] = "\xF0\x9F\x9A\x80"; words[3] = "\xF0\x9F\x8E\x89\xF0\x9F\x8E\x89\xF0\x9F\x8E\x89"; break;
    }
    std::string text;
    for (unsigned i = 0; text.size() < bytes; ++i) {
        std::string word = words[(i * 7 + i / 3) % 4];
        word += i % 11 == 10 ? ". " : " ";
        if (text.size() + word.size() > bytes)
            break;
        text += word;
    }
    return text;
}
