#pragma once

// TkavPageEditorForm: the page options dialog (paper, margins, trays, columns and page
// flags of a report page), every length shown in the designer's units. kavEditPageOptions
// opens it on a page and writes the result into the page and its subreports' pages.

#include <designer/document/kavDesgnSettings.h>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class TkavReportPage;

class TkavPageEditorForm : public QDialog
{
public:
    explicit TkavPageEditorForm(TkavDesignerUnits units, QWidget *parent = nullptr);
    ~TkavPageEditorForm() override;

    void load(const TkavReportPage &page);
    // Every number field is read before anything is written: false marks (property
    // "invalid") and focuses the first field that is not a valid length.
    bool validate();
    // Writes the fields into page (only after validate() succeeded).
    void apply(TkavReportPage &page) const;
    // OK closes only when every field is valid.
    void accept() override;

private:
    QWidget *createPaperPage();
    QWidget *createOptionsPage();
    QLineEdit *lengthEdit(const char *name);
    QLabel *unitLabel();
    double units(const QLineEdit *edit) const; // the edit's value (0 when not a number)
    bool readLength(QLineEdit *edit, bool positive); // validates one edit, marking it
    void showLength(QLineEdit *edit, double mm, bool x);
    double lengthMM(const QLineEdit *edit, bool x) const;
    int paperNumber() const;
    void showPaper(); // the chosen paper's size in the chosen orientation
    void orientationChanged(bool portrait);
    void columnsChanged(int count);
    void markInvalid(QWidget *field, const QString &message);

    TkavDesignerUnits FUnits;
    bool FUpdating = false;
    QTabWidget *FTabs = nullptr;
    QComboBox *FSizeCB = nullptr;
    QLineEdit *FWidthE = nullptr;
    QLineEdit *FHeightE = nullptr;
    QRadioButton *FPortraitRB = nullptr;
    QRadioButton *FLandscapeRB = nullptr;
    QLineEdit *FMarginLeftE = nullptr;
    QLineEdit *FMarginTopE = nullptr;
    QLineEdit *FMarginRightE = nullptr;
    QLineEdit *FMarginBottomE = nullptr;
    QComboBox *FTray1CB = nullptr;
    QComboBox *FTray2CB = nullptr;
    QSpinBox *FUpDown1 = nullptr;
    QLineEdit *FColumnWidthE = nullptr;
    QPlainTextEdit *FColumnPositionsM = nullptr;
    QCheckBox *FPrintOnPrevCB = nullptr;
    QCheckBox *FMirrorMarginsCB = nullptr;
    QCheckBox *FLargeHeightCB = nullptr;
    QCheckBox *FEndlessWidthCB = nullptr;
    QCheckBox *FEndlessHeightCB = nullptr;
    QComboBox *FDuplexCB = nullptr;
};

// Opens the dialog on page; on OK the page and the page of every subreport on it take the
// settings. True when confirmed.
bool kavEditPageOptions(TkavReportPage &page, TkavDesignerUnits units, QWidget *parent = nullptr);
