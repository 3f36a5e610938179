#include "kavDesgnExprEditor.h"

#include "kavDesgnDataTree.h"

#include <designer/window/kavDesgnPlacement.h>
#include <persist/kavRes.h>
#include <output/kavHelpKey.h>
#include <report/kavReport.h>
#include <rtl/kavSettings.h>

#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TkavExprEditorForm::TkavExprEditorForm(TkavReport &report, QWidget *parent)
    : QDialog(parent)
    , FReport(report)
    , FExprMemo(new QLineEdit(this))
    , FDataTree(new TkavDataTreeForm(report, this))
{
    TkavResources &res = kavResourceTable();
    setWindowTitle(res.Get(u"4400"_s));
    kavInstallHelpKey(*this, u"TkavExprEditorForm"_s);
    resize(480, 420);
    FExprMemo->setObjectName(u"ExprMemo"_s);
    QFont fixed(u"Courier New"_s);
    fixed.setStyleHint(QFont::Monospace);
    fixed.setPixelSize(13);
    FExprMemo->setFont(fixed);
    FExprMemo->setAcceptDrops(false); // drops are taken below, as items of the tree
    setAcceptDrops(true);
    FExprMemo->installEventFilter(this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(res.Get(u"1"_s));
    buttons->button(QDialogButtonBox::Cancel)->setText(res.Get(u"2"_s));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(res.Get(u"4401"_s));
    label->setObjectName(u"ExprL"_s);
    label->setBuddy(FExprMemo);
    layout->addWidget(label);
    layout->addWidget(FExprMemo);
    layout->addWidget(FDataTree, 1);
    layout->addWidget(buttons);
    FDataTree->OnDblClick = [this] { InsertFromTree(); };
    FDataTree->UpdateItems();
}

QPoint &TkavExprEditorForm::lastPosition()
{
    static QPoint position;
    return position;
}

void TkavExprEditorForm::InsertFromTree()
{
    const QString text = FDataTree->GetFieldName(-1);
    if (text.isEmpty())
        return;
    FExprMemo->insert(text);
    FExprMemo->setFocus();
}

void TkavExprEditorForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    const auto ini = FReport.GetIniFile();
    ini->WriteBool(u"Form5.TkavExprEditorForm"_s, u"Visible"_s, true);
    kavRestoreFormPosition(*ini, u"TkavExprEditorForm"_s, *this);
    FDataTree->SetLastPosition(lastPosition());
}

void TkavExprEditorForm::hideEvent(QHideEvent *event)
{
    kavSaveFormPosition(*FReport.GetIniFile(), u"TkavExprEditorForm"_s, *this);
    lastPosition() = FDataTree->GetLastPosition();
    QDialog::hideEvent(event);
}

// A drag over the expression line is taken only from this editor's tree, and only while
// its item has a text to insert.
bool TkavExprEditorForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != FExprMemo)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto *drag = static_cast<QDropEvent *>(event);
        QObject *source = drag->source();
        const bool ours = source && FDataTree->isAncestorOf(qobject_cast<QWidget *>(source));
        if (ours && !FDataTree->GetFieldName(-1).isEmpty())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        static_cast<QDropEvent *>(event)->acceptProposedAction();
        InsertFromTree();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QString TkavExprEditorForm::InsertExpression(TkavReport &report, const QString &text, QWidget *parent)
{
    TkavExprEditorForm form(report, parent);
    form.FExprMemo->setText(text);
    return form.exec() == QDialog::Accepted ? form.FExprMemo->text() : QString();
}
