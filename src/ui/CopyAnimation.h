#pragma once
// A small looping animation of a sheet flying from one folder to another, drawn frame by frame. It runs
// only while it is shown, so a hidden processing dialog costs nothing.

#include <QTimer>
#include <QWidget>

namespace hozonix::ui {

class CopyAnimation : public QWidget {
public:
    static constexpr int FrameCount = 35; // frames 0 to 34; frame 34 is the still picture

    explicit CopyAnimation(QWidget* parent = nullptr);

    void Start();
    void Stop();
    bool IsPlaying() const { return timer_.isActive(); }
    int Frame() const { return frame_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Advance();

    QTimer timer_;
    int frame_ = FrameCount - 1;
    bool wanted_ = false;
};

} // namespace hozonix::ui
