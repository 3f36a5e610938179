#pragma once

// TkavSysMemoEditorForm: the system memo dialog. It builds a memo text from a system
// variable, an aggregate over a data band (with a live sample of its text) or a typed text;
// in aggregate-only mode (Insert Aggregate of the memo editor) it offers the aggregate alone.

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;
class TkavCustomMemoView;
class TkavReport;

class TkavSysMemoEditorForm : public QDialog
{
public:
    TkavSysMemoEditorForm(TkavReport &report, bool aggregateOnly = false, QWidget *parent = nullptr);
    ~TkavSysMemoEditorForm() override;

    // The data bands of the memo's page; outside aggregate-only mode also the option the
    // memo's text stands for.
    void load(const TkavCustomMemoView &memo);
    // An aggregate needs its band (COUNT) or a field or expression (the others); false marks
    // the missing field (property "invalid") and keeps the dialog open.
    bool validate();
    // The memo's text becomes ResultText.
    void apply(TkavCustomMemoView &memo) const;
    void accept() override;

    // The chosen variable, the aggregate in the memo's delimiters, or the typed text.
    QString ResultText() const;
    // The aggregate as the sample shows it: SUM(<Orders."Amount">,MasterData1,2).
    QString AggregateText() const;

private:
    QGroupBox *createAggregatePart();
    void dataBandChanged();
    void dataSetChanged();
    void fillFields();
    void optionChanged();
    void updateSample();
    void editExpression();
    void markInvalid(QWidget *field);

    TkavReport &FReport;
    const bool FAggregateOnly;
    QString FOpen = QStringLiteral("[");
    QString FClose = QStringLiteral("]");
    bool FUpdating = false;
    QRadioButton *FSysVariableRB = nullptr;
    QRadioButton *FAggregateRB = nullptr;
    QRadioButton *FTextRB = nullptr;
    QComboBox *FSysVariableCB = nullptr;
    QLineEdit *FTextE = nullptr;
    QGroupBox *FAggregateGB = nullptr;
    QComboBox *FDataBandCB = nullptr;
    QComboBox *FDataSetCB = nullptr;
    QComboBox *FDataFieldCB = nullptr;
    QComboBox *FFunctionCB = nullptr;
    QLineEdit *FExpressionE = nullptr;
    QToolButton *FExpressionB = nullptr;
    QCheckBox *FCountInvisibleCB = nullptr;
    QCheckBox *FRunningTotalCB = nullptr;
    QLabel *FSampleL = nullptr;
};

// Opens the dialog on memo with text (its current text); on OK text holds the new one.
bool kavEditSysMemo(TkavCustomMemoView &memo, QString &text, QWidget *parent = nullptr);
