#include "kavDesgnVarEditor.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"

#include <designer/document/kavDesgnDialogs.h>
#include <designer/trees/kavDesgnDataTree.h>
#include <persist/kavRes.h>
#include <persist/kavUtils.h>
#include <report/kavReport.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavSettings.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>

#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int KindRole = Qt::UserRole;
constexpr int OldTextRole = Qt::UserRole + 1;
// Variable names longer than this are cut in the list view.
constexpr int maxNameLength = 254;
const QString formSection = u"Form5.TkavVarEditorForm"_s;

QIcon buttonIcon(int image)
{
    return QIcon(QPixmap::fromImage(kavResourceTable().GetMainButtonImages().value(image)));
}

bool isCategoryName(const QString &name)
{
    return name.startsWith(u' ');
}

} // namespace

QStringList kavVariablesToLines(const TkavVariables &variables)
{
    QStringList lines;
    for (int i = 0; i < variables.Count(); ++i) {
        const QString &name = variables.Items(i)->Name();
        lines << (name.isEmpty() ? QString() : isCategoryName(name) ? name.mid(1) : u' ' + name);
    }
    return lines;
}

void kavVariablesFromLines(const QStringList &lines, const TkavVariables &old, TkavVariables &result)
{
    result.Clear();
    for (const QString &line : lines) {
        const QString text = line.trimmed();
        if (text.isEmpty())
            continue;
        // Extra indentation stays a variable: only the first space makes the difference.
        const QString name = isCategoryName(line) ? text.left(maxNameLength) : u' ' + text;
        const int found = old.IndexOf(name);
        TkavVariable *item = result.Add();
        item->SetName(name);
        item->SetValue(found >= 0 ? old.Items(found)->Value() : Variant(QString()));
    }
}

TkavVarEditorForm::TkavVarEditorForm(TkavReport &report, QWidget *parent)
    : QDialog(parent)
    , FReport(report)
    , FVarTree(new QTreeWidget(this))
    , FExprMemo(new QLineEdit(this))
    , FDataTree(new TkavDataTreeForm(report, this))
{
    setObjectName(u"TkavVarEditorForm"_s);
    setWindowTitle(kavDialogText("2900"));
    if (parent)
        setWindowIcon(parent->windowIcon());
    auto *bar = new QToolBar(this);
    const auto add = [&](const char *name, const char *hint, int image, void (TkavVarEditorForm::*run)()) {
        QToolButton *b = addButton(name, hint, image);
        if (run)
            connect(b, &QToolButton::clicked, this, [this, run] { (this->*run)(); });
        bar->addWidget(b);
        return b;
    };
    add("NewCategoryB", "2901", 65, &TkavVarEditorForm::NewCategory);
    add("NewVarB", "2902", 67, &TkavVarEditorForm::NewVariable);
    FEditB = add("EditB", "2903", 68, &TkavVarEditorForm::EditItem);
    FDeleteB = add("DeleteB", "2904", 81, &TkavVarEditorForm::DeleteItem);
    bar->addSeparator();
    FEditListB = add("EditListB", "2905", 69, &TkavVarEditorForm::EditList);
    FLoadB = add("LoadB", "2906", 1, &TkavVarEditorForm::LoadVariables);
    add("SaveB", "2907", 2, &TkavVarEditorForm::SaveVariables);
    auto *gap = new QWidget(bar);
    gap->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(gap);
    for (auto [name, key, image, close] : {std::tuple{"CancelB", "2", 55, &QDialog::reject}, {"OkB", "1", 56, &QDialog::accept}}) {
        QToolButton *b = add(name, key, image, nullptr);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        connect(b, &QToolButton::clicked, this, close);
    }

    FVarTree->setObjectName(u"VarTree"_s);
    FVarTree->setHeaderHidden(true);
    FVarTree->setEditTriggers(QAbstractItemView::NoEditTriggers); // EditItem opens the editor
    FVarTree->installEventFilter(this);
    connect(FVarTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { currentChanged(current); });
    connect(FVarTree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item) { itemChanged(item); });

    FExprMemo->setObjectName(u"ExprMemo"_s);
    QFont mono(u"Courier New"_s);
    mono.setPixelSize(13);
    mono.setStyleHint(QFont::Monospace);
    FExprMemo->setFont(mono);
    FExprMemo->installEventFilter(this);
    auto *exprPanel = new QLabel(u' ' + kavDialogText("2908"), this);
    exprPanel->setObjectName(u"ExprPanel"_s);
    exprPanel->setBuddy(FExprMemo);

    FDataTree->setObjectName(u"Panel"_s);
    FDataTree->SetOptionsVisible(false);
    FDataTree->SetMultiSelectAllowed(false);
    FDataTree->UpdateItems();
    FDataTree->OnDblClick = [this] { insertFieldName(); };

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(FVarTree, 1);
    leftLayout->addWidget(exprPanel);
    leftLayout->addWidget(FExprMemo);
    auto *split = FSplit = new QSplitter(this);
    split->addWidget(left);
    split->addWidget(FDataTree);
    split->setStretchFactor(0, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(bar);
    layout->addWidget(split, 1);
    connect(new QShortcut(Qt::CTRL | Qt::Key_Return, this), &QShortcut::activated, this, &QDialog::accept);
    connect(new QShortcut(Qt::CTRL | Qt::Key_Enter, this), &QShortcut::activated, this, &QDialog::accept);
    kavDesignerDialog(*this, u"TkavVarEditorForm"_s);
    resize(720, 440);
    load(report);
    FVarTree->setFocus();
}

TkavVarEditorForm::~TkavVarEditorForm() = default;

QToolButton *TkavVarEditorForm::addButton(const char *name, const char *hintKey, int image)
{
    auto *b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(buttonIcon(image));
    const QString hint = kavDialogText(hintKey);
    b->setToolTip(hint);
    b->setText(QString(hint).remove(u"..."_s));
    return b;
}

void TkavVarEditorForm::load(const TkavReport &report)
{
    FVariables.Assign(report.Variables());
    FIsInheritedReport = report.IsAncestor();
    rebuildTree();
}

void TkavVarEditorForm::apply(TkavReport &report)
{
    commitExpression();
    report.Variables().Assign(FVariables);
}

void TkavVarEditorForm::accept()
{
    selectRoot();
    QDialog::accept();
}

// --- the tree ---------------------------------------------------------------------------------

QTreeWidgetItem *TkavVarEditorForm::addItem(QTreeWidgetItem *parent, const QString &text, Kind kind)
{
    auto *item = new QTreeWidgetItem;
    item->setText(0, text);
    item->setData(0, KindRole, kind);
    item->setData(0, OldTextRole, text);
    item->setIcon(0, buttonIcon(kind == Variable ? 80 : 66));
    if (kind != Root)
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    if (parent)
        parent->addChild(item);
    return item;
}

TkavVarEditorForm::Kind TkavVarEditorForm::kindOf(const QTreeWidgetItem *item)
{
    return item ? Kind(item->data(0, KindRole).toInt()) : Root;
}

QTreeWidgetItem *TkavVarEditorForm::root() const
{
    return FVarTree->topLevelItem(0);
}

void TkavVarEditorForm::rebuildTree()
{
    {
        const QScopedValueRollback updating(FUpdating, true);
        FCurrentVar.clear();
        FExprMemo->clear();
        FVarTree->clear();
        QTreeWidgetItem *top = addItem(nullptr, QString(), Root);
        FVarTree->addTopLevelItem(top);
        // Variables outside any category hang under the root, before the categories.
        TStringList names;
        FVariables.GetVariablesList(QString(), names);
        for (const QString &name : names.ToStringList())
            addItem(top, name, Variable);
        TStringList categories;
        FVariables.GetCategoriesList(categories);
        for (const QString &category : categories.ToStringList()) {
            QTreeWidgetItem *item = addItem(top, category, Category);
            FVariables.GetVariablesList(category, names);
            for (const QString &name : names.ToStringList())
                addItem(item, name, Variable);
        }
        updateRootText();
        FVarTree->expandAll();
        FVarTree->setCurrentItem(top);
        FVarTree->scrollToItem(top);
    }
    currentChanged(root());
}

void TkavVarEditorForm::updateRootText()
{
    const QScopedValueRollback updating(FUpdating, true);
    root()->setText(0, kavDialogText(root()->childCount() ? "vaVar" : "vaNoVar"));
}

void TkavVarEditorForm::updateButtons()
{
    FLoadB->setEnabled(!FIsInheritedReport);
    FEditListB->setEnabled(!FIsInheritedReport);
    const bool editable = isEditable(FVarTree->currentItem());
    FEditB->setEnabled(editable);
    FDeleteB->setEnabled(editable);
}

// Categories and variables may be renamed and deleted unless they come from an ancestor.
bool TkavVarEditorForm::isEditable(const QTreeWidgetItem *item) const
{
    if (!item || kindOf(item) == Root)
        return false;
    const int index = FVariables.IndexOf(kindOf(item) == Category ? u' ' + item->text(0) : item->text(0));
    return index >= 0 && !FVariables.Items(index)->IsInherited();
}

void TkavVarEditorForm::commitExpression()
{
    if (!FCurrentVar.isEmpty() && FExprMemo->isModified())
        FVariables.SetVariable(FCurrentVar, Variant(FExprMemo->text()));
    FExprMemo->setModified(false);
}

void TkavVarEditorForm::currentChanged(QTreeWidgetItem *current)
{
    if (FUpdating)
        return;
    commitExpression();
    FCurrentVar = kindOf(current) == Variable ? current->text(0) : QString();
    FExprMemo->setText(FCurrentVar.isEmpty() ? QString() : VarToStr(FVariables.GetVariable(FCurrentVar)));
    FExprMemo->setModified(false);
    updateButtons();
}

void TkavVarEditorForm::selectRoot()
{
    commitExpression();
    FVarTree->setCurrentItem(root());
}

QString TkavVarEditorForm::freeName(const QString &prefix) const
{
    for (int n = 1;; ++n)
        if (FVariables.IndexOf(prefix + QString::number(n)) < 0)
            return prefix + QString::number(n);
}

// --- commands ----------------------------------------------------------------------------------

void TkavVarEditorForm::NewCategory()
{
    const QString name = freeName(u" New Category"_s);
    FVariables.Add()->SetName(name);
    const QScopedValueRollback updating(FUpdating, true);
    addItem(root(), name.mid(1), Category)->setExpanded(true);
    root()->setExpanded(true);
    updateRootText();
}

void TkavVarEditorForm::NewVariable()
{
    QTreeWidgetItem *top = root();
    if (!top->childCount())
        return;
    QTreeWidgetItem *target = FVarTree->currentItem();
    if (!target || target == top)
        target = top->child(top->childCount() - 1);
    else if (kindOf(target) == Variable)
        target = target->parent();
    if (kindOf(target) == Variable)
        target = top; // the list has variables outside any category
    const QString name = freeName(u"New Variable"_s);
    const QScopedValueRollback updating(FUpdating, true);
    if (target == top) {
        // Outside any category: after the last variable that precedes the first category.
        int at = 0;
        while (at < FVariables.Count() && !isCategoryName(FVariables.Items(at)->Name()))
            ++at;
        TkavVariable *item = FVariables.Insert(at);
        item->SetName(name);
        item->SetValue(Variant(QString()));
        int row = 0;
        while (row < top->childCount() && kindOf(top->child(row)) == Variable)
            ++row;
        QTreeWidgetItem *added = addItem(nullptr, name, Variable);
        top->insertChild(row, added);
    } else {
        FVariables.AddVariable(target->text(0), name, Variant(QString()));
        addItem(target, name, Variable);
        target->setExpanded(true);
    }
    updateRootText();
}

void TkavVarEditorForm::EditItem()
{
    QTreeWidgetItem *item = FVarTree->currentItem();
    if (isEditable(item))
        FVarTree->editItem(item);
}

void TkavVarEditorForm::itemChanged(QTreeWidgetItem *item)
{
    if (FUpdating || kindOf(item) == Root)
        return;
    if (item->text(0) != item->data(0, OldTextRole).toString())
        RenameItem(item, item->text(0));
}

bool TkavVarEditorForm::RenameItem(QTreeWidgetItem *item, const QString &newText)
{
    const QString old = item->data(0, OldTextRole).toString();
    const QScopedValueRollback updating(FUpdating, true);
    item->setText(0, old);
    const QString text = newText.trimmed();
    if (text.isEmpty() || text == old || !isEditable(item))
        return false;
    const QString prefix = kindOf(item) == Category ? u" "_s : QString();
    const int from = FVariables.IndexOf(prefix + old);
    const int existing = FVariables.IndexOf(prefix + text);
    if (from < 0)
        return false;
    // Another item of that name (a change of letter case only renames the item itself).
    if (existing >= 0 && existing != from) {
        kavErrorBox(kavDialogText("vaDupName"));
        return false;
    }
    FVariables.Items(from)->SetName(prefix + text);
    item->setText(0, text);
    item->setData(0, OldTextRole, text);
    if (kindOf(item) == Variable && FCurrentVar == old)
        FCurrentVar = text;
    return true;
}

void TkavVarEditorForm::DeleteItem()
{
    QTreeWidgetItem *item = FVarTree->currentItem();
    if (!isEditable(item))
        return;
    commitExpression();
    if (kindOf(item) == Category)
        FVariables.DeleteCategory(item->text(0));
    else
        FVariables.DeleteVariable(item->text(0));
    FCurrentVar.clear();
    {
        const QScopedValueRollback updating(FUpdating, true);
        delete item;
    }
    updateRootText();
    currentChanged(FVarTree->currentItem());
}

void TkavVarEditorForm::EditList()
{
    if (FIsInheritedReport)
        return;
    commitExpression();
    TStringList lines;
    for (const QString &line : kavVariablesToLines(FVariables))
        lines.Add(line);
    if (kavDesignerDialogs().EditLines(lines)) {
        TkavVariables edited;
        kavVariablesFromLines(lines.ToStringList(), FVariables, edited);
        FVariables.Assign(edited);
        rebuildTree();
    }
    selectRoot();
}

void TkavVarEditorForm::LoadVariables()
{
    if (FIsInheritedReport)
        return;
    TkavFileDialogOptions options;
    options.Filter = kavDialogText("2909");
    options.DefaultExt = u"ku3"_s;
    QStringList names;
    if (!kavUIServices().OpenFileDialog(options, names) || names.isEmpty())
        return;
    try {
        FVariables.LoadFromFile(names.first()); // a file that cannot be read changes nothing
    } catch (const Exception &e) {
        kavErrorBox(e.Message());
    }
    rebuildTree();
}

void TkavVarEditorForm::SaveVariables()
{
    selectRoot();
    TkavFileDialogOptions options;
    options.Filter = kavDialogText("2910");
    options.DefaultExt = u"ku3"_s;
    QString name;
    if (!kavUIServices().SaveFileDialog(options, name))
        return;
    try {
        FVariables.SaveToFile(name);
    } catch (const Exception &e) {
        kavErrorBox(e.Message());
    }
}

// The data tree's width is kept in the report's settings store (the window's place is kept
// as every designer dialog's).
void TkavVarEditorForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    const std::unique_ptr<TkavIniFile> ini = FReport.GetIniFile();
    ini->WriteBool(formSection, u"Visible"_s, true);
    const int treeWidth = ini->ReadInteger(formSection, u"Split2Pos"_s, 400);
    FSplit->setSizes({std::max(FSplit->width() - treeWidth, 100), treeWidth});
}

void TkavVarEditorForm::hideEvent(QHideEvent *event)
{
    const std::unique_ptr<TkavIniFile> ini = FReport.GetIniFile();
    ini->WriteInteger(formSection, u"Split2Pos"_s, FDataTree->width());
    ini->UpdateFile();
    QDialog::hideEvent(event);
}

void TkavVarEditorForm::insertFieldName()
{
    const QString name = FDataTree->GetFieldName(-1);
    if (name.isEmpty())
        return;
    FExprMemo->insert(name); // at the caret, over the selection
    FExprMemo->setModified(true);
}

// The memo takes drops from the embedded data tree only, as the name the tree inserts.
bool TkavVarEditorForm::memoDropEvent(QEvent *event)
{
    auto *drop = static_cast<QDropEvent *>(event);
    auto *source = qobject_cast<QWidget *>(drop->source());
    if (!source || !FDataTree->isAncestorOf(source) || FDataTree->GetFieldName(-1).isEmpty()) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop) {
        FExprMemo->setCursorPosition(FExprMemo->cursorPositionAt(drop->position().toPoint()));
        insertFieldName();
    }
    return true;
}

bool TkavVarEditorForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FExprMemo
        && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove || event->type() == QEvent::Drop))
        return memoDropEvent(event);
    // The tree sees keys only while no item is being edited.
    if (watched == FVarTree && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            switch (key->key()) {
            case Qt::Key_Insert:
                root()->childCount() ? NewVariable() : NewCategory();
                return true;
            case Qt::Key_Delete:
                DeleteItem();
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_F2:
                EditItem();
                return true;
            default:
                break;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
