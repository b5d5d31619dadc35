// The current user's personal store "MY", opened afresh by every call and closed before it ends.
#pragma once

#include "platform/jni_api.h"
#include "platform/windows_api.h"

namespace varomel {

constexpr char kStoreDidNotOpen[] = "The system store did not open.\n";
constexpr char kStoreDidNotClose[] = "Unable to close the system store.\n";

// The store handle, or null with "The system store did not open.\n" thrown.
HCERTSTORE openPersonalStore(JNIEnv* env);

// Closes the store at a method's normal end; a refused close is reported but the method still
// returns its result.
void closePersonalStore(JNIEnv* env, HCERTSTORE store);

// Closes a store with CERT_CLOSE_STORE_FORCE_FLAG, the result ignored; a null store is skipped.
void forceCloseStore(HCERTSTORE store);

}  // namespace varomel
