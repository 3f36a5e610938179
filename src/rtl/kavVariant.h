#pragma once

// Variant: the one value type of scripts and reports (numbers, currency, dates, text,
// Booleans, variant arrays and checked object references), with its conversions and
// operators. A small tagged union: numbers never allocate, text and arrays are shared.
//
// ---------------------------------------------------------------------------------------
// Type codes (VarType)
//   varEmpty 0, varNull 1, varSmallint 2, varInteger 3, varSingle 4, varDouble 5,
//   varCurrency 6, varDate 7, varBoolean 11, varVariant 12 (array elements only),
//   varShortInt 16, varByte 17, varWord 18, varLongWord 19, varInt64 20, varString 256,
//   varObject 258, varArray 8192 | element type.
//   varObject is our own code for an object reference: a distinct code keeps objects out
//   of the numeric branches of scripts that test VarType, and no platform code uses 258.
//   A reference is a TObject handle; handle 0 is the null reference. `nil` is the Integer 0.
//
// Type names in messages: Empty, Null, Smallint, Integer, Single, Double, Currency, Date,
//   Boolean, ShortInt, Byte, Word, LongWord, Int64, String, Object, "Array <element>".
//
// Conversions (the As... members; VarAsType converts to a type code). For every target:
// Empty is 0 / False / "", True is -1, Null, objects and arrays raise E1.
//   Integer, Int64, the small integer kinds
//            integers: range-checked (E2); Single, Double, Date: rounded half to even (E2
//            outside, also NaN and infinities); Currency: rounded half to even;
//            String: integer text, else float text rounded; E1 when neither.
//   Double   every number by value (Currency / 10000); String: float text; E1.
//   Single   as Double, then to float (E2 past the float range).
//   Currency integers * 10000 (E2 outside); Single, Double, Date: four decimals, ties to
//            even (E2 outside about +-9.22e14); String: float text, then as Double; E1.
//   Date     as Double; String: date and time text as StrToDateTime reads it; E1.
//   Boolean  numbers: <> 0; String: "true"/"false" in any case, else a number <> 0; E1.
//   String   integers in decimal; Double: FloatToStr; Single: 7 significant digits;
//            Currency: CurrToStr; Date: DateTimeToStr; Boolean: "True"/"False".
//   Object   the null reference from nil (Integer 0); other values E1.
//   VarToStr is AsString except that Null gives "".
//   Integer text: as TryStrToInt64 reads it (sign, decimal digits or "$1F"/"0x1F" hex),
//   blanks around allowed. Float text: as TryStrToFloat reads it, with the decimal
//   separator of FormatSettings().
//   E1 = EVariantError "Could not convert variant of type (<from>) into type (<to>)"
//   E2 = EVariantError "Overflow while converting variant of type (<from>) into type (<to>)"
//   The texts "'%s' is not a valid integer value" / "... floating point value" belong to
//   StrToInt / StrToFloat (EConvertError); variant conversions never raise them.
//
// Binary operators (VarBinaryOp). Null in any operand gives Null. Arrays and objects
// in arithmetic: EVariantError "Invalid variant operation".
//   Operands first become numbers: Empty -> Integer 0, Boolean -> Integer -1/0, String ->
//   Integer (Int64 beyond 32 bits) when it is integer text, else Double by the locale's
//   decimal separator (E1 with target Double when neither). Exception: + with a String on
//   both sides concatenates (EVariantError "String is too long" past kavMaxStringLength),
//   and + of a String with Empty gives the String.
//   + - *      integers: computed in 64 bits; Integer when no operand is Int64 and the
//              result fits in 32 bits, else Int64; Int64 overflow: EIntOverflow
//              "Integer overflow". Any Currency (and no Date): Currency, exact for
//              Currency/integer operands, products rounded ties to even, out of range E2.
//              Date +- number and number + Date: Date; other Date cases (Date - Date,
//              Date * x ...): Double.
//              Otherwise (Single, Double): Double.
//   /          Double (Currency when an operand is Currency). x/0: EZeroDivide "Floating
//              point division by zero"; 0/0: EInvalidOp "Invalid floating point operation".
//   div mod    operands rounded to integers (half-even); truncating division, the
//              remainder has the dividend's sign; result typed as for +; by 0: EDivByZero
//              "Division by zero".
//   and or xor both Boolean (or Boolean with Boolean text): Boolean; else bitwise on the
//              integers, typed as for +.
//   shl shr    integers; Integer shifts 32 bits (count mod 32, shr is logical), Int64 64.
//   Double results that overflow: EOverflow "Floating point overflow"; invalid (inf-inf):
//   EInvalidOp "Invalid floating point operation".
// Unary: VarNeg (Integer -2147483648 negates to Int64; Int64 minimum: EIntOverflow;
//   Single, Double, Currency and Date keep their type; others as for +), VarNot (Boolean
//   or Boolean text: logical; numbers: bitwise on the rounded integer; Empty: -1).
//   Null gives Null; arrays and objects: "Invalid variant operation".
//
// Comparisons (VarCompare) give a Boolean and never raise for mixed scalar kinds:
//   Null = Null; Null is below every other value. Empty is 0 against numbers, "" against
//   strings. Strings compare by UTF-16 units (case-sensitive). Numbers compare exactly
//   (integers and Currency without rounding, an integer against a double without
//   rounding the integer, otherwise as doubles; NaN is unordered: only <> holds).
//   String vs number: numeric when the string is a number (a Date also against date
//   text), else the number's text is compared. Boolean: False < True; against numbers
//   as -1/0; against text as the text's Boolean when it has one, else as "True"/"False".
//   Objects: equal when the handles are; the Integer 0 equals the null reference;
//   ordering objects or comparing arrays: EVariantError "Invalid variant operation".
//
// Arrays: VarArrayCreate(bounds, type) with one (low, high) pair per dimension; elements
//   start as the type's zero (Empty for varVariant) and are converted to the element type
//   when stored. Copies share storage until one of them is written (value semantics).
//   Index errors: EVariantError "Variant or safe array index out of bounds"; an array
//   operation on a non-array: EVariantError "Variant is not an array"; bad bounds or
//   element type: EVariantError "Invalid variant array bounds" / "Invalid variant type";
//   more than kavMaxVarArrayElements elements: EVariantError "Variant array is too large".
// Objects: AsObject of a stale or forged handle raises EVariantError
//   "Invalid object reference"; the null reference and the Integer 0 give nullptr.
// ---------------------------------------------------------------------------------------

#include <QExplicitlySharedDataPointer>
#include <QList>
#include <QString>

#include <cstring>
#include <span>
#include <utility>

class TObject;
class VarArrayData;

// The type codes VarType returns (scripts see the same numbers as constants).
enum TkavVarTypeCode : int {
    varEmpty = 0,
    varNull = 1,
    varSmallint = 2,
    varInteger = 3,
    varSingle = 4,
    varDouble = 5,
    varCurrency = 6,
    varDate = 7,
    varOleStr = 8,
    varDispatch = 9,
    varError = 10,
    varBoolean = 11,
    varVariant = 12,
    varUnknown = 13,
    varShortInt = 16,
    varByte = 17,
    varWord = 18,
    varLongWord = 19,
    varInt64 = 20,
    varStrArg = 72,
    varString = 256,
    varAny = 257,
    varObject = 258,
    varTypeMask = 4095,
    varArray = 8192,
    varByRef = 16384
};

// Binary operators of VarBinaryOp. ORDER: the fast paths take the first three as + - *.
enum TkavVarOp : int {
    voAdd,
    voSubtract,
    voMultiply,
    voDivide,
    voIntDivide,
    voModulus,
    voShiftLeft,
    voShiftRight,
    voAnd,
    voOr,
    voXor
};

// Comparison operators of VarCompare.
enum TkavVarCompareOp : int {
    vcEqual,
    vcNotEqual,
    vcLess,
    vcLessEqual,
    vcGreater,
    vcGreaterEqual
};

// Currency: a 64-bit integer scaled by this factor (four decimal places).
inline constexpr qint64 kavCurrencyScale = 10000;
// The largest variant array (elements over all dimensions).
inline constexpr qint64 kavMaxVarArrayElements = qint64(1) << 24;
// The most dimensions of a variant array.
inline constexpr int kavMaxVarArrayDims = 64;
// The longest string a concatenation may build (UTF-16 units).
inline constexpr qsizetype kavMaxStringLength = qsizetype(1) << 28;

class Variant
{
public:
    // Implicit on purpose, each C++ type to its kind: int Integer, uint LongWord, qint64 and
    // long Int64, double Double, bool Boolean, QString String; the default is Empty.
    Variant() noexcept : FInt(0), FType(varEmpty) {}
    Variant(int value) noexcept : FInt(value), FType(varInteger) {}
    Variant(uint value) noexcept : FInt(value), FType(varLongWord) {}
    Variant(qint64 value) noexcept : FInt(value), FType(varInt64) {}
    Variant(long value) noexcept : FInt(value), FType(varInt64) {} // qsizetype
    Variant(double value) noexcept : FDouble(value), FType(varDouble) {}
    Variant(bool value) noexcept : FInt(0), FType(varBoolean) { FBool = value; }
    Variant(const QString &value) : FString(value), FType(varString) {}
    Variant(QString &&value) noexcept : FString(std::move(value)), FType(varString) {}
    // Pointers would silently become Booleans: objects go through FromObject, text through
    // QString (u"..."_s). A float becomes a Double (FromSingle makes a Single).
    Variant(const void *) = delete;

    Variant(const Variant &other) : FType(other.FType)
    {
        if (other.IsTrivial())
            std::memcpy(&FInt, &other.FInt, sizeof(FInt));
        else
            copyShared(other);
    }
    Variant(Variant &&other) noexcept : FType(other.FType)
    {
        if (other.IsTrivial())
            std::memcpy(&FInt, &other.FInt, sizeof(FInt));
        else
            moveShared(std::move(other));
    }
    Variant &operator=(const Variant &other);
    Variant &operator=(Variant &&other) noexcept;
    ~Variant()
    {
        if (!IsTrivial())
            destroyShared();
    }

    // Named constructors for the kinds without a C++ type of their own.
    static Variant Null() noexcept;
    static Variant FromSingle(float value) noexcept;
    static Variant FromDate(double days) noexcept;
    // Currency from its scaled integer (value * 10000).
    static Variant FromCurrencyUnits(qint64 units) noexcept;
    // Currency from a number: ties to even at four decimals; E2 outside the range.
    static Variant FromCurrency(double value);
    // An integer of the given integer code (varSmallint ... varInt64); E2 when out of range.
    static Variant FromInteger(qint64 value, int varType);
    // A reference to obj (its handle); nullptr gives the null reference.
    static Variant FromObject(const TObject *obj);
    // A reference from a handle that may be stale: checked when it is used.
    static Variant FromHandle(quint64 handle) noexcept;

    // The type code (VarType); for arrays varArray | element type.
    int Type() const { return FType == varArray ? arrayType() : FType; }
    bool IsEmpty() const { return FType == varEmpty; }
    bool IsNull() const { return FType == varNull; }
    bool IsString() const { return FType == varString; }
    bool IsArray() const { return FType == varArray; }
    bool IsObject() const { return FType == varObject; }
    bool IsBoolean() const { return FType == varBoolean; }
    // The value of an Integer variant, for fast paths that tested Type() == varInteger.
    qint32 IntegerValue() const { return qint32(FInt); }
    // Any integer code (Boolean excluded).
    static bool IsIntegerCode(int varType)
    {
        return (varType >= varSmallint && varType <= varInteger)
               || (varType >= varShortInt && varType <= varInt64);
    }
    bool IsInteger() const { return IsIntegerCode(FType); }
    // Integers, Single, Double, Currency and Date.
    bool IsNumeric() const
    {
        return (FType >= varSmallint && FType <= varDate)
               || (FType >= varShortInt && FType <= varInt64);
    }
    // Integer 0 or the null reference: what `nil` compares equal to.
    bool IsNil() const;

    // Conversions, see the table above.
    qint32 AsInteger() const;
    qint64 AsInt64() const;
    double AsDouble() const;
    qint64 AsCurrencyUnits() const;
    double AsCurrency() const { return double(AsCurrencyUnits()) / double(kavCurrencyScale); }
    double AsDate() const;
    bool AsBoolean() const;
    QString AsString() const;
    // The referenced object: nullptr for nil, EVariantError for a stale or forged handle
    // and for values that are not references.
    TObject *AsObject() const;
    // The raw handle of a reference (0 for nil); E1 for other values.
    quint64 Handle() const;

    // Same type and same value (arrays element by element): identity, not the script's
    // "=" (that is VarCompare). Doubles compare by value, so NaN is never identical.
    bool IsIdentical(const Variant &other) const;

    // Array access; indices one per dimension. See VarArray* below for the checks.
    Variant ArrayElement(std::span<const qint64> indices) const;
    Variant ArrayElement(qint64 index) const { return ArrayElement(std::span(&index, 1)); }
    void SetArrayElement(std::span<const qint64> indices, const Variant &value);
    void SetArrayElement(qint64 index, const Variant &value)
    {
        SetArrayElement(std::span(&index, 1), value);
    }

private:
    friend class VarArrayData;
    friend struct VariantAccess;
    friend Variant VarArrayCreate(std::span<const qint64> bounds, int elementType);
    friend int VarArrayDimCount(const Variant &v);
    friend qint64 VarArrayLowBound(const Variant &v, int dim);
    friend qint64 VarArrayHighBound(const Variant &v, int dim);
    friend void VarArrayRedim(Variant &v, qint64 highBound);

    bool IsTrivial() const { return FType != varString && FType != varArray; }
    void copyShared(const Variant &other);
    void moveShared(Variant &&other) noexcept;
    void destroyShared() noexcept;
    const VarArrayData &arrayData() const;
    int arrayType() const;

    union {
        qint64 FInt; // integer kinds, Currency units, object handle
        double FDouble; // Single, Double, Date
        bool FBool;
        QString FString;
        QExplicitlySharedDataPointer<VarArrayData> FArray;
    };
    quint16 FType; // the type code; varArray for every array
};

// An Integer when value fits in 32 bits, else an Int64: how integer results are typed.
inline Variant VarFromInteger(qint64 value)
{
    if (value >= -2147483647LL - 1 && value <= 2147483647LL)
        return Variant(qint32(value));
    return Variant(value);
}

// The value's type code.
int VarType(const Variant &v);
// The name of a type code as used in messages ("Integer", "Array Variant" ...).
QString VarTypeAsText(int varType);
// The string form; Null gives "".
QString VarToStr(const Variant &v);
// v converted to the type code varType (the rules of the conversion table).
Variant VarAsType(const Variant &v, int varType);

// a op b by the operator table above.
Variant VarBinaryOp(const Variant &a, const Variant &b, TkavVarOp op);
// a := a op b; a string grown by another string is appended in place (amortised constant
// time when a's text is not shared), everything else as VarBinaryOp.
void VarBinaryOpInPlace(Variant &a, const Variant &b, TkavVarOp op);
Variant VarNeg(const Variant &v);
Variant VarNot(const Variant &v);
// a op b as a Boolean by the comparison rules above.
bool VarCompare(const Variant &a, const Variant &b, TkavVarCompareOp op);

// A variant array; bounds holds (low, high) per dimension; high may be low - 1 (empty).
Variant VarArrayCreate(std::span<const qint64> bounds, int elementType);
inline Variant VarArrayCreate(const QList<qint64> &bounds, int elementType)
{
    return VarArrayCreate(std::span(bounds.constData(), size_t(bounds.size())), elementType);
}
// A one-dimensional array of variants [0 .. n-1] holding values.
Variant VarArrayOf(const QList<Variant> &values);
// Number of dimensions; 0 when v is not an array.
int VarArrayDimCount(const Variant &v);
// Bounds of dimension dim (1-based).
qint64 VarArrayLowBound(const Variant &v, int dim);
qint64 VarArrayHighBound(const Variant &v, int dim);
// Gives the first dimension the high bound highBound, keeping the elements that remain.
void VarArrayRedim(Variant &v, qint64 highBound);
