// SplitText on arbitrary texts, separators and limits. Input: a separator choice, a limit
// choice, the separator's bytes when it comes from the input, then the text (up to its first
// zero byte, as a text ends).
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

}  // namespace
}  // namespace vx

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vx::fuzzing::StartRuntime();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vx;
  fuzzing::InputReader input(data, size);
  uint8_t separator_choice = input.Byte();
  uint8_t limit_choice = input.Byte();

  std::optional<std::string> given_separator;
  switch (separator_choice % 6) {
    case 0:  // omitted
      break;
    case 1:
      given_separator = ",";
      break;
    case 2:
      given_separator = "----";
      break;
    case 3:
      given_separator = "";
      break;
    default:  // taken from the input, 1 to 4 bytes; a zero byte ends it
      given_separator = input.Bytes(1 + separator_choice / 8 % 4).c_str();
      break;
  }
  std::optional<int32_t> limit;
  if (limit_choice >= 0x80) limit = static_cast<int32_t>(limit_choice & 0x7F) - 3;
  std::string text = input.Rest().c_str();

  OwnedArray result(given_separator ? SplitText(text.c_str(), given_separator->c_str(), limit)
                                    : SplitText(text.c_str(), std::nullopt, limit));
  std::vector<std::string> members = fuzzing::TextMembers(result.get());

  const std::string separator = given_separator.value_or(",");
  fuzzing::SplitOutcome split{"text", text, separator, given_separator.has_value(), limit, members};
  if (!fuzzing::CheckSplitJoinsBack(split)) return 0;
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
