#pragma once

// TkavPrinter: the printer layer on Qt's printing (CUPS queues, and PDF files for printing
// to a file), and kavInstallPrintSupport, which hands the platform's printers, the file
// printer and the print dialog to the report library.

#include <prepared/kavPrinters.h>

#include <QPrinter>

#include <memory>

// The platform's paper-source number of a Qt paper source, and back (unknown: 7, Auto).
int kavBinFromPaperSource(QPrinter::PaperSource Source);
QPrinter::PaperSource kavPaperSourceFromBin(int Bin);

// A printer of the platform (a CUPS queue; its location stands in for the port), or a
// printer that writes PDF files only. Paper source and duplex apply to a whole document: a
// source asked for in the middle of a document is recorded but takes effect with the next
// document. A file is written beside its target and renamed over it only when complete.
// Raw documents for a queue are spooled to a temporary file and sent to CUPS as one raw
// job when complete, so an aborted document never reaches the printer.
class TkavPrinter : public TkavCustomPrinter
{
public:
    TkavPrinter(const QString &AName, const QString &APort);
    // A printer that only prints to files (PDF), for machines without printers.
    static std::unique_ptr<TkavPrinter> CreateFilePrinter();
    ~TkavPrinter() override;

    void Init() override;
    void Abort() override;
    bool BeginDoc() override;
    void BeginPage() override;
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
    bool PropertiesDlg() override;
    bool CanMakeCopies() const override;
    void BeginRAWDoc() override;
    void EndRAWDoc() override;

    // The Qt device (null before Init).
    QPrinter *Device() const { return FDevice.get(); }

private:
    // Paper number and orientation into the device; false for a size Qt cannot take.
    void applyPaper(int APaperSize, double APaperWidth, double APaperHeight, TPrinterOrientation AOrientation);
    // Resolution, paper size and unprintable margins in whole millimetres; false when the
    // resolution reads 0.
    bool readCapabilities();
    void applySourceAndDuplex(int ABin, int ADuplex);
    void finishDocument();
    void removeTemporaryFile();

    bool FFileOnly = false;
    bool FFirstPage = true;
    QString FTemporaryFile; // the file being written; renamed to FileName when complete
    std::unique_ptr<QPrinter> FDevice;
    std::unique_ptr<QPainter> FPainter; // ends before the device goes
};

// Installs the platform's printers, the PDF file printer, the print dialog and the
// dot-matrix filter into the report library's printer layer.
void kavInstallPrintSupport();
