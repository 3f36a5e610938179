#pragma once

// Internals shared by the variant's conversions (kavVariant.cpp) and its operators
// (kavVariantOps.cpp): raw access, the error raisers and the numeric view of a value.

#include "kavVariant.h"


// Raw fields for the operator fast paths (no conversion, no check).
struct VariantAccess
{
    static int rawType(const Variant &v) { return v.FType; }
    static qint64 rawInt(const Variant &v) { return v.FInt; }
    static double rawDouble(const Variant &v) { return v.FDouble; }
    static bool rawBool(const Variant &v) { return v.FBool; }
    static const QString &rawString(const Variant &v) { return v.FString; }
    static QString &mutableString(Variant &v) { return v.FString; }
};

namespace kavVariantPrivate {

// E1: "Could not convert variant of type (from) into type (to)".
[[noreturn]] void raiseCast(int fromType, int toType);
// E2: "Overflow while converting variant of type (from) into type (to)".
[[noreturn]] void raiseOverflow(int fromType, int toType);
// "Invalid variant operation".
[[noreturn]] void raiseInvalidOp();

// A value seen as a number by the operators. Int: an integer that is not typed Int64
// (kept in 64 bits); Int64; Currency (units in i); Double and Date (in d).
enum NumKind { nkInt, nkInt64, nkCurrency, nkDouble, nkDate };
struct Num
{
    NumKind kind;
    qint64 i;
    double d;
};

// A number from text: integer text (nkInt, or nkInt64 past 32 bits), else a float by the
// locale's decimal separator (nkDouble). False when the text is neither.
bool numberFromText(const QString &text, Num &num);
// Boolean text: "true"/"false" in any case, else a number (<> 0). False when neither.
bool booleanFromText(const QString &text, bool &value);

// Rounds to the nearest integer, halves to even; overflow raises E2 (fromType -> toType).
qint64 doubleToInt64(double value, int fromType, int toType);
// Currency units of a double, ties to even; outside the range raises E2.
qint64 doubleToCurrencyUnits(double value, int fromType);
// Currency units rounded to a whole number, halves to even.
qint64 currencyUnitsToInt64(qint64 units);

} // namespace kavVariantPrivate
