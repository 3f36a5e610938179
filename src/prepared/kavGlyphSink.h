#pragma once

// IkavGlyphSink: a paint device that takes placed glyphs together with the characters they
// stand for, so a document format can keep the text searchable (a glyph run alone carries
// only glyph numbers).


#include <rtl/kavCast.h>

#include <QList>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRawFont>
#include <QStringView>

class IkavGlyphSink
{
public:
    virtual ~IkavGlyphSink() = default;
    // Draws Glyphs of Font at Positions (logical coordinates of Painter, baseline points)
    // in the painter's pen colour; Chars[i] is the text glyph i stands for.
    virtual void DrawGlyphs(QPainter &Painter,
                            const QRawFont &Font,
                            const QList<quint32> &Glyphs,
                            const QList<QPointF> &Positions,
                            const QList<QStringView> &Chars,
                            bool Underline,
                            bool StrikeOut)
        = 0;
};

// The underline and strike-out bars of glyphs placed on one baseline, in the glyphs'
// coordinates. Every device draws them from this (raster glyph runs leave them out).
QPainterPath kavGlyphDecorations(const QRawFont &Font,
                                 const QList<quint32> &Glyphs,
                                 const QList<QPointF> &Positions,
                                 bool Underline,
                                 bool StrikeOut);

// The sink Painter draws on, or null.
inline IkavGlyphSink *kavGlyphSinkOf(const QPainter &Painter)
{
    return kavCast<IkavGlyphSink>(Painter.device());
}
