// One test's world: a fresh fake JVM and fresh fake Windows services, checked when it ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_jvm.h"
#include "tests/fakes/fake_windows.h"

namespace fakes {

// The clock's default reading, and a window around it.
const std::uint64_t kNow = ticksAt(2026, 12, 11, 12);
const std::uint64_t kYearAgo = kNow - 365 * kTicksPerDay;
const std::uint64_t kYearAhead = kNow + 365 * kTicksPerDay;

inline FakeCertificate certificate(const std::u16string& dn, std::vector<std::uint8_t> encoded,
                                   std::uint64_t notBefore = kYearAgo,
                                   std::uint64_t notAfter = kYearAhead) {
  return FakeCertificate{std::move(encoded), dn, notBefore, notAfter};
}

class World {
 public:
  World() { resetWindows(); }
  ~World() { expectWindowsLeftClean(); }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  JNIEnv* env() { return jvm.env(); }

  FakeJvm jvm;
  FakeWindows& windows = fakes::windows();
  CallLog& calls = callLog();
};

}  // namespace fakes
