// The preview on a list report of N rows (a page header, a data band of eight memos, a page
// footer), run into a shown preview window:
//   bench_preview [--rows N (100000)] [--file-cache] [--sql] [--find-last]
// Prints the time from the start of the run to the first page painted on screen, the run's
// total, the paint time per page at 100 % while paging through the report, the time to find
// a word on the last page, and the peak memory. Each configuration runs in its own process.
#include "kavBenchReports.h"
#include "kavBenchSupport.h"

#include <data/kavSQLDataSets.h>
#include <prepared/kavPreviewPages.h>
#include <preview/kavPreview.h>
#include <preview/kavPreviewWorkspace.h>
#include <report/kavClass.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavUIServices.h>

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

class PumpingUIServices : public TkavHeadlessUIServices
{
public:
    void ProcessMessages() override { QCoreApplication::processEvents(); }
};

QString cell(int column, int row)
{
    return column == 7 ? u"%1"_s.arg(double(row % 997) / 4, 0, 'f', 2) : u"text%1 %2"_s.arg(column).arg(row);
}

bool makeDatabase(const QString &path, int rows)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"bench"_s);
        db.setDatabaseName(path);
        QSqlQuery q(db);
        ok = db.open() && q.exec(u"create table t (c0, c1, c2, c3, c4, c5, c6, c7)"_s) && db.transaction()
             && q.prepare(u"insert into t values (?, ?, ?, ?, ?, ?, ?, ?)"_s);
        for (int row = 0; ok && row < rows; ++row) {
            for (int c = 0; c < 8; ++c)
                q.bindValue(c, cell(c, row));
            ok = q.exec();
        }
        ok = ok && db.commit();
    }
    QSqlDatabase::removeDatabase(u"bench"_s);
    return ok;
}

// Paints every page of the workspace's report at the current zoom into the viewport once
// and returns the milliseconds of each paint.
std::vector<double> paintEveryPage(TkavPreview &preview, int pages)
{
    std::vector<double> ms;
    for (int page = 1; page <= pages; ++page) {
        preview.SetPageNo(page);
        preview.Workspace()->viewport()->repaint();
        ms.push_back(preview.Workspace()->LastPaintMs());
    }
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kavRegisterRTLClasses();
    kavRegisterReportClasses();
    kavSetUIServices(std::make_unique<PumpingUIServices>());
    int rows = 100000;
    bool fileCache = false;
    bool sql = false;
    bool findLast = false;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == u"--file-cache")
            fileCache = true;
        else if (args[i] == u"--sql")
            sql = true;
        else if (args[i] == u"--find-last")
            findLast = true;
        else if (args[i] == u"--rows" && i + 1 < args.size())
            rows = args[++i].toInt();
        else {
            QTextStream(stderr) << "usage: bench_preview [--rows N] [--file-cache] [--sql] [--find-last]\n";
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
        value = Variant(cell(field.mid(1).toInt(), users.RecNo()));
    };
    QTemporaryDir dir;
    TkavSQLDatabase database;
    TkavSQLQuery query;
    if (sql) {
        if (!dir.isValid() || !makeDatabase(dir.filePath(u"bench.db"_s), rows)) {
            QTextStream(stderr) << "cannot make the database\n";
            return 1;
        }
        database.SetDatabaseName(dir.filePath(u"bench.db"_s));
        query.SetDatabase(&database);
        TStringList text;
        text.SetText(u"select * from t"_s);
        query.SetSQL(text);
    }
    TkavDataSet &data = sql ? static_cast<TkavDataSet &>(query) : users;
    data.SetUserName(u"T"_s);
    report.DataSets().Add(&data);
    auto *page = TkavComponent::Create<TkavReportPage>(&report);
    page->CreateUniqueName();
    kavBenchAddMemo(kavBenchAdd<TkavPageHeader>(page, 0, 30), 0, 300, u"The report"_s);
    auto *band = kavBenchAdd<TkavMasterData>(page, 100, 20);
    band->SetDataSet(&data);
    for (int c = 0; c < 8; ++c)
        kavBenchAddMemo(band, 90.0 * c, 88, u"[T.\"c%1\"]"_s.arg(c));
    kavBenchAddMemo(kavBenchAdd<TkavPageFooter>(page, 300, 24), 0, 200, u"Page [Page#]"_s);
    // The word to find sits in the last row only.
    users.ValueHandlers().OnGetValue = [&users, rows](const QString &field, Variant &value) {
        value = Variant(users.RecNo() == rows - 1 && field == u"c1" ? u"needle"_s
                                                                      : cell(field.mid(1).toInt(), users.RecNo()));
    };

    TkavPreview preview;
    preview.resize(1000, 1000);
    preview.show();
    QTextStream out(stdout);
    out << u"bench_preview: %1 rows from %2, file cache %3"_s.arg(rows)
               .arg(sql ? u"a query"_s : u"a user data set"_s)
               .arg(fileCache ? u"on"_s : u"off"_s)
        << Qt::endl;
    Stopwatch run;
    double firstPage = -1;
    preview.OnFirstPageShown = [&] { firstPage = run.ms(); };
    report.SetPreview(&preview);
    run = Stopwatch();
    const bool ok = report.PrepareReport(true);
    const double total = run.ms();
    if (!ok) {
        out << u"run failed: "_s << report.ErrorsText() << Qt::endl;
        return 1;
    }
    const int pages = preview.PageCount();
    out << u"first page on screen after %1 ms; run %2 ms, %3 pages"_s.arg(firstPage, 0, 'f', 1)
               .arg(total, 0, 'f', 0)
               .arg(pages)
        << Qt::endl;
    out << u"after the run: "_s << memoryLine() << Qt::endl;

    // Paging through at 100 %: the paint of the page shown, built from the store the first time.
    preview.SetZoom(1);
    const int sample = std::min(pages, 2000);
    std::vector<double> ms = paintEveryPage(preview, sample);
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    out << u"paint per page at 100 % over %1 pages: mean %2 ms, median %3 ms, 95th %4 ms, max %5 ms"_s
               .arg(sample)
               .arg(sum / ms.size(), 0, 'f', 2)
               .arg(ms[ms.size() / 2], 0, 'f', 2)
               .arg(ms[ms.size() * 95 / 100], 0, 'f', 2)
               .arg(ms.back(), 0, 'f', 2)
        << Qt::endl;
    // Scrolling: the view moves by a wheel step at a time over the first pages.
    std::vector<double> scroll;
    preview.SetPageNo(1);
    for (int step = 0; step < 300; ++step) {
        preview.MouseWheelScroll(-120, false, false);
        preview.Workspace()->viewport()->repaint();
        scroll.push_back(preview.Workspace()->LastPaintMs());
    }
    std::sort(scroll.begin(), scroll.end());
    out << u"scroll paint: median %1 ms, 95th %2 ms, max %3 ms"_s.arg(scroll[scroll.size() / 2], 0, 'f', 2)
               .arg(scroll[scroll.size() * 95 / 100], 0, 'f', 2)
               .arg(scroll.back(), 0, 'f', 2)
        << Qt::endl;
    if (findLast && !sql) {
        const Stopwatch find;
        const bool found = preview.FindText(u"needle"_s, true, false);
        out << u"find on page %1 of %2: %3 ms"_s.arg(found ? preview.FoundPage() : 0).arg(pages).arg(find.ms(), 0, 'f', 0)
            << Qt::endl;
    }
    out << u"at the end: "_s << memoryLine() << Qt::endl;
    return 0;
}
