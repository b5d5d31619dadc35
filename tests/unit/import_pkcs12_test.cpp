// importPKCS12: every certificate of a packet into the personal store.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "jni/native_methods.h"
#include "tests/fakes/world.h"

namespace {

using namespace std::string_literals;
using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;
using fakes::callsAfterFailure;
using fakes::certificate;
using fakes::World;

const Bytes kPacket{0x30, 0x82, 0x0a, 0x01, 0x02};
// Its copy's block, 22 bytes, has a size no other block of these tests has.
const std::u16string kPassword = u"pässwörd12";

void importPkcs12(World& world, const Bytes& packet, const std::u16string& password) {
  Java_quorlen_browser_IECertificateInterface_importPKCS12(
      world.env(), nullptr, world.jvm.newByteArray(packet), world.jvm.newCharArray(password));
}

void expectPasswordWiped(const World& world) {
  bool allZero = false;
  EXPECT_EQ(fakes::zeroedBlocksOfSize(world.windows, (kPassword.size() + 1) * 2, &allZero), 1);
  EXPECT_TRUE(allZero) << "the password copy was freed before it was wiped";
}

TEST(ImportPKCS12, AddsEveryCertificateOfThePacketReplacingOnesAlreadyThere) {
  World world;
  const fakes::FakeCertificate user = certificate(u"CN=User", {1, 1});
  const fakes::FakeCertificate authority =
      certificate(u"CN=Authority", {2, 2}, fakes::kYearAgo, fakes::kNow - 1);
  fakes::FakeCertificate oldUser = user;
  oldUser.key.reset();
  world.windows.personal = {certificate(u"CN=Other", {3}), oldUser};
  world.windows.packetCertificates = {user, authority};

  importPkcs12(world, kPacket, kPassword);
  EXPECT_EQ(world.jvm.pending(), nullptr);
  ASSERT_EQ(world.windows.imports.size(), 1u);
  EXPECT_EQ(world.windows.imports[0].packet, kPacket);
  EXPECT_EQ(world.windows.imports[0].flags, 0x1003u);
  EXPECT_EQ(world.windows.imports[0].password, std::optional<std::u16string>(kPassword));

  const auto& personal = world.windows.personal;
  ASSERT_EQ(personal.size(), 3u);
  EXPECT_EQ(personal[0].dn, u"CN=Other");
  EXPECT_EQ(personal[1].dn, u"CN=User");
  EXPECT_TRUE(personal[1].key.has_value()) << "the imported certificate replaces the old one";
  EXPECT_EQ(personal[2].dn, u"CN=Authority");

  const Names names = world.calls.names();
  EXPECT_EQ(Names(names.end() - 5, names.end()),
            (Names{"CertEnumCertificatesInStore", "CertCloseStore", "CertCloseStore",
                   "ReleaseByteArrayElements", "LocalFree"}));
  for (const fakes::Call& call : world.calls.calls()) {
    if (call.name == "CertCloseStore") {
      EXPECT_EQ(call.detail, "flags=1");
    }
  }
  expectPasswordWiped(world);
}

TEST(ImportPKCS12, AnEmptyPasswordOrOneStartingWithU0000IsNoPasswordAtAll) {
  const std::pair<std::u16string, std::optional<std::u16string>> cases[] = {
      {u"", std::nullopt},
      {u"\0ab"s, std::nullopt},
      {u"ab\0cd"s, u"ab"},
      {u"secret", u"secret"},
  };
  for (const auto& [password, passed] : cases) {
    World world;
    importPkcs12(world, kPacket, password);
    ASSERT_EQ(world.windows.imports.size(), 1u);
    EXPECT_EQ(world.windows.imports[0].password, passed);
  }
}

using Failure = fakes::FailureCase;
// releases: the calls from the refused one to the last one made.

TEST(ImportPKCS12, EachFailureReachesJavaAsItsOwnExceptionAfterItsOwnReleases) {
  const char* io = "java/io/IOException";
  const Failure failures[] = {
      {"the packet is refused",
       [](World& w) {
         w.windows.failureError = 0x56;
         w.windows.systemTexts[0x56] = "The specified network password is not correct.\r\n";
         w.calls.failCall("PFXImportCertStore");
       },
       io,
       "Windows threw exception: The specified network password is not correct.\r\n",
       {"GetLastError", "FormatMessageA", "LocalFree", "MultiByteToWideChar",
        "ReleaseByteArrayElements", "LocalFree", "FindClass", "ThrowNew"}},
      {"the second certificate is refused",
       [](World& w) { w.calls.failCall("CertAddCertificateContextToStore", 2); },
       io,
       "Windows threw exception: Access is denied.\r\n",
       {"GetLastError", "FormatMessageA", "LocalFree", "MultiByteToWideChar", "CertCloseStore",
        "CertCloseStore", "ReleaseByteArrayElements", "LocalFree", "FindClass", "ThrowNew"}},
      {"the personal store does not open",
       [](World& w) { w.calls.failCall("CertOpenSystemStoreW"); },
       io,
       "The system store did not open.\n",
       {"FindClass", "ThrowNew", "CertCloseStore", "ReleaseByteArrayElements", "LocalFree"}},
      {"the packet cannot be read",
       [](World& w) { w.calls.failCall("GetByteArrayElements"); },
       "java/lang/OutOfMemoryError",
       nullptr,
       {"ExceptionOccurred", "ExceptionClear", "LocalFree", "Throw"}},
      {"the password cannot be copied",
       [](World& w) { w.calls.failCall("GetCharArrayRegion"); },
       "java/lang/ArrayIndexOutOfBoundsException",
       nullptr,
       {"ExceptionCheck", "LocalFree"}},
      {"no memory for the password copy",
       [](World& w) { w.calls.failCall("LocalAlloc"); },
       "java/lang/OutOfMemoryError",
       nullptr,
       {"FindClass", "ThrowNew"}},
  };
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.name);
    World world;
    world.windows.packetCertificates = {certificate(u"CN=User", {1}),
                                        certificate(u"CN=Authority", {2})};
    failure.arrange(world);
    importPkcs12(world, kPacket, kPassword);
    fakes::expectPending(world, failure.exceptionClass, failure.message);
    const Names names = world.calls.names();
    EXPECT_EQ(Names(names.begin() + world.calls.failedAt() + 1, names.end()), failure.releases);
    if (world.calls.find("GetCharArrayRegion") >= 0) {
      expectPasswordWiped(world);
    }
  }
}

TEST(ImportPKCS12, AFailedAddKeepsTheCertificatesAddedBeforeIt) {
  World world;
  world.windows.packetCertificates = {certificate(u"CN=First", {1}), certificate(u"CN=Second", {2}),
                                      certificate(u"CN=Third", {3})};
  world.calls.failCall("CertAddCertificateContextToStore", 2);
  importPkcs12(world, kPacket, kPassword);
  ASSERT_EQ(world.windows.personal.size(), 1u);
  EXPECT_EQ(world.windows.personal[0].dn, u"CN=First");
  EXPECT_EQ(world.calls.count("CertAddCertificateContextToStore"), 2);
}

TEST(ImportPKCS12, NullArgumentsAreRefusedBeforeAnythingIsTaken) {
  for (const bool nullPacket : {true, false}) {
    World world;
    Java_quorlen_browser_IECertificateInterface_importPKCS12(
        world.env(), nullptr, nullPacket ? nullptr : world.jvm.newByteArray(kPacket),
        nullPacket ? world.jvm.newCharArray(u"x") : nullptr);
    EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), "java/lang/NullPointerException");
    EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), nullPacket ? "pkcs12" : "password");
    EXPECT_EQ(world.calls.count("GetArrayLength"), 0);
  }
}

}  // namespace
