// Collections: item identities, ownership, moves, index checks and copies.
#include <persist/kavCollections.h>
#include <persist/kavVariables.h>

#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The inherited names of a collection's items, in order.
QStringList identities(const TkavCollection &c)
{
    QStringList names;
    for (int i = 0; i < c.Count(); ++i)
        names << c.Items(i)->GetInheritedName();
    return names;
}

// A collection of plain items named a, b, c ... through their inherited names.
std::unique_ptr<TkavCollection> lettered(int count)
{
    auto c = std::make_unique<TkavCollection>(TkavCollectionItem::StaticClassInfo());
    for (int i = 0; i < count; ++i)
        c->Add()->SetInheritedName(QString(QChar(u'a' + i)));
    return c;
}

} // namespace

TEST(Collection, NewItemsGetClassNameIdentities)
{
    TkavCollection plain(TkavCollectionItem::StaticClassInfo());
    plain.Add();
    plain.Add();
    EXPECT_EQ(identities(plain), QStringList({u"TkavCollectionItem1"_s, u"TkavCollectionItem2"_s}));

    TkavVariables vars;
    vars.Add();
    vars.Insert(0);
    // Insert at 0 still gets the next free number.
    EXPECT_EQ(identities(vars), QStringList({u"TkavVariable2"_s, u"TkavVariable1"_s}));
}

TEST(Collection, UniqueNameTakesSmallestFreeNumberIgnoringCase)
{
    TkavCollection c(TkavCollectionItem::StaticClassInfo());
    c.Add();
    c.Add();
    c.Add();
    c.Delete(0); // frees 1
    c.Items(0)->SetInheritedName(u"tkavcollectionitem3"_s); // taken, in other case
    c.Items(1)->SetInheritedName(u"TkavCollectionItem4"_s);
    EXPECT_EQ(c.Add()->GetInheritedName(), u"TkavCollectionItem1"_s);
    EXPECT_EQ(c.Add()->GetInheritedName(), u"TkavCollectionItem2"_s);
    EXPECT_EQ(c.Add()->GetInheritedName(), u"TkavCollectionItem5"_s);
}

TEST(Collection, FindByNameIsCaseSensitive)
{
    TkavCollection c(TkavCollectionItem::StaticClassInfo());
    TkavCollectionItem *first = c.Add();
    TkavCollectionItem *second = c.Add();
    EXPECT_EQ(c.FindByName(u"TkavCollectionItem1"_s), first);
    EXPECT_EQ(c.FindByName(u"TkavCollectionItem2"_s), second);
    EXPECT_EQ(c.FindByName(u"tkavcollectionitem1"_s), nullptr);
    EXPECT_EQ(c.FindByName(u"TkavCollectionItem3"_s), nullptr);
}

TEST(Collection, MoveTable)
{
    struct Row
    {
        const char *name;
        int from;
        int to;
        QStringList expected;
    };
    const Row rows[] = {
        {"firstToLast", 0, 3, {u"b"_s, u"c"_s, u"d"_s, u"a"_s}},
        {"lastToFirst", 3, 0, {u"d"_s, u"a"_s, u"b"_s, u"c"_s}},
        {"oneDown", 1, 2, {u"a"_s, u"c"_s, u"b"_s, u"d"_s}},
        {"oneUp", 2, 1, {u"a"_s, u"c"_s, u"b"_s, u"d"_s}},
        {"inPlace", 2, 2, {u"a"_s, u"b"_s, u"c"_s, u"d"_s}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        auto c = lettered(4);
        TkavCollectionItem *moved = c->Items(row.from);
        c->Move(row.from, row.to);
        EXPECT_EQ(identities(*c), row.expected);
        // The same object, now at its new place.
        EXPECT_EQ(c->Items(row.to), moved);
        EXPECT_EQ(moved->Index(), row.to);
    }
}

TEST(Collection, SetIndexMovesWithinTheCollection)
{
    auto c = lettered(3);
    c->Items(0)->SetIndex(2);
    EXPECT_EQ(identities(*c), QStringList({u"b"_s, u"c"_s, u"a"_s}));
}

TEST(Collection, BadIndicesRaiseAndLeaveTheListAlone)
{
    struct Row
    {
        const char *name;
        std::function<void(TkavCollection &)> op;
    };
    const Row rows[] = {
        {"itemsNegative", [](TkavCollection &c) { c.Items(-1); }},
        {"itemsPastEnd", [](TkavCollection &c) { c.Items(3); }},
        {"insertPastEnd", [](TkavCollection &c) { c.Insert(4); }},
        {"insertNegative", [](TkavCollection &c) { c.Insert(-1); }},
        {"deletePastEnd", [](TkavCollection &c) { c.Delete(3); }},
        {"moveFromPastEnd", [](TkavCollection &c) { c.Move(3, 0); }},
        {"moveToPastEnd", [](TkavCollection &c) { c.Move(0, 3); }},
        {"extractNegative", [](TkavCollection &c) { c.Extract(-1); }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        auto c = lettered(3);
        EXPECT_THROW(row.op(*c), EListError);
        EXPECT_EQ(identities(*c), QStringList({u"a"_s, u"b"_s, u"c"_s}));
    }
}

TEST(Collection, ExtractHandsOwnershipOverAndDeleteDestroys)
{
    auto c = lettered(3);
    const quint64 deletedHandle = c->Items(0)->Handle();
    c->Delete(0);
    EXPECT_EQ(TObject::FromHandle(deletedHandle), nullptr);

    std::unique_ptr<TkavCollectionItem> taken = c->Extract(0); // "b"
    const quint64 takenHandle = taken->Handle();
    EXPECT_EQ(taken->Collection(), nullptr);
    EXPECT_EQ(taken->Index(), -1);
    EXPECT_EQ(identities(*c), QStringList({u"c"_s}));
    EXPECT_EQ(TObject::FromHandle(takenHandle), taken.get());

    // Into another collection: adopted at the index asked for, given a fresh identity.
    auto other = lettered(2);
    TkavCollectionItem *raw = taken.get();
    EXPECT_EQ(other->InsertItem(1, std::move(taken)), raw);
    EXPECT_EQ(raw->Collection(), other.get());
    EXPECT_EQ(raw->Index(), 1);
    EXPECT_EQ(identities(*other),
              QStringList({u"a"_s, u"TkavCollectionItem1"_s, u"b"_s}));

    other.reset(); // destroying the collection destroys its items
    EXPECT_EQ(TObject::FromHandle(takenHandle), nullptr);
}

TEST(Collection, ClearDestroysEveryItem)
{
    auto c = lettered(3);
    QList<quint64> handles;
    for (int i = 0; i < c->Count(); ++i)
        handles << c->Items(i)->Handle();
    c->Clear();
    EXPECT_EQ(c->Count(), 0);
    for (quint64 h : handles)
        EXPECT_EQ(TObject::FromHandle(h), nullptr);
}

TEST(Collection, InsertItemRejectsForeignClassesAndOwnedItems)
{
    TkavVariables vars;
    // A plain item is no variable.
    EXPECT_THROW(vars.InsertItem(0, std::make_unique<TkavCollectionItem>()), EListError);
    EXPECT_THROW(vars.InsertItem(0, nullptr), EListError);
    EXPECT_EQ(vars.Count(), 0);

    // A variable fits a plain collection (it derives from the item class).
    TkavCollection plain(TkavCollectionItem::StaticClassInfo());
    EXPECT_NE(plain.InsertItem(0, std::make_unique<TkavVariable>()), nullptr);
    EXPECT_EQ(plain.Count(), 1);
}

TEST(Collection, ItemClassMustBeACreatableItem)
{
    EXPECT_THROW(TkavCollection c(TkavVariables::StaticClassInfo()), std::logic_error);
    EXPECT_THROW(TkavCollection c(TkavCollection::StaticClassInfo()), std::logic_error);
}

TEST(Collection, AssignCopiesItemsAndFailsWhole)
{
    TkavVariables source;
    source.SetVariable(u"a"_s, 1);
    source.SetVariable(u"b"_s, u"x"_s);
    source.Items(1)->SetIsInherited(true);

    TkavVariables dest;
    dest.SetVariable(u"old"_s, 0);
    dest.Assign(source);
    ASSERT_EQ(dest.Count(), 2);
    EXPECT_NE(dest.Items(0), source.Items(0)); // copies, not shared items
    EXPECT_EQ(dest.Items(0)->Name(), u"a"_s);
    EXPECT_TRUE(dest.Items(0)->Value().IsIdentical(Variant(1)));
    EXPECT_EQ(dest.Items(1)->Name(), u"b"_s);
    EXPECT_TRUE(dest.Items(1)->IsInherited());
    EXPECT_FALSE(dest.Items(0)->IsInherited());

    // Plain items cannot become variables: the copy fails and dest keeps its items.
    auto plain = lettered(2);
    EXPECT_THROW(dest.Assign(*plain), EConvertError);
    EXPECT_EQ(dest.Count(), 2);
    EXPECT_EQ(dest.Items(0)->Name(), u"a"_s);
    for (int i = 0; i < dest.Count(); ++i)
        EXPECT_EQ(dest.Items(i)->Collection(), &dest);
}

TEST(Collection, InheritedNameIsPublishedButNeverStored)
{
    TkavVariable v;
    v.SetName(u"Rate"_s);
    const TkavClassInfo &cls = v.ClassInfo();
    QStringList names;
    for (const TkavPropInfo *p : cls.Props())
        names << p->Name();
    EXPECT_EQ(names, QStringList({u"InheritedName"_s, u"Name"_s, u"Value"_s}));
    const TkavPropInfo *inherited = cls.FindProp(u"InheritedName");
    ASSERT_NE(inherited, nullptr);
    EXPECT_FALSE(inherited->IsStored(v));
    // A variable's identity is its name; the generated one only while it has none.
    EXPECT_EQ(kavGetPropText(v, *inherited), u"Rate"_s);
    v.SetName(QString());
    v.SetInheritedName(u"TkavVariable7"_s);
    EXPECT_EQ(v.GetInheritedName(), u"TkavVariable7"_s);
}

TEST(Collection, ClassesAreCreatableByName)
{
    kavRegisterVariableClasses();
    kavRegisterVariableClasses(); // a second start-up call changes nothing
    auto vars = kavCreateObjectAs<TkavVariables>(u"tkavvariables");
    ASSERT_NE(vars, nullptr);
    EXPECT_NE(vars->Add(), nullptr);
    EXPECT_NE(kavCreateObjectAs<TkavArray>(u"TkavArray"), nullptr);
    EXPECT_NE(kavCreateObjectAs<TkavCollectionItem>(u"TkavVariable"), nullptr);
    // The bare collection has no item class to be created with.
    EXPECT_THROW(kavCreateObject(u"TkavCollection"), EClassNotFound);
}
