#include "ribbon/ribbon_look.h"

#include <algorithm>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QWidget>

#include "ribbon/ribbon_colours.h"

namespace tessaly::ribbon::detail {

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
    p.setColor(QPalette::Window, colour_of(colour::body_top));
    p.setColor(QPalette::WindowText, colour_of(colour::text));
    p.setColor(QPalette::Base, colour_of(colour::dark_base));
    p.setColor(QPalette::Text, colour_of(colour::text));
    p.setColor(QPalette::Button, colour_of(colour::dark_button));
    p.setColor(QPalette::ButtonText, colour_of(colour::text));
    p.setColor(QPalette::Highlight, colour_of(colour::pressed_bottom));
    p.setColor(QPalette::HighlightedText, colour_of(colour::pressed_text));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, colour_of(colour::text_disabled));
    return p;
}

QPalette field_palette(const QPalette& base) {
    QPalette p(base);
    const QColor ink = colour_of(colour::field_ink);
    p.setColor(QPalette::Window, colour_of(colour::field_window));
    p.setColor(QPalette::WindowText, ink);
    p.setColor(QPalette::Base, colour_of(colour::field_base));
    p.setColor(QPalette::AlternateBase, colour_of(colour::field_alternate));
    p.setColor(QPalette::Text, ink);
    p.setColor(QPalette::Button, colour_of(colour::field_button));
    p.setColor(QPalette::ButtonText, ink);
    p.setColor(QPalette::Light, colour_of(colour::field_light));
    p.setColor(QPalette::Midlight, colour_of(colour::field_midlight));
    p.setColor(QPalette::Mid, colour_of(colour::field_mid));
    p.setColor(QPalette::Dark, colour_of(colour::field_dark));
    p.setColor(QPalette::Shadow, colour_of(colour::field_shadow));
    p.setColor(QPalette::Highlight, colour_of(colour::field_highlight));
    p.setColor(QPalette::HighlightedText, colour_of(colour::field_highlighted_text));
    p.setColor(QPalette::PlaceholderText, colour_of(colour::field_placeholder));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, colour_of(colour::field_text_disabled));
    p.setColor(QPalette::Disabled, QPalette::Base, colour_of(colour::field_base_disabled));
    p.setColor(QPalette::Disabled, QPalette::Button, colour_of(colour::field_button_disabled));
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

// Focus is shown only once the keyboard has moved it, as the styles do.
bool shows_focus(const QWidget* w) { return w->hasFocus() && w->window()->testAttribute(Qt::WA_KeyboardFocusChange); }

void paint_focus(QPainter& p, const QRectF& r) {
    QPen pen(colour_of(colour::focus), 1, Qt::DotLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 2, 2);
}

}  // namespace tessaly::ribbon::detail
