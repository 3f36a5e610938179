// The aliases of prepared reports: unique names by probing, lookups ignoring case, the
// sorted list files store.

#include <prepared/kavDictionary.h>
#include <report/kavViews.h>

#include <QSet>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(Dictionary, UniqueNamesCountUpFromTheFirstProbeInUse)
{
    TkavDictionary d;
    EXPECT_EQ(d.CreateUniqueName(u"m"_s), u"m1"_s);
    for (int i = 0; i < 5; ++i)
        d.AddUnique(u"m"_s, u"Page0.Memo"_s + QString::number(i), nullptr);
    EXPECT_EQ(d.Names(), (QStringList{u"m1"_s, u"m2"_s, u"m3"_s, u"m4"_s, u"m5"_s}));
    EXPECT_EQ(d.CreateUniqueName(u"m"_s), u"m6"_s);
    EXPECT_EQ(d.CreateUniqueName(u"b"_s), u"b1"_s) << "bases are separate";

    // A hit on a probe starts the count there: m2 exists, so m3 is next, not m1.
    TkavDictionary gaps;
    gaps.Add(u"m2"_s, u"Page0.A"_s, nullptr);
    EXPECT_EQ(gaps.CreateUniqueName(u"m"_s), u"m3"_s);
    gaps.Add(u"M10000"_s, u"Page0.B"_s, nullptr);
    EXPECT_EQ(gaps.CreateUniqueName(u"m"_s), u"m10001"_s) << "probes compare ignoring case";
}

TEST(Dictionary, ManyAliasesStayUniqueAndInSequence)
{
    TkavDictionary d;
    QSet<QString> seen;
    for (int i = 0; i < 30000; ++i)
        seen.insert(d.AddUnique(u"m"_s, QString::number(i), nullptr).toLower());
    EXPECT_EQ(seen.size(), 30000);
    EXPECT_TRUE(d.Contains(u"m30000"_s)) << "numbers run 1..n without gaps";
    EXPECT_FALSE(d.Contains(u"m30001"_s));
    // A name taken by hand is skipped by the sequence.
    d.Add(u"m30001"_s, u"Page0.X"_s, nullptr);
    EXPECT_EQ(d.AddUnique(u"m"_s, u"Page0.Y"_s, nullptr), u"m30002"_s);
}

TEST(Dictionary, LookupsIgnoreCase)
{
    TkavMemoView memo;
    TkavDictionary d;
    d.Add(u"m1"_s, u"Page0.Memo1"_s, &memo);
    d.Add(u"b1"_s, u"Page0.Band1"_s, nullptr);
    EXPECT_EQ(d.GetObject(u"M1"_s), &memo);
    EXPECT_EQ(d.GetSourceName(u"m1"_s), u"Page0.Memo1"_s);
    EXPECT_EQ(d.GetObject(u"x9"_s), nullptr);
    EXPECT_EQ(d.GetSourceName(u"x9"_s), QString());
    EXPECT_EQ(d.Names(), (QStringList{u"b1"_s, u"m1"_s})) << "sorted";
    EXPECT_EQ(d.SourceNames(), (QStringList{u"Page0.Memo1"_s, u"Page0.Band1"_s})) << "added order";
    d.Clear();
    EXPECT_EQ(d.Count(), 0);
    EXPECT_FALSE(d.Contains(u"m1"_s));
}

} // namespace
