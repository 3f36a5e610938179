#pragma once

// TkavXMLSerializer: the published properties of any object as XML attribute text and
// back, and component trees as elements named by class (the report file is exactly its
// output for the report root). kavTextToFloat is the float reader of every stored text.

#include <rtl/kavStrings.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>
#include <memory>
#include <vector>

class TkavClassInfo;
class TkavCollection;
class TkavComponent;
class TkavPropInfo;
class TkavXMLItem;
class TPersistent;
class TStream;

// Reads a float written with "." or "," as decimal separator; every space is ignored
// ("1 234,5" is 1234.5). EConvertError "'%s' is not a valid floating point value" otherwise.
double kavTextToFloat(QStringView text);

// Objects with a multi-line text of their own (memos): the text is written after all
// properties as the attribute "Text" without its final line break, and read back from
// "Text", "u" and "x".
class IkavXMLText
{
public:
    virtual ~IkavXMLText() = default;
    virtual QString XMLText() const = 0;
    virtual void SetXMLText(const QString &Text) = 0;
};

// Non-published data in the component-stream property form: per entry its name as a
// length-prefixed 8-bit string, a value-type byte and the value (little-endian integers of
// 8, 16 or 32 bits with types 2, 3, 4; byte data with type 10, a 32-bit length and bytes).
class TkavPropDataWriter
{
public:
    // The smallest of the three integer forms that holds Value.
    void WriteInteger(const QString &Name, qint32 Value);
    void WriteBinary(const QString &Name, QByteArrayView Data);
    const QByteArray &Bytes() const { return FBytes; }

private:
    void writeName(const QString &name);

    QByteArray FBytes;
};

// One entry read back: integers (types 2, 3, 4, and 8 / 9 for False / True) in Integer,
// byte data (type 10) and 8-bit strings (types 6 and 12) in Data.
struct TkavPropDataEntry
{
    QString Name;
    int ValueType = 0;
    qint64 Integer = 0;
    QByteArray Data;
};

// Parses bytes into entries up to the end or to an empty name (the list end); stops at the
// first malformed or truncated entry (every length is checked against what is left) and then
// returns false with the entries before it.
bool kavReadPropData(QByteArrayView bytes, QList<TkavPropDataEntry> &entries);

// Objects with non-published data, stored as the attribute "PropData" (upper-case hex).
class IkavPropData
{
public:
    virtual ~IkavPropData() = default;
    // Writes the extra data; writing nothing leaves the attribute out.
    virtual void DefinePropData(TkavPropDataWriter &Writer) const = 0;
    // One entry read back; an exception's message becomes an error line of the load.
    virtual void ReadPropData(const TkavPropDataEntry &Entry) = 0;
};

// A reference property whose target is named by Value and resolved after the whole read.
struct TkavFixupItem
{
    TPersistent *Obj = nullptr;                // the object whose property is pending
    const TkavPropInfo *PropInfo = nullptr;    // the component-reference property
    QString Value;                             // the referenced object's name as read
    quint64 ObjHandle = 0; // Obj's handle: a fixup whose object died meanwhile is dropped
};

// Supplies the ancestor object of the component named ComponentName (or leaves it null).
using TkavGetAncestorEvent =
    std::function<void(const QString &ComponentName, TPersistent *&Ancestor)>;
// Receives the KavCustomData element while reading.
using TkavGetCustomDataEvent = std::function<void(TkavXMLItem &XMLItem)>;
// Fills the KavCustomData element while writing.
using TkavSaveCustomDataEvent = std::function<void(TkavXMLItem &XMLItem)>;

class TkavXMLSerializer;

// An element's attributes read once into a prototype of its class and then given to many
// new objects by copying the values they left (what reading the text again would do);
// attributes that are more than a value (texts, references, property data) are read from
// their text each time. The prepared pages build every object from its source's text so.
class TkavAttributeTemplate
{
public:
    ~TkavAttributeTemplate();
    TkavAttributeTemplate(const TkavAttributeTemplate &) = delete;
    TkavAttributeTemplate &operator=(const TkavAttributeTemplate &) = delete;
    const TkavClassInfo &ClassInfo() const { return *FClass; }

    struct Step;

private:
    friend class TkavXMLSerializer;
    TkavAttributeTemplate();
    void compile(TkavXMLSerializer &Serializer, const QString &Attributes, TPersistent &Prototype);
    void assignTo(TkavXMLSerializer &Serializer, TPersistent &Obj) const;

    const TkavClassInfo *FClass = nullptr;
    std::vector<Step> FSteps;
};

class TkavXMLSerializer
{
public:
    // Nested persistent objects deeper than this are neither written nor read.
    static constexpr int MaxObjectDepth = 32;

    // Stream (not owned) is what the whole-document and single-element operations use;
    // it may be null for the attribute-text operations.
    explicit TkavXMLSerializer(TStream *Stream = nullptr);
    ~TkavXMLSerializer();
    TkavXMLSerializer(const TkavXMLSerializer &) = delete;
    TkavXMLSerializer &operator=(const TkavXMLSerializer &) = delete;

    // --- attribute text ---------------------------------------------------------------

    // The attribute text of Obj: one ` Add+Prop="value"` per stored property, in the
    // order of the class's property table (a component's Name is left to the tree writer),
    // then an IkavXMLText's "Text" and an IkavPropData's "PropData". Ancestor (same class)
    // supplies the values that count as defaults; without it declared defaults decide. A
    // component sets IsWriting meanwhile and asks OnGetAncestor when no Ancestor is given.
    // Nested objects deeper than MaxObjectDepth are left out. Empty for no object.
    QString ObjToXML(TPersistent *Obj,
                     const QString &Add = QString(),
                     TPersistent *Ancestor = nullptr);
    // Assigns every attribute of s to Obj ("Font.Name" walks sub-objects, "Lines.Text" sets
    // a list, "l" "t" "w" "h" set the geometry). Unknown names and read-only properties are
    // ignored; a value that does not fit its property (not a number, an enumeration value
    // or set bit outside the type) adds a line to Errors and leaves the property unchanged;
    // the rest is still assigned. Reference properties are queued as fixups.
    void XMLToObj(const QString &s, TPersistent *Obj);

    // --- component trees --------------------------------------------------------------

    // Writes Root (with SaveChildren its whole tree) into XMLItem; without XMLItem into a
    // new document (AutoIndent on, with the XML header) saved to Stream.
    void WriteRootComponent(TkavComponent *Root,
                            bool SaveChildren = true,
                            TkavXMLItem *XMLItem = nullptr,
                            bool Streaming = false);
    // Reads Root and its tree from XMLItem; without XMLItem loads the document from Stream
    // first (an XML syntax error propagates as TkavInvalidXMLException). Elements of
    // unregistered classes add "<xrCantFindClass> <name>" to Errors and are skipped with
    // their subtrees, and so are elements out of place (a report below anything, a page
    // below anything but a report, anything but a page below a report). Owner defaults to
    // Root. References are resolved after the whole tree; then every object read leaves
    // IsLoading and runs Loaded (not the report).
    void ReadRootComponent(TkavComponent *Root, TkavXMLItem *XMLItem = nullptr);
    // The class name of c followed by ObjToXML(c).
    QString WriteComponentStr(TkavComponent *c);
    // The inverse: "ClassName attributes". Creates the object with Root as its owner (the
    // object then belongs to Root's report), assigns, resolves references (or with
    // DontFixup drops them) and runs its loaded notification. Null for an empty text, no
    // Root, an unknown class or a class that is not a component (an Errors line for the
    // latter two).
    TkavComponent *ReadComponentStr(TkavComponent *Root, const QString &s, bool DontFixup = false);
    // The template of "ClassName attributes" for ReadComponentStr below; null (an Errors
    // line) for an unknown class or one that is not a component.
    std::shared_ptr<const TkavAttributeTemplate> ReadAttributeTemplate(const QString &s);
    // As ReadComponentStr of the template's text followed by the attributes s.
    TkavComponent *ReadComponentStr(TkavComponent *Root,
                                    const TkavAttributeTemplate &Start,
                                    const QString &s,
                                    bool DontFixup = false);
    // Writes "<" + WriteComponentStr(c) + "/>" in UTF-8 to Stream, without header.
    void WriteComponent(TkavComponent *c);
    // Reads one element from Stream (no header) and hands it to ReadComponentStr.
    TkavComponent *ReadComponent(TkavComponent *Root);
    // XMLToObj(s, Obj), then the references are resolved (against Root when there is no
    // Owner yet).
    void ReadPersistentStr(TkavComponent *Root, TPersistent *Obj, const QString &s);

    // --- references -------------------------------------------------------------------

    // Resolves every queued fixup in queue order against Owner and clears the queue. A
    // name that resolves to nothing leaves the property unset, "nil" clears it, a component
    // of the wrong class adds an Errors line; fixups of objects destroyed meanwhile are
    // dropped.
    void FixupReferences();
    // Appends copies of the pending fixups to FixList.
    void CopyFixupList(QList<TkavFixupItem> &FixList) const;
    const QList<TkavFixupItem> &Fixups() const { return FFixups; }
    // The name a reference to c is written as; empty when c cannot be named from Owner.
    QString ReferenceName(const TkavComponent *c) const;

    // The serializer whose tree writer / reader is inside a component's nested-property
    // hook on this thread, or null.
    static TkavXMLSerializer *ActiveWriter();
    static TkavXMLSerializer *ActiveReader();

    // --- state ------------------------------------------------------------------------

    // Sorted, each distinct message once.
    TStringList &Errors() { return FErrors; }
    const TStringList &Errors() const { return FErrors; }
    // The component that owns the names written and resolved (the report); not owned.
    TkavComponent *Owner() const { return FOwner; }
    void SetOwner(TkavComponent *Owner) { FOwner = Owner; }
    TStream *Stream() const { return FStream; }
    void SetStream(TStream *Stream) { FStream = Stream; }
    bool SerializeDefaultValues() const { return FSerializeDefaultValues; }
    void SetSerializeDefaultValues(bool Value) { FSerializeDefaultValues = Value; }
    // The text was read with an old-style (8-bit) header.
    bool OldFormat() const { return FOldFormat; }
    void SetOldFormat(bool Value) { FOldFormat = Value; }
    bool HandleNestedProperties() const { return FHandleNestedProperties; }
    void SetHandleNestedProperties(bool Value) { FHandleNestedProperties = Value; }
    bool SaveAncestorOnly() const { return FSaveAncestorOnly; }
    void SetSaveAncestorOnly(bool Value) { FSaveAncestorOnly = Value; }
    const TkavGetAncestorEvent &OnGetAncestor() const { return FOnGetAncestor; }
    void SetOnGetAncestor(TkavGetAncestorEvent Event) { FOnGetAncestor = std::move(Event); }
    const TkavGetCustomDataEvent &OnGetCustomDataEvent() const { return FGetCustomDataEvent; }
    void SetOnGetCustomDataEvent(TkavGetCustomDataEvent Event)
    {
        FGetCustomDataEvent = std::move(Event);
    }
    const TkavSaveCustomDataEvent &OnSaveCustomDataEvent() const { return FOnSaveCustomDataEvent; }
    void SetOnSaveCustomDataEvent(TkavSaveCustomDataEvent Event)
    {
        FOnSaveCustomDataEvent = std::move(Event);
    }

private:
    friend class TkavAttributeTemplate;
    struct ReadState;

    QString objToXML(TPersistent *obj, const QString &add, TPersistent *ancestor, int depth);
    QString propToXML(TPersistent &obj,
                      const TkavPropInfo &prop,
                      const QString &add,
                      TPersistent *ancestor,
                      int depth);
    QString referenceToXML(TPersistent &obj,
                           const TkavPropInfo &prop,
                           const QString &name,
                           TPersistent *ancestor) const;
    QString textToXML(TPersistent &obj, const QString &add, TPersistent *ancestor) const;
    QString propDataToXML(TPersistent &obj, const QString &add, TPersistent *ancestor) const;
    // Calls Assign(name, value) for every name="value" of s (a value without quotes is an
    // Errors line).
    template <class F>
    void readAttributes(const QString &s, F &&Assign);
    void assignAttribute(TPersistent &obj, QStringView name, const QString &value);
    // The component class text begins with (its name ends at space); null with an Errors
    // line for an unknown class or one that is not a component.
    const TkavClassInfo *componentClassOf(const QString &text, qsizetype &space);
    void readPropData(IkavPropData &target, const QString &hex, TPersistent &owner);
    void addError(const QString &message);
    void writeTree(TkavComponent &c,
                   TkavXMLItem &item,
                   bool isRoot,
                   bool saveChildren,
                   bool streaming,
                   int depth);
    void readTree(TkavXMLItem &item,
                  TkavComponent *parent,
                  TkavComponent &root,
                  ReadState &state,
                  int depth);
    TkavComponent *childObject(const TkavXMLItem &item,
                               const TkavClassInfo *cls,
                               TkavComponent &parent,
                               ReadState &state,
                               bool &renamed);
    void renameRepeated(TkavComponent &obj,
                        const QString &name,
                        const QString &firstName,
                        ReadState &state);
    bool readNested(TkavComponent &obj, TkavXMLItem &item);
    void beginLoading(TkavComponent &obj, ReadState &state);
    void finishRead(ReadState &state);
    TkavComponent *findReference(const QString &name) const;

    TStringList FErrors;
    QList<TkavFixupItem> FFixups;
    TkavComponent *FOwner = nullptr;
    bool FSerializeDefaultValues = false;
    TStream *FStream = nullptr;
    bool FOldFormat = false;
    TkavGetAncestorEvent FOnGetAncestor;
    TkavGetCustomDataEvent FGetCustomDataEvent;
    TkavSaveCustomDataEvent FOnSaveCustomDataEvent;
    bool FHandleNestedProperties = false;
    bool FSaveAncestorOnly = false;
};

// --- collections as child elements -------------------------------------------------------
//
// Collections owned by components (a report's data sets, variables and styles, a memo's
// formats and highlights) are stored as one child element holding an "item" element per
// collection item. Both functions use the serializer that is writing or reading the
// surrounding tree when there is one (the one that called the component's nested-property
// hook, else the report's XMLSerializer of a load in progress), so a file is written with
// one set of rules and, when reading, errors land in the load's Errors and references
// inside items resolve after the whole tree. Otherwise a temporary serializer whose Owner
// is Owner's report (or Owner) is used; when reading, its references are resolved at the
// end and its error lines are appended to that report's Errors (dropped without a report).

// Appends <Name> to Parent with one <item> per item of Collection, in order, each holding
// ObjToXML(item). With an Ancestor collection, an item whose identity (GetInheritedName)
// names an ancestor item is written relative to it and its text starts with
// ` InheritedName="..."`. Owner is the component that owns the collection.
void kavWriteCollection(TkavCollection &Collection,
                        const QString &Name,
                        TkavXMLItem &Parent,
                        TkavComponent *Owner,
                        TkavCollection *Ancestor = nullptr);
// The most items one collection element gives; the rest is left out with an Errors line.
inline constexpr int kavMaxCollectionItems = 10000;

// Reads the <item> children of Item (names ignoring case; other children are ignored)
// into Collection, which is not cleared first. When Owner comes from an ancestor report,
// an item carrying InheritedName is applied to the existing item of that identity
// (FindByName), which becomes IsInherited, and is skipped when there is none; every other
// element adds a new item and assigns its attributes (an InheritedName attribute then
// gives the new item that identity). Ancestor is accepted for symmetry with writing: the
// pairing uses the items already in Collection.
void kavReadCollection(TkavCollection &Collection,
                       const TkavXMLItem &Item,
                       TkavComponent *Owner,
                       TkavCollection *Ancestor = nullptr);
