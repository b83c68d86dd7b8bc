// SplitText: the pieces joined again by the separator give back the text (with the final
// separator when the text ends in one), no piece holds the separator at a character boundary,
// only a piece followed by a separator may be empty at the end, a maximum caps the pieces and
// leaves a prefix of the text; and the pieces are those of the reference split.
//
// Input: flags (bit 0 maximum given, bit 1 default separator ","), the maximum number, then the
// text and the separator.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "util/text_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chronalt;
  using namespace chronalt::fuzz;
  const FuzzInput input(data, size);
  const Text text(input.Part(0));
  const Text separator = input.Flag(1) ? Text(",") : Text(input.Part(1));
  std::optional<int> maximum;
  if (input.Flag(0)) maximum = input.Number(0);

  const std::vector<Text> pieces =
      input.Flag(1) && !maximum ? SplitText(text) : SplitText(text, separator, maximum);
  std::vector<std::string> bytes;
  for (const Text& piece : pieces) bytes.push_back(piece.str());
  FUZZ_CHECK(bytes == ReferenceSplit(text.view(), separator.view(), maximum));

  if (text.empty() || (maximum && *maximum <= 0)) {
    FUZZ_CHECK(pieces.empty());
    return 0;
  }
  FUZZ_CHECK(!pieces.empty());
  if (separator.empty()) {
    FUZZ_CHECK(pieces.size() == 1 && pieces[0] == text);
    return 0;
  }
  for (const std::string& piece : bytes) {
    FUZZ_CHECK(ReferenceFind(piece, separator.view(), std::nullopt, false) == -1);
  }
  const std::string joined = Join(bytes, separator.view());
  if (maximum) {
    FUZZ_CHECK(pieces.size() <= static_cast<std::size_t>(*maximum));
    FUZZ_CHECK(text.view().substr(0, joined.size()) == joined);
  } else if (joined == text.str()) {
    FUZZ_CHECK(!bytes.back().empty());  // a final separator gives no empty piece
  } else {
    FUZZ_CHECK(joined + separator.str() == text.str());
  }
  return 0;
}
