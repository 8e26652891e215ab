// SplitText on arbitrary texts, separators and limits. Input: a separator choice (omitted, ",",
// "----", "" or taken from the input) and the separator's bytes when it comes from the input, a
// limit, then the text (up to its first zero byte, as a text ends).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/texts.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/runtime/split_model.h"

namespace vx {
namespace {

using fuzzing::Hex;

bool IsLeadByte(char byte) {
  return static_cast<unsigned char>(byte) >= 0x80;
}

// The first place in `piece` where `separator` begins at the start of a character; npos if
// none. The piece itself begins at a character start.
size_t SeparatorAtCharacterStart(const std::string& piece, const std::string& separator) {
  for (size_t at = 0; at < piece.size(); at += IsLeadByte(piece[at]) ? 2 : 1) {
    if (piece.compare(at, separator.size(), separator) == 0) return at;
  }
  return std::string::npos;
}

// A split's outcome: `text` cut at `separator` (given, or "," for an omitted one) with `limit`
// (omitted, or a count of which 0 and below give nothing) into `members`.
struct SplitOutcome {
  const std::string& text;
  const std::string& separator;
  bool separator_given;
  std::optional<int32_t> limit;
  const std::vector<std::string>& members;

  // The most members the limit allows, or -1 for no limit.
  int32_t Most() const { return limit ? (*limit < 0 ? 0 : *limit) : -1; }

  std::string Report() const {
    std::string report = "text " + Hex(text) + "\nseparator " + Hex(separator) +
                         (separator_given ? "" : " (omitted)") + "\nlimit " +
                         (limit ? std::to_string(*limit) : "omitted") + "\nmembers:";
    for (const std::string& member : members) report += "\n  " + Hex(member);
    return report;
  }
};

// The properties every split has: no members for an empty text or a limit of 0 or below, the
// whole text as one member for an empty separator, no more members than the limit, and the
// members joined with the separator give the text back, less a separator that ended it (or,
// when the limit ended the split, the text's beginning up to a separator). False when the
// outcome is settled by the first two, so that nothing more is to be checked.
bool CheckSplitJoinsBack(const SplitOutcome& split) {
  const std::string& text = split.text;
  const std::string& separator = split.separator;
  const std::vector<std::string>& members = split.members;
  int32_t most = split.Most();
  if (text.empty() || most == 0) {
    VX_FUZZ_CHECK(members.empty(), split.Report());
    return false;
  }
  if (separator.empty()) {
    VX_FUZZ_CHECK(members.size() == 1 && members[0] == text, split.Report());
    return false;
  }
  VX_FUZZ_CHECK(most < 0 || members.size() <= static_cast<size_t>(most), split.Report());
  std::string joined = fuzzing::Join(members, separator);
  bool limit_reached = most > 0 && members.size() == static_cast<size_t>(most);
  VX_FUZZ_CHECK(joined == text || joined + separator == text ||
                    (limit_reached &&
                     text.compare(0, joined.size() + separator.size(), joined + separator) == 0),
                split.Report() + "\njoined " + Hex(joined));
  return true;
}

}  // namespace
}  // namespace vx

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vx;
  fuzzing::InputReader input(data, size);
  std::optional<std::string> given_separator = input.Separator({",", "----", ""});
  std::optional<int32_t> limit = input.Count();
  std::string text = input.Rest().c_str();

  OwnedArray result(given_separator ? SplitText(text.c_str(), given_separator->c_str(), limit)
                                    : SplitText(text.c_str(), std::nullopt, limit));
  std::vector<std::string> members = fuzzing::TextMembers(result.get());

  const std::string separator = given_separator.value_or(",");
  SplitOutcome split{text, separator, given_separator.has_value(), limit, members};
  if (!CheckSplitJoinsBack(split)) return 0;
  // No member holds the separator where a character starts: it would have been cut there.
  for (const std::string& member : members) {
    VX_FUZZ_CHECK(SeparatorAtCharacterStart(member, separator) == std::string::npos,
                  split.Report() + "\nuncut member " + Hex(member));
  }
  VX_FUZZ_CHECK(members == testing::WalkSplit(text, separator, split.Most(),
                                              testing::SplitUnits::kGbkCharacters),
                split.Report());
  return 0;
}
