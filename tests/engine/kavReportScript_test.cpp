// Reports with scripts in each of the four languages: event procedures changing objects
// before they print, a row count kept by the script and shown in the summary, expressions
// with display formats, IIF and aggregates, highlights, and errors named by their object.

#include "../kavTestSupport.h"
#include "kavEngineTestSupport.h"

#include <persist/kavVariables.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavColors.h>
#include <script/ky_script.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct LanguageCase
{
    const char *name;
    const char16_t *language;
    const char16_t *script;
    const char16_t *choice; // an IIF with the language's string literals
    const char16_t *comments; // a script of nothing but comments
};

const LanguageCase languages[] = {
    {"Pascal", u"PascalScript", uR"(
var Rows: Integer;
procedure MasterData1OnBeforePrint(Sender: TkavComponent);
begin
  Rows := Rows + 1;
  Memo2.Text := 'Row ' + IntToStr(Rows);
end;
begin
  Rows := 0;
end.
)", u"IIF(<DS.\"N\"> > 2, 'big', 'small')", u"{ no code yet }\r\n// none\r\n(* at all *)"},
    {"Cpp", u"C++Script", uR"(
int Rows;
void MasterData1OnBeforePrint(TkavComponent Sender)
{
  Rows = Rows + 1;
  Memo2.Text = "Row " + IntToStr(Rows);
}
{
  Rows = 0;
}
)", u"IIF(<DS.\"N\"> > 2, \"big\", \"small\")", u"// no code yet\r\n/* none */"},
    {"Basic", u"BasicScript", uR"(
Dim Rows
Sub MasterData1OnBeforePrint(Sender)
  Rows = Rows + 1
  Memo2.Text = "Row " & Rows
End Sub
Rows = 0
)", u"IIF(<DS.\"N\"> > 2, \"big\", \"small\")", u"' no code yet\r\n' none"},
    {"JScript", u"JScript", uR"(
var Rows;
function MasterData1OnBeforePrint(Sender) {
  Rows = Rows + 1;
  Memo2.Text = "Row " + IntToStr(Rows);
}
Rows = 0;
)", u"IIF(<DS.\"N\"> > 2, \"big\", \"small\")", u"// no code yet\r\n/* none */"},
};

class ReportScriptTest : public ::testing::TestWithParam<LanguageCase>
{
protected:
    void SetUp() override
    {
        report = kavNewTestReport();
        page = kavAddTestPage(*report, u"Page1"_s);
        ds = std::make_unique<TkavUserDataSet>();
        ds->SetUserName(u"DS"_s);
        ds->SetRangeEnd(reCount);
        ds->SetRangeEndCount(5);
        ds->ValueHandlers().OnGetValue = [this](const QString &, Variant &value) {
            value = Variant(ds->RecNo() + 1);
        };
        report->DataSets().Add(ds.get());
        report->SetScriptLanguage(QString::fromUtf16(GetParam().language));
        data = band<TkavMasterData>(u"MasterData1"_s, 100, 20);
        data->SetDataSet(ds.get());
        summary = band<TkavReportSummary>(u"ReportSummary1"_s, 200, 20);
    }

    template <class T>
    T *band(const QString &name, double top, double height)
    {
        return kavAddTestBand<T>(*page, name, top, height);
    }

    TkavMemoView *memo(TkavBand *parent, const QString &name, const QString &text, double left = 0)
    {
        auto *m = TkavComponent::Create<TkavMemoView>(parent);
        m->SetName(name);
        m->SetBounds(left, 0, 150, 18);
        m->SetText(text);
        return m;
    }

    void setScript(const QString &text)
    {
        TStringList lines;
        lines.SetText(text);
        report->SetScriptText(lines);
    }

    // The printed texts of the memos named name, in output order.
    QStringList textsOf(const QString &name) const
    {
        QStringList texts;
        const QStringList dumped
            = kavDumpPreparedPages(*report->PreviewPages()).split(u'\n', Qt::SkipEmptyParts);
        for (const QString &line : dumped.filter(u"TkavMemoView "_s + name + u" "_s))
            texts.append(line.section(u'"', 1, -2));
        return texts;
    }

    std::unique_ptr<TkavReport> report;
    std::unique_ptr<TkavUserDataSet> ds;
    TkavReportPage *page = nullptr;
    TkavMasterData *data = nullptr;
    TkavReportSummary *summary = nullptr;
};

} // namespace

TEST_P(ReportScriptTest, EventsExpressionsAndTotalsComeAlive)
{
    setScript(QString::fromUtf16(GetParam().script));
    data->SetOnBeforePrint(u"MasterData1OnBeforePrint"_s);
    memo(data, u"Memo1"_s, u"[<DS.\"N\"> * 1.5 #n%2.2f]"_s);
    memo(data, u"Memo2"_s, u"designed"_s, 200);
    memo(data, u"Memo3"_s, u"["_s + QString::fromUtf16(GetParam().choice) + u"]"_s, 400);
    memo(summary, u"Total"_s, u"[Rows] rows, sum [SUM(<DS.\"N\">)]"_s);
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    EXPECT_EQ(textsOf(u"Memo1"_s).join(u' '), u"1.50 3.00 4.50 6.00 7.50"_s);
    EXPECT_EQ(textsOf(u"Memo2"_s).join(u','), u"Row 1,Row 2,Row 3,Row 4,Row 5"_s);
    EXPECT_EQ(textsOf(u"Memo3"_s).join(u' '), u"small small big big big"_s);
    EXPECT_EQ(textsOf(u"Total"_s), QStringList{u"5 rows, sum 15"_s});

    // A second run starts from the beginning again.
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    EXPECT_EQ(textsOf(u"Total"_s), QStringList{u"5 rows, sum 15"_s});
}

// An empty script, or one of only comments, is an empty program and an empty variable an
// empty value: the run goes on.
TEST_P(ReportScriptTest, EmptyScriptAndEmptyVariableRun)
{
    for (const QString &text :
         {QString(), u"  \r\n\r\n"_s, QString::fromUtf16(GetParam().comments)}) {
        setScript(text);
        report->Variables().SetVariable(u"Blank"_s, QString());
        memo(summary, u"Total"_s, u"[Blank]<[COUNT(MasterData1)]>"_s);
        ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
        EXPECT_EQ(textsOf(u"Total"_s), QStringList{u"<5>"_s});
        report->FindObject(u"Total"_s)->Free();
    }
}

TEST_P(ReportScriptTest, ErrorsNameTheirObject)
{
    setScript(QString::fromUtf16(GetParam().script));
    memo(data, u"Memo2"_s, QString(), 200);
    memo(data, u"Broken"_s, u"[1 +* 2]"_s);
    EXPECT_FALSE(report->PrepareReport(true));
    EXPECT_TRUE(report->ErrorsText().contains(u"Broken: "_s)) << report->ErrorsText().toStdString();

    // A script that does not compile stops before the run, with its position.
    data->Clear();
    setScript(u"this is ( not a program"_s);
    EXPECT_FALSE(report->PrepareReport(true));
    EXPECT_EQ(report->PreviewPages()->Count(), 0);
    EXPECT_TRUE(report->ErrorsText().contains(u":"_s)) << report->ErrorsText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages,
                         ReportScriptTest,
                         ::testing::ValuesIn(languages),
                         [](const ::testing::TestParamInfo<LanguageCase> &language) {
                             return std::string(language.param.name);
                         });

namespace {

class ReportExpressionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        report = kavNewTestReport();
        page = kavAddTestPage(*report, u"Page1"_s);
        ASSERT_TRUE(report->PrepareScript());
    }

    std::unique_ptr<TkavReport> report;
    TkavReportPage *page = nullptr;
};

} // namespace

TEST_F(ReportExpressionTest, CalcResolvesNamesAndCompilesTheRest)
{
    report->Variables().SetVariable(u"Six"_s, u"2*3"_s);
    report->Variables().SetVariable(u"Lines"_s, u"2*3\r\nsecond"_s);
    report->Variables().SetVariable(u"Loop"_s, u"<Loop> + 1"_s);
    EXPECT_EQ(report->Calc(u"Six"_s).AsInteger(), 6);
    EXPECT_EQ(report->Calc(u"Lines"_s).AsString(), u"2*3\r\nsecond"_s);
    EXPECT_EQ(report->Calc(u"<Six> + 1"_s).AsInteger(), 7);
    EXPECT_EQ(report->Calc(u"Get('Six') * 2"_s).AsInteger(), 12);
    EXPECT_EQ(report->Calc(u"IIF(1 > 0, 'a', 'b')"_s).AsString(), u"a"_s);
    // Expressions differing in case share a function, unless the difference is in a text.
    EXPECT_EQ(report->Calc(u"uppercase('x') + 'a'"_s).AsString(), u"Xa"_s);
    EXPECT_EQ(report->Calc(u"UpperCase('x') + 'A'"_s).AsString(), u"XA"_s);
    EXPECT_TRUE(report->Calc(u"IIF(1 / 0 > 0, 'a', 'b')"_s).IsNull()) << "errors inside IIF are swallowed";
    EXPECT_THROW(report->Calc(u"Loop"_s), EkavError) << "a variable refers to itself";

    // The application answers names it knows; the script's own variables are read as
    // they are now.
    report->SetOnGetValue([](const QString &name, Variant &value) {
        if (name == u"Host")
            value = Variant(u"given"_s);
    });
    EXPECT_EQ(report->Calc(u"Host"_s).AsString(), u"given"_s);
    report->Script().SetVariables(u"Counter"_s, Variant(41));
    Variant counter;
    ASSERT_TRUE(report->GetValueByName(u"Counter"_s, counter));
    EXPECT_EQ(counter.AsInteger(), 41);

    // System variables are matched exactly.
    EXPECT_NO_THROW(report->Calc(u"Page#"_s));
    EXPECT_THROW(report->Calc(u"page#"_s), EkavError);

    // Unknown names through Get: null, with a line in Errors.
    report->Errors().Clear();
    EXPECT_TRUE(report->Calc(u"Get('Nothing')"_s).IsNull());
    EXPECT_TRUE(report->ErrorsText().contains(u"Nothing"_s));

    // Division by zero is an error unless the report ignores it.
    report->Errors().Clear();
    report->SetCurObject(u"Memo9"_s);
    EXPECT_THROW(report->Calc(u"1 / 0"_s), EkavError);
    EXPECT_TRUE(report->ErrorsText().contains(u"Memo9: "_s)) << report->ErrorsText().toStdString();
    report->EngineOptions().SetIgnoreDevByZero(true);
    report->Errors().Clear();
    EXPECT_NO_THROW(report->Calc(u"1 / 0"_s));
    EXPECT_EQ(report->Errors().Count(), 0);

    // The designer's evaluation raises with its prefix and leaves Errors alone.
    EXPECT_THROW(report->CalcInDesigner(u"1 +"_s), EkavError);
    EXPECT_EQ(report->Errors().Count(), 0);
}

TEST_F(ReportExpressionTest, TheHighlightOfTheFirstTrueConditionApplies)
{
    auto *data = TkavComponent::Create<TkavMasterData>(page);
    data->SetName(u"MasterData1"_s);
    data->SetBounds(0, 100, 700, 20);
    TkavUserDataSet ds;
    ds.SetUserName(u"DS"_s);
    ds.SetRangeEnd(reCount);
    ds.SetRangeEndCount(4);
    ds.ValueHandlers().OnGetValue = [&ds](const QString &, Variant &value) { value = Variant(ds.RecNo() + 1); };
    report->DataSets().Add(&ds);
    data->SetDataSet(&ds);
    auto *m = TkavComponent::Create<TkavMemoView>(data);
    m->SetName(u"Memo1"_s);
    m->SetBounds(0, 0, 100, 18);
    m->SetText(u"[<DS.\"N\">]"_s);
    m->Font().SetColor(clBlack);
    const struct
    {
        const char16_t *condition;
        TColor color;
        bool visible;
    } highlights[] = {{u"<DS.\"N\"> = 2", clRed, true}, {u"<DS.\"N\"> >= 2", clBlue, true}, {u"<DS.\"N\"> = 4", clGreen, false}};
    for (const auto &h : highlights) {
        auto &item = static_cast<TkavHighlight &>(*m->Highlights().Add());
        item.SetCondition(QString::fromUtf16(h.condition));
        item.Font().SetColor(h.color);
        item.SetVisible(h.visible);
    }
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    const auto built = report->PreviewPages()->GetPage(0);
    QList<TColor> colors;
    for (TkavComponent *c : built->AllObjects())
        if (auto *memo = dynamic_cast<TkavMemoView *>(c))
            colors.append(memo->Font().Color());
    // Row 2 takes the first highlight only, rows 3 and 4 the second one.
    EXPECT_EQ(colors, (QList<TColor>{clBlack, clRed, clBlue, clBlue}));
    EXPECT_EQ(m->Font().Color(), clBlack) << "the template's look comes back after each row";

    // A rebuilt prepared memo shows its first highlight when that one is marked active.
    m->ApplyPreviewHighlight();
    EXPECT_EQ(m->Font().Color(), clBlack);
    static_cast<TkavHighlight &>(*m->Highlights().Items(0)).SetActive(true);
    m->ApplyPreviewHighlight();
    EXPECT_EQ(m->Font().Color(), clRed);
}

TEST_F(ReportExpressionTest, PreviewClicksAndMouseEventsReachTheScriptAndTheApplication)
{
    TStringList lines;
    lines.SetText(uR"(
procedure MemoClick(Sender: TkavView; Button, Shift: Integer; var Modified: Boolean);
begin
  Modified := Button = 1;
end;
procedure MemoEnter(Sender: TkavView; var Refresh: Boolean);
begin
  Refresh := True;
end;
begin end.
)"_s);
    report->SetScriptText(lines);
    auto *m = TkavComponent::Create<TkavMemoView>(page);
    m->SetName(u"Memo1"_s);
    m->SetOnPreviewClick(u"MemoClick"_s);
    m->SetOnMouseEnter(u"MemoEnter"_s);
    ASSERT_TRUE(report->PrepareScript()) << report->ErrorsText().toStdString();
    QStringList heard;
    report->SetOnClickObject([&](TkavView *v, int button, int, bool &modified) {
        heard.append(u"%1 %2 %3"_s.arg(v->Name()).arg(button).arg(modified));
    });
    report->SetOnMouseEnter([&](TkavView *v) { heard.append(u"enter "_s + v->Name()); });
    for (const int button : {1, 0}) {
        bool modified = false;
        report->DoPreviewClick(m, button, 0, modified, false);
        EXPECT_EQ(modified, button == 1);
    }
    bool refresh = false;
    report->DoMouseEnter(m, refresh);
    EXPECT_TRUE(refresh);
    EXPECT_EQ(heard.join(u','), u"Memo1 1 1,Memo1 0 0,enter Memo1"_s);
}

// A report's script may take the names of the library, of the report's functions and of
// its objects; its own declarations win, and the next preparation starts afresh.
TEST_F(ReportExpressionTest, TheScriptsOwnNamesHideTheLibraryAndTheReport)
{
    kavAddTestPage(*report, u"Page2"_s);
    TStringList lines;
    lines.SetText(u"var Count, Trim, Page2: Integer;\r\nbegin Count := 1; Trim := 2; Page2 := 3;\r\n"
                  u"Set('Sum', Count + Trim + Page2); end."_s);
    report->SetScriptText(lines);
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(report->PrepareScript()) << report->ErrorsText().toStdString();
        report->Script().Execute();
        EXPECT_EQ(report->Variables().GetVariable(u"Sum"_s).AsInteger(), 6);
    }
}

TEST_F(ReportExpressionTest, AFailingEventProcedureStopsTheRunNamingObjectProcedureAndPlace)
{
    TStringList lines;
    lines.SetText(u"procedure Boom(Sender: TkavComponent);\r\nbegin\r\n  RaiseException('no paper');\r\nend;\r\nbegin end."_s);
    report->SetScriptText(lines);
    auto *data = TkavComponent::Create<TkavMasterData>(page);
    data->SetName(u"MasterData1"_s);
    data->SetBounds(0, 100, 700, 20);
    data->SetRowCount(3);
    data->SetOnBeforePrint(u"Boom"_s);
    EXPECT_FALSE(report->PrepareReport(true));
    EXPECT_TRUE(report->ErrorsText().contains(u"MasterData1: no paper (Boom at 3:"_s))
        << report->ErrorsText().toStdString();
}
