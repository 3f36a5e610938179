#include "kavDesgnReportData.h"

#include <persist/kavRes.h>
#include <report/kavDataSets.h>
#include <report/kavReport.h>
#include <rtl/kavStrings.h>

#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

QList<TkavDataSet *> kavReportDataCandidates(const TkavReport &report)
{
    QList<TkavDataSet *> result;
    const auto offer = [&](TkavDataSet *dataSet) {
        if (!dataSet || result.contains(dataSet))
            return;
        const TkavReport *owner = dataSet->Report();
        if (owner && owner != &report)
            return;
        result.append(dataSet);
    };
    if (report.EnabledDataSets().Count() > 0) {
        for (int i = 0; i < report.EnabledDataSets().Count(); ++i)
            offer(report.EnabledDataSets().Items(i)->DataSet());
    } else {
        TStringList list;
        report.GetActiveDataSetList(list);
        for (int i = 0; i < list.Count(); ++i)
            offer(dynamic_cast<TkavDataSet *>(list.Objects(i)));
    }
    std::stable_sort(result.begin(), result.end(), [](TkavDataSet *a, TkavDataSet *b) {
        return a->UserName().compare(b->UserName(), Qt::CaseInsensitive) < 0;
    });
    return result;
}

void kavSetReportDataSets(TkavReport &report, const QList<TkavDataSet *> &checked)
{
    report.DataSets().Clear();
    for (TkavDataSet *dataSet : checked)
        report.DataSets().Add(dataSet);
}

namespace {
QSize rememberedSize; // for the process: the dialog opens as it was last closed
}

TkavReportDataForm::TkavReportDataForm(TkavReport &report, QWidget *parent)
    : QDialog(parent)
    , FDatasetsLB(new QListWidget(this))
    , FCandidates(kavReportDataCandidates(report))
{
    setObjectName(u"ReportDataForm"_s);
    setWindowTitle(kavGet(2800));
    FDatasetsLB->setObjectName(u"DatasetsLB"_s);
    for (TkavDataSet *dataSet : std::as_const(FCandidates)) {
        auto *item = new QListWidgetItem(dataSet->UserName(), FDatasetsLB);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(report.DataSets().Find(dataSet) ? Qt::Checked : Qt::Unchecked);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(FDatasetsLB);
    layout->addWidget(buttons);
    resize(rememberedSize.isValid() ? rememberedSize : QSize(320, 300));
}

TkavReportDataForm::~TkavReportDataForm()
{
    rememberedSize = size();
}

QList<TkavDataSet *> TkavReportDataForm::Checked() const
{
    QList<TkavDataSet *> result;
    for (int i = 0; i < FDatasetsLB->count(); ++i)
        if (FDatasetsLB->item(i)->checkState() == Qt::Checked)
            result.append(FCandidates.at(i));
    return result;
}
