#pragma once

// The stand-in launcher's control interface, reached through the module that
// the client loaded (or that the test loaded first, to script it).

#include "StandinControl.h"

#include "kz/tesmaclient/TesmaClient.h"

#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace testsupport {

class Standin {
public:
#ifdef _WIN32
    // Binds to the library at path, loading it (and holding a reference) if
    // load is true, else only if it is already loaded.
    Standin(const std::wstring& path, bool load);
#else
    // Binds to the stand-in linked into the test program.
    Standin();
#endif
    ~Standin();

    bool IsBound() const { return m_reset != nullptr; }
    // Drops the reference the constructor took, if any.
    void Unload();

    void Reset() { m_reset(); }
    void SetSession(unsigned session) { m_setSession(session); }
    void SetResult(standin::Entry entry, standin::Word result) { m_setResult(entry, result); }
    std::vector<standin::Call> Calls() const;
    unsigned CallCount() const { return m_callCount(); }
    // The call at index, which must be below CallCount().
    const standin::Call& CallAt(unsigned index) const { return *m_getCall(index); }
    // The calls received for one entry point.
    std::vector<standin::Call> CallsTo(standin::Entry entry) const;
    void AnswerInside(standin::Entry entry, standin::Word a = 0, standin::Word b = 0, standin::Word c = 0,
                      standin::Word d = 0)
    {
        m_answerInside(entry, a, b, c, d);
    }
    int Answer(standin::Entry entry, unsigned requestId, standin::Word a = 0, standin::Word b = 0,
               standin::Word c = 0, standin::Word d = 0)
    {
        return m_answer(entry, requestId, a, b, c, d);
    }
    // Answers as the launcher does on the game's own thread: inside caller's
    // next Update. Returns what Answer returns. An answer from the test's own
    // code outside any call stands for one from a launcher thread instead.
    int AnswerDuringUpdate(kz::tesmaclient::TesmaClient& caller, standin::Entry entry, unsigned requestId,
                           standin::Word a = 0, standin::Word b = 0, standin::Word c = 0, standin::Word d = 0);
    const unsigned* List() const { return m_list(); }

private:
    Standin(const Standin&) = delete;
    Standin& operator=(const Standin&) = delete;

#ifdef _WIN32
    HMODULE m_module = nullptr;
    bool m_loaded = false;
#endif
    standin::ResetFunction m_reset = nullptr;
    standin::SetSessionFunction m_setSession = nullptr;
    standin::SetResultFunction m_setResult = nullptr;
    standin::CallCountFunction m_callCount = nullptr;
    standin::GetCallFunction m_getCall = nullptr;
    standin::AnswerInsideFunction m_answerInside = nullptr;
    standin::AnswerFunction m_answer = nullptr;
    standin::ListFunction m_list = nullptr;
    standin::SetHooksFunction m_setHooks = nullptr;
};

// Registers the complete stand-in as the installed launcher and returns its
// control, reset and loaded ahead of the client (on Windows a reference is held,
// so the stand-in keeps its state while clients come and go).
std::unique_ptr<Standin> InstallFullStandin();

} // namespace testsupport
