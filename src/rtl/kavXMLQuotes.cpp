#include "kavXMLQuotes.h"

using namespace Qt::StringLiterals;

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Drops the blanks that end out and, when out then ends with '=', the blanks before it, so
// that a pair written as name = 'v' becomes name="v".
void trimAroundEquals(QString &out)
{
    qsizetype end = out.size();
    while (end > 0 && isBlank(out[end - 1]))
        --end;
    if (end == 0 || out[end - 1] != u'=')
        return;
    qsizetype nameEnd = end - 1;
    while (nameEnd > 0 && isBlank(out[nameEnd - 1]))
        --nameEnd;
    out.truncate(nameEnd);
    out += u'=';
}

} // namespace

// attrs -> { blank | pair | other } ; pair -> name '=' ( '"' chars '"' | "'" chars "'" )
// Quotes start values wherever they appear outside one, so an apostrophe inside a
// double-quoted value is plain text.
bool kavDoubleQuoteAttributes(QString &text)
{
    if (!text.contains(u'\''))
        return true;
    QString out;
    out.reserve(text.size() + 8);
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c != u'"' && c != u'\'') {
            out += c;
            ++i;
            continue;
        }
        qsizetype close = text.indexOf(c, i + 1);
        if (c == u'"') {
            if (close < 0)
                close = n - 1; // an unclosed double-quoted value runs to the end, as before
            out += QStringView(text).mid(i, close - i + 1);
            i = close + 1;
            continue;
        }
        if (close < 0)
            return false;
        trimAroundEquals(out);
        out += u'"';
        for (const QChar v : QStringView(text).mid(i + 1, close - i - 1)) {
            if (v == u'"')
                out += u"&#34;"_s;
            else
                out += v;
        }
        out += u'"';
        i = close + 1;
    }
    text = std::move(out);
    return true;
}
