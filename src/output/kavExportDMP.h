#pragma once

// The dot-matrix filter: prints a dot-matrix report as printer text and commands, sent
// unchanged through a printer's raw operations (or into the print-to-file target).
//
// Pages are laid out as by the text export (one character per cell of 9.6 x 17 report
// pixels: texts, lines and frames as characters, printer commands at their cells); rows
// end with CR LF and every page with a form feed. The text is Latin-1 ('?' for other
// characters). Font styles become ESC/P codes, the escape language of most dot-matrix
// printers, sent where the style of the cells changes and reset before each row's end:
//
//   document start    ESC @        1B 40     initialise the printer
//   fsxBold           ESC E / F    1B 45 / 1B 46
//   fsxItalic         ESC 4 / 5    1B 34 / 1B 35
//   fsxUnderline      ESC - 1 / 0  1B 2D 01 / 1B 2D 00
//   fsxSuperScript    ESC S 0      1B 53 00  (wins over fsxSubScript)
//   fsxSubScript      ESC S 1      1B 53 01  (either off: ESC T, 1B 54)
//   fsxCondensed      SI / DC2     0F / 12
//   fsxWide           ESC W 1 / 0  1B 57 01 / 1B 57 00
//   fsx12cpi          ESC M        1B 4D
//   fsx15cpi          ESC g        1B 67     (wins over fsx12cpi; back to 10 cpi: ESC P, 1B 50)
//
// Where the style changes, the codes that end styles come first, then those that start
// them, each group in the order of the table.

#include "kavExportText.h"

#include <report/kavDMP.h>

#include <QByteArray>

class TkavCustomPrinter;

class TkavDMPExport : public TkavTextExport
{
public:
    explicit TkavDMPExport(TkavFilterRegistration Registration = frRegister);

    // "Dot-matrix printer (*.prn)".
    QString GetDescription() const override;
    // The print dialog: the chosen printer, pages and print-to-file target apply.
    TModalResult ShowModal() override;
    // Opens the raw document on the printer (see Printer) and initialises the printer.
    bool Start() override;
    // Sends the page: its rows with commands and style codes, then a form feed.
    void FinishPage(TkavReportPage *Page, int Index) override;
    // Completes the raw document; after a failed or stopped run, or one without pages, it
    // drops it instead, so nothing reaches the printer or the file.
    void Finish() override;

    // The printer the document goes to; null (initially): the one a print job would use,
    // the current printer or, printing to a file without printers, the file printer. The
    // report's PrintOptions.PrnOutFileName becomes its file name.
    TkavCustomPrinter *Printer() const { return FPrinter; }
    void SetPrinter(TkavCustomPrinter *Value) { FPrinter = Value; }

    // The codes that switch the printer from the styles From to To.
    static QByteArray StyleCodes(TkavDMPFontStyles From, TkavDMPFontStyles To);

private:
    TkavCustomPrinter *FPrinter = nullptr; // not owned
    TkavCustomPrinter *FTarget = nullptr;  // the printer of the run in progress
    int FPagesSent = 0;
};

// Makes the dot-matrix filter the one printing hands dot-matrix reports to.
void kavInstallDMPFilter();
