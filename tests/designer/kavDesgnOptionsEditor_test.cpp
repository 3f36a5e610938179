// The designer options dialog: OK takes every field and the window follows and saves them,
// a bad field keeps the dialog open and writes nothing, Cancel changes nothing, a dialog
// page leaves the units alone, and Restore defaults really restores them.

#include "kavDesignerTestSupport.h"
#include "kavDialogTestSupport.h"

#include <designer/code/kavDesgnSyntaxMemo.h>
#include <designer/dialogs/kavDesgnOptionsEditor.h>
#include <designer/window/kavDesgnForm.h>
#include <rtl/kavSettings.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

class OptionsEditorTest : public DesignerTest
{
protected:
    static void setText(QWidget &dialog, const char *name, const QString &text)
    {
        field<QLineEdit>(dialog, name)->setText(text);
    }

    // A designer window on the report, its settings in a file of their own.
    TkavDesignerForm &openForm()
    {
        doc.reset(); // the window's designer is the only one on the report
        report->SetIniFile(dir.filePath(u"designer.ini"_s));
        form = std::make_unique<TkavDesignerForm>(*report);
        form->Document().NewReport();
        return *form;
    }
    // Opens the dialog from the menu command; edit runs once it shows and closes it.
    void runOptionsCmd(std::function<void(TkavOptionsEditor &)> edit)
    {
        QTimer::singleShot(0, [edit] {
            auto *shown = dynamic_cast<TkavOptionsEditor *>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            edit(*shown);
        });
        form->Command(u"OptionsCmd"_s)->trigger();
    }
    void TearDown() override
    {
        form.reset();
        DesignerTest::TearDown();
    }

    QTemporaryDir dir;
    std::unique_ptr<TkavDesignerForm> form;
    TkavDesignerOptions options;
    TkavOptionsEditor dialog;
};

} // namespace

TEST_F(OptionsEditorTest, OkThroughTheWindowAppliesSavesAndRepaints)
{
    TkavDesignerForm &window = openForm();
    ui().ColorAnswers.push_back(TColor(0x123456));
    runOptionsCmd([](TkavOptionsEditor &shown) {
        field<QRadioButton>(shown, "InchesRB")->setChecked(true);
        setText(shown, "InchesE", u"0,25"_s);
        setText(shown, "GapE", u"9"_s);
        field<QCheckBox>(shown, "FreeBandsCB")->setChecked(true);
        field<QCheckBox>(shown, "ShowGridCB")->setChecked(false);
        field<QComboBox>(shown, "CodeWindowSizeCB")->setEditText(u"14"_s);
        field<QPushButton>(shown, "WorkspaceB")->click();
        shown.accept();
    });

    const TkavDesignerOptions &now = window.Document().Options();
    EXPECT_EQ(now.Units, duInches);
    EXPECT_DOUBLE_EQ(now.Grid[duInches], 0.25);
    EXPECT_EQ(now.BandsGap, 9);
    EXPECT_TRUE(now.FreeBands);
    EXPECT_FALSE(now.ShowGrid);
    EXPECT_EQ(now.WorkspaceColor, 0x123456);
    EXPECT_EQ(window.CodeWindow().font().pointSize(), 14);
    EXPECT_EQ(window.UnitsLabel().text(), kavResourceTable().Get(kavUnitCaptionKey(duInches)));
    // Saved at once: a designer started later finds them.
    TkavDesignerOptions stored;
    stored.Restore(*report->GetIniFile());
    EXPECT_EQ(stored.Units, duInches);
    EXPECT_DOUBLE_EQ(stored.Grid[duInches], 0.25);
    EXPECT_EQ(stored.BandsGap, 9);
    EXPECT_EQ(stored.ScriptFontSize, 14);
}

TEST_F(OptionsEditorTest, ABadFieldKeepsTheDialogOpenAndWritesNothing)
{
    dialog.load(options);
    dialog.open();
    setText(dialog, "CME", u"0.5"_s); // valid, but must not be written alone
    setText(dialog, "GapE", u"4.5"_s);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(field<QLineEdit>(dialog, "GapE")->styleSheet().isEmpty()); // marked
    EXPECT_FALSE(dialog.apply(options));
    EXPECT_DOUBLE_EQ(options.Grid[duCM], 0.1);

    for (const auto &[name, text] : {std::pair{"CME", u"0"_s}, {"DialogFormE", u"x"_s}}) {
        setText(dialog, "GapE", u"4"_s);
        setText(dialog, "CME", u"0.1"_s);
        setText(dialog, name, text);
        EXPECT_FALSE(dialog.validate()) << name;
    }
    setText(dialog, "DialogFormE", u"8"_s);
    field<QComboBox>(dialog, "MemoEditorSizeCB")->setEditText(u"big"_s);
    EXPECT_FALSE(dialog.validate());
    field<QComboBox>(dialog, "MemoEditorSizeCB")->setEditText(u"11"_s);
    EXPECT_TRUE(dialog.apply(options));
    EXPECT_EQ(options.MemoFontSize, 11);
    EXPECT_DOUBLE_EQ(options.Grid[duChars], 8);
    EXPECT_TRUE(field<QLineEdit>(dialog, "GapE")->styleSheet().isEmpty());
}

TEST_F(OptionsEditorTest, CancelChangesNothingNotEvenAChosenColour)
{
    TkavDesignerForm &window = openForm();
    const TkavDesignerOptions before = window.Document().Options();
    ui().ColorAnswers.push_back(TColor(0xFF));
    runOptionsCmd([](TkavOptionsEditor &shown) {
        field<QPushButton>(shown, "ToolB")->click();
        field<QRadioButton>(shown, "PixelsRB")->setChecked(true);
        setText(shown, "GapE", u"20"_s);
        shown.reject();
    });
    const TkavDesignerOptions &now = window.Document().Options();
    EXPECT_EQ(now.ToolsColor, before.ToolsColor);
    EXPECT_EQ(now.Units, before.Units);
    EXPECT_EQ(now.BandsGap, before.BandsGap);
    // Only the dialog's own place is remembered; the designer's settings are not written.
    EXPECT_FALSE(TkavIniFile(dir.filePath(u"designer.ini"_s)).SectionExists(u"Form5.TkavDesignerForm"_s));
    EXPECT_EQ(ui().CallsOf(u"Color"_s).size(), 1u);
}

TEST_F(OptionsEditorTest, OnADialogPageOnlyTheDialogGridIsTaken)
{
    options.Units = duInches;
    dialog.load(options, false);
    for (const char *name : {"CMRB", "InchesRB", "PixelsRB", "CME", "InchesE", "PixelsE"})
        EXPECT_FALSE(field<QWidget>(dialog, name)->isEnabled()) << name;
    field<QRadioButton>(dialog, "CMRB")->setChecked(true);
    setText(dialog, "InchesE", u"junk"_s); // disabled: neither checked nor read
    setText(dialog, "DialogFormE", u"6"_s);
    ASSERT_TRUE(dialog.apply(options));
    EXPECT_EQ(options.Units, duInches);
    EXPECT_DOUBLE_EQ(options.Grid[duInches], 0.1);
    EXPECT_DOUBLE_EQ(options.Grid[duChars], 6);
}

TEST_F(OptionsEditorTest, RestoreDefaultsClosesWithTheDefaults)
{
    options.Units = duPixels;
    options.Grid[duCM] = 0.5;
    options.BandsGap = 12;
    options.Scale = 2;
    options.RecentFiles = QStringList{u"/tmp/a.kv3"_s};
    dialog.load(options);
    dialog.open();
    field<QPushButton>(dialog, "RestoreDefaultsB")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(dialog.apply(options));
    EXPECT_EQ(options.Units, duCM);
    EXPECT_DOUBLE_EQ(options.Grid[duCM], 0.1);
    EXPECT_EQ(options.BandsGap, 4);
    EXPECT_DOUBLE_EQ(options.Scale, 1);
    EXPECT_EQ(options.RecentFiles, QStringList{u"/tmp/a.kv3"_s}); // the user's list stays
}
