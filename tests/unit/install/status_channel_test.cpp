// The status channel under a writer and a reader running flat out. Built also with
// ThreadSanitizer (preset host-tsan), which reports any unsynchronised access.
#include <gtest/gtest.h>

#include <thread>

#include "install/session.h"

namespace quenlo {
namespace {

constexpr int kLines = 20000;

// Line i is "<i>:" followed by i % 97 + 1 copies of the letter for i, so a torn or mixed line
// cannot pass for a whole one.
std::string Line(int i) {
  return std::to_string(i) + ":" + std::string(i % 97 + 1, static_cast<char>('a' + i % 26));
}

bool IsWholeLine(const std::string& text, int& index) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  index = std::stoi(text.substr(0, colon));
  return text == Line(index);
}

TEST(StatusChannel, ReaderAlwaysGetsWholeLinesAndSeesTheLastWriteOnceFinished) {
  StatusChannel channel;
  channel.PublishStatus(Line(0));
  std::thread writer([&] {
    channel.ResetProgress();
    for (int i = 1; i <= kLines; ++i) {
      channel.PublishStatus(Line(i));
      channel.StepProgress();
    }
    channel.SetInstallFinished(true);
  });

  int lastIndex = 0;
  std::int32_t lastProgress = 0;
  for (;;) {
    const bool finished = channel.InstallFinished();  // read before the others
    const std::string text = channel.StatusText();
    const std::int32_t progress = channel.ProgressValue();
    int index = -1;
    ASSERT_TRUE(IsWholeLine(text, index)) << text;
    ASSERT_GE(index, lastIndex);  // lines only move forward
    ASSERT_GE(progress, lastProgress);
    lastIndex = index;
    lastProgress = progress;
    if (finished) {
      EXPECT_EQ(index, kLines);
      EXPECT_EQ(progress, kLines);
      break;
    }
  }
  writer.join();
}

TEST(StatusChannel, FailureIsPublishedWithItsStepAndNeverAsFinished) {
  StatusChannel channel;
  EXPECT_FALSE(channel.Failure().has_value());
  std::thread worker([&] {
    channel.PublishStatus("正在解压缩:   a.dll");
    InstallFailure diskFull;
    diskFull.cause = FailureCause::DiskFull;
    diskFull.file = "D:\\Player\\a.dll";
    channel.PublishFailure(diskFull);
  });
  std::optional<InstallFailure> failure;
  while (!(failure = channel.Failure())) std::this_thread::yield();
  worker.join();
  EXPECT_EQ(failure->step, InstallStep::Extract);
  EXPECT_EQ(failure->cause, FailureCause::DiskFull);
  EXPECT_EQ(failure->file, "D:\\Player\\a.dll");
  EXPECT_EQ(channel.StatusText(), "正在解压缩:   a.dll");
  EXPECT_FALSE(channel.InstallFinished());
}

}  // namespace
}  // namespace quenlo
