#pragma once

// Small combo boxes of the frame and fill editors: frame line styles and brush styles,
// each entry with a sample drawn by the same frame and fill drawing the pages use, and a
// colour list with swatches, a "no colour" entry where allowed and a custom colour choice.

#include <report/kavFrames.h>
#include <rtl/kavColors.h>

#include <QComboBox>

#include <algorithm>

#include <functional>

// The eight frame line styles in their stored order; the index is the style.
class TkavLineStyleComboBox : public QComboBox
{
public:
    explicit TkavLineStyleComboBox(QWidget *parent = nullptr);

    TkavFrameStyle Style() const { return TkavFrameStyle(std::max(currentIndex(), 0)); }
    void SetStyle(TkavFrameStyle style) { setCurrentIndex(int(style)); }
};

// The eight brush styles in their stored order, each with a 20-pixel sample box (black
// pattern on white; the clear style all white).
class TkavBrushStyleComboBox : public QComboBox
{
public:
    explicit TkavBrushStyleComboBox(QWidget *parent = nullptr);

    TBrushStyle Style() const { return TBrushStyle(std::max(currentIndex(), 0)); }
    void SetStyle(TBrushStyle style) { setCurrentIndex(int(style)); }
};

// The standard colours with swatches, clNone first when allowNone, and a last entry that
// asks the colour dialog for any other colour. A colour not in the list is shown as an
// entry of its own.
class TkavColorComboBox : public QComboBox
{
public:
    explicit TkavColorComboBox(bool allowNone, QWidget *parent = nullptr);

    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    // Runs after every change of the colour (picked or set).
    std::function<void()> OnChange;

private:
    void chosen(int index);
    int addColor(TColor color, const QString &name, int at = -1);

    TColor FColor = clBlack;
};
