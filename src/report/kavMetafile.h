#pragma once

// Windows metafile pictures (placeable WMF and EMF) played onto any painter: lines,
// polylines, polygons, Bézier curves, paths, rectangles, ellipses, text, pens, brushes,
// fonts and the coordinate mapping. Records of other kinds (bitmaps, regions, palettes
// used for drawing) are skipped and counted, so the loader can say what is missing.

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

class QPainter;

class TkavMetafile
{
public:
    // Reads a placeable WMF or an EMF (checking every record against its bounds); false
    // when the header is damaged, which NotDrawn then says.
    bool Load(QByteArrayView data);
    // The picture's size in screen pixels (96 per inch).
    QSizeF Size() const { return FSize; }
    // Draws the picture scaled into target (in the painter's coordinates).
    void Play(QPainter &painter, const QRectF &target) const;
    // Records that are not drawn, as one sentence; empty when everything is drawn.
    QString NotDrawn() const;

private:
    QByteArray FData;
    std::vector<QImage> FImages; // the bitmaps of the records, decoded once
    bool FEnhanced = false;
    QSizeF FSize{0, 0};
    int FRecords = 0;
    int FSkipped = 0;
    QString FSkippedKinds;    // "0x0F43, 0x0940"-style list of the first few kinds
    bool FTruncated = false;  // drawn only up to a damaged record
    bool FUnreadable = false; // the header is damaged: nothing is drawn
};
