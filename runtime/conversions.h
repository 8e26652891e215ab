// Turning a value of any kind into text.
#pragma once

#include "runtime/value.h"
#include "runtime/values.h"

namespace vx {

// A fresh text of `value`, null when empty: numbers as printf writes them ("%u", "%d", "%.6g",
// "%.13g" with an exponent of at least three digits), truth values as "真" or "假", date-times
// as the date-time text, a copy of a text, byte data up to its first zero byte, the bytes of a
// number array up to the first zero byte; anything else is empty.
Text ToText(const Value& value);

}  // namespace vx
