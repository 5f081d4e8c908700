// The wizard's interface texts: the table of text slots the window reads its captions, titles,
// hints, labels and message-box caption from, the two built-in text sets, the choice between
// them, and the shared interface font.
//
// The table is filled once at window creation from the set the language code selects (1
// Chinese, 2 English, any other value neither: every slot stays empty). Texts that are the same
// in both languages (the long page texts, the folder messages, the close question, the finished
// title) are not slots; they live with the code that shows them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "install/session.h"
#include "platform/ui.h"

namespace quenlo::wizard {

inline constexpr std::int32_t kLanguageChinese = 1;
inline constexpr std::int32_t kLanguageEnglish = 2;

// The text slots, in the order the window declares them. All empty until FillTexts.
struct TextTable {
  std::string WindowCaptionText;
  std::string PreviousText;
  std::string NextText;
  std::string CancelText;
  std::string ProductNameText;
  std::string WelcomeTitleText;  // written by FillWelcomeTitle on every visit to page 1
  std::string PgDnHintText;
  std::string AcceptHintText;
  std::string AcceptText;
  std::string AgreementTitleText;
  std::string FolderHintText;
  std::string FolderTitleText;
  std::string TasksTitleText;
  std::string FolderGroupText;
  std::string BrowseText;
  std::string InstallingTitleText;
  std::string NeedSpaceText;
  std::string FreeSpaceText;
  std::string MessageCaptionText;
  std::string FinishText;
};

// Sets the session's language code: `language` is kLanguageChinese in the product; tests pass
// other codes to reach the English set or neither.
void SelectLanguage(SetupSession& session, std::int32_t language = kLanguageChinese);

// Fills every slot except WelcomeTitleText from the set `language` selects; any other code
// writes nothing.
void FillTexts(TextTable& texts, std::int32_t language);

// Fills WelcomeTitleText by the same rule; any other code leaves it as it was.
void FillWelcomeTitle(TextTable& texts, std::int32_t language);

// The shared interface font: "宋体", 9 points, nothing else set. The window keeps it in an
// optional that is empty before creation and after FreeInterfaceFont.
ui::Font CreateInterfaceFont();
void FreeInterfaceFont(std::optional<ui::Font>& font);

// Sets the window caption and the captions of Previous_Btn, Next_Btn, Cancel_Btn and Logo_L,
// then gives those four controls a copy of `font`. The window's own font is left alone.
void ApplyTexts(ui::Window& window, const TextTable& texts, const ui::Font& font);

// Gives Title1_L a copy of `font` with the bold style added.
void ApplyTitleFont(ui::Window& window, const ui::Font& font);

}  // namespace quenlo::wizard
