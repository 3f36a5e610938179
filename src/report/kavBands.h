#pragma once

// Bands: horizontal strips of a report page whose class tells the engine when to output
// them (once per report, page, column, record or group), with their flags, child chains,
// background fill and the geometry rules of dot-matrix pages.

#include <report/kavComponent.h>
#include <report/kavFrames.h>
#include <rtl/kavVariant.h>

#include <QList>
#include <QString>

#include <memory>

class QPainter;
class TkavChild;
class TkavDataSet;
class TkavUserDataSet;

// A dot-matrix character cell in report pixels; bands on such pages snap to it.
inline constexpr double kavDMPCharWidth = 9.6;
inline constexpr double kavDMPCharHeight = 17;

// Inset of a band's background fill: integer pixel gaps, always stored.
class TkavFillGaps : public TPersistent
{
public:
    KAV_CLASSINFO

    TkavFillGaps() = default;
    ~TkavFillGaps() override;
    void Assign(const TPersistent &source) override;

    int Top() const { return FTop; }
    void SetTop(int value) { FTop = value; }
    int Left() const { return FLeft; }
    void SetLeft(int value) { FLeft = value; }
    int Bottom() const { return FBottom; }
    void SetBottom(int value) { FBottom = value; }
    int Right() const { return FRight; }
    void SetRight(int value) { FRight = value; }

private:
    int FTop = 0;
    int FLeft = 0;
    int FBottom = 0;
    int FRight = 0;
};

// ---------------------------------------------------------------------------------------
// The base of bands. Published: FillType, Fill, FillGap, Font, ParentFont, Height, Left,
// Top, Width, Restrictions, Visible, Vertical and the three events; subclasses append
// their own. The public flags below are stored only where a subclass publishes them.
class TkavMemoView;

class TkavBand : public TkavReportComponent
{
public:
    KAV_CLASSINFO

    explicit TkavBand(TkavComponent *AOwner = nullptr);
    ~TkavBand() override;

    // --- fill ---
    TkavFillType FillType() const { return kavFillTypeOf(FFill.get()); }
    // Another kind replaces Fill by a new fill of that kind; the same kind keeps it.
    void SetFillType(TkavFillType Value);
    TkavCustomFill *Fill() const { return FFill.get(); }
    // Takes a copy (of the given kind); null is ignored.
    void SetFill(TkavCustomFill *Value);
    TkavFillGaps &FillGap() const { return *FFillGap; }
    void SetFillGap(const TkavFillGaps &Value) { FFillGap->Assign(Value); }

    // --- geometry: on dot-matrix pages Left snaps to the character width, Top and Height
    // to the character height ---
    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetHeight(double Value) override;
    bool Vertical() const { return FVertical; }
    void SetVertical(bool Value) { FVertical = Value; }

    // --- events ---
    const TkavNotifyEvent &OnAfterCalcHeight() const { return FOnAfterCalcHeight; }
    void SetOnAfterCalcHeight(const TkavNotifyEvent &Value) { FOnAfterCalcHeight = Value; }

    // --- flags ---
    bool AllowSplit() const { return FAllowSplit; }
    void SetAllowSplit(bool Value) { FAllowSplit = Value; }
    // The band printed right after this one; null once it is destroyed.
    TkavChild *Child() const;
    // A value whose child chain leads back to this band raises EkavError
    // ("clCirRefNotAllow") and keeps the old child.
    void SetChild(TkavChild *Value);
    bool KeepChild() const { return FKeepChild; }
    void SetKeepChild(bool Value) { FKeepChild = Value; }
    const QString &OutlineText() const { return FOutlineText; }
    void SetOutlineText(const QString &Value) { FOutlineText = Value; }
    bool Overflow() const { return FOverflow; }
    void SetOverflow(bool Value) { FOverflow = Value; }
    bool StartNewPage() const { return FStartNewPage; }
    void SetStartNewPage(bool Value) { FStartNewPage = Value; }
    bool Stretched() const { return FStretched; }
    void SetStretched(bool Value) { FStretched = Value; }
    bool PrintChildIfInvisible() const { return FPrintChildIfInvisible; }
    void SetPrintChildIfInvisible(bool Value) { FPrintChildIfInvisible = Value; }

    // --- identity ---
    // Index of the band's kind in the fixed band list (report title 0 ... overlay 17);
    // 0 for a kind outside the list.
    int BandNumber() const;
    // The class name without "Tkav" and without its first "Band" ("MasterData", "Data4");
    // also the resource key of the band's caption.
    QString BandName() const;

    // --- engine working data (never stored) ---
    int LineN() const { return FLineN; }
    void SetLineN(int Value) { FLineN = Value; }
    int LineThrough() const { return FLineThrough; }
    void SetLineThrough(int Value) { FLineThrough = Value; }
    // Objects the band had before a run added any; -1 until the engine records it.
    int OriginalObjectsCount() const { return FOriginalObjectsCount; }
    void SetOriginalObjectsCount(int Value) { FOriginalObjectsCount = Value; }
    bool HasVBands() const { return FHasVBands; }
    void SetHasVBands(bool Value) { FHasVBands = Value; }
    double StretchedHeight() const { return FStretchedHeight; }
    void SetStretchedHeight(double Value) { FStretchedHeight = Value; }

    // Paints the fill over the band's rectangle, only while designing.
    void Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
        override;
    // Before output (the engine calls it): a band whose fill is not the untouched default
    // brush gets, once, a memo child carrying a copy of the fill, placed first among its
    // objects so that it is output under everything else, at (FillGap.Left, FillGap.Top) and
    // sized to the band less the four gaps (never below zero).
    void CreateFillMemo();
    // That memo, or null.
    TkavMemoView *FillMemo() const;

private:
    // The parent is a dot-matrix page.
    bool onDMPPage() const;

    std::unique_ptr<TkavCustomFill> FFill;
    std::unique_ptr<TkavFillGaps> FFillGap;
    bool FVertical = false;
    TkavNotifyEvent FOnAfterCalcHeight;
    bool FAllowSplit = false;
    TkavComponentRef<TkavChild> FChild;
    TkavComponentRef<TkavMemoView> FFillMemo;
    bool FKeepChild = false;
    QString FOutlineText;
    bool FOverflow = false;
    bool FStartNewPage = false;
    bool FStretched = false;
    bool FPrintChildIfInvisible = false;
    int FLineN = 0;
    int FLineThrough = 0;
    int FOriginalObjectsCount = -1;
    bool FHasVBands = false;
    double FStretchedHeight = 0;
};

// ---------------------------------------------------------------------------------------
// Output once per record of its data set, or RowCount times without one. ColumnWidth and
// ColumnGap are report pixels (they position the band's columns directly). As on pages,
// DataSet is not stored; DataSetName carries the link.
class TkavDataBand : public TkavBand
{
public:
    KAV_CLASSINFO

    explicit TkavDataBand(TkavComponent *AOwner = nullptr);
    ~TkavDataBand() override;

    int Columns() const { return FColumns; }
    void SetColumns(int Value) { FColumns = Value; }
    double ColumnWidth() const { return FColumnWidth; }
    void SetColumnWidth(double Value) { FColumnWidth = Value; }
    double ColumnGap() const { return FColumnGap; }
    void SetColumnGap(double Value) { FColumnGap = Value; }
    // Same rules as the page's DataSet and DataSetName.
    TkavDataSet *DataSet() const;
    void SetDataSet(TkavDataSet *Value);
    QString DataSetName() const;
    void SetDataSetName(const QString &Value);
    bool FooterAfterEach() const { return FFooterAfterEach; }
    void SetFooterAfterEach(bool Value) { FFooterAfterEach = Value; }
    const QString &Filter() const { return FFilter; }
    void SetFilter(const QString &Value) { FFilter = Value; }
    bool KeepFooter() const { return FKeepFooter; }
    void SetKeepFooter(bool Value) { FKeepFooter = Value; }
    bool KeepHeader() const { return FKeepHeader; }
    void SetKeepHeader(bool Value) { FKeepHeader = Value; }
    bool KeepTogether() const { return FKeepTogether; }
    void SetKeepTogether(bool Value) { FKeepTogether = Value; }
    bool PrintIfDetailEmpty() const { return FPrintIfDetailEmpty; }
    void SetPrintIfDetailEmpty(bool Value) { FPrintIfDetailEmpty = Value; }
    int RowCount() const { return FRowCount; }
    // Also the record count of the private data set.
    void SetRowCount(int Value);
    const TkavNotifyEvent &OnMasterDetail() const { return FOnMasterDetail; }
    void SetOnMasterDetail(const TkavNotifyEvent &Value) { FOnMasterDetail = Value; }

    // The private data set that counts RowCount records (range end reCount).
    TkavUserDataSet &VirtualDataSet() const { return *FVirtualDataSet; }
    int CurColumn() const { return FCurColumn; }
    // Above Columns becomes 1; 1 starts a new row (MaxY := 0); then the band moves to the
    // column: Left := (ColumnWidth + ColumnGap) * (CurColumn - 1).
    void SetCurColumn(int Value);
    // Lowest position reached in the current row of columns.
    double MaxY() const { return FMaxY; }
    void SetMaxY(double Value) { FMaxY = Value; }

private:
    int FColumns = 0;
    double FColumnWidth = 0;
    double FColumnGap = 0;
    TkavDataSetLink FDataSetLink;
    bool FFooterAfterEach = false;
    QString FFilter;
    bool FKeepFooter = false;
    bool FKeepHeader = false;
    bool FKeepTogether = false;
    bool FPrintIfDetailEmpty = false;
    int FRowCount = 0;
    TkavNotifyEvent FOnMasterDetail;
    std::unique_ptr<TkavUserDataSet> FVirtualDataSet;
    int FCurColumn = 0;
    double FMaxY = 0;
};

// Data bands of nesting levels 1 (master) to 6.
#define KAV_DATA_BAND_CLASS(Name)                                                              \
    class Name : public TkavDataBand                                                           \
    {                                                                                          \
    public:                                                                                    \
        KAV_CLASSINFO                                                                          \
        using TkavDataBand::TkavDataBand;                                                      \
    };
KAV_DATA_BAND_CLASS(TkavMasterData)
KAV_DATA_BAND_CLASS(TkavDetailData)
KAV_DATA_BAND_CLASS(TkavSubdetailData)
KAV_DATA_BAND_CLASS(TkavDataBand4)
KAV_DATA_BAND_CLASS(TkavDataBand5)
KAV_DATA_BAND_CLASS(TkavDataBand6)
#undef KAV_DATA_BAND_CLASS

// Bands whose extra state is a few published flags of TkavBand (the tables differ).
#define KAV_BAND_CLASS(Name)                                                                   \
    class Name : public TkavBand                                                               \
    {                                                                                          \
    public:                                                                                    \
        KAV_CLASSINFO                                                                          \
        using TkavBand::TkavBand;                                                              \
    };
KAV_BAND_CLASS(TkavFooter)         // after a data band's records
KAV_BAND_CLASS(TkavColumnHeader)   // top of every column
KAV_BAND_CLASS(TkavColumnFooter)   // closes every column
KAV_BAND_CLASS(TkavReportTitle)    // once at the start of the report
KAV_BAND_CLASS(TkavReportSummary)  // once at the end of the report
KAV_BAND_CLASS(TkavChild)          // printed right after the band whose Child it is
KAV_BAND_CLASS(TkavNullBand)       // invisible holder of objects output outside any band
#undef KAV_BAND_CLASS

// Header printed before a data band's records.
class TkavHeader : public TkavBand
{
public:
    KAV_CLASSINFO
    using TkavBand::TkavBand;
    bool ReprintOnNewPage() const { return FReprintOnNewPage; }
    void SetReprintOnNewPage(bool Value) { FReprintOnNewPage = Value; }

private:
    bool FReprintOnNewPage = false;
};

// Top of every page.
class TkavPageHeader : public TkavBand
{
public:
    KAV_CLASSINFO
    using TkavBand::TkavBand;
    bool PrintOnFirstPage() const { return FPrintOnFirstPage; }
    void SetPrintOnFirstPage(bool Value) { FPrintOnFirstPage = Value; }

private:
    bool FPrintOnFirstPage = true;
};

// Bottom of every page.
class TkavPageFooter : public TkavBand
{
public:
    KAV_CLASSINFO
    using TkavBand::TkavBand;
    bool PrintOnFirstPage() const { return FPrintOnFirstPage; }
    void SetPrintOnFirstPage(bool Value) { FPrintOnFirstPage = Value; }
    bool PrintOnLastPage() const { return FPrintOnLastPage; }
    void SetPrintOnLastPage(bool Value) { FPrintOnLastPage = Value; }

private:
    bool FPrintOnFirstPage = true;
    bool FPrintOnLastPage = true;
};

// Start of a group of records whose Condition value is equal.
class TkavGroupHeader : public TkavBand
{
public:
    KAV_CLASSINFO
    using TkavBand::TkavBand;

    const QString &Condition() const { return FCondition; }
    void SetCondition(const QString &Value) { FCondition = Value; }
    bool DrillDown() const { return FDrillDown; }
    void SetDrillDown(bool Value) { FDrillDown = Value; }
    bool ExpandDrillDown() const { return FExpandDrillDown; }
    void SetExpandDrillDown(bool Value) { FExpandDrillDown = Value; }
    bool KeepTogether() const { return FKeepTogether; }
    void SetKeepTogether(bool Value) { FKeepTogether = Value; }
    bool ReprintOnNewPage() const { return FReprintOnNewPage; }
    void SetReprintOnNewPage(bool Value) { FReprintOnNewPage = Value; }
    bool ResetPageNumbers() const { return FResetPageNumbers; }
    void SetResetPageNumbers(bool Value) { FResetPageNumbers = Value; }
    bool ShowFooterIfDrillDown() const { return FShowFooterIfDrillDown; }
    void SetShowFooterIfDrillDown(bool Value) { FShowFooterIfDrillDown = Value; }
    bool ShowChildIfDrillDown() const { return FShowChildIfDrillDown; }
    void SetShowChildIfDrillDown(bool Value) { FShowChildIfDrillDown = Value; }
    const QString &DrillName() const { return FDrillName; }
    void SetDrillName(const QString &Value) { FDrillName = Value; }
    // The condition's last value (engine working data).
    const Variant &LastValue() const { return FLastValue; }
    void SetLastValue(const Variant &Value) { FLastValue = Value; }

    // The base difference, then with DrillDown ` DrillName="..."` (XML-escaped, so a quote
    // in the name cannot break the prepared page).
    QString Diff(const TkavComponent &AComponent) const override;

private:
    QString FCondition;
    bool FDrillDown = false;
    bool FExpandDrillDown = false;
    bool FKeepTogether = false;
    bool FReprintOnNewPage = false;
    bool FResetPageNumbers = false;
    bool FShowFooterIfDrillDown = false;
    bool FShowChildIfDrillDown = false;
    QString FDrillName;
    Variant FLastValue;
};

// End of a group; HideIfSingleDataRecord hides it after a group of one record.
class TkavGroupFooter : public TkavBand
{
public:
    KAV_CLASSINFO
    using TkavBand::TkavBand;
    bool HideIfSingleDataRecord() const { return FHideIfSingleDataRecord; }
    void SetHideIfSingleDataRecord(bool Value) { FHideIfSingleDataRecord = Value; }

private:
    bool FHideIfSingleDataRecord = false;
};

// Drawn under (PrintOnTop False) or over the other bands of the whole page.
class TkavOverlay : public TkavBand
{
public:
    KAV_CLASSINFO
    using TkavBand::TkavBand;
    bool PrintOnTop() const { return FPrintOnTop; }
    void SetPrintOnTop(bool Value) { FPrintOnTop = Value; }

private:
    bool FPrintOnTop = false;
};

// Registers TkavFillGaps and the band classes (bases first, then the list order of
// BandNumber, then TkavNullBand).
void kavRegisterBandClasses();
