#include "kavMetafile.h"

#include "kavViews_p.h"

#include <persist/kavUtils.h>
#include <rtl/kavCodePage.h>

#include <QFontMetricsF>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 placeableKey = 0x9AC6CDD7u;
constexpr quint32 emfSignature = 0x464D4520u;
constexpr qsizetype placeableHeaderSize = 22;
constexpr qsizetype wmfHeaderSize = 18;
constexpr qsizetype emfHeaderSize = 88;
constexpr int maxSavedStates = 1024;
// Font pixel sizes are whole numbers: text is laid out this many times larger and scaled
// back, so small logical font heights keep their precision.
constexpr double fontScale = 16;

// One record's bytes. Reads outside them give 0 and mark the record damaged.
class Record
{
public:
    explicit Record(QByteArrayView bytes)
        : FBytes(bytes)
    {}
    qsizetype size() const { return FBytes.size(); }
    bool damaged() const { return FDamaged; }
    quint16 u16(qsizetype at) { return has(at, 2) ? qFromLittleEndian<quint16>(p(at)) : 0; }
    qint16 i16(qsizetype at) { return qint16(u16(at)); }
    quint32 u32(qsizetype at) { return has(at, 4) ? qFromLittleEndian<quint32>(p(at)) : 0; }
    qint32 i32(qsizetype at) { return qint32(u32(at)); }
    float f32(qsizetype at)
    {
        const quint32 bits = u32(at);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return std::isfinite(value) ? value : 0.0f;
    }
    quint8 u8(qsizetype at) { return has(at, 1) ? quint8(FBytes[at]) : 0; }
    QByteArrayView bytes(qsizetype at, qsizetype n)
    {
        return has(at, n) ? FBytes.sliced(at, n) : QByteArrayView();
    }
    // count items of itemSize bytes from at fit in the record.
    bool holds(qsizetype at, qint64 count, int itemSize)
    {
        return count >= 0 && has(at, qsizetype(count * itemSize));
    }

private:
    bool has(qsizetype at, qsizetype n)
    {
        if (at >= 0 && n >= 0 && at <= FBytes.size() - n)
            return true;
        FDamaged = true;
        return false;
    }
    const char *p(qsizetype at) const { return FBytes.data() + at; }

    QByteArrayView FBytes;
    bool FDamaged = false;
};

QColor colorRef(quint32 c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

Qt::BrushStyle hatchStyle(quint32 hatch)
{
    static constexpr Qt::BrushStyle styles[] = {Qt::HorPattern,
                                                Qt::VerPattern,
                                                Qt::FDiagPattern,
                                                Qt::BDiagPattern,
                                                Qt::CrossPattern,
                                                Qt::DiagCrossPattern};
    return hatch < 6 ? styles[hatch] : Qt::SolidPattern;
}

// A pen from its style bits (line style, end cap, join), logical width and colour.
QPen makePen(quint32 style, double width, quint32 color)
{
    static constexpr Qt::PenStyle lines[] = {Qt::SolidLine,
                                             Qt::DashLine,
                                             Qt::DotLine,
                                             Qt::DashDotLine,
                                             Qt::DashDotDotLine,
                                             Qt::NoPen,
                                             Qt::SolidLine};
    const quint32 line = style & 0x0F;
    QPen pen(colorRef(color));
    pen.setStyle(line < 7 ? lines[line] : Qt::SolidLine);
    pen.setWidthF(width > 0 ? width : 0); // 0: one device pixel
    switch (style & 0x0F00) {
    case 0x0100:
        pen.setCapStyle(Qt::SquareCap);
        break;
    case 0x0200:
        pen.setCapStyle(Qt::FlatCap);
        break;
    default:
        pen.setCapStyle(Qt::RoundCap);
    }
    switch (style & 0xF000) {
    case 0x1000:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    case 0x2000:
        pen.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

QBrush makeBrush(quint32 style, quint32 color, quint32 hatch)
{
    switch (style) {
    case 1: // hollow
        return QBrush(Qt::NoBrush);
    case 2:
        return QBrush(colorRef(color), hatchStyle(hatch));
    default:
        return QBrush(colorRef(color));
    }
}

// A font as the records describe it; Height is in logical units (negative: the character
// height, positive: the cell height), Escapement in tenths of a degree.
struct LogFont
{
    QString Face = u"Arial"_s;
    double Height = 12;
    double Escapement = 0;
    int Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int Charset = 1;
};

struct GdiObject
{
    enum Type : int {
        NoObject,
        PenObject,
        BrushObject,
        FontObject,
        OtherObject
    };
    Type Kind = NoObject;
    QPen Pen;
    QBrush Brush;
    LogFont Font;
};

// Logical to device coordinates: window and viewport, the map mode and (enhanced
// metafiles) the world transform.
struct Mapping
{
    QPointF WinOrg;
    QSizeF WinExt{1, 1};
    QPointF VpOrg;
    QSizeF VpExt{1, 1};
    int MapMode = 1; // MM_TEXT
    QTransform World;
};

// The drawing state a SaveDC keeps.
struct State
{
    QPen Pen{QBrush(Qt::black), 0};
    QBrush Brush{Qt::white};
    LogFont Font;
    QColor TextColor{Qt::black};
    QColor BkColor{Qt::white};
    bool Opaque = true;
    quint32 TextAlign = 0;
    Qt::FillRule FillRule = Qt::OddEvenFill;
    Mapping Map;
    QPointF Position;
};

// A DIB (header and bits) as a picture.
QImage dibImage(QByteArrayView info, QByteArrayView bits)
{
    if (info.size() < 4 || bits.isEmpty())
        return QImage();
    QByteArray file("BM");
    const quint32 offset = qToLittleEndian(quint32(14 + info.size()));
    const quint32 fileSize = qToLittleEndian(quint32(14 + info.size() + bits.size()));
    file.append(reinterpret_cast<const char *>(&fileSize), 4);
    file.append(4, '\0');
    file.append(reinterpret_cast<const char *>(&offset), 4);
    file.append(info);
    file.append(bits);
    QImage image;
    kavViewsPrivate::decodeImage(file, "bmp", image);
    return image;
}

// The part of a DIB's rows a source rectangle names: its rows count from the bottom.
QRectF dibSource(const QImage &image, double x, double y, double w, double h)
{
    return QRectF(x, image.height() - y - h, w, h);
}

// Plays the records of one metafile. Walking (without a painter) checks their bounds,
// counts the kinds that are not drawn and decodes the bitmaps once, into images; playing
// draws, taking the bitmaps from images in the same order.
class Player
{
public:
    // With collect, bitmaps are decoded into it; otherwise they come from images.
    Player(QByteArrayView data,
           bool enhanced,
           const std::vector<QImage> &images,
           std::vector<QImage> *collect = nullptr)
        : FData(data)
        , FEnhanced(enhanced)
        , FCollect(collect)
        , FImages(images)
    {}

    void play(QPainter *painter, const QRectF &target)
    {
        FPainter = painter;
        FTarget = target;
        if (painter) {
            painter->save();
            FBase = painter->worldTransform();
            FBaseClip = painter->hasClipping() ? std::optional(painter->clipPath()) : std::nullopt;
            painter->setRenderHint(QPainter::Antialiasing);
        }
        FEnhanced ? playEnhanced() : playPlaceable();
        if (painter) {
            for (; FSaved > 0; --FSaved)
                painter->restore();
            painter->restore();
        }
    }

    QSizeF Size;
    int Records = 0;
    int Skipped = 0;
    QMap<quint32, int> SkippedKinds;
    bool Truncated = false;

private:
    // --- headers and record walks -------------------------------------------------

    void playPlaceable()
    {
        Record header(FData);
        const qint16 left = header.i16(6), top = header.i16(8);
        const qint16 right = header.i16(10), bottom = header.i16(12);
        const double inch = header.u16(14) ? header.u16(14) : 1440;
        FFrame = QRectF(QPointF(left, top), QPointF(right, bottom));
        Size = QSizeF(std::abs(right - left) * 96.0 / inch, std::abs(bottom - top) * 96.0 / inch);
        FObjects.resize(header.u16(placeableHeaderSize + 10));
        // The window (from the frame until the records set it) fills the target.
        FState.Map.WinOrg = FFrame.topLeft();
        FState.Map.WinExt = FFrame.size();
        qsizetype at = placeableHeaderSize + qsizetype(header.u16(placeableHeaderSize + 2)) * 2;
        while (at + 6 <= FData.size()) {
            const qint64 size = qint64(qFromLittleEndian<quint32>(FData.data() + at)) * 2;
            if (size < 6 || size > FData.size() - at) {
                Truncated = true;
                return;
            }
            Record r(FData.sliced(at, qsizetype(size)));
            const quint16 function = r.u16(4);
            if (function == 0) // the end record
                return;
            ++Records;
            wmfRecord(function, r);
            if (r.damaged()) {
                Truncated = true;
                return;
            }
            at += qsizetype(size);
        }
    }

    void playEnhanced()
    {
        Record header(FData);
        const QRectF frame(QPointF(header.i32(24), header.i32(28)),
                           QPointF(header.i32(32), header.i32(36)));
        const double devX = header.i32(72), devY = header.i32(76);
        const double mmX = header.i32(80), mmY = header.i32(84);
        // Device pixels per millimetre of the device the picture was made on.
        FDevPerMM = QSizeF(devX > 0 && mmX > 0 ? devX / mmX : 96 / 25.4,
                           devY > 0 && mmY > 0 ? devY / mmY : 96 / 25.4);
        FFrame = QRectF(frame.left() * FDevPerMM.width() / 100,
                        frame.top() * FDevPerMM.height() / 100,
                        frame.width() * FDevPerMM.width() / 100,
                        frame.height() * FDevPerMM.height() / 100);
        if (FFrame.width() <= 0 || FFrame.height() <= 0) // no frame: the bounds
            FFrame = QRectF(QPointF(header.i32(8), header.i32(12)),
                            QPointF(header.i32(16) + 1, header.i32(20) + 1));
        Size = QSizeF(std::abs(frame.width()) / 100 * 96 / 25.4,
                      std::abs(frame.height()) / 100 * 96 / 25.4);
        if (Size.isEmpty())
            Size = FFrame.size();
        FObjects.resize(header.u16(56));
        qsizetype at = 0;
        while (at + 8 <= FData.size()) {
            const quint32 type = qFromLittleEndian<quint32>(FData.data() + at);
            const quint32 size = qFromLittleEndian<quint32>(FData.data() + at + 4);
            if (size < 8 || size > quint64(FData.size() - at)) {
                Truncated = true;
                return;
            }
            Record r(FData.sliced(at, qsizetype(size)));
            if (type == 14) // EMR_EOF
                return;
            if (type != 1) {
                ++Records;
                emfRecord(type, r);
                if (r.damaged()) {
                    Truncated = true;
                    return;
                }
            }
            at += qsizetype(size);
        }
    }

    void skip(quint32 kind)
    {
        if (FPainter)
            return;
        ++Skipped;
        ++SkippedKinds[kind];
    }

    // --- placeable WMF records ----------------------------------------------------

    QPointF wmfPoint(Record &r, qsizetype at) { return QPointF(r.i16(at), r.i16(at + 2)); }
    // bottom, right, top, left: the order rectangles are stored in
    QRectF wmfRect(Record &r, qsizetype at)
    {
        return QRectF(QPointF(r.i16(at + 6), r.i16(at + 4)), QPointF(r.i16(at + 2), r.i16(at)));
    }

    QPolygonF wmfPoints(Record &r, qsizetype at, int count)
    {
        QPolygonF points;
        if (!r.holds(at, count, 4))
            return points;
        points.reserve(count);
        for (int i = 0; i < count; ++i)
            points.append(wmfPoint(r, at + 4 * qsizetype(i)));
        return points;
    }

    void wmfRecord(quint16 function, Record &r)
    {
        State &s = FState;
        switch (function) {
        case 0x001E: // SAVEDC
            saveState();
            break;
        case 0x0127: // RESTOREDC
            restoreState(r.i16(6));
            break;
        case 0x0102: // SETBKMODE
            s.Opaque = r.u16(6) == 2;
            break;
        case 0x0106: // SETPOLYFILLMODE
            s.FillRule = r.u16(6) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
            break;
        case 0x012E: // SETTEXTALIGN
            s.TextAlign = r.u16(6);
            break;
        case 0x0201: // SETBKCOLOR
            s.BkColor = colorRef(r.u32(6));
            break;
        case 0x0209: // SETTEXTCOLOR
            s.TextColor = colorRef(r.u32(6));
            break;
        case 0x020B: // SETWINDOWORG
            s.Map.WinOrg = QPointF(r.i16(8), r.i16(6));
            break;
        case 0x020C: // SETWINDOWEXT
            s.Map.WinExt = QSizeF(r.i16(8), r.i16(6));
            break;
        case 0x020F: // OFFSETWINDOWORG
            s.Map.WinOrg += QPointF(r.i16(8), r.i16(6));
            break;
        case 0x0410: // SCALEWINDOWEXT
            scaleExtent(s.Map.WinExt, r.i16(12), r.i16(10), r.i16(8), r.i16(6));
            break;
        case 0x02FA: // CREATEPENINDIRECT
            addObject(
                GdiObject{GdiObject::PenObject, makePen(r.u16(6), r.i16(8), r.u32(12)), {}, {}});
            break;
        case 0x02FC: // CREATEBRUSHINDIRECT
            addObject(GdiObject{
                GdiObject::BrushObject, {}, makeBrush(r.u16(6), r.u32(8), r.u16(12)), {}});
            break;
        case 0x02FB: // CREATEFONTINDIRECT
            addObject(wmfFont(r));
            break;
        case 0x0142: // DIBCREATEPATTERNBRUSH
            addObject(patternBrush(function, r.bytes(10, r.size() - 10), {}));
            break;
        case 0x00F7: // CREATEPALETTE
        case 0x06FF: // CREATEREGION
            addObject(GdiObject{GdiObject::OtherObject, {}, {}, {}});
            break;
        case 0x01F9: // CREATEPATTERNBRUSH (an old device bitmap)
            addObject(GdiObject{GdiObject::OtherObject, {}, {}, {}});
            skip(function);
            break;
        case 0x012D: // SELECTOBJECT
            selectObject(r.u16(6));
            break;
        case 0x01F0: // DELETEOBJECT
            setObject(r.u16(6), GdiObject{});
            break;
        case 0x0214: // MOVETO
            moveTo(QPointF(r.i16(8), r.i16(6)));
            break;
        case 0x0213: // LINETO
            lineTo(QPointF(r.i16(8), r.i16(6)));
            break;
        case 0x0325: // POLYLINE
            polyline(wmfPoints(r, 8, r.i16(6)));
            break;
        case 0x0324: // POLYGON
            polygons({wmfPoints(r, 8, r.i16(6))});
            break;
        case 0x0538: { // POLYPOLYGON
            const int count = r.u16(6);
            if (!r.holds(8, count, 2))
                break;
            std::vector<QPolygonF> list;
            qsizetype at = 8 + 2 * qsizetype(count);
            for (int i = 0; i < count && !r.damaged(); ++i) {
                const int n = r.u16(8 + 2 * qsizetype(i));
                list.push_back(wmfPoints(r, at, n));
                at += 4 * qsizetype(n);
            }
            polygons(list);
            break;
        }
        case 0x041B: // RECTANGLE
            rectangle(wmfRect(r, 6));
            break;
        case 0x0418: // ELLIPSE
            ellipse(wmfRect(r, 6));
            break;
        case 0x061C: // ROUNDRECT
            roundRect(wmfRect(r, 10), QSizeF(r.i16(8), r.i16(6)));
            break;
        case 0x0817: // ARC
        case 0x081A: // PIE
        case 0x0830: // CHORD
            arc(function == 0x0817   ? 0
                : function == 0x081A ? 1
                                     : 2,
                wmfRect(r, 14),
                QPointF(r.i16(12), r.i16(10)),
                QPointF(r.i16(8), r.i16(6)));
            break;
        case 0x0416: // INTERSECTCLIPRECT
            intersectClip(wmfRect(r, 6));
            break;
        case 0x0521: { // TEXTOUT
            const int count = r.u16(6);
            const qsizetype after = 8 + ((count + 1) & ~1);
            text(QPointF(r.i16(after + 2), r.i16(after)), ansiText(r.bytes(8, count)), 0, {});
            break;
        }
        case 0x0A32: { // EXTTEXTOUT
            const int count = r.u16(10);
            const quint16 options = r.u16(12);
            const bool hasRect = options & 0x0006;
            const QRectF box
                = hasRect ? QRectF(QPointF(r.i16(14), r.i16(16)), QPointF(r.i16(18), r.i16(20)))
                          : QRectF();
            text(QPointF(r.i16(8), r.i16(6)),
                 ansiText(r.bytes(hasRect ? 22 : 14, count)),
                 options,
                 box);
            break;
        }
        case 0x061D: // PATBLT
            patBlt(r.u32(6), QRectF(r.i16(16), r.i16(14), r.i16(12), r.i16(10)));
            break;
        case 0x0F43: // STRETCHDIB
            bitmap(function,
                   dibBytes(r, 28),
                   QRectF(r.i16(26), r.i16(24), r.i16(22), r.i16(20)),
                   QRectF(r.i16(18), r.i16(16), r.i16(14), r.i16(12)));
            break;
        case 0x0B41: // DIBSTRETCHBLT
            bitmap(function,
                   dibBytes(r, 26),
                   QRectF(r.i16(24), r.i16(22), r.i16(20), r.i16(18)),
                   QRectF(r.i16(16), r.i16(14), r.i16(12), r.i16(10)));
            break;
        case 0x0940: // DIBBITBLT
            bitmap(function,
                   dibBytes(r, 22),
                   QRectF(r.i16(20), r.i16(18), r.i16(16), r.i16(14)),
                   QRectF(r.i16(12), r.i16(10), r.i16(16), r.i16(14)));
            break;
        // State that does not change what is drawn here, and comments.
        case 0x0035: // REALIZEPALETTE
        case 0x0037: // SETPALENTRIES
        case 0x0103: // SETMAPMODE: a placeable picture maps its window onto the frame
        case 0x0104: // SETROP2
        case 0x0105: // SETRELABS
        case 0x0107: // SETSTRETCHBLTMODE
        case 0x0108: // SETTEXTCHAREXTRA
        case 0x0139: // RESIZEPALETTE
        case 0x020A: // SETTEXTJUSTIFICATION
        case 0x020D: // SETVIEWPORTORG
        case 0x020E: // SETVIEWPORTEXT
        case 0x0211: // OFFSETVIEWPORTORG
        case 0x0412: // SCALEVIEWPORTEXT
        case 0x0231: // SETMAPPERFLAGS
        case 0x0234: // SELECTPALETTE
        case 0x0436: // ANIMATEPALETTE
        case 0x0626: // ESCAPE
            break;
        default:
            skip(function);
        }
    }

    GdiObject wmfFont(Record &r)
    {
        GdiObject o{GdiObject::FontObject, {}, {}, {}};
        o.Font.Height = r.i16(6);
        o.Font.Escapement = r.i16(10);
        o.Font.Weight = r.i16(14);
        o.Font.Italic = r.u8(16);
        o.Font.Underline = r.u8(17);
        o.Font.StrikeOut = r.u8(18);
        o.Font.Charset = r.u8(19);
        QByteArrayView face = r.size() > 24 ? r.bytes(24, std::min<qsizetype>(32, r.size() - 24))
                                            : QByteArrayView();
        if (const auto *end
            = static_cast<const char *>(std::memchr(face.data(), 0, size_t(face.size()))))
            face = face.first(end - face.data());
        if (!face.isEmpty())
            o.Font.Face = kavCodePageToUnicode(face, kavCharsetCodePage(o.Font.Charset));
        return o;
    }

    QString ansiText(QByteArrayView bytes) const
    {
        return kavCodePageToUnicode(bytes, kavCharsetCodePage(FState.Font.Charset));
    }

    // The header and bits of a DIB that starts at at and fills the rest of the record.
    std::pair<QByteArrayView, QByteArrayView> dibBytes(Record &r, qsizetype at)
    {
        const QByteArrayView dib = r.size() > at ? r.bytes(at, r.size() - at) : QByteArrayView();
        if (dib.size() < 40)
            return {};
        const quint32 headerSize = qFromLittleEndian<quint32>(dib.data());
        const quint16 bitCount = qFromLittleEndian<quint16>(dib.data() + 14);
        quint32 colors = dib.size() >= 36 ? qFromLittleEndian<quint32>(dib.data() + 32) : 0;
        if (colors == 0 && bitCount <= 8)
            colors = 1u << bitCount;
        const quint32 compression = qFromLittleEndian<quint32>(dib.data() + 16);
        const qint64 masks = headerSize == 40 && compression == 3 ? 12 : 0; // BI_BITFIELDS
        const qint64 infoSize = qint64(headerSize) + masks + qint64(colors) * 4;
        if (headerSize < 12 || infoSize >= dib.size())
            return {};
        return {dib.first(qsizetype(infoSize)), dib.sliced(qsizetype(infoSize))};
    }

    // --- EMF records --------------------------------------------------------------

    QPointF emfPoint(Record &r, qsizetype at) { return QPointF(r.i32(at), r.i32(at + 4)); }
    QRectF emfRect(Record &r, qsizetype at)
    {
        return QRectF(QPointF(r.i32(at), r.i32(at + 4)), QPointF(r.i32(at + 8), r.i32(at + 12)));
    }

    QPolygonF emfPoints(Record &r, qsizetype at, qint64 count, bool small)
    {
        QPolygonF points;
        if (!r.holds(at, count, small ? 4 : 8))
            return points;
        points.reserve(qsizetype(count));
        for (qint64 i = 0; i < count; ++i)
            points.append(small ? QPointF(r.i16(at + 4 * i), r.i16(at + 4 * i + 2))
                                : emfPoint(r, at + 8 * i));
        return points;
    }

    std::vector<QPolygonF> emfPolyPoints(Record &r, bool small)
    {
        const quint32 count = r.u32(24);
        std::vector<QPolygonF> list;
        if (!r.holds(32, count, 4))
            return list;
        qsizetype at = 32 + 4 * qsizetype(count);
        for (quint32 i = 0; i < count && !r.damaged(); ++i) {
            const quint32 n = r.u32(32 + 4 * qsizetype(i));
            list.push_back(emfPoints(r, at, n, small));
            at += qsizetype(n) * (small ? 4 : 8);
        }
        return list;
    }

    void emfRecord(quint32 type, Record &r)
    {
        State &s = FState;
        switch (type) {
        case 2: // POLYBEZIER
        case 85:
            bezier(emfPoints(r, 28, r.u32(24), type == 85), false);
            break;
        case 5: // POLYBEZIERTO
        case 88:
            bezier(emfPoints(r, 28, r.u32(24), type == 88), true);
            break;
        case 3: // POLYGON
        case 86:
            polygons({emfPoints(r, 28, r.u32(24), type == 86)});
            break;
        case 4: // POLYLINE
        case 87:
            polyline(emfPoints(r, 28, r.u32(24), type == 87));
            break;
        case 6: // POLYLINETO
        case 89:
            for (const QPointF &p : emfPoints(r, 28, r.u32(24), type == 89))
                lineTo(p);
            break;
        case 7: // POLYPOLYLINE
        case 90:
            for (const QPolygonF &line : emfPolyPoints(r, type == 90))
                polyline(line);
            break;
        case 8: // POLYPOLYGON
        case 91:
            polygons(emfPolyPoints(r, type == 91));
            break;
        case 9: // SETWINDOWEXTEX
            s.Map.WinExt = QSizeF(r.i32(8), r.i32(12));
            break;
        case 10: // SETWINDOWORGEX
            s.Map.WinOrg = emfPoint(r, 8);
            break;
        case 11: // SETVIEWPORTEXTEX
            s.Map.VpExt = QSizeF(r.i32(8), r.i32(12));
            break;
        case 12: // SETVIEWPORTORGEX
            s.Map.VpOrg = emfPoint(r, 8);
            break;
        case 17: // SETMAPMODE
            s.Map.MapMode = int(r.u32(8));
            break;
        case 18: // SETBKMODE
            s.Opaque = r.u32(8) == 2;
            break;
        case 19: // SETPOLYFILLMODE
            s.FillRule = r.u32(8) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
            break;
        case 22: // SETTEXTALIGN
            s.TextAlign = r.u32(8);
            break;
        case 24: // SETTEXTCOLOR
            s.TextColor = colorRef(r.u32(8));
            break;
        case 25: // SETBKCOLOR
            s.BkColor = colorRef(r.u32(8));
            break;
        case 27: // MOVETOEX
            moveTo(emfPoint(r, 8));
            break;
        case 54: // LINETO
            lineTo(emfPoint(r, 8));
            break;
        case 30: // INTERSECTCLIPRECT
            intersectClip(emfRect(r, 8));
            break;
        case 31: // SCALEVIEWPORTEXTEX
            scaleExtent(s.Map.VpExt, r.i32(8), r.i32(12), r.i32(16), r.i32(20));
            break;
        case 32: // SCALEWINDOWEXTEX
            scaleExtent(s.Map.WinExt, r.i32(8), r.i32(12), r.i32(16), r.i32(20));
            break;
        case 33: // SAVEDC
            saveState();
            break;
        case 34: // RESTOREDC
            restoreState(r.i32(8));
            break;
        case 35: // SETWORLDTRANSFORM
            s.Map.World = emfTransform(r, 8);
            break;
        case 36: // MODIFYWORLDTRANSFORM
            switch (r.u32(32)) {
            case 1:
                s.Map.World = QTransform();
                break;
            case 2:
                s.Map.World = emfTransform(r, 8) * s.Map.World;
                break;
            case 3:
                s.Map.World = s.Map.World * emfTransform(r, 8);
                break;
            case 4:
                s.Map.World = emfTransform(r, 8);
                break;
            }
            break;
        case 37: // SELECTOBJECT
            selectObject(r.u32(8));
            break;
        case 38: // CREATEPEN
            setObject(
                r.u32(8),
                GdiObject{GdiObject::PenObject, makePen(r.u32(12), r.i32(16), r.u32(24)), {}, {}});
            break;
        case 39: // CREATEBRUSHINDIRECT
            setObject(
                r.u32(8),
                GdiObject{
                    GdiObject::BrushObject, {}, makeBrush(r.u32(12), r.u32(16), r.u32(20)), {}});
            break;
        case 95: { // EXTCREATEPEN
            const quint32 brushStyle = r.u32(36);
            QPen pen = makePen(r.u32(28), r.u32(28) & 0x10000 ? r.u32(32) : 0, r.u32(40));
            if (brushStyle == 1)
                pen.setStyle(Qt::NoPen);
            setObject(r.u32(8), GdiObject{GdiObject::PenObject, pen, {}, {}});
            break;
        }
        case 82: // EXTCREATEFONTINDIRECTW
            setObject(r.u32(8), emfFont(r));
            break;
        case 94: // CREATEDIBPATTERNBRUSHPT
            setObject(
                r.u32(8),
                patternBrush(type, r.bytes(r.u32(16), r.u32(20)), r.bytes(r.u32(24), r.u32(28))));
            break;
        case 93: // CREATEMONOBRUSH
            setObject(r.u32(8), GdiObject{GdiObject::OtherObject, {}, {}, {}});
            skip(type);
            break;
        case 49: // CREATEPALETTE
        case 99: // CREATECOLORSPACE
            setObject(r.u32(8), GdiObject{GdiObject::OtherObject, {}, {}, {}});
            break;
        case 40: // DELETEOBJECT
            setObject(r.u32(8), GdiObject{});
            break;
        case 42: // ELLIPSE
            ellipse(emfRect(r, 8));
            break;
        case 43: // RECTANGLE
            rectangle(emfRect(r, 8));
            break;
        case 44: // ROUNDRECT
            roundRect(emfRect(r, 8), QSizeF(r.i32(24), r.i32(28)));
            break;
        case 45: // ARC
        case 46: // CHORD
        case 47: // PIE
            arc(type == 45   ? 0
                : type == 47 ? 1
                             : 2,
                emfRect(r, 8),
                emfPoint(r, 24),
                emfPoint(r, 32));
            break;
        case 59: // BEGINPATH
            FPath.emplace();
            FPathOpen = true;
            break;
        case 60: // ENDPATH
            FPathOpen = false;
            break;
        case 61: // CLOSEFIGURE
            if (FPath && FPathOpen)
                FPath->closeSubpath();
            break;
        case 68: // ABORTPATH
            FPath.reset();
            FPathOpen = false;
            break;
        case 62: // FILLPATH
        case 63: // STROKEANDFILLPATH
        case 64: // STROKEPATH
            if (FPath) {
                FPath->setFillRule(s.FillRule);
                const QPainterPath path = *FPath;
                FPath.reset();
                FPathOpen = false;
                draw(path, type != 64, type != 62);
            }
            break;
        case 67: // SELECTCLIPPATH
            if (FPath) {
                if (FPainter) {
                    if (r.u32(8) == 5) // RGN_COPY: the path alone, within the picture's clip
                        resetClip();
                    FPainter->setWorldTransform(toTarget() * FBase);
                    FPainter->setClipPath(*FPath, Qt::IntersectClip);
                }
                FPath.reset();
            }
            break;
        case 75: // EXTSELECTCLIPRGN: only "no region" (no clipping) is understood
            if (r.u32(8) == 0 && r.u32(12) == 5) {
                if (FPainter)
                    resetClip();
            } else {
                skip(type);
            }
            break;
        case 83:   // EXTTEXTOUTA
        case 84: { // EXTTEXTOUTW
            const quint32 count = r.u32(44);
            const quint32 offset = r.u32(48);
            const QByteArrayView bytes = r.bytes(offset, qsizetype(count) * (type == 84 ? 2 : 1));
            QString string;
            if (type == 84) {
                string.resize(qsizetype(bytes.size() / 2));
                for (qsizetype i = 0; i < string.size(); ++i)
                    string[i] = QChar(qFromLittleEndian<quint16>(bytes.data() + 2 * i));
            } else {
                string = ansiText(bytes);
            }
            text(emfPoint(r, 36), string, r.u32(52), emfRect(r, 56));
            break;
        }
        case 76:   // BITBLT
        case 77: { // STRETCHBLT
            const QRectF dest(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
            if (r.u32(88) == 0) { // no source: a fill with the brush
                patBlt(r.u32(40), dest);
                break;
            }
            const QSizeF source = type == 77 ? QSizeF(r.i32(100), r.i32(104)) : dest.size();
            bitmap(type,
                   {r.bytes(r.u32(84), r.u32(88)), r.bytes(r.u32(92), r.u32(96))},
                   dest,
                   QRectF(QPointF(r.i32(44), r.i32(48)), source));
            break;
        }
        case 81: // STRETCHDIBITS
            bitmap(type,
                   {r.bytes(r.u32(48), r.u32(52)), r.bytes(r.u32(56), r.u32(60))},
                   QRectF(r.i32(24), r.i32(28), r.i32(72), r.i32(76)),
                   QRectF(r.i32(32), r.i32(36), r.i32(40), r.i32(44)));
            break;
        // State that does not change what is drawn here, and comments.
        case 13:  // SETBRUSHORGEX
        case 16:  // SETMAPPERFLAGS
        case 20:  // SETROP2
        case 21:  // SETSTRETCHBLTMODE
        case 23:  // SETCOLORADJUSTMENT
        case 28:  // SETMETARGN
        case 48:  // SELECTPALETTE
        case 50:  // SETPALETTEENTRIES
        case 51:  // RESIZEPALETTE
        case 52:  // REALIZEPALETTE
        case 57:  // SETARCDIRECTION
        case 58:  // SETMITERLIMIT
        case 65:  // FLATTENPATH
        case 66:  // WIDENPATH
        case 70:  // GDICOMMENT
        case 98:  // SETICMMODE
        case 100: // SETCOLORSPACE
        case 101: // DELETECOLORSPACE
        case 115: // SETLAYOUT
            break;
        default:
            skip(type);
        }
    }

    QTransform emfTransform(Record &r, qsizetype at)
    {
        return QTransform(r.f32(at),
                          r.f32(at + 4),
                          r.f32(at + 8),
                          r.f32(at + 12),
                          r.f32(at + 16),
                          r.f32(at + 20));
    }

    GdiObject emfFont(Record &r)
    {
        GdiObject o{GdiObject::FontObject, {}, {}, {}};
        o.Font.Height = r.i32(12);
        o.Font.Escapement = r.i32(20);
        o.Font.Weight = r.i32(28);
        o.Font.Italic = r.u8(32);
        o.Font.Underline = r.u8(33);
        o.Font.StrikeOut = r.u8(34);
        o.Font.Charset = r.u8(35);
        QString face;
        for (qsizetype i = 0; i < 32; ++i) {
            const quint16 c = r.u16(40 + 2 * i);
            if (c == 0)
                break;
            face += QChar(c);
        }
        if (!face.isEmpty())
            o.Font.Face = face;
        return o;
    }

    // --- objects and state --------------------------------------------------------

    // WMF: a new object takes the lowest free slot.
    void addObject(GdiObject object)
    {
        for (GdiObject &slot : FObjects) {
            if (slot.Kind == GdiObject::NoObject) {
                slot = std::move(object);
                return;
            }
        }
    }

    void setObject(quint32 index, GdiObject object)
    {
        if (index < FObjects.size())
            FObjects[index] = std::move(object);
    }

    void selectObject(quint32 index)
    {
        if (index & 0x80000000u) { // EMF stock objects
            selectStock(index & 0x7FFFFFFFu);
            return;
        }
        if (index >= FObjects.size())
            return;
        const GdiObject &o = FObjects[index];
        switch (o.Kind) {
        case GdiObject::PenObject:
            FState.Pen = o.Pen;
            break;
        case GdiObject::BrushObject:
            FState.Brush = o.Brush;
            break;
        case GdiObject::FontObject:
            FState.Font = o.Font;
            break;
        case GdiObject::NoObject:
        case GdiObject::OtherObject:
            break;
        }
    }

    void selectStock(quint32 n)
    {
        static const QColor grays[] = {
            Qt::white, QColor(192, 192, 192), QColor(128, 128, 128), QColor(64, 64, 64), Qt::black};
        if (n <= 4)
            FState.Brush = QBrush(grays[n]);
        else if (n == 5)
            FState.Brush = QBrush(Qt::NoBrush);
        else if (n == 6 || n == 7)
            FState.Pen = QPen(QBrush(n == 6 ? Qt::white : Qt::black), 0);
        else if (n == 8)
            FState.Pen = QPen(Qt::NoPen);
        else if (n >= 10 && n <= 17 && n != 15)
            FState.Font = LogFont();
    }

    GdiObject patternBrush(quint32 kind, QByteArrayView info, QByteArrayView bits)
    {
        if (bits.isEmpty()) { // WMF: one DIB, header then bits
            Record r(info);
            const auto dib = dibBytes(r, 0);
            info = dib.first;
            bits = dib.second;
        }
        const QImage image = takeImage(info, bits);
        if (image.isNull()) {
            skip(kind);
            return GdiObject{GdiObject::BrushObject, {}, QBrush(Qt::gray), {}};
        }
        return GdiObject{GdiObject::BrushObject, {}, QBrush(image), {}};
    }

    void saveState()
    {
        if (FStack.size() >= maxSavedStates)
            return;
        FStack.push_back(FState);
        if (FPainter) {
            FPainter->save();
            ++FSaved;
        }
    }

    // index < 0: that many states back; > 0: the state saved as number index.
    void restoreState(qint32 index)
    {
        qsizetype target = index < 0 ? qsizetype(FStack.size()) + index : index - 1;
        if (target < 0 || target >= qsizetype(FStack.size()))
            return;
        FState = FStack[size_t(target)];
        while (qsizetype(FStack.size()) > target) {
            FStack.pop_back();
            if (FPainter && FSaved > 0) {
                FPainter->restore();
                --FSaved;
            }
        }
    }

    void scaleExtent(QSizeF &extent, double xNum, double xDenom, double yNum, double yDenom)
    {
        if (xDenom != 0 && yDenom != 0)
            extent = QSizeF(extent.width() * xNum / xDenom, extent.height() * yNum / yDenom);
    }

    // --- coordinates --------------------------------------------------------------

    // Logical coordinates to the painter's (before its own transform).
    QTransform toTarget() const
    {
        const Mapping &m = FState.Map;
        QTransform toDevice;
        QRectF frame = FFrame;
        if (!FEnhanced)
            frame = QRectF(m.WinOrg, m.WinExt); // a placeable picture's window fills the target
        else
            toDevice = m.World * pageToDevice();
        if (frame.width() == 0 || frame.height() == 0)
            return toDevice;
        QTransform fit;
        fit.translate(FTarget.left(), FTarget.top());
        fit.scale(FTarget.width() / frame.width(), FTarget.height() / frame.height());
        fit.translate(-frame.left(), -frame.top());
        return toDevice * fit;
    }

    // EMF page space to the device space the frame is given in.
    QTransform pageToDevice() const
    {
        const Mapping &m = FState.Map;
        double sx = 1, sy = 1;
        switch (m.MapMode) {
        case 7: // ISOTROPIC
        case 8: // ANISOTROPIC
            if (m.WinExt.width() != 0 && m.WinExt.height() != 0) {
                sx = m.VpExt.width() / m.WinExt.width();
                sy = m.VpExt.height() / m.WinExt.height();
            }
            break;
        case 2:   // LOMETRIC, 0.1 mm
        case 3:   // HIMETRIC, 0.01 mm
        case 4:   // LOENGLISH, 0.01 inch
        case 5:   // HIENGLISH, 0.001 inch
        case 6: { // TWIPS
            static constexpr double mm[] = {0.1, 0.01, 0.254, 0.0254, 25.4 / 1440};
            sx = mm[m.MapMode - 2] * FDevPerMM.width();
            sy = -mm[m.MapMode - 2] * FDevPerMM.height();
            break;
        }
        default: // TEXT
            break;
        }
        QTransform t;
        t.translate(m.VpOrg.x(), m.VpOrg.y());
        t.scale(sx, sy);
        t.translate(-m.WinOrg.x(), -m.WinOrg.y());
        return t;
    }

    // --- drawing ------------------------------------------------------------------

    // Sets the painter up for a shape in logical coordinates.
    void useTools(bool fill, bool stroke)
    {
        FPainter->setWorldTransform(toTarget() * FBase);
        FPainter->setPen(stroke ? FState.Pen : QPen(Qt::NoPen));
        FPainter->setBrush(fill ? FState.Brush : QBrush(Qt::NoBrush));
        FPainter->setBackgroundMode(FState.Opaque ? Qt::OpaqueMode : Qt::TransparentMode);
        FPainter->setBackground(FState.BkColor);
    }

    void draw(const QPainterPath &path, bool fill, bool stroke)
    {
        if (FPath && FPathOpen) {
            FPath->addPath(path);
            return;
        }
        if (!FPainter)
            return;
        useTools(fill, stroke);
        FPainter->drawPath(path);
    }

    void moveTo(QPointF p)
    {
        FState.Position = p;
        if (FPath && FPathOpen)
            FPath->moveTo(p);
    }

    void lineTo(QPointF p)
    {
        if (FPath && FPathOpen) {
            if (FPath->elementCount() == 0)
                FPath->moveTo(FState.Position);
            FPath->lineTo(p);
        } else if (FPainter) {
            useTools(false, true);
            FPainter->drawLine(FState.Position, p);
        }
        FState.Position = p;
    }

    void polyline(const QPolygonF &points)
    {
        if (points.size() < 2)
            return;
        QPainterPath path;
        path.addPolygon(points);
        draw(path, false, true);
    }

    void polygons(const std::vector<QPolygonF> &list)
    {
        QPainterPath path;
        path.setFillRule(FState.FillRule);
        for (const QPolygonF &points : list) {
            if (points.size() < 2)
                continue;
            path.addPolygon(points);
            path.closeSubpath();
        }
        draw(path, true, true);
    }

    void bezier(const QPolygonF &points, bool fromCurrent)
    {
        QPolygonF all = points;
        if (fromCurrent)
            all.prepend(FState.Position);
        if (all.size() < 4)
            return;
        QPainterPath path(all[0]);
        for (qsizetype i = 1; i + 2 < all.size(); i += 3)
            path.cubicTo(all[i], all[i + 1], all[i + 2]);
        if (fromCurrent)
            FState.Position = all.last();
        if (FPath && FPathOpen) {
            if (FPath->elementCount() == 0 || !fromCurrent)
                FPath->moveTo(all[0]);
            for (qsizetype i = 1; i + 2 < all.size(); i += 3)
                FPath->cubicTo(all[i], all[i + 1], all[i + 2]);
            return;
        }
        draw(path, false, true);
    }

    void rectangle(const QRectF &box)
    {
        QPainterPath path;
        path.addRect(box.normalized());
        draw(path, true, true);
    }

    void ellipse(const QRectF &box)
    {
        QPainterPath path;
        path.addEllipse(box.normalized());
        draw(path, true, true);
    }

    void roundRect(const QRectF &box, QSizeF corner)
    {
        QPainterPath path;
        path.addRoundedRect(
            box.normalized(), std::abs(corner.width()) / 2, std::abs(corner.height()) / 2);
        draw(path, true, true);
    }

    // kind 0: an arc, 1: a pie, 2: a chord; from the start radial to the end radial,
    // counter-clockwise on the page.
    void arc(int kind, const QRectF &rect, QPointF start, QPointF end)
    {
        const QRectF box = rect.normalized();
        if (box.isEmpty())
            return;
        const QPointF c = box.center();
        const auto angle = [&](QPointF p) {
            return std::atan2(-(p.y() - c.y()) / box.height(), (p.x() - c.x()) / box.width()) * 180
                   / std::numbers::pi;
        };
        const double from = angle(start);
        double sweep = angle(end) - from;
        if (sweep <= 0)
            sweep += 360;
        QPainterPath path;
        if (kind == 1)
            path.moveTo(c);
        else
            path.arcMoveTo(box, from);
        path.arcTo(box, from, sweep);
        if (kind != 0)
            path.closeSubpath();
        draw(path, kind != 0, true);
    }

    // Back to the clipping the caller drew the picture with.
    void resetClip()
    {
        FPainter->setWorldTransform(FBase);
        if (FBaseClip)
            FPainter->setClipPath(*FBaseClip);
        else
            FPainter->setClipping(false);
    }

    void intersectClip(const QRectF &box)
    {
        if (!FPainter)
            return;
        FPainter->setWorldTransform(toTarget() * FBase);
        FPainter->setClipRect(box.normalized(), Qt::IntersectClip);
    }

    // A rectangle filled as the raster operation says: with the brush, black or white.
    void patBlt(quint32 rop, const QRectF &box)
    {
        if (!FPainter)
            return;
        useTools(true, false);
        if (rop == 0x00000042)
            FPainter->setBrush(Qt::black);
        else if (rop == 0x00FF0062)
            FPainter->setBrush(Qt::white);
        FPainter->drawRect(box.normalized());
    }

    // The next bitmap: decoded and kept while walking, taken back in order when playing.
    QImage takeImage(QByteArrayView info, QByteArrayView bits)
    {
        if (FCollect) {
            FCollect->push_back(dibImage(info, bits));
            return FCollect->back();
        }
        return FNextImage < FImages.size() ? FImages[FNextImage++] : QImage();
    }

    void bitmap(quint32 kind,
                std::pair<QByteArrayView, QByteArrayView> dib,
                const QRectF &dest,
                const QRectF &source)
    {
        const QImage image = takeImage(dib.first, dib.second);
        if (image.isNull()) {
            skip(kind);
            return;
        }
        if (!FPainter)
            return;
        FPainter->setWorldTransform(toTarget() * FBase);
        FPainter->drawImage(
            dest, image, dibSource(image, source.x(), source.y(), source.width(), source.height()));
    }

    // Text at ref (logical) with the current font, colours and alignment; options of an
    // extended text output (2: box filled with the background colour).
    void text(QPointF ref, const QString &string, quint32 options, const QRectF &box)
    {
        const bool updateCP = FState.TextAlign & 1;
        if (updateCP)
            ref = FState.Position;
        if (!FPainter || string.isEmpty())
            return;
        const QTransform t = toTarget();
        const double sx = std::hypot(t.m11(), t.m12());
        const double sy = std::hypot(t.m21(), t.m22());
        if ((options & 2) && !box.isEmpty()) {
            useTools(false, false);
            FPainter->fillRect(box.normalized(), FState.BkColor);
        }
        const LogFont &lf = FState.Font;
        QFont font(lf.Face);
        font.setWeight(QFont::Weight(std::clamp(lf.Weight > 0 ? lf.Weight : 400, 100, 900)));
        font.setItalic(lf.Italic);
        font.setUnderline(lf.Underline);
        font.setStrikeOut(lf.StrikeOut);
        const double height = lf.Height != 0 ? std::abs(lf.Height) : 12;
        font.setPixelSize(std::max(1, int(std::lround(height * fontScale))));
        if (lf.Height > 0) { // a cell height: the character height is a little less
            const double cell = QFontMetricsF(font).height();
            if (cell > 0)
                font.setPixelSize(
                    std::max(1, int(std::lround(height * fontScale * height * fontScale / cell))));
        }
        const QFontMetricsF metrics(font);
        const double width = metrics.horizontalAdvance(string);
        double x = 0;
        if ((FState.TextAlign & 6) == 6)
            x = -width / 2;
        else if (FState.TextAlign & 2)
            x = -width;
        double y = metrics.ascent();
        if ((FState.TextAlign & 24) == 24)
            y = 0;
        else if (FState.TextAlign & 8)
            y = -metrics.descent();
        QTransform place;
        const QPointF at = t.map(ref);
        place.translate(at.x(), at.y());
        place.rotate(-lf.Escapement / 10);
        place.scale(sx / fontScale, sy / fontScale);
        FPainter->setWorldTransform(place * FBase);
        FPainter->setFont(font);
        if (FState.Opaque)
            FPainter->fillRect(QRectF(x, y - metrics.ascent(), width, metrics.height()),
                               FState.BkColor);
        FPainter->setPen(FState.TextColor);
        FPainter->drawText(QPointF(x, y), string);
        if (updateCP)
            FState.Position.rx() += width / fontScale; // font pixels to logical units
    }

    QByteArrayView FData;
    bool FEnhanced;
    std::vector<QImage> *FCollect = nullptr; // walking: where decoded bitmaps go
    const std::vector<QImage> &FImages;      // playing: the bitmaps, in record order
    size_t FNextImage = 0;
    QPainter *FPainter = nullptr;
    QRectF FTarget;
    QTransform FBase;
    std::optional<QPainterPath> FBaseClip; // the caller's clipping, in FBase's coordinates
    QRectF FFrame; // the picture's frame: logical units (WMF) or device pixels (EMF)
    QSizeF FDevPerMM{96 / 25.4, 96 / 25.4};
    State FState;
    std::vector<State> FStack;
    int FSaved = 0; // painter saves made by SaveDC
    std::vector<GdiObject> FObjects;
    std::optional<QPainterPath> FPath;
    bool FPathOpen = false;
};

} // namespace

bool TkavMetafile::Load(QByteArrayView data)
{
    *this = TkavMetafile();
    const bool placeable
        = data.size() >= 4 && qFromLittleEndian<quint32>(data.data()) == placeableKey;
    FEnhanced = !placeable;
    FUnreadable = true;
    if (placeable ? data.size() < placeableHeaderSize + wmfHeaderSize
                  : data.size() < emfHeaderSize || qFromLittleEndian<quint32>(data.data()) != 1
                        || qFromLittleEndian<quint32>(data.data() + 40) != emfSignature)
        return false;
    FData = data.toByteArray();
    Player walk(FData, FEnhanced, FImages, &FImages);
    walk.play(nullptr, QRectF());
    if (walk.Size.width() <= 0 || walk.Size.height() <= 0) {
        FData.clear();
        FImages.clear();
        return false;
    }
    FUnreadable = false;
    FSize = walk.Size;
    FRecords = walk.Records;
    FSkipped = walk.Skipped;
    FTruncated = walk.Truncated;
    QStringList kinds;
    for (auto it = walk.SkippedKinds.cbegin(); it != walk.SkippedKinds.cend(); ++it)
        kinds.append(u"%1 (%2)"_s
                         .arg(FEnhanced ? QString::number(it.key())
                                        : u"0x%1"_s.arg(it.key(), 4, 16, QChar(u'0')))
                         .arg(it.value()));
    FSkippedKinds = kinds.join(u", "_s);
    return true;
}

void TkavMetafile::Play(QPainter &painter, const QRectF &target) const
{
    if (FData.isEmpty())
        return;
    Player(FData, FEnhanced, FImages).play(&painter, target);
}

QString TkavMetafile::NotDrawn() const
{
    const QString kind = FEnhanced ? u"enhanced metafile"_s : u"metafile"_s;
    if (FUnreadable)
        return u"the %1 is damaged and cannot be drawn"_s.arg(kind);
    QString text;
    if (FSkipped > 0)
        text = u"%1 of the %2 records of the %3 cannot be drawn (record kinds: %4)"_s.arg(FSkipped)
                   .arg(FRecords)
                   .arg(kind, FSkippedKinds);
    if (FTruncated)
        text += (text.isEmpty() ? QString() : u"; "_s)
                + u"the %1 is damaged and is drawn only up to the damage"_s.arg(kind);
    return text;
}
