#include "archive/record_stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

namespace quenlo::archive {
namespace {

using Bytes = std::vector<unsigned char>;

struct Inflated {
  Bytes bytes;
  std::size_t largestPiece = 0;
};

Inflated Inflate(const Bytes& stored, std::size_t pieceSize = 512) {
  MemorySource source(stored);
  Inflated result;
  const std::uint64_t count = InflateStoredData(
      source, 0, stored.size(),
      [&](const unsigned char* data, std::size_t size) {
        result.bytes.insert(result.bytes.end(), data, data + size);
        result.largestPiece = std::max(result.largestPiece, size);
      },
      pieceSize);
  EXPECT_EQ(count, result.bytes.size());
  return result;
}

Bytes Noise(std::size_t size) {
  std::mt19937 random(42);
  Bytes bytes(size);
  for (auto& byte : bytes) byte = static_cast<unsigned char>(random() % 7);  // compressible
  return bytes;
}

TEST(CompressRecord, EmptyFileIsTheEightByteStream) {
  EXPECT_EQ(CompressRecord({}), (Bytes{0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
  EXPECT_TRUE(Inflate(CompressRecord({})).bytes.empty());
}

TEST(CompressRecord, DefaultLevelStreamThatRoundTripsInSmallPieces) {
  const Bytes content = Noise(100000);
  const Bytes stored = CompressRecord(content);
  ASSERT_GE(stored.size(), 2u);
  EXPECT_EQ(stored[0], 0x78);
  EXPECT_EQ(stored[1], 0x9C);
  EXPECT_EQ(CompressRecord(content), stored);  // deterministic
  const Inflated inflated = Inflate(stored);
  EXPECT_EQ(inflated.bytes, content);
  EXPECT_EQ(inflated.largestPiece, 512u);
}

TEST(InflateStoredData, ReadsOnlyItsRangeOfTheSource) {
  const Bytes content = Noise(70000);
  const Bytes stored = CompressRecord(content);
  Bytes file(1000 + stored.size() + 300, 0xEE);
  std::copy(stored.begin(), stored.end(), file.begin() + 1000);
  MemorySource source(file);
  Bytes out;
  InflateStoredData(source, 1000, stored.size(), [&](const unsigned char* data, std::size_t size) {
    out.insert(out.end(), data, data + size);
  });
  EXPECT_EQ(out, content);
}

std::string InflateError(const Bytes& stored) {
  try {
    Inflate(stored);
  } catch (const StreamError& error) {
    return error.what();
  }
  return "";
}

TEST(InflateStoredData, RejectsBrokenStreams) {
  const Bytes good = CompressRecord(Noise(5000));

  Bytes badAdler = good;
  badAdler.back() ^= 0x01;
  EXPECT_NE(InflateError(badAdler), "");

  Bytes badHeader = good;
  badHeader[0] = 0x00;
  EXPECT_NE(InflateError(badHeader), "");

  Bytes truncated(good.begin(), good.end() - 3);
  EXPECT_NE(InflateError(truncated).find("ends before"), std::string::npos);

  Bytes trailing = good;
  trailing.push_back(0);
  EXPECT_NE(InflateError(trailing).find("1 bytes follow"), std::string::npos);

  EXPECT_NE(InflateError(Bytes{}).find("ends before"), std::string::npos);
}

// The two header bytes are checked before zlib inflates the data raw: each fault is worded as
// zlib's own inflate words it.
TEST(InflateStoredData, HeaderFaultsInZlibsWords) {
  const auto zlibWords = [](Bytes stored) {
    z_stream stream{};
    inflateInit(&stream);
    Bytes out(1 << 16);
    stream.next_in = stored.data();
    stream.avail_in = static_cast<uInt>(stored.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    inflate(&stream, Z_NO_FLUSH);
    std::string words = stream.msg != nullptr ? stream.msg : "";
    inflateEnd(&stream);
    return words;
  };
  const Bytes good = CompressRecord(Noise(5000));
  const std::pair<unsigned char, unsigned char> headers[] = {
      {0x78, 0x9D},  // check bits wrong
      {0x77, 0x85},  // compression method 7
      {0x88, 0x98},  // a 64 KiB window
  };
  for (const auto& [cmf, flg] : headers) {
    Bytes broken = good;
    broken[0] = cmf;
    broken[1] = flg;
    const std::string expected = zlibWords(broken);
    ASSERT_NE(expected, "");
    EXPECT_EQ(InflateError(broken), expected) << int{cmf} << " " << int{flg};
  }
}

// The input is read in chunks of 64 KiB: the end of the deflate data and the Adler-32 trailer
// may fall on either side of a chunk's end.
TEST(InflateStoredData, ATrailerAcrossTheInputChunksEnd) {
  std::mt19937 random(3);
  for (std::size_t size = 65536 - 24; size <= 65536; ++size) {
    Bytes content(size);
    for (auto& byte : content) byte = static_cast<unsigned char>(random());
    EXPECT_EQ(Inflate(CompressRecord(content)).bytes, content) << size;
  }
}

TEST(InflateStoredData, RejectsAStreamThatNeedsAPresetDictionary) {
  z_stream stream{};
  ASSERT_EQ(deflateInit(&stream, 6), Z_OK);
  const unsigned char dictionary[] = "dictionary";
  ASSERT_EQ(deflateSetDictionary(&stream, dictionary, sizeof dictionary), Z_OK);
  unsigned char input[] = "dictionary dictionary";
  Bytes out(256);
  stream.next_in = input;
  stream.avail_in = sizeof input;
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  ASSERT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(out.size() - stream.avail_out);
  deflateEnd(&stream);
  EXPECT_NE(InflateError(out).find("dictionary"), std::string::npos);
}

// The extraction's inflater takes small records whole and streams large ones: both ways give the
// content back and refuse every broken stream as zlib words it.
TEST(InflateRecordData, BothWaysGiveTheContentAndRefuseEveryBrokenStream) {
  std::mt19937 random(7);
  Bytes incompressible(kLargestWholeRead + 4096);  // stored above the whole-record bound: streamed
  for (auto& byte : incompressible) byte = static_cast<unsigned char>(random());
  const struct {
    const char* what;
    Bytes content;
  } contents[] = {
      {"small, taken whole", Noise(5000)},
      {"small stored, too large an output to hold: streamed", Bytes(3 << 20, 'z')},
      {"large stored: streamed", incompressible},
  };
  for (const auto& [what, content] : contents) {
    SCOPED_TRACE(what);
    const Bytes good = CompressRecord(content);
    const auto inflate = [](const Bytes& stored) {
      MemorySource source(stored);
      Bytes out;
      InflateRecordData(source, 0, stored.size(), [&](const unsigned char* data, std::size_t n) {
        out.insert(out.end(), data, data + n);
      });
      return out;
    };
    EXPECT_EQ(inflate(good), content);

    Bytes badAdler = good;
    badAdler.back() ^= 0x01;
    Bytes trailing = good;
    trailing.push_back(0);
    const Bytes truncated(good.begin(), good.end() - 3);
    for (const auto& [broken, words] :
         {std::pair{badAdler, "incorrect data check"}, std::pair{trailing, "1 bytes follow"},
          std::pair{truncated, "ends before"}}) {
      try {
        inflate(broken);
        ADD_FAILURE() << "accepted a stream that should fail with: " << words;
      } catch (const StreamError& error) {
        EXPECT_NE(std::string(error.what()).find(words), std::string::npos) << error.what();
      }
    }
  }
}

}  // namespace
}  // namespace quenlo::archive
