#pragma once

// The script engine's own small XML tree: it carries the language grammars, the
// intermediate program and the code editor's catalogue. An element keeps its attributes
// as one raw, still-escaped string; text content between tags is ignored.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

class TStream;

// Escapes an attribute value: LF, CR, '"', '<', '>', '&' and unpaired surrogates become
// "&#NN;" references, everything else passes. kyUnescapeXML(kyEscapeXML(s)) == s always.
QString kyEscapeXML(const QString &s);
// Decodes "&#NN;" (decimal, or "&#xHH;" hexadecimal) and "&quot;"; any other '&', and a
// reference that has no ';' or does not convert to a valid character, stays as written.
QString kyUnescapeXML(const QString &s);

// One element: name, raw attribute text and owned children.
//
// Trees are bounded whatever builds them: at most MaxDepth levels below a tree's top item
// and MaxItems items in one tree; an addition past either raises EkyError ("XML items are
// nested too deeply", "Too many XML items") and changes nothing. Destroying, copying and
// writing a tree walk it without recursion.
class TkyXMLItem
{
public:
    // Deepest nesting below a tree's top item.
    static constexpr int MaxDepth = 1000;
    // Most items in one tree.
    static constexpr int MaxItems = 1 << 21;

    TkyXMLItem() = default;
    ~TkyXMLItem();
    TkyXMLItem(const TkyXMLItem &) = delete;
    TkyXMLItem &operator=(const TkyXMLItem &) = delete;

    // Appends a new empty child and returns it.
    TkyXMLItem *Add();
    // Appends a new child named name and returns it.
    TkyXMLItem *Add(const QString &name);
    // Appends item (which must not have a parent) as the last child; returns it.
    TkyXMLItem *AddItem(std::unique_ptr<TkyXMLItem> item);
    // Inserts item at index (0..Count(); else EListError); returns it.
    TkyXMLItem *InsertItem(int index, std::unique_ptr<TkyXMLItem> item);
    // Takes a child out of this item (its parent becomes none); null when not a child.
    std::unique_ptr<TkyXMLItem> Extract(TkyXMLItem *item);
    // Frees all children; name and text stay.
    void Clear();

    // Index of the first child whose name equals name case-insensitively, or -1.
    int Find(const QString &name) const;
    // That child; appends and returns a new child named name when there is none.
    TkyXMLItem *FindItem(const QString &name);
    // Index of a direct child, or -1.
    int IndexOf(const TkyXMLItem *item) const;
    // The topmost ancestor (this item when it has no parent).
    TkyXMLItem *Root();
    // Becomes a deep copy of item: name, text, Data and the whole subtree (children
    // replaced). Safe when item is a descendant of this one.
    void Assign(const TkyXMLItem &item);

    // The child at index (0..Count()-1; else EListError).
    TkyXMLItem *Items(int index) const;
    int Count() const { return int(FItems.size()); }
    // The items of this subtree, this one included.
    int SubtreeCount() const { return FTotal; }

    // Attribute access by name, case-insensitive; GetProp of a missing attribute is empty.
    QString Prop(const QString &name) const;
    QString GetProp(const QString &name) const { return Prop(name); }
    // Replaces the value in place, or appends name="value" with one separating space.
    // EVariantError "String is too long" when the attribute text would pass the string cap.
    void SetProp(const QString &name, const QString &value);
    bool PropExists(const QString &name) const;

    const QString &Name() const { return FName; }
    void SetName(const QString &name) { FName = name; }
    // Raw attribute text (values escaped), e.g. a="1" b="x".
    const QString &Text() const { return FText; }
    void SetText(const QString &text) { FText = text; }
    TkyXMLItem *Parent() const { return FParent; }
    // Free slot for the item's user; never owned.
    void *Data() const { return FData; }
    void SetData(void *data) { FData = data; }

private:
    friend class TkyXMLDocument;
    using Children = std::vector<std::unique_ptr<TkyXMLItem>>;

    // Start index (0-based) of the attribute name in FText, or -1.
    int findProp(QStringView name) const;
    void copyFrom(const TkyXMLItem &item);
    // Moves name, text and children of item into this item (Data stays).
    void takeFrom(TkyXMLItem &item);
    // Raises unless items more items may join this tree, reaching levels below this item.
    void checkRoom(qint64 items, int levels) const;
    // Adds delta to the item count of this item and of every ancestor.
    void countItems(int delta);
    // Destroys the subtree below this item leaf by leaf.
    void destroyChildren();

    void *FData = nullptr;
    Children FItems;
    QString FName;
    TkyXMLItem *FParent = nullptr;
    QString FText;
    int FTotal = 1; // the items of this subtree, this one included
};

// Reads one document from a stream through a 4096-byte buffer; on destruction the stream
// is left just after the last byte consumed. Syntax errors raise EkyError
// "Invalid file format".
class TkyXMLReader
{
public:
    explicit TkyXMLReader(TStream &stream);
    ~TkyXMLReader();
    TkyXMLReader(const TkyXMLReader &) = delete;
    TkyXMLReader &operator=(const TkyXMLReader &) = delete;

    // Reads the first tag, which must be an XML declaration.
    void ReadHeader();
    // Reads the document element and its subtree into item (children appended).
    void ReadRootItem(TkyXMLItem &item);
    [[noreturn]] void RaiseException();

    // Deepest element nesting accepted; deeper documents are "Invalid file format".
    static constexpr int MaxDepth = TkyXMLItem::MaxDepth;

private:
    enum TagKind : int {
        tkElement,
        tkClose,
        tkEnd
    };
    bool readByte(char &c);
    void readTag(QString &name, QString &text);
    TagKind readItem(TkyXMLItem &item, int depth);

    QByteArray FBuffer;
    qint64 FBufPos = 0;
    qint64 FBufEnd = 0;
    qint64 FPosition = 0;
    qint64 FSize = 0;
    TStream &FStream;
    QByteArray FTag; // reused collection buffer for one tag
};

// Writes one document to a stream, buffered in 4096-byte blocks.
class TkyXMLWriter
{
public:
    explicit TkyXMLWriter(TStream &stream);
    ~TkyXMLWriter() = default;
    TkyXMLWriter(const TkyXMLWriter &) = delete;
    TkyXMLWriter &operator=(const TkyXMLWriter &) = delete;

    bool AutoIndent() const { return FAutoIndent; }
    void SetAutoIndent(bool value) { FAutoIndent = value; }
    void WriteHeader();
    // Writes the element and its subtree, then flushes everything pending. EkyError "XML
    // document is too large" past MaxOutput bytes (what was written stays written).
    void WriteRootItem(const TkyXMLItem &rootItem);

    // Most bytes one document may take: items may share one long text, and a tree within
    // its item cap could otherwise write without bound.
    static constexpr qint64 MaxOutput = qint64(1) << 30;

private:
    void writeStart(const TkyXMLItem &item, int depth);
    void writeLine(const QByteArray &line, int depth);
    void flush();

    bool FAutoIndent = false;
    QByteArray FBuffer;
    TStream &FStream;
    qint64 FWritten = 0;
};

// A document: one root item, which is the document element itself.
class TkyXMLDocument
{
public:
    TkyXMLDocument();
    ~TkyXMLDocument();
    TkyXMLDocument(const TkyXMLDocument &) = delete;
    TkyXMLDocument &operator=(const TkyXMLDocument &) = delete;

    // Removes the root's children (its name and text stay).
    void Clear();
    // Clears, then reads header and document element; EkyError "Invalid file format".
    void LoadFromStream(TStream &stream);
    // Writes <?xml version="1.0"?> and the root element (CR LF and two-space indents
    // with AutoIndent, else one line).
    void SaveToStream(TStream &stream);
    // Reads a file (EFOpenError when it cannot be opened).
    void LoadFromFile(const QString &fileName);
    // Writes a file atomically: the old file stays intact when writing fails.
    void SaveToFile(const QString &fileName);
    // Loads from text (taken as the UTF-8 bytes of xml).
    void LoadFromText(const QString &xml);
    // The document as text (the saved UTF-8 bytes decoded).
    QString SaveToText();

    TkyXMLItem *Root() const { return FRoot.get(); }
    bool AutoIndent() const { return FAutoIndent; }
    void SetAutoIndent(bool value) { FAutoIndent = value; }

private:
    bool FAutoIndent = false;
    std::unique_ptr<TkyXMLItem> FRoot;
};
