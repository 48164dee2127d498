#include "ribbon/ribbon_containers.h"

#include <algorithm>

#include <QEvent>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "ribbon/ribbon.h"
#include "ribbon/ribbon_buttons.h"
#include "ribbon/ribbon_colours.h"
#include "ribbon/ribbon_look.h"

namespace tessaly::ribbon::detail {

// ---------------------------------------------------------------- GroupStrip

GroupStrip::GroupStrip(QWidget* parent) : QWidget(parent), layout_(new QHBoxLayout(this)) {
    layout_->setContentsMargins(1, 1, 1, 1);
    layout_->setSpacing(1);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void GroupStrip::add(Button* button) { layout_->addWidget(button); }

void GroupStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, colour_of(colour::strip_top));
    g.setColorAt(1, colour_of(colour::strip_bottom));
    p.setBrush(g);
    p.setPen(QPen(colour_of(colour::strip_border), 1));
    p.drawRoundedRect(r, 3, 3);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(colour_of(colour::strip_divider));
    for (int i = 0; i + 1 < layout_->count(); ++i) {
        const QWidget* w = layout_->itemAt(i)->widget();
        if (!w) continue;
        const int x = w->geometry().right() + 1;
        p.drawLine(x, 3, x, height() - 4);
    }
}

// ---------------------------------------------------------------- Column

Column::Column(bool centred, QWidget* parent)
    : QWidget(parent),
      layout_(new QVBoxLayout(this)),
      top_(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed)),
      bottom_(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(metrics_for(font()).gap);
    layout_->addItem(top_);
    layout_->addItem(bottom_);
    set_centred(centred);
}

void Column::add(QWidget* widget) {
    layout_->insertWidget(layout_->count() - 1, widget, 0, Qt::AlignLeft | Qt::AlignVCenter);
    ++count_;
}

void Column::set_centred(bool centred) {
    top_->changeSize(0, 0, QSizePolicy::Minimum, centred ? QSizePolicy::Expanding : QSizePolicy::Fixed);
    layout_->invalidate();
}

// ---------------------------------------------------------------- PanelContent

PanelContent::PanelContent(QWidget* parent) : QWidget(parent) {}

QSize PanelContent::sizeHint() const {
    QSize s = QWidget::sizeHint();
    s.setHeight(std::max(s.height(), metrics_for(font()).content));
    return s;
}

QSize PanelContent::minimumSizeHint() const {
    QSize s = QWidget::minimumSizeHint();
    s.setHeight(std::max(s.height(), metrics_for(font()).content));
    return s;
}

// ---------------------------------------------------------------- Separator

Separator::Separator(QWidget* parent) : QWidget(parent) { setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed); }

QSize Separator::sizeHint() const { return {7, metrics_for(font()).content - 6}; }

void Separator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int x = width() / 2;
    p.setPen(colour_of(colour::line_dark));
    p.drawLine(x - 1, 0, x - 1, height() - 1);
    p.setPen(colour_of(colour::line_light));
    p.drawLine(x, 0, x, height() - 1);
}

// ---------------------------------------------------------------- Body

Body::Body(QWidget* parent) : QWidget(parent), stack_(new QStackedWidget(this)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(stack_, &QStackedWidget::currentChanged, this, &Body::place_stack);
}

QSize Body::sizeHint() const { return stack_->sizeHint(); }

QSize Body::minimumSizeHint() const { return {0, stack_->sizeHint().height()}; }

void Body::place_stack() {
    int wanted = stack_->sizeHint().width();
    if (auto* category = qobject_cast<RibbonCategory*>(stack_->currentWidget())) {
        category->fit_to_width(width());
        wanted = category->sizeHint().width();
    }
    stack_->setGeometry(0, 0, std::max(width(), wanted), height());
}

bool Body::event(QEvent* event) {
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        place_stack();
    }
    return QWidget::event(event);
}

void Body::resizeEvent(QResizeEvent*) { place_stack(); }

void Body::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const Metrics m = metrics_for(font());
    const int band = height() - m.caption;
    QLinearGradient g(0, 0, 0, band);
    g.setColorAt(0, colour_of(colour::body_top));
    g.setColorAt(1, colour_of(colour::body_bottom));
    p.fillRect(QRect(0, 0, width(), band), g);
    p.fillRect(QRect(0, band, width(), m.caption), colour_of(colour::caption_band));
    p.setPen(colour_of(colour::body_band_line));
    p.drawLine(0, band, width(), band);
    p.setPen(colour_of(colour::line_dark));
    p.drawLine(0, height() - 1, width(), height() - 1);
}

}  // namespace tessaly::ribbon::detail
