// The page host's builders: each creates one control of a page at its fixed place on Father_P,
// with its settings, and returns it. ClearPage empties the host before a page is built.
//
// Controls that show text get a copy of the interface font; pictures and the progress bar keep
// their own. The window finds the controls it works with later by the names below; those exist
// only while their page is shown.
#pragma once

#include <functional>
#include <string>

#include "platform/ui.h"

namespace quenlo::wizard {

// Names of the page controls.
inline constexpr const char* kWelcomeL = "Welcome_L";
inline constexpr const char* kAgreementM = "Agreement_M";
inline constexpr const char* kPgDnHintL = "PgDnHint_L";
inline constexpr const char* kAcceptHintL = "AcceptHint_L";
inline constexpr const char* kFolderHintL = "FolderHint_L";
inline constexpr const char* kFolderGB = "Folder_GB";
inline constexpr const char* kFolderE = "Folder_E";
inline constexpr const char* kBrowseBtn = "Browse_Btn";
inline constexpr const char* kNeedSpaceL = "NeedSpace_L";
inline constexpr const char* kFreeSpaceL = "FreeSpace_L";
inline constexpr const char* kStatusL = "Status_L";
inline constexpr const char* kHomePageCB = "HomePage_CB";
inline constexpr const char* kSiteI = "Site_I";
inline constexpr const char* kSloganL = "Slogan_L";
inline constexpr const char* kInstallPB = "Install_PB";

// The status label's caption as created; the installing page replaces it at once.
inline constexpr const char* kInitialStatusCaption = "cur file is:";

// Destroys every child of the page host, from the last created to the first.
void ClearPage(ui::Window& window);

// Page 1: the welcome text, its font one point larger than the interface font.
ui::Control& AddWelcomeText(ui::Window& window, const ui::Font& font);

// Page 2: the read-only agreement memo (empty) and the hints above and below it.
ui::Control& AddAgreementMemo(ui::Window& window, const ui::Font& font);
ui::Control& AddPgDnHint(ui::Window& window, const ui::Font& font, const std::string& caption);
ui::Control& AddAcceptHint(ui::Window& window, const ui::Font& font, const std::string& caption);

// Page 3: the hint, the group box, the folder edit (empty) with its change handler, the browse
// button with its click handler, and the two space labels (empty). The edit and the button lie
// over the group box's frame, created after it, not inside it.
ui::Control& AddFolderHint(ui::Window& window, const ui::Font& font, const std::string& caption);
ui::Control& AddFolderGroup(ui::Window& window, const ui::Font& font, const std::string& caption);
ui::Control& AddFolderEdit(ui::Window& window, const ui::Font& font,
                           std::function<void()> onChange);
ui::Control& AddBrowseButton(ui::Window& window, const ui::Font& font, const std::string& caption,
                             std::function<void()> onClick);
ui::Control& AddNeedSpaceLabel(ui::Window& window, const ui::Font& font);
ui::Control& AddFreeSpaceLabel(ui::Window& window, const ui::Font& font);

// Page 4: the slogan, the start-page task (ticked) and the site logo (no picture yet).
ui::Control& AddSloganLabel(ui::Window& window, const ui::Font& font);
ui::Control& AddHomePageCheckBox(ui::Window& window, const ui::Font& font);
ui::Control& AddSiteImage(ui::Window& window);

// Page 5: the status line and the progress bar.
ui::Control& AddStatusLabel(ui::Window& window, const ui::Font& font);
ui::Control& AddProgressBar(ui::Window& window);
// Page 5 after a failure: the status label again, now as a block of text that wraps within the
// page, its height fitted to its lines.
ui::Control& AddFailureText(ui::Window& window, const ui::Font& font, const std::string& text);

}  // namespace quenlo::wizard
