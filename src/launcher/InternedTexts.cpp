#include "launcher/InternedTexts.h"

#include "containers/Allocate.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace kz {

struct InternedTexts::Node {
    Node* next;
    std::size_t bytes;
    unsigned short units[1]; // the text and its NUL, allocated to fit
};

namespace {

std::size_t Length(const unsigned short* text)
{
    std::size_t n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

} // namespace

InternedTexts::~InternedTexts()
{
    while (m_head != nullptr) {
        Node* next = m_head->next;
        std::free(m_head);
        m_head = next;
    }
}

const unsigned short* InternedTexts::Intern(const unsigned short* text) noexcept
{
    const std::size_t bytes = (Length(text) + 1) * sizeof(unsigned short);
    for (Node* node = m_head; node != nullptr; node = node->next) {
        if (node->bytes == bytes && std::memcmp(node->units, text, bytes) == 0)
            return node->units;
    }
    Node* node = static_cast<Node*>(common::Allocate(offsetof(Node, units) + bytes));
    std::memcpy(node->units, text, bytes);
    node->bytes = bytes;
    node->next = m_head;
    m_head = node;
    return node->units;
}

} // namespace kz
