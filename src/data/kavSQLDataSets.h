#pragma once

// Database data: a connection over the platform's SQL drivers (SQLite files, PostgreSQL
// servers) and a query data set that streams its rows, with parameters bound from report
// expressions or from the current record of a master data set.

#include <report/kavDataSets.h>

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QSqlDatabase;
class QSqlQuery;

// A database connection. Its settings make a connection string
// ("Driver=SQLite;Database=demo.db" ...); a relative SQLite file is taken from the report's
// folder. Messages never hold the password.
class TkavSQLDatabase : public TkavCustomDatabase
{
public:
    KAV_CLASSINFO

    explicit TkavSQLDatabase(TkavComponent *AOwner = nullptr);
    ~TkavSQLDatabase() override;

    // "SQLite" or "PostgreSQL" (published).
    const QString &Driver() const { return FDriver; }
    void SetDriver(const QString &value);
    QString DatabaseName() const override { return FDatabaseName; }
    void SetDatabaseName(const QString &value) override;
    const QString &HostName() const { return FHostName; }
    void SetHostName(const QString &value);
    int Port() const { return FPort; }
    void SetPort(int value);
    const QString &LoginName() const { return FLoginName; }
    void SetLoginName(const QString &value);
    const QString &Password() const { return FPassword; }
    void SetPassword(const QString &value);
    bool LoginPrompt() const override { return FLoginPrompt; }
    void SetLoginPrompt(bool value) override { FLoginPrompt = value; }
    // Lines Name=Value handed to the driver as connection options.
    QStringList Params() const override { return FParams; }
    void SetParams(const QStringList &value) override;

    bool Connected() const override;
    // Connecting raises EkavError naming the database and the reason (no password).
    void SetConnected(bool value) override;
    QString ToString() const override;
    // Reads Driver, Database, Host, Port, User and Password keys; others become Params.
    void FromString(const QString &Connection) override;
    void SetLogin(const QString &Login, const QString &Password) override;

    // The open connection (connecting first).
    QSqlDatabase Connection();
    // Text with the password replaced, for messages.
    QString Scrubbed(const QString &text) const;

private:
    QString qtDriver() const;
    QString resolvedDatabase() const;
    QString failure(const QString &reason) const;
    void disconnect();

    QString FDriver = QStringLiteral("SQLite");
    QString FDatabaseName;
    QString FHostName;
    int FPort = 0;
    QString FLoginName;
    QString FPassword;
    bool FLoginPrompt = false;
    QStringList FParams;
    QString FConnectionId; // the driver connection's unique name; empty while closed
};

// A query data set. Placeholders ":Name" in SQL take, in this order, the value of the
// expression Params gives for Name, or the field Name of the Master data set's current
// record. Rows are fetched one at a time as the report moves on.
class TkavSQLQuery : public TkavCustomDBDataSet
{
public:
    KAV_CLASSINFO

    explicit TkavSQLQuery(TkavComponent *AOwner = nullptr);
    ~TkavSQLQuery() override;

    // --- published ---
    TkavSQLDatabase *Database() const { return FDatabase; }
    void SetDatabase(TkavSQLDatabase *value);
    TStringList &SQL() const { return *FSQL; }
    void SetSQL(const TStrings &value);
    // Lines Name=Expression.
    TStringList &Params() const { return *FParams; }
    void SetParams(const TStrings &value);
    TkavDataSet *Master() const { return FMaster; }
    void SetMaster(TkavDataSet *value);

    // The placeholder names of SQL, in order, each once (literals and "::" casts skipped).
    QStringList ParamNames() const;

    void Initialize() override;
    void Finalize() override;
    // Runs the query (again when a parameter changed) and stands on its first row.
    void First() override;
    void Next() override;
    // Steps back to the row kept before the current one (groups look back one row at every
    // change); a further step back runs the query again to the row before.
    void Prior() override;
    bool Eof() override;
    int RecordCount() override;
    Variant GetValue(const QString &Index) override;
    QString GetDisplayText(const QString &Index) override;
    TkavFieldType GetFieldType(const QString &Index) override;
    bool IsBlobField(const QString &fName) override;
    void AssignBlobTo(const QString &fName, TObject *Obj) override;
    // The columns of the query (running it when it has not run; empty on errors).
    void GetFieldList(TStrings &List) override;

private:
    QString displayName() const;
    [[noreturn]] void fail(const QString &reason) const;
    QList<Variant> paramValues() const;
    // The placeholder names of SQL at each of their places; fills positional with the SQL
    // whose placeholders are "?".
    QStringList parseSql(QString *positional) const;
    void execute(const QList<Variant> &values);
    int column(const QString &name) const;
    // The value in column col of the row the data set stands on.
    QVariant value(int col) const;
    // Moves the query to its next row, keeping the row it leaves.
    void fetchNext();

    TkavComponentRef<TkavSQLDatabase> FDatabase; // read null once destroyed
    TkavComponentRef<TkavDataSet> FMaster;
    std::unique_ptr<TStringList> FSQL;
    std::unique_ptr<TStringList> FParams;
    std::unique_ptr<QSqlQuery> FQuery;
    QList<Variant> FBoundValues;
    QStringList FOccurrences;     // placeholder name at each "?" of the prepared SQL
    QHash<QString, int> FColumns; // lower-cased column name -> index
    int FColumnCount = 0;
    QList<bool> FDateColumns;     // per column: declared as a date, kept as ISO texts
    QList<bool> FBlobColumns;     // per column: binary
    bool FOnRow = false;
    // The row before the query's current one (past the end: the last row), kept so that one
    // step back needs no new run.
    QList<QVariant> FPrevRow;
    bool FHasPrev = false;
    bool FOnPrev = false; // the data set stands on FPrevRow
};

void kavRegisterSQLDataSetClasses();
