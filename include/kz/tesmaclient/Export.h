#pragma once

// A game imports the classes from tesmaclient.dll. The library itself maps
// the decorated names to its own symbols, so it builds with the macro empty.
#ifndef KZ_TESMACLIENT_API
#if defined(KZ_TESMACLIENT_BUILD) || !defined(_WIN32)
#define KZ_TESMACLIENT_API
#else
#define KZ_TESMACLIENT_API __declspec(dllimport)
#endif
#endif
