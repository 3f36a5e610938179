#include "kavXML.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavCodePage.h>
#include <rtl/kavDateTime.h>
#include <rtl/kavFormat.h>
#include <rtl/kavStreams.h>
#include <rtl/kavVariant.h>
#include <rtl/kavXMLQuotes.h>

#include <QScopeGuard>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Read and write blocks: large enough that stream calls never show up in a profile.
constexpr size_t readBlockSize = 64 * 1024;
constexpr qsizetype writeFlushSize = 64 * 1024;
// Element names remembered by a reader so that repeated names share one string.
constexpr size_t nameCacheSize = 32;

// The lazy-load marker: an attribute our writer adds to unloadable elements.
constexpr QStringView lazyMarkerName = u"ld";
constexpr QStringView lazyMarkerValue = u"0";
constexpr const char *lazyMarkerBytes = " ld=\"0\"";

const char *const xmlHeader = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>";

QString invalidFormatText()
{
    return u"Invalid file format"_s;
}

// ---------------------------------------------------------------------------------------
// Attribute text: name="value" pairs separated by spaces.

// Where one attribute sits in an element's text.
struct TAttrPos
{
    qsizetype nameStart = 0;
    qsizetype valueStart = 0;
    qsizetype valueEnd = 0; // the closing quote, or the end of an unterminated value
    qsizetype pairEnd = 0;  // just after the closing quote
};

// attrs -> { ' ' } [ pair { ' ' } ... ]; pair -> name '="' value '"'
// Walks the pairs from the start so a name is never matched inside a value. A pair counts
// only at the start of the text or right after a space (a tab or a glued pair hides it).
bool findAttribute(QStringView text, QStringView name, TAttrPos &pos)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (text[i] == u' ') {
            ++i;
            continue;
        }
        const bool glued = i > 0 && text[i - 1] != u' ';
        qsizetype j = i;
        while (j < n && text[j] != u'=' && text[j] != u' ' && text[j] != u'"')
            ++j;
        if (j + 1 < n && text[j] == u'=' && text[j + 1] == u'"') {
            const qsizetype valueStart = j + 2;
            qsizetype valueEnd = text.indexOf(u'"', valueStart);
            if (valueEnd < 0)
                valueEnd = n;
            if (!glued && j - i == name.size() && kavSameText(text.mid(i, j - i), name)) {
                pos = {i, valueStart, valueEnd, std::min(valueEnd + 1, n)};
                return true;
            }
            i = valueEnd + 1;
            continue;
        }
        // Not a pair: skip the word.
        i = std::max(j, i + 1);
        while (i < n && text[i] != u' ')
            ++i;
    }
    return false;
}

bool hasLazyMarker(QStringView text, TAttrPos &pos)
{
    return findAttribute(text, lazyMarkerName, pos)
           && text.mid(pos.valueStart, pos.valueEnd - pos.valueStart) == lazyMarkerValue
           && pos.valueEnd < text.size();
}

// Removes the lazy-load marker with the space our writer put before it; true when found.
bool removeLazyMarker(QString &text)
{
    TAttrPos pos;
    if (!hasLazyMarker(text, pos))
        return false;
    qsizetype from = pos.nameStart;
    qsizetype to = pos.pairEnd;
    if (from > 0)
        --from; // the separating space before the marker
    else if (to < text.size() && text[to] == u' ')
        ++to;
    text.remove(from, to - from);
    return true;
}

// Cheap test on raw tag bytes: can the text hold the marker at all?
bool mayHoldLazyMarker(std::string_view bytes)
{
    for (size_t at = bytes.find("=\"0\""); at != std::string_view::npos;
         at = bytes.find("=\"0\"", at + 1)) {
        if (at >= 2 && (bytes[at - 1] | 0x20) == 'd' && (bytes[at - 2] | 0x20) == 'l')
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------
// Escaping.

bool needsEscape(char16_t c)
{
    return c == 0 || c == 10 || c == 13 || c == u'"' || c == u'&' || c == u'<' || c == u'>';
}

// The code of a numeric reference body ("65", "x41"); -1 when malformed or out of range.
int parseCharRef(QStringView body)
{
    if (body.isEmpty())
        return -1;
    const bool hex = body[0] == u'x' || body[0] == u'X';
    if (hex)
        body = body.mid(1);
    if (body.isEmpty())
        return -1;
    qint64 code = 0;
    for (const QChar ch : body) {
        const char16_t c = ch.unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return -1;
        code = code * (hex ? 16 : 10) + digit;
        if (code > 0x10FFFF)
            return -1;
    }
    if (code >= 0xD800 && code <= 0xDFFF)
        return -1;
    return int(code);
}

void appendCodePoint(QString &out, int code)
{
    if (code > 0xFFFF) {
        out += QChar(QChar::highSurrogate(char32_t(code)));
        out += QChar(QChar::lowSurrogate(char32_t(code)));
    } else {
        out += QChar(char16_t(code));
    }
}

// ---------------------------------------------------------------------------------------
// Byte output.

// UTF-16 -> UTF-8 straight into out; a lone surrogate becomes U+FFFD.
void appendUtf8(QByteArray &out, QStringView s)
{
    const qsizetype old = out.size();
    out.resize(old + 3 * s.size());
    char *p = out.data() + old;
    const char16_t *u = s.utf16();
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = u[i];
        if (c < 0x80) {
            *p++ = char(c);
            continue;
        }
        if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
            continue;
        }
        if (QChar::isSurrogate(c)) {
            if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(u[i + 1])) {
                c = QChar::surrogateToUcs4(char16_t(c), u[++i]);
                *p++ = char(0xF0 | (c >> 18));
                *p++ = char(0x80 | ((c >> 12) & 0x3F));
                *p++ = char(0x80 | ((c >> 6) & 0x3F));
                *p++ = char(0x80 | (c & 0x3F));
                continue;
            }
            c = 0xFFFD;
        }
        *p++ = char(0xE0 | (c >> 12));
        *p++ = char(0x80 | ((c >> 6) & 0x3F));
        *p++ = char(0x80 | (c & 0x3F));
    }
    out.resize(p - out.data());
}

bool isAscii(QStringView s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool isAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return uchar(c) < 0x80; });
}

// Element names are in the system ANSI code page.
void appendName(QByteArray &out, QStringView name)
{
    if (isAscii(name)) {
        const qsizetype old = out.size();
        out.resize(old + name.size());
        char *p = out.data() + old;
        for (const QChar c : name)
            *p++ = char(c.unicode());
    } else {
        out += kavUnicodeToCodePage(name, kavCP_ACP);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------
// Free functions

QString kavEncodeXMLText(const QString &s)
{
    const char16_t *u = reinterpret_cast<const char16_t *>(s.utf16());
    const qsizetype n = s.size();
    qsizetype first = 0;
    while (first < n && !needsEscape(u[first]))
        ++first;
    if (first == n)
        return s;
    QString out;
    out.reserve(n + n / 8 + 16);
    out.append(QStringView(u, first));
    for (qsizetype i = first; i < n; ++i) {
        const char16_t c = u[i];
        if (needsEscape(c)) {
            out += u"&#"_s;
            out += QString::number(int(c));
            out += u';';
        } else {
            out += QChar(c);
        }
    }
    return out;
}

// ref -> '&#' digits ';' | '&#x' hexdigits ';' | '&quot;' | '&amp;' | '&lt;' | '&gt;'
QString kavDecodeXMLText(const QString &s)
{
    qsizetype amp = s.indexOf(u'&');
    if (amp < 0)
        return s;
    const QStringView text(s);
    const qsizetype n = text.size();
    QString out;
    out.reserve(n);
    qsizetype copied = 0;
    static constexpr struct
    {
        QStringView entity;
        char16_t ch;
    } named[] = {{u"quot;", u'"'}, {u"amp;", u'&'}, {u"lt;", u'<'}, {u"gt;", u'>'}};
    while (amp >= 0) {
        out.append(text.mid(copied, amp - copied));
        qsizetype next = amp + 1; // the ampersand stays unless a reference follows
        bool replaced = false;
        if (amp + 2 < n && text[amp + 1] == u'#') {
            // The body runs over ASCII letters and digits; parseCharRef checks it.
            qsizetype j = amp + 2;
            while (j < n && text[j].unicode() < 0x80 && text[j].isLetterOrNumber())
                ++j;
            if (j < n && text[j] == u';') {
                const int code = parseCharRef(text.mid(amp + 2, j - amp - 2));
                if (code >= 0) {
                    appendCodePoint(out, code);
                    next = j + 1;
                    replaced = true;
                }
            }
        } else {
            for (const auto &e : named) {
                if (text.mid(amp + 1).startsWith(e.entity)) {
                    out += QChar(e.ch);
                    next = amp + 1 + e.entity.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += u'&';
        copied = next;
        amp = s.indexOf(u'&', next);
    }
    out.append(text.mid(copied));
    return out;
}

QString kavVariantToXML(const Variant &v)
{
    if (v.IsInteger())
        return IntToStr(v.AsInt64());
    switch (v.Type()) {
    case varSingle:
        // A Single carries 7 significant digits; more would show binary noise.
        return kavFloatToFileText(QByteArray::number(v.AsDouble(), 'g', 7).toDouble());
    case varDouble:
        return kavFloatToFileText(v.AsDouble());
    case varCurrency:
        return kavFloatToFileText(v.AsCurrency());
    case varDate: {
        int year, month, day, hour, minute, second, msec;
        DecodeDate(v.AsDate(), year, month, day);
        DecodeTime(v.AsDate(), hour, minute, second, msec);
        QString text = u"%1-%2-%3T%4:%5:%6"_s.arg(year, 4, 10, QChar(u'0'))
                           .arg(month, 2, 10, QChar(u'0'))
                           .arg(day, 2, 10, QChar(u'0'))
                           .arg(hour, 2, 10, QChar(u'0'))
                           .arg(minute, 2, 10, QChar(u'0'))
                           .arg(second, 2, 10, QChar(u'0'));
        if (msec != 0)
            text += u".%1"_s.arg(msec, 3, 10, QChar(u'0'));
        return text;
    }
    case varString:
        return kavEncodeXMLText(v.AsString());
    case varBoolean:
        return v.AsBoolean() ? u"1"_s : u"0"_s;
    default:
        return QString();
    }
}

// ---------------------------------------------------------------------------------------
// TkavXMLItem

TkavXMLItem::~TkavXMLItem()
{
    // Frees the descendants without recursion, so no tree is too deep to destroy.
    std::vector<std::unique_ptr<TkavXMLItem>> pending = std::move(FItems);
    while (!pending.empty()) {
        std::unique_ptr<TkavXMLItem> item = std::move(pending.back());
        pending.pop_back();
        for (auto &child : item->FItems)
            pending.push_back(std::move(child));
        item->FItems.clear();
    }
}

void TkavXMLItem::Clear()
{
    std::vector<std::unique_ptr<TkavXMLItem>>().swap(FItems);
    if (FUnloadable)
        FLoaded = false;
}

TkavXMLItem *TkavXMLItem::Items(int index) const
{
    if (index < 0 || index >= Count())
        kavRaise<EListError>(u"List index out of bounds (%1)"_s.arg(index));
    return FItems[size_t(index)].get();
}

TkavXMLItem *TkavXMLItem::Add()
{
    return AddItem(std::make_unique<TkavXMLItem>());
}

TkavXMLItem *TkavXMLItem::Add(const QString &name)
{
    return AddItem(std::make_unique<TkavXMLItem>(name));
}

TkavXMLItem *TkavXMLItem::AddItem(std::unique_ptr<TkavXMLItem> item)
{
    return InsertItem(Count(), std::move(item));
}

TkavXMLItem *TkavXMLItem::InsertItem(int index, std::unique_ptr<TkavXMLItem> item)
{
    if (!item)
        kavRaise<EListError>(u"Cannot add a null item"_s);
    checkCanAdopt(item.get());
    if (index < 0 || index > Count())
        kavRaise<EListError>(u"List index out of bounds (%1)"_s.arg(index));
    item->FParent = this;
    TkavXMLItem *raw = item.get();
    FItems.insert(FItems.begin() + index, std::move(item));
    return raw;
}

void TkavXMLItem::AddItem(TkavXMLItem *item)
{
    if (item && item->FParent == this) {
        InsertItem(Count() - 1, item);
        return;
    }
    InsertItem(Count(), item);
}

void TkavXMLItem::InsertItem(int index, TkavXMLItem *item)
{
    if (!item || !item->FParent)
        kavRaise<EListError>(u"Only an item that has a parent can be moved"_s);
    checkCanAdopt(item);
    const int limit = Count() - (item->FParent == this ? 1 : 0);
    if (index < 0 || index > limit)
        kavRaise<EListError>(u"List index out of bounds (%1)"_s.arg(index));
    InsertItem(index, item->detach());
}

void TkavXMLItem::checkCanAdopt(const TkavXMLItem *item) const
{
    if (item == this)
        kavRaise<EListError>(u"An item cannot contain itself"_s);
    if (item->FItems.empty())
        return; // a childless item is no ancestor of this one
    for (const TkavXMLItem *p = FParent; p; p = p->FParent) {
        if (p == item)
            kavRaise<EListError>(u"An item cannot contain itself"_s);
    }
}

std::unique_ptr<TkavXMLItem> TkavXMLItem::detach()
{
    return FParent->TakeItem(FParent->IndexOf(this));
}

std::unique_ptr<TkavXMLItem> TkavXMLItem::TakeItem(int index)
{
    Items(index); // range check
    std::unique_ptr<TkavXMLItem> item = std::move(FItems[size_t(index)]);
    FItems.erase(FItems.begin() + index);
    item->FParent = nullptr;
    return item;
}

void TkavXMLItem::DeleteItem(int index)
{
    TakeItem(index);
}

int TkavXMLItem::Find(QStringView name) const
{
    for (size_t i = 0; i < FItems.size(); ++i) {
        if (kavSameText(FItems[i]->FName, name))
            return int(i);
    }
    return -1;
}

TkavXMLItem *TkavXMLItem::FindItem(const QString &name)
{
    const int index = Find(name);
    return index >= 0 ? FItems[size_t(index)].get() : Add(name);
}

int TkavXMLItem::IndexOf(const TkavXMLItem *item) const
{
    for (size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i].get() == item)
            return int(i);
    }
    return -1;
}

TkavXMLItem *TkavXMLItem::Root()
{
    TkavXMLItem *item = this;
    while (item->FParent)
        item = item->FParent;
    return item;
}

QString TkavXMLItem::GetProp(QStringView name) const
{
    TAttrPos pos;
    if (!findAttribute(FText, name, pos))
        return QString();
    return kavDecodeXMLText(FText.mid(pos.valueStart, pos.valueEnd - pos.valueStart));
}

void TkavXMLItem::SetProp(QStringView name, const QString &value)
{
    QString pair;
    pair.reserve(name.size() + value.size() + 3);
    pair += name;
    pair += u"=\""_s;
    pair += kavEncodeXMLText(value);
    pair += u'"';
    TAttrPos pos;
    if (findAttribute(FText, name, pos)) {
        FText.replace(pos.nameStart, pos.pairEnd - pos.nameStart, pair);
        return;
    }
    if (!FText.isEmpty() && !FText.endsWith(u' '))
        FText += u' ';
    FText += pair;
}

bool TkavXMLItem::PropExists(QStringView name) const
{
    TAttrPos pos;
    return findAttribute(FText, name, pos);
}

void TkavXMLItem::DeleteProp(QStringView name)
{
    TAttrPos pos;
    if (!findAttribute(FText, name, pos))
        return;
    qsizetype end = pos.pairEnd;
    if (end < FText.size() && FText[end] == u' ')
        ++end; // the separating space
    FText.remove(pos.nameStart, end - pos.nameStart);
}

// ---------------------------------------------------------------------------------------
// TkavXMLReader

// One tag as raw bytes; the views live until the next read.
struct TkavXMLReader::Tag
{
    std::string_view name;
    std::string_view text;
};

TkavXMLReader::TkavXMLReader(TStream &stream)
    : FBuffer(readBlockSize)
    , FBufStart(stream.Position())
    , FSize(stream.Size())
    , FStream(stream)
{
    FNames.reserve(nameCacheSize);
}

TkavXMLReader::~TkavXMLReader()
{
    // Leave the stream just after the last consumed byte; a destructor cannot report a
    // failing seek, and the next reader seeks for itself anyway.
    try {
        FStream.SetPosition(Position());
    } catch (const Exception &) {
    }
}

void TkavXMLReader::SetPosition(qint64 position)
{
    if (position < 0 || position > FSize)
        RaiseException();
    FStream.SetPosition(position);
    FBufStart = position;
    FBufPos = FBufEnd = 0;
}

void TkavXMLReader::RaiseException()
{
    kavRaise<TkavInvalidXMLException>(invalidFormatText());
}

// Starts a new block after the consumed one; false at the end of the stream.
bool TkavXMLReader::fillBuffer()
{
    FBufStart += qint64(FBufEnd);
    FBufPos = FBufEnd = 0;
    FBufEnd = size_t(FStream.Read(FBuffer.data(), qint64(FBuffer.size())));
    return FBufEnd > 0;
}

// tag -> '<' bytes-without-'<' '>' | '<!--' ... '-->'
// Returns false at the end of the data (outside a tag).
bool TkavXMLReader::readTag(Tag &tag)
{
    for (;;) {
        // Outside a tag: skip to '<' (text content, indentation and a BOM are ignored).
        for (;;) {
            if (FBufPos == FBufEnd && !fillBuffer())
                return false;
            const char *b = FBuffer.data();
            const void *lt = std::memchr(b + FBufPos, '<', FBufEnd - FBufPos);
            if (lt) {
                FBufPos = size_t(static_cast<const char *>(lt) - b) + 1;
                break;
            }
            FBufPos = FBufEnd;
        }
        // A comment: "!--" as the first three bytes; it ends at '>' after exactly two '-'.
        FTag.clear();
        bool comment = true;
        for (const char expected : {'!', '-', '-'}) {
            if (FBufPos == FBufEnd && !fillBuffer())
                RaiseException();
            const char c = FBuffer[FBufPos];
            if (c != expected) {
                comment = false;
                break;
            }
            FTag += c;
            ++FBufPos;
        }
        if (comment) {
            int dashes = 0;
            for (;;) {
                if (FBufPos == FBufEnd && !fillBuffer())
                    RaiseException();
                const char c = FBuffer[FBufPos++];
                if (c == '>' && dashes == 2)
                    break;
                dashes = c == '-' && dashes < 2 ? dashes + 1 : 0;
            }
            continue;
        }
        // Inside a tag: collect to '>'; a '<' is an error. The tag is viewed in place
        // unless it spans blocks.
        size_t start = FBufPos;
        bool spanning = !FTag.empty();
        std::string_view view;
        for (;;) {
            const char *b = FBuffer.data();
            const char *from = b + FBufPos;
            const size_t avail = FBufEnd - FBufPos;
            const char *gt = static_cast<const char *>(std::memchr(from, '>', avail));
            const size_t len = gt ? size_t(gt - from) : avail;
            if (std::memchr(from, '<', len))
                RaiseException();
            if (gt) {
                FBufPos = size_t(gt - b) + 1;
                if (spanning) {
                    FTag.append(b + start, gt - (b + start));
                    view = FTag;
                } else {
                    view = std::string_view(b + start, gt - (b + start));
                }
                break;
            }
            FTag.append(b + start, FBufEnd - start);
            spanning = true;
            FBufPos = FBufEnd;
            if (!fillBuffer())
                RaiseException();
            start = 0;
        }
        if (!view.empty() && view.back() == ' ')
            view.remove_suffix(1);
        const size_t space = view.find(' ');
        tag.name = view.substr(0, space);
        tag.text = space == std::string_view::npos ? std::string_view() : view.substr(space + 1);
        return true;
    }
}

QString TkavXMLReader::nameFromBytes(std::string_view bytes)
{
    for (const auto &entry : FNames) {
        if (entry.first == bytes)
            return entry.second;
    }
    QString name = isAscii(bytes)
                       ? QString::fromLatin1(bytes.data(), qsizetype(bytes.size()))
                       : kavCodePageToUnicode(QByteArrayView(bytes.data(), qsizetype(bytes.size())),
                                              kavCP_ACP);
    if (FNames.size() < nameCacheSize)
        FNames.emplace_back(std::string(bytes), name);
    else
        FNames[std::hash<std::string_view>{}(bytes) % nameCacheSize] = {std::string(bytes), name};
    return name;
}

QString TkavXMLReader::textFromBytes(std::string_view bytes) const
{
    const QByteArrayView view(bytes.data(), qsizetype(bytes.size()));
    // Invalid UTF-8 decodes to U+FFFD.
    return FOldFormat ? kavCodePageToUnicode(view, kavCP_ACP) : QString::fromUtf8(view);
}

// header -> '<?xml' [ 'version="' v '"' ] [ 'encoding="' e '"' ] [ 'standalone=' ... ] '>'
void TkavXMLReader::ReadHeader()
{
    Tag tag;
    if (!readTag(tag) || !tag.name.starts_with("?xml"))
        RaiseException();
    const std::string_view text = tag.text;
    std::string_view version;
    if (const size_t at = text.find("version="); at != std::string_view::npos)
        version = text.substr(std::min(text.size(), at + 9), 3);
    bool utf8 = false;
    if (const size_t at = text.find("encoding="); at != std::string_view::npos
                                                   && at + 9 < text.size()) {
        const char quote = text[at + 9];
        std::string_view value = text.substr(at + 10);
        value = value.substr(0, value.find(quote));
        const QString encoding = QString::fromLatin1(value.data(), qsizetype(value.size()));
        utf8 = kavSameText(encoding, u"utf-8") || kavSameText(encoding, u"utf8");
    }
    const bool standalone = text.find("standalone=") != std::string_view::npos;
    // Old 8-bit files: version 1.0 without standalone and without a UTF-8 encoding.
    FOldFormat = version == "1.0" && !standalone && !utf8;
}

void TkavXMLReader::ReadRootItem(TkavXMLItem &item, bool readChildren)
{
    QString lastName;
    readItemTree(item, readChildren, 0, lastName);
}

// element -> '<' name attrs '/>' | '<' name attrs '>' { element } [ '</' name '>' ]
// Returns true when the tag read was an end tag or the end of the data ("end" for the
// caller). An item that has a name already (a reload) keeps it; the tag must carry it.
bool TkavXMLReader::readItemTree(TkavXMLItem &item, bool readChildren, int depth,
                                 QString &lastName)
{
    const qint64 start = Position();
    Tag tag;
    const bool gotTag = readTag(tag);
    const bool reload = !item.FName.isEmpty();
    std::string_view nameBytes = tag.name;
    std::string_view textBytes = tag.text;
    bool leaf = false;
    if (nameBytes.ends_with('/')) {
        nameBytes.remove_suffix(1);
        leaf = true;
    } else if (textBytes.ends_with('/')) {
        textBytes.remove_suffix(1);
        leaf = true;
    }
    const QString tagName = gotTag ? nameFromBytes(nameBytes) : QString();
    if (reload) {
        if (!gotTag || !kavSameText(tagName, item.FName))
            RaiseException();
    } else {
        lastName = tagName;
        if (tagName.isEmpty() || tagName.startsWith(u'/'))
            return true;
    }
    if (depth >= MaxDepth)
        RaiseException();
    bool lazy = false;
    if (!reload) {
        item.FName = tagName;
        item.FText = textFromBytes(textBytes);
        // Single-quoted values take the double-quoted form every attribute reader expects.
        if (textBytes.find('\'') != std::string_view::npos && !kavDoubleQuoteAttributes(item.FText))
            RaiseException();
        if (mayHoldLazyMarker(textBytes) && removeLazyMarker(item.FText)) {
            item.FUnloadable = true; // so that writing it again keeps the marker
            lazy = !readChildren;
        }
    }
    if (!leaf) {
        // Children of a lazy item are parsed (to find its end) but not kept.
        std::unique_ptr<TkavXMLItem> child;
        for (;;) {
            if (!child)
                child = std::make_unique<TkavXMLItem>();
            if (readItemTree(*child, readChildren, depth + 1, lastName))
                break;
            if (!lazy) {
                child->FParent = &item;
                item.FItems.push_back(std::move(child));
            } else {
                child.reset();
            }
        }
        // At the end of the data an open element counts as closed.
        if (!lastName.isEmpty()
            && !(lastName.size() == item.FName.size() + 1 && lastName[0] == u'/'
                 && kavSameText(QStringView(lastName).mid(1), item.FName)))
            RaiseException();
    }
    if (lazy) {
        item.FOffset = start;
        item.FLoaded = false;
        item.FStored = true;
    }
    return false;
}

void TkavXMLReader::SetOldFormat(bool oldFormat)
{
    FOldFormat = oldFormat;
}

// ---------------------------------------------------------------------------------------
// TkavXMLWriter

TkavXMLWriter::TkavXMLWriter(TStream &stream) : FStream(stream)
{
    FBuffer.reserve(writeFlushSize + 4096);
}

void TkavXMLWriter::WriteHeader()
{
    FBuffer += xmlHeader;
    appendLine();
    flushBuffer();
}

void TkavXMLWriter::WriteRootItem(TkavXMLItem &rootItem)
{
    FDeepest = 0;
    FRootChildren[0] = FRootChildren[1] = written();
    writeItemTree(rootItem, 0, 0);
    flushBuffer();
}

void TkavXMLWriter::appendLine()
{
    if (FAutoIndent)
        FBuffer += "\r\n";
    if (FBuffer.size() > writeFlushSize)
        flushBuffer();
}

void TkavXMLWriter::flushBuffer()
{
    if (FBuffer.isEmpty())
        return;
    FStream.WriteBuffer(FBuffer.constData(), FBuffer.size());
    FFlushed += FBuffer.size();
    FBuffer.resize(0);
}

void TkavXMLWriter::writeStartTag(const TkavXMLItem &item, int indent, bool hasChildren)
{
    FBuffer.append(indent, ' ');
    FBuffer += '<';
    appendName(FBuffer, item.FName);
    if (!item.FText.isEmpty()) {
        if (item.FText[0] != u' ')
            FBuffer += ' ';
        appendUtf8(FBuffer, item.FText);
    }
    TAttrPos pos;
    if (item.FUnloadable && !hasLazyMarker(item.FText, pos))
        FBuffer += lazyMarkerBytes;
    if (hasChildren) {
        FBuffer += '>';
    } else if (!item.FValue.isEmpty()) {
        FBuffer += '>';
        appendUtf8(FBuffer, kavEncodeXMLText(item.FValue));
        FBuffer += "</";
        appendName(FBuffer, item.FName);
        FBuffer += '>';
    } else {
        FBuffer += "/>";
    }
    appendLine();
}

void TkavXMLWriter::writeEndTag(const TkavXMLItem &item, int indent)
{
    FBuffer.append(indent, ' ');
    FBuffer += "</";
    appendName(FBuffer, item.FName);
    FBuffer += '>';
    appendLine();
}

// The children of an unloaded item, copied as our own writer stored them: the same bytes
// it would write after reading them back, at a fraction of the cost. False when they must
// be read back (another writer's copy, indented output, or too deep where they now go).
bool TkavXMLWriter::copyStoredChildren(const TkavXMLItem &item, int indent, int depth)
{
    if (!item.FStoredChildren || FAutoIndent || depth + item.FStoredHeight > TkavXMLReader::MaxDepth)
        return false;
    writeStartTag(item, indent, true);
    flushBuffer();
    FTempStream->Seek(item.FOffset + item.FStoredTag, soBeginning);
    for (qint64 left = item.FStoredChildren; left > 0;) {
        const qsizetype chunk = qsizetype(std::min<qint64>(left, writeFlushSize));
        FBuffer.resize(chunk);
        FTempStream->ReadBuffer(FBuffer.data(), chunk);
        flushBuffer();
        left -= chunk;
    }
    FDeepest = std::max(FDeepest, depth + item.FStoredHeight - 1);
    writeEndTag(item, indent);
    return true;
}

void TkavXMLWriter::writeItemTree(TkavXMLItem &item, int indent, int depth)
{
    // A tree deeper than the reader accepts would be written but never read back.
    if (depth >= TkavXMLReader::MaxDepth)
        kavRaise<TkavInvalidXMLException>(invalidFormatText());
    FDeepest = std::max(FDeepest, depth);
    bool fetched = false;
    if (FTempStream && item.FUnloadable && !item.FLoaded) {
        if (copyStoredChildren(item, indent, depth))
            return;
        TkavXMLReader reader(*FTempStream);
        reader.SetOldFormat(FTempStreamOldFormat);
        reader.SetPosition(item.FOffset);
        reader.ReadRootItem(item, true);
        item.FLoaded = true;
        fetched = true;
    }
    // The item returns to the unloaded state even when writing fails.
    auto unfetch = qScopeGuard([&] {
        if (fetched)
            item.Clear();
    });
    const bool hasChildren = !item.FItems.empty();
    writeStartTag(item, indent, hasChildren);
    if (!hasChildren)
        return;
    if (depth == 0)
        FRootChildren[0] = written();
    const int childIndent = FAutoIndent ? indent + 2 : 0;
    for (const auto &child : item.FItems)
        writeItemTree(*child, childIndent, depth + 1);
    if (depth == 0)
        FRootChildren[1] = written();
    writeEndTag(item, indent);
}

// ---------------------------------------------------------------------------------------
// TkavXMLDocument

TkavXMLDocument::TkavXMLDocument() : FRoot(std::make_unique<TkavXMLItem>()) {}

TkavXMLDocument::~TkavXMLDocument()
{
    ReleaseTempFile();
}

void TkavXMLDocument::Clear()
{
    FRoot->Clear();
    ReleaseTempFile();
}

void TkavXMLDocument::loadInto(TStream &stream, bool partial)
{
    // Parse into a fresh item first, so a broken text leaves the document unchanged.
    TkavXMLItem loaded;
    bool oldFormat;
    {
        TkavXMLReader reader(stream);
        reader.ReadHeader();
        oldFormat = reader.OldFormat();
        reader.ReadRootItem(loaded, !partial);
    }
    ReleaseTempFile();
    FRoot->FItems.swap(loaded.FItems);
    loaded.FItems.clear();
    for (const auto &child : FRoot->FItems)
        child->FParent = FRoot.get();
    FRoot->FName = loaded.FName;
    FRoot->FText = loaded.FText;
    FRoot->FValue.clear();
    FRoot->FOffset = loaded.FOffset;
    FRoot->FUnloadable = loaded.FUnloadable;
    FRoot->FLoaded = loaded.FLoaded;
    FOldVersion = oldFormat;
}

void TkavXMLDocument::LoadFromStream(TStream &stream)
{
    loadInto(stream, false);
}

void TkavXMLDocument::LoadFromStream(std::unique_ptr<TStream> stream, bool allowPartialLoading)
{
    if (!stream)
        kavRaise<EStreamError>(u"No stream to load from"_s);
    loadInto(*stream, allowPartialLoading);
    if (allowPartialLoading)
        FTempStream = std::move(stream);
}

void TkavXMLDocument::SaveToStream(TStream &stream)
{
    if (&stream == FTempStream.get())
        kavRaise<EStreamError>(u"A document cannot be saved into its own backing stream"_s);
    TkavXMLWriter writer(stream);
    writer.SetAutoIndent(FAutoIndent);
    writer.SetTempStream(FTempStream.get(), FOldVersion && !FTempFileCreated);
    writer.WriteHeader();
    writer.WriteRootItem(*FRoot);
}

void TkavXMLDocument::LoadFromFile(const QString &fileName)
{
    LoadFromStream(std::make_unique<TFileStream>(fileName, fmOpenRead), true);
}

void TkavXMLDocument::SaveToFile(const QString &fileName)
{
    kavWriteFileAtomically(fileName, [this](TStream &stream) { SaveToStream(stream); });
    ReleaseTempFile();
    LoadFromFile(fileName);
}

void TkavXMLDocument::EnsureTempFile()
{
    if (FTempStream)
        return;
    std::unique_ptr<TTempFileStream> file = TTempFileStream::Create(FTempDir, u"kv"_s);
    FTempFile = file->FileName();
    FTempStream = std::move(file);
    FTempFileCreated = true;
}

void TkavXMLDocument::ReleaseTempFile()
{
    // A swap file deletes itself when its stream is destroyed.
    FTempStream.reset();
    FTempFile.clear();
    FTempFileCreated = false;
}

void TkavXMLDocument::UnloadItem(TkavXMLItem &item)
{
    if (!item.FLoaded || !item.FUnloadable)
        return;
    // Children unchanged since they were read back are still where they were read from.
    if (item.FStored && !item.FModified) {
        item.Clear();
        return;
    }
    if (FTempStream && !FTempFileCreated)
        return; // partially loaded: changed items cannot go back into the source
    EnsureTempFile();
    const qint64 offset = FTempStream->Seek(0, soEnd);
    TkavXMLWriter writer(*FTempStream);
    writer.WriteRootItem(item);
    // Remembered so that a save can copy the children verbatim (the swap writer does not
    // indent, so the bytes are those of any unindented save).
    const qint64 tag = writer.RootChildrenStart(), bytes = writer.RootChildrenEnd() - tag;
    const bool copyable = tag <= 0xffff && bytes > 0 && bytes <= 0xffffffff;
    item.Clear();
    item.FOffset = offset;
    item.FStored = true;
    item.FModified = false;
    item.FStoredTag = copyable ? quint16(tag) : 0;
    item.FStoredChildren = copyable ? quint32(bytes) : 0;
    item.FStoredHeight = quint16(writer.Height());
}

void TkavXMLDocument::LoadItem(TkavXMLItem &item)
{
    if (!FTempStream || !item.FUnloadable || item.FLoaded)
        return;
    TkavXMLReader reader(*FTempStream);
    reader.SetOldFormat(FOldVersion && !FTempFileCreated);
    reader.SetPosition(item.FOffset);
    try {
        reader.ReadRootItem(item, true);
    } catch (...) {
        item.Clear(); // stays unloaded, without half-read children
        throw;
    }
    item.FLoaded = true;
    item.FModified = false;
}
