#include "core/exact.h"

#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/arith.h"

namespace orvelt {

namespace {

// MPFR's exponent range set to float's for one rounding, and given back afterwards.
class FloatExponentRange {
 public:
  FloatExponentRange() : emin_(mpfr_get_emin()), emax_(mpfr_get_emax()) {
    mpfr_set_emin(-148);  // 2^-149, the least subnormal, is 0.1b · 2^-148
    mpfr_set_emax(128);
  }
  ~FloatExponentRange() {
    mpfr_set_emin(emin_);
    mpfr_set_emax(emax_);
  }
  FloatExponentRange(const FloatExponentRange&) = delete;
  FloatExponentRange& operator=(const FloatExponentRange&) = delete;

 private:
  mpfr_exp_t emin_, emax_;
};

}  // namespace

mpq_class Exactly(float value) {
  if (!std::isfinite(value)) throw std::invalid_argument("not a finite 32-bit value");
  return mpq_class(static_cast<double>(value));
}

float NearestFloat(const mpq_class& q) {
  float result;
  bool overflow;
  {
    const FloatExponentRange range;
    mpfr_t r;
    mpfr_init2(r, 24);
    const int ternary = mpfr_set_q(r, q.get_mpq_t(), MPFR_RNDN);
    // Below 2^-126 float's spacing is fixed: round again to it, knowing which way the first went.
    mpfr_subnormalize(r, ternary, MPFR_RNDN);
    overflow = mpfr_inf_p(r) != 0;
    result = mpfr_get_flt(r, MPFR_RNDN);
    mpfr_clear(r);
  }
  if (overflow) throw CommandError(kOverflowText);
  return result;
}

float NearestFloatOfRoot(const mpq_class& q) {
  if (sgn(q) < 0) throw CommandError(kInvalidOperationText);
  if (sgn(q) == 0) return 0.0f;
  // With n/d = q scaled by 4^k, t = ⌊√(n·4^k / d)⌋ is the root's integer part in steps of 2^-k.
  // k makes t at least 2^25, so that every float and every halfway point between two floats is
  // a whole number of steps: the root and t + 1/2 then round alike unless the root is t itself.
  const mpz_class& n = q.get_num();
  const mpz_class& d = q.get_den();
  const long bits = static_cast<long>(mpz_sizeinbase(n.get_mpz_t(), 2)) -
                    static_cast<long>(mpz_sizeinbase(d.get_mpz_t(), 2));
  const unsigned long k = static_cast<unsigned long>(std::max(0L, (52 - bits) / 2 + 1));
  mpz_class scaled = n, rest, t;
  mpz_mul_2exp(scaled.get_mpz_t(), scaled.get_mpz_t(), 2 * k);
  mpz_fdiv_qr(scaled.get_mpz_t(), rest.get_mpz_t(), scaled.get_mpz_t(), d.get_mpz_t());
  mpz_sqrt(t.get_mpz_t(), scaled.get_mpz_t());
  const bool exact = rest == 0 && t * t == scaled;
  mpq_class root(2 * t + (exact ? 0 : 1));
  mpz_mul_2exp(root.get_den_mpz_t(), root.get_den_mpz_t(), k + 1);
  root.canonicalize();
  return NearestFloat(root);
}

}  // namespace orvelt
