// A shell that keeps its links as small text files in a FakeFileSystem ("target|working folder"),
// so that a test reads back what a link holds and sees a link replaced. The special folders are
// whatever the test names; the link service can be made unavailable.
#pragma once

#include <string>
#include <vector>

#include "base/path.h"
#include "platform/shell.h"
#include "tests/support/fake_file_system.h"

namespace quenlo::testing {

class FakeShell final : public platform::Shell {
 public:
  struct Link {
    std::string path;
    std::string target;
    std::string workingFolder;
  };

  explicit FakeShell(FakeFileSystem& files) : files_(files) {}

  std::string DesktopFolder() override { return desktop; }
  std::string ProgramsFolder() override { return programs; }
  void SaveLink(const std::string& linkPath, const std::string& target,
                const std::string& workingFolder) override {
    if (unavailable) throw platform::ShellLinkUnavailable("no shell-link service");
    saved.push_back({linkPath, target, workingFolder});
    // As the real shell: a link whose folder is not there is not written.
    if (files_.FolderExists(FolderPart(linkPath))) {
      files_.WriteFile(linkPath, target + "|" + workingFolder);
    }
  }

  std::string desktop = "C:\\Users\\Mei\\Desktop";
  std::string programs = "C:\\Users\\Mei\\Start Menu\\Programs";
  bool unavailable = false;
  std::vector<Link> saved;  // every SaveLink call, in order

 private:
  FakeFileSystem& files_;
};

}  // namespace quenlo::testing
