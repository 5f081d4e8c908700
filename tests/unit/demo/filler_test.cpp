// Filler bytes: exactly the planned size, the same for the same seed, and compressing about as
// well as asked (zlib level 6, as quenlo-pack stores them).
#include "demo/generator/filler.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace quenlo::demo {
namespace {

double StoredRatio(const std::string& bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<Bytef> out(size);
  EXPECT_EQ(compress2(out.data(), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                      static_cast<uLong>(bytes.size()), 6),
            Z_OK);
  return static_cast<double>(size) / static_cast<double>(bytes.size());
}

TEST(AppendFiller, AppendsExactlyTheSizeAfterWhatIsThere) {
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{1}, std::size_t{255}, std::size_t{257}, std::size_t{100'003}}) {
    std::string bytes = "head";
    AppendFiller(bytes, size, 0.5, 7);
    EXPECT_EQ(bytes.size(), 4 + size);
    EXPECT_EQ(bytes.substr(0, 4), "head");
  }
}

TEST(AppendFiller, IsTheSameForTheSameSeedAndDiffersForAnother) {
  std::string a, b, c;
  AppendFiller(a, 50'000, 0.45, SeedFor("App\\x.dll"));
  AppendFiller(b, 50'000, 0.45, SeedFor("App\\x.dll"));
  AppendFiller(c, 50'000, 0.45, SeedFor("App\\y.dll"));
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
}

TEST(AppendFiller, CompressesAboutAsWellAsAsked) {
  for (const double ratio : {0.1, 0.36, 0.45, 0.8}) {
    std::string bytes;
    AppendFiller(bytes, 1'000'000, ratio, 42);
    EXPECT_NEAR(StoredRatio(bytes), ratio, 0.03) << "asked for " << ratio;
  }
  std::string incompressible;
  AppendFiller(incompressible, 100'000, 1.0, 42);
  EXPECT_GT(StoredRatio(incompressible), 0.99);
}

TEST(Random, StaysInsideTheAskedRange) {
  Random random(1);
  bool sawLow = false, sawHigh = false;
  for (int i = 0; i < 10'000; ++i) {
    const std::uint64_t value = random.Between(5, 9);
    ASSERT_GE(value, 5u);
    ASSERT_LE(value, 9u);
    sawLow |= value == 5;
    sawHigh |= value == 9;
    ASSERT_LT(random.Below(3), 3u);
  }
  EXPECT_TRUE(sawLow && sawHigh) << "both ends of the range are reachable";
}

}  // namespace
}  // namespace quenlo::demo
