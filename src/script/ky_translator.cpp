// The IL translator: walks the IL of a program and builds its variables, constants,
// procedures, statements, expressions and designators inside the script. The static checks
// of the language happen here (declarations, types, assignability, loop variables). IL may
// come from files (SetILCode, units), so every element's shape is checked before use.
#include "ky_designators.h"
#include "ky_expressions.h"
#include "ky_ilparser.h"
#include "ky_langs.h"
#include "ky_messages.h"
#include "ky_procedures.h"
#include "ky_script.h"
#include "ky_statements.h"
#include "ky_xml.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavLimits.h>

#include <new>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

bool isNamed(const TkyXMLItem &x, QStringView name)
{
    return x.Name().compare(name, Qt::CaseInsensitive) == 0;
}

const TkyXMLItem *findChild(const TkyXMLItem &x, QStringView name)
{
    for (int i = 0; i < x.Count(); ++i)
        if (isNamed(*x.Items(i), name))
            return x.Items(i);
    return nullptr;
}

// A literal: 'text' (what stands between the first and the last apostrophe) or a number.
Variant literalValue(const QString &text)
{
    if (text.startsWith(u'\'')) {
        const qsizetype last = text.lastIndexOf(u'\'');
        return last > 0 ? text.mid(1, last - 1) : QString();
    }
    if (std::optional<Variant> value = kyNumberLiteral(text))
        return *value;
    kavRaise<EConvertError>(u"'%1' is not a valid floating point value"_s.arg(text));
}

// The IL of target + (value) with JScript's joining +, for target += value.
std::unique_ptr<TkyXMLItem> joinedSum(const TkyXMLItem &target, const TkyXMLItem &value)
{
    const QString pos = value.Prop(u"pos"_s);
    auto sum = std::make_unique<TkyXMLItem>();
    sum->SetName(u"expr"_s);
    sum->SetProp(u"pos"_s, pos);
    const auto op = [&](const QString &text) {
        TkyXMLItem *item = sum->Add(u"op"_s);
        item->SetProp(u"text"_s, text);
        item->SetProp(u"pos"_s, pos);
    };
    sum->Add()->Assign(target);
    op(u"strplus"_s);
    op(u"("_s);
    sum->Add()->Assign(value);
    op(u")"_s);
    return sum;
}

// Starts of the lines of a text, for turning "line:column" into offsets.
QList<qsizetype> lineStarts(const QString &text)
{
    QList<qsizetype> starts{0};
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == u'\n')
            starts.append(i + 1);
    return starts;
}

} // namespace

// One translation: the program, the text the IL came from and the state of the walk.
class TkyTranslator
{
public:
    TkyTranslator(TkyILParser &parser, const QString &sourceText)
        : FParser(parser)
        , FProgram(*parser.Program())
        , FSource(sourceText)
        , FLineStarts(lineStarts(sourceText))
    {}

    void translate(const TkyXMLItem &root);

    std::unique_ptr<TkyDesignator> doDesignator(const TkyXMLItem &xi, TkyScript &prog, TkyEmitOp emitOp);

private:
    struct WithEntry
    {
        QString name;
        TkyVariable *var;
        TkyScript *scope;
    };

    [[noreturn]] void invalid(const TkyXMLItem &x) const
    {
        kavRaise<EkyError>(u"Invalid file format: incomplete '%1' element"_s.arg(x.Name()));
    }
    const TkyXMLItem &child(const TkyXMLItem &x, int i) const
    {
        if (i < 0 || i >= x.Count())
            invalid(x);
        return *x.Items(i);
    }
    void at(const TkyXMLItem &x)
    {
        const QString pos = x.Prop(u"pos"_s);
        if (!pos.isEmpty())
            FErrorPos = pos;
    }

    void translateBlock(const TkyXMLItem &e, TkyScript &s);
    void declareRoutines(const TkyXMLItem &e, TkyScript &s);
    void declareRoutine(const TkyXMLItem &x, TkyScript &s);
    void declareParams(const TkyXMLItem &params, TkyProcVariable &proc);
    void translateStatement(const TkyXMLItem &x, TkyScript &s, TkyStatement &l);
    void translateChildren(const TkyXMLItem &x, TkyScript &s, TkyStatement &l, int from = 0);
    // A loop body: break and continue belong to the loop.
    void translateBody(const TkyXMLItem &x, TkyScript &s, TkyStatement &l);
    void checkInLoop() const;
    void translateAssign(const TkyXMLItem &x, TkyScript &s, TkyStatement &l);
    void translateCall(const TkyXMLItem &x, TkyScript &s, TkyStatement &l);
    void translateIf(const TkyXMLItem &x, TkyScript &s, TkyStatement &l);
    void translateCase(const TkyXMLItem &x, TkyScript &s, TkyStatement &l);
    void translateFor(const TkyXMLItem &x, TkyScript &s, TkyStatement &l, bool vb);
    void translateCppFor(const TkyXMLItem &x, TkyScript &s, TkyStatement &l);
    void translateWhile(const TkyXMLItem &x, TkyScript &s, TkyStatement &l);
    void translateRepeat(const TkyXMLItem &x, TkyScript &s, TkyStatement &l);
    void translateTry(const TkyXMLItem &x, TkyScript &s, TkyStatement &l);
    void translateReturn(const TkyXMLItem &x, TkyScript &s, TkyStatement &l);
    void translateWith(const TkyXMLItem &x, TkyScript &s, TkyStatement &l);
    void translateUses(const TkyXMLItem &x, TkyScript &s);
    void translateVar(const TkyXMLItem &x, TkyScript &s, TkyStatement &l);
    void translateConst(const TkyXMLItem &x, TkyScript &s);

    std::unique_ptr<TkyExpression> translateExpression(const TkyXMLItem &e, TkyScript &s);
    void addExpressionItems(TkyExpression &expr, const TkyXMLItem &e, TkyScript &s);
    std::unique_ptr<TkySetExpression> translateSet(const TkyXMLItem &e, TkyScript &s);
    std::unique_ptr<TkyCustomVariable> createVar(const TkyXMLItem &x, TkyScript &s, bool byRef,
                                                 bool isParam, TkyStatement *l, const QString &name);
    Variant arrayValue(const TkyXMLItem &array, TkyScript &s);

    TkyCustomVariable *findVar(TkyScript &s, const QString &name);
    TkyVarType findType(const QString &name);
    void checkIdent(const TkyScript &s, const QString &name) const;
    void checkCompatible(const TkyCustomVariable &target, const TkyCustomVariable &source) const;
    void checkArguments(TkyDesignator &d);
    void addDesignatorNode(TkyDesignator &d, const TkyXMLItem &node, TkyScript &prog, TkyEmitOp emitOp);
    std::unique_ptr<TkyDesignatorItem> withItem(const QString &name, TkyScript &prog, TkyDesignator &d,
                                                const QString &pos);
    std::unique_ptr<TkyDesignatorItem> dynamicItem(const QString &name, const QString &pos);
    bool appendChild(TkyDesignator &d, TkyCustomVariable &owner, const QString &name,
                     const QString &pos);
    void appendMember(TkyDesignator &d, TkyCustomVariable &classItem, const QString &member,
                      const QString &pos);
    QString sourceOf(const TkyXMLItem &e) const;
    qsizetype offsetOf(const QString &pos) const;
    TkyStatement &mainList(TkyScript &s);
    QString linePos(const TkyXMLItem &x) const { return x.Prop(u"pos"_s); }

    TkyILParser &FParser;
    TkyScript &FProgram;
    const TkyXMLItem *FProgRoot = nullptr;
    QString FErrorPos;
    QString FUnitName;
    std::vector<WithEntry> FWithList;
    int FLoopDepth = 0; // loops around the statement being translated, in its routine
    QString FSource;
    QList<qsizetype> FLineStarts;
};

// ---------------------------------------------------------------------------------------
// Entry points

bool TkyILParser::ParseILScript(const QString &SourceText)
{
    TkyTranslator translator(*this, SourceText);
    translator.translate(*ILScript().Root());
    return FProgram->ErrorMsg().isEmpty();
}

void TkyTranslator::translate(const TkyXMLItem &root)
{
    FWithList.clear();
    FProgram.SetErrorUnit(QString());
    FUnitName.clear();
    try {
        if (!isNamed(root, u"program"))
            invalid(root);
        translateBlock(root, FProgram);
        FProgram.SetErrorPos(QString());
    } catch (const Exception &e) {
        FProgram.SetErrorMsg(e.Message());
        FProgram.SetErrorPos(FErrorPos);
        FProgram.SetErrorUnit(FUnitName);
    } catch (const std::bad_alloc &) {
        FProgram.SetErrorMsg(QString::fromUtf16(kavOutOfMemoryMessage));
        FProgram.SetErrorPos(FErrorPos);
        FProgram.SetErrorUnit(FUnitName);
    }
}

TkyStatement &TkyTranslator::mainList(TkyScript &s)
{
    if (!s.Statement())
        s.SetStatement(std::make_unique<TkyStatement>(s, FUnitName, QString()));
    return *s.Statement();
}

// ---------------------------------------------------------------------------------------
// Blocks and routines

void TkyTranslator::translateBlock(const TkyXMLItem &e, TkyScript &s)
{
    const TkyXMLItem *outerRoot = FProgRoot;
    FProgRoot = &e;
    declareRoutines(e, s);
    TkyStatement &list = mainList(s);
    for (int i = 0; i < e.Count(); ++i)
        translateStatement(*e.Items(i), s, list);
    FProgRoot = outerRoot;
}

void TkyTranslator::declareRoutines(const TkyXMLItem &e, TkyScript &s)
{
    for (int i = 0; i < e.Count(); ++i) {
        const TkyXMLItem &x = *e.Items(i);
        if (isNamed(x, u"procedure") || isNamed(x, u"function"))
            declareRoutine(x, s);
        else if (isNamed(x, u"compoundstmt"))
            declareRoutines(x, s);
    }
}

void TkyTranslator::declareRoutine(const TkyXMLItem &x, TkyScript &s)
{
    at(x);
    const TkyXMLItem *nameItem = findChild(x, u"name");
    if (!nameItem)
        invalid(x);
    const QString name = nameItem->Prop(u"text"_s);
    at(*nameItem);
    checkIdent(s, name);
    TkyVarType kind = fvtInt;
    QString typeName;
    bool isFunc = false;
    if (isNamed(x, u"function")) {
        kind = fvtVariant;
        isFunc = true;
        if (const TkyXMLItem *type = findChild(x, u"type")) {
            typeName = type->Prop(u"text"_s);
            at(*type);
            isFunc = !kavSameText(typeName, u"void");
            kind = isFunc ? findType(typeName) : fvtInt;
        }
    }
    auto proc = std::make_unique<TkyProcVariable>(name, kind, s, typeName, isFunc);
    proc->SetSourcePos(linePos(*nameItem));
    proc->SetSourceUnit(FUnitName);
    proc->Program().SetOnGetVarValue(FProgram.OnGetVarValue());
    TkyProcVariable &raw = *proc;
    s.Add(name, std::move(proc));
    for (int i = 0; i < x.Count(); ++i)
        if (isNamed(*x.Items(i), u"parameters"))
            declareParams(*x.Items(i), raw);
}

void TkyTranslator::declareParams(const TkyXMLItem &params, TkyProcVariable &proc)
{
    bool nextByRef = false;
    for (int i = 0; i < params.Count(); ++i) {
        const TkyXMLItem &group = *params.Items(i);
        if (isNamed(group, u"varparams")) {
            nextByRef = true;
            continue;
        }
        if (!isNamed(group, u"var"))
            continue;
        bool byRef = nextByRef;
        nextByRef = false;
        for (int j = 0; j < group.Count(); ++j) {
            const TkyXMLItem &g = *group.Items(j);
            if (isNamed(g, u"varparam"))
                byRef = true;
            if (!isNamed(g, u"ident"))
                continue;
            at(g);
            const QString name = g.Prop(u"text"_s);
            checkIdent(proc.Program(), name);
            // createVar makes a TkyParamItem for a parameter.
            std::unique_ptr<TkyParamItem> param(static_cast<TkyParamItem *>(
                createVar(group, proc.Program(), byRef, true, nullptr, name).release()));
            param->SetDefValue(param->GetValue());
            proc.AddParam(std::move(param));
        }
    }
}

// ---------------------------------------------------------------------------------------
// Statements

void TkyTranslator::translateChildren(const TkyXMLItem &x, TkyScript &s, TkyStatement &l, int from)
{
    for (int i = from; i < x.Count(); ++i)
        translateStatement(*x.Items(i), s, l);
}

void TkyTranslator::translateBody(const TkyXMLItem &x, TkyScript &s, TkyStatement &l)
{
    ++FLoopDepth;
    translateStatement(x, s, l);
    --FLoopDepth;
}

// A break or continue outside every loop of its routine would end the routine or the
// program without a word: refused instead.
void TkyTranslator::checkInLoop() const
{
    if (FLoopDepth == 0)
        kavRaise<EkyError>(u"Break or continue outside a loop"_s);
}

void TkyTranslator::translateStatement(const TkyXMLItem &x, TkyScript &s, TkyStatement &l)
{
    at(x);
    const QString name = x.Name().toLower();
    const QString pos = linePos(x);
    bool executable = true;
    if (name == u"assignstmt")
        translateAssign(x, s, l);
    else if (name == u"callstmt")
        translateCall(x, s, l);
    else if (name == u"ifstmt")
        translateIf(x, s, l);
    else if (name == u"casestmt")
        translateCase(x, s, l);
    else if (name == u"forstmt")
        translateFor(x, s, l, false);
    else if (name == u"vbforstmt")
        translateFor(x, s, l, true);
    else if (name == u"cppforstmt")
        translateCppFor(x, s, l);
    else if (name == u"whilestmt")
        translateWhile(x, s, l);
    else if (name == u"repeatstmt")
        translateRepeat(x, s, l);
    else if (name == u"trystmt")
        translateTry(x, s, l);
    else if (name == u"break") {
        checkInLoop();
        l.Add(std::make_unique<TkyBreakStmt>(s, FUnitName, pos));
    } else if (name == u"continue") {
        checkInLoop();
        l.Add(std::make_unique<TkyContinueStmt>(s, FUnitName, pos));
    }
    else if (name == u"exit")
        l.Add(std::make_unique<TkyExitStmt>(s, FUnitName, pos));
    else if (name == u"return")
        translateReturn(x, s, l);
    else if (name == u"with")
        translateWith(x, s, l);
    else if (name == u"delete") {
        auto stmt = std::make_unique<TkyCallStmt>(s, FUnitName, pos);
        stmt->SetDesignator(doDesignator(child(x, 0), s, emFree));
        l.Add(std::move(stmt));
    } else {
        executable = false;
        if (name == u"compoundstmt")
            translateChildren(x, s, l);
        else if (name == u"uses")
            translateUses(x, s);
        else if (name == u"var")
            translateVar(x, s, l);
        else if (name == u"const")
            translateConst(x, s);
        else if (name == u"procedure" || name == u"function") {
            const TkyXMLItem *nameItem = findChild(x, u"name");
            if (!nameItem)
                invalid(x);
            auto *proc = dynamic_cast<TkyProcVariable *>(findVar(s, nameItem->Prop(u"text"_s)));
            if (!proc)
                invalid(x);
            const int outerLoops = std::exchange(FLoopDepth, 0); // a routine starts outside loops
            translateBlock(x, proc->Program());
            FLoopDepth = outerLoops;
        }
    }
    if (executable)
        FProgram.AddCodeLine(FUnitName, pos);
}

void TkyTranslator::translateAssign(const TkyXMLItem &x, TkyScript &s, TkyStatement &l)
{
    std::unique_ptr<TkyDesignator> target = doDesignator(child(x, 0), s, emNone);
    QString modificator;
    int exprIndex = 1;
    if (isNamed(child(x, 1), u"modificator")) {
        modificator = child(x, 1).Prop(u"text"_s);
        exprIndex = 2;
    }
    std::unique_ptr<TkyExpression> expr;
    if (modificator == u"strplus") { // JScript's +=: joins text like its +
        expr = translateExpression(*joinedSum(child(x, 0), child(x, exprIndex)), s);
        modificator.clear();
    } else
        expr = translateExpression(child(x, exprIndex), s);
    at(x);
    if (target->IsReadOnly())
        kyRaise(u"SLeftCantAssigned");
    checkCompatible(*target, *expr);
    if (modificator.isEmpty())
        modificator = expr->Optimize(target.get());
    const QString pos = linePos(x);
    std::unique_ptr<TkyAssignmentStmt> stmt;
    switch (modificator.isEmpty() ? u' ' : modificator.front().unicode()) {
    case u'*': stmt = std::make_unique<TkyAssignMulStmt>(s, FUnitName, pos); break;
    case u'+': stmt = std::make_unique<TkyAssignPlusStmt>(s, FUnitName, pos); break;
    case u'-': stmt = std::make_unique<TkyAssignMinusStmt>(s, FUnitName, pos); break;
    case u'/': stmt = std::make_unique<TkyAssignDivStmt>(s, FUnitName, pos); break;
    default: stmt = std::make_unique<TkyAssignmentStmt>(s, FUnitName, pos); break;
    }
    TkyAssignmentStmt *raw = l.Add(std::move(stmt));
    raw->SetDesignator(std::move(target));
    raw->SetExpression(std::move(expr));
}

void TkyTranslator::translateCall(const TkyXMLItem &x, TkyScript &s, TkyStatement &l)
{
    auto stmt = std::make_unique<TkyCallStmt>(s, FUnitName, linePos(x));
    std::unique_ptr<TkyDesignator> d = doDesignator(child(x, 0), s, emNone);
    if (x.Count() > 1) {
        at(x);
        if (d->IsReadOnly())
            kyRaise(u"SLeftCantAssigned");
        stmt->SetModificator(child(x, 1).Prop(u"text"_s));
    }
    stmt->SetDesignator(std::move(d));
    l.Add(std::move(stmt));
}

void TkyTranslator::translateIf(const TkyXMLItem &x, TkyScript &s, TkyStatement &l)
{
    auto stmt = std::make_unique<TkyIfStmt>(s, FUnitName, linePos(x));
    stmt->SetCondition(translateExpression(child(x, 0), s));
    TkyIfStmt *raw = l.Add(std::move(stmt));
    if (const TkyXMLItem *thenPart = findChild(x, u"thenstmt"))
        translateChildren(*thenPart, s, *raw);
    if (const TkyXMLItem *elsePart = findChild(x, u"elsestmt"))
        translateChildren(*elsePart, s, raw->ElseStmt());
}

void TkyTranslator::translateCase(const TkyXMLItem &x, TkyScript &s, TkyStatement &l)
{
    auto stmt = std::make_unique<TkyCaseStmt>(s, FUnitName, linePos(x));
    stmt->SetCondition(translateExpression(child(x, 0), s));
    TkyCaseStmt *raw = l.Add(std::move(stmt));
    for (int i = 1; i < x.Count(); ++i) {
        const TkyXMLItem &c = *x.Items(i);
        if (!isNamed(c, u"caseselector")) {
            if (i == x.Count() - 1)
                translateStatement(c, s, raw->ElseStmt());
            continue;
        }
        at(c);
        if (c.Count() != 2 || !isNamed(child(c, 0), u"set"))
            invalid(c);
        auto selector = std::make_unique<TkyCaseSelector>(s, FUnitName, linePos(c));
        selector->SetSetExpression(translateSet(child(c, 0), s));
        TkyCaseSelector *sel = raw->Add(std::move(selector));
        translateStatement(child(c, 1), s, *sel);
    }
}

void TkyTranslator::translateFor(const TkyXMLItem &x, TkyScript &s, TkyStatement &l, bool vb)
{
    const TkyXMLItem &ident = child(x, 0);
    at(ident);
    TkyCustomVariable *var = findVar(s, ident.Prop(u"text"_s));
    const TkyVarType k = var->Typ();
    if (!dynamic_cast<TkyVariable *>(var) || var->IsReadOnly()
        || (k != fvtInt && k != fvtFloat && k != fvtVariant && k != fvtInt64))
        kyRaise(u"SForError");
    const auto bound = [&](int i) {
        std::unique_ptr<TkyExpression> e = translateExpression(child(x, i), s);
        checkCompatible(*var, *e);
        return e;
    };
    int next = 1;
    std::unique_ptr<TkyExpression> first = bound(next++);
    bool down = false;
    if (!vb && isNamed(child(x, next), u"downto")) {
        down = true;
        ++next;
    }
    std::unique_ptr<TkyExpression> last = bound(next++);
    TkyStatement *body;
    if (vb) {
        auto stmt = std::make_unique<TkyVbForStmt>(s, FUnitName, linePos(x));
        stmt->SetBeginValue(std::move(first));
        stmt->SetEndValue(std::move(last));
        if (next < x.Count() && isNamed(*x.Items(next), u"expr"))
            stmt->SetStep(bound(next++));
        stmt->SetVariable(var);
        body = l.Add(std::move(stmt));
    } else {
        auto stmt = std::make_unique<TkyForStmt>(s, FUnitName, linePos(x));
        stmt->SetBeginValue(std::move(first));
        stmt->SetEndValue(std::move(last));
        stmt->SetDown(down);
        stmt->SetVariable(var);
        body = l.Add(std::move(stmt));
    }
    if (next < x.Count())
        translateBody(*x.Items(next), s, *body);
}

void TkyTranslator::translateCppFor(const TkyXMLItem &x, TkyScript &s, TkyStatement &l)
{
    auto stmt = std::make_unique<TkyCppForStmt>(s, FUnitName, linePos(x));
    TkyCppForStmt *raw = l.Add(std::move(stmt));
    translateStatement(child(x, 0), s, raw->FirstStmt());
    if (isNamed(child(x, 1), u"expr"))
        raw->SetExpression(translateExpression(child(x, 1), s));
    translateStatement(child(x, 2), s, raw->SecondStmt());
    if (x.Count() > 3)
        translateBody(child(x, 3), s, *raw);
}

void TkyTranslator::translateWhile(const TkyXMLItem &x, TkyScript &s, TkyStatement &l)
{
    auto stmt = std::make_unique<TkyWhileStmt>(s, FUnitName, linePos(x));
    stmt->SetCondition(translateExpression(child(x, 0), s));
    TkyWhileStmt *raw = l.Add(std::move(stmt));
    if (x.Count() > 1)
        translateBody(child(x, 1), s, *raw);
}

void TkyTranslator::translateRepeat(const TkyXMLItem &x, TkyScript &s, TkyStatement &l)
{
    int cond = x.Count() - 1;
    const bool inverse = cond >= 0 && isNamed(child(x, cond), u"inverse");
    if (inverse)
        --cond;
    auto stmt = std::make_unique<TkyRepeatStmt>(s, FUnitName, linePos(x));
    stmt->SetInverseCondition(inverse);
    stmt->SetCondition(translateExpression(child(x, cond), s));
    TkyRepeatStmt *raw = l.Add(std::move(stmt));
    for (int i = 0; i < cond; ++i)
        translateBody(*x.Items(i), s, *raw);
}

void TkyTranslator::translateTry(const TkyXMLItem &x, TkyScript &s, TkyStatement &l)
{
    auto stmt = std::make_unique<TkyTryStmt>(s, FUnitName, linePos(x));
    TkyTryStmt *raw = l.Add(std::move(stmt));
    for (int i = 0; i < x.Count(); ++i) {
        const TkyXMLItem &c = *x.Items(i);
        if (isNamed(c, u"exceptstmt")) {
            raw->SetIsExcept(true);
            translateChildren(c, s, raw->ExceptStmt());
        } else if (isNamed(c, u"finallystmt"))
            translateChildren(c, s, raw->ExceptStmt());
        else
            translateStatement(c, s, *raw);
    }
}

void TkyTranslator::translateReturn(const TkyXMLItem &x, TkyScript &s, TkyStatement &l)
{
    const QString pos = linePos(x);
    if (x.Count() > 0) {
        const TkyXMLItem &e = child(x, 0);
        TkyXMLItem dsgn;
        dsgn.SetName(u"dsgn"_s);
        dsgn.SetProp(u"pos"_s, e.Prop(u"pos"_s));
        TkyXMLItem *node = dsgn.Add(u"node"_s);
        node->SetProp(u"text"_s, u"Result"_s);
        node->SetProp(u"pos"_s, e.Prop(u"pos"_s));
        std::unique_ptr<TkyDesignator> target = doDesignator(dsgn, s, emNone);
        std::unique_ptr<TkyExpression> expr = translateExpression(e, s);
        checkCompatible(*target, *expr);
        auto stmt = std::make_unique<TkyAssignmentStmt>(s, FUnitName, pos);
        TkyAssignmentStmt *raw = l.Add(std::move(stmt));
        raw->SetDesignator(std::move(target));
        raw->SetExpression(std::move(expr));
    }
    l.Add(std::make_unique<TkyExitStmt>(s, FUnitName, pos));
}

void TkyTranslator::translateWith(const TkyXMLItem &x, TkyScript &s, TkyStatement &l)
{
    if (x.Count() < 2)
        invalid(x);
    const size_t pushed = FWithList.size();
    for (int i = 0; i < x.Count() - 1; ++i) {
        std::unique_ptr<TkyDesignator> d = doDesignator(child(x, i), s, emNone);
        if (d->Typ() != fvtClass && d->Typ() != fvtVariant)
            kyRaise(u"SClassRequired");
        QString name;
        for (int n = 0;; ++n) {
            name = u"_WithList_%1"_s.arg(n);
            const bool taken = s.FindLocal(name) || std::any_of(FWithList.begin(), FWithList.end(),
                                                             [&](const WithEntry &w) {
                                                                 return kavSameText(w.name, name);
                                                             });
            if (!taken)
                break;
        }
        auto var = std::make_unique<TkyVariable>(name, d->Typ(), d->TypeName());
        TkyVariable *raw = var.get();
        s.Add(name, std::move(var));
        auto stmt = std::make_unique<TkyWithStmt>(s, FUnitName, linePos(x));
        stmt->SetVariable(raw);
        stmt->SetDesignator(std::move(d));
        l.Add(std::move(stmt));
        FWithList.push_back({name, raw, &s});
    }
    translateStatement(child(x, x.Count() - 1), s, l);
    FWithList.resize(pushed);
}

void TkyTranslator::translateUses(const TkyXMLItem &x, TkyScript &s)
{
    // On an error the unit stays named, for the error report.
    const QString outerUnit = std::exchange(FUnitName, x.Prop(u"unit"_s));
    // Positions in a unit do not point into the main text.
    const QString outerSource = std::exchange(FSource, QString());
    QString il;
    if (FProgram.OnGetILUnit())
        il = FProgram.OnGetILUnit()(FProgram, FUnitName);
    if (!il.isEmpty()) {
        TkyXMLDocument doc;
        doc.LoadFromText(il);
        translateBlock(*doc.Root(), s);
    } else {
        for (int i = 0; i < x.Count(); ++i)
            translateBlock(*x.Items(i), s);
    }
    FUnitName = outerUnit;
    FSource = outerSource;
}

// ---------------------------------------------------------------------------------------
// Declarations

void TkyTranslator::translateVar(const TkyXMLItem &x, TkyScript &s, TkyStatement &l)
{
    for (int i = 0; i < x.Count(); ++i) {
        const TkyXMLItem &c = *x.Items(i);
        if (!isNamed(c, u"ident"))
            continue;
        at(c);
        const QString name = c.Prop(u"text"_s);
        checkIdent(s, name);
        s.Add(name, createVar(x, s, false, false, &l, name));
    }
}

void TkyTranslator::translateConst(const TkyXMLItem &x, TkyScript &s)
{
    const TkyXMLItem &ident = child(x, 0);
    at(ident);
    const QString name = ident.Prop(u"text"_s);
    checkIdent(s, name);
    std::unique_ptr<TkyExpression> expr = translateExpression(child(x, 1), s);
    const Variant value = expr->GetValue(); // evaluated now
    std::unique_ptr<TkyVariable> c;
    if (expr->Typ() == fvtString || expr->Typ() == fvtChar)
        c = std::make_unique<TkyStringVariable>(name, expr->Typ(), expr->TypeName());
    else
        c = std::make_unique<TkyVariable>(name, expr->Typ(), expr->TypeName());
    c->SetValue(value);
    c->SetIsReadOnly(true);
    c->SetSourcePos(linePos(ident));
    c->SetSourceUnit(FUnitName);
    s.Add(name, std::move(c));
}

std::unique_ptr<TkyCustomVariable> TkyTranslator::createVar(const TkyXMLItem &x,
                                                            TkyScript &s,
                                                            bool byRef,
                                                            bool isParam,
                                                            TkyStatement *l,
                                                            const QString &name)
{
    QString typeName = u"Variant"_s;
    bool typeFirst = false;
    QString typePos = linePos(x);
    for (int i = 0; i < x.Count(); ++i) {
        if (isNamed(*x.Items(i), u"type")) {
            typeName = x.Items(i)->Prop(u"text"_s);
            typePos = linePos(*x.Items(i));
            typeFirst = i == 0;
            break;
        }
    }
    TkyVarType kind = findType(typeName);
    // Scan what follows the name: its array dimensions and initialiser.
    int nameIndex = -1;
    for (int i = 0; i < x.Count(); ++i)
        if (isNamed(*x.Items(i), u"ident") && x.Items(i)->Prop(u"text"_s) == name) {
            nameIndex = i;
            break;
        }
    const TkyXMLItem *array = nullptr;
    const TkyXMLItem *init = nullptr;
    for (int i = nameIndex + 1; nameIndex >= 0 && i < x.Count(); ++i) {
        const TkyXMLItem &c = *x.Items(i);
        if (typeFirst && isNamed(c, u"ident"))
            break;
        if (isNamed(c, u"array"))
            array = &c;
        else if (isNamed(c, u"init"))
            init = &c;
    }
    Variant initial = 0;
    if (array) {
        initial = arrayValue(*array, s);
        kind = fvtArray;
    } else if (kind == fvtBool)
        initial = false;
    else if (kind == fvtChar || kind == fvtString)
        initial = QString();
    else if (kind == fvtArray || kind == fvtVariant || kind == fvtEnum || kind == fvtConstructor)
        initial = Variant::Null();

    std::unique_ptr<TkyCustomVariable> item;
    if (isParam)
        item = std::make_unique<TkyParamItem>(name, kind, typeName, init != nullptr, byRef);
    else if (kind == fvtChar || kind == fvtString)
        item = std::make_unique<TkyStringVariable>(name, kind, typeName);
    else
        item = std::make_unique<TkyVariable>(name, kind, typeName);
    item->SetValue(initial);
    item->SetSourcePos(typePos);
    item->SetSourceUnit(FUnitName);
    item->SetOnGetVarValue(FProgram.OnGetVarValue());
    if (array) {
        const int dims = VarArrayDimCount(initial);
        auto helper = std::make_unique<TkyArrayHelper>(QString(), dims, false);
        item->SetRefItem(helper.get());
        s.Add(QString(), std::move(helper));
    }
    if (init) {
        std::unique_ptr<TkyExpression> expr = translateExpression(child(*init, 0), s);
        checkCompatible(*item, *expr);
        if (isParam)
            item->SetValue(expr->GetValue());
        else if (l) {
            auto target = std::make_unique<TkyDesignator>(s);
            target->AddItem(std::make_unique<TkyDesignatorItem>(item.get(), linePos(*init)));
            target->Finalize();
            auto stmt = std::make_unique<TkyAssignmentStmt>(s, FUnitName, linePos(*init));
            TkyAssignmentStmt *raw = l->Add(std::move(stmt));
            raw->SetDesignator(TkyDesignator::Specialize(std::move(target)));
            raw->SetExpression(std::move(expr));
        }
    }
    return item;
}

Variant TkyTranslator::arrayValue(const TkyXMLItem &array, TkyScript &s)
{
    QList<qint64> bounds;
    for (int i = 0; i < array.Count(); ++i) {
        const TkyXMLItem &dim = *array.Items(i);
        if (!isNamed(dim, u"dim"))
            continue;
        at(dim);
        std::unique_ptr<TkyExpression> first = translateExpression(child(dim, 0), s);
        const qint64 a = first->GetValue().AsInt64();
        if (dim.Count() > 1) {
            std::unique_ptr<TkyExpression> second = translateExpression(child(dim, 1), s);
            bounds << a << second->GetValue().AsInt64();
        } else
            bounds << 0 << a - 1;
    }
    if (bounds.isEmpty())
        bounds << 0 << 0;
    return VarArrayCreate(bounds, varVariant); // capped in size: an error, not a blow-up
}

// ---------------------------------------------------------------------------------------
// Expressions

std::unique_ptr<TkyExpression> TkyTranslator::translateExpression(const TkyXMLItem &e, TkyScript &s)
{
    at(e);
    auto expr = std::make_unique<TkyExpression>(s);
    expr->SetSourcePos(linePos(e));
    expr->SetSource(sourceOf(e));
    if (isNamed(e, u"expr"))
        addExpressionItems(*expr, e, s);
    else
        invalid(e);
    const QString errorPos = expr->Finalize();
    if (!errorPos.isEmpty()) {
        FErrorPos = errorPos;
        kyRaise(u"SIncompatibleTypes");
    }
    return expr;
}

void TkyTranslator::addExpressionItems(TkyExpression &expr, const TkyXMLItem &e, TkyScript &s)
{
    const int n = e.Count();
    for (int i = 0; i < n; ++i) {
        const TkyXMLItem &c = *e.Items(i);
        at(c);
        expr.SetSourcePos(FErrorPos);
        const QString name = c.Name().toLower();
        if (name == u"op") {
            const QString op = c.Prop(u"text"_s);
            if (i == n - 1 && op != u")")
                continue; // a dangling operator at the end is no operator
            expr.AddOperator(op);
        } else if (name == u"number" || name == u"string")
            expr.AddConst(literalValue(c.Prop(u"text"_s)));
        else if (name == u"dsgn")
            expr.AddDesignator(doDesignator(c, s, emNone));
        else if (name == u"set")
            expr.AddSet(translateSet(c, s));
        else if (name == u"new")
            expr.AddDesignator(doDesignator(child(c, 0), s, emCreate));
        else if (name == u"expr")
            addExpressionItems(expr, c, s);
    }
}

std::unique_ptr<TkySetExpression> TkyTranslator::translateSet(const TkyXMLItem &e, TkyScript &s)
{
    auto set = std::make_unique<TkySetExpression>();
    for (int i = 0; i < e.Count(); ++i) {
        const TkyXMLItem &c = *e.Items(i);
        if (isNamed(c, u"expr"))
            set->AddItem(translateExpression(c, s));
        else if (isNamed(c, u"range"))
            set->AddItem(nullptr);
    }
    return set;
}

qsizetype TkyTranslator::offsetOf(const QString &pos) const
{
    const qsizetype colon = pos.indexOf(u':');
    bool okLine = false;
    bool okCol = false;
    const qsizetype line = pos.left(colon).toLongLong(&okLine);
    const qsizetype col = pos.mid(colon + 1).toLongLong(&okCol);
    if (colon < 0 || !okLine || !okCol || line < 1 || line > FLineStarts.size() || col < 1)
        return -1;
    const qsizetype offset = FLineStarts[line - 1] + col - 1;
    return offset <= FSource.size() ? offset : -1;
}

QString TkyTranslator::sourceOf(const TkyXMLItem &e) const
{
    if (FSource.isEmpty())
        return QString();
    const qsizetype start = offsetOf(e.Prop(u"pos"_s));
    const qsizetype end = offsetOf(e.Prop(u"pos1"_s));
    if (start < 0 || end < start)
        return QString();
    return FSource.mid(start, end - start).trimmed();
}

// ---------------------------------------------------------------------------------------
// Names, types and checks

TkyCustomVariable *TkyTranslator::findVar(TkyScript &s, const QString &name)
{
    if (TkyCustomVariable *found = s.Find(name))
        return found;
    if (FParser.NeedDeclareVars())
        kyRaiseNamed(u"SIdUndeclared", name);
    // Implicit variables are global; declared where first used.
    auto var = std::make_unique<TkyVariable>(name, fvtVariant, u"Variant"_s);
    var->SetValue(Variant::Null());
    var->SetSourcePos(FErrorPos);
    var->SetSourceUnit(FUnitName);
    var->SetOnGetVarValue(FProgram.OnGetVarValue());
    return static_cast<TkyCustomVariable *>(FProgram.Add(name, std::move(var)));
}

TkyVarType TkyTranslator::findType(const QString &name)
{
    QString type = name;
    const auto alias = [&type](const TkyXMLItem *types) {
        if (!types)
            return false;
        for (int i = 0; i < types->Count(); ++i)
            if (kavSameText(types->Items(i)->Name(), type)) {
                type = types->Items(i)->Prop(u"type"_s);
                return true;
            }
        return false;
    };
    const TkyXMLItem *unitTypes = FProgRoot ? findChild(*FProgRoot, u"types") : nullptr;
    if (!alias(unitTypes) && FParser.Grammar())
        alias(FParser.Grammar()->Types());
    const TkyVarType kind = StrToVarType(type, &FProgram);
    if (kind == fvtClass && !FProgram.FindClass(type))
        kyRaiseNamed(u"SUnknownType", name);
    return kind;
}

void TkyTranslator::checkIdent(const TkyScript &s, const QString &name) const
{
    // Only what a text declared counts: a name the library or the host registered (these
    // have no place in any text) is hidden by the script's own item, found first from then on.
    const TkyCustomVariable *found = s.FindLocal(name);
    if (found && !found->SourcePos().isEmpty())
        kyRaiseNamed(u"SIdRedeclared", name);
}

void TkyTranslator::checkCompatible(const TkyCustomVariable &target, const TkyCustomVariable &source) const
{
    if (!kyTypesCompatible(target.Typ(), target.TypeName(), source.Typ(), source.TypeName(),
                           &FProgram, true))
        throw EkyError(kyMessage(u"SIncompatibleTypes") + u": '"_s + target.GetFullTypeName()
                       + u"', '"_s + source.GetFullTypeName() + u"'"_s);
}

// ---------------------------------------------------------------------------------------
// Designators

std::unique_ptr<TkyDesignator> TkyILParser::DoDesignator(const TkyXMLItem &xi,
                                                         TkyScript &Prog,
                                                         TkyEmitOp EmitOp)
{
    TkyTranslator translator(*this, QString());
    return translator.doDesignator(xi, Prog, EmitOp);
}

std::unique_ptr<TkyDesignatorItem> TkyTranslator::dynamicItem(const QString &name, const QString &pos)
{
    auto item = std::make_unique<TkyDesignatorItem>(nullptr, pos);
    item->SetDynamicName(name);
    return item;
}

// A child object by name after an object known now (Report.Page1, a host's object or a
// child found before): the item holds that child. False when there is no such child.
bool TkyTranslator::appendChild(TkyDesignator &d, TkyCustomVariable &owner, const QString &name,
                                const QString &pos)
{
    auto *known = dynamic_cast<TkyVariable *>(&owner);
    const Variant value = known ? known->GetValue() : Variant::Null();
    TObject *object = value.IsObject() ? value.AsObject() : nullptr;
    if (!object)
        return false;
    const TkyClassVariable *cls = kyDescriptorOf(*object, FProgram);
    TObject *child = cls ? cls->FindChild(*object, name) : nullptr;
    if (!child)
        return false;
    auto item = std::make_unique<TkyDesignatorItem>(nullptr, pos);
    item->SetOwnedRef(kyObjectConstant(name, *child, FProgram));
    d.AddItem(std::move(item));
    return true;
}

void TkyTranslator::appendMember(TkyDesignator &d, TkyCustomVariable &classItem,
                                 const QString &member, const QString &pos)
{
    TkyClassVariable *cls = FProgram.FindClass(classItem.TypeName());
    TkyCustomHelper *m = cls ? cls->Find(member) : nullptr;
    if (!m)
        kyRaiseNamed(u"SIdUndeclared", member);
    d.AddItem(std::make_unique<TkyDesignatorItem>(m, pos));
}

std::unique_ptr<TkyDesignatorItem> TkyTranslator::withItem(const QString &name, TkyScript &prog,
                                                           TkyDesignator &d, const QString &pos)
{
    for (auto w = FWithList.rbegin(); w != FWithList.rend(); ++w) {
        if (w->scope != &prog)
            continue;
        if (w->var->Typ() == fvtVariant) {
            if (prog.Find(name))
                return nullptr;
            d.AddItem(std::make_unique<TkyDesignatorItem>(w->var, pos));
            return dynamicItem(name, pos);
        }
        TkyClassVariable *cls = FProgram.FindClass(w->var->TypeName());
        if (TkyCustomHelper *m = cls ? cls->Find(name) : nullptr) {
            d.AddItem(std::make_unique<TkyDesignatorItem>(w->var, pos));
            return std::make_unique<TkyDesignatorItem>(m, pos);
        }
    }
    return nullptr;
}

void TkyTranslator::addDesignatorNode(TkyDesignator &d, const TkyXMLItem &node, TkyScript &prog,
                                      TkyEmitOp emitOp)
{
    const QString t = node.Prop(u"text"_s);
    const QString pos = linePos(node);
    if (d.ItemCount() == 0) {
        std::unique_ptr<TkyDesignatorItem> item = withItem(t, prog, d, pos);
        if (!item)
            item = std::make_unique<TkyDesignatorItem>(findVar(prog, t), pos);
        TkyCustomVariable *ref = item->Ref();
        d.AddItem(std::move(item));
        if (emitOp == emCreate) {
            if (!ref || !dynamic_cast<TkyClassVariable *>(ref))
                kyRaise(u"SClassRequired");
            appendMember(d, *ref, u"Create"_s, pos);
        }
        return;
    }
    TkyDesignatorItem &prevItem = *d.GetItem(d.ItemCount() - 1);
    TkyCustomVariable *p = prevItem.Ref();
    const bool index = t == u"[";
    if (!p) { // after a dynamic step everything is dynamic
        d.AddItem(dynamicItem(t, pos));
        return;
    }
    if (auto *m = dynamic_cast<TkyMethodHelper *>(p);
        m && m->IndexMethod() && !prevItem.Flag() && prevItem.Count() == 0) {
        if (!index)
            kyRaise(u"SIndexRequired");
        prevItem.SetFlag(true); // the index expressions that follow are its arguments
        return;
    }
    switch (p->Typ()) {
    case fvtVariant: d.AddItem(dynamicItem(t, pos)); return;
    case fvtString:
    case fvtChar: {
        if (!index)
            kyRaise(u"SStringError");
        auto item = std::make_unique<TkyDesignatorItem>(nullptr, pos);
        item->SetOwnedRef(std::make_unique<TkyStringHelper>());
        d.AddItem(std::move(item));
        return;
    }
    case fvtClass: {
        TkyClassVariable *cls = FProgram.FindClass(p->TypeName());
        if (!cls)
            kyRaiseNamed(u"SUnknownType", p->TypeName());
        if (index) {
            if (!cls->DefProperty())
                kyRaiseWith(u"SClassError", cls->Name());
            auto item = std::make_unique<TkyDesignatorItem>(cls->DefProperty(), pos);
            item->SetFlag(true);
            d.AddItem(std::move(item));
            return;
        }
        if (TkyCustomHelper *m = cls->Find(t)) {
            d.AddItem(std::make_unique<TkyDesignatorItem>(m, pos));
            return;
        }
        if (cls->ChildLookup() && appendChild(d, *p, t, pos))
            return;
        if (prog.UseClassLateBinding() && !prog.IsRunning()) {
            d.AddItem(dynamicItem(t, pos));
            return;
        }
        kyRaiseNamed(u"SIdUndeclared", t);
    }
    case fvtArray:
        if (auto *helper = dynamic_cast<TkyArrayHelper *>(p->RefItem()); helper && index)
            d.AddItem(std::make_unique<TkyDesignatorItem>(helper, pos));
        else
            d.AddItem(dynamicItem(t, pos)); // an array value: its shape is known at run time
        return;
    default: kyRaise(u"SArrayRequired");
    }
}

std::unique_ptr<TkyDesignator> TkyTranslator::doDesignator(const TkyXMLItem &xi, TkyScript &prog,
                                                           TkyEmitOp emitOp)
{
    at(xi);
    if (!isNamed(xi, u"dsgn"))
        invalid(xi);
    auto d = std::make_unique<TkyDesignator>(prog);
    d->SetSourcePos(linePos(xi));
    for (int i = 0; i < xi.Count(); ++i) {
        const TkyXMLItem &c = *xi.Items(i);
        at(c);
        if (isNamed(c, u"addr")) {
            if (xi.Count() != 2 || !isNamed(child(xi, 1), u"node"))
                kyRaise(u"SVarRequired");
            const QString routine = child(xi, 1).Prop(u"text"_s);
            auto name = std::make_unique<TkyStringVariable>(QString(), fvtString, u"String"_s);
            name->SetValue(routine);
            name->SetIsReadOnly(true);
            TkyCustomVariable *raw = name.get();
            prog.Add(QString(), std::move(name));
            d->AddItem(std::make_unique<TkyDesignatorItem>(raw, linePos(c)));
            break;
        }
        if (isNamed(c, u"expr")) {
            if (d->ItemCount() == 0)
                invalid(xi);
            d->GetItem(d->ItemCount() - 1)->AddArg(translateExpression(c, prog));
        } else if (isNamed(c, u"node"))
            addDesignatorNode(*d, c, prog, emitOp);
    }
    if (d->ItemCount() == 0)
        invalid(xi);
    if (emitOp == emFree) {
        const QString pos = linePos(xi);
        TkyCustomVariable *last = d->GetItem(d->ItemCount() - 1)->Ref();
        if (!last)
            d->AddItem(dynamicItem(u"Free"_s, pos));
        else if (last->Typ() == fvtClass) {
            TkyClassVariable *obj = FProgram.FindClass(u"TObject");
            TkyCustomHelper *free = obj ? obj->Find(u"Free") : nullptr;
            if (!free)
                kyRaiseNamed(u"SIdUndeclared", u"Free"_s);
            d->AddItem(std::make_unique<TkyDesignatorItem>(free, pos));
        } else if (last->Typ() == fvtVariant)
            d->AddItem(dynamicItem(u"Free"_s, pos));
        else
            kyRaise(u"SClassRequired");
    }
    d->Finalize();
    checkArguments(*d);
    return TkyDesignator::Specialize(std::move(d));
}

void TkyTranslator::checkArguments(TkyDesignator &d)
{
    for (int i = 0; i < d.ItemCount(); ++i) {
        TkyDesignatorItem &item = *d.GetItem(i);
        TkyCustomVariable *r = item.Ref();
        if (!r || dynamic_cast<TkyDesignator *>(r))
            continue;
        FErrorPos = item.SourcePos();
        const int given = item.Count();
        if (given < r->GetNumberOfRequiredParams())
            kyRaise(u"SNotEnoughParams");
        if (given > r->Count())
            kyRaise(u"STooManyParams");
        for (int a = 0; a < given; ++a)
            checkCompatible(*r->GetParam(a), *item.Arg(a));
        for (int a = given; a < r->Count(); ++a) {
            auto def = std::make_unique<TkyExpression>(d.Program());
            def->AddConst(r->GetParam(a)->DefValue());
            def->Finalize();
            item.AddArg(std::move(def));
        }
    }
}
