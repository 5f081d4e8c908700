#include "install/payload_check.h"

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
    if (files.FileExists(setupFile)) {
      const auto source = files.OpenForReading(setupFile);
      CheckingSink sink(stop_);
      archive::ArchiveWalker walker(*source);
      while (const auto record = walker.Next()) {
        if (record->IsImage()) continue;
        CheckRecordName(*record);
        InflateRecordInto(*source, *record, sink);
        ++verdict.records;
      }
      verdict.inflatedBytes = sink.bytes;
    }
    verdict.sound = true;
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

}  // namespace quenlo
