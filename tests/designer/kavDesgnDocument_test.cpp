#include "kavDesignerTestSupport.h"

#include <report/kavBands.h>
#include <report/kavPages.h>
#include <rtl/kavSettings.h>

#include <QDir>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

constexpr double H = 18.89765; // band caption height in centimetres
constexpr double B = 22.67718; // default band height in centimetres

} // namespace

TEST_F(DesignerTest, NewReportHasTitleMasterDataAndFooterWithPageNumber)
{
    EXPECT_EQ(report->PagesCount(), 2);
    EXPECT_EQ(report->Pages(0)->Name(), u"Data"_s);
    EXPECT_EQ(report->Pages(1)->Name(), u"Page1"_s);
    EXPECT_EQ(doc->Page(), report->Pages(1));
    EXPECT_NEAR(find(u"ReportTitle1"_s)->Top(), H, 1e-4);
    EXPECT_NEAR(find(u"ReportTitle1"_s)->Height(), B, 1e-4);
    EXPECT_NEAR(find(u"MasterData1"_s)->Top(), 2 * H + 45.35436, 1e-4);
    EXPECT_NEAR(find(u"PageFooter1"_s)->Top(), 3 * H + 90.70872, 1e-4);
    auto *memo = find<TkavMemoView>(u"Memo1"_s);
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->Parent(), find(u"PageFooter1"_s));
    EXPECT_EQ(memo->Text().trimmed(), u"[Page#]"_s);
    EXPECT_EQ(memo->HAlign(), haRight);
    EXPECT_NEAR(memo->Left(), 170 * 3.77953, 1e-4);
    EXPECT_NEAR(memo->Width(), 75.5906, 1e-4);
    EXPECT_EQ(report->ScriptText().ToStringList(), QStringList({u"begin"_s, u""_s, u"end."_s}));
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), 1);
    EXPECT_FALSE(doc->CanUndo());
}

TEST_F(DesignerTest, TwoMemosThenUndoAndRedo)
{
    ASSERT_TRUE(insertMemo(10, masterTop() + 1));
    ASSERT_TRUE(insertMemo(100, masterTop() + 1));
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), 3);
    EXPECT_EQ(find(u"Memo3"_s)->Parent(), find(u"MasterData1"_s));
    EXPECT_NEAR(find(u"Memo3"_s)->Top(), 1, 1e-9);

    ASSERT_TRUE(doc->Undo());
    EXPECT_TRUE(find(u"Memo2"_s));
    EXPECT_FALSE(find(u"Memo3"_s));
    EXPECT_EQ(doc->UndoBuffer().RedoCount(), 1);
    EXPECT_TRUE(find(u"Memo2"_s)->IsDesigning()); // rebuilt objects stay in the designer

    ASSERT_TRUE(doc->Redo());
    EXPECT_TRUE(find(u"Memo3"_s));
    EXPECT_EQ(doc->UndoBuffer().RedoCount(), 0);

    doc->Undo();
    insertMemo(200, masterTop() + 1); // a new edit drops the redo history
    EXPECT_EQ(doc->UndoBuffer().RedoCount(), 0);
}

TEST_F(DesignerTest, UndoRestoresTheExactBytes)
{
    const QByteArray before = bytes();
    insertMemo(10, masterTop());
    ASSERT_NE(bytes(), before);
    doc->Undo();
    EXPECT_EQ(bytes(), before);
}

TEST_F(DesignerTest, FailedCommandPutsTheLastGoodStateBack)
{
    insertMemo(10, masterTop());
    const QByteArray good = bytes();
    const bool ok = doc->Format([](TkavComponent &c) {
        c.SetLeft(999); // changed, then the command fails half-way
        throw EkavError(u"boom"_s);
        return true;
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(bytes(), good);
    ASSERT_EQ(ui().CallsOf(u"MessageDlg"_s).size(), 1u);
    EXPECT_EQ(ui().CallsOf(u"MessageDlg"_s)[0].Text, u"boom"_s);
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), 2); // nothing half-done entered the history
}

TEST_F(DesignerTest, RunRestoresTheDesignAndKeepsEditedScript)
{
    doc->ScriptEdited({u"begin"_s, u"  Memo1.Text := 'x';"_s, u"end."_s});
    EXPECT_TRUE(doc->Modified());
    doc->BeginRun();
    const QByteArray beforeRun = bytes();
    const int undoCount = doc->UndoBuffer().UndoCount();
    find<TkavMemoView>(u"Memo1"_s)->SetText(u"changed by the run"_s);
    doc->EndRun();
    EXPECT_EQ(bytes(), beforeRun);
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), undoCount - 1);
    EXPECT_EQ(report->ScriptText().Strings(1), u"  Memo1.Text := 'x';"_s);
}

// A new dialog page is a window at its usual place, shown at once; controls go onto it as
// objects go onto other pages, placed in the window's client area.
TEST_F(DesignerTest, NewDialogPageTakesControls)
{
    TkavComponent *dialog = doc->NewDialogPage();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->InheritsFrom(u"TkavDialogPage"));
    EXPECT_EQ(dialog->Name(), u"DialogPage1"_s);
    EXPECT_EQ(report->PagesCount(), 3);
    EXPECT_EQ(doc->Page(), dialog);
    EXPECT_DOUBLE_EQ(dialog->Left(), 265);
    EXPECT_DOUBLE_EQ(dialog->Width(), 300);

    TkavComponent *edit = doc->InsertObject(u"TkavEditControl"_s, 0, 16, 24, 120, 21);
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->Name(), u"Edit1"_s);
    EXPECT_EQ(edit->Parent(), dialog);
    EXPECT_DOUBLE_EQ(edit->AbsTop(), 24);
    EXPECT_EQ(static_cast<TkavReportComponent *>(edit)->GetRealBounds().Left, 16);
    // A text object has no place on a dialog page, nor a control on a report page.
    EXPECT_EQ(doc->InsertObject(u"TkavMemoView"_s, 0, 16, 60, 120, 21), nullptr);
    doc->SetPage(doc->FirstReportPage());
    EXPECT_EQ(doc->InsertObject(u"TkavEditControl"_s, 0, 16, masterTop() + 2, 120, 21), nullptr);
}

TEST_F(DesignerTest, NewAndDeletePage)
{
    EXPECT_FALSE(doc->CanDeletePage()); // two pages
    TkavReportPage *page = doc->NewPage();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Name(), u"Page2"_s);
    EXPECT_EQ(doc->Page(), page);
    EXPECT_NEAR(page->LeftMargin(), 10, 1e-9);
    ASSERT_TRUE(doc->CanDeletePage());
    EXPECT_TRUE(doc->DeletePage());
    EXPECT_EQ(report->PagesCount(), 2);
    EXPECT_EQ(doc->Page(), report->Pages(1));
}

TEST_F(DesignerTest, RestrictionsForbidCommands)
{
    TkavDesigner settings;
    settings.SetRestrictions({drDontCreatePage, drDontInsertObject});
    EXPECT_EQ(doc->NewPage(), nullptr);
    EXPECT_EQ(insertMemo(10, masterTop()), nullptr);
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), 1);
}

TEST_F(DesignerTest, InsertedBandWithFreePlacementGoesBelowTheOthers)
{
    doc->Options().FreeBands = true;
    TkavBand *band = doc->InsertBand(12); // group header
    ASSERT_TRUE(band);
    EXPECT_EQ(band->ClassName(), u"TkavGroupHeader"_s);
    EXPECT_EQ(band->Name(), u"GroupHeader1"_s);
    const double lowest = find(u"PageFooter1"_s)->Top() + B;
    const double step = 0.1 * 37.7953;
    EXPECT_NEAR(band->Top(), std::round((lowest + H + 4) / step) * step, 1e-6);
    EXPECT_NEAR(band->Height(), B, 1e-6);
    EXPECT_EQ(doc->SelectedObjects(), QList<TkavComponent *>{band});
}

TEST_F(DesignerTest, ChildBandJoinsTheChain)
{
    auto *master = find<TkavBand>(u"MasterData1"_s);
    doc->Select(master);
    TkavChild *first = doc->AddChildBand();
    doc->Select(master);
    TkavChild *second = doc->AddChildBand();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(master->Child(), second);
    EXPECT_EQ(second->Child(), first);
}

TEST_F(DesignerTest, SubreportGetsAPageWithTheCurrentLayout)
{
    auto *current = static_cast<TkavReportPage *>(doc->Page());
    current->SetOrientation(poLandscape);
    auto *sub = dynamic_cast<TkavSubreport *>(
        doc->InsertObject(u"TkavSubreport"_s, 0, 10, masterTop(), 100, 20));
    ASSERT_TRUE(sub && sub->SubPage());
    EXPECT_EQ(report->PagesCount(), 3);
    EXPECT_EQ(sub->SubPage()->Orientation(), poLandscape);
    EXPECT_NEAR(sub->SubPage()->PaperWidth(), current->PaperWidth(), 1e-9);
    EXPECT_EQ(doc->Page(), sub->SubPage());
}

TEST_F(DesignerTest, AlignmentOnAMultiSelection)
{
    auto *a = insertMemo(10, masterTop(), 100, 20);
    auto *b = insertMemo(300, masterTop(), 20, 20);
    doc->Selection().Select(a);
    doc->Selection().Add(b);
    ASSERT_TRUE(doc->Align(acAlignRights));
    EXPECT_NEAR(b->Left(), 90, 1e-9);

    auto *c = insertMemo(100, masterTop(), 20, 20);
    a->SetLeft(0);
    b->SetLeft(10);
    doc->Selection().Select(c);
    doc->Selection().Add(a);
    doc->Selection().Add(b);
    ASSERT_TRUE(doc->Align(acSpaceHorizontally));
    EXPECT_NEAR(b->Left(), 50, 1e-9);

    // Positions sort as numbers: negative and five-digit lefts keep their places.
    a->SetLeft(-20);
    b->SetLeft(5);
    c->SetLeft(12000);
    ASSERT_TRUE(doc->Align(acSpaceHorizontally));
    EXPECT_NEAR(a->Left(), -20, 1e-9);
    EXPECT_NEAR(b->Left(), 5990, 1e-9);
    EXPECT_NEAR(c->Left(), 12000, 1e-9);
    // As text, "12000" would sort before "9000".
    a->SetLeft(0);
    b->SetLeft(9000);
    ASSERT_TRUE(doc->Align(acSpaceHorizontally));
    EXPECT_NEAR(b->Left(), 6000, 1e-9);
    EXPECT_NEAR(c->Left(), 12000, 1e-9);
}

TEST_F(DesignerTest, AlignTopsUsesAbsoluteTopsAcrossBands)
{
    auto *inTitle = insertMemo(10, find(u"ReportTitle1"_s)->Top() + 5);
    auto *inMaster = insertMemo(50, masterTop() + 2);
    inMaster->SetRestrictions({});
    doc->Selection().Select(inTitle);
    doc->Selection().Add(inMaster);
    ASSERT_TRUE(doc->Align(acAlignTops));
    EXPECT_NEAR(inMaster->AbsTop(), inTitle->AbsTop(), 1e-9);
}

TEST_F(DesignerTest, RestrictedObjectsAreNotAligned)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(50, masterTop());
    b->SetRestrictions({rfDontMove});
    doc->Selection().Select(a);
    doc->Selection().Add(b);
    EXPECT_FALSE(doc->Align(acAlignLefts));
    EXPECT_NEAR(b->Left(), 50, 1e-9);
}

TEST_F(DesignerTest, BringToFrontAndSendToBack)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(50, masterTop());
    TkavComponent *band = a->Parent();
    doc->Select(a);
    ASSERT_TRUE(doc->BringToFront());
    EXPECT_EQ(band->Objects().last(), a);
    doc->Select(a);
    ASSERT_TRUE(doc->SendToBack());
    EXPECT_EQ(band->Objects().first(), a);
    EXPECT_EQ(band->Objects().last(), b);
}

TEST_F(DesignerTest, FindAndReplaceInObjects)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(50, masterTop());
    a->SetText(u"say ABC"_s);
    b->SetText(u"abc and abc"_s);
    ASSERT_TRUE(doc->Find(u"abc"_s, false));
    EXPECT_EQ(doc->SelectedObjects().first(), a);
    ASSERT_TRUE(doc->FindNext());
    EXPECT_EQ(doc->SelectedObjects().first(), b);
    EXPECT_FALSE(doc->FindNext());
    ASSERT_FALSE(ui().CallsOf(u"MessageDlg"_s).empty());
    EXPECT_EQ(ui().CallsOf(u"MessageDlg"_s).back().Text, u"Text 'abc' not found"_s);

    const int before = doc->UndoBuffer().UndoCount();
    ui().MessageAnswers = {mrAll};
    ASSERT_TRUE(doc->Replace(u"abc"_s, u"x"_s, false));
    EXPECT_EQ(a->Text().trimmed(), u"say x"_s);
    EXPECT_EQ(b->Text().trimmed(), u"x and x"_s);
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), before + 1);
}

TEST_F(DesignerTest, ReplaceNoStopsTheSearch)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(50, masterTop());
    a->SetText(u"abc"_s);
    b->SetText(u"abc"_s);
    ui().MessageAnswers = {mrNo};
    EXPECT_TRUE(doc->Replace(u"abc"_s, u"x"_s, true));
    EXPECT_EQ(a->Text().trimmed(), u"abc"_s);
    EXPECT_EQ(b->Text().trimmed(), u"abc"_s);
}

TEST_F(DesignerTest, DeletingWithAnInheritedObjectDeletesNothing)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(50, masterTop());
    b->SetAncestor(true);
    doc->Selection().Select(a);
    doc->Selection().Add(b);
    EXPECT_FALSE(doc->DeleteSelection());
    EXPECT_TRUE(find(u"Memo2"_s));
    EXPECT_TRUE(find(u"Memo3"_s));
    b->SetAncestor(false);
    b->SetRestrictions({rfDontDelete});
    EXPECT_TRUE(doc->DeleteSelection());
    EXPECT_FALSE(find(u"Memo2"_s));
    EXPECT_EQ(doc->SelectedObjects(), QList<TkavComponent *>{b});
}

TEST_F(DesignerTest, FormattingAppliesToModifiableObjectsAndMakesTheSample)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(50, masterTop());
    b->SetRestrictions({rfDontModify});
    doc->Selection().Select(a);
    doc->Selection().Add(b);
    ASSERT_TRUE(doc->SetFontSize(14));
    EXPECT_EQ(a->Font().Size(), 14);
    EXPECT_EQ(b->Font().Size(), 10);
    EXPECT_EQ(doc->SampleFormat().Font().Size(), 14);
    auto *c = insertMemo(100, masterTop()); // a new memo takes the sample
    EXPECT_EQ(c->Font().Size(), 14);
}

TEST_F(DesignerTest, FrameDialogGoesToEverySelectedView)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(50, masterTop());
    doc->Selection().Select(a);
    doc->Selection().Add(b);
    dialogs().Frame = [](TkavFrame &frame) {
        frame.SetTyp({ftLeft, ftTop});
        return true;
    };
    ASSERT_TRUE(doc->EditFrame());
    EXPECT_EQ(b->Frame().Typ(), (TkavFrameTypes{ftLeft, ftTop}));
}

TEST_F(DesignerTest, OpeningABrokenFileKeepsTheReport)
{
    QTemporaryDir dir;
    const QString broken = dir.filePath(u"broken.kv3"_s);
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a report");
    file.close();
    insertMemo(10, masterTop());
    const QByteArray before = bytes();
    ui().MessageAnswers = {mrNo}; // do not save the modified report
    EXPECT_FALSE(doc->OpenFile(broken));
    EXPECT_EQ(bytes(), before);
    EXPECT_TRUE(doc->Modified());
}

TEST_F(DesignerTest, RecentFileThatIsGoneLeavesTheListAndTheReport)
{
    doc->RecentFiles().Add(u"/nonexistent/gone.kv3"_s);
    insertMemo(10, masterTop());
    const QByteArray before = bytes();
    ui().MessageAnswers = {mrNo};
    EXPECT_FALSE(doc->OpenRecent(u"/nonexistent/gone.kv3"_s));
    EXPECT_EQ(bytes(), before);
    EXPECT_TRUE(doc->RecentFiles().Items().isEmpty());
}

TEST_F(DesignerTest, SaveAndReopen)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(u"r.kv3"_s);
    insertMemo(10, masterTop());
    ui().FileAnswers = {QStringList{name}};
    ASSERT_TRUE(doc->SaveFile());
    EXPECT_FALSE(doc->Modified());
    EXPECT_EQ(doc->Caption(), u"Kavrel - "_s + name);
    ASSERT_TRUE(doc->NewReport());
    ASSERT_TRUE(doc->OpenRecent(name));
    EXPECT_TRUE(find(u"Memo2"_s));
    EXPECT_EQ(doc->UndoBuffer().UndoCount(), 1);
}

TEST_F(DesignerTest, CloseAsksOnlyWhenSavingIsAllowed)
{
    insertMemo(10, masterTop());
    ui().MessageAnswers = {mrCancel};
    EXPECT_FALSE(doc->CloseQuery());
    TkavDesigner settings;
    settings.SetRestrictions({drDontSaveReport});
    EXPECT_TRUE(doc->CloseQuery());
    EXPECT_EQ(ui().CallsOf(u"MessageDlg"_s).size(), 1u);
}

TEST(DesignerRecentFiles, KeepsEightNewestAndMovesReopenedToTheTop)
{
    TkavRecentFiles files;
    for (int i = 1; i <= 9; ++i)
        files.Add(u"f%1.kv3"_s.arg(i));
    EXPECT_EQ(files.Items().size(), 8);
    EXPECT_EQ(files.Items().first(), u"f2.kv3"_s);
    files.Add(u"f4.kv3"_s);
    EXPECT_EQ(files.MenuOrder().first(), u"f4.kv3"_s);
    EXPECT_EQ(files.Items().size(), 8);
}

TEST(DesignerSettings, OptionsRoundTripAndBlackIsAColour)
{
    QTemporaryDir dir;
    TkavIniFile ini(dir.filePath(u"designer.ini"_s));
    TkavDesignerOptions defaults;
    defaults.Restore(ini);
    EXPECT_FALSE(defaults.Restored);
    EXPECT_TRUE(defaults.EditAfterInsert);

    TkavDesignerOptions options;
    options.Units = duInches;
    options.Grid[duInches] = 0.2;
    options.WorkspaceColor = 0;
    options.RecentFiles = {u"/a/b.kv3"_s, u"/c, d.kv3"_s};
    options.Save(ini);
    TkavDesignerOptions read;
    read.Restore(ini);
    EXPECT_TRUE(read.Restored);
    EXPECT_EQ(read.Units, duInches);
    EXPECT_DOUBLE_EQ(read.GridSize(duInches), 0.2);
    EXPECT_EQ(read.WorkspaceColor, 0);
    EXPECT_EQ(read.RecentFiles, options.RecentFiles);

    ini.WriteFloat(u"Form5.TkavDesignerForm"_s, u"Scale"_s, 1e9); // a damaged store
    read.Restore(ini);
    EXPECT_EQ(read.Scale, 20);
}

TEST_F(DesignerTest, ScaleAndUnits)
{
    doc->SetScale(0);
    EXPECT_EQ(doc->Scale(), 1);
    doc->SetScale(25);
    EXPECT_EQ(doc->Scale(), 20);
    EXPECT_NEAR(doc->mmToUnits(25.4), 2.54, 1e-12);
    doc->CycleUnits();
    EXPECT_EQ(doc->Units(), duInches);
    EXPECT_NEAR(doc->mmToUnits(25.4), 1, 1e-12);
    doc->SetPage(report->Pages(0));
    EXPECT_EQ(doc->Units(), duPixels);
    EXPECT_EQ(doc->GridType(), gtNone);
}

// Past the memory limit the older snapshots live in a private temporary file; every state
// still comes back byte for byte, and the file goes with the history.
TEST_F(DesignerTest, SwappedSnapshotsRestoreEveryState)
{
    QTemporaryDir dir;
    TkavUndoBuffer &buffer = doc->UndoBuffer();
    buffer.SetTempDir(dir.path());
    buffer.SetMemoryLimit(1);
    QList<QByteArray> states{bytes()};
    for (int i = 0; i < 5; ++i) {
        insertMemo(10 + 30 * i, masterTop());
        states.append(bytes());
    }
    EXPECT_GT(buffer.SwappedBytes(), 0);
    EXPECT_LE(buffer.MemoryUsed(), buffer.LastUndoData().size()); // the newest stays in memory
    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files.first().startsWith(u"kv"_s));
    for (int i = 4; i >= 0; --i) {
        ASSERT_TRUE(doc->Undo());
        EXPECT_EQ(bytes(), states[i]) << "undo to state " << i;
    }
    EXPECT_FALSE(doc->Undo());
    for (int i = 1; i <= 5; ++i) {
        ASSERT_TRUE(doc->Redo());
        EXPECT_EQ(bytes(), states[i]) << "redo to state " << i;
    }
    doc->ReloadReport();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

// A script typed since the last snapshot is undone with that step and comes back with redo.
TEST_F(DesignerTest, UndoTakesTheTypedScriptAlongForRedo)
{
    insertMemo(10, masterTop());
    const QStringList typed{u"begin"_s, u"  ShowMessage('typed');"_s, u"end."_s};
    doc->ScriptEdited(typed);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(report->ScriptText().ToStringList(), QStringList({u"begin"_s, u""_s, u"end."_s}));
    EXPECT_EQ(doc->ScriptLines(), report->ScriptText().ToStringList());
    ASSERT_TRUE(doc->Redo());
    EXPECT_EQ(report->ScriptText().ToStringList(), typed);
    EXPECT_TRUE(find(u"Memo2"_s));
}

TEST_F(DesignerTest, NewReportTakesTheSettingsDefaults)
{
    TkavDesigner settings;
    settings.SetDefaultScriptLanguage(u"JScript"_s);
    settings.SetDefaultLeftMargin(25);
    settings.SetDefaultOrientation(poLandscape);
    ASSERT_TRUE(doc->NewReport());
    auto *page = find<TkavReportPage>(u"Page1"_s);
    EXPECT_NEAR(page->LeftMargin(), 25, 1e-9);
    EXPECT_EQ(page->Orientation(), poLandscape);
    EXPECT_EQ(report->ScriptLanguage(), u"JScript"_s);
    EXPECT_EQ(report->ScriptText().Count(), 0); // no main block in JScript
    // The page-number memo sits at the right margin of the landscape page.
    EXPECT_NEAR(find(u"Memo1"_s)->Left(),
                (page->PaperWidth() - 25 - page->RightMargin() - 20) * 3.77953, 1e-4);
}

TEST_F(DesignerTest, ScriptLanguageChangeAsksBeforeClearing)
{
    doc->SetScriptLines({u"begin"_s, u"  ShowMessage('x');"_s, u"end."_s});
    ui().MessageAnswers = {mrNo};
    EXPECT_FALSE(doc->SetScriptLanguage(u"C++Script"_s));
    EXPECT_EQ(report->ScriptLanguage(), u"PascalScript"_s);
    EXPECT_EQ(report->ScriptText().Count(), 3);
    ui().MessageAnswers = {mrYes};
    ASSERT_TRUE(doc->SetScriptLanguage(u"C++Script"_s));
    EXPECT_EQ(report->ScriptLanguage(), u"C++Script"_s);
    EXPECT_EQ(report->ScriptText().ToStringList(), QStringList({u"{"_s, u""_s, u"}"_s}));
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(report->ScriptLanguage(), u"PascalScript"_s);
}

TEST_F(DesignerTest, FormattingTouchesWhatHasThePropertyAndClearsStyles)
{
    auto *memo = insertMemo(10, masterTop());
    auto *line = doc->InsertObject(u"TkavLineView"_s, 0, 50, masterTop(), 40, 0);
    memo->SetStyle(u"Heading"_s);
    doc->Selection().Select(memo);
    doc->Selection().Add(line);
    EXPECT_TRUE(doc->SetHAlign(haCenter)); // the line has no alignment: left alone
    EXPECT_EQ(memo->HAlign(), haCenter);
    EXPECT_EQ(memo->Style(), u"Heading"_s); // alignment keeps the style
    ASSERT_TRUE(doc->SetFillColor(clYellow));
    EXPECT_EQ(memo->FillType(), ftBrush);
    EXPECT_EQ(dynamic_cast<TkavView *>(line)->FillType(), ftBrush);
    EXPECT_TRUE(memo->Style().isEmpty()); // fill changes end the style
    ASSERT_TRUE(doc->SetFrameLines(true));
    EXPECT_EQ(memo->Frame().Typ(), (TkavFrameTypes{ftLeft, ftRight, ftTop, ftBottom}));
    ASSERT_TRUE(doc->SetFrameLine(ftLeft, false));
    EXPECT_FALSE(dynamic_cast<TkavView *>(line)->Frame().Typ().Contains(ftLeft));
    EXPECT_EQ(doc->SampleFormat().HAlign(), haCenter);
    EXPECT_EQ(doc->SampleFormat().Frame().Typ(), (TkavFrameTypes{ftRight, ftTop, ftBottom}));
    auto *next = insertMemo(100, masterTop()); // the sample's look, not its text
    EXPECT_EQ(next->HAlign(), haCenter);
    EXPECT_EQ(next->FillType(), ftBrush);

    doc->Select(find(u"Page1"_s));
    ASSERT_TRUE(doc->SetFillColor(clAqua)); // the page takes it as its colour
    EXPECT_EQ(find<TkavReportPage>(u"Page1"_s)->Color(), clAqua);
}

TEST_F(DesignerTest, AlignToGridRoundsAndKeepsSizesAboveZero)
{
    doc->SetReportUnits(duPixels); // grid of 4 pixels
    auto *memo = insertMemo(9, masterTop(), 1, 7);
    memo->SetTop(5);
    doc->Select(memo);
    ASSERT_TRUE(doc->AlignToGrid());
    EXPECT_NEAR(memo->Left(), 8, 1e-9);
    EXPECT_NEAR(memo->Top(), 4, 1e-9);
    EXPECT_NEAR(memo->Width(), 4, 1e-9); // 1 rounds to 0: one step
    EXPECT_NEAR(memo->Height(), 8, 1e-9);
}

TEST_F(DesignerTest, SelectAllAndSameTypeStayOnTheirParent)
{
    auto *a = insertMemo(10, masterTop());
    auto *b = insertMemo(50, masterTop());
    auto *line = doc->InsertObject(u"TkavLineView"_s, 0, 90, masterTop(), 40, 0);
    doc->Select(a);
    doc->SelectAll();
    EXPECT_EQ(doc->SelectedObjects(), (QList<TkavComponent *>{a, b, line}));
    doc->Select(a);
    doc->SelectSameType();
    EXPECT_EQ(doc->SelectedObjects(), (QList<TkavComponent *>{a, b}));
    doc->Select(a);
    doc->SelectSameType(true); // the page-number memo too
    EXPECT_EQ(doc->SelectedObjects().size(), 3);
    doc->Select(find(u"Page1"_s));
    doc->SelectAll();
    EXPECT_EQ(doc->SelectedObjects().size(), 3); // the three bands
}

TEST_F(DesignerTest, PagesMoveButTheDataPageStaysFirst)
{
    TkavReportPage *second = doc->NewPage();
    ASSERT_TRUE(second);
    EXPECT_FALSE(doc->MovePage(2, 0));
    ASSERT_TRUE(doc->MovePage(2, 1));
    EXPECT_EQ(report->Pages(1), second);
    EXPECT_EQ(report->Pages(0)->Name(), u"Data"_s);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(report->Pages(1)->Name(), u"Page1"_s);
}
