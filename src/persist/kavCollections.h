#pragma once

// Owned, ordered item collections for report-level lists (data sets, variables, styles);
// each item's inherited name pairs it with its counterpart in an ancestor report.

#include <rtl/kavObject.h>

#include <QString>

#include <memory>
#include <vector>

class TkavCollection;
class TkavComponent;
class TkavXMLSerializer;

// One item of a TkavCollection. Items are owned by their collection; an item taken out
// with TkavCollection::Extract belongs to whoever holds it.
class TkavCollectionItem : public TCollectionItem
{
public:
    KAV_CLASSINFO

    TkavCollectionItem() = default;
    ~TkavCollectionItem() override;

    // The owning collection; nullptr while the item stands alone.
    TkavCollection *Collection() const { return FCollection; }
    // Position in the collection; -1 while the item stands alone.
    int Index() const;
    // Moves the item to position index of its collection (does nothing when alone).
    void SetIndex(int index);

    // Identity used to pair the item with its ancestor's counterpart. Published as
    // InheritedName, never stored by the serializer (IsInheritedNameStored answers no).
    virtual QString GetInheritedName() const { return FInheritedName; }
    virtual void SetInheritedName(const QString &value) { FInheritedName = value; }
    virtual bool IsInheritedNameStored() const { return false; }

    // The item comes from the ancestor report.
    bool IsInherited() const { return FIsInherited; }
    void SetIsInherited(bool value) { FIsInherited = value; }

    // Gives the item the inherited name class name + n, n the smallest number from 1 up
    // that no item of the collection (itself included) has, compared ignoring case.
    void CreateUniqueName();

protected:
    QString FInheritedName;
    bool FIsInherited = false;

private:
    friend class TkavCollection;
    TkavCollection *FCollection = nullptr;
};

// An ordered list of owned items of one item class (TkavCollectionItem or a descendant).
// Index errors raise EListError "List index out of bounds (%d)"; the list is then unchanged.
class TkavCollection : public TCollection
{
public:
    KAV_CLASSINFO

    // itemClass must derive from TkavCollectionItem and be creatable (std::logic_error).
    explicit TkavCollection(const TkavClassInfo &itemClass);
    ~TkavCollection() override;

    const TkavClassInfo &ItemClass() const { return *FItemClass; }
    int Count() const override { return int(FItems.size()); }
    TkavCollectionItem *Items(int index) const override;

    // A new item of the item class at the end / at index (0 .. Count).
    TkavCollectionItem *Add();
    TkavCollectionItem *Insert(int index);
    // Adopts an item standing alone at index (0 .. Count); its class must derive from the
    // item class (EListError otherwise). The item gets a fresh identity, as new items do.
    TkavCollectionItem *InsertItem(int index, std::unique_ptr<TkavCollectionItem> item);
    // Takes the item at index out of the collection and hands it over.
    std::unique_ptr<TkavCollectionItem> Extract(int index);
    // Destroys the item at index.
    void Delete(int index);
    void Clear() override;
    // Position of item, -1 when it is not in this collection.
    int IndexOf(const TkavCollectionItem *item) const;
    // Moves the item at curIndex so that it ends up at newIndex; both in 0 .. Count - 1.
    void Move(int curIndex, int newIndex);

    // The first item whose GetInheritedName equals name exactly (case-sensitive), or null.
    TkavCollectionItem *FindByName(const QString &name) const;

    // Replaces the items by copies of source's (each copied with the item's Assign).
    // source must be a TkavCollection; on any failure this collection is unchanged.
    void Assign(const TPersistent &source) override;

    // Hooks for collections that write or read more than their items; none here.
    virtual void SerializeProperties(TkavXMLSerializer &writer,
                                     TkavCollection *ancestor,
                                     TkavComponent *owner);
    virtual void DeserializeProperties(const QString &propName,
                                       TkavXMLSerializer &reader,
                                       TkavCollection *ancestor);

protected:
    // Called for every item that joins the collection: gives it its identity.
    virtual void Added(TkavCollectionItem &item);
    // A new, stand-alone item of the item class.
    std::unique_ptr<TkavCollectionItem> CreateItem() const;
    // Swaps the items of two collections of the same item class (strong-guarantee edits).
    void SwapItems(TkavCollection &other) noexcept;

private:
    void checkIndex(int index, int count) const;

    const TkavClassInfo *FItemClass;
    std::vector<std::unique_ptr<TkavCollectionItem>> FItems;
};

// Registers TkavCollectionItem and TkavCollection with the class registry.
void kavRegisterCollectionClasses();
