#pragma once

// The picture cache of prepared reports: an append-only store of encoded pictures numbered
// from 1, kept in memory or in private temporary-file segments, and written into the
// prepared-report file as one hex "item" per picture.

#include <rtl/kavStreams.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TkavPictureView;
class TkavXMLItem;

// Where a new segment starts: once the last one holds more bytes than this, so every offset
// stays well inside a signed 32-bit range while a segment can still take one large picture.
inline constexpr qint64 kavPictureCacheSegmentLimit = 1789569705;
// Name prefix of the segment files.
inline constexpr char16_t kavPictureCacheFilePrefix[] = u"kvPic";

// ---------------------------------------------------------------------------------------
// A stream that can pretend to end early: while FSz is not 0, a seek of 0 bytes from the
// end answers FSz without moving, and Size answers FSz. Every other operation goes to the
// owned stream unchanged. A reader that consumes "the rest of the stream" thus stops at FSz.
class TkavSizedStream : public TStream
{
public:
    explicit TkavSizedStream(std::unique_ptr<TStream> stream);

    qint64 Read(void *buffer, qint64 count) override;
    qint64 Write(const void *buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() override;
    void SetSize(qint64 size) override;

    // 64-bit, so one picture that ends beyond 4 GB cannot wrap the bound.
    qint64 Sz() const { return FSz; }
    void SetSz(qint64 value) { FSz = value; }

protected:
    TStream &stream() { return *FStream; }

private:
    std::unique_ptr<TStream> FStream;
    qint64 FSz = 0;
};

// A memory segment.
class TkavMemoryStream : public TkavSizedStream
{
public:
    TkavMemoryStream();
};

// A file segment: a uniquely named private file (mode 0600) that is deleted with the stream.
class TkavFileStream : public TkavSizedStream
{
public:
    // Creates "<prefix>XXXXXX" in dir when dir names an existing folder, else in the system's
    // temporary folder; EFCreateError (with the folder and the system's reason) on failure.
    TkavFileStream(const QString &dir, const QString &prefix);

    const QString &FileName() const { return FFileName; }

private:
    QString FFileName;
};

// ---------------------------------------------------------------------------------------
// One stored picture: the segment that holds it and the offset of its first byte there.
// Its length runs to the next item's offset in the same segment, or to the segment's end.
struct TkavCacheItem
{
    qint32 Segment = 0;
    qint32 Offset = 0;
};

// The items of a cache in picture-number order (picture n is item n - 1).
class TkavCacheList
{
public:
    // A new zero-filled item at the end.
    TkavCacheItem &Add();
    // The index-th item (0-based); EListError outside 0..Count-1.
    const TkavCacheItem &Get(int Index) const;
    int Count() const { return int(FItems.size()); }
    void Clear() { FItems.clear(); }

private:
    std::vector<TkavCacheItem> FItems;
};

// ---------------------------------------------------------------------------------------
// The store of pictures. A picture number is handed out only once its bytes are completely
// written; identical bytes are stored once and share their number.
class TkavPictureCache
{
public:
    TkavPictureCache();
    ~TkavPictureCache();
    TkavPictureCache(const TkavPictureCache &) = delete;
    TkavPictureCache &operator=(const TkavPictureCache &) = delete;

    // Frees every segment (segment files are deleted) and every item.
    void Clear();

    // Storage mode and folder of segment files; changes are ignored once a segment exists.
    // A TempDir that is empty or no existing folder means the system's temporary folder.
    const QString &TempDir() const { return FTempDir; }
    void SetTempDir(const QString &Value);
    bool UseFileCache() const { return FUseFileCache; }
    void SetUseFileCache(bool Value);

    // Stores the view's picture and sets its ImageIndex (0 for a view without a picture;
    // the number it already has when the same bytes are stored). On a failure to create or
    // write a segment file the exception propagates and cache and view stay as they were.
    void AddPicture(TkavPictureView &Picture);
    // Loads the picture numbered by the view's ImageIndex into the view; a number outside
    // 1..count, or stored bytes that are no valid picture, give an empty picture.
    void GetPicture(TkavPictureView &Picture);

    // Replaces the children of Item by one "item" element per picture, in number order,
    // whose only attribute "stream" holds the bytes as upper-case hexadecimal.
    void SaveToXML(TkavXMLItem &Item);
    // Clear, then one picture per child element, in order, from its "stream" attribute.
    // A value that is missing or not hexadecimal keeps its number with no bytes (an empty
    // picture). Item must be loaded. On a write failure the cache is left empty and the
    // exception propagates.
    void LoadFromXML(const TkavXMLItem &Item);

    // Starts a new segment; later pictures go there.
    void AddSegment();

    const TkavCacheList &Items() const { return FItems; }
    // Names of the segment files, one per segment while file caching is on.
    const QStringList &TempFile() const { return FTempFile; }
    int segmentCount() const { return int(FCacheStreamList.size()); }
    // The stored bytes of picture ImageIndex (empty outside 1..count).
    QByteArray pictureData(int ImageIndex);

private:
    // Where the next picture goes: the end of the last segment, after starting a segment when
    // there is none or the last one is full. Records nothing; segmentAdded tells whether a
    // segment was started (so that a failed write can drop it again).
    TkavCacheItem NewCacheItem(bool &segmentAdded);
    // Appends bytes as a new picture and returns its number; see AddPicture for failures.
    int appendBytes(QByteArrayView bytes);
    // Bytes of item index (0-based) within its segment; -1 when the item is inconsistent.
    qint64 itemSize(int index) const;

    // Declaration order: segments are freed before the list of their names.
    TkavCacheList FItems;
    QStringList FTempFile;
    std::vector<std::unique_ptr<TkavSizedStream>> FCacheStreamList;
    // Bytes of each segment that belong to stored pictures; whatever a failed write left
    // behind lies beyond and is never read.
    std::vector<qint64> FSegmentSizes;
    // SHA-256 of the stored bytes -> picture number.
    QHash<QByteArray, int> FNumbers;
    QString FTempDir;
    bool FUseFileCache = false;
};
