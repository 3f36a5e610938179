#include "kavPages.h"

#include "kavBands.h"
#include "kavDataSets.h"
#include "kavViews.h"

#include <rtl/kavFormat.h>
#include <rtl/kavMath.h>
#include <rtl/kavRTTI.h>

#include <QPageSize>
#include <QPainter>
#include <QSizeF>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

// ---------------------------------------------------------------------------------------
// Enumerations and the paper table

const TkavEnumInfo &kavEnumTypeInfo(TPrinterOrientation)
{
    static const TkavEnumInfo info(u"TPrinterOrientation"_s, {u"poPortrait"_s, u"poLandscape"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TkavDuplexMode)
{
    static const TkavEnumInfo info(
        u"TkavDuplexMode"_s, {u"dmNone"_s, u"dmVertical"_s, u"dmHorizontal"_s, u"dmSimplex"_s});
    return info;
}

bool kavGetPaperSize(int paperSize, double &width, double &height)
{
    // The platform's paper numbers are the legacy printer-driver ids QPageSize knows.
    if (paperSize <= 0 || paperSize >= kavPaperCustom)
        return false;
    const QPageSize::PageSizeId id = QPageSize::id(paperSize);
    if (id == QPageSize::Custom)
        return false;
    const QSizeF size = QPageSize::size(id, QPageSize::Millimeter);
    if (size.isEmpty())
        return false;
    width = kavRoundPaperDimension(size.width());
    height = kavRoundPaperDimension(size.height());
    return true;
}

double kavRoundPaperDimension(double value)
{
    // In floating point: an integer product would overflow above a few millimetres.
    constexpr double scale = 100000000.0;
    return kavRoundFloat(value * scale) / scale;
}

double kavPaperToPixels(double mm)
{
    return kavRoundFloat(mm * kavMMToPixels);
}

// ---------------------------------------------------------------------------------------
// TkavPage

const TkavClassInfo &TkavPage::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavPage, TkavComponent>(
        u"TkavPage"_s,
        [](TkavPropBuilder<TkavPage> &p) {
            kavPublishFont(p);
            kavPublishVisible(p).Default(true);
        },
        nullptr);
    return info;
}

TkavPage::TkavPage(TkavComponent *AOwner)
    : TkavComponent(AOwner)
{}

TkavPage::~TkavPage() = default;

// ---------------------------------------------------------------------------------------
// TkavReportPage

const TkavClassInfo &TkavReportPage::StaticClassInfo()
{
    using P = TkavReportPage;
    static const TkavClassInfo info = kavMakeClassInfo<P, TkavPage>(
        u"TkavReportPage"_s,
        [](TkavPropBuilder<P> &p) {
            p.Enum(u"Orientation"_s, &P::Orientation, &P::SetOrientation)
                .Default(kavPageDefaultOrientation);
            p.Float(u"PaperWidth"_s, &P::PaperWidth, &P::SetPaperWidth, u"Extended"_s);
            p.Float(u"PaperHeight"_s, &P::PaperHeight, &P::SetPaperHeight, u"Extended"_s);
            p.Int(u"PaperSize"_s, &P::PaperSize, &P::SetPaperSize); // always written
            p.Float(u"LeftMargin"_s, &P::LeftMargin, &P::SetLeftMargin, u"Extended"_s);
            p.Float(u"RightMargin"_s, &P::RightMargin, &P::SetRightMargin, u"Extended"_s);
            p.Float(u"TopMargin"_s, &P::TopMargin, &P::SetTopMargin, u"Extended"_s);
            p.Float(u"BottomMargin"_s, &P::BottomMargin, &P::SetBottomMargin, u"Extended"_s);
            p.Bool(u"MirrorMargins"_s, &P::MirrorMargins, &P::SetMirrorMargins).Default(false);
            p.Int(u"Columns"_s, &P::Columns, &P::SetColumns).Default(0);
            p.Float(u"ColumnWidth"_s, &P::ColumnWidth, &P::SetColumnWidth, u"Extended"_s);
            p.StringList(u"ColumnPositions"_s, &P::ColumnPositions, &P::SetColumnPositions);
            p.Int(u"Bin"_s, &P::Bin, &P::SetBin).Default(kavPageDefaultBin);
            p.Int(u"BinOtherPages"_s, &P::BinOtherPages, &P::SetBinOtherPages)
                .Default(kavPageDefaultBin);
            p.Object(u"BackPicture"_s, &P::BackPicture, &P::SetBackPicture);
            p.Bool(u"BackPictureVisible"_s, &P::BackPictureVisible, &P::SetBackPictureVisible)
                .Default(true);
            p.Bool(u"BackPicturePrintable"_s, &P::BackPicturePrintable, &P::SetBackPicturePrintable)
                .Default(true);
            p.Int(u"PageCount"_s, &P::PageCount, &P::SetPageCount)
                .Default(kavPageDefaultPageCount)
                .Range(std::numeric_limits<qint32>::min(), kavMaxPageCount);
            p.Int(u"Color"_s, &P::Color, &P::SetColor).TypeName(u"TColor"_s).Default(clNone);
            p.Component(u"DataSet"_s, &P::DataSet, &P::SetDataSet).Stored(false);
            p.String(u"DataSetName"_s, &P::DataSetName, &P::SetDataSetName)
                .StoredIf([](const P &page) { return !page.DataSetName().isEmpty(); });
            p.Enum(u"Duplex"_s, &P::Duplex, &P::SetDuplex).Default(kavPageDefaultDuplex);
            p.Object(u"Frame"_s, &P::Frame, &P::SetFrame);
            p.Bool(u"EndlessHeight"_s, &P::EndlessHeight, &P::SetEndlessHeight).Default(false);
            p.Bool(u"EndlessWidth"_s, &P::EndlessWidth, &P::SetEndlessWidth).Default(false);
            p.Bool(u"LargeDesignHeight"_s, &P::LargeDesignHeight, &P::SetLargeDesignHeight)
                .Default(false);
            p.String(u"OutlineText"_s, &P::OutlineText, &P::SetOutlineText);
            p.Bool(u"PrintIfEmpty"_s, &P::PrintIfEmpty, &P::SetPrintIfEmpty).Default(true);
            p.Bool(u"PrintOnPreviousPage"_s, &P::PrintOnPreviousPage, &P::SetPrintOnPreviousPage)
                .Default(false);
            p.Bool(u"ResetPageNumbers"_s, &P::ResetPageNumbers, &P::SetResetPageNumbers)
                .Default(false);
            p.Bool(u"TitleBeforeHeader"_s, &P::TitleBeforeHeader, &P::SetTitleBeforeHeader)
                .Default(true);
            p.StringList(u"HGuides"_s, &P::HGuides, &P::SetHGuides);
            p.StringList(u"VGuides"_s, &P::VGuides, &P::SetVGuides);
            p.Event(u"OnAfterPrint"_s, &P::OnAfterPrint, &P::SetOnAfterPrint);
            p.Event(u"OnBeforePrint"_s, &P::OnBeforePrint, &P::SetOnBeforePrint);
            p.Event(u"OnManualBuild"_s, &P::OnManualBuild, &P::SetOnManualBuild);
        },
        kavComponentFactory<P>());
    return info;
}

TkavReportPage::TkavReportPage(TkavComponent *AOwner)
    : TkavPage(AOwner)
    , FColumnPositions(std::make_unique<TStringList>())
    , FBackPictureView(std::make_unique<TkavPictureView>())
    , FHGuides(std::make_unique<TStringList>())
    , FVGuides(std::make_unique<TStringList>())
{
    SetBaseName(u"Page"_s);
    FBackPictureView->SetKeepAspectRatio(false);
    FBackPictureView->SetColor(clNone);
    kavGetPaperSize(kavPaperA4, FPaperWidth, FPaperHeight);
    updateSize();
}

TkavReportPage::~TkavReportPage() = default;

void TkavReportPage::updateSize()
{
    TkavComponent::SetWidth(kavPaperToPixels(FPaperWidth));
    TkavComponent::SetHeight(kavPaperToPixels(FPaperHeight));
}

void TkavReportPage::SetOrientation(TPrinterOrientation Value)
{
    if (Value == FOrientation)
        return;
    FOrientation = Value;
    std::swap(FPaperWidth, FPaperHeight);
    const double left = FLeftMargin;
    const double right = FRightMargin;
    const double top = FTopMargin;
    const double bottom = FBottomMargin;
    // Turning the sheet a quarter either way: each margin moves to its neighbouring side.
    if (Value == poLandscape) {
        FLeftMargin = top;
        FRightMargin = bottom;
        FTopMargin = right;
        FBottomMargin = left;
    } else {
        FLeftMargin = bottom;
        FRightMargin = top;
        FTopMargin = left;
        FBottomMargin = right;
    }
    updateSize();
}

void TkavReportPage::SetPaperWidth(double Value)
{
    FPaperWidth = kavRoundPaperDimension(Value);
    FPaperSize = kavPaperCustom;
    updateSize();
}

void TkavReportPage::SetPaperHeight(double Value)
{
    FPaperHeight = kavRoundPaperDimension(Value);
    FPaperSize = kavPaperCustom;
    updateSize();
}

void TkavReportPage::SetPaperSize(int Value)
{
    FPaperSize = Value;
    double width = 0;
    double height = 0;
    if (Value < kavPaperCustom && kavGetPaperSize(Value, width, height)) {
        if (FOrientation == poLandscape)
            std::swap(width, height);
        FPaperWidth = width;
        FPaperHeight = height;
    }
    updateSize();
}

void TkavReportPage::SetSizeAndDimensions(int ASize, double AWidth, double AHeight)
{
    FPaperSize = ASize;
    FPaperWidth = kavRoundPaperDimension(AWidth);
    FPaperHeight = kavRoundPaperDimension(AHeight);
    updateSize();
}

void TkavReportPage::SetDefaults()
{
    FLeftMargin = kavPageDesignerMargin;
    FRightMargin = kavPageDesignerMargin;
    FTopMargin = kavPageDesignerMargin;
    FBottomMargin = kavPageDesignerMargin;
    // The printer's own defaults belong to the printing layer; without it a new page is
    // A4 portrait, which is also what a system without printers gives.
    FOrientation = poPortrait;
    FPaperSize = kavPaperA4;
    kavGetPaperSize(kavPaperA4, FPaperWidth, FPaperHeight);
    updateSize();
}

void TkavReportPage::SetColumns(int Value)
{
    // One text line per column: a count from a file must not make millions of them.
    const int most = int(std::clamp(kavPaperToPixels(FPaperWidth), 1.0, double(kavMaxColumns)));
    if (Value > most)
        throw EPropertyError(
            u"'%1' is not a valid value for property Columns: a page %2 pixels wide has at most %2 columns"_s
                .arg(Value)
                .arg(most));
    FColumns = Value;
    FColumnPositions->Clear();
    if (Value <= 0)
        return;
    FColumnWidth = (FPaperWidth - FLeftMargin - FRightMargin) / Value;
    for (int i = 0; i < Value; ++i)
        FColumnPositions->Add(FloatToStr(i * FColumnWidth));
}

void TkavReportPage::SetColumnPositions(const TStrings &Value)
{
    FColumnPositions->Assign(Value);
}

void TkavReportPage::SetPageCount(int Value)
{
    if (Value >= 1)
        FPageCount = Value;
}

TkavDataSet *TkavReportPage::DataSet() const
{
    return FDataSetLink.DataSet();
}

void TkavReportPage::SetDataSet(TkavDataSet *Value)
{
    FDataSetLink.SetDataSet(Value);
}

QString TkavReportPage::DataSetName() const
{
    return FDataSetLink.Name();
}

void TkavReportPage::SetDataSetName(const QString &Value)
{
    FDataSetLink.SetName(Value, *this);
}

TkavPicture &TkavReportPage::BackPicture() const
{
    return FBackPictureView->Picture();
}

void TkavReportPage::SetBackPicture(const TkavPicture &Value)
{
    FBackPictureView->SetPicture(Value);
}

TColor TkavReportPage::Color() const
{
    return FBackPictureView->Color();
}

void TkavReportPage::SetColor(TColor Value)
{
    FBackPictureView->SetColor(Value);
}

TkavFrame &TkavReportPage::Frame() const
{
    return FBackPictureView->Frame();
}

void TkavReportPage::SetFrame(const TkavFrame &Value)
{
    FBackPictureView->SetFrame(Value);
}

void TkavReportPage::SetHGuides(const TStrings &Value)
{
    FHGuides->Assign(Value);
}

void TkavReportPage::SetVGuides(const TStrings &Value)
{
    FVGuides->Assign(Value);
}

void TkavReportPage::ClearGuides()
{
    FHGuides->Clear();
    FVGuides->Clear();
}

TkavComponent *TkavReportPage::FindBand(const TkavClassInfo &BandClass) const
{
    for (TkavComponent *child : Objects()) {
        if (child->InheritsFrom(BandClass))
            return child;
    }
    return nullptr;
}

namespace {

// Bands that always span the whole printable width, also on pages with columns.
bool isPageWideBand(const TkavBand &band)
{
    return band.InheritsFrom(TkavNullBand::StaticClassInfo())
           || band.InheritsFrom(TkavReportSummary::StaticClassInfo())
           || band.InheritsFrom(TkavPageHeader::StaticClassInfo())
           || band.InheritsFrom(TkavPageFooter::StaticClassInfo())
           || band.InheritsFrom(TkavReportTitle::StaticClassInfo())
           || band.InheritsFrom(TkavOverlay::StaticClassInfo());
}

} // namespace

void TkavReportPage::AlignChildren()
{
    // The bands are laid out against the printable area, not the whole sheet.
    TkavComponent::SetWidth((FPaperWidth - FLeftMargin - FRightMargin) * kavMMToPixels);
    TkavComponent::SetHeight((FPaperHeight - FTopMargin - FBottomMargin) * kavMMToPixels);
    TkavComponent::AlignChildren(); // the views placed on the page itself
    for (TkavComponent *child : Objects()) {
        auto *band = dynamic_cast<TkavBand *>(child);
        if (!band)
            continue;
        if (band->Vertical())
            band->SetHeight(Height() - band->Top());
        else if (FColumns > 1 && !isPageWideBand(*band))
            band->SetWidth(FColumnWidth * kavMMToPixels);
        else
            band->SetWidth(Width() - band->Left());
        band->AlignChildren();
    }
    updateSize();
}

void TkavReportPage::Draw(
    QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    FBackPictureView->SetBounds(0,
                                0,
                                (FPaperWidth - FLeftMargin - FRightMargin) * kavMMToPixels,
                                (FPaperHeight - FTopMargin - FBottomMargin) * kavMMToPixels);
    if (!Canvas || !FBackPictureVisible || (IsPrinting() && !FBackPicturePrintable))
        return;
    FBackPictureView->Draw(Canvas,
                           ScaleX,
                           ScaleY,
                           OffsetX + ScaleX * FLeftMargin * kavMMToPixels,
                           OffsetY + ScaleY * FTopMargin * kavMMToPixels);
}

// ---------------------------------------------------------------------------------------
// TkavDataPage

const TkavClassInfo &TkavDataPage::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavDataPage, TkavPage>(
        u"TkavDataPage"_s,
        [](TkavPropBuilder<TkavDataPage> &p) {
            kavPublishLeft(p);
            kavPublishTop(p);
            kavPublishWidth(p);
            kavPublishHeight(p);
        },
        kavComponentFactory<TkavDataPage>());
    return info;
}

TkavDataPage::TkavDataPage(TkavComponent *AOwner)
    : TkavPage(AOwner)
{
    TkavComponent::SetWidth(kavDataPageSize);
    TkavComponent::SetHeight(kavDataPageSize);
}

TkavDataPage::~TkavDataPage() = default;

void kavRegisterPageClasses()
{
    kavRegisterClass(TkavPage::StaticClassInfo());
    kavRegisterClass(TkavReportPage::StaticClassInfo());
    kavRegisterClass(TkavDataPage::StaticClassInfo());
}
