#pragma once

// TkavHighlightEditorForm: a memo's conditional looks, edited on a working copy as an
// ordered list of conditions with the frame, fill, font and visibility each applies. It runs
// alone or hosted in the memo editor's Highlight tab; the memo changes only through apply.

#include <persist/kavCollections.h>

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QKeyEvent;
class QListWidget;
class QPushButton;
class QToolButton;
class TkavCustomMemoView;
class TkavHighlight;
class TkavReport;

class TkavHighlightEditorForm : public QDialog
{
public:
    // hosted: a plain child panel without buttons (the host confirms).
    explicit TkavHighlightEditorForm(QWidget *parent = nullptr, bool hosted = false);
    ~TkavHighlightEditorForm() override;

    // The working copy starts as the memo's highlights; a lone condition-less one (the
    // default every memo has) shows as an empty list.
    void load(const TkavCustomMemoView &memo);
    bool validate() { return true; }
    // The memo's highlights become the working copy (one default item when it is empty).
    void apply(TkavCustomMemoView &memo);

    TkavCollection &Highlights() { return FHighlights; }
    TkavHighlight *CurHighlight() const { return FCurHighlight; }

    // The buttons' commands.
    void AddHighlight();
    void EditHighlight();
    void DeleteHighlight();
    void MoveHighlight(int delta);
    void EditFrame();
    void EditFill();
    void EditFont();

protected:
    // Hosted, Escape and Enter belong to the host dialog.
    void keyPressEvent(QKeyEvent *event) override;

private:
    class Sample;
    void createConditionsPart();
    void createStylePart();
    QPushButton *button(const char *name, const QString &caption);
    void fillList();
    void select(int row);
    // Follows the list's selection: the current item, the buttons and the sample.
    void selectionChanged();
    void flagChanged();
    // The expression editor starting at text; empty when cancelled.
    QString editCondition(const QString &text);

    const bool FHosted;
    TkavReport *FReport = nullptr; // the memo's, for the expression editor
    TkavCollection FHighlights;
    TkavHighlight *FCurHighlight = nullptr;
    bool FUpdating = false;
    QGroupBox *FConditionsGB;
    QListWidget *FHighlightsLB;
    QPushButton *FAddB, *FDeleteB, *FEditB;
    QToolButton *FUpB, *FDownB;
    QGroupBox *FStyleGB;
    QCheckBox *FFrameCB, *FFillCB, *FFontCB, *FVisibleCB;
    QPushButton *FFrameB, *FFillB, *FFontB;
    Sample *FPaintBox1;
};

// Opens the editor alone on memo; on OK the memo's highlights hold the result.
bool kavEditHighlights(TkavCustomMemoView &memo, QWidget *parent = nullptr);
