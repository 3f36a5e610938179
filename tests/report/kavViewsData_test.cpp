// Taking data before output: bracket scanning, display formats, the report's values
// (data fields, variables, literals and their errors), and the data of memos, views and
// pictures.

#include "kavReportTestSupport.h"
#include "kavTestSupport.h"

#include <persist/kavRes.h>
#include <persist/kavVariables.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavViews.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>

#include <QImage>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

TEST(Brackets, Scanning)
{
    const struct
    {
        const char16_t *text;
        int pos;
        const char16_t *open;
        const char16_t *close;
        const char16_t *expression; // nullptr: nothing opens at pos
        int end;
    } cases[] = {
        {u"x [a] y", 2, u"[", u"]", u"a", 4},
        {u"[a[1]]", 0, u"[", u"]", u"a[1]", 5},
        {u"['x]y']", 0, u"[", u"]", u"'x]y'", 6},
        {u"[\"a]\"]", 0, u"[", u"]", u"\"a]\"", 5},
        {u"[open", 0, u"[", u"]", u"open", 4},
        {u"<%v%> tail", 0, u"<%", u"%>", u"v", 4},
        {u"a [b]", 0, u"[", u"]", nullptr, 0},
    };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        SCOPED_TRACE(text.toStdString());
        const TkavBracket b
            = kavScanBracket(text, c.pos, QStringView(c.open), QStringView(c.close));
        if (!c.expression) {
            EXPECT_EQ(b.Start, -1);
            continue;
        }
        EXPECT_EQ(b.Start, c.pos);
        EXPECT_EQ(text.mid(b.ExprStart, b.ExprEnd - b.ExprStart), QString::fromUtf16(c.expression));
        EXPECT_EQ(b.End, c.end);
    }
}

struct FormatCase
{
    TkavFormatKind kind;
    QString str;
    QString decimal;
    QString thousand;
};

FormatCase format(TkavFormatKind kind,
                  const QString &str,
                  const QString &decimal = {},
                  const QString &thousand = {})
{
    return {kind, str, decimal, thousand};
}

TEST(DisplayFormats, FormatData)
{
    const struct
    {
        const char *name;
        Variant value;
        FormatCase format;
        const char16_t *expected;
    } cases[] = {
        {"null is empty", Variant::Null(), format(fkNumeric, u"%2.2f"_s), u""},
        {"text as it is", Variant(u"abc"_s), format(fkText, QString()), u"abc"},
        {"picture", Variant(1234.5), format(fkNumeric, u"#,##0.00"_s), u"1,234.50"},
        {"picture with separators",
         Variant(1234.5),
         format(fkNumeric, u"#,##0.00"_s, u","_s, u" "_s),
         u"1 234,50"},
        {"float", Variant(3.14159), format(fkNumeric, u"%2.2f"_s), u"3.14"},
        {"float with comma", Variant(3.14159), format(fkNumeric, u"%2.2f"_s, u","_s), u"3,14"},
        {"integer truncates", Variant(3.7), format(fkNumeric, u"%d"_s), u"3"},
        {"binary noise gone", Variant(0.285 * 100), format(fkNumeric, u"%g"_s), u"28.5"},
        {"date", Variant::FromDate(44261), format(fkDateTime, u"dd.mm.yyyy"_s), u"06.03.2021"},
        {"boolean yes", Variant(true), format(fkBoolean, u"Yes,No"_s), u"Yes"},
        {"boolean no", Variant(false), format(fkBoolean, u"Yes,No"_s), u"No"},
        {"boolean of a number", Variant(1), format(fkBoolean, u"Yes,No"_s), u"Yes"},
        {"boolean of a text is the second text",
         Variant(u"x"_s),
         format(fkBoolean, u"Yes,No"_s),
         u"No"},
        {"not a number shows as it is", Variant(u"n/a"_s), format(fkNumeric, u"%2.2f"_s), u"n/a"},
    };
    for (const auto &c : cases) {
        TkavFormat f;
        f.SetKind(c.format.kind);
        f.SetFormatStr(c.format.str);
        f.SetDecimalSeparator(c.format.decimal);
        f.SetThousandSeparator(c.format.thousand);
        EXPECT_EQ(kavFormatData(c.value, f), QString::fromUtf16(c.expected)) << c.name;
    }
}

// A report with a data set "People" (fields Name and Amount over three rows), a page, a
// band and a memo on it.
class ReportData : public TkavReportTest
{
protected:
    void SetUp() override
    {
        TkavReportTest::SetUp();
        auto *page = TkavComponent::Create<TkavReportPage>(&report);
        page->SetName(u"Page1"_s);
        band = TkavComponent::Create<TkavMasterData>(page);
        band->SetName(u"Band1"_s);
        people = TkavComponent::Create<TkavUserDataSet>(&report);
        people->SetName(u"People"_s);
        people->Fields().Add(u"Name"_s);
        people->Fields().Add(u"Amount"_s);
        people->SetRangeEnd(reCount);
        people->SetRangeEndCount(3);
        people->ValueHandlers().OnGetValue = [this](const QString &field, Variant &value) {
            const int row = people->RecNo();
            if (field == u"Name")
                value = Variant(QStringList{u"Ann"_s, u"Bob"_s, u"Cy"_s}[row]);
            else if (field == u"Amount")
                value = row == 2 ? Variant::Null() : Variant(row * 1.5);
        };
        report.DataSets().Add(people);
        people->First();
        memo = TkavComponent::Create<TkavMemoView>(band);
        memo->SetName(u"Memo1"_s);
        memo->SetBounds(0, 0, 200, 20);
    }

    QString dataOf(const QString &text)
    {
        memo->SetText(text);
        memo->GetData();
        return memo->Text();
    }

    TkavReport report;
    TkavBand *band = nullptr;
    TkavUserDataSet *people = nullptr;
    TkavMemoView *memo = nullptr;
};

TEST_F(ReportData, ValuesByName)
{
    report.Variables().SetVariable(u"Rate"_s, 1.5);
    report.Variables().SetVariable(u"Label"_s, u"'fixed'"_s);
    report.Variables().SetVariable(u"Alias"_s, u"Rate"_s);
    report.Variables().SetVariable(u"Lines"_s, u"one\r\ntwo"_s);
    kavGlobalVariables().SetVariable(u"Shared"_s, 7);
    EXPECT_EQ(report.Calc(u"People.\"Name\""_s).AsString(), u"Ann"_s);
    EXPECT_EQ(report.Calc(u"Rate"_s).AsDouble(), 1.5);
    EXPECT_EQ(report.Calc(u"Label"_s).AsString(), u"fixed"_s) << "a text variable is an expression";
    EXPECT_EQ(report.Calc(u"Alias"_s).AsDouble(), 1.5);
    EXPECT_EQ(report.Calc(u"Lines"_s).AsString(), u"one\r\ntwo"_s)
        << "a text with a line break is text";
    EXPECT_EQ(report.Calc(u"Shared"_s).AsInteger(), 7);
    EXPECT_EQ(report.Calc(u"'it''s'"_s).AsString(), u"it's"_s);
    EXPECT_EQ(report.Calc(u" 42 "_s).AsInteger(), 42);
    EXPECT_EQ(report.Calc(u"2.5"_s).AsDouble(), 2.5);
    // A null field converts by its type while ConvertNulls is on.
    people->Next();
    people->Next();
    EXPECT_EQ(report.Calc(u"People.\"Amount\""_s).AsDouble(), 0);
    report.EngineOptions().SetConvertNulls(false);
    EXPECT_TRUE(report.Calc(u"People.\"Amount\""_s).IsNull());
    kavGlobalVariables().Clear();
}

TEST_F(ReportData, ExpressionErrorsAreLinesAndExceptions)
{
    report.SetCurObject(u"Memo1"_s);
    EXPECT_THROW(report.Calc(u"Nobody"_s), EkavError);
    ASSERT_EQ(report.Errors().Count(), 1);
    EXPECT_EQ(report.Errors().Strings(0),
              u"Memo1: "_s + kavResourceTable().Get(u"clExprError"_s)
                  + u" 'Nobody': Undeclared identifier: 'Nobody'"_s);
    // Two fields joined by an operator are no field name (nor the value of the first).
    EXPECT_THROW(report.Calc(u"People.\"Name\" + People.\"Name\""_s), EkavError);

    // A variable that comes back to itself ends with one error line instead of a hang.
    report.Errors().Clear();
    report.Variables().SetVariable(u"A"_s, u"B"_s);
    report.Variables().SetVariable(u"B"_s, u"A"_s);
    EXPECT_THROW(report.Calc(u"A"_s), EkavError);
    ASSERT_EQ(report.Errors().Count(), 1);
    EXPECT_EQ(report.Errors().Strings(0), u"Memo1: The variable A refers to itself"_s);
    report.Errors().Clear();
    EXPECT_EQ(report.Calc(u"'after'"_s).AsString(), u"after"_s) << "the guard is released";
}

TEST_F(ReportData, MemoTakesFieldsAndExpressions)
{
    report.Variables().SetVariable(u"Total"_s, 1234.5);
    report.Variables().SetVariable(u"Zero"_s, 0);
    EXPECT_EQ(dataOf(u"Hello [People.\"Name\"]!"_s), u"Hello Ann!\r\n"_s);
    // An inline numeric tag takes its last separator as the decimal one.
    EXPECT_EQ(dataOf(u"[Total #n%2,2f] and [Total #n0.000]"_s), u"1234,50 and 1234.500\r\n"_s);
    EXPECT_EQ(dataOf(u"Page of [TotalPages#], [copyname#]"_s),
              u"Page of [TotalPages#], [CopyName#]\r\n"_s);
    memo->SetHideZeros(true);
    EXPECT_EQ(dataOf(u"<[Zero]>"_s), u"<>\r\n"_s);
    memo->SetHideZeros(false);
    // The display formats apply in turn, the last one to the rest.
    memo->DisplayFormat().SetKind(fkNumeric);
    memo->DisplayFormat().SetFormatStr(u"%2.1f"_s);
    EXPECT_EQ(dataOf(u"[Total] [Total]"_s), u"1234.5 1234.5\r\n"_s);
    // Other delimiters; expressions switched off.
    memo->SetExpressionDelimiters(u"<%,%>"_s);
    EXPECT_EQ(dataOf(u"<%Zero%>[Zero]"_s), u"0.0[Zero]\r\n"_s);
    memo->SetAllowExpressions(false);
    EXPECT_EQ(dataOf(u"<%Zero%>"_s), u"<%Zero%>\r\n"_s);
}

TEST_F(ReportData, MemoBoundToAField)
{
    memo->SetDataSet(people);
    memo->SetDataField(u"Amount"_s);
    people->Next();
    memo->GetData();
    EXPECT_EQ(memo->Text(), u"1.5\r\n"_s);
    EXPECT_EQ(memo->Value().AsDouble(), 1.5);
    memo->DisplayFormat().SetKind(fkNumeric);
    memo->DisplayFormat().SetFormatStr(u"%2.2f"_s);
    memo->GetData();
    EXPECT_EQ(memo->Text(), u"1.50\r\n"_s);
}

TEST_F(ReportData, RepeatedValuesAreSuppressed)
{
    memo->SetSuppressRepeated(true);
    EXPECT_EQ(dataOf(u"same"_s), u"same\r\n"_s);
    EXPECT_EQ(dataOf(u"same"_s), u""_s);
    EXPECT_EQ(dataOf(u"other"_s), u"other\r\n"_s);
    memo->ResetSuppress();
    EXPECT_EQ(dataOf(u"other"_s), u"other\r\n"_s);
}

TEST_F(ReportData, TextThatDoesNotFitFlowsOn)
{
    auto *next = TkavComponent::Create<TkavMemoView>(band);
    next->SetName(u"Memo2"_s);
    memo->SetFlowTo(next);
    memo->SetHeight(20); // room for one line only
    memo->SetText(u"first\r\n[second]\r\nthird"_s);
    memo->SetAllowExpressions(false);
    memo->GetData();
    EXPECT_TRUE(memo->Text().startsWith(u"first"_s)) << memo->Text().toStdString();
    EXPECT_TRUE(next->Text().contains(u"[second]"_s)) << next->Text().toStdString();
    EXPECT_FALSE(next->AllowExpressions()) << "the moved text is not expanded again";
}

TEST_F(ReportData, TagsHyperlinksAndPictures)
{
    auto *picture = TkavComponent::Create<TkavPictureView>(band);
    picture->SetName(u"Picture1"_s);
    picture->SetTagStr(u"id=[People.\"Name\"]"_s);
    picture->Hyperlink().SetValue(u"#[People.\"Name\"]"_s);
    picture->GetData();
    EXPECT_EQ(picture->TagStr(), u"id=Ann"_s);
    EXPECT_EQ(picture->Hyperlink().Value(), u"#Ann"_s);

    picture->Hyperlink().SetExpression(u"'it''s'"_s);
    picture->GetData();
    EXPECT_EQ(picture->Hyperlink().Value(), u"'it''s'"_s);
    report.SetScriptLanguage(u"C++Script"_s);
    picture->Hyperlink().SetExpression(u"\"a\\\"b\\\\\\\\c\""_s);
    picture->GetData();
    EXPECT_EQ(picture->Hyperlink().Value(), u"\"a\\\"b\\\\\\\\c\""_s)
        << "quotes and backslashes escaped";
    picture->Hyperlink().SetExpression(QString());

    QTemporaryDir dir;
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(dir.filePath(u"Ann.png"_s)));
    picture->SetFileLink(dir.path() + u"/[People.\"Name\"].png"_s);
    picture->GetData();
    ASSERT_FALSE(picture->Picture().IsEmpty());
    EXPECT_EQ(picture->Picture().Width(), 4);
    people->Next(); // Bob.png does not exist
    picture->GetData();
    EXPECT_TRUE(picture->Picture().IsEmpty());
    EXPECT_EQ(report.Errors().Count(), 0) << "a missing file is no error";

    // A file outside the allowed folders: no picture, and the reason in the errors.
    people->First();
    KavFilePolicyGuard guard;
    QTemporaryDir allowed;
    kavFilePolicy().SetRestricted({allowed.path()});
    picture->GetData();
    EXPECT_TRUE(picture->Picture().IsEmpty());
    ASSERT_EQ(report.Errors().Count(), 1);
    EXPECT_TRUE(report.Errors().Strings(0).startsWith(u"Picture1: "_s))
        << report.Errors().Strings(0).toStdString();
}

} // namespace
