#pragma once

// What a program compiled the way an MSVC game is compiled (clang in MSVC mode,
// started by the MSVC-mode runtime of cmake/msvc-mode, which calls its main)
// needs from the system: a few declarations of KERNEL32, ADVAPI32 and msvcrt
// functions, linked from mingw-w64's import libraries.

extern "C" {
__declspec(dllimport) void* __stdcall GetModuleHandleW(const wchar_t* name);
__declspec(dllimport) void* __stdcall LoadLibraryW(const wchar_t* path);
__declspec(dllimport) int __stdcall FreeLibrary(void* module);
__declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* name);
__declspec(dllimport) unsigned long __stdcall GetModuleFileNameW(void* module, wchar_t* path, unsigned long size);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);
__declspec(dllimport) long __stdcall RegCreateKeyExW(void* root, const wchar_t* subKey, unsigned long reserved,
                                                     wchar_t* className, unsigned long options,
                                                     unsigned long access, void* security, void** key,
                                                     unsigned long* disposition);
__declspec(dllimport) long __stdcall RegSetValueExW(void* key, const wchar_t* name, unsigned long reserved,
                                                    unsigned long type, const unsigned char* data,
                                                    unsigned long size);
__declspec(dllimport) long __stdcall RegDeleteKeyExW(void* root, const wchar_t* subKey, unsigned long view,
                                                     unsigned long reserved);
__declspec(dllimport) long __stdcall RegCloseKey(void* key);
__declspec(dllimport) void* __stdcall CreateThread(void* security, unsigned long stackSize,
                                                   unsigned long(__stdcall* start)(void*), void* parameter,
                                                   unsigned long flags, unsigned long* threadId);
__declspec(dllimport) unsigned long __stdcall WaitForMultipleObjects(unsigned long count, void* const* handles,
                                                                    int waitAll, unsigned long milliseconds);
__declspec(dllimport) int __stdcall CloseHandle(void* handle);
__declspec(dllimport) void* __stdcall CreateEventW(void* security, int manualReset, int initialState,
                                                  const wchar_t* name);
__declspec(dllimport) int __stdcall SetEvent(void* event);
__declspec(dllimport) unsigned long __stdcall WaitForSingleObject(void* handle, unsigned long milliseconds);
__declspec(dllimport) unsigned long __stdcall TlsAlloc();
__declspec(dllimport) void* __stdcall TlsGetValue(unsigned long index);
__declspec(dllimport) int __stdcall TlsSetValue(unsigned long index, void* value);
__declspec(dllimport) unsigned long __stdcall GetTickCount();
__declspec(dllimport) const wchar_t* __stdcall GetCommandLineW();
__declspec(dllimport) void* __stdcall SetUnhandledExceptionFilter(long(__stdcall* filter)(void* pointers));
__declspec(dllimport) int __stdcall QueryPerformanceCounter(long long* count);
__declspec(dllimport) int __stdcall QueryPerformanceFrequency(long long* frequency);
int printf(const char* format, ...);
int fflush(void* stream);
[[noreturn]] void exit(int status);
void* malloc(decltype(sizeof(0)) size);
void free(void* block);
void* memset(void* block, int value, decltype(sizeof(0)) size);
// One block of the C runtime's heap, the one malloc takes from.
struct _heapinfo {
    int* _pentry;
    decltype(sizeof(0)) _size;
    int _useflag; // 1: in use
};
int _heapwalk(_heapinfo* entry); // -2: a block; -5: the end
}

namespace game {

// Sign-extended on x64, as Windows defines it.
inline void* const LocalMachine = reinterpret_cast<void*>(static_cast<__INTPTR_TYPE__>(static_cast<int>(0x80000002u)));
// The view a launcher writes, for 32-bit games (WOW6432Node on 64-bit Windows),
// also from a 64-bit game.
constexpr unsigned long Wow64View32 = 0x0200; // KEY_WOW64_32KEY

inline unsigned Length(const wchar_t* text)
{
    unsigned n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

// dst receives src after its current text; sizes are in characters.
inline void Append(wchar_t* dst, unsigned size, const wchar_t* src)
{
    unsigned n = Length(dst);
    for (unsigned i = 0; src[i] != 0 && n + 1 < size; ++i)
        dst[n++] = src[i];
    dst[n] = 0;
}

// The program's own directory followed by suffix.
inline void BesideProgram(wchar_t* path, unsigned size, const wchar_t* suffix)
{
    unsigned long n = GetModuleFileNameW(nullptr, path, size);
    while (n > 0 && path[n - 1] != L'\\')
        --n;
    path[n] = 0;
    Append(path, size, suffix);
}

// Whether option is one of the arguments main was given.
inline bool HasArgument(int argc, char** argv, const char* option)
{
    for (int i = 1; i < argc; ++i) {
        unsigned j = 0;
        while (option[j] != 0 && argv[i][j] == option[j])
            ++j;
        if (option[j] == 0 && argv[i][j] == 0)
            return true;
    }
    return false;
}

// Points the launcher's registry value at directory, or removes the key.
inline void SetLauncherDirectory(const wchar_t* directory)
{
    const wchar_t* keyName = L"SOFTWARE\\Dovrix\\Launcher";
    if (directory == nullptr) {
        RegDeleteKeyExW(LocalMachine, keyName, Wow64View32, 0);
        return;
    }
    void* key = nullptr;
    RegCreateKeyExW(LocalMachine, keyName, 0, nullptr, 0, 0x20006 /* KEY_WRITE */ | Wow64View32, nullptr, &key,
                    nullptr);
    RegSetValueExW(key, L"InstallDir", 0, 1 /* REG_SZ */, reinterpret_cast<const unsigned char*>(directory),
                   (Length(directory) + 1) * 2);
    RegCloseKey(key);
}

// Prints UTF-16 text as far as it is ASCII; other characters as \uXXXX.
inline void PrintUtf16(const unsigned short* text)
{
    for (; *text != 0; ++text) {
        if (*text == '\n')
            printf("\\n");
        else if (*text == '\r')
            printf("\\r");
        else if (*text < 0x80)
            printf("%c", *text);
        else
            printf("\\u%04x", *text);
    }
}

} // namespace game
