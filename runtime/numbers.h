// Number commands.
#pragma once

namespace vx {

// `x` when it is 0 or above, else -x.
inline double AbsoluteValue(double x) {
  return x >= 0 ? x : -x;
}

}  // namespace vx
