// Golden tests of the JScript grammar: the IL every construct produces, the message and
// position of each syntax error the grammar reports, and that truncated programs end in a
// located error or a program, never in a crash or a hang.

#include "kyScriptTestSupport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString kJScript = QStringLiteral("JScript");

// body indented by `extra` more spaces per line.
QString indented(const QString &body, int extra)
{
    const QString pad(extra, u' ');
    QString result;
    for (const QString &line : body.split(u'\n', Qt::SkipEmptyParts))
        result += pad + line + u'\n';
    return result;
}

// The IL of a program whose top-level elements are body; JScript has no type aliases.
QString programIL(const QString &body, int indent = 0)
{
    return indented(
        QStringLiteral("<program>\n") + body + QStringLiteral("  <types/>\n</program>\n"), indent);
}

struct ILCase
{
    const char *name;
    const char *source;
    const char *body; // top-level IL elements, types excluded
};

// The statements of a program stand in one compound statement.
const ILCase kILCases[] = {
    {"EmptyProgram",
     "",
     R"IL(  <compoundstmt pos="1:1"/>
)IL"},
    // One var element per name: ident, array, init.
    {"Variables",
     "var a, b[2, 3] = x;",
     R"IL(  <compoundstmt pos="1:1">
    <var pos="1:5">
      <ident text="a" pos="1:6"/>
    </var>
    <var pos="1:8">
      <ident text="b" pos="1:9"/>
      <array pos="1:9">
        <dim pos="1:10">
          <expr pos="1:10" pos1="1:11">
            <number text="2" pos="1:11"/>
          </expr>
        </dim>
        <dim pos="1:13">
          <expr pos="1:13" pos1="1:14">
            <number text="3" pos="1:14"/>
          </expr>
        </dim>
      </array>
      <init pos="1:16">
        <expr pos="1:18" pos1="1:19">
          <dsgn pos="1:18">
            <node text="x" pos="1:19"/>
          </dsgn>
        </expr>
      </init>
    </var>
  </compoundstmt>
)IL"},
    {"FunctionWithByReferenceParameter",
     "function Sum(a, &b) { return a + b; }",
     R"IL(  <compoundstmt pos="1:1">
    <function pos="1:1">
      <name text="Sum" pos="1:13"/>
      <parameters pos="1:14">
        <var pos="1:14">
          <ident text="a" pos="1:15"/>
        </var>
        <var pos="1:17">
          <varparam text="&#38;" pos="1:18"/>
          <ident text="b" pos="1:19"/>
        </var>
      </parameters>
      <compoundstmt pos="1:21">
        <return pos="1:23">
          <expr pos="1:30" pos1="1:35">
            <dsgn pos="1:30">
              <node text="a" pos="1:31"/>
            </dsgn>
            <op text="strplus" pos="1:33"/>
            <dsgn pos="1:34">
              <node text="b" pos="1:35"/>
            </dsgn>
          </expr>
        </return>
      </compoundstmt>
    </function>
  </compoundstmt>
)IL"},
    {"FunctionWithLocalVariable",
     "function f() { var i = 0; }",
     R"IL(  <compoundstmt pos="1:1">
    <function pos="1:1">
      <name text="f" pos="1:11"/>
      <compoundstmt pos="1:14">
        <var pos="1:20">
          <ident text="i" pos="1:21"/>
          <init pos="1:22">
            <expr pos="1:24" pos1="1:25">
              <number text="0" pos="1:25"/>
            </expr>
          </init>
        </var>
      </compoundstmt>
    </function>
  </compoundstmt>
)IL"},
    {"Assignments",
     "a = 1; a += 2; a -= 3; a *= 4; a /= 5",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:1">
      <dsgn pos="1:1">
        <node text="a" pos="1:2"/>
      </dsgn>
      <expr pos="1:5" pos1="1:6">
        <number text="1" pos="1:6"/>
      </expr>
    </assignstmt>
    <assignstmt pos="1:8">
      <dsgn pos="1:8">
        <node text="a" pos="1:9"/>
      </dsgn>
      <modificator text="strplus" pos="1:12"/>
      <expr pos="1:13" pos1="1:14">
        <number text="2" pos="1:14"/>
      </expr>
    </assignstmt>
    <assignstmt pos="1:16">
      <dsgn pos="1:16">
        <node text="a" pos="1:17"/>
      </dsgn>
      <modificator text="-" pos="1:20"/>
      <expr pos="1:21" pos1="1:22">
        <number text="3" pos="1:22"/>
      </expr>
    </assignstmt>
    <assignstmt pos="1:24">
      <dsgn pos="1:24">
        <node text="a" pos="1:25"/>
      </dsgn>
      <modificator text="*" pos="1:28"/>
      <expr pos="1:29" pos1="1:30">
        <number text="4" pos="1:30"/>
      </expr>
    </assignstmt>
    <assignstmt pos="1:32">
      <dsgn pos="1:32">
        <node text="a" pos="1:33"/>
      </dsgn>
      <modificator text="/" pos="1:36"/>
      <expr pos="1:37" pos1="1:38">
        <number text="5" pos="1:38"/>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    // Semicolons after simple statements are optional.
    {"IncrementDecrementAndCall",
     R"(i++ i--; f(1, "s"))",
     R"IL(  <compoundstmt pos="1:1">
    <callstmt pos="1:1">
      <dsgn pos="1:1">
        <node text="i" pos="1:2"/>
      </dsgn>
      <modificator text="+" pos="1:4"/>
    </callstmt>
    <callstmt pos="1:5">
      <dsgn pos="1:5">
        <node text="i" pos="1:6"/>
      </dsgn>
      <modificator text="-" pos="1:8"/>
    </callstmt>
    <callstmt pos="1:10">
      <dsgn pos="1:10">
        <node text="f" pos="1:11"/>
        <expr pos="1:12" pos1="1:13">
          <number text="1" pos="1:13"/>
        </expr>
        <expr pos="1:15" pos1="1:18">
          <string text="'s'" pos="1:18"/>
        </expr>
      </dsgn>
    </callstmt>
  </compoundstmt>
)IL"},
    {"BlockAndEmptyStatement",
     "{ a b; } ;",
     R"IL(  <compoundstmt pos="1:1">
    <compoundstmt pos="1:1">
      <callstmt pos="1:3">
        <dsgn pos="1:3">
          <node text="a" pos="1:4"/>
        </dsgn>
      </callstmt>
      <callstmt pos="1:5">
        <dsgn pos="1:5">
          <node text="b" pos="1:6"/>
        </dsgn>
      </callstmt>
    </compoundstmt>
    <empty pos="1:10"/>
  </compoundstmt>
)IL"},
    {"IfElse",
     "if (c) a = 1; else { b }",
     R"IL(  <compoundstmt pos="1:1">
    <ifstmt pos="1:1">
      <expr pos="1:5" pos1="1:6">
        <dsgn pos="1:5">
          <node text="c" pos="1:6"/>
        </dsgn>
      </expr>
      <thenstmt pos="1:8">
        <assignstmt pos="1:8">
          <dsgn pos="1:8">
            <node text="a" pos="1:9"/>
          </dsgn>
          <expr pos="1:12" pos1="1:13">
            <number text="1" pos="1:13"/>
          </expr>
        </assignstmt>
      </thenstmt>
      <elsestmt pos="1:20">
        <compoundstmt pos="1:20">
          <callstmt pos="1:22">
            <dsgn pos="1:22">
              <node text="b" pos="1:23"/>
            </dsgn>
          </callstmt>
        </compoundstmt>
      </elsestmt>
    </ifstmt>
  </compoundstmt>
)IL"},
    {"KeywordsIgnoreCase",
     "IF (c) A = 1 ELSE B()",
     R"IL(  <compoundstmt pos="1:1">
    <ifstmt pos="1:1">
      <expr pos="1:5" pos1="1:6">
        <dsgn pos="1:5">
          <node text="c" pos="1:6"/>
        </dsgn>
      </expr>
      <thenstmt pos="1:8">
        <assignstmt pos="1:8">
          <dsgn pos="1:8">
            <node text="A" pos="1:9"/>
          </dsgn>
          <expr pos="1:12" pos1="1:13">
            <number text="1" pos="1:13"/>
          </expr>
        </assignstmt>
      </thenstmt>
      <elsestmt pos="1:19">
        <callstmt pos="1:19">
          <dsgn pos="1:19">
            <node text="B" pos="1:20"/>
          </dsgn>
        </callstmt>
      </elsestmt>
    </ifstmt>
  </compoundstmt>
)IL"},
    // Each branch is one compound statement; the "break" that ends it leaves no IL.
    {"SwitchWithBreakAndDefault",
     "switch (x) { case 1, 2..3: a; break; default: b; c }",
     R"IL(  <compoundstmt pos="1:1">
    <casestmt pos="1:1">
      <expr pos="1:9" pos1="1:10">
        <dsgn pos="1:9">
          <node text="x" pos="1:10"/>
        </dsgn>
      </expr>
      <caseselector pos="1:14">
        <set pos="1:19">
          <expr pos="1:19" pos1="1:20">
            <number text="1" pos="1:20"/>
          </expr>
          <expr pos="1:22" pos1="1:23">
            <number text="2" pos="1:23"/>
          </expr>
          <range text="." pos="1:25"/>
          <expr pos="1:25" pos1="1:26">
            <number text="3" pos="1:26"/>
          </expr>
        </set>
        <compoundstmt pos="1:28">
          <callstmt pos="1:28">
            <dsgn pos="1:28">
              <node text="a" pos="1:29"/>
            </dsgn>
          </callstmt>
        </compoundstmt>
      </caseselector>
      <compoundstmt pos="1:47">
        <callstmt pos="1:47">
          <dsgn pos="1:47">
            <node text="b" pos="1:48"/>
          </dsgn>
        </callstmt>
        <callstmt pos="1:50">
          <dsgn pos="1:50">
            <node text="c" pos="1:51"/>
          </dsgn>
        </callstmt>
      </compoundstmt>
    </casestmt>
  </compoundstmt>
)IL"},
    // Labels in a row share the branch that follows them: one set.
    {"SwitchLabelsInARow",
     "switch (x) { case 1: case 2: a }",
     R"IL(  <compoundstmt pos="1:1">
    <casestmt pos="1:1">
      <expr pos="1:9" pos1="1:10">
        <dsgn pos="1:9">
          <node text="x" pos="1:10"/>
        </dsgn>
      </expr>
      <caseselector pos="1:14">
        <set pos="1:19">
          <expr pos="1:19" pos1="1:20">
            <number text="1" pos="1:20"/>
          </expr>
          <expr pos="1:27" pos1="1:28">
            <number text="2" pos="1:28"/>
          </expr>
        </set>
        <compoundstmt pos="1:30">
          <callstmt pos="1:30">
            <dsgn pos="1:30">
              <node text="a" pos="1:31"/>
            </dsgn>
          </callstmt>
        </compoundstmt>
      </caseselector>
    </casestmt>
  </compoundstmt>
)IL"},
    {"While",
     "while (i < 3) i++;",
     R"IL(  <compoundstmt pos="1:1">
    <whilestmt pos="1:1">
      <expr pos="1:8" pos1="1:13">
        <dsgn pos="1:8">
          <node text="i" pos="1:9"/>
        </dsgn>
        <op text="&#60;" pos="1:11"/>
        <number text="3" pos="1:13"/>
      </expr>
      <callstmt pos="1:15">
        <dsgn pos="1:15">
          <node text="i" pos="1:16"/>
        </dsgn>
        <modificator text="+" pos="1:18"/>
      </callstmt>
    </whilestmt>
  </compoundstmt>
)IL"},
    // do ... while loops while the condition holds: the inverse marker.
    {"DoWhile",
     "do i++; while (i < 3);",
     R"IL(  <compoundstmt pos="1:1">
    <repeatstmt pos="1:1">
      <callstmt pos="1:4">
        <dsgn pos="1:4">
          <node text="i" pos="1:5"/>
        </dsgn>
        <modificator text="+" pos="1:7"/>
      </callstmt>
      <expr pos="1:16" pos1="1:21">
        <dsgn pos="1:16">
          <node text="i" pos="1:17"/>
        </dsgn>
        <op text="&#60;" pos="1:19"/>
        <number text="3" pos="1:21"/>
      </expr>
      <inverse text="" pos="1:22"/>
    </repeatstmt>
  </compoundstmt>
)IL"},
    {"ForWithVar",
     "for (var i = 0; i < 3; i++) s += i;",
     R"IL(  <compoundstmt pos="1:1">
    <cppforstmt pos="1:1">
      <var pos="1:10">
        <ident text="i" pos="1:11"/>
        <init pos="1:12">
          <expr pos="1:14" pos1="1:15">
            <number text="0" pos="1:15"/>
          </expr>
        </init>
      </var>
      <expr pos="1:17" pos1="1:22">
        <dsgn pos="1:17">
          <node text="i" pos="1:18"/>
        </dsgn>
        <op text="&#60;" pos="1:20"/>
        <number text="3" pos="1:22"/>
      </expr>
      <callstmt pos="1:24">
        <dsgn pos="1:24">
          <node text="i" pos="1:25"/>
        </dsgn>
        <modificator text="+" pos="1:27"/>
      </callstmt>
      <assignstmt pos="1:29">
        <dsgn pos="1:29">
          <node text="s" pos="1:30"/>
        </dsgn>
        <modificator text="strplus" pos="1:33"/>
        <expr pos="1:34" pos1="1:35">
          <dsgn pos="1:34">
            <node text="i" pos="1:35"/>
          </dsgn>
        </expr>
      </assignstmt>
    </cppforstmt>
  </compoundstmt>
)IL"},
    // Missing initialiser, step and body are empty statements.
    {"ForWithEmptyParts",
     "for (; i; ) ;",
     R"IL(  <compoundstmt pos="1:1">
    <cppforstmt pos="1:1">
      <empty pos="1:6"/>
      <expr pos="1:8" pos1="1:9">
        <dsgn pos="1:8">
          <node text="i" pos="1:9"/>
        </dsgn>
      </expr>
      <empty pos="1:11"/>
      <empty pos="1:13"/>
    </cppforstmt>
  </compoundstmt>
)IL"},
    {"TryFinallyWithBlocks",
     "try { a } finally { b }",
     R"IL(  <compoundstmt pos="1:1">
    <trystmt pos="1:1">
      <compoundstmt pos="1:5">
        <callstmt pos="1:7">
          <dsgn pos="1:7">
            <node text="a" pos="1:8"/>
          </dsgn>
        </callstmt>
      </compoundstmt>
      <finallystmt pos="1:19">
        <compoundstmt pos="1:19">
          <callstmt pos="1:21">
            <dsgn pos="1:21">
              <node text="b" pos="1:22"/>
            </dsgn>
          </callstmt>
        </compoundstmt>
      </finallystmt>
    </trystmt>
  </compoundstmt>
)IL"},
    {"TryExceptWithStatements",
     "try a(); except b();",
     R"IL(  <compoundstmt pos="1:1">
    <trystmt pos="1:1">
      <callstmt pos="1:5">
        <dsgn pos="1:5">
          <node text="a" pos="1:6"/>
        </dsgn>
      </callstmt>
      <exceptstmt pos="1:17">
        <callstmt pos="1:17">
          <dsgn pos="1:17">
            <node text="b" pos="1:18"/>
          </dsgn>
        </callstmt>
      </exceptstmt>
    </trystmt>
  </compoundstmt>
)IL"},
    {"Jumps",
     "while (1) { break; continue } return x; return",
     R"IL(  <compoundstmt pos="1:1">
    <whilestmt pos="1:1">
      <expr pos="1:8" pos1="1:9">
        <number text="1" pos="1:9"/>
      </expr>
      <compoundstmt pos="1:11">
        <break pos="1:13"/>
        <continue pos="1:20"/>
      </compoundstmt>
    </whilestmt>
    <return pos="1:31">
      <expr pos="1:38" pos1="1:39">
        <dsgn pos="1:38">
          <node text="x" pos="1:39"/>
        </dsgn>
      </expr>
    </return>
    <return pos="1:41"/>
  </compoundstmt>
)IL"},
    {"With",
     "with (a, b.c) d = 1;",
     R"IL(  <compoundstmt pos="1:1">
    <with pos="1:1">
      <dsgn pos="1:7">
        <node text="a" pos="1:8"/>
      </dsgn>
      <dsgn pos="1:10">
        <node text="b" pos="1:11"/>
        <node text="c" pos="1:13"/>
      </dsgn>
      <assignstmt pos="1:15">
        <dsgn pos="1:15">
          <node text="d" pos="1:16"/>
        </dsgn>
        <expr pos="1:19" pos1="1:20">
          <number text="1" pos="1:20"/>
        </expr>
      </assignstmt>
    </with>
  </compoundstmt>
)IL"},
    {"NewAndDelete",
     "o = new TFoo(1); delete o;",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:1">
      <dsgn pos="1:1">
        <node text="o" pos="1:2"/>
      </dsgn>
      <expr pos="1:5" pos1="1:16">
        <new pos="1:5">
          <dsgn pos="1:9">
            <node text="TFoo" pos="1:13"/>
            <expr pos="1:14" pos1="1:15">
              <number text="1" pos="1:15"/>
            </expr>
          </dsgn>
        </new>
      </expr>
    </assignstmt>
    <delete pos="1:18">
      <dsgn pos="1:25">
        <node text="o" pos="1:26"/>
      </dsgn>
    </delete>
  </compoundstmt>
)IL"},
    {"AddressOfRoutine",
     "x = &Proc;",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:1">
      <dsgn pos="1:1">
        <node text="x" pos="1:2"/>
      </dsgn>
      <expr pos="1:5" pos1="1:10">
        <dsgn pos="1:5">
          <addr text="&#38;" pos="1:6"/>
          <node text="Proc" pos="1:10"/>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    // A flat list in source order; the leading minus is "unminus", "!" is "not".
    {"Operators",
     "x = -a * b div c % d && !e || f ^ g << 1 >> 2;",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:1">
      <dsgn pos="1:1">
        <node text="x" pos="1:2"/>
      </dsgn>
      <expr pos="1:5" pos1="1:46">
        <op text="unminus" pos="1:6"/>
        <dsgn pos="1:6">
          <node text="a" pos="1:7"/>
        </dsgn>
        <op text="*" pos="1:9"/>
        <dsgn pos="1:10">
          <node text="b" pos="1:11"/>
        </dsgn>
        <op text="div" pos="1:15"/>
        <dsgn pos="1:16">
          <node text="c" pos="1:17"/>
        </dsgn>
        <op text="mod" pos="1:19"/>
        <dsgn pos="1:20">
          <node text="d" pos="1:21"/>
        </dsgn>
        <op text="and" pos="1:24"/>
        <op text="not" pos="1:26"/>
        <dsgn pos="1:26">
          <node text="e" pos="1:27"/>
        </dsgn>
        <op text="or" pos="1:30"/>
        <dsgn pos="1:31">
          <node text="f" pos="1:32"/>
        </dsgn>
        <op text="xor" pos="1:34"/>
        <dsgn pos="1:35">
          <node text="g" pos="1:36"/>
        </dsgn>
        <op text="shl" pos="1:39"/>
        <number text="1" pos="1:41"/>
        <op text="shr" pos="1:44"/>
        <number text="2" pos="1:46"/>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    // <...> is a call of Get with the bracketed text as a string.
    {"ReportExpressionAndSet",
     R"(x = <Data."Name"> + [1, 3..5])",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:1">
      <dsgn pos="1:1">
        <node text="x" pos="1:2"/>
      </dsgn>
      <expr pos="1:5" pos1="1:30">
        <dsgn pos="1:17">
          <node text="Get" pos="1:17"/>
          <expr pos="1:17">
            <string text="'Data.&#34;Name&#34;'" pos="1:17"/>
          </expr>
        </dsgn>
        <op text="strplus" pos="1:20"/>
        <set pos="1:21">
          <expr pos="1:22" pos1="1:23">
            <number text="1" pos="1:23"/>
          </expr>
          <expr pos="1:25" pos1="1:26">
            <number text="3" pos="1:26"/>
          </expr>
          <range text="." pos="1:28"/>
          <expr pos="1:28" pos1="1:29">
            <number text="5" pos="1:29"/>
          </expr>
        </set>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    // After "." any word is a member name, keywords included.
    {"MemberNamedLikeKeyword",
     "x = a.Delete",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:1">
      <dsgn pos="1:1">
        <node text="x" pos="1:2"/>
      </dsgn>
      <expr pos="1:5" pos1="1:13">
        <dsgn pos="1:5">
          <node text="a" pos="1:6"/>
          <node text="Delete" pos="1:13"/>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"CommentsAndLinePositions",
     "// note\n/* c */ var a\n\nif (a)\n  a = 0x10",
     R"IL(  <compoundstmt pos="2:9">
    <var pos="2:13">
      <ident text="a" pos="2:14"/>
    </var>
    <ifstmt pos="4:1">
      <expr pos="4:5" pos1="4:6">
        <dsgn pos="4:5">
          <node text="a" pos="4:6"/>
        </dsgn>
      </expr>
      <thenstmt pos="5:3">
        <assignstmt pos="5:3">
          <dsgn pos="5:3">
            <node text="a" pos="5:4"/>
          </dsgn>
          <expr pos="5:7" pos1="5:11">
            <number text="$10" pos="5:11"/>
          </expr>
        </assignstmt>
      </thenstmt>
    </ifstmt>
  </compoundstmt>
)IL"},
};

class JScriptIL : public ::testing::TestWithParam<ILCase>
{};

TEST_P(JScriptIL, ProducesGoldenIL)
{
    const ILCase &c = GetParam();
    EXPECT_EQ(kyILText(kJScript, QString::fromUtf8(c.source)),
              programIL(QString::fromUtf8(c.body)));
}

INSTANTIATE_TEST_SUITE_P(Constructs,
                         JScriptIL,
                         ::testing::ValuesIn(kILCases),
                         [](const ::testing::TestParamInfo<ILCase> &row) {
                             return std::string(row.param.name);
                         });

// Units named by import: their programs stand in reverse order of the clause.
TEST(JScriptUnits, ImportInsertsUnitsInReverseOrder)
{
    TkyScript script;
    script.SetOnGetUnit([](TkyScript &, const QString &name) {
        return name == QStringLiteral("a.js") ? QStringLiteral("var A") : QStringLiteral("B = 2");
    });
    const QString unitB = programIL(QStringLiteral(R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:1">
      <dsgn pos="1:1">
        <node text="B" pos="1:2"/>
      </dsgn>
      <expr pos="1:5" pos1="1:6">
        <number text="2" pos="1:6"/>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"),
                                    4);
    const QString unitA = programIL(QStringLiteral(R"IL(  <compoundstmt pos="1:1">
    <var pos="1:5">
      <ident text="A" pos="1:6"/>
    </var>
  </compoundstmt>
)IL"),
                                    4);
    const QString body = QStringLiteral("  <uses unit=\"b.js\">\n") + unitB
                         + QStringLiteral("  </uses>\n  <uses unit=\"a.js\">\n") + unitA
                         + QStringLiteral(R"IL(  </uses>
  <compoundstmt pos="1:24">
    <assignstmt pos="1:24">
      <dsgn pos="1:24">
        <node text="x" pos="1:25"/>
      </dsgn>
      <expr pos="1:28" pos1="1:29">
        <number text="1" pos="1:29"/>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL");
    EXPECT_EQ(kyILText(kJScript, QStringLiteral("import \"a.js\", \"b.js\"; x = 1"), &script),
              programIL(body));
}

TEST(JScriptUnits, SyntaxErrorInsideUnitNamesTheUnit)
{
    TkyScript script;
    script.SetOnGetUnit([](TkyScript &, const QString &) { return QStringLiteral("x = ;"); });
    EXPECT_EQ(kyILText(kJScript, QStringLiteral("import \"bad.js\"\nx = 1"), &script),
              QStringLiteral("error at 1:5: Expression expected in unit bad.js"));
}

struct ErrorCase
{
    const char *name;
    const char *source;
    const char *error;
};

const ErrorCase kErrorCases[] = {
    {"IdentifierAfterVar", "var ;", "error at 1:5: Identifier expected"},
    {"IdentifierOfFunction", "function (a) {}", "error at 1:10: Identifier expected"},
    {"IdentifierAfterMemberDot", "x = a. + 1", "error at 1:8: Identifier expected"},
    {"IdentifierAfterNew", "x = new 5", "error at 1:9: Identifier expected"},
    {"ExpressionAfterAssignment", "a = ;", "error at 1:5: Expression expected"},
    {"ExpressionInArgumentList", "f(a,)", "error at 1:5: Expression expected"},
    {"StatementAfterCondition", "if (a) }", "error at 1:8: Statement expected"},
    // Text the statements cannot read is an error, not the silent end of the program.
    {"TextAfterStatements", "a = 1 )", "error at 1:7: Statement expected"},
    {"ColonAfterCaseLabel", "switch (a) { case 1 b }", "error at 1:21: ':' expected"},
    {"ColonAfterSecondLabel", "switch (x) { case 1: case 2 a }", "error at 1:29: ':' expected"},
    {"SemicolonInForHeader", "for (i = 0 i < 3; i++) ;", "error at 1:12: ';' expected"},
    {"CloseParenOfCall", "f(1;", "error at 1:4: ')' expected"},
    {"CloseParenOnLaterLine", "a = 1\nif (a\n  b = 2", "error at 3:3: ')' expected"},
    {"CloseBracketOfIndex", "a[1;", "error at 1:4: ']' expected"},
    {"CloseBracketOfDimensions", "var a[2", "error at 2:1: ']' expected"},
    {"FunctionBodyMissing", "function f() a", "error at 1:14: '{' expected"},
    {"CloseBraceMissing", "{ a; )", "error at 1:6: '}' expected"},
    // After the "break" that ends a branch only a case, default or '}' may follow.
    {"StatementAfterCaseBreak",
     "switch (a) { case 1: a; break; b; }",
     "error at 1:32: '}' expected"},
    {"OpenParenAfterWhile", "while a", "error at 1:7: '(' expected"},
    {"OpenParenAfterWith", "with a", "error at 1:6: '(' expected"},
    {"WhileAfterDo", "do a; until (b)", "error at 1:7: 'WHILE' expected"},
    {"FinallyOrExceptAfterTry", "try {} catch {}", "error at 1:8: 'FINALLY' or 'EXCEPT' expected"},
    {"SecondDotOfRange", "b = [1.]", "error at 1:8: '..' expected"},
    {"ReportExpressionUnclosed", "x = <abc", "error at 2:1: '>' expected"},
};

class JScriptErrors : public ::testing::TestWithParam<ErrorCase>
{};

TEST_P(JScriptErrors, ReportsMessageAtPosition)
{
    const ErrorCase &c = GetParam();
    EXPECT_EQ(kyILText(kJScript, QString::fromUtf8(c.source)), QString::fromUtf8(c.error));
}

INSTANTIATE_TEST_SUITE_P(Syntax,
                         JScriptErrors,
                         ::testing::ValuesIn(kErrorCases),
                         [](const ::testing::TestParamInfo<ErrorCase> &row) {
                             return std::string(row.param.name);
                         });

const char *const kWholePrograms[] = {
    "import \"lib.js\"\n"
    "/* totals */\n"
    "var total = 0, grid[2, 3];\n"
    "function Twice(v, &done) {\n"
    "  done = true\n"
    "  return v * 2\n"
    "}\n"
    "function Report(Sender) {\n"
    "  try {\n"
    "    Sender.Tag += <Data.\"Qty\">;\n"
    "  } except {\n"
    "    return\n"
    "  }\n"
    "}\n"
    "for (var i = 0; i < 10; i++) {\n"
    "  if (i % 2 == 0) total += Twice(i, ok); else continue;\n"
    "}\n"
    "switch (total) {\n"
    "  case 0, 1..5: ShowMessage(\"small\"); break\n"
    "  default: ShowMessage(\"big \\\"x\\\"\")\n"
    "}\n"
    "do total--; while (total > 0 && !stop)\n"
    "with (Memo1.Font) { Size = 0x0C; Name = \"Arial\" }\n"
    "Obj = new TStringList(); delete Obj;\n",
    "// counting\n"
    "function Done(n) { return n >= 3 || n in [7, 9] }\n"
    "var i = 0, j\n"
    "while (!Done(i)) { i++; j = -i << 1 }\n"
    "x = &Done\n",
};

// Cutting a valid program anywhere yields a program or an error with a position inside the
// text; nothing crashes, hangs or throws.
TEST(JScriptPrefixes, EveryTruncationEndsInProgramOrLocatedError)
{
    TkyScript script;
    script.SetOnGetUnit([](TkyScript &, const QString &) { return QStringLiteral("var u"); });
    const QRegularExpression located(QStringLiteral("^error at (\\d+):(\\d+): \\S.*$"));
    for (const char *program : kWholePrograms) {
        const QString text = QString::fromUtf8(program);
        const QString whole = kyILText(kJScript, text, &script);
        EXPECT_TRUE(whole.startsWith(QStringLiteral("<program>\n"))) << whole.toStdString();
        int programs = 0;
        int errors = 0;
        for (qsizetype n = 0; n < text.size(); ++n) {
            const QString prefix = text.left(n);
            const QString result = kyILText(kJScript, prefix, &script);
            if (result.startsWith(QStringLiteral("<program>\n"))) {
                ++programs;
                continue;
            }
            ++errors;
            const QRegularExpressionMatch m = located.match(result);
            ASSERT_TRUE(m.hasMatch())
                << "prefix of " << n << " characters gave: " << result.toStdString();
            EXPECT_LE(m.captured(1).toInt(), prefix.count(u'\n') + 2) << prefix.toStdString();
            EXPECT_GE(m.captured(2).toInt(), 1) << prefix.toStdString();
        }
        // Statements end anywhere, so both outcomes occur.
        EXPECT_GT(programs, 0);
        EXPECT_GT(errors, 0);
    }
}

// The reserved words of the language cannot name a variable, in any letter case.
TEST(JScriptKeywords, ReservedWordsAreNotIdentifiers)
{
    const char *const keywords[]
        = {"break",   "case",   "continue", "default", "delete", "do",  "else", "except",
           "finally", "for",    "function", "import",  "in",     "is",  "if",   "new",
           "return",  "switch", "try",      "var",     "while",  "with"};
    for (const char *keyword : keywords) {
        const QString word = QString::fromUtf8(keyword);
        for (const QString &spelling : {word, word.toUpper()})
            EXPECT_EQ(kyILText(kJScript, QStringLiteral("var %1").arg(spelling)),
                      QStringLiteral("error at 1:5: Identifier expected"))
                << spelling.toStdString();
    }
    for (const char *word : {"exit", "div", "define", "catch"})
        EXPECT_TRUE(kyILText(kJScript, QStringLiteral("var %1").arg(QString::fromUtf8(word)))
                        .startsWith(QStringLiteral("<program>\n")))
            << word;
}

TEST(JScriptLanguage, UndeclaredIdentifiersAreAllowed)
{
    kyEnsureBuiltinLanguages();
    TkyScript script;
    TkyILParser parser(&script);
    parser.SelectLanguage(kJScript);
    EXPECT_FALSE(parser.NeedDeclareVars());
}

// Texts the host writes into JScript programs: expression wrappers and event handlers; and
// a switch inside a loop, whose branch-ending break must not leave the loop.
TEST(JScriptHostTexts, WrappersAndHandlerSkeletonsCompile)
{
    const char *const texts[] = {
        "function kv3f0() { return <Data.\"Qty\"> * 2; }",
        "function kyEvaluateFUNC() { return (2 * (3 + 4)); }",
        "function Memo1OnBeforePrint(Sender)\n{\n\n}\n",
        "function Form1OnCloseQuery(Sender, &CanClose)\n{\n\n}\n"
        "function Edit1OnKeyDown(Sender, &Key, Shift)\n{\n\n}\n",
    };
    for (const char *text : texts)
        EXPECT_TRUE(
            kyILText(kJScript, QString::fromUtf8(text)).startsWith(QStringLiteral("<program>\n")))
            << text;
    const QString loop = kyILText(
        kJScript,
        QStringLiteral(
            "for (i = 0; i < 3; i++) { switch (i) { case 1: k = 10; break; default: k = 1; } }"));
    EXPECT_TRUE(loop.startsWith(QStringLiteral("<program>\n"))) << loop.toStdString();
    EXPECT_FALSE(loop.contains(QStringLiteral("<break"))) << loop.toStdString();
}

} // namespace
