#pragma once

#include "platform/jni_api.h"

namespace varomel {

// Adds every certificate of the packet, its key imported by the platform, to the personal
// store; returns with an exception pending on failure.
void importPKCS12(JNIEnv* env, jbyteArray pkcs12, jcharArray password);

}  // namespace varomel
