#pragma once

// TFormatSettings: the separators, date and time patterns, names and currency layout every
// number and date text of the program follows. One process-wide instance, taken from the
// system locale on first use and settable; TkavFormatSettingsGuard pins it for a scope.

#include <QChar>
#include <QString>

#include <array>

class QLocale;

struct TFormatSettings
{
    QChar DecimalSeparator = u'.';
    QChar ThousandSeparator = u','; // a null QChar: no grouping
    QChar DateSeparator = u'/';     // what "/" in a date pattern writes and what dates are read with
    QChar TimeSeparator = u':';     // what ":" in a time pattern writes
    QString ShortDateFormat;        // date pattern (FormatDateTime letters), e.g. "mm/dd/yyyy"
    QString LongDateFormat;
    QString ShortTimeFormat;
    QString LongTimeFormat;
    QString TimeAMString;
    QString TimePMString;
    QString CurrencyString;
    quint8 CurrencyFormat = 0;   // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    quint8 NegCurrFormat = 0;    // 0..15: "($1)", "-$1", "$-1", "$1-", "(1$)" ... "(1 $)"
    quint8 CurrencyDecimals = 2;
    std::array<QString, 12> ShortMonthNames; // [0] is January
    std::array<QString, 12> LongMonthNames;
    std::array<QString, 7> ShortDayNames;    // [0] is Sunday
    std::array<QString, 7> LongDayNames;
    int TwoDigitYearCenturyWindow = 50; // two-digit years within this many years before now
                                        // (0: the current century)

    // Fixed English settings, independent of the machine: "." decimal, "," thousands,
    // "/" and ":" separators, "mm/dd/yyyy", "dddd, mmmm d, yyyy", "hh:nn", "hh:nn:ss",
    // "AM"/"PM", "$" with 2 decimals and the formats 0/0, English names, window 50.
    static TFormatSettings Invariant();
    // Settings translated from a locale (separators, patterns, names, currency); the C
    // locale gives Invariant(), whose dates can be read back.
    static TFormatSettings FromLocale(const QLocale &locale);
};

// The process-wide settings; initialised from QLocale::system() on first use. Writable:
// changing a field changes every later formatting call that does not pass its own.
TFormatSettings &FormatSettings();

// Pins the process-wide settings for a scope and restores the previous ones on exit.
class TkavFormatSettingsGuard
{
public:
    TkavFormatSettingsGuard();                                  // keep the current ones
    explicit TkavFormatSettingsGuard(const TFormatSettings &pinned); // install pinned
    ~TkavFormatSettingsGuard();
    TkavFormatSettingsGuard(const TkavFormatSettingsGuard &) = delete;
    TkavFormatSettingsGuard &operator=(const TkavFormatSettingsGuard &) = delete;

private:
    TFormatSettings FSaved;
};
