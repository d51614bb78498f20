#pragma once
// The series data file (".ovt"): the magic line "ovt110", then for each grid row 1 to 20 three
// lines, the x text, the y text and a third line (series 1 the Omit mark, series 2 empty). Every
// line ends with CR LF; cell texts are written verbatim in Shift-JIS (files/shiftjis.h), so an
// empty series gives 128 bytes.

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

#include "core/datastore.h"

namespace orvelt {

inline constexpr char kMagicLine[] = "ovt110";

// Cell texts of one series' grid as [row][column], indexed like the grid: rows 1 to 20, columns
// kColumnX, kColumnY and kColumnOmit. Row 0 and column 0 are the grid's headers and stay unused.
using SeriesCells = std::array<std::array<QString, 4>, kRows + 1>;
inline constexpr int kColumnX = 1, kColumnY = 2, kColumnOmit = 3;

// The whole file, or the first cell in file order that holds a character Shift-JIS lacks; then
// `bytes` is empty and nothing may be written.
struct EncodedSeries {
  QByteArray bytes;
  int badRow = 0;     // 1 to 20 when a cell cannot be saved
  int badColumn = 0;  // then kColumnX, kColumnY or kColumnOmit

  bool Ok() const { return badRow == 0; }
};

// Series 1 writes the Omit texts as the third lines; any other series number empty third lines.
EncodedSeries EncodeSeriesFile(const SeriesCells& cells, int series);

// The message naming the cell that cannot be saved: for series 1
// "保存できない文字があります\n\n  Data No. 3 の y", for any other series number
// "保存できない文字があります\n\n系列２ Data No. 3 の y"; the column is named x, y or Omit.
QString UnsavableCellText(int series, int row, int column);

// A first line (without its line end) is read when it is not below the magic line, compared byte by
// byte as unsigned values, a proper prefix counting as below: "ovt110", "ovt1100", "ovt111", a
// line starting with a byte from 0x80 are read; "", "ovt11", "ovt109", "OVT110" are not.
bool AcceptsFirstLine(QByteArrayView line);

// The cells of a file's lines 2 to 61, all three columns (the caller takes the ones its grid has);
// nothing when the first line is refused. A line ends at LF or CR LF, a CR elsewhere is dropped;
// missing lines read as empty texts and lines after line 61 are ignored.
std::optional<SeriesCells> DecodeSeriesFile(QByteArrayView bytes);

}  // namespace orvelt
