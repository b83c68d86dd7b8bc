// Header-block normalisation and lookup, written on the Text primitives so that two-byte
// characters are stepped over exactly as every other text routine steps over them.
#include "http/header_block.h"

#include <string>
#include <vector>

#include "util/text_slicing.h"

namespace chronalt {
namespace {

const Text kLineBreak = "\r\n";

struct DefaultHeader {
  const char* probe;
  const char* line;
  bool only_for_post;
};

// In the order they are considered; a probe found anywhere in the block, even inside another
// header's name (X-Accept: ...), suppresses its line.
constexpr DefaultHeader kDefaultHeaders[] = {
    {"User-Agent: ",
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n",
     false},
    {"Accept: ", "Accept: text/html, application/xhtml+xml, */*\r\n", false},
    {"Accept-Encoding: ", "Accept-Encoding: gbk, GB2312\r\n", false},
    {"Accept-Language: ", "Accept-Language: zh-cn\r\n", false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded\r\n", true},
    {"Cache-Control: ", "Cache-Control: no-cache\r\n", false},
};

constexpr int kMethodPost = 1;
const Text kKeepAliveLine = "Connection: keep-alive";

// Every "Connection: keep-alive" line out of the block. The lines that end in "\r\n" go as a
// plain replacement; a normalised block has none after its last line, so a keep-alive line
// there is cut together with the line break before it.
Text WithoutKeepAlive(const Text& block) {
  std::string result =
      ReplaceSubtext(block, kKeepAliveLine.str() + "\r\n", "", std::nullopt, std::nullopt, true)
          .str();
  const std::string_view line = kKeepAliveLine.view();
  const std::string_view view = result;
  if (view.size() >= line.size() && view.substr(view.size() - line.size()) == line) {
    const std::size_t before = view.size() - line.size();
    if (before == 0) {
      result.clear();
    } else if (before >= 2 && view.substr(before - 2, 2) == kLineBreak.view()) {
      // Only a real line break: the CR must not be the second byte of a two-byte character.
      if (FindTextReverse(Text(view.substr(0, before)), kLineBreak) ==
          static_cast<int>(before) - 1) {
        result.resize(before - 2);
      }
    }
  }
  return Text(std::move(result));
}

Text CapitaliseHeaderName(const Text& name) {
  if (FindText(name, "-") == -1) return CapitaliseFirstLetter(name);
  // A name ending in "-" loses that "-" here (no empty last piece); the caller takes the rest
  // of the line by the new name's length, so the byte comes back with the rest.
  std::string joined;
  bool first = true;
  for (const Text& part : SplitText(name, "-")) {
    if (!first) joined += '-';
    joined += CapitaliseFirstLetter(part).view();
    first = false;
  }
  return Text(std::move(joined));
}

}  // namespace

Text CapitaliseFirstLetter(const Text& text) {
  std::string result = ToUpperCase(TextLeft(text, 1)).str();
  result += TextMid(text, 2, TextLength(text)).view();
  return Text(std::move(result));
}

Text NormaliseHeaderBlock(const Text& block) {
  std::string result;
  result.reserve(block.size() + kLineBreak.size());
  for (const Text& line : SplitText(block, kLineBreak)) {
    const int colon = FindText(line, ":");
    if (colon == -1) continue;
    const Text name = CapitaliseHeaderName(TextMid(line, 1, colon - 1));
    result += name.view();
    result += TextRight(line, TextLength(line) - TextLength(name)).view();
    result += kLineBreak.view();
  }
  if (result.size() >= kLineBreak.size()) result.resize(result.size() - kLineBreak.size());
  return Text(std::move(result));
}

Text HeaderValue(const Text& block, const Text& name) {
  const std::string marker = name.str() + ": ";
  for (const Text& line : SplitText(block, kLineBreak)) {
    if (TextLeft(line, TextLength(name)) == name) return TextRightOf(line, marker);
  }
  return {};
}

Text BuildRequestHeaderBlock(const Text& extra_headers, int method, const Text& send_cookies,
                             bool add_default_headers, bool normalise_headers) {
  std::string block = extra_headers.str();
  if (!block.empty()) block += kLineBreak.view();
  if (add_default_headers) {
    for (const DefaultHeader& header : kDefaultHeaders) {
      if (header.only_for_post && method != kMethodPost) continue;
      if (FindText(Text(block), header.probe, 1, true) == -1) block += header.line;
    }
  }
  Text result(std::move(block));
  if (normalise_headers) result = NormaliseHeaderBlock(result);
  if (FindText(result, "Connection", 1, false) != -1 &&
      HeaderValue(result, "Connection") == Text("keep-alive")) {
    result = WithoutKeepAlive(result);
  }
  if (!send_cookies.empty() && FindText(result, "Cookie:", 1, true) == -1) {
    // The leading line break ends the block's last line; an empty block has none to end, and
    // the platform refuses a block that begins with an empty line.
    std::string with_cookies = result.str();
    if (!with_cookies.empty()) with_cookies += kLineBreak.view();
    if (FindText(send_cookies, "Cookie:", 1, true) == -1) with_cookies += "Cookie: ";
    with_cookies += send_cookies.view();
    with_cookies += kLineBreak.view();
    result = Text(std::move(with_cookies));
  }
  return result;
}

}  // namespace chronalt
