#include "core/exact.h"

#include <cmath>
#include <stdexcept>

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
