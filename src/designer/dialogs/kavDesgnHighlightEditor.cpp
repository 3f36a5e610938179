#include "kavDesgnHighlightEditor.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"

#include <designer/document/kavDesgnDialogs.h>
#include <designer/trees/kavDesgnExprEditor.h>
#include <persist/kavRes.h>
#include <report/kavFrames.h>
#include <report/kavViews.h>
#include <rtl/kavUIServices.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QIcon buttonImage(int image)
{
    return QIcon(QPixmap::fromImage(kavResourceTable().GetMainButtonImages().value(image)));
}

} // namespace

// The sample: the word "Sample" in a temporary memo carrying the current highlight, drawn
// by the memo's own drawing as on a page.
class TkavHighlightEditorForm::Sample : public QWidget
{
public:
    explicit Sample(TkavHighlightEditorForm &owner)
        : FOwner(owner)
    {
        setObjectName(u"PaintBox1"_s);
        setMinimumSize(120, 48);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
        const TkavHighlight *item = FOwner.CurHighlight();
        if (!item)
            return;
        TkavMemoView memo;
        memo.SetText(u"Sample"_s);
        memo.SetHAlign(haCenter);
        memo.SetVAlign(vaCenter);
        memo.ApplyHighlight(*item);
        memo.SetBounds(2, 2, width() - 4, height() - 4);
        memo.Draw(&painter, 1, 1, 0, 0);
    }

private:
    TkavHighlightEditorForm &FOwner;
};

TkavHighlightEditorForm::TkavHighlightEditorForm(QWidget *parent, bool hosted)
    : QDialog(parent)
    , FHosted(hosted)
    , FHighlights(TkavHighlight::StaticClassInfo())
{
    setObjectName(u"HighlightEditorForm"_s);
    setWindowTitle(kavDialogText("4600"));
    if (hosted)
        setWindowFlags(Qt::Widget);

    createConditionsPart();
    createStylePart();
    auto *panels = new QHBoxLayout;
    panels->addWidget(FConditionsGB, 3);
    panels->addWidget(FStyleGB, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(panels);
    if (!hosted) {
        layout->addWidget(kavOkCancelButtons(*this, "OKB"));
        kavDesignerDialog(*this, u"TkavHighlightEditorForm"_s);
    }

    connect(FHighlightsLB, &QListWidget::currentRowChanged, this, [this] {
        if (!FUpdating)
            selectionChanged();
    });
    connect(FHighlightsLB, &QListWidget::itemDoubleClicked, this, [this] { EditHighlight(); });
    connect(FAddB, &QPushButton::clicked, this, [this] { AddHighlight(); });
    connect(FEditB, &QPushButton::clicked, this, [this] { EditHighlight(); });
    connect(FDeleteB, &QPushButton::clicked, this, [this] { DeleteHighlight(); });
    connect(FUpB, &QToolButton::clicked, this, [this] { MoveHighlight(-1); });
    connect(FDownB, &QToolButton::clicked, this, [this] { MoveHighlight(1); });
    for (QCheckBox *box : {FFrameCB, FFillCB, FFontCB, FVisibleCB})
        connect(box, &QCheckBox::toggled, this, [this] { flagChanged(); });
    connect(FFrameB, &QPushButton::clicked, this, [this] { EditFrame(); });
    connect(FFillB, &QPushButton::clicked, this, [this] { EditFill(); });
    connect(FFontB, &QPushButton::clicked, this, [this] { EditFont(); });
}

TkavHighlightEditorForm::~TkavHighlightEditorForm() = default;

void TkavHighlightEditorForm::keyPressEvent(QKeyEvent *event)
{
    if (FHosted)
        QWidget::keyPressEvent(event); // passed on to the host
    else
        QDialog::keyPressEvent(event);
}

// The list of conditions with its buttons.
void TkavHighlightEditorForm::createConditionsPart()
{
    FConditionsGB = new QGroupBox(kavDialogText("4601"));
    FConditionsGB->setObjectName(u"ConditionsGB"_s);
    FHighlightsLB = new QListWidget;
    FHighlightsLB->setObjectName(u"HighlightsLB"_s);
    FAddB = button("AddB", kavDialogText("4602"));
    FDeleteB = button("DeleteB", kavDialogText("4603"));
    FEditB = button("EditB", kavDialogText("4604"));
    auto arrow = [this](const char *name, int image) {
        auto *b = new QToolButton;
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(buttonImage(image));
        return b;
    };
    FUpB = arrow("UpB", 100);
    FDownB = arrow("DownB", 101);
    auto *listButtons = new QVBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{FAddB, FEditB, FDeleteB, FUpB, FDownB})
        listButtons->addWidget(w);
    listButtons->addStretch();
    auto *conditions = new QHBoxLayout(FConditionsGB);
    conditions->addWidget(FHighlightsLB, 1);
    conditions->addLayout(listButtons);
}

// The look of the selected condition and its sample.
void TkavHighlightEditorForm::createStylePart()
{
    FStyleGB = new QGroupBox(kavDialogText("4605"));
    FStyleGB->setObjectName(u"StyleGB"_s);
    auto check = [](const char *name) {
        auto *box = new QCheckBox;
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };
    FFrameCB = check("FrameCB");
    FFillCB = check("FillCB");
    FFontCB = check("FontCB");
    FVisibleCB = check("VisibleCB");
    FVisibleCB->setText(kavDialogText("4609"));
    FFrameB = button("FrameB", kavDialogText("4606"));
    FFrameB->setIcon(buttonImage(36));
    FFillB = button("FillB", kavDialogText("4607"));
    FFillB->setIcon(buttonImage(38));
    FFontB = button("FontB", kavDialogText("4608"));
    FFontB->setIcon(buttonImage(59));
    FPaintBox1 = new Sample(*this);
    auto *style = new QGridLayout(FStyleGB);
    int row = 0;
    for (auto [box, b] : {std::pair{FFrameCB, FFrameB}, {FFillCB, FFillB}, {FFontCB, FFontB}}) {
        style->addWidget(box, row, 0);
        style->addWidget(b, row++, 1);
    }
    style->addWidget(FVisibleCB, row++, 0, 1, 2);
    style->addWidget(FPaintBox1, row, 0, 1, 2);
    style->setRowStretch(row, 1);
    style->setColumnStretch(1, 1);
}

QPushButton *TkavHighlightEditorForm::button(const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

void TkavHighlightEditorForm::load(const TkavCustomMemoView &memo)
{
    FReport = memo.Report();
    FHighlights.Assign(memo.Highlights());
    if (FHighlights.Count() == 1
        && static_cast<const TkavHighlight *>(FHighlights.Items(0))->Condition().isEmpty())
        FHighlights.Clear();
    fillList();
    select(0);
}

void TkavHighlightEditorForm::apply(TkavCustomMemoView &memo)
{
    if (FHighlights.Count() == 0)
        FHighlights.Add();
    memo.Highlights().Assign(FHighlights);
}

void TkavHighlightEditorForm::fillList()
{
    FUpdating = true;
    FHighlightsLB->clear();
    for (int i = 0; i < FHighlights.Count(); ++i)
        FHighlightsLB->addItem(static_cast<const TkavHighlight *>(FHighlights.Items(i))->Condition());
    FUpdating = false;
}

void TkavHighlightEditorForm::select(int row)
{
    FUpdating = true;
    FHighlightsLB->setCurrentRow(row < FHighlightsLB->count() ? row : -1);
    FUpdating = false;
    selectionChanged();
}

void TkavHighlightEditorForm::selectionChanged()
{
    const int row = FHighlightsLB->currentRow();
    FCurHighlight = row >= 0 && row < FHighlights.Count()
                        ? static_cast<TkavHighlight *>(FHighlights.Items(row))
                        : nullptr;
    const bool any = FCurHighlight != nullptr;
    FUpdating = true;
    for (QWidget *w : std::initializer_list<QWidget *>{FDeleteB, FEditB, FFrameCB, FFillCB, FFontCB, FVisibleCB})
        w->setEnabled(any);
    FUpB->setEnabled(any && row > 0);
    FDownB->setEnabled(any && row < FHighlightsLB->count() - 1);
    FFrameCB->setChecked(any && FCurHighlight->ApplyFrame());
    FFillCB->setChecked(any && FCurHighlight->ApplyFill());
    FFontCB->setChecked(any && FCurHighlight->ApplyFont());
    FVisibleCB->setChecked(any && FCurHighlight->Visible());
    FUpdating = false;
    FFrameB->setEnabled(any && FCurHighlight->ApplyFrame());
    FFillB->setEnabled(any && FCurHighlight->ApplyFill());
    FFontB->setEnabled(any && FCurHighlight->ApplyFont());
    FPaintBox1->update();
}

void TkavHighlightEditorForm::flagChanged()
{
    if (FUpdating || !FCurHighlight)
        return;
    FCurHighlight->SetApplyFrame(FFrameCB->isChecked());
    FCurHighlight->SetApplyFill(FFillCB->isChecked());
    FCurHighlight->SetApplyFont(FFontCB->isChecked());
    FCurHighlight->SetVisible(FVisibleCB->isChecked());
    FFrameB->setEnabled(FFrameCB->isChecked());
    FFillB->setEnabled(FFillCB->isChecked());
    FFontB->setEnabled(FFontCB->isChecked());
    FPaintBox1->update();
}

QString TkavHighlightEditorForm::editCondition(const QString &text)
{
    if (!FReport)
        return QString();
    return TkavExprEditorForm::InsertExpression(*FReport, text, this);
}

void TkavHighlightEditorForm::AddHighlight()
{
    const QString condition = editCondition(u"Value = 0"_s);
    if (condition.isEmpty())
        return;
    static_cast<TkavHighlight *>(FHighlights.Add())->SetCondition(condition);
    fillList();
    select(FHighlights.Count() - 1);
}

void TkavHighlightEditorForm::EditHighlight()
{
    if (!FCurHighlight)
        return;
    const QString condition = editCondition(FCurHighlight->Condition());
    if (condition.isEmpty())
        return;
    FCurHighlight->SetCondition(condition);
    FHighlightsLB->currentItem()->setText(condition);
}

void TkavHighlightEditorForm::DeleteHighlight()
{
    const int row = FHighlightsLB->currentRow();
    if (!FCurHighlight || row < 0)
        return;
    FCurHighlight = nullptr;
    FHighlights.Delete(row);
    fillList();
    select(std::min(row, FHighlights.Count() - 1));
}

void TkavHighlightEditorForm::MoveHighlight(int delta)
{
    const int row = FHighlightsLB->currentRow();
    const int target = row + delta;
    if (!FCurHighlight || row < 0 || target < 0 || target >= FHighlights.Count())
        return;
    FHighlights.Move(row, target);
    fillList();
    select(target);
}

void TkavHighlightEditorForm::EditFrame()
{
    if (!FCurHighlight)
        return;
    TkavFrame frame;
    frame.Assign(FCurHighlight->Frame());
    if (!kavDesignerDialogs().EditFrame(frame))
        return;
    FCurHighlight->SetFrame(frame);
    FPaintBox1->update();
}

void TkavHighlightEditorForm::EditFill()
{
    if (!FCurHighlight)
        return;
    std::unique_ptr<TkavCustomFill> fill = kavCreateFill(FCurHighlight->FillType());
    fill->Assign(FCurHighlight->Fill());
    if (!kavDesignerDialogs().EditFill(fill, false) || !fill)
        return;
    FCurHighlight->SetFill(*fill);
    FPaintBox1->update();
}

void TkavHighlightEditorForm::EditFont()
{
    if (!FCurHighlight)
        return;
    const TFont &font = FCurHighlight->Font();
    TkavFontChoice choice{font.Name(), double(font.Size()), font.Style(), font.Color()};
    if (!kavUIServices().FontDialog(choice))
        return;
    TFont chosen = font;
    chosen.SetName(choice.Name);
    chosen.SetSize(int(std::lround(choice.Size)));
    chosen.SetStyle(choice.Style);
    chosen.SetColor(choice.Color);
    FCurHighlight->SetFont(chosen);
    FPaintBox1->update();
}

bool kavEditHighlights(TkavCustomMemoView &memo, QWidget *parent)
{
    TkavHighlightEditorForm dialog(parent ? parent : QApplication::activeWindow());
    dialog.load(memo);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.apply(memo);
    return true;
}
