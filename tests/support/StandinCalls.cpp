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
    struct Pending {
        Standin* Self;
        standin::Entry Entry;
        unsigned RequestId;
        standin::Word Values[4];
        int Result;
    } pending{this, entry, requestId, {a, b, c, d}, -1};
    m_setHooks(
        nullptr,
        [](void* context, standin::Word) {
            auto* p = static_cast<Pending*>(context);
            p->Self->m_setHooks(nullptr, nullptr, nullptr); // once
            p->Result = p->Self->Answer(p->Entry, p->RequestId, p->Values[0], p->Values[1], p->Values[2],
                                        p->Values[3]);
        },
        &pending);
    caller.Update();
    m_setHooks(nullptr, nullptr, nullptr);
    return pending.Result;
}

} // namespace testsupport
