// A stand-in for the server-time request: it answers what the test set, records the URLs it
// was asked for, and can be shut so that poll workers wait inside the request.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>

#include "util/text_bytes.h"

namespace chronalt {

class FakeServer {
 public:
  static void Answer(const Text& answer) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().answer = answer;
  }
  static void Shut() {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().open = false;
  }
  static void Open() {
    {
      std::lock_guard<std::mutex> lock(State().mutex);
      State().open = true;
    }
    State().changed.notify_all();
  }
  static int Requests() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().requests;
  }
  static Text LastUrl() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().last_url;
  }
  static int Waiting() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().waiting;
  }
  // The ServerTimeRequester.
  static Text Request(const Text& url) {
    std::unique_lock<std::mutex> lock(State().mutex);
    ++State().waiting;
    State().changed.wait(lock, [] { return State().open; });
    --State().waiting;
    ++State().requests;
    State().last_url = url;
    return State().answer;
  }

 private:
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    Text answer;
    Text last_url;
    bool open = true;
    int requests = 0;
    int waiting = 0;
  };
  static Shared& State() {  // never destroyed: a shut worker may outlive the test
    static Shared* const shared = new Shared;
    return *shared;
  }
};

}  // namespace chronalt
