// Text files of columns: the fields of tab- and comma-separated lines in the cells of either
// series, as a block pasted at row 1 places them; and the file read whole up to its bound.

#include <QTemporaryDir>
#include <QTest>

#include "files/columns.h"
#include "tests/files/file_support.h"

using namespace orvelt;

namespace {

// The rows that hold text, "row:x,y" and in series 1 ",omit", separated by blanks.
QString Rows(const GridTexts& cells, int series) {
  QStringList rows;
  for (int r = 0; r <= kRows; ++r) {
    QStringList texts;
    bool any = false;
    for (int c = 0; c < kColumns; ++c) {
      const bool data = r >= 1 && c >= kColumnX && c <= (series == 1 ? kColumnOmit : kColumnY);
      if (!data && !cells[r][c].isEmpty()) return QStringLiteral("text outside the data");
      if (!data) continue;
      texts << cells[r][c];
      any |= !cells[r][c].isEmpty();
    }
    if (any) rows << QStringLiteral("%1:%2").arg(r).arg(texts.join(','));
  }
  return rows.join(' ');
}

// The real calls, counting the bytes read.
class CountingFiles : public FileSystem {
 public:
  qsizetype read = 0;
  ssize_t Read(int fd, void* buffer, size_t size) override {
    const ssize_t n = FileSystem::Read(fd, buffer, size);
    read += n > 0 ? n : 0;
    return n;
  }
};

}  // namespace

class TestColumns : public QObject {
  Q_OBJECT

 private slots:
  void cells_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("series");
    QTest::addColumn<QString>("rows");
    auto row = [](const char* name, const QByteArray& text, int series, const char* rows) {
      QTest::newRow(name) << text << series << QString::fromUtf8(rows);
    };
    row("tabs", "1\t2\n3\t4\tOmit\n", 1, "1:1,2, 2:3,4,Omit");
    row("tabs, series 2 has no Omit", "1\t2\n3\t4\tOmit\n", 2, "1:1,2 2:3,4");
    row("commas, CR LF", "2001,371.32\r\n2002,373.45\r\n", 1, "1:2001,371.32, 2:2002,373.45,");
    row("with a tab, commas are text", "1,5\t2\n", 1, "1:1,5,2,");
    row("blanks kept, nothing parsed", " 1, 2 ,x\n", 1, "1: 1, 2 ,x");
    row("a quoted comma", "\"1,5\",2\n", 1, "1:1,5,2,");
    row("a doubled quote", "\"a\"\"b\",\"\"\n", 1, "1:a\"b,,");
    row("a quote inside a field is text", "1\"2,3\n", 1, "1:1\"2,3,");
    row("text after the closing quote", "\"a\"b,c\n", 1, "1:ab,c,");
    row("an open quote runs to the line's end", "\"a,b\nc,d\n", 1, "1:a,b,, 2:c,d,");
    row("byte order mark skipped", "\xEF\xBB\xBF" "1,2\n", 1, "1:1,2,");
    row("a field's own mark kept", "\xEF\xBB\xBF\xEF\xBB\xBF" "1\t\xEF\xBB\xBF" "2\n", 1,
        "1:\uFEFF1,\uFEFF2,");
    row("lone CR and an empty line", "1,2\r\r3,4", 1, "1:1,2, 3:3,4,");
    row("fields past the last column dropped", "1,2,Omit,9,9\n", 2, "1:1,2");
    row("rows past 20 dropped", QByteArray("1,2\n").repeated(21) + "7,8\n", 1,
        "1:1,2, 2:1,2, 3:1,2, 4:1,2, 5:1,2, 6:1,2, 7:1,2, 8:1,2, 9:1,2, 10:1,2, 11:1,2, 12:1,2, "
        "13:1,2, 14:1,2, 15:1,2, 16:1,2, 17:1,2, 18:1,2, 19:1,2, 20:1,2,");
    row("UTF-8", "メモ,測定\n", 1, "1:メモ,測定,");
    row("nothing", "", 1, "");
  }
  void cells() {
    QFETCH(QByteArray, text);
    QFETCH(int, series);
    QFETCH(QString, rows);
    QCOMPARE(Rows(ColumnCells(text, series), series), rows);
  }

  // Read to the end; a file past the bound is refused, no more than a byte past it read.
  void file_data() {
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<bool>("read");
    QTest::newRow("empty") << qsizetype(0) << true;
    QTest::newRow("at the bound") << kMaxSeriesFileBytes << true;
    QTest::newRow("one byte more") << kMaxSeriesFileBytes + 1 << false;
    QTest::newRow("far more") << 3 * kMaxSeriesFileBytes << false;
  }
  void file() {
    QFETCH(qsizetype, size);
    QFETCH(bool, read);
    QTemporaryDir dir;
    const QString path = dir.filePath("a.csv");
    QVERIFY(Write(path, QByteArray(size, ',')));
    CountingFiles files;
    const std::optional<QByteArray> bytes = ReadColumnsFile(path, files);
    QCOMPARE(bytes.has_value(), read);
    if (read) QCOMPARE(bytes->size(), size);
    QCOMPARE(files.read, std::min(size, kMaxSeriesFileBytes + 1));
  }
  void missingFile() {
    QVERIFY_THROWS_EXCEPTION(CommandError, ReadColumnsFile("/nonexistent/a.csv"));
  }
};

QTEST_APPLESS_MAIN(TestColumns)
#include "test_columns.moc"
