// Where the extraction writes a new file in its place and where through a temporary name: in
// place only inside a folder nobody but administrators may change, since in any other a link made
// on the way while it is written could leave it, under its real name, wherever the link points.
#include "install/change_journal.h"

#include <gtest/gtest.h>

#include "base/path.h"
#include "install/folders.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_registry.h"

namespace quenlo {
namespace {

// The temporary name the journal announced for `destination` (the last announcement of it).
std::string AnnouncedTemporary(const InstallJournal& journal, const std::string& destination) {
  std::string temporary;
  for (const JournalEntry& entry : journal.entries()) {
    if (entry.kind == JournalEntry::Kind::NewFile && entry.path == destination) {
      temporary = entry.temporary;
    }
  }
  return temporary;
}

TEST(ChangeJournal, WritesANewFileInItsPlaceOnlyWhereOnlyAdministratorsMayChangeTheFolder) {
  const struct {
    const char* what;
    bool insideProgramFiles;    // nothing made there needs an access list of its own
    bool installMadeTheFolder;  // D:\Apps, before the pass
    const char* destination;
    bool inPlace;
  } cases[] = {
      {"a folder somebody else made", false, false, "D:\\Apps\\a.dll", false},
      {"the folder the install made", false, true, "D:\\Apps\\a.dll", true},
      {"a folder the pass makes", false, false, "D:\\Apps\\New\\a.dll", true},
      {"inside Program Files", true, false, "D:\\Apps\\a.dll", true},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    testing::FakeFileSystem files;
    files.AddDrive('D', platform::DriveType::Fixed, 1ull << 30);
    files.CreateFolder("D:\\Apps");
    testing::FakeRegistry registry;
    InstallJournal disk(registry);
    if (test.installMadeTheFolder) disk.NoteOwnFolder("D:\\Apps");
    ChangeJournal journal(files, "D:\\Apps", !test.insideProgramFiles, &disk);
    journal.Plan({test.destination});
    ForceFolders(journal, FolderPart(test.destination));
    auto file = journal.BeginReplace(test.destination);
    file->Write("x", 1);
    file->Commit();
    EXPECT_EQ(AnnouncedTemporary(disk, test.destination) == test.destination, test.inPlace);
    EXPECT_EQ(files.ReadFile(test.destination), "x");
  }
}

// A folder the plan meant to make that somebody else made first is not the install's own: the
// file planned in its place there goes through a temporary name, announced before it is made.
TEST(ChangeJournal, AFolderMadeByAnotherBeforeThePassIsNotTrusted) {
  testing::FakeFileSystem files;
  files.AddDrive('D', platform::DriveType::Fixed, 1ull << 30);
  files.CreateFolder("D:\\Apps");
  testing::FakeRegistry registry;
  InstallJournal disk(registry);
  ChangeJournal journal(files, "D:\\Apps", /*restrictWhatItCreates=*/true, &disk);
  journal.Plan({"D:\\Apps\\New\\a.dll"});
  ASSERT_EQ(AnnouncedTemporary(disk, "D:\\Apps\\New\\a.dll"), "D:\\Apps\\New\\a.dll");
  files.CreateFolder("D:\\Apps\\New");  // somebody else's, before the pass makes it
  ForceFolders(journal, "D:\\Apps\\New");
  auto file = journal.BeginReplace("D:\\Apps\\New\\a.dll");
  file->Write("x", 1);
  file->Commit();
  EXPECT_NE(AnnouncedTemporary(disk, "D:\\Apps\\New\\a.dll"), "D:\\Apps\\New\\a.dll");
  EXPECT_EQ(files.ReadFile("D:\\Apps\\New\\a.dll"), "x");
}

}  // namespace
}  // namespace quenlo
