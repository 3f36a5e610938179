// The report classes module: scripts see a report built in C++ through its classes, read
// and write published and hand-made members, use data sets, variables, the engine and the
// outline, and cannot reload or clear a report that runs.

#include "../script/kyScriptTestSupport.h"
#include "kavReportTestSupport.h"

#include <engine/kavEngine.h>
#include <persist/kavVariables.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavCustomEngine.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavViews.h>
#include <rtl/kavDateTime.h>
#include <scriptlib/kavClassRTTI.h>
#include <scriptlib/kavScriptLibrary.h>

#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

class ClassRTTI : public TkavReportTest
{
protected:
    void SetUp() override
    {
        TkavReportTest::SetUp();
        kyEnsureBuiltinLanguages();
        kavRegisterScriptLibrary();
        script.AddRTTI();

        report = std::make_unique<TkavReport>();
        page = TkavComponent::Create<TkavReportPage>(report.get());
        page->SetName(u"Page1"_s);
        band = TkavComponent::Create<TkavMasterData>(page);
        band->SetName(u"MasterData1"_s);
        band->SetBounds(0, 40, 700, 30);
        footer = TkavComponent::Create<TkavFooter>(page);
        footer->SetName(u"Footer1"_s);
        memo = TkavComponent::Create<TkavMemoView>(band);
        memo->SetName(u"Memo1"_s);
        memo->SetBounds(10, 5, 120, 20);
        memo->SetText(u"first"_s);
        memo2 = TkavComponent::Create<TkavMemoView>(band);
        memo2->SetName(u"Memo2"_s);
        hostObjects = {{u"Report"_s, report.get()}};
    }

    void TearDown() override
    {
        if (report->Engine())
            report->Engine()->SetRunning(false);
    }

    // Runs source in a fresh scope with the host objects: the messages shown, then
    // "runtime error: ...", joined by blanks.
    std::string run(const QString &language, const QString &source)
    {
        shown.lines.clear();
        script.Clear();
        for (auto &[name, object] : hostObjects)
            script.AddObject(name, object);
        return kyRunOutcome(script, shown.lines, language, source).toStdString();
    }
    std::string run(const QString &source) { return run(u"PascalScript"_s, source); }

    void runTable(const std::vector<KyScriptCase> &cases)
    {
        for (const KyScriptCase &c : cases)
            EXPECT_EQ(run(QString::fromUtf16(c.source)), c.expected) << c.name;
    }

    static std::string runningError()
    {
        return "runtime error: " + QString::fromUtf16(kavRunningReportMessage).toStdString();
    }

    KyShownMessages shown;
    std::vector<std::pair<QString, TObject *>> hostObjects;
    TkyScript script;
    std::unique_ptr<TkavReport> report;
    TkavReportPage *page = nullptr;
    TkavMasterData *band = nullptr;
    TkavFooter *footer = nullptr;
    TkavMemoView *memo = nullptr;
    TkavMemoView *memo2 = nullptr;
};

TEST_F(ClassRTTI, EnumerationsAndSetsMatchTheNativeValues)
{
    struct Row
    {
        const char16_t *name;
        qint64 value;
    };
    // Enumerations count from 0, sets in bits; the native enums are the reference.
    const Row rows[] = {{u"smMaxHeight", smMaxHeight},
                        {u"smWhenOverlapped", smWhenOverlapped},
                        {u"dmSimplex", dmSimplex},
                        {u"baClient", baClient},
                        {u"fsDouble", fsDouble},
                        {u"ftBottom", 1 << ftBottom},
                        {u"haBlock", haBlock},
                        {u"vaCenter", vaCenter},
                        {u"rfDontDelete", 1 << rfDontDelete},
                        {u"skDiagonal2", skDiagonal2},
                        {u"zmManyPages", zmManyPages},
                        {u"ppEven", ppEven},
                        {u"rbCurrent", rbCurrent},
                        {u"reCount", reCount},
                        {u"fftBoolean", fftBoolean},
                        {u"fkBoolean", fkBoolean},
                        {u"ftGlass", ftGlass},
                        {u"pbPrint", 1 << pbPrint},
                        {u"pbTree", 1 << pbOutline},
                        {u"pbPageSetup", 1 << pbPageSetup},
                        {u"pbTools", 1 << pbTools},
                        {u"pbExportQuick", 1 << pbExportQuick},
                        {u"pbRefresh", 0},
                        {u"fsxBold", 1},
                        {u"fsx15cpi", 1 << 8},
                        {u"clTransparent", 536870911},
                        {u"crHand", 150},
                        {u"crZoom", 151},
                        {u"crFormat", 152}};
    QString source = u"begin\n"_s;
    std::string expected;
    for (const Row &r : rows) {
        source += u"ShowMessage(%1);\n"_s.arg(QString::fromUtf16(r.name));
        expected += (expected.empty() ? "" : " ") + std::to_string(r.value);
    }
    EXPECT_EQ(run(source + u"end."_s), expected);
}

TEST_F(ClassRTTI, UnitConstantsAreExtendedPixels)
{
    runTable({
        {"millimetre and centimetre",
         u"begin ShowMessage((Abs(kv01cm - 3.77953) < 1e-9) and (Abs(kv1cm - 37.7953) < 1e-9)); end.",
         "True"},
        {"inch and dot-matrix cell",
         u"begin ShowMessage(kv1in / kv01in); ShowMessage(kv1CharX * 10 + kv1CharY); end.",
         "10 113"},
    });
}

TEST_F(ClassRTTI, PreviewButtonsSetsTurnOnTheNamedButtons)
{
    EXPECT_EQ(run(u"begin Report.PreviewOptions.Buttons := pbPrint + pbTree + pbTools; end."_s),
              "");
    const TkavPreviewButtons buttons = report->PreviewOptions().Buttons();
    EXPECT_TRUE(buttons.Contains(pbPrint));
    EXPECT_TRUE(buttons.Contains(pbOutline));
    EXPECT_TRUE(buttons.Contains(pbTools));
    EXPECT_FALSE(buttons.Contains(pbEdit));
    EXPECT_FALSE(buttons.Contains(pbPageSetup));
}

TEST_F(ClassRTTI, MemoAndBandMembersReadAndWrite)
{
    memo->SetValue(Variant(42));
    band->SetOverflow(true);
    memo->SetTagStr(u"tag"_s);
    runTable({
        {"text through a cast",
         uR"(var M: TkavMemoView;
begin
  M := TkavMemoView(Report.FindObject('Memo1'));
  ShowMessage(M.Text); M.Text := 'x'; ShowMessage(M.Text);
end.)",
         "first\r\n x\r\n"},
        {"published geometry and alignment",
         uR"(var M: TkavMemoView;
begin
  M := TkavMemoView(Report.FindObject('Memo1'));
  M.Left := 12.5; M.HAlign := haCenter; ShowMessage(M.Left); ShowMessage(M.HAlign);
end.)",
         "12.5 2"},
        {"tag text, value and overflow",
         uR"(var M: TkavMemoView;
begin
  M := TkavMemoView(Report.FindObject('Memo1'));
  ShowMessage(M.TagStr); M.TagStr := 'T2'; ShowMessage(M.Value);
  ShowMessage(TkavBand(Report.FindObject('MasterData1')).Overflow);
end.)",
         "tag 42 True"},
        {"lines",
         uR"(var M: TkavMemoView;
begin
  M := TkavMemoView(Report.FindObject('Memo1'));
  M.Lines.Add('second'); ShowMessage(M.Lines.Count); ShowMessage(M.Lines[1]);
end.)",
         "2 second"},
        {"ansi text",
         uR"(var M: TkavMemoView;
begin
  M := TkavMemoView(Report.FindObject('Memo2'));
  M.AnsiText := 'abc'; ShowMessage(M.AnsiText); ShowMessage(M.Lines[0]);
end.)",
         "abc\r\n abc"},
        {"tree: parent, page, children",
         uR"(var M: TkavMemoView;
begin
  M := TkavMemoView(Report.FindObject('Memo2'));
  ShowMessage(M.Parent.Name); ShowMessage(M.Page.Name);
  ShowMessage(TkavComponent(M.Parent.Objects[0]).Name);
  ShowMessage(Report.FindObject('Nothing') = nil);
end.)",
         "MasterData1 Page1 Memo1 True"},
        {"bounds and absolute position",
         uR"(var M: TkavMemoView;
begin
  M := TkavMemoView(Report.FindObject('Memo2'));
  M.SetBounds(3, 4, 50, 60);
  ShowMessage(M.Width + M.Height); ShowMessage(M.AbsTop); ShowMessage(M.AbsLeft);
end.)",
         "110 44 3"},
        {"heights and widths",
         uR"(var M: TkavMemoView;
begin
  M := TkavMemoView(Report.FindObject('Memo1'));
  ShowMessage(M.CalcHeight > 0); ShowMessage(M.CalcWidth > 0);
end.)",
         "True True"},
    });
    EXPECT_EQ(memo->Text(), u"x\r\nsecond\r\n"_s);
    EXPECT_DOUBLE_EQ(memo->Left(), 12.5);
    EXPECT_EQ(memo->HAlign(), haCenter);
    EXPECT_EQ(memo->TagStr(), u"T2"_s);
    EXPECT_EQ(memo2->Text(), u"abc\r\n"_s);
}

// Children through their parents: bound when compiled where the parent is known, found at
// run time through a Variant; members come first. A set property takes a set literal.
TEST_F(ClassRTTI, ChildrenThroughTheirParentsAndSetLiterals)
{
    hostObjects.emplace_back(u"Page1"_s, page);
    runTable({
        {"through the report and a page",
         uR"(begin ShowMessage(Report.Page1.MasterData1.Memo1.Name); ShowMessage(Page1.Memo2.Top);
  Report.Page1.Footer1.Height := 12; ShowMessage(Report.Page1.Name); end.)",
         "Memo1 0 Page1"},
        {"through a Variant",
         uR"(var v: Variant;
begin v := Report; ShowMessage(v.Page1.MasterData1.Memo1.Name);
  v := Page1; ShowMessage(v.Footer1.Height); end.)",
         "Memo1 12"},
        {"no such child", u"begin ShowMessage(Report.Page1.Nothing.Name); end.",
         "compile error at 1:39: Undeclared identifier: 'Nothing'"},
        {"no such child at run time", u"var v: Variant; begin v := Page1; ShowMessage(v.Nothing); end.",
         "runtime error: Undeclared identifier: 'Nothing'"},
        {"set literals and ranges",
         uR"(begin
  Report.Page1.MasterData1.Memo1.Font.Style := [fsBold, fsItalic];
  ShowMessage(Report.Page1.MasterData1.Memo1.Font.Style);
  Report.Page1.MasterData1.Memo2.Font.Style := [fsItalic..fsStrikeout];
  ShowMessage(Page1.Memo2.Font.Style);
  Page1.Memo2.Font.Style := []; ShowMessage(Page1.Memo2.Font.Style);
end.)",
         "3 14 0"},
    });
    EXPECT_EQ(memo->Font().Style(), (TFontStyles{fsBold, fsItalic}));
    EXPECT_DOUBLE_EQ(footer->Height(), 12);
}

TEST_F(ClassRTTI, AllObjectsListsEveryDescendant)
{
    const std::string count = std::to_string(report->AllObjects().size());
    EXPECT_EQ(run(uR"(var L: TList;
begin
  L := Report.AllObjects; ShowMessage(L.Count); ShowMessage(TkavComponent(L[0]).Name);
  ShowMessage(Report.Objects.Count);
end.)"_s),
              count + " Page1 1");
}

TEST_F(ClassRTTI, ParentMovesWithinTheReportOnly)
{
    TkavReport other;
    auto *otherPage = TkavComponent::Create<TkavReportPage>(&other);
    otherPage->SetName(u"Page1"_s);
    hostObjects.push_back({u"Other"_s, &other});
    runTable({
        {"another band",
         u"begin TkavComponent(Report.FindObject('Memo2')).Parent := Report.FindObject('Footer1'); end.",
         ""},
        {"not a report object",
         uR"(var L: Variant;
begin
  L := TStringList.Create;
  try TkavComponent(Report.FindObject('Memo1')).Parent := L; finally TStringList(L).Free; end;
end.)",
         "runtime error: The parent of Memo1 must be a report object"},
        {"another report",
         u"begin TkavComponent(Report.FindObject('Memo1')).Parent := Other.FindObject('Page1'); end.",
         "runtime error: Memo1 cannot be moved into Page1, an object of another report"},
        {"inside its own child",
         u"begin TkavComponent(Report.FindObject('MasterData1')).Parent := Report.FindObject('Memo1'); end.",
         "runtime error: MasterData1 cannot be placed inside itself or inside its own children"},
    });
    EXPECT_EQ(memo2->Parent(), footer);
    EXPECT_EQ(memo->Parent(), band);
    EXPECT_EQ(band->Parent(), page);
    EXPECT_TRUE(otherPage->Objects().isEmpty());
}

TEST_F(ClassRTTI, ScriptsCreateComponentsInTheReport)
{
    EXPECT_EQ(run(u"JScript"_s, uR"(
var M = new TkavMemoView(Report.FindObject("MasterData1"));
M.Name = "Memo9"; M.Text = "js";
ShowMessage(M.Parent.Name);
)"_s),
              "MasterData1");
    auto *created = dynamic_cast<TkavMemoView *>(report->FindObject(u"Memo9"));
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->Text(), u"js\r\n"_s);
    EXPECT_EQ(created->Report(), report.get());
}

TEST_F(ClassRTTI, WideStringsMembers)
{
    runTable({
        {"editing",
         uR"(var W: TWideStrings;
begin
  W := TWideStrings.Create;
  W.Add('a'); W.Add('c'); W.Insert(1, 'b'); ShowMessage(W.Count);
  ShowMessage(W[0] + W.Strings[1] + W[2]); ShowMessage(W.IndexOf('c'));
  W.Delete(0); W[0] := 'B'; ShowMessage(W.Text);
  W.Text := 'x' + #13#10 + 'y'; ShowMessage(W.Count); W.Clear; ShowMessage(W.Count);
  W.Free;
end.)",
         "3 abc 2 B\r\nc\r\n 2 0"},
        {"objects",
         uR"(var W: TWideStrings; L: TStringList;
begin
  W := TWideStrings.Create; L := TStringList.Create;
  W.AddObject('list', L); ShowMessage(W.Objects[0] = L);
  W.Objects[0] := nil; ShowMessage(W.Objects[0] = nil);
  L.Free; W.Free;
end.)",
         "True True"},
        {"assigned to a memo",
         uR"(var W: TWideStrings;
begin
  W := TWideStrings.Create; W.Add('one'); W.Add('two');
  TkavMemoView(Report.FindObject('Memo2')).Lines := W; W.Free;
end.)",
         ""},
    });
    EXPECT_EQ(memo2->Text(), u"one\r\ntwo\r\n"_s);
}

TEST_F(ClassRTTI, WideStringsIndexesOutOfRangeRaise)
{
    const QString setup = u"var W: TWideStrings; s: String;\nbegin\n  W := TWideStrings.Create; "
                          u"W.Add('a');\n  try %1; finally W.Free; end;\nend."_s;
    struct Row
    {
        const char16_t *statement;
        const char *expected;
    };
    const Row rows[] = {{u"s := W[1]", "runtime error: List index out of bounds (1)"},
                        {u"W[-1] := 'x'", "runtime error: List index out of bounds (-1)"},
                        {u"ShowMessage(W.Objects[5] = nil)", "runtime error: List index out of bounds (5)"},
                        {u"W.Objects[1] := nil", "runtime error: List index out of bounds (1)"},
                        {u"W.Delete(1)", "runtime error: List index out of bounds (1)"},
                        {u"W.Insert(2, 'z')", "runtime error: List index out of bounds (2)"},
                        {u"W.Insert(1, 'z')", ""},
                        // A memo's own lines are checked the same way.
                        {u"s := TkavMemoView(Report.FindObject('Memo1')).Lines[1]",
                         "runtime error: List index out of bounds (1)"},
                        {u"TkavMemoView(Report.FindObject('Memo1')).Lines.Objects[3] := W",
                         "runtime error: List index out of bounds (3)"}};
    for (const Row &r : rows)
        EXPECT_EQ(run(setup.arg(QString::fromUtf16(r.statement))), r.expected)
            << QString::fromUtf16(r.statement).toStdString();
}

TEST_F(ClassRTTI, DataSetMembers)
{
    auto *ds = TkavComponent::Create<TkavUserDataSet>(report.get());
    ds->SetName(u"Items"_s);
    ds->Fields().SetText(u"Name\r\nQty"_s);
    ds->SetRangeEnd(reCount);
    ds->SetRangeEndCount(3);
    ds->ValueHandlers().OnGetValue = [ds](const QString &field, Variant &value) {
        value = field == u"Name" ? Variant(u"n%1"_s.arg(ds->RecNo())) : Variant(ds->RecNo() * 10);
    };
    report->DataSets().Add(ds);
    runTable({
        {"walk",
         uR"(var D: TkavDataSet; s: String;
begin
  D := Report.GetDataset('Items'); D.Open; D.First;
  while not D.Eof do begin s := s + D.Value['Name'] + ':' + D.DisplayText['Qty'] + ' '; D.Next; end;
  ShowMessage(s + IntToStr(D.RecNo));
end.)",
         "n0:0 n1:10 n2:20 2"},
        {"fields",
         uR"(var D: TkavDataSet; L: TStringList;
begin
  D := Report.GetDataset('Items'); L := TStringList.Create;
  D.GetFieldList(L); ShowMessage(L.CommaText); L.Free;
  ShowMessage(D.FieldsCount); ShowMessage(D.HasField('qty')); ShowMessage(D.HasField('Price'));
  ShowMessage(D.IsBlobField('Name')); ShowMessage(D.RecordCount);
  D.First; D.Next; D.Prior; ShowMessage(D.RecNo);
  ShowMessage(Report.GetDataset('Missing') = nil);
end.)",
         "Name,Qty 2 True False False 3 0 True"},
    });
    EXPECT_EQ(run(u"begin ShowMessage(TkavDataSet(Report.GetDataset('Items')).FieldType['Qty']); end."_s),
              std::to_string(int(ds->GetFieldType(u"Qty"_s))));
}

TEST_F(ClassRTTI, VariablesAndArrays)
{
    report->Variables().SetVariable(u"Total"_s, Variant(5));
    runTable({
        {"report variables",
         uR"(begin
  ShowMessage(Report.Variables['Total'] + 1); Report.Variables['Added'] := 'x';
  ShowMessage(Report.Variables.Count);
end.)",
         "6 2"},
        {"global variables",
         u"begin kavGlobalVariables['ClassRTTIGlobal'] := 7;\n"
         u"ShowMessage(kavGlobalVariables['classrttiglobal']); end.",
         "7"},
        {"array",
         uR"(var A: TkavArray;
begin
  A := TkavArray.Create; A['k'] := 1; A[2] := 'two';
  ShowMessage(A['K']); ShowMessage(A[2]); ShowMessage(A.Count); A.Free;
end.)",
         "1 two 2"},
        {"a variables list of the script's own",
         uR"(var V: TkavVariables;
begin
  V := TkavVariables.Create; V['a'] := 3; ShowMessage(V['A'] * 2); V.Free;
end.)",
         "6"},
    });
    EXPECT_EQ(report->Variables().GetVariable(u"Added"_s).AsString(), u"x"_s);
    EXPECT_EQ(kavGlobalVariables().GetVariable(u"ClassRTTIGlobal"_s).AsInteger(), 7);
    kavGlobalVariables().DeleteVariable(u"ClassRTTIGlobal"_s);
}

TEST_F(ClassRTTI, DateAndCatalogueFunctions)
{
    runTable({
        {"leap day",
         uR"(var D: TDateTime;
begin
  D := EncodeDate(2020, 2, 29); ShowMessage(DayOf(D)); ShowMessage(MonthOf(D));
  ShowMessage(YearOf(D));
end.)",
         "29 2 2020"},
        {"time of day does not move the day",
         uR"(var D: TDateTime;
begin
  D := EncodeDate(1999, 12, 31) + 0.999; ShowMessage(DayOf(D)); ShowMessage(YearOf(D));
end.)",
         "31 1999"},
        // Without a report's own functions these only stand in the catalogue.
        {"library IIF and aggregates",
         u"begin ShowMessage(IIF(True, 1, 2)); ShowMessage(SUM(5)); ShowMessage(COUNT); end.",
         "0 0 0"},
    });
}

TEST_F(ClassRTTI, ReportMembers)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(u"saved.kv3"_s);
    const QString missing = dir.filePath(u"missing.kv3"_s);
    report->Variables().SetVariable(u"Rate"_s, Variant(3));
    EXPECT_EQ(run(u"begin Report.SaveToFile('%1'); Report.Terminated := True; "
                  u"ShowMessage(Report.Terminated); ShowMessage(Report.Calc('Rate')); end."_s
                      .arg(file)),
              "True 3");
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_TRUE(report->Terminated());
    memo->SetText(u"changed"_s);
    EXPECT_EQ(run(u"begin ShowMessage(Report.LoadFromFile('%1')); end."_s.arg(missing)), "False");
    EXPECT_EQ(report->FindObject(u"Memo1"), memo); // a missing file changes nothing
    EXPECT_EQ(run(u"begin ShowMessage(Report.LoadFromFile('%1'));\n"
                  u"ShowMessage(TkavMemoView(Report.FindObject('Memo1')).Text); end."_s.arg(file)),
              "True first\r\n");
}

TEST_F(ClassRTTI, ComponentStreamsRoundTrip)
{
    EXPECT_EQ(run(uR"(var S: TMemoryStream; M: TkavMemoView;
begin
  M := TkavMemoView(Report.FindObject('Memo1'));
  S := TMemoryStream.Create;
  M.SaveToStream(S); M.Text := 'lost'; M.Left := 99;
  S.Position := 0; M.LoadFromStream(S); S.Free;
  ShowMessage(M.Text); ShowMessage(M.Left);
end.)"_s),
              "first\r\n 10");
    EXPECT_EQ(run(u"begin TkavComponent(Report.FindObject('MasterData1')).Clear; end."_s), "");
    EXPECT_TRUE(band->Objects().isEmpty());
}

TEST_F(ClassRTTI, RunningReportCannotBeReloadedOrCleared)
{
    report->Engine()->SetRunning(true);
    struct Row
    {
        const char *name;
        const char16_t *source;
    };
    const Row cases[] = {
        {"report clear", u"begin Report.Clear; end."},
        {"report load", u"begin Report.LoadFromFile('anything.kv3'); end."},
        {"report show", u"begin Report.ShowReport; end."},
        {"report stream",
         u"var S: TMemoryStream; begin S := TMemoryStream.Create;\n"
         u"try Report.LoadFromStream(S); finally S.Free; end; end."},
        {"band clear", u"begin TkavComponent(Report.FindObject('MasterData1')).Clear; end."},
        {"memo stream",
         u"var S: TMemoryStream; begin S := TMemoryStream.Create;\n"
         u"try TkavComponent(Report.FindObject('Memo1')).LoadFromStream(S);\n"
         u"finally S.Free; end; end."},
    };
    for (const Row &c : cases)
        EXPECT_EQ(run(QString::fromUtf16(c.source)), runningError()) << c.name;
    EXPECT_EQ(report->FindObject(u"Memo1"), memo);
    EXPECT_EQ(band->Objects().size(), 2);
    // Reading and saving stay allowed while the report runs.
    EXPECT_EQ(run(u"begin ShowMessage(TkavMemoView(Report.FindObject('Memo1')).Text); end."_s),
              "first\r\n");
}

TEST_F(ClassRTTI, ReportsOwnScriptCannotClearItsReport)
{
    TkyScript &own = report->Script();
    if (!own.LibraryAdded())
        own.AddRTTI();
    own.Clear();
    own.AddObject(u"Report"_s, report.get());
    QStringList lines;
    EXPECT_EQ(kyRunOutcome(own, lines, u"PascalScript"_s, u"begin Report.Clear; end."_s)
                  .toStdString(),
              runningError());
    EXPECT_EQ(report->FindObject(u"Memo1"), memo);
}

TEST_F(ClassRTTI, EngineAndOutline)
{
    TkavCustomEngine &engine = *report->Engine();
    hostObjects.push_back({u"Engine"_s, &engine});
    hostObjects.push_back({u"Outline"_s, &report->PreviewPages()->Outline()});
    runTable({
        {"output needs a run", u"begin Engine.NewPage; end.", "runtime error: The engine is not running"},
        {"band output needs a run",
         u"begin Engine.ShowBand(TkavBand(Report.FindObject('Footer1'))); end.",
         "runtime error: The engine is not running"},
        {"no anchor", u"begin ShowMessage(Engine.GetAnchorPage('none')); end.", "1"},
        {"published run state", u"begin Engine.CurY := 2.5; ShowMessage(Engine.CurY); end.", "2.5"},
    });
    EXPECT_DOUBLE_EQ(engine.CurY(), 2.5);

    struct Row
    {
        double curY;
        int top;
    };
    // Halves go to the even neighbour.
    const Row rows[] = {{12.5, 12}, {13.5, 14}, {7.4, 7}, {7.6, 8}};
    TkavCustomOutline &outline = report->PreviewPages()->Outline();
    for (const Row &r : rows) {
        engine.SetCurY(r.curY);
        EXPECT_EQ(run(u"begin Outline.LevelRoot; Outline.AddItem('entry'); Outline.LevelRoot; end."_s), "");
        QString text;
        int pageNo = 0;
        int top = 0;
        outline.LevelRoot();
        ASSERT_GT(outline.Count(), 0);
        outline.GetItem(outline.Count() - 1, text, pageNo, top);
        EXPECT_EQ(text, u"entry"_s);
        EXPECT_EQ(top, r.top) << r.curY;
    }

    EXPECT_EQ(run(u"begin Engine.StopReport; end."_s), "");
    EXPECT_TRUE(report->Terminated());
}

TEST_F(ClassRTTI, BindingsAreTheSameInCppScript)
{
    EXPECT_EQ(run(u"C++Script"_s, uR"(
TkavMemoView M = TkavMemoView(Report.FindObject("Memo1"));
{
  M.Text = "cpp"; M.Lines.Add("more");
  ShowMessage(IntToStr(M.Lines.Count) + " " + IntToStr(DayOf(EncodeDate(2020, 2, 29))));
  ShowMessage(baClient); ShowMessage(ftBottom);
})"_s),
              "2 29 " + std::to_string(baClient) + " " + std::to_string(1 << ftBottom));
    EXPECT_EQ(memo->Text(), u"cpp\r\nmore\r\n"_s);
}

} // namespace
