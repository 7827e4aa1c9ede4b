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

int Standin::AnswerDuringUpdate(kz::tesmaclient::TesmaClient& caller, standin::Entry entry, unsigned requestId,
                                standin::Word a, standin::Word b, standin::Word c, standin::Word d)
{
    standin::UpdateAnswer answer = {m_setHooks, m_answer, entry, requestId, {a, b, c, d}, -1};
    m_setHooks(nullptr, standin::UpdateAnswer::Give, &answer);
    caller.Update();
    m_setHooks(nullptr, nullptr, nullptr);
    return answer.Result;
}

} // namespace testsupport
