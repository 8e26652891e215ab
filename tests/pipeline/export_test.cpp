// Export: the file's exact bytes, the proposed name, the messages, and what a failed write
// leaves at the chosen path.
#include "pipeline/export.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "runtime/heap.h"
#include "runtime/runtime.h"
#include "runtime/sha256.h"
#include "tests/pipeline/pipeline_fixture.h"

namespace vx {
namespace {

using namespace std::string_literals;
using testing::ClearShownBoxes;
using testing::CountTitle;
using testing::PipelineTest;
using testing::ReadWholeFile;
using testing::ReferenceMd5;
using testing::ShownBoxes;
using testing::WriteWholeFile;

class ExportTest : public PipelineTest {
 protected:
  // The line that a row of `text` gets, as the reference MD5 digests it.
  static std::string LineOf(const std::string& text) {
    std::string digest = ReferenceMd5(text);
    return text + "----" + digest + "----" + digest.substr(8, 16) + "\r\n";
  }

  // Exports with the file type `filter` (from 1) chosen in the dialog; 0 keeps the one shown.
  void ExportTo(const std::string& path, int32_t filter = 0) {
    headless::ConfirmNextFileDialog(path, filter);
    Choose(kExportEntry);
  }

  std::vector<std::string> FilesIn(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  void ExpectFailureFor(const std::string& path, size_t titles) {
    ASSERT_EQ(ShownBoxes().size(), 1u);
    EXPECT_EQ(ShownBoxes()[0].text, "导出失败！文件无法写入：" + path);
    EXPECT_EQ(ShownBoxes()[0].caption, "温馨提示");
    EXPECT_EQ(ShownBoxes()[0].style, 16u | kMbTaskModal);
    EXPECT_EQ(Titles().size(), titles);
  }
};

TEST_F(ExportTest, NothingToExportBeforeAPass) {
  Choose(kExportEntry);
  Import("a\r\nb\r\n");
  Choose(kExportEntry);
  ASSERT_EQ(ShownBoxes().size(), 2u);
  for (const testing::ShownBox& box : ShownBoxes()) {
    EXPECT_EQ(box.text, "暂无可导出数据！");
    EXPECT_EQ(box.caption, "温馨提示");
    EXPECT_EQ(box.style, 48u | kMbTaskModal);
  }
  ASSERT_EQ(headless::FileDialogs().size(), 1u);  // the import's, no save dialog
  EXPECT_FALSE(headless::FileDialogs()[0].save);
}

TEST_F(ExportTest, WritesOneLinePerRowWithTheBytesAsHeld) {
  Import("a\r\nb\r\nc\r\n中文\r\n\r\n");
  RunPass();
  std::string target = directory + "/results.txt";
  WriteWholeFile(target, std::string(4096, 'o'));  // replaced, not written over
  ExportTo(target);

  EXPECT_EQ(ReadWholeFile(target),
            LineOf("a") + LineOf("b") + LineOf("c") + LineOf("中文") + LineOf(""));
  EXPECT_EQ(FilesIn(directory), (std::vector<std::string>{"input.txt", "results.txt"}))
      << "the temporary file is gone";
  ASSERT_EQ(ShownBoxes().size(), 1u);
  EXPECT_TRUE(std::regex_match(
      ShownBoxes()[0].text, std::regex(kExportSucceededBefore + "[0-9]+"s + kExportSucceededAfter)))
      << ShownBoxes()[0].text;
  EXPECT_EQ(ShownBoxes()[0].style, 64u | kMbTaskModal);
  EXPECT_EQ(Titles().back(), CountTitle(kTitleExportedBefore, 5, kTitleExportedAfter));

  // The save dialog proposed the date-time text and the fixed name.
  FileDialogRequest dialog = headless::FileDialogs().back();
  EXPECT_TRUE(dialog.save);
  std::smatch parts;
  ASSERT_TRUE(std::regex_match(
      dialog.file_name, parts,
      std::regex("(\\d{4})年(\\d{1,2})月(\\d{1,2})日(.*)"s + kExportFileNameSuffix)))
      << dialog.file_name;
  EXPECT_TRUE(std::regex_match(parts[4].str(), std::regex("(\\d+时(\\d+分(\\d+秒)?)?)?")));
}

TEST_F(ExportTest, RowsWithoutDigestsAreWrittenWithEmptyFields) {
  Import("a\r\nb\r\n");
  RunPass();
  SetCellText(超级列表框1, 1, 2, "");
  SetCellText(超级列表框1, 1, 3, "");
  std::string target = directory + "/out.txt";
  ExportTo(target);
  EXPECT_EQ(ReadWholeFile(target), LineOf("a") + "b--------\r\n");
}

// The dialog's four file types, each file byte for byte, for GBK texts, an empty text and a row
// whose digests are empty; the dialog opens on the type chosen last. The SHA-256 digests were
// made by Python's hashlib.
TEST_F(ExportTest, EachFileTypeWritesItsLinesAndTheDialogOpensOnTheTypeChosenLast) {
  Import("13800138000\r\n张三----备注\r\n----\r\nabc\r\n");
  RunPass();
  SetCellText(超级列表框1, 3, 2, "");
  SetCellText(超级列表框1, 3, 3, "");
  const std::string texts[] = {"13800138000", "张三", "", "abc"};
  const std::string sha256[] = {"a6942f9771d67f34034d2f1926988ed3fad3bf1b4e7cedb9a31f31398dea43bc",
                                "c2bd20923948e131ec091b826d419e915f283345107b3a12bfe23a7aee49ddde",
                                "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
                                "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"};
  std::string expected[4];
  for (int row = 0; row < 4; ++row) {
    std::string digest = row < 3 ? ReferenceMd5(texts[row]) : "";
    std::string short_digest = row < 3 ? digest.substr(8, 16) : "";
    expected[0] += texts[row] + "----" + digest + "----" + short_digest + "\r\n";
    expected[1] += digest + "\r\n";
    expected[2] += short_digest + "\r\n";
    expected[3] += sha256[row] + "\r\n";
  }

  int32_t shown_first = 1;  // the first time in a run: the text and both digests
  for (int32_t type : {2, 4, 1, 3, 3}) {
    std::string target = directory + "/type" + std::to_string(type) + ".txt";
    ExportTo(target, type);
    EXPECT_EQ(headless::FileDialogs().back().filter_index, shown_first) << type;
    EXPECT_EQ(ReadWholeFile(target), expected[type - 1]) << type;
    shown_first = type;
  }
  ExportTo(directory + "/again.txt");  // the type shown, as it is
  EXPECT_EQ(ReadWholeFile(directory + "/again.txt"), expected[2]);
  EXPECT_EQ(headless::FileDialogs().back().filter,
            "文本文件(*.txt)"s + '\0' + "*.txt" + '\0' + "仅32位MD5，每行一个(*.txt)" + '\0' +
                "*.txt" + '\0' + "仅16位MD5，每行一个(*.txt)" + '\0' + "*.txt" + '\0' +
                "仅SHA-256，每行一个(*.txt)" + '\0' + "*.txt" + '\0' + '\0');
  EXPECT_EQ(headless::FileDialogs()[0].filter, "文本文件(*.txt)"s + '\0' + "*.txt" + '\0' + '\0')
      << "the import's";
}

// The SHA-256 lines of a list whose texts are digested a block at a time, many blocks and a short
// last one: each line is its own row's digest, in row order.
TEST_F(ExportTest, Sha256LinesFollowTheirRowsAcrossManyBlocks) {
  constexpr int32_t kRows = 2 * 65536 + 4096 + 7;
  std::string file;
  for (int32_t row = 0; row < kRows; ++row) file += "r" + std::to_string(row) + "\r\n";
  Import(file);
  RunPass();
  std::string target = directory + "/sha256.txt";
  ExportTo(target, 4);
  std::string expected;
  for (int32_t row = 0; row < kRows; ++row) {
    std::string text = "r" + std::to_string(row);
    unsigned char digest[32];
    Sha256Digest(text.data(), text.size(), digest);
    char hex[65];
    for (int i = 0; i < 32; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    expected += std::string(hex, 64) + "\r\n";
  }
  std::string written = ReadWholeFile(target);
  EXPECT_EQ(written.size(), expected.size());
  EXPECT_TRUE(written == expected);
}

TEST_F(ExportTest, CancellingTheDialogWritesNothing) {
  Import("a\r\n");
  RunPass();
  size_t titles = Titles().size();
  headless::CancelNextFileDialog();
  Choose(kExportEntry);
  EXPECT_EQ(FilesIn(directory), std::vector<std::string>{"input.txt"});
  EXPECT_TRUE(ShownBoxes().empty());
  EXPECT_EQ(Titles().size(), titles);
}

// A path that cannot be written is reported, the title stays, and nothing is left behind.
TEST_F(ExportTest, APathThatCannotBeWrittenIsReported) {
  Import("a\r\n");
  RunPass();
  size_t titles = Titles().size();
  for (const std::string& path : {directory + "/missing/out.txt", directory}) {
    ClearShownBoxes();
    ExportTo(path);
    ExpectFailureFor(path, titles);
  }
  EXPECT_EQ(FilesIn(directory), std::vector<std::string>{"input.txt"});
}

// The disk fills up while the lines are written: the file at the path keeps its old content.
TEST_F(ExportTest, AFailedWriteKeepsTheOldFile) {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += std::to_string(i) + "\r\n";  // more than a block
  Import(bytes);
  RunPass();
  std::string target = directory + "/kept.txt";
  WriteWholeFile(target, "the old export");
  size_t titles = Titles().size();
  for (int64_t room : {int64_t{0}, int64_t{100}, int64_t{9} << 20}) {
    ClearShownBoxes();
    SimulateFullDiskAfter(room);
    ExportTo(target);
    SimulateFullDiskAfter(-1);
    ExpectFailureFor(target, titles);
    EXPECT_EQ(ReadWholeFile(target), "the old export") << room;
    EXPECT_EQ(FilesIn(directory).size(), 2u) << "only the input and the old file";
  }
}

// Bytes that are no text: every byte value, lone CR and LF, and lead bytes of two-byte
// characters cut off by the end of a line or of the file. Each row's digest is that of the
// bytes imported, and the export writes those bytes back unchanged.
TEST_F(ExportTest, BytesOfEveryValueComeBackAsImported) {
  std::string file;
  std::vector<std::string> texts;
  std::string all_values;  // 0xFF down to 0x00: one line, ended as a text by its zero byte
  for (int value = 255; value >= 0; --value) all_values += static_cast<char>(value);
  file += all_values + "\r\n";
  texts.push_back(all_values.substr(0, 255));
  for (int value = 0; value < 256; ++value) {
    std::string line = "x"s + static_cast<char>(value) + "y";
    file += line + "\r\n";
    texts.push_back(value == 0 ? "x" : line);
  }
  for (int value = 0x80; value < 256; ++value) {
    std::string line = "z"s + static_cast<char>(value);
    file += line + "\r\n";
    texts.push_back(line);
  }
  file += "\r\r\n\n\r\n\r";  // a lone CR, a lone LF, then a lone CR that ends the file
  texts.insert(texts.end(), {"\r", "\n", "\r"});
  file += "\r\nend\x81";
  texts.push_back("end\x81");

  Import(file);
  ASSERT_EQ(Column(1), texts);
  RunPass();
  std::string expected;
  for (const std::string& text : texts) expected += LineOf(text);
  std::string target = directory + "/binary.txt";
  ExportTo(target);
  EXPECT_EQ(testing::HexOf(ReadWholeFile(target)), testing::HexOf(expected));
}

// One line of 100 MiB: one row, its digest (a known answer from two other MD5 programs), and
// the line written back whole.
TEST_F(ExportTest, ALineOf100MegabytesComesBackWhole) {
  std::string line;
  line.reserve(size_t{100} << 20);
  while (line.size() < (size_t{100} << 20)) line += "0123456789abcdef";
  Import(line + "\r\n");
  ASSERT_EQ(GetRowCount(超级列表框1), 1);
  RunPass();
  EXPECT_EQ(Cell(0, 2), "b02c45b26a4675a20501a8e62fd18492");
  std::string target = directory + "/long.txt";
  ExportTo(target);
  std::string written = ReadWholeFile(target);
  line += "----b02c45b26a4675a20501a8e62fd18492----6a4675a20501a8e6\r\n";
  EXPECT_EQ(written.size(), line.size());
  EXPECT_TRUE(written == line);
}

// A million empty lines: a million rows, each with the digest of empty input, a million lines in
// the export, and none left after duplicate removal.
TEST_F(ExportTest, AMillionEmptyLinesAreAMillionRowsAndLines) {
  constexpr int32_t kLines = 1000000;
  std::string file;
  for (int32_t i = 0; i < kLines; ++i) file += "\r\n";
  Import(file);
  ASSERT_EQ(GetRowCount(超级列表框1), kLines);
  EXPECT_EQ(Cell(kLines - 1, 0), "1000000");
  RunPass();
  std::string target = directory + "/empty-lines.txt";
  ExportTo(target);
  std::string expected;
  std::string line = LineOf("");
  expected.reserve(line.size() * kLines);
  for (int32_t i = 0; i < kLines; ++i) expected += line;
  std::string written = ReadWholeFile(target);
  EXPECT_EQ(written.size(), expected.size());
  EXPECT_TRUE(written == expected);

  Choose(kRemoveDuplicatesEntry);
  EXPECT_EQ(GetRowCount(超级列表框1), 0);
  EXPECT_EQ(Titles().back(), CountTitle(kTitleRemainingBefore, 0, kTitleRemainingAfter));
}

// A path of exactly `length` bytes: `base`, directories of at most 100 bytes made under it, and
// `name`.
std::string PathOfLength(const std::string& base, size_t length, const std::string& name) {
  size_t rest = length - base.size() - 1 - name.size();  // each directory's "/" and its name
  size_t directories = (rest + 100) / 101;
  size_t letters = rest - directories;
  std::string path = base;
  for (size_t i = 0; i < directories; ++i) {
    path += "/" + std::string(letters / directories + (i < letters % directories ? 1 : 0), 'd');
    std::error_code ignored;
    std::filesystem::create_directory(path, ignored);
  }
  return path + "/" + name;
}

// MAX_PATH (260 bytes with the terminator) bounds the paths of Windows' ANSI file functions: a
// path of 259 bytes is written, one of 300 is refused and reported (Wine refuses files above 260
// bytes, and renames to longer paths). The lines go to a file beside the chosen one first, whose
// name takes 24 bytes: a shorter chosen name leaves it too little room near the limit. Whatever
// happens, the chosen path holds the whole export and the success is shown, or the message names
// the path and no file is left. The POSIX twin knows no limit below PATH_MAX (4096 bytes) and
// writes them all.
TEST_F(ExportTest, PathsAtTheLengthLimitAreWrittenWholeOrReported) {
  enum Outcome { kWritten, kRefused, kEither };
  struct Case {
    size_t length;
    std::string name;
    Outcome on_windows;
  };
  std::string long_name = std::string(40, 'n') + ".txt";
  std::string short_name = "results.txt";
  Import("a\r\n");
  RunPass();
  for (const Case& test : {Case{259, long_name, kWritten}, Case{259, short_name, kEither},
                           Case{260, long_name, kEither}, Case{300, long_name, kRefused}}) {
    std::string path = PathOfLength(testing::TemporaryDirectory(), test.length, test.name);
    ASSERT_EQ(path.size(), test.length);
    std::string folder = path.substr(0, path.size() - test.name.size() - 1);
#ifdef _WIN32
    Outcome expected = test.on_windows;
    bool listable = folder.size() < 248;  // the longest directory path Windows makes
#else
    Outcome expected = kWritten;
    bool listable = true;
#endif
    if (listable) {
      ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    }
    size_t titles = Titles().size();
    ClearShownBoxes();
    ExportTo(path);
    ASSERT_EQ(ShownBoxes().size(), 1u);
    bool written = ShownBoxes()[0].style == (64u | kMbTaskModal);
    if (expected != kEither) {
      EXPECT_EQ(written, expected == kWritten) << test.length << " " << test.name;
    }
    if (written) {
      EXPECT_EQ(ReadWholeFile(path), LineOf("a")) << test.length << " " << test.name;
    } else {
      ExpectFailureFor(path, titles);
    }
    if (listable) {
      EXPECT_EQ(FilesIn(folder),
                written ? std::vector<std::string>{test.name} : std::vector<std::string>{})
          << test.length << " " << test.name;
    }
  }
}

// GBK names reach the file system as chosen, also where a character's second byte is a
// backslash (淺 is 9C 5C): the export goes beside the chosen file, not into a directory named by
// the character's first byte. A path that cannot be written is named in the message unchanged.
TEST_F(ExportTest, GbkPathsAreWrittenAndReportedAsChosen) {
  std::string input = WriteInput("中文\r\n淺\r\n", "输入文本.txt");
  headless::ConfirmNextFileDialog(input);
  Choose(kImportEntry);
  ASSERT_EQ(Column(1), (std::vector<std::string>{"中文", "淺"}));
  RunPass();
  std::string target = directory + "/淺表结果.txt";
  ExportTo(target);
  EXPECT_EQ(ReadWholeFile(target), LineOf("中文") + LineOf("淺"));
  EXPECT_EQ(FilesIn(directory).size(), 2u);

  size_t titles = Titles().size();
  std::string missing = directory + "/没有的目录/结果.txt";
  ClearShownBoxes();
  ExportTo(missing);
  ExpectFailureFor(missing, titles);
}

using ExportDeathTest = ExportTest;

// Memory runs out for the export's block of lines: the runtime's report, not an exception.
TEST_F(ExportDeathTest, MemoryThatRunsOutDuringTheExportIsAFatalError) {
  Import("a\r\nb\r\n");
  RunPass();
  std::string target = directory + "/out.txt";
  testing::ExpectLargeAllocationFailureToBeFatal([&] { ExportTo(target); });
}

#ifndef _WIN32

// A write that the system refuses, as on a full disk: under a file-size limit (with SIGXFSZ
// ignored, write fails with EFBIG) nothing fits, or the first 100 kB of the 1.3 MB do. In a
// child process, whose limit goes with it.
TEST_F(ExportDeathTest, AWriteRefusedBySystemKeepsTheOldFile) {
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += std::to_string(i) + "\r\n";
  Import(bytes);
  RunPass();
  std::string target = directory + "/kept.txt";
  WriteWholeFile(target, "the old export");
  EXPECT_EXIT(
      {
        signal(SIGXFSZ, SIG_IGN);
        std::string seen;
        for (rlim_t limit : {rlim_t{0}, rlim_t{100000}}) {
          rlimit file_size;
          getrlimit(RLIMIT_FSIZE, &file_size);
          rlim_t unlimited = file_size.rlim_cur;
          file_size.rlim_cur = limit;
          setrlimit(RLIMIT_FSIZE, &file_size);
          ClearShownBoxes();
          ExportTo(target);
          file_size.rlim_cur = unlimited;
          setrlimit(RLIMIT_FSIZE, &file_size);
          std::vector<testing::ShownBox> boxes = ShownBoxes();
          bool reported = boxes.size() == 1 && boxes[0].text == "导出失败！文件无法写入：" + target;
          seen += "[" + std::string(reported ? "reported" : "not reported") + ", " +
                  (ReadWholeFile(target) == "the old export" ? "kept" : "changed") + ", " +
                  std::to_string(FilesIn(directory).size()) + " files]";
        }
        testing::RemoveTemporaryDirectories();
        std::fputs(seen.c_str(), stderr);
        std::fflush(stderr);
        _exit(0);
      },
      ::testing::ExitedWithCode(0), "\\[reported, kept, 2 files\\]\\[reported, kept, 2 files\\]$");
}
#endif

}  // namespace
}  // namespace vx
