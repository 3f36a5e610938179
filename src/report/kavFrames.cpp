#include "kavFrames.h"

#include "kavFrames_p.h"

#include <persist/kavXML.h>
#include <rtl/kavFormat.h>
#include <rtl/kavMath.h>
#include <rtl/kavRTTI.h>

#include <QBrush>
#include <QColor>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QRectF>
#include <QTransform>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;
using namespace kavFramesPrivate;

// ---------------------------------------------------------------------------------------
// ---------------------------------------------------------------------------------------
// Type information

const TkavEnumInfo &kavEnumTypeInfo(TkavFrameStyle)
{
    static const TkavEnumInfo info(u"TkavFrameStyle"_s,
                                   {u"fsSolid"_s,
                                    u"fsDash"_s,
                                    u"fsDot"_s,
                                    u"fsDashDot"_s,
                                    u"fsDashDotDot"_s,
                                    u"fsDouble"_s,
                                    u"fsAltDot"_s,
                                    u"fsSquare"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavFrameType)
{
    static const TkavEnumInfo info(u"TkavFrameType"_s,
                                   {u"ftLeft"_s, u"ftRight"_s, u"ftTop"_s, u"ftBottom"_s});
    return info;
}

const TkavSetInfo &kavSetTypeInfo(TkavFrameTypes)
{
    static const TkavSetInfo info(u"TkavFrameTypes"_s, kavEnumTypeInfo(TkavFrameType{}));
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TBrushStyle)
{
    static const TkavEnumInfo info(u"TBrushStyle"_s,
                                   {u"bsSolid"_s,
                                    u"bsClear"_s,
                                    u"bsHorizontal"_s,
                                    u"bsVertical"_s,
                                    u"bsFDiagonal"_s,
                                    u"bsBDiagonal"_s,
                                    u"bsCross"_s,
                                    u"bsDiagCross"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavFillType)
{
    static const TkavEnumInfo info(u"TkavFillType"_s,
                                   {u"ftBrush"_s, u"ftGradient"_s, u"ftGlass"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavGradientStyle)
{
    static const TkavEnumInfo info(u"TkavGradientStyle"_s,
                                   {u"gsHorizontal"_s,
                                    u"gsVertical"_s,
                                    u"gsElliptic"_s,
                                    u"gsRectangle"_s,
                                    u"gsVertCenter"_s,
                                    u"gsHorizCenter"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavGlassFillOrientation)
{
    static const TkavEnumInfo info(
        u"TkavGlassFillOrientation"_s,
        {u"foVertical"_s, u"foHorizontal"_s, u"foVerticalMirror"_s, u"foHorizontalMirror"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavHyperlinkKind)
{
    static const TkavEnumInfo info(u"TkavHyperlinkKind"_s,
                                   {u"hkURL"_s,
                                    u"hkAnchor"_s,
                                    u"hkPageNumber"_s,
                                    u"hkDetailReport"_s,
                                    u"hkDetailPage"_s,
                                    u"hkCustom"_s});
    return info;
}

namespace kavFramesPrivate {

// ---------------------------------------------------------------------------------------
// Difference-text attributes: a space, the name, "=", the value in double quotes.

bool floatsDiffer(double a, double b)
{
    constexpr double diffTolerance = 0.0001;
    return std::fabs(a - b) > diffTolerance;
}

QString attr(const QString &name, const QString &value)
{
    return u' ' + name + u"=\""_s + value + u'"';
}

QString intAttr(const QString &name, qint64 value)
{
    return attr(name, IntToStr(value));
}

QString boolAttr(const QString &name, bool value)
{
    return attr(name, value ? u"1"_s : u"0"_s);
}

QString floatAttr(const QString &name, double value)
{
    return attr(name, kavFloatToFileText(value));
}

QString textAttr(const QString &name, const QString &value)
{
    return attr(name, kavEncodeXMLText(value));
}

// ---------------------------------------------------------------------------------------
// Drawing helpers. All drawing is aliased: pixel rectangles follow the integer device
// coordinates the views compute.

void fillBox(QPainter &canvas, qint64 x0, qint64 y0, qint64 x1, qint64 y1, const QBrush &brush)
{
    // Far beyond any device, so clamping changes nothing visible but keeps QRect's
    // width and height within int.
    constexpr qint64 far = qint64(1) << 29;
    x0 = std::clamp(x0, -far, far);
    y0 = std::clamp(y0, -far, far);
    x1 = std::clamp(x1, -far, far);
    y1 = std::clamp(y1, -far, far);
    if (x1 <= x0 || y1 <= y0)
        return;
    canvas.fillRect(QRect(int(x0), int(y0), int(x1 - x0), int(y1 - y0)), brush);
}

PixelArea visibleArea(const QPainter &canvas, qint64 x0, qint64 y0, qint64 x1, qint64 y1)
{
    PixelArea a{x0, y0, x1, y1};
    auto limitTo = [&a](const QRectF &r) {
        a.x0 = std::max(a.x0, qint64(std::floor(r.left())));
        a.y0 = std::max(a.y0, qint64(std::floor(r.top())));
        a.x1 = std::min(a.x1, qint64(std::ceil(r.right())));
        a.y1 = std::min(a.y1, qint64(std::ceil(r.bottom())));
    };
    const QPaintDevice *device = canvas.device();
    if (device && device->width() > 0 && device->height() > 0) {
        bool invertible = false;
        const QTransform toLogical = canvas.deviceTransform().inverted(&invertible);
        if (invertible)
            limitTo(toLogical.mapRect(QRectF(0, 0, device->width(), device->height())));
    }
    if (canvas.hasClipping())
        limitTo(canvas.clipBoundingRect());
    return a;
}

PixelArea visibleArea(const QPainter &canvas)
{
    constexpr qint64 far = qint64(1) << 40;
    return visibleArea(canvas, -far, -far, far, far);
}

Qt::PenStyle dashStyle(TkavFrameStyle style)
{
    switch (style) {
    case fsDash:
        return Qt::DashLine;
    case fsDot:
        return Qt::DotLine;
    case fsDashDot:
        return Qt::DashDotLine;
    case fsDashDotDot:
        return Qt::DashDotDotLine;
    default:
        return Qt::SolidLine;
    }
}

} // namespace kavFramesPrivate

namespace {

// Scaled frame width in device pixels; anything below one pixel counts as one.
int scaledWidth(double width, double scale)
{
    return int(std::max<qint64>(1, kavRound(width * scale)));
}

// One frame side in axis-neutral form: it runs along one axis from a to b (inclusive end
// points) at position pos on the other axis. outward is -1 for left and top sides (the
// outside of the box has smaller coordinates), +1 for right and bottom.
struct FrameSide
{
    const TkavFrameLine &line;
    bool vertical;
    int pos;
    int a;
    int b;
    bool joinedAtA; // an adjoining side meets this side at a
    bool joinedAtB;
    int outward;
};

class SidePainter
{
public:
    // visible: the canvas area that can show; patterns painted piece by piece stop there.
    // scale: device pixels per pixel of the page, the unit of dash patterns.
    SidePainter(QPainter &canvas, const FrameSide &side, int width, double scale, const PixelArea &visible)
        : FCanvas(canvas)
        , FSide(side)
        , FW(width)
        , FScale(std::max(scale, 1.0))
        , FColor(kavColorToQColor(side.line.Color()))
        , FVisibleFrom(side.vertical ? visible.y0 : visible.x0)
        , FVisibleTo(side.vertical ? visible.y1 : visible.x1)
    {}

    void paint()
    {
        switch (FSide.line.Style()) {
        case fsSolid:
            solid();
            break;
        case fsDouble:
            doubleLine();
            break;
        case fsDash:
        case fsDot:
        case fsDashDot:
        case fsDashDotDot:
            dashed();
            break;
        case fsAltDot:
        case fsSquare:
            dotted();
            break;
        }
    }

private:
    // A pen band of width w centred on c covers [c - w/2, c - w/2 + w).
    qint64 bandStart(qint64 c) const { return c - FW / 2; }
    qint64 bandEnd(qint64 c) const { return c - FW / 2 + FW; }

    // Fills along [a0, a1) by across [c0, c1).
    void fill(qint64 a0, qint64 a1, qint64 c0, qint64 c1)
    {
        if (FSide.vertical)
            fillBox(FCanvas, c0, a0, c1, a1, FColor);
        else
            fillBox(FCanvas, a0, c0, a1, c1, FColor);
    }

    // A geometric pen of width w with square ends from a to b at pos.
    void squareCapped(qint64 pos, qint64 a, qint64 b)
    {
        fill(bandStart(a), bandEnd(b), bandStart(pos), bandEnd(pos));
    }

    // Ends without an adjoining side are pulled in by w/2 so the cap stays inside; joined
    // ends keep their cap, which fills the corner.
    void solid()
    {
        const int a = FSide.a + (FSide.joinedAtA ? 0 : FW / 2);
        const int b = FSide.b - (FSide.joinedAtB ? 0 : FW / 2);
        squareCapped(FSide.pos, a, b);
    }

    // Two lines w either side of the edge; at joined ends the outer one grows by w and the
    // inner one shrinks by w, so the two rectangles of a fully framed box close.
    void doubleLine()
    {
        const int growA = FSide.joinedAtA ? FW : 0;
        const int growB = FSide.joinedAtB ? FW : 0;
        squareCapped(qint64(FSide.pos) + FSide.outward * FW, FSide.a - growA, FSide.b + growB);
        squareCapped(qint64(FSide.pos) - FSide.outward * FW, FSide.a + growA, FSide.b - growB);
    }

    // w parallel one-pixel dashed lines centred on the edge. Dashes are as long as on a
    // page drawn at 1:1, or a printer's pixels would shrink them into a solid line.
    void dashed()
    {
        QPen pen(FColor, 1, dashStyle(FSide.line.Style()), Qt::FlatCap);
        if (FScale > 1) {
            QList<qreal> pattern = pen.dashPattern();
            for (qreal &part : pattern)
                part = std::round(part * FScale);
            pen.setDashPattern(pattern);
        }
        FCanvas.setPen(pen);
        FCanvas.setBrush(Qt::NoBrush);
        for (int i = 0; i < FW; ++i) {
            const int c = FSide.pos - FW / 2 + i;
            if (FSide.vertical)
                FCanvas.drawLine(c, FSide.a, c, FSide.b);
            else
                FCanvas.drawLine(FSide.a, c, FSide.b, c);
        }
    }

    // fsSquare: w on, w off (one on, one off for thin lines); fsAltDot: round dots of
    // diameter w, 2w apart (one on, one off for thin lines). Painted dot by dot, so the
    // result does not depend on how a device implements user dash patterns.
    void dotted()
    {
        const qint64 period = 2 * qint64(FW);
        const bool round = FSide.line.Style() == fsAltDot && FW > 1;
        FCanvas.setPen(Qt::NoPen);
        FCanvas.setBrush(FColor);
        // Start at the first period that can reach the visible part, end past it.
        qint64 first = FSide.a;
        if (FVisibleFrom - FW > first)
            first += (FVisibleFrom - FW - first) / period * period;
        const qint64 last = std::min<qint64>(FSide.b, FVisibleTo + FW);
        for (qint64 t = first; t <= last; t += period) {
            if (!round) {
                fill(t,
                     std::min<qint64>(t + FW, qint64(FSide.b) + 1),
                     bandStart(FSide.pos),
                     bandEnd(FSide.pos));
                continue;
            }
            const qint64 x = FSide.vertical ? bandStart(FSide.pos) : bandStart(t);
            const qint64 y = FSide.vertical ? bandStart(t) : bandStart(FSide.pos);
            FCanvas.drawEllipse(QRectF(double(x), double(y), FW, FW));
        }
    }

    QPainter &FCanvas;
    const FrameSide &FSide;
    int FW;
    double FScale;
    QColor FColor;
    qint64 FVisibleFrom;
    qint64 FVisibleTo;
};

// The elliptic gradient is 156 concentric ellipses shrinking linearly from 1.5 times the
// box to its centre, each painted over the last: a pixel takes the colour of the smallest

} // namespace

// ---------------------------------------------------------------------------------------
// TkavFrameLine

const TkavClassInfo &TkavFrameLine::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavFrameLine, TPersistent>(
        u"TkavFrameLine"_s, [](TkavPropBuilder<TkavFrameLine> &p) {
            p.Int(u"Color"_s, &TkavFrameLine::Color, &TkavFrameLine::SetColor)
                .TypeName(u"TColor"_s)
                .StoredIf(&TkavFrameLine::IsColorStored);
            p.Enum(u"Style"_s, &TkavFrameLine::Style, &TkavFrameLine::SetStyle)
                .StoredIf(&TkavFrameLine::IsStyleStored);
            p.Float(u"Width"_s, &TkavFrameLine::Width, &TkavFrameLine::SetWidth)
                .StoredIf(&TkavFrameLine::IsWidthStored);
        });
    return info;
}

TkavFrameLine::TkavFrameLine(TkavFrame *frame)
    : FFrame(frame)
{}

TkavFrameLine::~TkavFrameLine() = default;

void TkavFrameLine::Assign(const TPersistent &source)
{
    const auto *line = dynamic_cast<const TkavFrameLine *>(&source);
    if (!line) {
        TPersistent::Assign(source);
        return;
    }
    FColor = line->FColor;
    FStyle = line->FStyle;
    FWidth = line->FWidth;
}

bool TkavFrameLine::IsColorStored() const
{
    return FColor != (FFrame ? FFrame->Color() : kavFrameDefaultColor);
}

bool TkavFrameLine::IsStyleStored() const
{
    return FStyle != (FFrame ? FFrame->Style() : kavFrameDefaultStyle);
}

bool TkavFrameLine::IsWidthStored() const
{
    return FWidth != (FFrame ? FFrame->Width() : kavFrameDefaultWidth);
}

// ---------------------------------------------------------------------------------------
// TkavFrame

const TkavClassInfo &TkavFrame::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavFrame, TPersistent>(
        u"TkavFrame"_s, [](TkavPropBuilder<TkavFrame> &p) {
            p.Int(u"Color"_s, &TkavFrame::Color, &TkavFrame::SetColor)
                .TypeName(u"TColor"_s)
                .Default(kavFrameDefaultColor);
            p.Bool(u"DropShadow"_s, &TkavFrame::DropShadow, &TkavFrame::SetDropShadow)
                .Default(false);
            p.Int(u"ShadowColor"_s, &TkavFrame::ShadowColor, &TkavFrame::SetShadowColor)
                .TypeName(u"TColor"_s)
                .Default(kavFrameDefaultShadowColor);
            p.Float(u"ShadowWidth"_s, &TkavFrame::ShadowWidth, &TkavFrame::SetShadowWidth)
                .StoredIf(&TkavFrame::IsShadowWidthStored);
            p.Enum(u"Style"_s, &TkavFrame::Style, &TkavFrame::SetStyle)
                .Default(kavFrameDefaultStyle);
            p.Set(u"Typ"_s, &TkavFrame::Typ, &TkavFrame::SetTyp).Default(TkavFrameTypes());
            p.Float(u"Width"_s, &TkavFrame::Width, &TkavFrame::SetWidth)
                .StoredIf(&TkavFrame::IsWidthStored);
            p.Object(
                u"LeftLine"_s, [](TkavFrame &f) { return &f.LeftLine(); }, &TkavFrame::SetLeftLine);
            p.Object(
                u"TopLine"_s, [](TkavFrame &f) { return &f.TopLine(); }, &TkavFrame::SetTopLine);
            p.Object(
                u"RightLine"_s,
                [](TkavFrame &f) { return &f.RightLine(); },
                &TkavFrame::SetRightLine);
            p.Object(
                u"BottomLine"_s,
                [](TkavFrame &f) { return &f.BottomLine(); },
                &TkavFrame::SetBottomLine);
        });
    return info;
}

TkavFrame::TkavFrame()
    : FLeftLine(this)
    , FTopLine(this)
    , FRightLine(this)
    , FBottomLine(this)
{}

TkavFrame::~TkavFrame() = default;

void TkavFrame::Assign(const TPersistent &source)
{
    const auto *frame = dynamic_cast<const TkavFrame *>(&source);
    if (!frame) {
        TPersistent::Assign(source);
        return;
    }
    FColor = frame->FColor;
    FDropShadow = frame->FDropShadow;
    FShadowColor = frame->FShadowColor;
    FShadowWidth = frame->FShadowWidth;
    FStyle = frame->FStyle;
    FTyp = frame->FTyp;
    FWidth = frame->FWidth;
    FLeftLine.Assign(frame->FLeftLine);
    FTopLine.Assign(frame->FTopLine);
    FRightLine.Assign(frame->FRightLine);
    FBottomLine.Assign(frame->FBottomLine);
}

void TkavFrame::SetColor(TColor value)
{
    FColor = value;
    for (TkavFrameLine *line : {&FLeftLine, &FTopLine, &FRightLine, &FBottomLine})
        line->SetColor(value);
}

void TkavFrame::SetStyle(TkavFrameStyle value)
{
    FStyle = value;
    for (TkavFrameLine *line : {&FLeftLine, &FTopLine, &FRightLine, &FBottomLine})
        line->SetStyle(value);
}

void TkavFrame::SetWidth(double value)
{
    FWidth = value;
    for (TkavFrameLine *line : {&FLeftLine, &FTopLine, &FRightLine, &FBottomLine})
        line->SetWidth(value);
}

bool TkavFrame::IsShadowWidthStored() const
{
    return FShadowWidth != kavFrameDefaultShadowWidth;
}

bool TkavFrame::IsWidthStored() const
{
    return FWidth != kavFrameDefaultWidth;
}

QString TkavFrame::Diff(const TkavFrame &AFrame) const
{
    QString s;
    const bool colorChanged = FColor != AFrame.FColor;
    const bool styleChanged = FStyle != AFrame.FStyle;
    const bool widthChanged = floatsDiffer(FWidth, AFrame.FWidth);
    if (colorChanged)
        s += intAttr(u"Frame.Color"_s, FColor);
    if (FDropShadow != AFrame.FDropShadow)
        s += boolAttr(u"Frame.DropShadow"_s, FDropShadow);
    if (FShadowColor != AFrame.FShadowColor)
        s += intAttr(u"Frame.ShadowColor"_s, FShadowColor);
    if (floatsDiffer(FShadowWidth, AFrame.FShadowWidth))
        s += floatAttr(u"Frame.ShadowWidth"_s, FShadowWidth);
    if (styleChanged)
        s += intAttr(u"Frame.Style"_s, FStyle);
    if (FTyp != AFrame.FTyp)
        s += attr(u"Frame.Typ"_s, FTyp.ToText());
    if (widthChanged)
        s += floatAttr(u"Frame.Width"_s, FWidth);

    // Reading a changed frame-level value resets every line to it, so a line then needs
    // its own value only where it differs from its frame; otherwise where it differs from
    // the other frame's line.
    const struct
    {
        const char16_t *name;
        const TkavFrameLine &mine;
        const TkavFrameLine &other;
    } lines[] = {{u"Frame.LeftLine", FLeftLine, AFrame.FLeftLine},
                 {u"Frame.TopLine", FTopLine, AFrame.FTopLine},
                 {u"Frame.RightLine", FRightLine, AFrame.FRightLine},
                 {u"Frame.BottomLine", FBottomLine, AFrame.FBottomLine}};
    for (const auto &l : lines) {
        // Named only when written: most objects keep their frame.
        const auto name = [&l](QStringView part) { return QString::fromUtf16(l.name).append(part); };
        const TColor colorRef = colorChanged ? FColor : l.other.Color();
        const TkavFrameStyle styleRef = styleChanged ? FStyle : l.other.Style();
        const double widthRef = widthChanged ? FWidth : l.other.Width();
        if (l.mine.Color() != colorRef)
            s += intAttr(name(u".Color"), l.mine.Color());
        if (l.mine.Style() != styleRef)
            s += intAttr(name(u".Style"), l.mine.Style());
        if (floatsDiffer(l.mine.Width(), widthRef))
            s += floatAttr(name(u".Width"), l.mine.Width());
    }
    return s;
}

void TkavFrame::Draw(
    QPainter &Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY) const
{
    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing, false);

    // The shadow lies in the strip the view kept free right of and below the box; the
    // frame's own right and bottom lines are painted over its inner edge.
    if (FDropShadow && FShadowColor != clNone) {
        const qint64 s = kavRound(FShadowWidth * ScaleX);
        const qint64 t = kavRound(FShadowWidth * ScaleY);
        const QColor shadow = kavColorToQColor(FShadowColor);
        fillBox(Canvas, X1, Y + s, qint64(X1) + s + 1, qint64(Y1) + 1, shadow);
        fillBox(Canvas, X + t, Y1, qint64(X1) + t + 1, qint64(Y1) + t + 1, shadow);
    }

    if (!FTyp.IsEmpty() && FColor != clNone && FWidth > 0) {
        const bool left = FTyp.Contains(ftLeft);
        const bool right = FTyp.Contains(ftRight);
        const bool top = FTyp.Contains(ftTop);
        const bool bottom = FTyp.Contains(ftBottom);
        const FrameSide sides[] = {
            {FLeftLine, true, X, Y, Y1, top, bottom, -1},
            {FRightLine, true, X1, Y, Y1, top, bottom, +1},
            {FTopLine, false, Y, X, X1, left, right, -1},
            {FBottomLine, false, Y1, X, X1, left, right, +1},
        };
        const bool drawn[] = {left, right, top, bottom};
        const PixelArea visible = visibleArea(Canvas);
        for (int i = 0; i < 4; ++i) {
            if (!drawn[i] || sides[i].line.Color() == clNone)
                continue;
            const int w = scaledWidth(sides[i].line.Width(), ScaleX);
            SidePainter(Canvas, sides[i], w, ScaleX, visible).paint();
        }
    }
    Canvas.restore();
}

Qt::BrushStyle kavBrushPattern(TBrushStyle style)
{
    switch (style) {
    case bsSolid:
        return Qt::SolidPattern;
    case bsHorizontal:
        return Qt::HorPattern;
    case bsVertical:
        return Qt::VerPattern;
    case bsFDiagonal:
        return Qt::FDiagPattern;
    case bsBDiagonal:
        return Qt::BDiagPattern;
    case bsCross:
        return Qt::CrossPattern;
    case bsDiagCross:
        return Qt::DiagCrossPattern;
    case bsClear:
        break;
    }
    return Qt::NoBrush;
}

// ---------------------------------------------------------------------------------------
// TkavHyperlink

const TkavClassInfo &TkavHyperlink::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavHyperlink, TPersistent>(
        u"TkavHyperlink"_s, [](TkavPropBuilder<TkavHyperlink> &p) {
            // hkURL is the stored default, so objects without a link write no Kind.
            p.Enum(u"Kind"_s, &TkavHyperlink::Kind, &TkavHyperlink::SetKind)
                .Default(kavHyperlinkDefaultKind);
            p.String(
                u"DetailReport"_s, &TkavHyperlink::DetailReport, &TkavHyperlink::SetDetailReport);
            p.String(u"DetailPage"_s, &TkavHyperlink::DetailPage, &TkavHyperlink::SetDetailPage);
            p.String(u"Expression"_s, &TkavHyperlink::Expression, &TkavHyperlink::SetExpression);
            p.String(u"ReportVariable"_s,
                     &TkavHyperlink::ReportVariable,
                     &TkavHyperlink::SetReportVariable);
            p.String(u"TabCaption"_s, &TkavHyperlink::TabCaption, &TkavHyperlink::SetTabCaption);
            p.String(u"Value"_s, &TkavHyperlink::Value, &TkavHyperlink::SetValue);
            p.String(u"ValuesSeparator"_s,
                     &TkavHyperlink::ValuesSeparator,
                     &TkavHyperlink::SetValuesSeparator)
                .StoredIf(&TkavHyperlink::IsValuesSeparatorStored);
        });
    return info;
}

TkavHyperlink::TkavHyperlink()
    : FValuesSeparator(QString::fromUtf16(kavHyperlinkDefaultValuesSeparator))
{}

TkavHyperlink::~TkavHyperlink() = default;

void TkavHyperlink::Assign(const TPersistent &source)
{
    const auto *link = dynamic_cast<const TkavHyperlink *>(&source);
    if (!link) {
        TPersistent::Assign(source);
        return;
    }
    FKind = link->FKind;
    FDetailReport = link->FDetailReport;
    FDetailPage = link->FDetailPage;
    FExpression = link->FExpression;
    FReportVariable = link->FReportVariable;
    FTabCaption = link->FTabCaption;
    FValue = link->FValue;
    FValuesSeparator = link->FValuesSeparator;
}

bool TkavHyperlink::IsValuesSeparatorStored() const
{
    return FValuesSeparator != QStringView(kavHyperlinkDefaultValuesSeparator);
}

QString TkavHyperlink::Diff(const TkavHyperlink &AHyperlink, const QString &Add) const
{
    QString s;
    if (FKind != AHyperlink.FKind)
        s += intAttr(Add + u".Kind"_s, FKind);
    const struct
    {
        const char16_t *name;
        const QString &mine;
        const QString &other;
    } texts[] = {{u".DetailReport", FDetailReport, AHyperlink.FDetailReport},
                 {u".DetailPage", FDetailPage, AHyperlink.FDetailPage},
                 {u".ReportVariable", FReportVariable, AHyperlink.FReportVariable},
                 {u".TabCaption", FTabCaption, AHyperlink.FTabCaption},
                 {u".Value", FValue, AHyperlink.FValue},
                 {u".ValuesSeparator", FValuesSeparator, AHyperlink.FValuesSeparator}};
    for (const auto &t : texts) {
        if (t.mine != t.other)
            s += textAttr(Add + QString::fromUtf16(t.name), t.mine);
    }
    return s;
}

// ---------------------------------------------------------------------------------------

void kavRegisterFrameClasses()
{
    kavRegisterClass(TkavFrameLine::StaticClassInfo());
    kavRegisterClass(TkavFrame::StaticClassInfo());
    kavRegisterClass(TkavCustomFill::StaticClassInfo());
    kavRegisterClass(TkavBrushFill::StaticClassInfo());
    kavRegisterClass(TkavGradientFill::StaticClassInfo());
    kavRegisterClass(TkavGlassFill::StaticClassInfo());
    kavRegisterClass(TkavHyperlink::StaticClassInfo());
}
