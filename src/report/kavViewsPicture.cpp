// Pictures: format detection, bounded decoding, the picture's stored bytes and the picture
// view's published table.

#include "kavMetafile.h"
#include "kavReport.h"
#include "kavViews.h"
#include "kavViews_p.h"

#include <persist/kavUtils.h>
#include <prepared/kavPaintUtils.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>

using namespace Qt::StringLiterals;
using namespace kavViewsPrivate;

namespace {

constexpr int wrapperHeaderSize = 8;

bool startsWith(QByteArrayView data, QByteArrayView prefix)
{
    return data.size() >= prefix.size() && data.first(prefix.size()) == prefix;
}

// The graphic class a format is stored under, and whether that class's own stored form
// starts with its byte count.
struct GraphicClass
{
    TkavPictureFormat Format;
    QByteArrayView Name;
    bool Sized;
};

constexpr GraphicClass graphicClasses[] = {{pfBitmap, "TBitmap", true},
                                           {pfJPEG, "TJPEGImage", true},
                                           {pfPNG, "TPngImage", false},
                                           {pfMetafile, "TMetafile", true},
                                           {pfEnhMetafile, "TMetafile", true},
                                           {pfIcon, "TIcon", false}};

bool isIdentifier(QByteArrayView name)
{
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
               || c == '_';
    });
}

// stored -> [ length8 className ] [ count32 ] bytes
// The class name and the count are optional: older files hold the bare bytes. No bare
// picture starts with a small length followed by 'T', nor with its own byte count.
QByteArrayView graphicBytes(QByteArrayView data, QByteArray &className)
{
    if (data.size() >= 2) {
        const qsizetype n = quint8(data[0]);
        if (n > 0 && n < data.size() && data[1] == 'T' && isIdentifier(data.sliced(1, n))) {
            className = data.sliced(1, n).toByteArray();
            data = data.sliced(1 + n);
        }
    }
    if (data.size() >= 4 && qFromLittleEndian<quint32>(data.data()) == quint64(data.size() - 4))
        data = data.sliced(4);
    return data;
}

} // namespace

bool kavViewsPrivate::decodeImage(const QByteArray &data, const char *format, QImage &image)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAllocationLimit(int(kavPictureMaxImageBytes / (1024 * 1024)));
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() * 4 > kavPictureMaxImageBytes)
        return false;
    image = reader.read();
    return !image.isNull();
}

TkavPictureFormat kavDetectPictureFormat(QByteArrayView data, int *wrapperSize)
{
    if (wrapperSize)
        *wrapperSize = 0;
    // A wrapped picture: 16-bit 1 and 256, then the length of what follows.
    if (data.size() >= wrapperHeaderSize && qFromLittleEndian<quint16>(data.data()) == 1
        && qFromLittleEndian<quint16>(data.data() + 2) == 256
        && qFromLittleEndian<quint32>(data.data() + 4)
               == quint64(data.size() - wrapperHeaderSize)) {
        data = data.sliced(wrapperHeaderSize);
        if (wrapperSize)
            *wrapperSize = wrapperHeaderSize;
    }
    if (startsWith(data, "BM"))
        return pfBitmap;
    if (startsWith(data, "\xFF\xD8"))
        return pfJPEG;
    if (startsWith(data, QByteArrayView("\x89PNG\r\n\x1A\n", 8)))
        return pfPNG;
    if (data.size() >= 4 && qFromLittleEndian<quint32>(data.data()) == 0x9AC6CDD7u)
        return pfMetafile;
    if (data.size() >= 44 && qFromLittleEndian<quint32>(data.data() + 40) == 0x464D4520u)
        return pfEnhMetafile;
    if (data.size() >= 6 && qFromLittleEndian<quint16>(data.data() + 2) < 2)
        return pfIcon;
    return pfNone;
}

// ---------------------------------------------------------------------------------------
// TkavPicture

TkavPicture::TkavPicture() = default;

TkavPicture::~TkavPicture() = default;

void TkavPicture::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TkavPicture *>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    FData = other->FData;
    FFormat = other->FFormat;
    FImage = other->FImage;
    FMetafile = other->FMetafile;
    changed();
}

bool TkavPicture::LoadFromBytes(QByteArrayView data)
{
    int wrapper = 0;
    const TkavPictureFormat format = kavDetectPictureFormat(data, &wrapper);
    const QByteArray bytes = data.sliced(wrapper).toByteArray();
    QImage image;
    std::shared_ptr<TkavMetafile> metafile;
    bool ok = false;
    switch (format) {
    case pfNone:
        break;
    case pfMetafile:
    case pfEnhMetafile:
        // Kept even when damaged, so that nothing is lost; NotDrawn says what is missing.
        metafile = std::make_shared<TkavMetafile>();
        metafile->Load(bytes);
        ok = true;
        break;
    case pfBitmap:
        ok = decodeImage(bytes, "bmp", image);
        break;
    case pfJPEG:
        ok = decodeImage(bytes, "jpeg", image);
        break;
    case pfPNG:
        ok = decodeImage(bytes, "png", image);
        break;
    case pfIcon:
        ok = decodeImage(bytes, "ico", image);
        break;
    }
    if (!ok) {
        Clear();
        return false;
    }
    FData = bytes;
    FFormat = format;
    FImage = image;
    FMetafile = std::move(metafile);
    changed();
    return true;
}

void TkavPicture::Clear()
{
    FData.clear();
    FFormat = pfNone;
    FImage = QImage();
    FMetafile.reset();
    changed();
}

int TkavPicture::Width() const
{
    return FMetafile ? int(kavRound(FMetafile->Size().width())) : FImage.width();
}

int TkavPicture::Height() const
{
    return FMetafile ? int(kavRound(FMetafile->Size().height())) : FImage.height();
}

bool TkavPicture::CanDraw() const
{
    return FMetafile ? !FMetafile->Size().isEmpty() : !FImage.isNull();
}

QString TkavPicture::NotDrawn() const
{
    return FMetafile ? FMetafile->NotDrawn() : QString();
}

void TkavPicture::Draw(QPainter &Canvas,
                       const QRectF &Target,
                       TColor TransparentColor,
                       bool Transparent,
                       bool HighQuality,
                       bool Printing) const
{
    if (FMetafile)
        FMetafile->Play(Canvas, Target);
    else if (!FImage.isNull())
        kavPaintPicture(
            Canvas, Target, FImage, TransparentColor, Transparent, HighQuality, Printing);
}

void TkavPicture::DefinePropData(TkavPropDataWriter &Writer) const
{
    const auto cls = std::find_if(std::begin(graphicClasses),
                                  std::end(graphicClasses),
                                  [this](const GraphicClass &c) { return c.Format == FFormat; });
    if (cls == std::end(graphicClasses))
        return;
    QByteArray data;
    data.reserve(FData.size() + 16);
    data.append(char(cls->Name.size()));
    data.append(cls->Name);
    if (cls->Sized) {
        const quint32 count = qToLittleEndian(quint32(FData.size()));
        data.append(reinterpret_cast<const char *>(&count), sizeof count);
    }
    data.append(FData);
    Writer.WriteBinary(u"Data"_s, data);
}

void TkavPicture::ReadPropData(const TkavPropDataEntry &Entry)
{
    if (Entry.Name.compare(u"Data"_s, Qt::CaseInsensitive) != 0)
        return;
    QByteArray className;
    const QByteArrayView bytes = graphicBytes(Entry.Data, className);
    if (bytes.isEmpty()) {
        Clear(); // stored without a graphic
        return;
    }
    if (!LoadFromBytes(bytes))
        throw EkavError(
            u"The picture (%1, %2 bytes) is in no format that can be read"_s
                .arg(className.isEmpty() ? u"no graphic class"_s : QString::fromLatin1(className))
                .arg(bytes.size()));
    if (!NotDrawn().isEmpty()) // loaded, but the reader is told what will be missing
        throw EkavError(NotDrawn());
}

void TkavPicture::changed()
{
    if (FOnChange)
        FOnChange();
}

const TkavClassInfo &TkavPicture::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavPicture, TPersistent>(
        u"TkavPicture"_s, [](TkavPropBuilder<TkavPicture> &) {});
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavPictureView

TkavPictureView::TkavPictureView(TkavComponent *AOwner)
    : TkavView(AOwner)
    , FPicture(std::make_unique<TkavPicture>())
{
    SetkvComponentStyle(kvComponentStyle() - TkavComponentStyle{csDefaultDiff});
    FPicture->SetOnChange([this] { pictureChanged(); });
}

QString TkavPictureView::Diff(const TkavComponent &AComponent) const
{
    QString text = TkavView::Diff(AComponent);
    const auto *other = dynamic_cast<const TkavPictureView *>(&AComponent);
    if (!other || other->FImageIndex != FImageIndex)
        addAttr(text, u"ImageIndex", QString::number(FImageIndex));
    return text;
}

TkavPictureView::~TkavPictureView()
{
    FPicture->SetOnChange(nullptr);
}

int TkavPictureView::LoadPictureFromStream(TStream &Stream, bool ResetStreamPos)
{
    if (ResetStreamPos)
        Stream.SetPosition(0);
    const qint64 remaining = Stream.Size() - Stream.Position();
    QByteArray data;
    if (remaining > 0 && remaining <= std::numeric_limits<int>::max()) {
        data.resize(qsizetype(remaining));
        data.resize(qsizetype(Stream.Read(data.data(), remaining)));
    }
    return FPicture->LoadFromBytes(data) ? 0 : kavPictureInvalidArgument;
}

namespace {

// Where a picture of size (w, h) goes in the box: stretched (in proportion when keep),
// or at its own size times the scale; centred when center.
QRectF pictureRect(QRectF box, double w, double h, bool stretched, bool keep, bool center,
                   double scaleX, double scaleY)
{
    QSizeF size(w * scaleX, h * scaleY);
    if (stretched) {
        size = box.size();
        if (keep && w > 0 && h > 0) {
            const double k = qMin(box.width() / w, box.height() / h);
            size = QSizeF(w * k, h * k);
        }
    }
    QPointF at = box.topLeft();
    if (center)
        at += QPointF((box.width() - size.width()) / 2, (box.height() - size.height()) / 2);
    return QRectF(at, size);
}

// What stands for a picture that cannot be drawn (a metafile) or is missing in the
// designer: a small framed box with a cross.
void drawPlaceholder(QPainter &canvas, QRect box)
{
    canvas.save();
    canvas.setPen(QPen(Qt::gray, 1));
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRect(box);
    canvas.drawLine(box.topLeft(), box.bottomRight());
    canvas.drawLine(box.bottomLeft(), box.topRight());
    canvas.restore();
}

} // namespace

const TkavPicture &TkavPictureView::designPicture()
{
    if (!IsDesigning() || !FPicture->IsEmpty() || FFileLink.isEmpty() || FFileLink.contains(u'['))
        return *FPicture;
    const QString file = kavPathBesideReport(Report(), FFileLink);
    if (file != FLinkedFile || !FLinkedPicture) {
        FLinkedFile = file;
        FLinkedPicture = std::make_unique<TkavPicture>();
        // A file that is missing, refused or unreadable leaves the placeholder; the run
        // reports why.
        try {
            kavCheckFileAccess(file, false);
            QFile f(file);
            if (f.size() <= kavPictureMaxImageBytes && f.open(QIODevice::ReadOnly))
                FLinkedPicture->LoadFromBytes(f.readAll());
        } catch (const Exception &) {
        }
    }
    return *FLinkedPicture;
}

void TkavPictureView::Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    if (!Canvas)
        return;
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    if (!DrawAsMask())
        DrawBackground();
    const QRect box(FX, FY, FDX, FDY);
    const TkavPicture &picture = designPicture();
    if (picture.CanDraw() && FDX > 0 && FDY > 0) {
        const QRectF target = pictureRect(box,
                                          picture.Width(),
                                          picture.Height(),
                                          FStretched,
                                          FKeepAspectRatio,
                                          FCenter,
                                          ScaleX,
                                          ScaleY);
        Canvas->save();
        Canvas->setClipRect(box, Qt::IntersectClip);
        picture.Draw(*Canvas,
                     target,
                     FTransparentColor,
                     FTransparent,
                     FHightQuality,
                     Canvas->device() && kavIsPrinterDevice(*Canvas->device()));
        Canvas->restore();
    } else if (!FPicture->IsEmpty() || IsDesigning()) {
        drawPlaceholder(*Canvas, QRect(FX + 1, FY + 2, qMin(16, FDX - 2), qMin(16, FDY - 3)));
    }
    DrawFrame();
}

void TkavPictureView::SetAutoSize(bool value)
{
    FAutoSize = value;
    applyAutoSize();
}

void TkavPictureView::pictureChanged()
{
    FPictureChanged = true;
    applyAutoSize();
}

void TkavPictureView::applyAutoSize()
{
    if (FAutoSize && FPicture->CanDraw()) {
        SetWidth(FPicture->Width());
        SetHeight(FPicture->Height());
    }
}

const TkavClassInfo &TkavPictureView::StaticClassInfo()
{
    using P = TkavPictureView;
    static const TkavClassInfo info = kavMakeClassInfo<P, TkavView>(
        u"TkavPictureView"_s,
        [](TkavPropBuilder<P> &p) {
            publishCursor(p);
            p.Bool(u"AutoSize"_s, &P::AutoSize, &P::SetAutoSize).Default(false);
            p.Bool(u"Center"_s, &P::Center, &P::SetCenter).Default(false);
            publishDataBinding(p);
            publishFrameAndFill(p, true);
            p.String(u"FileLink"_s, &P::FileLink, &P::SetFileLink);
            p.Int(u"ImageIndex"_s, &P::ImageIndex, &P::SetImageIndex)
                .StoredIf(&P::IsImageIndexStored);
            p.Bool(u"KeepAspectRatio"_s, &P::KeepAspectRatio, &P::SetKeepAspectRatio).Default(true);
            p.Object(u"Picture"_s, &P::Picture, &P::SetPicture).StoredIf(&P::IsPictureStored);
            p.Bool(u"Stretched"_s, &P::Stretched, &P::SetStretched).Default(true);
            publishTagStr(p);
            publishURL(p);
            p.Bool(u"HightQuality"_s, &P::HightQuality, &P::SetHightQuality).Default(false);
            p.Bool(u"Transparent"_s, &P::Transparent, &P::SetTransparent).Default(false);
            p.Int(u"TransparentColor"_s, &P::TransparentColor, &P::SetTransparentColor)
                .TypeName(u"TColor"_s)
                .Default(kavPictureDefaultTransparentColor);
        },
        kavComponentFactory<P>());
    return info;
}
