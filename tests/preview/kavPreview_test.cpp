// The preview control on reports run into it: zoom and paging limits, hyperlinks, drill-down,
// text search, commands refused during a run, tabs, and the mouse reaching report events.
#include "engine/kavEngineTestSupport.h"
#include "kavTestSupport.h"

#include <preview/kavPreview.h>
#include <preview/kavPreviewWorkspace.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavFrames.h>
#include <report/kavViews.h>
#include <rtl/kavUIServices.h>

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QPushButton>
#include <QStyleHints>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Never blocks, but keeps the window painting while a run goes on.
class PumpingUIServices : public TkavHeadlessUIServices
{
public:
    PumpingUIServices() { SetEchoToStandardError(false); }
    void ProcessMessages() override { QCoreApplication::processEvents(); }
};

class PreviewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous = kavSetUIServices(std::make_unique<PumpingUIServices>());
        report = kavNewTestReport();
        data.SetUserName(u"D"_s);
        data.SetRangeEnd(reCount);
        data.ValueHandlers().OnGetValue = [this](const QString &, Variant &value) {
            value = Variant(text ? text(data.RecNo()) : u"row %1"_s.arg(data.RecNo()));
        };
        report->DataSets().Add(&data);
        preview = std::make_unique<TkavPreview>();
        preview->resize(900, 700);
        preview->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(preview.get()));
    }

    void TearDown() override
    {
        preview.reset();
        report.reset();
        kavSetUIServices(std::move(previous));
    }

    // Rows of RowHeight pixels, each with a memo of the row's text across the band.
    TkavMemoView *build(int rows, double rowHeight = 100)
    {
        data.SetRangeEndCount(rows);
        TkavReportPage *page = kavAddTestPage(*report, u"Page1"_s);
        band = kavAddTestBand<TkavMasterData>(*page, u"MasterData1"_s, 100, rowHeight);
        band->SetDataSet(&data);
        auto *memo = TkavComponent::Create<TkavMemoView>(band);
        memo->SetName(u"Memo1"_s);
        memo->SetBounds(0, 0, 300, 20);
        memo->SetText(u"[D.\"T\"]"_s);
        return memo;
    }

    void run()
    {
        report->SetPreview(preview.get());
        ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    }

    // The viewport point at (X, Y) report pixels of page Page's printable area (10 mm margins).
    QPoint at(int Page, double X, double Y)
    {
        TkavPreviewWorkspace &w = *preview->Workspace();
        const QRect rect = w.PageRect(Page - 1);
        const double zoom = w.Zoom();
        return rect.topLeft() + QPoint(int((X + 37.8) * zoom), int((Y + 37.8) * zoom));
    }

    void click(QPoint point)
    {
        QTest::mouseClick(preview->Workspace()->viewport(), Qt::LeftButton, {}, point);
        // The next click is no double click.
        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
    }

    std::unique_ptr<TkavUIServices> previous;
    std::unique_ptr<TkavReport> report;
    TkavUserDataSet data;
    std::function<QString(int)> text;
    TkavMasterData *band = nullptr;
    std::unique_ptr<TkavPreview> preview;
};

TEST_F(PreviewTest, ZoomAndPageLimits)
{
    build(30);
    run();
    ASSERT_EQ(preview->PageCount(), 3);
    preview->SetZoom(0.1);
    EXPECT_DOUBLE_EQ(preview->Zoom(), 0.25);
    EXPECT_EQ(preview->ZoomMode(), zmDefault);
    preview->MouseWheelScroll(-120, false, true);
    EXPECT_DOUBLE_EQ(preview->Zoom(), 0.3);
    preview->MouseWheelScroll(120, false, true);
    EXPECT_NEAR(preview->Zoom(), 0.4, 1e-9);
    preview->SetZoom(50);
    EXPECT_DOUBLE_EQ(preview->Zoom(), TkavPreview::MaxZoom);
    preview->SetPageNo(0);
    EXPECT_EQ(preview->PageNo(), 1);
    preview->SetPageNo(999);
    EXPECT_EQ(preview->PageNo(), 3);
    preview->Prior();
    EXPECT_EQ(preview->PageNo(), 2);
    // Page width fills the workspace less its margin of 26 pixels.
    preview->SetZoomMode(zmPageWidth);
    EXPECT_NEAR(preview->Zoom() * 794, preview->Workspace()->LayoutWidth(), 1.0);
}

TEST_F(PreviewTest, HyperlinkToPageThree)
{
    TkavMemoView *memo = build(30);
    memo->Hyperlink().SetKind(hkPageNumber);
    memo->Hyperlink().SetValue(u"3"_s);
    run();
    ASSERT_EQ(preview->PageNo(), 1);
    QTest::mouseMove(preview->Workspace()->viewport(), at(1, 20, 110));
    EXPECT_EQ(preview->StatusText(), u"3"_s); // the link's value in the status line
    click(at(1, 20, 110));
    EXPECT_EQ(preview->PageNo(), 3);
}

TEST_F(PreviewTest, DrillDownExpandsThenCollapses)
{
    build(30);
    TkavReportPage &page = *dynamic_cast<TkavReportPage *>(report->Pages(report->PagesCount() - 1));
    auto *group = kavAddTestBand<TkavGroupHeader>(page, u"GroupHeader1"_s, 40, 30);
    group->SetCondition(u"'all'"_s);
    group->SetDrillDown(true);
    run();
    ASSERT_EQ(preview->PageCount(), 1); // collapsed: the rows are hidden
    click(at(1, 100, 10));
    QTest::qWait(50); // the run happens from the event loop
    EXPECT_EQ(report->DrillState().Count(), 1);
    EXPECT_GE(preview->PageCount(), 3);
    click(at(1, 100, 10));
    QTest::qWait(50);
    EXPECT_EQ(report->DrillState().Count(), 0);
    EXPECT_EQ(preview->PageCount(), 1);
}

TEST_F(PreviewTest, FindStepsThroughHitsThenPages)
{
    build(30);
    // Rows 1 and 4 of page 1 and row 13 on page 2 hold the word.
    text = [](int row) { return row == 1 || row == 4 || row == 13 ? u"an apple"_s : u"a pear"_s; };
    run();
    ASSERT_TRUE(preview->FindText(u"APPLE"_s, true, false));
    EXPECT_EQ(preview->FoundPage(), 1);
    const double first = preview->FoundRect().top();
    ASSERT_TRUE(preview->FindNext());
    EXPECT_EQ(preview->FoundPage(), 1);
    EXPECT_NEAR(preview->FoundRect().top() - first, 300, 1); // three rows further down
    ASSERT_TRUE(preview->FindNext());
    EXPECT_EQ(preview->FoundPage(), 2);
    EXPECT_EQ(preview->PageNo(), 2);
    EXPECT_FALSE(preview->FindNext()); // no more: the hit stays
    EXPECT_EQ(preview->FoundPage(), 2);
    EXPECT_FALSE(preview->FindText(u"APPLE"_s, true, true)); // case sensitive
}

TEST_F(PreviewTest, CommandsAreRefusedWhileRunning)
{
    build(60);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"run.kw3"_s);
    int calls = 0;
    bool anyDone = false;
    report->SetOnProgress([&](TkavReport &, TkavProgressType, int progress) {
        if (progress != 3)
            return;
        ++calls;
        EXPECT_TRUE(preview->Running());
        anyDone = preview->Print() || preview->SaveToFile(file) || preview->LoadFromFile(file);
        const int pages = preview->PageCount();
        preview->AddPage();
        preview->DeletePage();
        EXPECT_EQ(preview->PageCount(), pages);
    });
    run();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(anyDone);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(preview->Running());
    EXPECT_TRUE(preview->SaveToFile(file)); // afterwards it works
    EXPECT_TRUE(QFile::exists(file));
}

TEST_F(PreviewTest, CancelStopsTheRun)
{
    build(2000, 20);
    report->SetOnProgress([&](TkavReport &, TkavProgressType, int progress) {
        if (progress == 2)
            QTest::mouseClick(preview->CancelButton(), Qt::LeftButton);
    });
    run();
    EXPECT_TRUE(report->Terminated());
    EXPECT_LT(preview->PageCount(), 10);
    EXPECT_FALSE(preview->Running());
}

TEST_F(PreviewTest, SecondTabHidesTheStripWhenClosed)
{
    build(10);
    run();
    EXPECT_FALSE(preview->Tabs()->isVisible());
    auto other = kavNewTestReport();
    preview->AddPreviewTab(other.get(), u"other"_s);
    EXPECT_TRUE(preview->Tabs()->isVisible());
    EXPECT_EQ(preview->CurrentTab(), 1);
    EXPECT_TRUE(preview->HasTab(u"OTHER"_s));
    preview->RemoveTab(1);
    EXPECT_FALSE(preview->Tabs()->isVisible());
    EXPECT_EQ(preview->CurrentTab(), 0);
    EXPECT_EQ(preview->Report(), report.get());
    EXPECT_EQ(preview->PageCount(), 1);
}

TEST_F(PreviewTest, MouseReachesTheReportsEvents)
{
    build(10);
    int clicks = 0;
    int doubles = 0;
    QStringList over;
    report->SetOnClickObject([&](TkavView *, int, int, bool &) { ++clicks; });
    report->SetOnDblClickObject([&](TkavView *, int, int, bool &) { ++doubles; });
    report->SetOnMouseOverObject([&](TkavView *view) { over << view->Name(); });
    run();
    QTest::mouseMove(preview->Workspace()->viewport(), at(1, 50, 10));
    EXPECT_EQ(over.value(0), u"Memo1"_s);
    click(at(1, 50, 10));
    EXPECT_EQ(clicks, 1);
    // A double click as the platform sends it: press, release, double-click press, release.
    QWidget *viewport = preview->Workspace()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at(1, 50, 10));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at(1, 50, 10));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at(1, 50, 10));
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(doubles, 1);
}

TEST_F(PreviewTest, PagesAppearDuringTheRunThumbnailsAfterIt)
{
    build(2000, 20);
    int listed = -1;
    int thumbs = -1;
    report->SetOnProgress([&](TkavReport &, TkavProgressType, int progress) {
        if (progress != 10)
            return;
        listed = preview->Workspace()->PageList().Count();
        thumbs = preview->Thumbnail()->PageList().Count();
        EXPECT_TRUE(preview->MessagePanel()->isVisible()); // with its Cancel button
        EXPECT_TRUE(preview->CancelButton()->isVisible());
    });
    run();
    EXPECT_GE(listed, 9); // the pages finished so far are on screen already
    EXPECT_EQ(thumbs, 0);
    EXPECT_FALSE(preview->MessagePanel()->isVisible());
    EXPECT_GT(preview->PageCount(), 30);
    EXPECT_EQ(preview->Thumbnail()->PageList().Count(), preview->PageCount());
    EXPECT_EQ(preview->Workspace()->PageList().Count(), preview->PageCount());
}

TEST_F(PreviewTest, KeysScrollAndPage)
{
    build(30);
    text = [](int row) { return row == 2 || row == 12 ? u"kiwi"_s : u"fig"_s; };
    run();
    QWidget *viewport = preview->Workspace()->viewport();
    const auto offset = [&] { return preview->Workspace()->Offset().y(); };
    const int top = offset();
    QTest::keyClick(viewport, Qt::Key_Down);
    EXPECT_EQ(offset(), top + 8);
    QTest::keyClick(viewport, Qt::Key_PageDown);
    EXPECT_EQ(offset(), top + 308);
    QTest::keyClick(viewport, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(preview->PageNo(), 2);
    QTest::keyClick(viewport, Qt::Key_End);
    EXPECT_EQ(preview->PageNo(), 3);
    QTest::keyClick(viewport, Qt::Key_Home);
    EXPECT_EQ(preview->PageNo(), 1);
    ASSERT_TRUE(preview->FindText(u"kiwi"_s, true, true));
    QTest::keyClick(viewport, Qt::Key_F3);
    EXPECT_EQ(preview->FoundPage(), 2);
    // Without the find button Ctrl+F and F3 do nothing (a dialog would be closed here).
    report->PreviewOptions().SetButtons(kavPreviewDefaultButtons - TkavPreviewButtons{pbFind});
    int dialogs = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            ++dialogs;
            d->reject();
        }
    });
    closer.start(10);
    QTest::keyClick(viewport, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(preview->FindText(u"kiwi"_s, true, true));
    QTest::keyClick(viewport, Qt::Key_F3);
    EXPECT_EQ(preview->FoundPage(), 1);
    EXPECT_EQ(dialogs, 0);
}

TEST_F(PreviewTest, HandDragScrollsWithoutClicking)
{
    build(30);
    int clicks = 0;
    report->SetOnClickObject([&](TkavView *, int, int, bool &) { ++clicks; });
    run();
    QWidget *viewport = preview->Workspace()->viewport();
    const int top = preview->Workspace()->Offset().y();
    const QPoint from = at(1, 50, 10);
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, from - QPoint(0, 100));
    QTest::mouseMove(viewport, from - QPoint(0, 200));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, from - QPoint(0, 200));
    EXPECT_EQ(preview->Workspace()->Offset().y(), top + 200);
    EXPECT_EQ(clicks, 0);
    // The wheel: Ctrl zooms by a tenth, otherwise it scrolls.
    QWheelEvent zoom(QPointF(200, 200), viewport->mapToGlobal(QPointF(200, 200)), {}, {0, 120},
                     Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(viewport, &zoom);
    EXPECT_NEAR(preview->Zoom(), 1.1, 1e-9);
    const int before = preview->Workspace()->Offset().y();
    QWheelEvent down(QPointF(200, 200), viewport->mapToGlobal(QPointF(200, 200)), {}, {0, -120},
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(viewport, &down);
    EXPECT_EQ(preview->Workspace()->Offset().y(), before + 20 * QApplication::wheelScrollLines());
}

TEST_F(PreviewTest, WholePageFitsAndARefreshKeepsTheView)
{
    build(30);
    run();
    preview->SetZoomMode(zmWholePage);
    const QRect page = preview->Workspace()->PageRect(0);
    EXPECT_LE(page.height(), preview->Workspace()->viewport()->height());
    EXPECT_GT(page.height(), preview->Workspace()->viewport()->height() - 40);
    preview->SetZoom(1);
    preview->SetPageNo(2);
    const int offset = preview->Workspace()->Offset().y();
    preview->RefreshReport();
    EXPECT_EQ(preview->PageNo(), 2);
    EXPECT_EQ(preview->Workspace()->Offset().y(), offset);
    EXPECT_FALSE(preview->Locked());
}

TEST_F(PreviewTest, EachReportInItsOwnTab)
{
    build(10);
    preview->SetEachReportInTab(true);
    run();
    auto other = kavNewTestReport();
    other->ReportOptions().SetName(u"Other"_s);
    kavAddTestPage(*other, u"Page1"_s);
    other->SetPreview(preview.get());
    ASSERT_TRUE(other->PrepareReport(true));
    EXPECT_EQ(preview->TabCount(), 2);
    EXPECT_EQ(preview->Tabs()->tabText(1), u"Other"_s);
    EXPECT_EQ(preview->Report(), other.get());
    other.reset(); // its tab goes with it
    EXPECT_EQ(preview->TabCount(), 1);
    EXPECT_FALSE(preview->Tabs()->isVisible());
    EXPECT_EQ(preview->Report(), report.get());
    EXPECT_EQ(preview->PageCount(), 1);
}

TEST_F(PreviewTest, LockedIgnoresTheMouseAndShowsNoPages)
{
    build(10);
    QStringList over;
    report->SetOnMouseOverObject([&](TkavView *view) { over << view->Name(); });
    run();
    preview->Lock();
    const int painted = preview->Workspace()->PagesPainted();
    preview->Workspace()->repaint();
    QTest::mouseMove(preview->Workspace()->viewport(), at(1, 50, 10));
    EXPECT_EQ(preview->Workspace()->PagesPainted(), painted);
    EXPECT_TRUE(over.isEmpty());
    preview->Unlock();
    preview->Workspace()->repaint();
    EXPECT_GT(preview->Workspace()->PagesPainted(), painted);
    QTest::mouseMove(preview->Workspace()->viewport(), at(1, 50, 12));
    EXPECT_EQ(over, QStringList{u"Memo1"_s});
}

TEST_F(PreviewTest, HintsCursorAndLeavingAnObject)
{
    TkavMemoView *memo = build(10);
    memo->SetHint(u"Short|The long part"_s);
    memo->SetShowHint(true);
    memo->Hyperlink().SetKind(hkCustom);
    memo->Hyperlink().SetValue(u"x"_s);
    QStringList heard;
    report->SetOnMouseEnter([&](TkavView *v) { heard << u"enter "_s + v->Name(); });
    report->SetOnMouseLeave([&](TkavView *v) { heard << u"leave "_s + v->Name(); });
    run();
    QWidget *viewport = preview->Workspace()->viewport();
    QTest::mouseMove(viewport, at(1, 50, 10));
    EXPECT_EQ(viewport->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(preview->StatusText(), u"x"_s);
    memo->Hyperlink().SetValue(QString());
    ASSERT_TRUE(report->PrepareReport(true));
    QTest::mouseMove(viewport, at(1, 50, 11));
    EXPECT_EQ(preview->StatusText(), u"The long part"_s);
    QTest::mouseMove(viewport, at(1, 500, 10)); // beside the memo
    EXPECT_TRUE(preview->StatusText().isEmpty());
    EXPECT_EQ(heard.join(u','), u"enter Memo1,enter Memo1,leave Memo1"_s);
}

TEST_F(PreviewTest, ReportGoneLeavesAnEmptyPreview)
{
    build(10);
    run();
    report.reset();
    EXPECT_EQ(preview->Report(), nullptr);
    EXPECT_EQ(preview->PageCount(), 0);
    preview->Workspace()->repaint(); // paints the background only
}

} // namespace
