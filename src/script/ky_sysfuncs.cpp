#include "ky_sysfuncs.h"

#include "ky_classes.h"
#include "ky_script.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavDateTime.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavLimits.h>
#include <rtl/kavFormat.h>
#include <rtl/kavFormatSettings.h>
#include <rtl/kavMath.h>
#include <rtl/kavUIServices.h>
#include <rtl/kavVariant.h>

#include <QList>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <random>

using namespace Qt::StringLiterals;

namespace {

using TkyHandler
    = Variant (*)(TObject *, const TkavClassInfo *, const QString &, TkyMethodHelper &);

// ---------------------------------------------------------------------------------------
// Shared helpers

// The argument of Round, Trunc, Int and Frac: converted as a number (null is a conversion
// error, text is read as a number), then at currency precision where it fits, so that
// 28.999999999999996 truncates to 29. exact tells whether units holds the value.
struct CurrencyArg
{
    double value;
    bool exact;
    qint64 units;
};

CurrencyArg currencyArg(const Variant &v)
{
    if (v.Type() == varCurrency) {
        const qint64 units = v.AsCurrencyUnits();
        return {double(units) / double(kavCurrencyScale), true, units};
    }
    const double x = v.AsDouble();
    TkavCurrency c;
    if (kavTryDoubleToCurrency(x, c))
        return {c.ToDouble(), true, c.Units};
    return {x, false, 0};
}

// A transcendental result: a NaN from a number is an invalid operation, an infinity from a
// finite number an overflow (the same errors as the script's own arithmetic).
double checkedFloat(double arg, double result)
{
    if (std::isnan(result) && !std::isnan(arg))
        kavRaise<EInvalidOp>(u"Invalid floating point operation"_s);
    if (std::isinf(result) && std::isfinite(arg))
        kavRaise<EOverflow>(u"Floating point overflow"_s);
    return result;
}

// The elements of a one-dimensional array in index order.
QList<Variant> arrayElements(const Variant &v)
{
    QList<Variant> items;
    const qint64 low = VarArrayLowBound(v, 1);
    const qint64 high = VarArrayHighBound(v, 1);
    items.reserve(qsizetype(std::max<qint64>(0, high - low + 1)));
    for (qint64 i = low; i <= high; ++i)
        items << v.ArrayElement(i);
    return items;
}

// A double "at currency precision" (four decimals, ties to even) as the exact decimal it
// stands for (2.675 is 2.6750, so money ties round as written). A value outside the
// currency range stays a double, since that range is no limit on valid input.
Variant currencyValue(double value)
{
    TkavCurrency c;
    return kavTryDoubleToCurrency(value, c) ? Variant::FromCurrencyUnits(c.Units) : Variant(value);
}

// One element of Format's argument array as the formatter takes it: floats (Single,
// Double, Date) at currency precision, each with its own value; integers, currency, text
// and Booleans as they are; null and empty as the integer 0. Text is never shortened.
Variant formatArgument(const Variant &e)
{
    switch (e.Type()) {
    case varSingle:
    case varDouble:
    case varDate:
        return currencyValue(e.AsDouble());
    case varEmpty:
    case varNull:
        return 0;
    default:
        return e;
    }
}

QList<Variant> formatArguments(const Variant &args)
{
    QList<Variant> result;
    if (VarArrayDimCount(args) == 1) {
        for (const Variant &e : arrayElements(args))
            result << formatArgument(e);
    } else if (!args.IsNull() && !args.IsEmpty()) {
        result << formatArgument(args); // a single value stands for a one-element array
    }
    return result;
}

// FormatFloat's value: a double is taken at currency precision and formatted as that
// decimal, currency and integers are formatted exactly as they are.
QString formatFloatValue(const QString &fmt, const Variant &v)
{
    const Variant value = v.Type() == varDouble ? currencyValue(v.AsDouble()) : v;
    if (value.Type() == varCurrency)
        return FormatCurr(fmt, TkavCurrency{value.AsCurrencyUnits()});
    return FormatFloat(fmt, value.AsDouble());
}

// The generator behind Random: per thread, seeded from the clock.
quint64 clockSeed()
{
    return quint64(std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

std::mt19937_64 &randomEngine()
{
    thread_local std::mt19937_64 engine(clockSeed());
    return engine;
}

// [0, 1) from the top 53 bits: never 1.0.
double randomFloat()
{
    return double(randomEngine()() >> 11) * 0x1.0p-53;
}

// The folder part of a path: up to and including the last "/" or "\" (paths written on
// other systems), or a leading drive "C:".
QString extractFilePath(const QString &fileName)
{
    qsizetype i = fileName.size() - 1;
    while (i >= 0 && fileName[i] != u'/' && fileName[i] != u'\\')
        --i;
    if (i < 0 && fileName.size() >= 2 && fileName[1] == u':' && fileName[0].isLetter())
        i = 1;
    return fileName.left(i + 1);
}

// ---------------------------------------------------------------------------------------
// The module

class TkySysFunctions : public TkyRTTIModule
{
public:
    explicit TkySysFunctions(TkyScript &script);

private:
    // One handler per category; each dispatches on the upper-cased function name.
    static Variant callConv(TObject *, const TkavClassInfo *, const QString &, TkyMethodHelper &);
    static Variant callFormat(TObject *, const TkavClassInfo *, const QString &, TkyMethodHelper &);
    static Variant callDate(TObject *, const TkavClassInfo *, const QString &, TkyMethodHelper &);
    static Variant callString(TObject *, const TkavClassInfo *, const QString &, TkyMethodHelper &);
    static Variant callMath(TObject *, const TkavClassInfo *, const QString &, TkyMethodHelper &);
    static Variant callOther(TObject *, const TkavClassInfo *, const QString &, TkyMethodHelper &);

    void addGroup(std::initializer_list<const char16_t *> syntaxes,
                  TkyHandler handler,
                  const QString &category);

    // Category keys; the designer shows their resource texts as category titles.
    QString FCatConv = u"ctConv"_s;
    QString FCatDate = u"ctDate"_s;
    QString FCatFormat = u"ctFormat"_s;
    QString FCatMath = u"ctMath"_s;
    QString FCatOther = u"ctOther"_s;
    QString FCatStr = u"ctString"_s;
};

TkySysFunctions::TkySysFunctions(TkyScript &script)
    : TkyRTTIModule(script)
{
    kyAddStandardTypes(script);
    script.AddConst(u"True"_s, u"Boolean"_s, true);
    script.AddConst(u"False"_s, u"Boolean"_s, false);
    script.AddConst(u"nil"_s, u"Variant"_s, 0);
    script.AddConst(u"Null"_s, u"Variant"_s, Variant::Null());

    struct TypeCode
    {
        const char16_t *name;
        int code;
    };
    static const TypeCode typeCodes[] = {
        {u"varEmpty", varEmpty},       {u"varNull", varNull},         {u"varSmallint", varSmallint},
        {u"varInteger", varInteger},   {u"varSingle", varSingle},     {u"varDouble", varDouble},
        {u"varCurrency", varCurrency}, {u"varDate", varDate},         {u"varOleStr", varOleStr},
        {u"varDispatch", varDispatch}, {u"varError", varError},       {u"varBoolean", varBoolean},
        {u"varVariant", varVariant},   {u"varUnknown", varUnknown},   {u"varShortInt", varShortInt},
        {u"varByte", varByte},         {u"varWord", varWord},         {u"varLongWord", varLongWord},
        {u"varInt64", varInt64},       {u"varStrArg", varStrArg},     {u"varString", varString},
        {u"varAny", varAny},           {u"varTypeMask", varTypeMask}, {u"varArray", varArray},
        {u"varByRef", varByRef},
    };
    for (const TypeCode &t : typeCodes)
        script.AddConst(QString::fromUtf16(t.name), u"Integer"_s, t.code);

    script.AddVariable(u"ExceptionClassName"_s, u"String"_s, QString());
    script.AddVariable(u"ExceptionMessage"_s, u"String"_s, QString());

    addGroup({u"function IntToStr(i: Integer): String",
              u"function FloatToStr(e: Extended): String",
              u"function DateToStr(e: Extended): String",
              u"function TimeToStr(e: Extended): String",
              u"function DateTimeToStr(e: Extended): String",
              u"function BoolToStr(B: Boolean): string;",
              u"function VarToStr(v: Variant): String",
              u"function StrToInt(s: String): Integer",
              u"function StrToInt64(s: String): Int64",
              u"function StrToFloat(s: String): Extended",
              u"function StrToDate(s: String): Extended",
              u"function StrToTime(s: String): Extended",
              u"function StrToDateTime(s: String): Extended",
              u"function StrToBool(const S: string): Boolean;"},
             &TkySysFunctions::callConv,
             FCatConv);
    addGroup({u"function Format(Fmt: String; Args: array): String",
              u"function FormatFloat(Fmt: String; Value: Extended): String",
              u"function FormatDateTime(Fmt: String; DateTime: TDateTime): String",
              u"function FormatMaskText(EditMask: string; Value: string): string"},
             &TkySysFunctions::callFormat,
             FCatFormat);
    addGroup({u"function EncodeDate(Year, Month, Day: Word): TDateTime",
              u"procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)",
              u"function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime",
              u"procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)",
              u"function Date: TDateTime",
              u"function Time: TDateTime",
              u"function Now: TDateTime",
              u"function DayOfWeek(aDate: TDateTime): Integer",
              u"function IsLeapYear(Year: Word): Boolean",
              u"function DaysInMonth(nYear, nMonth: Integer): Integer"},
             &TkySysFunctions::callDate,
             FCatDate);
    addGroup({u"function Length(s: Variant): Integer",
              u"function Copy(s: String; from, count: Integer): String",
              u"function Pos(substr, s: String): Integer",
              u"procedure Delete(var s: String; from, count: Integer)",
              u"procedure DeleteStr(var s: String; from, count: Integer)",
              u"procedure Insert(s: String; var s2: String; pos: Integer)",
              u"function Uppercase(s: String): String",
              u"function Lowercase(s: String): String",
              u"function Trim(s: String): String",
              u"function NameCase(s: String): String",
              u"function CompareText(s, s1: String): Integer",
              u"function Chr(i: Integer): Char",
              u"function Ord(ch: Char): Integer",
              u"procedure SetLength(var S: Variant; L: Integer)"},
             &TkySysFunctions::callString,
             FCatStr);
    addGroup({u"function Round(e: Extended): Integer",
              u"function Trunc(e: Extended): Integer",
              u"function Int(e: Extended): Integer",
              u"function Frac(X: Extended): Extended",
              u"function Sqrt(e: Extended): Extended",
              u"function Abs(e: Extended): Extended",
              u"function Sin(e: Extended): Extended",
              u"function Cos(e: Extended): Extended",
              u"function ArcTan(X: Extended): Extended",
              u"function Tan(X: Extended): Extended",
              u"function Exp(X: Extended): Extended",
              u"function Ln(X: Extended): Extended",
              u"function Pi: Extended"},
             &TkySysFunctions::callMath,
             FCatMath);
    addGroup({u"procedure Inc(var i: Integer; incr: Integer = 1)",
              u"procedure Dec(var i: Integer; decr: Integer = 1)",
              u"procedure RaiseException(Param: String)",
              u"procedure ShowMessage(Msg: Variant)",
              u"procedure Randomize",
              u"function Random: Extended",
              u"function ValidInt(cInt: String): Boolean",
              u"function ValidFloat(cFlt: String): Boolean",
              u"function ValidDate(cDate: String): Boolean",
              u"function ExtractFilePath(const FileName: string): string;",
              u"function CreateOleObject(ClassName: String): Variant",
              u"function VarArrayCreate(Bounds: Array; Typ: Integer): Variant",
              u"function VarType(V: Variant): Integer"},
             &TkySysFunctions::callOther,
             FCatOther);
}

void TkySysFunctions::addGroup(std::initializer_list<const char16_t *> syntaxes,
                               TkyHandler handler,
                               const QString &category)
{
    for (const char16_t *syntax : syntaxes)
        Script().AddMethod(QString::fromUtf16(syntax), TkyCallMethodNewEvent(handler), category);
}

// Conversions between numbers, dates, Booleans and text.
Variant
TkySysFunctions::callConv(TObject *, const TkavClassInfo *, const QString &name, TkyMethodHelper &m)
{
    const Variant arg = m.GetVParam(0);
    if (name == u"INTTOSTR")
        return IntToStr(arg.AsInt64()); // 64-bit: 2147483648.0 keeps its digits
    if (name == u"FLOATTOSTR")
        return FloatToStr(arg.AsDouble());
    if (name == u"DATETOSTR")
        return DateToStr(arg.AsDate());
    if (name == u"TIMETOSTR")
        return TimeToStr(arg.AsDate());
    if (name == u"DATETIMETOSTR")
        return DateTimeToStr(arg.AsDate());
    if (name == u"BOOLTOSTR")
        return arg.AsBoolean() ? u"-1"_s : u"0"_s;
    if (name == u"VARTOSTR")
        return VarToStr(arg);
    if (name == u"STRTOINT")
        return StrToInt(VarToStr(arg));
    if (name == u"STRTOINT64")
        return StrToInt64(VarToStr(arg));
    if (name == u"STRTOFLOAT")
        return StrToFloat(VarToStr(arg));
    if (name == u"STRTODATE")
        return Variant::FromDate(StrToDate(VarToStr(arg)));
    if (name == u"STRTOTIME")
        return Variant::FromDate(StrToTime(VarToStr(arg)));
    if (name == u"STRTODATETIME")
        return Variant::FromDate(StrToDateTime(VarToStr(arg)));
    if (name == u"STRTOBOOL")
        return arg.AsBoolean();
    return Variant::Null();
}

// Format, FormatFloat, FormatDateTime and FormatMaskText over the rtl's picture languages.
Variant TkySysFunctions::callFormat(TObject *,
                                    const TkavClassInfo *,
                                    const QString &name,
                                    TkyMethodHelper &m)
{
    const QString fmt = VarToStr(m.GetVParam(0));
    const Variant arg = m.GetVParam(1);
    if (name == u"FORMAT")
        return Format(fmt, formatArguments(arg));
    if (name == u"FORMATFLOAT")
        return formatFloatValue(fmt, arg);
    if (name == u"FORMATDATETIME")
        return FormatDateTime(fmt, arg.AsDate());
    if (name == u"FORMATMASKTEXT")
        return kyFormatMaskText(fmt, VarToStr(arg));
    return Variant::Null();
}

// Dates and times as date values (days since 30 December 1899).
Variant
TkySysFunctions::callDate(TObject *, const TkavClassInfo *, const QString &name, TkyMethodHelper &m)
{
    const auto intParam = [&m](int index) { return m.GetVParam(index).AsInteger(); };
    if (name == u"ENCODEDATE")
        return Variant::FromDate(EncodeDate(intParam(0), intParam(1), intParam(2)));
    if (name == u"DECODEDATE") {
        int year = 0, month = 0, day = 0;
        DecodeDate(m.GetVParam(0).AsDate(), year, month, day);
        m.SetVParam(1, year);
        m.SetVParam(2, month);
        m.SetVParam(3, day);
    } else if (name == u"ENCODETIME") {
        return Variant::FromDate(EncodeTime(intParam(0), intParam(1), intParam(2), intParam(3)));
    } else if (name == u"DECODETIME") {
        int hour = 0, min = 0, sec = 0, msec = 0;
        DecodeTime(m.GetVParam(0).AsDate(), hour, min, sec, msec);
        m.SetVParam(1, hour);
        m.SetVParam(2, min);
        m.SetVParam(3, sec);
        m.SetVParam(4, msec);
    } else if (name == u"DATE") {
        return Variant::FromDate(Date());
    } else if (name == u"TIME") {
        return Variant::FromDate(Time());
    } else if (name == u"NOW") {
        return Variant::FromDate(Now());
    } else if (name == u"DAYOFWEEK") {
        return DayOfWeek(m.GetVParam(0).AsDate());
    } else if (name == u"ISLEAPYEAR") {
        return IsLeapYear(intParam(0));
    } else if (name == u"DAYSINMONTH") {
        return DaysInMonth(intParam(0), intParam(1));
    }
    return Variant::Null();
}

// String functions; positions are 1-based UTF-16 units, out-of-range ones are clipped.
Variant TkySysFunctions::callString(TObject *,
                                    const TkavClassInfo *,
                                    const QString &name,
                                    TkyMethodHelper &m)
{
    const Variant arg = m.GetVParam(0);
    if (name == u"LENGTH") {
        if (arg.IsArray())
            return VarFromInteger(VarArrayHighBound(arg, 1) - VarArrayLowBound(arg, 1) + 1);
        return int(VarToStr(arg).size());
    }
    if (name == u"COPY") {
        const QString s = VarToStr(arg);
        const qint64 from = std::max<qint64>(1, m.GetVParam(1).AsInt64());
        const qint64 count = m.GetVParam(2).AsInt64();
        if (from > s.size() || count <= 0)
            return QString();
        return s.mid(qsizetype(from - 1), qsizetype(std::min<qint64>(count, s.size() - from + 1)));
    }
    if (name == u"POS") {
        const QString sub = VarToStr(arg);
        return sub.isEmpty() ? 0 : int(VarToStr(m.GetVParam(1)).indexOf(sub) + 1);
    }
    if (name == u"DELETE" || name == u"DELETESTR") {
        QString s = VarToStr(arg);
        const qint64 from = m.GetVParam(1).AsInt64();
        const qint64 count = m.GetVParam(2).AsInt64();
        if (from >= 1 && from <= s.size() && count > 0) {
            s.remove(qsizetype(from - 1), qsizetype(std::min<qint64>(count, s.size() - from + 1)));
            m.SetVParam(0, s);
        }
        return Variant::Null();
    }
    if (name == u"INSERT") {
        const QString piece = VarToStr(arg);
        QString s = VarToStr(m.GetVParam(1));
        const qint64 at = std::clamp<qint64>(m.GetVParam(2).AsInt64(), 1, s.size() + 1);
        kavCheckStringLength(qint64(s.size()) + piece.size());
        s.insert(qsizetype(at - 1), piece);
        m.SetVParam(1, s);
        return Variant::Null();
    }
    if (name == u"UPPERCASE")
        return kavUpperCase(VarToStr(arg));
    if (name == u"LOWERCASE")
        return kavLowerCase(VarToStr(arg));
    if (name == u"TRIM") {
        // Blanks and control characters: every code up to the space.
        const QString s = VarToStr(arg);
        qsizetype first = 0, last = s.size();
        while (first < last && s[first].unicode() <= u' ')
            ++first;
        while (last > first && s[last - 1].unicode() <= u' ')
            --last;
        return s.mid(first, last - first);
    }
    if (name == u"NAMECASE") {
        QString s = kavLowerCase(VarToStr(arg));
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (i == 0 || s[i - 1] == u' ')
                s[i] = kavUpCaseChar(s[i]);
        }
        return s;
    }
    if (name == u"COMPARETEXT")
        return kavCompareText(VarToStr(arg), VarToStr(m.GetVParam(1)));
    if (name == u"CHR") {
        const qint64 code = arg.AsInt64();
        if (code < 0 || code > 0xFFFF)
            kavRaise<EConvertError>(u"'%1' is not a valid character code"_s.arg(code));
        return QString(QChar(char16_t(code)));
    }
    if (name == u"ORD") {
        const QString s = VarToStr(arg);
        return s.isEmpty() ? 0 : int(s[0].unicode());
    }
    if (name == u"SETLENGTH") {
        const qint64 length = m.GetVParam(1).AsInteger();
        Variant v = arg;
        if (v.IsString() || v.IsEmpty()) {
            QString s = VarToStr(v);
            if (length <= s.size()) {
                s.truncate(qsizetype(std::max<qint64>(0, length)));
            } else {
                kavCheckStringLength(length);
                s.append(QString(qsizetype(length - s.size()), u' '));
            }
            m.SetVParam(0, s);
        } else {
            VarArrayRedim(v, length - 1); // the first dimension, elements kept
            m.SetVParam(0, v);
        }
    }
    return Variant::Null();
}

// Mathematics. Round, Trunc, Int and Frac take their argument at currency precision;
// the transcendental functions and Abs use the full double.
Variant
TkySysFunctions::callMath(TObject *, const TkavClassInfo *, const QString &name, TkyMethodHelper &m)
{
    if (name == u"PI")
        return 3.1415926535897932385;
    const Variant arg = m.GetVParam(0);
    if (name == u"ROUND" || name == u"TRUNC") {
        if (arg.IsInteger())
            return VarFromInteger(arg.AsInt64());
        const TkavRoundMode mode = name == u"ROUND" ? rmNearestEven : rmTruncate;
        return VarFromInteger(kavRound(currencyArg(arg).value, mode));
    }
    if (name == u"INT") {
        const CurrencyArg c = currencyArg(arg);
        return c.exact ? double(c.units / kavCurrencyScale) : std::trunc(c.value);
    }
    if (name == u"FRAC") {
        const CurrencyArg c = currencyArg(arg);
        if (c.exact)
            return double(c.units % kavCurrencyScale) / double(kavCurrencyScale);
        return c.value - std::trunc(c.value);
    }
    const double x = arg.AsDouble();
    if (name == u"SQRT")
        return checkedFloat(x, std::sqrt(x));
    if (name == u"ABS")
        return std::fabs(x);
    if (name == u"SIN")
        return checkedFloat(x, std::sin(x));
    if (name == u"COS")
        return checkedFloat(x, std::cos(x));
    if (name == u"ARCTAN")
        return std::atan(x);
    if (name == u"TAN")
        return checkedFloat(x, std::tan(x));
    if (name == u"EXP")
        return checkedFloat(x, std::exp(x));
    if (name == u"LN") {
        if (x == 0)
            kavRaise<EZeroDivide>(u"Floating point division by zero"_s);
        return checkedFloat(x, std::log(x));
    }
    return Variant::Null();
}

// Everything else: counters, messages, random numbers, validity tests, paths, arrays.
Variant TkySysFunctions::callOther(TObject *,
                                   const TkavClassInfo *,
                                   const QString &name,
                                   TkyMethodHelper &m)
{
    if (name == u"RANDOMIZE") {
        randomEngine().seed(clockSeed());
        return Variant::Null();
    }
    if (name == u"RANDOM")
        return randomFloat();
    const Variant arg = m.GetVParam(0);
    if (name == u"INC" || name == u"DEC") {
        const Variant step = m.GetVParam(1);
        m.SetVParam(0, VarBinaryOp(arg, step, name == u"INC" ? voAdd : voSubtract));
    } else if (name == u"RAISEEXCEPTION") {
        kavRaise<Exception>(VarToStr(arg));
    } else if (name == u"SHOWMESSAGE") {
        kavUIServices().ShowMessage(VarToStr(arg));
    } else if (name == u"VALIDINT") {
        int value = 0;
        return TryStrToInt(VarToStr(arg), value);
    } else if (name == u"VALIDFLOAT") {
        double value = 0;
        return TryStrToFloat(VarToStr(arg), value);
    } else if (name == u"VALIDDATE") {
        TDateTime value = 0;
        const QString text = arg.Type() == varDate ? DateToStr(arg.AsDate()) : VarToStr(arg);
        return TryStrToDate(text, value);
    } else if (name == u"EXTRACTFILEPATH") {
        return extractFilePath(VarToStr(arg));
    } else if (name == u"CREATEOLEOBJECT") {
        kavRaise<EkyError>(
            u"CreateOleObject is not supported: there is no automation on this system"_s);
    } else if (name == u"VARARRAYCREATE") {
        // Bounds: low and high pairs, one per dimension; the array's caps apply.
        if (VarArrayDimCount(arg) != 1
            || VarArrayHighBound(arg, 1) - VarArrayLowBound(arg, 1) + 1 > 2 * kavMaxVarArrayDims)
            kavRaise<EVariantError>(u"Invalid variant array bounds"_s);
        QList<qint64> bounds;
        for (const Variant &b : arrayElements(arg))
            bounds << b.AsInt64();
        return VarArrayCreate(bounds, m.GetVParam(1).AsInteger());
    } else if (name == u"VARTYPE") {
        return VarType(arg);
    }
    return Variant::Null();
}

// ---------------------------------------------------------------------------------------
// Edit masks

enum MaskCase {
    mcNone,
    mcUpper,
    mcLower
};

struct MaskSlot
{
    QChar ch;      // the literal character (literals only)
    bool input;    // takes a character of the value
    MaskCase mode; // case conversion of that character
};

// Splits "mask;save;blank" at semicolons that are not escaped.
QStringList maskFields(const QString &editMask)
{
    QStringList fields;
    QString current;
    for (qsizetype i = 0; i < editMask.size(); ++i) {
        const QChar c = editMask[i];
        if (c == u'\\' && i + 1 < editMask.size()) {
            current += c;
            current += editMask[++i];
        } else if (c == u';') {
            fields << current;
            current.clear();
        } else {
            current += c;
        }
    }
    fields << current;
    return fields;
}

QChar applyCase(QChar c, MaskCase mode)
{
    if (mode == mcUpper)
        return kavUpCaseChar(c);
    if (mode == mcLower)
        return kavLowCaseChar(c);
    return c;
}

} // namespace

QString kyFormatMaskText(const QString &EditMask, const QString &Value)
{
    const QStringList fields = maskFields(EditMask);
    const QString &mask = fields[0];
    const bool saveLiterals = fields.size() < 2 || !fields[1].startsWith(u'0');
    const QChar blank = fields.size() >= 3 && !fields[2].isEmpty() ? fields[2][0] : QChar(u'_');
    const TFormatSettings &fs = FormatSettings();

    bool fromRight = false;
    MaskCase mode = mcNone;
    std::vector<MaskSlot> slots;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        const bool pairNext = i + 1 < mask.size();
        switch (c.unicode()) {
        case u'!':
            fromRight = true;
            break;
        case u'>':
        case u'<':
            if (pairNext && mask[i + 1] == (c == u'>' ? u'<' : u'>')) {
                mode = mcNone; // "<>" (or "><") ends case conversion
                ++i;
            } else {
                mode = c == u'>' ? mcUpper : mcLower;
            }
            break;
        case u'\\':
            if (pairNext)
                slots.push_back({mask[++i], false, mcNone});
            break;
        case u'L':
        case u'l':
        case u'A':
        case u'a':
        case u'C':
        case u'c':
        case u'0':
        case u'9':
        case u'#':
            slots.push_back({QChar(), true, mode});
            break;
        case u':':
            slots.push_back({fs.TimeSeparator, false, mcNone});
            break;
        case u'/':
            slots.push_back({fs.DateSeparator, false, mcNone});
            break;
        case u'_':
            slots.push_back({QChar(u' '), false, mcNone});
            break;
        default:
            slots.push_back({c, false, mcNone});
        }
    }

    // Lay the value out over the slots from the left, or from the right with "!".
    const qsizetype n = qsizetype(slots.size());
    QString result(n, QChar(u' '));
    qsizetype vi = fromRight ? Value.size() - 1 : 0;
    const auto hasValue = [&] { return fromRight ? vi >= 0 : vi < Value.size(); };
    const auto step = [&] { fromRight ? --vi : ++vi; };
    for (qsizetype k = 0; k < n; ++k) {
        const qsizetype si = fromRight ? n - 1 - k : k;
        const MaskSlot &slot = slots[size_t(si)];
        if (!slot.input) {
            result[si] = slot.ch;
            if (saveLiterals && hasValue() && Value[vi] == slot.ch)
                step();
        } else if (hasValue()) {
            result[si] = applyCase(Value[vi], slot.mode);
            step();
        } else {
            result[si] = blank;
        }
    }
    return result;
}

void kyRegisterSystemModule()
{
    static std::once_flag once;
    std::call_once(once, [] {
        kyRegisterRTTIModule(kyModuleSystem,
            [](TkyScript &script) { return std::make_unique<TkySysFunctions>(script); });
    });
}
