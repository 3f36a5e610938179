#include "kavTrueType.h"

#include <algorithm>
#include <array>

namespace {

quint32 u16(const QByteArray &data, qsizetype at)
{
    if (at < 0 || at + 2 > data.size())
        return 0;
    return quint32(quint8(data[at])) << 8 | quint8(data[at + 1]);
}

int s16(const QByteArray &data, qsizetype at)
{
    return qint16(quint16(u16(data, at)));
}

quint32 u32(const QByteArray &data, qsizetype at)
{
    return u16(data, at) << 16 | u16(data, at + 2);
}

void put16(QByteArray &out, quint32 value)
{
    out += char(value >> 8 & 0xff);
    out += char(value & 0xff);
}

void put32(QByteArray &out, quint32 value)
{
    put16(out, value >> 16);
    put16(out, value & 0xffff);
}

void set16(QByteArray &data, qsizetype at, quint32 value)
{
    if (at >= 0 && at + 2 <= data.size()) {
        data[at] = char(value >> 8 & 0xff);
        data[at + 1] = char(value & 0xff);
    }
}

quint32 checksum(const QByteArray &data)
{
    quint32 sum = 0;
    for (qsizetype i = 0; i < data.size(); i += 4) {
        quint32 word = 0;
        for (int k = 0; k < 4; ++k)
            word = word << 8 | (i + k < data.size() ? quint8(data[i + k]) : 0);
        sum += word;
    }
    return sum;
}

// Composite glyphs nest rarely more than a few levels; the bound stops a looping font.
constexpr int maxComponentDepth = 8;

QString nameFromTable(const QByteArray &name)
{
    const int count = int(u16(name, 2));
    const qsizetype strings = u16(name, 4);
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 6 + 12 * qsizetype(i);
        const quint32 platform = u16(name, record);
        const quint32 id = u16(name, record + 6);
        const qsizetype length = u16(name, record + 8);
        const qsizetype offset = strings + u16(name, record + 10);
        if (id != 6 || offset + length > name.size())
            continue;
        QString text;
        if (platform == 3 || platform == 0) {
            for (qsizetype k = 0; k + 1 < length; k += 2)
                text += QChar(char16_t(u16(name, offset + k)));
        } else if (platform == 1) {
            text = QString::fromLatin1(name.mid(offset, length));
        }
        // A PostScript name is printable ASCII without spaces or delimiters.
        text.removeIf([](QChar c) {
            return c.unicode() <= 32 || c.unicode() >= 127 || QStringView(u"[](){}<>/%").contains(c);
        });
        if (!text.isEmpty())
            return text;
    }
    return {};
}

} // namespace

TkavTrueTypeFont::TkavTrueTypeFont(const QRawFont &Font)
{
    for (const char *tag : {"head", "hhea", "maxp", "hmtx", "loca", "glyf", "cvt ", "fpgm", "prep"})
        if (QByteArray data = Font.fontTable(tag); !data.isEmpty())
            FTables.emplace(tag, std::move(data));
    const QByteArray &head = table("head");
    const QByteArray &hhea = table("hhea");
    if (head.size() < 54 || hhea.size() < 36 || table("maxp").size() < 6 || table("glyf").isEmpty()
        || table("loca").isEmpty() || table("hmtx").isEmpty())
        return;
    FUnitsPerEm = std::max(16, int(u16(head, 18)));
    FBox = QRect(QPoint(s16(head, 36), s16(head, 38)), QPoint(s16(head, 40), s16(head, 42)));
    FItalic = u16(head, 44) & 2;
    FLongLoca = s16(head, 50) == 1;
    FAscent = s16(hhea, 4);
    FDescent = s16(hhea, 6);
    FMetricCount = int(u16(hhea, 34));
    FGlyphCount = int(u16(table("maxp"), 4));
    FHmtx = table("hmtx");
    FGlyf = table("glyf");
    FLoca = table("loca");
    FValid = FGlyphCount > 0 && FMetricCount > 0 && FHmtx.size() >= 4 * qsizetype(FMetricCount);
    FPostScriptName = nameFromTable(Font.fontTable("name"));
    if (FPostScriptName.isEmpty())
        FPostScriptName = QString(Font.familyName() + u'-' + Font.styleName()).remove(u' ');
}

QByteArray TkavTrueTypeFont::table(const char *Tag) const
{
    const auto found = FTables.find(QByteArray(Tag));
    return found != FTables.end() ? found->second : QByteArray();
}

double TkavTrueTypeFont::Width(quint32 Glyph) const
{
    if (!FValid)
        return 0;
    const int index = std::min(int(Glyph), FMetricCount - 1);
    return u16(FHmtx, 4 * qsizetype(index)) * 1000.0 / FUnitsPerEm;
}

qint64 TkavTrueTypeFont::glyphOffset(quint32 Glyph) const
{
    return FLongLoca ? qint64(u32(FLoca, 4 * qsizetype(Glyph))) : 2 * qint64(u16(FLoca, 2 * qsizetype(Glyph)));
}

QRect TkavTrueTypeFont::GlyphBox(quint32 Glyph) const
{
    if (!FValid || Glyph >= quint32(FGlyphCount))
        return {};
    const qint64 start = glyphOffset(Glyph);
    if (glyphOffset(Glyph + 1) <= start || start + 10 > FGlyf.size())
        return {};
    return QRect(QPoint(s16(FGlyf, start + 2), s16(FGlyf, start + 4)),
                 QPoint(s16(FGlyf, start + 6), s16(FGlyf, start + 8)));
}

void TkavTrueTypeFont::addComponents(quint32 Glyph, std::set<quint32> &Glyphs, int Depth) const
{
    if (Glyph >= quint32(FGlyphCount) || Depth > maxComponentDepth)
        return;
    const qint64 start = glyphOffset(Glyph);
    if (glyphOffset(Glyph + 1) <= start || s16(FGlyf, start) >= 0)
        return;
    // A composite: flags, component number, arguments and an optional transform each.
    qint64 at = start + 10;
    for (int guard = 0; guard < 256 && at + 4 <= FGlyf.size(); ++guard) {
        const quint32 flags = u16(FGlyf, at);
        const quint32 component = u16(FGlyf, at + 2);
        if (Glyphs.insert(component).second)
            addComponents(component, Glyphs, Depth + 1);
        at += 4 + ((flags & 0x1) ? 4 : 2);
        if (flags & 0x8)
            at += 2;
        else if (flags & 0x40)
            at += 4;
        else if (flags & 0x80)
            at += 8;
        if (!(flags & 0x20))
            break;
    }
}

QByteArray TkavTrueTypeFont::Subset(const std::set<quint32> &Glyphs) const
{
    if (!FValid)
        return {};
    std::set<quint32> used = Glyphs;
    used.insert(0); // .notdef stays, as viewers expect
    for (const quint32 glyph : Glyphs)
        addComponents(glyph, used, 0);

    // Outlines of the used glyphs only; loca long so offsets need no halving; advances of
    // the used glyphs only (zeros compress to almost nothing).
    const QByteArray &glyfIn = FGlyf;
    const QByteArray &hmtxIn = FTables.at("hmtx");
    QByteArray glyf, loca, hmtx;
    for (quint32 glyph = 0; glyph < quint32(FGlyphCount); ++glyph) {
        put32(loca, quint32(glyf.size()));
        const bool keep = used.count(glyph) != 0;
        const int metric = std::min(int(glyph), FMetricCount - 1);
        put16(hmtx, keep ? u16(hmtxIn, 4 * qsizetype(metric)) : 0);
        const qsizetype lsbAt = glyph < quint32(FMetricCount) ? 4 * qsizetype(glyph) + 2
                                                              : 4 * qsizetype(FMetricCount) + 2 * qsizetype(glyph - FMetricCount);
        put16(hmtx, keep ? u16(hmtxIn, lsbAt) : 0);
        if (!keep)
            continue;
        const qint64 start = glyphOffset(glyph);
        const qint64 end = std::min<qint64>(glyphOffset(glyph + 1), glyfIn.size());
        if (end > start) {
            glyf += glyfIn.mid(start, end - start);
            while (glyf.size() % 4)
                glyf += '\0';
        }
    }
    put32(loca, quint32(glyf.size()));

    std::map<QByteArray, QByteArray> tables = FTables;
    tables["glyf"] = glyf;
    tables["loca"] = loca;
    tables["hmtx"] = hmtx;
    set16(tables["head"], 50, 1);                       // long loca
    tables["head"].replace(8, 4, QByteArray(4, '\0'));  // checksum adjustment: not needed
    set16(tables["hhea"], 34, quint32(FGlyphCount));    // every glyph has a full metric

    QByteArray file;
    const int count = int(tables.size());
    int power = 1, log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    put32(file, 0x00010000);
    put16(file, quint32(count));
    put16(file, quint32(power * 16));
    put16(file, quint32(log2));
    put16(file, quint32(count * 16 - power * 16));
    quint32 offset = quint32(12 + 16 * count);
    for (const auto &[tag, data] : tables) { // std::map: sorted by tag, as the format asks
        file += tag;
        put32(file, checksum(data));
        put32(file, offset);
        put32(file, quint32(data.size()));
        offset += quint32((data.size() + 3) & ~qsizetype(3));
    }
    for (const auto &[tag, data] : tables) {
        file += data;
        while (file.size() % 4)
            file += '\0';
    }
    return file;
}
