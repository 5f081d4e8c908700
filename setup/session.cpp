#include "setup/session.h"

namespace quenlo {

void StatusChannel::PublishStatus(std::string line) {
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

SetupSession& TheSession() {
  static SetupSession session;
  return session;
}

}  // namespace quenlo
