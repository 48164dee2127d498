#pragma once

// The chart's own tooltip for the canvas edges: the canvas width or height
// with its limits, white with dark blue text, shown 100 ms after the pointer
// comes to an edge and for 3 seconds; moving from one edge's tip straight
// to the other's waits 2 seconds, so that the corner does not flicker.

#include <QElapsedTimer>
#include <QLabel>
#include <QPoint>
#include <QString>
#include <QTimer>

namespace tessaly::view {

class EdgeTip : public QObject {
    Q_OBJECT

public:
    static constexpr int kInitialDelay = 100;
    static constexpr int kDisplayTime = 3000;
    static constexpr int kReshowDelay = 2000;
    static constexpr int kMaxWidth = 512;

    explicit EdgeTip(QObject* parent = nullptr);
    ~EdgeTip() override;

    // The tip for the pointer at a global point; an empty text takes it away.
    void activate(const QString& text, QPoint global);
    void deactivate();

    bool visible() const { return label_->isVisible(); }
    QString text() const { return label_->text(); }
    // Waiting to show: the delay that applies, or 0.
    int pending_delay() const { return show_timer_.isActive() ? show_timer_.interval() : 0; }
    const QLabel* label() const { return label_; }

private:
    void show_now();

    QLabel* label_;
    QTimer show_timer_;
    QTimer hide_timer_;
    QString wanted_;
    QPoint at_;
};

}  // namespace tessaly::view
