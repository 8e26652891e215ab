// RapidString::Split on arbitrary content, set in up to three pieces so that the buffer grows
// along the way. Input: the two cut points of the content, the separator choice (omitted, "",
// CR LF or taken from the input) and the separator's bytes when they come from the input, a
// maximum count, then the content.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/rapid_string.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/runtime/split_model.h"

namespace vx {
namespace {

using fuzzing::Hex;

std::string UpToZero(const std::string& bytes) {
  return bytes.substr(0, bytes.find('\0'));
}

}  // namespace
}  // namespace vx

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vx;
  fuzzing::InputReader input(data, size);
  size_t first_cut = input.Byte() * 64u;
  size_t second_cut = first_cut + input.Byte() * 64u;
  std::optional<std::string> given_separator = input.Separator({"", "\r\n"});
  std::optional<int32_t> max_count = input.Count();

  std::string content = input.Rest();
  first_cut = std::min(first_cut, content.size());
  second_cut = std::min(second_cut, content.size());
  OwnedByteData pieces[3] = {fuzzing::AsByteData(content.substr(0, first_cut)),
                             fuzzing::AsByteData(content.substr(first_cut, second_cut - first_cut)),
                             fuzzing::AsByteData(content.substr(second_cut))};

  const std::string separator = given_separator.value_or(",");
  RapidString buffer;
  VX_FUZZ_CHECK(buffer.SetText({pieces[0].get(), pieces[1].get(), pieces[2].get()}),
                "SetText failed for " + std::to_string(content.size()) + " bytes");
  std::string held(buffer.text(), static_cast<size_t>(buffer.length()));
  VX_FUZZ_CHECK(buffer.text()[buffer.length()] == '\0', "the text is not terminated");
  OwnedArray result(given_separator ? buffer.Split(given_separator->c_str(), max_count)
                                    : buffer.Split(std::nullopt, max_count));
  std::vector<bool> null_members;
  std::vector<std::string> members = fuzzing::TextMembers(result.get(), &null_members);

  auto detail = [&] {
    std::string report = "content " + Hex(content) + "\nseparator " + Hex(separator) +
                         (given_separator ? "" : " (omitted)") + "\nmaximum count " +
                         (max_count ? std::to_string(*max_count) : "omitted") + "\nmembers:";
    for (const std::string& member : members) report += "\n  " + Hex(member);
    return report;
  };

  VX_FUZZ_CHECK(held == content, detail() + "\nheld " + Hex(held));
  if (max_count && *max_count == 0) {
    VX_FUZZ_CHECK(members.empty(), detail());
    return 0;
  }
  if (content.empty()) {
    VX_FUZZ_CHECK(members.size() == 1 && members[0].empty() && null_members[0], detail());
    return 0;
  }
  if (separator.empty()) {
    VX_FUZZ_CHECK(members.size() == 1 && !null_members[0] && members[0] == UpToZero(content),
                  detail());
    return 0;
  }
  int32_t most = max_count && *max_count > 0 ? *max_count : -1;
  VX_FUZZ_CHECK(most < 0 || members.size() <= static_cast<size_t>(most), detail());

  // A text member ends at its first zero byte: compare each with the walk's piece cut there.
  std::vector<std::string> expected = testing::WalkBufferSplit(content, separator, most);
  VX_FUZZ_CHECK(null_members.size() == expected.size(), detail());
  for (size_t i = 0; i < expected.size(); ++i) {
    VX_FUZZ_CHECK(null_members[i] == expected[i].empty(),
                  detail() + "\nmember " + std::to_string(i) + " null or not wrongly");
    expected[i] = UpToZero(expected[i]);
  }
  VX_FUZZ_CHECK(members == expected, detail());

  // Joined with the separator the members give the content back, less a separator that ended
  // it, unless the maximum count cut it or a zero byte ended a member early.
  bool count_reached = most > 0 && members.size() == static_cast<size_t>(most);
  if (content.find('\0') == std::string::npos && !count_reached) {
    std::string joined = fuzzing::Join(members, separator);
    VX_FUZZ_CHECK(joined == content || joined + separator == content,
                  detail() + "\njoined " + Hex(joined));
  }
  return 0;
}
