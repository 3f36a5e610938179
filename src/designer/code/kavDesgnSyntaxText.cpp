#include "kavDesgnSyntaxText.h"

#include <script/ky_langs.h>

#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The words coloured as keywords in SQL texts (queries and their parameters).
constexpr auto sqlKeywords
    = u"active,after,all,alter,and,any,as,asc,ascending,at,auto,base_name,before,begin,between,"
      u"by,cache,case,cast,char,character,check,close,collate,column,commit,committed,"
      u"computed,constraint,containing,count,create,current,cursor,database,date,"
      u"decimal,declare,default,delete,desc,descending,distinct,do,domain,double,drop,else,end,"
      u"entry_point,escape,exception,execute,exists,external,extract,fetch,file,filter,"
      u"float,for,foreign,from,full,function,generator,grant,group,having,if,in,inactive,index,"
      u"inner,insert,int,integer,into,is,isolation,join,key,left,like,max,merge,min,"
      u"module_name,not,null,numeric,of,on,or,order,outer,plan,position,primary,"
      u"procedure,read,references,returns,right,rollback,schema,select,set,smallint,some,sum,"
      u"table,then,to,transaction,trigger,union,unique,update,values,varchar,view,wait,"
      u"when,where,while,with,work";

QStringList splitLines(const QString &text)
{
    static const QRegularExpression lineEnd(u"\r\n|\r|\n"_s);
    return text.split(lineEnd);
}

bool languageRegistered(const QString &name)
{
    return kyGetLanguageList().contains(name, Qt::CaseInsensitive);
}

} // namespace

TkavSyntaxText::TkavSyntaxText()
    : FText{QString()}
    , FRunLines{0}
{
    FBookmarks.fill(-1);
    FParser.SetUseY(false);
    FParser.SetSkipSpace(false);
}

QString TkavSyntaxText::Text() const
{
    return FText.join(u'\n');
}

void TkavSyntaxText::SetText(const QString &text)
{
    beforeChange();
    setLines(text);
    FModified = true;
}

void TkavSyntaxText::LoadText(const QString &text)
{
    setLines(text);
    FUndo.clear();
    FRedo.clear();
    FMoved = true;
    FModified = false;
}

void TkavSyntaxText::setLines(const QString &text)
{
    FText = splitLines(text);
    FRunLines = QList<int>(FText.size(), 0);
    FPos = clampPoint(FPos);
    FSelStart = FSelEnd = FPos;
    invalidate(1);
}

void TkavSyntaxText::InsertText(const QString &text)
{
    beforeChange();
    replaceRange(FSelStart, FSelEnd, text);
    FModified = true;
}

void TkavSyntaxText::ReplaceText(QPoint start, QPoint end, const QString &text)
{
    start = clampPoint(start);
    end = clampPoint(end);
    if (OffsetOf(end) < OffsetOf(start))
        std::swap(start, end);
    beforeChange();
    replaceRange(start, end, text);
    FModified = true;
}

// Replaces [start, end) with text; the caret and an empty selection end after the insert.
// Marks of the lines after the range move with them.
void TkavSyntaxText::replaceRange(QPoint start, QPoint end, const QString &text)
{
    const QString prefix = FText[start.y() - 1].left(start.x() - 1);
    const QString suffix = FText[end.y() - 1].mid(end.x() - 1);
    const QStringList inserted = splitLines(prefix + text + suffix);
    const int removedCount = end.y() - start.y() + 1;
    const int delta = int(inserted.size()) - removedCount;
    const int first = start.y() - 1;
    FText.remove(first, removedCount);
    FRunLines.remove(first, removedCount);
    for (int i = 0; i < inserted.size(); ++i) {
        FText.insert(first + i, inserted[i]);
        FRunLines.insert(first + i, 0);
    }
    for (int &line : FBookmarks)
        if (line > end.y())
            line += delta;
    for (BreakPoint &bp : FBreakPoints)
        if (bp.Line > end.y())
            bp.Line += delta;
    const int lastLine = first + int(inserted.size());
    FPos = QPoint(int(FText[lastLine - 1].size() - suffix.size()) + 1, lastLine);
    FSelStart = FSelEnd = FPos;
    invalidate(start.y());
}

QPoint TkavSyntaxText::clampPoint(QPoint pt) const
{
    const int y = std::clamp(pt.y(), 1, LineCount());
    const int x = std::clamp(pt.x(), 1, int(FText[y - 1].size()) + 1);
    return {x, y};
}

void TkavSyntaxText::SetPos(int x, int y)
{
    FPos = clampPoint({x, y});
    FSelStart = FSelEnd = FPos;
    FMoved = true;
}

void TkavSyntaxText::SetSelection(QPoint start, QPoint end)
{
    start = clampPoint(start);
    end = clampPoint(end);
    if (plainOffset(end) < plainOffset(start))
        std::swap(start, end);
    FSelStart = start;
    FSelEnd = end;
    FMoved = true;
}

QString TkavSyntaxText::TextRange(QPoint start, QPoint end) const
{
    const int from = OffsetOf(start);
    return Text().mid(from, OffsetOf(end) - from);
}

void TkavSyntaxText::SelectAll()
{
    SetSelection({1, 1}, {int(FText.last().size()) + 1, LineCount()});
}

QPoint TkavSyntaxText::PointAt(int offset) const
{
    int y = 1;
    while (y < LineCount() && offset > FText[y - 1].size()) {
        offset -= int(FText[y - 1].size()) + 1;
        ++y;
    }
    return clampPoint({offset + 1, y});
}

int TkavSyntaxText::OffsetOf(QPoint pt) const
{
    int offset = 0;
    for (int i = 0; i < pt.y() - 1 && i < LineCount(); ++i)
        offset += int(FText[i].size()) + 1;
    return offset + pt.x() - 1;
}

// --- colouring ---

void kavConfigureSyntaxParser(TkyParser &parser, const QString &syntax)
{
    parser.Clear();
    parser.SetSkipSpace(false);
    if (syntax.compare(u"SQL"_s, Qt::CaseInsensitive) == 0) {
        for (const QString &word : QString::fromUtf16(sqlKeywords).split(u','))
            parser.AddKeyword(word);
        parser.SetCommentLine1(u"--"_s);
        parser.SetCommentBlock1(u"/*,*/"_s);
        parser.SetCommentBlock2(QString());
        parser.SetStringQuotes(u"\""_s);
        parser.SetHexSequence(u"0x"_s);
        return;
    }
    if (!languageRegistered(syntax))
        return;
    const auto grammar = kyGetGrammar(syntax);
    for (const QString &keyword : grammar->Keywords())
        parser.AddKeyword(keyword);
    for (const auto &[option, value] : grammar->Options()) {
        if (option == u"identchars")
            parser.ConstructCharset(value);
        else if (option == u"commentline1")
            parser.SetCommentLine1(value);
        else if (option == u"commentline2")
            parser.SetCommentLine2(value);
        else if (option == u"commentblock1")
            parser.SetCommentBlock1(value);
        else if (option == u"commentblock2")
            parser.SetCommentBlock2(value);
        else if (option == u"stringquotes")
            parser.SetStringQuotes(value);
        else if (option == u"hexsequence")
            parser.SetHexSequence(value);
        // Read as the compiler reads: "If" is no keyword where case matters, and an escaped
        // quote does not end a string.
        else if (option == u"casesensitive" && value == u"1")
            parser.SetCaseSensitive(true);
        else if (option == u"specstrchar" && value == u"1")
            parser.SetSpecStrChar(true);
    }
}

void TkavSyntaxText::SetSyntax(const QString &name)
{
    FSyntax = name;
    kavConfigureSyntaxParser(FParser, name);
    invalidate(1);
}

// Drops the colouring of the edited line, the one before it (a token may have joined them)
// and everything after.
void TkavSyntaxText::invalidate(int line)
{
    const int keep = std::max(0, line - 2);
    while (FSynStrings.size() > keep)
        FSynStrings.removeLast();
}

QString TkavSyntaxText::LineAttributes(int line)
{
    if (line < 1 || line > LineCount())
        return {};
    colourUpTo(line);
    return FSynStrings[line - 1];
}

void TkavSyntaxText::ColourUpTo(int line)
{
    colourUpTo(std::min(line, LineCount()));
}

// Colours lines up to n, resuming after the last plain-text token coloured so far (a
// token boundary outside any comment or string), or from the start when there is none.
void TkavSyntaxText::colourUpTo(int n)
{
    if (FSynStrings.size() >= n)
        return;
    while (FSynStrings.size() < n)
        FSynStrings.append(FText[FSynStrings.size()]);
    const QString lineBreak = u"\r\n"_s;
    QString cache = FSynStrings.join(lineBreak);
    const QString source = FText.mid(0, n).join(lineBreak);
    const auto mark = [&](int from, int to, char16_t code) {
        for (int p = from; p < to; ++p)
            if (source[p - 1].unicode() >= 32)
                cache[p - 1] = QChar(code);
    };

    FParser.SetText(source);
    FParser.SetPosition(int(cache.lastIndexOf(QChar(saText))) + 2);
    while (FParser.Position() <= FParser.Size()) {
        int p = FParser.Position();
        FParser.SkipSpaces();
        mark(p, FParser.Position(), saComment);
        p = FParser.Position();
        if (p > FParser.Size())
            break;
        if (const QString word = FParser.GetWord(); !word.isEmpty())
            mark(p, FParser.Position(), FParser.IsKeyWord(word) ? saKeyword : saText);
        else if (!FParser.GetNumber().isEmpty())
            mark(p, FParser.Position(), saNumber);
        else if (!FParser.GetString().isEmpty())
            mark(p, FParser.Position(), saString);
        else {
            FParser.SetPosition(p + 1);
            mark(p, p + 1, saText);
        }
    }
    FSynStrings = cache.split(lineBreak);
}

// --- bookmarks, breakpoints, marks ---

void TkavSyntaxText::AddBookmark(int line, int number)
{
    if (number >= 0 && number < int(FBookmarks.size()))
        FBookmarks[size_t(number)] = line;
}

void TkavSyntaxText::DeleteBookmark(int number)
{
    AddBookmark(-1, number);
}

int TkavSyntaxText::GotoBookmark(int number)
{
    if (number < 0 || number >= int(FBookmarks.size()) || FBookmarks[size_t(number)] < 1)
        return -1;
    const int line = FBookmarks[size_t(number)];
    SetPos(1, line);
    return line;
}

int TkavSyntaxText::IsBookmark(int line) const
{
    const auto it = std::find(FBookmarks.begin(), FBookmarks.end(), line);
    return line >= 1 && it != FBookmarks.end() ? int(it - FBookmarks.begin()) : -1;
}

void TkavSyntaxText::AddBreakPoint(int line, const QString &condition)
{
    FBreakPoints.append({condition, line});
}

void TkavSyntaxText::ToggleBreakPoint(int line, const QString &condition)
{
    if (IsBreakPoint(line))
        DeleteBreakPoint(line);
    else
        AddBreakPoint(line, condition);
}

void TkavSyntaxText::DeleteBreakPoint(int line)
{
    FBreakPoints.removeIf([line](const BreakPoint &bp) { return bp.Line == line; });
}

void TkavSyntaxText::DeleteF4BreakPoints()
{
    FBreakPoints.removeIf([](const BreakPoint &bp) { return bp.Condition == u"F4"; });
}

bool TkavSyntaxText::IsBreakPoint(int line) const
{
    return std::any_of(FBreakPoints.begin(), FBreakPoints.end(), [line](const BreakPoint &bp) {
        return bp.Line == line;
    });
}

QString TkavSyntaxText::GetBreakPointCondition(int line) const
{
    for (const BreakPoint &bp : FBreakPoints)
        if (bp.Line == line)
            return bp.Condition;
    return {};
}

void TkavSyntaxText::SetRunLine(int line, bool value)
{
    if (line >= 1 && line <= LineCount())
        FRunLines[line - 1] = value ? 1 : 0;
}

bool TkavSyntaxText::GetRunLine(int line) const
{
    return line >= 1 && line <= LineCount() && FRunLines[line - 1] == 1;
}

// --- undo and redo ---

// The caret as two five-character numbers, then the text.
QString TkavSyntaxText::snapshot() const
{
    return QString::asprintf("%5d%5d", FPos.x(), FPos.y()) + Text();
}

void TkavSyntaxText::restore(const QString &snap)
{
    setLines(snap.mid(10));
    SetPos(QStringView(snap).left(5).trimmed().toInt(), QStringView(snap).mid(5, 5).trimmed().toInt());
    FModified = true;
}

// Before an edit: a snapshot when the caret moved since the last one, so typing in one
// place is undone as one step.
void TkavSyntaxText::beforeChange()
{
    FRedo.clear();
    if (!FMoved)
        return;
    FUndo.append(snapshot());
    if (FUndo.size() > MaxUndo)
        FUndo.removeFirst();
    FMoved = false;
}

bool TkavSyntaxText::Undo()
{
    if (FUndo.isEmpty())
        return false;
    FRedo.append(snapshot());
    restore(FUndo.takeLast());
    return true;
}

bool TkavSyntaxText::Redo()
{
    if (FRedo.isEmpty())
        return false;
    FUndo.append(snapshot());
    restore(FRedo.takeLast());
    return true;
}

// --- search ---

// The text as searched: two characters per line break.
QString TkavSyntaxText::plainText() const
{
    return FText.join(u"\r\n"_s);
}

int TkavSyntaxText::plainOffset(QPoint pt) const
{
    int offset = 0;
    for (int i = 0; i < pt.y() - 1; ++i)
        offset += int(FText[i].size()) + 2;
    return offset + pt.x();
}

QPoint TkavSyntaxText::plainPoint(int offset) const
{
    int y = 1;
    while (y < LineCount() && offset > FText[y - 1].size() + 2) {
        offset -= int(FText[y - 1].size()) + 2;
        ++y;
    }
    return clampPoint({offset, y});
}

bool TkavSyntaxText::Find(const QString &text, bool caseSensitive, int &From)
{
    if (text.isEmpty())
        return false;
    const qsizetype hit = plainText().indexOf(text,
                                              std::max(From, 1) - 1,
                                              caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
    if (hit < 0)
        return false;
    From = int(hit + text.size()) + 1;
    SetSelection(plainPoint(int(hit) + 1), plainPoint(From));
    FPos = FSelStart;
    return true;
}

bool TkavSyntaxText::ReplaceNext(const QString &text, const QString &by, bool caseSensitive, int &From)
{
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (HasSelection() && SelText().compare(text, cs) == 0) {
        InsertText(by);
        From = plainOffset(FPos);
        FMoved = true;
    }
    return Find(text, caseSensitive, From);
}

int TkavSyntaxText::ReplaceAll(const QString &text, const QString &by, bool caseSensitive)
{
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    QString all = Text();
    const int count = text.isEmpty() ? 0 : int(all.count(text, cs));
    if (count == 0)
        return 0;
    FMoved = true;
    SetText(all.replace(text, by, cs));
    return count;
}
