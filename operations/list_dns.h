#pragma once

#include "platform/jni_api.h"

namespace varomel {

// The DN texts of the valid personal certificates in store order, each with its trailing
// U+0000; null with an exception pending on failure.
jobjectArray listDNS(JNIEnv* env);

}  // namespace varomel
