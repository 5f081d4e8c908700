// The destination folder page's decisions: the drive and path functions, the free-space figure,
// the check that runs on every change of the folder text, the check at page entry, the browse
// action and the acceptance of the folder on Next.
//
// Paths are GBK strings and are walked character by character: the trail byte of a double-byte
// character is never taken for a backslash or an invalid character, and "the first two
// characters" never splits one.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "install/folders.h"  // GetProgramFilesDir
#include "install/session.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "wizard/texts.h"

namespace quenlo::wizard {

// "A:" ... "Z:" and "A:\" ... "Z:\"; both compared without regard to ASCII letter case.
const std::array<std::string, 26>& DriveNames();
const std::array<std::string, 26>& DriveRoots();

// Its first two characters are a drive name ("c:" counts).
bool HasDrivePrefix(std::string_view path);

// The drive type of the path's first two characters ("C:") is neither unknown nor "no root".
bool IsValidDrive(platform::FileSystem& files, std::string_view path);

// 1 for "A:" ... 26 for "Z:"; -1 when the first two characters are no drive name.
int DriveNumber(std::string_view path);

// Bytes free for the current user on the drive's root; -1 when the query fails or the number is
// not 1 to 26.
std::int64_t DriveFreeBytes(platform::FileSystem& files, int driveNumber);

// The figure in G (1,024 MB) with two decimals, rounded half up, and " G": 1,073,741,824 gives
// "1.00 G", -1 gives "0.00 G". Records bytes / 1,048,576 in session.FreeSpaceMB. The decimal
// separator is always a point, whatever the user's regional settings.
std::string FormatFreeSpace(SetupSession& session, std::int64_t bytes);

// More than requiredMB + 10 megabytes free, by the last FormatFreeSpace.
bool HasEnoughSpace(const SetupSession& session, int requiredMB);

// Not empty, starts with a drive root ("C:\") and holds none of / : " * ? | % after that.
bool IsValidFolderName(std::string_view path);

// The folder page's checks for a folder given without the page (an install with no one at the
// window): what the folder check and Next ask of the text, a drive that exists, and more than
// requiredMB + 10 MB free on it (the figure is recorded in session.FreeSpaceMB).
bool IsUsableFolder(platform::FileSystem& files, SetupSession& session, std::string_view folder,
                    int requiredMB);

// The earlier installation's folder as stored, otherwise Program Files + "QuenloBoFang\".
std::string DefaultFolder(const SetupSession& session, platform::Registry& registry);

// The fixed messages of the page.
std::string LowSpaceMessage(std::string_view folder, bool atPageEntry);
std::string CreateFolderQuestion(std::string_view folder);
std::string FolderHoldsFilesQuestion(std::string_view folder);
inline constexpr const char* kInvalidFolderNameMessage = "路径中含有非法字符，请检查。";
inline constexpr const char* kBrowseCaption = "请选择一个文件夹";

// What the folder page works with while it is shown.
struct FolderPage {
  ui::Window& window;
  SetupSession& session;
  platform::FileSystem& files;
  platform::Registry& registry;  // where the Program Files folders are named
  const TextTable& texts;
  int requiredSpaceMB;
  // Where AcceptFolder notes the folders it creates on the user's Yes (none: not noted).
  std::vector<std::string>* createdFolders = nullptr;
};

// Folder_EChange: decides Next for the current folder text and updates the free-space figure.
void CheckFolder(const FolderPage& page);

// The page-entry part of the folder page: both space labels and the space check.
void CheckFolderOnEntry(const FolderPage& page);

// Browse_BtnClick: the folder dialog; a different folder goes into the edit box.
void BrowseFolder(const FolderPage& page);

// Next on the folder page: stores the text in InstallDir and returns true when the wizard goes
// on to the tasks page: the folder exists and is empty or is the earlier installation's, the
// user agreed to install into a folder that already holds files, or the user asked to create it.
bool AcceptFolder(const FolderPage& page);

}  // namespace quenlo::wizard
