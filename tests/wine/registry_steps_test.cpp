// The file-type and application-record steps against Wine's real registry, read back with the
// registry API: value types and exact bytes, the terminating zero included.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "install/app_record.h"
#include "install/file_types.h"
#include "install/media_extensions.h"
#include "platform/win32/backend.h"
#include "setup/startup.h"
#include "tests/unit/install/step_recorder.h"

namespace quenlo {
namespace {

struct RawValue {
  DWORD type = REG_NONE;
  std::string bytes;
  bool operator==(const RawValue&) const = default;
};
RawValue Sz(const std::string& text) { return {REG_SZ, text + '\0'}; }  // as REG_SZ stores it

// Raw, as stored: RegGetValue would add a missing terminating zero and hide it.
std::optional<RawValue> Read(HKEY root, const std::string& key, const char* name = nullptr) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return {};
  RawValue value;
  DWORD size = 0;
  LONG status = RegQueryValueExA(opened, name, nullptr, &value.type, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    value.bytes.resize(size);
    status = RegQueryValueExA(opened, name, nullptr, &value.type,
                              reinterpret_cast<BYTE*>(value.bytes.data()), &size);
    value.bytes.resize(size);
  }
  RegCloseKey(opened);
  if (status != ERROR_SUCCESS) return {};
  return value;
}

// Writes `value` into an existing key, or deletes the value when there is none.
void Restore(HKEY root, const std::string& key, const char* name,
             const std::optional<RawValue>& value) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) return;
  if (value) {
    RegSetValueExA(opened, name, 0, value->type, reinterpret_cast<const BYTE*>(value->bytes.data()),
                   static_cast<DWORD>(value->bytes.size()));
  } else {
    RegDeleteValueA(opened, name);
  }
  RegCloseKey(opened);
}

bool KeyExists(HKEY root, const std::string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

class RegistryStepsTest : public ::testing::Test {
 protected:
  // The steps write only two values into an extension's key: those are put back afterwards, and
  // a key that was not there is removed again, as is every ProgID key.
  struct Saved {
    bool existed = false;
    std::optional<RawValue> handler, backup;
  };
  void SetUp() override {
    for (const std::string_view row : MediaExtensions()) {
      const std::string extension(row);
      saved[extension] = {KeyExists(HKEY_CLASSES_ROOT, extension),
                          Read(HKEY_CLASSES_ROOT, extension),
                          Read(HKEY_CLASSES_ROOT, extension, "Quenlo.backup")};
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\QuenloBoFang");
  }
  void TearDown() override {
    for (const auto& [extension, found] : saved) {
      RegDeleteTreeA(HKEY_CLASSES_ROOT, ProgIdOf(extension).c_str());
      if (!found.existed) RegDeleteTreeA(HKEY_CLASSES_ROOT, extension.c_str());
      Restore(HKEY_CLASSES_ROOT, extension, nullptr, found.handler);
      Restore(HKEY_CLASSES_ROOT, extension, "Quenlo.backup", found.backup);
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\QuenloBoFang");
  }

  std::map<std::string, Saved> saved;
  SetupSession session;
  testing::StepPauses pauses{session};
  std::unique_ptr<platform::Registry> registry = win32::MakeRegistry();
};

TEST_F(RegistryStepsTest, FileTypesReadBackExactlyAndASecondRunKeepsTheBackup) {
  HKEY avi = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".avi", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &avi,
                            nullptr),
            ERROR_SUCCESS);
  RegCloseKey(avi);
  Restore(HKEY_CLASSES_ROOT, ".avi", nullptr, Sz("AVIFile"));
  Restore(HKEY_CLASSES_ROOT, ".avi", "Quenlo.backup", std::nullopt);
  ASSERT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".mkv")) << "left over from elsewhere";
  session.UseChinese = 1;
  session.InstallDir = "C:\\Quenlo播放";
  session.PlayerExePath = "C:\\Quenlo播放\\QuenloMediaPlayer.exe";
  RegisterFileTypes(session, pauses, *registry);

  EXPECT_EQ(session.Status.ProgressValue(), 56);
  for (const auto& [extension, found] : saved) {
    EXPECT_EQ(Read(HKEY_CLASSES_ROOT, extension), Sz("Quenlo" + extension)) << extension;
  }
  const auto classes = [](const std::string& key, const char* name = nullptr) {
    return Read(HKEY_CLASSES_ROOT, key, name);
  };
  EXPECT_EQ(classes(".avi", "Quenlo.backup"), Sz("AVIFile"));
  EXPECT_EQ(classes(".mkv", "Quenlo.backup"), std::nullopt);
  EXPECT_EQ(classes("Quenlo.avi\\DefaultIcon"), Sz("C:\\Quenlo播放\\Image\\logo_s.ico, 0"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Quenlo.avi\\Shell"));
  EXPECT_EQ(classes("Quenlo.avi\\Shell"), std::nullopt);
  EXPECT_EQ(classes("Quenlo.avi\\Shell\\Open"), Sz("使用“Quenlo播放”播放该文件"));
  EXPECT_EQ(classes("Quenlo.avi\\Shell\\Open\\Command"),
            Sz("\"C:\\Quenlo播放\\QuenloMediaPlayer.exe\" \"/o\" \"%1\""));
  EXPECT_EQ(classes("Quenlo.avi\\Shell\\Play"), Sz("添加该文件到“Quenlo播放”的播放列表"));
  EXPECT_EQ(classes("Quenlo.avi\\Shell\\Play\\Command"),
            Sz("\"C:\\Quenlo播放\\QuenloMediaPlayer.exe\" \"/a\" \"%1\""));

  session.UseChinese = 2;
  RegisterFileTypes(session, pauses, *registry);
  EXPECT_EQ(classes(".avi"), Sz("Quenlo.avi"));
  EXPECT_EQ(classes(".avi", "Quenlo.backup"), Sz("AVIFile"));
  // The first run's own ProgID is never taken as the backup.
  EXPECT_EQ(classes(".mkv", "Quenlo.backup"), std::nullopt);
  EXPECT_EQ(classes("Quenlo.mkv\\Shell\\Open"), Sz("Use Quenlo Media player open"));
}

TEST_F(RegistryStepsTest, AppRecordReadsBackAndStartUpFindsTheInstallation) {
  EXPECT_EQ(GetExistingAppPath(*registry), "");
  session.InstallDir = "D:\\播放器\\";
  WriteAppRecord(session, pauses, *registry);
  const auto record = [](const char* name) {
    return Read(HKEY_LOCAL_MACHINE, "Software\\QuenloBoFang", name);
  };
  EXPECT_EQ(record("Company"), Sz("Korvex"));
  EXPECT_EQ(record("Writter"), Sz("Lorvan"));
  EXPECT_EQ(record("eMail"), Sz("lorvan@quenlo.example"));
  EXPECT_EQ(record("Version"), Sz("2.0"));
  EXPECT_EQ(record("AppPath"), Sz("D:\\播放器\\"));
  EXPECT_EQ(record("AppName"), Sz("D:\\播放器\\Quenlo播放.exe"));
  EXPECT_EQ(GetExistingAppPath(*registry), "D:\\播放器\\");
}

}  // namespace
}  // namespace quenlo
