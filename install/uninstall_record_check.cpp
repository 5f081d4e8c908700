#include "install/uninstall_record_check.h"

#include <algorithm>
#include <vector>

#include "base/path.h"
#include "base/sha256.h"
#include "install/media_extensions.h"
#include "install/shortcuts.h"
#include "install/uninstall_entry.h"

namespace quenlo::uninstall {
namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Bytes no path or text of the record holds: the controls (a NUL would end a path early) and DEL.
bool IsControlByte(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

bool HasControlByte(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return IsControlByte(static_cast<unsigned char>(c)); });
}

// Why `path` is not a canonical absolute path ("" when it is). A folder may end in a backslash.
std::string PathProblem(std::string_view path, bool folder) {
  if (path.size() < 4 || !IsAsciiLetter(path[0]) || path[1] != ':' || path[2] != '\\') {
    return "is not a full path below a drive root";
  }
  std::string_view rest = path.substr(3);
  if (folder && EndsWithBackslash(rest)) rest.remove_suffix(1);
  std::string component;
  const auto componentProblem = [&component]() -> std::string {
    if (component.empty()) return "has an empty component";
    if (component == "." || component == "..") return "has a \".\" or \"..\" component";
    if (component.back() == '.' || component.back() == ' ') {
      return "has a component ending in a dot or a blank";
    }
    return {};
  };
  for (std::size_t pos = 0; pos < rest.size();) {
    const std::size_t length = GbkCharLength(rest, pos);
    const char c = rest[pos];
    if (length == 1) {
      if (IsControlByte(static_cast<unsigned char>(c))) return "holds a control byte";
      if (std::string_view(":/*?\"<>|").find(c) != std::string_view::npos) {
        return std::string("holds the character ") + c;
      }
      if (c == '\\') {
        if (std::string problem = componentProblem(); !problem.empty()) return problem;
        component.clear();
        ++pos;
        continue;
      }
    }
    component.append(rest.substr(pos, length));
    pos += length;
  }
  return componentProblem();
}

bool IsMediaExtension(const std::string& extension) {
  const auto& all = MediaExtensions();
  return std::any_of(all.begin(), all.end(),
                     [&](std::string_view known) { return EqualsIgnoringCase(known, extension); });
}

bool IsOneOf(const std::string& name, const std::vector<std::string>& names) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& known) { return EqualsIgnoringCase(known, name); });
}

// The last component of a folder path, without its trailing backslash.
std::string FolderName(const std::string& folder) {
  std::string trimmed = folder;
  if (EndsWithBackslash(trimmed)) trimmed.pop_back();
  return FileNamePart(trimmed);
}

std::optional<std::string> LinkProblem(const std::string& link, const UninstallRecord& record,
                                       const RecordBounds& bounds) {
  if (const std::string problem = PathProblem(link, false); !problem.empty()) return problem;
  const std::string folder = FolderPart(link);
  const std::string name = FileNamePart(link);
  if (!record.programGroup.empty() && IsSameFolder(folder, record.programGroup) &&
      IsOneOf(name, GroupLinkNames())) {
    return std::nullopt;
  }
  if (!bounds.desktopFolder.empty() && IsSameFolder(folder, bounds.desktopFolder) &&
      EqualsIgnoringCase(name, kPlayerLinkName)) {
    return std::nullopt;
  }
  return "is no link the install makes";
}

}  // namespace

std::optional<std::string> RecordProblem(const UninstallRecord& record,
                                         const RecordBounds& bounds) {
  const auto fault = [](const std::string& what, const std::string& entry, const std::string& why) {
    return std::optional<std::string>(what + " \"" + entry + "\" " + why);
  };
  const std::string& folder = record.installFolder;
  if (const std::string problem = PathProblem(folder, true); !problem.empty()) {
    return fault("the installation folder", folder, problem);
  }
  if (!IsSameFolder(folder, bounds.installFolder)) {
    return fault("the installation folder", folder, "is not the folder the record lies in");
  }
  for (const InstalledFile& file : record.files) {
    if (const std::string problem = PathProblem(file.path, false); !problem.empty()) {
      return fault("the file", file.path, problem);
    }
    if (!IsInsideFolder(file.path, folder)) {
      return fault("the file", file.path, "is not inside the installation folder");
    }
  }
  for (const std::string& codec : record.codecs) {
    const bool installed = std::any_of(
        record.files.begin(), record.files.end(),
        [&](const InstalledFile& file) { return EqualsIgnoringCase(file.path, codec); });
    if (!installed) return fault("the codec", codec, "is not among the installed files");
  }
  for (const std::string& created : record.createdFolders) {
    if (const std::string problem = PathProblem(created, true); !problem.empty()) {
      return fault("the folder", created, problem);
    }
    if (!IsSameFolder(created, folder) && !IsInsideFolder(created, folder) &&
        !IsInsideFolder(folder, created)) {
      return fault("the folder", created, "is neither the installation folder, in it nor above it");
    }
  }
  for (const ExtensionBefore& type : record.extensions) {
    if (!IsMediaExtension(type.extension)) {
      return fault("the extension", type.extension, "is not one the install takes over");
    }
    if (HasControlByte(type.handler))
      return fault("the handler", type.handler, "holds a control byte");
  }
  if (record.startPage &&
      (HasControlByte(record.startPage->address) ||
       (record.startPage->before && HasControlByte(*record.startPage->before)))) {
    return fault("the start page", record.startPage->address, "holds a control byte");
  }
  if (!record.programGroup.empty()) {
    if (const std::string problem = PathProblem(record.programGroup, true); !problem.empty()) {
      return fault("the program group", record.programGroup, problem);
    }
    if (!EqualsIgnoringCase(FolderName(record.programGroup), kProgramGroupName)) {
      return fault("the program group", record.programGroup,
                   "is not named as the install names it");
    }
  }
  for (const std::string& link : record.links) {
    if (const auto problem = LinkProblem(link, record, bounds)) {
      return fault("the link", link, *problem);
    }
  }
  return std::nullopt;
}

bool RecordIsBound(platform::Registry& registry, std::string_view recordBytes) {
  const auto key = registry.Open(kUninstallEntryRoot, kUninstallEntryKey, /*create=*/false);
  if (!key) return false;
  const platform::RegistryValue digest = key->Read(kRecordDigestValue);
  return digest.IsString() && digest.text == Sha256Hex(recordBytes);
}

}  // namespace quenlo::uninstall
