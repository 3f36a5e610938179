#pragma once

// The printer layer: TkavCustomPrinter (what printing asks of a printer), the virtual
// printer used when none is installed, the process-wide printer list, the standard paper
// table, and the seams through which the user-interface library installs the platform's
// printers and the print dialog (this library never sees a platform printing API).

#include <report/kavPages.h>

#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QFileDevice;
class QPainter;
class QPicture;
class TkavCustomExportFilter;
class TkavReport;

// Paper source 7: the printer picks the tray.
inline constexpr int kavBinAuto = 7;

// A display name with its paper or source number.
struct TkavPrinterItem
{
    QString Name;
    int Number = 0;
};
using TkavPrinterItems = std::vector<TkavPrinterItem>;

// The 66 standard paper numbers (1 to 47 and 50 to 68), in ascending order.
const std::vector<int> &kavStandardPapers();
// Width and height (portrait, millimetres) of a standard paper number; false for any other
// number (256 included).
bool kavLookupPaperSize(int PaperSize, double &Width, double &Height);
// The name the virtual printer shows for a standard paper number (empty for others).
QString kavStandardPaperName(int PaperSize);

// How many sheets (or pages) go across and down, and whether the sheet lies landscape.
struct TkavSheetGrid
{
    int Across = 1;
    int Down = 1;
    bool Rotated = false;
};

// Pieces of length C that cover length A (millimetres): one more than fit whole when the
// rest is at least 11 mm, else A / C rounded; never below 1.
int kavCoverCount(double A, double C);
// Pieces (C1, C2) covering (A1, A2); the exchanged pieces (C2, C1) win, rotated, only when
// they need strictly fewer.
TkavSheetGrid kavCoverGrid(double A1, double A2, double C1, double C2);
// Whole pages of PageW x PageH that fit on a SheetW x SheetH sheet per axis (at least one);
// the landscape sheet wins, rotated, only when it holds strictly more. Across and Down are
// counted on the sheet as it lies, so the cells never overlap.
TkavSheetGrid kavJoinGrid(double SheetW, double SheetH, double PageW, double PageH);

// ---------------------------------------------------------------------------------------
// A printer as printing sees it. Sizes and margins are whole millimetres of the current
// paper as laid (landscape swaps width and height); the canvas is valid between BeginDoc
// and EndDoc and draws in device dots (DPI per inch).
class TkavCustomPrinter
{
public:
    TkavCustomPrinter(const QString &AName, const QString &APort);
    virtual ~TkavCustomPrinter();
    TkavCustomPrinter(const TkavCustomPrinter &) = delete;
    TkavCustomPrinter &operator=(const TkavCustomPrinter &) = delete;

    // Reads resolution, defaults, papers and sources once; Initialized tells the outcome.
    virtual void Init() = 0;
    // Drops the open document (nothing of it reaches the device or file), then EndDoc.
    virtual void Abort() = 0;
    // Opens a document titled Title (written to FileName when set); false when it cannot be
    // opened (ErrorText says why).
    virtual bool BeginDoc() = 0;
    virtual void BeginPage() = 0;
    // Closes the open document; false when it could not be completed (a failed spool or
    // file write; ErrorText says why). Without an open document it does nothing and
    // answers true, so a second call is harmless.
    virtual bool EndDoc() = 0;
    virtual void EndPage() = 0;
    // Raw bytes, unchanged (dot-matrix output). With FileName set they go to that file,
    // written beside it and renamed over it by EndRAWDoc; otherwise to the device, which a
    // printer without raw output refuses. Every failure raises EkavError naming the file or
    // printer; a failed or aborted document leaves nothing behind.
    virtual void BeginRAWDoc();
    virtual void EndRAWDoc();
    virtual void WriteRAWDoc(const QByteArray &Buf);
    // Drops the open raw document: nothing of it reaches the file or device.
    virtual void AbortRAWDoc();
    // A raw document is open.
    bool PrintingRAW() const { return FRawFile != nullptr; }
    // Paper for measuring pages (nothing is printed).
    virtual void SetViewParams(int APaperSize,
                               double APaperWidth,
                               double APaperHeight,
                               TPrinterOrientation AOrientation)
        = 0;
    // Paper, source, duplex (a TkavDuplexMode) and copies for the pages that follow.
    virtual void SetPrintParams(int APaperSize,
                                double APaperWidth,
                                double APaperHeight,
                                TPrinterOrientation AOrientation,
                                int ABin,
                                int ADuplex,
                                int ACopies)
        = 0;
    // The printer's own settings dialog; false when cancelled or there is none.
    virtual bool PropertiesDlg() { return false; }

    // List position of a source / paper number, or -1.
    int BinIndex(int ABin) const;
    int PaperIndex(int APaper) const;
    // The number of the entry with that name, or of the first entry (7 / 256) when absent.
    int BinNameToNumber(const QString &ABin) const;
    int PaperNameToNumber(const QString &APaper) const;

    QPainter *Canvas() const { return FCanvas; }
    int Bin() const { return FBin; }
    int Duplex() const { return FDuplex; }
    const TkavPrinterItems &Bins() const { return FBins; }
    const TkavPrinterItems &Papers() const { return FPapers; }
    TPrinterOrientation DefOrientation() const { return FDefOrientation; }
    int DefPaper() const { return FDefPaper; }
    double DefPaperWidth() const { return FDefPaperWidth; }
    double DefPaperHeight() const { return FDefPaperHeight; }
    int DefDuplex() const { return FDefDuplex; }
    int DefBin() const { return FDefBin; }
    QPoint DPI() const { return FDPI; }
    const QString &FileName() const { return FFileName; }
    void SetFileName(const QString &Value) { FFileName = Value; }
    bool Initialized() const { return FInitialized; }
    const QString &Name() const { return FName; }
    int Paper() const { return FPaper; }
    double PaperWidth() const { return FPaperWidth; }
    double PaperHeight() const { return FPaperHeight; }
    double LeftMargin() const { return FLeftMargin; }
    double TopMargin() const { return FTopMargin; }
    double RightMargin() const { return FRightMargin; }
    double BottomMargin() const { return FBottomMargin; }
    TPrinterOrientation Orientation() const { return FOrientation; }
    const QString &Port() const { return FPort; }
    bool Printing() const { return FPrinting; }
    const QString &Title() const { return FTitle; }
    void SetTitle(const QString &Value) { FTitle = Value; }
    // Why the last BeginDoc or EndDoc failed (empty after success).
    const QString &ErrorText() const { return FErrorText; }
    // False for the virtual printer: it cannot put anything on paper.
    virtual bool IsPhysical() const { return true; }
    // Whether the device makes the copies SetPrintParams asks for; otherwise printing
    // repeats the pages itself.
    virtual bool CanMakeCopies() const { return true; }

protected:
    // The title a document gets when Title is empty.
    QString DocumentTitle() const;
    // Fills Papers / Bins with their first entry ("prCustom" 256 / "prDefault" 7).
    void ResetPapers();
    void ResetBins();
    // Opens File as the raw document (EkavError when it cannot be opened).
    void OpenRAWFile(std::unique_ptr<QFileDevice> File);
    QFileDevice *RAWFile() const { return FRawFile.get(); }
    // Closes and forgets the raw document's file (a pending file is dropped unwritten).
    std::unique_ptr<QFileDevice> TakeRAWFile();

    int FBin = -1;
    int FDuplex = -1;
    TkavPrinterItems FBins;
    QPainter *FCanvas = nullptr; // owned by the implementation
    TPrinterOrientation FDefOrientation = poPortrait;
    int FDefPaper = kavPaperA4;
    double FDefPaperHeight = 297;
    double FDefPaperWidth = 210;
    int FDefDuplex = dmNone;
    int FDefBin = kavBinAuto;
    QPoint FDPI;
    QString FFileName;
    bool FInitialized = false;
    QString FName;
    int FPaper = kavPaperA4;
    TkavPrinterItems FPapers;
    double FPaperHeight = 297;
    double FPaperWidth = 210;
    double FLeftMargin = 0;
    double FTopMargin = 0;
    double FRightMargin = 0;
    double FBottomMargin = 0;
    TPrinterOrientation FOrientation = poPortrait;
    QString FPort;
    bool FPrinting = false;
    QString FTitle;
    QString FErrorText;

private:
    std::unique_ptr<QFileDevice> FRawFile; // the open raw document, a file or a spool
};

// ---------------------------------------------------------------------------------------
// The printer that stands in when none is installed: 600 x 600 dpi, A4 portrait, 4-mm
// margins, the standard papers. Documents go nowhere.
class TkavVirtualPrinter : public TkavCustomPrinter
{
public:
    explicit TkavVirtualPrinter(const QString &AName);
    ~TkavVirtualPrinter() override;

    void Init() override;
    void Abort() override;
    bool BeginDoc() override;
    void BeginPage() override {}
    bool EndDoc() override;
    void EndPage() override {}
    void SetViewParams(int APaperSize,
                       double APaperWidth,
                       double APaperHeight,
                       TPrinterOrientation AOrientation) override;
    void SetPrintParams(int APaperSize,
                        double APaperWidth,
                        double APaperHeight,
                        TPrinterOrientation AOrientation,
                        int ABin,
                        int ADuplex,
                        int ACopies) override;
    bool IsPhysical() const override { return false; }

private:
    std::unique_ptr<QPicture> FPicture; // where drawing between BeginDoc and EndDoc goes
    std::unique_ptr<QPainter> FPainter;
};

// ---------------------------------------------------------------------------------------
// Seams the user-interface library fills in.

// The platform's printers (one object each, not initialised) and the default one's name.
using TkavPrinterEnumerator
    = std::function<std::vector<std::unique_ptr<TkavCustomPrinter>>(QString &DefaultName)>;
// A printer that writes documents to files, for printing to a file on a machine without
// printers.
using TkavFilePrinterFactory = std::function<std::unique_ptr<TkavCustomPrinter>()>;
// The print dialog: edits the report's print options; false when cancelled.
using TkavPrintDialogHook = std::function<bool(TkavReport &AReport, TkavDuplexMode &ADuplexMode)>;

// The filter that prints a dot-matrix report as printer text and commands.
using TkavDMPFilterFactory = std::function<std::unique_ptr<TkavCustomExportFilter>()>;

// Each returns the previous one. The printer list is filled again on its next use.
TkavPrinterEnumerator kavSetPrinterEnumerator(TkavPrinterEnumerator Enumerator);
TkavFilePrinterFactory kavSetFilePrinterFactory(TkavFilePrinterFactory Factory);
TkavPrintDialogHook kavSetPrintDialog(TkavPrintDialogHook Dialog);
TkavDMPFilterFactory kavSetDMPFilterFactory(TkavDMPFilterFactory Factory);
// The installed dialog; without one the answer is OK and nothing changes.
bool kavShowPrintDialog(TkavReport &AReport, TkavDuplexMode &ADuplexMode);
// A new dot-matrix filter; null when none is installed.
std::unique_ptr<TkavCustomExportFilter> kavCreateDMPFilter();

// ---------------------------------------------------------------------------------------
// The printers of the process. With none installed the only entry is the virtual printer
// ("prVirtual") and HasPhysicalPrinters is false.
class TkavPrinters
{
public:
    TkavPrinters();
    ~TkavPrinters();
    TkavPrinters(const TkavPrinters &) = delete;
    TkavPrinters &operator=(const TkavPrinters &) = delete;

    // The current printer; null when the index is -1.
    TkavCustomPrinter *Printer() const;
    int PrinterIndex() const { return FPrinterIndex; }
    // Makes Index current and initialises it; -1 selects the platform's default printer
    // (the first one when the default is not listed).
    void SetPrinterIndex(int Index);
    // Position of the printer named AName, ignoring case; -1 when absent.
    int IndexOf(const QString &AName) const;
    TkavCustomPrinter *Items(int Index) const;
    int Count() const { return int(FPrinterList.size()); }
    const QStringList &Printers() const { return FPrinters; }
    bool HasPhysicalPrinters() const { return FHasPhysicalPrinters; }
    // Enumerates the platform's printers again.
    void FillPrinters();
    void Clear();
    // A printer that prints to files (created on first use); null without a factory.
    TkavCustomPrinter *FilePrinter();
    // Where a job goes: the current printer when printers are installed, else the file
    // printer for a job printed to a file; null when there is neither.
    TkavCustomPrinter *JobPrinter(bool ToFile);

private:
    bool FHasPhysicalPrinters = false;
    QStringList FPrinters;
    int FPrinterIndex = -1;
    std::vector<std::unique_ptr<TkavCustomPrinter>> FPrinterList;
    QString FDefaultName;
    std::unique_ptr<TkavCustomPrinter> FFilePrinter;
};

// The process's list, filled on first use and emptied when the application object goes.
TkavPrinters &kavPrinters();
