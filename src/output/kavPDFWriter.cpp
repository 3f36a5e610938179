#include "kavPDFWriter.h"
#include "kavPDFCanvas.h"
#include "kavTrueType.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavStreams.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>
#include <QImageWriter>
#include <QUrl>

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Written objects go out in pieces of this size.
constexpr qsizetype bufferSize = 1 << 16;
// Fonts seen at other sizes are looked up again past this many.
constexpr size_t rawFontCache = 32;
// Quality of an opaque colour picture stored as JPEG (when that is the smaller form).
constexpr int jpegQuality = 94;

// Numbers in the shortest fixed form: "12.5", "0", "-3.25".
QByteArray num(double value)
{
    QByteArray text;
    kavPDFAppendNumber(text, value);
    return text;
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

QByteArray deflated(QByteArrayView data, int level)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef *>(out.data()), &size,
                  reinterpret_cast<const Bytef *>(data.data()), uLong(data.size()), level) != Z_OK)
        throw EkavError(u"Cannot compress a PDF stream"_s);
    out.truncate(qsizetype(size));
    return out;
}

// Six capital letters naming a subset, derived from what it holds.
QByteArray subsetTag(const QString &name, const std::set<quint32> &glyphs)
{
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(name.toUtf8());
    for (const quint32 glyph : glyphs)
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(&glyph), sizeof glyph));
    const QByteArray digest = hash.result();
    QByteArray tag;
    for (int i = 0; i < 6; ++i)
        tag += char('A' + quint8(digest[i]) % 26);
    return tag;
}

QByteArray hex16(quint32 value)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(4, '0');
}

// The CMap that maps glyph numbers back to text, for search and copying.
QByteArray toUnicodeCMap(const std::map<quint32, QString> &text)
{
    QByteArray out = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                     "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                     "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    std::vector<std::pair<quint32, QString>> entries(text.begin(), text.end());
    for (size_t i = 0; i < entries.size(); i += 100) {
        const size_t n = std::min<size_t>(100, entries.size() - i);
        out += QByteArray::number(qulonglong(n)) + " beginbfchar\n";
        for (size_t k = i; k < i + n; ++k) {
            out += '<' + hex16(entries[k].first) + "> <";
            for (const QChar c : entries[k].second)
                out += hex16(c.unicode());
            out += ">\n";
        }
        out += "endbfchar\n";
    }
    return out + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

} // namespace

void kavPDFAppendNumber(QByteArray &out, double value, int decimals)
{
    static constexpr double scales[] = {1, 10, 100, 1000, 10000};
    // Beyond this no viewer draws anything, and the integer arithmetic below stays exact.
    constexpr double largest = 1e12;
    value = std::isfinite(value) ? std::clamp(value, -largest, largest) : 0;
    const double scale = scales[decimals];
    long long n = std::llround(value * scale);
    if (n < 0) { // a value that rounds to 0 has no sign
        out += '-';
        n = -n;
    }
    const long long whole = n / (long long)scale;
    long long part = n % (long long)scale;
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, whole).ptr - buffer);
    if (part == 0)
        return;
    int digits = decimals;
    while (part % 10 == 0) {
        part /= 10;
        --digits;
    }
    char fraction[8];
    for (int i = digits - 1; i >= 0; --i, part /= 10)
        fraction[i] = char('0' + part % 10);
    out += '.';
    out.append(fraction, digits);
}

TkavPDFWriter::TkavPDFWriter(TStream &Out)
    : FOut(Out)
    , FHash(std::make_unique<QCryptographicHash>(QCryptographicHash::Md5))
{
    put("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
    FCatalog = newObject();
    FPageTree = newObject();
    FResources = newObject();
}

TkavPDFWriter::~TkavPDFWriter() = default;

int TkavPDFWriter::newObject()
{
    FOffsets.push_back(-1);
    return int(FOffsets.size()) - 1;
}

void TkavPDFWriter::put(QByteArrayView Bytes)
{
    FBuffer += Bytes;
    FPosition += Bytes.size();
    if (FBuffer.size() >= bufferSize)
        flush();
}

void TkavPDFWriter::flush()
{
    FHash->addData(FBuffer);
    FOut.WriteBuffer(FBuffer.constData(), FBuffer.size());
    FBuffer.clear();
}

void TkavPDFWriter::writeObject(int Number, QByteArrayView Body)
{
    FOffsets[size_t(Number)] = FPosition;
    put(QByteArray::number(Number) + " 0 obj\n");
    put(Body);
    put("\nendobj\n");
}

void TkavPDFWriter::writeStream(int Number, QByteArrayView Dict, QByteArrayView Data)
{
    writePacked(Number, Dict, deflated(Data, Z_DEFAULT_COMPRESSION), "FlateDecode");
}

void TkavPDFWriter::writePacked(int Number, QByteArrayView Dict, QByteArrayView Data, QByteArrayView Filter)
{
    FOffsets[size_t(Number)] = FPosition;
    put(QByteArray::number(Number) + " 0 obj\n<<\n" + Dict.toByteArray() + "/Length "
        + QByteArray::number(Data.size()) + "\n/Filter /" + Filter.toByteArray() + "\n>>\nstream\n");
    put(Data);
    put("\nendstream\nendobj\n");
}

void TkavPDFWriter::finishPacking()
{
    if (FPacking.valid())
        writePacked(FPackingObject, {}, FPacking.get(), "FlateDecode");
}

QPaintDevice &TkavPDFWriter::BeginPage(QSizeF Size, int Resolution)
{
    if (FFinished || FCanvas)
        throw EkavError(u"A PDF page was started out of order"_s);
    FPages.push_back({newObject(), 0, Size});
    FCanvas = std::make_unique<TkavPDFCanvas>(*this, Size, Resolution);
    return *FCanvas;
}

void TkavPDFWriter::EndPage()
{
    if (!FCanvas)
        return;
    QByteArray content = FCanvas->TakeContent();
    FCanvas.reset();
    // Raw fonts are good only on the thread that drew with them: none outlives its page.
    FRawFonts.clear();
    PageEntry &page = FPages.back();
    page.Content = newObject();
    finishPacking();
    FPackingObject = page.Content;
    FPacking = std::async(std::launch::async, [content = std::move(content)] {
        return deflated(content, Z_DEFAULT_COMPRESSION);
    });
}

TkavPDFWriter::Font &TkavPDFWriter::FontOf(const QRawFont &Raw)
{
    for (auto it = FRawFonts.begin(); it != FRawFonts.end(); ++it)
        if (it->first == Raw) {
            if (it != FRawFonts.begin())
                std::iter_swap(it, FRawFonts.begin());
            return *FRawFonts.front().second;
        }
    // Names and the face's own stamp (checksum and date of its header): two files that share
    // a name do not share glyph numbers.
    const QByteArray head = Raw.fontTable("head");
    const QString key = Raw.familyName() + u'|' + Raw.styleName() + u'|'
                        + QString::number(Raw.weight()) + u'|' + QString::number(int(Raw.style()))
                        + u'|' + QString::fromLatin1((head.mid(8, 4) + head.mid(20, 16)).toHex());
    Font *font = nullptr;
    if (const auto found = FFaceFonts.find(key); found != FFaceFonts.end()) {
        font = found->second;
    } else {
        auto made = std::make_unique<Font>();
        made->Face = std::make_unique<TkavTrueTypeFont>(Raw);
        made->Name = "F" + QByteArray::number(qulonglong(FFonts.size() + 1));
        made->Object = newObject();
        font = made.get();
        FFonts.push_back(std::move(made));
        FFaceFonts.emplace(key, font);
    }
    if (FRawFonts.size() >= rawFontCache)
        FRawFonts.pop_back();
    FRawFonts.insert(FRawFonts.begin(), {Raw, font});
    return *font;
}

QByteArray TkavPDFWriter::ImageName(const QImage &Image, const QRect &Source, qint64 Key)
{
    const std::array<qint64, 5> key{Key, Source.x(), Source.y(), Source.width(), Source.height()};
    if (const auto found = FImages.find(key); found != FImages.end())
        return found->second;
    const QImage part = (Source == Image.rect() ? Image : Image.copy(Source));
    // A picture rebuilt for every page (a logo in the header) is a new image each time:
    // its pixels tell that it is stored already.
    QCryptographicHash digest(QCryptographicHash::Md5);
    digest.addData(QByteArray::number(part.width()) + 'x' + QByteArray::number(part.height()) + '@'
                   + QByteArray::number(int(part.format())));
    const qsizetype lineBytes = qsizetype(part.width()) * part.depth() / 8; // not the padding
    for (int y = 0; y < part.height(); ++y)
        digest.addData(QByteArrayView(reinterpret_cast<const char *>(part.constScanLine(y)), lineBytes));
    const QByteArray content = digest.result();
    if (const auto same = FImageContents.find(content); same != FImageContents.end()) {
        FImages.emplace(key, same->second);
        return same->second;
    }
    const QImage mask = part.hasAlphaChannel() ? part.convertToFormat(QImage::Format_Alpha8) : QImage();
    bool alpha = false; // a mask only where some pixel is not opaque
    for (int y = 0; y < mask.height() && !alpha; ++y) {
        const uchar *line = mask.constScanLine(y);
        alpha = std::any_of(line, line + mask.width(), [](uchar a) { return a != 255; });
    }
    const QImage rgb = part.convertToFormat(QImage::Format_RGB888);
    QByteArray pixels;
    pixels.reserve(qsizetype(rgb.width()) * rgb.height() * 3);
    for (int y = 0; y < rgb.height(); ++y)
        pixels.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), qsizetype(rgb.width()) * 3);
    const QByteArray size = "/Width " + QByteArray::number(rgb.width()) + "\n/Height "
                            + QByteArray::number(rgb.height()) + "\n/BitsPerComponent 8\n";
    const QByteArray name = "Im" + QByteArray::number(qulonglong(FImageObjects.size() + 1));
    const int object = newObject();
    QByteArray dict = "/Type /XObject\n/Subtype /Image\n" + size + "/ColorSpace /DeviceRGB\n";
    if (alpha) {
        QByteArray alphas;
        for (int y = 0; y < mask.height(); ++y)
            alphas.append(reinterpret_cast<const char *>(mask.constScanLine(y)), mask.width());
        const int maskObject = newObject();
        writeStream(maskObject, "/Type /XObject\n/Subtype /Image\n" + size + "/ColorSpace /DeviceGray\n",
                    alphas);
        dict += "/SMask " + ref(maskObject) + '\n';
    }
    // A photograph is far smaller as JPEG; a drawing or a picture with alpha stays exact.
    QByteArray jpeg;
    if (!alpha && pixels.size() > 3 * 64 * 64) {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(jpegQuality);
        if (!writer.write(rgb))
            jpeg.clear();
    }
    const QByteArray packed = deflated(pixels, Z_DEFAULT_COMPRESSION);
    if (!jpeg.isEmpty() && jpeg.size() * 2 < packed.size())
        writePacked(object, dict, jpeg, "DCTDecode");
    else
        writePacked(object, dict, packed, "FlateDecode");
    FImages.emplace(key, name);
    FImageContents.emplace(content, name);
    FImageObjects.emplace_back(name, object);
    return name;
}

QByteArray TkavPDFWriter::AlphaName(int Fill, int Stroke)
{
    const auto key = std::make_pair(Fill, Stroke);
    if (const auto found = FAlphas.find(key); found != FAlphas.end())
        return found->second;
    const QByteArray name = "GS" + QByteArray::number(qulonglong(FAlphas.size() + 1));
    const int object = newObject();
    writeObject(object, "<<\n/Type /ExtGState\n/ca " + num(Fill / 255.0) + "\n/CA "
                            + num(Stroke / 255.0) + "\n>>");
    FAlphas.emplace(key, name);
    FAlphaObjects.emplace_back(name, object);
    return name;
}

void TkavPDFWriter::writeFonts()
{
    for (const auto &font : FFonts) {
        const TkavTrueTypeFont &face = *font->Face;
        if (!face.IsValid()) {
            // Drawn as outlines; the name still resolves for a viewer.
            writeObject(font->Object, "<<\n/Type /Font\n/Subtype /Type1\n/BaseFont /Helvetica\n>>");
            continue;
        }
        const QByteArray baseName = subsetTag(face.PostScriptName(), font->Glyphs) + '+'
                                    + face.PostScriptName().toLatin1();
        const int file = newObject(), descriptor = newObject(), cid = newObject(), unicode = newObject();
        const QByteArray subset = face.Subset(font->Glyphs);
        writeStream(file, "/Length1 " + QByteArray::number(subset.size()) + '\n', subset);
        const double unit = 1000.0 / face.UnitsPerEm();
        const QRect box = face.BoundingBox();
        writeObject(descriptor,
                    "<<\n/Type /FontDescriptor\n/FontName /" + baseName + "\n/Flags 4\n/FontBBox ["
                        + num(box.left() * unit) + ' ' + num(box.top() * unit) + ' '
                        + num(box.right() * unit) + ' ' + num(box.bottom() * unit) + "]\n/ItalicAngle "
                        + (face.Italic() ? "-12" : "0") + "\n/Ascent " + num(face.Ascent() * unit)
                        + "\n/Descent " + num(face.Descent() * unit) + "\n/CapHeight "
                        + num(face.Ascent() * unit) + "\n/StemV 80\n/FontFile2 " + ref(file) + "\n>>");
        QByteArray widths = "[";
        quint32 previous = UINT_MAX;
        for (const quint32 glyph : font->Glyphs) {
            widths += glyph == previous + 1 ? " " : "] " + QByteArray::number(glyph) + " [";
            widths += num(face.Width(glyph));
            previous = glyph;
        }
        widths = widths.size() > 1 ? widths.mid(2) + ']' : QByteArray();
        writeObject(cid, "<<\n/Type /Font\n/Subtype /CIDFontType2\n/BaseFont /" + baseName
                             + "\n/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                               "\n/FontDescriptor " + ref(descriptor) + "\n/CIDToGIDMap /Identity\n/W ["
                             + widths + "]\n>>");
        writeStream(unicode, {}, toUnicodeCMap(font->Text));
        writeObject(font->Object, "<<\n/Type /Font\n/Subtype /Type0\n/BaseFont /" + baseName
                                      + "\n/Encoding /Identity-H\n/DescendantFonts [" + ref(cid)
                                      + "]\n/ToUnicode " + ref(unicode) + "\n>>");
    }
}

QByteArray TkavPDFWriter::destination(const TkavPDFDestination &Target) const
{
    const PageEntry &page = FPages.at(size_t(Target.Page));
    return '[' + ref(page.Object) + " /XYZ 0 " + num(page.Size.height() - Target.Top) + " null]";
}

void TkavPDFWriter::Finish(const TkavPDFInfo &Info,
                           const std::vector<TkavPDFOutlineItem> &Outline,
                           const std::vector<TkavPDFLink> &Links)
{
    if (FFinished)
        return;
    EndPage();
    finishPacking();
    FFinished = true;
    writeFonts();

    QByteArray resources = "<<\n/ProcSet [/PDF /Text /ImageB /ImageC]\n";
    const auto names = [&resources](const char *kind, const auto &entries) {
        if (entries.empty())
            return;
        resources += QByteArray("/") + kind + " <<";
        for (const auto &[name, object] : entries)
            resources += " /" + name + ' ' + ref(object);
        resources += " >>\n";
    };
    std::vector<std::pair<QByteArray, int>> fonts;
    for (const auto &font : FFonts)
        fonts.emplace_back(font->Name, font->Object);
    names("Font", fonts);
    names("XObject", FImageObjects);
    names("ExtGState", FAlphaObjects);
    writeObject(FResources, resources + ">>");

    // Link annotations, by page.
    std::map<int, std::vector<int>> annots;
    for (const TkavPDFLink &link : Links) {
        if (link.Page < 0 || link.Page >= PageCount())
            continue;
        const bool toURI = !link.URI.isEmpty();
        if (!toURI && (link.Target.Page < 0 || link.Target.Page >= PageCount()))
            continue;
        const double height = FPages[size_t(link.Page)].Size.height();
        const QRectF r = link.Rect.normalized();
        QByteArray text = "<<\n/Type /Annot\n/Subtype /Link\n/Rect [" + num(r.left()) + ' '
                          + num(height - r.bottom()) + ' ' + num(r.right()) + ' '
                          + num(height - r.top()) + "]\n/Border [0 0 0]\n/P "
                          + ref(FPages[size_t(link.Page)].Object) + '\n';
        if (toURI)
            text += "/A << /S /URI /URI " + literal(QUrl(link.URI, QUrl::TolerantMode).toEncoded()) + " >>\n";
        else
            text += "/A << /S /GoTo /D " + destination(link.Target) + " >>\n";
        const int object = newObject();
        writeObject(object, text + ">>");
        annots[link.Page].push_back(object);
    }

    QByteArray kids;
    for (size_t i = 0; i < FPages.size(); ++i) {
        const PageEntry &page = FPages[i];
        QByteArray text = "<<\n/Type /Page\n/Parent " + ref(FPageTree) + "\n/MediaBox [0 0 "
                          + num(page.Size.width()) + ' ' + num(page.Size.height()) + "]\n/Resources "
                          + ref(FResources) + "\n/Contents " + ref(page.Content) + '\n';
        if (const auto found = annots.find(int(i)); found != annots.end()) {
            text += "/Annots [";
            for (const int annot : found->second)
                text += ' ' + ref(annot);
            text += " ]\n";
        }
        writeObject(page.Object, text + ">>");
        kids += (i ? " " : "") + ref(page.Object);
    }
    writeObject(FPageTree, "<<\n/Type /Pages\n/Kids [" + kids + "]\n/Count "
                               + QByteArray::number(PageCount()) + "\n>>");

    // The outline.
    std::vector<FlatItem> flat;
    int next = int(FOffsets.size());
    const int outlineRoot = Outline.empty() ? 0 : next++;
    const std::vector<size_t> top = flatten(Outline, outlineRoot, flat, next);
    FOffsets.resize(size_t(next), -1);
    if (outlineRoot != 0) {
        int count = 0;
        for (const size_t index : top)
            count += 1 + flat[index].Count;
        writeObject(outlineRoot, "<<\n/Type /Outlines\n/First " + ref(flat[top.front()].Number)
                                     + "\n/Last " + ref(flat[top.back()].Number) + "\n/Count "
                                     + QByteArray::number(count) + "\n>>");
    }
    for (const FlatItem &item : flat) {
        QByteArray text = "<<\n/Title " + textString(item.Item->Title) + "\n/Parent " + ref(item.Parent) + '\n';
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
        writeObject(item.Number, text + ">>");
    }

    const int info = newObject();
    QByteArray infoDict = "<<\n/Title " + textString(Info.Title) + "\n/Creator " + textString(Info.Creator)
                          + "\n/Producer " + textString(Info.Producer) + '\n';
    if (Info.CreationDate.isValid())
        infoDict += "/CreationDate " + literal(dateString(Info.CreationDate)) + '\n';
    writeObject(info, infoDict + ">>");
    QByteArray catalog = "<<\n/Type /Catalog\n/Pages " + ref(FPageTree) + '\n';
    if (outlineRoot != 0)
        catalog += "/Outlines " + ref(outlineRoot) + "\n/PageMode /UseOutlines\n";
    writeObject(FCatalog, catalog + ">>");

    const qint64 xref = FPosition;
    QByteArray table = "xref\n0 " + QByteArray::number(qulonglong(FOffsets.size())) + "\n0000000000 65535 f \n";
    for (size_t number = 1; number < FOffsets.size(); ++number) {
        if (FOffsets[number] < 0)
            throw EkavError(u"PDF object %1 was not written"_s.arg(number));
        table += QByteArray::number(FOffsets[number]).rightJustified(10, '0') + " 00000 n \n";
    }
    flush();
    const QByteArray id = FHash->result().toHex().toUpper();
    put(table);
    put("trailer\n<<\n/Size " + QByteArray::number(qulonglong(FOffsets.size())) + "\n/Root " + ref(FCatalog)
        + "\n/Info " + ref(info) + "\n/ID [<" + id + "> <" + id + ">]\n>>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n");
    flush();
}
