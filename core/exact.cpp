#include "core/exact.h"

#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

#include "core/arith.h"

namespace orvelt {

namespace {

long Bits(const mpz_class& v) {
  return static_cast<long>(mpz_sizeinbase(v.get_mpz_t(), 2));
}

// t · 2^e, the sticky half added when `inexact`, rounded to float. t has 26 or 27 bits: every
// float and every halfway point between two floats is then a whole number of steps 2^e, so a
// value strictly between t and t + 1 rounds as t + 1/2 does, and 2t + 1 is exact in a double.
// The double is rounded once more, to float, by the hardware's round to nearest even; a double
// beyond the float range gives infinity, one below 2^-1022 lies far under float's least half
// step and gives a signed 0 either way.
float Round(const mpz_class& t, bool inexact, long e, bool negative) {
  const double twice = static_cast<double>(2 * t.get_ui() + (inexact ? 1 : 0));
  const double value = std::ldexp(negative ? -twice : twice, static_cast<int>(e - 1));
  const float result = static_cast<float>(value);
  if (std::isinf(result)) throw CommandError(kOverflow);
  return result;
}

long FloorHalf(long v) {
  return v >= 0 ? v / 2 : -((-v + 1) / 2);
}

// Exponents far outside double's range only say "0" or "infinity"; held where ldexp still
// tells them apart, and within int.
long Clamp(long e) {
  return e < -4000 ? -4000 : e > 4000 ? 4000 : e;
}

}  // namespace

float NearestFloat(const mpz_class& n, const mpz_class& d, long e) {
  if (sgn(d) <= 0) throw std::invalid_argument("the divisor must be positive");
  if (sgn(n) == 0) return 0.0f;
  // |n| / d lies in [2^(bits - 1), 2^(bits + 1)); scaled by 2^k its integer part t has 26 or 27
  // bits.
  const mpz_class magnitude = abs(n);
  const long k = 26 - (Bits(magnitude) - Bits(d));
  mpz_class num = magnitude, den = d, t, rest;
  if (k >= 0) {
    mpz_mul_2exp(num.get_mpz_t(), num.get_mpz_t(), static_cast<mp_bitcnt_t>(k));
  } else {
    mpz_mul_2exp(den.get_mpz_t(), den.get_mpz_t(), static_cast<mp_bitcnt_t>(-k));
  }
  mpz_fdiv_qr(t.get_mpz_t(), rest.get_mpz_t(), num.get_mpz_t(), den.get_mpz_t());
  return Round(t, rest != 0, Clamp(e - k), sgn(n) < 0);
}

float NearestFloatOfRoot(const mpz_class& n, const mpz_class& d, long e) {
  if (sgn(d) <= 0) throw std::invalid_argument("the divisor must be positive");
  if (sgn(n) < 0) throw CommandError(kInvalidOperation);
  if (sgn(n) == 0) return 0.0f;
  // n / d lies in [2^(bits - 1), 2^(bits + 1)); with k = ⌈(51 - bits) / 2⌉ scaled by 4^k it
  // lies in [2^50, 2^53), and its root's integer part t has 26 or 27 bits.
  const long k = FloorHalf(52 - (Bits(n) - Bits(d)));
  mpz_class num = n, den = d, square, quotientRest, rootRest, t;
  if (k >= 0) {
    mpz_mul_2exp(num.get_mpz_t(), num.get_mpz_t(), static_cast<mp_bitcnt_t>(2 * k));
  } else {
    mpz_mul_2exp(den.get_mpz_t(), den.get_mpz_t(), static_cast<mp_bitcnt_t>(-2 * k));
  }
  mpz_fdiv_qr(square.get_mpz_t(), quotientRest.get_mpz_t(), num.get_mpz_t(), den.get_mpz_t());
  // ⌊√⌊v⌋⌋ = ⌊√v⌋; the root is t itself only when both steps leave nothing.
  mpz_sqrtrem(t.get_mpz_t(), rootRest.get_mpz_t(), square.get_mpz_t());
  return Round(t, quotientRest != 0 || rootRest != 0, Clamp(e - k), false);
}

}  // namespace orvelt

namespace orvelt {

namespace {

constexpr int kDigits = 6;

const std::array<mpz_class, 64>& PowersOf10() {
  static const auto table = [] {
    std::array<mpz_class, 64> powers;
    powers[0] = 1;
    for (std::size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
    return powers;
  }();
  return table;
}

// v · 10^k, k >= 0.
void MultiplyByPowerOf10(mpz_class& v, long k) {
  const auto& table = PowersOf10();
  if (k < static_cast<long>(table.size())) {
    v *= table[static_cast<std::size_t>(k)];
    return;
  }
  mpz_class power;
  mpz_ui_pow_ui(power.get_mpz_t(), 10, static_cast<unsigned long>(k));
  v *= power;
}

// log10 of n / d, to within far less than 1 for any size of either.
double Log10(const mpz_class& n, const mpz_class& d) {
  long en = 0, ed = 0;
  const double mn = mpz_get_d_2exp(&en, n.get_mpz_t()), md = mpz_get_d_2exp(&ed, d.get_mpz_t());
  return std::log10(mn / md) + static_cast<double>(en - ed) * std::log10(2.0);
}

// n · 10^k over d, or n over d · 10^-k: the quotient scaled by 10^k, as a fraction of integers;
// the side not scaled is not copied.
struct ScaledBy10 {
  mpz_class scaled;
  const mpz_class* num;
  const mpz_class* den;

  ScaledBy10(const mpz_class& n, const mpz_class& d, long k) {
    scaled = k >= 0 ? n : d;
    MultiplyByPowerOf10(scaled, k >= 0 ? k : -k);
    num = k >= 0 ? &scaled : &n;
    den = k >= 0 ? &d : &scaled;
  }
  ScaledBy10(const ScaledBy10&) = delete;
};

// The text "%.6g" makes of digits · 10^(exponent - 5), digits of exactly 6 digits.
std::string Written(bool negative, const mpz_class& digits, long exponent) {
  std::string text = digits.get_str();
  std::string out = negative ? "-" : "";
  auto trimmed = [](std::string s) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
  };
  if (exponent < -4 || exponent >= kDigits) {
    std::string mantissa = trimmed(text.substr(0, 1) + "." + text.substr(1));
    const long magnitude = exponent < 0 ? -exponent : exponent;
    std::string power = std::to_string(magnitude);
    if (power.size() < 2) power = "0" + power;
    return out + mantissa + (exponent < 0 ? "e-" : "e+") + power;
  }
  if (exponent < 0) return out + trimmed("0." + std::string(-exponent - 1, '0') + text);
  const std::size_t point = static_cast<std::size_t>(exponent) + 1;
  return out + trimmed(text.substr(0, point) + "." + text.substr(point));
}

// A quotient and its exponent as 6 digits: `Floor(k)` gives ⌊v · 10^k⌋ of the value v and
// whether v · 10^k lies above it, `Up(t, k)` whether v · 10^k rounds up from t (ties to even).
template <class Floor, class Up>
std::string Rounded(bool negative, long exponent, Floor floor, Up up) {
  const mpz_class &low = PowersOf10()[kDigits - 1], &high = PowersOf10()[kDigits];
  mpz_class t;
  for (;;) {
    t = floor(kDigits - 1 - exponent);
    if (t < low) {
      --exponent;
    } else if (t >= high) {
      ++exponent;
    } else {
      break;
    }
  }
  if (up(t, kDigits - 1 - exponent)) ++t;
  if (t == high) {
    t = low;
    ++exponent;
  }
  return Written(negative, t, exponent);
}

// n and d with 2^e taken into one of them.
void WithPowerOf2(const mpz_class& n, const mpz_class& d, long e, mpz_class& num, mpz_class& den) {
  num = n;
  den = d;
  if (e >= 0) {
    mpz_mul_2exp(num.get_mpz_t(), num.get_mpz_t(), static_cast<mp_bitcnt_t>(e));
  } else {
    mpz_mul_2exp(den.get_mpz_t(), den.get_mpz_t(), static_cast<mp_bitcnt_t>(-e));
  }
}

}  // namespace

std::string SignificantText(const mpz_class& n, const mpz_class& d, long e) {
  if (sgn(d) <= 0) throw std::invalid_argument("the divisor must be positive");
  if (sgn(n) == 0) return "0";
  mpz_class num, den;
  WithPowerOf2(abs(n), d, e, num, den);
  const long exponent = static_cast<long>(std::floor(Log10(num, den)));
  mpz_class rest, scaledDen;
  return Rounded(
      sgn(n) < 0, exponent,
      [&](long k) {
        const ScaledBy10 q(num, den, k);
        mpz_class t;
        mpz_fdiv_qr(t.get_mpz_t(), rest.get_mpz_t(), q.num->get_mpz_t(), q.den->get_mpz_t());
        scaledDen = *q.den;
        return t;
      },
      [&](const mpz_class& t, long) {
        const int half = cmp(2 * rest, scaledDen);
        return half > 0 || (half == 0 && mpz_odd_p(t.get_mpz_t()));
      });
}

std::string SignificantTextOfRoot(const mpz_class& n, const mpz_class& d, long e, bool negative) {
  if (sgn(d) <= 0) throw std::invalid_argument("the divisor must be positive");
  if (sgn(n) < 0) throw CommandError(kInvalidOperation);
  if (sgn(n) == 0) return "0";
  mpz_class num, den;
  WithPowerOf2(n, d, e, num, den);
  const long exponent = static_cast<long>(std::floor(Log10(num, den) / 2));
  mpz_class scaledNum, scaledDen;
  return Rounded(
      negative, exponent,
      [&](long k) {
        // ⌊√(v² · 100^k)⌋ = ⌊√⌊v² · 100^k⌋⌋.
        const ScaledBy10 q(num, den, 2 * k);
        mpz_class square, t;
        mpz_fdiv_q(square.get_mpz_t(), q.num->get_mpz_t(), q.den->get_mpz_t());
        mpz_sqrt(t.get_mpz_t(), square.get_mpz_t());
        scaledNum = *q.num;
        scaledDen = *q.den;
        return t;
      },
      [&](const mpz_class& t, long) {
        // Above t + 1/2 exactly when 4·v² · 100^k > (2t + 1)².
        const mpz_class odd = 2 * t + 1;
        const int half = cmp(4 * scaledNum, odd * odd * scaledDen);
        return half > 0 || (half == 0 && mpz_odd_p(t.get_mpz_t()));
      });
}

Ext Approximately(const mpz_class& n, const mpz_class& d, long e) {
  if (sgn(d) <= 0) throw std::invalid_argument("the divisor must be positive");
  if (sgn(n) == 0) return 0;
  // A quotient of 64 or 65 bits, split into two halves that each convert exactly.
  const mpz_class magnitude = abs(n);
  const long k = 64 - (Bits(magnitude) - Bits(d));
  mpz_class num = magnitude, den = d, q;
  if (k >= 0) {
    mpz_mul_2exp(num.get_mpz_t(), num.get_mpz_t(), static_cast<mp_bitcnt_t>(k));
  } else {
    mpz_mul_2exp(den.get_mpz_t(), den.get_mpz_t(), static_cast<mp_bitcnt_t>(-k));
  }
  mpz_fdiv_q(q.get_mpz_t(), num.get_mpz_t(), den.get_mpz_t());
  mpz_class high, low;
  mpz_fdiv_q_2exp(high.get_mpz_t(), q.get_mpz_t(), 32);
  mpz_fdiv_r_2exp(low.get_mpz_t(), q.get_mpz_t(), 32);
  const Ext value =
      std::ldexp(static_cast<Ext>(high.get_ui()), 32) + static_cast<Ext>(low.get_ui());
  const long scale = e - k;
  const Ext result = std::ldexp(value, static_cast<int>(scale < -40000  ? -40000
                                                        : scale > 40000 ? 40000
                                                                        : scale));
  return sgn(n) < 0 ? -result : result;
}

}  // namespace orvelt
