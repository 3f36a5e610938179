#include "kavFormat.h"

#include "kavExceptions.h"
#include "kavLimits.h"
#include "kavVariant.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <string>

using namespace Qt::StringLiterals;

namespace {

// ---------------------------------------------------------------------------------------
// Decimal digits of a number: value = 0.D1D2...Dn * 10^Exponent. Digits has no leading or
// trailing zeros and is empty for zero.

struct DecimalDigits
{
    enum Kind { Finite, NotANumber, PlusInfinity, MinusInfinity };
    Kind kind = Finite;
    bool negative = false;
    std::string digits;
    int exponent = 0;
    int precisionLimit = 18; // significant digits the source holds (currency: 19)

    bool isZero() const { return kind == Finite && digits.empty(); }
    bool isSpecial() const { return kind != Finite; }
};

void stripTrailingZeros(DecimalDigits &d)
{
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.exponent = 0;
}

// The exact binary value to 18 significant digits; all later rounding works on these.
DecimalDigits digitsOf(double value)
{
    DecimalDigits d;
    if (std::isnan(value)) {
        d.kind = DecimalDigits::NotANumber;
        return d;
    }
    if (std::isinf(value)) {
        d.kind = value > 0 ? DecimalDigits::PlusInfinity : DecimalDigits::MinusInfinity;
        return d;
    }
    d.negative = std::signbit(value);
    if (value == 0)
        return d;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 17);
    const std::string_view text(buf, size_t(res.ptr - buf)); // "d.ddddddddddddddddde+XX"
    const size_t e = text.find('e');
    d.digits.push_back(text[0]);
    d.digits.append(text.substr(2, e - 2));
    int exp10 = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(), exp10);
    d.exponent = exp10 + 1;
    stripTrailingZeros(d);
    return d;
}

DecimalDigits digitsOfInteger(qint64 value)
{
    DecimalDigits d;
    d.negative = value < 0;
    const quint64 magnitude = d.negative ? 0 - quint64(value) : quint64(value);
    if (magnitude == 0)
        return d;
    d.digits = std::to_string(magnitude);
    d.exponent = int(d.digits.size());
    stripTrailingZeros(d);
    return d;
}

// Currency is exact: all its 19 digits count.
DecimalDigits digitsOf(TkavCurrency value)
{
    DecimalDigits d = digitsOfInteger(value.Units);
    d.precisionLimit = 19;
    if (!d.isZero())
        d.exponent -= 4;
    return d;
}

// Keeps at most precision significant digits and decimals digits after the point, the
// dropped part rounded half away from zero.
void roundDigits(DecimalDigits &d, int precision, int decimals)
{
    if (d.isSpecial())
        return;
    const long keep = std::min<long>(precision, long(d.exponent) + decimals);
    if (keep >= long(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits.clear();
        d.exponent = 0;
        return;
    }
    const bool up = d.digits[size_t(keep)] >= '5';
    d.digits.resize(size_t(keep));
    if (up) {
        while (!d.digits.empty() && d.digits.back() == '9')
            d.digits.pop_back();
        if (d.digits.empty()) {
            d.digits.assign(1, '1');
            d.exponent += 1;
        } else {
            d.digits.back() = char(d.digits.back() + 1);
        }
    }
    stripTrailingZeros(d);
}

QChar digitAt(const DecimalDigits &d, long index)
{
    return index >= 0 && index < long(d.digits.size()) ? QChar(d.digits[size_t(index)]) : QChar(u'0');
}

QString specialText(const DecimalDigits &d)
{
    switch (d.kind) {
    case DecimalDigits::NotANumber: return u"NAN"_s;
    case DecimalDigits::PlusInfinity: return u"INF"_s;
    case DecimalDigits::MinusInfinity: return u"-INF"_s;
    case DecimalDigits::Finite: break;
    }
    return {};
}

QString signOf(const DecimalDigits &d)
{
    return d.negative && !d.isZero() ? u"-"_s : QString();
}

QString paddedNumber(quint64 n, int minDigits, int base = 10)
{
    QString s = QString::number(n, base).toUpper();
    if (s.size() < minDigits)
        s.prepend(QString(minDigits - s.size(), u'0'));
    return s;
}

QString exponentPart(int exp10, int minDigits, bool plusSign)
{
    QString s = u"E"_s;
    if (exp10 < 0)
        s += u'-';
    else if (plusSign)
        s += u'+';
    return s + paddedNumber(quint64(std::abs(exp10)), std::clamp(minDigits, 0, 4));
}

// Integer digits in groups of three from the right.
QString grouped(const QString &intDigits, QChar separator)
{
    if (separator.isNull())
        return intDigits;
    QString out;
    for (qsizetype i = 0; i < intDigits.size(); ++i) {
        out += intDigits[i];
        const qsizetype left = intDigits.size() - i - 1;
        if (left > 0 && left % 3 == 0)
            out += separator;
    }
    return out;
}

// d already rounded to precision significant digits.
QString generalText(const DecimalDigits &d, int precision, int expDigits, QChar decimal)
{
    if (d.isSpecial())
        return specialText(d);
    if (d.isZero())
        return u"0"_s;
    QString out = signOf(d);
    const long count = long(d.digits.size());
    if (d.exponent > precision || d.exponent < -3) {
        out += QChar(d.digits[0]);
        if (count > 1)
            out += decimal + QString::fromLatin1(d.digits.data() + 1, qsizetype(count - 1));
        return out + exponentPart(d.exponent - 1, expDigits, false);
    }
    if (d.exponent <= 0)
        return out + u'0' + decimal + QString(-d.exponent, u'0') + QString::fromLatin1(d.digits);
    for (long i = 0; i < d.exponent; ++i)
        out += digitAt(d, i);
    if (count > d.exponent)
        out += decimal + QString::fromLatin1(d.digits.data() + d.exponent, qsizetype(count - d.exponent));
    return out;
}

// "-d.ddddE+ddd" with exactly precision digits; d already rounded to precision.
QString exponentText(const DecimalDigits &d, int precision, int expDigits, QChar decimal)
{
    if (d.isSpecial())
        return specialText(d);
    QString out = signOf(d) + digitAt(d, 0);
    if (precision > 1) {
        out += decimal;
        for (long i = 1; i < precision; ++i)
            out += digitAt(d, i);
    }
    return out + exponentPart(d.isZero() ? 0 : d.exponent - 1, expDigits, true);
}

// Digits without sign, decimals after the point; d already rounded to decimals.
QString fixedDigits(const DecimalDigits &d, int decimals, QChar decimal, QChar thousand)
{
    QString intDigits;
    for (long i = 0; i < d.exponent; ++i)
        intDigits += digitAt(d, i);
    if (intDigits.isEmpty())
        intDigits = u"0"_s;
    QString out = grouped(intDigits, thousand);
    if (decimals > 0) {
        out += decimal;
        for (long i = 0; i < decimals; ++i)
            out += digitAt(d, d.exponent + i);
    }
    return out;
}

QString currencyLayout(const QString &number, bool negative, const TFormatSettings &fs)
{
    const QString &c = fs.CurrencyString;
    if (!negative) {
        switch (fs.CurrencyFormat) {
        case 1: return number + c;
        case 2: return c + u' ' + number;
        case 3: return number + u' ' + c;
        default: return c + number;
        }
    }
    switch (fs.NegCurrFormat) {
    case 1: return u'-' + c + number;
    case 2: return c + u'-' + number;
    case 3: return c + number + u'-';
    case 4: return u'(' + number + c + u')';
    case 5: return u'-' + number + c;
    case 6: return number + u'-' + c;
    case 7: return number + c + u'-';
    case 8: return u'-' + number + u' ' + c;
    case 9: return u'-' + c + u' ' + number;
    case 10: return number + u' ' + c + u'-';
    case 11: return c + u' ' + number + u'-';
    case 12: return c + u' ' + u'-' + number;
    case 13: return number + u'-' + u' ' + c;
    case 14: return u'(' + c + u' ' + number + u')';
    case 15: return u'(' + number + u' ' + c + u')';
    default: return u'(' + c + number + u')';
    }
}

// The FloatToText core over decimal digits (unrounded).
QString floatText(DecimalDigits d, TFloatFormat format, int precision, int digits, const TFormatSettings &fs)
{
    const int maxPrecision = d.precisionLimit;
    precision = std::clamp(precision, 1, maxPrecision);
    switch (format) {
    case ffExponent:
        roundDigits(d, precision, INT_MAX / 2);
        return exponentText(d, precision, digits, fs.DecimalSeparator);
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
        digits = std::clamp(digits, 0, 18);
        DecimalDigits fixed = d;
        roundDigits(fixed, maxPrecision, digits);
        if (fixed.isSpecial() || fixed.exponent > precision)
            break; // too many integer digits: the general format
        const QChar thousand = format == ffFixed ? QChar() : fs.ThousandSeparator;
        const QString number = fixedDigits(fixed, digits, fs.DecimalSeparator, thousand);
        if (format == ffCurrency)
            return currencyLayout(number, fixed.negative && !fixed.isZero(), fs);
        return signOf(fixed) + number;
    }
    case ffGeneral:
        break;
    }
    roundDigits(d, precision, INT_MAX / 2);
    return generalText(d, precision, digits, fs.DecimalSeparator);
}

// ---------------------------------------------------------------------------------------
// Picture formats (FormatFloat, FormatCurr)

struct PictureScan
{
    int digitCount = 0;     // "0" and "#" placeholders (before the exponent)
    int decimalIndex = -1;  // placeholders before the first "."
    int firstZero = INT_MAX;
    int lastZero = 0;       // placeholders up to and including the last "0"
    bool thousands = false;
    bool scientific = false;
    int expDigits = 0;
};

// Position after a quoted literal that starts at i.
qsizetype skipQuoted(QStringView s, qsizetype i)
{
    const QChar quote = s[i];
    ++i;
    while (i < s.size() && s[i] != quote)
        ++i;
    return i < s.size() ? i + 1 : i;
}

bool isExponentAt(QStringView s, qsizetype i)
{
    return (s[i] == u'E' || s[i] == u'e') && i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-');
}

PictureScan scanSection(QStringView s, const TFormatSettings &fs)
{
    PictureScan scan;
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == u'"' || c == u'\'') {
            i = skipQuoted(s, i);
            continue;
        }
        if (c == u'0' || c == u'#') {
            if (c == u'0') {
                scan.firstZero = std::min(scan.firstZero, scan.digitCount);
                scan.lastZero = scan.digitCount + 1;
            }
            ++scan.digitCount;
        } else if (c == u'.') {
            if (scan.decimalIndex < 0)
                scan.decimalIndex = scan.digitCount;
        } else if (c == u',') {
            scan.thousands = !fs.ThousandSeparator.isNull();
        } else if (!scan.scientific && isExponentAt(s, i)) {
            scan.scientific = true;
            i += 2;
            while (i < s.size() && s[i] == u'0') {
                ++scan.expDigits;
                ++i;
            }
            scan.expDigits = std::min(scan.expDigits, 4);
            continue;
        }
        ++i;
    }
    if (scan.decimalIndex < 0)
        scan.decimalIndex = scan.digitCount;
    return scan;
}

// The digits a section writes: integer digits (with the forced leading zeros), decimals
// (trailing zeros dropped down to the forced ones) and the exponent of scientific sections.
struct SectionDigits
{
    QString intDigits;
    QString fracDigits;
    int exp10 = 0;
    bool zero = false;
};

SectionDigits sectionDigits(const PictureScan &scan, DecimalDigits d)
{
    SectionDigits out;
    const int nInt = scan.decimalIndex;
    const int decimals = scan.digitCount - nInt;
    if (scan.scientific) {
        roundDigits(d, std::clamp(scan.digitCount, 1, 18), INT_MAX / 2);
        if (!d.isZero())
            out.exp10 = d.exponent - nInt;
        d.exponent = d.isZero() ? 0 : nInt; // the mantissa has nInt integer digits
    } else {
        roundDigits(d, d.precisionLimit, decimals);
    }
    out.zero = d.isZero();
    for (long i = 0; i < d.exponent; ++i)
        out.intDigits += digitAt(d, i);
    const int forcedInt = scan.firstZero < nInt ? nInt - scan.firstZero : 0;
    if (out.intDigits.size() < forcedInt)
        out.intDigits.prepend(QString(forcedInt - out.intDigits.size(), u'0'));
    for (long i = 0; i < decimals; ++i)
        out.fracDigits += digitAt(d, d.exponent + i);
    const qsizetype forcedFrac = std::max(0, scan.lastZero - nInt);
    while (out.fracDigits.size() > forcedFrac && out.fracDigits.endsWith(u'0'))
        out.fracDigits.chop(1);
    return out;
}

// One picture section applied to d (unrounded); withMinus writes "-" for a negative value.
// zero is set when the value rounds to zero.
QString formatSection(QStringView s, const DecimalDigits &d, bool withMinus, const TFormatSettings &fs, bool &zero)
{
    const PictureScan scan = scanSection(s, fs);
    const SectionDigits digits = sectionDigits(scan, d);
    const QString &intDigits = digits.intDigits;
    const QString &fracDigits = digits.fracDigits;
    const int nInt = scan.decimalIndex;
    const int exp10 = digits.exp10;
    zero = digits.zero;

    const qsizetype intCount = intDigits.size();
    QString out = withMinus && d.negative && !zero ? u"-"_s : QString();
    auto emitDigit = [&](qsizetype place) { // place counts from 1 left of the point
        out += intDigits[intCount - place];
        if (scan.thousands && place > 1 && (place - 1) % 3 == 0)
            out += fs.ThousandSeparator;
    };
    auto emitAllInt = [&] {
        for (qsizetype p = intCount; p >= 1; --p)
            emitDigit(p);
    };
    int placeIndex = 0;
    bool pointSeen = false;
    bool exponentDone = false;
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == u'"' || c == u'\'') {
            qsizetype j = i + 1;
            while (j < s.size() && s[j] != c)
                ++j;
            out += s.mid(i + 1, j - i - 1);
            i = j < s.size() ? j + 1 : j;
            continue;
        }
        if ((c == u'0' || c == u'#') && !exponentDone) {
            if (placeIndex < nInt) {
                const qsizetype place = nInt - placeIndex;
                if (placeIndex == 0)
                    for (qsizetype p = intCount; p > place; --p)
                        emitDigit(p);
                if (intCount >= place)
                    emitDigit(place);
            } else {
                const qsizetype k = placeIndex - nInt;
                if (k < fracDigits.size())
                    out += fracDigits[k];
            }
            ++placeIndex;
        } else if (c == u'.') {
            if (!pointSeen) {
                pointSeen = true;
                if (nInt == 0)
                    emitAllInt();
                if (!fracDigits.isEmpty())
                    out += fs.DecimalSeparator;
            }
        } else if (c == u',') {
            // grouping is placed with the digits
        } else if (scan.scientific && !exponentDone && isExponentAt(s, i)) {
            exponentDone = true;
            out += c;
            if (exp10 < 0)
                out += u'-';
            else if (s[i + 1] == u'+')
                out += u'+';
            out += paddedNumber(quint64(std::abs(exp10)), scan.expDigits);
            i += 2;
            while (i < s.size() && s[i] == u'0')
                ++i;
            continue;
        } else {
            out += c;
        }
        ++i;
    }
    if (scan.digitCount == 0 && !pointSeen)
        emitAllInt();
    return out;
}

// Splits a picture at ";" outside quotes into at most three sections.
QList<QStringView> pictureSections(QStringView fmt)
{
    QList<QStringView> sections;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < fmt.size() && sections.size() < 2) {
        if (fmt[i] == u'"' || fmt[i] == u'\'') {
            i = skipQuoted(fmt, i);
            continue;
        }
        if (fmt[i] == u';') {
            sections.append(fmt.mid(start, i - start));
            start = i + 1;
        }
        ++i;
    }
    QStringView last = fmt.mid(start);
    for (qsizetype j = 0; j < last.size();) { // a third ";" ends the zero section
        if (last[j] == u'"' || last[j] == u'\'') {
            j = skipQuoted(last, j);
            continue;
        }
        if (last[j] == u';' && sections.size() == 2) {
            last = last.left(j);
            break;
        }
        ++j;
    }
    sections.append(last);
    return sections;
}

QString formatPicture(const QString &fmt, const DecimalDigits &d, const TFormatSettings &fs)
{
    const QList<QStringView> sections = pictureSections(fmt);
    auto section = [&](int k) { return k < sections.size() ? sections[k] : QStringView(); };
    if (d.isSpecial() || d.exponent > 18 || section(0).isEmpty()) {
        DecimalDigits general = d;
        roundDigits(general, 15, INT_MAX / 2);
        return generalText(general, 15, 0, fs.DecimalSeparator);
    }
    int chosen = 0;
    if (d.isZero() && !section(2).isEmpty())
        chosen = 2;
    else if (d.negative && !d.isZero() && !section(1).isEmpty())
        chosen = 1;
    bool zero = false;
    QString out = formatSection(section(chosen), d, chosen == 0, fs, zero);
    if (zero && chosen != 2 && !section(2).isEmpty())
        out = formatSection(section(2), DecimalDigits(), false, fs, zero);
    return out;
}

// ---------------------------------------------------------------------------------------
// Text to numbers

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimmedBlanks(QStringView s)
{
    while (!s.isEmpty() && isBlank(s.front()))
        s = s.mid(1);
    while (!s.isEmpty() && isBlank(s.back()))
        s.chop(1);
    return s;
}

// [sign] digits [sep digits] [(e|E) [sign] digits], sep being one of the given separators.
bool parseFloat(QStringView s, QChar sep1, QChar sep2, double &value)
{
    s = trimmedBlanks(s);
    std::string ascii;
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        negative = s[i++] == u'-';
    int mantissaDigits = 0;
    int significantIntDigits = 0; // integer digits after leading zeros
    int leadingFracZeros = 0;     // zeros after the point before the first non-zero digit
    bool nonZeroSeen = false;
    bool pointSeen = false;
    for (; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c >= u'0' && c <= u'9') {
            ascii += char(c.unicode());
            ++mantissaDigits;
            nonZeroSeen = nonZeroSeen || c != u'0';
            if (!pointSeen && nonZeroSeen)
                ++significantIntDigits;
            else if (pointSeen && !nonZeroSeen)
                ++leadingFracZeros;
        } else if (!pointSeen && (c == sep1 || (!sep2.isNull() && c == sep2))) {
            pointSeen = true;
            ascii += '.';
        } else {
            break;
        }
    }
    if (mantissaDigits == 0)
        return false;
    long exponent = 0;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        ascii += 'e';
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
            negativeExponent = s[i] == u'-';
            ascii += char(s[i++].unicode());
        }
        int expDigits = 0;
        for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, ++expDigits) {
            ascii += char(s[i].unicode());
            exponent = std::min(exponent * 10 + (s[i].unicode() - u'0'), 100000L);
        }
        if (expDigits == 0)
            return false;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != s.size())
        return false;
    double parsed = 0;
    const auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), parsed);
    if (res.ec == std::errc::result_out_of_range) {
        // Overflow fails; a value too small for a double is zero.
        const long magnitude = (significantIntDigits > 0 ? significantIntDigits - 1 : -(leadingFracZeros + 1)) + exponent;
        if (magnitude >= 0)
            return false;
        parsed = 0;
    } else if (res.ec != std::errc() || res.ptr != ascii.data() + ascii.size()) {
        return false;
    }
    value = negative ? -parsed : parsed;
    return true;
}

int digitValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// Integer text with bits 32 or 64; hex may use the whole unsigned width.
bool parseInteger(QStringView s, int bits, qint64 &value)
{
    qsizetype i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        negative = s[i++] == u'-';
    int base = 10;
    if (i < s.size() && s[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    const quint64 hexLimit = bits == 64 ? ~quint64(0) : quint64(0xFFFFFFFFu);
    const quint64 decLimit = (quint64(1) << (bits - 1)) - (negative ? 0 : 1);
    const quint64 limit = base == 16 ? hexLimit : decLimit;
    quint64 n = 0;
    const qsizetype first = i;
    for (; i < s.size(); ++i) {
        const int digit = digitValue(s[i]);
        if (digit < 0 || digit >= base || n > (limit - quint64(digit)) / quint64(base))
            return false;
        n = n * quint64(base) + quint64(digit);
    }
    if (i == first)
        return false;
    const quint64 result = negative ? 0 - n : n;
    // 32 bits keep the low half: hex "$FFFFFFFF" is -1 there.
    value = bits == 32 ? qint64(qint32(quint32(result))) : qint64(result);
    return true;
}

[[noreturn]] void invalidFloat(const QString &s)
{
    kavRaise<EConvertError>(u"'%1' is not a valid floating point value"_s.arg(s));
}

[[noreturn]] void invalidInteger(const QString &s)
{
    kavRaise<EConvertError>(u"'%1' is not a valid integer value"_s.arg(s));
}

// ---------------------------------------------------------------------------------------
// Format

constexpr int maxWidthOrPrecision = 100000;

class Formatter
{
public:
    Formatter(const QString &fmt, const QList<Variant> &args, const TFormatSettings &fs)
        : FFmt(fmt), FArgs(args), FSettings(fs)
    {
    }

    QString run();

private:
    [[noreturn]] void fail(bool missing) const
    {
        const QString shown = FFmt.left(31);
        kavRaise<EConvertError>(missing ? u"No argument for format '%1'"_s.arg(shown)
                                        : u"Format '%1' invalid or incompatible with argument"_s.arg(shown));
    }
    const Variant &nextArg()
    {
        if (FArgIndex < 0 || FArgIndex >= FArgs.size())
            fail(true);
        return FArgs[FArgIndex++];
    }
    bool readNumber(int &value);
    QString directive(QChar type, int precision);
    QString integerDirective(QChar type, const Variant &arg, int precision);
    QString floatDirective(QChar type, const Variant &arg, int precision);

    const QString &FFmt;
    const QList<Variant> &FArgs;
    const TFormatSettings &FSettings;
    qsizetype FPos = 0;
    qsizetype FArgIndex = 0;
};

// A number or "*" at the current position; false when there is neither.
bool Formatter::readNumber(int &value)
{
    if (FPos < FFmt.size() && FFmt[FPos] == u'*') {
        ++FPos;
        const Variant &arg = nextArg();
        if (!arg.IsInteger())
            fail(false);
        value = int(std::clamp<qint64>(arg.AsInt64(), 0, maxWidthOrPrecision + 1));
    } else {
        const qsizetype start = FPos;
        qint64 n = 0;
        while (FPos < FFmt.size() && FFmt[FPos] >= u'0' && FFmt[FPos] <= u'9') {
            n = std::min<qint64>(n * 10 + (FFmt[FPos].unicode() - u'0'), maxWidthOrPrecision + 1);
            ++FPos;
        }
        if (FPos == start)
            return false;
        value = int(n);
    }
    if (value > maxWidthOrPrecision)
        fail(false);
    return true;
}

QString Formatter::integerDirective(QChar type, const Variant &arg, int precision)
{
    const bool wide = arg.Type() == varInt64;
    const qint64 v = arg.AsInt64();
    if (type == u'd') {
        const quint64 magnitude = v < 0 ? 0 - quint64(v) : quint64(v);
        return (v < 0 ? u"-"_s : QString()) + paddedNumber(magnitude, precision);
    }
    const quint64 bits = wide ? quint64(v) : quint64(quint32(qint32(v)));
    if (type == u'u')
        return paddedNumber(bits, precision);
    if (type == u'x')
        return paddedNumber(bits, precision, 16);
    return paddedNumber(bits, wide && (bits >> 32) != 0 ? 16 : 8, 16); // p
}

QString Formatter::floatDirective(QChar type, const Variant &arg, int precision)
{
    DecimalDigits d;
    if (arg.Type() == varCurrency)
        d = digitsOf(TkavCurrency{arg.AsCurrencyUnits()});
    else if (arg.IsInteger())
        d = digitsOfInteger(arg.AsInt64());
    else
        d = digitsOf(arg.AsDouble());
    switch (type.unicode()) {
    case u'e': return floatText(d, ffExponent, precision < 0 ? 15 : precision, 3, FSettings);
    case u'g': return floatText(d, ffGeneral, precision < 0 ? 15 : precision, 3, FSettings);
    case u'f': return floatText(d, ffFixed, 18, precision < 0 ? 2 : precision, FSettings);
    case u'n': return floatText(d, ffNumber, 18, precision < 0 ? 2 : precision, FSettings);
    default: return floatText(d, ffCurrency, 18, precision < 0 ? FSettings.CurrencyDecimals : precision, FSettings);
    }
}

QString Formatter::directive(QChar type, int precision)
{
    const Variant &arg = nextArg();
    const bool asZero = arg.IsEmpty() || arg.IsNull();
    const bool isInteger = arg.IsInteger() || asZero;
    const bool isFloat = arg.IsNumeric() && !arg.IsInteger();
    switch (type.unicode()) {
    case u'd': case u'u': case u'x': case u'p':
        if (!isInteger)
            fail(false);
        return integerDirective(type, asZero ? Variant(0) : arg, precision);
    case u'e': case u'f': case u'g': case u'n': case u'm':
        if (!isInteger && !isFloat)
            fail(false);
        return floatDirective(type, asZero ? Variant(0) : arg, precision);
    case u's':
        if (!arg.IsString())
            fail(false);
        return precision >= 0 ? arg.AsString().left(precision) : arg.AsString();
    default:
        fail(false);
    }
}

QString Formatter::run()
{
    QString out;
    while (FPos < FFmt.size()) {
        const QChar c = FFmt[FPos++];
        if (c != u'%') {
            out += c;
            continue;
        }
        if (FPos < FFmt.size() && FFmt[FPos] == u'%') {
            out += u'%';
            ++FPos;
            continue;
        }
        bool leftAlign = false;
        int width = -1;
        int precision = -1;
        int first = 0;
        if (readNumber(first)) {
            if (FPos < FFmt.size() && FFmt[FPos] == u':') {
                ++FPos;
                FArgIndex = first;
            } else {
                width = first;
            }
        }
        if (width < 0) {
            if (FPos < FFmt.size() && FFmt[FPos] == u'-') {
                leftAlign = true;
                ++FPos;
            }
            readNumber(width);
        }
        if (FPos < FFmt.size() && FFmt[FPos] == u'.') {
            ++FPos;
            if (!readNumber(precision))
                precision = 0;
        }
        if (FPos >= FFmt.size())
            fail(false);
        const QString text = directive(FFmt[FPos++].toLower(), precision);
        const qsizetype padding = std::max<qsizetype>(0, width - text.size());
        kavCheckStringLength(qint64(out.size()) + text.size() + padding);
        if (!leftAlign)
            out += QString(padding, u' ');
        out += text;
        if (leftAlign)
            out += QString(padding, u' ');
    }
    return out;
}

const TFormatSettings &fileSettings()
{
    static const TFormatSettings settings = [] {
        TFormatSettings fs = TFormatSettings::Invariant();
        fs.ThousandSeparator = QChar();
        return fs;
    }();
    return settings;
}

} // namespace

// ---------------------------------------------------------------------------------------

QString Format(const QString &fmt, const QList<Variant> &args, const TFormatSettings &fs)
{
    return Formatter(fmt, args, fs).run();
}

QString FormatFloat(const QString &fmt, double value, const TFormatSettings &fs)
{
    return formatPicture(fmt, digitsOf(value), fs);
}

QString FormatCurr(const QString &fmt, TkavCurrency value, const TFormatSettings &fs)
{
    return formatPicture(fmt, digitsOf(value), fs);
}

QString FloatToStr(double value, const TFormatSettings &fs)
{
    return floatText(digitsOf(value), ffGeneral, 15, 0, fs);
}

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings &fs)
{
    return floatText(digitsOf(value), format, precision, digits, fs);
}

QString CurrToStr(TkavCurrency value, const TFormatSettings &fs)
{
    return floatText(digitsOf(value), ffGeneral, 19, 0, fs);
}

QString CurrToStrF(TkavCurrency value, TFloatFormat format, int digits, const TFormatSettings &fs)
{
    return floatText(digitsOf(value), format, 19, digits, fs);
}

double StrToFloat(const QString &s, const TFormatSettings &fs)
{
    double value = 0;
    if (!TryStrToFloat(s, value, fs))
        invalidFloat(s);
    return value;
}

bool TryStrToFloat(const QString &s, double &value, const TFormatSettings &fs)
{
    return parseFloat(s, fs.DecimalSeparator, QChar(), value);
}

int StrToInt(const QString &s)
{
    int value = 0;
    if (!TryStrToInt(s, value))
        invalidInteger(s);
    return value;
}

qint64 StrToInt64(const QString &s)
{
    qint64 value = 0;
    if (!TryStrToInt64(s, value))
        invalidInteger(s);
    return value;
}

bool TryStrToInt(const QString &s, int &value)
{
    qint64 wide = 0;
    if (!parseInteger(s, 32, wide))
        return false;
    value = int(wide);
    return true;
}

bool TryStrToInt64(const QString &s, qint64 &value)
{
    return parseInteger(s, 64, value);
}

QString IntToStr(qint64 value)
{
    return QString::number(value);
}

QString IntToHex(int value, int digits)
{
    return paddedNumber(quint32(value), std::clamp(digits, 0, 32), 16);
}

QString IntToHex(qint64 value, int digits)
{
    return paddedNumber(quint64(value), std::clamp(digits, 0, 32), 16);
}

QString kavFloatToFileText(double value)
{
    return FloatToStr(value, fileSettings());
}

double kavFileTextToFloat(QStringView text)
{
    double value = 0;
    if (!kavTryFileTextToFloat(text, value))
        invalidFloat(text.toString());
    return value;
}

bool kavTryFileTextToFloat(QStringView text, double &value)
{
    const QStringView t = trimmedBlanks(text);
    if (t.compare(u"NAN", Qt::CaseInsensitive) == 0) {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (t.compare(u"INF", Qt::CaseInsensitive) == 0 || t.compare(u"-INF", Qt::CaseInsensitive) == 0) {
        value = t.startsWith(u'-') ? -std::numeric_limits<double>::infinity()
                                   : std::numeric_limits<double>::infinity();
        return true;
    }
    return parseFloat(t, u'.', u',', value);
}
