#include "tools/quenlo-pack/inspect.h"

#include <sstream>

#include "archive/archive_format.h"
#include "tests/unit/pack/test_files.h"

namespace quenlo::packer::testing {
namespace {

std::string Text(std::size_t repeat, std::string_view piece) {
  std::string text;
  for (std::size_t i = 0; i < repeat; ++i) text += std::string(piece) + std::to_string(i);
  return text;
}

// Writes `size` into the stored-size field of the header that ends at `headerEnd`.
void SetStoredSize(Bytes& archive, std::size_t headerEnd, std::int64_t size) {
  const auto value = static_cast<std::uint64_t>(size);
  for (std::size_t i = 0; i < 8; ++i) {
    archive[headerEnd - 8 + i] = static_cast<unsigned char>(value >> (8 * i));
  }
}

TEST(VerifyTest, AcceptsASoundArchiveAndCountsEveryRecord) {
  const Bytes archive = BuildArchive({{"App\\a.txt", "alpha"}, {"Exe\\b.dll", ""}});
  MemorySource source(archive);
  const ArchiveTotals totals = Verify(source, nullptr);
  EXPECT_EQ(totals.records, 3u);
  EXPECT_EQ(totals.stored, archive.size() - 3 * archive::kHeaderSize);
  EXPECT_EQ(totals.inflated, kStub.size() + 5);
}

TEST(VerifyTest, RejectsEachKindOfDamageNamingTheRecord) {
  const Bytes sound = BuildArchive(
      {{"App\\first.txt", Text(300, "first")}, {"App\\second.txt", Text(300, "second")}});
  const std::size_t firstData = kStub.size() + archive::kHeaderSize;
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
    std::vector<std::string> mentions;
  };
  const std::vector<Case> cases = {
      {"truncated", [](Bytes& a) { a.pop_back(); }, {"record 1 from the end"}},
      {"corrupted stream byte",
       [&](Bytes& a) { a[firstData + 20] ^= 0x55; },
       {"App\\first.txt", "offset " + std::to_string(firstData)}},
      {"corrupted checksum",
       [](Bytes& a) { a[a.size() - archive::kHeaderSize - 1] ^= 1; },
       {"App\\second.txt", "incorrect data check"}},
      {"negative size",
       [](Bytes& a) { SetStoredSize(a, a.size(), -1); },
       {"App\\second.txt", "negative"}},
      {"oversized size",
       [](Bytes& a) { SetStoredSize(a, a.size(), static_cast<std::int64_t>(a.size())); },
       {"App\\second.txt", "larger"}},
      {"named record of size 0",
       [](Bytes& a) {
         const archive::HeaderBytes header = archive::EncodeHeader({"App\\zero.txt", 0});
         a.insert(a.end(), header.begin(), header.end());
       },
       {"App\\zero.txt", "stored size of 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes archive = sound;
    c.damage(archive);
    MemorySource source(archive);
    const std::string message = ErrorOf([&] { Verify(source, nullptr); });
    for (const std::string& mention : c.mentions) {
      EXPECT_NE(message.find(mention), std::string::npos) << message;
    }
  }
}

TEST(VerifyTest, RejectsNamesTheSetupCannotInstall) {
  const std::vector<std::pair<std::vector<std::pair<std::string, std::string>>, std::string>>
      cases = {
          {{{"App\\a.txt", "x"}, {"App\\A.TXT", "y"}}, "\"App\\A.TXT\""},
          {{{"App\\lib", "x"}, {"App\\LIB\\x.dll", "y"}}, "\"App\\LIB\\x.dll\""},
          {{{"Other\\x.txt", "x"}}, "\"Other\\x.txt\""},
          {{{"App\\a|b.txt", "x"}}, "\"App\\a|b.txt\""},
      };
  for (const auto& [records, mention] : cases) {
    SCOPED_TRACE(mention);
    const Bytes archive = BuildArchive(records);
    MemorySource source(archive);
    const std::string message = ErrorOf([&] { Verify(source, nullptr); });
    EXPECT_NE(message.find(mention), std::string::npos) << message;
  }
}

TEST(ListTest, ShowsEveryRecordInFileOrderWithItsInflatedSize) {
  const Bytes archive = BuildArchive({{"App\\中文.txt", "你好"}, {"Exe\\b.dll", "bbbbbbbb"}});
  const std::size_t stored1 = archive::CompressRecord(ToBytes("你好")).size();
  const std::size_t stored2 = archive::CompressRecord(ToBytes("bbbbbbbb")).size();
  MemorySource source(archive);
  std::ostringstream out;
  const ArchiveTotals totals = List(source, out, nullptr);

  char expected[512];
  std::snprintf(expected, sizeof expected,
                "%12zu %12zu  (image)\n%12zu %12zu  %s\n%12zu %12zu  Exe\\b.dll\n"
                "totals: 3 records, %zu bytes stored, %zu bytes inflated\n",
                kStub.size(), kStub.size(), stored1, std::size_t{4},
                Utf8(u8"App\\中文.txt").c_str(), stored2, std::size_t{8},
                kStub.size() + stored1 + stored2, kStub.size() + 12);
  EXPECT_EQ(out.str(), expected);  // names in UTF-8: the console's encoding on Linux
  EXPECT_EQ(totals.inflated, kStub.size() + 12);
}

}  // namespace
}  // namespace quenlo::packer::testing
