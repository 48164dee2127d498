#pragma once

// The status bar: "POS", "SIZE" and "CURSOR" on the left, "ZOOM" at the
// right; an information text, while not empty, takes the place of the three
// left panes.

#include <QLabel>
#include <QStatusBar>

namespace tessaly::app {

class StatusPanes : public QObject {
    Q_OBJECT

public:
    explicit StatusPanes(QStatusBar* bar);

    void set_position(const QString& text) { pos_->setText(text); }
    void set_size(const QString& text) { size_->setText(text); }
    void set_cursor(const QString& text) { cursor_->setText(text); }
    void set_zoom(const QString& text) { zoom_->setText(text); }
    void set_info_text(const QString& text);

    QString position() const { return pos_->text(); }
    QString size() const { return size_->text(); }
    QString cursor() const { return cursor_->text(); }
    QString zoom() const { return zoom_->text(); }
    QString info_text() const { return info_->text(); }
    bool panes_visible() const { return !left_panes_.first()->isHidden(); }

private:
    QLabel* add_pane(QStatusBar* bar, const QString& label, const QString& sample, bool permanent);

    QLabel* info_;
    QLabel* pos_;
    QLabel* size_;
    QLabel* cursor_;
    QLabel* zoom_;
    QList<QWidget*> left_panes_;
};

}  // namespace tessaly::app
