#include <QTest>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "core/number.h"
#include "tests/support.h"

using orvelt::CommandError;
using orvelt::Ext;
using orvelt::FormatNumber;
using orvelt::ParseNumber;

Q_DECLARE_METATYPE(Ext)

namespace {

QString Shown(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

class TestNumber : public QObject {
  Q_OBJECT

 private slots:
  void validTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("expected");
    QTest::addColumn<bool>("negative");
    struct Row {
      const char* text;
      float value;
    };
    const Row rows[] = {
        {"1", 1},
        {"1.5", 1.5f},
        {" 1.5", 1.5f},
        {"   -2", -2},
        {"+3", 3},
        {"1e3", 1000},
        {"1E3", 1000},
        {"1e+3", 1000},
        {"1e-3", 1e-3f},
        {"-.5", -0.5f},
        {".5", 0.5f},
        {"5.", 5},
        {".", 0},
        {"e7", 0},
        {"-.", -0.0f},
        {"-e5", -0.0f},
        {"0", 0},
        {"-0", -0.0f},
        {"007", 7},
        {"1.25e2", 125},
        {"12.5e-1", 1.25f},
        {"1e0000000000000000000003", 1000},
        {"0e99999999999999999999", 0},
        {"1e-99999999999999999999", 0},
        {"1e-50", 0},
        {"1e-40", 1e-40f},
        {"0.1", 0.1f},
        {"3.4028235e38", FLT_MAX},
        {"123456789012345678901234567890", 123456789012345678901234567890.0f},
        {"0.000000000000000000000000000000000000000000000001e48", 1},
    };
    for (const Row& r : rows)
      QTest::newRow(r.text) << QString(r.text) << r.value
                            << (std::strchr(r.text, '-') == r.text + std::strspn(r.text, " "));
  }
  void validTexts() {
    QFETCH(QString, text);
    QFETCH(float, expected);
    QFETCH(bool, negative);
    const auto n = ParseNumber(text.toStdString());
    QVERIFY(n.valid);
    QCOMPARE_EXACT(orvelt::StoreNumber(n), expected);
    QCOMPARE(std::signbit(n.single), negative);
    // The extended value rounds to the same 32-bit value wherever that is not a tie.
    QCOMPARE_EXACT(static_cast<float>(n.value), expected);
  }

  void invalidTexts_data() {
    QTest::addColumn<QString>("text");
    for (const char* t :
         {"",      " ",   "   ", "+",     "-",     " -",   "1,5", "$10", "0x10", "1e",
          "1e+",   "--1", "+-1", "1.2.3", "1e5e5", "1.5 ", "1 5", "\t1", "1\t",  "abc",
          "1e5.0", "e",   ".e",  "-e",    "1 e5",  "١",    "1f",  "inf", "nan",  "1d5"})
      QTest::newRow(t) << QString::fromUtf8(t);
    QTest::newRow("full-width one") << QStringLiteral("１");
    QTest::newRow("ideographic space") << QStringLiteral("　1");
  }
  void invalidTexts() {
    QFETCH(QString, text);
    QVERIFY(!ParseNumber(text.toStdString()).valid);
  }

  void extendedValueIsNearest() {
    // 0.1 is not a 32-bit value; the extended value keeps 64 bits of it.
    const auto n = ParseNumber("0.1");
    QCOMPARE_EXACT(n.value, 0.1L);
    QVERIFY(n.value != static_cast<Ext>(n.single));
    QCOMPARE_EXACT(ParseNumber("1e4000").value, 1e4000L);
  }

  void singleIsRoundedOnceFromTheText() {
    // Halfway between two 32-bit values, just above: rounding through the extended value
    // first would land on the tie and go to even.
    // 1 + 2^-24 + 2^-70: the extended value rounds to 1 + 2^-24 (a tie), the text is above it.
    const auto n = ParseNumber("1.000000059604644775390625000000000000000000000001");
    QCOMPARE_EXACT(n.single, 1.0f + 0x1p-23f);
  }

  void overflowStopsTheCommand_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("1e39") << "1e39";
    QTest::newRow("-1e39") << "-1e39";
    QTest::newRow("halfway to 2^128") << "3.40282356779733661637539395458142568448e38";
    QTest::newRow("huge exponent") << "1e99999999999999999999";
  }
  void overflowStopsTheCommand() {
    QFETCH(QString, text);
    const auto n = ParseNumber(text.toStdString());
    QVERIFY(n.valid);
    try {
      orvelt::StoreNumber(n);
      QFAIL("no overflow");
    } catch (const CommandError& e) {
      QCOMPARE(Shown(e.what()), QStringLiteral("浮動小数点数のオーバーフロー"));
    }
  }

  void justBelowHalfwayIsTheLargestValue() {
    QCOMPARE_EXACT(orvelt::StoreNumber(ParseNumber("3.4028235677973366e38")), FLT_MAX);
  }

  void format_data() {
    QTest::addColumn<Ext>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name, Ext v, int w, int d, const char* text) {
      QTest::newRow(name) << v << w << d << QString::fromUtf8(text);
    };
    row("0", 0, 10, 5, "   0.00000");
    row("1.5", 1.5L, 10, 5, "   1.50000");
    row("-2.25", -2.25L, 10, 5, "  -2.25000");
    row("0.015625", 0.015625L, 10, 5, "   0.01563");
    row("-0.015625", -0.015625L, 10, 5, "  -0.01563");
    row("-0.000001", -0.000001L, 10, 5, "  -0.00000");
    row("float 9.999996", 9.999996f, 10, 5, "  10.00000");
    row("float 123456.789", 123456.789f, 10, 5, "123456.78906");
    row("2^120", 0x1p120L, 10, 5, " 1.3E+0036");
    row("0.5 w4", 0.5L, 4, 2, "0.50");
    row("-0.5 w4", -0.5L, 4, 2, "-0.50");
    row("1234.5 w4", 1234.5L, 4, 2, "1234.50");
    row("negative zero", -0.0L, 10, 5, "  -0.00000");
    row("11 w4", 11, 4, 2, "11.00");
    row("float 0.6 w4", 0.6f, 4, 2, "0.60");
    row("half away from zero", 0.125L, 4, 2, "0.13");
    row("half away, negative", -0.125L, 4, 2, "-0.13");
    row("carry into a new digit", 99.999995L, 4, 2, "100.00");
    row("no decimals", 2.5L, 1, 0, "3");
    row("no decimals, small", 0.4L, 3, 0, "  0");
    row("longer than the width", -123456.5L, 4, 2, "-123456.50");
    row("just below 2^120", 0x1p120L - 0x1p56L, 4, 2, "1329227995784915870000000000000000000.00");
    row("-2^120", -0x1p120L, 10, 5, "-1.3E+0036");
    row("scientific carry", 9.96e40L, 10, 5, " 1.0E+0041");
    row("scientific rounds down", 1.349e40L, 10, 5, " 1.3E+0040");
    row("scientific w4", 0x1p121L, 4, 2, " 2.7E+0036");
    row("scientific wide", 0x1p120L, 26, 2, " 1.32922799578491587E+0036");
    row("largest float", FLT_MAX, 10, 5, " 3.4E+0038");
    row("extended beyond float", 1e400L, 10, 5, " 1.0E+0400");
    row("NaN", NAN, 10, 5, "       Nan");
    row("+Inf", INFINITY, 10, 5, "      +Inf");
    row("-Inf", -INFINITY, 4, 2, "-Inf");
    row("NaN narrow", NAN, 2, 2, "Nan");
    // Below 10 the value is first taken to 17 decimals, ties to even.
    row("17 decimals decide", 0.015625L - 0x1p-70L, 10, 5, "   0.01563");
    // From 10 up to 18 significant digits.
    row("18 digits decide", 1234.5L - 0x1p-53L, 4, 0, "1235");
    row("below the 18 digits", 1234.5L - 0x1p-40L, 4, 0, "1234");
    row("tiny positive", 1e-30L, 10, 5, "   0.00000");
  }
  void format() {
    QFETCH(Ext, value);
    QFETCH(int, width);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    const std::string text = FormatNumber(value, width, decimals);
    QCOMPARE(Shown(text), expected);
    // What the text stands for, as the number syntax reads it back, sign of zero included.
    if (std::isfinite(value))
      QCOMPARE_EXACT(orvelt::ShownValue(value, width, decimals), ParseNumber(text).value);
  }
};

QTEST_APPLESS_MAIN(TestNumber)
#include "test_number.moc"
