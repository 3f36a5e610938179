// The preview window and its commands on a template read from a file, as an author uses them:
// links of every kind, report tabs, prepared files, pages added and deleted, the outline,
// the page settings, the window's boxes and remembered settings, the report's own window and
// its events, and a long script stopped by Cancel.
#include "engine/kavEngineTestSupport.h"
#include "kavTestSupport.h"

#include <output/kavExportFilters.h>
#include <preview/kavPreview.h>
#include <preview/kavPreviewDialogs.h>
#include <preview/kavPreviewForm.h>
#include <preview/kavPreviewWorkspace.h>
#include <report/kavBands.h>
#include <report/kavExportFilter.h>
#include <report/kavPages.h>
#include <report/kavViews.h>
#include <rtl/kavUIServices.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Never blocks; keeps the window painting during runs and remembers what it was told.
class RecordingUIServices : public TkavHeadlessUIServices
{
public:
    RecordingUIServices()
    {
        SetEchoToStandardError(false);
        SetMessageSink([this](TMsgDlgType, const QString &text) { Messages << text; });
    }
    void ProcessMessages() override { QCoreApplication::processEvents(); }
    QStringList Messages;
};

class PreviewWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto services = std::make_unique<RecordingUIServices>();
        ui = services.get();
        previous = kavSetUIServices(std::move(services));
        kavInstallPreviewWindow();
        openedUrls.clear();
        previousOpener = std::exchange(TkavPreview::UrlOpener(), [this](const QUrl &url) {
            openedUrls << url.toString();
            return true;
        });
        report = kavNewTestReport();
        report->SetIniFile(dir.filePath(u"settings.ini"_s));
        form = std::make_unique<TkavPreviewForm>();
        form->resize(900, 800);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    void TearDown() override
    {
        form.reset();
        report.reset();
        TkavPreview::UrlOpener() = previousOpener;
        kavSetUIServices(std::move(previous));
    }

    TkavPreview &preview() { return *form->Preview(); }

    void runLinks()
    {
        ASSERT_TRUE(report->LoadFromFile(QDir::current().absoluteFilePath(u"data/links.kv3"_s)));
        report->EngineOptions().SetNewSilentMode(simSilent);
        report->SetPreview(&preview());
        form->ApplyReportOptions(*report);
        ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    }

    // The viewport point at (X, Y) report pixels of the printable area (10 mm margins) of
    // page Page, which is made current first.
    QPoint at(int Page, double X, double Y)
    {
        preview().SetPageNo(Page);
        TkavPreviewWorkspace &w = *preview().Workspace();
        const QRect rect = w.PageRect(Page - 1);
        return rect.topLeft() + QPoint(int((X + 37.8) * w.Zoom()), int((Y + 37.8) * w.Zoom()));
    }

    void click(QPoint point)
    {
        QTest::mouseClick(preview().Workspace()->viewport(), Qt::LeftButton, {}, point);
        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
    }

    QTemporaryDir dir;
    RecordingUIServices *ui = nullptr;
    std::unique_ptr<TkavUIServices> previous;
    std::function<bool(const QUrl &)> previousOpener;
    QStringList openedUrls;
    std::unique_ptr<TkavReport> report;
    std::unique_ptr<TkavPreviewForm> form;
};

TEST_F(PreviewWindowTest, LinksToAnAnchorAndTheWeb)
{
    runLinks();
    ASSERT_EQ(preview().PageCount(), 4);
    click(at(1, 170, 10)); // "To the summary": its anchor is on page 3
    EXPECT_EQ(preview().PageNo(), 3);
    click(at(1, 330, 10));
    EXPECT_EQ(openedUrls, QStringList{u"https://example.org/kavrel"_s});
    // A link that could start a program asks first; the headless answer is no.
    dynamic_cast<TkavMemoView *>(report->FindObject(u"ToWeb"_s))->Hyperlink().SetValue(u"file:///bin/sh"_s);
    ASSERT_TRUE(report->PrepareReport(true));
    click(at(1, 330, 10));
    EXPECT_EQ(openedUrls.size(), 1);
    EXPECT_EQ(ui->Messages.size(), 1);
}

TEST_F(PreviewWindowTest, DetailPageAndDetailReportOpenInTabsOnce)
{
    runLinks();
    click(at(1, 10, 40)); // "Detail page" with the value "blue"
    ASSERT_EQ(preview().TabCount(), 2);
    EXPECT_TRUE(preview().Tabs()->isVisible());
    EXPECT_EQ(preview().Tabs()->tabText(1), u"Blue things"_s);
    EXPECT_EQ(preview().PageCount(), 1);
    EXPECT_TRUE(preview().FindText(u"Things coloured blue"_s, true, true));
    // The first tab's report kept its own pages.
    preview().SwitchToTab(report.get());
    EXPECT_EQ(preview().PageCount(), 4);

    click(at(1, 170, 40)); // "Detail report": detail.kv3 beside the template, "green"
    ASSERT_EQ(preview().TabCount(), 3);
    EXPECT_EQ(preview().CurrentTab(), 2);
    EXPECT_TRUE(preview().FindText(u"Detail report for green"_s, true, true));
    preview().SwitchToTab(report.get());
    click(at(1, 170, 40)); // the same link again: its tab comes back
    EXPECT_EQ(preview().TabCount(), 3);
    EXPECT_EQ(preview().CurrentTab(), 2);
    preview().RemoveTab(2);
    preview().RemoveTab(1);
    EXPECT_EQ(preview().TabCount(), 1);
    EXPECT_FALSE(preview().Tabs()->isVisible());
    EXPECT_EQ(preview().PageCount(), 4);
}

TEST_F(PreviewWindowTest, PreparedFileRoundTripAndItsLimits)
{
    runLinks();
    const QString file = dir.filePath(u"links"_s);
    ASSERT_TRUE(preview().SaveToFile(file)); // the extension is added
    ASSERT_TRUE(QFile::exists(file + u".kw3"_s));

    // Another viewer without the template: the pages, the outline and the page links
    // work, detail reports named in the file do not run.
    TkavPreviewForm other;
    other.resize(900, 800);
    other.show();
    auto viewer = kavNewTestReport();
    viewer->SetPreview(other.Preview());
    ASSERT_TRUE(other.Preview()->LoadFromFile(file + u".kw3"_s));
    EXPECT_EQ(other.Preview()->PageCount(), 4);
    EXPECT_EQ(other.Preview()->Outline()->model()->rowCount(), 120);
    EXPECT_TRUE(other.Preview()->FindText(u"Summary"_s, true, true));
    EXPECT_EQ(other.Preview()->FoundPage(), 3);

    // A missing or broken file is said so and the pages shown stay.
    EXPECT_FALSE(preview().LoadFromFile(dir.filePath(u"none.kw3"_s)));
    QFile broken(dir.filePath(u"broken.kw3"_s));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("<preparedreport><previewpages><page0");
    broken.close();
    EXPECT_FALSE(preview().LoadFromFile(broken.fileName()));
    EXPECT_EQ(ui->Messages.size(), 2);
    EXPECT_EQ(preview().PageCount(), 4);
    EXPECT_TRUE(preview().FindText(u"Summary"_s, true, true));
}

TEST_F(PreviewWindowTest, PagesAddedAndDeleted)
{
    runLinks();
    preview().SetPageNo(2);
    preview().AddPage();
    EXPECT_EQ(preview().PageCount(), 5);
    EXPECT_EQ(preview().PageNo(), 2);
    preview().Last();
    preview().DeletePage();
    EXPECT_EQ(preview().PageCount(), 4);
    EXPECT_EQ(preview().PageNo(), 4); // the new last page
    // "Page 3" was the footer of the old page 3, now the fourth.
    EXPECT_TRUE(preview().FindText(u"Page 3"_s, true, true));
    EXPECT_EQ(preview().FoundPage(), 4);
}

TEST_F(PreviewWindowTest, OutlineAndThumbnailsChooseThePage)
{
    runLinks();
    preview().SetOutlineVisible(true);
    QTreeView &outline = *preview().Outline();
    const QModelIndex row100 = outline.model()->index(99, 0);
    ASSERT_EQ(row100.data().toString(), u"Row 100"_s);
    outline.scrollTo(row100);
    QTest::mouseClick(outline.viewport(), Qt::LeftButton, {}, outline.visualRect(row100).center());
    EXPECT_EQ(preview().PageNo(), 3);
    // Row 100 lies 10 pixels below the window top.
    EXPECT_TRUE(preview().FindText(u"Row 100"_s, false, true));
    const QRect page = preview().Workspace()->PageRect(2);
    EXPECT_NEAR(page.top() + preview().FoundRect().top() * preview().Zoom(), 10, 25);

    preview().SetThumbnailVisible(true);
    EXPECT_FALSE(outline.isVisible());
    TkavPreviewWorkspace &thumbs = *preview().Thumbnail();
    QTest::mouseClick(thumbs.viewport(), Qt::LeftButton, {}, thumbs.PageRect(1).center());
    EXPECT_EQ(preview().PageNo(), 2);
}

TEST_F(PreviewWindowTest, PageSettingsForOnePageOrAll)
{
    runLinks();
    TkavReportPage page; // A4
    TkavPageSetupDialog dialog(page);
    const auto lengths = dialog.findChildren<QDoubleSpinBox *>();
    EXPECT_EQ(lengths[0]->cleanText(), u"21"_s); // no trailing zeros
    EXPECT_EQ(lengths[1]->cleanText(), QLocale().toString(29.7));
    const auto radios = dialog.findChildren<QRadioButton *>();
    ASSERT_EQ(radios.size(), 4); // portrait, landscape, this page, all pages
    QTest::mouseClick(radios[1], Qt::LeftButton);
    QTest::mouseClick(radios[3], Qt::LeftButton);
    EXPECT_TRUE(radios[1]->isChecked());
    EXPECT_FALSE(radios[0]->isChecked());
    EXPECT_TRUE(dialog.ApplyToAll());
    EXPECT_FALSE(radios[2]->isChecked());
    dialog.Apply(page);
    EXPECT_EQ(page.Orientation(), poLandscape);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 297);
    // A typed width makes the paper a custom one.
    dialog.findChildren<QDoubleSpinBox *>()[0]->setValue(25);
    dialog.Apply(page);
    EXPECT_EQ(page.PaperSize(), 256);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 250);
    // A custom size turns with the orientation.
    TkavPageSetupDialog custom(page);
    custom.findChildren<QRadioButton *>()[0]->click();
    custom.Apply(page);
    EXPECT_EQ(page.Orientation(), poPortrait);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 210);
    EXPECT_DOUBLE_EQ(page.PaperHeight(), 250);

    // All pages: the template takes the settings and runs again.
    QTimer::singleShot(0, [] {
        auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        const auto buttons = d->findChildren<QRadioButton *>();
        buttons[1]->click();
        buttons[3]->click();
        d->accept();
    });
    preview().PageSetupDlg();
    EXPECT_EQ(dynamic_cast<TkavReportPage &>(*report->FindObject(u"Page1"_s)).Orientation(), poLandscape);
    EXPECT_GT(preview().PageCount(), 4); // fewer rows fit a landscape page
    EXPECT_GT(preview().Workspace()->PageRect(0).width(), preview().Workspace()->PageRect(0).height());
}

TEST_F(PreviewWindowTest, WindowBoxesAndRememberedSettings)
{
    runLinks();
    form->ZoomTyped(u" 150 %"_s);
    EXPECT_DOUBLE_EQ(preview().Zoom(), 1.5);
    EXPECT_EQ(form->ZoomBox()->currentText(), u"150%"_s);
    form->PageBox()->setText(u"3"_s);
    QTest::keyClick(form->PageBox(), Qt::Key_Return);
    EXPECT_EQ(preview().PageNo(), 3);
    EXPECT_TRUE(form->StatusPage().contains(u"3"_s));
    form->ZoomBox()->activated(6); // page width
    EXPECT_EQ(preview().ZoomMode(), zmPageWidth);
    preview().SetOutlineVisible(true);
    preview().SetOutlineWidth(210);
    form->resize(700, 600);
    form->close();

    TkavPreviewForm again;
    report->SetPreview(again.Preview());
    again.ApplyReportOptions(*report);
    EXPECT_EQ(again.size(), QSize(700, 600));
    EXPECT_EQ(again.Preview()->ZoomMode(), zmPageWidth);
    EXPECT_EQ(again.Preview()->OutlineWidth(), 210);
}

TEST_F(PreviewWindowTest, ExportDialogWritesTheChosenPages)
{
    runLinks();
    kavRegisterExportFilters();
    TkavCustomExportFilter *pdf = nullptr;
    for (TkavCustomExportFilter *filter : kavExportFilters())
        if (filter->DefaultExt() == u".pdf"_s)
            pdf = filter;
    ASSERT_NE(pdf, nullptr);
    const QString file = dir.filePath(u"out.pdf"_s);
    preview().SetPageNo(2);
    QTimer::singleShot(0, [&] {
        auto *d = dynamic_cast<TkavExportDialog *>(QApplication::activeModalWidget());
        d->FileEdit()->setText(file);
        d->findChildren<QRadioButton *>()[1]->click(); // the current page
        d->accept();
    });
    pdf->SetShowDialog(true);
    ASSERT_TRUE(preview().Export(*pdf));
    EXPECT_TRUE(QFileInfo(file).size() > 0);
    EXPECT_EQ(pdf->PageNumbers(), u"2"_s);
    EXPECT_TRUE(pdf->ShowDialog());
    EXPECT_FALSE(preview().Locked());
    pdf->SetPageNumbers(QString());
    pdf->SetFileName(QString());

    // From the export menu the filter has neither its dialog nor a file: the dialog asks.
    const QString asked = dir.filePath(u"asked.pdf"_s);
    QTimer::singleShot(0, [&] {
        auto *d = dynamic_cast<TkavExportDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->FileEdit()->setText(asked);
        d->accept();
    });
    pdf->SetShowDialog(false);
    ASSERT_TRUE(preview().Export(*pdf));
    EXPECT_TRUE(QFileInfo(asked).size() > 0);
    EXPECT_FALSE(pdf->ShowDialog());
    pdf->SetFileName(QString());
}

TEST_F(PreviewWindowTest, TheWindowWhileARunGoesOn)
{
    ASSERT_TRUE(report->LoadFromFile(QDir::current().absoluteFilePath(u"data/links.kv3"_s)));
    report->EngineOptions().SetNewSilentMode(simSilent);
    report->EngineOptions().SetDoublePass(true);
    dynamic_cast<TkavDataBand &>(*report->FindObject(u"MasterData1"_s)).SetRowCount(3000);
    report->SetPreview(&preview());
    form->ApplyReportOptions(*report);
    const QString close = form->CloseAction()->text();
    QStringList seen;
    report->SetOnProgress([&](TkavReport &, TkavProgressType, int progress) {
        if (progress != 2)
            return;
        seen << form->StatusPage() << form->CloseAction()->text();
        if (seen.size() == 4)
            form->CloseAction()->trigger(); // in the second pass: the run stops
    });
    report->PrepareReport(true);
    ASSERT_EQ(seen.size(), 4);
    EXPECT_NE(seen[0], seen[2]); // the first pass is counted apart
    EXPECT_NE(seen[1], close);   // the close button cancels
    EXPECT_TRUE(report->Terminated());
    EXPECT_EQ(form->CloseAction()->text(), close);
    EXPECT_TRUE(form->isVisible());

    // Closing the window during a run stops the run, then the window closes.
    report->SetOnProgress([&](TkavReport &, TkavProgressType, int progress) {
        if (progress == 2)
            form->close();
    });
    report->PrepareReport(true);
    EXPECT_TRUE(report->Terminated());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }, 1000));
}

TEST_F(PreviewWindowTest, FullScreenAndEscape)
{
    runLinks();
    QTest::keyClick(form.get(), Qt::Key_F11);
    EXPECT_TRUE(form->isFullScreen());
    QTest::keyClick(form.get(), Qt::Key_Escape); // leaves full screen first
    EXPECT_FALSE(form->isFullScreen());
    EXPECT_TRUE(form->isVisible());
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(PreviewWindowTest, ShowReportOpensItsOwnWindowWithItsEvents)
{
    auto own = kavNewTestReport();
    own->SetIniFile(dir.filePath(u"own.ini"_s));
    ASSERT_TRUE(own->LoadFromFile(QDir::current().absoluteFilePath(u"data/detail.kv3"_s)));
    QStringList events;
    own->SetOnBeginDoc([&](TkavReport &) { events << u"begin"_s; });
    own->SetOnAfterScriptCompile([&](TkavReport &) { events << u"compiled"_s; });
    own->SetOnEndDoc([&](TkavReport &) { events << u"end"_s; });
    own->SetOnPreview([&](TkavReport &) { events << u"preview"_s; });
    own->SetOnClosePreview([&](TkavReport &) { events << u"close"_s; });
    // The window is modal (the default): it is closed once the run is over.
    int pagesShown = -1;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto *window = qobject_cast<QWidget *>(own->PreviewForm());
        if (window && events.contains(u"end"_s)) {
            pagesShown = own->Preview() ? own->Preview()->PreviewPages()->Count() : -1;
            window->close();
        }
    });
    closer.start(20);
    own->ShowReport();
    EXPECT_EQ(pagesShown, 1);
    EXPECT_EQ(own->PreviewForm(), nullptr);
    EXPECT_EQ(own->Preview(), nullptr);
    EXPECT_EQ(events.join(u' '), u"preview begin compiled end close"_s);
}

TEST_F(PreviewWindowTest, CancelStopsALongScript)
{
    runLinks();
    // Every row's memo runs a script that would never end on its own.
    TStringList lines;
    lines.SetText(u"procedure Spin(Sender: TkavComponent);\nvar i: Integer;\nbegin\n"
                  u"  i := 0;\n  while True do i := i + 1;\nend;\n\nbegin\nend."_s);
    report->SetScriptText(lines);
    dynamic_cast<TkavView *>(report->FindObject(u"RowText"_s))->SetOnBeforePrint(u"Spin"_s);
    QTimer::singleShot(300, &preview(), [this] {
        ASSERT_TRUE(preview().Running());
        QTest::mouseClick(preview().CancelButton(), Qt::LeftButton);
    });
    QElapsedTimer clock;
    clock.start();
    report->PrepareReport(true);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(report->Terminated());
    EXPECT_FALSE(preview().Running());
    EXPECT_LE(preview().PageCount(), 1);
}

} // namespace
