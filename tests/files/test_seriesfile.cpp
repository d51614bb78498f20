#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <numeric>

#include "core/arith.h"
#include "files/seriesfile.h"

using orvelt::AcceptsFirstLine;
using orvelt::DecodeSeriesFile;
using orvelt::EncodeSeriesFile;
using orvelt::GridTexts;
using orvelt::kColumnOmit;
using orvelt::kColumnX;
using orvelt::kColumnY;
using orvelt::kMaxSeriesFileBytes;
using orvelt::kRows;
using orvelt::ReadSeriesFile;
using orvelt::SaveRefusal;

namespace {

const QByteArray kEmptyFile = "ovt110\r\n" + QByteArray("\r\n").repeated(60);

// The example series: row 1 x 1, y 2.5 marked Omit; row 2 x 2, y 3.1.
GridTexts Example() {
  GridTexts cells;
  cells[1][kColumnX] = "1";
  cells[1][kColumnY] = "2.5";
  cells[1][kColumnOmit] = "Omit";
  cells[2][kColumnX] = "2";
  cells[2][kColumnY] = "3.1";
  return cells;
}

// A file of the magic line and `lines`, each ended by `end`.
QByteArray File(const QList<QByteArray>& lines, const QByteArray& end = "\r\n") {
  QByteArray file = "ovt110" + end;
  for (const QByteArray& line : lines) file += line + end;
  return file;
}

// The real calls, with what each read asked for and got. Read number `failRead` (from 1) fails.
class CountingFiles : public orvelt::FileSystem {
 public:
  QList<qint64> asked, got;
  int failRead = 0;
  int closes = 0;

  ssize_t Read(int fd, void* buffer, size_t size) override {
    asked << static_cast<qint64>(size);
    if (asked.size() == failRead) {
      errno = EIO;
      return -1;
    }
    const ssize_t n = FileSystem::Read(fd, buffer, size);
    got << n;
    return n;
  }
  int Close(int fd) override {
    ++closes;
    return FileSystem::Close(fd);
  }
  qint64 Total() const { return std::accumulate(got.begin(), got.end(), qint64{0}); }
};

// `head` followed by `tail` zero bytes that take no room on the disk.
QString SparseFile(const QTemporaryDir& dir, const QByteArray& head, qint64 tail) {
  const QString path = dir.filePath("large.ovt");
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(head) != head.size() ||
      !file.resize(head.size() + tail))
    return QString();
  return path;
}

// The cells of a file by the plain rule: split at LF, every CR dropped, lines 2 to 61.
GridTexts PlainCells(const QByteArray& bytes) {
  QByteArray text = bytes;
  text.removeIf([](char c) { return c == '\r'; });
  const QList<QByteArray> lines = text.split('\n');
  GridTexts cells;
  for (int row = 1; row <= kRows; ++row)
    for (int column = kColumnX; column <= kColumnOmit; ++column) {
      const int line = 3 * (row - 1) + column;
      if (line < lines.size()) cells[row][column] = QString::fromLatin1(lines[line]);
    }
  return cells;
}

// 61 lines ending with `end`, the last one ended with `lastEnd`, line `longLine` long enough for
// the whole to take `size` bytes, and `more` after it.
QByteArray SizedFile(qsizetype size, int longLine, const QByteArray& end = "\r\n",
                     const QByteArray& lastEnd = "\r\n", const QByteArray& more = {}) {
  QList<QByteArray> lines(61);
  lines[0] = "ovt110";
  lines[2] = "7";
  const qsizetype rest = 6 + 1 + 60 * end.size() + lastEnd.size();
  lines[longLine - 1] += QByteArray(size - rest, longLine == 1 ? 'x' : '5');
  QByteArray file;
  for (int i = 0; i < 61; ++i) file += lines[i] + (i == 60 ? lastEnd : end);
  return file + more;
}

QString Describe(const GridTexts& cells) {
  QStringList texts;
  for (int row = 1; row <= kRows; ++row)
    for (int column = kColumnX; column <= kColumnOmit; ++column)
      if (!cells[row][column].isEmpty())
        texts << QStringLiteral("%1.%2=%3").arg(row).arg(column).arg(cells[row][column]);
  return texts.join(' ');
}

}  // namespace

class TestSeriesFile : public QObject {
  Q_OBJECT

 private slots:
  void emptySeries_data() {
    QTest::addColumn<int>("series");
    for (const int series : {1, 2, 0, 3}) QTest::addRow("series %d", series) << series;
  }
  void emptySeries() {
    QFETCH(int, series);
    const auto encoded = EncodeSeriesFile(GridTexts(), series);
    QVERIFY(encoded.Ok());
    QCOMPARE(encoded.bytes.size(), 128);
    QCOMPARE(encoded.bytes, kEmptyFile);
  }

  void example_data() {
    QTest::addColumn<int>("series");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray rest = QByteArray("\r\n").repeated(54);
    QTest::newRow("series 1") << 1 << "ovt110\r\n1\r\n2.5\r\nOmit\r\n2\r\n3.1\r\n\r\n" + rest;
    QTest::newRow("series 2") << 2 << "ovt110\r\n1\r\n2.5\r\n\r\n2\r\n3.1\r\n\r\n" + rest;
  }
  void example() {
    QFETCH(int, series);
    QFETCH(QByteArray, bytes);
    const auto encoded = EncodeSeriesFile(Example(), series);
    QVERIFY(encoded.Ok());
    QCOMPARE(encoded.bytes, bytes);
    QCOMPARE(encoded.bytes.size(), series == 1 ? 140 : 136);
  }

  void everyCellHasItsLine() {
    GridTexts cells;
    for (int row = 1; row <= kRows; ++row)
      for (int column = kColumnX; column <= kColumnOmit; ++column)
        cells[row][column] = QStringLiteral("r%1c%2").arg(row).arg(column);
    for (const int series : {1, 2}) {
      const QList<QByteArray> lines = EncodeSeriesFile(cells, series).bytes.split('\n');
      QCOMPARE(lines.size(), 62);  // 61 lines, all ended, and nothing after the last
      QCOMPARE(lines[61], QByteArray());
      QCOMPARE(lines[0], "ovt110\r");
      for (int row = 1; row <= kRows; ++row) {
        QCOMPARE(lines[3 * row - 2], QStringLiteral("r%1c1\r").arg(row).toLatin1());
        QCOMPARE(lines[3 * row - 1], QStringLiteral("r%1c2\r").arg(row).toLatin1());
        QCOMPARE(lines[3 * row],
                 series == 1 ? QStringLiteral("r%1c3\r").arg(row).toLatin1() : "\r");
      }
    }
  }

  void textsComeBack_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("blanks around") << QStringLiteral(" 1.5  ") << QByteArray(" 1.5  ");
    QTest::newRow("blanks only") << QStringLiteral("   ") << QByteArray("   ");
    QTest::newRow("tab") << QStringLiteral("\t1") << QByteArray("\t1");
    QTest::newRow("comma") << QStringLiteral("1,5") << QByteArray("1,5");
    QTest::newRow("word") << QStringLiteral("abc") << QByteArray("abc");
    QTest::newRow("kanji") << QStringLiteral("系列") << QByteArray("\x8C\x6E\x97\xF1");
    QTest::newRow("full-width tilde") << QStringLiteral("～") << QByteArray("\x81\x60");
    QTest::newRow("circled one") << QStringLiteral("①") << QByteArray("\x87\x40");
    QTest::newRow("IBM kanji") << QStringLiteral("髙") << QByteArray("\xFB\xFC");
    QTest::newRow("backslash") << QStringLiteral("\\1")
                               << QByteArray(
                                      "\x5C"
                                      "1");
    QTest::newRow("trail byte 0x5C") << QStringLiteral("ソ") << QByteArray("\x83\x5C");
    QTest::newRow("half-width kana") << QStringLiteral("ｵﾐｯﾄ") << QByteArray("\xB5\xD0\xAF\xC4");
    QTest::newRow("full-width digits")
        << QStringLiteral("１．５") << QByteArray("\x82\x50\x81\x44\x82\x54");
  }
  void textsComeBack() {
    QFETCH(QString, text);
    QFETCH(QByteArray, line);
    GridTexts cells = Example();
    cells[7][kColumnY] = text;
    cells[20][kColumnOmit] = text;
    const auto encoded = EncodeSeriesFile(cells, 1);
    QVERIFY(encoded.Ok());
    const QList<QByteArray> lines = encoded.bytes.split('\n');
    QCOMPARE(lines[20], line + '\r');  // line 21: row 7's y
    QCOMPARE(lines[60], line + '\r');  // line 61: row 20's Omit
    const auto decoded = DecodeSeriesFile(encoded.bytes);
    QVERIFY(decoded);
    QCOMPARE(Describe(*decoded), Describe(cells));
    QVERIFY(*decoded == cells);
  }

  void unreadableBytesComeBack_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("lone lead byte at the end") << QByteArray("1.5\x81");
    QTest::newRow("0xFF") << QByteArray("\xFF");
    QTest::newRow("0xA0") << QByteArray(
        "2\xA0"
        "3");
    QTest::newRow("0x80 0xFD 0xFE") << QByteArray("\x80\xFD\xFE");
    QTest::newRow("space as trail") << QByteArray("\x81 ");
    QTest::newRow("control as trail") << QByteArray("\x9F\x1F");
    QTest::newRow("0xFD as trail") << QByteArray("\xE0\xFD");
    QTest::newRow("duplicate code") << QByteArray("\x87\x90\xED\x40");
    QTest::newRow("UTF-8") << QByteArray("\xE2\x82\xAC 1\xC3\xA9");
    QTest::newRow("NUL") << QByteArray(
        "1\0"
        "2",
        3);
  }
  void unreadableBytesComeBack() {
    QFETCH(QByteArray, line);
    for (const int index : {0, 5, 59}) {
      QList<QByteArray> lines(60);
      lines[index] = line;
      const QByteArray file = File(lines);
      const auto decoded = DecodeSeriesFile(file);
      QVERIFY(decoded);
      const int row = index / 3 + 1, column = index % 3 + 1;
      QVERIFY(!(*decoded)[row][column].isEmpty());
      const auto encoded = EncodeSeriesFile(*decoded, 1);
      QVERIFY(encoded.Ok());
      QCOMPARE(encoded.bytes.toHex(' '), file.toHex(' '));
    }
  }

  void randomFilesComeBack() {
    QRandomGenerator random(611);
    for (int i = 0; i < 300; ++i) {
      QList<QByteArray> lines(60);
      for (QByteArray& line : lines) {
        line.resize(random.bounded(0, 12));
        for (char& b : line) {
          do b = static_cast<char>(random.bounded(256));
          while (b == '\r' || b == '\n');
        }
      }
      const QByteArray file = File(lines);
      const auto decoded = DecodeSeriesFile(file);
      QVERIFY(decoded);
      const auto encoded = EncodeSeriesFile(*decoded, 1);
      QVERIFY(encoded.Ok());
      QCOMPARE(encoded.bytes.toHex(' '), file.toHex(' '));
    }
  }

  void lineFeedsAlone() {
    const QByteArray crlf = EncodeSeriesFile(Example(), 1).bytes;
    QByteArray lf = crlf;
    lf.replace("\r\n", "\n");
    QCOMPARE(lf.size(), 140 - 61);
    const auto a = DecodeSeriesFile(crlf), b = DecodeSeriesFile(lf);
    QVERIFY(a && b);
    QCOMPARE(Describe(*b), Describe(Example()));
    QVERIFY(*a == *b);
  }

  void loneCarriageReturnsAreDropped() {
    const QByteArray file = "ovt110\r\r\n1\r2\r\n\r3\n4\r\r\n5\n\r\n\r";
    const auto cells = DecodeSeriesFile(file);
    QVERIFY(cells);
    GridTexts expected;
    expected[1][kColumnX] = "12";
    expected[1][kColumnY] = "3";
    expected[1][kColumnOmit] = "4";
    expected[2][kColumnX] = "5";
    QCOMPARE(Describe(*cells), Describe(expected));
    QVERIFY(*cells == expected);
  }

  void missingLinesReadEmpty_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("filled");  // cells filled from the start, in file order
    QTest::newRow("magic line without its end") << QByteArray("ovt110") << 0;
    QTest::newRow("magic line") << QByteArray("ovt110\r\n") << 0;
    QTest::newRow("two lines") << QByteArray("ovt110\r\nA\r\nB\r\n") << 2;
    QTest::newRow("last line without its end") << QByteArray("ovt110\r\nA\r\nB\r\nC\r\nD") << 4;
    QList<QByteArray> lines;
    for (int i = 0; i < 59; ++i) lines << QByteArray(1, 'A' + i % 26);
    QTest::newRow("60 of 61") << File(lines) << 59;
  }
  void missingLinesReadEmpty() {
    QFETCH(QByteArray, file);
    QFETCH(int, filled);
    const auto cells = DecodeSeriesFile(file);
    QVERIFY(cells);
    GridTexts expected;
    for (int i = 0; i < filled; ++i) expected[i / 3 + 1][i % 3 + 1] = QChar('A' + i % 26);
    QCOMPARE(Describe(*cells), Describe(expected));
    QVERIFY(*cells == expected);
  }

  void emptyFileIsRefused() { QVERIFY(!DecodeSeriesFile(QByteArray())); }

  // Long lines are read whole while the file stays within the bound (900 000 bytes here).
  void longLines() {
    const QByteArray digits = QByteArray("1234567890").repeated(50000);
    const QByteArray kanji = QByteArray("\x8C\x6E\x97\xF1").repeated(100000);
    QList<QByteArray> lines(60);
    lines[4] = digits;
    lines[59] = kanji;
    const auto cells = DecodeSeriesFile(File(lines));
    QVERIFY(cells);
    QCOMPARE((*cells)[2][kColumnY], QString::fromLatin1(digits));
    QCOMPARE((*cells)[20][kColumnOmit], QStringLiteral("系列").repeated(100000));
    QCOMPARE((*cells)[2][kColumnX], QString());
    QCOMPARE((*cells)[2][kColumnOmit], QString());
  }

  void linesAfterTheLastAreIgnored() {
    const QByteArray file = EncodeSeriesFile(Example(), 1).bytes;
    for (const QByteArray& more :
         {QByteArray("9\r\n"), QByteArray("9\r\n8\r\n7"), QByteArray("\xFF\n").repeated(100)}) {
      const auto cells = DecodeSeriesFile(file + more);
      QVERIFY(cells);
      QCOMPARE(Describe(*cells), Describe(Example()));
      QVERIFY(*cells == Example());
    }
  }

  void firstLine_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("equal") << QByteArray("ovt110") << true;
    QTest::newRow("longer") << QByteArray("ovt1100") << true;
    QTest::newRow("trailing blank") << QByteArray("ovt110 ") << true;
    QTest::newRow("higher digit") << QByteArray("ovt111") << true;
    QTest::newRow("higher version") << QByteArray("ovt2") << true;
    QTest::newRow("higher letter") << QByteArray("ovu") << true;
    QTest::newRow("DEL after prefix") << QByteArray("ovt11\x7F") << true;
    QTest::newRow("byte 0x80") << QByteArray("\x80") << true;
    QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBFovt110") << true;
    QTest::newRow("Japanese") << QByteArray("\x8C\x6E\x97\xF1") << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("proper prefix") << QByteArray("ovt11") << false;
    QTest::newRow("one letter") << QByteArray("o") << false;
    QTest::newRow("lower digit") << QByteArray("ovt109") << false;
    QTest::newRow("lower version") << QByteArray("ovt10") << false;
    QTest::newRow("upper case") << QByteArray("OVT110") << false;
    QTest::newRow("capital first") << QByteArray("Ovt110") << false;
    QTest::newRow("slash below the digit") << QByteArray("ovt11/") << false;
    QTest::newRow("leading blank") << QByteArray(" ovt110") << false;
    QTest::newRow("NUL first") << QByteArray("\0ovt110", 7) << false;
    QTest::newRow("numbers only") << QByteArray("1.5") << false;
  }
  void firstLine() {
    QFETCH(QByteArray, line);
    QFETCH(bool, accepted);
    QCOMPARE(AcceptsFirstLine(line), accepted);
    for (const char* end : {"\r\n", "\n"}) {
      const auto cells = DecodeSeriesFile(line + end + "7\r\n8\r\n");
      QCOMPARE(cells.has_value(), accepted);
      if (cells) QCOMPARE((*cells)[1][kColumnY], QStringLiteral("8"));
    }
  }

  // A wrong file is refused from its first bytes, however large: each read asks for no more than
  // the magic line still needs.
  void refusalReadsOnlyWhatDecides_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<qint64>("tail");
    QTest::addColumn<QList<qint64>>("asked");
    QTest::addColumn<qint64>("got");
    const qint64 gigabyte = qint64{1} << 30;
    QTest::newRow("disk image of zeros") << QByteArray() << gigabyte << QList<qint64>{6} << 6ll;
    QTest::newRow("zip archive") << QByteArray("PK\x03\x04") << gigabyte << QList<qint64>{6}
                                 << 6ll;
    QTest::newRow("capital letters") << QByteArray("OVT110\r\n") << gigabyte
                                     << QList<qint64>{6} << 6ll;
    QTest::newRow("lower version") << QByteArray("ovt109\r\n") << gigabyte
                                   << QList<qint64>{6} << 6ll;
    QTest::newRow("proper prefix") << QByteArray("ovt11\n1\n") << gigabyte
                                   << QList<qint64>{6} << 6ll;
    QTest::newRow("CRs dropped before the lower digit")
        << QByteArray("o\r\rvt109") << gigabyte << QList<qint64>{6, 2} << 8ll;
    QTest::newRow("short file") << QByteArray("ovt1") << 0ll << QList<qint64>{6, 2} << 4ll;
    QTest::newRow("empty file") << QByteArray() << 0ll << QList<qint64>{6} << 0ll;
  }
  void refusalReadsOnlyWhatDecides() {
    QFETCH(QByteArray, head);
    QFETCH(qint64, tail);
    QFETCH(QList<qint64>, asked);
    QFETCH(qint64, got);
    QTemporaryDir dir;
    const QString path = SparseFile(dir, head, tail);
    QVERIFY(!path.isEmpty());
    CountingFiles files;
    QVERIFY(!ReadSeriesFile(path, files));
    QCOMPARE(files.asked, asked);
    QCOMPARE(files.Total(), got);
    QCOMPARE(files.closes, 1);
  }

  // 61 lines and then a gigabyte: the reading ends with the read that reaches the end of line 61.
  void linesAfterTheLastAreNotRead_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::addRow("example") << EncodeSeriesFile(Example(), 1).bytes;
    QTest::addRow("LF only") << EncodeSeriesFile(Example(), 1).bytes.replace("\r\n", "\n");
    QTest::addRow("a long line, within the bound") << SizedFile(900000, 30);
    QTest::addRow("exactly the bound") << SizedFile(kMaxSeriesFileBytes, 61);
  }
  void linesAfterTheLastAreNotRead() {
    QFETCH(QByteArray, head);
    QTemporaryDir dir;
    const QString path = SparseFile(dir, head + "9\r\n8\r\n", qint64{1} << 30);
    QVERIFY(!path.isEmpty());
    CountingFiles files;
    const auto cells = ReadSeriesFile(path, files);
    QVERIFY(cells);
    QVERIFY(*cells == PlainCells(head));
    QVERIFY(files.Total() >= head.size());
    QVERIFY2(files.Total() - files.got.last() < head.size(), "a read after the end of line 61");
    QVERIFY(files.Total() <= kMaxSeriesFileBytes + 1);
    QCOMPARE(files.closes, 1);
  }

  // A first line that passes and no line end for a gigabyte: refused at the bound, read no further.
  void boundRefusalReadsNoFurther_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::newRow("magic line") << QByteArray("ovt110");
    QTest::newRow("program above the magic line") << QByteArray("\x7F" "ELF\x02\x01\x01");
    QTest::newRow("a few lines") << QByteArray("ovt110\r\n1\r\n2\r\n");
  }
  void boundRefusalReadsNoFurther() {
    QFETCH(QByteArray, head);
    QTemporaryDir dir;
    const QString path = SparseFile(dir, head, qint64{1} << 30);
    QVERIFY(!path.isEmpty());
    CountingFiles files;
    QVERIFY(!ReadSeriesFile(path, files));
    QCOMPARE(files.Total(), kMaxSeriesFileBytes + 1);
    QCOMPARE(files.closes, 1);
  }

  // The 61 lines may take kMaxSeriesFileBytes bytes, line ends included, and not one more.
  void bound_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("accepted");
    const qsizetype max = kMaxSeriesFileBytes;
    QTest::newRow("exactly the bound") << SizedFile(max, 30) << true;
    QTest::newRow("one byte over") << SizedFile(max + 1, 30) << false;
    QTest::newRow("LF only, exactly, lines after it")
        << SizedFile(max, 5, "\n", "\n", QByteArray(2 * max, '\n')) << true;
    QTest::newRow("LF only, one over, lines after it")
        << SizedFile(max + 1, 5, "\n", "\n", "1\n2\n") << false;
    QTest::newRow("last line without its end, exactly") << SizedFile(max, 61, "\r\n", "") << true;
    QTest::newRow("last line without its end, one over")
        << SizedFile(max + 1, 61, "\r\n", "") << false;
    QTest::newRow("over in line 61, short lines after it")
        << SizedFile(max + 1, 61, "\r\n", "\r\n", "1\r\n") << false;
    QTest::newRow("a first line of exactly the bound") << SizedFile(max, 1) << true;
    QTest::newRow("a first line past the bound") << SizedFile(max + 1, 1) << false;
    QTest::newRow("a first line of CRs past the bound")
        << "ovt" + QByteArray(max, '\r') + "110\r\n" << false;
    QTest::newRow("CRs in the first line, within it")
        << "ovt" + QByteArray(1000, '\r') + "110\r\n7\n" << true;
    QTest::newRow("a file of one line and no line end") << "ovt110" + QByteArray(max, 'x')
                                                        << false;
  }
  void bound() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, accepted);
    const auto decoded = DecodeSeriesFile(bytes);
    QCOMPARE(decoded.has_value(), accepted);
    if (decoded) QVERIFY(*decoded == PlainCells(bytes));
    QTemporaryDir dir;
    const QString path = SparseFile(dir, bytes, 0);
    QVERIFY(!path.isEmpty());
    CountingFiles files;
    const auto read = ReadSeriesFile(path, files);
    QCOMPARE(read.has_value(), accepted);
    if (read) QVERIFY(*read == *decoded);
    QVERIFY(files.Total() <= kMaxSeriesFileBytes + 1);
    QCOMPARE(files.closes, 1);
  }

  // A failure after the first line throws, and the file is closed.
  void readFailure() {
    QTemporaryDir dir;
    const QString path = SparseFile(dir, EncodeSeriesFile(Example(), 1).bytes, 0);
    CountingFiles files;
    files.failRead = 2;
    QString text;
    try {
      ReadSeriesFile(path, files);
    } catch (const orvelt::CommandError& e) {
      text = QString::fromUtf8(e.what());
    }
    QCOMPARE(text, QStringLiteral("I/O エラー (5)"));
    QCOMPARE(files.asked.size(), 2);
    QCOMPARE(files.closes, 1);
  }

  // A file the reader would refuse is never written: the bound counts the bytes of the file.
  void saveBound_data() {
    QTest::addColumn<int>("series");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("saved");
    const qsizetype room = kMaxSeriesFileBytes - 128;
    QTest::newRow("series 1, exactly the bound")
        << 1 << 3 << kColumnY << QString(room, u'1') << true;
    QTest::newRow("series 1, one byte over") << 1 << 3 << kColumnY << QString(room + 1, u'1')
                                             << false;
    QTest::newRow("series 1, two-byte characters, one byte over")
        << 1 << 20 << kColumnOmit << QStringLiteral("系").repeated(room / 2) + "ab" << false;
    QTest::newRow("series 1, two-byte characters, exactly")
        << 1 << 20 << kColumnOmit << QStringLiteral("系").repeated(room / 2) << true;
    QTest::newRow("series 2, one byte over") << 2 << 1 << kColumnX << QString(room + 1, u'1')
                                             << false;
    QTest::newRow("series 2 writes no Omit") << 2 << 1 << kColumnOmit
                                             << QString(3 * room, u'1') << true;
    QTest::newRow("far over") << 1 << 1 << kColumnX << QString(50 * room, u'1') << false;
  }
  void saveBound() {
    QFETCH(int, series);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(bool, saved);
    GridTexts cells;
    cells[row][column] = text;
    const auto encoded = EncodeSeriesFile(cells, series);
    QCOMPARE(encoded.Ok(), saved);
    QCOMPARE(encoded.tooLarge, !saved);
    QCOMPARE(encoded.badRow, 0);
    if (!saved) {
      QCOMPARE(encoded.bytes, QByteArray());
      return;
    }
    QVERIFY(encoded.bytes.size() <= kMaxSeriesFileBytes);
    const auto again = DecodeSeriesFile(encoded.bytes);
    QVERIFY(again);
    if (series == 1) QVERIFY((*again)[row][column] == text);
  }

  void oversizedSeriesText() {
    orvelt::EncodedSeries file;
    file.tooLarge = true;
    const orvelt::Refusal refusal = SaveRefusal(file, 1);
    QCOMPARE(refusal.message, &orvelt::kOversizedSeries);
    QCOMPARE(
        QString::fromStdString(refusal.text),
        QStringLiteral("セルの文字が長すぎて保存できません\n\nファイルは 1048576 バイトまでです"));
  }

  void unsavableCells_data() {
    QTest::addColumn<int>("series");
    QTest::addColumn<QList<int>>("cells");  // row, column, ... of the cells given the text
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::newRow("emoji in a y") << 1 << QList<int>{3, kColumnY} << QStringLiteral("1😀") << 3 << 2;
    QTest::newRow("euro sign in the last Omit")
        << 1 << QList<int>{20, kColumnOmit} << QStringLiteral("€") << 20 << 3;
    QTest::newRow("series 2 never writes Omit")
        << 2 << QList<int>{20, kColumnOmit} << QStringLiteral("€") << 0 << 0;
    QTest::newRow("series 2 x") << 2 << QList<int>{11, kColumnX} << QStringLiteral("€") << 11 << 1;
    QTest::newRow("lone surrogate below the reserved ones")
        << 1 << QList<int>{1, kColumnX} << QStringView(u"\xDC41").toString() << 1 << 1;
    QTest::newRow("wave dash") << 1 << QList<int>{9, kColumnY} << QStringLiteral("〜") << 9 << 2;
    QTest::newRow("first in file order across rows")
        << 1 << QList<int>{5, kColumnX, 4, kColumnOmit} << QStringLiteral("€") << 4 << 3;
    QTest::newRow("first in file order in a row")
        << 1 << QList<int>{6, kColumnY, 6, kColumnX} << QStringLiteral("€") << 6 << 1;
  }
  void unsavableCells() {
    QFETCH(int, series);
    QFETCH(QList<int>, cells);
    QFETCH(QString, text);
    QFETCH(int, row);
    QFETCH(int, column);
    GridTexts series1 = Example();
    for (int i = 0; i < cells.size(); i += 2) series1[cells[i]][cells[i + 1]] = text;
    const auto encoded = EncodeSeriesFile(series1, series);
    QCOMPARE(encoded.badRow, row);
    QCOMPARE(encoded.badColumn, column);
    QCOMPARE(encoded.Ok(), row == 0);
    if (row != 0)
      QCOMPARE(encoded.bytes, QByteArray());
    else
      QCOMPARE(encoded.bytes.size(), 136);
  }

  void unsavableCellTexts_data() {
    QTest::addColumn<int>("series");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::newRow("1 x") << 1 << 1 << kColumnX
                         << QStringLiteral("保存できない文字があります\n\n  Data No. 1 の x");
    QTest::newRow("1 y") << 1 << 12 << kColumnY
                         << QStringLiteral("保存できない文字があります\n\n  Data No. 12 の y");
    QTest::newRow("1 Omit") << 1 << 20 << kColumnOmit
                            << QStringLiteral(
                                   "保存できない文字があります\n\n  Data No. 20 の Omit");
    QTest::newRow("2 x") << 2 << 3 << kColumnX
                         << QStringLiteral("保存できない文字があります\n\n系列２ Data No. 3 の x");
    QTest::newRow("2 y") << 2 << 20 << kColumnY
                         << QStringLiteral("保存できない文字があります\n\n系列２ Data No. 20 の y");
  }
  void unsavableCellTexts() {
    QFETCH(int, series);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    orvelt::EncodedSeries file;
    file.badRow = row;
    file.badColumn = column;
    const orvelt::Refusal refusal = SaveRefusal(file, series);
    QCOMPARE(refusal.message, &orvelt::kUnsavableCell);
    QCOMPARE(QString::fromStdString(refusal.text), text);
  }
};

QTEST_APPLESS_MAIN(TestSeriesFile)
#include "test_seriesfile.moc"
