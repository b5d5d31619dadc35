#include "jni/failure.h"

namespace varomel {

void throwJavaException(JNIEnv* env, const char* className, const char* message) {
  const jclass exceptionClass = env->FindClass(className);
  if (exceptionClass != nullptr) {
    env->ThrowNew(exceptionClass, message);
  }
}

void throwIOException(JNIEnv* env, const char* message) {
  throwJavaException(env, "java/io/IOException", message);
}

void throwOutOfMemoryError(JNIEnv* env, const char* message) {
  throwJavaException(env, "java/lang/OutOfMemoryError", message);
}

void throwNullArgument(JNIEnv* env, const char* parameterName) {
  throwJavaException(env, "java/lang/NullPointerException", parameterName);
}

void closeStoreOnFailure(HCERTSTORE store) {
  if (store != nullptr) {
    CertCloseStore(store, 0);
  }
}

void leavePendingOrFail(JNIEnv* env, HCERTSTORE store, const char* generalMessage) {
  closeStoreOnFailure(store);
  if (env->ExceptionOccurred() == nullptr) {
    throwIOException(env, generalMessage);
  }
}

}  // namespace varomel
