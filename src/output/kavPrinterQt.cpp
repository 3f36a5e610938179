// The printer layer on Qt's printing: CUPS queues through QPrinterInfo / QPrinter, and a
// PDF-only printer for printing to a file.

#include "kavPrinterQt.h"

#include "kavExportDMP.h"
#include "kavPrintDialog.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavMath.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPageSize>
#include <QPainter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct SourceEntry
{
    QPrinter::PaperSource source;
    int bin;
    const char *name;
};

// The platform's source numbers for Qt's sources.
constexpr SourceEntry sourceTable[] = {
    {QPrinter::OnlyOne, 1, "Upper"},
    {QPrinter::Lower, 2, "Lower"},
    {QPrinter::Middle, 3, "Middle"},
    {QPrinter::Manual, 4, "Manual"},
    {QPrinter::Envelope, 5, "Envelope"},
    {QPrinter::EnvelopeManual, 6, "Envelope manual"},
    {QPrinter::Auto, 7, "Automatic"},
    {QPrinter::Tractor, 8, "Tractor"},
    {QPrinter::SmallFormat, 9, "Small format"},
    {QPrinter::LargeFormat, 10, "Large format"},
    {QPrinter::LargeCapacity, 11, "Large capacity"},
    {QPrinter::Cassette, 14, "Cassette"},
    {QPrinter::FormSource, 15, "Form source"},
};

QPrinter::DuplexMode qtDuplex(int duplex)
{
    switch (duplex) {
    case dmVertical:
        return QPrinter::DuplexLongSide;
    case dmHorizontal:
        return QPrinter::DuplexShortSide;
    case dmSimplex:
        return QPrinter::DuplexNone;
    default:
        return QPrinter::DuplexAuto;
    }
}

int duplexFromQt(QPrinter::DuplexMode mode)
{
    switch (mode) {
    case QPrinter::DuplexLongSide:
        return dmVertical;
    case QPrinter::DuplexShortSide:
        return dmHorizontal;
    case QPrinter::DuplexNone:
        return dmSimplex;
    default:
        return dmNone;
    }
}

int wholeMm(double dots, int dpi)
{
    return int(kavRound(dots / dpi * 25.4));
}

// A PDF that was cut short (a full disk) lacks its end-of-file marker.
bool pdfComplete(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16)
        return false;
    file.seek(file.size() - 16);
    return file.read(16).contains("%%EOF");
}

std::vector<std::unique_ptr<TkavCustomPrinter>> enumeratePrinters(QString &defaultName)
{
    std::vector<std::unique_ptr<TkavCustomPrinter>> list;
    defaultName = QPrinterInfo::defaultPrinterName();
    const QList<QPrinterInfo> infos = QPrinterInfo::availablePrinters();
    for (const QPrinterInfo &info : infos)
        list.push_back(std::make_unique<TkavPrinter>(info.printerName(), info.location()));
    return list;
}

} // namespace

int kavBinFromPaperSource(QPrinter::PaperSource Source)
{
    for (const SourceEntry &entry : sourceTable) {
        if (entry.source == Source)
            return entry.bin;
    }
    return kavBinAuto;
}

QPrinter::PaperSource kavPaperSourceFromBin(int Bin)
{
    for (const SourceEntry &entry : sourceTable) {
        if (entry.bin == Bin)
            return entry.source;
    }
    return QPrinter::Auto;
}

// ---------------------------------------------------------------------------------------

TkavPrinter::TkavPrinter(const QString &AName, const QString &APort)
    : TkavCustomPrinter(AName, APort)
{
}

std::unique_ptr<TkavPrinter> TkavPrinter::CreateFilePrinter()
{
    auto printer = std::make_unique<TkavPrinter>(u"PDF"_s, QString());
    printer->FFileOnly = true;
    return printer;
}

TkavPrinter::~TkavPrinter()
{
    if (FPrinting)
        Abort();
}

void TkavPrinter::Init()
{
    if (FInitialized)
        return;
    ResetPapers();
    ResetBins();
    if (FFileOnly) {
        FDevice = std::make_unique<QPrinter>(QPrinter::HighResolution);
        FDevice->setOutputFormat(QPrinter::PdfFormat);
        FDevice->setPageSize(QPageSize(QPageSize::A4));
        for (int paper : kavStandardPapers())
            FPapers.push_back({kavStandardPaperName(paper), paper});
    } else {
        const QPrinterInfo info = QPrinterInfo::printerInfo(FName);
        if (info.isNull())
            return;
        FDevice = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        const QList<QPageSize> sizes = info.supportedPageSizes();
        for (const QPageSize &size : sizes) {
            const int number = size.windowsId();
            if (number > 0 && number != kavPaperCustom)
                FPapers.push_back({size.name(), number});
        }
        // Qt lists no trays of a CUPS queue: every tray Qt can name is offered.
        for (const SourceEntry &entry : sourceTable) {
            if (entry.bin != kavBinAuto)
                FBins.push_back({QString::fromLatin1(entry.name), entry.bin});
        }
    }
    const QPageLayout layout = FDevice->pageLayout();
    const int number = layout.pageSize().windowsId();
    FDefPaper = number > 0 ? number : int(kavPaperCustom);
    const QSizeF size = layout.pageSize().size(QPageSize::Millimeter);
    FDefPaperWidth = size.width();
    FDefPaperHeight = size.height();
    FDefOrientation = layout.orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
    FDefBin = kavBinFromPaperSource(FDevice->paperSource());
    FDefDuplex = duplexFromQt(FDevice->duplex());
    if (!readCapabilities()) {
        FDevice.reset();
        return;
    }
    FPaper = FDefPaper;
    FOrientation = FDefOrientation;
    FBin = -1;
    FDuplex = -1;
    FInitialized = true;
}

bool TkavPrinter::readCapabilities()
{
    const int dpi = FDevice->resolution();
    FDPI = QPoint(dpi, dpi);
    if (dpi <= 0)
        return false;
    const QRectF paper = FDevice->paperRect(QPrinter::DevicePixel);
    const QRectF paint = FDevice->pageRect(QPrinter::DevicePixel);
    FPaperWidth = wholeMm(paper.width(), dpi);
    FPaperHeight = wholeMm(paper.height(), dpi);
    FLeftMargin = wholeMm(paint.left() - paper.left(), dpi);
    FTopMargin = wholeMm(paint.top() - paper.top(), dpi);
    FRightMargin = FPaperWidth - wholeMm(paint.width(), dpi) - FLeftMargin;
    FBottomMargin = FPaperHeight - wholeMm(paint.height(), dpi) - FTopMargin;
    return true;
}

void TkavPrinter::applyPaper(int APaperSize,
                             double APaperWidth,
                             double APaperHeight,
                             TPrinterOrientation AOrientation)
{
    const bool landscape = AOrientation == poLandscape;
    QPageSize size;
    double width = 0;
    double height = 0;
    if (APaperSize != kavPaperCustom) {
        const QPageSize::PageSizeId id = QPageSize::id(APaperSize);
        if (id != QPageSize::Custom)
            size = QPageSize(id);
        else if (kavLookupPaperSize(APaperSize, width, height))
            size = QPageSize(QSizeF(width, height), QPageSize::Millimeter, kavStandardPaperName(APaperSize));
    }
    if (!size.isValid() && APaperWidth > 0 && APaperHeight > 0) {
        // The page's own size, given as laid; the device takes it upright.
        const QSizeF upright = landscape ? QSizeF(APaperHeight, APaperWidth)
                                         : QSizeF(APaperWidth, APaperHeight);
        size = QPageSize(upright, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    }
    if (size.isValid())
        FDevice->setPageSize(size);
    FDevice->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void TkavPrinter::SetViewParams(int APaperSize,
                                double APaperWidth,
                                double APaperHeight,
                                TPrinterOrientation AOrientation)
{
    if (!FDevice)
        return;
    if (APaperSize == kavPaperCustom) {
        applyPaper(kavPaperA4, 0, 0, AOrientation);
        readCapabilities();
        FPaperWidth = APaperWidth;
        FPaperHeight = APaperHeight;
    } else {
        applyPaper(APaperSize, APaperWidth, APaperHeight, AOrientation);
        readCapabilities();
    }
    FPaper = APaperSize;
    FOrientation = AOrientation;
}

void TkavPrinter::SetPrintParams(int APaperSize,
                                 double APaperWidth,
                                 double APaperHeight,
                                 TPrinterOrientation AOrientation,
                                 int ABin,
                                 int ADuplex,
                                 int ACopies)
{
    if (!FDevice)
        return;
    applyPaper(APaperSize, APaperWidth, APaperHeight, AOrientation);
    // Copies, source and duplex belong to the whole document.
    if (!FPrinting) {
        FDevice->setCopyCount(std::max(1, ACopies));
        FDevice->setCollateCopies(false);
        applySourceAndDuplex(ABin, ADuplex);
    }
    if (readCapabilities()) {
        FPaper = APaperSize;
        FOrientation = AOrientation;
    }
}

void TkavPrinter::applySourceAndDuplex(int ABin, int ADuplex)
{
    const int bin = ABin == kavBinAuto ? (FBin >= 0 ? FBin : FDefBin) : ABin;
    FDevice->setPaperSource(kavPaperSourceFromBin(bin));
    int duplex = ADuplex == dmNone ? FDefDuplex : ADuplex;
    if (FDuplex >= 0)
        duplex = FDuplex;
    FDevice->setDuplex(qtDuplex(duplex));
}

bool TkavPrinter::CanMakeCopies() const
{
    return !FFileOnly && FDevice && FDevice->supportsMultipleCopies();
}

bool TkavPrinter::BeginDoc()
{
    FErrorText.clear();
    if (!FDevice) {
        FErrorText = u"Printer %1 is not available"_s.arg(FName);
        return false;
    }
    if (FPrinting)
        return true;
    FDevice->setDocName(DocumentTitle());
    if (FFileName.isEmpty() && FFileOnly) {
        FErrorText = u"No file to print to"_s;
        return false;
    }
    if (!FFileName.isEmpty()) {
        const QFileInfo target(FFileName);
        QTemporaryFile file(target.absolutePath() + u"/."_s + target.fileName()
                            + u"-XXXXXX.pdf"_s);
        file.setAutoRemove(false);
        if (!file.open()) {
            FErrorText = u"Cannot create file %1"_s.arg(FFileName);
            return false;
        }
        FTemporaryFile = file.fileName();
        file.close();
        FDevice->setOutputFileName(FTemporaryFile);
        FDevice->setOutputFormat(QPrinter::PdfFormat);
    } else {
        FDevice->setOutputFileName(QString());
    }
    FPainter = std::make_unique<QPainter>();
    if (!FPainter->begin(FDevice.get())) {
        FPainter.reset();
        removeTemporaryFile();
        FErrorText = u"Cannot print to %1"_s.arg(FFileName.isEmpty() ? FName : FFileName);
        return false;
    }
    FCanvas = FPainter.get();
    FPrinting = true;
    FFirstPage = true;
    return true;
}

void TkavPrinter::BeginPage()
{
    if (!FPrinting)
        return;
    if (!FFirstPage && !FDevice->newPage())
        FErrorText = u"Printing on %1 failed"_s.arg(FName);
    FFirstPage = false;
}

void TkavPrinter::finishDocument()
{
    FPainter.reset();
    FCanvas = nullptr;
    FPrinting = false;
    FBin = -1;
    FDuplex = -1;
    applySourceAndDuplex(FDefBin, FDefDuplex);
}

bool TkavPrinter::EndDoc()
{
    if (!FPrinting)
        return true;
    bool ok = FPainter->end() && FDevice->printerState() != QPrinter::Error
              && FErrorText.isEmpty();
    finishDocument();
    if (!FTemporaryFile.isEmpty()) {
        ok = ok && pdfComplete(FTemporaryFile)
             && std::rename(QFile::encodeName(FTemporaryFile).constData(),
                            QFile::encodeName(FFileName).constData())
                    == 0;
        if (ok)
            FTemporaryFile.clear();
        else
            FErrorText = u"The file %1 could not be written"_s.arg(FFileName);
        removeTemporaryFile();
    } else if (!ok && FErrorText.isEmpty()) {
        FErrorText = u"Printing on %1 failed"_s.arg(FName);
    }
    if (FFileOnly)
        FDevice->setOutputFormat(QPrinter::PdfFormat);
    return ok;
}

void TkavPrinter::Abort()
{
    if (!FPrinting)
        return;
    FDevice->abort();
    FPainter->end();
    finishDocument();
    removeTemporaryFile();
}

void TkavPrinter::removeTemporaryFile()
{
    if (!FTemporaryFile.isEmpty())
        QFile::remove(FTemporaryFile);
    FTemporaryFile.clear();
}

bool TkavPrinter::PropertiesDlg()
{
    if (!FDevice || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    const int duplexBefore = duplexFromQt(FDevice->duplex());
    QPageSetupDialog dialog(FDevice.get());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    FBin = kavBinFromPaperSource(FDevice->paperSource());
    const int duplexAfter = duplexFromQt(FDevice->duplex());
    if (duplexAfter != duplexBefore)
        FDuplex = duplexAfter;
    readCapabilities();
    return true;
}

void TkavPrinter::BeginRAWDoc()
{
    if (!FFileName.isEmpty() || FFileOnly) {
        TkavCustomPrinter::BeginRAWDoc();
        return;
    }
    if (!FDevice)
        kavRaise<EkavError>(u"Printer %1 is not available"_s.arg(FName));
    OpenRAWFile(std::make_unique<QTemporaryFile>(QDir::tempPath() + u"/kvXXXXXX.prn"_s));
}

void TkavPrinter::EndRAWDoc()
{
    if (!dynamic_cast<QTemporaryFile *>(RAWFile())) {
        TkavCustomPrinter::EndRAWDoc();
        return;
    }
    const std::unique_ptr<QFileDevice> spool = TakeRAWFile(); // removed when it goes
    if (!spool->flush())
        kavRaise<EkavError>(
            u"Cannot write the job for printer %1: %2"_s.arg(FName, spool->errorString()));
    // An instance ("queue/instance") prints on its queue.
    const QByteArray queue = FName.section(u'/', 0, 0).toUtf8();
    const QByteArray title = DocumentTitle().toUtf8();
    cups_option_t raw{const_cast<char *>("raw"), const_cast<char *>("true")};
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT,
                                   queue.constData(),
                                   QFile::encodeName(spool->fileName()).constData(),
                                   title.constData(),
                                   1,
                                   &raw);
    if (job <= 0)
        kavRaise<EkavError>(
            u"Printing on %1 failed: %2"_s.arg(FName, QString::fromUtf8(cupsLastErrorString())));
}

void kavInstallPrintSupport()
{
    kavSetPrinterEnumerator(enumeratePrinters);
    kavSetFilePrinterFactory([]() -> std::unique_ptr<TkavCustomPrinter> {
        return TkavPrinter::CreateFilePrinter();
    });
    kavSetPrintDialog(kavExecPrintDialog);
    kavInstallDMPFilter();
}
