#include "kavBands.h"

#include "kavDataSets.h"
#include "kavPages.h"
#include "kavViews.h"

#include <persist/kavRes.h>
#include <persist/kavXML.h>
#include <rtl/kavCast.h>
#include <rtl/kavMath.h>
#include <rtl/kavRTTI.h>

#include <QPainter>

#include <array>

using namespace Qt::StringLiterals;

namespace {

// Published entries shared by several band classes; each class lists them in its order.
template <class T>
void publishAllowSplit(TkavPropBuilder<T> &p)
{
    p.Bool(u"AllowSplit"_s, &TkavBand::AllowSplit, &TkavBand::SetAllowSplit).Default(false);
}
template <class T>
void publishChild(TkavPropBuilder<T> &p)
{
    p.Component(u"Child"_s, &TkavBand::Child, &TkavBand::SetChild);
}
template <class T>
void publishKeepChild(TkavPropBuilder<T> &p)
{
    p.Bool(u"KeepChild"_s, &TkavBand::KeepChild, &TkavBand::SetKeepChild).Default(false);
}
template <class T>
void publishOutlineText(TkavPropBuilder<T> &p)
{
    p.String(u"OutlineText"_s, &TkavBand::OutlineText, &TkavBand::SetOutlineText);
}
template <class T>
void publishPrintChildIfInvisible(TkavPropBuilder<T> &p)
{
    p.Bool(u"PrintChildIfInvisible"_s,
           &TkavBand::PrintChildIfInvisible,
           &TkavBand::SetPrintChildIfInvisible)
        .Default(false);
}
template <class T>
void publishStartNewPage(TkavPropBuilder<T> &p)
{
    p.Bool(u"StartNewPage"_s, &TkavBand::StartNewPage, &TkavBand::SetStartNewPage).Default(false);
}
template <class T>
void publishStretched(TkavPropBuilder<T> &p)
{
    p.Bool(u"Stretched"_s, &TkavBand::Stretched, &TkavBand::SetStretched).Default(false);
}

// The table of report titles, summaries and child bands.
template <class T>
void publishTitleLike(TkavPropBuilder<T> &p)
{
    publishAllowSplit(p);
    publishChild(p);
    publishKeepChild(p);
    publishPrintChildIfInvisible(p);
    publishStartNewPage(p);
    publishStretched(p);
}

// A class info for a band class with the given table.
template <class T, class Base, class D>
TkavClassInfo bandInfo(const char16_t *name, D define)
{
    return kavMakeClassInfo<T, Base>(QString::fromUtf16(name), define, kavComponentFactory<T>());
}

// The band list whose index is BandNumber.
using BandInfoGetter = const TkavClassInfo &(*)();
const std::array<BandInfoGetter, 18> &bandNumberList()
{
    static const std::array<BandInfoGetter, 18> list = {&TkavReportTitle::StaticClassInfo,
                                                        &TkavReportSummary::StaticClassInfo,
                                                        &TkavPageHeader::StaticClassInfo,
                                                        &TkavPageFooter::StaticClassInfo,
                                                        &TkavHeader::StaticClassInfo,
                                                        &TkavFooter::StaticClassInfo,
                                                        &TkavMasterData::StaticClassInfo,
                                                        &TkavDetailData::StaticClassInfo,
                                                        &TkavSubdetailData::StaticClassInfo,
                                                        &TkavDataBand4::StaticClassInfo,
                                                        &TkavDataBand5::StaticClassInfo,
                                                        &TkavDataBand6::StaticClassInfo,
                                                        &TkavGroupHeader::StaticClassInfo,
                                                        &TkavGroupFooter::StaticClassInfo,
                                                        &TkavChild::StaticClassInfo,
                                                        &TkavColumnHeader::StaticClassInfo,
                                                        &TkavColumnFooter::StaticClassInfo,
                                                        &TkavOverlay::StaticClassInfo};
    return list;
}

// value snapped to the nearest multiple of step (ties to even).
double snap(double value, double step)
{
    return kavRoundFloat(value / step) * step;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TkavFillGaps

const TkavClassInfo &TkavFillGaps::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavFillGaps, TPersistent>(
        u"TkavFillGaps"_s, [](TkavPropBuilder<TkavFillGaps> &p) {
            p.Int(u"Top"_s, &TkavFillGaps::Top, &TkavFillGaps::SetTop);
            p.Int(u"Left"_s, &TkavFillGaps::Left, &TkavFillGaps::SetLeft);
            p.Int(u"Bottom"_s, &TkavFillGaps::Bottom, &TkavFillGaps::SetBottom);
            p.Int(u"Right"_s, &TkavFillGaps::Right, &TkavFillGaps::SetRight);
        });
    return info;
}

TkavFillGaps::~TkavFillGaps() = default;

void TkavFillGaps::Assign(const TPersistent &source)
{
    if (const auto *gaps = kavCast<const TkavFillGaps>(&source)) {
        FTop = gaps->FTop;
        FLeft = gaps->FLeft;
        FBottom = gaps->FBottom;
        FRight = gaps->FRight;
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------------------------------
// TkavBand

const TkavClassInfo &TkavBand::StaticClassInfo()
{
    using B = TkavBand;
    static const TkavClassInfo info = kavMakeClassInfo<B, TkavReportComponent>(
        u"TkavBand"_s,
        [](TkavPropBuilder<B> &p) {
            p.Enum(u"FillType"_s, &B::FillType, &B::SetFillType).Default(ftBrush);
            p.Object(u"Fill"_s, &B::Fill, &B::SetFill);
            p.Object(u"FillGap"_s, &B::FillGap, &B::SetFillGap);
            kavPublishFont(p);
            kavPublishParentFont(p).Default(true);
            kavPublishHeight(p);
            kavPublishLeft(p);
            kavPublishTop(p);
            kavPublishWidth(p);
            kavPublishRestrictions(p);
            kavPublishVisible(p).Default(true);
            p.Bool(u"Vertical"_s, &B::Vertical, &B::SetVertical).Default(false);
            p.Event(u"OnAfterCalcHeight"_s, &B::OnAfterCalcHeight, &B::SetOnAfterCalcHeight);
            p.Event(u"OnAfterPrint"_s, &B::OnAfterPrint, &B::SetOnAfterPrint);
            p.Event(u"OnBeforePrint"_s, &B::OnBeforePrint, &B::SetOnBeforePrint);
        },
        nullptr);
    return info;
}

TkavBand::TkavBand(TkavComponent *AOwner)
    : TkavReportComponent(AOwner)
    , FFill(kavCreateFill(ftBrush))
    , FFillGap(std::make_unique<TkavFillGaps>())
{}

TkavBand::~TkavBand() = default;

void TkavBand::SetFillType(TkavFillType Value)
{
    kavSetFillType(FFill, Value);
}

void TkavBand::SetFill(TkavCustomFill *Value)
{
    if (Value)
        kavAssignFill(FFill, *Value);
}

bool TkavBand::onDMPPage() const
{
    return Parent() && Parent()->InheritsFrom(u"TkavDMPPage");
}

void TkavBand::SetLeft(double Value)
{
    TkavReportComponent::SetLeft(onDMPPage() ? snap(Value, kavDMPCharWidth) : Value);
}

void TkavBand::SetTop(double Value)
{
    TkavReportComponent::SetTop(onDMPPage() ? snap(Value, kavDMPCharHeight) : Value);
}

void TkavBand::SetHeight(double Value)
{
    TkavReportComponent::SetHeight(onDMPPage() ? snap(Value, kavDMPCharHeight) : Value);
}

TkavChild *TkavBand::Child() const
{
    return FChild.get();
}

void TkavBand::SetChild(TkavChild *Value)
{
    // Walk the chain that would follow this band; meeting the band again means a loop the
    // engine would follow for ever. A chain that loops without us is cut at its repeat.
    QList<const TkavBand *> seen;
    for (const TkavBand *band = Value; band; band = band->Child()) {
        if (band == this)
            throw EkavError(kavResourceTable().Get(u"clCirRefNotAllow"_s));
        if (seen.contains(band))
            break;
        seen.append(band);
    }
    FChild = Value;
}

void TkavBand::CreateFillMemo()
{
    const auto *brush = kavCast<const TkavBrushFill>(FFill.get());
    if (brush && brush->BackColor() == kavBrushFillDefaultBackColor
        && brush->ForeColor() == kavBrushFillDefaultForeColor
        && brush->Style() == kavBrushFillDefaultStyle)
        return;
    TkavMemoView *memo = FFillMemo.get();
    if (!memo) {
        memo = TkavComponent::Create<TkavMemoView>(this);
        FFillMemo = memo;
        // It stays with the band: it is no temporary object of the output in progress.
        if (FOriginalObjectsCount >= 0)
            ++FOriginalObjectsCount;
    }
    memo->SetFill(*FFill);
    const TkavFillGaps &gap = *FFillGap;
    memo->SetBounds(gap.Left(),
                    gap.Top(),
                    std::max(0.0, Width() - gap.Left() - gap.Right()),
                    std::max(0.0, Height() - gap.Top() - gap.Bottom()));
    MoveObject(memo, 0);
}

TkavMemoView *TkavBand::FillMemo() const
{
    return FFillMemo.get();
}

int TkavBand::BandNumber() const
{
    const auto &list = bandNumberList();
    int number = 0;
    for (int i = 0; i < int(list.size()); ++i) {
        if (InheritsFrom(list[size_t(i)]()))
            number = i;
    }
    return number;
}

QString TkavBand::BandName() const
{
    QString name = ClassInfo().ClassName();
    if (name.startsWith(u"Tkav"_s))
        name.remove(0, 4);
    const qsizetype pos = name.indexOf(u"Band"_s);
    if (pos >= 0)
        name.remove(pos, 4);
    return name;
}

void TkavBand::Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    if (!IsDesigning() || !Canvas || !FFill)
        return;
    const auto x = int(kavRound(OffsetX + ScaleX * AbsLeft()));
    const auto y = int(kavRound(OffsetY + ScaleY * AbsTop()));
    const auto x1 = int(kavRound(OffsetX + ScaleX * (AbsLeft() + Width())));
    const auto y1 = int(kavRound(OffsetY + ScaleY * (AbsTop() + Height())));
    FFill->Draw(*Canvas, x, y, x1, y1, ScaleX, ScaleY);
}

// ---------------------------------------------------------------------------------------
// TkavDataBand

const TkavClassInfo &TkavDataBand::StaticClassInfo()
{
    using D = TkavDataBand;
    static const TkavClassInfo info = kavMakeClassInfo<D, TkavBand>(
        u"TkavDataBand"_s,
        [](TkavPropBuilder<D> &p) {
            publishAllowSplit(p);
            publishChild(p);
            p.Int(u"Columns"_s, &D::Columns, &D::SetColumns)
                .Default(0)
                .Range(std::numeric_limits<qint32>::min(), kavMaxColumns);
            p.Float(u"ColumnWidth"_s, &D::ColumnWidth, &D::SetColumnWidth, u"Extended"_s);
            p.Float(u"ColumnGap"_s, &D::ColumnGap, &D::SetColumnGap, u"Extended"_s);
            p.Component(u"DataSet"_s, &D::DataSet, &D::SetDataSet).Stored(false);
            p.String(u"DataSetName"_s, &D::DataSetName, &D::SetDataSetName)
                .StoredIf([](const D &band) { return !band.DataSetName().isEmpty(); });
            p.Bool(u"FooterAfterEach"_s, &D::FooterAfterEach, &D::SetFooterAfterEach)
                .Default(false);
            p.String(u"Filter"_s, &D::Filter, &D::SetFilter);
            publishKeepChild(p);
            p.Bool(u"KeepFooter"_s, &D::KeepFooter, &D::SetKeepFooter).Default(false);
            p.Bool(u"KeepHeader"_s, &D::KeepHeader, &D::SetKeepHeader).Default(false);
            p.Bool(u"KeepTogether"_s, &D::KeepTogether, &D::SetKeepTogether).Default(false);
            publishOutlineText(p);
            publishPrintChildIfInvisible(p);
            p.Bool(u"PrintIfDetailEmpty"_s, &D::PrintIfDetailEmpty, &D::SetPrintIfDetailEmpty)
                .Default(false);
            p.Int(u"RowCount"_s, &D::RowCount, &D::SetRowCount)
                .Default(0)
                .Range(std::numeric_limits<qint32>::min(), kavMaxRecordCount);
            publishStartNewPage(p);
            publishStretched(p);
            p.Event(u"OnMasterDetail"_s, &D::OnMasterDetail, &D::SetOnMasterDetail);
        },
        kavComponentFactory<D>());
    return info;
}

TkavDataBand::TkavDataBand(TkavComponent *AOwner)
    : TkavBand(AOwner)
    , FVirtualDataSet(std::make_unique<TkavUserDataSet>())
{
    FVirtualDataSet->SetRangeEnd(reCount);
    FVirtualDataSet->SetRangeEndCount(FRowCount);
}

TkavDataBand::~TkavDataBand() = default;

TkavDataSet *TkavDataBand::DataSet() const
{
    return FDataSetLink.DataSet();
}

void TkavDataBand::SetDataSet(TkavDataSet *Value)
{
    FDataSetLink.SetDataSet(Value);
}

QString TkavDataBand::DataSetName() const
{
    return FDataSetLink.Name();
}

void TkavDataBand::SetDataSetName(const QString &Value)
{
    FDataSetLink.SetName(Value, *this);
}

void TkavDataBand::SetRowCount(int Value)
{
    FRowCount = Value;
    FVirtualDataSet->SetRangeEndCount(Value);
}

void TkavDataBand::SetCurColumn(int Value)
{
    if (Value > FColumns)
        Value = 1;
    FCurColumn = Value;
    if (FCurColumn == 1)
        FMaxY = 0;
    SetLeft((FColumnWidth + FColumnGap) * (FCurColumn - 1));
}

// ---------------------------------------------------------------------------------------
// Data bands of each level: no own properties.

#define KAV_DATA_BAND_INFO(Name)                                                                   \
    const TkavClassInfo &Name::StaticClassInfo()                                                   \
    {                                                                                              \
        static const TkavClassInfo info                                                            \
            = bandInfo<Name, TkavDataBand>(u"" #Name, [](TkavPropBuilder<Name> &) {});             \
        return info;                                                                               \
    }
KAV_DATA_BAND_INFO(TkavMasterData)
KAV_DATA_BAND_INFO(TkavDetailData)
KAV_DATA_BAND_INFO(TkavSubdetailData)
KAV_DATA_BAND_INFO(TkavDataBand4)
KAV_DATA_BAND_INFO(TkavDataBand5)
KAV_DATA_BAND_INFO(TkavDataBand6)
#undef KAV_DATA_BAND_INFO

// ---------------------------------------------------------------------------------------
// The other bands' tables

const TkavClassInfo &TkavHeader::StaticClassInfo()
{
    using H = TkavHeader;
    static const TkavClassInfo info
        = bandInfo<H, TkavBand>(u"TkavHeader", [](TkavPropBuilder<H> &p) {
              publishAllowSplit(p);
              publishChild(p);
              publishKeepChild(p);
              publishPrintChildIfInvisible(p);
              p.Bool(u"ReprintOnNewPage"_s, &H::ReprintOnNewPage, &H::SetReprintOnNewPage)
                  .Default(false);
              publishStartNewPage(p);
              publishStretched(p);
          });
    return info;
}

const TkavClassInfo &TkavFooter::StaticClassInfo()
{
    using F = TkavFooter;
    static const TkavClassInfo info
        = bandInfo<F, TkavBand>(u"TkavFooter", [](TkavPropBuilder<F> &p) {
              publishAllowSplit(p);
              publishChild(p);
              publishKeepChild(p);
              publishPrintChildIfInvisible(p);
              publishStretched(p);
          });
    return info;
}

const TkavClassInfo &TkavPageHeader::StaticClassInfo()
{
    using H = TkavPageHeader;
    static const TkavClassInfo info
        = bandInfo<H, TkavBand>(u"TkavPageHeader", [](TkavPropBuilder<H> &p) {
              publishChild(p);
              publishPrintChildIfInvisible(p);
              p.Bool(u"PrintOnFirstPage"_s, &H::PrintOnFirstPage, &H::SetPrintOnFirstPage)
                  .Default(true);
              publishStretched(p);
          });
    return info;
}

const TkavClassInfo &TkavPageFooter::StaticClassInfo()
{
    using F = TkavPageFooter;
    static const TkavClassInfo info = bandInfo<F, TkavBand>(
        u"TkavPageFooter", [](TkavPropBuilder<F> &p) {
            p.Bool(u"PrintOnFirstPage"_s, &F::PrintOnFirstPage, &F::SetPrintOnFirstPage)
                .Default(true);
            p.Bool(u"PrintOnLastPage"_s, &F::PrintOnLastPage, &F::SetPrintOnLastPage).Default(true);
        });
    return info;
}

const TkavClassInfo &TkavColumnHeader::StaticClassInfo()
{
    using H = TkavColumnHeader;
    static const TkavClassInfo info
        = bandInfo<H, TkavBand>(u"TkavColumnHeader", [](TkavPropBuilder<H> &p) {
              publishChild(p);
              publishStretched(p);
          });
    return info;
}

const TkavClassInfo &TkavColumnFooter::StaticClassInfo()
{
    static const TkavClassInfo info = bandInfo<TkavColumnFooter, TkavBand>(
        u"TkavColumnFooter", [](TkavPropBuilder<TkavColumnFooter> &) {});
    return info;
}

const TkavClassInfo &TkavGroupHeader::StaticClassInfo()
{
    using G = TkavGroupHeader;
    static const TkavClassInfo info = bandInfo<
        G,
        TkavBand>(u"TkavGroupHeader", [](TkavPropBuilder<G> &p) {
        publishAllowSplit(p);
        publishChild(p);
        p.String(u"Condition"_s, &G::Condition, &G::SetCondition);
        p.Bool(u"DrillDown"_s, &G::DrillDown, &G::SetDrillDown).Default(false);
        p.Bool(u"ExpandDrillDown"_s, &G::ExpandDrillDown, &G::SetExpandDrillDown).Default(false);
        publishKeepChild(p);
        p.Bool(u"KeepTogether"_s, &G::KeepTogether, &G::SetKeepTogether).Default(false);
        p.Bool(u"ReprintOnNewPage"_s, &G::ReprintOnNewPage, &G::SetReprintOnNewPage).Default(false);
        publishOutlineText(p);
        publishPrintChildIfInvisible(p);
        p.Bool(u"ResetPageNumbers"_s, &G::ResetPageNumbers, &G::SetResetPageNumbers).Default(false);
        p.Bool(u"ShowFooterIfDrillDown"_s, &G::ShowFooterIfDrillDown, &G::SetShowFooterIfDrillDown)
            .Default(false);
        p.Bool(u"ShowChildIfDrillDown"_s, &G::ShowChildIfDrillDown, &G::SetShowChildIfDrillDown)
            .Default(false);
        publishStartNewPage(p);
        publishStretched(p);
        p.String(u"DrillName"_s, &G::DrillName, &G::SetDrillName);
    });
    return info;
}

QString TkavGroupHeader::Diff(const TkavComponent &AComponent) const
{
    QString result = TkavBand::Diff(AComponent);
    if (FDrillDown)
        result += u" DrillName=\""_s + kavEncodeXMLText(FDrillName) + u'"';
    return result;
}

const TkavClassInfo &TkavGroupFooter::StaticClassInfo()
{
    using F = TkavGroupFooter;
    static const TkavClassInfo info
        = bandInfo<F, TkavBand>(u"TkavGroupFooter", [](TkavPropBuilder<F> &p) {
              publishAllowSplit(p);
              publishChild(p);
              p.Bool(u"HideIfSingleDataRecord"_s,
                     &F::HideIfSingleDataRecord,
                     &F::SetHideIfSingleDataRecord)
                  .Default(false);
              publishKeepChild(p);
              publishPrintChildIfInvisible(p);
              publishStretched(p);
          });
    return info;
}

const TkavClassInfo &TkavReportTitle::StaticClassInfo()
{
    static const TkavClassInfo info = bandInfo<TkavReportTitle, TkavBand>(
        u"TkavReportTitle", [](TkavPropBuilder<TkavReportTitle> &p) { publishTitleLike(p); });
    return info;
}

const TkavClassInfo &TkavReportSummary::StaticClassInfo()
{
    static const TkavClassInfo info = bandInfo<TkavReportSummary, TkavBand>(
        u"TkavReportSummary", [](TkavPropBuilder<TkavReportSummary> &p) { publishTitleLike(p); });
    return info;
}

const TkavClassInfo &TkavChild::StaticClassInfo()
{
    static const TkavClassInfo info = bandInfo<TkavChild, TkavBand>(
        u"TkavChild", [](TkavPropBuilder<TkavChild> &p) { publishTitleLike(p); });
    return info;
}

const TkavClassInfo &TkavOverlay::StaticClassInfo()
{
    using O = TkavOverlay;
    static const TkavClassInfo info
        = bandInfo<O, TkavBand>(u"TkavOverlay", [](TkavPropBuilder<O> &p) {
              p.Bool(u"PrintOnTop"_s, &O::PrintOnTop, &O::SetPrintOnTop).Default(false);
          });
    return info;
}

const TkavClassInfo &TkavNullBand::StaticClassInfo()
{
    static const TkavClassInfo info
        = bandInfo<TkavNullBand, TkavBand>(u"TkavNullBand", [](TkavPropBuilder<TkavNullBand> &) {});
    return info;
}

void kavRegisterBandClasses()
{
    kavRegisterClass(TkavFillGaps::StaticClassInfo());
    kavRegisterClass(TkavBand::StaticClassInfo());
    kavRegisterClass(TkavDataBand::StaticClassInfo());
    for (BandInfoGetter info : bandNumberList())
        kavRegisterClass(info());
    kavRegisterClass(TkavNullBand::StaticClassInfo());
}
