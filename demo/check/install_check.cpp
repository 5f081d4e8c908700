#include "demo/check/install_check.h"

#include <windows.h>
// shlobj.h and shobjidl.h need windows.h first.
#include <shlobj.h>
#include <shobjidl.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "base/path.h"
#include "demo/generator/clsid.h"
#include "install/app_record.h"
#include "install/codec_registration.h"
#include "install/file_types.h"
#include "install/media_extensions.h"
#include "install/shortcuts.h"
#include "platform/win32/backend.h"
#include "platform/win32/wide_text.h"
#include "tools/uidriver/text.h"

namespace quenlo::demo {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSystemPrefix = "Exe\\";
constexpr const char* kAppPrefix = "App\\";

HKEY RootByName(const std::string& root) {
  if (root == "HKCR") return HKEY_CLASSES_ROOT;
  if (root == "HKCU") return HKEY_CURRENT_USER;
  return HKEY_LOCAL_MACHINE;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// A file named by a GBK path; nothing when it cannot be read.
std::optional<std::string> ReadAll(platform::FileSystem& files, const std::string& path) {
  try {
    const auto source = files.OpenForReading(path);
    std::string content(static_cast<std::size_t>(source->Size()), '\0');
    source->ReadAt(0, content.data(), content.size());
    return content;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Every file of the payload tree: its record name (GBK) and its path on this disk.
std::vector<std::pair<std::string, fs::path>> PayloadFiles(const fs::path& tree) {
  std::vector<std::pair<std::string, fs::path>> found;
  for (const auto& entry : fs::recursive_directory_iterator(tree)) {
    if (!entry.is_regular_file()) continue;
    std::wstring relative = fs::relative(entry.path(), tree).wstring();
    for (auto& c : relative) c = c == L'/' ? L'\\' : c;
    found.emplace_back(uidriver::WideToGbk(relative).value_or("?"), entry.path());
  }
  return found;
}

class Checker {
 public:
  explicit Checker(const InstallExpectation& expectation)
      : expectation_(expectation), folder_(EnsureTrailingBackslash(expectation.installDir)) {}

  InstallReport Run() {
    const auto payload = PayloadFiles(expectation_.payloadTree);
    CheckFiles(payload);
    CheckCodecs(payload);
    CheckFileTypes();
    CheckAppRecord();
    CheckLinks();
    report_.startPage =
        ReadRegistryString("HKCU", "Software\\Microsoft\\Internet Explorer\\Main", "Start Page");
    return std::move(report_);
  }

 private:
  CheckSection& Section(const std::string& what) {
    report_.sections.push_back({what, 0, 0});
    return report_.sections.back();
  }
  void Expect(CheckSection& section, bool good, const std::string& problem) {
    ++section.expected;
    if (good) {
      ++section.found;
    } else {
      report_.problems.push_back(problem);
    }
  }

  void CheckFiles(const std::vector<std::pair<std::string, fs::path>>& payload) {
    CheckSection& installed = Section("files installed byte for byte");
    const std::string system = EnsureTrailingBackslash(files_->SystemFolder());
    std::vector<std::string> leftovers;
    int temporary = 0;
    for (const auto& [name, source] : payload) {
      if (name.starts_with(kSystemPrefix)) {
        ++temporary;
        if (files_->FileExists(system + name.substr(4))) leftovers.push_back(name);
        continue;
      }
      const std::string target = folder_ + name.substr(std::string(kAppPrefix).size());
      const auto content = ReadAll(*files_, target);
      Expect(installed, content && *content == ReadAll(source),
             (content ? "differs from the payload: " : "missing: ") + target);
    }
    CheckSection& removed = Section("temporary system-folder files removed");
    removed.expected = temporary;
    removed.found = temporary - static_cast<int>(leftovers.size());
    for (const auto& name : leftovers)
      report_.problems.push_back("left in the system folder: " + name);
  }

  void CheckCodecs(const std::vector<std::pair<std::string, fs::path>>& payload) {
    CheckSection& codecs = Section("codec classes registered");
    for (const auto& [name, source] : payload) {
      if (!name.starts_with(kAppPrefix) || !IsCodecLibrary(name)) continue;
      const std::string target = folder_ + name.substr(std::string(kAppPrefix).size());
      const auto server =
          ReadRegistryString("HKCR", "CLSID\\" + ClsidForName(name) + "\\InprocServer32", "");
      Expect(codecs, server && EqualsIgnoringCase(*server, target),
             "codec class not registered for " + target);
    }
  }

  void CheckFileTypes() {
    CheckSection& types = Section("media extensions associated");
    const std::string player = "\"" + folder_ + "QuenloMediaPlayer.exe\" ";
    const std::set<std::string_view> extensions(MediaExtensions().begin(), MediaExtensions().end());
    for (std::string_view row : extensions) {
      const std::string extension(row);
      const std::string progId = ProgIdOf(extension);
      const bool good = ReadRegistryString("HKCR", extension, "") == progId &&
                        ReadRegistryString("HKCR", progId + "\\DefaultIcon", "") ==
                            folder_ + "Image\\logo_s.ico, 0" &&
                        ReadRegistryString("HKCR", progId + "\\Shell\\Open\\Command", "") ==
                            player + "\"/o\" \"%1\"" &&
                        ReadRegistryString("HKCR", progId + "\\Shell\\Play\\Command", "") ==
                            player + "\"/a\" \"%1\"";
      Expect(types, good, "not associated with the player: " + extension);
    }
  }

  void CheckAppRecord() {
    CheckSection& record = Section("application record values");
    SetupSession session;
    session.InstallDir = expectation_.installDir;
    for (const auto& [name, text] : AppRecordValues(session)) {
      Expect(record, ReadRegistryString("HKLM", "Software\\QuenloBoFang", name) == text,
             "application record value wrong or missing: " + name);
    }
  }

  void CheckLinks() {
    CheckSection& links = Section("shortcuts");
    const std::string targets[] = {"QuenloMediaPlayer.exe", "UnInstall.exe", "Readme.txt",
                                   "QuenloMediaPlayer.exe"};
    const auto paths = ExpectedLinkPaths();
    for (std::size_t i = 0; i < paths.size(); ++i) {
      const auto link = ReadLink(paths[i]);
      const bool good = link && EqualsIgnoringCase(link->target, folder_ + targets[i]) &&
                        EqualsIgnoringCase(link->workingFolder, folder_) &&
                        link->arguments.empty() && link->description.empty() &&
                        link->iconLocation.empty() && link->hotkey == 0;
      Expect(links, good,
             (link ? "link with the wrong properties: " : "link missing: ") + paths[i]);
    }
  }

  const InstallExpectation& expectation_;
  const std::string folder_;
  std::unique_ptr<platform::FileSystem> files_ = win32::MakeFileSystem();
  InstallReport report_;
};

template <typename Interface>
void Release(Interface*& pointer) {
  if (pointer != nullptr) pointer->Release();
  pointer = nullptr;
}

}  // namespace

std::optional<LinkProperties> ReadLink(const std::string& linkPath) {
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  std::optional<LinkProperties> result;
  const std::wstring wide = uidriver::GbkToWide(linkPath);
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES &&
      SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
    constexpr int kLength = MAX_PATH * 2;
    wchar_t text[kLength] = {};
    // Read back as UTF-16: a character lost to GBK shows as '?' and fails the comparison.
    const auto gbk = [&text] {
      std::string converted = uidriver::WideToGbk(text).value_or("?");
      text[0] = L'\0';
      return converted;
    };
    LinkProperties properties;
    link->GetPath(text, kLength, nullptr, SLGP_RAWPATH);
    properties.target = gbk();
    // The item list is what the shell opens. Its path is the target too: on a system whose code
    // page lacks a character of the path, the link's stored plain path may carry '?' where the
    // item list still names the file exactly (the way Wine saves links).
    LPITEMIDLIST items = nullptr;
    if (SUCCEEDED(link->GetIDList(&items)) && items != nullptr) {
      if (SHGetPathFromIDListW(items, text)) properties.target = gbk();
      text[0] = L'\0';
      CoTaskMemFree(items);
    }
    link->GetWorkingDirectory(text, kLength);
    properties.workingFolder = gbk();
    link->GetArguments(text, kLength);
    properties.arguments = gbk();
    link->GetDescription(text, kLength);
    properties.description = gbk();
    int iconIndex = 0;
    link->GetIconLocation(text, kLength, &iconIndex);
    properties.iconLocation = gbk();
    WORD hotkey = 0;
    link->GetHotkey(&hotkey);
    properties.hotkey = hotkey;
    result = properties;
  }
  Release(file);
  Release(link);
  return result;
}

std::optional<std::string> ReadRegistryString(const std::string& root, const std::string& key,
                                              const std::string& value) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  const std::wstring wideKey = uidriver::GbkToWide(key);
  const std::wstring wideValue = uidriver::GbkToWide(value);
  if (RegGetValueW(RootByName(root), wideKey.c_str(), value.empty() ? nullptr : wideValue.c_str(),
                   RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  // Stored as UTF-16; a character GBK lacks means the value is not what the setup wrote.
  return uidriver::WideToGbk(buffer).value_or("?");
}

std::string PendingRestartDeletions() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_READ, &key) != ERROR_SUCCESS) {
    return {};
  }
  std::wstring buffer(8192, L'\0');
  DWORD size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
  const LONG status = RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(buffer.data()), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return {};
  buffer.resize(size / sizeof(wchar_t));
  for (wchar_t& c : buffer) c = c == L'\0' ? L'\n' : c;
  return win32::GbkLossy(buffer);
}

std::vector<std::string> ExpectedLinkPaths() {
  const auto registry = win32::MakeRegistry();
  const auto shell = win32::MakeShell();
  const std::string programs = FindProgramsFolder(*registry, *shell);
  const std::string group = EnsureTrailingBackslash(programs) + kProgramGroupName + "\\";
  const std::string desktop = EnsureTrailingBackslash(shell->DesktopFolder());
  return {group + kPlayerLinkName, group + "UnInstall.lnk", group + "Readme.lnk",
          desktop + kPlayerLinkName};
}

InstallReport CheckInstallation(const InstallExpectation& expectation) {
  return Checker(expectation).Run();
}

std::string FormatReport(const InstallReport& report) {
  std::ostringstream out;
  for (const auto& section : report.sections) {
    out << "  " << section.what << ": " << section.found << " of " << section.expected
        << (section.found == section.expected ? "" : "   <-- incomplete") << "\n";
  }
  out << "  browser start page: "
      << (report.startPage ? uidriver::GbkToUtf8(*report.startPage) : "(not set)") << "\n";
  // The first problems say what went wrong; a long list of the same adds nothing.
  constexpr std::size_t kProblemsShown = 20;
  for (std::size_t i = 0; i < report.problems.size() && i < kProblemsShown; ++i) {
    out << "  problem: " << uidriver::GbkToUtf8(report.problems[i]) << "\n";
  }
  if (report.problems.size() > kProblemsShown) {
    out << "  ... and " << report.problems.size() - kProblemsShown << " more problems\n";
  }
  return out.str();
}

}  // namespace quenlo::demo
