#include "ui/CopyAnimation.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace hozonix::ui {

namespace {

void DrawFolder(QPainter& p, QRectF r) {
    QPainterPath path;
    path.moveTo(r.left(), r.top() + 4);
    path.lineTo(r.left() + r.width() * 0.4, r.top() + 4);
    path.lineTo(r.left() + r.width() * 0.45, r.top());
    path.lineTo(r.right(), r.top());
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(240, 200, 80));
    p.drawPath(path);
    p.setBrush(QColor(250, 220, 120));
    p.drawRect(QRectF(r.left(), r.top() + 9, r.width(), r.height() - 9));
}

void DrawSheet(QPainter& p, QPointF centre) {
    QRectF sheet(centre.x() - 7, centre.y() - 9, 14, 18);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    p.setPen(QPen(QColor(120, 140, 200), 1));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(sheet.left() + 3, sheet.top() + 4 + i * 3.5),
                   QPointF(sheet.right() - 3, sheet.top() + 4 + i * 3.5));
}

} // namespace

CopyAnimation::CopyAnimation(QWidget* parent) : QWidget(parent) {
    timer_.setInterval(60);
    connect(&timer_, &QTimer::timeout, this, [this] { Advance(); });
}

void CopyAnimation::Start() {
    wanted_ = true;
    frame_ = 0;
    if (isVisible())
        timer_.start();
    update();
}

void CopyAnimation::Stop() {
    wanted_ = false;
    timer_.stop();
    frame_ = FrameCount - 1;
    update();
}

void CopyAnimation::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (wanted_)
        timer_.start();
}

void CopyAnimation::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}

void CopyAnimation::Advance() {
    // The last frame is the still picture; the loop runs through the others.
    frame_ = (frame_ + 1) % (FrameCount - 1);
    update();
}

void CopyAnimation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = 230, h = 44;
    const qreal left = (width() - w) / 2, top = (height() - h) / 2 + 6;
    QRectF from(left, top, 46, 36);
    QRectF to(left + w - 46, top, 46, 36);
    DrawFolder(p, from);
    DrawFolder(p, to);
    if (frame_ == FrameCount - 1)
        return;
    const qreal t = static_cast<qreal>(frame_) / (FrameCount - 2);
    const qreal x = from.center().x() + t * (to.center().x() - from.center().x());
    const qreal y = top + 6 - std::sin(t * 3.14159265) * 18;
    DrawSheet(p, QPointF(x, y));
}

} // namespace hozonix::ui
