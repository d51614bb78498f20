#pragma once
// A series as a text file of columns, as spreadsheets and scripts write them: a line a row, its
// fields x, y and, for series 1, the Omit mark. Fields are separated by tabs, or by commas in a
// text without a tab; there a field that begins with a double quote runs to its closing quote, a
// doubled quote standing for one, and a comma inside it is text. The text is UTF-8, a
// byte order mark at its start skipped. It is read as a block pasted into the grid at row 1:
// each field a cell's text, never parsed or trimmed; lines past row 20 and fields past the
// series' last column are dropped.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>
#include <string_view>

#include "core/block.h"
#include "files/fileio.h"
#include "files/seriesfile.h"

namespace orvelt {

// The lines and fields of a text of columns.
TextBlock SplitColumns(std::string_view text);

// The data cells of series 1 or 2 that the text's bytes give, the others empty.
GridTexts ColumnCells(QByteArrayView bytes, int series);

// The bytes of the file at `path` (a pipe too), read to its end: nothing when it holds more than
// kMaxSeriesFileBytes, of which no more than one byte beyond is read. Failures throw as
// InputFile's do.
std::optional<QByteArray> ReadColumnsFile(const QString& path,
                                          FileSystem& files = SystemFileSystem());

}  // namespace orvelt
