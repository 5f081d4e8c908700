// The check of a setup file's payload before the install: the extraction's own checks, on a
// thread of its own, changing nothing.
#include "install/payload_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "archive/record_stream.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/setup_file_builder.h"

namespace quenlo {
namespace {

using testing::FakeFileSystem;
using testing::SetupFileBuilder;

TEST(PayloadCheck, FindsWhatTheExtractionWouldFailAtAndWritesNothing) {
  std::vector<unsigned char> badChecksum =
      archive::CompressRecord(std::vector<unsigned char>(5000, 'x'));
  badChecksum.back() ^= 0xFF;  // found only at the very end of the stream
  struct Case {
    const char* what;
    std::string setupFile;
    bool sound;
    std::optional<std::string> record;  // the record named by the fault, where it matters
  };
  const std::string sound = SetupFileBuilder().Add("App\\a.dll", "a").Add("Exe\\b.dll", "b").str();
  std::string truncated = sound;
  truncated.erase(truncated.size() / 2, 10);  // the chain no longer adds up
  // Reading order is the last record first: of two damaged streams, the later one in the file is
  // met first, however the streams are shared out among the check's threads, and although the
  // other is found long before the end of its large stream.
  std::vector<unsigned char> largeBadChecksum =
      archive::CompressRecord(std::vector<unsigned char>(16u << 20, 'y'));
  largeBadChecksum.back() ^= 0xFF;
  SetupFileBuilder twoDamaged;
  twoDamaged.AddStored("App\\first.dll", badChecksum);
  for (int i = 0; i < 40; ++i) twoDamaged.Add("App\\f" + std::to_string(i) + ".dll", "content");
  twoDamaged.AddStored("App\\last.dll", largeBadChecksum);
  const Case cases[] = {
      {"a sound payload", sound, true, ""},
      {"a stream whose Adler-32 is wrong",
       SetupFileBuilder().Add("App\\a.dll", "a").AddStored("App\\b.dll", badChecksum).str(), false,
       "App\\b.dll"},
      {"a name that would leave its folder",
       SetupFileBuilder().Add("App\\..\\evil.dll", "evil").str(), false, "App\\..\\evil.dll"},
      {"a broken chain", truncated, false, std::nullopt},
      {"two damaged streams", twoDamaged.str(), false, "App\\last.dll"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    FakeFileSystem files;
    files.WriteFile(files.ModulePath(), test.setupFile);
    const auto before =
        std::distance(std::filesystem::recursive_directory_iterator(files.NativePath("C:\\")), {});
    PayloadCheck check(files);
    const PayloadCheck::Verdict& verdict = check.Wait();
    EXPECT_TRUE(check.Done());
    EXPECT_EQ(verdict.sound, test.sound);
    if (test.sound) {
      EXPECT_EQ(verdict.records, 2u);
      EXPECT_EQ(verdict.inflatedBytes, 2u);
    } else {
      ASSERT_TRUE(verdict.fault);
      try {
        std::rethrow_exception(verdict.fault);
      } catch (const archive::ArchiveError& error) {
        if (test.record) {
          EXPECT_EQ(error.record(), *test.record);
        }
      }
    }
    EXPECT_EQ(
        std::distance(std::filesystem::recursive_directory_iterator(files.NativePath("C:\\")), {}),
        before);
  }
}

TEST(PayloadCheck, ASetupFileThatIsNotThereHasNothingToInstall) {
  FakeFileSystem files;
  files.SetModulePath("C:\\Nowhere\\QuenloSetup.exe");
  PayloadCheck check(files);
  EXPECT_TRUE(check.Wait().sound);
  EXPECT_EQ(check.Wait().records, 0u);
}

}  // namespace
}  // namespace quenlo
