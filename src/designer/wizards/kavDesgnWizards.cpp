#include "kavDesgnWizards.h"

#include "kavDesgnTableWizard.h"
#include "kavDesgnWizardForm.h"

#include <designer/document/kavDesgnDocument.h>
#include <persist/kavRes.h>
#include <rtl/kavExceptions.h>

#include <algorithm>

using namespace Qt::StringLiterals;

TkavCustomWizard::TkavCustomWizard(DesignerDocument &Designer, QWidget *Window)
    : FDesigner(Designer)
    , FReport(Designer.Report())
    , FWindow(Window)
{
}

namespace {

bool emptyReport(DesignerDocument &designer, bool dotMatrix)
{
    return designer.guarded([&] {
        designer.ClearReport(dotMatrix);
        designer.ReloadReport();
    });
}

QString text(const char16_t *key)
{
    return kavResourceTable().Get(QString::fromUtf16(key));
}

} // namespace

QString TkavStdEmptyWizard::GetDescription()
{
    return text(u"wzStdEmpty");
}

bool TkavStdEmptyWizard::Execute()
{
    return emptyReport(FDesigner, false);
}

QString TkavDMPEmptyWizard::GetDescription()
{
    return text(u"wzDMPEmpty");
}

bool TkavDMPEmptyWizard::Execute()
{
    return emptyReport(FDesigner, true);
}

QString TkavStdWizard::GetDescription()
{
    return text(u"wzStd");
}

bool TkavStdWizard::Execute()
{
    TkavStdWizardForm form(FDesigner, DotMatrix(), FWindow);
    return form.exec() == QDialog::Accepted;
}

QString TkavDotMatrixWizard::GetDescription()
{
    return text(u"wzDMP");
}

QString TkavDBTableWizard::GetDescription()
{
    return text(u"wzDBTable");
}

bool TkavDBTableWizard::Execute()
{
    TkavDBTableWizardForm form(FDesigner, FWindow);
    return form.exec() == QDialog::Accepted && FDesigner.guarded([&] {
               if (!form.CreateQuery())
                   throw EkavError(kavResourceTable().Get(u"5425"_s));
           });
}

// ---------------------------------------------------------------------------------------

void TkavWizardCollection::Unregister(const QString &ClassRef)
{
    std::erase_if(FItems, [&](const TkavWizardItem &item) { return item.ClassRef == ClassRef; });
}

const TkavWizardItem *TkavWizardCollection::Find(const QString &ClassRef) const
{
    for (const TkavWizardItem &item : FItems)
        if (item.ClassRef == ClassRef)
            return &item;
    return nullptr;
}

TkavWizardCollection &kavWizardRegistry()
{
    static TkavWizardCollection registry;
    return registry;
}

void kavRegisterWizards()
{
    TkavWizardCollection &r = kavWizardRegistry();
    r.Register1<TkavStdEmptyWizard>(0);
    r.Register1<TkavStdWizard>(1);
    r.Register1<TkavDMPEmptyWizard>(0);
    r.Register1<TkavDotMatrixWizard>(1);
    r.Register1<TkavDBTableWizard>(2);
}

bool kavRunWizard(DesignerDocument &Designer, QWidget *Window, const QString &ClassRef)
{
    const TkavWizardItem *item = kavWizardRegistry().Find(ClassRef);
    if (!item)
        return false;
    std::unique_ptr<TkavCustomWizard> wizard = item->Create(Designer, Window);
    if (wizard->ReplacesReport() && !Designer.AskToSave())
        return false;
    if (!wizard->Execute())
        return false;
    Designer.SetModified(true);
    return true;
}
