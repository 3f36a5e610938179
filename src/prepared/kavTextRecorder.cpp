#include "kavTextRecorder.h"

#include <rtl/kavCast.h>

#include <QPaintEngine>
#include <QPainter>

namespace {

// Draws nothing; text items that carry their characters are recorded (memo texts record
// themselves line by line, since they go out as glyph runs without characters).
class RecordingEngine : public QPaintEngine
{
public:
    explicit RecordingEngine(TkavTextRecorder &Recorder)
        : QPaintEngine(QPaintEngine::AllFeatures)
        , FRecorder(Recorder)
    {
    }

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    Type type() const override { return QPaintEngine::User; }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawImage(const QRectF &, const QImage &, const QRectF &, Qt::ImageConversionFlags) override {}
    void drawTiledPixmap(const QRectF &, const QPixmap &, const QPointF &) override {}
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    void drawPolygon(const QPoint *, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath &) override {}
    void drawRects(const QRectF *, int) override {}
    void drawRects(const QRect *, int) override {}
    void drawLines(const QLineF *, int) override {}
    void drawLines(const QLine *, int) override {}
    void drawEllipse(const QRectF &) override {}
    void drawPoints(const QPointF *, int) override {}
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        const QString text = item.text();
        if (text.isEmpty())
            return;
        const QRectF local(p.x(), p.y() - item.ascent(), item.width(), item.ascent() + item.descent());
        FRecorder.Add(text, painter()->combinedTransform().mapRect(local));
    }

private:
    TkavTextRecorder &FRecorder;
};

} // namespace

TkavTextRecorder::TkavTextRecorder(QSize Size)
    : FSize(Size.expandedTo(QSize(1, 1)))
    , FEngine(std::make_unique<RecordingEngine>(*this))
{
}

TkavTextRecorder::~TkavTextRecorder() = default;

QPaintEngine *TkavTextRecorder::paintEngine() const
{
    return FEngine.get();
}

void TkavTextRecorder::Add(const QString &Text, const QRectF &Bounds)
{
    FRecords.push_back({Text, Bounds});
}

int TkavTextRecorder::metric(PaintDeviceMetric Metric) const
{
    switch (Metric) {
    case PdmWidth:
        return FSize.width();
    case PdmHeight:
        return FSize.height();
    case PdmWidthMM:
        return qRound(FSize.width() * 25.4 / 96);
    case PdmHeightMM:
        return qRound(FSize.height() * 25.4 / 96);
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 96;
    case PdmDepth:
        return 32;
    case PdmNumColors:
        return 0x7fffffff;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

TkavTextRecorder *kavTextRecorderOf(const QPainter &Painter)
{
    return kavCast<TkavTextRecorder>(Painter.device());
}
