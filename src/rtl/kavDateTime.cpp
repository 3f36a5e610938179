#include "kavDateTime.h"

#include "kavExceptions.h"
#include "kavMath.h"
#include "kavLimits.h"

#include <QDateTime>

#include <cmath>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 msecsPerDay = 86400000;
// Day number of 30 December 1899 counted from 1 January 1970.
constexpr qint64 unixDayOfZero = -25569;
constexpr int minDay = -693593;  // 1 January 0001
constexpr int maxDay = 2958465;  // 31 December 9999

// Days since 1 January 1970 of a proleptic Gregorian date (any year).
qint64 daysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(qint64 z, int &y, int &m, int &d)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yoe + era * 400 + (m <= 2));
}

// The day and the milliseconds of the day of a value taken to the nearest millisecond;
// false outside years 1..9999 and for NaN.
bool splitDateTime(TDateTime value, qint64 &day, qint64 &msOfDay)
{
    if (!(value > minDay - 1.0 && value < maxDay + 1.0))
        return false;
    const qint64 ms = kavRound(value * double(msecsPerDay));
    day = ms / msecsPerDay; // towards zero: the fraction of a negative value is its time
    msOfDay = std::llabs(ms) % msecsPerDay;
    return day >= minDay && day <= maxDay;
}

TDateTime combine(qint64 day, qint64 msOfDay)
{
    const double time = double(msOfDay) / double(msecsPerDay);
    return day >= 0 ? double(day) + time : double(day) - time;
}

[[noreturn]] void convertError(const QString &pattern, const QString &s)
{
    kavRaise<EConvertError>(pattern.arg(s));
}

// ---------------------------------------------------------------------------------------
// FormatDateTime

class DateFormatter
{
public:
    DateFormatter(TDateTime value, const TFormatSettings &fs)
        : FSettings(fs)
    {
        DecodeDate(value, FYear, FMonth, FDay);
        DecodeTime(value, FHour, FMin, FSec, FMSec);
        FDayOfWeek = DayOfWeek(value);
    }

    void append(QStringView fmt, int level);
    QString FOut;

private:
    void number(int value, int digits) { FOut += QString::number(value).rightJustified(digits, u'0'); }
    bool twelveHourFollows(QStringView fmt, qsizetype from) const;
    qsizetype ampm(QStringView fmt, qsizetype at);
    static QString nameAt(const QString *names, int count, int index)
    {
        return index >= 1 && index <= count ? names[index - 1] : QString();
    }

    const TFormatSettings &FSettings;
    int FYear = 0, FMonth = 0, FDay = 0, FHour = 0, FMin = 0, FSec = 0, FMSec = 0, FDayOfWeek = 0;
};

bool startsWithCI(QStringView fmt, qsizetype at, QStringView word)
{
    return fmt.mid(at).startsWith(word, Qt::CaseInsensitive);
}

// Whether an am/pm marker comes before the next h (outside quotes).
bool DateFormatter::twelveHourFollows(QStringView fmt, qsizetype from) const
{
    bool quoted = false;
    for (qsizetype i = from; i < fmt.size(); ++i) {
        const QChar c = fmt[i];
        if (c == u'\'' || c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u'a' || c == u'A'))
            return startsWithCI(fmt, i, u"am/pm") || startsWithCI(fmt, i, u"a/p") || startsWithCI(fmt, i, u"ampm");
        else if (!quoted && (c == u'h' || c == u'H'))
            return false;
    }
    return false;
}

// The "a" tokens at position at; returns the position after them.
qsizetype DateFormatter::ampm(QStringView fmt, qsizetype at)
{
    const bool pm = FHour >= 12;
    if (startsWithCI(fmt, at, u"am/pm")) {
        FOut += fmt.mid(at + (pm ? 3 : 0), 2);
        return at + 5;
    }
    if (startsWithCI(fmt, at, u"a/p")) {
        FOut += fmt[at + (pm ? 2 : 0)];
        return at + 3;
    }
    if (startsWithCI(fmt, at, u"ampm")) {
        FOut += pm ? FSettings.TimePMString : FSettings.TimeAMString;
        return at + 4;
    }
    if (startsWithCI(fmt, at, u"aaaa")) {
        FOut += nameAt(FSettings.LongDayNames.data(), 7, FDayOfWeek);
        return at + 4;
    }
    if (startsWithCI(fmt, at, u"aaa")) {
        FOut += nameAt(FSettings.ShortDayNames.data(), 7, FDayOfWeek);
        return at + 3;
    }
    FOut += fmt[at];
    return at + 1;
}

void DateFormatter::append(QStringView fmt, int level)
{
    if (level >= 2) // patterns that name patterns: two levels, never endless
        return;
    QChar lastToken = u' ';
    qsizetype i = 0;
    while (i < fmt.size()) {
        // One letter may stand for a whole date: the text is capped as it grows.
        kavCheckStringLength(FOut.size());
        const QChar starter = fmt[i];
        qsizetype count = 1;
        while (i + count < fmt.size() && fmt[i + count] == starter)
            ++count;
        QChar token = starter.unicode() < 128 ? starter.toUpper() : starter;
        if (token >= u'A' && token <= u'Z') {
            if (token == u'M' && lastToken == u'H')
                token = u'N';
            lastToken = token;
        }
        qsizetype next = i + count;
        switch (token.unicode()) {
        case u'Y':
            if (count <= 2)
                number(FYear % 100, 2);
            else
                number(FYear, 4);
            break;
        case u'M':
            if (count <= 2)
                number(FMonth, int(count));
            else
                FOut += nameAt(count == 3 ? FSettings.ShortMonthNames.data() : FSettings.LongMonthNames.data(), 12, FMonth);
            break;
        case u'D':
            if (count <= 2)
                number(FDay, int(count));
            else if (count <= 4)
                FOut += nameAt(count == 3 ? FSettings.ShortDayNames.data() : FSettings.LongDayNames.data(), 7, FDayOfWeek);
            else
                append(count == 5 ? FSettings.ShortDateFormat : FSettings.LongDateFormat, level + 1);
            break;
        case u'H': {
            int hour = FHour;
            if (twelveHourFollows(fmt, next))
                hour = hour == 0 ? 12 : hour > 12 ? hour - 12 : hour;
            number(hour, int(qMin<qsizetype>(count, 2)));
            break;
        }
        case u'N':
            number(FMin, int(qMin<qsizetype>(count, 2)));
            break;
        case u'S':
            number(FSec, int(qMin<qsizetype>(count, 2)));
            break;
        case u'Z':
            number(FMSec, int(qMin<qsizetype>(count, 3)));
            break;
        case u'T':
            append(count == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, level + 1);
            break;
        case u'A':
            next = ampm(fmt, i);
            break;
        case u'C':
            append(FSettings.ShortDateFormat, level + 1);
            if (FHour != 0 || FMin != 0 || FSec != 0) {
                FOut += u' ';
                append(FSettings.LongTimeFormat, level + 1);
            }
            break;
        case u'/':
        case u':': {
            const QChar sep = token == u'/' ? FSettings.DateSeparator : FSettings.TimeSeparator;
            if (!sep.isNull())
                FOut += QString(count, sep);
            break;
        }
        case u'\'':
        case u'"': {
            qsizetype j = i + 1;
            while (j < fmt.size() && fmt[j] != starter)
                ++j;
            FOut += fmt.mid(i + 1, j - i - 1);
            next = j < fmt.size() ? j + 1 : j;
            break;
        }
        default:
            FOut += QString(count, starter);
        }
        i = next;
    }
}

// ---------------------------------------------------------------------------------------
// Reading dates and times

class DateScanner
{
public:
    DateScanner(QStringView s, const TFormatSettings &fs) : FText(s), FSettings(fs) {}

    bool atEnd() const { return FPos >= FText.size(); }
    bool date(TDateTime &value);
    bool time(TDateTime &value);
    qsizetype FPos = 0;

private:
    void blanks()
    {
        while (FPos < FText.size() && FText[FPos] == u' ')
            ++FPos;
    }
    bool number(int &value, int &digits);
    bool character(QChar c)
    {
        blanks();
        if (FPos < FText.size() && !c.isNull() && FText[FPos] == c) {
            ++FPos;
            return true;
        }
        return false;
    }
    bool word(const QString &w)
    {
        blanks();
        if (w.isEmpty() || !FText.mid(FPos).startsWith(w, Qt::CaseInsensitive))
            return false;
        FPos += w.size();
        return true;
    }
    int meridiem() // 0 am, 12 pm, -1 none
    {
        if (word(FSettings.TimeAMString) || word(u"AM"_s))
            return 0;
        if (word(FSettings.TimePMString) || word(u"PM"_s))
            return 12;
        return -1;
    }

    QStringView FText;
    const TFormatSettings &FSettings;
};

bool DateScanner::number(int &value, int &digits)
{
    blanks();
    qsizetype i = FPos;
    int n = 0;
    while (i < FText.size() && FText[i] >= u'0' && FText[i] <= u'9' && n < 1000) {
        n = n * 10 + (FText[i].unicode() - u'0');
        ++i;
    }
    if (i == FPos)
        return false;
    digits = int(i - FPos);
    FPos = i;
    value = n;
    return true;
}

enum DateOrder { doMDY, doDMY, doYMD };

DateOrder dateOrderOf(QStringView pattern)
{
    for (QChar c : pattern) {
        switch (c.toUpper().unicode()) {
        case u'Y': case u'E': return doYMD;
        case u'M': return doMDY;
        case u'D': return doDMY;
        default: break;
        }
    }
    return doMDY;
}

bool DateScanner::date(TDateTime &value)
{
    int n1 = 0, n2 = 0, n3 = 0, l1 = 0, l2 = 0, l3 = 0;
    const QChar sep = FSettings.DateSeparator;
    if (!(number(n1, l1) && character(sep) && number(n2, l2)))
        return false;
    const DateOrder order = dateOrderOf(FSettings.ShortDateFormat);
    const int currentYear = QDate::currentDate().year();
    int y = 0, m = 0, d = 0;
    if (character(sep)) {
        if (!number(n3, l3))
            return false;
        int yearDigits = l3;
        switch (order) {
        case doMDY: y = n3; m = n1; d = n2; break;
        case doDMY: y = n3; m = n2; d = n1; break;
        case doYMD: y = n1; m = n2; d = n3; yearDigits = l1; break;
        }
        if (yearDigits <= 2) {
            const int window = FSettings.TwoDigitYearCenturyWindow;
            const int centuryBase = currentYear - window;
            y += centuryBase / 100 * 100;
            if (window > 0 && y < centuryBase)
                y += 100;
        }
    } else {
        y = currentYear;
        m = order == doMDY ? n1 : n2;
        d = order == doMDY ? n2 : n1;
    }
    character(sep);
    blanks();
    return TryEncodeDate(y, m, d, value);
}

bool DateScanner::time(TDateTime &value)
{
    int base = meridiem();
    int hour = 0, min = 0, sec = 0, msec = 0, digits = 0;
    if (!number(hour, digits))
        return false;
    if (character(FSettings.TimeSeparator)) {
        if (!number(min, digits))
            return false;
        if (character(FSettings.TimeSeparator)) {
            if (!number(sec, digits))
                return false;
            if (character(FSettings.DecimalSeparator) && !number(msec, digits))
                return false;
        }
    }
    if (base < 0)
        base = meridiem();
    if (base >= 0) {
        if (hour == 0 || hour > 12)
            return false;
        hour = (hour == 12 ? 0 : hour) + base;
    }
    blanks();
    return TryEncodeTime(hour, min, sec, msec, value);
}

} // namespace

// ---------------------------------------------------------------------------------------

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime &date)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    date = double(daysFromCivil(year, month, day) - unixDayOfZero);
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime date = 0;
    if (!TryEncodeDate(year, month, day, date))
        kavRaise<EConvertError>(u"Invalid argument to date encode"_s);
    return date;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime &time)
{
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        return false;
    time = double(((qint64(hour) * 60 + min) * 60 + sec) * 1000 + msec) / double(msecsPerDay);
    return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec)
{
    TDateTime time = 0;
    if (!TryEncodeTime(hour, min, sec, msec, time))
        kavRaise<EConvertError>(u"Invalid argument to time encode"_s);
    return time;
}

void DecodeDate(TDateTime date, int &year, int &month, int &day)
{
    qint64 dayNumber = 0, ms = 0;
    year = month = day = 0;
    if (splitDateTime(date, dayNumber, ms))
        civilFromDays(dayNumber + unixDayOfZero, year, month, day);
}

void DecodeTime(TDateTime time, int &hour, int &min, int &sec, int &msec)
{
    qint64 dayNumber = 0, ms = 0;
    hour = min = sec = msec = 0;
    if (!splitDateTime(time, dayNumber, ms))
        return;
    msec = int(ms % 1000);
    sec = int(ms / 1000 % 60);
    min = int(ms / 60000 % 60);
    hour = int(ms / 3600000);
}

TDateTime Now()
{
    const QDateTime now = QDateTime::currentDateTime();
    return combine(now.date().toJulianDay() - QDate(1899, 12, 30).toJulianDay(), now.time().msecsSinceStartOfDay());
}

TDateTime Date()
{
    return double(QDate::currentDate().toJulianDay() - QDate(1899, 12, 30).toJulianDay());
}

TDateTime Time()
{
    return double(QTime::currentTime().msecsSinceStartOfDay()) / double(msecsPerDay);
}

int DayOfWeek(TDateTime date)
{
    qint64 dayNumber = 0, ms = 0;
    if (!splitDateTime(date, dayNumber, ms))
        return 0;
    const qint64 k = (dayNumber + 6) % 7; // 30 December 1899 was a Saturday
    return int(k < 0 ? k + 7 : k) + 1;
}

TDateTime IncMonth(TDateTime date, int months)
{
    qint64 dayNumber = 0, ms = 0;
    if (!splitDateTime(date, dayNumber, ms))
        kavRaise<EConvertError>(u"Invalid argument to date encode"_s);
    int y = 0, m = 0, d = 0;
    civilFromDays(dayNumber + unixDayOfZero, y, m, d);
    const qint64 monthIndex = qint64(y) * 12 + (m - 1) + months;
    const qint64 newYear = monthIndex >= 0 ? monthIndex / 12 : -1;
    const int newMonth = int(monthIndex - newYear * 12) + 1;
    if (newYear < 1 || newYear > 9999)
        kavRaise<EConvertError>(u"Invalid argument to date encode"_s);
    const int newDay = qMin(d, DaysInMonth(int(newYear), newMonth));
    return combine(qint64(EncodeDate(int(newYear), newMonth, newDay)), ms);
}

QString FormatDateTime(const QString &fmt, TDateTime value, const TFormatSettings &fs)
{
    DateFormatter formatter(value, fs);
    formatter.append(fmt.isEmpty() ? QStringView(u"c") : QStringView(fmt), 0);
    kavCheckStringLength(formatter.FOut.size());
    return formatter.FOut;
}

QString DateToStr(TDateTime value, const TFormatSettings &fs)
{
    return FormatDateTime(u"ddddd"_s, value, fs);
}

QString TimeToStr(TDateTime value, const TFormatSettings &fs)
{
    return FormatDateTime(u"tt"_s, value, fs);
}

QString DateTimeToStr(TDateTime value, const TFormatSettings &fs)
{
    return FormatDateTime(u"c"_s, value, fs);
}

bool TryStrToDate(const QString &s, TDateTime &value, const TFormatSettings &fs)
{
    DateScanner scan(s, fs);
    return scan.date(value) && scan.atEnd();
}

bool TryStrToTime(const QString &s, TDateTime &value, const TFormatSettings &fs)
{
    DateScanner scan(s, fs);
    return scan.time(value) && scan.atEnd();
}

bool TryStrToDateTime(const QString &s, TDateTime &value, const TFormatSettings &fs)
{
    DateScanner scan(s, fs);
    TDateTime date = 0;
    TDateTime time = 0;
    // A date, optionally followed by a time; the whole text must be used.
    if (scan.date(date) && (scan.atEnd() || (scan.time(time) && scan.atEnd()))) {
        value = date >= 0 ? date + time : date - time;
        return true;
    }
    return TryStrToTime(s, value, fs);
}

TDateTime StrToDate(const QString &s, const TFormatSettings &fs)
{
    TDateTime value = 0;
    if (!TryStrToDate(s, value, fs))
        convertError(u"'%1' is not a valid date"_s, s);
    return value;
}

TDateTime StrToTime(const QString &s, const TFormatSettings &fs)
{
    TDateTime value = 0;
    if (!TryStrToTime(s, value, fs))
        convertError(u"'%1' is not a valid time"_s, s);
    return value;
}

TDateTime StrToDateTime(const QString &s, const TFormatSettings &fs)
{
    TDateTime value = 0;
    if (!TryStrToDateTime(s, value, fs))
        convertError(u"'%1' is not a valid date and time"_s, s);
    return value;
}
