#include "kavDesgnSysMemoEditor.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"
#include "kavDesgnFormatEditor.h"

#include <designer/trees/kavDesgnExprEditor.h>
#include <persist/kavRes.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavStrings.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QStringList systemVariables()
{
    QStringList result;
    for (int i = 1; i <= 6; ++i)
        result << kavResourceTable().Get(u"vt"_s + QString::number(i));
    return result;
}

QComboBox *combo(const char *name)
{
    auto *box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setMinimumContentsLength(16);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return box;
}

// The text without one trailing line break (CR LF or LF), when it has one.
QString withoutFinalBreak(QString text)
{
    if (text.endsWith(u"\r\n"_s))
        text.chop(2);
    else if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

} // namespace

TkavSysMemoEditorForm::TkavSysMemoEditorForm(TkavReport &report, bool aggregateOnly, QWidget *parent)
    : QDialog(parent)
    , FReport(report)
    , FAggregateOnly(aggregateOnly)
{
    setObjectName(u"SysMemoEditorForm"_s);
    setWindowTitle(kavDialogText(aggregateOnly ? "agAggregate" : "3300"));
    auto *layout = new QVBoxLayout(this);
    FAggregateGB = createAggregatePart();
    if (aggregateOnly) {
        layout->addWidget(FAggregateGB);
    } else {
        auto *group = new QButtonGroup(this);
        auto radio = [group](const char *name, const char *key) {
            auto *rb = new QRadioButton(kavDialogText(key));
            rb->setObjectName(QString::fromLatin1(name));
            group->addButton(rb);
            return rb;
        };
        FSysVariableRB = radio("SysVariableRB", "3307");
        FAggregateRB = radio("AggregateRB", "3306");
        FTextRB = radio("TextRB", "3309");
        FSysVariableCB = combo("SysVariableCB");
        FSysVariableCB->addItems(systemVariables());
        FTextE = new QLineEdit;
        FTextE->setObjectName(u"TextE"_s);
        auto *grid = new QGridLayout;
        grid->addWidget(FSysVariableRB, 0, 0);
        grid->addWidget(FSysVariableCB, 0, 1);
        grid->addWidget(FAggregateRB, 1, 0, 1, 2);
        grid->addWidget(FAggregateGB, 2, 0, 1, 2);
        grid->addWidget(FTextRB, 3, 0);
        grid->addWidget(FTextE, 3, 1);
        grid->setColumnStretch(1, 1);
        layout->addLayout(grid);
        connect(group, &QButtonGroup::buttonToggled, this, [this] { optionChanged(); });
        FSysVariableRB->setChecked(true);
    }
    layout->addWidget(kavOkCancelButtons(*this));
    layout->setSizeConstraint(QLayout::SetFixedSize); // aggregate-only shrinks to its part
    kavDesignerDialog(*this, u"TkavSysMemoEditorForm"_s);
    optionChanged();
    updateSample();
}

TkavSysMemoEditorForm::~TkavSysMemoEditorForm() = default;

QGroupBox *TkavSysMemoEditorForm::createAggregatePart()
{
    auto *box = new QGroupBox;
    box->setObjectName(u"AggregateGB"_s);
    FDataBandCB = combo("DataBandCB");
    FDataSetCB = combo("DataSetCB");
    FDataFieldCB = combo("DataFieldCB");
    FFunctionCB = combo("FunctionCB");
    FFunctionCB->addItems({u"SUM"_s, u"MIN"_s, u"MAX"_s, u"AVG"_s, u"COUNT"_s});
    FExpressionE = new QLineEdit;
    FExpressionE->setObjectName(u"ExpressionE"_s);
    FExpressionB = new QToolButton;
    FExpressionB->setObjectName(u"ExpressionB"_s);
    FExpressionB->setText(u"..."_s);
    FCountInvisibleCB = new QCheckBox(kavDialogText("3308"));
    FCountInvisibleCB->setObjectName(u"CountInvisibleCB"_s);
    FRunningTotalCB = new QCheckBox(kavDialogText("3310"));
    FRunningTotalCB->setObjectName(u"RunningTotalCB"_s);
    FSampleL = new QLabel;
    FSampleL->setObjectName(u"SampleL"_s);
    FSampleL->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FSampleL->setFrameShape(QFrame::StyledPanel);

    TStringList dataSets;
    FReport.GetDataSetList(dataSets);
    FDataSetCB->addItem(QString());
    FDataSetCB->addItems(dataSets.ToStringList());

    auto *expressionRow = new QHBoxLayout;
    expressionRow->addWidget(FExpressionE, 1);
    expressionRow->addWidget(FExpressionB);
    auto *form = new QFormLayout(box);
    form->addRow(kavDialogText("3304"), FFunctionCB);
    form->addRow(kavDialogText("3301"), FDataBandCB);
    form->addRow(kavDialogText("3302"), FDataSetCB);
    form->addRow(kavDialogText("3303"), FDataFieldCB);
    form->addRow(kavDialogText("3305"), expressionRow);
    form->addRow(FCountInvisibleCB);
    form->addRow(FRunningTotalCB);
    form->addRow(FSampleL);

    connect(FDataBandCB, &QComboBox::currentIndexChanged, this, [this] {
        if (!FUpdating)
            dataBandChanged();
    });
    connect(FDataSetCB, &QComboBox::currentIndexChanged, this, [this] {
        if (!FUpdating)
            dataSetChanged();
    });
    connect(FDataFieldCB, &QComboBox::currentIndexChanged, this, [this] {
        if (FUpdating)
            return;
        FExpressionE->clear();
        updateSample();
    });
    connect(FFunctionCB, &QComboBox::currentIndexChanged, this, [this] { updateSample(); });
    connect(FExpressionE, &QLineEdit::textChanged, this, [this] { updateSample(); });
    connect(FExpressionB, &QToolButton::clicked, this, [this] { editExpression(); });
    for (QCheckBox *cb : {FCountInvisibleCB, FRunningTotalCB})
        connect(cb, &QCheckBox::toggled, this, [this] { updateSample(); });
    return box;
}

void TkavSysMemoEditorForm::load(const TkavCustomMemoView &memo)
{
    std::tie(FOpen, FClose) = kavMemoDelimiters(memo);
    if (FOpen.isEmpty() || FClose.isEmpty())
        std::tie(FOpen, FClose) = std::pair{u"["_s, u"]"_s};
    FUpdating = true;
    FDataBandCB->clear();
    FDataBandCB->addItem(QString());
    if (const TkavComponent *page = memo.Page())
        for (const TkavComponent *c : page->AllObjects())
            if (dynamic_cast<const TkavDataBand *>(c))
                FDataBandCB->addItem(c->Name());
    FDataBandCB->setCurrentIndex(FDataBandCB->count() > 1 ? 1 : 0);
    FUpdating = false;
    dataBandChanged();
    if (FAggregateOnly)
        return;
    const QString text = withoutFinalBreak(memo.Text());
    if (!text.isEmpty() && !systemVariables().contains(text)) {
        FTextRB->setChecked(true);
        FTextE->setText(text);
    } else {
        FSysVariableRB->setChecked(true);
        FSysVariableCB->setCurrentIndex(std::max(FSysVariableCB->findText(text), 0));
    }
}

void TkavSysMemoEditorForm::dataBandChanged()
{
    const auto *band = dynamic_cast<const TkavDataBand *>(
        FReport.FindObject(FDataBandCB->currentText()));
    if (band && band->DataSet() && !dynamic_cast<const TkavUserDataSet *>(band->DataSet())) {
        const int index = FDataSetCB->findText(FReport.GetAlias(band->DataSet()));
        if (index >= 0 && index != FDataSetCB->currentIndex()) {
            FDataSetCB->setCurrentIndex(index); // refreshes the fields
            return;
        }
    }
    updateSample();
}

void TkavSysMemoEditorForm::dataSetChanged()
{
    fillFields();
    FExpressionE->clear();
    updateSample();
}

void TkavSysMemoEditorForm::fillFields()
{
    FUpdating = true;
    FDataFieldCB->clear();
    if (TkavDataSet *ds = FReport.GetDataset(FDataSetCB->currentText())) {
        TStringList fields;
        ds->GetFieldList(fields);
        FDataFieldCB->addItems(fields.ToStringList());
    }
    FUpdating = false;
}

void TkavSysMemoEditorForm::optionChanged()
{
    if (FAggregateOnly)
        return;
    FSysVariableCB->setEnabled(FSysVariableRB->isChecked());
    FAggregateGB->setEnabled(FAggregateRB->isChecked());
    FTextE->setEnabled(FTextRB->isChecked());
}

QString TkavSysMemoEditorForm::AggregateText() const
{
    const int flags = (FCountInvisibleCB->isChecked() ? 1 : 0) + (FRunningTotalCB->isChecked() ? 2 : 0);
    const QString band = FDataBandCB->currentText();
    const QString function = FFunctionCB->currentText();
    QString text = function + u'(';
    if (function == u"COUNT"_s) {
        text += band;
    } else {
        const QString expression = FExpressionE->text();
        text += !expression.isEmpty() ? expression
                                      : u'<' + FDataSetCB->currentText() + u".\""_s
                                            + FDataFieldCB->currentText() + u"\">"_s;
        if (!band.isEmpty())
            text += u',' + band;
    }
    if (flags != 0)
        text += u',' + QString::number(flags);
    return text + u')';
}

void TkavSysMemoEditorForm::updateSample()
{
    if (FSampleL)
        FSampleL->setText(AggregateText());
}

void TkavSysMemoEditorForm::editExpression()
{
    const QString expression = TkavExprEditorForm::InsertExpression(FReport, FExpressionE->text(), this);
    if (!expression.isEmpty())
        FExpressionE->setText(expression);
}

QString TkavSysMemoEditorForm::ResultText() const
{
    if (FAggregateOnly || FAggregateRB->isChecked())
        return FOpen + AggregateText() + FClose;
    if (FTextRB->isChecked())
        return FTextE->text();
    return FSysVariableCB->currentText();
}

void TkavSysMemoEditorForm::markInvalid(QWidget *field)
{
    field->setProperty("invalid", true);
    field->setStyleSheet(u"border: 1px solid red"_s);
    field->setFocus();
}

bool TkavSysMemoEditorForm::validate()
{
    for (QWidget *field : {static_cast<QWidget *>(FDataBandCB), static_cast<QWidget *>(FExpressionE)}) {
        field->setProperty("invalid", false);
        field->setStyleSheet(QString());
    }
    if (!FAggregateOnly && !FAggregateRB->isChecked())
        return true;
    const bool flags = FCountInvisibleCB->isChecked() || FRunningTotalCB->isChecked();
    // COUNT counts a band's rows; flags follow the band, so they need one too.
    if (FDataBandCB->currentText().isEmpty() && (FFunctionCB->currentText() == u"COUNT"_s || flags)) {
        markInvalid(FDataBandCB);
        return false;
    }
    if (FFunctionCB->currentText() != u"COUNT"_s && FExpressionE->text().trimmed().isEmpty()
        && (FDataSetCB->currentText().isEmpty() || FDataFieldCB->currentText().isEmpty())) {
        markInvalid(FExpressionE);
        return false;
    }
    return true;
}

void TkavSysMemoEditorForm::accept()
{
    if (validate())
        QDialog::accept();
}

void TkavSysMemoEditorForm::apply(TkavCustomMemoView &memo) const
{
    memo.SetText(ResultText());
}

bool kavEditSysMemo(TkavCustomMemoView &memo, QString &text, QWidget *parent)
{
    TkavReport *report = memo.Report();
    if (!report)
        return false;
    TkavSysMemoEditorForm dialog(*report, false, parent ? parent : QApplication::activeWindow());
    dialog.load(memo);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = dialog.ResultText();
    return true;
}
