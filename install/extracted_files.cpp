#include "install/extracted_files.h"

#include "base/path.h"

namespace quenlo {

bool ExtractedFiles::Add(const std::string& path) {
  if (!upperCased_.insert(UpperCaseAscii(path)).second) return false;
  paths_.push_back(path);
  return true;
}

bool ExtractedFiles::Contains(const std::string& path) const {
  return upperCased_.contains(UpperCaseAscii(path));
}

}  // namespace quenlo
