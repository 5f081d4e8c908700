// The pieces under the commands: record names, text conversion, progress line, compression.
#include <atomic>
#include <mutex>
#include <sstream>

#include "platform/text_encoding.h"
#include "tests/unit/pack/test_files.h"
#include "tools/quenlo-pack/parallel_compress.h"
#include "tools/quenlo-pack/progress.h"
#include "tools/quenlo-pack/record_names.h"

namespace quenlo::packer::testing {
namespace {

TEST(RecordNamesTest, SplitsOnlyOnBackslashCharacters) {
  // 0x95 0x5C is one GBK character whose second byte is a backslash.
  EXPECT_EQ(NameComponents("App\\\x95\x5C\\x.dll"),
            (std::vector<std::string>{"App", "\x95\x5C", "x.dll"}));
}

TEST(RecordNamesTest, RefusesWhatWindowsCannotCreate) {
  for (const char* bad : {"App\\a?b", "App\\a\tb", "App\\dir.\\x", "App\\x ", "App\\con.txt",
                          "Exe\\COM1", "App\\x\x81", "Lib\\x", "App\\..\\x"}) {
    EXPECT_TRUE(InstallableNameProblem(bad).has_value()) << bad;
  }
  // A trail byte 0x7C ('|') belongs to its character.
  for (const char* good : {"App\\console.txt", "App\\\x81\x7C.txt", "Exe\\中文.dll"}) {
    EXPECT_EQ(InstallableNameProblem(good), std::nullopt) << good;
  }
}

TEST(RecordNamesTest, NameSetFindsClashesIgnoringCase) {
  NameSet names;
  EXPECT_EQ(names.Add("App\\Codec\\x.dll"), std::nullopt);
  EXPECT_EQ(names.Add("App\\Codec\\y.dll"), std::nullopt);
  const auto same = names.Add("APP\\codec\\X.DLL");
  ASSERT_TRUE(same.has_value());
  EXPECT_NE(same->find("\"App\\Codec\\x.dll\""), std::string::npos) << *same;
  EXPECT_TRUE(names.Add("App\\CODEC").has_value()) << "a file where a folder is";
  EXPECT_TRUE(names.Add("App\\codec\\x.dll\\z").has_value()) << "a folder where a file is";
}

TEST(TextEncodingTest, ConvertsNamesExactlyOrNotAtAll) {
  const fs::path native(u8"中文说明.txt");
  EXPECT_EQ(platform::NativeNameToGbk(native), std::optional<std::string>("中文说明.txt"));
  EXPECT_EQ(platform::GbkToNativeName("中文说明.txt"), native);
  EXPECT_EQ(platform::NativeNameToGbk(fs::path(u8"\u20AC")), "\x80");  // as code page 936
  EXPECT_EQ(platform::NativeNameToGbk(fs::path(u8"\U0001F600.txt")), std::nullopt);
  EXPECT_EQ(platform::NativeNameToGbk(fs::path("\xFF.txt")), std::nullopt);  // not UTF-8
  EXPECT_EQ(platform::GbkToNativeName("a\x81"), std::nullopt);               // cut character
}

TEST(TextEncodingTest, ConsoleTextShowsControlAndBrokenBytesAsHex) {
  EXPECT_EQ(platform::GbkToConsole("App\\中文\x1B[2J\x81"), Utf8(u8"App\\中文") + "<1B>[2J<81>");
}

TEST(ProgressTest, FormatsTheLineAndCutsTheNameOnACharacterBoundary) {
  EXPECT_EQ(FormatProgressLine(12, 367, 45, 100, "App\\Skin\\a.bmp", 79),
            "[ 12/367]  45%  App\\Skin\\a.bmp");
  EXPECT_EQ(FormatProgressLine(1, 2, 0, 0, "x", 79), "[1/2]  50%  x");
  // 12 columns of prefix leave 8 for 10: 5 before "...", where a third character would not fit.
  EXPECT_EQ(FormatProgressLine(1, 2, 0, 0, "中文说明书", 20), "[1/2]  50%  中文...");
}

TEST(ProgressTest, DrawsTheLastStateAndClearsTheLine) {
  std::ostringstream out;
  {
    Progress progress(&out, 2, 100);
    progress.Update(1, 40, "App\\a");
    progress.Update(2, 100, "App\\b");  // right away, yet shown: it is the end
  }
  const std::string text = out.str();
  EXPECT_NE(text.find("\r[1/2]  40%  App\\a"), std::string::npos) << text;
  EXPECT_NE(text.find("\r[2/2] 100%  App\\b"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.rfind("App\\b") + 5), "\r" + std::string(17, ' ') + "\r");
}

std::vector<unsigned char> Content(std::size_t i) {
  return ToBytes(std::string(1000, static_cast<char>('a' + i % 26)) + std::to_string(i));
}

TEST(ParallelCompressTest, HandsRecordsBackInOrderWithinTheMemoryWindow) {
  std::atomic<int> inFlight = 0;
  std::atomic<int> mostInFlight = 0;
  std::vector<std::size_t> order;
  CompressPlan plan;
  plan.count = 60;
  plan.sizeOf = [](std::size_t) { return 1000; };
  plan.load = [&](std::size_t i) {
    const int now = ++inFlight;
    for (int seen = mostInFlight; now > seen && !mostInFlight.compare_exchange_weak(seen, now);) {
    }
    return Content(i);
  };
  plan.consume = [&](std::size_t i, std::vector<unsigned char>&& stored) {
    --inFlight;
    order.push_back(i);
    EXPECT_EQ(stored, archive::CompressRecord(Content(i))) << i;
  };
  plan.threads = 4;
  plan.windowBytes = 3 * RecordCost(1000);  // room for three records
  CompressInOrder(plan);
  ASSERT_EQ(order.size(), 60u);
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
  EXPECT_LE(mostInFlight.load(), 3);
}

TEST(ParallelCompressTest, ThrowsTheFirstFailureInRecordOrder) {
  std::vector<std::size_t> consumed;
  CompressPlan plan;
  plan.count = 20;
  plan.sizeOf = [](std::size_t) { return 10; };
  plan.load = [](std::size_t i) {
    if (i == 5 || i == 3) throw std::runtime_error("cannot read " + std::to_string(i));
    return Content(i);
  };
  plan.consume = [&](std::size_t i, std::vector<unsigned char>&&) { consumed.push_back(i); };
  plan.threads = 4;
  EXPECT_EQ(ErrorOf<std::runtime_error>([&] { CompressInOrder(plan); }), "cannot read 3");
  EXPECT_EQ(consumed, (std::vector<std::size_t>{0, 1, 2}));

  plan.load = Content;
  plan.consume = [](std::size_t i, std::vector<unsigned char>&&) {
    if (i == 1) throw std::runtime_error("disk full");
  };
  EXPECT_EQ(ErrorOf<std::runtime_error>([&] { CompressInOrder(plan); }), "disk full");
}

}  // namespace
}  // namespace quenlo::packer::testing
