#include "kavDesgnScriptGen.h"

#include <persist/kavRes.h>
#include <rtl/kavCaseFold.h>

using namespace Qt::StringLiterals;

namespace {

struct LanguageKeywords
{
    const char16_t *Language;
    const char16_t *Line;
};

const LanguageKeywords languages[] = {
    {u"PascalScript",
     u"proc=\"procedure\" begin=\"begin\" end=\"end;\" lastend=\"end.\" openquote=\"{\" "
     u"closequote=\"}\""},
    {u"C++Script",
     u"proc=\"void\" begin=\"{\" end=\"}\" lastend=\"}\" openquote=\"/*\" closequote=\"*/\""},
    {u"BasicScript",
     u"proc=\"sub\" begin=\"\" end=\"end sub\" lastend=\"\" openquote=\"/\\\" "
     u"closequote=\"/\\\""},
    {u"JScript",
     u"proc=\"function\" begin=\"{\" end=\"}\" lastend=\"\" openquote=\"/*\" closequote=\"*/\""},
};

// Per event type, the parameter texts in the order PascalScript, C++Script, BasicScript,
// JScript.
struct EventParams
{
    const char16_t *Type;
    const char16_t *Params[4];
};

const EventParams events[] = {
    {u"TkavNotifyEvent",
     {u"(Sender: TkavComponent);", u"(TkavComponent Sender)", u"(Sender)", u"(Sender)"}},
    {u"TkavCloseQueryEvent",
     {u"(Sender: TkavComponent; var CanClose: Boolean);",
      u"(TkavComponent Sender, bool &CanClose)",
      u"(Sender, byref CanClose)",
      u"(Sender, &CanClose)"}},
    {u"TkavKeyEvent",
     {u"(Sender: TkavComponent; var Key: Word; Shift: Integer);",
      u"(TkavComponent Sender, word &Key, int Shift)",
      u"(Sender, byref Key, Shift)",
      u"(Sender, &Key, Shift)"}},
    {u"TkavKeyPressEvent",
     {u"(Sender: TkavComponent; var Key: Char);",
      u"(TkavComponent Sender, char &Key)",
      u"(Sender, byref Key)",
      u"(Sender, &Key)"}},
    {u"TkavMouseEvent",
     {u"(Sender: TkavComponent; Button: TMouseButton; Shift: Integer; X, Y: Integer);",
      u"(TkavComponent Sender, TMouseButton Button, int Shift, int X, int Y)",
      u"(Sender, Button, Shift, X, Y)",
      u"(Sender, Button, Shift, X, Y)"}},
    {u"TkavMouseMoveEvent",
     {u"(Sender: TkavComponent; Shift: Integer; X, Y: Integer);",
      u"(TkavComponent Sender, int Shift, int X, int Y)",
      u"(Sender, Shift, X, Y)",
      u"(Sender, Shift, X, Y)"}},
    {u"TkavPreviewClickEvent",
     {u"(Sender: TkavView; Button: TMouseButton; Shift: Integer; var Modified: Boolean);",
      u"(TkavView Sender, TMouseButton Button, int Shift, bool &Modified)",
      u"(Sender, Button, Shift, byref Modified)",
      u"(Sender, Button, Shift, &Modified)"}},
    {u"TkavMouseEnterViewEvent",
     {u"(Sender: TkavView; var Modified: Boolean);",
      u"(TkavView Sender, bool &Modified)",
      u"(Sender, byref Modified)",
      u"(Sender, &Modified)"}},
    {u"TkavMouseLeaveViewEvent",
     {u"(Sender: TkavView; var Modified: Boolean);",
      u"(TkavView Sender, bool &Modified)",
      u"(Sender, byref Modified)",
      u"(Sender, &Modified)"}},
    {u"TkavRunDialogsEvent",
     {u"(var Result: Boolean);", u"(bool &Result)", u"(byref Result)", u"(&Result)"}},
};

// A keyword counts only when it has text: an empty one is in no line.
bool contains(const QString &line, const QString &keyword)
{
    return !keyword.isEmpty() && line.contains(keyword, Qt::CaseInsensitive);
}

} // namespace

void kavAddScriptResources()
{
    TkavResources &table = kavResourceTable();
    if (table.contains(u"TkavRunDialogsEvent"_s))
        return; // added already (a reloaded table is filled again)
    for (const LanguageKeywords &l : languages)
        table.Add(QString::fromUtf16(l.Language), QString::fromUtf16(l.Line));
    for (const EventParams &e : events) {
        QStringList lines;
        for (int i = 0; i < 4; ++i)
            lines.append(QString::fromUtf16(languages[i].Language) + u'='
                         + QString::fromUtf16(e.Params[i]));
        table.Add(QString::fromUtf16(e.Type), lines.join(u'\n'));
    }
}

QString kavScriptKeyword(const QString &language, const QString &keyword)
{
    kavAddScriptResources();
    if (!kavResourceTable().contains(language))
        return QString();
    const QString line = kavResourceTable().Get(language);
    const QString key = keyword + u"=\""_s;
    for (qsizetype pos = line.indexOf(key, 0, Qt::CaseInsensitive); pos >= 0;
         pos = line.indexOf(key, pos + 1, Qt::CaseInsensitive)) {
        if (pos > 0 && line.at(pos - 1) != u' ')
            continue;
        const qsizetype start = pos + key.size();
        const qsizetype end = line.indexOf(u'"', start);
        return end < 0 ? QString() : line.mid(start, end - start);
    }
    return QString();
}

QString kavEventParams(const QString &eventType, const QString &language)
{
    kavAddScriptResources();
    if (!kavResourceTable().contains(eventType))
        return QString();
    const QStringList lines = kavResourceTable().Get(eventType).split(u'\n');
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && kavSameText(line.left(eq), language))
            return line.mid(eq + 1);
    }
    return QString();
}

// ---------------------------------------------------------------------------------------

TkavScriptGenerator::TkavScriptGenerator(QStringList lines, QString language)
    : FLines(std::move(lines))
    , FLanguage(std::move(language))
{}

QList<bool> TkavScriptGenerator::commentedLines() const
{
    const QString open = keyword(u"openquote"_s);
    const QString close = keyword(u"closequote"_s);
    QList<bool> inside;
    int depth = 0;
    for (const QString &line : FLines) {
        depth += int(contains(line, open)) - int(contains(line, close));
        inside.append(depth != 0);
    }
    return inside;
}

QString TkavScriptGenerator::afterProc(const QString &line) const
{
    const QString proc = keyword(u"proc"_s);
    const QString text = line.trimmed();
    if (proc.isEmpty() || !text.startsWith(proc, Qt::CaseInsensitive))
        return QString();
    return text.mid(proc.size()).trimmed();
}

QStringList TkavScriptGenerator::Handlers(const QString &eventType) const
{
    const QString params = kavEventParams(eventType, FLanguage);
    const QList<bool> inside = commentedLines();
    QStringList names;
    for (int i = 0; i < FLines.size(); ++i) {
        if (inside[i])
            continue;
        const QString rest = afterProc(FLines[i]);
        const qsizetype paren = rest.indexOf(u'(');
        if (paren <= 0)
            continue;
        if (kavSameText(rest.mid(paren).trimmed(), params))
            names.append(rest.left(paren).trimmed());
    }
    return names;
}

int TkavScriptGenerator::FindHandler(const QString &name) const
{
    const QString head = keyword(u"proc"_s) + u' ' + name + u'(';
    const QList<bool> inside = commentedLines();
    for (int i = 0; i < FLines.size(); ++i)
        if (!inside[i] && FLines[i].trimmed().startsWith(head, Qt::CaseInsensitive))
            return i;
    return -1;
}

// Before the main block: the block that lastend closes, found by counting end (+1) and
// begin (-1) upwards from the lastend line, which counts as the first end.
int TkavScriptGenerator::NewHandlerPlace() const
{
    const QString lastEnd = keyword(u"lastend"_s);
    if (lastEnd.isEmpty())
        return qMax(0, int(FLines.size()) - 1);
    const QString open = keyword(u"openquote"_s);
    const QString close = keyword(u"closequote"_s);
    int last = -1;
    for (int i = int(FLines.size()) - 1, depth = 0; i >= 0 && last < 0; --i) {
        depth += int(contains(FLines[i], close)) - int(contains(FLines[i], open));
        if (depth == 0 && contains(FLines[i], lastEnd))
            last = i;
    }
    if (last < 0)
        return -1;
    const QString begin = keyword(u"begin"_s);
    const QString end = keyword(u"end"_s);
    for (int i = last - 1, count = 1; i >= 0; --i) {
        count += int(contains(FLines[i], end)) - int(contains(FLines[i], begin));
        if (count == 0)
            return i;
    }
    return -1;
}

int TkavScriptGenerator::CreateHandler(const QString &name, const QString &eventType)
{
    const int place = NewHandlerPlace();
    if (place < 0)
        return -1;
    const QStringList handler = {keyword(u"proc"_s) + u' ' + name
                                     + kavEventParams(eventType, FLanguage),
                                 keyword(u"begin"_s),
                                 QString(),
                                 keyword(u"end"_s),
                                 QString()};
    for (int i = 0; i < handler.size(); ++i)
        FLines.insert(place + i, handler[i]);
    return place;
}

QStringList TkavScriptGenerator::EmptyProgram(const QString &language)
{
    const QString lastEnd = kavScriptKeyword(language, u"lastend"_s);
    if (lastEnd.isEmpty())
        return {};
    return {kavScriptKeyword(language, u"begin"_s), QString(), lastEnd};
}
