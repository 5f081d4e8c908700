#include "install/session.h"

namespace quenlo {

void StatusChannel::PublishStatus(std::string line) {
  if (observer_) observer_(line);
  {
    std::lock_guard<std::mutex> hold(lineLock_);
    line_.swap(line);
  }
  // `line` now holds the previous text; it is released here, outside the lock.
}

std::string StatusChannel::StatusText() const {
  std::lock_guard<std::mutex> hold(lineLock_);
  return line_;
}

void StatusChannel::PublishFailure(InstallFailure failure) {
  {
    std::lock_guard<std::mutex> hold(lineLock_);
    failure_ = std::move(failure);
  }
  failed_.store(true, std::memory_order_release);
}

std::optional<InstallFailure> StatusChannel::Failure() const {
  if (!failed_.load(std::memory_order_acquire)) return std::nullopt;
  std::lock_guard<std::mutex> hold(lineLock_);
  return failure_;
}

SetupSession& TheSession() {
  static SetupSession session;
  return session;
}

}  // namespace quenlo
