#include "tests/fakes/call_log.h"

namespace fakes {

void CallLog::reset() { *this = CallLog(); }

void CallLog::record(const std::string& name, const std::string& detail) {
  calls_.push_back({name, detail});
}

bool CallLog::fallible(const std::string& name, const std::string& detail) {
  record(name, detail);
  ++fallibleCount_;
  bool fails = fallibleCount_ == failOrdinal_;
  for (const Rule& rule : rules_) {
    fails = fails || (rule.name == name && count(name) == rule.occurrence);
  }
  if (fails && failedCall_.empty()) {
    failedCall_ = name;
    failedDetail_ = detail;
    failedAt_ = static_cast<int>(calls_.size()) - 1;
  }
  return fails;
}

void CallLog::failFallibleCall(int ordinal) { failOrdinal_ = ordinal; }

void CallLog::failCall(const std::string& name, int occurrence) {
  rules_.push_back({name, occurrence});
}

std::vector<std::string> CallLog::names() const {
  std::vector<std::string> result;
  for (const Call& call : calls_) {
    result.push_back(call.name);
  }
  return result;
}

int CallLog::count(const std::string& name) const {
  int n = 0;
  for (const Call& call : calls_) {
    n += call.name == name ? 1 : 0;
  }
  return n;
}

int CallLog::find(const std::string& name, int from) const {
  for (int i = from; i < static_cast<int>(calls_.size()); ++i) {
    if (calls_[static_cast<size_t>(i)].name == name) {
      return i;
    }
  }
  return -1;
}

CallLog& callLog() {
  static CallLog log;
  return log;
}

}  // namespace fakes
