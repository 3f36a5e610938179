// The memo's dialogs: the memo editor, the display format editor, the system memo dialog
// and the highlight editor, each driven through its controls by name, confirmed from the
// designer (one undo step) and cancelled (the report's bytes unchanged).

#include "kavDesignerTestSupport.h"
#include "kavDialogTestSupport.h"

#include <designer/dialogs/kavDesgnFormatEditor.h>
#include <designer/dialogs/kavDesgnHighlightEditor.h>
#include <designer/dialogs/kavDesgnMemoEditor.h>
#include <designer/dialogs/kavDesgnSysMemoEditor.h>
#include <designer/trees/kavDesgnExprEditor.h>
#include <designer/window/kavDesgnTextDialogs.h>
#include <report/kavDMP.h>
#include <report/kavDataSets.h>

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

class MemoDialogsTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        report->SetIniFile(dir.filePath(u"designer.ini"_s));
        memo = insertMemo(10, masterTop() + 2);
    }
    // The on-screen dialogs instead of the scripted ones.
    void useRealDialogs() { kavSetDesignerDialogs(std::make_unique<TkavTextDesignerDialogs>()); }
    // The next expression editor answers text (empty: Cancel).
    static void answerExpression(const QString &text)
    {
        whenOpen([text](QDialog &d) {
            auto *editor = dynamic_cast<TkavExprEditorForm *>(&d);
            ASSERT_NE(editor, nullptr);
            editor->ExprMemo()->setText(text);
            text.isEmpty() ? d.reject() : d.accept();
        });
    }
    void addOrders()
    {
        auto *orders = TkavComponent::Create<TkavUserDataSet>(report.get());
        orders->SetName(u"Orders"_s);
        orders->Fields().SetText(u"Number\r\nAmount"_s);
        report->DataSets().Add(orders);
    }
    static QStringList conditions(const TkavCustomMemoView &m)
    {
        QStringList result;
        for (int i = 0; i < m.Highlights().Count(); ++i)
            result << static_cast<const TkavHighlight *>(m.Highlights().Items(i))->Condition();
        return result;
    }
    void setConditions(TkavCustomMemoView &m, const QStringList &list)
    {
        m.Highlights().Clear();
        for (const QString &c : list)
            static_cast<TkavHighlight *>(m.Highlights().Add())->SetCondition(c);
    }
    const TkavFormat &formatOf(const TkavCustomMemoView &m, int i)
    {
        return static_cast<const TkavFormat &>(*m.Formats().Items(i));
    }

    QTemporaryDir dir;
    TkavMemoView *memo = nullptr;
};

} // namespace

// --- memo editor -------------------------------------------------------------------------

TEST_F(MemoDialogsTest, MemoEditorOkFromTheDesignerIsOneUndoStepWithFormatsAndHighlights)
{
    memo->SetText(u"old"_s);
    memo->SetDataField(u"Amount"_s);
    doc->Select(memo);
    doc->SetModified(true);
    const QByteArray before = bytes();
    useRealDialogs();
    whenOpen([this](QDialog &d) {
        auto *text = field<QPlainTextEdit>(d, "MemoE");
        text->setPlainText(u"Total [A] of [B]"_s);
        // The Format tab pairs the text as typed; the second entry becomes a number.
        field<QTabWidget>(d, "PageControl")->setCurrentIndex(1);
        ASSERT_EQ(field<QComboBox>(d, "ExpressionCB")->count(), 2);
        field<QComboBox>(d, "ExpressionCB")->setCurrentIndex(1);
        field<QListWidget>(d, "CategoryLB")->setCurrentRow(fkNumeric);
        field<QLineEdit>(d, "FormatE")->setText(u"%2.2f"_s);
        answerExpression(u"Value > 100"_s);
        field<QPushButton>(d, "AddB")->click();
        QTest::keyClick(text, Qt::Key_Return, Qt::ControlModifier);
    });
    ASSERT_TRUE(doc->EditSelected());
    EXPECT_EQ(memo->Text(), u"Total [A] of [B]\r\n"_s);
    EXPECT_TRUE(memo->DataField().isEmpty());
    ASSERT_EQ(memo->Formats().Count(), 2);
    EXPECT_EQ(formatOf(*memo, 0).Kind(), fkText);
    EXPECT_EQ(formatOf(*memo, 1).Kind(), fkNumeric);
    EXPECT_EQ(formatOf(*memo, 1).FormatStr(), u"%2.2f"_s);
    EXPECT_EQ(conditions(*memo), QStringList{u"Value > 100"_s});
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(bytes(), before);
}

TEST_F(MemoDialogsTest, MemoEditorEscapeLeavesTheReportAsItWas)
{
    memo->SetText(u"[A] [B]"_s);
    setConditions(*memo, {u"Value < 0"_s, u"Value > 9"_s});
    doc->Select(memo);
    const QByteArray before = bytes();
    useRealDialogs();
    whenOpen([](QDialog &d) {
        field<QPlainTextEdit>(d, "MemoE")->setPlainText(u"changed"_s);
        field<QTabWidget>(d, "PageControl")->setCurrentIndex(2);
        field<QListWidget>(d, "HighlightsLB")->setCurrentRow(0);
        field<QPushButton>(d, "DeleteB")->click();
        QTest::keyClick(field<QPlainTextEdit>(d, "MemoE"), Qt::Key_Escape);
    });
    EXPECT_FALSE(doc->EditSelected());
    EXPECT_EQ(bytes(), before);
}

TEST_F(MemoDialogsTest, MemoEditorKeepsEmptyLinesOfAnUnchangedText)
{
    for (const QStringList &lines : {QStringList{u"A"_s, QString(), QString()}, QStringList{u"B"_s}, QStringList()}) {
        memo->Lines().Clear();
        for (const QString &line : lines)
            memo->Lines().Add(line);
        TkavMemoEditorForm dialog{TkavDesignerOptions()};
        dialog.load(*memo);
        dialog.apply(*memo);
        EXPECT_EQ(memo->Lines().ToStringList(), lines) << lines.join(u'|').toStdString();
    }
}

TEST_F(MemoDialogsTest, MemoEditorFontFollowsTheDesignerOptions)
{
    memo->Font().SetName(u"Times New Roman"_s);
    memo->Font().SetHeight(-16);
    memo->Font().SetColor(clRed);
    TkavDesignerOptions options;
    options.UseObjectFont = false;
    options.MemoFontName = u"Courier New"_s;
    options.MemoFontSize = 12;
    TkavMemoEditorForm designerFont(options);
    designerFont.load(*memo);
    const QFont chosen = field<QPlainTextEdit>(designerFont, "MemoE")->font();
    EXPECT_EQ(chosen.family(), u"Courier New"_s);
    EXPECT_EQ(chosen.pointSize(), 12);
    options.UseObjectFont = true;
    TkavMemoEditorForm objectFont(options);
    objectFont.load(*memo);
    auto *edit = field<QPlainTextEdit>(objectFont, "MemoE");
    EXPECT_EQ(edit->font().family(), u"Times New Roman"_s);
    EXPECT_EQ(edit->font().pixelSize(), 16);
    EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(Qt::black)); // not the memo's red
}

TEST_F(MemoDialogsTest, DotMatrixMemosHaveNoHighlightTab)
{
    TkavDMPMemoView dmp;
    dmp.SetText(u"[A]"_s);
    TkavMemoEditorForm dialog{TkavDesignerOptions()};
    dialog.load(dmp);
    auto *tabs = field<QTabWidget>(dialog, "PageControl");
    EXPECT_FALSE(tabs->isTabVisible(tabs->indexOf(dialog.findChild<QWidget *>(u"HighlightTS"_s))));
    dialog.apply(dmp);
    EXPECT_EQ(dmp.Highlights().Count(), 0);
    EXPECT_EQ(dmp.Formats().Count(), 1);
}

TEST_F(MemoDialogsTest, InsertedExpressionsTakeTheMemosDelimiters)
{
    TkavMemoEditorForm dialog{TkavDesignerOptions()};
    dialog.load(*memo);
    answerExpression(u"<Customers.\"Name\">"_s);
    dialog.InsertExpression();
    EXPECT_EQ(dialog.Text(), u"[Customers.\"Name\"]"_s);
    // Two data fields keep their angle brackets; a cancelled editor inserts nothing.
    answerExpression(u"<A> + <B>"_s);
    dialog.InsertExpression();
    answerExpression(QString());
    dialog.InsertExpression();
    EXPECT_EQ(dialog.Text(), u"[Customers.\"Name\"][<A> + <B>]"_s);

    memo->SetExpressionDelimiters(u"<%,%>"_s);
    dialog.load(*memo);
    answerExpression(u"<Orders.\"Amount\">"_s);
    dialog.InsertExpression();
    EXPECT_EQ(dialog.Text(), u"<%Orders.\"Amount\"%>"_s);
}

TEST_F(MemoDialogsTest, InsertAggregateAndWordWrapKeptBetweenOpenings)
{
    addOrders();
    {
        TkavMemoEditorForm dialog{TkavDesignerOptions()};
        dialog.load(*memo);
        dialog.show();
        whenOpen([](QDialog &d) {
            EXPECT_EQ(d.findChild<QRadioButton *>(u"TextRB"_s), nullptr); // aggregate only
            field<QComboBox>(d, "DataSetCB")->setCurrentText(u"Orders"_s);
            field<QComboBox>(d, "DataFieldCB")->setCurrentText(u"Amount"_s);
            d.accept();
        });
        dialog.InsertAggregate();
        EXPECT_EQ(dialog.Text(), u"[SUM(<Orders.\"Amount\">,MasterData1)]"_s);
        field<QToolButton>(dialog, "WordWrapB")->click();
        dialog.reject();
    }
    TkavMemoEditorForm again{TkavDesignerOptions()};
    again.load(*memo);
    again.show();
    EXPECT_TRUE(field<QToolButton>(again, "WordWrapB")->isChecked());
    EXPECT_EQ(field<QPlainTextEdit>(again, "MemoE")->lineWrapMode(), QPlainTextEdit::WidgetWidth);
}

// --- display format editor ---------------------------------------------------------------

TEST_F(MemoDialogsTest, FormatEditorPairsEachBracketWithAFormat)
{
    memo->SetText(u"[A] and ['x]y'] [a[1]]"_s);
    TkavFormatEditorForm dialog;
    dialog.load(*memo);
    auto *expressions = field<QComboBox>(dialog, "ExpressionCB");
    ASSERT_EQ(expressions->count(), 3);
    EXPECT_EQ(expressions->itemText(1), u"['x]y']"_s);
    EXPECT_EQ(expressions->itemText(2), u"[a[1]]"_s);
    expressions->setCurrentIndex(2);
    field<QListWidget>(dialog, "CategoryLB")->setCurrentRow(fkNumeric);
    auto *predefined = field<QListWidget>(dialog, "FormatLB");
    ASSERT_GE(predefined->count(), 4);
    predefined->setCurrentRow(1); // the resource's second number format
    EXPECT_EQ(field<QLineEdit>(dialog, "FormatE")->text(), u"%2.2f"_s);
    field<QLineEdit>(dialog, "SeparatorE")->setText(u","_s);
    expressions->setCurrentIndex(0); // stores the shown entry
    expressions->setCurrentIndex(2);
    EXPECT_EQ(predefined->currentRow(), 1);
    dialog.accept();
    dialog.apply(*memo);
    ASSERT_EQ(memo->Formats().Count(), 3);
    EXPECT_EQ(formatOf(*memo, 2).Kind(), fkNumeric);
    EXPECT_EQ(formatOf(*memo, 2).DecimalSeparator(), u","_s);
    EXPECT_EQ(formatOf(*memo, 1).Kind(), fkText);
}

TEST_F(MemoDialogsTest, FormatEditorWithoutBracketsEditsTheOneDisplayFormat)
{
    memo->SetText(u"no expressions"_s);
    for (int i = 0; i < 3; ++i) {
        auto *f = static_cast<TkavFormat *>(memo->Formats().Add());
        f->SetKind(fkNumeric);
        f->SetDecimalSeparator(u","_s);
        f->SetThousandSeparator(u"."_s);
    }
    TkavFormatEditorForm dialog;
    dialog.load(*memo);
    EXPECT_FALSE(field<QComboBox>(dialog, "ExpressionCB")->isEnabled());
    EXPECT_TRUE(field<QLineEdit>(dialog, "SeparatorE")->isEnabled());
    field<QListWidget>(dialog, "CategoryLB")->setCurrentRow(fkText);
    EXPECT_FALSE(field<QLineEdit>(dialog, "FormatE")->isEnabled());
    dialog.apply(*memo);
    ASSERT_EQ(memo->Formats().Count(), 1);
    EXPECT_EQ(formatOf(*memo, 0).Kind(), fkText);
    EXPECT_TRUE(formatOf(*memo, 0).DecimalSeparator().isEmpty());
    EXPECT_TRUE(formatOf(*memo, 0).ThousandSeparator().isEmpty());
}

TEST_F(MemoDialogsTest, FormatMenuItemCopiesToTheSelectionInOneStepAndCancelKeepsBytes)
{
    memo->SetText(u"[A]"_s);
    TkavMemoView *other = insertMemo(120, masterTop() + 2);
    doc->Select(memo);
    doc->Selection().Add(other);
    doc->SetModified(true);
    const QByteArray before = bytes();
    useRealDialogs();
    whenOpen([](QDialog &d) {
        field<QListWidget>(d, "CategoryLB")->setCurrentRow(fkDateTime);
        field<QLineEdit>(d, "FormatE")->setText(u"dd.mm.yyyy"_s);
        d.reject();
    });
    EXPECT_FALSE(doc->ExecuteMenuItem(1, true));
    EXPECT_EQ(bytes(), before);
    whenOpen([](QDialog &d) {
        field<QListWidget>(d, "CategoryLB")->setCurrentRow(fkDateTime);
        field<QLineEdit>(d, "FormatE")->setText(u"dd.mm.yyyy"_s);
        field<QPushButton>(d, "OkB")->click();
    });
    ASSERT_TRUE(doc->ExecuteMenuItem(1, true));
    EXPECT_EQ(formatOf(*other, 0).FormatStr(), u"dd.mm.yyyy"_s);
    EXPECT_EQ(formatOf(*memo, 0).Kind(), fkDateTime);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(bytes(), before);
}

// --- system memo dialog ------------------------------------------------------------------

TEST_F(MemoDialogsTest, SystemMemoOpensOnTheOptionItsTextStandsFor)
{
    const struct
    {
        QString text;
        const char *option;
        QString shown;
    } cases[] = {
        {u"[PAGE#]\r\n"_s, "SysVariableRB", u"[PAGE#]"_s},
        {kavResourceTable().Get(u"vt5"_s), "SysVariableRB", kavResourceTable().Get(u"vt5"_s)},
        {u"Hello\r\n"_s, "TextRB", u"Hello"_s},
        // Several lines come back as they were.
        {u"Sum:\r\n[Total]"_s, "TextRB", u"Sum:\r\n[Total]"_s},
        {QString(), "SysVariableRB", u"[DATE]"_s},
    };
    for (const auto &c : cases) {
        memo->Lines().SetTextStr(c.text);
        TkavSysMemoEditorForm dialog(*report);
        dialog.load(*memo);
        EXPECT_TRUE(field<QRadioButton>(dialog, c.option)->isChecked()) << c.text.toStdString();
        EXPECT_EQ(dialog.ResultText(), c.shown) << c.text.toStdString();
    }
}

TEST_F(MemoDialogsTest, AggregateSampleAndValidation)
{
    addOrders();
    TkavSysMemoEditorForm dialog(*report);
    dialog.load(*memo);
    field<QRadioButton>(dialog, "AggregateRB")->setChecked(true);
    auto *band = field<QComboBox>(dialog, "DataBandCB");
    EXPECT_EQ(band->currentText(), u"MasterData1"_s);
    field<QComboBox>(dialog, "DataSetCB")->setCurrentText(u"Orders"_s);
    field<QComboBox>(dialog, "DataFieldCB")->setCurrentText(u"Amount"_s);
    field<QCheckBox>(dialog, "RunningTotalCB")->setChecked(true);
    EXPECT_EQ(field<QLabel>(dialog, "SampleL")->text(), u"SUM(<Orders.\"Amount\">,MasterData1,2)"_s);
    field<QCheckBox>(dialog, "CountInvisibleCB")->setChecked(true);
    field<QComboBox>(dialog, "FunctionCB")->setCurrentText(u"MAX"_s);
    field<QLineEdit>(dialog, "ExpressionE")->setText(u"<Orders.\"Amount\"> * 2"_s);
    EXPECT_EQ(dialog.AggregateText(), u"MAX(<Orders.\"Amount\"> * 2,MasterData1,3)"_s);
    // COUNT without a band would read COUNT(): refused, the band marked.
    field<QComboBox>(dialog, "FunctionCB")->setCurrentText(u"COUNT"_s);
    band->setCurrentIndex(0);
    EXPECT_FALSE(dialog.validate());
    EXPECT_TRUE(band->property("invalid").toBool());
    band->setCurrentText(u"MasterData1"_s);
    EXPECT_TRUE(dialog.validate());
    EXPECT_EQ(dialog.ResultText(), u"[COUNT(MasterData1,3)]"_s);
}

TEST_F(MemoDialogsTest, SystemMemoFromTheDesignerIsOneUndoStepAndCancelKeepsBytes)
{
    auto *sys = dynamic_cast<TkavSysMemoView *>(
        doc->InsertObject(u"TkavSysMemoView"_s, 0, 200, masterTop() + 2, 80, 20));
    ASSERT_NE(sys, nullptr);
    sys->SetText(u"[DATE]"_s);
    doc->Select(sys);
    doc->SetModified(true);
    const QByteArray before = bytes();
    useRealDialogs();
    whenOpen([](QDialog &d) {
        field<QRadioButton>(d, "TextRB")->setChecked(true);
        d.reject();
    });
    EXPECT_FALSE(doc->EditSelected());
    EXPECT_EQ(bytes(), before);
    whenOpen([](QDialog &d) {
        field<QComboBox>(d, "SysVariableCB")->setCurrentIndex(5);
        field<QPushButton>(d, "OkB")->click();
    });
    ASSERT_TRUE(doc->EditSelected());
    EXPECT_EQ(sys->Text(), kavResourceTable().Get(u"vt6"_s) + u"\r\n"_s);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(bytes(), before);
}

// --- highlight editor --------------------------------------------------------------------

TEST_F(MemoDialogsTest, DefaultHighlightOpensEmptyAndComesBackOnOk)
{
    memo->Highlight().SetApplyFrame(true); // the default item every memo gets
    TkavHighlightEditorForm dialog;
    dialog.load(*memo);
    EXPECT_EQ(field<QListWidget>(dialog, "HighlightsLB")->count(), 0);
    EXPECT_FALSE(field<QPushButton>(dialog, "FontB")->isEnabled());
    dialog.apply(*memo);
    ASSERT_EQ(memo->Highlights().Count(), 1);
    EXPECT_TRUE(memo->Highlight().Condition().isEmpty());
    EXPECT_FALSE(memo->Highlight().ApplyFrame()); // a new item, not the old one
}

TEST_F(MemoDialogsTest, HighlightListAddMoveAndDelete)
{
    setConditions(*memo, {u"A"_s, u"B"_s});
    TkavHighlightEditorForm dialog;
    dialog.load(*memo);
    auto *list = field<QListWidget>(dialog, "HighlightsLB");
    answerExpression(u"Value > 100"_s);
    dialog.AddHighlight();
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_FALSE(field<QToolButton>(dialog, "DownB")->isEnabled());
    dialog.MoveHighlight(-1);
    dialog.MoveHighlight(-1);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_FALSE(field<QToolButton>(dialog, "UpB")->isEnabled());
    EXPECT_EQ(dialog.CurHighlight()->Condition(), u"Value > 100"_s);
    // Deleting the last of three selects the new last one.
    list->setCurrentRow(2);
    dialog.DeleteHighlight();
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(list->currentItem()->text(), u"A"_s);
    dialog.apply(*memo);
    EXPECT_EQ(conditions(*memo), (QStringList{u"Value > 100"_s, u"A"_s}));
    dialog.DeleteHighlight();
    dialog.DeleteHighlight();
    EXPECT_EQ(dialog.CurHighlight(), nullptr);
    for (const char *name : {"DeleteB", "EditB", "FrameB", "FillB", "FontB"})
        EXPECT_FALSE(field<QPushButton>(dialog, name)->isEnabled()) << name;
    EXPECT_FALSE(field<QCheckBox>(dialog, "VisibleCB")->isEnabled());
}

TEST_F(MemoDialogsTest, HighlightSampleShowsTheFontOnlyWhileItApplies)
{
    setConditions(*memo, {u"Value > 1"_s});
    TkavHighlightEditorForm dialog;
    dialog.load(*memo);
    dialog.resize(500, 300);
    dialog.show();
    auto *sample = dialog.findChild<QWidget *>(u"PaintBox1"_s);
    ASSERT_NE(sample, nullptr);
    const auto redPixels = [sample] {
        const QImage image = sample->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, y) == QColor(Qt::red);
        return count;
    };
    EXPECT_GT(redPixels(), 0); // the highlight's font is red
    field<QCheckBox>(dialog, "FontCB")->setChecked(false);
    EXPECT_FALSE(field<QPushButton>(dialog, "FontB")->isEnabled());
    EXPECT_FALSE(dialog.CurHighlight()->ApplyFont());
    EXPECT_EQ(redPixels(), 0);
}

TEST_F(MemoDialogsTest, HighlightFrameAndFontComeFromTheirDialogs)
{
    setConditions(*memo, {u"Value > 1"_s});
    dialogs().Frame = [](TkavFrame &frame) {
        frame.SetWidth(3);
        return true;
    };
    ui().FontAnswers.push_back(TkavFontChoice{u"Courier New"_s, 14, TFontStyles{fsBold}, clBlue});
    TkavHighlightEditorForm dialog;
    dialog.load(*memo);
    field<QCheckBox>(dialog, "FrameCB")->setChecked(true);
    field<QPushButton>(dialog, "FrameB")->click();
    field<QPushButton>(dialog, "FontB")->click();
    EXPECT_EQ(memo->Highlight().Frame().Width(), 1); // only the copy so far
    dialog.apply(*memo);
    const TkavHighlight &h = memo->Highlight();
    EXPECT_EQ(h.Frame().Width(), 3);
    EXPECT_TRUE(h.ApplyFrame());
    EXPECT_EQ(h.Font().Name(), u"Courier New"_s);
    EXPECT_EQ(h.Font().Size(), 14);
    EXPECT_EQ(h.Font().Color(), clBlue);
    EXPECT_TRUE(h.Font().Style().Contains(fsBold));
}

TEST_F(MemoDialogsTest, HighlightButtonCopiesTheWholeListToTheSelectedMemosInOneStep)
{
    setConditions(*memo, {u"A"_s, u"B"_s});
    TkavMemoView *second = insertMemo(100, masterTop() + 2);
    TkavMemoView *third = insertMemo(200, masterTop() + 2);
    TkavMemoView *locked = insertMemo(300, masterTop() + 2);
    locked->SetRestrictions({rfDontModify});
    doc->Select(memo);
    doc->Selection().Add(second);
    doc->Selection().Add(third);
    doc->Selection().Add(locked);
    doc->SetModified(true);
    const QByteArray before = bytes();
    useRealDialogs();
    whenOpen([](QDialog &d) { field<QPushButton>(d, "CancelB")->click(); });
    EXPECT_FALSE(doc->EditHighlights());
    EXPECT_EQ(bytes(), before);
    whenOpen([](QDialog &d) {
        answerExpression(u"C"_s);
        field<QPushButton>(d, "AddB")->click();
        field<QPushButton>(d, "OKB")->click();
    });
    ASSERT_TRUE(doc->EditHighlights());
    const QStringList expected{u"A"_s, u"B"_s, u"C"_s};
    EXPECT_EQ(conditions(*memo), expected);
    EXPECT_EQ(conditions(*second), expected);
    EXPECT_EQ(conditions(*third), expected);
    EXPECT_EQ(locked->Highlights().Count(), 0);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(bytes(), before);
}
