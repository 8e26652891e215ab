// Copying the selected row: the export's form when both digests are there, else the text alone.
#include "pipeline/copy_row.h"

#include <cstring>
#include <memory>

#include "pipeline/items_image.h"
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

// A file without CR LF is one row, so a row of more than 2 GiB is easy to make (here made
// straight in memory): it is copied whole, with every length 64 bits wide.
TEST_F(PipelineTest, CopyTakesARowOfMoreThan2GiBWhole) {
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "6 GB of fresh memory, which takes long to have here; the plain build checks it";
#endif
  constexpr size_t kLength = (size_t{1} << 31) + 3;
  auto* text = static_cast<char*>(AllocateBlock(kLength + 1));
  std::memset(text, 'a', kLength - 3);
  std::memcpy(text + kLength - 3, "end", 4);
  std::shared_ptr<const void> holder(
      text, [](const void* bytes) { FreeBlock(const_cast<void*>(bytes)); });
  auto* texts = static_cast<const char**>(AllocateBlock(sizeof(const char*)));
  texts[0] = text;
  InstallNumberedRows(超级列表框1,
                      std::make_shared<const NumberedRows>(holder, kLength + 1, texts, 1));
  ASSERT_EQ(GetRowCount(超级列表框1), 1);
  headless::SelectRow(0);
  CopySelectedRow();
  ASSERT_EQ(headless::LastClipboardTextLength(), kLength + 2);
  EXPECT_EQ(headless::LastClipboardTextPart(0, 4), "aaaa");
  EXPECT_EQ(headless::LastClipboardTextPart(kLength - 4, 6), "aend\r\n");
}

}  // namespace
}  // namespace vx
