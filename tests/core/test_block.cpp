#include <QTest>

#include "core/block.h"

using namespace orvelt;

Q_DECLARE_METATYPE(orvelt::TextBlock)

namespace {

// A block written as lines of "|"-separated fields, for short tables: {"1|2", "3|"}.
TextBlock Lines(std::initializer_list<const char*> lines) {
  TextBlock block;
  for (const char* line : lines) {
    block.emplace_back(1);
    for (const char* p = line; *p; ++p) {
      if (*p == '|')
        block.back().emplace_back();
      else
        block.back().back() += *p;
    }
  }
  return block;
}

QString Show(const TextBlock& block) {
  QStringList lines;
  for (const auto& line : block) {
    QStringList fields;
    for (const auto& f : line) fields << QString::fromStdString(f);
    lines << fields.join(QLatin1Char('|'));
  }
  return QLatin1Char('[') + lines.join(QStringLiteral("] [")) + QLatin1Char(']');
}

// Placed fields as "col,row=text", in the order given.
QStringList Show(const std::vector<PlacedField>& placed) {
  QStringList out;
  for (const PlacedField& f : placed)
    out << QStringLiteral("%1,%2=%3").arg(f.col).arg(f.row).arg(QString::fromStdString(f.text));
  return out;
}

}  // namespace

class TestBlock : public QObject {
  Q_OBJECT

 private slots:
  void isBlock_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("block");
    QTest::newRow("one number") << QByteArray("12.5") << false;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("blanks only") << QByteArray("  ") << false;
    QTest::newRow("Japanese, no break") << QByteArray("測定 1") << false;
    QTest::newRow("a tab") << QByteArray("1\t2") << true;
    QTest::newRow("a lone tab") << QByteArray("\t") << true;
    QTest::newRow("LF") << QByteArray("1\n") << true;
    QTest::newRow("CR") << QByteArray("1\r") << true;
    QTest::newRow("CR LF") << QByteArray("1\r\n2") << true;
    QTest::newRow("vertical tab and form feed are text") << QByteArray("1\v2\f") << false;
  }
  void isBlock() {
    QFETCH(QByteArray, text);
    QFETCH(bool, block);
    QCOMPARE(IsBlock(text.toStdString()), block);
  }

  void split_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<TextBlock>("block");
    QTest::newRow("tabs") << QByteArray("1\t2\t3") << Lines({"1|2|3"});
    QTest::newRow("CR LF") << QByteArray("1\t2\r\n3\t4") << Lines({"1|2", "3|4"});
    QTest::newRow("LF") << QByteArray("1\t2\n3\t4") << Lines({"1|2", "3|4"});
    QTest::newRow("lone CR") << QByteArray("1\t2\r3\t4") << Lines({"1|2", "3|4"});
    QTest::newRow("line endings mixed") << QByteArray("a\rb\nc\r\nd") << Lines({"a", "b", "c", "d"});
    QTest::newRow("trailing CR LF ignored") << QByteArray("1\t2\r\n3\t4\r\n") << Lines({"1|2", "3|4"});
    QTest::newRow("trailing LF ignored") << QByteArray("1\n") << Lines({"1"});
    QTest::newRow("trailing CR ignored") << QByteArray("1\r") << Lines({"1"});
    QTest::newRow("only one trailing break ignored") << QByteArray("1\r\n\r\n") << Lines({"1", ""});
    QTest::newRow("LF then CR are two breaks") << QByteArray("1\n\r2") << Lines({"1", "", "2"});
    QTest::newRow("a lone line break") << QByteArray("\n") << Lines({""});
    QTest::newRow("empty fields") << QByteArray("\t2\t\r\n\t\t") << Lines({"|2|", "||"});
    QTest::newRow("empty line inside") << QByteArray("1\t2\n\n3\t4") << Lines({"1|2", "", "3|4"});
    QTest::newRow("ragged lines") << QByteArray("1\n2\t3\t4\n5\t6") << Lines({"1", "2|3|4", "5|6"});
    QTest::newRow("texts verbatim") << QByteArray(" 1 \t+2e3\t Omit\r\nx\t1,5\t")
                                    << Lines({" 1 |+2e3| Omit", "x|1,5|"});
    QTest::newRow("UTF-8 kept whole") << QByteArray("系列\t測定\r\n１\t２")
                                      << Lines({"系列|測定", "１|２"});
  }
  void split() {
    QFETCH(QByteArray, text);
    QFETCH(TextBlock, block);
    QCOMPARE(Show(SplitBlock(text.toStdString())), Show(block));
  }

  void place_data() {
    QTest::addColumn<TextBlock>("block");
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<int>("lastCol");
    QTest::addColumn<QStringList>("placed");
    QTest::newRow("two columns from the top")
        << Lines({"1|2", "3|4"}) << QPoint(1, 1) << 3
        << QStringList{"1,1=1", "2,1=2", "1,2=3", "2,2=4"};
    QTest::newRow("third column into the Omit column")
        << Lines({"1|2|Omit"}) << QPoint(1, 5) << 3 << QStringList{"1,5=1", "2,5=2", "3,5=Omit"};
    QTest::newRow("too wide for series 1")
        << Lines({"1|2|3|4|5"}) << QPoint(1, 1) << 3 << QStringList{"1,1=1", "2,1=2", "3,1=3"};
    QTest::newRow("too wide for series 2")
        << Lines({"1|2|3"}) << QPoint(1, 2) << 2 << QStringList{"1,2=1", "2,2=2"};
    QTest::newRow("from the y column") << Lines({"1|2|3", "4"}) << QPoint(2, 7) << 3
                                       << QStringList{"2,7=1", "3,7=2", "2,8=4"};
    QTest::newRow("start in the last row")
        << Lines({"1|2", "3|4", "5|6"}) << QPoint(1, 20) << 2 << QStringList{"1,20=1", "2,20=2"};
    QTest::newRow("empty fields are written")
        << Lines({"|", ""}) << QPoint(1, 3) << 2 << QStringList{"1,3=", "2,3=", "1,4="};
    QTest::newRow("start left of the data never writes the label column")
        << Lines({"a|1|2"}) << QPoint(0, 1) << 2 << QStringList{"1,1=1", "2,1=2"};
    QTest::newRow("start above the data never writes the header row")
        << Lines({"h", "1"}) << QPoint(1, 0) << 2 << QStringList{"1,1=1"};
    QTest::newRow("start beyond the grid") << Lines({"1|2"}) << QPoint(3, 21) << 2 << QStringList{};
  }
  void place() {
    QFETCH(TextBlock, block);
    QFETCH(QPoint, start);
    QFETCH(int, lastCol);
    QFETCH(QStringList, placed);
    QCOMPARE(Show(PlaceBlock(block, start.x(), start.y(), lastCol, 20)), placed);
  }

  void tooLong() {
    // 25 lines from row 1: rows 1 to 20 only, each in its order.
    TextBlock block;
    for (int i = 1; i <= 25; ++i) block.push_back({std::to_string(i), std::to_string(2 * i)});
    const auto placed = PlaceBlock(block, 1, 1, 3, 20);
    QCOMPARE(placed.size(), std::size_t{40});
    for (int r = 1; r <= 20; ++r) {
      QCOMPARE(placed[2 * (r - 1)], (PlacedField{1, r, std::to_string(r)}));
      QCOMPARE(placed[2 * (r - 1) + 1], (PlacedField{2, r, std::to_string(2 * r)}));
    }
  }

  void join_data() {
    QTest::addColumn<TextBlock>("block");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("two by two") << Lines({"1|2", "3|4"}) << QByteArray("1\t2\r\n3\t4\r\n");
    QTest::newRow("one column") << Lines({"1", "2"}) << QByteArray("1\r\n2\r\n");
    QTest::newRow("empty cells keep their tabs") << Lines({"|", "x|"}) << QByteArray("\t\r\nx\t\r\n");
    QTest::newRow("texts verbatim") << Lines({" 1 |測定"}) << QByteArray(" 1 \t測定\r\n");
  }
  void join() {
    QFETCH(TextBlock, block);
    QFETCH(QByteArray, text);
    QCOMPARE(QByteArray::fromStdString(JoinBlock(block)), text);
  }

  void joinThenSplitGivesTheBlockBack_data() {
    QTest::addColumn<TextBlock>("block");
    QTest::newRow("numbers") << Lines({"1|2", "3|4", "5|6"});
    QTest::newRow("empty cells") << Lines({"|", "|", "1|"});
    QTest::newRow("one cell") << Lines({"7"});
  }
  void joinThenSplitGivesTheBlockBack() {
    QFETCH(TextBlock, block);
    QCOMPARE(Show(SplitBlock(JoinBlock(block))), Show(block));
  }
};

QTEST_APPLESS_MAIN(TestBlock)
#include "test_block.moc"
