#include "kavCollections.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>

#include <QStringBuilder>

#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;

// ---------------------------------------------------------------------------------------
// TkavCollectionItem

const TkavClassInfo &TkavCollectionItem::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavCollectionItem, TCollectionItem>(
        u"TkavCollectionItem"_s, [](TkavPropBuilder<TkavCollectionItem> &p) {
            p.String(u"InheritedName"_s,
                     &TkavCollectionItem::GetInheritedName,
                     &TkavCollectionItem::SetInheritedName)
                .StoredIf(&TkavCollectionItem::IsInheritedNameStored);
        });
    return info;
}

TkavCollectionItem::~TkavCollectionItem() = default;

int TkavCollectionItem::Index() const
{
    return FCollection ? FCollection->IndexOf(this) : -1;
}

void TkavCollectionItem::SetIndex(int index)
{
    if (FCollection)
        FCollection->Move(Index(), index);
}

void TkavCollectionItem::CreateUniqueName()
{
    const QString base = ClassName();
    const int count = FCollection ? FCollection->Count() : 1;
    // One pass marks the numbers n whose name base + n is taken; with count items (this one
    // included) the smallest free number is at most count + 1. Loading thousands of items
    // stays linear per item this way.
    std::vector<bool> taken(size_t(count) + 2, false);
    const auto mark = [&](const QString &name) {
        if (name.size() <= base.size() || !kavSameText(QStringView(name).left(base.size()), base))
            return;
        const QStringView digits = QStringView(name).mid(base.size());
        // Only the canonical decimal form names the number ("Item01" is not "Item1").
        if (digits.front() == u'0' || digits.size() > 10)
            return;
        qint64 n = 0;
        for (const QChar c : digits) {
            if (c < u'0' || c > u'9')
                return;
            n = n * 10 + (c.unicode() - u'0');
        }
        if (n < qint64(taken.size()))
            taken[size_t(n)] = true;
    };
    if (FCollection) {
        for (int i = 0; i < count; ++i)
            mark(FCollection->Items(i)->GetInheritedName());
    } else {
        mark(GetInheritedName());
    }
    size_t n = 1;
    while (taken[n])
        ++n;
    FInheritedName = base % QString::number(n);
}

// ---------------------------------------------------------------------------------------
// TkavCollection

const TkavClassInfo &TkavCollection::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavCollection, TCollection>(
        u"TkavCollection"_s, [](TkavPropBuilder<TkavCollection> &) {});
    return info;
}

TkavCollection::TkavCollection(const TkavClassInfo &itemClass)
    : FItemClass(&itemClass)
{
    if (!itemClass.InheritsFrom(TkavCollectionItem::StaticClassInfo()) || !itemClass.CanCreate())
        throw std::logic_error("a collection needs a creatable TkavCollectionItem class");
}

TkavCollection::~TkavCollection()
{
    // Items may look at their collection while they go; detach them first.
    for (auto &item : FItems)
        item->FCollection = nullptr;
}

void TkavCollection::checkIndex(int index, int count) const
{
    if (index < 0 || index >= count)
        throw EListError(u"List index out of bounds (%1)"_s.arg(index));
}

TkavCollectionItem *TkavCollection::Items(int index) const
{
    checkIndex(index, Count());
    return FItems[size_t(index)].get();
}

std::unique_ptr<TkavCollectionItem> TkavCollection::CreateItem() const
{
    std::unique_ptr<TPersistent> obj = FItemClass->Create();
    auto *item = dynamic_cast<TkavCollectionItem *>(obj.get());
    if (!item)
        throw std::logic_error("the item class did not create a TkavCollectionItem");
    obj.release();
    return std::unique_ptr<TkavCollectionItem>(item);
}

TkavCollectionItem *TkavCollection::Add()
{
    return InsertItem(Count(), CreateItem());
}

TkavCollectionItem *TkavCollection::Insert(int index)
{
    checkIndex(index, Count() + 1);
    return InsertItem(index, CreateItem());
}

TkavCollectionItem *TkavCollection::InsertItem(int index, std::unique_ptr<TkavCollectionItem> item)
{
    checkIndex(index, Count() + 1);
    if (!item || item->FCollection)
        throw EListError(u"The item already belongs to a collection"_s);
    if (!item->InheritsFrom(*FItemClass))
        throw EListError(u"A %1 cannot hold a %2"_s.arg(ClassName(), item->ClassName()));
    TkavCollectionItem *added = item.get();
    FItems.insert(FItems.begin() + index, std::move(item));
    added->FCollection = this;
    Added(*added);
    return added;
}

std::unique_ptr<TkavCollectionItem> TkavCollection::Extract(int index)
{
    checkIndex(index, Count());
    std::unique_ptr<TkavCollectionItem> item = std::move(FItems[size_t(index)]);
    FItems.erase(FItems.begin() + index);
    item->FCollection = nullptr;
    return item;
}

void TkavCollection::Delete(int index)
{
    Extract(index);
}

void TkavCollection::Clear()
{
    std::vector<std::unique_ptr<TkavCollectionItem>> items;
    items.swap(FItems);
    for (auto &item : items)
        item->FCollection = nullptr;
}

int TkavCollection::IndexOf(const TkavCollectionItem *item) const
{
    for (size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i].get() == item)
            return int(i);
    }
    return -1;
}

void TkavCollection::Move(int curIndex, int newIndex)
{
    checkIndex(curIndex, Count());
    checkIndex(newIndex, Count());
    if (curIndex == newIndex)
        return;
    std::unique_ptr<TkavCollectionItem> item = std::move(FItems[size_t(curIndex)]);
    FItems.erase(FItems.begin() + curIndex);
    FItems.insert(FItems.begin() + newIndex, std::move(item));
}

TkavCollectionItem *TkavCollection::FindByName(const QString &name) const
{
    for (const auto &item : FItems) {
        if (item->GetInheritedName() == name)
            return item.get();
    }
    return nullptr;
}

void TkavCollection::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TkavCollection *>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    // Build the copies aside, so a failing item Assign leaves this collection unchanged.
    TkavCollection copy(*FItemClass);
    for (const auto &item : other->FItems)
        copy.Add()->Assign(*item);
    SwapItems(copy);
}

void TkavCollection::SwapItems(TkavCollection &other) noexcept
{
    FItems.swap(other.FItems);
    for (auto &item : FItems)
        item->FCollection = this;
    for (auto &item : other.FItems)
        item->FCollection = &other;
}

void TkavCollection::SerializeProperties(TkavXMLSerializer &, TkavCollection *, TkavComponent *)
{}

void TkavCollection::DeserializeProperties(const QString &, TkavXMLSerializer &, TkavCollection *)
{}

void TkavCollection::Added(TkavCollectionItem &item)
{
    item.CreateUniqueName();
}

void kavRegisterCollectionClasses()
{
    kavRegisterClass(TkavCollectionItem::StaticClassInfo());
    kavRegisterClass(TkavCollection::StaticClassInfo());
}
