#include "ky_ilparser.h"

#include "ky_iparser.h"
#include "ky_langs.h"
#include "ky_messages.h"
#include "ky_script.h"
#include "ky_xml.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>
#include <rtl/kavStack.h>
#include <rtl/kavStrings.h>

#include <QFileInfo>

#include <algorithm>
#include <unordered_map>

using namespace Qt::StringLiterals;

namespace {

// Raised inside the rule interpreter when the nesting limit is reached; caught by the
// MakeILScript that owns the interpreter.
struct NestingTooDeep
{};

// Native stack kept free below the deepest rule frame: room for raising and unwinding.
constexpr std::size_t stackReserve = 128 * 1024;

[[noreturn]] void raiseInvalidLanguage()
{
    throw EkyError(kyMessage(u"SInvalidLanguage"));
}

// A unit name as written in the clause: 'a.pas' or "a.pas".
QString stripQuotes(const QString &s)
{
    if (s.size() >= 2 && (s.front() == u'\'' || s.front() == u'"') && s.back() == s.front())
        return s.mid(1, s.size() - 2);
    return s;
}

} // namespace

// One IL element event, the in-memory form of one line of the IL text: a start tag, an end
// tag, a leaf, or a ready unit body. Positions are kept as plain tokenizer positions and
// turned into "line:column" only for the lines that survive.
struct TkyILParser::ILLine
{
    enum Kind : quint8 {
        Open,
        Close,
        Leaf,
        Unit
    };
    Kind kind = Open;
    QString name;
    QString text;                     // Leaf: the value; Open of `uses`: the unit name
    int pos = 0;                      // 0: no pos attribute
    int pos1 = 0;                     // Open of `expr`: end of the expression
    std::unique_ptr<TkyXMLItem> unit; // Unit: the unit's `program` element (may be null)
};

// Walks the grammar's rule elements over the tokenizer, collecting IL lines and the first
// recorded error. One interpreter serves one MakeILScript.
class TkyILParser::Interpreter
{
public:
    Interpreter(TkyILParser &owner, int depth)
        : FOwner(owner)
        , FTk(*owner.FParser)
        , FElements(owner.FGrammar->Elements())
        , FDepth(depth)
        , FRemembers(FElements.size())
    {}

    // rule -> its children in order, wrapped by its node
    bool runRule(int rule) { return enterRule(rule); }

    // An error that a loop cannot clear: a failed unit, the nesting limit, text left over.
    void setFatal(const QString &text, int pos, const QString &posText = QString())
    {
        setError(true, false, text, pos, posText);
    }

    bool HasError() const { return FError.Has; }
    const QString &ErrText() const { return FError.Text; }
    QString ErrPos() const { return FError.PosText.isEmpty() ? FOwner.xyOf(FError.Pos) : FError.PosText; }
    std::vector<ILLine> &Lines() { return FLines; }

private:
    bool interpret(int index);
    bool enterRule(int rule);
    bool loop(const TkyRuleElement &e, int start);
    bool tokenMatches(const TkyRuleElement &e, const QString &token) const;
    void record(const TkyRuleElement &e, int start);
    void wrap(const TkyRuleElement &e, int start, size_t mark, bool matched);
    void wrapUses(size_t mark);
    void appendLeaf(const QString &name, const QString &text, int pos);
    void appendOpen(const QString &name, int pos, int pos1 = 0);
    void appendClose(const QString &name);
    int firstTokenPos(int start);
    void setError(bool sticky, bool term, const QString &text, int pos, const QString &posText);

    // The error recorded so far: the first that nothing cleared.
    struct ErrorState
    {
        bool Has = false;
        bool Term = false;   // it came from a term="1" element
        bool Sticky = false; // a loop cannot clear it
        QString Text;
        int Pos = 0;
        QString PosText; // a position in another text (a unit's)
    };

    // What a failed rule left of the error state, so that trying it again at the same
    // place costs nothing: without it, alternatives sharing a beginning (a unary minus
    // in an expression and in its factor) make the work double with every nesting level.
    struct Failure
    {
        bool changed = false; // false: the attempt left the error as it was
        ErrorState error;     // else the error it left
    };
    // The state a rule attempt started from.
    struct Attempt
    {
        size_t lines;
        quint64 errorStamp;
        quint64 entries;
        int units;
        quint8 errorKind;
    };
    static quint64 failureKey(int rule, int pos, quint8 errorKind);
    quint8 errorKind() const;
    [[gnu::noinline]] bool replayFailure(int rule, int pos);
    [[gnu::noinline]] void failed(int rule, int pos, const Attempt &attempt);
    // A failure that entered fewer rules than this is cheaper to repeat than to remember.
    static constexpr quint64 costWorthRemembering = 32;

    TkyILParser &FOwner;
    TkyParser &FTk;
    const std::vector<TkyRuleElement> &FElements;
    std::vector<ILLine> FLines;
    int FDepth;
    ErrorState FError;
    quint64 FErrorStamp = 0; // counts changes of the error state
    int FUnitsLoaded = 0;
    quint64 FEntries = 0; // rules entered so far
    std::unordered_map<quint64, Failure> FFailures;
    std::vector<bool> FRemembers; // per rule: it has a remembered failure
};

// The position of E's first token: start, after white space and comments.
int TkyILParser::Interpreter::firstTokenPos(int start)
{
    const int current = FTk.Position();
    FTk.SetPosition(start);
    FTk.SkipSpaces();
    const int result = FTk.Position();
    FTk.SetPosition(current);
    return result;
}

void TkyILParser::Interpreter::setError(bool sticky, bool term, const QString &text, int pos,
                                        const QString &posText)
{
    FError = {true, term, sticky, text, pos, posText};
    ++FErrorStamp;
}

// Inside a rule only the kind of the standing error steers the walk (whether there is
// one, whether loops may clear it), never its text: a failure is remembered per kind.
quint64 TkyILParser::Interpreter::failureKey(int rule, int pos, quint8 errorKind)
{
    return (quint64(quint32(pos)) << 32) | (quint64(quint32(rule)) << 2) | errorKind;
}

quint8 TkyILParser::Interpreter::errorKind() const
{
    return !FError.Has ? 0 : FError.Sticky ? 1 : FError.Term ? 2 : 3;
}

// Kept out of enterRule, whose frame is paid once per nesting level.
bool TkyILParser::Interpreter::replayFailure(int rule, int pos)
{
    const auto it = FFailures.find(failureKey(rule, pos, errorKind()));
    if (it == FFailures.end())
        return false;
    const Failure &f = it->second;
    if (f.changed) { // the error as the failure left it, cleared or not
        FError = f.error;
        ++FErrorStamp;
    }
    return true;
}

// A failed rule leaves nothing behind, unless it loaded units: they are loaded once.
void TkyILParser::Interpreter::failed(int rule, int pos, const Attempt &attempt)
{
    if (attempt.units != FUnitsLoaded)
        return;
    FLines.resize(attempt.lines);
    if (FEntries - attempt.entries < costWorthRemembering)
        return;
    Failure &f = FFailures[failureKey(rule, pos, attempt.errorKind)];
    if (attempt.errorStamp != FErrorStamp)
        f = {true, FError};
    FRemembers[size_t(rule)] = true;
}

bool TkyILParser::Interpreter::enterRule(int rule)
{
    // Both bounds: the rule levels, and the thread's real stack (threads may have small
    // stacks, and a grammar may nest many elements inside one rule).
    const char frame = 0;
    if (++FDepth > kyMaxRuleDepth || (FOwner.FStackLimit && &frame < FOwner.FStackLimit))
        throw NestingTooDeep{};
    const int start = FTk.Position();
    if (FRemembers[size_t(rule)] && replayFailure(rule, start)) {
        --FDepth;
        return false;
    }
    const Attempt attempt{FLines.size(), FErrorStamp, ++FEntries, FUnitsLoaded, errorKind()};
    const bool matched = interpret(rule);
    if (!matched)
        failed(rule, start, attempt);
    --FDepth;
    return matched;
}

bool TkyILParser::Interpreter::tokenMatches(const TkyRuleElement &e, const QString &token) const
{
    if (token.isEmpty())
        return false;
    if (!e.HasText)
        return true;
    return FTk.CaseSensitive() ? token == e.Text : token.compare(e.Text, Qt::CaseInsensitive) == 0;
}

// The first error wins; its position is that of the element's first token.
void TkyILParser::Interpreter::record(const TkyRuleElement &e, int start)
{
    if (!e.HasErr || FError.Has)
        return;
    setError(false, e.Term, e.ErrText, firstTokenPos(start), QString());
}

void TkyILParser::Interpreter::appendLeaf(const QString &name, const QString &text, int pos)
{
    ILLine line;
    line.kind = ILLine::Leaf;
    line.name = name;
    line.text = text;
    line.pos = pos;
    FLines.push_back(std::move(line));
}

void TkyILParser::Interpreter::appendOpen(const QString &name, int pos, int pos1)
{
    ILLine line;
    line.kind = ILLine::Open;
    line.name = name;
    line.pos = pos;
    line.pos1 = pos1;
    FLines.push_back(std::move(line));
}

void TkyILParser::Interpreter::appendClose(const QString &name)
{
    ILLine line;
    line.kind = ILLine::Close;
    line.name = name;
    FLines.push_back(std::move(line));
}

// Wraps the lines appended since mark in E's node; `uses` loads the units they name.
// The start tag was reserved just before mark (see interpret).
void TkyILParser::Interpreter::wrap(const TkyRuleElement &e, int start, size_t mark, bool matched)
{
    if (e.NodeIsUses) {
        wrapUses(mark);
        return;
    }
    if (!e.Wraps)
        return;
    if (!matched) {
        FLines.erase(FLines.begin() + qsizetype(mark - 1), FLines.end());
        return;
    }
    ILLine &open = FLines[mark - 1];
    open.pos = firstTokenPos(start);
    // An expression also records where it ends, so its source text can be recovered.
    if (e.NodeIsExpr)
        open.pos1 = FTk.Position();
    appendClose(e.Node);
}

// The unit names collected since mark, from the last to the first, each replaced by a
// `uses` element holding the unit's program: the units stand in reverse clause order.
void TkyILParser::Interpreter::wrapUses(size_t mark)
{
    std::vector<ILLine> names(std::make_move_iterator(FLines.begin() + qsizetype(mark)),
                              std::make_move_iterator(FLines.end()));
    FLines.erase(FLines.begin() + qsizetype(mark), FLines.end());
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (it->kind != ILLine::Leaf)
            continue;
        const QString unitName = stripQuotes(it->text);
        if (unitName.isEmpty() || FOwner.FUsesList.contains(unitName))
            continue;
        FOwner.FUsesList << unitName;
        std::unique_ptr<TkyXMLItem> body;
        QString errText, errPos;
        FOwner.loadUnit(unitName, FDepth, body, errText, errPos);
        ++FUnitsLoaded;
        // A unit's error replaces an ordinary one; of two failed units the first loaded
        // keeps its message, matching the unit name the script already holds.
        if (!errText.isEmpty() && !(FError.Has && FError.Sticky))
            setFatal(errText, 0, errPos);
        ILLine open;
        open.kind = ILLine::Open;
        open.name = u"uses"_s;
        open.text = unitName;
        FLines.push_back(std::move(open));
        ILLine unit;
        unit.kind = ILLine::Unit;
        unit.unit = std::move(body);
        FLines.push_back(std::move(unit));
        appendClose(u"uses"_s);
    }
}

// loop -> children {separator children}; see the header of the grammar format.
bool TkyILParser::Interpreter::loop(const TkyRuleElement &e, int start)
{
    int passes = 0;
    int p1 = start;
    bool passMatched = false;
    for (;;) {
        ++passes;
        const int p0 = FTk.Position();
        passMatched = true;
        for (int child : e.Children) {
            if (!interpret(child)) {
                passMatched = false;
                break;
            }
        }
        p1 = FTk.Position();
        if (passMatched && e.HasText) {
            FTk.SkipSpaces();
            const QString separator = FTk.GetChar();
            if (separator.isEmpty() || separator.compare(e.Text, Qt::CaseInsensitive) != 0) {
                FTk.SetPosition(p1);
                break;
            }
        }
        if (!passMatched || FTk.Position() == p0)
            break;
    }
    bool matched = passMatched;
    if (passes > 1) {
        matched = true;
        FTk.SetPosition(p1);
        // Reaching the end of a repetition is normal; the error of the pass that ended it
        // goes when the loop or the failed element allows it.
        if (FError.Has && !FError.Sticky && (e.LoopClears || FError.Term)) {
            FError.Has = false;
            ++FErrorStamp;
        }
    }
    if (!matched && e.Kind == rkOptionalLoop) {
        FTk.SetPosition(start);
        matched = true;
    }
    return matched;
}

// Interprets one element: true when it matched. The element's own error is recorded when
// it fails; its node wraps what it produced.
bool TkyILParser::Interpreter::interpret(int index)
{
    const TkyRuleElement &e = FElements[size_t(index)];
    const int start = FTk.Position();
    size_t mark = FLines.size();
    bool matched = true;
    QString token;
    // A wrapping element reserves its start tag now, so the wrap fills it in instead of
    // inserting in front of everything produced since.
    const bool reserves = e.Wraps && e.Kind != rkSwitch && e.Kind != rkOptionalSwitch
                          && e.Kind != rkLoop && e.Kind != rkOptionalLoop && e.Kind != rkOptional;
    if (reserves) {
        appendOpen(e.Node, 0);
        mark = FLines.size();
    }

    switch (e.Kind) {
    case rkRule:
    case rkSequence:
        break;
    case rkChar:
        if (!e.NoSkip)
            FTk.SkipSpaces();
        token = FTk.GetChar();
        matched = tokenMatches(e, token);
        break;
    case rkKeyword:
        token = FTk.GetWord();
        matched = tokenMatches(e, token);
        break;
    case rkIdent:
        token = FTk.GetIdent();
        matched = tokenMatches(e, token);
        break;
    case rkNumber:
        token = FTk.GetNumber();
        matched = tokenMatches(e, token);
        break;
    case rkString:
        token = FTk.GetString();
        matched = tokenMatches(e, token);
        break;
    case rkKVString: {
        // <expression> in a script: a call of the host's Get with the text as a string.
        token = FTk.GetKVString();
        matched = tokenMatches(e, token);
        if (matched) {
            const int pos = FTk.Position();
            appendOpen(u"dsgn"_s, pos);
            appendLeaf(u"node"_s, u"Get"_s, pos);
            appendOpen(u"expr"_s, pos);
            appendLeaf(u"string"_s, u'\'' + token + u'\'', pos);
            appendClose(u"expr"_s);
            appendClose(u"dsgn"_s);
        }
        break;
    }
    case rkEol:
        matched = FTk.GetEOL();
        break;
    case rkSwitch:
    case rkOptionalSwitch:
        for (int child : e.Children)
            if (interpret(child))
                return true;
        if (e.Kind == rkOptionalSwitch)
            return true;
        record(e, start);
        return false;
    case rkLoop:
    case rkOptionalLoop:
        return loop(e, start);
    case rkOptional:
        for (int child : e.Children) {
            if (!interpret(child)) {
                FTk.SetPosition(start);
                break;
            }
        }
        return true;
    case rkReference:
        if (e.Target < 0)
            raiseInvalidLanguage();
        matched = enterRule(e.Target);
        break;
    }

    if (!matched) {
        if (reserves)
            FLines.erase(FLines.begin() + qsizetype(mark - 1));
        record(e, start);
        FTk.SetPosition(start);
        return false;
    }
    if (e.Kind != rkRule)
        wrap(e, start, mark, true);
    if (!e.Add.isEmpty())
        appendLeaf(e.Add, e.HasAddText ? e.AddText : token, FTk.Position());
    for (int child : e.Children) {
        if (!interpret(child)) {
            matched = false;
            break;
        }
    }
    if (!matched)
        FTk.SetPosition(start);
    if (e.Kind == rkRule)
        wrap(e, start, mark, matched);
    return matched;
}

// --- TkyILParser ---

TkyILParser::TkyILParser(TkyScript *AProgram)
    : FProgram(AProgram)
    , FILScript(std::make_unique<TkyXMLDocument>())
    , FParser(std::make_unique<TkyParser>())
{}

TkyILParser::~TkyILParser() = default;

TkyXMLDocument &TkyILParser::ILScript()
{
    return *FILScript;
}

void TkyILParser::SetILScript(std::unique_ptr<TkyXMLDocument> IL)
{
    FILScript = std::move(IL);
}

void TkyILParser::SelectLanguage(const QString &LangName)
{
    FParser->Clear();
    FLangName = LangName;
    FGrammar = kyGetGrammar(LangName);
    for (const QString &keyword : FGrammar->Keywords())
        FParser->AddKeyword(keyword);
    FNeedDeclareVars = true;
    FStrictEnd = false;
    for (const auto &[name, value] : FGrammar->Options()) {
        if (name == u"identchars")
            FParser->ConstructCharset(value);
        else if (name == u"commentline1")
            FParser->SetCommentLine1(value);
        else if (name == u"commentline2")
            FParser->SetCommentLine2(value);
        else if (name == u"commentblock1")
            FParser->SetCommentBlock1(value);
        else if (name == u"commentblock2")
            FParser->SetCommentBlock2(value);
        else if (name == u"stringquotes")
            FParser->SetStringQuotes(value);
        else if (name == u"hexsequence")
            FParser->SetHexSequence(value);
        else if (name == u"skipchar")
            FParser->SetSkipChar(value);
        // Boolean options react only to the value that changes their default.
        else if (name == u"specstrchar" && value == u"1")
            FParser->SetSpecStrChar(true);
        else if (name == u"casesensitive" && value == u"1")
            FParser->SetCaseSensitive(true);
        else if (name == u"skipeol" && value == u"0")
            FParser->SetSkipEOL(false);
        else if (name == u"declarevars" && value == u"0")
            FNeedDeclareVars = false;
        else if (name == u"strictend" && value == u"1")
            FStrictEnd = true;
    }
    if (FProgram && FProgram->ExtendedCharset()) {
        TkyIdentifierCharset charset = FParser->IdentifierCharset();
        for (int c = 128; c < 256; ++c)
            charset.set(size_t(c));
        FParser->SetIdentifierCharset(charset);
    }
}

// "line:column" of a 1-based position: the line is the last line start before pos (a line
// feed belongs to the line it ends), the column counts from there.
QString TkyILParser::xyOf(int pos) const
{
    const auto next = std::lower_bound(FLineFeeds.begin(), FLineFeeds.end(), pos);
    const int line = int(next - FLineFeeds.begin());
    const int column = pos - (line > 0 ? FLineFeeds[size_t(line - 1)] : 0);
    return QString::number(line + 1) + u':' + QString::number(column);
}

// "#language Name" as the first line: the language to use and where parsing starts (after
// the line end, which may be CR LF, LF or CR); 0 when the text has no such line.
static int languageLine(const QString &text, QString &language)
{
    static const QString directive = u"#language"_s;
    if (!text.startsWith(directive, Qt::CaseInsensitive))
        return 0;
    const qsizetype after = directive.size();
    if (after < text.size()) {
        const QChar c = text.at(after);
        if (c.isLetterOrNumber() || c == u'_')
            return 0; // "#languages" is another word
    }
    qsizetype eol = after;
    while (eol < text.size() && text.at(eol) != u'\r' && text.at(eol) != u'\n')
        ++eol;
    language = text.mid(after, eol - after).trimmed();
    qsizetype next = eol;
    if (next < text.size() && text.at(next) == u'\r')
        ++next;
    if (next < text.size() && text.at(next) == u'\n')
        ++next;
    return int(next) + 1; // 1-based
}

bool TkyILParser::MakeILScript(const QString &text)
{
    if (FUnitName.isEmpty() && FProgram)
        FProgram->SetErrorUnit(QString());
    FILScript->Clear();
    FILScript->Root()->SetName(u"program"_s);
    FILScript->Root()->SetText(QString());
    auto report = [this](const QString &message, const QString &pos) {
        if (FProgram) {
            FProgram->SetErrorMsg(message);
            FProgram->SetErrorPos(pos);
        }
    };
    if (text.size() > kyMaxSourceLength) {
        report(QString::fromUtf16(kySourceTooLarge), u"1:1"_s);
        return false;
    }
    FParser->SetText(text);
    FLineFeeds.clear();
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text.at(i) == u'\n')
            FLineFeeds.push_back(int(i) + 1);
    QString language;
    if (const int start = languageLine(text, language)) {
        SelectLanguage(language);
        FParser->SetPosition(start);
    }
    if (!FGrammar)
        throw EkyError(kyMessage(u"SLangNotFound").replace(u"%s"_s, FLangName));
    if (FGrammar->ProgramRule() < 0)
        raiseInvalidLanguage();

    if (!FStackLimit)
        FStackLimit = kavStackLimit(stackReserve);
    Interpreter interpreter(*this, FBaseDepth);
    interpreter.Lines().reserve(size_t(std::min<qsizetype>(text.size() / 8, 1 << 16)));
    bool matched = false;
    try {
        matched = interpreter.runRule(FGrammar->ProgramRule());
    } catch (const NestingTooDeep &) {
        interpreter.setFatal(QString::fromUtf16(kyNestingTooDeep), FParser->Position());
    }
    if (FStrictEnd && !interpreter.HasError()) {
        // Only white space, comments and line ends may follow the program.
        do
            FParser->SkipSpaces();
        while (FParser->GetEOL());
        if (FParser->Position() <= FParser->Size())
            interpreter.setFatal(FGrammar->ErrorText(u"err3"_s), FParser->Position());
    }

    bool success = matched && !interpreter.HasError();
    if (interpreter.HasError())
        report(interpreter.ErrText(), interpreter.ErrPos());
    else
        report(QString(), QString());
    if (success) {
        // The IL tree has the bounds of every script XML tree.
        QString message;
        QString pos;
        if (!buildIL(std::move(interpreter.Lines()), message, pos)) {
            report(message, pos);
            success = false;
        }
    } else if (!interpreter.HasError()) {
        QString unused;
        buildIL(std::vector<ILLine>(), unused, unused); // nothing matched, nothing to report
    }
    return success;
}

// Turns the collected lines into the IL tree under the `program` root and appends a copy
// of the grammar's type aliases. False, with the message and the position of the line it
// stopped at, when the tree would nest deeper or hold more items than an XML tree may.
bool TkyILParser::buildIL(std::vector<ILLine> lines, QString &message, QString &pos)
{
    TkyXMLItem *root = FILScript->Root();
    std::vector<TkyXMLItem *> stack{root};
    int at = 0;
    try {
        for (ILLine &line : lines) {
            at = line.pos;
            if (stack.size() > size_t(TkyXMLItem::MaxDepth) && line.kind != ILLine::Close)
                throw EkyError(QString::fromUtf16(kyNestingTooDeep));
            addILLine(line, stack);
        }
        auto types = std::make_unique<TkyXMLItem>();
        if (FGrammar && FGrammar->Types())
            types->Assign(*FGrammar->Types());
        else
            types->SetName(u"types"_s);
        root->AddItem(std::move(types));
    } catch (const EkyError &e) {
        message = e.Message();
        pos = xyOf(at);
        return false;
    }
    return true;
}

// Appends one IL line below the open element at the top of stack.
void TkyILParser::addILLine(ILLine &line, std::vector<TkyXMLItem *> &stack)
{
    switch (line.kind) {
    case ILLine::Open: {
        TkyXMLItem *item = stack.back()->Add(line.name);
        QString attributes;
        if (!line.text.isEmpty())
            attributes = u"unit=\""_s + kyEscapeXML(line.text) + u'"';
        else {
            attributes = u"pos=\""_s + xyOf(line.pos) + u'"';
            if (line.pos1 > 0)
                attributes += u" pos1=\""_s + xyOf(line.pos1) + u'"';
        }
        item->SetText(attributes);
        stack.push_back(item);
        break;
    }
    case ILLine::Close:
        if (stack.size() > 1)
            stack.pop_back();
        break;
    case ILLine::Leaf:
        stack.back()->Add(line.name)->SetText(u"text=\""_s + kyEscapeXML(line.text)
                                              + u"\" pos=\""_s + xyOf(line.pos) + u'"');
        break;
    case ILLine::Unit:
        if (line.unit)
            stack.back()->AddItem(std::move(line.unit));
        break;
    }
}

// The text of a unit: from the script's OnGetUnit handler, else the first include-path
// folder that has the file (the file policy decides whether it may be read).
QString TkyILParser::unitText(const QString &unitName)
{
    TStringList lines;
    if (FProgram && FProgram->OnGetUnit()) {
        lines.SetText(FProgram->OnGetUnit()(*FProgram, unitName));
        return lines.Text();
    }
    QString path = unitName;
    if (FProgram) {
        for (const QString &dir : FProgram->IncludePath()) {
            path = dir.isEmpty()        ? unitName
                   : dir.endsWith(u'/') ? dir + unitName
                                        : dir + u'/' + unitName;
            if (QFileInfo::exists(path))
                break;
        }
    }
    kavCheckFileAccess(path, false);
    lines.LoadFromFile(path);
    return lines.Text();
}

// Parses a unit with a parser of its own that shares the loaded-units list; body gets its
// program element, or errText/errPos the unit's first error.
void TkyILParser::loadUnit(const QString &unitName,
                           int depth,
                           std::unique_ptr<TkyXMLItem> &body,
                           QString &errText,
                           QString &errPos)
{
    const QString text = unitText(unitName);
    if (text.isEmpty())
        return;
    TkyILParser unit(FProgram);
    unit.FUnitName = unitName;
    unit.FBaseDepth = depth;
    unit.FStackLimit = FStackLimit;
    unit.SelectLanguage(FLangName);
    unit.FUsesList = FUsesList;
    const bool ok = unit.MakeILScript(text);
    const QString message = FProgram ? FProgram->ErrorMsg() : QString();
    if (!ok && !message.isEmpty()) {
        errText = message;
        errPos = FProgram->ErrorPos();
        if (FProgram->ErrorUnit().isEmpty())
            FProgram->SetErrorUnit(unitName);
        return;
    }
    FUsesList = unit.FUsesList;
    TkyXMLItem *unitRoot = unit.FILScript->Root();
    body = std::make_unique<TkyXMLItem>();
    body->SetName(unitRoot->Name());
    body->SetText(unitRoot->Text());
    while (unitRoot->Count() > 0)
        body->AddItem(unitRoot->Extract(unitRoot->Items(0)));
}

QString kyScriptLinesText(const QString &text)
{
    TStringList lines;
    lines.SetText(text);
    return lines.Text();
}
