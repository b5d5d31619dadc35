// getCertificate: the encoded bytes of the valid personal certificate with a given DN.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "jni/native_methods.h"
#include "tests/fakes/world.h"

namespace {

using namespace std::string_literals;
using Bytes = std::vector<std::uint8_t>;
using fakes::certificate;
using fakes::kNow;
using fakes::kYearAgo;
using fakes::World;

jbyteArray getCertificate(World& world, jstring dn) {
  return Java_quorlen_browser_IECertificateInterface_getCertificate(world.env(), nullptr, dn);
}

TEST(GetCertificate, ADnFromTheListingSelectsItsCertificateWithOrWithoutTheTrailingU0000) {
  World world;
  world.windows.personal = {certificate(u"CN=Other", {9, 9}),
                            certificate(u"C=US, CN=Jane Doe", {0x30, 0x82, 0x01, 0x00, 0x7f})};
  const jobjectArray listed =
      Java_quorlen_browser_IECertificateInterface_listDNS(world.env(), nullptr);
  const jstring dn = static_cast<jstring>(world.jvm.elements(listed)[1]);
  ASSERT_EQ(world.jvm.stringValue(dn), u"C=US, CN=Jane Doe\0"s);

  for (const jstring requested : {dn, world.jvm.newString(u"C=US, CN=Jane Doe")}) {
    EXPECT_EQ(world.jvm.byteArray(getCertificate(world, requested)),
              (Bytes{0x30, 0x82, 0x01, 0x00, 0x7f}));
    EXPECT_EQ(world.jvm.pending(), nullptr);
  }
  EXPECT_EQ(world.windows.storesOpened, 3);
}

struct SelectionCase {
  const char* name;
  std::vector<fakes::FakeCertificate> store;
  std::u16string requested;
  std::optional<Bytes> expected;
};

TEST(GetCertificate, SelectsTheLastValidCertificateWithExactlyThatDn) {
  const auto expired = [](const std::u16string& dn, Bytes bytes) {
    return certificate(dn, std::move(bytes), kYearAgo, kNow - 1);
  };
  const SelectionCase cases[] = {
      {"an empty store", {}, u"CN=A", std::nullopt},
      {"no such DN", {certificate(u"CN=A", {1})}, u"CN=B", std::nullopt},
      {"other letter case", {certificate(u"CN=A, O=B", {1})}, u"cn=a, o=b", std::nullopt},
      {"other blanks", {certificate(u"CN=A, O=B", {1})}, u"CN=A,O=B", std::nullopt},
      {"two with the DN",
       {certificate(u"CN=A", {1}), certificate(u"CN=A", {2})},
       u"CN=A",
       Bytes{2}},
      {"expired first", {expired(u"CN=A", {1}), certificate(u"CN=A", {2})}, u"CN=A", Bytes{2}},
      {"expired last", {certificate(u"CN=A", {1}), expired(u"CN=A", {2})}, u"CN=A", Bytes{1}},
      {"only expired", {expired(u"CN=A", {1})}, u"CN=A", std::nullopt},
      {"text after a U+0000", {certificate(u"CN=A", {1})}, u"CN=A\0CN=B"s, Bytes{1}},
      {"the empty DN", {certificate(u"CN=A", {1}), certificate(u"", {2})}, u"", Bytes{2}},
      {"an empty certificate", {certificate(u"CN=A", {})}, u"CN=A", Bytes{}},
  };
  for (const SelectionCase& c : cases) {
    SCOPED_TRACE(c.name);
    World world;
    world.windows.personal = c.store;
    const jbyteArray result = getCertificate(world, world.jvm.newString(c.requested));
    EXPECT_EQ(world.jvm.pending(), nullptr);
    if (c.expected) {
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(world.jvm.byteArray(result), *c.expected);
    } else {
      EXPECT_EQ(result, nullptr);
    }
    EXPECT_EQ(world.calls.count("CertCloseStore"), 1);
  }
}

using Failure = fakes::FailureCase;

TEST(GetCertificate, EachFailureReachesJavaAsItsOwnExceptionAndNoResult) {
  const Failure failures[] = {
      {"the store does not open", [](World& w) { w.calls.failCall("CertOpenSystemStoreW"); },
       "java/io/IOException", "The system store did not open.\n"},
      {"the DN cannot be read", [](World& w) { w.calls.failCall("GetStringChars"); },
       "java/lang/OutOfMemoryError", nullptr},
      {"a certificate of unknown encoding after the match",
       [](World& w) {
         w.windows.personal.push_back(certificate(u"CN=Bad", {9}, kYearAgo, kNow - 1));
         w.windows.personal.back().encodingType = PKCS_7_ASN_ENCODING;
       },
       "java/io/IOException", "Don't understand certificate encoding!"},
      {"the clock fails to convert", [](World& w) { w.calls.failCall("SystemTimeToFileTime"); },
       "java/io/IOException", "Could not convert the current time."},
      {"no memory for a DN text", [](World& w) { w.calls.failCall("LocalAlloc", 2); },
       "java/lang/OutOfMemoryError", nullptr},
      {"the copy of the later match fails", [](World& w) { w.calls.failCall("NewByteArray", 2); },
       "java/lang/OutOfMemoryError", nullptr},
      {"the bytes cannot be stored", [](World& w) { w.calls.failCall("SetByteArrayRegion"); },
       "java/lang/ArrayIndexOutOfBoundsException", nullptr},
  };
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.name);
    World world;
    world.windows.personal.insert(world.windows.personal.begin(),
                                  {certificate(u"CN=A", {1}), certificate(u"CN=A", {2})});
    failure.arrange(world);
    EXPECT_EQ(getCertificate(world, world.jvm.newString(u"CN=A")), nullptr);
    fakes::expectPending(world, failure.exceptionClass, failure.message);
  }
}

TEST(GetCertificate, TheFailureExitClosesTheStoreThenGivesTheDnBackThenRethrows) {
  World world;
  world.windows.personal = {certificate(u"CN=A", {1})};
  world.calls.failCall("NewByteArray");
  getCertificate(world, world.jvm.newString(u"CN=A"));
  const int close = world.calls.find("CertCloseStore");
  const std::vector<std::string> names = world.calls.names();
  EXPECT_EQ(std::vector<std::string>(names.begin() + close, names.end()),
            (std::vector<std::string>{"CertCloseStore", "ExceptionOccurred", "ExceptionClear",
                                      "ReleaseStringChars", "Throw"}));
  EXPECT_EQ(world.calls.calls()[static_cast<size_t>(close)].detail, "flags=0");
}

TEST(GetCertificate, ADnThatCannotBeReadLeavesTheJvmsErrorUntouched) {
  World world;
  world.calls.failCall("GetStringChars");
  getCertificate(world, world.jvm.newString(u"CN=A"));
  const std::vector<std::string> names = world.calls.names();
  EXPECT_EQ(std::vector<std::string>(names.begin() + 1, names.end()),
            (std::vector<std::string>{"GetStringChars", "CertCloseStore", "ExceptionOccurred"}));
}

TEST(GetCertificate, ARefusedCloseAtTheEndIsReportedAfterTheDnWasGivenBack) {
  World world;
  world.windows.personal = {certificate(u"CN=A", {1})};
  world.calls.failCall("CertCloseStore");
  EXPECT_NE(getCertificate(world, world.jvm.newString(u"CN=A")), nullptr);
  EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), "Unable to close the system store.\n");
  EXPECT_LT(world.calls.find("ReleaseStringChars"), world.calls.find("CertCloseStore"));
}

TEST(GetCertificate, ANullDnIsRefusedBeforeTheStoreIsOpened) {
  World world;
  EXPECT_EQ(getCertificate(world, nullptr), nullptr);
  EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), "java/lang/NullPointerException");
  EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), "dn");
  EXPECT_EQ(world.windows.storesOpened, 0);
}

}  // namespace
