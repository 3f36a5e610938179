// The BasicScript grammar: the IL of every construct of the language, the message and
// position of each syntax error the grammar reports, and truncated programs.
#include "kyScriptTestSupport.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// Results are compared as std::string so that a failure prints readable text.
std::string basicIL(const QString &source, TkyScript *script = nullptr)
{
    return kyILText(u"BasicScript"_s, source, script).toStdString();
}

QString escapeValue(QString s)
{
    s.replace(u'<', u"&#60;"_s);
    s.replace(u'>', u"&#62;"_s);
    s.replace(u'"', u"&#34;"_s);
    return s;
}

// Writes the indented IL text for a compact tree picture, so that the tables stay short:
//   node     := name ['{' text '}'] ['[' key '=' value {',' key '=' value} ']']
//               ['@' pos ['-' pos1]] ['(' node* ')']
// `name{x}@1:2` is the leaf <name text="x" pos="1:2"/>; `expr@1:5-1:6(...)` is an element
// with pos, pos1 and children. Text runs up to the next '}'.
class ILPicture
{
public:
    explicit ILPicture(const QString &picture)
        : FSrc(picture)
    {
    }

    QString text(int depth)
    {
        list(depth);
        if (FPos < FSrc.size()) // an unbalanced ')': make the comparison fail visibly
            FOut += u"?picture error at "_s + QString::number(FPos);
        return FOut;
    }

private:
    bool take(QChar c)
    {
        skipSpace();
        if (FPos < FSrc.size() && FSrc.at(FPos) == c) {
            ++FPos;
            return true;
        }
        return false;
    }
    void skipSpace()
    {
        while (FPos < FSrc.size() && FSrc.at(FPos).isSpace())
            ++FPos;
    }
    QString upTo(QChar stop)
    {
        const qsizetype from = FPos;
        while (FPos < FSrc.size() && FSrc.at(FPos) != stop)
            ++FPos;
        const QString result = FSrc.mid(from, FPos - from);
        ++FPos; // the stop character
        return result;
    }
    QString position()
    {
        const qsizetype from = FPos;
        while (FPos < FSrc.size() && (FSrc.at(FPos).isDigit() || FSrc.at(FPos) == u':'))
            ++FPos;
        return FSrc.mid(from, FPos - from);
    }
    void list(int depth)
    {
        for (;;) {
            skipSpace();
            if (FPos >= FSrc.size() || FSrc.at(FPos) == u')')
                return;
            node(depth);
        }
    }
    void node(int depth)
    {
        const qsizetype from = FPos;
        while (FPos < FSrc.size() && FSrc.at(FPos).isLetterOrNumber())
            ++FPos;
        const QString name = FSrc.mid(from, FPos - from);
        if (name.isEmpty()) { // a broken picture: make the comparison fail visibly
            FOut += u"?picture error at "_s + QString::number(FPos);
            FPos = FSrc.size();
            return;
        }
        QString attributes;
        if (take(u'{'))
            attributes += u" text=\""_s + escapeValue(upTo(u'}')) + u'"';
        if (take(u'[')) {
            const QStringList pairs = upTo(u']').split(u',');
            for (const QString &pair : pairs) {
                const qsizetype eq = pair.indexOf(u'=');
                attributes += u' ' + pair.left(eq) + u"=\""_s + escapeValue(pair.mid(eq + 1)) + u'"';
            }
        }
        if (take(u'@')) {
            attributes += u" pos=\""_s + position() + u'"';
            if (take(u'-'))
                attributes += u" pos1=\""_s + position() + u'"';
        }
        const QString indent(depth * 2, u' ');
        if (take(u'(')) {
            FOut += indent + u'<' + name + attributes + u">\n"_s;
            list(depth + 1);
            take(u')');
            FOut += indent + u"</"_s + name + u">\n"_s;
        } else {
            FOut += indent + u'<' + name + attributes + u"/>\n"_s;
        }
    }

    QString FSrc;
    qsizetype FPos = 0;
    QString FOut;
};

const QString kTypes = u"types(decimal[type=extended])"_s;

// The whole IL text of a program whose top-level elements are pictured by body.
std::string programIL(const QString &body)
{
    return ILPicture(u"program("_s + body + u' ' + kTypes + u')').text(0).toStdString();
}

struct ILCase
{
    const char *name;
    const char16_t *source; // lines separated by "\n"
    const char16_t *il;     // picture of the elements under `program`
};

// One row per construct of the language.
const ILCase kILCases[] = {
    {"EmptyText", u"", u""},
    {"StatementsByLineAndColon",
     u"a = 1 : b = 2\nc = 3",
     u"assignstmt@1:1(dsgn@1:1(node{a}@1:2) expr@1:5-1:6(number{1}@1:6))"
     u"assignstmt@1:9(dsgn@1:9(node{b}@1:10) expr@1:13-1:14(number{2}@1:14))"
     u"assignstmt@2:1(dsgn@2:1(node{c}@2:2) expr@2:5-2:6(number{3}@2:6))"},
    {"CommentsAndContinuation",
     u"' full-line comment\na = 1 + _\n    2 ' trailing\nrem another\nb = 2",
     u"assignstmt@2:1(dsgn@2:1(node{a}@2:2) expr@2:5-3:6(number{1}@2:6 op{+}@2:8 number{2}@3:6))"
     u"assignstmt@5:1(dsgn@5:1(node{b}@5:2) expr@5:5-5:6(number{2}@5:6))"},
    {"RemInAnyLetterCase",
     u"REM a: \"b, 1.5 ( _\n  c\nx = 1 : Rem d",
     u"assignstmt@3:1(dsgn@3:1(node{x}@3:2) expr@3:5-3:6(number{1}@3:6))"},
    {"DimWithDimsTypeAndInit",
     u"Dim a, b[2] As Integer = 5",
     u"var@1:5(ident{a}@1:6)"
     u"var@1:8(ident{b}@1:9 array@1:9(dim@1:10(expr@1:10-1:11(number{2}@1:11)))"
     u"  type{Integer}@1:23 init@1:24(expr@1:26-1:27(number{5}@1:27)))"},
    {"DimTwoDimensions",
     u"Dim m[2, 3]",
     u"var@1:5(ident{m}@1:6 array@1:6(dim@1:7(expr@1:7-1:8(number{2}@1:8))"
     u"  dim@1:10(expr@1:10-1:11(number{3}@1:11))))"},
    {"SubWithByRef",
     u"Sub Hello(ByRef a, b As String)\n  a = b\nEnd Sub",
     u"procedure@1:1(name{Hello}@1:10"
     u"  parameters@1:10(varparams@1:11 var@1:17(ident{a}@1:18) var@1:20(ident{b}@1:21 type{String}@1:31))"
     u"  compoundstmt@2:3(assignstmt@2:3(dsgn@2:3(node{a}@2:4) expr@2:7-2:8(dsgn@2:7(node{b}@2:8))))"
     u"  exit@3:5)"},
    {"SubWithoutParameters",
     u"Sub Tick\nEnd Sub",
     u"procedure@1:1(name{Tick}@1:9 compoundstmt@2:1 exit@2:5)"},
    {"FunctionWithType",
     u"Function Twice(x As Integer) As Integer\n  Return x * 2\nEnd Function",
     u"function@1:1(name{Twice}@1:15 parameters@1:15(var@1:16(ident{x}@1:17 type{Integer}@1:28))"
     u"  type{Integer}@1:40"
     u"  compoundstmt@2:3(return@2:3(expr@2:10-2:15(dsgn@2:10(node{x}@2:11) op{*}@2:13 number{2}@2:15)))"
     u"  exit@3:5)"},
    {"AssignmentModifiersAndSet",
     u"x += 1\ny -= 2\nz *= 3\nw /= 4\nSet o = p",
     u"assignstmt@1:1(dsgn@1:1(node{x}@1:2) modificator{+}@1:5 expr@1:6-1:7(number{1}@1:7))"
     u"assignstmt@2:1(dsgn@2:1(node{y}@2:2) modificator{-}@2:5 expr@2:6-2:7(number{2}@2:7))"
     u"assignstmt@3:1(dsgn@3:1(node{z}@3:2) modificator{*}@3:5 expr@3:6-3:7(number{3}@3:7))"
     u"assignstmt@4:1(dsgn@4:1(node{w}@4:2) modificator{/}@4:5 expr@4:6-4:7(number{4}@4:7))"
     u"assignstmt@5:5(dsgn@5:5(node{o}@5:6) expr@5:9-5:10(dsgn@5:9(node{p}@5:10)))"},
    {"CallsAndIncrements",
     u"Foo(1, \"a\")\ni++\nj--\nShowMessage",
     u"callstmt@1:1(dsgn@1:1(node{Foo}@1:4 expr@1:5-1:6(number{1}@1:6) expr@1:8-1:11(string{'a'}@1:11)))"
     u"callstmt@2:1(dsgn@2:1(node{i}@2:2) modificator{+}@2:4)"
     u"callstmt@3:1(dsgn@3:1(node{j}@3:2) modificator{-}@3:4)"
     u"callstmt@4:1(dsgn@4:1(node{ShowMessage}@4:12))"},
    {"DesignatorChain",
     u"a.b(1, 2)[3].Next()",
     u"callstmt@1:1(dsgn@1:1(node{a}@1:2 node{b}@1:4 expr@1:5-1:6(number{1}@1:6)"
     u"  expr@1:8-1:9(number{2}@1:9) node{[}@1:11 expr@1:11-1:12(number{3}@1:12) node{Next}@1:18))"},
    {"OneLineIfOwnsBothStatements",
     u"If a Then b = 1 : c = 2",
     u"ifstmt@1:1(expr@1:4-1:5(dsgn@1:4(node{a}@1:5))"
     u"  thenstmt@1:11(assignstmt@1:11(dsgn@1:11(node{b}@1:12) expr@1:15-1:16(number{1}@1:16))"
     u"    assignstmt@1:19(dsgn@1:19(node{c}@1:20) expr@1:23-1:24(number{2}@1:24))))"},
    {"OneLineIfElse",
     u"If a Then b = 1 : c = 2 Else d = 3",
     u"ifstmt@1:1(expr@1:4-1:5(dsgn@1:4(node{a}@1:5))"
     u"  thenstmt@1:11(assignstmt@1:11(dsgn@1:11(node{b}@1:12) expr@1:15-1:16(number{1}@1:16))"
     u"    assignstmt@1:19(dsgn@1:19(node{c}@1:20) expr@1:23-1:24(number{2}@1:24)))"
     u"  elsestmt@1:30(assignstmt@1:30(dsgn@1:30(node{d}@1:31) expr@1:34-1:35(number{3}@1:35))))"},
    {"BlockIfElseIfElse",
     u"If a Then\n  b = 1\nElseIf c Then\n  d = 2\nElse\n  e = 3\nEnd If",
     u"ifstmt@1:1(expr@1:4-1:5(dsgn@1:4(node{a}@1:5))"
     u"  thenstmt@2:3(assignstmt@2:3(dsgn@2:3(node{b}@2:4) expr@2:7-2:8(number{1}@2:8)))"
     u"  elsestmt@3:1(ifstmt@3:1(expr@3:8-3:9(dsgn@3:8(node{c}@3:9))"
     u"    thenstmt@4:3(assignstmt@4:3(dsgn@4:3(node{d}@4:4) expr@4:7-4:8(number{2}@4:8)))"
     u"    elsestmt@5:1(assignstmt@6:3(dsgn@6:3(node{e}@6:4) expr@6:7-6:8(number{3}@6:8))))))"},
    {"BlockIfEndIfInOneWord",
     u"If a Then\n  b = 1\nEndIf",
     u"ifstmt@1:1(expr@1:4-1:5(dsgn@1:4(node{a}@1:5))"
     u"  thenstmt@2:3(assignstmt@2:3(dsgn@2:3(node{b}@2:4) expr@2:7-2:8(number{1}@2:8))))"},
    {"SelectCase",
     u"Select Case x\n  Case 1, 2 To 4\n    y = 1\n  Case Else\n    y = 2\nEnd Select",
     u"casestmt@1:1(expr@1:13-1:14(dsgn@1:13(node{x}@1:14))"
     u"  caseselector@2:3(set@2:8(expr@2:8-2:9(number{1}@2:9) expr@2:11-2:12(number{2}@2:12)"
     u"      range{.}@2:15 expr@2:16-2:17(number{4}@2:17))"
     u"    compoundstmt@3:5(assignstmt@3:5(dsgn@3:5(node{y}@3:6) expr@3:9-3:10(number{1}@3:10))))"
     u"  compoundstmt@5:5(assignstmt@5:5(dsgn@5:5(node{y}@5:6) expr@5:9-5:10(number{2}@5:10))))"},
    {"SelectCaseWithColons",
     u"Select Case x\nCase 1: y = 1\nEnd Select",
     u"casestmt@1:1(expr@1:13-1:14(dsgn@1:13(node{x}@1:14))"
     u"  caseselector@2:1(set@2:6(expr@2:6-2:7(number{1}@2:7))"
     u"    compoundstmt@2:9(assignstmt@2:9(dsgn@2:9(node{y}@2:10) expr@2:13-2:14(number{1}@2:14)))))"},
    {"WhileWend",
     u"While i < 3\n  i = i + 1\nWend",
     u"whilestmt@1:1(expr@1:7-1:12(dsgn@1:7(node{i}@1:8) op{<}@1:10 number{3}@1:12)"
     u"  compoundstmt@2:3(assignstmt@2:3(dsgn@2:3(node{i}@2:4)"
     u"    expr@2:7-2:12(dsgn@2:7(node{i}@2:8) op{+}@2:10 number{1}@2:12))))"},
    {"DoLoopUntilAndWhile",
     u"Do\n  i = i + 1\nLoop Until i > 5\nDo\n  i -= 1\nLoop While i > 0",
     u"repeatstmt@1:1(assignstmt@2:3(dsgn@2:3(node{i}@2:4)"
     u"    expr@2:7-2:12(dsgn@2:7(node{i}@2:8) op{+}@2:10 number{1}@2:12))"
     u"  expr@3:12-3:17(dsgn@3:12(node{i}@3:13) op{>}@3:15 number{5}@3:17))"
     u"repeatstmt@4:1(assignstmt@5:3(dsgn@5:3(node{i}@5:4) modificator{-}@5:7 expr@5:8-5:9(number{1}@5:9))"
     u"  expr@6:12-6:17(dsgn@6:12(node{i}@6:13) op{>}@6:15 number{0}@6:17) inverse@6:17)"},
    {"ForToStepNext",
     u"For i = 1 To 10 Step 2\n  s = s + i\nNext i",
     u"vbforstmt@1:1(ident{i}@1:6 expr@1:9-1:10(number{1}@1:10) expr@1:14-1:16(number{10}@1:16)"
     u"  expr@1:22-1:23(number{2}@1:23)"
     u"  compoundstmt@2:3(assignstmt@2:3(dsgn@2:3(node{s}@2:4)"
     u"    expr@2:7-2:12(dsgn@2:7(node{s}@2:8) op{+}@2:10 dsgn@2:11(node{i}@2:12)))))"},
    {"TryFinallyAndCatch",
     u"Try\n  a = 1\nFinally\n  b = 2\nEnd Try\nTry\n  c = 3\nCatch\n  d = 4\nEnd Try",
     u"trystmt@1:1(assignstmt@2:3(dsgn@2:3(node{a}@2:4) expr@2:7-2:8(number{1}@2:8))"
     u"  finallystmt@4:3(assignstmt@4:3(dsgn@4:3(node{b}@4:4) expr@4:7-4:8(number{2}@4:8))))"
     u"trystmt@6:1(assignstmt@7:3(dsgn@7:3(node{c}@7:4) expr@7:7-7:8(number{3}@7:8))"
     u"  exceptstmt@9:3(assignstmt@9:3(dsgn@9:3(node{d}@9:4) expr@9:7-9:8(number{4}@9:8))))"},
    {"Jumps",
     u"While True\n  Break\n  Continue\n  Exit\n  Exit Sub\n  Return\n  Return 1\n  Exit For\nWend",
     u"whilestmt@1:1(expr@1:7-1:11(dsgn@1:7(node{True}@1:11))"
     u"  compoundstmt@2:3(break@2:3 continue@3:3 exit@4:3 exit@5:3 return@6:3"
     u"    return@7:3(expr@7:10-7:11(number{1}@7:11)) break@8:3))"},
    {"WithBlock",
     u"With Form1.Edit1\n  .Text = \"x\"\n  Visible = True\nEnd With",
     u"with@1:1(dsgn@1:6(node{Form1}@1:11 node{Edit1}@1:17)"
     u"  compoundstmt@2:3(assignstmt@2:3(dsgn@2:3(node{Text}@2:8) expr@2:11-2:14(string{'x'}@2:14))"
     u"    assignstmt@3:3(dsgn@3:3(node{Visible}@3:10) expr@3:13-3:17(dsgn@3:13(node{True}@3:17)))))"},
    {"NewAndDelete",
     u"o = New TList(1)\nDelete o",
     u"assignstmt@1:1(dsgn@1:1(node{o}@1:2)"
     u"  expr@1:5-1:17(new@1:5(dsgn@1:9(node{TList}@1:14 expr@1:15-1:16(number{1}@1:16)))))"
     u"delete@2:1(dsgn@2:8(node{o}@2:9))"},
    {"AddressOf",
     u"h = AddressOf Click",
     u"assignstmt@1:1(dsgn@1:1(node{h}@1:2) expr@1:5-1:20(dsgn@1:5(addr{AddressOf}@1:14 node{Click}@1:20)))"},
    {"ArithmeticOperators",
     u"x = -a + b - c * d / e \\ f Mod g",
     u"assignstmt@1:1(dsgn@1:1(node{x}@1:2) expr@1:5-1:33(op{unminus}@1:6 dsgn@1:6(node{a}@1:7)"
     u"  op{+}@1:9 dsgn@1:10(node{b}@1:11) op{-}@1:13 dsgn@1:14(node{c}@1:15) op{*}@1:17"
     u"  dsgn@1:18(node{d}@1:19) op{/}@1:21 dsgn@1:22(node{e}@1:23) op{div}@1:25"
     u"  dsgn@1:26(node{f}@1:27) op{mod}@1:31 dsgn@1:32(node{g}@1:33)))"},
    {"LogicalOperatorsAndStrcat",
     u"x = a & b Or c Xor d And Not e",
     u"assignstmt@1:1(dsgn@1:1(node{x}@1:2) expr@1:5-1:31(dsgn@1:5(node{a}@1:6) op{strcat}@1:8"
     u"  dsgn@1:9(node{b}@1:10) op{or}@1:13 dsgn@1:14(node{c}@1:15) op{xor}@1:19"
     u"  dsgn@1:20(node{d}@1:21) op{and}@1:25 op{not}@1:29 dsgn@1:30(node{e}@1:31)))"},
    {"Comparisons",
     u"x = a = b <> c < d > e <= f >= g",
     u"assignstmt@1:1(dsgn@1:1(node{x}@1:2) expr@1:5-1:33(dsgn@1:5(node{a}@1:6) op{=}@1:8"
     u"  dsgn@1:9(node{b}@1:10) op{<>}@1:13 dsgn@1:14(node{c}@1:15) op{<}@1:17"
     u"  dsgn@1:18(node{d}@1:19) op{>}@1:21 dsgn@1:22(node{e}@1:23) op{<=}@1:26"
     u"  dsgn@1:27(node{f}@1:28) op{>=}@1:31 dsgn@1:32(node{g}@1:33)))"},
    {"InIsAndSet",
     u"x = a In [1, 2..3] Is b",
     u"assignstmt@1:1(dsgn@1:1(node{x}@1:2) expr@1:5-1:24(dsgn@1:5(node{a}@1:6) op{in}@1:9"
     u"  set@1:11(expr@1:11-1:12(number{1}@1:12) expr@1:14-1:15(number{2}@1:15) range{.}@1:17"
     u"    expr@1:17-1:18(number{3}@1:18))"
     u"  op{is}@1:22 dsgn@1:23(node{b}@1:24)))"},
    {"ParenthesesAndHexNumber",
     u"x = (a + 1) * 0x1F",
     u"assignstmt@1:1(dsgn@1:1(node{x}@1:2) expr@1:5-1:19(op{(}@1:6"
     u"  expr@1:6-1:11(dsgn@1:6(node{a}@1:7) op{+}@1:9 number{1}@1:11) op{)}@1:12 op{*}@1:14"
     u"  number{$1F}@1:19))"},
    {"StringAndRealLiterals",
     u"s = \"say \"\"hi\"\"\" & 1.5e3",
     u"assignstmt@1:1(dsgn@1:1(node{s}@1:2) expr@1:5-1:25(string{'say \"hi\"'}@1:17 op{strcat}@1:19"
     u"  number{1.5e3}@1:25))"},
    {"ReportExpression",
     u"x = <Data.\"Name\">",
     u"assignstmt@1:1(dsgn@1:1(node{x}@1:2)"
     u"  expr@1:5-1:18(dsgn@1:17(node{Get}@1:17 expr@1:17(string{'Data.\"Name\"'}@1:17))))"},
    {"TypeAliasNamesStayAsWritten",
     u"Dim d As Decimal",
     u"var@1:5(ident{d}@1:6 type{Decimal}@1:17)"},
};

void PrintTo(const ILCase &c, std::ostream *os)
{
    *os << c.name;
}

class BasicIL : public ::testing::TestWithParam<ILCase>
{
};

TEST_P(BasicIL, MatchesExpectedTree)
{
    const ILCase &c = GetParam();
    EXPECT_EQ(basicIL(QString::fromUtf16(c.source)), programIL(QString::fromUtf16(c.il)));
}

std::string ilCaseName(const ::testing::TestParamInfo<ILCase> &param)
{
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Constructs, BasicIL, ::testing::ValuesIn(kILCases), ilCaseName);

struct ErrorCase
{
    const char *name;
    const char16_t *source;
    const char16_t *error; // what kyILText reports
};

// Each message the grammar reports, at the token a reader expects it.
const ErrorCase kErrorCases[] = {
    {"IdentifierAfterDim", u"Dim 5", u"error at 1:5: Identifier expected"},
    {"IdentifierAfterMemberDot", u"a. = 1", u"error at 1:4: Identifier expected"},
    {"ExpressionInLineTwoOfThree",
     u"x = 1\ny = = 2\nShowMessage(x)",
     u"error at 2:5: Expression expected"},
    {"ExpressionAfterOperator", u"x = 1 +", u"error at 1:8: Expression expected"},
    {"TwoStatementsOnOneLine", u"x = 1 y = 2", u"error at 1:7: End of line expected"},
    {"StatementAfterWhileCondition", u"While a b = 1\nWend", u"error at 1:9: End of line expected"},
    {"StrayBlockEnd", u"x = 1\nWend", u"error at 2:1: End of line expected"},
    {"CloseParenthesis", u"Foo(1", u"error at 1:6: ')' expected"},
    {"CloseBracket", u"Dim a[2", u"error at 1:8: ']' expected"},
    {"EqualsInFor", u"For i 1 To 2\nNext", u"error at 1:7: '=' expected"},
    {"EqualsInSet", u"Set o", u"error at 1:5: '=' expected"},
    {"ToInFor", u"For i = 1 10\nNext", u"error at 1:11: 'TO' expected"},
    {"EndOfBlockIf", u"If a Then\nb = 1", u"error at 3:1: 'END' expected"},
    {"EndOfSub", u"Sub A\nx = 1", u"error at 3:1: 'END' expected"},
    {"LoopOfDo", u"Do\nx = 1", u"error at 3:1: 'END' expected"},
    {"ThenInIf", u"If a b = 1", u"error at 1:6: 'THEN' expected"},
    {"WhileOrUntilAfterLoop", u"Do\nLoop x", u"error at 2:6: 'WHILE' expected"},
    {"CaseAfterSelect", u"Select x", u"error at 1:8: 'CASE' expected"},
    {"SelectAfterEnd", u"Select Case x\nEnd", u"error at 2:4: 'SELECT' expected"},
    {"FinallyOrCatch", u"Try\nx = 1\nEnd Try", u"error at 3:1: 'FINALLY' or 'CATCH' expected"},
    {"CloseReportExpression", u"x = <a]", u"error at 1:7: '>' expected"},
    {"Wend", u"While a\nb = 1", u"error at 3:1: 'WEND' expected"},
    {"Next", u"For i = 1 To 2\nx = i", u"error at 3:1: 'NEXT' expected"},
    {"WithAfterEnd", u"With a\nEnd", u"error at 2:4: 'WITH' expected"},
    {"TryAfterEnd", u"Try\nFinally\nEnd", u"error at 3:4: 'TRY' expected"},
    {"SubAfterEnd", u"Sub A\nEnd", u"error at 2:4: 'SUB' expected"},
    {"FunctionAfterEnd", u"Function F\nEnd Sub", u"error at 2:5: 'FUNCTION' expected"},
    {"ElseAfterCase", u"Select Case x\nCase\nEnd Select", u"error at 2:5: 'ELSE' expected"},
    {"IfAfterEnd", u"If a Then\nEnd", u"error at 2:4: 'IF' expected"},
    {"BlockIfLeftOpenInSub", u"Sub A\nIf a Then\nEnd Sub", u"error at 3:5: 'IF' expected"},
};

void PrintTo(const ErrorCase &c, std::ostream *os)
{
    *os << c.name;
}

class BasicErrors : public ::testing::TestWithParam<ErrorCase>
{
};

TEST_P(BasicErrors, ReportsMessageAndPosition)
{
    const ErrorCase &c = GetParam();
    EXPECT_EQ(basicIL(QString::fromUtf16(c.source)), QString::fromUtf16(c.error).toStdString());
}

std::string errorCaseName(const ::testing::TestParamInfo<ErrorCase> &param)
{
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Syntax, BasicErrors, ::testing::ValuesIn(kErrorCases), errorCaseName);

TEST(BasicUnits, ImportsInsertsTheUnitProgram)
{
    TkyScript script;
    QStringList asked;
    script.SetOnGetUnit([&asked](TkyScript &, const QString &unitName) {
        asked << unitName;
        return u"y = 2"_s;
    });
    const std::string il = basicIL(u"Imports \"u.bas\"\nx = 1"_s, &script);
    EXPECT_EQ(asked, QStringList{u"u.bas"_s});
    EXPECT_EQ(il,
              programIL(u"uses[unit=u.bas](program("
                        u"assignstmt@1:1(dsgn@1:1(node{y}@1:2) expr@1:5-1:6(number{2}@1:6)) "_s
                        + kTypes + u"))"
                        u"assignstmt@2:1(dsgn@2:1(node{x}@2:2) expr@2:5-2:6(number{1}@2:6))"_s));
}

TEST(BasicUnits, ErrorInsideUnitNamesTheUnit)
{
    TkyScript script;
    script.SetOnGetUnit([](TkyScript &, const QString &) { return u"a = \nb = 1"_s; });
    EXPECT_EQ(basicIL(u"Imports \"bad.bas\""_s, &script),
              "error at 1:5: Expression expected in unit bad.bas");
}

TEST(BasicLanguageLine, SwitchesFromAnotherLanguage)
{
    const std::string il =
        kyILText(u"PascalScript"_s, u"#language BasicScript\nx = 2 * 3"_s).toStdString();
    EXPECT_EQ(il,
              programIL(u"assignstmt@2:1(dsgn@2:1(node{x}@2:2)"
                        u" expr@2:5-2:10(number{2}@2:6 op{*}@2:8 number{3}@2:10))"_s));
}

// Every prefix of a valid program either compiles or reports an error inside the text it
// was given; none hangs or crashes.
TEST(BasicTruncation, EveryPrefixParsesOrFailsCleanly)
{
    const QString programs[] = {
        u"Dim total As Integer = 0\n"
        u"Function Twice(ByRef x As Integer) As Integer\n"
        u"  Return x * 2\n"
        u"End Function\n"
        u"For i = 1 To 10 Step 2\n"
        u"  If i Mod 3 = 0 Then total += Twice(i) Else total = total - 1\n"
        u"Next\n"
        u"ShowMessage(\"total: \" & total)\n"_s,
        u"Sub Report(s)\n"
        u"  Select Case s\n"
        u"    Case 1, 2 To 4: x = <Data.\"Amount[1]\">\n"
        u"    Case Else\n"
        u"      Do\n"
        u"        s -= 1\n"
        u"      Loop While s > 0\n"
        u"  End Select\n"
        u"End Sub\n"
        u"With Form1 : .Caption = \"x\" : End With\n"_s,
        u"Try\n"
        u"  o = New TList\n"
        u"  While o.Count < 3 ' fill\n"
        u"    o.Add(AddressOf Report)\n"
        u"  Wend\n"
        u"Catch\n"
        u"  If a Then\n"
        u"    b = 1\n"
        u"  ElseIf c Then\n"
        u"    b = 2\n"
        u"  Else\n"
        u"    Delete o\n"
        u"  End If\n"
        u"End Try\n"_s,
    };
    static const QRegularExpression errorForm(u"^error at (\\d+):(\\d+): \\S.*$"_s);
    for (const QString &program : programs) {
        const std::string whole = basicIL(program);
        ASSERT_EQ(whole.rfind("<program>\n", 0), 0u) << whole;
        for (qsizetype length = 0; length < program.size(); ++length) {
            const QString prefix = program.left(length);
            const QString result = QString::fromStdString(basicIL(prefix));
            SCOPED_TRACE(prefix.toStdString());
            if (result.startsWith(u"<program>\n"_s))
                continue;
            const QRegularExpressionMatch m = errorForm.match(result);
            ASSERT_TRUE(m.hasMatch()) << result.toStdString();
            // The position lies in the text, or at the start of the line after its last
            // line end (the compiled text ends every line with a line end).
            const int line = m.captured(1).toInt();
            const int column = m.captured(2).toInt();
            const QStringList lines = prefix.split(u'\n');
            ASSERT_GE(line, 1);
            ASSERT_LE(line, lines.size() + 1);
            ASSERT_GE(column, 1);
            if (line <= lines.size())
                EXPECT_LE(column, lines.at(line - 1).size() + 2);
            else
                EXPECT_EQ(column, 1);
        }
    }
}

// Cases that once took the wrong branch.
TEST(BasicRegressions, OneLineIfInsideBlockKeepsItsElseOnItsLine)
{
    // The inner one-line If must not take the outer block's Else.
    EXPECT_EQ(basicIL(u"If a Then\nIf b Then c = 1\nElse\nd = 2\nEnd If"_s),
              programIL(u"ifstmt@1:1(expr@1:4-1:5(dsgn@1:4(node{a}@1:5))"
                        u" thenstmt@2:1(ifstmt@2:1(expr@2:4-2:5(dsgn@2:4(node{b}@2:5))"
                        u"  thenstmt@2:11(assignstmt@2:11(dsgn@2:11(node{c}@2:12)"
                        u"   expr@2:15-2:16(number{1}@2:16)))))"
                        u" elsestmt@3:1(assignstmt@4:1(dsgn@4:1(node{d}@4:2) expr@4:5-4:6(number{2}@4:6))))"_s));
}

TEST(BasicRegressions, UnreservedBreakCanBeAVariable)
{
    // break and continue are not reserved words: assigning to them is an assignment.
    EXPECT_EQ(basicIL(u"break = 1"_s),
              programIL(u"assignstmt@1:1(dsgn@1:1(node{break}@1:6) expr@1:9-1:10(number{1}@1:10))"_s));
}

TEST(BasicRegressions, EmptyParameterListAndCall)
{
    EXPECT_EQ(basicIL(u"Sub A()\nEnd Sub\nA()"_s),
              programIL(u"procedure@1:1(name{A}@1:6 parameters@1:6 compoundstmt@2:1 exit@2:5)"
                        u"callstmt@3:1(dsgn@3:1(node{A}@3:2))"_s));
}

// Defects a parse may never reach: a reference to a missing rule, an err key without a
// message, a rule renamed away from the name the translator's readers expect.
TEST(BasicGrammar, ReferencesAndErrorKeysResolve)
{
    kyEnsureBuiltinLanguages();
    const std::shared_ptr<const TkyGrammar> grammar = kyGetGrammar(u"BasicScript"_s);
    ASSERT_TRUE(grammar);
    ASSERT_GE(grammar->ProgramRule(), 0);
    const std::vector<TkyRuleElement> &elements = grammar->Elements();
    // Walk the rules; `parser` and `types` are data, not rules.
    std::vector<int> pending;
    for (int i = 0; i < int(elements.size()); ++i) {
        const TkyRuleElement &e = elements[size_t(i)];
        if (e.Kind == rkRule && e.Name != u"parser"_s && e.Name != u"types"_s)
            pending.push_back(i);
    }
    int references = 0;
    while (!pending.empty()) {
        const TkyRuleElement &e = elements[size_t(pending.back())];
        pending.pop_back();
        if (e.Kind == rkReference) {
            ++references;
            EXPECT_GE(e.Target, 0) << "missing rule " << e.Name.toStdString();
        }
        if (e.HasErr) {
            EXPECT_FALSE(e.ErrText.startsWith(u"err"_s))
                << "no message for " << e.ErrText.toStdString();
        }
        pending.insert(pending.end(), e.Children.begin(), e.Children.end());
    }
    EXPECT_GT(references, 100);
}

TEST(BasicGrammar, RulesCarryTheirNodes)
{
    TkyXMLDocument doc;
    kyEnsureBuiltinLanguages();
    doc.LoadFromText(kyGetLanguage(u"BasicScript"_s));
    const TkyXMLItem *root = doc.Root();
    EXPECT_EQ(root->Prop(u"text"_s), u"BasicScript"_s);
    // rule -> the IL element it produces ("" for none)
    const std::pair<const char16_t *, const char16_t *> rules[] = {
        {u"program", u""},          {u"statements", u"compoundstmt"}, {u"statementlist", u""},
        {u"importstmt", u"uses"},   {u"dimstmt", u""},                {u"vardecl", u"var"},
        {u"asclause", u""},         {u"array", u"array"},             {u"arraydim", u"dim"},
        {u"initvalue", u"init"},    {u"expression", u"expr"},         {u"simpleexpression", u""},
        {u"term", u""},             {u"factor", u""},                 {u"setconstructor", u"set"},
        {u"setnode", u""},          {u"newoperator", u"new"},         {u"relop", u""},
        {u"addop", u""},            {u"mulop", u""},                  {u"designator", u"dsgn"},
        {u"exprlist", u""},         {u"statement", u""},              {u"breakstmt", u""},
        {u"continuestmt", u""},     {u"exitstmt", u""},               {u"deletestmt", u"delete"},
        {u"setstmt", u""},          {u"assignstmt", u"assignstmt"},   {u"callstmt", u"callstmt"},
        {u"returnstmt", u"return"}, {u"ifstmt", u"ifstmt"},           {u"thenstmt", u""},
        {u"elseifstmt", u"ifstmt"}, {u"elsestmt", u""},               {u"casestmt", u"casestmt"},
        {u"caseselector", u"caseselector"}, {u"dostmt", u"repeatstmt"}, {u"whilestmt", u"whilestmt"},
        {u"forstmt", u"vbforstmt"}, {u"trystmt", u"trystmt"},         {u"withstmt", u"with"},
        {u"procstmt", u"procedure"}, {u"funcstmt", u"function"},      {u"formalparameters", u"parameters"},
        {u"formalparam", u""},      {u"empty", u""},
    };
    for (const auto &[name, node] : rules) {
        const int index = root->Find(QString::fromUtf16(name));
        ASSERT_GE(index, 0) << QString::fromUtf16(name).toStdString();
        EXPECT_EQ(root->Items(index)->Prop(u"node"_s), QString::fromUtf16(node))
            << QString::fromUtf16(name).toStdString();
    }
    const TkyXMLItem *empty = root->Items(root->Find(u"empty"_s));
    EXPECT_EQ(empty->Count(), 0);
}

} // namespace
