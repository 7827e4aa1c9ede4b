#include "Standin.h"

namespace testsupport {

std::vector<standin::Call> Standin::Calls() const
{
    std::vector<standin::Call> calls;
    for (unsigned i = 0; i < m_callCount(); ++i)
        calls.push_back(*m_getCall(i));
    return calls;
}

std::vector<standin::Call> Standin::CallsTo(standin::Entry entry) const
{
    std::vector<standin::Call> calls;
    for (const standin::Call& call : Calls())
        if (call.EntryPoint == entry)
            calls.push_back(call);
    return calls;
}

} // namespace testsupport
