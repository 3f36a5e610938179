// The printer layer shared by every platform: lookups, the virtual printer, the printer list
// and the seams the user-interface library installs.

#include "kavPrinters.h"

#include <persist/kavRes.h>
#include <report/kavExportFilter.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavMath.h>

#include <QCoreApplication>
#include <QPageSize>
#include <QPainter>
#include <QPicture>
#include <QSaveFile>
#include <QSizeF>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Folio (8.5 x 13 in) has a legacy number but no page size of its own in Qt.
constexpr int paperFolio = 14;
constexpr double folioWidth = 215.9;
constexpr double folioHeight = 330.2;

int indexOfNumber(const TkavPrinterItems &items, int number)
{
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].Number == number)
            return int(i);
    }
    return -1;
}

int numberOfName(const TkavPrinterItems &items, const QString &name)
{
    for (const TkavPrinterItem &item : items) {
        if (item.Name == name)
            return item.Number;
    }
    return items.empty() ? 0 : items.front().Number;
}

struct Seams
{
    TkavPrinterEnumerator enumerator;
    TkavFilePrinterFactory filePrinter;
    TkavPrintDialogHook dialog;
    TkavDMPFilterFactory dmpFilter;
};

Seams &seams()
{
    static Seams instance;
    return instance;
}

std::unique_ptr<TkavPrinters> &printersInstance()
{
    static std::unique_ptr<TkavPrinters> instance;
    return instance;
}

// Platform printer objects must not outlive the application object.
void dropPrinters()
{
    printersInstance().reset();
}

} // namespace

// ---------------------------------------------------------------------------------------
// Papers

const std::vector<int> &kavStandardPapers()
{
    static const std::vector<int> papers = [] {
        std::vector<int> list;
        for (int n = 1; n <= 68; ++n) {
            if (n != 48 && n != 49) // never assigned
                list.push_back(n);
        }
        return list;
    }();
    return papers;
}

bool kavLookupPaperSize(int PaperSize, double &Width, double &Height)
{
    const std::vector<int> &papers = kavStandardPapers();
    if (!std::binary_search(papers.begin(), papers.end(), PaperSize))
        return false;
    if (PaperSize == paperFolio) {
        Width = folioWidth;
        Height = folioHeight;
        return true;
    }
    return kavGetPaperSize(PaperSize, Width, Height);
}

QString kavStandardPaperName(int PaperSize)
{
    double width = 0;
    double height = 0;
    if (!kavLookupPaperSize(PaperSize, width, height))
        return {};
    if (PaperSize == paperFolio)
        return u"Folio"_s;
    return QPageSize::name(QPageSize::id(PaperSize));
}

// ---------------------------------------------------------------------------------------
// Sheet arithmetic

int kavCoverCount(double A, double C)
{
    constexpr double tolerance = 11; // millimetres of rest that still need another piece
    if (C <= 0)
        return 1;
    const double t = std::trunc(A / C);
    const double n = std::abs(t * C - A) >= tolerance ? t + 1 : kavRoundFloat(A / C);
    // A length shorter than the tolerance still takes one piece.
    return std::max(1, int(std::min(n, 10000.0)));
}

TkavSheetGrid kavCoverGrid(double A1, double A2, double C1, double C2)
{
    const TkavSheetGrid straight{kavCoverCount(A1, C1), kavCoverCount(A2, C2), false};
    const TkavSheetGrid exchanged{kavCoverCount(A1, C2), kavCoverCount(A2, C1), true};
    return exchanged.Across * exchanged.Down < straight.Across * straight.Down ? exchanged
                                                                              : straight;
}

TkavSheetGrid kavJoinGrid(double SheetW, double SheetH, double PageW, double PageH)
{
    const auto fits = [](double sheet, double page) {
        if (page <= 0)
            return 1;
        return std::max(1, int(std::min(std::trunc(sheet / page), 10000.0)));
    };
    const TkavSheetGrid portrait{fits(SheetW, PageW), fits(SheetH, PageH), false};
    const TkavSheetGrid landscape{fits(SheetH, PageW), fits(SheetW, PageH), true};
    return landscape.Across * landscape.Down > portrait.Across * portrait.Down ? landscape
                                                                             : portrait;
}

// ---------------------------------------------------------------------------------------
// TkavCustomPrinter

TkavCustomPrinter::TkavCustomPrinter(const QString &AName, const QString &APort)
    : FName(AName)
    , FPort(APort)
{
    ResetPapers();
    ResetBins();
}

TkavCustomPrinter::~TkavCustomPrinter() = default;

void TkavCustomPrinter::BeginRAWDoc()
{
    if (FFileName.isEmpty())
        kavRaise<EkavError>(u"Raw output is not available on printer %1"_s.arg(FName));
    OpenRAWFile(std::make_unique<QSaveFile>(FFileName));
}

void TkavCustomPrinter::OpenRAWFile(std::unique_ptr<QFileDevice> File)
{
    if (FRawFile)
        kavRaise<EkavError>(u"A raw document is already open on printer %1"_s.arg(FName));
    if (!File->open(QIODevice::WriteOnly))
        kavRaise<EkavError>(u"Cannot create file \"%1\": %2"_s.arg(
            FFileName.isEmpty() ? File->fileName() : FFileName, File->errorString()));
    FRawFile = std::move(File);
}

void TkavCustomPrinter::WriteRAWDoc(const QByteArray &Buf)
{
    if (!FRawFile)
        kavRaise<EkavError>(u"No raw document is open on printer %1"_s.arg(FName));
    if (FRawFile->write(Buf) != Buf.size()) {
        const QString error = FRawFile->errorString();
        AbortRAWDoc();
        kavRaise<EkavError>(u"Cannot write file \"%1\": %2"_s.arg(
            FFileName.isEmpty() ? FName : FFileName, error));
    }
}

void TkavCustomPrinter::EndRAWDoc()
{
    std::unique_ptr<QFileDevice> file = std::move(FRawFile);
    auto *target = dynamic_cast<QSaveFile *>(file.get());
    if (target && !target->commit())
        kavRaise<EkavError>(
            u"Cannot write file \"%1\": %2"_s.arg(FFileName, target->errorString()));
}

void TkavCustomPrinter::AbortRAWDoc()
{
    TakeRAWFile();
}

std::unique_ptr<QFileDevice> TkavCustomPrinter::TakeRAWFile()
{
    std::unique_ptr<QFileDevice> file = std::move(FRawFile);
    // A pending target file is removed unwritten; the previous file stays as it was.
    if (auto *target = dynamic_cast<QSaveFile *>(file.get()))
        target->cancelWriting();
    return file;
}

int TkavCustomPrinter::BinIndex(int ABin) const
{
    return indexOfNumber(FBins, ABin);
}

int TkavCustomPrinter::PaperIndex(int APaper) const
{
    return indexOfNumber(FPapers, APaper);
}

int TkavCustomPrinter::BinNameToNumber(const QString &ABin) const
{
    return numberOfName(FBins, ABin);
}

int TkavCustomPrinter::PaperNameToNumber(const QString &APaper) const
{
    return numberOfName(FPapers, APaper);
}

QString TkavCustomPrinter::DocumentTitle() const
{
    return FTitle.isEmpty() ? u"Kavrel Document"_s : FTitle;
}

void TkavCustomPrinter::ResetPapers()
{
    FPapers = {{kavResourceTable().Get(u"prCustom"_s), kavPaperCustom}};
}

void TkavCustomPrinter::ResetBins()
{
    FBins = {{kavResourceTable().Get(u"prDefault"_s), kavBinAuto}};
}

// ---------------------------------------------------------------------------------------
// TkavVirtualPrinter

namespace {

constexpr int virtualDPI = 600;
constexpr double virtualMargin = 4;

} // namespace

TkavVirtualPrinter::TkavVirtualPrinter(const QString &AName)
    : TkavCustomPrinter(AName, QString())
{
}

TkavVirtualPrinter::~TkavVirtualPrinter()
{
    if (FPainter)
        FPainter->end();
}

void TkavVirtualPrinter::Init()
{
    if (FInitialized)
        return;
    FDPI = QPoint(virtualDPI, virtualDPI);
    FDefPaper = kavPaperA4;
    kavLookupPaperSize(kavPaperA4, FDefPaperWidth, FDefPaperHeight);
    FDefOrientation = poPortrait;
    ResetPapers();
    for (int paper : kavStandardPapers())
        FPapers.push_back({kavStandardPaperName(paper), paper});
    FBin = -1;
    FDuplex = -1;
    SetViewParams(FDefPaper, 0, 0, FDefOrientation);
    FInitialized = true;
}

void TkavVirtualPrinter::SetViewParams(int APaperSize,
                                       double APaperWidth,
                                       double APaperHeight,
                                       TPrinterOrientation AOrientation)
{
    double width = 0;
    double height = 0;
    if (APaperSize != kavPaperCustom && kavLookupPaperSize(APaperSize, width, height)) {
        if (AOrientation == poLandscape)
            std::swap(width, height);
        FPaper = APaperSize;
    } else {
        FPaper = kavPaperCustom;
        width = APaperWidth;
        height = APaperHeight;
    }
    FPaperWidth = width;
    FPaperHeight = height;
    FOrientation = AOrientation;
    FLeftMargin = FTopMargin = FRightMargin = FBottomMargin = virtualMargin;
}

void TkavVirtualPrinter::SetPrintParams(int APaperSize,
                                        double APaperWidth,
                                        double APaperHeight,
                                        TPrinterOrientation AOrientation,
                                        int ABin,
                                        int,
                                        int)
{
    SetViewParams(APaperSize, APaperWidth, APaperHeight, AOrientation);
    FBin = ABin;
}

bool TkavVirtualPrinter::BeginDoc()
{
    // Drawing is accepted and thrown away.
    FPicture = std::make_unique<QPicture>();
    FPainter = std::make_unique<QPainter>(FPicture.get());
    FCanvas = FPainter.get();
    FPrinting = true;
    return true;
}

bool TkavVirtualPrinter::EndDoc()
{
    if (FPainter)
        FPainter->end();
    FCanvas = nullptr;
    FPainter.reset();
    FPicture.reset();
    FPrinting = false;
    FBin = -1;
    FDuplex = -1;
    return true;
}

void TkavVirtualPrinter::Abort()
{
    EndDoc();
}

// ---------------------------------------------------------------------------------------
// Seams

TkavPrinterEnumerator kavSetPrinterEnumerator(TkavPrinterEnumerator Enumerator)
{
    TkavPrinterEnumerator previous = std::exchange(seams().enumerator, std::move(Enumerator));
    if (printersInstance())
        printersInstance()->FillPrinters();
    return previous;
}

TkavFilePrinterFactory kavSetFilePrinterFactory(TkavFilePrinterFactory Factory)
{
    TkavFilePrinterFactory previous = std::exchange(seams().filePrinter, std::move(Factory));
    if (printersInstance())
        printersInstance()->FillPrinters();
    return previous;
}

TkavPrintDialogHook kavSetPrintDialog(TkavPrintDialogHook Dialog)
{
    return std::exchange(seams().dialog, std::move(Dialog));
}

TkavDMPFilterFactory kavSetDMPFilterFactory(TkavDMPFilterFactory Factory)
{
    return std::exchange(seams().dmpFilter, std::move(Factory));
}

bool kavShowPrintDialog(TkavReport &AReport, TkavDuplexMode &ADuplexMode)
{
    return seams().dialog ? seams().dialog(AReport, ADuplexMode) : true;
}

std::unique_ptr<TkavCustomExportFilter> kavCreateDMPFilter()
{
    return seams().dmpFilter ? seams().dmpFilter() : nullptr;
}

// ---------------------------------------------------------------------------------------
// TkavPrinters

TkavPrinters::TkavPrinters() = default;

TkavPrinters::~TkavPrinters() = default;

void TkavPrinters::Clear()
{
    FPrinterList.clear();
    FPrinters.clear();
    FPrinterIndex = -1;
    FHasPhysicalPrinters = false;
    FDefaultName.clear();
    FFilePrinter.reset();
}

void TkavPrinters::FillPrinters()
{
    Clear();
    if (seams().enumerator)
        FPrinterList = seams().enumerator(FDefaultName);
    std::erase(FPrinterList, nullptr);
    FHasPhysicalPrinters = !FPrinterList.empty();
    if (!FHasPhysicalPrinters)
        FPrinterList.push_back(
            std::make_unique<TkavVirtualPrinter>(kavResourceTable().Get(u"prVirtual"_s)));
    for (const auto &printer : FPrinterList)
        FPrinters.append(printer->Name());
    SetPrinterIndex(-1);
}

TkavCustomPrinter *TkavPrinters::Printer() const
{
    return Items(FPrinterIndex);
}

TkavCustomPrinter *TkavPrinters::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        return nullptr;
    return FPrinterList[size_t(Index)].get();
}

int TkavPrinters::IndexOf(const QString &AName) const
{
    for (int i = 0; i < FPrinters.size(); ++i) {
        if (FPrinters[i].compare(AName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void TkavPrinters::SetPrinterIndex(int Index)
{
    if (Index < 0 || Index >= Count())
        Index = std::max(0, IndexOf(FDefaultName));
    if (Index >= Count())
        return;
    FPrinterIndex = Index;
    Printer()->Init();
}

TkavCustomPrinter *TkavPrinters::FilePrinter()
{
    if (!FFilePrinter && seams().filePrinter) {
        FFilePrinter = seams().filePrinter();
        if (FFilePrinter)
            FFilePrinter->Init();
    }
    return FFilePrinter.get();
}

TkavCustomPrinter *TkavPrinters::JobPrinter(bool ToFile)
{
    if (FHasPhysicalPrinters)
        return Printer();
    return ToFile ? FilePrinter() : nullptr;
}

TkavPrinters &kavPrinters()
{
    std::unique_ptr<TkavPrinters> &instance = printersInstance();
    if (!instance) {
        instance = std::make_unique<TkavPrinters>();
        if (QCoreApplication::instance())
            qAddPostRoutine(dropPrinters);
        instance->FillPrinters();
    }
    return *instance;
}
