#include "tools/quenlo-pack/record_names.h"

#include <array>

#include "archive/record_name.h"
#include "base/path.h"
#include "platform/text_encoding.h"

namespace quenlo::packer {
namespace {

bool IsDeviceName(std::string_view component) {
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  const std::string base = UpperCaseAscii(component.substr(0, component.find('.')));
  for (std::string_view device : kPlain) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
         base[3] >= '1' && base[3] <= '9';
}

std::optional<std::string> CharacterProblem(std::string_view name) {
  for (std::size_t pos = 0; pos < name.size(); pos += GbkCharLength(name, pos)) {
    if (GbkCharLength(name, pos) != 1) continue;
    const auto byte = static_cast<unsigned char>(name[pos]);
    if (byte < 0x20 || byte == 0x7F) return "it holds a control character";
    if (std::string_view("<>\"|?*").find(name[pos]) != std::string_view::npos) {
      return std::string("it holds the character ") + name[pos] +
             ", which Windows does not allow in file names";
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> NameComponents(std::string_view name) {
  std::vector<std::string> components(1);
  for (std::size_t pos = 0; pos < name.size(); pos += GbkCharLength(name, pos)) {
    if (GbkCharLength(name, pos) == 1 && name[pos] == '\\') {
      components.emplace_back();
    } else {
      components.back().append(name.substr(pos, GbkCharLength(name, pos)));
    }
  }
  return components;
}

std::optional<std::string> InstallableNameProblem(std::string_view name) {
  if (auto problem = archive::StorableNameProblem(name)) return problem;
  if (!platform::GbkToNativeName(name)) return "it is not valid GBK text";
  if (auto problem = CharacterProblem(name)) return problem;
  for (const std::string& component : NameComponents(name)) {
    if (component.back() == '.' || component.back() == ' ') {
      return "its component \"" + component + "\" ends in a dot or space, which Windows drops";
    }
    if (IsDeviceName(component)) {
      return "its component \"" + component + "\" is a device name on Windows";
    }
  }
  return std::nullopt;
}

std::optional<std::string> NameSet::Add(std::string_view name) {
  const std::string upper = UpperCaseAscii(name);
  if (auto found = files_.find(upper); found != files_.end()) {
    return "it is the same as \"" + found->second + "\" when letter case is ignored";
  }
  if (auto found = folders_.find(upper); found != folders_.end()) {
    return "\"" + found->second + "\" uses it as a folder";
  }
  for (std::size_t pos = 0; pos < upper.size(); pos += GbkCharLength(upper, pos)) {
    if (GbkCharLength(upper, pos) != 1 || upper[pos] != '\\') continue;
    const std::string folder = upper.substr(0, pos);
    if (auto found = files_.find(folder); found != files_.end()) {
      return "it needs a folder where \"" + found->second + "\" is a file";
    }
    folders_.emplace(folder, std::string(name));
  }
  files_.emplace(upper, std::string(name));
  return std::nullopt;
}

}  // namespace quenlo::packer
