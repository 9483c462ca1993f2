// The progress of a batch on standard error: a bar redrawn in place on a
// terminal, one line per picture otherwise (a log, a job runner).
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "engine/documents/BatchRender.h"
#include "engine/documents/BatchTable.h"

namespace glyphon {

class BatchProgress {
 public:
  // total pictures, reported to out; asBar draws the bar.
  BatchProgress(std::FILE* out, size_t total, bool asBar);

  void done(const TableRow& row);
  void failed(const TableRow& row, const std::string& why);
  // Ends the bar's line and says how many failed.
  void finish();

 private:
  void drawBar();

  std::FILE* m_out;
  size_t m_total;
  bool m_asBar;
  size_t m_done = 0;
  size_t m_failed = 0;
};

// Makes the picture of every row of rows with renderer, reporting to progress; with
// stopOnError it stops at the first row that fails. Two rows naming the same picture: the
// later one fails. Returns whether every row made its picture.
[[nodiscard]] bool renderTable(BatchRenderer& renderer, std::span<const TableRow> rows,
                               bool stopOnError, BatchProgress& progress);

}  // namespace glyphon
