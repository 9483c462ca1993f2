// A table of texts turned into the pictures of a batch: which item each
// column changes, each row's backdrop and the name of its picture.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/documents/BatchRender.h"
#include "engine/documents/CsvTable.h"

namespace glyphon {

// One picture to make: a row of the table below its header.
struct TableRow {
  int64_t Line = 0;  // the line of the file the row starts on
  int64_t Row = 0;   // 1 for the first row below the header
  std::vector<TextChange> Changes;
  std::string Backdrop;  // empty: the project's own
  std::string Output;
  // Why the row cannot be made (a cell in no column, no output name), else empty.
  std::string Problem;
};

// The rows of records (the first is the header) for a project of itemCount items. Columns
// named 1, 2, ... give item texts (an empty cell keeps the item's), a column "backdrop" the
// row's backdrop, a column "output" the row's picture; any other column only serves as a
// placeholder. outputTemplate names the pictures of rows with no output cell: "{row}" becomes
// the row number and "{NAME}" the row's cell in column NAME, with "/" in it replaced by "_".
// Throws Error for a table with no header, a header naming a column twice, an item number the
// project does not have, and a placeholder that names no column.
[[nodiscard]] std::vector<TableRow> tableRows(std::span<const CsvRecord> records,
                                              const std::string& outputTemplate, size_t itemCount);

}  // namespace glyphon
