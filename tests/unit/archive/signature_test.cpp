#include "archive/signature.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "tests/support/pe_image_builder.h"
#include "tests/support/setup_file_builder.h"

namespace quenlo::archive {
namespace {

using testing::PeImage;
using testing::SetCertificateEntry;

std::vector<std::string> Names(const std::string& file) {
  MemorySource source({reinterpret_cast<const unsigned char*>(file.data()), file.size()});
  ArchiveWalker walker(source);
  std::vector<std::string> names;
  while (auto record = walker.Next()) names.push_back(record->IsImage() ? "(image)" : record->name);
  return names;
}

// A signer appends its certificate table after the last record and names it in the image's
// headers: the chain ends where the table begins. A table anywhere else is a broken file.
TEST(SignedSetupFile, TheRecordsEndWhereTheCertificateTableBegins) {
  testing::SetupFileBuilder setup(PeImage());
  setup.Add("App\\a.txt", "a").Add("App\\b.txt", "b");
  const std::string unsigned_ = setup.str();
  const std::string table(1000, 'C');
  std::string signed_ = unsigned_ + table;
  SetCertificateEntry(signed_, static_cast<std::uint32_t>(unsigned_.size()), 1000);

  const std::vector<std::string> all = {"App\\b.txt", "App\\a.txt", "(image)"};
  EXPECT_EQ(Names(unsigned_), all);
  EXPECT_EQ(Names(signed_), all);

  std::string appendedAfter = signed_ + "x";  // changed after signing
  EXPECT_THROW(Names(appendedAfter), ArchiveError);
  std::string insideHeaders = signed_;
  SetCertificateEntry(insideHeaders, 0x100, static_cast<std::uint32_t>(signed_.size() - 0x100));
  EXPECT_THROW(Names(insideHeaders), ArchiveError);
  std::string overlapping = unsigned_ + table;  // a table that begins inside the last header
  SetCertificateEntry(overlapping, static_cast<std::uint32_t>(unsigned_.size() - 100), 1100);
  try {
    Names(overlapping);
    ADD_FAILURE() << "a table over the last header was taken";
  } catch (const ArchiveError& error) {
    EXPECT_NE(std::string(error.what()).find("overlaps the records"), std::string::npos)
        << error.what();
  }
  std::string withoutEntry = signed_;  // a table the headers do not name: no records at the end
  SetCertificateEntry(withoutEntry, 0, 0);
  EXPECT_THROW(Names(withoutEntry), ArchiveError);
}

// A signer starts its table at a multiple of 8, padding the file with zero bytes first. The
// last header's stored size ends in zero bytes too (6207 is 3F 18 00 00 00 00 00 00): the walk
// must tell the padding from them, whatever the padding's length.
TEST(SignedSetupFile, ThePaddingBeforeTheTableIsNoPartOfTheRecords) {
  for (std::size_t content = 1; content <= 8; ++content) {
    testing::SetupFileBuilder setup(PeImage());
    setup.Add("App\\a.txt", "a").Add("App\\b.txt", std::string("abcdefgh").substr(0, content));
    std::string file = setup.str();
    const std::size_t padding = (8 - file.size() % 8) % 8;
    SCOPED_TRACE(padding);
    const std::size_t tableAt = file.size() + padding;
    file += std::string(padding, '\0') + std::string(16, 'C');
    SetCertificateEntry(file, static_cast<std::uint32_t>(tableAt), 16);
    EXPECT_EQ(Names(file), (std::vector<std::string>{"App\\b.txt", "App\\a.txt", "(image)"}));
  }
}

}  // namespace
}  // namespace quenlo::archive
