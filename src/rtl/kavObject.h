#pragma once

// TObject: root of the objects that variants and scripts may refer to. A variant never
// holds an address: it holds the object's handle, a number that is never reused, and
// looking it up after the object died gives null instead of a dangling pointer.

#include <QString>
#include <QStringView>
#include <QtGlobal>

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
