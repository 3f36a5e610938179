// Variant: conversions, operators, comparisons, arrays and object references, as tables.

#include <rtl/kavDateTime.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFormatSettings.h>
#include <rtl/kavObject.h>
#include <rtl/kavVariant.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const qint64 int64Max = std::numeric_limits<qint64>::max();
const qint64 int64Min = std::numeric_limits<qint64>::min();

// "Integer 5", "String 'x'", "Array Integer [..]": enough to read a failed row.
std::string describe(const Variant &v)
{
    const int t = v.Type();
    QString text;
    if (t & varArray)
        text = u"[%1 dims]"_s.arg(VarArrayDimCount(v));
    else if (t == varObject)
        text = u"#%1"_s.arg(v.Handle());
    else if (t == varDouble || t == varSingle || t == varDate)
        text = QString::number(v.AsDouble(), 'g', 17);
    else if (t == varCurrency)
        text = u"%1 units"_s.arg(v.AsCurrencyUnits());
    else
        text = u"'%1'"_s.arg(VarToStr(v));
    return (VarTypeAsText(t) + u' ' + text).toStdString();
}

// The expected outcome of a row: a value, or an exception class and message.
struct Outcome
{
    Variant value;
    const char *errorClass = nullptr;
    QString message;
};

Outcome ok(const Variant &v)
{
    return {v, nullptr, {}};
}

Outcome fails(const char *errorClass, const QString &message)
{
    return {Variant(), errorClass, message};
}

Outcome castError(const char *from, const char *to)
{
    return fails("EVariantError", u"Could not convert variant of type (%1) into type (%2)"_s.arg(
                                      QLatin1StringView(from), QLatin1StringView(to)));
}

Outcome overflowError(const char *from, const char *to)
{
    return fails("EVariantError",
                 u"Overflow while converting variant of type (%1) into type (%2)"_s.arg(
                     QLatin1StringView(from), QLatin1StringView(to)));
}

void expectOutcome(const std::function<Variant()> &run, const Outcome &expected)
{
    try {
        const Variant result = run();
        if (expected.errorClass)
            ADD_FAILURE() << "expected " << expected.errorClass << " \""
                          << expected.message.toStdString() << "\", got " << describe(result);
        else
            EXPECT_TRUE(result.IsIdentical(expected.value))
                << "got " << describe(result) << ", expected " << describe(expected.value);
    } catch (const Exception &e) {
        if (!expected.errorClass) {
            ADD_FAILURE() << "unexpected " << e.ClassName() << ": " << e.what();
        } else {
            EXPECT_STREQ(e.ClassName(), expected.errorClass);
            EXPECT_EQ(e.Message().toStdString(), expected.message.toStdString());
        }
    }
}

Variant cur(qint64 units)
{
    return Variant::FromCurrencyUnits(units);
}

Variant i64(qint64 v)
{
    return Variant(v);
}

Variant date(double d)
{
    return Variant::FromDate(d);
}

TFormatSettings commaSettings()
{
    TFormatSettings fs = TFormatSettings::Invariant();
    fs.DecimalSeparator = u',';
    fs.ThousandSeparator = u'.';
    return fs;
}

// Every test runs with pinned settings: "." decimals, "mm/dd/yyyy", "hh:nn:ss".
class VariantTest : public ::testing::Test
{
protected:
    TkavFormatSettingsGuard FPinned{TFormatSettings::Invariant()};
};

// --- type codes ------------------------------------------------------------------------

TEST_F(VariantTest, TypeCodesOfEachKind)
{
    struct Row
    {
        Variant v;
        int code;
    } rows[] = {
        {Variant(), 0},
        {Variant::Null(), 1},
        {Variant::FromInteger(5, varSmallint), 2},
        {Variant(5), 3},
        {Variant::FromSingle(1.5f), 4},
        {Variant(1.5), 5},
        {cur(5), 6},
        {date(1), 7},
        {Variant(true), 11},
        {Variant::FromInteger(-5, varShortInt), 16},
        {Variant::FromInteger(5, varByte), 17},
        {Variant::FromInteger(5, varWord), 18},
        {Variant(5u), 19},
        {i64(5), 20},
        {Variant(qsizetype(5)), 20},
        {Variant(u"x"_s), 256},
        {Variant::FromObject(nullptr), varObject},
        {VarArrayCreate({0, 1}, varInteger), 8192 | 3},
        {VarArrayOf({Variant(1)}), 8192 | 12},
    };
    for (const Row &row : rows)
        EXPECT_EQ(VarType(row.v), row.code) << describe(row.v);
}

TEST_F(VariantTest, CopiesAndMovesKeepValues)
{
    Variant s(u"text"_s);
    Variant copy = s;
    Variant moved = std::move(s);
    EXPECT_TRUE(copy.IsIdentical(moved));
    EXPECT_TRUE(s.IsEmpty()); // NOLINT(bugprone-use-after-move): the moved-from state is defined
    copy = copy;
    EXPECT_EQ(copy.AsString(), u"text"_s);
    copy = Variant(7);
    EXPECT_EQ(VarType(copy), varInteger);
    moved = VarArrayOf({Variant(1), Variant(u"a"_s)});
    copy = moved;
    EXPECT_TRUE(copy.IsIdentical(moved));
    EXPECT_LE(sizeof(Variant), 32u); // numbers and handles stay inline
}

// --- conversions -----------------------------------------------------------------------

struct ConversionRow
{
    const char *name;
    Variant in;
    int to;
    Outcome expected;
};

void runConversions(const std::vector<ConversionRow> &rows)
{
    for (const ConversionRow &row : rows) {
        SCOPED_TRACE(row.name);
        expectOutcome([&] { return VarAsType(row.in, row.to); }, row.expected);
    }
}

TEST_F(VariantTest, ConversionsToNumbers)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    runConversions({
        {"empty is 0", Variant(), varInteger, ok(Variant(0))},
        {"True is -1", Variant(true), varInteger, ok(Variant(-1))},
        {"3.7 rounds up", Variant(3.7), varInteger, ok(Variant(4))},
        {"2.5 to even", Variant(2.5), varInteger, ok(Variant(2))},
        {"3.5 to even", Variant(3.5), varInteger, ok(Variant(4))},
        {"-2.5 to even", Variant(-2.5), varInteger, ok(Variant(-2))},
        {"currency 2.5 to even", cur(25000), varInteger, ok(Variant(2))},
        {"currency -3.5 to even", cur(-35000), varInteger, ok(Variant(-4))},
        {"integer text", Variant(u" 42"_s), varInteger, ok(Variant(42))},
        {"hex text", Variant(u"$1F"_s), varInteger, ok(Variant(31))},
        {"decimal text rounds", Variant(u"3.7"_s), varInteger, ok(Variant(4))},
        {"text to Int64", Variant(u"9223372036854775807"_s), varInt64, ok(i64(int64Max))},
        {"date to double", date(43831.5), varDouble, ok(Variant(43831.5))},
        {"double to date", Variant(43831.25), varDate, ok(date(43831.25))},
        {"currency to double", cur(12345), varDouble, ok(Variant(1.2345))},
        {"text to double", Variant(u"1.5"_s), varDouble, ok(Variant(1.5))},
        {"255 fits a byte", Variant(255), varByte, ok(Variant::FromInteger(255, varByte))},
        {"double to currency", Variant(1.23456), varCurrency, ok(cur(12346))},
        // 0.29 * 100 is 28.999999999999996: at currency precision it is 29.
        {"currency precision", Variant(0.29 * 100), varCurrency, ok(cur(290000))},
        {"integer to currency", Variant(3), varCurrency, ok(cur(30000))},
        {"single keeps its value", Variant(0.5), varSingle, ok(Variant::FromSingle(0.5f))},
        {"bad integer text", Variant(u"abc"_s), varInteger, castError("String", "Integer")},
        {"bad float text", Variant(u"abc"_s), varDouble, castError("String", "Double")},
        {"comma under '.'", Variant(u"1,5"_s), varDouble, castError("String", "Double")},
        {"bad date text", Variant(u"2020-13-45"_s), varDate, castError("String", "Date")},
        {"bad currency text", Variant(u"x"_s), varCurrency, castError("String", "Currency")},
        {"null to integer", Variant::Null(), varInteger, castError("Null", "Integer")},
        {"null to double", Variant::Null(), varDouble, castError("Null", "Double")},
        {"object to integer", Variant::FromHandle(3), varInteger, castError("Object", "Integer")},
        {"array to integer", VarArrayOf({}), varInteger, castError("Array Variant", "Integer")},
        {"Int64 past Integer", i64(2147483648), varInteger, overflowError("Int64", "Integer")},
        {"double past Integer", Variant(2147483647.6), varInteger,
         overflowError("Double", "Integer")},
        {"text past Integer", Variant(u"3000000000"_s), varInteger,
         overflowError("String", "Integer")},
        {"NaN to integer", Variant(nan), varInt64, overflowError("Double", "Int64")},
        {"300 past a byte", Variant(300), varByte, overflowError("Integer", "Byte")},
        {"-1 past a word", Variant(-1), varWord, overflowError("Integer", "Word")},
        {"1e16 past currency", Variant(1e16), varCurrency, overflowError("Double", "Currency")},
        {"Int64 past currency", i64(int64Max), varCurrency, overflowError("Int64", "Currency")},
        {"1e39 past single", Variant(1e39), varSingle, overflowError("Double", "Single")},
    });
}

TEST_F(VariantTest, ConversionsToBooleanAndString)
{
    runConversions({
        {"empty is False", Variant(), varBoolean, ok(Variant(false))},
        {"nonzero is True", Variant(2), varBoolean, ok(Variant(true))},
        {"0.0 is False", Variant(0.0), varBoolean, ok(Variant(false))},
        {"currency units", cur(1), varBoolean, ok(Variant(true))},
        {"'TRUE'", Variant(u"TRUE"_s), varBoolean, ok(Variant(true))},
        {"' false '", Variant(u" false "_s), varBoolean, ok(Variant(false))},
        {"'0'", Variant(u"0"_s), varBoolean, ok(Variant(false))},
        {"'0.5'", Variant(u"0.5"_s), varBoolean, ok(Variant(true))},
        {"'yes'", Variant(u"yes"_s), varBoolean, castError("String", "Boolean")},
        {"null to Boolean", Variant::Null(), varBoolean, castError("Null", "Boolean")},
        {"empty is ''", Variant(), varString, ok(Variant(QString()))},
        {"True", Variant(true), varString, ok(Variant(u"True"_s))},
        {"False", Variant(false), varString, ok(Variant(u"False"_s))},
        {"negative integer", Variant(-123), varString, ok(Variant(u"-123"_s))},
        {"Int64 minimum", i64(int64Min), varString, ok(Variant(u"-9223372036854775808"_s))},
        {"0.1", Variant(0.1), varString, ok(Variant(u"0.1"_s))},
        {"0.1 + 0.2", Variant(0.1 + 0.2), varString, ok(Variant(u"0.3"_s))},
        {"1e20", Variant(1e20), varString, ok(Variant(u"1E20"_s))},
        // A Single carries 7 digits: 0.1f is not written as 0.100000001490116.
        {"single 0.1", Variant::FromSingle(0.1f), varString, ok(Variant(u"0.1"_s))},
        {"currency 1.2345", cur(12345), varString, ok(Variant(u"1.2345"_s))},
        {"currency 12.5", cur(125000), varString, ok(Variant(u"12.5"_s))},
        {"date only", date(43831), varString, ok(Variant(u"01/01/2020"_s))},
        {"date and time", date(43831.5), varString, ok(Variant(u"01/01/2020 12:00:00"_s))},
        {"null to String", Variant::Null(), varString, castError("Null", "String")},
        {"object to String", Variant::FromHandle(1), varString, castError("Object", "String")},
        {"nil to object", Variant(0), varObject, ok(Variant::FromObject(nullptr))},
        {"1 to object", Variant(1), varObject, castError("Integer", "Object")},
        {"unknown type code", Variant(1), 99, fails("EVariantError", u"Invalid variant type"_s)},
        {"number to an array type", Variant(1), varArray | varInteger,
         castError("Integer", "Array Integer")},
    });
    EXPECT_EQ(VarToStr(Variant::Null()), QString());
    EXPECT_EQ(VarToStr(Variant(5)), u"5"_s);
}

TEST_F(VariantTest, AccessorsAgreeWithVarAsType)
{
    const Variant values[] = {Variant(3.5), Variant(u"17"_s), cur(25000), Variant(true),
                              Variant(), i64(-9), date(2.75)};
    for (const Variant &v : values) {
        SCOPED_TRACE(describe(v));
        EXPECT_EQ(v.AsInteger(), VarAsType(v, varInteger).AsInteger());
        EXPECT_EQ(v.AsInt64(), VarAsType(v, varInt64).AsInt64());
        EXPECT_EQ(v.AsDouble(), VarAsType(v, varDouble).AsDouble());
        EXPECT_EQ(v.AsCurrencyUnits(), VarAsType(v, varCurrency).AsCurrencyUnits());
        EXPECT_EQ(v.AsBoolean(), VarAsType(v, varBoolean).AsBoolean());
        EXPECT_EQ(v.AsString(), VarAsType(v, varString).AsString());
    }
    EXPECT_EQ(Variant(u"3.5"_s).AsCurrency(), 3.5);
    EXPECT_EQ(Variant(u"01/02/2020"_s).AsDate(), 43832.0);
}

// A time of day alone reads without the zero date; a date at midnight without the time.
TEST_F(VariantTest, DateTextsLeaveOutAnEmptyPart)
{
    EXPECT_EQ(date(0.5).AsString(), TimeToStr(0.5));
    EXPECT_FALSE(date(0.5).AsString().contains(u"1899"_s));
    EXPECT_EQ(date(43832.0).AsString(), DateToStr(43832.0));
    EXPECT_EQ(date(43832.5).AsString(), DateTimeToStr(43832.5));
}

TEST_F(VariantTest, NumberTextsFollowTheDecimalSeparator)
{
    TkavFormatSettingsGuard comma(commaSettings());
    runConversions({
        {"double 1.5", Variant(1.5), varString, ok(Variant(u"1,5"_s))},
        {"single 0.25", Variant::FromSingle(0.25f), varString, ok(Variant(u"0,25"_s))},
        {"currency 2.5", cur(25000), varString, ok(Variant(u"2,5"_s))},
        {"integer", Variant(1500), varString, ok(Variant(u"1500"_s))},
        {"text '1,5'", Variant(u"1,5"_s), varDouble, ok(Variant(1.5))},
        {"text '1.5'", Variant(u"1.5"_s), varDouble, castError("String", "Double")},
        {"text '2,5' rounds", Variant(u"2,5"_s), varInteger, ok(Variant(2))},
    });
    expectOutcome([] { return VarBinaryOp(Variant(u"1,5"_s), Variant(1), voAdd); },
                  ok(Variant(2.5)));
    EXPECT_TRUE(VarCompare(Variant(u"1,5"_s), Variant(1.5), vcEqual));
}

// --- binary operators ------------------------------------------------------------------

struct OperatorRow
{
    const char *name;
    Variant a;
    TkavVarOp op;
    Variant b;
    Outcome expected;
};

void runOperators(const std::vector<OperatorRow> &rows)
{
    for (const OperatorRow &row : rows) {
        SCOPED_TRACE(row.name);
        expectOutcome([&] { return VarBinaryOp(row.a, row.b, row.op); }, row.expected);
    }
}

TEST_F(VariantTest, IntegerArithmetic)
{
    const Outcome intOverflow = fails("EIntOverflow", u"Integer overflow"_s);
    const Outcome divByZero = fails("EDivByZero", u"Division by zero"_s);
    runOperators({
        {"2 + 3", Variant(2), voAdd, Variant(3), ok(Variant(5))},
        {"Int32 max + 1 widens", Variant(2147483647), voAdd, Variant(1), ok(i64(2147483648))},
        {"Int32 min - 1 widens", Variant(-2147483647 - 1), voSubtract, Variant(1),
         ok(i64(-2147483649))},
        {"65536 * 65536 widens", Variant(65536), voMultiply, Variant(65536), ok(i64(4294967296))},
        {"byte + word is Integer", Variant::FromInteger(200, varByte), voAdd,
         Variant::FromInteger(60000, varWord), ok(Variant(60200))},
        {"Int64 stays Int64", i64(1), voAdd, Variant(1), ok(i64(2))},
        {"Int64 max + 1", i64(int64Max), voAdd, Variant(1), intOverflow},
        {"Int64 max * 2", i64(int64Max), voMultiply, Variant(2), intOverflow},
        {"Int64 min - 1", i64(int64Min), voSubtract, Variant(1), intOverflow},
        {"7 div 2", Variant(7), voIntDivide, Variant(2), ok(Variant(3))},
        {"-7 div 2 truncates", Variant(-7), voIntDivide, Variant(2), ok(Variant(-3))},
        {"7 mod 2", Variant(7), voModulus, Variant(2), ok(Variant(1))},
        {"-7 mod 2 keeps sign", Variant(-7), voModulus, Variant(2), ok(Variant(-1))},
        {"7.5 div 2 rounds first", Variant(7.5), voIntDivide, Variant(2), ok(Variant(4))},
        {"6.5 div 1 to even", Variant(6.5), voIntDivide, Variant(1), ok(Variant(6))},
        {"Int64 min div -1", i64(int64Min), voIntDivide, Variant(-1), intOverflow},
        {"Int64 min mod -1", i64(int64Min), voModulus, Variant(-1), ok(i64(0))},
        {"7 div 0", Variant(7), voIntDivide, Variant(0), divByZero},
        {"7 mod 0", Variant(7), voModulus, Variant(0), divByZero},
        {"7 div 0.4 (rounds to 0)", Variant(7), voIntDivide, Variant(0.4), divByZero},
        {"1 shl 31", Variant(1), voShiftLeft, Variant(31), ok(Variant(-2147483647 - 1))},
        {"1 shl 32 (count mod 32)", Variant(1), voShiftLeft, Variant(32), ok(Variant(1))},
        {"-1 shr 28 is logical", Variant(-1), voShiftRight, Variant(28), ok(Variant(15))},
        {"Int64 1 shl 40", i64(1), voShiftLeft, Variant(40), ok(i64(1099511627776))},
        {"1 and 3 bitwise", Variant(1), voAnd, Variant(3), ok(Variant(1))},
        {"5 or 2", Variant(5), voOr, Variant(2), ok(Variant(7))},
        {"6 xor 3", Variant(6), voXor, Variant(3), ok(Variant(5))},
        {"True and 5 (True is -1)", Variant(true), voAnd, Variant(5), ok(Variant(5))},
        {"True + 1", Variant(true), voAdd, Variant(1), ok(Variant(0))},
        {"empty + empty", Variant(), voAdd, Variant(), ok(Variant(0))},
    });
}

TEST_F(VariantTest, FloatArithmeticAndDivision)
{
    const Outcome zeroDivide = fails("EZeroDivide", u"Floating point division by zero"_s);
    const Outcome invalid = fails("EInvalidOp", u"Invalid floating point operation"_s);
    const double inf = std::numeric_limits<double>::infinity();
    runOperators({
        {"7 / 2", Variant(7), voDivide, Variant(2), ok(Variant(3.5))},
        {"6 / 3 is Double", Variant(6), voDivide, Variant(3), ok(Variant(2.0))},
        {"Int64 / 2", i64(5), voDivide, Variant(2), ok(Variant(2.5))},
        {"1.5 + 1", Variant(1.5), voAdd, Variant(1), ok(Variant(2.5))},
        {"single * 2 is Double", Variant::FromSingle(1.5f), voMultiply, Variant(2),
         ok(Variant(3.0))},
        {"1.0 / 0", Variant(1.0), voDivide, Variant(0), zeroDivide},
        {"1 / 0", Variant(1), voDivide, Variant(0), zeroDivide},
        {"-1 / 0.0", Variant(-1), voDivide, Variant(0.0), zeroDivide},
        {"'1' / 0", Variant(u"1"_s), voDivide, Variant(0), zeroDivide},
        {"0 / 0", Variant(0), voDivide, Variant(0), invalid},
        {"0.0 / 0.0", Variant(0.0), voDivide, Variant(0.0), invalid},
        {"1e308 * 10", Variant(1e308), voMultiply, Variant(10),
         fails("EOverflow", u"Floating point overflow"_s)},
    });
    // inf - inf from infinite operands is left to IEEE (NaN), not an error: NaN is never
    // identical, so check the kind.
    const Variant r = VarBinaryOp(Variant(inf), Variant(inf), voSubtract);
    EXPECT_EQ(VarType(r), varDouble);
    EXPECT_TRUE(std::isnan(r.AsDouble()));
}

TEST_F(VariantTest, CurrencyArithmeticRoundsTiesToEven)
{
    const Outcome zeroDivide = fails("EZeroDivide", u"Floating point division by zero"_s);
    runOperators({
        {"1.5 + 1", cur(15000), voAdd, Variant(1), ok(cur(25000))},
        {"0.0001 - 0.0002", cur(1), voSubtract, cur(2), ok(cur(-1))},
        // 0.0001 * 0.5 = 0.00005: a tie, to the even 0.0000.
        {"tie down to even", cur(1), voMultiply, cur(5000), ok(cur(0))},
        // 0.0003 * 0.5 = 0.00015: a tie, to the even 0.0002.
        {"tie up to even", cur(3), voMultiply, cur(5000), ok(cur(2))},
        {"-0.0003 * 0.5", cur(-3), voMultiply, cur(5000), ok(cur(-2))},
        {"0.0001 / 2", cur(1), voDivide, Variant(2), ok(cur(0))},
        {"0.0003 / 2", cur(3), voDivide, Variant(2), ok(cur(2))},
        {"1 / 3 currency", cur(10000), voDivide, Variant(3), ok(cur(3333))},
        {"currency * integer exact", cur(12345), voMultiply, Variant(3), ok(cur(37035))},
        // A double times the currency 1 is that double at currency precision.
        {"double * currency", Variant(0.29 * 100), voMultiply, cur(10000), ok(cur(290000))},
        {"double + currency", Variant(0.00004), voAdd, cur(10000), ok(cur(10000))},
        {"1e16 * currency 1", Variant(1e16), voMultiply, cur(10000),
         overflowError("Double", "Currency")},
        {"currency overflow", cur(int64Max), voAdd, cur(1), overflowError("Currency", "Currency")},
        {"currency / 0", cur(10000), voDivide, Variant(0), zeroDivide},
        {"currency 0 / 0", cur(0), voDivide, cur(0),
         fails("EInvalidOp", u"Invalid floating point operation"_s)},
        {"currency div 2", cur(75000), voIntDivide, Variant(2), ok(Variant(4))},
    });
}

TEST_F(VariantTest, DatesStringsNullsAndLogic)
{
    const Outcome invalidOp = fails("EVariantError", u"Invalid variant operation"_s);
    runOperators({
        {"date + 1", date(43831), voAdd, Variant(1), ok(date(43832))},
        {"1 + date", Variant(1), voAdd, date(43831), ok(date(43832))},
        {"date - 0.5", date(43831), voSubtract, Variant(0.5), ok(date(43830.5))},
        {"date - date", date(43832), voSubtract, date(43831), ok(Variant(1.0))},
        {"date * 2", date(2), voMultiply, Variant(2), ok(Variant(4.0))},
        {"'a' + 'b'", Variant(u"a"_s), voAdd, Variant(u"b"_s), ok(Variant(u"ab"_s))},
        {"'2' + 1", Variant(u"2"_s), voAdd, Variant(1), ok(Variant(3))},
        {"1 + '2'", Variant(1), voAdd, Variant(u"2"_s), ok(Variant(3))},
        {"'1.5' + 1", Variant(u"1.5"_s), voAdd, Variant(1), ok(Variant(2.5))},
        {"' 12 ' + 1", Variant(u" 12 "_s), voAdd, Variant(1), ok(Variant(13))},
        {"'5000000000' + 1", Variant(u"5000000000"_s), voAdd, Variant(1), ok(i64(5000000001))},
        {"'3' * '4'", Variant(u"3"_s), voMultiply, Variant(u"4"_s), ok(Variant(12))},
        {"'x' + empty", Variant(u"x"_s), voAdd, Variant(), ok(Variant(u"x"_s))},
        {"empty + 'x'", Variant(), voAdd, Variant(u"x"_s), ok(Variant(u"x"_s))},
        {"'abc' + 1", Variant(u"abc"_s), voAdd, Variant(1), castError("String", "Double")},
        {"'a' - 'b'", Variant(u"a"_s), voSubtract, Variant(u"b"_s), castError("String", "Double")},
        {"null + 1", Variant::Null(), voAdd, Variant(1), ok(Variant::Null())},
        {"'a' + null", Variant(u"a"_s), voAdd, Variant::Null(), ok(Variant::Null())},
        {"null div 0", Variant::Null(), voIntDivide, Variant(0), ok(Variant::Null())},
        {"null and True", Variant::Null(), voAnd, Variant(true), ok(Variant::Null())},
        {"True and False", Variant(true), voAnd, Variant(false), ok(Variant(false))},
        {"True or False", Variant(true), voOr, Variant(false), ok(Variant(true))},
        {"True xor True", Variant(true), voXor, Variant(true), ok(Variant(false))},
        {"'true' and True", Variant(u"true"_s), voAnd, Variant(true), ok(Variant(true))},
        {"array + 1", VarArrayOf({Variant(1)}), voAdd, Variant(1), invalidOp},
        {"object + 1", Variant::FromHandle(1), voAdd, Variant(1), invalidOp},
        {"nil object + 0", Variant::FromHandle(0), voAdd, Variant(0), invalidOp},
    });
}

TEST_F(VariantTest, UnaryOperators)
{
    struct Row
    {
        const char *name;
        bool negate; // else not
        Variant in;
        Outcome expected;
    } rows[] = {
        {"-5", true, Variant(5), ok(Variant(-5))},
        {"-Int32 min widens", true, Variant(-2147483647 - 1), ok(i64(2147483648))},
        {"-Int64 min", true, i64(int64Min), fails("EIntOverflow", u"Integer overflow"_s)},
        {"-1.5", true, Variant(1.5), ok(Variant(-1.5))},
        {"-single", true, Variant::FromSingle(2.5f), ok(Variant::FromSingle(-2.5f))},
        {"-currency", true, cur(5), ok(cur(-5))},
        {"-date", true, date(1.5), ok(date(-1.5))},
        {"-'3'", true, Variant(u"3"_s), ok(Variant(-3))},
        {"-True", true, Variant(true), ok(Variant(1))},
        {"-null", true, Variant::Null(), ok(Variant::Null())},
        {"-'x'", true, Variant(u"x"_s), castError("String", "Double")},
        {"-array", true, VarArrayOf({}), fails("EVariantError", u"Invalid variant operation"_s)},
        {"not True", false, Variant(true), ok(Variant(false))},
        {"not 'false'", false, Variant(u"false"_s), ok(Variant(true))},
        {"not 0", false, Variant(0), ok(Variant(-1))},
        {"not Int64 0", false, i64(0), ok(i64(-1))},
        {"not empty", false, Variant(), ok(Variant(-1))},
        {"not 2.6 (rounds to 3)", false, Variant(2.6), ok(Variant(-4))},
        {"not null", false, Variant::Null(), ok(Variant::Null())},
        {"not object", false, Variant::FromHandle(2),
         fails("EVariantError", u"Invalid variant operation"_s)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        expectOutcome([&] { return row.negate ? VarNeg(row.in) : VarNot(row.in); }, row.expected);
    }
}

// --- comparisons -----------------------------------------------------------------------

// Checks all six operators against one expected order: '<', '=', '>' or 'u' (unordered:
// only <> holds).
void expectOrder(const Variant &a, const Variant &b, char order)
{
    SCOPED_TRACE(describe(a) + " vs " + describe(b));
    EXPECT_EQ(VarCompare(a, b, vcEqual), order == '=');
    EXPECT_EQ(VarCompare(a, b, vcNotEqual), order != '=');
    EXPECT_EQ(VarCompare(a, b, vcLess), order == '<');
    EXPECT_EQ(VarCompare(a, b, vcLessEqual), order == '<' || order == '=');
    EXPECT_EQ(VarCompare(a, b, vcGreater), order == '>');
    EXPECT_EQ(VarCompare(a, b, vcGreaterEqual), order == '>' || order == '=');
}

TEST_F(VariantTest, ComparisonTable)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row
    {
        Variant a;
        Variant b;
        char order;
    } rows[] = {
        {Variant(1), Variant(2), '<'},
        {Variant(2), Variant(2.0), '='},
        {i64(9007199254740993), Variant(9007199254740992.0), '>'},
        {i64(9007199254740993), i64(9007199254740992), '>'},
        {cur(15000), Variant(1.5), '='},
        {cur(10000), Variant(1), '='},
        {cur(1), Variant(0), '>'},
        {cur(-1), i64(0), '<'},
        {Variant(u"a"_s), Variant(u"b"_s), '<'},
        {Variant(u"a"_s), Variant(u"A"_s), '>'}, // case-sensitive, by UTF-16 units
        {Variant(u"10"_s), Variant(9), '>'},     // numeric, not text order
        {Variant(9), Variant(u"10"_s), '<'},
        {Variant(u"abc"_s), Variant(1), '>'},    // not a number: "abc" vs "1"
        {Variant(1), Variant(u"abc"_s), '<'},
        {Variant::Null(), Variant::Null(), '='},
        {Variant::Null(), Variant(0), '<'},
        {Variant(0), Variant::Null(), '>'},
        {Variant::Null(), Variant(QString()), '<'},
        {Variant(), Variant(0), '='},
        {Variant(), Variant(QString()), '='},
        {Variant(), Variant(u"a"_s), '<'},
        {Variant(u"a"_s), Variant(), '>'},
        {Variant(true), Variant(false), '>'},
        {Variant(true), Variant(u"TRUE"_s), '='},
        {Variant(u"false"_s), Variant(true), '<'},
        {Variant(true), Variant(-1), '='},
        {Variant(nan), Variant(1), 'u'},
        {date(43831), Variant(u"01/01/2020"_s), '='},
        {date(43831.5), Variant(43831), '>'},
    };
    for (const Row &row : rows)
        expectOrder(row.a, row.b, row.order);
}

TEST_F(VariantTest, ComparingArraysOrOrderingObjectsRaises)
{
    const Outcome invalidOp = fails("EVariantError", u"Invalid variant operation"_s);
    const Variant arr = VarArrayOf({Variant(1)});
    const Variant obj = Variant::FromHandle(4);
    const std::function<Variant()> runs[] = {
        [&] { return Variant(VarCompare(arr, arr, vcEqual)); },
        [&] { return Variant(VarCompare(Variant(1), arr, vcNotEqual)); },
        [&] { return Variant(VarCompare(obj, obj, vcLess)); },
        [&] { return Variant(VarCompare(obj, Variant(0), vcGreaterEqual)); },
    };
    for (const auto &run : runs)
        expectOutcome(run, invalidOp);
}

// --- object references -----------------------------------------------------------------

TEST_F(VariantTest, ObjectReferencesAreCheckedHandles)
{
    auto obj = std::make_unique<TObject>();
    auto other = std::make_unique<TObject>();
    const Variant ref = Variant::FromObject(obj.get());
    EXPECT_EQ(ref.AsObject(), obj.get());
    EXPECT_EQ(ref.Handle(), obj->Handle());
    EXPECT_TRUE(VarCompare(ref, Variant::FromObject(obj.get()), vcEqual));
    // nil is the Integer 0 and equals the null reference, not a live one nor Null.
    const Variant nil(0);
    const Variant nullRef = Variant::FromObject(nullptr);
    EXPECT_TRUE(VarCompare(nil, nullRef, vcEqual));
    EXPECT_TRUE(VarCompare(nullRef, nil, vcEqual));
    EXPECT_TRUE(VarCompare(ref, nil, vcNotEqual));
    EXPECT_FALSE(VarCompare(nullRef, Variant::Null(), vcEqual));
    EXPECT_FALSE(VarCompare(ref, Variant::FromObject(other.get()), vcEqual));
    EXPECT_FALSE(VarCompare(ref, Variant(qint64(obj->Handle())), vcEqual));
    EXPECT_EQ(nil.AsObject(), nullptr);
    EXPECT_EQ(nullRef.AsObject(), nullptr);
    EXPECT_TRUE(nullRef.IsNil());

    const Outcome invalidRef = fails("EVariantError", u"Invalid object reference"_s);
    obj.reset(); // the reference is now stale
    expectOutcome([&] { return Variant::FromObject(ref.AsObject()); }, invalidRef);
    const Variant forged = Variant::FromHandle(other->Handle() + 1000003);
    expectOutcome([&] { return Variant::FromObject(forged.AsObject()); }, invalidRef);
    expectOutcome([] { return Variant::FromObject(Variant(5).AsObject()); },
                  castError("Integer", "Object"));
    expectOutcome([] { return Variant::FromObject(Variant(u"x"_s).AsObject()); },
                  castError("String", "Object"));
}

// --- arrays ----------------------------------------------------------------------------

TEST_F(VariantTest, ArrayBoundsAndElements)
{
    Variant a = VarArrayCreate({1, 5}, varInteger);
    EXPECT_EQ(VarType(a), varArray | varInteger);
    EXPECT_EQ(VarArrayDimCount(a), 1);
    EXPECT_EQ(VarArrayLowBound(a, 1), 1);
    EXPECT_EQ(VarArrayHighBound(a, 1), 5);
    EXPECT_TRUE(a.ArrayElement(5).IsIdentical(Variant(0)));
    a.SetArrayElement(3, Variant(u"7"_s)); // converted to the element type
    EXPECT_TRUE(a.ArrayElement(3).IsIdentical(Variant(7)));
    EXPECT_TRUE(a.ArrayElement(2).IsIdentical(Variant(0)));

    // Two dimensions: (1, 2) and (2, 1) are different elements.
    Variant m = VarArrayCreate({1, 3, -1, 1}, varVariant);
    const qint64 p12[] = {1, 0};
    const qint64 p21[] = {2, -1};
    m.SetArrayElement(p12, Variant(u"a"_s));
    m.SetArrayElement(p21, Variant(2.5));
    EXPECT_TRUE(m.ArrayElement(p12).IsIdentical(Variant(u"a"_s)));
    EXPECT_TRUE(m.ArrayElement(p21).IsIdentical(Variant(2.5)));
    const qint64 p11[] = {1, -1};
    EXPECT_TRUE(m.ArrayElement(p11).IsEmpty());
    EXPECT_EQ(VarArrayLowBound(m, 2), -1);
    EXPECT_EQ(VarArrayHighBound(m, 2), 1);
}

TEST_F(VariantTest, ArrayErrors)
{
    const Outcome bounds = fails("EVariantError", u"Variant or safe array index out of bounds"_s);
    const Outcome notArray = fails("EVariantError", u"Variant is not an array"_s);
    const Outcome badBounds = fails("EVariantError", u"Invalid variant array bounds"_s);
    Variant a = VarArrayCreate({1, 5}, varInteger);
    Variant m = VarArrayCreate({0, 1, 0, 1}, varVariant);
    const qint64 oneIndex[] = {0};
    const qint64 outside[] = {0, 2};
    struct Row
    {
        const char *name;
        std::function<Variant()> run;
        Outcome expected;
    } rows[] = {
        {"below low", [&] { return a.ArrayElement(0); }, bounds},
        {"above high", [&] { return a.ArrayElement(6); }, bounds},
        {"Int64 minimum index", [&] { return a.ArrayElement(int64Min); }, bounds},
        {"set above high", [&] { a.SetArrayElement(6, Variant(1)); return a; }, bounds},
        {"too few indices", [&] { return m.ArrayElement(oneIndex); }, bounds},
        {"second index outside", [&] { return m.ArrayElement(outside); }, bounds},
        {"dimension 2 of 1", [&] { return Variant(VarArrayLowBound(a, 2)); }, bounds},
        {"dimension 0", [&] { return Variant(VarArrayHighBound(a, 0)); }, bounds},
        {"element of a number", [] { return Variant(5).ArrayElement(0); }, notArray},
        {"bound of a string", [] { return Variant(VarArrayLowBound(Variant(u"s"_s), 1)); },
         notArray},
        {"odd bound count", [] { return VarArrayCreate({0, 1, 2}, varVariant); }, badBounds},
        {"no bounds", [] { return VarArrayCreate(QList<qint64>(), varVariant); }, badBounds},
        {"high below low - 1", [] { return VarArrayCreate({5, 3}, varVariant); }, badBounds},
        {"unknown element type", [] { return VarArrayCreate({0, 1}, 99); },
         fails("EVariantError", u"Invalid variant type"_s)},
        {"too large", [] { return VarArrayCreate({0, 99999, 0, 99999}, varByte); },
         fails("EVariantError", u"Variant array is too large"_s)},
        {"huge span", [] { return VarArrayCreate({int64Min, int64Max}, varByte); },
         fails("EVariantError", u"Variant array is too large"_s)},
        {"unconvertible element", [&] { a.SetArrayElement(1, Variant(u"x"_s)); return a; },
         castError("String", "Integer")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        expectOutcome(row.run, row.expected);
    }
    EXPECT_TRUE(a.ArrayElement(1).IsIdentical(Variant(0))); // failed stores left no trace
}

TEST_F(VariantTest, ArraysHaveCopySemantics)
{
    Variant a = VarArrayOf({Variant(1), Variant(u"two"_s)});
    Variant b = a;
    b.SetArrayElement(0, Variant(10));
    EXPECT_TRUE(a.ArrayElement(0).IsIdentical(Variant(1)));
    EXPECT_TRUE(b.ArrayElement(0).IsIdentical(Variant(10)));
    EXPECT_FALSE(a.IsIdentical(b));
    // An array stored into itself keeps the old contents in the element.
    a.SetArrayElement(1, a);
    EXPECT_TRUE(a.ArrayElement(1).ArrayElement(1).IsIdentical(Variant(u"two"_s)));
    EXPECT_EQ(VarType(VarArrayCreate({0, -1}, varString)), varArray | varString);
    EXPECT_EQ(VarArrayHighBound(VarArrayCreate({0, -1}, varVariant), 1), -1);
}

TEST_F(VariantTest, RedimKeepsElements)
{
    Variant a = VarArrayCreate({0, 4}, varString);
    for (qint64 i = 0; i <= 4; ++i)
        a.SetArrayElement(i, Variant(QString::number(i)));
    Variant copy = a;
    VarArrayRedim(a, 2);
    EXPECT_EQ(VarArrayHighBound(a, 1), 2);
    EXPECT_TRUE(a.ArrayElement(2).IsIdentical(Variant(u"2"_s)));
    VarArrayRedim(a, 6);
    EXPECT_TRUE(a.ArrayElement(1).IsIdentical(Variant(u"1"_s)));
    EXPECT_TRUE(a.ArrayElement(6).IsIdentical(Variant(QString())));
    expectOutcome([&] { return a.ArrayElement(7); },
                  fails("EVariantError", u"Variant or safe array index out of bounds"_s));
    EXPECT_EQ(VarArrayHighBound(copy, 1), 4); // the copy did not change

    // Two dimensions: the first dimension grows, the rows keep their places.
    Variant m = VarArrayCreate({0, 1, 0, 2}, varInteger);
    const qint64 p12[] = {1, 2};
    m.SetArrayElement(p12, Variant(12));
    VarArrayRedim(m, 3);
    EXPECT_TRUE(m.ArrayElement(p12).IsIdentical(Variant(12)));
    const qint64 p32[] = {3, 2};
    EXPECT_TRUE(m.ArrayElement(p32).IsIdentical(Variant(0)));
}

// --- the fast paths follow the general rules --------------------------------------------

TEST_F(VariantTest, FastPathsFollowTheGeneralRules)
{
    // Integer + Integer has its own path: the sum must still widen instead of wrapping.
    EXPECT_TRUE(VarBinaryOp(Variant(2000000000), Variant(2000000000), voAdd)
                    .IsIdentical(i64(4000000000)));
    // Currency times a double with a fraction is rounded once, at the end.
    EXPECT_TRUE(VarBinaryOp(cur(25000), Variant(0.33333), voMultiply).IsIdentical(cur(8333)));
}

// a := a op b in place gives what the plain operator gives and never touches a shared text.
TEST_F(VariantTest, InPlaceOperatorsMatchThePlainOnes)
{
    const Variant pairs[][2] = {{Variant(u"ab"_s), Variant(u"cd"_s)},
                                {Variant(u"12"_s), Variant(3)},
                                {Variant(7), Variant(u"5"_s)},
                                {Variant(), Variant(u"x"_s)},
                                {Variant(1.5), Variant(2)}};
    for (const auto &pair : pairs) {
        Variant a = pair[0];
        VarBinaryOpInPlace(a, pair[1], voAdd);
        EXPECT_TRUE(a.IsIdentical(VarBinaryOp(pair[0], pair[1], voAdd))) << qPrintable(VarToStr(a));
    }
    const Variant original(u"base"_s);
    Variant copy = original;
    VarBinaryOpInPlace(copy, Variant(u"+"_s), voAdd);
    EXPECT_EQ(original.AsString(), u"base"_s);
    EXPECT_EQ(copy.AsString(), u"base+"_s);
}

} // namespace
