#include "kavDesgnUndo.h"

#include <prepared/kavPictureCache.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStreams.h>

#include <QScopeGuard>
#include <QtGlobal>

using namespace Qt::StringLiterals;

namespace {

// Fast compression: report XML shrinks about tenfold even at the lowest level.
constexpr int compressionLevel = 1;

QList<TkavPictureView *> pictureViews(TkavComponent &component)
{
    QList<TkavPictureView *> views;
    for (TkavComponent *c : component.AllObjects())
        if (auto *view = dynamic_cast<TkavPictureView *>(c))
            views.append(view);
    return views;
}

[[noreturn]] void nothingTo(const QString &what)
{
    throw EListError(u"Nothing to %1"_s.arg(what));
}

} // namespace

TkavUndoBuffer::TkavUndoBuffer() = default;

TkavUndoBuffer::~TkavUndoBuffer()
{
    ClearUndo();
    ClearRedo();
}

void TkavUndoBuffer::SetMemoryLimit(qint64 Value)
{
    FMemoryLimit = qMax<qint64>(0, Value);
    enforceLimit();
}

// The report file form without default values; pictures travel as their cache numbers.
TkavUndoBuffer::Snapshot TkavUndoBuffer::take(TkavComponent &component)
{
    const QList<TkavPictureView *> views = pictureViews(component);
    for (TkavPictureView *view : views) {
        // A picture that reached the view without the cache (or changed since) is stored
        // now, so that every snapshot finds it again by its number.
        if (FPictureCache && (view->PictureChanged() || view->ImageIndex() == 0)) {
            FPictureCache->AddPicture(*view);
            view->SetPictureChanged(false);
        }
        view->SetIsPictureStored(false);
        view->SetIsImageIndexStored(true);
    }
    const auto restoreFlags = qScopeGuard([&views] {
        for (TkavPictureView *view : views) {
            view->SetIsPictureStored(true);
            view->SetIsImageIndexStored(false);
        }
    });
    TMemoryStream stream;
    component.SaveToStream(stream, true, false, false);
    Snapshot snapshot;
    snapshot.Data = qCompress(stream.Data(), compressionLevel);
    snapshot.Length = snapshot.Data.size();
    return snapshot;
}

QByteArray TkavUndoBuffer::bytesOf(const Snapshot &snapshot) const
{
    QByteArray compressed = snapshot.Data;
    if (snapshot.Offset >= 0) {
        compressed.resize(snapshot.Length);
        FSwap->Seek(snapshot.Offset, soBeginning);
        FSwap->ReadBuffer(compressed.data(), snapshot.Length);
    }
    const QByteArray bytes = qUncompress(compressed);
    if (bytes.isEmpty())
        throw EReadError(u"The undo snapshot is damaged"_s);
    return bytes;
}

void TkavUndoBuffer::load(TkavComponent &component, const Snapshot &snapshot)
{
    TMemoryStream stream(bytesOf(snapshot));
    auto *report = dynamic_cast<TkavReport *>(&component);
    const bool wasReloading = report && report->Reloading();
    if (report)
        report->SetReloading(true);
    const auto reloading = qScopeGuard([report, wasReloading] {
        if (report)
            report->SetReloading(wasReloading);
    });
    component.LoadFromStream(stream);
    for (TkavPictureView *view : pictureViews(component)) {
        if (FPictureCache)
            FPictureCache->GetPicture(*view);
        view->SetPictureChanged(false);
    }
}

void TkavUndoBuffer::push(Snapshots &list, Snapshot snapshot)
{
    FMemoryUsed += snapshot.Data.size();
    list.push_back(std::move(snapshot));
    enforceLimit();
}

void TkavUndoBuffer::drop(Snapshots &list)
{
    const Snapshot &last = list.back();
    if (last.Offset >= 0)
        FSwappedBytes -= last.Length;
    else
        FMemoryUsed -= last.Data.size();
    list.pop_back();
    if (FUndo.empty() && FRedo.empty())
        FSwap.reset(); // nothing refers to the file any more
}

void TkavUndoBuffer::clear(Snapshots &list)
{
    while (!list.empty())
        drop(list);
}

// Swaps the oldest snapshots in memory out until the rest fits the limit. The newest undo
// snapshot (the current document) always stays in memory.
void TkavUndoBuffer::enforceLimit()
{
    for (Snapshots *list : {&FUndo, &FRedo}) {
        for (size_t i = 0; FMemoryUsed > FMemoryLimit && i + 1 < list->size(); ++i) {
            if ((*list)[i].Offset >= 0)
                continue;
            try {
                swapOut((*list)[i]);
            } catch (const EStreamError &) {
                return; // no room on disk: the snapshots stay in memory, none is lost
            }
        }
    }
}

void TkavUndoBuffer::swapOut(Snapshot &snapshot)
{
    if (!FSwap)
        FSwap = TTempFileStream::Create(FTempDir, u"kv"_s);
    const qint64 offset = FSwap->Seek(0, soEnd);
    FSwap->WriteBuffer(snapshot.Data.constData(), snapshot.Length);
    FMemoryUsed -= snapshot.Data.size();
    FSwappedBytes += snapshot.Length;
    snapshot.Offset = offset;
    snapshot.Data = QByteArray();
}

void TkavUndoBuffer::AddUndo(TkavComponent &ReportComponent)
{
    push(FUndo, take(ReportComponent));
}

void TkavUndoBuffer::AddRedo(TkavComponent &ReportComponent)
{
    push(FRedo, take(ReportComponent));
}

void TkavUndoBuffer::GetUndo(TkavComponent &ReportComponent)
{
    if (FUndo.size() < 2)
        nothingTo(u"undo"_s);
    load(ReportComponent, FUndo[FUndo.size() - 2]);
    drop(FUndo);
}

void TkavUndoBuffer::GetRedo(TkavComponent &ReportComponent)
{
    if (FRedo.empty())
        nothingTo(u"redo"_s);
    load(ReportComponent, FRedo.back());
    drop(FRedo);
}

void TkavUndoBuffer::StepBack(TkavComponent &ReportComponent)
{
    if (FUndo.size() < 2)
        nothingTo(u"undo"_s);
    load(ReportComponent, FUndo[FUndo.size() - 2]);
    FRedo.push_back(std::move(FUndo.back()));
    FUndo.pop_back();
}

void TkavUndoBuffer::StepForward(TkavComponent &ReportComponent)
{
    if (FRedo.empty())
        nothingTo(u"redo"_s);
    load(ReportComponent, FRedo.back());
    FUndo.push_back(std::move(FRedo.back()));
    FRedo.pop_back();
}

void TkavUndoBuffer::Revert(TkavComponent &ReportComponent)
{
    if (FUndo.empty())
        nothingTo(u"revert"_s);
    load(ReportComponent, FUndo.back());
}

void TkavUndoBuffer::DropLastUndo()
{
    if (!FUndo.empty())
        drop(FUndo);
}

void TkavUndoBuffer::DropLastRedo()
{
    if (!FRedo.empty())
        drop(FRedo);
}

void TkavUndoBuffer::ClearUndo()
{
    clear(FUndo);
}

void TkavUndoBuffer::ClearRedo()
{
    clear(FRedo);
}

QByteArray TkavUndoBuffer::LastUndoData() const
{
    return FUndo.empty() ? QByteArray() : bytesOf(FUndo.back());
}
