// A gate the tests' stand-ins hold workers at: while it is shut, a worker passing it waits
// inside until the test opens it again (or for good, for the tests of shut-down). Its lock also
// guards the stand-in's own data, so a worker reads what the test set when it passes.
#pragma once

#include <condition_variable>
#include <mutex>

namespace chronalt {

class WorkerGate {
 public:
  void Shut() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
  }
  void Open() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    changed_.notify_all();
  }
  // Workers waiting at the gate right now.
  int Waiting() {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_;
  }
  // Runs `use` under the gate's lock.
  template <typename Use>
  auto Locked(Use use) {
    std::lock_guard<std::mutex> lock(mutex_);
    return use();
  }
  // Waits while the gate is shut, then runs `inside` under its lock.
  template <typename Inside>
  auto Pass(Inside inside) {
    std::unique_lock<std::mutex> lock(mutex_);
    ++waiting_;
    changed_.wait(lock, [this] { return open_; });
    --waiting_;
    return inside();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = true;
  int waiting_ = 0;
};

}  // namespace chronalt
