#pragma once

// Pages: the report page (one sheet layout: paper in millimetres, margins, columns and the
// bands placed on it), the data page that holds non-visual components, and the paper table
// that maps the platform's paper numbers to sizes.

#include <report/kavComponent.h>
#include <report/kavFrames.h>
#include <rtl/kavColors.h>
#include <rtl/kavStrings.h>

#include <QString>

#include <memory>

class QPainter;
class TkavDataSet;
class TkavEnumInfo;
class TkavPicture;
class TkavPictureView;

// One millimetre in report pixels (exactly this constant, not 96 / 25.4).
inline constexpr double kavMMToPixels = 3.77953;
// Paper numbers: 9 is A4, 256 and above a size of the page's own.
inline constexpr int kavPaperA4 = 9;
inline constexpr int kavPaperCustom = 256;

// ORDER persisted: files store the identifier, the inspector lists it in this order.
enum TPrinterOrientation : int {
    poPortrait,
    poLandscape
};
// ORDER persisted.
enum TkavDuplexMode : int {
    dmNone,
    dmVertical,
    dmHorizontal,
    dmSimplex
};
const TkavEnumInfo &kavEnumTypeInfo(TPrinterOrientation);
const TkavEnumInfo &kavEnumTypeInfo(TkavDuplexMode);

// Width and height in millimetres of a standard paper number (portrait); false for numbers
// the table does not know (custom sizes included), leaving width and height untouched.
bool kavGetPaperSize(int paperSize, double &width, double &height);
// A paper dimension as pages store it: rounded to 8 decimal places (ties to even).
double kavRoundPaperDimension(double value);
// Millimetres to whole report pixels (ties to even).
double kavPaperToPixels(double mm);

// Initial values, also the declared defaults the stored rules compare against.
inline constexpr TPrinterOrientation kavPageDefaultOrientation = poPortrait;
inline constexpr int kavPageDefaultBin = 7; // automatic paper source
inline constexpr int kavPageDefaultPageCount = 1;
inline constexpr TkavDuplexMode kavPageDefaultDuplex = dmNone;
inline constexpr double kavPageDesignerMargin = 10; // margins SetDefaults gives new pages
inline constexpr double kavDataPageSize = 1000;     // a data page's width and height
// Bounds of counts read from files. A page has no more columns than pixels across (nor
// than kavMaxColumns, however wide); PageCount outputs of a page make that many pages.
inline constexpr int kavMaxColumns = 100000;
inline constexpr int kavMaxPageCount = 100000;

// ---------------------------------------------------------------------------------------
// The base of pages; publishes Font and Visible.
class TkavPage : public TkavComponent
{
public:
    KAV_CLASSINFO

    explicit TkavPage(TkavComponent *AOwner = nullptr);
    ~TkavPage() override;
};

// ---------------------------------------------------------------------------------------
// A printable page. Stored order: Orientation, PaperWidth, PaperHeight, PaperSize, the four
// margins, MirrorMargins, Columns, ColumnWidth, ColumnPositions, ..., so a file's explicit
// values override what the earlier setters derived (a landscape A4 page: Orientation swaps,
// the two dimensions make the size custom, PaperSize then restores 9 from the table).
// PaperSize has no declared default and is always written for that reason. DataSet is not
// stored (data sets usually live outside the report); DataSetName carries the link.
class TkavReportPage : public TkavPage
{
public:
    KAV_CLASSINFO

    // An A4 portrait page with no margins, named from the base name "Page".
    explicit TkavReportPage(TkavComponent *AOwner = nullptr);
    ~TkavReportPage() override;

    // --- paper and orientation ---
    TPrinterOrientation Orientation() const { return FOrientation; }
    // A different orientation swaps width and height and rotates the margins.
    void SetOrientation(TPrinterOrientation Value);
    double PaperWidth() const { return FPaperWidth; }
    double PaperHeight() const { return FPaperHeight; }
    int PaperSize() const { return FPaperSize; }
    // Store the rounded value and make the paper custom (256).
    virtual void SetPaperHeight(double Value);
    virtual void SetPaperWidth(double Value);
    // Below 256 also loads the table's size (swapped in landscape) when the table knows it.
    virtual void SetPaperSize(int Value);
    // Stores all three as given (dimensions rounded), without the table or custom switch.
    void SetSizeAndDimensions(int ASize, double AWidth, double AHeight);
    // Margins 10 mm; paper A4 portrait (the default of a system without printers).
    virtual void SetDefaults();

    // --- margins and columns (millimetres) ---
    double LeftMargin() const { return FLeftMargin; }
    void SetLeftMargin(double Value) { FLeftMargin = Value; }
    double RightMargin() const { return FRightMargin; }
    void SetRightMargin(double Value) { FRightMargin = Value; }
    double TopMargin() const { return FTopMargin; }
    void SetTopMargin(double Value) { FTopMargin = Value; }
    double BottomMargin() const { return FBottomMargin; }
    void SetBottomMargin(double Value) { FBottomMargin = Value; }
    bool MirrorMargins() const { return FMirrorMargins; }
    void SetMirrorMargins(bool Value) { FMirrorMargins = Value; }
    int Columns() const { return FColumns; }
    // Empties ColumnPositions; above 0 also recomputes ColumnWidth and the positions.
    void SetColumns(int Value);
    double ColumnWidth() const { return FColumnWidth; }
    void SetColumnWidth(double Value) { FColumnWidth = Value; }
    // Start of each column in mm as decimal text (current locale).
    TStringList &ColumnPositions() const { return *FColumnPositions; }
    void SetColumnPositions(const TStrings &Value);

    // --- printing ---
    int Bin() const { return FBin; }
    void SetBin(int Value) { FBin = Value; }
    int BinOtherPages() const { return FBinOtherPages; }
    void SetBinOtherPages(int Value) { FBinOtherPages = Value; }
    bool BackPictureVisible() const { return FBackPictureVisible; }
    void SetBackPictureVisible(bool Value) { FBackPictureVisible = Value; }
    bool BackPicturePrintable() const { return FBackPicturePrintable; }
    void SetBackPicturePrintable(bool Value) { FBackPicturePrintable = Value; }
    int PageCount() const { return FPageCount; }
    // Values below 1 are ignored.
    void SetPageCount(int Value);
    // Colour, frame and picture belong to the page's background view.
    TkavPicture &BackPicture() const;
    void SetBackPicture(const TkavPicture &Value);
    TColor Color() const;
    void SetColor(TColor Value);
    TkavFrame &Frame() const;
    void SetFrame(const TkavFrame &Value);
    TkavDuplexMode Duplex() const { return FDuplex; }
    void SetDuplex(TkavDuplexMode Value) { FDuplex = Value; }

    // --- data ---
    // The data set the page is output for; null once it is destroyed.
    TkavDataSet *DataSet() const;
    // Also takes the data set's user name as DataSetName (empty for null).
    void SetDataSet(TkavDataSet *Value);
    // The data set's current user name when it is set, else the name last given.
    QString DataSetName() const;
    // Resolves the name among the data sets of this page's report; the name is kept even
    // when nothing matches yet (the data set may appear later).
    void SetDataSetName(const QString &Value);

    // --- flags and texts ---
    bool EndlessHeight() const { return FEndlessHeight; }
    void SetEndlessHeight(bool Value) { FEndlessHeight = Value; }
    bool EndlessWidth() const { return FEndlessWidth; }
    void SetEndlessWidth(bool Value) { FEndlessWidth = Value; }
    bool LargeDesignHeight() const { return FLargeDesignHeight; }
    void SetLargeDesignHeight(bool Value) { FLargeDesignHeight = Value; }
    const QString &OutlineText() const { return FOutlineText; }
    void SetOutlineText(const QString &Value) { FOutlineText = Value; }
    bool PrintIfEmpty() const { return FPrintIfEmpty; }
    void SetPrintIfEmpty(bool Value) { FPrintIfEmpty = Value; }
    bool PrintOnPreviousPage() const { return FPrintOnPreviousPage; }
    void SetPrintOnPreviousPage(bool Value) { FPrintOnPreviousPage = Value; }
    bool ResetPageNumbers() const { return FResetPageNumbers; }
    void SetResetPageNumbers(bool Value) { FResetPageNumbers = Value; }
    bool TitleBeforeHeader() const { return FTitleBeforeHeader; }
    void SetTitleBeforeHeader(bool Value) { FTitleBeforeHeader = Value; }
    TStringList &HGuides() const { return *FHGuides; }
    void SetHGuides(const TStrings &Value);
    TStringList &VGuides() const { return *FVGuides; }
    void SetVGuides(const TStrings &Value);
    // Empties both guide lists.
    void ClearGuides();

    // --- events (script procedure names) ---
    const TkavNotifyEvent &OnAfterPrint() const { return FOnAfterPrint; }
    void SetOnAfterPrint(const TkavNotifyEvent &Value) { FOnAfterPrint = Value; }
    const TkavNotifyEvent &OnBeforePrint() const { return FOnBeforePrint; }
    void SetOnBeforePrint(const TkavNotifyEvent &Value) { FOnBeforePrint = Value; }
    const TkavNotifyEvent &OnManualBuild() const { return FOnManualBuild; }
    void SetOnManualBuild(const TkavNotifyEvent &Value) { FOnManualBuild = Value; }

    // --- public, not stored ---
    // The subreport view showing this page; null when none or once it is destroyed.
    TkavComponent *SubReport() const { return FSubReport.get(); }
    void SetSubReport(TkavComponent *Value) { FSubReport = Value; }
    bool IsSubReport() const { return FSubReport.get() != nullptr; }
    // The first child that is an instance of BandClass (descendants included), or null.
    TkavComponent *FindBand(const TkavClassInfo &BandClass) const;
    // Sizes the bands to the printable area (column width for column bands, the remaining
    // height for vertical ones), then restores the page's own size to the whole paper.
    void AlignChildren();
    // Draws the background (colour, picture, frame) over the printable area, shifted by the
    // margins; nothing when the picture is hidden, or when printing a non-printable one.
    void Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);

private:
    // Width and Height from the paper, in whole pixels.
    void updateSize();

    TPrinterOrientation FOrientation = kavPageDefaultOrientation;
    double FPaperWidth = 0;
    double FPaperHeight = 0;
    int FPaperSize = kavPaperA4;
    double FLeftMargin = 0;
    double FRightMargin = 0;
    double FTopMargin = 0;
    double FBottomMargin = 0;
    bool FMirrorMargins = false;
    int FColumns = 0;
    double FColumnWidth = 0;
    std::unique_ptr<TStringList> FColumnPositions;
    int FBin = kavPageDefaultBin;
    int FBinOtherPages = kavPageDefaultBin;
    bool FBackPictureVisible = true;
    bool FBackPicturePrintable = true;
    int FPageCount = kavPageDefaultPageCount;
    std::unique_ptr<TkavPictureView> FBackPictureView; // no aspect ratio, colour clNone
    TkavDataSetLink FDataSetLink;
    TkavDuplexMode FDuplex = kavPageDefaultDuplex;
    bool FEndlessHeight = false;
    bool FEndlessWidth = false;
    bool FLargeDesignHeight = false;
    QString FOutlineText;
    bool FPrintIfEmpty = true;
    bool FPrintOnPreviousPage = false;
    bool FResetPageNumbers = false;
    bool FTitleBeforeHeader = true;
    std::unique_ptr<TStringList> FHGuides;
    std::unique_ptr<TStringList> FVGuides;
    TkavNotifyEvent FOnAfterPrint;
    TkavNotifyEvent FOnBeforePrint;
    TkavNotifyEvent FOnManualBuild;
    TkavComponentRef<TkavComponent> FSubReport;
};

// ---------------------------------------------------------------------------------------
// Holder of data components (data sets, connections); 1000 x 1000 pixels when created.
class TkavDataPage : public TkavPage
{
public:
    KAV_CLASSINFO

    explicit TkavDataPage(TkavComponent *AOwner = nullptr);
    ~TkavDataPage() override;
};

// Registers TkavPage, TkavReportPage and TkavDataPage in that order.
void kavRegisterPageClasses();
