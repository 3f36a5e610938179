#include "kavXMLSerializer.h"

#include "kavCollections.h"
#include "kavRes.h"
#include "kavXML.h"

#include <report/kavComponent.h>
#include <report/kavReport.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavCast.h>
#include <rtl/kavCodePage.h>
#include <rtl/kavFormat.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>
#include <rtl/kavVariant.h>

#include <QSet>

#include <zlib.h>

#include <charconv>

#include <cmath>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The serializers inside a component's nested-property hook on this thread: collections
// written or read by the hook use them.
thread_local TkavXMLSerializer *activeWriter = nullptr;
thread_local TkavXMLSerializer *activeReader = nullptr;

// Publishes a serializer in one of the slots above for the length of a hook call.
class ActiveScope
{
public:
    ActiveScope(TkavXMLSerializer *&slot, TkavXMLSerializer *serializer)
        : FSlot(slot)
        , FPrevious(std::exchange(slot, serializer))
    {}
    ~ActiveScope() { FSlot = FPrevious; }
    ActiveScope(const ActiveScope &) = delete;
    ActiveScope &operator=(const ActiveScope &) = delete;

private:
    TkavXMLSerializer *&FSlot;
    TkavXMLSerializer *FPrevious;
};

// Messages quote values from files; a huge value must not become a huge error line.
constexpr qsizetype MaxMessageLength = 200;

QString clipped(const QString &message)
{
    if (message.size() <= MaxMessageLength)
        return message;
    return message.left(MaxMessageLength) + u"..."_s;
}

// Decimal integer as files store it: optional sign, digits, blanks around.
qint64 textToInt64(const QString &text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok, 10);
    if (!ok)
        throw EConvertError(u"'%1' is not a valid integer value"_s.arg(clipped(text)));
    return value;
}

// A list's text as stored: lines joined by CR LF, without the final line break.
QString listText(const QString &text)
{
    return text.endsWith(u"\r\n"_s) ? text.chopped(2) : text;
}

QString attribute(const QString &name, const QString &value)
{
    return u" "_s + name + u"=\""_s + value + u'"';
}

quint32 kavCRC32(const QByteArray &bytes)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size()));
    return quint32(crc);
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// Two hex digits per byte, nothing else; nullopt for anything malformed.
std::optional<QByteArray> hexToBytes(const QString &hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    QByteArray bytes(hex.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int high = hexDigit(hex.at(2 * i));
        const int low = hexDigit(hex.at(2 * i + 1));
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = char(high * 16 + low);
    }
    return bytes;
}

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Short attribute names of prepared pages that set the geometry through the setters.
QStringView geometryProp(QStringView name)
{
    if (name.size() != 1)
        return {};
    switch (name.at(0).unicode()) {
    case u'l':
        return u"Left";
    case u't':
        return u"Top";
    case u'w':
        return u"Width";
    case u'h':
        return u"Height";
    default:
        return {};
    }
}

} // namespace

double kavTextToFloat(QStringView text)
{
    // Most values are plain decimals ("-12.5"): read without building a string.
    if (text.size() > 0 && text.size() < 32) {
        char digits[32];
        bool plain = true;
        int points = 0;
        for (qsizetype i = 0; i < text.size() && plain; ++i) {
            const char16_t c = text[i].unicode();
            if (c == u'.')
                plain = ++points == 1 && i > 0 && text[i - 1].isDigit();
            else
                plain = (c >= u'0' && c <= u'9') || (c == u'-' && i == 0);
            digits[i] = char(c);
        }
        double value = 0;
        if (plain && text.back() != u'.'
            && std::from_chars(digits, digits + text.size(), value).ptr == digits + text.size())
            return value;
    }
    QString normal;
    normal.reserve(text.size());
    for (const QChar c : text) {
        if (c == u' ')
            continue;
        normal.append(c == u',' ? QChar(u'.') : c);
    }
    double value = 0;
    if (!kavTryFileTextToFloat(normal, value))
        throw EConvertError(
            u"'%1' is not a valid floating point value"_s.arg(clipped(text.toString())));
    return value;
}

TkavXMLSerializer::TkavXMLSerializer(TStream *Stream)
    : FStream(Stream)
{
    FErrors.SetSorted(true);
    FErrors.SetDuplicates(dupIgnore);
}

TkavXMLSerializer::~TkavXMLSerializer() = default;

TkavXMLSerializer *TkavXMLSerializer::ActiveWriter()
{
    return activeWriter;
}

TkavXMLSerializer *TkavXMLSerializer::ActiveReader()
{
    return activeReader;
}

void TkavXMLSerializer::addError(const QString &message)
{
    FErrors.Add(clipped(message));
}

// ---------------------------------------------------------------------------------------
// Writing attribute text

QString TkavXMLSerializer::ObjToXML(TPersistent *Obj, const QString &Add, TPersistent *Ancestor)
{
    return objToXML(Obj, Add, Ancestor, 0);
}

QString TkavXMLSerializer::objToXML(TPersistent *obj,
                                    const QString &add,
                                    TPersistent *ancestor,
                                    int depth)
{
    if (!obj || depth > MaxObjectDepth)
        return QString();
    auto *component = kavCast<TkavComponent>(obj);
    // Getters and stored conditions may ask whether they are being written.
    std::optional<TkavWritingGuard> writing;
    std::optional<TkavWritingGuard> ancestorWriting;
    if (component) {
        writing.emplace(*component);
        if (!ancestor && FOnGetAncestor)
            FOnGetAncestor(component->Name(), ancestor);
        if (auto *ancestorComponent = kavCast<TkavComponent>(ancestor)) {
            ancestorWriting.emplace(*ancestorComponent);
            if (FSaveAncestorOnly) {
                obj = ancestor;
                ancestor = nullptr;
            }
        }
    }
    // An ancestor of another class has nothing to compare with.
    if (ancestor && &ancestor->ClassInfo() != &obj->ClassInfo())
        ancestor = nullptr;
    QString result;
    for (const TkavPropInfo *prop : obj->ClassInfo().Props()) {
        // A component's name is written by the tree writer, never as a property.
        if (component && kavSameText(prop->Name(), u"Name"))
            continue;
        if (prop->IsStored(*obj))
            result += propToXML(*obj, *prop, add, ancestor, depth);
    }
    result += textToXML(*obj, add, ancestor);
    // Objects that write collections as child elements keep their extra data there too.
    if (!(component && FHandleNestedProperties
          && component->kvComponentStyle().Contains(csHandlesNestedProperties)))
        result += propDataToXML(*obj, add, ancestor);
    return result;
}

QString TkavXMLSerializer::propToXML(TPersistent &obj,
                                     const TkavPropInfo &prop,
                                     const QString &add,
                                     TPersistent *ancestor,
                                     int depth)
{
    const QString name = add + prop.Name();
    const bool testDefault = !FSerializeDefaultValues;
    switch (prop.Kind()) {
    case pkInteger:
    case pkInt64:
    case pkChar:
    case pkWChar:
    case pkSet:
    case pkEnumeration: {
        const qint64 value = prop.GetOrd(obj);
        if (testDefault) {
            if (ancestor ? value == prop.GetOrd(*ancestor)
                         : prop.HasDefault() && value == prop.Default())
                return QString();
        }
        if (prop.Kind() == pkEnumeration)
            return attribute(name, kavGetEnumProp(obj, prop));
        if (prop.Kind() == pkSet)
            return attribute(name, kavSetMaskToText(quint32(value)));
        return attribute(name, IntToStr(value));
    }
    case pkFloat: {
        const double value = prop.GetFloat(obj);
        if (testDefault && ancestor && std::fabs(value - prop.GetFloat(*ancestor)) < 1e-6)
            return QString();
        return attribute(name, kavFloatToFileText(value));
    }
    case pkString:
    case pkEvent: {
        const QString value = prop.GetStr(obj);
        // Against an ancestor, an emptied text is a change that must reach the file.
        if (value.isEmpty() && (!ancestor || prop.GetStr(*ancestor).isEmpty()))
            return QString();
        if (testDefault && ancestor && value == prop.GetStr(*ancestor))
            return QString();
        return attribute(name, kavEncodeXMLText(value));
    }
    case pkVariant: {
        // Always written without an ancestor, empty values too (a variable's Value="").
        const QString value = kavVariantToXML(prop.GetVar(obj));
        if (ancestor && value == kavVariantToXML(prop.GetVar(*ancestor)))
            return QString();
        return attribute(name, value);
    }
    case pkComponent:
        return referenceToXML(obj, prop, name, ancestor);
    case pkStringList: {
        const QString value = listText(prop.GetStr(obj));
        if (ancestor && !FSaveAncestorOnly && value == listText(prop.GetStr(*ancestor)))
            return QString();
        return attribute(name + u".Text"_s, kavEncodeXMLText(value));
    }
    case pkObject: {
        TPersistent *sub = prop.GetObject(obj);
        TPersistent *ancestorSub = ancestor ? prop.GetObject(*ancestor) : nullptr;
        return objToXML(sub, name + u'.', ancestorSub, depth + 1);
    }
    case pkWideStrings:
    case pkMethod:
        break;
    }
    return QString();
}

QString TkavXMLSerializer::textToXML(TPersistent &obj,
                                     const QString &add,
                                     TPersistent *ancestor) const
{
    const auto *holder = kavCast<const IkavXMLText>(&obj);
    if (!holder)
        return QString();
    const QString text = listText(holder->XMLText());
    const auto *ancestorHolder = kavCast<const IkavXMLText>(ancestor);
    if (ancestorHolder && !FSaveAncestorOnly && listText(ancestorHolder->XMLText()) == text)
        return QString();
    return attribute(add + u"Text"_s, kavEncodeXMLText(text));
}

QString TkavXMLSerializer::propDataToXML(TPersistent &obj,
                                         const QString &add,
                                         TPersistent *ancestor) const
{
    const auto *holder = kavCast<const IkavPropData>(&obj);
    if (!holder)
        return QString();
    TkavPropDataWriter writer;
    holder->DefinePropData(writer);
    const QByteArray &bytes = writer.Bytes();
    if (bytes.isEmpty())
        return QString();
    if (const auto *ancestorHolder = kavCast<const IkavPropData>(ancestor);
        ancestorHolder && !FSaveAncestorOnly) {
        TkavPropDataWriter ancestorWriter;
        ancestorHolder->DefinePropData(ancestorWriter);
        if (kavCRC32(ancestorWriter.Bytes()) == kavCRC32(bytes))
            return QString();
    }
    return attribute(add + u"PropData"_s, QString::fromLatin1(bytes.toHex().toUpper()));
}

// ---------------------------------------------------------------------------------------
// Reading attribute text

void TkavXMLSerializer::XMLToObj(const QString &s, TPersistent *Obj)
{
    if (!Obj)
        return;
    readAttributes(s, [this, Obj](QStringView name, const QString &value) {
        try {
            assignAttribute(*Obj, name, value);
        } catch (const Exception &e) {
            addError(e.Message());
        }
    });
}

template <class F>
void TkavXMLSerializer::readAttributes(const QString &s, F &&Assign)
{
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (true) {
        while (i < n && isSpace(s.at(i)))
            ++i;
        const qsizetype eq = s.indexOf(u'=', i);
        if (eq < 0)
            return;
        const QStringView name = QStringView(s).mid(i, eq - i).trimmed();
        if (name.isEmpty())
            return;
        qsizetype open = eq + 1;
        while (open < n && isSpace(s.at(open)))
            ++open;
        // A value is in double or single quotes; an unquoted one is refused, never taken
        // from the next quoted value.
        if (open >= n || (s.at(open) != u'"' && s.at(open) != u'\'')) {
            addError(u"Invalid file format: the value of %1 is not in quotes"_s.arg(clipped(name.toString())));
            i = open;
            while (i < n && !isSpace(s.at(i)))
                ++i;
            continue;
        }
        qsizetype close = s.indexOf(s.at(open), open + 1);
        if (close < 0)
            close = n;
        const QString value = s.mid(open + 1, close - open - 1);
        i = close + 1;
        Assign(name, value);
    }
}

void TkavXMLSerializer::assignAttribute(TPersistent &obj, QStringView name, const QString &value)
{
    // Walk the dotted segments through object properties; "List.Text" sets a list.
    TPersistent *target = &obj;
    for (int depth = 0;; ++depth) {
        const qsizetype dot = name.indexOf(u'.');
        if (dot < 0)
            break;
        if (depth >= MaxObjectDepth)
            return;
        const TkavPropInfo *prop = target->ClassInfo().FindProp(name.left(dot));
        if (!prop)
            return;
        const QStringView rest = name.mid(dot + 1);
        if (prop->Kind() == pkStringList || prop->Kind() == pkWideStrings) {
            if (kavSameText(rest, u"Text"))
                prop->SetStr(*target, kavDecodeXMLText(value));
            return;
        }
        if (prop->Kind() != pkObject)
            return;
        target = prop->GetObject(*target);
        if (!target)
            return;
        name = rest;
    }

    // The name first: the cast is a cross-cast, dear for every attribute of every object.
    const bool textName = name == u"x" || name == u"u" || kavSameText(name, u"Text");
    if (auto *holder = textName ? kavCast<IkavXMLText>(target) : nullptr) {
        if (name == u"x") {
            holder->SetXMLText(kavDecodeXMLText(value));
            return;
        }
        if (name == u"u" || kavSameText(name, u"Text")) {
            QString text = kavDecodeXMLText(value);
            // Old 8-bit files hold memo texts as UTF-8 bytes inside the 8-bit text.
            if (FOldFormat)
                text = QString::fromUtf8(kavUnicodeToCodePage(text));
            holder->SetXMLText(text);
            return;
        }
    }
    if (kavSameText(name, u"PropData")) {
        if (auto *holder = kavCast<IkavPropData>(target))
            readPropData(*holder, value, obj);
        return;
    }
    if (const QStringView geometry = geometryProp(name); !geometry.isEmpty()) {
        const TkavPropInfo *prop = target->ClassInfo().FindProp(geometry);
        if (prop && prop->Kind() == pkFloat && !prop->IsReadOnly())
            prop->SetFloat(*target, kavTextToFloat(value));
        return;
    }
    if (kavSameText(name, u"Name")) {
        if (auto *component = kavCast<TkavComponent>(target)) {
            // A report keeps its own name.
            if (!component->InheritsFrom(u"TkavReport"))
                component->SetName(kavDecodeXMLText(value));
            return;
        }
    }
    if (kavSameText(name, u"Text")) {
        if (auto *list = kavCast<TStrings>(target)) {
            list->SetText(kavDecodeXMLText(value));
            return;
        }
    }

    const TkavPropInfo *prop = target->ClassInfo().FindProp(name);
    if (!prop || prop->IsReadOnly())
        return;
    switch (prop->Kind()) {
    case pkInteger:
    case pkInt64:
    case pkChar:
    case pkWChar:
        prop->SetOrd(*target, textToInt64(value));
        break;
    case pkSet:
        prop->SetOrd(*target, qint64(kavTextToSetMask(value)));
        break;
    case pkEnumeration:
        // Identifiers and numbers alike are checked against the enumeration.
        kavSetEnumProp(*target, *prop, value);
        break;
    case pkFloat:
        prop->SetFloat(*target, kavTextToFloat(value));
        break;
    case pkString:
    case pkEvent:
        prop->SetStr(*target, kavDecodeXMLText(value));
        break;
    case pkVariant:
        prop->SetVar(*target, Variant(kavDecodeXMLText(value)));
        break;
    case pkComponent:
        FFixups.append(TkavFixupItem{target, prop, kavDecodeXMLText(value), target->Handle()});
        break;
    case pkObject:
    case pkStringList:
    case pkWideStrings:
    case pkMethod:
        break;
    }
}

void TkavXMLSerializer::CopyFixupList(QList<TkavFixupItem> &FixList) const
{
    FixList.append(FFixups);
}

// ---------------------------------------------------------------------------------------
// References

QString TkavXMLSerializer::referenceToXML(TPersistent &obj,
                                          const TkavPropInfo &prop,
                                          const QString &name,
                                          TPersistent *ancestor) const
{
    auto *ref = kavCast<TkavComponent>(prop.GetObject(obj));
    if (ancestor) {
        auto *ancestorRef = kavCast<TkavComponent>(prop.GetObject(*ancestor));
        if (!ref && !ancestorRef)
            return QString();
        if (!ref)
            return attribute(name, u"nil"_s);
        if (ancestorRef && kavSameText(ref->Name(), ancestorRef->Name()))
            return QString();
    }
    const QString refName = ReferenceName(ref);
    return refName.isEmpty() ? QString() : attribute(name, refName);
}

QString TkavXMLSerializer::ReferenceName(const TkavComponent *c) const
{
    if (!c)
        return QString();
    const TkavComponent *owner = c->Owner();
    const bool ownedHere = !owner || owner == FOwner
                           || (FOwner && FOwner->Owner() == owner
                               && FOwner->InheritsFrom(u"TkavReport"));
    // Components of other reports cannot be found again by name: not written.
    return ownedHere ? c->Name() : QString();
}

TkavComponent *TkavXMLSerializer::findReference(const QString &name) const
{
    if (!FOwner || name.isEmpty())
        return nullptr;
    if (TkavComponent *c = FOwner->FindObject(name))
        return c;
    // Dotted names would reach other windows' components; this program has none.
    if (name.contains(u'.'))
        return nullptr;
    if (TkavComponent *c = FOwner->FindComponent(name))
        return c;
    if (FOwner->InheritsFrom(u"TkavReport") && FOwner->Owner())
        return FOwner->Owner()->FindComponent(name);
    return nullptr;
}

void TkavXMLSerializer::FixupReferences()
{
    const QList<TkavFixupItem> fixups = std::exchange(FFixups, {});
    for (const TkavFixupItem &f : fixups) {
        if (!f.Obj || !f.PropInfo || TObject::FromHandle(f.ObjHandle) != f.Obj)
            continue;
        try {
            // "nil": the ancestor's reference is cleared in this object.
            if (kavSameText(f.Value, u"nil"))
                f.PropInfo->SetObject(*f.Obj, nullptr);
            else if (TkavComponent *c = findReference(f.Value))
                f.PropInfo->SetObject(*f.Obj, c);
        } catch (const Exception &e) {
            addError(e.Message());
        }
    }
}

// ---------------------------------------------------------------------------------------
// Component trees

namespace {

QString cantFindClassMessage(const QString &name)
{
    return kavResourceTable().Get(u"xrCantFindClass"_s) + u' ' + name;
}

// Reports hold pages only, pages never sit below anything but a report, and a report is
// never a child: other nestings break the name scope and the run.
bool allowedChild(const TkavClassInfo &cls, const TkavComponent &parent)
{
    if (cls.InheritsFrom(u"TkavReport"))
        return false;
    // Dialog controls live on dialog pages (and inside each other), and a dialog page holds
    // nothing else but non-visual components.
    const bool control = cls.InheritsFrom(u"TkavDialogControl");
    if (control != (parent.InheritsFrom(u"TkavDialogPage") || parent.InheritsFrom(u"TkavDialogControl"))
        && !(parent.InheritsFrom(u"TkavDialogPage") && cls.InheritsFrom(u"TkavDialogComponent")))
        return false;
    return cls.InheritsFrom(u"TkavPage") == parent.InheritsFrom(u"TkavReport");
}

} // namespace

struct TkavXMLSerializer::ReadState
{
    struct Entry
    {
        TkavComponentRef<TkavComponent> Obj;
        TkavLoadingGuard Loading;
    };
    std::vector<Entry> Read; // in reading order
    QSet<const TkavComponent *> Seen;
    const TkavXMLItem *Top = nullptr;   // the element the read started at
    std::optional<QSet<QString>> Names; // every Name in Top's tree (case-folded), on demand
};

namespace {

void collectNames(const TkavXMLItem &item, QSet<QString> &names)
{
    if (const QString name = item.GetProp(u"Name"); !name.isEmpty())
        names.insert(kavUpperCase(name));
    for (int i = 0; i < item.Count(); ++i)
        collectNames(*item.Items(i), names);
}

// The attribute text without its Name pair.
QString withoutName(const QString &text)
{
    TkavXMLItem item;
    item.SetText(text);
    item.DeleteProp(u"Name");
    return item.Text();
}

} // namespace

void TkavXMLSerializer::WriteRootComponent(TkavComponent *Root,
                                           bool SaveChildren,
                                           TkavXMLItem *XMLItem,
                                           bool Streaming)
{
    if (!Root)
        return;
    if (XMLItem) {
        writeTree(*Root, *XMLItem, true, SaveChildren, Streaming, 0);
        return;
    }
    if (!FStream)
        throw EStreamError(u"No stream to write the document to"_s);
    TkavXMLDocument doc;
    doc.SetAutoIndent(true);
    writeTree(*Root, *doc.Root(), true, SaveChildren, Streaming, 0);
    if (FOnSaveCustomDataEvent)
        FOnSaveCustomDataEvent(*doc.Root()->Add(u"KavCustomData"_s));
    doc.SaveToStream(*FStream);
}

void TkavXMLSerializer::writeTree(TkavComponent &c,
                                  TkavXMLItem &item,
                                  bool isRoot,
                                  bool saveChildren,
                                  bool streaming,
                                  int depth)
{
    if (depth > TkavXMLReader::MaxDepth)
        throw TkavInvalidXMLException(u"Invalid file format"_s);
    item.SetName(c.IsAncestor() && !streaming ? u"inherited"_s : c.ClassName());
    QString text = ObjToXML(&c);
    if (!isRoot)
        text.prepend(u" Name=\""_s + c.Name() + u'"');
    item.SetText(text);
    if (FHandleNestedProperties && c.kvComponentStyle().Contains(csHandlesNestedProperties)) {
        ActiveScope active(activeWriter, this);
        c.WriteNestedProperties(&item);
    }
    if (!saveChildren)
        return;
    // A snapshot: writers must not be confused by a getter that edits the tree.
    const QList<TkavComponent *> children = c.Objects();
    for (TkavComponent *child : children)
        writeTree(*child, *item.Add(), false, true, streaming, depth + 1);
}

void TkavXMLSerializer::ReadRootComponent(TkavComponent *Root, TkavXMLItem *XMLItem)
{
    if (!Root)
        return;
    if (!FOwner)
        FOwner = Root;
    std::unique_ptr<TkavXMLDocument> doc;
    if (!XMLItem) {
        if (!FStream)
            throw EStreamError(u"No stream to read the document from"_s);
        doc = std::make_unique<TkavXMLDocument>();
        doc->LoadFromStream(*FStream);
        FOldFormat = doc->OldVersion();
        XMLItem = doc->Root();
    }
    ReadState state;
    state.Top = XMLItem;
    readTree(*XMLItem, nullptr, *Root, state, 0);
    finishRead(state);
}

void TkavXMLSerializer::readTree(TkavXMLItem &item,
                                 TkavComponent *parent,
                                 TkavComponent &root,
                                 ReadState &state,
                                 int depth)
{
    if (depth > TkavXMLReader::MaxDepth) {
        addError(u"Invalid file format"_s);
        return;
    }
    const QString name = item.Name();
    if (kavSameText(name, u"KavCustomData")) {
        if (FGetCustomDataEvent)
            FGetCustomDataEvent(item);
        return;
    }
    const TkavClassInfo *cls = nullptr;
    if (!kavSameText(name, u"inherited")) {
        cls = kavFindClass(name);
        if (!cls || !cls->InheritsFrom(TkavComponent::StaticClassInfo())) {
            addError(cantFindClassMessage(name));
            return;
        }
    }
    bool renamed = false;
    TkavComponent *obj = parent ? childObject(item, cls, *parent, state, renamed) : &root;
    if (!obj)
        return;
    beginLoading(*obj, state);
    XMLToObj(renamed ? withoutName(item.Text()) : item.Text(), obj);
    const bool nested = FHandleNestedProperties
                        && obj->kvComponentStyle().Contains(csHandlesNestedProperties);
    for (int i = 0; i < item.Count(); ++i) {
        TkavXMLItem &child = *item.Items(i);
        if (nested && readNested(*obj, child))
            continue;
        readTree(child, obj, root, state, depth + 1);
    }
}

TkavComponent *TkavXMLSerializer::childObject(const TkavXMLItem &item,
                                              const TkavClassInfo *cls,
                                              TkavComponent &parent,
                                              ReadState &state,
                                              bool &renamed)
{
    const QString childName = item.GetProp(u"Name");
    // Objects that exist already (inherited ones) are read again.
    TkavComponent *existing =
        childName.isEmpty() || !FOwner ? nullptr : FOwner->FindComponent(childName);
    // A name given twice in one text: reading into the first object would merge the two,
    // so the second one keeps its content under a new name.
    const bool repeated = existing && state.Seen.contains(existing);
    if (existing && !repeated) {
        if (cls && &existing->ClassInfo() != cls) {
            addError(kavResourceTable().Get(u"prDupl"_s) + u' ' + childName);
            return nullptr;
        }
        return existing;
    }
    if (repeated && !cls)
        cls = &existing->ClassInfo();
    if (!cls) // an inherited element whose object is gone
        return nullptr;
    if (!allowedChild(*cls, parent)) {
        addError(kavResourceTable().Get(u"xrMisplacedClass"_s) + u' '
                 + cls->ClassName());
        return nullptr;
    }
    TkavComponent *obj = nullptr;
    try {
        obj = TkavComponent::Create(cls->ClassName(), &parent);
    } catch (const Exception &e) {
        addError(e.Message());
        return nullptr;
    }
    if (repeated) {
        renameRepeated(*obj, childName, existing->Name(), state);
        renamed = true;
    }
    return obj;
}

void TkavXMLSerializer::renameRepeated(TkavComponent &obj,
                                       const QString &name,
                                       const QString &firstName,
                                       ReadState &state)
{
    if (!state.Names) {
        state.Names.emplace();
        if (state.Top)
            collectNames(*state.Top, *state.Names);
    }
    const QSet<QString> &reserved = *state.Names;
    obj.CreateUniqueName([&reserved](const QString &candidate) {
        return reserved.contains(kavUpperCase(candidate));
    });
    addError(Format(kavResourceTable().Get(u"xrRenamedDupl"_s),
                    {Variant(name), Variant(firstName), Variant(obj.Name())}));
}

bool TkavXMLSerializer::readNested(TkavComponent &obj, TkavXMLItem &item)
{
    try {
        ActiveScope active(activeReader, this);
        return obj.ReadNestedProperty(&item);
    } catch (const Exception &e) {
        addError(e.Message());
        return true; // the element was meant for the object: not a component
    }
}

void TkavXMLSerializer::beginLoading(TkavComponent &obj, ReadState &state)
{
    if (state.Seen.contains(&obj))
        return;
    state.Seen.insert(&obj);
    state.Read.push_back(ReadState::Entry{TkavComponentRef<TkavComponent>(&obj),
                                          TkavLoadingGuard(obj)});
}

void TkavXMLSerializer::finishRead(ReadState &state)
{
    FixupReferences();
    for (ReadState::Entry &entry : state.Read) {
        {
            TkavLoadingGuard done = std::move(entry.Loading);
        }
        TkavComponent *obj = entry.Obj.get();
        if (!obj || obj->InheritsFrom(u"TkavReport"))
            continue;
        try {
            obj->Loaded();
        } catch (const Exception &e) {
            addError(e.Message());
        }
    }
    state.Read.clear();
}

QString TkavXMLSerializer::WriteComponentStr(TkavComponent *c)
{
    return c ? c->ClassName() + ObjToXML(c) : QString();
}

const TkavClassInfo *TkavXMLSerializer::componentClassOf(const QString &text, qsizetype &space)
{
    space = 0;
    while (space < text.size() && !isSpace(text.at(space)))
        ++space;
    const QString className = text.left(space);
    const TkavClassInfo *cls = kavFindClass(className);
    if (!cls || !cls->InheritsFrom(TkavComponent::StaticClassInfo())) {
        addError(cantFindClassMessage(className));
        return nullptr;
    }
    return cls;
}

TkavComponent *
TkavXMLSerializer::ReadComponentStr(TkavComponent *Root, const QString &s, bool DontFixup)
{
    const QString text = s.trimmed();
    if (text.isEmpty() || !Root)
        return nullptr;
    qsizetype space = 0;
    const TkavClassInfo *cls = componentClassOf(text, space);
    if (!cls)
        return nullptr;
    TkavComponent *obj = nullptr;
    try {
        obj = TkavComponent::Create(cls->ClassName(), Root);
    } catch (const Exception &e) {
        addError(e.Message());
        return nullptr;
    }
    ReadState state;
    beginLoading(*obj, state);
    XMLToObj(text.mid(space), obj);
    if (DontFixup)
        FFixups.clear();
    finishRead(state);
    return obj;
}

std::shared_ptr<const TkavAttributeTemplate> TkavXMLSerializer::ReadAttributeTemplate(const QString &s)
{
    const QString text = s.trimmed();
    qsizetype space = 0;
    const TkavClassInfo *cls = componentClassOf(text, space);
    if (!cls)
        return nullptr;
    std::unique_ptr<TkavComponent> prototype;
    try {
        prototype = kavCreateObjectAs<TkavComponent>(cls->ClassName());
    } catch (const Exception &e) {
        addError(e.Message());
        return nullptr;
    }
    std::shared_ptr<TkavAttributeTemplate> result(new TkavAttributeTemplate);
    result->FClass = cls;
    {
        // Read as a loading object reads, without its loaded notification: the values are
        // those the text leaves, before any object reacts to being complete.
        const TkavLoadingGuard loading(*prototype);
        XMLToObj(text.mid(space), prototype.get());
        FFixups.clear();
    }
    result->compile(*this, text.mid(space), *prototype);
    return result;
}

TkavComponent *TkavXMLSerializer::ReadComponentStr(TkavComponent *Root,
                                                   const TkavAttributeTemplate &Start,
                                                   const QString &s,
                                                   bool DontFixup)
{
    if (!Root)
        return nullptr;
    TkavComponent *obj = nullptr;
    try {
        obj = TkavComponent::Create(Start.ClassInfo().ClassName(), Root);
    } catch (const Exception &e) {
        addError(e.Message());
        return nullptr;
    }
    ReadState state;
    beginLoading(*obj, state);
    Start.assignTo(*this, *obj);
    XMLToObj(s, obj);
    if (DontFixup)
        FFixups.clear();
    finishRead(state);
    return obj;
}

// ---------------------------------------------------------------------------------------
// Attribute templates

struct TkavAttributeTemplate::Step
{
    enum Kind { Ordinal, Float, String, Text };
    Kind kind = Text;
    std::vector<const TkavPropInfo *> path; // object properties leading to the target
    const TkavPropInfo *prop = nullptr;
    qint64 ordinal = 0;
    double real = 0;
    QString string;   // a String's value, a Text's attribute value
    QString name;     // a Text's attribute name
};

TkavAttributeTemplate::TkavAttributeTemplate() = default;
TkavAttributeTemplate::~TkavAttributeTemplate() = default;

namespace {

// The step that gives an object what attribute name gave Prototype; false when the
// attribute is more than a plain value (or nothing), which is then read from its text.
bool plainStep(TPersistent &prototype, QStringView name, TkavAttributeTemplate::Step &step)
{
    TPersistent *target = &prototype;
    for (qsizetype dot = name.indexOf(u'.'); dot >= 0; dot = name.indexOf(u'.')) {
        if (step.path.size() >= size_t(TkavXMLSerializer::MaxObjectDepth))
            return false;
        const TkavPropInfo *prop = target->ClassInfo().FindProp(name.left(dot));
        if (!prop || prop->Kind() != pkObject)
            return false;
        target = prop->GetObject(*target);
        if (!target)
            return false;
        step.path.push_back(prop);
        name = name.mid(dot + 1);
    }
    if (name == u"x" || name == u"u" || kavSameText(name, u"Text") || kavSameText(name, u"PropData")
        || kavSameText(name, u"Name"))
        return false;
    const QStringView geometry = geometryProp(name);
    const TkavPropInfo *prop = target->ClassInfo().FindProp(geometry.isEmpty() ? name : geometry);
    if (!prop || prop->IsReadOnly() || (!geometry.isEmpty() && prop->Kind() != pkFloat))
        return false;
    step.prop = prop;
    switch (prop->Kind()) {
    case pkInteger:
    case pkInt64:
    case pkChar:
    case pkWChar:
    case pkSet:
    case pkEnumeration:
        step.kind = TkavAttributeTemplate::Step::Ordinal;
        step.ordinal = prop->GetOrd(*target);
        return true;
    case pkFloat:
        step.kind = TkavAttributeTemplate::Step::Float;
        step.real = prop->GetFloat(*target);
        return true;
    case pkString:
    case pkEvent:
        step.kind = TkavAttributeTemplate::Step::String;
        step.string = prop->GetStr(*target);
        return true;
    default:
        return false;
    }
}

} // namespace

void TkavAttributeTemplate::compile(TkavXMLSerializer &Serializer,
                                    const QString &Attributes,
                                    TPersistent &Prototype)
{
    Serializer.readAttributes(Attributes, [&](QStringView name, const QString &value) {
        Step step;
        if (!plainStep(Prototype, name, step)) {
            step = Step();
            step.name = name.toString();
            step.string = value;
        }
        FSteps.push_back(std::move(step));
    });
}

void TkavAttributeTemplate::assignTo(TkavXMLSerializer &Serializer, TPersistent &Obj) const
{
    for (const Step &step : FSteps) {
        try {
            if (step.kind == Step::Text) {
                Serializer.assignAttribute(Obj, step.name, step.string);
                continue;
            }
            TPersistent *target = &Obj;
            for (const TkavPropInfo *prop : step.path)
                if (target)
                    target = prop->GetObject(*target);
            if (!target)
                continue;
            if (step.kind == Step::Ordinal)
                step.prop->SetOrd(*target, step.ordinal);
            else if (step.kind == Step::Float)
                step.prop->SetFloat(*target, step.real);
            else
                step.prop->SetStr(*target, step.string);
        } catch (const Exception &e) {
            Serializer.addError(e.Message());
        }
    }
}

void TkavXMLSerializer::WriteComponent(TkavComponent *c)
{
    if (!FStream)
        throw EStreamError(u"No stream to write the component to"_s);
    FStream->WriteBytes((u'<' + WriteComponentStr(c) + u"/>"_s).toUtf8());
}

TkavComponent *TkavXMLSerializer::ReadComponent(TkavComponent *Root)
{
    if (!FStream)
        throw EStreamError(u"No stream to read the component from"_s);
    TkavXMLItem item;
    TkavXMLReader reader(*FStream);
    reader.ReadRootItem(item);
    return ReadComponentStr(Root, item.Name() + u' ' + item.Text());
}

void TkavXMLSerializer::ReadPersistentStr(TkavComponent *Root, TPersistent *Obj, const QString &s)
{
    if (!FOwner)
        FOwner = Root;
    XMLToObj(s, Obj);
    FixupReferences();
}

// ---------------------------------------------------------------------------------------
// Non-published data

namespace {

enum PropDataValueType : quint8 {
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaString = 6,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaLString = 12
};

void appendLE(QByteArray &bytes, quint32 value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
}

// Reads a little-endian value of size bytes at pos; false when the bytes run out.
bool readLE(QByteArrayView bytes, qsizetype &pos, int size, quint32 &value)
{
    if (bytes.size() - pos < size)
        return false;
    value = 0;
    for (int i = 0; i < size; ++i)
        value |= quint32(quint8(bytes[pos + i])) << (8 * i);
    pos += size;
    return true;
}

bool readBytes(QByteArrayView bytes, qsizetype &pos, quint32 count, QByteArray &out)
{
    if (quint64(bytes.size() - pos) < count)
        return false;
    out = bytes.sliced(pos, qsizetype(count)).toByteArray();
    pos += qsizetype(count);
    return true;
}

bool readEntry(QByteArrayView bytes, qsizetype &pos, TkavPropDataEntry &entry)
{
    quint32 length = 0;
    QByteArray name;
    if (!readLE(bytes, pos, 1, length) || !readBytes(bytes, pos, length, name))
        return false;
    entry.Name = kavCodePageToUnicode(name);
    quint32 type = 0;
    if (!readLE(bytes, pos, 1, type))
        return false;
    entry.ValueType = int(type);
    quint32 value = 0;
    switch (type) {
    case vaInt8:
        if (!readLE(bytes, pos, 1, value))
            return false;
        entry.Integer = qint8(value);
        return true;
    case vaInt16:
        if (!readLE(bytes, pos, 2, value))
            return false;
        entry.Integer = qint16(value);
        return true;
    case vaInt32:
        if (!readLE(bytes, pos, 4, value))
            return false;
        entry.Integer = qint32(value);
        return true;
    case vaFalse:
    case vaTrue:
        entry.Integer = type == vaTrue ? 1 : 0;
        return true;
    case vaString:
        return readLE(bytes, pos, 1, value) && readBytes(bytes, pos, value, entry.Data);
    case vaBinary:
    case vaLString:
        return readLE(bytes, pos, 4, value) && readBytes(bytes, pos, value, entry.Data);
    default:
        return false;
    }
}

} // namespace

void TkavPropDataWriter::writeName(const QString &name)
{
    const QByteArray bytes = kavUnicodeToCodePage(name);
    if (bytes.isEmpty() || bytes.size() > 255)
        throw EWriteError(u"Invalid property name %1"_s.arg(clipped(name)));
    FBytes.append(char(bytes.size()));
    FBytes.append(bytes);
}

void TkavPropDataWriter::WriteInteger(const QString &Name, qint32 Value)
{
    writeName(Name);
    if (Value >= -128 && Value <= 127) {
        FBytes.append(char(vaInt8));
        appendLE(FBytes, quint32(Value), 1);
    } else if (Value >= -32768 && Value <= 32767) {
        FBytes.append(char(vaInt16));
        appendLE(FBytes, quint32(Value), 2);
    } else {
        FBytes.append(char(vaInt32));
        appendLE(FBytes, quint32(Value), 4);
    }
}

void TkavPropDataWriter::WriteBinary(const QString &Name, QByteArrayView Data)
{
    if (quint64(Data.size()) > 0xFFFFFFFFull)
        throw EWriteError(u"Property data too large"_s);
    writeName(Name);
    FBytes.append(char(vaBinary));
    appendLE(FBytes, quint32(Data.size()), 4);
    FBytes.append(Data.data(), Data.size());
}

bool kavReadPropData(QByteArrayView bytes, QList<TkavPropDataEntry> &entries)
{
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        if (bytes[pos] == 0) // the end of the list: an empty name
            return true;
        TkavPropDataEntry entry;
        if (!readEntry(bytes, pos, entry))
            return false;
        entries.append(std::move(entry));
    }
    return true;
}

void TkavXMLSerializer::readPropData(IkavPropData &target, const QString &hex, TPersistent &owner)
{
    // Damaged extra data never stops a load, but what is lost is said, with its object.
    const auto *component = kavCast<const TkavComponent>(&owner);
    const auto report = [&](const QString &message) {
        addError(component && !component->Name().isEmpty() ? component->Name() + u": "_s + message
                                                           : message);
    };
    const std::optional<QByteArray> bytes = hexToBytes(hex);
    if (!bytes) {
        report(u"PropData is not hexadecimal bytes"_s);
        return;
    }
    QList<TkavPropDataEntry> entries;
    if (!kavReadPropData(*bytes, entries))
        report(u"PropData is damaged after %1 entries"_s.arg(entries.size()));
    for (const TkavPropDataEntry &entry : std::as_const(entries)) {
        try {
            target.ReadPropData(entry);
        } catch (const Exception &e) {
            report(e.Message()); // the entries after a refused one are not read
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Collections as child elements

namespace {

const QString collectionItemName = u"item"_s;
const QString inheritedNameAttr = u"InheritedName"_s;

// The component whose names references inside items are written and resolved against.
TkavComponent *namesOwner(TkavComponent *owner)
{
    if (!owner)
        return nullptr;
    if (TkavReport *report = owner->Report())
        return report;
    return owner;
}

} // namespace

void kavWriteCollection(TkavCollection &Collection,
                        const QString &Name,
                        TkavXMLItem &Parent,
                        TkavComponent *Owner,
                        TkavCollection *Ancestor)
{
    std::unique_ptr<TkavXMLSerializer> temporary;
    TkavXMLSerializer *serializer = TkavXMLSerializer::ActiveWriter();
    if (!serializer) {
        temporary = std::make_unique<TkavXMLSerializer>();
        temporary->SetOwner(namesOwner(Owner));
        serializer = temporary.get();
    }
    // All texts first: a getter that throws leaves Parent as it was.
    QStringList texts;
    texts.reserve(Collection.Count());
    for (int i = 0; i < Collection.Count(); ++i) {
        TkavCollectionItem *item = Collection.Items(i);
        const QString identity = item->GetInheritedName();
        TkavCollectionItem *ancestorItem =
            Ancestor && !identity.isEmpty() ? Ancestor->FindByName(identity) : nullptr;
        QString text;
        if (ancestorItem)
            text = attribute(inheritedNameAttr, kavEncodeXMLText(ancestorItem->GetInheritedName()));
        text += serializer->ObjToXML(item, QString(), ancestorItem);
        texts.append(text);
    }
    TkavXMLItem *element = Parent.Add(Name);
    for (const QString &text : std::as_const(texts))
        element->Add(collectionItemName)->SetText(text);
}

void kavReadCollection(TkavCollection &Collection,
                       const TkavXMLItem &Item,
                       TkavComponent *Owner,
                       [[maybe_unused]] TkavCollection *Ancestor)
{
    TkavReport *report = Owner ? Owner->Report() : nullptr;
    TkavXMLSerializer *serializer = TkavXMLSerializer::ActiveReader();
    if (!serializer && report)
        serializer = report->XMLSerializer();
    std::unique_ptr<TkavXMLSerializer> temporary;
    if (!serializer) {
        temporary = std::make_unique<TkavXMLSerializer>();
        temporary->SetOwner(namesOwner(Owner));
        serializer = temporary.get();
    }
    // Items of an object from an ancestor report exist already: the file only changes them.
    const bool fromAncestor = Owner && Owner->IsAncestor();
    int taken = 0;
    for (int i = 0; i < Item.Count(); ++i) {
        const TkavXMLItem &child = *Item.Items(i);
        if (!kavSameText(child.Name(), collectionItemName))
            continue;
        // Every new item is named against all others: a flood of items would take hours.
        if (++taken > kavMaxCollectionItems) {
            serializer->Errors().Add(
                kavResourceTable().Get(u"xrTooManyItems"_s) + u' ' + Item.Name());
            break;
        }
        TkavCollectionItem *target = nullptr;
        if (fromAncestor && child.PropExists(inheritedNameAttr)) {
            target = Collection.FindByName(child.GetProp(inheritedNameAttr));
            if (!target)
                continue; // gone from the ancestor: nothing to change
            target->SetIsInherited(true);
        } else {
            target = Collection.Add();
        }
        serializer->XMLToObj(child.Text(), target);
    }
    if (temporary) {
        temporary->FixupReferences();
        // Not part of a load: the report still hears what could not be read.
        if (report)
            report->Errors().AddStrings(temporary->Errors());
    }
}
