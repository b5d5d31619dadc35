// The current user's NSS shared database, opened once per process and kept open.
#pragma once

#include <pk11pub.h>

namespace varomel::nss {

// The database's key and certificate slot (not a new reference), or null with the last error
// set when the database cannot be opened or created.
PK11SlotInfo* personalSlot();

}  // namespace varomel::nss
