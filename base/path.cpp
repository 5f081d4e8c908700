#include "base/path.h"

namespace quenlo {
namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsSeparator(char c) { return c == '\\' || c == ':'; }

// Position of the last single-byte character satisfying `pred`, or npos.
template <typename Pred>
std::size_t LastCharWhere(std::string_view text, Pred pred) {
  std::size_t found = std::string_view::npos;
  for (std::size_t pos = 0; pos < text.size(); pos += GbkCharLength(text, pos)) {
    if (GbkCharLength(text, pos) == 1 && pred(text[pos])) found = pos;
  }
  return found;
}

}  // namespace

std::size_t LastSeparator(std::string_view path) { return LastCharWhere(path, IsSeparator); }

std::string FileNamePart(std::string_view path) {
  const std::size_t sep = LastSeparator(path);
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string FolderPart(std::string_view path) {
  const std::size_t sep = LastSeparator(path);
  return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

std::string ExtensionPart(std::string_view path) {
  const std::size_t last = LastCharWhere(path, [](char c) { return c == '.' || IsSeparator(c); });
  if (last == std::string_view::npos || path[last] != '.') return {};
  return std::string(path.substr(last));
}

namespace {

// The last character when it is a single byte, else 0.
char LastSingleByteChar(std::string_view path) {
  const std::size_t last = LastCharWhere(path, [](char) { return true; });
  return last != std::string_view::npos && last + 1 == path.size() ? path[last] : '\0';
}

}  // namespace

bool EndsWithPathSeparator(std::string_view path) {
  const char last = LastSingleByteChar(path);
  return last == '\\' || last == '/';
}

bool EndsWithBackslash(std::string_view path) { return LastSingleByteChar(path) == '\\'; }

std::string EnsureTrailingBackslash(std::string_view path) {
  if (path.empty() || EndsWithPathSeparator(path)) return std::string(path);
  std::string result(path);
  result += '\\';
  return result;
}

std::string UpperCaseAscii(std::string_view text) {
  std::string result(text);
  for (std::size_t pos = 0; pos < result.size(); pos += GbkCharLength(result, pos)) {
    if (GbkCharLength(result, pos) == 1) result[pos] = UpperAscii(result[pos]);
  }
  return result;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && UpperCaseAscii(a) == UpperCaseAscii(b);
}

std::string ReplaceAllIgnoringCase(std::string_view text, std::string_view pattern,
                                   std::string_view replacement) {
  if (pattern.empty()) return std::string(text);
  const std::string upperText = UpperCaseAscii(text);
  const std::string upperPattern = UpperCaseAscii(pattern);
  std::string result;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (upperText.compare(pos, upperPattern.size(), upperPattern) == 0) {
      result += replacement;
      pos += pattern.size();
    } else {
      const std::size_t len = GbkCharLength(text, pos);
      result += text.substr(pos, len);
      pos += len;
    }
  }
  return result;
}

bool IsSameFolder(std::string_view a, std::string_view b) {
  return EqualsIgnoringCase(EnsureTrailingBackslash(a), EnsureTrailingBackslash(b));
}

std::string FolderKey(std::string_view folder) {
  return UpperCaseAscii(EnsureTrailingBackslash(folder));
}

bool IsInsideFolder(std::string_view path, std::string_view folder) {
  if (folder.empty()) return false;
  const std::string prefix = UpperCaseAscii(EnsureTrailingBackslash(folder));
  const std::string upper = UpperCaseAscii(path);
  return upper.size() > prefix.size() && upper.starts_with(prefix);
}

}  // namespace quenlo
