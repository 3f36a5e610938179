#include "kavDesgnFindDialog.h"

#include <designer/dialogs/kavDesgnDialogPlace.h>
#include <persist/kavRes.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TkavFindDialog::TkavFindDialog(bool replace, bool onScript, QWidget *parent)
    : QDialog(parent)
    , FFindE(new QLineEdit(this))
    , FReplaceE(new QLineEdit(this))
    , FCaseCB(new QCheckBox(this))
    , FTopCB(new QCheckBox(this))
{
    const TkavResources &res = kavResourceTable();
    setObjectName(u"FindDialog"_s);
    kavDesignerDialog(*this, u"TkavFindDialog"_s);
    setWindowTitle(res.Get(replace ? u"dsReplaceCmd"_s : u"dsFind"_s).remove(u"..."_s));
    FFindE->setObjectName(u"TextE"_s);
    FReplaceE->setObjectName(u"ReplaceE"_s);
    FCaseCB->setObjectName(u"CaseCB"_s);
    FTopCB->setObjectName(u"TopCB"_s);
    FCaseCB->setText(res.Get(u"dsCaseSensitive"_s));
    FTopCB->setText(res.Get(u"dsSearchFromTop"_s));
    auto *form = new QFormLayout;
    form->addRow(res.Get(u"dsFindText"_s), FFindE);
    if (replace)
        form->addRow(res.Get(u"dsReplaceWith"_s), FReplaceE);
    else
        FReplaceE->hide();
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(FCaseCB);
    layout->addWidget(FTopCB);
    FTopCB->setVisible(onScript);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

void TkavFindDialog::SetValues(const QString &text, const QString &replacement, bool caseSensitive)
{
    FFindE->setText(text);
    FFindE->selectAll();
    FReplaceE->setText(replacement);
    FCaseCB->setChecked(caseSensitive);
}

QString TkavFindDialog::FindText() const
{
    return FFindE->text();
}

QString TkavFindDialog::ReplaceText() const
{
    return FReplaceE->text();
}

bool TkavFindDialog::CaseSensitive() const
{
    return FCaseCB->isChecked();
}

bool TkavFindDialog::FromTop() const
{
    return !FTopCB->isHidden() && FTopCB->isChecked();
}
