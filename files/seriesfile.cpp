#include "files/seriesfile.h"

#include <algorithm>

#include "files/shiftjis.h"

namespace orvelt {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr qsizetype kLines = 1 + 3 * kRows;
// Read at once after the first line; the end of line 61 lies within the first block in a real file.
constexpr qsizetype kBlock = 64 * 1024;

unsigned char Byte(char c) {
  return static_cast<unsigned char>(c);
}

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

// The comparison of a first line with the magic line, fed one byte at a time: the ordering of
// AcceptsFirstLine, decided at the first byte that settles it.
class FirstLineJudge {
 public:
  enum Verdict { kOpen, kAccepted, kRefused };

  Verdict Take(char c) {
    // A CR is dropped from the line, whether it ends it or not.
    if (c == '\r') return kOpen;
    // The line ended before it matched the whole magic line: a proper prefix, or empty.
    if (c == '\n') return kRefused;
    const unsigned char a = Byte(c), b = Byte(kMagicLine[matched_]);
    if (a != b) return a > b ? kAccepted : kRefused;
    ++matched_;
    return Needed() == 0 ? kAccepted : kOpen;
  }
  // The bytes still to match: the most that the next read may need to settle it.
  qsizetype Needed() const { return qsizetype{sizeof kMagicLine} - 1 - matched_; }

 private:
  qsizetype matched_ = 0;
};

// The bytes of a file's first 61 lines with their line ends, taken from `read` (which appends up to
// the given count to its buffer and returns how many came, 0 at the end) no further than judging
// them needs; nothing when the first line is refused or the lines pass kMaxSeriesFileBytes.
template <typename Read>
std::optional<QByteArray> ReadHead(Read read) {
  QByteArray head;
  const auto room = [&head] { return kMaxSeriesFileBytes + 1 - head.size(); };
  FirstLineJudge judge;
  FirstLineJudge::Verdict verdict = FirstLineJudge::kOpen;
  for (qsizetype judged = 0; verdict == FirstLineJudge::kOpen;) {
    // Only a first line of CRs can stay undecided this long.
    if (room() == 0) return std::nullopt;
    if (read(head, std::min(judge.Needed(), room())) == 0) return std::nullopt;
    while (judged < head.size() && verdict == FirstLineJudge::kOpen)
      verdict = judge.Take(head[judged++]);
  }
  if (verdict == FirstLineJudge::kRefused) return std::nullopt;

  qsizetype ends = 0, scanned = 0;
  for (;;) {
    for (qsizetype end; ends < kLines && (end = head.indexOf('\n', scanned)) >= 0; ++ends)
      scanned = end + 1;
    if (ends == kLines) {
      head.truncate(scanned);
      break;
    }
    scanned = head.size();
    if (room() == 0) return std::nullopt;
    if (read(head, std::min(kBlock, room())) == 0) break;
  }
  if (head.size() > kMaxSeriesFileBytes) return std::nullopt;
  return head;
}

// The cells of lines 2 to 61 of a head that ReadHead gave.
GridTexts DecodeHead(QByteArrayView head) {
  LineReader lines(head);
  lines.Next();
  GridTexts cells;
  for (int row = 1; row <= kRows; ++row)
    for (int column = kColumnX; column <= kColumnOmit; ++column)
      cells[row][column] = DecodeShiftJis(lines.Next());
  return cells;
}

}  // namespace

EncodedSeries EncodeSeriesFile(const GridTexts& cells, int series) {
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
      // Stopped as soon as it is too long, so that enormous cells are not copied whole.
      if (out.size() > kMaxSeriesFileBytes) {
        EncodedSeries refused;
        refused.tooLarge = true;
        return refused;
      }
    }
  }
  return result;
}

Refusal SaveRefusal(const EncodedSeries& file, int series) {
  if (file.tooLarge) return Refuse(kOversizedSeries, {std::to_string(kMaxSeriesFileBytes)});
  return RefuseAbout(kUnsavableCell, CellName(series, file.badRow, file.badColumn));
}

GridCells Utf8Cells(const GridTexts& texts) {
  GridCells cells;
  for (int row = 0; row <= kRows; ++row)
    for (int column = 0; column < kColumns; ++column)
      cells[row][column] = texts[row][column].toStdString();
  return cells;
}

bool AcceptsFirstLine(QByteArrayView line) {
  const QByteArrayView magic(kMagicLine);
  const auto byte = [](char c) { return static_cast<unsigned char>(c); };
  return !std::lexicographical_compare(line.begin(), line.end(), magic.begin(), magic.end(),
                                       [&](char a, char b) { return byte(a) < byte(b); });
}

std::optional<GridTexts> DecodeSeriesFile(QByteArrayView bytes) {
  qsizetype offset = 0;
  const std::optional<QByteArray> head = ReadHead([&](QByteArray& to, qsizetype size) {
    const QByteArrayView piece = bytes.sliced(offset).first(std::min(size, bytes.size() - offset));
    to += piece;
    offset += piece.size();
    return piece.size();
  });
  if (!head) return std::nullopt;
  return DecodeHead(*head);
}

std::optional<GridTexts> ReadSeriesFile(const QString& path, FileSystem& files) {
  InputFile file(path, files);
  const std::optional<QByteArray> head =
      ReadHead([&](QByteArray& to, qsizetype size) { return file.Read(to, size); });
  file.Close();
  if (!head) return std::nullopt;
  return DecodeHead(*head);
}

}  // namespace orvelt
