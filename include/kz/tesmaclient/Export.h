#pragma once

/* tesmaclient.dll loads the launcher's dovtesmaapi_r2.dll into the game's
   process, and that library exists only for 32-bit Windows. C and C++ alike
   include this header, hence its C89 comments. */
#if defined(_WIN64)
#error "tesmaclient is a 32-bit library: the launcher's dovtesmaapi_r2.dll it loads is 32-bit. Build the game for 32-bit Windows (x86, i686)."
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
   calling convention is. */
#if defined(_WIN32)
#define KZ_TESMACLIENT_CDECL __cdecl
#else
#define KZ_TESMACLIENT_CDECL
#endif
