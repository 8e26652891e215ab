// Clearing: the rows and the stored image both go, and only the title and next_row change.
#include "pipeline/clear_list.h"

#include "tests/pipeline/pipeline_fixture.h"

namespace vx {
namespace {

using testing::PipelineTest;

TEST_F(PipelineTest, ClearingEmptiesTheRowsAndTheImage) {
  Import("a\r\nb\r\n");
  RunPass();
  next_row = 5;
  size_t requests = headless::Requests().size();
  size_t menu = headless::MenuVisibilityChanges().size();
  Choose(kClearListEntry);

  std::vector<std::string> all = headless::Requests();
  EXPECT_EQ(
      std::vector<std::string>(all.begin() + requests, all.end()),
      (std::vector<std::string>{"popup 9", std::string("title ") + kTitleClearing,
                                "rows replaced 0", "visible 3 0", "forbid 3", "rows replaced 0",
                                "visible 3 1", "allow", std::string("title ") + kTitle}));
  EXPECT_EQ(GetRowCount(超级列表框1), 0);
  EXPECT_EQ(Image(), "");
  EXPECT_EQ(next_row.load(), 0);
  EXPECT_EQ(CompareText(run_state.load(), kRunStateStopped), 0);
  EXPECT_EQ(headless::MenuVisibilityChanges().size(), menu);

  Choose(kClearListEntry);  // an empty list: the same two titles
  std::vector<std::string> titles = Titles();
  EXPECT_EQ(std::vector<std::string>(titles.end() - 4, titles.end()),
            (std::vector<std::string>{kTitleClearing, kTitle, kTitleClearing, kTitle}));
}

}  // namespace
}  // namespace vx
