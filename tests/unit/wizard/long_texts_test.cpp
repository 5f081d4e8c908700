// The structure of the long page texts.
#include "wizard/long_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quenlo::wizard {
namespace {

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(separator, start)) != std::string::npos;
       start = end + separator.size()) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

constexpr const char* kIdeographicSpace = "　";

TEST(WelcomeText, HasFourGroupsOfHeadingsAndBullets) {
  const std::string& text = WelcomeText();
  EXPECT_EQ(text.find('\n'), std::string::npos);
  const std::vector<std::string> lines = Split(text, "\r");
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "智能播放核心，高效顺畅的播放效果");
  // heading, bullets..., empty line
  std::vector<int> bullets;
  std::size_t line = 0;
  while (line < lines.size()) {
    ASSERT_FALSE(lines[line].empty());
    ASSERT_FALSE(lines[line].starts_with(" ")) << "line " << line;
    int count = 0;
    for (++line; line < lines.size() && lines[line].starts_with("    - "); ++line) ++count;
    bullets.push_back(count);
    if (line < lines.size()) {
      ASSERT_EQ(lines[line++], "");
    }
  }
  EXPECT_EQ(bullets, (std::vector<int>{1, 5, 3, 0}));
}

TEST(AgreementText, HasTheTitleSixSectionsAndTheLicensorLast) {
  const std::string& text = AgreementText();
  const std::vector<std::string> lines = Split(text, "\r\n");
  ASSERT_EQ(lines.size(), 28u);
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
  }
  EXPECT_EQ(lines[0], "Quenlo播放用户许可协议");
  EXPECT_EQ(lines[1], "");
  const char* numerals[] = {"一、", "二、", "三、", "四、", "五、", "六、"};
  const std::size_t sectionLines[] = {2, 4, 14, 18, 20, 22};
  for (int section = 0; section < 6; ++section) {
    EXPECT_TRUE(lines[sectionLines[section]].starts_with(numerals[section])) << section;
  }
  for (int clause = 1; clause <= 8; ++clause) {
    EXPECT_EQ(lines[4 + clause].find("    " + std::to_string(clause) + "）"), 0u) << clause;
  }
  const std::string indent = std::string(kIdeographicSpace) + kIdeographicSpace;
  EXPECT_TRUE(lines[3].starts_with(indent));
  EXPECT_TRUE(lines[15].starts_with(indent + "1）"));
  EXPECT_TRUE(lines[16].starts_with(indent + "2）"));
  for (const std::size_t empty : {13u, 17u, 19u, 21u, 23u, 24u, 25u, 26u}) {
    EXPECT_EQ(lines[empty], "") << empty;
  }
  const std::string& licensor = lines[27];
  EXPECT_TRUE(licensor.starts_with(indent + indent));
  const std::size_t name = licensor.find_first_not_of(kIdeographicSpace);  // bytes A1 A1
  ASSERT_NE(name, std::string::npos);
  EXPECT_EQ(name % 2, 0u);
  EXPECT_EQ(licensor[name], '[');
  EXPECT_EQ(licensor.back(), ']');
}

TEST(TasksTexts, NameTheSiteAndItsAddress) {
  EXPECT_EQ(StartPageTaskText(), "将[Tesmar网]http://start.tesmar.example/?my设为首页");
  EXPECT_TRUE(SloganText().starts_with("Tesmar网，"));
  EXPECT_GT(SloganText().size(), std::string("Tesmar网，").size());
  EXPECT_EQ(SloganText().find_first_of("\r\n"), std::string::npos);
}

}  // namespace
}  // namespace quenlo::wizard
