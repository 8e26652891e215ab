#include "runtime/texts.h"

#include "runtime/splitting.h"

namespace vx {

ValueArray SplitText(const char* text, std::optional<const char*> separator,
                     std::optional<int32_t> limit) {
  if (limit && *limit <= 0) return AllocateArray(0);
  return SplitIntoTexts(reinterpret_cast<const unsigned char*>(text),
                        static_cast<size_t>(TextLength(text)), separator.value_or(","),
                        limit.value_or(0), MatchAt::kCharacterStart);
}

}  // namespace vx
