// Taking Java arguments and giving them back.
#pragma once

#include "platform/jni_api.h"
#include "store/selection.h"

namespace varomel {

// The units of dn; null units with the JVM's exception pending when they cannot be had.
RequestedDn takeRequestedDn(JNIEnv* env, jstring dn);
void releaseRequestedDn(JNIEnv* env, jstring dn, const RequestedDn& requested);

}  // namespace varomel
