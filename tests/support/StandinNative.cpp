// Natively the stand-in launcher is linked into the test program, and the fake
// system calls hand its functions to the binding.

#include "FakeSystem.h"
#include "Standin.h"

#include "launcher/EntryPoints.h"

// Declared in the namespace of the types the entry points use; C linkage
// makes them the stand-in's own functions.
namespace kz {
extern "C" {
#define KZ_STANDIN_DECLARE(field, name, result, parameters) result KzTesmadll##field parameters;
KZ_LAUNCHER_ENTRY_POINTS(KZ_STANDIN_DECLARE)
#undef KZ_STANDIN_DECLARE
}
} // namespace kz

extern "C" {
void StandinReset();
void StandinSetSession(unsigned session);
void StandinSetResult(unsigned entry, standin::Word result);
unsigned StandinCallCount();
const standin::Call* StandinGetCall(unsigned index);
void StandinAnswerInside(unsigned entry, standin::Word a, standin::Word b, standin::Word c, standin::Word d);
int StandinAnswer(unsigned entry, unsigned requestId, standin::Word a, standin::Word b, standin::Word c,
                  standin::Word d);
const unsigned* StandinList();
void StandinSetHooks(standin::RequestHook request, standin::UpdateHook update, void* context);
}

namespace testsupport {

Standin::Standin()
    : m_reset(StandinReset), m_setSession(StandinSetSession), m_setResult(StandinSetResult),
      m_callCount(StandinCallCount), m_getCall(StandinGetCall), m_answerInside(StandinAnswerInside),
      m_answer(StandinAnswer), m_list(StandinList), m_setHooks(StandinSetHooks)
{
}

Standin::~Standin() {}

void Standin::Unload() {}

std::unique_ptr<Standin> InstallFullStandin()
{
    ResetFake();
    Fake().SetInstallDir(u"C:\\Launcher");
#define KZ_STANDIN_EXPORT(field, name, result, parameters)                                                    \
    Fake().Symbols[name] = reinterpret_cast<kz::SystemCalls::AnyFunction>(&kz::KzTesmadll##field);
    KZ_LAUNCHER_ENTRY_POINTS(KZ_STANDIN_EXPORT)
#undef KZ_STANDIN_EXPORT
    auto standin = std::make_unique<Standin>();
    standin->Reset();
    return standin;
}

} // namespace testsupport
