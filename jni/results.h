// Building the Java results of the native methods.
#pragma once

#include "platform/jni_api.h"
#include "platform/windows_api.h"

namespace varomel {

// A new byte[] holding size bytes, or null with an exception pending.
jbyteArray newByteArrayResult(JNIEnv* env, const BYTE* bytes, DWORD size);

// A new String[] of count elements, each the empty string, or null with an exception pending.
jobjectArray newEmptyStringArray(JNIEnv* env, jsize count);

// A new string of exactly count units, U+0000 included, or null with an exception pending.
jstring newStringOfUnits(JNIEnv* env, const WCHAR* units, DWORD count);

// Stores element at index; false with an exception pending when the JVM refused it.
bool storeArrayElement(JNIEnv* env, jobjectArray array, jsize index, jstring element);

}  // namespace varomel
