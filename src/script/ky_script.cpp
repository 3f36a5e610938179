#include "ky_script.h"

#include "ky_ilparser.h"
#include "ky_iparser.h"
#include "ky_procedures.h"
#include "ky_statements.h"
#include "ky_xml.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavLimits.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <QDir>
#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <limits>
#include <new>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString kyDefaultSyntaxType = u"PascalScript"_s;

// Statements the finally parts may still run after the budget ran out.
constexpr qint64 kyBudgetGrace = 10000;

} // namespace

const TkavClassInfo &TkyScript::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkyScript, TPersistent>(
        u"TkyScript"_s, [](TkavPropBuilder<TkyScript> &) {});
    return info;
}

TkyScript::TkyScript()
    : FSyntaxType(kyDefaultSyntaxType)
{
}

TkyScript::~TkyScript()
{
    SetOnRunLine(nullptr);
    FStatement.reset(); // statements refer to the items, never the other way round
    // Items go first to last, as Clear frees them.
    for (Entry &e : FItems)
        e.item.reset();
}

// ---------------------------------------------------------------------------------------
// Scope

namespace {

// Stamps of item changes, unique across scripts: a stamp kept from one script never
// matches another script built in the same place.
quint64 itemsStamp()
{
    static std::atomic<quint64> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

// A name as the keys hold it: in upper case, whose plain order is the order of
// kavCompareText. Made once per look-up instead of folding both sides at every step.
class UpperKey
{
public:
    explicit UpperKey(QStringView name)
    {
        if (name.size() > qsizetype(std::size(buffer))) {
            heap = kavUpperCase(name);
            view = heap;
            return;
        }
        for (qsizetype i = 0; i < name.size(); ++i)
            buffer[i] = kavUpCaseChar(name[i]);
        view = QStringView(buffer, name.size());
    }
    QStringView view;

private:
    QChar buffer[64];
    QString heap;
};

} // namespace

size_t TkyScript::lowerBound(QStringView name) const
{
    const UpperKey key(name);
    const auto it = std::partition_point(FItems.begin(), FItems.end(), [&key](const Entry &e) {
        return QStringView(e.key).compare(key.view) < 0;
    });
    return size_t(it - FItems.begin());
}

TObject *TkyScript::Add(const QString &Name, std::unique_ptr<TObject> Item)
{
    auto *var = dynamic_cast<TkyCustomVariable *>(Item.get());
    if (var)
        var->SetAddedBy(FAddedBy);
    // Before every entry of the same name: the newest registration is found first.
    const size_t at = lowerBound(Name);
    TObject *raw = Item.get();
    FItemsChanged = itemsStamp();
    FItems.insert(FItems.begin() + std::ptrdiff_t(at),
                  Entry{kavUpperCase(Name), std::move(Item), var, FAddedBy});
    return raw;
}

void TkyScript::checkIndex(int index) const
{
    if (index < 0 || index >= Count())
        kavRaise<EListError>(u"List index out of bounds (%1)"_s.arg(index));
}

void TkyScript::AddBorrowed(const QString &Name, TkyCustomVariable &Item)
{
    const size_t at = lowerBound(Name);
    FItemsChanged = itemsStamp();
    FItems.insert(FItems.begin() + std::ptrdiff_t(at),
                  Entry{kavUpperCase(Name), nullptr, &Item, Item.AddedBy()});
}

TObject *TkyScript::Items(int Index) const
{
    checkIndex(Index);
    const Entry &e = FItems[size_t(Index)];
    return e.item ? e.item.get() : e.var;
}

const QString &TkyScript::ItemName(int Index) const
{
    checkIndex(Index);
    const Entry &e = FItems[size_t(Index)];
    return e.var ? e.var->Name() : e.key;
}

std::unique_ptr<TObject> TkyScript::Remove(TObject *Item)
{
    const auto it = std::find_if(FItems.begin(), FItems.end(), [Item](const Entry &e) {
        return e.item ? e.item.get() == Item : e.var == Item;
    });
    if (it == FItems.end())
        return nullptr;
    std::unique_ptr<TObject> taken = std::move(it->item);
    FItems.erase(it);
    FItemsChanged = itemsStamp();
    return taken;
}

TkyCustomVariable *TkyScript::FindLocal(QStringView Name) const
{
    // Entries of one name are adjacent; the first variable among them is the newest.
    const UpperKey key(Name);
    for (size_t i = lowerBound(Name); i < FItems.size(); ++i) {
        const Entry &e = FItems[i];
        if (QStringView(e.key) != key.view)
            break;
        if (e.var)
            return e.var;
    }
    return nullptr;
}

TkyCustomVariable *TkyScript::Find(QStringView Name) const
{
    for (const TkyScript *scope = this; scope; scope = scope->Parent()) {
        if (TkyCustomVariable *found = scope->FindLocal(Name))
            return found;
    }
    return nullptr;
}

Variant TkyScript::Variables(QStringView Name) const
{
    TkyCustomVariable *item = Find(Name);
    return item ? item->GetValue() : Variant::Null();
}

void TkyScript::SetVariables(const QString &Name, const Variant &Value)
{
    if (TkyCustomVariable *item = Find(Name))
        item->SetValue(Value);
    else
        AddVariable(Name, u"Variant"_s, Value);
}

void TkyScript::Clear()
{
    if (FStatement)
        FStatement->Clear();
    eraseEntries([](const Entry &e) { return e.owner() != kyLibraryAddedBy; }, false);
    FObjects.clear();
    FUnitLines.clear();
    FErrorMsg.clear();
    FErrorPos.clear();
    FErrorUnit.clear();
}

void TkyScript::ClearItems(TkyAddedBy Owner)
{
    if (FStatement)
        FStatement->Clear();
    FUnitLines.clear();
    RemoveItems(Owner);
}

void TkyScript::RemoveItems(TkyAddedBy Owner)
{
    eraseEntries([Owner](const Entry &e) { return e.owner() == Owner; }, true);
}

template <class Pred>
void TkyScript::eraseEntries(Pred pred, bool lastFirst)
{
    // Taken out first and freed after the list is consistent again, in the order asked.
    std::vector<std::unique_ptr<TObject>> doomed;
    std::vector<Entry> kept;
    kept.reserve(FItems.size());
    for (Entry &e : FItems) {
        if (!pred(e))
            kept.push_back(std::move(e));
        else if (e.item)
            doomed.push_back(std::move(e.item));
    }
    FItems = std::move(kept);
    FItemsChanged = itemsStamp();
    if (lastFirst)
        std::reverse(doomed.begin(), doomed.end());
    doomed.clear();
}

// ---------------------------------------------------------------------------------------
// Registration

void TkyScript::AddType(const QString &TypeName, TkyVarType ParentType)
{
    if (Find(TypeName))
        return;
    Add(TypeName, std::make_unique<TkyTypeVariable>(TypeName, ParentType, TypeName));
}

void TkyScript::AddConst(const QString &Name, const QString &Typ, const Variant &Value)
{
    if (Find(Name))
        return;
    auto item = std::make_unique<TkyVariable>(Name, StrToVarType(Typ, this), Typ);
    item->SetValue(Value); // converted while still writable
    item->SetIsReadOnly(true);
    Add(Name, std::move(item));
}

void TkyScript::AddVariable(const QString &Name, const QString &Typ, const Variant &Value)
{
    if (Find(Name))
        return;
    auto item = std::make_unique<TkyVariable>(Name, StrToVarType(Typ, this), Typ);
    item->SetValue(Value);
    item->SetOnGetVarValue(FOnGetVarValue);
    Add(Name, std::move(item));
}

void TkyScript::AddObject(const QString &Name, const TObject *Obj)
{
    const QString className = Obj ? Obj->ClassName() : u"TObject"_s;
    AddVariable(Name, className, Variant::FromObject(Obj));
}

void TkyScript::AddComponent(const TComponent &Form)
{
    TkyClassVariable *cls = FindClass(Form.ClassName());
    if (!cls) {
        static const char16_t *const formKinds[] = {u"TForm", u"TDataModule", u"TFrame"};
        for (const char16_t *kind : formKinds) {
            if (Form.InheritsFrom(QStringView(kind))) {
                cls = AddClass(Form.ClassInfo(), QString::fromUtf16(kind));
                break;
            }
        }
        if (!cls)
            return;
    }
    for (int i = 0; i < Form.ComponentCount(); ++i) {
        const TComponent *component = Form.Components(i);
        if (!component->Name().isEmpty())
            cls->AddComponent(*component);
    }
    AddObject(Form.Name(), &Form);
}

void TkyScript::addEnumValues(const QString &Typ, const QString &Names, bool bits)
{
    QStringList names;
    for (const QString &part : Names.split(u',')) {
        if (const QString name = part.trimmed(); !name.isEmpty())
            names.append(name);
    }
    // Past 31 bits a set value no longer fits an Integer and becomes an Int64; past 62 bits
    // no value is left, and two names must never share one. Checked before anything is added.
    if (bits && names.size() > 63)
        kavRaise<EkyError>(u"Too many elements in set type %1"_s.arg(Typ));
    Add(Typ, std::make_unique<TkyVariable>(Typ, fvtEnum, Typ)); // stands for the type
    for (qsizetype ordinal = 0; ordinal < names.size(); ++ordinal) {
        const qint64 value = bits ? (qint64(1) << ordinal) : qint64(ordinal);
        const Variant v = value <= std::numeric_limits<qint32>::max() ? Variant(int(value))
                                                                      : Variant(value);
        auto item = std::make_unique<TkyVariable>(names[ordinal], fvtEnum, Typ);
        item->SetValue(v);
        item->SetIsReadOnly(true);
        Add(names[ordinal], std::move(item));
    }
}

void TkyScript::AddEnum(const QString &Typ, const QString &Names)
{
    addEnumValues(Typ, Names, false);
}

void TkyScript::AddEnumSet(const QString &Typ, const QString &Names)
{
    addEnumValues(Typ, Names, true);
}

// ---------------------------------------------------------------------------------------
// Properties

TkyScript *TkyScript::Parent() const
{
    return FParent ? dynamic_cast<TkyScript *>(TObject::FromHandle(FParent)) : nullptr;
}

void TkyScript::SetParent(TkyScript *value)
{
    // A cycle would make every failed look-up loop for ever.
    for (const TkyScript *scope = value; scope; scope = scope->Parent()) {
        if (scope == this)
            kavRaise<EkyError>(u"Circular script parent"_s);
    }
    FParent = value ? value->Handle() : 0;
}

void TkyScript::SetLines(const TStrings &value)
{
    FLines.Assign(value);
}

// ---------------------------------------------------------------------------------------
// Type names

TkyVarType StrToVarType(QStringView TypeName, const TkyScript *Script)
{
    const TkyCustomVariable *item = Script ? Script->Find(TypeName) : nullptr;
    return item ? item->Typ() : fvtClass;
}

void kyAddStandardTypes(TkyScript &script)
{
    struct StandardType
    {
        const char16_t *name;
        TkyVarType kind;
    };
    static const StandardType types[] = {
        {u"Byte", fvtInt},        {u"Word", fvtInt},         {u"Integer", fvtInt},
        {u"Longint", fvtInt},     {u"Cardinal", fvtInt},     {u"TColor", fvtInt},
        {u"TAlphaColor", fvtInt}, {u"Int64", fvtInt64},      {u"Boolean", fvtBool},
        {u"Real", fvtFloat},      {u"Single", fvtFloat},     {u"Double", fvtFloat},
        {u"Extended", fvtFloat},  {u"Currency", fvtFloat},   {u"TDate", fvtFloat},
        {u"TTime", fvtFloat},     {u"TDateTime", fvtFloat},  {u"Char", fvtChar},
        {u"String", fvtString},   {u"Variant", fvtVariant},  {u"Pointer", fvtVariant},
        {u"Array", fvtArray},     {u"Constructor", fvtConstructor},
    };
    for (const StandardType &t : types)
        script.AddType(QString::fromUtf16(t.name), t.kind);
}

// ---------------------------------------------------------------------------------------
// Running

void TkyScript::SetStatement(std::unique_ptr<TkyStatement> value)
{
    FStatement = std::move(value);
}

void TkyScript::Execute()
{
    FMainProg = true;
    FOwnBudget.count = 0;
    FOwnBudget.grace = false;
    recordingErrors([this] { runStatements(&FOwnBudget); });
}

void TkyScript::ExecuteCall(TkyScript *main)
{
    runStatements(main ? main->FBudget : &FOwnBudget);
}

void TkyScript::runStatements(Budget *budget)
{
    // Flags of an earlier run (a break left by a raise, a terminate) must not leak in, and
    // none of this run may leak out, also when it raises.
    Budget *const outer = FBudget;
    const auto reset = [this] {
        FBreakCalled = FContinueCalled = FExitCalled = FTerminated = false;
        FIsRunning = false;
    };
    const auto restore = qScopeGuard([this, outer, &reset] {
        reset();
        FBudget = outer;
    });
    reset();
    FBudget = budget;
    FIsRunning = true;
    if (FStatement)
        FStatement->Execute();
}

template <class Fn>
auto TkyScript::recordingErrors(Fn fn) -> decltype(fn())
{
    FRunErrorPos.clear();
    FRunErrorUnit.clear();
    const auto recordPlace = [this] {
        if (const TkyStatement *s = kyRunningStatement()) {
            FRunErrorPos = s->SourcePos();
            FRunErrorUnit = s->UnitName();
        }
    };
    try {
        return fn();
    } catch (const std::bad_alloc &) {
        // A script that exhausts memory fails like any other script; the host lives on.
        recordPlace();
        kavRaise<EOutOfMemory>(QString::fromUtf16(kavOutOfMemoryMessage));
    } catch (...) {
        recordPlace();
        throw;
    }
}

void TkyScript::Terminate()
{
    FExitCalled = true;
    FTerminated = true;
    for (const Entry &e : FItems)
        if (auto *proc = dynamic_cast<TkyProcVariable *>(e.var))
            proc->Program().Terminate();
}

void TkyScript::budgetExceeded()
{
    Budget &b = *FBudget;
    if (!b.grace) {
        // Once per run: the finally parts the abort unwinds through may still finish.
        b.grace = true;
        b.count = b.limit - std::min(b.limit, kyBudgetGrace);
    }
    kavRaise<EkyBudgetExceeded>(u"Script stopped: statement limit reached"_s);
}

void TkyScript::SetOnRunLine(TkyRunLineEvent handler)
{
    const bool had = bool(FOnRunLine);
    FOnRunLine = std::move(handler);
    if (had != bool(FOnRunLine))
        FHookedScripts.fetch_add(had ? -1 : 1, std::memory_order_relaxed);
}

void TkyScript::notifyRunLine(const QString &unit, const QString &pos)
{
    for (const TkyScript *scope = this; scope; scope = scope->Parent()) {
        if (scope->FSilentLines)
            return;
        if (scope->FOnRunLine) {
            // A copy: the handler may replace itself while it runs.
            const TkyRunLineEvent handler = scope->FOnRunLine;
            handler(*this, unit, pos);
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Library modules

namespace {

std::vector<std::pair<TkyModuleOrder, TkyRTTIModuleFactory>> &moduleFactories()
{
    static std::vector<std::pair<TkyModuleOrder, TkyRTTIModuleFactory>> factories;
    return factories;
}

} // namespace

void kyRegisterRTTIModule(TkyModuleOrder order, TkyRTTIModuleFactory factory)
{
    auto &factories = moduleFactories();
    const auto at = std::upper_bound(factories.begin(), factories.end(), order,
                                     [](TkyModuleOrder o, const auto &entry) { return o < entry.first; });
    factories.emplace(at, order, std::move(factory));
}

void TkyScript::AddRTTI()
{
    if (FLibraryAdded)
        return;
    FLibraryAdded = true;
    const TkyAddedBy outer = FAddedBy;
    FAddedBy = kyLibraryAddedBy;
    try {
        for (const auto &[order, factory] : moduleFactories())
            Add(QString(), factory(*this));
    } catch (...) {
        FAddedBy = outer;
        throw;
    }
    FAddedBy = outer;
}

void TkyScript::ClearRTTI()
{
    eraseEntries([](const Entry &e) { return e.owner() == kyLibraryAddedBy; }, true);
    FLibraryAdded = false;
}

// ---------------------------------------------------------------------------------------
// Compiling and calling

bool TkyScript::Compile()
{
    FErrorMsg.clear();
    const QString text = kyScriptLinesText(FLines.Text());
    TkyILParser parser(this);
    try {
        parser.SelectLanguage(FSyntaxType);
        if (parser.MakeILScript(text))
            parser.ParseILScript(text);
        else if (FErrorMsg.isEmpty())
            FErrorMsg = u"Syntax error"_s; // the program rule matched nothing and said nothing
    } catch (const std::bad_alloc &) {
        FErrorMsg = QString::fromUtf16(kavOutOfMemoryMessage); // a text too big for the memory
    } catch (const Exception &e) {
        // An unknown language (also one a "#language" line names) is the script's error.
        FErrorMsg = e.Message();
    }
    if (!FErrorMsg.isEmpty())
        return false;
    FErrorPos.clear();
    return true;
}

bool TkyScript::HasCode()
{
    TkyILParser parser(this);
    parser.SelectLanguage(FSyntaxType);
    TkyParser &tokens = parser.Parser();
    tokens.SetText(kyScriptLinesText(FLines.Text()));
    do
        tokens.SkipSpaces();
    while (tokens.GetEOL());
    return tokens.Position() <= tokens.Size();
}

bool TkyScript::Run()
{
    if (!Compile())
        return false;
    Execute();
    return true;
}

bool TkyScript::GetILCode(QByteArray &IL)
{
    FErrorMsg.clear();
    TkyILParser parser(this);
    parser.SelectLanguage(FSyntaxType);
    if (!parser.MakeILScript(kyScriptLinesText(FLines.Text()))) {
        if (FErrorMsg.isEmpty())
            FErrorMsg = u"Syntax error"_s;
        return false;
    }
    TMemoryStream stream;
    parser.ILScript().SaveToStream(stream);
    IL = stream.Data();
    return true;
}

bool TkyScript::SetILCode(const QByteArray &IL)
{
    FErrorMsg.clear();
    TkyILParser parser(this);
    parser.SelectLanguage(FSyntaxType);
    auto doc = std::make_unique<TkyXMLDocument>();
    try {
        TMemoryStream stream(IL);
        doc->LoadFromStream(stream);
    } catch (const Exception &e) {
        FErrorMsg = e.Message();
        FErrorPos.clear();
        return false;
    }
    parser.SetILScript(std::move(doc));
    if (!parser.ParseILScript())
        return false;
    FErrorPos.clear();
    return true;
}

void TkyScript::AddCodeLine(const QString &UnitName, const QString &APos)
{
    bool ok = false;
    const int line = APos.section(u':', 0, 0).toInt(&ok);
    if (!ok)
        return;
    QList<int> &lines = FUnitLines[UnitName];
    const auto it = std::lower_bound(lines.begin(), lines.end(), line);
    if (it == lines.end() || *it != line)
        lines.insert(it, line);
}

bool TkyScript::IsExecutableLine(int LineN, const QString &UnitName) const
{
    const auto found = FUnitLines.constFind(UnitName);
    return found != FUnitLines.cend() && std::binary_search(found->begin(), found->end(), LineN);
}

namespace {

// Arguments of a host call: the elements of a variant array, none for anything else.
std::vector<Variant> argumentsOf(const Variant &params)
{
    std::vector<Variant> args;
    if (!params.IsArray())
        return args;
    const qint64 lo = VarArrayLowBound(params, 1);
    const qint64 hi = VarArrayHighBound(params, 1);
    for (qint64 i = lo; i <= hi; ++i)
        args.push_back(params.ArrayElement(i));
    return args;
}

} // namespace

QString TkyScript::FilePath(const QString &FileName) const
{
    if (FileName.isEmpty() || !QDir::isRelativePath(FileName))
        return FileName;
    for (const TkyScript *s = this; s; s = s->Enclosing())
        if (!s->FFilesFolder.isEmpty())
            return QDir(s->FFilesFolder).filePath(FileName);
    return FileName;
}

TkyScript *TkyScript::MainProgram()
{
    for (TkyScript *s = this; s; s = s->Enclosing())
        if (s->FMainProg)
            return s;
    return nullptr;
}

void TkyScript::beginHostCall(TkyScript &scope)
{
    // A call from the host outside any run is a run of its own for the statement budget.
    TkyScript *main = scope.MainProgram();
    if (main && !main->FIsRunning) {
        main->FOwnBudget.count = 0;
        main->FOwnBudget.grace = false;
    }
}

Variant TkyScript::CallFunction2(TkyProcVariable *Func, const Variant &Params)
{
    if (!Func)
        return Variant::Null();
    beginHostCall(Func->Program());
    std::vector<Variant> args = argumentsOf(Params);
    return recordingErrors([&] { return Func->Call(args); });
}

Variant TkyScript::CallFunction(const QString &Name, const Variant &Params, bool Global)
{
    auto *proc = dynamic_cast<TkyProcVariable *>(Global ? Find(Name) : FindLocal(Name));
    return CallFunction2(proc, Params);
}

Variant TkyScript::CallFunction1(const QString &Name, Variant &Params, bool Global)
{
    auto *proc = dynamic_cast<TkyProcVariable *>(Global ? Find(Name) : FindLocal(Name));
    if (!proc)
        return Variant::Null();
    beginHostCall(proc->Program());
    std::vector<Variant> args = argumentsOf(Params);
    const Variant result = recordingErrors([&] { return proc->Call(args); });
    if (Params.IsArray()) {
        const qint64 lo = VarArrayLowBound(Params, 1);
        for (size_t i = 0; i < args.size() && int(i) < proc->Count(); ++i)
            Params.SetArrayElement(lo + qint64(i), proc->GetParam(int(i))->GetValue());
    }
    return result;
}

Variant TkyScript::Evaluate(const QString &Expression)
{
    FEvaluteRiseError = false;
    TkyScript *context = FProgRunning ? FProgRunning : this;
    TkyScript temp;
    bool library = false;
    for (const TkyScript *s = context; s && !library; s = s->Enclosing())
        library = s->LibraryAdded();
    if (!library)
        temp.AddRTTI();
    temp.SetParent(context);
    temp.SetOnGetVarValue(context->OnGetVarValue());
    temp.SetSyntaxType(FSyntaxType);
    temp.SetSilentLines(true);
    // A line end after the expression, so a trailing // comment cannot swallow the rest.
    const QString crlf = u"\r\n"_s;
    QString text;
    if (kavSameText(FSyntaxType, u"PascalScript"))
        text = u"function kyEvaluateFUNC: Variant; begin Result := "_s + Expression + crlf
               + u" end; begin end."_s;
    else if (kavSameText(FSyntaxType, u"C++Script"))
        text = u"Variant kyEvaluateFUNC() { return "_s + Expression + crlf + u"; } {}"_s;
    else if (kavSameText(FSyntaxType, u"BasicScript"))
        text = u"function kyEvaluateFUNC"_s + crlf + u"return "_s + Expression + crlf
               + u"end function"_s;
    else if (kavSameText(FSyntaxType, u"JScript"))
        text = u"function kyEvaluateFUNC() { return ("_s + Expression + crlf + u"); }"_s;
    temp.Lines().SetText(text);
    // The debugger's hook stays quiet while it evaluates.
    TkyRunLineEvent hook = std::exchange(FOnRunLine, nullptr);
    const bool hooked = bool(hook);
    if (hooked)
        FHookedScripts.fetch_sub(1, std::memory_order_relaxed);
    struct Restore
    {
        TkyScript &s;
        TkyRunLineEvent &hook;
        bool hooked;
        ~Restore()
        {
            if (hooked)
                FHookedScripts.fetch_add(1, std::memory_order_relaxed);
            s.FOnRunLine = std::move(hook);
        }
    } restore{*this, hook, hooked};
    if (!temp.Compile()) {
        FEvaluteRiseError = true;
        return temp.ErrorMsg();
    }
    return temp.CallFunction(u"kyEvaluateFUNC"_s, Variant::Null(), false);
}

// ---------------------------------------------------------------------------------------
// Objects created by scripts

Variant TkyScript::AdoptObject(std::unique_ptr<TObject> Obj)
{
    TkyScript *top = this;
    while (TkyScript *p = top->Parent())
        top = p;
    const Variant ref = Variant::FromObject(Obj.get());
    top->FObjects.push_back(std::move(Obj));
    return ref;
}

bool TkyScript::FreeObject(TObject *Obj)
{
    TkyScript *top = this;
    while (TkyScript *p = top->Parent())
        top = p;
    const auto it = std::find_if(top->FObjects.begin(), top->FObjects.end(),
                                 [Obj](const auto &o) { return o.get() == Obj; });
    if (it == top->FObjects.end())
        return false;
    std::unique_ptr<TObject> doomed = std::move(*it);
    top->FObjects.erase(it);
    return true;
}
