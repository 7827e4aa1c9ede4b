#pragma once
// What <tlhelp32.h> declares of kernel32.dll, for programs built in MSVC mode without Microsoft's headers.
#include <windows.h>

#define TH32CS_SNAPPROCESS 0x00000002

typedef struct tagPROCESSENTRY32W {
    DWORD dwSize;
    DWORD cntUsage;
    DWORD th32ProcessID;
    ULONG_PTR th32DefaultHeapID;
    DWORD th32ModuleID;
    DWORD cntThreads;
    DWORD th32ParentProcessID;
    LONG pcPriClassBase;
    DWORD dwFlags;
    WCHAR szExeFile[MAX_PATH];
} PROCESSENTRY32W;

extern "C" {
__declspec(dllimport) HANDLE __stdcall CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
__declspec(dllimport) BOOL __stdcall Process32FirstW(HANDLE snapshot, PROCESSENTRY32W* entry);
__declspec(dllimport) BOOL __stdcall Process32NextW(HANDLE snapshot, PROCESSENTRY32W* entry);
}
