#include "tools/quenlo-pack/extract.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

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

// Threads that inflate at once, at most.
constexpr unsigned kMaxThreads = 4;

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

// One source read by several threads: each read is taken whole, one at a time.
class SharedSource final : public ByteSource {
 public:
  explicit SharedSource(ByteSource& inner) : inner_(inner) {}
  std::uint64_t Size() const override { return inner_.Size(); }
  void ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
    const std::lock_guard lock(mutex_);
    inner_.ReadAt(offset, buffer, size);
  }

 private:
  ByteSource& inner_;
  std::mutex mutex_;
};

// The records are independent streams: each thread takes the largest record within the window
// that none has begun, inflates it into its file and hands it over; the files are completed in
// record order, so that at a fault the files before it are in place and none after it, as one
// thread would leave them. A file that is new is written in its place and removed again if a fault
// comes before its turn; one that replaces a file goes through a temporary file renamed over it at
// its turn. A thread runs at most kWindow records ahead of the next file to be completed, which
// bounds the files waiting.
class ParallelExtraction {
 public:
  static constexpr std::size_t kWindow = 32;
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  ParallelExtraction(ByteSource& source, const std::vector<const PayloadRecord*>& records,
                     const std::vector<fs::path>& destinations, Progress& progress)
      : source_(source),
        records_(records),
        destinations_(destinations),
        progress_(progress),
        done_(records.size()),
        failures_(records.size()),
        firstFailure_(records.size()),
        begun_(records.size()) {}

  // Runs on `threads` threads, this one among them; rethrows the first fault in record order.
  ExtractSummary Run(unsigned threads) {
    std::vector<std::thread> helpers;
    for (unsigned helper = 1; helper < threads && helper < records_.size(); ++helper) {
      helpers.emplace_back([this] { Work(); });
    }
    Work();
    for (std::thread& helper : helpers) helper.join();
    if (firstFailure_ < records_.size()) std::rethrow_exception(failures_[firstFailure_]);
    return summary_;
  }

 private:
  struct Done {
    std::unique_ptr<ReplacingFile> file;
    std::uint64_t bytes = 0;
  };

  void Work() {
    for (;;) {
      std::size_t index;
      {
        std::unique_lock lock(mutex_);
        std::size_t largest = kNone;
        turn_.wait(lock, [&] {
          largest = LargestNotBegun();
          return largest != kNone || firstNotBegun_ >= firstFailure_;
        });
        if (largest == kNone) return;
        index = largest;
        begun_[index] = true;
        while (firstNotBegun_ < begun_.size() && begun_[firstNotBegun_]) ++firstNotBegun_;
      }
      Done done;
      std::exception_ptr failure;
      try {
        done.file = std::make_unique<ReplacingFile>(destinations_[index],
                                                    ReplacingFile::WhenAbsent::WriteInPlace);
        done.bytes = InflateRecord(
            source_, *records_[index],
            [&done](const unsigned char* data, std::size_t size) { done.file->Write(data, size); });
        done.file->Close();
      } catch (...) {
        failure = std::current_exception();
        done = {};  // its temporary file goes
      }
      std::lock_guard lock(mutex_);
      if (failure) {
        failures_[index] = failure;
        firstFailure_ = std::min(firstFailure_, index);
      } else {
        done_[index] = std::move(done);
      }
      PlaceReady();
      turn_.notify_all();
    }
  }

  // The largest record within the window that no thread has begun, kNone when there is none.
  // Largest first, so that a large record is not left for the end while the other threads wait.
  // Called with the lock held.
  std::size_t LargestNotBegun() const {
    const std::size_t end = std::min(firstFailure_, placed_ + kWindow);
    std::size_t largest = kNone;
    for (std::size_t i = firstNotBegun_; i < end; ++i) {
      if (!begun_[i] &&
          (largest == kNone || records_[i]->storedSize > records_[largest]->storedSize))
        largest = i;
    }
    return largest;
  }

  // Puts in place, in record order, the files that are complete. Called with the lock held.
  void PlaceReady() {
    while (placed_ < firstFailure_ && done_[placed_].file) {
      Done& done = done_[placed_];
      try {
        done.file->Commit();
      } catch (...) {
        failures_[placed_] = std::current_exception();
        firstFailure_ = placed_;
        break;
      }
      done.file.reset();
      ++summary_.files;
      summary_.bytes += done.bytes;
      storedPlaced_ += static_cast<std::uint64_t>(records_[placed_]->storedSize);
      ++placed_;
      progress_.Update(summary_.files, storedPlaced_,
                       placed_ < records_.size() ? records_[placed_]->name : std::string());
    }
  }

  SharedSource source_;
  const std::vector<const PayloadRecord*>& records_;
  const std::vector<fs::path>& destinations_;
  Progress& progress_;

  std::mutex mutex_;
  std::condition_variable turn_;
  std::vector<Done> done_;  // inflated and closed, waiting for its turn (removed if it never comes)
  std::vector<std::exception_ptr> failures_;
  std::size_t firstFailure_;       // no record from here on is begun or put in place
  std::vector<bool> begun_;        // taken by a thread
  std::size_t firstNotBegun_ = 0;  // where the look for a record to take starts
  std::size_t placed_ = 0;         // the records before it are in place
  std::uint64_t storedPlaced_ = 0;
  ExtractSummary summary_;
};

}  // namespace

ExtractSummary Extract(ByteSource& source, const fs::path& to, std::ostream* progressOut) {
  const std::vector<PayloadRecord> records = ReadChain(source);
  CheckNames(records);

  // Every folder first (which refuses to go through a link), then the files.
  fs::create_directories(to);
  FolderMaker folders;
  std::vector<const PayloadRecord*> named;
  std::vector<fs::path> destinations;
  std::uint64_t totalStored = 0;
  for (const PayloadRecord& record : records) {
    if (record.IsImage()) continue;
    named.push_back(&record);
    destinations.push_back(PrepareDestination(to, record, folders));
    totalStored += static_cast<std::uint64_t>(record.storedSize);
  }
  Progress progress(progressOut, named.size(), totalStored);
  if (!named.empty()) progress.Update(0, 0, named.front()->name);
  const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
  return ParallelExtraction(source, named, destinations, progress).Run(threads);
}

}  // namespace quenlo::packer
