#include "kavFrames.h"
#include "kavFrames_p.h"

#include <rtl/kavCast.h>
#include <rtl/kavMath.h>
#include <rtl/kavRTTI.h>

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRectF>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;
using namespace kavFramesPrivate;

namespace {

// The colour with n subtracted from each channel (not below 0).
TColor darker(TColor color, int n)
{
    const TColor rgb = ColorToRGB(color);
    return kavRGB(std::max(0, kavRValue(rgb) - n),
                  std::max(0, kavGValue(rgb) - n),
                  std::max(0, kavBValue(rgb) - n));
}

// Channel i of n steps from start to end (i = 0: start; i = n: end).
int blendChannel(int start, int end, qint64 i, qint64 n)
{
    if (n <= 0)
        return start;
    return start + int(i * (end - start) / n);
}

TColor blendColor(TColor start, TColor end, qint64 i, qint64 n)
{
    return kavRGB(blendChannel(kavRValue(start), kavRValue(end), i, n),
                  blendChannel(kavGValue(start), kavGValue(end), i, n),
                  blendChannel(kavBValue(start), kavBValue(end), i, n));
}

// ellipse that contains it. With r the pixel centre's distance from the centre relative to
// the first ellipse, that is ellipse floor(155 * (1 - r)). Computed per visible pixel, so
// no bitmap of the whole box is needed however large the box is scaled; beyond
// maxEllipticPixels the visible part is computed at a coarser step and drawn stretched.
constexpr qint64 maxEllipticPixels = qint64(1) << 24;

void paintElliptic(QPainter &canvas, int X, int Y, int X1, int Y1, TColor start, TColor end)
{
    const PixelArea area = visibleArea(canvas, X, Y, X1, Y1);
    if (area.isEmpty())
        return;
    const double w = double(X1) - X;
    const double h = double(Y1) - Y;
    const double cx = X + w / 2;
    const double cy = Y + h / 2;
    const double ax = w * 3 / 4; // semi-axes of the first ellipse
    const double ay = h * 3 / 4;

    const qint64 areaW = area.x1 - area.x0;
    const qint64 areaH = area.y1 - area.y0;
    qint64 step = 1;
    while ((areaW / step + 1) * (areaH / step + 1) > maxEllipticPixels)
        step *= 2;
    const int imgW = int((areaW + step - 1) / step);
    const int imgH = int((areaH + step - 1) / step);

    QRgb colours[156];
    for (int i = 0; i < 156; ++i) {
        const TColor c = blendColor(start, end, i, 155);
        colours[i] = qRgb(kavRValue(c), kavGValue(c), kavBValue(c));
    }
    QImage img(imgW, imgH, QImage::Format_RGB32);
    if (img.isNull())
        return;
    for (int iy = 0; iy < imgH; ++iy) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(iy));
        const double dy = (area.y0 + (iy + 0.5) * step - cy) / ay;
        for (int ix = 0; ix < imgW; ++ix) {
            const double dx = (area.x0 + (ix + 0.5) * step - cx) / ax;
            const double k = std::floor(155.0 * (1.0 - std::sqrt(dx * dx + dy * dy)));
            line[ix] = colours[int(std::clamp(k, 0.0, 155.0))];
        }
    }
    if (step == 1)
        canvas.drawImage(QPoint(int(area.x0), int(area.y0)), img);
    else
        canvas.drawImage(QRectF(double(area.x0), double(area.y0), double(areaW), double(areaH)),
                         img);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Fills

const TkavClassInfo &TkavCustomFill::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavCustomFill, TPersistent>(
        u"TkavCustomFill"_s, [](TkavPropBuilder<TkavCustomFill> &) {});
    return info;
}

TkavCustomFill::~TkavCustomFill() = default;

// --- brush

const TkavClassInfo &TkavBrushFill::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavBrushFill, TkavCustomFill>(
        u"TkavBrushFill"_s, [](TkavPropBuilder<TkavBrushFill> &p) {
            p.Int(u"BackColor"_s, &TkavBrushFill::BackColor, &TkavBrushFill::SetBackColor)
                .TypeName(u"TColor"_s)
                .Default(kavBrushFillDefaultBackColor);
            p.Int(u"ForeColor"_s, &TkavBrushFill::ForeColor, &TkavBrushFill::SetForeColor)
                .TypeName(u"TColor"_s)
                .Default(kavBrushFillDefaultForeColor);
            p.Enum(u"Style"_s, &TkavBrushFill::Style, &TkavBrushFill::SetStyle)
                .Default(kavBrushFillDefaultStyle);
        });
    return info;
}

TkavBrushFill::TkavBrushFill() = default;
TkavBrushFill::~TkavBrushFill() = default;

void TkavBrushFill::Assign(const TPersistent &source)
{
    if (const auto *fill = kavCast<const TkavBrushFill>(&source)) {
        FBackColor = fill->FBackColor;
        FForeColor = fill->FForeColor;
        FStyle = fill->FStyle;
    } else if (!kavCast<const TkavCustomFill>(&source)) {
        TPersistent::Assign(source);
    }
}

void TkavBrushFill::Draw(QPainter &Canvas, int X, int Y, int X1, int Y1, double, double) const
{
    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing, false);
    if (FBackColor != clNone)
        fillBox(Canvas, X, Y, X1, Y1, kavColorToQColor(FBackColor));
    // The hatch covers the same pixels as the background and leaves the gaps transparent.
    const Qt::BrushStyle hatch = hatchPattern(FStyle);
    if (hatch != Qt::NoBrush && FForeColor != clNone) {
        Canvas.setBackgroundMode(Qt::TransparentMode);
        fillBox(Canvas, X, Y, X1, Y1, QBrush(kavColorToQColor(FForeColor), hatch));
    }
    Canvas.restore();
}

QString TkavBrushFill::Diff(const TkavCustomFill *AFill, const QString &Add) const
{
    const auto *other = kavCast<const TkavBrushFill>(AFill);
    QString s;
    if (!other || FBackColor != other->FBackColor)
        s += intAttr(Add + u".BackColor"_s, FBackColor);
    if (!other || FForeColor != other->FForeColor)
        s += intAttr(Add + u".ForeColor"_s, FForeColor);
    if (!other || FStyle != other->FStyle)
        s += intAttr(Add + u".Style"_s, FStyle);
    return s;
}

// --- gradient

const TkavClassInfo &TkavGradientFill::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavGradientFill, TkavCustomFill>(
        u"TkavGradientFill"_s, [](TkavPropBuilder<TkavGradientFill> &p) {
            p.Int(u"StartColor"_s, &TkavGradientFill::StartColor, &TkavGradientFill::SetStartColor)
                .TypeName(u"TColor"_s)
                .Default(kavGradientFillDefaultStartColor);
            p.Int(u"EndColor"_s, &TkavGradientFill::EndColor, &TkavGradientFill::SetEndColor)
                .TypeName(u"TColor"_s)
                .Default(kavGradientFillDefaultEndColor);
            // No declared default: always written.
            p.Enum(u"GradientStyle"_s,
                   &TkavGradientFill::GradientStyle,
                   &TkavGradientFill::SetGradientStyle);
        });
    return info;
}

TkavGradientFill::TkavGradientFill() = default;
TkavGradientFill::~TkavGradientFill() = default;

void TkavGradientFill::Assign(const TPersistent &source)
{
    if (const auto *fill = kavCast<const TkavGradientFill>(&source)) {
        FStartColor = fill->FStartColor;
        FEndColor = fill->FEndColor;
        FGradientStyle = fill->FGradientStyle;
    } else if (!kavCast<const TkavCustomFill>(&source)) {
        TPersistent::Assign(source);
    }
}

TColor TkavGradientFill::representativeColor() const
{
    const TColor s = ColorToRGB(FStartColor);
    const TColor e = ColorToRGB(FEndColor);
    auto channel
        = [](int a, int b) { return a + int(kavRound(127.0 * (b - a) / 255.0, rmHalfAway)); };
    return kavRGB(channel(kavRValue(s), kavRValue(e)),
                  channel(kavGValue(s), kavGValue(e)),
                  channel(kavBValue(s), kavBValue(e)));
}

void TkavGradientFill::Draw(QPainter &Canvas, int X, int Y, int X1, int Y1, double, double) const
{
    const qint64 w = qint64(X1) - X;
    const qint64 h = qint64(Y1) - Y;
    if (w <= 0 || h <= 0)
        return;
    const TColor start = ColorToRGB(FStartColor);
    const TColor end = ColorToRGB(FEndColor);
    auto color = [&](qint64 i, qint64 n) { return kavColorToQColor(blendColor(start, end, i, n)); };

    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing, false);
    switch (FGradientStyle) {
    case gsHorizontal:
        for (qint64 i = 0; i < 256; ++i)
            fillBox(Canvas, X + w * i / 256, Y, X + w * (i + 1) / 256, Y1, color(i, 255));
        break;
    case gsVertical:
        for (qint64 i = 0; i < 256; ++i)
            fillBox(Canvas, X, Y + h * i / 256, X1, Y + h * (i + 1) / 256, color(i, 255));
        break;
    case gsElliptic:
        paintElliptic(Canvas, X, Y, X1, Y1, start, end);
        break;
    case gsRectangle:
        for (qint64 i = 0; i < 256; ++i) {
            const qint64 dx = w * i / 510;
            const qint64 dy = h * i / 510;
            fillBox(Canvas, X + dx, Y + dy, X1 - dx, Y1 - dy, color(i, 255));
        }
        break;
    case gsVertCenter:
    case gsHorizCenter: {
        // Strip i from each edge towards the middle; runs of one colour are painted as one
        // rectangle, so the work depends on the colour steps, not on the size.
        const bool vert = FGradientStyle == gsVertCenter;
        const qint64 size = vert ? h : w;
        const qint64 n = size / 2;
        const qint64 lo = vert ? Y : X;
        const qint64 hi = (vert ? Y1 : X1) - 1;
        auto band = [&](qint64 from, qint64 to, const QColor &c) {
            if (vert)
                fillBox(Canvas, X, from, X1, to + 1, c);
            else
                fillBox(Canvas, from, Y, to + 1, Y1, c);
        };
        qint64 i = 0;
        while (i <= n) {
            const TColor c = blendColor(start, end, i, n);
            qint64 j = i;
            while (j < n && blendColor(start, end, j + 1, n) == c)
                ++j;
            band(lo + i, lo + j, kavColorToQColor(c));
            band(hi - j, hi - i, kavColorToQColor(c));
            i = j + 1;
        }
        break;
    }
    }
    Canvas.restore();
}

QString TkavGradientFill::Diff(const TkavCustomFill *AFill, const QString &Add) const
{
    const auto *other = kavCast<const TkavGradientFill>(AFill);
    QString s;
    if (!other || FStartColor != other->FStartColor)
        s += intAttr(Add + u".StartColor"_s, FStartColor);
    if (!other || FEndColor != other->FEndColor)
        s += intAttr(Add + u".EndColor"_s, FEndColor);
    if (!other || FGradientStyle != other->FGradientStyle)
        s += intAttr(Add + u".GradientStyle"_s, FGradientStyle);
    return s;
}

// --- glass

const TkavClassInfo &TkavGlassFill::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavGlassFill, TkavCustomFill>(
        u"TkavGlassFill"_s, [](TkavPropBuilder<TkavGlassFill> &p) {
            p.Int(u"Color"_s, &TkavGlassFill::Color, &TkavGlassFill::SetColor)
                .TypeName(u"TColor"_s)
                .Default(kavGlassFillDefaultColor);
            p.Float(u"Blend"_s, &TkavGlassFill::Blend, &TkavGlassFill::SetBlend);
            p.Bool(u"Hatch"_s, &TkavGlassFill::Hatch, &TkavGlassFill::SetHatch).Default(false);
            p.Enum(u"Orientation"_s, &TkavGlassFill::Orientation, &TkavGlassFill::SetOrientation)
                .Default(kavGlassFillDefaultOrientation);
        });
    return info;
}

TkavGlassFill::TkavGlassFill() = default;
TkavGlassFill::~TkavGlassFill() = default;

void TkavGlassFill::Assign(const TPersistent &source)
{
    if (const auto *fill = kavCast<const TkavGlassFill>(&source)) {
        FColor = fill->FColor;
        FBlend = fill->FBlend;
        FHatch = fill->FHatch;
        FOrientation = fill->FOrientation;
    } else if (!kavCast<const TkavCustomFill>(&source)) {
        TPersistent::Assign(source);
    }
}

TColor TkavGlassFill::lightColor() const
{
    const TColor rgb = ColorToRGB(FColor);
    const double blend = std::isfinite(FBlend) ? FBlend : 0.0;
    auto channel = [blend](int c) {
        const double v = c + kavRoundFloat((255 - c) * blend);
        return int(std::clamp(v, 0.0, 255.0));
    };
    return kavRGB(channel(kavRValue(rgb)), channel(kavGValue(rgb)), channel(kavBValue(rgb)));
}

void TkavGlassFill::Draw(QPainter &Canvas, int X, int Y, int X1, int Y1, double, double) const
{
    if (FColor == clNone)
        return;
    const qint64 halfW = (qint64(X1) - X) / 2;
    const qint64 halfH = (qint64(Y1) - Y) / 2;
    const TColor light = lightColor();
    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing, false);
    fillBox(Canvas, X, Y, X1, Y1, kavColorToQColor(FColor));
    switch (FOrientation) {
    case foVertical:
        fillBox(Canvas, X, Y, X1 - halfW, Y1, kavColorToQColor(light));
        break;
    case foHorizontal:
        fillBox(Canvas, X, Y, X1, Y1 - halfH, kavColorToQColor(light));
        break;
    case foVerticalMirror:
        fillBox(Canvas, X + halfW, Y, X1, Y1, kavColorToQColor(light));
        break;
    case foHorizontalMirror:
        fillBox(Canvas, X, Y + halfH, X1, Y1, kavColorToQColor(light));
        break;
    }
    if (FHatch) {
        Canvas.setBackgroundMode(Qt::TransparentMode);
        fillBox(Canvas, X, Y, X1, Y1, QBrush(kavColorToQColor(darker(light, 6)), Qt::BDiagPattern));
    }
    Canvas.restore();
}

QString TkavGlassFill::Diff(const TkavCustomFill *AFill, const QString &Add) const
{
    const auto *other = kavCast<const TkavGlassFill>(AFill);
    QString s;
    if (!other || FColor != other->FColor)
        s += intAttr(Add + u".Color"_s, FColor);
    if (!other || floatsDiffer(FBlend, other->FBlend))
        s += floatAttr(Add + u".Blend"_s, FBlend);
    if (!other || FHatch != other->FHatch)
        s += boolAttr(Add + u".Hatch"_s, FHatch);
    if (!other || FOrientation != other->FOrientation)
        s += intAttr(Add + u".Orientation"_s, FOrientation);
    return s;
}

// --- fill type

TkavFillType kavFillTypeOf(const TkavCustomFill *fill)
{
    if (kavCast<const TkavGradientFill>(fill))
        return ftGradient;
    if (kavCast<const TkavGlassFill>(fill))
        return ftGlass;
    return ftBrush;
}

std::unique_ptr<TkavCustomFill> kavCreateFill(TkavFillType type)
{
    switch (type) {
    case ftGradient:
        return std::make_unique<TkavGradientFill>();
    case ftGlass:
        return std::make_unique<TkavGlassFill>();
    case ftBrush:
        break;
    }
    return std::make_unique<TkavBrushFill>();
}

bool kavSetFillType(std::unique_ptr<TkavCustomFill> &fill, TkavFillType type)
{
    if (fill && kavFillTypeOf(fill.get()) == type)
        return false;
    fill = kavCreateFill(type);
    return true;
}

void kavAssignFill(std::unique_ptr<TkavCustomFill> &fill, const TkavCustomFill &source)
{
    if (fill.get() == &source)
        return;
    kavSetFillType(fill, kavFillTypeOf(&source));
    fill->Assign(source);
}
