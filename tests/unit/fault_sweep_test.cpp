// Every fallible call of a scenario, JNI and platform alike, made to fail in turn: whatever fails,
// the method returns with exactly the right exception pending and gives everything back.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include "jni/native_methods.h"
#include "tests/fakes/world.h"

namespace {

using fakes::certificate;
using fakes::kNow;
using fakes::kYearAgo;
using fakes::World;

struct Expected {
  bool succeeds;               // the failure is ignored and the call ends normally
  const char* exceptionClass;  // otherwise: the exception Java sees
  std::string messageStart;    // and how its message starts ("" for any message)
};

struct Scenario {
  const char* name;
  std::function<void(World&)> arrange;
  // The method's result; null for the import, which returns nothing.
  std::function<jobject(World&)> run;
  // What a refused heap allocation ends in for this method.
  Expected noMemory{false, "java/lang/OutOfMemoryError", ""};
  // The password's length in units, when the method takes one.
  int passwordUnits = -1;
  bool returnsResult = true;
};

// The exception each kind of refused call leaves for Java.
Expected expectedFor(const Scenario& scenario, const fakes::CallLog& calls) {
  const std::string& name = calls.failedCall();
  const std::string& detail = calls.failedDetail();
  const char* io = "java/io/IOException";
  if (name == "CertOpenSystemStoreW") return {false, io, "The system store did not open.\n"};
  if (name == "CertCloseStore" && detail == "flags=0") {
    return {false, io, "Unable to close the system store.\n"};
  }
  if (name == "CertCloseStore") return {true, nullptr, ""};
  if (name == "SystemTimeToFileTime") return {false, io, "Could not convert the current time."};
  if (name == "CryptAcquireCertificatePrivateKey") return {false, io, "Could not find private key"};
  if (name == "CryptCreateHash") return {false, io, "Could not create a hash object"};
  if (name == "CryptHashData") return {false, io, "Could not hash data"};
  if (name == "CryptSignHashW" && detail == "size") {
    return {false, io, "Getting signed certifcate size failed"};
  }
  if (name == "CryptSignHashW") return {false, io, "Could not sign new certificate"};
  if (name == "CertOpenStore") return {false, io, "Could not create new certificate store.\n"};
  if (name == "CertAddCertificateLinkToStore") {
    return {false, io, "Could not copy certificate and key to new certificate store.\n"};
  }
  if (name == "PFXExportCertStore" && detail == "size") {
    return {false, io, "Could not calculate needed size of PFX object.\n"};
  }
  if (name == "PFXExportCertStore") return {false, io, "Could not export PFX object.\n"};
  if (name == "PFXImportCertStore" || name == "CertAddCertificateContextToStore") {
    return {false, io, "Windows threw exception: Access is denied.\r\n"};
  }
  if (name == "LocalAlloc") return scenario.noMemory;
  if (name == "FindClass") return {false, "java/lang/NoClassDefFoundError", ""};
  if (name == "SetObjectArrayElement" || name == "SetByteArrayRegion" ||
      name == "GetCharArrayRegion") {
    return {false, "java/lang/ArrayIndexOutOfBoundsException", ""};
  }
  return {false, "java/lang/OutOfMemoryError", ""};  // the JVM's own allocations
}

int countFallibleCalls(const Scenario& scenario) {
  World world;
  scenario.arrange(world);
  const jobject result = scenario.run(world);
  EXPECT_EQ(result != nullptr, scenario.returnsResult);
  EXPECT_EQ(world.jvm.pending(), nullptr);
  return world.calls.fallibleCount();
}

void expectPasswordCopyWiped(const World& world, const Scenario& scenario) {
  if (scenario.passwordUnits < 0 || world.calls.find("GetCharArrayRegion") < 0) {
    return;  // no copy was made
  }
  bool allZero = false;
  const auto size = static_cast<std::size_t>(scenario.passwordUnits + 1) * sizeof(WCHAR);
  EXPECT_EQ(fakes::zeroedBlocksOfSize(world.windows, size, &allZero), 1);
  EXPECT_TRUE(allZero) << "the password copy was freed before it was wiped";
}

void sweep(const Scenario& scenario) {
  const int count = countFallibleCalls(scenario);
  ASSERT_GT(count, 0);
  std::cout << scenario.name << ": " << count << " fallible calls\n";
  for (int k = 1; k <= count; ++k) {
    World world;
    scenario.arrange(world);
    world.calls.failFallibleCall(k);
    const jobject result = scenario.run(world);
    const std::string failed = world.calls.failedCall();
    SCOPED_TRACE(std::string(scenario.name) + ", failing call " + std::to_string(k) + ", " +
                 failed + " " + world.calls.failedDetail());
    ASSERT_FALSE(failed.empty());

    const Expected expected = expectedFor(scenario, world.calls);
    if (expected.succeeds) {
      EXPECT_EQ(world.jvm.pending(), nullptr);
      EXPECT_EQ(result != nullptr, scenario.returnsResult);
    } else {
      ASSERT_NE(world.jvm.pending(), nullptr);
      EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), expected.exceptionClass);
      EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()).rfind(expected.messageStart, 0), 0u)
          << world.jvm.messageOf(world.jvm.pending());
      // Only a refused close at the normal end still returns the result.
      EXPECT_EQ(result != nullptr, scenario.returnsResult && failed == "CertCloseStore");
    }
    EXPECT_EQ(world.calls.count("CertCloseStore") - world.windows.storesOpened,
              world.calls.count("CertOpenStore") + world.calls.count("PFXImportCertStore") -
                  (failed == "CertOpenStore" || failed == "PFXImportCertStore" ? 1 : 0))
        << "every store opened is closed exactly once";
    EXPECT_EQ(world.jvm.heldAccesses(), 0);
    expectPasswordCopyWiped(world, scenario);
    // The world checks at its end: stores closed, blocks freed, hashes destroyed, providers
    // released as their flags say.
  }
}

// Two certificates with the DN, one other, one expired.
void fourCertificates(World& world) {
  world.windows.personal = {certificate(u"CN=A", {1, 2}),
                            certificate(u"CN=B", {3}, kYearAgo, kNow - 1),
                            certificate(u"CN=A", {4, 5, 6}), certificate(u"CN=C", {7})};
  world.windows.personal[2].key->mustRelease = FALSE;
}

const std::u16string kPassword = u"pässwörd12";
const int kPasswordUnits = 10;

TEST(FaultSweep, ListDNS) {
  sweep({"listDNS of three valid certificates and an expired one", fourCertificates,
         [](World& world) -> jobject {
           return Java_quorlen_browser_IECertificateInterface_listDNS(world.env(), nullptr);
         }});
}

TEST(FaultSweep, GetCertificate) {
  sweep({"getCertificate matching two of four certificates", fourCertificates,
         [](World& world) -> jobject {
           return Java_quorlen_browser_IECertificateInterface_getCertificate(
               world.env(), nullptr, world.jvm.newString(u"CN=A"));
         }});
}

TEST(FaultSweep, SignData) {
  sweep({"signData matching two of four certificates",
         fourCertificates,
         [](World& world) -> jobject {
           return Java_quorlen_browser_IECertificateInterface_signData(
               world.env(), nullptr, world.jvm.newString(u"CN=A"),
               world.jvm.newByteArray({1, 2, 3}), world.jvm.newString(u"SHA1"));
         },
         {false, "java/io/IOException", "Memory allocation error while "}});
}

TEST(FaultSweep, GetPKCS12) {
  sweep({"getPKCS12 matching two of four certificates",
         fourCertificates,
         [](World& world) -> jobject {
           return Java_quorlen_browser_IECertificateInterface_getPKCS12(
               world.env(), nullptr, world.jvm.newString(u"CN=A"),
               world.jvm.newCharArray(kPassword));
         },
         {false, "java/lang/OutOfMemoryError", ""},
         kPasswordUnits});
}

TEST(FaultSweep, ImportPKCS12) {
  sweep({"importPKCS12 of a packet with two certificates",
         [](World& world) {
           world.windows.packetCertificates = {certificate(u"CN=User", {1}),
                                               certificate(u"CN=Authority", {2})};
         },
         [](World& world) -> jobject {
           Java_quorlen_browser_IECertificateInterface_importPKCS12(
               world.env(), nullptr, world.jvm.newByteArray({0x30, 0x03}),
               world.jvm.newCharArray(kPassword));
           return nullptr;
         },
         {false, "java/lang/OutOfMemoryError", ""},
         kPasswordUnits,
         false});
}

}  // namespace
