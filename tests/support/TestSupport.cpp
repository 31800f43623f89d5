#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Pkt/CheckedPackets.h"

namespace fs = std::filesystem;

namespace kestal::test {

ScratchDir::ScratchDir() {
  std::string pattern = (fs::temp_directory_path() / "kestal-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot create a scratch directory";
  }
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  fs::path parent = fs::path(path).parent_path();
  if (!parent.empty()) fs::create_directories(parent);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool Exists(const std::string& path) { return fs::exists(path); }

std::vector<std::string> ListNames(const std::string& directory) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory, error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name != CheckedPackets::kFileName) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

static std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

std::string BuildDir() { return EnvOr("KESTAL_BUILD_DIR", fs::current_path().string()); }
std::string SourceDir() { return EnvOr("KESTAL_SOURCE_DIR", fs::current_path().string() + "/.."); }

static std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir, const std::string& fakeTime) {
  std::string command = "cd " + ShellQuote(workDir) + " && ";
  if (!fakeTime.empty()) {
    // faketime preloads its library ahead of a sanitizer build's runtime, which the
    // runtime would otherwise refuse.
    command += "ASAN_OPTIONS=verify_asan_link_order=0 faketime -f " + ShellQuote("@" + fakeTime) + " ";
  }
  command += ShellQuote(program);
  for (const auto& arg : args) command += " " + ShellQuote(arg);
  command += " 2>&1";

  ProgramResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.output.append(buffer.data(), n);
  int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

KestalHome::KestalHome() {
  fs::copy_file(BuildDir() + "/kestal", dir_ / "kestal");
  fs::copy_file(BuildDir() + "/english.lng", dir_ / "english.lng");
}

ProgramResult KestalHome::Run(const std::vector<std::string>& args,
                              const std::string& fakeTime) const {
  return RunProgram(exe(), args, path(), fakeTime);
}

}  // namespace kestal::test
