#include "jni/arguments.h"

namespace varomel {

RequestedDn takeRequestedDn(JNIEnv* env, jstring dn) {
  RequestedDn requested{env->GetStringChars(dn, nullptr), 0};
  if (requested.units != nullptr) {
    // The units are not terminated: the string's length bounds the text.
    const jsize end = env->GetStringLength(dn);
    while (requested.length < end && requested.units[requested.length] != 0) {
      ++requested.length;
    }
  }
  return requested;
}

void releaseRequestedDn(JNIEnv* env, jstring dn, const RequestedDn& requested) {
  env->ReleaseStringChars(dn, requested.units);
}

ByteElements takeByteElements(JNIEnv* env, jbyteArray array) {
  ByteElements bytes{env->GetByteArrayElements(array, nullptr), 0};
  if (bytes.elements != nullptr) {
    bytes.length = env->GetArrayLength(array);
  }
  return bytes;
}

void releaseByteElements(JNIEnv* env, jbyteArray array, const ByteElements& bytes) {
  if (bytes.elements != nullptr) {
    env->ReleaseByteArrayElements(array, bytes.elements, 0);
  }
}

}  // namespace varomel
