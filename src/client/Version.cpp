#include "kz/tesmaclient/Version.h"

extern "C" unsigned int KZ_TESMACLIENT_CDECL kz_tesmaclient_version(void) noexcept
{
    return TESMACLIENT_VERSION;
}
