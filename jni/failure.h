// How every failure reaches Java: a pending exception, never an error code.
#pragma once

#include "platform/jni_api.h"
#include "platform/windows_api.h"

namespace varomel {

// The message each method throws when its failure exit finds no exception pending.
namespace general_failure {
constexpr char kListDns[] = "A problem Occured while trying to find a list of DNs";
constexpr char kGetCertificate[] = "A problem Occured while trying to export a certificate";
constexpr char kSignData[] = "A problem Occured while trying to sign data";
constexpr char kGetPkcs12[] = "A problem Occured while trying to export a certificate";
constexpr char kImportPkcs12[] =
    "A problem Occured while trying to import certificate to Internet Explorer";
}  // namespace general_failure

// Raises className with message. When the class cannot be found, the lookup's own error is the
// pending exception and nothing more is tried.
void throwJavaException(JNIEnv* env, const char* className, const char* message);

void throwIOException(JNIEnv* env, const char* message);
void throwOutOfMemoryError(JNIEnv* env, const char* message);

// A null argument would crash the JVM in the JNI call that takes it; it is refused up front.
void throwNullArgument(JNIEnv* env, const char* parameterName);

// Failure exit of a method that holds no Java resource: closes the store when it is open, then
// leaves a pending exception untouched or throws generalMessage.
void leavePendingOrFail(JNIEnv* env, HCERTSTORE store, const char* generalMessage);

// Closes the personal store on a failure path; nothing is reported if that close fails too.
void closeStoreOnFailure(HCERTSTORE store);

// Failure exit of a method that still holds Java resources: closes the store when it is open,
// takes and clears the pending exception so that the releases may call into the JVM, runs them,
// then throws the taken exception again, or generalMessage when none was pending.
template <typename Releases>
void rethrowOrFail(JNIEnv* env, HCERTSTORE store, const char* generalMessage, Releases&& releases) {
  closeStoreOnFailure(store);
  const jthrowable taken = env->ExceptionOccurred();
  env->ExceptionClear();
  releases();
  if (taken != nullptr) {
    env->Throw(taken);
  } else {
    throwIOException(env, generalMessage);
  }
}

}  // namespace varomel
