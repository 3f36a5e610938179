#include "kavVariant.h"

#include "kavCaseFold.h"
#include "kavDateTime.h"
#include "kavExceptions.h"
#include "kavFormat.h"
#include "kavMath.h"
#include "kavObject.h"
#include "kavVariant_p.h"

#include <QSharedData>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using namespace kavVariantPrivate;

// The storage of a variant array: bounds per dimension and the elements with the first
// dimension outermost, so changing the first dimension's high bound only appends or cuts.
class VarArrayData : public QSharedData
{
public:
    int elementType = varVariant;
    QList<qint64> low;
    QList<qint64> high;
    QList<Variant> items;

    // Position of an element; raises for a wrong index count or an index out of bounds.
    qint64 offsetOf(std::span<const qint64> indices) const
    {
        if (qsizetype(indices.size()) != low.size())
            kavRaise<EVariantError>(u"Variant or safe array index out of bounds"_s);
        qint64 offset = 0;
        for (qsizetype d = 0; d < low.size(); ++d) {
            const qint64 index = indices[size_t(d)];
            if (index < low[d] || index > high[d])
                kavRaise<EVariantError>(u"Variant or safe array index out of bounds"_s);
            offset = offset * (high[d] - low[d] + 1) + (index - low[d]);
        }
        return offset;
    }
};

namespace {

const qint64 int32Min = std::numeric_limits<qint32>::min();
const qint64 int32Max = std::numeric_limits<qint32>::max();
// 2^63 as a double: the first value past the 64-bit integer range.
const double twoPow63 = 9223372036854775808.0;

[[noreturn]] void raiseNotArray()
{
    kavRaise<EVariantError>(u"Variant is not an array"_s);
}

[[noreturn]] void raiseIndex()
{
    kavRaise<EVariantError>(u"Variant or safe array index out of bounds"_s);
}

// Whether value fits the integer code varType.
bool fitsInteger(qint64 value, int varType)
{
    switch (varType) {
    case varSmallint:
        return value >= -32768 && value <= 32767;
    case varInteger:
        return value >= int32Min && value <= int32Max;
    case varShortInt:
        return value >= -128 && value <= 127;
    case varByte:
        return value >= 0 && value <= 255;
    case varWord:
        return value >= 0 && value <= 65535;
    case varLongWord:
        return value >= 0 && value <= 4294967295LL;
    default:
        return true;
    }
}

bool isValidElementType(int varType)
{
    return Variant::IsIntegerCode(varType) || varType == varSingle || varType == varDouble
           || varType == varCurrency || varType == varDate || varType == varBoolean
           || varType == varVariant || varType == varString || varType == varOleStr;
}

// The value a fresh element of a typed array starts with.
Variant zeroOf(int elementType)
{
    switch (elementType) {
    case varVariant:
        return Variant();
    case varString:
    case varOleStr:
        return Variant(QString());
    case varBoolean:
        return Variant(false);
    default:
        return VarAsType(Variant(0), elementType);
    }
}

// Text of a Single: seven significant digits, what a 32-bit float carries.
QString singleToText(double value)
{
    return FloatToStrF(value, ffGeneral, 7, 0);
}

// Integer value of v for the target code toType; every non-integer kind is rounded.
qint64 toInt64For(const Variant &v, int toType)
{
    const int from = v.Type();
    if (v.IsInteger())
        return VariantAccess::rawInt(v);
    switch (from) {
    case varEmpty:
        return 0;
    case varBoolean:
        return VariantAccess::rawBool(v) ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate:
        return doubleToInt64(VariantAccess::rawDouble(v), from, toType);
    case varCurrency:
        return currencyUnitsToInt64(VariantAccess::rawInt(v));
    case varString: {
        const QString &text = VariantAccess::rawString(v);
        qint64 value = 0;
        if (TryStrToInt64(text.trimmed(), value))
            return value;
        double d = 0;
        if (TryStrToFloat(text, d))
            return doubleToInt64(d, from, toType);
        raiseCast(from, toType);
    }
    default:
        raiseCast(from, toType);
    }
}

double toDoubleFor(const Variant &v, int toType)
{
    const int from = v.Type();
    if (v.IsInteger())
        return double(VariantAccess::rawInt(v));
    switch (from) {
    case varEmpty:
        return 0;
    case varBoolean:
        return VariantAccess::rawBool(v) ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate:
        return VariantAccess::rawDouble(v);
    case varCurrency:
        return double(VariantAccess::rawInt(v)) / double(kavCurrencyScale);
    case varString: {
        double d = 0;
        if (TryStrToFloat(VariantAccess::rawString(v), d))
            return d;
        raiseCast(from, toType);
    }
    default:
        raiseCast(from, toType);
    }
}

} // namespace

// --- internals shared with the operators ----------------------------------------------

namespace kavVariantPrivate {

void raiseCast(int fromType, int toType)
{
    kavRaise<EVariantError>(u"Could not convert variant of type (%1) into type (%2)"_s.arg(
        VarTypeAsText(fromType), VarTypeAsText(toType)));
}

void raiseOverflow(int fromType, int toType)
{
    kavRaise<EVariantError>(u"Overflow while converting variant of type (%1) into type (%2)"_s
                                .arg(VarTypeAsText(fromType), VarTypeAsText(toType)));
}

void raiseInvalidOp()
{
    kavRaise<EVariantError>(u"Invalid variant operation"_s);
}

bool numberFromText(const QString &text, Num &num)
{
    qint64 i = 0;
    if (TryStrToInt64(text.trimmed(), i)) {
        num = {i >= int32Min && i <= int32Max ? nkInt : nkInt64, i, 0};
        return true;
    }
    double d = 0;
    if (TryStrToFloat(text, d)) {
        num = {nkDouble, 0, d};
        return true;
    }
    return false;
}

bool booleanFromText(const QString &text, bool &value)
{
    const QStringView trimmed = QStringView(text).trimmed();
    if (kavSameText(trimmed, u"true")) {
        value = true;
        return true;
    }
    if (kavSameText(trimmed, u"false")) {
        value = false;
        return true;
    }
    Num num{};
    if (!numberFromText(text, num))
        return false;
    value = num.kind == nkDouble ? num.d != 0 : num.i != 0;
    return true;
}

qint64 doubleToInt64(double value, int fromType, int toType)
{
    const double r = kavRoundFloat(value);
    if (!(r >= -twoPow63 && r < twoPow63)) // also catches NaN
        raiseOverflow(fromType, toType);
    return qint64(r);
}

qint64 doubleToCurrencyUnits(double value, int fromType)
{
    TkavCurrency c;
    if (!kavTryDoubleToCurrency(value, c))
        raiseOverflow(fromType, varCurrency);
    return c.Units;
}

qint64 currencyUnitsToInt64(qint64 units)
{
    qint64 q = units / kavCurrencyScale;
    const qint64 r = units % kavCurrencyScale;
    const qint64 twice = 2 * (r < 0 ? -r : r);
    if (twice > kavCurrencyScale || (twice == kavCurrencyScale && (q & 1)))
        q += r < 0 ? -1 : 1;
    return q;
}

} // namespace kavVariantPrivate

// --- construction and copies ----------------------------------------------------------

Variant &Variant::operator=(const Variant &other)
{
    if (this == &other)
        return *this;
    if (IsTrivial() && other.IsTrivial()) {
        FType = other.FType;
        std::memcpy(&FInt, &other.FInt, sizeof(FInt));
        return *this;
    }
    Variant copy(other);
    return *this = std::move(copy);
}

Variant &Variant::operator=(Variant &&other) noexcept
{
    if (this == &other)
        return *this;
    if (!IsTrivial())
        destroyShared();
    FType = other.FType;
    if (other.IsTrivial())
        std::memcpy(&FInt, &other.FInt, sizeof(FInt));
    else
        moveShared(std::move(other));
    return *this;
}

void Variant::copyShared(const Variant &other)
{
    if (other.FType == varString)
        new (&FString) QString(other.FString);
    else
        new (&FArray) QExplicitlySharedDataPointer<VarArrayData>(other.FArray);
}

void Variant::moveShared(Variant &&other) noexcept
{
    if (other.FType == varString) {
        new (&FString) QString(std::move(other.FString));
        other.FString.~QString();
    } else {
        new (&FArray) QExplicitlySharedDataPointer<VarArrayData>(std::move(other.FArray));
        other.FArray.~QExplicitlySharedDataPointer<VarArrayData>();
    }
    other.FType = varEmpty;
    other.FInt = 0;
}

void Variant::destroyShared() noexcept
{
    if (FType == varString)
        FString.~QString();
    else
        FArray.~QExplicitlySharedDataPointer<VarArrayData>();
    FType = varEmpty;
    FInt = 0;
}

Variant Variant::Null() noexcept
{
    Variant v;
    v.FType = varNull;
    return v;
}

Variant Variant::FromSingle(float value) noexcept
{
    Variant v(double{value});
    v.FType = varSingle;
    return v;
}

Variant Variant::FromDate(double days) noexcept
{
    Variant v(days);
    v.FType = varDate;
    return v;
}

Variant Variant::FromCurrencyUnits(qint64 units) noexcept
{
    Variant v(units);
    v.FType = varCurrency;
    return v;
}

Variant Variant::FromCurrency(double value)
{
    return FromCurrencyUnits(doubleToCurrencyUnits(value, varDouble));
}

Variant Variant::FromInteger(qint64 value, int varType)
{
    if (!Variant::IsIntegerCode(varType))
        kavRaise<EVariantError>(u"Invalid variant type"_s);
    if (!fitsInteger(value, varType))
        raiseOverflow(varInt64, varType);
    Variant v(value);
    v.FType = quint16(varType);
    return v;
}

Variant Variant::FromObject(const TObject *obj)
{
    return FromHandle(obj ? obj->Handle() : 0);
}

Variant Variant::FromHandle(quint64 handle) noexcept
{
    Variant v{qint64(handle)};
    v.FType = varObject;
    return v;
}

// --- inspection and conversions -------------------------------------------------------

int Variant::arrayType() const
{
    return varArray | FArray->elementType;
}

bool Variant::IsNil() const
{
    return (FType == varObject || Variant::IsIntegerCode(FType)) && FInt == 0;
}

qint32 Variant::AsInteger() const
{
    if (FType == varInteger)
        return qint32(FInt);
    const qint64 value = toInt64For(*this, varInteger);
    if (value < int32Min || value > int32Max)
        raiseOverflow(Type(), varInteger);
    return qint32(value);
}

qint64 Variant::AsInt64() const
{
    return toInt64For(*this, varInt64);
}

double Variant::AsDouble() const
{
    if (FType == varDouble)
        return FDouble;
    return toDoubleFor(*this, varDouble);
}

qint64 Variant::AsCurrencyUnits() const
{
    switch (FType) {
    case varCurrency:
        return FInt;
    case varSingle:
    case varDouble:
    case varDate:
    case varString:
        return doubleToCurrencyUnits(toDoubleFor(*this, varCurrency), Type());
    default: {
        const qint64 value = toInt64For(*this, varCurrency);
        qint64 units = 0;
        if (__builtin_mul_overflow(value, kavCurrencyScale, &units))
            raiseOverflow(Type(), varCurrency);
        return units;
    }
    }
}

double Variant::AsDate() const
{
    if (FType == varString) {
        double d = 0;
        if (TryStrToDateTime(FString, d))
            return d;
        raiseCast(varString, varDate);
    }
    return toDoubleFor(*this, varDate);
}

bool Variant::AsBoolean() const
{
    switch (FType) {
    case varBoolean:
        return FBool;
    case varEmpty:
        return false;
    case varSingle:
    case varDouble:
    case varDate:
        return FDouble != 0;
    case varString: {
        bool value = false;
        if (booleanFromText(FString, value))
            return value;
        raiseCast(varString, varBoolean);
    }
    default:
        if (Variant::IsIntegerCode(FType) || FType == varCurrency)
            return FInt != 0;
        raiseCast(Type(), varBoolean);
    }
}

QString Variant::AsString() const
{
    switch (FType) {
    case varString:
        return FString;
    case varEmpty:
        return QString();
    case varBoolean:
        return FBool ? u"True"_s : u"False"_s;
    case varSingle:
        return singleToText(FDouble);
    case varDouble:
        return FloatToStr(FDouble);
    case varDate:
        // A time of day alone (no date part, as Time gives) reads as the time only.
        if (FDouble != 0 && std::trunc(FDouble) == 0)
            return TimeToStr(FDouble);
        return DateTimeToStr(FDouble);
    case varCurrency:
        return CurrToStr(TkavCurrency{FInt});
    default:
        if (Variant::IsIntegerCode(FType))
            return QString::number(FInt);
        raiseCast(Type(), varString);
    }
}

TObject *Variant::AsObject() const
{
    if (IsNil())
        return nullptr;
    if (FType != varObject)
        raiseCast(Type(), varObject);
    TObject *obj = TObject::FromHandle(quint64(FInt));
    if (!obj)
        kavRaise<EVariantError>(u"Invalid object reference"_s);
    return obj;
}

quint64 Variant::Handle() const
{
    if (IsNil())
        return 0;
    if (FType != varObject)
        raiseCast(Type(), varObject);
    return quint64(FInt);
}

bool Variant::IsIdentical(const Variant &other) const
{
    if (FType != other.FType)
        return false;
    switch (FType) {
    case varEmpty:
    case varNull:
        return true;
    case varBoolean:
        return FBool == other.FBool;
    case varSingle:
    case varDouble:
    case varDate:
        return FDouble == other.FDouble;
    case varString:
        return FString == other.FString;
    case varArray: {
        const VarArrayData &a = *FArray;
        const VarArrayData &b = *other.FArray;
        if (a.elementType != b.elementType || a.low != b.low || a.high != b.high)
            return false;
        for (qsizetype i = 0; i < a.items.size(); ++i)
            if (!a.items[i].IsIdentical(b.items[i]))
                return false;
        return true;
    }
    default:
        return FInt == other.FInt;
    }
}

// --- arrays ---------------------------------------------------------------------------

const VarArrayData &Variant::arrayData() const
{
    if (FType != varArray)
        raiseNotArray();
    return *FArray;
}

Variant Variant::ArrayElement(std::span<const qint64> indices) const
{
    const VarArrayData &data = arrayData();
    return data.items[data.offsetOf(indices)];
}

void Variant::SetArrayElement(std::span<const qint64> indices, const Variant &value)
{
    const qint64 offset = arrayData().offsetOf(indices);
    const int elementType = FArray->elementType;
    // Convert before detaching: a failed conversion leaves the array untouched, and value
    // may share this array's storage.
    Variant stored = elementType == varVariant ? value : VarAsType(value, elementType);
    FArray.detach();
    FArray->items[offset] = std::move(stored);
}

Variant VarArrayCreate(std::span<const qint64> bounds, int elementType)
{
    if (bounds.empty() || bounds.size() % 2 != 0 || bounds.size() / 2 > kavMaxVarArrayDims)
        kavRaise<EVariantError>(u"Invalid variant array bounds"_s);
    if (!isValidElementType(elementType))
        kavRaise<EVariantError>(u"Invalid variant type"_s);
    QExplicitlySharedDataPointer<VarArrayData> data(new VarArrayData);
    data->elementType = elementType;
    qint64 total = 1;
    for (size_t d = 0; d < bounds.size(); d += 2) {
        const qint64 low = bounds[d];
        const qint64 high = bounds[d + 1];
        const __int128 count = __int128(high) - low + 1;
        if (count < 0)
            kavRaise<EVariantError>(u"Invalid variant array bounds"_s);
        if (count > kavMaxVarArrayElements || (total *= qint64(count)) > kavMaxVarArrayElements)
            kavRaise<EVariantError>(u"Variant array is too large"_s);
        data->low.append(low);
        data->high.append(high);
    }
    // Grown, not sized at construction: QList's growth reports a failed allocation
    // (std::bad_alloc), its sized constructor does not check it.
    data->items.resize(qsizetype(total), zeroOf(elementType));
    Variant v;
    new (&v.FArray) QExplicitlySharedDataPointer<VarArrayData>(std::move(data));
    v.FType = varArray;
    return v;
}

Variant VarArrayOf(const QList<Variant> &values)
{
    const qint64 bounds[2] = {0, qint64(values.size()) - 1};
    Variant v = VarArrayCreate(bounds, varVariant);
    for (qsizetype i = 0; i < values.size(); ++i)
        v.SetArrayElement(i, values[i]);
    return v;
}

int VarArrayDimCount(const Variant &v)
{
    return v.FType == varArray ? int(v.FArray->low.size()) : 0;
}

qint64 VarArrayLowBound(const Variant &v, int dim)
{
    const VarArrayData &data = v.arrayData();
    if (dim < 1 || dim > data.low.size())
        raiseIndex();
    return data.low[dim - 1];
}

qint64 VarArrayHighBound(const Variant &v, int dim)
{
    const VarArrayData &data = v.arrayData();
    if (dim < 1 || dim > data.high.size())
        raiseIndex();
    return data.high[dim - 1];
}

void VarArrayRedim(Variant &v, qint64 highBound)
{
    const VarArrayData &data = v.arrayData();
    const __int128 wideCount = __int128(highBound) - data.low[0] + 1;
    if (wideCount < 0)
        kavRaise<EVariantError>(u"Invalid variant array bounds"_s);
    if (wideCount > kavMaxVarArrayElements)
        kavRaise<EVariantError>(u"Variant array is too large"_s);
    const qint64 count = qint64(wideCount);
    qint64 inner = 1;
    for (qsizetype d = 1; d < data.low.size(); ++d)
        inner *= data.high[d] - data.low[d] + 1;
    if (count > kavMaxVarArrayElements || (inner && count > kavMaxVarArrayElements / inner))
        kavRaise<EVariantError>(u"Variant array is too large"_s);
    v.FArray.detach();
    VarArrayData &w = *v.FArray;
    const qsizetype oldSize = w.items.size();
    const qsizetype newSize = qsizetype(count * inner);
    if (newSize < oldSize)
        w.items.resize(newSize);
    else if (newSize > oldSize)
        w.items.insert(oldSize, newSize - oldSize, zeroOf(w.elementType));
    w.high[0] = highBound;
}

// --- free functions -------------------------------------------------------------------

int VarType(const Variant &v)
{
    return v.Type();
}

QString VarTypeAsText(int varType)
{
    if (varType & varArray)
        return u"Array "_s + VarTypeAsText(varType & varTypeMask);
    switch (varType) {
    case varEmpty: return u"Empty"_s;
    case varNull: return u"Null"_s;
    case varSmallint: return u"Smallint"_s;
    case varInteger: return u"Integer"_s;
    case varSingle: return u"Single"_s;
    case varDouble: return u"Double"_s;
    case varCurrency: return u"Currency"_s;
    case varDate: return u"Date"_s;
    case varOleStr: return u"OleStr"_s;
    case varBoolean: return u"Boolean"_s;
    case varVariant: return u"Variant"_s;
    case varShortInt: return u"ShortInt"_s;
    case varByte: return u"Byte"_s;
    case varWord: return u"Word"_s;
    case varLongWord: return u"LongWord"_s;
    case varInt64: return u"Int64"_s;
    case varString: return u"String"_s;
    case varObject: return u"Object"_s;
    default: return u"Unknown"_s;
    }
}

QString VarToStr(const Variant &v)
{
    return v.IsNull() ? QString() : v.AsString();
}

Variant VarAsType(const Variant &v, int varType)
{
    const int from = v.Type();
    if (from == varType || varType == varVariant)
        return v;
    if (Variant::IsIntegerCode(varType)) {
        const qint64 value = toInt64For(v, varType);
        if (!fitsInteger(value, varType))
            raiseOverflow(from, varType);
        return Variant::FromInteger(value, varType);
    }
    switch (varType) {
    case varEmpty:
        return Variant();
    case varNull:
        return Variant::Null();
    case varSingle: {
        const double d = toDoubleFor(v, varSingle);
        if (std::isfinite(d) && std::fabs(d) > double(std::numeric_limits<float>::max()))
            raiseOverflow(from, varSingle);
        return Variant::FromSingle(float(d));
    }
    case varDouble:
        return Variant(v.AsDouble());
    case varDate:
        return Variant::FromDate(v.AsDate());
    case varCurrency:
        return Variant::FromCurrencyUnits(v.AsCurrencyUnits());
    case varBoolean:
        return Variant(v.AsBoolean());
    case varString:
    case varOleStr:
        return Variant(v.AsString());
    case varObject:
        if (v.IsNil())
            return Variant::FromHandle(0);
        raiseCast(from, varObject);
    default:
        if (varType & varArray)
            raiseCast(from, varType);
        kavRaise<EVariantError>(u"Invalid variant type"_s);
    }
}
