#pragma once

// TkavPDFCanvas: the paint device of one PDF page. What is painted on it becomes the page's
// content stream; fonts, pictures and opacities become resources of its writer.

#include <prepared/kavGlyphSink.h>

#include <QByteArray>
#include <QPaintDevice>
#include <QSizeF>

#include <memory>

class TkavPDFWriter;
class TkavPDFEngine;

class TkavPDFCanvas : public QPaintDevice, public IkavGlyphSink
{
public:
    // A page of Size points drawn at Resolution dots per inch.
    TkavPDFCanvas(TkavPDFWriter &Writer, QSizeF Size, int Resolution);
    ~TkavPDFCanvas() override;

    QPaintEngine *paintEngine() const override;
    // The content stream drawn so far (uncompressed); the canvas starts empty again.
    QByteArray TakeContent();

    void DrawGlyphs(QPainter &Painter,
                    const QRawFont &Font,
                    const QList<quint32> &Glyphs,
                    const QList<QPointF> &Positions,
                    const QList<QStringView> &Chars,
                    bool Underline,
                    bool StrikeOut) override;

protected:
    int metric(PaintDeviceMetric Metric) const override;

private:
    QSizeF FSize;
    int FResolution;
    std::unique_ptr<TkavPDFEngine> FEngine;
};
