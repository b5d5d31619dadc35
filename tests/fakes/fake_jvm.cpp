#include "tests/fakes/fake_jvm.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "tests/fakes/call_log.h"

namespace fakes {

struct FakeJvm::Object {
  enum class Kind { kString, kByteArray, kCharArray, kObjectArray, kClass, kThrowable };
  Kind kind;
  std::u16string text;            // String, char[]
  std::vector<jbyte> bytes;       // byte[]
  std::vector<jobject> elements;  // Object[]
  std::string name;               // class name; class of a throwable; element class of Object[]
  std::string message;            // Throwable
};

struct FakeJvm::Access {
  enum class Kind { kStringChars, kStringUtf, kByteElements };
  Kind kind;
  jobject owner;
  std::vector<std::uint8_t> original;
  std::unique_ptr<std::uint8_t[]> buffer;
};

namespace {

constexpr char kOutOfMemory[] = "java/lang/OutOfMemoryError";
constexpr char kIndexOutOfBounds[] = "java/lang/ArrayIndexOutOfBoundsException";

// Any JNI function the fake does not implement ends the test run at once, naming its slot.
template <std::size_t Slot>
void unimplementedJniFunction() {
  std::fprintf(stderr,
               "fake JVM: the library called the JNI function in slot %zu of the function "
               "table, which the fake does not implement\n",
               Slot);
  std::abort();
}

template <std::size_t... Slots>
void fillWithUnimplemented(JNINativeInterface_* table, std::index_sequence<Slots...>) {
  using Function = void (*)();
  const Function functions[] = {&unimplementedJniFunction<Slots>...};
  static_assert(sizeof(functions) == sizeof(JNINativeInterface_));
  std::memcpy(static_cast<void*>(table), functions, sizeof(functions));
}

bool allowedWhilePending(const std::string& name) {
  return name == "ExceptionOccurred" || name == "ExceptionCheck" || name == "ExceptionClear" ||
         name == "ReleaseStringChars" || name == "ReleaseByteArrayElements";
}

}  // namespace

std::string toModifiedUtf8(const std::u16string& units) {
  std::string out;
  for (const char16_t unit : units) {
    if (unit != 0 && unit < 0x80) {
      out += static_cast<char>(unit);
    } else if (unit < 0x800) {
      out += static_cast<char>(0xC0 | (unit >> 6));
      out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (unit >> 12));
      out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return out;
}

namespace {

// Decodes modified UTF-8; false when the bytes are not a valid encoding.
bool fromModifiedUtf8(const std::string& bytes, std::u16string* units) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    const auto continuation = [&](std::size_t at) {
      return at < bytes.size() && (byte(at) & 0xC0) == 0x80;
    };
    const unsigned char lead = byte(i);
    if (lead != 0 && lead < 0x80) {
      units->push_back(lead);
      i += 1;
    } else if ((lead & 0xE0) == 0xC0 && continuation(i + 1)) {
      units->push_back(static_cast<char16_t>(((lead & 0x1F) << 6) | (byte(i + 1) & 0x3F)));
      i += 2;
    } else if ((lead & 0xF0) == 0xE0 && continuation(i + 1) && continuation(i + 2)) {
      units->push_back(static_cast<char16_t>(((lead & 0x0F) << 12) | ((byte(i + 1) & 0x3F) << 6) |
                                             (byte(i + 2) & 0x3F)));
      i += 3;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

bool isModifiedUtf8(const std::string& bytes) {
  std::u16string ignored;
  return fromModifiedUtf8(bytes, &ignored);
}

// The implemented JNI functions. Each enters through self(), which logs the call and checks the
// pending-exception rule.
struct JniFunctions {
  using Object = FakeJvm::Object;
  using Access = FakeJvm::Access;

  static FakeJvm& self(JNIEnv* env, const std::string& name, const std::string& detail = "") {
    FakeJvm& jvm = *static_cast<FakeJvm*>(env->functions->reserved0);
    callLog().record(name, detail);
    check(jvm, name);
    return jvm;
  }

  static FakeJvm& fallibleSelf(JNIEnv* env, const std::string& name, bool* fails,
                               const std::string& detail = "") {
    FakeJvm& jvm = *static_cast<FakeJvm*>(env->functions->reserved0);
    *fails = callLog().fallible(name, detail);
    check(jvm, name);
    return jvm;
  }

  static void check(const FakeJvm& jvm, const std::string& name) {
    if (jvm.pending_ != nullptr && !allowedWhilePending(name)) {
      ADD_FAILURE() << "JNI " << name << " called while " << jvm.classOf(jvm.pending_)
                    << " is pending";
    }
  }

  static jclass JNICALL findClass(JNIEnv* env, const char* name) {
    bool fails = false;
    FakeJvm& jvm = fallibleSelf(env, "FindClass", &fails, name);
    if (fails || jvm.hiddenClasses_.count(name) != 0) {
      jvm.raise("java/lang/NoClassDefFoundError", name);
      return nullptr;
    }
    auto object = std::make_unique<Object>();
    object->kind = Object::Kind::kClass;
    object->name = name;
    return static_cast<jclass>(jvm.add(std::move(object)));
  }

  static jint JNICALL throwNew(JNIEnv* env, jclass cls, const char* message) {
    FakeJvm& jvm = self(env, "ThrowNew", message == nullptr ? "" : message);
    Object* object = jvm.lookup(cls, "ThrowNew");
    if (object == nullptr || object->kind != Object::Kind::kClass || message == nullptr) {
      ADD_FAILURE() << "ThrowNew needs a class and a message";
      return -1;
    }
    if (!isModifiedUtf8(message)) {
      ADD_FAILURE() << "ThrowNew given a message that is not modified UTF-8";
    }
    jvm.pending_ = jvm.newThrowable(object->name, message);
    return 0;
  }

  static jint JNICALL throwThrowable(JNIEnv* env, jthrowable throwable) {
    FakeJvm& jvm = self(env, "Throw");
    Object* object = jvm.lookup(throwable, "Throw");
    if (object == nullptr || object->kind != Object::Kind::kThrowable) {
      ADD_FAILURE() << "Throw needs a throwable";
      return -1;
    }
    jvm.pending_ = throwable;
    return 0;
  }

  static jthrowable JNICALL exceptionOccurred(JNIEnv* env) {
    return self(env, "ExceptionOccurred").pending_;
  }

  static void JNICALL exceptionClear(JNIEnv* env) {
    self(env, "ExceptionClear").pending_ = nullptr;
  }

  static jboolean JNICALL exceptionCheck(JNIEnv* env) {
    return self(env, "ExceptionCheck").pending_ != nullptr ? JNI_TRUE : JNI_FALSE;
  }

  static Object* typed(FakeJvm& jvm, jobject handle, Object::Kind kind, const char* function) {
    Object* object = jvm.lookup(handle, function);
    if (object != nullptr && object->kind != kind) {
      ADD_FAILURE() << function << " given an object of the wrong kind";
      return nullptr;
    }
    return object;
  }

  static const std::uint8_t* take(FakeJvm& jvm, Access::Kind kind, jobject owner, const void* data,
                                  std::size_t size) {
    auto access = std::make_unique<Access>();
    access->kind = kind;
    access->owner = owner;
    // Exactly the bytes handed out and no terminator beyond them, so an overread is caught.
    access->buffer = std::make_unique<std::uint8_t[]>(size);
    if (size > 0) {
      std::memcpy(access->buffer.get(), data, size);
      const auto* bytes = static_cast<const std::uint8_t*>(data);
      access->original.assign(bytes, bytes + size);
    }
    const std::uint8_t* handedOut = access->buffer.get();
    jvm.accesses_[handedOut] = std::move(access);
    return handedOut;
  }

  static std::unique_ptr<Access> giveBack(FakeJvm& jvm, Access::Kind kind, jobject owner,
                                          const void* data, const char* function) {
    const auto found = jvm.accesses_.find(data);
    if (found == jvm.accesses_.end() || found->second->kind != kind ||
        found->second->owner != owner) {
      ADD_FAILURE() << function << " given something not taken from that object";
      return nullptr;
    }
    std::unique_ptr<Access> access = std::move(found->second);
    jvm.accesses_.erase(found);
    if (!access->original.empty() &&
        std::memcmp(access->buffer.get(), access->original.data(), access->original.size()) != 0) {
      ADD_FAILURE() << function << ": the library wrote to what the JVM handed out";
    }
    return access;
  }

  static const jchar* JNICALL getStringChars(JNIEnv* env, jstring string, jboolean* isCopy) {
    bool fails = false;
    FakeJvm& jvm = fallibleSelf(env, "GetStringChars", &fails);
    EXPECT_EQ(isCopy, nullptr);
    Object* object = typed(jvm, string, Object::Kind::kString, "GetStringChars");
    if (object == nullptr || fails) {
      jvm.raise(kOutOfMemory, "GetStringChars");
      return nullptr;
    }
    return reinterpret_cast<const jchar*>(take(jvm, Access::Kind::kStringChars, string,
                                               object->text.data(),
                                               object->text.size() * sizeof(jchar)));
  }

  static void JNICALL releaseStringChars(JNIEnv* env, jstring string, const jchar* chars) {
    FakeJvm& jvm = self(env, "ReleaseStringChars");
    giveBack(jvm, Access::Kind::kStringChars, string, chars, "ReleaseStringChars");
  }

  static jsize JNICALL getStringLength(JNIEnv* env, jstring string) {
    FakeJvm& jvm = self(env, "GetStringLength");
    Object* object = typed(jvm, string, Object::Kind::kString, "GetStringLength");
    return object == nullptr ? 0 : static_cast<jsize>(object->text.size());
  }

  static const char* JNICALL getStringUTFChars(JNIEnv* env, jstring string, jboolean* isCopy) {
    bool fails = false;
    FakeJvm& jvm = fallibleSelf(env, "GetStringUTFChars", &fails);
    EXPECT_EQ(isCopy, nullptr);
    Object* object = typed(jvm, string, Object::Kind::kString, "GetStringUTFChars");
    if (object == nullptr || fails) {
      jvm.raise(kOutOfMemory, "GetStringUTFChars");
      return nullptr;
    }
    const std::string text = toModifiedUtf8(object->text);
    return reinterpret_cast<const char*>(
        take(jvm, Access::Kind::kStringUtf, string, text.c_str(), text.size() + 1));
  }

  static void JNICALL releaseStringUTFChars(JNIEnv* env, jstring string, const char* chars) {
    FakeJvm& jvm = self(env, "ReleaseStringUTFChars");
    giveBack(jvm, Access::Kind::kStringUtf, string, chars, "ReleaseStringUTFChars");
  }

  static jsize JNICALL getArrayLength(JNIEnv* env, jarray array) {
    FakeJvm& jvm = self(env, "GetArrayLength");
    Object* object = jvm.lookup(array, "GetArrayLength");
    if (object == nullptr) {
      return 0;
    }
    switch (object->kind) {
      case Object::Kind::kByteArray:
        return static_cast<jsize>(object->bytes.size());
      case Object::Kind::kCharArray:
        return static_cast<jsize>(object->text.size());
      case Object::Kind::kObjectArray:
        return static_cast<jsize>(object->elements.size());
      default:
        ADD_FAILURE() << "GetArrayLength given something that is not an array";
        return 0;
    }
  }

  static jbyte* JNICALL getByteArrayElements(JNIEnv* env, jbyteArray array, jboolean* isCopy) {
    bool fails = false;
    FakeJvm& jvm = fallibleSelf(env, "GetByteArrayElements", &fails);
    EXPECT_EQ(isCopy, nullptr);
    Object* object = typed(jvm, array, Object::Kind::kByteArray, "GetByteArrayElements");
    if (object == nullptr || fails) {
      jvm.raise(kOutOfMemory, "GetByteArrayElements");
      return nullptr;
    }
    return reinterpret_cast<jbyte*>(const_cast<std::uint8_t*>(
        take(jvm, Access::Kind::kByteElements, array, object->bytes.data(), object->bytes.size())));
  }

  static void JNICALL releaseByteArrayElements(JNIEnv* env, jbyteArray array, jbyte* elements,
                                               jint mode) {
    FakeJvm& jvm = self(env, "ReleaseByteArrayElements", std::to_string(mode));
    EXPECT_EQ(mode, 0) << "byte array elements are given back with mode 0";
    giveBack(jvm, Access::Kind::kByteElements, array, elements, "ReleaseByteArrayElements");
  }

  static bool inBounds(jsize start, jsize length, std::size_t size) {
    return start >= 0 && length >= 0 &&
           static_cast<std::uint64_t>(start) + static_cast<std::uint64_t>(length) <= size;
  }

  static void JNICALL getCharArrayRegion(JNIEnv* env, jcharArray array, jsize start, jsize length,
                                         jchar* buffer) {
    bool fails = false;
    FakeJvm& jvm = fallibleSelf(env, "GetCharArrayRegion", &fails);
    Object* object = typed(jvm, array, Object::Kind::kCharArray, "GetCharArrayRegion");
    if (object == nullptr || fails || !inBounds(start, length, object->text.size())) {
      jvm.raise(kIndexOutOfBounds, "GetCharArrayRegion");
      return;
    }
    std::memcpy(buffer, object->text.data() + start, static_cast<std::size_t>(length) * 2);
  }

  static jbyteArray JNICALL newByteArray(JNIEnv* env, jsize length) {
    bool fails = false;
    FakeJvm& jvm = fallibleSelf(env, "NewByteArray", &fails, std::to_string(length));
    if (length < 0) {
      jvm.raise("java/lang/NegativeArraySizeException", std::to_string(length));
      return nullptr;
    }
    if (fails) {
      jvm.raise(kOutOfMemory, "NewByteArray");
      return nullptr;
    }
    return jvm.newByteArray(std::vector<std::uint8_t>(static_cast<std::size_t>(length)));
  }

  static void JNICALL setByteArrayRegion(JNIEnv* env, jbyteArray array, jsize start, jsize length,
                                         const jbyte* bytes) {
    bool fails = false;
    FakeJvm& jvm = fallibleSelf(env, "SetByteArrayRegion", &fails, std::to_string(length));
    Object* object = typed(jvm, array, Object::Kind::kByteArray, "SetByteArrayRegion");
    if (object == nullptr || fails || !inBounds(start, length, object->bytes.size())) {
      jvm.raise(kIndexOutOfBounds, "SetByteArrayRegion");
      return;
    }
    if (length > 0) {
      std::memcpy(object->bytes.data() + start, bytes, static_cast<std::size_t>(length));
    }
  }

  static jstring JNICALL newStringUTF(JNIEnv* env, const char* bytes) {
    bool fails = false;
    FakeJvm& jvm = fallibleSelf(env, "NewStringUTF", &fails, bytes == nullptr ? "" : bytes);
    std::u16string units;
    if (bytes == nullptr || !fromModifiedUtf8(bytes, &units)) {
      ADD_FAILURE() << "NewStringUTF needs a modified UTF-8 text";
      return nullptr;
    }
    if (fails) {
      jvm.raise(kOutOfMemory, "NewStringUTF");
      return nullptr;
    }
    return jvm.newString(units);
  }

  static jobjectArray JNICALL newObjectArray(JNIEnv* env, jsize length, jclass elementClass,
                                             jobject initial) {
    bool fails = false;
    FakeJvm& jvm = fallibleSelf(env, "NewObjectArray", &fails, std::to_string(length));
    Object* cls = typed(jvm, elementClass, Object::Kind::kClass, "NewObjectArray");
    if (cls == nullptr || length < 0 || fails) {
      jvm.raise(kOutOfMemory, "NewObjectArray");
      return nullptr;
    }
    auto object = std::make_unique<Object>();
    object->kind = Object::Kind::kObjectArray;
    object->name = cls->name;
    object->elements.assign(static_cast<std::size_t>(length), initial);
    return static_cast<jobjectArray>(jvm.add(std::move(object)));
  }

  static jstring JNICALL newString(JNIEnv* env, const jchar* units, jsize length) {
    bool fails = false;
    FakeJvm& jvm = fallibleSelf(env, "NewString", &fails, std::to_string(length));
    if (length < 0 || (units == nullptr && length > 0)) {
      ADD_FAILURE() << "NewString needs units and a length";
      return nullptr;
    }
    if (fails) {
      jvm.raise(kOutOfMemory, "NewString");
      return nullptr;
    }
    std::u16string text(static_cast<std::size_t>(length), u'\0');
    if (length > 0) {
      std::memcpy(text.data(), units, static_cast<std::size_t>(length) * 2);
    }
    return jvm.newString(text);
  }

  static void JNICALL setObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index,
                                            jobject value) {
    bool fails = false;
    FakeJvm& jvm = fallibleSelf(env, "SetObjectArrayElement", &fails, std::to_string(index));
    Object* object = typed(jvm, array, Object::Kind::kObjectArray, "SetObjectArrayElement");
    if (object == nullptr || fails || !inBounds(index, 1, object->elements.size())) {
      jvm.raise(kIndexOutOfBounds, "SetObjectArrayElement " + std::to_string(index));
      return;
    }
    object->elements[static_cast<std::size_t>(index)] = value;
  }
};

FakeJvm::FakeJvm() {
  fillWithUnimplemented(
      &table_, std::make_index_sequence<sizeof(JNINativeInterface_) / sizeof(void (*)())>());
  table_.reserved0 = this;
  table_.reserved1 = nullptr;
  table_.reserved2 = nullptr;
  table_.reserved3 = nullptr;
  table_.FindClass = &JniFunctions::findClass;
  table_.ThrowNew = &JniFunctions::throwNew;
  table_.Throw = &JniFunctions::throwThrowable;
  table_.ExceptionOccurred = &JniFunctions::exceptionOccurred;
  table_.ExceptionClear = &JniFunctions::exceptionClear;
  table_.ExceptionCheck = &JniFunctions::exceptionCheck;
  table_.GetStringChars = &JniFunctions::getStringChars;
  table_.ReleaseStringChars = &JniFunctions::releaseStringChars;
  table_.GetStringLength = &JniFunctions::getStringLength;
  table_.GetStringUTFChars = &JniFunctions::getStringUTFChars;
  table_.ReleaseStringUTFChars = &JniFunctions::releaseStringUTFChars;
  table_.GetArrayLength = &JniFunctions::getArrayLength;
  table_.GetByteArrayElements = &JniFunctions::getByteArrayElements;
  table_.ReleaseByteArrayElements = &JniFunctions::releaseByteArrayElements;
  table_.GetCharArrayRegion = &JniFunctions::getCharArrayRegion;
  table_.NewByteArray = &JniFunctions::newByteArray;
  table_.SetByteArrayRegion = &JniFunctions::setByteArrayRegion;
  table_.NewStringUTF = &JniFunctions::newStringUTF;
  table_.NewObjectArray = &JniFunctions::newObjectArray;
  table_.NewString = &JniFunctions::newString;
  table_.SetObjectArrayElement = &JniFunctions::setObjectArrayElement;
  env_.functions = &table_;
}

FakeJvm::~FakeJvm() {
  for (const auto& [data, access] : accesses_) {
    ADD_FAILURE() << "the library kept a Java "
                  << (access->kind == Access::Kind::kByteElements ? "array's elements"
                                                                  : "string's characters")
                  << " without giving them back";
  }
}

FakeJvm::Object* FakeJvm::lookup(jobject handle, const char* function) const {
  if (handle == nullptr) {
    ADD_FAILURE() << function << " given a null reference, which crashes a real JVM";
    return nullptr;
  }
  const auto found = objects_.find(handle);
  if (found == objects_.end()) {
    ADD_FAILURE() << function << " given a reference the JVM never made";
    return nullptr;
  }
  return found->second.get();
}

jobject FakeJvm::add(std::unique_ptr<Object> object) {
  const jobject handle = reinterpret_cast<jobject>(object.get());
  objects_[handle] = std::move(object);
  return handle;
}

void FakeJvm::raise(const std::string& className, const std::string& message) {
  pending_ = newThrowable(className, message);
}

jstring FakeJvm::newString(const std::u16string& units) {
  auto object = std::make_unique<Object>();
  object->kind = Object::Kind::kString;
  object->text = units;
  return static_cast<jstring>(add(std::move(object)));
}

jbyteArray FakeJvm::newByteArray(const std::vector<std::uint8_t>& bytes) {
  auto object = std::make_unique<Object>();
  object->kind = Object::Kind::kByteArray;
  object->bytes.assign(bytes.begin(), bytes.end());
  return static_cast<jbyteArray>(add(std::move(object)));
}

jcharArray FakeJvm::newCharArray(const std::u16string& units) {
  auto object = std::make_unique<Object>();
  object->kind = Object::Kind::kCharArray;
  object->text = units;
  return static_cast<jcharArray>(add(std::move(object)));
}

jthrowable FakeJvm::newThrowable(const std::string& className, const std::string& message) {
  auto object = std::make_unique<Object>();
  object->kind = Object::Kind::kThrowable;
  object->name = className;
  object->message = message;
  return static_cast<jthrowable>(add(std::move(object)));
}

std::string FakeJvm::classOf(jobject object) const {
  const Object* found = lookup(object, "classOf");
  return found == nullptr ? "" : found->name;
}

std::string FakeJvm::messageOf(jthrowable throwable) const {
  const Object* found = lookup(throwable, "messageOf");
  return found == nullptr ? "" : found->message;
}

std::u16string FakeJvm::stringValue(jobject string) const {
  const Object* found = lookup(string, "stringValue");
  return found == nullptr ? u"" : found->text;
}

std::vector<jobject> FakeJvm::elements(jobject array) const {
  const Object* found = lookup(array, "elements");
  return found == nullptr ? std::vector<jobject>{} : found->elements;
}

std::vector<std::u16string> FakeJvm::stringArray(jobject array) const {
  std::vector<std::u16string> strings;
  for (const jobject element : elements(array)) {
    strings.push_back(stringValue(element));
  }
  return strings;
}

std::vector<std::uint8_t> FakeJvm::byteArray(jobject array) const {
  const Object* found = lookup(array, "byteArray");
  return found == nullptr ? std::vector<std::uint8_t>{}
                          : std::vector<std::uint8_t>(found->bytes.begin(), found->bytes.end());
}

}  // namespace fakes
