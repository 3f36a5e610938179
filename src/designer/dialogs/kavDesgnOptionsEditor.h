#pragma once

// TkavOptionsEditor: the designer's own options (units, grid sizes, grid switches, editor
// fonts, colours, band placement). It edits a copy: nothing is written until apply, and
// apply writes only after every field was read without error.

#include <designer/document/kavDesgnSettings.h>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QFrame;
class QLineEdit;
class QRadioButton;

class TkavOptionsEditor : public QDialog
{
public:
    explicit TkavOptionsEditor(QWidget *parent = nullptr);
    ~TkavOptionsEditor() override;

    // Fills the controls. unitsEnabled is false while the workspace shows the dialog or the
    // character grid; startupVisible tells whether the startup switch applies.
    void load(const TkavDesignerOptions &options, bool unitsEnabled = true, bool startupVisible = false);
    // Every field is readable: false marks (and focuses) the first bad one.
    bool validate();
    // Writes the controls into options; nothing at all when validate fails. After "Restore
    // defaults" the options the dialog does not show go back to their defaults too.
    bool apply(TkavDesignerOptions &options);
    // Stays open on an invalid field.
    void accept() override;

private:
    QWidget *buildUnits();
    QWidget *buildGrid();
    QWidget *buildFonts();
    QWidget *buildColors();
    QWidget *buildOptions();
    void chooseColor(int &color, QFrame *sample);
    void paintSample(QFrame *sample, int color);
    void restoreDefaults();

    QRadioButton *FCMRB, *FInchesRB, *FPixelsRB;
    QLineEdit *FCME, *FInchesE, *FPixelsE, *FDialogFormE, *FGapE;
    QCheckBox *FShowGridCB, *FAlignGridCB, *FLCDCB, *FEditAfterInsCB, *FBandsCaptionsCB;
    QCheckBox *FDropFieldsCB, *FStartupCB, *FFreeBandsCB, *FObjectFontCB;
    QFontComboBox *FCodeWindowFontCB, *FMemoEditorFontCB;
    QComboBox *FCodeWindowSizeCB, *FMemoEditorSizeCB;
    QFrame *FWorkspacePB, *FToolPB;
    int FWColor = 0;
    int FTColor = 0;
    bool FUnitsEnabled = true;
    bool FDefaultsRestored = false;
};
