// Each test starts from a "MY" store that Wine's crypt32 filled with the test data: two
// certificates valid now with their keys, one expired and one not yet valid, and Varomel.dll
// freshly loaded.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/fakes/fake_jvm.h"
#include "tests/windows/files.h"
#include "tests/windows/varomel_dll.h"
#include "tests/windows/wine_store.h"

namespace harness {

inline constexpr char16_t kPassword[] = u"secret";

class PersonalStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(emptyPersonalStore());
    ASSERT_NO_FATAL_FAILURE(importIntoPersonalStore(readFile("jane.p12"), kPassword));
    ASSERT_NO_FATAL_FAILURE(addToPersonalStore(readFile("expired.der")));
    ASSERT_NO_FATAL_FAILURE(importIntoPersonalStore(readFile("second.p12"), kPassword));
    ASSERT_NO_FATAL_FAILURE(addToPersonalStore(readFile("future.der")));
    ASSERT_NO_FATAL_FAILURE(loadVaromel(&dll));
  }

  void TearDown() override { unloadVaromel(&dll); }

  // Wine's DN text of the certificate the test data holds in file.
  static std::u16string dnOf(const std::string& file) {
    const Bytes encoded = readFile(file);
    for (const StoredCertificate& certificate : personalCertificates()) {
      if (certificate.encoded == encoded) {
        return certificate.dn;
      }
    }
    ADD_FAILURE() << file << " is not in the personal store";
    return u"";
  }

  void expectIOException(const std::string& message) {
    ASSERT_NE(jvm.pending(), nullptr) << "no exception, expected: " << message;
    EXPECT_EQ(jvm.classOf(jvm.pending()), "java/io/IOException");
    EXPECT_EQ(jvm.messageOf(jvm.pending()), message);
  }

  VaromelDll dll;
  fakes::FakeJvm jvm;
};

}  // namespace harness
