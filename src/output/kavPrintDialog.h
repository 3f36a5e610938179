#pragma once

// TkavPrintDialog: the modal dialog that edits a report's print options before printing
// (printer, print to file, pages, copies, odd/even, order, duplex, print mode and sheet).

#include <report/kavPages.h>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class TkavReport;

class TkavPrintDialog : public QDialog
{
public:
    TkavPrintDialog(TkavReport &AReport, TkavDuplexMode ADuplexMode, QWidget *Parent = nullptr);

    // Writes the choices into the report's print options; false when the file dialog of
    // "print to file" was cancelled.
    bool Apply();
    TkavDuplexMode DuplexMode() const { return FDuplexMode; }

    // The controls, for the embedding program and tests.
    QComboBox *Printers() const { return FPrinters; }
    QCheckBox *PrintToFile() const { return FPrintToFile; }
    QRadioButton *AllPages() const { return FAllPages; }
    QRadioButton *CurrentPage() const { return FCurrentPage; }
    QRadioButton *PageRange() const { return FPageRange; }
    QLineEdit *PageNumbers() const { return FPageNumbers; }
    QSpinBox *Copies() const { return FCopies; }
    QCheckBox *Collate() const { return FCollate; }
    QComboBox *PrintPages() const { return FPrintPages; }
    QComboBox *Order() const { return FOrder; }
    QComboBox *Duplex() const { return FDuplex; }
    QComboBox *PrintMode() const { return FPrintMode; }
    QComboBox *Sheet() const { return FSheet; }

private:
    void printerChanged(int Index);
    void modeChanged(int Index);
    void fillSheets();

    TkavReport &FReport;
    TkavDuplexMode FDuplexMode;
    QComboBox *FPrinters = nullptr;
    QLabel *FWhere = nullptr;
    QCheckBox *FPrintToFile = nullptr;
    QRadioButton *FAllPages = nullptr;
    QRadioButton *FCurrentPage = nullptr;
    QRadioButton *FPageRange = nullptr;
    QLineEdit *FPageNumbers = nullptr;
    QSpinBox *FCopies = nullptr;
    QCheckBox *FCollate = nullptr;
    QComboBox *FPrintPages = nullptr;
    QComboBox *FOrder = nullptr;
    QComboBox *FDuplex = nullptr;
    QComboBox *FPrintMode = nullptr;
    QComboBox *FSheet = nullptr;
};

// Shows the dialog for AReport (the hook the printer layer calls). Cancelling makes the
// previously current printer current again. Without a widget application it answers OK
// and changes nothing.
bool kavExecPrintDialog(TkavReport &AReport, TkavDuplexMode &ADuplexMode);
