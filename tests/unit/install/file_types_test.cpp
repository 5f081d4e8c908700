#include "install/file_types.h"

#include <gtest/gtest.h>

#include <set>

#include "install/media_extensions.h"
#include "tests/unit/install/recording_registry.h"
#include "tests/unit/install/step_recorder.h"

namespace quenlo {
namespace {

using testing::FakeRegistry;
using Pause = testing::StepPauses::Pause;

constexpr platform::RegistryRoot kClasses = platform::RegistryRoot::ClassesRoot;
constexpr const char* kOpeningLine = "正在注册文件类型，请稍候...";
constexpr const char* kClosingLine = "OK，文件类型注册完毕!";

class FileTypesTest : public ::testing::Test {
 protected:
  FileTypesTest() {
    session.UseChinese = 1;
    session.InstallDir = "C:\\Quenlo";
    session.PlayerExePath = "C:\\Quenlo\\QuenloMediaPlayer.exe";
  }
  // A value's text, "<absent>", or "<not a string>".
  std::string Text(const std::string& key, const std::string& name = "") const {
    const auto value = registry.Value(kClasses, key, name);
    if (!value) return "<absent>";
    return value->type == FakeRegistry::ValueType::String ? value->data : "<not a string>";
  }
  void Run() { RegisterFileTypes(session, pauses, registry); }

  SetupSession session;
  testing::StepPauses pauses{session};
  FakeRegistry registry;
};

TEST_F(FileTypesTest, FiftySixRowsEachCountedAndPacedWaxAndWmxTwice) {
  const auto& rows = MediaExtensions();
  EXPECT_EQ((std::vector<std::string_view>(rows.begin() + 50, rows.begin() + 54)),
            (std::vector<std::string_view>{".wax", ".wmx", ".wax", ".wmx"}));
  EXPECT_EQ(std::set<std::string_view>(rows.begin(), rows.end()).size(), 54u);
  for (int i = 0; i < 10; ++i) session.Status.StepProgress();
  Run();
  std::vector<Pause> expected{{100, kOpeningLine, 10}};
  for (std::int32_t row = 1; row <= 56; ++row) expected.push_back({2, kOpeningLine, 10 + row});
  expected.push_back({100, kClosingLine, 66});
  EXPECT_EQ(pauses.pauses(), expected);
  for (const std::string_view row : rows) {
    EXPECT_EQ(Text(std::string(row)), "Quenlo" + std::string(row));
  }
  EXPECT_EQ(registry.openKeys(), 0);
}

TEST_F(FileTypesTest, ExtensionAndProgIdKeysInOrderWithTheirExactTexts) {
  registry.SetString(kClasses, ".avi", "", "AVIFile");
  testing::RecordingRegistry recording(registry);
  AssociateExtension(session, ".avi", recording);
  const std::string open = "\"C:\\Quenlo\\QuenloMediaPlayer.exe\" \"/o\" \"%1\"";
  const std::string play = "\"C:\\Quenlo\\QuenloMediaPlayer.exe\" \"/a\" \"%1\"";
  EXPECT_EQ(recording.log(),
            (std::vector<std::string>{
                "open .avi",
                "write .avi [Quenlo.backup] AVIFile",
                "write .avi [] Quenlo.avi",
                "open Quenlo.avi\\DefaultIcon",
                "write Quenlo.avi\\DefaultIcon [] C:\\Quenlo\\Image\\logo_s.ico, 0",
                "open Quenlo.avi\\Shell",
                "open Quenlo.avi\\Shell\\Open",
                "write Quenlo.avi\\Shell\\Open [] 使用“Quenlo播放”播放该文件",
                "open Quenlo.avi\\Shell\\Open\\Command",
                "write Quenlo.avi\\Shell\\Open\\Command [] " + open,
                "open Quenlo.avi\\Shell\\Play",
                "write Quenlo.avi\\Shell\\Play [] 添加该文件到“Quenlo播放”的播放列表",
                "open Quenlo.avi\\Shell\\Play\\Command",
                "write Quenlo.avi\\Shell\\Play\\Command [] " + play,
            }));
}

TEST_F(FileTypesTest, CaptionsCommandsAndIconFollowTheSession) {
  session.UseChinese = 2;
  session.PlayerExePath = "";
  session.InstallDir = "D:\\Quenlo\\";
  Run();
  EXPECT_EQ(Text("Quenlo.mkv\\Shell\\Open"), "Use Quenlo Media player open");
  EXPECT_EQ(Text("Quenlo.mkv\\Shell\\Play"), "Add this file to Quenlo Media Player play list");
  EXPECT_EQ(Text("Quenlo.mkv\\Shell\\Open\\Command"), "\"\" \"/o\" \"%1\"");
  EXPECT_EQ(Text("Quenlo.mkv\\Shell\\Play\\Command"), "\"\" \"/a\" \"%1\"");
  EXPECT_EQ(Text("Quenlo.mkv\\DefaultIcon"), "D:\\Quenlo\\Image\\logo_s.ico, 0");
  EXPECT_EQ(session.Status.StatusText(), kClosingLine);  // status lines stay Chinese
  session.InstallDir = "D:\\誠";  // ends in a trail byte 0x5C, not in a backslash
  for (const std::int32_t code : {0, 3}) {
    FakeRegistry fresh;
    session.UseChinese = code;
    WriteProgIdKeys(session, ".mkv", fresh);
    EXPECT_TRUE(fresh.KeyExists(kClasses, "Quenlo.mkv\\Shell\\Open")) << code;
    EXPECT_FALSE(fresh.Value(kClasses, "Quenlo.mkv\\Shell\\Open", "")) << code;
    EXPECT_FALSE(fresh.Value(kClasses, "Quenlo.mkv\\Shell\\Play", "")) << code;
    EXPECT_EQ(fresh.Value(kClasses, "Quenlo.mkv\\DefaultIcon", "")->data,
              "D:\\誠\\Image\\logo_s.ico, 0");
  }
}

TEST_F(FileTypesTest, BackupKeepsTheFirstHandlerFoundAndIsNeverOverwritten) {
  registry.SetString(kClasses, ".avi", "", "AVIFile");                 // another handler
  registry.SetString(kClasses, ".mov", "", "Quenlo.mov");              // an earlier install...
  registry.SetString(kClasses, ".mov", "Quenlo.backup", "QuickTime");  // ...that kept one
  registry.SetString(kClasses, ".mp4", "", "Quenlo.mp4");              // ...that found none
  registry.SetString(kClasses, ".flv", "", "");
  registry.SetString(kClasses, ".ogg", "", "OggFile");
  registry.SetString(kClasses, ".ogg", "Quenlo.backup", "");  // an empty backup is none
  for (const char* extension : {".avi", ".mov", ".mp4", ".flv", ".ogg", ".mkv", ".avi"}) {
    TakeOverExtension(extension, registry);
    EXPECT_EQ(Text(extension), std::string("Quenlo") + extension);
  }
  EXPECT_EQ(Text(".avi", "Quenlo.backup"), "AVIFile");
  EXPECT_EQ(Text(".mov", "Quenlo.backup"), "QuickTime");
  // The player's own ProgID is no handler to give back.
  EXPECT_EQ(Text(".mp4", "Quenlo.backup"), "<absent>");
  EXPECT_EQ(Text(".flv", "Quenlo.backup"), "<absent>");
  EXPECT_EQ(Text(".ogg", "Quenlo.backup"), "OggFile");
  EXPECT_EQ(Text(".mkv", "Quenlo.backup"), "<absent>");  // the key did not exist
  EXPECT_EQ(registry.openKeys(), 0);
}

TEST_F(FileTypesTest, DoubledRowsEndLikeTheirNeighbours) {
  registry.SetString(kClasses, ".wax", "", "WMP.wax");
  registry.SetString(kClasses, ".asx", "", "WMP.asx");
  for (int run = 0; run < 2; ++run) {  // a first install, then a reinstall over it
    Run();
    EXPECT_EQ(Text(".wax"), "Quenlo.wax");
    EXPECT_EQ(Text(".wax", "Quenlo.backup"), "WMP.wax");  // the second pass changed nothing
    EXPECT_EQ(Text(".asx", "Quenlo.backup"), "WMP.asx");
    // Without a handler before, the second pass does not take the ProgID the first one wrote.
    EXPECT_EQ(Text(".wmx"), "Quenlo.wmx");
    EXPECT_EQ(Text(".wmx", "Quenlo.backup"), "<absent>");
    EXPECT_EQ(Text(".m3u", "Quenlo.backup"), "<absent>");
  }
}

TEST_F(FileTypesTest, RegistryFailuresSkipTheItemAndTheStepGoesOn) {
  registry.DenyAccess(kClasses, ".avi");
  registry.DenyAccess(kClasses, "Quenlo.mkv\\Shell\\Open");
  registry.SetValue(kClasses, ".mov", "", {FakeRegistry::ValueType::Dword, "1"});
  registry.SetString(kClasses, ".mp4", "", "MP4File");
  registry.SetValue(kClasses, ".mp4", "Quenlo.backup", {FakeRegistry::ValueType::Binary, "x"});
  registry.SetString(kClasses, ".ogg", "", "OggFile");
  testing::RecordingRegistry recording(registry);
  recording.FailWritesOf("Quenlo.backup");
  RegisterFileTypes(session, pauses, recording);
  EXPECT_FALSE(registry.KeyExists(kClasses, ".avi"));
  EXPECT_EQ(Text("Quenlo.avi\\DefaultIcon"), "C:\\Quenlo\\Image\\logo_s.ico, 0");
  EXPECT_EQ(Text("Quenlo.mkv\\Shell\\Open\\Command"), Text("Quenlo.mp4\\Shell\\Open\\Command"));
  EXPECT_EQ(Text("Quenlo.mkv\\Shell\\Play"), "添加该文件到“Quenlo播放”的播放列表");
  EXPECT_EQ(Text(".mov"), "<not a string>");  // left as found
  EXPECT_EQ(Text(".mov", "Quenlo.backup"), "<absent>");
  EXPECT_EQ(Text(".mp4"), "MP4File");
  EXPECT_EQ(Text(".ogg"), "OggFile");  // its backup could not be written: the handler stays
  EXPECT_EQ(Text(".wmv"), "Quenlo.wmv");
  EXPECT_EQ(pauses.pauses().size(), 58u);
  EXPECT_EQ(registry.openKeys(), 0);

  FakeRegistry readOnly;
  readOnly.FailWrites(true);
  RegisterFileTypes(session, pauses, readOnly);
  EXPECT_EQ(pauses.pauses().size(), 116u);
  EXPECT_EQ(session.Status.StatusText(), kClosingLine);
}

}  // namespace
}  // namespace quenlo
