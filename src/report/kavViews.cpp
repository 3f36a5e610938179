#include "kavViews.h"

#include "kavDataSets.h"
#include "kavPages.h"
#include "kavReport.h"
#include "kavViews_p.h"

#include <persist/kavXML.h>
#include <rtl/kavCast.h>
#include <rtl/kavFormat.h>
#include <rtl/kavRTTI.h>

#include <QPainter>

#include <cmath>

using namespace Qt::StringLiterals;

namespace kavViewsPrivate {

bool floatsDiffer(double a, double b)
{
    return std::abs(a - b) > 0.0001;
}

void addAttr(QString &text, QStringView name, const QString &value)
{
    text += u' ';
    text += name;
    text += u"=\""_s;
    text += value;
    text += u'"';
}

QString boolText(bool value)
{
    return value ? u"1"_s : u"0"_s;
}

} // namespace kavViewsPrivate

using namespace kavViewsPrivate;

// ---------------------------------------------------------------------------------------
// Enumerations

const TkavEnumInfo &kavEnumTypeInfo(TkavAlign)
{
    static const TkavEnumInfo info(u"TkavAlign"_s,
                                   {u"baNone"_s,
                                    u"baLeft"_s,
                                    u"baRight"_s,
                                    u"baCenter"_s,
                                    u"baWidth"_s,
                                    u"baBottom"_s,
                                    u"baClient"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavShiftMode)
{
    static const TkavEnumInfo info(u"TkavShiftMode"_s,
                                   {u"smDontShift"_s, u"smAlways"_s, u"smWhenOverlapped"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavStretchMode)
{
    static const TkavEnumInfo info(u"TkavStretchMode"_s,
                                   {u"smDontStretch"_s, u"smActualHeight"_s, u"smMaxHeight"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavHAlign)
{
    static const TkavEnumInfo info(u"TkavHAlign"_s,
                                   {u"haLeft"_s, u"haRight"_s, u"haCenter"_s, u"haBlock"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavVAlign)
{
    static const TkavEnumInfo info(u"TkavVAlign"_s, {u"vaTop"_s, u"vaBottom"_s, u"vaCenter"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavVisibilityType)
{
    static const TkavEnumInfo info(u"TkavVisibilityType"_s,
                                   {u"vsPreview"_s, u"vsExport"_s, u"vsPrint"_s});
    return info;
}

const TkavSetInfo &kavSetTypeInfo(TkavVisibilityTypes)
{
    static const TkavSetInfo info(u"TkavVisibilityTypes"_s, kavEnumTypeInfo(TkavVisibilityType{}));
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavShapeKind)
{
    static const TkavEnumInfo info(u"TkavShapeKind"_s,
                                   {u"skRectangle"_s,
                                    u"skRoundRectangle"_s,
                                    u"skEllipse"_s,
                                    u"skTriangle"_s,
                                    u"skDiamond"_s,
                                    u"skDiagonal1"_s,
                                    u"skDiagonal2"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavFormatKind)
{
    static const TkavEnumInfo info(u"TkavFormatKind"_s,
                                   {u"fkText"_s, u"fkNumeric"_s, u"fkDateTime"_s, u"fkBoolean"_s});
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavFormat

TkavFormat::~TkavFormat() = default;

void TkavFormat::Assign(const TPersistent &source)
{
    if (const auto *f = kavCast<const TkavFormat>(&source)) {
        FDecimalSeparator = f->FDecimalSeparator;
        FThousandSeparator = f->FThousandSeparator;
        FFormatStr = f->FFormatStr;
        FKind = f->FKind;
        return;
    }
    TkavCollectionItem::Assign(source);
}

const TkavClassInfo &TkavFormat::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavFormat, TkavCollectionItem>(
        u"TkavFormat"_s, [](TkavPropBuilder<TkavFormat> &p) {
            p.String(u"DecimalSeparator"_s,
                     &TkavFormat::DecimalSeparator,
                     &TkavFormat::SetDecimalSeparator);
            p.String(u"ThousandSeparator"_s,
                     &TkavFormat::ThousandSeparator,
                     &TkavFormat::SetThousandSeparator);
            p.String(u"FormatStr"_s, &TkavFormat::FormatStr, &TkavFormat::SetFormatStr);
            p.Enum(u"Kind"_s, &TkavFormat::Kind, &TkavFormat::SetKind).Default(fkText);
        });
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavHighlight

TkavHighlight::TkavHighlight()
    : FFont(std::make_unique<TFont>())
    , FFill(kavCreateFill(ftBrush))
    , FFrame(std::make_unique<TkavFrame>())
{
    FFont->SetColor(clRed);
}

TkavHighlight::~TkavHighlight() = default;

void TkavHighlight::Assign(const TPersistent &source)
{
    const auto *h = kavCast<const TkavHighlight>(&source);
    if (!h) {
        TkavCollectionItem::Assign(source);
        return;
    }
    FApplyFont = h->FApplyFont;
    FApplyFill = h->FApplyFill;
    FApplyFrame = h->FApplyFrame;
    FFont->Assign(*h->FFont);
    kavAssignFill(FFill, *h->FFill);
    FFrame->Assign(*h->FFrame);
    FCondition = h->FCondition;
    FVisible = h->FVisible;
}

TColor TkavHighlight::Color() const
{
    const auto *brush = kavCast<const TkavBrushFill>(FFill.get());
    return brush ? brush->BackColor() : clNone;
}

void TkavHighlight::SetColor(TColor value)
{
    if (auto *brush = kavCast<TkavBrushFill>(FFill.get()))
        brush->SetBackColor(value);
}

const TkavClassInfo &TkavHighlight::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavHighlight, TkavCollectionItem>(
        u"TkavHighlight"_s, [](TkavPropBuilder<TkavHighlight> &p) {
            p.Bool(u"Active"_s, &TkavHighlight::Active, &TkavHighlight::SetActive).Stored(false);
            p.Bool(u"ApplyFont"_s, &TkavHighlight::ApplyFont, &TkavHighlight::SetApplyFont)
                .Default(true);
            p.Bool(u"ApplyFill"_s, &TkavHighlight::ApplyFill, &TkavHighlight::SetApplyFill)
                .Default(true);
            p.Bool(u"ApplyFrame"_s, &TkavHighlight::ApplyFrame, &TkavHighlight::SetApplyFrame)
                .Default(false);
            p.Object(u"Font"_s, &TkavHighlight::Font, &TkavHighlight::SetFont);
            p.Int(u"Color"_s, &TkavHighlight::Color, &TkavHighlight::SetColor)
                .TypeName(u"TColor"_s)
                .Stored(false);
            p.String(u"Condition"_s, &TkavHighlight::Condition, &TkavHighlight::SetCondition);
            p.Enum(u"FillType"_s, &TkavHighlight::FillType, &TkavHighlight::SetFillType);
            p.Object(u"Fill"_s, &TkavHighlight::Fill, &TkavHighlight::SetFill);
            p.Object(u"Frame"_s, &TkavHighlight::Frame, &TkavHighlight::SetFrame);
            p.Bool(u"Visible"_s, &TkavHighlight::Visible, &TkavHighlight::SetVisible).Default(true);
        });
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavView

TkavView::TkavView(TkavComponent *AOwner)
    : TkavReportComponent(AOwner)
    , FFrame(std::make_unique<TkavFrame>())
    , FHyperlink(std::make_unique<TkavHyperlink>())
    , FFill(kavCreateFill(ftBrush))
{
    SetkvComponentStyle(kvComponentStyle() + TkavComponentStyle{csDefaultDiff});
}

TkavView::~TkavView() = default;

TkavDataSet *TkavView::DataSet() const
{
    return FDataSetLink.DataSet();
}

void TkavView::SetDataSet(TkavDataSet *value)
{
    FDataSetLink.SetDataSet(value);
}

void TkavView::SetDataSetName(const QString &value)
{
    FDataSetLink.SetName(value, *this);
}

bool TkavView::IsDataField() const
{
    return DataSet() && !FDataField.isEmpty();
}

void TkavView::SetURL(const QString &value)
{
    if (value.isEmpty())
        return;
    if (value.front() == u'@' || value.front() == u'#') {
        FHyperlink->SetKind(value.front() == u'@' ? hkPageNumber : hkAnchor);
        FHyperlink->SetValue(value.mid(1, 255));
    } else {
        FHyperlink->SetKind(hkURL);
        FHyperlink->SetValue(value);
    }
}

TBrushStyle TkavView::BrushStyle() const
{
    const auto *brush = kavCast<const TkavBrushFill>(FFill.get());
    return brush ? brush->Style() : bsClear;
}

void TkavView::SetBrushStyle(TBrushStyle value)
{
    if (auto *brush = kavCast<TkavBrushFill>(FFill.get()))
        brush->SetStyle(value);
}

void TkavView::SetColor(TColor value)
{
    if (auto *brush = kavCast<TkavBrushFill>(FFill.get()))
        brush->SetBackColor(value);
}

void TkavView::SetPrintable(bool value)
{
    FVisibility.SetIncluded(vsPrint, value);
}

void TkavView::Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    if (!Canvas)
        return;
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    DrawBackground();
    DrawFrame();
}

QRect TkavView::DeviceRect(double ScaleX, double ScaleY, double OffsetX, double OffsetY) const
{
    const int x = roundEven(OffsetX + ScaleX * AbsLeft());
    const int y = roundEven(OffsetY + ScaleY * AbsTop());
    int x1 = roundEven(OffsetX + ScaleX * (AbsLeft() + Width()));
    int y1 = roundEven(OffsetY + ScaleY * (AbsTop() + Height()));
    if (FFrame->DropShadow()) {
        x1 -= roundEven(ScaleX * FFrame->ShadowWidth());
        y1 -= roundEven(ScaleY * FFrame->ShadowWidth());
    }
    return QRect(QPoint(x, y), QPoint(x1, y1));
}

void TkavView::BeginDraw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    FCanvas = Canvas;
    FScaleX = ScaleX;
    FScaleY = ScaleY;
    FOffsetX = OffsetX;
    FOffsetY = OffsetY;
    const QRect r = DeviceRect(ScaleX, ScaleY, OffsetX, OffsetY);
    FX = r.left();
    FY = r.top();
    FX1 = r.right();
    FY1 = r.bottom();
    FDX = FX1 - FX;
    FDY = FY1 - FY;
    FFrameWidth = roundEven(ScaleX * FFrame->Width());
}

void TkavView::DrawBackground()
{
    // The fill reaches under half of each frame line, so thick lines sit on the fill.
    const double w = FFrame->Width();
    const TkavFrameTypes typ = FFrame->Typ();
    const int halfX = roundEven(w * FScaleX / 2);
    const int halfY = roundEven(w * FScaleY / 2);
    const int oddX = roundEven(w * FScaleX) % 2;
    const int oddY = roundEven(w * FScaleY) % 2;
    FFill->Draw(*FCanvas,
                typ.Contains(ftLeft) ? FX - halfX : FX,
                typ.Contains(ftTop) ? FY - halfY : FY,
                typ.Contains(ftRight) ? FX1 + halfX + oddX : FX1,
                typ.Contains(ftBottom) ? FY1 + halfY + oddY : FY1,
                FScaleX,
                FScaleY);
}

void TkavView::DrawFrame()
{
    FFrame->Draw(*FCanvas, FX, FY, FX1, FY1, FScaleX, FScaleY);
}

void TkavView::BeforePrint()
{
    TkavReportComponent::BeforePrint();
    if (TkavReport *report = Report())
        report->SetSelfValue(Variant::FromObject(this));
    FSaveTagStr = FTagStr;
    FSaveHyperlinkValue = FHyperlink->Value();
}

void TkavView::AfterPrint()
{
    TkavReportComponent::AfterPrint();
    FTagStr = FSaveTagStr;
    FHyperlink->SetValue(FSaveHyperlinkValue);
}

QString TkavView::Diff(const TkavComponent &AComponent) const
{
    QString text = TkavReportComponent::Diff(AComponent);
    const auto *other = kavCast<const TkavView>(&AComponent);
    if (!other)
        return text;
    if (FAlign != other->FAlign)
        addAttr(text, u"Align", QString::number(int(FAlign)));
    text += FFrame->Diff(*other->FFrame);
    if (FCursor != other->FCursor)
        addAttr(text, u"Cursor", QString::number(FCursor));
    if (FVisibility != other->FVisibility)
        addAttr(text, u"Visibility", QString::number(FVisibility.Mask()));
    if (FTagStr != other->FTagStr)
        addAttr(text, u"TagStr", kavEncodeXMLText(FTagStr));
    if (FillType() != other->FillType())
        addAttr(text, u"FillType", QString::number(int(FillType())));
    text += FFill->Diff(other->FFill.get(), u"Fill"_s);
    text += FHyperlink->Diff(*other->FHyperlink, u"Hyperlink"_s);
    return text;
}

const TkavClassInfo &TkavView::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavView, TkavReportComponent>(
        u"TkavView"_s,
        [](TkavPropBuilder<TkavView> &p) { publishViewProps(p); },
        kavComponentFactory<TkavView>());
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavStretcheable

TkavStretcheable::TkavStretcheable(TkavComponent *AOwner)
    : TkavView(AOwner)
{}

TkavStretcheable::~TkavStretcheable() = default;

const TkavClassInfo &TkavStretcheable::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavStretcheable, TkavView>(
        u"TkavStretcheable"_s,
        [](TkavPropBuilder<TkavStretcheable> &p) {
            p.Enum(u"StretchMode"_s,
                   &TkavStretcheable::StretchMode,
                   &TkavStretcheable::SetStretchMode)
                .Default(smDontStretch);
        },
        kavComponentFactory<TkavStretcheable>());
    return info;
}

// ---------------------------------------------------------------------------------------
// Lines

TkavCustomLineView::TkavCustomLineView(TkavComponent *AOwner)
    : TkavStretcheable(AOwner)
{
    SetkvComponentStyle(kvComponentStyle() - TkavComponentStyle{csDefaultDiff});
}

TkavCustomLineView::~TkavCustomLineView() = default;

void TkavCustomLineView::designSetup(int Flags)
{
    TkavStretcheable::designSetup(Flags);
    if (Flags < 1 || Flags > 4)
        return;
    FDiagonal = true;
    FArrowEnd = Flags == 2 || Flags == 4;
    FArrowStart = Flags == 3 || Flags == 4;
}

const TkavClassInfo &TkavCustomLineView::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavCustomLineView, TkavStretcheable>(
        u"TkavCustomLineView"_s,
        [](TkavPropBuilder<TkavCustomLineView> &p) {
            p.Int(u"Color"_s, &TkavCustomLineView::Color, &TkavCustomLineView::SetColor)
                .TypeName(u"TColor"_s)
                .Default(clNone);
            publishTagStr(p);
        },
        kavComponentFactory<TkavCustomLineView>());
    return info;
}

TkavLineView::~TkavLineView() = default;

const TkavClassInfo &TkavLineView::StaticClassInfo()
{
    using L = TkavCustomLineView;
    static const TkavClassInfo info = kavMakeClassInfo<TkavLineView, TkavCustomLineView>(
        u"TkavLineView"_s,
        [](TkavPropBuilder<TkavLineView> &p) {
            p.Bool(u"ArrowEnd"_s, &L::ArrowEnd, &L::SetArrowEnd).Default(false);
            p.Int(u"ArrowLength"_s, &L::ArrowLength, &L::SetArrowLength)
                .Default(kavLineDefaultArrowLength);
            p.Bool(u"ArrowSolid"_s, &L::ArrowSolid, &L::SetArrowSolid).Default(false);
            p.Bool(u"ArrowStart"_s, &L::ArrowStart, &L::SetArrowStart).Default(false);
            p.Int(u"ArrowWidth"_s, &L::ArrowWidth, &L::SetArrowWidth)
                .Default(kavLineDefaultArrowWidth);
            p.Object(u"Frame"_s, &TkavView::Frame, &TkavView::SetFrame);
            p.Bool(u"Diagonal"_s, &L::Diagonal, &L::SetDiagonal).Default(false);
        },
        kavComponentFactory<TkavLineView>());
    return info;
}

// ---------------------------------------------------------------------------------------
// Shapes

TkavShapeView::TkavShapeView(TkavComponent *AOwner)
    : TkavView(AOwner)
{
    SetkvComponentStyle(kvComponentStyle() - TkavComponentStyle{csDefaultDiff});
}

TkavShapeView::~TkavShapeView() = default;

void TkavShapeView::designSetup(int Flags)
{
    TkavView::designSetup(Flags);
    if (kavEnumTypeInfo(TkavShapeKind{}).Contains(Flags))
        FShape = TkavShapeKind(Flags);
}

const TkavClassInfo &TkavShapeView::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavShapeView, TkavView>(
        u"TkavShapeView"_s,
        [](TkavPropBuilder<TkavShapeView> &p) {
            p.Enum(u"Shape"_s, &TkavShapeView::Shape, &TkavShapeView::SetShape)
                .Default(skRectangle);
            p.Int(u"Curve"_s, &TkavShapeView::Curve, &TkavShapeView::SetCurve).Default(0);
            publishColor(p);
            publishCursor(p);
            publishFrameAndFill(p, false);
            publishTagStr(p);
            publishURL(p);
        },
        kavComponentFactory<TkavShapeView>());
    return info;
}

// ---------------------------------------------------------------------------------------
// Subreports

TkavSubreport::TkavSubreport(TkavComponent *AOwner)
    : TkavView(AOwner)
{
    SetkvComponentStyle(kvComponentStyle() - TkavComponentStyle{csPreviewVisible});
    Frame().SetTyp(TkavFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
    Font().SetName(u"Tahoma"_s);
    Font().SetSize(8);
    SetColor(kavSubreportDefaultColor);
}

TkavSubreport::~TkavSubreport()
{
    releasePage();
}

TkavReportPage *TkavSubreport::SubPage() const
{
    return FPage.get();
}

void TkavSubreport::SetSubPage(TkavReportPage *value)
{
    if (value == FPage.get())
        return;
    releasePage();
    FPage = value;
    if (value)
        value->SetSubReport(this);
}

void TkavSubreport::releasePage()
{
    TkavReportPage *page = FPage.get();
    if (page && page->SubReport() == this)
        page->SetSubReport(nullptr);
    FPage = nullptr;
}

const TkavClassInfo &TkavSubreport::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavSubreport, TkavView>(
        u"TkavSubreport"_s,
        [](TkavPropBuilder<TkavSubreport> &p) {
            p.Component(u"Page"_s, &TkavSubreport::SubPage, &TkavSubreport::SetSubPage);
            p.Bool(u"PrintOnParent"_s,
                   &TkavSubreport::PrintOnParent,
                   &TkavSubreport::SetPrintOnParent)
                .Default(false);
        },
        kavComponentFactory<TkavSubreport>());
    return info;
}

// ---------------------------------------------------------------------------------------
// Helpers and start-up

QString kavQuoteScriptString(const QString &text, bool pascalScript)
{
    if (pascalScript) {
        QString quoted = text;
        quoted.replace(u'\'', u"''"_s);
        return u'\'' + quoted + u'\'';
    }
    // Backslashes first: C-like string literals read escapes, so a lone backslash would
    // swallow the next character (or the closing quote).
    QString quoted = text;
    quoted.replace(u'\\', u"\\\\"_s);
    quoted.replace(u'"', u"\\\""_s);
    return u'"' + quoted + u'"';
}

void kavRegisterViewClasses()
{
    kavRegisterClass(TkavCustomMemoView::StaticClassInfo());
    kavRegisterClass(TkavMemoView::StaticClassInfo());
    kavRegisterClass(TkavSysMemoView::StaticClassInfo());
    kavRegisterClass(TkavCustomLineView::StaticClassInfo());
    kavRegisterClass(TkavLineView::StaticClassInfo());
    kavRegisterClass(TkavShapeView::StaticClassInfo());
    kavRegisterClass(TkavPictureView::StaticClassInfo());
    kavRegisterClass(TkavSubreport::StaticClassInfo());
    kavRegisterClass(TkavFormat::StaticClassInfo());
    kavRegisterClass(TkavHighlight::StaticClassInfo());
}
