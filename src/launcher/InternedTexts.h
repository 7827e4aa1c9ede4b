#pragma once

// UTF-16 texts kept, each once, until their owner goes.
//
// Invariants: a text handed out stays valid and unchanged whatever is kept
// after it, and keeping an equal text again hands out the first copy, so the
// store grows only by texts never seen before. The store owns every copy and
// frees them all with itself. Intern is called by one thread at a time; the
// texts it returned may be read by any thread.

namespace kz {

class InternedTexts {
public:
    constexpr InternedTexts() noexcept = default;
    ~InternedTexts();
    InternedTexts(const InternedTexts&) = delete;
    InternedTexts& operator=(const InternedTexts&) = delete;

    // The kept copy of text (NUL-terminated); exhausted memory ends in FatalError.
    const unsigned short* Intern(const unsigned short* text) noexcept;

private:
    struct Node;
    Node* m_head = nullptr;
};

} // namespace kz
