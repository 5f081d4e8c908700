// The check of the running setup file's payload, made before the install changes anything.
//
// A damaged download must change nothing on the system. PayloadCheck therefore reads the whole
// payload once, on threads of its own (one a core: every record is a stream of its own) that
// start with the wizard, while the user reads the first
// pages: the chain of records, every name, every stream inflated to its end with its Adler-32
// compared. These are exactly the checks the extraction makes (CheckRecordName and
// InflateRecordInto serve both), so a payload that passes cannot fail the extraction except by a
// change made to the file afterwards, and that the extraction's rollback undoes.
//
// The install waits for the verdict before it creates its first folder; the start-page task waits
// for it too. Memory stays bounded by the inflater's buffers: nothing is kept of the output.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "archive/archive_reader.h"
#include "base/byte_stream.h"
#include "platform/file_system.h"

namespace quenlo {

// A named record's name stays inside the folder it is mapped into; throws archive::ArchiveError.
void CheckRecordName(const archive::PayloadRecord& record);
// Inflates a named record's stored data into `sink` and checks it to its end; throws
// archive::ArchiveError for a stream that does not inflate (naming the record) and
// IoError when the source cannot be read or the sink not written.
void InflateRecordInto(ByteSource& source, const archive::PayloadRecord& record, ByteSink& sink);

class PayloadCheck {
 public:
  struct Verdict {
    bool sound = false;
    std::exception_ptr fault;   // what the first fault would have thrown in the extraction
    std::uint64_t records = 0;  // named records checked
    std::uint64_t inflatedBytes = 0;
  };

  // Starts checking the payload of the file at files.ModulePath(). A setup file that is not there
  // has nothing to install and is sound (the install then extracts nothing). `files` must outlive
  // the check.
  explicit PayloadCheck(platform::FileSystem& files);
  // Stops a check still running at its next piece of output and waits for its thread.
  ~PayloadCheck();
  PayloadCheck(const PayloadCheck&) = delete;
  PayloadCheck& operator=(const PayloadCheck&) = delete;

  bool Done() const { return done_.load(std::memory_order_acquire); }
  // Waits for the verdict.
  const Verdict& Wait();

 private:
  // At most this many threads inflate at once: the records are independent streams.
  static constexpr unsigned kMaxCheckThreads = 4;

  void Run(platform::FileSystem& files);
  // Checks every record of the setup file; a record's fault goes into verdict.fault, a check
  // that is stopped or cannot read the file throws.
  void CheckRecords(platform::FileSystem& files, const std::string& setupFile, Verdict& verdict);

  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{false};
  std::mutex mutex_;
  std::condition_variable finished_;
  Verdict verdict_;  // written by the check's thread before done_, read after
  std::thread thread_;
};

}  // namespace quenlo
