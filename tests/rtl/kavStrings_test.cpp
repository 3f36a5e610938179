// String lists: text and delimited forms, sorting and searching, duplicates, name=value
// entries, objects, change notification, index errors, files and streams.
#include "rtl/kavExceptions.h"
#include "rtl/kavStreams.h"
#include "rtl/kavStrings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace {

QStringList L(std::initializer_list<const char16_t *> items)
{
    QStringList result;
    for (const char16_t *s : items)
        result.append(QString::fromUtf16(s));
    return result;
}

void fill(TStrings &list, const QStringList &items)
{
    list.Clear();
    for (const QString &s : items)
        list.Add(s);
}

class Marker : public TObject
{
};

class PlainPersistent : public TPersistent
{
};

// --- Text ----------------------------------------------------------------------------

struct TextCase
{
    const char16_t *text;
    QStringList lines;
};

TEST(StringsText, SplitsAtCrLfAndCrLf)
{
    const TextCase cases[] = {
        {u"", {}},
        {u"a", L({u"a"})},
        {u"a\r\nb", L({u"a", u"b"})},
        {u"a\rb", L({u"a", u"b"})},
        {u"a\nb", L({u"a", u"b"})},
        {u"a\r\n", L({u"a"})},          // a final line break adds no empty line
        {u"a\n\n", L({u"a", u""})},     // but an empty line before it stays
        {u"\r\n", L({u""})},
        {u"a\n\rb", L({u"a", u"", u"b"})}, // LF CR is two breaks
        {u"a\r\rb", L({u"a", u"", u"b"})},
        {u" x \r\n\r\ny", L({u" x ", u"", u"y"})},
    };
    for (const TextCase &c : cases) {
        TStringList list;
        list.Add(QStringLiteral("old"));
        list.SetText(QString::fromUtf16(c.text));
        EXPECT_EQ(list.ToStringList(), c.lines) << QString::fromUtf16(c.text).toStdString();
    }
}

TEST(StringsText, JoinsWithCrLfAfterEveryLine)
{
    TStringList list;
    EXPECT_EQ(list.Text(), QString());
    fill(list, L({u"a", u"", u"b"}));
    EXPECT_EQ(list.Text(), QStringLiteral("a\r\n\r\nb\r\n"));
    TStringList back;
    back.SetText(list.Text());
    EXPECT_TRUE(back.Equals(list));
}

// --- CommaText and DelimitedText -------------------------------------------------------

TEST(StringsCommaText, WritesQuotesOnlyWhereNeeded)
{
    const std::pair<QStringList, QString> cases[] = {
        {{}, QString()},
        {L({u""}), QStringLiteral("\"\"")},
        {L({u"a", u"b"}), QStringLiteral("a,b")},
        {L({u"a b", u"c\"d"}), QStringLiteral("\"a b\",\"c\"\"d\"")},
        {L({u"a", u"", u"b"}), QStringLiteral("a,,b")},
        {L({u"x,y"}), QStringLiteral("\"x,y\"")},
        {L({u"tab\tx", u"\u00e9"}), QStringLiteral("\"tab\tx\",\u00e9")},
        {L({u"a", u""}), QStringLiteral("a,")},
    };
    for (const auto &[items, text] : cases) {
        TStringList list;
        fill(list, items);
        EXPECT_EQ(list.CommaText(), text);
    }
}

TEST(StringsCommaText, ReadsQuotedAndBareFields)
{
    const std::pair<QString, QStringList> cases[] = {
        {QString(), {}},
        {QStringLiteral("   "), {}},
        {QStringLiteral("\"a b\",c\"\"d"), L({u"a b", u"c\"\"d"})}, // quotes count only at a field's start
        {QStringLiteral("a b"), L({u"a", u"b"})},                  // blanks separate bare fields
        {QStringLiteral(" a , b "), L({u"a", u"b"})},
        {QStringLiteral("a,,b"), L({u"a", u"", u"b"})},
        {QStringLiteral("a,"), L({u"a", u""})},
        {QStringLiteral(",a"), L({u"", u"a"})},
        {QStringLiteral("\"x\"\"y\""), L({u"x\"y"})},
        {QStringLiteral("\"\""), L({u""})},
        {QStringLiteral("\"open"), L({u"open"})},
        {QStringLiteral("\"ab\"cd,e"), L({u"ab", u"cd", u"e"})},
    };
    for (const auto &[text, items] : cases) {
        TStringList list;
        list.Add(QStringLiteral("old"));
        list.SetCommaText(text);
        EXPECT_EQ(list.ToStringList(), items) << text.toStdString();
    }
}

TEST(StringsCommaText, RoundTripsAnyList)
{
    const QStringList lists[] = {
        L({u""}), L({u"", u""}), L({u"a b", u"c\"d", u",", u" lead", u"trail "}),
        L({u"x", u"", u"y", u""}), L({u"\"quoted\""}),
    };
    for (const QStringList &items : lists) {
        TStringList list;
        fill(list, items);
        TStringList back;
        back.SetCommaText(list.CommaText());
        EXPECT_EQ(back.ToStringList(), items) << list.CommaText().toStdString();
    }
}

TEST(StringsDelimitedText, UsesDelimiterQuoteAndStrictMode)
{
    TStringList list;
    list.SetDelimiter(u';');
    list.SetQuoteChar(u'\'');
    list.SetDelimitedText(QStringLiteral("a b;'c;d';'it''s'"));
    EXPECT_EQ(list.ToStringList(), L({u"a", u"b", u"c;d", u"it's"}));
    EXPECT_EQ(list.DelimitedText(), QStringLiteral("a;b;'c;d';'it''s'"));

    list.SetStrictDelimiter(true);
    list.SetDelimitedText(QStringLiteral(" a b ;c"));
    EXPECT_EQ(list.ToStringList(), L({u" a b ", u"c"}));
    EXPECT_EQ(list.DelimitedText(), QStringLiteral(" a b ;c"));
    // CommaText keeps its own rules whatever the delimiter settings are.
    EXPECT_EQ(list.CommaText(), QStringLiteral("\" a b \",c"));
}

// --- Sorting, Find, duplicates, case ----------------------------------------------------

TEST(StringListSorted, AddsInOrderAndFinds)
{
    TStringList list;
    list.SetSorted(true);
    for (const QString &s : L({u"pear", u"Apple", u"fig", u"banana", u"cherry"}))
        list.Add(s);
    EXPECT_EQ(list.ToStringList(), L({u"Apple", u"banana", u"cherry", u"fig", u"pear"}));

    const struct
    {
        const char16_t *text;
        bool found;
        int index;
    } finds[] = {
        {u"apple", true, 0}, {u"CHERRY", true, 2}, {u"pear", true, 4},
        {u"aardvark", false, 0}, {u"date", false, 3}, {u"zebra", false, 5},
    };
    for (const auto &f : finds) {
        int index = -1;
        EXPECT_EQ(list.Find(QString::fromUtf16(f.text), index), f.found) << QString::fromUtf16(f.text).toStdString();
        EXPECT_EQ(index, f.index) << QString::fromUtf16(f.text).toStdString();
    }
    EXPECT_EQ(list.IndexOf(QStringLiteral("FIG")), 3);
    EXPECT_EQ(list.IndexOf(QStringLiteral("kiwi")), -1);
}

TEST(StringListSorted, TurningSortedOnSortsAndBlocksPositionalEdits)
{
    TStringList list;
    fill(list, L({u"c", u"a", u"b"}));
    list.SetSorted(true);
    EXPECT_EQ(list.ToStringList(), L({u"a", u"b", u"c"}));
    const std::function<void()> edits[] = {
        [&] { list.Insert(0, QStringLiteral("z")); },
        [&] { list.Exchange(0, 1); },
        [&] { list.Move(0, 2); },
        [&] { list.SetStrings(0, QStringLiteral("z")); },
    };
    for (const auto &edit : edits) {
        try {
            edit();
            ADD_FAILURE() << "a positional edit of a sorted list went through";
        } catch (const EListError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Operation not allowed on sorted list"));
        }
    }
    EXPECT_EQ(list.ToStringList(), L({u"a", u"b", u"c"}));
}

struct DuplicatesCase
{
    TDuplicates mode;
    bool caseSensitive;
    QStringList expected;
    bool raises;
};

TEST(StringListSorted, DuplicatesModes)
{
    const DuplicatesCase cases[] = {
        {dupIgnore, false, L({u"a", u"b"}), false},
        {dupAccept, false, L({u"a", u"B", u"b"}), false}, // the newcomer goes before its equals
        {dupError, false, L({u"a", u"b"}), true},
        {dupIgnore, true, L({u"B", u"a", u"b"}), false},  // "B" is another text, ordered before "a"
        {dupError, true, L({u"B", u"a", u"b"}), false},
    };
    for (const DuplicatesCase &c : cases) {
        TStringList list;
        list.SetSorted(true);
        list.SetCaseSensitive(c.caseSensitive);
        list.SetDuplicates(c.mode);
        list.Add(QStringLiteral("b"));
        list.Add(QStringLiteral("a"));
        bool raised = false;
        try {
            const int index = list.Add(QStringLiteral("B"));
            EXPECT_EQ(list.Get(index).toLower(), QStringLiteral("b"));
        } catch (const EListError &e) {
            raised = true;
            EXPECT_EQ(e.Message(), QStringLiteral("String list does not allow duplicates"));
        }
        EXPECT_EQ(raised, c.raises) << int(c.mode) << c.caseSensitive;
        EXPECT_EQ(list.ToStringList(), c.expected) << int(c.mode) << c.caseSensitive;
    }
}

TEST(StringListCase, SensitivityDecidesSearches)
{
    TStringList list;
    fill(list, L({u"Alpha", u"\u00c9t\u00e9", u"beta"}));
    EXPECT_EQ(list.IndexOf(QStringLiteral("ALPHA")), 0);
    EXPECT_EQ(list.IndexOf(QString::fromUtf16(u"\u00e9T\u00c9")), 1);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf(QStringLiteral("ALPHA")), -1);
    EXPECT_EQ(list.IndexOf(QStringLiteral("Alpha")), 0);

    // Changing the rule re-sorts a sorted list.
    TStringList sorted;
    fill(sorted, L({u"b", u"A", u"a", u"B"}));
    sorted.SetCaseSensitive(true);
    sorted.SetSorted(true);
    EXPECT_EQ(sorted.ToStringList(), L({u"A", u"B", u"a", u"b"}));
    sorted.SetCaseSensitive(false);
    EXPECT_EQ(sorted.Get(0).toLower(), QStringLiteral("a"));
    EXPECT_EQ(sorted.Get(1).toLower(), QStringLiteral("a"));
    EXPECT_EQ(sorted.Get(3).toLower(), QStringLiteral("b"));
}

TEST(StringListSort, SortIsStableAndCustomSortUsesTheComparer)
{
    TStringList list;
    fill(list, L({u"b", u"B", u"a", u"A"}));
    list.Sort();
    EXPECT_EQ(list.ToStringList(), L({u"a", u"A", u"b", u"B"}));
    EXPECT_FALSE(list.Sorted());

    fill(list, L({u"ccc", u"a", u"bb", u"dd"}));
    list.CustomSort([](const TStringList &l, int i, int j) { return int(l.Get(i).size() - l.Get(j).size()); });
    EXPECT_EQ(list.ToStringList(), L({u"a", u"bb", u"dd", u"ccc"}));
}

// --- Name=value -------------------------------------------------------------------------

TEST(StringsNameValue, ReadsWritesAndDeletes)
{
    TStringList list;
    fill(list, L({u"Left=10", u"plain", u"Top=20=x", u"Empty="}));
    EXPECT_EQ(list.Names(0), QStringLiteral("Left"));
    EXPECT_EQ(list.Names(1), QString());
    EXPECT_EQ(list.Values(QStringLiteral("left")), QStringLiteral("10"));
    EXPECT_EQ(list.Values(QStringLiteral("Top")), QStringLiteral("20=x"));
    EXPECT_EQ(list.Values(QStringLiteral("plain")), QString());
    EXPECT_EQ(list.Values(QStringLiteral("missing")), QString());
    EXPECT_EQ(list.ValueFromIndex(1), QString());
    EXPECT_EQ(list.ValueFromIndex(2), QStringLiteral("20=x"));
    EXPECT_EQ(list.IndexOfName(QStringLiteral("EMPTY")), 3);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("plain")), -1);

    list.SetValues(QStringLiteral("top"), QStringLiteral("5"));
    EXPECT_EQ(list.Get(2), QStringLiteral("top=5"));
    list.SetValues(QStringLiteral("Width"), QStringLiteral("7"));
    EXPECT_EQ(list.Get(4), QStringLiteral("Width=7"));
    list.SetValues(QStringLiteral("left"), QString());
    EXPECT_EQ(list.ToStringList(), L({u"plain", u"top=5", u"Empty=", u"Width=7"}));
    list.SetValueFromIndex(0, QStringLiteral("v"));
    EXPECT_EQ(list.Get(0), QStringLiteral("=v"));
    list.SetValueFromIndex(0, QString());
    EXPECT_EQ(list.Count(), 3);

    list.SetNameValueSeparator(u':');
    list.SetValues(QStringLiteral("k"), QStringLiteral("v"));
    EXPECT_EQ(list.Get(3), QStringLiteral("k:v"));
    EXPECT_EQ(list.Values(QStringLiteral("K")), QStringLiteral("v"));
}

// --- Editing, objects, errors -------------------------------------------------------------

TEST(StringsEditing, ObjectsTravelWithTheirEntries)
{
    Marker m1, m2, m3;
    TStringList list;
    list.AddObject(QStringLiteral("one"), &m1);
    list.AddObject(QStringLiteral("two"), &m2);
    list.InsertObject(0, QStringLiteral("zero"), &m3);
    EXPECT_EQ(list.IndexOfObject(&m1), 1);
    list.Move(0, 2);
    EXPECT_EQ(list.ToStringList(), L({u"one", u"two", u"zero"}));
    EXPECT_EQ(list.Objects(2), &m3);
    list.Exchange(0, 1);
    EXPECT_EQ(list.Objects(0), &m2);
    EXPECT_EQ(list.Objects(1), &m1);
    list.SetStrings(0, QStringLiteral("TWO"));
    EXPECT_EQ(list.Objects(0), &m2);
    list.Delete(0);
    EXPECT_EQ(list.IndexOfObject(&m2), -1);
    EXPECT_EQ(list.IndexOfObject(nullptr), -1);

    TStringList copy;
    copy.Assign(list);
    EXPECT_TRUE(copy.Equals(list));
    EXPECT_EQ(copy.Objects(1), &m3);
    copy.AddStrings(copy);
    EXPECT_EQ(copy.ToStringList(), L({u"one", u"zero", u"one", u"zero"}));
    EXPECT_EQ(copy.Objects(3), &m3);
    EXPECT_FALSE(copy.Equals(list));
}

TEST(StringsEditing, AssignTakesSortingRulesFromAStringList)
{
    TStringList source;
    source.SetCaseSensitive(true);
    source.SetDuplicates(dupError);
    source.SetSorted(true);
    fill(source, L({u"b", u"a"}));
    TStringList target;
    fill(target, L({u"x"}));
    target.Assign(source);
    EXPECT_TRUE(target.Sorted());
    EXPECT_TRUE(target.CaseSensitive());
    EXPECT_EQ(target.Duplicates(), dupError);
    EXPECT_EQ(target.ToStringList(), L({u"a", u"b"}));
    EXPECT_THROW(target.Add(QStringLiteral("a")), EListError);
    TStringList third;
    EXPECT_TRUE(source.AssignTo(third));
    EXPECT_TRUE(third.Equals(source));
    PlainPersistent notAList;
    EXPECT_FALSE(source.AssignTo(notAList));
    EXPECT_THROW(target.Assign(notAList), EConvertError);
    EXPECT_EQ(target.Count(), 2);
}

TEST(StringsEditing, IndexErrorsNameTheIndex)
{
    TStringList list;
    fill(list, L({u"a", u"b"}));
    const std::pair<std::function<void()>, int> cases[] = {
        {[&] { (void)list.Get(-1); }, -1},
        {[&] { (void)list.Get(2); }, 2},
        {[&] { (void)list.Objects(5); }, 5},
        {[&] { list.Delete(2); }, 2},
        {[&] { list.Insert(3, QStringLiteral("x")); }, 3},
        {[&] { list.Insert(-1, QStringLiteral("x")); }, -1},
        {[&] { list.Exchange(0, 7); }, 7},
        {[&] { list.Move(4, 0); }, 4},
        {[&] { list.SetObjects(9, nullptr); }, 9},
        {[&] { (void)list.ValueFromIndex(2); }, 2},
    };
    for (const auto &[operation, index] : cases) {
        try {
            operation();
            ADD_FAILURE() << "no error for index " << index;
        } catch (const EListError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("List index out of bounds (%1)").arg(index));
        }
    }
    EXPECT_EQ(list.ToStringList(), L({u"a", u"b"}));
    list.Insert(2, QStringLiteral("c")); // Count itself is a valid insert position
    EXPECT_EQ(list.Get(2), QStringLiteral("c"));
}

TEST(StringsEditing, ChangeEventsRespectUpdateBrackets)
{
    TStringList list;
    int changes = 0;
    int changing = 0;
    list.SetOnChange([&](TStrings &sender) {
        EXPECT_EQ(&sender, &list);
        ++changes;
    });
    list.SetOnChanging([&](TStrings &) { ++changing; });
    list.Add(QStringLiteral("a"));
    list.Add(QStringLiteral("b"));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(changing, 2);

    list.SetText(QStringLiteral("x\ny\nz")); // one bracket around clear and adds
    EXPECT_EQ(changes, 3);
    list.BeginUpdate();
    list.BeginUpdate();
    list.Delete(0);
    list.Add(QStringLiteral("w"));
    list.EndUpdate();
    EXPECT_EQ(changes, 3);
    list.EndUpdate();
    EXPECT_EQ(changes, 4);
    list.EndUpdate(); // unbalanced: ignored
    EXPECT_EQ(list.UpdateCount(), 0);
    EXPECT_EQ(changes, 4);
}

// --- Streams and files ---------------------------------------------------------------------

TEST(StringsFiles, SaveAndLoadUtf8)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    TStringList list;
    fill(list, L({u"Ol\u00e1", u"", u"\u65e5\u672c \U0001F600"}));
    list.SaveToFile(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), list.Text().toUtf8()); // UTF-8 without byte-order mark
    TStringList back;
    back.LoadFromFile(path);
    EXPECT_TRUE(back.Equals(list));
}

TEST(StringsFiles, ReadsByteOrderMarksAndLegacyBytes)
{
    const std::pair<QByteArray, QStringList> cases[] = {
        {QByteArray("\xEF\xBB\xBF" "a\r\n\xC3\xA9", 8), L({u"a", u"\u00e9"})},
        {QByteArray("\xFF\xFE" "a\0\n\0\xE9\0", 8), L({u"a", u"\u00e9"})},
        {QByteArray("\xFE\xFF" "\0a\0\n\0\xE9", 8), L({u"a", u"\u00e9"})},
        {QByteArray("caf\xE9\r\n"), L({u"caf\u00e9"})}, // not UTF-8: the legacy code page
        {QByteArray(), {}},
    };
    for (const auto &[bytes, lines] : cases) {
        TMemoryStream stream(bytes);
        TStringList list;
        list.LoadFromStream(stream);
        EXPECT_EQ(list.ToStringList(), lines) << bytes.toHex().toStdString();
    }
}

TEST(StringsFiles, LoadStartsAtTheStreamPosition)
{
    TMemoryStream stream(QByteArray("skip|x\ny"));
    stream.SetPosition(5);
    TStringList list;
    list.LoadFromStream(stream);
    EXPECT_EQ(list.ToStringList(), L({u"x", u"y"}));
    TMemoryStream out;
    list.SaveToStream(out);
    EXPECT_EQ(out.Data(), QByteArray("x\r\ny\r\n"));
}

TEST(StringsFiles, FailuresRaiseAndKeepThePreviousFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TStringList list;
    EXPECT_THROW(list.LoadFromFile(dir.filePath(QStringLiteral("missing.txt"))), EFOpenError);
    list.Add(QStringLiteral("x"));
    EXPECT_THROW(list.SaveToFile(dir.filePath(QStringLiteral("no/such/folder/f.txt"))), EStreamError);

    // A folder we cannot write into: the old file survives a failed save.
    const QString sub = dir.filePath(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkpath(sub));
    const QString path = sub + QStringLiteral("/keep.txt");
    TStringList old;
    old.Add(QStringLiteral("previous"));
    old.SaveToFile(path);
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool writable = QFileInfo(sub).isWritable(); // running as root ignores modes
    if (!writable) {
        EXPECT_THROW(list.SaveToFile(path), EStreamError);
    }
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!writable) {
        TStringList back;
        back.LoadFromFile(path);
        EXPECT_EQ(back.ToStringList(), L({u"previous"}));
    }
}

} // namespace
