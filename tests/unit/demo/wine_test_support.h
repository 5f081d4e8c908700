// Shared by the demo's Wine tests: where the built templates are, and a scratch folder.
#pragma once

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace quenlo::demo::testing {

// The folder holding QuenloMediaPlayer.exe, UnInstall.exe and QuenloDemoCodec.dll, with a
// Windows path.
std::string& TemplatesFolder();

// "/a/b" -> "Z:\a\b"; a Windows path stays as it is.
std::string WindowsPath(const std::string& path);

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// A fresh folder under the temporary folder, removed with its files (one level) at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + name;
    Clear();
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() { Clear(); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  void Clear() {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path_ + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      do DeleteFileA((path_ + "\\" + entry.cFileName).c_str());
      while (FindNextFileA(find, &entry));
      FindClose(find);
    }
    RemoveDirectoryA(path_.c_str());
  }
  std::string path_;
};

}  // namespace quenlo::demo::testing
