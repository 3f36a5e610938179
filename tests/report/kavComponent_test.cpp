// The component tree: ownership, names, the parent/child tree, reference clearing,
// restrictions, font inheritance, coordinates and the published-property tables.

#include <persist/kavRes.h>
#include <persist/kavXML.h>
#include <report/kavComponent.h>
#include <report/kavReport.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavStreams.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

using namespace Qt::StringLiterals;

namespace {

// Doubles for the families of later units, under the class names the rules key on.
class TestPage : public TkavComponent
{
public:
    KAV_CLASSINFO
    using TkavComponent::TkavComponent;
};

class TestReportPage : public TestPage
{
public:
    KAV_CLASSINFO
    using TestPage::TestPage;
};

class TestDialogPage : public TestPage
{
public:
    KAV_CLASSINFO
    using TestPage::TestPage;
};

// Records the removals it is told about.
class TestBand : public TkavReportComponent
{
public:
    KAV_CLASSINFO
    using TkavReportComponent::TkavReportComponent;
    void Draw(QPainter *, double, double, double, double) override {}
    void Notification(TkavComponent *AComponent, TOperation Operation) override
    {
        TkavReportComponent::Notification(AComponent, Operation);
        if (Operation == opRemove)
            removed.append(AComponent);
    }
    QList<TkavComponent *> removed;
};

class TestDataBand : public TestBand
{
public:
    KAV_CLASSINFO
    using TestBand::TestBand;
};

class TestMasterData : public TestDataBand
{
public:
    KAV_CLASSINFO
    using TestDataBand::TestDataBand;
};

class TestCustomMemo : public TkavReportComponent
{
public:
    KAV_CLASSINFO
    using TkavReportComponent::TkavReportComponent;
    void Draw(QPainter *, double, double, double, double) override {}
    bool AutoWidth() const { return FAutoWidth; }
    void SetAutoWidth(bool value) { FAutoWidth = value; }
    int designFlags = -1;

protected:
    void designSetup(int Flags) override { designFlags = Flags; }

private:
    bool FAutoWidth = false;
};

class TestMemo : public TestCustomMemo
{
public:
    KAV_CLASSINFO
    using TestCustomMemo::TestCustomMemo;
};

class TestLine : public TkavReportComponent
{
public:
    KAV_CLASSINFO
    using TkavReportComponent::TkavReportComponent;
    void Draw(QPainter *, double, double, double, double) override {}
};

// A view with its alignment.
class TestView : public TkavReportComponent
{
public:
    KAV_CLASSINFO
    using TkavReportComponent::TkavReportComponent;
    void Draw(QPainter *, double, double, double, double) override {}
    int Align() const { return FAlign; }
    void SetAlign(int value) { FAlign = value; }

private:
    int FAlign = 0;
};

// The views' alignment ordinals.
enum TestAlign : int {
    baNone,
    baLeft,
    baRight,
    baCenter,
    baWidth,
    baBottom,
    baClient
};

// A registrable object that can hold others, for the stream round trips.
class TestBox : public TkavReportComponent
{
public:
    KAV_CLASSINFO
    using TkavReportComponent::TkavReportComponent;
    void Draw(QPainter *, double, double, double, double) override {}
};

// Registers a class for one test.
class Registration
{
public:
    explicit Registration(const TkavClassInfo &info)
        : FInfo(info)
    {
        kavRegisterClass(info);
    }
    ~Registration() { kavUnregisterClass(FInfo); }
    Registration(const Registration &) = delete;
    Registration &operator=(const Registration &) = delete;

private:
    const TkavClassInfo &FInfo;
};

template <class T, class Base>
const TkavClassInfo &testInfo(const char16_t *name,
                              std::function<void(TkavPropBuilder<T> &)> define = {})
{
    static const TkavClassInfo info = kavMakeClassInfo<T, Base>(
        QString::fromUtf16(name),
        [define](TkavPropBuilder<T> &p) {
            if (define)
                define(p);
        },
        kavComponentFactory<T>());
    return info;
}

} // namespace

const TkavClassInfo &TestPage::StaticClassInfo()
{
    return testInfo<TestPage, TkavComponent>(u"TkavPage");
}
const TkavClassInfo &TestReportPage::StaticClassInfo()
{
    return testInfo<TestReportPage, TestPage>(u"TkavReportPage");
}
const TkavClassInfo &TestDialogPage::StaticClassInfo()
{
    return testInfo<TestDialogPage, TestPage>(u"TkavDialogPage");
}
const TkavClassInfo &TestBand::StaticClassInfo()
{
    return testInfo<TestBand, TkavReportComponent>(u"TkavBand");
}
const TkavClassInfo &TestDataBand::StaticClassInfo()
{
    return testInfo<TestDataBand, TestBand>(u"TkavDataBand");
}
const TkavClassInfo &TestMasterData::StaticClassInfo()
{
    return testInfo<TestMasterData, TestDataBand>(u"TkavMasterData");
}
// Publishes the shared properties the way a concrete view does.
const TkavClassInfo &TestCustomMemo::StaticClassInfo()
{
    return testInfo<TestCustomMemo, TkavReportComponent>(
        u"TkavCustomMemoView", [](TkavPropBuilder<TestCustomMemo> &p) {
            kavPublishLeft(p);
            kavPublishTop(p);
            kavPublishWidth(p);
            kavPublishHeight(p);
            kavPublishFont(p);
            kavPublishParentFont(p).Default(true);
            kavPublishRestrictions(p);
            kavPublishVisible(p).Default(true);
            kavPublishGroupIndex(p);
            p.Bool(u"AutoWidth"_s, &TestCustomMemo::AutoWidth, &TestCustomMemo::SetAutoWidth);
            p.Event(u"OnBeforePrint"_s, &TkavReportComponent::OnBeforePrint,
                    &TkavReportComponent::SetOnBeforePrint);
        });
}
const TkavClassInfo &TestMemo::StaticClassInfo()
{
    return testInfo<TestMemo, TestCustomMemo>(u"TkavMemoView");
}
const TkavClassInfo &TestLine::StaticClassInfo()
{
    return testInfo<TestLine, TkavReportComponent>(u"TkavLineView");
}

const TkavClassInfo &TestView::StaticClassInfo()
{
    return testInfo<TestView, TkavReportComponent>(u"TkavView", [](TkavPropBuilder<TestView> &p) {
        p.Int(u"Align"_s, &TestView::Align, &TestView::SetAlign).Default(0);
    });
}

const TkavClassInfo &TestBox::StaticClassInfo()
{
    return testInfo<TestBox, TkavReportComponent>(u"TkavTestBox", [](TkavPropBuilder<TestBox> &p) {
        kavPublishLeft(p);
        kavPublishTop(p);
        kavPublishWidth(p);
        kavPublishHeight(p);
    });
}

namespace {

// report / page (top 10) / band (top 20) / memo; the objects are owned by the report.
struct Document
{
    Document()
    {
        page = TkavComponent::Create<TestReportPage>(report.get());
        page->SetName(u"Page1"_s);
        page->SetTop(10);
        band = TkavComponent::Create<TestMasterData>(page);
        band->SetName(u"MasterData1"_s);
        band->SetBounds(0, 20, 700, 50);
        memo = TkavComponent::Create<TestMemo>(band);
        memo->SetName(u"Memo1"_s);
        memo->SetBounds(5, 3, 100, 18);
    }

    std::unique_ptr<TkavReport> report = std::make_unique<TkavReport>();
    TestReportPage *page = nullptr;
    TestMasterData *band = nullptr;
    TestMemo *memo = nullptr;
};

QStringList namesOf(const QList<TkavComponent *> &list)
{
    QStringList names;
    for (const TkavComponent *c : list)
        names.append(c->Name());
    return names;
}

QStringList propNames(const TkavClassInfo &info)
{
    QStringList names;
    for (const TkavPropInfo *prop : info.Props())
        names.append(prop->Name());
    return names;
}

} // namespace

// --- ownership --------------------------------------------------------------------------

TEST(ComponentOwnership, CreatedComponentsBelongToTheOwnersReport)
{
    Document doc;
    EXPECT_EQ(doc.memo->Owner(), doc.report.get());
    EXPECT_EQ(doc.band->Owner(), doc.report.get());
    EXPECT_EQ(doc.memo->Parent(), doc.band);
    EXPECT_EQ(doc.report->ComponentCount(), 3);
    EXPECT_EQ(doc.report->FindComponent(u"memo1"), doc.memo);
    EXPECT_THROW(doc.report->Components(3), EListError);
}

TEST(ComponentOwnership, OwnerWithoutReportOwnsItself)
{
    auto page = std::make_unique<TestReportPage>();
    auto *band = TkavComponent::Create<TestBand>(page.get());
    EXPECT_EQ(band->Owner(), page.get());
    EXPECT_EQ(band->Report(), nullptr);
    EXPECT_THROW(TkavComponent::Create<TestBand>(nullptr), std::invalid_argument);
}

TEST(ComponentOwnership, InsertAndRemove)
{
    Document doc;
    auto loose = std::make_unique<TestLine>();
    loose->SetName(u"MEMO1"_s);
    EXPECT_THROW(doc.report->InsertComponent(std::move(loose)), EComponentError);
    ASSERT_NE(loose, nullptr);
    EXPECT_EQ(loose->Owner(), nullptr);

    auto line = std::make_unique<TestLine>();
    TestLine *raw = line.get();
    EXPECT_EQ(doc.report->InsertComponent(std::move(line)), raw);
    EXPECT_EQ(raw->Owner(), doc.report.get());
    std::unique_ptr<TkavComponent> back = doc.report->RemoveComponent(raw);
    EXPECT_EQ(back.get(), raw);
    EXPECT_EQ(raw->Owner(), nullptr);
    EXPECT_FALSE(raw->Free());
    EXPECT_EQ(doc.report->RemoveComponent(raw), nullptr);
}

TEST(ComponentOwnership, AComponentCannotOwnItsOwner)
{
    auto outer = std::make_unique<TestPage>();
    auto *inner = TkavComponent::Create<TestBand>(outer.get());
    EXPECT_THROW(inner->InsertComponent(std::move(outer)), std::invalid_argument);
    ASSERT_NE(outer, nullptr); // the caller keeps it
    EXPECT_EQ(inner->Owner(), outer.get());
    EXPECT_EQ(outer->Owner(), nullptr);
}

TEST(ComponentOwnership, CreateByRegisteredClassName)
{
    kavRegisterReportClasses();
    EXPECT_EQ(kavFindClass(u"TkavReport"), &TkavReport::StaticClassInfo());
    EXPECT_NE(kavFindClass(u"TkavFrame"), nullptr);
    auto report = std::make_unique<TkavReport>();
    TkavComponent *inner = TkavComponent::Create(u"TkavReport", report.get());
    EXPECT_TRUE(inner->InheritsFrom(u"TkavReport"));
    EXPECT_EQ(inner->Owner(), report.get());
    EXPECT_THROW(TkavComponent::Create(u"TkavNoSuchClass", report.get()), EClassNotFound);
    EXPECT_THROW(TkavComponent::Create(u"TFont", report.get()), EClassNotFound);
}

// --- names ------------------------------------------------------------------------------

TEST(ComponentNames, BaseNameDropsFirstTkavThenFirstView)
{
    const struct
    {
        std::function<std::unique_ptr<TkavComponent>()> make;
        QString expected;
    } cases[] = {
        {[] { return std::make_unique<TestMemo>(); }, u"Memo"_s},
        {[] { return std::make_unique<TestMasterData>(); }, u"MasterData"_s},
        {[] { return std::make_unique<TestReportPage>(); }, u"ReportPage"_s},
        {[] { return std::make_unique<TestLine>(); }, u"Line"_s},
        {[] { return std::make_unique<TestCustomMemo>(); }, u"CustomMemo"_s},
        {[] { return std::make_unique<TkavReport>(); }, u"Report"_s},
    };
    for (const auto &c : cases) {
        auto component = c.make();
        SCOPED_TRACE(component->ClassName().toStdString());
        EXPECT_EQ(component->BaseName(), c.expected);
    }
    TestReportPage page;
    page.SetBaseName(u"Page"_s);
    page.CreateUniqueName();
    EXPECT_EQ(page.Name(), u"Page1"_s);
}

TEST(ComponentNames, UniqueNameTakesTheSmallestFreeNumberIgnoringCase)
{
    Document doc;
    auto *other = TkavComponent::Create<TestMemo>(doc.band);
    other->SetName(u"memo3"_s);
    auto *second = TkavComponent::Create<TestMemo>(doc.band);
    second->CreateUniqueName();
    EXPECT_EQ(second->Name(), u"Memo2"_s);
    auto *third = TkavComponent::Create<TestMemo>(doc.band);
    third->CreateUniqueName();
    EXPECT_EQ(third->Name(), u"Memo4"_s);
    // The own name counts as taken.
    second->CreateUniqueName();
    EXPECT_EQ(second->Name(), u"Memo5"_s);
}

TEST(ComponentNames, UniqueNameWithoutReportOrParent)
{
    TestMemo alone;
    alone.CreateUniqueName();
    EXPECT_EQ(alone.Name(), u"Memo1"_s);

    TestPage page;
    auto *first = TkavComponent::Create<TestMemo>(&page);
    first->SetName(u"Memo1"_s);
    auto *next = TkavComponent::Create<TestMemo>(&page);
    next->CreateUniqueName();
    EXPECT_EQ(next->Name(), u"Memo2"_s);
}

TEST(ComponentNames, UniqueNameSkipsNamesTheOwnerHoldsOutsideTheTree)
{
    Document doc;
    auto *detached = TkavComponent::Create<TestMemo>(doc.band);
    detached->SetName(u"Memo2"_s);
    detached->SetParent(nullptr);
    auto *fresh = TkavComponent::Create<TestMemo>(doc.band);
    fresh->CreateUniqueName();
    EXPECT_EQ(fresh->Name(), u"Memo3"_s);
}

TEST(ComponentNames, RenameRules)
{
    enum Outcome { Renamed, Unchanged, Duplicate, CantRename, Invalid, OwnerHasIt };
    const struct
    {
        QString newName;
        bool ancestor;
        Outcome outcome;
        QString message; // expected text, empty when none
    } cases[] = {
        {u"MEMO2"_s, false, Unchanged, {}},
        {u"Memo1"_s, false, Duplicate, kavResourceTable().Get(u"prDupl"_s)},
        {u"mEmO1"_s, false, Duplicate, kavResourceTable().Get(u"prDupl"_s)},
        {u"1x"_s, false, Invalid, u"''1x'' is not a valid component name"_s},
        {u"a b"_s, false, Invalid, u"''a b'' is not a valid component name"_s},
        {u"Hidden"_s, false, OwnerHasIt, u"A component named Hidden already exists"_s},
        {u"_x9"_s, false, Renamed, {}},
        {QString(), false, Renamed, {}},
        {u"Other"_s, true, CantRename, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.newName.toStdString());
        Document doc;
        auto *hidden = TkavComponent::Create<TestLine>(doc.band);
        hidden->SetName(u"Hidden"_s);
        hidden->SetParent(nullptr); // owned by the report, outside the tree
        auto *memo = TkavComponent::Create<TestMemo>(doc.band);
        memo->SetName(u"Memo2"_s);
        memo->SetAncestor(c.ancestor);
        switch (c.outcome) {
        case Renamed:
            memo->SetName(c.newName);
            EXPECT_EQ(memo->Name(), c.newName);
            break;
        case Unchanged:
            memo->SetName(c.newName);
            EXPECT_EQ(memo->Name(), u"Memo2"_s);
            break;
        case Duplicate:
            try {
                memo->SetName(c.newName);
                ADD_FAILURE() << "no error";
            } catch (const EDuplicateName &e) {
                EXPECT_EQ(e.Message(), c.message);
            }
            break;
        case CantRename:
            try {
                memo->SetName(c.newName);
                ADD_FAILURE() << "no error";
            } catch (const EkavError &e) {
                QString expected = kavResourceTable().Get(u"clCantRen"_s);
                expected.replace(u"%s"_s, u"Memo2"_s);
                EXPECT_EQ(e.Message(), expected);
                EXPECT_TRUE(e.Message().contains(u"Memo2"_s));
            }
            break;
        case Invalid:
        case OwnerHasIt:
            try {
                memo->SetName(c.newName);
                ADD_FAILURE() << "no error";
            } catch (const EComponentError &e) {
                EXPECT_EQ(e.Message(), c.message);
            }
            break;
        }
        if (c.outcome != Renamed) {
            EXPECT_EQ(memo->Name(), u"Memo2"_s);
        }
    }
}

TEST(ComponentNames, NamesAreScopedByReport)
{
    Document first;
    Document second;
    auto *memo = TkavComponent::Create<TestMemo>(second.band);
    memo->SetName(u"Memo2"_s);
    EXPECT_THROW(memo->SetName(u"Memo1"_s), EDuplicateName);
    second.memo->SetName(u"Renamed"_s);
    memo->SetName(u"Memo1"_s);
    EXPECT_EQ(memo->Name(), u"Memo1"_s);
    EXPECT_EQ(first.report->FindObject(u"Memo1"), first.memo);
}

TEST(ComponentNames, DescriptionsFollowTheNearestListedClass)
{
    Document doc;
    TestLine line;
    TestPage page;
    EXPECT_EQ(doc.report->GetDescription(), kavResourceTable().Get(u"obReport"_s));
    EXPECT_EQ(doc.band->GetDescription(), kavResourceTable().Get(u"obDataBand"_s));
    EXPECT_EQ(doc.memo->GetDescription(), kavResourceTable().Get(u"obText"_s));
    EXPECT_EQ(doc.page->GetDescription(), kavResourceTable().Get(u"obRepPage"_s));
    EXPECT_EQ(line.GetDescription(), kavResourceTable().Get(u"obLine"_s));
    EXPECT_NE(doc.report->GetDescription(), u"obReport"_s);
    EXPECT_EQ(page.GetDescription(), u"TkavPage"_s);
}

// --- the tree ---------------------------------------------------------------------------

TEST(ComponentTree, ParentChangesKeepOrder)
{
    Document doc;
    auto *band2 = TkavComponent::Create<TestBand>(doc.page);
    band2->SetName(u"Band2"_s);
    auto *memo2 = TkavComponent::Create<TestMemo>(doc.band);
    memo2->SetName(u"Memo2"_s);
    EXPECT_EQ(namesOf(doc.band->Objects()), (QStringList{u"Memo1"_s, u"Memo2"_s}));

    doc.memo->SetParent(doc.band); // same parent: nothing moves
    EXPECT_EQ(namesOf(doc.band->Objects()), (QStringList{u"Memo1"_s, u"Memo2"_s}));

    doc.memo->SetParent(band2);
    EXPECT_EQ(namesOf(doc.band->Objects()), QStringList{u"Memo2"_s});
    EXPECT_EQ(namesOf(band2->Objects()), QStringList{u"Memo1"_s});
    doc.memo->SetParent(doc.band);
    EXPECT_EQ(namesOf(doc.band->Objects()), (QStringList{u"Memo2"_s, u"Memo1"_s}));

    doc.memo->SetParent(nullptr);
    EXPECT_EQ(doc.memo->Parent(), nullptr);
    EXPECT_EQ(doc.memo->Report(), nullptr);
    EXPECT_EQ(namesOf(doc.band->Objects()), QStringList{u"Memo2"_s});
}

TEST(ComponentTree, NoCycles)
{
    Document doc;
    EXPECT_THROW(doc.page->SetParent(doc.memo), EComponentError);
    EXPECT_THROW(doc.band->SetParent(doc.band), EComponentError);
    EXPECT_EQ(doc.page->Parent(), doc.report.get());
    EXPECT_EQ(doc.band->Parent(), doc.page);
}

TEST(ComponentTree, AllObjectsIsPreOrderAndFindObjectIgnoresCase)
{
    Document doc;
    auto *band2 = TkavComponent::Create<TestBand>(doc.page);
    band2->SetName(u"Band2"_s);
    auto *memo2 = TkavComponent::Create<TestMemo>(band2);
    memo2->SetName(u"Memo2"_s);
    EXPECT_EQ(namesOf(doc.report->AllObjects()),
              (QStringList{u"Page1"_s, u"MasterData1"_s, u"Memo1"_s, u"Band2"_s, u"Memo2"_s}));
    EXPECT_EQ(namesOf(doc.band->ContainerObjects()), QStringList{u"Memo1"_s});
    EXPECT_EQ(doc.report->FindObject(u"mEmO2"), memo2);
    EXPECT_EQ(doc.page->FindObject(u"Page1"), nullptr);
    EXPECT_EQ(doc.band->FindObject(u"Memo2"), nullptr);
}

TEST(ComponentTree, PageAndReportLookups)
{
    Document doc;
    EXPECT_EQ(doc.memo->Page(), doc.page);
    EXPECT_EQ(doc.page->Page(), doc.page);
    EXPECT_EQ(doc.report->Page(), nullptr);
    EXPECT_EQ(doc.memo->Report(), doc.report.get());
    EXPECT_EQ(doc.report->Report(), doc.report.get());
}

// --- destruction and references ---------------------------------------------------------

TEST(ComponentLifetime, FreeDestroysTheSubtreeAndClearsReferences)
{
    Document doc;
    auto *watcher = TkavComponent::Create<TestBand>(doc.page);
    watcher->SetOriginalComponent(doc.memo);
    watcher->AddShiftChild(doc.memo);
    doc.memo->FreeNotification(watcher); // a sibling hears only when it asks
    TkavComponentRef<TestMemo> memoRef = doc.memo;
    TkavComponentRef<TestMasterData> bandRef = doc.band;
    TkavComponent *memoAddress = doc.memo;

    EXPECT_TRUE(doc.band->Free());
    EXPECT_EQ(bandRef.get(), nullptr);
    EXPECT_EQ(memoRef.get(), nullptr);
    EXPECT_EQ(watcher->OriginalComponent(), nullptr);
    EXPECT_TRUE(watcher->ShiftChildren().isEmpty());
    EXPECT_TRUE(watcher->removed.contains(memoAddress));
    EXPECT_EQ(namesOf(doc.page->Objects()), QStringList{QString()});
    EXPECT_EQ(doc.report->ComponentCount(), 2);
}

TEST(ComponentLifetime, FreeNotificationReachesOtherReports)
{
    Document other;
    auto *listener = TkavComponent::Create<TestBand>(other.page);
    TkavComponent *target = nullptr;
    {
        Document doc;
        target = doc.memo;
        doc.memo->FreeNotification(listener);
        doc.band->FreeNotification(listener);
        doc.band->RemoveFreeNotification(listener);
    } // the whole report goes
    EXPECT_EQ(listener->removed, QList<TkavComponent *>{target});
}

TEST(ComponentLifetime, ClearKeepsInheritedChildren)
{
    Document doc;
    doc.band->SetAncestor(true);
    doc.memo->SetAncestor(true);
    auto *added = TkavComponent::Create<TestMemo>(doc.band);
    TkavComponentRef<TestMemo> addedRef = added;
    auto *addedBand = TkavComponent::Create<TestBand>(doc.page);
    TkavComponentRef<TestBand> addedBandRef = addedBand;

    doc.page->Clear();
    EXPECT_EQ(addedRef.get(), nullptr);
    EXPECT_EQ(addedBandRef.get(), nullptr);
    EXPECT_EQ(doc.page->Objects(), QList<TkavComponent *>{doc.band});
    EXPECT_EQ(doc.band->Objects(), QList<TkavComponent *>{doc.memo});
}

TEST(ComponentLifetime, DestroyedParentDetachesInheritedChildren)
{
    Document doc;
    doc.band->SetAncestor(true);
    doc.memo->SetAncestor(true);
    TkavComponentRef<TestMasterData> bandRef = doc.band;
    EXPECT_TRUE(doc.page->Free());
    ASSERT_NE(bandRef.get(), nullptr);
    EXPECT_EQ(doc.band->Parent(), nullptr);
    EXPECT_EQ(doc.band->Owner(), doc.report.get());
    EXPECT_EQ(doc.band->Objects(), QList<TkavComponent *>{doc.memo});
    EXPECT_TRUE(doc.band->Free());
    EXPECT_EQ(doc.memo->Parent(), nullptr); // inherited too: kept by the report, detached
    EXPECT_EQ(doc.report->ComponentCount(), 1);
    EXPECT_TRUE(doc.memo->Free());
    EXPECT_EQ(doc.report->ComponentCount(), 0);
}

TEST(ComponentLifetime, ChildrenHeldOutsideTheDocumentAreDetached)
{
    Document doc;
    auto held = std::make_unique<TestMemo>(doc.band);
    doc.band->Clear();
    EXPECT_EQ(held->Parent(), nullptr);
    EXPECT_TRUE(doc.band->Objects().isEmpty());
    held->SetParent(doc.page);
    held.reset(); // leaves the page on its own
    EXPECT_EQ(doc.page->Objects(), QList<TkavComponent *>{doc.band});
}

// --- geometry ---------------------------------------------------------------------------

TEST(ComponentGeometry, RestrictionsApplyOnlyWhileDesigning)
{
    using Setter = void (TkavComponent::*)(double);
    using Getter = double (TkavComponent::*)() const;
    const struct
    {
        const char *name;
        Setter set;
        Getter get;
        TkavRestrictionFlag blocking;
    } setters[] = {
        {"Left", &TkavComponent::SetLeft, &TkavComponent::Left, rfDontMove},
        {"Top", &TkavComponent::SetTop, &TkavComponent::Top, rfDontMove},
        {"Width", &TkavComponent::SetWidth, &TkavComponent::Width, rfDontSize},
        {"Height", &TkavComponent::SetHeight, &TkavComponent::Height, rfDontSize},
    };
    const TkavRestrictionFlag flags[] = {rfDontMove, rfDontSize, rfDontDelete};
    for (const auto &s : setters) {
        for (TkavRestrictionFlag flag : flags) {
            for (bool designing : {false, true}) {
                SCOPED_TRACE(testing::Message() << s.name << " flag " << flag << " designing "
                                                << designing);
                Document doc;
                TestMemo *memo = designing ? TkavComponent::DesignCreate<TestMemo>(doc.band)
                                           : TkavComponent::Create<TestMemo>(doc.band);
                EXPECT_EQ(memo->IsDesigning(), designing);
                memo->SetRestrictions({flag});
                (memo->*s.set)(5);
                const bool blocked = designing && flag == s.blocking;
                EXPECT_EQ((memo->*s.get)(), blocked ? 0.0 : 5.0);
            }
        }
    }
}

TEST(ComponentGeometry, DesignCreatePassesFlagsAndMarksOnlyTheNewObject)
{
    Document doc;
    auto *memo = TkavComponent::DesignCreate<TestMemo>(doc.band, 3);
    EXPECT_EQ(memo->designFlags, 3);
    EXPECT_TRUE(memo->IsDesigning());
    EXPECT_FALSE(TkavComponent::Create<TestMemo>(doc.band)->IsDesigning());
    EXPECT_THROW(TkavComponent::DesignCreate(u"TkavNoSuchClass", doc.band), EClassNotFound);
    EXPECT_FALSE(TkavComponent::Create<TestMemo>(doc.band)->IsDesigning());
}

TEST(ComponentGeometry, AbsolutePositionsAddUpToTheDialogPage)
{
    Document doc;
    doc.page->SetLeft(7);
    EXPECT_DOUBLE_EQ(doc.memo->AbsTop(), 10 + 20 + 3);
    EXPECT_DOUBLE_EQ(doc.memo->AbsLeft(), 7 + 0 + 5);
    const TkavRect bounds = doc.memo->GetRealBounds();
    EXPECT_EQ(bounds, (TkavRect{12, 33, 112, 51}));

    auto *dialog = TkavComponent::Create<TestDialogPage>(doc.report.get());
    dialog->SetBounds(100, 200, 300, 300);
    auto *control = TkavComponent::Create<TestMemo>(dialog);
    control->SetBounds(8, 9, 10, 10);
    EXPECT_DOUBLE_EQ(control->AbsLeft(), 8);
    EXPECT_DOUBLE_EQ(control->AbsTop(), 9);
}

TEST(ComponentGeometry, PrintBracketRestoresBounds)
{
    Document doc;
    doc.memo->BeforePrint();
    EXPECT_EQ(doc.memo->OriginalRect(), (TkavRect{5, 3, 100, 18}));
    doc.memo->SetBounds(50, 60, 70, 80);
    doc.memo->AfterPrint();
    EXPECT_DOUBLE_EQ(doc.memo->Left(), 5);
    EXPECT_DOUBLE_EQ(doc.memo->Top(), 3);
    EXPECT_DOUBLE_EQ(doc.memo->Width(), 100);
    EXPECT_DOUBLE_EQ(doc.memo->Height(), 18);
}

// --- font ---------------------------------------------------------------------------------

TEST(ComponentFont, ChangesFollowInheritingDescendants)
{
    Document doc;
    auto *own = TkavComponent::Create<TestMemo>(doc.band);
    TFont edited;
    edited.SetName(u"Courier New"_s);
    edited.SetSize(9);
    own->SetFont(edited);
    auto *grandchild = TkavComponent::Create<TestLine>(doc.memo);
    EXPECT_TRUE(doc.band->ParentFont());
    EXPECT_TRUE(grandchild->ParentFont());

    doc.band->Font().SetSize(14);
    EXPECT_FALSE(doc.band->ParentFont());
    EXPECT_EQ(doc.memo->Font().Size(), 14);
    EXPECT_TRUE(doc.memo->ParentFont());
    EXPECT_EQ(grandchild->Font().Size(), 14);
    EXPECT_TRUE(grandchild->ParentFont());
    EXPECT_EQ(own->Font().Size(), 9);
    EXPECT_EQ(own->Font().Name(), u"Courier New"_s);
    EXPECT_FALSE(own->ParentFont());
    EXPECT_EQ(doc.page->Font().Size(), 10);
}

TEST(ComponentFont, EditingTheOwnFontDetachesIt)
{
    Document doc;
    doc.memo->Font().SetColor(clRed);
    EXPECT_FALSE(doc.memo->ParentFont());
    doc.band->Font().SetSize(20);
    EXPECT_EQ(doc.memo->Font().Size(), 10);
    doc.memo->SetParentFont(true);
    EXPECT_EQ(doc.memo->Font(), doc.band->Font());
    EXPECT_TRUE(doc.memo->ParentFont());
}

TEST(ComponentFont, NewParentRefreshesAnInheritedFont)
{
    Document doc;
    auto *band2 = TkavComponent::Create<TestBand>(doc.page);
    band2->Font().SetName(u"Tahoma"_s);
    doc.memo->SetParent(band2);
    EXPECT_EQ(doc.memo->Font().Name(), u"Tahoma"_s);

    TFont own;
    own.SetName(u"Times New Roman"_s);
    doc.memo->SetFont(own);
    doc.memo->SetParent(doc.band);
    EXPECT_EQ(doc.memo->Font().Name(), u"Times New Roman"_s);
}

// --- published properties -----------------------------------------------------------------

TEST(ComponentProperties, RegistryOrderAndRules)
{
    EXPECT_EQ(propNames(TkavComponent::StaticClassInfo()), (QStringList{u"Name"_s, u"Tag"_s}));
    EXPECT_EQ(propNames(TkavReportComponent::StaticClassInfo()),
              (QStringList{u"Name"_s, u"Tag"_s, u"Description"_s}));
    EXPECT_EQ(propNames(TestMemo::StaticClassInfo()),
              (QStringList{u"Name"_s,
                           u"Tag"_s,
                           u"Description"_s,
                           u"Left"_s,
                           u"Top"_s,
                           u"Width"_s,
                           u"Height"_s,
                           u"Font"_s,
                           u"ParentFont"_s,
                           u"Restrictions"_s,
                           u"Visible"_s,
                           u"GroupIndex"_s,
                           u"AutoWidth"_s,
                           u"OnBeforePrint"_s}));
    EXPECT_FALSE(TkavComponent::StaticClassInfo().CanCreate());
    EXPECT_FALSE(TkavReportComponent::StaticClassInfo().CanCreate());

    const TkavClassInfo &memoInfo = TestMemo::StaticClassInfo();
    const TkavPropInfo *left = memoInfo.FindProp(u"Left");
    EXPECT_EQ(left->Kind(), pkFloat);
    EXPECT_EQ(left->TypeName(), u"Extended"_s);
    const TkavPropInfo *restrictions = memoInfo.FindProp(u"Restrictions");
    EXPECT_EQ(restrictions->Kind(), pkSet);
    EXPECT_EQ(restrictions->TypeName(), u"TkavRestrictions"_s);
    EXPECT_EQ(memoInfo.FindProp(u"OnBeforePrint")->TypeName(), u"TkavNotifyEvent"_s);
    EXPECT_EQ(memoInfo.FindProp(u"Tag")->Default(), 0);

    Document doc;
    const TkavPropInfo *font = memoInfo.FindProp(u"Font");
    EXPECT_FALSE(font->IsStored(*doc.memo));
    doc.memo->Font().SetSize(12);
    EXPECT_TRUE(font->IsStored(*doc.memo));

    // Setting through the registry runs the class's own setters.
    kavSetPropText(*doc.memo, u"Name", u"Memo1"_s);
    EXPECT_THROW(kavSetPropText(*doc.memo, u"Name", u"MasterData1"_s), EDuplicateName);
    kavSetPropText(*doc.memo, u"Restrictions", u"4"_s);
    EXPECT_TRUE(doc.memo->Restrictions().Contains(rfDontMove));

    const TkavPropInfo *reportName = TkavReport::StaticClassInfo().FindProp(u"Name");
    EXPECT_FALSE(reportName->IsStored(*doc.report));
    EXPECT_TRUE(memoInfo.FindProp(u"Name")->IsStored(*doc.memo));
}

// --- difference texts ---------------------------------------------------------------------

TEST(ComponentDiff, BaseAttributes)
{
    Document doc;
    auto *copy = TkavComponent::Create<TestMemo>(doc.band);
    copy->SetBounds(5.00005, 3, 100, 18);
    EXPECT_EQ(copy->Diff(*doc.memo), QString());

    copy->SetBounds(6.5, 4, 90, 20);
    copy->SetVisible(false);
    copy->SetTag(7);
    EXPECT_EQ(copy->Diff(*doc.memo),
              u" l=\"6.5\" t=\"4\" w=\"90\" h=\"20\" Visible=\"0\" Tag=\"7\""_s);

    copy->SetAutoWidth(true);
    EXPECT_FALSE(copy->Diff(*doc.memo).contains(u" w="_s));

    auto *band2 = TkavComponent::Create<TestBand>(doc.page);
    band2->SetBounds(0, 20, 700, 50);
    EXPECT_EQ(band2->Diff(*doc.band), u" t=\"20\""_s);
}

TEST(ComponentDiff, FontAttributesOnlyForOwnFonts)
{
    Document doc;
    auto *copy = TkavComponent::Create<TestMemo>(doc.band);
    copy->SetBounds(5, 3, 100, 18);
    TFont font;
    font.SetName(u"A&B"_s);
    font.SetSize(12);
    font.SetColor(255);
    font.SetStyle({fsBold, fsUnderline});
    font.SetCharset(204);
    copy->SetFont(font);
    EXPECT_EQ(copy->Diff(*doc.memo),
              u" Font.Name=\""_s + kavEncodeXMLText(u"A&B"_s)
                  + u"\" Font.Size=\"12\" Font.Color=\"255\" Font.Style=\"5\""
                    u" Font.Charset=\"204\" ParentFont=\"0\""_s);
    EXPECT_EQ(doc.memo->Diff(*copy), u" ParentFont=\"1\""_s);
}

// --- guards ---------------------------------------------------------------------------------

TEST(ComponentGuards, RestoreFlagsAndSurviveDestroyedComponents)
{
    Document doc;
    {
        TkavWritingGuard outer(*doc.memo);
        {
            TkavWritingGuard inner(*doc.memo);
            EXPECT_TRUE(doc.memo->IsWriting());
        }
        EXPECT_TRUE(doc.memo->IsWriting());
    }
    EXPECT_FALSE(doc.memo->IsWriting());

    std::vector<TkavLoadingGuard> guards;
    guards.emplace_back(*doc.memo);
    guards.emplace_back(*doc.band);
    EXPECT_TRUE(doc.memo->IsLoading());
    TkavLoadingGuard moved = std::move(guards.front());
    EXPECT_TRUE(doc.band->Free()); // the memo and the band go while guarded
    guards.clear();
    EXPECT_FALSE(doc.page->IsLoading());
    {
        TkavLoadingGuard pageGuard(*doc.page);
        pageGuard = TkavLoadingGuard(*doc.report);
        EXPECT_FALSE(doc.page->IsLoading());
        EXPECT_TRUE(doc.report->IsLoading());
    }
    EXPECT_FALSE(doc.report->IsLoading());
}

// --- copies and streams -----------------------------------------------------------------------

namespace {

// Box1 (Tag 5, "outer") holding Box2 (Tag 9) on the band of a document.
TestBox *addBoxes(Document &doc)
{
    auto *outer = TkavComponent::Create<TestBox>(doc.band);
    outer->SetName(u"Box1"_s);
    outer->SetTag(5);
    outer->SetDescription(u"outer"_s);
    outer->SetBounds(1, 2, 30, 40);
    auto *inner = TkavComponent::Create<TestBox>(outer);
    inner->SetName(u"Box2"_s);
    inner->SetTag(9);
    return outer;
}

} // namespace

TEST(ComponentStreams, AssignCopiesPropertiesButNotChildren)
{
    Registration registration(TestBox::StaticClassInfo());
    Document source;
    TestBox *outer = addBoxes(source);
    Document target;
    auto *copy = TkavComponent::Create<TestBox>(target.band);
    copy->SetName(u"Target"_s);
    auto *oldChild = TkavComponent::Create<TestBox>(copy);
    TkavComponentRef<TestBox> oldChildRef = oldChild;

    copy->Assign(*outer);
    EXPECT_EQ(copy->Name(), u"Target"_s); // a root element carries no name
    EXPECT_EQ(copy->Tag(), 5);
    EXPECT_EQ(copy->Description(), u"outer"_s);
    EXPECT_EQ(copy->GetRealBounds().Right - copy->GetRealBounds().Left, 30);
    EXPECT_DOUBLE_EQ(copy->Top(), 2);
    EXPECT_TRUE(copy->Objects().isEmpty());
    EXPECT_EQ(oldChildRef.get(), nullptr); // loading clears the target first
    EXPECT_EQ(outer->Objects().size(), 1);
    EXPECT_EQ(target.report->Errors().Count(), 0);

    TFont font;
    copy->Assign(font); // not a component: ignored
    EXPECT_EQ(copy->Tag(), 5);
}

TEST(ComponentStreams, AssignAllCopiesTheSubtree)
{
    Registration registration(TestBox::StaticClassInfo());
    Document source;
    TestBox *outer = addBoxes(source);
    Document target;
    auto *copy = TkavComponent::Create<TestBox>(target.band);
    copy->AssignAll(*outer);
    ASSERT_EQ(copy->Objects().size(), 1);
    TkavComponent *child = copy->Objects().first();
    EXPECT_EQ(child->ClassName(), u"TkavTestBox"_s);
    EXPECT_EQ(child->Name(), u"Box2"_s);
    EXPECT_EQ(child->Tag(), 9);
    EXPECT_EQ(child->Owner(), target.report.get());
    EXPECT_FALSE(child->IsLoading());

    TMemoryStream original;
    TMemoryStream copied;
    outer->SaveToStream(original);
    copy->SaveToStream(copied);
    EXPECT_EQ(copied.Data(), original.Data());
}

TEST(ComponentStreams, LoadErrorsGoToTheReport)
{
    Registration registration(TestBox::StaticClassInfo());
    Document doc;
    auto *box = TkavComponent::Create<TestBox>(doc.band);
    TMemoryStream stream(QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                                    "<TkavTestBox Name=\"Loaded\" Tag=\"3\">"
                                    "<TkavNoSuchThing Name=\"Lost\"/></TkavTestBox>"));
    box->LoadFromStream(stream);
    EXPECT_EQ(box->Name(), u"Loaded"_s);
    EXPECT_EQ(box->Tag(), 3);
    EXPECT_TRUE(box->Objects().isEmpty());
    ASSERT_EQ(doc.report->Errors().Count(), 1);
    EXPECT_TRUE(doc.report->Errors().Strings(0).contains(u"TkavNoSuchThing"_s));
    EXPECT_EQ(doc.report->XMLSerializer(), nullptr);

    TMemoryStream broken(QByteArray("<TkavTestBox Tag=\"4\"><TkavTestBox"));
    EXPECT_ANY_THROW(box->LoadFromStream(broken));
    EXPECT_EQ(doc.report->XMLSerializer(), nullptr);
    EXPECT_EQ(box->Tag(), 3);
}

TEST(ComponentStreams, AllDiffIsTheElementTextPlusTheDifference)
{
    Registration registration(TestBox::StaticClassInfo());
    Document doc;
    TestBox *outer = addBoxes(doc);
    auto *other = TkavComponent::Create<TestBox>(doc.band);
    const QString full = outer->AllDiff(nullptr);
    EXPECT_TRUE(full.startsWith(u"Tag=\"5\" Description=\"outer\""_s)) << full.toStdString();
    EXPECT_FALSE(full.contains(u"Name="_s));
    EXPECT_FALSE(full.contains(u"/>"_s));
    EXPECT_FALSE(full.contains(u"Box2"_s));
    EXPECT_EQ(outer->AllDiff(other), full + u' ' + outer->Diff(*other));
}

// --- aligning children ------------------------------------------------------------------------

TEST(ComponentAlign, ViewsFollowTheirNeighboursAndTheParent)
{
    struct ViewSpec
    {
        double left, top, width, height;
        TestAlign align;
    };
    const struct
    {
        const char *name;
        QList<ViewSpec> views;
        int checked;       // index of the view whose bounds are checked
        TkavRect expected; // Left, Top, Width, Height after aligning
    } cases[] = {
        {"left against neighbour", {{0, 0, 50, 20, baNone}, {100, 5, 30, 20, baLeft}}, 1, {50, 5, 30, 20}},
        {"left without overlap", {{0, 0, 50, 20, baNone}, {100, 40, 30, 20, baLeft}}, 1, {0, 40, 30, 20}},
        {"touching edges do not overlap", {{0, 0, 50, 20, baNone}, {100, 20, 30, 20, baLeft}}, 1, {0, 20, 30, 20}},
        {"width to the parent's edge",
         {{0, 0, 20, 20, baNone}, {20, 0, 100, 20, baWidth}},
         1,
         {20, 0, 280, 20}},
        {"lone width view spans the parent", {{20, 0, 100, 20, baWidth}}, 0, {0, 0, 300, 20}},
        {"width between neighbours",
         {{0, 0, 40, 20, baNone}, {60, 0, 10, 20, baWidth}, {200, 0, 50, 20, baNone}},
         1,
         {40, 0, 160, 20}},
        {"right to the parent's edge", {{10, 0, 40, 20, baRight}}, 0, {260, 0, 40, 20}},
        {"right against neighbour", {{10, 0, 40, 20, baRight}, {200, 0, 50, 20, baNone}}, 0, {160, 0, 40, 20}},
        {"centre", {{7, 3, 100, 20, baCenter}}, 0, {100, 3, 100, 20}},
        {"bottom", {{7, 3, 100, 20, baBottom}}, 0, {7, 80, 100, 20}},
        {"client", {{7, 3, 10, 20, baClient}}, 0, {0, 0, 300, 100}},
        {"negative positions sort by value",
         {{-50, 0, 20, 20, baNone}, {-5, 0, 10, 20, baNone}, {100, 0, 10, 20, baLeft}},
         2,
         {5, 0, 10, 20}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Document doc;
        doc.band->SetBounds(0, 20, 300, 100);
        auto *notAView = TkavComponent::Create<TestMemo>(doc.band); // takes no part
        notAView->SetBounds(1, 0, 5, 100);
        QList<TestView *> views;
        for (const ViewSpec &v : c.views) {
            auto *view = TkavComponent::Create<TestView>(doc.band);
            view->SetBounds(v.left, v.top, v.width, v.height);
            view->SetAlign(v.align);
            views.append(view);
        }
        doc.band->AlignChildren();
        const TestView *checked = views[c.checked];
        EXPECT_DOUBLE_EQ(checked->Left(), c.expected.Left);
        EXPECT_DOUBLE_EQ(checked->Top(), c.expected.Top);
        EXPECT_DOUBLE_EQ(checked->Width(), c.expected.Right);
        EXPECT_DOUBLE_EQ(checked->Height(), c.expected.Bottom);
        EXPECT_DOUBLE_EQ(notAView->Left(), 1);
    }
}

TEST(ComponentAlign, RestrictionsHoldInTheDesigner)
{
    Document doc;
    doc.band->SetBounds(0, 20, 300, 100);
    auto *view = TkavComponent::DesignCreate<TestView>(doc.band);
    view->SetBounds(7, 3, 10, 20);
    view->SetAlign(baClient);
    view->SetRestrictions({rfDontSize});
    doc.band->AlignChildren();
    EXPECT_DOUBLE_EQ(view->Left(), 0);
    EXPECT_DOUBLE_EQ(view->Width(), 10);
}

TEST(ReportRoot, ErrorsAreSortedWithoutDuplicatesAndTheLockNests)
{
    TkavReport report;
    report.Errors().Add(u"b"_s);
    report.Errors().Add(u"A"_s);
    report.Errors().Add(u"B"_s);
    EXPECT_EQ(report.Errors().ToStringList(), (QStringList{u"A"_s, u"b"_s}));

    std::unique_lock outer(kavReportLock());
    std::unique_lock inner(kavReportLock(), std::try_to_lock);
    EXPECT_TRUE(inner.owns_lock());
}

// --- name look-ups stay right through renames, moves and destruction ---------------------

namespace {

// The look-ups as plain walks, to hold the indexed ones against.
TkavComponent *walkFindObject(const TkavComponent &scope, QStringView name)
{
    for (TkavComponent *c : scope.AllObjects()) {
        if (kavSameText(c->Name(), name))
            return c;
    }
    return nullptr;
}

TkavComponent *walkFindComponent(const TkavComponent &owner, QStringView name)
{
    for (int i = 0; i < owner.ComponentCount(); ++i) {
        if (!name.isEmpty() && kavSameText(owner.Components(i)->Name(), name))
            return owner.Components(i);
    }
    return nullptr;
}

// The name CreateUniqueName must give c: the smallest number free in the report (or under
// the parent), apart from c's own name and the names its owner holds.
QString walkUniqueName(const TkavComponent &c)
{
    QStringList used{c.Name()};
    if (const TkavComponent *scope = c.Report() ? c.Report() : c.Parent())
        used += namesOf(scope->AllObjects());
    if (const TkavComponent *owner = c.Owner()) {
        for (int i = 0; i < owner->ComponentCount(); ++i)
            used.append(owner->Components(i)->Name());
    }
    for (int i = 1;; ++i) {
        const QString candidate = c.BaseName() + QString::number(i);
        if (!used.contains(candidate, Qt::CaseInsensitive))
            return candidate;
    }
}

// Every component below and including root answers FindObject like the walk does, for the
// names given and their upper-case forms; the owner answers FindComponent likewise.
void expectLookupsMatchWalks(const TkavComponent &root, const QStringList &names)
{
    QList<TkavComponent *> scopes = root.AllObjects();
    scopes.prepend(const_cast<TkavComponent *>(&root));
    for (const QString &name : names) {
        for (const QString &probe : {name, name.toUpper()}) {
            for (const TkavComponent *scope : std::as_const(scopes)) {
                EXPECT_EQ(scope->FindObject(probe), walkFindObject(*scope, probe))
                    << qPrintable(probe) << " below " << qPrintable(scope->Name());
            }
            EXPECT_EQ(root.FindComponent(probe), walkFindComponent(root, probe))
                << qPrintable(probe);
        }
    }
}

// Two reports: report / Page1 / MasterData1 / Memo1 each.
struct TwoDocuments
{
    Document first;
    Document second;
    QStringList names{u"Page1"_s, u"MasterData1"_s, u"Memo1"_s, u"Memo2"_s, u"Total"_s};

    void expectConsistent() const
    {
        expectLookupsMatchWalks(*first.report, names);
        expectLookupsMatchWalks(*second.report, names);
    }
};

} // namespace

TEST(ComponentNameIndex, LookupsFollowEveryChange)
{
    const struct
    {
        const char *step;
        std::function<void(TwoDocuments &)> change;
        // What the first report finds afterwards under the name "Memo1" (null: nothing).
        std::function<TkavComponent *(TwoDocuments &)> memo1;
    } cases[] = {
        {"rename",
         [](TwoDocuments &d) { d.first.memo->SetName(u"Total"_s); },
         [](TwoDocuments &) -> TkavComponent * { return nullptr; }},
        {"rename back and forth",
         [](TwoDocuments &d) {
             d.first.memo->SetName(u"Total"_s);
             d.first.memo->SetName(u"memo1"_s);
         },
         [](TwoDocuments &d) -> TkavComponent * { return d.first.memo; }},
        {"letter case only",
         [](TwoDocuments &d) { d.first.memo->SetName(u"MEMO1"_s); },
         [](TwoDocuments &d) -> TkavComponent * { return d.first.memo; }},
        {"cleared name",
         [](TwoDocuments &d) { d.first.memo->SetName(QString()); },
         [](TwoDocuments &) -> TkavComponent * { return nullptr; }},
        {"destroyed",
         [](TwoDocuments &d) { d.first.memo->Free(); },
         [](TwoDocuments &) -> TkavComponent * { return nullptr; }},
        {"destroyed with its band",
         [](TwoDocuments &d) { d.first.band->Free(); },
         [](TwoDocuments &) -> TkavComponent * { return nullptr; }},
        {"band detached from the tree",
         [](TwoDocuments &d) { d.first.band->SetParent(nullptr); },
         [](TwoDocuments &) -> TkavComponent * { return nullptr; }},
        {"band detached and put back",
         [](TwoDocuments &d) {
             d.first.band->SetParent(nullptr);
             d.first.band->SetParent(d.first.page);
         },
         [](TwoDocuments &d) -> TkavComponent * { return d.first.memo; }},
        {"memo moved into the other report",
         [](TwoDocuments &d) {
             d.second.memo->SetName(u"Memo2"_s);
             d.first.memo->SetParent(d.second.band);
         },
         [](TwoDocuments &) -> TkavComponent * { return nullptr; }},
        {"other report's band moved in: the first in tree order wins",
         [](TwoDocuments &d) { d.second.band->SetParent(d.first.page); },
         [](TwoDocuments &d) -> TkavComponent * { return d.first.memo; }},
        {"the same, then the own band moved behind it",
         [](TwoDocuments &d) {
             d.second.band->SetParent(d.first.page);
             d.first.band->SetParent(nullptr);
             d.first.band->SetParent(d.first.page);
         },
         [](TwoDocuments &d) -> TkavComponent * { return d.second.memo; }},
        {"the duplicate renamed away",
         [](TwoDocuments &d) {
             d.second.band->SetParent(d.first.page);
             d.first.memo->SetName(u"Total"_s);
         },
         [](TwoDocuments &d) -> TkavComponent * { return d.second.memo; }},
        {"ownership handed to the other report",
         [](TwoDocuments &d) {
             d.first.memo->SetParent(nullptr);
             std::unique_ptr<TkavComponent> memo = d.first.report->RemoveComponent(d.first.memo);
             d.second.memo->SetName(u"Memo2"_s);
             d.second.report->InsertComponent(std::move(memo));
         },
         [](TwoDocuments &) -> TkavComponent * { return nullptr; }},
        {"inherited children of a destroyed page are detached",
         [](TwoDocuments &d) {
             d.first.band->SetAncestor(true);
             d.first.page->Free();
         },
         [](TwoDocuments &) -> TkavComponent * { return nullptr; }},
        {"report cleared",
         [](TwoDocuments &d) { d.first.report->Clear(); },
         [](TwoDocuments &) -> TkavComponent * { return nullptr; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.step);
        TwoDocuments d;
        c.change(d);
        EXPECT_EQ(d.first.report->FindObject(u"Memo1"), c.memo1(d));
        d.expectConsistent();
        auto *fresh = TkavComponent::Create<TestMemo>(d.first.report.get());
        const QString expected = walkUniqueName(*fresh);
        fresh->CreateUniqueName();
        EXPECT_EQ(fresh->Name(), expected);
        d.expectConsistent();
    }
}

TEST(ComponentNameIndex, ForOwnersAndDetachedRoots)
{
    Document doc;
    // Owned outside the tree: FindComponent finds it, FindObject does not, and both a rename
    // to its name and a unique name avoid it.
    doc.memo->SetParent(nullptr);
    EXPECT_EQ(doc.report->FindComponent(u"MEMO1"), doc.memo);
    EXPECT_EQ(doc.report->FindObject(u"Memo1"), nullptr);
    auto *other = TkavComponent::Create<TestMemo>(doc.band);
    EXPECT_THROW(other->SetName(u"memo1"_s), EComponentError);
    other->CreateUniqueName();
    EXPECT_EQ(other->Name(), u"Memo2"_s);
    // A detached band is the root of its own tree and still finds its children.
    other->SetName(u"Memo1x"_s);
    doc.memo->SetParent(doc.band);
    doc.band->SetParent(nullptr);
    EXPECT_EQ(doc.band->FindObject(u"memo1x"), other);
    EXPECT_EQ(doc.report->FindObject(u"Memo1x"), nullptr);
    EXPECT_EQ(doc.band->FindObject(u"MasterData1"), nullptr); // never itself
    // The empty name is no index entry: the first unnamed descendant, as before.
    auto *unnamed = TkavComponent::Create<TestMemo>(doc.page);
    EXPECT_EQ(doc.report->FindObject(u""), unnamed);
    EXPECT_EQ(doc.report->FindComponent(u""), nullptr);
}

TEST(ComponentNameIndex, RandomEditsKeepLookupsEqualToWalks)
{
    std::mt19937 random(20261209);
    const auto pick = [&random](int count) { return int(random() % unsigned(count)); };
    Document first;
    Document second;
    TkavReport *reports[] = {first.report.get(), second.report.get()};
    const QStringList names{u"Memo1"_s, u"memo2"_s, u"Memo3"_s, u"Band1"_s, u"X"_s};
    for (int step = 0; step < 400; ++step) {
        TkavReport &report = *reports[pick(2)];
        QList<TkavComponent *> nodes = report.AllObjects();
        if (nodes.isEmpty()) {
            TkavComponent::Create<TestPage>(&report)->CreateUniqueName();
            continue;
        }
        TkavComponent *node = nodes[pick(int(nodes.size()))];
        const QList<TkavComponent *> targets = reports[pick(2)]->AllObjects() << reports[pick(2)];
        try {
            switch (pick(6)) {
            case 0:
                TkavComponent::Create<TestMemo>(node)->CreateUniqueName();
                break;
            case 1:
                node->SetName(names[pick(int(names.size()))]);
                break;
            case 2:
                node->SetParent(targets[pick(int(targets.size()))]);
                break;
            case 3:
                if (nodes.size() > 6)
                    node->Free();
                break;
            case 4:
                node->SetParent(nullptr);
                break;
            case 5: {
                const QString expected = walkUniqueName(*node);
                node->CreateUniqueName();
                EXPECT_EQ(node->Name(), expected);
                break;
            }
            }
        } catch (const Exception &) {
            // Refused renames and moves change nothing; the checks below still apply.
        }
        SCOPED_TRACE(step);
        for (TkavReport *r : reports)
            expectLookupsMatchWalks(*r, names);
        if (HasFailure())
            return;
    }
}
