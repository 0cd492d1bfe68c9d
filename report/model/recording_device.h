// A paint device that records what is drawn on it instead of rasterising it: every text
// run with its position and font, every line with its pen, every filled rectangle and
// every image with its target. Positions are in device coordinates (the painter's
// transform applied). Preview text search and tests that check where text and frames
// land read it.
#pragma once

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QPaintDevice>
#include <QPen>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <memory>
#include <vector>

struct TfrRecordedText {
    QPointF origin;       // the baseline start, device coordinates
    QString text;
    QFont font;
    QColor color;
    qreal width = 0;      // advance of the run as the font engine laid it out
    qreal rotation = 0;   // degrees, counter-clockwise positive (90: reading upward)
    QRectF clip;          // device clip bounds, empty when unclipped
};

struct TfrRecordedLine {
    QLineF line;
    QPen pen;
};

struct TfrRecordedRect {
    QRectF rect;
    QColor color;         // brush colour
    Qt::BrushStyle style = Qt::SolidPattern;
};

struct TfrRecordedImage {
    QRectF target;
    QSize imageSize;
};

class TfrRecordingEngine;

class TfrRecordingDevice : public QPaintDevice {
public:
    explicit TfrRecordingDevice(QSize size = QSize(4000, 6000), int dpi = 96);
    ~TfrRecordingDevice() override;

    QPaintEngine *paintEngine() const override;

    std::vector<TfrRecordedText> texts;
    std::vector<TfrRecordedLine> lines;
    std::vector<TfrRecordedRect> rects;
    std::vector<TfrRecordedImage> images;
    void clear();

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_size;
    int m_dpi;
    std::unique_ptr<TfrRecordingEngine> m_engine;
};
