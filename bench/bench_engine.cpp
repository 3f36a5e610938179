// The engine on a list report of N rows: a page header, a data band of eight memos, a group
// header and footer with a sum every 100 rows, a page footer "Page [Page#]" and a summary
// with a sum. With --compiled the eight memos hold compiled expressions instead of plain
// field names. With --sql the rows come from a query over a SQLite file made for the run
// (the same values), so that every group change steps the query back one row. Each
// configuration runs in its own process so that its peak memory stands alone:
//   bench_engine [--rows N (100000)] [--file-cache] [--compiled] [--sql]
// Prints rows and pages per second, the peak memory and the cost of one evaluation.
#include "kavBenchReports.h"
#include "kavBenchSupport.h"

#include <data/kavSQLDataSets.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <rtl/kavRTTI.h>

#include <QGuiApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

const char16_t *const fields[]
    = {u"No", u"Customer", u"City", u"Product", u"Date", u"Status", u"Note", u"Amount"};

// The value of a field in row (0-based): a group of 100 rows, an amount, texts.
Variant fieldValue(const QString &field, int row)
{
    if (field == u"Group")
        return Variant(row / 100);
    if (field == u"Amount")
        return Variant(double(row % 997) / 4);
    return Variant(u"%1 %2"_s.arg(field).arg(row));
}

// A SQLite file at path with the table orders holding the same rows as the user data set.
bool makeDatabase(const QString &path, int rows)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"bench"_s);
        db.setDatabaseName(path);
        QStringList columns{u"\"Group\" integer"_s};
        for (const char16_t *f : fields)
            columns << u"\"%1\" %2"_s.arg(
                QString::fromUtf16(f), std::u16string_view(f) == u"Amount" ? u"real"_s : u"text"_s);
        QSqlQuery q(db);
        ok = db.open() && q.exec(u"create table orders (%1)"_s.arg(columns.join(u", ")))
             && db.transaction()
             && q.prepare(u"insert into orders values (?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
        for (int row = 0; ok && row < rows; ++row) {
            q.bindValue(0, row / 100);
            for (int i = 0; i < 8; ++i) {
                const Variant v = fieldValue(QString::fromUtf16(fields[i]), row);
                q.bindValue(i + 1, i == 7 ? QVariant(v.AsDouble()) : QVariant(v.AsString()));
            }
            ok = q.exec();
        }
        ok = ok && db.commit();
    }
    QSqlDatabase::removeDatabase(u"bench"_s);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    kavRegisterRTLClasses();
    kavRegisterReportClasses();
    int rows = 100000;
    bool fileCache = false;
    bool compiled = false;
    bool sql = false;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == u"--file-cache")
            fileCache = true;
        else if (args[i] == u"--compiled")
            compiled = true;
        else if (args[i] == u"--sql")
            sql = true;
        else if (args[i] == u"--rows" && i + 1 < args.size())
            rows = args[++i].toInt();
        else {
            QTextStream(stderr)
                << "usage: bench_engine [--rows N] [--file-cache] [--compiled] [--sql]\n";
            return 2;
        }
    }
    TkavReport report;
    report.EngineOptions().SetNewSilentMode(simSilent);
    report.EngineOptions().SetUseFileCache(fileCache);
    TkavUserDataSet users;
    users.SetRangeEnd(reCount);
    users.SetRangeEndCount(rows);
    users.ValueHandlers().OnGetValue = [&users](const QString &field, Variant &value) {
        value = fieldValue(field, users.RecNo());
    };
    QTemporaryDir dir;
    TkavSQLDatabase database;
    TkavSQLQuery query;
    if (sql) {
        const Stopwatch made;
        if (!dir.isValid() || !makeDatabase(dir.filePath(u"bench.db"_s), rows)) {
            QTextStream(stderr) << "cannot make the database\n";
            return 1;
        }
        QTextStream(stdout) << u"database of %1 rows made in %2 ms"_s.arg(rows).arg(
            made.ms(), 0, 'f', 0)
                            << Qt::endl;
        database.SetDatabaseName(dir.filePath(u"bench.db"_s));
        query.SetDatabase(&database);
        TStringList text;
        text.SetText(u"select * from orders"_s);
        query.SetSQL(text);
    }
    TkavDataSet &data = sql ? static_cast<TkavDataSet &>(query) : users;
    data.SetUserName(u"Orders"_s);
    report.DataSets().Add(&data);
    auto *page = TkavComponent::Create<TkavReportPage>(&report);
    page->CreateUniqueName();
    auto *header = kavBenchAdd<TkavPageHeader>(page, 0, 30);
    kavBenchAddMemo(header, 0, 300, u"Orders"_s);
    auto *group = kavBenchAdd<TkavGroupHeader>(page, 50, 24);
    group->SetCondition(u"Orders.\"Group\""_s);
    kavBenchAddMemo(group, 0, 300, u"Group [Orders.\"Group\"]"_s);
    auto *band = kavBenchAdd<TkavMasterData>(page, 100, 20);
    band->SetDataSet(&data);
    for (int i = 0; i < 8; ++i) {
        const QString field = u"Orders.\""_s + QString::fromUtf16(fields[i]) + u"\""_s;
        kavBenchAddMemo(band, 90.0 * i, 88, compiled ? u"[Trim(<"_s + field + u">)]"_s : u"["_s + field + u"]"_s);
    }
    auto *groupFooter = kavBenchAdd<TkavGroupFooter>(page, 150, 24);
    kavBenchAddMemo(groupFooter, 0, 300, u"Group [Orders.\"Group\"]: [SUM(<Orders.\"Amount\">)]"_s);
    auto *summary = kavBenchAdd<TkavReportSummary>(page, 200, 30);
    kavBenchAddMemo(summary, 0, 300, u"Rows: [Line#], total [SUM(<Orders.\"Amount\">, MasterData1)]"_s);
    auto *footer = kavBenchAdd<TkavPageFooter>(page, 300, 24);
    kavBenchAddMemo(footer, 0, 200, u"Page [Page#]"_s);

    QTextStream out(stdout);
    out << u"bench_engine: %1 rows from %2, file cache %3"_s.arg(rows)
               .arg(sql ? u"a query"_s : u"a user data set"_s)
               .arg(fileCache ? u"on"_s : u"off"_s)
        << Qt::endl;
    const Stopwatch run;
    const bool ok = report.PrepareReport(true);
    const double ms = run.ms();
    const int pages = report.PreviewPages()->Count();
    if (!ok) {
        out << u"run failed: "_s << report.ErrorsText() << Qt::endl;
        return 1;
    }
    out << u"run: %1 ms, %2 pages, %3 rows/s, %4 pages/s"_s.arg(ms, 0, 'f', 0)
               .arg(pages)
               .arg(rows / (ms / 1000), 0, 'f', 0)
               .arg(pages / (ms / 1000), 0, 'f', 0)
        << Qt::endl;
    out << u"after the run: "_s << memoryLine() << Qt::endl;

    // One evaluation: a plain field name (looked up) and a compiled expression (cached).
    data.First();
    const int n = 100000;
    for (const QString &expr : {u"Orders.\"Amount\""_s, u"<Orders.\"Amount\"> * 2 + 1"_s}) {
        const Stopwatch eval;
        for (int i = 0; i < n; ++i)
            report.Calc(expr);
        out << u"one evaluation of %1: %2 us"_s.arg(expr).arg(eval.ms() * 1000 / n, 0, 'f', 2)
            << Qt::endl;
    }
    return 0;
}
