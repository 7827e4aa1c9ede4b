#pragma once

/* A 32-bit game links tesmaclient.dll, which loads the launcher's
   dovtesmaapi_r2.dll into the game's process; a 64-bit game links
   tesmaclient64.dll, the same interface, which reaches that 32-bit library
   through tesmaclient-host.exe lying beside it. C and C++ alike include this
   header, hence its C89 comments. */

/* With KZ_TESMACLIENT_AUTOLINK defined, an MSVC-built game needs no import
   library named in its project: the header names the one of its target. */
#if defined(_MSC_VER) && defined(KZ_TESMACLIENT_AUTOLINK) && !defined(KZ_TESMACLIENT_BUILD)
#if defined(_WIN64)
#pragma comment(lib, "tesmaclient64.lib")
#else
#pragma comment(lib, "tesmaclient.lib")
#endif
#endif

/* A game imports the classes and functions from tesmaclient.dll. The library
   itself maps the names to its own symbols, so it builds with the macro empty. */
#ifndef KZ_TESMACLIENT_API
#if defined(KZ_TESMACLIENT_BUILD) || !defined(_WIN32)
#define KZ_TESMACLIENT_API
#else
#define KZ_TESMACLIENT_API __declspec(dllimport)
#endif
#endif

/* The exported free functions are __cdecl whatever the game's default
   calling convention is (on x64, the one convention there is). */
#if defined(_WIN32)
#define KZ_TESMACLIENT_CDECL __cdecl
#else
#define KZ_TESMACLIENT_CDECL
#endif
