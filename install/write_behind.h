// Writes the extraction's files on a thread of its own, behind the inflation: while the worker
// inflates the next record or pauses between records, the files already inflated are created,
// written and put in their place. Creating and renaming files is the slow part of an extraction
// (on a busy or emulated file system far more than inflating), so it runs beside the rest.
//
// Every file goes through platform::FileSystem::BeginReplace and Commit, so each destination is
// replaced only by a complete new file, as without the thread. Data is handed over in chunks
// through a queue of bounded size: memory stays bounded however large a file is, and the worker
// waits when the writer falls behind.
//
// Errors keep their place: the first error of the writer thread ends the writing (files after it
// are dropped, their destinations untouched) and is thrown to the worker at its next call.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/byte_stream.h"
#include "platform/file_system.h"

namespace quenlo {

class WriteBehind final : public ByteSink {
 public:
  // At most this many bytes of file data wait in the queue.
  static constexpr std::size_t kMaxQueuedBytes = 1u << 20;
  // The files go through `files` (BeginReplace).
  explicit WriteBehind(platform::FileSystem& files);
  // Drops an unfinished file, lets the complete ones still queued reach their places, and ends
  // the thread. Never throws.
  ~WriteBehind() override;
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // The following calls throw the writer's first error, if it has had one.
  // Starts the next file, to replace `destination`.
  void BeginFile(const std::string& destination);
  // Adds to the current file.
  void Write(const void* data, std::size_t size) override;
  // The current file is complete: it takes its destination's place.
  void CommitFile();
  // Waits until every file handed over is in its place.
  void Drain();

  // Drops the current file: its destination stays as it was. Never throws.
  void AbandonFile() noexcept;

  // The destinations put in place so far, in order. Complete after Drain().
  std::vector<std::string> Committed();
  // Called on the writer's thread with each destination once it is in its place. Set before the
  // first file.
  void OnCommitted(std::function<void(const std::string& destination)> committed) {
    onCommitted_ = std::move(committed);
  }

 private:
  struct Task {
    enum class Kind { Begin, Data, Commit, Abandon, Stop };
    Kind kind;
    std::string destination;          // Begin
    std::vector<unsigned char> data;  // Data
  };

  void Push(Task task);
  void PushChunk();
  // The worker waits, with `lock` held, until `ready` holds.
  template <typename Ready>
  void WorkerWait(std::unique_lock<std::mutex>& lock, Ready ready);
  void ThrowIfFailed();
  void Run();
  // Performs one task taken from the queue; false for the task that ends the thread.
  bool Perform(Task& task);
  void Apply(Task& task);

  platform::FileSystem& files_;
  std::function<void(const std::string&)> onCommitted_;
  std::vector<unsigned char> chunk_;  // the worker's data not handed over yet

  // Handing over costs a wake-up only when the other side sleeps: the writer takes every queued
  // task at once, and each side is signalled only when it waits.
  std::mutex mutex_;
  std::condition_variable writerWake_;
  std::condition_variable workerWake_;
  std::deque<Task> queue_;
  std::size_t queuedBytes_ = 0;  // data bytes queued or taken and not yet written
  bool busy_ = false;            // the writer is performing tasks taken from the queue
  bool writerWaiting_ = false;
  bool workerWaiting_ = false;
  std::exception_ptr error_;
  std::vector<std::string> committed_;
  std::vector<std::vector<unsigned char>> spare_;  // written chunks, kept for the worker to reuse

  std::unique_ptr<platform::PendingFile> pending_;  // the writer thread's current file
  std::string pendingDestination_;
  std::thread thread_;
};

}  // namespace quenlo
