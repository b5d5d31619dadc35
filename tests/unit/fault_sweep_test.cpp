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

struct Scenario {
  const char* name;
  std::function<void(World&)> arrange;
  std::function<jobject(World&)> run;
};

struct Expected {
  const char* exceptionClass;
  const char* message;  // null: any message
};

// The exception each kind of failed call leaves for Java.
Expected expectedFor(const std::string& failedCall) {
  if (failedCall == "CertOpenSystemStoreW") {
    return {"java/io/IOException", "The system store did not open.\n"};
  }
  if (failedCall == "CertCloseStore") {
    return {"java/io/IOException", "Unable to close the system store.\n"};
  }
  if (failedCall == "SystemTimeToFileTime") {
    return {"java/io/IOException", "Could not convert the current time."};
  }
  if (failedCall == "FindClass") {
    return {"java/lang/NoClassDefFoundError", nullptr};
  }
  if (failedCall == "SetObjectArrayElement" || failedCall == "SetByteArrayRegion" ||
      failedCall == "GetCharArrayRegion") {
    return {"java/lang/ArrayIndexOutOfBoundsException", nullptr};
  }
  // Allocations by the JVM or from the local heap.
  return {"java/lang/OutOfMemoryError", nullptr};
}

int countFallibleCalls(const Scenario& scenario) {
  World world;
  scenario.arrange(world);
  const jobject result = scenario.run(world);
  EXPECT_NE(result, nullptr);
  EXPECT_EQ(world.jvm.pending(), nullptr);
  return world.calls.fallibleCount();
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
                 failed);
    ASSERT_FALSE(failed.empty());

    ASSERT_NE(world.jvm.pending(), nullptr);
    const Expected expected = expectedFor(failed);
    EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), expected.exceptionClass);
    if (expected.message != nullptr) {
      EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), expected.message);
    }
    // Only a refused close at the normal end still returns the result.
    EXPECT_EQ(result != nullptr, failed == "CertCloseStore");
    EXPECT_EQ(world.calls.count("CertCloseStore"), world.windows.storesOpened);
    EXPECT_EQ(world.jvm.heldAccesses(), 0);
  }
}

void threeCertificates(World& world) {
  world.windows.personal = {certificate(u"CN=A", {1, 2}),
                            certificate(u"CN=B", {3}, kYearAgo, kNow - 1),
                            certificate(u"CN=A", {4, 5, 6}), certificate(u"CN=C", {7})};
}

TEST(FaultSweep, ListDNS) {
  sweep({"listDNS of three valid certificates and an expired one", threeCertificates,
         [](World& world) -> jobject {
           return Java_quorlen_browser_IECertificateInterface_listDNS(world.env(), nullptr);
         }});
}

TEST(FaultSweep, GetCertificate) {
  sweep({"getCertificate matching two of four certificates", threeCertificates,
         [](World& world) -> jobject {
           return Java_quorlen_browser_IECertificateInterface_getCertificate(
               world.env(), nullptr, world.jvm.newString(u"CN=A"));
         }});
}

}  // namespace
