// Variables: categories, look-ups, the variables file and the associative array.
#include <persist/kavVariables.h>

#include <persist/kavXML.h>

#include <rtl/kavDateTime.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFormatSettings.h>
#include <rtl/kavObject.h>
#include <rtl/kavStreams.h>
#include <rtl/kavStrings.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Names of the items in order.
QStringList names(const TkavVariables &vars)
{
    QStringList list;
    for (int i = 0; i < vars.Count(); ++i)
        list << vars.Items(i)->Name();
    return list;
}

QStringList entries(const TStrings &list)
{
    QStringList result;
    for (int i = 0; i < list.Count(); ++i)
        result << list.Strings(i);
    return result;
}

// A list of the given names, each valued with its own index.
void fill(TkavVariables &vars, const QStringList &itemNames)
{
    vars.Clear();
    for (const QString &name : itemNames)
        vars.SetVariable(name, int(vars.Count()));
}

const QStringList sample = {u" A"_s, u"x"_s, u" B"_s, u"y"_s};

QByteArray saved(const TkavVariables &vars)
{
    TMemoryStream stream;
    vars.SaveToStream(stream);
    return stream.Data();
}

void load(TkavVariables &vars, const QByteArray &bytes)
{
    TMemoryStream stream(bytes);
    vars.LoadFromStream(stream);
}

QByteArray document(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n" + body;
}

// A comma locale for the tests that must not depend on the machine's.
TFormatSettings commaSettings()
{
    TFormatSettings fs = TFormatSettings::Invariant();
    fs.DecimalSeparator = u',';
    fs.ThousandSeparator = u'.';
    fs.DateSeparator = u'.';
    fs.ShortDateFormat = u"dd.mm.yyyy"_s;
    return fs;
}

} // namespace

// --- categories --------------------------------------------------------------------------

TEST(Variables, CategoriesList)
{
    TkavVariables vars;
    fill(vars, sample);
    TStringList list;
    list.Add(u"stale"_s);
    vars.GetCategoriesList(list, true);
    EXPECT_EQ(entries(list), QStringList({u"A"_s, u"B"_s}));

    vars.GetCategoriesList(list, false); // appends
    EXPECT_EQ(entries(list), QStringList({u"A"_s, u"B"_s, u"A"_s, u"B"_s}));

    // Long category names are cut to 255 characters.
    vars.SetVariable(u' ' + QString(300, u'c'), 0);
    vars.GetCategoriesList(list, true);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Strings(2), QString(255, u'c'));
}

TEST(Variables, VariablesListTable)
{
    struct Row
    {
        const char *name;
        QStringList items;
        QString category;
        QStringList expected;
    };
    const Row rows[] = {
        {"categoryA", sample, u"A"_s, {u"x"_s}},
        {"categoryB", sample, u"B"_s, {u"y"_s}},
        {"caseIgnored", sample, u"b"_s, {u"y"_s}},
        {"noCategoryNothingBefore", sample, u""_s, {}},
        {"missingCategory", sample, u"C"_s, {}},
        {"uncategorizedItems", {u"p"_s, u"q"_s, u" A"_s, u"x"_s}, u""_s, {u"p"_s, u"q"_s}},
        // Listing stops at an item without a name.
        {"stopsAtEmptyName", {u" A"_s, u"x"_s, u""_s, u"w"_s, u" B"_s}, u"A"_s, {u"x"_s}},
        {"uncategorizedStopsAtEmptyName", {u"p"_s, u""_s, u"q"_s}, u""_s, {u"p"_s}},
        {"emptyCategory", {u" A"_s, u" B"_s, u"y"_s}, u"A"_s, {}},
        {"lastCategory", {u" A"_s, u"x"_s, u" B"_s, u"y"_s, u"z"_s}, u"B"_s, {u"y"_s, u"z"_s}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TkavVariables vars;
        fill(vars, row.items);
        TStringList list;
        list.Add(u"stale"_s);
        vars.GetVariablesList(row.category, list);
        EXPECT_EQ(entries(list), row.expected);
    }
}

TEST(Variables, AddVariableTable)
{
    struct Row
    {
        const char *name;
        QStringList items;
        QString category;
        QString variable;
        QStringList expected;
        int changedIndex; // where the variable ends up; -1: nothing changes
    };
    const Row rows[] = {
        {"intoFirstCategory", sample, u"A"_s, u"z"_s, {u" A"_s, u"x"_s, u"z"_s, u" B"_s, u"y"_s}, 2},
        {"intoLastCategory", sample, u"B"_s, u"z"_s, {u" A"_s, u"x"_s, u" B"_s, u"y"_s, u"z"_s}, 4},
        {"categoryIgnoresCase", sample, u"a"_s, u"z"_s, {u" A"_s, u"x"_s, u"z"_s, u" B"_s, u"y"_s}, 2},
        {"intoEmptyCategory", {u" A"_s, u" B"_s}, u"A"_s, u"z"_s, {u" A"_s, u"z"_s, u" B"_s}, 1},
        {"missingCategory", sample, u"C"_s, u"z"_s, sample, -1},
        {"noSuchCategoryItem", {u"x"_s, u"y"_s}, u"A"_s, u"z"_s, {u"x"_s, u"y"_s}, -1},
        // An existing variable only gets its value, wherever it is.
        {"existingElsewhere", sample, u"B"_s, u"X"_s, sample, 1},
        // An empty name ends listing but not the category: new items go past it.
        {"pastEmptyName", {u" A"_s, u""_s, u" B"_s}, u"A"_s, u"z"_s, {u" A"_s, u""_s, u"z"_s, u" B"_s}, 2},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TkavVariables vars;
        fill(vars, row.items);
        vars.AddVariable(row.category, row.variable, u"new"_s);
        EXPECT_EQ(names(vars), row.expected);
        if (row.changedIndex >= 0) {
            EXPECT_EQ(vars.Items(row.changedIndex)->Value().AsString(), u"new"_s);
        }
        for (int i = 0; i < vars.Count(); ++i) {
            if (i != row.changedIndex) {
                EXPECT_NE(vars.Items(i)->Value().AsString(), u"new"_s) << i;
            }
        }
    }
}

TEST(Variables, DeleteCategoryTable)
{
    struct Row
    {
        const char *name;
        QStringList items;
        QString category;
        QStringList expected;
    };
    const Row rows[] = {
        {"first", sample, u"A"_s, {u" B"_s, u"y"_s}},
        {"last", sample, u"b"_s, {u" A"_s, u"x"_s}},
        {"missing", sample, u"C"_s, sample},
        {"plainNameIsNoCategory", sample, u"x"_s, sample},
        {"keepsUncategorized", {u"p"_s, u" A"_s, u"x"_s}, u"A"_s, {u"p"_s}},
        {"throughEmptyName", {u" A"_s, u"x"_s, u""_s, u"w"_s, u" B"_s, u"y"_s}, u"A"_s, {u" B"_s, u"y"_s}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TkavVariables vars;
        fill(vars, row.items);
        vars.DeleteCategory(row.category);
        EXPECT_EQ(names(vars), row.expected);
    }
}

TEST(Variables, IndexOfTable)
{
    TkavVariables vars;
    fill(vars, sample);
    struct Row
    {
        QString name;
        int expected;
    };
    const Row rows[] = {
        {u"x"_s, 1},
        {u"X"_s, 1},
        {u"A"_s, -1}, // categories only with their space
        {u" a"_s, 0},
        {u"y"_s, 3},
        {u"z"_s, -1},
        {u""_s, -1},
    };
    for (const Row &row : rows)
        EXPECT_EQ(vars.IndexOf(row.name), row.expected) << row.name.toStdString();
}

TEST(Variables, GetAndSetVariable)
{
    TkavVariables vars;
    fill(vars, sample);
    EXPECT_TRUE(vars.GetVariable(u"nothing"_s).IsNull());
    EXPECT_TRUE(vars.GetVariable(u"Y"_s).IsIdentical(Variant(3)));

    vars.SetVariable(u"Y"_s, 1.5); // existing: name kept, value replaced
    EXPECT_EQ(names(vars), sample);
    EXPECT_TRUE(vars.GetVariable(u"y"_s).IsIdentical(Variant(1.5)));

    vars.SetVariable(u"new"_s, true); // appended after the last category's items
    EXPECT_EQ(names(vars).last(), u"new"_s);
    EXPECT_EQ(vars.Count(), 5);

    // A new variable holds Null until it is given a value.
    EXPECT_TRUE(vars.Add()->Value().IsNull());
}

TEST(Variables, DeleteVariable)
{
    TkavVariables vars;
    fill(vars, sample);
    vars.DeleteVariable(u"X"_s);
    EXPECT_EQ(names(vars), QStringList({u" A"_s, u" B"_s, u"y"_s}));
    vars.DeleteVariable(u"A"_s); // no such item: the category needs its space
    EXPECT_EQ(vars.Count(), 3);
    vars.DeleteVariable(u" a"_s);
    EXPECT_EQ(names(vars), QStringList({u" B"_s, u"y"_s}));
}

TEST(Variables, IdentityIsTheName)
{
    TkavVariables vars;
    vars.SetVariable(u"Rate"_s, 1);
    vars.Add(); // unnamed: keeps its generated identity
    EXPECT_EQ(vars.FindByName(u"Rate"_s), vars.Items(0));
    EXPECT_EQ(vars.FindByName(u"rate"_s), nullptr);
    // "Rate" holds no generated name, so the unnamed item is the first of its class.
    EXPECT_EQ(vars.FindByName(u"TkavVariable1"_s), vars.Items(1));
}

// --- the variables file ------------------------------------------------------------------

TEST(VariablesFile, ExactLayout)
{
    TkavVariables vars;
    vars.SetVariable(u" Dates"_s, u""_s);
    vars.SetVariable(u"Start"_s, u"Date - 30"_s);
    EXPECT_EQ(saved(vars),
              document("<variables>\r\n"
                       "  <item Name=\" Dates\" Value=\"\"/>\r\n"
                       "  <item Name=\"Start\" Value=\"Date - 30\"/>\r\n"
                       "</variables>\r\n"));
}

TEST(VariablesFile, EmptyNameIsOmittedAndValueAlwaysWritten)
{
    TkavVariables vars;
    vars.Add(); // no name, Null value
    EXPECT_EQ(saved(vars), document("<variables>\r\n  <item Value=\"\"/>\r\n</variables>\r\n"));
}

TEST(VariablesFile, RoundTripGivesIdenticalBytes)
{
    TkavVariables vars;
    vars.SetVariable(u"plain"_s, u"Date - 30"_s);
    vars.SetVariable(u" Cat\u00e9gorie"_s, u""_s);
    vars.SetVariable(u"quotes"_s, u"'a' + \"b\" & <c>"_s);
    vars.SetVariable(u"lines"_s, u"first\r\nsecond"_s);
    vars.SetVariable(u"rate"_s, 0.1);
    vars.SetVariable(u"count"_s, 5);
    vars.Add()->SetValue(u"nameless"_s);
    const QByteArray first = saved(vars);

    TkavVariables reloaded;
    load(reloaded, first);
    EXPECT_EQ(names(reloaded), names(vars));
    EXPECT_EQ(reloaded.GetVariable(u"lines"_s).AsString(), u"first\r\nsecond"_s);
    EXPECT_EQ(reloaded.GetVariable(u"quotes"_s).AsString(), u"'a' + \"b\" & <c>"_s);
    EXPECT_EQ(saved(reloaded), first);
}

TEST(VariablesFile, EveryValueKindComesBackAsText)
{
    struct Row
    {
        const char *name;
        Variant value;
        QString expected; // the string read back, under either locale
    };
    const TDateTime day = EncodeDate(2026, 12, 9);
    const Row rows[] = {
        {"integer", Variant(5), u"5"_s},
        {"negativeInt64", Variant(qint64(-9000000000)), u"-9000000000"_s},
        {"byte", Variant::FromInteger(200, varByte), u"200"_s},
        {"double", Variant(1.5), u"1.5"_s},
        {"smallDouble", Variant(-0.000125), u"-0.000125"_s},
        {"single", Variant::FromSingle(0.1f), u"0.1"_s},
        {"currency", Variant::FromCurrencyUnits(123456), u"12.3456"_s},
        {"booleanTrue", Variant(true), u"True"_s},
        {"booleanFalse", Variant(false), u"False"_s},
        {"null", Variant::Null(), u""_s},
        {"empty", Variant(), u""_s},
        {"string", Variant(u"1,5 & 2"_s), u"1,5 & 2"_s},
        // Dates keep the text the locale gives them (checked against that below).
        {"date", Variant::FromDate(day), QString()},
    };
    for (const TFormatSettings &fs : {TFormatSettings::Invariant(), commaSettings()}) {
        TkavFormatSettingsGuard guard(fs);
        for (const Row &row : rows) {
            SCOPED_TRACE(std::string(row.name) + " separator " + QString(fs.DecimalSeparator).toStdString());
            const QString expected = row.expected.isNull() ? DateTimeToStr(day) : row.expected;
            TkavVariables vars;
            vars.SetVariable(u"v"_s, row.value);
            // The text as written, before any reading rule could mend it.
            TkavXMLItem element(u"variables"_s);
            vars.SaveToXMLItem(element);
            EXPECT_EQ(element.Items(0)->GetProp(u"Value"), expected);

            TkavVariables reloaded;
            load(reloaded, saved(vars));
            const Variant back = reloaded.GetVariable(u"v"_s);
            EXPECT_EQ(back.Type(), int(varString));
            EXPECT_EQ(back.AsString(), expected);
        }
    }
}

TEST(VariablesFile, ValuesWithoutTextFormFailBeforeWriting)
{
    TkavVariables vars;
    vars.SetVariable(u"ok"_s, 1);
    vars.SetVariable(u"list"_s, VarArrayOf({Variant(1), Variant(2)}));
    TMemoryStream stream;
    EXPECT_THROW(vars.SaveToStream(stream), EkavError);
    EXPECT_EQ(stream.Size(), 0);

    TkavVariables objects;
    objects.SetVariable(u"self"_s, Variant::FromObject(&objects));
    EXPECT_THROW(objects.SaveToStream(stream), EkavError);

    // On disk the previous file survives.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"v.ku3"_s);
    TkavVariables good;
    good.SetVariable(u"a"_s, 1);
    good.SaveToFile(path);
    EXPECT_THROW(vars.SaveToFile(path), EkavError);
    TkavVariables check;
    check.LoadFromFile(path);
    EXPECT_EQ(names(check), QStringList({u"a"_s}));
}

TEST(VariablesFile, LegacyCommaFloatsReadAsNumbers)
{
    struct Row
    {
        QByteArray stored;
        QString expected;
    };
    const Row rows[] = {
        {"1,5", u"1.5"_s},
        {"-2,5E-3", u"-2.5E-3"_s},
        {"+10,25", u"+10.25"_s},
        {"1.5", u"1.5"_s},
        // Anything but a lone decimal comma is text or an expression: left alone.
        {"1,5,6", u"1,5,6"_s},
        {"a,b", u"a,b"_s},
        {"Max(1,2)", u"Max(1,2)"_s},
        {"1, 5", u"1, 5"_s},
        {",5", u",5"_s},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.stored.toStdString());
        TkavVariables vars;
        load(vars, document("<variables><item Name=\"r\" Value=\"" + row.stored + "\"/></variables>"));
        EXPECT_EQ(vars.GetVariable(u"r"_s).AsString(), row.expected);
    }
}

TEST(VariablesFile, ReadingRules)
{
    TkavVariables vars;
    vars.SetVariable(u"old"_s, 1);
    load(vars,
         document("<VARIABLES>"
                  "<ITEM Name=\"a\" Value=\"1\"/>"
                  "<other Name=\"skipped\"/>"
                  "<item Value=\"nameless\"/>"
                  "<item Name=\"noValue\"/>"
                  "<item Name=\"esc\" Value=\"&#13;&#10;&quot;\"/>"
                  "</VARIABLES>"));
    EXPECT_EQ(names(vars), QStringList({u"a"_s, u""_s, u"noValue"_s, u"esc"_s}));
    EXPECT_EQ(vars.Items(1)->Value().AsString(), u"nameless"_s);
    EXPECT_TRUE(vars.Items(2)->Value().IsNull()); // no Value attribute: stays Null
    EXPECT_EQ(vars.Items(3)->Value().AsString(), u"\r\n\""_s);
}

TEST(VariablesFile, BrokenFilesRaiseAndKeepTheList)
{
    const QByteArray valid = document("<variables>\r\n"
                                      "  <item Name=\"a\" Value=\"1\"/>\r\n"
                                      "</variables>\r\n");
    struct Row
    {
        const char *name;
        QByteArray bytes;
    };
    const Row rows[] = {
        {"empty", QByteArray()},
        {"notXml", "hello"},
        {"wrongRoot", document("<foo><item Name=\"a\" Value=\"1\"/></foo>")},
        {"cutInsideItem", document("<variables><item Name=\"a\" Val")},
        {"unclosedItem", document("<variables><item Name=\"a\" Value=\"1\"></variables>")},
        {"noHeader", "<variables/>"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TkavVariables vars;
        fill(vars, sample);
        EXPECT_THROW(load(vars, row.bytes), TkavInvalidXMLException);
        EXPECT_EQ(names(vars), sample);
    }
    // Every cut inside a tag fails the same way. A cut between tags reads what precedes
    // it: the document closes elements still open at the end of the data.
    const qsizetype complete = valid.indexOf("</variables>") + qsizetype(strlen("</variables>"));
    for (qsizetype len = 0; len < complete; ++len) {
        const QByteArray cut = valid.left(len);
        TkavVariables vars;
        fill(vars, sample);
        if (cut.trimmed().endsWith('>') && cut.contains("<variables")) {
            load(vars, cut);
            EXPECT_EQ(names(vars), cut.contains("<item") ? QStringList({u"a"_s}) : QStringList())
                << len;
            continue;
        }
        EXPECT_THROW(load(vars, cut), TkavInvalidXMLException) << len;
        EXPECT_EQ(names(vars), sample) << len;
    }
}

TEST(VariablesFile, Files)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"vars.ku3"_s);
    TkavVariables vars;
    fill(vars, sample);
    vars.SaveToFile(path);
    vars.SaveToFile(path); // written anew, not appended

    TkavVariables reloaded;
    reloaded.LoadFromFile(path);
    EXPECT_EQ(names(reloaded), sample);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), saved(vars));

    EXPECT_THROW(reloaded.LoadFromFile(dir.filePath(u"missing.ku3"_s)), EFOpenError);
    EXPECT_EQ(names(reloaded), sample);
}

TEST(VariablesFile, XMLItemOfTheReportFile)
{
    TkavVariables vars;
    fill(vars, sample);
    TkavXMLItem element(u"Variables"_s);
    vars.SaveToXMLItem(element);
    ASSERT_EQ(element.Count(), 4);
    EXPECT_EQ(element.Items(0)->Name(), u"item"_s);
    EXPECT_EQ(element.Items(0)->GetProp(u"Name"), u" A"_s);
    EXPECT_EQ(element.Items(3)->GetProp(u"Value"), u"3"_s);

    // An InheritedName attribute gives an unnamed item its identity.
    element.Add(u"item"_s)->SetText(u"InheritedName=\"TkavVariable9\" Value=\"v\""_s);
    TkavVariables reloaded;
    reloaded.LoadFromXMLItem(element);
    ASSERT_EQ(reloaded.Count(), 5);
    EXPECT_EQ(reloaded.FindByName(u"TkavVariable9"_s), reloaded.Items(4));
}

// --- the associative array and the process-wide list -------------------------------------

TEST(Array, KeyedByTheTextOfTheIndex)
{
    TkavArray a;
    a.SetVariable(5, u"five"_s);
    a.SetVariable(u"Key"_s, 1);
    EXPECT_EQ(a.Count(), 2);
    EXPECT_EQ(a.GetVariable(u"5"_s).AsString(), u"five"_s);  // 5 and "5" are one key
    EXPECT_TRUE(a.GetVariable(u"KEY"_s).IsIdentical(Variant(1)));
    EXPECT_TRUE(a.GetVariable(u"missing"_s).IsNull());
    EXPECT_EQ(a.IndexOf(u"key"_s), 1);
    EXPECT_EQ(a.IndexOf(Variant(6)), -1);

    a.SetVariable(u"KEY"_s, 2); // replaces, keeps the first spelling
    EXPECT_EQ(a.Count(), 2);
    EXPECT_EQ(a.Items(1)->Name(), u"Key"_s);
    EXPECT_TRUE(a.GetVariable(u"key"_s).IsIdentical(Variant(2)));

    // An array has no text to key by.
    EXPECT_THROW(a.SetVariable(VarArrayOf({Variant(1)}), 0), EVariantError);
    EXPECT_EQ(a.Count(), 2);
}

TEST(GlobalVariables, OneListForTheProcess)
{
    TkavVariables &globals = kavGlobalVariables();
    EXPECT_EQ(&globals, &kavGlobalVariables());
    globals.SetVariable(u"CopyName0"_s, u"Original"_s);
    EXPECT_EQ(kavGlobalVariables().GetVariable(u"copyname0"_s).AsString(), u"Original"_s);
    globals.DeleteVariable(u"CopyName0"_s);
    EXPECT_TRUE(kavGlobalVariables().GetVariable(u"CopyName0"_s).IsNull());
}
