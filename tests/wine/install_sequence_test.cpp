// The whole install sequence under Wine: the small demo payload installed into a real folder tree
// that does not exist yet, its codecs registered, the registry steps written, the temporary
// system-folder files removed. The test is given the demo setup file and the tree it was packed
// from (QUENLO_DEMO_SETUP, QUENLO_DEMO_PAYLOAD; scripts/make-demo-payload.sh --small makes them)
// and puts the registry back as it found it.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/path.h"
#include "install/codec_registration.h"
#include "install/install_sequence.h"
#include "install/media_extensions.h"
#include "platform/forwarding_file_system.h"
#include "platform/win32/backend.h"

namespace quenlo {
namespace {

namespace fs = std::filesystem;

// An environment value naming a file; a Unix path (as ctest gives it) becomes its Z: form.
std::string PathFromEnv(const char* name) {
  const char* value = std::getenv(name);
  std::string path = value == nullptr ? std::string() : std::string(value);
  if (path.starts_with("/")) {
    for (char& c : path) c = c == '/' ? '\\' : c;
    path = "Z:" + path;
  }
  return path;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// A file named by a GBK path, read through the backend (the C++ library's narrow paths are not
// GBK on Windows).
std::string ReadAll(platform::FileSystem& files, const std::string& path) {
  const auto source = files.OpenForReading(path);
  std::string content(static_cast<std::size_t>(source->Size()), '\0');
  source->ReadAt(0, content.data(), content.size());
  return content;
}

// The Win32 file system, except that the running program is the demo setup file.
class DemoSetupFiles final : public platform::ForwardingFileSystem {
 public:
  explicit DemoSetupFiles(std::string setupFile)
      : ForwardingFileSystem(*real_), setupFile_(std::move(setupFile)) {}
  std::string ModulePath() override { return setupFile_; }

 private:
  // Made before the base class hands calls to it.
  static inline std::unique_ptr<platform::FileSystem> real_ = win32::MakeFileSystem();
  std::string setupFile_;
};

// The default value and backup of every associated extension, to put back afterwards.
struct ExtensionState {
  bool existed = false;
  std::optional<std::string> handler;
  std::optional<std::string> backup;
};

std::optional<std::string> ReadString(HKEY key, const char* name) {
  char buffer[512] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(buffer);
}

class InstallSequenceUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string setup = PathFromEnv("QUENLO_DEMO_SETUP");
    payloadTree = PathFromEnv("QUENLO_DEMO_PAYLOAD");
    ASSERT_FALSE(setup.empty() || payloadTree.empty())
        << "QUENLO_DEMO_SETUP and QUENLO_DEMO_PAYLOAD must name the small demo setup file and its "
           "tree: run scripts/make-demo-payload.sh --small --tree win64";
    files = std::make_unique<DemoSetupFiles>(setup);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    root = std::string(temp) + "quenlo-sequence-test";
    fs::remove_all(root);
    installDir = root + "\\Program Files\\QuenloBoFang";
    systemRoot = EnsureTrailingBackslash(files->SystemFolder());
    for (std::string_view extension : MediaExtensions()) SaveExtension(std::string(extension));
  }

  void TearDown() override {
    // Unregister the codecs while their files are still there, then put the registry back.
    for (const std::string& codec : registeredCodecs) RegisterLibrary(*libraries, codec, 0);
    for (const auto& [extension, state] : extensions) RestoreExtension(extension, state);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\QuenloBoFang");
    for (const auto& name : createdSystemFiles) DeleteFileA((systemRoot + name).c_str());
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  void SaveExtension(const std::string& extension) {
    ExtensionState state;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, extension.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
      state.existed = true;
      state.handler = ReadString(key, nullptr);
      state.backup = ReadString(key, "Quenlo.backup");
      RegCloseKey(key);
    }
    extensions[extension] = state;
  }

  void RestoreExtension(const std::string& extension, const ExtensionState& state) {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ("Quenlo" + extension).c_str());
    if (!state.existed) {
      RegDeleteTreeA(HKEY_CLASSES_ROOT, extension.c_str());
      return;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, extension.c_str(), 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS) {
      return;
    }
    const auto put = [&](const char* name, const std::optional<std::string>& text) {
      if (text) {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                       static_cast<DWORD>(text->size() + 1));
      } else {
        RegDeleteValueA(key, name);
      }
    };
    put(nullptr, state.handler);
    put("Quenlo.backup", state.backup);
    RegCloseKey(key);
  }

  // Every file of the payload tree: its record name and its path on disk.
  std::vector<std::pair<std::string, fs::path>> PayloadFiles() {
    std::vector<std::pair<std::string, fs::path>> found;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(payloadTree))) {
      if (!entry.is_regular_file()) continue;
      std::wstring relative = fs::relative(entry.path(), fs::path(payloadTree)).wstring();
      for (auto& c : relative) c = c == L'/' ? L'\\' : c;
      char name[MAX_PATH * 2] = {};
      WideCharToMultiByte(936, 0, relative.c_str(), -1, name, sizeof name, nullptr, nullptr);
      found.emplace_back(name, entry.path());
    }
    return found;
  }

  std::string Destination(const std::string& name) {
    if (name.starts_with("App\\")) return EnsureTrailingBackslash(installDir) + name.substr(4);
    return systemRoot + name.substr(4);
  }

  void RunAndRemember(SetupSession& session) {
    session.InstallDir = installDir;
    session.UseChinese = 1;
    TInstallAndReg::Execute(session, {*files, *registry, *libraries, *clock});
    for (const auto& [name, path] : PayloadFiles()) {
      const std::string target = Destination(name);
      if (name.find("Codec") != std::string::npos &&
          (name.ends_with(".dll") || name.ends_with(".ax"))) {
        registeredCodecs.push_back(target);
      }
    }
  }

  std::unique_ptr<DemoSetupFiles> files;
  std::unique_ptr<platform::Registry> registry = win32::MakeRegistry();
  std::unique_ptr<platform::Libraries> libraries = win32::MakeLibraries();
  std::unique_ptr<platform::Clock> clock = win32::MakeClock();
  std::string payloadTree, root, installDir, systemRoot;
  std::map<std::string, ExtensionState> extensions;
  std::vector<std::string> registeredCodecs;
  std::vector<std::string> createdSystemFiles;
};

TEST_F(InstallSequenceUnderWine, InstallsTheDemoIntoAFreshFolderTree) {
  const auto payload = PayloadFiles();
  ASSERT_EQ(payload.size(), 367u);
  for (const auto& [name, path] : payload) {
    if (name.starts_with("Exe\\")) {
      ASSERT_FALSE(files->FileExists(Destination(name)))
          << "the system folder already holds " << name << "; this test needs it clean";
    }
  }
  SetupSession session;
  RunAndRemember(session);

  ASSERT_FALSE(session.Status.Failure()) << session.Status.Failure()->message;
  EXPECT_TRUE(session.Status.InstallFinished());
  EXPECT_EQ(session.Status.ProgressValue(), 368 + 367 + 56 + 367);
  EXPECT_EQ(session.Status.StatusText(), "OK，Quenlo播放v2.0 Tesmar版 安装成功!");
  EXPECT_EQ(session.PlayerExePath, installDir + "\\QuenloMediaPlayer.exe");
  for (const auto& [name, path] : payload) {
    const std::string target = Destination(name);
    if (name.starts_with("Exe\\")) {
      EXPECT_FALSE(files->FileExists(target)) << "temporary file left: " << target;
    } else {
      ASSERT_TRUE(files->FileExists(target)) << target;
      EXPECT_EQ(ReadAll(*files, target), ReadAll(path)) << target;
    }
  }
  EXPECT_EQ(registeredCodecs.size(), 181u);
}

TEST_F(InstallSequenceUnderWine, ASystemFileThatWasThereIsNeitherWrittenNorListedNorRemoved) {
  const std::string kept = systemRoot + "mkzlib.dll";
  ASSERT_FALSE(files->FileExists(kept));
  std::ofstream(kept, std::ios::binary) << "the system's own";
  createdSystemFiles.push_back("mkzlib.dll");

  SetupSession session;
  RunAndRemember(session);

  EXPECT_TRUE(session.Status.InstallFinished());
  EXPECT_EQ(session.Status.ProgressValue(), 368 + 366 + 56 + 366);
  EXPECT_EQ(ReadAll(*files, kept), "the system's own");
  EXPECT_FALSE(files->FileExists(systemRoot + "bass.dll"));
}

}  // namespace
}  // namespace quenlo
