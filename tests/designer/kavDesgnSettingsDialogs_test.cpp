// The page and report options dialogs: lengths in the designer's units and the page dialog's
// reactions, OK from the designer window writing the page and its subreports' pages or the
// report's options as one undo step, inheriting a template, and Cancel or a bad value
// leaving the report byte-identical.

#include "kavDesignerTestSupport.h"
#include "kavDialogTestSupport.h"

#include <designer/dialogs/kavDesgnPageOptions.h>
#include <designer/dialogs/kavDesgnReportOptions.h>
#include <designer/window/kavDesgnForm.h>
#include <designer/window/kavDesgnTextDialogs.h>
#include <report/kavPages.h>
#include <report/kavReportOptions.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QString text(QWidget *dialog, const char *name)
{
    return field<QLineEdit>(dialog, name)->text();
}

class SettingsDialogsTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        doc.reset();
        report->SetIniFile(dir.filePath(u"designer.ini"_s));
        form = std::make_unique<TkavDesignerForm>(*report);
        form->Document().NewReport();
        previous = kavSetDesignerDialogs(std::make_unique<TkavTextDesignerDialogs>());
        page = find<TkavReportPage>(u"Page1"_s);
        ASSERT_NE(page, nullptr);
        form->ShowPage(1);
    }
    void TearDown() override
    {
        kavSetDesignerDialogs(std::move(previous));
        form.reset();
        DesignerTest::TearDown();
    }
    void pageSettings() { form->Command(u"PageSettingsCmd"_s)->trigger(); }

    QTemporaryDir dir;
    std::unique_ptr<TkavDesignerForm> form;
    std::unique_ptr<TkavDesignerDialogs> previous;
    TkavReportPage *page = nullptr;
};

} // namespace

TEST_F(SettingsDialogsTest, LengthsFollowTheUnitsPaperOrientationAndColumns)
{
    TkavReportPage a4;
    a4.SetDefaults();
    TkavPageEditorForm dialog(duCM);
    dialog.load(a4);
    EXPECT_EQ(text(&dialog, "WidthE"), u"21");
    EXPECT_EQ(text(&dialog, "HeightE"), u"29.70");
    field<QRadioButton>(&dialog, "LandscapeRB")->click();
    EXPECT_EQ(text(&dialog, "WidthE"), u"29.70");
    EXPECT_EQ(text(&dialog, "HeightE"), u"21");
    field<QRadioButton>(&dialog, "PortraitRB")->click();

    // Two columns between 10 mm side margins: 19 cm shared out.
    field<QSpinBox>(&dialog, "UpDown1")->setValue(2);
    EXPECT_EQ(text(&dialog, "ColumnWidthE"), u"9.50");
    EXPECT_EQ(field<QPlainTextEdit>(&dialog, "ColumnPositionsM")->toPlainText(), u"0\n9.50");

    // A custom size turns over on a change of orientation, and only on a change.
    TkavReportPage custom;
    custom.SetSizeAndDimensions(kavPaperCustom, 100, 50);
    TkavPageEditorForm inches(duInches);
    inches.load(custom);
    EXPECT_EQ(field<QComboBox>(&inches, "SizeCB")->currentData().toInt(), kavPaperCustom);
    const QString w = text(&inches, "WidthE"), h = text(&inches, "HeightE");
    field<QRadioButton>(&inches, "LandscapeRB")->click();
    EXPECT_EQ(text(&inches, "WidthE"), h);
    EXPECT_EQ(text(&inches, "HeightE"), w);
    field<QRadioButton>(&inches, "LandscapeRB")->click();
    EXPECT_EQ(text(&inches, "WidthE"), h);

    // Typing a width makes the paper custom.
    dialog.show();
    QLineEdit *width = field<QLineEdit>(&dialog, "WidthE");
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, u"15"_s);
    EXPECT_EQ(field<QComboBox>(&dialog, "SizeCB")->currentData().toInt(), kavPaperCustom);
}

TEST_F(SettingsDialogsTest, OkWritesThePageAndItsSubreportsAsOneUndoStep)
{
    auto *sub = dynamic_cast<TkavSubreport *>(
        form->Document().InsertObject(u"TkavSubreport"_s, 0, 20, 60, 200, 40));
    ASSERT_NE(sub, nullptr);
    ASSERT_NE(sub->SubPage(), nullptr);
    form->ShowPage(1);
    const int undo = form->Document().UndoBuffer().UndoCount();
    whenOpen([](QDialog &d) {
        field<QLineEdit>(&d, "MarginLeftE")->setText(u"2,5"_s); // either separator
        field<QLineEdit>(&d, "MarginBottomE")->setText(u"1.5"_s);
        field<QRadioButton>(&d, "LandscapeRB")->click();
        field<QCheckBox>(&d, "MirrorMarginsCB")->setChecked(true);
        field<QComboBox>(&d, "DuplexCB")->setCurrentIndex(2);
        field<QSpinBox>(&d, "UpDown1")->setValue(3);
        d.accept();
    });
    pageSettings();

    for (TkavReportPage *p : {page, sub->SubPage()}) {
        SCOPED_TRACE(p->Name().toStdString());
        EXPECT_EQ(p->Orientation(), poLandscape);
        EXPECT_EQ(p->PaperSize(), kavPaperA4);
        EXPECT_DOUBLE_EQ(p->PaperWidth(), 297);
        EXPECT_DOUBLE_EQ(p->PaperHeight(), 210);
        EXPECT_DOUBLE_EQ(p->LeftMargin(), 25);
        EXPECT_DOUBLE_EQ(p->BottomMargin(), 15);
        EXPECT_TRUE(p->MirrorMargins());
        EXPECT_EQ(p->Duplex(), dmHorizontal);
        EXPECT_EQ(p->Columns(), 3);
        EXPECT_EQ(p->ColumnPositions().Count(), 3);
    }
    EXPECT_NEAR(page->ColumnWidth(), (297 - 25 - 10) / 3.0, 0.1); // shown with two decimals
    EXPECT_TRUE(form->Document().Modified());
    EXPECT_EQ(form->Document().UndoBuffer().UndoCount(), undo + 1);
    form->Document().Undo();
    page = find<TkavReportPage>(u"Page1"_s);
    EXPECT_EQ(page->Orientation(), poPortrait);
    EXPECT_DOUBLE_EQ(page->LeftMargin(), 10);
}

TEST_F(SettingsDialogsTest, CancelOrABadValueWritesNothing)
{
    const QByteArray before = bytes();
    whenOpen([](QDialog &d) {
        field<QRadioButton>(&d, "LandscapeRB")->click();
        field<QLineEdit>(&d, "MarginLeftE")->setText(u"3"_s);
        d.reject();
    });
    pageSettings();
    EXPECT_EQ(bytes(), before);

    // A bad number after good ones keeps the dialog open on that field; nothing is written.
    whenOpen([](QDialog &d) {
        field<QLineEdit>(&d, "MarginLeftE")->setText(u"3"_s);
        field<QLineEdit>(&d, "MarginBottomE")->setText(u"x"_s);
        field<QPlainTextEdit>(&d, "ColumnPositionsM")->setPlainText(u"0\nfive"_s);
        d.accept();
        EXPECT_TRUE(d.isVisible());
        EXPECT_NE(d.result(), QDialog::Accepted);
        EXPECT_TRUE(field<QLineEdit>(&d, "MarginBottomE")->property("invalid").toBool());
        EXPECT_FALSE(field<QLineEdit>(&d, "MarginLeftE")->property("invalid").toBool());
        // Once corrected, the column positions are the next field refused.
        field<QLineEdit>(&d, "MarginBottomE")->setText(u"1"_s);
        d.accept();
        EXPECT_TRUE(d.isVisible());
        EXPECT_FALSE(field<QLineEdit>(&d, "MarginBottomE")->property("invalid").toBool());
        EXPECT_TRUE(field<QPlainTextEdit>(&d, "ColumnPositionsM")->property("invalid").toBool());
        d.reject();
    });
    pageSettings();
    EXPECT_EQ(bytes(), before);
    EXPECT_FALSE(form->Document().Modified());
}

TEST_F(SettingsDialogsTest, ReportOptionsOkWritesEveryPageOfTheDialogAsOneUndoStep)
{
    const int undo = form->Document().UndoBuffer().UndoCount();
    whenOpen([](QDialog &d) {
        EXPECT_EQ(field<QLabel>(&d, "InheritStateL")->text(), u"This report is not inherited");
        EXPECT_FALSE(field<QRadioButton>(&d, "DetachRB")->isEnabled());
        EXPECT_TRUE(field<QRadioButton>(&d, "DontChangeRB")->isChecked());
        field<QLineEdit>(&d, "CopiesE")->setText(u"3"_s);
        field<QCheckBox>(&d, "CollateCB")->setChecked(false);
        field<QCheckBox>(&d, "DoublePassCB")->setChecked(true);
        field<QLineEdit>(&d, "PasswordE")->setText(u"secret"_s);
        field<QLineEdit>(&d, "NameE")->setText(u"Invoice"_s);
        field<QPlainTextEdit>(&d, "DescriptionE")->setPlainText(u"two\nlines"_s);
        field<QLineEdit>(&d, "MajorE")->setText(u"2"_s);
        d.accept();
    });
    form->Command(u"ReportOptionsCmd"_s)->trigger();
    EXPECT_EQ(report->PrintOptions().Copies(), 3);
    EXPECT_FALSE(report->PrintOptions().Collate());
    EXPECT_TRUE(report->EngineOptions().DoublePass());
    EXPECT_EQ(report->ReportOptions().Password(), u"secret");
    EXPECT_EQ(report->ReportOptions().Name(), u"Invoice");
    EXPECT_EQ(report->ReportOptions().Description().Count(), 2);
    EXPECT_EQ(report->ReportOptions().VersionMajor(), u"2");
    EXPECT_EQ(form->Document().UndoBuffer().UndoCount(), undo + 1);
    form->Document().Undo();
    EXPECT_EQ(report->PrintOptions().Copies(), 1);
    EXPECT_EQ(report->ReportOptions().Name(), QString());
}

TEST_F(SettingsDialogsTest, ReportOptionsWithBadCopiesOrCancelWriteNothing)
{
    const QByteArray before = bytes();
    whenOpen([](QDialog &d) {
        field<QLineEdit>(&d, "NameE")->setText(u"Kept out"_s);
        field<QLineEdit>(&d, "CopiesE")->setText(u"x"_s);
        d.accept();
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(field<QLineEdit>(&d, "CopiesE")->property("invalid").toBool());
        field<QLineEdit>(&d, "CopiesE")->setText(u"0"_s);
        d.accept();
        EXPECT_TRUE(d.isVisible());
        d.reject();
    });
    form->Command(u"ReportOptionsCmd"_s)->trigger();
    EXPECT_EQ(bytes(), before);
    EXPECT_FALSE(form->Document().Modified());
}

TEST_F(SettingsDialogsTest, InheritingATemplateKeepsTheTypedDescription)
{
    TkavReport base;
    auto *basePage = TkavComponent::Create<TkavReportPage>(&base);
    basePage->SetName(u"BasePage"_s);
    TkavComponent::Create(u"TkavPageHeader", basePage)->SetName(u"BaseHeader"_s);
    base.ReportOptions().SetName(u"Template"_s);
    const QString templ = dir.filePath(u"base.kv3"_s);
    base.SaveToFile(templ);

    QFile broken(dir.filePath(u"broken.kv3"_s));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a report");
    broken.close();

    // The browse button takes the folder and lists its templates.
    TkavReportEditorForm dialog;
    dialog.load(*report, QDir::tempPath() + u"/no-such-folder"_s);
    EXPECT_EQ(field<QListWidget>(&dialog, "InheritLV")->count(), 0);
    ui().FolderAnswers.push_back(dir.path());
    field<QPushButton>(&dialog, "PathB")->click();
    EXPECT_EQ(field<QLineEdit>(&dialog, "PathE")->text(), dir.path());
    auto *list = field<QListWidget>(&dialog, "InheritLV");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), u"base.kv3");
    list->setCurrentRow(0);
    field<QRadioButton>(&dialog, "InheritRB")->setChecked(true);
    field<QLineEdit>(&dialog, "NameE")->setText(u"Mine"_s);
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    dialog.apply(*report, &form->Document());
    EXPECT_FALSE(report->ParentReport().isEmpty());
    EXPECT_NE(find(u"BaseHeader"_s), nullptr);
    EXPECT_EQ(report->ReportOptions().Name(), u"Mine");

    // Detaching again is offered now, and a template that cannot be read changes nothing.
    TkavReportEditorForm again;
    again.load(*report, dir.path());
    EXPECT_TRUE(field<QRadioButton>(&again, "DetachRB")->isEnabled());
    EXPECT_TRUE(field<QLabel>(&again, "InheritStateL")->text().contains(u"base.kv3"));
    form->Document().SetModified(true);
    const QByteArray inherited = bytes();
    field<QListWidget>(&again, "InheritLV")->setCurrentRow(1);
    field<QRadioButton>(&again, "InheritRB")->setChecked(true);
    EXPECT_FALSE(form->Document().guarded([&] { again.apply(*report, &form->Document()); }));
    EXPECT_EQ(bytes(), inherited);
}
