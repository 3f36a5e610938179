// Query data sets over a real SQLite database: reports read from kv3 files list rows, bind
// parameters from expressions and from a master record, and report bad SQL, a missing
// file or a failed connection with the data set's name and without the password.

#include "../kavTestSupport.h"
#include "kavEngineTestSupport.h"

#include <data/kavSQLDataSets.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavViews.h>
#include <rtl/kavDateTime.h>
#include <rtl/kavStreams.h>
#include <rtl/kavStrings.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class SQLDataSetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QSqlDatabase::isDriverAvailable(u"QSQLITE"_s));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"fixture"_s);
            db.setDatabaseName(dir.filePath(u"shop.db"_s));
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            for (const char *sql : {
                     "create table customers (id integer primary key, name text, city text)",
                     "insert into customers values (1, 'Ann', 'Oslo'), (2, 'Bo', 'Lima'), "
                     "(3, 'Cy', 'Oslo')",
                     "create table orders (id integer primary key, customer_id integer, "
                     "total real, note blob)",
                     "insert into orders values (1, 1, 10.5, null), (2, 1, 4, null), "
                     "(3, 3, 7.25, x'616263')",
                     "create table events (id integer primary key, day date, at datetime, "
                     "stamp timestamp, label text)",
                     "insert into events values (1, '2025-03-01', '2025-03-01 10:30:00', "
                     "'2025-03-01T10:30:00.5', '2025-03-01'), (2, 'soon', null, 45000, 'x')",
                 })
                ASSERT_TRUE(q.exec(QString::fromLatin1(sql))) << q.lastError().text().toStdString();
        }
        QSqlDatabase::removeDatabase(u"fixture"_s);
    }

    // A report file in the temporary folder: the database, the queries and the bands are
    // the given XML fragments.
    std::unique_ptr<TkavReport> load(const QString &dataPage, const QString &bands)
    {
        const QString text = uR"(<?xml version="1.0" encoding="utf-8"?>
<TkavReport Version="5.2.3" ScriptLanguage="PascalScript">
  <Datasets>%3</Datasets>
  <TkavDataPage Name="Data" Width="1000" Height="1000">
    <TkavSQLDatabase Name="DB" DatabaseName="shop.db"/>
    %1
  </TkavDataPage>
  <TkavReportPage Name="Page1" PaperWidth="210" PaperHeight="297" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">
    %2
  </TkavReportPage>
</TkavReport>
)"_s.arg(dataPage, bands, usedDataSets(dataPage));
        const QString path = dir.filePath(u"report.kv3"_s);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
        file.close();
        auto report = kavNewTestReport();
        EXPECT_TRUE(report->LoadFromFile(path, true)) << report->Errors().Text().toStdString();
        return report;
    }

    // The report uses every query of the data page.
    static QString usedDataSets(const QString &dataPage)
    {
        QString items;
        static const QRegularExpression userName(u"UserName=\"(\\w+)\""_s);
        for (const auto &m : userName.globalMatch(dataPage))
            items += u"<item DataSet=\"%1\" DataSetName=\"%1\"/>"_s.arg(m.captured(1));
        return items;
    }

    // The texts of the memos of the prepared pages, in order.
    static QStringList texts(TkavReport &report)
    {
        QStringList result;
        for (const QString &line : kavDumpPreparedPages(*report.PreviewPages()).split(u'\n')) {
            const qsizetype quote = line.indexOf(u'"');
            if (quote >= 0)
                result << line.mid(quote + 1).chopped(1);
        }
        return result;
    }

    QTemporaryDir dir;
};

const QString customersQuery
    = uR"(<TkavSQLQuery Name="Customers" UserName="Customers" Database="DB" SQL.Text="select id, name from customers order by id"/>)"_s;

QString
band(const QString &cls, const QString &name, int top, const QString &dataSet, const QString &text)
{
    return uR"(<%1 Name="%2" Height="20" Left="0" Top="%3" Width="718" DataSet="%4" DataSetName="%4">
      <TkavMemoView Name="%2Memo" Left="0" Top="0" Width="400" Height="18" Text="%5"/>
    </%1>)"_s.arg(cls, name)
        .arg(top)
        .arg(dataSet, text);
}

TEST_F(SQLDataSetTest, MasterDetailByAParameterFromTheMasterRecord)
{
    const QString orders
        = uR"(<TkavSQLQuery Name="Orders" UserName="Orders" Database="DB" Master="Customers" SQL.Text="select total from orders where customer_id = :id order by id"/>)"_s;
    auto report = load(
        customersQuery + orders,
        band(u"TkavMasterData"_s, u"M"_s, 40, u"Customers"_s, u"[Customers.&quot;name&quot;]"_s)
            + band(
                u"TkavDetailData"_s, u"D"_s, 80, u"Orders"_s, u"- [Orders.&quot;total&quot;]"_s));
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().Text().toStdString();
    // Bo has no orders: a master without details is left out unless PrintIfDetailEmpty.
    EXPECT_EQ(texts(*report), (QStringList{u"Ann"_s, u"- 10.5"_s, u"- 4"_s, u"Cy"_s, u"- 7.25"_s}));
}

TEST_F(SQLDataSetTest, ParametersFromExpressionsAndValueTypes)
{
    const QString query
        = uR"(<TkavSQLQuery Name="Q" UserName="Q" Database="DB" SQL.Text="select c.name, o.total, o.id, o.note from customers c join orders o on o.customer_id = c.id where c.city = :city and o.total &gt; :least -- not :this&#13;&#10;order by o.id" Params.Text="city='Os' + 'lo'&#13;&#10;least=2 * 2"/>)"_s;
    auto report = load(query,
                       band(u"TkavMasterData"_s,
                            u"M"_s,
                            40,
                            u"Q"_s,
                            u"[Q.&quot;name&quot;] [Q.&quot;total&quot;]"_s));
    auto *q = dynamic_cast<TkavSQLQuery *>(report->FindObject(u"Q"_s));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->ParamNames(), (QStringList{u"city"_s, u"least"_s}));
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().Text().toStdString();
    EXPECT_EQ(texts(*report), (QStringList{u"Ann 10.5"_s, u"Cy 7.25"_s}));

    // Values keep their types; a blob streams into a memory stream.
    q->Initialize();
    q->First();
    EXPECT_EQ(q->GetValue(u"ID"_s).Type(), varInt64);
    EXPECT_EQ(q->GetFieldType(u"total"_s), fftNumeric);
    EXPECT_EQ(q->GetFieldType(u"name"_s), fftString);
    q->Next();
    EXPECT_TRUE(q->IsBlobField(u"note"_s));
    TMemoryStream blob;
    q->AssignBlobTo(u"note"_s, &blob);
    EXPECT_EQ(blob.Size(), 3);
    q->Next();
    EXPECT_TRUE(q->Eof());
    q->Finalize();
}

TEST_F(SQLDataSetTest, GroupsOverAQueryStepBackWithoutRunningItAgain)
{
    // random() gives new values whenever the query runs again.
    const QString query
        = uR"(<TkavSQLQuery Name="Q" UserName="Q" Database="DB" SQL.Text="select c.name, o.total, random() as r from orders o join customers c on c.id = o.customer_id order by o.id"/>)"_s;
    auto report = load(
        query,
        uR"(<TkavGroupHeader Name="G" Height="20" Top="20" Width="718" Condition="Q.&quot;name&quot;">
      <TkavMemoView Name="GMemo" Width="400" Height="18" Text="[Q.&quot;name&quot;]"/>
    </TkavGroupHeader>
    <TkavGroupFooter Name="GF" Height="20" Top="80" Width="718">
      <TkavMemoView Name="GFMemo" Width="400" Height="18" Text="[Q.&quot;name&quot;] [SUM(&lt;Q.&quot;total&quot;&gt;)]"/>
    </TkavGroupFooter>)"_s
            + band(u"TkavMasterData"_s, u"M"_s, 50, u"Q"_s, u"- [Q.&quot;total&quot;]"_s));
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().Text().toStdString();
    // The footer of a group sees the group's last row, the last group's too.
    EXPECT_EQ(
        texts(*report),
        (QStringList{
            u"Ann"_s, u"- 10.5"_s, u"- 4"_s, u"Ann 14.5"_s, u"Cy"_s, u"- 7.25"_s, u"Cy 7.25"_s}));

    auto *q = dynamic_cast<TkavSQLQuery *>(report->FindObject(u"Q"_s));
    ASSERT_NE(q, nullptr);
    q->Initialize();
    q->First();
    const Variant first = q->GetValue(u"r"_s);
    q->Next();
    const Variant second = q->GetValue(u"r"_s);
    q->Prior();
    EXPECT_EQ(q->RecNo(), 0);
    EXPECT_EQ(q->GetValue(u"r"_s).AsInt64(), first.AsInt64()) << "the kept row, not a new run";
    EXPECT_EQ(q->GetValue(u"total"_s).AsDouble(), 10.5);
    q->Next();
    EXPECT_EQ(q->GetValue(u"r"_s).AsInt64(), second.AsInt64());
    q->Next();
    q->Next();
    EXPECT_TRUE(q->Eof());
    EXPECT_EQ(q->GetValue(u"total"_s).AsDouble(), 7.25) << "the end stands on the last row";
    q->Prior();
    EXPECT_FALSE(q->Eof());
    EXPECT_EQ(q->GetValue(u"total"_s).AsDouble(), 7.25);
    q->Prior(); // two steps back: the query runs again to reach it
    EXPECT_EQ(q->GetValue(u"total"_s).AsDouble(), 4);
    q->Finalize();
}

TEST_F(SQLDataSetTest, ColumnsDeclaredAsDatesGiveDatesForISOTexts)
{
    const QString query
        = uR"(<TkavSQLQuery Name="E" UserName="E" Database="DB" SQL.Text="select day, at as moment, stamp, label, date(day) as computed from events order by id"/>)"_s;
    auto report = load(query, band(u"TkavMasterData"_s, u"M"_s, 40, u"E"_s, u"x"_s));
    auto *q = dynamic_cast<TkavSQLQuery *>(report->FindObject(u"E"_s));
    ASSERT_NE(q, nullptr);
    q->Initialize();
    q->First();
    const TDateTime day = EncodeDate(2025, 3, 1);
    const TDateTime half = EncodeTime(10, 30, 0, 0);
    EXPECT_EQ(q->GetValue(u"day"_s).Type(), varDate);
    EXPECT_EQ(q->GetValue(u"day"_s).AsDouble(), day);
    EXPECT_EQ(q->GetFieldType(u"day"_s), fftDateTime);
    // The name given in the query; date and time after a blank or a "T", milliseconds.
    EXPECT_DOUBLE_EQ(q->GetValue(u"moment"_s).AsDouble(), day + half);
    EXPECT_EQ(q->GetValue(u"stamp"_s).Type(), varDate);
    EXPECT_DOUBLE_EQ(q->GetValue(u"stamp"_s).AsDouble(), day + EncodeTime(10, 30, 0, 500));
    // A text column, and an expression (no declared type), keep their texts.
    EXPECT_EQ(q->GetValue(u"label"_s).Type(), varString);
    EXPECT_EQ(q->GetValue(u"computed"_s).Type(), varString);
    q->Next();
    // A text that is no date stays a text; a null is a null of a date column; a number stays.
    EXPECT_EQ(q->GetValue(u"day"_s).AsString(), u"soon"_s);
    EXPECT_EQ(q->GetFieldType(u"day"_s), fftString);
    EXPECT_TRUE(q->GetValue(u"moment"_s).IsNull());
    EXPECT_EQ(q->GetFieldType(u"moment"_s), fftDateTime);
    EXPECT_EQ(q->GetValue(u"stamp"_s).Type(), varInt64);
    q->Finalize();
}

// A picture bound to a binary column: a NULL clears the picture of the row before.
TEST_F(SQLDataSetTest, NullPictureFieldClearsThePicture)
{
    QByteArray png;
    {
        QImage image(2, 2, QImage::Format_RGB32);
        image.fill(Qt::green);
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"pictures"_s);
        db.setDatabaseName(dir.filePath(u"shop.db"_s));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(u"create table photos (id integer, pic blob)"_s));
        ASSERT_TRUE(q.prepare(u"insert into photos values (?, ?)"_s));
        for (const auto &[id, pic] :
             {std::pair{1, QVariant(png)}, std::pair{2, QVariant()}, std::pair{3, QVariant(png)}}) {
            q.addBindValue(id);
            q.addBindValue(pic.isValid() ? pic : QVariant(QMetaType(QMetaType::QByteArray)));
            ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
        }
    }
    QSqlDatabase::removeDatabase(u"pictures"_s);
    auto report = load(
        uR"(<TkavSQLQuery Name="Photos" UserName="Photos" Database="DB" SQL.Text="select pic from photos order by id"/>)"_s,
        uR"(<TkavMasterData Name="M" Height="20" Top="40" Width="718" DataSet="Photos" DataSetName="Photos">
      <TkavPictureView Name="P" Width="20" Height="20" DataSet="Photos" DataSetName="Photos" DataField="pic"/>
    </TkavMasterData>)"_s);
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().Text().toStdString();
    QList<bool> shown;
    for (const TkavComponent *obj : report->PreviewPages()->GetPage(0)->AllObjects())
        if (auto *picture = dynamic_cast<const TkavPictureView *>(obj))
            shown << !picture->Picture().IsEmpty();
    EXPECT_EQ(shown, (QList<bool>{true, false, true}));
}

TEST_F(SQLDataSetTest, PlaceholderNamesSkipLiteralsCommentsAndCasts)
{
    TkavSQLQuery q;
    TStringList sql;
    sql.SetText(
        u"select ':no', \"x:no\", a::int from t -- :no\nwhere b = :Yes and c = :yes2 or d = :Yes"_s);
    q.SetSQL(sql);
    EXPECT_EQ(q.ParamNames(), (QStringList{u"Yes"_s, u"yes2"_s}));
}

TEST_F(SQLDataSetTest, FailuresNameTheDataSetAndThePlace)
{
    const struct
    {
        const char *name;
        QString dataPage;
        QString message;
    } rows[] = {
        {"bad_sql",
         uR"(<TkavSQLQuery Name="Q" UserName="Q" Database="DB" SQL.Text="select * from nowhere"/>)"_s,
         u"Data set \"Q\": the SQL is not valid: "_s},
        {"missing_parameter",
         uR"(<TkavSQLQuery Name="Q" UserName="Q" Database="DB" SQL.Text="select * from orders where id = :which"/>)"_s,
         u"Data set \"Q\": no value for the parameter :which"_s},
        {"no_database",
         uR"(<TkavSQLQuery Name="Q" UserName="Q" SQL.Text="select 1"/>)"_s,
         u"Data set \"Q\": no database is set"_s},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        auto report = load(row.dataPage, band(u"TkavMasterData"_s, u"M"_s, 40, u"Q"_s, u"x"_s));
        EXPECT_FALSE(report->PrepareReport(true));
        EXPECT_TRUE(report->Errors().Text().contains(row.message))
            << report->Errors().Text().toStdString();
    }
}

TEST_F(SQLDataSetTest, MissingDatabaseFileIsNotCreated)
{
    TkavSQLDatabase db;
    db.SetName(u"DB"_s);
    db.SetDatabaseName(dir.filePath(u"typo.db"_s));
    const QString error = kavErrorOf<EkavError>([&] { db.SetConnected(true); });
    EXPECT_EQ(error,
              u"Database \"DB\": the file \"%1\" does not exist"_s.arg(dir.filePath(u"typo.db"_s)));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"typo.db"_s)));
    EXPECT_FALSE(db.Connected());
}

TEST_F(SQLDataSetTest, ConnectionStringsRoundTripAndPasswordsStayOutOfMessages)
{
    TkavSQLDatabase db;
    db.SetName(u"PG"_s);
    db.FromString(
        u"Driver=PostgreSQL;Host=127.0.0.1;Port=1;Database=shop;User=kav;Password=s3cret!x;connect_timeout=2"_s);
    EXPECT_EQ(db.Driver(), u"PostgreSQL"_s);
    EXPECT_EQ(db.Port(), 1);
    EXPECT_EQ(db.Params(), QStringList{u"connect_timeout=2"_s});
    EXPECT_EQ(
        db.ToString(),
        u"Driver=PostgreSQL;Database=shop;Host=127.0.0.1;Port=1;User=kav;Password=s3cret!x;connect_timeout=2"_s);
    // Nothing listens on port 1: the connection fails, whatever the driver says.
    const QString error = kavErrorOf<EkavError>([&] { db.SetConnected(true); });
    EXPECT_TRUE(error.startsWith(u"Database \"PG\": "_s)) << error.toStdString();
    EXPECT_FALSE(error.contains(u"s3cret!x"_s)) << error.toStdString();
    EXPECT_EQ(db.Scrubbed(u"password s3cret!x"_s), u"password ***"_s);
    EXPECT_FALSE(kavErrorOf<EkavError>([&] { db.SetDriver(u"Oracle"_s); }).isEmpty());
}

} // namespace
