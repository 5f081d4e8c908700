#include "install/extraction.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "archive/archive_reader.h"
#include "archive/record_stream.h"
#include "base/path.h"
#include "install/change_journal.h"
#include "install/folders.h"
#include "install/payload_check.h"
#include "install/status_lines.h"
#include "install/write_behind.h"

namespace quenlo {
namespace {

constexpr const char* kPlayerFileName = "QuenloMediaPlayer.exe";

bool IsSystemFolderName(const std::string& name) {
  return !name.starts_with("App") && name.starts_with("Exe");
}

// A record the inflater has passed, for the worker to report.
struct PassedRecord {
  std::string name;
  std::string destination;
  bool written = false;  // the record's file was handed to the writer
  std::uint64_t size = 0;
  std::uint32_t adler32 = 1;
};

// Counts what passes on to the writer.
class CountingSink final : public ByteSink {
 public:
  explicit CountingSink(ByteSink& inner) : inner_(inner) {}
  void Write(const void* data, std::size_t size) override {
    inner_.Write(data, size);
    bytes += size;
  }
  std::uint64_t bytes = 0;

 private:
  ByteSink& inner_;
};

// The Adler-32 trailer of a record's zlib stream, which the inflation has just checked against
// the content: the content's checksum without a second pass over it.
std::uint32_t StreamAdler32(ByteSource& source, const archive::PayloadRecord& record) {
  if (record.storedSize < 4) return 1;  // empty stored data: no content
  unsigned char trailer[4];
  source.ReadAt(record.dataOffset + static_cast<std::uint64_t>(record.storedSize) - 4, trailer, 4);
  return archive::TrailerAdler32(trailer);
}

// Hands the passed records from the inflater's thread to the worker, in order, and then how the
// pass ended. Unbounded: a record is a few names, and the writer's queue bounds the inflater.
class RecordFeed {
 public:
  void Push(PassedRecord record) {
    {
      std::lock_guard lock(mutex_);
      records_.push_back(std::move(record));
    }
    ready_.notify_one();
  }
  void Finish(std::exception_ptr failure) {
    {
      std::lock_guard lock(mutex_);
      failure_ = std::move(failure);
      finished_ = true;
    }
    ready_.notify_one();
  }
  // The next record; nothing once every record has been taken and the pass is over.
  std::optional<PassedRecord> Next() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return !records_.empty() || finished_; });
    if (records_.empty()) return std::nullopt;
    PassedRecord record = std::move(records_.front());
    records_.pop_front();
    return record;
  }
  // After Next() has answered nothing: the pass's error, if it ended by one.
  std::exception_ptr Failure() {
    std::lock_guard lock(mutex_);
    return failure_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<PassedRecord> records_;
  std::exception_ptr failure_;
  bool finished_ = false;
};

// The inflater's part, on a thread of its own: the records one by one, checked, their folders
// made, inflated into the writer, and passed on to the worker. Throws as ExtractPayload does.
void InflateRecords(platform::FileSystem& files, ByteSource& source, const std::string& installRoot,
                    const std::string& systemRoot, WriteBehind& writer, RecordFeed& feed) {
  archive::ArchiveWalker walker(source);
  while (!walker.AtEnd()) {
    const archive::PayloadRecord record = *walker.Next();
    CheckRecordName(record);
    std::string destination = MapRecordName(record.name, installRoot, systemRoot);
    ForceFolders(files, FolderPart(destination));

    // A system-folder file that exists already is kept: its record is only checked. Whether it
    // exists is asked once the files before it are in place.
    if (IsSystemFolderName(record.name)) writer.Drain();
    const bool write =
        !record.IsImage() && !(IsSystemFolderName(record.name) && files.FileExists(destination));
    PassedRecord passed{record.name, destination};
    if (write) {
      writer.BeginFile(destination);
      CountingSink counted(writer);
      InflateRecordInto(source, record, counted);
      writer.CommitFile();
      passed.written = true;
      passed.size = counted.bytes;
      passed.adler32 = StreamAdler32(source, record);
    } else if (!record.IsImage()) {
      DiscardingSink discard;
      InflateRecordInto(source, record, discard);
    }
    feed.Push(std::move(passed));
  }
}

// Runs the inflater and the writer until every file is in its place or the pass has failed, and
// says how it ended through `feed`. Never throws.
void RunInflater(platform::FileSystem& files, const std::string& setupFile,
                 const std::string& installRoot, const std::string& systemRoot, WriteBehind& writer,
                 RecordFeed& feed) noexcept {
  std::exception_ptr failure;
  try {
    InflateRecords(files, *files.OpenForReading(setupFile), installRoot, systemRoot, writer, feed);
  } catch (...) {
    failure = std::current_exception();
    writer.AbandonFile();  // a file broken off half way never reaches its place
  }
  // Every complete file handed over is in its place before the pass is undone or kept; an error
  // the writer met first (at an earlier file) is the one reported.
  try {
    writer.Drain();
  } catch (...) {
    failure = std::current_exception();
  }
  feed.Finish(failure);
}

// Where the pass will write: every named record's destination, but for the system-folder files
// that are there already (they are kept). Names that are not installable are left to the pass,
// which refuses them.
std::vector<std::string> PlannedDestinations(platform::FileSystem& files, ByteSource& source,
                                             const std::string& installRoot,
                                             const std::string& systemRoot) {
  std::vector<std::string> destinations;
  archive::ArchiveWalker walker(source);
  while (const std::optional<archive::PayloadRecord> record = walker.Next()) {
    if (record->IsImage()) continue;
    CheckRecordName(*record);
    std::string destination = MapRecordName(record->name, installRoot, systemRoot);
    if (IsSystemFolderName(record->name) && files.FileExists(destination)) continue;
    destinations.push_back(std::move(destination));
  }
  return destinations;
}

}  // namespace

std::string MapRecordName(const std::string& name, const std::string& installRoot,
                          const std::string& systemRoot) {
  if (name.starts_with("App")) return ReplaceAllIgnoringCase(name, "App\\", installRoot);
  if (name.starts_with("Exe")) return ReplaceAllIgnoringCase(name, "Exe\\", systemRoot);
  return name;
}

void ExtractPayload(SetupSession& session, platform::FileSystem& files, platform::Clock& clock,
                    const std::string& installDir, ExtractedFiles& extracted, bool* undone,
                    ExtractionReport* report, bool restrictWhatItCreates,
                    InstallJournal* installJournal, ExtractionObserver* observer) {
  StatusChannel& status = session.Status;
  const std::string installRoot = EnsureTrailingBackslash(installDir);
  const std::string systemRoot = EnsureTrailingBackslash(files.SystemFolder());
  status.ResetProgress();

  const std::string setupFile = files.ModulePath();
  if (!files.FileExists(setupFile)) return;

  // The inflater works ahead on a thread of its own, bounded by the writer's queue, while this
  // thread reports each record it has passed and makes the pauses: the work hides behind them.
  ChangeJournal journal(files, installRoot, restrictWhatItCreates, installJournal);
  if (installJournal != nullptr || observer != nullptr) {
    std::vector<std::string> planned;
    try {
      planned =
          PlannedDestinations(files, *files.OpenForReading(setupFile), installRoot, systemRoot);
      if (installJournal != nullptr) journal.Plan(planned);
    } catch (...) {
      if (undone != nullptr) *undone = true;  // nothing was changed
      throw;
    }
    if (observer != nullptr) observer->Planned(planned);
  }
  std::exception_ptr failure;
  std::vector<ExtractionReport::File> writtenFiles;
  {
    WriteBehind writer(journal);
    if (observer != nullptr) {
      writer.OnCommitted(
          [observer](const std::string& destination) { observer->InPlace(destination); });
    }
    RecordFeed feed;
    std::thread inflater(
        [&] { RunInflater(journal, setupFile, installRoot, systemRoot, writer, feed); });
    status.PublishStatus(kPreparingLine);
    clock.Sleep(kPhasePauseMs);
    while (const std::optional<PassedRecord> record = feed.Next()) {
      status.StepProgress();
      status.PublishStatus(kExtractingPrefix + FileNamePart(record->name));
      if (EqualsIgnoringCase(FileNamePart(record->destination), kPlayerFileName)) {
        session.PlayerExePath = record->destination;
      }
      if (record->written)
        writtenFiles.push_back({record->destination, record->size, record->adler32});
      clock.Sleep(kItemPauseMs);
    }
    inflater.join();
    failure = feed.Failure();
    if (!failure) {
      for (const std::string& written : writer.Committed()) extracted.Add(written);
    }
  }
  if (failure) {
    if (observer != nullptr) observer->BeforeUndo();
    const bool complete = journal.RollBack();
    if (undone != nullptr) *undone = complete;
    std::rethrow_exception(failure);
  }
  if (report != nullptr) {
    report->files = std::move(writtenFiles);
    report->createdFolders = journal.CreatedFolders();
  }
  journal.Keep();

  status.PublishStatus(kExtractedLine);
  clock.Sleep(kPhasePauseMs);
  status.PublishStatus(kRegisterNextLine);
}

}  // namespace quenlo
