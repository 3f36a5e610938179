#include "ky_iparser.h"

#include <rtl/kavCaseFold.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr char16_t LF = 10;
constexpr char16_t CR = 13;

bool isLineEnd(char16_t c)
{
    return c == LF || c == CR;
}

bool isDigit(char16_t c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char16_t c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isPunctuation(char16_t c)
{
    return (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`')
           || (c >= '{' && c <= '~');
}

// Every control character except tab ends a string (a line end inside it is an error).
bool isStringTerminator(char16_t c)
{
    return c <= 31 && c != 9;
}

// Blanks that may follow a continuation character before its line end.
bool isBlank(char16_t c)
{
    return c <= 32 && !isLineEnd(c);
}

TkyIdentifierCharset defaultCharset()
{
    TkyIdentifierCharset set;
    for (int c = '0'; c <= '9'; ++c)
        set.set(size_t(c));
    for (int c = 'A'; c <= 'Z'; ++c)
        set.set(size_t(c));
    for (int c = 'a'; c <= 'z'; ++c)
        set.set(size_t(c));
    set.set('_');
    return set;
}

// A comment pair "open,close" split at its comma; without a comma the close is empty.
void splitPair(const QString &pair, QString &open, QString &close)
{
    const qsizetype comma = pair.indexOf(u',');
    open = comma < 0 ? pair : pair.left(comma);
    close = comma < 0 ? QString() : pair.mid(comma + 1);
}

} // namespace

QPoint kyParsePosition(const QString &s)
{
    if (s.isEmpty())
        return {0, 0};
    const qsizetype colon = s.indexOf(u':');
    const QStringView view(s);
    const QStringView lineText = colon < 0 ? view : view.left(colon);
    const QStringView columnText = colon < 0 ? QStringView() : view.mid(colon + 1);
    // Text that is no number counts as 0, so a damaged position never aborts a caller.
    return {columnText.trimmed().toInt(), lineText.trimmed().toInt()};
}

size_t TkyParser::FoldHash::operator()(const QString &s) const
{
    return kavHashText(s);
}

bool TkyParser::FoldEqual::operator()(const QString &a, const QString &b) const
{
    return kavSameText(a, b);
}

TkyParser::TkyParser()
{
    Clear();
}

void TkyParser::Clear()
{
    FCaseSensitive = false;
    SetCommentBlock1(u"{,}"_s);
    SetCommentBlock2(u"(*,*)"_s);
    FCommentLine1 = u"//"_s;
    FCommentLine2.clear();
    FHexSequence = u"$"_s;
    FIdentifierCharset = defaultCharset();
    FSkiPChar.clear();
    FSkipEOL = true;
    FSkipSpace = true;
    FStringQuotes = u"'"_s;
    FSpecStrChar = false;
    FKeywords.clear();
    FKeywordsExact.clear();
    FKeywordsFolded.clear();
}

void TkyParser::SetText(const QString &text)
{
    FText = text;
    FSize = int(FText.size());
    FPosition = FLastPosition = 1;
    FYList.clear();
    FYList.append(0);
    if (!FUseY)
        return;
    // A line ends at its LF, or at a CR that no LF follows, so CR LF, LF and CR texts
    // all get their lines counted.
    for (int i = 1; i <= FSize; ++i) {
        const char16_t c = ch(i);
        if (c == LF || (c == CR && ch(i + 1) != LF))
            FYList.append(i);
    }
}

void TkyParser::SetPosition(int value)
{
    FPosition = FLastPosition = std::clamp(value, 1, FSize + 1);
}

void TkyParser::SetCommentBlock1(const QString &value)
{
    FCommentBlock1 = value;
    splitPair(value, FCommentBlock11, FCommentBlock12);
}

void TkyParser::SetCommentBlock2(const QString &value)
{
    FCommentBlock2 = value;
    splitPair(value, FCommentBlock21, FCommentBlock22);
}

void TkyParser::ConstructCharset(const QString &s)
{
    FIdentifierCharset.reset();
    for (const QChar c : s)
        FIdentifierCharset.set(c.unicode() & 0xFF);
}

void TkyParser::AddKeyword(const QString &keyword)
{
    if (FKeywordsExact.contains(keyword))
        return;
    const auto at = std::lower_bound(
        FKeywords.begin(), FKeywords.end(), keyword, [](const QString &a, const QString &b) {
            return kavCompareText(a, b) < 0;
        });
    FKeywords.insert(at, keyword);
    FKeywordsExact.insert(keyword);
    FKeywordsFolded.insert(keyword);
}

bool TkyParser::IsKeyWord(const QString &s) const
{
    return FCaseSensitive ? FKeywordsExact.contains(s) : FKeywordsFolded.count(s) > 0;
}

// --- character classes ---

// White space is codes 0..32. When line ends are tokens, a CR is not white space, nor is
// an LF that no CR precedes (a line end of its own in LF-only text).
bool TkyParser::isWhiteAt(int p) const
{
    const char16_t c = ch(p);
    if (c > 32)
        return false;
    if (!FSkipEOL && (c == CR || (c == LF && ch(p - 1) != CR)))
        return false;
    return true;
}

bool TkyParser::isLineEndAt(int p) const
{
    return p <= FSize && isLineEnd(ch(p));
}

bool TkyParser::isIdentChar(char16_t c) const
{
    return c >= 127 || FIdentifierCharset.test(c);
}

bool TkyParser::matchesAt(int p, QStringView marker) const
{
    return !marker.isEmpty() && p >= 1 && p - 1 + marker.size() <= FSize
           && QStringView(FText).mid(p - 1, marker.size()) == marker;
}

// A marker that ends in an identifier character ("rem") starts a comment only when no
// identifier character follows it, so words such as "remark" stay identifiers.
bool TkyParser::lineCommentAt(int p, QStringView marker) const
{
    if (!matchesAt(p, marker))
        return false;
    const int after = p + int(marker.size());
    return !isIdentChar(marker.back().unicode()) || after > FSize || !isIdentChar(ch(after));
}

// The continuation character counts only when just blanks follow it up to the line end (or
// the end of the text); elsewhere it is an ordinary character, e.g. in "_name".
bool TkyParser::continuationAt(int p) const
{
    if (FSkiPChar.isEmpty() || p > FSize || ch(p) != FSkiPChar.front().unicode())
        return false;
    int q = p + 1;
    while (q <= FSize && isBlank(ch(q)))
        ++q;
    return q > FSize || isLineEnd(ch(q));
}

// comment -> marker ... up to the line end. A comment behind a statement leaves that line's
// end in place when line ends are tokens; a comment on a line of its own takes its line
// end with it.
void TkyParser::skipLineComment()
{
    const bool ownLine = FPosition == 1 || isLineEnd(ch(FPosition - 1));
    if (!FSkipEOL && !ownLine) {
        while (FPosition <= FSize && !isLineEnd(ch(FPosition)))
            ++FPosition;
        return;
    }
    while (FPosition <= FSize) {
        const char16_t c = ch(FPosition);
        if (c == LF || (c == CR && ch(FPosition + 1) != LF))
            break;
        ++FPosition;
    }
    if (!FSkipEOL && isLineEndAt(FPosition))
        ++FPosition;
}

// comment -> open ... close; an unterminated comment runs to the end of the text.
void TkyParser::skipBlockComment(const QString &open, const QString &close)
{
    FPosition += int(open.size());
    if (close.isEmpty())
        return;
    const char16_t first = close.front().unicode();
    while (FPosition <= FSize && !(ch(FPosition) == first && matchesAt(FPosition, close)))
        ++FPosition;
    if (FPosition <= FSize)
        FPosition += int(close.size());
}

void TkyParser::SkipSpaces()
{
    for (;;) {
        while (FPosition <= FSize && isWhiteAt(FPosition))
            ++FPosition;
        if (FPosition > FSize)
            break;
        if (continuationAt(FPosition)) {
            ++FPosition;
            while (FPosition <= FSize && isBlank(ch(FPosition)))
                ++FPosition;
            while (isLineEndAt(FPosition))
                ++FPosition;
            continue;
        }
        if (lineCommentAt(FPosition, FCommentLine1) || lineCommentAt(FPosition, FCommentLine2)) {
            skipLineComment();
            continue;
        }
        if (matchesAt(FPosition, FCommentBlock11)) {
            skipBlockComment(FCommentBlock11, FCommentBlock12);
            continue;
        }
        if (matchesAt(FPosition, FCommentBlock21)) {
            skipBlockComment(FCommentBlock21, FCommentBlock22);
            continue;
        }
        break;
    }
    FLastPosition = FPosition;
}

// eol -> (CR | LF)+ ; consecutive empty lines count as one line end.
bool TkyParser::GetEOL()
{
    SkipSpaces();
    if (!isLineEndAt(FPosition))
        return false;
    while (isLineEndAt(FPosition))
        ++FPosition;
    return true;
}

// End of the word starting at p (p itself when no word starts there).
int TkyParser::scanWord(int p) const
{
    if (p > FSize || isDigit(ch(p)) || !isIdentChar(ch(p)))
        return p;
    int q = p + 1;
    while (q <= FSize && isIdentChar(ch(q)))
        ++q;
    return q;
}

// word -> identstart identchar*
QString TkyParser::GetWord()
{
    if (FSkipSpace)
        SkipSpaces();
    const int start = FPosition;
    const int end = scanWord(start);
    if (end == start)
        return {};
    FPosition = end;
    FLastPosition = start;
    return FText.mid(start - 1, end - start);
}

QString TkyParser::GetIdent()
{
    QString word = GetWord();
    if (!word.isEmpty() && IsKeyWord(word))
        return {};
    return word;
}

QString TkyParser::GetChar()
{
    if (FPosition > FSize || !isPunctuation(ch(FPosition)))
        return {};
    return QString(QChar(ch(FPosition++)));
}

// piece -> quote (char | quote quote | '\' escape)* quote
bool TkyParser::readQuotedPiece(QString &out)
{
    if (FStringQuotes.isEmpty() || FPosition > FSize)
        return false;
    const char16_t quote = FStringQuotes.front().unicode();
    if (ch(FPosition) != quote)
        return false;
    const qsizetype mark = out.size();
    int p = FPosition + 1;
    for (;;) {
        const char16_t c = ch(p);
        if (FSpecStrChar && c == '\\') {
            const char16_t next = ch(p + 1);
            if (isStringTerminator(next))
                break;
            const char16_t lower = QChar::toLower(next);
            p += 2;
            if (lower == 'n') {
                out.append(QChar(LF));
            } else if (lower == 'r') {
                out.append(QChar(CR));
            } else if (lower == 'x') {
                // Hexadecimal code, low 16 bits; "\x" without digits yields nothing.
                const int first = p;
                unsigned code = 0;
                while (hexValue(ch(p)) >= 0)
                    code = (code * 16 + unsigned(hexValue(ch(p++)))) & 0xFFFF;
                if (p > first)
                    out.append(QChar(char16_t(code)));
            } else {
                out.append(QChar(next));
            }
            continue;
        }
        if (c == quote) {
            if (!FSpecStrChar && ch(p + 1) == quote) {
                out.append(QChar(quote));
                p += 2;
                continue;
            }
            FPosition = p + 1;
            return true;
        }
        if (isStringTerminator(c))
            break;
        out.append(QChar(c));
        ++p;
    }
    out.truncate(mark);
    return false;
}

// End of the unsigned integer at p: hex prefix + hex digits, or decimal digits; p when
// there is none. An empty hex prefix means the language has no hexadecimal numbers.
int TkyParser::scanUnsigned(int p) const
{
    if (matchesAt(p, FHexSequence)) {
        int q = p + int(FHexSequence.size());
        if (hexValue(ch(q)) < 0)
            return p;
        while (q <= FSize && hexValue(ch(q)) >= 0)
            ++q;
        return q;
    }
    int q = p;
    while (q <= FSize && isDigit(ch(q)))
        ++q;
    return q;
}

// piece -> '#' unsigned ; the character with that code (low 16 bits).
bool TkyParser::readControlPiece(QString &out)
{
    if (FPosition > FSize || ch(FPosition) != '#')
        return false;
    const int start = FPosition + 1;
    const int end = scanUnsigned(start);
    if (end == start)
        return false;
    const bool hex = matchesAt(start, FHexSequence);
    unsigned code = 0;
    for (int p = hex ? start + int(FHexSequence.size()) : start; p < end; ++p)
        code = (code * (hex ? 16 : 10) + unsigned(hexValue(ch(p)))) & 0xFFFF;
    out.append(QChar(char16_t(code)));
    FPosition = end;
    return true;
}

// string -> piece+ ; returned as 'chars' whatever the language's quote.
QString TkyParser::GetString()
{
    if (FSkipSpace)
        SkipSpaces();
    const int start = FPosition;
    QString chars;
    bool any = false;
    while (readQuotedPiece(chars) || readControlPiece(chars))
        any = true;
    if (!any)
        return {};
    FLastPosition = start;
    QString result;
    result.reserve(chars.size() + 2);
    result.append(u'\'').append(chars).append(u'\'');
    return result;
}

// number -> unsigned ['.' digit+] [('E'|'e') ['+'|'-'] digit+]
QString TkyParser::GetNumber()
{
    if (FSkipSpace)
        SkipSpaces();
    const int start = FPosition;
    int p = scanUnsigned(start);
    if (p == start)
        return {};
    bool real = true;
    if (ch(p) == '.') {
        if (isDigit(ch(p + 1))) {
            p += 2;
            while (p <= FSize && isDigit(ch(p)))
                ++p;
        } else {
            real = false; // "1..5" and "1.e3": the integer alone
        }
    }
    if (real && (ch(p) == 'E' || ch(p) == 'e')) {
        int q = p + 1;
        if (ch(q) == '+' || ch(q) == '-')
            ++q;
        if (isDigit(ch(q))) {
            while (q <= FSize && isDigit(ch(q)))
                ++q;
            p = q;
        }
    }
    FPosition = p;
    FLastPosition = start;
    QString number = FText.mid(start - 1, p - start);
    if (!FHexSequence.isEmpty() && FHexSequence != u"$")
        number.replace(FHexSequence, u"$"_s);
    return number;
}

// kvstring -> text up to the '>' or ']' that balances the '<' already read; brackets
// inside single or double quotes do not count.
QString TkyParser::GetKVString()
{
    const int start = FPosition;
    int depth = 1;
    bool inDouble = false;
    bool inSingle = false;
    int p = start;
    for (; p <= FSize; ++p) {
        const char16_t c = ch(p);
        if (c == '"' && !inSingle) {
            inDouble = !inDouble;
        } else if (c == '\'' && !inDouble) {
            inSingle = !inSingle;
        } else if (!inDouble && !inSingle) {
            if (c == '<' || c == '[')
                ++depth;
            else if ((c == '>' || c == ']') && --depth == 0)
                break;
        }
    }
    FPosition = p;
    return FText.mid(start - 1, p - start);
}

// The line is the last line-table entry below the position (a line's own end belongs to
// it); the column counts from that entry, a tab being one column.
QString TkyParser::GetXYPosition() const
{
    const auto after = std::lower_bound(FYList.cbegin(), FYList.cend(), FPosition);
    const qsizetype line = std::max<qsizetype>(after - FYList.cbegin(), 1);
    const int column = FPosition - FYList[line - 1];
    return QString::number(line) + u':' + QString::number(column);
}

int TkyParser::GetPlainPosition(QPoint pt) const
{
    const int index = pt.y() - 1;
    if (index < 0 || index >= FYList.size())
        return -1;
    return FYList[index] + pt.x();
}
