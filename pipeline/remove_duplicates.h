// Duplicate removal: the command "2去重复项".
#pragma once

#include <cstdint>

#include "ui/units.h"

namespace vx {

// The handler of "2去重复项": keeps the first row of every distinct text, drops the rest and the
// rows without a text, renumbers, and reports the remaining row count in the title.
void RemoveDuplicatesCommand();

// Works on the list's items image, not on its cells. A row's key is its part `key_column` of
// the image (0 the number, 1 the first text column with the two zero bytes that close it);
// keys are compared byte for byte. Keeps the first row of every key and drops later ones, and
// rows with no or an empty key; with `renumber` the kept rows are numbered from 1. The list is
// rebuilt from the new image only when it differs from the old one, so a list without
// duplicates keeps its digest columns.
void RemoveDuplicateRows(UnitRef list, int32_t key_column, bool renumber);

}  // namespace vx
