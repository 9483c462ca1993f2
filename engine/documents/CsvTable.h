// Reading a table of texts: a CSV file (RFC 4180, UTF-8) through libcsv in
// its strict mode, each record with the line of the file it starts on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace glyphon {

struct CsvRecord {
  int64_t Line = 0;  // the line of the file the record starts on, from 1
  std::vector<std::string> Cells;
};

// The records of csv, in order, the header among them. Fields are kept exactly as written
// (no blanks trimmed); quoted fields may hold commas, quotes ("") and line breaks; empty lines
// between records are skipped; a UTF-8 byte order mark at the start is dropped. Throws Error
// naming the line for text that is not valid CSV (a stray quote, an unterminated quoted field).
[[nodiscard]] std::vector<CsvRecord> parseCsv(std::string_view csv);

// parseCsv of the file at path; Error names the file.
[[nodiscard]] std::vector<CsvRecord> readCsvFile(const std::string& path);

}  // namespace glyphon
