#pragma once

namespace kestal {

// The run went through, but an action it decided on did not happen (a packet not
// rewritten, a report not written...): the log names each with the reason.
inline constexpr int kExitActionFailed = 6;
// Another run over the same configuration or inbound went on for longer than
// LockWait: this one did nothing.
inline constexpr int kExitLocked = 7;

// Thrown where a run must end before its passes are done, and caught by the run
// driver, which turns it into the exit code. `Finish`: the log is open by then,
// so the finish sequence (log closed, traffic saved, statistics) runs first.
struct RunExit {
  int Code;
  bool Finish = false;
};

}  // namespace kestal
