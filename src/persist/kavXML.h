#pragma once

// The XML document model of every persistent text: elements with raw attribute text,
// a forward tag reader and a buffered writer, and lazy loading of elements from a swap
// file or from the source stream of a partial load.

#include <rtl/kavExceptions.h>

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TStream;
class Variant;

// The one error of this unit: "Invalid file format".
KAV_DECLARE_EXCEPTION(TkavInvalidXMLException, EkavError)

// Escapes a value for a double-quoted attribute: NUL, LF, CR, '"', '&', '<' and '>'
// become "&#N;" (decimal code); every other character passes unchanged.
QString kavEncodeXMLText(const QString &s);

// Replaces "&#N;" (decimal), "&#xH;" (hex) and &quot; &amp; &lt; &gt; by their characters.
// A reference that is malformed, unterminated or outside 0..0x10FFFF (or a surrogate) stays
// as written; codes above 0xFFFF become surrogate pairs. Never throws.
QString kavDecodeXMLText(const QString &s);

// Attribute text for a variant: integers of every width as decimal; Single, Double and
// Currency as file floats ("." separator, 15 significant digits; Single to 7); a date
// as local ISO 8601 "yyyy-mm-ddThh:nn:ss" plus ".zzz" when it has milliseconds; strings
// escaped by kavEncodeXMLText; Booleans as "1" / "0"; anything else as "".
QString kavVariantToXML(const Variant &v);

// One element: name, raw attribute text (values escaped, looked up by name), an optional
// text value that is written but never read, owned children and a lazy-loading state.
class TkavXMLItem
{
public:
    TkavXMLItem() = default;
    explicit TkavXMLItem(QString name) : FName(std::move(name)) {}
    ~TkavXMLItem();
    TkavXMLItem(const TkavXMLItem &) = delete;
    TkavXMLItem &operator=(const TkavXMLItem &) = delete;

    // Frees the children; an unloadable item becomes unloaded. Name, text and value stay.
    void Clear();

    int Count() const { return int(FItems.size()); }
    // The index-th child (0-based); EListError outside 0..Count-1.
    TkavXMLItem *Items(int index) const;
    TkavXMLItem *operator[](int index) const { return Items(index); }

    // A new last child.
    TkavXMLItem *Add();
    TkavXMLItem *Add(const QString &name);
    // Appends (or inserts at index) an item this element takes over.
    TkavXMLItem *AddItem(std::unique_ptr<TkavXMLItem> item);
    TkavXMLItem *InsertItem(int index, std::unique_ptr<TkavXMLItem> item);
    // Moves an item that already has a parent (this one included) to the end / to index.
    // EListError when item has no parent or is this item or one of its ancestors.
    void AddItem(TkavXMLItem *item);
    void InsertItem(int index, TkavXMLItem *item);
    // Takes the index-th child out and hands it over; DeleteItem frees it.
    std::unique_ptr<TkavXMLItem> TakeItem(int index);
    void DeleteItem(int index);

    // Index of the first child named name (case-insensitive), or -1.
    int Find(QStringView name) const;
    // That child, appended when there is none.
    TkavXMLItem *FindItem(const QString &name);
    int IndexOf(const TkavXMLItem *item) const;
    TkavXMLItem *Parent() const { return FParent; }
    // The topmost ancestor (this item when it has no parent).
    TkavXMLItem *Root();

    // Attributes in Text, looked up by whole name (case-insensitive) at the start of the
    // text or after a space. GetProp decodes the value ("" when absent); SetProp replaces
    // or appends name="encoded value"; DeleteProp removes the pair and one following space.
    QString GetProp(QStringView name) const;
    void SetProp(QStringView name, const QString &value);
    bool PropExists(QStringView name) const;
    void DeleteProp(QStringView name);

    const QString &Name() const { return FName; }
    void SetName(const QString &name) { FName = name; }
    // The raw attribute text, values still escaped.
    const QString &Text() const { return FText; }
    void SetText(const QString &text) { FText = text; }
    // Text content: written (escaped) after the start tag when there are no children.
    const QString &Value() const { return FValue; }
    void SetValue(const QString &value) { FValue = value; }
    void *Data() const { return FData; }
    void SetData(void *data) { FData = data; }
    // Whoever changes the children of a loaded-back item sets this, so that unloading it
    // writes it again instead of returning to the stored copy.
    bool Modified() const { return FModified; }
    void SetModified(bool modified) { FModified = modified; }
    bool Unloadable() const { return FUnloadable; }
    void SetUnloadable(bool unloadable) { FUnloadable = unloadable; }
    // False while the children live only in the document's backing stream.
    bool Loaded() const { return FLoaded; }
    // The backing stream holds the children at Offset.
    bool Stored() const { return FStored; }
    // Byte offset of the item in the backing stream of its document.
    qint64 Offset() const { return FOffset; }
    void SetOffset(qint64 offset) { FOffset = offset; }

private:
    friend class TkavXMLReader;
    friend class TkavXMLDocument;
    friend class TkavXMLWriter;

    void checkCanAdopt(const TkavXMLItem *item) const;
    std::unique_ptr<TkavXMLItem> detach();

    void *FData = nullptr;
    qint64 FOffset = 0;
    std::vector<std::unique_ptr<TkavXMLItem>> FItems;
    TkavXMLItem *FParent = nullptr;
    QString FName;
    QString FText;
    QString FValue;
    bool FLoaded = true;
    bool FModified = false;
    bool FUnloadable = false;
    bool FStored = false;
    // Where the children of a copy our own writer stored begin (bytes after Offset), how
    // many bytes they take and how deep they nest (0 bytes: read them back to write them).
    quint16 FStoredTag = 0;
    quint16 FStoredHeight = 0;
    quint32 FStoredChildren = 0;
};

// Forward reader of tags and element trees from a stream (not owned). Reading starts at
// the stream's position; destroying the reader leaves the stream just after the last
// byte consumed.
class TkavXMLReader
{
public:
    // Elements nested deeper than this are rejected as "Invalid file format".
    static constexpr int MaxDepth = 512;

    explicit TkavXMLReader(TStream &stream);
    ~TkavXMLReader();
    TkavXMLReader(const TkavXMLReader &) = delete;
    TkavXMLReader &operator=(const TkavXMLReader &) = delete;

    // Reads the "<?xml ...?>" declaration and decides OldFormat.
    void ReadHeader();
    // Reads one element tree into item. An item that already has a name keeps its name and
    // text (the tag's are checked against the name and dropped). With readChildren false,
    // elements carrying the lazy-load marker are left unloaded, their Offset set.
    void ReadRootItem(TkavXMLItem &item, bool readChildren = true);
    [[noreturn]] void RaiseException();

    qint64 Position() const { return FBufStart + qint64(FBufPos); }
    void SetPosition(qint64 position);
    qint64 Size() const { return FSize; }
    // Attribute text is in the system ANSI code page (old header), not UTF-8. ReadHeader
    // decides it; a reader that starts inside a document is told by its owner.
    bool OldFormat() const { return FOldFormat; }
    void SetOldFormat(bool oldFormat);

private:
    struct Tag;
    bool fillBuffer();
    bool readTag(Tag &tag);
    bool readItemTree(TkavXMLItem &item, bool readChildren, int depth, QString &lastName);
    QString nameFromBytes(std::string_view bytes);
    QString textFromBytes(std::string_view bytes) const;

    std::vector<char> FBuffer;
    size_t FBufPos = 0;
    size_t FBufEnd = 0;
    qint64 FBufStart = 0; // stream position of FBuffer[0]
    qint64 FSize = 0;
    TStream &FStream;
    bool FOldFormat = false;
    std::string FTag; // a tag that spans buffer refills
    // Recently read element names, so equal names share one string.
    std::vector<std::pair<std::string, QString>> FNames;
};

// Buffered writer of the declaration and element trees to a stream (not owned).
class TkavXMLWriter
{
public:
    explicit TkavXMLWriter(TStream &stream);
    TkavXMLWriter(const TkavXMLWriter &) = delete;
    TkavXMLWriter &operator=(const TkavXMLWriter &) = delete;

    // Two spaces of indentation per level and CR LF after each line; off: one line.
    bool AutoIndent() const { return FAutoIndent; }
    void SetAutoIndent(bool autoIndent) { FAutoIndent = autoIndent; }
    // Where unloaded items are fetched from while writing (not owned); oldFormat: that
    // stream holds an old 8-bit document.
    TStream *TempStream() const { return FTempStream; }
    void SetTempStream(TStream *stream, bool oldFormat = false)
    {
        FTempStream = stream;
        FTempStreamOldFormat = oldFormat;
    }

    void WriteHeader();
    // Writes the tree and flushes the buffer to the stream. A tree nested deeper than
    // TkavXMLReader::MaxDepth raises "Invalid file format" (it could not be read back).
    void WriteRootItem(TkavXMLItem &rootItem);
    // Of the last tree written: where its root's children began and ended (bytes since the
    // writer was made) and how many levels it had.
    qint64 RootChildrenStart() const { return FRootChildren[0]; }
    qint64 RootChildrenEnd() const { return FRootChildren[1]; }
    int Height() const { return FDeepest + 1; }

private:
    void appendLine();
    void flushBuffer();
    qint64 written() const { return FFlushed + FBuffer.size(); }
    void writeStartTag(const TkavXMLItem &item, int indent, bool hasChildren);
    void writeItemTree(TkavXMLItem &item, int indent, int depth);
    bool copyStoredChildren(const TkavXMLItem &item, int indent, int depth);
    void writeEndTag(const TkavXMLItem &item, int indent);

    bool FAutoIndent = false;
    bool FTempStreamOldFormat = false;
    int FDeepest = 0;
    qint64 FFlushed = 0;
    qint64 FRootChildren[2] = {0, 0};
    QByteArray FBuffer;
    TStream &FStream;
    TStream *FTempStream = nullptr;
};

// A document: the root element, whole-document load and save, and the backing stream
// (a swap file of unloaded items, or the adopted source of a partial load).
class TkavXMLDocument
{
public:
    TkavXMLDocument();
    ~TkavXMLDocument();
    TkavXMLDocument(const TkavXMLDocument &) = delete;
    TkavXMLDocument &operator=(const TkavXMLDocument &) = delete;

    // Clears the root's children and releases the backing stream.
    void Clear();

    // Reads a whole document from stream's position. On an error the exception
    // propagates and the document keeps its previous content.
    void LoadFromStream(TStream &stream);
    // The same; with allowPartialLoading, elements marked lazy stay in stream, which the
    // document then keeps as its backing stream (without it the stream is freed).
    void LoadFromStream(std::unique_ptr<TStream> stream, bool allowPartialLoading);
    void SaveToStream(TStream &stream);
    // Partial load: the file stays open as the backing stream.
    void LoadFromFile(const QString &fileName);
    // Writes a unique temporary file in the target's folder and renames it over
    // fileName, then loads the new file. On failure the old file is left intact.
    void SaveToFile(const QString &fileName);

    // Swaps the children of a loaded unloadable item out: an item read back and not
    // modified just drops them (its stored copy stays valid); any other is appended to the
    // swap file, except on a partially loaded document, whose backing stream is the source.
    // Does nothing for other items.
    void UnloadItem(TkavXMLItem &item);
    // Reads the children of an unloaded item back from the backing stream.
    void LoadItem(TkavXMLItem &item);

    TkavXMLItem *Root() const { return FRoot.get(); }
    bool AutoIndent() const { return FAutoIndent; }
    void SetAutoIndent(bool autoIndent) { FAutoIndent = autoIndent; }
    const QString &TempDir() const { return FTempDir; }
    void SetTempDir(const QString &dir) { FTempDir = dir; }
    // The last loaded text had an old-style (8-bit) header.
    bool OldVersion() const { return FOldVersion; }
    // Full path of the swap file, empty when there is none.
    const QString &TempFile() const { return FTempFile; }

private:
    void EnsureTempFile();
    void ReleaseTempFile();
    void loadInto(TStream &stream, bool partial);

    bool FAutoIndent = false;
    bool FOldVersion = false;
    bool FTempFileCreated = false;
    std::unique_ptr<TkavXMLItem> FRoot;
    QString FTempDir;
    QString FTempFile;
    std::unique_ptr<TStream> FTempStream;
};
