// The grammar-driven IL parser: every rule element and attribute on small grammars of our
// own (registered under hidden "@" names), error recording, units, limits, the language
// registry and the file-access policy that unit loading goes through.
#include "kyScriptTestSupport.h"

#include <rtl/kavFilePolicy.h>
#include <script/ky_iparser.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A grammar text: options (extra `parser` children), a few keywords and messages, one type
// alias, then the rules.
QString grammar(const QString &rules, const QString &options = QString())
{
    return uR"(<?xml version="1.0"?>
<language text="test">
  <parser>%1
    <keywords><begin/><end/><uses/><break/></keywords>
    <errors>
      <err1 text="Identifier expected"/>
      <err2 text="Expression expected"/>
      <err3 text="Statement expected"/>
      <err5 text="';' expected"/>
    </errors>
  </parser>
  <types><int type="integer"/></types>
  %2
</language>)"_s.arg(options, rules);
}

// Registers rules under a hidden name and returns kyILText of source.
QString il(const QString &rules,
           const QString &source,
           const QString &options = QString(),
           TkyScript *script = nullptr)
{
    kyRegisterLanguage(u"@t"_s, grammar(rules, options));
    return kyILText(u"@t"_s, source, script);
}

// The IL of a program that holds the given lines (indented one level) and the types.
QString program(const QString &body)
{
    return u"<program>\n"_s + body
           + u"  <types>\n    <int type=\"integer\"/>\n  </types>\n</program>\n"_s;
}

// Restores the trusted file policy when a test ends, also on failure.
struct PolicyGuard
{
    ~PolicyGuard() { kavFilePolicy().SetTrusted(); }
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Tokens with their leaves: each leaf's pos is just after its token.
constexpr char16_t tokenRules[] = uR"(
  <program><loop><switch>
    <ident add="ident"/>
    <number add="number"/>
    <string add="string"/>
    <char text="+" add="op"/>
    <keyword text="begin" add="kw" addtext="BEGIN"/>
  </switch></loop></program>)";

} // namespace

// --- rule elements and attributes ---------------------------------------------------------

TEST(ILParserElements, TokensAndLeaves)
{
    // "Begin" is a keyword: ident reads it but fails and goes back, so the keyword element
    // (compared case-insensitively, emitting its addtext) gets it.
    EXPECT_EQ(il(QString::fromUtf16(tokenRules), u"a 12 'x' + Begin $1F"_s),
              program(uR"(  <ident text="a" pos="1:2"/>
  <number text="12" pos="1:5"/>
  <string text="'x'" pos="1:9"/>
  <op text="+" pos="1:11"/>
  <kw text="BEGIN" pos="1:17"/>
  <number text="$1F" pos="1:21"/>
)"_s));
}

TEST(ILParserElements, CaseSensitiveLiterals)
{
    const QString rules = uR"(<program><keyword text="BEGIN" add="kw"/></program>)"_s;
    // The literal is lower-cased once; without casesensitive any spelling matches.
    EXPECT_EQ(il(rules, u"Begin"_s), program(u"  <kw text=\"Begin\" pos=\"1:6\"/>\n"_s));
    const QString sensitive = u"<casesensitive text=\"1\"/>"_s;
    EXPECT_EQ(il(rules, u"begin"_s, sensitive), program(u"  <kw text=\"begin\" pos=\"1:6\"/>\n"_s));
    // "Begin" does not equal "begin": nothing matched, nothing recorded -> empty program.
    EXPECT_EQ(il(rules, u"Begin"_s, sensitive), program(QString()));
}

TEST(ILParserElements, CharSkipAndWrapping)
{
    // statement -> (assign | break) ';'; the assign rule wraps its children, the
    // reference with node="expr" wraps what expression produced and records where it ends.
    const QString rules = uR"(
      <program><loop><statement/></loop></program>
      <statement><switch><assign/><keyword text="break" node="break"/></switch>
        <char text=";" err="err5"/></statement>
      <assign node="assign"><ident add="name"/><char text=":"/><char text="=" skip="0" err="err2"/>
        <expression node="expr"/></assign>
      <expression><number add="number"/></expression>)"_s;
    EXPECT_EQ(il(rules, u"x := 12; break;"_s), program(uR"(  <assign pos="1:1">
    <name text="x" pos="1:2"/>
    <expr pos="1:6" pos1="1:8">
      <number text="12" pos="1:8"/>
    </expr>
  </assign>
  <break pos="1:10"/>
)"_s));
    // skip="0": ":=" must be written without a gap.
    EXPECT_EQ(il(rules, u"x : = 12;"_s), u"error at 1:5: Expression expected"_s);
}

TEST(ILParserElements, SequenceOptionalAndLoops)
{
    // A partly matched optional goes back but keeps its lines; a node on a sequence wraps
    // nothing (the wrap comes before its children) and its add sits where the sequence
    // starts; an optionalloop may match zero times; a separated loop stops before a
    // missing separator.
    const QString rules = uR"(
      <program>
        <optionalloop><char text="*" add="star"/></optionalloop>
        <optional><ident add="maybe"/><char text="!"/></optional>
        <ident add="id"/>
        <sequence node="varparams" add="mark"><char text="&#38;"/></sequence>
        <ident add="name"/>
        <loop text=","><number add="n"/></loop>
        <number add="last"/>
        <optionalswitch><char text="?"/></optionalswitch>
      </program>)"_s;
    EXPECT_EQ(il(rules, u"abc & x 1, 2 ,3 4"_s), program(uR"(  <maybe text="abc" pos="1:4"/>
  <id text="abc" pos="1:4"/>
  <varparams pos="1:5"/>
  <mark text="" pos="1:4"/>
  <name text="x" pos="1:8"/>
  <n text="1" pos="1:10"/>
  <n text="2" pos="1:13"/>
  <n text="3" pos="1:16"/>
  <last text="4" pos="1:18"/>
)"_s));
}

TEST(ILParserElements, FailedRuleDropsItsLines)
{
    // Rule a emits a leaf, then fails on '!': its lines go and rule b is tried from the
    // same place.
    const QString rules = uR"(
      <program><switch><a/><b/></switch></program>
      <a node="A"><ident add="x"/><char text="!"/></a>
      <b node="B"><ident add="y"/></b>)"_s;
    EXPECT_EQ(il(rules, u"foo"_s), program(uR"(  <B pos="1:1">
    <y text="foo" pos="1:4"/>
  </B>
)"_s));
}

TEST(ILParserElements, FailedPlainRuleDropsItsLeaves)
{
    // Rule a has no node of its own: the leaf it emitted before failing goes as well.
    const QString rules = uR"(
      <program><switch><a/><b/></switch></program>
      <a><ident add="x"/><char text="!"/></a>
      <b><ident add="y"/></b>)"_s;
    EXPECT_EQ(il(rules, u"foo"_s), program(uR"(  <y text="foo" pos="1:4"/>
)"_s));
}

TEST(ILParserElements, SharedBeginningsStayLinear)
{
    // An expression's minus and its term's minus both parse the rest when a bracket never
    // closes: without remembering failed rules, each level doubled the work (2^80 here).
    const QString rules = uR"x(
      <program><e/></program>
      <e><switch><sequence><char text="-" add="op"/><t/></sequence><t/></switch></e>
      <t node="t"><switch>
        <sequence><char text="("/><e/><char text=")" err="err5"/></sequence>
        <sequence><char text="-" add="op"/><t/></sequence>
        <ident add="id"/>
      </switch></t>)x"_s;
    QString source;
    for (int i = 0; i < 80; ++i)
        source += u"(-"_s;
    EXPECT_EQ(il(rules, source + u'a'), u"error at 2:1: ';' expected"_s);
    // The same rules still read a closed nesting.
    EXPECT_TRUE(il(rules, u"-(-(a))"_s).startsWith(u"<program>\n  <op text=\"-\" pos=\"1:2\"/>"_s));
}

TEST(ILParserElements, BracketedReportExpression)
{
    const QString rules = uR"(
      <program><ident add="id"/><char text="&#60;"/><kvstring/><char text="&#62;"/></program>)"_s;
    // The text inside <...> becomes a call of Get with the text as a string; its position
    // is where the closing '>' stands.
    EXPECT_EQ(il(rules, uR"(x <Data."Name">)"_s), program(uR"(  <id text="x" pos="1:2"/>
  <dsgn pos="1:15">
    <node text="Get" pos="1:15"/>
    <expr pos="1:15">
      <string text="'Data.&#34;Name&#34;'" pos="1:15"/>
    </expr>
  </dsgn>
)"_s));
}

TEST(ILParserElements, AmpersandsInStringsSurvive)
{
    kyRegisterLanguage(u"@t"_s, grammar(u"<program><string add=\"string\"/></program>"_s));
    // Text that looks like character references must reach the IL unchanged.
    const QString literal = u"'a&#65;b&quot;c&&#38;'"_s;
    TkyScript script;
    TkyILParser parser(&script);
    parser.SelectLanguage(u"@t"_s);
    ASSERT_TRUE(parser.MakeILScript(literal));
    EXPECT_EQ(parser.ILScript().Root()->Items(0)->GetProp(u"text"_s), literal);
    // ... also after the IL is written and read back.
    TkyXMLDocument copy;
    copy.LoadFromText(parser.ILScript().SaveToText());
    EXPECT_EQ(copy.Root()->Items(0)->GetProp(u"text"_s), literal);
}

TEST(ILParserElements, TypesLastAndOptions)
{
    const QString rules = u"<program><ident add=\"id\"/></program>"_s;
    kyRegisterLanguage(u"@t"_s,
                       grammar(rules, u"<declarevars text=\"0\"/><unknown text=\"x\"/>"_s));
    TkyScript script;
    script.SetExtendedCharset(true);
    TkyILParser parser(&script);
    parser.SelectLanguage(u"@t"_s);
    EXPECT_FALSE(parser.NeedDeclareVars());
    EXPECT_TRUE(parser.Parser().IdentifierCharset().test(200));
    ASSERT_TRUE(parser.MakeILScript(u"x"_s));
    const TkyXMLItem *root = parser.ILScript().Root();
    ASSERT_EQ(root->Count(), 2);
    EXPECT_EQ(root->Items(1)->Name(), u"types"_s);
    EXPECT_EQ(root->Items(1)->Items(0)->GetProp(u"type"_s), u"integer"_s);
    // Selecting again resets what the previous language set.
    kyRegisterLanguage(u"@t2"_s, grammar(rules));
    parser.SelectLanguage(u"@t2"_s);
    EXPECT_TRUE(parser.NeedDeclareVars());
}

// --- error recording ------------------------------------------------------------------------

struct ErrorRow
{
    const char *name;
    const char16_t *rules;
    const char16_t *options;
    const char16_t *source;
    const char16_t *expected;
};

// Comments give the reason for each expectation.
const ErrorRow errorRows[] = {
    // The third pass fails at "1"; a loop without skip/term keeps the error.
    {"LoopKeepsError",
     uR"(<program><loop><ident add="id" err="err1"/></loop></program>)",
     u"",
     u"a b 1",
     u"error at 1:5: Identifier expected"},
    // term="1": the error ended a repetition, so the completed loop clears it.
    {"TermCleared",
     uR"(<program><loop><ident add="id" err="err1" term="1"/></loop></program>)",
     u"",
     u"a b 1",
     nullptr},
    // skip="1" on the loop clears any error.
    {"SkipCleared",
     uR"(<program><loop skip="1"><ident add="id" err="err1"/></loop></program>)",
     u"",
     u"a b 1",
     nullptr},
    // A single pass that fails is no completed loop: nothing is cleared.
    {"OnePassKeeps",
     uR"(<program><loop skip="1"><ident err="err1"/></loop></program>)",
     u"",
     u"1",
     u"error at 1:1: Identifier expected"},
    // The first error wins over a later one.
    {"FirstWins",
     uR"(<program><optional><ident err="err1"/></optional><char text=";" err="err5"/></program>)",
     u"",
     u"  1",
     u"error at 1:3: Identifier expected"},
    // A switch records its own error when no child matches.
    {"SwitchError",
     uR"(<program><switch err="err3"><ident/><number/></switch></program>)",
     u"",
     u"\n  +",
     u"error at 2:3: Statement expected"},
    // A reference records its error when the rule fails.
    {"ReferenceError",
     uR"(<program><item err="err2"/></program><item><number/></item>)",
     u"",
     u"x",
     u"error at 1:1: Expression expected"},
    // An err key without a message still fails, with the key as text.
    {"MissingMessage",
     uR"(<program><number err="err9"/></program>)",
     u"",
     u"x",
     u"error at 1:1: err9"},
    // strictend: text after the program is an error at its position...
    {"StrictEnd",
     uR"(<program><loop><ident add="id" term="1" err="err1"/></loop></program>)",
     uR"(<strictend text="1"/>)",
     u"a b\n 1 c",
     u"error at 2:2: Statement expected"},
    // ... also when the program rule matched nothing and recorded nothing.
    {"StrictEndNothingMatched",
     uR"(<program><ident/></program>)",
     uR"(<strictend text="1"/>)",
     u"+",
     u"error at 1:1: Statement expected"},
    // Without it the rest is ignored.
    {"LaxEnd", uR"(<program><ident/></program>)", u"", u"a +", nullptr},
};

TEST(ILParserErrors, Recording)
{
    for (const ErrorRow &row : errorRows) {
        SCOPED_TRACE(row.name);
        const QString result = il(QString::fromUtf16(row.rules),
                                  QString::fromUtf16(row.source),
                                  QString::fromUtf16(row.options));
        if (row.expected)
            EXPECT_EQ(result, QString::fromUtf16(row.expected));
        else
            EXPECT_TRUE(result.startsWith(u"<program>"_s)) << result.toStdString();
    }
}

TEST(ILParserErrors, StrictEndAcceptsTrailingCommentsAndLines)
{
    const QString rules = uR"(<program><ident add="id"/></program>)"_s;
    const QString options = uR"(<strictend text="1"/><skipeol text="0"/>)"_s;
    EXPECT_EQ(il(rules, u"a // note\n\n{ block }\n"_s, options),
              program(u"  <id text=\"a\" pos=\"1:2\"/>\n"_s));
}

TEST(ILParserErrors, NothingMatchedIsAnEmptyProgram)
{
    kyRegisterLanguage(u"@t"_s, grammar(u"<program><ident/></program>"_s));
    TkyScript script;
    script.SetErrorMsg(u"old"_s);
    TkyILParser parser(&script);
    parser.SelectLanguage(u"@t"_s);
    EXPECT_FALSE(parser.MakeILScript(u"1"_s));
    EXPECT_TRUE(script.ErrorMsg().isEmpty());
    EXPECT_TRUE(script.ErrorPos().isEmpty());
    EXPECT_EQ(kyILDocumentText(parser.ILScript()), program(QString()));
}

TEST(ILParserErrors, InvalidLanguageDefinition)
{
    // A reference to a rule that does not exist raises only when it is reached.
    const QString rules = uR"(<program><switch><ident add="id"/><missing/></switch></program>)"_s;
    EXPECT_EQ(il(rules, u"x"_s), program(u"  <id text=\"x\" pos=\"1:2\"/>\n"_s));
    EXPECT_EQ(kavErrorOf<EkyError>([&] { il(rules, u"1"_s); }), u"Invalid language definition"_s);
    EXPECT_EQ(kavErrorOf<EkyError>([&] { il(u"<main/>"_s, u"x"_s); }),
              u"Invalid language definition"_s);
}

// --- limits ---------------------------------------------------------------------------------

// e -> '(' e ')' | ident
constexpr char16_t nestingRules[] = uR"x(
  <program><e/></program>
  <e node="e"><switch><sequence><char text="("/><e/><char text=")" err="err5"/></sequence>
    <ident add="id"/></switch></e>)x";

TEST(ILParserLimits, DeepNestingFailsCleanly)
{
    const QString rules = QString::fromUtf16(nestingRules);
    const int depth = 100000;
    const QString deep = QString(depth, u'(') + u'a' + QString(depth, u')');
    // program is level 1 and the e entered after k parentheses is level k + 2, so the
    // limit is passed after kyMaxRuleDepth - 1 parentheses, at that column + 1.
    const QString error = il(rules, deep);
    if (kavSanitizedBuild)
        EXPECT_TRUE(error.startsWith(u"error at 1:"_s)) << error.toStdString();
    else
        EXPECT_EQ(error, u"error at 1:%1: %2"_s.arg(kyMaxRuleDepth).arg(QString::fromUtf16(kyNestingTooDeep)));
    // Well below the limit the nesting parses.
    const QString fine = QString(900, u'(') + u'a' + QString(900, u')');
    EXPECT_TRUE(il(rules, fine).startsWith(u"<program>\n  <e pos=\"1:1\">"_s));
    // The IL is an XML tree: an element past its depth limit fails the same way, where it
    // would have begun.
    const int levels = TkyXMLItem::MaxDepth;
    const QString tooDeep = QString(levels, u'(') + u'a' + QString(levels, u')');
    EXPECT_EQ(il(rules, tooDeep),
              u"error at 1:%1: %2"_s.arg(levels + 1).arg(QString::fromUtf16(kyNestingTooDeep)));
}

TEST(ILParserLimits, LeftRecursiveGrammar)
{
    // A rule that calls itself before reading anything would recurse for ever.
    EXPECT_EQ(il(u"<program><e/></program><e><e/><ident/></e>"_s, u"x"_s),
              u"error at 1:1: "_s + QString::fromUtf16(kyNestingTooDeep));
}

TEST(ILParserLimits, SmallThreadStack)
{
    // On a thread with a small stack the native guard stops the rules before the rule-level
    // limit, still with a clean error.
    kyRegisterLanguage(u"@nest"_s, grammar(QString::fromUtf16(nestingRules)));
    const int depth = 100000;
    const QString deep = QString(depth, u'(') + u'a' + QString(depth, u')');
    QString result;
    std::unique_ptr<QThread> thread(QThread::create([&] { result = kyILText(u"@nest"_s, deep); }));
    thread->setStackSize(512 * 1024);
    thread->start();
    ASSERT_TRUE(thread->wait());
    const QString prefix = u"error at 1:"_s;
    ASSERT_TRUE(result.startsWith(prefix)) << result.left(200).toStdString();
    const int column
        = result.mid(prefix.size(), result.indexOf(u':', prefix.size()) - prefix.size()).toInt();
    EXPECT_GT(column, 1);
    EXPECT_LT(column, kyMaxRuleDepth);
    EXPECT_TRUE(result.endsWith(QString::fromUtf16(kyNestingTooDeep)));
}

TEST(ILParserLimits, SourceTooLarge)
{
    kyRegisterLanguage(u"@t"_s, grammar(u"<program><ident/></program>"_s));
    TkyScript script;
    TkyILParser parser(&script);
    parser.SelectLanguage(u"@t"_s);
    EXPECT_FALSE(parser.MakeILScript(QString(kyMaxSourceLength + 1, u' ')));
    EXPECT_EQ(script.ErrorMsg(), QString::fromUtf16(kySourceTooLarge));
    EXPECT_EQ(script.ErrorPos(), u"1:1"_s);
}

// --- #language ------------------------------------------------------------------------------

TEST(ILParserLanguageLine, AnyLineEnd)
{
    kyRegisterLanguage(u"@first"_s, grammar(u"<program><ident add=\"first\"/></program>"_s));
    kyRegisterLanguage(u"@second"_s, grammar(u"<program><ident add=\"second\"/></program>"_s));
    const QString ends[] = {u"\r\n"_s, u"\n"_s, u"\r"_s};
    for (const QString &end : ends) {
        SCOPED_TRACE(end.size());
        TkyScript script;
        TkyILParser parser(&script);
        parser.SelectLanguage(u"@first"_s);
        ASSERT_TRUE(parser.MakeILScript(u"#Language  @second  "_s + end + u"x"_s));
        EXPECT_EQ(parser.LangName(), u"@second"_s);
        const TkyXMLItem *leaf = parser.ILScript().Root()->Items(0);
        EXPECT_EQ(leaf->Name(), u"second"_s);
        // Positions stay in the whole text; lines are counted by line feeds, so after a
        // lone CR the text is still on line 1 ("#Language  @second  " is 20 characters).
        EXPECT_EQ(leaf->GetProp(u"pos"_s), end == u"\r" ? u"1:23"_s : u"2:2"_s);
    }
    EXPECT_EQ(kavErrorOf<EkyError>([] {
                  TkyScript script;
                  TkyILParser parser(&script);
                  parser.SelectLanguage(u"@first"_s);
                  parser.MakeILScript(u"#language Cobol\nx"_s);
              }),
              u"Language 'Cobol' not found"_s);
}

// --- units ----------------------------------------------------------------------------------

// [uses 'a', 'b';] ident*
constexpr char16_t unitRules[] = uR"(
  <program><optional><usesclause/></optional><optionalloop><ident add="id"/></optionalloop></program>
  <usesclause node="uses"><keyword text="uses"/><loop text=","><string add="file"/></loop>
    <char text=";" err="err5"/></usesclause>)";

TEST(ILParserUnits, ReverseOrderOnceAndNested)
{
    TkyScript script;
    script.SetOnGetUnit([](TkyScript &, const QString &name) {
        if (name == u"a")
            return u"alpha"_s;
        if (name == u"b")
            return u"uses 'a'; beta"_s;
        return u"uses 'self'; me"_s;
    });
    // b is loaded first (the clause is processed from its end) and loads a itself, so the
    // second mention of a adds nothing.
    EXPECT_EQ(il(QString::fromUtf16(unitRules), u"uses 'a', 'b'; main"_s, QString(), &script),
              program(uR"(  <uses unit="b">
    <program>
      <uses unit="a">
        <program>
          <id text="alpha" pos="1:6"/>
          <types>
            <int type="integer"/>
          </types>
        </program>
      </uses>
      <id text="beta" pos="1:15"/>
      <types>
        <int type="integer"/>
      </types>
    </program>
  </uses>
  <id text="main" pos="1:20"/>
)"_s));
    // A unit that uses itself is loaded once.
    const QString self = il(QString::fromUtf16(unitRules), u"uses 'self';"_s, QString(), &script);
    EXPECT_EQ(self.count(u"<uses unit=\"self\">"_s), 1);
    EXPECT_TRUE(self.contains(u"<id text=\"me\""_s));
}

TEST(ILParserUnits, ErrorInsideUnit)
{
    TkyScript script;
    script.SetOnGetUnit([](TkyScript &, const QString &name) {
        if (name == u"worse")
            return u"?"_s;
        return name == u"bad" ? u"x\n  y ?"_s : u"uses 'bad'; fine"_s;
    });
    const QString options = uR"(<strictend text="1"/>)"_s;
    EXPECT_EQ(il(QString::fromUtf16(unitRules), u"uses 'bad';"_s, options, &script),
              u"error at 2:5: Statement expected in unit bad"_s);
    // Through another unit: the innermost unit is named, and the main text's own later
    // error does not replace it.
    EXPECT_EQ(il(QString::fromUtf16(unitRules), u"uses 'outer'; ?"_s, options, &script),
              u"error at 2:5: Statement expected in unit bad"_s);
    // Two broken units: the one loaded first (the last named) is reported, with its name.
    EXPECT_EQ(il(QString::fromUtf16(unitRules), u"uses 'bad', 'worse';"_s, options, &script),
              u"error at 1:1: Statement expected in unit worse"_s);
    // A following compile without unit errors has no unit name.
    EXPECT_EQ(il(QString::fromUtf16(unitRules), u"?"_s, options, &script),
              u"error at 1:1: Statement expected"_s);
}

TEST(ILParserUnits, IncludePathAndPolicy)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString first = tmp.filePath(u"first"_s), second = tmp.filePath(u"second"_s);
    ASSERT_TRUE(QDir().mkpath(first) && QDir().mkpath(second));
    writeFile(second + u"/u.pas"_s, "fromsecond\n");
    writeFile(tmp.filePath(u"secret.pas"_s), "secret\n");
    const QString rules = QString::fromUtf16(unitRules);

    TkyScript script;
    script.SetIncludePath({first + u'/', second});
    EXPECT_TRUE(il(rules, u"uses 'u.pas';"_s, QString(), &script).contains(u"fromsecond"_s));

    // An empty entry is the current folder.
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(second));
    script.SetIncludePath({QString()});
    const QString here = il(rules, u"uses 'u.pas';"_s, QString(), &script);
    QDir::setCurrent(saved);
    EXPECT_TRUE(here.contains(u"fromsecond"_s));

    // A unit found nowhere is the file error of the last folder tried.
    script.SetIncludePath({first});
    EXPECT_TRUE(kavErrorOf<EFOpenError>([&] {
                    il(rules, u"uses 'none.pas';"_s, QString(), &script);
                }).contains(first + u"/none.pas"_s));

    // Restricted to the first folder: climbing out is refused before anything is read.
    PolicyGuard guard;
    kavFilePolicy().SetRestricted({first});
    EXPECT_TRUE(kavErrorOf<EkavError>([&] {
                    il(rules, u"uses '../secret.pas';"_s, QString(), &script);
                }).contains(u"not allowed"_s));
    script.SetIncludePath({tmp.path()});
    EXPECT_FALSE(kavErrorOf<EkavError>([&] {
                     il(rules, u"uses 'secret.pas';"_s, QString(), &script);
                 }).isEmpty());
    kavFilePolicy().SetRestricted({tmp.path()});
    EXPECT_TRUE(il(rules, u"uses 'secret.pas';"_s, QString(), &script).contains(u"secret"_s));
}

// --- registry -------------------------------------------------------------------------------

TEST(LanguageRegistry, NamesAndReplacement)
{
    kyRegisterLanguage(u"@hidden"_s, grammar(u"<program><ident add=\"old\"/></program>"_s));
    kyRegisterLanguage(u"Visible Test"_s, grammar(u"<program/>"_s));
    const QStringList names = kyGetLanguageList();
    EXPECT_TRUE(names.contains(u"Visible Test"_s));
    for (const QString &name : names)
        EXPECT_FALSE(name.startsWith(u'@')) << name.toStdString();
    EXPECT_EQ(kavErrorOf<EkyError>([] { kyGetLanguage(u"Cobol"_s); }),
              u"Language 'Cobol' not found"_s);

    // Names compare case-insensitively; a replacement drops the cached grammar.
    EXPECT_TRUE(kyILText(u"@HIDDEN"_s, u"x"_s).contains(u"<old "_s));
    kyRegisterLanguage(u"@Hidden"_s, grammar(u"<program><ident add=\"new\"/></program>"_s));
    EXPECT_TRUE(kyILText(u"@hidden"_s, u"x"_s).contains(u"<new "_s));
    EXPECT_EQ(kyGetLanguageList().count(u"Visible Test"_s), 1);
}

TEST(LanguageRegistry, BuiltinLanguages)
{
    kyEnsureBuiltinLanguages();
    const QStringList names = kyGetLanguageList();
    for (const QString &name : {u"PascalScript"_s, u"C++Script"_s, u"BasicScript"_s, u"JScript"_s})
        EXPECT_TRUE(names.contains(name)) << name.toStdString();
    EXPECT_TRUE(kyGetLanguage(u"pascalscript"_s).contains(u"<language"_s));
}

// --- file-access policy ---------------------------------------------------------------------

TEST(FilePolicy, RestrictedRoots)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString root = tmp.filePath(u"root"_s), outside = tmp.filePath(u"outside"_s);
    ASSERT_TRUE(QDir().mkpath(root + u"/sub"_s) && QDir().mkpath(outside));
    writeFile(outside + u"/x.txt"_s, "x");
    ASSERT_TRUE(QFile::link(outside, root + u"/escape"_s));
    ASSERT_TRUE(QFile::link(root + u"/sub"_s, root + u"/inner"_s));
    ASSERT_TRUE(QFile::link(tmp.filePath(u"gone"_s), root + u"/dangling"_s));

    PolicyGuard guard;
    EXPECT_TRUE(kavFilePolicy().IsAllowed(outside + u"/x.txt"_s, true)); // trusted by default
    kavFilePolicy().SetRestricted({root});
    struct Row
    {
        const char *name;
        QString path;
        bool allowed;
    } rows[] = {
        {"RootItself", root, true},
        {"NewFileInside", root + u"/sub/new.txt"_s, true},
        {"DotDotStaysInside", root + u"/sub/../a.txt"_s, true},
        {"LinkInside", root + u"/inner/a.txt"_s, true},
        {"DotDotEscape", root + u"/sub/../../outside/x.txt"_s, false},
        {"LinkEscape", root + u"/escape/x.txt"_s, false},
        {"DotDotAfterLink", root + u"/inner/../../outside/x.txt"_s, false},
        {"DanglingLink", root + u"/dangling"_s, false},
        {"PrefixSibling", root + u"2/a.txt"_s, false},
        {"Outside", outside + u"/x.txt"_s, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(kavFilePolicy().IsAllowed(row.path, false), row.allowed);
        EXPECT_EQ(kavErrorOf<EkavError>([&] { kavCheckFileAccess(row.path, true); }).isEmpty(),
                  row.allowed);
    }
    kavFilePolicy().SetTrusted();
    EXPECT_TRUE(kavFilePolicy().IsAllowed(root + u"/escape/x.txt"_s, false));
}
