#include "kavDMP.h"

#include "kavViews_p.h"

#include <persist/kavRes.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavMath.h>
#include <rtl/kavRTTI.h>

#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;
using namespace kavViewsPrivate;

namespace {

// A cell count within this of a whole number is that number (float noise of grid values).
constexpr double cellTolerance = 1e-6;

bool nearWhole(double cells)
{
    return std::abs(cells - std::round(cells)) < cellTolerance;
}

double roundToCells(double value, double cell)
{
    return double(kavDMPRoundCells(value, cell)) * cell;
}

double truncToCells(double value, double cell)
{
    return double(kavDMPTruncCells(value, cell)) * cell;
}

// Whether value already lies in the middle of a cell (a line's position).
bool inCellMiddle(double value, double cell)
{
    return nearWhole((value + cell / 2) / cell);
}

// The page an object is placed on when that page is a dot-matrix page.
const TkavDMPPage *dmpPageOf(const TkavComponent &obj)
{
    return dynamic_cast<const TkavDMPPage *>(obj.Page());
}

// Courier New 12 with the drawn styles of styles; the font stops notifying its owner, so
// later changes neither end font inheritance nor reach inheriting children.
void resetGridFont(TFont &font, TkavDMPFontStyles styles)
{
    font.SetOnChange({});
    TFont grid;
    grid.SetName(QString::fromUtf16(kavDMPFontName));
    grid.SetSize(kavDMPFontSize);
    TFontStyles drawn;
    drawn.SetIncluded(fsBold, styles.Contains(fsxBold));
    drawn.SetIncluded(fsItalic, styles.Contains(fsxItalic));
    drawn.SetIncluded(fsUnderline, styles.Contains(fsxUnderline));
    grid.SetStyle(drawn);
    font.Assign(grid);
}

// Paper millimetres to whole cells of cell pixels and back.
double paperToCells(double mm, double cell, bool truncate)
{
    const double pixels = mm * kavMMToPixels;
    return (truncate ? truncToCells(pixels, cell) : roundToCells(pixels, cell)) / kavMMToPixels;
}

// Paper dimensions are stored to 8 decimal places.
bool sameMillimetres(double a, double b)
{
    return std::abs(a - b) < 1e-6;
}

[[noreturn]] void badCommand(const QString &command, const QString &what)
{
    throw EConvertError(u"Invalid printer command \"%1\": %2"_s.arg(command, what));
}

// One decimal byte of a command.
char decimalByte(const QString &command, const QString &number)
{
    if (number.isEmpty())
        badCommand(command, u"a \"#\" is followed by no number"_s);
    for (QChar c : number) {
        if (c < u'0' || c > u'9')
            badCommand(command, u"\"%1\" is not a decimal number"_s.arg(number));
    }
    bool ok = false;
    const qulonglong value = number.toULongLong(&ok);
    if (!ok || value > 255)
        badCommand(command, u"%1 is outside the byte range 0-255"_s.arg(number));
    return char(value);
}

// One hexadecimal pair of a command.
char hexByte(const QString &command, QStringView pair)
{
    bool ok = pair.size() == 2;
    for (QChar c : pair)
        ok = ok && ((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'));
    if (!ok)
        badCommand(command, u"\"%1\" is not a hexadecimal byte"_s.arg(pair.toString()));
    return char(pair.toString().toUInt(nullptr, 16));
}

} // namespace

qint64 kavDMPRoundCells(double value, double cell)
{
    const double cells = value / cell;
    return nearWhole(cells) ? qint64(std::round(cells)) : kavRound(cells);
}

qint64 kavDMPTruncCells(double value, double cell)
{
    const double cells = value / cell;
    return nearWhole(cells) ? qint64(std::round(cells)) : kavTrunc(cells);
}

const TkavEnumInfo &kavEnumTypeInfo(TkavDMPFontStyle)
{
    static const TkavEnumInfo info(u"TkavDMPFontStyle"_s,
                                   {u"fsxBold"_s,
                                    u"fsxItalic"_s,
                                    u"fsxUnderline"_s,
                                    u"fsxSuperScript"_s,
                                    u"fsxSubScript"_s,
                                    u"fsxCondensed"_s,
                                    u"fsxWide"_s,
                                    u"fsx12cpi"_s,
                                    u"fsx15cpi"_s});
    return info;
}

const TkavSetInfo &kavSetTypeInfo(TkavDMPFontStyles)
{
    static const TkavSetInfo info(u"TkavDMPFontStyles"_s, kavEnumTypeInfo(TkavDMPFontStyle{}));
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavDMPPage

TkavDMPPage::TkavDMPPage(TkavComponent *AOwner)
    : TkavReportPage(AOwner)
{
    ResetFontOptions();
}

TkavDMPPage::~TkavDMPPage() = default;

void TkavDMPPage::ResetFontOptions()
{
    resetGridFont(Font(), FFontStyle);
}

void TkavDMPPage::SetDefaults()
{
    TkavReportPage::SetDefaults();
    SetLeftMargin(kavDMPCharWidth / kavMMToPixels);
    SetRightMargin(kavDMPCharWidth / kavMMToPixels);
    SetTopMargin(kavDMPCharHeight / kavMMToPixels);
    SetBottomMargin(kavDMPCharHeight / kavMMToPixels);
    SetSizeAndDimensions(PaperSize(),
                         paperToCells(PaperWidth(), kavDMPCharWidth, true),
                         paperToCells(PaperHeight(), kavDMPCharHeight, true));
}

void TkavDMPPage::SetPaperWidth(double Value)
{
    TkavReportPage::SetPaperWidth(Value);
    TkavReportPage::SetPaperWidth(paperToCells(PaperWidth(), kavDMPCharWidth, false));
}

void TkavDMPPage::SetPaperHeight(double Value)
{
    TkavReportPage::SetPaperHeight(Value);
    TkavReportPage::SetPaperHeight(paperToCells(PaperHeight(), kavDMPCharHeight, false));
}

void TkavDMPPage::SetPaperSize(int Value)
{
    // A page holding this paper cut down to whole cells (new pages, files and prepared
    // pages store the number after the dimensions) keeps it: rounding the table's size
    // again would widen a page of 82 columns to 83 at every load.
    double width = 0;
    double height = 0;
    if (Value < kavPaperCustom && kavGetPaperSize(Value, width, height)) {
        if (Orientation() == poLandscape)
            std::swap(width, height);
        if (sameMillimetres(PaperWidth(), paperToCells(width, kavDMPCharWidth, true))
            && sameMillimetres(PaperHeight(), paperToCells(height, kavDMPCharHeight, true))) {
            SetSizeAndDimensions(Value, PaperWidth(), PaperHeight());
            return;
        }
    }
    TkavReportPage::SetPaperSize(Value);
    SetSizeAndDimensions(PaperSize(),
                         paperToCells(PaperWidth(), kavDMPCharWidth, false),
                         paperToCells(PaperHeight(), kavDMPCharHeight, false));
}

void TkavDMPPage::SetParentFont(bool Value)
{
    TkavReportPage::SetParentFont(Value);
    ResetFontOptions();
}

void TkavDMPPage::SetFontStyle(TkavDMPFontStyles Value)
{
    FFontStyle = Value;
    ResetFontOptions();
    for (TkavComponent *obj : AllObjects()) {
        if (obj->ParentFont())
            obj->SetParentFont(true);
    }
}

const TkavClassInfo &TkavDMPPage::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavDMPPage, TkavReportPage>(
        u"TkavDMPPage"_s,
        [](TkavPropBuilder<TkavDMPPage> &p) {
            p.Set(u"FontStyle"_s, &TkavDMPPage::FontStyle, &TkavDMPPage::SetFontStyle)
                .Stored(true);
        },
        kavComponentFactory<TkavDMPPage>());
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavDMPMemoView

TkavDMPMemoView::TkavDMPMemoView(TkavComponent *AOwner)
    : TkavCustomMemoView(AOwner)
{
    ResetFontOptions();
    // The base constructor took the parent's font before this class existed.
    if (ParentFont() && Parent() && dmpPageOf(*this))
        SetParentFont(true);
}

TkavDMPMemoView::~TkavDMPMemoView() = default;

void TkavDMPMemoView::ResetFontOptions()
{
    resetGridFont(Font(), FFontStyle);
    SetCharSpacing(0);
    SetLineSpacing(1);
    SetGapX(0);
    SetGapY(0);
}

void TkavDMPMemoView::SetLeft(double Value)
{
    TkavCustomMemoView::SetLeft(Align() == baRight ? truncToCells(Value, kavDMPCharWidth)
                                                   : roundToCells(Value, kavDMPCharWidth));
}

void TkavDMPMemoView::SetTop(double Value)
{
    TkavCustomMemoView::SetTop(roundToCells(Value, kavDMPCharHeight));
}

void TkavDMPMemoView::SetWidth(double Value)
{
    TkavCustomMemoView::SetWidth(roundToCells(Value, kavDMPCharWidth));
}

void TkavDMPMemoView::SetHeight(double Value)
{
    TkavCustomMemoView::SetHeight(roundToCells(Value, kavDMPCharHeight));
}

void TkavDMPMemoView::SetBoundsDirect(double ALeft, double ATop, double AWidth, double AHeight)
{
    TkavCustomMemoView::SetLeft(ALeft);
    TkavCustomMemoView::SetTop(ATop);
    TkavCustomMemoView::SetWidth(AWidth);
    TkavCustomMemoView::SetHeight(AHeight);
}

void TkavDMPMemoView::SetParentFont(bool Value)
{
    TkavCustomMemoView::SetParentFont(Value);
    if (Value) {
        if (const TkavDMPPage *page = dmpPageOf(*this))
            FFontStyle = page->FontStyle();
    }
}

double TkavDMPMemoView::CalcHeight()
{
    return roundToCells(TkavCustomMemoView::CalcHeight(), kavDMPCharHeight);
}

double TkavDMPMemoView::CalcWidth()
{
    return roundToCells(TkavCustomMemoView::CalcWidth(), kavDMPCharWidth);
}

QString TkavDMPMemoView::GetoutBoundText() const
{
    const qint64 rows = kavDMPRoundCells(Height(), kavDMPCharHeight);
    const qint64 columns = std::max<qint64>(0, kavDMPRoundCells(Width(), kavDMPCharWidth));
    QString text;
    for (int i = 0; i < Memo().Count() && i < rows; ++i) {
        text += Memo().Strings(i).left(columns);
        text += u"\r\n"_s;
    }
    return text;
}

void TkavDMPMemoView::SetFontStyle(TkavDMPFontStyles Value)
{
    FFontStyle = Value;
    SetParentFont(false);
    ResetFontOptions();
}

QString TkavDMPMemoView::GetDescription() const
{
    return kavResourceTable().Get(u"obDMPText"_s);
}

void TkavDMPMemoView::DrawFrame()
{
    const double left = AbsLeft();
    const double top = AbsTop();
    const int x = roundEven((left - kavDMPHalfCharWidth) * FScaleX + FOffsetX);
    const int y = roundEven((top - kavDMPHalfCharHeight) * FScaleY + FOffsetY);
    const int x1 = roundEven((left + Width() + kavDMPHalfCharWidth) * FScaleX + FOffsetX);
    const int y1 = roundEven((top + Height() + kavDMPHalfCharHeight) * FScaleY + FOffsetY);
    Frame().Draw(*FCanvas, x, y, x1, y1, FScaleX, FScaleY);
}

const TkavClassInfo &TkavDMPMemoView::StaticClassInfo()
{
    using M = TkavDMPMemoView;
    using C = TkavCustomMemoView;
    static const TkavClassInfo info = kavMakeClassInfo<M, C>(
        u"TkavDMPMemoView"_s,
        [](TkavPropBuilder<M> &p) {
            p.Bool(u"AutoWidth"_s, &C::AutoWidth, &C::SetAutoWidth).Default(false);
            p.Bool(u"AllowExpressions"_s, &C::AllowExpressions, &C::SetAllowExpressions)
                .Default(true);
            publishDataBinding(p);
            p.Object(u"DisplayFormat"_s, &C::DisplayFormat, &C::SetDisplayFormat)
                .StoredIf(&C::IsDisplayFormatStored);
            p.String(u"ExpressionDelimiters"_s, &C::ExpressionDelimiters, &C::SetExpressionDelimiters)
                .StoredIf([](const M &m) {
                    return m.ExpressionDelimiters()
                           != QString::fromUtf16(kavMemoDefaultExpressionDelimiters);
                });
            p.Component(u"FlowTo"_s, &C::FlowTo, &C::SetFlowTo);
            p.Set(u"FontStyle"_s, &M::FontStyle, &M::SetFontStyle).StoredIf([](const M &m) {
                return !m.ParentFont();
            });
            p.Object(u"Frame"_s, &TkavView::Frame, &TkavView::SetFrame);
            p.Enum(u"HAlign"_s, &C::HAlign, &C::SetHAlign).Default(haLeft);
            p.Bool(u"HideZeros"_s, &C::HideZeros, &C::SetHideZeros).Default(false);
            p.WideStrings(u"Memo"_s, &C::Memo, &C::SetMemo).TypeName(u"TWideStrings"_s);
            kavPublishParentFont(p).Default(true);
            p.Bool(u"RTLReading"_s, &C::RTLReading, &C::SetRTLReading).Default(false);
            p.Bool(u"SuppressRepeated"_s, &C::SuppressRepeated, &C::SetSuppressRepeated)
                .Default(false);
            p.Bool(u"WordWrap"_s, &C::WordWrap, &C::SetWordWrap).Default(true);
            p.Bool(u"TruncOutboundText"_s, &M::TruncOutboundText, &M::SetTruncOutboundText)
                .Stored(true);
            p.Enum(u"VAlign"_s, &C::VAlign, &C::SetVAlign).Default(vaTop);
        },
        kavComponentFactory<M>());
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavDMPLineView

TkavDMPLineView::TkavDMPLineView(TkavComponent *AOwner)
    : TkavCustomLineView(AOwner)
{
    if (ParentFont() && Parent() && dmpPageOf(*this))
        SetParentFont(true);
}

TkavDMPLineView::~TkavDMPLineView() = default;

void TkavDMPLineView::SetLeft(double Value)
{
    constexpr double cell = kavDMPCharWidth;
    double left = Value;
    // A line already through the middle of a cell stays there (the right-aligned rule
    // would otherwise move it by a cell at every other assignment).
    if (!inCellMiddle(Value, cell)) {
        if (Value < 0)
            left = truncToCells(Value, cell) - kavDMPHalfCharWidth;
        else if (Align() == baRight)
            left = roundToCells(Value, cell) - kavDMPHalfCharWidth;
        else
            left = truncToCells(Value, cell) + kavDMPHalfCharWidth;
    }
    TkavCustomLineView::SetLeft(left);
}

void TkavDMPLineView::SetTop(double Value)
{
    constexpr double cell = kavDMPCharHeight;
    const double top = inCellMiddle(Value, cell) ? Value
                                                 : truncToCells(Value, cell) + kavDMPHalfCharHeight;
    TkavCustomLineView::SetTop(top);
}

void TkavDMPLineView::SetWidth(double Value)
{
    TkavCustomLineView::SetWidth(Align() == baWidth ? truncToCells(Value, kavDMPCharWidth)
                                                    : roundToCells(Value, kavDMPCharWidth));
}

void TkavDMPLineView::SetParentFont(bool Value)
{
    TkavCustomLineView::SetParentFont(Value);
    if (Value) {
        if (const TkavDMPPage *page = dmpPageOf(*this))
            FFontStyle = page->FontStyle();
    }
}

void TkavDMPLineView::SetFontStyle(TkavDMPFontStyles Value)
{
    FFontStyle = Value;
    SetParentFont(false);
}

QString TkavDMPLineView::GetDescription() const
{
    return kavResourceTable().Get(u"obDMPLine"_s);
}

const TkavClassInfo &TkavDMPLineView::StaticClassInfo()
{
    using L = TkavDMPLineView;
    static const TkavClassInfo info = kavMakeClassInfo<L, TkavCustomLineView>(
        u"TkavDMPLineView"_s,
        [](TkavPropBuilder<L> &p) {
            p.Set(u"FontStyle"_s, &L::FontStyle, &L::SetFontStyle).StoredIf([](const L &l) {
                return !l.ParentFont();
            });
            kavPublishParentFont(p).Default(true);
        },
        kavComponentFactory<L>());
    return info;
}

// ---------------------------------------------------------------------------------------
// TkavDMPCommand

TkavDMPCommand::TkavDMPCommand(TkavComponent *AOwner)
    : TkavView(AOwner)
{}

TkavDMPCommand::~TkavDMPCommand() = default;

void TkavDMPCommand::SetLeft(double Value)
{
    TkavView::SetLeft(roundToCells(Value, kavDMPCharWidth));
}

void TkavDMPCommand::SetTop(double Value)
{
    TkavView::SetTop(roundToCells(Value, kavDMPCharHeight));
}

QByteArray TkavDMPCommand::ToChr() const
{
    QByteArray bytes;
    if (FCommand.startsWith(u'#')) {
        // "#27#64": the closing mark ends the last number.
        const QString text = FCommand + u'#';
        QString number;
        for (qsizetype i = 1; i < text.size(); ++i) {
            if (text[i] == u'#') {
                bytes.append(decimalByte(FCommand, number));
                number.clear();
            } else {
                number += text[i];
            }
        }
        return bytes;
    }
    for (qsizetype i = 0; i + 1 < FCommand.size(); i += 2)
        bytes.append(hexByte(FCommand, QStringView(FCommand).mid(i, 2)));
    return bytes;
}

QString TkavDMPCommand::GetDescription() const
{
    return kavResourceTable().Get(u"obDMPCmd"_s);
}

const TkavClassInfo &TkavDMPCommand::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavDMPCommand, TkavView>(
        u"TkavDMPCommand"_s,
        [](TkavPropBuilder<TkavDMPCommand> &p) {
            p.String(u"Command"_s, &TkavDMPCommand::Command, &TkavDMPCommand::SetCommand);
        },
        kavComponentFactory<TkavDMPCommand>());
    return info;
}

void kavRegisterDMPClasses()
{
    kavRegisterClass(TkavDMPPage::StaticClassInfo());
    kavRegisterClass(TkavDMPMemoView::StaticClassInfo());
    kavRegisterClass(TkavDMPLineView::StaticClassInfo());
    kavRegisterClass(TkavDMPCommand::StaticClassInfo());
}
