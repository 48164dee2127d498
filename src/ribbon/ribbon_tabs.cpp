#include "ribbon/ribbon_tabs.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "ribbon/ribbon_colours.h"
#include "ribbon/ribbon_look.h"

namespace tessaly::ribbon::detail {

// ---------------------------------------------------------------- Tab

Tab::Tab(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption) {
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(caption);
}

void Tab::set_selected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    update();
}

QSize Tab::sizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(caption_) + 26, metrics_for(font()).tab_row - 4};
}

QSize Tab::minimumSizeHint() const { return sizeHint(); }

void Tab::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, 0);
    const qreal radius = 4;
    QPainterPath path;
    path.moveTo(r.left(), r.bottom() + 1);
    path.lineTo(r.left(), r.top() + radius);
    path.quadTo(r.left(), r.top(), r.left() + radius, r.top());
    path.lineTo(r.right() - radius, r.top());
    path.quadTo(r.right(), r.top(), r.right(), r.top() + radius);
    path.lineTo(r.right(), r.bottom() + 1);
    if (selected_) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, QColor(colour_of(colour::body_top)).lighter(118));
        g.setColorAt(1, colour_of(colour::body_top));
        p.fillPath(path, g);
        p.setPen(QPen(colour_of(colour::line_light), 1));
        p.drawPath(path);
    } else if (hovered_) {
        p.fillPath(path, colour_of(colour::hover_fill));
        p.setPen(QPen(colour_of(colour::hover_border), 1));
        p.drawPath(path);
    }
    p.setPen(selected_ || hovered_ ? colour_of(colour::text) : colour_of(colour::text_dim));
    p.drawText(rect().adjusted(0, 1, 0, 0), Qt::AlignCenter, caption_);
    if (shows_focus(this)) paint_focus(p, QRectF(rect()).adjusted(3.5, 3.5, -3.5, -2.5));
}

void Tab::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit activated();
    event->accept();
}

void Tab::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit double_clicked();
    event->accept();
}

void Tab::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit activated();
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

void Tab::enterEvent(QEnterEvent*) {
    hovered_ = true;
    update();
}

void Tab::leaveEvent(QEvent*) {
    hovered_ = false;
    update();
}

// ---------------------------------------------------------------- TabRow

TabRow::TabRow(QWidget* parent) : QWidget(parent) { setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed); }

QSize TabRow::sizeHint() const {
    QSize s = QWidget::sizeHint();
    s.setHeight(metrics_for(font()).tab_row);
    return s;
}

QSize TabRow::minimumSizeHint() const {
    QSize s = QWidget::minimumSizeHint();
    s.setHeight(metrics_for(font()).tab_row);
    return s;
}

void TabRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, colour_of(colour::tab_row_top));
    g.setColorAt(1, colour_of(colour::tab_row_bottom));
    p.fillRect(rect(), g);
    p.setPen(colour_of(colour::line_light));
    p.drawLine(0, height() - 1, width(), height() - 1);
}

}  // namespace tessaly::ribbon::detail
