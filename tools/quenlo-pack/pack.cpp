#include "tools/quenlo-pack/pack.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "archive/archive_writer.h"
#include "base/path.h"
#include "platform/text_encoding.h"
#include "tools/quenlo-pack/file_io.h"
#include "tools/quenlo-pack/parallel_compress.h"
#include "tools/quenlo-pack/progress.h"
#include "tools/quenlo-pack/record_names.h"

namespace quenlo::packer {
namespace {

namespace fs = std::filesystem;
using platform::GbkToConsole;
using platform::NativeNameToConsole;

// The record name of `relative` (a path under the input folder), GBK with backslashes.
std::string RecordName(const fs::path& relative, const fs::path& file) {
  std::string name;
  for (const fs::path& component : relative) {
    const std::optional<std::string> gbk = platform::NativeNameToGbk(component);
    if (!gbk) {
      throw InputError(NativeNameToConsole(file) +
                       ": the name holds a character that has no GBK encoding");
    }
    if (NameComponents(*gbk).size() != 1) {
      throw InputError(NativeNameToConsole(file) +
                       ": the name holds a backslash, which Windows takes for a folder separator");
    }
    if (!name.empty()) name += '\\';
    name += *gbk;
  }
  if (auto problem = InstallableNameProblem(name)) {
    throw InputError(NativeNameToConsole(file) + ": cannot be stored as \"" + GbkToConsole(name) +
                     "\": " + GbkToConsole(*problem));
  }
  return name;
}

// Every file under `root` (the folder App or Exe), in record order.
std::vector<PackEntry> CollectGroup(const fs::path& from, const fs::path& root) {
  std::vector<PackEntry> group;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    const fs::file_status status = entry.symlink_status();
    if (fs::is_symlink(status)) {
      throw InputError(NativeNameToConsole(entry.path()) +
                       " is a symbolic link; quenlo-pack follows none");
    }
    if (fs::is_directory(status)) continue;
    if (!fs::is_regular_file(status)) {
      throw InputError(NativeNameToConsole(entry.path()) + " is neither a file nor a folder");
    }
    group.push_back(PackEntry{RecordName(entry.path().lexically_relative(from), entry.path()),
                              entry.path(), entry.file_size()});
  }
  std::sort(group.begin(), group.end(), [](const PackEntry& a, const PackEntry& b) {
    const std::string upperA = UpperCaseAscii(a.name);
    const std::string upperB = UpperCaseAscii(b.name);
    return upperA != upperB ? upperA < upperB : a.name < b.name;
  });
  return group;
}

}  // namespace

std::vector<PackEntry> CollectEntries(const fs::path& from) {
  if (!fs::is_directory(from)) {
    throw IoError(NativeNameToConsole(from) + " is not a folder");
  }
  bool hasApp = false;
  bool hasExe = false;
  std::vector<std::string> strays;
  for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
    const fs::path name = entry.path().filename();
    const fs::file_status status = entry.symlink_status();
    if (fs::is_symlink(status)) {
      throw InputError(NativeNameToConsole(entry.path()) +
                       " is a symbolic link; quenlo-pack follows none");
    }
    const bool folder = fs::is_directory(status);
    if (folder && name == "App") {
      hasApp = true;
    } else if (folder && name == "Exe") {
      hasExe = true;
    } else {
      strays.push_back(NativeNameToConsole(name));
    }
  }
  if (!strays.empty()) {
    std::sort(strays.begin(), strays.end());
    std::string list;
    for (const std::string& stray : strays) list += (list.empty() ? "" : ", ") + stray;
    throw InputError(NativeNameToConsole(from) + ": unexpected entry at the top level: " + list +
                     " (only the folders App and Exe may be there)");
  }

  std::vector<PackEntry> entries;
  for (const auto& [present, root] : {std::pair{hasApp, "App"}, std::pair{hasExe, "Exe"}}) {
    if (!present) continue;
    std::vector<PackEntry> group = CollectGroup(from, from / root);
    std::move(group.begin(), group.end(), std::back_inserter(entries));
  }
  NameSet names;
  for (const PackEntry& entry : entries) {
    if (auto clash = names.Add(entry.name)) {
      throw InputError(NativeNameToConsole(entry.path) + ": cannot be stored as \"" +
                       GbkToConsole(entry.name) + "\": " + GbkToConsole(*clash));
    }
  }
  return entries;
}

PackSummary Pack(const PackOptions& options) {
  std::vector<unsigned char> image = ReadWholeFile(options.image);
  if (image.empty()) throw InputError(NativeNameToConsole(options.image) + ": the image is empty");
  const std::vector<PackEntry> entries = CollectEntries(options.from);

  PackSummary summary;
  summary.files = entries.size();
  for (const PackEntry& entry : entries) summary.contentBytes += entry.size;

  ReplacingFile output(options.output);
  archive::ArchiveWriter writer(output);
  writer.WriteImage(image);
  image = {};

  Progress progress(options.progress, entries.size(), summary.contentBytes);
  std::uint64_t done = 0;
  CompressPlan plan;
  plan.count = entries.size();
  plan.sizeOf = [&](std::size_t i) { return entries[i].size; };
  plan.load = [&](std::size_t i) { return ReadWholeFile(entries[i].path); };
  plan.consume = [&](std::size_t i, std::vector<unsigned char>&& stored) {
    writer.AppendRecord(entries[i].name, stored);
    done += entries[i].size;
    progress.Update(i + 1, done, entries[i].name);
  };
  plan.threads = options.threads;
  plan.windowBytes = options.windowBytes;
  CompressInOrder(plan);
  progress.Clear();

  output.Commit();
  summary.outputBytes = writer.bytesWritten();
  return summary;
}

}  // namespace quenlo::packer
