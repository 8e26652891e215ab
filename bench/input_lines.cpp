#include "bench/input_lines.h"

#include <cstdio>
#include <random>
#include <vector>

namespace vx::bench {

namespace {

// Two-byte GBK characters (the sources are compiled to GBK): surnames, then other characters
// for given names, words and notes.
constexpr char kSurnames[] = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹";
constexpr char kCharacters[] =
    "伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超兰霞平刚桂华建国志红文亮海燕玉春梅"
    "北京上海广州深圳成都杭州武汉南西安市区路号楼室公司客户会员备注已付未发货";
constexpr int kSurnameCount = (sizeof kSurnames - 1) / 2;
constexpr int kCharacterCount = (sizeof kCharacters - 1) / 2;

class LineMaker {
 public:
  explicit LineMaker(uint64_t seed) : random_(seed) {}

  uint64_t Below(uint64_t bound) { return random_() % bound; }

  void Phone(std::string* line) {
    char digits[16];
    int length =
        std::snprintf(digits, sizeof digits, "%llu",
                      static_cast<unsigned long long>(13000000000ULL + Below(7000000000ULL)));
    line->append(digits, static_cast<size_t>(length));
  }

  void Chinese(std::string* line, int count) {
    for (int i = 0; i < count; ++i) line->append(kCharacters + 2 * Below(kCharacterCount), 2);
  }

  void Name(std::string* line) {
    line->append(kSurnames + 2 * Below(kSurnameCount), 2);
    Chinese(line, 1 + static_cast<int>(Below(2)));
  }

  void Number(std::string* line, uint64_t bound) {
    char digits[24];
    int length =
        std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(Below(bound)));
    line->append(digits, static_cast<size_t>(length));
  }

  // One line of a mixed list, without its CR LF.
  void MixedLine(std::string* line) {
    uint64_t kind = Below(100);
    if (kind < 4) return;  // an empty line
    if (kind < 38) {
      Phone(line);
    } else if (kind < 58) {
      Name(line);
    } else if (kind < 68) {
      line->append("user");
      Number(line, 10000000);
      line->append("----");
      line->append("pw");
      Number(line, 1000000000);
    } else if (kind < 78) {
      Name(line);
      line->append("----");
      Phone(line);
      line->append("----");
      Chinese(line, 4 + static_cast<int>(Below(9)));
    } else if (kind < 86) {
      line->append("ID");
      Number(line, 1000000000000ULL);
    } else if (kind < 92) {
      line->append("mail");
      Number(line, 100000000);
      line->append("@example.com");
    } else {
      Chinese(line, 4 + static_cast<int>(Below(9)));
    }
  }

 private:
  std::mt19937_64 random_;
};

}  // namespace

std::string PhoneLines(int64_t lines) {
  std::mt19937_64 random(20240611);
  std::string bytes;
  bytes.reserve(static_cast<size_t>(lines) * 13);
  std::vector<uint64_t> numbers;
  numbers.reserve(static_cast<size_t>(lines));
  char text[24];
  for (int64_t i = 0; i < lines; ++i) {
    uint64_t number;
    if (i > 0 && random() % 10 == 0) {
      number = numbers[random() % numbers.size()];
    } else {
      number = 13000000000ULL + random() % 7000000000ULL;
    }
    numbers.push_back(number);
    int length =
        std::snprintf(text, sizeof text, "%llu\r\n", static_cast<unsigned long long>(number));
    bytes.append(text, static_cast<size_t>(length));
  }
  return bytes;
}

std::string MixedLines(int64_t lines) {
  LineMaker maker(20240612);
  std::string bytes;
  bytes.reserve(static_cast<size_t>(lines) * 20);
  // Where each line starts in `bytes` and its length, for the repeats.
  std::vector<std::pair<size_t, size_t>> made;
  made.reserve(static_cast<size_t>(lines));
  std::string line;
  for (int64_t i = 0; i < lines; ++i) {
    line.clear();
    if (i > 0 && maker.Below(5) == 0) {
      const auto& earlier = made[maker.Below(made.size())];
      line.assign(bytes, earlier.first, earlier.second);
    } else {
      maker.MixedLine(&line);
    }
    made.emplace_back(bytes.size(), line.size());
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

}  // namespace vx::bench
