// Times HttpRequest against the plainest WinHTTP GET of the same URL, over the local HTTPS test
// server: the server-time endpoint's small answer (median of a few hundred requests each) and a
// 64 MiB body (median of a few rounds), with the peak working set of the large request.
// Run it through the test server, which passes the port:
//   python3 tests/http/https_test_server.py build/windows/wine-run
//       build/windows/bench/http_request_bench.exe   (one command line)
// or build the target run_http_request_bench. Exits non-zero when a target is missed: small
// answers within 10% of the raw GET, the large body within 1.5 times the raw read loop, and a
// peak of at most four times the body.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "http/com_apartment.h"
#include "http/http_request.h"
#include "http_raw_get.h"

namespace {

using chronalt::Text;
using Clock = std::chrono::steady_clock;

constexpr int kSmallRounds = 300;
constexpr int kBigRounds = 5;
constexpr std::size_t kBigSize = 64u << 20;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Seconds(const std::function<bool()>& run, bool* ok) {
  const auto start = Clock::now();
  *ok = run() && *ok;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
  const char* port_text = std::getenv("CHRONALT_TEST_HTTPS_PORT");
  if (port_text == nullptr) {
    std::fprintf(stderr, "run through tests/http/https_test_server.py, which sets the port\n");
    return 2;
  }
  const int port = std::atoi(port_text);
  const std::string base = "https://127.0.0.1:" + std::string(port_text);
  const std::string small_path = "//ajax/queryServerData.html";
  const std::string big_path = "/big?size=" + std::to_string(kBigSize);
  const std::wstring host = L"127.0.0.1";
  const std::wstring small_wide(small_path.begin(), small_path.end());
  const std::wstring big_wide(big_path.begin(), big_path.end());
  bool ok = true;

  // The large request first, so the peak it reaches is its own.
  const std::size_t peak_before = chronalt::PeakWorkingSetBytes();
  std::size_t first_size = 0;
  const double first_big = Seconds(
      [&] {
        first_size = chronalt::HttpRequest(base + big_path).size();
        return first_size == kBigSize;
      },
      &ok);
  const std::size_t peak_after = chronalt::PeakWorkingSetBytes();

  std::vector<double> big_routine{first_big};
  std::vector<double> big_raw;
  for (int i = 0; i < kBigRounds; ++i) {
    big_raw.push_back(Seconds(
        [&] { return chronalt::RawWinHttpGet(host, port, big_wide) == (long long)kBigSize; }, &ok));
    if (i + 1 < kBigRounds) {
      big_routine.push_back(
          Seconds([&] { return chronalt::HttpRequest(base + big_path).size() == kBigSize; }, &ok));
    }
  }

  // Each in a block of its own: alternating the two slows both down under Wine, whose pooled
  // connection and message queue then take turns with the apartment set up and torn down.
  const Text expected = "{\"serverTime\":1700000000123}";
  auto small_raw_round = [&] {
    return Seconds([&] { return chronalt::RawWinHttpGet(host, port, small_wide) == 28; }, &ok);
  };
  auto small_routine_round = [&] {
    return Seconds([&] { return chronalt::HttpRequest(base + small_path) == expected; }, &ok);
  };
  std::vector<double> small_raw;
  std::vector<double> small_routine;
  std::vector<double> small_routine_com;
  for (int i = 0; i < kSmallRounds; ++i) small_raw.push_back(small_raw_round());
  for (int i = 0; i < kSmallRounds; ++i) small_routine.push_back(small_routine_round());
  // The same with COM already initialised on the thread, so the call's own CoInitialize and
  // CoUninitialize only count up and down: what the routine costs beyond the apartment.
  {
    chronalt::ComApartment apartment;
    for (int i = 0; i < kSmallRounds; ++i) small_routine_com.push_back(small_routine_round());
  }

  if (!ok) {
    std::fprintf(stderr, "a request failed\n");
    return 1;
  }
  const double small_ratio = Median(small_routine) / Median(small_raw);
  const double big_ratio = Median(big_routine) / Median(big_raw);
  const double peak_ratio =
      static_cast<double>(peak_after - std::min(peak_before, peak_after)) / kBigSize;
  std::printf(
      "small answer: HttpRequest %.3f ms, raw GET %.3f ms per request (median of %d): "
      "%.3f\n",
      Median(small_routine) * 1e3, Median(small_raw) * 1e3, kSmallRounds, small_ratio);
  std::printf("small answer, COM already initialised on the thread: HttpRequest %.3f ms: %.3f\n",
              Median(small_routine_com) * 1e3, Median(small_routine_com) / Median(small_raw));
  std::printf("64 MiB body:  HttpRequest %.1f ms, raw read loop %.1f ms (median of %d): %.3f\n",
              Median(big_routine) * 1e3, Median(big_raw) * 1e3, kBigRounds, big_ratio);
  std::printf("64 MiB body:  peak working set grew by %.1f MiB, %.2f times the body\n",
              static_cast<double>(peak_after - std::min(peak_before, peak_after)) / (1 << 20),
              peak_ratio);
  const bool met = small_ratio <= 1.10 && big_ratio <= 1.5 && peak_ratio <= 4.0;
  std::printf("%s\n", met ? "all targets met" : "a target was missed");
  return met ? 0 : 1;
}
