// Text search: pages are drawn onto a recorder of their texts and the records are looked
// through in drawing order; repeated searches step through the hits.

#include "kavPreview.h"

#include "kavPreviewDialogs.h"
#include "kavPreviewWorkspace.h"

#include <persist/kavRes.h>
#include <prepared/kavPreviewPages.h>
#include <prepared/kavTextRecorder.h>
#include <report/kavReport.h>
#include <rtl/kavUIServices.h>

#include <QPainter>
#include <QScrollBar>

using namespace Qt::StringLiterals;

const TkavTextRecorder &TkavPreview::pageRecording(int Index)
{
    if (!FRecording || FRecordingPage != Index) {
        const QSize size = Index < int(FPageSizes.size()) ? FPageSizes[size_t(Index)] : QSize(794, 1123);
        FRecording = std::make_unique<TkavTextRecorder>(size);
        FRecordingPage = Index;
        QPainter painter(FRecording.get());
        PreviewPages()->DrawPage(Index, &painter, 1, 1, 0, 0);
    }
    return *FRecording;
}

bool TkavPreview::searchFrom(int StartPage, int AfterRecord)
{
    TkavCustomPreviewPages *store = PreviewPages();
    if (!store || FSearchText.isEmpty())
        return false;
    const QString needle = FCaseSensitive ? FSearchText : FSearchText.toUpper();
    int after = AfterRecord;
    for (int page = StartPage; page < store->Count(); ++page, after = -1) {
        // Pages that cannot hold the text are not drawn.
        if (!store->PageMayContainText(page, FSearchText, FCaseSensitive))
            continue;
        const std::vector<TkavTextRecord> &records = pageRecording(page).Records();
        for (int r = after + 1; r < int(records.size()); ++r) {
            const QString &text = records[size_t(r)].Text;
            if ((FCaseSensitive ? text : text.toUpper()).contains(needle)) {
                FFoundRecord = r;
                showHit(page, records[size_t(r)].Bounds);
                return true;
            }
        }
    }
    return false;
}

void TkavPreview::showHit(int Page, const QRectF &Rect)
{
    FFoundPage = Page;
    FFoundRect = Rect;
    const QRectF hit(Rect.left() * FZoom, Rect.top() * FZoom, Rect.width() * FZoom, Rect.height() * FZoom);
    FWorkspace->SetHit(Page, hit);
    if (Page + 1 != FPageNo)
        setPageNo(Page + 1, nullptr);
    // The hit comes into view: scrolled only as far as needed.
    const QRect page = FWorkspace->PageRect(Page);
    const QRect shown = hit.translated(page.topLeft()).toAlignedRect();
    const QRect client = FWorkspace->viewport()->rect();
    QPoint offset = FWorkspace->Offset();
    if (shown.top() < 0 || shown.bottom() > client.height())
        offset.ry() += shown.bottom() - client.height() + 20;
    if (shown.left() < 0 || shown.right() > client.width())
        offset.rx() += shown.right() - client.width() + 20;
    FWorkspace->SetOffset(offset);
    FWorkspace->viewport()->update();
}

bool TkavPreview::FindText(const QString &SearchString, bool FromTop, bool IsCaseSensitive)
{
    if (FRunning || !PreviewPages())
        return false;
    FSearchText = SearchString;
    FCaseSensitive = IsCaseSensitive;
    FAllowF3 = true;
    FFoundPage = -1;
    FFoundRecord = -1;
    FWorkspace->SetHit(-1, {});
    return searchFrom(FromTop ? 0 : FPageNo - 1, -1);
}

bool TkavPreview::FindNext()
{
    if (FRunning || !FAllowF3 || FSearchText.isEmpty())
        return false;
    const int page = FFoundPage >= 0 ? FFoundPage : FPageNo - 1;
    const int record = FFoundPage >= 0 ? FFoundRecord : -1;
    if (searchFrom(page, record))
        return true;
    kavUIServices().InfoBox(kavResourceTable().Get(u"clStrNotFound"_s));
    return false;
}

void TkavPreview::Find()
{
    if (FRunning || !PreviewPages())
        return;
    TkavSearchDialog dialog(FSearchText, FCaseSensitive, this);
    if (dialog.exec() != QDialog::Accepted || dialog.Text().isEmpty())
        return;
    if (!FindText(dialog.Text(), dialog.FromTop(), dialog.CaseSensitive()))
        kavUIServices().InfoBox(kavResourceTable().Get(u"clStrNotFound"_s));
}

void TkavPreview::FindTextClear()
{
    FFoundPage = -1;
    FFoundRecord = -1;
    FAllowF3 = false;
    FRecording.reset();
    FRecordingPage = -1;
    FWorkspace->SetHit(-1, {});
}
