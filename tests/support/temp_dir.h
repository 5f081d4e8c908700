// A fresh directory under the system's temporary folder, removed with everything in it when the
// object goes away.
#pragma once

#include <filesystem>

namespace quenlo::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace quenlo::testing
