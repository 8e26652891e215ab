// The list's four columns, counted from 0, and what each holds.
#pragma once

#include <cstdint>

namespace vx {

inline constexpr int32_t kNumberColumn = 0;       // "序号": the row's number
inline constexpr int32_t kTextColumn = 1;         // "文本": the text imported
inline constexpr int32_t kDigestColumn = 2;       // "32位MD5": the text's MD5 in 32 digits
inline constexpr int32_t kShortDigestColumn = 3;  // "16位MD5": digits 9 to 24 of it
inline constexpr int32_t kColumnCount = 4;

}  // namespace vx
