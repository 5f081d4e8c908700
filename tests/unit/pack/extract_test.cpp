#include "tools/quenlo-pack/extract.h"

#include <algorithm>

#include "archive/archive_reader.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/pack/test_files.h"

namespace quenlo::packer::testing {
namespace {

std::size_t EntriesIn(const fs::path& folder) {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class ExtractTest : public ::testing::Test {
 protected:
  fs::path Out() const { return temp_.path() / "out"; }
  quenlo::testing::TempDir temp_;
};

TEST_F(ExtractTest, WritesTheAppAndExeTreesUnderTheFolder) {
  const Bytes archive = BuildArchive(
      {{"App\\中文\\说明.txt", "你好"}, {"App\\Codec\\x.dll", "codec"}, {"Exe\\s.dll", ""}});
  MemorySource source(archive);
  const ExtractSummary summary = Extract(source, Out(), nullptr);
  EXPECT_EQ(summary.files, 3u);
  EXPECT_EQ(summary.bytes, 9u);
  EXPECT_EQ(ReadFile(Out() / u8"App/中文/说明.txt"), "你好");
  EXPECT_EQ(ReadFile(Out() / "App/Codec/x.dll"), "codec");
  EXPECT_TRUE(fs::is_regular_file(Out() / "Exe/s.dll"));
  EXPECT_EQ(EntriesIn(Out()), 2u);  // App and Exe, nothing for the image
}

TEST_F(ExtractTest, RefusesATraversalNameBeforeWritingAnything) {
  const Bytes archive =
      BuildArchive({{"App\\fine.txt", "fine"}, {"App\\..\\..\\evil.txt", "evil"}});
  MemorySource source(archive);
  const std::string message = ErrorOf([&] { Extract(source, Out(), nullptr); });
  EXPECT_NE(message.find("App\\..\\..\\evil.txt"), std::string::npos) << message;
  EXPECT_FALSE(fs::exists(Out()));
  EXPECT_EQ(EntriesIn(temp_.path()), 0u);
}

TEST_F(ExtractTest, NeverWritesThroughALinkedFolder) {
  fs::create_directories(temp_.path() / "elsewhere");
  fs::create_directories(Out());
  fs::create_directory_symlink(temp_.path() / "elsewhere", Out() / "App");
  const Bytes archive = BuildArchive({{"App\\x.txt", "x"}});
  MemorySource source(archive);
  EXPECT_THROW(Extract(source, Out(), nullptr), IoError);
  EXPECT_EQ(EntriesIn(temp_.path() / "elsewhere"), 0u);
}

TEST_F(ExtractTest, BrokenStreamLeavesNoPartialFile) {
  std::string big;
  for (int i = 0; i < 20000; ++i) big += std::to_string(i);
  Bytes archive = BuildArchive({{"App\\a.txt", "alpha"}, {"App\\b.txt", big}});
  archive[archive.size() - archive::kHeaderSize - 100] ^= 0xFF;
  MemorySource source(archive);
  const std::string message = ErrorOf([&] { Extract(source, Out(), nullptr); });
  EXPECT_NE(message.find("App\\b.txt"), std::string::npos) << message;
  EXPECT_EQ(ReadFile(Out() / "App/a.txt"), "alpha");
  EXPECT_EQ(EntriesIn(Out() / "App"), 1u) << "neither b.txt nor its temporary file";
}

// A new file is written in its place, but never over what is there already: a file there keeps
// its content until the new one is complete, and a link there is replaced, not written through.
TEST_F(ExtractTest, WhatIsAtADestinationIsReplacedOnlyByACompleteFile) {
  std::string big;
  for (int i = 0; i < 20000; ++i) big += std::to_string(i);
  fs::create_directories(Out() / "App");
  WriteFile(Out() / "App/b.txt", "earlier b");
  WriteFile(temp_.path() / "victim.txt", "victim");
  fs::create_symlink(temp_.path() / "victim.txt", Out() / "App/a.txt");

  Bytes archive = BuildArchive({{"App\\a.txt", "alpha"}, {"App\\b.txt", big}});
  archive[archive.size() - archive::kHeaderSize - 100] ^= 0xFF;  // b.txt's stream
  MemorySource source(archive);
  const std::string message = ErrorOf([&] { Extract(source, Out(), nullptr); });
  EXPECT_NE(message.find("App\\b.txt"), std::string::npos) << message;
  EXPECT_EQ(ReadFile(Out() / "App/b.txt"), "earlier b");
  EXPECT_FALSE(fs::is_symlink(Out() / "App/a.txt"));
  EXPECT_EQ(ReadFile(Out() / "App/a.txt"), "alpha");
  EXPECT_EQ(ReadFile(temp_.path() / "victim.txt"), "victim");
  EXPECT_EQ(EntriesIn(Out() / "App"), 2u) << "no temporary file left";
}

// The records are inflated on several threads; the files still take their places in record order:
// at a broken stream, those before it are in place and none after it, with no temporary left.
TEST_F(ExtractTest, ABrokenStreamStopsTheFilesInRecordOrder) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 40; ++i) {
    files.push_back(
        {"App\\f" + std::to_string(100 + i) + ".txt", std::string(3000 + i, 'a' + i % 26)});
  }
  Bytes archive = BuildArchive(files);
  {
    MemorySource source(archive);
    archive::ArchiveWalker walker(source);
    while (const auto record = walker.Next()) {
      if (record->name == "App\\f110.txt") {
        archive[record->dataOffset + static_cast<std::uint64_t>(record->storedSize) - 2] ^= 0xFF;
      }
    }
  }
  MemorySource source(archive);
  const std::string message = ErrorOf([&] { Extract(source, Out(), nullptr); });
  EXPECT_NE(message.find("App\\f110.txt"), std::string::npos) << message;
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(Out() / "App")) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  std::vector<std::string> expected;
  for (int i = 0; i < 10; ++i) expected.push_back("f" + std::to_string(100 + i) + ".txt");
  EXPECT_EQ(left, expected);
}

}  // namespace
}  // namespace quenlo::packer::testing
