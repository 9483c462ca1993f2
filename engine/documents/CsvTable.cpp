#include "engine/documents/CsvTable.h"

#include <csv.h>

#include <memory>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"

namespace glyphon {

namespace {

// What libcsv's callbacks build.
struct Reading {
  std::vector<CsvRecord> records;
  CsvRecord current;
  bool atRecordStart = true;
  int64_t line = 0;  // the line being fed
};

void fieldEnded(void* field, size_t length, void* data) {
  auto* reading = static_cast<Reading*>(data);
  reading->current.Cells.emplace_back(static_cast<const char*>(field), length);
}

void recordEnded(int, void* data) {
  auto* reading = static_cast<Reading*>(data);
  reading->records.push_back(std::move(reading->current));
  reading->current = CsvRecord();
  reading->atRecordStart = true;
}

// Blanks are part of a field: none is trimmed.
int noBlanks(unsigned char) { return 0; }

struct ParserDeleter {
  void operator()(csv_parser* parser) const {
    csv_free(parser);
    delete parser;
  }
};

}  // namespace

std::vector<CsvRecord> parseCsv(std::string_view csv) {
  if (csv.starts_with("\xEF\xBB\xBF")) csv.remove_prefix(3);
  std::unique_ptr<csv_parser, ParserDeleter> parser(new csv_parser);
  if (csv_init(parser.get(), CSV_STRICT | CSV_STRICT_FINI) != 0)
    throw Error("the CSV reader cannot start");
  csv_set_space_func(parser.get(), noBlanks);
  Reading reading;
  const auto fail = [&] {
    throw Error("line " + std::to_string(reading.line) +
                " is not valid CSV: " + csv_strerror(csv_error(parser.get())));
  };
  // Fed a line at a time, so that a record is known by the line it starts
  // on even when a quoted field runs over several.
  while (!csv.empty()) {
    const size_t end = csv.find('\n');
    const std::string_view line =
        csv.substr(0, end == std::string_view::npos ? csv.size() : end + 1);
    csv.remove_prefix(line.size());
    ++reading.line;
    if (reading.atRecordStart && line != "\n" && line != "\r\n") {
      reading.current.Line = reading.line;
      reading.atRecordStart = false;
    }
    if (csv_parse(parser.get(), line.data(), line.size(), fieldEnded, recordEnded, &reading) !=
        line.size())
      fail();
  }
  if (csv_fini(parser.get(), fieldEnded, recordEnded, &reading) != 0) fail();
  return std::move(reading.records);
}

std::vector<CsvRecord> readCsvFile(const std::string& path) {
  const std::vector<uint8_t> bytes = readWholeFile(path);
  try {
    return parseCsv(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  } catch (const Error& e) {
    throw Error("the table \"" + path + "\": " + e.what());
  }
}

}  // namespace glyphon
