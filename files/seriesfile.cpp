#include "files/seriesfile.h"

#include <algorithm>

#include "files/shiftjis.h"

namespace orvelt {

namespace {

constexpr char kLineEnd[] = "\r\n";

// Splits a file into lines; past its end every line is empty.
class LineReader {
 public:
  explicit LineReader(QByteArrayView bytes) : rest_(bytes) {}

  QByteArray Next() {
    const qsizetype end = rest_.indexOf('\n');
    QByteArray line = (end < 0 ? rest_ : rest_.first(end)).toByteArray();
    rest_ = end < 0 ? QByteArrayView() : rest_.sliced(end + 1);
    // The CR of CR LF, and a CR that ends no line, are both dropped.
    line.removeIf([](char c) { return c == '\r'; });
    return line;
  }

 private:
  QByteArrayView rest_;
};

}  // namespace

EncodedSeries EncodeSeriesFile(const SeriesCells& cells, int series) {
  static const QString kEmpty;
  EncodedSeries result;
  QByteArray& out = result.bytes;
  out += kMagicLine;
  out += kLineEnd;
  for (int row = 1; row <= kRows; ++row) {
    for (int column = kColumnX; column <= kColumnOmit; ++column) {
      const bool written = column != kColumnOmit || series == 1;
      const std::optional<QByteArray> text = EncodeShiftJis(written ? cells[row][column] : kEmpty);
      if (!text) return {QByteArray(), row, column};
      out += *text;
      out += kLineEnd;
    }
  }
  return result;
}

QString UnsavableCellText(int series, int row, int column) {
  static const char* const kNames[] = {"", "x", "y", "Omit"};
  return QStringLiteral("保存できない文字があります\n\n%1Data No. %2 の %3")
      .arg(series == 1 ? QStringLiteral("  ") : QStringLiteral("系列２ "))
      .arg(row)
      .arg(QLatin1String(kNames[column]));
}

bool AcceptsFirstLine(QByteArrayView line) {
  const QByteArrayView magic(kMagicLine);
  const auto byte = [](char c) { return static_cast<unsigned char>(c); };
  return !std::lexicographical_compare(line.begin(), line.end(), magic.begin(), magic.end(),
                                       [&](char a, char b) { return byte(a) < byte(b); });
}

std::optional<SeriesCells> DecodeSeriesFile(QByteArrayView bytes) {
  LineReader lines(bytes);
  if (!AcceptsFirstLine(lines.Next())) return std::nullopt;
  SeriesCells cells;
  for (int row = 1; row <= kRows; ++row)
    for (int column = kColumnX; column <= kColumnOmit; ++column)
      cells[row][column] = DecodeShiftJis(lines.Next());
  return cells;
}

}  // namespace orvelt
