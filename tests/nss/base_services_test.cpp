// Clock and FILETIME conversions, the UTF-8 code page, the error texts.
#include <gtest/gtest.h>

#include <ctime>
#include <thread>

#include "tests/nss/tools.h"

namespace varomel::nss::testing {
namespace {

std::uint64_t joined(const FILETIME& time) {
  return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

TEST(FileTime, KnownDatesConvert) {
  struct Case {
    SYSTEMTIME time;
    std::uint64_t expected;
  };
  const Case cases[] = {
      {{1601, 1, 0, 1, 0, 0, 0, 0}, 0},
      {{1970, 1, 4, 1, 0, 0, 0, 0}, 116444736000000000ull},
      {{2000, 2, 2, 29, 12, 34, 56, 789}, 125963012967890000ull},
      {{2038, 1, 2, 19, 3, 14, 8, 0}, 137919572480000000ull},
  };
  for (const Case& c : cases) {
    FILETIME converted{};
    ASSERT_TRUE(SystemTimeToFileTime(&c.time, &converted));
    EXPECT_EQ(joined(converted), c.expected) << c.time.wYear;
  }
}

TEST(FileTime, ImpossibleDatesAreRefused) {
  for (const SYSTEMTIME time :
       {SYSTEMTIME{2001, 2, 0, 29, 0, 0, 0, 0}, SYSTEMTIME{2000, 13, 0, 1, 0, 0, 0, 0},
        SYSTEMTIME{1600, 12, 0, 31, 0, 0, 0, 0}, SYSTEMTIME{2000, 1, 0, 1, 24, 0, 0, 0}}) {
    FILETIME converted{};
    EXPECT_FALSE(SystemTimeToFileTime(&time, &converted)) << time.wYear << "-" << time.wMonth;
    EXPECT_EQ(GetLastError(), 0x80070057u);
  }
}

TEST(FileTime, SystemClockAgreesWithTheCLibrary) {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  FILETIME converted{};
  ASSERT_TRUE(SystemTimeToFileTime(&now, &converted));
  const std::uint64_t expected =
      (static_cast<std::uint64_t>(std::time(nullptr)) + 11'644'473'600ull) * 10'000'000ull;
  EXPECT_LT(
      joined(converted) > expected ? joined(converted) - expected : expected - joined(converted),
      20'000'000ull);
}

TEST(FileTime, CompareOrdersByBothHalves) {
  const FILETIME early{0xFFFFFFFF, 1};
  const FILETIME late{0, 2};
  EXPECT_EQ(CompareFileTime(&early, &late), -1);
  EXPECT_EQ(CompareFileTime(&late, &early), 1);
  EXPECT_EQ(CompareFileTime(&late, &late), 0);
}

TEST(CodePage, Utf8WithInvalidBytesBecomesReplacementCharacters) {
  const char text[] = "a\xC3\xA9\xF0\x9F\x98\x80\xFF\xC3z";
  WCHAR wide[16];
  const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 16);
  EXPECT_EQ(std::u16string(wide, static_cast<std::size_t>(units)),
            std::u16string(u"a\u00E9\U0001F600\uFFFD\uFFFDz\0", 8));
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), 8);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 3), 0);
  EXPECT_EQ(GetLastError(), 0x7Au);
}

TEST(ErrorText, EveryCodeOfThePlatformHasALineOfText) {
  for (const DWORD code :
       {0x2u, 0x6u, 0x56u, 0x7Au, 0xEAu, 0x13Du, 0x80070057u, 0x8007000Eu, 0x80090005u, 0x80090008u,
        0x80090016u, 0x80070005u, 0x8009200Bu, 0x80092004u, 0x80090020u}) {
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                       0x400, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    ASSERT_NE(length, 0u) << std::hex << code;
    const std::string line(text, length);
    EXPECT_GT(line.size(), 10u);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n") << line;
    LocalFree(text);
  }
}

TEST(ErrorText, UnknownCodeHasNone) {
  char* text = nullptr;
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                           0x12345678, 0x400, reinterpret_cast<LPSTR>(&text), 0, nullptr),
            0u);
  EXPECT_EQ(text, nullptr);
}

TEST(ErrorText, LastErrorBelongsToItsThread) {
  const SYSTEMTIME bad{2001, 2, 0, 30, 0, 0, 0, 0};
  FILETIME converted{};
  EXPECT_FALSE(SystemTimeToFileTime(&bad, &converted));
  DWORD other = 1;
  std::thread([&other] { other = GetLastError(); }).join();
  EXPECT_EQ(other, 0u);
  EXPECT_EQ(GetLastError(), 0x80070057u);
}

}  // namespace
}  // namespace varomel::nss::testing
