// A fake Java virtual machine: a real JNIEnv function table over an object table of strings,
// arrays, classes and throwables, with one pending-exception slot.
//
// Only the functions the library relies on are implemented; any other aborts loudly. Every call
// goes to the shared call log, fallible ones can be made to fail the way the real JVM fails, and
// the test fails on a JNI call made while an exception is pending (other than the few JNI allows),
// on a release of something never taken or taken by another, on a release mode other than 0, and
// on anything still held when the fake is destroyed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/jni_api.h"

namespace fakes {

class FakeJvm {
 public:
  FakeJvm();
  ~FakeJvm();
  FakeJvm(const FakeJvm&) = delete;
  FakeJvm& operator=(const FakeJvm&) = delete;

  JNIEnv* env() { return &env_; }

  jstring newString(const std::u16string& units);
  jbyteArray newByteArray(const std::vector<std::uint8_t>& bytes);
  jcharArray newCharArray(const std::u16string& units);
  jthrowable newThrowable(const std::string& className, const std::string& message);

  // Makes FindClass of name fail as for a class missing from the class path.
  void hideClass(const std::string& name) { hiddenClasses_.insert(name); }
  void setPending(jthrowable throwable) { pending_ = throwable; }

  jthrowable pending() const { return pending_; }
  // The class name of a throwable or class, the element class of an array.
  std::string classOf(jobject object) const;
  std::string messageOf(jthrowable throwable) const;
  std::u16string stringValue(jobject string) const;
  std::vector<std::u16string> stringArray(jobject array) const;
  // The element identities of an Object[].
  std::vector<jobject> elements(jobject array) const;
  std::vector<std::uint8_t> byteArray(jobject array) const;

  // Accesses (string units, array elements) taken and not yet released.
  int heldAccesses() const { return static_cast<int>(accesses_.size()); }

 private:
  struct Object;
  struct Access;
  friend struct JniFunctions;

  Object* lookup(jobject handle, const char* function) const;
  jobject add(std::unique_ptr<Object> object);
  void raise(const std::string& className, const std::string& message);

  JNINativeInterface_ table_;
  JNIEnv env_;
  std::map<jobject, std::unique_ptr<Object>> objects_;
  std::map<const void*, std::unique_ptr<Access>> accesses_;
  std::set<std::string> hiddenClasses_;
  jthrowable pending_ = nullptr;
};

// Modified UTF-8, as the JVM hands out and takes texts.
std::string toModifiedUtf8(const std::u16string& units);
bool isModifiedUtf8(const std::string& bytes);

}  // namespace fakes
