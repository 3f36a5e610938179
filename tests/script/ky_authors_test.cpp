// Scripts as report authors write them, in the four languages with the standard library:
// their own names over the library's, unary minus inside expressions, JScript's joining +,
// break and continue outside loops, and a failed allocation as a script error. Each case
// is a program and what it shows, or its compile error.

#include "kyScriptTestSupport.h"

#include <rtl/kavExceptions.h>
#include <script/ky_classes.h>
#include <script/ky_script.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <new>
#include <string>

using namespace Qt::StringLiterals;

namespace {

struct AuthorCase
{
    const char *name;
    const char16_t *language;
    const char16_t *source;
    const char *expected;
};

std::string runCase(const AuthorCase &c)
{
    KyShownMessages shown;
    TkyScript script;
    kyPrepareLibraryScript(script);
    return kyRunOutcome(script, shown.lines, QString::fromUtf16(c.language),
                        QString::fromUtf16(c.source))
        .toStdString();
}

const AuthorCase kCases[] = {
    // A declaration may take a name the library has; the script's own item wins.
    {"PascalGlobalsShadowLibrary", u"PascalScript",
     u"var Count, Trim: Integer;\r\nbegin Count := 2; Trim := 3; ShowMessage(Count + Trim); end.",
     "5"},
    {"PascalRoutineShadowsLibrary", u"PascalScript",
     u"function Trim(s: String): String; begin Result := '[' + s + ']'; end;\r\n"
     u"begin ShowMessage(Trim(' a ')); end.",
     "[ a ]"},
    {"PascalOwnNamesStillClash", u"PascalScript", u"var a: Integer; a: String;\r\nbegin end.",
     "compile error at 1:18: Identifier redeclared: 'a'"},
    {"CppGlobalShadowsLibrary", u"C++Script", u"int Count = 4;\r\n{ ShowMessage(Count); }", "4"},
    {"BasicGlobalShadowsLibrary", u"BasicScript", u"Dim Trim\r\nTrim = 3\r\nShowMessage(Trim)",
     "3"},
    {"JScriptGlobalShadowsLibrary", u"JScript", u"var Count = 4; ShowMessage(Count);", "4"},

    // Unary minus wherever a factor may stand.
    {"PascalUnaryMinus", u"PascalScript",
     u"function Foo(a: Integer): Integer; begin Result := a; end;\r\n"
     u"var x: Integer;\r\n"
     u"begin x := 5; ShowMessage(x * -1); ShowMessage(1 - -2); ShowMessage(Foo(2 * -3));\r\n"
     u"ShowMessage(-x - -x); ShowMessage(2 * -(x + 1)); ShowMessage(not -1 = 0); end.",
     "-5 3 -6 0 -12 True"},
    {"CppUnaryMinus", u"C++Script",
     u"int Foo(int a) { return a; }\r\n"
     u"{ int x = 5; ShowMessage(x * -1); ShowMessage(1 - -2); ShowMessage(Foo(2 * -3)); }",
     "-5 3 -6"},
    {"BasicUnaryMinus", u"BasicScript",
     u"Function Foo(a)\r\nReturn a\r\nEnd Function\r\n"
     u"x = 5\r\nShowMessage(x * -1)\r\nShowMessage(1 - -2)\r\nShowMessage(Foo(2 * -3))",
     "-5 3 -6"},
    {"JScriptUnaryMinus", u"JScript",
     u"function Foo(a) { return a; }\r\n"
     u"var x = 5; ShowMessage(x * -1); ShowMessage(1 - -2); ShowMessage(Foo(2 * -3));",
     "-5 3 -6"},
    {"UnaryMinusNeedsAnOperand", u"PascalScript", u"begin ShowMessage(2 * -); end.",
     "compile error at 1:24: Expression expected"},

    // JScript's + joins text when either side is text; the other languages keep theirs.
    {"JScriptPlusJoinsText", u"JScript",
     u"var n = 5; ShowMessage(\"n=\" + n); ShowMessage(n + \" apples\"); ShowMessage(1 + 2);\r\n"
     u"ShowMessage(\"a\" + 1 + 2); ShowMessage(1 + 2 + \"a\");\r\n"
     u"var s = \"x\"; s += 1; ShowMessage(s); var k = 1; k += 2; ShowMessage(k);",
     "n=5 5 apples 3 a12 3a x1 3"},
    {"JScriptPlusRefusesObjects", u"JScript", u"var l = new TStringList; var s = \"a\" + l;",
     "runtime error: Could not convert variant of type (Object) into type (String)"},
    {"CppPlusKeepsItsTypes", u"C++Script", u"{ ShowMessage(\"n=\" + 5); }",
     "compile error at 1:21: Incompatible types"},

    // break and continue belong to a loop of their own routine.
    {"PascalBreakOutsideLoop", u"PascalScript", u"begin\r\n  break;\r\n  ShowMessage('after');\r\nend.",
     "compile error at 2:3: Break or continue outside a loop"},
    {"PascalContinueInRoutineCalledFromLoop", u"PascalScript",
     u"procedure P; begin continue; end;\r\nvar i: Integer;\r\nbegin for i := 1 to 2 do P; end.",
     "compile error at 1:20: Break or continue outside a loop"},
    {"PascalBreakInCaseInLoop", u"PascalScript",
     u"var i: Integer;\r\nbegin i := 0;\r\nwhile i < 9 do begin i := i + 1; case i of 3: break; end; end;\r\n"
     u"ShowMessage(i); end.",
     "3"},
    {"CppBreakOutsideLoop", u"C++Script", u"{ break; }",
     "compile error at 1:3: Break or continue outside a loop"},
    {"CppSwitchBreakIsNoLoopBreak", u"C++Script",
     u"{ switch (1) { case 1: ShowMessage(\"one\"); break; } }", "one"},
    {"BasicExitForOutsideLoop", u"BasicScript", u"Exit For",
     "compile error at 1:1: Break or continue outside a loop"},
    {"JScriptContinueOutsideLoop", u"JScript", u"continue;",
     "compile error at 1:1: Break or continue outside a loop"},
};

class Authors : public ::testing::TestWithParam<AuthorCase>
{};

TEST_P(Authors, ShowWhatAuthorsExpect)
{
    EXPECT_EQ(runCase(GetParam()), GetParam().expected);
}

std::string caseName(const ::testing::TestParamInfo<AuthorCase> &info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Idioms, Authors, ::testing::ValuesIn(kCases), caseName);

// A failed allocation inside a library call is an error of the script: try...except sees
// it, and uncaught it leaves Execute as EOutOfMemory, never as std::bad_alloc.
TEST(AuthorsHostile, FailedAllocationIsAScriptError)
{
    KyShownMessages shown;
    TkyScript script;
    kyPrepareLibraryScript(script);
    script.AddMethod(u"procedure Exhaust"_s,
                     TkyCallMethodNewEvent([](TObject *, const TkavClassInfo *, const QString &,
                                              TkyMethodHelper &) -> Variant {
                         throw std::bad_alloc();
                     }));
    EXPECT_EQ(kyRunOutcome(script, shown.lines, u"PascalScript"_s,
                           u"begin\r\ntry Exhaust; except ShowMessage(ExceptionClassName + ': ' + "
                           u"ExceptionMessage); end;\r\nExhaust;\r\nend."_s)
                  .toStdString(),
              "EOutOfMemory: Out of memory runtime error: Out of memory");
    EXPECT_EQ(script.RunErrorPos(), u"3:1"_s);
}

// Relative names in the file built-ins are taken from the script's folder, whatever the
// working folder is.
TEST(AuthorsFiles, RelativeNamesLieInTheScriptsFolder)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    KyShownMessages shown;
    TkyScript script;
    kyPrepareLibraryScript(script);
    script.SetFilesFolder(folder.path());
    ASSERT_NE(QDir::currentPath(), QDir(folder.path()).canonicalPath());
    EXPECT_EQ(kyRunOutcome(script, shown.lines, u"PascalScript"_s,
                           u"var l: TStringList;\r\nbegin l := TStringList.Create;\r\n"
                           u"l.Add('beside'); l.SaveToFile('rel.txt'); l.Clear;\r\n"
                           u"l.LoadFromFile('rel.txt'); ShowMessage(l[0]); end."_s)
                  .toStdString(),
              "beside");
    EXPECT_TRUE(QFile::exists(folder.filePath(u"rel.txt"_s)));
    EXPECT_FALSE(QFile::exists(u"rel.txt"_s));
}

} // namespace
