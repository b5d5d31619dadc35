#include "jni/password_copy.h"

#include "jni/failure.h"
#include "jni/memory.h"

namespace varomel {

bool makePasswordCopy(JNIEnv* env, jcharArray password, PasswordCopy* copy) {
  copy->length = env->GetArrayLength(password);
  const std::uint64_t units = static_cast<std::uint64_t>(copy->length) + 1;
  copy->units = static_cast<WCHAR*>(allocateBlock(units, sizeof(WCHAR)));
  if (copy->units == nullptr) {
    throwOutOfMemoryError(env, "Not enough memory for a copy of the password.");
    return false;
  }
  copy->units[copy->length] = 0;
  env->GetCharArrayRegion(password, 0, copy->length, reinterpret_cast<jchar*>(copy->units));
  return !env->ExceptionCheck();
}

void wipeAndFreePasswordCopy(PasswordCopy& copy) {
  if (copy.units == nullptr) {
    return;
  }
  // Volatile, so that the wipe of a block about to be freed is not optimised away.
  volatile WCHAR* unit = copy.units;
  for (jsize i = 0; i <= copy.length; ++i) {
    unit[i] = 0;
  }
  freeBlock(copy.units);
  copy.units = nullptr;
}

}  // namespace varomel
