#pragma once

// TkavFrameEditorForm: edits a copy of a frame (sides, their line style, width and colour,
// drop shadow) with a sample drawn by the page's own frame drawing; the opener copies the
// result out after OK.

#include <report/kavFrames.h>

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QToolButton;
class QWidget;
class TkavColorComboBox;
class TkavLineStyleComboBox;

// A width typed as text: a finite number >= 0 with either decimal separator, else none.
std::optional<double> kavReadWidth(const QString &text);

class TkavFrameEditorForm : public QDialog
{
public:
    explicit TkavFrameEditorForm(QWidget *parent = nullptr);
    ~TkavFrameEditorForm() override;

    // The working frame becomes a copy of frame; the line controls show its style, width
    // and colour.
    void load(const TkavFrame &frame);
    // False when a width field does not hold a number (the field is marked "invalid").
    bool validate();
    void apply(TkavFrame &frame) const { frame.Assign(FFrame); }
    void accept() override;

    const TkavFrame &Frame() const { return FFrame; }
    // A side clicked (pressed: the button is now down). Releasing a side whose line has
    // exactly the current style, width and colour removes it; anything else adds the side
    // with the current line look.
    void ToggleSide(TkavFrameType side, bool pressed);
    // A click on the sample at pos toggles the side under it (as pressed when it is absent).
    void SampleClick(QPoint pos);
    // All four sides with the current line look / no sides.
    void SetAllLines();
    void SetNoLines();

private:
    QToolButton *sideButton(const char *name, const char16_t *hint, int image);
    void refresh();
    void widthEdited(QComboBox *box, double &target);
    TkavFrameLine &line(TkavFrameType side);
    bool hasCurrentLook(const TkavFrameLine &line) const;

    TkavFrame FFrame;
    double FLineWidth = kavFrameDefaultWidth; // the last valid width of LineWidthCB
    double FShadowWidth = kavFrameDefaultShadowWidth;
    bool FUpdating = false;
    QToolButton *FSideB[4] = {};
    QWidget *FSampleC = nullptr;
    QCheckBox *FShadowCB = nullptr;
    QComboBox *FShadowWidthCB = nullptr;
    TkavColorComboBox *FShadowColorCB = nullptr;
    QLabel *FShadowWidthL = nullptr;
    QLabel *FShadowColorL = nullptr;
    TkavLineStyleComboBox *FLineStyleC = nullptr;
    QComboBox *FLineWidthCB = nullptr;
    TkavColorComboBox *FLineColorCB = nullptr;
};
