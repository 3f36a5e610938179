#include "ky_script.h"

#include "ky_statements.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

const QString kyDefaultSyntaxType = u"PascalScript"_s;

// Statements the finally parts may still run after the budget ran out.
constexpr qint64 kyBudgetGrace = 10000;

std::atomic<int> kyHookedScripts{0};

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

size_t TkyScript::lowerBound(QStringView name) const
{
    const auto it = std::partition_point(FItems.begin(), FItems.end(), [name](const Entry &e) {
        return kavCompareText(e.key, name) < 0;
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
    FItems.insert(FItems.begin() + std::ptrdiff_t(at),
                  Entry{kavUpperCase(Name), std::move(Item), var, FAddedBy});
    return raw;
}

void TkyScript::checkIndex(int index) const
{
    if (index < 0 || index >= Count())
        kavRaise<EListError>(u"List index out of bounds (%1)"_s.arg(index));
}

TObject *TkyScript::Items(int Index) const
{
    checkIndex(Index);
    return FItems[size_t(Index)].item.get();
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
        return e.item.get() == Item;
    });
    if (it == FItems.end())
        return nullptr;
    std::unique_ptr<TObject> taken = std::move(it->item);
    FItems.erase(it);
    return taken;
}

TkyCustomVariable *TkyScript::FindLocal(QStringView Name) const
{
    // Entries of one name are adjacent; the first variable among them is the newest.
    for (size_t i = lowerBound(Name); i < FItems.size(); ++i) {
        const Entry &e = FItems[i];
        if (!kavSameText(e.key, Name))
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
    std::vector<std::unique_ptr<TObject>> doomed;
    for (Entry &e : FItems) {
        if (e.owner() != kyLibraryAddedBy)
            doomed.push_back(std::move(e.item));
    }
    std::erase_if(FItems, [](const Entry &e) { return !e.item; });
    doomed.clear(); // first to last
    FErrorMsg.clear();
    FErrorPos.clear();
    FErrorUnit.clear();
}

void TkyScript::ClearItems(TkyAddedBy Owner)
{
    if (FStatement)
        FStatement->Clear();
    RemoveItems(Owner);
}

void TkyScript::RemoveItems(TkyAddedBy Owner)
{
    // Taken out last to first and freed in that order, after the list is consistent again.
    std::vector<std::unique_ptr<TObject>> doomed;
    for (auto it = FItems.rbegin(); it != FItems.rend(); ++it) {
        if (it->owner() == Owner)
            doomed.push_back(std::move(it->item));
    }
    std::erase_if(FItems, [](const Entry &e) { return !e.item; });
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
    // Flags of an earlier run (a break left by a raise, a terminate) must not leak in,
    // and none of this run may leak out.
    const auto reset = [this] {
        FBreakCalled = FContinueCalled = FExitCalled = FTerminated = false;
        FIsRunning = false;
    };
    struct Guard
    {
        decltype(reset) &fn;
        ~Guard() { fn(); }
    } guard{reset};
    reset();
    FIsRunning = true;
    FMainProg = true;
    FStatementCount = 0;
    FBudgetGrace = false;
    if (FStatement)
        FStatement->Execute();
}

void TkyScript::Terminate()
{
    FExitCalled = true;
    FTerminated = true;
}

void TkyScript::countLimited()
{
    if (++FStatementCount <= FStatementLimit)
        return;
    if (!FBudgetGrace) {
        // Once per run: the finally parts the abort unwinds through may still finish.
        FBudgetGrace = true;
        FStatementCount = FStatementLimit - std::min(FStatementLimit, kyBudgetGrace);
    }
    kavRaise<EkyBudgetExceeded>(u"Script stopped: statement limit reached"_s);
}

void TkyScript::SetOnRunLine(TkyRunLineEvent handler)
{
    const bool had = bool(FOnRunLine);
    FOnRunLine = std::move(handler);
    if (had != bool(FOnRunLine))
        kyHookedScripts.fetch_add(had ? -1 : 1, std::memory_order_relaxed);
}

int TkyScript::hookedScripts()
{
    return kyHookedScripts.load(std::memory_order_relaxed);
}

void TkyScript::notifyRunLine(const QString &unit, const QString &pos)
{
    for (const TkyScript *scope = this; scope; scope = scope->Parent()) {
        if (scope->FOnRunLine) {
            // A copy: the handler may replace itself while it runs.
            const TkyRunLineEvent handler = scope->FOnRunLine;
            handler(*this, unit, pos);
            return;
        }
    }
}
