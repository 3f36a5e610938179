// Code completion without widgets: keywords, library functions and classes, the report's
// objects and their members after a dot, what the script declares in each language, and
// the places where nothing is offered (comments, strings, a dot after no name).

#include "kavDesignerTestSupport.h"

#include <designer/code/kavDesgnCompletion.h>
#include <designer/code/kavDesgnSyntaxMemo.h>
#include <scriptlib/kavScriptLibrary.h>

#include <QListWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

class CompletionTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        kavRegisterScriptLibrary();
        insertMemo(10, 10); // Memo1 on the master band
        completion.SetReport(report.get());
    }

    // The candidates with the caret at "|" in text.
    TkavCompletionList at(const QString &text, const QString &language = u"PascalScript"_s)
    {
        const int caret = int(text.indexOf(u'|'));
        return completion.Candidates(QString(text).remove(caret, 1), caret, language);
    }
    static QStringList names(const TkavCompletionList &list)
    {
        QStringList result;
        for (const TkavCompletionItem &item : list.Items)
            result << item.Text;
        return result;
    }
    static const TkavCompletionItem *item(const TkavCompletionList &list, const QString &name)
    {
        for (const TkavCompletionItem &i : list.Items)
            if (i.Text == name)
                return &i;
        return nullptr;
    }

    TkavCompletion completion;
};

} // namespace

TEST_F(CompletionTest, GlobalsAreFilteredByTheWordBeingTyped)
{
    const TkavCompletionList list = at(u"begin\n  intto|\nend."_s);
    EXPECT_EQ(list.Prefix, u"intto"_s);
    EXPECT_EQ(list.WordStart, 8);
    EXPECT_FALSE(list.Members);
    ASSERT_TRUE(item(list, u"IntToStr"_s));
    EXPECT_EQ(item(list, u"IntToStr"_s)->Kind, ckFunction);
    EXPECT_TRUE(item(list, u"IntToStr"_s)->Detail.contains(u"IntToStr"_s));
    for (const QString &name : names(list))
        EXPECT_TRUE(name.startsWith(u"IntTo"_s, Qt::CaseInsensitive)) << name.toStdString();

    EXPECT_EQ(item(at(u"TStringL|"_s), u"TStringList"_s)->Kind, ckClass);
    EXPECT_EQ(item(at(u"Mem|"_s), u"Memo1"_s)->Kind, ckObject);
    EXPECT_EQ(item(at(u"Mem|"_s), u"Memo1"_s)->Detail, u"TkavMemoView"_s);
    EXPECT_TRUE(item(at(u"Rep|"_s), u"Report"_s));
    // Each language's own keywords.
    EXPECT_TRUE(item(at(u"beg|"_s), u"begin"_s));
    EXPECT_TRUE(item(at(u"ret|"_s, u"C++Script"_s), u"return"_s));
    EXPECT_FALSE(item(at(u"beg|"_s, u"C++Script"_s), u"begin"_s));
    EXPECT_TRUE(item(at(u"wen|"_s, u"BasicScript"_s), u"wend"_s));
    // SQL: its keywords and nothing of the script library.
    EXPECT_TRUE(item(at(u"sel|"_s, u"SQL"_s), u"select"_s));
    EXPECT_TRUE(at(u"IntTo|"_s, u"SQL"_s).Items.isEmpty());
}

TEST_F(CompletionTest, MembersAfterADot)
{
    // A report object: published properties, the script's methods and properties.
    TkavCompletionList list = at(u"begin\n  Memo1.|\nend."_s);
    EXPECT_TRUE(list.Members);
    EXPECT_EQ(list.Prefix, QString());
    for (const char16_t *name : {u"Left", u"Memo", u"Font", u"Text", u"CalcWidth", u"OnBeforePrint"})
        EXPECT_TRUE(item(list, QString::fromUtf16(name))) << QString::fromUtf16(name).toStdString();
    EXPECT_EQ(item(list, u"CalcWidth"_s)->Kind, ckMethod);
    EXPECT_EQ(item(list, u"OnBeforePrint"_s)->Kind, ckEvent);
    EXPECT_FALSE(item(list, u"IntToStr"_s)); // no globals among members
    EXPECT_EQ(names(at(u"memo1.le|"_s)), QStringList{u"Left"_s});
    // A sub-object, children through their parents, the report.
    EXPECT_TRUE(item(at(u"Memo1.Font.|"_s), u"Size"_s));
    QStringList parents; // "Page1", then its band
    for (const TkavComponent *c = find(u"Memo1"_s)->Parent(); c && c != report.get(); c = c->Parent())
        parents.prepend(c->Name());
    ASSERT_EQ(parents.size(), 2);
    EXPECT_TRUE(item(at(parents.join(u'.') + u".Me|"_s), u"Memo1"_s));
    EXPECT_TRUE(item(at(u"Report.Pa|"_s), u"Page1"_s));
    // A class, and a variable the script declares with a class type.
    EXPECT_TRUE(item(at(u"TStringList.Cr|"_s), u"Create"_s));
    list = at(u"var sl: TStringList;\nbegin\n  sl.|\nend."_s);
    EXPECT_TRUE(item(list, u"Add"_s));
    EXPECT_TRUE(item(list, u"Count"_s));
    // Nothing after an unknown name or after something that is not a name.
    EXPECT_TRUE(at(u"Nothing.|"_s).Items.isEmpty());
    EXPECT_TRUE(at(u"x := (a).|"_s).Items.isEmpty());
    EXPECT_TRUE(at(u"x := 1.|"_s).Items.isEmpty());
}

struct DeclarationCase
{
    const char16_t *language;
    const char16_t *text; // the caret at "|"
    const char16_t *name;
    TkavCompletionKind kind;
};

TEST_F(CompletionTest, WhatTheScriptDeclaresInEachLanguage)
{
    const DeclarationCase cases[] = {
        {u"PascalScript", u"var Total, Count2: Integer;\n  Rate: Extended;\nbegin\n  To|", u"Total", ckVariable},
        {u"PascalScript", u"var Total, Count2: Integer;\nbegin Cou|", u"Count2", ckVariable},
        {u"PascalScript", u"var a: Integer;\n  Rate: Extended;\nbegin Ra|", u"Rate", ckVariable},
        {u"PascalScript", u"const Limit = 5;\nbegin Li|", u"Limit", ckConstant},
        {u"PascalScript", u"procedure Recalc(x: Integer);\nbegin end;\nbegin Rec|", u"Recalc", ckProcedure},
        {u"C++Script", u"int counter = 0, other;\n{ cou|", u"counter", ckVariable},
        {u"C++Script", u"int counter = f(1, 2), other;\n{ oth|", u"other", ckVariable},
        {u"C++Script", u"void bump(int by) { counter = counter + by; }\n{ bu|", u"bump", ckProcedure},
        {u"C++Script", u"#define Limit 5\n{ Lim|", u"Limit", ckConstant},
        {u"BasicScript", u"Dim amount As Integer\nSub ShowIt\nEnd Sub\nam|", u"amount", ckVariable},
        {u"BasicScript", u"Dim amount As Integer\nSub ShowIt\nEnd Sub\nShowI|", u"ShowIt", ckProcedure},
        {u"JScript", u"var a1 = 1, b1;\nfunction f1() { }\nb|", u"b1", ckVariable},
        {u"JScript", u"var a1 = 1, b1;\nfunction f1() { }\nf|", u"f1", ckProcedure},
    };
    for (const DeclarationCase &c : cases) {
        const QString language = QString::fromUtf16(c.language);
        const auto items = at(QString::fromUtf16(c.text), language);
        const TkavCompletionItem *found = item(items, QString::fromUtf16(c.name));
        ASSERT_TRUE(found) << language.toStdString() << ": " << QString::fromUtf16(c.text).toStdString();
        EXPECT_EQ(found->Kind, c.kind) << QString::fromUtf16(c.name).toStdString();
    }
    // Not declarations: a statement keyword before a name, the word after "Exit Sub".
    EXPECT_FALSE(item(at(u"int f() { return result; }\nres|"_s, u"C++Script"_s), u"result"_s));
    EXPECT_FALSE(item(at(u"Sub A\n  Exit Sub\n  Total = 1\nEnd Sub\nTot|"_s, u"BasicScript"_s), u"Total"_s));
}

TEST_F(CompletionTest, NothingInCommentsAndStrings)
{
    EXPECT_TRUE(at(u"// IntTo|"_s).Items.isEmpty());
    EXPECT_TRUE(at(u"{ IntTo|"_s).Items.isEmpty());           // a comment left open
    EXPECT_TRUE(at(u"{ x } (* IntTo| *)"_s).Items.isEmpty()); // the second comment
    EXPECT_TRUE(at(u"ShowMessage('IntTo|')"_s).Items.isEmpty());
    EXPECT_TRUE(at(u"ShowMessage('Memo1.|')"_s).Items.isEmpty());
    EXPECT_TRUE(at(u"ShowMessage('open IntTo|"_s).Items.isEmpty()); // a string left open
    EXPECT_TRUE(at(u"x = \"IntTo|\";"_s, u"C++Script"_s).Items.isEmpty());
    EXPECT_TRUE(at(u"' IntTo|"_s, u"BasicScript"_s).Items.isEmpty());
    // Just after a comment or a string, and on the line after a line comment, it offers again.
    EXPECT_FALSE(at(u"{ x } IntTo|"_s).Items.isEmpty());
    EXPECT_FALSE(at(u"s := 'a'; IntTo|"_s).Items.isEmpty());
    EXPECT_FALSE(at(u"// note\nIntTo|"_s).Items.isEmpty());
    EXPECT_FALSE(at(u"ShowMessage('x');\nIntTo|"_s).Items.isEmpty());
}

TEST_F(CompletionTest, EdgesOfTheText)
{
    // The empty text and a caret outside the text: the whole list, no failure.
    EXPECT_TRUE(item(completion.Candidates(QString(), 0, u"PascalScript"_s), u"begin"_s));
    const TkavCompletionList clamped = completion.Candidates(u"IntTo"_s, 99, u"PascalScript"_s);
    EXPECT_EQ(clamped.Prefix, u"IntTo"_s);
    EXPECT_TRUE(item(clamped, u"IntToStr"_s));
    EXPECT_TRUE(at(u"x := 12|"_s).Items.isEmpty()); // a number is no word
    // An unknown language: nothing of the script's library, no failure.
    EXPECT_TRUE(at(u"Int|"_s, u"Nonsense"_s).Items.isEmpty());
    // Without a report: the library still, no report objects.
    TkavCompletion bare;
    EXPECT_TRUE(bare.Candidates(u"Mem"_s, 3, u"PascalScript"_s).Items.isEmpty());
    EXPECT_TRUE(bare.Candidates(u"Memo1."_s, 6, u"PascalScript"_s).Items.isEmpty());
    EXPECT_FALSE(bare.Candidates(u"IntTo"_s, 5, u"PascalScript"_s).Items.isEmpty());
}

// The list in the editor, driven by keys: Ctrl+Space opens it, typing narrows it, arrows
// move, Enter inserts in place of the whole word, Esc closes, "." after a name opens the
// members; an insert is one step of the editor's undo.
TEST_F(CompletionTest, EditorListDrivenByKeys)
{
    TkavSyntaxMemo memo;
    memo.resize(500, 300);
    memo.SetSyntax(u"PascalScript"_s);
    memo.Completion().SetReport(report.get());
    memo.LoadText(u"begin\n  StrT\nend."_s);
    memo.show();
    memo.SetPos(7, 2); // after "StrT"
    QListWidget &list = memo.CompletionList();

    QTest::keyClick(&memo, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(memo.CompletionVisible());
    const int all = list.count();
    EXPECT_GT(all, 1);
    QTest::keyClicks(&memo, u"oF"_s);
    ASSERT_TRUE(memo.CompletionVisible());
    EXPECT_LT(list.count(), all);
    EXPECT_EQ(list.currentItem()->text(), u"StrToFloat"_s);
    QTest::keyClick(&memo, Qt::Key_Return);
    EXPECT_FALSE(memo.CompletionVisible());
    EXPECT_EQ(memo.Text(), u"begin\n  StrToFloat\nend."_s);
    EXPECT_EQ(memo.GetPos(), QPoint(13, 2));

    // Typing a character that ends the word closes the list; Esc closes it without a change.
    QTest::keyClick(&memo, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_TRUE(memo.CompletionVisible());
    QTest::keyClick(&memo, Qt::Key_ParenLeft);
    EXPECT_FALSE(memo.CompletionVisible());
    QTest::keyClick(&memo, Qt::Key_Space, Qt::ControlModifier);
    QTest::keyClick(&memo, Qt::Key_Escape);
    EXPECT_FALSE(memo.CompletionVisible());
    EXPECT_EQ(memo.Text(), u"begin\n  StrToFloat(\nend."_s);

    // "." after a report object lists its members; Down moves, Tab inserts.
    memo.LoadText(u"begin\n  Memo1\nend."_s);
    memo.SetPos(8, 2);
    QTest::keyClick(&memo, Qt::Key_Period);
    ASSERT_TRUE(memo.CompletionVisible());
    QTest::keyClicks(&memo, u"Le"_s);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.currentItem()->text(), u"Left"_s);
    QTest::keyClick(&memo, Qt::Key_Backspace);
    QTest::keyClick(&memo, Qt::Key_Backspace);
    const int first = list.currentRow();
    QTest::keyClick(&memo, Qt::Key_Down);
    EXPECT_EQ(list.currentRow(), first + 1);
    const QString chosen = list.currentItem()->text();
    QTest::keyClick(&memo, Qt::Key_Tab);
    EXPECT_EQ(memo.Text(), u"begin\n  Memo1."_s + chosen + u"\nend."_s);
    memo.Undo();
    EXPECT_EQ(memo.Text(), u"begin\n  Memo1.\nend."_s);

    // Nothing fits: no list. A dot in a string: no list.
    memo.LoadText(u"Qzxq"_s);
    memo.SetPos(5, 1);
    EXPECT_FALSE(memo.ShowCompletion());
    EXPECT_FALSE(memo.CompletionVisible());
    memo.LoadText(u"ShowMessage('Memo1')"_s);
    memo.SetPos(19, 1);
    QTest::keyClick(&memo, Qt::Key_Period);
    EXPECT_FALSE(memo.CompletionVisible());
}
