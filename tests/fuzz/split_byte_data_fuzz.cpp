// SplitByteData on arbitrary bytes, separators and limits. Input: a separator choice, a limit
// choice, the separator's bytes when it comes from the input, then the data (zero bytes
// included).
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

using fuzzing::kColumnJoint;
using fuzzing::kRowHeader;

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
      given_separator = "";
      break;
    case 2:
      given_separator = kRowHeader;
      break;
    case 3:
      given_separator = kColumnJoint;
      break;
    default:  // taken from the input, 1 to 8 bytes
      given_separator = input.Bytes(1 + separator_choice / 8 % 8);
      break;
  }
  std::optional<int32_t> limit;
  if (limit_choice >= 0x80) limit = static_cast<int32_t>(limit_choice & 0x7F) - 3;
  std::string bytes = input.Rest();

  OwnedByteData whole = fuzzing::AsByteData(bytes);
  OwnedByteData separator_data;
  std::optional<const ByteDataBlock*> separator_argument;
  if (given_separator) {
    separator_data = fuzzing::AsByteData(*given_separator);
    separator_argument = separator_data.get();
  }
  OwnedArray result(SplitByteData(whole.get(), separator_argument, limit));
  std::vector<std::string> members = fuzzing::ByteDataMembers(result.get());

  const std::string separator = given_separator.value_or(std::string(1, '\0'));
  fuzzing::SplitOutcome split{"data", bytes,  separator, given_separator.has_value(),
                              limit,  members};
  if (!fuzzing::CheckSplitJoinsBack(split)) return 0;
  for (const std::string& member : members) {
    VX_FUZZ_CHECK(member.find(separator) == std::string::npos,
                  split.Report() + "\nuncut member " + Hex(member));
  }
  VX_FUZZ_CHECK(
      members == testing::WalkSplit(bytes, separator, split.Most(), testing::SplitUnits::kBytes),
      split.Report());
  return 0;
}
