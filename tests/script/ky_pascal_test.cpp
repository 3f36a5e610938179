// Golden tests of the PascalScript grammar: the IL each construct produces, the message and
// position of each syntax error, and that truncated programs fail cleanly.

#include "kyScriptTestSupport.h"

#include <gtest/gtest.h>

#include <QHash>
#include <QRegularExpression>

namespace {

const QString kPascal = QStringLiteral("PascalScript");

// The IL of a main program whose top-level elements are body (indented by two spaces).
QString programIL(const char *body)
{
    return QStringLiteral("<program>\n") + QString::fromUtf8(body)
        + QStringLiteral("  <types/>\n</program>\n");
}

struct ILCase
{
    const char *name;
    const char *source;
    const char *body; // top-level IL elements, "types" excluded
};

const ILCase kILCases[] = {
    {"MinimalProgram", "begin a := 1 end.",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="a" pos="1:8"/>
      </dsgn>
      <expr pos="1:12" pos1="1:13">
        <number text="1" pos="1:13"/>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"ProgramHeader", "program Demo; begin end.",
     R"IL(  <compoundstmt pos="1:15"/>
)IL"},
    {"TextAfterFinalEndIsNotRead", "begin end. this is ( not read",
     R"IL(  <compoundstmt pos="1:1"/>
)IL"},
    {"KeywordsIgnoreCase", "BEGIN x := a DIV b END.",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="x" pos="1:8"/>
      </dsgn>
      <expr pos="1:12" pos1="1:19">
        <dsgn pos="1:12">
          <node text="a" pos="1:13"/>
        </dsgn>
        <op text="div" pos="1:17"/>
        <dsgn pos="1:18">
          <node text="b" pos="1:19"/>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"CommentsAreSkipped", "{ c } begin (* d *) a // e\nend.",
     R"IL(  <compoundstmt pos="1:7">
    <callstmt pos="1:21">
      <dsgn pos="1:21">
        <node text="a" pos="1:22"/>
      </dsgn>
    </callstmt>
  </compoundstmt>
)IL"},
    {"Constant", "const N = 10; begin end.",
     R"IL(  <const pos="1:7">
    <ident text="N" pos="1:8"/>
    <expr pos="1:11" pos1="1:13">
      <number text="10" pos="1:13"/>
    </expr>
  </const>
  <compoundstmt pos="1:15"/>
)IL"},
    {"VariableList", "var a, b: Integer; begin end.",
     R"IL(  <var pos="1:5">
    <ident text="a" pos="1:6"/>
    <ident text="b" pos="1:9"/>
    <type text="Integer" pos="1:18"/>
  </var>
  <compoundstmt pos="1:20"/>
)IL"},
    {"VariableInitialValue", "var s: String = 'x'; begin end.",
     R"IL(  <var pos="1:5">
    <ident text="s" pos="1:6"/>
    <type text="String" pos="1:14"/>
    <init pos="1:17">
      <expr pos="1:17" pos1="1:20">
        <string text="'x'" pos="1:20"/>
      </expr>
    </init>
  </var>
  <compoundstmt pos="1:22"/>
)IL"},
    {"ArrayDimensions", "var m: array[1..3, 4] of Integer; begin end.",
     R"IL(  <var pos="1:5">
    <ident text="m" pos="1:6"/>
    <array pos="1:8">
      <dim pos="1:14">
        <expr pos="1:14" pos1="1:15">
          <number text="1" pos="1:15"/>
        </expr>
        <expr pos="1:17" pos1="1:18">
          <number text="3" pos="1:18"/>
        </expr>
      </dim>
      <dim pos="1:20">
        <expr pos="1:20" pos1="1:21">
          <number text="4" pos="1:21"/>
        </expr>
      </dim>
    </array>
    <type text="Integer" pos="1:33"/>
  </var>
  <compoundstmt pos="1:35"/>
)IL"},
    {"ProcedureWithLocals",
     "procedure P(var a, b: Integer; c: String);\n"
     "var t: Integer;\n"
     "begin\n"
     "  t := a\n"
     "end;\n"
     "begin\n"
     "end.",
     R"IL(  <procedure pos="1:1">
    <name text="P" pos="1:12"/>
    <parameters pos="1:12">
      <varparams pos="1:13"/>
      <var pos="1:17">
        <ident text="a" pos="1:18"/>
        <ident text="b" pos="1:21"/>
        <type text="Integer" pos="1:30"/>
      </var>
      <var pos="1:32">
        <ident text="c" pos="1:33"/>
        <type text="String" pos="1:41"/>
      </var>
    </parameters>
    <var pos="2:5">
      <ident text="t" pos="2:6"/>
      <type text="Integer" pos="2:15"/>
    </var>
    <compoundstmt pos="3:1">
      <assignstmt pos="4:3">
        <dsgn pos="4:3">
          <node text="t" pos="4:4"/>
        </dsgn>
        <expr pos="4:8" pos1="4:9">
          <dsgn pos="4:8">
            <node text="a" pos="4:9"/>
          </dsgn>
        </expr>
      </assignstmt>
    </compoundstmt>
  </procedure>
  <compoundstmt pos="6:1"/>
)IL"},
    {"FunctionWithNestedFunction",
     "function F(n: Integer): Integer;\n"
     "  function G: Integer;\n"
     "  begin\n"
     "    Result := 2\n"
     "  end;\n"
     "begin\n"
     "  Result := n * G\n"
     "end;\n"
     "begin\n"
     "end.",
     R"IL(  <function pos="1:1">
    <name text="F" pos="1:11"/>
    <parameters pos="1:11">
      <var pos="1:12">
        <ident text="n" pos="1:13"/>
        <type text="Integer" pos="1:22"/>
      </var>
    </parameters>
    <type text="Integer" pos="1:32"/>
    <function pos="2:3">
      <name text="G" pos="2:13"/>
      <type text="Integer" pos="2:22"/>
      <compoundstmt pos="3:3">
        <assignstmt pos="4:5">
          <dsgn pos="4:5">
            <node text="Result" pos="4:11"/>
          </dsgn>
          <expr pos="4:15" pos1="4:16">
            <number text="2" pos="4:16"/>
          </expr>
        </assignstmt>
      </compoundstmt>
    </function>
    <compoundstmt pos="6:1">
      <assignstmt pos="7:3">
        <dsgn pos="7:3">
          <node text="Result" pos="7:9"/>
        </dsgn>
        <expr pos="7:13" pos1="7:18">
          <dsgn pos="7:13">
            <node text="n" pos="7:14"/>
          </dsgn>
          <op text="*" pos="7:16"/>
          <dsgn pos="7:17">
            <node text="G" pos="7:18"/>
          </dsgn>
        </expr>
      </assignstmt>
    </compoundstmt>
  </function>
  <compoundstmt pos="9:1"/>
)IL"},
    {"VarParameterGroup", "procedure Q(var x: Integer); begin end; begin end.",
     R"IL(  <procedure pos="1:1">
    <name text="Q" pos="1:12"/>
    <parameters pos="1:12">
      <varparams pos="1:13"/>
      <var pos="1:17">
        <ident text="x" pos="1:18"/>
        <type text="Integer" pos="1:27"/>
      </var>
    </parameters>
    <compoundstmt pos="1:30"/>
  </procedure>
  <compoundstmt pos="1:41"/>
)IL"},
    {"Call", "begin P(1, 'x'); Q() end.",
     R"IL(  <compoundstmt pos="1:1">
    <callstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="P" pos="1:8"/>
        <expr pos="1:9" pos1="1:10">
          <number text="1" pos="1:10"/>
        </expr>
        <expr pos="1:12" pos1="1:15">
          <string text="'x'" pos="1:15"/>
        </expr>
      </dsgn>
    </callstmt>
    <callstmt pos="1:18">
      <dsgn pos="1:18">
        <node text="Q" pos="1:19"/>
      </dsgn>
    </callstmt>
  </compoundstmt>
)IL"},
    {"Designator", "begin a.b(1, 2)[3] := c end.",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="a" pos="1:8"/>
        <node text="b" pos="1:10"/>
        <expr pos="1:11" pos1="1:12">
          <number text="1" pos="1:12"/>
        </expr>
        <expr pos="1:14" pos1="1:15">
          <number text="2" pos="1:15"/>
        </expr>
        <node text="[" pos="1:17"/>
        <expr pos="1:17" pos1="1:18">
          <number text="3" pos="1:18"/>
        </expr>
      </dsgn>
      <expr pos="1:23" pos1="1:24">
        <dsgn pos="1:23">
          <node text="c" pos="1:24"/>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"Compound", "begin begin end; b end.",
     R"IL(  <compoundstmt pos="1:1">
    <compoundstmt pos="1:7"/>
    <callstmt pos="1:18">
      <dsgn pos="1:18">
        <node text="b" pos="1:19"/>
      </dsgn>
    </callstmt>
  </compoundstmt>
)IL"},
    {"IfThenElse", "begin if a then b else c end.",
     R"IL(  <compoundstmt pos="1:1">
    <ifstmt pos="1:7">
      <expr pos="1:10" pos1="1:11">
        <dsgn pos="1:10">
          <node text="a" pos="1:11"/>
        </dsgn>
      </expr>
      <thenstmt pos="1:17">
        <callstmt pos="1:17">
          <dsgn pos="1:17">
            <node text="b" pos="1:18"/>
          </dsgn>
        </callstmt>
      </thenstmt>
      <elsestmt pos="1:24">
        <callstmt pos="1:24">
          <dsgn pos="1:24">
            <node text="c" pos="1:25"/>
          </dsgn>
        </callstmt>
      </elsestmt>
    </ifstmt>
  </compoundstmt>
)IL"},
    {"Case",
     "begin\n"
     "  case x of\n"
     "    1, 3..5: a;\n"
     "    7: ;\n"
     "  else\n"
     "    b\n"
     "  end\n"
     "end.",
     R"IL(  <compoundstmt pos="1:1">
    <casestmt pos="2:3">
      <expr pos="2:8" pos1="2:9">
        <dsgn pos="2:8">
          <node text="x" pos="2:9"/>
        </dsgn>
      </expr>
      <caseselector pos="3:5">
        <set pos="3:5">
          <expr pos="3:5" pos1="3:6">
            <number text="1" pos="3:6"/>
          </expr>
          <expr pos="3:8" pos1="3:9">
            <number text="3" pos="3:9"/>
          </expr>
          <range text="." pos="3:11"/>
          <expr pos="3:11" pos1="3:12">
            <number text="5" pos="3:12"/>
          </expr>
        </set>
        <callstmt pos="3:14">
          <dsgn pos="3:14">
            <node text="a" pos="3:15"/>
          </dsgn>
        </callstmt>
      </caseselector>
      <caseselector pos="4:5">
        <set pos="4:5">
          <expr pos="4:5" pos1="4:6">
            <number text="7" pos="4:6"/>
          </expr>
        </set>
        <empty pos="4:8"/>
      </caseselector>
      <compoundstmt pos="6:5">
        <callstmt pos="6:5">
          <dsgn pos="6:5">
            <node text="b" pos="6:6"/>
          </dsgn>
        </callstmt>
      </compoundstmt>
    </casestmt>
  </compoundstmt>
)IL"},
    {"While", "begin while i < 10 do i := i + 1 end.",
     R"IL(  <compoundstmt pos="1:1">
    <whilestmt pos="1:7">
      <expr pos="1:13" pos1="1:19">
        <dsgn pos="1:13">
          <node text="i" pos="1:14"/>
        </dsgn>
        <op text="&#60;" pos="1:16"/>
        <number text="10" pos="1:19"/>
      </expr>
      <assignstmt pos="1:23">
        <dsgn pos="1:23">
          <node text="i" pos="1:24"/>
        </dsgn>
        <expr pos="1:28" pos1="1:33">
          <dsgn pos="1:28">
            <node text="i" pos="1:29"/>
          </dsgn>
          <op text="+" pos="1:31"/>
          <number text="1" pos="1:33"/>
        </expr>
      </assignstmt>
    </whilestmt>
  </compoundstmt>
)IL"},
    {"Repeat", "begin repeat a; b until c end.",
     R"IL(  <compoundstmt pos="1:1">
    <repeatstmt pos="1:7">
      <callstmt pos="1:14">
        <dsgn pos="1:14">
          <node text="a" pos="1:15"/>
        </dsgn>
      </callstmt>
      <callstmt pos="1:17">
        <dsgn pos="1:17">
          <node text="b" pos="1:18"/>
        </dsgn>
      </callstmt>
      <expr pos="1:25" pos1="1:26">
        <dsgn pos="1:25">
          <node text="c" pos="1:26"/>
        </dsgn>
      </expr>
    </repeatstmt>
  </compoundstmt>
)IL"},
    {"ForDownto", "begin for i := 10 downto 1 do a end.",
     R"IL(  <compoundstmt pos="1:1">
    <forstmt pos="1:7">
      <ident text="i" pos="1:12"/>
      <expr pos="1:16" pos1="1:18">
        <number text="10" pos="1:18"/>
      </expr>
      <downto text="downto" pos="1:25"/>
      <expr pos="1:26" pos1="1:27">
        <number text="1" pos="1:27"/>
      </expr>
      <callstmt pos="1:31">
        <dsgn pos="1:31">
          <node text="a" pos="1:32"/>
        </dsgn>
      </callstmt>
    </forstmt>
  </compoundstmt>
)IL"},
    {"ForToEmptyBody", "begin for i := 1 to 3 do ; end.",
     R"IL(  <compoundstmt pos="1:1">
    <forstmt pos="1:7">
      <ident text="i" pos="1:12"/>
      <expr pos="1:16" pos1="1:17">
        <number text="1" pos="1:17"/>
      </expr>
      <expr pos="1:21" pos1="1:22">
        <number text="3" pos="1:22"/>
      </expr>
    </forstmt>
  </compoundstmt>
)IL"},
    {"TryFinallyAndExcept",
     "begin\n"
     "  try\n"
     "    a\n"
     "  finally\n"
     "    b\n"
     "  end;\n"
     "  try\n"
     "  except\n"
     "    c\n"
     "  end\n"
     "end.",
     R"IL(  <compoundstmt pos="1:1">
    <trystmt pos="2:3">
      <callstmt pos="3:5">
        <dsgn pos="3:5">
          <node text="a" pos="3:6"/>
        </dsgn>
      </callstmt>
      <finallystmt pos="5:5">
        <callstmt pos="5:5">
          <dsgn pos="5:5">
            <node text="b" pos="5:6"/>
          </dsgn>
        </callstmt>
      </finallystmt>
    </trystmt>
    <trystmt pos="7:3">
      <exceptstmt pos="9:5">
        <callstmt pos="9:5">
          <dsgn pos="9:5">
            <node text="c" pos="9:6"/>
          </dsgn>
        </callstmt>
      </exceptstmt>
    </trystmt>
  </compoundstmt>
)IL"},
    {"Jumps", "begin break; continue; exit end.",
     R"IL(  <compoundstmt pos="1:1">
    <break pos="1:7"/>
    <continue pos="1:14"/>
    <exit pos="1:24"/>
  </compoundstmt>
)IL"},
    {"With", "begin with a, b.c do d := 1 end.",
     R"IL(  <compoundstmt pos="1:1">
    <with pos="1:7">
      <dsgn pos="1:12">
        <node text="a" pos="1:13"/>
      </dsgn>
      <dsgn pos="1:15">
        <node text="b" pos="1:16"/>
        <node text="c" pos="1:18"/>
      </dsgn>
      <assignstmt pos="1:22">
        <dsgn pos="1:22">
          <node text="d" pos="1:23"/>
        </dsgn>
        <expr pos="1:27" pos1="1:28">
          <number text="1" pos="1:28"/>
        </expr>
      </assignstmt>
    </with>
  </compoundstmt>
)IL"},
    {"AddressOf", "begin a := @P end.",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="a" pos="1:8"/>
      </dsgn>
      <expr pos="1:12" pos1="1:14">
        <dsgn pos="1:12">
          <addr text="@" pos="1:13"/>
          <node text="P" pos="1:14"/>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"ArithmeticOperators", "begin x := -a + b - c * d / e end.",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="x" pos="1:8"/>
      </dsgn>
      <expr pos="1:12" pos1="1:30">
        <op text="unminus" pos="1:13"/>
        <dsgn pos="1:13">
          <node text="a" pos="1:14"/>
        </dsgn>
        <op text="+" pos="1:16"/>
        <dsgn pos="1:17">
          <node text="b" pos="1:18"/>
        </dsgn>
        <op text="-" pos="1:20"/>
        <dsgn pos="1:21">
          <node text="c" pos="1:22"/>
        </dsgn>
        <op text="*" pos="1:24"/>
        <dsgn pos="1:25">
          <node text="d" pos="1:26"/>
        </dsgn>
        <op text="/" pos="1:28"/>
        <dsgn pos="1:29">
          <node text="e" pos="1:30"/>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"WordOperators", "begin x := a div b mod c and d shl e shr f end.",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="x" pos="1:8"/>
      </dsgn>
      <expr pos="1:12" pos1="1:43">
        <dsgn pos="1:12">
          <node text="a" pos="1:13"/>
        </dsgn>
        <op text="div" pos="1:17"/>
        <dsgn pos="1:18">
          <node text="b" pos="1:19"/>
        </dsgn>
        <op text="mod" pos="1:23"/>
        <dsgn pos="1:24">
          <node text="c" pos="1:25"/>
        </dsgn>
        <op text="and" pos="1:29"/>
        <dsgn pos="1:30">
          <node text="d" pos="1:31"/>
        </dsgn>
        <op text="shl" pos="1:35"/>
        <dsgn pos="1:36">
          <node text="e" pos="1:37"/>
        </dsgn>
        <op text="shr" pos="1:41"/>
        <dsgn pos="1:42">
          <node text="f" pos="1:43"/>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"LogicalOperators", "begin x := not a or b xor c end.",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="x" pos="1:8"/>
      </dsgn>
      <expr pos="1:12" pos1="1:28">
        <op text="not" pos="1:15"/>
        <dsgn pos="1:16">
          <node text="a" pos="1:17"/>
        </dsgn>
        <op text="or" pos="1:20"/>
        <dsgn pos="1:21">
          <node text="b" pos="1:22"/>
        </dsgn>
        <op text="xor" pos="1:26"/>
        <dsgn pos="1:27">
          <node text="c" pos="1:28"/>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"RelationalOperators", "begin x := a = b <> c < d > e <= f >= g in h is k end.",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="x" pos="1:8"/>
      </dsgn>
      <expr pos="1:12" pos1="1:50">
        <dsgn pos="1:12">
          <node text="a" pos="1:13"/>
        </dsgn>
        <op text="=" pos="1:15"/>
        <dsgn pos="1:16">
          <node text="b" pos="1:17"/>
        </dsgn>
        <op text="&#60;&#62;" pos="1:20"/>
        <dsgn pos="1:21">
          <node text="c" pos="1:22"/>
        </dsgn>
        <op text="&#60;" pos="1:24"/>
        <dsgn pos="1:25">
          <node text="d" pos="1:26"/>
        </dsgn>
        <op text="&#62;" pos="1:28"/>
        <dsgn pos="1:29">
          <node text="e" pos="1:30"/>
        </dsgn>
        <op text="&#60;=" pos="1:33"/>
        <dsgn pos="1:34">
          <node text="f" pos="1:35"/>
        </dsgn>
        <op text="&#62;=" pos="1:38"/>
        <dsgn pos="1:39">
          <node text="g" pos="1:40"/>
        </dsgn>
        <op text="in" pos="1:43"/>
        <dsgn pos="1:44">
          <node text="h" pos="1:45"/>
        </dsgn>
        <op text="is" pos="1:48"/>
        <dsgn pos="1:49">
          <node text="k" pos="1:50"/>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"ParenthesesAndSet", "begin x := (a + 1) * 2 in [1, 3..5] end.",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="x" pos="1:8"/>
      </dsgn>
      <expr pos="1:12" pos1="1:36">
        <op text="(" pos="1:13"/>
        <expr pos="1:13" pos1="1:18">
          <dsgn pos="1:13">
            <node text="a" pos="1:14"/>
          </dsgn>
          <op text="+" pos="1:16"/>
          <number text="1" pos="1:18"/>
        </expr>
        <op text=")" pos="1:19"/>
        <op text="*" pos="1:21"/>
        <number text="2" pos="1:23"/>
        <op text="in" pos="1:26"/>
        <set pos="1:27">
          <expr pos="1:28" pos1="1:29">
            <number text="1" pos="1:29"/>
          </expr>
          <expr pos="1:31" pos1="1:32">
            <number text="3" pos="1:32"/>
          </expr>
          <range text="." pos="1:34"/>
          <expr pos="1:34" pos1="1:35">
            <number text="5" pos="1:35"/>
          </expr>
        </set>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"EmptySet", "begin x := [] end.",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="x" pos="1:8"/>
      </dsgn>
      <expr pos="1:12" pos1="1:14">
        <set pos="1:12"/>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"HexNumberAndString", "begin x := $1F + 'It''s' end.",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="x" pos="1:8"/>
      </dsgn>
      <expr pos="1:12" pos1="1:25">
        <number text="$1F" pos="1:15"/>
        <op text="+" pos="1:17"/>
        <string text="'It's'" pos="1:25"/>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"ReportExpression", "begin x := <Data.\"Name\"> end.",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="x" pos="1:8"/>
      </dsgn>
      <expr pos="1:12" pos1="1:25">
        <dsgn pos="1:24">
          <node text="Get" pos="1:24"/>
          <expr pos="1:24">
            <string text="'Data.&#34;Name&#34;'" pos="1:24"/>
          </expr>
        </dsgn>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"EmptyStatements", "begin ; a;; b end.",
     R"IL(  <compoundstmt pos="1:1">
    <callstmt pos="1:9">
      <dsgn pos="1:9">
        <node text="a" pos="1:10"/>
      </dsgn>
    </callstmt>
    <callstmt pos="1:13">
      <dsgn pos="1:13">
        <node text="b" pos="1:14"/>
      </dsgn>
    </callstmt>
  </compoundstmt>
)IL"},
    {"CaseElseWithSeveralStatements", "begin case x of 1: a; else b; c; end end.",
     R"IL(  <compoundstmt pos="1:1">
    <casestmt pos="1:7">
      <expr pos="1:12" pos1="1:13">
        <dsgn pos="1:12">
          <node text="x" pos="1:13"/>
        </dsgn>
      </expr>
      <caseselector pos="1:17">
        <set pos="1:17">
          <expr pos="1:17" pos1="1:18">
            <number text="1" pos="1:18"/>
          </expr>
        </set>
        <callstmt pos="1:20">
          <dsgn pos="1:20">
            <node text="a" pos="1:21"/>
          </dsgn>
        </callstmt>
      </caseselector>
      <compoundstmt pos="1:28">
        <callstmt pos="1:28">
          <dsgn pos="1:28">
            <node text="b" pos="1:29"/>
          </dsgn>
        </callstmt>
        <callstmt pos="1:31">
          <dsgn pos="1:31">
            <node text="c" pos="1:32"/>
          </dsgn>
        </callstmt>
      </compoundstmt>
    </casestmt>
  </compoundstmt>
)IL"},
    {"WithEmptyBody", "begin with a do ; end.",
     R"IL(  <compoundstmt pos="1:1">
    <with pos="1:7">
      <dsgn pos="1:12">
        <node text="a" pos="1:13"/>
      </dsgn>
      <empty pos="1:17"/>
    </with>
  </compoundstmt>
)IL"},
    {"SetRangeOfNames", "begin x := [a..b, c] end.",
     R"IL(  <compoundstmt pos="1:1">
    <assignstmt pos="1:7">
      <dsgn pos="1:7">
        <node text="x" pos="1:8"/>
      </dsgn>
      <expr pos="1:12" pos1="1:21">
        <set pos="1:12">
          <expr pos="1:13" pos1="1:14">
            <dsgn pos="1:13">
              <node text="a" pos="1:14"/>
            </dsgn>
          </expr>
          <range text="." pos="1:16"/>
          <expr pos="1:16" pos1="1:17">
            <dsgn pos="1:16">
              <node text="b" pos="1:17"/>
            </dsgn>
          </expr>
          <expr pos="1:19" pos1="1:20">
            <dsgn pos="1:19">
              <node text="c" pos="1:20"/>
            </dsgn>
          </expr>
        </set>
      </expr>
    </assignstmt>
  </compoundstmt>
)IL"},
    {"EmptyParameterList", "procedure P(); begin end; begin end.",
     R"IL(  <procedure pos="1:1">
    <name text="P" pos="1:12"/>
    <parameters pos="1:12"/>
    <compoundstmt pos="1:16"/>
  </procedure>
  <compoundstmt pos="1:27"/>
)IL"},
    {"ConstAndDefaultParameters",
     "procedure P(const a: Integer; b: Integer = 3); begin end; begin end.",
     R"IL(  <procedure pos="1:1">
    <name text="P" pos="1:12"/>
    <parameters pos="1:12">
      <var pos="1:19">
        <ident text="a" pos="1:20"/>
        <type text="Integer" pos="1:29"/>
      </var>
      <var pos="1:31">
        <ident text="b" pos="1:32"/>
        <type text="Integer" pos="1:41"/>
        <init pos="1:44">
          <expr pos="1:44" pos1="1:45">
            <number text="3" pos="1:45"/>
          </expr>
        </init>
      </var>
    </parameters>
    <compoundstmt pos="1:48"/>
  </procedure>
  <compoundstmt pos="1:59"/>
)IL"},
};

// Rows print as their names in failure reports.
void PrintTo(const ILCase &c, std::ostream *os)
{
    *os << c.name;
}

class PascalIL : public ::testing::TestWithParam<ILCase>
{
};

TEST_P(PascalIL, ProducesGoldenIL)
{
    const ILCase &c = GetParam();
    EXPECT_EQ(kyILText(kPascal, QString::fromUtf8(c.source)).toStdString(), programIL(c.body).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Constructs, PascalIL, ::testing::ValuesIn(kILCases),
                         [](const ::testing::TestParamInfo<ILCase> &row) {
                             return std::string(row.param.name);
                         });

// Units come from the script's unit handler; the clause inserts them last to first.
TEST(PascalUnits, UsesClauseInsertsUnitsInReverseOrder)
{
    const QHash<QString, QString> units{
        {QStringLiteral("u1.pas"), QStringLiteral("begin end.")},
        {QStringLiteral("u2.pas"), QStringLiteral("begin b end.")},
    };
    TkyScript script;
    script.SetOnGetUnit([&units](TkyScript &, const QString &name) { return units.value(name); });
    const QString il = kyILText(kPascal, QStringLiteral("uses 'u1.pas', 'u2.pas'; begin end."), &script);
    EXPECT_EQ(il, programIL(R"IL(  <uses unit="u2.pas">
    <program>
      <compoundstmt pos="1:1">
        <callstmt pos="1:7">
          <dsgn pos="1:7">
            <node text="b" pos="1:8"/>
          </dsgn>
        </callstmt>
      </compoundstmt>
      <types/>
    </program>
  </uses>
  <uses unit="u1.pas">
    <program>
      <compoundstmt pos="1:1"/>
      <types/>
    </program>
  </uses>
  <compoundstmt pos="1:26"/>
)IL"));
}

TEST(PascalUnits, SyntaxErrorInsideUnitNamesTheUnit)
{
    TkyScript script;
    script.SetOnGetUnit([](TkyScript &, const QString &) { return QStringLiteral("begin x := end."); });
    EXPECT_EQ(kyILText(kPascal, QStringLiteral("uses 'bad.pas'; begin end."), &script),
              QStringLiteral("error at 1:12: Expression expected in unit bad.pas"));
}

struct ErrorCase
{
    const char *name;
    const char *source;
    const char *error; // "error at L:C: message"
};

const ErrorCase kErrorCases[] = {
    // Identifier expected
    {"VarWithoutName", "var 1: Integer; begin end.", "error at 1:5: Identifier expected"},
    {"ConstWithoutName", "const = 1; begin end.", "error at 1:7: Identifier expected"},
    {"SecondNameMissing", "var a, : Integer; begin end.", "error at 1:8: Identifier expected"},
    {"TypeMissing", "var a: ; begin end.", "error at 1:8: Identifier expected"},
    {"ProcedureWithoutName", "procedure ; begin end; begin end.", "error at 1:11: Identifier expected"},
    {"ParameterWithoutName", "procedure P(1: Integer); begin end; begin end.",
     "error at 1:13: Identifier expected"},
    {"ParameterAfterSeparatorMissing", "procedure P(a: Integer; begin end; begin end.",
     "error at 1:25: Identifier expected"},
    {"ForWithoutVariable", "begin for := 1 to 2 do end.", "error at 1:11: Identifier expected"},
    {"WithWithoutObject", "begin with do a end.", "error at 1:12: Identifier expected"},
    // Expression expected
    {"AssignmentWithoutValue", "begin a := ; end.", "error at 1:12: Expression expected"},
    {"OperandMissing", "begin a := 1 + ; end.", "error at 1:16: Expression expected"},
    {"ArgumentMissing", "begin P(1, ) end.", "error at 1:12: Expression expected"},
    {"IfWithoutCondition", "begin if then a end.", "error at 1:10: Expression expected"},
    {"CaseWithoutSelector", "begin case a of : b end end.", "error at 1:17: Expression expected"},
    {"SetElementMissing", "begin a := [1, ] end.", "error at 1:16: Expression expected"},
    // ':' expected
    {"VarWithoutColon", "var a Integer; begin end.", "error at 1:7: ':' expected"},
    {"FunctionWithoutResultType", "function F; begin end; begin end.", "error at 1:11: ':' expected"},
    {"CaseSelectorWithoutColon", "begin case a of 1 b end end.", "error at 1:19: ':' expected"},
    // ';' expected
    {"MissingSeparator", "begin a := 1 b := 2 end.", "error at 1:14: ';' expected"},
    {"MissingEndOfBlock", "begin a := 1;\nb", "error at 3:1: ';' expected"},
    {"VarWithoutSemicolon", "var a: Integer begin end.", "error at 1:16: ';' expected"},
    {"ProgramHeaderWithoutSemicolon", "program P begin end.", "error at 1:11: ';' expected"},
    {"ProcedureBodyWithoutSemicolon", "procedure P; begin end begin end.", "error at 1:24: ';' expected"},
    // '.' expected
    {"FinalDotMissing", "begin end;", "error at 1:10: '.' expected"},
    {"TextInsteadOfFinalDot", "begin end x", "error at 1:11: '.' expected"},
    // a unit clause without a unit name
    {"UsesWithoutName", "uses ; begin end.", "error at 1:6: Expression expected"},
    // ')' expected
    {"CallNotClosed", "begin P(1; end.", "error at 1:10: ')' expected"},
    {"ParenthesisNotClosed", "begin a := (1 + 2; end.", "error at 1:18: ')' expected"},
    {"ParametersNotClosed", "procedure P(a: Integer begin end; begin end.", "error at 1:24: ')' expected"},
    // ']' expected
    {"IndexNotClosed", "begin a[1 := 2 end.", "error at 1:11: ']' expected"},
    {"SetNotClosed", "begin a := [1 end.", "error at 1:15: ']' expected"},
    // '=' expected
    {"ConstWithoutEquals", "const a := 1; begin end.", "error at 1:9: '=' expected"},
    {"ForWithoutAssignment", "begin for i : 1 to 2 do end.", "error at 1:15: '=' expected"},
    // 'BEGIN' expected
    {"StatementOutsideBlock", "x := 1; end.", "error at 1:1: 'BEGIN' expected"},
    {"EmptyText", "", "error at 1:1: 'BEGIN' expected"},
    {"ProcedureWithoutBody", "procedure P; a; begin end;", "error at 1:14: 'BEGIN' expected"},
    // 'END' expected
    {"CaseNotClosed", "begin case a of 1: b c end.", "error at 1:22: 'END' expected"},
    {"TryNotClosed", "begin try a finally b c end.", "error at 1:23: 'END' expected"},
    // 'OF' expected
    {"CaseWithoutOf", "begin case a 1: b end end.", "error at 1:14: 'OF' expected"},
    {"ArrayWithoutOf", "var a: array[2] Integer; begin end.", "error at 1:17: 'OF' expected"},
    // 'THEN' expected
    {"IfWithoutThen", "begin if a b end.", "error at 1:12: 'THEN' expected"},
    // 'UNTIL' expected
    {"RepeatWithoutUntil", "begin repeat a end.", "error at 1:16: 'UNTIL' expected"},
    // 'TO' or 'DOWNTO' expected
    {"ForWithoutDirection", "begin for i := 1 up 3 do end.", "error at 1:18: 'TO' or 'DOWNTO' expected"},
    // 'DO' expected
    {"WhileWithoutDo", "begin while a b end.", "error at 1:15: 'DO' expected"},
    {"ForWithoutDo", "begin for i := 1 to 3 a end.", "error at 1:23: 'DO' expected"},
    {"WithWithoutDo", "begin with a b end.", "error at 1:14: 'DO' expected"},
    // 'FINALLY' or 'EXCEPT' expected
    {"TryWithoutHandler", "begin try a end.", "error at 1:13: 'FINALLY' or 'EXCEPT' expected"},
    // '..' expected
    {"HalfRangeInDimension", "var a: array[0.] of Integer; begin end.", "error at 1:16: '..' expected"},
    {"HalfRangeInSet", "begin a := [1. 2] end.", "error at 1:16: '..' expected"},
    // '>' expected
    {"ReportExpressionNotClosed", "begin x := <a end.", "error at 2:1: '>' expected"},
    // positions on later lines
    {"ErrorOnThirdLine", "begin\n  a := 1;\n  if a b\nend.", "error at 3:8: 'THEN' expected"},
};

void PrintTo(const ErrorCase &c, std::ostream *os)
{
    *os << c.name;
}

class PascalErrors : public ::testing::TestWithParam<ErrorCase>
{
};

TEST_P(PascalErrors, ReportsMessageAtPosition)
{
    const ErrorCase &c = GetParam();
    EXPECT_EQ(kyILText(kPascal, QString::fromUtf8(c.source)).toStdString(), std::string(c.error));
}

INSTANTIATE_TEST_SUITE_P(Syntax, PascalErrors, ::testing::ValuesIn(kErrorCases),
                         [](const ::testing::TestParamInfo<ErrorCase> &row) {
                             return std::string(row.param.name);
                         });

// Programs whose every proper prefix must fail with a located message (the final "end."
// is required) while the whole text compiles.
const char *const kWholePrograms[] = {
    "program Demo;\n"
    "uses 'unit1.pas';\n"
    "const Max = $10;\n"
    "var i, n: Integer; s: String = 'a''b';\n"
    "    m: array[0..2, 3] of Variant;\n"
    "procedure Inc2(var x: Integer; y: Integer);\n"
    "begin\n"
    "  x := x + y * 2\n"
    "end;\n"
    "function Twice(v: Integer): Integer;\n"
    "  var t: Integer;\n"
    "begin\n"
    "  t := v shl 1; Result := t\n"
    "end;\n"
    "begin\n"
    "  n := 0;\n"
    "  for i := 1 to Max do\n"
    "    if (i mod 2 = 0) and not (i in [3, 5..7]) then Inc2(n, i) else n := n - 1;\n"
    "  case n of 1, 2..3: s := 'x'; 4: ; else s := <Data.\"Name\"> end;\n"
    "end.",
    "var p: Variant;\n"
    "begin\n"
    "  p := @Foo;\n"
    "  while p <> nil do begin p := p.Next; if p = 0 then break else continue end;\n"
    "  repeat p := p[1, 2] until p >= 1;\n"
    "  try\n"
    "    with a.b, c do d(e)\n"
    "  except\n"
    "    exit\n"
    "  end;\n"
    "  try a finally b end\n"
    "end.",
    "{ header comment }\n"
    "PROGRAM Third;\n"
    "CONST Limit = 3; Name = 'n';\n"
    "FUNCTION Outer(a, b: Integer): Integer;\n"
    "  PROCEDURE Inner(VAR r: Integer);\n"
    "  BEGIN\n"
    "    r := r * 2 (* doubled *)\n"
    "  END;\n"
    "BEGIN\n"
    "  Result := a; Inner(Result); Result := Result + b\n"
    "END;\n"
    "VAR v: Variant;\n"
    "BEGIN\n"
    "  v := <Sum(<Data.\"X\">, \"x>y\")>;\n"
    "  REPEAT v := v - 1 UNTIL (v <= 0) OR (v IS TObject);\n"
    "  IF v >= $FF THEN EXIT\n"
    "END.",
};

TEST(PascalPrefixes, EveryTruncationFailsWithALocatedMessage)
{
    TkyScript script;
    script.SetOnGetUnit([](TkyScript &, const QString &) { return QStringLiteral("begin end."); });
    const QRegularExpression located(QStringLiteral("^error at (\\d+):(\\d+): \\S.*$"));
    for (const char *program : kWholePrograms) {
        const QString text = QString::fromUtf8(program);
        const QString whole = kyILText(kPascal, text, &script);
        EXPECT_TRUE(whole.startsWith(QStringLiteral("<program>\n"))) << whole.toStdString();
        for (qsizetype n = 0; n < text.size(); ++n) {
            const QString prefix = text.left(n);
            const QString result = kyILText(kPascal, prefix, &script);
            const QRegularExpressionMatch m = located.match(result);
            ASSERT_TRUE(m.hasMatch()) << "prefix of " << n << " characters gave: " << result.toStdString();
            // The position is inside the prefix or on the line after its last line end.
            EXPECT_LE(m.captured(1).toInt(), prefix.count(u'\n') + 2) << prefix.toStdString();
            EXPECT_GE(m.captured(2).toInt(), 1) << prefix.toStdString();
        }
    }
}

// Nesting far deeper than any real script fails with a message instead of exhausting the
// native stack; moderate nesting still compiles.
TEST(PascalNesting, DeepParenthesesFailCleanly)
{
    const auto nested = [](int depth) {
        return QStringLiteral("begin a := ") + QString(depth, u'(') + u'1' + QString(depth, u')')
            + QStringLiteral(" end.");
    };
    EXPECT_TRUE(kyILText(kPascal, nested(100)).startsWith(QStringLiteral("<program>\n")));
    EXPECT_TRUE(kyILText(kPascal, nested(5000)).startsWith(QStringLiteral("error at 1:")));
}

} // namespace
