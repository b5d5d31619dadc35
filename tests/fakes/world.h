// One test's world: a fresh fake JVM and fresh fake Windows services, checked when it ends.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

// The calls made after the first call named name, up to and including the first named last.
inline std::vector<std::string> callsBetween(const CallLog& log, const std::string& name,
                                             const std::string& last) {
  const std::vector<std::string> names = log.names();
  const int first = log.find(name);
  const int end = log.find(last, first + 1);
  if (first < 0 || end < 0) {
    return {"<" + name + " or " + last + " missing>"};
  }
  return std::vector<std::string>(names.begin() + first + 1, names.begin() + end + 1);
}

// The calls made after the call the plan made fail, up to and including the first named last.
inline std::vector<std::string> callsAfterFailure(const CallLog& log, const std::string& last) {
  const std::vector<std::string> names = log.names();
  const int end = log.find(last, log.failedAt() + 1);
  if (log.failedAt() < 0 || end < 0) {
    return {"<no failure, or no " + last + " after it>"};
  }
  return std::vector<std::string>(names.begin() + log.failedAt() + 1, names.begin() + end + 1);
}

// Whether every freed heap block of this size held only zeros when it was freed, and how many
// there were.
inline int zeroedBlocksOfSize(const FakeWindows& windows, std::size_t size, bool* allZero) {
  int count = 0;
  *allZero = true;
  for (const auto& block : windows.freedBlocks) {
    if (block.size() == size) {
      ++count;
      for (const std::uint8_t byte : block) {
        *allZero = *allZero && byte == 0;
      }
    }
  }
  return count;
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

// One row of a table of failures: how to make the call fail, the exception Java is to see (any
// message when null), and the calls expected around the failure (not checked when empty).
struct FailureCase {
  const char* name;
  std::function<void(World&)> arrange;
  const char* exceptionClass;
  const char* message;
  std::vector<std::string> releases = {};
};

// An exception of exceptionClass is pending, with message unless that is null.
inline void expectPending(World& world, const char* exceptionClass, const char* message) {
  ASSERT_NE(world.jvm.pending(), nullptr) << "no exception pending";
  EXPECT_EQ(world.jvm.classOf(world.jvm.pending()), exceptionClass);
  if (message != nullptr) {
    EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), message);
  }
}

}  // namespace fakes
