#pragma once

// Helpers shared by the test suites: readable QString failure output, the message of an
// expected conversion error, the "," format settings the number and date tables pin, and
// a guard that restores the file policy.

#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>
#include <rtl/kavFormatSettings.h>

#include <QString>
#include <QStringList>

#include <ostream>

// GoogleTest finds this next to QString and prints texts instead of bytes.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

// The message of the exception E that f throws ("" when it does not throw).
template <typename E = EConvertError, typename F>
QString kavErrorOf(F f)
{
    try {
        f();
    } catch (const E &e) {
        return e.Message();
    }
    return QString();
}

// A European setting: "," decimals, "." thousands and dates, "dd/mm/yyyy", "1 €".
inline TFormatSettings kavCommaSettings()
{
    TFormatSettings fs = TFormatSettings::Invariant();
    fs.DecimalSeparator = u',';
    fs.ThousandSeparator = u'.';
    fs.DateSeparator = u'.';
    fs.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    fs.LongDateFormat = QStringLiteral("d. mmmm yyyy");
    fs.CurrencyString = QStringLiteral("€");
    fs.CurrencyFormat = 3; // "1 €"
    fs.NegCurrFormat = 8;  // "-1 €"
    return fs;
}

// Restores the process's file policy when the test ends.
class KavFilePolicyGuard
{
public:
    KavFilePolicyGuard()
        : FTrusted(kavFilePolicy().Trusted())
        , FRoots(kavFilePolicy().Roots())
    {}
    ~KavFilePolicyGuard()
    {
        if (FTrusted)
            kavFilePolicy().SetTrusted();
        else
            kavFilePolicy().SetRestricted(FRoots);
    }
    KavFilePolicyGuard(const KavFilePolicyGuard &) = delete;
    KavFilePolicyGuard &operator=(const KavFilePolicyGuard &) = delete;

private:
    bool FTrusted;
    QStringList FRoots;
};

// Whether AddressSanitizer instruments this build: its stack frames are larger, so the stack
// guards stop deep recursion sooner than the depth limits some tests pin.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kavSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kavSanitizedBuild = true;
#else
inline constexpr bool kavSanitizedBuild = false;
#endif
#else
inline constexpr bool kavSanitizedBuild = false;
#endif
