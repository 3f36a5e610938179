// The picture cache: segments, committed writes, bounded reads and the hex form of the
// prepared-report file.

#include "kavPictureCache.h"

#include <persist/kavXML.h>
#include <report/kavViews.h>
#include <rtl/kavExceptions.h>

#include <QCryptographicHash>
#include <QScopeGuard>

#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString itemElementName = u"item"_s;
const QString streamAttribute = u"stream"_s;

QByteArray digestOf(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

// Upper-case hexadecimal, two digits per byte.
QString bytesToHex(const QByteArray &bytes)
{
    static constexpr char16_t digits[] = u"0123456789ABCDEF";
    QString hex(bytes.size() * 2, Qt::Uninitialized);
    QChar *out = hex.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = QChar(digits[b >> 4]);
        *out++ = QChar(digits[b & 0xF]);
    }
    return hex;
}

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// The bytes of a hex text, or nothing when the text has an odd length or a character that
// is no hex digit: such a value must not turn into some other, accidentally valid picture.
std::optional<QByteArray> hexToBytes(QStringView hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    QByteArray bytes(hex.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int high = hexDigit(hex[2 * i].unicode());
        const int low = hexDigit(hex[2 * i + 1].unicode());
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = char(high << 4 | low);
    }
    return bytes;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TkavSizedStream and the segment kinds

TkavSizedStream::TkavSizedStream(std::unique_ptr<TStream> stream)
    : FStream(std::move(stream))
{}

qint64 TkavSizedStream::Read(void *buffer, qint64 count)
{
    return FStream->Read(buffer, count);
}

qint64 TkavSizedStream::Write(const void *buffer, qint64 count)
{
    return FStream->Write(buffer, count);
}

qint64 TkavSizedStream::Seek(qint64 offset, TSeekOrigin origin)
{
    // Only the "where is the end" question is answered from FSz; real moves stay real.
    if (FSz != 0 && offset == 0 && origin == soEnd)
        return FSz;
    return FStream->Seek(offset, origin);
}

qint64 TkavSizedStream::Size()
{
    return FSz != 0 ? FSz : FStream->Size();
}

void TkavSizedStream::SetSize(qint64 size)
{
    FStream->SetSize(size);
}

TkavMemoryStream::TkavMemoryStream()
    : TkavSizedStream(std::make_unique<TMemoryStream>())
{}

TkavFileStream::TkavFileStream(const QString &dir, const QString &prefix)
    : TkavSizedStream(TTempFileStream::Create(dir, prefix))
{
    FFileName = static_cast<TTempFileStream &>(stream()).FileName();
}

// ---------------------------------------------------------------------------------------
// TkavCacheList

TkavCacheItem &TkavCacheList::Add()
{
    return FItems.emplace_back();
}

const TkavCacheItem &TkavCacheList::Get(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(u"List index out of bounds (%1)"_s.arg(Index));
    return FItems[size_t(Index)];
}

// ---------------------------------------------------------------------------------------
// TkavPictureCache

TkavPictureCache::TkavPictureCache() = default;

TkavPictureCache::~TkavPictureCache()
{
    Clear();
}

void TkavPictureCache::Clear()
{
    FCacheStreamList.clear(); // file segments delete their files
    FTempFile.clear();
    FSegmentSizes.clear();
    FItems.Clear();
    FNumbers.clear();
}

void TkavPictureCache::SetTempDir(const QString &Value)
{
    if (FCacheStreamList.empty())
        FTempDir = Value;
}

void TkavPictureCache::SetUseFileCache(bool Value)
{
    if (FCacheStreamList.empty())
        FUseFileCache = Value;
}

void TkavPictureCache::AddSegment()
{
    if (FUseFileCache) {
        auto file = std::make_unique<TkavFileStream>(
            FTempDir, QStringView(kavPictureCacheFilePrefix).toString());
        FTempFile.append(file->FileName());
        FCacheStreamList.push_back(std::move(file));
    } else {
        FCacheStreamList.push_back(std::make_unique<TkavMemoryStream>());
    }
    FSegmentSizes.push_back(0);
}

TkavCacheItem TkavPictureCache::NewCacheItem(bool &segmentAdded)
{
    segmentAdded = false;
    if (FCacheStreamList.empty() || FSegmentSizes.back() > kavPictureCacheSegmentLimit) {
        AddSegment();
        segmentAdded = true;
    }
    TkavCacheItem item;
    item.Segment = qint32(FCacheStreamList.size() - 1);
    item.Offset = qint32(FSegmentSizes.back()); // at most the limit, so it fits
    return item;
}

int TkavPictureCache::appendBytes(QByteArrayView bytes)
{
    if (FItems.Count() == std::numeric_limits<int>::max())
        throw EListError(u"List capacity exceeded"_s);
    bool segmentAdded = false;
    const TkavCacheItem item = NewCacheItem(segmentAdded);
    TkavSizedStream &segment = *FCacheStreamList[size_t(item.Segment)];
    try {
        segment.Seek(item.Offset, soBeginning);
        segment.WriteBuffer(bytes.data(), bytes.size());
    } catch (...) {
        // Nothing of the failed picture may stay: drop a segment started for it, otherwise
        // cut the segment back (best effort: bytes beyond the committed size are never read).
        if (segmentAdded) {
            FCacheStreamList.pop_back();
            FSegmentSizes.pop_back();
            if (FUseFileCache)
                FTempFile.removeLast();
        } else {
            try {
                segment.SetSize(item.Offset);
            } catch (const Exception &) {
            }
        }
        throw;
    }
    FSegmentSizes[size_t(item.Segment)] = item.Offset + bytes.size();
    FItems.Add() = item;
    return FItems.Count();
}

void TkavPictureCache::AddPicture(TkavPictureView &Picture)
{
    const TkavPicture &picture = Picture.Picture();
    if (picture.IsEmpty()) {
        Picture.SetImageIndex(0);
        return;
    }
    // Views that load the same file or field value again mark their picture as changed on
    // every row; equal bytes still share one stored copy.
    const QByteArray digest = digestOf(picture.Data());
    if (const auto found = FNumbers.constFind(digest); found != FNumbers.cend()) {
        Picture.SetImageIndex(found.value());
        return;
    }
    const int number = appendBytes(picture.Data());
    FNumbers.insert(digest, number);
    Picture.SetImageIndex(number);
}

qint64 TkavPictureCache::itemSize(int index) const
{
    const TkavCacheItem &item = FItems.Get(index);
    if (item.Segment < 0 || size_t(item.Segment) >= FCacheStreamList.size() || item.Offset < 0)
        return -1;
    qint64 end = FSegmentSizes[size_t(item.Segment)];
    if (index + 1 < FItems.Count()) {
        const TkavCacheItem &next = FItems.Get(index + 1);
        if (next.Segment == item.Segment)
            end = next.Offset;
    }
    return end >= item.Offset ? end - item.Offset : -1;
}

QByteArray TkavPictureCache::pictureData(int ImageIndex)
{
    if (ImageIndex < 1 || ImageIndex > FItems.Count())
        return QByteArray();
    const qint64 size = itemSize(ImageIndex - 1);
    if (size <= 0)
        return QByteArray();
    const TkavCacheItem &item = FItems.Get(ImageIndex - 1);
    TkavSizedStream &segment = *FCacheStreamList[size_t(item.Segment)];
    QByteArray bytes(size, Qt::Uninitialized);
    segment.Seek(item.Offset, soBeginning);
    segment.ReadBuffer(bytes.data(), size);
    return bytes;
}

void TkavPictureCache::GetPicture(TkavPictureView &Picture)
{
    const int number = Picture.ImageIndex();
    const qint64 size = number >= 1 && number <= FItems.Count() ? itemSize(number - 1) : qint64(-1);
    // An entry without bytes is empty as such: a bound of 0 would mean "no bound" and let
    // the view read the pictures that follow it.
    if (size <= 0) {
        Picture.Picture().Clear();
        return;
    }
    const TkavCacheItem &item = FItems.Get(number - 1);
    TkavSizedStream &segment = *FCacheStreamList[size_t(item.Segment)];
    segment.Seek(item.Offset, soBeginning);
    segment.SetSz(item.Offset + size);
    const auto unbound = qScopeGuard([&segment] { segment.SetSz(0); });
    // The view finds the format from the bytes and clears itself when they are no picture.
    Picture.LoadPictureFromStream(segment, false);
}

void TkavPictureCache::SaveToXML(TkavXMLItem &Item)
{
    while (Item.Count() > 0)
        Item.DeleteItem(Item.Count() - 1);
    // Pictures lie back to back in number order, so each segment is read front to back.
    for (int number = 1; number <= FItems.Count(); ++number) {
        TkavXMLItem *child = Item.Add(itemElementName);
        // Hex digits need no escaping: the attribute text is built directly, saving a pass
        // over what may be many megabytes.
        child->SetText(streamAttribute + u"=\""_s + bytesToHex(pictureData(number)) + u'"');
    }
}

void TkavPictureCache::LoadFromXML(const TkavXMLItem &Item)
{
    Clear();
    auto clearOnFailure = qScopeGuard([this] { Clear(); });
    for (int i = 0; i < Item.Count(); ++i) {
        const std::optional<QByteArray> bytes = hexToBytes(Item.Items(i)->GetProp(streamAttribute));
        // Damaged values keep their position with no bytes, so later numbers stay right.
        const QByteArray data = bytes.value_or(QByteArray());
        const int number = appendBytes(data);
        if (data.isEmpty())
            continue;
        // The first of equal pictures is the one later additions reuse.
        const QByteArray digest = digestOf(data);
        if (!FNumbers.contains(digest))
            FNumbers.insert(digest, number);
    }
    clearOnFailure.dismiss();
}
