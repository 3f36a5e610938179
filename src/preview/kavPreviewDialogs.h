#pragma once

// The dialogs of the preview: text search, the settings of a prepared page, and the
// options of an export (the file, the pages and what the chosen filter offers).

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class TkavCustomExportFilter;
class TkavReport;
class TkavReportPage;

class TkavSearchDialog : public QDialog
{
public:
    TkavSearchDialog(const QString &Text, bool CaseSensitive, QWidget *Parent = nullptr);
    QString Text() const;
    bool CaseSensitive() const;
    bool FromTop() const;
    QLineEdit *TextEdit() const { return FText; }

private:
    QLineEdit *FText;
    QCheckBox *FCaseSensitive;
    QCheckBox *FFromTop;
};

// Sizes in centimetres; the paper list holds the current printer's papers.
class TkavPageSetupDialog : public QDialog
{
public:
    explicit TkavPageSetupDialog(const TkavReportPage &Page, QWidget *Parent = nullptr);
    // Writes orientation, paper width and height, paper size and the four margins into Page
    // and lets it align its children again.
    void Apply(TkavReportPage &Page) const;
    bool ApplyToAll() const;

private:
    void paperChosen();
    void sizeTyped();

    QComboBox *FPaper;
    QDoubleSpinBox *FWidth;
    QDoubleSpinBox *FHeight;
    QRadioButton *FPortrait;
    QRadioButton *FLandscape;
    QDoubleSpinBox *FMargins[4]; // left, right, top, bottom
    QRadioButton *FCurrentPage;
    QRadioButton *FAllPages;
    bool FFilling = false;
};

class TkavExportDialog : public QDialog
{
public:
    TkavExportDialog(TkavCustomExportFilter &Filter,
                     TkavReport &Report,
                     int PageNo,
                     int PageCount,
                     QWidget *Parent = nullptr);
    // Writes the choices into the filter.
    void Apply();
    QLineEdit *FileEdit() const { return FFile; }

private:
    void browse();
    void addFilterOptions(class QFormLayout &Form);

    TkavCustomExportFilter &FFilter;
    int FPageNo;
    QLineEdit *FFile;
    QRadioButton *FAll;
    QRadioButton *FCurrent;
    QRadioButton *FRange;
    QLineEdit *FPages;
    QCheckBox *FDataOnly;
    QCheckBox *FSuppress;
    // Options of particular filters (null when the filter has none of that kind).
    QSpinBox *FResolution = nullptr;
    QSpinBox *FQuality = nullptr;
    QCheckBox *FOutline = nullptr;
    QCheckBox *FMultipage = nullptr;
    QCheckBox *FEmbed = nullptr;
    QCheckBox *FPageBreaks = nullptr;
    QCheckBox *FCRLF = nullptr;
    QCheckBox *FCommands = nullptr;
    QComboBox *FSeparator = nullptr;
};
