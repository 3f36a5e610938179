#include "kavFormatSettings.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

const char16_t *const englishMonths[12] = {u"January", u"February", u"March", u"April",
                                           u"May", u"June", u"July", u"August",
                                           u"September", u"October", u"November", u"December"};
const char16_t *const englishDays[7] = {u"Sunday", u"Monday", u"Tuesday", u"Wednesday",
                                        u"Thursday", u"Friday", u"Saturday"};

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

int runLength(QStringView s, qsizetype i)
{
    qsizetype j = i;
    while (j < s.size() && s[j] == s[i])
        ++j;
    return int(j - i);
}

// The first character of a locale pattern that separates two fields.
QChar firstSeparator(QStringView pattern, QChar fallback)
{
    bool quoted = false;
    for (QChar c : pattern) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && !isAsciiLetter(c) && c != u' ' && c != u',')
            return c;
    }
    return fallback;
}

// A Qt date/time pattern ("dd.MM.yyyy", "h:mm AP") in our picture letters; sep is written
// as the picture's separator placeholder ("/" or ":").
QString fromQtPattern(QStringView qt, QChar sep, QChar placeholder)
{
    QString out;
    qsizetype i = 0;
    while (i < qt.size()) {
        const QChar c = qt[i];
        const int n = runLength(qt, i);
        if (c == u'\'') { // quoted literal; '' is a quote we cannot express, so it is dropped
            qsizetype j = i + 1;
            QString lit;
            while (j < qt.size() && qt[j] != u'\'')
                lit += qt[j++];
            if (!lit.isEmpty())
                out += u'"' + lit + u'"';
            i = j + 1;
            continue;
        }
        switch (c.unicode()) {
        case u'd': out += QString(qMin(n, 4), u'd'); break;
        case u'M': out += QString(qMin(n, 4), u'm'); break;
        case u'y': out += n <= 2 ? u"yy"_s : u"yyyy"_s; break;
        case u'h': case u'H': out += QString(qMin(n, 2), u'h'); break;
        case u'm': out += QString(qMin(n, 2), u'n'); break;
        case u's': out += QString(qMin(n, 2), u's'); break;
        case u'z': out += n >= 3 ? u"zzz"_s : u"z"_s; break;
        case u'a': case u'A':
            out += u"ampm"_s;
            if (i + 1 < qt.size() && (qt[i + 1] == u'p' || qt[i + 1] == u'P'))
                ++i; // "AP"
            i += 1;
            continue;
        case u't': // time zone: not part of our pictures
            while (out.endsWith(u' '))
                out.chop(1);
            break;
        default:
            if (c == sep)
                out += QString(n, placeholder);
            else if (isAsciiLetter(c) || c == u'/' || c == u':' || c == u'"')
                out += u'\'' + QString(n, c) + u'\'';
            else
                out += QString(n, c);
        }
        i += n;
    }
    return out.trimmed();
}

QString normalizeSpaces(QString s)
{
    s.replace(QChar(0x00A0), u' ');
    s.replace(QChar(0x202F), u' ');
    return s;
}

// Which of the positive (4) or negative (16) currency layouts the locale writes.
int matchCurrencyLayout(const QLocale &locale, const QString &symbol, bool negative)
{
    const QString written = normalizeSpaces(locale.toCurrencyString(negative ? -1.0 : 1.0, symbol, 0));
    const QString one = locale.toString(1);
    const QString plus[4] = {symbol + one, one + symbol, symbol + u' ' + one, one + u' ' + symbol};
    const QString minus[16] = {
        u'(' + symbol + one + u')',       u'-' + symbol + one,        symbol + u'-' + one,
        symbol + one + u'-',              u'(' + one + symbol + u')', u'-' + one + symbol,
        one + u'-' + symbol,              one + symbol + u'-',        u'-' + one + u' ' + symbol,
        u'-' + symbol + u' ' + one,       one + u' ' + symbol + u'-', symbol + u' ' + one + u'-',
        symbol + u' ' + u'-' + one,       one + u'-' + u' ' + symbol, u'(' + symbol + u' ' + one + u')',
        u'(' + one + u' ' + symbol + u')'};
    const QString *table = negative ? minus : plus;
    const int count = negative ? 16 : 4;
    for (int k = 0; k < count; ++k)
        if (table[k] == written)
            return k;
    return negative ? 1 : 0;
}

} // namespace

TFormatSettings TFormatSettings::Invariant()
{
    TFormatSettings fs;
    fs.ShortDateFormat = u"mm/dd/yyyy"_s;
    fs.LongDateFormat = u"dddd, mmmm d, yyyy"_s;
    fs.ShortTimeFormat = u"hh:nn"_s;
    fs.LongTimeFormat = u"hh:nn:ss"_s;
    fs.TimeAMString = u"AM"_s;
    fs.TimePMString = u"PM"_s;
    fs.CurrencyString = u"$"_s;
    for (int i = 0; i < 12; ++i) {
        fs.LongMonthNames[i] = QString::fromUtf16(englishMonths[i]);
        fs.ShortMonthNames[i] = fs.LongMonthNames[i].left(3);
    }
    for (int i = 0; i < 7; ++i) {
        fs.LongDayNames[i] = QString::fromUtf16(englishDays[i]);
        fs.ShortDayNames[i] = fs.LongDayNames[i].left(3);
    }
    return fs;
}

TFormatSettings TFormatSettings::FromLocale(const QLocale &locale)
{
    TFormatSettings fs = Invariant();
    if (locale.language() == QLocale::C) // "d MMM yyyy" could not be read back: numeric dates
        return fs;
    const QString point = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    fs.DecimalSeparator = point.isEmpty() ? QChar(u'.') : point.at(0);
    fs.ThousandSeparator = group.isEmpty() ? QChar() : group.at(0);

    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    const QString longTime = locale.timeFormat(QLocale::LongFormat);
    fs.DateSeparator = firstSeparator(shortDate, u'/');
    fs.TimeSeparator = firstSeparator(shortTime, u':');
    fs.ShortDateFormat = fromQtPattern(shortDate, fs.DateSeparator, u'/');
    fs.LongDateFormat = fromQtPattern(locale.dateFormat(QLocale::LongFormat), fs.DateSeparator, u'/');
    fs.ShortTimeFormat = fromQtPattern(shortTime, fs.TimeSeparator, u':');
    fs.LongTimeFormat = fromQtPattern(longTime, fs.TimeSeparator, u':');
    if (!locale.amText().isEmpty())
        fs.TimeAMString = locale.amText();
    if (!locale.pmText().isEmpty())
        fs.TimePMString = locale.pmText();

    const QString symbol = locale.currencySymbol();
    if (!symbol.isEmpty()) {
        fs.CurrencyString = symbol;
        fs.CurrencyFormat = quint8(matchCurrencyLayout(locale, symbol, false));
        fs.NegCurrFormat = quint8(matchCurrencyLayout(locale, symbol, true));
        const QString sample = locale.toCurrencyString(1.0, symbol);
        const qsizetype at = sample.lastIndexOf(fs.DecimalSeparator);
        int decimals = 0;
        for (qsizetype i = at + 1; at >= 0 && i < sample.size() && sample[i].isDigit(); ++i)
            ++decimals;
        fs.CurrencyDecimals = quint8(decimals);
    }

    for (int i = 0; i < 12; ++i) {
        fs.LongMonthNames[i] = locale.standaloneMonthName(i + 1, QLocale::LongFormat);
        fs.ShortMonthNames[i] = locale.standaloneMonthName(i + 1, QLocale::ShortFormat);
    }
    for (int i = 0; i < 7; ++i) {
        const int qtDay = i == 0 ? 7 : i; // Qt counts from Monday = 1
        fs.LongDayNames[i] = locale.dayName(qtDay, QLocale::LongFormat);
        fs.ShortDayNames[i] = locale.dayName(qtDay, QLocale::ShortFormat);
    }
    return fs;
}

TFormatSettings &FormatSettings()
{
    static TFormatSettings settings = TFormatSettings::FromLocale(QLocale::system());
    return settings;
}

TkavFormatSettingsGuard::TkavFormatSettingsGuard()
    : FSaved(FormatSettings())
{
}

TkavFormatSettingsGuard::TkavFormatSettingsGuard(const TFormatSettings &pinned)
    : FSaved(FormatSettings())
{
    FormatSettings() = pinned;
}

TkavFormatSettingsGuard::~TkavFormatSettingsGuard()
{
    FormatSettings() = FSaved;
}
