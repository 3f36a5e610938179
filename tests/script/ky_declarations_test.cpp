// Declaration strings of native functions and methods: names, kinds, parameter groups,
// by-reference flags, defaults and their literal values, and loud failures on bad text.
#include <rtl/kavExceptions.h>
#include <rtl/kavFormatSettings.h>
#include <script/ky_declarations.h>
#include <script/ky_script.h>

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct ExpectedParam
{
    QString name;
    QString typeName;
    TkyVarType kind;
    bool optional;
    bool byRef;
    Variant def;
};

struct DeclarationCase
{
    const char *label;
    QString text;
    QString name;
    QString typeName;
    TkyVarType kind;
    bool isMacro;
    std::vector<ExpectedParam> params;
};

const Variant none = Variant::Null();

QString describe(const Variant &v)
{
    if (v.IsNull())
        return u"Null"_s;
    return QString::number(v.Type()) + u':' + v.AsString();
}

// The standard type names plus two constants that defaults may name.
class Declarations : public ::testing::Test
{
protected:
    Declarations()
    {
        kyAddStandardTypes(script);
        script.AddConst(u"True"_s, u"Boolean"_s, Variant(true));
        script.AddConst(u"MaxRows"_s, u"Integer"_s, Variant(100));
    }

    void check(const DeclarationCase &c)
    {
        SCOPED_TRACE(c.label);
        std::unique_ptr<TkyCustomVariable> item = kyParseDeclaration(c.text, &script);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->Name(), c.name);
        EXPECT_EQ(item->TypeName(), c.typeName);
        EXPECT_EQ(item->Typ(), c.kind);
        EXPECT_EQ(item->IsMacro(), c.isMacro);
        ASSERT_EQ(item->Count(), int(c.params.size()));
        int required = 0;
        for (int i = 0; i < item->Count(); ++i) {
            const ExpectedParam &e = c.params[size_t(i)];
            const TkyParamItem *p = item->GetParam(i);
            SCOPED_TRACE(e.name.toStdString());
            EXPECT_EQ(p->Name(), e.name);
            EXPECT_EQ(p->TypeName(), e.typeName);
            EXPECT_EQ(p->Typ(), e.kind);
            EXPECT_EQ(p->IsOptional(), e.optional);
            EXPECT_EQ(p->IsVarParam(), e.byRef);
            EXPECT_TRUE(p->DefValue().IsIdentical(e.def))
                << describe(p->DefValue()).toStdString() << " vs " << describe(e.def).toStdString();
            required += e.optional ? 0 : 1;
        }
        EXPECT_EQ(item->GetNumberOfRequiredParams(), required);
    }

    // The message of the EkyError that parsing text raises; empty when it raises nothing.
    QString failure(const QString &text)
    {
        try {
            kyParseDeclaration(text, &script);
        } catch (const EkyError &e) {
            return e.Message();
        }
        return QString();
    }

    TkavFormatSettingsGuard pinned{TFormatSettings::Invariant()};
    TkyScript script;
};

TEST_F(Declarations, Shapes)
{
    // A declaration without a result type has an empty type name: the kind of an unknown
    // name, fvtClass.
    const std::vector<DeclarationCase> cases = {
        {"copy", u"function Copy(S: String; Index, Count: Integer): String"_s, u"Copy"_s,
         u"String"_s, fvtString, false,
         {{u"S"_s, u"String"_s, fvtString, false, false, none},
          {u"Index"_s, u"Integer"_s, fvtInt, false, false, none},
          {u"Count"_s, u"Integer"_s, fvtInt, false, false, none}}},
        {"var and optional default", u"procedure SetPos(var X: Integer; Band: Variant = 0)"_s,
         u"SetPos"_s, QString(), fvtClass, false,
         {{u"X"_s, u"Integer"_s, fvtInt, false, true, none},
          {u"Band"_s, u"Variant"_s, fvtVariant, true, false, Variant(0)}}},
        {"only the last name gets the default", u"procedure P(a, b: Integer = 0)"_s, u"P"_s,
         QString(), fvtClass, false,
         {{u"a"_s, u"Integer"_s, fvtInt, false, false, none},
          {u"b"_s, u"Integer"_s, fvtInt, true, false, Variant(0)}}},
        {"var anywhere in a group", u"procedure P(a, VAR b: Integer; c: String)"_s, u"P"_s,
         QString(), fvtClass, false,
         {{u"a"_s, u"Integer"_s, fvtInt, false, true, none},
          {u"b"_s, u"Integer"_s, fvtInt, false, true, none},
          {u"c"_s, u"String"_s, fvtString, false, false, none}}},
        {"var over several names", u"procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)"_s,
         u"DecodeDate"_s, QString(), fvtClass, false,
         {{u"Date"_s, u"TDateTime"_s, fvtFloat, false, false, none},
          {u"Year"_s, u"Word"_s, fvtInt, false, true, none},
          {u"Month"_s, u"Word"_s, fvtInt, false, true, none},
          {u"Day"_s, u"Word"_s, fvtInt, false, true, none}}},
        {"const dropped, trailing ';'", u"function StrToBool(const S: string): Boolean;"_s,
         u"StrToBool"_s, u"Boolean"_s, fvtBool, false,
         {{u"S"_s, u"string"_s, fvtString, false, false, none}}},
        {"macrofunction", u"macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant"_s,
         u"IIF"_s, u"Variant"_s, fvtVariant, true,
         {{u"Expr"_s, u"Boolean"_s, fvtBool, false, false, none},
          {u"TrueValue"_s, u"Variant"_s, fvtVariant, false, false, none},
          {u"FalseValue"_s, u"Variant"_s, fvtVariant, false, false, none}}},
        {"macro prefix in any case", u"MacroFunction COUNT(Band: Variant = 0; Flags: Integer = 0): Variant"_s,
         u"COUNT"_s, u"Variant"_s, fvtVariant, true,
         {{u"Band"_s, u"Variant"_s, fvtVariant, true, false, Variant(0)},
          {u"Flags"_s, u"Integer"_s, fvtInt, true, false, Variant(0)}}},
        {"constructor form", u"constructor Create(AOwner: TComponent)"_s, u"Create"_s, QString(),
         fvtClass, false, {{u"AOwner"_s, u"TComponent"_s, fvtClass, false, false, none}}},
        {"rewritten constructor", u"function Create: Constructor"_s, u"Create"_s,
         u"Constructor"_s, fvtConstructor, false, {}},
        {"no parameter list", u"FUNCTION Now: TDateTime"_s, u"Now"_s, u"TDateTime"_s, fvtFloat,
         false, {}},
        {"empty parameter list", u"procedure Clear()"_s, u"Clear"_s, QString(), fvtClass, false, {}},
        {"array parameter", u"function Format(Fmt: String; Args: array): String"_s, u"Format"_s,
         u"String"_s, fvtString, false,
         {{u"Fmt"_s, u"String"_s, fvtString, false, false, none},
          {u"Args"_s, u"array"_s, fvtArray, false, false, none}}},
        {"script constant default",
         u"function ReadTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True): String;"_s,
         u"ReadTStrings"_s, u"String"_s, fvtString, false,
         {{u"Section"_s, u"String"_s, fvtString, false, false, none},
          {u"Value"_s, u"TStrings"_s, fvtClass, false, false, none},
          {u"IsClear"_s, u"Boolean"_s, fvtBool, true, false, Variant(true)}}},
        {"unknown identifier default is null, not optional", u"procedure P(X: Variant = NoSuch; N: Integer = MaxRows)"_s,
         u"P"_s, QString(), fvtClass, false,
         {{u"X"_s, u"Variant"_s, fvtVariant, false, false, none},
          {u"N"_s, u"Integer"_s, fvtInt, true, false, Variant(100)}}},
        {"string defaults", u"procedure P(A: String = 'it''s'; B: String = ''; C: String = 'a:b;c)')"_s,
         u"P"_s, QString(), fvtClass, false,
         {{u"A"_s, u"String"_s, fvtString, true, false, Variant(u"it's"_s)},
          {u"B"_s, u"String"_s, fvtString, true, false, Variant(QString())},
          {u"C"_s, u"String"_s, fvtString, true, false, Variant(u"a:b;c)"_s)}}},
        {"':' inside a default before the result", u"function F(S: String = 'x:y'): Integer"_s,
         u"F"_s, u"Integer"_s, fvtInt, false,
         {{u"S"_s, u"String"_s, fvtString, true, false, Variant(u"x:y"_s)}}},
        {"blanks and comments between tokens", u"function  F ( A , B : Integer { two } ) : String ;"_s,
         u"F"_s, u"String"_s, fvtString, false,
         {{u"A"_s, u"Integer"_s, fvtInt, false, false, none},
          {u"B"_s, u"Integer"_s, fvtInt, false, false, none}}},
    };
    for (const DeclarationCase &c : cases)
        check(c);
}

TEST_F(Declarations, NumberDefaults)
{
    // Integers within 32 bits are Integer, larger ones Int64, fractions and exponents
    // Double; the sign applies before the width is chosen.
    const std::vector<DeclarationCase> cases = {
        {"negative", u"procedure P(A: Integer = -5; B: Int64 = -2147483648; C: Int64 = -2147483649)"_s,
         u"P"_s, QString(), fvtClass, false,
         {{u"A"_s, u"Integer"_s, fvtInt, true, false, Variant(-5)},
          {u"B"_s, u"Int64"_s, fvtInt64, true, false, Variant(std::numeric_limits<int>::min())},
          {u"C"_s, u"Int64"_s, fvtInt64, true, false, Variant(qint64(-2147483649LL))}}},
        {"widths", u"procedure P(A: Int64 = 2147483647; B: Int64 = 2147483648; C: Int64 = 9223372036854775807; D: Int64 = -9223372036854775808)"_s,
         u"P"_s, QString(), fvtClass, false,
         {{u"A"_s, u"Int64"_s, fvtInt64, true, false, Variant(2147483647)},
          {u"B"_s, u"Int64"_s, fvtInt64, true, false, Variant(qint64(2147483648LL))},
          {u"C"_s, u"Int64"_s, fvtInt64, true, false,
           Variant(std::numeric_limits<qint64>::max())},
          {u"D"_s, u"Int64"_s, fvtInt64, true, false,
           Variant(std::numeric_limits<qint64>::min())}}},
        {"doubles", u"procedure P(A: Double = 1.5; B: Double = 2e3; C: Double = -0.25; D: Double = 99999999999999999999)"_s,
         u"P"_s, QString(), fvtClass, false,
         {{u"A"_s, u"Double"_s, fvtFloat, true, false, Variant(1.5)},
          {u"B"_s, u"Double"_s, fvtFloat, true, false, Variant(2000.0)},
          {u"C"_s, u"Double"_s, fvtFloat, true, false, Variant(-0.25)},
          {u"D"_s, u"Double"_s, fvtFloat, true, false, Variant(1e20)}}},
        {"hex", u"procedure P(A: Integer = $FF; B: Int64 = $80000000; C: Integer = -$10; D: Integer = $7fffffff)"_s,
         u"P"_s, QString(), fvtClass, false,
         {{u"A"_s, u"Integer"_s, fvtInt, true, false, Variant(255)},
          {u"B"_s, u"Int64"_s, fvtInt64, true, false, Variant(qint64(0x80000000LL))},
          {u"C"_s, u"Integer"_s, fvtInt, true, false, Variant(-16)},
          {u"D"_s, u"Integer"_s, fvtInt, true, false, Variant(0x7fffffff)}}},
        {"printf directives stay text", u"procedure P(F: String = '%s%n%d')"_s, u"P"_s, QString(),
         fvtClass, false, {{u"F"_s, u"String"_s, fvtString, true, false, Variant(u"%s%n%d"_s)}}},
    };
    for (const DeclarationCase &c : cases)
        check(c);
}

TEST_F(Declarations, MalformedRaise)
{
    const QString bad[] = {
        QString(),
        u"   "_s,
        u"function"_s,
        u"function (A: Integer): Integer"_s,
        u"procedure P(A: Integer"_s,
        u"procedure P(A: Integer;"_s,
        u"procedure P(A, B)"_s,
        u"procedure P(var)"_s,
        u"procedure P(A: )"_s,
        u"procedure P(A:"_s,
        u"procedure P(, A: Integer)"_s,
        u"procedure P(A: Integer B: String)"_s,
        u"procedure P(1: Integer)"_s,
        u"procedure P(A = 1)"_s,
        u"procedure P(A: Integer = )"_s,
        u"procedure P(A: Integer = -X)"_s,
        u"procedure P(A: Integer = 1 2)"_s,
        u"procedure P(A: String = 'open)"_s,
        u"procedure P(A: Int64 = $1FFFFFFFFFFFFFFFF)"_s,
        u"procedure P(A: Double = 1e999)"_s,
        u"function F(A: Integer)"_s,
        u"function F"_s,
        u"function F:"_s,
        u"function F(S: String = ':')"_s,
    };
    for (const QString &text : bad) {
        const QString message = failure(text);
        EXPECT_FALSE(message.isEmpty()) << "accepted: " << text.toStdString();
        if (!text.isEmpty()) {
            EXPECT_TRUE(message.contains(text)) << message.toStdString();
        }
    }
}

// A function cut before its result type's first letter, and a procedure cut inside its
// parameter list, must fail cleanly.
TEST_F(Declarations, TruncationSweep)
{
    const QString texts[] = {
        u"function Copy(S: String; Index, Count: Integer = 1): String"_s,
        u"procedure SetPos(var X: Integer; Band: Variant = 'a''b')x"_s,
    };
    for (const QString &full : texts) {
        const bool isFunction = full.startsWith(u"function"_s);
        const qsizetype from = isFunction ? 0 : full.indexOf(u'(') + 1;
        const qsizetype stop = isFunction ? full.lastIndexOf(u':') + 1 : full.lastIndexOf(u')');
        for (qsizetype n = from; n <= stop; ++n) {
            const QString prefix = full.left(n);
            EXPECT_FALSE(failure(prefix).isEmpty()) << "accepted: " << prefix.toStdString();
        }
        EXPECT_TRUE(failure(full).isEmpty()) << full.toStdString();
    }
}

TEST_F(Declarations, ExtendedCharsetNames)
{
    script.SetExtendedCharset(true);
    const auto item = kyParseDeclaration(u"procedure Größe(Wert: Integer)"_s, &script);
    EXPECT_EQ(item->Name(), u"Größe"_s);
    ASSERT_EQ(item->Count(), 1);
    EXPECT_EQ(item->GetParam(0)->Name(), u"Wert"_s);
}

TEST(DeclarationsWithoutScript, KindsUnknownAndIdentifiersNull)
{
    const auto item = kyParseDeclaration(u"function F(A: Integer = True): Integer"_s, nullptr);
    EXPECT_EQ(item->Typ(), fvtClass);
    ASSERT_EQ(item->Count(), 1);
    EXPECT_EQ(item->GetParam(0)->Typ(), fvtClass);
    EXPECT_TRUE(item->GetParam(0)->DefValue().IsNull());
    EXPECT_FALSE(item->GetParam(0)->IsOptional());
}

} // namespace
