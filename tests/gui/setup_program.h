// What the GUI tests need around the setup program: where it is, and the registry record of an
// earlier installation that its start-up looks for.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace quenlo::guitest {

// The setup program named by the environment variable QUENLO_SETUP_EXE. A Unix path (as CMake
// gives it) is mapped to Wine's Z: drive. Empty when the variable is not set.
std::filesystem::path SetupProgram();

// A Windows path for a path as CMake gives it: "/a/b" becomes "Z:\a\b"; others stay unchanged.
std::string WindowsPathForHost(const std::string& path);

// A Windows path (GBK) as the file system's wide calls take it.
std::filesystem::path Native(const std::string& gbk);
// The path an environment variable names (WindowsPathForHost); "" when it is not set.
std::string EnvPath(const char* name);
// A file's whole content; "" when it cannot be read.
std::string ReadAll(const std::filesystem::path& path);
// Writes `content` as the whole file, creating its folders.
void WriteAll(const std::filesystem::path& path, const std::string& content);

// A copy of `program` at `copy` with an empty payload appended: only the image record's header
// (no name, stored size = the length of the program), so the install has no file to write but
// runs its whole sequence. Throws std::runtime_error when the copy cannot be written.
void MakeSetupWithEmptyPayload(const std::filesystem::path& program,
                               const std::filesystem::path& copy);

// A copy of `program` at `copy` with a payload of `files`: each a record name (GBK, such as
// "App\\Codec\\a.dll") and the file whose content the record holds, in the order given. Throws
// std::runtime_error (or IoError) when a file cannot be read or the copy written.
void MakeSetupWithFiles(const std::filesystem::path& program, const std::filesystem::path& copy,
                        const std::vector<std::pair<std::string, std::filesystem::path>>& files);

// HKEY_LOCAL_MACHINE\Software\QuenloBoFang, the record of an earlier installation. The key is
// deleted when the object is made and again when it ends, so every test starts and leaves
// without one.
class InstallationRecord {
 public:
  InstallationRecord();
  ~InstallationRecord();
  InstallationRecord(const InstallationRecord&) = delete;
  InstallationRecord& operator=(const InstallationRecord&) = delete;

  // Writes "AppPath" as a REG_SZ (GBK).
  void WriteAppPath(const std::string& path);
  // Writes "AppPath" as a REG_DWORD, which is no folder.
  void WriteAppPathNumber(DWORD value);

 private:
  static void Delete();
  HKEY Create();
};

}  // namespace quenlo::guitest
