#include "kavDesgnPreviewPage.h"

#include <designer/document/kavDesgnDocument.h>
#include <designer/workspace/kavDesgnPanel.h>
#include <persist/kavRes.h>
#include <report/kavCustomDesigner.h>
#include <report/kavReport.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TkavPreviewPageDesigner::TkavPreviewPageDesigner(TkavReport &report, QWidget *parent)
    : QDialog(parent)
    , FDesigner(new TkavDesignerPanel(report, this, true))
{
    setObjectName(u"PreviewPageDesigner"_s);
    const TkavResources &res = kavResourceTable();
    setWindowTitle(res.Get(u"132"_s) + u" - "_s + report.FileName());
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FDesigner, 1);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(res.Get(u"1"_s), QDialogButtonBox::AcceptRole)->setObjectName(u"OkB"_s);
    buttons->addButton(res.Get(u"2"_s), QDialogButtonBox::RejectRole)->setObjectName(u"CancelB"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { Discard(); });
    layout->addWidget(buttons);
    resize(1000, 700);
}

TkavPreviewPageDesigner::~TkavPreviewPageDesigner() = default;

void TkavPreviewPageDesigner::accept()
{
    QDialog::accept();
}

void TkavPreviewPageDesigner::reject()
{
    if (FDesigner->Document().CloseQuery())
        done(FDesigner->Document().Modified() ? Accepted : Rejected);
}

void TkavPreviewPageDesigner::Discard()
{
    FDesigner->Document().Report().SetModified(false);
    QDialog::reject();
}

void kavInstallPreviewPageDesigner()
{
    kavSetPreviewPageDesignerHook([](TkavReport &report) {
        TkavPreviewPageDesigner window(report, QApplication::activeWindow());
        window.exec();
    });
}
