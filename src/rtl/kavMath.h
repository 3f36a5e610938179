#pragma once

// Rounding of floats to integers (the one helper every "rounded" in the program uses) and
// the fixed-point currency value with its conversions.

#include <QtGlobal>

// How kavRound resolves a value between two integers.
enum TkavRoundMode : int {
    rmNearestEven, // to nearest, halves to the even neighbour (2.5 -> 2, 3.5 -> 4)
    rmTruncate,    // towards zero (-1.7 -> -1)
    rmHalfAway     // to nearest, halves away from zero (2.5 -> 3, -2.5 -> -3)
};

// x rounded to an integer by mode. NaN, infinities and values outside the 64-bit range
// raise EInvalidOp "Invalid floating point operation".
qint64 kavRound(double x, TkavRoundMode mode = rmNearestEven);
inline qint64 kavTrunc(double x) { return kavRound(x, rmTruncate); }
// The same rounding with a floating result and no range limit (NaN stays NaN).
double kavRoundFloat(double x, TkavRoundMode mode = rmNearestEven);

// Currency: a signed 64-bit count of ten-thousandths (four decimal places, about
// +-9.22e14). Value type only; arithmetic belongs to the variant.
struct TkavCurrency
{
    qint64 Units = 0;
    double ToDouble() const { return double(Units) / 10000.0; }
    friend bool operator==(TkavCurrency a, TkavCurrency b) { return a.Units == b.Units; }
};

// value at four decimals, ties to even. Outside the range (or NaN): EConvertError
// "'<value>' is not a valid currency value".
TkavCurrency kavDoubleToCurrency(double value);
bool kavTryDoubleToCurrency(double value, TkavCurrency &result);
// value "taken at currency precision": to currency and back (raises as above).
double kavAtCurrencyPrecision(double value);
