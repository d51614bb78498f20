// Any bytes as a number text: accepted exactly when they follow the number syntax, and then with
// the values that the C library's correctly rounded decimal conversion gives.

#include <locale.h>
#include <stdlib.h>

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/number.h"

namespace {

using orvelt::Ext;

[[noreturn]] void Fail(const char* what, std::string_view text) {
  std::string shown;
  for (const unsigned char c : text.substr(0, 200)) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
    shown += escaped;
  }
  std::fprintf(stderr, "fuzz_parse_number: %s; text (%zu bytes) \"%s\"\n", what, text.size(),
               shown.c_str());
  std::abort();
}

// The syntax as a state machine, written apart from the parser so that the two can disagree.
enum class State {
  kBlanks,
  kSign,
  kWhole,
  kFraction,
  kExponentMark,
  kExponentSign,
  kExponent,
  kNo
};

State Step(State s, char c) {
  using S = State;
  if (c >= '0' && c <= '9') {
    if (s == S::kBlanks || s == S::kSign || s == S::kWhole) return S::kWhole;
    if (s == S::kFraction) return S::kFraction;
    if (s == S::kExponentMark || s == S::kExponentSign || s == S::kExponent) return S::kExponent;
    return S::kNo;
  }
  switch (c) {
    case ' ':
      return s == S::kBlanks ? S::kBlanks : S::kNo;
    case '+':
    case '-':
      return s == S::kBlanks ? S::kSign : s == S::kExponentMark ? S::kExponentSign : S::kNo;
    case '.':
      return s == S::kBlanks || s == S::kSign || s == S::kWhole ? S::kFraction : S::kNo;
    case 'e':
    case 'E':
      return s == S::kBlanks || s == S::kSign || s == S::kWhole || s == S::kFraction
                 ? S::kExponentMark
                 : S::kNo;
    default:
      return S::kNo;
  }
}

struct Syntax {
  bool valid = false;
  bool negative = false;
  bool mantissaDigit = false;
  std::string_view number;  // the text after the blanks
};

Syntax Match(std::string_view text) {
  Syntax syntax;
  State s = State::kBlanks;
  for (std::size_t i = 0; i < text.size() && s != State::kNo; ++i) {
    const State before = s;
    s = Step(s, text[i]);
    if (before == State::kBlanks && s != State::kBlanks) syntax.number = text.substr(i);
    if (s == State::kSign) syntax.negative = text[i] == '-';
    if (s == State::kWhole || (s == State::kFraction && before == State::kFraction))
      syntax.mantissaDigit = true;
  }
  syntax.valid = s == State::kWhole || s == State::kFraction || s == State::kExponent;
  return syntax;
}

locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  return c;
}

// The text rounded to double in one rounding direction.
double ToDouble(const std::string& number, int direction, std::string_view text) {
  std::fesetround(direction);
  char* end = nullptr;
  const double d = strtod_l(number.c_str(), &end, CLocale());
  std::fesetround(FE_TONEAREST);
  if (*end != '\0') Fail("strtod stops early: the syntax matcher is wrong", text);
  return d;
}

// Beyond the largest finite value, overflow rounds as if the next power of two were a value.
Ext Widen(float f) {
  return std::isinf(f) ? std::copysign(0x1p128L, f) : f;
}
Ext Widen(double d) {
  return std::isinf(d) ? std::copysign(0x1p1024L, d) : d;
}

bool SameBits(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}
bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The float nearest to the text, from its double roundings to nearest, down and up.
float NearestFloat(double nearest, double down, double up) {
  const float f = static_cast<float>(nearest);
  if (std::isinf(nearest) || static_cast<double>(f) == nearest) return f;
  const bool fBelow = static_cast<double>(f) < nearest;
  const float below = fBelow ? f : std::nextafter(f, -INFINITY);
  const float above = fBelow ? std::nextafter(f, INFINITY) : f;
  // Double rounding errs only where the double is halfway between floats: directed strtod decides.
  if (static_cast<Ext>(nearest) != (Widen(below) + Widen(above)) / 2 || down == up) return f;
  return up == nearest ? below : above;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Syntax syntax = Match(text);
  const orvelt::ParsedNumber parsed = orvelt::ParseNumber(text);
  if (parsed.valid != syntax.valid)
    Fail(parsed.valid ? "accepted against the syntax" : "refused against the syntax", text);
  if (!syntax.valid) return 0;

  float expectedSingle;
  if (!syntax.mantissaDigit) {
    // No digit at all: a zero with the text's sign.
    expectedSingle = syntax.negative ? -0.0f : 0.0f;
    const double zero = syntax.negative ? -0.0 : 0.0;
    if (!SameBits(static_cast<double>(parsed.value), zero)) Fail("value of a digitless text", text);
  } else {
    const std::string number(syntax.number);
    const double nearest = ToDouble(number, FE_TONEAREST, text);
    const double down = ToDouble(number, FE_DOWNWARD, text);
    const double up = ToDouble(number, FE_UPWARD, text);
    if (!(down <= nearest && nearest <= up)) Fail("strtod's roundings disagree", text);

    // The extended value lies between the text's two double neighbours, and rounds to the nearest
    // double unless it is itself halfway between them.
    const Ext v = parsed.value;
    if (!(down <= v && v <= up)) Fail("extended value beyond the doubles around the text", text);
    if (!SameBits(static_cast<double>(v), nearest) && v != (Widen(down) + Widen(up)) / 2)
      Fail("extended value does not round to strtod's double", text);

    expectedSingle = NearestFloat(nearest, down, up);
  }
  if (!SameBits(parsed.single, expectedSingle)) Fail("32-bit value is not the nearest", text);

  // Storing gives that value; beyond the 32-bit range it stops with the overflow message, and a
  // value too small becomes zero without any error.
  try {
    const float stored = orvelt::StoreNumber(parsed);
    if (std::isinf(expectedSingle)) Fail("no overflow beyond the 32-bit range", text);
    if (!SameBits(stored, expectedSingle)) Fail("stored value differs", text);
  } catch (const orvelt::CommandError& e) {
    if (!std::isinf(expectedSingle)) Fail("error within the 32-bit range", text);
    if (std::strcmp(e.what(), orvelt::kOverflow.text) != 0) Fail("overflow message", text);
  }
  return 0;
}
