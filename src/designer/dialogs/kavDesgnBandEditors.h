#pragma once

// The dialogs behind a double click on a group header (what the group breaks on and its
// options) and on a data band (its data set, record count and filter).

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSpinBox;
class QToolButton;
class TkavDataBand;
class TkavGroupHeader;
class TkavReport;

// The group dialog: the condition is a data set field or an expression.
class TkavGroupEditorForm : public QDialog
{
public:
    explicit TkavGroupEditorForm(QWidget *parent = nullptr);

    void load(const TkavGroupHeader &band);
    // The Data field option needs a field: false marks the field list (property "invalid").
    bool validate();
    void apply(TkavGroupHeader &band) const;
    void accept() override;

    // The condition the controls describe.
    QString Condition() const;

private:
    void updateControls();
    void showFields();
    void editExpression();

    TkavReport *FReport = nullptr;
    QRadioButton *FDataFieldRB;
    QRadioButton *FExpressionRB;
    QComboBox *FDataSetCB;
    QListWidget *FDataFieldLB;
    QLineEdit *FExpressionE;
    QToolButton *FExpressionB;
    QCheckBox *FKeepTogetherCB;
    QCheckBox *FStartNewPageCB;
    QCheckBox *FOutlineCB;
    QCheckBox *FDrillDownCB;
    QCheckBox *FResetPageNumbersCB;
};

// The data band dialog: "not assigned" first, then the report's data sets by name.
class TkavDataBandEditorForm : public QDialog
{
public:
    explicit TkavDataBandEditorForm(QWidget *parent = nullptr);

    void load(const TkavDataBand &band);
    bool validate() { return true; }
    void apply(TkavDataBand &band) const;

private:
    void editFilter();

    TkavReport *FReport = nullptr;
    bool FLoading = false;
    QListWidget *FDataSetsLB;
    QSpinBox *FRecordsSE;
    QLineEdit *FFilterE;
    QToolButton *FFilterB;
};

// Open the dialogs on a band; on OK the band takes the result. True when confirmed.
bool kavEditGroup(TkavGroupHeader &band, QWidget *parent = nullptr);
bool kavEditDataBand(TkavDataBand &band, QWidget *parent = nullptr);
