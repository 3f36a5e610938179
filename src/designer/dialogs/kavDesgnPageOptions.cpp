#include "kavDesgnPageOptions.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"

#include <persist/kavRes.h>
#include <persist/kavUtils.h>
#include <persist/kavXMLSerializer.h>
#include <prepared/kavPrinters.h>
#include <report/kavPages.h>
#include <report/kavViews.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStrings.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The current printer, initialised; null when there is none.
TkavCustomPrinter *currentPrinter()
{
    TkavCustomPrinter *printer = kavPrinters().Printer();
    if (printer && !printer->Initialized())
        printer->Init();
    return printer;
}

// The papers the current printer offers, the custom size first; the standard table when
// there is no printer.
TkavPrinterItems paperItems()
{
    TkavCustomPrinter *printer = currentPrinter();
    if (printer && !printer->Papers().empty())
        return printer->Papers();
    TkavPrinterItems items{{kavDialogText("prCustom"), kavPaperCustom}};
    for (int paper : kavStandardPapers())
        items.push_back({kavStandardPaperName(paper), paper});
    return items;
}

// The current printer's paper sources, "let the printer choose" (7) always among them.
TkavPrinterItems binItems()
{
    TkavCustomPrinter *printer = currentPrinter();
    TkavPrinterItems items = printer ? printer->Bins() : TkavPrinterItems();
    const bool hasAuto = std::any_of(items.begin(), items.end(),
                                     [](const TkavPrinterItem &i) { return i.Number == kavBinAuto; });
    if (!hasAuto)
        items.insert(items.begin(), {kavDialogText("prDefault"), kavBinAuto});
    return items;
}

void fillCombo(QComboBox *combo, const TkavPrinterItems &items)
{
    for (const TkavPrinterItem &item : items)
        combo->addItem(item.Name, item.Number);
}

// Selects the entry numbered number, else the one numbered fallback.
void selectNumber(QComboBox *combo, int number, int fallback)
{
    int index = combo->findData(number);
    if (index < 0)
        index = combo->findData(fallback);
    combo->setCurrentIndex(std::max(index, 0));
}

// A text read as a float; empty when it is not a finite number.
std::optional<double> toFloat(const QString &text)
{
    try {
        const double value = kavTextToFloat(text);
        if (std::isfinite(value))
            return value;
    } catch (const EConvertError &) {
    }
    return std::nullopt;
}

QStringList nonEmptyLines(const QPlainTextEdit *memo)
{
    QStringList lines;
    for (const QString &line : memo->toPlainText().split(u'\n'))
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    return lines;
}

// A sheet of paper with a few lines of text, upright or on its side.
QLabel *sheetPicture(const char *name, bool landscape)
{
    const QSize sheet = landscape ? QSize(44, 32) : QSize(32, 44);
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QRect page(QPoint((48 - sheet.width()) / 2, (48 - sheet.height()) / 2), sheet - QSize(1, 1));
    painter.fillRect(page.translated(2, 2), QColor(0, 0, 0, 60));
    painter.fillRect(page, Qt::white);
    painter.setPen(QColor(96, 96, 96));
    painter.drawRect(page);
    painter.setPen(QColor(70, 110, 180));
    for (int y = page.top() + 6; y < page.bottom() - 4; y += 4)
        painter.drawLine(page.left() + 5, y, page.right() - 5, y);
    painter.end();
    auto *label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(pixmap);
    label->setAlignment(Qt::AlignCenter);
    label->setVisible(false);
    return label;
}

const char *const unitKeys[] = {"uCm", "uInch", "uPix", "uChar"};
const char *const duplexKeys[] = {"dupDefault", "dupVert", "dupHorz", "dupSimpl"};

} // namespace

TkavPageEditorForm::TkavPageEditorForm(TkavDesignerUnits units, QWidget *parent)
    : QDialog(parent)
    , FUnits(units)
{
    setObjectName(u"PageEditorForm"_s);
    setWindowTitle(kavDialogText("2700"));
    kavDesignerDialog(*this, u"TkavPageEditorForm"_s);
    FTabs = new QTabWidget(this);
    FTabs->setObjectName(u"PageControl"_s);
    FTabs->addTab(createPaperPage(), kavDialogText("2701"));
    FTabs->addTab(createOptionsPage(), kavDialogText("2716"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FTabs);
    layout->addWidget(buttons);
}

TkavPageEditorForm::~TkavPageEditorForm() = default;

QLineEdit *TkavPageEditorForm::lengthEdit(const char *name)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaximumWidth(90);
    // A corrected value loses its mark.
    connect(edit, &QLineEdit::textEdited, edit, [edit] {
        edit->setProperty("invalid", false);
        edit->setStyleSheet(QString());
        edit->setToolTip(QString());
    });
    return edit;
}

QLabel *TkavPageEditorForm::unitLabel()
{
    return new QLabel(kavDialogText(unitKeys[FUnits]));
}

QWidget *TkavPageEditorForm::createPaperPage()
{
    auto *page = new QWidget;
    page->setObjectName(u"PaperTS"_s);
    // a length edit with its unit label, for a form row
    auto withUnit = [this](QLineEdit *edit) {
        auto *row = new QHBoxLayout;
        row->addWidget(edit);
        row->addWidget(unitLabel());
        row->addStretch();
        return row;
    };

    auto *size = new QGroupBox(kavDialogText("2702"));
    FSizeCB = new QComboBox;
    FSizeCB->setObjectName(u"SizeCB"_s);
    fillCombo(FSizeCB, paperItems());
    FWidthE = lengthEdit("WidthE");
    FHeightE = lengthEdit("HeightE");
    auto *sizeForm = new QFormLayout(size);
    sizeForm->addRow(FSizeCB);
    sizeForm->addRow(kavDialogText("2703"), withUnit(FWidthE));
    sizeForm->addRow(kavDialogText("2704"), withUnit(FHeightE));

    auto *orientation = new QGroupBox(kavDialogText("2705"));
    FPortraitRB = new QRadioButton(kavDialogText("2706"));
    FPortraitRB->setObjectName(u"PortraitRB"_s);
    FLandscapeRB = new QRadioButton(kavDialogText("2707"));
    FLandscapeRB->setObjectName(u"LandscapeRB"_s);
    // A picture of the sheet beside the buttons, only the checked orientation's shown.
    QLabel *portraitImg = sheetPicture("PortraitImg", false);
    QLabel *landscapeImg = sheetPicture("LandscapeImg", true);
    connect(FPortraitRB, &QRadioButton::toggled, portraitImg, &QWidget::setVisible);
    connect(FLandscapeRB, &QRadioButton::toggled, landscapeImg, &QWidget::setVisible);
    auto *buttonsBox = new QVBoxLayout;
    buttonsBox->addWidget(FPortraitRB);
    buttonsBox->addWidget(FLandscapeRB);
    buttonsBox->addStretch();
    auto *orientationBox = new QHBoxLayout(orientation);
    orientationBox->addLayout(buttonsBox);
    orientationBox->addWidget(portraitImg);
    orientationBox->addWidget(landscapeImg);

    auto *margins = new QGroupBox(kavDialogText("2708"));
    FMarginLeftE = lengthEdit("MarginLeftE");
    FMarginTopE = lengthEdit("MarginTopE");
    FMarginRightE = lengthEdit("MarginRightE");
    FMarginBottomE = lengthEdit("MarginBottomE");
    auto *marginForm = new QFormLayout(margins);
    marginForm->addRow(kavDialogText("2709"), withUnit(FMarginLeftE));
    marginForm->addRow(kavDialogText("2710"), withUnit(FMarginTopE));
    marginForm->addRow(kavDialogText("2711"), withUnit(FMarginRightE));
    marginForm->addRow(kavDialogText("2712"), withUnit(FMarginBottomE));

    auto *source = new QGroupBox(kavDialogText("2713"));
    FTray1CB = new QComboBox;
    FTray1CB->setObjectName(u"Tray1CB"_s);
    FTray2CB = new QComboBox;
    FTray2CB->setObjectName(u"Tray2CB"_s);
    const TkavPrinterItems bins = binItems();
    fillCombo(FTray1CB, bins);
    fillCombo(FTray2CB, bins);
    auto *sourceForm = new QFormLayout(source);
    sourceForm->addRow(kavDialogText("2714"), FTray1CB);
    sourceForm->addRow(kavDialogText("2715"), FTray2CB);

    auto *grid = new QGridLayout(page);
    grid->addWidget(size, 0, 0);
    grid->addWidget(orientation, 0, 1);
    grid->addWidget(margins, 1, 0);
    grid->addWidget(source, 1, 1);

    connect(FSizeCB, &QComboBox::currentIndexChanged, this, [this] {
        if (!FUpdating)
            showPaper();
    });
    // Only a real change of orientation reacts (toggled fires once per change).
    connect(FPortraitRB, &QRadioButton::toggled, this, [this](bool on) {
        if (!FUpdating)
            orientationChanged(on);
    });
    for (QLineEdit *edit : {FWidthE, FHeightE})
        connect(edit, &QLineEdit::textEdited, this, [this] {
            if (!FUpdating)
                FSizeCB->setCurrentIndex(std::max(FSizeCB->findData(kavPaperCustom), 0));
        });
    return page;
}

QWidget *TkavPageEditorForm::createOptionsPage()
{
    auto *page = new QWidget;
    page->setObjectName(u"OtherTS"_s);

    auto *columns = new QGroupBox(kavDialogText("2717"));
    FUpDown1 = new QSpinBox;
    FUpDown1->setObjectName(u"UpDown1"_s);
    FUpDown1->setRange(0, 100);
    FUpDown1->setMaximumWidth(90);
    FColumnWidthE = lengthEdit("ColumnWidthE");
    FColumnPositionsM = new QPlainTextEdit;
    FColumnPositionsM->setObjectName(u"ColumnPositionsM"_s);
    auto *widthRow = new QHBoxLayout;
    widthRow->addWidget(FColumnWidthE);
    widthRow->addWidget(unitLabel());
    widthRow->addStretch();
    auto *columnForm = new QFormLayout(columns);
    columnForm->addRow(kavDialogText("2718"), FUpDown1);
    columnForm->addRow(kavDialogText("2719"), widthRow);
    columnForm->addRow(kavDialogText("2720"), FColumnPositionsM);

    auto *other = new QGroupBox(kavDialogText("2721"));
    auto check = [](const char *name, const char *caption) {
        auto *box = new QCheckBox(kavDialogText(caption));
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };
    FPrintOnPrevCB = check("PrintOnPrevCB", "2722");
    FMirrorMarginsCB = check("MirrorMarginsCB", "2723");
    FLargeHeightCB = check("LargeHeightCB", "2724");
    FEndlessWidthCB = check("EndlessWidthCB", "2725");
    FEndlessHeightCB = check("EndlessHeightCB", "2726");
    FDuplexCB = new QComboBox;
    FDuplexCB->setObjectName(u"DuplexCB"_s);
    for (const char *key : duplexKeys)
        FDuplexCB->addItem(kavDialogText(key));
    auto *otherBox = new QVBoxLayout(other);
    for (QCheckBox *box : {FPrintOnPrevCB, FMirrorMarginsCB, FLargeHeightCB, FEndlessWidthCB, FEndlessHeightCB})
        otherBox->addWidget(box);
    auto *duplexRow = new QHBoxLayout;
    duplexRow->addWidget(new QLabel(kavDialogText("2727")));
    duplexRow->addWidget(FDuplexCB, 1);
    otherBox->addLayout(duplexRow);
    otherBox->addStretch();

    auto *layout = new QHBoxLayout(page);
    layout->addWidget(columns, 1);
    layout->addWidget(other, 1);

    connect(FUpDown1, &QSpinBox::valueChanged, this, [this](int count) {
        if (!FUpdating)
            columnsChanged(count);
    });
    return page;
}

// --- values ------------------------------------------------------------------------------

double TkavPageEditorForm::units(const QLineEdit *edit) const
{
    return toFloat(edit->text()).value_or(0);
}

void TkavPageEditorForm::showLength(QLineEdit *edit, double mm, bool x)
{
    edit->setText(kavFloatText(kavMMToUnits(mm, FUnits, x)));
}

double TkavPageEditorForm::lengthMM(const QLineEdit *edit, bool x) const
{
    return kavUnitsToMM(units(edit), FUnits, x);
}

int TkavPageEditorForm::paperNumber() const
{
    return FSizeCB->currentData().toInt();
}

void TkavPageEditorForm::load(const TkavReportPage &page)
{
    FUpdating = true;
    selectNumber(FSizeCB, page.PaperSize(), kavPaperCustom);
    showLength(FWidthE, page.PaperWidth(), true);
    showLength(FHeightE, page.PaperHeight(), false);
    (page.Orientation() == poLandscape ? FLandscapeRB : FPortraitRB)->setChecked(true);
    showLength(FMarginLeftE, page.LeftMargin(), true);
    showLength(FMarginTopE, page.TopMargin(), false);
    showLength(FMarginRightE, page.RightMargin(), true);
    showLength(FMarginBottomE, page.BottomMargin(), false);
    selectNumber(FTray1CB, page.Bin(), kavBinAuto);
    selectNumber(FTray2CB, page.BinOtherPages(), kavBinAuto);
    FUpDown1->setValue(page.Columns());
    showLength(FColumnWidthE, page.ColumnWidth(), true);
    QStringList positions;
    for (int i = 0; i < page.ColumnPositions().Count(); ++i) {
        const QString text = page.ColumnPositions().Strings(i);
        const std::optional<double> mm = toFloat(text);
        positions << (mm ? kavFloatText(kavMMToUnits(*mm, FUnits, true)) : text);
    }
    FColumnPositionsM->setPlainText(positions.join(u'\n'));
    FPrintOnPrevCB->setChecked(page.PrintOnPreviousPage());
    FMirrorMarginsCB->setChecked(page.MirrorMargins());
    FEndlessHeightCB->setChecked(page.EndlessHeight());
    FEndlessWidthCB->setChecked(page.EndlessWidth());
    FLargeHeightCB->setChecked(page.LargeDesignHeight());
    FDuplexCB->setCurrentIndex(std::clamp(int(page.Duplex()), 0, FDuplexCB->count() - 1));
    FUpdating = false;
}

void TkavPageEditorForm::showPaper()
{
    const int paper = paperNumber();
    const bool landscape = FLandscapeRB->isChecked();
    double width = 0;
    double height = 0;
    // A custom size keeps what the edits hold; a standard paper shows its own size.
    if (paper == kavPaperCustom || !kavLookupPaperSize(paper, width, height))
        return;
    if (landscape)
        std::swap(width, height);
    FUpdating = true;
    showLength(FWidthE, width, true);
    showLength(FHeightE, height, false);
    FUpdating = false;
}

void TkavPageEditorForm::orientationChanged(bool)
{
    if (paperNumber() != kavPaperCustom) {
        showPaper();
        return;
    }
    // A custom size lies the other way round.
    const double width = lengthMM(FWidthE, true);
    const double height = lengthMM(FHeightE, false);
    FUpdating = true;
    showLength(FWidthE, height, true);
    showLength(FHeightE, width, false);
    FUpdating = false;
}

void TkavPageEditorForm::columnsChanged(int count)
{
    const int n = std::max(count, 1);
    const double width = (units(FWidthE) - units(FMarginLeftE) - units(FMarginRightE)) / n;
    QStringList positions;
    for (int i = 0; i < n; ++i)
        positions << kavFloatText(i * width);
    FUpdating = true;
    FColumnWidthE->setText(kavFloatText(width));
    FColumnPositionsM->setPlainText(positions.join(u'\n'));
    FUpdating = false;
}

// --- validation and writing ----------------------------------------------------------------

void TkavPageEditorForm::markInvalid(QWidget *field, const QString &message)
{
    field->setProperty("invalid", true);
    field->setStyleSheet(u"border: 1px solid red"_s);
    field->setToolTip(message);
    for (int i = 0; i < FTabs->count(); ++i)
        if (FTabs->widget(i)->isAncestorOf(field))
            FTabs->setCurrentIndex(i);
    field->setFocus();
}

bool TkavPageEditorForm::readLength(QLineEdit *edit, bool positive)
{
    const std::optional<double> value = toFloat(edit->text());
    if (value && (positive ? *value > 0 : *value >= 0))
        return true;
    markInvalid(edit, value ? u"'%1' is out of range"_s.arg(edit->text())
                            : u"'%1' is not a valid floating point value"_s.arg(edit->text()));
    return false;
}

bool TkavPageEditorForm::validate()
{
    for (QWidget *field : findChildren<QWidget *>())
        if (field->property("invalid").toBool()) {
            field->setProperty("invalid", false);
            field->setStyleSheet(QString());
            field->setToolTip(QString());
        }
    bool ok = readLength(FWidthE, true) && readLength(FHeightE, true);
    for (QLineEdit *edit : {FMarginLeftE, FMarginTopE, FMarginRightE, FMarginBottomE, FColumnWidthE})
        ok = ok && readLength(edit, false);
    if (!ok)
        return false;
    for (const QString &line : nonEmptyLines(FColumnPositionsM))
        if (!toFloat(line)) {
            markInvalid(FColumnPositionsM, u"'%1' is not a valid floating point value"_s.arg(line));
            return false;
        }
    return true;
}

void TkavPageEditorForm::accept()
{
    if (validate())
        QDialog::accept();
}

void TkavPageEditorForm::apply(TkavReportPage &page) const
{
    page.SetOrientation(FLandscapeRB->isChecked() ? poLandscape : poPortrait);
    page.SetSizeAndDimensions(paperNumber(), lengthMM(FWidthE, true), lengthMM(FHeightE, false));
    page.SetLeftMargin(lengthMM(FMarginLeftE, true));
    page.SetTopMargin(lengthMM(FMarginTopE, false));
    page.SetRightMargin(lengthMM(FMarginRightE, true));
    page.SetBottomMargin(lengthMM(FMarginBottomE, false));
    page.SetBin(FTray1CB->currentData().toInt());
    page.SetBinOtherPages(FTray2CB->currentData().toInt());
    page.SetColumns(FUpDown1->value());
    page.SetColumnWidth(lengthMM(FColumnWidthE, true));
    TStringList positions;
    for (const QString &line : nonEmptyLines(FColumnPositionsM))
        positions.Add(kavFloatText(kavUnitsToMM(toFloat(line).value_or(0), FUnits, true)));
    page.SetColumnPositions(positions);
    page.SetPrintOnPreviousPage(FPrintOnPrevCB->isChecked());
    page.SetMirrorMargins(FMirrorMarginsCB->isChecked());
    page.SetEndlessWidth(FEndlessWidthCB->isChecked());
    page.SetEndlessHeight(FEndlessHeightCB->isChecked());
    page.SetLargeDesignHeight(FLargeHeightCB->isChecked());
    page.SetDuplex(TkavDuplexMode(FDuplexCB->currentIndex()));
}

bool kavEditPageOptions(TkavReportPage &page, TkavDesignerUnits units, QWidget *parent)
{
    TkavPageEditorForm dialog(units, parent ? parent : QApplication::activeWindow());
    dialog.load(page);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.apply(page);
    for (TkavComponent *c : page.AllObjects())
        if (auto *sub = dynamic_cast<TkavSubreport *>(c); sub && sub->SubPage())
            dialog.apply(*sub->SubPage());
    return true;
}
