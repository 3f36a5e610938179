// The export run: hands the prepared pages, object by object, to an export filter.

#include "kavPreviewPages.h"

#include <persist/kavRes.h>
#include <report/kavBands.h>
#include <report/kavExportFilter.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavCast.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

constexpr double pixelsPerMm = 3.77953;

class ExportRun
{
public:
    ExportRun(TkavPreviewPages &Pages,
              TkavCustomExportFilter &Filter,
              QList<int> Selected,
              bool All)
        : pages(Pages)
        , filter(Filter)
        , report(Pages.Report())
        , selected(std::move(Selected))
        , all(All)
        , pump(!report || !report->EngineOptions().EnableThreadSafe())
        , progress(pump && report && report->ShowProgress() && Filter.ShowProgress())
    {}

    // Start, every chosen page, and Finish whatever happens after a successful Start.
    // False when the filter refused to start.
    bool run()
    {
        filter.SetFailed(false);
        if (filter.OnBeginExport)
            filter.OnBeginExport(filter);
        if (!filter.Start())
            return false;
        const TkavPreviewLockGuard previewLock(report);
        // On failure Finish still runs; the first error is the one reported.
        auto finish = qScopeGuard([this] {
            filter.SetFailed(true);
            try {
                filter.Finish();
            } catch (...) {
            }
        });
        if (progress)
            kavUIServices().ProgressBegin(filter.GetDescription(), pages.Count());
        const auto endProgress = qScopeGuard([this] {
            if (progress)
                kavUIServices().ProgressEnd();
        });
        for (int i = 0; i < pages.Count(); ++i) {
            exportPage(i);
            if (pump)
                QCoreApplication::processEvents();
            checkTerminated();
        }
        finish.dismiss();
        filter.Finish(); // outside the guard so that its own errors are reported
        return true;
    }

private:
    // The user's cancel in the progress window becomes Terminated, which stops the run.
    void checkTerminated()
    {
        if (progress && kavUIServices().ProgressCancelled())
            report->SetTerminated(true);
        if (report && report->Terminated())
            throw EExportTerminated(u"Export stopped"_s);
    }

    void exportPage(int i)
    {
        if (!all && !selected.contains(i + 1))
            return;
        const std::shared_ptr<TkavReportPage> page = pages.GetPage(i);
        if (!page)
            return;
        if (progress) {
            kavUIServices().ProgressSetText(kavResourceTable().Get(u"prExporting"_s).replace(
                u"%d"_s, QString::number(i + 1)));
            kavUIServices().ProgressStep();
        }
        filter.StartPage(page.get(), i);
        bool finished = false;
        const auto finishPage = qScopeGuard([&] {
            if (!finished) {
                filter.SetFailed(true);
                try {
                    filter.FinishPage(page.get(), i);
                } catch (...) {
                }
            }
            endPage(*page);
        });
        const bool mirrored = page->MirrorMargins() && i % 2 == 1;
        page->SetLeft((mirrored ? page->RightMargin() : page->LeftMargin()) * pixelsPerMm);
        page->SetTop(page->TopMargin() * pixelsPerMm);
        exportBackground(*page);
        const QList<TkavComponent *> objects = page->Objects();
        for (TkavComponent *obj : objects) {
            if (suppressed(*obj, i))
                continue;
            exportObject(obj);
            const QList<TkavComponent *> children = obj->Objects();
            for (TkavComponent *child : children)
                exportObject(child);
        }
        finished = true;
        filter.FinishPage(page.get(), i);
    }

    // The page goes back to its place; the cache is emptied so memory stays flat.
    void endPage(TkavReportPage &page)
    {
        page.SetLeft(0);
        page.SetTop(0);
        pages.ClearPageCache();
    }

    bool suppressed(const TkavComponent &obj, int i) const
    {
        if (!filter.SuppressPageHeadersFooters())
            return false;
        if (kavCast<const TkavPageHeader>(&obj))
            return i != 0;
        if (kavCast<const TkavPageFooter>(&obj))
            return i != pages.Count() - 1;
        return false;
    }

    // The page's colour, frame and background picture as one temporary picture object
    // covering the printable area.
    void exportBackground(TkavReportPage &page)
    {
        auto background = std::make_unique<TkavPictureView>();
        background->SetName(u"_pagebackground"_s);
        background->SetColor(page.Color());
        background->Frame().Assign(page.Frame());
        background->SetPicture(page.BackPicture());
        background->SetStretched(true);
        background->SetKeepAspectRatio(false);
        background->SetLeft(page.Left());
        background->SetTop(page.Top());
        background->SetWidth(page.Width() - (page.LeftMargin() + page.RightMargin()) * pixelsPerMm);
        background->SetHeight(page.Height()
                              - (page.TopMargin() + page.BottomMargin()) * pixelsPerMm);
        exportObject(background.get());
    }

    void exportObject(TkavComponent *obj)
    {
        if (filter.DataOnly() && !kavCast<const TkavDataBand>(obj->Parent()))
            return;
        const auto *view = kavCast<const TkavView>(obj);
        if (view && !view->Visibility().Contains(vsExport))
            return;
        if (auto *memo = kavCast<TkavCustomMemoView>(obj)) {
            memo->SetTotalPages(pages.Count());
            memo->SetCopyNo(1);
            memo->ExtractMacros();
            if (memo->AutoWidth()) { // drawing brings the width up to date
                QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
                QPainter painter(&scratch);
                memo->Draw(&painter, 1, 1, 0, 0);
            }
        }
        filter.ExportObject(obj);
        checkTerminated();
    }

    TkavPreviewPages &pages;
    TkavCustomExportFilter &filter;
    TkavReport *report;
    const QList<int> selected;
    const bool all;
    const bool pump;     // pending window messages are processed between pages
    const bool progress; // the progress window is shown
};

// A cancelled or failed export leaves none of the files it wrote.
void removeWrittenFiles(TkavCustomExportFilter &Filter)
{
    for (const QString &file : std::as_const(Filter.Files()))
        QFile::remove(file);
    Filter.Files().clear();
}

} // namespace

bool TkavPreviewPages::Export(TkavCustomExportFilter &Filter)
{
    const int savedCopyNo = CopyNo();
    SetCopyNo(0);
    Filter.SetPreviewPages(this);
    const auto restore = qScopeGuard([&] {
        SetCopyNo(savedCopyNo);
        Filter.SetPreviewPages(nullptr);
    });
    TkavReport *report = Report();
    const auto fail = [report](const QString &message) {
        if (!report)
            return false;
        report->Errors().Add(message);
        report->ReportErrors();
        return false;
    };
    Filter.SetCreationTime(QDateTime::currentDateTime());
    Filter.SetReport(report);
    Filter.SetCancelled(false);
    Filter.Files().clear();
    if (Filter.ShowDialog() && Filter.ShowModal() != mrOk) {
        Filter.SetCancelled(true);
        return false;
    }
    if (Filter.CurPage())
        Filter.SetPageNumbers(QString::number(CurPreviewPage() + 1));
    if (report)
        report->SetTerminated(false);
    try {
        // A range text naming no existing page exports nothing (an empty list means all).
        QList<int> selected;
        kavParsePageNumbers(Filter.PageNumbers(), selected, Count());
        const bool all = Filter.PageNumbers().trimmed().isEmpty();
        return ExportRun(*this, Filter, std::move(selected), all).run();
    } catch (const EExportTerminated &) {
        Filter.SetCancelled(true);
        removeWrittenFiles(Filter);
        return false;
    } catch (const Exception &e) {
        removeWrittenFiles(Filter);
        return fail(e.Message());
    } catch (const std::exception &e) {
        removeWrittenFiles(Filter);
        return fail(QString::fromLocal8Bit(e.what()));
    }
}
