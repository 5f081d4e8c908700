#include "tools/quenlo-pack/pack.h"

#include <map>

#include "tests/support/temp_dir.h"
#include "tests/unit/pack/test_files.h"
#include "tools/quenlo-pack/file_io.h"

namespace quenlo::packer::testing {
namespace {

class PackTest : public ::testing::Test {
 protected:
  PackTest() { WriteFile(Stub(), kStub); }

  fs::path In() const { return temp_.path() / "in"; }
  fs::path Stub() const { return temp_.path() / "stub.exe"; }
  fs::path Out() const { return temp_.path() / "setup.exe"; }

  PackOptions Options(unsigned threads = 0) const {
    PackOptions options;
    options.image = Stub();
    options.from = In();
    options.output = Out();
    options.threads = threads;
    return options;
  }

  // Every record of the packed output in file order: (name, inflated content).
  std::vector<std::pair<std::string, std::string>> Unpack() const {
    const Bytes archive = ToBytes(ReadFile(Out()));
    MemorySource source(archive);
    archive::ArchiveWalker walker(source);
    std::vector<std::pair<std::string, std::string>> records;
    while (auto record = walker.Next()) {
      std::string content(archive.begin(), archive.begin() + record->storedSize);  // the image
      if (!record->IsImage()) {
        content.clear();
        archive::InflateStoredData(source, record->dataOffset,
                                   static_cast<std::uint64_t>(record->storedSize),
                                   [&](const unsigned char* data, std::size_t size) {
                                     content.append(data, data + size);
                                   });
      }
      records.insert(records.begin(), {record->name, content});
    }
    return records;
  }

  quenlo::testing::TempDir temp_;
};

std::vector<std::string> Names(const std::vector<PackEntry>& entries) {
  std::vector<std::string> names;
  for (const PackEntry& entry : entries) names.push_back(entry.name);
  return names;
}

TEST_F(PackTest, OrdersAppThenExeEachByUpperCasedName) {
  // A plain byte sort would put "App\Codec\..." first and "App\a_b" before "App\ab".
  for (const char* file :
       {"Exe/z.dll", "Exe/A.dll", "App/Codec/x.dll", "App/a_b", "App/ab", "App/avcodec.dll"}) {
    WriteFile(In() / file, file);
  }
  EXPECT_EQ(Names(CollectEntries(In())),
            (std::vector<std::string>{"App\\ab", "App\\avcodec.dll", "App\\a_b",
                                      "App\\Codec\\x.dll", "Exe\\A.dll", "Exe\\z.dll"}));
}

TEST_F(PackTest, RoundTripGivesBackEveryFileUnderItsGbkName) {
  std::string big;
  for (int i = 0; i < 40000; ++i) big += std::to_string(i * 7919 % 10007) + ",";
  WriteFile(In() / u8"App/中文/说明.txt", "你好");
  WriteFile(In() / "App/big.bin", big);
  WriteFile(In() / "App/empty.txt", "");
  WriteFile(In() / "Exe/sys.dll", "MZ system library");
  fs::create_directories(In() / "App/Empty folder");

  const PackSummary summary = Pack(Options());
  EXPECT_EQ(summary.files, 4u);
  EXPECT_EQ(summary.outputBytes, fs::file_size(Out()));
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"", std::string(kStub)},
      {"App\\big.bin", big},
      {"App\\empty.txt", ""},
      {"App\\中文\\说明.txt", "你好"},  // GBK bytes: the sources are compiled to GBK
      {"Exe\\sys.dll", "MZ system library"},
  };
  EXPECT_EQ(Unpack(), expected);
}

TEST_F(PackTest, EmptyFileIsTheEightByteStream) {
  WriteFile(In() / "App/empty.txt", "");
  Pack(Options());
  const std::string archive = ReadFile(Out());
  const std::string stored = archive.substr(kStub.size() + archive::kHeaderSize, 8);
  EXPECT_EQ(stored, std::string("\x78\x9C\x03\x00\x00\x00\x00\x01", 8));
  EXPECT_EQ(archive.size(), kStub.size() + 8 + 2 * archive::kHeaderSize);
}

TEST_F(PackTest, OutputIsTheSameForAnyNumberOfThreads) {
  for (int i = 0; i < 40; ++i) {
    std::string content;
    for (int j = 0; j < i * 997; ++j) content += static_cast<char>('a' + (j * i) % 26);
    WriteFile(In() / (i % 3 == 0 ? "Exe" : "App") / ("file" + std::to_string(i)), content);
  }
  Pack(Options(1));
  const std::string single = ReadFile(Out());
  PackOptions narrow = Options(4);
  narrow.windowBytes = 200 * 1024;  // only a few records in flight at a time
  Pack(narrow);
  EXPECT_EQ(ReadFile(Out()), single);
  Pack(Options());
  EXPECT_EQ(ReadFile(Out()), single);
}

TEST_F(PackTest, RefusesFoldersItCannotStoreNamingTheFile) {
  const std::map<std::string, std::function<void(const fs::path&)>> cases = {
      {"265 bytes long",
       [](const fs::path& in) {
         WriteFile(in / "App" / std::string(200, 'a') / std::string(60, 'b'), "x");
       }},
      {"when letter case is ignored",
       [](const fs::path& in) {
         WriteFile(in / "App/a.txt", "x");
         WriteFile(in / "App/A.TXT", "y");
       }},
      {"no GBK encoding", [](const fs::path& in) { WriteFile(in / u8"App/\U0001F600.txt", "x"); }},
      {"backslash", [](const fs::path& in) { WriteFile(in / "App/a\\b.txt", "x"); }},
      {"readme.txt",
       [](const fs::path& in) {
         WriteFile(in / "App/a.txt", "x");
         WriteFile(in / "readme.txt", "x");
       }},
      {"symbolic link",
       [](const fs::path& in) {
         WriteFile(in / "App/a.txt", "x");
         fs::create_symlink(in / "App/a.txt", in / "App/link.txt");
       }},
  };
  int number = 0;
  for (const auto& [mention, make] : cases) {
    SCOPED_TRACE(mention);
    const fs::path in = temp_.path() / ("case" + std::to_string(++number));
    make(in);
    const std::string message = ErrorOf<InputError>([&] { CollectEntries(in); });
    EXPECT_NE(message.find(mention), std::string::npos) << message;
  }
}

TEST_F(PackTest, FailureLeavesTheOldOutputAndNoTemporaryFile) {
  WriteFile(Out(), "previous setup");
  WriteFile(In() / "App/a.txt", "x");
  PackOptions missingImage = Options();
  missingImage.image = temp_.path() / "missing.exe";
  EXPECT_NE(ErrorOf<IoError>([&] { Pack(missingImage); }).find("missing.exe"), std::string::npos);

  WriteFile(In() / "stray.txt", "x");
  EXPECT_THROW(Pack(Options()), InputError);
  EXPECT_EQ(ReadFile(Out()), "previous setup");
  EXPECT_EQ(std::distance(fs::directory_iterator(temp_.path()), fs::directory_iterator()), 3)
      << "only stub.exe, setup.exe and in/";
}

TEST_F(PackTest, ReplacingFileTouchesTheDestinationOnlyOnCommit) {
  WriteFile(Out(), "old");
  fs::path temporary;
  {
    ReplacingFile abandoned(Out());
    abandoned.Write("new", 3);
    temporary = abandoned.temporaryPath();
    EXPECT_EQ(temporary.parent_path(), Out().parent_path());
    EXPECT_TRUE(fs::exists(temporary));
  }
  EXPECT_FALSE(fs::exists(temporary));
  EXPECT_EQ(ReadFile(Out()), "old");

  ReplacingFile committed(Out());
  committed.Write("new", 3);
  committed.Commit();
  EXPECT_EQ(ReadFile(Out()), "new");
  EXPECT_FALSE(fs::exists(committed.temporaryPath()));
}

}  // namespace
}  // namespace quenlo::packer::testing
