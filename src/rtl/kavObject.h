#pragma once

// TObject: root of the objects that variants and scripts may refer to. A variant never
// holds an address: it holds the object's handle, a number that is never reused, and
// looking it up after the object died gives null instead of a dangling pointer.

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <memory>
#include <vector>

class TkavClassInfo;

// Put in the public section of every class with a class info of its own (published
// properties or a registered name); define StaticClassInfo() in the .cpp with
// kavMakeClassInfo (kavRTTI.h).
#define KAV_CLASSINFO                                                                      \
    static const TkavClassInfo &StaticClassInfo();                                         \
    const TkavClassInfo &ClassInfo() const override { return StaticClassInfo(); }

class TObject
{
public:
    TObject() = default;
    virtual ~TObject();
    TObject(const TObject &) = delete;
    TObject &operator=(const TObject &) = delete;

    // The object's handle, allocated on first use (0 is never a handle: it is nil).
    quint64 Handle() const;
    // The live object with this handle, or nullptr when it was destroyed or never existed.
    static TObject *FromHandle(quint64 handle);

    // Run-time class information: the class's name, ancestor and published properties.
    static const TkavClassInfo &StaticClassInfo();
    virtual const TkavClassInfo &ClassInfo() const;
    QString ClassName() const;
    // True when the object's class is ancestor or derives from it.
    bool InheritsFrom(const TkavClassInfo &ancestor) const;
    // The same by class name, ignoring case.
    bool InheritsFrom(QStringView ancestorName) const;

private:
    mutable quint64 FHandle = 0;
};

// TPersistent: an object with published properties that can be copied and stored.
class TPersistent : public TObject
{
public:
    KAV_CLASSINFO

    // Copies the published state of source; the default raises EConvertError
    // "Cannot assign a <source class> to a <this class>".
    virtual void Assign(const TPersistent &source);
};

// A letter or underscore (ASCII), then letters, digits and underscores: a component name.
bool kavIsValidIdent(QStringView name);

// TComponent: an object that owns other components and is known by name among them.
// Destroying an owner destroys what it owns, the last inserted first.
class TComponent : public TPersistent
{
public:
    KAV_CLASSINFO

    TComponent() = default;
    ~TComponent() override;

    TComponent *Owner() const { return FOwner; }
    int ComponentCount() const { return int(FComponents.size()); }
    // 0 <= index < ComponentCount, else EListError "List index out of bounds (%d)".
    TComponent *Components(int index) const;
    // Takes component over and returns it. It must not be owned yet nor own this one
    // (std::invalid_argument); EComponentError "A component named %s already exists" for
    // a name this one already holds (the caller keeps the component on every error).
    TComponent *InsertComponent(std::unique_ptr<TComponent> component);
    // Gives an owned component back to the caller (null when this one does not own it).
    std::unique_ptr<TComponent> RemoveComponent(TComponent *component);
    // The owned component of that name (ignoring case), or null.
    TComponent *FindComponent(QStringView name) const;

    const QString &Name() const { return FName; }
    // Empty or an identifier not held by another component of the owner, else
    // EComponentError ("''%s'' is not a valid component name" / "A component named %s
    // already exists"); the old name stays on errors.
    void SetName(const QString &value);
    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }

protected:
    // Told when a component is inserted into (inserted true) or removed from this one,
    // before the removed one is destroyed.
    virtual void ComponentsChanged(TComponent *component, bool inserted);

private:
    TComponent *FOwner = nullptr;
    std::vector<std::unique_ptr<TComponent>> FComponents;
    QString FName;
    int FTag = 0;
};

// TCollectionItem and TCollection: what every owned item list shows to scripts.
class TCollectionItem : public TPersistent
{
public:
    KAV_CLASSINFO
};

class TCollection : public TPersistent
{
public:
    KAV_CLASSINFO

    virtual int Count() const = 0;
    // 0 <= index < Count, else EListError.
    virtual TCollectionItem *Items(int index) const = 0;
    virtual void Clear() = 0;
};
