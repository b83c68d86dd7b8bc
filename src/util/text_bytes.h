// Text and Bytes, the two value types every part of Chronalt is written in, and the small
// operations on them: measuring, cutting, searching, replacing, splitting, trimming,
// upper-casing, number conversion and byte sequences.
//
// A Text is a code page 936 (GBK) byte string without zero bytes; positions count bytes from 1
// and "not found" is -1. Operations that work by characters treat a byte of 0x80 or above as
// the first byte of a two-byte character, so they never start a match on a second byte.
// Optional positions are std::optional because several rules tell "left out" from 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace chronalt {

class Text {
 public:
  Text() = default;
  // Each constructor keeps the bytes before the first zero byte, so a Text never holds one.
  Text(const char* bytes);  // NOLINT(google-explicit-constructor): texts are written as literals
  Text(std::string_view bytes);         // NOLINT(google-explicit-constructor)
  Text(const std::string& bytes);       // NOLINT(google-explicit-constructor)
  Text(std::string&& bytes);            // NOLINT(google-explicit-constructor): adopts, no copy

  const char* c_str() const { return bytes_.c_str(); }
  std::string_view view() const { return bytes_; }
  const std::string& str() const { return bytes_; }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  unsigned char operator[](std::size_t i) const { return static_cast<unsigned char>(bytes_[i]); }

  friend bool operator==(const Text&, const Text&) = default;

 private:
  std::string bytes_;
};

class Bytes {
 public:
  Bytes() = default;
  explicit Bytes(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  Bytes(const void* data, std::size_t size);
  explicit Bytes(std::string_view bytes) : Bytes(bytes.data(), bytes.size()) {}

  const std::uint8_t* data() const { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  const std::vector<std::uint8_t>& vec() const { return bytes_; }
  std::string_view view() const {
    return {reinterpret_cast<const char*>(bytes_.data()), bytes_.size()};
  }

  friend bool operator==(const Bytes&, const Bytes&) = default;

 private:
  std::vector<std::uint8_t> bytes_;
};

// Cutting by plain bytes (may split a two-byte character).
int TextLength(const Text& text);
Text TextLeft(const Text& text, int n);
Text TextRight(const Text& text, int n);
Text TextMid(const Text& text, int start, int n);  // start <= 0 gives empty
Text BlankText(int n);

// Searching, stepping by characters; ignore_case folds only the bytes "A" to "Z".
int FindText(const Text& text, const Text& sub, std::optional<int> start = std::nullopt,
             bool ignore_case = false);
// The last occurrence that ends at or before byte start - 1 (the whole text when left out).
int FindTextReverse(const Text& text, const Text& sub, std::optional<int> start = std::nullopt,
                    bool ignore_case = false);

// Replaces occurrences from `start` on, at most `count` of them (all when left out or below 0).
// A replacement is never scanned again.
Text ReplaceSubtext(const Text& text, const Text& sub, const Text& replacement = {},
                    std::optional<int> start = std::nullopt,
                    std::optional<int> count = std::nullopt, bool case_sensitive = false);

// Pieces between separators; a separator at the very end gives no empty last piece.
std::vector<Text> SplitText(const Text& text, const Text& separator = ",",
                            std::optional<int> maximum = std::nullopt);

Text TrimBothEnds(const Text& text);  // blanks: 0x20 and the ideographic space A1 A1
Text ToUpperCase(const Text& text);   // one-byte "a" to "z" only
// -1, 0 or 1; without case, two-byte letters fold through the code page's upper-case mapping.
int CompareText(const Text& first, const Text& second, bool case_sensitive = false);

Text FoldToHalfWidth(const Text& text);
int ToInt(const Text& text);  // leading blanks, sign, digits; wraps around in 32 bits

Text ToText(const Bytes& bytes);  // up to the first zero byte
Text ToText(std::int16_t value);
Text ToText(int value);

Bytes BlankBytes(int n);
Bytes ToBytes(const Text& text);
int BytesLength(const Bytes& bytes);
Bytes BytesLeft(const Bytes& bytes, int n);
Bytes BytesMid(const Bytes& bytes, int start, int n);  // start <= 0 counts as 1
// The caller guarantees that n >= 0 bytes can be read at `address`.
Bytes PointerToBytes(const void* address, int n);

// True for a byte that begins a two-byte character.
inline bool IsLeadByte(unsigned char byte) { return byte >= 0x80; }

}  // namespace chronalt
