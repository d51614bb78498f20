#include "core/number.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvelt {

namespace {

// The toolkit sets the process locale from the environment; numbers never follow it.
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  return c;
}

bool IsDigit(char ch) {
  return ch >= '0' && ch <= '9';
}

std::string PadLeft(std::string text, int w) {
  if (static_cast<int>(text.size()) < w) text.insert(0, w - text.size(), ' ');
  return text;
}

// Decimal digits of a non-negative finite value and the number of them before the point.
struct Decimal {
  std::string digits;
  int point = 0;
};

// Below 10 the value is taken to 17 decimals, otherwise to 18 significant digits, ties to even;
// later positions count as 0.
Decimal ToDecimal(Ext magnitude) {
  char buffer[64];
  const locale_t previous = uselocale(CLocale());
  const bool small = magnitude < 10;
  std::snprintf(buffer, sizeof buffer, small ? "%.17Lf" : "%.17Le", magnitude);
  uselocale(previous);

  Decimal result;
  const char* p = buffer;
  if (small) {
    for (; IsDigit(*p); ++p) result.digits += *p;
    result.point = static_cast<int>(result.digits.size());
    for (++p; IsDigit(*p); ++p) result.digits += *p;
  } else {
    for (; *p != 'e'; ++p)
      if (IsDigit(*p)) result.digits += *p;
    result.point = std::atoi(p + 1) + 1;
  }
  return result;
}

// Keeps the first `keep` digits (missing ones are 0), rounding half away from zero.
void RoundHalfUp(Decimal& decimal, int keep) {
  std::string& digits = decimal.digits;
  const bool up = keep < static_cast<int>(digits.size()) && digits[keep] >= '5';
  digits.resize(keep, '0');
  if (!up) return;
  int i = keep - 1;
  for (; i >= 0 && digits[i] == '9'; --i) digits[i] = '0';
  if (i >= 0) {
    ++digits[i];
  } else {
    digits.insert(digits.begin(), '1');
    ++decimal.point;
  }
}

// The digits FormatNumber shows of a non-negative finite value: `digits.size() - point` decimals
// in the fixed form, n significant digits in the scientific one.
struct Shown {
  Decimal decimal;
  bool scientific = false;
};

Shown ShownDigits(Ext magnitude, int w, int d) {
  constexpr Ext kScientificFrom = 0x1p120L;
  Shown shown{ToDecimal(magnitude), magnitude >= kScientificFrom};
  Decimal& decimal = shown.decimal;
  if (!shown.scientific) {
    RoundHalfUp(decimal, decimal.point + d);
    return shown;
  }
  const int n = std::clamp(w - 8, 2, 18);
  RoundHalfUp(decimal, n);
  if (static_cast<int>(decimal.digits.size()) > n)
    decimal.digits.resize(n);  // carry into a new digit
  return shown;
}

std::string FixedText(bool negative, const Decimal& decimal, int d) {
  const std::string& digits = decimal.digits;
  // Integer digits without leading zeros, at least one.
  const int firstSignificant = static_cast<int>(
      std::min(digits.find_first_not_of('0'), static_cast<std::size_t>(decimal.point - 1)));
  std::string text;
  if (negative) text += '-';
  text.append(digits, firstSignificant, decimal.point - firstSignificant);
  if (d > 0) text.append(1, '.').append(digits, decimal.point, d);
  return text;
}

std::string ScientificText(bool negative, const Decimal& decimal) {
  const int exponent = decimal.point - 1;
  char tail[16];
  std::snprintf(tail, sizeof tail, "E%c%04d", exponent < 0 ? '-' : '+', std::abs(exponent));
  return std::string(negative ? "-" : " ") + decimal.digits[0] + "." + decimal.digits.substr(1) +
         tail;
}

}  // namespace

ParsedNumber ParseNumber(std::string_view text) {
  ParsedNumber result;
  std::size_t i = 0;
  const std::size_t end = text.size();
  while (i < end && text[i] == ' ') ++i;
  const std::size_t signAt = i;
  if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == end) return result;  // nothing but blanks and a sign
  const bool negative = i > signAt && text[signAt] == '-';

  std::string canonical = negative ? "-" : "";
  bool anyDigit = false;
  for (; i < end && IsDigit(text[i]); ++i, anyDigit = true) canonical += text[i];
  if (i < end && text[i] == '.') {
    canonical += '.';
    for (++i; i < end && IsDigit(text[i]); ++i, anyDigit = true) canonical += text[i];
  }
  if (i < end && (text[i] == 'e' || text[i] == 'E')) {
    canonical += 'e';
    ++i;
    if (i < end && (text[i] == '+' || text[i] == '-')) canonical += text[i++];
    const std::size_t digitsAt = i;
    for (; i < end && IsDigit(text[i]); ++i) canonical += text[i];
    if (i == digitsAt) return result;
  }
  if (i != end) return result;

  result.valid = true;
  if (!anyDigit) {
    result.value = negative ? -0.0L : 0.0L;
    result.single = negative ? -0.0f : 0.0f;
    return result;
  }
  // Converting the text twice keeps both values correctly rounded (no double rounding).
  result.value = strtold_l(canonical.c_str(), nullptr, CLocale());
  result.single = strtof_l(canonical.c_str(), nullptr, CLocale());
  return result;
}

float StoreNumber(const ParsedNumber& number) {
  return CheckedFloat(number.single);
}

std::string FormatNumber(Ext v, int w, int d) {
  if (std::isnan(v)) return PadLeft("Nan", w);
  if (std::isinf(v)) return PadLeft(v > 0 ? "+Inf" : "-Inf", w);
  const bool negative = std::signbit(v);
  const Shown shown = ShownDigits(std::fabs(v), w, d);
  return PadLeft(shown.scientific ? ScientificText(negative, shown.decimal)
                                  : FixedText(negative, shown.decimal, d),
                 w);
}

Ext ShownValue(Ext v, int w, int d) {
  if (!std::isfinite(v)) return v;
  const Shown shown = ShownDigits(std::fabs(v), w, d);
  const Decimal& decimal = shown.decimal;
  // The digits as an integer times a power of ten, converted once: correctly rounded.
  const std::string exact = (std::signbit(v) ? "-" : "") + decimal.digits + 'e' +
                            std::to_string(decimal.point - static_cast<int>(decimal.digits.size()));
  return strtold_l(exact.c_str(), nullptr, CLocale());
}

}  // namespace orvelt
