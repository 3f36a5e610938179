// The frame, fill, picture and hyperlink editors: the side toggle rule, widths typed with
// either separator, the fill pages and their kinds, loading and pasting pictures, and the
// hyperlink kinds; OK from the designer as one undo step for every selected view, Cancel
// leaving the report byte-identical.

#include "kavDesignerPanelTest.h"
#include "kavDesignerTestSupport.h"
#include "kavDialogTestSupport.h"

#include <designer/controls/kavDesgnStyleBoxes.h>
#include <designer/dialogs/kavDesgnFillEditor.h>
#include <designer/dialogs/kavDesgnFrameEditor.h>
#include <designer/dialogs/kavDesgnHyperlinkEditor.h>
#include <designer/dialogs/kavDesgnPictureEditor.h>
#include <designer/dialogs/kavDesgnReportOptions.h>
#include <designer/trees/kavDesgnExprEditor.h>
#include <designer/window/kavDesgnTextDialogs.h>
#include <persist/kavVariables.h>
#include <report/kavPages.h>
#include <report/kavReportOptions.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// The designer with the real dialogs, answered by the test through whenOpen.
class FrameFillDialogsTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        previous = kavSetDesignerDialogs(std::make_unique<TkavTextDesignerDialogs>());
    }
    void TearDown() override
    {
        kavSetDesignerDialogs(std::move(previous));
        DesignerTest::TearDown();
    }
    int undoCount() const { return doc->UndoBuffer().UndoCount(); }
    void setWidth(QWidget &d, const char *name, const QString &text)
    {
        field<QComboBox>(d, name)->setEditText(text);
    }

    std::unique_ptr<TkavDesignerDialogs> previous;
    QTemporaryDir dir;
};

void click(QWidget &d, const char *name)
{
    field<QToolButton>(d, name)->click();
}

} // namespace

TEST_F(FrameFillDialogsTest, SideButtonsAddRemoveOrRestyleALine)
{
    TkavFrameEditorForm d;
    // With solid, 1 and black set, Top adds a black solid 1-pixel top line; again removes it.
    click(d, "FrameTopB");
    ASSERT_TRUE(d.Frame().Typ().Contains(ftTop));
    EXPECT_EQ(d.Frame().TopLine().Style(), fsSolid);
    EXPECT_DOUBLE_EQ(d.Frame().TopLine().Width(), 1);
    EXPECT_EQ(d.Frame().TopLine().Color(), clBlack);
    click(d, "FrameTopB");
    EXPECT_TRUE(d.Frame().Typ().IsEmpty());

    // Releasing a side whose line differs restyles it and keeps it.
    TkavFrame wide;
    wide.SetTyp({ftTop});
    wide.TopLine().SetWidth(2);
    d.load(wide);
    setWidth(d, "LineWidthCB", u"1"_s);
    EXPECT_TRUE(field<QToolButton>(d, "FrameTopB")->isChecked());
    click(d, "FrameTopB");
    EXPECT_TRUE(d.Frame().Typ().Contains(ftTop));
    EXPECT_DOUBLE_EQ(d.Frame().TopLine().Width(), 1);
    EXPECT_TRUE(field<QToolButton>(d, "FrameTopB")->isChecked());

    // Widths read with either separator; a bad one keeps the last good width.
    for (const auto &[text, width] : {std::pair{u"0,5"_s, 0.5}, {u"1.5"_s, 1.5}, {u"abc"_s, 1.5}}) {
        setWidth(d, "LineWidthCB", text);
        d.ToggleSide(ftLeft, true);
        EXPECT_DOUBLE_EQ(d.Frame().LeftLine().Width(), width) << text.toStdString();
    }
    // The line controls alone change nothing until a side is clicked.
    field<TkavLineStyleComboBox>(d, "LineStyleC")->SetStyle(fsDouble);
    EXPECT_EQ(d.Frame().LeftLine().Style(), fsSolid);
    EXPECT_FALSE(d.validate());
    EXPECT_TRUE(field<QComboBox>(d, "LineWidthCB")->property("invalid").toBool());
}

TEST_F(FrameFillDialogsTest, SampleClicksToggleTheSideUnderThePointer)
{
    TkavFrameEditorForm d;
    QWidget *sample = field<QWidget>(d, "SampleC");
    sample->resize(94, 160);
    d.SampleClick({47, 10});
    d.SampleClick({10, 80});
    EXPECT_EQ(d.Frame().Typ(), (TkavFrameTypes{ftTop, ftLeft}));
    d.SampleClick({47, 80}); // the middle: nothing
    d.SampleClick({8, 8});   // a corner belongs to no side
    EXPECT_EQ(d.Frame().Typ(), (TkavFrameTypes{ftTop, ftLeft}));
    d.SampleClick({47, 150});
    d.SampleClick({85, 80});
    d.SampleClick({47, 10}); // present with the current look: removed
    EXPECT_EQ(d.Frame().Typ(), (TkavFrameTypes{ftLeft, ftBottom, ftRight}));
}

TEST_F(FrameFillDialogsTest, FrameOkGoesToEverySelectedViewAsOneUndoStep)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(100, masterTop());
    a->Frame().SetShadowWidth(6);
    doc->Select(a);
    doc->Selection().Add(b);
    const int undo = undoCount();
    whenOpen([this](QDialog &d) {
        field<TkavColorComboBox>(d, "LineColorCB")->SetColor(clRed);
        setWidth(d, "LineWidthCB", u"2"_s);
        click(d, "FrameAllB");
        field<QCheckBox>(d, "ShadowCB")->click();
        EXPECT_TRUE(field<QComboBox>(d, "ShadowWidthCB")->isEnabled());
        d.accept();
    });
    ASSERT_TRUE(doc->EditFrame());
    for (TkavMemoView *m : {a, b}) {
        EXPECT_EQ(m->Frame().Typ().Mask(), 15u);
        EXPECT_EQ(m->Frame().BottomLine().Color(), clRed);
        EXPECT_DOUBLE_EQ(m->Frame().Width(), 2);
        EXPECT_TRUE(m->Frame().DropShadow());
        EXPECT_DOUBLE_EQ(m->Frame().ShadowWidth(), 6); // the first view's frame was edited
    }
    EXPECT_EQ(undoCount(), undo + 1);

    // No lines + OK: the sides go, everything else stays.
    whenOpen([](QDialog &d) {
        click(d, "FrameNoB");
        d.accept();
    });
    ASSERT_TRUE(doc->EditFrame());
    a = find<TkavMemoView>(a->Name());
    EXPECT_TRUE(a->Frame().Typ().IsEmpty());
    EXPECT_TRUE(a->Frame().DropShadow());
    EXPECT_EQ(a->Frame().Color(), clRed);
    EXPECT_EQ(undoCount(), undo + 2);
}

TEST_F(FrameFillDialogsTest, CancelOrABadWidthWritesNothing)
{
    auto *memo = insertMemo(10, masterTop());
    doc->Select(memo);
    const QByteArray before = bytes();
    const int undo = undoCount();
    whenOpen([this](QDialog &d) {
        click(d, "FrameAllB");
        field<QCheckBox>(d, "ShadowCB")->click();
        setWidth(d, "ShadowWidthCB", u"wide"_s);
        d.accept();
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(field<QComboBox>(d, "ShadowWidthCB")->property("invalid").toBool());
        d.reject();
    });
    EXPECT_FALSE(doc->EditFrame());
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(undoCount(), undo);
}

TEST_F(FrameFillDialogsTest, FillOpensOnItsKindsPageAndShapesGetOnlyBrushes)
{
    auto *memo = insertMemo(10, masterTop());
    TkavGradientFill gradient;
    gradient.SetGradientStyle(gsVertical);
    memo->SetFill(gradient);
    doc->Select(memo);
    const int undo = undoCount();
    whenOpen([](QDialog &d) {
        auto *pages = field<QTabWidget>(d, "PageControl1");
        EXPECT_EQ(pages->currentWidget()->objectName(), u"GradientTS"_s);
        EXPECT_EQ(field<QComboBox>(d, "GradientStyleCB")->currentIndex(), int(gsVertical));
        field<QComboBox>(d, "GradientStyleCB")->setCurrentIndex(gsElliptic);
        field<TkavColorComboBox>(d, "GradientEndColorCB")->SetColor(clBlue);
        d.accept();
    });
    ASSERT_TRUE(doc->EditFill());
    memo = find<TkavMemoView>(memo->Name());
    auto *result = dynamic_cast<const TkavGradientFill *>(&memo->Fill());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->GradientStyle(), gsElliptic);
    EXPECT_EQ(undoCount(), undo + 1);

    // Switching to the glass page makes a glass fill; the blend takes either separator.
    whenOpen([](QDialog &d) {
        field<QTabWidget>(d, "PageControl1")->setCurrentIndex(ftGlass);
        field<QLineEdit>(d, "GlassBlendE")->setText(u"2"_s);
        d.accept();
        EXPECT_TRUE(d.isVisible()); // out of range
        EXPECT_TRUE(field<QLineEdit>(d, "GlassBlendE")->property("invalid").toBool());
        field<QLineEdit>(d, "GlassBlendE")->setText(u"0,25"_s);
        field<QCheckBox>(d, "GlassHatchCB")->click();
        d.accept();
    });
    ASSERT_TRUE(doc->EditFill());
    auto *glass = dynamic_cast<const TkavGlassFill *>(&find<TkavMemoView>(memo->Name())->Fill());
    ASSERT_NE(glass, nullptr);
    EXPECT_DOUBLE_EQ(glass->Blend(), 0.25);
    EXPECT_TRUE(glass->Hatch());

    auto *shape = doc->InsertObject(u"TkavShapeView"_s, 0, 120, masterTop(), 40, 20);
    doc->Select(shape);
    whenOpen([](QDialog &d) {
        auto *pages = field<QTabWidget>(d, "PageControl1");
        EXPECT_TRUE(pages->isTabVisible(ftBrush));
        EXPECT_FALSE(pages->isTabVisible(ftGradient));
        EXPECT_FALSE(pages->isTabVisible(ftGlass));
        field<TkavBrushStyleComboBox>(d, "BrushStyleCB")->SetStyle(bsCross);
        field<TkavColorComboBox>(d, "BrushBackColorCB")->SetColor(clYellow);
        d.accept();
    });
    ASSERT_TRUE(doc->EditFill());
    auto *brush = dynamic_cast<const TkavBrushFill *>(&dynamic_cast<TkavView *>(find(shape->Name()))->Fill());
    ASSERT_NE(brush, nullptr);
    EXPECT_EQ(brush->Style(), bsCross);
    EXPECT_EQ(brush->BackColor(), clYellow);

    const QByteArray before = bytes();
    whenOpen([](QDialog &d) {
        field<TkavBrushStyleComboBox>(d, "BrushStyleCB")->SetStyle(bsClear);
        d.reject();
    });
    EXPECT_FALSE(doc->EditFill());
    EXPECT_EQ(bytes(), before);
}

TEST_F(FrameFillDialogsTest, ColourListAsksTheColourDialogForOtherColours)
{
    TkavColorComboBox box(true);
    int changes = 0;
    box.OnChange = [&changes] { ++changes; };
    ASSERT_EQ(box.itemData(0).toInt(), clNone);
    const int other = box.count() - 1;
    ui().ColorAnswers.push_back(kavRGB(1, 2, 3));
    box.activated(other);
    EXPECT_EQ(box.Color(), kavRGB(1, 2, 3));
    EXPECT_EQ(box.currentData().toInt(), kavRGB(1, 2, 3)); // an entry of its own
    ui().ColorAnswers.push_back(std::nullopt);
    box.activated(box.count() - 1);
    EXPECT_EQ(box.Color(), kavRGB(1, 2, 3)); // cancelled: unchanged
    EXPECT_EQ(changes, 1);
}

TEST_F(FrameFillDialogsTest, PictureLoadsPastesAndRefusesWhatIsNotAPicture)
{
    const QString png = dir.filePath(u"p.png"_s);
    QImage image(10, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(png));
    const QString text = dir.filePath(u"t.png"_s);
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("no picture");
    f.close();

    TkavPictureEditorForm d;
    auto status = [&d] { return field<QStatusBar>(d, "StatusBar")->currentMessage(); };
    EXPECT_EQ(status(), u"Empty"_s);
    ui().FileAnswers.push_back(QStringList{png});
    click(d, "LoadB");
    EXPECT_EQ(status(), u"10 x 20"_s);
    click(d, "CopyB");
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(10, 20));
    // A file that is not a picture: an error naming it, the picture kept.
    EXPECT_FALSE(d.LoadFile(text));
    EXPECT_EQ(status(), u"10 x 20"_s);
    ASSERT_EQ(ui().CallsOf(u"MessageDlg"_s).size(), 1u);
    EXPECT_TRUE(ui().CallsOf(u"MessageDlg"_s)[0].Text.contains(u"t.png"_s));

    QApplication::clipboard()->setText(u"words"_s);
    click(d, "PasteB");
    EXPECT_EQ(status(), u"10 x 20"_s);
    ASSERT_EQ(ui().CallsOf(u"MessageDlg"_s).size(), 2u);
    EXPECT_EQ(ui().CallsOf(u"MessageDlg"_s)[1].Text, u"Invalid image or unsupported format"_s);

    QApplication::clipboard()->setImage(QImage(7, 3, QImage::Format_RGB32));
    click(d, "PasteB");
    EXPECT_EQ(status(), u"7 x 3"_s);
    click(d, "ClearB");
    EXPECT_EQ(status(), u"Empty"_s);
}

TEST_F(FrameFillDialogsTest, PictureViewEditorIsOneUndoStepAndCancelKeepsTheBytes)
{
    const QString png = dir.filePath(u"p.png"_s);
    ASSERT_TRUE(QImage(10, 20, QImage::Format_RGB32).save(png));
    auto *view = doc->InsertObject(u"TkavPictureView"_s, 0, 80, masterTop(), 40, 40);
    doc->Select(view);
    const QByteArray before = bytes();
    whenOpen([png](QDialog &d) {
        ASSERT_TRUE(dynamic_cast<TkavPictureEditorForm &>(d).LoadFile(png));
        d.reject();
    });
    EXPECT_FALSE(doc->EditSelected());
    EXPECT_EQ(bytes(), before);

    const int undo = undoCount();
    whenOpen([png](QDialog &d) {
        ASSERT_TRUE(dynamic_cast<TkavPictureEditorForm &>(d).LoadFile(png));
        d.accept();
    });
    ASSERT_TRUE(doc->EditSelected());
    EXPECT_EQ(find<TkavPictureView>(view->Name())->Picture().Height(), 20);
    EXPECT_EQ(undoCount(), undo + 1);
}

TEST_F(FrameFillDialogsTest, ReportOptionsEditTheReportPictureInThePictureEditor)
{
    const QString png = dir.filePath(u"p.png"_s);
    ASSERT_TRUE(QImage(10, 20, QImage::Format_RGB32).save(png));
    TkavReportEditorForm d;
    d.load(*report, dir.path());
    whenOpen([png](QDialog &e) {
        ASSERT_TRUE(dynamic_cast<TkavPictureEditorForm &>(e).LoadFile(png));
        e.accept();
    });
    field<QPushButton>(d, "PictureB")->click();
    // A cancelled second edit keeps the first result; the report takes it only on apply.
    whenOpen([](QDialog &e) {
        EXPECT_EQ(field<QStatusBar>(e, "StatusBar")->currentMessage(), u"10 x 20"_s);
        dynamic_cast<TkavPictureEditorForm &>(e).ClearPicture();
        e.reject();
    });
    field<QPushButton>(d, "PictureB")->click();
    EXPECT_TRUE(report->ReportOptions().Picture().IsEmpty());
    d.apply(*report, nullptr);
    EXPECT_EQ(report->ReportOptions().Picture().Width(), 10);
}

TEST_F(FrameFillDialogsTest, DetailPageHidesThatPageAndModifiedAppearanceLooksLikeALink)
{
    TkavReportPage *page2 = doc->NewPage();
    ASSERT_NE(page2, nullptr);
    ASSERT_EQ(page2->Name(), u"Page2"_s);
    report->Variables().Add()->SetName(u" Totals"_s); // a category is not offered
    report->Variables().Add()->SetName(u"Limit"_s);
    doc->SetPage(report->Pages(1));
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(100, masterTop());
    doc->Select(a);
    doc->Selection().Add(b);
    const int undo = undoCount();
    whenOpen([](QDialog &d) {
        EXPECT_TRUE(field<QRadioButton>(d, "UrlRB")->isChecked());
        field<QRadioButton>(d, "ReportPageRB")->click();
        EXPECT_TRUE(field<QWidget>(d, "ReportPageP")->isVisibleTo(&d));
        EXPECT_FALSE(field<QWidget>(d, "UrlP")->isVisibleTo(&d));
        auto *pages = field<QComboBox>(d, "ReportPageCB");
        ASSERT_EQ(pages->count(), 1); // not the memo's own page
        pages->setCurrentIndex(0);
        auto *variables = field<QComboBox>(d, "ReportPageParamCB");
        ASSERT_EQ(variables->count(), 1);
        EXPECT_EQ(variables->currentText(), QString()); // offered, not chosen
        EXPECT_EQ(variables->itemText(0), u"Limit"_s);
        variables->setEditText(u"Limit"_s);
        field<QLineEdit>(d, "ReportPageValueE")->setText(u"[Line#]"_s);
        field<QCheckBox>(d, "ModifyAppearanceCB")->setChecked(true);
        d.accept();
    });
    ASSERT_TRUE(doc->ExecuteMenuItem(50, true));
    EXPECT_EQ(undoCount(), undo + 1);
    EXPECT_FALSE(find(u"Page2"_s)->Visible());
    a = find<TkavMemoView>(a->Name());
    b = find<TkavMemoView>(b->Name());
    for (TkavMemoView *m : {a, b}) {
        EXPECT_EQ(m->Hyperlink().Kind(), hkDetailPage);
        EXPECT_EQ(m->Hyperlink().DetailPage(), u"Page2"_s);
        EXPECT_EQ(m->Hyperlink().ReportVariable(), u"Limit"_s);
        EXPECT_EQ(m->Hyperlink().Value(), u"[Line#]"_s);
    }
    EXPECT_EQ(a->Cursor(), -21);
    EXPECT_EQ(a->Font().Color(), clNavy);
    EXPECT_TRUE(a->Font().Style().Contains(fsUnderline));

    // Reopened, the dialog shows what was written; Cancel changes nothing.
    const QByteArray before = bytes();
    whenOpen([](QDialog &d) {
        EXPECT_TRUE(field<QRadioButton>(d, "ReportPageRB")->isChecked());
        EXPECT_EQ(field<QComboBox>(d, "ReportPageCB")->currentText(), u"Page2"_s);
        EXPECT_EQ(field<QLineEdit>(d, "ReportPageValueE")->text(), u"[Line#]"_s);
        field<QRadioButton>(d, "UrlRB")->click();
        field<QLineEdit>(d, "UrlE")->setText(u"https://example.org"_s);
        d.reject();
    });
    EXPECT_FALSE(doc->ExecuteMenuItem(50, true));
    EXPECT_EQ(bytes(), before);
}

TEST_F(FrameFillDialogsTest, DetailReportOffersTheVariablesOfItsFile)
{
    TkavReport detail;
    detail.Variables().Add()->SetName(u" Category"_s);
    detail.Variables().Add()->SetName(u"Customer"_s);
    detail.Variables().Add()->SetName(u"Year"_s);
    const QString file = dir.filePath(u"detail.kv3"_s);
    detail.SaveToFile(file);
    detail.ReportOptions().SetPassword(u"secret"_s);
    const QString locked = dir.filePath(u"locked.kv3"_s);
    detail.SaveToFile(locked);

    EXPECT_EQ(kavOfferedVariables(file, report.get()), (QStringList{u"Customer"_s, u"Year"_s}));
    EXPECT_TRUE(kavOfferedVariables(dir.filePath(u"missing.kv3"_s), report.get()).isEmpty());
    // No password is asked for: the offer stays empty.
    EXPECT_TRUE(kavOfferedVariables(locked, report.get()).isEmpty());
    EXPECT_TRUE(ui().CallsOf(u"PasswordQuery"_s).empty());

    auto *memo = insertMemo(10, masterTop());
    TkavHyperlinkEditorForm d(*memo);
    field<QRadioButton>(d, "ReportRB")->click();
    ui().FileAnswers.push_back(QStringList{file});
    field<QToolButton>(d, "ReportNameB")->click();
    auto *variables = field<QComboBox>(d, "ReportParamCB");
    EXPECT_EQ(variables->count(), 2);
    EXPECT_EQ(variables->currentText(), QString());
    variables->setEditText(u"Year"_s);
    field<QLineEdit>(d, "ReportValueE")->setText(u"2026"_s);
    d.apply(*memo);
    EXPECT_EQ(memo->Hyperlink().Kind(), hkDetailReport);
    EXPECT_EQ(memo->Hyperlink().DetailReport(), file);
    EXPECT_EQ(memo->Hyperlink().ReportVariable(), u"Year"_s);
    EXPECT_EQ(memo->Hyperlink().Value(), u"2026"_s);
    EXPECT_EQ(memo->Cursor(), 0); // appearance untouched unless asked
}

// The page's context menu offers the object's own items; its hyperlink item opens the
// editor once the menu has closed.
class FrameFillPanelTest : public DesignerPanelTest
{
protected:
    void SetUp() override
    {
        openPanel(900, 600);
        previous = kavSetDesignerDialogs(std::make_unique<TkavTextDesignerDialogs>());
    }
    void TearDown() override
    {
        kavSetDesignerDialogs(std::move(previous));
        DesignerPanelTest::TearDown();
    }
    std::unique_ptr<TkavDesignerDialogs> previous;
};

TEST_F(FrameFillPanelTest, ContextMenuOpensTheHyperlinkEditor)
{
    QTest::mouseClick(&ws(), Qt::LeftButton, {}, centre(memo));
    ASSERT_EQ(doc().Selection().First(), memo);
    QStringList offered;
    QTimer::singleShot(0, [&offered] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction *a : menu->actions()) {
            offered << a->text();
            // Switches show their state; commands are plain items.
            if (a->text() == u"Word Wrap"_s || a->text() == u"Clear Contents"_s) {
                EXPECT_EQ(a->isCheckable(), a->text() == u"Word Wrap"_s);
            }
        }
        for (QAction *a : menu->actions())
            if (a->text() == u"Hyperlink..."_s) {
                EXPECT_FALSE(a->isCheckable());
                whenOpen([](QDialog &d) {
                    field<QLineEdit>(d, "UrlE")->setText(u"https://example.org"_s);
                    d.accept();
                });
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
            }
        if (menu->isVisible())
            menu->close();
    });
    const int undo = doc().UndoBuffer().UndoCount();
    QTest::mouseClick(&ws(), Qt::RightButton, {}, centre(memo));
    EXPECT_TRUE(offered.contains(u"Word Wrap"_s)) << offered.join(u'|').toStdString();
    memo = find<TkavMemoView>(memo->Name());
    EXPECT_EQ(memo->Hyperlink().Value(), u"https://example.org"_s);
    EXPECT_EQ(doc().UndoBuffer().UndoCount(), undo + 1);
}

TEST_F(FrameFillDialogsTest, ExpressionButtonsUseTheDesignersExpressionEditor)
{
    auto *memo = insertMemo(10, masterTop());
    memo->Hyperlink().SetKind(hkAnchor);
    memo->Hyperlink().SetExpression(u"<Orders.\"name\">"_s);
    TkavHyperlinkEditorForm d(*memo);
    QLineEdit *expr = field<QLineEdit>(d, "AnchorExprE");
    EXPECT_EQ(expr->text(), u"<Orders.\"name\">"_s);
    whenOpen([](QDialog &e) {
        auto &editor = dynamic_cast<TkavExprEditorForm &>(e);
        EXPECT_EQ(editor.ExprMemo()->text(), u"<Orders.\"name\">"_s);
        editor.ExprMemo()->setText(u"'#' + <Orders.\"id\">"_s);
        e.accept();
    });
    field<QToolButton>(d, "AnchorExprB")->click();
    EXPECT_EQ(expr->text(), u"'#' + <Orders.\"id\">"_s);
    // Cancelled: the field keeps its text.
    whenOpen([](QDialog &e) { e.reject(); });
    field<QToolButton>(d, "AnchorExprB")->click();
    EXPECT_EQ(expr->text(), u"'#' + <Orders.\"id\">"_s);
}
