#include "tools/quenlo-pack/parallel_compress.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <thread>

#include "archive/record_stream.h"

namespace quenlo::packer {
namespace {

struct Slot {
  bool done = false;
  std::uint64_t cost = 0;
  std::vector<unsigned char> stored;
  std::exception_ptr error;
};

// State shared by the calling thread and the workers, guarded by `mutex`.
class Pipeline {
 public:
  explicit Pipeline(const CompressPlan& plan) : plan_(plan) {}

  // Ends the workers on every way out of CompressInOrder.
  ~Pipeline() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    workerWake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }

  void Run() {
    const auto threads = static_cast<std::size_t>(CompressionThreads(plan_.threads));
    for (std::size_t i = 0; i < std::min(threads, plan_.count); ++i) {
      workers_.emplace_back([this] { Work(); });
    }
    for (std::size_t i = 0; i < plan_.count; ++i) {
      Slot slot = TakeFinished(i);
      if (slot.error) std::rethrow_exception(slot.error);
      plan_.consume(i, std::move(slot.stored));
      {
        std::lock_guard lock(mutex_);
        inFlight_ -= slot.cost;
      }
      workerWake_.notify_all();
    }
  }

 private:
  std::uint64_t CostOf(std::size_t i) const { return RecordCost(plan_.sizeOf(i)); }

  bool MayClaim() const {
    return nextToClaim_ < plan_.count &&
           (inFlight_ == 0 || inFlight_ + CostOf(nextToClaim_) <= plan_.windowBytes);
  }

  void Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      workerWake_.wait(lock, [this] { return stop_ || nextToClaim_ == plan_.count || MayClaim(); });
      if (stop_ || nextToClaim_ == plan_.count) return;
      const std::size_t index = nextToClaim_++;
      const std::uint64_t cost = CostOf(index);
      inFlight_ += cost;
      slots_[index].cost = cost;
      lock.unlock();

      std::vector<unsigned char> stored;
      std::exception_ptr error;
      try {
        stored = archive::CompressRecord(plan_.load(index));
      } catch (...) {
        error = std::current_exception();
      }

      lock.lock();
      Slot& slot = slots_[index];
      slot.stored = std::move(stored);
      slot.error = error;
      slot.done = true;
      finished_.notify_all();
    }
  }

  Slot TakeFinished(std::size_t index) {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] {
      const auto found = slots_.find(index);
      return found != slots_.end() && found->second.done;
    });
    const auto found = slots_.find(index);
    Slot slot = std::move(found->second);
    slots_.erase(found);
    return slot;
  }

  const CompressPlan& plan_;
  std::mutex mutex_;
  std::condition_variable workerWake_;
  std::condition_variable finished_;
  std::map<std::size_t, Slot> slots_;  // claimed and not yet consumed
  std::size_t nextToClaim_ = 0;
  std::uint64_t inFlight_ = 0;
  bool stop_ = false;
  std::vector<std::thread> workers_;  // joined by the destructor
};

}  // namespace

std::uint64_t RecordCost(std::uint64_t size) {
  // The content and the stored data (deflateBound is a little over the content) while it is
  // compressed, and some allocator overhead. zlib's own state (about 256 KB a thread) is not
  // counted: it is bounded by the number of threads.
  return 2 * size + 1024;
}

unsigned CompressionThreads(unsigned requested) {
  if (requested != 0) return requested;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores != 0 ? cores : 1;
}

void CompressInOrder(const CompressPlan& plan) {
  Pipeline pipeline(plan);
  pipeline.Run();
}

}  // namespace quenlo::packer
