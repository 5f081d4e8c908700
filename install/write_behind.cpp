#include "install/write_behind.h"

namespace quenlo {
namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr std::size_t kSpareChunks = 1;
// The thresholds of the wake-ups: the writer once half the queue is full, the worker once the
// queue is half empty.
constexpr std::size_t kWakeWriterBytes = WriteBehind::kMaxQueuedBytes / 2;
constexpr std::size_t kWakeWorkerBytes = WriteBehind::kMaxQueuedBytes / 2;

}  // namespace

WriteBehind::WriteBehind(platform::FileSystem& files) : files_(files), thread_([this] { Run(); }) {
  chunk_.reserve(kChunkBytes);
}

WriteBehind::~WriteBehind() {
  AbandonFile();
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({Task::Kind::Stop, {}, {}});
  }
  writerWake_.notify_one();
  thread_.join();
}

void WriteBehind::ThrowIfFailed() {
  // Called with the mutex held.
  if (error_) std::rethrow_exception(error_);
}

template <typename Ready>
void WriteBehind::WorkerWait(std::unique_lock<std::mutex>& lock, Ready ready) {
  if (ready()) return;
  // What the worker waits for needs the writer: it is woken for what waits in the queue.
  if (writerWaiting_ && !queue_.empty()) writerWake_.notify_one();
  workerWaiting_ = true;
  workerWake_.wait(lock, ready);
  workerWaiting_ = false;
}

void WriteBehind::Push(Task task) {
  std::unique_lock lock(mutex_);
  const std::size_t bytes = task.data.size();
  WorkerWait(
      lock, [&] { return error_ || queuedBytes_ == 0 || queuedBytes_ + bytes <= kMaxQueuedBytes; });
  ThrowIfFailed();
  queuedBytes_ += bytes;
  // A waiting writer is woken for a file's end or a batch of data, not for each chunk: a wake-up
  // costs a call into the system on each side (under Wine a round trip to its server each).
  const bool worthWaking = task.kind == Task::Kind::Commit || task.kind == Task::Kind::Stop ||
                           task.kind == Task::Kind::Abandon || queuedBytes_ >= kWakeWriterBytes;
  queue_.push_back(std::move(task));
  const bool wake = writerWaiting_ && worthWaking;
  lock.unlock();
  if (wake) writerWake_.notify_one();
}

void WriteBehind::PushChunk() {
  if (chunk_.empty()) return;
  // The full chunk is handed over first and the next one taken after: once the queue has had
  // room for it, the writer has written a chunk, whose memory serves again, so a worker that
  // waits for the writer never holds a fresh chunk besides the full one.
  Push({Task::Kind::Data, {}, std::move(chunk_)});
  chunk_ = {};
  {
    std::lock_guard lock(mutex_);
    if (!spare_.empty()) {
      chunk_.swap(spare_.back());
      spare_.pop_back();
    }
  }
  if (chunk_.capacity() < kChunkBytes) chunk_.reserve(kChunkBytes);
}

void WriteBehind::BeginFile(const std::string& destination) {
  chunk_.clear();
  Push({Task::Kind::Begin, destination, {}});
}

void WriteBehind::Write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size != 0) {
    const std::size_t room = kChunkBytes - chunk_.size();
    const std::size_t taken = size < room ? size : room;
    chunk_.insert(chunk_.end(), bytes, bytes + taken);
    bytes += taken;
    size -= taken;
    if (chunk_.size() == kChunkBytes) PushChunk();
  }
}

void WriteBehind::CommitFile() {
  PushChunk();
  Push({Task::Kind::Commit, {}, {}});
}

void WriteBehind::AbandonFile() noexcept {
  chunk_.clear();
  bool wake;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({Task::Kind::Abandon, {}, {}});
    wake = writerWaiting_;
  }
  if (wake) writerWake_.notify_one();
}

void WriteBehind::Drain() {
  std::unique_lock lock(mutex_);
  WorkerWait(lock, [&] { return queue_.empty() && !busy_; });
  ThrowIfFailed();
}

std::vector<std::string> WriteBehind::Committed() {
  std::lock_guard lock(mutex_);
  return committed_;
}

void WriteBehind::Run() {
  for (;;) {
    std::deque<Task> batch;
    {
      std::unique_lock lock(mutex_);
      writerWaiting_ = true;
      writerWake_.wait(lock, [&] { return !queue_.empty(); });
      writerWaiting_ = false;
      batch.swap(queue_);
      busy_ = true;
    }
    bool running = true;
    for (Task& task : batch) {
      if (!Perform(task)) {
        running = false;
        break;
      }
    }
    bool wake;
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
      wake = workerWaiting_;
    }
    if (wake) workerWake_.notify_one();
    if (!running) return;
  }
}

bool WriteBehind::Perform(Task& task) {
  if (task.kind == Task::Kind::Stop) return false;
  bool failedBefore;
  {
    std::lock_guard lock(mutex_);
    failedBefore = static_cast<bool>(error_);
  }
  std::exception_ptr failure;
  // After an error nothing more is written: later files are dropped.
  if (!failedBefore) {
    try {
      Apply(task);
    } catch (...) {
      failure = std::current_exception();
      pending_.reset();  // removes its temporary file; the destination stays as it was
    }
  } else {
    pending_.reset();
  }
  const bool committed =
      task.kind == Task::Kind::Commit && !failure && !failedBefore && !task.destination.empty();
  if (committed && onCommitted_) onCommitted_(task.destination);
  bool wake;
  {
    std::lock_guard lock(mutex_);
    const std::size_t written = task.data.size();
    queuedBytes_ -= written;
    if (failure && !error_) error_ = failure;
    if (committed) committed_.push_back(task.destination);
    // The chunk's memory serves again. A few spares are enough for the worker, which takes one
    // per chunk it fills: more would only keep memory once the queue has drained.
    if (task.kind == Task::Kind::Data && spare_.size() < kSpareChunks) {
      task.data.clear();
      spare_.push_back(std::move(task.data));
    }
    // A worker waiting for room is woken once there is room for several chunks.
    wake = workerWaiting_ && ((written != 0 && queuedBytes_ <= kWakeWorkerBytes) || failure);
  }
  if (wake) workerWake_.notify_one();
  // Its bytes no longer count against the queue, so its memory goes now, not with the batch.
  std::vector<unsigned char>().swap(task.data);
  return true;
}

void WriteBehind::Apply(Task& task) {
  switch (task.kind) {
    case Task::Kind::Begin:
      pending_.reset();
      pending_ = files_.BeginReplace(task.destination);
      pendingDestination_ = task.destination;
      break;
    case Task::Kind::Data:
      if (pending_) pending_->Write(task.data.data(), task.data.size());
      break;
    case Task::Kind::Commit:
      if (pending_) {
        pending_->Commit();
        pending_.reset();
        task.destination = pendingDestination_;
      }
      break;
    case Task::Kind::Abandon:
      pending_.reset();
      break;
    case Task::Kind::Stop:
      break;
  }
}

}  // namespace quenlo
