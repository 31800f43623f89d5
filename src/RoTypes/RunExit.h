#pragma once

namespace kestal {

// Thrown where a run must end before its passes are done, and caught by the run
// driver, which turns it into the exit code. `Finish`: the log is open by then,
// so the finish sequence (log closed, traffic saved, statistics) runs first.
struct RunExit {
  int Code;
  bool Finish = false;
};

}  // namespace kestal
