#pragma once

#include "jni/arguments.h"
#include "platform/jni_api.h"
#include "platform/windows_api.h"

namespace varomel {

// "MD4" and "SHA1", compared byte for byte, name their algorithms; every other text means MD5.
ALG_ID chooseHashAlgorithm(const char* name);

// What every signing of one call hashes, and with which algorithm.
struct SigningInput {
  ALG_ID algorithm;
  ByteElements data;
};

// Selection action: the certificate's private key signs the hash of the data; the signature, in
// the byte order the platform wrote it, becomes a new byte[] in *result.
bool signWithCertificate(JNIEnv* env, PCCERT_CONTEXT certificate, void* state, jbyteArray* result);

// The signature made with the last valid personal certificate whose DN is dn; null when none has
// it, or with an exception pending on failure.
jbyteArray signData(JNIEnv* env, jstring dn, jbyteArray data, jstring algorithm);

}  // namespace varomel
