// Rounding, format settings and number texts: FormatFloat, Format, FloatToStr(F),
// CurrToStr, text to number and the file form of floats. Every table runs under pinned
// settings with "." and with "," as decimal separator.
#include "kavTestSupport.h"

#include <gtest/gtest.h>

#include "rtl/kavExceptions.h"
#include "rtl/kavFormat.h"
#include "rtl/kavFormatSettings.h"
#include "rtl/kavMath.h"
#include "rtl/kavVariant.h"

#include <QLocale>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

TFormatSettings periodSettings()
{
    return TFormatSettings::Invariant();
}

// Every test starts from the period settings, so the machine's locale never matters.
class FormatTest : public ::testing::Test
{
protected:
    TkavFormatSettingsGuard FGuard{periodSettings()};
};

} // namespace

// --- rounding ------------------------------------------------------------------------

TEST(RoundTest, ModesOnTiesAndNearTies)
{
    struct Row { double x; qint64 even, trunc, away; };
    const Row rows[] = {
        {2.5, 2, 2, 3},     {3.5, 4, 3, 4},    {-2.5, -2, -2, -3}, {-3.5, -4, -3, -4},
        {0.5, 0, 0, 1},     {1.5, 2, 1, 2},    {-0.5, 0, 0, -1},   {-1.7, -2, -1, -2},
        {1.7, 2, 1, 2},     {2.4999999999999996, 2, 2, 2},         {0.49999999999999994, 0, 0, 0},
        {1000000000000000.5, 1000000000000000, 1000000000000000, 1000000000000001},
        {-9223372036854775808.0, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::min(),
         std::numeric_limits<qint64>::min()},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.x);
        EXPECT_EQ(kavRound(r.x), r.even);
        EXPECT_EQ(kavRound(r.x, rmTruncate), r.trunc);
        EXPECT_EQ(kavTrunc(r.x), r.trunc);
        EXPECT_EQ(kavRound(r.x, rmHalfAway), r.away);
    }
}

TEST(RoundTest, OutOfRangeRaisesInsteadOfWrapping)
{
    const double bad[] = {std::nan(""), std::numeric_limits<double>::infinity(), 9223372036854775808.0, -1e19};
    for (double x : bad) {
        SCOPED_TRACE(x);
        EXPECT_THROW(kavRound(x), EInvalidOp);
    }
    EXPECT_EQ(kavRound(3e9), qint64(3000000000)); // 64 bits, never the low 32
    EXPECT_EQ(kavRoundFloat(1e300), 1e300);
    EXPECT_EQ(kavRoundFloat(-7.5), -8.0);
}

TEST(RoundTest, CurrencyPrecision)
{
    EXPECT_EQ(kavDoubleToCurrency(0.03125).Units, 312); // 312.5 units, tie to even
    EXPECT_EQ(kavDoubleToCurrency(0.09375).Units, 938); // 937.5 units
    EXPECT_EQ(kavDoubleToCurrency(-12.5).Units, -125000);
    EXPECT_EQ(kavAtCurrencyPrecision(0.29 * 100), 29.0); // 28.999999999999996 first
    TkavCurrency c;
    EXPECT_FALSE(kavTryDoubleToCurrency(1e15, c));
    EXPECT_FALSE(kavTryDoubleToCurrency(std::nan(""), c));
    TkavFormatSettingsGuard guard(periodSettings());
    EXPECT_EQ(kavErrorOf([] { kavDoubleToCurrency(1e16); }), u"'1E16' is not a valid currency value"_s);
}

// --- settings ----------------------------------------------------------------------

TEST(FormatSettingsTest, GuardPinsAndRestores)
{
    const QChar before = FormatSettings().DecimalSeparator;
    {
        TkavFormatSettingsGuard outer(kavCommaSettings());
        EXPECT_EQ(FormatSettings().DecimalSeparator, u',');
        EXPECT_EQ(FloatToStr(1.5), u"1,5"_s);
        {
            TkavFormatSettingsGuard inner;
            FormatSettings().DecimalSeparator = u'#';
            EXPECT_EQ(FloatToStr(1.5), u"1#5"_s);
        }
        EXPECT_EQ(FormatSettings().DecimalSeparator, u',');
    }
    EXPECT_EQ(FormatSettings().DecimalSeparator, before);
}

TEST(FormatSettingsTest, InvariantIsEnglish)
{
    const TFormatSettings fs = TFormatSettings::Invariant();
    EXPECT_EQ(fs.LongMonthNames[0], u"January"_s);
    EXPECT_EQ(fs.ShortMonthNames[11], u"Dec"_s);
    EXPECT_EQ(fs.LongDayNames[0], u"Sunday"_s);
    EXPECT_EQ(fs.ShortDayNames[6], u"Sat"_s);
    EXPECT_EQ(fs.TwoDigitYearCenturyWindow, 50);
}

TEST(FormatSettingsTest, FromGermanLocale)
{
    const TFormatSettings fs = TFormatSettings::FromLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(fs.DecimalSeparator, u',');
    EXPECT_EQ(fs.ThousandSeparator, u'.');
    EXPECT_EQ(fs.DateSeparator, u'.');
    EXPECT_EQ(fs.ShortDateFormat, u"dd/mm/yy"_s);
    EXPECT_EQ(fs.LongMonthNames[2], u"März"_s);
    EXPECT_EQ(fs.LongDayNames[0], u"Sonntag"_s);
    EXPECT_EQ(fs.CurrencyString, u"€"_s);
    EXPECT_EQ(fs.CurrencyFormat, 3);
    EXPECT_EQ(fs.NegCurrFormat, 8);
    EXPECT_EQ(fs.CurrencyDecimals, 2);
}

TEST(FormatSettingsTest, CLocaleGivesReadableDates)
{
    const TFormatSettings fs = TFormatSettings::FromLocale(QLocale::c());
    EXPECT_EQ(fs.ShortDateFormat, u"mm/dd/yyyy"_s);
    EXPECT_EQ(fs.DateSeparator, u'/');
    EXPECT_EQ(fs.DecimalSeparator, u'.');
}

TEST(FormatSettingsTest, FromUsLocale)
{
    const TFormatSettings fs = TFormatSettings::FromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(fs.DecimalSeparator, u'.');
    EXPECT_EQ(fs.ThousandSeparator, u',');
    EXPECT_EQ(fs.DateSeparator, u'/');
    EXPECT_EQ(fs.ShortDateFormat, u"m/d/yy"_s);
    EXPECT_EQ(fs.ShortTimeFormat, u"h:nn ampm"_s);
    EXPECT_EQ(fs.CurrencyString, u"$"_s);
    EXPECT_EQ(fs.CurrencyFormat, 0);
}

// --- FormatFloat ---------------------------------------------------------------------

TEST_F(FormatTest, FormatFloatPictures)
{
    struct Row { const char16_t *fmt; double value; const char16_t *period; const char16_t *comma; };
    const Row rows[] = {
        {u"#,##0.00", 1234.5, u"1,234.50", u"1.234,50"},
        {u"#,##0.00", -1234.5, u"-1,234.50", u"-1.234,50"},
        {u"#,##0", 1234567, u"1,234,567", u"1.234.567"},
        {u"#.##", 0.5, u".5", u",5"},
        {u"0.##", 0.5, u"0.5", u"0,5"},
        {u"0.##", 1, u"1", u"1"},                    // no separator without decimals
        {u"#,##0.0#", 12345.6, u"12,345.6", u"12.345,6"},
        {u"#,##0.0#", 12345.678, u"12,345.68", u"12.345,68"},
        {u".00", 1.5, u"1.50", u"1,50"},
        {u"0.00", 0.125, u"0.13", u"0,13"},          // exact tie: half away from zero
        {u"0.00", -0.125, u"-0.13", u"-0,13"},
        {u"0.00", 2.675, u"2.67", u"2,67"},          // binary 2.67499999999999982...
        {u"0", 2.5, u"3", u"3"},
        {u"0", 0.5, u"1", u"1"},
        {u"#", 1234, u"1234", u"1234"},
        {u"#", 0, u"", u""},
        {u"00-00", 123456, u"1234-56", u"1234-56"},
        {u"00-00", 5, u"00-05", u"00-05"},
        {u"0.00E+00", 1234.5, u"1.23E+03", u"1,23E+03"},
        {u"0.00E+00", 0.00012345, u"1.23E-04", u"1,23E-04"},
        {u"0.00E+00", 0, u"0.00E+00", u"0,00E+00"},
        {u"0.0e-0", 1234.5, u"1.2e3", u"1,2e3"},
        {u"0.0;(0.0)", -5, u"(5.0)", u"(5,0)"},
        {u"0.0;(0.0);'zero'", 0, u"zero", u"zero"},
        {u"0.00;-0.00;'zero'", 0.004, u"zero", u"zero"}, // rounds to zero: zero section
        {u"0.0;;'zero'", -5, u"-5.0", u"-5,0"},           // empty negative section
        {u"0.00", -0.004, u"0.00", u"0,00"},              // never "-0.00"
        {u"\"Total: \"#,##0", 5, u"Total: 5", u"Total: 5"},
        {u"'#0' 0", 7, u"#0 7", u"#0 7"},
        {u"#,##0", 1e20, u"1E20", u"1E20"},               // beyond the picture range
        {u"", 1.5, u"1.5", u"1,5"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(QString::fromUtf16(r.fmt).toStdString());
        EXPECT_EQ(FormatFloat(QString::fromUtf16(r.fmt), r.value, periodSettings()), QString::fromUtf16(r.period));
        EXPECT_EQ(FormatFloat(QString::fromUtf16(r.fmt), r.value, kavCommaSettings()), QString::fromUtf16(r.comma));
    }
}

TEST_F(FormatTest, FormatFloatWithoutThousandSeparator)
{
    TFormatSettings fs = periodSettings();
    fs.ThousandSeparator = QChar();
    EXPECT_EQ(FormatFloat(u"#,##0.0"_s, 1234567.25, fs), u"1234567.3"_s);
    EXPECT_EQ(FloatToStrF(1234567.25, ffNumber, 15, 1, fs), u"1234567.3"_s);
}

TEST_F(FormatTest, FormatFloatFollowsProcessSettingsAndCurrencyIsExact)
{
    EXPECT_EQ(FormatFloat(u"#,##0.00"_s, 1234.5), u"1,234.50"_s);
    TkavFormatSettingsGuard guard(kavCommaSettings());
    EXPECT_EQ(FormatFloat(u"#,##0.00"_s, 1234.5), u"1.234,50"_s);
    EXPECT_EQ(FormatCurr(u"0.00"_s, TkavCurrency{1250}), u"0,13"_s); // 0.125 exactly
    EXPECT_EQ(FormatCurr(u"#,##0.0000"_s, TkavCurrency{std::numeric_limits<qint64>::max()}),
              u"922.337.203.685.477,5807"_s);
}

// --- FloatToStr / FloatToStrF / CurrToStr -------------------------------------------

TEST_F(FormatTest, FloatToStrGeneralFormat)
{
    struct Row { double value; const char16_t *period; const char16_t *comma; };
    const Row rows[] = {
        {0.1 + 0.2, u"0.3", u"0,3"},
        {1e20, u"1E20", u"1E20"},
        {1e-5, u"1E-5", u"1E-5"},
        {0.0001, u"0.0001", u"0,0001"},
        {0.00012, u"0.00012", u"0,00012"},
        {1.5e-7, u"1.5E-7", u"1,5E-7"},
        {-0.0, u"0", u"0"},
        {123456789012345.0, u"123456789012345", u"123456789012345"},
        {1e15, u"1E15", u"1E15"},
        {1234567890123456.0, u"1.23456789012346E15", u"1,23456789012346E15"},
        {2.0 / 3.0, u"0.666666666666667", u"0,666666666666667"},
        {0.9999999999999999, u"1", u"1"},  // 15-digit rounding carries into a new digit
        {-1.5, u"-1.5", u"-1,5"},
        {100, u"100", u"100"},
        {std::nan(""), u"NAN", u"NAN"},
        {std::numeric_limits<double>::infinity(), u"INF", u"INF"},
        {-std::numeric_limits<double>::infinity(), u"-INF", u"-INF"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.value);
        EXPECT_EQ(FloatToStr(r.value, periodSettings()), QString::fromUtf16(r.period));
        EXPECT_EQ(FloatToStr(r.value, kavCommaSettings()), QString::fromUtf16(r.comma));
    }
}

TEST_F(FormatTest, FloatToStrFKinds)
{
    struct Row { double value; TFloatFormat format; int precision, digits; const char16_t *period; const char16_t *comma; };
    const Row rows[] = {
        {1234.567, ffFixed, 15, 2, u"1234.57", u"1234,57"},
        {1234.567, ffNumber, 15, 2, u"1,234.57", u"1.234,57"},
        {1234.567, ffExponent, 4, 2, u"1.235E+03", u"1,235E+03"},
        {-1234.567, ffExponent, 3, 0, u"-1.23E+3", u"-1,23E+3"},
        {1234.567, ffGeneral, 4, 0, u"1235", u"1235"},
        {1234.567, ffGeneral, 3, 0, u"1.23E3", u"1,23E3"},
        {1234.5, ffCurrency, 15, 2, u"$1,234.50", u"1.234,50 €"},
        {-1234.5, ffCurrency, 15, 2, u"($1,234.50)", u"-1.234,50 €"},
        {1e20, ffFixed, 15, 2, u"1E20", u"1E20"}, // more integer digits than precision
        {-0.001, ffFixed, 15, 2, u"0.00", u"0,00"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(QString::fromUtf16(r.period).toStdString());
        EXPECT_EQ(FloatToStrF(r.value, r.format, r.precision, r.digits, periodSettings()), QString::fromUtf16(r.period));
        EXPECT_EQ(FloatToStrF(r.value, r.format, r.precision, r.digits, kavCommaSettings()), QString::fromUtf16(r.comma));
    }
}

TEST_F(FormatTest, CurrToStrShowsUpToFourDecimals)
{
    EXPECT_EQ(CurrToStr(TkavCurrency{125000}), u"12.5"_s);
    EXPECT_EQ(CurrToStr(TkavCurrency{1}), u"0.0001"_s);
    EXPECT_EQ(CurrToStr(TkavCurrency{-50000}), u"-5"_s);
    EXPECT_EQ(CurrToStr(TkavCurrency{std::numeric_limits<qint64>::min()}), u"-922337203685477.5808"_s);
    EXPECT_EQ(CurrToStr(TkavCurrency{125000}, kavCommaSettings()), u"12,5"_s);
    EXPECT_EQ(CurrToStrF(TkavCurrency{-12345678}, ffCurrency, 2), u"($1,234.57)"_s);
}

// --- Format --------------------------------------------------------------------------

TEST_F(FormatTest, FormatDirectives)
{
    struct Row { const char16_t *fmt; QList<Variant> args; const char16_t *period; const char16_t *comma; };
    const Row rows[] = {
        {u"%d-%s-%.2f", {1, u"a"_s, 2.5}, u"1-a-2.50", u"1-a-2,50"},
        {u"%.2f/%.2f", {1.5, 2.25}, u"1.50/2.25", u"1,50/2,25"},
        {u"%d items", {3}, u"3 items", u"3 items"},
        {u"%5d|%-5d|", {42, 42}, u"   42|42   |", u"   42|42   |"},
        {u"%.5d", {-12}, u"-00012", u"-00012"},
        {u"%d", {qint64(-9000000000)}, u"-9000000000", u"-9000000000"},
        {u"%x/%.4x/%X", {255, 255, -1}, u"FF/00FF/FFFFFFFF", u"FF/00FF/FFFFFFFF"},
        {u"%x", {qint64(-1)}, u"FFFFFFFFFFFFFFFF", u"FFFFFFFFFFFFFFFF"},
        {u"%u", {-1}, u"4294967295", u"4294967295"},
        {u"%e", {1234.5}, u"1.23450000000000E+003", u"1,23450000000000E+003"},
        {u"%.3e", {-0.000123456}, u"-1.23E-004", u"-1,23E-004"},
        {u"%g|%g", {1.23456, 0.1 + 0.2}, u"1.23456|0.3", u"1,23456|0,3"},
        {u"%g|%g|%.3g", {1e20, 1e-10, 1234.5}, u"1E020|1E-010|1.23E003", u"1E020|1E-010|1,23E003"},
        {u"%n", {1234567.891}, u"1,234,567.89", u"1.234.567,89"},
        {u"%m", {-1234.5}, u"($1,234.50)", u"-1.234,50 €"},
        {u"%.0m", {7.0}, u"$7", u"7 €"},
        {u"%f", {3}, u"3.00", u"3,00"},
        {u"%f", {Variant::FromCurrencyUnits(123450)}, u"12.35", u"12,35"}, // exact 12.345
        {u"%1:s %0:s %s", {u"a"_s, u"b"_s}, u"b a b", u"b a b"},
        {u"%*d|", {5, 42}, u"   42|", u"   42|"},
        {u"%-*.*f|", {8, 1, 3.14159}, u"3.1     |", u"3,1     |"},
        {u"%.3s|%4s", {u"abcdef"_s, u"x"_s}, u"abc|   x", u"abc|   x"},
        {u"%%d 100%%", {}, u"%d 100%", u"%d 100%"},
        {u"%d|%d", {Variant::Null(), Variant()}, u"0|0", u"0|0"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(QString::fromUtf16(r.fmt).toStdString());
        EXPECT_EQ(Format(QString::fromUtf16(r.fmt), r.args, periodSettings()), QString::fromUtf16(r.period));
        EXPECT_EQ(Format(QString::fromUtf16(r.fmt), r.args, kavCommaSettings()), QString::fromUtf16(r.comma));
    }
}

TEST_F(FormatTest, FormatErrors)
{
    const QString longFmt = u"%d and then a long tail of text that goes on"_s;
    struct Row { QString fmt; QList<Variant> args; QString message; };
    const Row rows[] = {
        {u"%d"_s, {u"x"_s}, u"Format '%d' invalid or incompatible with argument"_s},
        {u"%s"_s, {1.5}, u"Format '%s' invalid or incompatible with argument"_s},
        {u"%d"_s, {1.5}, u"Format '%d' invalid or incompatible with argument"_s},
        {u"%d"_s, {true}, u"Format '%d' invalid or incompatible with argument"_s},
        {u"%f"_s, {u"1.5"_s}, u"Format '%f' invalid or incompatible with argument"_s},
        {u"%q"_s, {1}, u"Format '%q' invalid or incompatible with argument"_s},
        {u"abc %"_s, {}, u"Format 'abc %' invalid or incompatible with argument"_s},
        {u"%*d"_s, {1.5, 1}, u"Format '%*d' invalid or incompatible with argument"_s},
        {u"%999999999d"_s, {1}, u"Format '%999999999d' invalid or incompatible with argument"_s},
        {u"%d %d"_s, {1}, u"No argument for format '%d %d'"_s},
        {u"%n%n%s%s"_s, {1.5}, u"No argument for format '%n%n%s%s'"_s}, // never memory access
        {longFmt, {}, u"No argument for format '"_s + longFmt.left(31) + u"'"_s},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.fmt.toStdString());
        EXPECT_EQ(kavErrorOf([&] { Format(r.fmt, r.args); }), r.message);
    }
}

// --- text to numbers -----------------------------------------------------------------

TEST_F(FormatTest, StrToFloatUsesTheDecimalSeparator)
{
    struct Row { const char16_t *text; bool periodOk; double periodValue; bool commaOk; double commaValue; };
    const Row rows[] = {
        {u"1.5", true, 1.5, false, 0},
        {u"1,5", false, 0, true, 1.5},
        {u" +2.5e3 ", true, 2500, false, 0},
        {u"-7", true, -7, true, -7},
        {u".5", true, 0.5, false, 0},
        {u"5.", true, 5, false, 0},
        {u"1e-400", true, 0, true, 0},
        {u"0.0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
         u"00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
         u"00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
         u"000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000001",
         true, 0, false, 0},
        {u"0.1e400", false, 0, false, 0},
        {u"100e-400", true, 0, true, 0},
        {u"1,000.5", false, 0, false, 0},
        {u".", false, 0, false, 0},
        {u"e5", false, 0, false, 0},
        {u"1e", false, 0, false, 0},
        {u"-", false, 0, false, 0},
        {u"", false, 0, false, 0},
        {u"1e400", false, 0, false, 0},
        {u"inf", false, 0, false, 0},
        {u"0x10", false, 0, false, 0},
    };
    for (const Row &r : rows) {
        const QString text = QString::fromUtf16(r.text);
        SCOPED_TRACE(text.toStdString());
        double v = -1;
        EXPECT_EQ(TryStrToFloat(text, v, periodSettings()), r.periodOk);
        if (r.periodOk) {
            EXPECT_EQ(v, r.periodValue);
        }
        v = -1;
        EXPECT_EQ(TryStrToFloat(text, v, kavCommaSettings()), r.commaOk);
        if (r.commaOk) {
            EXPECT_EQ(v, r.commaValue);
        }
    }
    EXPECT_EQ(kavErrorOf([] { StrToFloat(u"1,5"_s); }), u"'1,5' is not a valid floating point value"_s);
    EXPECT_EQ(StrToFloat(u"1,5"_s, kavCommaSettings()), 1.5);
}

TEST_F(FormatTest, StrToIntDecimalAndHex)
{
    struct Row { const char16_t *text; bool ok32; int v32; bool ok64; qint64 v64; };
    const Row rows[] = {
        {u"42", true, 42, true, 42},
        {u"  42", true, 42, true, 42},
        {u"+7", true, 7, true, 7},
        {u"$FF", true, 255, true, 255},
        {u"0x1f", true, 31, true, 31},
        {u"-$10", true, -16, true, -16},
        {u"$FFFFFFFF", true, -1, true, 4294967295LL},
        {u"2147483647", true, 2147483647, true, 2147483647},
        {u"-2147483648", true, -2147483647 - 1, true, -2147483648LL},
        {u"2147483648", false, 0, true, 2147483648LL},
        {u"$100000000", false, 0, true, 4294967296LL},
        {u"9223372036854775807", false, 0, true, std::numeric_limits<qint64>::max()},
        {u"-9223372036854775808", false, 0, true, std::numeric_limits<qint64>::min()},
        {u"9223372036854775808", false, 0, false, 0},
        {u"$FFFFFFFFFFFFFFFF", false, 0, true, -1},
        {u"42 ", false, 0, false, 0},
        {u"", false, 0, false, 0},
        {u"$", false, 0, false, 0},
        {u"1.5", false, 0, false, 0},
        {u"12a", false, 0, false, 0},
        {u"$G", false, 0, false, 0},
    };
    for (const Row &r : rows) {
        const QString text = QString::fromUtf16(r.text);
        SCOPED_TRACE(text.toStdString());
        int v32 = -99;
        qint64 v64 = -99;
        EXPECT_EQ(TryStrToInt(text, v32), r.ok32);
        if (r.ok32) {
            EXPECT_EQ(v32, r.v32);
        }
        EXPECT_EQ(TryStrToInt64(text, v64), r.ok64);
        if (r.ok64) {
            EXPECT_EQ(v64, r.v64);
        }
    }
    EXPECT_EQ(StrToInt(u"$7F"_s), 127);
    EXPECT_EQ(kavErrorOf([] { StrToInt(u"abc"_s); }), u"'abc' is not a valid integer value"_s);
    EXPECT_EQ(kavErrorOf([] { StrToInt64(u"1e3"_s); }), u"'1e3' is not a valid integer value"_s);
}

TEST_F(FormatTest, IntegerTexts)
{
    EXPECT_EQ(IntToStr(-5), u"-5"_s);
    EXPECT_EQ(IntToStr(std::numeric_limits<qint64>::min()), u"-9223372036854775808"_s);
    EXPECT_EQ(IntToHex(255, 4), u"00FF"_s);
    EXPECT_EQ(IntToHex(-1, 2), u"FFFFFFFF"_s);
    EXPECT_EQ(IntToHex(qint64(-1), 2), u"FFFFFFFFFFFFFFFF"_s);
    EXPECT_EQ(IntToHex(0, 0), u"0"_s);
    EXPECT_EQ(IntToHex(qint64(0xABCDEF), 8), u"00ABCDEF"_s);
}

// --- floats in files -------------------------------------------------------------------

TEST_F(FormatTest, FileTextIsLocaleFree)
{
    TkavFormatSettingsGuard guard(kavCommaSettings()); // the writer's locale must not leak in
    struct Row { double value; const char16_t *text; };
    const Row rows[] = {
        {1.5, u"1.5"}, {0.1 + 0.2, u"0.3"}, {1e20, u"1E20"}, {-2.5e-7, u"-2.5E-7"},
        {1234567.25, u"1234567.25"}, {-0.0, u"0"}, {1.0 / 3.0, u"0.333333333333333"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.value);
        EXPECT_EQ(kavFloatToFileText(r.value), QString::fromUtf16(r.text));
    }
    EXPECT_EQ(kavFileTextToFloat(kavFloatToFileText(1.0 / 3.0)), 0.333333333333333);
}

TEST_F(FormatTest, FileTextReadsPeriodOrComma)
{
    struct Row { const char16_t *text; bool ok; double value; };
    const Row rows[] = {
        {u"1.5", true, 1.5},     {u"1,5", true, 1.5},    {u" -2.5E-7 ", true, -2.5e-7},
        {u"1E20", true, 1e20},   {u"12", true, 12},      {u"1.5.3", false, 0},
        {u"1,5,3", false, 0},    {u"", false, 0},        {u"abc", false, 0},
        {u"1e400", false, 0},    {u"1 000", false, 0},
    };
    for (const Row &r : rows) {
        const QString text = QString::fromUtf16(r.text);
        SCOPED_TRACE(text.toStdString());
        double v = -1;
        EXPECT_EQ(kavTryFileTextToFloat(text, v), r.ok);
        if (r.ok) {
            EXPECT_EQ(v, r.value);
        }
    }
    double v = 0;
    ASSERT_TRUE(kavTryFileTextToFloat(u"NAN", v));
    EXPECT_TRUE(std::isnan(v));
    ASSERT_TRUE(kavTryFileTextToFloat(u"-INF", v));
    EXPECT_EQ(v, -std::numeric_limits<double>::infinity());
    EXPECT_EQ(kavErrorOf([] { kavFileTextToFloat(u"x1"); }), u"'x1' is not a valid floating point value"_s);
}

// --- pictures from files never crash or hang ---------------------------------------------

// Every picture of up to three characters from the letters that mean something: the
// result is text or an EConvertError, and never longer than the picture allows.
TEST_F(FormatTest, EveryShortPictureIsSafe)
{
    const QString letters = u"0#.,;E+-'\"x%"_s;
    QList<QString> pictures{QString()};
    for (int len = 1; len <= 3; ++len) {
        QList<QString> longer;
        for (const QString &p : pictures)
            if (p.size() == len - 1)
                for (QChar c : letters)
                    longer.append(p + c);
        pictures += longer;
    }
    const QList<Variant> args{1, u"a"_s, 2.5};
    for (const QString &p : pictures) {
        SCOPED_TRACE(p.toStdString());
        for (double v : {0.0, -1234.5678, 1e-9, 9.87e17, std::nan("")})
            EXPECT_LE(FormatFloat(p, v).size(), 64);
        try {
            EXPECT_LE(Format(p, args).size(), 64);
        } catch (const EConvertError &) {
            // refused: fine
        }
    }
}
