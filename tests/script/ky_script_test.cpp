// The program model's first layer: scope items and their value conversions, look-up
// through parent scopes, registration, removal by owner and object references.
#include <rtl/kavExceptions.h>
#include <rtl/kavFormatSettings.h>
#include <rtl/kavStrings.h>
#include <script/ky_script.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A script with the standard type names, under fixed number formats ("." decimals).
class ScriptModel : public ::testing::Test
{
protected:
    ScriptModel() { kyAddStandardTypes(script); }

    TkavFormatSettingsGuard pinned{TFormatSettings::Invariant()};
    TkyScript script;
};

// The message of the EVariantError that f raises; empty when it raises nothing.
template <typename F>
QString variantError(F f)
{
    try {
        f();
    } catch (const EVariantError &e) {
        return e.Message();
    }
    return QString();
}

// A variable that records its name when it is freed.
class LoggedVariable : public TkyVariable
{
public:
    LoggedVariable(const QString &name, QStringList *log)
        : TkyVariable(name, fvtInt, u"Integer"_s)
        , FLog(log)
    {
    }
    ~LoggedVariable() override { FLog->append(Name()); }

private:
    QStringList *FLog;
};

// ---------------------------------------------------------------------------------------
// Conversion by kind

struct AssignCase
{
    const char *row;
    QString typeName;
    Variant input;
    Variant expected; // type and value
};

TEST_F(ScriptModel, AssignmentConvertsByKind)
{
    const AssignCase cases[] = {
        // integers round half to even
        {"int-3.7", u"Integer"_s, 3.7, 4},
        {"int-2.5", u"Integer"_s, 2.5, 2},
        {"int-text", u"Integer"_s, u"12"_s, 12},
        {"int-true", u"Integer"_s, true, -1},
        {"byte-is-int", u"Byte"_s, 3.5, 4},
        {"int64", u"Int64"_s, 5000000000.0, qint64(5000000000)},
        {"bool-number", u"Boolean"_s, 2, true},
        {"bool-text", u"Boolean"_s, u"FALSE"_s, false},
        {"double-int", u"Double"_s, 2, 2.0},
        {"currency-is-float", u"Currency"_s, u"1.25"_s, 1.25},
        // a date stays a date, a number in a date variable is a double
        {"datetime-date", u"TDateTime"_s, Variant::FromDate(45000.25), Variant::FromDate(45000.25)},
        {"datetime-number", u"TDateTime"_s, 3, 3.0},
        {"string-int", u"String"_s, 42, u"42"_s},
        // Char, Variant and class kinds store the value as given
        {"char-as-given", u"Char"_s, 65, 65},
        {"variant-as-given", u"Variant"_s, 3.7, 3.7},
        {"class-as-given", u"TUnknownClass"_s, u"abc"_s, u"abc"_s},
    };
    for (const AssignCase &c : cases) {
        const QString name = u"v_"_s + QString::fromLatin1(c.row); // clear of type names
        script.AddVariable(name, c.typeName, Variant());
        script.SetVariables(name, c.input);
        const Variant got = script.Variables(name);
        EXPECT_TRUE(got.IsIdentical(c.expected))
            << c.row << ": type " << VarType(got) << " value " << qPrintable(VarToStr(got));
    }
}

TEST_F(ScriptModel, FailedConversionRaisesAndKeepsTheOldValue)
{
    const struct
    {
        QString typeName;
        QString target;
    } cases[] = {
        {u"Integer"_s, u"Integer"_s},
        {u"Int64"_s, u"Int64"_s},
        {u"Double"_s, u"Double"_s},
        {u"Boolean"_s, u"Boolean"_s},
    };
    for (const auto &c : cases) {
        const QString name = u"V"_s + c.typeName;
        script.AddVariable(name, c.typeName, 1);
        const Variant before = script.Variables(name);
        const QString message = variantError([&] { script.SetVariables(name, u"abc"_s); });
        EXPECT_EQ(message, u"Could not convert variant of type (String) into type (%1)"_s.arg(c.target));
        EXPECT_TRUE(script.Variables(name).IsIdentical(before)) << qPrintable(c.typeName);
    }
}

TEST_F(ScriptModel, DateTimeVariableKeepsDates)
{
    script.AddVariable(u"D"_s, u"TDateTime"_s, Variant::FromDate(45000.5));
    EXPECT_EQ(script.Find(u"d")->Typ(), fvtFloat);
    EXPECT_EQ(VarType(script.Variables(u"D")), varDate);
    script.SetVariables(u"D"_s, 7);
    EXPECT_EQ(VarType(script.Variables(u"D")), varDouble);
    EXPECT_EQ(script.Variables(u"D").AsDouble(), 7.0);
}

TEST_F(ScriptModel, ReadOnlyItems)
{
    script.AddConst(u"Half"_s, u"Double"_s, u"0.5"_s);
    TkyCustomVariable *half = script.Find(u"HALF");
    ASSERT_TRUE(half);
    EXPECT_TRUE(half->IsReadOnly());
    EXPECT_EQ(VarType(half->GetValue()), varDouble);
    half->SetValue(9);
    EXPECT_EQ(half->GetValue().AsDouble(), 0.5);

    // A string variable takes text even when read-only, converting what it gets.
    TkyStringVariable text(u"S"_s, fvtString, u"String"_s);
    EXPECT_TRUE(text.GetValue().IsIdentical(QString()));
    text.SetIsReadOnly(true);
    text.SetValue(12);
    EXPECT_TRUE(text.GetValue().IsIdentical(u"12"_s));
}

// ---------------------------------------------------------------------------------------
// Registration

TEST_F(ScriptModel, AddVariableLeavesAnExistingName)
{
    script.SetVariables(u"X"_s, 5); // nothing named X: a Variant variable appears
    TkyCustomVariable *x = script.FindLocal(u"x");
    ASSERT_TRUE(x);
    EXPECT_EQ(x->Typ(), fvtVariant);
    EXPECT_EQ(x->TypeName(), u"Variant"_s);
    script.AddVariable(u"x"_s, u"String"_s, 7);
    EXPECT_EQ(script.FindLocal(u"X"), x);
    EXPECT_TRUE(script.Variables(u"X").IsIdentical(5));
    EXPECT_EQ(x->Typ(), fvtVariant);

    // A name seen in a parent is not registered again either.
    TkyScript child;
    child.SetParent(&script);
    child.AddVariable(u"X"_s, u"Integer"_s, 1);
    EXPECT_EQ(child.FindLocal(u"X"), nullptr);
}

TEST_F(ScriptModel, EnumerationsAndSets)
{
    const struct
    {
        bool isSet;
        QString names;
        std::vector<qint64> values;
    } cases[] = {
        {false, u"akLeft, akTop, akRight"_s, {0, 1, 2}},
        {true, u"akLeft, akTop, akRight"_s, {1, 2, 4}},
        {false, u" a ,, b"_s, {0, 1}}, // blanks trimmed, empty names skipped
    };
    for (const auto &c : cases) {
        TkyScript s;
        if (c.isSet)
            s.AddEnumSet(u"TAnchors"_s, c.names);
        else
            s.AddEnum(u"TAnchors"_s, c.names);
        const QStringList names = c.names.split(u',', Qt::SkipEmptyParts);
        ASSERT_EQ(s.Count(), int(c.values.size()) + 1);
        for (size_t i = 0; i < c.values.size(); ++i) {
            TkyCustomVariable *v = s.FindLocal(names[qsizetype(i)].trimmed());
            ASSERT_TRUE(v);
            EXPECT_EQ(v->GetValue().AsInt64(), c.values[i]) << qPrintable(v->Name());
            EXPECT_EQ(v->Typ(), fvtEnum);
            EXPECT_EQ(v->GetFullTypeName(), u"TAnchors"_s);
            EXPECT_TRUE(v->IsReadOnly());
        }
        TkyCustomVariable *type = s.FindLocal(u"tanchors");
        ASSERT_TRUE(type);
        EXPECT_TRUE(type->GetValue().IsNull());
        EXPECT_EQ(StrToVarType(u"TAnchors", &s), fvtEnum);
    }
}

TEST_F(ScriptModel, WideSetValuesBecomeInt64)
{
    QStringList names;
    for (int i = 0; i < 33; ++i)
        names.append(u"e%1"_s.arg(i));
    script.AddEnumSet(u"TWide"_s, names.join(u','));
    EXPECT_EQ(VarType(script.Variables(u"e30")), varInteger);
    EXPECT_TRUE(script.Variables(u"e31").IsIdentical(qint64(1) << 31));
    EXPECT_TRUE(script.Variables(u"e32").IsIdentical(qint64(1) << 32));

    for (int i = 33; i < 64; ++i)
        names.append(u"e%1"_s.arg(i));
    TkyScript tooWide; // 64 names: no bit left for the last one
    EXPECT_THROW(tooWide.AddEnumSet(u"TTooWide"_s, names.join(u',')), EkyError);
    EXPECT_EQ(tooWide.Count(), 0); // nothing half-registered
    TkyScript widest;
    names.removeLast();
    widest.AddEnumSet(u"TWidest"_s, names.join(u','));
    EXPECT_TRUE(widest.Variables(u"e62").IsIdentical(qint64(1) << 62));
}

TEST_F(ScriptModel, ObjectsAreCheckedReferences)
{
    auto list = std::make_unique<TStringList>();
    script.AddObject(u"List"_s, list.get());
    TkyCustomVariable *item = script.Find(u"list");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->TypeName(), u"TStringList"_s);
    EXPECT_EQ(item->Typ(), fvtClass);
    const Variant ref = item->GetValue();
    ASSERT_TRUE(ref.IsObject());
    EXPECT_EQ(ref.AsObject(), list.get());

    list.reset(); // the reference now reads as no object, never as freed memory
    EXPECT_EQ(TObject::FromHandle(item->GetValue().Handle()), nullptr);
    EXPECT_EQ(variantError([&] { item->GetValue().AsObject(); }), u"Invalid object reference"_s);

    script.AddObject(u"Nothing"_s, nullptr);
    EXPECT_TRUE(script.Variables(u"Nothing").IsNil());
}

TEST_F(ScriptModel, ValueSupplierFallsBackOnNull)
{
    QString seenName;
    TkyVarType seenType = fvtVariant;
    Variant seenOld;
    script.SetOnGetVarValue([&](const QString &name, TkyVarType typ, const Variant &old) {
        seenName = name;
        seenType = typ;
        seenOld = old;
        return name == u"Supplied"_s ? Variant(99) : Variant::Null();
    });
    script.AddVariable(u"Supplied"_s, u"Integer"_s, 1);
    script.AddVariable(u"Plain"_s, u"Integer"_s, 2);

    EXPECT_TRUE(script.Variables(u"supplied").IsIdentical(99));
    EXPECT_EQ(seenName, u"Supplied"_s);
    EXPECT_EQ(seenType, fvtInt);
    EXPECT_TRUE(seenOld.IsIdentical(1));
    EXPECT_TRUE(script.Variables(u"plain").IsIdentical(2));
    EXPECT_EQ(seenName, u"Plain"_s);

    TkyStringVariable text(u"T"_s, fvtString, u"String"_s);
    text.SetOnGetVarValue(script.OnGetVarValue());
    text.SetValue(u"kept"_s);
    EXPECT_TRUE(text.GetValue().IsIdentical(u"kept"_s));
}

// ---------------------------------------------------------------------------------------
// Type names

TEST_F(ScriptModel, StrToVarType)
{
    const struct
    {
        QString name;
        TkyVarType kind;
    } cases[] = {
        {u"Byte"_s, fvtInt},         {u"cardinal"_s, fvtInt},    {u"TALPHACOLOR"_s, fvtInt},
        {u"Int64"_s, fvtInt64},      {u"boolean"_s, fvtBool},    {u"Real"_s, fvtFloat},
        {u"TTime"_s, fvtFloat},      {u"Char"_s, fvtChar},       {u"string"_s, fvtString},
        {u"Pointer"_s, fvtVariant},  {u"Array"_s, fvtArray},     {u"Constructor"_s, fvtConstructor},
        {u"TFooBar"_s, fvtClass},    {QString(), fvtClass},
    };
    TkyScript child; // types are found through the parent chain
    child.SetParent(&script);
    for (const auto &c : cases)
        EXPECT_EQ(StrToVarType(c.name, &child), c.kind) << qPrintable(c.name);

    TkyScript bare;
    EXPECT_EQ(StrToVarType(u"Integer", &bare), fvtClass);
    EXPECT_EQ(StrToVarType(u"Integer", nullptr), fvtClass);
}

TEST(ScriptItems, FullTypeNames)
{
    const struct
    {
        TkyVarType kind;
        QString text;
    } cases[] = {
        {fvtInt, u"Integer"_s},    {fvtBool, u"Boolean"_s}, {fvtFloat, u"Extended"_s},
        {fvtChar, u"Char"_s},      {fvtString, u"String"_s}, {fvtClass, u"TMyType"_s},
        {fvtArray, u"Array"_s},    {fvtVariant, u"Variant"_s}, {fvtEnum, u"TMyType"_s},
        {fvtConstructor, u"Variant"_s}, {fvtInt64, u"Int64"_s},
    };
    for (const auto &c : cases) {
        TkyTypeVariable item(u"x"_s, c.kind, u"TMyType"_s);
        EXPECT_EQ(item.GetFullTypeName(), c.text) << int(c.kind);
    }
}

TEST(ScriptItems, Parameters)
{
    TkyVariable method(u"Copy"_s, fvtString, u"String"_s);
    method.Add(std::make_unique<TkyParamItem>(u"S"_s, fvtString, u"String"_s, false, false));
    method.Add(std::make_unique<TkyParamItem>(u"Index"_s, fvtInt, u"Integer"_s, false, true));
    auto *count = static_cast<TkyParamItem *>(
        method.Add(std::make_unique<TkyParamItem>(u"Count"_s, fvtInt, u"Integer"_s, true, false)));
    count->SetDefValue(1);
    EXPECT_EQ(method.GetNumberOfRequiredParams(), 2);
    EXPECT_EQ(method.GetParam(1)->Name(), u"Index"_s);
    EXPECT_TRUE(method.GetParam(1)->IsVarParam());
    EXPECT_TRUE(method.GetParam(2)->DefValue().IsIdentical(1));
    EXPECT_THROW(method.GetParam(3), EListError);

    std::unique_ptr<TkyItemList> taken = method.Remove(count);
    EXPECT_EQ(taken.get(), count);
    EXPECT_EQ(method.Count(), 2);
    EXPECT_EQ(method.Remove(count), nullptr);
}

// ---------------------------------------------------------------------------------------
// Scopes

TEST_F(ScriptModel, FindWalksParentsAndLocalsShadow)
{
    TkyScript global;
    global.AddVariable(u"X"_s, u"Integer"_s, 1);
    global.AddVariable(u"Y"_s, u"Integer"_s, 2);
    auto main = std::make_unique<TkyScript>();
    main->SetParent(&global);
    // AddVariable leaves names the chain already knows: a local is added directly.
    auto shadow = std::make_unique<TkyVariable>(u"x"_s, fvtInt, u"Integer"_s);
    shadow->SetValue(10);
    main->Add(u"x"_s, std::move(shadow));
    TkyScript local;
    local.SetParent(main.get());

    EXPECT_EQ(local.FindLocal(u"X"), nullptr);
    EXPECT_TRUE(local.Variables(u"X").IsIdentical(10));
    EXPECT_TRUE(local.Variables(u"y").IsIdentical(2));
    EXPECT_TRUE(local.Variables(u"z").IsNull());
    local.SetVariables(u"Y"_s, 20); // writes the item found, in the global scope
    EXPECT_TRUE(global.Variables(u"Y").IsIdentical(20));
    EXPECT_EQ(local.FindLocal(u"Y"), nullptr);

    main.reset(); // a destroyed parent ends the chain instead of dangling
    EXPECT_EQ(local.Parent(), nullptr);
    EXPECT_TRUE(local.Variables(u"X").IsNull());
}

TEST_F(ScriptModel, CircularParentIsRefused)
{
    TkyScript child;
    child.SetParent(&script);
    EXPECT_THROW(script.SetParent(&child), EkyError);
    EXPECT_THROW(script.SetParent(&script), EkyError);
    EXPECT_EQ(script.Parent(), nullptr);
}

TEST(ScriptScope, NewestRegistrationIsFoundFirst)
{
    TkyScript s;
    TObject *older = s.Add(u"Name"_s, std::make_unique<TkyVariable>(u"Name"_s, fvtInt, u"Integer"_s));
    TObject *newer = s.Add(u"NAME"_s, std::make_unique<TkyVariable>(u"NAME"_s, fvtInt, u"Integer"_s));
    s.Add(u"name"_s, std::make_unique<TObject>()); // not a variable: never found
    s.Add(u"Module"_s, std::make_unique<TObject>());
    EXPECT_EQ(s.FindLocal(u"nAmE"), newer);
    EXPECT_EQ(s.FindLocal(u"Module"), nullptr);

    std::unique_ptr<TObject> taken = s.Remove(newer);
    EXPECT_EQ(taken.get(), newer);
    EXPECT_EQ(s.FindLocal(u"name"), older);
    EXPECT_EQ(s.Count(), 3);
    EXPECT_EQ(s.Remove(newer), nullptr);
}

TEST(ScriptScope, ItemsAreInNameOrder)
{
    TkyScript s;
    for (const QString &name : {u"b"_s, u"C"_s, u"a"_s, u"B2"_s})
        s.AddVariable(name, u"Variant"_s, 0);
    QStringList order;
    for (int i = 0; i < s.Count(); ++i)
        order.append(s.ItemName(i));
    EXPECT_EQ(order, (QStringList{u"a"_s, u"b"_s, u"B2"_s, u"C"_s}));
    EXPECT_THROW(s.Items(4), EListError);
    EXPECT_THROW(s.Items(-1), EListError);
}

TEST(ScriptScope, RemoveItemsByOwner)
{
    QStringList freed;
    int hostA = 0;
    int hostB = 0;
    TkyScript s;
    s.SetAddedBy(&hostA);
    for (const QString &name : {u"A1"_s, u"A3"_s, u"A2"_s})
        s.Add(name, std::make_unique<LoggedVariable>(name, &freed));
    s.SetAddedBy(&hostB);
    s.Add(u"B"_s, std::make_unique<LoggedVariable>(u"B"_s, &freed));
    s.SetAddedBy(nullptr);
    s.Add(u"Host"_s, std::make_unique<LoggedVariable>(u"Host"_s, &freed));
    EXPECT_EQ(s.FindLocal(u"A1")->AddedBy(), &hostA);

    s.RemoveItems(&hostA);
    EXPECT_EQ(freed, (QStringList{u"A3"_s, u"A2"_s, u"A1"_s})); // last to first
    EXPECT_EQ(s.Count(), 2);
    s.ClearItems(&hostB);
    EXPECT_EQ(s.FindLocal(u"B"), nullptr);
    EXPECT_NE(s.FindLocal(u"Host"), nullptr);
}

TEST_F(ScriptModel, ClearKeepsLibraryItems)
{
    TkyScript s;
    s.SetAddedBy(kyLibraryAddedBy);
    kyAddStandardTypes(s);
    s.Add(QString(), std::make_unique<TObject>()); // a library module
    const int library = s.Count();
    s.SetAddedBy(nullptr);
    s.AddVariable(u"Mine"_s, u"Integer"_s, 1);
    s.SetErrorMsg(u"m"_s);
    s.SetErrorPos(u"1:1"_s);
    s.SetErrorUnit(u"u"_s);

    s.Clear();
    EXPECT_EQ(s.Count(), library);
    EXPECT_EQ(s.FindLocal(u"Mine"), nullptr);
    EXPECT_EQ(s.FindLocal(u"Integer")->Typ(), fvtInt);
    EXPECT_TRUE(s.ErrorMsg().isEmpty() && s.ErrorPos().isEmpty() && s.ErrorUnit().isEmpty());
}

TEST(ScriptScope, LinesAreCopied)
{
    TkyScript s;
    EXPECT_EQ(s.SyntaxType(), u"PascalScript"_s);
    TStringList source;
    source.Add(u"begin"_s);
    source.Add(u"end."_s);
    s.SetLines(source);
    source.Clear();
    EXPECT_EQ(s.Lines().Count(), 2);
    EXPECT_EQ(s.Lines().Strings(1), u"end."_s);
}

} // namespace
