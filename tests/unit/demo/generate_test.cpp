// The generated tree on disk (small variant, stand-in templates): the shipped shape, byte copies
// in the system folder, a distinct class ID in every library, valid pictures, and the same bytes
// on every run.
#include "demo/generator/generate.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "demo/codec/codec_stamp.h"
#include "demo/generator/clsid.h"
#include "demo/generator/stamp.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/demo/demo_test_support.h"

namespace quenlo::demo {
namespace {

namespace fs = std::filesystem;
using testing::DummyTemplates;
using testing::FileNameOf;
using testing::FolderOf;
using testing::KindOf;
using testing::ReadFile;
using testing::StartsWith;

std::uint32_t U32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// Every file under `root` by payload name (UTF-8, backslashes) with its bytes.
std::map<std::string, std::string> ReadTree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::string name;
    for (const fs::path& part : entry.path().lexically_relative(root)) {
      const std::u8string text = part.u8string();
      if (!name.empty()) name += '\\';
      name.append(text.begin(), text.end());
    }
    files[name] = ReadFile(entry.path());
  }
  return files;
}

class GeneratedTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new quenlo::testing::TempDir;
    const GenerateSummary summary =
        GenerateDemoPayload(DummyTemplates(), Variant::kSmall, dir->path() / "payload");
    EXPECT_EQ(summary.files, 367u);
    files = new std::map<std::string, std::string>(ReadTree(dir->path() / "payload"));
    std::uint64_t bytes = 0;
    for (const auto& [name, content] : *files) bytes += content.size();
    EXPECT_EQ(summary.bytes, bytes);
  }
  static void TearDownTestSuite() {
    delete files;
    delete dir;
  }
  static quenlo::testing::TempDir* dir;
  static std::map<std::string, std::string>* files;
};

quenlo::testing::TempDir* GeneratedTree::dir = nullptr;
std::map<std::string, std::string>* GeneratedTree::files = nullptr;

TEST_F(GeneratedTree, HoldsTheShippedCountsPerFolderAndKind) {
  std::map<std::string, int> folders, kinds;
  for (const auto& [name, content] : *files) {
    ++folders[FolderOf(name)];
    ++kinds[KindOf(name)];
  }
  EXPECT_EQ(folders, (std::map<std::string, int>{
                         {"App", 10},
                         {"App\\Codec\\OtherCodec", 94},
                         {"App\\Codec\\Plugins", 4},
                         {"App\\Codec\\Real\\Codecs", 17},
                         {"App\\Codec\\Real\\Common", 5},
                         {"App\\Codec\\Real\\Plugins", 40},
                         {"App\\Codec\\Real\\Plugins\\ExtResources", 1},
                         {"App\\Codec\\Real\\rpplugins", 3},
                         {"App\\Codec\\Real\\rpplugins\\cn", 2},
                         {"App\\Codec\\SysCodec", 20},
                         {"App\\Image", 2},
                         {"App\\Ini", 1},
                         {"App\\Project", 6},
                         {"App\\Skin\\Default", 154},
                         {"App\\Temp", 1},
                         {"Exe", 7},
                     }));
  EXPECT_EQ(kinds, (std::map<std::string, int>{{".dll", 154},
                                               {".bmp", 149},
                                               {".ax", 40},
                                               {".ico", 5},
                                               {".txt", 4},
                                               {"", 4},
                                               {".xpt", 2},
                                               {".jpg", 2},
                                               {".exe", 2},
                                               {".xrs", 1},
                                               {".manifest", 1},
                                               {".log", 1},
                                               {".ini", 1},
                                               {".dat", 1}}));
}

TEST_F(GeneratedTree, SystemFolderFilesAreByteCopiesOfTheirAppNamesakes) {
  int copies = 0;
  for (const auto& [name, content] : *files) {
    if (!StartsWith(name, "Exe\\")) continue;
    int namesakes = 0;
    for (const auto& [other, otherContent] : *files) {
      if (!StartsWith(other, "App\\") || FileNameOf(other) != FileNameOf(name)) continue;
      ++namesakes;
      EXPECT_EQ(otherContent, content) << name << " and " << other;
    }
    EXPECT_EQ(namesakes, 1) << name;
    ++copies;
  }
  EXPECT_EQ(copies, 7);
}

TEST_F(GeneratedTree, EveryAppLibraryCarriesItsOwnClassIdOverTheTemplate) {
  const std::string codecTemplate = DummyTemplates().codec;
  const std::size_t block = FindStamp(codecTemplate);
  std::set<std::string> clsids;
  int codecLibraries = 0;
  for (const auto& [name, content] : *files) {
    const std::string kind = KindOf(name);
    if (!StartsWith(name, "App\\") || (kind != ".ax" && kind != ".dll")) continue;
    const CodecIdentity identity = ReadStamp(content);
    EXPECT_EQ(identity.clsid, ClsidForName(name)) << name;
    EXPECT_EQ(identity.name, CodecDescription(name)) << name;
    EXPECT_TRUE(clsids.insert(identity.clsid).second) << name << " repeats a class ID";
    // The image itself is the template's: outside the block's fields, byte for byte.
    ASSERT_GE(content.size(), codecTemplate.size()) << name;
    EXPECT_EQ(content.substr(0, block + kStampClsidOffset),
              codecTemplate.substr(0, block + kStampClsidOffset))
        << name;
    EXPECT_EQ(content.substr(block + kStampSize, codecTemplate.size() - block - kStampSize),
              codecTemplate.substr(block + kStampSize))
        << name;
    codecLibraries += StartsWith(name, "App\\Codec\\") ? 1 : 0;
  }
  EXPECT_EQ(codecLibraries, 181);
  EXPECT_EQ(clsids.size(), 187u) << "181 codec libraries and the six in the root";
}

TEST_F(GeneratedTree, ProgramsStartAsTheirTemplates) {
  const Templates templates = DummyTemplates();
  const std::string& player = files->at("App\\QuenloMediaPlayer.exe");
  const std::string& uninstaller = files->at("App\\UnInstall.exe");
  EXPECT_EQ(player.substr(0, templates.player.size()), templates.player);
  EXPECT_EQ(uninstaller.substr(0, templates.uninstaller.size()), templates.uninstaller);
}

TEST_F(GeneratedTree, BitmapsAndIconsHaveHeadersThatMatchTheirFiles) {
  int bitmaps = 0, icons = 0, jpegs = 0;
  for (const auto& [name, content] : *files) {
    const std::string kind = KindOf(name);
    if (kind == ".bmp") {
      ++bitmaps;
      ASSERT_GE(content.size(), 54u) << name;
      EXPECT_EQ(content.substr(0, 2), "BM") << name;
      EXPECT_EQ(U32(content, 2), content.size()) << name;
      EXPECT_EQ(U32(content, 10), 54u) << name;
      EXPECT_EQ(U32(content, 14), 40u) << name;
      const std::uint32_t width = U32(content, 18);
      const std::uint32_t height = U32(content, 22);
      EXPECT_GT(width, 0u) << name;
      EXPECT_GT(height, 0u) << name;
      EXPECT_EQ(content.size(), 54 + (width * 3 + 3) / 4 * 4 * height) << name;
    } else if (kind == ".ico") {
      ++icons;
      ASSERT_GE(content.size(), 22u) << name;
      EXPECT_EQ(U32(content, 0), 0x00010000u) << name;  // reserved 0, type 1
      const unsigned count = static_cast<unsigned char>(content[4]);
      ASSERT_GE(count, 1u) << name;
      std::uint64_t end = 6 + 16 * count;
      for (unsigned i = 0; i < count; ++i) {
        const std::uint32_t size = U32(content, 6 + 16 * i + 8);
        const std::uint32_t offset = U32(content, 6 + 16 * i + 12);
        EXPECT_EQ(offset, end) << name;
        end = static_cast<std::uint64_t>(offset) + size;
        ASSERT_LE(end, content.size()) << name;
        EXPECT_EQ(U32(content, offset), 40u) << name;
      }
      EXPECT_EQ(end, content.size()) << name;
    } else if (kind == ".jpg") {
      ++jpegs;
      EXPECT_EQ(content.substr(0, 3), "\xFF\xD8\xFF") << name;
      EXPECT_EQ(content.substr(content.size() - 2), "\xFF\xD9") << name;
    }
  }
  EXPECT_EQ(bitmaps, 149);
  EXPECT_EQ(icons, 5);
  EXPECT_EQ(jpegs, 2);
  const std::string& logo = files->at("App\\Image\\logo_s.ico");
  EXPECT_EQ(static_cast<unsigned char>(logo[4]), 3) << "16, 32 and 48 pixels";
}

TEST_F(GeneratedTree, TextsAreGbkWithCrlfAndThePlayListIsEmpty) {
  EXPECT_EQ(files->at("App\\Project\\PlayFileList"), "");
  const std::string licence =
      files->at(reinterpret_cast<const char*>(u8"App\\最终用户许可协议.txt"));
  EXPECT_NE(licence.find("最终用户许可协议"), std::string::npos) << "GBK text";
  EXPECT_EQ(licence.find("\xE6\x9C\x80"), std::string::npos) << "not UTF-8";
  for (const auto& [name, content] : *files) {
    const std::string kind = KindOf(name);
    if (kind != ".txt" && kind != ".ini" && kind != ".log") continue;
    for (std::size_t at = content.find('\n'); at != std::string::npos;
         at = content.find('\n', at + 1)) {
      ASSERT_TRUE(at > 0 && content[at - 1] == '\r') << name << " has a bare line feed";
    }
  }
}

TEST(GenerateDemoPayload, WritesTheSameBytesEveryTime) {
  quenlo::testing::TempDir dir;
  GenerateDemoPayload(DummyTemplates(), Variant::kSmall, dir.path() / "one");
  GenerateDemoPayload(DummyTemplates(), Variant::kSmall, dir.path() / "two");
  const auto one = ReadTree(dir.path() / "one");
  const auto two = ReadTree(dir.path() / "two");
  ASSERT_EQ(one.size(), 367u);
  EXPECT_TRUE(one == two);
}

TEST(GenerateDemoPayload, RefusesAnOutputFolderThatHoldsFiles) {
  quenlo::testing::TempDir dir;
  testing::WriteFile(dir.path() / "out" / "stale.txt", "left over");
  EXPECT_THROW(GenerateDemoPayload(DummyTemplates(), Variant::kSmall, dir.path() / "out"),
               GenerateError);
  EXPECT_FALSE(fs::exists(dir.path() / "out" / "App"));
  fs::create_directories(dir.path() / "empty");
  EXPECT_EQ(GenerateDemoPayload(DummyTemplates(), Variant::kSmall, dir.path() / "empty").files,
            367u);
}

TEST(LoadTemplates, NeedsAllThreeProgramsAndAnUnstampedCodec) {
  quenlo::testing::TempDir dir;
  const Templates templates = DummyTemplates();
  EXPECT_THROW(LoadTemplates(dir.path()), GenerateError);
  testing::WriteFile(dir.path() / kPlayerTemplate, templates.player);
  testing::WriteFile(dir.path() / kUninstallerTemplate, templates.uninstaller);
  EXPECT_THROW(LoadTemplates(dir.path()), GenerateError) << "no codec template";
  testing::WriteFile(dir.path() / kCodecTemplate, "MZ without an identity block");
  EXPECT_THROW(LoadTemplates(dir.path()), GenerateError);
  testing::WriteFile(dir.path() / kCodecTemplate,
                     StampCodec(templates.codec, {ClsidForName("App\\x.dll"), "x"}));
  EXPECT_THROW(LoadTemplates(dir.path()), GenerateError) << "stamped already";
  testing::WriteFile(dir.path() / kCodecTemplate, templates.codec);
  const Templates loaded = LoadTemplates(dir.path());
  EXPECT_EQ(loaded.player, templates.player);
  EXPECT_EQ(loaded.uninstaller, templates.uninstaller);
  EXPECT_EQ(loaded.codec, templates.codec);
}

}  // namespace
}  // namespace quenlo::demo
