#include "TextRecorder.h"

#include "report/PagePlayback.h"

#include <QLineF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>

#include <cmath>

namespace hozonix::test {

namespace {

class RecordingEngine : public QPaintEngine {
public:
    std::vector<DrawnText> texts;
    double lineEnd = 0;

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        const QPointF origin = painter()->transform().map(p);
        const double width = painter()->transform().map(QLineF(0, 0, item.width(), 0)).length();
        // Text is drawn in runs of one script each; join the runs of one line again.
        if (!texts.empty() && std::abs(texts.back().origin.y() - origin.y()) < 0.5 &&
            std::abs(lineEnd - origin.x()) < 1.0) {
            texts.back().text += item.text();
        } else {
            texts.push_back({item.text(), origin, item.font().pixelSize()});
        }
        lineEnd = origin.x() + width;
    }
    Type type() const override { return User; }
};

// A page-sized device, one unit per pixel.
class RecordingDevice : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
        case PdmHeight:
            return 100000;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 254;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return 1 * QPaintDevice::devicePixelRatioFScale();
        default:
            return 1000;
        }
    }
};

} // namespace

std::vector<DrawnText> TextsOnPage(const report::PageRecord& page) {
    RecordingDevice device;
    {
        QPainter painter(&device);
        report::DrawPage(painter, page);
    }
    return device.engine.texts;
}

} // namespace hozonix::test
