#include "ky_graphicsrtti.h"

#include <prepared/kavFonts.h>
#include <prepared/kavPaintUtils.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>
#include <script/ky_classes.h>
#include <script/ky_classesrtti.h>
#include <script/ky_script.h>

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <mutex>

using namespace Qt::StringLiterals;

const TkavEnumInfo &kavEnumTypeInfo(TPenStyle)
{
    static const TkavEnumInfo info(u"TPenStyle"_s,
                                   {u"psSolid"_s,
                                    u"psDash"_s,
                                    u"psDot"_s,
                                    u"psDashDot"_s,
                                    u"psDashDotDot"_s,
                                    u"psClear"_s,
                                    u"psInsideFrame"_s,
                                    u"psUserStyle"_s,
                                    u"psAlternate"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TPenMode)
{
    static const TkavEnumInfo info(u"TPenMode"_s,
                                   {u"pmBlack"_s,
                                    u"pmWhite"_s,
                                    u"pmNop"_s,
                                    u"pmNot"_s,
                                    u"pmCopy"_s,
                                    u"pmNotCopy"_s,
                                    u"pmMergePenNot"_s,
                                    u"pmMaskPenNot"_s,
                                    u"pmMergeNotPen"_s,
                                    u"pmMaskNotPen"_s,
                                    u"pmMerge"_s,
                                    u"pmNotMerge"_s,
                                    u"pmMask"_s,
                                    u"pmNotMask"_s,
                                    u"pmXor"_s,
                                    u"pmNotXor"_s});
    return info;
}

namespace {

TColor fromQColor(const QColor &color)
{
    return kavRGB(color.red(), color.green(), color.blue());
}

// The raster operation of a pen mode; pmCopy (and the modes drawn with a fixed colour)
// keep ordinary painting.
QPainter::CompositionMode compositionOf(TPenMode mode)
{
    switch (mode) {
    case pmNot:
        return QPainter::RasterOp_NotDestination;
    case pmNotCopy:
        return QPainter::RasterOp_NotSource;
    case pmMergePenNot:
        return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot:
        return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen:
        return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen:
        return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge:
        return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask:
        return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask:
        return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor:
        return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor:
        return QPainter::RasterOp_NotSourceXorDestination;
    case pmBlack:
    case pmWhite:
    case pmNop:
    case pmCopy:
        break;
    }
    return QPainter::CompositionMode_SourceOver;
}

// A device to measure text on when the canvas has none: 96 dpi like report pixels.
class MeasureDevice
{
public:
    MeasureDevice()
        : FImage(1, 1, QImage::Format_ARGB32_Premultiplied)
    {
        constexpr int dotsPerMeter = 3780; // 96 dpi
        FImage.setDotsPerMeterX(dotsPerMeter);
        FImage.setDotsPerMeterY(dotsPerMeter);
    }
    QPaintDevice *device() { return &FImage; }

private:
    QImage FImage;
};

// EkavError for a size beyond the bitmap limits (callers have clamped negative sizes).
void checkBitmapSize(int width, int height)
{
    if (width > kyMaxBitmapSide || height > kyMaxBitmapSide
        || qint64(width) * height * 4 > kyMaxBitmapBytes)
        throw EkavError(
            u"Bitmap size %1 x %2 is too large (at most %3 pixels a side and %4 MB)"_s.arg(width)
                .arg(height)
                .arg(kyMaxBitmapSide)
                .arg(kyMaxBitmapBytes / (1024 * 1024)));
}

constexpr QImage::Format bitmapFormat = QImage::Format_ARGB32_Premultiplied;

// A file's bytes (at most kyMaxBitmapBytes); EFOpenError when it cannot be read.
QByteArray readFileBytes(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(u"Cannot open file \"%1\". %2"_s.arg(fileName, file.errorString()));
    if (file.size() > kyMaxBitmapBytes)
        throw EkavError(u"File \"%1\" is too large to load"_s.arg(fileName));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFOpenError(u"Cannot read file \"%1\". %2"_s.arg(fileName, file.errorString()));
    return data;
}

// Writes through write(QIODevice &) into memory, then into a temporary file that replaces
// fileName only when everything was written.
template <class W>
void saveAtomically(const QString &fileName, W write)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    write(buffer);
    kavWriteFileAtomically(fileName, [&bytes](TStream &stream) { stream.WriteBytes(bytes); });
}

bool isMetafileName(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffix == u"emf" || suffix == u"wmf";
}

} // namespace

// ---------------------------------------------------------------------------------------
// Pen, brush

const TkavClassInfo &TkyPen::StaticClassInfo()
{
    static const TkavClassInfo info
        = kavMakeClassInfo<TkyPen, TPersistent>(u"TPen"_s, [](TkavPropBuilder<TkyPen> &p) {
              p.Int(u"Color"_s, &TkyPen::Color, &TkyPen::SetColor).TypeName(u"TColor"_s);
              p.Enum(u"Mode"_s, &TkyPen::Mode, &TkyPen::SetMode);
              p.Enum(u"Style"_s, &TkyPen::Style, &TkyPen::SetStyle);
              p.Int(u"Width"_s, &TkyPen::Width, &TkyPen::SetWidth);
          });
    return info;
}

void TkyPen::Assign(const TPersistent &source)
{
    const auto *pen = dynamic_cast<const TkyPen *>(&source);
    if (!pen)
        return TPersistent::Assign(source);
    FColor = pen->FColor;
    FWidth = pen->FWidth;
    FStyle = pen->FStyle;
    FMode = pen->FMode;
}

const TkavClassInfo &TkyBrush::StaticClassInfo()
{
    static const TkavClassInfo info
        = kavMakeClassInfo<TkyBrush, TPersistent>(u"TBrush"_s, [](TkavPropBuilder<TkyBrush> &p) {
              p.Int(u"Color"_s, &TkyBrush::Color, &TkyBrush::SetColor).TypeName(u"TColor"_s);
              p.Enum(u"Style"_s, &TkyBrush::Style, &TkyBrush::SetStyle);
          });
    return info;
}

void TkyBrush::Assign(const TPersistent &source)
{
    const auto *brush = dynamic_cast<const TkyBrush *>(&source);
    if (!brush)
        return TPersistent::Assign(source);
    FColor = brush->FColor;
    FStyle = brush->FStyle;
}

// ---------------------------------------------------------------------------------------
// Canvas

const TkavClassInfo &TkyCanvas::StaticClassInfo()
{
    using C = TkyCanvas;
    static const TkavClassInfo info
        = kavMakeClassInfo<C, TPersistent>(u"TCanvas"_s, [](TkavPropBuilder<C> &p) {
              p.Object(
                  u"Brush"_s,
                  [](C &c) -> TkyBrush & { return c.Brush(); },
                  [](C &c, const TkyBrush &v) { c.Brush().Assign(v); });
              p.Object(
                  u"Font"_s,
                  [](C &c) -> TFont & { return c.Font(); },
                  [](C &c, const TFont &v) { c.Font().Assign(v); });
              p.Object(
                  u"Pen"_s,
                  [](C &c) -> TkyPen & { return c.Pen(); },
                  [](C &c, const TkyPen &v) { c.Pen().Assign(v); });
          });
    return info;
}

const TkavClassInfo &TkyMetafileCanvas::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkyMetafileCanvas, TkyCanvas>(
        u"TMetafileCanvas"_s, [](TkavPropBuilder<TkyMetafileCanvas> &) {});
    return info;
}

TkyCanvas::TkyCanvas() = default;
TkyCanvas::~TkyCanvas() = default;

std::unique_ptr<QPainter> TkyCanvas::openPainter()
{
    return nullptr;
}

QImage *TkyCanvas::pixelImage() const
{
    if (!FPainter || !FPainter->device() || FPainter->device()->devType() != QInternal::Image)
        return nullptr;
    return static_cast<QImage *>(FPainter->device());
}

// Runs draw on the attached painter (its state restored afterwards) or on one the canvas
// opens for this call; without either nothing is drawn.
template <class F>
void TkyCanvas::paint(F &&draw)
{
    if (FPainter) {
        FPainter->save();
        FPainter->setRenderHint(QPainter::Antialiasing, false);
        draw(*FPainter);
        FPainter->restore();
    } else if (const std::unique_ptr<QPainter> own = openPainter()) {
        draw(*own);
    }
}

void TkyCanvas::applyPen(QPainter &painter) const
{
    if (FPen.Style() == psClear || FPen.Mode() == pmNop || FPen.Color() == clNone) {
        painter.setPen(Qt::NoPen);
        return;
    }
    QColor color = kavColorToQColor(FPen.Color());
    if (FPen.Mode() == pmBlack)
        color = Qt::black;
    else if (FPen.Mode() == pmWhite)
        color = Qt::white;
    QPen pen(color, std::max(1, FPen.Width()));
    switch (FPen.Style()) {
    case psDash:
        pen.setStyle(Qt::DashLine);
        break;
    case psDot:
    case psAlternate:
        pen.setStyle(Qt::DotLine);
        break;
    case psDashDot:
        pen.setStyle(Qt::DashDotLine);
        break;
    case psDashDotDot:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    default:
        pen.setStyle(Qt::SolidLine);
        break;
    }
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setCompositionMode(compositionOf(FPen.Mode()));
}

void TkyCanvas::applyBrush(QPainter &painter) const
{
    const Qt::BrushStyle pattern = kavBrushPattern(FBrush.Style());
    if (pattern == Qt::NoBrush || FBrush.Color() == clNone)
        painter.setBrush(Qt::NoBrush);
    else
        painter.setBrush(QBrush(kavColorToQColor(FBrush.Color()), pattern));
    painter.setBackgroundMode(Qt::TransparentMode);
}

void TkyCanvas::MoveTo(int x, int y)
{
    FPenX = x;
    FPenY = y;
}

void TkyCanvas::LineTo(int x, int y)
{
    const QPoint from(FPenX, FPenY);
    paint([&](QPainter &painter) {
        applyPen(painter);
        painter.drawLine(from, QPoint(x, y));
    });
    MoveTo(x, y);
}

namespace {

// The pixel box [x1, x2) x [y1, y2) with its corners in any order.
QRect pixelBox(int x1, int y1, int x2, int y2)
{
    return QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                 QPoint(std::max(x1, x2) - 1, std::max(y1, y2) - 1));
}

// A shape's outline runs on its box's last row and column, so it covers the box exactly;
// without a pen the fill covers the whole box.
QRect shapeRect(const QPainter &painter, const QRect &box)
{
    return painter.pen().style() == Qt::NoPen ? box : box.adjusted(0, 0, -1, -1);
}

} // namespace

void TkyCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    const QRect box = pixelBox(x1, y1, x2, y2);
    if (box.isEmpty())
        return;
    paint([&](QPainter &painter) {
        applyPen(painter);
        applyBrush(painter);
        painter.drawRect(shapeRect(painter, box));
    });
}

void TkyCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    const QRect box = pixelBox(x1, y1, x2, y2);
    if (box.isEmpty())
        return;
    paint([&](QPainter &painter) {
        applyPen(painter);
        applyBrush(painter);
        painter.drawEllipse(shapeRect(painter, box));
    });
}

void TkyCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3)
{
    const QRect box = pixelBox(x1, y1, x2, y2);
    if (box.isEmpty())
        return;
    paint([&](QPainter &painter) {
        applyPen(painter);
        applyBrush(painter);
        painter.drawRoundedRect(
            shapeRect(painter, box), std::abs(x3) / 2.0, std::abs(y3) / 2.0, Qt::AbsoluteSize);
    });
}

void TkyCanvas::TextOut(int x, int y, const QString &text)
{
    const int width = TextWidth(text);
    paint([&](QPainter &painter) {
        const QFont font = kavToQFont(FFont);
        const QFontMetricsF metrics(font, painter.device());
        if (FBrush.Style() == bsSolid && FBrush.Color() != clNone)
            painter.fillRect(QRectF(x, y, width, metrics.height()), kavColorToQColor(FBrush.Color()));
        painter.setFont(font);
        painter.setPen(kavColorToQColor(FFont.Color()));
        painter.drawText(QPointF(x, y + metrics.ascent()), text);
    });
    MoveTo(x + width, y);
}

int TkyCanvas::TextWidth(const QString &text) const
{
    MeasureDevice fallback;
    QPaintDevice *device = FPainter && FPainter->device() ? FPainter->device() : fallback.device();
    return int(std::ceil(QFontMetricsF(kavToQFont(FFont), device).horizontalAdvance(text)));
}

int TkyCanvas::TextHeight(const QString &) const
{
    MeasureDevice fallback;
    QPaintDevice *device = FPainter && FPainter->device() ? FPainter->device() : fallback.device();
    return int(std::ceil(QFontMetricsF(kavToQFont(FFont), device).height()));
}

void TkyCanvas::Draw(int x, int y, const TkyGraphic *graphic)
{
    if (!graphic || graphic->Empty())
        return;
    StretchDraw(x, y, x + graphic->Width(), y + graphic->Height(), graphic);
}

void TkyCanvas::StretchDraw(int x1, int y1, int x2, int y2, const TkyGraphic *graphic)
{
    if (!graphic || graphic->Empty() || x2 <= x1 || y2 <= y1)
        return;
    paint([&](QPainter &painter) { graphic->Paint(painter, QRect(x1, y1, x2 - x1, y2 - y1)); });
}

TColor TkyCanvas::Pixels(int x, int y) const
{
    const QImage *image = pixelImage();
    if (!image)
        return clNone;
    const QPoint at = FPainter ? FPainter->combinedTransform().map(QPoint(x, y)) : QPoint(x, y);
    if (!image->rect().contains(at))
        return clNone;
    return fromQColor(image->pixelColor(at));
}

void TkyCanvas::SetPixels(int x, int y, TColor color)
{
    if (FPainter) {
        // The painter may be on a screen: a one-pixel rectangle is what every device takes.
        FPainter->save();
        FPainter->setCompositionMode(QPainter::CompositionMode_Source);
        FPainter->fillRect(QRect(x, y, 1, 1), kavColorToQColor(color));
        FPainter->restore();
        return;
    }
    QImage *image = pixelImage();
    if (image && image->rect().contains(x, y))
        image->setPixelColor(x, y, kavColorToQColor(color));
}

// ---------------------------------------------------------------------------------------
// Graphics

const TkavClassInfo &TkyGraphic::StaticClassInfo()
{
    using G = TkyGraphic;
    static const TkavClassInfo info
        = kavMakeClassInfo<G, TPersistent>(u"TGraphic"_s, [](TkavPropBuilder<G> &p) {
              p.Int(u"Height"_s, &G::Height, &G::SetHeight);
              p.Int(u"Width"_s, &G::Width, &G::SetWidth);
          });
    return info;
}

namespace {

// The canvas of a bitmap: each drawing call opens a painter on the bitmap's image.
class TkyBitmapCanvas : public TkyCanvas
{
public:
    explicit TkyBitmapCanvas(QImage &image)
        : FImage(image)
    {}

protected:
    std::unique_ptr<QPainter> openPainter() override
    {
        if (FImage.isNull())
            return nullptr;
        auto painter = std::make_unique<QPainter>(&FImage);
        painter->setRenderHint(QPainter::Antialiasing, false);
        return painter;
    }
    QImage *pixelImage() const override { return Painter() ? TkyCanvas::pixelImage() : &FImage; }

private:
    QImage &FImage;
};

} // namespace

const TkavClassInfo &TkyBitmap::StaticClassInfo()
{
    static const TkavClassInfo info
        = kavMakeClassInfo<TkyBitmap, TkyGraphic>(u"TBitmap"_s, [](TkavPropBuilder<TkyBitmap> &p) {
              p.Object(u"Canvas"_s, [](TkyBitmap &b) -> TkyCanvas & { return b.Canvas(); });
          });
    return info;
}

// The image is declared before the canvas that refers to it.
TkyBitmap::TkyBitmap()
    : TkyBitmap(QByteArray())
{}

TkyBitmap::TkyBitmap(QByteArray format)
    : FImage(std::make_unique<QImage>())
    , FCanvas(std::make_unique<TkyBitmapCanvas>(*FImage))
    , FFormat(std::move(format))
{}

const TkavClassInfo &TkyPngImage::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkyPngImage, TkyBitmap>(
        u"TPngImage"_s, [](TkavPropBuilder<TkyPngImage> &) {});
    return info;
}

const TkavClassInfo &TkyJPEGImage::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkyJPEGImage, TkyBitmap>(
        u"TJPEGImage"_s, [](TkavPropBuilder<TkyJPEGImage> &) {});
    return info;
}

TkyBitmap::~TkyBitmap() = default;

void TkyBitmap::Assign(const TPersistent &source)
{
    if (const auto *bitmap = dynamic_cast<const TkyBitmap *>(&source))
        SetImage(bitmap->Image());
    else if (const auto *picture = dynamic_cast<const TkyPicture *>(&source);
             picture && dynamic_cast<const TkyBitmap *>(picture->Graphic()))
        SetImage(static_cast<const TkyBitmap *>(picture->Graphic())->Image());
    else
        TPersistent::Assign(source);
}

int TkyBitmap::Width() const
{
    return FWidth;
}

void TkyBitmap::SetWidth(int value)
{
    SetSize(value, Height());
}

int TkyBitmap::Height() const
{
    return FHeight;
}

void TkyBitmap::SetHeight(int value)
{
    SetSize(Width(), value);
}

void TkyBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    checkBitmapSize(width, height);
    FWidth = width;
    FHeight = height;
    if (width == FImage->width() && height == FImage->height())
        return;
    if (width == 0 || height == 0) {
        *FImage = QImage();
        return;
    }
    QImage resized(width, height, bitmapFormat);
    if (resized.isNull())
        throw EkavError(u"Out of memory for a bitmap of %1 x %2"_s.arg(width).arg(height));
    resized.fill(Qt::white);
    if (!FImage->isNull()) {
        QPainter painter(&resized);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, *FImage);
    }
    *FImage = std::move(resized);
}

bool TkyBitmap::Empty() const
{
    return FImage->isNull();
}

void TkyBitmap::SetImage(const QImage &image)
{
    checkBitmapSize(image.width(), image.height());
    QImage converted = image.convertToFormat(bitmapFormat);
    if (converted.isNull() != image.isNull())
        throw EkavError(
            u"Out of memory for a bitmap of %1 x %2"_s.arg(image.width()).arg(image.height()));
    *FImage = std::move(converted);
    FWidth = FImage->width();
    FHeight = FImage->height();
}

void TkyBitmap::LoadFromFile(const QString &fileName)
{
    kavCheckFileAccess(fileName, false);
    QByteArray data = readFileBytes(fileName);
    QBuffer source(&data);
    source.open(QIODevice::ReadOnly);
    QImageReader decoder(&source);
    // The header's size is checked before any pixel memory is taken.
    if (const QSize size = decoder.size(); size.isValid())
        checkBitmapSize(size.width(), size.height());
    QImage image;
    if (!decoder.read(&image))
        throw EkavError(
            u"Cannot read the picture in file \"%1\": %2"_s.arg(fileName, decoder.errorString()));
    SetImage(image);
}

void TkyBitmap::SaveToFile(const QString &fileName) const
{
    kavCheckFileAccess(fileName, true);
    if (FImage->isNull())
        throw EkavError(u"Cannot save an empty bitmap to \"%1\""_s.arg(fileName));
    QByteArray format = FFormat.isEmpty() ? QFileInfo(fileName).suffix().toLower().toLatin1()
                                          : FFormat;
    if (!QImageWriter::supportedImageFormats().contains(format))
        format = "bmp";
    saveAtomically(fileName, [&](QIODevice &device) {
        QImageWriter writer(&device, format);
        if (!writer.write(*FImage))
            throw EFCreateError(
                u"Cannot write file \"%1\". %2"_s.arg(fileName, writer.errorString()));
    });
}

void TkyBitmap::Paint(QPainter &painter, const QRect &target) const
{
    // A bitmap drawn on its own canvas is read from a copy, not from what is being painted.
    if (painter.device() == FImage.get())
        painter.drawImage(target, FImage->copy());
    else
        painter.drawImage(target, *FImage);
}

// ---------------------------------------------------------------------------------------
// Metafile

namespace {

// Size of a metafile from its header: EMF (frame in 0.01 mm), placeable WMF (box in
// logical units at the given units per inch), plain WMF (no size). False for other bytes.
bool readMetafileHeader(const QByteArray &data, int &width, int &height)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const qsizetype size = data.size();
    width = height = 0;
    constexpr quint32 emfSignature = 0x464D4520; // " EMF"
    if (size >= 88 && qFromLittleEndian<quint32>(bytes) == 1
        && qFromLittleEndian<quint32>(bytes + 40) == emfSignature) {
        const qint64 left = qFromLittleEndian<qint32>(bytes + 24);
        const qint64 top = qFromLittleEndian<qint32>(bytes + 28);
        const qint64 right = qFromLittleEndian<qint32>(bytes + 32);
        const qint64 bottom = qFromLittleEndian<qint32>(bytes + 36);
        width = int(std::clamp<qint64>(qRound64(double(right - left) * 96 / 2540), 0, INT_MAX));
        height = int(std::clamp<qint64>(qRound64(double(bottom - top) * 96 / 2540), 0, INT_MAX));
        return true;
    }
    constexpr quint32 placeableKey = 0x9AC6CDD7;
    if (size >= 22 + 18 && qFromLittleEndian<quint32>(bytes) == placeableKey) {
        const int left = qFromLittleEndian<qint16>(bytes + 6);
        const int top = qFromLittleEndian<qint16>(bytes + 8);
        const int right = qFromLittleEndian<qint16>(bytes + 10);
        const int bottom = qFromLittleEndian<qint16>(bytes + 12);
        const int inch = qFromLittleEndian<quint16>(bytes + 14);
        if (inch > 0) {
            width = std::max(0, qRound(double(right - left) * 96 / inch));
            height = std::max(0, qRound(double(bottom - top) * 96 / inch));
        }
        return true;
    }
    if (size >= 18) {
        const quint16 type = qFromLittleEndian<quint16>(bytes);
        const quint16 headerWords = qFromLittleEndian<quint16>(bytes + 2);
        const quint16 version = qFromLittleEndian<quint16>(bytes + 4);
        return (type == 1 || type == 2) && headerWords == 9
               && (version == 0x100 || version == 0x300);
    }
    return false;
}

} // namespace

const TkavClassInfo &TkyMetafile::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkyMetafile, TkyGraphic>(
        u"TMetafile"_s, [](TkavPropBuilder<TkyMetafile> &) {});
    return info;
}

void TkyMetafile::Assign(const TPersistent &source)
{
    if (const auto *metafile = dynamic_cast<const TkyMetafile *>(&source)) {
        FData = metafile->FData;
        FWidth = metafile->FWidth;
        FHeight = metafile->FHeight;
    } else {
        TPersistent::Assign(source);
    }
}

bool TkyMetafile::SetData(const QByteArray &data)
{
    int width = 0;
    int height = 0;
    if (!readMetafileHeader(data, width, height))
        return false;
    FData = data;
    FWidth = width;
    FHeight = height;
    return true;
}

void TkyMetafile::LoadFromFile(const QString &fileName)
{
    kavCheckFileAccess(fileName, false);
    if (!SetData(readFileBytes(fileName)))
        throw EkavError(u"File \"%1\" is not a metafile"_s.arg(fileName));
}

void TkyMetafile::SaveToFile(const QString &fileName) const
{
    kavCheckFileAccess(fileName, true);
    if (FData.isEmpty())
        throw EkavError(u"Cannot save an empty metafile to \"%1\""_s.arg(fileName));
    saveAtomically(fileName, [&](QIODevice &device) {
        if (device.write(FData) != FData.size())
            throw EFCreateError(
                u"Cannot write file \"%1\". %2"_s.arg(fileName, device.errorString()));
    });
}

void TkyMetafile::Paint(QPainter &, const QRect &) const
{
    // Metafiles are kept, not rendered.
}

// ---------------------------------------------------------------------------------------
// Picture

const TkavClassInfo &TkyPicture::StaticClassInfo()
{
    using P = TkyPicture;
    static const TkavClassInfo info
        = kavMakeClassInfo<P, TPersistent>(u"TPicture"_s, [](TkavPropBuilder<P> &p) {
              p.Object(u"Graphic"_s, &P::Graphic);
              p.Int(u"Height"_s, &P::Height);
              p.Int(u"Width"_s, &P::Width);
          });
    return info;
}

TkyPicture::TkyPicture() = default;
TkyPicture::~TkyPicture() = default;

void TkyPicture::Assign(const TPersistent &source)
{
    std::unique_ptr<TkyGraphic> copy;
    const TkyGraphic *graphic = nullptr;
    if (const auto *picture = dynamic_cast<const TkyPicture *>(&source))
        graphic = picture->Graphic();
    else if (!(graphic = dynamic_cast<const TkyGraphic *>(&source)))
        return TPersistent::Assign(source);
    if (dynamic_cast<const TkyMetafile *>(graphic))
        copy = std::make_unique<TkyMetafile>();
    else if (graphic)
        copy = std::make_unique<TkyBitmap>();
    if (copy)
        copy->Assign(*graphic);
    FGraphic = std::move(copy);
}

int TkyPicture::Width() const
{
    return FGraphic ? FGraphic->Width() : 0;
}

int TkyPicture::Height() const
{
    return FGraphic ? FGraphic->Height() : 0;
}

void TkyPicture::LoadFromFile(const QString &fileName)
{
    std::unique_ptr<TkyGraphic> graphic;
    if (isMetafileName(fileName))
        graphic = std::make_unique<TkyMetafile>();
    else
        graphic = std::make_unique<TkyBitmap>();
    graphic->LoadFromFile(fileName); // checks the policy; the old graphic stays on failure
    FGraphic = std::move(graphic);
}

void TkyPicture::SaveToFile(const QString &fileName) const
{
    if (!FGraphic) {
        kavCheckFileAccess(fileName, true);
        throw EkavError(u"Cannot save an empty picture to \"%1\""_s.arg(fileName));
    }
    FGraphic->SaveToFile(fileName);
}

// ---------------------------------------------------------------------------------------
// The module

namespace {

using Method = TkyMethodHelper;

int intArg(const Method &m, int index)
{
    return m.GetVParam(index).AsInteger();
}

Variant createObject(TObject *, const TkavClassInfo *cls, const QString &, Method &m)
{
    return kyCreateObject(cls, m);
}

Variant canvasMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    TkyCanvas &canvas = kyObjectAs<TkyCanvas>(obj);
    if (name == u"MOVETO")
        canvas.MoveTo(intArg(m, 0), intArg(m, 1));
    else if (name == u"LINETO")
        canvas.LineTo(intArg(m, 0), intArg(m, 1));
    else if (name == u"RECTANGLE")
        canvas.Rectangle(intArg(m, 0), intArg(m, 1), intArg(m, 2), intArg(m, 3));
    else if (name == u"ELLIPSE")
        canvas.Ellipse(intArg(m, 0), intArg(m, 1), intArg(m, 2), intArg(m, 3));
    else if (name == u"ROUNDRECT")
        canvas.RoundRect(
            intArg(m, 0), intArg(m, 1), intArg(m, 2), intArg(m, 3), intArg(m, 4), intArg(m, 5));
    else if (name == u"TEXTOUT")
        canvas.TextOut(intArg(m, 0), intArg(m, 1), VarToStr(m.GetVParam(2)));
    else if (name == u"TEXTWIDTH")
        return canvas.TextWidth(VarToStr(m.GetVParam(0)));
    else if (name == u"TEXTHEIGHT")
        return canvas.TextHeight(VarToStr(m.GetVParam(0)));
    else if (name == u"DRAW")
        canvas.Draw(intArg(m, 0), intArg(m, 1), kyArgObject<TkyGraphic>(m, 2));
    else if (name == u"STRETCHDRAW")
        canvas.StretchDraw(
            intArg(m, 0), intArg(m, 1), intArg(m, 2), intArg(m, 3), kyArgObject<TkyGraphic>(m, 4));
    else if (name == u"PIXELS.GET")
        return canvas.Pixels(intArg(m, 0), intArg(m, 1));
    else if (name == u"PIXELS.SET")
        canvas.SetPixels(intArg(m, 0), intArg(m, 1), m.GetVParam(2).AsInteger());
    return Variant();
}

Variant metafileCanvasCreate(TObject *, const TkavClassInfo *, const QString &, Method &m)
{
    // The metafile is checked for its class; drawing records nothing, the reference device
    // is not used.
    kyArgObject<TkyMetafile>(m, 0);
    return m.Program()->AdoptObject(std::make_unique<TkyMetafileCanvas>());
}

template <class T>
Variant fileMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    T &target = kyObjectAs<T>(obj);
    const QString fileName = kyFileArg(m, 0);
    if (name == u"LOADFROMFILE")
        target.LoadFromFile(fileName);
    else if (name == u"SAVETOFILE")
        target.SaveToFile(fileName);
    return Variant();
}

template <class T>
void addFileMethods(TkyClassVariable &cls)
{
    cls.AddMethod(u"procedure LoadFromFile(FileName: String)"_s, &fileMethod<T>);
    cls.AddMethod(u"procedure SaveToFile(FileName: String)"_s, &fileMethod<T>);
}

class TkyGraphicsRTTI : public TkyRTTIModule
{
public:
    explicit TkyGraphicsRTTI(TkyScript &script);

private:
    void addTypes();
    void addCanvas();
    void addGraphics();
};

TkyGraphicsRTTI::TkyGraphicsRTTI(TkyScript &script)
    : TkyRTTIModule(script)
{
    addTypes();
    addCanvas();
    addGraphics();
}

void TkyGraphicsRTTI::addTypes()
{
    TkyScript &script = Script();
    script.AddEnumSet(u"TFontStyles"_s, u"fsBold, fsItalic, fsUnderline, fsStrikeout"_s);
    script.AddEnum(u"TFontPitch"_s, kavEnumTypeInfo(TFontPitch{}).Names().join(u", "_s));
    script.AddEnum(u"TPenStyle"_s, kavEnumTypeInfo(TPenStyle{}).Names().join(u", "_s));
    script.AddEnum(u"TPenMode"_s, kavEnumTypeInfo(TPenMode{}).Names().join(u", "_s));
    script.AddEnum(u"TBrushStyle"_s, kavEnumTypeInfo(TBrushStyle{}).Names().join(u", "_s));
    // Colours are what a canvas is painted with; another module may have added them.
    for (const auto &[name, value] : kavColorIdents())
        if (!script.Find(name))
            script.AddConst(name, u"TColor"_s, value);
}

void TkyGraphicsRTTI::addCanvas()
{
    TkyScript &script = Script();
    const QString persistent = u"TPersistent"_s;
    for (const TkavClassInfo *info :
         {&TFont::StaticClassInfo(), &TkyPen::StaticClassInfo(), &TkyBrush::StaticClassInfo()})
        if (TkyClassVariable *cls = script.AddClass(*info, persistent))
            cls->AddConstructor(u"constructor Create"_s, &createObject);
    TkyClassVariable *canvas = script.AddClass(TkyCanvas::StaticClassInfo(), persistent);
    if (canvas) {
        canvas->AddConstructor(u"constructor Create"_s, &createObject);
        for (const char16_t *syntax :
             {u"procedure Draw(X, Y: Integer; Graphic: TGraphic)",
              u"procedure Ellipse(X1, Y1, X2, Y2: Integer)",
              u"procedure LineTo(X, Y: Integer)",
              u"procedure MoveTo(X, Y: Integer)",
              u"procedure Rectangle(X1, Y1, X2, Y2: Integer)",
              u"procedure RoundRect(X1, Y1, X2, Y2, X3, Y3: Integer)",
              u"procedure StretchDraw(X1, Y1, X2, Y2: Integer; Graphic: TGraphic)",
              u"function TextHeight(Text: String): Integer",
              u"procedure TextOut(X, Y: Integer; Text: String)",
              u"function TextWidth(Text: String): Integer"})
            canvas->AddMethod(QString::fromUtf16(syntax), &canvasMethod);
        canvas->AddIndexProperty(u"Pixels"_s, u"Integer, Integer"_s, u"TColor"_s, &canvasMethod);
    }
}

void TkyGraphicsRTTI::addGraphics()
{
    TkyScript &script = Script();
    if (TkyClassVariable *graphic
        = script.AddClass(TkyGraphic::StaticClassInfo(), u"TPersistent"_s)) {
        graphic->AddConstructor(u"constructor Create"_s, &createObject);
        addFileMethods<TkyGraphic>(*graphic);
    }
    if (TkyClassVariable *picture
        = script.AddClass(TkyPicture::StaticClassInfo(), u"TPersistent"_s)) {
        picture->AddConstructor(u"constructor Create"_s, &createObject);
        addFileMethods<TkyPicture>(*picture);
    }
    script.AddClass(TkyMetafile::StaticClassInfo(), u"TGraphic"_s);
    if (TkyClassVariable *metafileCanvas
        = script.AddClass(TkyMetafileCanvas::StaticClassInfo(), u"TCanvas"_s))
        metafileCanvas->AddConstructor(
            u"constructor Create(AMetafile: TMetafile; ReferenceDevice: Integer)"_s,
            &metafileCanvasCreate);
    script.AddClass(TkyBitmap::StaticClassInfo(), u"TGraphic"_s);
    script.AddClass(TkyJPEGImage::StaticClassInfo(), u"TGraphic"_s);
    script.AddClass(TkyPngImage::StaticClassInfo(), u"TGraphic"_s);
}

} // namespace

void kyRegisterGraphicsModule()
{
    static std::once_flag once;
    std::call_once(once, [] {
        kyRegisterRTTIModule(kyModuleGraphics, [](TkyScript &script) {
            return std::make_unique<TkyGraphicsRTTI>(script);
        });
    });
}
