#include "kavDesgnFormatEditor.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"

#include <persist/kavRes.h>
#include <report/kavViews.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// ORDER: the rows are numbered as TkavFormatKind.
const char *const categoryKeys[] = {"fkText", "fkNumber", "fkDateTime", "fkBoolean"};

// The predefined formats of a category: (sample, format string) from the resource texts
// keyed by the category key and 1 to 10; a missing key answers with itself.
QList<std::pair<QString, QString>> predefinedFormats(int category)
{
    QList<std::pair<QString, QString>> formats;
    for (int i = 1; i <= 10; ++i) {
        const QString text = kavResourceTable().Get(QString::fromLatin1(categoryKeys[category]) + QString::number(i));
        if (text.contains(u"fk"_s))
            continue;
        const qsizetype semicolon = text.indexOf(u';');
        formats.append({text.left(semicolon), semicolon < 0 ? QString() : text.mid(semicolon + 1)});
    }
    return formats;
}

} // namespace

std::pair<QString, QString> kavMemoDelimiters(const TkavCustomMemoView &memo)
{
    const QString &delimiters = memo.ExpressionDelimiters();
    const qsizetype comma = delimiters.indexOf(u',');
    if (comma < 0)
        return {delimiters.left(255), QString()};
    return {delimiters.left(comma).left(255), delimiters.mid(comma + 1).left(255)};
}

QStringList kavMemoExpressions(const QString &text, const QString &open, const QString &close)
{
    QStringList expressions;
    if (open.isEmpty() || close.isEmpty())
        return expressions;
    // Each bracket found is cut out of the copy, so the next search starts afresh.
    QString rest = text;
    for (qsizetype pos = rest.indexOf(open); pos >= 0; pos = rest.indexOf(open)) {
        const TkavBracket b = kavScanBracket(rest, pos, open, close);
        if (b.Start < 0)
            break;
        expressions << rest.mid(b.ExprStart, b.ExprEnd - b.ExprStart);
        rest.remove(b.Start, b.End - b.Start + 1);
    }
    return expressions;
}

TkavFormatEditorForm::TkavFormatEditorForm(QWidget *parent, bool hosted)
    : QDialog(parent)
    , FHosted(hosted)
    , FFormats(TkavFormat::StaticClassInfo())
{
    setObjectName(u"FormatEditorForm"_s);
    setWindowTitle(kavDialogText("4500"));
    if (hosted)
        setWindowFlags(Qt::Widget);
    FExpressionCB = new QComboBox;
    FExpressionCB->setObjectName(u"ExpressionCB"_s);
    FCategoryLB = new QListWidget;
    FCategoryLB->setObjectName(u"CategoryLB"_s);
    for (const char *key : categoryKeys)
        FCategoryLB->addItem(kavDialogText(key));
    FFormatLB = new QListWidget;
    FFormatLB->setObjectName(u"FormatLB"_s);
    FFormatE = new QLineEdit;
    FFormatE->setObjectName(u"FormatE"_s);
    FSeparatorE = new QLineEdit;
    FSeparatorE->setObjectName(u"SeparatorE"_s);
    FSeparatorE->setMaxLength(1);
    FSeparatorE->setMaximumWidth(40);

    auto *grid = new QGridLayout;
    auto *exprL = new QLabel(kavDialogText("4401"));
    exprL->setBuddy(FExpressionCB);
    grid->addWidget(exprL, 0, 0);
    grid->addWidget(FExpressionCB, 0, 1);
    grid->addWidget(new QLabel(kavDialogText("4501")), 1, 0);
    grid->addWidget(new QLabel(kavDialogText("4502")), 1, 1);
    grid->addWidget(FCategoryLB, 2, 0);
    grid->addWidget(FFormatLB, 2, 1);
    auto *formatL = new QLabel(kavDialogText("4503"));
    formatL->setBuddy(FFormatE);
    auto *separatorL = new QLabel(kavDialogText("4504"));
    separatorL->setBuddy(FSeparatorE);
    grid->addWidget(formatL, 3, 0);
    grid->addWidget(FFormatE, 3, 1);
    grid->addWidget(separatorL, 4, 0);
    grid->addWidget(FSeparatorE, 4, 1, Qt::AlignLeading);
    grid->setColumnStretch(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    if (!hosted) {
        layout->addWidget(kavOkCancelButtons(*this));
        kavDesignerDialog(*this, u"TkavFormatEditorForm"_s);
    }

    connect(FExpressionCB, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (FUpdating)
            return;
        storeFormat();
        showFormat(index);
    });
    connect(FCategoryLB, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!FUpdating)
            categoryChanged(row);
    });
    connect(FFormatLB, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!FUpdating && row >= 0)
            FFormatE->setText(FFormatLB->item(row)->data(Qt::UserRole).toString());
    });
}

TkavFormatEditorForm::~TkavFormatEditorForm() = default;

void TkavFormatEditorForm::keyPressEvent(QKeyEvent *event)
{
    if (FHosted)
        QWidget::keyPressEvent(event); // passed on to the host
    else
        QDialog::keyPressEvent(event);
}

TkavFormat &TkavFormatEditorForm::format(int index) const
{
    return static_cast<TkavFormat &>(*FFormats.Items(index));
}

void TkavFormatEditorForm::load(const TkavCustomMemoView &memo)
{
    FFormats.Assign(memo.Formats());
    std::tie(FOpen, FClose) = kavMemoDelimiters(memo);
    FShown = -1;
    SetMemoText(memo.Text());
}

void TkavFormatEditorForm::SetMemoText(const QString &text)
{
    storeFormat();
    const QStringList expressions = kavMemoExpressions(text, FOpen, FClose);
    FUpdating = true;
    FExpressionCB->clear();
    if (expressions.isEmpty()) {
        // The memo's one display format: the first of its list, or a new one.
        while (FFormats.Count() > 1)
            FFormats.Delete(FFormats.Count() - 1);
        if (FFormats.Count() == 0)
            FFormats.Add();
    } else {
        while (FFormats.Count() < expressions.size())
            FFormats.Add();
        while (FFormats.Count() > expressions.size())
            FFormats.Delete(FFormats.Count() - 1);
        for (const QString &e : expressions)
            FExpressionCB->addItem(FOpen + e + FClose);
    }
    FExpressionCB->setEnabled(!expressions.isEmpty());
    FExpressionCB->setCurrentIndex(expressions.isEmpty() ? -1 : 0);
    FUpdating = false;
    showFormat(0);
}

void TkavFormatEditorForm::showFormat(int index)
{
    if (index < 0 || index >= FFormats.Count())
        return;
    FShown = index;
    const TkavFormat &f = format(index);
    const int category = std::clamp(int(f.Kind()), 0, int(std::size(categoryKeys)) - 1);
    FUpdating = true;
    FCategoryLB->setCurrentRow(category);
    FUpdating = false;
    categoryChanged(category);
    FUpdating = true;
    FFormatE->setText(f.FormatStr());
    FSeparatorE->setText(f.DecimalSeparator());
    for (int row = 0; row < FFormatLB->count(); ++row)
        if (FFormatLB->item(row)->data(Qt::UserRole).toString() == f.FormatStr())
            FFormatLB->setCurrentRow(row);
    FUpdating = false;
}

void TkavFormatEditorForm::categoryChanged(int category)
{
    fillPredefined(category);
    FFormatE->setEnabled(category != fkText);
    FSeparatorE->setEnabled(category == fkNumeric);
}

void TkavFormatEditorForm::fillPredefined(int category)
{
    const bool updating = FUpdating;
    FUpdating = true;
    FFormatLB->clear();
    if (category >= 0)
        for (const auto &[sample, formatStr] : predefinedFormats(category)) {
            auto *item = new QListWidgetItem(sample, FFormatLB);
            item->setData(Qt::UserRole, formatStr);
        }
    FUpdating = updating;
}

void TkavFormatEditorForm::storeFormat()
{
    if (FShown < 0 || FShown >= FFormats.Count())
        return;
    TkavFormat &f = format(FShown);
    const int category = std::max(FCategoryLB->currentRow(), 0);
    f.SetKind(TkavFormatKind(category));
    f.SetFormatStr(category == fkText ? QString() : FFormatE->text());
    f.SetDecimalSeparator(FSeparatorE->text().left(1));
    if (category == fkText) {
        f.SetDecimalSeparator(QString());
        f.SetThousandSeparator(QString());
    }
}

void TkavFormatEditorForm::apply(TkavCustomMemoView &memo)
{
    storeFormat();
    memo.Formats().Assign(FFormats);
}

bool kavEditDisplayFormat(TkavCustomMemoView &memo, QWidget *parent)
{
    TkavFormatEditorForm dialog(parent ? parent : QApplication::activeWindow());
    dialog.load(memo);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.apply(memo);
    return true;
}
