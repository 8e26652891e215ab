// Duplicate removal on arbitrary items images. Input: one byte choosing the key column (0 to 2)
// and whether the rows are numbered again, then the image. The image the list holds afterwards
// must be the one that cutting the image apart gives: rows at every row header (what precedes
// the first is no row), parts at every column joint; the first row of every non-empty key stays.
// A list whose image does not change keeps its cells, digests included.
#include <cstdint>
#include <string>

#include "pipeline/remove_duplicates.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/pipeline/removal_model.h"
#include "ui/list_control.h"
#include "ui/units.h"

namespace vx {
namespace {

using fuzzing::Hex;

}  // namespace
}  // namespace vx

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vx;
  fuzzing::LoadListWindow();
  fuzzing::InputReader input(data, size);
  uint8_t choice = input.Byte();
  const int32_t key_column = choice % 3;
  const bool renumber = !(choice & 4);
  const std::string image = input.Rest();
  const std::string expected = testing::ImageWithoutDuplicates(image, key_column, renumber);
  auto detail = [&] {
    return "key column " + std::to_string(key_column) + (renumber ? ", renumbered" : "") +
           "\nimage " + Hex(image) + "\nexpected " + Hex(expected) + "\nfound " +
           Hex(fuzzing::ListImage());
  };

  WriteListItems(超级列表框1, fuzzing::AsByteData(image).get());
  bool has_rows = GetRowCount(超级列表框1) > 0;
  if (has_rows) SetCellText(超级列表框1, 0, 2, "digest");
  RemoveDuplicateRows(超级列表框1, key_column, renumber);

  VX_FUZZ_CHECK(fuzzing::ListImage() == expected, detail());
  if (has_rows) {
    // Unchanged, the list keeps the digest written into it; rebuilt, it shows the new image's
    // own cell, which may be any text, even "digest".
    OwnedText digest(GetCellText(超级列表框1, 0, 2));
    std::string found = digest ? digest.get() : "";
    std::string wanted = "digest";
    if (expected != image) {
      WriteListItems(超级列表框1, fuzzing::AsByteData(expected).get());
      OwnedText rebuilt(GetCellText(超级列表框1, 0, 2));
      wanted = rebuilt ? rebuilt.get() : "";
    }
    VX_FUZZ_CHECK(found == wanted, detail() + "\ndigest cell " + Hex(found));
  }
  return 0;
}
