#include "ribbon/key_tips.h"

#include <algorithm>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QWidget>
#include <QWindow>

namespace tessaly::ribbon::detail {

namespace {

// The character a key stands for in a tip: A to Z and 0 to 9.
QChar tip_char(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return QChar('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return QChar('0' + (key - Qt::Key_0));
    return {};
}

}  // namespace

KeyTips::KeyTips(QWidget* ribbon) : QObject(ribbon), ribbon_(ribbon) { qApp->installEventFilter(this); }

KeyTips::~KeyTips() {
    qApp->removeEventFilter(this);
    hide_tips();
}

void KeyTips::add(QWidget* element, const QString& tip, std::function<void()> run) {
    entries_.append({element, tip.toUpper(), std::move(run)});
}

void KeyTips::show_tips() {
    hide_tips();
    QWidget* window = ribbon_->window();
    for (const Entry& entry : entries_) {
        if (!entry.element || !entry.element->isVisible()) continue;
        auto* label = new QLabel(entry.tip, window);
        label->setObjectName(QStringLiteral("key_tip"));
        label->setAlignment(Qt::AlignCenter);
        label->setStyleSheet(
            QStringLiteral("QLabel { background: #f5f5dc; color: #202020; border: 1px solid #707070;"
                           " border-radius: 2px; padding: 0px 3px; font-weight: bold; }"));
        label->adjustSize();
        label->resize(std::max(label->width(), label->height()), label->height());
        const QRect box = entry.element->rect();
        const QPoint under = entry.element->mapTo(window, QPoint(box.center().x(), box.bottom()));
        label->move(under.x() - label->width() / 2, under.y() - label->height() / 2);
        label->show();
        label->raise();
        labels_.append(label);
    }
}

void KeyTips::hide_tips() {
    for (const QPointer<QLabel>& label : labels_) delete label.data();
    labels_.clear();
}

QStringList KeyTips::shown_tips() const {
    QStringList tips;
    for (const QPointer<QLabel>& label : labels_)
        if (label) tips << label->text();
    return tips;
}

// Every key of the window reaches its QWindow once, before any widget sees
// it; the widgets' own deliveries of the same event are passed over.
bool KeyTips::in_ribbon_window(QObject* watched) const {
    if (!watched->isWindowType()) return false;
    const QWidget* window = ribbon_->window();
    return window->windowHandle() && watched == window->windowHandle();
}

bool KeyTips::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            break;
        case QEvent::MouseButtonPress:
        case QEvent::NonClientAreaMouseButtonPress:
            alt_alone_ = false;
            if (shown()) hide_tips();
            return false;
        case QEvent::FocusOut:
        case QEvent::WindowDeactivate:
            if (in_ribbon_window(watched)) {
                alt_alone_ = false;
                hide_tips();
            }
            return false;
        default:
            return false;
    }
    if (!in_ribbon_window(watched)) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::KeyRelease) {
        if (key->key() == Qt::Key_Alt && alt_alone_ && !key->isAutoRepeat()) {
            alt_alone_ = false;
            if (shown())
                hide_tips();
            else
                show_tips();
            return true;
        }
        return false;
    }
    return key_pressed(key->key(), key->modifiers());
}

bool KeyTips::key_pressed(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_Alt) {
        alt_alone_ = (modifiers & ~Qt::AltModifier) == Qt::NoModifier;
        return false;
    }
    alt_alone_ = false;
    if (key == Qt::Key_F10 && modifiers == Qt::NoModifier) {
        if (shown())
            hide_tips();
        else
            show_tips();
        return true;
    }
    if (!shown()) return false;
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Meta) return false;
    hide_tips();
    if (key == Qt::Key_Escape) return true;
    const QChar typed = tip_char(key);
    if (typed.isNull()) return false;
    for (const Entry& entry : entries_) {
        if (entry.element && entry.element->isVisible() && entry.tip == typed) {
            // After the key's own delivery, so that a menu or dialog the
            // element opens does not start inside this event.
            QMetaObject::invokeMethod(this, entry.run, Qt::QueuedConnection);
            return true;
        }
    }
    return true;
}

}  // namespace tessaly::ribbon::detail
