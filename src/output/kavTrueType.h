#pragma once

// TkavTrueTypeFont: the tables of a TrueType face that a PDF needs (metrics, outlines) and
// a subset of the face that keeps the glyph numbers but only the outlines drawn.

#include <QByteArray>
#include <QRawFont>
#include <QRect>
#include <QString>

#include <map>
#include <set>

class TkavTrueTypeFont
{
public:
    // Reads the face's tables; a face without TrueType outlines (CFF) is not valid.
    explicit TkavTrueTypeFont(const QRawFont &Font);

    bool IsValid() const { return FValid; }
    int UnitsPerEm() const { return FUnitsPerEm; }
    QRect BoundingBox() const { return FBox; } // font units, y up
    int Ascent() const { return FAscent; }
    int Descent() const { return FDescent; }
    bool Italic() const { return FItalic; }
    // The advance width of Glyph in thousandths of the font size.
    double Width(quint32 Glyph) const;
    // Where Glyph's outline lies, in font units from its origin (y up); empty for a glyph
    // without outline.
    QRect GlyphBox(quint32 Glyph) const;
    QString PostScriptName() const { return FPostScriptName; }
    // A font file of the face with the outlines of Glyphs (and of their components) only;
    // every glyph keeps its number.
    QByteArray Subset(const std::set<quint32> &Glyphs) const;

private:
    QByteArray table(const char *Tag) const;
    qint64 glyphOffset(quint32 Glyph) const;
    void addComponents(quint32 Glyph, std::set<quint32> &Glyphs, int Depth) const;

    bool FValid = false;
    std::map<QByteArray, QByteArray> FTables;
    QByteArray FHmtx; // shared with FTables: looked up for every glyph drawn
    QByteArray FGlyf;
    QByteArray FLoca;
    int FUnitsPerEm = 1000;
    QRect FBox;
    int FAscent = 0;
    int FDescent = 0;
    bool FItalic = false;
    bool FLongLoca = false;
    int FGlyphCount = 0;
    int FMetricCount = 0;
    QString FPostScriptName;
};
