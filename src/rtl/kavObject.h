#pragma once

// TObject: root of the objects that variants and scripts may refer to. A variant never
// holds an address: it holds the object's handle, a number that is never reused, and
// looking it up after the object died gives null instead of a dangling pointer.

#include <QtGlobal>

class TkavClassInfo;

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

private:
    mutable quint64 FHandle = 0;
};

// TPersistent: an object with published properties that can be copied and stored.
class TPersistent : public TObject
{
public:
    // Copies the published state of source; the default raises EConvertError
    // "Cannot assign a <source class> to a <this class>".
    virtual void Assign(const TPersistent &source);
};
