#include "kavPreviewDialogs.h"

#include <output/kavExportCSV.h>
#include <output/kavExportHTML.h>
#include <output/kavExportImage.h>
#include <output/kavExportPDF.h>
#include <output/kavExportText.h>
#include <output/kavHelpKey.h>
#include <persist/kavRes.h>
#include <prepared/kavPrinters.h>
#include <report/kavExportFilter.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <rtl/kavUIServices.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
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

// OK and Cancel with the resource captions.
QDialogButtonBox *okCancel(QDialog &dialog)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(res(u"1"_s));
    buttons->button(QDialogButtonBox::Cancel)->setText(res(u"2"_s));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

// Lengths read as written: 21 and 29.7, not 21.00 and 29.70.
class LengthBox : public QDoubleSpinBox
{
public:
    using QDoubleSpinBox::QDoubleSpinBox;
    QString textFromValue(double value) const override
    {
        QString text = locale().toString(value, 'f', decimals());
        const QChar point = locale().decimalPoint().front();
        if (text.contains(point)) {
            while (text.endsWith(u'0'))
                text.chop(1);
            if (text.endsWith(point))
                text.chop(1);
        }
        return text;
    }
};

QDoubleSpinBox *centimetres(QWidget *parent)
{
    auto *box = new LengthBox(parent);
    box->setRange(0, 500);
    box->setDecimals(2);
    box->setSingleStep(0.1);
    box->setSuffix(u" "_s + res(u"uCm"_s));
    return box;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Search

TkavSearchDialog::TkavSearchDialog(const QString &Text, bool CaseSensitive, QWidget *Parent)
    : QDialog(Parent)
{
    setWindowTitle(res(u"300"_s));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(res(u"301"_s), this));
    FText = new QLineEdit(Text, this);
    FText->selectAll();
    layout->addWidget(FText);
    auto *options = new QGroupBox(res(u"302"_s), this);
    auto *optionsLayout = new QVBoxLayout(options);
    FCaseSensitive = new QCheckBox(res(u"303"_s), options);
    FCaseSensitive->setChecked(CaseSensitive);
    FFromTop = new QCheckBox(res(u"304"_s), options);
    optionsLayout->addWidget(FCaseSensitive);
    optionsLayout->addWidget(FFromTop);
    layout->addWidget(options);
    layout->addWidget(okCancel(*this));
}

QString TkavSearchDialog::Text() const
{
    return FText->text();
}

bool TkavSearchDialog::CaseSensitive() const
{
    return FCaseSensitive->isChecked();
}

bool TkavSearchDialog::FromTop() const
{
    return FFromTop->isChecked();
}

// ---------------------------------------------------------------------------------------
// Page settings

TkavPageSetupDialog::TkavPageSetupDialog(const TkavReportPage &Page, QWidget *Parent)
    : QDialog(Parent)
{
    setWindowTitle(res(u"400"_s));
    kavInstallHelpKey(*this, u"TkavPageSetupDialog"_s);
    auto *layout = new QVBoxLayout(this);
    auto *paperBox = new QGroupBox(res(u"401"_s), this);
    auto *paperForm = new QFormLayout(paperBox);
    FPaper = new QComboBox(paperBox);
    const TkavCustomPrinter *printer = kavPrinters().Printer();
    if (printer) {
        for (const TkavPrinterItem &paper : printer->Papers())
            FPaper->addItem(paper.Name, paper.Number);
    } else {
        FPaper->addItem(res(u"prCustom"_s), 256);
        for (int number : kavStandardPapers())
            FPaper->addItem(kavStandardPaperName(number), number);
    }
    paperForm->addRow(res(u"414"_s), FPaper);
    FWidth = centimetres(paperBox);
    FHeight = centimetres(paperBox);
    paperForm->addRow(res(u"402"_s), FWidth);
    paperForm->addRow(res(u"403"_s), FHeight);
    auto *orientation = new QHBoxLayout;
    FPortrait = new QRadioButton(res(u"405"_s), paperBox);
    FLandscape = new QRadioButton(res(u"406"_s), paperBox);
    orientation->addWidget(FPortrait);
    orientation->addWidget(FLandscape);
    // Explicit groups: the buttons of a form row are not reliably exclusive on their own.
    auto *orientationGroup = new QButtonGroup(this);
    orientationGroup->addButton(FPortrait);
    orientationGroup->addButton(FLandscape);
    paperForm->addRow(res(u"404"_s), orientation);
    layout->addWidget(paperBox);

    auto *marginBox = new QGroupBox(res(u"407"_s), this);
    auto *marginForm = new QFormLayout(marginBox);
    const char16_t *marginKeys[] = {u"408", u"409", u"410", u"411"};
    for (int i = 0; i < 4; ++i) {
        FMargins[i] = centimetres(marginBox);
        marginForm->addRow(res(QString::fromUtf16(marginKeys[i])), FMargins[i]);
    }
    layout->addWidget(marginBox);
    FCurrentPage = new QRadioButton(res(u"412"_s), this);
    FAllPages = new QRadioButton(res(u"413"_s), this);
    auto *applyGroup = new QButtonGroup(this);
    applyGroup->addButton(FCurrentPage);
    applyGroup->addButton(FAllPages);
    FCurrentPage->setChecked(true);
    layout->addWidget(FCurrentPage);
    layout->addWidget(FAllPages);
    layout->addWidget(okCancel(*this));

    FFilling = true;
    const int paper = FPaper->findData(Page.PaperSize());
    FPaper->setCurrentIndex(paper >= 0 ? paper : 0);
    FWidth->setValue(Page.PaperWidth() / 10);
    FHeight->setValue(Page.PaperHeight() / 10);
    (Page.Orientation() == poLandscape ? FLandscape : FPortrait)->setChecked(true);
    const double margins[] = {Page.LeftMargin(), Page.RightMargin(), Page.TopMargin(), Page.BottomMargin()};
    for (int i = 0; i < 4; ++i)
        FMargins[i]->setValue(margins[i] / 10);
    FFilling = false;
    connect(FPaper, &QComboBox::currentIndexChanged, this, [this] { paperChosen(); });
    connect(FLandscape, &QRadioButton::toggled, this, [this] { paperChosen(); });
    connect(FWidth, &QDoubleSpinBox::valueChanged, this, [this] { sizeTyped(); });
    connect(FHeight, &QDoubleSpinBox::valueChanged, this, [this] { sizeTyped(); });
}

void TkavPageSetupDialog::paperChosen()
{
    if (FFilling)
        return;
    double width = 0;
    double height = 0;
    if (!kavLookupPaperSize(FPaper->currentData().toInt(), width, height)) {
        // A custom size keeps what was typed, turned to the orientation chosen.
        width = FWidth->value() * 10;
        height = FHeight->value() * 10;
        if ((width > height) == FLandscape->isChecked())
            return;
    }
    if (FLandscape->isChecked() != (width > height))
        std::swap(width, height);
    FFilling = true;
    FWidth->setValue(width / 10);
    FHeight->setValue(height / 10);
    FFilling = false;
}

void TkavPageSetupDialog::sizeTyped()
{
    if (FFilling)
        return;
    FFilling = true;
    FPaper->setCurrentIndex(0); // the custom size
    FFilling = false;
}

void TkavPageSetupDialog::Apply(TkavReportPage &Page) const
{
    Page.SetOrientation(FLandscape->isChecked() ? poLandscape : poPortrait);
    Page.SetPaperWidth(FWidth->value() * 10);
    Page.SetPaperHeight(FHeight->value() * 10);
    Page.SetPaperSize(FPaper->currentData().toInt());
    Page.SetLeftMargin(FMargins[0]->value() * 10);
    Page.SetRightMargin(FMargins[1]->value() * 10);
    Page.SetTopMargin(FMargins[2]->value() * 10);
    Page.SetBottomMargin(FMargins[3]->value() * 10);
    Page.AlignChildren();
}

bool TkavPageSetupDialog::ApplyToAll() const
{
    return FAllPages->isChecked();
}

// ---------------------------------------------------------------------------------------
// Export

TkavExportDialog::TkavExportDialog(
    TkavCustomExportFilter &Filter, TkavReport &Report, int PageNo, int PageCount, QWidget *Parent)
    : QDialog(Parent)
    , FFilter(Filter)
    , FPageNo(PageNo)
{
    setWindowTitle(res(u"104"_s) + u" - "_s + Filter.GetDescription());
    kavInstallHelpKey(*this, u"TkavExportDialog"_s);
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    auto *fileRow = new QHBoxLayout;
    QString file = Filter.FileName();
    if (file.isEmpty()) {
        const QString base = Report.FileName().isEmpty()
                                 ? QDir(Filter.DefaultPath().isEmpty() ? QDir::homePath() : Filter.DefaultPath())
                                       .filePath(Report.ReportOptions().Name().isEmpty() ? u"report"_s
                                                                                        : Report.ReportOptions().Name())
                                 : QFileInfo(Report.FileName()).absolutePath() + u'/'
                                       + QFileInfo(Report.FileName()).completeBaseName();
        file = base + Filter.DefaultExt();
    }
    FFile = new QLineEdit(file, this);
    auto *browseButton = new QPushButton(res(u"142"_s), this);
    connect(browseButton, &QPushButton::clicked, this, [this] { browse(); });
    fileRow->addWidget(FFile, 1);
    fileRow->addWidget(browseButton);
    form->addRow(res(u"141"_s), fileRow);
    layout->addLayout(form);

    auto *pagesBox = new QGroupBox(res(u"143"_s), this);
    auto *pagesLayout = new QVBoxLayout(pagesBox);
    FAll = new QRadioButton(res(u"144"_s), pagesBox);
    FCurrent = new QRadioButton(res(u"145"_s) + u" (%1)"_s.arg(PageNo), pagesBox);
    FRange = new QRadioButton(res(u"146"_s), pagesBox);
    FPages = new QLineEdit(Filter.PageNumbers(), pagesBox);
    FPages->setPlaceholderText(u"1-%1"_s.arg(PageCount));
    FPages->setToolTip(res(u"9"_s));
    auto *rangeRow = new QHBoxLayout;
    rangeRow->addWidget(FRange);
    rangeRow->addWidget(FPages, 1);
    pagesLayout->addWidget(FAll);
    pagesLayout->addWidget(FCurrent);
    pagesLayout->addLayout(rangeRow);
    (Filter.PageNumbers().isEmpty() ? FAll : FRange)->setChecked(true);
    connect(FPages, &QLineEdit::textEdited, this, [this] { FRange->setChecked(true); });
    layout->addWidget(pagesBox);

    auto *optionsBox = new QGroupBox(res(u"302"_s), this);
    auto *options = new QFormLayout(optionsBox);
    FDataOnly = new QCheckBox(res(u"147"_s), optionsBox);
    FDataOnly->setChecked(Filter.DataOnly());
    FSuppress = new QCheckBox(res(u"148"_s), optionsBox);
    FSuppress->setChecked(Filter.SuppressPageHeadersFooters());
    options->addRow(FDataOnly);
    options->addRow(FSuppress);
    addFilterOptions(*options);
    layout->addWidget(optionsBox);
    layout->addWidget(okCancel(*this));
}

void TkavExportDialog::addFilterOptions(QFormLayout &Form)
{
    QWidget *parent = Form.parentWidget();
    const auto check = [&](const QString &key, bool on) {
        auto *box = new QCheckBox(res(key), parent);
        box->setChecked(on);
        Form.addRow(box);
        return box;
    };
    if (auto *image = dynamic_cast<TkavCustomImageExport *>(&FFilter)) {
        FResolution = new QSpinBox(parent);
        FResolution->setRange(TkavCustomImageExport::MinResolution, TkavCustomImageExport::MaxResolution);
        FResolution->setValue(image->Resolution());
        Form.addRow(res(u"149"_s), FResolution);
    }
    if (auto *jpeg = dynamic_cast<TkavJPEGExport *>(&FFilter)) {
        FQuality = new QSpinBox(parent);
        FQuality->setRange(0, 100);
        FQuality->setValue(jpeg->Quality());
        Form.addRow(res(u"150"_s), FQuality);
    }
    if (auto *pdf = dynamic_cast<TkavPDFExport *>(&FFilter))
        FOutline = check(u"151"_s, pdf->Outline());
    if (auto *html = dynamic_cast<TkavHTMLExport *>(&FFilter)) {
        FMultipage = check(u"152"_s, html->Multipage());
        FEmbed = check(u"pvEmbedPictures"_s, html->EmbedPictures());
    }
    if (auto *text = dynamic_cast<TkavTextExport *>(&FFilter)) {
        FPageBreaks = check(u"pvPageBreaks"_s, text->PageBreaks());
        FCRLF = check(u"pvCRLF"_s, text->UseCRLF());
        FCommands = check(u"pvPrinterCommands"_s, text->PrinterCommands());
    }
    if (auto *csv = dynamic_cast<TkavCSVExport *>(&FFilter)) {
        FSeparator = new QComboBox(parent);
        FSeparator->addItem(u","_s, QChar(u','));
        FSeparator->addItem(u";"_s, QChar(u';'));
        FSeparator->addItem(u"Tab"_s, QChar(u'\t'));
        FSeparator->setCurrentIndex(std::max(0, FSeparator->findData(csv->Separator())));
        Form.addRow(res(u"pvSeparator"_s), FSeparator);
    }
}

void TkavExportDialog::browse()
{
    TkavFileDialogOptions options;
    const QString desc = FFilter.GetDescription();
    options.Filter = desc + u'|' + u'*' + FFilter.DefaultExt();
    options.FileName = FFile->text();
    options.DefaultExt = FFilter.DefaultExt().mid(1);
    QString name;
    if (kavUIServices().SaveFileDialog(options, name))
        FFile->setText(name);
}

void TkavExportDialog::Apply()
{
    QString file = FFile->text().trimmed();
    if (!file.isEmpty() && QFileInfo(file).suffix().isEmpty())
        file += FFilter.DefaultExt();
    FFilter.SetFileName(file);
    FFilter.SetCurPage(FCurrent->isChecked());
    FFilter.SetPageNumbers(FRange->isChecked() ? FPages->text() : FCurrent->isChecked() ? QString::number(FPageNo) : QString());
    FFilter.SetDataOnly(FDataOnly->isChecked());
    FFilter.SetSuppressPageHeadersFooters(FSuppress->isChecked());
    if (auto *image = dynamic_cast<TkavCustomImageExport *>(&FFilter))
        image->SetResolution(FResolution->value());
    if (auto *jpeg = dynamic_cast<TkavJPEGExport *>(&FFilter))
        jpeg->SetQuality(FQuality->value());
    if (auto *pdf = dynamic_cast<TkavPDFExport *>(&FFilter))
        pdf->SetOutline(FOutline->isChecked());
    if (auto *html = dynamic_cast<TkavHTMLExport *>(&FFilter)) {
        html->SetMultipage(FMultipage->isChecked());
        html->SetEmbedPictures(FEmbed->isChecked());
    }
    if (auto *text = dynamic_cast<TkavTextExport *>(&FFilter)) {
        text->SetPageBreaks(FPageBreaks->isChecked());
        text->SetUseCRLF(FCRLF->isChecked());
        text->SetPrinterCommands(FCommands->isChecked());
    }
    if (auto *csv = dynamic_cast<TkavCSVExport *>(&FFilter))
        csv->SetSeparator(FSeparator->currentData().toChar());
}
