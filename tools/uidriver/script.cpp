#include "tools/uidriver/script.h"

#include "tools/uidriver/error.h"

namespace quenlo::uidriver {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::vector<std::string> SplitScriptLine(std::string_view line) {
  std::vector<std::string> words;
  std::size_t pos = 0;
  while (true) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos == line.size()) break;
    if (words.empty() && line[pos] == '#') break;
    std::string word;
    while (pos < line.size() && !IsBlank(line[pos])) {
      const char c = line[pos];
      if (c == '\'') {
        const std::size_t close = line.find('\'', pos + 1);
        if (close == std::string_view::npos) {
          throw DriverError("unclosed ' quote at column " + std::to_string(pos + 1));
        }
        word.append(line.substr(pos + 1, close - pos - 1));
        pos = close + 1;
      } else if (c == '"') {
        const std::size_t open = pos++;
        while (pos < line.size() && line[pos] != '"') {
          if (line[pos] == '\\' && pos + 1 < line.size() &&
              (line[pos + 1] == '"' || line[pos + 1] == '\\')) {
            ++pos;
          }
          word += line[pos++];
        }
        if (pos == line.size()) {
          throw DriverError("unclosed \" quote at column " + std::to_string(open + 1));
        }
        ++pos;
      } else {
        word += c;
        ++pos;
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

}  // namespace quenlo::uidriver
