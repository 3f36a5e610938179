#include "kavDesignerTestSupport.h"

#include <designer/editors/kavDesgnEditors.h>
#include <designer/editors/kavDesgnScriptGen.h>
#include <data/kavSQLDataSets.h>
#include <report/kavBands.h>
#include <report/kavCustomEngine.h>
#include <report/kavDataSets.h>
#include <report/kavStyles.h>
#include <rtl/kavUIServicesFake.h>
#include <scriptlib/ky_formsrtti.h>

#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// The editor of one property of one object (registry and kind decide).
std::unique_ptr<TkavPropertyEditor> editorOf(TPersistent &obj, const QString &name,
                                             DesignerDocument *doc)
{
    const TkavPropInfo *prop = kavFindProp(obj, name);
    return prop ? kavCreatePropertyEditor(obj, *prop, doc) : nullptr;
}

class EditorA : public TkavStringProperty
{
public:
    using TkavStringProperty::TkavStringProperty;
};
class EditorB : public TkavStringProperty
{
public:
    using TkavStringProperty::TkavStringProperty;
};
class EditorC : public TkavStringProperty
{
public:
    using TkavStringProperty::TkavStringProperty;
};

} // namespace

TEST_F(DesignerTest, EarliestTypeOnlyEditorWinsAndNamesBeatTypes)
{
    TkavPropertyEditorCollection &r = kavPropertyEditorRegistry();
    r.Register<EditorA>(u"TkavTestType"_s, {}, {});
    r.Register<EditorB>(u"TkavTestType"_s, {}, {});
    TkavMemoView memo;
    EXPECT_EQ(r.Items(r.GetPropertyEditor(u"TkavTestType"_s, memo, u"Any"_s)).EditorType,
              std::type_index(typeid(EditorA)));
    r.Register<EditorC>(u"TkavTestType"_s, {}, u"Special"_s);
    EXPECT_EQ(r.Items(r.GetPropertyEditor(u"TkavTestType"_s, memo, u"special"_s)).EditorType,
              std::type_index(typeid(EditorC)));
    r.UnRegister<EditorA>();
    r.UnRegister<EditorB>();
    r.UnRegister<EditorC>();
    EXPECT_EQ(r.GetPropertyEditor(u"TkavTestType"_s, memo, u"Any"_s), -1);
}

TEST_F(DesignerTest, HiddenAndRegisteredPropertiesReachDescendantsAndSubObjects)
{
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    TkavPropertyList list(doc.get());
    list.SetComponent(memo);
    EXPECT_FALSE(list.Find(u"DataSetName"_s));
    EXPECT_FALSE(list.Find(u"GroupIndex"_s));
    ASSERT_TRUE(list.Find(u"DataField"_s));
    EXPECT_TRUE(dynamic_cast<TkavDataFieldProperty *>(list.Find(u"DataField"_s)->Editor()));
    TkavPropertyItem *font = list.Find(u"Font"_s);
    ASSERT_TRUE(font && font->SubProperty());
    EXPECT_TRUE(dynamic_cast<TkavFontProperty *>(font->Editor()));
    ASSERT_TRUE(font->SubProperty()->Find(u"Name"_s));
    EXPECT_TRUE(dynamic_cast<TkavFontNameProperty *>(font->SubProperty()->Find(u"Name"_s)->Editor()));
    EXPECT_FALSE(font->SubProperty()->Find(u"Height"_s));
    EXPECT_FALSE(font->SubProperty()->Find(u"Pitch"_s));
    TkavPropertyItem *events = list.Find(u"OnBeforePrint"_s);
    ASSERT_TRUE(events);
    EXPECT_TRUE(dynamic_cast<TkavEventProperty *>(events->Editor()));
}

TEST_F(DesignerTest, MultiSelectionKeepsSharedPropertiesAndWritesAll)
{
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    auto *picture = doc->InsertObject(u"TkavPictureView"_s, 0, 10, masterTop(), 40, 40);
    auto list = kavCreatePropertyList({memo, picture}, doc.get());
    ASSERT_TRUE(list);
    EXPECT_FALSE(list->Find(u"Name"_s));
    EXPECT_FALSE(list->Find(u"Text"_s));
    TkavPropertyItem *left = list->Find(u"Left"_s);
    ASSERT_TRUE(left);
    left->Editor()->SetValue(u"1"_s); // centimetres
    EXPECT_NEAR(memo->Left(), 96 / 2.54, 1e-9);
    EXPECT_NEAR(picture->Left(), 96 / 2.54, 1e-9);
    TkavPropertyItem *frame = list->Find(u"Frame"_s);
    ASSERT_TRUE(frame && frame->SubProperty());
    TkavPropertyItem *typ = frame->SubProperty()->Find(u"Typ"_s);
    ASSERT_TRUE(typ && typ->SubProperty());
    typ->SubProperty()->Find(u"ftTop"_s)->Editor()->SetValue(u"True"_s);
    EXPECT_TRUE(dynamic_cast<TkavView *>(picture)->Frame().Typ().Contains(ftTop));
    EXPECT_TRUE(memo->Frame().Typ().Contains(ftTop));
    // The frame dialog's result reaches every selected object, not only the first.
    dialogs().Frame = [](TkavFrame &edited) {
        edited.SetWidth(3);
        return true;
    };
    ASSERT_TRUE(frame->Editor()->Edit());
    EXPECT_EQ(dynamic_cast<TkavView *>(picture)->Frame().Width(), 3);
    EXPECT_EQ(memo->Frame().Width(), 3);
}

TEST_F(DesignerTest, SetMembersSwitchPerObject)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(50, masterTop());
    a->Frame().SetTyp({ftLeft});
    b->Frame().SetTyp({ftRight});
    auto list = kavCreatePropertyList({a, b}, doc.get());
    TkavPropertyList *typ = list->Find(u"Frame"_s)->SubProperty()->Find(u"Typ"_s)->SubProperty();
    typ->Find(u"ftBottom"_s)->Editor()->SetValue(u"true"_s);
    EXPECT_EQ(a->Frame().Typ(), (TkavFrameTypes{ftLeft, ftBottom}));
    EXPECT_EQ(b->Frame().Typ(), (TkavFrameTypes{ftRight, ftBottom}));
    EXPECT_THROW(typ->Find(u"ftTop"_s)->Editor()->SetValue(u"yes"_s), EkavError);
}

TEST_F(DesignerTest, TextRulesOfTheStandardEditors)
{
    TkavCharProperty charEditor(doc.get());
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    TkavDataBand &band = *find<TkavDataBand>(u"MasterData1"_s);
    // Integers, floats, enumerations, strings and colours, each through its text form.
    auto columns = editorOf(band, u"Columns"_s, doc.get());
    columns->SetValue(u" 3 "_s);
    EXPECT_EQ(columns->GetValue(), u"3"_s);
    auto halign = editorOf(*memo, u"HAlign"_s, doc.get());
    halign->SetValue(u"HACENTER"_s);
    EXPECT_EQ(halign->GetValue(), u"haCenter"_s);
    EXPECT_THROW(halign->SetValue(u"middle"_s), EkavError);
    halign->GetValues();
    EXPECT_TRUE(halign->Values().contains(u"haBlock"_s));
    auto gap = editorOf(*memo, u"GapX"_s, doc.get());
    {
        TkavFormatSettingsGuard comma(kavCommaSettings());
        gap->SetValue(u"2.5"_s);
        EXPECT_EQ(gap->GetValue(), u"2,5"_s);
    }
    auto color = editorOf(memo->Font(), u"Color"_s, doc.get());
    color->SetValue(u"clRed"_s);
    EXPECT_EQ(memo->Font().Color(), clRed);
    EXPECT_EQ(color->GetValue(), u"clRed"_s);
    auto name = editorOf(*memo, u"Name"_s, doc.get());
    EXPECT_TRUE(dynamic_cast<TkavNameProperty *>(name.get()));
    EXPECT_THROW(name->SetValue(u"MasterData1"_s), EDuplicateName);
    EXPECT_EQ(memo->Name(), u"Memo1"_s);
    auto charset = editorOf(memo->Font(), u"Charset"_s, doc.get());
    charset->SetValue(u"russian_charset"_s);
    EXPECT_EQ(charset->GetValue(), u"RUSSIAN_CHARSET"_s);
}

TEST(DesignerCharProperty, SpaceShowsAsCodeAndCodesAreTyped)
{
    TkyEdit edit; // its PasswordChar is a character property
    auto editor = editorOf(edit, u"PasswordChar"_s, nullptr);
    ASSERT_TRUE(dynamic_cast<TkavCharProperty *>(editor.get()));
    editor->SetValue(u" "_s);
    EXPECT_EQ(editor->GetValue(), u"#32"_s);
    editor->SetValue(u"#65"_s);
    EXPECT_EQ(edit.PasswordChar(), QChar(u'A'));
    EXPECT_EQ(editor->GetValue(), u"A"_s);
    EXPECT_THROW(editor->SetValue(u"AB"_s), EkavError);
    editor->SetValue(QString());
    EXPECT_EQ(editor->GetValue(), u"#0"_s);
}

TEST_F(DesignerTest, LocSizeInInchesAndCentimetres)
{
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    auto width = editorOf(*memo, u"Width"_s, doc.get());
    doc->SetReportUnits(duInches);
    memo->SetWidth(96);
    EXPECT_EQ(width->GetValue(), u"1"_s);
    memo->SetWidth(48);
    {
        TkavFormatSettingsGuard comma(kavCommaSettings());
        EXPECT_EQ(width->GetValue(), u"0,50"_s);
    }
    doc->SetReportUnits(duCM);
    width->SetValue(u"2,5"_s);
    EXPECT_NEAR(memo->Width(), 2.5 * 96 / 2.54, 1e-9);
}

TEST_F(DesignerTest, ComponentReferenceTakesOnlyItsClassAndNotItself)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(50, masterTop());
    auto flowTo = editorOf(*a, u"FlowTo"_s, doc.get());
    ASSERT_TRUE(flowTo);
    flowTo->GetValues();
    EXPECT_TRUE(flowTo->Values().contains(b->Name()));
    EXPECT_FALSE(flowTo->Values().contains(a->Name()));
    EXPECT_FALSE(flowTo->Values().contains(u"MasterData1"_s));
    EXPECT_THROW(flowTo->SetValue(u"MasterData1"_s), EkavError); // a band is no memo
    EXPECT_THROW(flowTo->SetValue(a->Name()), EkavError);
    flowTo->SetValue(b->Name());
    EXPECT_EQ(a->FlowTo(), b);
    flowTo->SetValue(QString());
    EXPECT_EQ(a->FlowTo(), nullptr);
}

TEST(DesignerLists, ModalResultsAndShortcuts)
{
    EXPECT_EQ(kavModalResultNames().indexOf(u"mrYes"_s), 6);
    EXPECT_EQ(kavShortCuts().size(), 108);
    EXPECT_EQ(kavShortCuts().first().first, u"Ctrl+A"_s);
    EXPECT_EQ(kavShortCuts().last().first, u"Shift+Alt+BkSp"_s);
}

TEST_F(DesignerTest, EventEditorCreatesTheHandlerBeforeTheMainBlock)
{
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    auto event = editorOf(*memo, u"OnBeforePrint"_s, doc.get());
    ASSERT_TRUE(dynamic_cast<TkavEventProperty *>(event.get()));
    ASSERT_TRUE(event->Edit());
    EXPECT_EQ(report->ScriptText().ToStringList(),
              QStringList({u"procedure Memo1OnBeforePrint(Sender: TkavComponent);"_s, u"begin"_s,
                           u""_s, u"end;"_s, u""_s, u"begin"_s, u""_s, u"end."_s}));
    EXPECT_EQ(memo->OnBeforePrint(), u"Memo1OnBeforePrint"_s);
    EXPECT_EQ(doc->ScriptCaretLine(), 3);
    EXPECT_EQ(doc->ScriptCaretColumn(), 3);

    event->GetValues();
    EXPECT_EQ(event->Values(), QStringList{u"Memo1OnBeforePrint"_s});
    EXPECT_FALSE(event->Edit()); // the handler exists: the script is shown at its body
    EXPECT_EQ(doc->ScriptCaretLine(), 3);
    EXPECT_EQ(doc->ScriptCaretColumn(), 1);
}

TEST(DesignerScriptGen, LanguagesWithoutLastEndAndComments)
{
    kavResourceTable().loadBuiltIn(blEnglish);
    TkavScriptGenerator empty({}, u"JScript"_s);
    EXPECT_EQ(empty.CreateHandler(u"Memo1OnBeforePrint"_s, u"TkavNotifyEvent"_s), 0);
    EXPECT_EQ(empty.Lines().first(), u"function Memo1OnBeforePrint(Sender)"_s);

    TkavScriptGenerator pascal({u"{"_s, u"procedure Hidden(Sender: TkavComponent);"_s, u"}"_s,
                                u"procedure Shown(Sender: TkavComponent);"_s,
                                u"procedure Other(var Result: Boolean);"_s, u"begin"_s, u"end."_s},
                               u"PascalScript"_s);
    EXPECT_EQ(pascal.Handlers(u"TkavNotifyEvent"_s), QStringList{u"Shown"_s});
    EXPECT_EQ(pascal.FindHandler(u"Hidden"_s), -1);

    TkavScriptGenerator noMain({u"procedure A;"_s}, u"PascalScript"_s);
    EXPECT_EQ(noMain.CreateHandler(u"X"_s, u"TkavNotifyEvent"_s), -1);
}

TEST_F(DesignerTest, HandlerWithoutPlaceClearsTheEventAndSays)
{
    doc->SetScriptLines({u"procedure A;"_s});
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    auto event = editorOf(*memo, u"OnAfterPrint"_s, doc.get());
    EXPECT_THROW(event->Edit(), EkavError);
    EXPECT_TRUE(memo->OnAfterPrint().isEmpty());
}

// Identifier lists: a name or a number goes in, the name (or the number when it has none)
// comes out; text that is neither is refused and leaves the value.
TEST_F(DesignerTest, IdentifierEditorsRoundTripNamesAndNumbers)
{
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    auto cursor = editorOf(*memo, u"Cursor"_s, doc.get());
    ASSERT_TRUE(dynamic_cast<TkavCursorProperty *>(cursor.get()));
    cursor->SetValue(u"crhandpoint"_s);
    EXPECT_EQ(cursor->GetValue(), u"crHandPoint"_s);
    cursor->SetValue(u" -3 "_s);
    EXPECT_EQ(cursor->GetValue(), u"crCross"_s);
    cursor->SetValue(u"77"_s);
    EXPECT_EQ(cursor->GetValue(), u"77"_s);
    EXPECT_ANY_THROW(cursor->SetValue(u"crBanana"_s));
    EXPECT_EQ(cursor->GetValue(), u"77"_s);

    TkyButton button;
    auto modal = editorOf(button, u"ModalResult"_s, doc.get());
    ASSERT_TRUE(dynamic_cast<TkavModalResultProperty *>(modal.get()));
    modal->SetValue(u"MRYES"_s);
    EXPECT_EQ(button.ModalResult(), 6);
    EXPECT_EQ(modal->GetValue(), u"mrYes"_s);
    modal->SetValue(u"17"_s);
    EXPECT_EQ(modal->GetValue(), u"17"_s);
    modal->SetValue(QString());
    EXPECT_EQ(modal->GetValue(), u"mrNone"_s);
    modal->GetValues();
    EXPECT_EQ(modal->Values().size(), 15);

    // Shortcuts: every listed text reads back as itself, in any letter case.
    TkavShortCutProperty shortcut(doc.get());
    shortcut.Add(&button, kavFindProp(button, u"ModalResult"_s));
    shortcut.GetValues();
    ASSERT_EQ(shortcut.Values().size(), 109);
    EXPECT_EQ(shortcut.Values().first(), u"(None)"_s);
    for (const QString &text : shortcut.Values()) {
        shortcut.SetValue(text.toLower());
        EXPECT_EQ(shortcut.GetValue(), text);
    }
    shortcut.SetValue(u"Shift+Ctrl+F1"_s);
    const int shiftCtrlF1 = button.ModalResult();
    shortcut.SetValue(u"ctrl+shift+f1"_s);
    EXPECT_EQ(button.ModalResult(), shiftCtrlF1);
    EXPECT_THROW(shortcut.SetValue(u"Ctrl+Banana"_s), EkavError);
    shortcut.SetValue(QString());
    EXPECT_EQ(button.ModalResult(), 0);
}

TEST_F(DesignerTest, DateTimeEditorRoundTripsAndEmptyIsZero)
{
    TkavCustomEngine &engine = *report->Engine();
    auto date = editorOf(engine, u"StartDate"_s, doc.get());
    ASSERT_TRUE(dynamic_cast<TkavDateTimeProperty *>(date.get()));
    date->SetValue(QString());
    EXPECT_EQ(date->GetValue(), QString());
    engine.SetStartDate(45000.5); // 15 March 2023, noon
    const QString shown = date->GetValue();
    ASSERT_FALSE(shown.isEmpty());
    engine.SetStartDate(0);
    date->SetValue(shown);
    EXPECT_NEAR(engine.StartDate(), 45000.5, 1e-6);
    EXPECT_ANY_THROW(date->SetValue(u"no date"_s));
}

// Paper sizes are kept in millimetres and shown in the designer's unit.
TEST_F(DesignerTest, PaperEditorsShowMillimetresInTheUnit)
{
    auto *page = find<TkavReportPage>(u"Page1"_s);
    auto width = editorOf(*page, u"PaperWidth"_s, doc.get());
    auto top = editorOf(*page, u"TopMargin"_s, doc.get());
    ASSERT_TRUE(dynamic_cast<TkavPaperXProperty *>(width.get()));
    ASSERT_TRUE(dynamic_cast<TkavPaperYProperty *>(top.get()));
    EXPECT_EQ(width->GetValue(), u"21"_s);
    EXPECT_EQ(top->GetValue(), u"1"_s);
    doc->SetReportUnits(duInches);
    EXPECT_EQ(width->GetValue(), u"8.27"_s);
    top->SetValue(u"0,5"_s);
    EXPECT_NEAR(page->TopMargin(), 12.7, 1e-9);
    doc->SetReportUnits(duPixels);
    EXPECT_EQ(width->GetValue(), u"793.70"_s);
    width->SetValue(u"96"_s);
    EXPECT_NEAR(page->PaperWidth(), 25.4, 1e-9);

    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    auto height = editorOf(*memo, u"Height"_s, doc.get());
    ASSERT_TRUE(dynamic_cast<TkavLocSizeYProperty *>(height.get()));
    height->SetValue(u"17"_s);
    EXPECT_NEAR(memo->Height(), 17, 1e-9);
    EXPECT_ANY_THROW(height->SetValue(u"tall"_s));
    EXPECT_NEAR(memo->Height(), 17, 1e-9);
}

TEST_F(DesignerTest, ClassSetBooleanAndPictureTexts)
{
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    memo->Frame().SetTyp({ftTop, ftLeft});
    TkavPropertyList list(doc.get());
    list.SetComponent(memo);
    TkavPropertyItem *frame = list.Find(u"Frame"_s);
    EXPECT_EQ(frame->Editor()->GetValue(), u"(TkavFrame)"_s);
    EXPECT_EQ(frame->SubProperty()->Find(u"Typ"_s)->Editor()->GetValue(), u"[ftLeft,ftTop]"_s);

    TkavPropertyEditor *wrap = list.Find(u"WordWrap"_s)->Editor();
    ASSERT_TRUE(dynamic_cast<TkavBooleanProperty *>(wrap));
    wrap->SetValue(u"TRUE"_s);
    EXPECT_EQ(wrap->GetValue(), u"True"_s);
    ASSERT_TRUE(wrap->Edit()); // the next value of the list
    EXPECT_FALSE(memo->WordWrap());

    auto *picture = doc->InsertObject(u"TkavPictureView"_s, 0, 10, masterTop(), 40, 40);
    auto pictureEditor = editorOf(*picture, u"Picture"_s, doc.get());
    ASSERT_TRUE(dynamic_cast<TkavPictureProperty *>(pictureEditor.get()));
    EXPECT_EQ(pictureEditor->GetValue(), kavResourceTable().Get(u"prNotAssigned"_s));
}

// A memo bound through the inspector shows the field it is bound to.
TEST_F(DesignerTest, DataSetAndFieldEditorsBindTheMemo)
{
    auto *customers = TkavComponent::Create<TkavUserDataSet>(report.get());
    customers->SetName(u"Customers"_s);
    customers->Fields().SetText(u"Name\r\nCity"_s);
    report->DataSets().Add(customers);
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    auto dataSet = editorOf(*memo, u"DataSet"_s, doc.get());
    auto field = editorOf(*memo, u"DataField"_s, doc.get());
    ASSERT_TRUE(dynamic_cast<TkavDataSetProperty *>(dataSet.get()));
    EXPECT_EQ(dataSet->GetValue(), kavResourceTable().Get(u"prNotAssigned"_s));
    field->GetValues();
    EXPECT_TRUE(field->Values().isEmpty()); // no data set, no fields
    dataSet->GetValues();
    EXPECT_EQ(dataSet->Values(), QStringList{u"Customers"_s});
    EXPECT_THROW(dataSet->SetValue(u"Orders"_s), EkavError);
    dataSet->SetValue(u"customers"_s);
    EXPECT_EQ(memo->DataSet(), customers);
    field->GetValues();
    EXPECT_EQ(field->Values(), (QStringList{u"Name"_s, u"City"_s}));
    field->SetValue(u"City"_s);
    EXPECT_EQ(memo->Text().trimmed(), u"[Customers.\"City\"]"_s);
    dataSet->SetValue(QString());
    EXPECT_EQ(memo->DataSet(), nullptr);

    // A query is never its own master.
    auto *query = dynamic_cast<TkavSQLQuery *>(TkavComponent::Create(u"TkavSQLQuery", report.get()));
    ASSERT_TRUE(query);
    query->SetName(u"Orders"_s);
    report->DataSets().Add(query);
    auto master = editorOf(*query, u"Master"_s, doc.get());
    ASSERT_TRUE(dynamic_cast<TkavDataSetProperty *>(master.get()));
    master->GetValues();
    EXPECT_EQ(master->Values(), QStringList{u"Customers"_s});
    try {
        master->SetValue(u"Orders"_s);
        ADD_FAILURE() << "a query took itself as its master";
    } catch (const EkavError &e) {
        EXPECT_EQ(e.Message(), kavResourceTable().Get(u"prInvProp"_s)); // refused by the editor
    }
    EXPECT_EQ(query->Master(), nullptr);
    master->SetValue(u"Customers"_s);
    EXPECT_EQ(query->Master(), customers);
}

// A database file chosen beside the report is kept relative to it; one elsewhere stays whole.
TEST_F(DesignerTest, FileNameEditorKeepsFilesBesideTheReportRelative)
{
    QTemporaryDir folder;
    report->SetFileName(folder.filePath(u"list.kv3"_s));
    auto *database = dynamic_cast<TkavSQLDatabase *>(TkavComponent::Create(u"TkavSQLDatabase", report.get()));
    ASSERT_TRUE(database);
    auto editor = editorOf(*database, u"DatabaseName"_s, doc.get());
    ASSERT_TRUE(dynamic_cast<TkavFileNameProperty *>(editor.get()));
    TkavFakeUIServicesScope ui;
    ui.Fake().FileAnswers = {QStringList{folder.filePath(u"data/demo.db"_s)}, QStringList{u"/srv/shared.db"_s},
                             std::nullopt};
    ASSERT_TRUE(editor->Edit());
    EXPECT_EQ(database->DatabaseName(), u"data/demo.db"_s);
    ASSERT_TRUE(editor->Edit());
    EXPECT_EQ(database->DatabaseName(), u"/srv/shared.db"_s);
    EXPECT_FALSE(editor->Edit()); // cancelled: the name stays
    EXPECT_EQ(database->DatabaseName(), u"/srv/shared.db"_s);
}

TEST_F(DesignerTest, StyleEditorOffersTheReportStyles)
{
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    auto style = editorOf(*memo, u"Style"_s, doc.get());
    ASSERT_TRUE(dynamic_cast<TkavStyleProperty *>(style.get()));
    style->GetValues();
    EXPECT_TRUE(style->Values().isEmpty());
    report->Styles().Add()->SetName(u"Heading"_s);
    style->GetValues();
    EXPECT_EQ(style->Values(), QStringList{u"Heading"_s});
}
