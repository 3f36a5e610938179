// The code editor widget driven by keys and clicks: typing recolours the lines after it,
// the text's own undo and redo, gutter breakpoints, bookmarks by key, search.

#include <designer/code/kavDesgnSyntaxMemo.h>
#include <script/ky_langs.h>

#include <QLabel>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <mutex>

using namespace Qt::StringLiterals;

namespace {

struct Memo
{
    TkavSyntaxMemo memo;
    Memo(const QString &text)
    {
        static std::once_flag once;
        std::call_once(once, [] { kyRegisterBuiltinLanguages(); });
        memo.resize(400, 300);
        memo.SetSyntax(u"PascalScript"_s);
        memo.LoadText(text);
        memo.show();
    }
    // The format drawn at column (1-based) of the line.
    QTextCharFormat formatAt(int line, int column)
    {
        const QTextBlock block = memo.document()->findBlockByNumber(line - 1);
        for (const QTextLayout::FormatRange &range : block.layout()->formats())
            if (column - 1 >= range.start && column - 1 < range.start + range.length)
                return range.format;
        return {};
    }
    void caretTo(int line, int column)
    {
        QTextCursor cursor(memo.document()->findBlockByNumber(line - 1));
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column - 1);
        memo.setTextCursor(cursor);
    }
};

} // namespace

TEST(SyntaxMemo, TypingABlockCommentRecoloursTheFollowingLines)
{
    Memo m(u"x := 1;\nbegin\nend."_s);
    EXPECT_TRUE(m.formatAt(2, 1).font().bold());
    EXPECT_FALSE(m.formatAt(2, 1).fontItalic());
    m.caretTo(1, 1);
    QTest::keyClick(&m.memo, Qt::Key_BraceLeft, Qt::NoModifier);
    EXPECT_EQ(m.memo.Text(), u"{x := 1;\nbegin\nend."_s);
    EXPECT_TRUE(m.formatAt(2, 1).fontItalic());
    EXPECT_TRUE(m.formatAt(3, 2).fontItalic());
    QTest::keyClick(&m.memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m.memo.Text(), u"x := 1;\nbegin\nend."_s);
    EXPECT_TRUE(m.formatAt(2, 1).font().bold());
    EXPECT_FALSE(m.formatAt(2, 1).fontItalic());
}

TEST(SyntaxMemo, UndoAndRedoByKeysKeepTextAndCaret)
{
    Memo m(u"begin\nend."_s);
    QString told; // what the owner of the script last heard
    m.memo.OnChangeText = [&] { told = m.memo.Text(); };
    m.caretTo(2, 1);
    QTest::keyClicks(&m.memo, u"a := 2;"_s);
    QTest::keyClick(&m.memo, Qt::Key_Return);
    m.caretTo(1, 6);
    QTest::keyClicks(&m.memo, u" // go"_s);
    EXPECT_EQ(m.memo.Text(), u"begin // go\na := 2;\nend."_s);
    EXPECT_TRUE(m.memo.Model().Modified());
    QTest::keyClick(&m.memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m.memo.Text(), u"begin\na := 2;\nend."_s);
    EXPECT_EQ(m.memo.textCursor().blockNumber(), 0);
    EXPECT_EQ(m.memo.textCursor().positionInBlock(), 5);
    QTest::keyClick(&m.memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m.memo.Text(), u"begin\nend."_s);
    EXPECT_EQ(told, m.memo.Text());
    QTest::keyClick(&m.memo, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(m.memo.Text(), u"begin\na := 2;\nend."_s);
    EXPECT_EQ(told, m.memo.Text());
    // The widget's own document shows what the text holds.
    EXPECT_EQ(m.memo.toPlainText(), m.memo.Text());
}

// Return starts the new line under the text of the one above; one undo takes it back.
TEST(SyntaxMemo, ReturnKeepsTheIndentation)
{
    Memo m(u"begin\n  a := 1;\nend."_s);
    m.caretTo(2, 10);
    QTest::keyClick(&m.memo, Qt::Key_Return);
    QTest::keyClicks(&m.memo, u"b := 2;"_s);
    EXPECT_EQ(m.memo.Text(), u"begin\n  a := 1;\n  b := 2;\nend."_s);
    m.caretTo(1, 6);
    QTest::keyClick(&m.memo, Qt::Key_Return);
    EXPECT_EQ(m.memo.Text(), u"begin\n\n  a := 1;\n  b := 2;\nend."_s);
    QTest::keyClick(&m.memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m.memo.Text(), u"begin\n  a := 1;\n  b := 2;\nend."_s);
}

TEST(SyntaxMemo, GutterClickTogglesBreakpointsAndKeysSetBookmarks)
{
    Memo m(u"begin\n  a := 1;\n  b := 2;\nend."_s);
    const QRect line3 = m.memo.cursorRect(QTextCursor(m.memo.document()->findBlockByNumber(2)));
    auto *gutter = m.memo.findChild<QWidget *>(u"gutter"_s);
    ASSERT_NE(gutter, nullptr);
    QTest::mouseClick(gutter, Qt::LeftButton, {}, QPoint(5, line3.center().y()));
    EXPECT_TRUE(m.memo.Model().IsBreakPoint(3));
    EXPECT_FALSE(gutter->grab().isNull());
    QTest::mouseClick(gutter, Qt::LeftButton, {}, QPoint(5, line3.center().y()));
    EXPECT_FALSE(m.memo.Model().IsBreakPoint(3));

    m.caretTo(2, 3);
    QTest::keyClick(&m.memo, Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(m.memo.Model().IsBookmark(2), 1);
    m.caretTo(4, 1);
    QTest::keyClick(&m.memo, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(m.memo.textCursor().blockNumber(), 1);
    EXPECT_EQ(m.memo.Text(), u"begin\n  a := 1;\n  b := 2;\nend."_s); // no digit typed
}

TEST(SyntaxMemo, FindAndReplaceShowTheirSelection)
{
    Memo m(u"a := b;\nb := a;"_s);
    int from = 0;
    ASSERT_TRUE(m.memo.Find(u"B :="_s, false, from));
    EXPECT_EQ(m.memo.textCursor().selectedText(), u"b :="_s);
    EXPECT_EQ(m.memo.textCursor().blockNumber(), 1);
    EXPECT_EQ(m.memo.ReplaceAll(u"a"_s, u"x"_s, true), 2);
    EXPECT_EQ(m.memo.toPlainText(), u"x := b;\nb := x;"_s);
    QTest::keyClick(&m.memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m.memo.toPlainText(), u"a := b;\nb := a;"_s);
}

// The gutter in the button face colour with a line in the shadow colour at its edge; the
// message bar across the bottom in white bold on dark red, the text kept above it.
TEST(SyntaxMemo, GutterAndMessageBarPaint)
{
    Memo m(u"begin\nend."_s);
    auto *gutter = m.memo.findChild<QWidget *>(u"gutter"_s);
    auto *bar = m.memo.findChild<QLabel *>(u"messageBar"_s);
    ASSERT_TRUE(gutter && bar);
    EXPECT_FALSE(bar->isVisible());
    m.memo.ShowMessage(u"Undeclared identifier: 'x'"_s);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->font().bold());
    EXPECT_EQ(bar->font().family(), u"Tahoma"_s);
    EXPECT_EQ(bar->font().pointSize(), 8);
    EXPECT_EQ(bar->geometry().bottom(), m.memo.contentsRect().bottom());
    EXPECT_LE(m.memo.viewport()->geometry().bottom(), bar->geometry().top());

    const QImage shot = m.memo.grab().toImage();
    const QPalette &p = m.memo.palette();
    EXPECT_EQ(shot.pixel(bar->geometry().bottomRight() - QPoint(2, 1)), qRgb(128, 0, 0));
    const int emptyY = gutter->geometry().top() + 3 * m.memo.fontMetrics().height();
    EXPECT_EQ(shot.pixel(gutter->geometry().left() + 1, emptyY), p.color(QPalette::Button).rgb());
    EXPECT_EQ(shot.pixel(gutter->geometry().right(), emptyY), p.color(QPalette::Dark).rgb());

    m.memo.ShowMessage(QString());
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(m.memo.viewport()->geometry().bottom(), m.memo.contentsRect().bottom());
}
