#include "kavDesgnReportOptions.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"
#include "kavDesgnPictureEditor.h"

#include <designer/document/kavDesgnDialogs.h>
#include <designer/document/kavDesgnDocument.h>
#include <designer/document/kavDesgnSettings.h>
#include <persist/kavRes.h>
#include <prepared/kavPrinters.h>
#include <report/kavReport.h>
#include <report/kavReportOptions.h>
#include <rtl/kavDateTime.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The platform's printers, "default" first; each entry keeps the printer's name as data.
void fillPrinters(QListWidget *list)
{
    list->addItem(kavDialogText("prDefault"));
    list->item(0)->setData(Qt::UserRole, kavDialogText("prDefault"));
    TkavPrinters &printers = kavPrinters();
    if (!printers.HasPhysicalPrinters())
        return;
    for (int i = 0; i < printers.Count(); ++i) {
        const TkavCustomPrinter *printer = printers.Items(i);
        QString text = printer->Name();
        if (!printer->Port().isEmpty())
            text += u' ' + kavDialogText("rePrnOnPort") + u' ' + printer->Port();
        auto *item = new QListWidgetItem(text, list);
        item->setData(Qt::UserRole, printer->Name());
    }
}

} // namespace

QString kavDesignerTemplateFolder()
{
    const TkavDesigner *settings = TkavDesigner::Active();
    const QString folder = settings ? settings->TemplateDir() : QString();
    return folder.isEmpty() || folder == u"." ? QCoreApplication::applicationDirPath() : folder;
}

QStringList kavTemplateFiles(const QString &folder)
{
    const TkavDesigner *settings = TkavDesigner::Active();
    const QString ext = settings ? settings->TemplatesExt() : u"kv3"_s;
    QStringList names;
    for (const QFileInfo &info : QDir(folder).entryInfoList({u"*."_s + ext}, QDir::Files, QDir::Name))
        names << info.absoluteFilePath();
    return names;
}

TkavReportEditorForm::TkavReportEditorForm(QWidget *parent)
    : QDialog(parent)
    , FPicture(std::make_unique<TkavPicture>())
{
    setObjectName(u"ReportEditorForm"_s);
    setWindowTitle(kavDialogText("4700"));
    kavDesignerDialog(*this, u"TkavReportEditorForm"_s);
    FPageControl = kavNamed(new QTabWidget(this), "PageControl");
    FPageControl->addTab(createGeneralPage(), kavDialogText("4701"));
    FPageControl->addTab(createDescriptionPage(), kavDialogText("4709"));
    FPageControl->addTab(createInheritPage(), kavDialogText("4728"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FPageControl);
    layout->addWidget(buttons);
}

TkavReportEditorForm::~TkavReportEditorForm() = default;

void TkavReportEditorForm::EditPicture()
{
    TkavPicture picture;
    picture.Assign(*FPicture);
    if (!kavDesignerDialogs().EditPicture(picture))
        return;
    FPicture->Assign(picture);
    FPictureImg->update();
}

QWidget *TkavReportEditorForm::createGeneralPage()
{
    auto *page = kavNamed(new QWidget, "GeneralTS");
    auto *printer = new QGroupBox(kavDialogText("4702"));
    FPrintersLB = kavNamed(new QListWidget, "PrintersLB");
    fillPrinters(FPrintersLB);
    (new QVBoxLayout(printer))->addWidget(FPrintersLB);

    auto *copies = new QGroupBox(kavDialogText("4703"));
    FCopiesE = kavNamed(new QLineEdit, "CopiesE");
    FCopiesE->setMaximumWidth(80);
    FCollateCB = kavNamed(new QCheckBox(kavDialogText("4705")), "CollateCB");
    auto *copiesForm = new QFormLayout(copies);
    copiesForm->addRow(kavDialogText("4704"), FCopiesE);
    copiesForm->addRow(FCollateCB);
    connect(FCopiesE, &QLineEdit::textEdited, FCopiesE, [this] {
        FCopiesE->setProperty("invalid", false);
        FCopiesE->setStyleSheet(QString());
    });

    auto *other = new QGroupBox(kavDialogText("4706"));
    FDoublePassCB = kavNamed(new QCheckBox(kavDialogText("4707")), "DoublePassCB");
    FPrintIfEmptyCB = kavNamed(new QCheckBox(kavDialogText("4708")), "PrintIfEmptyCB");
    FPasswordE = kavNamed(new QLineEdit, "PasswordE");
    auto *otherForm = new QFormLayout(other);
    otherForm->addRow(FDoublePassCB);
    otherForm->addRow(FPrintIfEmptyCB);
    otherForm->addRow(kavDialogText("4723"), FPasswordE);

    auto *layout = new QHBoxLayout(page);
    layout->addWidget(printer, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(copies);
    right->addWidget(other);
    right->addStretch();
    layout->addLayout(right, 1);
    return page;
}

QWidget *TkavReportEditorForm::createDescriptionPage()
{
    auto *page = kavNamed(new QWidget, "DescriptionTS");
    auto *box = new QGroupBox(kavDialogText("4710"));
    FNameE = kavNamed(new QLineEdit, "NameE");
    FDescriptionE = kavNamed(new QPlainTextEdit, "DescriptionE");
    FDescriptionE->setMaximumHeight(80);
    FAuthorE = kavNamed(new QLineEdit, "AuthorE");
    auto *form = new QFormLayout(box);
    form->addRow(kavDialogText("4711"), FNameE);
    form->addRow(kavDialogText("4712"), FDescriptionE);
    form->addRow(kavDialogText("4714"), FAuthorE);
    FPictureImg = new TkavPictureBox(*FPicture);
    FPictureImg->setObjectName(u"PictureImg"_s);
    auto *pictureB = kavNamed(new QPushButton(kavDialogText("4722")), "PictureB");
    connect(pictureB, &QPushButton::clicked, this, [this] { EditPicture(); });
    auto *pictureRow = new QHBoxLayout;
    pictureRow->addWidget(FPictureImg);
    pictureRow->addWidget(pictureB, 0, Qt::AlignTop);
    pictureRow->addStretch();
    form->addRow(QString(), pictureRow);

    auto *version = new QGroupBox(kavDialogText("4715"));
    FMajorE = kavNamed(new QLineEdit, "MajorE");
    FMinorE = kavNamed(new QLineEdit, "MinorE");
    FReleaseE = kavNamed(new QLineEdit, "ReleaseE");
    FBuildE = kavNamed(new QLineEdit, "BuildE");
    FCreated1L = kavNamed(new QLabel, "Created1L");
    FModified1L = kavNamed(new QLabel, "Modified1L");
    auto *versionForm = new QFormLayout(version);
    versionForm->addRow(kavDialogText("4716"), FMajorE);
    versionForm->addRow(kavDialogText("4717"), FMinorE);
    versionForm->addRow(kavDialogText("4718"), FReleaseE);
    versionForm->addRow(kavDialogText("4719"), FBuildE);
    versionForm->addRow(kavDialogText("4720"), FCreated1L);
    versionForm->addRow(kavDialogText("4721"), FModified1L);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(box);
    layout->addWidget(version);
    return page;
}

QWidget *TkavReportEditorForm::createInheritPage()
{
    auto *page = kavNamed(new QWidget, "InheritTS");
    FInheritStateL = kavNamed(new QLabel, "InheritStateL");
    FDontChangeRB = kavNamed(new QRadioButton(kavDialogText("4725")), "DontChangeRB");
    FDetachRB = kavNamed(new QRadioButton(kavDialogText("4726")), "DetachRB");
    FInheritRB = kavNamed(new QRadioButton(kavDialogText("4727")), "InheritRB");
    FInheritLV = kavNamed(new QListWidget, "InheritLV");
    FPathE = kavNamed(new QLineEdit, "PathE");
    auto *browse = kavNamed(new QPushButton(u"..."_s), "PathB");
    browse->setAutoDefault(false);
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(kavDialogText("4724")));
    pathRow->addWidget(FPathE, 1);
    pathRow->addWidget(browse);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(FInheritStateL);
    layout->addWidget(FDontChangeRB);
    layout->addWidget(FDetachRB);
    layout->addWidget(FInheritRB);
    layout->addWidget(new QLabel(kavDialogText("4729")));
    layout->addWidget(FInheritLV);
    layout->addLayout(pathRow);
    connect(browse, &QPushButton::clicked, this, [this] {
        QString folder = FPathE->text();
        if (kavUIServices().FolderDialog(u"Select folder"_s, folder))
            chooseFolder(folder);
    });
    // Enter takes a typed folder that exists (and does not close the dialog).
    connect(FPathE, &QLineEdit::returnPressed, this, [this] {
        if (QDir(FPathE->text()).exists())
            chooseFolder(FPathE->text());
    });
    // Picking a template means inheriting from it.
    connect(FInheritLV, &QListWidget::itemClicked, FInheritRB, [this] { FInheritRB->setChecked(true); });
    return page;
}

void TkavReportEditorForm::fillTemplates(const QString &folder)
{
    FPathE->setText(folder);
    FTemplates = kavTemplateFiles(folder);
    FInheritLV->clear();
    for (const QString &name : FTemplates)
        FInheritLV->addItem(QFileInfo(name).fileName());
}

void TkavReportEditorForm::chooseFolder(const QString &folder)
{
    if (TkavDesigner *settings = TkavDesigner::Active())
        settings->SetTemplateDir(folder);
    fillTemplates(folder);
}

void TkavReportEditorForm::load(const TkavReport &report, const QString &templateFolder)
{
    const TkavPrintOptions &print = report.PrintOptions();
    FPrintersLB->setCurrentRow(0);
    if (!print.IsDefaultPrinter())
        for (int i = 1; i < FPrintersLB->count(); ++i)
            if (FPrintersLB->item(i)->data(Qt::UserRole).toString() == print.Printer())
                FPrintersLB->setCurrentRow(i);
    FCollateCB->setChecked(print.Collate());
    FCopiesE->setText(QString::number(print.Copies()));
    FDoublePassCB->setChecked(report.EngineOptions().DoublePass());
    FPrintIfEmptyCB->setChecked(report.EngineOptions().PrintIfEmpty());
    const TkavReportOptions &options = report.ReportOptions();
    // A password the application keeps hidden is neither shown nor changed here.
    FPasswordE->setEnabled(options.HiddenPassword().isEmpty());
    FPasswordE->setText(options.HiddenPassword().isEmpty() ? options.Password() : QString());

    const QString parent = report.ParentReport().trimmed();
    FInheritStateL->setText(parent.isEmpty() ? kavDialogText("riNotInherited") : kavDialogText("riInherited").replace(u"%s"_s, parent));
    FDetachRB->setEnabled(!parent.isEmpty());
    FDontChangeRB->setChecked(true);
    fillTemplates(templateFolder);

    FNameE->setText(options.Name());
    FAuthorE->setText(options.Author());
    FPicture->Assign(options.Picture());
    FPictureImg->update();
    QString description = options.Description().Text();
    if (description.endsWith(u'\n'))
        description.chop(1);
    FDescriptionE->setPlainText(description);
    FMajorE->setText(options.VersionMajor());
    FMinorE->setText(options.VersionMinor());
    FReleaseE->setText(options.VersionRelease());
    FBuildE->setText(options.VersionBuild());
    FCreated1L->setText(DateTimeToStr(options.CreateDate()));
    FModified1L->setText(DateTimeToStr(options.LastChange()));
}

void TkavReportEditorForm::markInvalid(QWidget *field)
{
    field->setProperty("invalid", true);
    field->setStyleSheet(u"border: 1px solid red"_s);
    for (int i = 0; i < FPageControl->count(); ++i)
        if (FPageControl->widget(i)->isAncestorOf(field))
            FPageControl->setCurrentIndex(i);
    field->setFocus();
}

bool TkavReportEditorForm::validate()
{
    bool ok = false;
    const int copies = FCopiesE->text().trimmed().toInt(&ok);
    if (!ok || copies < 1 || copies > kavPrintMaxCopies) {
        FCopiesE->setToolTip(u"'%1' is not a valid integer value"_s.arg(FCopiesE->text()));
        markInvalid(FCopiesE);
        return false;
    }
    return true;
}

void TkavReportEditorForm::accept()
{
    if (validate())
        QDialog::accept();
}

void TkavReportEditorForm::apply(TkavReport &report, DesignerDocument *designer) const
{
    TkavPrintOptions &print = report.PrintOptions();
    if (const QListWidgetItem *printer = FPrintersLB->currentItem()) {
        print.SetPrinter(printer->data(Qt::UserRole).toString());
        report.SelectPrinter();
    }
    print.SetCollate(FCollateCB->isChecked());
    print.SetCopies(FCopiesE->text().trimmed().toInt());
    report.EngineOptions().SetDoublePass(FDoublePassCB->isChecked());
    report.EngineOptions().SetPrintIfEmpty(FPrintIfEmptyCB->isChecked());
    TkavReportOptions &options = report.ReportOptions();
    if (options.HiddenPassword().isEmpty())
        options.SetPassword(FPasswordE->text());

    const int chosen = FInheritLV->currentRow();
    const bool inherit = FInheritRB->isChecked() && chosen >= 0 && chosen < FTemplates.size();
    if (FDetachRB->isChecked() || inherit) {
        report.SetParentReport(QString());
        // A failure raises before the designer reloads, so its last snapshot, taken before
        // the dialog, can still be put back whole.
        if (inherit && !report.InheritFromTemplate(FTemplates[chosen], imDefault))
            throw EkavError(kavDialogText("riNotInherited") + u": "_s + FTemplates[chosen]);
        if (designer)
            designer->ReloadReport();
    }

    options.SetName(FNameE->text());
    options.SetAuthor(FAuthorE->text());
    options.SetPicture(*FPicture);
    TStringList description;
    description.SetText(FDescriptionE->toPlainText());
    options.SetDescription(description);
    options.SetVersionMajor(FMajorE->text());
    options.SetVersionMinor(FMinorE->text());
    options.SetVersionRelease(FReleaseE->text());
    options.SetVersionBuild(FBuildE->text());
}
