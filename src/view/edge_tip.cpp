#include "view/edge_tip.h"

namespace tessaly::view {

EdgeTip::EdgeTip(QObject* parent) : QObject(parent), label_(new QLabel) {
    label_->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    label_->setAttribute(Qt::WA_ShowWithoutActivating);
    label_->setStyleSheet(
        QStringLiteral("QLabel { background: white; color: rgb(0, 51, 102);"
                       " border: 1px solid rgb(118, 118, 118); padding: 1px 2px 1px 2px; }"));
    label_->setMaximumWidth(kMaxWidth);
    label_->setWordWrap(false);
    show_timer_.setSingleShot(true);
    hide_timer_.setSingleShot(true);
    connect(&show_timer_, &QTimer::timeout, this, &EdgeTip::show_now);
    connect(&hide_timer_, &QTimer::timeout, label_, &QLabel::hide);
}

EdgeTip::~EdgeTip() { delete label_; }

void EdgeTip::activate(const QString& text, QPoint global) {
    if (text.isEmpty()) return deactivate();
    at_ = global;
    if (text == wanted_) {
        if (label_->isVisible()) label_->move(at_ + QPoint(0, 20));
        return;  // the same tip: shown, waiting, or already timed out
    }
    const bool other_tip = label_->isVisible();
    wanted_ = text;
    label_->hide();
    hide_timer_.stop();
    show_timer_.start(other_tip ? kReshowDelay : kInitialDelay);
}

void EdgeTip::deactivate() {
    wanted_.clear();
    show_timer_.stop();
    hide_timer_.stop();
    label_->hide();
}

void EdgeTip::show_now() {
    label_->setText(wanted_);
    label_->adjustSize();
    label_->move(at_ + QPoint(0, 20));
    label_->show();
    hide_timer_.start(kDisplayTime);
}

}  // namespace tessaly::view
