#include "app/status_panes.h"

#include <QFontMetrics>
#include <QHBoxLayout>

namespace tessaly::app {

StatusPanes::StatusPanes(QStatusBar* bar) : QObject(bar) {
    info_ = new QLabel(bar);
    info_->hide();
    bar->addWidget(info_, 1);
    pos_ = add_pane(bar, "POS", "9999, 9999", false);
    size_ = add_pane(bar, "SIZE", QString::fromUtf8("999×999"), false);
    cursor_ = add_pane(bar, "CURSOR", "9999, 9999", false);
    zoom_ = add_pane(bar, "ZOOM", " 100% ", true);
    zoom_->setText("100%");
}

// A caption and a value field sized for its sample text, centred.
QLabel* StatusPanes::add_pane(QStatusBar* bar, const QString& label, const QString& sample, bool permanent) {
    auto* pane = new QWidget(bar);
    auto* layout = new QHBoxLayout(pane);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(4);
    auto* caption = new QLabel(label, pane);
    auto* value = new QLabel(pane);
    value->setAlignment(Qt::AlignCenter);
    value->setFrameShape(QFrame::StyledPanel);
    value->setMinimumWidth(QFontMetrics(value->font()).horizontalAdvance(sample) + 8);
    layout->addWidget(caption);
    layout->addWidget(value);
    if (permanent) {
        bar->addPermanentWidget(pane);
    } else {
        bar->addWidget(pane);
        left_panes_ << pane;
    }
    return value;
}

void StatusPanes::set_info_text(const QString& text) {
    info_->setText(text);
    info_->setVisible(!text.isEmpty());
    for (QWidget* pane : left_panes_) pane->setVisible(text.isEmpty());
}

}  // namespace tessaly::app
