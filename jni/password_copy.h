// The method's own zero-terminated copy of a Java char[] password.
#pragma once

#include "platform/jni_api.h"
#include "platform/windows_api.h"

namespace varomel {

// length + 1 units: the array's units unchanged, then U+0000.
struct PasswordCopy {
  WCHAR* units;
  jsize length;
};

// False with an exception pending: the JVM's when the copy failed, an OutOfMemoryError when the
// block could not be had. Either way the copy is to be given back with wipeAndFreePasswordCopy.
bool makePasswordCopy(JNIEnv* env, jcharArray password, PasswordCopy* copy);

// Overwrites every unit, the terminator included, with zero, then frees the block.
void wipeAndFreePasswordCopy(PasswordCopy& copy);

}  // namespace varomel
