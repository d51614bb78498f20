#pragma once
// The series data file (".ovt"): the magic line "ovt110", then for each grid row 1 to 20 three
// lines, the x text, the y text and a third line (series 1 the Omit mark, series 2 empty). Every
// line ends with CR LF; cell texts are written verbatim in Shift-JIS (files/shiftjis.h), so an
// empty series gives 128 bytes.

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

#include "core/cells.h"
#include "core/messages.h"
#include "files/fileio.h"

namespace orvelt {

inline constexpr char kMagicLine[] = "ovt110";

// The most bytes that the 61 lines of a data file may take, line ends included, when read and so
// when saved: 1 MiB. A full series of numbers takes a few hundred bytes; anything far beyond that
// is some other file, and reading it whole could take all the machine's memory.
inline constexpr qsizetype kMaxSeriesFileBytes = qsizetype{1} << 20;

// Cell texts as the windows hold them: UTF-16, where a byte that reads as no character survives
// (files/shiftjis.h). A file holds rows 1 to 20 of columns kColumnX, kColumnY and kColumnOmit.
using GridTexts = CellGrid<QString>;

// The texts as the core reads them, UTF-8.
GridCells Utf8Cells(const GridTexts& texts);

// The whole file; or the first cell in file order that holds a character Shift-JIS lacks, or a file
// that would pass kMaxSeriesFileBytes (whichever comes first in file order): then `bytes` is empty
// and nothing may be written.
struct EncodedSeries {
  QByteArray bytes;
  int badRow = 0;         // 1 to 20 when a cell cannot be saved
  int badColumn = 0;      // then kColumnX, kColumnY or kColumnOmit
  bool tooLarge = false;  // the cell texts are too long for one file

  bool Ok() const { return badRow == 0 && !tooLarge; }
};

// Series 1 writes the Omit texts as the third lines; any other series number empty third lines.
EncodedSeries EncodeSeriesFile(const GridTexts& cells, int series);

// Why a series cannot be saved, for a file that is not Ok(): the cell that cannot, named as
// series 1's or series 2's, or the file that would pass kMaxSeriesFileBytes.
Refusal SaveRefusal(const EncodedSeries& file, int series);

// A first line (without its line end) is read when it is not below the magic line, compared byte by
// byte as unsigned values, a proper prefix counting as below: "ovt110", "ovt1100", "ovt111", a
// line starting with a byte from 0x80 are read; "", "ovt11", "ovt109", "OVT110" are not.
bool AcceptsFirstLine(QByteArrayView line);

// The cells of a file's lines 2 to 61, all three columns (the caller takes the ones its grid has);
// nothing when the first line is refused or the 61 lines take more than kMaxSeriesFileBytes. A line
// ends at LF or CR LF, a CR elsewhere is dropped; missing lines read as empty texts and lines after
// line 61 are ignored.
std::optional<GridTexts> DecodeSeriesFile(QByteArrayView bytes);

// DecodeSeriesFile of the file at `path`, which is read only as far as that needs: while the first
// line is undecided, each read asks for no more bytes than the magic line has left to match, so
// that most other files are refused after at most 6 bytes; after it, blocks up to the end of line 61,
// and never more than kMaxSeriesFileBytes + 1 bytes in all. The file is closed before it returns.
// Failures throw as InputFile's do.
std::optional<GridTexts> ReadSeriesFile(const QString& path,
                                        FileSystem& files = SystemFileSystem());

}  // namespace orvelt
