#pragma once

#include <string>
#include <utility>

namespace kestal {

// Whether an action the run decided on was done; when it was not, what failed:
// the path and the system's reason, for the error line.
class [[nodiscard]] ActionResult {
 public:
  static ActionResult Done() { return ActionResult(true, {}); }
  static ActionResult Failed(std::string failure) { return ActionResult(false, std::move(failure)); }

  bool ok() const { return done_; }
  explicit operator bool() const { return done_; }
  const std::string& Failure() const { return failure_; }

 private:
  ActionResult(bool done, std::string failure) : done_(done), failure_(std::move(failure)) {}
  bool done_;
  std::string failure_;
};

}  // namespace kestal
