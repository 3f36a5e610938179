#include "kavDesgnNewItem.h"

#include "kavDesgnWizards.h"

#include <designer/dialogs/kavDesgnDialogButtons.h>
#include <designer/dialogs/kavDesgnDialogPlace.h>
#include <designer/dialogs/kavDesgnReportOptions.h>
#include <designer/document/kavDesgnDocument.h>
#include <persist/kavRes.h>
#include <report/kavReport.h>
#include <rtl/kavExceptions.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QListWidget *iconList(const char *name, QWidget *parent)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setViewMode(QListView::IconMode);
    list->setIconSize(QSize(32, 32));
    list->setGridSize(QSize(130, 76));
    list->setResizeMode(QListView::Adjust);
    list->setMovement(QListView::Static);
    list->setWordWrap(true);
    return list;
}

// A wizard with a picture of its own gets it appended to the wizard images once.
QIcon wizardIcon(TkavWizardItem &item)
{
    TkavResources &res = kavResourceTable();
    if (item.ButtonImageIndex < 0 && !item.ButtonBmp.isNull()) {
        res.SetWizardImages(item.ButtonBmp, false);
        item.ButtonImageIndex = int(res.GetWizardImages().size()) - 1;
    }
    return QIcon(QPixmap::fromImage(res.GetWizardImages().value(item.ButtonImageIndex)));
}

} // namespace

TkavNewItemForm::TkavNewItemForm(DesignerDocument &Designer, QWidget *parent)
    : QDialog(parent)
    , FDesigner(Designer)
    , FPages(new QTabWidget(this))
    , FItemsLV(iconList("ItemsLV", this))
    , FTemplatesLV(iconList("TemplatesLV", this))
    , FInheritCB(new QCheckBox(kavDialogText("5303"), this))
{
    setObjectName(u"TkavNewItemForm"_s);
    setWindowTitle(kavDialogText("5300"));
    kavDesignerDialog(*this, u"TkavNewItemForm"_s);
    FPages->setObjectName(u"PagesPC"_s);
    FInheritCB->setObjectName(u"InheritCB"_s);

    TkavWizardCollection &wizards = kavWizardRegistry();
    for (int i = 0; i < wizards.Count(); ++i) {
        TkavWizardItem &item = wizards.Items(i);
        auto *entry = new QListWidgetItem(wizardIcon(item), item.Description(), FItemsLV);
        entry->setData(Qt::UserRole, item.ClassRef);
    }
    const QIcon page(QPixmap::fromImage(kavResourceTable().GetWizardImages().value(0)));
    FTemplates = kavTemplateFiles(kavDesignerTemplateFolder());
    for (const QString &file : std::as_const(FTemplates))
        new QListWidgetItem(page, QFileInfo(file).fileName(), FTemplatesLV);

    FPages->addTab(FItemsLV, kavDialogText("5301"));
    auto *templates = new QWidget(FPages);
    auto *templateLayout = new QVBoxLayout(templates);
    templateLayout->addWidget(FTemplatesLV);
    templateLayout->addWidget(FInheritCB);
    FPages->addTab(templates, kavDialogText("5302"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FPages);
    layout->addWidget(kavOkCancelButtons(*this));
    for (QListWidget *list : {FItemsLV, FTemplatesLV})
        connect(list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    if (FItemsLV->count() > 0)
        FItemsLV->setCurrentRow(0);
    resize(480, 340);
}

bool TkavNewItemForm::Run()
{
    if (FPages->currentIndex() == 0) {
        const QListWidgetItem *item = FItemsLV->currentItem();
        return item && kavRunWizard(FDesigner, parentWidget(), item->data(Qt::UserRole).toString());
    }
    const int row = FTemplatesLV->currentRow();
    if (row < 0 || row >= FTemplates.size() || !FDesigner.CheckOp(drDontCreateReport) || !FDesigner.AskToSave())
        return false;
    return fromTemplate(FTemplates[row], FInheritCB->isChecked());
}

// A new, unnamed report made of the template: its copy, or (inheriting) a report whose
// ancestor it is, named relative to the program folder when it lies there. A template that
// does not load leaves the report as it was.
bool TkavNewItemForm::fromTemplate(const QString &fileName, bool inherit)
{
    TkavReport &report = FDesigner.Report();
    const bool done = FDesigner.guarded([&] {
        report.Clear();
        report.SetFileName(QString());
        if (inherit) {
            const QString program = TkavReport::GetApplicationFolder();
            const QString path = QFileInfo(fileName).absoluteFilePath();
            report.SetParentReport(path.startsWith(program) ? QDir(program).relativeFilePath(path) : path);
            if (report.ParentReport().isEmpty() || report.PagesCount() == 0)
                throw EkavError(kavDialogText("dsCantLoad") + u' ' + fileName);
        } else if (report.OnLoadTemplate()) {
            report.OnLoadTemplate()(report, fileName);
        } else if (!report.LoadFromFile(fileName, true) || !report.LastLoadOk()) {
            throw EkavError(kavDialogText("dsCantLoad") + u' ' + fileName);
        }
        report.SetFileName(QString());
        FDesigner.ReloadReport();
    });
    if (done)
        FDesigner.SetModified(true);
    return done;
}

bool kavNewItem(DesignerDocument &Designer, QWidget *parent)
{
    if (!Designer.CheckOp(drDontCreateReport))
        return false;
    TkavNewItemForm form(Designer, parent);
    return form.exec() == QDialog::Accepted && form.Run();
}
