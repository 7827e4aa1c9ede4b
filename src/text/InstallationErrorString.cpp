#include "text/InstallationErrorString.h"

#include "containers/Allocate.h"
#include "containers/HybridArray.h"
#include "text/InstallationMessages.h"
#include "text/UnicodeString.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace kz {
namespace text {

namespace {

const unsigned short kEmptyResult[1] = {0};
const unsigned short kFirstLine[] = {'D', 'o', 'v', 'r', 'i', 'x', ' ', 'G', 'a', 'm', 'e', ' ',
                                     'L', 'a', 'n', 'c', 'h', 'e', 'r', ':', ' ', '\n'};
const unsigned short kPlaceholder[] = {'_', '_', 'R', 'E', 'P', 'L', 'A', 'C', 'E', '_', '_'};
const unsigned kPlaceholderLength = sizeof kPlaceholder / sizeof kPlaceholder[0];

// The message of a locale given as UTF-8. ASCII, the form of every tag, is
// compared byte for byte; anything else goes the long way, decoded and
// encoded again, so that it matches exactly what its UTF-16 form matches.
const unsigned short* MessageOf(const char* locale)
{
    if (locale == nullptr)
        return nullptr; // decodes to the empty text, which matches no tag
    for (const char* c = locale; *c != 0; ++c) {
        if (static_cast<unsigned char>(*c) >= 0x80) {
            UnicodeString localeText(locale, -1);
            return FindInstallationMessage(localeText.GetUtf16());
        }
    }
    return FindInstallationMessage(locale);
}

bool IsPlaceholderAt(const unsigned short* text)
{
    unsigned i = 0;
    while (i < kPlaceholderLength && text[i] == kPlaceholder[i])
        ++i;
    return i == kPlaceholderLength;
}

// Index of the placeholder in text, or of its terminating 0 when it has none.
unsigned FindPlaceholder(const unsigned short* text)
{
    unsigned p = 0;
    while (text[p] != 0 && !(text[p] == '_' && IsPlaceholderAt(text + p)))
        ++p;
    return p;
}

unsigned Length(const unsigned short* text)
{
    unsigned n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

// The text of one error number and message (null: the first line alone), in
// a block of its own.
const unsigned short* Compose(unsigned int errorNumber, const unsigned short* message)
{
    common::HybridArray<unsigned short> result;
    result.AddRange(kFirstLine, sizeof kFirstLine / sizeof kFirstLine[0]);
    if (message != nullptr) {
        unsigned short digits[10];
        unsigned digitCount = 0;
        for (unsigned value = errorNumber; value != 0; value /= 10)
            digits[sizeof digits / sizeof digits[0] - ++digitCount] = static_cast<unsigned short>('0' + value % 10);

        const unsigned p = FindPlaceholder(message);
        result.AddRange(message, p);
        if (message[p] != 0) {
            const unsigned short* rest = message + p + kPlaceholderLength;
            result.AddRange(digits + sizeof digits / sizeof digits[0] - digitCount, digitCount);
            result.AddRange(rest, Length(rest));
        }
    }
    result.Add(0);
    const std::size_t size = result.Count() * sizeof(unsigned short);
    void* block = common::Allocate(size);
    std::memcpy(block, result.Data(), size);
    return static_cast<const unsigned short*>(block);
}

// Each text is composed once, by the first caller that needs it, and then
// handed to every caller unchanged until unload: callers on several threads
// never share a buffer that another call rewrites. Racing first callers each
// compose it; one publishes, the others free theirs.
class ComposedTexts {
public:
    // One per error number and message, and one per number for the first line alone.
    static constexpr unsigned kNumbers = 3;
    static constexpr unsigned kPerNumber = kInstallationMessageCount + 1;

    constexpr ComposedTexts() = default;
    ~ComposedTexts()
    {
        for (std::atomic<const unsigned short*>& text : m_texts)
            std::free(const_cast<unsigned short*>(text.load()));
    }
    ComposedTexts(const ComposedTexts&) = delete;
    ComposedTexts& operator=(const ComposedTexts&) = delete;

    const unsigned short* Get(unsigned int errorNumber, const unsigned short* message)
    {
        std::atomic<const unsigned short*>& slot = m_texts[(errorNumber - 1) * kPerNumber + IndexOf(message)];
        const unsigned short* text = slot.load(std::memory_order_acquire);
        if (text != nullptr)
            return text;
        const unsigned short* composed = Compose(errorNumber, message);
        if (slot.compare_exchange_strong(text, composed, std::memory_order_acq_rel))
            return composed;
        std::free(const_cast<unsigned short*>(composed));
        return text;
    }

private:
    static unsigned IndexOf(const unsigned short* message)
    {
        unsigned i = 0;
        while (i < kInstallationMessageCount && InstallationMessages[i].message != message)
            ++i;
        return i;
    }

    std::atomic<const unsigned short*> m_texts[kNumbers * kPerNumber] = {};
};

// Constant-initialised; its destructor runs at unload.
ComposedTexts g_composed;

} // namespace

const unsigned short* ComposeInstallationErrorString(unsigned int errorNumber, const char* locale)
{
    if (errorNumber == 0)
        return kEmptyResult;
    if (errorNumber > ComposedTexts::kNumbers) // no such error: the first line alone
        return g_composed.Get(1, nullptr);
    return g_composed.Get(errorNumber, MessageOf(locale));
}

} // namespace text
} // namespace kz
