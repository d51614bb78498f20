// Any bytes as a text file of columns, for either series: read without fault; only data cells
// filled, none with a line break; a text without tabs or quotes reads as the same text with its
// commas turned into tabs; the cells written back as tab-separated lines read again the same.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/columns.h"

namespace {

using orvelt::GridTexts;
using orvelt::kColumnOmit;
using orvelt::kColumnX;
using orvelt::kRows;

[[noreturn]] void Fail(const char* what, int series, int row = 0, int column = 0) {
  std::fprintf(stderr, "fuzz_text_columns: %s (series %d, row %d, column %d)\n", what, series,
               row, column);
  std::abort();
}

int LastColumn(int series) {
  return series == 1 ? kColumnOmit : orvelt::kColumnY;
}

void CheckSame(const GridTexts& read, const GridTexts& expected, int series, const char* what) {
  for (int row = 0; row <= kRows; ++row)
    for (int column = 0; column <= kColumnOmit; ++column)
      if (read[row][column] != expected[row][column]) Fail(what, series, row, column);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(data, static_cast<qsizetype>(size));
  const bool plain = !bytes.contains('\t') && !bytes.contains('"');
  for (int series = 1; series <= 2; ++series) {
    const GridTexts cells = orvelt::ColumnCells(bytes, series);
    for (int row = 0; row <= kRows; ++row) {
      for (int column = 0; column <= kColumnOmit; ++column) {
        const QString& cell = cells[row][column];
        const bool data = row >= 1 && column >= kColumnX && column <= LastColumn(series);
        if (!data && !cell.isEmpty()) Fail("cell outside the series' data", series, row, column);
        if (cell.contains(u'\n') || cell.contains(u'\r')) Fail("line break", series, row, column);
      }
    }
    if (plain) {
      QByteArray tabs = bytes.toByteArray();
      tabs.replace(',', '\t');
      CheckSame(orvelt::ColumnCells(tabs, series), cells, series, "commas read unlike tabs");
    }
    // Tab-separated, every column written so that each line holds a tab; the mark skipped first.
    QByteArray written = "\xEF\xBB\xBF";
    for (int row = 1; row <= kRows; ++row) {
      for (int column = kColumnX; column <= LastColumn(series); ++column) {
        // A text with a tab is split at its tabs alone, so no cell holds one.
        if (cells[row][column].contains(u'\t')) Fail("tab in a cell", series, row, column);
        if (column > kColumnX) written += '\t';
        written += cells[row][column].toUtf8();
      }
      written += "\r\n";
    }
    CheckSame(orvelt::ColumnCells(written, series), cells, series, "round trip");
  }
  return 0;
}
