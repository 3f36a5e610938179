#pragma once

// TkavHyperlinkEditorForm: what a click on a view in the preview does: open a URL, go to a
// page or an anchor, run a detail report or page, or leave it to the OnClick handler. Each
// kind has its panel of fields; OK writes the view's hyperlink (and, when asked, gives the
// view the look of a link).

#include <QDialog>
#include <QStringList>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QStackedWidget;
class TkavReport;
class TkavView;

// The names a detail's variable may be chosen from: the report's variables, categories
// and empty names left out.
QStringList kavOfferedVariables(const TkavReport &report);
// The same for the report file fileName (relative to owner's folder); empty when the file
// cannot be read. No script runs and no password is asked for.
QStringList kavOfferedVariables(const QString &fileName, const TkavReport *owner);

class TkavHyperlinkEditorForm : public QDialog
{
public:
    explicit TkavHyperlinkEditorForm(TkavView &view, QWidget *parent = nullptr);
    ~TkavHyperlinkEditorForm() override;

    TkavView &View() const { return FView; }

    void load(const TkavView &view);
    bool validate() { return true; }
    // Writes the checked kind's fields into the view's hyperlink; a detail page is hidden
    // from the main run; with ModifyAppearanceCB the view gets the hand cursor and a
    // memo navy underlined text.
    void apply(TkavView &view) const;

    // The detail report file's button: the open dialog, then its variables are offered.
    void ChooseReportFile();

private:
    struct KindPanel
    {
        QLineEdit *Value = nullptr;
        QLineEdit *Expression = nullptr;
    };
    QWidget *createPanel(int kind);
    QLineEdit *addEdit(QWidget *panel, const char *name, const char16_t *label, bool expression);
    void kindChanged();
    int checkedKind() const;
    void offerReportVariables(const QString &fileName);

    TkavView &FView;
    QButtonGroup *FKinds = nullptr;
    QStackedWidget *FPanels = nullptr;
    QLabel *FHint2L = nullptr;
    QCheckBox *FModifyAppearanceCB = nullptr;
    KindPanel FFields[6];
    QLineEdit *FReportNameE = nullptr;
    QComboBox *FReportParamCB = nullptr;
    QComboBox *FReportPageCB = nullptr;
    QComboBox *FReportPageParamCB = nullptr;
};
