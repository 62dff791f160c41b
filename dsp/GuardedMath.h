// SPDX-License-Identifier: ISC
// The numeric routines whose exact edge behaviour the rest of the effect relies
// on: the guarded cosine and its exception, the power function used by the
// parameter mappings, the base-10 logarithm of the decibel texts, floor,
// nearest-integer rounding and 64-bit minimum and maximum.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// Intermediate math is carried at extended precision where the processor has it
// (the 80-bit x87 format on x86) and at double precision elsewhere.
#if defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)
using Extended = long double;
#else
using Extended = double;
#endif

// Entries of the toolkit's message table.
enum class ToolkitMessage { DomainCheckFailure };

// Looks up the text of a message table entry.
const char* ToolkitMessageText(ToolkitMessage message);

// Base of the toolkit's exceptions: a message and a help-context number.
class EToolkitError : public std::runtime_error {
  public:
    explicit EToolkitError(const std::string& message, int32_t helpContext = 0);
    explicit EToolkitError(ToolkitMessage message);
    int32_t helpContext() const { return helpContext_; }

  private:
    int32_t helpContext_;
};

// Raised only by GuardedCos.
class EMathDomainError : public EToolkitError {
  public:
    using EToolkitError::EToolkitError;
};

// cos(x) at extended precision; throws EMathDomainError when |x| > 2^63 or x is
// not a number.
Extended GuardedCos(Extended x);

// base^exponent. In order: exponent 0 gives 1; base 0 with a positive exponent
// gives 0; a whole exponent within the 32-bit range takes IntegerPower; anything
// else is exp(exponent * ln base), not a number for a negative base.
Extended RealPower(Extended base, Extended exponent);

// base^n by squaring, walking the bits of |n| from the lowest; 1/result for n < 0.
Extended IntegerPower(Extended base, int32_t n);

// log2(x) * log10(2): -inf for 0, NaN for negatives, +inf for +inf; never throws.
Extended Log10(Extended x);

// Truncates toward zero, then steps down when the fraction was negative.
// Values outside the 32-bit range saturate and a NaN gives 0.
int32_t Floor(Extended x);

// The integer nearest to x, halves going to the even neighbour (0.5 gives 0,
// 1.5 gives 2), independent of the processor's rounding mode. Values outside the
// 32-bit range saturate and a NaN gives 0.
int32_t Nearest(Extended x);

inline int64_t Min64(int64_t a, int64_t b) { return a < b ? a : b; }
inline int64_t Max64(int64_t a, int64_t b) { return a > b ? a : b; }
