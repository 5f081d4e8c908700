// The uninstall record: written and read back, damage refused; what the install notes for it,
// and the uninstall entry.
#include "install/uninstall_record.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>

#include "install/install_sequence.h"
#include "install/uninstall_entry.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_libraries.h"
#include "tests/support/fake_registry.h"
#include "tests/support/setup_file_builder.h"

namespace quenlo::uninstall {
namespace {

using State = ExtensionBefore::State;

UninstallRecord Sample() {
  UninstallRecord record;
  record.installFolder = "C:\\端到端\\Quenlo播放";  // GBK trail bytes include 0x5C
  record.createdFolders = {"C:\\端到端", "C:\\端到端\\Quenlo播放", "C:\\端到端\\Quenlo播放\\Image"};
  record.files = {{"C:\\端到端\\Quenlo播放\\Readme.txt", 1234, 0x0A1B2C3D},
                  {"C:\\端到端\\Quenlo播放\\a 100%.dll", 0, 1}};
  record.codecs = {"C:\\端到端\\Quenlo播放\\Codec\\x.ax"};
  record.extensions = {{".avi", State::Handler, "Old Player\r\n%1"},
                       {".mkv", State::NoHandler, ""},
                       {".rm", State::Absent, ""}};
  record.startPage = StartPageChange{"http://start.tesmar.example/?my", "about:blank"};
  record.links = {"C:\\Users\\Mei\\Desktop\\Quenlo播放.lnk"};
  record.programGroup = "C:\\Users\\Mei\\Programs\\Quenlo播放\\";
  return record;
}

TEST(UninstallRecord, ReadsBackWhatWasWrittenThroughTheFileSystem) {
  testing::FakeFileSystem files;
  const UninstallRecord record = Sample();
  const std::string path = RecordPath(record.installFolder);
  EXPECT_EQ(path, "C:\\端到端\\Quenlo播放\\UnInstall.rec");
  files.CreateFolder("C:\\端到端");
  files.CreateFolder("C:\\端到端\\Quenlo播放");
  WriteRecord(files, path, record);
  EXPECT_EQ(ReadRecord(files, path), record);

  // Lines a person can read; a line break in a value cannot end its line.
  const std::string text = files.ReadFile(path);
  EXPECT_TRUE(text.starts_with("Quenlo播放 uninstall record\r\nversion 1\r\n")) << text;
  EXPECT_NE(text.find("\r\nfile 1234 0A1B2C3D C:\\端到端\\Quenlo播放\\Readme.txt\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\r\ntype .avi handler Old Player%0D%0A%251\r\n"), std::string::npos);

  UninstallRecord noEarlierPage = record;
  noEarlierPage.startPage->before.reset();  // there was no start page before
  EXPECT_EQ(DecodeRecord(EncodeRecord(noEarlierPage)), noEarlierPage);
}

TEST(UninstallRecord, DamagedTruncatedOrUnknownRecordsAreRefused) {
  const std::string good = EncodeRecord(Sample());
  std::string flipped = good;
  flipped[good.find("1234")] = '9';  // the size of a file changed
  std::string newer = good;
  newer.replace(newer.find("version 1"), 9, "version 2");
  const std::string unknownLine = "Quenlo播放 uninstall record\r\nversion 1\r\nfolders C:\\\r\n";
  // Its checksum is right, so only the line it does not know can have it refused.
  char checksum[9];
  std::snprintf(checksum, sizeof checksum, "%08lX",
                crc32(0, reinterpret_cast<const Bytef*>(unknownLine.data()),
                      static_cast<uInt>(unknownLine.size())));
  const struct {
    const char* name;
    std::string bytes;
    RecordError::Kind kind;
  } cases[] = {
      {"a changed byte", flipped, RecordError::Kind::Damaged},
      {"cut after an entry", good.substr(0, good.find("\r\ncodec") + 2),
       RecordError::Kind::Damaged},
      {"cut inside the checksum line", good.substr(0, good.size() - 3), RecordError::Kind::Damaged},
      {"empty", "", RecordError::Kind::Damaged},
      {"no signature", good.substr(good.find("version")), RecordError::Kind::Damaged},
      {"another version", newer, RecordError::Kind::UnknownVersion},
      {"an unknown line, checksum and all", unknownLine + "checksum " + checksum + "\r\n",
       RecordError::Kind::Damaged},
  };
  for (const auto& c : cases) {
    try {
      DecodeRecord(c.bytes);
      ADD_FAILURE() << c.name << ": accepted";
    } catch (const RecordError& error) {
      EXPECT_EQ(error.kind(), c.kind) << c.name << ": " << error.what();
    }
  }
  testing::FakeFileSystem files;
  try {
    ReadRecord(files, "C:\\Nowhere\\UnInstall.rec");
    ADD_FAILURE() << "a missing record was read";
  } catch (const RecordError& error) {
    EXPECT_EQ(error.kind(), RecordError::Kind::Missing);
  }
}

// The install sequence notes what it changed, with each file's size and the checksum its stream
// carried, and leaves out the temporary system-folder files.
TEST(UninstallNotes, TheSequenceNotesFilesFoldersCodecsAndEarlierHandlers) {
  testing::FakeFileSystem files;
  testing::FakeRegistry registry;
  testing::FakeLibraries libraries;
  testing::FakeClock clock;
  files.AddDrive('D', platform::DriveType::Fixed, 1ull << 30);
  registry.SetString(platform::RegistryRoot::ClassesRoot, ".avi", "", "AVIFile");
  registry.CreateKey(platform::RegistryRoot::ClassesRoot, ".mkv");
  testing::SetupFileBuilder setup;
  setup.Add("App\\Codec\\tmAudio.ax", "filter")
      .Add("App\\Readme.txt", "")
      .Add("Exe\\bass.dll", "t");
  files.WriteFile(files.ModulePath(), setup.str());
  libraries.Script("D:\\Player\\Codec\\tmAudio.ax", platform::EntryPointOutcome::Returning(0));
  SetupSession session;
  session.UseChinese = 1;
  UninstallRecord record;
  RunInstallSequence(session, {files, registry, libraries, clock, nullptr, &record}, "D:\\Player");

  EXPECT_EQ(record.installFolder, "D:\\Player");
  ASSERT_GE(record.createdFolders.size(), 2u);
  EXPECT_EQ(record.createdFolders.front(), "D:\\Player");
  // "filter": Adler-32 0x08BF0287; an empty file: 1.
  // The chain is walked from its end: the last record first.
  EXPECT_EQ(record.files,
            (std::vector<InstalledFile>{{"D:\\Player\\Readme.txt", 0, 1},
                                        {"D:\\Player\\Codec\\tmAudio.ax", 6, 0x08BF0287}}));
  EXPECT_EQ(record.codecs, std::vector<std::string>{"D:\\Player\\Codec\\tmAudio.ax"});
  ASSERT_EQ(record.extensions.size(), 54u);  // the doubled rows once
  const auto find = [&](const std::string& ext) {
    for (const ExtensionBefore& type : record.extensions) {
      if (type.extension == ext) return type;
    }
    return ExtensionBefore{};
  };
  EXPECT_EQ(find(".avi"), (ExtensionBefore{".avi", State::Handler, "AVIFile"}));
  EXPECT_EQ(find(".mkv"), (ExtensionBefore{".mkv", State::NoHandler, ""}));
  EXPECT_EQ(find(".wax"), (ExtensionBefore{".wax", State::Absent, ""}));
}

TEST(UninstallEntry, ListsTheInstallationWithItsSizeInKibAndNoModifyOrRepair) {
  testing::FakeRegistry registry;
  UninstallRecord record;
  record.installFolder = "C:\\Quenlo";
  record.files = {{"C:\\Quenlo\\a", 1024, 1}, {"C:\\Quenlo\\b", 1, 1}};
  ASSERT_TRUE(WriteUninstallEntry(registry, record));
  const auto root = platform::RegistryRoot::LocalMachine;
  const auto text = [&](const char* name) {
    const auto value = registry.Value(root, kUninstallEntryKey, name);
    return value ? value->data : std::string("(none)");
  };
  EXPECT_EQ(text("Publisher"), "Korvex");
  EXPECT_EQ(text("InstallLocation"), "C:\\Quenlo\\");
  EXPECT_EQ(text("UninstallString"), "\"C:\\Quenlo\\UnInstall.exe\"");
  EXPECT_EQ(text("QuietUninstallString"), "\"C:\\Quenlo\\UnInstall.exe\" /S");
  EXPECT_EQ(text("EstimatedSize"), std::string("\x02\0\0\0", 4));  // 1025 bytes: 2 KiB
  EXPECT_EQ(text("NoModify"), std::string("\x01\0\0\0", 4));
  EXPECT_EQ(registry.Value(root, kUninstallEntryKey, "NoRepair")->type,
            testing::FakeRegistry::ValueType::Dword);
}

// Installing over an earlier install finds the player's own traces; the earlier record knows
// what was there before them.
TEST(UninstallEntry, AnInstallOverAnEarlierOneKeepsWhatTheEarlierRecordFound) {
  UninstallRecord earlier;
  earlier.createdFolders = {"C:\\Quenlo"};
  earlier.extensions = {{".avi", State::Absent, ""}, {".mkv", State::Handler, "VLC"}};
  earlier.startPage = StartPageChange{"http://site/", "about:blank"};
  UninstallRecord now;
  now.extensions = {{".avi", State::Handler, "Quenlo.avi"}, {".mkv", State::Handler, "Other"}};
  now.startPage = StartPageChange{"http://site/", "http://site/"};
  MergeEarlierRecord(now, earlier);
  EXPECT_EQ(now.extensions, (std::vector<ExtensionBefore>{{".avi", State::Absent, ""},
                                                          {".mkv", State::Handler, "Other"}}));
  EXPECT_EQ(now.startPage->before, std::optional<std::string>("about:blank"));
  EXPECT_EQ(now.createdFolders, std::vector<std::string>{"C:\\Quenlo"});
}

}  // namespace
}  // namespace quenlo::uninstall
