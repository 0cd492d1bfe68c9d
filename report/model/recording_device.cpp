#include "report/model/recording_device.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QTextItem>
#include <cmath>

class TfrRecordingEngine : public QPaintEngine {
public:
    explicit TfrRecordingEngine(TfrRecordingDevice *device) : QPaintEngine(AllFeatures), m_device(device) {}

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState &state) override
    {
        const QPaintEngine::DirtyFlags f = state.state();
        if (f & DirtyPen)
            m_pen = state.pen();
        if (f & DirtyBrush)
            m_brush = state.brush();
        if (f & DirtyTransform)
            m_transform = state.transform();
        if (f & DirtyFont)
            m_font = state.font();
        if (f & (DirtyClipRegion | DirtyClipPath | DirtyClipEnabled)) {
            const QPainter *p = painter();
            m_clip = p && p->hasClipping() ? p->deviceTransform().mapRect(p->clipBoundingRect()) : QRectF();
        }
    }

    void drawLines(const QLineF *lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            m_device->lines.push_back({m_transform.map(lines[i]), m_pen});
    }
    void drawLines(const QLine *lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            m_device->lines.push_back({m_transform.map(QLineF(lines[i])), m_pen});
    }
    void drawRects(const QRectF *rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            m_device->rects.push_back({m_transform.mapRect(rects[i]), m_brush.color(), m_brush.style()});
    }
    void drawRects(const QRect *rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            m_device->rects.push_back({m_transform.mapRect(QRectF(rects[i])), m_brush.color(), m_brush.style()});
    }
    void drawPath(const QPainterPath &path) override
    {
        m_device->rects.push_back({m_transform.mapRect(path.boundingRect()), m_brush.color(), m_brush.style()});
    }
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode) override
    {
        QPolygonF poly;
        for (int i = 0; i < count; ++i)
            poly << points[i];
        m_device->rects.push_back({m_transform.map(poly).boundingRect(), m_brush.color(), m_brush.style()});
    }
    void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &) override
    {
        m_device->images.push_back({m_transform.mapRect(r), pm.size()});
    }
    void drawImage(const QRectF &r, const QImage &image, const QRectF &, Qt::ImageConversionFlags) override
    {
        m_device->images.push_back({m_transform.mapRect(r), image.size()});
    }
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        TfrRecordedText t;
        t.origin = m_transform.map(p);
        t.text = item.text();
        t.font = item.font();
        t.color = m_pen.color();
        t.width = item.width();
        t.rotation = -std::atan2(m_transform.m12(), m_transform.m11()) * 180.0 / M_PI;
        t.clip = m_clip;
        m_device->texts.push_back(std::move(t));
    }

private:
    TfrRecordingDevice *m_device;
    QPen m_pen;
    QBrush m_brush;
    QFont m_font;
    QTransform m_transform;
    QRectF m_clip;
};

TfrRecordingDevice::TfrRecordingDevice(QSize size, int dpi)
    : m_size(size), m_dpi(dpi), m_engine(std::make_unique<TfrRecordingEngine>(this))
{
}

TfrRecordingDevice::~TfrRecordingDevice() = default;

QPaintEngine *TfrRecordingDevice::paintEngine() const { return m_engine.get(); }

void TfrRecordingDevice::clear()
{
    texts.clear();
    lines.clear();
    rects.clear();
    images.clear();
}

int TfrRecordingDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth: return m_size.width();
    case PdmHeight: return m_size.height();
    case PdmWidthMM: return m_size.width() * 254 / (m_dpi * 10);
    case PdmHeightMM: return m_size.height() * 254 / (m_dpi * 10);
    case PdmNumColors: return INT_MAX;
    case PdmDepth: return 32;
    case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return m_dpi;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
    default: return 0;
    }
}
