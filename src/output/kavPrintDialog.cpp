// The print dialog.

#include "kavPrintDialog.h"

#include "kavHelpKey.h"

#include <persist/kavRes.h>
#include <prepared/kavPreviewPages.h>
#include <prepared/kavPrinters.h>
#include <report/kavReport.h>
#include <rtl/kavUIServices.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QString res(const QString &key)
{
    return kavResourceTable().Get(key);
}

QComboBox *comboOf(QWidget *parent, const QStringList &keys, int current)
{
    auto *combo = new QComboBox(parent);
    for (const QString &key : keys)
        combo->addItem(res(key));
    combo->setCurrentIndex(current);
    return combo;
}

} // namespace

TkavPrintDialog::TkavPrintDialog(TkavReport &AReport, TkavDuplexMode ADuplexMode, QWidget *Parent)
    : QDialog(Parent)
    , FReport(AReport)
    , FDuplexMode(ADuplexMode)
{
    const TkavPrintOptions &opts = AReport.PrintOptions();
    TkavPrinters &printers = kavPrinters();
    setWindowTitle(kavGet(200));
    kavInstallHelpKey(*this, u"TkavPrintDialog"_s);
    auto *layout = new QVBoxLayout(this);

    // Printer
    auto *printerBox = new QGroupBox(this);
    auto *printerLayout = new QFormLayout(printerBox);
    auto *printerRow = new QHBoxLayout;
    FPrinters = new QComboBox(printerBox);
    FPrinters->addItems(printers.Printers());
    FPrinters->setCurrentIndex(printers.PrinterIndex());
    auto *properties = new QPushButton(u"..."_s, printerBox);
    printerRow->addWidget(FPrinters, 1);
    printerRow->addWidget(properties);
    printerLayout->addRow(printerRow);
    FWhere = new QLabel(printerBox);
    printerLayout->addRow(FWhere);
    FPrintToFile = new QCheckBox(u"Print to file"_s, printerBox);
    FPrintToFile->setChecked(!opts.PrnOutFileName().isEmpty());
    printerLayout->addRow(FPrintToFile);
    layout->addWidget(printerBox);

    // Pages
    auto *pagesBox = new QGroupBox(this);
    auto *pagesLayout = new QVBoxLayout(pagesBox);
    FAllPages = new QRadioButton(res(u"ppAll"_s), pagesBox);
    FCurrentPage = new QRadioButton(u"Current page"_s, pagesBox);
    FPageRange = new QRadioButton(u"Pages:"_s, pagesBox);
    FPageNumbers = new QLineEdit(opts.PageNumbers(), pagesBox);
    auto *hint = new QLabel(kavGet(9), pagesBox);
    hint->setWordWrap(true);
    (opts.PageNumbers().isEmpty() ? FAllPages : FPageRange)->setChecked(true);
    pagesLayout->addWidget(FAllPages);
    pagesLayout->addWidget(FCurrentPage);
    auto *rangeRow = new QHBoxLayout;
    rangeRow->addWidget(FPageRange);
    rangeRow->addWidget(FPageNumbers, 1);
    pagesLayout->addLayout(rangeRow);
    pagesLayout->addWidget(hint);
    layout->addWidget(pagesBox);

    // Copies and what to print
    auto *form = new QFormLayout;
    FCopies = new QSpinBox(this);
    FCopies->setRange(1, 9999);
    FCopies->setValue(std::max(1, opts.Copies()));
    FCollate = new QCheckBox(u"Collate"_s, this);
    FCollate->setChecked(opts.Collate());
    auto *copiesRow = new QHBoxLayout;
    copiesRow->addWidget(FCopies);
    copiesRow->addWidget(FCollate);
    form->addRow(u"Copies"_s, copiesRow);
    FPrintPages = comboOf(this, {u"ppAll"_s, u"ppOdd"_s, u"ppEven"_s}, opts.PrintPages());
    form->addRow(FPrintPages);
    FOrder = comboOf(this, {u"poDirect"_s, u"poReverse"_s}, opts.Reverse() ? 1 : 0);
    form->addRow(FOrder);
    FDuplex = comboOf(
        this, {u"dupDefault"_s, u"dupVert"_s, u"dupHorz"_s, u"dupSimpl"_s}, ADuplexMode);
    form->addRow(FDuplex);
    FPrintMode
        = comboOf(this, {u"pmDefault"_s, u"pmSplit"_s, u"pmJoin"_s, u"pmScale"_s}, opts.PrintMode());
    form->addRow(FPrintMode);
    FSheet = new QComboBox(this);
    form->addRow(FSheet);
    layout->addLayout(form);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(kavGet(1));
    buttons->button(QDialogButtonBox::Cancel)->setText(kavGet(2));
    layout->addWidget(buttons);

    printerChanged(FPrinters->currentIndex());
    const int sheet = FSheet->findData(opts.PrintOnSheet());
    FSheet->setCurrentIndex(sheet >= 0 ? sheet : 0);
    modeChanged(FPrintMode->currentIndex());

    connect(FPrinters, &QComboBox::currentIndexChanged, this, [this](int i) { printerChanged(i); });
    connect(FPrintMode, &QComboBox::currentIndexChanged, this, [this](int i) { modeChanged(i); });
    connect(FPageNumbers, &QLineEdit::textEdited, this, [this] { FPageRange->setChecked(true); });
    connect(properties, &QPushButton::clicked, this, [] {
        if (TkavCustomPrinter *printer = kavPrinters().Printer())
            printer->PropertiesDlg();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TkavPrintDialog::printerChanged(int Index)
{
    TkavPrinters &printers = kavPrinters();
    if (Index >= 0 && Index != printers.PrinterIndex())
        printers.SetPrinterIndex(Index);
    const TkavCustomPrinter *printer = printers.Printer();
    FWhere->setText(printer ? printer->Port() : QString());
    fillSheets();
}

// The printer's papers without the custom entry, headed by "default" (256).
void TkavPrintDialog::fillSheets()
{
    const int current = FSheet->currentData().isValid() ? FSheet->currentData().toInt() : 0;
    FSheet->clear();
    FSheet->addItem(kavResourceTable().Get(u"pgDefault"_s), int(kavPaperCustom));
    if (const TkavCustomPrinter *printer = kavPrinters().Printer()) {
        for (const TkavPrinterItem &paper : printer->Papers()) {
            if (paper.Number != kavPaperCustom)
                FSheet->addItem(paper.Name, paper.Number);
        }
    }
    const int index = FSheet->findData(current);
    FSheet->setCurrentIndex(index >= 0 ? index : 0);
}

void TkavPrintDialog::modeChanged(int Index)
{
    const bool sheetMode = Index != pmDefault;
    FSheet->setEnabled(sheetMode);
    if (sheetMode && FSheet->currentIndex() <= 0) {
        const int a4 = FSheet->findData(kavPaperA4);
        if (a4 >= 0)
            FSheet->setCurrentIndex(a4);
    }
}

bool TkavPrintDialog::Apply()
{
    TkavPrintOptions &opts = FReport.PrintOptions();
    if (FPrintToFile->isChecked()) {
        TkavFileDialogOptions options;
        options.Filter = u"PDF (*.pdf)|*.pdf"_s;
        options.DefaultExt = u"pdf"_s;
        options.FileName = opts.PrnOutFileName();
        QString fileName;
        if (!kavUIServices().SaveFileDialog(options, fileName) || fileName.isEmpty())
            return false;
        // The file holds PDF whatever name was typed.
        const QFileInfo info(fileName);
        if (info.suffix().compare(u"pdf"_s, Qt::CaseInsensitive) != 0)
            fileName = info.path() + u'/' + info.completeBaseName() + u".pdf"_s;
        opts.SetPrnOutFileName(fileName);
    } else {
        opts.SetPrnOutFileName(QString());
    }
    opts.SetCopies(FCopies->value());
    opts.SetCollate(FCollate->isChecked());
    if (FAllPages->isChecked()) {
        opts.SetPageNumbers(QString());
    } else if (FCurrentPage->isChecked()) {
        const TkavCustomPreviewPages *pages = FReport.PreviewPages();
        opts.SetPageNumbers(QString::number(pages ? pages->CurPreviewPage() + 1 : 1));
    } else {
        opts.SetPageNumbers(FPageNumbers->text());
    }
    opts.SetPrintPages(TkavPrintPages(FPrintPages->currentIndex()));
    FDuplexMode = TkavDuplexMode(FDuplex->currentIndex());
    opts.SetReverse(FOrder->currentIndex() == 1);
    opts.SetPrintMode(TkavPrintMode(FPrintMode->currentIndex()));
    opts.SetPrintOnSheet(FSheet->currentData().toInt());
    return true;
}

bool kavExecPrintDialog(TkavReport &AReport, TkavDuplexMode &ADuplexMode)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return true;
    const int previous = kavPrinters().PrinterIndex();
    TkavPrintDialog dialog(AReport, ADuplexMode);
    if (dialog.exec() == QDialog::Accepted && dialog.Apply()) {
        ADuplexMode = dialog.DuplexMode();
        return true;
    }
    if (kavPrinters().PrinterIndex() != previous)
        kavPrinters().SetPrinterIndex(previous);
    return false;
}
