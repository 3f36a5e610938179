#pragma once

// TkavFormatEditorForm: the display format editor. It pairs each bracketed expression of a
// memo's text with one entry of a working copy of the memo's formats; OK hands the copy to
// the memo. It runs alone or hosted in the memo editor's Format tab.

#include <persist/kavCollections.h>

#include <QDialog>
#include <QString>

#include <utility>

class QComboBox;
class QKeyEvent;
class QLineEdit;
class QListWidget;
class TkavCustomMemoView;
class TkavFormat;

// The memo's opening and closing expression delimiters (the text before and after the first
// comma of ExpressionDelimiters).
std::pair<QString, QString> kavMemoDelimiters(const TkavCustomMemoView &memo);
// The expressions of text between open and close, in order, nested brackets and quoted
// delimiters taken as the memo's expansion takes them.
QStringList kavMemoExpressions(const QString &text, const QString &open, const QString &close);

class TkavFormatEditorForm : public QDialog
{
public:
    // hosted: a plain child panel without buttons (the host confirms).
    explicit TkavFormatEditorForm(QWidget *parent = nullptr, bool hosted = false);
    ~TkavFormatEditorForm() override;

    // The working copy starts as the memo's formats, paired with the memo's text.
    void load(const TkavCustomMemoView &memo);
    // Pairs the working copy with another text (the memo editor's current one).
    void SetMemoText(const QString &text);
    bool validate() { return true; }
    // The shown entry stored, then the memo's formats become the working copy.
    void apply(TkavCustomMemoView &memo);

    TkavCollection &Formats() { return FFormats; }

protected:
    // Hosted, Escape and Enter belong to the host dialog.
    void keyPressEvent(QKeyEvent *event) override;

private:
    TkavFormat &format(int index) const;
    void showFormat(int index);
    void storeFormat();
    void categoryChanged(int category);
    void fillPredefined(int category);

    const bool FHosted;
    TkavCollection FFormats;
    QString FOpen;
    QString FClose;
    int FShown = -1; // the working item the fields show
    bool FUpdating = false;
    QComboBox *FExpressionCB;
    QListWidget *FCategoryLB;
    QListWidget *FFormatLB;
    QLineEdit *FFormatE;
    QLineEdit *FSeparatorE;
};

// Opens the editor alone on memo; on OK the memo's formats hold the result. True when
// confirmed.
bool kavEditDisplayFormat(TkavCustomMemoView &memo, QWidget *parent = nullptr);
