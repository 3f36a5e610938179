// Export alongside the engine: a PDF written while the report runs has the bytes of the
// export of the finished store, whether the pages went out during the run or the stream
// gave up (a page count shown, the run going back to a written page, two passes).

#include "../kavTestSupport.h"
#include "kavOutputTestSupport.h"

#include <output/kavExportPDF.h>
#include <report/kavBands.h>
#include <report/kavExportFilter.h>
#include <report/kavPages.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The rows report at Rows rows with Footer as its page footer's text.
std::unique_ptr<TkavReport> rowsReport(int rows, const QString &footer)
{
    kavRegisterRTLClasses();
    kavRegisterReportClasses();
    auto report = std::make_unique<TkavReport>();
    report->EngineOptions().SetNewSilentMode(simSilent);
    report->LoadFromFile(rowsTemplate(), true);
    dynamic_cast<TkavMasterData &>(*report->FindObject(u"MasterData1"_s)).SetRowCount(rows);
    dynamic_cast<TkavMemoView &>(*report->FindObject(u"PageNo"_s)).SetText(footer);
    return report;
}

// Two lists side by side in the title, each longer than a page: the engine writes the
// second from the page where the first began.
void addSideBySideLists(TkavReport &report)
{
    auto *title = dynamic_cast<TkavBand *>(report.FindObject(u"ReportTitle1"_s));
    for (const QString &name : {u"A"_s, u"B"_s}) {
        auto *page = TkavComponent::Create<TkavReportPage>(&report);
        page->SetName(u"List"_s + name);
        auto *rows = TkavComponent::Create<TkavMasterData>(page);
        rows->SetName(u"Rows"_s + name);
        rows->SetBounds(0, 20, 300, 20);
        rows->SetRowCount(120);
        auto *cell = TkavComponent::Create<TkavMemoView>(rows);
        cell->SetName(u"Cell"_s + name);
        cell->SetBounds(0, 0, 200, 18);
        cell->SetText(name + u" [Line#]"_s);
        auto *sub = TkavComponent::Create<TkavSubreport>(title);
        sub->SetName(u"Sub"_s + name);
        sub->SetBounds(name == u"A" ? 0 : 360, 0, 300, 24);
        sub->SetSubPage(page);
    }
}

struct Outcome
{
    bool Finished = false;
    bool Streamed = false;
    QByteArray Written;  // by the stream
    QByteArray Exported; // by an export of the same store afterwards
    int Pages = 0;
};

// Runs Report with a stream writing into a file, then exports the store it made.
Outcome runStreamed(TkavReport &report, const QTemporaryDir &dir)
{
    Outcome out;
    auto &pages = store(report);
    TkavPDFExport streamed(frNoRegister);
    streamed.SetFileName(dir.filePath(u"streamed.pdf"_s));
    {
        TkavPageStream stream(pages, streamed);
        report.PrepareReport(true);
        out.Finished = stream.Finish();
        out.Streamed = stream.Streamed();
    }
    out.Pages = pages.Count();
    out.Written = kavFileBytes(dir.filePath(u"streamed.pdf"_s));
    TkavPDFExport exported(frNoRegister);
    exported.SetFileName(dir.filePath(u"exported.pdf"_s));
    EXPECT_TRUE(pages.Export(exported)) << report.ErrorsText().toStdString();
    out.Exported = kavFileBytes(dir.filePath(u"exported.pdf"_s));
    return out;
}

} // namespace

TEST(PageStream, WritesTheBytesOfTheStoredExportWhetherItStreamedOrGaveUp)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct
    {
        const char *name;
        QString footer;
        std::function<void(TkavReport &)> adjust;
        bool streams;
    } rows[] = {
        {"page numbers only", u"Page [Page#]"_s, {}, true},
        {"the page count", u"Page [Page#] of [TotalPages#]"_s, {}, false},
        {"a second pass", u"Page [Page#]"_s, [](TkavReport &r) { r.EngineOptions().SetDoublePass(true); }, false},
        {"lists side by side", u"Page [Page#]"_s, addSideBySideLists, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        auto report = rowsReport(400, row.footer);
        if (row.adjust)
            row.adjust(*report);
        const Outcome out = runStreamed(*report, dir);
        EXPECT_TRUE(out.Finished) << report->ErrorsText().toStdString();
        EXPECT_EQ(out.Streamed, row.streams);
        EXPECT_GE(out.Pages, 5);
        ASSERT_TRUE(out.Written.startsWith("%PDF"));
        EXPECT_TRUE(out.Written == out.Exported) << out.Written.size() << " bytes against "
                                                 << out.Exported.size();
    }
}

TEST(PageStream, ARunNotFinishedOrAFailedWriteLeavesNoFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto report = rowsReport(400, u"Page [Page#]"_s);
    TkavPDFExport pdf(frNoRegister);
    pdf.SetFileName(dir.filePath(u"abandoned.pdf"_s));
    {
        TkavPageStream stream(store(*report), pdf);
        report->PrepareReport(true);
    } // the caller gave up on the run
    EXPECT_FALSE(QFile::exists(dir.filePath(u"abandoned.pdf"_s)));
    EXPECT_TRUE(pdf.Files().isEmpty());

    // The pages go out, then the file cannot be written.
    const QString unwritable = dir.filePath(u"no/such/folder/out.pdf"_s);
    pdf.SetFileName(unwritable);
    TkavPageStream stream(store(*report), pdf);
    report->PrepareReport(true);
    EXPECT_FALSE(stream.Finish());
    EXPECT_TRUE(stream.Streamed());
    EXPECT_FALSE(QFile::exists(unwritable));
    EXPECT_NE(report->ErrorsText().indexOf(u"out.pdf"_s), -1) << report->ErrorsText().toStdString();
}
