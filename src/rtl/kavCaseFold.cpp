#include "kavCaseFold.h"

#include <QHashFunctions>

QChar kavUpCaseChar(QChar c)
{
    if (c.unicode() < 128)
        return (c >= u'a' && c <= u'z') ? QChar(c.unicode() - 32) : c;
    // QChar's per-character mapping is the simple one: it never changes the length.
    return QChar(static_cast<char16_t>(QChar::toUpper(c.unicode())));
}

QChar kavLowCaseChar(QChar c)
{
    if (c.unicode() < 128)
        return (c >= u'A' && c <= u'Z') ? QChar(c.unicode() + 32) : c;
    return QChar(static_cast<char16_t>(QChar::toLower(c.unicode())));
}

QString kavUpperCase(QStringView s)
{
    QString r(s.size(), Qt::Uninitialized);
    QChar *out = r.data();
    for (QChar c : s)
        *out++ = kavUpCaseChar(c);
    return r;
}

QString kavLowerCase(QStringView s)
{
    QString r(s.size(), Qt::Uninitialized);
    QChar *out = r.data();
    for (QChar c : s)
        *out++ = kavLowCaseChar(c);
    return r;
}

bool kavSameText(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && kavUpCaseChar(a[i]) != kavUpCaseChar(b[i]))
            return false;
    return true;
}

int kavCompareText(QStringView a, QStringView b)
{
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = kavUpCaseChar(a[i]).unicode();
        const char16_t y = kavUpCaseChar(b[i]).unicode();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

size_t kavHashText(QStringView s, size_t seed)
{
    size_t h = seed ^ 0x9e3779b97f4a7c15ULL;
    for (QChar c : s)
        h = (h ^ kavUpCaseChar(c).unicode()) * 0x100000001b3ULL;
    return h;
}
