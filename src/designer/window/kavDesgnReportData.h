#pragma once

// TkavReportDataForm: the "Data..." dialog, a check list of the data sets a report may use;
// on OK the checked ones become the report's DataSets. The choosing is plain functions so it
// is tested without the dialog.

#include <QDialog>
#include <QList>

class QListWidget;
class TkavDataSet;
class TkavReport;

// The data sets the dialog offers, by user name: the report's enabled data sets when it has
// any, else the active list; data sets of another report are left out.
QList<TkavDataSet *> kavReportDataCandidates(const TkavReport &report);
// The report's DataSets become checked, in the given order.
void kavSetReportDataSets(TkavReport &report, const QList<TkavDataSet *> &checked);

class TkavReportDataForm : public QDialog
{
public:
    explicit TkavReportDataForm(TkavReport &report, QWidget *parent = nullptr);
    ~TkavReportDataForm() override;

    QListWidget &DatasetsLB() const { return *FDatasetsLB; }
    // The checked candidates, in list order.
    QList<TkavDataSet *> Checked() const;

private:
    QListWidget *FDatasetsLB;
    QList<TkavDataSet *> FCandidates;
};
