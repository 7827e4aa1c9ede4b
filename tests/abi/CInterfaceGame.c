/* A C game on the C interface, built as C89 in MSVC mode and by MinGW's GCC.
     --devlauncher   the development launcher is registered and answers inside
                     the request call (TESMA_DEVLAUNCHER_INLINE=1): every
                     request, a whole save-game session, then the neutral
                     values of save-game objects whose binding ended; then,
                     the library released with the last client, what follows;
     (no argument)   no launcher, the game removes the registration: the
                     neutral values of the client.
     --devlauncher --installation-error=N
                     the launcher is registered but this build cannot reach
                     it (N: 1, not in the registry view this library reads; 2,
                     its library does not load here, or for 64 bits the host
                     is not beside the library): the neutral values of
                     the client, and the diagnostics that tell why. A failed
                     binding lasts for the process, so nothing follows.
   Prints each failed check and exits with the count of failures. */

#include "kz/tesmaclient/tesmaclient_c.h"

__declspec(dllimport) const char* __stdcall GetCommandLineA(void);
__declspec(dllimport) void* __stdcall GetModuleHandleA(const char* name);
__declspec(dllimport) long __stdcall RegDeleteKeyExW(void* root, const unsigned short* subKey, unsigned long view,
                                                     unsigned long reserved);
int printf(const char* format, ...);

static unsigned int failures;

#define CHECK(condition) check((condition) != 0, #condition, __LINE__)
static void check(int passed, const char* what, int line)
{
    if (!passed) {
        printf("FAILED line %d: %s\n", line, what);
        ++failures;
    }
}

static int same_text(const unsigned short* wide, const char* ascii)
{
    if (wide == 0)
        return 0;
    while (*ascii != 0 && *wide == (unsigned char)*ascii) {
        ++wide;
        ++ascii;
    }
    return *wide == 0 && *ascii == 0;
}

static int same_ascii(const char* a, const char* b)
{
    while (*a != 0 && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

/* Where argument starts on the command line, or 0. */
static const char* find_argument(const char* argument)
{
    const char* line = GetCommandLineA();
    unsigned int i, j;
    for (i = 0; line[i] != 0; ++i) {
        for (j = 0; argument[j] != 0 && line[i + j] == argument[j]; ++j) {
        }
        if (argument[j] == 0)
            return line + i + j;
    }
    return 0;
}

static int has_argument(const char* argument)
{
    return find_argument(argument) != 0;
}

/* The N of --installation-error=N, 0 without it. */
static unsigned int expected_installation_error(void)
{
    const char* digits = find_argument("--installation-error=");
    unsigned int value = 0;
    while (digits != 0 && *digits >= '0' && *digits <= '9')
        value = value * 10 + (unsigned int)(*digits++ - '0');
    return value;
}

/* What one callback received; user points at it. */
struct answer {
    unsigned int calls;
    unsigned int request_id;
    unsigned int values[4];
    void* object;
    tesmaclient_client* destroy; /* destroyed by the callback when set */
    int result;
};

#define RECORD(user, id)                                                                                       \
    struct answer* answer = (struct answer*)(user);                                                          \
    ++answer->calls;                                                                                         \
    answer->request_id = (id)

static int KZ_TESMACLIENT_CDECL on_login(void* user, unsigned int id, unsigned int a, unsigned int b, unsigned int c)
{
    RECORD(user, id);
    answer->values[0] = a;
    answer->values[1] = b;
    answer->values[2] = c;
    return answer->result;
}

static int KZ_TESMACLIENT_CDECL on_value(void* user, unsigned int id, unsigned int a)
{
    RECORD(user, id);
    answer->values[0] = a;
    if (answer->destroy != 0)
        tesmaclient_destroy(answer->destroy);
    return answer->result;
}

static int KZ_TESMACLIENT_CDECL on_traffic(void* user, unsigned int id, unsigned int a, unsigned int b,
                                           unsigned int c, unsigned int d)
{
    RECORD(user, id);
    answer->values[0] = a;
    answer->values[1] = b;
    answer->values[2] = c;
    answer->values[3] = d;
    return answer->result;
}

static int KZ_TESMACLIENT_CDECL on_reader(void* user, unsigned int id, unsigned int a, tesmaclient_reader* reader)
{
    RECORD(user, id);
    answer->values[0] = a;
    answer->object = reader;
    return answer->result;
}

static int KZ_TESMACLIENT_CDECL on_writer(void* user, unsigned int id, unsigned int a, tesmaclient_writer* writer)
{
    RECORD(user, id);
    answer->values[0] = a;
    answer->object = writer;
    return answer->result;
}

static int KZ_TESMACLIENT_CDECL on_list(void* user, unsigned int id, tesmaclient_savegame_list* list,
                                        unsigned int count)
{
    RECORD(user, id);
    answer->values[0] = count;
    answer->object = list;
    return answer->result;
}

/* A read's or a write's report. */
struct report {
    unsigned int calls;
    unsigned int values[3];
};
static int KZ_TESMACLIENT_CDECL on_report(void* user, unsigned int id, unsigned int a, unsigned int b)
{
    struct report* report = (struct report*)user;
    ++report->calls;
    report->values[0] = id;
    report->values[1] = a;
    report->values[2] = b;
    return 1;
}

static void clear(struct answer* answer)
{
    struct answer empty = {0, 0, {0, 0, 0, 0}, 0, 0, 1};
    *answer = empty;
}

/* A client that does not reach the launcher, for installation error 1 (the
   registration removed first) or 2. */
static void no_launcher(unsigned int error)
{
    static const unsigned short key[] = {'K', 'E', 'Y', 0};
    static const unsigned short key_name[] = {'S', 'O', 'F', 'T', 'W', 'A', 'R', 'E', '\\', 'D', 'o', 'v', 'r',
                                              'i', 'x', '\\', 'L', 'a', 'u', 'n', 'c', 'h', 'e', 'r', 0};
    tesmaclient_binding_diagnostics diagnostics;
    struct answer answer;
    tesmaclient_client* client;
    const unsigned short* message;

    /* HKEY_LOCAL_MACHINE, sign-extended on x64 (through a pointer-wide
       integer, which C89 lacks: hence __extension__); the view the launcher
       writes (KEY_WOW64_32KEY), whatever this game's bits. */
    if (error == 1)
        RegDeleteKeyExW(__extension__(void*)(__INTPTR_TYPE__)(int)0x80000002u, key_name, 0x0200, 0);
    client = tesmaclient_create();
    clear(&answer);
    CHECK(tesmaclient_get_installation_error_num(client) == error);
    message = tesmaclient_get_installation_error_string(client, "en-US");
    CHECK(message != 0 && message[0] == 'D');
    CHECK(tesmaclient_get_request_unique_id(client) == 0xFFFFFFFFu);
    CHECK(tesmaclient_start_launcher(client, 1, 2, "c", "d") == 0);
    tesmaclient_start_process(client, key, key, key);
    CHECK(tesmaclient_get_loc_text(client, key, "en-US") == key);
    tesmaclient_get_login_details(client, 1, on_login, &answer);
    tesmaclient_get_tesma_server(client, 2, on_value, &answer, 3, 4);
    tesmaclient_get_savegame_reader(client, 3, on_reader, &answer, 5, 6);
    tesmaclient_get_savegame_writer(client, 4, on_writer, &answer, 7, 8, 1);
    tesmaclient_get_savegame_list(client, 5, on_list, &answer, 9);
    tesmaclient_remove_savegame(client, 6, on_value, &answer, 10, 11);
    tesmaclient_get_network_traffic(client, 7, on_traffic, &answer);
    tesmaclient_update(client);
    CHECK(answer.calls == 0);

    diagnostics.size = sizeof(diagnostics) - 1;
    CHECK(tesmaclient_get_binding_diagnostics(&diagnostics) == 0);
    CHECK(tesmaclient_get_binding_diagnostics(0) == 0);
    diagnostics.size = sizeof(diagnostics);
    CHECK(tesmaclient_get_binding_diagnostics(&diagnostics) == 1);
    CHECK(diagnostics.installation_error == error);
    if (error == 1)
        CHECK(diagnostics.directory_state == TESMACLIENT_DIRECTORY_NO_KEY && diagnostics.load_error == 0);
#if defined(_WIN64)
    else { /* no host to start: the binding names it and ERROR_FILE_NOT_FOUND */
        static const char host[] = "\\tesmaclient-host.exe";
        const unsigned short* path = diagnostics.library_path;
        unsigned int length = 0, i = 0;
        while (path != 0 && path[length] != 0)
            ++length;
        CHECK(diagnostics.directory_state == TESMACLIENT_DIRECTORY_NOT_LOOKED_UP && diagnostics.load_error == 2);
        CHECK(length >= sizeof(host) - 1);
        for (; length >= sizeof(host) - 1 && host[i] != 0; ++i)
            CHECK(path[length - (sizeof(host) - 1) + i] == (unsigned char)host[i]);
    }
#else
    else /* found, and not a library of this process's bits: ERROR_BAD_EXE_FORMAT */
        CHECK(diagnostics.directory_state == TESMACLIENT_DIRECTORY_FOUND && diagnostics.load_error == 193);
#endif
    CHECK(diagnostics.registry_key != 0 && diagnostics.library_path != 0 && diagnostics.missing_entry_point != 0);
    CHECK(same_ascii(tesmaclient_match_locale("fr-CA"), "fr-FR"));
    CHECK(same_ascii(tesmaclient_match_locale("xx-YY"), "en-US"));
    tesmaclient_destroy(client);
    tesmaclient_destroy(0);
    tesmaclient_reader_release(0);
    tesmaclient_writer_release(0);
    tesmaclient_savegame_list_release(0);
}

/* The entry of list whose save-game id is id, or count. */
static unsigned int find_entry(const tesmaclient_savegame_list* list, unsigned int count, unsigned int id)
{
    unsigned int i;
    for (i = 0; i < count && tesmaclient_savegame_list_get_savegame_id(list, i) != id; ++i) {
    }
    return i;
}

static void devlauncher(void)
{
    static const unsigned short name_key[] = {'D', 'E', 'V', 'L', 'A', 'U', 'N', 'C', 'H', 'E', 'R', '_', 'N',
                                              'A', 'M', 'E', 0};
    static const unsigned short save_name[] = {'C', ' ', 's', 'a', 'v', 'e', 0};
    static const char data[] = "written from C";
    const unsigned int product = 0xC0DE;
    char read_back[sizeof(data)] = {0};
    struct report write_report = {0, {0, 0, 0}};
    struct report read_report = {0, {0, 0, 0}};
    struct answer answer, other;
    tesmaclient_binding_diagnostics diagnostics;
    tesmaclient_client* client = tesmaclient_create();
    tesmaclient_client* doomed = tesmaclient_create();
    tesmaclient_writer* writer;
    tesmaclient_reader* reader;
    tesmaclient_savegame_list* list;
    unsigned int saved, entry, count;

    CHECK(tesmaclient_get_installation_error_num(client) == 0);
    CHECK(tesmaclient_get_installation_error_string(client, "en-US")[0] == 0);
    CHECK(tesmaclient_get_request_unique_id(client) != 0xFFFFFFFFu);
    CHECK(tesmaclient_start_launcher(client, 1, 2, "c", "d") == 1);
    tesmaclient_start_process(client, name_key, name_key, name_key);
    CHECK(same_text(tesmaclient_get_loc_text(client, name_key, "en-US"), "Development launcher"));
    diagnostics.size = sizeof(diagnostics);
    CHECK(tesmaclient_get_binding_diagnostics(&diagnostics) == 1);
    CHECK(diagnostics.installation_error == 0 && diagnostics.directory_state == TESMACLIENT_DIRECTORY_FOUND);
    CHECK(kz_tesmaclient_version() == TESMACLIENT_VERSION);

    /* Answered inside the call, to the user pointer given with the request. */
    clear(&answer);
    clear(&other);
    tesmaclient_get_login_details(client, 11, on_login, &answer);
    CHECK(answer.calls == 1 && answer.request_id == 11);
    CHECK(answer.values[0] == 1 && answer.values[1] == 1000 && answer.values[2] == 0);
    tesmaclient_get_tesma_server(client, 12, on_value, &other, 0, 0);
    CHECK(other.calls == 1 && other.request_id == 12 && other.values[0] == 0x7F000001u);
    clear(&answer);
    answer.values[3] = 99;
    tesmaclient_get_network_traffic(client, 13, on_traffic, &answer);
    CHECK(answer.calls == 1 && answer.request_id == 13 && answer.values[0] == 0 && answer.values[3] == 0);
    CHECK(other.calls == 1);

    /* A callback that destroys its own client. */
    clear(&answer);
    answer.destroy = doomed;
    tesmaclient_get_tesma_server(doomed, 14, on_value, &answer, 0, 0);
    CHECK(answer.calls == 1);

    /* Write, list, read back, remove. */
    clear(&answer);
    tesmaclient_get_savegame_writer(client, 21, on_writer, &answer, product, 0, 0);
    CHECK(answer.calls == 1 && answer.object != 0);
    writer = (tesmaclient_writer*)answer.object;
    saved = answer.values[0];
    CHECK(tesmaclient_writer_is_open(writer) == 1);
    CHECK(tesmaclient_writer_set_name(writer, save_name) == 1);
    CHECK(tesmaclient_writer_write_with_callback(writer, 22, on_report, &write_report, data, sizeof(data)) == 1);
    tesmaclient_update(client);
    CHECK(write_report.calls == 1 && write_report.values[0] == 22 && write_report.values[1] == 0 &&
          write_report.values[2] == sizeof(data));
    tesmaclient_writer_close(writer, 1);

    /* Refused: the id exists and may not be replaced; a save game unknown. */
    clear(&answer);
    tesmaclient_get_savegame_writer(client, 31, on_writer, &answer, product, saved, 0);
    CHECK(answer.calls == 1 && answer.values[0] == 2 && answer.object != 0);
    CHECK(tesmaclient_writer_is_open((tesmaclient_writer*)answer.object) == 0);
    CHECK(tesmaclient_writer_write_with_callback((tesmaclient_writer*)answer.object, 32, on_report, &write_report,
                                                 data, sizeof(data)) == 0);
    tesmaclient_writer_release((tesmaclient_writer*)answer.object);
    clear(&answer);
    tesmaclient_get_savegame_reader(client, 33, on_reader, &answer, product, saved + 1000);
    CHECK(answer.calls == 1 && answer.values[0] == 1 && answer.object != 0);
    CHECK(tesmaclient_reader_is_open((tesmaclient_reader*)answer.object) == 0);
    CHECK(tesmaclient_reader_read_with_callback((tesmaclient_reader*)answer.object, 34, on_report, &read_report, 0,
                                                read_back, sizeof(read_back)) == 0);
    tesmaclient_update(client);
    CHECK(write_report.calls == 1 && read_report.calls == 0);
    tesmaclient_reader_release((tesmaclient_reader*)answer.object);

    clear(&answer);
    tesmaclient_get_savegame_list(client, 23, on_list, &answer, product);
    CHECK(answer.calls == 1 && answer.request_id == 23 && answer.object != 0);
    list = (tesmaclient_savegame_list*)answer.object;
    count = answer.values[0];
    entry = find_entry(list, count, saved);
    CHECK(entry < count);
    CHECK(same_text(tesmaclient_savegame_list_get_name(list, entry), "C save"));
    CHECK(tesmaclient_savegame_list_get_product_id(list, entry) == product);
    CHECK(tesmaclient_savegame_list_get_size(list, entry) == sizeof(data));
    CHECK(tesmaclient_savegame_list_get_name(list, count) == 0);
    CHECK(tesmaclient_savegame_list_get_product_id(list, count) == 0xFFFFFFFFu);
    CHECK(tesmaclient_savegame_list_get_savegame_id(list, count) == 0xFFFFFFFFu);
    CHECK(tesmaclient_savegame_list_get_size(list, count) == 0);

    clear(&answer);
    tesmaclient_get_savegame_reader(client, 24, on_reader, &answer, product, saved);
    CHECK(answer.calls == 1 && answer.values[0] == sizeof(data) && answer.object != 0);
    reader = (tesmaclient_reader*)answer.object;
    CHECK(tesmaclient_reader_is_open(reader) == 1);
    CHECK(tesmaclient_reader_read_with_callback(reader, 25, on_report, &read_report, 0, read_back,
                                                sizeof(read_back)) == 1);
    tesmaclient_update(client);
    CHECK(read_report.calls == 1 && read_report.values[0] == 25 && read_report.values[2] == sizeof(data));
    CHECK(same_ascii(read_back, data));
    tesmaclient_reader_close(reader);

    clear(&answer);
    tesmaclient_remove_savegame(client, 26, on_value, &answer, product, saved);
    CHECK(answer.calls == 1 && answer.request_id == 26 && answer.values[0] == 0);
    clear(&other);
    tesmaclient_get_savegame_list(client, 27, on_list, &other, product);
    CHECK(other.calls == 1 && find_entry((tesmaclient_savegame_list*)other.object, other.values[0], saved) ==
                                  other.values[0]);
    tesmaclient_savegame_list_release((tesmaclient_savegame_list*)other.object);

    /* The last client gone, the objects it made give their neutral values. */
    tesmaclient_destroy(client);
    CHECK(tesmaclient_savegame_list_get_name(list, entry) == 0);
    CHECK(tesmaclient_savegame_list_get_product_id(list, entry) == 0xFFFFFFFFu);
    CHECK(tesmaclient_savegame_list_get_savegame_id(list, entry) == 0xFFFFFFFFu);
    CHECK(tesmaclient_savegame_list_get_size(list, entry) == 0);
    CHECK(tesmaclient_writer_set_name(writer, save_name) == 0);
    CHECK(tesmaclient_writer_is_open(writer) == 0 && tesmaclient_reader_is_open(reader) == 0);
    tesmaclient_writer_write_with_callback(writer, 28, on_report, &write_report, data, sizeof(data));
    tesmaclient_writer_close(writer, 1);
    tesmaclient_reader_read_with_callback(reader, 29, on_report, &read_report, 0, read_back, sizeof(read_back));
    tesmaclient_reader_close(reader);
    CHECK(write_report.calls == 1 && read_report.calls == 1);
    tesmaclient_savegame_list_release(list);
    tesmaclient_writer_release(writer);
    tesmaclient_reader_release(reader);
}

static unsigned int run(void)
{
    const unsigned int unreached = expected_installation_error();
    if (has_argument("--devlauncher") && unreached != 0) {
        no_launcher(unreached);
        printf("%u failed\n", failures);
        return failures;
    }
    if (has_argument("--devlauncher")) {
        devlauncher();
        /* Nothing may keep the library loaded, or the next client would carry on with it. */
        CHECK(GetModuleHandleA("dovtesmaapi_r2.dll") == 0);
    }
    no_launcher(1);
    printf("%u failed\n", failures);
    return failures;
}

int main(void)
{
    return (int)run();
}
