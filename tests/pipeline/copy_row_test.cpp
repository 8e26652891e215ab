// Copying the selected row: the export's form when both digests are there, else the text alone.
#include "pipeline/copy_row.h"

#include "tests/pipeline/pipeline_fixture.h"

namespace vx {
namespace {

using testing::PipelineTest;

TEST_F(PipelineTest, CopyGivesTheRowInTheExportsFormOnlyWithBothDigests) {
  Import("13800138000\r\n张三----备注\r\n\r\n");
  CopySelectedRow();  // nothing selected
  EXPECT_TRUE(headless::ClipboardTexts().empty());

  headless::SelectRow(1);
  CopySelectedRow();
  RunPass();
  CopySelectedRow();
  headless::SelectRow(2);  // an empty line's row: the digest of no bytes
  CopySelectedRow();
  // A 32-digit digest without its 16-digit part (a half-written row) is no export line.
  ASSERT_TRUE(SetCellText(超级列表框1, 0, 3, ""));
  headless::SelectRow(0);
  CopySelectedRow();

  std::string digest = testing::ReferenceMd5("张三");
  std::vector<std::string> expected = {
      "张三\r\n", "张三----" + digest + "----" + digest.substr(8, 16) + "\r\n",
      "----d41d8cd98f00b204e9800998ecf8427e----8f00b204e9800998\r\n", "13800138000\r\n"};
  EXPECT_EQ(headless::ClipboardTexts(), expected);
}

}  // namespace
}  // namespace vx
