#pragma once

// TkavReportEditorForm: the report options dialog: printing defaults, password, the
// descriptive information and the report's inheritance from a template report.

#include <QDialog>
#include <QStringList>

#include <memory>

class DesignerDocument;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QTabWidget;
class TkavPicture;
class TkavPictureBox;
class TkavReport;

class TkavReportEditorForm : public QDialog
{
public:
    explicit TkavReportEditorForm(QWidget *parent = nullptr);
    ~TkavReportEditorForm() override;

    // Offers the template reports of templateFolder (see kavTemplateFiles).
    void load(const TkavReport &report, const QString &templateFolder);
    // The copies must be a whole number from 1 to 9999: false marks (property "invalid")
    // and focuses the field; nothing has been written.
    bool validate();
    // Writes printing settings, password, inheritance and description in that order. A
    // change of inheritance reloads the designer (when given); a template that cannot be
    // inherited raises EkavError first, so the caller can put the report back whole.
    void apply(TkavReport &report, DesignerDocument *designer) const;
    void accept() override;
    // PictureB: the picture editor on a copy of the shown picture; OK shows the result.
    void EditPicture();

private:
    QWidget *createGeneralPage();
    QWidget *createDescriptionPage();
    QWidget *createInheritPage();
    void markInvalid(QWidget *field);
    void fillTemplates(const QString &folder);
    // A folder chosen with the browse button or typed: the designer's template folder.
    void chooseFolder(const QString &folder);

    QTabWidget *FPageControl = nullptr;
    QListWidget *FPrintersLB = nullptr;
    QLineEdit *FCopiesE = nullptr;
    QCheckBox *FCollateCB = nullptr;
    QCheckBox *FDoublePassCB = nullptr;
    QCheckBox *FPrintIfEmptyCB = nullptr;
    QLineEdit *FPasswordE = nullptr;
    QLineEdit *FNameE = nullptr;
    QPlainTextEdit *FDescriptionE = nullptr;
    QLineEdit *FAuthorE = nullptr;
    QLineEdit *FMajorE = nullptr;
    QLineEdit *FMinorE = nullptr;
    QLineEdit *FReleaseE = nullptr;
    QLineEdit *FBuildE = nullptr;
    QLabel *FCreated1L = nullptr;
    QLabel *FModified1L = nullptr;
    QLabel *FInheritStateL = nullptr;
    QRadioButton *FDontChangeRB = nullptr;
    QRadioButton *FDetachRB = nullptr;
    QRadioButton *FInheritRB = nullptr;
    QListWidget *FInheritLV = nullptr;
    QLineEdit *FPathE = nullptr;
    QStringList FTemplates; // full names, in list order
    std::unique_ptr<TkavPicture> FPicture; // the one shown
    TkavPictureBox *FPictureImg = nullptr;
};

// The designer's template folder: the setting, or the program's folder when it is empty or ".".
QString kavDesignerTemplateFolder();
// The template reports of folder: its files with the designer's template extension, by name.
QStringList kavTemplateFiles(const QString &folder);
