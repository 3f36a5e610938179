#include "kavDesgnDialogButtons.h"

#include <persist/kavRes.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

QString kavDialogText(const char *key)
{
    return kavResourceTable().Get(QString::fromLatin1(key));
}

QString kavDialogText(const char16_t *key)
{
    return kavResourceTable().Get(QString::fromUtf16(key));
}

QDialogButtonBox *kavOkCancelButtons(QDialog &dialog, const char *okName)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(kavResourceTable().Get(u"1"_s));
    ok->setObjectName(QString::fromLatin1(okName));
    QPushButton *cancel = buttons->button(QDialogButtonBox::Cancel);
    cancel->setText(kavResourceTable().Get(u"2"_s));
    cancel->setObjectName(u"CancelB"_s);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}
