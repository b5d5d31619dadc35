// getPKCS12: the valid personal certificate with a DN, and its key, as a PKCS#12 packet.
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

// Nine units, so that the copy's block (20 bytes) has a size no other block of these tests has.
const std::u16string kPassword = u"pässwörd1";

jbyteArray getPkcs12(World& world, const std::u16string& dn, const std::u16string& password) {
  return Java_quorlen_browser_IECertificateInterface_getPKCS12(
      world.env(), nullptr, world.jvm.newString(dn), world.jvm.newCharArray(password));
}

void expectPasswordWiped(const World& world, const std::u16string& password) {
  bool allZero = false;
  EXPECT_EQ(fakes::zeroedBlocksOfSize(world.windows, (password.size() + 1) * 2, &allZero), 1);
  EXPECT_TRUE(allZero) << "the password copy was freed before it was wiped";
}

TEST(GetPKCS12, ExportsEveryMatchAndReturnsTheLastOnesPacket) {
  World world;
  world.windows.personal = {certificate(u"CN=A", {1, 1}), certificate(u"CN=B", {2}),
                            certificate(u"CN=A", {3, 3, 3})};
  const jbyteArray result = getPkcs12(world, u"CN=A", kPassword);
  EXPECT_EQ(world.jvm.pending(), nullptr);
  EXPECT_EQ(world.jvm.byteArray(result), fakes::fakePacket(kPassword, {world.windows.personal[2]}));
  // Two exports of two calls each, every one with the password; each memory store force-closed.
  EXPECT_EQ(world.windows.exportPasswords,
            (std::vector<std::optional<std::u16string>>(4, kPassword)));
  int forced = 0;
  for (const fakes::Call& call : world.calls.calls()) {
    forced += call.name == "CertCloseStore" && call.detail == "flags=1" ? 1 : 0;
  }
  EXPECT_EQ(forced, 2);
  expectPasswordWiped(world, kPassword);
}

TEST(GetPKCS12, ThePasswordReachesTheExportAsATextEndingAtItsFirstU0000) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"", u""}, {u"\0xy"s, u""}, {u"ab\0cd"s, u"ab"}, {u"secret", u"secret"}};
  for (const auto& [password, seen] : cases) {
    World world;
    // A DN long enough that its text's block is larger than any password copy here.
    const std::u16string dn = u"CN=A name longer than any password";
    world.windows.personal = {certificate(dn, {1})};
    getPkcs12(world, dn, password);
    ASSERT_FALSE(world.windows.exportPasswords.empty());
    EXPECT_EQ(world.windows.exportPasswords[0], std::optional<std::u16string>(seen));
    expectPasswordWiped(world, password);
  }
}

TEST(GetPKCS12, NoValidMatchGivesNullAndNoException) {
  World world;
  world.windows.personal = {certificate(u"CN=A", {1}, fakes::kYearAgo, fakes::kNow - 1)};
  EXPECT_EQ(getPkcs12(world, u"CN=A", kPassword), nullptr);
  EXPECT_EQ(world.jvm.pending(), nullptr);
  EXPECT_TRUE(world.windows.exportPasswords.empty());
  expectPasswordWiped(world, kPassword);
}

using Failure = fakes::FailureCase;
// releases: the calls from the refused one to the failure exit's look at the pending exception.

TEST(GetPKCS12, EachFailureReachesJavaAsItsOwnExceptionAfterItsOwnReleases) {
  const char* io = "java/io/IOException";
  const char* oom = "java/lang/OutOfMemoryError";
  // Thrown, then the memory store force-closed, then the personal store closed by the exit.
  const Names throwThenClose{"FindClass", "ThrowNew", "CertCloseStore", "CertCloseStore",
                             "ExceptionOccurred"};
  const Names thrown{"FindClass", "ThrowNew", "CertCloseStore", "ExceptionOccurred"};
  const Failure failures[] = {
      {"no memory store", [](World& w) { w.calls.failCall("CertOpenStore"); }, io,
       "Could not create new certificate store.\n", thrown},
      {"the link is refused", [](World& w) { w.calls.failCall("CertAddCertificateLinkToStore"); },
       io, "Could not copy certificate and key to new certificate store.\n", throwThenClose},
      {"the size query is refused", [](World& w) { w.calls.failCall("PFXExportCertStore"); }, io,
       "Could not calculate needed size of PFX object.\n", throwThenClose},
      {"the later match has no private key",
       [](World& w) { w.windows.personal[2].key.reset(); },
       io,
       "Could not calculate needed size of PFX object.\n",
       {}},
      {"no memory for the packet", [](World& w) { w.calls.failCall("LocalAlloc", 3); }, oom,
       nullptr, throwThenClose},
      {"the export is refused",
       [](World& w) { w.calls.failCall("PFXExportCertStore", 2); },
       io,
       "Could not export PFX object.\n",
       {"FindClass", "ThrowNew", "CertCloseStore", "LocalFree", "CertCloseStore",
        "ExceptionOccurred"}},
      {"the JVM cannot make the array",
       [](World& w) { w.calls.failCall("NewByteArray"); },
       oom,
       nullptr,
       {"LocalFree", "CertCloseStore", "ExceptionOccurred"}},
      {"no memory for the password copy", [](World& w) { w.calls.failCall("LocalAlloc"); }, oom,
       nullptr, thrown},
      {"the password cannot be copied",
       [](World& w) { w.calls.failCall("GetCharArrayRegion"); },
       "java/lang/ArrayIndexOutOfBoundsException",
       nullptr,
       {"ExceptionCheck", "CertCloseStore", "ExceptionOccurred"}},
      {"no memory for a DN text", [](World& w) { w.calls.failCall("LocalAlloc", 2); }, oom, nullptr,
       thrown},
      {"the DN cannot be read",
       [](World& w) { w.calls.failCall("GetStringChars"); },
       oom,
       nullptr,
       {"CertCloseStore", "ExceptionOccurred"}},
      {"the store does not open",
       [](World& w) { w.calls.failCall("CertOpenSystemStoreW"); },
       io,
       "The system store did not open.\n",
       {}},
  };
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.name);
    World world;
    world.windows.personal = {certificate(u"CN=A", {1}), certificate(u"CN=B", {2}),
                              certificate(u"CN=A", {3})};
    failure.arrange(world);
    EXPECT_EQ(getPkcs12(world, u"CN=A", kPassword), nullptr);
    fakes::expectPending(world, failure.exceptionClass, failure.message);
    if (!failure.releases.empty()) {
      EXPECT_EQ(callsAfterFailure(world.calls, "ExceptionOccurred"), failure.releases);
    }
    if (world.calls.find("GetCharArrayRegion") >= 0) {
      expectPasswordWiped(world, kPassword);
    }
  }
}

TEST(GetPKCS12, TheFailureExitWipesThePasswordThenGivesTheDnBack) {
  World world;
  world.windows.personal = {certificate(u"CN=A", {1})};
  world.calls.failCall("NewByteArray");
  getPkcs12(world, u"CN=A", kPassword);
  EXPECT_EQ(callsAfterFailure(world.calls, "Throw"),
            (Names{"LocalFree", "CertCloseStore", "ExceptionOccurred", "ExceptionClear",
                   "LocalFree", "ReleaseStringChars", "Throw"}));
  expectPasswordWiped(world, kPassword);
}

TEST(GetPKCS12, ARefusedCloseAtTheEndIsReportedAfterThePasswordAndDnWereGivenBack) {
  World world;
  world.windows.personal = {certificate(u"CN=A", {1})};
  world.calls.failCall("CertCloseStore", 2);  // the first close is the memory store's
  EXPECT_NE(getPkcs12(world, u"CN=A", kPassword), nullptr);
  EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), "Unable to close the system store.\n");
  const Names names = world.calls.names();
  EXPECT_EQ(Names(names.end() - 5, names.end()),
            (Names{"LocalFree", "ReleaseStringChars", "CertCloseStore", "FindClass", "ThrowNew"}));
}

TEST(GetPKCS12, NullArgumentsAreRefusedBeforeTheStoreIsOpened) {
  for (const bool nullDn : {true, false}) {
    World world;
    Java_quorlen_browser_IECertificateInterface_getPKCS12(
        world.env(), nullptr, nullDn ? nullptr : world.jvm.newString(u"CN=A"),
        nullDn ? world.jvm.newCharArray(u"x") : nullptr);
    EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), "java/lang/NullPointerException");
    EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), nullDn ? "dn" : "password");
    EXPECT_EQ(world.windows.storesOpened, 0);
  }
}

}  // namespace
