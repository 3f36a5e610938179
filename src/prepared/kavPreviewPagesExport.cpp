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

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

constexpr double pixelsPerMm = 3.77953;
// Built pages waiting for the writer thread: enough to ride over a slow page, few enough
// to keep memory flat.
constexpr size_t queuedPages = 4;

// Exports one built page through the filter: its background, its objects, the page calls.
// Reaches the page and the filter only, so it may run on the writer thread.
class PageExporter
{
public:
    // TotalPages is 0 while the pages are still being prepared. Poll (if any) runs after
    // every object and stops the export by raising.
    PageExporter(TkavCustomExportFilter &Filter, int TotalPages, std::function<void()> Poll = {})
        : filter(Filter)
        , totalPages(TotalPages)
        , poll(std::move(Poll))
    {}

    // Set from another thread: the export raises EExportTerminated after the current object.
    std::atomic<bool> stopRequested{false};

    // Page is built for this export alone: it is placed at its margins and left so.
    void exportPage(TkavReportPage &page, int i)
    {
        for (TkavComponent *obj : page.AllObjects())
            if (auto *memo = kavCast<TkavCustomMemoView>(obj))
                memo->SetTotalPages(totalPages);
        filter.StartPage(&page, i);
        bool finished = false;
        const auto finishPage = qScopeGuard([&] {
            if (!finished) {
                filter.SetFailed(true);
                try {
                    filter.FinishPage(&page, i);
                } catch (...) {
                }
            }
        });
        const bool mirrored = page.MirrorMargins() && i % 2 == 1;
        page.SetLeft((mirrored ? page.RightMargin() : page.LeftMargin()) * pixelsPerMm);
        page.SetTop(page.TopMargin() * pixelsPerMm);
        exportBackground(page);
        const QList<TkavComponent *> objects = page.Objects();
        for (TkavComponent *obj : objects) {
            if (suppressed(*obj, i))
                continue;
            exportObject(obj);
            const QList<TkavComponent *> children = obj->Objects();
            for (TkavComponent *child : children)
                exportObject(child);
        }
        finished = true;
        filter.FinishPage(&page, i);
    }

private:
    bool suppressed(const TkavComponent &obj, int i) const
    {
        if (!filter.SuppressPageHeadersFooters())
            return false;
        if (kavCast<const TkavPageHeader>(&obj))
            return i != 0;
        if (kavCast<const TkavPageFooter>(&obj))
            return i != totalPages - 1;
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
            memo->SetCopyNo(1);
            memo->ExtractMacros();
            if (memo->AutoWidth()) { // drawing brings the width up to date
                QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
                QPainter painter(&scratch);
                memo->Draw(&painter, 1, 1, 0, 0);
            }
        }
        filter.ExportObject(obj);
        if (stopRequested)
            throw EExportTerminated(u"Export stopped"_s);
        if (poll)
            poll();
    }

    TkavCustomExportFilter &filter;
    const int totalPages;
    const std::function<void()> poll;
};

// Runs a PageExporter over built pages on a thread of its own, a few pages behind the
// caller, when the filter allows it; otherwise at once on the caller's thread.
class PageWriter
{
public:
    PageWriter(PageExporter &Exporter, bool Threaded)
        : exporter(Exporter)
    {
        if (Threaded)
            thread = std::thread([this] { loop(); });
    }
    ~PageWriter() { abandon(); }
    PageWriter(const PageWriter &) = delete;
    PageWriter &operator=(const PageWriter &) = delete;

    // Hands a built page over, waiting while the queue is full. The writer's error, if it
    // met one, is raised here.
    void push(std::shared_ptr<TkavReportPage> page, int index)
    {
        if (!thread.joinable()) {
            exporter.exportPage(*page, index);
            return;
        }
        std::vector<std::shared_ptr<TkavReportPage>> written;
        {
            std::unique_lock hold(lock);
            changed.wait(hold, [this] { return queue.size() < queuedPages || error; });
            if (error)
                std::rethrow_exception(error);
            queue.emplace_back(std::move(page), index);
            written.swap(done);
        }
        changed.notify_all();
    }

    // Waits until every page handed over is written; raises the writer's error.
    void finish()
    {
        close(false);
        if (error)
            std::rethrow_exception(error);
    }

    // Stops the writer after the object it is on; pages still queued are dropped, and so
    // is its error.
    void abandon()
    {
        exporter.stopRequested = true;
        close(true);
    }

private:
    void close(bool dropQueued)
    {
        if (!thread.joinable())
            return;
        {
            const std::lock_guard hold(lock);
            closing = true;
            if (dropQueued)
                queue.clear();
        }
        changed.notify_all();
        thread.join();
    }

    void loop()
    {
        std::unique_lock hold(lock);
        while (true) {
            changed.wait(hold, [this] { return !queue.empty() || closing; });
            if (queue.empty())
                return;
            auto [page, index] = std::move(queue.front());
            queue.pop_front();
            changed.notify_all();
            hold.unlock();
            try {
                exporter.exportPage(*page, index);
            } catch (...) {
                hold.lock();
                error = std::current_exception();
                queue.clear();
                changed.notify_all();
                return;
            }
            hold.lock();
            // Freed by the thread that made it: memory freed across threads contends for
            // the allocator's locks.
            done.push_back(std::move(page));
        }
    }

    PageExporter &exporter;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::pair<std::shared_ptr<TkavReportPage>, int>> queue;
    std::vector<std::shared_ptr<TkavReportPage>> done; // written, to be freed by the caller
    std::exception_ptr error;
    bool closing = false;
    std::thread thread;
};

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
    // False when the filter refused to start. Pages are built here and, when the filter
    // allows, written on a second thread meanwhile.
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
        // Off the caller's thread the writer cannot look at the report: the caller stops it.
        const bool threaded = filter.ExportsPagesOffThread();
        PageExporter exporter(filter, pages.Count(), threaded ? std::function<void()>() : [this] {
            checkTerminated();
        });
        // On the heap: its lock and queue are shared with a thread, and stack slots that
        // the next export reuses confuse the thread checker.
        const auto writer = std::make_unique<PageWriter>(exporter, threaded);
        pages.ClearPageCache();
        for (int i = 0; i < pages.Count(); ++i) {
            if (!all && !selected.contains(i + 1))
                continue;
            std::shared_ptr<TkavReportPage> page = pages.BuildPage(i);
            if (!page)
                continue;
            if (progress) {
                kavUIServices().ProgressSetText(kavResourceTable().Get(u"prExporting"_s).replace(
                    u"%d"_s, QString::number(i + 1)));
                kavUIServices().ProgressStep();
            }
            writer->push(std::move(page), i);
            if (pump)
                QCoreApplication::processEvents();
            checkTerminated();
        }
        writer->finish();
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

// Runs body, turning what it raises into the export's result: a stop cancels, an error
// becomes an Errors line; either way the files written so far go.
bool guarded(TkavCustomExportFilter &Filter, TkavReport *report, const std::function<bool()> &body)
{
    const auto fail = [report](const QString &message) {
        if (!report)
            return false;
        report->Errors().Add(message);
        report->ReportErrors();
        return false;
    };
    try {
        return body();
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

// What every export sets on its filter before the first page.
void prepareFilter(TkavCustomExportFilter &Filter, TkavPreviewPages &Pages)
{
    Filter.SetPreviewPages(&Pages);
    Filter.SetCreationTime(QDateTime::currentDateTime());
    Filter.SetReport(Pages.Report());
    Filter.SetCancelled(false);
    Filter.Files().clear();
}

// Whether a text on the page shows the page count or the copy name, which are known only
// when the whole report is made.
bool showsPageCount(const TkavReportPage &page)
{
    for (TkavComponent *obj : page.AllObjects()) {
        const auto *memo = kavCast<const TkavCustomMemoView>(obj);
        if (!memo || !memo->AllowExpressions())
            continue;
        const TkavWideStrings &lines = memo->Memo();
        for (int i = 0; i < lines.Count(); ++i) {
            const QString line = lines.Strings(i);
            if (line.contains(u"[TOTALPAGES", Qt::CaseInsensitive)
                || line.contains(u"[COPYNAME#]", Qt::CaseInsensitive))
                return true;
        }
    }
    return false;
}

} // namespace

bool TkavPreviewPages::Export(TkavCustomExportFilter &Filter)
{
    const int savedCopyNo = CopyNo();
    SetCopyNo(0);
    const auto restore = qScopeGuard([&] {
        SetCopyNo(savedCopyNo);
        Filter.SetPreviewPages(nullptr);
    });
    prepareFilter(Filter, *this);
    if (Filter.ShowDialog() && Filter.ShowModal() != mrOk) {
        Filter.SetCancelled(true);
        return false;
    }
    if (Filter.CurPage())
        Filter.SetPageNumbers(QString::number(CurPreviewPage() + 1));
    TkavReport *report = Report();
    if (report)
        report->SetTerminated(false);
    return guarded(Filter, report, [&] {
        // A range text naming no existing page exports nothing (an empty list means all).
        QList<int> selected;
        kavParsePageNumbers(Filter.PageNumbers(), selected, Count());
        const bool all = Filter.PageNumbers().trimmed().isEmpty();
        return ExportRun(*this, Filter, std::move(selected), all).run();
    });
}

// ---------------------------------------------------------------------------------------
// Export alongside the engine

struct TkavPageStream::Impl
{
    Impl(TkavPreviewPages &Pages, TkavCustomExportFilter &Filter)
        : pages(Pages)
        , filter(Filter)
    {}

    // Builds page i and hands it to the writer; gives up on a page showing the page count.
    void hand(int i)
    {
        std::shared_ptr<TkavReportPage> page = pages.BuildPage(i);
        if (!page || showsPageCount(*page)) {
            giveUp();
            return;
        }
        ++handed;
        try {
            writer->push(std::move(page), i);
        } catch (...) { // the export of the store meets the error again and reports it
            giveUp();
        }
    }

    // Stops the writer and discards what it wrote; the store is exported afterwards.
    void giveUp()
    {
        writing = false;
        writer->abandon();
        writer.reset();
        exporter.reset();
        filter.SetFailed(true);
        try {
            filter.Finish();
        } catch (...) {
        }
        removeWrittenFiles(filter);
        restore();
    }

    void restore()
    {
        pages.SetCopyNo(savedCopyNo);
        filter.SetPreviewPages(nullptr);
        pages.FStream = nullptr; // this stream's, or none: a store has one at most
    }

    TkavPreviewPages &pages;
    TkavCustomExportFilter &filter;
    std::unique_ptr<PageExporter> exporter;
    std::unique_ptr<PageWriter> writer;
    int savedCopyNo = 1;
    int handed = 0;        // pages [0, handed) are with the writer
    bool writing = false;  // pages go out as the engine makes them
    bool finished = false; // Finish has run
    bool streamed = false; // and the pages went out during the run
};

TkavPageStream::TkavPageStream(TkavPreviewPages &Pages, TkavCustomExportFilter &Filter)
    : d(std::make_unique<Impl>(Pages, Filter))
{
    const TkavReport *report = Pages.Report();
    if (!Filter.ExportsPagesOffThread() || Filter.ShowDialog() || Filter.CurPage()
        || !Filter.PageNumbers().trimmed().isEmpty() || Filter.SuppressPageHeadersFooters()
        || (report && report->EngineOptions().DoublePass()) || Pages.FStream)
        return;
    d->savedCopyNo = Pages.CopyNo();
    Pages.SetCopyNo(0);
    prepareFilter(Filter, Pages);
    Filter.SetFailed(false);
    try {
        if (Filter.OnBeginExport)
            Filter.OnBeginExport(Filter);
        if (!Filter.Start()) {
            d->restore();
            return;
        }
    } catch (...) { // Finish exports the store, which reports it
        d->restore();
        return;
    }
    d->exporter = std::make_unique<PageExporter>(Filter, 0);
    d->writer = std::make_unique<PageWriter>(*d->exporter, true);
    d->writing = true;
    Pages.FStream = this;
}

TkavPageStream::~TkavPageStream()
{
    if (d->writing)
        d->giveUp();
}

bool TkavPageStream::Streamed() const
{
    return d->streamed;
}

void TkavPageStream::pageAdded()
{
    const int ready = std::min(d->pages.Count() - 1, d->pages.CurPage());
    while (d->writing && d->handed < ready)
        d->hand(d->handed);
}

void TkavPageStream::pageChanged(int Index)
{
    if (d->writing && (Index < 0 ? d->handed > 0 : Index < d->handed))
        d->giveUp();
}

bool TkavPageStream::Finish()
{
    if (d->finished)
        return false;
    d->finished = true;
    while (d->writing && d->handed < d->pages.Count())
        d->hand(d->handed);
    if (d->writing) {
        try {
            d->writer->finish();
        } catch (...) {
            d->giveUp();
        }
    }
    if (!d->writing)
        return d->pages.Export(d->filter);
    d->writing = false;
    d->writer.reset();
    d->exporter.reset();
    const auto restore = qScopeGuard([this] { d->restore(); });
    d->streamed = true;
    return guarded(d->filter, d->pages.Report(), [this] {
        d->filter.Finish();
        return true;
    });
}
