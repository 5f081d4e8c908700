// Whole installations of the small demo payload through the real wizard, as a user makes them,
// checked against the real registry, files and shell links: a first installation, installing
// over an earlier copy (also while its player runs), No at the question, a damaged setup file,
// and the installed uninstaller giving the system back (or, after No, leaving it as it is).
//
// QUENLO_DEMO_SETUP names the small demo setup and QUENLO_DEMO_PAYLOAD the tree it was packed
// from (scripts/make-demo-payload.sh --small). Every test starts from a system without the
// installation: no folder, no links, no codec classes, no file types, no application record.
#include <windows.h>
// objbase.h needs windows.h first.
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>

#include "archive/archive_reader.h"
#include "archive/signature.h"
#include "base/byte_stream.h"
#include "base/path.h"
#include "demo/check/install_check.h"
#include "demo/generator/clsid.h"
#include "install/codec_registration.h"
#include "install/media_extensions.h"
#include "install/status_lines.h"
#include "install/uninstall_record.h"
#include "tests/gui/setup_program.h"
#include "tests/gui/wizard_names.h"
#include "tools/uidriver/driver.h"
#include "tools/uidriver/text.h"

namespace quenlo::uidriver {
namespace {

namespace fs = std::filesystem;
using demo::ReadRegistryString;
using guitest::EnvPath;
using guitest::InstallationRecord;
using guitest::Native;
using guitest::ReadAll;
using guitest::WriteAll;
using namespace guitest::wizard;

constexpr const char* kStartPageKey = "Software\\Microsoft\\Internet Explorer\\Main";
constexpr const char* kAddress = "http://start.tesmar.example/?my";
// The handler that .avi had before the player came: the file types keep it as the backup.
constexpr const char* kEarlierHandler = "OldPlayer.avi";
// A folder whose name needs GBK, one level below a folder that does not exist either.
constexpr const char* kInstallDir = "C:\\端到端\\Quenlo播放";
constexpr const char* kInstallRoot = "C:\\端到端";

constexpr Milliseconds kInstallTimeout = 180000;
constexpr const char* kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuenloBoFang";
constexpr const char* kUninstallQuestion =
    "您确定要从计算机中完全删除 Quenlo播放 v2.0 Tesmar版 及其所有组件吗？";
constexpr const char* kDamagedRecordNotice =
    "Quenlo播放 的卸载记录已损坏，无法卸载。计算机上没有做任何更改。";
constexpr const char* kUninstalledNotice = "Quenlo播放 v2.0 Tesmar版 已从您的计算机中删除。";

void SetString(HKEY root, const std::string& key, const char* name, const std::string& text) {
  HKEY opened = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr),
      ERROR_SUCCESS)
      << key;
  RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(opened);
}

bool KeyExists(HKEY root, const std::string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

// The App\ files of the payload tree: record name (GBK) and path on this disk.
std::map<std::string, fs::path> AppFiles(const fs::path& tree) {
  std::map<std::string, fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(tree / "App")) {
    if (!entry.is_regular_file()) continue;
    std::wstring relative = fs::relative(entry.path(), tree).wstring();
    for (auto& c : relative) c = c == L'/' ? L'\\' : c;
    files.emplace(WideToGbk(relative).value(), entry.path());
  }
  return files;
}

class InstallationTest : public testing::Test {
 protected:
  void SetUp() override {
    setup_ = EnvPath("QUENLO_DEMO_SETUP");
    payload_ = EnvPath("QUENLO_DEMO_PAYLOAD");
    ASSERT_TRUE(!setup_.empty() && fs::exists(setup_) && fs::exists(payload_))
        << "QUENLO_DEMO_SETUP and QUENLO_DEMO_PAYLOAD must name the small demo setup and its "
           "tree: run scripts/make-demo-payload.sh --small";
    CoInitialize(nullptr);
    RemoveTheInstallation();
  }

  void TearDown() override {
    if (fs::exists(payload_)) RemoveTheInstallation();
    CoUninitialize();
  }

  // Puts the system back to one that never had the player, with .avi handled by another.
  void RemoveTheInstallation() {
    std::error_code ignored;
    fs::remove_all(Native(kInstallRoot), ignored);
    for (const std::string& link : demo::ExpectedLinkPaths()) fs::remove(Native(link), ignored);
    for (const auto& [name, path] : AppFiles(payload_)) {
      if (IsCodecLibrary(name)) {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ("CLSID\\" + demo::ClsidForName(name)).c_str());
      }
    }
    for (std::string_view row : MediaExtensions()) {
      const std::string extension(row);
      RegDeleteTreeA(HKEY_CLASSES_ROOT, extension.c_str());
      RegDeleteTreeA(HKEY_CLASSES_ROOT, ("Quenlo" + extension).c_str());
    }
    SetString(HKEY_CLASSES_ROOT, ".avi", nullptr, kEarlierHandler);
    // An install that stopped half way leaves its temporary system-folder copies; they are the
    // demo's own files, which no Windows system folder holds otherwise.
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    for (const auto& entry : fs::directory_iterator(payload_ / "Exe")) {
      fs::remove(fs::path(system) / entry.path().filename(), ignored);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\QuenloBoFang");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
    // What a test cut off half way may have left of an install's journal.
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\QuenloSetupJournal");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                       "QuenloSetupRecovery");
  }

  std::string Text(const char* name) const { return driver_->Get(name).text; }

  void WaitTitle(const char* title, std::optional<Milliseconds> timeout = {}) {
    const std::string wanted = title;
    driver_->WaitState(
        kTitle, [&](const WindowState& s) { return s.text == wanted; },
        "the title \"" + GbkToUtf8(wanted) + "\"", timeout);
  }

  // From the start of `setup` to the installing page, as a user: Yes to the question about an
  // earlier copy when there is one, the folder typed in (or, when `folder` is empty, the one
  // proposed kept) and Yes to its question (create it, or install into it though it holds files
  // that are not the earlier copy's), the start-page task ticked or cleared. Returns the folder
  // the page proposed.
  std::string StartInstalling(const fs::path& setup, bool earlierCopy, const std::string& folder,
                              bool startPage) {
    driver_ = std::make_unique<Driver>();  // a driver drives one run of a program
    driver_->Start(setup);
    if (earlierCopy) {
      const MessageBoxInfo question = driver_->WaitMessageBox();
      EXPECT_EQ(GbkToUtf8(question.text), GbkToUtf8(kEarlierQuestion));
      driver_->Answer(IDYES);
    }
    driver_->WaitWindow(kMainWindow);
    driver_->Click(kNext);
    WaitTitle(kAgreementTitle);
    driver_->Click(kNext);
    WaitTitle(kFolderTitle);
    const std::string proposed = Text(kFolderEdit);
    if (!folder.empty()) driver_->Type(kFolderEdit, folder);
    const std::string chosen = folder.empty() ? proposed : folder;
    const bool exists = fs::is_directory(Native(chosen));
    const bool earlierFolder = earlierCopy && folder.empty();
    const bool holdsFiles = exists && !earlierFolder && !fs::is_empty(Native(chosen));
    driver_->Click(kNext);
    if (!exists) driver_->Answer(IDYES);  // create the folder
    if (holdsFiles) {
      const MessageBoxInfo question = driver_->WaitMessageBox();
      EXPECT_EQ(GbkToUtf8(question.text), GbkToUtf8(FolderHoldsFilesQuestion(chosen)));
      driver_->Answer(IDYES);
    }
    WaitTitle(kTasksTitle);
    driver_->SetChecked(kHomePage, startPage);
    driver_->Click(kNext);
    return proposed;
  }

  // Waits for the finished page and presses Finish; the program ends with 0.
  void FinishInstalling() {
    WaitTitle(kFinishedTitle, kInstallTimeout);
    EXPECT_EQ(Text(kCancel), kFinishText);
    EXPECT_EQ(GbkToUtf8(Text(kStatus)), GbkToUtf8("OK，Quenlo播放v2.0 Tesmar版 安装成功!"));
    driver_->Click(kCancel);
    EXPECT_EQ(driver_->WaitExit(), 0u);
  }

  void ExpectDamageChangesNothing(const fs::path& setup);
  // `readme`: the user's own file in the folder before the install; none: there was no folder.
  void ExpectNothingOfTheCutOffInstall(const std::optional<fs::path>& readme);

  void ExpectCompleteInstallation() {
    const demo::InstallReport report = demo::CheckInstallation({payload_, kInstallDir});
    EXPECT_TRUE(report.Complete()) << demo::FormatReport(report);
    ASSERT_EQ(report.sections.size(), 6u);
    EXPECT_EQ(report.sections[0].found, 360);  // files
    EXPECT_EQ(report.sections[2].found, 181);  // codec classes
    EXPECT_EQ(report.sections[3].found, 54);   // extensions
    EXPECT_EQ(report.sections[4].found, 6);    // application record
    EXPECT_EQ(report.sections[5].found, 4);    // links
    EXPECT_EQ(ReadRegistryString("HKCR", ".avi", "Quenlo.backup"), kEarlierHandler);
  }

  fs::path setup_;
  fs::path payload_;
  InstallationRecord record_;
  std::unique_ptr<Driver> driver_ = std::make_unique<Driver>();
};

TEST_F(InstallationTest, AFirstInstallationLeavesEverythingInPlace) {
  // A profile in which the browser never stored its settings: ticking the task changes nothing.
  RegDeleteTreeA(HKEY_CURRENT_USER, kStartPageKey);
  StartInstalling(setup_, /*earlierCopy=*/false, kInstallDir, /*startPage=*/true);
  FinishInstalling();
  ExpectCompleteInstallation();
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kStartPageKey));
  // The links open their targets in the installation folder and carry nothing else.
  for (const std::string& path : demo::ExpectedLinkPaths()) {
    const auto link = demo::ReadLink(path);
    ASSERT_TRUE(link) << GbkToUtf8(path);
    EXPECT_EQ(GbkToUtf8(link->workingFolder), GbkToUtf8(std::string(kInstallDir) + "\\"));
    EXPECT_TRUE(link->arguments.empty() && link->iconLocation.empty());
  }
  EXPECT_EQ(GbkToUtf8(demo::ReadLink(demo::ExpectedLinkPaths()[2])->target),
            GbkToUtf8(std::string(kInstallDir) + "\\Readme.txt"));
}

// Started from a download folder whose name GBK cannot hold (a user name in another script), the
// setup still reads its own payload and installs everything.
TEST_F(InstallationTest, ASetupInAFolderGbkCannotNameInstallsEverything) {
  const fs::path downloads = fs::temp_directory_path() / L"Downloads-\u0141ukasz";
  fs::create_directories(downloads);
  const fs::path copy = downloads / setup_.filename();
  fs::copy_file(setup_, copy, fs::copy_options::overwrite_existing);
  StartInstalling(copy, /*earlierCopy=*/false, kInstallDir, /*startPage=*/false);
  FinishInstalling();
  ExpectCompleteInstallation();
  std::error_code ignored;
  fs::remove_all(downloads, ignored);
}

// Keys as a person types them: xdotool sends them through the X server to the window that has
// the focus. It is started through gui_start_linux_program (see there why), which does not wait
// for it, so every call is followed by a wait for what its keys do; keys that must come in order
// go in one call.
void TypeKeys(const std::string& xdotoolCommands) {
  wchar_t own[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  const fs::path starter = fs::path(own).parent_path() / "gui_start_linux_program.exe";
  std::wstring command =
      L"\"" + starter.wstring() + L"\" /usr/bin/xdotool " + GbkToWide(xdotoolCommands);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &startup, &started))
      << starter.string();
  WaitForSingleObject(started.hProcess, 10000);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
}

// Waits until the program shows no message box any more (the key that answers it has arrived).
void WaitNoMessageBox(const Driver& driver) {
  const auto boxShown = [&driver] {
    for (HWND window : driver.Windows()) {
      wchar_t name[16] = L"";
      if (GetClassNameW(window, name, 16) > 0 && std::wstring(name) == L"#32770") return true;
    }
    return false;
  };
  for (const ULONGLONG end = GetTickCount64() + 10000; boxShown() && GetTickCount64() < end;) {
    Sleep(20);
  }
  ASSERT_FALSE(boxShown()) << "the message box is still open";
}

// The whole install from the keyboard alone, in the order a person sees the controls: Escape
// asks (N keeps the page), Enter moves on from every page (from the agreement while it has the
// focus too), Tab reaches the folder box, Shift+Tab the start-page task and Space unticks it,
// Y answers the create question, and Enter on the finished page is Finish.
TEST_F(InstallationTest, AnInstallFromTheKeyboardAlone) {
  if (GetFileAttributesW(L"Z:\\usr\\bin\\xdotool") == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "xdotool is not installed (scripts/install-deps.sh installs it)";
  }
  constexpr const char* kKeyboardDir = "C:\\QuenloKeys\\Player";
  std::error_code ignored;
  fs::remove_all("C:\\QuenloKeys", ignored);
  RegDeleteTreeA(HKEY_CURRENT_USER, kStartPageKey);
  driver_->Start(setup_);
  driver_->WaitWindow(kMainWindow);
  WaitTitle(kWelcomeTitle);

  TypeKeys("key Escape");
  const MessageBoxInfo question = driver_->WaitMessageBox();
  EXPECT_EQ(GbkToUtf8(question.text), GbkToUtf8(kCloseQuestion));
  TypeKeys("key n");
  WaitNoMessageBox(*driver_);
  EXPECT_TRUE(driver_->Running());
  EXPECT_EQ(GbkToUtf8(Text(kTitle)), GbkToUtf8(kWelcomeTitle));

  TypeKeys("key Return");
  WaitTitle(kAgreementTitle);
  TypeKeys("key Next Return");  // PgDn in the agreement, then Enter there
  WaitTitle(kFolderTitle);
  // The focus stayed on Next: Cancel after it, then round to the folder box, whose text Tab
  // selects, so the folder typed replaces it.
  TypeKeys(std::string("key Tab Tab type --delay 40 \"") + kKeyboardDir + "\"");
  driver_->WaitState(
      kFolderEdit, [&](const WindowState& s) { return s.text == kKeyboardDir; },
      "the folder typed");
  TypeKeys("key Return");
  const MessageBoxInfo create = driver_->WaitMessageBox();
  EXPECT_NE(create.text.find(kKeyboardDir), std::string::npos) << GbkToUtf8(create.text);
  TypeKeys("key y");
  WaitNoMessageBox(*driver_);
  WaitTitle(kTasksTitle);
  TypeKeys("key shift+Tab shift+Tab space");
  driver_->WaitState(
      kHomePage, [](const WindowState& s) { return s.checked == std::optional<bool>(false); },
      "the start-page task unticked");
  TypeKeys("key Return");  // on the check box: the default button, Next
  WaitTitle(kFinishedTitle, kInstallTimeout);
  TypeKeys("key Return");
  EXPECT_EQ(driver_->WaitExit(), 0u);

  const demo::InstallReport report = demo::CheckInstallation({payload_, kKeyboardDir});
  EXPECT_TRUE(report.Complete()) << demo::FormatReport(report);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kStartPageKey)) << "the task was unticked";
  fs::remove_all("C:\\QuenloKeys", ignored);
}

TEST_F(InstallationTest, InstallingOverAnEarlierCopyKeepsTheBackupsAndReplacesTheLinks) {
  SetString(HKEY_CURRENT_USER, kStartPageKey, "Start Page", "about:blank");
  // The first time the task is cleared: the start page stays as it was.
  StartInstalling(setup_, /*earlierCopy=*/false, kInstallDir, /*startPage=*/false);
  FinishInstalling();
  EXPECT_EQ(ReadRegistryString("HKCU", kStartPageKey, "Start Page"), "about:blank");

  // Spoil the links and a file the setup installs; the second installation makes them anew.
  for (const std::string& link : demo::ExpectedLinkPaths()) WriteAll(Native(link), "spoilt");
  WriteAll(Native(std::string(kInstallDir) + "\\Readme.txt"), "spoilt");

  const std::string proposed =
      StartInstalling(setup_, /*earlierCopy=*/true, /*folder=*/"", /*startPage=*/true);
  EXPECT_EQ(GbkToUtf8(proposed), GbkToUtf8(kInstallDir));  // exactly as stored
  FinishInstalling();
  ExpectCompleteInstallation();
  EXPECT_EQ(ReadRegistryString("HKCU", kStartPageKey, "Start Page"), kAddress);
}

TEST_F(InstallationTest, NoAtTheQuestionLeavesTheSystemAsItWas) {
  SetString(HKEY_CURRENT_USER, kStartPageKey, "Start Page", "about:blank");
  record_.WriteAppPath(kInstallDir);
  driver_->Start(setup_);
  driver_->WaitMessageBox();
  driver_->Answer(IDNO);
  EXPECT_EQ(driver_->WaitExit(), 2u);  // answered No at the start

  EXPECT_FALSE(fs::exists(Native(kInstallRoot)));
  for (const std::string& link : demo::ExpectedLinkPaths()) {
    EXPECT_FALSE(fs::exists(Native(link))) << GbkToUtf8(link);
  }
  EXPECT_EQ(ReadRegistryString("HKCR", ".avi", ""), kEarlierHandler);
  EXPECT_FALSE(ReadRegistryString("HKCR", ".avi", "Quenlo.backup"));
  EXPECT_EQ(ReadRegistryString("HKCU", kStartPageKey, "Start Page"), "about:blank");
  EXPECT_EQ(ReadRegistryString("HKLM", "Software\\QuenloBoFang", "AppPath"), kInstallDir);
  EXPECT_FALSE(ReadRegistryString("HKLM", "Software\\QuenloBoFang", "AppName"));
}

// The records of a setup file in the order the extraction meets them, without the image record.
std::vector<archive::PayloadRecord> Records(const fs::path& setup) {
  FileSource source(setup.string());
  archive::ArchiveWalker walker(source);
  std::vector<archive::PayloadRecord> records;
  while (auto record = walker.Next()) {
    if (record->IsImage()) break;
    records.push_back(*record);
  }
  return records;
}

// A copy of `setup` in which `record`'s stored data has bytes overwritten in its middle.
void CorruptRecord(const fs::path& setup, const fs::path& copy,
                   const archive::PayloadRecord& record) {
  fs::copy_file(setup, copy, fs::copy_options::overwrite_existing);
  std::fstream file(copy, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(static_cast<std::streamoff>(record.dataOffset + record.storedSize / 2));
  const std::string garbage(16, '\x5A');
  file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
  ASSERT_TRUE(file.good());
}

// A setup file with one damaged record changes nothing: the check of the file finds the damage
// before the install begins. No file is written in the installation or the system folder, no
// record, no file types, the start page stays; the page says what to do, and the window closes.
void InstallationTest::ExpectDamageChangesNothing(const fs::path& setup) {
  // An earlier copy of every file is in the folder already.
  const auto appFiles = AppFiles(payload_);
  const auto destination = [](const std::string& name) {
    return Native(std::string(kInstallDir) + "\\" + name.substr(4));
  };
  for (const auto& [name, path] : appFiles) WriteAll(destination(name), "earlier " + name);
  SetString(HKEY_CURRENT_USER, kStartPageKey, "Start Page", "about:blank");

  // The broken record: a large App file half way through the payload.
  const std::vector<archive::PayloadRecord> records = Records(setup);
  std::size_t index = records.size() / 2;
  while (index < records.size() &&
         (!records[index].name.starts_with("App\\") || records[index].storedSize < 4096)) {
    ++index;
  }
  ASSERT_LT(index, records.size());
  const fs::path broken = fs::temp_directory_path() / "QuenloSetup-corrupted.exe";
  CorruptRecord(setup, broken, records[index]);

  StartInstalling(broken, /*earlierCopy=*/false, kInstallDir, /*startPage=*/true);
  WaitTitle(kFailedTitle, kInstallTimeout);
  EXPECT_TRUE(driver_->Get(kCancel).enabled);
  EXPECT_EQ(Text(kCancel), kCancelText);
  const std::string failure = Text(kStatus);
  EXPECT_TRUE(failure.starts_with("安装文件已损坏，请重新下载安装程序")) << GbkToUtf8(failure);
  EXPECT_NE(failure.find(records[index].name), std::string::npos)
      << "the failure names the broken record: " << GbkToUtf8(failure);
  // The text wraps inside the page: nothing runs off its right edge or below it.
  const WindowState status = driver_->Get(kStatus);
  const WindowState page = driver_->Get("Father_P");
  EXPECT_LE(status.rect.x + status.rect.width, page.client.width);
  EXPECT_LE(status.rect.y + status.rect.height, page.client.height);
  EXPECT_GT(status.rect.height, 3 * 12) << "several lines";
  driver_->Screenshot(fs::temp_directory_path() / "quenlo-failure-page.bmp", kMainWindow);
  driver_->Click(kCancel);             // closes without a question
  EXPECT_EQ(driver_->WaitExit(), 3u);  // the setup file is damaged
  fs::remove(broken);

  // Every file is the earlier copy, and nothing else is in the folder.
  std::set<fs::path> expected;
  for (const auto& [name, path] : appFiles) {
    expected.insert(destination(name));
    EXPECT_EQ(ReadAll(destination(name)), "earlier " + name) << GbkToUtf8(name);
  }
  for (const auto& entry : fs::recursive_directory_iterator(Native(kInstallDir))) {
    if (entry.is_regular_file()) {
      EXPECT_TRUE(expected.contains(entry.path())) << "left behind: " << entry.path().string();
    }
  }
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  for (const auto& entry : fs::directory_iterator(payload_ / "Exe")) {
    EXPECT_FALSE(fs::exists(fs::path(system) / entry.path().filename())) << entry.path().string();
  }
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\QuenloBoFang"));
  EXPECT_EQ(ReadRegistryString("HKCR", ".avi", ""), kEarlierHandler);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Quenlo.avi"));
  EXPECT_EQ(ReadRegistryString("HKCU", kStartPageKey, "Start Page"), "about:blank");
  for (const std::string& link : demo::ExpectedLinkPaths()) {
    EXPECT_FALSE(fs::exists(Native(link))) << GbkToUtf8(link);
  }
}

TEST_F(InstallationTest, ADamagedSetupFileChangesNothing) { ExpectDamageChangesNothing(setup_); }

// A signed setup file: the records end where the signature begins. It installs everything (its
// programs signed, as the tree it was packed from holds them), and one damaged byte under the
// signature is found as in an unsigned file.
TEST_F(InstallationTest, ASignedSetupFileInstallsAndItsDamageChangesNothing) {
  const fs::path signedSetup = EnvPath("QUENLO_DEMO_SIGNED_SETUP");
  ASSERT_TRUE(fs::exists(signedSetup)) << "run scripts/make-demo-payload.sh --small --signed";
  {
    FileSource source(signedSetup.string());
    ASSERT_TRUE(archive::FindCertificateTable(source)) << "the file is signed";
  }
  payload_ = EnvPath("QUENLO_DEMO_SIGNED_PAYLOAD");
  StartInstalling(signedSetup, /*earlierCopy=*/false, kInstallDir, /*startPage=*/false);
  FinishInstalling();
  ExpectCompleteInstallation();
  RemoveTheInstallation();
  ExpectDamageChangesNothing(signedSetup);
}

// Every file below `folder` whose name says it is a temporary file of an install: one written
// before it took its place (".~N.new"), or an original moved aside (".~N.old").
std::vector<fs::path> InstallLeftovers(const fs::path& folder) {
  std::vector<fs::path> found;
  if (!fs::exists(folder)) return found;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::wstring name = entry.path().filename().wstring();
    if (name.find(L".~") != std::wstring::npos &&
        (name.ends_with(L".new") || name.ends_with(L".old"))) {
      found.push_back(entry.path());
    }
  }
  return found;
}

// Where an install is cut off: a status line the install shows while it is at that moment.
struct CutMoment {
  const char* what;
  std::function<bool(const std::string&)> showing;
};
const CutMoment kHalfWayThroughTheExtraction{"the extraction half way", [](const std::string& s) {
                                               return s.starts_with(kExtractingPrefix) &&
                                                      s.find("bmp") != std::string::npos;
                                             }};
const CutMoment kDuringTheCodecs{"the codec registration", [](const std::string& s) {
                                   return s.starts_with(kRegisteringPrefix);
                                 }};
const CutMoment kDuringTheFileTypes{"the file types",
                                    [](const std::string& s) { return s == kRegisteringTypes; }};

// Ends the setup `driver` started at once, as "End task" or a power cut ends it, at `moment`.
void CutOff(Driver& driver, const CutMoment& moment) {
  driver.WaitState(
      kStatus, [&](const WindowState& s) { return moment.showing(s.text); }, moment.what,
      kInstallTimeout);
  const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, driver.ProcessId());
  ASSERT_NE(process, nullptr);
  TerminateProcess(process, 1);  // the setup this test started
  WaitForSingleObject(process, 10000);
  CloseHandle(process);
}

constexpr const char* kJournalKey = "Software\\QuenloSetupJournal";
constexpr const char* kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// The system as it was before a cut-off install of the demo over the user's own read-me: no
// journal, no file of the install's (the read-me the user's again), no system-folder copy, no
// entry to run at the next start.
void InstallationTest::ExpectNothingOfTheCutOffInstall(const std::optional<fs::path>& readme) {
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kJournalKey));
  EXPECT_FALSE(ReadRegistryString("HKLM", kRunOnceKey, "QuenloSetupRecovery"));
  if (readme) {
    EXPECT_EQ(ReadAll(*readme), "the user's own readme");
    std::vector<fs::path> left;
    for (const auto& entry : fs::recursive_directory_iterator(Native(kInstallDir))) {
      if (entry.path() != *readme && entry.is_regular_file()) left.push_back(entry.path());
    }
    EXPECT_TRUE(left.empty()) << left.size() << " files of the cut-off run, first "
                              << left.front().string();
  } else {  // the folders the folder page made went too
    EXPECT_FALSE(fs::exists(Native(kInstallRoot))) << "the folder the cut-off install made";
  }
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  for (const auto& entry : fs::directory_iterator(payload_ / "Exe")) {
    EXPECT_FALSE(fs::exists(fs::path(system) / entry.path().filename())) << entry.path().string();
  }
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\QuenloBoFang"));
  // No codec left registered, every file type as it was, the start page back.
  for (const auto& [name, path] : AppFiles(payload_)) {
    if (IsCodecLibrary(name)) {
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + demo::ClsidForName(name)))
          << GbkToUtf8(name);
    }
  }
  EXPECT_EQ(ReadRegistryString("HKCR", ".avi", ""), kEarlierHandler);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Quenlo.avi"));
  EXPECT_EQ(ReadRegistryString("HKCU", kStartPageKey, "Start Page"), "about:blank");
}

// The setup's process ended at once, half way through the extraction, while it registered the
// codecs, and while it registered the file types: each time the next start of the setup gives
// back what the cut-off run changed (its files, its system-folder copies, the user's earlier file
// put back, its codecs unregistered, the file types and the start page as they were) before it
// asks anything; then it installs completely, with nothing of the interrupted runs left.
TEST_F(InstallationTest, AnInstallCutOffIsGivenBackByTheNextStart) {
  const fs::path readme = Native(std::string(kInstallDir) + "\\Readme.txt");
  WriteAll(readme, "the user's own readme");
  SetString(HKEY_CURRENT_USER, kStartPageKey, "Start Page", "about:blank");
  for (const CutMoment* moment :
       {&kHalfWayThroughTheExtraction, &kDuringTheCodecs, &kDuringTheFileTypes}) {
    SCOPED_TRACE(moment->what);
    StartInstalling(setup_, /*earlierCopy=*/false, kInstallDir, /*startPage=*/true);
    CutOff(*driver_, *moment);
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kJournalKey)) << "cut off";
    EXPECT_TRUE(ReadRegistryString("HKLM", kRunOnceKey, "QuenloSetupRecovery"));

    driver_ = std::make_unique<Driver>();
    driver_->Start(setup_);
    driver_->WaitWindow(kMainWindow);  // the recovery ran before the window
    ExpectNothingOfTheCutOffInstall(readme);
    driver_->Close(kMainWindow);
    driver_->WaitMessageBox();
    driver_->Answer(IDYES);  // leave the setup
    driver_->WaitExit();
  }

  StartInstalling(setup_, /*earlierCopy=*/false, kInstallDir, /*startPage=*/false);
  FinishInstalling();
  ExpectCompleteInstallation();
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  EXPECT_TRUE(InstallLeftovers(Native(kInstallDir)).empty());
  EXPECT_TRUE(InstallLeftovers(system).empty());
  EXPECT_FALSE(ReadRegistryString("HKLM", kRunOnceKey, "QuenloSetupRecovery"));
}

// Cut off the same way, and nobody starts the setup again: the next start of Windows (Wine's
// restart, which runs the RunOnce entries and the renames left for the restart) gives the
// system back through the copy of the setup the install registered before its first change.
TEST_F(InstallationTest, AnInstallCutOffIsGivenBackByTheNextStartOfWindows) {
  SetString(HKEY_CURRENT_USER, kStartPageKey, "Start Page", "about:blank");
  // Into a folder that is not there yet: the folder page makes it.
  StartInstalling(setup_, /*earlierCopy=*/false, kInstallDir, /*startPage=*/true);
  CutOff(*driver_, kDuringTheCodecs);
  const std::string recovery =
      ReadRegistryString("HKLM", kRunOnceKey, "QuenloSetupRecovery").value_or("");
  ASSERT_NE(recovery, "") << "the install registered its recovery before its first change";

  const auto restart = [] {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring line = L"wineboot.exe -r";
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    WaitForSingleObject(process.hProcess, 120000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  };
  restart();
  ExpectNothingOfTheCutOffInstall(std::nullopt);
  restart();  // the copy, which could not delete itself while it ran, goes at the restart after
  const std::string copy = recovery.substr(1, recovery.find('"', 1) - 1);
  EXPECT_FALSE(fs::exists(Native(copy))) << copy;
}

// The installed demo player, started as a user would; it holds its image while it runs.
class RunningPlayer {
 public:
  RunningPlayer() {
    const std::wstring path = GbkToWide(std::string(kInstallDir) + "\\QuenloMediaPlayer.exe");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring command = L"\"" + path + L"\"";
    started_ = CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process_) != FALSE;
    if (started_) WaitForInputIdle(process_.hProcess, 10000);
  }
  ~RunningPlayer() {
    if (!started_) return;
    TerminateProcess(process_.hProcess, 0);  // the player this test started
    WaitForSingleObject(process_.hProcess, 10000);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                       "PendingFileRenameOperations");
  }
  bool Started() const { return started_; }
  bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

 private:
  PROCESS_INFORMATION process_ = {};
  bool started_ = false;
};

// Installing over an earlier copy whose player is running finishes: the player's file is moved
// aside and replaced, and the old image, which the running player still holds, goes at the next
// restart.
TEST_F(InstallationTest, InstallingOverARunningPlayerFinishes) {
  StartInstalling(setup_, /*earlierCopy=*/false, kInstallDir, /*startPage=*/false);
  FinishInstalling();
  RunningPlayer player;
  ASSERT_TRUE(player.Started());

  StartInstalling(setup_, /*earlierCopy=*/true, /*folder=*/"", /*startPage=*/false);
  FinishInstalling();
  ExpectCompleteInstallation();
  EXPECT_TRUE(player.Running()) << "the player runs on from its old image";
  std::vector<fs::path> aside;
  for (const auto& entry : fs::directory_iterator(Native(kInstallDir))) {
    if (entry.path().filename().wstring().starts_with(L"QuenloMediaPlayer.exe.~")) {
      aside.push_back(entry.path());
    }
  }
  EXPECT_EQ(aside.size(), 1u) << "the old image waits for the next restart";
}

// Runs the installed uninstaller up to its question and answers it.
void AnswerUninstallQuestion(Driver& driver, int answer) {
  driver.Start(Native(std::string(kInstallDir) + "\\UnInstall.exe"));
  const MessageBoxInfo question = driver.WaitMessageBox();
  EXPECT_EQ(GbkToUtf8(question.text), GbkToUtf8(kUninstallQuestion));
  EXPECT_EQ(GbkToUtf8(question.caption), GbkToUtf8("提示信息"));
  EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
  EXPECT_EQ(question.icon, "information");
  driver.Answer(answer);
}

TEST_F(InstallationTest, TheUninstallerGivesTheSystemBackAndKeepsTheUsersFile) {
  SetString(HKEY_CURRENT_USER, kStartPageKey, "Start Page", "about:blank");
  StartInstalling(setup_, /*earlierCopy=*/false, kInstallDir, /*startPage=*/true);
  FinishInstalling();
  ExpectCompleteInstallation();
  EXPECT_EQ(ReadRegistryString("HKLM", kUninstallKey, "UninstallString"),
            "\"" + std::string(kInstallDir) + "\\UnInstall.exe\"");
  const fs::path mine = Native(std::string(kInstallDir) + "\\Project\\我的列表.txt");
  WriteAll(mine, "the user's own");

  driver_ = std::make_unique<Driver>();
  AnswerUninstallQuestion(*driver_, IDYES);
  const MessageBoxInfo notice = driver_->WaitMessageBox(kInstallTimeout);
  EXPECT_EQ(GbkToUtf8(notice.text), GbkToUtf8(kUninstalledNotice));
  EXPECT_EQ(notice.buttons, std::vector<int>{IDOK});
  driver_->Answer(IDOK);
  EXPECT_EQ(driver_->WaitExit(), 0u);
  // Its copy in the temporary folder removes the uninstaller once it has ended.
  const fs::path uninstaller = Native(std::string(kInstallDir) + "\\UnInstall.exe");
  for (int i = 0; i < 300 && fs::exists(uninstaller); ++i) Sleep(100);

  // The user's file is all that is left of the installation.
  std::vector<fs::path> left;
  for (const auto& entry : fs::recursive_directory_iterator(Native(kInstallRoot))) {
    if (entry.is_regular_file()) left.push_back(entry.path());
  }
  EXPECT_EQ(left, std::vector<fs::path>{mine});
  EXPECT_FALSE(fs::exists(Native(std::string(kInstallDir) + "\\Codec")));
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  for (const auto& entry : fs::directory_iterator(payload_ / "Exe")) {
    EXPECT_FALSE(fs::exists(fs::path(system) / entry.path().filename())) << entry.path().string();
  }
  for (const auto& [name, path] : AppFiles(payload_)) {
    if (IsCodecLibrary(name)) {
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + demo::ClsidForName(name)))
          << GbkToUtf8(name);
    }
  }
  for (std::string_view row : MediaExtensions()) {
    const std::string extension(row);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Quenlo" + extension)) << extension;
    if (extension != ".avi") {
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, extension)) << extension;
    }
  }
  EXPECT_EQ(ReadRegistryString("HKCR", ".avi", ""), kEarlierHandler);
  EXPECT_FALSE(ReadRegistryString("HKCR", ".avi", "Quenlo.backup"));
  EXPECT_EQ(ReadRegistryString("HKCU", kStartPageKey, "Start Page"), "about:blank");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\QuenloBoFang"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  for (const std::string& link : demo::ExpectedLinkPaths()) {
    EXPECT_FALSE(fs::exists(Native(link))) << GbkToUtf8(link);
  }
  EXPECT_FALSE(fs::exists(Native(FolderPart(demo::ExpectedLinkPaths()[0])))) << "program group";

  // The copy that removed the uninstaller waits for the next restart, which a test prefix never
  // has: it goes now, with the request.
  for (const auto& entry : fs::directory_iterator(fs::temp_directory_path())) {
    if (!entry.path().filename().wstring().starts_with(L"QuenloUninstall-")) continue;
    std::error_code ignored;
    for (int i = 0; i < 100 && fs::exists(entry.path()); ++i) {
      fs::remove_all(entry.path(), ignored);
      if (fs::exists(entry.path())) Sleep(100);
    }
  }
  RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                     "PendingFileRenameOperations");
}

TEST_F(InstallationTest, NoAtTheUninstallQuestionChangesNothing) {
  StartInstalling(setup_, /*earlierCopy=*/false, kInstallDir, /*startPage=*/false);
  FinishInstalling();
  driver_ = std::make_unique<Driver>();
  AnswerUninstallQuestion(*driver_, IDNO);
  EXPECT_EQ(driver_->WaitExit(), 2u);  // declined
  ExpectCompleteInstallation();
  EXPECT_TRUE(fs::exists(Native(std::string(kInstallDir) + "\\UnInstall.exe")));
  EXPECT_TRUE(fs::exists(Native(std::string(kInstallDir) + "\\UnInstall.rec")));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// Whoever may write the installation folder may change the record there (and checksum it again):
// a line naming a file of theirs' choosing outside the folder. The uninstaller, elevated, refuses
// the record whole and changes nothing.
TEST_F(InstallationTest, ARecordChangedInTheFolderIsRefusedAndChangesNothing) {
  StartInstalling(setup_, /*earlierCopy=*/false, kInstallDir, /*startPage=*/false);
  FinishInstalling();
  const std::string victim = std::string(kInstallRoot) + "-victim.txt";
  WriteAll(Native(victim), "x");
  const fs::path recordFile = Native(std::string(kInstallDir) + "\\UnInstall.rec");
  std::ifstream in(recordFile, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  in.close();
  uninstall::UninstallRecord record = uninstall::DecodeRecord(bytes);
  record.files.push_back({victim, 1, 0x00790079});  // the Adler-32 of "x"
  WriteAll(recordFile, uninstall::EncodeRecord(record));

  driver_ = std::make_unique<Driver>();
  driver_->Start(Native(std::string(kInstallDir) + "\\UnInstall.exe"));
  const MessageBoxInfo notice = driver_->WaitMessageBox();
  EXPECT_EQ(GbkToUtf8(notice.text), GbkToUtf8(kDamagedRecordNotice));
  driver_->Answer(IDOK);
  EXPECT_EQ(driver_->WaitExit(), 3u);  // the record is damaged
  EXPECT_TRUE(fs::exists(Native(victim)));
  ExpectCompleteInstallation();
  fs::remove(Native(victim));
}

// A player still running when it is uninstalled: everything else goes, its file is deleted at
// the next restart, and the notice says so.
TEST_F(InstallationTest, UninstallingARunningPlayerLeavesOnlyItsFileForTheRestart) {
  StartInstalling(setup_, /*earlierCopy=*/false, kInstallDir, /*startPage=*/false);
  FinishInstalling();
  RunningPlayer player;
  ASSERT_TRUE(player.Started());
  driver_ = std::make_unique<Driver>();
  AnswerUninstallQuestion(*driver_, IDYES);
  const MessageBoxInfo notice = driver_->WaitMessageBox(kInstallTimeout);
  EXPECT_NE(GbkToUtf8(notice.text).find(GbkToUtf8("将在计算机重新启动后删除")), std::string::npos)
      << GbkToUtf8(notice.text);
  driver_->Answer(IDOK);
  EXPECT_EQ(driver_->WaitExit(), 3010u);  // done, a file left for the restart

  EXPECT_TRUE(player.Running());
  EXPECT_TRUE(fs::exists(Native(std::string(kInstallDir) + "\\QuenloMediaPlayer.exe")));
  EXPECT_FALSE(fs::exists(Native(std::string(kInstallDir) + "\\Codec")));
  EXPECT_FALSE(fs::exists(Native(std::string(kInstallDir) + "\\UnInstall.rec")));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_NE(demo::PendingRestartDeletions().find("QuenloMediaPlayer.exe"), std::string::npos)
      << demo::PendingRestartDeletions();
}

}  // namespace
}  // namespace quenlo::uidriver
