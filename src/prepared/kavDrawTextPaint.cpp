// Drawing of the wrapped lines. Every line's length comes from the internal 600-dpi
// layout scaled to the device (wysiwyg): the device's own advances are stretched or
// squeezed by spreading the rounding difference over the characters, so line breaks and
// line lengths match on screen, printer and PDF. Characters are placed one by one, which
// keeps positions exact but leaves scripts that need shaping (Arabic, Indic) unjoined.
//
// Rotation: multiples of 90 degrees start at the corner the text reads from (0: top-left,
// 90: bottom-left, 180: bottom-right, 270: top-right). Other angles use the line length
// (area width - |sin| * block height) / |cos| (height and cos/sin swapped for the
// quadrants whose lines run mostly vertically) and place the rotated block so that its
// bounding box touches the area's left and top edges; vertical alignment does not apply.
//
// Right-to-left reading only changes justified text: the last line of a paragraph goes
// to the right edge instead of the left. Characters keep their logical order.

#include "kavDrawText.h"
#include "kavGlyphSink.h"
#include "kavTextRecorder.h"
#include "kavFonts.h"
#include "kavPaintUtils.h"

#include <report/kavViews.h>
#include <rtl/kavMath.h>

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRawFont>

#include <cmath>
#include <limits>

namespace {

int rnd(double x)
{
    return int(kavRound(x));
}

// Pascal div/mod shares: every slot gets total div count, the remainder goes one unit at a
// time to the middle of the range, the rest split between both halves.
void spreadRemainder(std::vector<int> &values,
                     const std::vector<size_t> &slots,
                     size_t lo,
                     size_t hi,
                     int rest,
                     int unit)
{
    if (rest <= 0 || lo >= hi)
        return;
    const size_t mid = lo + (hi - lo) / 2;
    values[slots[mid]] += unit;
    --rest;
    const int right = rest / 2;
    spreadRemainder(values, slots, lo, mid, rest - right, unit);
    spreadRemainder(values, slots, mid + 1, hi, right, unit);
}

void spread(std::vector<int> &values, const std::vector<size_t> &slots, int total)
{
    if (slots.empty() || total == 0)
        return;
    const int count = int(slots.size());
    const int share = total / count; // truncates towards zero, as div does
    for (size_t s : slots)
        values[s] += share;
    const int rest = total - share * count;
    spreadRemainder(values, slots, 0, slots.size(), std::abs(rest), rest < 0 ? -1 : 1);
}

// Justification: every space gets total div count, the first (total mod count) one more.
void spreadFromStart(std::vector<int> &values, const std::vector<size_t> &slots, int total)
{
    if (slots.empty())
        return;
    const int count = int(slots.size());
    const int share = total / count;
    const int rest = total - share * count;
    for (int k = 0; k < count; ++k)
        values[slots[size_t(k)]] += share + (k < std::abs(rest) ? (rest < 0 ? -1 : 1) : 0);
}

bool pairTail(const QString &text, qsizetype i)
{
    return i > 0 && text[i].isLowSurrogate() && text[i - 1].isHighSurrogate();
}

} // namespace

QPainterPath kavGlyphDecorations(const QRawFont &Font,
                                 const QList<quint32> &Glyphs,
                                 const QList<QPointF> &Positions,
                                 bool Underline,
                                 bool StrikeOut)
{
    QPainterPath lines;
    if (Glyphs.isEmpty() || Glyphs.size() != Positions.size())
        return lines;
    const double last = Font.advancesForGlyphIndexes(QList<quint32>{Glyphs.last()}).value(0).x();
    const double left = Positions.first().x();
    const double right = Positions.last().x() + last;
    const double baseline = Positions.first().y();
    const double thickness = std::max(Font.lineThickness(), 0.5);
    if (Underline)
        lines.addRect(left, baseline + Font.underlinePosition(), right - left, thickness);
    if (StrikeOut)
        lines.addRect(left, baseline - Font.xHeight() / 2, right - left, thickness);
    return lines;
}

// What the device needs: its kind, resolution and the font sizes on it.
struct TkavDrawText::Target
{
    const QPaintDevice *device = nullptr;
    bool printer = false;
    double dpiX = 96;
    double dpiY = 96;
    double scaleX = 1;
    double scaleY = 1;
    double printScale = 1;

    // Device character height of a size in points.
    int fontPixels(int size) const
    {
        return printer ? rnd(dpiY * size * printScale / 72.0) : rnd(size * scaleY * 96.0 / 72.0);
    }
    // Device length of an internal width.
    int length(qint64 internal) const
    {
        return printer ? rnd(double(internal) * printScale / (kavTextInternalPPI / dpiX))
                       : rnd(double(internal) / kavTextUnitsPerPixel * scaleX);
    }
    QHash<QString, QFont> *fonts = nullptr; // the engine's device fonts
    QHash<QString, std::vector<double>> *latin = nullptr; // the engine's Latin-1 advances

    LastFont *last = nullptr; // the engine's last font

    QFont font(const QString &name, const TkavHTMLTag &tag) const
    {
        const int pixels = fontPixels(tag.Size);
        const int style = tag.Style.Contains(fsBold) + 2 * tag.Style.Contains(fsItalic)
                          + 4 * tag.Style.Contains(fsUnderline) + 8 * tag.Style.Contains(fsStrikeOut);
        const int dpi = rnd(dpiX);
        if (pixels == last->Pixels && style == last->Style && dpi == last->Dpi
            && printer == last->Printer && name == last->Name)
            return last->Font;
        const QString key = name + u'\x1f' + QString::number(pixels) + u'\x1f' + QChar(u'0' + style);
        QFont f;
        if (const auto it = fonts->constFind(key); it != fonts->cend()) {
            f = *it;
        } else {
            f = kavToQFont(name, tag.Style, pixels);
            f.setHintingPreference(QFont::PreferDefaultHinting);
            if (fonts->size() >= 256)
                fonts->clear();
            fonts->insert(key, f);
        }
        if (latin->size() >= 256)
            latin->clear();
        std::vector<double> &advances
            = (*latin)[key + u'\x1f' + QString::number(dpi) + (printer ? u'p' : u's')];
        if (advances.empty())
            advances.assign(256, std::numeric_limits<double>::quiet_NaN());
        *last = {name, pixels, style, dpi, printer, f, &advances};
        return f;
    }
};

void TkavDrawText::placeLine(
    const Target &target, int line, int available, TkavHAlign hAlign, TkavPlacedLine &placed) const
{
    const QString &text = FText[size_t(line)].Text;
    const TkavHTMLTags &tags = FHTMLTags.Items()[size_t(line)];
    std::vector<int> internal;
    advances(text, tags, internal);
    qint64 wi = 0;
    for (int a : internal)
        wi += a;

    // The device's own advances: whole device units per character, as a device font
    // gives them (equal characters, equal advances).
    std::vector<int> adv(size_t(text.size()), 0);
    const int spacing = rnd(FCharSpacing * target.scaleX);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start + 1;
        while (end < text.size() && tags[size_t(end)].SameFormat(tags[size_t(start)]))
            ++end;
        const QFontMetricsF metrics(target.font(FFontName, tags[size_t(start)]), target.device);
        std::vector<double> *latin = target.last->Latin;
        for (qsizetype i = start; i < end; ++i) {
            if (pairTail(text, i))
                continue;
            const bool pair
                = i + 1 < end && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate();
            // One character: the font engine's advance without laying out a string.
            double a = 0;
            if (pair) {
                a = metrics.horizontalAdvance(text.mid(i, 2));
            } else if (const char16_t c = text[i].unicode(); latin && c < 256) {
                double &known = (*latin)[c];
                if (std::isnan(known))
                    known = metrics.horizontalAdvance(text[i]);
                a = known;
            } else {
                a = metrics.horizontalAdvance(text[i]);
            }
            adv[size_t(i)] = rnd(a) + spacing;
        }
        start = end;
    }
    qint64 wd = 0;
    std::vector<size_t> chars;
    std::vector<size_t> spaces;
    for (qsizetype i = 0; i < text.size(); ++i) {
        wd += adv[size_t(i)];
        if (pairTail(text, i))
            continue;
        chars.push_back(size_t(i));
        if (text[i] == u' ' || text[i] == u'\u00A0')
            spaces.push_back(size_t(i));
    }

    TkavHAlign align = hAlign;
    if (align == haBlock && (FText[size_t(line)].Flags & 2))
        align = FRTLReading ? haRight : haLeft;
    if (align == haBlock && spaces.empty())
        align = haLeft;
    const int targetLength = FWysiwyg ? target.length(wi) : int(wd);
    int x = 0;
    if (align == haBlock) {
        spreadFromStart(adv, spaces, available - int(wd));
    } else {
        if (FWysiwyg)
            spread(adv, chars, targetLength - int(wd));
        if (align == haRight) {
            const TFontStyles look = tags.empty() ? FFontStyle : tags.front().Style;
            const bool slanted = look.Contains(fsBold) || look.Contains(fsItalic);
            x = available - targetLength + 1 - (slanted && FRotation == 0 ? 2 : 1);
        } else if (align == haCenter) {
            x = rnd((available - targetLength) / 2.0);
        }
    }
    placed.Line = line;
    placed.Start = x;
    placed.Available = available;
    placed.Length = 0;
    for (size_t c : chars) {
        TkavPlacedChar ch;
        ch.Index = qsizetype(c);
        ch.Units = c + 1 < size_t(text.size()) && pairTail(text, qsizetype(c + 1)) ? 2 : 1;
        ch.X = x;
        ch.Advance = adv[c] + (ch.Units == 2 ? adv[c + 1] : 0);
        x += ch.Advance;
        placed.Length += ch.Advance;
        placed.Chars.push_back(ch);
    }
}

TkavTextPlacement
TkavDrawText::PlaceText(const QPaintDevice &device, TkavHAlign hAlign, TkavVAlign vAlign) const
{
    TkavTextPlacement result;
    if (FText.empty())
        return result;
    Target target;
    target.fonts = &FDeviceFonts;
    target.latin = &FLatinAdvances;
    target.last = &FLastFont;
    target.device = &device;
    target.printer = kavIsPrinterDevice(device);
    target.dpiX = device.logicalDpiX();
    target.dpiY = device.logicalDpiY();
    target.scaleX = FScaleX;
    target.scaleY = FScaleY;
    target.printScale = FPrintScale;
    result.Printer = target.printer;
    result.DpiX = target.dpiX;
    result.DpiY = target.dpiY;
    result.FontPixels = target.fontPixels(FFontSize);

    // Line steps; a spacing that swallows the line keeps one device unit per line.
    const int n = LineCount();
    const double spacing = LineHeight() - TextHeight();
    const int step = std::max(1, result.FontPixels + rnd(spacing * FScaleY));
    std::vector<int> steps(size_t(std::max(0, n - 1)), step);
    if (FWysiwyg && n > 1) {
        const double hi = -FFontHeight;
        int ideal;
        if (target.printer) {
            const double e = kavTextInternalPPI / target.dpiY / FPrintScale;
            ideal = rnd((spacing * FScaleY * e * n + hi * n) / e);
        } else {
            ideal = rnd((spacing * kavTextUnitsPerPixel * n + hi * n) / kavTextUnitsPerPixel
                        * FScaleY);
        }
        std::vector<size_t> slots(steps.size());
        for (size_t k = 0; k < slots.size(); ++k)
            slots[k] = k;
        spread(steps, slots, ideal - step * n);
    }
    int blockHeight = result.FontPixels;
    for (int s : steps)
        blockHeight += s;
    if (FLineSpacing < 0)
        blockHeight += std::abs(rnd(2 * FLineSpacing * FScaleY));

    // Area, start corner and line length by rotation.
    const int left = rnd(FScaledRect.left());
    const int top = rnd(FScaledRect.top());
    const int right = rnd(FScaledRect.right());
    const int bottom = rnd(FScaledRect.bottom());
    const int width = right - left;
    const int height = bottom - top;
    int length = width;
    int space = height;
    result.Angle = FRotation;
    switch (FRotation) {
    case 0:
        result.OriginX = left;
        result.OriginY = top;
        break;
    case 90:
        result.OriginX = left;
        result.OriginY = bottom;
        std::swap(length, space);
        break;
    case 180:
        result.OriginX = right;
        result.OriginY = bottom;
        break;
    case 270:
        result.OriginX = right;
        result.OriginY = top;
        std::swap(length, space);
        break;
    default: {
        const double a = FRotation * M_PI / 180.0;
        const double s = std::abs(std::sin(a));
        const double c = std::abs(std::cos(a));
        const bool sideways = (FRotation > 90 && FRotation < 180) || FRotation > 270;
        length
            = sideways ? rnd((height - c * blockHeight) / s) : rnd((width - s * blockHeight) / c);
        length = std::max(1, length);
        space = blockHeight;
        // Bounding box of the rotated block (counter-clockwise on the page, y down).
        double minX = 0;
        double minY = 0;
        for (const auto &[px, py] : {std::pair{double(length), 0.0},
                                     {0.0, double(blockHeight)},
                                     {double(length), double(blockHeight)}}) {
            minX = std::min(minX, px * std::cos(a) + py * std::sin(a));
            minY = std::min(minY, -px * std::sin(a) + py * std::cos(a));
        }
        result.OriginX = left - minX;
        result.OriginY = top - minY;
        break;
    }
    }
    // Text taller than its area starts at the top whatever the alignment: its first line
    // stays whole instead of every line being cut.
    int y = 0;
    if (vAlign == vaBottom)
        y = std::max(0, space - blockHeight);
    else if (vAlign == vaCenter)
        y = std::max(0, rnd((space - blockHeight) / 2.0));

    for (int line = 0; line < n; ++line) {
        const bool indented
            = (FText[size_t(line)].Flags & 1) && (hAlign == haLeft || hAlign == haBlock);
        const int indent = indented ? rnd(FParagraphGap * FScaleX) : 0;
        TkavPlacedLine placed;
        placeLine(target, line, length - indent, hAlign, placed);
        placed.Top = y;
        placed.Start += indent;
        for (TkavPlacedChar &ch : placed.Chars)
            ch.X += indent;
        result.Lines.push_back(std::move(placed));
        if (line + 1 < n)
            y += steps[size_t(line)];
    }
    return result;
}

void TkavDrawText::recordLines(TkavTextRecorder &recorder,
                               const QTransform &toDevice,
                               const TkavTextPlacement &placement) const
{
    // One record per drawn line: its characters as one text, its box in device pixels.
    for (const TkavPlacedLine &line : placement.Lines) {
        if (line.Chars.empty())
            continue;
        const TkavPlacedChar &first = line.Chars.front();
        const TkavPlacedChar &last = line.Chars.back();
        const QString &text = FText[size_t(line.Line)].Text;
        const QRectF box(first.X, line.Top, last.X + last.Advance - first.X, placement.FontPixels);
        recorder.Add(text.mid(first.Index, last.Index + last.Units - first.Index),
                     toDevice.mapRect(box));
    }
}

void TkavDrawText::DrawText(QPainter &canvas, TkavHAlign hAlign, TkavVAlign vAlign)
{
    if (FText.empty() || !canvas.device())
        return;
    const TkavTextPlacement placement = PlaceText(*canvas.device(), hAlign, vAlign);
    Target target;
    target.fonts = &FDeviceFonts;
    target.latin = &FLatinAdvances;
    target.last = &FLastFont;
    target.printer = placement.Printer;
    target.dpiX = placement.DpiX;
    target.dpiY = placement.DpiY;
    target.scaleY = FScaleY;
    target.printScale = FPrintScale;

    canvas.save();
    if (FOptions & 4)
        canvas.setClipRect(FScaledRect, Qt::IntersectClip);
    canvas.translate(placement.OriginX, placement.OriginY);
    if (placement.Angle != 0)
        canvas.rotate(-placement.Angle);
    canvas.setBackgroundMode(Qt::TransparentMode);
    if (TkavTextRecorder *recorder = kavTextRecorderOf(canvas))
        recordLines(*recorder, canvas.combinedTransform(), placement);

    // Characters of one format go out as one glyph run at their placed positions: one
    // paint call per run instead of one per character (PDF pages shrink tenfold). A
    // character the font has no single glyph for is drawn alone, so fallback fonts and
    // surrogate pairs still work.
    const TkavHTMLTag *current = nullptr;
    QFont font;
    QRawFont raw;
    double ascent = 0;
    int lowered = 0;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    IkavGlyphSink *sink = kavGlyphSinkOf(canvas);
    QList<QStringView> chars; // for a sink only
    const auto flush = [&] {
        if (glyphs.isEmpty())
            return;
        if (sink) {
            sink->DrawGlyphs(canvas, raw, glyphs, positions, chars, font.underline(), font.strikeOut());
            glyphs.clear();
            positions.clear();
            chars.clear();
            return;
        }
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        canvas.drawGlyphRun(QPointF(0, 0), run);
        if (font.underline() || font.strikeOut())
            canvas.fillPath(kavGlyphDecorations(raw, glyphs, positions, font.underline(), font.strikeOut()),
                            canvas.pen().color());
        glyphs.clear();
        positions.clear();
    };
    for (const TkavPlacedLine &line : placement.Lines) {
        const QString &text = FText[size_t(line.Line)].Text;
        const TkavHTMLTags &tags = FHTMLTags.Items()[size_t(line.Line)];
        for (const TkavPlacedChar &ch : line.Chars) {
            const TkavHTMLTag &tag = tags[size_t(ch.Index)];
            if (!current || !tag.SameFormat(*current)) {
                flush();
                font = target.font(FFontName, tag);
                canvas.setFont(font);
                canvas.setPen(FMonoFont ? QColor(Qt::black) : kavColorToQColor(tag.Color));
                raw = QRawFont::fromFont(font);
                // The font just asked for is the engine's last one, which keeps its ascent.
                LastFont &last = *target.last;
                const int dpi = canvas.device()->logicalDpiY();
                if (last.AscentDpi != dpi) {
                    last.Ascent = QFontMetricsF(font, canvas.device()).ascent();
                    last.AscentDpi = dpi;
                }
                ascent = last.Ascent;
                lowered = rnd(tag.AddY * tag.Size * FScaleY);
                current = &tag;
            }
            const QPointF at(ch.X, line.Top + lowered + ascent);
            quint32 glyph = 0;
            int found = 1;
            if (!raw.isValid()
                || !raw.glyphIndexesForChars(text.constData() + ch.Index, ch.Units, &glyph, &found)
                || found != 1 || glyph == 0) {
                flush();
                canvas.drawText(at, text.mid(ch.Index, ch.Units));
                continue;
            }
            glyphs.append(glyph);
            positions.append(at);
            if (sink)
                chars.append(QStringView(text).mid(ch.Index, ch.Units));
        }
        flush();
    }
    canvas.restore();
}
