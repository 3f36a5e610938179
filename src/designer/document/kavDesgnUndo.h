#pragma once

// TkavUndoBuffer: the designer's undo and redo history as whole-document snapshots in the
// report file format, pictures kept out of them (a picture view carries its number in the
// designer's picture cache). Snapshots are held compressed; past a memory limit the oldest
// ones move to a private temporary file, so a long session never holds unbounded memory.

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class TStream;
class TTempFileStream;
class TkavComponent;
class TkavPictureCache;

class TkavUndoBuffer
{
public:
    // Compressed bytes kept in memory before the oldest snapshots are swapped out.
    static constexpr qint64 DefaultMemoryLimit = qint64(32) * 1024 * 1024;

    TkavUndoBuffer();
    ~TkavUndoBuffer();
    TkavUndoBuffer(const TkavUndoBuffer &) = delete;
    TkavUndoBuffer &operator=(const TkavUndoBuffer &) = delete;

    // Snapshots of ReportComponent (the report, or the one page a preview designer edits).
    // A snapshot joins its list only once it was written completely: a failed save leaves
    // the lists as they were and propagates.
    void AddUndo(TkavComponent &ReportComponent);
    void AddRedo(TkavComponent &ReportComponent);
    // Loads the second-to-last undo snapshot, then drops the last one (needs two).
    void GetUndo(TkavComponent &ReportComponent);
    // Loads the last redo snapshot, then drops it (needs one).
    void GetRedo(TkavComponent &ReportComponent);
    // The same steps without taking a snapshot: while the last undo snapshot is the current
    // document, undoing moves it to the redo list as it is, and a redo snapshot once loaded
    // is the current document and moves back as it is. Half the work of an undo step.
    void StepBack(TkavComponent &ReportComponent);
    void StepForward(TkavComponent &ReportComponent);
    // Loads the last undo snapshot again and keeps it: the state before a command that
    // failed half-way.
    void Revert(TkavComponent &ReportComponent);
    // Drops the last undo snapshot without loading anything (a preview run's own snapshot
    // once the report has been restored from it).
    void DropLastUndo();
    // Drops the last redo snapshot (one taken for an undo that then failed).
    void DropLastRedo();
    void ClearUndo();
    void ClearRedo();

    int UndoCount() const { return int(FUndo.size()); }
    int RedoCount() const { return int(FRedo.size()); }
    // The uncompressed bytes of the last undo snapshot (empty without one).
    QByteArray LastUndoData() const;

    TkavPictureCache *PictureCache() const { return FPictureCache; }
    void SetPictureCache(TkavPictureCache *Value) { FPictureCache = Value; }

    // Where swapped snapshots go (empty: the system's temporary folder).
    const QString &TempDir() const { return FTempDir; }
    void SetTempDir(const QString &Value) { FTempDir = Value; }
    qint64 MemoryLimit() const { return FMemoryLimit; }
    void SetMemoryLimit(qint64 Value);
    // Compressed bytes held in memory, and bytes swapped to the temporary file.
    qint64 MemoryUsed() const { return FMemoryUsed; }
    qint64 SwappedBytes() const { return FSwappedBytes; }

private:
    struct Snapshot
    {
        QByteArray Data;     // compressed bytes; empty once swapped out
        qint64 Offset = -1;  // position in the swap file when swapped out
        qint64 Length = 0;   // compressed length
    };
    using Snapshots = std::vector<Snapshot>;

    Snapshot take(TkavComponent &component);
    void load(TkavComponent &component, const Snapshot &snapshot);
    QByteArray bytesOf(const Snapshot &snapshot) const;
    void push(Snapshots &list, Snapshot snapshot);
    void drop(Snapshots &list);
    void clear(Snapshots &list);
    void enforceLimit();
    void swapOut(Snapshot &snapshot);

    TkavPictureCache *FPictureCache = nullptr; // not owned
    Snapshots FUndo;
    Snapshots FRedo;
    std::unique_ptr<TTempFileStream> FSwap;
    QString FTempDir;
    qint64 FMemoryLimit = DefaultMemoryLimit;
    qint64 FMemoryUsed = 0;
    qint64 FSwappedBytes = 0;
};
