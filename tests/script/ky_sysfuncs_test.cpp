// The system function library as scripts see it: tables of calls with their shown results
// in PascalScript and in JScript or BasicScript, under pinned format settings with "." and
// "," as the decimal separator; whole programs for by-reference routines; every error
// text; the registration (declarations, categories, constants); and edit masks.

#include "kyScriptTestSupport.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavFormatSettings.h>
#include <rtl/kavVariant.h>
#include <script/ky_classes.h>
#include <script/ky_script.h>
#include <script/ky_sysfuncs.h>

#include <QStringList>

#include <gtest/gtest.h>
#include <ostream>
#include <string>

using namespace Qt::StringLiterals;

namespace {

// Settings with the given decimal separator: English names, "mm/dd/yyyy" with sep as the
// date separator when sep is ",", so both tables read their own dates back.
TFormatSettings pinnedSettings(QChar decimal)
{
    TFormatSettings fs = TFormatSettings::Invariant();
    fs.DecimalSeparator = decimal;
    fs.ThousandSeparator = decimal == u'.' ? QChar(u',') : QChar(u'.');
    fs.DateSeparator = decimal == u'.' ? QChar(u'/') : QChar(u'.');
    fs.ShortDateFormat = decimal == u'.' ? u"mm/dd/yyyy"_s : u"dd/mm/yyyy"_s;
    fs.LongTimeFormat = u"hh:nn:ss"_s;
    return fs;
}

// Compiles and runs source in language with the standard library; the shown lines joined
// with "\n", a run-time error as "runtime error: <message>" after them, or the compile
// error.
QString runScript(const QString &language, const QString &source)
{
    KyShownMessages shown;
    TkyScript script;
    kyPrepareLibraryScript(script);
    return kyRunOutcome(script, shown.lines, language, source, u'\n');
}

// One expression shown by a one-line program of each language. Expressions are written
// with Pascal quotes; the other languages get double quotes.
QString showIn(const QString &language, const QString &expr)
{
    if (language == u"PascalScript")
        return runScript(language, u"begin ShowMessage(%1); end."_s.arg(expr));
    QString e = expr;
    e.replace(u'\'', u'"');
    if (language == u"JScript")
        return runScript(language, u"ShowMessage(%1);"_s.arg(e));
    return runScript(language, u"ShowMessage(%1)"_s.arg(e));
}

enum Langs {
    Pascal = 1,
    JS = 2,
    Basic = 4,
    All = Pascal | JS | Basic
};

struct CallCase
{
    const char *name;
    const char16_t *expr;
    const char16_t *dotResult;   // with "." as decimal separator, "mm/dd/yyyy"
    const char16_t *commaResult; // with ",", "dd.mm.yyyy"; nullptr: the same as dotResult
    int langs = All;
};

void PrintTo(const CallCase &c, std::ostream *os)
{
    *os << c.name;
}

class SysFuncCalls : public ::testing::TestWithParam<CallCase>
{
protected:
    void check(QChar decimal)
    {
        const CallCase &c = GetParam();
        const TkavFormatSettingsGuard pin(pinnedSettings(decimal));
        const QString expected
            = QString::fromUtf16(decimal == u',' && c.commaResult ? c.commaResult : c.dotResult);
        const QString expr = QString::fromUtf16(c.expr);
        const std::pair<int, const char16_t *> langs[]
            = {{Pascal, u"PascalScript"}, {JS, u"JScript"}, {Basic, u"BasicScript"}};
        for (const auto &[flag, language] : langs) {
            if (c.langs & flag) {
                EXPECT_EQ(showIn(QString::fromUtf16(language), expr).toStdString(),
                          expected.toStdString())
                    << QString::fromUtf16(language).toStdString();
            }
        }
    }
};

TEST_P(SysFuncCalls, WithDecimalPoint)
{
    check(u'.');
}

TEST_P(SysFuncCalls, WithDecimalComma)
{
    check(u',');
}

std::string caseName(const ::testing::TestParamInfo<CallCase> &info)
{
    return info.param.name;
}

const CallCase kConversionCases[] = {
    {"IntToStrOf64BitValue", u"IntToStr(2147483648)", u"2147483648", nullptr},
    {"IntToStrNegative", u"IntToStr(-5)", u"-5", nullptr},
    {"BoolToStrTrue", u"BoolToStr(True)", u"-1", nullptr, Pascal | Basic},
    {"BoolToStrFalse", u"BoolToStr(1 = 2)", u"0", nullptr, Pascal | Basic},
    {"StrToIntIsNumber", u"StrToInt('42') + 1", u"43", nullptr},
    {"StrToIntHex", u"StrToInt('$1F')", u"31", nullptr},
    {"StrToInt64", u"StrToInt64('9000000000') + 1", u"9000000001", nullptr},
    {"StrToBoolGivesBoolean", u"VarType(StrToBool('true'))", u"11", nullptr},
    {"StrToBoolText", u"StrToBool('true')", u"True", nullptr},
    {"FloatToStrLocale", u"FloatToStr(0.1 + 0.2)", u"0.3", u"0,3"},
    {"VarToStrOfNull", u"VarToStr(Null) + '|'", u"|", nullptr, Pascal | Basic},
    {"StrToFloatLocale",
     u"StrToFloat('2.5') * 2",
     u"5",
     u"runtime error: '2.5' is not a valid floating point value"},
    {"DateToStr", u"DateToStr(EncodeDate(2021, 3, 4))", u"03/04/2021", u"04.03.2021"},
    {"TimeToStr", u"TimeToStr(EncodeTime(13, 5, 7, 0))", u"13:05:07", nullptr},
    {"DateTimeToStr",
     u"DateTimeToStr(EncodeDate(2021, 3, 4) + EncodeTime(13, 5, 0, 0))",
     u"03/04/2021 13:05:00",
     u"04.03.2021 13:05:00"},
    {"StrToDateReadsLocale",
     u"FormatDateTime('yyyy-mm-dd', StrToDate('03/04/2021'))",
     u"2021-03-04",
     u"runtime error: '03/04/2021' is not a valid date"},
    {"StrToDateIsDate", u"VarType(StrToDate(DateToStr(EncodeDate(2000, 1, 1))))", u"7", nullptr},
    {"StrToTime", u"FormatDateTime('hh:nn', StrToTime('13:05'))", u"13:05", nullptr},
    {"StrToDateTime",
     u"FormatDateTime('yyyy hh', StrToDateTime(DateToStr(EncodeDate(2020, 2, 29)) + ' 07:00'))",
     u"2020 07",
     nullptr},
    {"StrToIntError",
     u"StrToInt('abc')",
     u"runtime error: 'abc' is not a valid integer value",
     nullptr},
    {"StrToInt32BitRange",
     u"StrToInt('3000000000')",
     u"runtime error: '3000000000' is not a valid integer value",
     nullptr},
    {"StrToFloatError",
     u"StrToFloat('x')",
     u"runtime error: 'x' is not a valid floating point value",
     nullptr},
    {"StrToDateError", u"StrToDate('xx')", u"runtime error: 'xx' is not a valid date", nullptr},
    {"StrToTimeError",
     u"StrToTime('25:99')",
     u"runtime error: '25:99' is not a valid time",
     nullptr},
};
INSTANTIATE_TEST_SUITE_P(SysFuncConv,
                         SysFuncCalls,
                         ::testing::ValuesIn(kConversionCases),
                         caseName);

const CallCase kFormatCases[] = {
    {"FormatMixed", u"Format('%d-%s-%.2f', [1, 'a', 2.5])", u"1-a-2.50", u"1-a-2,50"},
    {"FormatEachFloatItsOwnValue", u"Format('%.2f/%.2f', [1.5, 2.25])", u"1.50/2.25", u"1,50/2,25"},
    {"FormatCount", u"Format('%d items', [3])", u"3 items", nullptr},
    {"FormatHex", u"Format('%x', [255])", u"FF", nullptr},
    {"FormatPercent", u"Format('%5.1f%%', [12.34])", u" 12.3%", u" 12,3%"},
    {"FormatFloatAtCurrencyPrecision", u"Format('%.6f', [1.23456789])", u"1.234600", u"1,234600"},
    {"FormatBeyondCurrencyRange", u"Format('%g', [1e20])", u"1E020", nullptr},
    {"FormatInt64", u"Format('%d', [9000000000])", u"9000000000", nullptr},
    {"FormatBooleanFitsNoDirective",
     u"Format('%s', [True])",
     u"runtime error: Format '%s' invalid or incompatible with argument",
     nullptr,
     Pascal | Basic},
    {"FormatNullIsZero", u"Format('%d', [Null])", u"0", nullptr, Pascal},
    {"FormatMissingArgument",
     u"Format('%d %d', [1])",
     u"runtime error: No argument for format '%d %d'",
     nullptr},
    {"FormatIncompatible",
     u"Format('%d', ['x'])",
     u"runtime error: Format '%d' invalid or incompatible with argument",
     nullptr},
    {"FormatFloatGrouping", u"FormatFloat('#,##0.00', 1234.5)", u"1,234.50", u"1.234,50"},
    {"FormatFloatDoubleAtCurrencyPrecision",
     u"FormatFloat('0.0000000', 1.23456789)",
     u"1.2346000",
     u"1,2346000"},
    {"FormatFloatIntegerUnchanged", u"FormatFloat('0.00', 7)", u"7.00", u"7,00"},
    // Money: ties are decided on the decimal the double stands for at currency precision.
    {"FormatFloatCentTieUp", u"FormatFloat('0.00', 2.675)", u"2.68", u"2,68"},
    {"FormatFloatTenthTieUp", u"FormatFloat('0.0', 0.15)", u"0.2", u"0,2"},
    {"FormatFloatCentTieFromBelow", u"FormatFloat('0.00', 1.005)", u"1.01", u"1,01"},
    {"FormatFloatNegativeTie", u"FormatFloat('0.00', -2.675)", u"-2.68", u"-2,68"},
    {"FormatMoneyTie", u"Format('%.2f|%.1f', [2.675, 0.15])", u"2.68|0.2", u"2,68|0,2"},
    {"FormatFloatSections", u"FormatFloat('0.0;(0.0);zero', -2.25)", u"(2.3)", u"(2,3)"},
    {"FormatDateTimeIso",
     u"FormatDateTime('yyyy-mm-dd', EncodeDate(2021, 3, 4))",
     u"2021-03-04",
     nullptr},
    {"FormatDateTimeSeparators",
     u"FormatDateTime('dd/mm/yyyy hh:nn', EncodeDate(2020, 2, 29) + EncodeTime(9, 30, 0, 0))",
     u"29/02/2020 09:30",
     u"29.02.2020 09:30"},
    {"FormatDateTimeNames",
     u"FormatDateTime('dddd d mmmm', EncodeDate(2024, 1, 1))",
     u"Monday 1 January",
     nullptr},
    {"FormatMaskTextPhone",
     u"FormatMaskText('!(999)000-0000;0;_', '5551234567')",
     u"(555)123-4567",
     nullptr},
    {"FormatMaskTextSavedLiterals",
     u"FormatMaskText('(999)000-0000;1;_', '(555)123-4567')",
     u"(555)123-4567",
     nullptr},
    {"FormatMaskTextCaseAndBlank", u"FormatMaskText('>LL-000;0;*', 'ab12')", u"AB-12*", nullptr},
};
INSTANTIATE_TEST_SUITE_P(SysFuncFormat, SysFuncCalls, ::testing::ValuesIn(kFormatCases), caseName);

const CallCase kDateCases[] = {
    {"DayOfWeekMonday", u"DayOfWeek(EncodeDate(2024, 1, 1))", u"2", nullptr},
    {"DayOfWeekLeapDay", u"DayOfWeek(EncodeDate(2020, 2, 29))", u"7", nullptr},
    {"DayOfWeekSunday", u"DayOfWeek(EncodeDate(2023, 12, 31))", u"1", nullptr},
    {"LeapYear1900", u"IsLeapYear(1900)", u"False", nullptr},
    {"LeapYear2000", u"IsLeapYear(2000)", u"True", nullptr},
    {"LeapYear2024", u"IsLeapYear(2024)", u"True", nullptr},
    {"DaysInFebruary1900", u"DaysInMonth(1900, 2)", u"28", nullptr},
    {"DaysInFebruary2024", u"DaysInMonth(2024, 2)", u"29", nullptr},
    {"DaysInDecember", u"DaysInMonth(2021, 12)", u"31", nullptr},
    {"DayAfterLeapDay",
     u"FormatDateTime('yyyy-mm-dd', EncodeDate(2020, 2, 29) + 1)",
     u"2020-03-01",
     nullptr},
    {"DayBeforeNewYear",
     u"FormatDateTime('yyyy-mm-dd', EncodeDate(2021, 1, 1) - 1)",
     u"2020-12-31",
     nullptr},
    {"DateOrigin", u"FloatToStr(EncodeDate(1899, 12, 30))", u"0", nullptr},
    {"DateSerial", u"FloatToStr(EncodeDate(2000, 1, 1))", u"36526", nullptr},
    {"EncodeTimeFraction", u"FloatToStr(EncodeTime(12, 0, 0, 0))", u"0.5", u"0,5"},
    {"EncodeDateInvalid",
     u"EncodeDate(2021, 2, 30)",
     u"runtime error: Invalid argument to date encode",
     nullptr},
    {"EncodeDateNotLeap",
     u"EncodeDate(1900, 2, 29)",
     u"runtime error: Invalid argument to date encode",
     nullptr},
    {"EncodeTimeInvalid",
     u"EncodeTime(25, 0, 0, 0)",
     u"runtime error: Invalid argument to time encode",
     nullptr},
    {"DateHasNoTime", u"Frac(Date)", u"0", nullptr, Pascal},
    {"TimeHasNoDate", u"Int(Time)", u"0", nullptr, Pascal},
    {"NowIsToday", u"Int(Now) = Date", u"True", nullptr, Pascal},
};
INSTANTIATE_TEST_SUITE_P(SysFuncDates, SysFuncCalls, ::testing::ValuesIn(kDateCases), caseName);

const CallCase kStringCases[] = {
    {"LengthOfText", u"Length('Ελλάδα')", u"6", nullptr},
    {"LengthOfNumberText", u"Length(12345)", u"5", nullptr},
    {"CopyMiddle", u"Copy('abcdef', 2, 3)", u"bcd", nullptr},
    {"CopyFromZeroStartsAtOne", u"Copy('abc', 0, 2)", u"ab", nullptr},
    {"CopyClippedAtEnd", u"Copy('abc', 3, 10)", u"c", nullptr},
    {"CopyPastEnd", u"Copy('abc', 5, 1) + '|'", u"|", nullptr},
    {"CopyNonAscii", u"Copy('Ünïcødé', 2, 3)", u"nïc", nullptr},
    {"PosFound", u"Pos('cd', 'abcdef')", u"3", nullptr},
    {"PosAbsent", u"Pos('x', 'abc')", u"0", nullptr},
    {"PosOfEmpty", u"Pos('', 'abc')", u"0", nullptr},
    {"PosGreek", u"Pos('λά', 'Ελλάδα')", u"3", nullptr},
    {"UppercaseLatin", u"Uppercase('Ünïcødé')", u"ÜNÏCØDÉ", nullptr},
    {"UppercaseGreek", u"Uppercase('Ελλάδα')", u"ΕΛΛΆΔΑ", nullptr},
    {"LowercaseGreek", u"Lowercase('ΕΛΛΆΔΑ')", u"ελλάδα", nullptr},
    {"UppercaseKeepsLength", u"Length(Uppercase('straße'))", u"6", nullptr},
    {"TrimBlanks", u"Trim('  ab c  ') + '|'", u"ab c|", nullptr},
    {"TrimControlCharacters", u"Trim(#9 + 'x' + #13#10) + '|'", u"x|", nullptr, Pascal},
    {"NameCaseWords", u"NameCase('jOHN smith')", u"John Smith", nullptr},
    {"NameCaseAfterSpaces", u"NameCase('  x')", u"  X", nullptr},
    {"NameCaseNonAscii", u"NameCase('éLAN über')", u"Élan Über", nullptr},
    {"CompareTextIgnoresCase", u"CompareText('Ünïcødé', 'üNÏCØDÉ')", u"0", nullptr},
    {"CompareTextLess", u"CompareText('apple', 'Banana') < 0", u"True", nullptr, Pascal | Basic},
    {"CompareTextGreater", u"CompareText('Ω', 'a') > 0", u"True", nullptr, Pascal | Basic},
    {"ChrAscii", u"Chr(65)", u"A", nullptr},
    {"ChrGreek", u"Chr(937)", u"Ω", nullptr},
    {"OrdAscii", u"Ord('a')", u"97", nullptr},
    {"OrdGreek", u"Ord('Ω')", u"937", nullptr},
    {"OrdOfEmpty", u"Ord('')", u"0", nullptr},
    {"ChrTooLarge",
     u"Chr(65536)",
     u"runtime error: '65536' is not a valid character code",
     nullptr},
    {"ChrNegative", u"Chr(-1)", u"runtime error: '-1' is not a valid character code", nullptr},
};
INSTANTIATE_TEST_SUITE_P(SysFuncStrings, SysFuncCalls, ::testing::ValuesIn(kStringCases), caseName);

const CallCase kMathCases[] = {
    {"RoundHalfDown", u"Round(2.5)", u"2", nullptr},
    {"RoundHalfUp", u"Round(3.5)", u"4", nullptr},
    {"RoundNegativeHalf", u"Round(-2.5)", u"-2", nullptr},
    {"RoundIsInteger", u"VarType(Round(2.5))", u"3", nullptr},
    {"RoundBeyond32Bits", u"Round(3000000000.0)", u"3000000000", nullptr},
    {"RoundBeyond32BitsIsInt64", u"VarType(Round(3000000000.0))", u"20", nullptr},
    {"RoundBeyondCurrencyRange", u"Round(1e16)", u"10000000000000000", nullptr},
    {"TruncNegative", u"Trunc(-1.7)", u"-1", nullptr},
    {"TruncAtCurrencyPrecision", u"Trunc(0.29 * 100)", u"29", nullptr},
    {"TruncBeyond32Bits", u"Trunc(-5000000000.9)", u"-5000000000", nullptr},
    {"IntIsFloat", u"VarType(Int(2.7))", u"5", nullptr},
    {"IntValue", u"Int(-2.7)", u"-2", nullptr},
    {"FracNegative", u"Frac(-1.25)", u"-0.25", u"-0,25"},
    {"FracExact", u"Frac(2.7)", u"0.7", u"0,7"},
    {"SqrtBeyondCurrencyRange", u"Sqrt(1e16)", u"100000000", nullptr},
    {"SqrtSmall", u"Sqrt(0.0004)", u"0.02", u"0,02"},
    {"AbsFullPrecision", u"Abs(-1e15 - 0.5)", u"1E15", nullptr},
    {"SinTiny", u"Sin(0.00001)", u"9.99999999983333E-6", u"9,99999999983333E-6"},
    {"CosZero", u"Cos(0)", u"1", nullptr},
    {"ArcTanIsQuarterPi", u"ArcTan(1) * 4 = Pi", u"True", nullptr, Pascal | Basic},
    {"TanZero", u"Tan(0)", u"0", nullptr},
    {"ExpLn", u"Ln(Exp(2))", u"2", nullptr},
    {"LnTiny", u"Ln(0.00004) < -10", u"True", nullptr, Pascal | Basic},
    {"PiValue", u"Pi", u"3.14159265358979", u"3,14159265358979"},
    {"RoundOutOfRange",
     u"Round(1e300)",
     u"runtime error: Invalid floating point operation",
     nullptr},
    {"SqrtNegative", u"Sqrt(-1)", u"runtime error: Invalid floating point operation", nullptr},
    {"LnZero", u"Ln(0)", u"runtime error: Floating point division by zero", nullptr},
    {"ExpOverflow", u"Exp(1000)", u"runtime error: Floating point overflow", nullptr},
    {"RoundOfNull",
     u"Round(Null)",
     u"runtime error: Could not convert variant of type (Null) into type (Double)",
     nullptr,
     Pascal},
    {"SqrtOfNull",
     u"Sqrt(Null)",
     u"runtime error: Could not convert variant of type (Null) into type (Double)",
     nullptr,
     Pascal},
};
INSTANTIATE_TEST_SUITE_P(SysFuncMath, SysFuncCalls, ::testing::ValuesIn(kMathCases), caseName);

const CallCase kOtherCases[] = {
    {"VarTypeConstants",
     u"IntToStr(varString) + ',' + IntToStr(varArray) + ',' + IntToStr(varByRef)",
     u"256,8192,16384",
     nullptr},
    {"VarTypeOfText", u"VarType('a') = varString", u"True", nullptr, Pascal | Basic},
    {"ValidIntYes", u"ValidInt('12')", u"True", nullptr},
    {"ValidIntNo", u"ValidInt('1.5')", u"False", nullptr},
    {"ValidFloatLocale", u"ValidFloat('1.5')", u"True", u"False"},
    {"ValidFloatNo", u"ValidFloat('x')", u"False", nullptr},
    {"ValidDateText", u"ValidDate(DateToStr(EncodeDate(2021, 3, 4)))", u"True", nullptr},
    {"ValidDateNo", u"ValidDate('31/31/2021')", u"False", nullptr},
    {"ExtractFilePathUnix", u"ExtractFilePath('/home/u/a.kv3')", u"/home/u/", nullptr},
    {"ExtractFilePathOtherSystem",
     u"ExtractFilePath('C:\\dir\\a.kv3')",
     u"C:\\dir\\",
     nullptr,
     Pascal},
    {"ExtractFilePathDrive", u"ExtractFilePath('C:a.kv3')", u"C:", nullptr},
    {"ExtractFilePathNone", u"ExtractFilePath('a.kv3') + '|'", u"|", nullptr},
    {"CreateOleObjectFails",
     u"CreateOleObject('Word.Application')",
     u"runtime error: CreateOleObject is not supported: there is no automation on this system",
     nullptr},
    {"VarArrayLength", u"Length(VarArrayCreate([1, 5], varInteger))", u"5", nullptr},
    {"VarArrayType", u"VarType(VarArrayCreate([0, 9], varVariant))", u"8204", nullptr},
    {"VarArrayOddBounds",
     u"VarArrayCreate([1, 2, 3], varInteger)",
     u"runtime error: Invalid variant array bounds",
     nullptr},
    {"VarArrayTooLarge",
     u"VarArrayCreate([0, 100000000], varInteger)",
     u"runtime error: Variant array is too large",
     nullptr},
    {"VarArrayBadType",
     u"VarArrayCreate([0, 1], 999)",
     u"runtime error: Invalid variant type",
     nullptr},
};
INSTANTIATE_TEST_SUITE_P(SysFuncOther, SysFuncCalls, ::testing::ValuesIn(kOtherCases), caseName);

// --- Whole programs ----------------------------------------------------------------------

struct ProgramCase
{
    const char *name;
    const char16_t *language;
    const char16_t *source;
    const char16_t *expected;
};

void PrintTo(const ProgramCase &c, std::ostream *os)
{
    *os << c.name;
}

class SysFuncPrograms : public ::testing::TestWithParam<ProgramCase>
{};

TEST_P(SysFuncPrograms, Shows)
{
    const ProgramCase &c = GetParam();
    const TkavFormatSettingsGuard pin(pinnedSettings(u'.'));
    EXPECT_EQ(runScript(QString::fromUtf16(c.language), QString::fromUtf16(c.source)).toStdString(),
              QString::fromUtf16(c.expected).toStdString());
}

std::string programName(const ::testing::TestParamInfo<ProgramCase> &info)
{
    return info.param.name;
}

const ProgramCase kPrograms[] = {
    {"DeleteInsertSetLength",
     u"PascalScript",
     uR"(var s: String;
begin
  s := 'abcdef'; Delete(s, 2, 2); ShowMessage(s);
  Insert('XY', s, 2); ShowMessage(s);
  SetLength(s, 2); ShowMessage(s);
  SetLength(s, 5); ShowMessage(s + '|');
  DeleteStr(s, 2, 100); ShowMessage(s + '|');
end.)",
     u"adef\naXYdef\naX\naX   |\na|"},
    {"ClippedPositions",
     u"PascalScript",
     uR"(var s: String;
begin
  s := 'Ελλάδα'; Delete(s, 10, 2); Delete(s, 0, 2); ShowMessage(s);
  Delete(s, 5, 100); ShowMessage(s);
  Insert('!', s, 100); Insert('¡', s, -3); ShowMessage(s);
  SetLength(s, -1); ShowMessage(Length(s));
end.)",
     u"Ελλάδα\nΕλλά\n¡Ελλά!\n0"},
    {"DecodeDateAndTime",
     u"PascalScript",
     uR"(var y, m, d, h, n, s, ms: Word;
begin
  DecodeDate(EncodeDate(2020, 2, 29), y, m, d);
  ShowMessage(IntToStr(y) + '-' + IntToStr(m) + '-' + IntToStr(d));
  DecodeTime(EncodeTime(23, 59, 58, 999), h, n, s, ms);
  ShowMessage(IntToStr(h) + ':' + IntToStr(n) + ':' + IntToStr(s) + '.' + IntToStr(ms));
end.)",
     u"2020-2-29\n23:59:58.999"},
    {"DecodeDateJScript",
     u"JScript",
     uR"(var y, m, d;
DecodeDate(EncodeDate(2000, 12, 31) + 1, y, m, d);
ShowMessage(IntToStr(y) + "-" + IntToStr(m) + "-" + IntToStr(d));)",
     u"2001-1-1"},
    {"IncDecDefaults",
     u"PascalScript",
     uR"(var i: Integer;
begin
  i := 1; Inc(i); Inc(i, 5); Dec(i, 2); ShowMessage(i); Dec(i); ShowMessage(i);
end.)",
     u"5\n4"},
    {"VariantArrays",
     u"PascalScript",
     uR"(var v: Variant;
begin
  v := VarArrayCreate([1, 5], varInteger); ShowMessage(Length(v));
  v := VarArrayCreate([0, 9], varVariant); v[3] := 7; ShowMessage(v[3]);
  SetLength(v, 3); ShowMessage(Length(v)); ShowMessage(v[2] + 1);
  ShowMessage(VarType(v) and varArray);
  v := VarArrayCreate([1, 3, 1, 3], varInteger); v[3, 3] := 9; ShowMessage(v[3, 3]);
end.)",
     u"5\n7\n3\n1\n8192\n9"},
    {"FormatKeepsLongText",
     u"PascalScript",
     uR"(var s: String;
begin
  SetLength(s, 299); s := s + 'z';
  ShowMessage(Length(Format('%s', [s]))); ShowMessage(Copy(Format('<%s>', [s]), 300, 3));
end.)",
     u"300\n z>"},
    {"ExceptionsFromLibrary",
     u"PascalScript",
     uR"(begin
  try StrToInt('x'); except ShowMessage(ExceptionClassName + ': ' + ExceptionMessage); end;
  try RaiseException('boom'); except ShowMessage(ExceptionClassName + ': ' + ExceptionMessage); end;
  try CreateOleObject('X'); except ShowMessage(ExceptionClassName); end;
  try EncodeDate(2021, 2, 30); except ShowMessage(ExceptionClassName); end;
end.)",
     u"EConvertError: 'x' is not a valid integer value\nException: boom\nEkyError\nEConvertError"},
    {"RandomInUnitInterval",
     u"PascalScript",
     uR"(var i, bad: Integer; r, sum: Extended;
begin
  Randomize; bad := 0; sum := 0;
  for i := 1 to 2000 do begin
    r := Random; sum := sum + r;
    if (r < 0) or (r >= 1) then bad := bad + 1;
  end;
  ShowMessage(bad); ShowMessage((sum > 800) and (sum < 1200));
end.)",
     u"0\nTrue"},
    {"VariantArguments",
     u"PascalScript",
     uR"(var v: Variant;
begin
  v := '2.5'; ShowMessage(Round(v));
  v := 2147483648.0; ShowMessage(IntToStr(v));
  v := EncodeDate(2021, 3, 4); ShowMessage(ValidDate(v));
  v := 5; try VarArrayCreate(v, varInteger); except ShowMessage(ExceptionMessage); end;
  v := Null; try Frac(v); except ShowMessage(ExceptionMessage); end;
end.)",
     u"2\n2147483648\nTrue\nInvalid variant array bounds\nCould not convert variant of type (Null) "
     u"into type (Double)"},
    {"MathInCpp",
     u"C++Script",
     uR"({ ShowMessage(IntToStr(Round(2.5)) + "," + IntToStr(Round(3.5))); })",
     u"2,4"},
    {"BasicFormat", u"BasicScript", uR"(ShowMessage(Format("%d items", [3])))", u"3 items"},
};
INSTANTIATE_TEST_SUITE_P(SysFunc, SysFuncPrograms, ::testing::ValuesIn(kPrograms), programName);

// --- Registration ------------------------------------------------------------------------

struct DeclarationCase
{
    const char16_t *name;
    const char16_t *syntax;
    const char16_t *category;
};

TEST(SysFuncRegistration, DeclarationsAndCategories)
{
    TkyScript script;
    kyPrepareLibraryScript(script);
    const DeclarationCase cases[] = {
        {u"IntToStr", u"function IntToStr(i: Integer): String", u"ctConv"},
        {u"BoolToStr", u"function BoolToStr(B: Boolean): string;", u"ctConv"},
        {u"StrToBool", u"function StrToBool(const S: string): Boolean;", u"ctConv"},
        {u"Format", u"function Format(Fmt: String; Args: array): String", u"ctFormat"},
        {u"FormatMaskText",
         u"function FormatMaskText(EditMask: string; Value: string): string",
         u"ctFormat"},
        {u"DecodeTime",
         u"procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)",
         u"ctDate"},
        {u"DaysInMonth", u"function DaysInMonth(nYear, nMonth: Integer): Integer", u"ctDate"},
        {u"Length", u"function Length(s: Variant): Integer", u"ctString"},
        {u"SetLength", u"procedure SetLength(var S: Variant; L: Integer)", u"ctString"},
        {u"Int", u"function Int(e: Extended): Integer", u"ctMath"},
        {u"Pi", u"function Pi: Extended", u"ctMath"},
        {u"Inc", u"procedure Inc(var i: Integer; incr: Integer = 1)", u"ctOther"},
        {u"RaiseException", u"procedure RaiseException(Param: String)", u"ctOther"},
        {u"ExtractFilePath",
         u"function ExtractFilePath(const FileName: string): string;",
         u"ctOther"},
        {u"VarArrayCreate",
         u"function VarArrayCreate(Bounds: Array; Typ: Integer): Variant",
         u"ctOther"},
    };
    for (const DeclarationCase &c : cases) {
        const QString name = QString::fromUtf16(c.name);
        auto *method = dynamic_cast<TkyMethodHelper *>(script.Find(name));
        ASSERT_NE(method, nullptr) << name.toStdString();
        EXPECT_EQ(method->Syntax(), QString::fromUtf16(c.syntax));
        EXPECT_EQ(method->Category(), QString::fromUtf16(c.category)) << name.toStdString();
        EXPECT_EQ(method->Description(), name); // an empty description is the name
    }
}

TEST(SysFuncRegistration, ConstantsAndVariables)
{
    TkyScript script;
    kyPrepareLibraryScript(script);
    const std::pair<const char16_t *, int> codes[] = {
        {u"varEmpty", 0},     {u"varNull", 1},      {u"varSmallint", 2},    {u"varInteger", 3},
        {u"varSingle", 4},    {u"varDouble", 5},    {u"varCurrency", 6},    {u"varDate", 7},
        {u"varOleStr", 8},    {u"varDispatch", 9},  {u"varError", 10},      {u"varBoolean", 11},
        {u"varVariant", 12},  {u"varUnknown", 13},  {u"varShortInt", 16},   {u"varByte", 17},
        {u"varWord", 18},     {u"varLongWord", 19}, {u"varInt64", 20},      {u"varStrArg", 72},
        {u"varString", 256},  {u"varAny", 257},     {u"varTypeMask", 4095}, {u"varArray", 8192},
        {u"varByRef", 16384},
    };
    for (const auto &[name, code] : codes) {
        TkyCustomVariable *item = script.Find(QString::fromUtf16(name));
        ASSERT_NE(item, nullptr) << QString::fromUtf16(name).toStdString();
        EXPECT_TRUE(item->IsReadOnly());
        EXPECT_EQ(VarType(item->GetValue()), int(varInteger));
        EXPECT_EQ(item->GetValue().AsInteger(), code) << QString::fromUtf16(name).toStdString();
    }
    EXPECT_EQ(VarType(script.Variables(u"nil")), int(varInteger));
    EXPECT_TRUE(script.Variables(u"Null").IsNull());
    EXPECT_TRUE(script.Variables(u"True").AsBoolean());
    TkyCustomVariable *message = script.Find(u"ExceptionMessage");
    ASSERT_NE(message, nullptr);
    EXPECT_FALSE(message->IsReadOnly());
    EXPECT_EQ(message->GetValue().AsString(), QString());
}

// --- Edit masks ------------------------------------------------------------------------

TEST(SysFuncMaskText, Layouts)
{
    const TkavFormatSettingsGuard pin(pinnedSettings(u','));
    const struct
    {
        const char16_t *mask;
        const char16_t *value;
        const char16_t *expected;
    } cases[] = {
        {u"00/00/0000;0;_", u"04032021", u"04.03.2021"}, // "/" is the date separator
        {u"00:00;0;_", u"1230", u"12:30"},               // ":" the time separator
        {u"000-000;0;_", u"12", u"12_-___"},             // missing characters: blanks
        {u"!000-000;0;_", u"12", u"___-_12"},            // "!": from the right
        {u"\\A000;0", u"12", u"A12_"},                   // escaped mask character
        {u"<LL>LL<>LL;0; ", u"aBcDeF", u"abCDeF"},       // case switches
        {u"LL_LL;0;_", u"abcd", u"ab cd"},               // "_" is a literal space
        {u"000", u"12345", u"123"},                      // extra characters are dropped
        {u"(000)-00;1;_", u"(123)-45", u"(123)-45"},     // saved literals skipped in place
        {u"(000)-00;1;_", u"(123", u"(123)-__"},         // missing saved literals are added
        {u"", u"abc", u""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(
            kyFormatMaskText(QString::fromUtf16(c.mask), QString::fromUtf16(c.value)).toStdString(),
            QString::fromUtf16(c.expected).toStdString())
            << QString::fromUtf16(c.mask).toStdString();
}

} // namespace
