// Text objects on the text layout engine: text rectangle, padding, drawing, heights and
// widths, and splitting across pages; the subreport placeholder's caption.

#include "kavFrames_p.h"
#include "kavReport.h"
#include "kavViews.h"
#include "kavViews_p.h"

#include <persist/kavVariables.h>
#include <prepared/kavDrawText.h>
#include <prepared/kavFonts.h>
#include <rtl/kavMath.h>
#include <rtl/kavVariant.h>

#include <QPainter>

using namespace Qt::StringLiterals;
using namespace kavFramesPrivate;
using namespace kavViewsPrivate;

namespace {

// The width and height of the area AutoWidth and CalcWidth measure in.
constexpr int wideArea = 10000;

// Holds the engine's process-wide lock for one sequence of set-up, measuring and drawing.
class EngineLock
{
public:
    explicit EngineLock(TkavDrawText &engine)
        : FEngine(engine)
    {
        FEngine.Lock();
    }
    ~EngineLock() { FEngine.Unlock(); }
    EngineLock(const EngineLock &) = delete;
    EngineLock &operator=(const EngineLock &) = delete;

private:
    TkavDrawText &FEngine;
};

QStringList linesOf(const TStrings &strings)
{
    QStringList lines;
    lines.reserve(strings.Count());
    for (int i = 0; i < strings.Count(); ++i)
        lines << strings.Strings(i);
    return lines;
}

// Replaces every occurrence of macro (compared in upper case) by value; true when any was.
bool replaceMacro(QString &text, QStringView macro, const QString &value)
{
    bool replaced = false;
    for (qsizetype at = text.indexOf(macro, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(macro, at + value.size(), Qt::CaseInsensitive)) {
        text.replace(at, macro.size(), value);
        replaced = true;
    }
    return replaced;
}

// Both macros end in "#]": a text without it is not joined and searched.
bool mayHoldMacros(const TStrings &lines)
{
    for (int i = 0; i < lines.Count(); ++i)
        if (lines.Strings(i).contains(u"#]"))
            return true;
    return false;
}

} // namespace

TkavDrawText &TkavCustomMemoView::drawText() const
{
    const TkavReport *report = Report();
    return report ? report->DrawText() : kavDefaultDrawText();
}

QRect TkavCustomMemoView::TextRect(double ScaleX,
                                   double ScaleY,
                                   double OffsetX,
                                   double OffsetY) const
{
    const QRect r = DeviceRect(ScaleX, ScaleY, OffsetX, OffsetY);
    const TkavFrame &frame = Frame();
    const double w = frame.Width();
    const TkavFrameTypes typ = frame.Typ();
    const int left = r.left() + (typ.Contains(ftLeft) ? roundEven((ScaleX * w - 1) / 2) : 0)
                     + roundEven(ScaleX * FGapX);
    const int top = r.top() + (typ.Contains(ftTop) ? roundEven((ScaleY * w - 1) / 2) : 0)
                    + roundEven(ScaleY * FGapY);
    const int right = r.right() - (typ.Contains(ftRight) ? roundEven(ScaleX * w / 2) : 0)
                      - roundEven(ScaleX * FGapX) + 1;
    const int bottom = r.bottom() - (typ.Contains(ftBottom) ? roundEven(ScaleY * w / 2) : 0)
                       - roundEven(ScaleY * FGapY) + 1;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

double TkavCustomMemoView::VerticalPadding() const
{
    const TkavFrame &frame = Frame();
    return 2 * FGapY + (frame.Typ().Contains(ftTop) ? (frame.Width() - 1) / 2 : 0)
           + (frame.Typ().Contains(ftBottom) ? frame.Width() / 2 : 0)
           + (frame.DropShadow() ? frame.ShadowWidth() : 0);
}

double TkavCustomMemoView::HorizontalPadding() const
{
    const TkavFrame &frame = Frame();
    return 2 * FGapX + (frame.Typ().Contains(ftLeft) ? (frame.Width() - 1) / 2 : 0)
           + (frame.Typ().Contains(ftRight) ? frame.Width() / 2 : 0)
           + (frame.DropShadow() ? frame.ShadowWidth() : 0);
}

namespace {

// QRect's right and bottom are inclusive; the engine's areas run from left to right.
QRectF area(const QRect &r)
{
    return QRectF(QPointF(r.left(), r.top()), QPointF(r.right(), r.bottom()));
}

} // namespace

void TkavCustomMemoView::prepareLayout(
    TkavDrawText &engine, double ScaleX, double ScaleY, double OffsetX, double OffsetY, bool wide)
{
    engine.SetFont(Font());
    engine.SetOptions(
        FWordWrap, FAllowHTMLTags, FRTLReading, FWordBreak, FClipped, FWysiwyg, FRotation);
    engine.SetGaps(FParagraphGap, FCharSpacing, FLineSpacing);
    engine.SetUseDefaultCharset(FUseDefaultCharset);
    engine.SetMonoFont(DrawAsMask());
    if (FAutoWidth && !IsDesigning())
        applyAutoWidth(engine);
    if (wide) {
        const QRectF big(0, 0, wideArea, wideArea);
        engine.SetDimensions(1, 1, 1, big, big);
    } else {
        engine.SetDimensions(ScaleX,
                             ScaleY,
                             FPrintScale,
                             area(TextRect(1, 1, 0, 0)),
                             area(TextRect(ScaleX, ScaleY, OffsetX, OffsetY)));
    }
    engine.SetText(linesOf(*FMemo), FFirstParaBreak);
    engine.SetParaBreaks(FFirstParaBreak, FLastParaBreak);
}

void TkavCustomMemoView::applyAutoWidth(TkavDrawText &engine)
{
    const QRectF big(0, 0, wideArea, wideArea);
    engine.SetDimensions(1, 1, 1, big, big);
    engine.SetText(linesOf(*FMemo), FFirstParaBreak);
    const double width = engine.CalcWidth() + HorizontalPadding();
    if (FHAlign == haRight)
        SetLeft(Left() + Width() - width);
    else if (FHAlign == haCenter)
        SetLeft(Left() + (Width() - width) / 2);
    SetWidth(width);
    if (TkavComponent *parent = Parent())
        parent->AlignChildren();
}

void TkavCustomMemoView::ExtractMacros()
{
    if (!FAllowExpressions || !mayHoldMacros(*FMemo))
        return;
    QString text = FMemo->Text();
    bool changed = replaceMacro(text, u"[TOTALPAGES#]", QString::number(FTotalPages));
    if (text.contains(u"[COPYNAME#]", Qt::CaseInsensitive)) {
        const Variant name = kavGlobalVariables().GetVariable(u"CopyName"_s);
        const QString copy = name.IsNull() ? QString() : name.AsString() + QString::number(FCopyNo);
        changed = replaceMacro(text, u"[COPYNAME#]", copy) || changed;
    }
    if (changed)
        FMemo->SetText(text);
}

QString TkavCustomMemoView::GetComponentText() const
{
    QString text = FMemo->Text();
    if (FAllowExpressions) {
        const qsizetype at = text.indexOf(u"[TOTALPAGES]", 0, Qt::CaseInsensitive);
        if (at >= 0)
            text.replace(at, 12, QString::number(FTotalPages));
    }
    return text;
}

void TkavCustomMemoView::Draw(
    QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    if (!Canvas)
        return;
    if (!IsDesigning())
        ExtractMacros();
    // In the designer a memo bound to a field shows where its text comes from.
    QString savedText;
    const bool showBinding = IsDesigning() && IsDataField();
    if (showBinding) {
        savedText = FMemo->Text();
        FMemo->SetText(u"[%1.\"%2\"]"_s.arg(DataSetName(), DataField()));
    }
    TkavDrawText &engine = drawText();
    EngineLock lock(engine);
    prepareLayout(engine, ScaleX, ScaleY, OffsetX, OffsetY);
    TkavView::Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    if (FUnderlines && FRotation == 0 && Frame().Color() != clNone) {
        const double h = engine.LineHeight() * ScaleY;
        Canvas->save();
        Canvas->setRenderHint(QPainter::Antialiasing, false);
        Canvas->setPen(QPen(kavColorToQColor(Frame().Color()), qMax(1, FFrameWidth)));
        if (h > 0) {
            for (double y = FY + ScaleY * (FGapY - FLineSpacing + 1) + h; y < FY1; y += h)
                Canvas->drawLine(QPointF(FX, y), QPointF(FX1, y));
        }
        Canvas->restore();
    }
    engine.DrawText(*Canvas, FHAlign, FVAlign);
    if (showBinding)
        FMemo->SetText(savedText);
}

double TkavCustomMemoView::CalcHeight()
{
    TkavDrawText &engine = drawText();
    EngineLock lock(engine);
    prepareLayout(engine, 1, 1, 0, 0, FAutoWidth);
    return double(roundEven(engine.CalcHeight() + VerticalPadding()));
}

double TkavCustomMemoView::CalcWidth()
{
    TkavDrawText &engine = drawText();
    EngineLock lock(engine);
    prepareLayout(engine, 1, 1, 0, 0, true);
    return double(roundEven(engine.CalcWidth() + HorizontalPadding()));
}

void TkavCustomMemoView::InitPart()
{
    FPartText = FMemo->Text();
    FFirstParaBreak = false;
    FLastParaBreak = false;
}

double TkavCustomMemoView::DrawPart()
{
    TkavDrawText &engine = drawText();
    EngineLock lock(engine);
    FMemo->SetText(FPartText);
    prepareLayout(engine, 1, 1, 0, 0);
    bool paraBreak = false;
    FPartText = engine.GetOutBoundsText(paraBreak);
    FMemo->SetText(engine.GetInBoundsText());
    FLastParaBreak = paraBreak;
    const double unused = engine.UnusedSpace();
    return unused == 0 ? Height() : unused;
}

QString TkavCustomMemoView::WrapText(bool WrapWords)
{
    TkavDrawText &engine = drawText();
    EngineLock lock(engine);
    prepareLayout(engine, 1, 1, 0, 0);
    return WrapWords ? engine.GetWrappedText() : engine.DeleteTags(FMemo->Text());
}

// ---------------------------------------------------------------------------------------
// Subreports

void TkavSubreport::Draw(
    QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    if (!Canvas)
        return;
    TkavView::Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    const TFont &font = Font();
    Canvas->save();
    Canvas->setFont(
        kavToQFont(font, qMax(1, roundEven(-kavFontSizeToHeight(font.Size()) * ScaleY))));
    Canvas->setPen(kavColorToQColor(font.Color()));
    const QRect box(QPoint(FX + 2, FY + 2), QPoint(FX1, FY1));
    Canvas->setClipRect(box, Qt::IntersectClip);
    Canvas->drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, Name());
    Canvas->restore();
}
