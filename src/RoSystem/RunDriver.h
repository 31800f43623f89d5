#pragma once

#include <string>
#include <vector>

namespace kestal {

struct Run;

// Applies the command-line switches to the run (the program name not included).
void ReadSwitches(Run& run, const std::vector<std::string>& args);
// The whole run, from start-up to the finish sequence; returns the exit code.
// Help (--help, -h, -?) and --version are answered at once, with 0, and no run.
int RunWithArguments(Run& run, const std::vector<std::string>& args);
// The program: a run with the system clock and the real console.
int RunKestal(int argc, char** argv);

}  // namespace kestal
