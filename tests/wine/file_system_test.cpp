// The Win32 file-system backend against real files under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "demo/check/install_check.h"
#include "install/change_journal.h"
#include "platform/win32/access_list.h"
#include "platform/win32/backend.h"
#include "platform/win32/wide_text.h"

namespace quenlo {
namespace {

class RealFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    CreateDirectoryA(temp, nullptr);
    folder = std::string(temp) + "quenlo-fs-test";
    TearDown();  // what an interrupted earlier run left behind
    ASSERT_TRUE(files->CreateFolder(folder));
  }
  void TearDown() override { RemoveTree(WideFolder()); }
  // The test folder as the wide calls name it (GetTempPathA gave it in the ANSI code page).
  std::wstring WideFolder() const {
    std::wstring wide(folder.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, folder.data(), static_cast<int>(folder.size()), wide.data(),
                            static_cast<int>(wide.size()))));
    return wide;
  }
  // `path` with everything in it.
  static void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring child = path + L"\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(child);
        } else {
          DeleteFileW(child.c_str());
        }
      } while (FindNextFileW(find, &entry));
      FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  int FilesInFolder() {
    int count = 0;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do count += (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
    while (FindNextFileA(find, &entry));
    FindClose(find);
    return count;
  }

  std::unique_ptr<platform::FileSystem> files = win32::MakeFileSystem();
  std::string folder;
};

TEST_F(RealFileSystemTest, ReplacementAppearsOnlyWhenCommitted) {
  const std::string path = folder + "\\誠.txt";  // a GBK name whose trail byte is 0x5C
  std::ofstream(path, std::ios::binary) << "old content";
  {
    auto pending = files->BeginReplace(path);
    pending->Write("new", 3);
    EXPECT_EQ(Read(path), "old content");
    pending->Commit();
  }
  EXPECT_EQ(Read(path), "new");
  EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(RealFileSystemTest, AbandonedReplacementLeavesOldFileAndNoTemporary) {
  const std::string path = folder + "\\kept.dll";
  std::ofstream(path, std::ios::binary) << "original";
  {
    auto pending = files->BeginReplace(path);
    pending->Write("partial", 7);
  }
  EXPECT_EQ(Read(path), "original");
  EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(RealFileSystemTest, ExistenceAndReading) {
  const std::string path = folder + "\\data.bin";
  EXPECT_FALSE(files->FileExists(path));
  std::ofstream(path, std::ios::binary) << "0123456789";
  EXPECT_TRUE(files->FileExists(path));
  EXPECT_FALSE(files->FolderExists(path));
  EXPECT_TRUE(files->FolderExists(folder));
  EXPECT_FALSE(files->FileExists(folder));

  auto source = files->OpenForReading(path);
  EXPECT_EQ(source->Size(), 10u);
  char buffer[4] = {};
  source->ReadAt(6, buffer, 4);
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_THROW(source->ReadAt(8, buffer, 4), IoError);
  source.reset();

  EXPECT_TRUE(files->RemoveFile(path));
  EXPECT_FALSE(files->RemoveFile(path));
  EXPECT_THROW(files->OpenForReading(path), IoError);
}

TEST_F(RealFileSystemTest, CreateFolderIsSingleLevel) {
  EXPECT_FALSE(files->CreateFolder(folder + "\\a\\b"));
  EXPECT_TRUE(files->CreateFolder(folder + "\\a"));
  EXPECT_TRUE(files->CreateFolder(folder + "\\a\\b"));
  EXPECT_TRUE(files->FolderExists(folder + "\\a\\b"));
  RemoveDirectoryA((folder + "\\a\\b").c_str());
  RemoveDirectoryA((folder + "\\a").c_str());
}

// Any file or folder in a folder counts; an empty or a missing folder holds nothing. The folders
// are made through the wide calls, so a GBK name reaches the right one only when converted right
// (誠's trail byte is 0x5C, a backslash); the folder page passes its folder with a trailing
// backslash.
TEST_F(RealFileSystemTest, FolderHasEntriesSeesAnyFileOrFolder) {
  enum class Inside { kNothing, kFile, kFolder, kNoFolderAtAll };
  const struct {
    const wchar_t* wideName;
    const char* name;  // GBK
    Inside inside;
    const char* suffix;
    bool expected;
  } rows[] = {
      {L"empty", "empty", Inside::kNothing, "", false},
      {L"file", "file", Inside::kFile, "", true},
      {L"subfolder", "subfolder", Inside::kFolder, "", true},
      {L"missing", "missing", Inside::kNoFolderAtAll, "", false},
      {L"播放誠", "播放誠", Inside::kFile, "", true},
      {L"trailing", "trailing", Inside::kFile, "\\", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::wstring wide = WideFolder() + L"\\" + row.wideName;
    if (row.inside != Inside::kNoFolderAtAll) {
      ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr));
    }
    if (row.inside == Inside::kFolder) {
      ASSERT_TRUE(CreateDirectoryW((wide + L"\\Codec").c_str(), nullptr));
    }
    if (row.inside == Inside::kFile) {
      const HANDLE file = CreateFileW((wide + L"\\Player.exe").c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(file, INVALID_HANDLE_VALUE);
      CloseHandle(file);
    }
    EXPECT_EQ(files->FolderHasEntries(folder + "\\" + row.name + row.suffix), row.expected);
  }
}

TEST_F(RealFileSystemTest, SystemQueries) {
  const std::string system = files->SystemFolder();
  EXPECT_TRUE(files->FolderExists(system)) << system;
  EXPECT_NE(system.back(), '\\');
  EXPECT_EQ(files->QueryDriveType("C:\\"), platform::DriveType::Fixed);
  const auto space = files->GetDiskSpace("C:\\");
  ASSERT_TRUE(space.has_value());
  EXPECT_GT(space->totalBytes, 0u);
  EXPECT_FALSE(files->GetDiskSpace("Q:\\nowhere\\").has_value());
  EXPECT_TRUE(files->FileExists(files->ModulePath()));
}

// A copy of quenlo-hold-image.exe (built beside this test program) running from `path` until the
// object goes.
class RunningProgram {
 public:
  explicit RunningProgram(const std::string& path) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string program = self;
    program = program.substr(0, program.rfind('\\') + 1) + "quenlo-hold-image.exe";
    if (!CopyFileA(program.c_str(), path.c_str(), FALSE)) return;
    started_ = CreateEventA(nullptr, TRUE, FALSE, "quenlo-hold-image-started");
    finish_ = CreateEventA(nullptr, TRUE, FALSE, "quenlo-hold-image-finish");
    std::string command = "\"" + path + "\" quenlo-hold-image-started quenlo-hold-image-finish";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (CreateProcessA(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process_)) {
      running_ = WaitForSingleObject(started_, 10000) == WAIT_OBJECT_0;
    }
  }
  ~RunningProgram() {
    if (finish_ != nullptr) SetEvent(finish_);
    if (process_.hProcess != nullptr) {
      WaitForSingleObject(process_.hProcess, 10000);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
    if (started_ != nullptr) CloseHandle(started_);
    if (finish_ != nullptr) CloseHandle(finish_);
  }
  bool running() const { return running_; }

 private:
  HANDLE started_ = nullptr;
  HANDLE finish_ = nullptr;
  PROCESS_INFORMATION process_ = {};
  bool running_ = false;
};

// Installing over a running program: a plain replacement is refused, as the system refuses to
// overwrite a running image; through the journal its file is moved aside and the new one takes
// its place, and the old image, which cannot be deleted while it runs, goes at the next restart.
TEST_F(RealFileSystemTest, ARunningProgramIsReplacedAndItsOldImageGoesAtRestart) {
  const std::string path = folder + "\\Player.exe";
  const bool pendingBefore = !demo::PendingRestartDeletions().empty();
  RunningProgram player(path);
  ASSERT_TRUE(player.running());
  {
    auto plain = files->BeginReplace(path);
    plain->Write("new", 3);
    EXPECT_THROW(plain->Commit(), IoError);
  }
  ChangeJournal journal(*files);
  auto replacement = journal.BeginReplace(path);
  replacement->Write("new player", 10);
  replacement->Commit();
  EXPECT_EQ(Read(path), "new player");
  journal.Keep();
  ASSERT_EQ(journal.leftForRestart().size(), 1u);
  const std::string aside = journal.leftForRestart().front();
  EXPECT_TRUE(files->FileExists(aside)) << aside;
  EXPECT_NE(demo::PendingRestartDeletions().find(aside.substr(aside.rfind('\\') + 1)),
            std::string::npos)
      << demo::PendingRestartDeletions();
  if (!pendingBefore) {  // the prefix is shared: leave it no deletion to perform at its next start
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                       "PendingFileRenameOperations");
  }
}

// The Unix path of a Windows path under Wine; "" elsewhere. ASCII paths only.
std::string UnixPath(const std::string& path) {
  using UnixName = char*(__cdecl*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return {};
  const std::wstring wide(path.begin(), path.end());
  char* name = unixName(wide.c_str());
  const std::string text = name != nullptr ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return text;
}

// Runs one of the system's own programs (Wine starts a Unix program like any other) and waits,
// up to 5 s, until `done` says its work is done; false when it could not be started or did not.
template <typename Done>
bool RunUnixCommand(std::string command, Done done) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int i = 0; i < 100; ++i) {  // a Unix program's end is not waited for as a Windows one's
    if (done()) return true;
    Sleep(50);
  }
  return false;
}

bool IsReparsePointHere(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Makes `link` a symbolic link to the folder `target` as a user on the machine would: under Wine a
// Unix symbolic link inside the prefix reads as a reparse point (Wine's CreateSymbolicLink makes
// nothing), so the system's own ln makes it. False where that cannot be done.
bool MakeFolderLink(const std::string& link, const std::string& target) {
  const std::string unixLink = UnixPath(link), unixTarget = UnixPath(target);
  if (unixLink.empty() || unixTarget.empty()) return false;
  return RunUnixCommand("Z:\\bin\\ln -s " + unixTarget + " " + unixLink,
                        [&] { return IsReparsePointHere(link); });
}

// Removes the link itself (Wine's RemoveDirectory would remove the folder it points to).
void RemoveFolderLink(const std::string& link) {
  RunUnixCommand("Z:\\bin\\rm -f " + UnixPath(link),
                 [&] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

// A folder inside the installation folder that is a link to another place (as a user who may
// write the folder makes one) reads as a reparse point, and the journal writes nothing through it.
TEST_F(RealFileSystemTest, NothingIsWrittenThroughALinkInsideTheGuardedFolder) {
  const std::string target = folder + "-target";
  const std::string link = folder + "\\Codec";
  CreateDirectoryA(target.c_str(), nullptr);
  if (!MakeFolderLink(link, target)) {
    RemoveDirectoryA(target.c_str());
    GTEST_SKIP() << "no symbolic link can be made here";
  }
  EXPECT_TRUE(files->IsReparsePoint(link));
  EXPECT_FALSE(files->IsReparsePoint(folder));
  ChangeJournal journal(*files, folder);
  try {
    auto file = journal.BeginReplace(link + "\\a.dll");
    file->Write("planted", 7);
    file->Commit();
    ADD_FAILURE() << "written through the link";
  } catch (const IoError& error) {
    EXPECT_EQ(error.problem(), IoProblem::LinkedFolder);
  }
  EXPECT_FALSE(files->FileExists(target + "\\a.dll"));
  RemoveFolderLink(link);
  DeleteFileA((target + "\\a.dll").c_str());
  RemoveDirectoryA(target.c_str());
}

// A file is deleted exactly: by its name, read-only or not, and also by its short 8.3 name; not
// through a folder that is a link to another place.
TEST_F(RealFileSystemTest, ExactDeletionGoesNotThroughALink) {
  const std::string plain = folder + "\\plain.dll";
  const std::string readOnly = folder + "\\read-only.dll";
  for (const std::string& path : {plain, readOnly}) std::ofstream(path, std::ios::binary) << "x";
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(files->RemoveFileExactly(plain));
  EXPECT_TRUE(files->RemoveFileExactly(readOnly));
  EXPECT_FALSE(files->FileExists(plain) || files->FileExists(readOnly));
  EXPECT_FALSE(files->RemoveFileExactly(plain));  // gone already

  const std::string longName = folder + "\\a long folder name";
  CreateDirectoryA(longName.c_str(), nullptr);
  std::ofstream(longName + "\\codec.dll", std::ios::binary) << "x";
  char shortName[MAX_PATH] = {};
  if (GetShortPathNameA(longName.c_str(), shortName, MAX_PATH) != 0) {
    EXPECT_TRUE(files->RemoveFileExactly(std::string(shortName) + "\\codec.dll")) << shortName;
  }
  DeleteFileA((longName + "\\codec.dll").c_str());
  RemoveDirectoryA(longName.c_str());

  const std::string target = folder + "-target";
  const std::string link = folder + "\\Codec";
  CreateDirectoryA(target.c_str(), nullptr);
  std::ofstream(target + "\\a.dll", std::ios::binary) << "x";
  if (MakeFolderLink(link, target)) {
    EXPECT_FALSE(files->RemoveFileExactly(link + "\\a.dll"));
    EXPECT_TRUE(files->FileExists(target + "\\a.dll"));
    RemoveFolderLink(link);
  }
  DeleteFileA((target + "\\a.dll").c_str());
  RemoveDirectoryA(target.c_str());
}

// The access list of what is made where others may write: the system takes it for a new folder
// and in place of an existing one's (Wine keeps neither, but refuses a list it cannot read).
TEST_F(RealFileSystemTest, TheAdministratorsOnlyListIsTaken) {
  win32::AdministratorsOnly access;
  ASSERT_NE(access.attributes(), nullptr);
  const std::wstring made = win32::Wide(folder + "\\made");
  EXPECT_TRUE(CreateDirectoryW(made.c_str(), access.attributes()));
  EXPECT_TRUE(access.ApplyTo(win32::Wide(folder)));
  RemoveDirectoryW(made.c_str());
}

}  // namespace
}  // namespace quenlo
