// The names quenlo-pack accepts in an archive, beyond what the format itself holds.
//
// The setup program creates every record as a file under its installation or system folder, so a
// name must also be valid GBK text that Windows can use as a path, and within one archive no two
// names may point at the same file or one use as a folder what another stores as a file when
// letter case is ignored (Windows ignores it). Names and the texts returned here are GBK.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quenlo::packer {

// The components between backslashes, split on character boundaries ("App\Codec\x.dll" ->
// "App", "Codec", "x.dll").
std::vector<std::string> NameComponents(std::string_view name);

// Why a record name cannot be installed, or nothing: archive::StorableNameProblem, text that is
// not GBK, a control character, a character Windows forbids in file names (< > " | ? *), a
// component ending in a dot or space (Windows drops them), a device name (CON, NUL, COM1...).
std::optional<std::string> InstallableNameProblem(std::string_view name);

// The names of one archive, added one by one.
class NameSet {
 public:
  // Adds `name`; returns why it clashes with a name added before, naming that one, or nothing.
  std::optional<std::string> Add(std::string_view name);

 private:
  // Both keyed by the upper-cased name; the value is a name as added.
  std::unordered_map<std::string, std::string> files_;
  std::unordered_map<std::string, std::string> folders_;  // folder -> a name stored under it
};

}  // namespace quenlo::packer
