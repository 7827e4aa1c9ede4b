#pragma once
// What <windows.h> declares of user32.dll and kernel32.dll, for programs built in MSVC mode without Microsoft's
// headers: the types as Microsoft's headers spell them, so that a program compiles against either.
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned long DWORD;
typedef long LONG;
typedef wchar_t WCHAR;
typedef void* HANDLE;
#if defined(_WIN64)
typedef unsigned __int64 ULONG_PTR;
#else
typedef unsigned long ULONG_PTR;
#endif

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 258L
#define STILL_ACTIVE 259L
#define SYNCHRONIZE 0x00100000L
#define PROCESS_TERMINATE 0x0001
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#define ERROR_INVALID_DATA 13L
#define ERROR_PROCESS_ABORTED 1067L
#define MB_OK 0x00000000L
#define MB_ICONERROR 0x00000010L

typedef struct _STARTUPINFOW {
    DWORD cb;
    WCHAR* lpReserved;
    WCHAR* lpDesktop;
    WCHAR* lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
} STARTUPINFOW;

typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION;

extern "C" {
__declspec(dllimport) int __stdcall MessageBoxW(void* window, const wchar_t* text, const wchar_t* caption,
                                                unsigned int type);

__declspec(dllimport) BOOL __stdcall CloseHandle(HANDLE handle);
__declspec(dllimport) void __stdcall Sleep(DWORD milliseconds);
__declspec(dllimport) DWORD __stdcall GetCurrentProcessId();
__declspec(dllimport) DWORD __stdcall GetModuleFileNameW(void* module, WCHAR* path, DWORD size);
__declspec(dllimport) BOOL __stdcall SetEnvironmentVariableW(const WCHAR* name, const WCHAR* value);
__declspec(dllimport) BOOL __stdcall CreateProcessW(const WCHAR* application, WCHAR* commandLine,
                                                    void* processSecurity, void* threadSecurity,
                                                    BOOL inheritHandles, DWORD flags, void* environment,
                                                    const WCHAR* directory, STARTUPINFOW* startup,
                                                    PROCESS_INFORMATION* started);
__declspec(dllimport) HANDLE __stdcall OpenProcess(DWORD access, BOOL inherit, DWORD processId);
__declspec(dllimport) BOOL __stdcall TerminateProcess(HANDLE process, unsigned int exitCode);
__declspec(dllimport) BOOL __stdcall GetExitCodeProcess(HANDLE process, DWORD* exitCode);
__declspec(dllimport) HANDLE __stdcall CreateEventW(void* security, BOOL manualReset, BOOL initialState,
                                                    const WCHAR* name);
__declspec(dllimport) BOOL __stdcall SetEvent(HANDLE event);
__declspec(dllimport) DWORD __stdcall WaitForSingleObject(HANDLE handle, DWORD milliseconds);
}
