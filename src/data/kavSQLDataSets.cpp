#include "kavSQLDataSets.h"
#include "kavFileDataSets.h"

#include <report/kavReport.h>

#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>
#include <rtl/kavStrings.h>

#include <QAtomicInteger>
#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QTime>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

const QDate dateZero(1899, 12, 30);

QVariant toQt(const Variant &v)
{
    switch (v.Type()) {
    case varEmpty:
    case varNull:
        return QVariant();
    case varBoolean:
        return v.AsBoolean();
    case varDate: {
        const double days = v.AsDouble();
        const qint64 msecs = qint64(std::llround(days * 86400000.0));
        return QDateTime(dateZero, QTime(0, 0)).addMSecs(msecs);
    }
    case varSingle:
    case varDouble:
    case varCurrency:
        return v.AsDouble();
    case varString:
        return v.AsString();
    default:
        return v.IsNumeric() ? QVariant(v.AsInt64()) : QVariant(v.AsString());
    }
}

Variant fromQt(const QVariant &q)
{
    if (q.isNull())
        return Variant::Null();
    switch (q.metaType().id()) {
    case QMetaType::Bool:
        return Variant(q.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return Variant(q.toLongLong());
    case QMetaType::Float:
    case QMetaType::Double:
        return Variant(q.toDouble());
    case QMetaType::QDate:
        return Variant::FromDate(double(dateZero.daysTo(q.toDate())));
    case QMetaType::QDateTime: {
        const QDateTime dt = q.toDateTime();
        return Variant::FromDate(double(dateZero.daysTo(dt.date()))
                                 + dt.time().msecsSinceStartOfDay() / 86400000.0);
    }
    case QMetaType::QTime:
        return Variant::FromDate(q.toTime().msecsSinceStartOfDay() / 86400000.0);
    case QMetaType::QByteArray:
        return Variant(QString::fromUtf8(q.toByteArray()));
    default:
        return Variant(q.toString());
    }
}

TkavFieldType fieldTypeOf(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::Bool:
        return fftBoolean;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
    case QMetaType::QTime:
        return fftDateTime;
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return fftString;
    default:
        return fftNumeric;
    }
}

// Whether each result column of query is declared as a date (DATE, DATETIME, TIMESTAMP).
// SQLite keeps such values as texts, and its Qt driver reports the columns as texts.
QList<bool> sqliteDateColumns(const QSqlQuery &query)
{
    static const QRegularExpression dateType(u"^\\s*(DATE|DATETIME|TIMESTAMP)\\b"_s,
                                             QRegularExpression::CaseInsensitiveOption);
    QList<bool> dates;
    const QVariant handle = query.result()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0)
        return dates;
    sqlite3_stmt *statement = *static_cast<sqlite3_stmt *const *>(handle.constData());
    for (int i = 0; statement && i < sqlite3_column_count(statement); ++i) {
        // Null for a column that is an expression rather than a table's column.
        const char *declared = sqlite3_column_decltype(statement, i);
        dates << (declared && dateType.match(QString::fromUtf8(declared)).hasMatch());
    }
    return dates;
}

QString nextConnectionId()
{
    static QAtomicInteger<int> counter;
    return u"kavSQL%1"_s.arg(counter.fetchAndAddRelaxed(1) + 1);
}

} // namespace

// --- TkavSQLDatabase -------------------------------------------------------------------------

TkavSQLDatabase::TkavSQLDatabase(TkavComponent *AOwner)
    : TkavCustomDatabase(AOwner)
{
    SetImageIndex(kavDatabaseImage);
}

TkavSQLDatabase::~TkavSQLDatabase()
{
    disconnect();
}

void TkavSQLDatabase::SetDriver(const QString &value)
{
    const QString driver = value.trimmed();
    if (kavSameText(driver, u"SQLite") || driver.isEmpty())
        FDriver = u"SQLite"_s;
    else if (kavSameText(driver, u"PostgreSQL") || kavSameText(driver, u"Postgres"))
        FDriver = u"PostgreSQL"_s;
    else
        throw EkavError(u"Unknown database driver \"%1\" (SQLite or PostgreSQL)"_s.arg(value));
    disconnect();
}

void TkavSQLDatabase::SetDatabaseName(const QString &value)
{
    FDatabaseName = value;
    disconnect();
}

void TkavSQLDatabase::SetHostName(const QString &value)
{
    FHostName = value;
    disconnect();
}

void TkavSQLDatabase::SetPort(int value)
{
    FPort = std::max(0, value);
    disconnect();
}

void TkavSQLDatabase::SetLoginName(const QString &value)
{
    FLoginName = value;
    disconnect();
}

void TkavSQLDatabase::SetPassword(const QString &value)
{
    FPassword = value;
    disconnect();
}

void TkavSQLDatabase::SetParams(const QStringList &value)
{
    FParams = value;
    disconnect();
}

void TkavSQLDatabase::SetLogin(const QString &Login, const QString &APassword)
{
    FLoginName = Login;
    FPassword = APassword;
    disconnect();
}

QString TkavSQLDatabase::qtDriver() const
{
    return FDriver == u"PostgreSQL" ? u"QPSQL"_s : u"QSQLITE"_s;
}

QString TkavSQLDatabase::resolvedDatabase() const
{
    if (FDriver != u"SQLite" || FDatabaseName == u":memory:")
        return FDatabaseName;
    return kavPathBesideReport(Report(), FDatabaseName);
}

QString TkavSQLDatabase::Scrubbed(const QString &text) const
{
    QString result = text;
    if (!FPassword.isEmpty())
        result.replace(FPassword, u"***"_s);
    return result;
}

QString TkavSQLDatabase::failure(const QString &reason) const
{
    return Scrubbed(u"Database \"%1\": %2"_s.arg(Name(), reason));
}

bool TkavSQLDatabase::Connected() const
{
    return !FConnectionId.isEmpty() && QSqlDatabase::database(FConnectionId, false).isOpen();
}

void TkavSQLDatabase::SetConnected(bool value)
{
    if (!value) {
        disconnect();
        return;
    }
    if (Connected())
        return;
    if (!QSqlDatabase::isDriverAvailable(qtDriver()))
        throw EkavError(failure(u"the %1 driver is not installed"_s.arg(FDriver)));
    const QString path = resolvedDatabase();
    if (path.isEmpty())
        throw EkavError(failure(u"no database name given"_s));
    // SQLite would create a missing file: a typing error must not give an empty database.
    if (FDriver == u"SQLite" && path != u":memory:" && !QFileInfo::exists(path))
        throw EkavError(failure(u"the file \"%1\" does not exist"_s.arg(path)));
    disconnect();
    FConnectionId = nextConnectionId();
    QSqlDatabase db = QSqlDatabase::addDatabase(qtDriver(), FConnectionId);
    db.setDatabaseName(path);
    db.setHostName(FHostName);
    if (FPort > 0)
        db.setPort(FPort);
    db.setUserName(FLoginName);
    db.setPassword(FPassword);
    db.setConnectOptions(FParams.join(u';'));
    if (!db.open()) {
        const QString reason = db.lastError().text();
        db = QSqlDatabase();
        disconnect();
        throw EkavError(failure(u"cannot connect: %1"_s.arg(reason)));
    }
}

void TkavSQLDatabase::disconnect()
{
    if (FConnectionId.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(FConnectionId, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(FConnectionId);
    FConnectionId.clear();
}

QSqlDatabase TkavSQLDatabase::Connection()
{
    SetConnected(true);
    return QSqlDatabase::database(FConnectionId, false);
}

QString TkavSQLDatabase::ToString() const
{
    QStringList parts{u"Driver="_s + FDriver, u"Database="_s + FDatabaseName};
    if (!FHostName.isEmpty())
        parts << u"Host="_s + FHostName;
    if (FPort > 0)
        parts << u"Port=%1"_s.arg(FPort);
    if (!FLoginName.isEmpty())
        parts << u"User="_s + FLoginName;
    if (!FPassword.isEmpty())
        parts << u"Password="_s + FPassword;
    return (parts + FParams).join(u';');
}

void TkavSQLDatabase::FromString(const QString &Connection)
{
    QString driver = u"SQLite"_s, database, host, user, password;
    int port = 0;
    QStringList params;
    for (const QString &part : Connection.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(u'=');
        const QString key = part.left(eq).trimmed();
        const QString value = eq < 0 ? QString() : part.mid(eq + 1).trimmed();
        if (kavSameText(key, u"Driver"))
            driver = value;
        else if (kavSameText(key, u"Database") || kavSameText(key, u"dbname"))
            database = value;
        else if (kavSameText(key, u"Host"))
            host = value;
        else if (kavSameText(key, u"Port"))
            port = value.toInt();
        else if (kavSameText(key, u"User"))
            user = value;
        else if (kavSameText(key, u"Password"))
            password = value;
        else
            params << part.trimmed();
    }
    SetDriver(driver);
    FDatabaseName = database;
    FHostName = host;
    FPort = std::max(0, port);
    FLoginName = user;
    FPassword = password;
    FParams = params;
    disconnect();
}

const TkavClassInfo &TkavSQLDatabase::StaticClassInfo()
{
    using T = TkavSQLDatabase;
    static const TkavClassInfo info = kavMakeClassInfo<T, TkavCustomDatabase>(
        u"TkavSQLDatabase"_s,
        [](TkavPropBuilder<T> &p) {
            p.String(u"Driver"_s, &T::Driver, &T::SetDriver);
            p.String(u"DatabaseName"_s, &T::DatabaseName, &T::SetDatabaseName);
            p.String(u"HostName"_s, &T::HostName, &T::SetHostName);
            p.Int(u"Port"_s, &T::Port, &T::SetPort).Default(0);
            p.String(u"LoginName"_s, &T::LoginName, &T::SetLoginName);
            p.String(u"Password"_s, &T::Password, &T::SetPassword);
            p.Bool(u"LoginPrompt"_s, &T::LoginPrompt, &T::SetLoginPrompt);
        },
        kavComponentFactory<T>());
    return info;
}

// --- TkavSQLQuery ----------------------------------------------------------------------------

TkavSQLQuery::TkavSQLQuery(TkavComponent *AOwner)
    : TkavCustomDBDataSet(AOwner)
    , FSQL(std::make_unique<TStringList>())
    , FParams(std::make_unique<TStringList>())
{
    SetImageIndex(kavQueryImage);
}

TkavSQLQuery::~TkavSQLQuery() = default;

void TkavSQLQuery::SetDatabase(TkavSQLDatabase *value)
{
    FQuery.reset();
    FDatabase = value;
}

void TkavSQLQuery::SetSQL(const TStrings &value)
{
    FQuery.reset();
    FSQL->Assign(value);
}

void TkavSQLQuery::SetParams(const TStrings &value)
{
    FParams->Assign(value);
}

void TkavSQLQuery::SetMaster(TkavDataSet *value)
{
    if (value == this)
        throw EkavError(u"A data set cannot be its own master"_s);
    FMaster = value;
}

QString TkavSQLQuery::displayName() const
{
    return UserName().isEmpty() ? Name() : UserName();
}

void TkavSQLQuery::fail(const QString &reason) const
{
    const QString message = u"Data set \"%1\": %2"_s.arg(displayName(), reason);
    throw EkavError(FDatabase ? FDatabase->Scrubbed(message) : message);
}

QStringList TkavSQLQuery::ParamNames() const
{
    QStringList names;
    for (const QString &name : parseSql(nullptr))
        if (!names.contains(name, Qt::CaseInsensitive))
            names << name;
    return names;
}

QStringList TkavSQLQuery::parseSql(QString *positional) const
{
    const QString sql = FSQL->Text();
    QStringList occurrences;
    QChar quote;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'-' && i + 1 < sql.size() && sql[i + 1] == u'-') {
            while (i + 1 < sql.size() && sql[i + 1] != u'\n')
                ++i;
        } else if (c == u':' && i + 1 < sql.size() && sql[i + 1] == u':') {
            ++i; // a PostgreSQL cast
        } else if (c == u':' && i + 1 < sql.size()
                   && (sql[i + 1].isLetter() || sql[i + 1] == u'_')) {
            qsizetype end = i + 1;
            while (end < sql.size() && (sql[end].isLetterOrNumber() || sql[end] == u'_'))
                ++end;
            occurrences << sql.mid(i + 1, end - i - 1);
            if (positional)
                *positional += sql.mid(copied, i - copied) + u'?';
            copied = end;
            i = end - 1;
        }
    }
    if (positional)
        *positional += sql.mid(copied);
    return occurrences;
}

QList<Variant> TkavSQLQuery::paramValues() const
{
    QList<Variant> values;
    for (const QString &name : ParamNames()) {
        QString expression;
        bool given = false;
        for (int i = 0; i < FParams->Count() && !given; ++i) {
            const QString line = FParams->Strings(i);
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0 && kavSameText(QStringView(line).left(eq).trimmed(), name)) {
                expression = line.mid(eq + 1).trimmed();
                given = true;
            }
        }
        TkavReport *report = ReportRef() ? ReportRef() : Report();
        if (given && report) {
            try {
                values << report->Calc(expression);
            } catch (const Exception &e) {
                fail(u"the parameter :%1 (%2): %3"_s.arg(name, expression, e.Message()));
            }
        } else if (!given && FMaster && FMaster->HasField(name)) {
            values << FMaster->GetValue(name);
        } else {
            fail(u"no value for the parameter :%1 (give it in Params or by a Master field)"_s.arg(
                name));
        }
    }
    return values;
}

void TkavSQLQuery::execute(const QList<Variant> &values)
{
    FOnRow = false;
    FHasPrev = false;
    FOnPrev = false;
    if (!FDatabase)
        fail(u"no database is set"_s);
    if (FSQL->Text().trimmed().isEmpty())
        fail(u"no SQL is given"_s);
    QSqlDatabase db = FDatabase->Connection();
    if (!FQuery) {
        FQuery = std::make_unique<QSqlQuery>(db);
        // Rows stream from the driver one at a time, except from PostgreSQL: there a streamed
        // result ends, without an error, as soon as another query runs on the connection (a
        // detail query inside its master's rows), so its results are read whole.
        FQuery->setForwardOnly(db.driverName() != u"QPSQL"_s);
        // Positional placeholders: the drivers' own parsing of names does not know comments.
        QString positional;
        FOccurrences = parseSql(&positional);
        if (!FQuery->prepare(positional)) {
            const QString reason = FQuery->lastError().text();
            FQuery.reset();
            fail(u"the SQL is not valid: %1"_s.arg(reason));
        }
    }
    const QStringList names = ParamNames();
    for (qsizetype i = 0; i < FOccurrences.size(); ++i) {
        const auto n = std::find_if(names.begin(), names.end(), [&](const QString &name) {
            return kavSameText(name, FOccurrences[i]);
        });
        FQuery->bindValue(int(i), toQt(values[n - names.begin()]));
    }
    if (!FQuery->exec())
        fail(u"the query failed: %1"_s.arg(FQuery->lastError().text()));
    FBoundValues = values;
    FColumns.clear();
    const QSqlRecord record = FQuery->record();
    FColumnCount = record.count();
    FBlobColumns.fill(false, FColumnCount);
    for (int i = 0; i < FColumnCount; ++i) {
        FColumns.insert(kavLowerCase(record.fieldName(i)), i);
        FBlobColumns[i] = record.field(i).metaType().id() == QMetaType::QByteArray;
    }
    FDateColumns = sqliteDateColumns(*FQuery);
    FOnRow = FQuery->next();
    if (!FOnRow && FQuery->lastError().isValid())
        fail(u"reading the rows failed: %1"_s.arg(FQuery->lastError().text()));
}

void TkavSQLQuery::Initialize()
{
    TkavCustomDBDataSet::Initialize();
    FQuery.reset();
    FBoundValues.clear();
    // Fail before the run with a clear message instead of in the middle of it.
    if (!FDatabase)
        fail(u"no database is set"_s);
    FDatabase->SetConnected(true);
}

void TkavSQLQuery::Finalize()
{
    TkavCustomDBDataSet::Finalize();
    FQuery.reset();
    FOnRow = false;
    FHasPrev = false;
    FOnPrev = false;
    FPrevRow.clear();
}

void TkavSQLQuery::First()
{
    execute(paramValues());
    TkavCustomDBDataSet::First();
}

void TkavSQLQuery::fetchNext()
{
    if (FOnRow) {
        FPrevRow.resize(FColumnCount);
        for (int i = 0; i < FColumnCount; ++i)
            FPrevRow[i] = FQuery->value(i);
    }
    FHasPrev = FOnRow;
    FOnRow = FQuery && FQuery->next();
    // A connection lost in the middle of the rows is an error, not the end of the data.
    if (!FOnRow && FQuery && FQuery->lastError().isValid())
        fail(u"reading the rows failed: %1"_s.arg(FQuery->lastError().text()));
}

void TkavSQLQuery::Next()
{
    TkavCustomDBDataSet::Next();
    if (FOnPrev) {
        FOnPrev = false; // back on the query's own row
        return;
    }
    if (!EndOfData())
        fetchNext();
}

void TkavSQLQuery::Prior()
{
    if (FHasPrev && !FOnPrev && RecNo() > 0) {
        FOnPrev = true;
        TkavCustomDBDataSet::Prior();
        return;
    }
    const int target = RecNo() - 1;
    execute(FBoundValues.isEmpty() ? paramValues() : FBoundValues);
    for (int i = 0; i < target && FOnRow; ++i)
        fetchNext();
    TkavCustomDBDataSet::Prior();
}

bool TkavSQLQuery::Eof()
{
    return (!FOnRow && !FOnPrev) || TkavCustomDBDataSet::Eof();
}

int TkavSQLQuery::RecordCount()
{
    // A streamed result does not know its length; a count range does.
    return TkavCustomDBDataSet::RecordCount();
}

int TkavSQLQuery::column(const QString &name) const
{
    return FQuery && (FOnRow || FHasPrev) ? FColumns.value(kavLowerCase(ConvertAlias(name)), -1)
                                          : -1;
}

QVariant TkavSQLQuery::value(int col) const
{
    // Past the end the data set stands on its last row, as a counted range does.
    return FOnPrev || !FOnRow ? FPrevRow.value(col) : FQuery->value(col);
}

Variant TkavSQLQuery::GetValue(const QString &Index)
{
    const int col = column(Index);
    if (col < 0)
        return Variant::Null();
    const QVariant v = value(col);
    TDateTime date = 0;
    if (FDateColumns.value(col) && v.metaType().id() == QMetaType::QString
        && kavReadISODate(v.toString(), date))
        return Variant::FromDate(date);
    return fromQt(v);
}

QString TkavSQLQuery::GetDisplayText(const QString &Index)
{
    const Variant v = GetValue(Index);
    return v.IsNull() ? QString() : v.AsString();
}

TkavFieldType TkavSQLQuery::GetFieldType(const QString &Index)
{
    const int col = column(Index);
    if (col < 0)
        return fftString;
    const QVariant v = value(col);
    if (FDateColumns.value(col) && (v.isNull() || GetValue(Index).Type() == varDate))
        return fftDateTime;
    // SQLite reports the type of each value rather than of the column.
    return fieldTypeOf(v.isNull() ? FQuery->record().field(col).metaType() : v.metaType());
}

bool TkavSQLQuery::IsBlobField(const QString &fName)
{
    // Per column, so that a NULL in a binary column is still binary (and clears a picture).
    // A column without a declared type becomes binary with its first binary value.
    const int col = column(fName);
    if (col < 0 || col >= FBlobColumns.size())
        return false;
    if (value(col).metaType().id() == QMetaType::QByteArray)
        FBlobColumns[col] = true;
    return FBlobColumns[col];
}

void TkavSQLQuery::AssignBlobTo(const QString &fName, TObject *Obj)
{
    const int col = column(fName);
    if (col < 0)
        return;
    const QVariant v = value(col);
    if (auto *stream = dynamic_cast<TStream *>(Obj))
        stream->WriteBytes(v.toByteArray());
    else if (auto *lines = dynamic_cast<TStrings *>(Obj))
        lines->SetText(v.toString());
}

void TkavSQLQuery::GetFieldList(TStrings &List)
{
    List.Clear();
    try {
        if (!FQuery || !FQuery->isActive())
            execute(paramValues());
    } catch (const Exception &) {
        return; // a field list is only offered; the run reports the error
    }
    const QSqlRecord record = FQuery->record();
    for (int i = 0; i < record.count(); ++i)
        List.Add(GetAlias(record.fieldName(i)));
}

const TkavClassInfo &TkavSQLQuery::StaticClassInfo()
{
    using T = TkavSQLQuery;
    static const TkavClassInfo info = kavMakeClassInfo<T, TkavCustomDBDataSet>(
        u"TkavSQLQuery"_s,
        [](TkavPropBuilder<T> &p) {
            p.Component(u"Database"_s, &T::Database, &T::SetDatabase);
            p.StringList(u"SQL"_s, &T::SQL, &T::SetSQL);
            p.StringList(u"Params"_s, &T::Params, &T::SetParams);
            p.Component(u"Master"_s, &T::Master, &T::SetMaster);
        },
        kavComponentFactory<T>());
    return info;
}

void kavRegisterSQLDataSetClasses()
{
    kavRegisterClass(TkavSQLDatabase::StaticClassInfo());
    kavRegisterClass(TkavSQLQuery::StaticClassInfo());
}
