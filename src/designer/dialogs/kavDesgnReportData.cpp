#include "kavDesgnReportData.h"

#include "kavDesgnDialogPlace.h"

#include <persist/kavRes.h>
#include <report/kavConnections.h>
#include <report/kavDataSets.h>
#include <report/kavReport.h>
#include <report/kavReportOptions.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavStrings.h>

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
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

QStringList kavConnectionNames()
{
    QStringList names;
    for (const bool machineWide : {true, false})
        for (const TkavConnection &c : kavReadConnections(machineWide))
            if (!std::any_of(names.cbegin(), names.cend(), [&](const QString &n) { return kavSameText(n, c.Name); }))
                names.append(c.Name);
    return names;
}

TkavReportDataForm::TkavReportDataForm(bool standalone, QWidget *parent)
    : QDialog(parent)
    , FStandalone(standalone)
    , FDatasetsLB(new QListWidget(this))
{
    setObjectName(u"ReportDataForm"_s);
    setWindowTitle(kavGet(standalone ? 5800 : 2800));
    kavDesignerDialog(*this, u"TkavReportDataForm"_s);
    FDatasetsLB->setObjectName(u"DatasetsLB"_s);
    connect(FDatasetsLB, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) { itemChanged(item); });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(u"OKB"_s);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(u"CancelB"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(FDatasetsLB);
    layout->addWidget(buttons);
    resize(320, 300);
}

TkavReportDataForm::~TkavReportDataForm() = default;

void TkavReportDataForm::load(const TkavReport &report)
{
    const QSignalBlocker quiet(FDatasetsLB);
    FDatasetsLB->clear();
    const auto add = [this](const QString &text, bool checked) {
        auto *item = new QListWidgetItem(text, FDatasetsLB);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    };
    if (FStandalone) {
        FCandidates.clear();
        const QString current = report.ReportOptions().ConnectionName();
        bool taken = false; // equal names ignoring case: the first one
        for (const QString &name : kavConnectionNames()) {
            const bool checked = !taken && kavSameText(name, current);
            taken = taken || checked;
            add(name, checked);
        }
        return;
    }
    FCandidates = kavReportDataCandidates(report);
    for (TkavDataSet *dataSet : std::as_const(FCandidates))
        add(dataSet->UserName(), report.DataSets().Find(dataSet) != nullptr);
}

void TkavReportDataForm::apply(TkavReport &report) const
{
    if (!FStandalone) {
        kavSetReportDataSets(report, Checked());
        return;
    }
    QString chosen;
    for (int i = 0; i < FDatasetsLB->count(); ++i)
        if (FDatasetsLB->item(i)->checkState() == Qt::Checked)
            chosen = FDatasetsLB->item(i)->text();
    report.ReportOptions().SetConnectionName(chosen);
}

QList<TkavDataSet *> TkavReportDataForm::Checked() const
{
    QList<TkavDataSet *> result;
    for (int i = 0; i < FDatasetsLB->count() && i < FCandidates.size(); ++i)
        if (FDatasetsLB->item(i)->checkState() == Qt::Checked)
            result.append(FCandidates.at(i));
    return result;
}

void TkavReportDataForm::itemChanged(QListWidgetItem *item)
{
    if (!FStandalone || item->checkState() != Qt::Checked)
        return;
    const QSignalBlocker quiet(FDatasetsLB);
    for (int i = 0; i < FDatasetsLB->count(); ++i)
        if (FDatasetsLB->item(i) != item)
            FDatasetsLB->item(i)->setCheckState(Qt::Unchecked);
}
