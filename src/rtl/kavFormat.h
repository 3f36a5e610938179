#pragma once

// Number texts in our picture languages: Format (printf-like directives of our own,
// never the C printf family), FormatFloat/FormatCurr pictures, FloatToStr and FloatToStrF,
// text to number conversion, and the locale-free float text used in files.
//
// Float digits come from the exact binary value rounded to 18 significant digits; a digit
// position is then rounded half away from zero (FormatFloat('0.00', 0.125) = "0.13").
// NaN and infinities are written "NAN", "INF", "-INF". A value that rounds to zero is
// written without a minus sign.

#include "kavFormatSettings.h"
#include "kavMath.h"

#include <QList>
#include <QString>
#include <QStringView>

class Variant;

enum TFloatFormat : int { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Directives: "%" ["index:"] ["-"] [width] ["." precision] type, index/width/precision a
// number or "*" (taken from the next argument, which must be an integer); "%%" is "%".
//   d  integer, precision = minimum digits     u  integer taken as unsigned
//   x  upper-case hex, precision = min digits  p  integer as 8 (or 16) hex digits
//   e  "-d.ddE+ddd", precision = significant digits (15)
//   f  fixed, precision = decimals (2)         n  as f with thousands separators
//   g  general, precision = significant digits (15); exponent as in e but without "+"
//   m  currency layout, precision = decimals (CurrencyDecimals)
//   s  text, precision = maximum characters
// Arguments by variant type: integer kinds are integers (Int64 stays 64-bit), Single,
// Double and Date are floats, Currency is a float exact to four decimals, String is text,
// Empty and Null are the integer 0; e/f/g/n/m accept integers, s accepts only text, a
// Boolean, object or array fits no directive (script callers that want floats "at
// currency precision" apply kavAtCurrencyPrecision first). Width and precision above 100000 are
// refused. Errors (EConvertError; the format text cut to 31 characters in the message):
// "Format '%s' invalid or incompatible with argument", "No argument for format '%s'".
QString Format(const QString &fmt, const QList<Variant> &args,
               const TFormatSettings &fs = FormatSettings());

// Picture formatting: up to three sections "positive;negative;zero" (a missing or empty
// section uses the first; the negative section is written without a minus sign; a value
// that rounds to zero takes the zero section); "0" digit or zero, "#" digit if any, "." the
// decimal separator (written only before digits), "," anywhere: thousands grouping,
// "E+"/"E-"/"e+"/"e-" followed by "0"s: scientific with that many exponent digits (at
// most 4); text in '...' or "..." literally; other characters as they are. An empty
// picture, NaN, infinities and values of 1e18 or more give FloatToStr's text.
QString FormatFloat(const QString &fmt, double value, const TFormatSettings &fs = FormatSettings());
QString FormatCurr(const QString &fmt, TkavCurrency value, const TFormatSettings &fs = FormatSettings());

// General format, 15 significant digits: "0.3", "1E20", "1E-5", "0.0001", "-1.5".
QString FloatToStr(double value, const TFormatSettings &fs = FormatSettings());
// precision: significant digits (1..18) for ffGeneral/ffExponent, else the limit of
// integer digits before falling back to ffGeneral; digits: exponent digits (0..4) for
// ffGeneral/ffExponent, decimals (0..18) for the others.
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                    const TFormatSettings &fs = FormatSettings());
// Currency in the general format: up to four decimals, trailing zeros dropped ("12.5").
QString CurrToStr(TkavCurrency value, const TFormatSettings &fs = FormatSettings());
QString CurrToStrF(TkavCurrency value, TFloatFormat format, int digits,
                   const TFormatSettings &fs = FormatSettings());

// Text to float: blanks around, optional sign, digits with fs.DecimalSeparator, optional
// exponent "E[+-]ddd". No thousands separators. EConvertError
// "'%s' is not a valid floating point value".
double StrToFloat(const QString &s, const TFormatSettings &fs = FormatSettings());
bool TryStrToFloat(const QString &s, double &value, const TFormatSettings &fs = FormatSettings());

// Text to integer: leading blanks, optional sign, decimal digits or hex after "$" or "0x"
// (hex may use the whole unsigned width: "$FFFFFFFF" is -1 for StrToInt). EConvertError
// "'%s' is not a valid integer value".
int StrToInt(const QString &s);
qint64 StrToInt64(const QString &s);
bool TryStrToInt(const QString &s, int &value);
bool TryStrToInt64(const QString &s, qint64 &value);

QString IntToStr(qint64 value);
// Upper-case hex with at least digits digits; negative values in two's complement of 32
// bits (int) or 64 bits (qint64).
QString IntToHex(int value, int digits);
QString IntToHex(qint64 value, int digits);

// Floats in files: "." always, general format with 15 significant digits, independent of
// the locale. Reading accepts "." or "," as the separator, blanks around, and the
// NAN/INF/-INF texts; anything else raises EConvertError like StrToFloat.
QString kavFloatToFileText(double value);
double kavFileTextToFloat(QStringView text);
bool kavTryFileTextToFloat(QStringView text, double &value);
