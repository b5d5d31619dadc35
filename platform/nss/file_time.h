// FILETIME: 100-nanosecond intervals since 1601-01-01 UTC.
#pragma once

#include <prtime.h>

#include "platform/windows_declarations.h"

namespace varomel::nss {

// NSS's time (microseconds since 1970-01-01 UTC) as a FILETIME.
FILETIME fileTimeOf(PRTime time);

}  // namespace varomel::nss
