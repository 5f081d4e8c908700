#include "tools/quenlo-pack/pack.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>

#include "archive/archive_writer.h"
#include "archive/pe_image.h"
#include "base/path.h"
#include "platform/text_encoding.h"
#include "tools/quenlo-pack/file_io.h"
#include "tools/quenlo-pack/inspect.h"
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

// A stub that was signed on its own would carry a certificate table that no longer ends the file
// once the records follow it: Windows would call the signature broken and the walk would refuse
// the file.
void RefuseSignedImage(const std::vector<unsigned char>& image, const fs::path& path) {
  MemorySource source(image);
  const std::optional<archive::PeImage> pe = archive::ReadPeImage(source);
  if (pe && pe->certificateSize != 0) {
    throw InputError(NativeNameToConsole(path) +
                     ": the image is signed; pack the unsigned image and sign the setup file "
                     "(--sign-with), which covers the image too");
  }
}

bool IsProgram(const std::string& name) {
  return name.size() > 4 && UpperCaseAscii(name.substr(name.size() - 4)) == ".EXE";
}

// Signs every program among `entries` into a temporary file beside the output, which `copies`
// keeps until the packing ends, and packs that copy instead. Returns how many were signed.
std::size_t SignPrograms(const SigningKey& key, const fs::path& output,
                         std::vector<PackEntry>& entries,
                         std::vector<std::unique_ptr<ReplacingFile>>& copies) {
  std::size_t signedCount = 0;
  for (PackEntry& entry : entries) {
    if (!IsProgram(entry.name)) continue;
    copies.push_back(std::make_unique<ReplacingFile>(output));
    copies.back()->Close();
    const fs::path& copy = copies.back()->temporaryPath();
    SignProgram(key, entry.path, copy);
    entry.path = copy;
    entry.size = fs::file_size(copy);
    ++signedCount;
  }
  return signedCount;
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
  RefuseSignedImage(image, options.image);
  std::vector<PackEntry> entries = CollectEntries(options.from);

  PackSummary summary;
  std::vector<std::unique_ptr<ReplacingFile>> signedPrograms;  // removed when the packing ends
  if (options.signing) {
    summary.programsSigned =
        SignPrograms(*options.signing, options.output, entries, signedPrograms);
  }
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

  summary.outputBytes = writer.bytesWritten();
  if (!options.signing) {
    output.Commit();
    return summary;
  }
  output.Close();
  ReplacingFile signedOutput(options.output);
  signedOutput.Close();
  SignProgram(*options.signing, output.temporaryPath(), signedOutput.temporaryPath());
  {
    // The signer must have put its table where the walk looks for it.
    PathSource check(signedOutput.temporaryPath());
    ReadChain(check);
  }
  summary.outputBytes = fs::file_size(signedOutput.temporaryPath());
  signedOutput.Commit();
  return summary;
}

}  // namespace quenlo::packer
