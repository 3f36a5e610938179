// The picture cache: numbering, segments in memory and in files, the hex items of the
// prepared-report file, damaged input, failed writes and the removal of segment files.

#include "../kavTestSupport.h"
#include <kavFileSizeLimit.h>

#include <persist/kavXML.h>
#include <prepared/kavPictureCache.h>
#include <report/kavViews.h>
#include <rtl/kavStreams.h>

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>
#include <limits>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace {

// A picture whose pixels depend on seed, so that every seed gives different bytes.
QImage patternImage(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x,
                           y,
                           qRgb((x * 7 + seed * 31) & 0xFF,
                                (y * 13 + seed) & 0xFF,
                                (x * y + seed * 3) & 0xFF));
    return image;
}

QByteArray encode(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format)) << format;
    return bytes;
}

QByteArray pngBytes(int seed, int size = 8)
{
    return encode(patternImage(size, size, seed), "PNG");
}

// A view holding the picture of bytes (which must be a valid picture).
std::unique_ptr<TkavPictureView> viewOf(const QByteArray &bytes)
{
    auto view = std::make_unique<TkavPictureView>();
    EXPECT_TRUE(view->Picture().LoadFromBytes(bytes));
    return view;
}

// The bytes of picture number through GetPicture, as the view holds them afterwards.
QByteArray readBack(TkavPictureCache &cache, int number)
{
    TkavPictureView view;
    view.SetImageIndex(number);
    cache.GetPicture(view);
    return view.Picture().Data();
}

QStringList segmentFiles(const QString &dir)
{
    return QDir(dir).entryList({u"kvPic*"_s}, QDir::Files);
}

QString upperHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

// A picturecache element with one item per stream value; a null value gives an item
// without the attribute.
std::unique_ptr<TkavXMLItem> cacheElement(const QStringList &streams)
{
    auto element = std::make_unique<TkavXMLItem>(u"picturecache"_s);
    for (const QString &s : streams) {
        TkavXMLItem *item = element->Add(u"item"_s);
        if (!s.isNull())
            item->SetProp(u"stream", s);
    }
    return element;
}

// Points the system's temporary folder elsewhere for the guard's lifetime.
class TmpDirGuard
{
public:
    explicit TmpDirGuard(const QByteArray &path)
        : FHad(qEnvironmentVariableIsSet("TMPDIR"))
        , FOld(qgetenv("TMPDIR"))
    {
        qputenv("TMPDIR", path);
    }
    ~TmpDirGuard()
    {
        if (FHad)
            qputenv("TMPDIR", FOld);
        else
            qunsetenv("TMPDIR");
    }
    TmpDirGuard(const TmpDirGuard &) = delete;
    TmpDirGuard &operator=(const TmpDirGuard &) = delete;

private:
    bool FHad;
    QByteArray FOld;
};

// ---------------------------------------------------------------------------------------
// The segment streams' size override

struct SizedStreamRow
{
    const char *name;
    bool file;
};

class SizedStreamTest : public ::testing::TestWithParam<SizedStreamRow>
{};

TEST_P(SizedStreamTest, SzAnswersTheEndWithoutMoving)
{
    QTemporaryDir dir;
    std::unique_ptr<TkavSizedStream> stream;
    if (GetParam().file)
        stream = std::make_unique<TkavFileStream>(dir.path(), u"kvPic"_s);
    else
        stream = std::make_unique<TkavMemoryStream>();
    const QByteArray data(100, 'x');
    stream->WriteBuffer(data.constData(), data.size());
    stream->SetPosition(10);

    stream->SetSz(40);
    EXPECT_EQ(stream->Size(), 40);
    EXPECT_EQ(stream->Seek(0, soEnd), 40);
    EXPECT_EQ(stream->Position(), 10);       // answering did not move
    EXPECT_EQ(stream->Seek(-10, soEnd), 90); // every other seek is real
    EXPECT_EQ(stream->Seek(5, soBeginning), 5);

    stream->SetSz(0);
    EXPECT_EQ(stream->Size(), 100);
    EXPECT_EQ(stream->Seek(0, soEnd), 100);
}

INSTANTIATE_TEST_SUITE_P(Kinds,
                         SizedStreamTest,
                         ::testing::Values(SizedStreamRow{"memory", false},
                                           SizedStreamRow{"file", true}),
                         [](const auto &row) { return std::string(row.param.name); });

// ---------------------------------------------------------------------------------------
// Adding and reading, in memory and in files

class PictureCacheModeTest : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        FCache.SetTempDir(FDir.path());
        FCache.SetUseFileCache(GetParam());
    }

    QTemporaryDir FDir;
    TkavPictureCache FCache;
};

struct FormatRow
{
    const char *format;
    TkavPictureFormat kind;
    bool lossless;
};

TEST_P(PictureCacheModeTest, FormatsReadBackByNumber)
{
    const FormatRow rows[] = {
        {"PNG", pfPNG, true},
        {"JPEG", pfJPEG, false},
        {"BMP", pfBitmap, true},
    };
    std::vector<QImage> images;
    std::vector<QByteArray> bytes;
    for (const FormatRow &row : rows) {
        images.push_back(patternImage(12, 9, int(images.size()) + 1));
        bytes.push_back(encode(images.back(), row.format));
        auto view = viewOf(bytes.back());
        FCache.AddPicture(*view);
        EXPECT_EQ(view->ImageIndex(), int(bytes.size())) << row.format;
    }
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].format);
        TkavPictureView view;
        view.SetImageIndex(int(i) + 1);
        FCache.GetPicture(view);
        EXPECT_EQ(view.Picture().Format(), rows[i].kind);
        EXPECT_EQ(view.Picture().Data(), bytes[i]);
        EXPECT_EQ(view.Picture().Image().size(), images[i].size());
        if (rows[i].lossless) {
            EXPECT_EQ(view.Picture().Image().convertToFormat(QImage::Format_RGB32), images[i]);
        }
    }
    EXPECT_EQ(FCache.Items().Count(), 3);
    EXPECT_EQ(FCache.TempFile().size(), GetParam() ? 1 : 0);
}

TEST_P(PictureCacheModeTest, ViewWithoutPictureGetsZero)
{
    auto first = viewOf(pngBytes(1));
    FCache.AddPicture(*first);
    TkavPictureView empty;
    empty.SetImageIndex(5);
    FCache.AddPicture(empty);
    EXPECT_EQ(empty.ImageIndex(), 0);
    EXPECT_EQ(FCache.Items().Count(), 1);
}

TEST_P(PictureCacheModeTest, NumberOutOfRangeGivesEmptyPicture)
{
    TkavPictureView probe;
    probe.SetImageIndex(1);
    FCache.GetPicture(probe); // nothing stored yet
    EXPECT_TRUE(probe.Picture().IsEmpty());

    const QByteArray a = pngBytes(1);
    auto view = viewOf(a);
    FCache.AddPicture(*view);
    for (const int number :
         {-1, 0, 2, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        auto holder = viewOf(pngBytes(9)); // holds a picture that must go
        holder->SetImageIndex(number);
        FCache.GetPicture(*holder);
        EXPECT_TRUE(holder->Picture().IsEmpty()) << number;
    }
    EXPECT_EQ(readBack(FCache, 1), a);
}

TEST_P(PictureCacheModeTest, BackToBackPicturesReadExactly)
{
    // Picture 1 is followed by picture 2 in the same segment; its read must stop at 2.
    const QByteArray a = pngBytes(1);
    const QByteArray b = pngBytes(2, 20);
    auto va = viewOf(a);
    auto vb = viewOf(b);
    FCache.AddPicture(*va);
    FCache.AddPicture(*vb);
    ASSERT_EQ(FCache.Items().Get(0).Segment, FCache.Items().Get(1).Segment);
    EXPECT_EQ(readBack(FCache, 1), a);
    EXPECT_EQ(readBack(FCache, 2), b);
    EXPECT_EQ(FCache.pictureData(1), a);
}

TEST_P(PictureCacheModeTest, ManyPicturesAcrossSegments)
{
    std::vector<QByteArray> bytes;
    for (int i = 0; i < 12; ++i) {
        bytes.push_back(pngBytes(i + 1, 6 + i));
        auto view = viewOf(bytes.back());
        FCache.AddPicture(*view);
        ASSERT_EQ(view->ImageIndex(), i + 1);
        if (i == 4 || i == 9)
            FCache.AddSegment();
    }
    EXPECT_EQ(FCache.segmentCount(), 3);
    EXPECT_EQ(FCache.TempFile().size(), GetParam() ? 3 : 0);
    EXPECT_EQ(segmentFiles(FDir.path()).size(), GetParam() ? 3 : 0);
    // Pictures 5 and 10 end their segments; 6 and 11 start the next ones.
    EXPECT_EQ(FCache.Items().Get(4).Segment, 0);
    EXPECT_EQ(FCache.Items().Get(5).Segment, 1);
    EXPECT_EQ(FCache.Items().Get(5).Offset, 0);
    EXPECT_EQ(FCache.Items().Get(10).Segment, 2);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(readBack(FCache, i + 1), bytes[size_t(i)]) << i + 1;
}

TEST_P(PictureCacheModeTest, EqualBytesAreStoredOnce)
{
    const QByteArray logo = pngBytes(3);
    auto first = viewOf(logo);
    FCache.AddPicture(*first);
    for (int page = 0; page < 10000; ++page) {
        auto again = viewOf(logo);
        FCache.AddPicture(*again);
        ASSERT_EQ(again->ImageIndex(), 1);
    }
    auto other = viewOf(pngBytes(4));
    FCache.AddPicture(*other);
    EXPECT_EQ(other->ImageIndex(), 2);
    EXPECT_EQ(FCache.Items().Count(), 2);
    TkavXMLItem element(u"picturecache"_s);
    FCache.SaveToXML(element);
    EXPECT_EQ(element.Count(), 2);
}

TEST_P(PictureCacheModeTest, SaveWritesUpperCaseHexItems)
{
    const QByteArray a = pngBytes(1);
    const QByteArray b = encode(patternImage(5, 5, 2), "BMP");
    for (const QByteArray &bytes : {a, b}) {
        auto view = viewOf(bytes);
        FCache.AddPicture(*view);
    }
    TkavXMLItem element(u"picturecache"_s);
    element.Add(u"stale"_s); // replaced
    FCache.SaveToXML(element);
    ASSERT_EQ(element.Count(), 2);
    EXPECT_EQ(element.Items(0)->Name(), u"item"_s);
    EXPECT_EQ(element.Items(0)->Text(), u"stream=\""_s + upperHex(a) + u'"');
    EXPECT_EQ(element.Items(1)->GetProp(u"stream"), upperHex(b));
}

TEST_P(PictureCacheModeTest, SaveAndLoadThroughTheFileForm)
{
    std::vector<QByteArray> bytes{
        pngBytes(1), encode(patternImage(7, 3, 2), "JPEG"), encode(patternImage(4, 4, 3), "BMP")};
    for (const QByteArray &b : bytes) {
        auto view = viewOf(b);
        FCache.AddPicture(*view);
    }
    TkavXMLItem saved(u"picturecache"_s);
    FCache.SaveToXML(saved);
    TMemoryStream file;
    TkavXMLWriter(file).WriteRootItem(saved);

    file.SetPosition(0);
    TkavXMLItem loaded;
    TkavXMLReader(file).ReadRootItem(loaded);
    TkavPictureCache other;
    other.SetTempDir(FDir.path());
    other.SetUseFileCache(!GetParam()); // the other storage mode reads the same pictures
    other.LoadFromXML(loaded);
    ASSERT_EQ(other.Items().Count(), 3);
    for (size_t i = 0; i < bytes.size(); ++i)
        EXPECT_EQ(readBack(other, int(i) + 1), bytes[i]) << i + 1;

    TkavXMLItem again(u"picturecache"_s);
    other.SaveToXML(again);
    ASSERT_EQ(again.Count(), saved.Count());
    for (int i = 0; i < saved.Count(); ++i)
        EXPECT_EQ(again.Items(i)->Text(), saved.Items(i)->Text()) << i;

    // A picture added after loading continues the numbering.
    auto fourth = viewOf(pngBytes(4));
    other.AddPicture(*fourth);
    EXPECT_EQ(fourth->ImageIndex(), 4);
    // And a loaded picture is reused for equal bytes.
    auto equal = viewOf(bytes[1]);
    other.AddPicture(*equal);
    EXPECT_EQ(equal->ImageIndex(), 2);
}

TEST_P(PictureCacheModeTest, LoadReplacesEarlierContent)
{
    auto view = viewOf(pngBytes(1));
    FCache.AddPicture(*view);
    FCache.AddPicture(*viewOf(pngBytes(2)));
    const QByteArray c = pngBytes(3);
    FCache.LoadFromXML(*cacheElement({upperHex(c)}));
    EXPECT_EQ(FCache.Items().Count(), 1);
    EXPECT_EQ(readBack(FCache, 1), c);
    EXPECT_EQ(segmentFiles(FDir.path()).size(), GetParam() ? 1 : 0);
}

TEST_P(PictureCacheModeTest, ClearAndDestructionRemoveSegmentFiles)
{
    auto view = viewOf(pngBytes(1));
    {
        TkavPictureCache local;
        local.SetTempDir(FDir.path());
        local.SetUseFileCache(GetParam());
        local.AddPicture(*view);
        local.AddSegment();
        EXPECT_EQ(segmentFiles(FDir.path()).size(), GetParam() ? 2 : 0);
    }
    EXPECT_TRUE(segmentFiles(FDir.path()).isEmpty());

    FCache.AddPicture(*view);
    FCache.Clear();
    EXPECT_TRUE(segmentFiles(FDir.path()).isEmpty());
    EXPECT_EQ(FCache.Items().Count(), 0);
    EXPECT_EQ(FCache.segmentCount(), 0);
    EXPECT_TRUE(FCache.TempFile().isEmpty());
    // The cache works again after Clear, numbering from 1.
    FCache.AddPicture(*view);
    EXPECT_EQ(view->ImageIndex(), 1);
}

INSTANTIATE_TEST_SUITE_P(Storage,
                         PictureCacheModeTest,
                         ::testing::Values(false, true),
                         [](const auto &mode) {
                             return std::string(mode.param ? "file" : "memory");
                         });

// ---------------------------------------------------------------------------------------
// Files and failures

TEST(PictureCacheFiles, SegmentFileIsPrivateAndModeFreezes)
{
    QTemporaryDir dir;
    TkavPictureCache cache;
    cache.SetTempDir(dir.path());
    cache.SetUseFileCache(true);
    auto view = viewOf(pngBytes(1));
    cache.AddPicture(*view);
    ASSERT_EQ(cache.TempFile().size(), 1);
    const QFileInfo info(cache.TempFile().first());
    EXPECT_EQ(info.absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
    EXPECT_TRUE(info.fileName().startsWith(u"kvPic"_s));
    EXPECT_EQ(info.permissions()
                  & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());

    QTemporaryDir otherDir;
    cache.SetUseFileCache(false);
    cache.SetTempDir(otherDir.path());
    EXPECT_TRUE(cache.UseFileCache());
    EXPECT_EQ(cache.TempDir(), dir.path());
}

TEST(PictureCacheFiles, FileModeAfterFirstPictureStaysInMemory)
{
    QTemporaryDir dir;
    TkavPictureCache cache;
    cache.SetTempDir(dir.path());
    auto first = viewOf(pngBytes(1));
    cache.AddPicture(*first);
    cache.SetUseFileCache(true);
    EXPECT_FALSE(cache.UseFileCache());
    cache.AddSegment();
    auto second = viewOf(pngBytes(2));
    cache.AddPicture(*second);
    EXPECT_TRUE(cache.TempFile().isEmpty());
    EXPECT_TRUE(segmentFiles(dir.path()).isEmpty());
}

TEST(PictureCacheFiles, MissingTempDirFallsBackToSystemFolder)
{
    QTemporaryDir system;
    TmpDirGuard tmp(QFile::encodeName(system.path()));
    TkavPictureCache cache;
    cache.SetTempDir(system.path() + u"/gone/away"_s);
    cache.SetUseFileCache(true);
    auto view = viewOf(pngBytes(1));
    cache.AddPicture(*view);
    EXPECT_EQ(view->ImageIndex(), 1);
    EXPECT_EQ(segmentFiles(system.path()).size(), 1);
}

TEST(PictureCacheFiles, SegmentThatCannotBeCreatedRaisesAndChangesNothing)
{
    // An existing folder where nobody, not even the superuser, can create files.
    const QString folder = u"/proc"_s;
    ASSERT_TRUE(QFileInfo(folder).isDir());
    TkavPictureCache cache;
    cache.SetTempDir(folder);
    cache.SetUseFileCache(true);
    auto view = viewOf(pngBytes(1));
    view->SetImageIndex(7);
    const QString message = kavErrorOf<EFCreateError>([&] { cache.AddPicture(*view); });
    EXPECT_TRUE(message.contains(folder)) << message.toStdString();
    EXPECT_EQ(view->ImageIndex(), 7);
    EXPECT_EQ(cache.Items().Count(), 0);
    EXPECT_EQ(cache.segmentCount(), 0);
    EXPECT_TRUE(cache.TempFile().isEmpty());
}

TEST(PictureCacheFiles, FailedWriteLeavesCacheAsItWas)
{
    QTemporaryDir dir;
    TkavPictureCache cache;
    cache.SetTempDir(dir.path());
    cache.SetUseFileCache(true);
    const QByteArray a = pngBytes(1);
    const QByteArray b = pngBytes(2, 48);
    ASSERT_GT(b.size(), 64);
    auto va = viewOf(a);
    cache.AddPicture(*va);
    const QString file = cache.TempFile().first();

    auto vb = viewOf(b);
    vb->SetImageIndex(77);
    {
        // Room for 16 more bytes: the write stops part-way and fails.
        FileSizeLimit limit(rlim_t(a.size() + 16));
        EXPECT_THROW(cache.AddPicture(*vb), EWriteError);
    }
    EXPECT_EQ(vb->ImageIndex(), 77);
    EXPECT_EQ(cache.Items().Count(), 1);
    EXPECT_EQ(QFileInfo(file).size(), a.size()); // the partial bytes were cut off
    EXPECT_EQ(readBack(cache, 1), a);

    // Once the disk has room again the same picture is stored normally.
    cache.AddPicture(*vb);
    EXPECT_EQ(vb->ImageIndex(), 2);
    EXPECT_EQ(readBack(cache, 1), a);
    EXPECT_EQ(readBack(cache, 2), b);
}

TEST(PictureCacheFiles, FailedFirstWriteDropsItsSegment)
{
    QTemporaryDir dir;
    TkavPictureCache cache;
    cache.SetTempDir(dir.path());
    cache.SetUseFileCache(true);
    auto view = viewOf(pngBytes(1));
    {
        FileSizeLimit limit(16);
        const QString message = kavErrorOf<EWriteError>([&] { cache.AddPicture(*view); });
        EXPECT_FALSE(message.isEmpty());
    }
    EXPECT_EQ(view->ImageIndex(), 0);
    EXPECT_EQ(cache.Items().Count(), 0);
    EXPECT_EQ(cache.segmentCount(), 0);
    EXPECT_TRUE(cache.TempFile().isEmpty());
    EXPECT_TRUE(segmentFiles(dir.path()).isEmpty());
}

TEST(PictureCacheFiles, FailedLoadLeavesCacheEmpty)
{
    QTemporaryDir dir;
    TkavPictureCache cache;
    cache.SetTempDir(dir.path());
    cache.SetUseFileCache(true);
    const QByteArray a = pngBytes(1);
    const QByteArray big = pngBytes(2, 48);
    auto element = cacheElement({upperHex(a), upperHex(big)});
    {
        FileSizeLimit limit(rlim_t(a.size() + 8));
        EXPECT_THROW(cache.LoadFromXML(*element), EWriteError);
    }
    EXPECT_EQ(cache.Items().Count(), 0);
    EXPECT_TRUE(segmentFiles(dir.path()).isEmpty());
}

// ---------------------------------------------------------------------------------------
// Damaged and hostile picturecache elements

// A PNG whose header declares width x height (with a correct header checksum), so only the
// decoder's allocation limit can refuse it.
QByteArray pngDeclaring(quint32 width, quint32 height)
{
    QByteArray png = pngBytes(1);
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    const auto *chunk = reinterpret_cast<const Bytef *>(png.constData() + 12); // "IHDR" + data
    qToBigEndian(quint32(crc32(0, chunk, 17)), png.data() + 29);
    return png;
}

QByteArray wrapped(const QByteArray &bytes, quint32 length)
{
    QByteArray header(8, '\0');
    qToLittleEndian(quint16(1), header.data());
    qToLittleEndian(quint16(256), header.data() + 2);
    qToLittleEndian(length, header.data() + 4);
    return header + bytes;
}

struct DamagedRow
{
    const char *name;
    QString stream; // null: the item has no stream attribute
    bool loads;     // the entry decodes as a picture
};

std::vector<DamagedRow> damagedRows()
{
    const QByteArray good = pngBytes(5);
    const QString hex = upperHex(good);
    return {
        {"missing stream attribute", QString(), false},
        {"empty value", u""_s, false},
        {"not hexadecimal", u"ZZ"_s, false},
        {"odd number of digits", hex.chopped(1), false},
        {"valid digits then garbage", hex.left(16) + u"ZZ"_s, false},
        {"spaces between digits", u"89 50 4E 47"_s, false},
        {"truncated PNG", upperHex(good.left(good.size() / 2)), false},
        {"unknown bytes", upperHex("this is no picture at all"), false},
        {"bitmap marker then junk", upperHex("BM" + QByteArray(60, '\x7F')), false},
        {"JPEG marker then junk", upperHex(QByteArray("\xFF\xD8") + QByteArray(40, '\0')), false},
        {"PNG declaring 100000 x 100000", upperHex(pngDeclaring(100000, 100000)), false},
        {"wrapper with a huge length", upperHex(wrapped(good, 0xFFFFFFFFu)), false},
        // Lenient where it is harmless: lower-case digits and a correct wrapper still load.
        {"lower-case digits", hex.toLower(), true},
        {"wrapper with the right length", upperHex(wrapped(good, quint32(good.size()))), true},
    };
}

TEST(PictureCacheDamaged, EntriesBecomeEmptyAndNeighboursStayIntact)
{
    const QByteArray before = pngBytes(1);
    const QByteArray after = pngBytes(2, 14);
    for (const DamagedRow &row : damagedRows()) {
        // The damaged entry in the middle and first (where it starts at offset 0, so a
        // bound of its zero length must not read the next picture).
        for (const bool first : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (first ? " (first)" : " (middle)"));
            QStringList streams{row.stream, upperHex(after)};
            if (!first)
                streams.prepend(upperHex(before));
            TkavPictureCache cache;
            cache.LoadFromXML(*cacheElement(streams));
            ASSERT_EQ(cache.Items().Count(), streams.size());
            const int damaged = first ? 1 : 2;
            auto holder = viewOf(pngBytes(9));
            holder->SetImageIndex(damaged);
            cache.GetPicture(*holder);
            EXPECT_EQ(holder->Picture().IsEmpty(), !row.loads);
            if (!first) {
                EXPECT_EQ(readBack(cache, 1), before);
            }
            EXPECT_EQ(readBack(cache, damaged + 1), after);
        }
    }
}

TEST(PictureCacheDamaged, EmptyElementGivesEmptyCache)
{
    TkavPictureCache cache;
    cache.LoadFromXML(TkavXMLItem(u"picturecache"_s));
    EXPECT_EQ(cache.Items().Count(), 0);
    EXPECT_TRUE(readBack(cache, 1).isEmpty());
}

TEST(PictureCacheDamaged, CacheListRejectsIndexOutOfRange)
{
    TkavCacheList list;
    list.Add().Offset = 5;
    EXPECT_EQ(list.Get(0).Offset, 5);
    EXPECT_EQ(list.Get(0).Segment, 0);
    EXPECT_THROW(list.Get(1), EListError);
    EXPECT_THROW(list.Get(-1), EListError);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

} // namespace
