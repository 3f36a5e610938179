// Data sets over CSV and JSON files: parsing (quotes, line breaks, encodings, malformed
// rows), the types read out of texts, navigation and aliases, messages that name the data
// set and the place, and reports run over them from kv3 files.

#include "../kavTestSupport.h"
#include "kavEngineTestSupport.h"

#include <data/kavFileDataSets.h>
#include <prepared/kavPreviewPages.h>
#include <rtl/kavDateTime.h>
#include <rtl/kavStrings.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class FileDataSetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kavRegisterRTLClasses();
        kavRegisterReportClasses();
        ASSERT_TRUE(dir.isValid());
    }

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // Every record as "v1|v2|..." with nulls as "<null>".
    static QStringList records(TkavTableDataSet &ds)
    {
        QStringList result;
        TStringList fields;
        ds.GetFieldList(fields);
        for (ds.First(); !ds.Eof(); ds.Next()) {
            QStringList values;
            for (int i = 0; i < fields.Count(); ++i) {
                const Variant v = ds.GetValue(fields.Strings(i));
                values << (v.IsNull() ? u"<null>"_s : v.AsString());
            }
            result << values.join(u'|');
        }
        return result;
    }

    static QString errorOf(TkavTableDataSet &ds)
    {
        return kavErrorOf<EkavError>([&] { ds.Load(); });
    }

    QTemporaryDir dir;
};

TEST_F(FileDataSetTest, CsvQuotesLineBreaksAndEmptyFields)
{
    TkavCSVDataSet ds;
    ds.SetUserName(u"Rows"_s);
    ds.SetFileName(write(u"a.csv"_s,
                         "Name,Note,City\r\n"
                         "\"Smith, J\",\"said \"\"hi\"\"\",Paris\r\n"
                         "Lee,\"two\r\nlines\",\r\n"
                         "\r\n"
                         "Ng,,\"\"\n"
                         "\"Éva\",5\" screen,Zürich")); // no final line break
    ds.Initialize();
    TStringList fields;
    ds.GetFieldList(fields);
    EXPECT_EQ(fields.Text(), u"Name\r\nNote\r\nCity\r\n"_s);
    EXPECT_EQ(records(ds),
              (QStringList{u"Smith, J|said \"hi\"|Paris"_s,
                           u"Lee|two\r\nlines|<null>"_s,
                           u"Ng|<null>|<null>"_s,
                           u"Éva|5\" screen|Zürich"_s}));
    EXPECT_EQ(ds.RecordCount(), 4);
}

TEST_F(FileDataSetTest, CsvDelimitersHeadersAndEncodings)
{
    const struct
    {
        const char *name;
        QByteArray bytes;
        QString delimiter;
        bool header;
        QString encoding;
        QStringList expected;
    } rows[] = {
        {"semicolon", "a;b\n1,5;x\n", u";"_s, true, u"UTF-8"_s, {u"1,5|x"_s}},
        {"tab", "a\tb\nx y\tz\n", u"tab"_s, true, u"UTF-8"_s, {u"x y|z"_s}},
        {"no_header_short_rows", "x\ny,z\n", u","_s, false, u"UTF-8"_s, {u"x|<null>"_s, u"y|z"_s}},
        {"bom_removed", "\xEF\xBB\xBFk\nv\n", u","_s, true, u"UTF-8"_s, {u"v"_s}},
        {"windows_1252", "k\n\x80 \xE9t\xE9\n", u","_s, true, u"Windows-1252"_s, {u"€ été"_s}},
        {"latin1", "k\n\xE9\n", u","_s, true, u"Latin-1"_s, {u"é"_s}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        TkavCSVDataSet ds;
        ds.SetDelimiter(row.delimiter);
        ds.SetHasHeader(row.header);
        ds.SetEncoding(row.encoding);
        ds.SetFileName(write(u"d.csv"_s, row.bytes));
        ds.Load();
        EXPECT_EQ(records(ds), row.expected);
    }
}

TEST_F(FileDataSetTest, CsvFieldNamesAreMadeUnique)
{
    TkavCSVDataSet ds;
    ds.SetFileName(write(u"n.csv"_s, "Id,id,,Name\n1,2,3,4\n"));
    ds.Load();
    EXPECT_EQ(ds.Table().Fields, (QStringList{u"Id"_s, u"id_2"_s, u"Field3"_s, u"Name"_s}));
    ds.First();
    EXPECT_EQ(ds.GetValue(u"ID"_s).AsString(), u"1"_s); // names ignore case
    EXPECT_EQ(ds.GetValue(u"Field3"_s).AsString(), u"3"_s);
}

TEST_F(FileDataSetTest, TypesAreReadOutOfTexts)
{
    TkavCSVDataSet ds;
    ds.SetFileName(write(u"t.csv"_s,
                         "Int,Real,Flag,Day,Zip,Mixed,Empty,Stamp\n"
                         "12,1.5,true,2024-02-29,00123,7,,2024-01-02T03:04:05\n"
                         "-3,2e3,FALSE,2023-12-31,12345,x,,2024-01-02 10:00\n"
                         ",,,,,,,\n"));
    ds.Load();
    ds.First();
    const struct
    {
        const char *field;
        TkavFieldType type;
        int varType;
    } rows[] = {
        {"Int", fftNumeric, varInt64},
        {"Real", fftNumeric, varDouble},
        {"Flag", fftBoolean, varBoolean},
        {"Day", fftDateTime, varDate},
        {"Zip", fftString, varString}, // a leading zero: a code, not a number
        {"Mixed", fftString, varString},
        {"Empty", fftString, varNull},
        {"Stamp", fftDateTime, varDate},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.field);
        EXPECT_EQ(ds.GetFieldType(QString::fromLatin1(row.field)), row.type);
        EXPECT_EQ(ds.GetValue(QString::fromLatin1(row.field)).Type(), row.varType);
    }
    EXPECT_EQ(ds.GetValue(u"Real"_s).AsDouble(), 1.5);
    EXPECT_EQ(ds.GetValue(u"Day"_s).AsDouble(), EncodeDate(2024, 2, 29));
    EXPECT_DOUBLE_EQ(ds.GetValue(u"Stamp"_s).AsDouble(),
                     EncodeDate(2024, 1, 2) + EncodeTime(3, 4, 5, 0));
    ds.Next();
    EXPECT_EQ(ds.GetValue(u"Real"_s).AsDouble(), 2000.0);
    EXPECT_FALSE(ds.GetValue(u"Flag"_s).AsBoolean());

    // Switched off, every value stays the text of the file.
    TkavCSVDataSet plain;
    plain.SetDetectTypes(false);
    plain.SetFileName(ds.FileName());
    plain.Load();
    plain.First();
    EXPECT_EQ(plain.GetValue(u"Int"_s).Type(), varString);
    EXPECT_EQ(plain.GetFieldType(u"Day"_s), fftString);
}

TEST_F(FileDataSetTest, MalformedFilesNameTheDataSetFileAndLine)
{
    const struct
    {
        const char *name;
        QByteArray bytes;
        QString encoding;
        QString message;
    } rows[] = {
        {"unclosed_quote",
         "a,b\n1,2\n3,\"open\nstill open\n",
         u"UTF-8"_s,
         u"line 3: a quoted field is not closed"_s},
        {"text_after_quote",
         "a,b\n\"x\"y,2\n",
         u"UTF-8"_s,
         u"line 2: text after the closing quote"_s},
        // The record after a field with a line break starts on line 4.
        {"too_many_fields",
         "a,b\n\"1\n2\",3\n4,5,6\n",
         u"UTF-8"_s,
         u"line 4: 3 fields, but the header names 2"_s},
        {"not_utf8", "a\n\xE9\n", u"UTF-8"_s, u"is not UTF-8 text (set Encoding)"_s},
        {"unknown_encoding", "a\n", u"EBCDIC"_s, u"unknown encoding \"EBCDIC\""_s},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        TkavCSVDataSet ds;
        ds.SetUserName(u"Orders"_s);
        ds.SetEncoding(row.encoding);
        const QString path = write(u"bad.csv"_s, row.bytes);
        ds.SetFileName(path);
        const QString error = errorOf(ds);
        EXPECT_TRUE(error.startsWith(u"Data set \"Orders\": \"%1\""_s.arg(path)))
            << error.toStdString();
        EXPECT_TRUE(error.contains(row.message)) << error.toStdString();
    }
    TkavCSVDataSet missing;
    missing.SetUserName(u"Orders"_s);
    missing.SetFileName(dir.filePath(u"nowhere.csv"_s));
    EXPECT_TRUE(errorOf(missing).startsWith(
        u"Data set \"Orders\": cannot open \"%1\""_s.arg(dir.filePath(u"nowhere.csv"_s))));
    TkavCSVDataSet unnamed;
    EXPECT_TRUE(errorOf(unnamed).contains(u"no file name given"_s));
    // A field list is only offered: errors leave it empty.
    TStringList fields;
    missing.GetFieldList(fields);
    EXPECT_EQ(fields.Count(), 0);
}

TEST_F(FileDataSetTest, DelimiterMustBeOneUsableCharacter)
{
    TkavCSVDataSet ds;
    EXPECT_FALSE(kavErrorOf<EkavError>([&] { ds.SetDelimiter(u";;"_s); }).isEmpty());
    EXPECT_FALSE(kavErrorOf<EkavError>([&] { ds.SetDelimiter(u"\""_s); }).isEmpty());
    EXPECT_EQ(ds.Delimiter(), u","_s);
}

TEST_F(FileDataSetTest, NavigationRangesAndAliases)
{
    TkavCSVDataSet ds;
    ds.SetFileName(write(u"r.csv"_s, "CustName,N\na,1\nb,2\nc,3\n"));
    TStringList aliases;
    aliases.Add(u"CustName=Customer"_s);
    ds.SetFieldAliases(aliases);
    ds.Initialize();
    TStringList fields;
    ds.GetFieldList(fields);
    EXPECT_EQ(fields.Strings(0), u"Customer"_s);
    ds.First();
    EXPECT_EQ(ds.GetDisplayText(u"customer"_s), u"a"_s);
    EXPECT_TRUE(ds.GetValue(u"Nope"_s).IsNull());
    ds.Next();
    ds.Next();
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.GetValue(u"N"_s).AsInteger(), 3);
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.GetValue(u"N"_s).IsNull()); // past the end: no record

    ds.SetRangeEnd(reCount);
    ds.SetRangeEndCount(2);
    EXPECT_EQ(records(ds).size(), 2);
    EXPECT_EQ(ds.RecordCount(), 2);
    ds.SetRangeEndCount(10);
    EXPECT_EQ(records(ds).size(), 3);
    ds.Finalize();
    EXPECT_TRUE(ds.Table().Rows.empty()); // the table is released after the run
}

TEST_F(FileDataSetTest, JsonRecordsAtAPathWithNestedAndMissingKeys)
{
    TkavJSONDataSet ds;
    ds.SetRecordsPath(u"data.orders"_s);
    ds.SetFileName(write(u"o.json"_s, R"({"data": {"orders": [
        {"id": 1, "total": 9.5, "paid": true, "day": "2024-03-01",
         "customer": {"name": "Ann", "city": "Oslo"}, "tags": ["a", "b"]},
        {"id": 2, "customer": {"name": "Bö"}, "note": null, "extra": "x"}
    ]}})"));
    ds.Load();
    EXPECT_EQ(ds.Table().Fields.size(), 9);
    EXPECT_TRUE(ds.Table().Fields.contains(u"customer.name"_s));
    ds.First();
    EXPECT_EQ(ds.GetValue(u"id"_s).Type(), varInt64);
    EXPECT_EQ(ds.GetValue(u"total"_s).AsDouble(), 9.5);
    EXPECT_TRUE(ds.GetValue(u"paid"_s).AsBoolean());
    EXPECT_EQ(ds.GetValue(u"day"_s).Type(), varDate);
    EXPECT_EQ(ds.GetValue(u"customer.city"_s).AsString(), u"Oslo"_s);
    EXPECT_EQ(ds.GetValue(u"tags"_s).AsString(), u"[\"a\",\"b\"]"_s);
    EXPECT_TRUE(ds.GetValue(u"extra"_s).IsNull()); // a key only a later record has
    ds.Next();
    EXPECT_EQ(ds.GetValue(u"customer.name"_s).AsString(), u"Bö"_s);
    EXPECT_TRUE(ds.GetValue(u"customer.city"_s).IsNull());
    EXPECT_TRUE(ds.GetValue(u"note"_s).IsNull());
    EXPECT_EQ(ds.GetValue(u"extra"_s).AsString(), u"x"_s);

    TkavJSONDataSet root;
    root.SetFileName(write(u"r.json"_s, R"([{"a": "1"}, {"a": "2"}])"));
    root.Load();
    root.First();
    EXPECT_EQ(root.GetValue(u"a"_s).Type(), varString); // JSON's own texts stay texts
    EXPECT_EQ(records(root), (QStringList{u"1"_s, u"2"_s}));
}

TEST_F(FileDataSetTest, MalformedJsonNamesThePlace)
{
    const struct
    {
        const char *name;
        QByteArray bytes;
        QString path;
        QString message;
    } rows[] = {
        {"syntax", "[\n {\"a\": 1},\n {\"a\" 2}\n]", u""_s, u"line 3: column "_s},
        {"path_missing",
         R"({"data": []})",
         u"rows"_s,
         u"RecordsPath \"rows\": \"rows\" is not in the file"_s},
        {"not_an_array", R"({"data": {"a": 1}})", u"data"_s, u"the records are not an array"_s},
        {"not_an_object", R"([{"a": 1}, 5])", u""_s, u"record 2 of the array is not an object"_s},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        TkavJSONDataSet ds;
        ds.SetUserName(u"J"_s);
        ds.SetRecordsPath(row.path);
        ds.SetFileName(write(u"bad.json"_s, row.bytes));
        const QString error = errorOf(ds);
        EXPECT_TRUE(error.startsWith(u"Data set \"J\": "_s)) << error.toStdString();
        EXPECT_TRUE(error.contains(row.message)) << error.toStdString();
    }
}

// A template in the temporary folder: a CSV data set on the data page (relative file
// name), a master band listing it and a summary with a total.
QByteArray csvReport(const QString &fileName)
{
    return uR"(<?xml version="1.0" encoding="utf-8"?>
<TkavReport Version="5.2.3" ScriptLanguage="PascalScript">
  <Datasets><item DataSet="Sales" DataSetName="Sales"/></Datasets>
  <TkavDataPage Name="Data" Width="1000" Height="1000">
    <TkavCSVDataSet Name="Sales" UserName="Sales" FileName="%1" Delimiter=";"/>
  </TkavDataPage>
  <TkavReportPage Name="Page1" PaperWidth="210" PaperHeight="297" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">
    <TkavMasterData Name="MasterData1" Height="20" Left="0" Top="40" Width="718" DataSet="Sales" DataSetName="Sales">
      <TkavMemoView Name="Item" Left="0" Top="0" Width="300" Height="18" Text="[Sales.&quot;Item&quot;]: [Sales.&quot;Amount&quot;]"/>
    </TkavMasterData>
    <TkavReportSummary Name="ReportSummary1" Height="24" Left="0" Top="100" Width="718">
      <TkavMemoView Name="Total" Left="0" Top="0" Width="300" Height="20" Text="Total [SUM(&lt;Sales.&quot;Amount&quot;&gt;,MasterData1)]"/>
    </TkavReportSummary>
  </TkavReportPage>
</TkavReport>
)"_s.arg(fileName)
        .toUtf8();
}

TEST_F(FileDataSetTest, ReportRunsOverACsvFileNamedRelativeToIt)
{
    write(u"sales.csv"_s, "Item;Amount\nTea;2.5\nCoffee;4\n");
    const QString kv3 = write(u"sales.kv3"_s, csvReport(u"sales.csv"_s));
    QDir::setCurrent(QDir::tempPath()); // the report's folder counts, not the current one
    auto report = kavNewTestReport();
    ASSERT_TRUE(report->LoadFromFile(kv3, true));
    auto *sales = dynamic_cast<TkavCSVDataSet *>(report->FindObject(u"Sales"_s));
    ASSERT_NE(sales, nullptr);
    EXPECT_EQ(sales->Delimiter(), u";"_s);
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().Text().toStdString();
    const QString dump = kavDumpPreparedPages(*report->PreviewPages());
    EXPECT_TRUE(dump.contains(u"\"Tea: 2.5\""_s)) << dump.toStdString();
    EXPECT_TRUE(dump.contains(u"\"Coffee: 4\""_s));
    EXPECT_TRUE(dump.contains(u"\"Total 6.5\""_s)); // numbers, not texts, are summed
}

TEST_F(FileDataSetTest, MissingFileFailsTheRunWithItsName)
{
    const QString kv3 = write(u"lost.kv3"_s, csvReport(u"gone.csv"_s));
    auto report = kavNewTestReport();
    ASSERT_TRUE(report->LoadFromFile(kv3, true));
    EXPECT_FALSE(report->PrepareReport(true));
    EXPECT_TRUE(report->Errors().Text().contains(
        u"Data set \"Sales\": cannot open \"%1\""_s.arg(dir.filePath(u"gone.csv"_s))))
        << report->Errors().Text().toStdString();
    // The template is untouched: the data set still names its file.
    auto *sales = dynamic_cast<TkavCSVDataSet *>(report->FindObject(u"Sales"_s));
    ASSERT_NE(sales, nullptr);
    EXPECT_EQ(sales->FileName(), u"gone.csv"_s);
}

} // namespace
