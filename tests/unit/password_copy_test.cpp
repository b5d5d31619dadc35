// The method's own copy of a char[] password.
#include <gtest/gtest.h>

#include "jni/memory.h"
#include "jni/password_copy.h"
#include "tests/fakes/world.h"

namespace {

using namespace std::string_literals;
using fakes::World;

TEST(PasswordCopy, HoldsTheUnitsUnchangedThenU0000AndIsWipedWholeBeforeItIsFreed) {
  const std::u16string passwords[] = {u"", u"ab\0c"s, u"\xD800x\0"s, u"pässwörd"};
  for (const std::u16string& password : passwords) {
    World world;
    varomel::PasswordCopy copy{nullptr, 0};
    ASSERT_TRUE(varomel::makePasswordCopy(world.env(), world.jvm.newCharArray(password), &copy));
    ASSERT_EQ(copy.length, static_cast<jsize>(password.size()));
    EXPECT_EQ(std::u16string(copy.units, copy.units + copy.length + 1), password + u'\0');
    varomel::wipeAndFreePasswordCopy(copy);
    EXPECT_EQ(copy.units, nullptr);
    ASSERT_EQ(world.windows.freedBlocks.size(), 1u);
    EXPECT_EQ(world.windows.freedBlocks[0],
              std::vector<std::uint8_t>((password.size() + 1) * sizeof(WCHAR), 0));
  }
}

TEST(PasswordCopy, AFailedCopyLeavesTheJvmsExceptionAndTheBlockToWipe) {
  World world;
  world.calls.failCall("GetCharArrayRegion");
  varomel::PasswordCopy copy{nullptr, 0};
  EXPECT_FALSE(varomel::makePasswordCopy(world.env(), world.jvm.newCharArray(u"abc"), &copy));
  EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), "java/lang/ArrayIndexOutOfBoundsException");
  ASSERT_NE(copy.units, nullptr);
  varomel::wipeAndFreePasswordCopy(copy);
  EXPECT_EQ(world.windows.freedBlocks.back(), std::vector<std::uint8_t>(8, 0));
}

TEST(PasswordCopy, NoMemoryForTheBlockIsAnOutOfMemoryError) {
  World world;
  world.calls.failCall("LocalAlloc");
  varomel::PasswordCopy copy{nullptr, 0};
  EXPECT_FALSE(varomel::makePasswordCopy(world.env(), world.jvm.newCharArray(u"abc"), &copy));
  EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), "java/lang/OutOfMemoryError");
  EXPECT_EQ(world.calls.count("GetCharArrayRegion"), 0);
  varomel::wipeAndFreePasswordCopy(copy);
}

TEST(AllocateBlock, ASizeBeyondTheAddressSpaceFailsWithoutAskingTheHeap) {
  World world;
  EXPECT_EQ(varomel::allocateBlock(SIZE_MAX / 2 + 1, 2), nullptr);
  EXPECT_EQ(varomel::allocateBlock(std::uint64_t{1} << 63, 4), nullptr);
  EXPECT_EQ(world.calls.count("LocalAlloc"), 0);
}

}  // namespace
