// Export: the file's exact bytes, the proposed name, the messages, and what a failed write
// leaves at the chosen path.
#include "pipeline/export.h"

#include <algorithm>
#include <filesystem>
#include <regex>

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

  void ExportTo(const std::string& path) {
    headless::ConfirmNextFileDialog(path);
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
    EXPECT_EQ(ShownBoxes()[0].text, kExportFailed + path);
    EXPECT_EQ(ShownBoxes()[0].caption, kMessageCaption);
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
    EXPECT_EQ(box.text, kNothingToExport);
    EXPECT_EQ(box.caption, kMessageCaption);
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

}  // namespace
}  // namespace vx
