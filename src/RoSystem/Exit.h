#pragma once

namespace kestal {

struct Run;

// Both end the run by throwing RunExit, which main turns into the exit code.
// Immediate end: start directory restored, title cleared; nothing logged or saved.
[[noreturn]] void ExitProgram(Run& run, int exitCode);
// The finish sequence: log closed, traffic saved, statistics built, then ExitProgram.
[[noreturn]] void FinishRun(Run& run, int exitCode);

}  // namespace kestal
