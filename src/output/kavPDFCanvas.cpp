#include "kavPDFCanvas.h"
#include "kavPDFWriter.h"
#include "kavTrueType.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>

#include <charconv>
#include <cmath>

namespace {

// How far (thousandths of the font size) a glyph may sit from where its predecessor's
// advance puts it before the text gets a correction: three hundredths of a point at 10
// points, far below what a viewer shows.
constexpr long long maxDrift = 3;
// Pictures repeated over an area beyond this many copies are cut off.
constexpr int maxTiles = 10000;


void appendPoint(QByteArray &out, QPointF p)
{
    kavPDFAppendNumber(out, p.x());
    out += ' ';
    kavPDFAppendNumber(out, p.y());
}

void appendMatrix(QByteArray &out, const QTransform &m)
{
    for (const double v : {m.m11(), m.m12(), m.m21(), m.m22()}) {
        kavPDFAppendNumber(out, v, 4);
        out += ' ';
    }
    appendPoint(out, {m.dx(), m.dy()});
}

// Appends the path's segments (device coordinates); closed subpaths end with "h".
void appendPath(QByteArray &out, const QPainterPath &path)
{
    QPointF start;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            start = e;
            appendPoint(out, e);
            out += " m\n";
            break;
        case QPainterPath::LineToElement:
            appendPoint(out, e);
            out += " l\n";
            break;
        case QPainterPath::CurveToElement:
            if (i + 2 >= path.elementCount())
                return;
            appendPoint(out, e);
            out += ' ';
            appendPoint(out, path.elementAt(i + 1));
            out += ' ';
            appendPoint(out, path.elementAt(i + 2));
            out += " c\n";
            i += 2;
            break;
        case QPainterPath::CurveToDataElement:
            break;
        }
        const bool subpathEnds = i + 1 == path.elementCount()
                                 || path.elementAt(i + 1).type == QPainterPath::MoveToElement;
        if (subpathEnds && e.type != QPainterPath::MoveToElement && QPointF(path.elementAt(i)) == start)
            out += "h\n";
    }
}

int rgbKey(const QColor &c)
{
    return int(c.rgb() & 0xffffff);
}

} // namespace

// Turns QPainter's calls into PDF operators. The page's content is one "q" level below the
// base transform; a change of clipping restores that level and sets the new clip, so
// colours and line settings are written again only after such a change.
class TkavPDFEngine : public QPaintEngine
{
public:
    TkavPDFEngine(TkavPDFWriter &Writer, QSizeF Size, int Resolution)
        : QPaintEngine(PrimitiveTransform | PixmapTransform | PainterPaths | AlphaBlend
                       | Antialiasing | ConstantOpacity)
        , writer(Writer)
    {
        const double scale = 72.0 / Resolution;
        appendMatrix(out, QTransform(scale, 0, 0, -scale, 0, Size.height()));
        out += " cm\nq\n";
    }

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::Pdf; }

    QByteArray take()
    {
        QByteArray content = std::move(out);
        content += "Q\n";
        out.clear();
        return content;
    }

    void updateState(const QPaintEngineState &changed) override
    {
        const DirtyFlags flags = changed.state();
        if (flags & DirtyClipEnabled)
            clipEnabled = changed.isClipEnabled();
        // A clip comes in the coordinates of the painter's matrix of the moment, which the
        // painter may not have marked as changed yet.
        if (flags & DirtyClipPath)
            updateClip(changed.transform().map(changed.clipPath()), changed.clipOperation());
        if (flags & DirtyClipRegion) {
            const QRegion region = changed.clipRegion();
            QPainterPath path;
            if (region.rectCount() == 1)
                path.addRect(region.boundingRect());
            else
                path.addRegion(region);
            updateClip(changed.transform().map(path), changed.clipOperation());
        }
    }

    void drawPath(const QPainterPath &path) override
    {
        sync();
        paint(matrix.map(path), filling(), path.fillRule());
    }

    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        sync();
        if (count < 2)
            return;
        QPainterPath path;
        path.moveTo(points[0]);
        for (int i = 1; i < count; ++i)
            path.lineTo(points[i]);
        if (mode != PolylineMode)
            path.closeSubpath();
        paint(matrix.map(path), mode != PolylineMode && filling(),
              mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
    }

    void drawRects(const QRectF *rects, int count) override
    {
        sync();
        if (matrix.type() > QTransform::TxScale) {
            for (int i = 0; i < count; ++i) {
                QPainterPath path;
                path.addRect(rects[i]);
                drawPath(path);
            }
            return;
        }
        const bool fill = filling();
        if (!prepare(fill))
            return;
        for (int i = 0; i < count; ++i)
            appendRect(matrix.mapRect(rects[i]));
        finish(fill, Qt::WindingFill);
    }

    void drawLines(const QLineF *lines, int count) override
    {
        sync();
        if (!prepare(false))
            return;
        for (int i = 0; i < count; ++i) {
            appendPoint(out, matrix.map(lines[i].p1()));
            out += " m ";
            appendPoint(out, matrix.map(lines[i].p2()));
            out += " l\n";
        }
        finish(false, Qt::WindingFill);
    }

    void drawPixmap(const QRectF &r, const QPixmap &pixmap, const QRectF &source) override
    {
        drawPicture(r, pixmap.toImage(), source, pixmap.cacheKey());
    }

    void drawImage(const QRectF &r, const QImage &image, const QRectF &source,
                   Qt::ImageConversionFlags) override
    {
        drawPicture(r, image, source, image.cacheKey());
    }

    void drawTiledPixmap(const QRectF &r, const QPixmap &pixmap, const QPointF &offset) override
    {
        if (pixmap.isNull())
            return;
        const QImage image = pixmap.toImage();
        const QSizeF tile = pixmap.deviceIndependentSize();
        int drawn = 0;
        for (double y = r.top() - offset.y(); y < r.bottom() && drawn < maxTiles; y += tile.height())
            for (double x = r.left() - offset.x(); x < r.right() && drawn < maxTiles; x += tile.width(), ++drawn) {
                const QRectF target = QRectF(QPointF(x, y), tile).intersected(r);
                const QRectF source(target.topLeft() - QPointF(x, y), target.size());
                drawPicture(target, image, source, pixmap.cacheKey());
            }
    }

    // Text that did not come as glyphs with their characters (Qt's own text drawing).
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        const QString text = item.text();
        const QRawFont raw = QRawFont::fromFont(item.font());
        if (text.isEmpty() || !raw.isValid())
            return;
        QList<quint32> glyphs;
        QList<QStringView> chars;
        for (qsizetype i = 0; i < text.size();) {
            const qsizetype units = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            quint32 glyph = 0;
            int found = 1;
            if (raw.glyphIndexesForChars(text.constData() + i, int(units), &glyph, &found) && found == 1) {
                glyphs.append(glyph);
                chars.append(QStringView(text).mid(i, units));
            }
            i += units;
        }
        // The advances of all glyphs at once, each glyph placed after the ones before it.
        const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
        QList<QPointF> positions;
        QPointF at = p;
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            positions.append(at);
            at.rx() += advances.value(i).x();
        }
        DrawGlyphs(raw, glyphs, positions, chars, item.font().underline(), item.font().strikeOut());
    }

    void DrawGlyphs(const QRawFont &raw, const QList<quint32> &glyphs, const QList<QPointF> &positions,
                    const QList<QStringView> &chars, bool underline, bool strikeOut)
    {
        sync();
        if (glyphs.isEmpty() || glyphs.size() != positions.size())
            return;
        TkavPDFWriter::Font &font = writer.FontOf(raw);
        const TkavTrueTypeFont &face = *font.Face;
        if (face.IsValid() && !underline && !strikeOut) {
            const QRectF ink = inkOf(face, raw.pixelSize(), glyphs, positions);
            emitClip(&ink);
        } else {
            emitClip();
        }
        const QColor color = pen.color();
        setFill(color);
        setAlpha(alphaOf(color), strokeAlpha);
        if (!face.IsValid()) {
            QPainterPath outlines;
            for (qsizetype i = 0; i < glyphs.size(); ++i)
                outlines.addPath(raw.pathForGlyph(glyphs[i]).translated(positions[i]));
            appendPath(out, matrix.map(outlines));
            out += "f\n";
        } else {
            writeText(font, raw.pixelSize(), glyphs, positions, chars);
        }
        if (underline || strikeOut) {
            const QPainterPath lines = kavGlyphDecorations(raw, glyphs, positions, underline, strikeOut);
            appendPath(out, matrix.map(lines));
            out += "f\n";
        }
    }

private:
    // Where the glyphs' outlines lie, in device coordinates.
    QRectF inkOf(const TkavTrueTypeFont &face, double size, const QList<quint32> &glyphs,
                 const QList<QPointF> &positions) const
    {
        const double unit = size / face.UnitsPerEm();
        QRectF ink;
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            const QRect box = face.GlyphBox(glyphs[i] & 0xffff);
            if (box.isEmpty())
                continue;
            const QPointF at = positions[i];
            ink |= QRectF(QPointF(at.x() + box.left() * unit, at.y() - (box.bottom() + 1) * unit),
                          QPointF(at.x() + (box.right() + 1) * unit, at.y() - box.top() * unit));
        }
        return matrix.mapRect(ink);
    }

    // The painter's state as it stands: after a restore the painter does not always mark
    // the matrix changed, so it is read at every drawing call.
    void sync()
    {
        matrix = state->transform();
        pen = state->pen();
        brush = state->brush();
        opacity = state->opacity();
    }

    void updateClip(const QPainterPath &device, Qt::ClipOperation operation)
    {
        if (operation == Qt::NoClip) {
            clips.clear();
            clipEnabled = false;
        } else if (operation == Qt::ReplaceClip) {
            clips = {device};
            clipEnabled = true;
        } else {
            clips.push_back(device);
            clipEnabled = true;
        }
    }

    // True when Ink (device coordinates) lies inside every one of Clips, give or take a
    // device unit (a twentieth of a pixel on screen).
    static bool inside(const std::vector<QPainterPath> &clips, const QRectF &ink)
    {
        for (const QPainterPath &path : clips) {
            const QRectF bounds = path.boundingRect();
            if (path.isEmpty()
                || !(path == rectPath(bounds) ? bounds.adjusted(-1, -1, 1, 1).contains(ink) : path.contains(ink)))
                return false;
        }
        return true;
    }

    // Writes the clip when it differs from the one in force. What is drawn next within Ink
    // needs none when it lies inside the clip wanted: most texts fit their box, and a clip
    // for each would cost a change of state each.
    void emitClip(const QRectF *ink = nullptr)
    {
        const bool unclipped = ink && clipEnabled && inside(clips, *ink);
        const std::vector<QPainterPath> &wanted = clipEnabled && !unclipped ? clips : noClips;
        if (wanted == emittedClips || (unclipped && inside(emittedClips, *ink)))
            return;
        out += "Q\nq\n";
        fillRgb = strokeRgb = -1;
        fillAlpha = strokeAlpha = 255;
        lineWidth = -1;
        dash = "[] 0";
        cap = 0;
        join = 0;
        for (const QPainterPath &path : wanted) {
            if (path.isEmpty())
                out += "0 0 m\n"; // an empty clip hides everything
            else if (const QRectF r = path.boundingRect(); path == rectPath(r))
                appendRect(r);
            else
                appendPath(out, path);
            out += path.fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n";
        }
        emittedClips = wanted;
    }

    void appendRect(const QRectF &r)
    {
        appendPoint(out, r.topLeft());
        out += ' ';
        appendPoint(out, {r.width(), r.height()});
        out += " re\n";
    }

    // The path QPainter makes of a clip rectangle, to know one when it comes back.
    static QPainterPath rectPath(const QRectF &r)
    {
        QPainterPath path;
        path.addRect(r);
        return path;
    }

    int alphaOf(const QColor &color) const { return int(std::lround(color.alpha() * opacity)); }

    void setFill(const QColor &color) { setColor(color, fillRgb, " rg\n"); }
    void setStroke(const QColor &color) { setColor(color, strokeRgb, " RG\n"); }

    // Writes Color with Operator unless it is the one in force (Current).
    void setColor(const QColor &color, int &current, const char *operatorText)
    {
        if (rgbKey(color) == current)
            return;
        current = rgbKey(color);
        kavPDFAppendNumber(out, color.redF(), 3);
        out += ' ';
        kavPDFAppendNumber(out, color.greenF(), 3);
        out += ' ';
        kavPDFAppendNumber(out, color.blueF(), 3);
        out += operatorText;
    }

    void setAlpha(int fill, int stroke)
    {
        if (fill == fillAlpha && stroke == strokeAlpha)
            return;
        fillAlpha = fill;
        strokeAlpha = stroke;
        out += '/' + writer.AlphaName(fill, stroke) + " gs\n";
    }

    // Other brushes (gradients, patterns) reach the engine as pictures: the painter draws
    // them itself, as the engine does not claim those features.
    bool filling() const { return brush.style() == Qt::SolidPattern && brush.color().alpha() > 0; }

    bool stroking() const
    {
        return pen.style() != Qt::NoPen && pen.brush().style() == Qt::SolidPattern
               && pen.color().alpha() > 0;
    }

    // Sets what the next path operator needs; false when it would paint nothing.
    bool prepare(bool fill)
    {
        const bool stroke = stroking();
        if (!fill && !stroke)
            return false;
        emitClip();
        if (fill)
            setFill(brush.color());
        if (stroke) {
            setStroke(pen.color());
            setLine();
        }
        setAlpha(fill ? alphaOf(brush.color()) : fillAlpha, stroke ? alphaOf(pen.color()) : strokeAlpha);
        return true;
    }

    void finish(bool fill, Qt::FillRule rule)
    {
        const bool stroke = stroking();
        const bool evenOdd = rule == Qt::OddEvenFill;
        out += fill && stroke ? (evenOdd ? "B*\n" : "B\n") : fill ? (evenOdd ? "f*\n" : "f\n") : "S\n";
    }

    void paint(const QPainterPath &device, bool fill, Qt::FillRule rule)
    {
        if (!prepare(fill))
            return;
        appendPath(out, device);
        finish(fill, rule);
    }

    void setLine()
    {
        const double scale = std::sqrt(std::abs(matrix.determinant()));
        const double width = pen.isCosmetic() ? std::max(pen.widthF(), 1.0) : pen.widthF() * scale;
        if (width != lineWidth) {
            lineWidth = width;
            kavPDFAppendNumber(out, width);
            out += " w\n";
        }
        QByteArray wanted = "[] 0";
        if (pen.style() != Qt::SolidLine) {
            const double unit = std::max(width, 1.0);
            wanted = "[";
            for (const double part : pen.dashPattern()) {
                kavPDFAppendNumber(wanted, part * unit);
                wanted += ' ';
            }
            wanted += "] ";
            kavPDFAppendNumber(wanted, pen.dashOffset() * unit);
        }
        if (wanted != dash) {
            dash = wanted;
            out += dash + " d\n";
        }
        const int wantedCap = pen.capStyle() == Qt::RoundCap ? 1 : pen.capStyle() == Qt::SquareCap ? 2 : 0;
        if (wantedCap != cap) {
            cap = wantedCap;
            out += QByteArray::number(cap) + " J\n";
        }
        const int wantedJoin = pen.joinStyle() == Qt::RoundJoin ? 1 : pen.joinStyle() == Qt::BevelJoin ? 2 : 0;
        if (wantedJoin != join) {
            join = wantedJoin;
            out += QByteArray::number(join) + " j\n";
        }
    }

    void drawPicture(const QRectF &r, const QImage &image, const QRectF &source, qint64 key)
    {
        sync();
        const QRect part = source.toAlignedRect().intersected(image.rect());
        if (part.isEmpty() || r.isEmpty())
            return;
        emitClip();
        setAlpha(int(std::lround(255 * opacity)), strokeAlpha);
        const QByteArray name = writer.ImageName(image, part, key);
        out += "q\n";
        appendMatrix(out, QTransform(r.width(), 0, 0, -r.height(), r.left(), r.bottom()) * matrix);
        out += " cm\n/" + name + " Do\nQ\n";
    }

    // One text object: a text matrix where a run starts or leaves its baseline, glyphs as
    // hexadecimal numbers, with the distance to the next glyph corrected where the layout
    // placed it further from its advance than a viewer would notice.
    void writeText(TkavPDFWriter::Font &font, double size, const QList<quint32> &glyphs,
                   const QList<QPointF> &positions, const QList<QStringView> &chars)
    {
        const TkavTrueTypeFont &face = *font.Face;
        out += "BT\n/";
        out += font.Name;
        out += ' ';
        kavPDFAppendNumber(out, size);
        out += " Tf\n";
        double cursor = 0;
        // Up to one glyph and one correction, appended at once.
        char piece[32];
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            const quint32 glyph = glyphs[i] & 0xffff;
            if (glyph >= font.Seen.size())
                font.Seen.resize(glyph + 1024);
            if (!font.Seen[glyph]) {
                font.Seen[glyph] = true;
                font.Glyphs.insert(glyph);
                if (i < chars.size())
                    font.Text.emplace(glyph, chars[i].toString());
            }
            const QPointF at = positions[i];
            char *p = piece;
            if (i == 0 || at.y() != positions[i - 1].y()) {
                if (i > 0)
                    out += ">] TJ\n";
                appendMatrix(out, QTransform(1, 0, 0, -1, at.x(), at.y()) * matrix);
                out += " Tm\n[<";
                cursor = at.x();
            } else {
                const long long shift = std::llround((cursor - at.x()) * 1000 / size);
                if (shift > maxDrift || shift < -maxDrift) {
                    *p++ = '>';
                    *p++ = ' ';
                    p = std::to_chars(p, p + 20, shift).ptr;
                    *p++ = ' ';
                    *p++ = '<';
                    cursor -= double(shift) * size / 1000;
                }
            }
            static constexpr char digits[] = "0123456789ABCDEF";
            for (int shift = 12; shift >= 0; shift -= 4)
                *p++ = digits[glyph >> shift & 0xf];
            out.append(piece, p - piece);
            cursor += face.Width(glyph) * size / 1000;
        }
        out += ">] TJ\nET\n";
    }

    TkavPDFWriter &writer;
    QByteArray out;
    QTransform matrix;
    QPen pen;
    QBrush brush;
    double opacity = 1;
    bool clipEnabled = false;
    std::vector<QPainterPath> clips;
    const std::vector<QPainterPath> noClips;
    std::vector<QPainterPath> emittedClips;
    // What the content stream has in force.
    int fillRgb = -1;
    int strokeRgb = -1;
    int fillAlpha = 255;
    int strokeAlpha = 255;
    double lineWidth = -1;
    QByteArray dash = "[] 0";
    int cap = 0;
    int join = 0;
};

TkavPDFCanvas::TkavPDFCanvas(TkavPDFWriter &Writer, QSizeF Size, int Resolution)
    : FSize(Size)
    , FResolution(Resolution)
    , FEngine(std::make_unique<TkavPDFEngine>(Writer, Size, Resolution))
{}

TkavPDFCanvas::~TkavPDFCanvas() = default;

QPaintEngine *TkavPDFCanvas::paintEngine() const
{
    return FEngine.get();
}

QByteArray TkavPDFCanvas::TakeContent()
{
    return FEngine->take();
}

void TkavPDFCanvas::DrawGlyphs(QPainter &Painter,
                               const QRawFont &Font,
                               const QList<quint32> &Glyphs,
                               const QList<QPointF> &Positions,
                               const QList<QStringView> &Chars,
                               bool Underline,
                               bool StrikeOut)
{
    if (Painter.paintEngine() != FEngine.get())
        return;
    FEngine->syncState(); // the painter hands on its state only before a drawing call
    FEngine->DrawGlyphs(Font, Glyphs, Positions, Chars, Underline, StrikeOut);
}

int TkavPDFCanvas::metric(PaintDeviceMetric Metric) const
{
    switch (Metric) {
    case PdmWidth:
        return int(std::lround(FSize.width() * FResolution / 72));
    case PdmHeight:
        return int(std::lround(FSize.height() * FResolution / 72));
    case PdmWidthMM:
        return int(std::lround(FSize.width() * 25.4 / 72));
    case PdmHeightMM:
        return int(std::lround(FSize.height() * 25.4 / 72));
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return FResolution;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    }
    return 0;
}
