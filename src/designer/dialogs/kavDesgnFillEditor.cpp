#include "kavDesgnFillEditor.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"

#include <designer/controls/kavDesgnStyleBoxes.h>
#include <persist/kavRes.h>
#include <persist/kavXMLSerializer.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFormat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// The sample: a white box, the fill over the whole box at scale 1, a button-shadow border.
class FillSample : public QWidget
{
public:
    FillSample(std::function<const TkavCustomFill &()> fill, QWidget *parent)
        : QWidget(parent)
        , FFill(std::move(fill))
    {
        setObjectName(u"PaintBox1"_s);
        setMinimumSize(120, 80);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        FFill().Draw(p, 0, 0, width(), height(), 1, 1);
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    std::function<const TkavCustomFill &()> FFill;
};

QComboBox *keyList(const char *name, std::initializer_list<const char16_t *> keys)
{
    auto *box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    for (const char16_t *key : keys)
        box->addItem(kavDialogText(key));
    return box;
}

TkavColorComboBox *colorBox(const char *name, bool allowNone)
{
    auto *box = new TkavColorComboBox(allowNone);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

// A chosen colour goes to the fill (not while the controls are loaded), then the sample follows.
void onColor(TkavColorComboBox *box, const bool &updating, std::function<void(TColor)> set,
             std::function<void()> changed)
{
    box->OnChange = [box, &updating, set = std::move(set), changed = std::move(changed)] {
        if (!updating)
            set(box->Color());
        changed();
    };
}

QWidget *formPage(const char *name, std::initializer_list<std::pair<const char16_t *, QWidget *>> rows)
{
    auto *page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    auto *form = new QFormLayout(page);
    for (const auto &[label, field] : rows)
        if (label)
            form->addRow(kavDialogText(label), field);
        else
            form->addRow(field);
    return page;
}

} // namespace

TkavFillEditorForm::TkavFillEditorForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"FillEditorForm"_s);
    setWindowTitle(kavDialogText(u"6100"));
    FPages = new QTabWidget;
    FPages->setObjectName(u"PageControl1"_s);
    FPages->addTab(createBrushPage(), kavDialogText(u"6101"));
    FPages->addTab(createGradientPage(), kavDialogText(u"6102"));
    FPages->addTab(createGlassPage(), kavDialogText(u"6103"));
    FPaintBox1 = new FillSample([this]() -> const TkavCustomFill & { return GetFill(); }, this);
    QDialogButtonBox *buttons = kavOkCancelButtons(*this);
    auto *top = new QHBoxLayout;
    top->addWidget(FPages, 1);
    top->addWidget(FPaintBox1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buttons);
    connect(FPages, &QTabWidget::currentChanged, FPaintBox1, qOverload<>(&QWidget::update));
    kavDesignerDialog(*this, u"TkavFillEditorForm"_s);
    showFills();
}

TkavFillEditorForm::~TkavFillEditorForm() = default;

QWidget *TkavFillEditorForm::createBrushPage()
{
    FBrushStyleCB = new TkavBrushStyleComboBox;
    FBrushStyleCB->setObjectName(u"BrushStyleCB"_s);
    FBrushBackColorCB = colorBox("BrushBackColorCB", true);
    FBrushForeColorCB = colorBox("BrushForeColorCB", false);
    connect(FBrushStyleCB, &QComboBox::currentIndexChanged, this, [this] {
        if (!FUpdating)
            FBrushFill.SetStyle(FBrushStyleCB->Style());
        changed();
    });
    onColor(FBrushBackColorCB, FUpdating, [this](TColor c) { FBrushFill.SetBackColor(c); }, [this] { changed(); });
    onColor(FBrushForeColorCB, FUpdating, [this](TColor c) { FBrushFill.SetForeColor(c); }, [this] { changed(); });
    return formPage("BrushTS", {{u"6104", FBrushStyleCB}, {u"6105", FBrushBackColorCB}, {u"6106", FBrushForeColorCB}});
}

QWidget *TkavFillEditorForm::createGradientPage()
{
    FGradientStyleCB = keyList("GradientStyleCB", {u"gsHorizontal", u"gsVertical", u"gsElliptic", u"gsRectangle",
                                                   u"gsVertCenter", u"gsHorizCenter"});
    FGradientStartColorCB = colorBox("GradientStartColorCB", false);
    FGradientEndColorCB = colorBox("GradientEndColorCB", false);
    connect(FGradientStyleCB, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!FUpdating)
            FGradientFill.SetGradientStyle(TkavGradientStyle(std::max(index, 0)));
        changed();
    });
    onColor(FGradientStartColorCB, FUpdating, [this](TColor c) { FGradientFill.SetStartColor(c); }, [this] { changed(); });
    onColor(FGradientEndColorCB, FUpdating, [this](TColor c) { FGradientFill.SetEndColor(c); }, [this] { changed(); });
    return formPage("GradientTS",
                    {{u"6107", FGradientStyleCB}, {u"6108", FGradientStartColorCB}, {u"6109", FGradientEndColorCB}});
}

QWidget *TkavFillEditorForm::createGlassPage()
{
    FGlassOrientationCB = keyList("GlassOrientationCB",
                                  {u"foVertical", u"foHorizontal", u"foVerticalMirror", u"foHorizontalMirror"});
    FGlassColorCB = colorBox("GlassColorCB", true);
    FGlassBlendE = new QLineEdit;
    FGlassBlendE->setObjectName(u"GlassBlendE"_s);
    FGlassHatchCB = new QCheckBox(kavDialogText(u"6113"));
    FGlassHatchCB->setObjectName(u"GlassHatchCB"_s);
    connect(FGlassOrientationCB, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!FUpdating)
            FGlassFill.SetOrientation(TkavGlassFillOrientation(std::max(index, 0)));
        changed();
    });
    onColor(FGlassColorCB, FUpdating, [this](TColor c) { FGlassFill.SetColor(c); }, [this] { changed(); });
    connect(FGlassBlendE, &QLineEdit::editingFinished, this, [this] {
        readBlend();
        changed();
    });
    connect(FGlassHatchCB, &QCheckBox::clicked, this, [this](bool on) {
        FGlassFill.SetHatch(on);
        changed();
    });
    return formPage("GlassTS", {{u"6110", FGlassOrientationCB},
                                {u"6111", FGlassColorCB},
                                {u"6112", FGlassBlendE},
                                {nullptr, FGlassHatchCB}});
}

void TkavFillEditorForm::changed()
{
    FPaintBox1->update();
}

void TkavFillEditorForm::showFills()
{
    FUpdating = true;
    FBrushStyleCB->SetStyle(FBrushFill.Style());
    FBrushBackColorCB->SetColor(FBrushFill.BackColor());
    FBrushForeColorCB->SetColor(FBrushFill.ForeColor());
    FGradientStyleCB->setCurrentIndex(FGradientFill.GradientStyle());
    FGradientStartColorCB->SetColor(FGradientFill.StartColor());
    FGradientEndColorCB->SetColor(FGradientFill.EndColor());
    FGlassOrientationCB->setCurrentIndex(FGlassFill.Orientation());
    FGlassColorCB->SetColor(FGlassFill.Color());
    FGlassBlendE->setText(FloatToStr(FGlassFill.Blend()));
    FGlassHatchCB->setChecked(FGlassFill.Hatch());
    FUpdating = false;
    changed();
}

void TkavFillEditorForm::load(const TkavCustomFill &fill)
{
    const TkavFillType type = kavFillTypeOf(&fill);
    switch (type) {
    case ftGradient:
        FGradientFill.Assign(fill);
        break;
    case ftGlass:
        FGlassFill.Assign(fill);
        break;
    default:
        FBrushFill.Assign(fill);
        break;
    }
    if (!FIsSimpleFill)
        FPages->setCurrentIndex(int(type));
    showFills();
}

void TkavFillEditorForm::SetIsSimpleFill(bool value)
{
    FIsSimpleFill = value;
    FPages->setTabVisible(ftGradient, !value);
    FPages->setTabVisible(ftGlass, !value);
    if (value)
        FPages->setCurrentIndex(ftBrush);
}

const TkavCustomFill &TkavFillEditorForm::GetFill() const
{
    switch (FPages->currentIndex()) {
    case ftGradient:
        return FGradientFill;
    case ftGlass:
        return FGlassFill;
    default:
        return FBrushFill;
    }
}

// A blend outside 0..1 or not a number keeps the previous blend and marks the field.
bool TkavFillEditorForm::readBlend()
{
    double value = -1;
    try {
        value = kavTextToFloat(FGlassBlendE->text());
    } catch (const EConvertError &) {
    }
    const bool ok = value >= 0 && value <= 1;
    if (ok)
        FGlassFill.SetBlend(value);
    FGlassBlendE->setProperty("invalid", !ok);
    FGlassBlendE->setStyleSheet(ok ? QString() : u"border: 1px solid red"_s);
    return ok;
}

bool TkavFillEditorForm::validate()
{
    if (&GetFill() != &FGlassFill || readBlend())
        return true;
    FGlassBlendE->setFocus();
    return false;
}

void TkavFillEditorForm::apply(std::unique_ptr<TkavCustomFill> &fill) const
{
    kavAssignFill(fill, GetFill());
}

void TkavFillEditorForm::accept()
{
    if (validate())
        QDialog::accept();
}
