#pragma once

// TkavStyleEditorForm: the report's style set, edited on a private copy: styles added,
// removed and renamed, their fill, font and frame, the apply flags, style files loaded and
// saved, and a sample of the selected style. The report changes only through apply.

#include <report/kavStyles.h>

#include <QDialog>

class QCheckBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolButton;
class TkavReport;

class TkavStyleEditorForm : public QDialog
{
public:
    explicit TkavStyleEditorForm(QWidget *parent = nullptr);
    ~TkavStyleEditorForm() override;

    // The private set starts as a copy of the report's; the first style is selected.
    void load(const TkavReport &report);
    bool validate() { return true; }
    // The report's set becomes the private one and is applied to the report's memos.
    void apply(TkavReport &report) const;

    TkavStyles &Styles() { return FStyles; }
    // The selected style, or null.
    TkavStyleItem *Current() const;
    QListWidget &StylesLB() const { return *FStylesLB; }

    // The buttons' commands.
    void AddStyle();
    void DeleteStyle();
    void EditStyle();
    void EditFill();
    void EditFont();
    void EditFrame();
    void LoadStyles();
    void SaveStyles();
    // Renames the selected style; a duplicate or empty name (or an inherited style) keeps
    // the old name. True when renamed.
    bool RenameStyle(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QToolButton *toolButton(const char *name, const char *hintKey, int image);
    QCheckBox *applyBox(const char *name);
    void rebuildList(int selectRow);
    void updateControls();
    void itemChanged(QListWidgetItem *item);
    void applyFlagsClicked();
    void charsetClicked(bool checked);
    void paintSample(QWidget &box) const;
    QString styleFilter() const;

    TkavStyles FStyles; // without a report: never applied while edited
    bool FIsInheritedReport = false;
    bool FUpdating = false;
    QListWidget *FStylesLB;
    QToolButton *FAddB, *FDeleteB, *FEditB, *FLoadB, *FSaveB;
    QPushButton *FColorB, *FFontB, *FFrameB;
    QCheckBox *FFillCB, *FFontCB, *FFrameCB, *FCharsetCB;
    QWidget *FSample;
};
