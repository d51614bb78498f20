#pragma once
// Arithmetic of the program: 32-bit values are stored, expressions run in x87 extended precision.
// Floating-point faults stop the running command; they are checked explicitly, never trapped.

#include <limits>
#include <stdexcept>
#include <string>

namespace orvelt {

using Ext = long double;
static_assert(std::numeric_limits<Ext>::digits == 64, "needs the 80-bit extended format");

// A failure that ends the running command; the window shows it in the general error box.
class CommandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kInvalidOperationText = "不正な浮動小数点数演算命令";
inline constexpr const char* kOverflowText = "浮動小数点数のオーバーフロー";

// Rounds to the nearest 32-bit value; a result beyond the 32-bit range stops the command.
float Store(Ext v);

}  // namespace orvelt
