// The code editor's text: colouring per language, edits recolouring what follows, the
// undo history, bookmarks and breakpoints, search and replace.

#include <designer/code/kavDesgnSyntaxText.h>
#include <script/ky_langs.h>

#include <gtest/gtest.h>

#include <mutex>

using namespace Qt::StringLiterals;

namespace {

void registerLanguages()
{
    static std::once_flag once;
    std::call_once(once, [] { kyRegisterBuiltinLanguages(); });
}

// The attribute codes of the first occurrence of piece on the line, as one code when all
// its characters share it, else 0.
int codeOf(TkavSyntaxText &text, int line, const QString &piece)
{
    const qsizetype at = text.Lines()[line - 1].indexOf(piece);
    EXPECT_GE(at, 0) << piece.toStdString();
    const QString codes = text.LineAttributes(line).mid(at, piece.size());
    for (QChar c : codes)
        if (c != codes[0])
            return 0;
    return codes.isEmpty() ? 0 : codes[0].unicode();
}

struct LanguageCase
{
    const char *language;
    const char *source;
    const char *keyword, *comment, *string, *number, *ident;
};

} // namespace

TEST(SyntaxText, ColoursKeywordsCommentsStringsAndNumbersOfEachLanguage)
{
    registerLanguages();
    const LanguageCase cases[] = {
        {"PascalScript", "begin x := 'it''s' + 42; { note } end.", "begin", "{ note }", "'it''s'", "42", "x"},
        {"C++Script", "{ if (x) s = \"a\\\"b\"; /* note */ n = 0x1F; }", "if", "/* note */", "\"a\\\"b\"", "0x1F", "s"},
        {"BasicScript", "If x Then s = \"hi\" ' note", "If", "' note", "\"hi\"", "", "x"},
        {"JScript", "var s = \"hi\"; // note", "var", "// note", "\"hi\"", "", "s"},
        {"SQL", "select name from t where id = 7 -- note", "select", "-- note", "", "7", "name"},
    };
    for (const LanguageCase &c : cases) {
        SCOPED_TRACE(c.language);
        TkavSyntaxText text;
        text.SetSyntax(QString::fromUtf8(c.language));
        text.LoadText(QString::fromUtf8(c.source));
        EXPECT_EQ(codeOf(text, 1, QString::fromUtf8(c.keyword)), saKeyword);
        EXPECT_EQ(codeOf(text, 1, QString::fromUtf8(c.comment)), saComment);
        EXPECT_EQ(codeOf(text, 1, QString::fromUtf8(c.ident)), saText);
        if (*c.string) {
            EXPECT_EQ(codeOf(text, 1, QString::fromUtf8(c.string)), saString);
        }
        if (*c.number) {
            EXPECT_EQ(codeOf(text, 1, QString::fromUtf8(c.number)), saNumber);
        }
    }
}

TEST(SyntaxText, KeywordCaseFollowsTheLanguage)
{
    registerLanguages();
    TkavSyntaxText text;
    text.SetSyntax(u"C++Script"_s);
    text.LoadText(u"If (x) if (y) z;"_s);
    EXPECT_EQ(codeOf(text, 1, u"If"_s), saText);
    EXPECT_EQ(codeOf(text, 1, u"if"_s), saKeyword);
    text.SetSyntax(u"PascalScript"_s);
    EXPECT_EQ(codeOf(text, 1, u"If"_s), saKeyword);
    text.SetSyntax(u"NoSuchLanguage"_s);
    EXPECT_EQ(codeOf(text, 1, u"if"_s), saText);
}

TEST(SyntaxText, OpeningABlockCommentRecoloursTheLinesAfterIt)
{
    registerLanguages();
    TkavSyntaxText text;
    text.SetSyntax(u"PascalScript"_s);
    text.LoadText(u"a := 1;\nbegin\nend."_s);
    EXPECT_EQ(codeOf(text, 3, u"end"_s), saKeyword);
    text.SetPos(1, 1);
    text.InsertText(u"{"_s);
    EXPECT_EQ(codeOf(text, 2, u"begin"_s), saComment);
    EXPECT_EQ(codeOf(text, 3, u"end."_s), saComment);
    // Closing it on the last line gives the code back only after the comment.
    text.SetPos(4, 3);
    text.InsertText(u"} x"_s);
    EXPECT_EQ(codeOf(text, 3, u"x"_s), saText);
    EXPECT_EQ(codeOf(text, 2, u"begin"_s), saComment);
}

TEST(SyntaxText, ColouringIsLazyAndResumesAfterAnEdit)
{
    registerLanguages();
    TkavSyntaxText text;
    text.SetSyntax(u"PascalScript"_s);
    QStringList lines;
    for (int i = 0; i < 50; ++i)
        lines << u"x := 'a'; // c"_s;
    text.LoadText(lines.join(u'\n'));
    text.LineAttributes(10);
    EXPECT_EQ(text.ColouredLines(), 10);
    text.SetPos(1, 30);
    text.InsertText(u"begin "_s);
    EXPECT_EQ(codeOf(text, 30, u"begin"_s), saKeyword);
    // Every line coloured after the resume matches a fresh colouring of the same text.
    TkavSyntaxText fresh;
    fresh.SetSyntax(u"PascalScript"_s);
    fresh.LoadText(text.Text());
    for (int line = 1; line <= 50; ++line)
        EXPECT_EQ(text.LineAttributes(line), fresh.LineAttributes(line)) << line;
}

TEST(SyntaxText, UndoKeepsThirtyTwoStepsWithTheCaretAndRedoes)
{
    TkavSyntaxText text;
    text.LoadText(u"start"_s);
    for (int i = 0; i < 33; ++i) {
        text.SetPos(1, 1);
        text.InsertText(u"x"_s);
    }
    EXPECT_EQ(text.Text(), QString(33, u'x') + u"start"_s);
    int undone = 0;
    while (text.Undo())
        ++undone;
    EXPECT_EQ(undone, TkavSyntaxText::MaxUndo);
    EXPECT_EQ(text.Text(), u"xstart"_s); // the first state fell out of the history
    EXPECT_TRUE(text.Redo());
    EXPECT_EQ(text.Text(), u"xxstart"_s);
    // Typing at one place is one step; an edit clears what could be redone.
    text.SetPos(3, 1);
    text.InsertText(u"a"_s);
    text.InsertText(u"b"_s);
    EXPECT_EQ(text.RedoCount(), 0);
    ASSERT_TRUE(text.Undo());
    EXPECT_EQ(text.Text(), u"xxstart"_s);
    EXPECT_EQ(text.Pos(), QPoint(3, 1));
}

TEST(SyntaxText, BookmarksBreakpointsAndRunLinesFollowTheirLines)
{
    TkavSyntaxText text;
    text.LoadText(u"a\nb\nc"_s);
    text.AddBookmark(3, 2);
    EXPECT_EQ(text.IsBookmark(3), 2);
    EXPECT_EQ(text.IsBookmark(1), -1);
    text.ToggleBreakPoint(3);
    text.ToggleBreakPoint(3);
    EXPECT_FALSE(text.IsBreakPoint(3));
    text.AddBreakPoint(2, u"F4"_s);
    text.AddBreakPoint(3, u"i > 2"_s);
    text.DeleteF4BreakPoints();
    EXPECT_FALSE(text.IsBreakPoint(2));
    EXPECT_EQ(text.GetBreakPointCondition(3), u"i > 2"_s);
    text.SetRunLine(99, true);
    EXPECT_FALSE(text.GetRunLine(99));
    // Two lines inserted above move the marks down with their text.
    text.SetPos(1, 1);
    text.InsertText(u"new\nnew\n"_s);
    EXPECT_EQ(text.IsBookmark(5), 2);
    EXPECT_TRUE(text.IsBreakPoint(5));
    EXPECT_EQ(text.GotoBookmark(2), 5);
    EXPECT_EQ(text.Pos(), QPoint(1, 5));
    EXPECT_EQ(text.GotoBookmark(7), -1);
}

TEST(SyntaxText, FindCountsLineBreaksAsTwoAndSearchesOneLineTexts)
{
    TkavSyntaxText text;
    text.LoadText(u"begin\nend."_s);
    int from = 0;
    ASSERT_TRUE(text.Find(u"END"_s, false, from));
    EXPECT_EQ(from, 11);
    EXPECT_EQ(text.SelText(), u"end"_s);
    EXPECT_EQ(text.Pos(), QPoint(1, 2));
    EXPECT_FALSE(text.Find(u"END"_s, false, from));
    from = 0;
    EXPECT_FALSE(text.Find(u"END"_s, true, from));

    TkavSyntaxText line;
    line.LoadText(u"[Total] * 2"_s);
    from = 1;
    ASSERT_TRUE(line.Find(u"2"_s, false, from));
    EXPECT_EQ(line.SelStart(), QPoint(11, 1));
}

TEST(SyntaxText, ReplaceNextAndReplaceAllAreUndoable)
{
    TkavSyntaxText text;
    text.LoadText(u"a := b;\nb := a;"_s);
    int from = 0;
    ASSERT_TRUE(text.Find(u"a"_s, true, from));
    EXPECT_TRUE(text.ReplaceNext(u"a"_s, u"alpha"_s, true, from));
    EXPECT_EQ(text.Text(), u"alpha := b;\nb := a;"_s);
    EXPECT_EQ(text.SelStart(), QPoint(6, 2)); // the next one is selected
    EXPECT_FALSE(text.ReplaceNext(u"a"_s, u"alpha"_s, true, from));
    EXPECT_EQ(text.Text(), u"alpha := b;\nb := alpha;"_s);
    EXPECT_EQ(text.ReplaceAll(u"ALPHA"_s, u"c"_s, false), 2);
    EXPECT_EQ(text.Text(), u"c := b;\nb := c;"_s);
    ASSERT_TRUE(text.Undo());
    EXPECT_EQ(text.Text(), u"alpha := b;\nb := alpha;"_s);
    EXPECT_EQ(text.ReplaceAll(u"zzz"_s, u"c"_s, false), 0);
}
