// Any bytes as a data file: read without fault; accepted by the ordering of its first line and the
// size of its 61 lines; every
// cell gives back its line's bytes; written and read again, the same cells.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/seriesfile.h"
#include "files/shiftjis.h"

namespace {

using orvelt::GridTexts;
using orvelt::kColumnOmit;
using orvelt::kColumnX;
using orvelt::kRows;

constexpr int kLines = 1 + 3 * kRows;

[[noreturn]] void Fail(const char* what, int row = 0, int column = 0) {
  std::fprintf(stderr, "fuzz_series_file: %s (row %d, column %d)\n", what, row, column);
  std::abort();
}

// The first kLines lines, split at LF with every CR dropped; missing lines are empty. `taken` gets
// the bytes they take in the file, line ends included.
std::vector<std::string> Lines(const uint8_t* data, size_t size, std::size_t& taken) {
  std::vector<std::string> lines(kLines);
  std::size_t line = 0, i = 0;
  for (; i < size && line < lines.size(); ++i) {
    if (data[i] == '\n')
      ++line;
    else if (data[i] != '\r')
      lines[line] += static_cast<char>(data[i]);
  }
  taken = i;
  return lines;
}

// Not below the magic line, bytes compared as unsigned and a proper prefix counting as below.
bool Readable(const std::string& first) {
  const std::string magic = orvelt::kMagicLine;
  for (std::size_t i = 0; i < magic.size(); ++i) {
    if (i == first.size()) return false;
    const auto a = static_cast<unsigned char>(first[i]), b = static_cast<unsigned char>(magic[i]);
    if (a != b) return a > b;
  }
  return true;
}

bool InFile(int row, int column) {
  return row >= 1 && row <= kRows && column >= kColumnX && column <= kColumnOmit;
}

void CheckSame(const GridTexts& read, const GridTexts& expected, const char* what) {
  for (int row = 0; row <= kRows; ++row)
    for (int column = 0; column <= kColumnOmit; ++column)
      if (read[row][column] != expected[row][column]) Fail(what, row, column);
}

// Written as `series` and read again.
void CheckRoundTrip(const GridTexts& cells, int series, qsizetype cellBytes) {
  const orvelt::EncodedSeries written = orvelt::EncodeSeriesFile(cells, series);
  // Every cell came from file bytes, which a cell text never loses.
  if (!written.Ok()) Fail("read cells cannot be written", written.badRow, written.badColumn);
  if (written.bytes.size() != 128 + cellBytes) Fail("written size");
  const std::optional<GridTexts> again = orvelt::DecodeSeriesFile(written.bytes);
  if (!again) Fail("written file refused");
  GridTexts expected = cells;
  if (series != 1)
    for (int row = 1; row <= kRows; ++row) expected[row][kColumnOmit].clear();
  CheckSame(*again, expected, series == 1 ? "series 1 round trip" : "series 2 round trip");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(data, static_cast<qsizetype>(size));
  std::size_t taken = 0;
  const std::vector<std::string> lines = Lines(data, size, taken);
  const bool firstLineReadable = Readable(lines[0]);
  if (orvelt::AcceptsFirstLine(QByteArray::fromStdString(lines[0])) != firstLineReadable)
    Fail("first line test");
  const bool readable =
      firstLineReadable && taken <= static_cast<std::size_t>(orvelt::kMaxSeriesFileBytes);

  const std::optional<GridTexts> cells = orvelt::DecodeSeriesFile(bytes);
  if (cells.has_value() != readable) Fail(readable ? "readable file refused" : "file accepted");
  if (!cells) return 0;

  qsizetype cellBytes = 0, omitBytes = 0;
  for (int row = 0; row <= kRows; ++row) {
    for (int column = 0; column <= kColumnOmit; ++column) {
      const QString& cell = (*cells)[row][column];
      // Only the 60 cells of rows 1 to 20, columns x, y and Omit come from the file.
      if (!InFile(row, column)) {
        if (!cell.isEmpty()) Fail("cell outside the file's 60", row, column);
        continue;
      }
      if (cell.contains(u'\n') || cell.contains(u'\r')) Fail("line break in a cell", row, column);
      const std::string& line = lines[3 * (row - 1) + column];
      const std::optional<QByteArray> back = orvelt::EncodeShiftJis(cell);
      if (!back || *back != QByteArray::fromStdString(line))
        Fail("cell lost its line's bytes", row, column);
      (column == kColumnOmit ? omitBytes : cellBytes) += back->size();
    }
  }
  CheckRoundTrip(*cells, 1, cellBytes + omitBytes);
  CheckRoundTrip(*cells, 2, cellBytes);
  return 0;
}
