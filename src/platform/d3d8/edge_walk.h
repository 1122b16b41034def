// Exact row-by-row stepping of a triangle edge's span bound: the rasterizer
// needs floor(r / d) for r = r0, r0 + step, r0 + 2 * step, ... (one value
// per row). Keeping the quotient and remainder and adding the step's own
// quotient and remainder gives each value with one addition and one
// comparison instead of a division.
#pragma once

#include <cstdint>

namespace raster {

// floor(n / d) for d > 0, exact for every n.
inline std::int64_t floorDivide(std::int64_t n, std::int64_t d) {
  std::int64_t q = n / d;
  if (n % d != 0 && n < 0) --q;
  return q;
}

class FloorWalk {
 public:
  FloorWalk() = default;
  // Starts at floor(n0 / d); each advance() adds step to the numerator. d > 0.
  FloorWalk(std::int64_t n0, std::int64_t step, std::int64_t d)
      : quotient_(floorDivide(n0, d)),
        remainder_(n0 - quotient_ * d),
        divisor_(d),
        stepQuotient_(floorDivide(step, d)),
        stepRemainder_(step - stepQuotient_ * d) {}

  std::int64_t value() const { return quotient_; }

  // Without a branch: whether the remainder carries changes from row to row
  // in no pattern a branch predictor could follow.
  void advance() {
    quotient_ += stepQuotient_;
    remainder_ += stepRemainder_;  // both in [0, d), so the sum is below 2d
    const std::int64_t carry = remainder_ >= divisor_ ? 1 : 0;
    remainder_ -= divisor_ & -carry;
    quotient_ += carry;
  }

 private:
  std::int64_t quotient_ = 0;
  std::int64_t remainder_ = 0;  // n - quotient * d, in [0, d)
  std::int64_t divisor_ = 1;
  std::int64_t stepQuotient_ = 0;
  std::int64_t stepRemainder_ = 0;  // step - stepQuotient * d, in [0, d)
};

}  // namespace raster
