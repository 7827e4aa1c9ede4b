#pragma once

// The control interface of the stand-in launcher library, for tests in the
// same process. A test reaches the instance the client loaded through the
// module handle of the same path and these undecorated exports.

namespace standin {

using Word = decltype(sizeof(0)); // an argument or result, as wide as a pointer

// The 22 entry points in binding order.
enum Entry : unsigned {
    GetSession,
    Update,
    GetRequestUniqueId,
    StartLauncher,
    StartProcess,
    GetLoginDetails,
    GetTesmaServer,
    GetSavegameReader,
    GetSavegameWriter,
    GetSavegameList,
    RemoveSavegame,
    GetNetworkTraffic,
    GetLocText,
    SaveGameReaderRead,
    SaveGameReaderClose,
    SaveGameWriterSetName,
    SaveGameWriterWrite,
    SaveGameWriterClose,
    SaveGameInfoGetName,
    SaveGameInfoGetProductId,
    SaveGameInfoGetSavegameId,
    SaveGameInfoGetSize,
    EntryCount
};

constexpr unsigned MaxArguments = 7;

// One call received: the entry point and its arguments, each widened to a Word
// (bool as 0 or 1, pointers as addresses).
struct Call {
    unsigned EntryPoint;
    unsigned ArgumentCount;
    Word Arguments[MaxArguments];
};

// What a fresh stand-in answers: sessions, unique ids from 1000 upwards,
// StartLauncher true, texts of its own; every other result 0.
constexpr unsigned DefaultSession = 0x5E55;
constexpr unsigned FirstUniqueId = 1000;

// Clears the recorded calls, scripts and stored listeners; results back to default.
using ResetFunction = void (*)();
// The value "KzTesmadllGetSession" returns from now on (0 refuses a session).
using SetSessionFunction = void (*)(unsigned session);
// The result the entry point returns from now on.
using SetResultFunction = void (*)(unsigned entry, Word result);
using CallCountFunction = unsigned (*)();
// The call at index, oldest first; null past the end.
using GetCallFunction = const Call* (*)(unsigned index);
// The next request to entry is answered from inside the entry-point call with
// these values after the request number.
using AnswerInsideFunction = void (*)(unsigned entry, Word a, Word b, Word c, Word d);
// Answers now, through the listener the last request to entry passed, under
// requestId. Returns the listener's result (0 or 1), or -1 if none was passed.
using AnswerFunction = int (*)(unsigned entry, unsigned requestId, Word a, Word b, Word c, Word d);
// Answers now through listener, one that a request passed to the stand-in,
// under requestId; returns the listener's result (0 or 1).
using AnswerThroughFunction = int (*)(unsigned entry, void* listener, unsigned requestId, Word a, Word b, Word c,
                                      Word d);
// A script of the launcher's own, for tests that answer many requests of many
// clients: called inside every request entry point after it was recorded, and
// inside "KzTesmadllUpdate", on the caller's thread. Either may answer through
// AnswerThrough before it returns. Null hooks remove the script.
using RequestHook = void (*)(void* context, unsigned entry, Word session, unsigned requestId, void* listener);
using UpdateHook = void (*)(void* context, Word session);
using SetHooksFunction = void (*)(RequestHook request, UpdateHook update, void* context);
// One answer to give from inside the next "KzTesmadllUpdate", as a launcher
// answers on the game's thread: SetHooks(nullptr, UpdateAnswer::Give, &answer),
// then the game's Update. Result is what Answer returned, -1 until then.
struct UpdateAnswer {
    SetHooksFunction SetHooks;
    AnswerFunction Answer;
    unsigned Entry;
    unsigned RequestId;
    Word Values[4];
    int Result;

    static void Give(void* context, Word)
    {
        UpdateAnswer& a = *static_cast<UpdateAnswer*>(context);
        a.SetHooks(nullptr, nullptr, nullptr); // once
        a.Result = a.Answer(a.Entry, a.RequestId, a.Values[0], a.Values[1], a.Values[2], a.Values[3]);
    }
};
// A save-game list of ListLength 4-byte elements at a fixed address.
using ListFunction = const unsigned* (*)();
constexpr unsigned ListLength = 16;

} // namespace standin
