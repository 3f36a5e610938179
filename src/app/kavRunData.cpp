// --data and --set: the files a headless run reads its data from, and the values of dialog
// controls and variables.
#include "kavRunReport.h"

#include <engine/kavEngine.h>
#include <persist/kavVariables.h>
#include <persist/kavXMLSerializer.h>
#include <report/kavClass.h>
#include <report/kavDialogs.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavObject.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStrings.h>

#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#include <data/kavFileDataSets.h>
#include <data/kavSQLDataSets.h>

using namespace Qt::StringLiterals;

namespace {

void printError(const QString &file, const QString &message)
{
    std::fprintf(stderr, "kavrel: %s: %s\n", qPrintable(file), qPrintable(message));
}

// The component named name (ignoring case, by Name or by a data set's UserName), or null.
template <class T>
T *componentNamed(TkavReport &report, const QString &name)
{
    for (TkavComponent *c : report.AllObjects()) {
        auto *typed = dynamic_cast<T *>(c);
        if (!typed)
            continue;
        const auto *dataSet = dynamic_cast<const TkavDataSet *>(c);
        if (kavSameText(c->Name(), name) || (dataSet && kavSameText(dataSet->UserName(), name)))
            return typed;
    }
    return nullptr;
}

// Every reference of the report to from goes to to instead.
void redirectReferences(TkavReport &report, TkavDataSet *from, TkavDataSet *to)
{
    QList<TkavComponent *> objects = report.AllObjects();
    objects.prepend(&report);
    for (TkavComponent *c : objects)
        for (const TkavPropInfo *prop : c->ClassInfo().Props())
            if (prop->Kind() == pkComponent && !prop->IsReadOnly() && prop->GetObject(*c) == from)
                prop->SetObject(*c, to);
    for (int i = 0; i < report.DataSets().Count(); ++i)
        if (report.DataSets().Items(i)->DataSet() == from)
            report.DataSets().Items(i)->SetDataSet(to);
}

// Resolves again the links (of objects and of the report's data set list) that name
// dataSet's user name but found nothing when the report was read; how many there were.
int linkByName(TkavReport &report, TkavDataSet *dataSet)
{
    const QString name = dataSet->UserName();
    int linked = 0;
    QList<TkavComponent *> objects = report.AllObjects();
    objects.prepend(&report);
    for (TkavComponent *c : objects) {
        const TkavPropInfo *link = c->ClassInfo().FindProp(u"DataSetName");
        const TkavPropInfo *target = c->ClassInfo().FindProp(u"DataSet");
        if (link && target && !target->GetObject(*c) && kavSameText(link->GetStr(*c), name)) {
            link->SetStr(*c, link->GetStr(*c));
            ++linked;
        }
    }
    TkavReportDataSets &items = report.DataSets();
    for (int i = 0; i < items.Count(); ++i)
        if (!items.Items(i)->DataSet() && kavSameText(items.Items(i)->DataSetName(), name)) {
            items.Items(i)->SetDataSetName(name);
            ++linked;
        }
    return linked;
}

TkavComponent *dataPage(TkavReport &report)
{
    for (TkavComponent *c : report.AllObjects())
        if (dynamic_cast<TkavDataPage *>(c))
            return c;
    return &report; // not reached: every loaded report has a data page
}

// A data set of class cls that takes old's place: its properties, its name and every
// reference to it.
TkavTableDataSet *replaceDataSet(TkavReport &report, TkavDataSet &old, const TkavClassInfo &cls)
{
    auto *made
        = dynamic_cast<TkavTableDataSet *>(TkavComponent::Create(cls.ClassName(), old.Parent()));
    // What both classes publish carries over; the rest (SQL, a delimiter) is dropped.
    TkavXMLSerializer serializer;
    serializer.ReadPersistentStr(&report, made, serializer.ObjToXML(&old));
    redirectReferences(report, &old, made);
    const QString name = old.Name();
    old.Free();
    made->SetName(name);
    return made;
}

// A data set of class cls for the links of the report that name alias, which nothing
// answered; null when nothing names alias.
TkavTableDataSet *newDataSet(TkavReport &report, const QString &alias, const TkavClassInfo &cls)
{
    auto *made = dynamic_cast<TkavTableDataSet *>(
        TkavComponent::Create(cls.ClassName(), dataPage(report)));
    if (kavIsValidIdent(alias) && !report.FindObject(alias))
        made->SetName(alias);
    else
        made->CreateUniqueName();
    made->SetUserName(alias);
    if (linkByName(report, made) > 0)
        return made;
    made->Free();
    return nullptr;
}

bool applyDatabase(TkavReport &report, const QString &alias, const QString &path, const QString &in)
{
    TkavSQLDatabase *database = componentNamed<TkavSQLDatabase>(report, alias);
    if (!database)
        if (auto *query = componentNamed<TkavSQLQuery>(report, alias))
            database = query->Database();
    if (!database) {
        printError(in, u"--data: no file data set, query or database is named \"%1\""_s.arg(alias));
        return false;
    }
    database->SetDriver(u"SQLite"_s);
    database->SetDatabaseName(path);
    return true;
}

// A .csv or .json file is read by a data set of its kind: one of another kind (or a query)
// is replaced, and one is made when the report names a data set it does not have.
bool applyDataFile(TkavReport &report,
                   const QString &alias,
                   const QString &path,
                   const TkavClassInfo &cls,
                   const QString &in)
{
    auto *dataSet = componentNamed<TkavDataSet>(report, alias);
    auto *table = dynamic_cast<TkavTableDataSet *>(dataSet);
    if (!dataSet && componentNamed<TkavSQLDatabase>(report, alias)) {
        printError(in, u"--data: \"%1\" is a database: give it a .db or .sqlite file"_s.arg(alias));
        return false;
    }
    if (!dataSet)
        table = newDataSet(report, alias, cls);
    else if (!table || &table->ClassInfo() != &cls)
        table = replaceDataSet(report, *dataSet, cls);
    if (!table) {
        printError(in, u"--data: no file data set, query or database is named \"%1\""_s.arg(alias));
        return false;
    }
    if (!report.DataSets().Find(table))
        report.DataSets().Add(table);
    table->SetFileName(path);
    return true;
}

bool applyData(TkavReport &report, const QString &alias, const QString &file, const QString &in)
{
    const QString path = QFileInfo(file).absoluteFilePath();
    const QString ext = QFileInfo(file).suffix().toLower();
    if (ext == u"csv")
        return applyDataFile(report, alias, path, TkavCSVDataSet::StaticClassInfo(), in);
    if (ext == u"json")
        return applyDataFile(report, alias, path, TkavJSONDataSet::StaticClassInfo(), in);
    // Another file: a file data set keeps its own reader, anything else takes it as SQLite.
    auto *table = componentNamed<TkavTableDataSet>(report, alias);
    const bool sqlite = ext == u"db" || ext == u"sqlite" || ext == u"sqlite3";
    if (table && sqlite) {
        printError(in, u"--data: \"%1\" reads files: give it a .csv or .json file"_s.arg(alias));
        return false;
    }
    if (table) {
        table->SetFileName(path);
        return true;
    }
    return applyDatabase(report, alias, path, in);
}

// A number or a Boolean is taken as it is; anything else is a text.
QString variableValue(const QString &value, const QString &language)
{
    static const QRegularExpression number(u"^[+-]?[0-9]+(\\.[0-9]+)?$"_s);
    if (number.match(value).hasMatch() || value.compare(u"true"_s, Qt::CaseInsensitive) == 0
        || value.compare(u"false"_s, Qt::CaseInsensitive) == 0)
        return value;
    return kavQuotedForScript(value, language);
}

} // namespace

bool kavApplyRunOptions(TkavReport &report, const TkavRunOptions &options, const QString &in)
{
    for (const QString &item : options.Data) {
        const qsizetype eq = item.indexOf(u'=');
        if (!applyData(report, item.left(eq), item.mid(eq + 1), in))
            return false;
    }
    static_cast<TkavEngine *>(report.Engine())->SetSkipDialogs(options.NoDialogs);
    for (const QString &item : options.Sets) {
        const qsizetype eq = item.indexOf(u'=');
        const QString name = item.left(eq);
        if (auto *control = dynamic_cast<TkavDialogControl *>(report.FindObject(name))) {
            QString message;
            if (!control->SetValueText(item.mid(eq + 1), message)) {
                printError(in, u"--set: "_s + message);
                return false;
            }
            continue;
        }
        if (report.Variables().IndexOf(name) < 0) {
            printError(in, u"--set: the report has no variable \"%1\""_s.arg(name));
            return false;
        }
        report.Variables().SetVariable(
            name, Variant(variableValue(item.mid(eq + 1), report.ScriptLanguage())));
    }
    return true;
}
