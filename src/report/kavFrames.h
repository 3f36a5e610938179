#pragma once

// Frames, fills and hyperlinks: the small value objects every visual object owns (its
// frame with per-side lines and drop shadow, its background fill, its hyperlink), with
// their stored properties, copying, drawing and prepared-page difference texts.

#include <rtl/kavColors.h>
#include <rtl/kavObject.h>
#include <rtl/kavSet.h>

#include <QString>
#include <qnamespace.h>

#include <memory>

class QPainter;
class TkavEnumInfo;
class TkavSetInfo;

// ORDER persisted: files and difference texts store the ordinal.
enum TkavFrameStyle : int {
    fsSolid,
    fsDash,
    fsDot,
    fsDashDot,
    fsDashDotDot,
    fsDouble,
    fsAltDot,
    fsSquare
};

// ORDER persisted: Frame.Typ is the bit mask (left 1, right 2, top 4, bottom 8).
enum TkavFrameType : int {
    ftLeft,
    ftRight,
    ftTop,
    ftBottom
};
using TkavFrameTypes = TkavSet<TkavFrameType>;

// ORDER persisted: the brush fill's Style.
enum TBrushStyle : int {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

// Qt's pattern for a brush style: solid, a hatch, or no brush for bsClear.
Qt::BrushStyle kavBrushPattern(TBrushStyle style);

// ORDER persisted: a view's FillType selects the fill class by this ordinal.
enum TkavFillType : int {
    ftBrush,
    ftGradient,
    ftGlass
};

// ORDER persisted.
enum TkavGradientStyle : int {
    gsHorizontal,
    gsVertical,
    gsElliptic,
    gsRectangle,
    gsVertCenter,
    gsHorizCenter
};

// ORDER persisted.
enum TkavGlassFillOrientation : int {
    foVertical,
    foHorizontal,
    foVerticalMirror,
    foHorizontalMirror
};

// ORDER persisted.
enum TkavHyperlinkKind : int {
    hkURL,
    hkAnchor,
    hkPageNumber,
    hkDetailReport,
    hkDetailPage,
    hkCustom
};

const TkavEnumInfo &kavEnumTypeInfo(TkavFrameStyle);
const TkavEnumInfo &kavEnumTypeInfo(TkavFrameType);
const TkavSetInfo &kavSetTypeInfo(TkavFrameTypes);
const TkavEnumInfo &kavEnumTypeInfo(TBrushStyle);
const TkavEnumInfo &kavEnumTypeInfo(TkavFillType);
const TkavEnumInfo &kavEnumTypeInfo(TkavGradientStyle);
const TkavEnumInfo &kavEnumTypeInfo(TkavGlassFillOrientation);
const TkavEnumInfo &kavEnumTypeInfo(TkavHyperlinkKind);

// Initial values, each also the value the stored rules compare against.
inline constexpr TColor kavFrameDefaultColor = clBlack;
inline constexpr TkavFrameStyle kavFrameDefaultStyle = fsSolid;
inline constexpr double kavFrameDefaultWidth = 1;
inline constexpr TColor kavFrameDefaultShadowColor = clBlack;
inline constexpr double kavFrameDefaultShadowWidth = 4;
inline constexpr TColor kavBrushFillDefaultBackColor = clNone;
inline constexpr TColor kavBrushFillDefaultForeColor = clBlack;
inline constexpr TBrushStyle kavBrushFillDefaultStyle = bsSolid;
inline constexpr TColor kavGradientFillDefaultStartColor = clWhite;
inline constexpr TColor kavGradientFillDefaultEndColor = clBlack;
inline constexpr TkavGradientStyle kavGradientFillDefaultStyle = gsHorizontal;
// The glass colour starts gray and gray is also its stored default, so a white glass
// fill is written and reads back white.
inline constexpr TColor kavGlassFillDefaultColor = clGray;
inline constexpr double kavGlassFillDefaultBlend = 0.5;
inline constexpr TkavGlassFillOrientation kavGlassFillDefaultOrientation = foHorizontal;
inline constexpr TkavHyperlinkKind kavHyperlinkDefaultKind = hkURL;
inline constexpr char16_t kavHyperlinkDefaultValuesSeparator[] = u";";

class TkavFrame;

// ---------------------------------------------------------------------------------------
// One side of a frame. Its properties are stored only where they differ from its frame's.
class TkavFrameLine : public TPersistent
{
public:
    KAV_CLASSINFO

    // A line of frame (none: compared against the frame defaults).
    explicit TkavFrameLine(TkavFrame *frame = nullptr);
    ~TkavFrameLine() override;

    // Copies Color, Style and Width of another line; the frame stays.
    void Assign(const TPersistent &source) override;

    TkavFrame *Frame() const { return FFrame; }

    TColor Color() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }
    TkavFrameStyle Style() const { return FStyle; }
    void SetStyle(TkavFrameStyle value) { FStyle = value; }
    double Width() const { return FWidth; }
    void SetWidth(double value) { FWidth = value; }

    // Whether each property differs from the frame's own value.
    bool IsColorStored() const;
    bool IsStyleStored() const;
    bool IsWidthStored() const;

private:
    TkavFrame *FFrame; // not owned: the frame owns the line
    TColor FColor = kavFrameDefaultColor;
    TkavFrameStyle FStyle = kavFrameDefaultStyle;
    double FWidth = kavFrameDefaultWidth;
};

// ---------------------------------------------------------------------------------------
// The frame of a visual object: which sides are drawn, how, and an optional drop shadow.
class TkavFrame : public TPersistent
{
public:
    KAV_CLASSINFO

    TkavFrame();
    ~TkavFrame() override;

    // Copies every property and the four lines from another frame.
    void Assign(const TPersistent &source) override;

    TColor Color() const { return FColor; }
    // Also sets the colour of all four lines (likewise Style and Width).
    void SetColor(TColor value);
    bool DropShadow() const { return FDropShadow; }
    void SetDropShadow(bool value) { FDropShadow = value; }
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor value) { FShadowColor = value; }
    double ShadowWidth() const { return FShadowWidth; }
    void SetShadowWidth(double value) { FShadowWidth = value; }
    TkavFrameStyle Style() const { return FStyle; }
    void SetStyle(TkavFrameStyle value);
    TkavFrameTypes Typ() const { return FTyp; }
    void SetTyp(TkavFrameTypes value) { FTyp = value; }
    double Width() const { return FWidth; }
    void SetWidth(double value);

    TkavFrameLine &LeftLine() { return FLeftLine; }
    const TkavFrameLine &LeftLine() const { return FLeftLine; }
    TkavFrameLine &TopLine() { return FTopLine; }
    const TkavFrameLine &TopLine() const { return FTopLine; }
    TkavFrameLine &RightLine() { return FRightLine; }
    const TkavFrameLine &RightLine() const { return FRightLine; }
    TkavFrameLine &BottomLine() { return FBottomLine; }
    const TkavFrameLine &BottomLine() const { return FBottomLine; }
    // The setters copy the given line's properties.
    void SetLeftLine(const TkavFrameLine &value) { FLeftLine.Assign(value); }
    void SetTopLine(const TkavFrameLine &value) { FTopLine.Assign(value); }
    void SetRightLine(const TkavFrameLine &value) { FRightLine.Assign(value); }
    void SetBottomLine(const TkavFrameLine &value) { FBottomLine.Assign(value); }

    bool IsShadowWidthStored() const;
    bool IsWidthStored() const;

    // Prepared-page difference against AFrame: " Frame.Color=..." and the rest, each when
    // different, then the lines' attributes (LeftLine, TopLine, RightLine, BottomLine).
    QString Diff(const TkavFrame &AFrame) const;

    // Paints the drop shadow and the sides in Typ around the device rectangle (X, Y)-(X1,
    // Y1); widths are scaled by ScaleX and ScaleY. Sides in clNone are not drawn.
    void Draw(QPainter &Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY) const;

private:
    TColor FColor = kavFrameDefaultColor;
    bool FDropShadow = false;
    TColor FShadowColor = kavFrameDefaultShadowColor;
    double FShadowWidth = kavFrameDefaultShadowWidth;
    TkavFrameStyle FStyle = kavFrameDefaultStyle;
    TkavFrameTypes FTyp;
    double FWidth = kavFrameDefaultWidth;
    TkavFrameLine FLeftLine;
    TkavFrameLine FTopLine;
    TkavFrameLine FRightLine;
    TkavFrameLine FBottomLine;
};

// ---------------------------------------------------------------------------------------
// Background fills. A fill draws itself into a device rectangle and describes its
// difference from another fill for prepared pages.
class TkavCustomFill : public TPersistent
{
public:
    KAV_CLASSINFO

    ~TkavCustomFill() override;

    // Fills the device rectangle (X, Y)-(X1, Y1) (right and bottom excluded).
    virtual void
    Draw(QPainter &Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY) const = 0;
    // Attributes " <Add>.<Name>=..." where this fill differs from AFill; all of them when
    // AFill is missing or of another class.
    virtual QString Diff(const TkavCustomFill *AFill, const QString &Add) const = 0;
    // The one colour that stands for the fill where a single colour is asked for.
    virtual TColor representativeColor() const = 0;
};

class TkavBrushFill : public TkavCustomFill
{
public:
    KAV_CLASSINFO

    TkavBrushFill();
    ~TkavBrushFill() override;

    // Copies from another brush fill; other fills leave it unchanged.
    void Assign(const TPersistent &source) override;

    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor value) { FBackColor = value; }
    TColor ForeColor() const { return FForeColor; }
    void SetForeColor(TColor value) { FForeColor = value; }
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle value) { FStyle = value; }

    void Draw(QPainter &Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY)
        const override;
    QString Diff(const TkavCustomFill *AFill, const QString &Add) const override;
    // BackColor.
    TColor representativeColor() const override { return FBackColor; }

private:
    TColor FBackColor = kavBrushFillDefaultBackColor;
    TColor FForeColor = kavBrushFillDefaultForeColor;
    TBrushStyle FStyle = kavBrushFillDefaultStyle;
};

class TkavGradientFill : public TkavCustomFill
{
public:
    KAV_CLASSINFO

    TkavGradientFill();
    ~TkavGradientFill() override;

    // Copies from another gradient fill; other fills leave it unchanged.
    void Assign(const TPersistent &source) override;

    TColor StartColor() const { return FStartColor; }
    void SetStartColor(TColor value) { FStartColor = value; }
    TColor EndColor() const { return FEndColor; }
    void SetEndColor(TColor value) { FEndColor = value; }
    TkavGradientStyle GradientStyle() const { return FGradientStyle; }
    void SetGradientStyle(TkavGradientStyle value) { FGradientStyle = value; }

    // The work is bounded by the visible area: an elliptic gradient paints straight onto
    // the canvas (clipped) instead of through a bitmap of the whole rectangle, and
    // centre gradients paint one rectangle per colour run.
    void Draw(QPainter &Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY)
        const override;
    QString Diff(const TkavCustomFill *AFill, const QString &Add) const override;
    // Per channel start + 127 * (end - start) / 255, rounded half away from zero.
    TColor representativeColor() const override;

private:
    TColor FStartColor = kavGradientFillDefaultStartColor;
    TColor FEndColor = kavGradientFillDefaultEndColor;
    TkavGradientStyle FGradientStyle = kavGradientFillDefaultStyle;
};

class TkavGlassFill : public TkavCustomFill
{
public:
    KAV_CLASSINFO

    TkavGlassFill();
    ~TkavGlassFill() override;

    // Copies from another glass fill; other fills leave it unchanged.
    void Assign(const TPersistent &source) override;

    TColor Color() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }
    double Blend() const { return FBlend; }
    void SetBlend(double value) { FBlend = value; }
    bool Hatch() const { return FHatch; }
    void SetHatch(bool value) { FHatch = value; }
    TkavGlassFillOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TkavGlassFillOrientation value) { FOrientation = value; }

    // The lighter colour of the highlighted half: c + round((255 - c) * Blend) per
    // channel, kept within 0..255.
    TColor lightColor() const;

    void Draw(QPainter &Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY)
        const override;
    QString Diff(const TkavCustomFill *AFill, const QString &Add) const override;
    // A glass fill has none: clNone.
    TColor representativeColor() const override { return clNone; }

private:
    TColor FColor = kavGlassFillDefaultColor;
    double FBlend = kavGlassFillDefaultBlend;
    bool FHatch = false;
    TkavGlassFillOrientation FOrientation = kavGlassFillDefaultOrientation;
};

// The type of a fill object by its class: gradient ftGradient, glass ftGlass, anything
// else (a missing fill included) ftBrush.
TkavFillType kavFillTypeOf(const TkavCustomFill *fill);
// A new fill of that type with its initial values (out-of-range types give a brush fill).
std::unique_ptr<TkavCustomFill> kavCreateFill(TkavFillType type);
// Replaces fill by a new fill of type when its type differs (or it is missing); true when
// it was replaced. A fill of the same type is kept as it is.
bool kavSetFillType(std::unique_ptr<TkavCustomFill> &fill, TkavFillType type);
// Makes fill a copy of source: the same type, then the same properties.
void kavAssignFill(std::unique_ptr<TkavCustomFill> &fill, const TkavCustomFill &source);

// ---------------------------------------------------------------------------------------
// Where clicking an object in the preview leads: a URL, an anchor, a page, a detail
// report or page, or the application's own handling.
class TkavHyperlink : public TPersistent
{
public:
    KAV_CLASSINFO

    TkavHyperlink();
    ~TkavHyperlink() override;

    // Copies every property from another hyperlink.
    void Assign(const TPersistent &source) override;

    TkavHyperlinkKind Kind() const { return FKind; }
    void SetKind(TkavHyperlinkKind value) { FKind = value; }
    const QString &DetailReport() const { return FDetailReport; }
    void SetDetailReport(const QString &value) { FDetailReport = value; }
    const QString &DetailPage() const { return FDetailPage; }
    void SetDetailPage(const QString &value) { FDetailPage = value; }
    const QString &Expression() const { return FExpression; }
    void SetExpression(const QString &value) { FExpression = value; }
    const QString &ReportVariable() const { return FReportVariable; }
    void SetReportVariable(const QString &value) { FReportVariable = value; }
    const QString &TabCaption() const { return FTabCaption; }
    void SetTabCaption(const QString &value) { FTabCaption = value; }
    const QString &Value() const { return FValue; }
    void SetValue(const QString &value) { FValue = value; }
    const QString &ValuesSeparator() const { return FValuesSeparator; }
    void SetValuesSeparator(const QString &value) { FValuesSeparator = value; }

    bool IsValuesSeparatorStored() const;

    // Attributes " <Add>.Kind=..." and the rest where this differs from AHyperlink;
    // Expression never takes part (only its result in Value travels).
    QString Diff(const TkavHyperlink &AHyperlink, const QString &Add) const;

private:
    TkavHyperlinkKind FKind = kavHyperlinkDefaultKind;
    QString FDetailReport;
    QString FDetailPage;
    QString FExpression;
    QString FReportVariable;
    QString FTabCaption;
    QString FValue;
    QString FValuesSeparator;
};

// Registers the frame, fill and hyperlink classes in the class registry.
void kavRegisterFrameClasses();
