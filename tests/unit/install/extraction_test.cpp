#include "install/extraction.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "archive/archive_reader.h"
#include "archive/record_stream.h"
#include "install/folders.h"
#include "platform/forwarding_file_system.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/setup_file_builder.h"

namespace quenlo {
namespace {

using testing::FakeClock;
using testing::FakeFileSystem;
using testing::SetupFileBuilder;

class ExtractionTest : public ::testing::Test {
 protected:
  void Install(const SetupFileBuilder& setup, const std::string& installDir = "D:\\Player") {
    files.WriteFile(files.ModulePath(), setup.str());
    ExtractPayload(session, files, clock, installDir, extracted);
  }
  std::string Read(const std::string& path) { return files.ReadFile(path); }
  bool Exists(const std::string& path) { return files.FileExists(path); }
  // Every file below the machine's drives, as native paths (to find stray temporary files).
  std::vector<std::string> AllFilesUnder(const std::string& windowsFolder) {
    std::vector<std::string> found;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(files.NativePath(windowsFolder))) {
      if (entry.is_regular_file()) found.push_back(entry.path().filename().string());
    }
    return found;
  }

  FakeFileSystem files;
  FakeClock clock;
  SetupSession session;
  ExtractedFiles extracted;

  void SetUp() override { files.AddDrive('D', platform::DriveType::Fixed, 1ull << 30); }
};

TEST_F(ExtractionTest, InstallsIntoAFolderTreeThatDoesNotExistYet) {
  SetupFileBuilder setup;
  setup.Add("App\\Readme.txt", "readme")
      .Add("App\\Codec\\Real\\Plugins\\ExtResources\\deep.xrs", "deep")
      .Add("Exe\\bass.dll", "system copy");
  Install(setup);

  EXPECT_EQ(Read("D:\\Player\\Readme.txt"), "readme");
  EXPECT_EQ(Read("D:\\Player\\Codec\\Real\\Plugins\\ExtResources\\deep.xrs"), "deep");
  EXPECT_EQ(Read("C:\\Windows\\system32\\bass.dll"), "system copy");
  // Reading order: the last record of the file first.
  EXPECT_EQ(extracted.paths(),
            (std::vector<std::string>{"C:\\Windows\\system32\\bass.dll",
                                      "D:\\Player\\Codec\\Real\\Plugins\\ExtResources\\deep.xrs",
                                      "D:\\Player\\Readme.txt"}));
  EXPECT_EQ(session.Status.ProgressValue(), 4);  // three files and the image record
  EXPECT_EQ(session.Status.StatusText(), "Quenlo播放v2.0 Tesmar版 准备注册解码器，请稍候...");
  EXPECT_EQ(clock.sleeps(), (std::vector<unsigned>{100, 2, 2, 2, 2, 100}));
}

TEST_F(ExtractionTest, InstallDirIsUsedAsItComes) {
  SetupFileBuilder setup;
  setup.Add("App\\a.txt", "a");
  Install(setup, "D:\\");
  EXPECT_EQ(extracted.paths(), std::vector<std::string>{"D:\\a.txt"});
  EXPECT_EQ(Read("D:\\a.txt"), "a");

  ExtractedFiles again;
  files.CreateFolder("D:\\Slash/");  // as the install sequence does before extracting
  ExtractPayload(session, files, clock, "D:\\Slash/", again);
  EXPECT_EQ(again.paths(), std::vector<std::string>{"D:\\Slash/a.txt"});
}

TEST_F(ExtractionTest, ExistingSystemFileIsKeptButStillCounted) {
  files.WriteFile("C:\\Windows\\system32\\bass.dll", "the system's own");
  SetupFileBuilder setup;
  setup.Add("App\\bass.dll", "ours").Add("Exe\\bass.dll", "ours");
  Install(setup);
  EXPECT_EQ(Read("C:\\Windows\\system32\\bass.dll"), "the system's own");
  EXPECT_EQ(extracted.paths(), std::vector<std::string>{"D:\\Player\\bass.dll"});
  EXPECT_EQ(session.Status.ProgressValue(), 3);
}

TEST_F(ExtractionTest, ExistingInstallationFileIsReplacedAndListed) {
  files.WriteFile("D:\\Player\\Default.ini", "old settings");
  SetupFileBuilder setup;
  setup.Add("App\\Default.ini", "new settings").Add("App\\Project\\PlayFileList", "");
  Install(setup);
  EXPECT_EQ(Read("D:\\Player\\Default.ini"), "new settings");
  EXPECT_TRUE(Exists("D:\\Player\\Project\\PlayFileList"));
  EXPECT_EQ(Read("D:\\Player\\Project\\PlayFileList"), "");
  EXPECT_EQ(extracted.size(), 2u);
}

TEST_F(ExtractionTest, PlayerPathIsFoundWhateverTheCaseAndEvenWhenNotWritten) {
  files.WriteFile("C:\\Windows\\system32\\QUENLOMEDIAPLAYER.EXE", "kept");
  SetupFileBuilder setup;
  setup.Add("Exe\\QUENLOMEDIAPLAYER.EXE", "player");
  Install(setup);
  EXPECT_EQ(session.PlayerExePath, "C:\\Windows\\system32\\QUENLOMEDIAPLAYER.EXE");
  EXPECT_TRUE(extracted.empty());
}

TEST_F(ExtractionTest, UnmappedNamesGoRelativeToTheCurrentFolder) {
  SetupFileBuilder setup;
  setup.Add("app\\lower.txt", "l").Add("Apps\\longer.txt", "s");
  Install(setup);
  EXPECT_EQ(Read("app\\lower.txt"), "l");
  EXPECT_EQ(Read("Apps\\longer.txt"), "s");
  EXPECT_EQ(extracted.paths(), (std::vector<std::string>{"Apps\\longer.txt", "app\\lower.txt"}));
}

TEST_F(ExtractionTest, SameDestinationTwiceIsListedOnce) {
  SetupFileBuilder setup;
  setup.Add("App\\Skin\\a.bmp", "1").Add("App\\Skin\\A.BMP", "2");
  Install(setup);
  EXPECT_EQ(extracted.size(), 1u);
}

TEST_F(ExtractionTest, StatusLinesNameEachRecordAndTheImageRecordHasNone) {
  std::vector<std::string> lines;  // the line shown during each pause
  clock.OnSleep([&](unsigned) { lines.push_back(session.Status.StatusText()); });
  SetupFileBuilder setup;
  setup.Add("App\\Image\\logo_s.ico", "icon").Add("Exe\\誠.dll", "dbcs");
  Install(setup);
  lines.push_back(session.Status.StatusText());
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Quenlo播放v2.0 Tesmar版 正在装备安装，请稍候...",
                       "正在解压缩:   誠.dll",
                       "正在解压缩:   logo_s.ico",
                       "正在解压缩:   ",
                       "Quenlo播放v2.0 Tesmar版 解压缩完毕!",
                       "Quenlo播放v2.0 Tesmar版 准备注册解码器，请稍候...",
                   }));
}

TEST_F(ExtractionTest, NoSetupFileMeansNothingAtAll) {
  files.SetModulePath("C:\\Nowhere\\QuenloSetup.exe");
  ExtractPayload(session, files, clock, "D:\\Player", extracted);
  EXPECT_TRUE(extracted.empty());
  EXPECT_EQ(session.Status.StatusText(), "");
  EXPECT_TRUE(clock.sleeps().empty());
}

// Every file and folder on the machine's drives with its content ("<folder>" for folders).
std::map<std::string, std::string> Snapshot(FakeFileSystem& files) {
  const std::filesystem::path root = files.NativePath("C:\\").parent_path();
  std::map<std::string, std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string relative = std::filesystem::relative(entry.path(), root).string();
    if (entry.is_directory()) {
      entries[relative] = "<folder>";
    } else {
      std::ifstream in(entry.path(), std::ios::binary);
      entries[relative].assign(std::istreambuf_iterator<char>(in), {});
    }
  }
  return entries;
}

// An extraction that fails at any point leaves exactly the earlier state: the files it wrote are
// gone, the files it replaced are back, the folders it created are removed, no temporary file is
// left, and nothing is listed.
TEST_F(ExtractionTest, AFailureAtAnyPointUndoesTheWholePass) {
  std::vector<unsigned char> broken =
      archive::CompressRecord(std::vector<unsigned char>(5000, 'x'));
  broken.back() ^= 0xFF;  // bad Adler-32: found only at the very end of the stream
  const std::string big(300000, 'z');
  // Records in reading order (the builder's last one is read first).
  const std::vector<std::pair<std::string, std::string>> records = {
      {"App\\first.dll", "first"},
      {"App\\Default.ini", "new settings"},
      {"App\\Skin\\Blue\\a.bmp", "bmp"},
      {"Exe\\bass.dll", "temporary"},
      {"App\\big.dat", big},
      {"App\\last.txt", "last"},
  };
  struct Case {
    const char* what;
    std::string brokenRecord;  // stored as a broken stream
    std::function<void(FakeFileSystem&)> arrange;
  };
  const std::vector<Case> cases = {
      {"the first record is broken", "App\\first.dll", {}},
      {"a middle record is broken", "Exe\\bass.dll", {}},
      {"the last record is broken", "App\\last.txt", {}},
      {"the disk is full", "", [](FakeFileSystem& f) { f.FailWritesBeyond(100000); }},
      {"a file cannot be replaced", "",
       [](FakeFileSystem& f) {
         f.HoldFile("D:\\Player\\Default.ini", FakeFileSystem::Hold::kLocked);
       }},
      {"a folder cannot be written", "",
       [](FakeFileSystem& f) { f.DenyWritesIn("D:\\Player\\Skin\\Blue"); }},
      {"a folder inside is a link elsewhere", "",
       [](FakeFileSystem& f) { f.MakeFolderLink("D:\\Player\\Skin", "D:\\Elsewhere"); }},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    FakeFileSystem machine;
    machine.AddDrive('D', platform::DriveType::Fixed, 1ull << 30);
    machine.WriteFile("D:\\Player\\Default.ini", "old settings");
    machine.WriteFile("D:\\Player\\mine.txt", "the user's own");
    SetupFileBuilder setup;
    for (auto record = records.rbegin(); record != records.rend(); ++record) {
      if (record->first == test.brokenRecord) {
        setup.AddStored(record->first, broken);
      } else {
        setup.Add(record->first, record->second);
      }
    }
    machine.WriteFile(machine.ModulePath(), setup.str());
    if (test.arrange) test.arrange(machine);
    const auto before = Snapshot(machine);

    SetupSession fresh;
    ExtractedFiles list;
    bool undone = false;
    EXPECT_ANY_THROW(ExtractPayload(fresh, machine, clock, "D:\\Player", list, &undone));
    EXPECT_TRUE(undone);
    EXPECT_EQ(Snapshot(machine), before);
    EXPECT_TRUE(list.empty());
  }
}

// Whoever may write the installation folder may put a link into it: a folder pointing at the
// system folder. The setup writes nothing through it, and says why.
TEST_F(ExtractionTest, NothingIsWrittenThroughALinkInsideTheInstallationFolder) {
  files.WriteFile("C:\\Windows\\system32\\kernel32.dll", "the system's own");
  files.MakeFolderLink("D:\\Player\\Codec", "C:\\Windows\\system32");
  SetupFileBuilder setup;
  setup.Add("App\\Codec\\kernel32.dll", "planted");
  files.WriteFile(files.ModulePath(), setup.str());
  try {
    ExtractPayload(session, files, clock, "D:\\Player", extracted);
    ADD_FAILURE() << "the extraction went through the link";
  } catch (const IoError& error) {
    EXPECT_EQ(error.problem(), IoProblem::LinkedFolder);
    EXPECT_EQ(error.path(), "D:\\Player\\Codec");
  }
  EXPECT_EQ(Read("C:\\Windows\\system32\\kernel32.dll"), "the system's own");
}

// A file that a running program holds is moved aside and replaced; the moved-aside copy goes at
// the next restart, since the program still runs from it.
TEST_F(ExtractionTest, AFileInUseIsReplacedAndItsOldCopyGoesAtRestart) {
  files.WriteFile("D:\\Player\\QuenloMediaPlayer.exe", "running player");
  files.WriteFile("D:\\Player\\Default.ini", "old settings");
  files.HoldFile("D:\\Player\\QuenloMediaPlayer.exe", FakeFileSystem::Hold::kRunning);
  SetupFileBuilder setup;
  setup.Add("App\\QuenloMediaPlayer.exe", "new player").Add("App\\Default.ini", "new settings");
  Install(setup);
  EXPECT_EQ(Read("D:\\Player\\QuenloMediaPlayer.exe"), "new player");
  EXPECT_EQ(Read("D:\\Player\\Default.ini"), "new settings");
  ASSERT_EQ(files.removalsAtRestart().size(), 1u);
  const std::string aside = files.removalsAtRestart().front();
  EXPECT_TRUE(aside.starts_with("D:\\Player\\QuenloMediaPlayer.exe.~")) << aside;
  EXPECT_EQ(Read(aside), "running player");
  // The settings file was not held: its old copy is gone at once.
  EXPECT_EQ(AllFilesUnder("D:\\Player").size(), 3u);
  EXPECT_EQ(extracted.size(), 2u);
}

TEST_F(ExtractionTest, NameThatWouldLeaveItsFolderIsABrokenArchive) {
  for (const std::string name : {"App\\..\\..\\evil.dll", "Exe\\..\\evil.dll", "\\evil.dll",
                                 "C:\\evil.dll", "App\\x/../../evil.dll"}) {
    SCOPED_TRACE(name);
    SetupFileBuilder setup;
    setup.Add(name, "evil").Add("App\\ok.txt", "ok");
    ExtractedFiles list;
    files.WriteFile(files.ModulePath(), setup.str());
    EXPECT_THROW(ExtractPayload(session, files, clock, "D:\\Player\\Sub", list),
                 archive::ArchiveError);
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(Exists("D:\\Player\\Sub\\ok.txt"));  // written before it, then undone
    EXPECT_FALSE(Exists("D:\\evil.dll"));
    EXPECT_FALSE(Exists("C:\\evil.dll"));
    EXPECT_FALSE(Exists("C:\\Windows\\evil.dll"));
    EXPECT_FALSE(Exists("evil.dll"));
  }
}

// A file system whose setup file reports the largest single read it was asked for.
class MeasuringFileSystem final : public platform::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  std::size_t largestRead = 0;

  std::unique_ptr<ByteSource> OpenForReading(const std::string& p) override {
    return std::make_unique<Source>(inner_.OpenForReading(p), largestRead);
  }

 private:
  struct Source final : ByteSource {
    Source(std::unique_ptr<ByteSource> inner, std::size_t& largest)
        : inner_(std::move(inner)), largest_(largest) {}
    std::uint64_t Size() const override { return inner_->Size(); }
    void ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
      largest_ = std::max(largest_, size);
      inner_->ReadAt(offset, buffer, size);
    }
    std::unique_ptr<ByteSource> inner_;
    std::size_t& largest_;
  };
};

TEST_F(ExtractionTest, ReadsTheSetupFileInBoundedPieces) {
  std::string large(8 << 20, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>((i * 7919) >> 9);
  SetupFileBuilder setup(std::string(3 << 20, 'M'));  // a large image, never read whole
  setup.Add("App\\large.bin", large);
  files.WriteFile(files.ModulePath(), setup.str());
  MeasuringFileSystem measuring(files);
  ExtractPayload(session, measuring, clock, "D:\\Player", extracted);
  EXPECT_EQ(Read("D:\\Player\\large.bin"), large);
  EXPECT_LE(measuring.largestRead, archive::kLargestWholeRead);
}

TEST(ForceFolders, CreatesEachMissingFolderOutermostFirstButNeverARoot) {
  FakeFileSystem files;
  ForceFolders(files, "C:\\Program Files\\Player\\Skin\\");
  EXPECT_TRUE(files.FolderExists("C:\\Program Files\\Player\\Skin"));
  ForceFolders(files, "C:\\誠\\錦");  // trail bytes 0x5C are no separators
  EXPECT_TRUE(files.FolderExists("C:\\誠\\錦"));
  EXPECT_FALSE(files.FolderExists("C:\\\xD5"));
  ForceFolders(files, "");
  ForceFolders(files, "Q:\\missing\\drive");  // passed over in silence
  EXPECT_FALSE(files.FolderExists("Q:\\missing"));
}

TEST(MapRecordName, RootsAreExactButReplacementsIgnoreCase) {
  const std::string install = "D:\\Player\\";
  const std::string system = "C:\\Windows\\system32\\";
  EXPECT_EQ(MapRecordName("App\\Codec\\Real\\Codecs\\cook.dll", install, system),
            "D:\\Player\\Codec\\Real\\Codecs\\cook.dll");
  EXPECT_EQ(MapRecordName("App\\sub\\APP\\x", install, system), "D:\\Player\\sub\\D:\\Player\\x");
  EXPECT_EQ(MapRecordName("Exe\\bass.dll", install, system), "C:\\Windows\\system32\\bass.dll");
  EXPECT_EQ(MapRecordName("EXE\\bass.dll", install, system), "EXE\\bass.dll");
  EXPECT_EQ(MapRecordName("", install, system), "");
}

}  // namespace
}  // namespace quenlo
