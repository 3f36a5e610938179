// Golden tests of the C++Script grammar: the IL every construct produces, the message and
// position of each syntax error the grammar reports, and that truncated programs end in a
// located error or a program, never in a crash or a hang.

#include "kyScriptTestSupport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString kCpp = QStringLiteral("C++Script");

// The type aliases every C++Script program ends with, indented for depth 1.
const char kCppTypes[] = R"IL(  <types>
    <int type="integer"/>
    <long type="integer"/>
    <void type="integer"/>
    <bool type="boolean"/>
    <float type="extended"/>
  </types>
)IL";

// body indented by `extra` more spaces per line.
QString indented(const QString &body, int extra)
{
    const QString pad(extra, u' ');
    QString result;
    for (const QString &line : body.split(u'\n', Qt::SkipEmptyParts))
        result += pad + line + u'\n';
    return result;
}

// The IL of a program whose top-level elements are body; indent shifts the whole program
// (a unit's program stands two levels deep inside its `uses`).
QString programIL(const QString &body, int indent = 0)
{
    return indented(QStringLiteral("<program>\n") + body + QString::fromUtf8(kCppTypes)
                        + QStringLiteral("</program>\n"),
                    indent);
}

struct ILCase
{
    const char *name;
    const char *source;
    const char *body; // top-level IL elements, types excluded
};

const ILCase kILCases[] = {
    {"MainBlockOnly",
     "{ }",
     R"IL(  <compoundstmt pos="1:1"/>
)IL"},
    // Numbers leave the tokenizer in "$" notation.
    {"DefineConstant",
     "#define N 0x1F { }",
     R"IL(  <const pos="1:1">
    <ident text="N" pos="1:10"/>
    <expr pos="1:11" pos1="1:15">
      <number text="$1F" pos="1:15"/>
    </expr>
  </const>
  <compoundstmt pos="1:16"/>
)IL"},
    // Type first, then per name: ident, array, init.
    {"TypedVariables",
     "int a = 1, b[3][4]; { }",
     R"IL(  <var pos="1:1">
    <type text="int" pos="1:4"/>
    <ident text="a" pos="1:6"/>
    <init pos="1:7">
      <expr pos="1:9" pos1="1:10">
        <number text="1" pos="1:10"/>
      </expr>
    </init>
    <ident text="b" pos="1:13"/>
    <array pos="1:13">
      <dim pos="1:14">
        <expr pos="1:14" pos1="1:15">
          <number text="3" pos="1:15"/>
        </expr>
      </dim>
      <dim pos="1:17">
        <expr pos="1:17" pos1="1:18">
          <number text="4" pos="1:18"/>
        </expr>
      </dim>
    </array>
  </var>
  <compoundstmt pos="1:21"/>
)IL"},
    {"FunctionWithParameters",
     "float Half(float x, int &n = 2) { return x / 2; } { }",
     R"IL(  <function pos="1:1">
    <type text="float" pos="1:6"/>
    <name text="Half" pos="1:11"/>
    <parameters pos="1:12">
      <var pos="1:12">
        <type text="float" pos="1:17"/>
        <ident text="x" pos="1:19"/>
      </var>
      <var pos="1:21">
        <type text="int" pos="1:24"/>
        <varparam text="&#38;" pos="1:26"/>
        <ident text="n" pos="1:27"/>
        <init pos="1:28">
          <expr pos="1:30" pos1="1:31">
            <number text="2" pos="1:31"/>
          </expr>
        </init>
      </var>
    </parameters>
    <compoundstmt pos="1:33">
      <return pos="1:35">
        <expr pos="1:42" pos1="1:47">
          <dsgn pos="1:42">
            <node text="x" pos="1:43"/>
          </dsgn>
          <op text="/" pos="1:45"/>
          <number text="2" pos="1:47"/>
        </expr>
      </return>
    </compoundstmt>
  </function>
  <compoundstmt pos="1:51"/>
)IL"},
    {"VoidFunctionWithoutParameters",
     "void P() { exit; } { P(); }",
     R"IL(  <function pos="1:1">
    <type text="void" pos="1:5"/>
    <name text="P" pos="1:7"/>
    <compoundstmt pos="1:10">
      <exit pos="1:12"/>
    </compoundstmt>
  </function>
  <compoundstmt pos="1:20">
    <callstmt pos="1:22">
      <dsgn pos="1:22">
        <node text="P" pos="1:23"/>
      </dsgn>
    </callstmt>
  </compoundstmt>
)IL"},
    {"Assignments",
     "{ a = 1; a += 2; a -= 3; a *= 4; a /= 5; }",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:3">
      <dsgn pos="1:3">
        <node text="a" pos="1:4"/>
      </dsgn>
      <expr pos="1:7" pos1="1:8">
        <number text="1" pos="1:8"/>
      </expr>
    </assignstmt>
    <assignstmt pos="1:10">
      <dsgn pos="1:10">
        <node text="a" pos="1:11"/>
      </dsgn>
      <modificator text="+" pos="1:14"/>
      <expr pos="1:15" pos1="1:16">
        <number text="2" pos="1:16"/>
      </expr>
    </assignstmt>
    <assignstmt pos="1:18">
      <dsgn pos="1:18">
        <node text="a" pos="1:19"/>
      </dsgn>
      <modificator text="-" pos="1:22"/>
      <expr pos="1:23" pos1="1:24">
        <number text="3" pos="1:24"/>
      </expr>
    </assignstmt>
    <assignstmt pos="1:26">
      <dsgn pos="1:26">
        <node text="a" pos="1:27"/>
      </dsgn>
      <modificator text="*" pos="1:30"/>
      <expr pos="1:31" pos1="1:32">
        <number text="4" pos="1:32"/>
      </expr>
    </assignstmt>
    <assignstmt pos="1:34">
      <dsgn pos="1:34">
        <node text="a" pos="1:35"/>
      </dsgn>
      <modificator text="/" pos="1:38"/>
      <expr pos="1:39" pos1="1:40">
        <number text="5" pos="1:40"/>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"IncrementDecrementAndCall",
     R"({ i++; i--; f(1, "s"); })",
     R"IL(  <compoundstmt pos="1:1">
    <callstmt pos="1:3">
      <dsgn pos="1:3">
        <node text="i" pos="1:4"/>
      </dsgn>
      <modificator text="+" pos="1:6"/>
    </callstmt>
    <callstmt pos="1:8">
      <dsgn pos="1:8">
        <node text="i" pos="1:9"/>
      </dsgn>
      <modificator text="-" pos="1:11"/>
    </callstmt>
    <callstmt pos="1:13">
      <dsgn pos="1:13">
        <node text="f" pos="1:14"/>
        <expr pos="1:15" pos1="1:16">
          <number text="1" pos="1:16"/>
        </expr>
        <expr pos="1:18" pos1="1:21">
          <string text="'s'" pos="1:21"/>
        </expr>
      </dsgn>
    </callstmt>
  </compoundstmt>
)IL"},
    {"NestedCompoundAndEmptyStatement",
     "{ { a; } ; }",
     R"IL(  <compoundstmt pos="1:1">
    <compoundstmt pos="1:3">
      <callstmt pos="1:5">
        <dsgn pos="1:5">
          <node text="a" pos="1:6"/>
        </dsgn>
      </callstmt>
    </compoundstmt>
    <empty pos="1:10"/>
  </compoundstmt>
)IL"},
    // The then-statement keeps its ';' and "else" follows it.
    {"IfElse",
     "{ if (c) a = 1; else { b; } }",
     R"IL(  <compoundstmt pos="1:1">
    <ifstmt pos="1:3">
      <expr pos="1:7" pos1="1:8">
        <dsgn pos="1:7">
          <node text="c" pos="1:8"/>
        </dsgn>
      </expr>
      <thenstmt pos="1:10">
        <assignstmt pos="1:10">
          <dsgn pos="1:10">
            <node text="a" pos="1:11"/>
          </dsgn>
          <expr pos="1:14" pos1="1:15">
            <number text="1" pos="1:15"/>
          </expr>
        </assignstmt>
      </thenstmt>
      <elsestmt pos="1:22">
        <compoundstmt pos="1:22">
          <callstmt pos="1:24">
            <dsgn pos="1:24">
              <node text="b" pos="1:25"/>
            </dsgn>
          </callstmt>
        </compoundstmt>
      </elsestmt>
    </ifstmt>
  </compoundstmt>
)IL"},
    // Each branch is one compound statement; the "break;" that ends it leaves no IL.
    {"SwitchWithBreakAndDefault",
     "{ switch (x) { case 1, 2..3: a; break; default: b; c; } }",
     R"IL(  <compoundstmt pos="1:1">
    <casestmt pos="1:3">
      <expr pos="1:11" pos1="1:12">
        <dsgn pos="1:11">
          <node text="x" pos="1:12"/>
        </dsgn>
      </expr>
      <caseselector pos="1:16">
        <set pos="1:21">
          <expr pos="1:21" pos1="1:22">
            <number text="1" pos="1:22"/>
          </expr>
          <expr pos="1:24" pos1="1:25">
            <number text="2" pos="1:25"/>
          </expr>
          <range text="." pos="1:27"/>
          <expr pos="1:27" pos1="1:28">
            <number text="3" pos="1:28"/>
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
      <compoundstmt pos="1:49">
        <callstmt pos="1:49">
          <dsgn pos="1:49">
            <node text="b" pos="1:50"/>
          </dsgn>
        </callstmt>
        <callstmt pos="1:52">
          <dsgn pos="1:52">
            <node text="c" pos="1:53"/>
          </dsgn>
        </callstmt>
      </compoundstmt>
    </casestmt>
  </compoundstmt>
)IL"},
    // A branch that is only "break;" is an empty compound statement.
    {"SwitchBranchOfOnlyBreak",
     "{ switch (x) { case 1: break; } }",
     R"IL(  <compoundstmt pos="1:1">
    <casestmt pos="1:3">
      <expr pos="1:11" pos1="1:12">
        <dsgn pos="1:11">
          <node text="x" pos="1:12"/>
        </dsgn>
      </expr>
      <caseselector pos="1:16">
        <set pos="1:21">
          <expr pos="1:21" pos1="1:22">
            <number text="1" pos="1:22"/>
          </expr>
        </set>
        <compoundstmt pos="1:24"/>
      </caseselector>
    </casestmt>
  </compoundstmt>
)IL"},
    // Labels in a row share the branch that follows them: one set.
    {"SwitchLabelsInARow",
     "{ switch (x) { case 1: case 2: a; } }",
     R"IL(  <compoundstmt pos="1:1">
    <casestmt pos="1:3">
      <expr pos="1:11" pos1="1:12">
        <dsgn pos="1:11">
          <node text="x" pos="1:12"/>
        </dsgn>
      </expr>
      <caseselector pos="1:16">
        <set pos="1:21">
          <expr pos="1:21" pos1="1:22">
            <number text="1" pos="1:22"/>
          </expr>
          <expr pos="1:29" pos1="1:30">
            <number text="2" pos="1:30"/>
          </expr>
        </set>
        <compoundstmt pos="1:32">
          <callstmt pos="1:32">
            <dsgn pos="1:32">
              <node text="a" pos="1:33"/>
            </dsgn>
          </callstmt>
        </compoundstmt>
      </caseselector>
    </casestmt>
  </compoundstmt>
)IL"},
    {"While",
     "{ while (i < 3) i++; }",
     R"IL(  <compoundstmt pos="1:1">
    <whilestmt pos="1:3">
      <expr pos="1:10" pos1="1:15">
        <dsgn pos="1:10">
          <node text="i" pos="1:11"/>
        </dsgn>
        <op text="&#60;" pos="1:13"/>
        <number text="3" pos="1:15"/>
      </expr>
      <callstmt pos="1:17">
        <dsgn pos="1:17">
          <node text="i" pos="1:18"/>
        </dsgn>
        <modificator text="+" pos="1:20"/>
      </callstmt>
    </whilestmt>
  </compoundstmt>
)IL"},
    // do ... while loops while the condition holds: the inverse marker.
    {"DoWhile",
     "{ do i++; while (i < 3); }",
     R"IL(  <compoundstmt pos="1:1">
    <repeatstmt pos="1:3">
      <callstmt pos="1:6">
        <dsgn pos="1:6">
          <node text="i" pos="1:7"/>
        </dsgn>
        <modificator text="+" pos="1:9"/>
      </callstmt>
      <expr pos="1:18" pos1="1:23">
        <dsgn pos="1:18">
          <node text="i" pos="1:19"/>
        </dsgn>
        <op text="&#60;" pos="1:21"/>
        <number text="3" pos="1:23"/>
      </expr>
      <inverse text="" pos="1:24"/>
    </repeatstmt>
  </compoundstmt>
)IL"},
    {"ForWithDeclaration",
     "{ for (int i = 0; i < 3; i++) s += i; }",
     R"IL(  <compoundstmt pos="1:1">
    <cppforstmt pos="1:3">
      <var pos="1:8">
        <type text="int" pos="1:11"/>
        <ident text="i" pos="1:13"/>
        <init pos="1:14">
          <expr pos="1:16" pos1="1:17">
            <number text="0" pos="1:17"/>
          </expr>
        </init>
      </var>
      <expr pos="1:19" pos1="1:24">
        <dsgn pos="1:19">
          <node text="i" pos="1:20"/>
        </dsgn>
        <op text="&#60;" pos="1:22"/>
        <number text="3" pos="1:24"/>
      </expr>
      <callstmt pos="1:26">
        <dsgn pos="1:26">
          <node text="i" pos="1:27"/>
        </dsgn>
        <modificator text="+" pos="1:29"/>
      </callstmt>
      <assignstmt pos="1:31">
        <dsgn pos="1:31">
          <node text="s" pos="1:32"/>
        </dsgn>
        <modificator text="+" pos="1:35"/>
        <expr pos="1:36" pos1="1:37">
          <dsgn pos="1:36">
            <node text="i" pos="1:37"/>
          </dsgn>
        </expr>
      </assignstmt>
    </cppforstmt>
  </compoundstmt>
)IL"},
    // A comma list is one compound statement; missing parts are empty statements.
    {"ForWithListAndEmptyParts",
     "{ for (i = 0, j = 1; i < j; ) ; }",
     R"IL(  <compoundstmt pos="1:1">
    <cppforstmt pos="1:3">
      <compoundstmt pos="1:8">
        <assignstmt pos="1:8">
          <dsgn pos="1:8">
            <node text="i" pos="1:9"/>
          </dsgn>
          <expr pos="1:12" pos1="1:13">
            <number text="0" pos="1:13"/>
          </expr>
        </assignstmt>
        <assignstmt pos="1:15">
          <dsgn pos="1:15">
            <node text="j" pos="1:16"/>
          </dsgn>
          <expr pos="1:19" pos1="1:20">
            <number text="1" pos="1:20"/>
          </expr>
        </assignstmt>
      </compoundstmt>
      <expr pos="1:22" pos1="1:27">
        <dsgn pos="1:22">
          <node text="i" pos="1:23"/>
        </dsgn>
        <op text="&#60;" pos="1:25"/>
        <dsgn pos="1:26">
          <node text="j" pos="1:27"/>
        </dsgn>
      </expr>
      <empty pos="1:29"/>
      <empty pos="1:31"/>
    </cppforstmt>
  </compoundstmt>
)IL"},
    {"TryFinally",
     "{ try { a; } finally { b; } }",
     R"IL(  <compoundstmt pos="1:1">
    <trystmt pos="1:3">
      <callstmt pos="1:9">
        <dsgn pos="1:9">
          <node text="a" pos="1:10"/>
        </dsgn>
      </callstmt>
      <finallystmt pos="1:22">
        <callstmt pos="1:24">
          <dsgn pos="1:24">
            <node text="b" pos="1:25"/>
          </dsgn>
        </callstmt>
      </finallystmt>
    </trystmt>
  </compoundstmt>
)IL"},
    {"TryExcept",
     "{ try { } except { b; } }",
     R"IL(  <compoundstmt pos="1:1">
    <trystmt pos="1:3">
      <exceptstmt pos="1:18">
        <callstmt pos="1:20">
          <dsgn pos="1:20">
            <node text="b" pos="1:21"/>
          </dsgn>
        </callstmt>
      </exceptstmt>
    </trystmt>
  </compoundstmt>
)IL"},
    {"Jumps",
     "{ while (1) { break; continue; } exit; return x; return; }",
     R"IL(  <compoundstmt pos="1:1">
    <whilestmt pos="1:3">
      <expr pos="1:10" pos1="1:11">
        <number text="1" pos="1:11"/>
      </expr>
      <compoundstmt pos="1:13">
        <break pos="1:15"/>
        <continue pos="1:22"/>
      </compoundstmt>
    </whilestmt>
    <exit pos="1:34"/>
    <return pos="1:40">
      <expr pos="1:47" pos1="1:48">
        <dsgn pos="1:47">
          <node text="x" pos="1:48"/>
        </dsgn>
      </expr>
    </return>
    <return pos="1:50"/>
  </compoundstmt>
)IL"},
    {"NewAndDelete",
     "{ o = new TFoo(1); delete o; }",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:3">
      <dsgn pos="1:3">
        <node text="o" pos="1:4"/>
      </dsgn>
      <expr pos="1:7" pos1="1:18">
        <new pos="1:7">
          <dsgn pos="1:11">
            <node text="TFoo" pos="1:15"/>
            <expr pos="1:16" pos1="1:17">
              <number text="1" pos="1:17"/>
            </expr>
          </dsgn>
        </new>
      </expr>
    </assignstmt>
    <delete pos="1:20">
      <dsgn pos="1:27">
        <node text="o" pos="1:28"/>
      </dsgn>
    </delete>
  </compoundstmt>
)IL"},
    {"AddressOfRoutine",
     "{ x = &Proc; }",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:3">
      <dsgn pos="1:3">
        <node text="x" pos="1:4"/>
      </dsgn>
      <expr pos="1:7" pos1="1:12">
        <dsgn pos="1:7">
          <addr text="&#38;" pos="1:8"/>
          <node text="Proc" pos="1:12"/>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    // A flat list in source order; the leading minus is "unminus", "!" is "not".
    {"UnaryAndMultiplicativeOperators",
     "{ x = -a * b div c % d && !e; }",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:3">
      <dsgn pos="1:3">
        <node text="x" pos="1:4"/>
      </dsgn>
      <expr pos="1:7" pos1="1:29">
        <op text="unminus" pos="1:8"/>
        <dsgn pos="1:8">
          <node text="a" pos="1:9"/>
        </dsgn>
        <op text="*" pos="1:11"/>
        <dsgn pos="1:12">
          <node text="b" pos="1:13"/>
        </dsgn>
        <op text="div" pos="1:17"/>
        <dsgn pos="1:18">
          <node text="c" pos="1:19"/>
        </dsgn>
        <op text="mod" pos="1:21"/>
        <dsgn pos="1:22">
          <node text="d" pos="1:23"/>
        </dsgn>
        <op text="and" pos="1:26"/>
        <op text="not" pos="1:28"/>
        <dsgn pos="1:28">
          <node text="e" pos="1:29"/>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"ParenthesesAreOperators",
     "{ x = (a + 1) * 2; }",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:3">
      <dsgn pos="1:3">
        <node text="x" pos="1:4"/>
      </dsgn>
      <expr pos="1:7" pos1="1:18">
        <op text="(" pos="1:8"/>
        <dsgn pos="1:8">
          <node text="a" pos="1:9"/>
        </dsgn>
        <op text="+" pos="1:11"/>
        <number text="1" pos="1:13"/>
        <op text=")" pos="1:14"/>
        <op text="*" pos="1:16"/>
        <number text="2" pos="1:18"/>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    // <...> is a call of Get with the bracketed text as a string.
    {"ReportExpression",
     R"({ x = <Data."Name">; })",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:3">
      <dsgn pos="1:3">
        <node text="x" pos="1:4"/>
      </dsgn>
      <expr pos="1:7" pos1="1:20">
        <dsgn pos="1:19">
          <node text="Get" pos="1:19"/>
          <expr pos="1:19">
            <string text="'Data.&#34;Name&#34;'" pos="1:19"/>
          </expr>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"SetConstructorAndIn",
     "{ b = c in [1, 3..5]; }",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:3">
      <dsgn pos="1:3">
        <node text="b" pos="1:4"/>
      </dsgn>
      <expr pos="1:7" pos1="1:21">
        <dsgn pos="1:7">
          <node text="c" pos="1:8"/>
        </dsgn>
        <op text="in" pos="1:11"/>
        <set pos="1:12">
          <expr pos="1:13" pos1="1:14">
            <number text="1" pos="1:14"/>
          </expr>
          <expr pos="1:16" pos1="1:17">
            <number text="3" pos="1:17"/>
          </expr>
          <range text="." pos="1:19"/>
          <expr pos="1:19" pos1="1:20">
            <number text="5" pos="1:20"/>
          </expr>
        </set>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    // a[2][3] has one "[" node followed by both indexes, like a[2, 3].
    {"DesignatorMembersCallsAndIndexes",
     "{ a.b(1)[2][3].c = 0; }",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:3">
      <dsgn pos="1:3">
        <node text="a" pos="1:4"/>
        <node text="b" pos="1:6"/>
        <expr pos="1:7" pos1="1:8">
          <number text="1" pos="1:8"/>
        </expr>
        <node text="[" pos="1:10"/>
        <expr pos="1:10" pos1="1:11">
          <number text="2" pos="1:11"/>
        </expr>
        <expr pos="1:13" pos1="1:14">
          <number text="3" pos="1:14"/>
        </expr>
        <node text="c" pos="1:17"/>
      </dsgn>
      <expr pos="1:20" pos1="1:21">
        <number text="0" pos="1:21"/>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    // After "." any word is a member name, keywords included.
    {"MemberNamedLikeKeyword",
     "{ x = a.delete; }",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:3">
      <dsgn pos="1:3">
        <node text="x" pos="1:4"/>
      </dsgn>
      <expr pos="1:7" pos1="1:15">
        <dsgn pos="1:7">
          <node text="a" pos="1:8"/>
          <node text="delete" pos="1:15"/>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    // Backslash escapes in double-quoted strings; the string leaves in single quotes.
    {"StringEscapeAndReal",
     R"({ s = "a\"b" + 1.5e3; })",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:3">
      <dsgn pos="1:3">
        <node text="s" pos="1:4"/>
      </dsgn>
      <expr pos="1:7" pos1="1:21">
        <string text="'a&#34;b'" pos="1:13"/>
        <op text="+" pos="1:15"/>
        <number text="1.5e3" pos="1:21"/>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"CommentsAndLinePositions",
     "// note\n/* block\n comment */ int a;\n{\n  a = 2; // set\n}",
     R"IL(  <var pos="3:13">
    <type text="int" pos="3:16"/>
    <ident text="a" pos="3:18"/>
  </var>
  <compoundstmt pos="4:1">
    <assignstmt pos="5:3">
      <dsgn pos="5:3">
        <node text="a" pos="5:4"/>
      </dsgn>
      <expr pos="5:7" pos1="5:8">
        <number text="2" pos="5:8"/>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
};

class CppIL : public ::testing::TestWithParam<ILCase>
{};

TEST_P(CppIL, ProducesGoldenIL)
{
    const ILCase &c = GetParam();
    EXPECT_EQ(kyILText(kCpp, QString::fromUtf8(c.source)), programIL(QString::fromUtf8(c.body)));
}

INSTANTIATE_TEST_SUITE_P(Constructs,
                         CppIL,
                         ::testing::ValuesIn(kILCases),
                         [](const ::testing::TestParamInfo<ILCase> &row) {
                             return std::string(row.param.name);
                         });

// Binary operators and the IL operator each one becomes.
struct OperatorCase
{
    const char *source;
    const char *il; // as written in the IL (escaped)
};

const OperatorCase kOperators[] = {
    {"+", "+"},       {"-", "-"},       {"*", "*"},           {"/", "/"},     {"div", "div"},
    {"%", "mod"},     {"&&", "and"},    {"||", "or"},         {"^", "xor"},   {"<<", "shl"},
    {">>", "shr"},    {"==", "="},      {"!=", "&#60;&#62;"}, {"<", "&#60;"}, {">", "&#62;"},
    {"<=", "&#60;="}, {">=", "&#62;="}, {"in", "in"},         {"is", "is"},
};

TEST(CppOperators, EachBinaryOperatorBecomesItsILOperator)
{
    // "{ x = a OP b; }": a at column 7, OP from column 9, b one blank after OP.
    const QString shape = QStringLiteral(R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:3">
      <dsgn pos="1:3">
        <node text="x" pos="1:4"/>
      </dsgn>
      <expr pos="1:7" pos1="1:%3">
        <dsgn pos="1:7">
          <node text="a" pos="1:8"/>
        </dsgn>
        <op text="%1" pos="1:%2"/>
        <dsgn pos="1:%4">
          <node text="b" pos="1:%3"/>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL");
    for (const OperatorCase &c : kOperators) {
        const int length = int(qstrlen(c.source));
        const QString source = QStringLiteral("{ x = a %1 b; }").arg(QString::fromUtf8(c.source));
        const QString body = shape.arg(QString::fromUtf8(c.il),
                                       QString::number(9 + length),
                                       QString::number(11 + length),
                                       QString::number(10 + length));
        EXPECT_EQ(kyILText(kCpp, source), programIL(body)) << c.source;
    }
}

// Units named by #include: their programs stand in reverse order of the clause.
TEST(CppUnits, IncludeInsertsUnitsInReverseOrder)
{
    TkyScript script;
    script.SetOnGetUnit([](TkyScript &, const QString &name) {
        return name == QStringLiteral("a.cpp") ? QStringLiteral("#define A 1\n{ }")
                                               : QStringLiteral("int B;\n{ }");
    });
    const QString unitB = programIL(QStringLiteral(R"IL(  <var pos="1:1">
    <type text="int" pos="1:4"/>
    <ident text="B" pos="1:6"/>
  </var>
  <compoundstmt pos="2:1"/>
)IL"),
                                    4);
    const QString unitA = programIL(QStringLiteral(R"IL(  <const pos="1:1">
    <ident text="A" pos="1:10"/>
    <expr pos="1:11" pos1="1:12">
      <number text="1" pos="1:12"/>
    </expr>
  </const>
  <compoundstmt pos="2:1"/>
)IL"),
                                    4);
    const QString body = QStringLiteral("  <uses unit=\"b.cpp\">\n") + unitB
                         + QStringLiteral("  </uses>\n  <uses unit=\"a.cpp\">\n") + unitA
                         + QStringLiteral("  </uses>\n  <compoundstmt pos=\"2:1\"/>\n");
    EXPECT_EQ(kyILText(kCpp, QStringLiteral("#include \"a.cpp\", \"b.cpp\"\n{ }"), &script),
              programIL(body));
}

TEST(CppUnits, SyntaxErrorInsideUnitNamesTheUnit)
{
    TkyScript script;
    script.SetOnGetUnit([](TkyScript &, const QString &) { return QStringLiteral("{ x = ; }"); });
    EXPECT_EQ(kyILText(kCpp, QStringLiteral("#include \"bad.cpp\"\n{ }"), &script),
              QStringLiteral("error at 1:7: Expression expected in unit bad.cpp"));
}

struct ErrorCase
{
    const char *name;
    const char *source;
    const char *error;
};

const ErrorCase kErrorCases[] = {
    {"IdentifierAfterMemberDot", "{ a.; }", "error at 1:5: Identifier expected"},
    {"IdentifierOfParameter", "int f(int a, ) { }", "error at 1:14: Identifier expected"},
    {"IdentifierOfDefine", "#define 5 { }", "error at 1:9: Identifier expected"},
    {"ExpressionAfterAssignment", "{ a = ; }", "error at 1:7: Expression expected"},
    {"ExpressionAfterOperator", "{ a = 1 + ; }", "error at 1:11: Expression expected"},
    {"StatementAfterCondition", "{ if (a) }", "error at 1:10: Statement expected"},
    {"TextAfterMainBlock", "{ } x", "error at 1:5: Statement expected"},
    {"ColonAfterCaseLabel", "{ switch (a) { case 1 b; } }", "error at 1:23: ':' expected"},
    // "If" is not the keyword "if": a call of If(a), then the missing ';' at b.
    {"KeywordsAreCaseSensitive", "{ If (a) b = 1; }", "error at 1:10: ';' expected"},
    {"SemicolonBetweenStatements", "{ a = 1 b = 2; }", "error at 1:9: ';' expected"},
    {"SemicolonAfterDeclaration", "int a { }", "error at 1:7: ';' expected"},
    {"CloseParenOfCall", "{ f(1; }", "error at 1:6: ')' expected"},
    {"CloseParenOnLaterLine", "{\n  a = 1;\n  b = (2;\n}", "error at 3:9: ')' expected"},
    {"CloseBracketOfIndex", "{ a[1; }", "error at 1:6: ']' expected"},
    {"CloseBracketOfDimension", "int a[2; { }", "error at 1:8: ']' expected"},
    {"MainBlockMissing", "int a; b", "error at 1:8: '{' expected"},
    {"EmptyText", "", "error at 1:1: '{' expected"},
    {"FunctionBodyMissing", "void f() a", "error at 1:10: '{' expected"},
    {"CloseBraceMissing", "{ a; ) }", "error at 1:6: '}' expected"},
    {"MainBlockUnclosed", "{ a;", "error at 2:1: '}' expected"},
    // After the "break;" that ends a branch only a case, default or '}' may follow.
    {"StatementAfterCaseBreak",
     "{ switch (a) { case 1: a; break; b; } }",
     "error at 1:34: '}' expected"},
    {"OpenParenAfterIf", "{ if a; }", "error at 1:6: '(' expected"},
    {"OpenParenAfterSwitch", "{ switch a { } }", "error at 1:10: '(' expected"},
    {"DefineMisspelt", "#defin X 1 { }", "error at 1:2: 'DEFINE' expected"},
    {"IncludeAfterDeclarations", "int a; #include \"u\" { }", "error at 1:9: 'DEFINE' expected"},
    {"WhileAfterDo", "{ do a; until (b); }", "error at 1:9: 'WHILE' expected"},
    {"FinallyOrExceptAfterTry",
     "{ try { } catch { } }",
     "error at 1:11: 'FINALLY' or 'EXCEPT' expected"},
    {"SecondDotOfRange", "{ b = [1.]; }", "error at 1:10: '..' expected"},
    {"ReportExpressionUnclosed", "{ x = <abc; }", "error at 2:1: '>' expected"},
};

class CppErrors : public ::testing::TestWithParam<ErrorCase>
{};

TEST_P(CppErrors, ReportsMessageAtPosition)
{
    const ErrorCase &c = GetParam();
    EXPECT_EQ(kyILText(kCpp, QString::fromUtf8(c.source)), QString::fromUtf8(c.error));
}

INSTANTIATE_TEST_SUITE_P(Syntax,
                         CppErrors,
                         ::testing::ValuesIn(kErrorCases),
                         [](const ::testing::TestParamInfo<ErrorCase> &row) {
                             return std::string(row.param.name);
                         });

const char *const kWholePrograms[] = {
    "#include \"lib.cpp\"\n"
    "#define LIMIT 10\n"
    "int total = 0, grid[2][3];\n"
    "int Twice(int v, bool &done) {\n"
    "  done = true;\n"
    "  return v * 2;\n"
    "}\n"
    "void Report(TkavComponent Sender) {\n"
    "  try {\n"
    "    Sender.Tag += <Data.\"Qty\">;\n"
    "  } except {\n"
    "    exit;\n"
    "  }\n"
    "}\n"
    "{\n"
    "  for (int i = 0; i < LIMIT; i++) {\n"
    "    if (i % 2 == 0) total += Twice(i, ok); else continue;\n"
    "  }\n"
    "  switch (total) {\n"
    "    case 0, 1..5: ShowMessage(\"small\"); break;\n"
    "    default: ShowMessage(\"big \\\"x\\\"\");\n"
    "  }\n"
    "  do total--; while (total > 0 && !stop);\n"
    "  Obj = new TStringList(); delete Obj;\n"
    "}\n",
    "/* counting */\n"
    "bool Done(int n) { return n >= 3 || n in [7, 9]; }\n"
    "{\n"
    "  int i = 0, j;\n"
    "  while (!Done(i)) { i++; j = -i << 1; }\n"
    "  for (i = 0, j = 1; i != j; ) { break; }\n"
    "  try { Memo1.Lines[0][1] = 0x1F; } finally { ; }\n"
    "  x = &Done;\n"
    "}\n",
};

// Cutting a valid program anywhere yields a program or an error with a position inside the
// text; nothing crashes, hangs or throws.
TEST(CppPrefixes, EveryTruncationEndsInProgramOrLocatedError)
{
    TkyScript script;
    script.SetOnGetUnit([](TkyScript &, const QString &) { return QStringLiteral("{ }"); });
    const QRegularExpression located(QStringLiteral("^error at (\\d+):(\\d+): \\S.*$"));
    for (const char *program : kWholePrograms) {
        const QString text = QString::fromUtf8(program);
        const QString whole = kyILText(kCpp, text, &script);
        EXPECT_TRUE(whole.startsWith(QStringLiteral("<program>\n"))) << whole.toStdString();
        int errors = 0;
        for (qsizetype n = 0; n < text.size(); ++n) {
            const QString prefix = text.left(n);
            const QString result = kyILText(kCpp, prefix, &script);
            if (result.startsWith(QStringLiteral("<program>\n")))
                continue;
            ++errors;
            const QRegularExpressionMatch m = located.match(result);
            ASSERT_TRUE(m.hasMatch())
                << "prefix of " << n << " characters gave: " << result.toStdString();
            EXPECT_LE(m.captured(1).toInt(), prefix.count(u'\n') + 2) << prefix.toStdString();
            EXPECT_GE(m.captured(2).toInt(), 1) << prefix.toStdString();
        }
        // A program needs its closing brace: most cuts are errors.
        EXPECT_GT(errors, int(text.size()) / 2);
    }
}

// The reserved words of the language cannot name a variable; the same words in upper case
// are ordinary identifiers, because keywords compare case-sensitively.
TEST(CppKeywords, ReservedWordsAreNotIdentifiers)
{
    const char *const keywords[] = {"break",
                                    "case",
                                    "continue",
                                    "define",
                                    "default",
                                    "delete",
                                    "do",
                                    "else",
                                    "except",
                                    "finally",
                                    "for",
                                    "in",
                                    "is",
                                    "if",
                                    "new",
                                    "return",
                                    "switch",
                                    "try",
                                    "while"};
    for (const char *keyword : keywords) {
        const QString word = QString::fromUtf8(keyword);
        // "int" alone is read as a call, then the ';' is missing at the keyword.
        EXPECT_EQ(kyILText(kCpp, QStringLiteral("{ int %1; }").arg(word)),
                  QStringLiteral("error at 1:7: ';' expected"))
            << keyword;
        EXPECT_TRUE(kyILText(kCpp, QStringLiteral("{ int %1; }").arg(word.toUpper()))
                        .startsWith(QStringLiteral("<program>\n")))
            << keyword;
    }
    // Words the grammar reads by their text without reserving them.
    for (const char *word : {"exit", "div", "include", "void", "int"})
        EXPECT_TRUE(kyILText(kCpp, QStringLiteral("{ int %1; }").arg(QString::fromUtf8(word)))
                        .startsWith(QStringLiteral("<program>\n")))
            << word;
}

TEST(CppLanguage, UndeclaredIdentifiersAreErrors)
{
    kyEnsureBuiltinLanguages();
    TkyScript script;
    TkyILParser parser(&script);
    parser.SelectLanguage(kCpp);
    EXPECT_TRUE(parser.NeedDeclareVars());
}

// Texts the host writes into C++Script programs: expression wrappers and event handlers.
TEST(CppHostTexts, WrappersAndHandlerSkeletonsCompile)
{
    const char *const texts[] = {
        "Variant kv3f0() { return <Data.\"Qty\"> * 2; } {}",
        "Variant kyEvaluateFUNC() { return 2 * (3 + 4); } {}",
        "void Memo1OnBeforePrint(TkavComponent Sender)\n{\n\n}\n\n{\n\n}\n",
        "void Form1OnCloseQuery(TkavComponent Sender, bool &CanClose)\n{\n\n}\n"
        "void Edit1OnKeyDown(TkavComponent Sender, word &Key, int Shift)\n{\n\n}\n"
        "void Report1OnRunDialogs(bool &Result)\n{\n\n}\n{\n}\n",
    };
    for (const char *text : texts)
        EXPECT_TRUE(
            kyILText(kCpp, QString::fromUtf8(text)).startsWith(QStringLiteral("<program>\n")))
            << text;
}

} // namespace
