// The commands of the preview that act on the whole prepared report: printing, export,
// files, page settings, page editing, re-running, cancelling, and the message panel.

#include "kavPreview.h"

#include "kavPreviewDialogs.h"
#include "kavPreviewOutline.h"
#include "kavPreviewPageEdit.h"
#include "kavPreviewWorkspace.h"

#include <persist/kavRes.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavCustomDesigner.h>
#include <report/kavExportFilter.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFormat.h>
#include <rtl/kavUIServices.h>

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

QString res(const QString &key)
{
    return kavResourceTable().Get(key);
}

QString kw3Filter()
{
    return res(u"clKW3files"_s) + u" (*.kw3)|*.kw3"_s;
}

// Shows a failure of a command, and the report's error lines when it has some.
void showFailure(TkavReport *report, const QString &message)
{
    QString text = message;
    if (report && report->Errors().Count() > 0)
        text = report->ErrorsText();
    kavUIServices().ErrorBox(text);
}

} // namespace

bool TkavPreview::Print()
{
    TkavPreviewPages *store = pages();
    if (refused() || !store || store->Count() == 0)
        return false;
    store->SetCurPreviewPage(FPageNo - 1); // the store counts from 0
    FBusy = true;
    const auto done = qScopeGuard([this] {
        FBusy = false;
        Unlock();
    });
    try {
        const bool ok = store->Print();
        if (!ok && Report() && Report()->Errors().Count() > 0)
            showFailure(Report(), QString());
        return ok;
    } catch (const Exception &e) {
        showFailure(nullptr, e.Message());
        return false;
    }
}

bool TkavPreview::Export(TkavCustomExportFilter &Filter)
{
    TkavPreviewPages *store = pages();
    if (refused() || !store || store->Count() == 0 || !Report())
        return false;
    // The filters of the export menu are set up without their dialog: with nowhere to write
    // to, the user is asked, or the export could only fail.
    if (Filter.ShowDialog() || (Filter.FileName().isEmpty() && !Filter.Stream())) {
        TkavExportDialog dialog(Filter, *Report(), FPageNo, PageCount(), this);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        dialog.Apply();
    }
    store->SetCurPreviewPage(FPageNo - 1); // the store counts from 0
    const bool showDialog = Filter.ShowDialog();
    Filter.SetShowDialog(false); // the dialog above was the filter's
    FBusy = true;
    const auto done = qScopeGuard([this, &Filter, showDialog] {
        Filter.SetShowDialog(showDialog);
        FBusy = false;
        Unlock();
    });
    try {
        return store->Export(Filter);
    } catch (const Exception &e) {
        showFailure(nullptr, e.Message());
        return false;
    }
}

bool TkavPreview::SaveToFile()
{
    if (refused())
        return false;
    TkavFileDialogOptions options;
    options.Filter = kw3Filter();
    options.DefaultExt = u"kw3"_s;
    QString fileName;
    if (!kavUIServices().SaveFileDialog(options, fileName))
        return false;
    return SaveToFile(fileName);
}

bool TkavPreview::SaveToFile(const QString &FileName)
{
    TkavCustomPreviewPages *store = PreviewPages();
    if (refused() || !store || FileName.isEmpty())
        return false;
    QString name = FileName;
    if (QFileInfo(name).suffix().compare(u"kw3"_s, Qt::CaseInsensitive) != 0)
        name += u".kw3"_s;
    Lock();
    ShowMessage(res(u"clSaving"_s));
    FCancelButton->hide();
    try {
        store->SaveToFile(name);
    } catch (const Exception &e) {
        Unlock();
        showFailure(nullptr, e.Message());
        return false;
    }
    Unlock();
    return true;
}

bool TkavPreview::LoadFromFile()
{
    if (refused())
        return false;
    TkavFileDialogOptions options;
    options.Filter = kw3Filter();
    QStringList names;
    if (!kavUIServices().OpenFileDialog(options, names) || names.isEmpty())
        return false;
    return LoadFromFile(names.first());
}

bool TkavPreview::LoadFromFile(const QString &FileName)
{
    TkavCustomPreviewPages *store = PreviewPages();
    if (refused() || !store)
        return false;
    // A missing file is said so, not taken for an empty report.
    if (!QFileInfo(FileName).isFile()) {
        showFailure(nullptr, Format(res(u"clFileNotFound"_s), {Variant(FileName)}));
        return false;
    }
    // The store empties itself when a file turns out broken: the file is read into a
    // scratch store first, so that a bad file costs the user nothing shown.
    try {
        TkavPreviewPages probe(nullptr);
        probe.LoadFromFile(FileName, true);
    } catch (const Exception &e) {
        showFailure(nullptr, FileName + u": "_s + e.Message());
        return false;
    }
    Lock();
    ShowMessage(res(u"clLoading"_s));
    FCancelButton->hide();
    FindTextClear();
    FOutlineModel->SetRoot(nullptr);
    bool ok = true;
    QString error;
    try {
        store->LoadFromFile(FileName, true);
    } catch (const Exception &e) {
        ok = false;
        error = e.Message();
    }
    if (FTabItems.CurTab() >= 0)
        FTabItems.Items(FTabItems.CurTab()).LoadedFile = true;
    FPageNo = 1;
    Unlock();
    setPageNo(1, nullptr);
    rebuildOutline();
    if (!ok)
        showFailure(nullptr, error);
    return ok;
}

void TkavPreview::PageSetupDlg()
{
    TkavPreviewPages *store = pages();
    if (refused() || !store || store->Count() == 0 || !Report())
        return;
    const std::shared_ptr<TkavReportPage> page = store->GetPage(FPageNo - 1);
    if (!page)
        return;
    TkavPageSetupDialog dialog(*page, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.Apply(*page);
    TkavReport &report = *Report();
    bool templatePages = false;
    if (dialog.ApplyToAll()) {
        for (int i = 0; i < report.PagesCount(); ++i) {
            if (auto *target = dynamic_cast<TkavReportPage *>(report.Pages(i))) {
                dialog.Apply(*target);
                templatePages = true;
            }
        }
    }
    if (templatePages && !FTabItems.Items(FTabItems.CurTab()).LoadedFile) {
        report.PrepareReport(true);
        return;
    }
    Lock();
    if (dialog.ApplyToAll()) {
        // Prepared pages without their template: every page takes the settings.
        for (int i = 0; i < store->Count(); ++i) {
            const std::shared_ptr<TkavReportPage> other = store->GetPage(i);
            dialog.Apply(*other);
            store->ModifyPage(i, other.get());
        }
    } else {
        store->ModifyPage(FPageNo - 1, page.get());
    }
    Unlock();
}

bool TkavPreview::CanEdit() const
{
    TkavReport *report = Report();
    return !refused() && report && report->PreviewOptions().AllowEdit() && kavPreviewPageDesignerHook()
           && PageCount() > 0;
}

bool TkavPreview::Edit()
{
    TkavPreviewPages *store = pages();
    if (!CanEdit() || !store)
        return false;
    const int index = FPageNo - 1;
    std::unique_ptr<TkavReport> edited;
    try {
        const std::shared_ptr<TkavReportPage> page = store->GetPage(index);
        if (!page)
            return false;
        edited = kavPreparedPageReport(*page, Report());
        if (!edited->DesignPreviewPage() || edited->PagesCount() == 0)
            return false;
    } catch (const Exception &e) {
        showFailure(nullptr, e.Message());
        return false;
    }
    // The designer may have changed the page's paper too: its size is read again.
    Lock();
    const auto done = qScopeGuard([this] {
        syncPageSizes(true);
        Unlock();
    });
    try {
        store->ModifyPage(index, dynamic_cast<TkavReportPage *>(edited->Pages(0)));
    } catch (const Exception &e) {
        showFailure(nullptr, e.Message());
        return false;
    }
    return true;
}

void TkavPreview::AddPage()
{
    TkavCustomPreviewPages *store = PreviewPages();
    if (refused() || !store)
        return;
    store->AddEmptyPage(FPageNo - 1);
    syncPageSizes(true);
    UpdateLayout();
    setPageNo(FPageNo, nullptr);
}

void TkavPreview::DeletePage()
{
    TkavCustomPreviewPages *store = PreviewPages();
    if (refused() || !store || store->Count() < 2)
        return;
    store->DeletePage(FPageNo - 1);
    syncPageSizes(true);
    UpdateLayout();
    // The next page takes the deleted one's place; after the last one the new last shows.
    setPageNo(std::min(FPageNo, store->Count()), nullptr);
}

void TkavPreview::Clear()
{
    TkavCustomPreviewPages *store = PreviewPages();
    if (refused() || !store)
        return;
    Lock();
    store->Clear();
    FindTextClear();
    Unlock();
    FPageSizes.clear();
    FWorkspace->PageList().Clear();
    FThumbnail->PageList().Clear();
    rebuildOutline();
    FPageNo = 1;
    FWorkspace->CalcScrollRanges();
    FThumbnail->CalcScrollRanges();
    pageChanged();
}

void TkavPreview::Cancel()
{
    if ((FRunning || FBusy) && Report())
        Report()->SetTerminated(true);
}

void TkavPreview::RefreshReport()
{
    TkavReport *report = Report();
    if (refused() || !report)
        return;
    const QPoint offset = FWorkspace->Offset();
    const QPoint thumbs = FThumbnail->Offset();
    const int pageNo = FPageNo;
    Lock();
    FRefreshing = true;
    {
        const auto done = qScopeGuard([this] { FRefreshing = false; });
        report->PrepareReport(true);
    }
    FLocked = false;
    FWorkspace->SetLocked(false);
    FThumbnail->SetLocked(false);
    HideMessage();
    syncPageSizes(true);
    FPageNo = pageNo <= PageCount() ? pageNo : 1;
    UpdateLayout();
    rebuildOutline();
    FWorkspace->SetOffset(offset);
    FThumbnail->SetOffset(thumbs);
    setPageNo(FWorkspace->PageList().FindPage(offset.y()) + 1, FWorkspace);
    FWorkspace->viewport()->update();
    FThumbnail->viewport()->update();
}

void TkavPreview::ShowMessage(const QString &Text)
{
    FMessageLabel->setText(Text);
    FCancelButton->setVisible(FRunning);
    placeMessagePanel();
    FMessagePanel->show();
    FMessagePanel->raise();
}

void TkavPreview::HideMessage()
{
    FMessagePanel->hide();
    FCancelButton->hide();
}
