#include "archive/signature.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "tests/support/setup_file_builder.h"

namespace quenlo::archive {
namespace {

// A PE32 image of 512 bytes whose certificate-table directory entry is at kEntry (e_lfanew 0x40,
// the optional header at 0x58, its data directories from 0x58 + 96).
constexpr std::size_t kEntry = 0x58 + 96 + 8 * 4;

std::string PeImage() {
  std::string image(512, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = 0x40;
  image.replace(0x40, 4, std::string("PE\0\0", 4));
  image[0x40 + 20] = static_cast<char>(0xE0);  // SizeOfOptionalHeader
  image[0x58] = 0x0B;                          // PE32
  image[0x59] = 0x01;
  image[0x58 + 92] = 16;  // NumberOfRvaAndSizes
  return image;
}

void SetEntry(std::string& file, std::uint32_t offset, std::uint32_t size) {
  for (int i = 0; i < 4; ++i) {
    file[kEntry + i] = static_cast<char>(offset >> (8 * i));
    file[kEntry + 4 + i] = static_cast<char>(size >> (8 * i));
  }
}

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
  SetEntry(signed_, static_cast<std::uint32_t>(unsigned_.size()), 1000);

  const std::vector<std::string> all = {"App\\b.txt", "App\\a.txt", "(image)"};
  EXPECT_EQ(Names(unsigned_), all);
  EXPECT_EQ(Names(signed_), all);

  std::string appendedAfter = signed_ + "x";  // changed after signing
  EXPECT_THROW(Names(appendedAfter), ArchiveError);
  std::string insideHeaders = signed_;
  SetEntry(insideHeaders, 0x100, static_cast<std::uint32_t>(signed_.size() - 0x100));
  EXPECT_THROW(Names(insideHeaders), ArchiveError);
  std::string withoutEntry = signed_;  // a table the headers do not name: no records at the end
  SetEntry(withoutEntry, 0, 0);
  EXPECT_THROW(Names(withoutEntry), ArchiveError);
}

}  // namespace
}  // namespace quenlo::archive
