// Times the searching, replacing and splitting primitives over large mixed ASCII and two-byte
// texts, next to std::string::find over the same bytes. HTTP answers of any size pass through
// these routines, so each must stay linear in the length of the text: the program exits
// non-zero when going from 1 MiB to 16 MiB costs more than 20 times as much.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "util/text_bytes.h"

namespace {

using chronalt::Text;

constexpr std::size_t kMiB = 1024 * 1024;
constexpr double kMaxRatio = 20.0;

// Markers use upper-case letters and digits, which the filler never contains, so each occurs
// exactly where it is put.
constexpr char kNearEnd[] = "Q7END-MARKER-Z9";
constexpr char kNearStart[] = "Q7START-MARKER-Z9";
constexpr char kAbsent[] = "Q7NOWHERE-Z9";
constexpr char kFrequent[] = "ab";
constexpr char kSeparator[] = ",";

// A fixed linear congruential generator, so every run measures the same text.
class Lcg {
 public:
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state_ >> 33);
  }

 private:
  std::uint64_t state_ = 0x2545F4914F6CDD1Dull;
};

// About a third two-byte characters (lead B0..F7, trail A1..FE), the rest lower-case letters,
// blanks and commas; the markers sit 1 KiB from the start and 1 KiB from the end.
std::string MakeText(std::size_t size) {
  static constexpr char kAscii[] = "abcdefghij k,";
  Lcg lcg;
  std::string text;
  text.reserve(size + 64);
  bool start_placed = false;
  bool end_placed = false;
  while (text.size() < size) {
    if (!start_placed && text.size() >= 1024) {
      text += kNearStart;
      start_placed = true;
    } else if (!end_placed && text.size() + 1024 >= size) {
      text += kNearEnd;
      end_placed = true;
    } else if (lcg.Next() % 3 == 0) {
      text += static_cast<char>(0xB0 + lcg.Next() % 0x48);
      text += static_cast<char>(0xA1 + lcg.Next() % 0x5E);
    } else {
      text += kAscii[lcg.Next() % (sizeof kAscii - 1)];
    }
  }
  return text;
}

// The library's routines must scale linearly. std::string::find is only the yardstick: it is
// fast enough that its 1 MiB time is a few dozen microseconds, too short to judge its growth.
enum class Role { kMeasured, kReference, kBaseline };

struct Operation {
  const char* name;
  // Runs the operation once over `text` and returns a value that depends on its result.
  std::function<long long(const std::string& bytes, const Text& text)> run;
  // The value the run must return, or a negative number when any value is right.
  std::function<long long(const std::string& bytes)> expected;
  Role role;
};

// Pushes the texts out of the caches before each run, so both sizes are read from main memory
// and the 16M/1M ratio shows the routine's growth rather than whether 1 MiB fits in a cache.
void EvictCaches() {
  static std::vector<unsigned char> sweep(64 * kMiB, 1);
  static volatile unsigned char sink = 0;
  unsigned char sum = 0;
  for (std::size_t i = 0; i < sweep.size(); i += 64) {
    sweep[i] = static_cast<unsigned char>(sweep[i] + 1);
    sum = static_cast<unsigned char>(sum + sweep[i]);
  }
  sink = static_cast<unsigned char>(sink + sum);
}

long long SinkOf(const std::vector<Text>& pieces) { return static_cast<long long>(pieces.size()); }

// Best of `repetitions` runs, in milliseconds; false if a run gave a wrong result.
bool TimeBest(const Operation& op, const std::string& bytes, const Text& text, int repetitions,
              double* best_ms) {
  const long long want = op.expected(bytes);
  *best_ms = std::numeric_limits<double>::infinity();
  for (int i = 0; i < repetitions; ++i) {
    EvictCaches();
    const auto begin = std::chrono::steady_clock::now();
    const long long got = op.run(bytes, text);
    const auto end = std::chrono::steady_clock::now();
    if (want >= 0 && got != want) {
      std::fprintf(stderr, "%s over %zu bytes returned %lld, expected %lld\n", op.name,
                   bytes.size(), got, want);
      return false;
    }
    *best_ms = std::min(*best_ms, std::chrono::duration<double, std::milli>(end - begin).count());
  }
  return true;
}

long long Position(std::size_t offset) {
  return offset == std::string::npos ? -1 : static_cast<long long>(offset) + 1;
}

long long CountOf(const std::string& bytes, const std::string& sub) {
  long long count = 0;
  for (std::size_t p = bytes.find(sub); p != std::string::npos; p = bytes.find(sub, p + 1)) {
    ++count;
  }
  return count;
}

}  // namespace

int main() {
#if defined(__GLIBC__)
  // Fixed thresholds: every large result is fresh memory and freed memory goes back to the
  // system, at both sizes alike. Left dynamic, glibc recycles the 1 MiB results without a page
  // fault while each 16 MiB one is mapped anew, which would count the kernel's page zeroing
  // against the 16 MiB runs only.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  mallopt(M_TRIM_THRESHOLD, 128 * 1024);
#endif
  using chronalt::FindText;
  using chronalt::FindTextReverse;
  using chronalt::ReplaceSubtext;
  using chronalt::SplitText;

  const Operation operations[] = {
      {"FindText (near end)",
       [](const std::string&, const Text& t) {
         return static_cast<long long>(FindText(t, kNearEnd));
       },
       [](const std::string& b) { return Position(b.find(kNearEnd)); }, Role::kMeasured},
      {"FindText (absent)",
       [](const std::string&, const Text& t) {
         return static_cast<long long>(FindText(t, kAbsent));
       },
       [](const std::string&) { return -1LL; }, Role::kMeasured},
      {"FindText (absent, ignore case)",
       [](const std::string&, const Text& t) {
         return static_cast<long long>(FindText(t, kAbsent, std::nullopt, true));
       },
       [](const std::string&) { return -1LL; }, Role::kMeasured},
      {"FindTextReverse (near start)",
       [](const std::string&, const Text& t) {
         return static_cast<long long>(FindTextReverse(t, kNearStart));
       },
       [](const std::string& b) { return Position(b.find(kNearStart)); }, Role::kMeasured},
      {"ReplaceSubtext (\"ab\" -> \"XYZ\")",
       [](const std::string&, const Text& t) {
         return static_cast<long long>(
             ReplaceSubtext(t, kFrequent, "XYZ", std::nullopt, std::nullopt, true).size());
       },
       // Every "ab" starts on a character boundary: "a" is never a second byte.
       [](const std::string& b) {
         return static_cast<long long>(b.size()) + CountOf(b, kFrequent);
       },
       Role::kMeasured},
      {"SplitText (\",\")",
       [](const std::string&, const Text& t) { return SinkOf(SplitText(t, kSeparator)); },
       [](const std::string&) { return -1LL; }, Role::kMeasured},
      {"std::string::find (near end)",
       [](const std::string& b, const Text&) { return Position(b.find(kNearEnd)); },
       [](const std::string& b) { return Position(b.find(kNearEnd)); }, Role::kReference},
      {"std::string::find (absent)",
       [](const std::string& b, const Text&) { return Position(b.find(kAbsent)); },
       [](const std::string&) { return -1LL; }, Role::kBaseline},
  };

  const std::string small_bytes = MakeText(1 * kMiB);
  const std::string large_bytes = MakeText(16 * kMiB);
  const Text small_text(small_bytes);
  const Text large_text(large_bytes);
  const double large_mib = static_cast<double>(large_bytes.size()) / kMiB;
  const double small_mib = static_cast<double>(small_bytes.size()) / kMiB;

  struct Row {
    const char* name;
    Role role;
    double small_ms;
    double large_ms;
  };
  std::vector<Row> rows;
  bool ok = true;
  double baseline_mib_s = 0;
  for (const Operation& op : operations) {
    Row row{op.name, op.role, 0, 0};
    ok = TimeBest(op, small_bytes, small_text, 15, &row.small_ms) && ok;
    ok = TimeBest(op, large_bytes, large_text, 7, &row.large_ms) && ok;
    if (op.role == Role::kBaseline) baseline_mib_s = large_mib / (row.large_ms / 1000.0);
    rows.push_back(row);
  }

  std::printf("Texts of %.2f MiB and %.2f MiB, about a third two-byte characters\n", small_mib,
              large_mib);
  std::printf("%-34s %10s %10s %9s %10s %8s\n", "operation", "ms 1MiB", "ms 16MiB", "16M/1M",
              "MiB/s", "x find");
  bool linear = true;
  for (const Row& row : rows) {
    const double ratio = row.large_ms / row.small_ms;
    const double mib_s = large_mib / (row.large_ms / 1000.0);
    const bool checked = row.role == Role::kMeasured;
    const bool row_linear = !checked || ratio <= kMaxRatio;
    linear = linear && row_linear;
    std::printf("%-34s %10.3f %10.3f %9.2f %10.1f %8.3f%s\n", row.name, row.small_ms, row.large_ms,
                ratio, mib_s, mib_s / baseline_mib_s,
                !checked     ? "  (reference)"
                : row_linear ? ""
                             : "  NOT LINEAR");
  }
  if (!ok) std::printf("FAILED: an operation returned a wrong result\n");
  if (!linear) std::printf("FAILED: a ratio exceeds %.0f\n", kMaxRatio);
  return ok && linear ? 0 : 1;
}
