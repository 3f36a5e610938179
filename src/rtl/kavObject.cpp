#include "kavObject.h"

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
