#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/archive_writer.h"
#include "archive/record_stream.h"
#include "tests/support/pe_image_builder.h"

namespace quenlo::archive {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

struct Walked {
  std::vector<PayloadRecord> records;
  std::uint64_t consumed = 0;
  std::uint64_t total = 0;
};

Walked WalkAll(const Bytes& file) {
  MemorySource source(file);
  ArchiveWalker walker(source);
  Walked walked;
  while (auto record = walker.Next()) walked.records.push_back(*record);
  walked.consumed = walker.consumed();
  walked.total = walker.total();
  return walked;
}

// The message of the ArchiveError that walking `file` raises ("" if it walks cleanly).
std::string WalkError(const Bytes& file) {
  try {
    WalkAll(file);
  } catch (const ArchiveError& error) {
    return error.what();
  }
  return "";
}

class ArchiveBuilder {
 public:
  explicit ArchiveBuilder(const Bytes& image = ToBytes("MZ stub image")) {
    writer_.WriteImage(image);
  }
  ArchiveBuilder& Add(const std::string& name, const std::string& content) {
    writer_.AppendRecord(name, CompressRecord(ToBytes(content)));
    return *this;
  }
  Bytes bytes() { return sink_.bytes(); }
  ArchiveWriter& writer() { return writer_; }

 private:
  MemorySink sink_;
  ArchiveWriter writer_{sink_};
};

void PutStoredSize(Bytes& file, std::size_t headerOffset, std::int64_t size) {
  for (int i = 0; i < 8; ++i) {
    file[headerOffset + kStoredSizeOffset + i] =
        static_cast<unsigned char>(static_cast<std::uint64_t>(size) >> (8 * i));
  }
}

TEST(ArchiveWalk, YieldsRecordsFromTheEndAndLandsOnOffsetZero) {
  ArchiveBuilder builder;
  builder.Add("App\\Readme.txt", "hello").Add("Exe\\bass.dll", std::string(4000, 'x'));
  const Bytes file = builder.bytes();
  const Walked walked = WalkAll(file);

  ASSERT_EQ(walked.records.size(), 3u);
  EXPECT_EQ(walked.records[0].name, "Exe\\bass.dll");
  EXPECT_EQ(walked.records[0].placeFromEnd, 1u);
  EXPECT_EQ(walked.records[0].headerOffset, file.size() - kHeaderSize);
  EXPECT_EQ(walked.records[1].name, "App\\Readme.txt");
  EXPECT_TRUE(walked.records[2].IsImage());
  EXPECT_EQ(walked.records[2].dataOffset, 0u);
  EXPECT_EQ(walked.records[2].storedSize, 13);
  EXPECT_EQ(walked.consumed, walked.total);
  EXPECT_EQ(walked.total, file.size());
}

TEST(ArchiveWalk, ImageRecordAloneIsAnArchiveWithoutFiles) {
  const Bytes file = ArchiveBuilder().bytes();
  ASSERT_EQ(file.size(), 13 + kHeaderSize);
  // The image record's header is 256 zero bytes and the image's length.
  for (std::size_t i = 13; i < 13 + kStoredSizeOffset; ++i) ASSERT_EQ(file[i], 0) << i;
  const Walked walked = WalkAll(file);
  ASSERT_EQ(walked.records.size(), 1u);
  EXPECT_TRUE(walked.records[0].IsImage());
}

TEST(ArchiveWalk, ChainIsWholeAfterEveryAppend) {
  MemorySink sink;
  ArchiveWriter writer(sink);
  writer.WriteImage(ToBytes("image"));
  for (int i = 0; i < 5; ++i) {
    writer.AppendRecord("App\\f" + std::to_string(i), CompressRecord(ToBytes(std::string(i, 'a'))));
    EXPECT_EQ(WalkAll(sink.bytes()).records.size(), static_cast<std::size_t>(i + 2));
    EXPECT_EQ(writer.bytesWritten(), sink.bytes().size());
  }
}

TEST(ArchiveWalk, NameIsExactlyItsLengthWhateverTheFiller) {
  ArchiveBuilder builder;
  builder.Add("App\\a.txt", "x");
  Bytes file = builder.bytes();
  const std::size_t header = file.size() - kHeaderSize;
  for (std::size_t i = 1 + 9; i <= kNameFieldSize; ++i) file[header + i] = 'Z';  // stale tail
  EXPECT_EQ(WalkAll(file).records[0].name, "App\\a.txt");
}

TEST(ArchiveWalk, NameOfTheFullFieldLength) {
  const std::string name = "App\\" + std::string(kMaxNameLength - 4, 'n');
  ArchiveBuilder builder;
  builder.Add(name, "x");
  const Bytes file = builder.bytes();
  EXPECT_EQ(file[file.size() - kHeaderSize], 255);
  EXPECT_EQ(WalkAll(file).records[0].name, name);
}

TEST(ArchiveWriter, RefusesWhatTheFormatCannotHold) {
  MemorySink sink;
  ArchiveWriter writer(sink);
  EXPECT_THROW(writer.AppendRecord("App\\a", CompressRecord({})), std::logic_error);
  writer.WriteImage(ToBytes("image"));
  EXPECT_THROW(writer.WriteImage(ToBytes("image")), std::logic_error);
  EXPECT_THROW(writer.AppendRecord(std::string(256, 'n'), CompressRecord({})),
               std::invalid_argument);
  EXPECT_THROW(writer.AppendRecord("", CompressRecord({})), std::invalid_argument);
  EXPECT_THROW(writer.AppendRecord("App\\a", {}), std::invalid_argument);
  // Nothing of a refused record reached the output.
  EXPECT_EQ(WalkAll(sink.bytes()).records.size(), 1u);
}

TEST(BrokenArchive, TooShortFile) {
  Bytes file(100, 0);
  file[0] = 'M';
  file[1] = 'Z';
  EXPECT_NE(WalkError(file).find("before offset 0"), std::string::npos);
}

// A file that is no setup file is told so, not described as a broken chain whose numbers mean
// nothing; a damaged setup file, whose program is followed by its image record, keeps the precise
// message.
TEST(BrokenArchive, AFileThatIsNoSetupFileIsToldSo) {
  const std::string program = testing::PeImage(1024);
  ArchiveBuilder setup(ToBytes(program));
  setup.Add("App\\a.txt", std::string(3000, 'q'));
  Bytes truncatedSetup = setup.bytes();
  truncatedSetup.resize(truncatedSetup.size() - 10);
  const std::vector<std::pair<Bytes, std::string>> cases = {
      {{}, "not a setup file: the file is empty"},
      {ToBytes("just some text, long enough to hold a header of the chain... " +
               std::string(300, '.')),
       "not a setup file: it does not begin with a Windows program"},
      {ToBytes("PK\x03\x04" + std::string(400, 'z')), "not a setup file: it does not begin"},
      {ToBytes(program + std::string(500, 'x')), "not a setup file: a Windows program with no "},
      {truncatedSetup, "record 1 from the end"},
  };
  for (const auto& [file, expected] : cases) {
    const std::string message = WalkError(file);
    EXPECT_EQ(message.find(expected), 0u) << message;
  }
}

TEST(BrokenArchive, TruncatedFileIsReportedAtTheRecordWhereItShows) {
  ArchiveBuilder builder;
  builder.Add("App\\a.txt", std::string(3000, 'q'));
  Bytes file = builder.bytes();
  file.resize(file.size() - 10);  // the last header is cut short: its size field is garbage
  EXPECT_NE(WalkError(file).find("record 1 from the end"), std::string::npos);
}

TEST(BrokenArchive, NegativeAndOversizedStoredSizes) {
  ArchiveBuilder builder;
  builder.Add("App\\a.txt", "abc");
  const Bytes good = builder.bytes();
  const std::size_t header = good.size() - kHeaderSize;

  Bytes negative = good;
  PutStoredSize(negative, header, -5);
  EXPECT_NE(WalkError(negative).find("\"App\\a.txt\""), std::string::npos);
  EXPECT_NE(WalkError(negative).find("-5 is negative"), std::string::npos);

  Bytes oversized = good;
  PutStoredSize(oversized, header, static_cast<std::int64_t>(header) + 1);
  EXPECT_NE(WalkError(oversized).find("larger than the"), std::string::npos);

  Bytes huge = good;
  PutStoredSize(huge, header, INT64_MAX);
  EXPECT_NE(WalkError(huge).find("larger than the"), std::string::npos);
}

TEST(BrokenArchive, NamedRecordOfSizeZero) {
  ArchiveBuilder builder;
  builder.Add("App\\a.txt", "abc");
  Bytes file = builder.bytes();
  PutStoredSize(file, file.size() - kHeaderSize, 0);
  EXPECT_NE(WalkError(file).find("stored size of 0"), std::string::npos);
}

TEST(BrokenArchive, ImageRecordMustStartAtOffsetZero) {
  Bytes file = ArchiveBuilder().bytes();
  file.insert(file.begin(), {'M', 'Z', 'j', 'u', 'n', 'k'});
  EXPECT_NE(WalkError(file).find("instead of offset 0"), std::string::npos);
}

TEST(BrokenArchive, ChainWithoutImageRecord) {
  // A named record whose data starts at offset 0: the walk reaches the start of the file
  // without having met the image record.
  MemorySink sink;
  const Bytes stream = ToBytes("MZ, a record's data but not the image's");
  sink.Write(stream.data(), stream.size());
  const HeaderBytes header = EncodeHeader({"App\\x", static_cast<std::int64_t>(stream.size())});
  sink.Write(header.data(), header.size());
  EXPECT_NE(WalkError(sink.bytes()).find("without an image record"), std::string::npos);
}

TEST(BrokenArchive, ErrorCarriesTheOffset) {
  ArchiveBuilder builder;
  builder.Add("App\\a.txt", "abc").Add("App\\b.txt", "def");
  Bytes file = builder.bytes();
  const Walked walked = WalkAll(file);
  const std::uint64_t secondHeader = walked.records[1].headerOffset;
  PutStoredSize(file, secondHeader, -1);
  try {
    WalkAll(file);
    FAIL() << "walk succeeded";
  } catch (const ArchiveError& error) {
    EXPECT_EQ(error.offset(), secondHeader);
    EXPECT_NE(std::string(error.what()).find("record 2 from the end"), std::string::npos);
  }
}

}  // namespace
}  // namespace quenlo::archive
