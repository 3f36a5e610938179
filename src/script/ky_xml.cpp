#include "ky_xml.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStreams.h>

#include <QStringView>

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

TkyXMLItem::~TkyXMLItem() = default;

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
    item->FParent = this;
    TkyXMLItem *raw = item.get();
    FItems.insert(FItems.begin() + index, std::move(item));
    return raw;
}

std::unique_ptr<TkyXMLItem> TkyXMLItem::Extract(TkyXMLItem *item)
{
    const int index = IndexOf(item);
    if (index < 0)
        return nullptr;
    std::unique_ptr<TkyXMLItem> taken = std::move(FItems[size_t(index)]);
    FItems.erase(FItems.begin() + index);
    taken->FParent = nullptr;
    return taken;
}

void TkyXMLItem::Clear()
{
    FItems.clear();
    FItems.shrink_to_fit();
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

void TkyXMLItem::copyFrom(const TkyXMLItem &item)
{
    FName = item.FName;
    FText = item.FText;
    FData = item.FData;
    FItems.reserve(item.FItems.size());
    for (const auto &child : item.FItems)
        Add()->copyFrom(*child);
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
    Clear();
    FName = std::move(item.FName);
    FText = std::move(item.FText);
    FItems = std::move(item.FItems);
    item.FItems.clear();
    for (auto &child : FItems)
        child->FParent = this;
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
    if (p >= 0) {
        qsizetype end = FText.indexOf(u'"', p + name.size() + 2);
        end = end < 0 ? FText.size() : end + 1;
        FText.remove(p, end - p);
    } else {
        p = FText.size();
    }
    QString attribute;
    attribute.reserve(name.size() + value.size() + 4);
    if (p > 0 && FText[p - 1] != u' ')
        attribute += u' ';
    attribute += name;
    attribute += u"=\""_s;
    attribute += kyEscapeXML(value);
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
    if (FAutoIndent)
        FBuffer.append(qsizetype(depth) * 2, ' ');
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

void TkyXMLWriter::writeItem(const TkyXMLItem &item, int depth)
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
    if (item.Count() == 0)
        return;
    for (int i = 0; i < item.Count(); ++i)
        writeItem(*item.Items(i), depth + 1);
    writeLine("</" + name + '>', depth);
}

void TkyXMLWriter::WriteRootItem(const TkyXMLItem &rootItem)
{
    writeItem(rootItem, 0);
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
