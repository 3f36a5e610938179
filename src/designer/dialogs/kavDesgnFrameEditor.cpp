#include "kavDesgnFrameEditor.h"

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
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// The sample: "Sample" inside the frame, drawn as a page draws it; clicks go to the owner.
class FrameSample : public QWidget
{
public:
    FrameSample(const TkavFrame &frame, std::function<void(QPoint)> onClick, QWidget *parent)
        : QWidget(parent)
        , FFrame(frame)
        , FOnClick(std::move(onClick))
    {
        setObjectName(u"SampleC"_s);
        setMinimumSize(94, 160);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.setPen(Qt::black);
        p.drawText(rect(), Qt::AlignCenter, kavDialogText(u"5207"));
        // The lines lie in the middle of the click zones; a shadow is kept inside.
        const int shadow = FFrame.DropShadow() ? int(std::lround(FFrame.ShadowWidth())) : 0;
        FFrame.Draw(p, 12, 12, width() - 12 - shadow, height() - 12 - shadow, 1, 1);
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            FOnClick(event->position().toPoint());
    }

private:
    const TkavFrame &FFrame;
    std::function<void(QPoint)> FOnClick;
};

// An editable list of the usual widths.
QComboBox *widthBox(const char *name)
{
    auto *box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (double w : {0.1, 0.5, 1.0, 1.5, 2.0, 3.0, 4.0, 5.0})
        box->addItem(FloatToStr(w));
    box->setMinimumContentsLength(5);
    return box;
}

void setMark(QWidget *field, bool invalid)
{
    field->setProperty("invalid", invalid);
    field->setStyleSheet(invalid ? u"border: 1px solid red"_s : QString());
}

} // namespace

std::optional<double> kavReadWidth(const QString &text)
{
    try {
        const double value = kavTextToFloat(text);
        if (std::isfinite(value) && value >= 0)
            return value;
    } catch (const EConvertError &) {
    }
    return std::nullopt;
}

TkavFrameEditorForm::TkavFrameEditorForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"FrameEditorForm"_s);
    setWindowTitle(kavDialogText(u"5200"));

    auto *frameGB = new QGroupBox(kavDialogText(u"5201"));
    frameGB->setObjectName(u"FrameGB"_s);
    FSideB[ftTop] = sideButton("FrameTopB", u"dsFrameTop", 32);
    FSideB[ftBottom] = sideButton("FrameBottomB", u"dsFrameBottom", 33);
    FSideB[ftLeft] = sideButton("FrameLeftB", u"dsFrameLeft", 34);
    FSideB[ftRight] = sideButton("FrameRightB", u"dsFrameRight", 35);
    QToolButton *allB = sideButton("FrameAllB", u"dsFrameAll", 36);
    QToolButton *noB = sideButton("FrameNoB", u"dsFrameNone", 37);
    allB->setCheckable(false);
    noB->setCheckable(false);
    for (int side : {ftTop, ftBottom, ftLeft, ftRight})
        connect(FSideB[side], &QToolButton::clicked, this,
                [this, side](bool down) { ToggleSide(TkavFrameType(side), down); });
    connect(allB, &QToolButton::clicked, this, [this] { SetAllLines(); });
    connect(noB, &QToolButton::clicked, this, [this] { SetNoLines(); });
    FSampleC = new FrameSample(FFrame, [this](QPoint pos) { SampleClick(pos); }, frameGB);

    FShadowCB = new QCheckBox(kavDialogText(u"5202"));
    FShadowCB->setObjectName(u"ShadowCB"_s);
    FShadowWidthCB = widthBox("ShadowWidthCB");
    FShadowColorCB = new TkavColorComboBox(false);
    FShadowColorCB->setObjectName(u"ShadowColorCB"_s);
    FShadowWidthL = new QLabel(kavDialogText(u"5203"));
    FShadowWidthL->setBuddy(FShadowWidthCB);
    FShadowColorL = new QLabel(kavDialogText(u"5204"));
    FShadowColorL->setBuddy(FShadowColorCB);

    auto *buttons = new QHBoxLayout;
    for (QToolButton *b : {FSideB[ftTop], FSideB[ftBottom], FSideB[ftLeft], FSideB[ftRight], allB, noB})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *shadow = new QGridLayout;
    shadow->addWidget(FShadowCB, 0, 0, 1, 2);
    shadow->addWidget(FShadowWidthL, 1, 0);
    shadow->addWidget(FShadowWidthCB, 1, 1);
    shadow->addWidget(FShadowColorL, 2, 0);
    shadow->addWidget(FShadowColorCB, 2, 1);
    shadow->setRowStretch(3, 1);
    auto *frameBox = new QGridLayout(frameGB);
    frameBox->addLayout(buttons, 0, 0, 1, 2);
    frameBox->addWidget(FSampleC, 1, 0);
    frameBox->addLayout(shadow, 1, 1);

    auto *lineGB = new QGroupBox(kavDialogText(u"5205"));
    lineGB->setObjectName(u"LineGB"_s);
    FLineStyleC = new TkavLineStyleComboBox;
    FLineStyleC->setObjectName(u"LineStyleC"_s);
    FLineWidthCB = widthBox("LineWidthCB");
    FLineColorCB = new TkavColorComboBox(false);
    FLineColorCB->setObjectName(u"LineColorCB"_s);
    auto *lineBox = new QGridLayout(lineGB);
    const std::pair<const char16_t *, QWidget *> rows[] = {
        {u"5206", FLineStyleC}, {u"5203", FLineWidthCB}, {u"5204", FLineColorCB}};
    for (int row = 0; row < 3; ++row) {
        auto *label = new QLabel(kavDialogText(rows[row].first));
        label->setBuddy(rows[row].second);
        lineBox->addWidget(label, row, 0);
        lineBox->addWidget(rows[row].second, row, 1);
    }
    lineBox->setRowStretch(3, 1);

    QDialogButtonBox *ok = kavOkCancelButtons(*this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frameGB);
    layout->addWidget(lineGB);
    layout->addWidget(ok);

    connect(FShadowCB, &QCheckBox::clicked, this, [this](bool on) {
        FFrame.SetDropShadow(on);
        refresh();
    });
    connect(FShadowWidthCB, &QComboBox::currentTextChanged, this, [this] {
        widthEdited(FShadowWidthCB, FShadowWidth);
        if (!FUpdating) {
            FFrame.SetShadowWidth(FShadowWidth);
            refresh();
        }
    });
    FShadowColorCB->OnChange = [this] {
        if (FUpdating)
            return;
        FFrame.SetShadowColor(FShadowColorCB->Color());
        refresh();
    };
    connect(FLineWidthCB, &QComboBox::currentTextChanged, this,
            [this] { widthEdited(FLineWidthCB, FLineWidth); });
    kavDesignerDialog(*this, u"TkavFrameEditorForm"_s);
    load(TkavFrame());
}

TkavFrameEditorForm::~TkavFrameEditorForm() = default;

QToolButton *TkavFrameEditorForm::sideButton(const char *name, const char16_t *hint, int image)
{
    auto *b = new QToolButton;
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(QIcon(QPixmap::fromImage(kavResourceTable().GetMainButtonImages().value(image))));
    b->setToolTip(kavDialogText(hint));
    b->setCheckable(true);
    b->setAutoRaise(true);
    return b;
}

// A valid text becomes the width at once; a bad one keeps the previous width.
void TkavFrameEditorForm::widthEdited(QComboBox *box, double &target)
{
    const std::optional<double> value = kavReadWidth(box->currentText());
    if (value)
        target = *value;
    setMark(box, false);
}

void TkavFrameEditorForm::load(const TkavFrame &frame)
{
    FFrame.Assign(frame);
    FUpdating = true;
    FLineWidth = frame.Width();
    FLineWidthCB->setEditText(FloatToStr(frame.Width()));
    FLineColorCB->SetColor(frame.Color());
    FLineStyleC->SetStyle(frame.Style());
    FShadowWidth = frame.ShadowWidth();
    FShadowWidthCB->setEditText(FloatToStr(frame.ShadowWidth()));
    FUpdating = false;
    refresh();
}

void TkavFrameEditorForm::refresh()
{
    FUpdating = true;
    for (int side : {ftLeft, ftRight, ftTop, ftBottom})
        FSideB[side]->setChecked(FFrame.Typ().Contains(TkavFrameType(side)));
    FShadowCB->setChecked(FFrame.DropShadow());
    FShadowColorCB->SetColor(FFrame.ShadowColor());
    for (QWidget *w : std::initializer_list<QWidget *>{FShadowWidthCB, FShadowColorCB, FShadowWidthL, FShadowColorL})
        w->setEnabled(FFrame.DropShadow());
    FUpdating = false;
    FSampleC->update();
}

TkavFrameLine &TkavFrameEditorForm::line(TkavFrameType side)
{
    switch (side) {
    case ftLeft:
        return FFrame.LeftLine();
    case ftRight:
        return FFrame.RightLine();
    case ftTop:
        return FFrame.TopLine();
    default:
        return FFrame.BottomLine();
    }
}

bool TkavFrameEditorForm::hasCurrentLook(const TkavFrameLine &l) const
{
    return l.Style() == FLineStyleC->Style() && std::abs(l.Width() - FLineWidth) < 0.0001
           && l.Color() == FLineColorCB->Color();
}

void TkavFrameEditorForm::ToggleSide(TkavFrameType side, bool pressed)
{
    TkavFrameLine &l = line(side);
    TkavFrameTypes typ = FFrame.Typ();
    if (!pressed && hasCurrentLook(l)) {
        typ.Exclude(side);
    } else {
        typ.Include(side);
        l.SetStyle(FLineStyleC->Style());
        l.SetWidth(FLineWidth);
        l.SetColor(FLineColorCB->Color());
    }
    FFrame.SetTyp(typ);
    refresh();
}

void TkavFrameEditorForm::SampleClick(QPoint pos)
{
    const int w = FSampleC->width(), h = FSampleC->height(), x = pos.x(), y = pos.y();
    std::optional<TkavFrameType> side;
    if (x > 12 && x < w - 12 && y > 5 && y < 18)
        side = ftTop;
    else if (x > 12 && x < w - 12 && y > h - 18 && y < h - 5)
        side = ftBottom;
    else if (x > 5 && x < 18 && y > 12 && y < h - 12)
        side = ftLeft;
    else if (x > w - 18 && x < w - 5 && y > 12 && y < h - 12)
        side = ftRight;
    if (side)
        ToggleSide(*side, !FFrame.Typ().Contains(*side));
}

void TkavFrameEditorForm::SetAllLines()
{
    FFrame.SetTyp({ftLeft, ftRight, ftTop, ftBottom});
    FFrame.SetStyle(FLineStyleC->Style());
    FFrame.SetWidth(FLineWidth);
    FFrame.SetColor(FLineColorCB->Color());
    refresh();
}

void TkavFrameEditorForm::SetNoLines()
{
    FFrame.SetTyp({});
    refresh();
}

bool TkavFrameEditorForm::validate()
{
    bool ok = true;
    for (QComboBox *box : {FLineWidthCB, FShadowWidthCB}) {
        const bool bad = !kavReadWidth(box->currentText());
        setMark(box, bad);
        if (bad && ok)
            box->setFocus();
        ok = ok && !bad;
    }
    return ok;
}

void TkavFrameEditorForm::accept()
{
    if (validate())
        QDialog::accept();
}
