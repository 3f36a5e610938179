#include "kavDesgnBandEditors.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"

#include <designer/trees/kavDesgnExprEditor.h>
#include <persist/kavRes.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavReport.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStrings.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The data tree's icon of a data set among the main button images.
constexpr int dataSetImage = 72;
constexpr int expressionImage = 70;

QStringList dataSetNames(const TkavReport *report)
{
    TStringList list;
    if (report)
        report->GetDataSetList(list);
    return list.ToStringList();
}

// The field names of a data set; a data set that cannot be read gives what it listed.
QStringList fieldNames(TkavDataSet *dataSet)
{
    TStringList list;
    if (dataSet) {
        try {
            dataSet->GetFieldList(list);
        } catch (const Exception &) {
        }
    }
    return list.ToStringList();
}

QToolButton *expressionButton(const char *name, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(QIcon(QPixmap::fromImage(kavResourceTable().GetMainButtonImages().value(expressionImage))));
    b->setText(u"..."_s);
    b->setToolTip(kavDialogText("4400"));
    return b;
}

QCheckBox *checkBox(const char *name, const char *key, QWidget *parent)
{
    auto *box = new QCheckBox(kavDialogText(key), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

// The expression editor over text; text is replaced only by a confirmed, non-empty result.
void editExpressionOf(TkavReport *report, QLineEdit *edit, QWidget *parent)
{
    if (!report)
        return;
    const QString text = TkavExprEditorForm::InsertExpression(*report, edit->text(), parent);
    if (!text.isEmpty())
        edit->setText(text);
}

} // namespace

// --- the group dialog ---------------------------------------------------------------------

TkavGroupEditorForm::TkavGroupEditorForm(QWidget *parent)
    : QDialog(parent)
    , FDataFieldRB(new QRadioButton(kavDialogText("3203"), this))
    , FExpressionRB(new QRadioButton(kavDialogText("3204"), this))
    , FDataSetCB(new QComboBox(this))
    , FDataFieldLB(new QListWidget(this))
    , FExpressionE(new QLineEdit(this))
    , FExpressionB(expressionButton("ExpressionB", this))
    , FKeepTogetherCB(checkBox("KeepTogetherCB", "3205", this))
    , FStartNewPageCB(checkBox("StartNewPageCB", "3206", this))
    , FOutlineCB(checkBox("OutlineCB", "3207", this))
    , FDrillDownCB(checkBox("DrillDownCB", "bvDrillDown", this))
    , FResetPageNumbersCB(checkBox("ResetPageNumbersCB", "bvResetPageNo", this))
{
    setObjectName(u"TkavGroupEditorForm"_s);
    setWindowTitle(kavDialogText("3200"));
    FDataFieldRB->setObjectName(u"DataFieldRB"_s);
    FExpressionRB->setObjectName(u"ExpressionRB"_s);
    FDataSetCB->setObjectName(u"DataSetCB"_s);
    FDataFieldLB->setObjectName(u"DataFieldLB"_s);
    FExpressionE->setObjectName(u"ExpressionE"_s);

    auto *breakOn = new QGroupBox(kavDialogText("3201"), this);
    auto *breakGrid = new QGridLayout(breakOn);
    breakGrid->addWidget(FDataFieldRB, 0, 0, 1, 2);
    breakGrid->addWidget(FDataSetCB, 1, 0, 1, 2);
    breakGrid->addWidget(FDataFieldLB, 2, 0, 1, 2);
    breakGrid->addWidget(FExpressionRB, 3, 0, 1, 2);
    breakGrid->addWidget(FExpressionE, 4, 0);
    breakGrid->addWidget(FExpressionB, 4, 1);
    breakGrid->setRowStretch(2, 1);

    auto *options = new QGroupBox(kavDialogText("3202"), this);
    auto *optionsBox = new QVBoxLayout(options);
    for (QCheckBox *box : {FKeepTogetherCB, FStartNewPageCB, FOutlineCB, FDrillDownCB, FResetPageNumbersCB})
        optionsBox->addWidget(box);
    optionsBox->addStretch();

    auto *columns = new QHBoxLayout;
    columns->addWidget(breakOn, 3);
    columns->addWidget(options, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(kavOkCancelButtons(*this));
    setTabOrder(FDataFieldRB, FDataSetCB);
    setTabOrder(FDataSetCB, FDataFieldLB);
    setTabOrder(FDataFieldLB, FExpressionRB);
    setTabOrder(FExpressionRB, FExpressionE);
    setTabOrder(FExpressionE, FExpressionB);

    connect(FDataFieldRB, &QRadioButton::toggled, this, [this] { updateControls(); });
    connect(FDataSetCB, &QComboBox::currentIndexChanged, this, [this] { showFields(); });
    connect(FExpressionB, &QToolButton::clicked, this, [this] { editExpression(); });
    // A corrected choice loses its mark.
    connect(FDataFieldLB, &QListWidget::currentRowChanged, this, [this] {
        FDataFieldLB->setProperty("invalid", false);
        FDataFieldLB->setStyleSheet(QString());
    });
    kavDesignerDialog(*this, u"TkavGroupEditorForm"_s);
    resize(480, 340);
}

void TkavGroupEditorForm::load(const TkavGroupHeader &band)
{
    FReport = band.Report();
    {
        const QSignalBlocker blocker(FDataSetCB);
        FDataSetCB->clear();
        FDataSetCB->addItems(dataSetNames(FReport));
    }
    const QString condition = band.Condition();
    TkavDataSet *dataSet = nullptr;
    QString field;
    if (FReport)
        FReport->GetDatasetAndField(condition, dataSet, field);
    const int dataSetIndex = dataSet ? FDataSetCB->findText(FReport->GetAlias(dataSet)) : -1;
    FDataSetCB->setCurrentIndex(dataSetIndex >= 0 ? dataSetIndex : 0);
    showFields();
    const QList<QListWidgetItem *> found = FDataFieldLB->findItems(field, Qt::MatchFixedString);
    if (condition.isEmpty() && FDataSetCB->count() > 0) {
        FDataFieldRB->setChecked(true);
        FDataFieldLB->setFocus();
    } else if (dataSetIndex >= 0 && !found.isEmpty()) {
        FDataFieldRB->setChecked(true);
        FDataFieldLB->setCurrentItem(found.first());
    } else {
        // Also DS."A" + DS."B", a field the data set does not list, or no data set to
        // choose from: kept as typed.
        FExpressionRB->setChecked(true);
        FExpressionE->setText(condition);
    }
    FKeepTogetherCB->setChecked(band.KeepTogether());
    FStartNewPageCB->setChecked(band.StartNewPage());
    FOutlineCB->setChecked(!band.OutlineText().trimmed().isEmpty());
    FDrillDownCB->setChecked(band.DrillDown());
    FResetPageNumbersCB->setChecked(band.ResetPageNumbers());
    updateControls();
}

void TkavGroupEditorForm::updateControls()
{
    const bool dataField = FDataFieldRB->isChecked();
    FDataSetCB->setEnabled(dataField);
    FDataFieldLB->setEnabled(dataField);
    FExpressionE->setEnabled(!dataField);
    FExpressionB->setEnabled(!dataField);
}

void TkavGroupEditorForm::showFields()
{
    FDataFieldLB->clear();
    if (FReport && FDataSetCB->currentIndex() >= 0)
        FDataFieldLB->addItems(fieldNames(FReport->GetDataset(FDataSetCB->currentText())));
}

void TkavGroupEditorForm::editExpression()
{
    editExpressionOf(FReport, FExpressionE, this);
}

QString TkavGroupEditorForm::Condition() const
{
    if (!FDataFieldRB->isChecked())
        return FExpressionE->text();
    const QListWidgetItem *field = FDataFieldLB->currentItem();
    return field ? FDataSetCB->currentText() + u".\""_s + field->text() + u'"' : QString();
}

bool TkavGroupEditorForm::validate()
{
    if (!FDataFieldRB->isChecked() || FDataFieldLB->currentItem())
        return true;
    // A data set without a chosen field names nothing.
    FDataFieldLB->setProperty("invalid", true);
    FDataFieldLB->setStyleSheet(u"border: 1px solid red"_s);
    FDataFieldLB->setFocus();
    return false;
}

void TkavGroupEditorForm::accept()
{
    if (validate())
        QDialog::accept();
}

void TkavGroupEditorForm::apply(TkavGroupHeader &band) const
{
    const QString condition = Condition();
    band.SetCondition(condition);
    band.SetKeepTogether(FKeepTogetherCB->isChecked());
    band.SetStartNewPage(FStartNewPageCB->isChecked());
    band.SetDrillDown(FDrillDownCB->isChecked());
    band.SetResetPageNumbers(FResetPageNumbersCB->isChecked());
    // An outline text of the author's own stays; a group shown in the outline without one
    // shows its condition.
    if (!FOutlineCB->isChecked())
        band.SetOutlineText(QString());
    else if (band.OutlineText().trimmed().isEmpty())
        band.SetOutlineText(condition);
}

// --- the data band dialog -----------------------------------------------------------------

TkavDataBandEditorForm::TkavDataBandEditorForm(QWidget *parent)
    : QDialog(parent)
    , FDataSetsLB(new QListWidget(this))
    , FRecordsSE(new QSpinBox(this))
    , FFilterE(new QLineEdit(this))
    , FFilterB(expressionButton("FilterB", this))
{
    setObjectName(u"TkavDataBandEditorForm"_s);
    setWindowTitle(kavDialogText("3100"));
    FDataSetsLB->setObjectName(u"DataSetsLB"_s);
    FRecordsSE->setObjectName(u"RecordsSE"_s);
    FRecordsSE->setRange(0, std::numeric_limits<int>::max());
    FFilterE->setObjectName(u"FilterE"_s);

    auto *dataSets = new QGroupBox(kavDialogText("3102"), this);
    auto *dataSetsBox = new QVBoxLayout(dataSets);
    dataSetsBox->addWidget(FDataSetsLB);
    auto *records = new QHBoxLayout;
    auto *recordsL = new QLabel(kavDialogText("3101"), this);
    recordsL->setBuddy(FRecordsSE);
    records->addWidget(recordsL);
    records->addWidget(FRecordsSE);
    records->addStretch();
    dataSetsBox->addLayout(records);

    auto *filter = new QGroupBox(kavDialogText("3103"), this);
    auto *filterBox = new QHBoxLayout(filter);
    filterBox->addWidget(FFilterE, 1);
    filterBox->addWidget(FFilterB);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(dataSets, 1);
    layout->addWidget(filter);
    layout->addWidget(kavOkCancelButtons(*this));

    // A data set counts its own records; the typed count is for a band without one.
    connect(FDataSetsLB, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!FLoading && row > 0)
            FRecordsSE->setValue(0);
    });
    connect(FDataSetsLB, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(FFilterB, &QToolButton::clicked, this, [this] { editFilter(); });
    kavDesignerDialog(*this, u"TkavDataBandEditorForm"_s);
    resize(340, 400);
}

void TkavDataBandEditorForm::load(const TkavDataBand &band)
{
    const QScopedValueRollback loading(FLoading, true);
    FReport = band.Report();
    FDataSetsLB->clear();
    FDataSetsLB->addItem(kavDialogText("dbNotAssigned"));
    QStringList names = dataSetNames(FReport);
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    const QIcon icon(QPixmap::fromImage(kavResourceTable().GetMainButtonImages().value(dataSetImage)));
    for (const QString &name : names)
        FDataSetsLB->addItem(new QListWidgetItem(icon, name));
    const int row = band.DataSet() && FReport ? int(names.indexOf(FReport->GetAlias(band.DataSet()))) + 1 : 0;
    FDataSetsLB->setCurrentRow(std::max(row, 0));
    FRecordsSE->setValue(band.RowCount());
    FFilterE->setText(band.Filter());
    FDataSetsLB->setFocus();
}

void TkavDataBandEditorForm::editFilter()
{
    editExpressionOf(FReport, FFilterE, this);
}

void TkavDataBandEditorForm::apply(TkavDataBand &band) const
{
    const int row = FDataSetsLB->currentRow();
    band.SetDataSet(row > 0 && FReport ? FReport->GetDataset(FDataSetsLB->item(row)->text()) : nullptr);
    band.SetRowCount(FRecordsSE->value());
    band.SetFilter(FFilterE->text());
}

// --- opening them ---------------------------------------------------------------------------

bool kavEditGroup(TkavGroupHeader &band, QWidget *parent)
{
    TkavGroupEditorForm dialog(parent ? parent : QApplication::activeWindow());
    dialog.load(band);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.apply(band);
    return true;
}

bool kavEditDataBand(TkavDataBand &band, QWidget *parent)
{
    TkavDataBandEditorForm dialog(parent ? parent : QApplication::activeWindow());
    dialog.load(band);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.apply(band);
    return true;
}
