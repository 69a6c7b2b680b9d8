// A workbook read back as a spreadsheet reader sees it (openpyxl, tests/report/dump_workbook.py).
#pragma once

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "report_test_support.h"

namespace torva::report_test {

struct ReadCell {
  char kind = 0;           // 'n' a number, 's' a text, 'f' a formula
  std::string text;        // the number, text or formula as written
  std::string format;      // its number format
  std::string stored;      // the value a reader that does not calculate sees (Python's repr)
};

struct ReadWorkbook {
  std::vector<std::string> sheets;
  std::map<std::string, ReadCell> cells;  // by "sheet!A1"
  std::string output;                     // the reader's whole output, for failure messages

  const ReadCell* At(const std::string& sheet, const std::string& cell) const {
    const auto it = cells.find(sheet + "!" + cell);
    return it == cells.end() ? nullptr : &it->second;
  }
  // The cells of `sheet` whose value reads as a number (numbers and formulas), by their value.
  std::vector<double> Numbers(const std::string& sheet) const {
    std::vector<double> numbers;
    for (const auto& [name, cell] : cells) {
      if (name.rfind(sheet + "!", 0) != 0 || cell.kind == 's') continue;
      try {
        numbers.push_back(std::stod(cell.stored));
      } catch (const std::exception&) {
      }
    }
    return numbers;
  }
};

// A cell as "kind|text|format" ("f|=B3-D3|#,##0.00"), "<empty>" for a cell not written.
inline std::string Describe(const ReadCell* cell) {
  if (cell == nullptr) return "<empty>";
  return std::string(1, cell->kind) + "|" + cell->text + "|" + cell->format;
}

inline ReadWorkbook ReadBack(const fs::path& xlsx) {
  ReadWorkbook book;
  book.output = RunCommand("/usr/bin/python3 " +
                           Quoted(fs::path(TORVA_SOURCE_DIR) / "tests/report/dump_workbook.py") +
                           " " + Quoted(xlsx));
  std::istringstream in(book.output);
  std::string sheet;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("SHEET ", 0) == 0) {
      sheet = line.substr(6);
      book.sheets.push_back(sheet);
      continue;
    }
    std::vector<std::string> parts;
    std::istringstream fields(line);
    for (std::string part; std::getline(fields, part, '\t');) parts.push_back(part);
    if (parts.size() != 5) continue;
    book.cells[sheet + "!" + parts[0]] = ReadCell{parts[1][0], parts[2], parts[3], parts[4]};
  }
  return book;
}

}  // namespace torva::report_test
