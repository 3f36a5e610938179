// The variant's operators and comparisons (the tables in kavVariant.h).

#include "kavVariant.h"
#include "kavLimits.h"

#include "kavDateTime.h"
#include "kavExceptions.h"
#include "kavVariant_p.h"

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using namespace kavVariantPrivate;

namespace {

using Int128 = __int128;

const qint64 int32Min = std::numeric_limits<qint32>::min();
const qint64 int32Max = std::numeric_limits<qint32>::max();
const qint64 int64Min = std::numeric_limits<qint64>::min();
const qint64 int64Max = std::numeric_limits<qint64>::max();

[[noreturn]] void raiseIntOverflow()
{
    kavRaise<EIntOverflow>(u"Integer overflow"_s);
}

[[noreturn]] void raiseZeroDivide()
{
    kavRaise<EZeroDivide>(u"Floating point division by zero"_s);
}

[[noreturn]] void raiseInvalidFloat()
{
    kavRaise<EInvalidOp>(u"Invalid floating point operation"_s);
}

bool isIntKind(NumKind k)
{
    return k == nkInt || k == nkInt64;
}

bool isStructured(int rawType)
{
    return rawType == varArray || rawType == varObject;
}

// The numeric view of a scalar operand; strings must be numbers (E1 towards Double).
Num toNum(const Variant &v)
{
    const int t = VariantAccess::rawType(v);
    switch (t) {
    case varEmpty:
        return {nkInt, 0, 0};
    case varBoolean:
        return {nkInt, VariantAccess::rawBool(v) ? -1 : 0, 0};
    case varInt64:
        return {nkInt64, VariantAccess::rawInt(v), 0};
    case varCurrency:
        return {nkCurrency, VariantAccess::rawInt(v), 0};
    case varSingle:
    case varDouble:
        return {nkDouble, 0, VariantAccess::rawDouble(v)};
    case varDate:
        return {nkDate, 0, VariantAccess::rawDouble(v)};
    case varString: {
        Num num{};
        if (!numberFromText(VariantAccess::rawString(v), num))
            raiseCast(varString, varDouble);
        return num;
    }
    default:
        if (v.IsInteger())
            return {nkInt, VariantAccess::rawInt(v), 0};
        raiseInvalidOp();
    }
}

double asDouble(const Num &n)
{
    switch (n.kind) {
    case nkInt:
    case nkInt64:
        return double(n.i);
    case nkCurrency:
        return double(n.i) / double(kavCurrencyScale);
    default:
        return n.d;
    }
}

// Integer view for div, mod, shifts and bitwise operators: non-integers rounded.
Num asIntNum(const Num &n)
{
    switch (n.kind) {
    case nkInt:
    case nkInt64:
        return n;
    case nkCurrency: {
        const qint64 i = currencyUnitsToInt64(n.i);
        return {i >= int32Min && i <= int32Max ? nkInt : nkInt64, i, 0};
    }
    default: {
        const qint64 i = doubleToInt64(n.d, n.kind == nkDate ? varDate : varDouble, varInt64);
        return {i >= int32Min && i <= int32Max ? nkInt : nkInt64, i, 0};
    }
    }
}

// Integer result: Integer when no operand was Int64 and it fits, else Int64.
Variant intResult(qint64 value, bool wide)
{
    if (!wide && value >= int32Min && value <= int32Max)
        return Variant(int(value));
    return Variant(value);
}

// A Double result, checked: a finite computation that leaves the finite range overflows,
// one that yields NaN is invalid.
Variant checkedDouble(double r, double x, double y)
{
    if (std::isfinite(r) || !std::isfinite(x) || !std::isfinite(y))
        return Variant(r);
    if (std::isnan(r))
        raiseInvalidFloat();
    kavRaise<EOverflow>(u"Floating point overflow"_s);
}

Variant currencyResult(Int128 units, int fromType)
{
    if (units < Int128(int64Min) || units > Int128(int64Max))
        raiseOverflow(fromType, varCurrency);
    return Variant::FromCurrencyUnits(qint64(units));
}

// num / den rounded to the nearest integer, halves to even (den != 0).
Int128 divHalfEven(Int128 num, Int128 den)
{
    Int128 q = num / den;
    const Int128 r = num % den;
    const Int128 twiceAbsR = 2 * (r < 0 ? -r : r);
    const Int128 absDen = den < 0 ? -den : den;
    if (twiceAbsR > absDen || (twiceAbsR == absDen && (q & 1)))
        q += ((r < 0) != (den < 0)) ? -1 : 1;
    return q;
}

// Currency units of a non-Date operand (exact for integers).
Int128 currencyUnitsOf(const Num &n)
{
    if (n.kind == nkCurrency)
        return n.i;
    if (isIntKind(n.kind))
        return Int128(n.i) * kavCurrencyScale;
    return doubleToCurrencyUnits(n.d, varDouble);
}

Variant currencyArith(const Num &x, const Num &y, TkavVarOp op)
{
    const bool anyDouble = x.kind == nkDouble || y.kind == nkDouble;
    const int fromType = anyDouble ? varDouble : varCurrency;
    // Products and quotients with a double are computed in floating point and rounded once.
    if (anyDouble && (op == voMultiply || op == voDivide)) {
        const double a = asDouble(x);
        const double b = asDouble(y);
        if (op == voDivide && b == 0) {
            if (a == 0 || std::isnan(a))
                raiseInvalidFloat();
            raiseZeroDivide();
        }
        return Variant::FromCurrencyUnits(doubleToCurrencyUnits(op == voMultiply ? a * b : a / b,
                                                                fromType));
    }
    switch (op) {
    case voAdd:
        return currencyResult(currencyUnitsOf(x) + currencyUnitsOf(y), fromType);
    case voSubtract:
        return currencyResult(currencyUnitsOf(x) - currencyUnitsOf(y), fromType);
    case voMultiply:
        if (x.kind == nkCurrency && y.kind == nkCurrency)
            return currencyResult(divHalfEven(Int128(x.i) * y.i, kavCurrencyScale), fromType);
        return currencyResult(Int128(x.i) * y.i, fromType); // one side is a plain integer
    default: {                                              // voDivide
        const Int128 a = currencyUnitsOf(x);
        const Int128 b = currencyUnitsOf(y);
        if (b == 0) {
            if (a == 0)
                raiseInvalidFloat();
            raiseZeroDivide();
        }
        return currencyResult(divHalfEven(a * kavCurrencyScale, b), fromType);
    }
    }
}

Variant dateArith(const Num &x, const Num &y, TkavVarOp op)
{
    const double a = asDouble(x);
    const double b = asDouble(y);
    const bool bothDates = x.kind == nkDate && y.kind == nkDate;
    switch (op) {
    case voAdd:
        if (!bothDates)
            return Variant::FromDate(checkedDouble(a + b, a, b).AsDouble());
        return checkedDouble(a + b, a, b);
    case voSubtract:
        if (x.kind == nkDate && !bothDates)
            return Variant::FromDate(checkedDouble(a - b, a, b).AsDouble());
        return checkedDouble(a - b, a, b);
    default:
        return checkedDouble(a * b, a, b);
    }
}

Variant floatDivide(double a, double b)
{
    if (b == 0) {
        if (a == 0 || std::isnan(a))
            raiseInvalidFloat();
        raiseZeroDivide();
    }
    return checkedDouble(a / b, a, b);
}

// + - * on numbers.
Variant arith(const Num &x, const Num &y, TkavVarOp op)
{
    if (x.kind == nkDate || y.kind == nkDate)
        return dateArith(x, y, op);
    if (x.kind == nkCurrency || y.kind == nkCurrency)
        return currencyArith(x, y, op);
    if (x.kind == nkDouble || y.kind == nkDouble) {
        const double a = asDouble(x);
        const double b = asDouble(y);
        return checkedDouble(op == voAdd ? a + b : op == voSubtract ? a - b : a * b, a, b);
    }
    qint64 r = 0;
    const bool overflow = op == voAdd        ? __builtin_add_overflow(x.i, y.i, &r)
                          : op == voSubtract ? __builtin_sub_overflow(x.i, y.i, &r)
                                             : __builtin_mul_overflow(x.i, y.i, &r);
    if (overflow)
        raiseIntOverflow();
    return intResult(r, x.kind == nkInt64 || y.kind == nkInt64);
}

Variant divide(const Num &x, const Num &y)
{
    if ((x.kind == nkCurrency || y.kind == nkCurrency) && x.kind != nkDate && y.kind != nkDate)
        return currencyArith(x, y, voDivide);
    return floatDivide(asDouble(x), asDouble(y));
}

// div mod shl shr and or xor on integers.
Variant integerOp(const Num &xn, const Num &yn, TkavVarOp op)
{
    const Num x = asIntNum(xn);
    const Num y = asIntNum(yn);
    const bool wide = x.kind == nkInt64 || y.kind == nkInt64;
    switch (op) {
    case voIntDivide:
    case voModulus:
        if (y.i == 0)
            kavRaise<EDivByZero>(u"Division by zero"_s);
        if (y.i == -1) { // the only quotient that can overflow: minimum / -1
            if (op == voModulus)
                return intResult(0, wide);
            if (x.i == int64Min)
                raiseIntOverflow();
            return intResult(-x.i, wide);
        }
        return intResult(op == voIntDivide ? x.i / y.i : x.i % y.i, wide);
    case voShiftLeft:
    case voShiftRight:
        if (x.kind == nkInt64) {
            const quint64 u = quint64(x.i);
            const int n = int(y.i & 63);
            return Variant(qint64(op == voShiftLeft ? u << n : u >> n));
        } else {
            const quint32 u = quint32(x.i);
            const int n = int(y.i & 31);
            return Variant(int(op == voShiftLeft ? u << n : u >> n));
        }
    case voAnd:
        return intResult(x.i & y.i, wide);
    case voOr:
        return intResult(x.i | y.i, wide);
    default:
        return intResult(x.i ^ y.i, wide);
    }
}

// Boolean view of a logic operand when the operator works logically.
bool logicalBool(const Variant &v, bool &value)
{
    if (v.IsBoolean()) {
        value = VariantAccess::rawBool(v);
        return true;
    }
    return v.IsString() && booleanFromText(VariantAccess::rawString(v), value);
}

Variant concat(const QString &a, const QString &b)
{
    kavCheckStringLength(qint64(a.size()) + b.size());
    return Variant(a + b);
}

// --- comparison -----------------------------------------------------------------------

enum Order { Less = -1, Equal = 0, Greater = 1, Unordered = 2 };

template <typename T>
Order orderOf(const T &a, const T &b)
{
    return a < b ? Less : b < a ? Greater : Equal;
}

// An integer against a double without rounding the integer (2^53 + 1 > 2^53).
Order compareIntWithDouble(qint64 i, double d)
{
    if (std::isnan(d))
        return Unordered;
    if (d >= 9223372036854775808.0)
        return Less;
    if (d < -9223372036854775808.0)
        return Greater;
    const double whole = std::trunc(d);
    const Order order = orderOf(i, qint64(whole));
    if (order != Equal)
        return order;
    return orderOf(0.0, d - whole);
}

Order compareNums(const Num &x, const Num &y)
{
    if (isIntKind(x.kind) && isIntKind(y.kind))
        return orderOf(x.i, y.i);
    const bool exact = (isIntKind(x.kind) || x.kind == nkCurrency)
                       && (isIntKind(y.kind) || y.kind == nkCurrency);
    if (exact)
        return orderOf(currencyUnitsOf(x), currencyUnitsOf(y));
    if (isIntKind(x.kind) && !exact)
        return compareIntWithDouble(x.i, asDouble(y));
    if (isIntKind(y.kind) && !exact) {
        const Order order = compareIntWithDouble(y.i, asDouble(x));
        return order == Unordered ? order : Order(-order);
    }
    const double a = asDouble(x);
    const double b = asDouble(y);
    if (std::isnan(a) || std::isnan(b))
        return Unordered;
    return orderOf(a, b);
}

Num numOfScalar(const Variant &v)
{
    return toNum(v);
}

// A number against a text: numerically when the text is a number (a date also when the
// text is a date), otherwise the number's text against the text.
Order compareNumberWithText(const Variant &number, const QString &text, bool numberLeft)
{
    Num other{};
    Order order = Unordered;
    double date = 0;
    if (numberFromText(text, other))
        order = compareNums(numOfScalar(number), other);
    else if (number.Type() == varDate && TryStrToDateTime(text, date))
        order = compareNums(numOfScalar(number), Num{nkDate, 0, date});
    else
        order = orderOf(number.AsString(), text);
    if (!numberLeft && order != Unordered)
        order = Order(-order);
    return order;
}

Order compareBooleanWithText(bool b, const QString &text, bool boolLeft)
{
    bool other = false;
    Order order = booleanFromText(text, other)
                      ? orderOf(int(b), int(other))
                      : orderOf(b ? u"True"_s : u"False"_s, text);
    return boolLeft ? order : Order(-order);
}

Order compareObjects(const Variant &a, const Variant &b, bool ordering)
{
    if (ordering)
        raiseInvalidOp();
    const bool aRef = a.IsObject() || a.IsNil();
    const bool bRef = b.IsObject() || b.IsNil();
    if (aRef && bRef && VariantAccess::rawInt(a) == VariantAccess::rawInt(b))
        return Equal;
    return Unordered; // different references, or a reference and another value
}

Order compare(const Variant &a, const Variant &b, bool ordering)
{
    const int ta = VariantAccess::rawType(a);
    const int tb = VariantAccess::rawType(b);
    if (ta == varArray || tb == varArray)
        raiseInvalidOp();
    if (ta == varNull || tb == varNull)
        return ta == tb ? Equal : ta == varNull ? Less : Greater;
    if (ta == varObject || tb == varObject)
        return compareObjects(a, b, ordering);
    if (ta == varString && tb == varString)
        return orderOf(VariantAccess::rawString(a), VariantAccess::rawString(b));
    if (ta == varEmpty && tb == varString)
        return VariantAccess::rawString(b).isEmpty() ? Equal : Less;
    if (tb == varEmpty && ta == varString)
        return VariantAccess::rawString(a).isEmpty() ? Equal : Greater;
    if (ta == varBoolean && tb == varBoolean)
        return orderOf(VariantAccess::rawBool(a), VariantAccess::rawBool(b));
    if (ta == varBoolean && tb == varString)
        return compareBooleanWithText(VariantAccess::rawBool(a), VariantAccess::rawString(b),
                                      true);
    if (tb == varBoolean && ta == varString)
        return compareBooleanWithText(VariantAccess::rawBool(b), VariantAccess::rawString(a),
                                      false);
    if (ta == varString)
        return compareNumberWithText(b, VariantAccess::rawString(a), false);
    if (tb == varString)
        return compareNumberWithText(a, VariantAccess::rawString(b), true);
    return compareNums(toNum(a), toNum(b));
}

} // namespace

// --- public operators -----------------------------------------------------------------

Variant VarBinaryOp(const Variant &a, const Variant &b, TkavVarOp op)
{
    const int ta = VariantAccess::rawType(a);
    const int tb = VariantAccess::rawType(b);
    // Fast paths: the common cases of the interpreter.
    if (ta == varInteger && tb == varInteger && op <= voMultiply) {
        const qint64 x = VariantAccess::rawInt(a);
        const qint64 y = VariantAccess::rawInt(b);
        return intResult(op == voAdd ? x + y : op == voSubtract ? x - y : x * y, false);
    }
    if (ta == varDouble && tb == varDouble && op <= voMultiply) {
        const double x = VariantAccess::rawDouble(a);
        const double y = VariantAccess::rawDouble(b);
        return checkedDouble(op == voAdd ? x + y : op == voSubtract ? x - y : x * y, x, y);
    }
    if (ta == varNull || tb == varNull)
        return Variant::Null();
    if (isStructured(ta) || isStructured(tb))
        raiseInvalidOp();
    if (op == voAdd && (ta == varString || tb == varString)) {
        if (ta == tb)
            return concat(VariantAccess::rawString(a), VariantAccess::rawString(b));
        if (ta == varEmpty)
            return b;
        if (tb == varEmpty)
            return a;
    }
    if (op == voAnd || op == voOr || op == voXor) {
        bool x = false;
        bool y = false;
        if ((ta == varBoolean || tb == varBoolean) && logicalBool(a, x) && logicalBool(b, y))
            return Variant(op == voAnd ? (x && y) : op == voOr ? (x || y) : (x != y));
    }
    const Num x = toNum(a);
    const Num y = toNum(b);
    switch (op) {
    case voAdd:
    case voSubtract:
    case voMultiply:
        return arith(x, y, op);
    case voDivide:
        return divide(x, y);
    default:
        return integerOp(x, y, op);
    }
}

void VarBinaryOpInPlace(Variant &a, const Variant &b, TkavVarOp op)
{
    // Text built piece by piece (s := s + x) grows in place: linear, not quadratic.
    if (op == voAdd && VariantAccess::rawType(a) == varString
        && VariantAccess::rawType(b) == varString) {
        QString &text = VariantAccess::mutableString(a);
        const QString &piece = VariantAccess::rawString(b);
        kavCheckStringLength(qint64(text.size()) + piece.size());
        text.append(piece);
        return;
    }
    a = VarBinaryOp(a, b, op);
}

Variant VarNeg(const Variant &v)
{
    const int t = VariantAccess::rawType(v);
    switch (t) {
    case varNull:
        return v;
    case varSingle:
        return Variant::FromSingle(float(-VariantAccess::rawDouble(v)));
    case varDouble:
        return Variant(-VariantAccess::rawDouble(v));
    case varDate:
        return Variant::FromDate(-VariantAccess::rawDouble(v));
    case varCurrency:
        if (VariantAccess::rawInt(v) == int64Min)
            raiseOverflow(varCurrency, varCurrency);
        return Variant::FromCurrencyUnits(-VariantAccess::rawInt(v));
    default:
        break;
    }
    if (isStructured(t))
        raiseInvalidOp();
    const Num n = toNum(v);
    if (n.kind == nkDouble)
        return Variant(-n.d);
    if (n.i == int64Min)
        raiseIntOverflow();
    return intResult(-n.i, n.kind == nkInt64);
}

Variant VarNot(const Variant &v)
{
    const int t = VariantAccess::rawType(v);
    if (t == varNull)
        return v;
    if (isStructured(t))
        raiseInvalidOp();
    bool b = false;
    if (logicalBool(v, b))
        return Variant(!b);
    const Num n = asIntNum(toNum(v));
    return intResult(~n.i, n.kind == nkInt64);
}

bool VarCompare(const Variant &a, const Variant &b, TkavVarCompareOp op)
{
    const Order order = compare(a, b, op != vcEqual && op != vcNotEqual);
    switch (op) {
    case vcEqual:
        return order == Equal;
    case vcNotEqual:
        return order != Equal;
    case vcLess:
        return order == Less;
    case vcLessEqual:
        return order == Less || order == Equal;
    case vcGreater:
        return order == Greater;
    default:
        return order == Greater || order == Equal;
    }
}
