#pragma once

// TkavTextRecorder: a paint device that draws nothing and records the texts drawn on it,
// each with its rectangle in device pixels, in drawing order. Text search draws a page onto
// it and looks through the records.

#include <QPaintDevice>
#include <QRectF>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

class QPainter;
class QPaintEngine;

struct TkavTextRecord
{
    QString Text;
    QRectF Bounds; // device pixels
};

class TkavTextRecorder : public QPaintDevice
{
public:
    // Size in pixels at 96 per inch.
    explicit TkavTextRecorder(QSize Size);
    ~TkavTextRecorder() override;

    QPaintEngine *paintEngine() const override;
    void Add(const QString &Text, const QRectF &Bounds);
    const std::vector<TkavTextRecord> &Records() const { return FRecords; }
    void Clear() { FRecords.clear(); }

protected:
    int metric(PaintDeviceMetric Metric) const override;

private:
    QSize FSize;
    std::unique_ptr<QPaintEngine> FEngine;
    std::vector<TkavTextRecord> FRecords;
};

// The recorder Painter draws on, or null when it draws on anything else.
TkavTextRecorder *kavTextRecorderOf(const QPainter &Painter);
