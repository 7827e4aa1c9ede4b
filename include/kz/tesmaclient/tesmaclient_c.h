#pragma once

/* The game's way into the installed launcher, as plain C functions: for C
   games and for languages that bind to C (C# P/Invoke, Rust extern "C",
   Python ctypes, Lua, Go, Zig). C89; compiles as C++ as well.

   Every function is __cdecl, exported undecorated from tesmaclient.dll, and
   behaves as the C++ member it forwards to (TesmaClient.h, Savegame.h): the
   same lifetime, threading and neutral values without a launcher. Nothing
   here throws; callbacks must not throw or unwind through the library either.

   Types. unsigned int is 32 bits and unsigned short 16 bits on both
   targets, 32-bit and 64-bit Windows, and they are the C++ interface's own types, so
   nothing is converted; <stdint.h> is left out because strict C89 and older
   Visual C++ lack it. Truth values are int: 0 false, anything else true.
   Wide texts are NUL-terminated UTF-16 in unsigned short units. */

#include "kz/tesmaclient/Export.h"
#include "kz/tesmaclient/Version.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Refuses a compiler on which the widths above do not hold. */
typedef char tesmaclient_unsigned_int_is_32_bits[sizeof(unsigned int) == 4 ? 1 : -1];
typedef char tesmaclient_unsigned_short_is_16_bits[sizeof(unsigned short) == 2 ? 1 : -1];

/* A client (TesmaClient). Made by tesmaclient_create, ended by
   tesmaclient_destroy. */
typedef struct tesmaclient_client tesmaclient_client;
/* The save-game objects an answer hands to a callback. They belong to the
   caller, who may use them until releasing them with the matching release
   function, inside the DLL so that no C runtime mismatch can arise. One never
   released stays valid for the rest of the process, as in C++. */
typedef struct tesmaclient_reader tesmaclient_reader;
typedef struct tesmaclient_writer tesmaclient_writer;
/* A save-game list: count entries, reached by index from 0. */
typedef struct tesmaclient_savegame_list tesmaclient_savegame_list;

/* The client. */

/* Binds the launcher on first use and opens a session (TesmaClient()).
   Never null. */
KZ_TESMACLIENT_API tesmaclient_client* KZ_TESMACLIENT_CDECL tesmaclient_create(void);
/* Ends the client (~TesmaClient()); null is allowed. Answers still owed are
   dropped: their callbacks are never called once this returns. It waits for
   the client's callbacks running on other threads to return, so it must not
   be called while holding a lock that those callbacks take, nor by two
   clients' callbacks destroying each other's client at once. A callback may
   destroy its own client. A request dropped for want of a session keeps
   nothing. */
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_destroy(tesmaclient_client* client);
/* Once per frame; answers arrive inside it. */
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_update(tesmaclient_client* client);
/* 0xFFFFFFFF without a session. */
KZ_TESMACLIENT_API unsigned int KZ_TESMACLIENT_CDECL tesmaclient_get_request_unique_id(tesmaclient_client* client);
/* 0 without a session. */
KZ_TESMACLIENT_API int KZ_TESMACLIENT_CDECL tesmaclient_start_launcher(tesmaclient_client* client, unsigned int a,
                                                                       unsigned int b, const char* c, const char* d);
/* The texts are handed to the launcher, which reads them. */
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_start_process(tesmaclient_client* client,
                                                                       const unsigned short* a,
                                                                       const unsigned short* b,
                                                                       const unsigned short* c);
/* The launcher's text for key; key itself without a session. */
KZ_TESMACLIENT_API const unsigned short* KZ_TESMACLIENT_CDECL
tesmaclient_get_loc_text(tesmaclient_client* client, const unsigned short* key, const char* locale);
/* 0 bound; 1 no installation directory; 2 the library failed to load; 3 it
   lacks entry points. */
KZ_TESMACLIENT_API unsigned int KZ_TESMACLIENT_CDECL
tesmaclient_get_installation_error_num(const tesmaclient_client* client);
/* The player's message for that number in locale, the library's own text
   (the empty text when bound), as GetInstallationErrorString. locale must be
   one of the 19 tags exactly as the message table writes them ("en-US",
   "de-DE", "zh-TW", ...): pass the player's tag through
   tesmaclient_match_locale first. Any other tag, and a null locale, gives
   the message's first line alone, without the number. */
KZ_TESMACLIENT_API const unsigned short* KZ_TESMACLIENT_CDECL
tesmaclient_get_installation_error_string(const tesmaclient_client* client, const char* locale);

/* The asynchronous requests. Each takes a request number of the caller's
   choosing, a callback and a user pointer handed back to it. The answer
   calls the callback once, with user, the request number and the answer's
   values, possibly before the request returns; the callback's result goes
   back to the launcher (non-zero: the game took the answer). A second
   request of the same kind under a number still pending replaces the first
   one's callback. Without a session, or with a null callback, the callback is
   never called. */

typedef int(KZ_TESMACLIENT_CDECL* tesmaclient_login_details_callback)(void* user, unsigned int request_id,
                                                                     unsigned int a, unsigned int b,
                                                                     unsigned int c);
typedef int(KZ_TESMACLIENT_CDECL* tesmaclient_tesma_server_callback)(void* user, unsigned int request_id,
                                                                    unsigned int a);
/* reader and writer are never null. */
typedef int(KZ_TESMACLIENT_CDECL* tesmaclient_savegame_reader_callback)(void* user, unsigned int request_id,
                                                                       unsigned int a, tesmaclient_reader* reader);
typedef int(KZ_TESMACLIENT_CDECL* tesmaclient_savegame_writer_callback)(void* user, unsigned int request_id,
                                                                       unsigned int a, tesmaclient_writer* writer);
/* list is never null, even for count 0. */
typedef int(KZ_TESMACLIENT_CDECL* tesmaclient_savegame_list_callback)(void* user, unsigned int request_id,
                                                                     tesmaclient_savegame_list* list,
                                                                     unsigned int count);
typedef int(KZ_TESMACLIENT_CDECL* tesmaclient_remove_savegame_callback)(void* user, unsigned int request_id,
                                                                       unsigned int a);
typedef int(KZ_TESMACLIENT_CDECL* tesmaclient_network_traffic_callback)(void* user, unsigned int request_id,
                                                                       unsigned int a, unsigned int b,
                                                                       unsigned int c, unsigned int d);

KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_get_login_details(
    tesmaclient_client* client, unsigned int request_id, tesmaclient_login_details_callback callback, void* user);
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_get_tesma_server(
    tesmaclient_client* client, unsigned int request_id, tesmaclient_tesma_server_callback callback, void* user,
    unsigned int a, unsigned int b);
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_get_savegame_reader(
    tesmaclient_client* client, unsigned int request_id, tesmaclient_savegame_reader_callback callback, void* user,
    unsigned int a, unsigned int b);
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_get_savegame_writer(
    tesmaclient_client* client, unsigned int request_id, tesmaclient_savegame_writer_callback callback, void* user,
    unsigned int a, unsigned int b, int flag);
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_get_savegame_list(
    tesmaclient_client* client, unsigned int request_id, tesmaclient_savegame_list_callback callback, void* user,
    unsigned int a);
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_remove_savegame(
    tesmaclient_client* client, unsigned int request_id, tesmaclient_remove_savegame_callback callback, void* user,
    unsigned int a, unsigned int b);
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_get_network_traffic(
    tesmaclient_client* client, unsigned int request_id, tesmaclient_network_traffic_callback callback, void* user);

/* The save games. A reader or writer arrives with the answer to
   tesmaclient_get_savegame_reader or _writer also when the launcher refused
   to open the save game; tesmaclient_reader_is_open and _writer_is_open tell
   (the answer's a then says why; with the development launcher 1 unknown
   save game, 2 it exists and may not be replaced, 3 the files could not be
   read or written). */

/* 1 when the launcher opened the save game for it and the binding it came
   under lasts (the last client was not destroyed since); 0 otherwise. */
KZ_TESMACLIENT_API int KZ_TESMACLIENT_CDECL tesmaclient_reader_is_open(const tesmaclient_reader* reader);
KZ_TESMACLIENT_API int KZ_TESMACLIENT_CDECL tesmaclient_writer_is_open(const tesmaclient_writer* writer);

/* The report of a read or a write: user, the request number and the
   report's two values. The development launcher reports a status (0 done, 1
   the reader was closed before the read was reported, 3 not read or
   written, 4 a null buffer with a non-zero length) and the number of bytes
   read or written; a read or write on a reader or writer it closed already
   it drops without a report (the library frees what it kept for it with the
   launcher library). The result goes back to the launcher. */
typedef int(KZ_TESMACLIENT_CDECL* tesmaclient_read_callback)(void* user, unsigned int request_id, unsigned int a,
                                                             unsigned int b);
typedef int(KZ_TESMACLIENT_CDECL* tesmaclient_write_callback)(void* user, unsigned int request_id, unsigned int a,
                                                              unsigned int b);

/* Reads length bytes from offset of the save game into buffer, which must
   stay valid and unmoved until the callback was called; the bytes are in it
   then. Returns 1 when the read went to the launcher: the callback is called
   once, possibly before this returns, on the thread the launcher chooses,
   unless the library is freed first (the last client destroyed), after
   which it is never called. Returns 0, and nothing is read or called, when
   the reader is not open. A null callback still reads. reader must not be
   null. Since 1.2. */
KZ_TESMACLIENT_API int KZ_TESMACLIENT_CDECL tesmaclient_reader_read_with_callback(
    tesmaclient_reader* reader, unsigned int request_id, tesmaclient_read_callback callback, void* user,
    unsigned int offset, void* buffer, unsigned int length);
/* Appends size bytes of buffer to the save game; buffer must stay valid and
   unmoved until the callback was called (the development launcher copies it
   at once). Returns and calls back as the read does; a null callback still
   writes. writer must not be null. Since 1.2. */
KZ_TESMACLIENT_API int KZ_TESMACLIENT_CDECL tesmaclient_writer_write_with_callback(
    tesmaclient_writer* writer, unsigned int request_id, tesmaclient_write_callback callback, void* user,
    const void* buffer, unsigned int size);

/* The same with a listener of C++'s instead of a callback: a C++
   ISavegameReadListener or ISavegameWriteListener (Listeners.h) to which the
   launcher reports itself; a C caller uses the _with_callback forms. */

KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_reader_read(tesmaclient_reader* reader,
                                                                     unsigned int request_id, void* listener,
                                                                     unsigned int a, void* buffer, unsigned int b);
/* Reads not yet reported are reported by the launcher as it chooses (the
   development launcher: status 1). */
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_reader_close(tesmaclient_reader* reader);
/* Null is allowed. */
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_reader_release(tesmaclient_reader* reader);

/* 0 without a launcher. The launcher reads name. */
KZ_TESMACLIENT_API int KZ_TESMACLIENT_CDECL tesmaclient_writer_set_name(tesmaclient_writer* writer,
                                                                        const unsigned short* name);
/* The launcher reads buffer. */
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_writer_write(tesmaclient_writer* writer,
                                                                      unsigned int request_id, void* listener,
                                                                      const void* buffer, unsigned int size);
/* flag non-zero commits what was written, 0 discards it. */
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_writer_close(tesmaclient_writer* writer, int flag);
/* Null is allowed. */
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_writer_release(tesmaclient_writer* writer);

/* Entry index of list, as SavegameInfo; an index past the end, like an entry
   without a launcher, gives null, 0xFFFFFFFF, 0xFFFFFFFF and 0. */
KZ_TESMACLIENT_API const unsigned short* KZ_TESMACLIENT_CDECL
tesmaclient_savegame_list_get_name(const tesmaclient_savegame_list* list, unsigned int index);
KZ_TESMACLIENT_API unsigned int KZ_TESMACLIENT_CDECL
tesmaclient_savegame_list_get_product_id(const tesmaclient_savegame_list* list, unsigned int index);
KZ_TESMACLIENT_API unsigned int KZ_TESMACLIENT_CDECL
tesmaclient_savegame_list_get_savegame_id(const tesmaclient_savegame_list* list, unsigned int index);
KZ_TESMACLIENT_API unsigned int KZ_TESMACLIENT_CDECL
tesmaclient_savegame_list_get_size(const tesmaclient_savegame_list* list, unsigned int index);
/* Null is allowed. */
KZ_TESMACLIENT_API void KZ_TESMACLIENT_CDECL tesmaclient_savegame_list_release(tesmaclient_savegame_list* list);

/* Why the launcher was or was not reached (Diagnostics.h). */

/* directory_state values. */
enum {
    TESMACLIENT_DIRECTORY_FOUND = 0,
    TESMACLIENT_DIRECTORY_NO_KEY = 1,
    TESMACLIENT_DIRECTORY_NO_VALUE = 2,
    TESMACLIENT_DIRECTORY_WRONG_TYPE = 3,
    TESMACLIENT_DIRECTORY_EMPTY = 4,
    TESMACLIENT_DIRECTORY_NOT_LOOKED_UP = 5
};

/* BindingDiagnostics, field for field. */
typedef struct tesmaclient_binding_diagnostics {
    /* Set by the caller to sizeof(tesmaclient_binding_diagnostics). */
    unsigned int size;
    unsigned int installation_error;
    unsigned int directory_state;
    const unsigned short* registry_key;
    const unsigned short* registry_value;
    const unsigned short* directory;
    const unsigned short* library_path;
    unsigned int load_error;
    const char* missing_entry_point;
} tesmaclient_binding_diagnostics;

/* Fills out, whose size the caller set; 0 (and nothing written) when size is
   smaller than this version's structure or out is null. */
KZ_TESMACLIENT_API int KZ_TESMACLIENT_CDECL
tesmaclient_get_binding_diagnostics(tesmaclient_binding_diagnostics* out);
/* The installation message's locale that fits tag best, as
   MatchInstallationLocale: tag itself (case and '-' or '_' aside), else the
   same language's listed region ("fr-CA" gives "fr-FR"), else "en-US", also
   for a null tag. Never null; a static ASCII text. */
KZ_TESMACLIENT_API const char* KZ_TESMACLIENT_CDECL tesmaclient_match_locale(const char* tag);

#ifdef __cplusplus
}
#endif
