// One ordered record of the calls made through the test doubles, JNI and platform alike, and the
// plan of which call is to fail.
#pragma once

#include <string>
#include <vector>

namespace fakes {

struct Call {
  std::string name;
  std::string detail;
};

class CallLog {
 public:
  void reset();

  // A call that cannot fail.
  void record(const std::string& name, const std::string& detail = "");

  // A call that can fail: recorded and counted; true when the plan makes this one fail.
  bool fallible(const std::string& name, const std::string& detail = "");

  // The ordinal-th fallible call of the run fails (1-based).
  void failFallibleCall(int ordinal);
  // The occurrence-th call named name fails (1-based); several such rules may stand.
  void failCall(const std::string& name, int occurrence = 1);

  int fallibleCount() const { return fallibleCount_; }
  // The name of the call the plan made fail, or empty.
  const std::string& failedCall() const { return failedCall_; }
  const std::string& failedDetail() const { return failedDetail_; }
  // Position in calls() of the call the plan made fail, or -1.
  int failedAt() const { return failedAt_; }

  const std::vector<Call>& calls() const { return calls_; }
  std::vector<std::string> names() const;
  int count(const std::string& name) const;
  // Position of the first call named name at or after from, or -1.
  int find(const std::string& name, int from = 0) const;

 private:
  struct Rule {
    std::string name;
    int occurrence;
  };
  std::vector<Call> calls_;
  std::vector<Rule> rules_;
  int failOrdinal_ = 0;
  int fallibleCount_ = 0;
  std::string failedCall_;
  std::string failedDetail_;
  int failedAt_ = -1;
};

// The log shared by both doubles.
CallLog& callLog();

}  // namespace fakes
