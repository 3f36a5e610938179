#include "kavDesgnStyleEditor.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"

#include <designer/document/kavDesgnDialogs.h>
#include <designer/document/kavDesgnSettings.h>
#include <persist/kavRes.h>
#include <persist/kavUtils.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavUIServices.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QIcon buttonIcon(int image)
{
    return QIcon(QPixmap::fromImage(kavResourceTable().GetMainButtonImages().value(image)));
}

// The folder the designer's settings give the open or save dialogs, empty without them.
QString designerFolder(bool save)
{
    const TkavDesigner *settings = TkavDesigner::Active();
    return settings ? (save ? settings->SaveDir() : settings->OpenDir()) : QString();
}

// The name with the style file extension in place of any other.
QString withStyleExtension(const QString &fileName)
{
    const QFileInfo info(fileName);
    return QDir(info.path()).filePath(info.completeBaseName() + u".kt3"_s);
}

} // namespace

TkavStyleEditorForm::TkavStyleEditorForm(QWidget *parent)
    : QDialog(parent)
    , FStylesLB(new QListWidget(this))
    , FSample(new QWidget(this))
{
    setObjectName(u"TkavStyleEditorForm"_s);
    setWindowTitle(kavDialogText("5100"));

    auto *bar = new QToolBar(this);
    FAddB = toolButton("AddB", "5104", 67);
    FDeleteB = toolButton("DeleteB", "5105", 81);
    FEditB = toolButton("EditB", "5106", 68);
    FLoadB = toolButton("LoadB", "5107", 1);
    FSaveB = toolButton("SaveB", "5108", 2);
    for (QToolButton *b : {FAddB, FDeleteB, FEditB})
        bar->addWidget(b);
    bar->addSeparator();
    bar->addWidget(FLoadB);
    bar->addWidget(FSaveB);
    connect(FAddB, &QToolButton::clicked, this, [this] { AddStyle(); });
    connect(FDeleteB, &QToolButton::clicked, this, [this] { DeleteStyle(); });
    connect(FEditB, &QToolButton::clicked, this, [this] { EditStyle(); });
    connect(FLoadB, &QToolButton::clicked, this, [this] { LoadStyles(); });
    connect(FSaveB, &QToolButton::clicked, this, [this] { SaveStyles(); });

    FStylesLB->setObjectName(u"StylesLB"_s);
    FStylesLB->setEditTriggers(QAbstractItemView::NoEditTriggers); // Edit and F2 open the editor
    FStylesLB->installEventFilter(this);
    connect(FStylesLB, &QListWidget::currentRowChanged, this, [this] { updateControls(); });
    connect(FStylesLB, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) { itemChanged(item); });

    const auto pushButton = [this](const char *name, const char *key, void (TkavStyleEditorForm::*run)()) {
        auto *b = new QPushButton(kavDialogText(key), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, run] { (this->*run)(); });
        return b;
    };
    FColorB = pushButton("ColorB", "5101", &TkavStyleEditorForm::EditFill);
    FFontB = pushButton("FontB", "5102", &TkavStyleEditorForm::EditFont);
    FFrameB = pushButton("FrameB", "5103", &TkavStyleEditorForm::EditFrame);
    FFillCB = applyBox("FillCB");
    FFontCB = applyBox("FontCB");
    FFrameCB = applyBox("FrameCB");
    FCharsetCB = new QCheckBox(kavDialogText("dsDefCharset"), this);
    FCharsetCB->setObjectName(u"CharsetCB"_s);
    connect(FCharsetCB, &QCheckBox::clicked, this, [this](bool checked) { charsetClicked(checked); });

    auto *parts = new QGridLayout;
    int row = 0;
    for (auto [box, button] : {std::pair{FFillCB, FColorB}, {FFontCB, FFontB}, {FFrameCB, FFrameB}}) {
        parts->addWidget(box, row, 0);
        parts->addWidget(button, row++, 1);
    }
    parts->addWidget(FCharsetCB, row++, 0, 1, 2);
    parts->setRowStretch(row, 1);
    parts->setColumnStretch(2, 1); // each check box stays beside its button

    FSample->setObjectName(u"SampleP"_s);
    FSample->setMinimumSize(220, 90);
    FSample->installEventFilter(this);

    auto *right = new QVBoxLayout;
    right->addLayout(parts);
    right->addWidget(FSample, 1);
    auto *body = new QHBoxLayout;
    body->addWidget(FStylesLB, 1);
    body->addLayout(right, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(bar);
    layout->addLayout(body, 1);
    layout->addWidget(kavOkCancelButtons(*this));
    kavDesignerDialog(*this, u"TkavStyleEditorForm"_s);
    resize(520, 340);
    updateControls();
}

TkavStyleEditorForm::~TkavStyleEditorForm() = default;

QToolButton *TkavStyleEditorForm::toolButton(const char *name, const char *hintKey, int image)
{
    auto *b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(buttonIcon(image));
    b->setToolTip(kavDialogText(hintKey));
    b->setText(kavDialogText(hintKey));
    return b;
}

QCheckBox *TkavStyleEditorForm::applyBox(const char *name)
{
    auto *box = new QCheckBox(this);
    box->setObjectName(QString::fromLatin1(name));
    connect(box, &QCheckBox::clicked, this, [this] { applyFlagsClicked(); });
    return box;
}

void TkavStyleEditorForm::load(const TkavReport &report)
{
    FStyles.Assign(report.Styles());
    FIsInheritedReport = report.IsAncestor();
    rebuildList(0);
}

void TkavStyleEditorForm::apply(TkavReport &report) const
{
    report.SetStyles(&FStyles);
}

TkavStyleItem *TkavStyleEditorForm::Current() const
{
    const int row = FStylesLB->currentRow();
    return row >= 0 && row < FStyles.Count() ? FStyles.Items(row) : nullptr;
}

// --- the list ------------------------------------------------------------------------------

void TkavStyleEditorForm::rebuildList(int selectRow)
{
    {
        const QScopedValueRollback updating(FUpdating, true);
        FStylesLB->clear();
        for (int i = 0; i < FStyles.Count(); ++i) {
            auto *item = new QListWidgetItem(FStyles.Items(i)->Name(), FStylesLB);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
        }
        FStylesLB->setCurrentRow(std::min(selectRow, FStyles.Count() - 1));
    }
    updateControls();
}

void TkavStyleEditorForm::updateControls()
{
    if (FUpdating)
        return;
    const QScopedValueRollback updating(FUpdating, true);
    const TkavStyleItem *item = Current();
    FLoadB->setEnabled(!FIsInheritedReport);
    const bool own = item && !item->IsInherited();
    FDeleteB->setEnabled(own);
    FEditB->setEnabled(own);
    FFillCB->setEnabled(item);
    FFontCB->setEnabled(item);
    FFrameCB->setEnabled(item);
    FCharsetCB->setEnabled(item);
    FFillCB->setChecked(item && item->ApplyFill());
    FFontCB->setChecked(item && item->ApplyFont());
    FFrameCB->setChecked(item && item->ApplyFrame());
    FColorB->setEnabled(item && item->ApplyFill());
    FFontB->setEnabled(item && item->ApplyFont());
    FFrameB->setEnabled(item && item->ApplyFrame());
    FCharsetCB->setChecked(item && item->Font().Charset() == kavFontDefaultCharsetValue);
    FSample->update();
}

void TkavStyleEditorForm::AddStyle()
{
    TkavStyleItem *item = FStyles.Add();
    item->CreateUniqueName();
    rebuildList(FStyles.Count() - 1);
    EditStyle();
}

void TkavStyleEditorForm::DeleteStyle()
{
    const int row = FStylesLB->currentRow();
    if (!FDeleteB->isEnabled() || row < 0)
        return;
    FStyles.Delete(row);
    rebuildList(row);
}

void TkavStyleEditorForm::EditStyle()
{
    if (QListWidgetItem *item = FStylesLB->currentItem(); item && FEditB->isEnabled())
        FStylesLB->editItem(item);
}

void TkavStyleEditorForm::itemChanged(QListWidgetItem *item)
{
    if (FUpdating)
        return;
    FStylesLB->setCurrentItem(item);
    RenameStyle(item->text());
}

bool TkavStyleEditorForm::RenameStyle(const QString &name)
{
    TkavStyleItem *style = Current();
    if (!style)
        return false;
    bool renamed = false;
    if (FEditB->isEnabled() && !name.isEmpty() && name != style->Name()) {
        try {
            style->SetName(name); // a duplicate keeps the old name
            renamed = true;
        } catch (const Exception &e) {
            kavErrorBox(e.Message());
        }
    }
    const QScopedValueRollback updating(FUpdating, true);
    FStylesLB->currentItem()->setText(style->Name());
    return renamed;
}

// --- fill, font, frame and flags -------------------------------------------------------------

void TkavStyleEditorForm::EditFill()
{
    TkavStyleItem *item = Current();
    if (!item || !FColorB->isEnabled())
        return;
    std::unique_ptr<TkavCustomFill> fill = kavCreateFill(item->FillType());
    fill->Assign(item->Fill());
    if (kavDesignerDialogs().EditFill(fill, false) && fill)
        item->SetFill(*fill);
    updateControls();
}

void TkavStyleEditorForm::EditFont()
{
    TkavStyleItem *item = Current();
    if (!item || !FFontB->isEnabled())
        return;
    TFont &font = item->Font();
    TkavFontChoice choice;
    choice.Name = font.Name();
    choice.Size = font.Size();
    choice.Style = font.Style();
    choice.Color = font.Color();
    if (kavUIServices().FontDialog(choice)) {
        font.SetName(choice.Name);
        font.SetSize(int(std::lround(choice.Size)));
        font.SetStyle(choice.Style);
        font.SetColor(choice.Color);
        if (FCharsetCB->isChecked())
            font.SetCharset(kavFontDefaultCharsetValue);
    }
    updateControls();
}

void TkavStyleEditorForm::EditFrame()
{
    TkavStyleItem *item = Current();
    if (!item || !FFrameB->isEnabled())
        return;
    TkavFrame frame;
    frame.Assign(item->Frame());
    if (kavDesignerDialogs().EditFrame(frame))
        item->SetFrame(frame);
    updateControls();
}

void TkavStyleEditorForm::applyFlagsClicked()
{
    if (TkavStyleItem *item = Current()) {
        item->SetApplyFill(FFillCB->isChecked());
        item->SetApplyFont(FFontCB->isChecked());
        item->SetApplyFrame(FFrameCB->isChecked());
    }
    updateControls();
}

// Checking asks for the default character set; unchecking leaves the font as it is.
void TkavStyleEditorForm::charsetClicked(bool checked)
{
    if (TkavStyleItem *item = Current(); item && checked)
        item->Font().SetCharset(kavFontDefaultCharsetValue);
    updateControls();
}

// --- style files -------------------------------------------------------------------------------

QString TkavStyleEditorForm::styleFilter() const
{
    return kavDialogText("dsStyleFile") + u" (*.kt3)|*.kt3"_s;
}

void TkavStyleEditorForm::LoadStyles()
{
    if (FIsInheritedReport)
        return;
    TkavFileDialogOptions options;
    options.Filter = styleFilter();
    options.InitialDir = designerFolder(false);
    QStringList names;
    if (!kavUIServices().OpenFileDialog(options, names) || names.isEmpty())
        return;
    try {
        FStyles.LoadFromFile(names.first()); // a file that cannot be read changes nothing
    } catch (const Exception &e) {
        kavErrorBox(e.Message());
    }
    rebuildList(0);
}

void TkavStyleEditorForm::SaveStyles()
{
    TkavFileDialogOptions options;
    options.Filter = styleFilter();
    options.InitialDir = designerFolder(true);
    options.DefaultExt = u"kt3"_s;
    QString name;
    if (!kavUIServices().SaveFileDialog(options, name) || name.isEmpty())
        return;
    try {
        FStyles.SaveToFile(withStyleExtension(name));
    } catch (const Exception &e) {
        kavErrorBox(e.Message());
    }
}

// --- keys and the sample ---------------------------------------------------------------------

// The selected style drawn as a memo of its own, centred in a framed box.
void TkavStyleEditorForm::paintSample(QWidget &box) const
{
    QPainter painter(&box);
    painter.fillRect(box.rect(), box.palette().color(QPalette::Base));
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawRect(box.rect().adjusted(0, 0, -1, -1));
    const TkavStyleItem *item = Current();
    if (!item)
        return;
    TkavMemoView memo;
    memo.ApplyStyle(item);
    memo.SetText(kavDialogText("dsStyleSample"));
    memo.SetGapX(20);
    memo.SetGapY(10);
    memo.SetWidth(memo.CalcWidth());
    memo.SetHeight(memo.CalcHeight());
    painter.setClipRect(box.rect().adjusted(1, 1, -1, -1));
    memo.Draw(&painter, 1, 1, std::round((box.width() - memo.Width()) / 2),
              std::round((box.height() - memo.Height()) / 2));
}

bool TkavStyleEditorForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FSample && event->type() == QEvent::Paint) {
        paintSample(*FSample);
        return true;
    }
    // The list sees keys only while no name is being edited.
    if (watched == FStylesLB && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_F2) {
            EditStyle();
            return true;
        }
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Insert) {
            AddStyle();
            return true;
        }
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Delete) {
            DeleteStyle();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
