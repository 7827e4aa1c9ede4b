#pragma once

// The seven asynchronous request kinds, the one list from which the launcher's
// listener interfaces, the client state's bases, tables and answers and the
// client's request methods are made.
//
// Invariants: the order is the order of the kz::tesmadll interfaces as bases
// of the client state and of the request entry points (EntryPoints.h); name is
// at once the entry point's field, the TesmaClient method, the listener
// interfaces' stem (I<name>Listener on both sides) and the answer (On<name>).
// Written without standard headers, as Handles.h is.
//
// X(name, table, request parameters, request arguments, answer parameters,
//   answer arguments):
// - table: the client state's table of the game's listeners of this kind;
// - request parameters and arguments: those after the game's listener, each
//   led by a comma, passed on to the entry point unchanged;
// - answer parameters: the launcher's answer, as the kz::tesmadll interface
//   declares it; answer arguments: what the game's listener is handed, in the
//   client state's scope (the launcher's handles become save-game objects).
//   A list's elements are the launcher's array of count 4-byte elements.
#define KZ_REQUEST_KINDS(X)                                                                                    \
    X(GetLoginDetails, LoginDetails, (), (),                                                                   \
      (unsigned int requestId, unsigned int a, unsigned int b, unsigned int c), (requestId, a, b, c))          \
    X(GetTesmaServer, TesmaServer, (, unsigned int a, unsigned int b), (, a, b),                               \
      (unsigned int requestId, unsigned int a), (requestId, a))                                                \
    X(GetSavegameReader, SavegameReader, (, unsigned int a, unsigned int b), (, a, b),                         \
      (unsigned int requestId, unsigned int a, SavegameHandle reader),                                         \
      (requestId, a, SavegameFactory::NewReader(reader, Binding)))                                             \
    X(GetSavegameWriter, SavegameWriter, (, unsigned int a, unsigned int b, bool flag), (, a, b, flag),        \
      (unsigned int requestId, unsigned int a, SavegameHandle writer),                                         \
      (requestId, a, SavegameFactory::NewWriter(writer, Binding)))                                             \
    X(GetSavegameList, SavegameList, (, unsigned int a), (, a),                                                \
      (unsigned int requestId, const void* list, unsigned int count),                                          \
      (requestId, SavegameFactory::NewList(list, count, Binding), count))                                      \
    X(RemoveSavegame, RemoveSavegame, (, unsigned int a, unsigned int b), (, a, b),                            \
      (unsigned int requestId, unsigned int a), (requestId, a))                                                \
    X(GetNetworkTraffic, NetworkTraffic, (), (),                                                               \
      (unsigned int requestId, unsigned int a, unsigned int b, unsigned int c, unsigned int d),                \
      (requestId, a, b, c, d))

// A parenthesized list without its parentheses: KZ_UNPAREN (, a, b) is , a, b.
#define KZ_UNPAREN(...) __VA_ARGS__
