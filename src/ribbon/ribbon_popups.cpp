#include "ribbon/ribbon_popups.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "ribbon/ribbon.h"
#include "ribbon/ribbon_buttons.h"
#include "ribbon/ribbon_colours.h"
#include "ribbon/ribbon_look.h"

namespace tessaly::ribbon::detail {

// ---------------------------------------------------------------- MenuBottomRow

MenuBottomRow::MenuBottomRow(QWidget* parent) : QWidget(parent), layout_(new QHBoxLayout(this)) {
    layout_->setContentsMargins(6, 5, 6, 5);
    layout_->setSpacing(6);
    layout_->addStretch(1);
}

void MenuBottomRow::add(Button* button) { layout_->addWidget(button); }

void MenuBottomRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), colour_of(colour::menu_band));
    p.setPen(colour_of(colour::menu_line));
    p.drawLine(0, 0, width(), 0);
}

// ---------------------------------------------------------------- PanelPopup

PanelPopup::PanelPopup(QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), layout_(new QVBoxLayout(this)) {
    const Metrics m = metrics_for(font());
    layout_->setContentsMargins(6, m.panel_top, 8, 1);
    layout_->setSpacing(0);
    layout_->addStretch(1);
    caption_ = new QLabel(this);
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setFixedHeight(m.caption);
    QPalette pal = caption_->palette();
    pal.setColor(QPalette::WindowText, colour_of(colour::caption_text));
    caption_->setPalette(pal);
    layout_->addWidget(caption_);
}

void PanelPopup::open(QWidget* content, const QString& caption, const QPoint& global_top_left) {
    caption_->setText(caption);
    layout_->insertWidget(0, content);
    content->show();
    adjustSize();
    move(global_top_left);
    show();
}

void PanelPopup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const Metrics m = metrics_for(font());
    const int band = height() - m.caption - 1;
    QLinearGradient g(0, 0, 0, band);
    g.setColorAt(0, colour_of(colour::body_top));
    g.setColorAt(1, colour_of(colour::body_bottom));
    p.fillRect(QRect(0, 0, width(), band), g);
    p.fillRect(QRect(0, band, width(), height() - band), colour_of(colour::caption_band));
    p.setPen(colour_of(colour::line_light));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PanelPopup::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit closed();
}

// ---------------------------------------------------------------- Popup

Popup::Popup(Ribbon* ribbon)
    : QWidget(ribbon, Qt::Popup | Qt::FramelessWindowHint), ribbon_(ribbon), layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
}

void Popup::open_for(int index, QWidget* body, const QPoint& global_top_left, int width) {
    index_ = index;
    layout_->addWidget(body);
    body->show();
    resize(width, body->sizeHint().height());
    move(global_top_left);
    opened_.start();
    show();
}

void Popup::mousePressEvent(QMouseEvent* event) {
    if (rect().contains(event->position().toPoint())) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int tab = ribbon_->tab_at(event->globalPosition().toPoint());
    if (tab < 0) {
        QWidget::mousePressEvent(event);  // closes the pop-up
        return;
    }
    // A press on a tab is ours: it must not reach the tab as well.
    setAttribute(Qt::WA_NoMouseReplay);
    const bool same = tab == index_;
    const bool second_click = same && opened_.elapsed() < QApplication::doubleClickInterval();
    close();
    Ribbon* ribbon = ribbon_;
    if (second_click) {
        ribbon->set_current_index(tab);
        ribbon->set_minimised(false);
    } else if (!same) {
        QMetaObject::invokeMethod(
            ribbon, [ribbon, tab] { ribbon->show_popup(tab); }, Qt::QueuedConnection);
    }
}

void Popup::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void Popup::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    setAttribute(Qt::WA_NoMouseReplay, false);
    emit closed();
}

}  // namespace tessaly::ribbon::detail
