// listDNS: the DNs of the valid personal certificates, in store order.
#include <gtest/gtest.h>

#include <functional>

#include "jni/native_methods.h"
#include "tests/fakes/world.h"

namespace {

using namespace std::string_literals;
using fakes::certificate;
using fakes::kNow;
using fakes::kYearAgo;
using fakes::World;

jobjectArray listDns(World& world) {
  return Java_quorlen_browser_IECertificateInterface_listDNS(world.env(), nullptr);
}

TEST(ListDNS, ListsTheValidCertificatesInStoreOrderEachWithItsTrailingU0000) {
  World world;
  world.windows.personal = {
      certificate(u"CN=Zed", {1}),
      certificate(u"CN=Expired", {2}, kYearAgo, kNow - 1),
      certificate(u"CN=Not yet", {3}, kNow + 10000, kNow + fakes::kTicksPerDay),
      certificate(u"CN=Zed", {4}),
      certificate(u"C=US, O=\"Acme, Inc.\", CN=Jane Doe", {5}),
  };
  const jobjectArray result = listDns(world);
  EXPECT_EQ(world.jvm.pending(), nullptr);
  EXPECT_EQ(world.jvm.stringArray(result),
            (std::vector<std::u16string>{u"CN=Zed\0"s, u"CN=Zed\0"s,
                                         u"C=US, O=\"Acme, Inc.\", CN=Jane Doe\0"s}));
  EXPECT_EQ(world.jvm.classOf(result), "java/lang/String");
  EXPECT_EQ(world.calls.count("CertCloseStore"), 1);
}

TEST(ListDNS, GivesAnEmptyArrayWhenNoCertificateIsValid) {
  for (const bool empty : {true, false}) {
    World world;
    if (!empty) {
      world.windows.personal = {certificate(u"CN=Expired", {2}, kYearAgo, kNow - 1)};
    }
    const jobjectArray result = listDns(world);
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(world.jvm.stringArray(result).empty());
    EXPECT_EQ(world.jvm.pending(), nullptr);
  }
}

using Failure = fakes::FailureCase;

TEST(ListDNS, EachFailureReachesJavaAsItsOwnException) {
  const Failure failures[] = {
      {"the store does not open", [](World& w) { w.calls.failCall("CertOpenSystemStoreW"); },
       "java/io/IOException", "The system store did not open.\n"},
      {"an expired certificate of unknown encoding",
       [](World& w) {
         w.windows.personal.push_back(certificate(u"CN=Bad", {9}, kYearAgo, kNow - 1));
         w.windows.personal.back().encodingType = PKCS_7_ASN_ENCODING;
       },
       "java/io/IOException", "Don't understand certificate encoding!"},
      {"the clock fails to convert", [](World& w) { w.calls.failCall("SystemTimeToFileTime"); },
       "java/io/IOException", "Could not convert the current time."},
      {"no memory for a DN text", [](World& w) { w.calls.failCall("LocalAlloc", 2); },
       "java/lang/OutOfMemoryError", nullptr},
      {"the JVM cannot make a DN string", [](World& w) { w.calls.failCall("NewString", 2); },
       "java/lang/OutOfMemoryError", nullptr},
      {"the JVM cannot make the array", [](World& w) { w.calls.failCall("NewObjectArray"); },
       "java/lang/OutOfMemoryError", nullptr},
      {"java/lang/String is not found", [](World& w) { w.calls.failCall("FindClass"); },
       "java/lang/NoClassDefFoundError", nullptr},
      {"java/io/IOException is not found",
       [](World& w) {
         w.jvm.hideClass("java/io/IOException");
         w.calls.failCall("SystemTimeToFileTime", 2);
       },
       "java/lang/NoClassDefFoundError", "java/io/IOException"},
  };
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.name);
    World world;
    world.windows.personal.insert(world.windows.personal.begin(),
                                  {certificate(u"CN=One", {1}), certificate(u"CN=Two", {2})});
    failure.arrange(world);
    EXPECT_EQ(listDns(world), nullptr);
    fakes::expectPending(world, failure.exceptionClass, failure.message);
  }
}

TEST(ListDNS, TheFailureExitClosesTheStoreFirstAndLeavesTheExceptionPending) {
  World world;
  world.windows.personal = {certificate(u"CN=One", {1})};
  world.calls.failCall("NewString");
  listDns(world);
  const int close = world.calls.find("CertCloseStore", world.calls.find("NewString"));
  ASSERT_GE(close, 0);
  EXPECT_EQ(world.calls.calls()[static_cast<size_t>(close)].detail, "flags=0");
  const std::vector<std::string> names = world.calls.names();
  EXPECT_EQ(std::vector<std::string>(names.begin() + close, names.end()),
            (std::vector<std::string>{"CertCloseStore", "ExceptionOccurred"}));
}

TEST(ListDNS, AClockFailureEndsTheCountingWalkAtItsFirstCertificate) {
  World world;
  world.windows.personal = {certificate(u"CN=One", {1}), certificate(u"CN=Two", {2})};
  world.calls.failCall("SystemTimeToFileTime");
  listDns(world);
  EXPECT_EQ(world.calls.count("GetSystemTime"), 1);
  EXPECT_EQ(world.calls.count("NewStringUTF"), 0);
}

TEST(ListDNS, ARefusedCloseAtTheEndIsReportedAlthoughTheArrayIsReturned) {
  World world;
  world.windows.personal = {certificate(u"CN=One", {1})};
  world.calls.failCall("CertCloseStore");
  const jobjectArray result = listDns(world);
  EXPECT_NE(result, nullptr);
  ASSERT_NE(world.jvm.pending(), nullptr);
  EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), "Unable to close the system store.\n");
}

TEST(ListDNS, ACertificateBecomingValidBetweenTheWalksFailsTheCall) {
  World world;
  const std::uint64_t later = kNow + 10000;
  world.windows.personal = {certificate(u"CN=One", {1}),
                            certificate(u"CN=Starting", {2}, later, later + 10000)};
  // Two readings in the counting walk, then the clock moves on.
  world.windows.clock = {kNow, kNow, later};
  EXPECT_EQ(listDns(world), nullptr);
  EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), "java/lang/ArrayIndexOutOfBoundsException");
}

TEST(ListDNS, ACertificateExpiringBetweenTheWalksLeavesTheEmptyString) {
  World world;
  const std::uint64_t later = kNow + 10000;
  world.windows.personal = {certificate(u"CN=One", {1}),
                            certificate(u"CN=Ending", {2}, kYearAgo, kNow)};
  world.windows.clock = {kNow, kNow, later};
  const jobjectArray result = listDns(world);
  EXPECT_EQ(world.jvm.pending(), nullptr);
  EXPECT_EQ(world.jvm.stringArray(result), (std::vector<std::u16string>{u"CN=One\0"s, u""}));
}

TEST(ListDNS, ACertificateAddedBetweenTheWalksFailsTheCallAndOneRemovedLeavesTheEmptyString) {
  for (const bool added : {true, false}) {
    SCOPED_TRACE(added ? "added" : "removed");
    World world;
    world.windows.personal = {certificate(u"CN=One", {1})};
    if (!added) {
      world.windows.personal.push_back(certificate(u"CN=Two", {2}));
    }
    world.windows.beforeWalk = [&world, added](int walk) {
      if (walk != 2) {
        return;
      }
      if (added) {
        world.windows.personal.push_back(certificate(u"CN=Two", {2}));
      } else {
        world.windows.personal.pop_back();
      }
    };
    const jobjectArray result = listDns(world);
    if (added) {
      EXPECT_EQ(result, nullptr);
      EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), "java/lang/ArrayIndexOutOfBoundsException");
    } else {
      EXPECT_EQ(world.jvm.stringArray(result), (std::vector<std::u16string>{u"CN=One\0"s, u""}));
    }
  }
}

}  // namespace
