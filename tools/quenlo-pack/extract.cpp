#include "tools/quenlo-pack/extract.h"

#include <set>

#include "install/write_behind.h"
#include "platform/text_encoding.h"
#include "tools/quenlo-pack/file_io.h"
#include "tools/quenlo-pack/inspect.h"
#include "tools/quenlo-pack/progress.h"
#include "tools/quenlo-pack/record_names.h"

namespace quenlo::packer {
namespace {

namespace fs = std::filesystem;
using archive::PayloadRecord;
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

// A destination as the writer thread is handed it: the path's UTF-8 form, which holds every name
// on every system.
std::string WriterKey(const fs::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

fs::path FromWriterKey(const std::string& key) {
  return fs::path(std::u8string(key.begin(), key.end()));
}

// quenlo-pack's replacing file as the writer thread takes its files.
class PendingReplacement final : public platform::PendingFile {
 public:
  explicit PendingReplacement(const fs::path& destination) : file_(destination) {}
  void Write(const void* data, std::size_t size) override { file_.Write(data, size); }
  void Commit() override { file_.Commit(); }

 private:
  ReplacingFile file_;
};

}  // namespace

ExtractSummary Extract(ByteSource& source, const fs::path& to, std::ostream* progressOut) {
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
  // Inflation here, file writing on the writer's thread behind it, as in the setup.
  WriteBehind writer([](const std::string& destination) -> std::unique_ptr<platform::PendingFile> {
    return std::make_unique<PendingReplacement>(FromWriterKey(destination));
  });
  try {
    for (const PayloadRecord& record : records) {
      if (record.IsImage()) continue;
      progress.Update(summary.files, storedDone, record.name);
      writer.BeginFile(WriterKey(PrepareDestination(to, record, folders)));
      summary.bytes += InflateRecord(
          source, record,
          [&writer](const unsigned char* data, std::size_t size) { writer.Write(data, size); });
      writer.CommitFile();
      ++summary.files;
      storedDone += static_cast<std::uint64_t>(record.storedSize);
    }
    writer.Drain();
  } catch (...) {
    writer.AbandonFile();  // the files before it are in place; this one never gets there
    throw;
  }
  return summary;
}

}  // namespace quenlo::packer
