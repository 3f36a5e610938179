#include "kavPDFWriter.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavStreams.h>

#include <QCryptographicHash>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int maxPageTreeDepth = 32;

[[noreturn]] void malformed(const char *what)
{
    throw EkavError(u"Unexpected structure in the PDF drawn by Qt: %1"_s.arg(QLatin1String(what)));
}

bool isWhite(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool isDelimiter(char c)
{
    return c != '\0' && std::strchr("()<>[]{}/%", c) != nullptr;
}

// A reading position in PDF text: whitespace, integers, reals, names and references.
class Cursor
{
public:
    Cursor(const QByteArray &Text, qsizetype Pos)
        : text(Text)
        , pos(Pos)
    {}

    void skipWhite()
    {
        while (pos < text.size() && isWhite(text.at(pos)))
            ++pos;
    }
    bool atEnd()
    {
        skipWhite();
        return pos >= text.size();
    }
    char peek()
    {
        skipWhite();
        return pos < text.size() ? text.at(pos) : '\0';
    }
    bool accept(char c)
    {
        if (peek() != c)
            return false;
        ++pos;
        return true;
    }
    bool acceptWord(QByteArrayView word)
    {
        skipWhite();
        if (!QByteArrayView(text).sliced(std::min(pos, text.size())).startsWith(word))
            return false;
        pos += word.size();
        return true;
    }
    // A run of characters up to whitespace or a delimiter.
    QByteArray token()
    {
        skipWhite();
        const qsizetype start = pos;
        while (pos < text.size() && !isWhite(text.at(pos)) && !isDelimiter(text.at(pos)))
            ++pos;
        return text.mid(start, pos - start);
    }
    std::optional<qint64> integer()
    {
        const qsizetype start = pos;
        bool ok = false;
        const qint64 value = token().toLongLong(&ok);
        if (!ok) {
            pos = start;
            return std::nullopt;
        }
        return value;
    }
    std::optional<double> real()
    {
        const qsizetype start = pos;
        bool ok = false;
        const double value = token().toDouble(&ok);
        if (!ok || !std::isfinite(value)) {
            pos = start;
            return std::nullopt;
        }
        return value;
    }
    // "N G R"; 0 when the text here is not a reference.
    int reference()
    {
        const qsizetype start = pos;
        const auto number = integer();
        const auto generation = integer();
        if (number && generation && *number > 0 && *number < INT_MAX && accept('R'))
            return int(*number);
        pos = start;
        return 0;
    }
    QByteArray name()
    {
        if (!accept('/'))
            return {};
        return token();
    }

    const QByteArray &text;
    qsizetype pos;
};

// The position just after Key (a name such as "/Pages") in Dict, or -1.
qsizetype findKey(const QByteArray &dict, QByteArrayView key)
{
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = dict.indexOf(key, from);
        if (at < 0)
            return -1;
        const qsizetype end = at + key.size();
        if (end >= dict.size() || isWhite(dict.at(end)) || isDelimiter(dict.at(end)))
            return end;
        from = end;
    }
}

int refOf(const QByteArray &dict, QByteArrayView key)
{
    const qsizetype at = findKey(dict, key);
    if (at < 0)
        return 0;
    Cursor cursor(dict, at);
    return cursor.reference();
}

QByteArray nameOf(const QByteArray &dict, QByteArrayView key)
{
    const qsizetype at = findKey(dict, key);
    if (at < 0)
        return {};
    Cursor cursor(dict, at);
    return cursor.name();
}

std::vector<int> refsIn(const QByteArray &dict, QByteArrayView key)
{
    std::vector<int> refs;
    const qsizetype at = findKey(dict, key);
    if (at < 0)
        return refs;
    Cursor cursor(dict, at);
    if (!cursor.accept('['))
        malformed("an array of references was expected");
    while (!cursor.accept(']')) {
        const int ref = cursor.reference();
        if (ref == 0)
            malformed("a reference was expected");
        refs.push_back(ref);
    }
    return refs;
}

std::optional<QRectF> boxOf(const QByteArray &dict, QByteArrayView key)
{
    const qsizetype at = findKey(dict, key);
    if (at < 0)
        return std::nullopt;
    Cursor cursor(dict, at);
    double v[4];
    if (!cursor.accept('['))
        malformed("a box was expected");
    for (double &value : v) {
        const auto number = cursor.real();
        if (!number)
            malformed("a number was expected in a box");
        value = *number;
    }
    if (!cursor.accept(']') || v[2] <= v[0] || v[3] <= v[1])
        malformed("an invalid box");
    return QRectF(QPointF(v[0], v[1]), QPointF(v[2], v[3]));
}

// Dict with every reference "N G R" outside strings replaced by what Map returns for N.
QByteArray mapReferences(const QByteArray &dict, const std::function<QByteArray(int)> &map)
{
    QByteArray out;
    out.reserve(dict.size() + 16);
    const qsizetype n = dict.size();
    qsizetype i = 0;
    while (i < n) {
        const char c = dict.at(i);
        const qsizetype start = i;
        if (c == '(') { // a literal string: balanced parentheses, backslash escapes
            for (int depth = 0; i < n; ++i) {
                const char d = dict.at(i);
                if (d == '\\')
                    ++i;
                else if (d == '(')
                    ++depth;
                else if (d == ')' && --depth == 0) {
                    ++i;
                    break;
                }
            }
            out += dict.mid(start, i - start);
        } else if (c == '<' && i + 1 < n && dict.at(i + 1) == '<') {
            out += "<<";
            i += 2;
        } else if (c == '<') { // a hex string
            const qsizetype close = dict.indexOf('>', i);
            i = close < 0 ? n : close + 1;
            out += dict.mid(start, i - start);
        } else if (c >= '0' && c <= '9'
                   && (i == 0 || isWhite(dict.at(i - 1)) || isDelimiter(dict.at(i - 1)))) {
            Cursor cursor(dict, i);
            const int reference = cursor.reference();
            if (reference != 0
                && (cursor.pos >= n || isWhite(dict.at(cursor.pos))
                    || isDelimiter(dict.at(cursor.pos)))) {
                out += map(reference);
                i = cursor.pos;
            } else {
                while (i < n && !isWhite(dict.at(i)) && !isDelimiter(dict.at(i)))
                    ++i;
                out += dict.mid(start, i - start);
            }
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

// The data of a stream object: between "stream" and "endstream".
QByteArrayView streamData(QByteArrayView object)
{
    const QByteArray text = QByteArray::fromRawData(object.data(), object.size());
    const qsizetype start = text.indexOf("stream");
    const qsizetype end = text.lastIndexOf("endstream");
    if (start < 0 || end < start + 6)
        malformed("a stream was expected");
    return object.sliced(start + 6, end - start - 6);
}

// Numbers in the shortest fixed form: "12.5", "0", "-3.25".
QByteArray num(double value)
{
    QByteArray text = QByteArray::number(value, 'f', 2);
    if (text.contains('.')) {
        while (text.endsWith('0'))
            text.chop(1);
        if (text.endsWith('.'))
            text.chop(1);
    }
    return text == "-0" ? QByteArray("0") : text;
}

QByteArray ref(int number)
{
    return QByteArray::number(number) + " 0 R";
}

// A literal string with its special characters escaped.
QByteArray literal(QByteArrayView bytes)
{
    QByteArray out("(");
    for (const char c : bytes) {
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + ')';
}

// A text string: printable ASCII as a literal, anything else as UTF-16 with its mark.
QByteArray textString(const QString &text)
{
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() < 0x7f;
    });
    if (ascii)
        return literal(text.toLatin1());
    QByteArray utf16("\xfe\xff", 2);
    for (const QChar c : text) {
        utf16 += char(c.unicode() >> 8);
        utf16 += char(c.unicode() & 0xff);
    }
    return '<' + utf16.toHex().toUpper() + '>';
}

// D:YYYYMMDDHHmmSS with the offset from UTC.
QByteArray dateString(const QDateTime &time)
{
    QByteArray text = "D:" + time.toString(u"yyyyMMddHHmmss"_s).toLatin1();
    const int offset = time.offsetFromUtc() / 60;
    if (offset == 0)
        return text + 'Z';
    text += offset < 0 ? '-' : '+';
    const int minutes = std::abs(offset);
    text += QByteArray::number(minutes / 60).rightJustified(2, '0') + '\''
            + QByteArray::number(minutes % 60).rightJustified(2, '0') + '\'';
    return text;
}

// Writes through to the target stream, counting bytes and hashing what goes out.
class Sink
{
public:
    explicit Sink(TStream &Out)
        : out(Out)
        , hash(QCryptographicHash::Md5)
    {}
    void put(QByteArrayView bytes)
    {
        out.WriteBuffer(bytes.data(), bytes.size());
        hash.addData(bytes);
        pos += bytes.size();
    }
    qint64 position() const { return pos; }
    QByteArray digest() const { return hash.result().toHex().toUpper(); }

private:
    TStream &out;
    QCryptographicHash hash;
    qint64 pos = 0;
};

// An object's text with Extra inserted before the closing ">>" of its dictionary.
QByteArray insertIntoDict(QByteArrayView objectText, QByteArrayView extra)
{
    const QByteArray text = objectText.toByteArray();
    const qsizetype end = text.lastIndexOf("endobj");
    const qsizetype close = end < 0 ? -1 : text.lastIndexOf(">>", end);
    if (close < 0 || text.indexOf("stream") >= 0)
        malformed("a dictionary object was expected");
    return text.left(close) + extra.toByteArray() + text.mid(close);
}

// Outline items in document order with their links to each other.
struct FlatItem
{
    const TkavPDFOutlineItem *Item = nullptr;
    int Number = 0;
    int Parent = 0;
    int Prev = 0;
    int Next = 0;
    int First = 0;
    int Last = 0;
    int Count = 0; // descendants, all shown open
};

// Numbers Items (below Parent) and their descendants; returns the indexes of Items in Flat.
std::vector<size_t> flatten(const std::vector<TkavPDFOutlineItem> &items,
                            int parent,
                            std::vector<FlatItem> &flat,
                            int &next)
{
    std::vector<size_t> indexes;
    for (const TkavPDFOutlineItem &item : items) {
        const size_t index = flat.size();
        flat.push_back({&item, next++, parent});
        if (!indexes.empty()) {
            flat[index].Prev = flat[indexes.back()].Number;
            flat[indexes.back()].Next = flat[index].Number;
        }
        indexes.push_back(index);
        const std::vector<size_t> children = flatten(item.Children, flat[index].Number, flat, next);
        if (!children.empty()) {
            flat[index].First = flat[children.front()].Number;
            flat[index].Last = flat[children.back()].Number;
            for (const size_t child : children)
                flat[index].Count += 1 + flat[child].Count;
        }
    }
    return indexes;
}

} // namespace

// --- reading ---------------------------------------------------------------------------------

TkavPDFRewriter::TkavPDFRewriter(QByteArrayView Source)
    : FSource(Source)
{
    readXref();
    readPages();
    renumber();
    retagFonts();
}

QSizeF TkavPDFRewriter::PageSize(int Index) const
{
    return FPages.at(size_t(Index)).MediaBox.size();
}

QByteArrayView TkavPDFRewriter::objectText(int Number) const
{
    const auto found = FObjects.find(Number);
    if (found == FObjects.end())
        malformed("a referenced object is missing");
    return FSource.sliced(found->second.Offset, found->second.End - found->second.Offset);
}

QByteArrayView TkavPDFRewriter::objectDict(int Number) const
{
    const QByteArray text = QByteArray::fromRawData(objectText(Number).data(),
                                                    objectText(Number).size());
    const qsizetype start = text.indexOf(" obj");
    if (start < 0)
        malformed("an object header is missing");
    qsizetype end = text.indexOf("stream");
    if (end < 0)
        end = text.lastIndexOf("endobj");
    if (end < start)
        malformed("an object has no end");
    return objectText(Number).sliced(start + 4, end - start - 4);
}

void TkavPDFRewriter::readXref()
{
    const QByteArray source = QByteArray::fromRawData(FSource.data(), FSource.size());
    const qsizetype startxref = source.lastIndexOf("startxref");
    if (startxref < 0)
        malformed("no startxref");
    Cursor at(source, startxref + 9);
    const auto xref = at.integer();
    if (!xref || *xref <= 0 || *xref >= startxref)
        malformed("an invalid startxref");
    FXrefOffset = qsizetype(*xref);
    Cursor cursor(source, FXrefOffset);
    if (!cursor.acceptWord("xref"))
        malformed("no cross-reference table");
    std::vector<std::pair<qsizetype, int>> starts; // offset, object number
    while (cursor.peek() != 't') {
        const auto first = cursor.integer();
        const auto count = cursor.integer();
        if (!first || !count || *first < 0 || *count < 0 || *first + *count > 10000000)
            malformed("an invalid cross-reference section");
        for (qint64 i = 0; i < *count; ++i) {
            const auto offset = cursor.integer();
            const auto generation = cursor.integer();
            const QByteArray kind = cursor.token();
            if (!offset || !generation || (kind != "n" && kind != "f"))
                malformed("an invalid cross-reference entry");
            if (kind == "n") {
                if (*offset <= 0 || *offset >= FXrefOffset)
                    malformed("an object outside the file");
                starts.emplace_back(qsizetype(*offset), int(*first + i));
            }
        }
    }
    if (!cursor.acceptWord("trailer"))
        malformed("no trailer");
    const QByteArray trailer = source.mid(cursor.pos, startxref - cursor.pos);
    FRoot = refOf(trailer, "/Root");
    FInfo = refOf(trailer, "/Info");
    std::sort(starts.begin(), starts.end());
    for (size_t i = 0; i < starts.size(); ++i) {
        const qsizetype end = i + 1 < starts.size() ? starts[i + 1].first : FXrefOffset;
        const int number = starts[i].second;
        const QByteArrayView text = FSource.sliced(starts[i].first, end - starts[i].first);
        if (!text.startsWith(QByteArray::number(number) + ' ') || !text.contains("endobj"))
            malformed("a cross-reference entry does not point at its object");
        if (!FObjects.emplace(number, Object{starts[i].first, end}).second)
            malformed("an object is listed twice");
    }
    if (FRoot == 0 || !FObjects.count(FRoot) || (FInfo != 0 && !FObjects.count(FInfo)))
        malformed("the trailer names no catalog");
}

void TkavPDFRewriter::readPages()
{
    const auto dict = [this](int number) {
        const QByteArrayView view = objectDict(number);
        return QByteArray::fromRawData(view.data(), view.size());
    };
    const int tree = refOf(dict(FRoot), "/Pages");
    if (tree == 0)
        malformed("the catalog names no page tree");
    // Pages in document order; Qt writes one flat level, deeper trees are read too.
    const std::function<void(int, QRectF, int)> walk = [&](int number, QRectF box, int depth) {
        if (depth > maxPageTreeDepth)
            malformed("the page tree is too deep");
        const QByteArray node = dict(number);
        if (const auto own = boxOf(node, "/MediaBox"))
            box = *own;
        if (nameOf(node, "/Type") == "Pages") {
            for (const int kid : refsIn(node, "/Kids"))
                walk(kid, box, depth + 1);
            return;
        }
        if (box.isEmpty())
            malformed("a page without a media box");
        Page page{number, 0, box};
        const qsizetype annots = findKey(node, "/Annots");
        if (annots >= 0) {
            Cursor cursor(node, annots);
            page.Annots = cursor.reference();
            if (page.Annots == 0 || !FObjects.count(page.Annots))
                malformed("a page's annotations are not an indirect array");
        }
        FPages.push_back(page);
    };
    walk(tree, QRectF(), 0);
}

void TkavPDFRewriter::renumber()
{
    int next = 1;
    const auto walkFrom = [&](int start) {
        std::vector<int> stack{start};
        while (!stack.empty()) {
            const int number = stack.back();
            stack.pop_back();
            if (FNewNumber.count(number))
                continue;
            if (!FObjects.count(number))
                malformed("a referenced object is missing");
            FNewNumber.emplace(number, next++);
            const QByteArrayView view = objectDict(number);
            std::vector<int> refs;
            mapReferences(QByteArray::fromRawData(view.data(), view.size()), [&refs](int r) {
                refs.push_back(r);
                return QByteArray();
            });
            for (auto it = refs.rbegin(); it != refs.rend(); ++it)
                if (!FNewNumber.count(*it))
                    stack.push_back(*it);
        }
    };
    walkFrom(FRoot);
    if (FInfo != 0)
        walkFrom(FInfo);
    for (const auto &entry : FObjects)
        walkFrom(entry.first);
}

void TkavPDFRewriter::retagFonts()
{
    for (const auto &entry : FObjects) {
        const QByteArrayView view = objectDict(entry.first);
        const QByteArray dict = QByteArray::fromRawData(view.data(), view.size());
        if (nameOf(dict, "/Type") != "FontDescriptor")
            continue;
        const QByteArray name = nameOf(dict, "/FontName");
        const qsizetype plus = name.indexOf('+');
        if (plus != 6)
            continue;
        int file = 0;
        for (const char *key : {"/FontFile2", "/FontFile", "/FontFile3"})
            if (!file)
                file = refOf(dict, key);
        if (!file)
            continue;
        const QByteArray base = name.mid(plus + 1);
        QCryptographicHash hash(QCryptographicHash::Md5);
        hash.addData(base);
        hash.addData(streamData(objectText(file)));
        const QByteArray digest = hash.result();
        QByteArray tag;
        for (int i = 0; i < 6; ++i)
            tag += char('A' + quint8(digest.at(i)) % 26);
        FFontNames[name] = tag + '+' + base;
    }
}

QByteArray TkavPDFRewriter::taggedBaseFont(const QByteArray &Dict, int Depth) const
{
    if (const int descriptor = refOf(Dict, "/FontDescriptor")) {
        const QByteArrayView view = objectDict(descriptor);
        const QByteArray name = nameOf(QByteArray::fromRawData(view.data(), view.size()),
                                       "/FontName");
        const auto found = FFontNames.find(name);
        return found != FFontNames.end() ? found->second : name;
    }
    const std::vector<int> descendants = refsIn(Dict, "/DescendantFonts");
    if (descendants.size() != 1 || Depth > 0)
        return {};
    const QByteArrayView view = objectDict(descendants.front());
    return taggedBaseFont(QByteArray::fromRawData(view.data(), view.size()), Depth + 1);
}

QByteArray TkavPDFRewriter::rewritten(int Number) const
{
    const QByteArrayView text = objectText(Number);
    const QByteArrayView view = objectDict(Number);
    const qsizetype dictEnd = (view.data() - text.data()) + view.size();
    QByteArray dict = view.toByteArray();
    if (dict.contains('+')) {
        for (const auto &[from, to] : FFontNames)
            dict.replace('/' + from, '/' + to);
    }
    // Qt tags the descriptor's FontName but not the fonts' BaseFont; readers see a subset
    // only when BaseFont carries the tag too.
    if (nameOf(dict, "/Type") == "Font") {
        const QByteArray base = nameOf(dict, "/BaseFont");
        if (!base.isEmpty() && !base.contains('+')) {
            const QByteArray tagged = taggedBaseFont(view.toByteArray(), 0);
            if (tagged.indexOf('+') == 6 && tagged.mid(7) == base)
                dict.replace("/BaseFont /" + base, "/BaseFont /" + tagged);
        }
    }
    dict = mapReferences(dict, [this](int reference) {
        const auto found = FNewNumber.find(reference);
        if (found == FNewNumber.end())
            malformed("a referenced object is missing");
        return ref(found->second);
    });
    return QByteArray::number(FNewNumber.at(Number)) + " 0 obj" + dict
           + text.sliced(dictEnd).toByteArray();
}

// --- writing ---------------------------------------------------------------------------------

void TkavPDFRewriter::Write(TStream &Out,
                            const TkavPDFInfo &Info,
                            const std::vector<TkavPDFOutlineItem> &Outline,
                            const std::vector<TkavPDFLink> &Links) const
{
    int next = int(FNewNumber.size()) + 1;
    const auto newNumber = [this](int old) { return FNewNumber.at(old); };
    const int info = FInfo != 0 ? newNumber(FInfo) : next++;
    const auto pageRef = [&](int page) { return ref(newNumber(FPages.at(size_t(page)).Number)); };
    const auto destination = [&](const TkavPDFDestination &target) {
        const QRectF box = FPages.at(size_t(target.Page)).MediaBox;
        return '[' + pageRef(target.Page) + " /XYZ " + num(box.left()) + ' '
               + num(box.bottom() - target.Top) + " null]";
    };

    // Link annotations, numbered per page.
    std::map<int, std::vector<int>> pageAnnots; // page index -> annotation objects
    std::vector<std::pair<int, QByteArray>> added;
    for (const TkavPDFLink &link : Links) {
        if (link.Page < 0 || link.Page >= PageCount())
            continue;
        const bool toURI = !link.URI.isEmpty();
        if (!toURI && (link.Target.Page < 0 || link.Target.Page >= PageCount()))
            continue;
        const QRectF box = FPages[size_t(link.Page)].MediaBox;
        const QRectF r = link.Rect.normalized();
        QByteArray text = "<<\n/Type /Annot\n/Subtype /Link\n/Rect [" + num(box.left() + r.left())
                          + ' ' + num(box.bottom() - r.bottom()) + ' '
                          + num(box.left() + r.right()) + ' ' + num(box.bottom() - r.top())
                          + "]\n/Border [0 0 0]\n/P " + pageRef(link.Page) + '\n';
        if (toURI)
            text += "/A << /S /URI /URI "
                    + literal(QUrl(link.URI, QUrl::TolerantMode).toEncoded()) + " >>\n";
        else
            text += "/A << /S /GoTo /D " + destination(link.Target) + " >>\n";
        text += ">>";
        pageAnnots[link.Page].push_back(next);
        added.emplace_back(next++, text);
    }

    // The outline.
    std::vector<FlatItem> flat;
    const int outlineRoot = Outline.empty() ? 0 : next++;
    const std::vector<size_t> top = flatten(Outline, outlineRoot, flat, next);
    if (outlineRoot != 0) {
        int count = 0;
        for (const size_t index : top)
            count += 1 + flat[index].Count;
        added.emplace_back(outlineRoot,
                           "<<\n/Type /Outlines\n/First " + ref(flat[top.front()].Number)
                               + "\n/Last " + ref(flat[top.back()].Number) + "\n/Count "
                               + QByteArray::number(count) + "\n>>");
    }
    for (const FlatItem &item : flat) {
        QByteArray text = "<<\n/Title " + textString(item.Item->Title) + "\n/Parent "
                          + ref(item.Parent) + '\n';
        if (item.Prev)
            text += "/Prev " + ref(item.Prev) + '\n';
        if (item.Next)
            text += "/Next " + ref(item.Next) + '\n';
        if (item.First)
            text += "/First " + ref(item.First) + "\n/Last " + ref(item.Last) + "\n/Count "
                    + QByteArray::number(item.Count) + '\n';
        const TkavPDFDestination &target = item.Item->Target;
        if (target.Page >= 0 && target.Page < PageCount())
            text += "/Dest " + destination(target) + '\n';
        added.emplace_back(item.Number, text + ">>");
    }

    // Replacements of Qt's objects, by their old numbers.
    const auto objectWith = [](int number, const QByteArray &body) {
        return QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    };
    std::map<int, QByteArray> replaced;
    QByteArray infoDict = "<<\n/Title " + textString(Info.Title) + "\n/Creator "
                          + textString(Info.Creator) + "\n/Producer " + textString(Info.Producer)
                          + '\n';
    if (Info.CreationDate.isValid())
        infoDict += "/CreationDate " + literal(dateString(Info.CreationDate)) + '\n';
    const QByteArray infoObject = objectWith(info, infoDict + ">>");
    if (FInfo != 0)
        replaced[FInfo] = infoObject;
    if (outlineRoot != 0)
        replaced[FRoot] = insertIntoDict(rewritten(FRoot),
                                         "/Outlines " + ref(outlineRoot)
                                             + "\n/PageMode /UseOutlines\n");
    for (const auto &[page, annots] : pageAnnots) {
        QByteArray array = "[";
        for (const int annot : annots)
            array += ' ' + ref(annot);
        array += " ]";
        const Page &p = FPages[size_t(page)];
        if (p.Annots != 0) // Qt's own array is empty: it never writes links for us
            replaced[p.Annots] = objectWith(newNumber(p.Annots), array);
        else
            replaced[p.Number] = insertIntoDict(rewritten(p.Number), "/Annots " + array + '\n');
    }

    Sink sink(Out);
    std::vector<qint64> offsets(size_t(next), -1);
    qsizetype headerEnd = FXrefOffset; // the file's header: everything before the first object
    for (const auto &entry : FObjects)
        headerEnd = std::min(headerEnd, entry.second.Offset);
    sink.put(FSource.first(headerEnd));
    std::vector<int> order(FNewNumber.size() + 1, 0); // new number -> old
    for (const auto &[old, renumbered] : FNewNumber)
        order[size_t(renumbered)] = old;
    for (size_t number = 1; number < order.size(); ++number) {
        offsets[number] = sink.position();
        const auto found = replaced.find(order[number]);
        sink.put(found != replaced.end() ? found->second : rewritten(order[number]));
    }
    if (FInfo == 0) {
        offsets[size_t(info)] = sink.position();
        sink.put(infoObject);
    }
    std::sort(added.begin(), added.end());
    for (const auto &[number, body] : added) {
        offsets[size_t(number)] = sink.position();
        sink.put(objectWith(number, body));
    }

    const qint64 xref = sink.position();
    QByteArray table = "xref\n0 " + QByteArray::number(next) + "\n0000000000 65535 f \n";
    for (int number = 1; number < next; ++number) {
        const qint64 offset = offsets[size_t(number)];
        if (offset < 0)
            malformed("an object was not written");
        table += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    }
    const QByteArray id = sink.digest();
    sink.put(table);
    sink.put("trailer\n<<\n/Size " + QByteArray::number(next) + "\n/Root "
             + ref(newNumber(FRoot)) + "\n/Info " + ref(info) + "\n/ID [<" + id + "> <" + id
             + ">]\n>>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n");
}
