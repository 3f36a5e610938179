// Data sets: count ranges and end-of-data rules, callbacks and script events, user names,
// field aliases, the process-wide list and its lock, the report's data-set list.
#include <persist/kavRes.h>
#include <persist/kavXMLSerializer.h>
#include <report/kavDataSets.h>
#include <report/kavReport.h>
#include <rtl/kavRTTI.h>

#include <QImage>
#include <QPainter>

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Records the script procedures a data set runs; body may answer var parameters.
class FakeScript : public TkavDataSetScript
{
public:
    struct Call
    {
        QString proc;
        QList<Variant> params;
    };

    void CallDataSetEvent(const QString &procName, QList<Variant> &params) override
    {
        calls.push_back({procName, params});
        if (body)
            body(procName, params);
    }

    std::vector<Call> calls;
    std::function<void(const QString &, QList<Variant> &)> body;
};

QString invalidPropertyText()
{
    return kavResourceTable().Get(u"prInvProp"_s);
}

// The names of cls's published properties that its ancestor does not publish.
QStringList ownPropNames(const TkavClassInfo &cls, const TkavClassInfo &ancestor)
{
    QStringList names;
    for (const TkavPropInfo *prop : cls.Props())
        if (!ancestor.FindProp(prop->Name()))
            names << prop->Name();
    return names;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Navigation

TEST(DataSetNavigation, CountRangeOfThreeYieldsThreeRecords)
{
    TkavUserDataSet ds;
    ds.SetRangeEnd(reCount);
    ds.SetRangeEndCount(3);
    int nexts = 0;
    ds.Handlers().OnNext = [&](TkavDataSet &) { ++nexts; };

    ds.First();
    EXPECT_FALSE(ds.Eof());
    ds.Next();
    ds.Next();
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(nexts, 2);
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(nexts, 2) << "stepping past the count must not call OnNext";
}

TEST(DataSetNavigation, RecordsWalkedPerCount)
{
    struct Row
    {
        const char *name;
        int count;
        int expectedRecords;
        int expectedLastRecNo;
    };
    // A negative count is taken as 0: no records.
    const Row rows[]
        = {{"zero", 0, 0, 0}, {"one", 1, 1, 0}, {"five", 5, 5, 4}, {"negative", -3, 0, 0}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TkavUserDataSet ds;
        ds.SetRangeEnd(reCount);
        ds.SetRangeEndCount(row.count);
        std::vector<int> seen;
        int guard = 0;
        for (ds.First(); !ds.Eof() && guard < 100; ds.Next(), ++guard)
            seen.push_back(ds.RecNo());
        ASSERT_EQ(int(seen.size()), row.expectedRecords);
        for (int i = 0; i < int(seen.size()); ++i)
            EXPECT_EQ(seen[i], i);
        if (row.expectedRecords > 0) {
            EXPECT_EQ(ds.RecNo(), row.expectedLastRecNo);
        }
    }
}

TEST(DataSetNavigation, CountZeroIsAtEndRightAfterFirst)
{
    TkavUserDataSet ds;
    ds.SetRangeEnd(reCount);
    ds.SetRangeEndCount(0);
    int firsts = 0;
    ds.Handlers().OnFirst = [&](TkavDataSet &) { ++firsts; };
    ds.First();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_EQ(firsts, 1);
}

TEST(DataSetNavigation, RecordCountAndEofPerRange)
{
    struct Row
    {
        const char *name;
        TkavRangeBegin begin;
        TkavRangeEnd end;
        int expectedRecordCount;
        bool expectedEofAfterFirst;
    };
    // Only a first-to-count range knows its size; only a count range ends by itself.
    const Row rows[] = {{"first-last", rbFirst, reLast, 0, false},
                        {"first-current", rbFirst, reCurrent, 0, false},
                        {"first-count", rbFirst, reCount, 4, false},
                        {"current-last", rbCurrent, reLast, 0, false},
                        {"current-current", rbCurrent, reCurrent, 0, false},
                        {"current-count", rbCurrent, reCount, 0, false}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TkavUserDataSet ds;
        ds.SetRangeBegin(row.begin);
        ds.SetRangeEnd(row.end);
        ds.SetRangeEndCount(4);
        EXPECT_EQ(ds.RecordCount(), row.expectedRecordCount);
        ds.First();
        EXPECT_EQ(ds.Eof(), row.expectedEofAfterFirst);
        // Past the count only the count range reports its end.
        for (int i = 0; i < 10; ++i)
            ds.Next();
        EXPECT_EQ(ds.Eof(), row.end == reCount);
    }
}

TEST(DataSetNavigation, PriorStepsBackAndLeavesTheEnd)
{
    TkavUserDataSet ds;
    ds.SetRangeEnd(reCount);
    ds.SetRangeEndCount(2);
    int priors = 0;
    ds.Handlers().OnPrior = [&](TkavDataSet &) { ++priors; };
    ds.First();
    ds.Next();
    ds.Next(); // past the end: stays on record 1
    ASSERT_TRUE(ds.Eof());
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(priors, 1);
}

TEST(DataSetNavigation, CheckEOFHandlerDecidesTheEnd)
{
    TkavUserDataSet ds; // reLast: only OnCheckEOF can end it
    const int records = 3;
    ds.Handlers().OnCheckEOF
        = [&](TkavDataSet &sender, bool &eof) { eof = sender.RecNo() >= records; };
    int walked = 0;
    for (ds.First(); !ds.Eof() && walked < 100; ds.Next())
        ++walked;
    EXPECT_EQ(walked, records);

    // The handler may also end a count range early.
    TkavUserDataSet counted;
    counted.SetRangeEnd(reCount);
    counted.SetRangeEndCount(10);
    counted.Handlers().OnCheckEOF
        = [](TkavDataSet &sender, bool &eof) { eof = eof || sender.RecNo() == 1; };
    counted.First();
    EXPECT_FALSE(counted.Eof());
    counted.Next();
    EXPECT_TRUE(counted.Eof());
}

TEST(DataSetNavigation, ScriptEventsRunAfterNativeHandlers)
{
    auto script = std::make_shared<FakeScript>();
    TkavUserDataSet ds;
    ds.SetScript(script);
    ds.SetOnFirst(u"DoFirst"_s);
    ds.SetOnNext(u"DoNext"_s);
    ds.SetOnPrior(u"DoPrior"_s);
    ds.SetOnCheckEOF(u"CheckEnd"_s);
    QStringList order;
    ds.Handlers().OnFirst = [&](TkavDataSet &) { order << u"native"_s; };
    script->body = [&](const QString &proc, QList<Variant> &params) {
        order << proc;
        if (proc == u"CheckEnd"_s)
            params[1] = Variant(true); // var Eof
    };

    ds.First();
    ds.Next();
    ds.Prior();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(order,
              (QStringList{u"native"_s, u"DoFirst"_s, u"DoNext"_s, u"DoPrior"_s, u"CheckEnd"_s}));
    // Every event passes the data set itself first.
    for (const FakeScript::Call &call : script->calls)
        EXPECT_EQ(call.params.value(0).AsObject(), &ds) << call.proc.toStdString();
    EXPECT_FALSE(script->calls.back().params.value(1).AsBoolean())
        << "OnCheckEOF starts from the data set's own answer";
}

TEST(DataSetNavigation, EventsWithoutScriptOnlyRunNativeHandlers)
{
    auto script = std::make_shared<FakeScript>();
    TkavUserDataSet ds;
    ds.SetOnFirst(u"DoFirst"_s);
    ds.SetScript(script);
    script.reset(); // the script is gone: the data set must not reach it
    EXPECT_FALSE(ds.HasScript());
    int firsts = 0;
    ds.Handlers().OnFirst = [&](TkavDataSet &) { ++firsts; };
    ds.First();
    EXPECT_EQ(firsts, 1);
}

TEST(DataSetNavigation, OpenAndCloseRunTheirEvents)
{
    auto script = std::make_shared<FakeScript>();
    TkavUserDataSet ds;
    ds.SetScript(script);
    ds.SetOnOpen(u"Opened"_s);
    ds.SetOnClose(u"Closed"_s);
    ds.Open();
    ds.Close();
    ASSERT_EQ(script->calls.size(), 2u);
    EXPECT_EQ(script->calls[0].proc, u"Opened"_s);
    EXPECT_EQ(script->calls[1].proc, u"Closed"_s);
}

// ---------------------------------------------------------------------------------------
// A range that nothing ends

TEST(DataSetEndlessRange, InitializeRefusesARangeNothingEnds)
{
    struct Row
    {
        const char *name;
        TkavRangeEnd end;
        bool nativeCheck;
        bool scriptName;
        bool script;
        bool expectError;
    };
    const Row rows[] = {
        {"reLast bare", reLast, false, false, false, true},
        {"reCurrent bare", reCurrent, false, false, false, true},
        {"reLast native check", reLast, true, false, false, false},
        {"reLast script check", reLast, false, true, true, false},
        // A procedure name with no script to run it cannot end the range either.
        {"reLast named check without script", reLast, false, true, false, true},
        {"reCount bare", reCount, false, false, false, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        auto script = std::make_shared<FakeScript>();
        TkavUserDataSet ds;
        ds.SetUserName(u"Orders"_s);
        ds.SetRangeEnd(row.end);
        if (row.nativeCheck)
            ds.Handlers().OnCheckEOF = [](TkavDataSet &, bool &eof) { eof = true; };
        if (row.scriptName)
            ds.SetOnCheckEOF(u"OrdersEnd"_s);
        if (row.script)
            ds.SetScript(script);
        if (row.expectError) {
            try {
                ds.Initialize();
                ADD_FAILURE() << "Initialize accepted a range without an end";
            } catch (const EkavError &e) {
                EXPECT_TRUE(e.Message().contains(u"\"Orders\""_s)) << e.what();
                EXPECT_TRUE(e.Message().contains(u"OnCheckEOF"_s)) << e.what();
            }
        } else {
            EXPECT_NO_THROW(ds.Initialize());
        }
    }
}

// ---------------------------------------------------------------------------------------
// Values

TEST(UserDataSetValues, NewGetValueSeesAndOverridesGetValue)
{
    TkavUserDataSet ds;
    Variant seenByNew;
    ds.ValueHandlers().OnGetValue = [](const QString &, Variant &value) { value = Variant(5); };
    ds.ValueHandlers().OnNewGetValue = [&](TkavDataSet &, const QString &, Variant &value) {
        seenByNew = value;
        value = Variant(6);
    };
    EXPECT_EQ(ds.GetValue(u"Qty"_s).AsInteger(), 6);
    EXPECT_EQ(seenByNew.AsInteger(), 5);
    EXPECT_EQ(ds.GetDisplayText(u"Qty"_s), u"6"_s);
}

TEST(UserDataSetValues, DisplayTextFollowsTheValue)
{
    struct Row
    {
        const char *name;
        bool getValue;
        bool newGetValue;
        QString expected;
    };
    // The newer handler only answers "B"; "A" keeps the older handler's text.
    const Row rows[] = {{"none", false, false, QString()},
                        {"old only", true, false, u"old-A"_s},
                        {"new only", false, true, QString()},
                        {"both", true, true, u"old-A"_s}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TkavUserDataSet ds;
        if (row.getValue)
            ds.ValueHandlers().OnGetValue
                = [](const QString &field, Variant &value) { value = Variant(u"old-"_s + field); };
        if (row.newGetValue)
            ds.ValueHandlers().OnNewGetValue
                = [](TkavDataSet &, const QString &field, Variant &value) {
                      if (field == u"B"_s)
                          value = Variant(u"new"_s);
                  };
        EXPECT_EQ(ds.GetDisplayText(u"A"_s), row.expected);
        EXPECT_EQ(ds.GetValue(u"A"_s).IsNull(), !row.getValue);
    }
}

TEST(UserDataSetValues, ScriptHandlersGetTheFieldAndGiveTheValue)
{
    auto script = std::make_shared<FakeScript>();
    TkavUserDataSet ds;
    ds.SetScript(script);
    ds.SetOnGetValue(u"GetV"_s);
    ds.SetOnNewGetValue(u"NewGetV"_s);
    script->body = [](const QString &proc, QList<Variant> &params) {
        if (proc == u"GetV"_s) // (VarName, var Value)
            params[1] = Variant(params[0].AsString() + u"!"_s);
        else // (Sender, VarName, var Value)
            params[2] = Variant(params[2].AsString() + u"?"_s);
    };
    EXPECT_EQ(ds.GetValue(u"Name"_s).AsString(), u"Name!?"_s);
    ASSERT_EQ(script->calls.size(), 2u);
    EXPECT_EQ(script->calls[1].params.value(0).AsObject(), &ds);
}

TEST(DataSetFields, FieldListsAndHasFieldIgnoreCase)
{
    TkavUserDataSet ds;
    EXPECT_EQ(ds.FieldsCount(), 0);
    EXPECT_FALSE(ds.HasField(u"Name"_s));
    ds.Fields().Add(u"Name"_s);
    ds.Fields().Add(u"City"_s);
    EXPECT_EQ(ds.FieldsCount(), 2);
    EXPECT_TRUE(ds.HasField(u"CITY"_s));
    EXPECT_FALSE(ds.HasField(u"Zip"_s));
    TStringList list;
    list.Add(u"stale"_s);
    ds.GetFieldList(list);
    EXPECT_EQ(list.Text(), ds.Fields().Text());
}

// ---------------------------------------------------------------------------------------
// Names

TEST(DataSetUserName, BlankNamesAreRefusedAndTheOldOneKept)
{
    const QString blanks[] = {u""_s, u"   "_s, u"\t \n"_s};
    for (const QString &blank : blanks) {
        TkavUserDataSet ds;
        ds.SetUserName(u"Orders"_s);
        try {
            ds.SetUserName(blank);
            ADD_FAILURE() << "accepted a blank user name";
        } catch (const EkavError &e) {
            EXPECT_EQ(e.Message(), invalidPropertyText());
        }
        EXPECT_EQ(ds.UserName(), u"Orders"_s);
    }
}

TEST(DataSetUserName, StoredAsGivenWithBlanks)
{
    TkavUserDataSet ds;
    ds.SetUserName(u" a"_s);
    EXPECT_EQ(ds.UserName(), u" a"_s);
}

TEST(DataSetUserName, FollowsRenamesUntilSetDifferently)
{
    TkavUserDataSet ds;
    ds.SetName(u"UserDataSet1"_s);
    EXPECT_EQ(ds.UserName(), u"UserDataSet1"_s);
    ds.SetName(u"Customers"_s);
    EXPECT_EQ(ds.UserName(), u"Customers"_s) << "a user name equal to the old name follows";

    ds.SetUserName(u"Clients"_s);
    ds.SetName(u"Buyers"_s);
    EXPECT_EQ(ds.UserName(), u"Clients"_s) << "a user name of its own is kept";

    ds.SetUserName(u"Buyers"_s); // equal to the name again: follows from now on
    ds.SetName(u"Payers"_s);
    EXPECT_EQ(ds.UserName(), u"Payers"_s);
}

// ---------------------------------------------------------------------------------------
// Field aliases

TEST(DBDataSetAliases, AliasAndFieldNameBothWays)
{
    TkavCustomDBDataSet ds;
    ds.FieldAliases().Add(u"CustName=Customer"_s);
    ds.FieldAliases().Add(u"NoAlias"_s);
    ds.FieldAliases().Add(u"Formula=a=b"_s);
    ds.FieldAliases().Add(u"custname=Second"_s);

    struct Row
    {
        QString field;
        QString alias;
    };
    const Row aliases[] = {{u"custname"_s, u"Customer"_s}, // first match, case ignored
                           {u"x"_s, u"x"_s},
                           {u"NoAlias"_s, u"NoAlias"_s},
                           {u"Formula"_s, u"a=b"_s}};
    for (const Row &row : aliases)
        EXPECT_EQ(ds.GetAlias(row.field), row.alias) << row.field.toStdString();

    const Row fields[] = {{u"Customer"_s, u"CustName"_s},
                          {u"CUSTOMER"_s, u"CustName"_s},
                          {u"a=b"_s, u"Formula"_s},
                          {u"Unknown"_s, u"Unknown"_s}};
    for (const Row &row : fields)
        EXPECT_EQ(ds.ConvertAlias(row.field), row.alias) << row.field.toStdString();
}

// A database data set as an application would add one: it fills the sorted name list.
class FakeDBDataSet : public TkavCustomDBDataSet
{
public:
    void GetFieldList(TStrings &List) override
    {
        FieldNames().Clear();
        for (const QString &name : {u"Total"_s, u"Id"_s, u"Total"_s, u"Date"_s})
            FieldNames().Add(name);
        List.Assign(FieldNames());
    }
};

TEST(DBDataSetFields, CountIsTheListedNamesWithoutDuplicates)
{
    FakeDBDataSet ds;
    EXPECT_EQ(ds.FieldsCount(), 3);
    TStringList list;
    ds.GetFieldList(list);
    EXPECT_EQ(list.CommaText(), u"Date,Id,Total"_s);
    EXPECT_TRUE(ds.HasField(u"date"_s));
}

// ---------------------------------------------------------------------------------------
// The process-wide list

TEST(GlobalDataSetList, DataSetsJoinOnCreationAndLeaveOnDestruction)
{
    TkavGlobalDataSetList &list = kavGlobalDataSets();
    const int before = list.Count();
    auto ds = std::make_unique<TkavUserDataSet>();
    TkavDataSet *raw = ds.get();
    EXPECT_TRUE(list.Contains(raw));
    EXPECT_EQ(list.Count(), before + 1);
    ds.reset();
    EXPECT_FALSE(list.Contains(raw));
    EXPECT_EQ(list.Count(), before);
}

TEST(GlobalDataSetList, FindIgnoresCaseInRegistrationOrder)
{
    TkavUserDataSet first;
    TkavUserDataSet second;
    first.SetUserName(u"GlobalCustomers"_s);
    second.SetUserName(u"GLOBALCUSTOMERS"_s);
    EXPECT_EQ(kavGlobalDataSets().Find(u"globalcustomers"), &first);
    EXPECT_EQ(kavGlobalDataSets().Find(u"GlobalCust"), nullptr);
    EXPECT_EQ(kavGlobalDataSets().Find(u""), nullptr);
}

TEST(GlobalDataSetList, EachReportFindsItsOwnDataSet)
{
    TkavReport report1;
    TkavReport report2;
    auto *ds1 = TkavComponent::Create<TkavUserDataSet>(&report1);
    auto *ds2 = TkavComponent::Create<TkavUserDataSet>(&report2);
    ds1->SetUserName(u"Cust"_s);
    ds2->SetUserName(u"Cust"_s);
    TkavUserDataSet free; // belongs to no report: every report may use it
    free.SetUserName(u"Shared"_s);

    EXPECT_EQ(kavGlobalDataSets().Find(u"cust", &report1), ds1);
    EXPECT_EQ(kavGlobalDataSets().Find(u"cust", &report2), ds2);
    EXPECT_EQ(kavGlobalDataSets().Find(u"shared", &report2), &free);
    TkavReport other;
    EXPECT_EQ(kavGlobalDataSets().Find(u"cust", &other), nullptr);
}

TEST(GlobalDataSetList, ListingHoldsEnabledNamedDataSets)
{
    TkavUserDataSet named;
    TkavUserDataSet disabled;
    TkavUserDataSet unnamed;
    named.SetUserName(u"ListedOne"_s);
    disabled.SetUserName(u"ListedTwo"_s);
    disabled.SetEnabled(false);
    TStringList list;
    kavGlobalDataSets().GetDataSetList(list);
    const int index = list.IndexOf(u"ListedOne"_s);
    ASSERT_GE(index, 0);
    EXPECT_EQ(list.Objects(index), &named);
    EXPECT_LT(list.IndexOf(u"ListedTwo"_s), 0);
    EXPECT_LT(list.IndexOfObject(&unnamed), 0);
}

TEST(GlobalDataSetList, DestructionUnderTheHeldLockDoesNotDeadlock)
{
    auto ds = std::make_unique<TkavUserDataSet>();
    ds->SetUserName(u"Doomed"_s);
    TkavDataSet *raw = ds.get();
    {
        // The designer walks the list under the lock and may destroy a data set there.
        const auto lock = kavGlobalDataSets().Guard();
        ds.reset();
        EXPECT_EQ(kavGlobalDataSets().Find(u"Doomed"), nullptr);
    }
    EXPECT_FALSE(kavGlobalDataSets().Contains(raw));
}

TEST(GlobalDataSetList, LookupsWhileAnotherThreadCreatesAndDestroys)
{
    TkavUserDataSet stable;
    stable.SetUserName(u"StableOne"_s);
    std::atomic<bool> done{false};
    std::thread churn([&] {
        for (int i = 0; i < 300; ++i) {
            auto ds = std::make_unique<TkavUserDataSet>();
            ds->SetUserName(u"Churn"_s);
        }
        done = true;
    });
    int misses = 0;
    int loops = 0;
    while (!done || loops < 10) {
        if (kavGlobalDataSets().Find(u"stableone") != &stable)
            ++misses;
        TStringList list;
        kavGlobalDataSets().GetDataSetList(list);
        ++loops;
    }
    churn.join();
    EXPECT_EQ(misses, 0);
    EXPECT_EQ(kavGlobalDataSets().Find(u"Churn"), nullptr);
}

// ---------------------------------------------------------------------------------------
// The report's data-set list

TEST(ReportDataSets, LookUpByAliasAndDeleteByName)
{
    TkavReport report;
    TkavReportDataSets sets(&report);
    TkavUserDataSet orders;
    TkavUserDataSet lines;
    orders.SetUserName(u"Orders"_s);
    lines.SetUserName(u"Lines"_s);
    sets.Add(&orders);
    sets.Add(&lines);
    sets.Add(nullptr); // an item without data set never matches

    EXPECT_EQ(sets.Find(u"ORDERS")->DataSet(), &orders);
    EXPECT_EQ(sets.Find(&lines), sets.Items(1));
    EXPECT_EQ(sets.Find(u""), nullptr);
    EXPECT_EQ(sets.Find(u"Missing"), nullptr);

    sets.Delete(u"orders");
    EXPECT_EQ(sets.Count(), 2);
    EXPECT_EQ(sets.Find(u"Orders"), nullptr);
    sets.Delete(u"Missing");
    EXPECT_EQ(sets.Count(), 2);
}

TEST(ReportDataSets, ItemNamesFollowTheDataSet)
{
    TkavReportDataSets sets;
    auto ds = std::make_unique<TkavUserDataSet>();
    ds->SetUserName(u"ItemFollow"_s);
    TkavDataSetItem *item = sets.Add(ds.get());
    EXPECT_EQ(item->DataSetName(), u"ItemFollow"_s);
    ds->SetUserName(u"ItemRenamed"_s);
    EXPECT_EQ(item->DataSetName(), u"ItemRenamed"_s);

    // A destroyed data set reads as null; its last known name stays for error messages.
    ds.reset();
    EXPECT_EQ(item->DataSet(), nullptr);
    EXPECT_EQ(item->DataSetName(), u"ItemFollow"_s);

    TkavUserDataSet found;
    found.SetUserName(u"ItemFound"_s);
    item->SetDataSetName(u"itemfound"_s);
    EXPECT_EQ(item->DataSet(), &found);
    item->SetDataSetName(u"NotThere"_s);
    EXPECT_EQ(item->DataSet(), nullptr);
    EXPECT_EQ(item->DataSetName(), u"NotThere"_s);
    item->SetDataSetName(QString());
    EXPECT_EQ(item->DataSet(), nullptr);
}

TEST(ReportDataSets, InitializeGivesReportAndScriptAndRefusesEndlessData)
{
    auto report = std::make_unique<TkavReport>();
    auto script = std::make_shared<FakeScript>();
    TkavReportDataSets sets(report.get());
    TkavUserDataSet counted;
    counted.SetRangeEnd(reCount);
    counted.SetOnFirst(u"CountedFirst"_s);
    sets.Add(&counted);
    sets.Initialize(script);
    EXPECT_EQ(counted.ReportRef(), report.get());
    counted.First();
    ASSERT_EQ(script->calls.size(), 1u);

    TkavUserDataSet endless;
    endless.SetUserName(u"Endless"_s);
    sets.Add(&endless);
    EXPECT_THROW(sets.Initialize(script), EkavError);

    report.reset();
    EXPECT_EQ(counted.ReportRef(), nullptr) << "a destroyed report must not dangle";
}

// ---------------------------------------------------------------------------------------
// Published properties, classes, the dialog component

TEST(DataSetClasses, PublishedPropertiesInOrder)
{
    const TkavClassInfo &dialog = TkavDialogComponent::StaticClassInfo();
    const TkavClassInfo &dataSet = TkavDataSet::StaticClassInfo();
    EXPECT_EQ(ownPropNames(dataSet, dialog),
              (QStringList{u"Enabled"_s,
                           u"RangeBegin"_s,
                           u"RangeEnd"_s,
                           u"RangeEndCount"_s,
                           u"UserName"_s,
                           u"OnCheckEOF"_s,
                           u"OnFirst"_s,
                           u"OnNext"_s,
                           u"OnPrior"_s}));
    EXPECT_EQ(ownPropNames(TkavUserDataSet::StaticClassInfo(), dataSet),
              (QStringList{u"Fields"_s, u"OnGetValue"_s, u"OnNewGetValue"_s}));
    EXPECT_EQ(ownPropNames(TkavCustomDBDataSet::StaticClassInfo(), dataSet),
              (QStringList{u"FieldAliases"_s,
                           u"OpenDataSource"_s,
                           u"CloseDataSource"_s,
                           u"OnOpen"_s,
                           u"OnClose"_s}));
    EXPECT_EQ(
        ownPropNames(TkavDataSetItem::StaticClassInfo(), TkavCollectionItem::StaticClassInfo()),
        (QStringList{u"DataSet"_s, u"DataSetName"_s}));
}

TEST(DataSetClasses, DefaultsMatchANewDataSet)
{
    TkavUserDataSet ds;
    const TkavClassInfo &cls = ds.ClassInfo();
    struct Row
    {
        const char *prop;
        qint64 declared;
    };
    const Row rows[]
        = {{"Enabled", 1}, {"RangeBegin", rbFirst}, {"RangeEnd", reLast}, {"RangeEndCount", 0}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.prop);
        const TkavPropInfo *prop = cls.FindProp(QString::fromLatin1(row.prop));
        ASSERT_NE(prop, nullptr);
        ASSERT_TRUE(prop->HasDefault());
        EXPECT_EQ(prop->Default(), row.declared);
        EXPECT_EQ(prop->GetOrd(ds), row.declared) << "initial value differs from the default";
    }
    EXPECT_EQ(kavGetPropText(ds, u"RangeEnd"), u"reLast"_s);
    kavSetPropText(ds, u"RangeEnd", u"reCount"_s);
    EXPECT_EQ(ds.RangeEnd(), reCount);

    const TkavPropInfo *event = cls.FindProp(u"OnCheckEOF");
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->Kind(), pkEvent);

    TkavCustomDBDataSet db;
    const TkavPropInfo *open = db.ClassInfo().FindProp(u"OpenDataSource");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->Default(), 1);
    EXPECT_TRUE(db.OpenDataSource());
    EXPECT_FALSE(db.CloseDataSource());
}

TEST(DataSetClasses, EmptyUserNameIsNotStored)
{
    TkavUserDataSet ds;
    const TkavPropInfo &prop = kavGetPropInfo(ds, u"UserName");
    EXPECT_FALSE(prop.IsStored(ds));
    ds.SetUserName(u"Orders"_s);
    EXPECT_TRUE(prop.IsStored(ds));
    EXPECT_THROW(kavSetPropText(ds, u"UserName", u"  "_s), EkavError);
    EXPECT_EQ(ds.UserName(), u"Orders"_s);
}

TEST(DataSetClasses, RegisteredAndCreatableByName)
{
    kavRegisterDataSetClasses();
    const TkavClassInfo *user = kavFindClass(u"tkavuserdataset");
    ASSERT_NE(user, nullptr);
    EXPECT_TRUE(user->InheritsFrom(TkavDataSet::StaticClassInfo()));
    EXPECT_TRUE(user->CanCreate());
    auto obj = kavCreateObjectAs<TkavUserDataSet>(u"TkavUserDataSet");
    EXPECT_TRUE(kavGlobalDataSets().Contains(obj.get()));
    for (const char *name : {"TkavDataSet", "TkavCustomDBDataSet", "TkavCustomDatabase"}) {
        const TkavClassInfo *cls = kavFindClass(QString::fromLatin1(name));
        ASSERT_NE(cls, nullptr) << name;
        EXPECT_FALSE(cls->CanCreate()) << name << " is a base only";
    }
}

TEST(DialogComponent, FixedSizeAndNoPreviewCopies)
{
    TkavUserDataSet ds;
    EXPECT_EQ(ds.Width(), kavDialogComponentSize);
    EXPECT_EQ(ds.Height(), kavDialogComponentSize);
    EXPECT_FALSE(ds.kvComponentStyle().Contains(csPreviewVisible));

    ds.SetName(u"Orders"_s);
    ds.SetBounds(10, 10, 100, 5);
    QImage image(120, 80, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        ds.Draw(&painter, 1, 1, 0, 0);
    }
    EXPECT_EQ(ds.Width(), kavDialogComponentSize) << "drawing restores the fixed size";
    EXPECT_EQ(ds.Height(), kavDialogComponentSize);
    EXPECT_EQ(image.pixelColor(24, 24), QColor(240, 240, 240)) << "button face inside";
    bool textBelow = false;
    for (int y = 42; y < 80 && !textBelow; ++y)
        for (int x = 0; x < 120 && !textBelow; ++x)
            textBelow = qGray(image.pixel(x, y)) < 128;
    EXPECT_TRUE(textBelow) << "the name is written below the square";

    // With a palette icon the square's inside is no longer plain button face.
    const auto insideIsPlain = [&](const QImage &picture) {
        for (int y = 17; y < 32; ++y)
            for (int x = 17; x < 32; ++x)
                if (picture.pixelColor(x, y) != QColor(240, 240, 240))
                    return false;
        return true;
    };
    EXPECT_TRUE(insideIsPlain(image));
    const TkavImageList &icons = kavResourceTable().GetObjectImages();
    int visibleIcon = -1;
    for (int i = 0; i < icons.size() && visibleIcon < 0; ++i)
        for (int y = 0; y < icons[i].height() && visibleIcon < 0; ++y)
            for (int x = 0; x < icons[i].width() && visibleIcon < 0; ++x)
                if (qAlpha(icons[i].pixel(x, y)) == 255
                    && icons[i].pixelColor(x, y) != QColor(240, 240, 240))
                    visibleIcon = i;
    ASSERT_GE(visibleIcon, 0) << icons.size() << " object images, none visible";
    ds.SetImageIndex(visibleIcon);
    QImage withIcon(120, 80, QImage::Format_ARGB32);
    withIcon.fill(Qt::white);
    {
        QPainter painter(&withIcon);
        ds.Draw(&painter, 1, 1, 0, 0);
    }
    EXPECT_FALSE(insideIsPlain(withIcon));

    auto wrapped = std::make_unique<TStringList>();
    ds.SetComponent(wrapped.get());
    EXPECT_EQ(ds.Component(), wrapped.get());
    wrapped.reset();
    EXPECT_EQ(ds.Component(), nullptr) << "a destroyed wrapped object must not dangle";
}

TEST(DataSetClasses, AttributesRoundTripThroughTheSerializer)
{
    TkavUserDataSet source;
    source.SetName(u"Orders"_s);
    source.SetUserName(u"Clients"_s);
    source.SetEnabled(false);
    source.SetRangeBegin(rbCurrent);
    source.SetRangeEnd(reCount);
    source.SetRangeEndCount(3);
    source.SetOnCheckEOF(u"OrdersEnd"_s);
    source.SetOnGetValue(u"OrdersValue"_s);
    source.Fields().SetText(u"Id\nTotal"_s);

    TkavXMLSerializer serializer;
    const QString text = serializer.ObjToXML(&source);
    TkavUserDataSet copy;
    serializer.XMLToObj(text, &copy);
    EXPECT_EQ(serializer.Errors().Count(), 0) << serializer.Errors().Text().toStdString();
    EXPECT_EQ(copy.UserName(), u"Clients"_s);
    EXPECT_FALSE(copy.Enabled());
    EXPECT_EQ(copy.RangeBegin(), rbCurrent);
    EXPECT_EQ(copy.RangeEnd(), reCount);
    EXPECT_EQ(copy.RangeEndCount(), 3);
    EXPECT_EQ(copy.OnCheckEOF(), u"OrdersEnd"_s);
    EXPECT_EQ(copy.OnGetValue(), u"OrdersValue"_s);
    EXPECT_EQ(copy.Fields().Text(), source.Fields().Text());

    // A fresh data set writes none of the defaults and no empty user name, so reading it
    // back cannot fail on the blank-name rule.
    TkavUserDataSet fresh;
    const QString freshText = serializer.ObjToXML(&fresh);
    for (const QString &prop : {u"Enabled"_s, u"RangeBegin"_s, u"RangeEnd"_s, u"UserName"_s})
        EXPECT_FALSE(freshText.contains(prop + u"=\""_s)) << freshText.toStdString();
}
