// Whole programs in the four script languages, compiled and run through TkyScript: each
// case is a source text and what it shows (one line per ShowMessage), or its compile or
// run-time error. Then the host-facing calls: CallFunction, Evaluate, Terminate from the
// run-line hook, the statement limit, the call-depth limit and run-line notifications.

#include "kyScriptTestSupport.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavVariant.h>
#include <script/ky_classes.h>
#include <script/ky_script.h>

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>
#include <ostream>
#include <string>

using namespace Qt::StringLiterals;

namespace {

enum class Lang { Pascal, Cpp, Basic, JS };

QString languageName(Lang lang)
{
    switch (lang) {
    case Lang::Pascal:
        return u"PascalScript"_s;
    case Lang::Cpp:
        return u"C++Script"_s;
    case Lang::Basic:
        return u"BasicScript"_s;
    case Lang::JS:
        return u"JScript"_s;
    }
    return QString();
}

// The length of a string, or of the first dimension of an array.
Variant lengthOf(const Variant &v)
{
    if (v.IsArray())
        return int(VarArrayHighBound(v, 1) - VarArrayLowBound(v, 1) + 1);
    return int(VarToStr(v).size());
}

// A script with the small host every program here relies on: the standard types, the
// constants True, False and Null, the exception variables, and the native routines
// ShowMessage (records its argument's text), IntToStr, Length and RaiseException.
class ProgramHost
{
public:
    explicit ProgramHost(Lang lang)
    {
        kyEnsureBuiltinLanguages();
        kyAddStandardTypes(script);
        script.AddConst(u"True"_s, u"Boolean"_s, Variant(true));
        script.AddConst(u"False"_s, u"Boolean"_s, Variant(false));
        script.AddConst(u"Null"_s, u"Variant"_s, Variant::Null());
        script.AddVariable(u"ExceptionClassName"_s, u"String"_s, QString());
        script.AddVariable(u"ExceptionMessage"_s, u"String"_s, QString());
        native(u"procedure ShowMessage(Msg: Variant)"_s, [this](TkyMethodHelper &call) {
            output << VarToStr(call.GetVParam(0));
            return Variant();
        });
        native(u"function IntToStr(i: Int64): String"_s, [](TkyMethodHelper &call) {
            return Variant(QString::number(call.GetVParam(0).AsInt64()));
        });
        native(u"function Length(s: Variant): Integer"_s,
               [](TkyMethodHelper &call) { return lengthOf(call.GetVParam(0)); });
        native(u"procedure RaiseException(Msg: String)"_s, [](TkyMethodHelper &call) -> Variant {
            throw Exception(call.GetVParam(0).AsString());
        });
        script.SetSyntaxType(languageName(lang));
    }
    ProgramHost(const ProgramHost &) = delete;
    ProgramHost &operator=(const ProgramHost &) = delete;

    // Registers a native routine whose handler sees only its call.
    void native(const QString &declaration, std::function<Variant(TkyMethodHelper &)> fn)
    {
        script.AddMethod(declaration,
                         TkyCallMethodNewEvent(
                             [fn](TObject *, const TkavClassInfo *, const QString &,
                                  TkyMethodHelper &call) { return fn(call); }));
    }

    // Compiles source (a single leading line end is dropped, so raw strings may start on
    // the next line); "" on success, else "compile error at <pos>: <message>".
    QString compile(QString source)
    {
        if (source.startsWith(u'\n'))
            source.remove(0, 1);
        script.Lines().SetText(kyScriptLinesText(source));
        if (script.Compile())
            return QString();
        return u"compile error at %1: %2"_s.arg(script.ErrorPos(), script.ErrorMsg());
    }

    // Executes the compiled program; a run-time error becomes the last output line.
    void execute()
    {
        try {
            script.Execute();
        } catch (const Exception &e) {
            output << u"runtime error: "_s + e.Message();
        }
    }

    // Compile and run; the output lines joined with "\n", or the compile error.
    QString run(const QString &source)
    {
        const QString error = compile(source);
        if (!error.isEmpty())
            return error;
        execute();
        return output.join(u'\n');
    }

    TkyScript script;
    QStringList output;
};

// An expected "compile error at ?: message" leaves the position unchecked, where the
// position is the translator's choice between a statement's start and its last item. An
// expected text ending in "*" checks only what comes before it (a message the engine's
// author picks, such as the one for a string index out of range).
QString maskExpected(const QString &actual, const QString &expected)
{
    if (expected.endsWith(u'*'))
        return actual.startsWith(expected.chopped(1)) ? expected : actual;
    const QString prefix = u"compile error at "_s;
    if (!expected.startsWith(prefix + u"?: "_s) || !actual.startsWith(prefix))
        return actual;
    const qsizetype end = actual.indexOf(u": "_s, prefix.size());
    return end < 0 ? actual : prefix + u'?' + actual.mid(end);
}

struct ProgramCase
{
    const char *name;
    Lang lang;
    const char *source;
    const char *expected;
};

void PrintTo(const ProgramCase &c, std::ostream *os)
{
    *os << c.name;
}

// --- PascalScript ------------------------------------------------------------------------

const ProgramCase kPascalCases[] = {
    // Expressions
    {"Precedence", Lang::Pascal, R"ky(
begin
  ShowMessage(2 + 3 * 4);
  ShowMessage((2 + 3) * 4);
  ShowMessage(10 - 4 - 3);
  ShowMessage(-2 * 3);
  ShowMessage(2 * (3 + 4) * 5);
  ShowMessage(-(2 + 3));
end.
)ky", "14\n20\n3\n-6\n70\n-5"},
    {"DivisionKinds", Lang::Pascal, R"ky(
begin
  ShowMessage(7 / 2);
  ShowMessage(7 div 2);
  ShowMessage(7 mod 2);
  ShowMessage(-7 div 2);
  ShowMessage(-7 mod 2);
  ShowMessage(6 / 3);
  ShowMessage(1 / 4);
end.
)ky", "3.5\n3\n1\n-3\n-1\n2\n0.25"},
    {"BitOperators", Lang::Pascal, R"ky(
begin
  ShowMessage(1 shl 4);
  ShowMessage(256 shr 2);
  ShowMessage(5 xor 3);
  ShowMessage(6 and 3);
  ShowMessage(6 or 3);
  ShowMessage(not 0);
end.
)ky", "16\n64\n6\n2\n7\n-1"},
    {"NumberLiteralsAndFormatting", Lang::Pascal, R"ky(
begin
  ShowMessage(0.1 + 0.2);
  ShowMessage(2.5 * 2);
  ShowMessage(1.5e3);
  ShowMessage(1 / 3);
  ShowMessage($1F + 1);
  ShowMessage(2147483647 + 1);
end.
)ky", "0.3\n5\n1500\n0.333333333333333\n32\n2147483648"},
    {"IntegerOverflowOnStore", Lang::Pascal, R"ky(
var i: Integer; b: Int64;
begin
  b := 2147483647;
  b := b + 1;
  ShowMessage(b);
  i := 2147483647;
  i := i + 1;
  ShowMessage('not reached');
end.
)ky", "2147483648\nruntime error: Overflow while converting variant of type (Int64) into type (Integer)"},
    {"AssignmentRoundsHalfToEven", Lang::Pascal, R"ky(
var i: Integer; v: Variant;
begin
  v := 3.7; i := v; ShowMessage(i);
  v := 2.5; i := v; ShowMessage(i);
  v := 3.5; i := v; ShowMessage(i);
  v := 'abc'; i := v;
  ShowMessage('not reached');
end.
)ky", "4\n2\n4\nruntime error: Could not convert variant of type (String) into type (Integer)"},
    {"StringConcatenationAndIndexing", Lang::Pascal, R"ky(
var s, t: String;
begin
  s := 'abc';
  t := s + 'def';
  ShowMessage(t);
  ShowMessage(s[1]);
  ShowMessage(s[3]);
  s[2] := 'X';
  ShowMessage(s);
  ShowMessage(Length(t));
  ShowMessage('It''s');
end.
)ky", "abcdef\na\nc\naXc\n6\nIt's"},
    {"StringAppendKeepsOrder", Lang::Pascal, R"ky(
var s, t: String;
begin
  s := 'b';
  t := 'a';
  s := t + s;
  ShowMessage(s);
  s := s + 'c';
  ShowMessage(s);
end.
)ky", "ab\nabc"},
    // A chain of joins onto the target appends in place; the operands still see the old
    // text and numbers inside the chain still add.
    {"StringJoinChainOntoTarget", Lang::Pascal, R"ky(
var s: String; i: Integer;
begin
  s := '';
  for i := 1 to 3 do
    s := s + IntToStr(i) + ';';
  ShowMessage(s);
  s := s + s + '|';
  ShowMessage(s);
  s := s + IntToStr(1 + 2) + 'x';
  ShowMessage(s);
end.
)ky", "1;2;3;\n1;2;3;1;2;3;|\n1;2;3;1;2;3;|3x"},
    {"StringComparison", Lang::Pascal, R"ky(
begin
  ShowMessage('abc' < 'abd');
  ShowMessage('a' = 'a');
  ShowMessage('B' < 'a');
  ShowMessage('abc' = 'ABC');
end.
)ky", "True\nTrue\nTrue\nFalse"},
    {"CharVariable", Lang::Pascal, R"ky(
var c: Char;
begin
  c := 'x';
  ShowMessage(c + 'y');
end.
)ky", "xy"},
    {"VariantOperands", Lang::Pascal, R"ky(
var v, w: Variant;
begin
  v := '5';
  w := 2;
  ShowMessage(v + w);
  ShowMessage(v * w);
  v := 'a';
  ShowMessage(v + 'b');
  v := Null;
  ShowMessage(v + 1);
  ShowMessage('end');
end.
)ky", "7\n10\nab\n\nend"},
    {"BooleanShortCircuit", Lang::Pascal, R"ky(
var f, t: Boolean;
function G: Boolean;
begin
  ShowMessage('called');
  Result := True;
end;
begin
  f := False;
  t := True;
  if f and G then ShowMessage('x');
  if t or G then ShowMessage('y');
  if t and G then ShowMessage('z');
  ShowMessage(1 and 3);
end.
)ky", "y\ncalled\nz\n1"},
    {"BooleanValues", Lang::Pascal, R"ky(
var b: Boolean;
begin
  b := 1 < 2;
  ShowMessage(b);
  ShowMessage(not b);
  ShowMessage(b and (3 > 4));
  ShowMessage(b xor True);
end.
)ky", "True\nFalse\nFalse\nFalse"},
    {"ComparisonsBindLoosest", Lang::Pascal, R"ky(
var a, b: Integer;
begin
  if a = 1 and b = 2 then ShowMessage('x');
end.
)ky", "compile error at 3:19: Incompatible types"},
    {"ParenthesisedComparisons", Lang::Pascal, R"ky(
var a, b: Integer;
begin
  a := 1;
  b := 2;
  if (a = 1) and (b = 2) then ShowMessage('yes');
  if (a = 2) or (b = 3) then ShowMessage('no');
end.
)ky", "yes"},
    {"SetsAndIn", Lang::Pascal, R"ky(
var x: Integer;
begin
  x := 4;
  if x in [1, 3..5] then ShowMessage('in');
  x := 2;
  if x in [1, 3..5] then ShowMessage('in2');
  if not (x in [1, 3..5]) then ShowMessage('out');
  if 'b' in ['a'..'c'] then ShowMessage('chr');
  ShowMessage(7 in [1..5, 7]);
end.
)ky", "in\nout\nchr\nTrue"},
    {"Constants", Lang::Pascal, R"ky(
const
  N = 10;
  Greeting = 'hi';
  Half = N / 4;
begin
  ShowMessage(N * 2);
  ShowMessage(Greeting + '!');
  ShowMessage(Half);
end.
)ky", "20\nhi!\n2.5"},

    // Statements
    {"IfElseChain", Lang::Pascal, R"ky(
var i: Integer;
begin
  for i := 1 to 3 do
    if i = 1 then ShowMessage('one')
    else if i = 2 then ShowMessage('two')
    else ShowMessage('many');
end.
)ky", "one\ntwo\nmany"},
    {"WhileLoop", Lang::Pascal, R"ky(
var i, s: Integer;
begin
  i := 0;
  s := 0;
  while i < 5 do
  begin
    i := i + 1;
    s := s + i;
  end;
  ShowMessage(s);
  while False do ShowMessage('never');
  ShowMessage(i);
end.
)ky", "15\n5"},
    {"RepeatLoop", Lang::Pascal, R"ky(
var n: Integer;
begin
  n := 0;
  repeat
    n := n + 1;
  until n >= 3;
  ShowMessage(n);
  repeat n := n + 10; until True;
  ShowMessage(n);
end.
)ky", "3\n13"},
    {"ForLoopEdgeCases", Lang::Pascal, R"ky(
var i, n: Integer; s: String;
begin
  n := 0;
  for i := 1 to 3 do begin n := n + 1; i := 10; end;
  ShowMessage(n);
  for i := 1 to 3 do ;
  ShowMessage(i);
  i := 7;
  for i := 5 to 1 do ShowMessage('never');
  ShowMessage(i);
  s := '';
  for i := 3 downto 1 do s := s + IntToStr(i);
  ShowMessage(s);
end.
)ky", "3\n3\n7\n321"},
    {"ForVariantCounterDownto", Lang::Pascal, R"ky(
var v: Variant; s: String;
begin
  s := '';
  for v := 10 downto 8 do s := s + IntToStr(v);
  ShowMessage(s);
  ShowMessage(v);
end.
)ky", "1098\n8"},
    {"ForBreakContinue", Lang::Pascal, R"ky(
var i: Integer; s: String;
begin
  s := '';
  for i := 1 to 10 do
  begin
    if i mod 2 = 0 then continue;
    if i > 7 then break;
    s := s + IntToStr(i);
  end;
  ShowMessage(s);
  ShowMessage(i);
end.
)ky", "1357\n9"},
    {"BreakLeavesInnerLoopOnly", Lang::Pascal, R"ky(
var i, j, n: Integer;
begin
  n := 0;
  for i := 1 to 3 do
    for j := 1 to 3 do
    begin
      if j = 2 then break;
      n := n + 1;
    end;
  ShowMessage(n);
  ShowMessage(i);
end.
)ky", "3\n3"},
    {"CaseStatement", Lang::Pascal, R"ky(
var i: Integer;
begin
  for i := 0 to 6 do
    case i of
      1: ShowMessage('one');
      2, 3: ShowMessage('two or three');
      4..5: ShowMessage('four to five');
    else
      ShowMessage('other');
    end;
end.
)ky", "other\none\ntwo or three\ntwo or three\nfour to five\nfour to five\nother"},
    {"CaseOnStringsAndElseList", Lang::Pascal, R"ky(
var s: String;
begin
  s := 'dog';
  case s of
    'cat': ShowMessage('meow');
    'dog': ShowMessage('woof');
  end;
  case 9 of
    1: ShowMessage('one');
  else
    ShowMessage('a');
    ShowMessage('b');
  end;
end.
)ky", "woof\na\nb"},
    {"BreakInCaseEndsEnclosingLoop", Lang::Pascal, R"ky(
var i: Integer;
begin
  i := 0;
  while i < 10 do
  begin
    i := i + 1;
    case i of
      3: break;
    end;
  end;
  ShowMessage(i);
end.
)ky", "3"},
    {"ExitRunsFinallyPart", Lang::Pascal, R"ky(
var x: Integer;
procedure P;
begin
  try
    exit;
  finally
    x := 1;
  end;
  x := 2;
end;
begin
  x := 0;
  P;
  ShowMessage(x);
end.
)ky", "1"},
    {"BreakRunsWholeFinallyPart", Lang::Pascal, R"ky(
var n: Integer;
begin
  n := 0;
  while True do
  begin
    try
      break;
    finally
      n := n + 1;
      n := n + 10;
    end;
  end;
  ShowMessage(n);
end.
)ky", "11"},
    {"ExitLeavesOnlyTheProcedure", Lang::Pascal, R"ky(
procedure P;
begin
  ShowMessage('p1');
  exit;
  ShowMessage('p2');
end;
begin
  P;
  ShowMessage('main');
  exit;
  ShowMessage('never');
end.
)ky", "p1\nmain"},
    {"ExitFromLoopInFunction", Lang::Pascal, R"ky(
function FirstOver(limit: Integer): Integer;
var i: Integer;
begin
  Result := -1;
  for i := 1 to 100 do
    if i * i > limit then
    begin
      Result := i;
      exit;
    end;
end;
begin
  ShowMessage(FirstOver(50));
  ShowMessage(FirstOver(20000));
end.
)ky", "8\n-1"},
    {"BreakOutsideALoopIsRefused", Lang::Pascal, R"ky(
procedure P;
begin
  ShowMessage('a');
  ShowMessage('b');
  break;
end;
begin
  P;
  P;
end.
)ky", "compile error at 5:3: Break or continue outside a loop"},

    // Errors at run time
    {"DivisionByZeroCaught", Lang::Pascal, R"ky(
var x, y: Double;
begin
  x := 1;
  y := 0;
  try
    x := x / y;
  except
    ShowMessage(ExceptionClassName);
    ShowMessage(ExceptionMessage);
  end;
  ShowMessage('after');
end.
)ky", "EZeroDivide\nFloating point division by zero\nafter"},
    {"IntegerDivisionByZeroCaught", Lang::Pascal, R"ky(
var i, z: Integer;
begin
  z := 0;
  try
    i := 5 div z;
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
end.
)ky", "EDivByZero: Division by zero"},
    {"UncaughtErrorStopsProgram", Lang::Pascal, R"ky(
var x: Double;
begin
  ShowMessage('before');
  x := 0;
  ShowMessage(1 / x);
  ShowMessage('not reached');
end.
)ky", "before\nruntime error: Floating point division by zero"},
    {"ConversionErrorCaught", Lang::Pascal, R"ky(
var i: Integer; v: Variant;
begin
  v := 'abc';
  try
    i := v;
  except
    ShowMessage(ExceptionClassName);
    ShowMessage(ExceptionMessage);
  end;
end.
)ky", "EVariantError\nCould not convert variant of type (String) into type (Integer)"},
    {"RaiseThroughCalledProcedure", Lang::Pascal, R"ky(
procedure P;
begin
  try
    ShowMessage('body');
    RaiseException('boom');
    ShowMessage('skipped');
  finally
    ShowMessage('cleanup');
  end;
end;
begin
  try
    P;
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  ShowMessage('end');
end.
)ky", "body\ncleanup\nException: boom\nend"},
    {"RaiseInsideExceptPart", Lang::Pascal, R"ky(
begin
  try
    try
      RaiseException('inner');
    except
      ShowMessage('caught ' + ExceptionMessage);
      RaiseException('outer');
    end;
  except
    ShowMessage('caught ' + ExceptionMessage);
  end;
end.
)ky", "caught inner\ncaught outer"},
    {"StackOverflowCaught", Lang::Pascal, R"ky(
procedure R;
begin
  R;
end;
begin
  try
    R;
  except
    ShowMessage(ExceptionClassName);
    ShowMessage(ExceptionMessage);
  end;
  ShowMessage('alive');
end.
)ky", "EStackOverflow\nStack overflow\nalive"},
    {"StackOverflowUncaught", Lang::Pascal, R"ky(
function F(n: Integer): Integer;
begin
  Result := F(n + 1);
end;
begin
  ShowMessage(F(0));
end.
)ky", "runtime error: Stack overflow"},

    // Routines
    {"RecursiveFib", Lang::Pascal, R"ky(
function Fib(n: Integer): Integer;
begin
  if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2);
end;
begin
  ShowMessage(Fib(15));
end.
)ky", "610"},
    {"RecursionKeepsLocals", Lang::Pascal, R"ky(
function Sum(n: Integer): Integer;
var x: Integer;
begin
  x := n;
  if n = 0 then Result := 0
  else Result := Sum(n - 1) + x;
end;
begin
  ShowMessage(Sum(4));
end.
)ky", "10"},
    {"ByReferenceSwap", Lang::Pascal, R"ky(
procedure Swap(var a, b: Integer);
var t: Integer;
begin
  t := a;
  a := b;
  b := t;
end;
var x, y: Integer;
begin
  x := 1;
  y := 2;
  Swap(x, y);
  ShowMessage(x);
  ShowMessage(y);
end.
)ky", "2\n1"},
    {"ByReferenceArrayElement", Lang::Pascal, R"ky(
procedure AddTen(var v: Integer);
begin
  v := v + 10;
end;
var a: array[1..2] of Integer;
begin
  a[1] := 1;
  AddTen(a[1]);
  ShowMessage(a[1]);
end.
)ky", "11"},
    {"ValueParameterIsACopy", Lang::Pascal, R"ky(
procedure P(a: Integer);
begin
  a := a + 5;
  ShowMessage(a);
end;
var x: Integer;
begin
  x := 1;
  P(x);
  ShowMessage(x);
end.
)ky", "6\n1"},
    {"RecursionByReferenceResult", Lang::Pascal, R"ky(
procedure Count(n: Integer; var total: Integer);
var local: Integer;
begin
  local := n;
  if n > 0 then Count(n - 1, total);
  total := total + local;
end;
var t: Integer;
begin
  t := 0;
  Count(3, t);
  ShowMessage(t);
end.
)ky", "6"},
    {"DefaultParameters", Lang::Pascal, R"ky(
procedure P(a: Integer = 5);
begin
  ShowMessage(a);
end;
begin
  P;
  P(7);
  P;
end.
)ky", "5\n7\n5"},
    {"ForwardCall", Lang::Pascal, R"ky(
procedure A;
begin
  B;
end;
procedure B;
begin
  ShowMessage('B');
end;
begin
  A;
end.
)ky", "B"},
    {"NestedRoutineSeesOuterLocals", Lang::Pascal, R"ky(
function Outer(n: Integer): Integer;
var k: Integer;
  function Inner(m: Integer): Integer;
  begin
    Result := m * k;
  end;
begin
  k := 3;
  Result := Inner(n) + 1;
end;
begin
  ShowMessage(Outer(5));
end.
)ky", "16"},
    {"LocalsPersistInitialisersRunPerCall", Lang::Pascal, R"ky(
procedure P;
var x: Integer = 5; c: Integer;
begin
  c := c + 1;
  ShowMessage(x * 10 + c);
  x := 7;
end;
begin
  P;
  P;
end.
)ky", "51\n52"},

    // Arrays
    {"StringAndArrayDesignators", Lang::Pascal, R"ky(
var s: String; a: array[1..3] of Integer;
begin
  s := 'abc';
  s[2] := 'X';
  ShowMessage(s);
  ShowMessage(s[3]);
  a[1] := 5;
  a[3] := a[1] * 2;
  ShowMessage(a[3]);
  ShowMessage(Length(a));
  a[0] := 1;
  ShowMessage('not reached');
end.
)ky", "aXc\nc\n10\n3\nruntime error: Variant or safe array index out of bounds"},
    {"ArrayCountIsZeroBased", Lang::Pascal, R"ky(
var b: array[3] of Integer;
begin
  b[0] := 1;
  b[2] := 3;
  ShowMessage(b[0] + b[2]);
  ShowMessage(Length(b));
  b[3] := 4;
end.
)ky", "4\n3\nruntime error: Variant or safe array index out of bounds"},
    {"TwoDimensionalArray", Lang::Pascal, R"ky(
var m: array[1..3, 1..3] of Integer; i, j, s: Integer;
begin
  for i := 1 to 3 do
    for j := 1 to 3 do
      m[i, j] := i * 10 + j;
  ShowMessage(m[2, 3]);
  s := 0;
  for i := 1 to 3 do s := s + m[i, i];
  ShowMessage(s);
end.
)ky", "23\n66"},
    {"FourDimensionalArray", Lang::Pascal, R"ky(
var a: array[2, 2, 2, 2] of Integer;
begin
  a[1, 1, 1, 1] := 7;
  a[0, 1, 0, 1] := 3;
  ShowMessage(a[1, 1, 1, 1]);
  ShowMessage(a[0, 1, 0, 1]);
end.
)ky", "7\n3"},
    {"ConstantArrayBound", Lang::Pascal, R"ky(
const N = 3;
var a: array[1..N] of Integer;
begin
  ShowMessage(Length(a));
end.
)ky", "3"},

    // Further edges
    {"CharCodesInLiterals", Lang::Pascal, R"ky(
begin
  ShowMessage('a'#65'b');
  ShowMessage('x' + #33);
end.
)ky", "aAb\nx!"},
    {"ForNearIntegerLimit", Lang::Pascal, R"ky(
var i, n: Integer;
begin
  n := 0;
  for i := 2147483640 to 2147483647 do n := n + 1;
  ShowMessage(n);
  ShowMessage(i);
end.
)ky", "8\n2147483647"},
    {"NullConditionRaises", Lang::Pascal, R"ky(
var v: Variant;
begin
  v := Null;
  ShowMessage(v = Null);
  if v then ShowMessage('x');
  ShowMessage('not reached');
end.
)ky", "True\nruntime error: Could not convert variant of type (Null) into type (Boolean)"},
    {"ExitThroughFinallyInsideLoop", Lang::Pascal, R"ky(
function F: Integer;
var i: Integer;
begin
  Result := 0;
  for i := 1 to 5 do
  begin
    try
      if i = 3 then exit;
      Result := Result + i;
    finally
      ShowMessage('f' + IntToStr(i));
    end;
  end;
end;
begin
  ShowMessage(F);
end.
)ky", "f1\nf2\nf3\n3"},
    {"ContinueRunsFinallyPart", Lang::Pascal, R"ky(
var i: Integer; s: String;
begin
  s := '';
  for i := 1 to 3 do
    try
      if i = 2 then continue;
      s := s + IntToStr(i);
    finally
      s := s + 'f';
    end;
  ShowMessage(s);
end.
)ky", "1ff3f"},
    {"RecursionKeepsLocalArrays", Lang::Pascal, R"ky(
procedure P(n: Integer);
var a: array[1..2] of Integer;
begin
  a[1] := n;
  if n > 0 then P(n - 1);
  ShowMessage(a[1]);
end;
begin
  P(2);
end.
)ky", "0\n1\n2"},
    {"MutualRecursion", Lang::Pascal, R"ky(
function IsEven(n: Integer): Boolean;
begin
  if n = 0 then Result := True else Result := IsOdd(n - 1);
end;
function IsOdd(n: Integer): Boolean;
begin
  if n = 0 then Result := False else Result := IsEven(n - 1);
end;
begin
  ShowMessage(IsEven(10));
  ShowMessage(IsOdd(7));
  ShowMessage(IsOdd(4));
end.
)ky", "True\nTrue\nFalse"},
    {"ByReferenceStringAndConstParameter", Lang::Pascal, R"ky(
procedure Append(var s: String; const t: String = '!');
begin
  s := s + t;
end;
var x: String;
begin
  x := 'a';
  Append(x, 'b');
  Append(x);
  ShowMessage(x);
end.
)ky", "ab!"},
    {"ArraysHaveValueSemantics", Lang::Pascal, R"ky(
var a, b: array[1..2] of Integer;
begin
  a[1] := 1;
  b := a;
  b[1] := 2;
  ShowMessage(a[1]);
  ShowMessage(b[1]);
end.
)ky", "1\n2"},
    {"VariantHoldingStringOrArrayIsIndexed", Lang::Pascal, R"ky(
var v: Variant; a: array[1..2] of Integer;
begin
  v := 'hey';
  ShowMessage(v[2]);
  a[2] := 42;
  v := a;
  ShowMessage(v[2]);
end.
)ky", "e\n42"},
    {"StringIndexOutOfRange", Lang::Pascal, R"ky(
var s: String;
begin
  s := 'abc';
  ShowMessage(s[4]);
  ShowMessage('not reached');
end.
)ky", "runtime error: *"},
    {"CaseWithoutMatchDoesNothing", Lang::Pascal, R"ky(
begin
  case 5 of
    1: ShowMessage('one');
    2..4: ShowMessage('some');
  end;
  ShowMessage('end');
end.
)ky", "end"},

    {"ShiftsAndRoundedIntegerDivision", Lang::Pascal, R"ky(
begin
  ShowMessage(1 shl 32);
  ShowMessage(-1 shr 28);
  ShowMessage(7.5 div 2);
  ShowMessage(7 mod (-2));
end.
)ky", "1\n15\n4\n1"},
    {"Int64Arithmetic", Lang::Pascal, R"ky(
var b: Int64;
begin
  b := 3000000000;
  ShowMessage(b * 2);
  b := 9223372036854775807;
  b := b + 1;
  ShowMessage('not reached');
end.
)ky", "6000000000\nruntime error: Integer overflow"},
    {"NumbersCompareExactly", Lang::Pascal, R"ky(
var v: Variant;
begin
  ShowMessage(0.1 + 0.2 = 0.3);
  ShowMessage(1 = 1.0);
  v := '10';
  ShowMessage(v > 9);
  v := 'abc';
  ShowMessage(v > 9);
end.
)ky", "False\nTrue\nTrue\nTrue"},
    {"IdentifiersIgnoreCase", Lang::Pascal, R"ky(
program Demo;
var Count: Integer;
BEGIN
  count := 5;
  ShowMessage(COUNT);
End.
)ky", "5"},
    {"Comments", Lang::Pascal, R"ky(
begin
  { a block comment }
  (* another one *)
  ShowMessage(1); // a line comment
  // ShowMessage(2);
end.
)ky", "1"},
    {"LocalShadowsGlobal", Lang::Pascal, R"ky(
var x: Integer;
procedure P;
var x: Integer;
begin
  x := 2;
  ShowMessage(x);
end;
begin
  x := 1;
  P;
  ShowMessage(x);
end.
)ky", "2\n1"},
    {"ByReferenceIsCopiedBackAfterTheCall", Lang::Pascal, R"ky(
var g: Integer;
procedure P(var a: Integer);
begin
  a := 5;
  g := 7;
end;
begin
  g := 1;
  P(g);
  ShowMessage(g);
end.
)ky", "5"},
    {"LengthCountsCharacters", Lang::Pascal, R"ky(
begin
  ShowMessage(Length('ção'));
  ShowMessage('ção' + '!');
end.
)ky", "3\nção!"},
    {"LanguageSwitchLine", Lang::Pascal, R"ky(
#language BasicScript
x = 2 * 3
ShowMessage(x)
)ky", "6"},
    {"ILKeepsEntityLikeText", Lang::Pascal, R"ky(
begin
  ShowMessage('&#60;&quot;');
  ShowMessage('<a & b>');
end.
)ky", "&#60;&quot;\n<a & b>"},

    {"DeepRecursionBelowTheLimit", Lang::Pascal, R"ky(
function Depth(n: Integer): Integer;
begin
  if n = 0 then Result := 0 else Result := Depth(n - 1) + 1;
end;
begin
  ShowMessage(Depth(900));
end.
)ky", "900"},
    {"ContinueFromExceptPart", Lang::Pascal, R"ky(
var i: Integer; s: String;
begin
  s := '';
  for i := 1 to 3 do
    try
      if i = 2 then RaiseException('x');
      s := s + IntToStr(i);
    except
      s := s + 'e';
      continue;
    end;
  ShowMessage(s);
end.
)ky", "1e3"},

    // Compile errors
    {"UndeclaredIdentifier", Lang::Pascal, "begin Foo := 1; end.",
     "compile error at 1:10: Undeclared identifier: 'Foo'"},
    {"UnknownLanguageDirective", Lang::Cpp, "#language Klingon\n{ }",
     "compile error at ?: Language 'Klingon' not found"},
    {"ResultOutsideFunction", Lang::Pascal, "begin Result := 1; end.",
     "compile error at 1:13: Undeclared identifier: 'Result'"},
    {"IdentifierRedeclared", Lang::Pascal, "var a: Integer; a: String; begin end.",
     "compile error at ?: Identifier redeclared: 'a'"},
    {"LocalRedeclaresParameter", Lang::Pascal,
     "procedure P(a: Integer); var a: Integer; begin end; begin end.",
     "compile error at ?: Identifier redeclared: 'a'"},
    {"FloatIntoInteger", Lang::Pascal, "var i: Integer; begin i := 1.5; end.",
     "compile error at ?: Incompatible types: 'Integer', 'Extended'"},
    {"FloatVariableIntoInteger", Lang::Pascal,
     "var i: Integer; d: Double; begin i := d; end.",
     "compile error at ?: Incompatible types: 'Integer', 'Extended'"},
    {"StringIntoInteger", Lang::Pascal, "var i: Integer; begin i := 'x'; end.",
     "compile error at ?: Incompatible types: 'Integer', 'String'"},
    {"IntegerIntoString", Lang::Pascal, "var s: String; begin s := 1; end.",
     "compile error at ?: Incompatible types: 'String', 'Integer'"},
    {"IntegerIntoBoolean", Lang::Pascal, "var b: Boolean; begin b := 1; end.",
     "compile error at ?: Incompatible types: 'Boolean', 'Integer'"},
    {"RealDivisionIntoInteger", Lang::Pascal, "var i: Integer; begin i := i / 2; end.",
     "compile error at ?: Incompatible types: 'Integer', 'Extended'"},
    {"StringComparedWithNumber", Lang::Pascal, "begin ShowMessage('x' = 1); end.",
     "compile error at 1:24: Incompatible types"},
    {"BooleanArithmetic", Lang::Pascal, "begin ShowMessage(True + 1); end.",
     "compile error at 1:25: Incompatible types"},
    {"AssignToConstant", Lang::Pascal, "const C = 1; begin C := 2; end.",
     "compile error at ?: Left side cannot be assigned to"},
    {"StringLoopVariable", Lang::Pascal, "var s: String; begin for s := 1 to 2 do ; end.",
     "compile error at ?: For loop variable must be numeric variable"},
    {"ParameterLoopVariable", Lang::Pascal,
     "procedure P(p: Integer); begin for p := 1 to 3 do ; end; begin end.",
     "compile error at ?: For loop variable must be numeric variable"},
    {"FloatLoopBound", Lang::Pascal, "var i: Integer; begin for i := 1 to 2.5 do ; end.",
     "compile error at ?: Incompatible types: 'Integer', 'Extended'"},
    {"TooManyParameters", Lang::Pascal,
     "procedure P(a: Integer = 5); begin end; begin P(1, 2); end.",
     "compile error at ?: Too many actual parameters"},
    {"NotEnoughParameters", Lang::Pascal,
     "procedure Q(a, b: Integer); begin end; begin Q(1); end.",
     "compile error at ?: Not enough actual parameters"},
    {"ArgumentOfWrongType", Lang::Pascal,
     "procedure P(a: Integer); begin end; begin P('x'); end.",
     "compile error at ?: Incompatible types: 'Integer', 'String'"},
    {"UnknownType", Lang::Pascal, "var x: TFoo; begin end.",
     "compile error at ?: Unknown type: 'TFoo'"},
    {"MemberOfString", Lang::Pascal, "var s: String; begin s.Foo; end.",
     "compile error at ?: Strings doesn't have properties or methods"},
    {"IndexOfInteger", Lang::Pascal, "var i: Integer; begin i[1] := 2; end.",
     "compile error at ?: Array type required"},
    {"MissingSemicolon", Lang::Pascal, "begin a := 1 b := 2 end.",
     "compile error at 1:14: ';' expected"},
    {"MissingSemicolonOnNextLine", Lang::Pascal, R"ky(
begin
  a := 1
  b := 2
end.
)ky", "compile error at 3:3: ';' expected"},
};

// --- C++Script ---------------------------------------------------------------------------

const ProgramCase kCppCases[] = {
    {"Arithmetic", Lang::Cpp, R"ky(
{
  ShowMessage(2 + 3 * 4);
  ShowMessage((2 + 3) * 4);
  ShowMessage(7 % 2);
  ShowMessage(-7 % 3);
  ShowMessage(7 / 2);
  ShowMessage(7 div 2);
  ShowMessage(1 << 3);
  ShowMessage(5 ^ 1);
  ShowMessage(0x1F);
}
)ky", "14\n20\n1\n-1\n3.5\n3\n8\n4\n31"},
    {"StringsAndEscapes", Lang::Cpp, R"ky(
String s;
{
  s = "abc";
  s = s + "def";
  ShowMessage(s);
  ShowMessage(s[2]);
  ShowMessage("a\"b" + "\x41");
  ShowMessage(Length(s));
}
)ky", "abcdef\nb\na\"bA\n6"},
    {"BooleanShortCircuit", Lang::Cpp, R"ky(
bool f = false, t = true;
bool G() { ShowMessage("called"); return true; }
{
  if (f && G()) ShowMessage("x");
  if (t || G()) ShowMessage("y");
  if (!f) ShowMessage("not");
}
)ky", "y\nnot"},
    {"ComparisonsBindLoosest", Lang::Cpp,
     R"ky(int a, b; { if (a == 1 && b == 2) ShowMessage("x"); })ky",
     "compile error at 1:31: Incompatible types"},
    {"ParenthesisedComparisons", Lang::Cpp, R"ky(
int a = 1, b = 2;
{
  if ((a == 1) && (b == 2)) ShowMessage("yes");
  if ((a != 1) || (b >= 2)) ShowMessage("or");
  if ((a != 1) || (b > 2)) ShowMessage("no");
}
)ky", "yes\nor"},
    {"ForLoopAndCompoundAssignment", Lang::Cpp, R"ky(
int i, s = 0, q = 3;
{
  for (i = 1; i <= 4; i++) s += i;
  ShowMessage(s);
  q /= 2;
  ShowMessage(q);
  s -= 4;
  s *= 3;
  ShowMessage(s);
}
)ky", "10\n2\n18"},
    {"WhileAndDoWhile", Lang::Cpp, R"ky(
int i = 0, n = 0;
{
  while (i < 5) { i++; n += i; }
  ShowMessage(n);
  do { i--; } while (i > 2);
  ShowMessage(i);
  do i = i + 100; while (false);
  ShowMessage(i);
}
)ky", "15\n2\n102"},
    {"ContinueInFor", Lang::Cpp, R"ky(
int i;
String s = "";
{
  for (i = 0; i < 6; i++) {
    if (i % 2 == 1) continue;
    s = s + IntToStr(i);
  }
  ShowMessage(s);
}
)ky", "024"},
    {"SwitchWithoutFallThrough", Lang::Cpp, R"ky(
int i;
{
  for (i = 0; i < 5; i++) {
    switch (i) {
      case 0: ShowMessage("zero"); break;
      case 1: case 2: ShowMessage("small");
      case 3: ShowMessage("three"); ShowMessage("three again"); break;
      default: ShowMessage("big");
    }
  }
}
)ky", "zero\nsmall\nsmall\nthree\nthree again\nbig"},
    {"BreakInsideBranchBlockEndsLoop", Lang::Cpp, R"ky(
int i, n = 0;
{
  for (i = 0; i < 10; i++) {
    switch (i) {
      case 3: { n = n + 100; break; }
      default: n++;
    }
  }
  ShowMessage(n);
  ShowMessage(i);
}
)ky", "103\n3"},
    {"TryExceptAndFinally", Lang::Cpp, R"ky(
float x, y;
{
  x = 1;
  y = 0;
  try {
    x = x / y;
  } except {
    ShowMessage(ExceptionClassName);
    ShowMessage(ExceptionMessage);
  }
  try {
    ShowMessage("body");
  } finally {
    ShowMessage("finally");
  }
}
)ky", "EZeroDivide\nFloating point division by zero\nbody\nfinally"},
    {"RecursiveFib", Lang::Cpp,
     R"ky(int Fib(int n) { if (n < 2) return n; else return Fib(n - 1) + Fib(n - 2); } { ShowMessage(Fib(15)); })ky",
     "610"},
    {"RecursiveFactorial", Lang::Cpp, R"ky(
int Fact(int n) {
  if (n <= 1) return 1;
  return n * Fact(n - 1);
}
{
  ShowMessage(Fact(10));
}
)ky", "3628800"},
    {"ReturnValue", Lang::Cpp, R"ky(int f(int a) { return a + 1; } { ShowMessage(f(1)); })ky", "2"},
    {"ByReferenceAndDefaults", Lang::Cpp, R"ky(
void Swap(int &a, int &b) { int t = a; a = b; b = t; }
int AddDef(int a, int b = 10) { return a + b; }
int x = 1, y = 2;
{
  Swap(x, y);
  ShowMessage(x);
  ShowMessage(y);
  ShowMessage(AddDef(1));
  ShowMessage(AddDef(1, 2));
}
)ky", "2\n1\n11\n3"},
    {"ReturnFromVoid", Lang::Cpp, R"ky(
void P(int n) {
  if (n > 1) return;
  ShowMessage(n);
}
{
  P(1);
  P(2);
  P(0);
}
)ky", "1\n0"},
    {"LocalsPersistInitialisersRunPerCall", Lang::Cpp, R"ky(
void P() {
  int x = 5;
  int c;
  c = c + 1;
  ShowMessage(x * 10 + c);
  x = 7;
}
{
  P();
  P();
}
)ky", "51\n52"},
    {"Defines", Lang::Cpp, R"ky(
#define N 5
#define GREETING "hi"
{
  ShowMessage(N * 2);
  ShowMessage(GREETING + "!");
}
)ky", "10\nhi!"},
    {"Arrays", Lang::Cpp, R"ky(
int a[3], m[2][3];
int i, j;
{
  for (i = 0; i < 3; i++) a[i] = i * i;
  ShowMessage(a[2]);
  for (i = 0; i < 2; i++)
    for (j = 0; j < 3; j++)
      m[i][j] = i * 10 + j;
  ShowMessage(m[1][2]);
  ShowMessage(m[1, 1]);
  a[3] = 1;
  ShowMessage("not reached");
}
)ky", "4\n12\n11\nruntime error: Variant or safe array index out of bounds"},
    {"CountCharacters", Lang::Cpp, R"ky(
String s = "hello";
int i, n = 0;
{
  for (i = 1; i <= Length(s); i++)
    if (s[i] == "l") n++;
  ShowMessage(n);
}
)ky", "2"},
    {"ExitEndsMainProgram", Lang::Cpp, R"ky({ ShowMessage("a"); exit; ShowMessage("b"); })ky", "a"},
    {"StackOverflowCaught", Lang::Cpp, R"ky(
int f(int n) { return f(n + 1); }
{
  try {
    f(0);
  } except {
    ShowMessage(ExceptionMessage);
  }
  ShowMessage("alive");
}
)ky", "Stack overflow\nalive"},
    {"CompoundAssignmentOnElementsAndStrings", Lang::Cpp, R"ky(
int a[2];
String s = "a";
{
  a[1] = 5;
  a[1] += 5;
  a[1]++;
  ShowMessage(a[1]);
  s += "b";
  s += "c";
  ShowMessage(s);
}
)ky", "11\nabc"},
    {"SwitchWithoutMatch", Lang::Cpp, R"ky(
int i = 7;
{
  switch (i) {
    case 1: ShowMessage("one"); break;
    case 2: ShowMessage("two"); break;
  }
  ShowMessage("end");
}
)ky", "end"},
    {"CommaSeparatedForParts", Lang::Cpp, R"ky(
int i, j, n = 0;
{
  for (i = 0, j = 10; i < j; i++, j--) n++;
  ShowMessage(n);
  ShowMessage(i);
  i = 0;
  for (; i < 3; ) i++;
  ShowMessage(i);
}
)ky", "5\n5\n3"},
    {"IdentifiersIgnoreCaseKeywordsDoNot", Lang::Cpp, R"ky(
int Count;
{
  count = 5;
  ShowMessage(COUNT);
}
)ky", "5"},
    {"NestedCallsAsArguments", Lang::Cpp, R"ky(
int Max(int a, int b) { if (a > b) return a; return b; }
{
  ShowMessage(Max(Max(1, 5), 3));
  ShowMessage(Max(2, Max(-1, 0)));
}
)ky", "5\n2"},
    {"NotOnIntegerIsBitwise", Lang::Cpp, R"ky({ ShowMessage(!0); ShowMessage(!true); })ky",
     "-1\nFalse"},
    {"EscapesInStrings", Lang::Cpp, R"ky({ ShowMessage("\q" + "\\" + "\x41"); })ky", "q\\A"},
    {"NotEnoughParameters", Lang::Cpp, "int f(int a, int b) { return a; } { f(1); }",
     "compile error at ?: Not enough actual parameters"},
    {"UndeclaredIdentifier", Lang::Cpp, "{ x = 1; }",
     "compile error at 1:4: Undeclared identifier: 'x'"},
    {"IdentifierRedeclared", Lang::Cpp, "int a; int a; { }",
     "compile error at ?: Identifier redeclared: 'a'"},
    {"StringIntoInteger", Lang::Cpp, R"ky(int i; { i = "x"; })ky",
     "compile error at ?: Incompatible types: 'Integer', 'String'"},
    {"AssignToDefine", Lang::Cpp, "#define C 1\n{ C = 2; }",
     "compile error at ?: Left side cannot be assigned to"},
    {"IncrementDefine", Lang::Cpp, "#define C 1\n{ C++; }",
     "compile error at ?: Left side cannot be assigned to"},
    {"TooManyParameters", Lang::Cpp, "void P(int a) { } { P(1, 2); }",
     "compile error at ?: Too many actual parameters"},
    {"KeywordsAreCaseSensitive", Lang::Cpp, "{ If (a) b = 1; }",
     "compile error at 1:10: ';' expected"},
};

// --- BasicScript -------------------------------------------------------------------------

const ProgramCase kBasicCases[] = {
    {"Arithmetic", Lang::Basic, R"ky(
ShowMessage(2 + 3 * 4)
ShowMessage((1 + 2) * 3)
ShowMessage(7 / 2)
ShowMessage(7 \ 2)
ShowMessage(7 Mod 2)
)ky", "14\n9\n3.5\n3\n1"},
    {"AmpersandConcatenates", Lang::Basic, R"ky(
a = "a" : b = 1
ShowMessage(a & b)
a = 2 : b = 1
ShowMessage(a & b)
ShowMessage(2 & 1)
ShowMessage("" & a & "," & b)
)ky", "a1\n3\n3\n2,1"},
    {"AmpersandOfConstantsChecksTypes", Lang::Basic, R"ky(ShowMessage("a" & 1))ky",
     "compile error at 1:18: Incompatible types"},
    {"OneLineIfOwnsBothStatements", Lang::Basic, R"ky(
a = True
b = 0 : c = 0
If a Then b = 1 : c = 2
ShowMessage(b + c)
a = False
b = 0 : c = 0
If a Then b = 1 : c = 2
ShowMessage(b + c)
)ky", "3\n0"},
    {"MultiLineIfElseIf", Lang::Basic, R"ky(
For i = 1 To 4
  If i = 1 Then
    ShowMessage("one")
  ElseIf i = 2 Then
    ShowMessage("two")
  ElseIf i = 3 Then
    ShowMessage("three")
  Else
    ShowMessage("many")
  End If
Next
)ky", "one\ntwo\nthree\nmany"},
    {"ForStep", Lang::Basic, R"ky(
s = ""
For x = 0 To 1 Step 0.5
  s = s & x & ";"
Next
ShowMessage(s)
t = ""
For x = 3 To 1 Step -1
  t = t & x
Next
ShowMessage(t)
n = 0
For x = 3 To 1
  n = n + 1
Next
ShowMessage(n)
)ky", "0;0.5;1;\n321\n0"},
    {"ForNegativeFloatStep", Lang::Basic, R"ky(
s = ""
For x = 1 To 0 Step -0.25
  s = s & x & ";"
Next
ShowMessage(s)
For i = 1 To 10 Step 2
Next
ShowMessage(i)
)ky", "1;0.75;0.5;0.25;0;\n9"},
    {"ExitFor", Lang::Basic, R"ky(
s = ""
For i = 1 To 10
  If i = 4 Then Exit For
  s = s & i
Next
ShowMessage(s)
)ky", "123"},
    {"WhileAndDoLoops", Lang::Basic, R"ky(
i = 0
While i < 3
  i = i + 1
Wend
ShowMessage(i)
Do
  i = i - 1
Loop Until i <= 0
ShowMessage(i)
Do
  i = i + 2
Loop While i < 5
ShowMessage(i)
)ky", "3\n0\n6"},
    {"WhileBreakContinue", Lang::Basic, R"ky(
i = 0
s = ""
While i < 10
  i = i + 1
  If i Mod 2 = 0 Then Continue
  If i > 7 Then Break
  s = s & i
Wend
ShowMessage(s)
ShowMessage(i)
)ky", "1357\n9"},
    {"SelectCase", Lang::Basic, R"ky(
For i = 0 To 5
  Select Case i
    Case 1
      ShowMessage("one")
    Case 2, 3
      ShowMessage("two or three")
    Case 4 To 5
      ShowMessage("four or five")
    Case Else
      ShowMessage("other")
  End Select
Next
)ky", "other\none\ntwo or three\ntwo or three\nfour or five\nfour or five"},
    {"SubAndFunctionByRef", Lang::Basic, R"ky(
Sub Swap(ByRef a, ByRef b)
  Dim t
  t = a
  a = b
  b = t
End Sub
Function Twice(n)
  Return n * 2
End Function
x = 1
y = 2
Swap(x, y)
ShowMessage("" & x & "," & y)
ShowMessage(Twice(21))
)ky", "2,1\n42"},
    {"FunctionResultAndDefault", Lang::Basic, R"ky(
Function Sq(n As Integer) As Integer
  Result = n * n
End Function
Function Add(a As Integer, b As Integer = 5) As Integer
  Return a + b
End Function
ShowMessage(Sq(7))
ShowMessage(Add(1))
ShowMessage(Add(1, 2))
)ky", "49\n6\n3"},
    {"ReturnInSub", Lang::Basic, R"ky(
Sub P(n)
  If n > 1 Then Return
  ShowMessage(n)
End Sub
P(1)
P(2)
)ky", "1"},
    {"RecursiveFib", Lang::Basic, R"ky(
Function Fib(n)
  If n < 2 Then
    Return n
  Else
    Return Fib(n - 1) + Fib(n - 2)
  End If
End Function
ShowMessage(Fib(15))
)ky", "610"},
    {"LocalsPersistInitialisersRunPerCall", Lang::Basic, R"ky(
Sub P
  Dim x As Integer = 5
  Dim c As Integer
  c = c + 1
  ShowMessage(x * 10 + c)
  x = 7
End Sub
P
P
)ky", "51\n52"},
    {"ImplicitVariableIsGlobal", Lang::Basic, R"ky(
Sub P
  y = 5
End Sub
P
ShowMessage(y)
)ky", "5"},
    {"TryCatch", Lang::Basic, R"ky(
v = "q"
Dim i As Integer
Try
  i = v
Catch
  ShowMessage("caught")
  ShowMessage(ExceptionClassName)
End Try
)ky", "caught\nEVariantError"},
    {"TryFinallyWithExitSub", Lang::Basic, R"ky(
Sub P
  Try
    Exit Sub
  Finally
    ShowMessage("finally")
  End Try
  ShowMessage("after")
End Sub
P
ShowMessage("end")
)ky", "finally\nend"},
    {"DivisionErrors", Lang::Basic, R"ky(
z = 0
Try
  ShowMessage(5 \ z)
Catch
  ShowMessage(ExceptionMessage)
End Try
ShowMessage(1 / z)
ShowMessage("not reached")
)ky", "Division by zero\nruntime error: Floating point division by zero"},
    {"Arrays", Lang::Basic, R"ky(
Dim a[3]
Dim m[2, 3]
For i = 0 To 2
  a[i] = i * 10
Next
ShowMessage(a[2])
m[1, 2] = "x"
ShowMessage(m[1, 2])
ShowMessage(Length(a))
a[5] = 1
ShowMessage("not reached")
)ky", "20\nx\n3\nruntime error: Variant or safe array index out of bounds"},
    {"StringIndexing", Lang::Basic, R"ky(
s = "abc"
ShowMessage(s[2])
Dim t As String
t = "xyz"
ShowMessage(t[3])
)ky", "b\nz"},
    {"ExitDoAndExitWhile", Lang::Basic, R"ky(
i = 0
Do
  i = i + 1
  If i = 3 Then Exit Do
Loop While True
ShowMessage(i)
While True
  i = i + 1
  If i >= 5 Then Exit While
Wend
ShowMessage(i)
)ky", "3\n5"},
    {"NestedForWithNamedNext", Lang::Basic, R"ky(
n = 0
For i = 1 To 3
  For j = 1 To i
    n = n + 1
  Next j
Next i
ShowMessage(n)
)ky", "6"},
    {"ColonSeparatedStatements", Lang::Basic, R"ky(
a = 1 : b = 2 : ShowMessage(a + b) : ShowMessage(a - b)
)ky", "3\n-1"},
    {"CommentsAndContinuation", Lang::Basic, R"ky(
x = 1 + _
    2
' a comment line
rem another comment
y = x * 10 ' trailing comment
ShowMessage(y)
)ky", "30"},
    {"RemOnlyAsAWord", Lang::Basic, R"ky(
remark = 5
ShowMessage(remark)
)ky", "5"},
    {"SetAndOneLineIfElse", Lang::Basic, R"ky(
Set a = 3
If a > 1 Then ShowMessage("big") Else ShowMessage("small")
If a > 5 Then ShowMessage("big") Else ShowMessage("small")
)ky", "big\nsmall"},
    {"TypedDimList", Lang::Basic, R"ky(
Dim a As Integer, s As String
v = 2.5
a = v
s = "n"
s = s & "="
ShowMessage(s)
ShowMessage(a)
)ky", "n=\n2"},
    {"SelectCaseOnStrings", Lang::Basic, R"ky(
s = "b"
Select Case s
  Case "a", "b"
    ShowMessage("a or b")
  Case Else
    ShowMessage("other")
End Select
)ky", "a or b"},
    {"EmptyProgram", Lang::Basic, "", ""},
    {"UnparsedLineIsAnError", Lang::Basic, "x = 1\ny = = 2\nShowMessage(x)",
     "compile error at 2:5: Expression expected"},
    {"StringIntoInteger", Lang::Basic, "Dim a As Integer\na = \"x\"",
     "compile error at ?: Incompatible types: 'Integer', 'String'"},
    {"StringLoopVariable", Lang::Basic, "Dim s As String\nFor s = 1 To 2\nNext",
     "compile error at ?: For loop variable must be numeric variable"},
    {"MissingEndIf", Lang::Basic, "If x Then\n  y = 1\n",
     "compile error at 3:1: 'END' expected"},
};

// --- JScript -----------------------------------------------------------------------------

const ProgramCase kJScriptCases[] = {
    {"Arithmetic", Lang::JS, R"ky(
ShowMessage(2 + 3 * 4);
ShowMessage(7 % 3);
ShowMessage(7 / 2);
ShowMessage(-(2 + 3));
ShowMessage(1 << 3);
)ky", "14\n1\n3.5\n-5\n8"},
    {"StringsAndNumbers", Lang::JS, R"ky(
var a = "5", b = 2;
ShowMessage(a + b);
ShowMessage(a * b);
var s = "ab";
s += "cd";
ShowMessage(s);
ShowMessage(s[3]);
ShowMessage("x" + b);
)ky", "52\n10\nabcd\nc\nx2"},
    {"NoShortCircuitOnVariants", Lang::JS, R"ky(
function g() { ShowMessage("called"); return true; }
var f = false;
if (f && g()) ShowMessage("x");
ShowMessage("done");
)ky", "called\ndone"},
    {"ComparisonWithConstantsNeedsParentheses", Lang::JS, R"ky(
var a = 1, b = 2;
if (a == 1 && b == 2) ShowMessage("x");
)ky", "compile error at 2:19: Incompatible types"},
    {"ComparisonsBindLoosestOnVariants", Lang::JS, R"ky(
var a = 1, b = 2, one = 1, two = 2;
if (a == one && b == two) ShowMessage("x"); else ShowMessage("y");
if ((a == one) && (b == two)) ShowMessage("x"); else ShowMessage("y");
)ky", "y\nx"},
    {"SwitchBreakEndsOnlyTheBranch", Lang::JS, R"ky(
var k = 0;
var i;
for (i = 0; i < 3; i++) {
  switch (i) {
    case 1: k = k + 10; break;
    default: k = k + 1;
  }
}
ShowMessage(k);
)ky", "12"},
    {"SwitchOnStrings", Lang::JS, R"ky(
var s = "b";
switch (s) {
  case "a": ShowMessage("A");
  case "b": ShowMessage("B");
  default: ShowMessage("other");
}
)ky", "B"},
    {"DoWhile", Lang::JS, R"ky(
var i = 0;
do { i++; } while (i < 3);
ShowMessage(i);
do { i++; } while (false);
ShowMessage(i);
)ky", "3\n4"},
    {"WhileBreakContinue", Lang::JS, R"ky(
var i = 0, s = "";
while (true) {
  i++;
  if (i > 6) break;
  if (i % 3 == 0) continue;
  s = s + IntToStr(i);
}
ShowMessage(s);
ShowMessage(i);
)ky", "1245\n7"},
    {"ForWithVarInitialiser", Lang::JS, R"ky(
var s = "";
for (var i = 0; i < 3; i++) s = s + IntToStr(i);
ShowMessage(s);
)ky", "012"},
    {"ImplicitGlobal", Lang::JS, R"ky(
function f() { y = 1; }
f();
ShowMessage(y);
)ky", "1"},
    {"RecursiveFib", Lang::JS, R"ky(
function Fib(n) { if (n < 2) return n; else return Fib(n - 1) + Fib(n - 2); }
ShowMessage(Fib(15));
)ky", "610"},
    {"ByReference", Lang::JS, R"ky(
function inc(&v) { v = v + 1; }
var x = 1;
inc(x);
inc(x);
ShowMessage(x);
)ky", "3"},
    {"LocalVariables", Lang::JS, R"ky(
function f(n) {
  var local = n * 2;
  return local + 1;
}
ShowMessage(f(3));
ShowMessage(f(10));
)ky", "7\n21"},
    {"FunctionWithoutReturnGivesEmpty", Lang::JS, R"ky(
function f() { }
ShowMessage("[" + f() + "]");
)ky", "[]"},
    {"NestedFunction", Lang::JS, R"ky(
function outer(n) {
  function inner(m) { return m * 2; }
  return inner(n) + 1;
}
ShowMessage(outer(5));
)ky", "11"},
    {"ReturnFromLoop", Lang::JS, R"ky(
function find(x) {
  var i;
  for (i = 0; i < 10; i++)
    if (i * i >= x) return i;
  return -1;
}
ShowMessage(find(10));
ShowMessage(find(1000));
)ky", "4\n-1"},
    {"TryExceptAndFinally", Lang::JS, R"ky(
var x = 1, y = 0;
try {
  x = x / y;
} except {
  ShowMessage(ExceptionMessage);
}
try {
  ShowMessage("a");
} finally {
  ShowMessage("b");
}
)ky", "Floating point division by zero\na\nb"},
    {"ErrorRaisedInCalledFunction", Lang::JS, R"ky(
function risky(d) { return 10 / d; }
try {
  ShowMessage(risky(4));
  ShowMessage(risky(0));
} except {
  ShowMessage(ExceptionClassName);
}
)ky", "2.5\nEZeroDivide"},
    {"StackOverflowCaught", Lang::JS, R"ky(
function f(n) { return f(n + 1); }
try {
  f(0);
} except {
  ShowMessage(ExceptionClassName);
}
ShowMessage("alive");
)ky", "EStackOverflow\nalive"},
    {"Arrays", Lang::JS, R"ky(
var a[3], i;
for (i = 0; i < 3; i++) a[i] = i + 1;
ShowMessage(a[0] + a[1] + a[2]);
var m[2, 2];
m[1, 1] = "z";
ShowMessage(m[1, 1]);
ShowMessage(Length(a));
a[-1] = 0;
)ky", "6\nz\n3\nruntime error: Variant or safe array index out of bounds"},
    {"MemberOfNumberNeedsClass", Lang::JS, R"ky(
var v = 5;
ShowMessage(v.Name);
)ky", "runtime error: Class type required"},
    {"LateBindingFollowsTheValue", Lang::JS, R"ky(
var a[3];
a[1] = "x";
function second(v) { return v[1]; }
ShowMessage(second("abc"));
ShowMessage(second(a));
ShowMessage(second("pq"));
)ky", "a\nx\np"},
    {"NullComparisons", Lang::JS, R"ky(
var x;
ShowMessage(x == Null);
ShowMessage(1 == Null);
ShowMessage(!true);
)ky", "True\nFalse\nFalse"},
    {"IncrementArrayElement", Lang::JS, R"ky(
var a[2];
a[0] = 1;
a[0]++;
a[0]++;
a[1] = a[0] * 10;
a[1]--;
ShowMessage(a[0]);
ShowMessage(a[1]);
)ky", "3\n29"},
    {"CommentsAndElseIf", Lang::JS, R"ky(
var s = "x" /* inline */ + "y"; // tail
ShowMessage(s);
var n = 5;
if (n < 3) ShowMessage("small");
else if (n < 10) ShowMessage("medium");
else ShowMessage("large");
)ky", "xy\nmedium"},
    {"ReturnWithoutValue", Lang::JS, R"ky(
function f(n) {
  if (n > 0) return;
  ShowMessage("non-positive");
}
f(1);
f(0);
)ky", "non-positive"},
    {"VariableRedeclared", Lang::JS, "var x = 1;\nvar x = 2;",
     "compile error at ?: Identifier redeclared: 'x'"},
    {"TooManyParameters", Lang::JS, "function f(a) { }\nf(1, 2);",
     "compile error at ?: Too many actual parameters"},
    {"LocalShadowsGlobalImplicitAssignsGlobal", Lang::JS, R"ky(
var x = 1, g = 1;
function f() { var x = 2; g = 5; return x; }
ShowMessage(f());
ShowMessage(x);
ShowMessage(g);
)ky", "2\n1\n5"},
    {"StringMinusNumber", Lang::JS, R"ky(var x = "a" - 1;)ky",
     "compile error at 1:14: Incompatible types"},
};

class Programs : public ::testing::TestWithParam<ProgramCase>
{};

TEST_P(Programs, ShowExpectedOutput)
{
    const ProgramCase &c = GetParam();
    ProgramHost host(c.lang);
    const QString expected = QString::fromUtf8(c.expected);
    const QString actual = maskExpected(host.run(QString::fromUtf8(c.source)), expected);
    EXPECT_EQ(actual.toStdString(), expected.toStdString());
}

std::string caseName(const ::testing::TestParamInfo<ProgramCase> &info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Pascal, Programs, ::testing::ValuesIn(kPascalCases), caseName);
INSTANTIATE_TEST_SUITE_P(Cpp, Programs, ::testing::ValuesIn(kCppCases), caseName);
INSTANTIATE_TEST_SUITE_P(Basic, Programs, ::testing::ValuesIn(kBasicCases), caseName);
INSTANTIATE_TEST_SUITE_P(JScript, Programs, ::testing::ValuesIn(kJScriptCases), caseName);

// --- Host calls --------------------------------------------------------------------------

// A compiled and executed PascalScript program, ready for calls.
class HostCalls : public ::testing::Test
{
protected:
    HostCalls() : host(Lang::Pascal) {}

    void load(const char *source)
    {
        ASSERT_EQ(host.compile(QString::fromUtf8(source)), QString());
        host.execute();
    }

    ProgramHost host;
};

const char kRoutines[] = R"ky(
var Counter: Integer;
function Add(a, b: Integer): Integer;
begin
  Result := a + b;
end;
procedure Twice(var a: Integer);
begin
  a := a * 2;
end;
procedure Bump;
begin
  Counter := Counter + 1;
end;
begin
  Counter := 100;
end.
)ky";

TEST_F(HostCalls, CallFunctionPassesArgumentsAndReturnsResult)
{
    load(kRoutines);
    const Variant result = host.script.CallFunction(u"Add"_s, VarArrayOf({Variant(2), Variant(40)}));
    EXPECT_EQ(result.AsInteger(), 42);
    host.script.CallFunction(u"Bump"_s, Variant());
    host.script.CallFunction(u"bump"_s, Variant());
    EXPECT_EQ(host.script.Variables(u"Counter").AsInteger(), 102);
}

TEST_F(HostCalls, CallFunction1WritesByReferenceResultsBack)
{
    load(kRoutines);
    Variant params = VarArrayOf({Variant(21)});
    host.script.CallFunction1(u"Twice"_s, params);
    EXPECT_EQ(params.ArrayElement(0).AsInteger(), 42);
    // CallFunction leaves the caller's array alone.
    const Variant copy = VarArrayOf({Variant(5)});
    host.script.CallFunction(u"Twice"_s, copy);
    EXPECT_EQ(copy.ArrayElement(0).AsInteger(), 5);
}

TEST_F(HostCalls, CallFunctionWithTooManyArgumentsRaises)
{
    load(kRoutines);
    EXPECT_THROW(host.script.CallFunction(u"Twice"_s, VarArrayOf({Variant(1), Variant(2)})),
                 EListError);
}

TEST_F(HostCalls, CallFunctionOfWhatIsNoProcedureGivesNull)
{
    load(kRoutines);
    EXPECT_TRUE(host.script.CallFunction(u"NoSuchRoutine"_s, Variant()).IsNull());
    EXPECT_TRUE(host.script.CallFunction(u"Counter"_s, Variant()).IsNull());
    EXPECT_EQ(host.script.Variables(u"Counter").AsInteger(), 100);
}

TEST_F(HostCalls, CallFunctionReenteringARunningProcedureKeepsItsLocals)
{
    // The native Reenter calls back into the script while Handler runs, as an event
    // fired from inside its own handler does.
    host.native(u"procedure Reenter(n: Integer)"_s, [this](TkyMethodHelper &call) {
        host.script.CallFunction(u"Handler"_s, VarArrayOf({call.GetVParam(0)}));
        return Variant();
    });
    EXPECT_EQ(host.run(uR"ky(
procedure Handler(n: Integer);
var mine: Integer;
begin
  mine := n * 10;
  if n > 0 then Reenter(n - 1);
  ShowMessage(IntToStr(n) + ':' + IntToStr(mine));
end;
begin
  Handler(2);
end.
)ky"_s),
              u"0:0\n1:10\n2:20"_s);
}

TEST_F(HostCalls, EvaluateComputesInTheScriptsLanguage)
{
    load(kRoutines);
    EXPECT_EQ(host.script.Evaluate(u"2 * 21"_s).AsInteger(), 42);
    EXPECT_FALSE(host.script.EvaluteRiseError());
    EXPECT_EQ(host.script.Evaluate(u"Add(Counter, 1) div 3"_s).AsInteger(), 33);
    EXPECT_EQ(host.script.Evaluate(u"7 / 2"_s).AsDouble(), 3.5);
    EXPECT_FALSE(host.script.EvaluteRiseError());

    ProgramHost cpp(Lang::Cpp);
    EXPECT_EQ(cpp.script.Evaluate(u"7 % 4"_s).AsInteger(), 3);
    EXPECT_FALSE(cpp.script.EvaluteRiseError());
}

TEST_F(HostCalls, EvaluateReturnsTheCompileMessage)
{
    load(kRoutines);
    const Variant result = host.script.Evaluate(u"1 +"_s);
    EXPECT_TRUE(host.script.EvaluteRiseError());
    EXPECT_TRUE(result.IsString());
    EXPECT_FALSE(result.AsString().isEmpty());
    // The flag describes the last evaluation only.
    EXPECT_EQ(host.script.Evaluate(u"1 + 1"_s).AsInteger(), 2);
    EXPECT_FALSE(host.script.EvaluteRiseError());
}

TEST_F(HostCalls, EvaluateDuringAPauseSeesTheProceduresLocals)
{
    QStringList seen;
    host.script.SetOnRunLine([&](TkyScript &, const QString &, const QString &pos) {
        if (pos.startsWith(u"3:"_s))
            seen << VarToStr(host.script.Evaluate(u"n * 10"_s));
    });
    EXPECT_EQ(host.run(uR"ky(
procedure P(n: Integer);
begin
  ShowMessage(n);
end;
begin
  P(4);
end.
)ky"_s),
              u"4"_s);
    EXPECT_EQ(seen, QStringList{u"40"_s});
}

TEST_F(HostCalls, TerminateFromRunLineStopsBeforeTheNextStatement)
{
    // One notification for the while statement, then one per pass; the 100th call
    // terminates, so its assignment does not run: 98 increments.
    int calls = 0;
    host.script.SetOnRunLine([&](TkyScript &, const QString &, const QString &) {
        if (++calls == 100)
            host.script.Terminate();
    });
    EXPECT_EQ(host.run(u"var i: Integer; begin while True do i := i + 1; end."_s), QString());
    EXPECT_EQ(calls, 100);
    EXPECT_EQ(host.script.Variables(u"i").AsInteger(), 98);
}

TEST_F(HostCalls, LoopsNotifyOncePerLoopAndOncePerBodyStatement)
{
    QStringList lines;
    host.script.SetOnRunLine([&](TkyScript &, const QString &, const QString &pos) {
        lines << pos.section(u':', 0, 0);
    });
    EXPECT_EQ(host.run(uR"ky(
var i: Integer;
begin
  i := 0;
  while i < 3 do
    i := i + 1;
  repeat
    i := i - 1;
  until i = 0;
end.
)ky"_s),
              QString());
    EXPECT_EQ(lines.join(u','), u"3,4,5,5,5,6,7,7,7"_s);
}

TEST_F(HostCalls, ExecuteTwiceStartsWithCleanFlags)
{
    load("begin ShowMessage('x'); exit; ShowMessage('y'); end.");
    host.execute();
    EXPECT_EQ(host.output.join(u'\n'), u"x\nx"_s);
}

TEST_F(HostCalls, CallFunction2WithoutProcedureGivesNull)
{
    load(kRoutines);
    EXPECT_TRUE(host.script.CallFunction2(nullptr, Variant()).IsNull());
}

TEST_F(HostCalls, EvaluateInEveryLanguage)
{
    for (Lang lang : {Lang::Pascal, Lang::Cpp, Lang::Basic, Lang::JS}) {
        SCOPED_TRACE(languageName(lang).toStdString());
        ProgramHost other(lang);
        EXPECT_EQ(other.script.Evaluate(u"1 + 2 * 3"_s).AsInteger(), 7);
        EXPECT_FALSE(other.script.EvaluteRiseError());
    }
}

TEST_F(HostCalls, EvaluateRaisesRunTimeErrors)
{
    load(kRoutines);
    EXPECT_THROW(host.script.Evaluate(u"Counter div (Counter - 100)"_s), EDivByZero);
    EXPECT_FALSE(host.script.EvaluteRiseError());
}

TEST_F(HostCalls, RunLineReportsTheProcedureScope)
{
    QStringList scopes;
    host.script.SetOnRunLine([&](TkyScript &scope, const QString &, const QString &pos) {
        scopes << pos.section(u':', 0, 0) + (&scope == &host.script ? u"main"_s : u"proc"_s);
    });
    EXPECT_EQ(host.run(uR"ky(
procedure P;
begin
  ShowMessage('p');
end;
begin
  P;
end.
)ky"_s),
              u"p"_s);
    EXPECT_EQ(scopes.join(u','), u"6main,3proc"_s);
}

TEST_F(HostCalls, TerminateInsideAProcedureStopsTheMainProgramToo)
{
    host.script.SetOnRunLine([&](TkyScript &, const QString &, const QString &pos) {
        if (pos.startsWith(u"4:"_s))
            host.script.Terminate();
    });
    EXPECT_EQ(host.run(uR"ky(
procedure P;
begin
  ShowMessage('p1');
  ShowMessage('p2');
end;
begin
  P;
  ShowMessage('main');
end.
)ky"_s),
              u"p1"_s);
}

TEST_F(HostCalls, StatementLimitReachesIntoProcedures)
{
    host.script.SetStatementLimit(1000);
    EXPECT_EQ(host.run(uR"ky(
procedure Spin;
begin
  while True do ;
end;
begin
  Spin;
end.
)ky"_s),
              u"runtime error: Script stopped: statement limit reached"_s);
}

TEST_F(HostCalls, StatementLimitReachesIntoCalledFunctions)
{
    host.script.SetStatementLimit(1000);
    load("procedure Spin; begin repeat until False; end; begin end.");
    EXPECT_THROW(host.script.CallFunction(u"Spin"_s, Variant()), EkyBudgetExceeded);
}

TEST_F(HostCalls, GlobalsPersistBetweenRunsInitialisersRerun)
{
    load("var n: Integer; m: Integer = 10; begin n := n + 1; m := m + 1; ShowMessage(n * 100 + m); end.");
    host.execute();
    EXPECT_EQ(host.output.join(u'\n'), u"111\n211"_s);
}

TEST_F(HostCalls, StatementLimitCannotBeSwallowed)
{
    host.script.SetStatementLimit(1000);
    EXPECT_EQ(host.run(uR"ky(
var i: Integer;
begin
  try
    while True do i := i + 1;
  except
    ShowMessage('swallowed');
  end;
  ShowMessage('after');
end.
)ky"_s),
              u"runtime error: Script stopped: statement limit reached"_s);
}

TEST_F(HostCalls, StatementLimitRaisesBudgetExceededAndRunsFinally)
{
    host.script.SetStatementLimit(500);
    ASSERT_EQ(host.compile(u"begin try while True do ; finally ShowMessage('finally'); end; end."_s),
              QString());
    EXPECT_THROW(host.script.Execute(), EkyBudgetExceeded);
    EXPECT_EQ(host.output, QStringList{u"finally"_s});
    // The count starts again with each run.
    host.output.clear();
    EXPECT_THROW(host.script.Execute(), EkyBudgetExceeded);
    EXPECT_EQ(host.output, QStringList{u"finally"_s});
}

TEST_F(HostCalls, WithoutLimitAFiniteLoopCompletes)
{
    host.script.SetStatementLimit(0);
    EXPECT_EQ(host.run(u"var i: Integer; begin while i < 20000 do i := i + 1; ShowMessage(i); end."_s),
              u"20000"_s);
}

TEST_F(HostCalls, InfiniteRecursionRaisesStackOverflow)
{
    ASSERT_EQ(host.compile(u"procedure R; begin R; end; begin R; end."_s), QString());
    EXPECT_THROW(host.script.Execute(), EStackOverflow);
    // The script stays usable afterwards.
    EXPECT_THROW(host.script.Execute(), EStackOverflow);
}

TEST_F(HostCalls, HugeArrayIsACompileError)
{
    EXPECT_FALSE(host.compile(u"var a: array[1000000000] of Integer; begin end."_s).isEmpty());
    EXPECT_FALSE(host.script.ErrorMsg().isEmpty());
}

} // namespace
