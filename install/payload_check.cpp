#include "install/payload_check.h"

#include <algorithm>
#include <vector>

#include "archive/record_name.h"
#include "archive/record_stream.h"

namespace quenlo {
namespace {

// Ends a check that is no longer wanted, from inside the inflater.
struct CheckStopped {};

// Counts the output and throws CheckStopped once the check is to stop.
class CheckingSink final : public ByteSink {
 public:
  explicit CheckingSink(const std::atomic<bool>& stop) : stop_(stop) {}
  void Write(const void*, std::size_t size) override {
    if (stop_.load(std::memory_order_relaxed)) throw CheckStopped{};
    bytes += size;
  }
  std::uint64_t bytes = 0;

 private:
  const std::atomic<bool>& stop_;
};

}  // namespace

void CheckRecordName(const archive::PayloadRecord& record) {
  if (record.IsImage()) return;
  if (const auto problem = archive::EscapeProblem(record.name)) {
    throw archive::ArchiveError(
        record.Describe() + ": the name would leave its folder: " + *problem, record.headerOffset,
        record.name);
  }
}

void InflateRecordInto(ByteSource& source, const archive::PayloadRecord& record, ByteSink& sink) {
  std::string reason;
  if (archive::InflateRecord(source, record.dataOffset,
                             static_cast<std::uint64_t>(record.storedSize), sink, &reason) < 0) {
    throw archive::ArchiveError(record.Describe() + ": the stored data does not inflate: " + reason,
                                record.dataOffset, record.name);
  }
}

PayloadCheck::PayloadCheck(platform::FileSystem& files) : thread_([this, &files] { Run(files); }) {}

PayloadCheck::~PayloadCheck() {
  stop_.store(true, std::memory_order_relaxed);
  thread_.join();
}

const PayloadCheck::Verdict& PayloadCheck::Wait() {
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [this] { return Done(); });
  return verdict_;
}

void PayloadCheck::Run(platform::FileSystem& files) {
  Verdict verdict;
  try {
    const std::string setupFile = files.ModulePath();
    if (files.FileExists(setupFile)) CheckRecords(files, setupFile, verdict);
    verdict.sound = !verdict.fault;
  } catch (const CheckStopped&) {
    verdict.fault = std::make_exception_ptr(IoError("the check was stopped"));
  } catch (...) {
    verdict.fault = std::current_exception();
  }
  {
    std::lock_guard lock(mutex_);
    verdict_ = std::move(verdict);
    done_.store(true, std::memory_order_release);
  }
  finished_.notify_all();
}

void PayloadCheck::CheckRecords(platform::FileSystem& files, const std::string& setupFile,
                                Verdict& verdict) {
  // The chain first (its headers only), then the streams: each is a zlib stream of its own, so
  // they are inflated on every core at once. The fault reported is the one the extraction would
  // meet first, in reading order: a stream's, or the chain's after the records before its break.
  std::vector<archive::PayloadRecord> records;
  std::exception_ptr chainFault;
  const auto ownSource = files.OpenForReading(setupFile);  // this thread's, after the walk
  {
    archive::ArchiveWalker walker(*ownSource);
    try {
      while (auto record = walker.Next()) {
        if (!record->IsImage()) records.push_back(std::move(*record));
      }
    } catch (const archive::ArchiveError&) {
      chainFault = std::current_exception();
    }
  }
  std::vector<std::exception_ptr> faults(records.size());
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> firstFault{records.size()};  // no record at or after it is looked at
  std::atomic<std::uint64_t> inflatedBytes{0};
  const auto checkSome = [&](ByteSource& source) {
    CheckingSink sink(stop_);
    for (std::size_t index = next++; index < firstFault.load(); index = next++) {
      try {
        CheckRecordName(records[index]);
        InflateRecordInto(source, records[index], sink);
      } catch (const CheckStopped&) {
        throw;
      } catch (...) {
        faults[index] = std::current_exception();
        for (std::size_t first = firstFault.load(); index < first;) {
          if (firstFault.compare_exchange_weak(first, index)) break;
        }
      }
    }
    inflatedBytes += sink.bytes;
  };
  const unsigned cores =
      std::max(1u, std::min(kMaxCheckThreads, std::thread::hardware_concurrency()));
  const std::size_t helpers = std::min<std::size_t>(cores - 1, records.size() / 2);
  std::vector<std::exception_ptr> helperErrors(helpers);
  std::vector<std::thread> threads;
  for (std::size_t helper = 0; helper < helpers; ++helper) {
    threads.emplace_back([&, helper] {
      try {
        checkSome(*files.OpenForReading(setupFile));
      } catch (...) {
        helperErrors[helper] = std::current_exception();
        firstFault = 0;  // the others stop too
      }
    });
  }
  std::exception_ptr ownError;
  try {
    checkSome(*ownSource);
  } catch (...) {
    ownError = std::current_exception();
    firstFault = 0;
  }
  for (std::thread& thread : threads) thread.join();
  // A check stopped, or a setup file that cannot be read, ends the check as such.
  if (ownError) std::rethrow_exception(ownError);
  for (const std::exception_ptr& error : helperErrors) {
    if (error) std::rethrow_exception(error);
  }
  const std::size_t first = firstFault.load();
  verdict.fault = first < records.size() ? faults[first] : chainFault;
  verdict.records = verdict.fault ? 0 : records.size();
  verdict.inflatedBytes = inflatedBytes.load();
}

}  // namespace quenlo
