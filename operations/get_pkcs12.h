#pragma once

#include "platform/jni_api.h"
#include "platform/windows_api.h"

namespace varomel {

// Selection action: the certificate with its private key as a PKCS#12 packet protected by the
// password copy in state, as a new byte[] in *result.
bool exportToPfx(JNIEnv* env, PCCERT_CONTEXT certificate, void* state, jbyteArray* result);

// The packet of the last valid personal certificate whose DN is dn; null when none has it, or
// with an exception pending on failure.
jbyteArray getPKCS12(JNIEnv* env, jstring dn, jcharArray password);

}  // namespace varomel
