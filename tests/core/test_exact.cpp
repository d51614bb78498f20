#include <QTest>
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "core/arith.h"
#include "core/exact.h"
#include "tests/support.h"

using namespace orvelt;

Q_DECLARE_METATYPE(mpq_class)

namespace {

// m · 2^e, exactly.
mpq_class Dyadic(long m, int e) {
  mpq_class q = m;
  if (e >= 0) {
    mpq_mul_2exp(q.get_mpq_t(), q.get_mpq_t(), e);
  } else {
    mpq_div_2exp(q.get_mpq_t(), q.get_mpq_t(), -e);
  }
  return q;
}

// The rational of a float, exactly.
mpq_class Exactly(float value) {
  return mpq_class(static_cast<double>(value));
}

const float kInf = INFINITY;  // stands for the overflow stop

using Rounding = float (*)(const mpz_class&, const mpz_class&, long);

// q rounded as numerator, denominator and 2^0, or infinity and the fault's text when the
// rounding stops the command.
float Rounded(const mpq_class& q, Rounding round, QString& fault) {
  try {
    return round(q.get_num(), q.get_den(), 0);
  } catch (const CommandError& e) {
    fault = QString::fromUtf8(e.what());
    return kInf;
  }
}

}  // namespace

class TestExact : public QObject {
  Q_OBJECT

  // The row's q rounded to its expected float; infinity stands for the overflow stop.
  static void CheckRow(Rounding round) {
    QFETCH(mpq_class, q);
    QFETCH(float, expected);
    QString fault;
    const float actual = Rounded(q, round, fault);
    QCOMPARE_EXACT(actual, expected);
    QCOMPARE(fault, std::isinf(expected) ? QString::fromUtf8(kOverflow.text) : QString());
  }

 private slots:
  void nearest_data() {
    QTest::addColumn<mpq_class>("q");
    QTest::addColumn<float>("expected");
    const mpq_class one = 1, halfStep = Dyadic(1, -24), tiny = Dyadic(1, -80);
    QTest::newRow("zero is +0") << mpq_class(0) << 0.0f;
    QTest::newRow("2^24 + 1 ties down to even") << mpq_class(16777217) << 16777216.0f;
    QTest::newRow("2^24 + 3 ties up to even") << mpq_class(16777219) << 16777220.0f;
    QTest::newRow("1 + 2^-24 ties to 1") << mpq_class(one + halfStep) << 1.0f;
    QTest::newRow("just above that halfway")
        << mpq_class(one + halfStep + tiny) << std::nextafter(1.0f, 2.0f);
    QTest::newRow("just below the next halfway")
        << mpq_class(one + 3 * halfStep - tiny) << std::nextafter(1.0f, 2.0f);
    QTest::newRow("1 + 3·2^-24 ties up to even")
        << mpq_class(one + 3 * halfStep) << 1.0f + 2 * FLT_EPSILON;
    QTest::newRow("-(1 + 2^-24) ties to -1") << mpq_class(-(one + halfStep)) << -1.0f;
    QTest::newRow("1/3") << mpq_class(1, 3) << 1.0f / 3.0f;
    QTest::newRow("-2/3") << mpq_class(-2, 3) << -2.0f / 3.0f;
    QTest::newRow("1/10") << mpq_class(1, 10) << 0.1f;
    QTest::newRow("0.75 of the least subnormal") << Dyadic(3, -151) << std::nextafter(0.0f, 1.0f);
    QTest::newRow("half the least subnormal ties to +0") << Dyadic(1, -150) << 0.0f;
    QTest::newRow("minus half the least subnormal ties to -0") << Dyadic(-1, -150) << -0.0f;
    QTest::newRow("1.5 least subnormals tie up to 2")
        << Dyadic(3, -150) << 2 * std::nextafter(0.0f, 1.0f);
    // 24 bits alone would keep the halfway point 2^-140 + 2^-150 and lose what lies above it.
    QTest::newRow("rounded once to the subnormal spacing")
        << mpq_class(Dyadic(1, -140) + Dyadic(1, -150) + Dyadic(1, -170))
        << std::ldexp(1.0f, -140) + std::ldexp(1.0f, -149);
    QTest::newRow("largest float") << Exactly(FLT_MAX) << FLT_MAX;
    QTest::newRow("just below the overflow halfway")
        << mpq_class(Dyadic((1L << 25) - 1, 103) - 1) << FLT_MAX;
    QTest::newRow("the overflow halfway overflows") << Dyadic((1L << 25) - 1, 103) << kInf;
    QTest::newRow("10^39 overflows")
        << mpq_class("1000000000000000000000000000000000000000") << kInf;
    QTest::newRow("-10^39 overflows")
        << mpq_class("-1000000000000000000000000000000000000000") << kInf;
  }
  void nearest() { CheckRow(NearestFloat); }

  void root_data() {
    QTest::addColumn<mpq_class>("q");
    QTest::addColumn<float>("expected");
    const mpq_class one = 1, halfStep = Dyadic(1, -24), tiny = Dyadic(1, -100);
    const auto square = [](const mpq_class& r) { return mpq_class(r * r); };
    QTest::newRow("0") << mpq_class(0) << 0.0f;
    QTest::newRow("4") << mpq_class(4) << 2.0f;
    QTest::newRow("1/4") << mpq_class(1, 4) << 0.5f;
    QTest::newRow("2") << mpq_class(2) << 1.41421354f;
    QTest::newRow("4/3") << mpq_class(4, 3) << 1.15470052f;
    QTest::newRow("a root exactly halfway ties to even") << square(one + halfStep) << 1.0f;
    QTest::newRow("just above that halfway")
        << mpq_class(square(one + halfStep) + tiny) << std::nextafter(1.0f, 2.0f);
    QTest::newRow("just below the halfway above an odd float")
        << mpq_class(square(one + 3 * halfStep) - tiny) << std::nextafter(1.0f, 2.0f);
    QTest::newRow("halfway above an odd float ties up")
        << square(one + 3 * halfStep) << 1.0f + 2 * FLT_EPSILON;
    QTest::newRow("a subnormal root") << Dyadic(9, -298) << 3 * std::nextafter(0.0f, 1.0f);
    QTest::newRow("a root below half the least subnormal") << Dyadic(1, -302) << 0.0f;
    QTest::newRow("a huge square") << square(Exactly(FLT_MAX)) << FLT_MAX;
    QTest::newRow("the square of the overflow halfway")
        << square(Dyadic((1L << 25) - 1, 103)) << kInf;
    QTest::newRow("just below it") << mpq_class(square(Dyadic((1L << 25) - 1, 103)) - 1) << FLT_MAX;
    QTest::newRow("10^60 / 7")
        << mpq_class("1000000000000000000000000000000000000000000000000000000000000/7")
        << 377964473009227227214516536234.180060917f;
  }
  void root() { CheckRow(NearestFloatOfRoot); }

  // Every float's own square has that float for its root, through the whole range; and a float
  // comes back from its rational, also when the power of 2 is given apart.
  void rootOfSquares() {
    for (float f = std::nextafter(0.0f, 1.0f); std::isfinite(f);
         f = std::max(std::nextafter(f, kInf), f * 1.37f)) {
      const mpq_class q = Exactly(f);
      const mpq_class square = q * q;
      QCOMPARE_EXACT(NearestFloatOfRoot(square.get_num(), square.get_den()), f);
      QCOMPARE_EXACT(NearestFloat(q.get_num(), q.get_den()), f);
      QCOMPARE_EXACT(NearestFloat(-q.get_num(), q.get_den()), -f);
      int e = 0;
      const float fraction = std::frexp(f, &e);
      const mpz_class m = static_cast<long>(std::ldexp(fraction, 24));
      QCOMPARE_EXACT(NearestFloat(m, 1, e - 24), f);
      QCOMPARE_EXACT(NearestFloat(m * 3, 3, e - 24), f);
      QCOMPARE_EXACT(NearestFloatOfRoot(m * m, 1, e - 24), f);
    }
  }

  // The power of 2 apart from the quotient: far beyond either end of the float range.
  void scaledByPowersOfTwo() {
    QCOMPARE_EXACT(NearestFloat(1, 3, -2000), 0.0f);
    QCOMPARE_EXACT(NearestFloat(-1, 3, -2000), -0.0f);
    QCOMPARE_EXACT(NearestFloatOfRoot(1, 3, -2000), 0.0f);
    QCOMPARE_EXACT(NearestFloat(1, 1, -149), std::nextafter(0.0f, 1.0f));
    QCOMPARE_EXACT(NearestFloat(1, 1, -150), 0.0f);  // halfway: to even
    QCOMPARE_EXACT(NearestFloat(3, 1, -151), std::nextafter(0.0f, 1.0f));
    QCOMPARE_EXACT(NearestFloat(mpz_class(1) << 3000, mpz_class(1) << 2980, 0), 1048576.0f);
    QCOMPARE_EXACT(NearestFloat(1, mpz_class(1) << 3000, 3001), 2.0f);
    QCOMPARE_EXACT(NearestFloat(1, 1, 127), std::ldexp(1.0f, 127));
    QString fault;
    const auto largest = [](const mpz_class& n, const mpz_class& d, long) {
      return NearestFloat(n, d, 128);
    };
    QCOMPARE_EXACT(Rounded(mpq_class(1), largest, fault), kInf);
    QCOMPARE(fault, QString::fromUtf8(kOverflow.text));
    fault.clear();
    const auto huge = [](const mpz_class& n, const mpz_class& d, long) {
      return NearestFloatOfRoot(n, d, 5000);
    };
    QCOMPARE_EXACT(Rounded(mpq_class(1), huge, fault), kInf);
    QCOMPARE(fault, QString::fromUtf8(kOverflow.text));
  }

  // Decimals of 6 significant digits, ties to even, as "%.6g" writes them; q, or its root when
  // `root`, times 2^e.
  void decimal_data() {
    QTest::addColumn<mpq_class>("q");
    QTest::addColumn<bool>("root");
    QTest::addColumn<int>("e");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const char* q, bool root, int e, const char* text) {
      QTest::newRow(name) << mpq_class(q) << root << e << QString::fromLatin1(text);
    };
    row("zero", "0", false, 0, "0");
    row("1/3", "1/3", false, 0, "0.333333");
    row("-2/3", "-2/3", false, 0, "-0.666667");
    row("a tie to the even 6", "1234565/1000000", false, 0, "1.23456");
    row("a tie to the even 8", "1234575/1000000", false, 0, "1.23458");
    row("just above a tie", "12345650001/10000000000", false, 0, "1.23457");
    row("a tie carried into the next decade", "9999995/10000000", false, 0, "1");
    row("999999.5 carries to 1e+06", "1999999/2", false, 0, "1e+06");
    row("999999.4 stays", "4999997/5", false, 0, "999999");
    row("a tie of a whole number", "246913/2", false, 0, "123456");
    row("six digits whole", "100000", false, 0, "100000");
    row("seven digits", "1234567", false, 0, "1.23457e+06");
    row("trailing zeros go", "3/2", false, 0, "1.5");
    row("1e-4 stays fixed", "1/10000", false, 0, "0.0001");
    row("1e-5 is exponential", "1/100000", false, 0, "1e-05");
    row("six digits below 1e-3", "123456/1000000000", false, 0, "0.000123456");
    row("2^-200", "1", false, -200, "6.22302e-61");
    row("2^300 / 3", "1/3", false, 300, "6.79012e+89");
    row("root of 4", "4", true, 0, "2");
    row("root of 2", "2", true, 0, "1.41421");
    row("a root exactly on a tie", "1524150739225/1000000000000", true, 0, "1.23456");
    row("a root on the tie above an odd digit", "1524175430625/1000000000000", true, 0, "1.23458");
    row("a root just below a tie", "1524150739224/1000000000000", true, 0, "1.23456");
    row("a root just above a tie", "1524150739226/1000000000000", true, 0, "1.23457");
    row("root of 10^12", "1000000000000", true, 0, "1e+06");
    row("root of 2^-400", "1", true, -400, "6.22302e-61");
    row("root of 2^-401", "1", true, -401, "4.40034e-61");
  }
  void decimal() {
    QFETCH(mpq_class, q);
    QFETCH(bool, root);
    QFETCH(int, e);
    QFETCH(QString, expected);
    const std::string text = root ? SignificantTextOfRoot(q.get_num(), q.get_den(), e)
                                  : SignificantText(q.get_num(), q.get_den(), e);
    QCOMPARE(QString::fromStdString(text), expected);
    if (root && sgn(q) > 0) {
      QCOMPARE(QString::fromStdString(SignificantTextOfRoot(q.get_num(), q.get_den(), e, true)),
               "-" + expected);
    }
  }

  // Approximately: within a unit of the 64th bit, at any distance of the power of 2.
  void approximately() {
    const Ext third = Approximately(1, 3);
    QVERIFY(std::fabs(third - 1.0L / 3) <= std::ldexp(1.0L, -65));
    QCOMPARE_EXACT(Approximately(-3, 4, 10), -768.0L);
    QCOMPARE_EXACT(Approximately(mpz_class(1) << 3000, 1, -3000), 1.0L);
    QCOMPARE_EXACT(Approximately(0, 7, 100), 0.0L);
    QVERIFY(std::isinf(Approximately(1, 1, 20000)));
  }
};

QTEST_APPLESS_MAIN(TestExact)
#include "test_exact.moc"
