#include "kavDesgnDialogControls.h"

#include <prepared/kavFonts.h>
#include <report/kavDialogControls.h>
#include <rtl/kavColors.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <memory>

namespace {

QStringList lines(const TStrings &items)
{
    QStringList list;
    for (int i = 0; i < items.Count(); ++i)
        list << items.Strings(i);
    return list;
}

// A widget showing control as a run would (null for classes without one).
std::unique_ptr<QWidget> widgetFor(const TkavDialogControl &control)
{
    if (auto *c = dynamic_cast<const TkavLabelControl *>(&control)) {
        auto label = std::make_unique<QLabel>(c->Caption());
        label->setWordWrap(c->WordWrap());
        label->setAlignment((c->Alignment() == taCenter        ? Qt::AlignHCenter
                             : c->Alignment() == taRightJustify ? Qt::AlignRight
                                                                : Qt::AlignLeft)
                            | Qt::AlignTop);
        return label;
    }
    if (auto *c = dynamic_cast<const TkavEditControl *>(&control))
        return std::make_unique<QLineEdit>(c->Text());
    if (auto *c = dynamic_cast<const TkavDateEditControl *>(&control))
        return std::make_unique<QLineEdit>(c->Text());
    if (auto *c = dynamic_cast<const TkavMemoControl *>(&control))
        return std::make_unique<QPlainTextEdit>(c->Lines().Text());
    if (auto *c = dynamic_cast<const TkavButtonControl *>(&control)) {
        auto button = std::make_unique<QPushButton>(c->Caption());
        button->setDefault(c->Default());
        return button;
    }
    if (auto *c = dynamic_cast<const TkavCheckBoxControl *>(&control)) {
        auto check = std::make_unique<QCheckBox>(c->Caption());
        check->setChecked(c->Checked());
        return check;
    }
    if (auto *c = dynamic_cast<const TkavRadioButtonControl *>(&control)) {
        auto radio = std::make_unique<QRadioButton>(c->Caption());
        radio->setChecked(c->Checked());
        return radio;
    }
    if (auto *c = dynamic_cast<const TkavListBoxControl *>(&control)) {
        auto list = std::make_unique<QListWidget>();
        list->addItems(lines(c->Items()));
        list->setCurrentRow(c->ItemIndex());
        return list;
    }
    if (auto *c = dynamic_cast<const TkavDBLookupComboBox *>(&control)) {
        auto combo = std::make_unique<QComboBox>();
        // The records are read when the dialog runs: the design shows the key wanted.
        combo->addItem(c->KeyValue().IsNull() ? c->DataSetName() : c->KeyValue().AsString());
        return combo;
    }
    if (auto *c = dynamic_cast<const TkavComboBoxControl *>(&control)) {
        auto combo = std::make_unique<QComboBox>();
        combo->setEditable(c->Style() != csDropDownList);
        combo->addItems(lines(c->Items()));
        if (c->ItemIndex() >= 0)
            combo->setCurrentIndex(c->ItemIndex());
        else if (combo->isEditable())
            combo->setEditText(c->Text());
        return combo;
    }
    if (auto *c = dynamic_cast<const TkavGroupBoxControl *>(&control))
        return std::make_unique<QGroupBox>(c->Caption());
    if (auto *c = dynamic_cast<const TkavPanelControl *>(&control)) {
        auto panel = std::make_unique<QLabel>(c->Caption());
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        panel->setAlignment(Qt::AlignCenter);
        return panel;
    }
    return nullptr;
}

bool paintControl(TkavDialogControl &control, QPainter &canvas, double x, double y)
{
    std::unique_ptr<QWidget> widget = widgetFor(control);
    if (!widget)
        return false;
    widget->setAttribute(Qt::WA_DontShowOnScreen);
    widget->setFont(kavToQFont(control.Font()));
    widget->setEnabled(control.Enabled());
    widget->resize(std::max(1, int(control.Width())), std::max(1, int(control.Height())));
    widget->ensurePolished();
    canvas.save();
    canvas.translate(x, y);
    widget->render(&canvas, QPoint(), QRegion(), QWidget::DrawChildren);
    canvas.restore();
    return true;
}

} // namespace

void kavInstallDialogControlPainter()
{
    kavSetDialogControlPainter(&paintControl);
}
