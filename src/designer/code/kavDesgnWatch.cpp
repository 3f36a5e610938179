#include "kavDesgnWatch.h"

#include <designer/dialogs/kavDesgnDialogPlace.h>
#include <output/kavHelpKey.h>
#include <persist/kavRes.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavUIServices.h>
#include <rtl/kavVariant.h>
#include <script/ky_script.h>

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

QString kavWatchValueText(const Variant &value)
{
    if (value.IsBoolean())
        return value.AsBoolean() ? u"True"_s : u"False"_s;
    if (value.IsString())
        return u'\'' + value.AsString() + u'\'';
    if (value.IsNull())
        return u"Null"_s;
    return VarToStr(value);
}

QString kavEvaluateText(TkyScript &script, const QString &expression)
{
    return kavWatchValueText(script.Evaluate(expression));
}

// ---------------------------------------------------------------------------------------
// Evaluate dialog

TkavEvaluateForm::TkavEvaluateForm(TkyScript *script, bool isWatch, QWidget *parent)
    : QDialog(parent)
    , FScript(script)
    , FIsWatch(isWatch)
    , FExpressionE(new QLineEdit(this))
    , FResultM(new QPlainTextEdit(this))
{
    setObjectName(u"TkavEvaluateForm"_s);
    setWindowTitle(kavGet(5500));
    kavDesignerDialog(*this, u"TkavEvaluateForm"_s);
    FExpressionE->setObjectName(u"ExpressionE"_s);
    FResultM->setObjectName(u"ResultM"_s);
    FResultM->setReadOnly(true);
    auto *label1 = new QLabel(kavGet(5501), this);
    label1->setObjectName(u"Label1"_s);
    label1->setBuddy(FExpressionE);
    auto *label2 = new QLabel(kavGet(5502), this);
    label2->setObjectName(u"Label2"_s);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(u"OkB"_s);
    buttons->button(QDialogButtonBox::Ok)->setText(kavGet(1));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(u"CancelB"_s);
    buttons->button(QDialogButtonBox::Cancel)->setText(kavGet(2));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label1);
    layout->addWidget(FExpressionE);
    layout->addWidget(label2);
    layout->addWidget(FResultM, 1);
    layout->addWidget(buttons);
    // A watch is only entered: no result, and Enter/Escape act as OK/Cancel.
    label2->setVisible(!isWatch);
    FResultM->setVisible(!isWatch);
    buttons->setVisible(isWatch);
    if (isWatch)
        layout->setSizeConstraint(QLayout::SetFixedSize);
    else
        resize(420, 220);
    FExpressionE->installEventFilter(this);
}

QString TkavEvaluateForm::Expression() const
{
    return FExpressionE->text();
}

void TkavEvaluateForm::SetExpression(const QString &text)
{
    FExpressionE->setText(text);
}

QString TkavEvaluateForm::Result() const
{
    return FResultM->toPlainText();
}

void TkavEvaluateForm::EvaluateExpression()
{
    if (!FScript)
        return;
    try {
        FResultM->setPlainText(kavEvaluateText(*FScript, Expression()));
    } catch (const Exception &e) {
        kavUIServices().ErrorBox(e.Message()); // the result keeps what it showed
    }
    FExpressionE->selectAll();
}

bool TkavEvaluateForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FExpressionE && event->type() == QEvent::KeyPress && !FIsWatch) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            EvaluateExpression();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TkavEvaluateForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FExpressionE->selectAll();
    FExpressionE->setFocus();
    FResultM->clear();
}

// ---------------------------------------------------------------------------------------
// Watch list

TkavWatchForm::TkavWatchForm(QWidget *parent)
    : QWidget(parent)
    , FWatchLB(new QListWidget(this))
{
    setObjectName(u"TkavWatchForm"_s);
    setWindowTitle(kavGet(5900));
    kavInstallHelpKey(*this, u"TkavWatchForm"_s);
    auto *bar = new QToolBar(this);
    bar->addWidget(addButton("AddB", 5901, 67, &TkavWatchForm::AddWatch));
    bar->addWidget(addButton("DeleteB", 5902, 81, &TkavWatchForm::DeleteWatch));
    bar->addWidget(addButton("EditB", 5903, 68, &TkavWatchForm::EditWatch));
    FWatchLB->setObjectName(u"WatchLB"_s);
    connect(FWatchLB, &QListWidget::itemDoubleClicked, this, [this] { EditWatch(); });
    connect(FWatchLB, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (!FUpdating)
            SetEnabled(FWatchLB->row(item), item->checkState() == Qt::Checked);
    });
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(FWatchLB, 1);
}

QToolButton *TkavWatchForm::addButton(const char *name, int hint, int image, void (TkavWatchForm::*run)())
{
    auto *b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(QIcon(QPixmap::fromImage(kavResourceTable().GetMainButtonImages().value(image))));
    b->setToolTip(kavGet(hint));
    connect(b, &QToolButton::clicked, this, [this, run] { (this->*run)(); });
    return b;
}

QString TkavWatchForm::WatchListText() const
{
    QStringList lines;
    for (const Watch &w : FWatches)
        lines << w.Expression;
    return lines.join(u'\n');
}

void TkavWatchForm::SetWatchListText(const QString &text)
{
    FWatches.clear();
    for (const QString &line : text.split(u'\n', Qt::SkipEmptyParts))
        FWatches.append({line, false}); // states are not saved
    UpdateWatches();
}

void TkavWatchForm::SetScriptRunning(bool running)
{
    FScriptRunning = running;
    UpdateWatches();
}

// The new texts are all computed before the list changes, so a failing expression leaves
// the list as it was.
void TkavWatchForm::UpdateWatches()
{
    QStringList texts;
    for (const Watch &w : FWatches) {
        if (!w.Enabled)
            texts << w.Expression + u": disabled"_s;
        else if (!FScriptRunning || !FScript)
            texts << w.Expression + u": not accessible"_s;
        else
            texts << w.Expression + u": "_s
                         + kavEvaluateText(*FScript, w.Expression).replace(u"\r\n"_s, u"\u21b5"_s).replace(u'\n', u'\u21b5');
    }
    // Items are reused: a check box click rebuilds the list from within the item's signal.
    FUpdating = true;
    while (FWatchLB->count() > texts.size())
        delete FWatchLB->takeItem(FWatchLB->count() - 1);
    for (int i = 0; i < texts.size(); ++i) {
        QListWidgetItem *item = FWatchLB->item(i);
        if (!item) {
            item = new QListWidgetItem(FWatchLB);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        }
        item->setText(texts[i]);
        item->setCheckState(FWatches[i].Enabled ? Qt::Checked : Qt::Unchecked);
    }
    FUpdating = false;
}

bool TkavWatchForm::askExpression(QString &expression)
{
    TkavEvaluateForm dialog(FScript, true, parentWidget() ? parentWidget() : this);
    dialog.SetExpression(expression);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    expression = dialog.Expression();
    return true;
}

void TkavWatchForm::AddWatch()
{
    QString expression;
    if (!askExpression(expression) || expression.trimmed().isEmpty())
        return;
    FWatches.append({expression, true});
    UpdateWatches();
    FWatchLB->setCurrentRow(FWatches.size() - 1);
}

void TkavWatchForm::EditWatch()
{
    const int row = FWatchLB->currentRow();
    if (row < 0 || row >= FWatches.size())
        return;
    QString expression = FWatches[row].Expression;
    if (!askExpression(expression) || expression.trimmed().isEmpty())
        return;
    FWatches[row].Expression = expression;
    UpdateWatches();
}

void TkavWatchForm::DeleteWatch()
{
    const int row = FWatchLB->currentRow();
    if (row < 0 || row >= FWatches.size())
        return;
    FWatches.removeAt(row);
    UpdateWatches();
}

void TkavWatchForm::SetEnabled(int index, bool enabled)
{
    if (index < 0 || index >= FWatches.size())
        return;
    FWatches[index].Enabled = enabled;
    UpdateWatches();
}

void TkavWatchForm::closeEvent(QCloseEvent *event)
{
    event->ignore();
}
