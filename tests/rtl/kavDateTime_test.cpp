// Dates and times: encode/decode edges (leap years, the zero day, negative dates), the
// FormatDateTime pictures under "." and "," settings, the locale texts and reading them.
#include "kavTestSupport.h"

#include <gtest/gtest.h>

#include "rtl/kavDateTime.h"
#include "rtl/kavExceptions.h"
#include "rtl/kavFormatSettings.h"

#include <QDate>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

TFormatSettings periodSettings()
{
    return TFormatSettings::Invariant(); // mm/dd/yyyy, hh:nn:ss
}

struct Ymd { int y, m, d; };
struct Hnsz { int h, n, s, z; };

Ymd decodeDate(TDateTime v)
{
    Ymd r{};
    DecodeDate(v, r.y, r.m, r.d);
    return r;
}

Hnsz decodeTime(TDateTime v)
{
    Hnsz r{};
    DecodeTime(v, r.h, r.n, r.s, r.z);
    return r;
}

bool operator==(Ymd a, Ymd b) { return a.y == b.y && a.m == b.m && a.d == b.d; }
bool operator==(Hnsz a, Hnsz b) { return a.h == b.h && a.n == b.n && a.s == b.s && a.z == b.z; }
std::ostream &operator<<(std::ostream &os, Ymd v) { return os << v.y << '-' << v.m << '-' << v.d; }
std::ostream &operator<<(std::ostream &os, Hnsz v) { return os << v.h << ':' << v.n << ':' << v.s << '.' << v.z; }

class DateTimeTest : public ::testing::Test
{
protected:
    TkavFormatSettingsGuard FGuard{periodSettings()};
};

} // namespace

// --- encode / decode ------------------------------------------------------------------

TEST(DateEncodeTest, DayNumbers)
{
    struct Row { int y, m, d; double day; };
    const Row rows[] = {
        {1899, 12, 30, 0},     {1899, 12, 31, 1},      {1900, 1, 1, 2},       {1899, 12, 29, -1},
        {1900, 3, 1, 61},      // 1900 is no leap year: Jan 31 + Feb 28 after day 2
        {2000, 1, 1, 36526},   // 1900..1999: 100 years, 24 leap days
        {2000, 3, 1, 36586},   // 2000 is a leap year: 31 + 29
        {1, 1, 1, -693593},    {9999, 12, 31, 2958465},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.day);
        EXPECT_EQ(EncodeDate(r.y, r.m, r.d), r.day);
        EXPECT_EQ(decodeDate(r.day), (Ymd{r.y, r.m, r.d}));
    }
}

TEST(DateEncodeTest, InvalidDatesAndTimes)
{
    struct Row { int y, m, d; };
    const Row bad[] = {{2021, 2, 29}, {1900, 2, 29}, {0, 1, 1}, {10000, 1, 1}, {2020, 13, 1},
                       {2020, 0, 1},  {2020, 4, 31}, {2020, 1, 0}};
    for (const Row &r : bad) {
        SCOPED_TRACE(r.y * 10000 + r.m * 100 + r.d);
        TDateTime v = 0;
        EXPECT_FALSE(TryEncodeDate(r.y, r.m, r.d, v));
        EXPECT_EQ(kavErrorOf([&] { EncodeDate(r.y, r.m, r.d); }), u"Invalid argument to date encode"_s);
    }
    TDateTime v = 0;
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, v));
    EXPECT_TRUE(TryEncodeDate(2020, 2, 29, v));
    EXPECT_EQ(kavErrorOf([] { EncodeTime(24, 0, 0, 0); }), u"Invalid argument to time encode"_s);
    EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, v));
    EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, v));
    EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, v));
    EXPECT_FALSE(TryEncodeTime(-1, 0, 0, 0, v));
}

TEST(DateEncodeTest, TimeFractions)
{
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    EXPECT_EQ(EncodeTime(0, 0, 0, 1), 1.0 / 86400000.0);
    EXPECT_EQ(decodeTime(EncodeTime(12, 30, 15, 500)), (Hnsz{12, 30, 15, 500}));
    EXPECT_EQ(decodeTime(EncodeTime(23, 59, 59, 999)), (Hnsz{23, 59, 59, 999}));
}

TEST(DateEncodeTest, NegativeDatesCountTheirTimeForward)
{
    EXPECT_EQ(decodeDate(-1.25), (Ymd{1899, 12, 29}));
    EXPECT_EQ(decodeTime(-1.25), (Hnsz{6, 0, 0, 0}));
    EXPECT_EQ(decodeDate(-0.5), (Ymd{1899, 12, 30}));
    EXPECT_EQ(decodeTime(-0.5), (Hnsz{12, 0, 0, 0}));
    EXPECT_EQ(decodeDate(-1.75), (Ymd{1899, 12, 29}));
    EXPECT_EQ(decodeTime(-1.75), (Hnsz{18, 0, 0, 0}));
}

TEST(DateEncodeTest, MillisecondRoundingAndOutOfRange)
{
    // 0.99999999999 days is 86399999.999 ms: the next midnight.
    EXPECT_EQ(decodeDate(0.99999999999), (Ymd{1899, 12, 31}));
    EXPECT_EQ(decodeTime(0.99999999999), (Hnsz{0, 0, 0, 0}));
    const double bad[] = {1e10, -1e10, 2958466.0, -693594.0, std::nan(""), INFINITY};
    for (double v : bad) {
        SCOPED_TRACE(v);
        EXPECT_EQ(decodeDate(v), (Ymd{0, 0, 0}));
        EXPECT_EQ(DayOfWeek(v), 0);
    }
}

TEST(DateEncodeTest, CalendarHelpers)
{
    struct Leap { int year; bool leap; };
    const Leap leaps[] = {{1900, false}, {2000, true}, {2024, true}, {2023, false}, {1600, true}, {4, true}};
    for (const Leap &l : leaps)
        EXPECT_EQ(IsLeapYear(l.year), l.leap) << l.year;

    struct Dim { int y, m, days; };
    const Dim dims[] = {{2024, 2, 29}, {2023, 2, 28}, {1900, 2, 28}, {2000, 2, 29},
                        {2023, 4, 30}, {2023, 12, 31}, {2023, 13, 0}, {2023, 0, 0}};
    for (const Dim &d : dims)
        EXPECT_EQ(DaysInMonth(d.y, d.m), d.days) << d.y << '-' << d.m;

    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 1, 1)), 2); // a Monday
    EXPECT_EQ(DayOfWeek(0), 7);                      // 30 Dec 1899, a Saturday
    EXPECT_EQ(DayOfWeek(-1.25), 6);                  // 29 Dec 1899, a Friday
    EXPECT_EQ(DayOfWeek(EncodeDate(2006, 12, 5) + 0.9), 3); // a Tuesday
}

TEST(DateEncodeTest, IncMonthClipsAndKeepsTime)
{
    EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 31)), EncodeDate(2024, 2, 29));
    EXPECT_EQ(IncMonth(EncodeDate(2023, 1, 31), 1), EncodeDate(2023, 2, 28));
    EXPECT_EQ(IncMonth(EncodeDate(2024, 3, 15) + 0.25, -3), EncodeDate(2023, 12, 15) + 0.25);
    EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 15), 12), EncodeDate(2025, 1, 15));
    EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 15), -13), EncodeDate(2022, 12, 15));
    EXPECT_EQ(IncMonth(-1.25, 1), EncodeDate(1900, 1, 29) + 0.25);
    EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
}

TEST(DateEncodeTest, ClockFunctionsAgree)
{
    const QDate qd = QDate::currentDate();
    const TDateTime today = Date();
    const TDateTime now = Now();
    const TDateTime time = Time();
    EXPECT_EQ(today, std::floor(today));
    EXPECT_GE(time, 0.0);
    EXPECT_LT(time, 1.0);
    if (QDate::currentDate() == qd) { // not across midnight
        EXPECT_EQ(decodeDate(today), (Ymd{qd.year(), qd.month(), qd.day()}));
        EXPECT_EQ(std::floor(now), today);
    }
}

// --- FormatDateTime ------------------------------------------------------------------

TEST_F(DateTimeTest, FormatDateTimePictures)
{
    // Tuesday 5 December 2006, 14:07:09.045
    const TDateTime v = EncodeDate(2006, 12, 5) + EncodeTime(14, 7, 9, 45);
    struct Row { const char16_t *fmt; const char16_t *period; const char16_t *comma; };
    const Row rows[] = {
        {u"yyyy-mm-dd", u"2006-12-05", u"2006-12-05"},
        {u"d/m/yy", u"5/12/06", u"5.12.06"},
        {u"dd.mm.yyyy", u"05.12.2006", u"05.12.2006"},
        {u"y yyy", u"06 2006", u"06 2006"},
        {u"ddd dddd", u"Tue Tuesday", u"Tue Tuesday"},
        {u"mmm mmmm", u"Dec December", u"Dec December"},
        {u"hh:nn:ss.zzz", u"14:07:09.045", u"14:07:09.045"},
        {u"z", u"45", u"45"},
        {u"h:mm", u"14:07", u"14:07"},                   // m right after h: minutes
        {u"hh 'h' mm", u"14 h 07", u"14 h 07"},
        {u"mm/dd hh", u"12/05 14", u"12.05 14"},
        {u"hh:mm am/pm", u"02:07 pm", u"02:07 pm"},
        {u"h:nn AM/PM", u"2:07 PM", u"2:07 PM"},
        {u"h:nn a/p", u"2:07 p", u"2:07 p"},
        {u"h ampm", u"2 PM", u"2 PM"},
        {u"ddddd", u"12/05/2006", u"05.12.2006"},
        {u"dddddd", u"Tuesday, December 5, 2006", u"5. December 2006"},
        {u"c", u"12/05/2006 14:07:09", u"05.12.2006 14:07:09"},
        {u"", u"12/05/2006 14:07:09", u"05.12.2006 14:07:09"},
        {u"t|tt", u"14:07|14:07:09", u"14:07|14:07:09"},
        {u"'Day' d \"of\" mmmm", u"Day 5 of December", u"Day 5 of December"},
        {u"'unclosed d", u"unclosed d", u"unclosed d"},
        {u"[x] #", u"[x] #", u"[x] #"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(QString::fromUtf16(r.fmt).toStdString());
        EXPECT_EQ(FormatDateTime(QString::fromUtf16(r.fmt), v, periodSettings()), QString::fromUtf16(r.period));
        EXPECT_EQ(FormatDateTime(QString::fromUtf16(r.fmt), v, kavCommaSettings()), QString::fromUtf16(r.comma));
    }
}

TEST_F(DateTimeTest, TwelveHourClockEdges)
{
    struct Row { int h; const char16_t *text; };
    const Row rows[] = {{0, u"12:05 am"}, {11, u"11:05 am"}, {12, u"12:05 pm"}, {23, u"11:05 pm"}};
    for (const Row &r : rows)
        EXPECT_EQ(FormatDateTime(u"h:nn am/pm"_s, EncodeTime(r.h, 5, 0, 0)), QString::fromUtf16(r.text)) << r.h;
    EXPECT_EQ(FormatDateTime(u"hh 'am/pm'"_s, EncodeTime(15, 0, 0, 0)), u"15 am/pm"_s); // quoted: 24 h
}

TEST_F(DateTimeTest, SelfReferringPatternsEnd)
{
    TFormatSettings fs = periodSettings();
    fs.ShortDateFormat = u"ddddd"_s;
    fs.LongTimeFormat = u"c tt"_s;
    EXPECT_EQ(FormatDateTime(u"ddddd"_s, 1.0, fs), QString());
    // "c" -> "" + " " + ("c tt" one level down: "" + " " + "" + " " + "")
    EXPECT_EQ(FormatDateTime(u"c"_s, 1.5, fs), u"   "_s);
}

TEST_F(DateTimeTest, LocaleTexts)
{
    const TDateTime d = EncodeDate(2006, 12, 5);
    EXPECT_EQ(DateToStr(d), u"12/05/2006"_s);
    EXPECT_EQ(DateTimeToStr(d), u"12/05/2006"_s);                         // no time at midnight
    EXPECT_EQ(DateTimeToStr(d + EncodeTime(0, 0, 0, 500)), u"12/05/2006"_s); // milliseconds only
    EXPECT_EQ(DateTimeToStr(d + EncodeTime(0, 0, 1, 0)), u"12/05/2006 00:00:01"_s);
    EXPECT_EQ(TimeToStr(EncodeTime(9, 5, 3, 0)), u"09:05:03"_s);
    EXPECT_EQ(DateToStr(0), u"12/30/1899"_s);
    EXPECT_EQ(DateToStr(-1.25), u"12/29/1899"_s);
    EXPECT_EQ(TimeToStr(-1.25), u"06:00:00"_s);
    TkavFormatSettingsGuard guard(kavCommaSettings());
    EXPECT_EQ(DateToStr(d), u"05.12.2006"_s);
    EXPECT_EQ(DateTimeToStr(d + 0.5), u"05.12.2006 12:00:00"_s);
}

// --- reading ---------------------------------------------------------------------------

TEST_F(DateTimeTest, StrToDateBothOrders)
{
    struct Row { const char16_t *period; const char16_t *comma; int y, m, d; };
    const Row rows[] = {
        {u"12/05/2006", u"05.12.2006", 2006, 12, 5},
        {u" 1/2/2024 ", u" 2.1.2024 ", 2024, 1, 2},
        {u"2/29/2024", u"29.2.2024", 2024, 2, 29},
        {u"12/05/2006/", u"05.12.2006.", 2006, 12, 5},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.y * 10000 + r.m * 100 + r.d);
        EXPECT_EQ(StrToDate(QString::fromUtf16(r.period), periodSettings()), EncodeDate(r.y, r.m, r.d));
        EXPECT_EQ(StrToDate(QString::fromUtf16(r.comma), kavCommaSettings()), EncodeDate(r.y, r.m, r.d));
    }
    TFormatSettings ymd = periodSettings();
    ymd.ShortDateFormat = u"yyyy/mm/dd"_s;
    ymd.DateSeparator = u'-';
    EXPECT_EQ(StrToDate(u"2024-02-29"_s, ymd), EncodeDate(2024, 2, 29));
}

TEST_F(DateTimeTest, StrToDateShortForms)
{
    const int year = QDate::currentDate().year();
    EXPECT_EQ(StrToDate(u"12/5"_s), EncodeDate(year, 12, 5));
    EXPECT_EQ(StrToDate(u"5.12"_s, kavCommaSettings()), EncodeDate(year, 12, 5));

    // Two-digit years: within TwoDigitYearCenturyWindow years before the current year.
    const int base = year - 50;
    auto expand = [&](int yy) {
        int y = yy + base / 100 * 100;
        return y < base ? y + 100 : y;
    };
    for (int yy : {0, 5, 49, 50, 75, 76, 99})
        EXPECT_EQ(StrToDate(u"1/2/%1"_s.arg(yy, 2, 10, QChar(u'0'))), EncodeDate(expand(yy), 1, 2)) << yy;
    TFormatSettings noWindow = periodSettings();
    noWindow.TwoDigitYearCenturyWindow = 0;
    EXPECT_EQ(StrToDate(u"1/2/05"_s, noWindow), EncodeDate(year / 100 * 100 + 5, 1, 2));
}

TEST_F(DateTimeTest, StrToDateErrors)
{
    const char16_t *bad[] = {u"2/30/2024", u"abc", u"12/05/2006x", u"", u"12", u"12/", u"13/01/2006",
                             u"12-05-2006", u"99999/1/1"};
    for (const char16_t *text : bad) {
        const QString s = QString::fromUtf16(text);
        SCOPED_TRACE(s.toStdString());
        TDateTime v = 0;
        EXPECT_FALSE(TryStrToDate(s, v));
        EXPECT_EQ(kavErrorOf([&] { StrToDate(s); }), u"'%1' is not a valid date"_s.arg(s));
    }
}

TEST_F(DateTimeTest, StrToTimeForms)
{
    struct Row { const char16_t *text; int h, n, s, z; };
    const Row rows[] = {
        {u"14:07:09", 14, 7, 9, 0},  {u"14:07", 14, 7, 0, 0},    {u"9", 9, 0, 0, 0},
        {u"2:07 PM", 14, 7, 0, 0},   {u"2:07 pm", 14, 7, 0, 0},  {u"12:00 AM", 0, 0, 0, 0},
        {u"12:30 PM", 12, 30, 0, 0}, {u"AM 9:30", 9, 30, 0, 0},  {u"14:07:09.045", 14, 7, 9, 45},
        {u" 8 : 05 ", 8, 5, 0, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(QString::fromUtf16(r.text).toStdString());
        EXPECT_EQ(StrToTime(QString::fromUtf16(r.text)), EncodeTime(r.h, r.n, r.s, r.z));
    }
    EXPECT_EQ(StrToTime(u"14:07:09,045"_s, kavCommaSettings()), EncodeTime(14, 7, 9, 45));

    const char16_t *bad[] = {u"25:00", u"13:00 PM", u"0:30 AM", u"14:", u"14:60", u"x", u"", u"14:07:09.045.1"};
    for (const char16_t *text : bad) {
        const QString s = QString::fromUtf16(text);
        SCOPED_TRACE(s.toStdString());
        EXPECT_EQ(kavErrorOf([&] { StrToTime(s); }), u"'%1' is not a valid time"_s.arg(s));
    }
}

TEST_F(DateTimeTest, StrToDateTimeForms)
{
    EXPECT_EQ(StrToDateTime(u"12/05/2006 14:07"_s), EncodeDate(2006, 12, 5) + EncodeTime(14, 7, 0, 0));
    EXPECT_EQ(StrToDateTime(u"12/05/2006"_s), EncodeDate(2006, 12, 5));
    EXPECT_EQ(StrToDateTime(u"14:07"_s), EncodeTime(14, 7, 0, 0));
    EXPECT_EQ(StrToDateTime(u"12/29/1899 06:00"_s), -1.25); // a negative day keeps its time forward
    EXPECT_EQ(StrToDateTime(u"05.12.2006 14:07:09"_s, kavCommaSettings()),
              EncodeDate(2006, 12, 5) + EncodeTime(14, 7, 9, 0));
    // Trailing text after the time is refused, not dropped.
    const QString junk = u"12/05/2006 14:07 junk"_s;
    EXPECT_EQ(kavErrorOf([&] { StrToDateTime(junk); }), u"'%1' is not a valid date and time"_s.arg(junk));
    TDateTime v = 0;
    EXPECT_FALSE(TryStrToDateTime(u"12/05/2006 25:00"_s, v));
}

TEST_F(DateTimeTest, RoundTripThroughLocaleTexts)
{
    for (const TFormatSettings &fs : {periodSettings(), kavCommaSettings()}) {
        const TDateTime v = EncodeDate(2031, 7, 19) + EncodeTime(8, 9, 10, 0);
        EXPECT_EQ(StrToDateTime(DateTimeToStr(v, fs), fs), v);
        EXPECT_EQ(StrToDate(DateToStr(v, fs), fs), EncodeDate(2031, 7, 19));
    }
}

// Every picture of up to three characters from the letters that mean something gives a
// bounded text for valid, negative and undecodable values.
TEST_F(DateTimeTest, EveryShortPictureIsSafe)
{
    const QString letters = u"dmyhnsztac/:'\"pP"_s;
    QList<QString> pictures{QString()};
    for (int len = 1; len <= 3; ++len) {
        QList<QString> longer;
        for (const QString &p : pictures)
            if (p.size() == len - 1)
                for (QChar c : letters)
                    longer.append(p + c);
        pictures += longer;
    }
    for (const QString &p : pictures) {
        SCOPED_TRACE(p.toStdString());
        for (double v : {0.0, 39056.588, -1.25, 1e12, std::nan("")})
            EXPECT_LE(FormatDateTime(p, v).size(), 200);
    }
}

// A picture whose letters stand for long texts builds a string like any other: past the
// string cap it fails instead of growing on.
TEST(DateFormatCapTest, PicturesThatMultiplyStopAtTheStringCap)
{
    TFormatSettings fs = TFormatSettings::Invariant();
    fs.LongDayNames.fill(QString(qsizetype(1) << 20, u'x'));
    EXPECT_EQ(FormatDateTime(u"dddd"_s, 1.0, fs).size(), qsizetype(1) << 20);
    EXPECT_THROW(FormatDateTime(u"dddd "_s.repeated(300), 1.0, fs), EVariantError);
}
