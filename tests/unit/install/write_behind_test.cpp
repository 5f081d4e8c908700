#include "install/write_behind.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/fake_file_system.h"

namespace quenlo {
namespace {

using testing::FakeFileSystem;

class WriteBehindTest : public ::testing::Test {
 protected:
  WriteBehindTest() { files.WriteFile("C:\\Q\\old.txt", "old"); }

  void Put(WriteBehind& writer, const std::string& path, const std::string& content) {
    writer.BeginFile(path);
    // In pieces, as the inflater hands them over.
    for (std::size_t at = 0; at < content.size(); at += 512) {
      writer.Write(content.data() + at, std::min<std::size_t>(512, content.size() - at));
    }
    writer.CommitFile();
  }
  std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(files.NativePath(folder))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  FakeFileSystem files;
};

TEST_F(WriteBehindTest, FilesReachTheirPlacesInOrderWithEveryByte) {
  // Larger than the queue holds, so the worker waits for the writer on the way.
  std::string large(3 * WriteBehind::kMaxQueuedBytes + 777, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 31 % 251);
  WriteBehind writer(files);
  Put(writer, "C:\\Q\\large.bin", large);
  Put(writer, "C:\\Q\\old.txt", "new");
  Put(writer, "C:\\Q\\empty.txt", "");
  writer.Drain();
  EXPECT_EQ(files.ReadFile("C:\\Q\\large.bin"), large);
  EXPECT_EQ(files.ReadFile("C:\\Q\\old.txt"), "new");
  EXPECT_TRUE(files.FileExists("C:\\Q\\empty.txt"));
  EXPECT_EQ(writer.Committed(),
            (std::vector<std::string>{"C:\\Q\\large.bin", "C:\\Q\\old.txt", "C:\\Q\\empty.txt"}));
  EXPECT_EQ(FilesIn("C:\\Q"), (std::vector<std::string>{"empty.txt", "large.bin", "old.txt"}));
}

TEST_F(WriteBehindTest, AnAbandonedFileLeavesItsDestinationAsItWas) {
  WriteBehind writer(files);
  writer.BeginFile("C:\\Q\\old.txt");
  writer.Write("half", 4);
  writer.AbandonFile();
  Put(writer, "C:\\Q\\next.txt", "next");  // writing goes on after it
  writer.Drain();
  EXPECT_EQ(files.ReadFile("C:\\Q\\old.txt"), "old");
  EXPECT_EQ(writer.Committed(), (std::vector<std::string>{"C:\\Q\\next.txt"}));
  EXPECT_EQ(FilesIn("C:\\Q"), (std::vector<std::string>{"next.txt", "old.txt"}));
}

TEST_F(WriteBehindTest, TheFirstErrorEndsTheWritingAndIsThrownToTheWorker) {
  files.FailWritesBeyond(1000);  // disk full for any file over 1000 bytes
  WriteBehind writer(files);
  bool thrown = false;
  try {
    Put(writer, "C:\\Q\\first.txt", "fits");
    Put(writer, "C:\\Q\\old.txt", std::string(5000, 'x'));
    Put(writer, "C:\\Q\\after.txt", "after");
    writer.Drain();
  } catch (const IoError& error) {
    thrown = true;
    EXPECT_NE(std::string(error.what()).find("old.txt"), std::string::npos) << error.what();
  }
  EXPECT_TRUE(thrown);
  EXPECT_THROW(writer.Drain(), IoError);  // it stays failed
  EXPECT_EQ(files.ReadFile("C:\\Q\\first.txt"), "fits");
  EXPECT_EQ(files.ReadFile("C:\\Q\\old.txt"), "old");
  EXPECT_FALSE(files.FileExists("C:\\Q\\after.txt"));
  EXPECT_EQ(writer.Committed(), (std::vector<std::string>{"C:\\Q\\first.txt"}));
  EXPECT_EQ(FilesIn("C:\\Q"), (std::vector<std::string>{"first.txt", "old.txt"}));
}

TEST_F(WriteBehindTest, AFileThatCannotBeStartedIsAnErrorToo) {
  WriteBehind writer(files);
  // The error reaches the worker at its next call: the hand-over itself, when the writer is
  // quick, or the drain.
  EXPECT_THROW(
      {
        Put(writer, "C:\\NoSuchFolder\\a.txt", "a");
        writer.Drain();
      },
      IoError);
  EXPECT_TRUE(writer.Committed().empty());
}

TEST_F(WriteBehindTest, EndingPutsTheCompleteFilesInPlaceAndDropsAnUnfinishedOne) {
  {
    WriteBehind writer(files);
    Put(writer, "C:\\Q\\done.txt", "done");
    writer.BeginFile("C:\\Q\\old.txt");
    writer.Write("unfinished", 10);
  }
  EXPECT_EQ(files.ReadFile("C:\\Q\\done.txt"), "done");
  EXPECT_EQ(files.ReadFile("C:\\Q\\old.txt"), "old");
  EXPECT_EQ(FilesIn("C:\\Q"), (std::vector<std::string>{"done.txt", "old.txt"}));
}

}  // namespace
}  // namespace quenlo
