#pragma once
// What <windows.h> declares of user32.dll, for programs built in MSVC mode without Microsoft's headers.
extern "C" __declspec(dllimport) int __stdcall MessageBoxW(void* window, const wchar_t* text, const wchar_t* caption,
                                                           unsigned int type);
#define MB_OK 0x00000000L
#define MB_ICONERROR 0x00000010L
