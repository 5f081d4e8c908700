// The text sets, the language choice and the interface font.
#include "wizard/texts.h"

#include <gtest/gtest.h>

#include "tests/support/headless_window.h"
#include "wizard/main_form_layout.h"

namespace quenlo::wizard {
namespace {

TEST(FillTexts, EnglishSetClearsTheUntranslatedSlotsButDoesNotWriteTheTasksTitle) {
  TextTable texts;
  texts.AcceptHintText = texts.FolderHintText = texts.FolderTitleText = "old";
  texts.TasksTitleText = "kept";
  FillTexts(texts, kLanguageEnglish);
  EXPECT_EQ(texts.AcceptHintText, "");
  EXPECT_EQ(texts.FolderHintText, "");
  EXPECT_EQ(texts.FolderTitleText, "");
  EXPECT_EQ(texts.TasksTitleText, "kept");
  EXPECT_EQ(texts.NeedSpaceText, "Require disk space:  ");
  EXPECT_EQ(texts.FreeSpaceText, "Free disk space:  ");
  EXPECT_EQ(texts.MessageCaptionText, "Information");
  EXPECT_EQ(texts.AgreementTitleText, "Please read agreement before install Quenlo Media ");
}

TEST(FillTexts, OtherLanguageCodesWriteNothing) {
  for (const std::int32_t code : {0, 3, -1}) {
    TextTable texts;
    texts.CancelText = "untouched";
    FillTexts(texts, code);
    FillWelcomeTitle(texts, code);
    EXPECT_EQ(texts.CancelText, "untouched");
    EXPECT_EQ(texts.NextText, "");
    EXPECT_EQ(texts.WelcomeTitleText, "");
  }
  TextTable texts;
  FillWelcomeTitle(texts, kLanguageEnglish);
  EXPECT_EQ(texts.WelcomeTitleText, "Welcome to install Quenlo Media Player 2.0 Edition");
}

TEST(InterfaceFont, IsCopiedSoTheBoldTitleLeavesTheOthersAlone) {
  testing::HeadlessWindow window;
  CreateMainFormControls(window);
  TextTable texts;
  FillTexts(texts, kLanguageChinese);
  std::optional<ui::Font> font = CreateInterfaceFont();
  ApplyTexts(window, texts, *font);
  ApplyTitleFont(window, *font);
  EXPECT_EQ(window.Get(kTitle1L).GetFont(), (ui::Font{"宋体", 9, true}));
  EXPECT_EQ(window.Get(kNextBtn).GetFont(), (ui::Font{"宋体", 9, false}));
  EXPECT_FALSE(font->bold);
  EXPECT_FALSE(window.Get(kImage1).hasFont());
  EXPECT_EQ(window.Caption(), "安装 Quenlo播放 v2.0 Tesmar版");
  EXPECT_EQ(window.Get(kCancelBtn).Text(), "取消(&C)");
  FreeInterfaceFont(font);
  EXPECT_FALSE(font.has_value());
}

}  // namespace
}  // namespace quenlo::wizard
