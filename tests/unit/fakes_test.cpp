// The checks of the fake JVM that the other tests lean on do fire.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "tests/fakes/world.h"

namespace {

using fakes::World;

TEST(FakeJvmDeathTest, AJniFunctionItDoesNotImplementAbortsTheRun) {
  EXPECT_DEATH(
      {
        World world;
        world.env()->GetVersion();
      },
      "does not implement");
}

TEST(FakeJvm, FailsTheTestOnAJniCallMadeWhileAnExceptionIsPending) {
  World world;
  world.jvm.setPending(world.jvm.newThrowable("java/lang/OutOfMemoryError", ""));
  EXPECT_NONFATAL_FAILURE(world.env()->NewStringUTF(""), "called while");
  world.env()->ExceptionCheck();
  world.env()->ExceptionClear();
}

TEST(FakeJvm, FailsTheTestOnUnmatchedOrWrongReleases) {
  EXPECT_NONFATAL_FAILURE(
      {
        World world;
        world.env()->GetStringChars(world.jvm.newString(u"x"), nullptr);
      },
      "without giving them back");
  EXPECT_NONFATAL_FAILURE(
      {
        World world;
        const jbyteArray array = world.jvm.newByteArray({1});
        jbyte* elements = world.env()->GetByteArrayElements(array, nullptr);
        world.env()->ReleaseByteArrayElements(array, elements, JNI_ABORT);
      },
      "mode 0");
  EXPECT_NONFATAL_FAILURE(
      {
        World world;
        const jstring one = world.jvm.newString(u"1");
        const jchar* units = world.env()->GetStringChars(one, nullptr);
        world.env()->ReleaseStringChars(world.jvm.newString(u"2"), units);
        world.env()->ReleaseStringChars(one, units);
      },
      "not taken from that object");
}

}  // namespace
