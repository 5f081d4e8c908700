// ExtractedFiles: the full paths the extraction wrote, in the order it wrote them, each path once
// (ASCII letter case ignored). Codec registration and the removal of temporary files read it.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace quenlo {

class ExtractedFiles {
 public:
  // Adds `path` unless the list holds it already (case ignored); true when it was added.
  bool Add(const std::string& path);
  bool Contains(const std::string& path) const;

  const std::vector<std::string>& paths() const { return paths_; }
  std::size_t size() const { return paths_.size(); }
  bool empty() const { return paths_.empty(); }

 private:
  std::vector<std::string> paths_;
  std::set<std::string> upperCased_;
};

}  // namespace quenlo
