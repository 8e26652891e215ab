#include "runtime/hex_digits.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace vx {
namespace {

// Every byte value in every place of a group of four spells as printf's "%02x" does, and reads
// back.
TEST(HexDigits, SpellsAndReadsEveryByteValueInEveryPlace) {
  for (int place = 0; place < 4; ++place) {
    for (int value = 0; value < 256; ++value) {
      unsigned char bytes[8] = {0x01, 0xfe, 0x5a, 0xa5, 0x00, 0xff, 0x10, 0x9f};
      bytes[place] = static_cast<unsigned char>(value);
      bytes[7 - place] = static_cast<unsigned char>(255 - value);
      char digits[16];
      SpellHexDigits(bytes, 8, digits);
      std::string expected;
      for (unsigned char byte : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        expected += pair;
      }
      ASSERT_EQ(std::string(digits, 16), expected) << place << " " << value;
      ASSERT_TRUE(AreHexDigits(digits, 16));
      unsigned char back[8];
      ReadHexDigits(digits, 8, back);
      for (int i = 0; i < 8; ++i) ASSERT_EQ(back[i], bytes[i]) << place << " " << value;
    }
  }
}

// Only '0' to '9' and 'a' to 'f' count as digits, in any of the eight places of a word: the
// neighbours of the ranges, capitals and bytes with the high bit (GBK) do not.
TEST(HexDigits, AnyOtherByteInAnyPlaceIsNoDigit) {
  for (int place = 0; place < 16; ++place) {
    for (int value = 0; value < 256; ++value) {
      char digits[17] = "0123456789abcdef";
      digits[place] = static_cast<char>(value);
      bool digit = (value >= '0' && value <= '9') || (value >= 'a' && value <= 'f');
      ASSERT_EQ(AreHexDigits(digits, 16), digit) << place << " " << value;
    }
  }
}

}  // namespace
}  // namespace vx
