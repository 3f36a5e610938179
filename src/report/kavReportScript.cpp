// The report's script: compiling it with the report's objects, the expression cache, the
// report functions scripts call (Get, Set, IIF, the aggregates) and the calls of the
// procedures that events name.

#include "kavBands.h"
#include "kavCustomEngine.h"
#include "kavDataSets.h"
#include "kavExpressionCache.h"
#include "kavReport.h"
#include "kavViews.h"

#include <persist/kavRes.h>
#include <persist/kavVariables.h>
#include <prepared/kavPreviewPages.h>
#include <rtl/kavFormat.h>
#include <script/ky_classes.h>
#include <script/ky_procedures.h>
#include <script/ky_script.h>
#include <scriptlib/kavScriptLibrary.h>

#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

const QString divisionByZero = u"Floating point division by zero"_s;

// The one-function program that wraps an expression, in the report's language; empty for
// a language without a wrapper.
QString wrapperProgram(const QString &language, const QString &name, const QString &expression)
{
    if (language == u"PascalScript")
        return u"function "_s + name + u": Variant; begin Result := "_s + expression + u" end; begin end."_s;
    if (language == u"C++Script")
        return u"Variant "_s + name + u"() { return "_s + expression + u"; } {}"_s;
    if (language == u"BasicScript")
        return u"function "_s + name + u"\r\nreturn "_s + expression + u"\r\nend function"_s;
    if (language == u"JScript")
        return u"function "_s + name + u"() { return "_s + expression + u"; }"_s;
    return QString();
}

// Letter case does not matter in names and keywords, but it does inside string literals:
// 'a' and 'A' must not share a compiled function.
QString caseFoldedOutsideLiterals(const QString &expression)
{
    QString key = expression;
    QChar quote;
    for (QChar &c : key) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else {
            c = c.toUpper();
        }
    }
    return key;
}

bool isAggregateName(const QString &name)
{
    const QString n = name.trimmed().toUpper();
    return n == u"SUM" || n == u"AVG" || n == u"MIN" || n == u"MAX" || n == u"COUNT";
}

QString text(const QString &key)
{
    return kavResourceTable().Get(key);
}

} // namespace

// ---------------------------------------------------------------------------------------
// The expression cache

TkavExpressionCache::TkavExpressionCache(TkyScript &MainScript) : FMainScript(MainScript) {}

TkavExpressionCache::~TkavExpressionCache() = default;

void TkavExpressionCache::Clear()
{
    FFunctions.clear();
    FScript.reset();
}

TkyProcVariable *TkavExpressionCache::compile(const QString &Expression, QString &ErrorMsg)
{
    const QString name = u"kv3f"_s + QString::number(FFunctions.size());
    const QString program = wrapperProgram(FScriptLanguage, name, Expression);
    if (program.isEmpty()) {
        ErrorMsg = text(u"clExprError"_s) + u" '"_s + Expression + u"': "_s
                   + u"Expressions cannot be written in %1"_s.arg(FScriptLanguage);
        return nullptr;
    }
    // Each expression compiles into the same private program: its function stays there,
    // found by name, for the rest of the run.
    FScript->SetSyntaxType(FScriptLanguage);
    TStringList lines;
    lines.SetText(program);
    FScript->SetLines(lines);
    bool compiled = false;
    try {
        // A script of only comments is an empty program in every language, also where the
        // grammar asks for a main block.
        compiled = !FScript->HasCode() || FScript->Compile();
    } catch (const Exception &e) {
        FScript->SetErrorMsg(e.Message());
    }
    auto *function = compiled ? dynamic_cast<TkyProcVariable *>(FScript->FindLocal(name)) : nullptr;
    if (!function) {
        ErrorMsg = text(u"clExprError"_s) + u" '"_s + Expression + u"': "_s + FScript->ErrorMsg();
        if (TkyCustomVariable *partial = FScript->FindLocal(name))
            FScript->Remove(partial); // discarded with its unique_ptr
    }
    return function;
}

Variant TkavExpressionCache::Calc(const QString &Expression, QString &ErrorMsg, TkyScript *AScript)
{
    ErrorMsg.clear();
    if (!FScript) {
        FScript = std::make_unique<TkyScript>();
        FScript->SetExtendedCharset(true);
        FScript->SetSilentLines(true); // the debugger stops in the report's text only
    }
    FScript->SetParent(AScript ? AScript : &FMainScript);
    const QString key = FCaseSensitive ? Expression : caseFoldedOutsideLiterals(Expression);
    TkyProcVariable *function = FFunctions.value(key);
    if (!function) {
        function = compile(Expression, ErrorMsg);
        if (!function)
            return Variant::Null();
        FFunctions.insert(key, function);
    }
    // The expression runs as a call from outside: the main script is not the program that
    // runs it, so its procedures' locals stay untouched.
    const bool mainProg = FMainScript.MainProg();
    FMainScript.SetMainProg(false);
    const auto restore = qScopeGuard([&] { FMainScript.SetMainProg(mainProg); });
    try {
        return FScript->CallFunction2(function, Variant::Null());
    } catch (const Exception &e) {
        ErrorMsg = e.Message();
    }
    return Variant::Null();
}

// ---------------------------------------------------------------------------------------
// Evaluation

bool TkavReport::evaluate(const QString &Expr, TkyScript *AScript, Variant &Value, QString &Message)
{
    Message.clear();
    try {
        if (GetValueByName(Expr, Value))
            return true;
        // <Name> compiles to Get('Name'), the same lookup: answered without compiling.
        const QString e = Expr.trimmed();
        if (e.size() > 2 && e.front() == u'<' && e.back() == u'>' && e.count(u'<') == 1
            && e.count(u'>') == 1 && GetValueByName(e.mid(1, e.size() - 2), Value))
            return true;
        if (!FScript->LibraryAdded()) { // evaluated before any preparation
            kavRegisterScriptLibrary();
            FScript->AddRTTI();
        }
        FExpressionCache->SetScriptLanguage(FScriptLanguage);
        FExpressionCache->SetCaseSensitive(FCaseSensitiveExpressions);
        Value = FExpressionCache->Calc(Expr, Message, AScript);
    } catch (const Exception &e) {
        Message = e.Message();
    }
    if (Message == divisionByZero && FEngineOptions->IgnoreDevByZero())
        Message.clear();
    return Message.isEmpty();
}

Variant TkavReport::Calc(const QString &Expr, TkyScript *AScript)
{
    // Only the outermost evaluation reports: a variable's expression fails once, not once
    // per variable on the way to it.
    const bool outermost = FEvaluating.isEmpty();
    Variant value;
    QString message;
    if (evaluate(Expr, AScript, value, message))
        return value;
    if (outermost) {
        if (!FCurObject.isEmpty())
            message = FCurObject + u": "_s + message;
        FErrors->Add(message);
    }
    throw EkavError(message);
}

Variant TkavReport::CalcInDesigner(const QString &Expr)
{
    Variant value;
    QString message;
    if (!evaluate(Expr, nullptr, value, message))
        throw EkavError(text(u"clErrorInExp"_s) + message);
    return value;
}

// ---------------------------------------------------------------------------------------
// Preparing the script

void TkavReport::restoreScriptParent()
{
    if (FScriptParentSaved)
        FScript->SetParent(FSavedScriptParent);
}

bool TkavReport::PrepareScript(TkavReport *ActiveReport)
{
    kavRegisterScriptLibrary();
    if (!FScript->LibraryAdded())
        FScript->AddRTTI();
    if (!FScriptParentSaved
        && (!FParentReportObject || FScript->Parent() != &FParentReportObject->Script())) {
        FSavedScriptParent = FScript->Parent();
        FScriptParentSaved = true;
    }
    if (FParentReportObject && FScriptParentSaved && !FParentReportObject->FScriptParentSaved) {
        FParentReportObject->FSavedScriptParent = FSavedScriptParent;
        FParentReportObject->FScriptParentSaved = true;
    }
    TkavReport &active = ActiveReport ? *ActiveReport : *this;
    // Ancestor scripts compile first and become the enclosing scope.
    if (FParentReportObject && !FParentReportObject->PrepareScript(&active))
        return false;

    FExpressionCache->Clear();
    FExpressionCache->SetScriptLanguage(FScriptLanguage);
    active.Engine()->NotifyList().clear();
    FScript->ClearItems(&active); // the items and the statements of the last compile
    FScript->SetMainProg(true);
    FScript->SetAddedBy(&active);
    const auto done = qScopeGuard([this] { FScript->SetAddedBy(nullptr); });
    FScript->SetParent(FParentReportObject ? &FParentReportObject->Script() : FSavedScriptParent);
    // The script's files lie beside the report, like its data files and pictures.
    FScript->SetFilesFolder(kavPathBesideReport(&active, u"."_s));

    for (TkavComponent *own : AllObjects()) {
        TkavComponent *c = &active == this ? own : active.FindObject(own->Name());
        if (!c)
            continue;
        c->SetIsDesigning(false);
        c->BeforeStartReport();
        if (auto *picture = dynamic_cast<TkavPictureView *>(c))
            picture->SetPictureChanged(true);
        if (!own->IsAncestor() && !own->Name().isEmpty())
            FScript->AddObject(own->Name(), c);
    }
    addScriptFunctions(active);

    FScript->SetLines(*FScriptText);
    FScript->SetSyntaxType(FScriptLanguage);
    bool compiled = false;
    try {
        // A script of only comments is an empty program in every language, also where the
        // grammar asks for a main block.
        compiled = !FScript->HasCode() || FScript->Compile();
    } catch (const Exception &e) {
        FScript->SetErrorMsg(e.Message());
    }
    if (!compiled)
        FErrors->Add(Format(text(u"clScrError"_s),
                            {Variant(FScript->ErrorPos()), Variant(FScript->ErrorMsg())}));
    return compiled;
}

void TkavReport::addScriptFunctions(TkavReport &Active)
{
    TkyScript &script = *FScript;
    script.AddObject(u"Report"_s, &Active);
    script.AddObject(u"Engine"_s, Active.Engine());
    script.AddObject(u"Outline"_s, &Active.PreviewPages()->Outline());
    script.AddVariable(u"Value"_s, u"Variant"_s, Variant::Null());
    script.AddVariable(u"Self"_s, u"TkavView"_s, Variant::Null());
    const auto call = [&Active](TObject *, const TkavClassInfo *, const QString &Name,
                                TkyMethodHelper &Caller) {
        return Active.callReportFunction(Name, Caller);
    };
    for (const char16_t *declaration :
         {u"function Get(Name: String): Variant",
          u"procedure Set(Name: String; Value: Variant)",
          u"macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant",
          u"macrofunction SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          u"macrofunction AVG(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          u"macrofunction MIN(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          u"macrofunction MAX(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          u"macrofunction COUNT(Band: Variant = 0; Flags: Integer = 0): Variant"})
        script.AddMethod(QString::fromUtf16(declaration), TkyCallMethodNewEvent(call));
    for (const QString &declaration : std::as_const(FUserFunctions))
        script.AddMethod(declaration, TkyCallMethodNewEvent(call));
}

// Get, Set, IIF, the aggregates and the application's own functions.
Variant TkavReport::callReportFunction(const QString &Name, TkyMethodHelper &Caller)
{
    const auto param = [&Caller](int i) { return Caller.GetVParam(i); };
    const auto textParam = [&Caller](int i) { return VarToStr(Caller.GetVParam(i)).trimmed(); };
    if (Name == u"GET")
        return scriptGet(VarToStr(param(0)));
    if (Name == u"SET") {
        FVariables->SetVariable(VarToStr(param(0)), param(1));
        return Variant::Null();
    }
    if (Name == u"IIF") {
        // An error anywhere in it leaves the result empty.
        Variant condition;
        Variant result;
        QString message;
        if (evaluate(textParam(0), nullptr, condition, message) && !condition.IsNull()) {
            bool yes = false;
            try {
                yes = condition.AsBoolean();
            } catch (const Exception &e) {
                message = e.Message();
            }
            if (message.isEmpty())
                evaluate(textParam(yes ? 1 : 2), nullptr, result, message);
        }
        return message.isEmpty() ? result : Variant::Null();
    }
    if (isAggregateName(Name)) {
        const int first = Name == u"COUNT" ? 0 : 1;
        const QString bandText = textParam(first);
        const QString flagsText = textParam(first + 1);
        TkavBand *band = nullptr;
        if (!bandText.isEmpty()) {
            const Variant b = Calc(bandText);
            band = b.IsObject() ? dynamic_cast<TkavBand *>(b.AsObject()) : nullptr;
        }
        const int flags = flagsText.isEmpty() ? 0 : int(Calc(flagsText).AsInteger());
        return FEngine->GetAggregateValue(Name, first == 1 ? textParam(0) : QString(), band, flags);
    }
    if (!FOnUserFunction)
        return Variant::Null();
    QList<Variant> params;
    for (int i = 0; i < Caller.Count(); ++i)
        params.append(param(i));
    return FOnUserFunction(Name, params);
}

Variant TkavReport::scriptGet(const QString &Name)
{
    Variant value;
    if (GetValueByName(Name, value))
        return value;
    if (Name.contains(u'(') && isAggregateName(Name.left(Name.indexOf(u'('))))
        return Calc(Name);
    FErrors->Add(text(u"clUnknownVar"_s) + u' ' + Name);
    return Variant::Null();
}

void TkavReport::AddFunction(const QString &FuncName, const QString &Category, const QString &Description)
{
    Q_UNUSED(Category);
    Q_UNUSED(Description);
    if (!FUserFunctions.contains(FuncName))
        FUserFunctions.append(FuncName);
}

Variant TkavReport::LocalValue() const
{
    TkyCustomVariable *v = scriptSlots().Value;
    return v ? v->GetValue() : Variant::Null();
}

const TkavReport::ScriptSlots &TkavReport::scriptSlots() const
{
    if (FScriptSlots.Changed != FScript->ItemsChanged())
        FScriptSlots = {FScript->ItemsChanged(), FScript->FindLocal(u"Value"), FScript->FindLocal(u"Self")};
    return FScriptSlots;
}

void TkavReport::SetLocalValue(const Variant &Value)
{
    if (TkyCustomVariable *v = scriptSlots().Value)
        v->SetValue(Value);
}

Variant TkavReport::SelfValue() const
{
    TkyCustomVariable *v = scriptSlots().Self;
    return v ? v->GetValue() : Variant::Null();
}

void TkavReport::SetSelfValue(const Variant &Value)
{
    if (TkyCustomVariable *v = scriptSlots().Self)
        v->SetValue(Value);
}

// ---------------------------------------------------------------------------------------
// Events

void TkavReport::DoNotifyEvent(TkavComponent *Obj, const QString &EventName, bool RunAlways)
{
    if (EventName.trimmed().isEmpty() || !(RunAlways || FEngine->Running()))
        return;
    Variant params = VarArrayOf({Variant::FromObject(Obj)});
    callProcedure(Obj ? Obj->Name() : QString(), EventName.trimmed(), params);
}

void TkavReport::DoParamEvent(const QString &EventName, Variant &Params, bool RunAlways)
{
    if (EventName.trimmed().isEmpty() || !(RunAlways || FEngine->Running()))
        return;
    callProcedure(QString(), EventName.trimmed(), Params);
}

// A run-time error leaves with the object, the procedure and the place in the script.
void TkavReport::callProcedure(const QString &ObjectName, const QString &Procedure, Variant &Params)
{
    try {
        FScript->CallFunction1(Procedure, Params);
    } catch (const EkyBudgetExceeded &) {
        throw;
    } catch (const Exception &e) {
        QString where = Procedure;
        if (!FScript->RunErrorPos().isEmpty())
            where += u" at "_s + FScript->RunErrorPos();
        throw EkavError((ObjectName.isEmpty() ? QString() : ObjectName + u": "_s) + e.Message()
                        + u" ("_s + where + u')');
    }
}

void TkavReport::DoPreviewClick(TkavView *View, int Button, int Shift, bool &Modified, bool DblClick)
{
    Variant params = VarArrayOf({Variant::FromObject(View), Variant(Button), Variant(Shift), Variant(Modified)});
    DoParamEvent(DblClick ? View->OnPreviewDblClick() : View->OnPreviewClick(), params, true);
    Modified = params.ArrayElement(3).AsBoolean();
    if (const TkavClickObjectEvent &handler = DblClick ? FOnDblClickObject : FOnClickObject)
        handler(View, Button, Shift, Modified);
}

void TkavReport::DoMouseEnter(TkavView *Sender, bool &Refresh)
{
    Sender->DoMouseEnter(Sender, Refresh);
    if (FOnMouseEnter)
        FOnMouseEnter(Sender);
    if (!Sender->OnMouseEnter().trimmed().isEmpty()) {
        Variant params = VarArrayOf({Variant::FromObject(Sender), Variant(Refresh)});
        DoParamEvent(Sender->OnMouseEnter(), params, true);
        Refresh = params.ArrayElement(1).AsBoolean();
    }
}

void TkavReport::DoMouseLeave(TkavView *Sender, bool &Refresh)
{
    Sender->DoMouseLeave(Sender, Refresh);
    if (FOnMouseLeave)
        FOnMouseLeave(Sender);
    if (!Sender->OnMouseLeave().trimmed().isEmpty()) {
        Variant params = VarArrayOf({Variant::FromObject(Sender), Variant(Refresh)});
        DoParamEvent(Sender->OnMouseLeave(), params, true);
        Refresh = params.ArrayElement(1).AsBoolean();
    }
}

void TkavReport::DoMouseUp(TkavView *Sender, double X, double Y, int Button, int Shift, bool &Refresh)
{
    if (Sender->OnMouseUp().trimmed().isEmpty())
        return;
    Variant params = VarArrayOf({Variant::FromObject(Sender), Variant(X), Variant(Y), Variant(Button),
                                 Variant(Shift), Variant(FModified)});
    DoParamEvent(Sender->OnMouseUp(), params, true);
    Refresh = params.ArrayElement(5).AsBoolean();
}

// Data sets call their event procedures through the report's script.
class TkavReport::DataSetScript : public TkavDataSetScript
{
public:
    explicit DataSetScript(TkavReport &Report) : FReport(Report) {}
    void CallDataSetEvent(const QString &procName, QList<Variant> &params) override
    {
        Variant array = VarArrayOf(params);
        FReport.DoParamEvent(procName, array, true);
        for (qsizetype i = 0; i < params.size(); ++i)
            params[i] = array.ArrayElement(i);
    }

private:
    TkavReport &FReport;
};

std::weak_ptr<TkavDataSetScript> TkavReport::DataSetScriptLink()
{
    if (!FDataSetScript)
        FDataSetScript = std::make_shared<DataSetScript>(*this);
    return FDataSetScript;
}
