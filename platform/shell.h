// The Windows shell as the shortcut step uses it: the user's special folders and shell links.
// Paths are GBK strings in Windows form.
#pragma once

#include <stdexcept>
#include <string>

namespace quenlo::platform {

// The shell-link service itself is missing: its object cannot be created, or it lacks one of the
// interfaces a link is made through.
class ShellLinkUnavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Shell {
 public:
  virtual ~Shell() = default;

  // The user's desktop folder in the file system; "" when the shell cannot say.
  virtual std::string DesktopFolder() = 0;
  // The user's Start-menu Programs folder as the shell knows it; "" when it cannot say.
  virtual std::string ProgramsFolder() = 0;

  // Saves a shell link at `linkPath` that carries exactly a target and a working directory,
  // replacing a file of that name. A link that cannot be written is simply not there afterwards.
  // Throws ShellLinkUnavailable.
  virtual void SaveLink(const std::string& linkPath, const std::string& target,
                        const std::string& workingFolder) = 0;
};

}  // namespace quenlo::platform
