// A stand-in for the server-time request: it answers what the test set, records the URLs it
// was asked for, and can be shut so that poll workers wait inside the request.
#pragma once

#include "util/text_bytes.h"
#include "worker_gate.h"

namespace chronalt {

class FakeServer {
 public:
  static void Answer(const Text& answer) {
    State().gate.Locked([&] { State().answer = answer; });
  }
  static void Shut() { State().gate.Shut(); }
  static void Open() { State().gate.Open(); }
  static int Requests() {
    return State().gate.Locked([] { return State().requests; });
  }
  static Text LastUrl() {
    return State().gate.Locked([] { return State().last_url; });
  }
  static int Waiting() { return State().gate.Waiting(); }
  // The ServerTimeRequester.
  static Text Request(const Text& url) {
    return State().gate.Pass([&] {
      ++State().requests;
      State().last_url = url;
      return State().answer;
    });
  }

 private:
  struct Shared {
    WorkerGate gate;
    Text answer;
    Text last_url;
    int requests = 0;
  };
  static Shared& State() {  // never destroyed: a shut worker may outlive the test
    static Shared* const shared = new Shared;
    return *shared;
  }
};

}  // namespace chronalt
