// Fake Windows services: the personal store "MY" as a list of certificates a test describes, a
// clock, and the local heap, all observable. The functions themselves are the Windows names the
// library calls, defined in fake_windows.cpp and bound by the linker.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace fakes {

// 100-nanosecond ticks since 1601-01-01 00:00 UTC, as FILETIME counts them.
std::uint64_t ticksAt(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                      int millisecond = 0);
constexpr std::uint64_t kTicksPerDay = 864000000000ULL;

struct FakeCertificate {
  std::vector<std::uint8_t> encoded;
  std::u16string dn;  // the text CertNameToStrW gives for its subject
  std::uint64_t notBefore;
  std::uint64_t notAfter;
  DWORD encodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
};

struct FakeWindows {
  // The personal store, in store order. A walk sees it as it is at each enumeration call.
  std::vector<FakeCertificate> personal;
  // Successive readings of GetSystemTime, in whole milliseconds; the last one repeats.
  std::vector<std::uint64_t> clock{ticksAt(2026, 12, 11, 12)};
  // Run whenever a walk of a store starts from its first certificate, with the walk's number.
  std::function<void(int walk)> beforeWalk;

  // What happened.
  int storesOpened = 0;
  // Every heap block freed, with its contents at the moment it was freed.
  std::vector<std::vector<std::uint8_t>> freedBlocks;
};

FakeWindows& windows();

// A fresh world: the call log and the Windows state, and a check at its end that every store
// opened was closed exactly once and every heap block given back.
void resetWindows();
void expectWindowsLeftClean();

}  // namespace fakes
