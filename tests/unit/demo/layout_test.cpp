// The demo payload's table: names, the telling files, where the system-folder copies come from,
// and the planned sizes. (Counts per folder and kind are checked on the generated tree.)
#include "demo/generator/layout.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <set>
#include <string>

#include "base/path.h"
#include "demo/generator/generate.h"
#include "tests/unit/demo/demo_test_support.h"

namespace quenlo::demo {
namespace {

using testing::FileNameOf;
using testing::FolderOf;
using testing::KindOf;
using testing::StartsWith;

class LayoutTest : public ::testing::Test {
 protected:
  std::vector<PayloadFile> layout = DemoPayloadLayout(Variant::kFull);

  const PayloadFile* Find(const std::string& name) const {
    const auto found = std::find_if(layout.begin(), layout.end(),
                                    [&](const PayloadFile& file) { return file.name == name; });
    return found == layout.end() ? nullptr : &*found;
  }
};

TEST_F(LayoutTest, SmallVariantKeepsEveryNameAndKind) {
  const std::vector<PayloadFile> small = DemoPayloadLayout(Variant::kSmall);
  ASSERT_EQ(small.size(), layout.size());
  for (std::size_t i = 0; i < layout.size(); ++i) {
    EXPECT_EQ(small[i].name, layout[i].name);
    EXPECT_EQ(small[i].kind, layout[i].kind) << layout[i].name;
  }
}

TEST_F(LayoutTest, NamesAreUniqueWithoutRegardToCaseAndStayInsideTheirRoots) {
  std::set<std::string> seen;
  for (const PayloadFile& file : layout) {
    EXPECT_TRUE(seen.insert(UpperCaseAscii(file.name)).second) << file.name;
    EXPECT_TRUE(StartsWith(file.name, "App\\") || StartsWith(file.name, "Exe\\")) << file.name;
    EXPECT_EQ(file.name.find("\\\\"), std::string::npos) << file.name;
    EXPECT_EQ(file.name.find(".."), std::string::npos) << file.name;
    EXPECT_EQ(file.name.find(':'), std::string::npos) << file.name;
    EXPECT_LE(file.name.size(), 255u) << file.name;
  }
}

TEST_F(LayoutTest, RootHoldsThePlayerUninstallerTextsAndSixLibraries) {
  std::set<std::string> root;
  for (const PayloadFile& file : layout) {
    if (FolderOf(file.name) == "App") root.insert(FileNameOf(file.name));
  }
  for (const std::string& name : std::vector<std::string>{
           "QuenloMediaPlayer.exe", "UnInstall.exe", "Readme.txt",
           std::string(reinterpret_cast<const char*>(u8"最终用户许可协议.txt")), "avcodec.dll",
           "avutil.dll", "bass.dll", "pncrt.dll"}) {
    EXPECT_TRUE(root.count(name)) << name;
  }
  EXPECT_EQ(std::count_if(root.begin(), root.end(),
                          [](const std::string& name) { return KindOf(name) == ".dll"; }),
            6);
  EXPECT_EQ(Find("App\\QuenloMediaPlayer.exe")->kind, FileKind::kPlayer);
  EXPECT_EQ(Find("App\\UnInstall.exe")->kind, FileKind::kUninstaller);
}

TEST_F(LayoutTest, SystemFolderFilesAreCopiesOfTheirAppNamesakes) {
  std::set<std::string> names;
  for (const PayloadFile& file : layout) {
    if (!StartsWith(file.name, "Exe\\")) continue;
    names.insert(FileNameOf(file.name));
    ASSERT_EQ(file.kind, FileKind::kCopy) << file.name;
    EXPECT_EQ(FileNameOf(file.source), FileNameOf(file.name));
    const std::string folder = FolderOf(file.source);
    EXPECT_TRUE(folder == "App" || folder == "App\\Codec\\OtherCodec" ||
                folder == "App\\Codec\\Real\\Common")
        << file.source;
    const PayloadFile* source = Find(file.source);
    ASSERT_NE(source, nullptr) << file.source;
    EXPECT_EQ(source->kind, FileKind::kCodec) << file.source;
  }
  EXPECT_EQ(names, (std::set<std::string>{"avcodec.dll", "avutil.dll", "bass.dll", "mkunicode.dll",
                                          "mkzlib.dll", "pncrt.dll", "pngu3267.dll"}));
}

TEST_F(LayoutTest, TellingFilesAreWhatThePlayerAndSetupExpect) {
  const PayloadFile* logo = Find("App\\Image\\logo_s.ico");
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->kind, FileKind::kIcon);
  const PayloadFile* list = Find("App\\Project\\PlayFileList");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->kind, FileKind::kText);
  EXPECT_TRUE(list->text.empty());
  ASSERT_NE(Find("App\\Ini\\Default.ini"), nullptr);
  // The manifest lies beside the filter it belongs to.
  const auto manifest = std::find_if(layout.begin(), layout.end(), [](const PayloadFile& file) {
    return KindOf(file.name) == ".manifest";
  });
  ASSERT_NE(manifest, layout.end());
  const std::string filter = manifest->name.substr(0, manifest->name.size() - 9);
  EXPECT_EQ(KindOf(filter), ".ax");
  ASSERT_NE(Find(filter), nullptr) << filter;
  EXPECT_NE(manifest->text.find("name=\"" + FileNameOf(filter) + "\""), std::string::npos);
  // Every skin bitmap is a real picture.
  for (const PayloadFile& file : layout) {
    if (KindOf(file.name) == ".bmp") {
      EXPECT_EQ(file.kind, FileKind::kBitmap) << file.name;
      EXPECT_GT(file.width, 0);
      EXPECT_GT(file.height, 0);
    }
  }
}

// Sizes of every file as built (with stand-in templates, which are smaller than the real ones
// but far below every planned size of the full variant).
struct Sizes {
  std::uint64_t total = 0;
  std::uint64_t stored = 0;  // at zlib level 6, as quenlo-pack stores them
  std::uint64_t largest = 0;
  std::string largestName;
};

std::uint64_t StoredSize(const std::string& bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<Bytef> out(size);
  EXPECT_EQ(compress2(out.data(), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                      static_cast<uLong>(bytes.size()), 6),
            Z_OK);
  return size;
}

Sizes BuiltSizes(Variant variant, bool compress) {
  const std::vector<PayloadFile> layout = DemoPayloadLayout(variant);
  const Templates templates = testing::DummyTemplates();
  Sizes sizes;
  for (const PayloadFile& file : layout) {
    const std::string bytes = BuildFile(file, layout, templates);
    const std::uint64_t size = bytes.size();
    sizes.total += size;
    if (compress) sizes.stored += StoredSize(bytes);
    if (size > sizes.largest) {
      sizes.largest = size;
      sizes.largestName = file.name;
    }
  }
  return sizes;
}

TEST(LayoutSizes, FullVariantIsAbout65MegabytesInflatedAnd28Stored) {
  const Sizes sizes = BuiltSizes(Variant::kFull, true);
  EXPECT_GT(sizes.total, 64'000'000u);
  EXPECT_LT(sizes.total, 67'000'000u);
  EXPECT_GT(sizes.stored, 27'000'000u);
  EXPECT_LT(sizes.stored, 29'000'000u);
  EXPECT_EQ(sizes.largestName, "App\\avcodec.dll");
  EXPECT_GT(sizes.largest, 5'300'000u);
  EXPECT_LT(sizes.largest, 5'700'000u);
}

TEST(LayoutSizes, SmallVariantIsAFewMegabytes) {
  // With the real templates (about 15 KB a library) it comes to about 4 MB.
  EXPECT_LT(BuiltSizes(Variant::kSmall, false).total, 3'000'000u);
}

}  // namespace
}  // namespace quenlo::demo
