#include "ky_xml.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStreams.h>
#include <rtl/kavLimits.h>
#include <rtl/kavXMLQuotes.h>

#include <QStringView>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kBufferSize = 4096;

// The reference for one character that must not appear raw in a value, or null.
const char16_t *escapeOf(char16_t c)
{
    switch (c) {
    case 10:
        return u"&#10;";
    case 13:
        return u"&#13;";
    case '"':
        return u"&#34;";
    // Every '&' is written as a reference, so that text which merely looks like a
    // reference ("&#60;", "&quot;") reads back as written.
    case '&':
        return u"&#38;";
    case '<':
        return u"&#60;";
    case '>':
        return u"&#62;";
    default:
        return nullptr;
    }
}

int digitValue(char16_t c, int base)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Decodes the numeric reference whose '#' is at s[hash]: digits, then ';'. Returns the
// index after the ';' and the code in code, or -1 when it is not a valid reference.
qsizetype decodeNumericRef(QStringView s, qsizetype hash, char32_t &code)
{
    qsizetype i = hash + 1;
    int base = 10;
    if (i < s.size() && (s[i] == u'x' || s[i] == u'X')) {
        base = 16;
        ++i;
    }
    const qsizetype first = i;
    char32_t value = 0;
    for (; i < s.size(); ++i) {
        const int d = digitValue(s[i].unicode(), base);
        if (d < 0)
            break;
        value = value * char32_t(base) + char32_t(d);
        if (value > 0x10FFFF) // also stops overflow on long digit runs
            return -1;
    }
    if (i == first || i >= s.size() || s[i] != u';')
        return -1;
    code = value;
    return i + 1;
}

// A surrogate that is not half of a pair cannot be stored as UTF-8; it is written as a
// numeric reference so that it survives a save and load.
bool isLoneSurrogate(QStringView s, qsizetype i)
{
    const QChar c = s[i];
    if (c.isHighSurrogate())
        return i + 1 >= s.size() || !s[i + 1].isLowSurrogate();
    if (c.isLowSurrogate())
        return i == 0 || !s[i - 1].isHighSurrogate();
    return false;
}

bool needsEscape(QStringView s, qsizetype i)
{
    return escapeOf(s[i].unicode()) || (s[i].isSurrogate() && isLoneSurrogate(s, i));
}

} // namespace

QString kyEscapeXML(const QString &s)
{
    const QStringView v(s);
    qsizetype firstSpecial = 0;
    while (firstSpecial < v.size() && !needsEscape(v, firstSpecial))
        ++firstSpecial;
    if (firstSpecial == v.size())
        return s;
    QString result;
    result.reserve(s.size() + 16);
    result.append(v.left(firstSpecial));
    for (qsizetype i = firstSpecial; i < v.size(); ++i) {
        const QChar c = v[i];
        if (const char16_t *ref = escapeOf(c.unicode()))
            result.append(QStringView(ref));
        else if (c.isSurrogate() && isLoneSurrogate(v, i))
            result.append(u"&#"_s + QString::number(c.unicode()) + u';');
        else
            result.append(c);
    }
    return result;
}

QString kyUnescapeXML(const QString &s)
{
    if (!s.contains(u'&'))
        return s;
    const QStringView v(s);
    QString result;
    result.reserve(s.size());
    qsizetype i = 0;
    while (i < v.size()) {
        const QChar c = v[i];
        if (c == u'&' && i + 1 < v.size()) {
            if (v[i + 1] == u'#') {
                char32_t code = 0;
                const qsizetype next = decodeNumericRef(v, i + 1, code);
                if (next > 0) {
                    if (code > 0xFFFF)
                        result.append(QChar::fromUcs4(code));
                    else
                        result.append(QChar(char16_t(code)));
                    i = next;
                    continue;
                }
            } else if (v.mid(i + 1, 5) == u"quot;") {
                result.append(u'"');
                i += 6;
                continue;
            }
        }
        result.append(c);
        ++i;
    }
    return result;
}

// --- TkyXMLItem ---

namespace {

// Levels below item (0 for a leaf), counted up to limit + 1 at most.
int heightOf(const TkyXMLItem &item, int limit)
{
    if (item.Count() == 0)
        return 0;
    int height = 0;
    std::vector<std::pair<const TkyXMLItem *, int>> pending{{&item, 0}};
    while (!pending.empty() && height <= limit) {
        const auto [current, depth] = pending.back();
        pending.pop_back();
        height = std::max(height, depth);
        for (int i = 0; i < current->Count(); ++i)
            pending.emplace_back(current->Items(i), depth + 1);
    }
    return height;
}

} // namespace

TkyXMLItem::~TkyXMLItem()
{
    destroyChildren();
}

// Post-order through the parent links: no recursion and no allocation, so a tree of any
// depth goes without exhausting the stack.
void TkyXMLItem::destroyChildren()
{
    TkyXMLItem *node = this;
    for (;;) {
        if (!node->FItems.empty()) {
            node = node->FItems.back().get();
            continue;
        }
        if (node == this)
            return;
        node = node->FParent;
        node->FItems.pop_back(); // a leaf now: its destructor has nothing to walk
    }
}

TkyXMLItem *TkyXMLItem::Add()
{
    return AddItem(std::make_unique<TkyXMLItem>());
}

TkyXMLItem *TkyXMLItem::Add(const QString &name)
{
    TkyXMLItem *item = Add();
    item->FName = name;
    return item;
}

TkyXMLItem *TkyXMLItem::AddItem(std::unique_ptr<TkyXMLItem> item)
{
    return InsertItem(Count(), std::move(item));
}

TkyXMLItem *TkyXMLItem::InsertItem(int index, std::unique_ptr<TkyXMLItem> item)
{
    if (!item)
        return nullptr;
    if (index < 0 || index > Count())
        kavRaise<EListError>(u"List index out of bounds (%1)"_s.arg(index));
    checkRoom(item->FTotal, 1 + heightOf(*item, MaxDepth));
    item->FParent = this;
    TkyXMLItem *raw = item.get();
    FItems.insert(FItems.begin() + index, std::move(item));
    countItems(raw->FTotal);
    return raw;
}


// Raises unless items more items may join this item's tree, reaching levels below it.
void TkyXMLItem::checkRoom(qint64 items, int levels) const
{
    int depth = 0;
    const TkyXMLItem *top = this;
    while (top->FParent) {
        top = top->FParent;
        ++depth;
    }
    if (top->FTotal + items > MaxItems)
        kavRaise<EkyError>(u"Too many XML items"_s);
    if (depth + levels > MaxDepth)
        kavRaise<EkyError>(u"XML items are nested too deeply"_s);
}

void TkyXMLItem::countItems(int delta)
{
    for (TkyXMLItem *item = this; item; item = item->FParent)
        item->FTotal += delta;
}

std::unique_ptr<TkyXMLItem> TkyXMLItem::Extract(TkyXMLItem *item)
{
    const int index = IndexOf(item);
    if (index < 0)
        return nullptr;
    std::unique_ptr<TkyXMLItem> taken = std::move(FItems[size_t(index)]);
    FItems.erase(FItems.begin() + index);
    taken->FParent = nullptr;
    countItems(-taken->FTotal);
    return taken;
}

void TkyXMLItem::Clear()
{
    destroyChildren();
    FItems.shrink_to_fit();
    countItems(1 - FTotal);
}

int TkyXMLItem::Find(const QString &name) const
{
    for (size_t i = 0; i < FItems.size(); ++i) {
        if (kavSameText(FItems[i]->FName, name))
            return int(i);
    }
    return -1;
}

TkyXMLItem *TkyXMLItem::FindItem(const QString &name)
{
    const int index = Find(name);
    return index >= 0 ? FItems[size_t(index)].get() : Add(name);
}

int TkyXMLItem::IndexOf(const TkyXMLItem *item) const
{
    for (size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i].get() == item)
            return int(i);
    }
    return -1;
}

TkyXMLItem *TkyXMLItem::Root()
{
    TkyXMLItem *item = this;
    while (item->FParent)
        item = item->FParent;
    return item;
}

// Into a fresh item: (source, copy) pairs still to fill, so deep trees need no recursion.
void TkyXMLItem::copyFrom(const TkyXMLItem &item)
{
    std::vector<std::pair<const TkyXMLItem *, TkyXMLItem *>> pending{{&item, this}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        to->FName = from->FName;
        to->FText = from->FText;
        to->FData = from->FData;
        to->FItems.reserve(from->FItems.size());
        for (const auto &child : from->FItems)
            pending.emplace_back(child.get(), to->Add());
    }
}

void TkyXMLItem::Assign(const TkyXMLItem &item)
{
    if (&item == this)
        return;
    // Copy first: item may live inside the subtree that is about to be replaced.
    TkyXMLItem copy;
    copy.copyFrom(item);
    takeFrom(copy);
    FData = copy.FData;
}

void TkyXMLItem::takeFrom(TkyXMLItem &item)
{
    checkRoom(item.FTotal - FTotal, heightOf(item, MaxDepth));
    Clear();
    FName = std::move(item.FName);
    FText = std::move(item.FText);
    FItems = std::move(item.FItems);
    item.FItems.clear();
    for (auto &child : FItems)
        child->FParent = this;
    countItems(item.FTotal - 1);
    item.FTotal = 1;
}

TkyXMLItem *TkyXMLItem::Items(int index) const
{
    if (index < 0 || index >= Count())
        kavRaise<EListError>(u"List index out of bounds (%1)"_s.arg(index));
    return FItems[size_t(index)].get();
}

// Attribute names are searched as ' NAME="' in ' TEXT', case-insensitively, but only
// outside quoted values, so a value that contains ' b="' is never taken for attribute b.
int TkyXMLItem::findProp(QStringView name) const
{
    const QStringView text(FText);
    const qsizetype n = name.size();
    bool inValue = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"') {
            inValue = !inValue;
            continue;
        }
        if (inValue || (i > 0 && text[i - 1] != u' ') || i + n + 2 > text.size())
            continue;
        if (text[i + n] == u'=' && text[i + n + 1] == u'"' && kavSameText(text.mid(i, n), name))
            return int(i);
    }
    return -1;
}

QString TkyXMLItem::Prop(const QString &name) const
{
    const int p = findProp(name);
    if (p < 0)
        return {};
    const qsizetype start = p + name.size() + 2;
    qsizetype end = FText.indexOf(u'"', start);
    if (end < 0)
        end = FText.size();
    return kyUnescapeXML(FText.mid(start, end - start));
}

void TkyXMLItem::SetProp(const QString &name, const QString &value)
{
    qsizetype p = findProp(name);
    qsizetype end = p;
    if (p >= 0) {
        end = FText.indexOf(u'"', p + name.size() + 2);
        end = end < 0 ? FText.size() : end + 1;
    } else {
        p = end = FText.size();
    }
    const QString escaped = kyEscapeXML(value);
    kavCheckStringLength(qint64(FText.size()) - (end - p) + name.size() + 4 + escaped.size());
    FText.remove(p, end - p);
    QString attribute;
    attribute.reserve(name.size() + escaped.size() + 4);
    if (p > 0 && FText[p - 1] != u' ')
        attribute += u' ';
    attribute += name;
    attribute += u"=\""_s;
    attribute += escaped;
    attribute += u'"';
    FText.insert(p, attribute);
}

bool TkyXMLItem::PropExists(const QString &name) const
{
    return findProp(name) >= 0;
}

// --- TkyXMLReader ---

TkyXMLReader::TkyXMLReader(TStream &stream)
    : FBuffer(kBufferSize, Qt::Uninitialized)
    , FStream(stream)
{
    FPosition = FStream.Position();
    FSize = FStream.Size();
}

TkyXMLReader::~TkyXMLReader()
{
    try {
        FStream.Seek(FPosition, soBeginning);
    } catch (const Exception &) {
        // The stream is already failing; the read's own error is the one that matters.
    }
}

void TkyXMLReader::RaiseException()
{
    kavRaise<EkyError>(u"Invalid file format"_s);
}

bool TkyXMLReader::readByte(char &c)
{
    if (FBufPos >= FBufEnd) {
        const qint64 wanted = std::min(kBufferSize, FSize - FPosition);
        FBufEnd = wanted > 0 ? FStream.Read(FBuffer.data(), wanted) : 0;
        FBufPos = 0;
        if (FBufEnd <= 0) {
            FBufEnd = 0;
            return false;
        }
    }
    c = FBuffer[FBufPos++];
    ++FPosition;
    return true;
}

// tag -> '<' bytes '>'; comments '<!-- ... -->' are skipped. Outside a tag everything up to
// '<' is ignored. End of data before a tag gives an empty name.
void TkyXMLReader::readTag(QString &name, QString &text)
{
    for (;;) {
        char c = 0;
        do {
            if (!readByte(c)) {
                name.clear();
                text.clear();
                return;
            }
        } while (c != '<');

        FTag.clear();
        bool comment = false;
        int dashes = 0;
        for (;;) {
            if (!readByte(c))
                RaiseException();
            if (comment) {
                if (c == '-')
                    ++dashes;
                else if (c == '>' && dashes >= 2)
                    break;
                else
                    dashes = 0;
                continue;
            }
            if (c == '>')
                break;
            if (c == '<')
                RaiseException();
            FTag.append(c);
            if (FTag.size() == 3 && FTag == "!--")
                comment = true;
        }
        if (comment)
            continue;

        if (FTag.endsWith(' '))
            FTag.chop(1);
        const qsizetype space = FTag.indexOf(' ');
        if (space < 0) {
            name = QString::fromUtf8(FTag);
            text.clear();
        } else {
            name = QString::fromUtf8(FTag.constData(), space);
            text = QString::fromUtf8(FTag.constData() + space + 1, FTag.size() - space - 1);
            // Single-quoted values take the double-quoted form the attribute lookup expects.
            if (!kavDoubleQuoteAttributes(text))
                RaiseException();
        }
        return;
    }
}

void TkyXMLReader::ReadHeader()
{
    QString name;
    QString text;
    readTag(name, text);
    if (!name.startsWith(u"?xml"))
        RaiseException();
}

// element -> '<name attrs/>' | '<name attrs>' element* ['</name>']
// Returns tkClose (closing name in item.Name()) or tkEnd to tell the caller its list ended.
TkyXMLReader::TagKind TkyXMLReader::readItem(TkyXMLItem &item, int depth)
{
    QString name;
    QString text;
    readTag(name, text);
    if (name.isEmpty())
        return tkEnd;
    item.SetName(name);
    if (name.startsWith(u'/'))
        return tkClose;
    if (depth > MaxDepth) // hostile nesting must not exhaust the stack
        RaiseException();
    if (name.endsWith(u'/')) {
        name.chop(1);
        item.SetName(name);
        item.SetText(text);
        return tkElement;
    }
    if (text.endsWith(u'/')) {
        text.chop(1);
        item.SetText(text);
        return tkElement;
    }
    item.SetText(text);
    for (;;) {
        auto child = std::make_unique<TkyXMLItem>();
        const TagKind kind = readItem(*child, depth + 1);
        if (kind == tkElement) {
            item.AddItem(std::move(child));
            continue;
        }
        // An element still open at the end of the data is accepted.
        if (kind == tkClose && !kavSameText(QStringView(child->Name()).mid(1), item.Name()))
            RaiseException();
        return tkElement;
    }
}

void TkyXMLReader::ReadRootItem(TkyXMLItem &item)
{
    if (readItem(item, 0) != tkElement) {
        item.SetName({});
        item.SetText({});
    }
}

// --- TkyXMLWriter ---

TkyXMLWriter::TkyXMLWriter(TStream &stream)
    : FStream(stream)
{}

void TkyXMLWriter::flush()
{
    if (!FBuffer.isEmpty()) {
        FStream.WriteBytes(FBuffer);
        FBuffer.clear();
    }
}

void TkyXMLWriter::writeLine(const QByteArray &line, int depth)
{
    const qint64 indent = FAutoIndent ? qint64(depth) * 2 : 0;
    FWritten += indent + line.size() + (FAutoIndent ? 2 : 0);
    if (FWritten > MaxOutput)
        kavRaise<EkyError>(u"XML document is too large"_s);
    if (FAutoIndent)
        FBuffer.append(qsizetype(indent), ' ');
    FBuffer.append(line);
    if (FAutoIndent)
        FBuffer.append("\r\n");
    if (FBuffer.size() > kBufferSize)
        flush();
}

void TkyXMLWriter::WriteHeader()
{
    writeLine("<?xml version=\"1.0\"?>", 0);
}

// <name text> for an item with children, <name text/> for a leaf.
void TkyXMLWriter::writeStart(const TkyXMLItem &item, int depth)
{
    const QByteArray name = item.Name().toUtf8();
    QByteArray line;
    line.reserve(name.size() + item.Text().size() + 4);
    line.append('<').append(name);
    if (!item.Text().isEmpty()) {
        if (!item.Text().startsWith(u' '))
            line.append(' ');
        line.append(item.Text().toUtf8());
    }
    line.append(item.Count() > 0 ? ">" : "/>");
    writeLine(line, depth);
}

void TkyXMLWriter::WriteRootItem(const TkyXMLItem &rootItem)
{
    // The open elements with the index of their next child: no recursion, trees may be deep.
    std::vector<std::pair<const TkyXMLItem *, int>> open;
    writeStart(rootItem, 0);
    if (rootItem.Count() > 0)
        open.emplace_back(&rootItem, 0);
    while (!open.empty()) {
        const TkyXMLItem *item = open.back().first;
        const int depth = int(open.size());
        if (open.back().second < item->Count()) {
            const TkyXMLItem *child = item->Items(open.back().second++);
            writeStart(*child, depth);
            if (child->Count() > 0)
                open.emplace_back(child, 0);
        } else {
            writeLine("</" + item->Name().toUtf8() + '>', depth - 1);
            open.pop_back();
        }
    }
    flush();
}

// --- TkyXMLDocument ---

TkyXMLDocument::TkyXMLDocument()
    : FRoot(std::make_unique<TkyXMLItem>())
{}

TkyXMLDocument::~TkyXMLDocument() = default;

void TkyXMLDocument::Clear()
{
    FRoot->Clear();
}

void TkyXMLDocument::LoadFromStream(TStream &stream)
{
    Clear();
    // Read into a fresh tree so that a malformed document leaves no half-read children.
    TkyXMLItem loaded;
    {
        TkyXMLReader reader(stream);
        reader.ReadHeader();
        reader.ReadRootItem(loaded);
    }
    FRoot->takeFrom(loaded);
}

void TkyXMLDocument::SaveToStream(TStream &stream)
{
    TkyXMLWriter writer(stream);
    writer.SetAutoIndent(FAutoIndent);
    writer.WriteHeader();
    writer.WriteRootItem(*FRoot);
}

void TkyXMLDocument::LoadFromFile(const QString &fileName)
{
    TFileStream stream(fileName, fmOpenRead);
    LoadFromStream(stream);
}

void TkyXMLDocument::SaveToFile(const QString &fileName)
{
    kavWriteFileAtomically(fileName, [this](TStream &stream) { SaveToStream(stream); });
}

void TkyXMLDocument::LoadFromText(const QString &xml)
{
    TMemoryStream stream(xml.toUtf8());
    LoadFromStream(stream);
}

QString TkyXMLDocument::SaveToText()
{
    TMemoryStream stream;
    SaveToStream(stream);
    return QString::fromUtf8(stream.Data());
}
