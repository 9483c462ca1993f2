#include "engine/documents/BatchTable.h"

#include <map>
#include <optional>

#include "engine/core/Error.h"
#include "engine/documents/Canvas.h"

namespace glyphon {

namespace {

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A cell's value as part of a file name: a "/" would reach another folder,
// a zero byte would end the name early.
std::string nameSafe(std::string value) {
  for (char& c : value)
    if (c == '/' || c == '\0') c = '_';
  if (value == "." || value == "..") value = "_";
  return value;
}

// The placeholders of an output template, in order.
std::vector<std::string> placeholdersOf(const std::string& pattern) {
  std::vector<std::string> names;
  for (size_t open = pattern.find('{'); open != std::string::npos;
       open = pattern.find('{', open + 1)) {
    const size_t close = pattern.find('}', open);
    if (close == std::string::npos) break;
    names.push_back(pattern.substr(open + 1, close - open - 1));
  }
  return names;
}

}  // namespace

std::vector<TableRow> tableRows(std::span<const CsvRecord> records,
                                const std::string& outputTemplate, size_t itemCount) {
  if (records.empty()) throw Error("the table is empty: it needs a header row");
  const CsvRecord& header = records.front();
  std::map<std::string, size_t> columns;
  std::vector<std::optional<int32_t>> itemOfColumn;
  for (size_t c = 0; c < header.Cells.size(); ++c) {
    const std::string name = trimmed(header.Cells[c]);
    if (!columns.emplace(name, c).second)
      throw Error("line " + std::to_string(header.Line) + ": the header names column \"" + name +
                  "\" twice");
    std::optional<int32_t> item;
    if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) {
      item = parseInt32(name);
      if (!item || *item < 1 || size_t(*item) > itemCount)
        throw Error("column \"" + name + "\" names an item the project does not have (it has " +
                    std::to_string(itemCount) + ")");
    }
    itemOfColumn.push_back(item);
  }
  for (const std::string& name : placeholdersOf(outputTemplate))
    if (name != "row" && !columns.contains(name))
      throw Error("the output name's placeholder {" + name + "} names no column of the table");
  const auto columnOf = [&](const char* name) -> std::optional<size_t> {
    const auto found = columns.find(name);
    return found == columns.end() ? std::nullopt : std::optional<size_t>(found->second);
  };
  const std::optional<size_t> backdropColumn = columnOf("backdrop");
  const std::optional<size_t> outputColumn = columnOf("output");

  std::vector<TableRow> rows;
  for (size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& record = records[r];
    TableRow row;
    row.Line = record.Line;
    row.Row = int64_t(r);
    const auto cell = [&](size_t c) {
      return c < record.Cells.size() ? record.Cells[c] : std::string();
    };
    if (record.Cells.size() > header.Cells.size()) {
      row.Problem = "cell " + std::to_string(header.Cells.size() + 1) +
                    " is in no column (the header names " + std::to_string(header.Cells.size()) +
                    ")";
    }
    for (size_t c = 0; c < header.Cells.size(); ++c)
      if (itemOfColumn[c] && !cell(c).empty()) row.Changes.push_back({*itemOfColumn[c], cell(c)});
    if (backdropColumn) row.Backdrop = cell(*backdropColumn);
    if (outputColumn) row.Output = cell(*outputColumn);
    if (row.Output.empty()) {
      std::string name;
      for (size_t i = 0; i < outputTemplate.size();) {
        const size_t close =
            outputTemplate[i] == '{' ? outputTemplate.find('}', i) : std::string::npos;
        if (close == std::string::npos) {
          name += outputTemplate[i++];
          continue;
        }
        const std::string key = outputTemplate.substr(i + 1, close - i - 1);
        name += nameSafe(key == "row" ? std::to_string(row.Row) : cell(columns.at(key)));
        i = close + 1;
      }
      row.Output = name;
    }
    if (row.Output.find('\0') != std::string::npos && row.Problem.empty())
      row.Problem = "the output name holds a zero byte";
    if (row.Output.empty() && row.Problem.empty())
      row.Problem = "the row has no output name: give --output or fill its output cell";
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace glyphon
