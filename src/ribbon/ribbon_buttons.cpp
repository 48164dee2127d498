#include "ribbon/ribbon_buttons.h"

#include <algorithm>

#include <QAction>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "ribbon/ribbon_colours.h"
#include "ribbon/ribbon_look.h"

namespace tessaly::ribbon::detail {

namespace {

constexpr int large_icon = 32;
constexpr int small_icon = 16;

// The rounded fill of a button under the mouse or pressed.
void paint_button_ground(QPainter& p, const QRectF& r, bool pressed, bool hovered, bool light, bool framed = true) {
    const qreal radius = 3;
    if (pressed) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, colour_of(colour::pressed_top));
        g.setColorAt(1, colour_of(colour::pressed_bottom));
        p.setBrush(g);
        p.setPen(framed ? QPen(colour_of(colour::pressed_border), 1) : Qt::NoPen);
        p.drawRoundedRect(r, radius, radius);
    } else if (hovered) {
        if (light) {
            p.setBrush(colour_of(colour::light_hover_fill));
            p.setPen(framed ? QPen(colour_of(colour::light_hover_border), 1) : Qt::NoPen);
        } else {
            p.setBrush(colour_of(colour::hover_fill));
            p.setPen(framed ? QPen(colour_of(colour::hover_border), 1) : Qt::NoPen);
        }
        p.drawRoundedRect(r, radius, radius);
    }
}

}  // namespace

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

    QColor ink = light ? colour_of(colour::light_text) : colour_of(colour::text);
    if (!enabled)
        ink = light ? colour_of(colour::light_text_disabled) : colour_of(colour::text_disabled);
    else if (pressed && !light)
        ink = colour_of(colour::pressed_text);
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
    const int top = (height() - indicator) / 2;  // whole pixels, then the line's middle
    const QRectF box(2.5, top + 0.5, indicator - 1, indicator - 1);

    if (hovered) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour_of(colour::hover_fill));
        p.drawRoundedRect(QRectF(rect()).adjusted(0, 1, 0, -1), 3, 3);
    }
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    if (!enabled) {
        g.setColorAt(0, colour_of(colour::check_disabled_top));
        g.setColorAt(1, colour_of(colour::check_disabled_bottom));
    } else if (hovered || isDown()) {
        g.setColorAt(0, colour_of(colour::check_hover_top));
        g.setColorAt(1, colour_of(colour::check_hover_bottom));
    } else {
        g.setColorAt(0, colour_of(colour::check_top));
        g.setColorAt(1, colour_of(colour::check_bottom));
    }
    p.setBrush(g);
    p.setPen(QPen(enabled && hovered ? colour_of(colour::pressed_bottom) : colour_of(colour::check_border), 1));
    p.drawRoundedRect(box, 2, 2);
    if (isChecked()) {
        QPainterPath tick;
        tick.moveTo(box.left() + 2.5, box.center().y() + 0.5);
        tick.lineTo(box.left() + 5.0, box.bottom() - 3.0);
        tick.lineTo(box.right() - 2.0, box.top() + 2.5);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(enabled ? colour_of(colour::tick) : colour_of(colour::tick_disabled), 2.0, Qt::SolidLine,
                      Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(tick);
    }
    const QRect text_rect(2 + indicator + 6, 0, width() - indicator - 8, height());
    p.setPen(enabled ? colour_of(colour::text) : colour_of(colour::text_disabled));
    p.drawText(text_rect, Qt::AlignLeft | Qt::AlignVCenter, text());
    if (shows_focus(this)) paint_focus(p, QRectF(text_rect).adjusted(-2.5, 2.5, -1.5, -2.5));
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
    rim.setColorAt(0, colour_of(colour::orb_rim_top));
    rim.setColorAt(1, colour_of(colour::orb_rim_bottom));
    p.setPen(Qt::NoPen);
    p.setBrush(rim);
    p.drawEllipse(orb);
    // Face.
    const QRectF face = orb.adjusted(1.5, 1.5, -1.5, -1.5);
    QRadialGradient g(face.center() + QPointF(0, face.height() * 0.28), face.width() * 0.62);
    if (active) {
        g.setColorAt(0, colour_of(colour::orb_active_centre));
        g.setColorAt(1, colour_of(colour::orb_active_edge));
    } else if (hovered) {
        g.setColorAt(0, colour_of(colour::orb_hover_centre));
        g.setColorAt(1, colour_of(colour::orb_hover_edge));
    } else {
        g.setColorAt(0, colour_of(colour::orb_centre));
        g.setColorAt(1, colour_of(colour::orb_edge));
    }
    p.setBrush(g);
    p.drawEllipse(face);
    // Gloss on the upper half.
    QLinearGradient gloss(face.topLeft(), QPointF(face.left(), face.center().y()));
    gloss.setColorAt(0, colour_of(colour::orb_gloss_top));
    gloss.setColorAt(1, colour_of(colour::orb_gloss_bottom));
    p.setBrush(gloss);
    p.drawEllipse(
        QRectF(face.left() + face.width() * 0.14, face.top() + 0.5, face.width() * 0.72, face.height() * 0.5));
    // Logo.
    const int logo = static_cast<int>(d * 0.62);
    const QPixmap pm = icon_pixmap(icon(), logo, isEnabled(), devicePixelRatioF());
    if (!pm.isNull()) p.drawPixmap(QPointF(orb.center().x() - logo / 2.0, orb.center().y() - logo / 2.0), pm);
    if (shows_focus(this)) paint_focus(p, orb.adjusted(-0.5, -0.5, 0.5, 0.5));
}

}  // namespace tessaly::ribbon::detail
