// The styles editor, the group dialog and the data band dialog: what they show of the
// report, what OK writes (one undo step in the designer) and that Cancel writes nothing.

#include "kavDesignerTestSupport.h"
#include "kavDialogTestSupport.h"

#include <data/kavFileDataSets.h>
#include <designer/dialogs/kavDesgnBandEditors.h>
#include <designer/dialogs/kavDesgnStyleEditor.h>
#include <designer/window/kavDesgnForm.h>
#include <report/kavBands.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

class StyleBandDialogsTest : public DesignerTest
{
protected:
    void SetUp() override
    {
        DesignerTest::SetUp();
        orders.SetUserName(u"Orders"_s);
        orders.SetFileName(write(u"orders.csv"_s, "Name,Amount,Due\nAnn,1.5,2024-01-02\n"));
        customers.SetUserName(u"Customers"_s);
        customers.SetFileName(write(u"customers.csv"_s, "Id,City\n1,Porto\n"));
        report->DataSets().Add(&orders);
        report->DataSets().Add(&customers);
    }
    void TearDown() override
    {
        report->DataSets().Clear();
        DesignerTest::TearDown();
    }
    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    TkavGroupHeader *groupWith(const QString &condition)
    {
        auto *band = dynamic_cast<TkavGroupHeader *>(doc->InsertBand(12));
        band->SetCondition(condition);
        return band;
    }
    static void choose(QListWidget *list, const QString &text)
    {
        const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        list->setCurrentItem(found.first());
    }
    static QStringList texts(const QListWidget *list)
    {
        QStringList result;
        for (int i = 0; i < list->count(); ++i)
            result << list->item(i)->text();
        return result;
    }
    // Styles "Title" (bold) and "Data" in the report, a memo using "Title".
    TkavMemoView *styledMemo()
    {
        TkavStyleItem *title = report->Styles().Add();
        title->SetName(u"Title"_s);
        report->Styles().Add()->SetName(u"Data"_s);
        TkavMemoView *memo = insertMemo(0, masterTop());
        memo->SetStyle(u"Title"_s);
        doc->SetModified(true);
        return memo;
    }

    QTemporaryDir dir;
    TkavCSVDataSet orders, customers;
};

} // namespace

TEST_F(StyleBandDialogsTest, GroupDialogOpensOnTheConditionsFieldOrOnTheExpression)
{
    struct Case
    {
        QString condition;
        bool dataField;
        QString dataSet, field, expression;
    };
    const Case cases[] = {
        {u"Customers.\"City\""_s, true, u"Customers"_s, u"City"_s, {}},
        {u"[City]"_s, false, u"Orders"_s, {}, u"[City]"_s},
        // Two fields are an expression, not the field Name" + Orders."Due.
        {u"Orders.\"Name\" + Orders.\"Due\""_s, false, u"Orders"_s, {}, u"Orders.\"Name\" + Orders.\"Due\""_s},
        // A field the data set does not list stays as typed rather than being lost.
        {u"Customers.\"Gone\""_s, false, u"Customers"_s, {}, u"Customers.\"Gone\""_s},
        {QString(), true, u"Orders"_s, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.condition.toStdString());
        TkavGroupEditorForm dialog;
        dialog.load(*groupWith(c.condition));
        EXPECT_EQ(field<QRadioButton>(dialog, "DataFieldRB")->isChecked(), c.dataField);
        EXPECT_EQ(field<QComboBox>(dialog, "DataSetCB")->currentText(), c.dataSet);
        const QListWidgetItem *current = field<QListWidget>(dialog, "DataFieldLB")->currentItem();
        EXPECT_EQ(current ? current->text() : QString(), c.field);
        EXPECT_EQ(field<QLineEdit>(dialog, "ExpressionE")->text(), c.expression);
        EXPECT_EQ(field<QComboBox>(dialog, "DataSetCB")->isEnabled(), c.dataField);
        EXPECT_EQ(field<QLineEdit>(dialog, "ExpressionE")->isEnabled(), !c.dataField);
    }
    // Without data sets there is no field to choose: OK must not be refused.
    report->DataSets().Clear();
    TkavGroupEditorForm dialog;
    dialog.load(*groupWith(QString()));
    EXPECT_TRUE(field<QRadioButton>(dialog, "ExpressionRB")->isChecked());
    EXPECT_TRUE(dialog.validate());
}

TEST_F(StyleBandDialogsTest, GroupDialogWritesTheConditionAndKeepsAnOutlineTextOfItsOwn)
{
    TkavGroupHeader *band = groupWith(u"[City]"_s);
    band->SetOutlineText(u"'Customers in ' + [City]"_s);
    TkavGroupEditorForm dialog;
    dialog.load(*band);
    EXPECT_TRUE(field<QCheckBox>(dialog, "OutlineCB")->isChecked());
    field<QRadioButton>(dialog, "DataFieldRB")->setChecked(true);
    field<QComboBox>(dialog, "DataSetCB")->setCurrentText(u"Customers"_s);
    EXPECT_EQ(texts(field<QListWidget>(dialog, "DataFieldLB")), (QStringList{u"Id"_s, u"City"_s}));
    choose(field<QListWidget>(dialog, "DataFieldLB"), u"City"_s);
    field<QCheckBox>(dialog, "KeepTogetherCB")->setChecked(true);
    field<QCheckBox>(dialog, "ResetPageNumbersCB")->setChecked(true);
    ASSERT_TRUE(dialog.validate());
    dialog.apply(*band);
    EXPECT_EQ(band->Condition(), u"Customers.\"City\""_s);
    EXPECT_TRUE(band->KeepTogether());
    EXPECT_TRUE(band->ResetPageNumbers());
    EXPECT_FALSE(band->DrillDown());
    EXPECT_EQ(band->OutlineText(), u"'Customers in ' + [City]"_s);

    field<QCheckBox>(dialog, "OutlineCB")->setChecked(false);
    dialog.apply(*band);
    EXPECT_EQ(band->OutlineText(), QString());
    field<QCheckBox>(dialog, "OutlineCB")->setChecked(true);
    dialog.apply(*band); // shown in the outline without a text of its own: the condition
    EXPECT_EQ(band->OutlineText(), u"Customers.\"City\""_s);
}

TEST_F(StyleBandDialogsTest, GroupDialogFromTheDesignerIsOneUndoStepAndRefusesADataSetWithoutField)
{
    TkavGroupHeader *band = groupWith(u"[City]"_s);
    doc->SetModified(true);
    dialogs().ObjectDialog = [](TkavComponent &c) { return kavEditGroup(dynamic_cast<TkavGroupHeader &>(c)); };
    const QByteArray before = bytes();
    const int undo = doc->UndoBuffer().UndoCount();
    whenOpen([](QDialog &shown) {
        field<QRadioButton>(shown, "DataFieldRB")->setChecked(true);
        field<QPushButton>(shown, "OkB")->click(); // no field chosen: the dialog stays
        EXPECT_TRUE(shown.isVisible());
        EXPECT_TRUE(field<QListWidget>(shown, "DataFieldLB")->property("invalid").toBool());
        field<QPushButton>(shown, "CancelB")->click();
    });
    doc->Select(band);
    EXPECT_FALSE(doc->EditSelected());
    EXPECT_EQ(bytes(), before);

    whenOpen([](QDialog &shown) {
        field<QCheckBox>(shown, "StartNewPageCB")->setChecked(true);
        QTest::keyClick(field<QLineEdit>(shown, "ExpressionE"), Qt::Key_Return); // Enter is OK
    });
    doc->Select(find(band->Name()));
    ASSERT_TRUE(doc->EditSelected());
    EXPECT_TRUE(find<TkavGroupHeader>(band->Name())->StartNewPage());
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo + 1);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(bytes(), before);
}

TEST_F(StyleBandDialogsTest, DataBandDialogListsSortedDataSetsAndUnbindsKeepingTheTypedCount)
{
    auto *band = find<TkavDataBand>(u"MasterData1"_s);
    band->SetDataSet(&orders);
    band->SetFilter(u"<Orders.\"Amount\"> > 1"_s);
    TkavDataBandEditorForm dialog;
    dialog.load(*band);
    auto *list = field<QListWidget>(dialog, "DataSetsLB");
    auto *records = field<QSpinBox>(dialog, "RecordsSE");
    EXPECT_EQ(texts(list), (QStringList{kavResourceTable().Get(u"dbNotAssigned"_s), u"Customers"_s, u"Orders"_s}));
    EXPECT_EQ(list->currentItem()->text(), u"Orders"_s);
    EXPECT_EQ(field<QLineEdit>(dialog, "FilterE")->text(), u"<Orders.\"Amount\"> > 1"_s);
    records->setValue(5);
    choose(list, u"Customers"_s); // a data set counts its own records
    EXPECT_EQ(records->value(), 0);
    records->setValue(7);
    list->setCurrentRow(0);
    EXPECT_EQ(records->value(), 7);
    field<QLineEdit>(dialog, "FilterE")->clear();
    dialog.apply(*band);
    EXPECT_EQ(band->DataSet(), nullptr);
    EXPECT_EQ(band->RowCount(), 7);
    EXPECT_EQ(band->Filter(), QString());
}

TEST_F(StyleBandDialogsTest, DataBandDialogFromTheDesignerAcceptsADoubleClickAsOneUndoStep)
{
    dialogs().ObjectDialog = [](TkavComponent &c) { return kavEditDataBand(dynamic_cast<TkavDataBand &>(c)); };
    const QByteArray before = bytes();
    const int undo = doc->UndoBuffer().UndoCount();
    whenOpen([](QDialog &shown) {
        choose(field<QListWidget>(shown, "DataSetsLB"), u"Customers"_s);
        shown.reject();
    });
    doc->Select(find(u"MasterData1"_s));
    EXPECT_FALSE(doc->EditSelected());
    EXPECT_EQ(bytes(), before);

    whenOpen([](QDialog &shown) {
        auto *list = field<QListWidget>(shown, "DataSetsLB");
        choose(list, u"Customers"_s);
        Q_EMIT list->itemDoubleClicked(list->currentItem());
    });
    doc->Select(find(u"MasterData1"_s));
    ASSERT_TRUE(doc->EditSelected());
    EXPECT_EQ(find<TkavDataBand>(u"MasterData1"_s)->DataSet(), &customers);
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undo + 1);
}

TEST_F(StyleBandDialogsTest, StyleEditorEditsAPrivateCopyAndRefusesADuplicateName)
{
    styledMemo();
    report->Styles().Items(0)->Font().SetCharset(0);
    const QByteArray before = bytes();
    TkavStyleEditorForm dialog;
    dialog.load(*report);
    QListWidget &list = dialog.StylesLB();
    EXPECT_EQ(texts(&list), (QStringList{u"Title"_s, u"Data"_s}));
    EXPECT_EQ(list.currentRow(), 0);

    EXPECT_FALSE(dialog.RenameStyle(u"DATA"_s)); // names ignore letter case
    EXPECT_EQ(list.item(0)->text(), u"Title"_s);
    ASSERT_EQ(ui().CallsOf(u"MessageDlg"_s).size(), 1u);
    EXPECT_EQ(ui().CallsOf(u"MessageDlg"_s)[0].Text, kavResourceTable().Get(u"clDupName"_s));
    list.item(0)->setText(u"Heading"_s); // in-place editing renames the same way
    EXPECT_EQ(dialog.Styles().Items(0)->Name(), u"Heading"_s);
    EXPECT_FALSE(dialog.RenameStyle(QString()));

    dialog.AddStyle();
    EXPECT_EQ(texts(&list), (QStringList{u"Heading"_s, u"Data"_s, u"Style1"_s}));
    EXPECT_EQ(list.currentRow(), 2);
    dialog.DeleteStyle(); // the last one: the new last is selected
    EXPECT_EQ(list.currentRow(), 1);

    list.setCurrentRow(0);
    EXPECT_FALSE(field<QCheckBox>(dialog, "CharsetCB")->isChecked());
    field<QCheckBox>(dialog, "CharsetCB")->click();
    EXPECT_EQ(dialog.Styles().Items(0)->Font().Charset(), kavFontDefaultCharsetValue);
    field<QCheckBox>(dialog, "FontCB")->click();
    EXPECT_FALSE(dialog.Styles().Items(0)->ApplyFont());
    EXPECT_FALSE(field<QPushButton>(dialog, "FontB")->isEnabled());
    dialogs().Frame = [](TkavFrame &frame) {
        frame.SetTyp(TkavFrameTypes{ftBottom});
        return true;
    };
    field<QPushButton>(dialog, "FrameB")->click();
    EXPECT_TRUE(dialog.Styles().Items(0)->Frame().Typ().Contains(ftBottom));
    EXPECT_EQ(bytes(), before); // only the copy changed
}

TEST_F(StyleBandDialogsTest, StyleEditorKeepsWhatComesFromAnAncestorReport)
{
    styledMemo();
    report->Styles().Items(0)->SetIsInherited(true);
    report->SetAncestor(true);
    TkavStyleEditorForm dialog;
    dialog.load(*report);
    EXPECT_FALSE(field<QToolButton>(dialog, "LoadB")->isEnabled());
    EXPECT_FALSE(field<QToolButton>(dialog, "DeleteB")->isEnabled());
    EXPECT_FALSE(dialog.RenameStyle(u"Heading"_s));
    dialog.DeleteStyle();
    EXPECT_EQ(texts(&dialog.StylesLB()), (QStringList{u"Title"_s, u"Data"_s}));
    dialog.StylesLB().setCurrentRow(1); // a style of this report's own
    EXPECT_TRUE(field<QToolButton>(dialog, "DeleteB")->isEnabled());
    EXPECT_TRUE(dialog.RenameStyle(u"Body"_s));
}

TEST_F(StyleBandDialogsTest, StyleEditorLoadsAndSavesStyleFiles)
{
    styledMemo();
    TkavStyleEditorForm dialog;
    dialog.load(*report);
    const QString saved = dir.filePath(u"looks.txt"_s);
    ui().FileAnswers.push_back(QStringList{saved});
    dialog.SaveStyles();
    EXPECT_EQ(ui().CallsOf(u"SaveFile"_s).at(0).Text,
              kavResourceTable().Get(u"dsStyleFile"_s) + u" (*.kt3)|*.kt3"_s);
    ASSERT_TRUE(QFile::exists(dir.filePath(u"looks.kt3"_s))); // the extension is replaced
    EXPECT_FALSE(QFile::exists(saved));

    dialog.DeleteStyle();
    dialog.DeleteStyle();
    ui().FileAnswers.push_back(QStringList{dir.filePath(u"looks.kt3"_s)});
    dialog.LoadStyles();
    EXPECT_EQ(texts(&dialog.StylesLB()), (QStringList{u"Title"_s, u"Data"_s}));

    // A file of another kind is refused and the set stays as it was.
    const QString sheet = write(u"sheet.kt3"_s, "<?xml version=\"1.0\"?><stylesheet/>");
    ui().FileAnswers.push_back(QStringList{sheet});
    dialog.LoadStyles();
    EXPECT_EQ(texts(&dialog.StylesLB()), (QStringList{u"Title"_s, u"Data"_s}));
    EXPECT_EQ(ui().CallsOf(u"MessageDlg"_s).size(), 1u);
}

TEST_F(StyleBandDialogsTest, StylesCommandAppliesTheSetToMemosAsOneUndoStep)
{
    TkavMemoView *memo = styledMemo();
    const QString memoName = memo->Name();
    doc.reset(); // the window's designer is the only one on the report
    report->SetIniFile(dir.filePath(u"designer.ini"_s));
    TkavDesignerForm form(*report);
    form.Document().ReloadReport();
    const QByteArray before = bytes();
    whenOpen([](QDialog &shown) {
        static_cast<TkavStyleEditorForm &>(shown).AddStyle();
        field<QPushButton>(shown, "CancelB")->click();
    });
    form.Command(u"ReportStylesCmd"_s)->trigger();
    EXPECT_EQ(bytes(), before);
    EXPECT_FALSE(form.Document().Modified());

    TkavFontChoice courier{u"Courier New"_s, 14, {}, clBlack};
    ui().FontAnswers.push_back(courier);
    whenOpen([](QDialog &shown) {
        field<QPushButton>(shown, "FontB")->click(); // "Title" is selected
        static_cast<TkavStyleEditorForm &>(shown).StylesLB().item(1)->setText(u"Body"_s);
        field<QPushButton>(shown, "OkB")->click();
    });
    form.Command(u"ReportStylesCmd"_s)->trigger();
    auto *applied = dynamic_cast<TkavMemoView *>(report->FindObject(memoName));
    EXPECT_EQ(applied->Font().Name(), u"Courier New"_s);
    EXPECT_EQ(applied->Font().Size(), 14);
    EXPECT_EQ(report->Styles().Items(1)->Name(), u"Body"_s);
    auto *styleBox = form.findChild<QComboBox *>(u"StyleCB"_s);
    EXPECT_EQ(styleBox->itemText(2), u"Body"_s);
    EXPECT_TRUE(form.Document().Modified());
    ASSERT_TRUE(form.Document().Undo());
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(styleBox->itemText(2), u"Data"_s);

    TkavDesigner settings;
    settings.SetRestrictions({drDontChangeReportOptions});
    form.UpdateCommands();
    EXPECT_FALSE(form.Command(u"ReportStylesCmd"_s)->isEnabled());
}

TEST_F(StyleBandDialogsTest, F1InEachDialogOpensItsPage)
{
    TkavStyleEditorForm styles;
    TkavGroupEditorForm group;
    TkavDataBandEditorForm dataBand;
    const std::pair<QDialog *, const char *> dialogs[] = {
        {&styles, "Styles.htm"}, {&group, "Report_with_groups.htm"}, {&dataBand, "Bands.htm"}};
    for (const auto &[dialog, page] : dialogs) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        QApplication::setActiveWindow(dialog);
        QWidget *target = dialog->findChild<QLineEdit *>();
        target = target ? target : dialog->findChild<QListWidget *>();
        target->setFocus();
        QTest::keyClick(target, Qt::Key_F1);
        ASSERT_FALSE(ui().HelpTopics.isEmpty()) << page;
        EXPECT_EQ(ui().HelpTopics.last(), kavResourceTable().helpFolder() + u'/' + QString::fromLatin1(page));
        dialog->hide();
    }
}
