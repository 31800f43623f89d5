#pragma once

namespace kestal {

struct Run;
struct RunExit;

// Both give back the exit code for main to return.
// Immediate end: start directory restored, title cleared; nothing logged or saved.
int ExitProgram(Run& run, int exitCode);
// The finish sequence: log closed, traffic saved, statistics built, then ExitProgram.
int FinishRun(Run& run, int exitCode);
// The end a RunExit asks for: the finish sequence first when the log is open.
int EndRun(Run& run, const RunExit& exit);

}  // namespace kestal
