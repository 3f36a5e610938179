#include "kavDesgnOptionsEditor.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"

#include <persist/kavRes.h>
#include <persist/kavXMLSerializer.h>
#include <prepared/kavPaintUtils.h>
#include <rtl/kavUIServices.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <optional>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace {

template <class T>
T *named(QWidget *parent, const char *name, const char *captionKey = nullptr)
{
    auto *w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    if constexpr (std::is_base_of_v<QAbstractButton, T>)
        if (captionKey)
            w->setText(kavDialogText(captionKey));
    return w;
}

QComboBox *sizeBox(QWidget *parent, const char *name)
{
    auto *box = named<QComboBox>(parent, name);
    box->setEditable(true);
    for (int size : {8, 9, 10, 11, 12, 14})
        box->addItem(QString::number(size));
    return box;
}

// A field's text as a number, or nothing when it does not read as one.
std::optional<double> floatOf(const QLineEdit *e)
{
    try {
        return kavTextToFloat(e->text());
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

std::optional<int> intOf(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

void mark(QWidget *w, bool bad)
{
    w->setStyleSheet(bad ? u"background-color: #ffd0d0"_s : QString());
}

} // namespace

TkavOptionsEditor::TkavOptionsEditor(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"TkavOptionsEditor"_s);
    setWindowTitle(kavDialogText("3000"));
    kavDesignerDialog(*this, u"TkavOptionsEditor"_s);
    auto *columns = new QGridLayout;
    columns->addWidget(buildUnits(), 0, 0);
    columns->addWidget(buildGrid(), 1, 0);
    columns->addWidget(buildColors(), 2, 0);
    columns->addWidget(buildFonts(), 0, 1);
    columns->addWidget(buildOptions(), 1, 1, 2, 1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *defaults = buttons->addButton(kavDialogText("3032"), QDialogButtonBox::ResetRole);
    defaults->setObjectName(u"RestoreDefaultsB"_s);
    connect(defaults, &QPushButton::clicked, this, [this] { restoreDefaults(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);
    load(TkavDesignerOptions());
}

TkavOptionsEditor::~TkavOptionsEditor() = default;

QWidget *TkavOptionsEditor::buildUnits()
{
    auto *box = new QGroupBox(kavDialogText("3001"), this);
    FCMRB = named<QRadioButton>(box, "CMRB", "3002");
    FInchesRB = named<QRadioButton>(box, "InchesRB", "3003");
    FPixelsRB = named<QRadioButton>(box, "PixelsRB", "3004");
    auto *layout = new QVBoxLayout(box);
    for (QWidget *w : {FCMRB, FInchesRB, FPixelsRB})
        layout->addWidget(w);
    return box;
}

QWidget *TkavOptionsEditor::buildGrid()
{
    auto *box = new QGroupBox(kavDialogText("3005"), this);
    FCME = named<QLineEdit>(box, "CME");
    FInchesE = named<QLineEdit>(box, "InchesE");
    FPixelsE = named<QLineEdit>(box, "PixelsE");
    FDialogFormE = named<QLineEdit>(box, "DialogFormE");
    FShowGridCB = named<QCheckBox>(box, "ShowGridCB", "3011");
    FAlignGridCB = named<QCheckBox>(box, "AlignGridCB", "3012");
    FLCDCB = named<QCheckBox>(box, "LCDCB", "3013");
    auto *layout = new QGridLayout(box);
    const std::pair<const char *, QLineEdit *> rows[] = {
        {"3006", FCME}, {"3007", FInchesE}, {"3008", FPixelsE}, {"3009", FDialogFormE}};
    int row = 0;
    for (const auto &[key, edit] : rows) {
        auto *label = new QLabel(kavDialogText(key), box);
        label->setBuddy(edit);
        layout->addWidget(label, row, 0);
        layout->addWidget(edit, row++, 1);
    }
    for (QWidget *w : {FShowGridCB, FAlignGridCB, FLCDCB})
        layout->addWidget(w, row++, 0, 1, 2);
    return box;
}

QWidget *TkavOptionsEditor::buildFonts()
{
    auto *box = new QGroupBox(kavDialogText("3014"), this);
    FCodeWindowFontCB = named<QFontComboBox>(box, "CodeWindowFontCB");
    FCodeWindowSizeCB = sizeBox(box, "CodeWindowSizeCB");
    FMemoEditorFontCB = named<QFontComboBox>(box, "MemoEditorFontCB");
    FMemoEditorSizeCB = sizeBox(box, "MemoEditorSizeCB");
    FObjectFontCB = named<QCheckBox>(box, "ObjectFontCB", "3018");
    auto *layout = new QGridLayout(box);
    layout->addWidget(new QLabel(kavDialogText("3015"), box), 0, 0, 1, 2);
    layout->addWidget(FCodeWindowFontCB, 1, 0);
    layout->addWidget(FCodeWindowSizeCB, 1, 1);
    layout->addWidget(new QLabel(kavDialogText("3016"), box), 2, 0, 1, 2);
    layout->addWidget(FMemoEditorFontCB, 3, 0);
    layout->addWidget(FMemoEditorSizeCB, 3, 1);
    layout->addWidget(FObjectFontCB, 4, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    return box;
}

QWidget *TkavOptionsEditor::buildColors()
{
    auto *box = new QGroupBox(kavDialogText("3019"), this);
    FWorkspacePB = named<QFrame>(box, "WorkspacePB");
    FToolPB = named<QFrame>(box, "ToolPB");
    auto *workspaceB = named<QPushButton>(box, "WorkspaceB", "3022");
    auto *toolB = named<QPushButton>(box, "ToolB", "3022");
    connect(workspaceB, &QPushButton::clicked, this, [this] { chooseColor(FWColor, FWorkspacePB); });
    connect(toolB, &QPushButton::clicked, this, [this] { chooseColor(FTColor, FToolPB); });
    auto *layout = new QGridLayout(box);
    const std::tuple<const char *, QFrame *, QPushButton *> rows[] = {
        {"3020", FWorkspacePB, workspaceB}, {"3021", FToolPB, toolB}};
    int row = 0;
    for (const auto &[key, sample, button] : rows) {
        sample->setFrameShape(QFrame::Box);
        sample->setFixedSize(40, 20);
        sample->setAutoFillBackground(true);
        layout->addWidget(new QLabel(kavDialogText(key), box), row, 0);
        layout->addWidget(sample, row, 1);
        layout->addWidget(button, row++, 2);
    }
    return box;
}

QWidget *TkavOptionsEditor::buildOptions()
{
    auto *box = new QGroupBox(kavDialogText("3023"), this);
    FEditAfterInsCB = named<QCheckBox>(box, "EditAfterInsCB", "3024");
    FBandsCaptionsCB = named<QCheckBox>(box, "BandsCaptionsCB", "3025");
    FDropFieldsCB = named<QCheckBox>(box, "DropFieldsCB", "3026");
    FStartupCB = named<QCheckBox>(box, "StartupCB", "3027");
    FFreeBandsCB = named<QCheckBox>(box, "FreeBandsCB", "3028");
    FGapE = named<QLineEdit>(box, "GapE");
    FGapE->setMaximumWidth(60);
    auto *layout = new QVBoxLayout(box);
    for (QWidget *w : {FEditAfterInsCB, FBandsCaptionsCB, FDropFieldsCB, FStartupCB})
        layout->addWidget(w);
    auto *bands = new QGroupBox(kavDialogText("3031"), box);
    auto *gap = new QHBoxLayout;
    auto *gapL = new QLabel(kavDialogText("3029"), bands);
    gapL->setBuddy(FGapE);
    gap->addWidget(gapL);
    gap->addWidget(FGapE);
    gap->addWidget(new QLabel(kavDialogText("3030"), bands));
    gap->addStretch();
    auto *bandsLayout = new QVBoxLayout(bands);
    FFreeBandsCB->setParent(bands);
    bandsLayout->addWidget(FFreeBandsCB);
    bandsLayout->addLayout(gap);
    layout->addWidget(bands);
    layout->addStretch();
    return box;
}

void TkavOptionsEditor::paintSample(QFrame *sample, int color)
{
    QPalette pal = sample->palette();
    pal.setColor(QPalette::Window, kavColorToQColor(TColor(color)));
    sample->setPalette(pal);
}

void TkavOptionsEditor::chooseColor(int &color, QFrame *sample)
{
    QColorDialog::setCustomColor(0, palette().color(QPalette::Button));
    TColor chosen = TColor(color);
    if (kavUIServices().ColorDialog(chosen))
        color = int(chosen);
    paintSample(sample, color);
}

void TkavOptionsEditor::load(const TkavDesignerOptions &options, bool unitsEnabled, bool startupVisible)
{
    FUnitsEnabled = unitsEnabled;
    FCMRB->setChecked(options.Units == duCM);
    FInchesRB->setChecked(options.Units == duInches);
    FPixelsRB->setChecked(options.Units != duCM && options.Units != duInches);
    QLineEdit *grids[] = {FCME, FInchesE, FPixelsE, FDialogFormE};
    for (int i = 0; i < 4; ++i) {
        grids[i]->setText(QString::number(options.Grid[i]));
        mark(grids[i], false);
    }
    for (QWidget *w : {(QWidget *)FCMRB, (QWidget *)FInchesRB, (QWidget *)FPixelsRB, (QWidget *)FCME,
                       (QWidget *)FInchesE, (QWidget *)FPixelsE})
        w->setEnabled(unitsEnabled);
    FShowGridCB->setChecked(options.ShowGrid);
    FAlignGridCB->setChecked(options.GridAlign);
    FEditAfterInsCB->setChecked(options.EditAfterInsert);
    FBandsCaptionsCB->setChecked(options.ShowBandCaptions);
    FDropFieldsCB->setChecked(options.DropFields);
    FStartupCB->setChecked(options.ShowStartup);
    FStartupCB->setVisible(startupVisible);
    FFreeBandsCB->setChecked(options.FreeBands);
    FGapE->setText(QString::number(options.BandsGap));
    mark(FGapE, false);
    FCodeWindowFontCB->setCurrentFont(QFont(options.ScriptFontName));
    FCodeWindowFontCB->setEditText(options.ScriptFontName);
    FCodeWindowSizeCB->setEditText(QString::number(options.ScriptFontSize));
    FMemoEditorFontCB->setCurrentFont(QFont(options.MemoFontName));
    FMemoEditorFontCB->setEditText(options.MemoFontName);
    FMemoEditorSizeCB->setEditText(QString::number(options.MemoFontSize));
    mark(FCodeWindowSizeCB, false);
    mark(FMemoEditorSizeCB, false);
    FObjectFontCB->setChecked(options.UseObjectFont);
    FWColor = options.WorkspaceColor;
    FTColor = options.ToolsColor;
    paintSample(FWorkspacePB, FWColor);
    paintSample(FToolPB, FTColor);
    FLCDCB->setChecked(options.GridLCD);
}

bool TkavOptionsEditor::validate()
{
    // Grid sizes must be positive numbers, the gap a whole number of pixels (not negative),
    // font sizes positive whole numbers.
    auto gridOk = [](const QLineEdit *e) {
        const std::optional<double> v = floatOf(e);
        return v && *v > 0;
    };
    auto intOk = [](const QString &text, int minimum) {
        const std::optional<int> v = intOf(text);
        return v && *v >= minimum;
    };
    const std::pair<QWidget *, bool> checks[] = {
        {FDialogFormE, gridOk(FDialogFormE)},
        {FCME, !FUnitsEnabled || gridOk(FCME)},
        {FInchesE, !FUnitsEnabled || gridOk(FInchesE)},
        {FPixelsE, !FUnitsEnabled || gridOk(FPixelsE)},
        {FGapE, intOk(FGapE->text(), 0)},
        {FCodeWindowSizeCB, intOk(FCodeWindowSizeCB->currentText(), 1)},
        {FMemoEditorSizeCB, intOk(FMemoEditorSizeCB->currentText(), 1)},
    };
    QWidget *first = nullptr;
    for (const auto &[w, ok] : checks) {
        mark(w, !ok);
        if (!ok && !first)
            first = w;
    }
    if (first)
        first->setFocus();
    return !first;
}

bool TkavOptionsEditor::apply(TkavDesignerOptions &options)
{
    if (!validate())
        return false;
    if (FDefaultsRestored) {
        // What the dialog does not show goes back to its default as well; the user's lists
        // and window layout stay.
        TkavDesignerOptions defaults;
        defaults.RecentFiles = options.RecentFiles;
        defaults.WatchList = options.WatchList;
        defaults.SplitPos = options.SplitPos;
        defaults.Split1Pos = options.Split1Pos;
        defaults.Restored = options.Restored;
        options = defaults;
    }
    options.Grid[duChars] = *floatOf(FDialogFormE);
    if (FUnitsEnabled) {
        options.Grid[duCM] = *floatOf(FCME);
        options.Grid[duInches] = *floatOf(FInchesE);
        options.Grid[duPixels] = *floatOf(FPixelsE);
        options.Units = FCMRB->isChecked() ? duCM : FInchesRB->isChecked() ? duInches : duPixels;
    }
    options.ShowGrid = FShowGridCB->isChecked();
    options.GridAlign = FAlignGridCB->isChecked();
    options.EditAfterInsert = FEditAfterInsCB->isChecked();
    options.ShowBandCaptions = FBandsCaptionsCB->isChecked();
    options.DropFields = FDropFieldsCB->isChecked();
    options.ShowStartup = FStartupCB->isChecked();
    options.FreeBands = FFreeBandsCB->isChecked();
    options.BandsGap = *intOf(FGapE->text());
    options.ScriptFontName = FCodeWindowFontCB->currentText();
    options.ScriptFontSize = *intOf(FCodeWindowSizeCB->currentText());
    options.MemoFontName = FMemoEditorFontCB->currentText();
    options.MemoFontSize = *intOf(FMemoEditorSizeCB->currentText());
    options.UseObjectFont = FObjectFontCB->isChecked();
    options.WorkspaceColor = FWColor;
    options.ToolsColor = FTColor;
    options.GridLCD = FLCDCB->isChecked();
    return true;
}

void TkavOptionsEditor::accept()
{
    if (validate())
        QDialog::accept();
}

void TkavOptionsEditor::restoreDefaults()
{
    // The controls show the defaults before closing, so closing applies them rather than
    // the values shown when the dialog opened.
    TkavDesignerOptions defaults;
    defaults.EditAfterInsert = true; // as a designer without stored settings starts
    load(defaults, FUnitsEnabled, !FStartupCB->isHidden());
    FUnitsEnabled = true; // a restore resets the units too
    FDefaultsRestored = true;
    accept();
}
