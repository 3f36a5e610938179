#pragma once

// TkavReportDataForm: the "Data..." dialog. It checks the data sets a report uses and on OK
// they become its DataSets; in a standalone designer it offers the stored connection names
// instead (one at most) and sets ReportOptions.ConnectionName. The choosing is plain
// functions so it is tested without the dialog.

#include <QDialog>
#include <QList>
#include <QStringList>

class QListWidget;
class QListWidgetItem;
class TkavDataSet;
class TkavReport;

// The data sets the dialog offers, by user name: the report's enabled data sets when it has
// any, else the active list; data sets of another report are left out.
QList<TkavDataSet *> kavReportDataCandidates(const TkavReport &report);
// The report's DataSets become checked, in the given order.
void kavSetReportDataSets(TkavReport &report, const QList<TkavDataSet *> &checked);
// The connection names of both stores, machine-wide first, each name once.
QStringList kavConnectionNames();

class TkavReportDataForm : public QDialog
{
public:
    // standalone: connection names instead of data sets.
    explicit TkavReportDataForm(bool standalone = false, QWidget *parent = nullptr);
    ~TkavReportDataForm() override;

    bool Standalone() const { return FStandalone; }
    void load(const TkavReport &report);
    // The checked data sets become the report's DataSets, or the checked connection its
    // ConnectionName (empty when none is checked).
    void apply(TkavReport &report) const;

    QListWidget &DatasetsLB() const { return *FDatasetsLB; }
    // The checked candidates, in list order (data sets only).
    QList<TkavDataSet *> Checked() const;

private:
    // One choice at most among connections.
    void itemChanged(QListWidgetItem *item);

    bool FStandalone;
    QListWidget *FDatasetsLB;
    QList<TkavDataSet *> FCandidates;
};
