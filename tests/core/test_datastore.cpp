#include <QTest>
#include <cstring>

#include "core/datastore.h"
#include "tests/core/grid_builder.h"
#include "tests/support.h"

using namespace orvelt;

Q_DECLARE_METATYPE(orvelt::GridInput)

namespace {

const char* const kMessage1 = "正しい数字ではありません\n\n  Data No. ";
const char* const kMessage2 = "正しい数字ではありません\n\n系列２ Data No. ";

QString RefusalText(const std::optional<Refusal>& refusal) {
  return refusal ? QString::fromStdString(refusal->text) : QString();
}

}  // namespace

class TestDataStore : public QObject {
  Q_OBJECT

 private slots:
  // Which cell is reported first, and with which text.
  void firstInvalidCell_data() {
    QTest::addColumn<GridInput>("input");
    QTest::addColumn<QString>("message");
    const QString m1 = QString::fromUtf8(kMessage1), m2 = QString::fromUtf8(kMessage2);
    QTest::newRow("all empty") << Grids({}) << QString();
    QTest::newRow("x only, invalid") << Grids({{1, "abc", ""}}) << QString();
    QTest::newRow("y only, invalid") << Grids({{1, "", "abc"}}) << QString();
    QTest::newRow("leading blank") << Grids({{1, " 1.5", "2"}}) << QString();
    QTest::newRow("trailing blank") << Grids({{1, "1.5 ", "2"}}) << m1 + "1 の x";
    QTest::newRow("blanks only") << Grids({{4, "1", "  "}}) << m1 + "4 の y";
    QTest::newRow("x before y") << Grids({{2, "a", "b"}}) << m1 + "2 の x";
    QTest::newRow("row order") << Grids({{7, "1", "y"}, {3, "x", "1"}}) << m1 + "3 の x";
    QTest::newRow("two-digit row") << Grids({{20, "1", "1,5"}}) << m1 + "20 の y";
    QTest::newRow("omit text is not checked") << Grids({{1, "1", "2", "??"}}) << QString();
    QTest::newRow("series 2 ignored when unticked")
        << Grids({{1, "1", "2"}}, {{1, "bad", "bad"}}, false) << QString();
    QTest::newRow("series 2 x") << Grids({{1, "1", "2"}}, {{1, "bad", "1"}}, true) << m2 + "1 の x";
    QTest::newRow("series 2 y") << Grids({}, {{9, "1", "--1"}}, true) << m2 + "9 の y";
    QTest::newRow("series 2 incomplete row skipped")
        << Grids({}, {{2, "bad", ""}}, true) << QString();
    QTest::newRow("series 2 row 3 before series 1 row 5")
        << Grids({{5, "1", "bad"}}, {{3, "bad", "1"}}, true) << m2 + "3 の x";
    QTest::newRow("series 1 before series 2 in a row")
        << Grids({{3, "1", "bad"}}, {{3, "bad", "1"}}, true) << m1 + "3 の y";
    QTest::newRow("invalid y wins over overflowing x")
        << Grids({{1, "1e39", "abc"}}) << m1 + "1 の y";
  }
  void firstInvalidCell() {
    QFETCH(GridInput, input);
    QFETCH(QString, message);
    DataStore store;
    const auto refusal = ReadGrids(store, input);
    QCOMPARE(RefusalText(refusal), message);
    if (refusal) QCOMPARE(refusal->message, &kNotANumber);
  }

  void packsCompleteRows() {
    DataStore store;
    QVERIFY(!ReadGrids(store, Grids({{2, "1.5", "-2"},
                                     {3, "9", ""},
                                     {5, "1e3", "-.5", "Omit"},
                                     {6, "", "7", "Omit"},
                                     {8, ".", "e7", " "}})));
    QCOMPARE(store.Count1, 3);
    QCOMPARE(store.OmitCount1, 2);
    QCOMPARE(store.UsedCount(), 1);
    const float x[] = {1.5f, 1000, 0}, y[] = {-2, -0.5f, 0}, use[] = {1, 0, 0};
    for (int k = 1; k <= 3; ++k) {
      QCOMPARE_EXACT(store.X1[k], x[k - 1]);
      QCOMPARE_EXACT(store.Y1[k], y[k - 1]);
      QCOMPARE_EXACT(store.Use1[k], use[k - 1]);
    }
  }

  void valuesAreRoundedTo32Bits() {
    DataStore store;
    QVERIFY(!ReadGrids(store, Grids({{1, "0.1", "1e-50"}, {2, "16777217", "-1e-45"}})));
    QCOMPARE_EXACT(store.X1[1], 0.1f);
    QCOMPARE_EXACT(store.Y1[1], 0.0f);
    QCOMPARE_EXACT(store.X1[2], 16777216.0f);
    QCOMPARE_EXACT(store.Y1[2], -0x1p-149f);
  }

  void readingRestartsAndKeepsOldSlots() {
    DataStore store;
    QVERIFY(!ReadGrids(store, Grids({{1, "1", "1"}, {2, "2", "2"}, {3, "3", "3", "Omit"}},
                                    {{4, "40", "41"}, {6, "60", "61"}}, true)));
    // Second reading: fewer rows, series-2 row 4 emptied, row 6 changed.
    QVERIFY(!ReadGrids(store, Grids({{5, "9", "8"}}, {{6, "-6", "-7"}}, true)));
    QCOMPARE(store.Count1, 1);
    QCOMPARE(store.OmitCount1, 0);
    QCOMPARE_EXACT(store.X1[1], 9.0f);
    // Slots above Count1 keep what the earlier reading left.
    QCOMPARE_EXACT(store.X1[3], 3.0f);
    QCOMPARE_EXACT(store.Use1[3], 0.0f);
    QCOMPARE_EXACT(store.X2[4], 40.0f);
    QCOMPARE_EXACT(store.Y2[4], 41.0f);
    QCOMPARE_EXACT(store.X2[6], -6.0f);
    // Unticked: series 2 is left alone.
    QVERIFY(!ReadGrids(store, Grids({{1, "1", "1"}}, {{6, "0", "0"}}, false)));
    QCOMPARE_EXACT(store.X2[6], -6.0f);
  }

  void invalidCellLeavesPartialStore() {
    DataStore store;
    const auto refusal =
        ReadGrids(store, Grids({{1, "1", "1", "Omit"}, {2, "2", "2"}, {4, "x", "4"}, {5, "5", "5"}},
                               {{1, "10", "11"}, {4, "40", "41"}, {5, "50", "51"}}, true));
    QCOMPARE(RefusalText(refusal), QString::fromUtf8(kMessage1) + "4 の x");
    QCOMPARE(store.Count1, 2);
    QCOMPARE(store.OmitCount1, 1);
    QCOMPARE_EXACT(store.X2[1], 10.0f);
    QCOMPARE_EXACT(store.X2[4], 0.0f);  // row 4 of series 2 comes after series 1 of row 4
  }

  void overflowStopsWithPartialStore_data() {
    QTest::addColumn<GridInput>("input");
    QTest::addColumn<int>("count");
    QTest::newRow("x of row 1") << Grids({{1, "1e39", "1"}}) << 0;
    QTest::newRow("y of row 3") << Grids({{1, "1", "1"}, {3, "1", "-1e39"}}) << 1;
    QTest::newRow("series 2") << Grids({{1, "1", "1"}, {2, "2", "2"}}, {{1, "1", "4e38"}}, true)
                              << 1;
  }
  void overflowStopsWithPartialStore() {
    QFETCH(GridInput, input);
    QFETCH(int, count);
    DataStore store;
    try {
      ReadGrids(store, input);
      QFAIL("no overflow");
    } catch (const CommandError& e) {
      QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("浮動小数点数のオーバーフロー"));
    }
    QCOMPARE(store.Count1, count);
    QCOMPARE_EXACT(store.Y2[1], 0.0f);
  }

  void clearing() {
    DataStore filled;
    QVERIFY(
        !ReadGrids(filled, Grids({{1, "1", "2"}, {2, "3", "4", "Omit"}}, {{7, "5", "6"}}, true)));

    DataStore s1 = filled;
    ClearSeries1(s1);
    QCOMPARE(s1.Count1, 0);
    QCOMPARE(s1.OmitCount1, 0);
    QCOMPARE_EXACT(s1.X1[1], 0.0f);
    QCOMPARE_EXACT(s1.Use1[1], 0.0f);
    QCOMPARE_EXACT(s1.X2[7], 5.0f);

    DataStore s2 = filled;
    ClearSeries2(s2);
    QCOMPARE_EXACT(s2.X2[7], 0.0f);
    QCOMPARE_EXACT(s2.Y2[7], 0.0f);
    QCOMPARE(s2.Count1, 2);

    DataStore all = filled;
    ClearSeries1(all);
    ClearSeries2(all);
    const DataStore zero;
    QVERIFY(std::memcmp(&all, &zero, sizeof zero) == 0);
  }
};

QTEST_APPLESS_MAIN(TestDataStore)
#include "test_datastore.moc"
