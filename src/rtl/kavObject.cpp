#include "kavObject.h"

#include "kavExceptions.h"
#include "kavRTTI.h"

#include <QHash>

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
