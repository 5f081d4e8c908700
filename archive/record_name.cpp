#include "archive/record_name.h"

#include <vector>

#include "archive/archive_format.h"
#include "base/path.h"

namespace quenlo::archive {
namespace {

// The components between backslashes, split on character boundaries.
std::vector<std::string> Split(std::string_view name) {
  std::vector<std::string> components;
  std::string current;
  for (std::size_t pos = 0; pos < name.size();) {
    if (GbkCharLength(name, pos) == 2) {
      current.append(name.substr(pos, 2));
      pos += 2;
      continue;
    }
    if (name[pos] == '\\') {
      components.push_back(current);
      current.clear();
    } else {
      current += name[pos];
    }
    ++pos;
  }
  components.push_back(current);
  return components;
}

}  // namespace

std::optional<std::string> EscapeProblem(std::string_view name) {
  if (!name.empty() && (name.front() == '\\' || name.front() == '/')) {
    return "it starts with a path separator";
  }
  // Slash and colon bytes are refused wherever they stand: they are never GBK trail bytes, and a
  // lead byte before one does not make a character that Windows would read without a separator.
  if (name.find(':') != std::string_view::npos) return "it holds a drive letter or colon";
  if (name.find('/') != std::string_view::npos) return "it holds a slash";
  for (const std::string& component : Split(name)) {
    if (component == "..") return "it holds a \"..\" component";
  }
  return std::nullopt;
}

std::optional<std::string> StorableNameProblem(std::string_view name) {
  if (name.empty()) return "the name is empty";
  if (name.size() > kMaxNameLength) {
    return "the name is " + std::to_string(name.size()) + " bytes long in GBK; at most 255 fit";
  }
  if (!name.starts_with(kInstallRoot) && !name.starts_with(kSystemRoot)) {
    return "the name is not under App\\ or Exe\\";
  }
  if (auto problem = EscapeProblem(name)) return problem;
  for (const std::string& component : Split(name)) {
    if (component.empty()) return "it holds an empty component";
    if (component == ".") return "it holds a \".\" component";
  }
  return std::nullopt;
}

}  // namespace quenlo::archive
