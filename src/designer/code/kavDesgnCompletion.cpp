#include "kavDesgnCompletion.h"

#include "kavDesgnSyntaxText.h"

#include <report/kavComponent.h>
#include <report/kavReport.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavRTTI.h>
#include <script/ky_classes.h>
#include <script/ky_langs.h>
#include <script/ky_script.h>

#include <QSet>

#include <algorithm>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

// Ancestor chains longer than this are taken as broken.
constexpr int maxAncestors = 32;

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// A token of the script text: a word, a number, a string or one punctuation character.
struct Token
{
    int Start = 0; // 0-based
    QString Text;
    bool Word = false;
    bool Keyword = false;
    bool LineBefore = false; // a line break lies between this token and the one before
};

bool isPunct(const Token &t, QStringView c)
{
    return !t.Word && t.Text == c;
}

// Where a comment that starts at i ends, and whether it runs to the end of its line.
int commentEnd(const QString &text, int i, const TkyParser &parser, bool &lineComment)
{
    lineComment = true;
    for (const QString &marker : {parser.CommentLine1(), parser.CommentLine2()}) {
        if (!marker.isEmpty() && QStringView(text).mid(i).startsWith(marker, Qt::CaseInsensitive)) {
            const qsizetype end = text.indexOf(u'\n', i);
            return end < 0 ? int(text.size()) : int(end);
        }
    }
    lineComment = false;
    for (const QString &block : {parser.CommentBlock1(), parser.CommentBlock2()}) {
        const QStringList ends = block.split(u',');
        if (ends.size() != 2 || ends[0].isEmpty() || !QStringView(text).mid(i).startsWith(ends[0]))
            continue;
        const qsizetype close = text.indexOf(ends[1], i + ends[0].size());
        lineComment = close < 0; // an open comment runs on to the end
        return close < 0 ? int(text.size()) : int(close + ends[1].size());
    }
    return i + 1;
}

// Whether caret lies in a comment of the skipped stretch [from, to).
bool caretInComment(const QString &text, int from, int to, int caret, const TkyParser &parser)
{
    for (int i = from; i < to;) {
        if (text[i].isSpace()) {
            ++i;
            continue;
        }
        bool lineComment = false;
        const int end = commentEnd(text, i, parser, lineComment);
        if (caret > i && (caret < end || (caret == end && lineComment)))
            return true;
        i = std::max(end, i + 1);
    }
    return false;
}

// Splits text into tokens the way the colouring reads it; hidden is set when caret lies in a
// comment or a string (an unclosed quote runs to the end of its line).
QList<Token> tokenize(const QString &text, int caret, TkyParser &parser, bool &hidden)
{
    QList<Token> tokens;
    parser.SetText(text);
    const QChar quote = parser.StringQuotes().isEmpty() ? QChar() : parser.StringQuotes().front();
    bool lineBefore = false;
    while (parser.Position() <= parser.Size()) {
        const int skipped = parser.Position() - 1;
        parser.SkipSpaces();
        const int start = parser.Position() - 1;
        if (start > skipped) {
            lineBefore = lineBefore || QStringView(text).mid(skipped, start - skipped).contains(u'\n');
            hidden = hidden || caretInComment(text, skipped, start, caret, parser);
        }
        if (start >= parser.Size())
            break;
        Token token{start, {}, false, false, lineBefore};
        lineBefore = false;
        if (const QString word = parser.GetWord(); !word.isEmpty()) {
            token.Word = true;
            token.Keyword = parser.IsKeyWord(word);
        } else if (parser.GetNumber().isEmpty()) {
            if (!parser.GetString().isEmpty()) {
                hidden = hidden || (caret > start && caret < parser.Position() - 1);
            } else {
                parser.SetPosition(start + 2);
                const bool sameLine = !QStringView(text).mid(start, caret - start).contains(u'\n');
                hidden = hidden || (text[start] == quote && caret > start && sameLine);
            }
        }
        token.Text = text.mid(start, parser.Position() - 1 - start);
        tokens << token;
    }
    return tokens;
}

} // namespace

// A name the script declares itself, with its type when the declaration gives one.
struct TkavCompletion::Declared
{
    QString Name;
    QString Type;
    TkavCompletionKind Kind = ckVariable;
};

// What the name before a dot stands for: an object (with its class) or only a class.
struct TkavCompletion::Target
{
    TPersistent *Object = nullptr;
    QString ClassName;
};

namespace {

bool isName(const QList<Token> &t, int i)
{
    return i >= 0 && i < t.size() && t[i].Word && !t[i].Keyword;
}

bool isKeyword(const QList<Token> &t, int i, QStringView word)
{
    return i >= 0 && i < t.size() && t[i].Keyword && kavSameText(t[i].Text, word);
}

struct DeclarationScanner
{
    const QList<Token> &t;
    bool pascal;
    bool basic;
    QList<std::tuple<QString, QString, TkavCompletionKind>> found;

    void add(int i, const QString &type, TkavCompletionKind kind) { found.append({t[i].Text, type, kind}); }

    // var/dim/const: names separated by commas, an optional ": Type" or "As Type", an
    // initial value; a Pascal section goes on with the next "Name:" after a ";".
    int section(int i, TkavCompletionKind kind)
    {
        int j = i + 1;
        while (isName(t, j)) {
            QList<int> names{j++};
            while (j + 1 < t.size() && isPunct(t[j], u",") && isName(t, j + 1)) {
                names << j + 1;
                j += 2;
            }
            QString type;
            if (j + 1 < t.size() && (isPunct(t[j], u":") || isKeyword(t, j, u"as")) && isName(t, j + 1))
                type = t[j + 1].Text;
            for (int n : names)
                add(n, type, kind);
            int depth = 0;
            bool next = false;
            for (; j < t.size(); ++j) {
                if (j > i + 1 && basic && t[j].LineBefore)
                    return j;
                if (isPunct(t[j], u"(") || isPunct(t[j], u"["))
                    ++depth;
                else if (isPunct(t[j], u")") || isPunct(t[j], u"]"))
                    depth = std::max(0, depth - 1);
                else if (depth == 0 && isPunct(t[j], u",")) {
                    next = true;
                    ++j;
                    break;
                } else if (depth == 0 && isPunct(t[j], u";")) {
                    ++j;
                    break;
                } else if (t[j].Keyword && !isKeyword(t, j, u"as") && !isKeyword(t, j, u"new")
                           && !isKeyword(t, j, u"array") && !isKeyword(t, j, u"of"))
                    return j;
            }
            if (next)
                continue;
            // A Pascal section lists further declarations until the next keyword.
            if (!pascal || !(isName(t, j) && j + 1 < t.size()
                             && (isPunct(t[j + 1], u":") || isPunct(t[j + 1], u",") || isPunct(t[j + 1], u"="))))
                return j;
        }
        return j;
    }

    void run(bool cLike)
    {
        for (int i = 0; i < t.size(); ++i) {
            if (isKeyword(t, i, u"var") || isKeyword(t, i, u"dim"))
                i = section(i, ckVariable) - 1;
            else if (isKeyword(t, i, u"const"))
                i = section(i, ckConstant) - 1;
            else if ((isKeyword(t, i, u"procedure") || isKeyword(t, i, u"function") || isKeyword(t, i, u"sub"))
                     && !isKeyword(t, i - 1, u"end") && !isKeyword(t, i - 1, u"exit") && isName(t, i + 1))
                add(i + 1, QString(), ckProcedure);
            else if (isPunct(t[i], u"#") && isKeyword(t, i + 1, u"define") && isName(t, i + 2))
                add(i + 2, QString(), ckConstant);
            else if (cLike && isName(t, i) && isName(t, i + 1) && !(i > 0 && isPunct(t[i - 1], u".")))
                i = cDeclaration(i);
        }
    }

    // "Type name(" declares a function; "Type a = 1, b;" variables (parameters too).
    int cDeclaration(int i)
    {
        const QString type = t[i].Text;
        int j = i + 1;
        if (j + 1 < t.size() && isPunct(t[j + 1], u"(")) {
            add(j, type, ckProcedure);
            return j;
        }
        while (isName(t, j)) {
            if (j + 1 < t.size() && !t[j + 1].Word
                && QStringView(u";,=[)").contains(t[j + 1].Text))
                add(j, type, ckVariable);
            else
                return j;
            ++j;
            int depth = 0;
            for (; j < t.size(); ++j) {
                if (isPunct(t[j], u"(") || isPunct(t[j], u"["))
                    ++depth;
                else if ((isPunct(t[j], u")") || isPunct(t[j], u"]")) && depth-- == 0)
                    return j;
                else if (depth == 0 && (isPunct(t[j], u";") || t[j].Keyword))
                    return j;
                else if (depth == 0 && isPunct(t[j], u","))
                    break;
            }
            ++j;
        }
        return j - 1;
    }
};

// One item per name (the first added wins), sorted case-insensitively.
QList<TkavCompletionItem> uniqueSorted(const QList<TkavCompletionItem> &items)
{
    QList<TkavCompletionItem> result;
    QSet<QString> seen;
    for (const TkavCompletionItem &item : items) {
        if (!item.Text.isEmpty() && !seen.contains(kavLowerCase(item.Text))) {
            seen.insert(kavLowerCase(item.Text));
            result << item;
        }
    }
    std::stable_sort(result.begin(), result.end(), [](const TkavCompletionItem &a, const TkavCompletionItem &b) {
        return kavCompareText(a.Text, b.Text) < 0;
    });
    return result;
}

} // namespace

TkavCompletion::TkavCompletion(TkavReport *report)
    : FReport(report)
{}

TkavCompletion::~TkavCompletion() = default;

void TkavCompletion::SetReport(TkavReport *report)
{
    FReport = report;
}

TkyScript &TkavCompletion::library()
{
    if (!FLibrary) {
        FLibrary = std::make_unique<TkyScript>();
        FLibrary->AddRTTI();
    }
    return *FLibrary;
}

int TkavCompletion::WordStart(const QString &text, int caret)
{
    caret = std::clamp(caret, 0, int(text.size()));
    int start = caret;
    while (start > 0 && isIdentChar(text[start - 1]))
        --start;
    return start;
}

QList<TkavCompletionItem> TkavCompletion::Filter(const QList<TkavCompletionItem> &items, const QString &prefix)
{
    QList<TkavCompletionItem> result;
    for (const TkavCompletionItem &item : items)
        if (kavLowerCase(item.Text).startsWith(kavLowerCase(prefix)))
            result << item;
    return result;
}

TkavCompletionList TkavCompletion::Candidates(const QString &text, int caret, const QString &language)
{
    TkavCompletionList list;
    caret = std::clamp(caret, 0, int(text.size()));
    list.WordStart = WordStart(text, caret);
    list.Prefix = text.mid(list.WordStart, caret - list.WordStart);
    // A word that begins with a digit is a number.
    if (!list.Prefix.isEmpty() && list.Prefix[0].isDigit())
        return list;

    TkyParser parser;
    kavConfigureSyntaxParser(parser, language);
    bool hidden = false;
    const QList<Token> tokens = tokenize(text, caret, parser, hidden);
    if (hidden)
        return list;
    const bool sql = kavSameText(language, u"SQL");
    const bool pascal = kavSameText(language, u"PascalScript");
    DeclarationScanner scanner{tokens, pascal, kavSameText(language, u"BasicScript"), {}};
    if (!sql)
        scanner.run(kavSameText(language, u"C++Script"));
    QList<Declared> declared;
    for (const auto &[name, type, kind] : scanner.found)
        declared << Declared{name, type, kind};

    // "A.B.prefix": the names of the chain before the caret's word.
    QStringList chain;
    int at = list.WordStart;
    while (at > 0 && text[at - 1] == u'.') {
        const int start = WordStart(text, at - 1);
        if (start == at - 1)
            return list; // a dot after something that is not a name
        chain.prepend(text.mid(start, at - 1 - start));
        at = start;
    }
    QList<TkavCompletionItem> items;
    list.Members = !chain.isEmpty();
    if (list.Members) {
        Target target;
        if (sql || !resolve(chain, declared, target))
            return list;
        addMembers(items, target);
    } else {
        for (const Declared &d : declared)
            items << TkavCompletionItem{d.Name, d.Type, d.Kind};
        addGlobals(items, language);
        for (const QString &keyword : parser.Keywords())
            items << TkavCompletionItem{keyword, QString(), ckKeyword};
    }
    list.Items = Filter(uniqueSorted(items), list.Prefix);
    return list;
}

// The report's objects and the library's functions, classes, constants and variables.
void TkavCompletion::addGlobals(QList<TkavCompletionItem> &items, const QString &language)
{
    if (!kyGetLanguageList().contains(language, Qt::CaseInsensitive))
        return;
    if (FReport) {
        items << TkavCompletionItem{u"Report"_s, FReport->ClassInfo().ClassName(), ckObject};
        for (const TkavComponent *c : FReport->AllObjects())
            items << TkavCompletionItem{c->Name(), c->ClassInfo().ClassName(), ckObject};
    }
    const TkyScript &script = library();
    for (int i = 0; i < script.Count(); ++i) {
        TObject *item = script.Items(i);
        if (auto *method = dynamic_cast<TkyMethodHelper *>(item))
            items << TkavCompletionItem{method->Name(), method->Syntax(), ckFunction};
        else if (auto *cls = dynamic_cast<TkyClassVariable *>(item))
            items << TkavCompletionItem{cls->Name(), u"class("_s + cls->Ancestor() + u')', ckClass};
        else if (auto *var = dynamic_cast<TkyVariable *>(item))
            items << TkavCompletionItem{var->Name(), var->GetFullTypeName(), var->IsReadOnly() ? ckConstant : ckVariable};
    }
}

// Follows the chain from its first name: "Report", a report object, a variable the script
// declares with a class type, or a class; then children, object properties and class-typed
// members.
bool TkavCompletion::resolve(const QStringList &chain, const QList<Declared> &declared, Target &target)
{
    const QString &head = chain.first();
    if (FReport && kavSameText(head, u"Report"))
        target.Object = FReport;
    else if (TkavComponent *c = FReport ? FReport->FindObject(head) : nullptr)
        target.Object = c;
    if (target.Object)
        target.ClassName = target.Object->ClassInfo().ClassName();
    for (const Declared &d : declared)
        if (!target.Object && kavSameText(d.Name, head) && d.Kind == ckVariable && library().FindClass(d.Type))
            target.ClassName = d.Type;
    if (target.ClassName.isEmpty() && library().FindClass(head))
        target.ClassName = library().FindClass(head)->Name();
    if (target.ClassName.isEmpty())
        return false;
    for (int k = 1; k < chain.size(); ++k) {
        const QString &name = chain[k];
        auto *component = dynamic_cast<TkavComponent *>(target.Object);
        if (TkavComponent *child = component ? component->FindObject(name) : nullptr) {
            target = {child, child->ClassInfo().ClassName()};
            continue;
        }
        const TkavClassInfo *info = kavFindClass(target.ClassName);
        const TkavPropInfo *prop = info ? info->FindProp(name) : nullptr;
        if (prop && (prop->Kind() == pkObject || prop->Kind() == pkComponent)) {
            TPersistent *value = target.Object ? prop->GetObject(*target.Object) : nullptr;
            const TkavClassInfo *cls = value ? &value->ClassInfo() : prop->ObjectClass();
            if (!cls)
                return false;
            target = {value, cls->ClassName()};
            continue;
        }
        // A member of a class the script knows, typed with a class.
        TkyClassVariable *cls = library().FindClass(target.ClassName);
        TkyCustomHelper *member = cls ? cls->Find(name) : nullptr;
        if (!dynamic_cast<TkyPropertyHelper *>(member) || !library().FindClass(member->TypeName()))
            return false;
        target = {nullptr, member->TypeName()};
    }
    return true;
}

// Children of a report object, then its published properties, then what the script's
// class adds (methods, events, properties that are not published).
void TkavCompletion::addMembers(QList<TkavCompletionItem> &items, const Target &target)
{
    if (auto *component = dynamic_cast<TkavComponent *>(target.Object))
        for (const TkavComponent *child : component->Objects())
            items << TkavCompletionItem{child->Name(), child->ClassInfo().ClassName(), ckObject};
    if (const TkavClassInfo *info = kavFindClass(target.ClassName)) {
        for (const TkavPropInfo *prop : info->Props()) {
            if (prop->Kind() == pkMethod)
                continue;
            items << TkavCompletionItem{prop->Name(), prop->TypeName(), prop->Kind() == pkEvent ? ckEvent : ckProperty};
        }
    }
    addScriptMembers(items, target.ClassName);
}

void TkavCompletion::addScriptMembers(QList<TkavCompletionItem> &items, const QString &className)
{
    TkyClassVariable *cls = library().FindClass(className);
    for (int depth = 0; cls && depth < maxAncestors; ++depth) {
        for (int i = 0; i < cls->MembersCount(); ++i) {
            const TkyCustomHelper &member = *cls->Members(i);
            if (auto *method = dynamic_cast<const TkyMethodHelper *>(&member))
                items << TkavCompletionItem{method->Name(), method->Syntax(), method->IndexMethod() ? ckProperty : ckMethod};
            else if (dynamic_cast<const TkyEventHelper *>(&member))
                items << TkavCompletionItem{member.Name(), QString(), ckEvent};
            else if (dynamic_cast<const TkyPropertyHelper *>(&member))
                items << TkavCompletionItem{member.Name(), member.GetFullTypeName(), ckProperty};
        }
        if (cls->Ancestor().isEmpty() || kavSameText(cls->Ancestor(), cls->Name()))
            break;
        cls = library().FindClass(cls->Ancestor());
    }
}
