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

}  // namespace varomel
