#pragma once

// What the parts of the MSVC-mode game test share: the stand-in launcher's
// control, reached through the module the client loaded, and a listener for
// every answer.

#include "kz/tesmaclient/TesmaClient.h"

#include "GameChecks.h"
#include "StandinControl.h"

namespace msvcgame {

using namespace kz::tesmaclient;

struct Standin {
    void* Module = nullptr;
    standin::SetResultFunction SetResult = nullptr;
    standin::CallCountFunction CallCount = nullptr;
    standin::GetCallFunction GetCall = nullptr;
    standin::AnswerFunction AnswerNow = nullptr;
    standin::AnswerInsideFunction AnswerInside = nullptr;
    standin::ListFunction List = nullptr;
    standin::SetHooksFunction SetHooks = nullptr;
    // The client whose Update carries the answers: the launcher answers on the
    // game's thread, inside a call. Without one an answer comes from outside
    // any call, as from a thread of the launcher's own, which keeps the
    // launcher library loaded for the rest of the process.
    TesmaClient* Via = nullptr;

    bool Bind(const wchar_t* path)
    {
        Module = GetModuleHandleW(path);
        if (Module == nullptr)
            return false;
        SetResult = reinterpret_cast<standin::SetResultFunction>(GetProcAddress(Module, "StandinSetResult"));
        CallCount = reinterpret_cast<standin::CallCountFunction>(GetProcAddress(Module, "StandinCallCount"));
        GetCall = reinterpret_cast<standin::GetCallFunction>(GetProcAddress(Module, "StandinGetCall"));
        AnswerNow = reinterpret_cast<standin::AnswerFunction>(GetProcAddress(Module, "StandinAnswer"));
        AnswerInside = reinterpret_cast<standin::AnswerInsideFunction>(GetProcAddress(Module, "StandinAnswerInside"));
        List = reinterpret_cast<standin::ListFunction>(GetProcAddress(Module, "StandinList"));
        SetHooks = reinterpret_cast<standin::SetHooksFunction>(GetProcAddress(Module, "StandinSetHooks"));
        return SetResult != nullptr && CallCount != nullptr && GetCall != nullptr && AnswerNow != nullptr &&
               AnswerInside != nullptr && List != nullptr && SetHooks != nullptr;
    }

    // Answers the last request to entry under requestId, inside Via's next
    // Update; the listener's result, or -1.
    int Answer(standin::Entry entry, unsigned requestId, standin::Word a, standin::Word b, standin::Word c,
               standin::Word d)
    {
        if (Via == nullptr)
            return AnswerNow(entry, requestId, a, b, c, d);
        standin::UpdateAnswer answer = {SetHooks, AnswerNow, entry, requestId, {a, b, c, d}, -1};
        SetHooks(nullptr, standin::UpdateAnswer::Give, &answer);
        Via->Update();
        SetHooks(nullptr, nullptr, nullptr);
        return answer.Result;
    }

    const standin::Call* Last() { return GetCall(CallCount() - 1); }
};

inline standin::Word Word(const void* p)
{
    return reinterpret_cast<standin::Word>(p);
}

// The game's listeners, with MSVC's vtables: each records the last answer.
struct GameListener : IGetLoginDetailsListener,
                      IGetTesmaServerListener,
                      IGetSavegameReaderListener,
                      IGetSavegameWriterListener,
                      IGetSavegameListListener,
                      IRemoveSavegameListener,
                      IGetNetworkTrafficListener {
    unsigned Calls = 0;
    unsigned RequestId = 0;
    unsigned Values[4] = {};
    void* Object = nullptr;
    bool Result = true;

    bool Keep(unsigned requestId, unsigned a, unsigned b, unsigned c, unsigned d, void* object)
    {
        ++Calls;
        RequestId = requestId;
        Values[0] = a;
        Values[1] = b;
        Values[2] = c;
        Values[3] = d;
        Object = object;
        return Result;
    }

    bool OnGetLoginDetails(unsigned r, unsigned a, unsigned b, unsigned c) override
    {
        return Keep(r, a, b, c, 0, nullptr);
    }
    bool OnGetTesmaServer(unsigned r, unsigned a) override { return Keep(r, a, 0, 0, 0, nullptr); }
    bool OnGetSavegameReader(unsigned r, unsigned a, SavegameReader* reader) override
    {
        return Keep(r, a, 0, 0, 0, reader);
    }
    bool OnGetSavegameWriter(unsigned r, unsigned a, SavegameWriter* writer) override
    {
        return Keep(r, a, 0, 0, 0, writer);
    }
    bool OnGetSavegameList(unsigned r, SavegameInfo* savegames, unsigned count) override
    {
        return Keep(r, count, 0, 0, 0, savegames);
    }
    bool OnRemoveSavegame(unsigned r, unsigned a) override { return Keep(r, a, 0, 0, 0, nullptr); }
    bool OnGetNetworkTraffic(unsigned r, unsigned a, unsigned b, unsigned c, unsigned d) override
    {
        return Keep(r, a, b, c, d, nullptr);
    }
};

inline bool ArgumentsAre(const standin::Call* call, standin::Entry entry, unsigned count, const standin::Word* expected)
{
    if (call == nullptr || call->EntryPoint != entry || call->ArgumentCount != count)
        return false;
    for (unsigned i = 0; i < count; ++i)
        if (call->Arguments[i] != expected[i])
            return false;
    return true;
}

// Every exported member of the client, through the object given, against the
// stand-in at libraryPath, which must have been freshly loaded by it.
void CheckEveryExport(TesmaClient& client, const wchar_t* libraryPath);

// The lifetime rules: release inside an answer, save-game objects after a
// rebind.
void CheckLifetime(const wchar_t* libraryPath);

// Clients constructed and destroyed on eight threads at once.
void CheckClientsOnEightThreads(const wchar_t* libraryPath);

// 100,000 requests on clients that come and go, checked against a model, with
// the heap back at its level afterwards; with threads, on several at once.
void RunStress(const wchar_t* libraryPath, bool threads);

// Each export called the way MSVC-built code calls it, register by register.
void CheckCallingConventions(const wchar_t* libraryPath);

} // namespace msvcgame
