#pragma once
// Helpers shared by the tests.

#include <QString>
#include <QTest>
#include <cmath>
#include <cstdio>

// QCOMPARE is fuzzy for floating point; results here must match to the bit, sign of zero included.
inline bool SameValue(long double a, long double b) {
  return (a == b && std::signbit(a) == std::signbit(b)) || (std::isnan(a) && std::isnan(b));
}

inline QString Describe(long double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.21Lg", v);
  return QString::fromLatin1(buffer);
}

#define QCOMPARE_EXACT(actual, expected)                      \
  QVERIFY2(SameValue((actual), (expected)),                   \
           qPrintable(QStringLiteral("%1 is %2, expected %3") \
                          .arg(QStringLiteral(#actual), Describe(actual), Describe(expected))))
