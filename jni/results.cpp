#include "jni/results.h"

#include <climits>

#include "jni/failure.h"

namespace varomel {

namespace {

constexpr char kTooLargeForJava[] = "The result is too large for a Java array.";

}  // namespace

jbyteArray newByteArrayResult(JNIEnv* env, const BYTE* bytes, DWORD size) {
  if (size > static_cast<DWORD>(INT_MAX)) {
    throwOutOfMemoryError(env, kTooLargeForJava);
    return nullptr;
  }
  const jsize length = static_cast<jsize>(size);
  const jbyteArray array = env->NewByteArray(length);
  if (array == nullptr) {
    return nullptr;
  }
  env->SetByteArrayRegion(array, 0, length, reinterpret_cast<const jbyte*>(bytes));
  return env->ExceptionCheck() ? nullptr : array;
}

jobjectArray newEmptyStringArray(JNIEnv* env, jsize count) {
  const jstring empty = env->NewStringUTF("");
  if (empty == nullptr) {
    return nullptr;
  }
  const jclass stringClass = env->FindClass("java/lang/String");
  if (stringClass == nullptr) {
    return nullptr;
  }
  return env->NewObjectArray(count, stringClass, empty);
}

jstring newStringOfUnits(JNIEnv* env, const WCHAR* units, DWORD count) {
  if (count > static_cast<DWORD>(INT_MAX)) {
    throwOutOfMemoryError(env, kTooLargeForJava);
    return nullptr;
  }
  return env->NewString(reinterpret_cast<const jchar*>(units), static_cast<jsize>(count));
}

bool storeArrayElement(JNIEnv* env, jobjectArray array, jsize index, jstring element) {
  env->SetObjectArrayElement(array, index, element);
  return !env->ExceptionCheck();
}

}  // namespace varomel
