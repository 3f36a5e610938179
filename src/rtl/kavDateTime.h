#pragma once

// Dates and times as TDateTime: days since 30 December 1899 in the integer part, the time
// of day as a fraction. A negative value's fraction counts forward from its day
// (-1.25 is 29 December 1899, 06:00). Encoding, decoding, the FormatDateTime picture
// language and the locale's date and time texts (FormatSettings()).

#include "kavFormatSettings.h"

#include <QString>

using TDateTime = double;

// Years 1..9999. EConvertError "Invalid argument to date encode" / "... time encode".
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime &date);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime &time);
// Values are taken to the nearest millisecond first. A value outside years 1..9999 (or
// NaN) decodes to all zeros.
void DecodeDate(TDateTime date, int &year, int &month, int &day);
void DecodeTime(TDateTime time, int &hour, int &min, int &sec, int &msec);

TDateTime Now();
TDateTime Date();
TDateTime Time();
// 1 for Sunday through 7 for Saturday (0 for a value that does not decode).
int DayOfWeek(TDateTime date);
bool IsLeapYear(int year);
// 0 for a month outside 1..12.
int DaysInMonth(int year, int month);
// The same day months later, clipped to the end of a shorter month; the time is kept.
TDateTime IncMonth(TDateTime date, int months = 1);

// Picture letters (any case; a run of the same character counts): d dd (day), ddd dddd
// (day names), ddddd (ShortDateFormat), dddddd (LongDateFormat), m mm (month; minutes
// right after an h), mmm mmmm (month names), yy yyyy, h hh, n nn, s ss, z zzz, t (short
// time), tt (long time), am/pm a/p (as written), ampm (TimeAMString/TimePMString; any of
// the three switches h to 12 hours), c (short date, plus long time unless it is
// midnight), "/" DateSeparator, ":" TimeSeparator, '...' and "..." literal text. An empty
// picture is "c". Patterns nest at most two levels deep.
QString FormatDateTime(const QString &fmt, TDateTime value, const TFormatSettings &fs = FormatSettings());
QString DateToStr(TDateTime value, const TFormatSettings &fs = FormatSettings());     // "ddddd"
QString TimeToStr(TDateTime value, const TFormatSettings &fs = FormatSettings());     // "tt"
QString DateTimeToStr(TDateTime value, const TFormatSettings &fs = FormatSettings()); // "c"

// Reading: numbers separated by DateSeparator in the order of ShortDateFormat (two numbers:
// the current year; a year of one or two digits follows TwoDigitYearCenturyWindow);
// times h[:n[:s[.z]]] with TimeSeparator and AM/PM (the settings' or English) before or
// after. EConvertError "'%s' is not a valid date", "'%s' is not a valid time",
// "'%s' is not a valid date and time".
TDateTime StrToDate(const QString &s, const TFormatSettings &fs = FormatSettings());
TDateTime StrToTime(const QString &s, const TFormatSettings &fs = FormatSettings());
TDateTime StrToDateTime(const QString &s, const TFormatSettings &fs = FormatSettings());
bool TryStrToDate(const QString &s, TDateTime &value, const TFormatSettings &fs = FormatSettings());
bool TryStrToTime(const QString &s, TDateTime &value, const TFormatSettings &fs = FormatSettings());
bool TryStrToDateTime(const QString &s, TDateTime &value, const TFormatSettings &fs = FormatSettings());
