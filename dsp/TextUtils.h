// SPDX-License-Identifier: ISC
// Texts the host shows for parameter values, and the packing of four-character
// identifiers.
#pragma once

#include <cstdint>
#include <string>

// c1 * 2^24 + c2 * 2^16 + c3 * 2^8 + c4, each character taken as an unsigned byte.
int32_t MakeFourCharId(char c1, char c2, char c3, char c4);

// A float as a short text. Values above 0.01 in magnitude (and NaN) get 2
// decimals, above 0.0001 4 decimals, above 0.000001 6 decimals; anything smaller
// is "0". The exact value of the float is rounded half away from zero to at most
// 7 significant digits; more than 7 integer digits switch to the scientific form
// (12345678 gives 1.234568E07). Infinities are "INF" and "-INF", NaN is "NAN".
std::string NumberText(float x);

// NumberText of 20 log10(x), rounded to a float, followed by " dB".
std::string DecibelText(float x);

// The decimal separator of the number texts: read from the user's locale once
// when the module is loaded, "." when the locale gives none.
char DecimalSeparator();
// Replaces the separator (for tests, or a host that wants a fixed one).
void SetDecimalSeparator(char separator);
// Reads the separator of the user's locale without changing the process's
// global locale.
char ReadLocaleDecimalSeparator();
