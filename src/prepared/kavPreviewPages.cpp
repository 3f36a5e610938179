#include "kavPreviewPages.h"

#include "kavPictureCache.h"
#include "kavPreviewPages_p.h"

#include <persist/kavXML.h>
#include <persist/kavXMLSerializer.h>
#include <report/kavBands.h>
#include <report/kavCustomEngine.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavCast.h>
#include <rtl/kavFormat.h>
#include <rtl/kavMath.h>
#include <rtl/kavRTTI.h>

#include <QScopeGuard>

#include <cmath>

using namespace Qt::StringLiterals;

// ---------------------------------------------------------------------------------------
// Shared helpers

int kavItemInt(const TkavXMLItem &Item, QStringView Name, int Default)
{
    const QString text = Item.GetProp(Name);
    if (text.isEmpty())
        return Default;
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : Default;
}

bool kavIsPrepPageName(QStringView Name, int &SourceIndex)
{
    if (Name.size() < 5 || !Name.startsWith(u"page"))
        return false;
    bool ok = false;
    SourceIndex = Name.mid(4).toInt(&ok);
    return ok && SourceIndex >= 0 && Name.at(4).isDigit();
}

// ---------------------------------------------------------------------------------------
// TkavCustomOutline, TkavCustomPreviewPages

TkavCustomEngine *TkavCustomOutline::Engine() const
{
    return FPreviewPages ? FPreviewPages->Engine() : nullptr;
}

const TkavClassInfo &TkavCustomOutline::StaticClassInfo()
{
    static const TkavClassInfo info =
        kavMakeClassInfo<TkavCustomOutline, TPersistent>(u"TkavCustomOutline"_s, [](auto &) {});
    return info;
}

TkavCustomPreviewPages::~TkavCustomPreviewPages() = default;

// ---------------------------------------------------------------------------------------
// TkavOutline

TkavOutline::TkavOutline(TkavCustomPreviewPages *APreviewPages) : TkavCustomOutline(APreviewPages)
{
}

const TkavClassInfo &TkavOutline::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavOutline, TkavCustomOutline>(u"TkavOutline"_s, [](auto &) {});
    return info;
}

TkavXMLItem &TkavOutline::rootItem()
{
    return static_cast<TkavPreviewPages *>(PreviewPages())->ChildItem(kavOutlineElement);
}

TkavXMLItem &TkavOutline::current()
{
    TkavXMLItem &root = rootItem();
    TkavXMLItem *item = CurItem();
    // The item must still hang below the outline (a pass may have deleted it).
    for (TkavXMLItem *p = item; p; p = p->Parent())
        if (p == &root)
            return *item;
    SetCurItem(&root);
    return root;
}

int TkavOutline::GetCount()
{
    return current().Count();
}

void TkavOutline::AddItem(const QString &Text, int Top)
{
    TkavXMLItem *item = current().Add(u"item"_s);
    item->SetProp(u"text", Text);
    item->SetProp(u"page", QString::number(PreviewPages()->CurPage()));
    item->SetProp(u"top", QString::number(Top));
    SetCurItem(item);
}

void TkavOutline::LevelDown(int Index)
{
    TkavXMLItem &item = current();
    if (Index >= 0 && Index < item.Count())
        SetCurItem(item.Items(Index));
}

void TkavOutline::LevelRoot()
{
    SetCurItem(&rootItem());
}

void TkavOutline::LevelUp()
{
    TkavXMLItem &item = current();
    if (&item != &rootItem())
        SetCurItem(item.Parent());
}

void TkavOutline::GetItem(int Index, QString &Text, int &Page, int &Top)
{
    const TkavXMLItem &item = *current().Items(Index);
    Text = item.GetProp(u"text");
    Page = kavItemInt(item, u"page", Page);
    Top = kavItemInt(item, u"top", Top);
}

TkavXMLItem *TkavOutline::GetCurPosition()
{
    TkavXMLItem &item = current();
    return item.Count() > 0 ? item.Items(item.Count() - 1) : nullptr;
}

namespace {

// Prepared pages held in memory (their text, in characters) beyond which they move to the
// swap file even when the file cache is off.
constexpr qint64 automaticSwapSize = qint64(16) << 20;

void shiftOutlineTree(TkavXMLItem &item, int page, int dy)
{
    item.SetProp(u"page", QString::number(page));
    item.SetProp(u"top", QString::number(kavItemInt(item, u"top", 0) + dy));
    for (int i = 0; i < item.Count(); ++i)
        shiftOutlineTree(*item.Items(i), page, dy);
}

} // namespace

// Every item added after From at From's level (all of the current level when From is null:
// it had no items when the block started) lands on the current page, the first at NewTop.
void TkavOutline::ShiftItems(TkavXMLItem *From, int NewTop)
{
    TkavXMLItem *level = From ? From->Parent() : &current();
    if (!level)
        return;
    const int first = From ? level->IndexOf(From) + 1 : 0;
    if (first <= 0 && From)
        return;
    if (first >= level->Count())
        return;
    const int dy = NewTop - kavItemInt(*level->Items(first), u"top", 0);
    const int page = PreviewPages()->CurPage();
    for (int i = first; i < level->Count(); ++i)
        shiftOutlineTree(*level->Items(i), page, dy);
}

// ---------------------------------------------------------------------------------------
// TkavPreviewPages: construction and state

TkavPreviewPages::TkavPreviewPages(TkavReport *AReport)
    : TkavCustomPreviewPages(AReport)
    , FPictureCache(std::make_unique<TkavPictureCache>())
    , FXMLDoc(std::make_unique<TkavXMLDocument>())
{
    SetOutline(std::make_unique<TkavOutline>(this));
    FXMLDoc->Root()->SetName(kavPreparedRootElement);
}

TkavPreviewPages::~TkavPreviewPages()
{
    ClearPageCache();
}

int TkavPreviewPages::GetCount()
{
    const int index = FXMLDoc->Root()->Find(kavPagesElement);
    return index < 0 ? 0 : FXMLDoc->Root()->Items(index)->Count();
}

TkavXMLItem &TkavPreviewPages::ChildItem(const QString &Name)
{
    return *FXMLDoc->Root()->FindItem(Name);
}

TkavXMLItem &TkavPreviewPages::PagesItem()
{
    return ChildItem(kavPagesElement);
}

TkavXMLItem *TkavPreviewPages::PageItem(int Index, bool ForWriting)
{
    TkavXMLItem &pages = PagesItem();
    if (Index < 0 || Index >= pages.Count())
        return nullptr;
    TkavXMLItem *item = pages.Items(Index);
    // A swapped-out page is read back before anything is added to it, and marked so that
    // the next swap-out writes the new content.
    if (!item->Loaded())
        FXMLDoc->LoadItem(*item);
    if (ForWriting) {
        item->SetModified(true);
        if (FStream)
            FStream->pageChanged(Index);
    }
    return item;
}

bool TkavPreviewPages::useFileCache() const
{
    return Report() && Report()->EngineOptions().UseFileCache();
}

int TkavPreviewPages::pagesInCache() const
{
    return Report() ? Report()->PreviewOptions().PagesInCache() : DefaultPagesInCache;
}

bool TkavPreviewPages::firstPassOfTwo() const
{
    return Engine() && Engine()->DoublePass() && !Engine()->FinalPass();
}

void TkavPreviewPages::resetContent()
{
    FXMLSize = 0;
    FLastY = 0;
    FFirstPageIndex = -1;
    FFirstObjectIndex = 0;
    FFirstOutlineIndex = 0;
    FLogicalPageN = 0;
    SetCurPage(-1);
    Outline().SetCurItem(nullptr);
}

void TkavPreviewPages::Clear()
{
    if (FStream)
        FStream->pageChanged(-1);
    // The view under the mouse belongs to pages that go now.
    FLastObjectOverPage.reset();
    FLastObjectOver = nullptr;
    ClearPageCache();
    FSources.clear();
    FSourcePages.clear();
    FXMLDoc->Clear();
    FXMLDoc->Root()->SetName(kavPreparedRootElement);
    FXMLDoc->Root()->SetText(QString());
    FDictionary.Clear();
    FPictureCache->Clear();
    FBuildErrors.clear();
    FAllowPartialLoading = false;
    resetContent();
}

void TkavPreviewPages::Initialize()
{
    if (!Report())
        return;
    const QString &tempDir = Report()->EngineOptions().TempDir();
    FPictureCache->SetUseFileCache(Report()->PreviewOptions().PictureCacheInFile());
    FPictureCache->SetTempDir(tempDir);
    FXMLDoc->SetTempDir(tempDir);
    Report()->InternalOnProgressStart(ptRunning);
}

void TkavPreviewPages::Finish()
{
    FLastY = 0;
    ClearPageCache();
    for (const auto &page : FSourcePages)
        page->SetOriginalComponent(nullptr);
    if (Report())
        Report()->InternalOnProgressStop(ptRunning);
}

// ---------------------------------------------------------------------------------------
// Source pages

int TkavPreviewPages::SourcePageIndex(const TkavComponent *Page) const
{
    for (size_t i = 0; i < FSourcePages.size(); ++i)
        if (Page && FSourcePages[i]->OriginalComponent() == Page)
            return int(i);
    return -1;
}

namespace {

// A copy keeps no picture (pictures travel through the picture cache) and no data binding.
void stripCopy(TkavComponent &copy)
{
    if (auto *picture = kavCast<TkavPictureView>(&copy))
        picture->Picture().Clear();
    if (auto *memo = kavCast<TkavCustomMemoView>(&copy)) {
        memo->SetDataSet(nullptr);
        memo->SetDataField(QString());
    }
}

QString sourceText(TkavComponent &copy)
{
    if (copy.kvComponentStyle().Contains(csDefaultDiff))
        return copy.ClassName();
    TkavXMLSerializer serializer;
    return serializer.WriteComponentStr(&copy);
}

} // namespace

void TkavPreviewPages::CloneSourceTree(TkavComponent &Template, TkavComponent &Copy)
{
    for (TkavComponent *child : Template.Objects()) {
        if (!child->kvComponentStyle().Contains(csPreviewVisible))
            continue;
        TkavComponent *copy = TkavComponent::Create(child->ClassName(), &Copy);
        copy->Assign(*child);
        copy->setPreparedName(child->Name());
        child->SetOriginalComponent(copy);
        copy->SetOriginalComponent(child);
        CloneSourceTree(*child, *copy);
    }
}

void TkavPreviewPages::registerSource(TkavComponent &Template, TkavComponent &Copy, int SourceIndex)
{
    const QString base = Copy.InheritsFrom(TkavBand::StaticClassInfo())
                             ? u"b"_s
                             : Copy.BaseName().left(1).toLower();
    const QString alias = FDictionary.AddUnique(
        base, u"Page%1.%2"_s.arg(SourceIndex).arg(Copy.Name()), &Copy);
    stripCopy(Copy);
    FSources[&Copy] = SourceObject{&Copy, sourceText(Copy)};
    Template.SetAliasName(alias);
    Copy.SetAliasName(alias);
}

void TkavPreviewPages::AddSourcePage(TkavReportPage *Page)
{
    if (!Page)
        return;
    std::unique_ptr<TkavReportPage> copy = kavCreateObjectAs<TkavReportPage>(Page->ClassName());
    copy->Assign(*Page);
    copy->setPreparedName(Page->Name());
    copy->SetOriginalComponent(Page);
    CloneSourceTree(*Page, *copy);
    const int index = int(FSourcePages.size());
    FSources[copy.get()] = SourceObject{copy.get(), TkavXMLSerializer().ObjToXML(copy.get())};
    FSourcePages.push_back(std::move(copy));
    for (TkavComponent *object : Page->AllObjects()) {
        TkavComponent *sourceCopy = object->OriginalComponent();
        if (sourceCopy && FSources.count(sourceCopy) == 0 && sourceCopy->OriginalComponent() == object)
            registerSource(*object, *sourceCopy, index);
        else if (!sourceCopy)
            object->AddSourceObjects();
    }
}

void TkavPreviewPages::AddToSourcePage(TkavComponent *Obj)
{
    if (!Obj || FSourcePages.empty())
        return;
    TkavReportPage &page = *FSourcePages.back();
    TkavComponent *copy = TkavComponent::Create(Obj->ClassName(), &page);
    copy->Assign(*Obj);
    copy->CreateUniqueName();
    Obj->SetOriginalComponent(copy);
    registerSource(*Obj, *copy, int(FSourcePages.size()) - 1);
}

const TkavPreviewPages::SourceObject *TkavPreviewPages::GetSourceObject(const QString &Alias) const
{
    TkavComponent *copy = FDictionary.GetObject(Alias);
    if (!copy)
        return nullptr;
    const auto found = FSources.find(copy);
    return found == FSources.end() ? nullptr : &found->second;
}

void TkavPreviewPages::UpdatePageDimensions(TkavReportPage *Page, double Width, double Height)
{
    const int index = SourcePageIndex(Page);
    if (index < 0)
        return;
    TkavReportPage &page = *FSourcePages[size_t(index)];
    if (FStream) // pages already built from this source would change
        FStream->pageChanged(-1);
    page.SetPaperSize(kavPaperCustom);
    page.SetPaperWidth(Width / kavMMToPixels);
    page.SetPaperHeight(Height / kavMMToPixels);
    SourceObject &source = FSources[&page];
    source.Text = TkavXMLSerializer().ObjToXML(&page);
    source.Template.reset();
    ClearPageCache();
}

// ---------------------------------------------------------------------------------------
// Pages and objects

void TkavPreviewPages::AddPage(TkavReportPage *Page)
{
    TkavXMLItem &pages = PagesItem();
    UnloadOldPages();
    SetCurPage(CurPage() + 1);
    if (CurPage() < pages.Count() && AddPageAction() != apAdd) {
        if (FStream)
            FStream->pageChanged(CurPage());
        return; // the engine writes over the existing page
    }
    const int source = SourcePageIndex(Page);
    TkavXMLItem *item;
    if (source >= 0) {
        item = pages.Add(u"page"_s + QString::number(source));
    } else {
        // A page without a source page is stored in full.
        item = pages.Add(Page ? Page->ClassName() : u"TkavReportPage"_s);
        if (Page)
            item->SetText(TkavXMLSerializer().ObjToXML(Page));
    }
    if (pages.Count() > 2)
        item->SetUnloadable(true);
    SetAddPageAction(apWriteOver);
    SetCurPage(pages.Count() - 1);
    IncLogicalPageNumber();
    // The page is complete in the store before anyone looks at it.
    if (Report())
        Report()->InternalOnProgress(ptRunning, CurPage() + 1);
    if (FStream)
        FStream->pageAdded();
}

void TkavPreviewPages::AddObject(TkavComponent *Obj)
{
    int source;
    if (TkavXMLItem *page = CurrentPageItem())
        AddObjectItem(*page, Obj, !kavIsPrepPageName(page->Name(), source));
}

// Objects without a source object, and every object of a page stored in full, are stored
// in full; the others as their difference from the source object.
void TkavPreviewPages::AddObjectItem(TkavXMLItem &Parent, TkavComponent *Obj, bool FullPage)
{
    if (!Obj || !Obj->Visible() || !Obj->kvComponentStyle().Contains(csPreviewVisible))
        return;
    TkavComponent *source = Obj->OriginalComponent();
    if (source && FSources.count(source) == 0)
        source = nullptr;
    // A picture travels through the picture cache, stored once until it changes: the page
    // keeps only its ImageIndex (the flags are the view's own again afterwards).
    auto *picture = kavCast<TkavPictureView>(Obj);
    if (picture && picture->PictureChanged()) {
        AddPicture(picture);
        picture->SetPictureChanged(false);
    }
    const bool pictureStored = picture && picture->IsPictureStored();
    const bool indexStored = picture && picture->IsImageIndexStored();
    if (picture) {
        picture->SetIsPictureStored(false);
        picture->SetIsImageIndexStored(true);
    }
    const auto restoreFlags = qScopeGuard([&] {
        if (picture) {
            picture->SetIsPictureStored(pictureStored);
            picture->SetIsImageIndexStored(indexStored);
        }
    });
    QString name;
    QString text;
    if (!source || FullPage) {
        name = Obj->ClassName();
        text = Obj->AllDiff(nullptr);
    } else {
        name = Obj->AliasName();
        if (firstPassOfTwo())
            text = Obj->TkavComponent::Diff(*source);
        else if (Obj->kvComponentStyle().Contains(csDefaultDiff))
            text = Obj->AllDiff(source);
        else
            text = Obj->Diff(*source);
    }
    TkavXMLItem *item = Parent.Add(name);
    FXMLSize += name.size() + text.size() + 68;
    item->SetText(std::move(text));
    for (TkavComponent *child : Obj->Objects())
        AddObjectItem(*item, child, FullPage);
}

void TkavPreviewPages::UnloadOldPages()
{
    // Without the file cache a long report still moves its pages to the swap file, past a
    // larger size, so memory stays flat however long it gets.
    const bool cache = useFileCache();
    const qint64 limit = cache && Report() ? qint64(Report()->EngineOptions().MaxMemSize()) * 1048576
                                           : automaticSwapSize;
    if (FXMLSize <= limit)
        return;
    FXMLSize = 0;
    TkavXMLItem &pages = PagesItem();
    try {
        // The last page stays: the engine may still move objects across it. So does the
        // page being written, when the engine went back to an earlier one.
        for (int i = pages.Count() - 2; i >= 0; --i)
            if (i != CurPage())
                FXMLDoc->UnloadItem(*pages.Items(i));
    } catch (const Exception &) {
        // A swap file nobody asked for that cannot be written: the pages stay in memory (a
        // page is cleared only once written whole) and the next try is as much later.
        if (cache)
            throw;
    }
}

int TkavPreviewPages::GetCurPosition()
{
    const TkavXMLItem *page = PageItem(CurPage(), false);
    return page ? page->Count() : 0;
}

void TkavPreviewPages::CutObjects(int APosition)
{
    TkavXMLItem *page = CurrentPageItem();
    if (!page)
        return;
    TkavXMLItem &cut = ChildItem(kavCutElement);
    while (page->Count() > std::max(APosition, 0))
        cut.AddItem(page->Items(std::max(APosition, 0)));
}

double TkavPreviewPages::sourceGeometry(const TkavXMLItem &Item, QStringView Attr) const
{
    const SourceObject *source = GetSourceObject(Item.Name());
    if (!source)
        return 0;
    const TkavComponent &copy = *source->Copy;
    switch (Attr.at(0).unicode()) {
    case u'l':
        return copy.Left();
    case u't':
        return copy.Top();
    case u'w':
        return copy.Width();
    default:
        return copy.Height();
    }
}

// A position of an object element: its short attribute, else its full one (objects stored
// in full), else the source object's value, which a difference leaves out when equal.
double TkavPreviewPages::itemGeometry(const TkavXMLItem &Item, QStringView Attr) const
{
    double value = 0;
    if (kavTryFileTextToFloat(Item.GetProp(Attr), value))
        return value;
    static const QString fullNames[] = {u"Left"_s, u"Top"_s, u"Width"_s, u"Height"_s};
    const int which = Attr == u"l" ? 0 : Attr == u"t" ? 1 : Attr == u"w" ? 2 : 3;
    if (kavTryFileTextToFloat(Item.GetProp(fullNames[which]), value))
        return value;
    return sourceGeometry(Item, Attr);
}

void TkavPreviewPages::PasteObjects(double X, double Y)
{
    const int index = FXMLDoc->Root()->Find(kavCutElement);
    if (index < 0)
        return;
    TkavXMLItem &cut = *FXMLDoc->Root()->Items(index);
    TkavXMLItem *page = CurrentPageItem();
    if (page && cut.Count() > 0) {
        const double dx = X - itemGeometry(*cut.Items(0), u"l");
        const double dy = Y - itemGeometry(*cut.Items(0), u"t");
        while (cut.Count() > 0) {
            TkavXMLItem *item = cut.Items(0);
            item->SetProp(u"l", kavFloatToFileText(itemGeometry(*item, u"l") + dx));
            item->SetProp(u"t", kavFloatToFileText(itemGeometry(*item, u"t") + dy));
            page->AddItem(item);
        }
    }
    FXMLDoc->Root()->DeleteItem(index);
}

bool TkavPreviewPages::BandExists(TkavBand *Band)
{
    const TkavXMLItem *page = PageItem(CurPage(), false);
    if (!page || !Band)
        return false;
    const bool pageFooter = Band->InheritsFrom(TkavPageFooter::StaticClassInfo());
    const bool columnFooter = Band->InheritsFrom(TkavColumnFooter::StaticClassInfo());
    for (int i = 0; i < page->Count(); ++i) {
        const SourceObject *source = GetSourceObject(page->Items(i)->Name());
        if (!source)
            continue;
        const TkavComponent &copy = *source->Copy;
        if (copy.OriginalComponent() == Band
            || (pageFooter && copy.InheritsFrom(TkavPageFooter::StaticClassInfo()))
            || (columnFooter && copy.InheritsFrom(TkavColumnFooter::StaticClassInfo())))
            return true;
    }
    return false;
}

double TkavPreviewPages::GetLastY(double ColumnPosition)
{
    double result = 0;
    if (const TkavXMLItem *page = PageItem(CurPage(), false)) {
        for (int i = 0; i < page->Count(); ++i) {
            const TkavXMLItem &item = *page->Items(i);
            const SourceObject *source = GetSourceObject(item.Name());
            const TkavClassInfo *cls =
                source ? &source->Copy->ClassInfo() : kavFindClass(item.Name());
            if (!cls || !cls->InheritsFrom(TkavBand::StaticClassInfo())
                || cls->InheritsFrom(TkavPageFooter::StaticClassInfo())
                || cls->InheritsFrom(TkavOverlay::StaticClassInfo()))
                continue;
            const bool always = cls->InheritsFrom(TkavPageHeader::StaticClassInfo())
                                || cls->InheritsFrom(TkavReportTitle::StaticClassInfo());
            if (ColumnPosition != 0 && !always
                && std::abs(itemGeometry(item, u"l") - ColumnPosition) >= 0.001)
                continue;
            result = std::max(result, itemGeometry(item, u"t") + itemGeometry(item, u"h"));
        }
    }
    return result == 0 && FLastY != 0 ? FLastY : result;
}

// ---------------------------------------------------------------------------------------
// Logical page numbers and passes

void TkavPreviewPages::IncLogicalPageNumber()
{
    if (Engine() && Engine()->DoublePass() && Engine()->FinalPass())
        return; // the numbers of the first pass stand
    ++FLogicalPageN;
    ChildItem(kavLogicalElement).Add(u"page"_s)->SetProp(u"n", QString::number(FLogicalPageN));
}

void TkavPreviewPages::ResetLogicalPageNumber()
{
    // Nothing counted since the last reset: the totals written then stand.
    if ((Engine() && Engine()->DoublePass() && Engine()->FinalPass()) || FLogicalPageN == 0)
        return;
    TkavXMLItem &numbers = ChildItem(kavLogicalElement);
    for (int i = CurPage(); i > FFirstPageIndex; --i) {
        if (i >= numbers.Count())
            continue;
        TkavXMLItem &item = *numbers.Items(i);
        item.SetProp(u"t", QString::number(FLogicalPageN));
        if (item.GetProp(u"n") == u"1")
            break;
    }
    FLogicalPageN = 0;
}

int TkavPreviewPages::GetLogicalPageNo()
{
    TkavXMLItem &numbers = ChildItem(kavLogicalElement);
    if (CurPage() >= 0 && CurPage() < numbers.Count())
        return kavItemInt(*numbers.Items(CurPage()), u"n", 0);
    return CurPage() - FirstPage() + 1;
}

int TkavPreviewPages::GetLogicalTotalPages()
{
    TkavXMLItem &numbers = ChildItem(kavLogicalElement);
    if (CurPage() >= 0 && CurPage() < numbers.Count())
        return kavItemInt(*numbers.Items(CurPage()), u"t", 0);
    return (Engine() ? Engine()->TotalPages() : 0) - FirstPage();
}

void TkavPreviewPages::BeginPass()
{
    FFirstPageIndex = Count() - 1;
    if (FFirstPageIndex >= 0) {
        FFirstObjectIndex = PageItem(FFirstPageIndex, false)->Count();
        FFirstOutlineIndex = ChildItem(kavOutlineElement).Count();
    }
    ResetLogicalPageNumber();
}

void TkavPreviewPages::ClearFirstPassPages()
{
    if (FStream)
        FStream->pageChanged(-1);
    ClearPageCache();
    TkavXMLItem &root = *FXMLDoc->Root();
    if (FFirstPageIndex == -1) {
        for (int i = 0; i < root.Count(); ++i) {
            TkavXMLItem &child = *root.Items(i);
            if (!kavSameText(child.Name(), kavAnchorsElement)
                && !kavSameText(child.Name(), kavLogicalElement))
                child.Clear();
        }
    } else {
        TkavXMLItem *page = PageItem(FFirstPageIndex, true);
        while (page->Count() > FFirstObjectIndex)
            page->DeleteItem(page->Count() - 1);
        TkavXMLItem &pages = PagesItem();
        while (pages.Count() > FFirstPageIndex + 1)
            pages.DeleteItem(pages.Count() - 1);
        TkavXMLItem &outline = ChildItem(kavOutlineElement);
        while (outline.Count() > FFirstOutlineIndex)
            outline.DeleteItem(outline.Count() - 1);
    }
    Outline().SetCurItem(nullptr);
    ResetLogicalPageNumber();
    SetCurPage(FFirstPageIndex);
    FXMLSize = 0;
}

// ---------------------------------------------------------------------------------------
// Anchors

void TkavPreviewPages::AddAnchor(const QString &Text)
{
    TkavXMLItem *item = ChildItem(kavAnchorsElement).Add(u"item"_s);
    item->SetProp(u"text", Text);
    item->SetProp(u"page", QString::number(CurPage()));
    const double y = Engine() ? Engine()->CurY() : 0;
    item->SetProp(u"top", QString::number(qint64(kavRoundFloat(y))));
}

TkavXMLItem *TkavPreviewPages::FindAnchor(const QString &Text)
{
    TkavXMLItem &anchors = ChildItem(kavAnchorsElement);
    for (int i = anchors.Count() - 1; i >= 0; --i)
        if (kavSameText(anchors.Items(i)->GetProp(u"text"), Text))
            return anchors.Items(i);
    return nullptr;
}

int TkavPreviewPages::GetAnchorPage(const QString &Text)
{
    const TkavXMLItem *item = FindAnchor(Text);
    return item ? kavItemInt(*item, u"page", 0) + 1 : 1;
}

int TkavPreviewPages::GetAnchorCurPosition()
{
    return ChildItem(kavAnchorsElement).Count() - 1;
}

// The anchors added after From land on the current page, the first at NewTop.
void TkavPreviewPages::ShiftAnchors(int From, int NewTop)
{
    TkavXMLItem &anchors = ChildItem(kavAnchorsElement);
    const int first = std::max(From + 1, 0);
    if (first >= anchors.Count())
        return;
    const int dy = NewTop - kavItemInt(*anchors.Items(first), u"top", 0);
    for (int i = first; i < anchors.Count(); ++i) {
        TkavXMLItem &item = *anchors.Items(i);
        item.SetProp(u"page", QString::number(CurPage()));
        item.SetProp(u"top", QString::number(kavItemInt(item, u"top", 0) + dy));
    }
}

void TkavPreviewPages::AddPicture(TkavPictureView *Picture)
{
    if (Picture)
        FPictureCache->AddPicture(*Picture);
}

// ---------------------------------------------------------------------------------------
// Editing and composing

void TkavPreviewPages::AddEmptyPage(int Index)
{
    TkavXMLItem &pages = PagesItem();
    if (Index < 0 || Index >= pages.Count())
        return;
    if (FStream)
        FStream->pageChanged(Index);
    pages.InsertItem(Index, std::make_unique<TkavXMLItem>(pages.Items(Index)->Name()));
    ClearPageCache();
}

void TkavPreviewPages::DeletePage(int Index)
{
    TkavXMLItem &pages = PagesItem();
    if (pages.Count() <= 1 || Index < 0 || Index >= pages.Count())
        return;
    if (FStream)
        FStream->pageChanged(Index);
    pages.DeleteItem(Index);
    ClearPageCache();
}

void TkavPreviewPages::ModifyPage(int Index, TkavReportPage *Page)
{
    TkavXMLItem &pages = PagesItem();
    if (!Page || Index < 0 || Index >= pages.Count())
        return;
    if (FStream)
        FStream->pageChanged(Index);
    auto item = std::make_unique<TkavXMLItem>();
    TkavXMLSerializer().WriteRootComponent(Page, true, item.get());
    if (!item->PropExists(u"Name") && !Page->Name().isEmpty())
        item->SetProp(u"Name", Page->Name());
    pages.DeleteItem(Index);
    pages.InsertItem(Index, std::move(item));
    ClearPageCache();
}

void TkavPreviewPages::CopyOutlineLevel(TkavCustomOutline &From, int PageOffset)
{
    const int savedPage = CurPage();
    for (int i = 0; i < From.Count(); ++i) {
        QString text;
        int page = 0;
        int top = 0;
        From.GetItem(i, text, page, top);
        SetCurPage(PageOffset + page);
        Outline().AddItem(text, top);
        From.LevelDown(i);
        CopyOutlineLevel(From, PageOffset);
        From.LevelUp();
        Outline().LevelUp();
    }
    SetCurPage(savedPage);
}

void TkavPreviewPages::AddFrom(TkavReport *Report)
{
    if (!Report || !Report->PreviewPages())
        return;
    TkavCustomPreviewPages &other = *Report->PreviewPages();
    const int offset = Count();
    TkavXMLItem &pages = PagesItem();
    for (int i = 0; i < other.Count(); ++i) {
        std::shared_ptr<TkavReportPage> page = other.GetPage(i);
        auto item = std::make_unique<TkavXMLItem>();
        if (page)
            TkavXMLSerializer().WriteRootComponent(page.get(), true, item.get());
        else
            item->SetName(u"TkavReportPage"_s);
        pages.AddItem(std::move(item));
    }
    if (auto *store = kavCast<TkavPreviewPages>(&other)) {
        // The composed pages keep their own numbering.
        TkavXMLItem &numbers = store->ChildItem(kavLogicalElement);
        for (int i = 0; i < numbers.Count(); ++i)
            ChildItem(kavLogicalElement).Add(u"page"_s)->SetText(numbers.Items(i)->Text());
        TkavXMLItem &anchors = store->ChildItem(kavAnchorsElement);
        for (int i = 0; i < anchors.Count(); ++i) {
            TkavXMLItem *item = ChildItem(kavAnchorsElement).Add(u"item"_s);
            item->SetText(anchors.Items(i)->Text());
            item->SetProp(u"page", QString::number(kavItemInt(*anchors.Items(i), u"page", 0) + offset));
        }
    }
    other.Outline().LevelRoot();
    Outline().LevelRoot();
    CopyOutlineLevel(other.Outline(), offset);
    if (other.Count() > 0) {
        const int savedPage = other.CurPage();
        other.SetCurPage(other.Count() - 1);
        FLastY = other.GetLastY(0);
        other.SetCurPage(savedPage);
    }
    SetCurPage(Count() - 1);
    ClearPageCache();
}
