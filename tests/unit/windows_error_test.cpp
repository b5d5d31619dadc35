// The system's text for the last error, made into a Java exception message.
#include <gtest/gtest.h>

#include <functional>

#include "jni/windows_error.h"
#include "tests/fakes/world.h"

namespace {

using fakes::World;

struct ErrorCase {
  const char* name;
  std::function<void(World&)> arrange;
  std::string message;
};

TEST(FormatWindowsError, GivesTheSystemsTextAfterThePrefixAsJavaReadsIt) {
  const std::string prefix = "Windows threw exception: ";
  const ErrorCase cases[] = {
      {"a text ending with a line break", [](World&) {}, prefix + "Access is denied.\r\n"},
      {"no text for the code", [](World& w) { w.windows.systemTexts.clear(); },
       prefix + "error 0x00000005"},
      {"the system refusing to format", [](World& w) { w.calls.failCall("FormatMessageA"); },
       prefix + "error 0x00000005"},
      {"a code with the high bit set",
       [](World& w) {
         w.windows.systemTexts.clear();
         w.windows.failureError = 0x80092004;
       },
       prefix + "error 0x80092004"},
      // The fake's ANSI code page is Latin-1: \xE8 and \xE9 are è and é.
      {"a text outside ASCII",
       [](World& w) { w.windows.systemTexts[5] = "Acc\xE8s refus\xE9.\r\n"; },
       prefix + "Acc\xC3\xA8s refus\xC3\xA9.\r\n"},
      {"a text the code page refuses",
       [](World& w) {
         w.windows.systemTexts[5] = "Acc\xE8s.";
         w.calls.failCall("MultiByteToWideChar");
       },
       prefix + "Acc?s."},
      {"a text longer than the message may be",
       [](World& w) { w.windows.systemTexts[5] = std::string(300, 'x'); },
       prefix + std::string(199 - 25, 'x')},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    World world;
    c.arrange(world);
    // A refused call leaves the last error that formatWindowsError reads.
    world.calls.failCall("CertOpenStore");
    CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr);
    varomel::WindowsErrorText error;
    varomel::formatWindowsError(&error);
    EXPECT_EQ(std::string(error.text), c.message);
    EXPECT_TRUE(fakes::isModifiedUtf8(error.text));
    EXPECT_EQ(world.calls.names()[1], "GetLastError") << "the code is read before any other call";
  }
}

}  // namespace
