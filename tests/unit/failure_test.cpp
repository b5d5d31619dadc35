// The routines through which every failure reaches Java.
#include <gtest/gtest.h>

#include "jni/failure.h"
#include "tests/fakes/world.h"

namespace {

using fakes::World;

constexpr char kGeneral[] = "A problem Occured while trying to export a certificate";

TEST(ThrowIOException, RaisesIOExceptionWithTheMessageUnchanged) {
  World world;
  varomel::throwIOException(world.env(), "The system store did not open.\n");
  ASSERT_NE(world.jvm.pending(), nullptr);
  EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), "java/io/IOException");
  EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), "The system store did not open.\n");
}

TEST(ThrowIOException, LeavesTheLookupErrorWhenTheClassIsMissing) {
  World world;
  world.jvm.hideClass("java/io/IOException");
  varomel::throwIOException(world.env(), "ignored");
  EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), "java/lang/NoClassDefFoundError");
  EXPECT_EQ(world.calls.count("ThrowNew"), 0);
}

TEST(RethrowOrFail, ClosesTheStoreFirstThenRethrowsThePendingExceptionAfterTheReleases) {
  World world;
  const HCERTSTORE store = CertOpenSystemStoreW(0, u"MY");
  const jthrowable specific = world.jvm.newThrowable("java/io/IOException", "specific");
  world.jvm.setPending(specific);
  bool released = false;
  varomel::rethrowOrFail(world.env(), store, kGeneral, [&] {
    // The releases run with nothing pending.
    EXPECT_EQ(world.jvm.pending(), nullptr);
    released = true;
  });
  EXPECT_TRUE(released);
  EXPECT_EQ(world.jvm.pending(), specific);
  EXPECT_EQ(world.calls.names(),
            (std::vector<std::string>{"CertOpenSystemStoreW", "CertCloseStore", "ExceptionOccurred",
                                      "ExceptionClear", "Throw"}));
  EXPECT_EQ(world.calls.calls()[1].detail, "flags=0");
}

TEST(RethrowOrFail, ThrowsTheGeneralMessageWhenNothingIsPending) {
  World world;
  varomel::rethrowOrFail(world.env(), nullptr, kGeneral, [] {});
  EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), "java/io/IOException");
  EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), kGeneral);
  EXPECT_EQ(world.calls.count("CertCloseStore"), 0);
}

TEST(LeavePendingOrFail, LeavesAPendingExceptionUntouched) {
  World world;
  const HCERTSTORE store = CertOpenSystemStoreW(0, u"MY");
  const jthrowable error = world.jvm.newThrowable("java/lang/OutOfMemoryError", "");
  world.jvm.setPending(error);
  varomel::leavePendingOrFail(world.env(), store, kGeneral);
  EXPECT_EQ(world.jvm.pending(), error);
  EXPECT_EQ(world.calls.names(), (std::vector<std::string>{"CertOpenSystemStoreW", "CertCloseStore",
                                                           "ExceptionOccurred"}));
}

TEST(LeavePendingOrFail, ThrowsTheGeneralMessageWhenNothingIsPending) {
  World world;
  const HCERTSTORE store = CertOpenSystemStoreW(0, u"MY");
  world.calls.failCall("CertCloseStore");
  varomel::leavePendingOrFail(world.env(), store, kGeneral);
  // A refused close on the way out adds no message of its own.
  EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), kGeneral);
}

}  // namespace
