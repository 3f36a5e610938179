#include "kavObject.h"

#include "kavExceptions.h"
#include "kavRTTI.h"

#include <QHash>

#include <algorithm>
#include <stdexcept>

#include <mutex>

namespace {

struct HandleTable
{
    std::mutex lock;
    QHash<quint64, TObject *> objects;
    quint64 next = 1;
};

HandleTable &handleTable()
{
    static HandleTable table;
    return table;
}

} // namespace

using namespace Qt::StringLiterals;

TObject::~TObject()
{
    if (FHandle) {
        HandleTable &t = handleTable();
        std::lock_guard guard(t.lock);
        t.objects.remove(FHandle);
    }
}

quint64 TObject::Handle() const
{
    if (!FHandle) {
        HandleTable &t = handleTable();
        std::lock_guard guard(t.lock);
        FHandle = t.next++;
        t.objects.insert(FHandle, const_cast<TObject *>(this));
    }
    return FHandle;
}

TObject *TObject::FromHandle(quint64 handle)
{
    if (!handle)
        return nullptr;
    HandleTable &t = handleTable();
    std::lock_guard guard(t.lock);
    return t.objects.value(handle, nullptr);
}

// ---------------------------------------------------------------------------------------
// Class information

const TkavClassInfo &TObject::StaticClassInfo()
{
    static const TkavClassInfo info(u"TObject"_s, nullptr, nullptr, {});
    return info;
}

const TkavClassInfo &TObject::ClassInfo() const
{
    return StaticClassInfo();
}

QString TObject::ClassName() const
{
    return ClassInfo().ClassName();
}

bool TObject::InheritsFrom(const TkavClassInfo &ancestor) const
{
    return ClassInfo().InheritsFrom(ancestor);
}

bool TObject::InheritsFrom(QStringView ancestorName) const
{
    return ClassInfo().InheritsFrom(ancestorName);
}

const TkavClassInfo &TPersistent::StaticClassInfo()
{
    static const TkavClassInfo info =
        kavMakeClassInfo<TPersistent, TObject>(u"TPersistent"_s, [](TkavPropBuilder<TPersistent> &) {});
    return info;
}

void TPersistent::Assign(const TPersistent &source)
{
    throw EConvertError(u"Cannot assign a %1 to a %2"_s.arg(source.ClassName(), ClassName()));
}

// ---------------------------------------------------------------------------------------
// Components

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

} // namespace

bool kavIsValidIdent(QStringView name)
{
    if (name.isEmpty() || !(isAsciiLetter(name[0]) || name[0] == u'_'))
        return false;
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return isAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'_';
    });
}

const TkavClassInfo &TComponent::StaticClassInfo()
{
    static const TkavClassInfo info
        = kavMakeClassInfo<TComponent, TPersistent>(u"TComponent"_s, [](TkavPropBuilder<TComponent> &p) {
              p.String(u"Name"_s, &TComponent::Name, &TComponent::SetName);
              p.Int(u"Tag"_s, &TComponent::Tag, &TComponent::SetTag).Default(0);
          });
    return info;
}

TComponent::~TComponent()
{
    while (!FComponents.empty()) {
        std::unique_ptr<TComponent> last = std::move(FComponents.back());
        FComponents.pop_back();
        last->FOwner = nullptr;
        ComponentsChanged(last.get(), false);
    }
}

TComponent *TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount())
        throw EListError(u"List index out of bounds (%1)"_s.arg(index));
    return FComponents[size_t(index)].get();
}

TComponent *TComponent::InsertComponent(std::unique_ptr<TComponent> component)
{
    if (!component || component->FOwner)
        throw std::invalid_argument("component missing or already owned");
    for (const TComponent *o = this; o; o = o->FOwner) {
        if (o == component.get())
            throw std::invalid_argument("a component cannot own its owner");
    }
    if (!component->FName.isEmpty() && FindComponent(component->FName))
        throw EComponentError(u"A component named %1 already exists"_s.arg(component->FName));
    TComponent *inserted = component.get();
    inserted->FOwner = this;
    FComponents.push_back(std::move(component));
    ComponentsChanged(inserted, true);
    return inserted;
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent *component)
{
    const auto it = std::find_if(FComponents.begin(), FComponents.end(),
                                 [component](const auto &c) { return c.get() == component; });
    if (it == FComponents.end())
        return nullptr;
    std::unique_ptr<TComponent> removed = std::move(*it);
    FComponents.erase(it);
    removed->FOwner = nullptr;
    ComponentsChanged(removed.get(), false);
    return removed;
}

TComponent *TComponent::FindComponent(QStringView name) const
{
    if (name.isEmpty())
        return nullptr;
    for (const auto &c : FComponents) {
        if (c->FName.compare(name, Qt::CaseInsensitive) == 0)
            return c.get();
    }
    return nullptr;
}

void TComponent::SetName(const QString &value)
{
    if (!value.isEmpty() && !kavIsValidIdent(value))
        throw EComponentError(u"''%1'' is not a valid component name"_s.arg(value));
    if (FOwner) {
        const TComponent *other = FOwner->FindComponent(value);
        if (other && other != this)
            throw EComponentError(u"A component named %1 already exists"_s.arg(value));
    }
    FName = value;
}

void TComponent::ComponentsChanged(TComponent *, bool) {}

const TkavClassInfo &TCollectionItem::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TCollectionItem, TPersistent>(
        u"TCollectionItem"_s, [](TkavPropBuilder<TCollectionItem> &) {});
    return info;
}

const TkavClassInfo &TCollection::StaticClassInfo()
{
    static const TkavClassInfo info
        = kavMakeClassInfo<TCollection, TPersistent>(u"TCollection"_s, [](TkavPropBuilder<TCollection> &) {});
    return info;
}
