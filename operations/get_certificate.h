#pragma once

#include "platform/jni_api.h"
#include "platform/windows_api.h"

namespace varomel {

// Selection action: the certificate's encoded bytes as a new byte[] in *result.
bool copyEncodedCertificate(JNIEnv* env, PCCERT_CONTEXT certificate, void* state,
                            jbyteArray* result);

// The encoded bytes of the last valid personal certificate whose DN is dn; null when none has
// it, or with an exception pending on failure.
jbyteArray getCertificate(JNIEnv* env, jstring dn);

}  // namespace varomel
