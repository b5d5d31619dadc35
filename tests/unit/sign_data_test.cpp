// signData: the data signed with the private key of the valid personal certificate with a DN.
#include <gtest/gtest.h>

#include <functional>

#include "jni/native_methods.h"
#include "operations/sign_data.h"
#include "tests/fakes/world.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;
using fakes::callsBetween;
using fakes::certificate;
using fakes::kNow;
using fakes::kYearAgo;
using fakes::World;

const Bytes kData{0x00, 0x10, 0xff, 0x7f};

jbyteArray signData(World& world, const std::u16string& dn, const Bytes& data,
                    const std::u16string& algorithm) {
  return Java_quorlen_browser_IECertificateInterface_signData(
      world.env(), nullptr, world.jvm.newString(dn), world.jvm.newByteArray(data),
      world.jvm.newString(algorithm));
}

fakes::FakeCertificate keyed(const std::u16string& dn, Bytes signature, BOOL mustRelease = TRUE,
                             DWORD keySpec = AT_SIGNATURE) {
  fakes::FakeCertificate made = certificate(dn, {0x30, 0x01});
  made.key->signature = std::move(signature);
  made.key->mustRelease = mustRelease;
  made.key->keySpec = keySpec;
  return made;
}

TEST(ChooseHashAlgorithm, OnlyTheExactTextsMD4AndSHA1NameTheirAlgorithms) {
  const std::pair<const char*, ALG_ID> cases[] = {
      {"MD4", CALG_MD4},  {"SHA1", CALG_SHA1},  {"MD5", CALG_MD5},   {"md4", CALG_MD5},
      {"sha1", CALG_MD5}, {"SHA-1", CALG_MD5},  {"SHA1 ", CALG_MD5}, {" MD4", CALG_MD5},
      {"", CALG_MD5},     {"SHA256", CALG_MD5}, {"MD", CALG_MD5},
  };
  for (const auto& [name, algorithm] : cases) {
    EXPECT_EQ(varomel::chooseHashAlgorithm(name), algorithm) << '"' << name << '"';
  }
}

TEST(SignData, EveryMatchIsSignedOverTheWholeArrayAndTheLastSignatureIsReturnedAsWritten) {
  World world;
  world.windows.personal = {keyed(u"CN=A", {1, 2, 3}, TRUE, AT_KEYEXCHANGE), keyed(u"CN=B", {9}),
                            keyed(u"CN=A", {0xfe, 0x01, 0x80}, FALSE, AT_SIGNATURE)};
  const jbyteArray result = signData(world, u"CN=A", kData, u"SHA1");
  EXPECT_EQ(world.jvm.pending(), nullptr);
  EXPECT_EQ(world.jvm.byteArray(result), (Bytes{0xfe, 0x01, 0x80}));
  ASSERT_EQ(world.windows.hashes.size(), 2u);
  for (const fakes::HashObject& hash : world.windows.hashes) {
    EXPECT_EQ(hash.algorithm, CALG_SHA1);
    EXPECT_EQ(hash.hashed, kData);
    EXPECT_EQ(hash.hashCalls, 1);
  }
  // The world checks at its end that only the first provider, whose flag says so, is released.
}

TEST(SignData, TheAlgorithmTextReachesTheHashAndIsGivenBackAtOnce) {
  const std::pair<std::u16string, ALG_ID> cases[] = {
      {u"MD4", CALG_MD4}, {u"SHA1", CALG_SHA1}, {u"MD5", CALG_MD5}, {u"sha1", CALG_MD5}};
  for (const auto& [name, algorithm] : cases) {
    World world;
    world.windows.personal = {keyed(u"CN=A", {1})};
    signData(world, u"CN=A", kData, name);
    ASSERT_EQ(world.windows.hashes.size(), 1u);
    EXPECT_EQ(world.windows.hashes[0].algorithm, algorithm);
    EXPECT_EQ(callsBetween(world.calls, "GetStringUTFChars", "GetByteArrayElements"),
              (Names{"ReleaseStringUTFChars", "GetByteArrayElements"}));
  }
}

TEST(SignData, AnEmptyArrayIsSignedOverZeroBytes) {
  World world;
  world.windows.personal = {keyed(u"CN=A", {7, 7})};
  EXPECT_EQ(world.jvm.byteArray(signData(world, u"CN=A", {}, u"MD5")), (Bytes{7, 7}));
  ASSERT_EQ(world.windows.hashes.size(), 1u);
  EXPECT_EQ(world.windows.hashes[0].hashCalls, 1);
  EXPECT_TRUE(world.windows.hashes[0].hashed.empty());
}

TEST(SignData, NoValidMatchGivesNullAndGivesEverythingBack) {
  World world;
  world.windows.personal = {keyed(u"CN=B", {1})};
  world.windows.personal.push_back(certificate(u"CN=A", {1}, kYearAgo, kNow - 1));
  EXPECT_EQ(signData(world, u"CN=A", kData, u"SHA1"), nullptr);
  EXPECT_EQ(world.jvm.pending(), nullptr);
  EXPECT_TRUE(world.windows.hashes.empty());
  EXPECT_EQ(callsBetween(world.calls, "CertCloseStore", "ReleaseStringChars"),
            (Names{"ReleaseByteArrayElements", "ReleaseStringChars"}));
}

using Failure = fakes::FailureCase;
// releases: the calls between the refused one and the throw or the exit.

TEST(SignData, EachFailureReachesJavaAsItsOwnExceptionAfterItsOwnReleases) {
  const char* io = "java/io/IOException";
  const Failure failures[] = {
      {"the later match has no private key",
       [](World& w) { w.windows.personal[2].key.reset(); },
       io,
       "Could not find private key",
       {}},
      {"the key is refused",
       [](World& w) { w.calls.failCall("CryptAcquireCertificatePrivateKey"); },
       io,
       "Could not find private key",
       {"FindClass"}},
      {"the provider has no such algorithm",
       [](World& w) { w.windows.personal[0].key->algorithms = {CALG_MD5}; },
       io,
       "Could not create a hash object",
       {}},
      {"the hash object is refused",
       [](World& w) { w.calls.failCall("CryptCreateHash"); },
       io,
       "Could not create a hash object",
       {"CryptReleaseContext", "FindClass"}},
      {"hashing is refused",
       [](World& w) { w.calls.failCall("CryptHashData"); },
       io,
       "Could not hash data",
       {"CryptDestroyHash", "CryptReleaseContext", "FindClass"}},
      {"the size query is refused",
       [](World& w) { w.calls.failCall("CryptSignHashW"); },
       io,
       "Getting signed certifcate size failed",
       {"CryptDestroyHash", "CryptReleaseContext", "FindClass"}},
      {"no memory for the signature",
       [](World& w) { w.calls.failCall("LocalAlloc", 2); },
       io,
       "Memory allocation error while signing.",
       {"CryptDestroyHash", "CryptReleaseContext", "FindClass"}},
      {"the signature is refused",
       [](World& w) { w.calls.failCall("CryptSignHashW", 2); },
       io,
       "Could not sign new certificate",
       {"CryptDestroyHash", "CryptReleaseContext", "LocalFree", "FindClass"}},
      {"the JVM cannot make the array",
       [](World& w) { w.calls.failCall("NewByteArray"); },
       "java/lang/OutOfMemoryError",
       nullptr,
       {"LocalFree", "CryptReleaseContext", "CertCloseStore"}},
      {"no memory for a DN text",
       [](World& w) { w.calls.failCall("LocalAlloc"); },
       io,
       "Memory allocation error while converting DN.",
       {}},
      {"the clock fails to convert",
       [](World& w) { w.calls.failCall("SystemTimeToFileTime"); },
       io,
       "Could not convert the current time.",
       {}},
      {"the algorithm cannot be read",
       [](World& w) { w.calls.failCall("GetStringUTFChars"); },
       "java/lang/OutOfMemoryError",
       nullptr,
       {}},
      {"the data cannot be read",
       [](World& w) { w.calls.failCall("GetByteArrayElements"); },
       "java/lang/OutOfMemoryError",
       nullptr,
       {}},
      {"the DN cannot be read",
       [](World& w) { w.calls.failCall("GetStringChars"); },
       "java/lang/OutOfMemoryError",
       nullptr,
       {}},
      {"the store does not open",
       [](World& w) { w.calls.failCall("CertOpenSystemStoreW"); },
       io,
       "The system store did not open.\n",
       {}},
  };
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.name);
    World world;
    world.windows.personal = {keyed(u"CN=A", {1}), keyed(u"CN=B", {2}), keyed(u"CN=A", {3})};
    failure.arrange(world);
    EXPECT_EQ(signData(world, u"CN=A", kData, u"SHA1"), nullptr);
    fakes::expectPending(world, failure.exceptionClass, failure.message);
    if (!failure.releases.empty()) {
      EXPECT_EQ(fakes::callsAfterFailure(world.calls, failure.releases.back()), failure.releases);
    }
  }
}

TEST(SignData, TheFailureExitClosesTheStoreThenGivesBackTheDataThenTheDn) {
  World world;
  world.windows.personal = {keyed(u"CN=A", {1})};
  world.windows.personal[0].key.reset();
  signData(world, u"CN=A", kData, u"MD5");
  EXPECT_EQ(callsBetween(world.calls, "ThrowNew", "Throw"),
            (Names{"CertCloseStore", "ExceptionOccurred", "ExceptionClear",
                   "ReleaseByteArrayElements", "ReleaseStringChars", "Throw"}));
}

TEST(SignData, ALaterFailureDiscardsAnEarlierSignature) {
  World world;
  world.windows.personal = {keyed(u"CN=A", {1}), keyed(u"CN=A", {2})};
  world.windows.personal[1].key.reset();
  EXPECT_EQ(signData(world, u"CN=A", kData, u"MD5"), nullptr);
  EXPECT_EQ(world.windows.hashes.size(), 1u);
  EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), "Could not find private key");
}

TEST(SignData, ARefusedCloseAtTheEndIsReportedBeforeTheArgumentsAreGivenBack) {
  World world;
  world.windows.personal = {keyed(u"CN=A", {1})};
  world.calls.failCall("CertCloseStore");
  EXPECT_NE(signData(world, u"CN=A", kData, u"MD5"), nullptr);
  EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), "Unable to close the system store.\n");
  EXPECT_EQ(callsBetween(world.calls, "ThrowNew", "ReleaseStringChars"),
            (Names{"ReleaseByteArrayElements", "ReleaseStringChars"}));
}

TEST(SignData, NullArgumentsAreRefusedBeforeTheStoreIsOpened) {
  const char* parameters[] = {"dn", "data", "algorithm"};
  for (const char* parameter : parameters) {
    World world;
    const std::string name = parameter;
    Java_quorlen_browser_IECertificateInterface_signData(
        world.env(), nullptr, name == "dn" ? nullptr : world.jvm.newString(u"CN=A"),
        name == "data" ? nullptr : world.jvm.newByteArray(kData),
        name == "algorithm" ? nullptr : world.jvm.newString(u"MD5"));
    EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), "java/lang/NullPointerException");
    EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), name);
    EXPECT_EQ(world.windows.storesOpened, 0);
  }
}

}  // namespace
