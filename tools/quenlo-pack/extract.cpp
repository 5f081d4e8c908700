#include "tools/quenlo-pack/extract.h"

#include <set>

#include "platform/text_encoding.h"
#include "tools/quenlo-pack/file_io.h"
#include "tools/quenlo-pack/inspect.h"
#include "tools/quenlo-pack/progress.h"
#include "tools/quenlo-pack/record_names.h"

namespace quenlo::packer {
namespace {

namespace fs = std::filesystem;
using payload::IoError;
using payload::PayloadRecord;
using platform::NativeNameToConsole;

// Creates the folders of one destination, refusing to pass through anything but real folders.
class FolderMaker {
 public:
  void Ensure(const fs::path& folder) {
    if (made_.contains(folder)) return;
    const fs::file_status status = fs::symlink_status(folder);
    if (fs::is_symlink(status)) {
      throw IoError(NativeNameToConsole(folder) +
                    " is a symbolic link; extract writes through none");
    }
    if (!fs::exists(status)) {
      fs::create_directory(folder);
    } else if (!fs::is_directory(status)) {
      throw IoError(NativeNameToConsole(folder) + " is in the way: it is not a folder");
    }
    made_.insert(folder);
  }

 private:
  std::set<fs::path> made_;
};

// Makes the folders of a checked record name under `to`; returns the file's destination.
fs::path PrepareDestination(const fs::path& to, const PayloadRecord& record, FolderMaker& folders) {
  const std::vector<std::string> components = NameComponents(record.name);
  fs::path path = to;
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (i != 0) folders.Ensure(path);
    // CheckNames has made sure that every name is valid GBK.
    path /= platform::GbkToNativeName(components[i]).value();
  }
  if (fs::is_directory(fs::symlink_status(path))) {
    throw IoError(NativeNameToConsole(path) + " is in the way: it is a folder");
  }
  return path;
}

}  // namespace

ExtractSummary Extract(payload::ByteSource& source, const fs::path& to, std::ostream* progressOut) {
  const std::vector<PayloadRecord> records = ReadChain(source);
  CheckNames(records);

  fs::create_directories(to);
  FolderMaker folders;
  std::uint64_t totalStored = 0;
  for (const PayloadRecord& record : records) {
    if (!record.IsImage()) totalStored += static_cast<std::uint64_t>(record.storedSize);
  }
  Progress progress(progressOut, records.size() - 1, totalStored);
  ExtractSummary summary;
  std::uint64_t storedDone = 0;
  for (const PayloadRecord& record : records) {
    if (record.IsImage()) continue;
    progress.Update(summary.files, storedDone, record.name);
    const fs::path destination = PrepareDestination(to, record, folders);
    ReplacingFile file(destination);
    summary.bytes += InflateRecord(
        source, record,
        [&file](const unsigned char* data, std::size_t size) { file.Write(data, size); });
    file.Commit();
    ++summary.files;
    storedDone += static_cast<std::uint64_t>(record.storedSize);
  }
  return summary;
}

}  // namespace quenlo::packer
