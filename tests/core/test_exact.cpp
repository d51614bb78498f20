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
};

QTEST_APPLESS_MAIN(TestExact)
#include "test_exact.moc"
