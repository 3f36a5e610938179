#include "ky_classesrtti.h"

#include "ky_classes.h"
#include "ky_messages.h"
#include "ky_script.h"
#include "ky_xml.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavLimits.h>
#include <rtl/kavFilePolicy.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>
#include <rtl/kavStrings.h>
#include <rtl/kavVariant.h>

#include <QHash>
#include <QList>

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Method = TkyMethodHelper;

// A class known to scripts only: a name and an ancestor, no published properties.
TkavClassInfo makeInfo(const QString &name, const TkavClassInfo &parent)
{
    return TkavClassInfo(name, &parent, TkavFactory(), [](TkavClassInfo &) {});
}

// The abstract stream as scripts name it (the native stream has no table of its own).
const TkavClassInfo &streamInfo()
{
    static const TkavClassInfo info = makeInfo(u"TStream"_s, TObject::StaticClassInfo());
    return info;
}

// ---------------------------------------------------------------------------------------
// Objects scripts create

// TList: object references, kept as checked handles so a freed member reads as an error.
class TkyList : public TObject
{
public:
    KAV_CLASSINFO

    QList<Variant> Items;

    void CheckIndex(qsizetype index, bool inserting = false) const
    {
        if (index < 0 || index > Items.size() || (!inserting && index == Items.size()))
            throw EListError(u"List index out of bounds (%1)"_s.arg(index));
    }
    // Position of the reference with ref's handle, or -1.
    int IndexOf(const Variant &ref) const
    {
        const quint64 handle = ref.Handle();
        for (qsizetype i = 0; i < Items.size(); ++i)
            if (Items[i].Handle() == handle)
                return int(i);
        return -1;
    }
};

const TkavClassInfo &TkyList::StaticClassInfo()
{
    static const TkavClassInfo info = makeInfo(u"TList"_s, TObject::StaticClassInfo());
    return info;
}

// String lists keep plain object addresses. Every object a script puts into one (a
// script's list or the host's) is remembered here with its handle, so that reading Objects
// after the object was freed gives a stale reference (an error on use) instead of an
// address that is no longer an object. Objects the host put there are the host's affair.
class TkyListedObjects
{
public:
    void Remember(TObject *object)
    {
        if (!object)
            return;
        const quint64 handle = object->Handle();
        std::lock_guard lock(FLock);
        // Entries are never dropped: a list may still hold the address of an object that
        // died. Their number is bounded by the addresses objects ever had.
        FHandles.insert(object, handle);
    }
    Variant Ref(TObject *object)
    {
        if (!object)
            return Variant::FromObject(nullptr);
        {
            std::lock_guard lock(FLock);
            const auto found = FHandles.constFind(object);
            if (found != FHandles.cend())
                return Variant::FromHandle(found.value());
        }
        return Variant::FromObject(object);
    }

private:
    std::mutex FLock;
    QHash<const TObject *, quint64> FHandles;
};

TkyListedObjects &listedObjects()
{
    static TkyListedObjects objects;
    return objects;
}

} // namespace

void kyRememberListedObject(TObject *object)
{
    listedObjects().Remember(object);
}

Variant kyListedObjectRef(TObject *object)
{
    return listedObjects().Ref(object);
}

namespace {

// Scripts cannot grow a stream past the longest string they could read it into (a seek
// far past the end followed by a write would otherwise allocate without bound).
void checkGrowth(TStream &stream, qint64 count)
{
    if (stream.Position() + count > kavStringLengthLimit)
        throw EkyError(u"Stream is too large"_s);
}

// The stream kinds scripts create report their script class names, and stay within the
// cap whoever writes into them (a list, a document or an ini file saving itself).
class TkyMemoryStream : public TMemoryStream
{
public:
    KAV_CLASSINFO

    qint64 Write(const void *buffer, qint64 count) override
    {
        checkGrowth(*this, count);
        return TMemoryStream::Write(buffer, count);
    }
};

const TkavClassInfo &TkyMemoryStream::StaticClassInfo()
{
    static const TkavClassInfo info = makeInfo(u"TMemoryStream"_s, streamInfo());
    return info;
}

class TkyFileStream : public TFileStream
{
public:
    KAV_CLASSINFO
    using TFileStream::TFileStream;

    qint64 Write(const void *buffer, qint64 count) override
    {
        checkGrowth(*this, count);
        return TFileStream::Write(buffer, count);
    }
};

const TkavClassInfo &TkyFileStream::StaticClassInfo()
{
    static const TkavClassInfo info = makeInfo(u"TFileStream"_s, streamInfo());
    return info;
}

// ---------------------------------------------------------------------------------------
// Script XML objects. An XML tree belongs to a document object or to an item a script
// created; scripts reach the items inside through wrapper objects that the tree owns, made
// on first use (one per item, so references compare equal) and destroyed as soon as their
// item leaves the tree: a reference to a removed item is stale, never dangling.

class TkyXMLItemObject;

class TkyXMLWrappers
{
public:
    // owner: the script-created item that owns the tree (nullptr for a document's tree).
    explicit TkyXMLWrappers(TkyXMLItemObject *owner)
        : FOwner(owner)
    {}
    ~TkyXMLWrappers();
    TkyXMLWrappers(const TkyXMLWrappers &) = delete;
    TkyXMLWrappers &operator=(const TkyXMLWrappers &) = delete;

    // The wrapper of item (an item of this tree), or nullptr for nullptr.
    TkyXMLItemObject *Wrap(TkyXMLItem *item);
    // Destroys the wrappers of item's descendants (call before removing them).
    void ForgetBelow(const TkyXMLItem &item);

private:
    TkyXMLItemObject *FOwner;
    std::unordered_map<const TkyXMLItem *, std::unique_ptr<TkyXMLItemObject>> FMap;
};

class TkyXMLItemObject : public TObject
{
public:
    KAV_CLASSINFO

    // A new item of its own tree (TkyXMLItem.Create).
    TkyXMLItemObject()
        : FOwnedItem(std::make_unique<TkyXMLItem>())
        , FOwnedTree(std::make_unique<TkyXMLWrappers>(this))
        , FItem(*FOwnedItem)
        , FTree(*FOwnedTree)
    {}
    // The wrapper of an item inside tree.
    TkyXMLItemObject(TkyXMLItem &item, TkyXMLWrappers &tree)
        : FItem(item)
        , FTree(tree)
    {}

    TkyXMLItem &Item() const { return FItem; }
    TkyXMLWrappers &Tree() const { return FTree; }
    // The script's own value for the item (Data): scripts never see native pointers.
    Variant Data = Variant::Null();

private:
    // Declared before FOwnedTree: wrappers go first, then the items they wrap.
    std::unique_ptr<TkyXMLItem> FOwnedItem;
    std::unique_ptr<TkyXMLWrappers> FOwnedTree;
    TkyXMLItem &FItem;
    TkyXMLWrappers &FTree;
};

const TkavClassInfo &TkyXMLItemObject::StaticClassInfo()
{
    static const TkavClassInfo info = makeInfo(u"TkyXMLItem"_s, TObject::StaticClassInfo());
    return info;
}

TkyXMLWrappers::~TkyXMLWrappers() = default;

TkyXMLItemObject *TkyXMLWrappers::Wrap(TkyXMLItem *item)
{
    if (!item)
        return nullptr;
    if (FOwner && item == &FOwner->Item())
        return FOwner;
    std::unique_ptr<TkyXMLItemObject> &slot = FMap[item];
    if (!slot)
        slot = std::make_unique<TkyXMLItemObject>(*item, *this);
    return slot.get();
}

void TkyXMLWrappers::ForgetBelow(const TkyXMLItem &item)
{
    if (FMap.empty())
        return;
    std::vector<const TkyXMLItem *> pending{&item}; // no recursion: trees may be deep
    while (!pending.empty()) {
        const TkyXMLItem *current = pending.back();
        pending.pop_back();
        for (int i = 0; i < current->Count(); ++i) {
            const TkyXMLItem *child = current->Items(i);
            FMap.erase(child);
            pending.push_back(child);
        }
    }
}

class TkyXMLDocumentObject : public TObject
{
public:
    KAV_CLASSINFO

    TkyXMLDocument Document;
    TkyXMLWrappers Tree{nullptr}; // after Document: destroyed first
};

const TkavClassInfo &TkyXMLDocumentObject::StaticClassInfo()
{
    static const TkavClassInfo info = makeInfo(u"TkyXMLDocument"_s, TObject::StaticClassInfo());
    return info;
}

// ---------------------------------------------------------------------------------------
// Helpers of the handlers

template <class T>
T &paramAs(const Method &m, int index)
{
    return kyObjectAs<T>(m.GetVParam(index).AsObject());
}

// An object reference from a script value: nil and null give the null reference.
Variant objectRef(const Variant &value)
{
    if (value.IsObject())
        return value;
    if (value.IsNull() || value.IsEmpty() || (value.IsNumeric() && value.AsInt64() == 0))
        return Variant::FromObject(nullptr);
    kyRaise(u"SClassRequired");
}

qint64 byteCount(const Variant &value)
{
    const qint64 count = value.AsInt64();
    if (count < 0)
        throw EkyError(u"Invalid byte count (%1)"_s.arg(count));
    return count;
}

// The objects the classes' own constructors make; nullptr for other classes.
std::unique_ptr<TObject> makeKnown(const TkavClassInfo &cls)
{
    if (&cls == &TObject::StaticClassInfo())
        return std::make_unique<TObject>();
    if (&cls == &TkyList::StaticClassInfo())
        return std::make_unique<TkyList>();
    if (&cls == &TStringList::StaticClassInfo())
        return std::make_unique<TStringList>();
    if (&cls == &TkyMemoryStream::StaticClassInfo())
        return std::make_unique<TkyMemoryStream>();
    if (&cls == &TkyXMLItemObject::StaticClassInfo())
        return std::make_unique<TkyXMLItemObject>();
    if (&cls == &TkyXMLDocumentObject::StaticClassInfo())
        return std::make_unique<TkyXMLDocumentObject>();
    return nullptr;
}

std::unique_ptr<TObject> makeObject(const TkavClassInfo *cls)
{
    std::unique_ptr<TObject> made = makeKnown(*cls);
    if (!made && cls->CanCreate())
        made = cls->Create(nullptr);
    if (!made)
        throw EkyError(u"Cannot create an instance of %1"_s.arg(cls->ClassName()));
    return made;
}

// TComponent.Create(AOwner): an owner takes the new component over (it dies with its
// owner); without one it belongs to the script.
Variant createComponent(const TkavClassInfo *cls, Method &m)
{
    std::unique_ptr<TObject> made = makeObject(cls);
    TComponent *owner = kyArgObject<TComponent>(m, 0);
    if (!owner)
        return m.Program()->AdoptObject(std::move(made));
    auto *component = dynamic_cast<TComponent *>(made.get());
    if (!component)
        throw EkyError(u"Cannot create an instance of %1"_s.arg(cls->ClassName()));
    made.release();
    return Variant::FromObject(owner->InsertComponent(std::unique_ptr<TComponent>(component)));
}

// ---------------------------------------------------------------------------------------
// TObject, TPersistent

Variant objectMethod(TObject *obj, const TkavClassInfo *cls, const QString &name, Method &m)
{
    if (name == u"CREATE")
        return kyCreateObject(cls, m);
    if (name == u"FREE")
        kyFreeObject(obj, m);
    else if (name == u"CLASSNAME")
        return obj ? obj->ClassName() : cls->ClassName();
    else if (name == u"ASSIGN") {
        TObject *source = m.GetVParam(0).AsObject();
        kyObjectAs<TPersistent>(obj).Assign(kyObjectAs<TPersistent>(source));
    }
    return Variant();
}

// ---------------------------------------------------------------------------------------
// TList

Variant listMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    TkyList &list = kyObjectAs<TkyList>(obj);
    if (name == u"ADD") {
        kavCheckListRoom(list.Items.size());
        list.Items.append(objectRef(m.GetVParam(0)));
        return int(list.Items.size()) - 1;
    }
    if (name == u"CLEAR")
        list.Items.clear();
    else if (name == u"DELETE") {
        const int index = m.GetVParam(0).AsInteger();
        list.CheckIndex(index);
        list.Items.removeAt(index);
    } else if (name == u"INDEXOF")
        return list.IndexOf(objectRef(m.GetVParam(0)));
    else if (name == u"INSERT") {
        const int index = m.GetVParam(0).AsInteger();
        list.CheckIndex(index, true);
        kavCheckListRoom(list.Items.size());
        list.Items.insert(index, objectRef(m.GetVParam(1)));
    } else if (name == u"REMOVE") {
        const int index = list.IndexOf(objectRef(m.GetVParam(0)));
        if (index >= 0)
            list.Items.removeAt(index);
        return index;
    } else if (name == u"ITEMS.GET") {
        const int index = m.GetVParam(0).AsInteger();
        list.CheckIndex(index);
        return list.Items[index];
    } else if (name == u"ITEMS.SET") {
        const int index = m.GetVParam(0).AsInteger();
        list.CheckIndex(index);
        list.Items[index] = objectRef(m.GetVParam(1));
    }
    return Variant();
}

// ---------------------------------------------------------------------------------------
// TStrings, TStringList

Variant stringsObject(const TStrings &list, int index)
{
    if (index < 0 || index >= list.Count())
        throw EListError(u"List index out of bounds (%1)"_s.arg(index));
    return listedObjects().Ref(list.Objects(index));
}

Variant stringsMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    TStrings &list = kyObjectAs<TStrings>(obj);
    auto text = [&m](int i) { return m.GetVParam(i).AsString(); };
    auto integer = [&m](int i) { return m.GetVParam(i).AsInteger(); };
    auto object = [&m](int i) { return objectRef(m.GetVParam(i)).AsObject(); };
    auto listed = [&object](int i) {
        TObject *found = object(i);
        listedObjects().Remember(found);
        return found;
    };

    if (name == u"ADD")
        return list.Add(text(0));
    if (name == u"ADDOBJECT")
        return list.AddObject(text(0), listed(1));
    if (name == u"CLEAR")
        list.Clear();
    else if (name == u"DELETE")
        list.Delete(integer(0));
    else if (name == u"INDEXOF")
        return list.IndexOf(text(0));
    else if (name == u"INDEXOFNAME")
        return list.IndexOfName(text(0));
    else if (name == u"INDEXOFOBJECT")
        return list.IndexOfObject(object(0));
    else if (name == u"INSERT")
        list.Insert(integer(0), text(1));
    else if (name == u"INSERTOBJECT")
        list.InsertObject(integer(0), text(1), listed(2));
    else if (name == u"LOADFROMFILE") {
        const QString fileName = kyFileArg(m, 0);
        kavCheckFileAccess(fileName, false);
        list.LoadFromFile(fileName);
    } else if (name == u"SAVETOFILE") {
        const QString fileName = kyFileArg(m, 0);
        kavCheckFileAccess(fileName, true);
        list.SaveToFile(fileName);
    } else if (name == u"LOADFROMSTREAM")
        list.LoadFromStream(paramAs<TStream>(m, 0));
    else if (name == u"SAVETOSTREAM")
        list.SaveToStream(paramAs<TStream>(m, 0));
    else if (name == u"MOVE")
        list.Move(integer(0), integer(1));
    else if (name == u"NAMES.GET") {
        const int index = integer(0);
        if (index < 0 || index >= list.Count())
            throw EListError(u"List index out of bounds (%1)"_s.arg(index));
        return list.Names(index);
    } else if (name == u"OBJECTS.GET")
        return stringsObject(list, integer(0));
    else if (name == u"OBJECTS.SET")
        list.SetObjects(integer(0), listed(1));
    else if (name == u"VALUES.GET")
        return list.Values(text(0));
    else if (name == u"VALUES.SET")
        list.SetValues(text(0), text(1));
    else if (name == u"STRINGS.GET")
        return list.Strings(integer(0));
    else if (name == u"STRINGS.SET")
        list.SetStrings(integer(0), text(1));
    else if (name == u"FIND") {
        int index = 0;
        const bool found = kyObjectAs<TStringList>(obj).Find(text(0), index);
        m.SetVParam(1, index);
        return found;
    } else if (name == u"SORT")
        kyObjectAs<TStringList>(obj).Sort();
    return Variant();
}

// ---------------------------------------------------------------------------------------
// Streams. Script strings carry bytes one character per byte (Latin-1).

Variant streamMethod(TObject *obj, const TkavClassInfo *cls, const QString &name, Method &m)
{
    if (name == u"CREATE") { // TFileStream.Create(FileName, Mode)
        const QString fileName = kyFileArg(m, 0);
        const int mode = m.GetVParam(1).AsInteger() & 0xFFFF;
        TFileMode native;
        if ((mode & 0xFF00) == 0xFF00)
            native = fmCreate;
        else {
            // The share flags (16, 32, 64) have no meaning here and are ignored.
            static const TFileMode access[] = {fmOpenRead, fmOpenWrite, fmOpenReadWrite};
            if ((mode & 3) == 3)
                throw EkyError(u"Invalid file mode (%1)"_s.arg(mode));
            native = access[mode & 3];
        }
        if (native != fmOpenRead)
            kavCheckFileAccess(fileName, true);
        if (native != fmOpenWrite)
            kavCheckFileAccess(fileName, false);
        if (!cls->InheritsFrom(TkyFileStream::StaticClassInfo()))
            throw EkyError(u"Cannot create an instance of %1"_s.arg(cls->ClassName()));
        return m.Program()->AdoptObject(std::make_unique<TkyFileStream>(fileName, native));
    }
    TStream &stream = kyObjectAs<TStream>(obj);
    if (name == u"READ") {
        // At most Count bytes, never more than the stream has left nor than the buffer
        // holds; the buffer's characters past what was read keep their value.
        const qint64 count = byteCount(m.GetVParam(1));
        QString buffer = m.GetVParam(0).AsString();
        const qint64 left = qMax<qint64>(0, stream.Size() - stream.Position());
        const qint64 wanted = qMin(qMin(count, left), qint64(buffer.size()));
        QByteArray bytes(wanted, '\0');
        const qint64 got = wanted > 0 ? stream.Read(bytes.data(), wanted) : 0;
        bytes.truncate(qMax<qint64>(0, got));
        buffer.replace(0, bytes.size(), QString::fromLatin1(bytes));
        m.SetVParam(0, buffer);
        return VarFromInteger(bytes.size());
    }
    if (name == u"WRITE") {
        const QByteArray bytes = m.GetVParam(0).AsString().toLatin1();
        const qint64 count = qMin(byteCount(m.GetVParam(1)), qint64(bytes.size()));
        checkGrowth(stream, count);
        return VarFromInteger(count > 0 ? stream.Write(bytes.constData(), count) : 0);
    }
    if (name == u"SEEK") {
        const qint64 offset = m.GetVParam(0).AsInt64();
        const int origin = m.GetVParam(1).AsInteger();
        if (origin < soBeginning || origin > soEnd)
            throw EkyError(u"Invalid seek origin (%1)"_s.arg(origin));
        return VarFromInteger(stream.Seek(offset, TSeekOrigin(origin)));
    }
    if (name == u"COPYFROM") {
        TStream &source = paramAs<TStream>(m, 0);
        if (&source == &stream)
            throw EkyError(u"Cannot copy a stream into itself"_s);
        const qint64 count = byteCount(m.GetVParam(1));
        checkGrowth(stream, count > 0 ? count : source.Size());
        return VarFromInteger(stream.CopyFrom(source, count));
    }
    auto &memory = kyObjectAs<TMemoryStream>(obj);
    if (name == u"CLEAR")
        memory.Clear();
    else if (name == u"LOADFROMSTREAM") {
        TStream &source = paramAs<TStream>(m, 0);
        if (&source == &stream)
            throw EkyError(u"Cannot copy a stream into itself"_s);
        memory.Clear();
        checkGrowth(memory, source.Size());
        memory.CopyFrom(source, 0);
        memory.SetPosition(0);
    } else if (name == u"SAVETOSTREAM") {
        TStream &target = paramAs<TStream>(m, 0);
        if (&target == &stream)
            throw EkyError(u"Cannot copy a stream into itself"_s);
        checkGrowth(target, memory.Size());
        target.WriteBytes(memory.Data());
    } else if (name == u"LOADFROMFILE") {
        const QString fileName = kyFileArg(m, 0);
        kavCheckFileAccess(fileName, false);
        memory.LoadFromFile(fileName);
    } else if (name == u"SAVETOFILE") {
        const QString fileName = kyFileArg(m, 0);
        kavCheckFileAccess(fileName, true);
        memory.SaveToFile(fileName);
    }
    return Variant();
}

// ---------------------------------------------------------------------------------------
// TkyXMLItem, TkyXMLDocument

Variant xmlRef(TkyXMLWrappers &tree, TkyXMLItem *item)
{
    return Variant::FromObject(tree.Wrap(item));
}

// A copy of the item a script passes, to go below target: the script keeps its own item.
// A copy that could not join target's tree is refused before it is made.
std::unique_ptr<TkyXMLItem> xmlCopy(const Method &m, int index, TkyXMLItem &target)
{
    const TkyXMLItem &source = paramAs<TkyXMLItemObject>(m, index).Item();
    if (qint64(target.Root()->SubtreeCount()) + source.SubtreeCount() > TkyXMLItem::MaxItems)
        throw EkyError(u"Too many XML items"_s);
    auto copy = std::make_unique<TkyXMLItem>();
    copy->Assign(source);
    return copy;
}

Variant xmlItemMethod(TObject *obj, const TkavClassInfo *cls, const QString &name, Method &m)
{
    if (name == u"CREATE")
        return kyCreateObject(cls, m);
    auto &self = kyObjectAs<TkyXMLItemObject>(obj);
    TkyXMLItem &item = self.Item();
    TkyXMLWrappers &tree = self.Tree();
    if (name == u"ADDITEM")
        item.AddItem(xmlCopy(m, 0, item));
    else if (name == u"INSERTITEM") {
        const int index = m.GetVParam(0).AsInteger();
        if (index < 0 || index > item.Count())
            throw EListError(u"List index out of bounds (%1)"_s.arg(index));
        item.InsertItem(index, xmlCopy(m, 1, item));
    } else if (name == u"CLEAR") {
        tree.ForgetBelow(item);
        item.Clear();
    } else if (name == u"ADD")
        return xmlRef(tree, item.Add());
    else if (name == u"FIND")
        return item.Find(m.GetVParam(0).AsString());
    else if (name == u"FINDITEM")
        return xmlRef(tree, item.FindItem(m.GetVParam(0).AsString()));
    else if (name == u"ROOT")
        return xmlRef(tree, item.Root());
    else if (name == u"ITEMS.GET")
        return xmlRef(tree, item.Items(m.GetVParam(0).AsInteger()));
    else if (name == u"PROP.GET")
        return item.Prop(m.GetVParam(0).AsString());
    else if (name == u"PROP.SET")
        item.SetProp(m.GetVParam(0).AsString(), m.GetVParam(1).AsString());
    return Variant();
}

Variant xmlDocumentMethod(TObject *obj, const TkavClassInfo *cls, const QString &name, Method &m)
{
    if (name == u"CREATE")
        return kyCreateObject(cls, m);
    auto &doc = kyObjectAs<TkyXMLDocumentObject>(obj);
    if (name == u"SAVETOSTREAM")
        doc.Document.SaveToStream(paramAs<TStream>(m, 0));
    else if (name == u"LOADFROMSTREAM") {
        TStream &stream = paramAs<TStream>(m, 0);
        doc.Tree.ForgetBelow(*doc.Document.Root());
        doc.Document.LoadFromStream(stream);
    } else if (name == u"SAVETOFILE") {
        const QString fileName = kyFileArg(m, 0);
        kavCheckFileAccess(fileName, true);
        doc.Document.SaveToFile(fileName);
    } else if (name == u"LOADFROMFILE") {
        const QString fileName = kyFileArg(m, 0);
        kavCheckFileAccess(fileName, false);
        doc.Tree.ForgetBelow(*doc.Document.Root());
        doc.Document.LoadFromFile(fileName);
    }
    return Variant();
}

// ---------------------------------------------------------------------------------------
// The module

class TkyClassesRTTI : public TkyRTTIModule
{
public:
    explicit TkyClassesRTTI(TkyScript &script);

private:
    void addConstants();
    void addObjects();
    void addLists();
    void addStreams();
    void addXML();
};

TkyClassesRTTI::TkyClassesRTTI(TkyScript &script)
    : TkyRTTIModule(script)
{
    addConstants();
    addObjects();
    addLists();
    addStreams();
    addXML();
}

void TkyClassesRTTI::addConstants()
{
    struct Constant
    {
        const char16_t *name;
        int value;
    };
    static const Constant constants[] = {
        {u"fmCreate", 0xFF00},
        {u"fmOpenRead", 0},
        {u"fmOpenWrite", 1},
        {u"fmOpenReadWrite", 2},
        {u"fmShareExclusive", 16},
        {u"fmShareDenyWrite", 32},
        {u"fmShareDenyNone", 64},
        {u"soFromBeginning", 0},
        {u"soFromCurrent", 1},
        {u"soFromEnd", 2},
    };
    for (const Constant &c : constants)
        Script().AddConst(QString::fromUtf16(c.name), u"Integer"_s, c.value);
    Script().AddEnum(u"TDuplicates"_s, u"dupIgnore,dupAccept,dupError"_s);
    Script().AddEnum(u"TPrinterOrientation"_s, u"poPortrait,poLandscape"_s);
}

void TkyClassesRTTI::addObjects()
{
    if (TkyClassVariable *c = Script().AddClass(TObject::StaticClassInfo(), QString())) {
        c->AddConstructor(u"constructor Create"_s, &objectMethod);
        c->AddMethod(u"procedure Free"_s, &objectMethod);
        c->AddMethod(u"function ClassName: String"_s, &objectMethod);
    }
    if (TkyClassVariable *c = Script().AddClass(TPersistent::StaticClassInfo(), u"TObject"_s))
        c->AddMethod(u"procedure Assign(Source: TPersistent)"_s, &objectMethod);
    if (TkyClassVariable *c = Script().AddClass(TComponent::StaticClassInfo(), u"TPersistent"_s)) {
        c->AddConstructor(u"constructor Create(AOwner: TComponent)"_s,
                          [](TObject *, const TkavClassInfo *cls, const QString &, Method &m) {
                              return createComponent(cls, m);
                          });
        c->AddProperty(u"Owner"_s, u"TComponent"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
            return Variant::FromObject(kyObjectAs<TComponent>(obj).Owner());
        });
        // Form1.Button1: the components a component owns, by name.
        c->SetChildLookup([](TObject &parent, QStringView name) -> TObject * {
            auto *owner = dynamic_cast<TComponent *>(&parent);
            return owner ? owner->FindComponent(name) : nullptr;
        });
    }
    Script().AddClass(TCollectionItem::StaticClassInfo(), u"TPersistent"_s);
    if (TkyClassVariable *c = Script().AddClass(TCollection::StaticClassInfo(), u"TPersistent"_s)) {
        c->AddMethod(u"procedure Clear"_s, [](TObject *obj, const TkavClassInfo *, const QString &, Method &) {
            kyObjectAs<TCollection>(obj).Clear();
            return Variant();
        });
        c->AddProperty(u"Count"_s, u"Integer"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
            return Variant(kyObjectAs<TCollection>(obj).Count());
        });
        c->AddDefaultProperty(
            u"Items"_s, u"Integer"_s, u"TCollectionItem"_s,
            [](TObject *obj, const TkavClassInfo *, const QString &, Method &m) {
                const TCollection &items = kyObjectAs<TCollection>(obj);
                return Variant::FromObject(items.Items(m.GetVParam(0).AsInteger()));
            },
            true);
    }
}

void TkyClassesRTTI::addLists()
{
    if (TkyClassVariable *c = Script().AddClass(TkyList::StaticClassInfo(), u"TObject"_s)) {
        c->AddMethod(u"function Add(Item: TObject): Integer"_s, &listMethod);
        c->AddMethod(u"procedure Clear"_s, &listMethod);
        c->AddMethod(u"procedure Delete(Index: Integer)"_s, &listMethod);
        c->AddMethod(u"function IndexOf(Item: TObject): Integer"_s, &listMethod);
        c->AddMethod(u"procedure Insert(Index: Integer; Item: TObject)"_s, &listMethod);
        c->AddMethod(u"function Remove(Item: TObject): Integer"_s, &listMethod);
        c->AddProperty(
            u"Count"_s, u"Integer"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(int(kyObjectAs<TkyList>(obj).Items.size()));
            });
        c->AddDefaultProperty(u"Items"_s, u"Integer"_s, u"TObject"_s, &listMethod);
    }
    if (TkyClassVariable *c = Script().AddClass(TStrings::StaticClassInfo(), u"TPersistent"_s)) {
        c->AddConstructor(u"constructor Create"_s, &objectMethod);
        c->AddMethod(u"function Add(const S: string): Integer"_s, &stringsMethod);
        c->AddMethod(u"function AddObject(S: String; AObject: TObject): Integer"_s, &stringsMethod);
        c->AddMethod(u"procedure Clear"_s, &stringsMethod);
        c->AddMethod(u"procedure Delete(Index: Integer)"_s, &stringsMethod);
        c->AddMethod(u"function IndexOf(const S: string): Integer"_s, &stringsMethod);
        c->AddMethod(u"function IndexOfName(Name: String): Integer"_s, &stringsMethod);
        c->AddMethod(u"function IndexOfObject(AObject: TObject): Integer"_s, &stringsMethod);
        c->AddMethod(u"procedure Insert(Index: Integer; const S: string)"_s, &stringsMethod);
        c->AddMethod(u"procedure InsertObject(Index: Integer; S: String; AObject: TObject)"_s,
                     &stringsMethod);
        c->AddMethod(u"procedure LoadFromFile(const FileName: string)"_s, &stringsMethod);
        c->AddMethod(u"procedure LoadFromStream(Stream: TStream)"_s, &stringsMethod);
        c->AddMethod(u"procedure SaveToFile(const FileName: string)"_s, &stringsMethod);
        c->AddMethod(u"procedure Move(CurIndex, NewIndex: Integer)"_s, &stringsMethod);
        c->AddMethod(u"procedure SaveToStream(Stream: TStream)"_s, &stringsMethod);
        c->AddProperty(
            u"CommaText"_s,
            u"String"_s,
            [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<TStrings>(obj).CommaText());
            },
            [](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
                kyObjectAs<TStrings>(obj).SetCommaText(v.AsString());
            });
        c->AddProperty(
            u"Count"_s, u"Integer"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<TStrings>(obj).Count());
            });
        c->AddIndexProperty(u"Names"_s, u"Integer"_s, u"String"_s, &stringsMethod, true);
        c->AddIndexProperty(u"Objects"_s, u"Integer"_s, u"TObject"_s, &stringsMethod);
        c->AddIndexProperty(u"Values"_s, u"String"_s, u"String"_s, &stringsMethod);
        c->AddDefaultProperty(u"Strings"_s, u"Integer"_s, u"String"_s, &stringsMethod);
        c->AddProperty(
            u"Text"_s,
            u"String"_s,
            [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<TStrings>(obj).Text());
            },
            [](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
                kyObjectAs<TStrings>(obj).SetText(v.AsString());
            });
    }
    if (TkyClassVariable *c = Script().AddClass(TStringList::StaticClassInfo(), u"TStrings"_s)) {
        c->AddMethod(u"function Find(s: String; var Index: Integer): Boolean"_s, &stringsMethod);
        c->AddMethod(u"procedure Sort"_s, &stringsMethod);
        c->AddProperty(
            u"Duplicates"_s,
            u"TDuplicates"_s,
            [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(int(kyObjectAs<TStringList>(obj).Duplicates()));
            },
            [](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
                const int value = v.AsInteger();
                if (value < dupIgnore || value > dupError)
                    throw ERangeError(u"Range check error"_s);
                kyObjectAs<TStringList>(obj).SetDuplicates(TDuplicates(value));
            });
        c->AddProperty(
            u"Sorted"_s,
            u"Boolean"_s,
            [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<TStringList>(obj).Sorted());
            },
            [](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
                kyObjectAs<TStringList>(obj).SetSorted(v.AsBoolean());
            });
    }
}

void TkyClassesRTTI::addStreams()
{
    if (TkyClassVariable *c = Script().AddClass(streamInfo(), u"TObject"_s)) {
        c->AddMethod(u"function Read(var Buffer: string; Count: Longint): Longint"_s,
                     &streamMethod);
        c->AddMethod(u"function Write(Buffer: string; Count: Longint): Longint"_s, &streamMethod);
        c->AddMethod(u"function Seek(Offset: Longint; Origin: Word): Longint"_s, &streamMethod);
        c->AddMethod(u"function CopyFrom(Source: TStream; Count: Longint): Longint"_s,
                     &streamMethod);
        c->AddProperty(
            u"Position"_s,
            u"Longint"_s,
            [](TObject *obj, const TkavClassInfo *, const QString &) {
                return VarFromInteger(kyObjectAs<TStream>(obj).Position());
            },
            [](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
                kyObjectAs<TStream>(obj).SetPosition(v.AsInt64());
            });
        c->AddProperty(
            u"Size"_s, u"Longint"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
                return VarFromInteger(kyObjectAs<TStream>(obj).Size());
            });
    }
    if (TkyClassVariable *c = Script().AddClass(TkyFileStream::StaticClassInfo(), u"TStream"_s))
        c->AddConstructor(u"constructor Create(Filename: String; Mode: Word)"_s, &streamMethod);
    if (TkyClassVariable *c = Script().AddClass(TkyMemoryStream::StaticClassInfo(), u"TStream"_s)) {
        c->AddMethod(u"procedure Clear"_s, &streamMethod);
        c->AddMethod(u"procedure LoadFromStream(Stream: TStream)"_s, &streamMethod);
        c->AddMethod(u"procedure LoadFromFile(const FileName: string)"_s, &streamMethod);
        c->AddMethod(u"procedure SaveToStream(Stream: TStream)"_s, &streamMethod);
        c->AddMethod(u"procedure SaveToFile(const FileName: string)"_s, &streamMethod);
    }
}

void TkyClassesRTTI::addXML()
{
    if (TkyClassVariable *c
        = Script().AddClass(TkyXMLItemObject::StaticClassInfo(), u"TObject"_s)) {
        c->AddConstructor(u"constructor Create"_s, &xmlItemMethod);
        c->AddMethod(u"procedure AddItem(Item: TkyXMLItem)"_s, &xmlItemMethod);
        c->AddMethod(u"procedure Clear"_s, &xmlItemMethod);
        c->AddMethod(u"procedure InsertItem(Index: Integer; Item: TkyXMLItem)"_s, &xmlItemMethod);
        c->AddMethod(u"function Add: TkyXMLItem"_s, &xmlItemMethod);
        c->AddMethod(u"function Find(const Name: String): Integer"_s, &xmlItemMethod);
        c->AddMethod(u"function FindItem(const Name: String): TkyXMLItem"_s, &xmlItemMethod);
        c->AddMethod(u"function Root: TkyXMLItem"_s, &xmlItemMethod);
        c->AddProperty(
            u"Data"_s,
            u"Variant"_s,
            [](TObject *obj, const TkavClassInfo *, const QString &) {
                return kyObjectAs<TkyXMLItemObject>(obj).Data;
            },
            [](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
                kyObjectAs<TkyXMLItemObject>(obj).Data = v;
            });
        c->AddProperty(
            u"Count"_s, u"Integer"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<TkyXMLItemObject>(obj).Item().Count());
            });
        c->AddDefaultProperty(u"Items"_s, u"Integer"_s, u"TkyXMLItem"_s, &xmlItemMethod, true);
        c->AddIndexProperty(u"Prop"_s, u"String"_s, u"String"_s, &xmlItemMethod);
        c->AddProperty(
            u"Name"_s,
            u"String"_s,
            [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<TkyXMLItemObject>(obj).Item().Name());
            },
            [](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
                kyObjectAs<TkyXMLItemObject>(obj).Item().SetName(v.AsString());
            });
        c->AddProperty(
            u"Parent"_s, u"TkyXMLItem"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
                auto &self = kyObjectAs<TkyXMLItemObject>(obj);
                return xmlRef(self.Tree(), self.Item().Parent());
            });
        c->AddProperty(
            u"Text"_s,
            u"String"_s,
            [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<TkyXMLItemObject>(obj).Item().Text());
            },
            [](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
                kyObjectAs<TkyXMLItemObject>(obj).Item().SetText(v.AsString());
            });
    }
    if (TkyClassVariable *c
        = Script().AddClass(TkyXMLDocumentObject::StaticClassInfo(), u"TObject"_s)) {
        c->AddConstructor(u"constructor Create"_s, &xmlDocumentMethod);
        c->AddMethod(u"procedure SaveToStream(Stream: TStream)"_s, &xmlDocumentMethod);
        c->AddMethod(u"procedure LoadFromStream(Stream: TStream)"_s, &xmlDocumentMethod);
        c->AddMethod(u"procedure SaveToFile(const FileName: String)"_s, &xmlDocumentMethod);
        c->AddMethod(u"procedure LoadFromFile(const FileName: String)"_s, &xmlDocumentMethod);
        c->AddProperty(
            u"Root"_s, u"TkyXMLItem"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
                auto &doc = kyObjectAs<TkyXMLDocumentObject>(obj);
                return xmlRef(doc.Tree, doc.Document.Root());
            });
    }
}

} // namespace

void kyRegisterClassesModule()
{
    static std::once_flag once;
    std::call_once(once, [] {
        kyRegisterRTTIModule(kyModuleClasses,
            [](TkyScript &script) { return std::make_unique<TkyClassesRTTI>(script); });
    });
}

Variant kyCreateObject(const TkavClassInfo *cls, TkyMethodHelper &m)
{
    return m.Program()->AdoptObject(makeObject(cls));
}

void kyFreeObject(TObject *obj, TkyMethodHelper &m)
{
    // Only what the script created may die here, or a component through its owner; the
    // host still uses everything else.
    auto *component = dynamic_cast<TComponent *>(obj);
    if (component && component->Owner())
        component->Owner()->RemoveComponent(component).reset();
    else if (obj && !m.Program()->FreeObject(obj))
        throw EkyError(u"Cannot free this object"_s);
}
