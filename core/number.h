#pragma once
// The one syntax of number texts, and the one fixed-point number text of the program.

#include <string>
#include <string_view>

#include "core/arith.h"

namespace orvelt {

struct ParsedNumber {
  bool valid = false;
  Ext value = 0;     // the extended value nearest to the text
  float single = 0;  // the 32-bit value nearest to the text; infinite beyond the 32-bit range
};

// Blanks, an optional sign, digits with an optional "." and more digits, an optional exponent;
// nothing else. A mantissa without digits is a signed zero.
ParsedNumber ParseNumber(std::string_view text);

// The 32-bit value of a valid number text as it is stored; beyond the 32-bit range the command
// stops.
float StoreNumber(const ParsedNumber& number);

// The results box's figures and the y calculation's: 10 wide, 5 decimals.
inline constexpr int kResultWidth = 10, kResultDecimals = 5;

// Fixed-point text of v with d decimals, padded on the left with blanks to at least w characters;
// from 2^120 up a short scientific form.
std::string FormatNumber(Ext v, int w, int d);

// The value that text of a finite v stands for, as the number syntax would read it back.
Ext ShownValue(Ext v, int w, int d);

}  // namespace orvelt
