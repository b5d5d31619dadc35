#include "platform/nss/file_time.h"

#include <ctime>

#include "platform/civil_date.h"
#include "platform/nss/last_error.h"

namespace varomel::nss {

namespace {

constexpr std::int64_t kIntervalsPerMicrosecond = 10;
constexpr std::int64_t kIntervalsPerMillisecond = 10'000;
constexpr std::int64_t kIntervalsPerSecond = 10'000'000;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kDaysFrom1601To1970 = 134'774;

FILETIME split(std::uint64_t intervals) {
  return FILETIME{static_cast<DWORD>(intervals & 0xFFFFFFFFu), static_cast<DWORD>(intervals >> 32)};
}

std::uint64_t joined(const FILETIME& time) {
  return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

bool isLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned daysInMonth(unsigned year, unsigned month) {
  constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isValid(const SYSTEMTIME& time) {
  return time.wYear >= 1601 && time.wYear <= 30827 && time.wMonth >= 1 && time.wMonth <= 12 &&
         time.wDay >= 1 && time.wDay <= daysInMonth(time.wYear, time.wMonth) && time.wHour < 24 &&
         time.wMinute < 60 && time.wSecond < 60 && time.wMilliseconds < 1000;
}

}  // namespace

FILETIME fileTimeOf(PRTime time) {
  const std::int64_t intervals =
      time * kIntervalsPerMicrosecond + kDaysFrom1601To1970 * 86'400 * kIntervalsPerSecond;
  return split(intervals < 0 ? 0 : static_cast<std::uint64_t>(intervals));
}

}  // namespace varomel::nss

extern "C" void WINAPI GetSystemTime(SYSTEMTIME* lpSystemTime) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm parts{};
  gmtime_r(&now.tv_sec, &parts);
  lpSystemTime->wYear = static_cast<WORD>(parts.tm_year + 1900);
  lpSystemTime->wMonth = static_cast<WORD>(parts.tm_mon + 1);
  lpSystemTime->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
  lpSystemTime->wDay = static_cast<WORD>(parts.tm_mday);
  lpSystemTime->wHour = static_cast<WORD>(parts.tm_hour);
  lpSystemTime->wMinute = static_cast<WORD>(parts.tm_min);
  lpSystemTime->wSecond = static_cast<WORD>(parts.tm_sec);
  lpSystemTime->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1'000'000);
}

extern "C" BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, FILETIME* lpFileTime) {
  using namespace varomel::nss;
  if (!isValid(*lpSystemTime)) {
    setLastError(error_code::kInvalidArgument);
    return FALSE;
  }
  const std::int64_t days =
      varomel::daysFromCivil(lpSystemTime->wYear, lpSystemTime->wMonth, lpSystemTime->wDay) +
      kDaysFrom1601To1970;
  const std::int64_t seconds = days * 86'400 + lpSystemTime->wHour * 3600 +
                               lpSystemTime->wMinute * 60 + lpSystemTime->wSecond;
  *lpFileTime = split(static_cast<std::uint64_t>(
      seconds * kIntervalsPerSecond + lpSystemTime->wMilliseconds * kIntervalsPerMillisecond));
  return TRUE;
}

extern "C" LONG WINAPI CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2) {
  using varomel::nss::joined;
  const std::uint64_t first = joined(*lpFileTime1);
  const std::uint64_t second = joined(*lpFileTime2);
  return first < second ? -1 : (first > second ? 1 : 0);
}
