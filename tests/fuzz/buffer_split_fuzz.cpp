// RapidString::Split and RapidBinary::Split on arbitrary content, filled in up to three
// pieces so that the buffers grow along the way. Input: the buffer and separator choice, a
// maximum count choice, the two cut points of the content, the separator's bytes when they come
// from the input, then the content.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/rapid_binary.h"
#include "runtime/rapid_string.h"
#include "tests/fuzz/fuzz_support.h"

namespace vx {
namespace {

using fuzzing::Hex;

// The buffers' split as a plain walk: the piece before the first separator always, the piece
// after the last one only when not empty. `max_count` is above 0, or -1 for none.
std::vector<std::string> WalkSplit(const std::string& content, const std::string& separator,
                                   int32_t max_count) {
  std::vector<std::string> members;
  size_t piece = 0;
  for (;;) {
    size_t match = content.find(separator, piece);
    if (match == std::string::npos) {
      members.push_back(content.substr(piece));
      return members;
    }
    members.push_back(content.substr(piece, match - piece));
    piece = match + separator.size();
    if (static_cast<int32_t>(members.size()) == max_count || piece >= content.size()) {
      return members;
    }
  }
}

std::string UpToZero(const std::string& bytes) {
  return bytes.substr(0, bytes.find('\0'));
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
  uint8_t choice = input.Byte();
  uint8_t count_choice = input.Byte();
  size_t first_cut = input.Byte() * 64u;
  size_t second_cut = first_cut + input.Byte() * 64u;
  bool text_buffer = choice & 1;

  std::optional<std::string> given_separator;
  switch (choice / 2 % 5) {
    case 0:  // omitted
      break;
    case 1:
      given_separator = "";
      break;
    case 2:
      given_separator = "\r\n";
      break;
    default:  // taken from the input, 1 to 4 bytes
      given_separator = input.Bytes(1 + choice / 16 % 4);
      break;
  }
  // A text separator ends at its first zero byte.
  if (text_buffer && given_separator) given_separator = UpToZero(*given_separator);
  std::optional<int32_t> max_count;
  if (count_choice >= 0x80) max_count = static_cast<int32_t>(count_choice & 0x7F) - 3;

  std::string content = input.Rest();
  first_cut = std::min(first_cut, content.size());
  second_cut = std::min(second_cut, content.size());
  OwnedByteData pieces[3] = {fuzzing::AsByteData(content.substr(0, first_cut)),
                             fuzzing::AsByteData(content.substr(first_cut, second_cut - first_cut)),
                             fuzzing::AsByteData(content.substr(second_cut))};

  const std::string separator =
      given_separator.value_or(text_buffer ? std::string(",") : std::string(1, '\0'));
  std::vector<std::string> members;
  std::vector<bool> null_members;  // text members only
  std::string held;
  if (text_buffer) {
    RapidString buffer;
    VX_FUZZ_CHECK(buffer.SetText({pieces[0].get(), pieces[1].get(), pieces[2].get()}),
                  "SetText failed for " + std::to_string(content.size()) + " bytes");
    held.assign(buffer.text(), static_cast<size_t>(buffer.length()));
    VX_FUZZ_CHECK(buffer.text()[buffer.length()] == '\0', "the text is not terminated");
    OwnedArray result(given_separator ? buffer.Split(given_separator->c_str(), max_count)
                                      : buffer.Split(std::nullopt, max_count));
    members = fuzzing::TextMembers(result.get(), &null_members);
  } else {
    RapidBinary buffer;
    VX_FUZZ_CHECK(buffer.Append({pieces[0].get()}) && buffer.Append({pieces[1].get()}) &&
                      buffer.Append({pieces[2].get()}),
                  "Append failed for " + std::to_string(content.size()) + " bytes");
    OwnedByteData copy(buffer.GetBytes());
    held = fuzzing::BytesOf(copy.get());
    OwnedByteData separator_data;
    std::optional<const ByteDataBlock*> separator_argument;
    if (given_separator) {
      separator_data = fuzzing::AsByteData(*given_separator);
      separator_argument = separator_data.get();
    }
    OwnedArray result(buffer.Split(separator_argument, max_count));
    members = fuzzing::ByteDataMembers(result.get());
  }

  auto detail = [&] {
    std::string report = std::string(text_buffer ? "RapidString" : "RapidBinary") + " content " +
                         Hex(content) + "\nseparator " + Hex(separator) +
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
    VX_FUZZ_CHECK(members.size() == 1 && members[0].empty() && (!text_buffer || null_members[0]),
                  detail());
    return 0;
  }
  if (separator.empty()) {
    VX_FUZZ_CHECK(members.size() == 1 && (!text_buffer || !null_members[0]) &&
                      members[0] == (text_buffer ? UpToZero(content) : content),
                  detail());
    return 0;
  }
  int32_t most = max_count && *max_count > 0 ? *max_count : -1;
  VX_FUZZ_CHECK(most < 0 || members.size() <= static_cast<size_t>(most), detail());

  // A text member ends at its first zero byte: compare each with the walk's piece cut there.
  std::vector<std::string> expected = WalkSplit(content, separator, most);
  if (text_buffer) {
    VX_FUZZ_CHECK(null_members.size() == expected.size(), detail());
    for (size_t i = 0; i < expected.size(); ++i) {
      VX_FUZZ_CHECK(null_members[i] == expected[i].empty(),
                    detail() + "\nmember " + std::to_string(i) + " null or not wrongly");
      expected[i] = UpToZero(expected[i]);
    }
  }
  VX_FUZZ_CHECK(members == expected, detail());

  // Joined with the separator the members give the content back, less a separator that ended
  // it, unless the maximum count cut it or a zero byte ended a text member early.
  bool whole_members = !text_buffer || content.find('\0') == std::string::npos;
  bool count_reached = most > 0 && members.size() == static_cast<size_t>(most);
  if (whole_members && !count_reached) {
    std::string joined = fuzzing::Join(members, separator);
    VX_FUZZ_CHECK(joined == content || joined + separator == content,
                  detail() + "\njoined " + Hex(joined));
  }
  return 0;
}
