#include "wizard/folder_checks.h"

#include <algorithm>
#include <limits>

#include "base/path.h"
#include "install/folders.h"
#include "platform/message_box.h"
#include "wizard/main_form_layout.h"
#include "wizard/page_builders.h"

namespace quenlo::wizard {
namespace {

constexpr double kBytesPerMB = 1048576.0;
constexpr double kSpaceMarginMB = 10.0;
constexpr std::string_view kInvalidCharacters = "/:\"*?|%";
constexpr const char* kProductFolder = "QuenloBoFang\\";

template <char Separator>
std::array<std::string, 26> DriveTable() {
  std::array<std::string, 26> table;
  for (std::size_t i = 0; i < table.size(); ++i) {
    table[i] = std::string(1, static_cast<char>('A' + i)) + ':';
    if constexpr (Separator != '\0') table[i] += Separator;
  }
  return table;
}

std::string_view FirstCharacters(std::string_view text, int count) {
  std::size_t end = 0;
  for (int i = 0; i < count && end < text.size(); ++i) end += GbkCharLength(text, end);
  return text.substr(0, end);
}

bool HasDoubleBackslash(std::string_view text) {
  bool afterBackslash = false;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = GbkCharLength(text, pos);
    const bool backslash = length == 1 && text[pos] == '\\';
    if (backslash && afterBackslash) return true;
    afterBackslash = backslash;
    pos += length;
  }
  return false;
}

// An invalid character from the fourth character on.
bool HasInvalidCharacterAfterRoot(std::string_view text) {
  int index = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = GbkCharLength(text, pos);
    if (++index > 3 && length == 1 &&
        kInvalidCharacters.find(text[pos]) != std::string_view::npos) {
      return true;
    }
    pos += length;
  }
  return false;
}

void SetCaption(ui::Window& window, const char* name, const std::string& caption) {
  if (ui::Control* control = window.Find(name)) control->SetText(caption);
}

std::string FolderText(const FolderPage& page) {
  const ui::Control* edit = page.window.Find(kFolderE);
  return edit != nullptr ? edit->Text() : std::string();
}

// The free-space label for the drive of `folder`, without looking at the drive first.
void ShowFreeSpaceOf(const FolderPage& page, std::string_view folder) {
  const std::int64_t bytes = DriveFreeBytes(page.files, DriveNumber(folder));
  SetCaption(page.window, kFreeSpaceL,
             page.texts.FreeSpaceText + FormatFreeSpace(page.session, bytes));
}

void Notify(const FolderPage& page, const std::string& text) {
  page.window.ShowMessage(text, page.texts.MessageCaptionText, platform::kNoticeFlags);
}

bool Ask(const FolderPage& page, const std::string& question) {
  return page.window.ShowMessage(question, page.texts.MessageCaptionText,
                                 platform::kQuestionFlags) == platform::kAnswerYes;
}

// The folder of the earlier installation, whatever the letter case and trailing backslashes.
bool IsEarlierInstallationFolder(const SetupSession& session, std::string_view folder) {
  return !session.ExistingAppPath.empty() && IsSameFolder(folder, session.ExistingAppPath);
}

}  // namespace

const std::array<std::string, 26>& DriveNames() {
  static const auto names = DriveTable<'\0'>();
  return names;
}

const std::array<std::string, 26>& DriveRoots() {
  static const auto roots = DriveTable<'\\'>();
  return roots;
}

bool HasDrivePrefix(std::string_view path) { return DriveNumber(path) != -1; }

bool IsValidDrive(platform::FileSystem& files, std::string_view path) {
  const platform::DriveType type = files.QueryDriveType(std::string(FirstCharacters(path, 2)));
  return type != platform::DriveType::Unknown && type != platform::DriveType::NoRootFolder;
}

int DriveNumber(std::string_view path) {
  const std::string_view prefix = FirstCharacters(path, 2);
  for (std::size_t i = 0; i < DriveNames().size(); ++i) {
    if (EqualsIgnoringCase(prefix, DriveNames()[i])) return static_cast<int>(i) + 1;
  }
  return -1;
}

std::int64_t DriveFreeBytes(platform::FileSystem& files, int driveNumber) {
  if (driveNumber < 1 || driveNumber > 26) return -1;
  const auto space = files.GetDiskSpace(DriveRoots()[driveNumber - 1]);
  if (!space) return -1;
  constexpr auto kMost = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  return static_cast<std::int64_t>(std::min(space->freeBytesForCaller, kMost));
}

std::string FormatFreeSpace(SetupSession& session, std::int64_t bytes) {
  session.FreeSpaceMB = static_cast<double>(bytes) / kBytesPerMB;
  // bytes / 2^30 to two decimals, the second raised by one when the rest is half a hundredth or
  // more. Done on the exact byte count in integers, so the figure is the same on every machine
  // and in every locale; the decimal separator is always a point.
  const bool negative = bytes < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(bytes) : static_cast<std::uint64_t>(bytes);
  constexpr std::uint64_t kBytesPerG = std::uint64_t{1} << 30;
  const std::uint64_t hundredths =
      magnitude / kBytesPerG * 100 + (magnitude % kBytesPerG * 100 + kBytesPerG / 2) / kBytesPerG;
  const std::uint64_t cents = hundredths % 100;
  std::string figure = std::to_string(hundredths / 100) + '.' +
                       static_cast<char>('0' + cents / 10) + static_cast<char>('0' + cents % 10);
  // A figure that is zero to two decimals is written without a sign.
  if (negative && hundredths != 0) figure.insert(0, 1, '-');
  return figure + " G";
}

bool HasEnoughSpace(const SetupSession& session, int requiredMB) {
  return session.FreeSpaceMB - static_cast<double>(requiredMB) > kSpaceMarginMB;
}

bool IsValidFolderName(std::string_view path) {
  if (path.empty()) return false;
  const std::string_view root = FirstCharacters(path, 3);
  bool rooted = false;
  for (const std::string& driveRoot : DriveRoots())
    rooted = rooted || EqualsIgnoringCase(root, driveRoot);
  return rooted && !HasInvalidCharacterAfterRoot(path);
}

bool IsUsableFolder(platform::FileSystem& files, SetupSession& session, std::string_view folder,
                    int requiredMB) {
  if (folder.empty() || HasDoubleBackslash(folder) || !IsValidFolderName(folder)) return false;
  if (!IsValidDrive(files, folder)) return false;
  FormatFreeSpace(session, DriveFreeBytes(files, DriveNumber(folder)));
  return HasEnoughSpace(session, requiredMB);
}

std::string DefaultFolder(const SetupSession& session, platform::Registry& registry) {
  if (!session.ExistingAppPath.empty()) return session.ExistingAppPath;
  return EnsureTrailingBackslash(GetProgramFilesDir(registry)) + kProductFolder;
}

std::string LowSpaceMessage(std::string_view folder, bool atPageEntry) {
  return std::string(FirstCharacters(folder, 2)) +
         (atPageEntry ? " 盘空间不足以安装 Quenlo播放 1.04 Tesmar版 版本"
                      : " 盘空间不足以安装 Quenlo播放 1.04 Tesmar版") +
         "请您选择其它的安装位置。";
}

std::string CreateFolderQuestion(std::string_view folder) {
  return "您选定的文件夹 “" + std::string(folder) + " ” 不存在，是否创建该文件夹?";
}

std::string FolderHoldsFilesQuestion(std::string_view folder) {
  return "您选定的文件夹 “" + std::string(folder) +
         " ” 中已有文件。是否仍要安装到该文件夹? 同名的文件将被替换。";
}

void CheckFolder(const FolderPage& page) {
  const std::string text = FolderText(page);
  ui::Control& next = FormControl(page.window, kNextBtn);
  if (text.empty() || HasDoubleBackslash(text) || HasInvalidCharacterAfterRoot(text)) {
    next.SetEnabled(false);
    return;
  }
  if (HasDrivePrefix(text) && IsValidDrive(page.files, text)) {
    ShowFreeSpaceOf(page, text);
    if (HasEnoughSpace(page.session, page.requiredSpaceMB)) {
      next.SetEnabled(true);
    } else {
      next.SetEnabled(false);
      Notify(page, LowSpaceMessage(text, /*atPageEntry=*/false));
    }
    return;
  }
  SetCaption(page.window, kFreeSpaceL, page.texts.FreeSpaceText + FormatFreeSpace(page.session, 0));
  next.SetEnabled(false);
}

void CheckFolderOnEntry(const FolderPage& page) {
  const std::string text = FolderText(page);
  SetCaption(page.window, kNeedSpaceL,
             page.texts.NeedSpaceText + std::to_string(page.requiredSpaceMB) + " M");
  ShowFreeSpaceOf(page, text);
  ui::Control& next = FormControl(page.window, kNextBtn);
  if (HasEnoughSpace(page.session, page.requiredSpaceMB)) {
    next.SetEnabled(true);
  } else {
    next.SetEnabled(false);
    Notify(page, LowSpaceMessage(text, /*atPageEntry=*/true));
  }
}

void BrowseFolder(const FolderPage& page) {
  const std::optional<std::string> chosen = page.window.BrowseForFolder(kBrowseCaption);
  if (!chosen || chosen->empty()) return;
  ui::Control* edit = page.window.Find(kFolderE);
  if (edit == nullptr || *chosen == edit->Text()) return;
  edit->SetText(*chosen);  // runs the folder check
  ShowFreeSpaceOf(page, edit->Text());
}

bool AcceptFolder(const FolderPage& page) {
  page.session.InstallDir = FolderText(page);
  const std::string& folder = page.session.InstallDir;
  if (folder.empty()) return false;
  if (!IsValidFolderName(folder)) {
    Notify(page, kInvalidFolderNameMessage);
    return false;
  }
  if (page.files.FolderExists(folder)) {
    // Installing over the earlier installation was asked about at start-up.
    if (IsEarlierInstallationFolder(page.session, folder) || !page.files.FolderHasEntries(folder))
      return true;
    return Ask(page, FolderHoldsFilesQuestion(folder));
  }
  if (!Ask(page, CreateFolderQuestion(folder))) return false;
  const std::vector<std::string> created = ForceFolders(page.files, folder);
  // Outside Program Files, only administrators may change what the setup creates.
  if (!IsInProgramFiles(page.registry, folder)) {
    for (const std::string& made : created) page.files.RestrictToAdministrators(made);
  }
  if (page.createdFolders != nullptr) {
    page.createdFolders->insert(page.createdFolders->end(), created.begin(), created.end());
  }
  return true;
}

}  // namespace quenlo::wizard
