#pragma once

// TkavFillEditorForm: edits a fill on one of three pages (brush, gradient, glass), each
// with a working fill of its kind; the sample shows the active page's fill drawn as a page
// draws it. The fill of the active page is the result.

#include <report/kavFrames.h>

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTabWidget;
class QWidget;
class TkavBrushStyleComboBox;
class TkavColorComboBox;

class TkavFillEditorForm : public QDialog
{
public:
    explicit TkavFillEditorForm(QWidget *parent = nullptr);
    ~TkavFillEditorForm() override;

    // The working fill of fill's kind becomes a copy of it and its page is shown.
    void load(const TkavCustomFill &fill);
    // False when the blend is not a number from 0 to 1 (the field is marked "invalid").
    bool validate();
    // fill becomes a copy of the active page's fill (its kind included).
    void apply(std::unique_ptr<TkavCustomFill> &fill) const;
    void accept() override;

    const TkavCustomFill &GetFill() const;
    bool IsSimpleFill() const { return FIsSimpleFill; }
    // Only the brush page is offered (shapes).
    void SetIsSimpleFill(bool value);

private:
    QWidget *createBrushPage();
    QWidget *createGradientPage();
    QWidget *createGlassPage();
    void showFills();
    void changed();
    bool readBlend();

    TkavBrushFill FBrushFill;
    TkavGradientFill FGradientFill;
    TkavGlassFill FGlassFill;
    bool FIsSimpleFill = false;
    bool FUpdating = false;
    QTabWidget *FPages = nullptr;
    TkavBrushStyleComboBox *FBrushStyleCB = nullptr;
    TkavColorComboBox *FBrushBackColorCB = nullptr;
    TkavColorComboBox *FBrushForeColorCB = nullptr;
    QComboBox *FGradientStyleCB = nullptr;
    TkavColorComboBox *FGradientStartColorCB = nullptr;
    TkavColorComboBox *FGradientEndColorCB = nullptr;
    QComboBox *FGlassOrientationCB = nullptr;
    TkavColorComboBox *FGlassColorCB = nullptr;
    QLineEdit *FGlassBlendE = nullptr;
    QCheckBox *FGlassHatchCB = nullptr;
    QWidget *FPaintBox1 = nullptr;
};
