// The manual page renders without a warning from groff, and it and the README name every keyword
// the configuration reader knows.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "ConfigFixture.h"
#include "RoConfig/ConfigFile.h"
#include "TestSupport.h"

namespace kestal {
namespace {

bool HaveMan() { return test::RunProgram("sh", {"-c", "command -v man"}, ".").exitCode == 0; }

std::string RenderManPage(const std::string& redirect) {
  std::string page = test::SourceDir() + "/docs/kestal.1";
  std::string command = "MANWIDTH=80 man --warnings -l \"$0\" " + redirect;
  return test::RunProgram("sh", {"-c", command, page}, ".").output;
}

TEST(ManPage, RendersWithoutWarnings) {
  if (!HaveMan()) GTEST_SKIP() << "man is not installed";
  EXPECT_EQ(RenderManPage("2>&1 >/dev/null"), "");
}

TEST(Docs, NameEveryConfigurationKeyword) {
  ASSERT_EQ(test::kConfigKeywords.size(), 72u);
  const std::string readme = test::ReadBytes(test::SourceDir() + "/README.md");
  const std::string manPage = HaveMan() ? RenderManPage("2>/dev/null") : "";
  for (std::string_view keyword : test::kConfigKeywords) {
    SCOPED_TRACE(std::string(keyword));
    EXPECT_TRUE(IsKnownKeyword(keyword));
    EXPECT_NE(readme.find("`" + std::string(keyword) + "`"), std::string::npos);
    if (!manPage.empty()) {
      EXPECT_NE(manPage.find(keyword), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace kestal
