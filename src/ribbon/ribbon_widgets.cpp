#include "ribbon/ribbon_widgets.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMenu>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegularExpression>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

#include "ribbon/ribbon.h"

namespace tessaly::ribbon::detail {

namespace {

constexpr int large_icon = 32;
constexpr int small_icon = 16;

QColor c(QRgb rgba) { return QColor::fromRgba(rgba); }

// The rounded fill of a button under the mouse or pressed.
void paint_button_ground(QPainter& p, const QRectF& r, bool pressed, bool hovered, bool light, bool framed = true) {
    const qreal radius = 3;
    if (pressed) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, c(colour::pressed_top));
        g.setColorAt(1, c(colour::pressed_bottom));
        p.setBrush(g);
        p.setPen(framed ? QPen(c(colour::pressed_border), 1) : Qt::NoPen);
        p.drawRoundedRect(r, radius, radius);
    } else if (hovered) {
        if (light) {
            p.setBrush(QColor(0xfd, 0xe9, 0xbb));
            p.setPen(framed ? QPen(QColor(0xe2, 0xb0, 0x52), 1) : Qt::NoPen);
        } else {
            p.setBrush(c(colour::hover_fill));
            p.setPen(framed ? QPen(c(colour::hover_border), 1) : Qt::NoPen);
        }
        p.drawRoundedRect(r, radius, radius);
    }
}

// Focus is shown only once the keyboard has moved it, as the styles do.
bool shows_focus(const QWidget* w) { return w->hasFocus() && w->window()->testAttribute(Qt::WA_KeyboardFocusChange); }

void paint_focus(QPainter& p, const QRectF& r) {
    QPen pen(c(colour::focus), 1, Qt::DotLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 2, 2);
}

}  // namespace

Metrics metrics_for(const QFont& font) {
    const QFontMetrics fm(font);
    Metrics m;
    m.row = std::max(22, fm.height() + 7);
    m.gap = 2;
    m.content = 3 * m.row + 2 * m.gap;
    m.caption = fm.height() + 5;
    m.tab_row = std::max(28, fm.height() + 12);
    m.panel_top = 3;
    return m;
}

QPalette ribbon_palette(const QPalette& base) {
    QPalette p(base);
    p.setColor(QPalette::Window, c(colour::body_top));
    p.setColor(QPalette::WindowText, c(colour::text));
    p.setColor(QPalette::Base, QColor(0x2a, 0x2b, 0x2f));
    p.setColor(QPalette::Text, c(colour::text));
    p.setColor(QPalette::Button, QColor(0x3d, 0x3f, 0x44));
    p.setColor(QPalette::ButtonText, c(colour::text));
    p.setColor(QPalette::Highlight, c(colour::pressed_bottom));
    p.setColor(QPalette::HighlightedText, c(colour::pressed_text));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, c(colour::text_disabled));
    return p;
}

QPalette field_palette(const QPalette& base) {
    QPalette p(base);
    const QColor ink(0x16, 0x18, 0x1c);
    p.setColor(QPalette::Window, QColor(0xe8, 0xe9, 0xec));
    p.setColor(QPalette::WindowText, ink);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xf2, 0xf3, 0xf5));
    p.setColor(QPalette::Text, ink);
    p.setColor(QPalette::Button, QColor(0xec, 0xee, 0xf1));
    p.setColor(QPalette::ButtonText, ink);
    p.setColor(QPalette::Light, Qt::white);
    p.setColor(QPalette::Midlight, QColor(0xe0, 0xe1, 0xe5));
    p.setColor(QPalette::Mid, QColor(0xa7, 0xaa, 0xb2));
    p.setColor(QPalette::Dark, QColor(0x7d, 0x81, 0x8a));
    p.setColor(QPalette::Shadow, QColor(0x4a, 0x4d, 0x55));
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x74, 0xc6));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(0x8a, 0x8d, 0x95));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(0x8d, 0x90, 0x98));
    p.setColor(QPalette::Disabled, QPalette::Base, QColor(0xc9, 0xcb, 0xd0));
    p.setColor(QPalette::Disabled, QPalette::Button, QColor(0xc4, 0xc6, 0xcb));
    return p;
}

QString display_text(const QString& action_text) {
    static const QRegularExpression mnemonic_in_parentheses(QStringLiteral("\\(&[^&]\\)"));
    QString text = action_text;
    text.remove(mnemonic_in_parentheses);
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    if (out.endsWith(QLatin1String("...")))
        out.chop(3);
    else if (out.endsWith(QChar(0x2026)))
        out.chop(1);
    return out.trimmed();
}

QPixmap icon_pixmap(const QIcon& icon, int size, bool enabled, qreal ratio) {
    QPixmap pm = icon.pixmap(QSize(size, size), ratio, QIcon::Normal, QIcon::Off);
    if (enabled || pm.isNull()) return pm;
    QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = line[x];
            const int grey = 96 + qGray(px) * 72 / 255;
            line[x] = qRgba(grey, grey, grey, qAlpha(px) * 5 / 10);
        }
    }
    QPixmap out = QPixmap::fromImage(img);
    out.setDevicePixelRatio(pm.devicePixelRatio());
    return out;
}

// ---------------------------------------------------------------- Button

Button::Button(QAction* action, ButtonKind kind, bool with_caption, QWidget* parent)
    : QToolButton(parent), kind_(kind), with_caption_(with_caption) {
    setDefaultAction(action);
    setAutoRaise(true);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (kind == ButtonKind::large)
        setIconSize(QSize(large_icon, large_icon));
    else
        setIconSize(QSize(small_icon, small_icon));
}

QString Button::caption_text() const {
    return defaultAction() ? display_text(defaultAction()->text()) : display_text(text());
}

QStringList Button::large_lines() const {
    const QString text = caption_text();
    if (text.contains(QLatin1Char('\n'))) return text.split(QLatin1Char('\n')).mid(0, 2);
    const QFontMetrics fm(font());
    QStringList best{text};
    int best_width = fm.horizontalAdvance(text);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char(' ') && text[i] != QChar(0x3000)) continue;
        const QString first = text.left(i).trimmed();
        const QString second = text.mid(i + 1).trimmed();
        if (first.isEmpty() || second.isEmpty()) continue;
        const int width = std::max(fm.horizontalAdvance(first), fm.horizontalAdvance(second));
        if (width < best_width) {
            best_width = width;
            best = {first, second};
        }
    }
    return best;
}

QSize Button::sizeHint() const {
    const Metrics m = metrics_for(font());
    const QFontMetrics fm(font());
    const QString text = caption_text();
    switch (kind_) {
        case ButtonKind::large: {
            int width = large_icon + 12;
            for (const QString& line : large_lines()) width = std::max(width, fm.horizontalAdvance(line) + 12);
            return {width, m.content};
        }
        case ButtonKind::small:
            return {small_icon + 8 + (with_caption_ ? fm.horizontalAdvance(text) + 8 : 0), m.row};
        case ButtonKind::in_group:
            return {small_icon + 8, m.row - 2};
        case ButtonKind::quick_access:
            return {small_icon + 6 + (with_caption_ ? fm.horizontalAdvance(text) + 8 : 0), 22};
        case ButtonKind::label:
            return {fm.horizontalAdvance(text) + 12, m.row};
        case ButtonKind::menu_bottom:
            return {small_icon + 8 + fm.horizontalAdvance(text) + 14, std::max(26, fm.height() + 10)};
    }
    return {m.row, m.row};
}

QSize Button::minimumSizeHint() const { return sizeHint(); }

void Button::nextCheckState() {
    emit about_to_trigger();
    QToolButton::nextCheckState();
}

void Button::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool enabled = isEnabled();
    const bool hovered = enabled && underMouse();
    const bool pressed = enabled && (isDown() || isChecked());
    const bool light = kind_ == ButtonKind::menu_bottom;
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    paint_button_ground(p, kind_ == ButtonKind::in_group ? frame.adjusted(1, 1, -1, -1) : frame, pressed, hovered,
                        light, kind_ != ButtonKind::in_group);
    if (shows_focus(this)) paint_focus(p, frame.adjusted(1.5, 1.5, -1.5, -1.5));

    QColor ink = light ? QColor(0x1b, 0x1d, 0x22) : c(colour::text);
    if (!enabled)
        ink = light ? QColor(0x9a, 0x9c, 0xa3) : c(colour::text_disabled);
    else if (pressed && !light)
        ink = c(colour::pressed_text);
    p.setPen(ink);
    const QFontMetrics fm(font());
    const qreal ratio = devicePixelRatioF();
    const QString text = caption_text();

    switch (kind_) {
        case ButtonKind::large: {
            const QPixmap pm = icon_pixmap(icon(), large_icon, enabled, ratio);
            const int top = 4;
            if (!pm.isNull()) p.drawPixmap(QPoint((width() - large_icon) / 2, top), pm);
            int y = top + large_icon + 3;
            for (const QString& line : large_lines()) {
                p.drawText(QRect(2, y, width() - 4, fm.height()), Qt::AlignHCenter | Qt::AlignTop, line);
                y += fm.height();
            }
            break;
        }
        case ButtonKind::label:
            p.drawText(rect().adjusted(6, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
            break;
        default: {
            const bool captioned = with_caption_ && !text.isEmpty();
            const int left = captioned ? 4 : (width() - small_icon) / 2;
            const QPixmap pm = icon_pixmap(icon(), small_icon, enabled, ratio);
            if (!pm.isNull()) p.drawPixmap(QPoint(left, (height() - small_icon) / 2), pm);
            if (captioned)
                p.drawText(QRect(left + small_icon + 5, 0, width() - left - small_icon - 5, height()),
                           Qt::AlignLeft | Qt::AlignVCenter, text);
            break;
        }
    }
}

// ---------------------------------------------------------------- CheckBox

namespace {
constexpr int indicator = 13;
}

CheckBox::CheckBox(QAction* action, QWidget* parent) : QCheckBox(parent), action_(action) {
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    follow_action();
    connect(action, &QAction::changed, this, &CheckBox::follow_action);
    connect(action, &QAction::toggled, this, [this](bool checked) { setChecked(checked); });
}

void CheckBox::follow_action() {
    if (!action_) return;
    setText(display_text(action_->text()));
    setToolTip(action_->toolTip());
    setEnabled(action_->isEnabled());
    setChecked(action_->isChecked());
}

void CheckBox::nextCheckState() {
    emit about_to_trigger();
    // The action decides: its handler may refuse the change and check it
    // again, and the box shows whatever the action ends up with.
    if (action_)
        action_->trigger();
    else
        QCheckBox::nextCheckState();
}

bool CheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

QSize CheckBox::sizeHint() const {
    const QFontMetrics fm(font());
    return {2 + indicator + 6 + fm.horizontalAdvance(text()) + 6, metrics_for(font()).row};
}

QSize CheckBox::minimumSizeHint() const { return sizeHint(); }

void CheckBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool enabled = isEnabled();
    const bool hovered = enabled && underMouse();
    const QRectF box(2.5, (height() - indicator) / 2 + 0.5, indicator - 1, indicator - 1);

    if (hovered) {
        p.setPen(Qt::NoPen);
        p.setBrush(c(colour::hover_fill));
        p.drawRoundedRect(QRectF(rect()).adjusted(0, 1, 0, -1), 3, 3);
    }
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    if (!enabled) {
        g.setColorAt(0, QColor(0x80, 0x82, 0x88));
        g.setColorAt(1, QColor(0x6c, 0x6e, 0x74));
    } else if (hovered || isDown()) {
        g.setColorAt(0, QColor(0xff, 0xf6, 0xe0));
        g.setColorAt(1, QColor(0xf7, 0xd9, 0x9c));
    } else {
        g.setColorAt(0, QColor(0xfb, 0xfb, 0xfc));
        g.setColorAt(1, QColor(0xdc, 0xde, 0xe3));
    }
    p.setBrush(g);
    p.setPen(QPen(enabled && hovered ? c(colour::pressed_bottom) : QColor(0x1c, 0x1d, 0x21), 1));
    p.drawRoundedRect(box, 2, 2);
    if (isChecked()) {
        QPainterPath tick;
        tick.moveTo(box.left() + 2.5, box.center().y() + 0.5);
        tick.lineTo(box.left() + 5.0, box.bottom() - 3.0);
        tick.lineTo(box.right() - 2.0, box.top() + 2.5);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(enabled ? QColor(0x1e, 0x3f, 0x86) : QColor(0x3a, 0x3b, 0x40), 2.0, Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.drawPath(tick);
    }
    const QRect text_rect(2 + indicator + 6, 0, width() - indicator - 8, height());
    p.setPen(enabled ? c(colour::text) : c(colour::text_disabled));
    p.drawText(text_rect, Qt::AlignLeft | Qt::AlignVCenter, text());
    if (shows_focus(this)) paint_focus(p, QRectF(text_rect).adjusted(-2.5, 2.5, -1.5, -2.5));
}

// ---------------------------------------------------------------- SpinBox

SpinBox::SpinBox(QWidget* parent) : QSpinBox(parent) {
    setKeyboardTracking(false);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { edited_ = true; });
    connect(this, &QAbstractSpinBox::editingFinished, this, [this] {
        if (!edited_) return;
        edited_ = false;
        emit changed_by_user(true);
    });
}

void SpinBox::stepBy(int steps) {
    const int before = value();
    QSpinBox::stepBy(steps);
    edited_ = false;
    if (value() != before) emit changed_by_user(false);
}

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
    g.setColorAt(0, QColor(255, 255, 255, 30));
    g.setColorAt(1, QColor(255, 255, 255, 8));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x6e, 0x70, 0x77), 1));
    p.drawRoundedRect(r, 3, 3);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x24, 0x25, 0x29));
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
    p.setPen(c(colour::line_dark));
    p.drawLine(x - 1, 0, x - 1, height() - 1);
    p.setPen(c(colour::line_light));
    p.drawLine(x, 0, x, height() - 1);
}

// ---------------------------------------------------------------- FieldRow

FieldRow::FieldRow(const QString& caption, QWidget* field, QAction* command, QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 0, 0);
    layout->setSpacing(4);
    if (!caption.isEmpty()) layout->addWidget(new QLabel(caption, this));
    field->setParent(this);
    layout->addWidget(field);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (command) {
        auto follow = [this, command] {
            setToolTip(command->toolTip());
            setEnabled(command->isEnabled());
        };
        follow();
        connect(command, &QAction::changed, this, follow);
    }
}

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
        g.setColorAt(0, QColor(c(colour::body_top)).lighter(118));
        g.setColorAt(1, c(colour::body_top));
        p.fillPath(path, g);
        p.setPen(QPen(c(colour::line_light), 1));
        p.drawPath(path);
    } else if (hovered_) {
        p.fillPath(path, c(colour::hover_fill));
        p.setPen(QPen(c(colour::hover_border), 1));
        p.drawPath(path);
    }
    p.setPen(selected_ || hovered_ ? c(colour::text) : c(colour::text_dim));
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
    g.setColorAt(0, c(colour::tab_row_top));
    g.setColorAt(1, c(colour::tab_row_bottom));
    p.fillRect(rect(), g);
    p.setPen(c(colour::line_light));
    p.drawLine(0, height() - 1, width(), height() - 1);
}

// ---------------------------------------------------------------- ApplicationButton

ApplicationButton::ApplicationButton(QWidget* parent) : QToolButton(parent) {
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setPopupMode(QToolButton::InstantPopup);
    setAccessibleName(QStringLiteral("application menu"));
}

QSize ApplicationButton::sizeHint() const {
    const int d = metrics_for(font()).tab_row - 2;
    return {d + 4, d};
}

void ApplicationButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal d = std::min(width(), height()) - 1;
    const QRectF orb((width() - d) / 2, (height() - d) / 2, d, d);
    const bool active = isEnabled() && (isDown() || (menu() && menu()->isVisible()));
    const bool hovered = isEnabled() && underMouse();

    // Rim.
    QLinearGradient rim(orb.topLeft(), orb.bottomLeft());
    rim.setColorAt(0, QColor(0x9a, 0x9d, 0xa6));
    rim.setColorAt(1, QColor(0x0c, 0x0d, 0x0f));
    p.setPen(Qt::NoPen);
    p.setBrush(rim);
    p.drawEllipse(orb);
    // Face.
    const QRectF face = orb.adjusted(1.5, 1.5, -1.5, -1.5);
    QRadialGradient g(face.center() + QPointF(0, face.height() * 0.28), face.width() * 0.62);
    if (active) {
        g.setColorAt(0, QColor(0xff, 0xd8, 0x7a));
        g.setColorAt(1, QColor(0xb8, 0x6c, 0x12));
    } else if (hovered) {
        g.setColorAt(0, QColor(0x8a, 0xb6, 0xea));
        g.setColorAt(1, QColor(0x27, 0x3d, 0x62));
    } else {
        g.setColorAt(0, QColor(0x5d, 0x80, 0xb4));
        g.setColorAt(1, QColor(0x1b, 0x25, 0x37));
    }
    p.setBrush(g);
    p.drawEllipse(face);
    // Gloss on the upper half.
    QLinearGradient gloss(face.topLeft(), QPointF(face.left(), face.center().y()));
    gloss.setColorAt(0, QColor(255, 255, 255, 120));
    gloss.setColorAt(1, QColor(255, 255, 255, 12));
    p.setBrush(gloss);
    p.drawEllipse(
        QRectF(face.left() + face.width() * 0.14, face.top() + 0.5, face.width() * 0.72, face.height() * 0.5));
    // Logo.
    const int logo = static_cast<int>(d * 0.62);
    const QPixmap pm = icon_pixmap(icon(), logo, isEnabled(), devicePixelRatioF());
    if (!pm.isNull()) p.drawPixmap(QPointF(orb.center().x() - logo / 2.0, orb.center().y() - logo / 2.0), pm);
    if (shows_focus(this)) paint_focus(p, orb.adjusted(-0.5, -0.5, 0.5, 0.5));
}

// ---------------------------------------------------------------- MenuBottomRow

MenuBottomRow::MenuBottomRow(QWidget* parent) : QWidget(parent), layout_(new QHBoxLayout(this)) {
    layout_->setContentsMargins(6, 5, 6, 5);
    layout_->setSpacing(6);
    layout_->addStretch(1);
}

void MenuBottomRow::add(Button* button) { layout_->addWidget(button); }

void MenuBottomRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), c(colour::menu_band));
    p.setPen(c(colour::menu_line));
    p.drawLine(0, 0, width(), 0);
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
    g.setColorAt(0, c(colour::body_top));
    g.setColorAt(1, c(colour::body_bottom));
    p.fillRect(QRect(0, 0, width(), band), g);
    p.fillRect(QRect(0, band, width(), m.caption), c(colour::caption_band));
    p.setPen(QColor(0x3c, 0x3e, 0x43));
    p.drawLine(0, band, width(), band);
    p.setPen(c(colour::line_dark));
    p.drawLine(0, height() - 1, width(), height() - 1);
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
    pal.setColor(QPalette::WindowText, c(colour::caption_text));
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
    g.setColorAt(0, c(colour::body_top));
    g.setColorAt(1, c(colour::body_bottom));
    p.fillRect(QRect(0, 0, width(), band), g);
    p.fillRect(QRect(0, band, width(), height() - band), c(colour::caption_band));
    p.setPen(c(colour::line_light));
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
