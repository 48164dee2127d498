#include "ribbon/ribbon.h"

#include <algorithm>
#include <functional>

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QProxyStyle>
#include <QRegularExpression>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>
#include <QWidgetAction>

#include "ribbon/key_tips.h"
#include "ribbon/ribbon_widgets.h"

// The resource initialiser lives in the global namespace; a static library
// does not register its resources by itself.
static void init_ribbon_icon_resource() { Q_INIT_RESOURCE(icons); }

namespace tessaly::ribbon {

using namespace detail;

void register_ribbon_icons() {
    static const bool registered = [] {
        init_ribbon_icon_resource();
        return true;
    }();
    (void)registered;
}

QIcon ribbon_icon(const QString& name) {
    register_ribbon_icons();
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(name));
}

QString ribbon_tooltip_html(const QString& catalogue_text) {
    const qsizetype split = catalogue_text.lastIndexOf(QLatin1Char('\n'));
    const QString title = split < 0 ? catalogue_text : catalogue_text.mid(split + 1);
    const QString description = split < 0 ? QString() : catalogue_text.left(split);

    QString html = QStringLiteral("<p style=\"margin:0\"><b>%1</b></p>").arg(title.toHtmlEscaped());
    if (!description.isEmpty()) {
        QStringList lines;
        qsizetype longest = 0;
        for (const QString& line : description.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
            lines << line.toHtmlEscaped();
            longest = std::max(longest, line.size());
        }
        const QString text = lines.join(QStringLiteral("<br/>"));
        if (longest <= 30) {
            html += QStringLiteral("<p style=\"margin:4px 0 0 10px; white-space:pre-wrap\">%1</p>").arg(text);
        } else {
            // A long description wraps in a column wide enough to read, not
            // in the tooltip's narrow default.
            html += QStringLiteral(
                        "<table width=\"320\" cellspacing=\"0\" cellpadding=\"0\" "
                        "style=\"margin:4px 0 0 10px\"><tr><td style=\"white-space:pre-wrap\">%1</td></tr></table>")
                        .arg(text);
        }
    }
    return html;
}

void set_ribbon_tooltip(QAction* action, const QString& catalogue_text) {
    action->setToolTip(ribbon_tooltip_html(catalogue_text));
}

void set_progress_maximum(QProgressBar* bar, int maximum) {
    if (maximum > 0) {
        bar->setRange(0, maximum);
        return;
    }
    bar->setRange(0, 1);
    bar->setValue(0);
}

// ================================================================ RibbonPanel

RibbonPanel::RibbonPanel(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption) {
    const Metrics m = metrics_for(font());
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(6, m.panel_top, 8, 0);
    layout_->setSpacing(0);

    // Shown instead of the elements while the panel is collapsed.
    collapsed_action_ = new QAction(ribbon_icon(QStringLiteral("panel")), QStringLiteral("\u25BE"), this);
    collapsed_action_->setToolTip(ribbon_tooltip_html(caption));
    collapsed_button_ = new Button(collapsed_action_, ButtonKind::large, true, this);
    collapsed_button_->hide();
    connect(collapsed_action_, &QAction::triggered, this, &RibbonPanel::show_popup);
    layout_->addWidget(collapsed_button_, 0, Qt::AlignHCenter);

    content_widget_ = new PanelContent(this);
    content_ = new QHBoxLayout(content_widget_);
    content_->setContentsMargins(0, 0, 0, 0);
    content_->setSpacing(3);
    layout_->addWidget(content_widget_);
    layout_->addStretch(1);
    auto* label = new QLabel(caption, this);
    label->setAlignment(Qt::AlignCenter);
    label->setFixedHeight(m.caption);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor::fromRgba(colour::caption_text));
    label->setPalette(pal);
    caption_label_ = label;
    layout_->addWidget(label);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    // A command chosen in the pop-up of a collapsed panel closes it.
    connect(this, &RibbonPanel::command_chosen, this, [this] {
        if (popup_ && popup_->isVisible()) popup_->close();
    });
}

// A pop-up still open when the panel goes must not hand its elements back to
// a half-destroyed panel.
RibbonPanel::~RibbonPanel() {
    if (popup_) popup_->disconnect(this);
}

void RibbonPanel::set_icon(const QIcon& icon) {
    collapsed_action_->setIcon(icon);
    icon_set_ = true;
}

void RibbonPanel::note_icon(const QAction* action) {
    if (!icon_set_ && !action->icon().isNull()) set_icon(action->icon());
}

bool RibbonPanel::collapsed() const { return collapsed_; }

int RibbonPanel::expanded_width() const {
    const QMargins margins = layout_->contentsMargins();
    return margins.left() + margins.right() +
           std::max(content_widget_->sizeHint().width(), caption_label_->sizeHint().width());
}

int RibbonPanel::collapsed_width() const {
    const QMargins margins = layout_->contentsMargins();
    return margins.left() + margins.right() +
           std::max(collapsed_button_->sizeHint().width(), caption_label_->sizeHint().width());
}

void RibbonPanel::set_collapsed(bool collapsed) {
    if (collapsed == collapsed_) return;
    if (popup_ && popup_->isVisible()) popup_->close();
    collapsed_ = collapsed;
    collapsed_button_->setVisible(collapsed);
    content_widget_->setVisible(!collapsed);
    // The category measures itself again at once, not on a later event.
    layout_->invalidate();
    updateGeometry();
}

void RibbonPanel::show_popup() {
    if (!collapsed_) return;
    if (!popup_) {
        popup_ = new PanelPopup(this);
        popup_->setPalette(palette());
        popup_->setFont(font());
        connect(popup_, &PanelPopup::closed, this, &RibbonPanel::popup_closed);
    }
    layout_->removeWidget(content_widget_);
    popup_->open(content_widget_, caption_, collapsed_button_->mapToGlobal(QPoint(0, collapsed_button_->height())));
}

void RibbonPanel::popup_closed() {
    if (content_widget_->parentWidget() == this) return;
    layout_->insertWidget(1, content_widget_);
    content_widget_->setVisible(!collapsed_);
}

QString RibbonPanel::caption() const { return caption_; }

void RibbonPanel::close_column() { column_ = nullptr; }

void RibbonPanel::add_row_widget(QWidget* widget) {
    if (!column_ || column_->count() >= 3) {
        column_ = new Column(centred_, content_->parentWidget());
        columns_ << column_;
        content_->addWidget(column_);
    }
    column_->add(widget);
}

void RibbonPanel::add_full_height(QWidget* widget) {
    end_group();
    close_column();
    content_->addWidget(widget, 0, Qt::AlignVCenter);
}

QToolButton* RibbonPanel::add_large_button(QAction* action) {
    auto* button = new Button(action, ButtonKind::large, true, content_->parentWidget());
    connect(button, &Button::about_to_trigger, this, &RibbonPanel::command_chosen);
    note_icon(action);
    add_full_height(button);
    return button;
}

QToolButton* RibbonPanel::add_small_button(QAction* action, bool with_caption) {
    note_icon(action);
    if (group_open_) {
        if (!group_) {
            group_ = new GroupStrip(content_->parentWidget());
            add_row_widget(group_);
        }
        auto* button = new Button(action, ButtonKind::in_group, false, group_);
        connect(button, &Button::about_to_trigger, this, &RibbonPanel::command_chosen);
        group_->add(button);
        return button;
    }
    auto* button =
        new Button(action, ButtonKind::small, with_caption || action->icon().isNull(), content_->parentWidget());
    connect(button, &Button::about_to_trigger, this, &RibbonPanel::command_chosen);
    add_row_widget(button);
    return button;
}

QCheckBox* RibbonPanel::add_check_box(QAction* checkable) {
    end_group();
    checkable->setCheckable(true);
    auto* box = new CheckBox(checkable, content_->parentWidget());
    connect(box, &CheckBox::about_to_trigger, this, &RibbonPanel::command_chosen);
    add_row_widget(box);
    return box;
}

QComboBox* RibbonPanel::add_combo(const QString& caption, const QStringList& items, int width_in_chars,
                                  QAction* command) {
    end_group();
    auto* combo = new QComboBox;
    combo->setPalette(field_palette(combo->palette()));
    combo->addItems(items);
    QStyleOptionComboBox option;
    option.initFrom(combo);
    const QFontMetrics fm(font());
    const QSize text(fm.horizontalAdvance(QLatin1Char('0')) * width_in_chars, fm.height());
    combo->setFixedWidth(combo->style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, combo).width());
    combo->setFixedHeight(metrics_for(font()).row - 1);
    connect(combo, &QComboBox::activated, this, [this, command](int index) {
        emit command_chosen();
        if (command) {
            command->setData(index);
            command->trigger();
        }
    });
    add_row_widget(new FieldRow(caption, combo, command, content_->parentWidget()));
    return combo;
}

QSpinBox* RibbonPanel::add_spin_box(const QString& caption, int min, int max, int width_in_chars, QAction* command) {
    end_group();
    auto* spin = new SpinBox;
    spin->setPalette(field_palette(spin->palette()));
    spin->setRange(min, max);
    spin->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const QFontMetrics fm(font());
    spin->setFixedWidth(fm.horizontalAdvance(QLatin1Char('0')) * width_in_chars + 28);
    spin->setFixedHeight(metrics_for(font()).row - 1);
    connect(spin, &SpinBox::changed_by_user, this, [this, spin, command](bool entered) {
        if (entered) emit command_chosen();
        if (command) {
            command->setData(spin->value());
            command->trigger();
        }
    });
    add_row_widget(new FieldRow(caption, spin, command, content_->parentWidget()));
    return spin;
}

QProgressBar* RibbonPanel::add_progress_bar(int width, int height) {
    end_group();
    auto* bar = new QProgressBar(content_->parentWidget());
    QPalette pal = field_palette(bar->palette());
    pal.setColor(QPalette::Highlight, QColor(0x4f, 0xa8, 0x4a));
    pal.setColor(QPalette::Base, QColor(0xf4, 0xf5, 0xf7));
    bar->setPalette(pal);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setFixedSize(width, height);
    add_row_widget(bar);
    return bar;
}

QToolButton* RibbonPanel::add_label_button(QAction* action) {
    end_group();
    auto* button = new Button(action, ButtonKind::label, true, content_->parentWidget());
    connect(button, &Button::about_to_trigger, this, &RibbonPanel::command_chosen);
    add_row_widget(button);
    return button;
}

void RibbonPanel::begin_group() {
    group_open_ = true;
    group_ = nullptr;
}

void RibbonPanel::end_group() {
    group_open_ = false;
    group_ = nullptr;
}

void RibbonPanel::add_separator() { add_full_height(new Separator(content_->parentWidget())); }

void RibbonPanel::set_centred_columns(bool centred) {
    centred_ = centred;
    for (Column* column : columns_) column->set_centred(centred);
}

bool RibbonPanel::centred_columns() const { return centred_; }

// ================================================================ RibbonCategory

namespace {

// Panels are separated by a thin line at their right edge.
class PanelLine : public QWidget {
public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return {2, 10}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(QColor::fromRgba(colour::line_dark));
        p.drawLine(0, 4, 0, height() - 4);
        p.setPen(QColor::fromRgba(colour::line_light));
        p.drawLine(1, 4, 1, height() - 4);
    }
};

}  // namespace

RibbonCategory::RibbonCategory(const QString& caption, QWidget* parent)
    : QWidget(parent), caption_(caption), layout_(new QHBoxLayout(this)) {
    layout_->setContentsMargins(2, 0, 0, 0);
    layout_->setSpacing(0);
    layout_->addStretch(1);
}

QString RibbonCategory::caption() const { return caption_; }

RibbonPanel* RibbonCategory::add_panel(const QString& caption) {
    auto* panel = new RibbonPanel(caption, this);
    auto* line = new PanelLine(this);
    line->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    layout_->insertWidget(layout_->count() - 1, panel);
    layout_->insertWidget(layout_->count() - 1, line);
    panels_ << panel;
    connect(panel, &RibbonPanel::command_chosen, this, &RibbonCategory::command_chosen);
    return panel;
}

QList<RibbonPanel*> RibbonCategory::panels() const { return panels_; }

void RibbonCategory::fit_to_width(int width) {
    const QMargins margins = layout_->contentsMargins();
    const int line = 2;  // the line after each panel
    QList<int> saving;
    int total = margins.left() + margins.right();
    for (const RibbonPanel* panel : panels_) {
        total += panel->expanded_width() + line;
        saving << panel->expanded_width() - panel->collapsed_width();
    }
    qsizetype keep = panels_.size();
    while (total > width && keep > 0) {
        --keep;
        total -= saving[keep];
    }
    for (qsizetype i = 0; i < panels_.size(); ++i) panels_[i]->set_collapsed(i >= keep);
}

// ================================================================ Ribbon

namespace {

// The application menu shows its commands with large icons.
class ApplicationMenuStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_SmallIconSize) return 32;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

}  // namespace

Ribbon::Ribbon(QWidget* parent) : QWidget(parent) {
    register_ribbon_icons();
    setPalette(ribbon_palette(palette()));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);

    tab_row_ = new TabRow(this);
    auto* row = new QHBoxLayout(tab_row_);
    row->setContentsMargins(3, 1, 6, 0);
    row->setSpacing(0);

    app_button_ = new ApplicationButton(tab_row_);
    app_button_->setIcon(ribbon_icon(QStringLiteral("app-logo")));
    app_menu_ = new QMenu(this);
    // The style is the ribbon's child, made after the menu, so that it is
    // deleted after the menu that uses it.
    auto* menu_style = new ApplicationMenuStyle;
    menu_style->setParent(this);
    app_menu_->setStyle(menu_style);
    app_menu_->setToolTipsVisible(true);
    connect(app_menu_, &QMenu::aboutToShow, this, &Ribbon::place_bottom_row);
    app_button_->setMenu(app_menu_);
    row->addWidget(app_button_, 0, Qt::AlignVCenter);
    row->addSpacing(6);

    quick_access_ = new QHBoxLayout;
    quick_access_->setSpacing(1);
    row->addLayout(quick_access_);
    row->addSpacing(14);

    tabs_layout_ = new QHBoxLayout;
    tabs_layout_->setSpacing(2);
    row->addLayout(tabs_layout_);
    row->addStretch(1);

    right_layout_ = new QHBoxLayout;
    right_layout_->setSpacing(1);
    row->addLayout(right_layout_);
    layout_->addWidget(tab_row_);

    body_ = new Body(this);
    stack_ = body_->stack();
    layout_->addWidget(body_);

    popup_ = new Popup(this);
    popup_->setPalette(palette());
    connect(popup_, &Popup::closed, this, &Ribbon::popup_closed);

    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &Ribbon::toggle_minimised);
    auto* popup_shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1), popup_);
    connect(popup_shortcut, &QShortcut::activated, this, [this] { set_minimised(false); });

    key_tips_ = new KeyTips(this);
    key_tips_->add(app_button_, QStringLiteral("F"), [this] { app_button_->showMenu(); });
}

Ribbon::~Ribbon() { popup_->disconnect(this); }

QMenu* Ribbon::application_menu() const { return app_menu_; }

void Ribbon::set_application_icon(const QIcon& icon) { app_button_->setIcon(icon); }

void Ribbon::add_application_bottom_action(QAction* action) {
    if (!app_bottom_row_) {
        app_bottom_row_ = new MenuBottomRow;
        auto* widget_action = new QWidgetAction(app_menu_);
        widget_action->setDefaultWidget(app_bottom_row_);
        app_bottom_action_ = widget_action;
        app_menu_->addAction(app_bottom_action_);
    }
    auto* button = new Button(action, ButtonKind::menu_bottom, true, app_bottom_row_);
    button->setFont(app_menu_->font());
    connect(button, &Button::about_to_trigger, app_menu_, &QMenu::close);
    static_cast<MenuBottomRow*>(app_bottom_row_)->add(button);
}

void Ribbon::place_bottom_row() {
    if (!app_bottom_action_) return;
    const QList<QAction*> actions = app_menu_->actions();
    if (!actions.isEmpty() && actions.last() == app_bottom_action_) return;
    app_menu_->removeAction(app_bottom_action_);
    app_menu_->addAction(app_bottom_action_);
}

namespace {

// What a key tip on a button does: what a click would.
std::function<void()> trigger_if_enabled(QAction* action) {
    return [action] {
        if (action->isEnabled()) action->trigger();
    };
}

}  // namespace

void Ribbon::add_quick_access(QAction* action) {
    auto* button = new Button(action, ButtonKind::quick_access, false, tab_row_);
    quick_access_->addWidget(button, 0, Qt::AlignVCenter);
    if (++quick_access_count_ <= 9)
        key_tips_->add(button, QString::number(quick_access_count_), trigger_if_enabled(action));
}

QToolButton* Ribbon::add_tab_row_action(QAction* action, bool with_caption, const QString& key_tip) {
    auto* button = new Button(action, ButtonKind::quick_access, with_caption, tab_row_);
    right_layout_->addWidget(button, 0, Qt::AlignVCenter);
    if (!key_tip.isEmpty()) key_tips_->add(button, key_tip, trigger_if_enabled(action));
    return button;
}

void Ribbon::show_key_tips() { key_tips_->show_tips(); }

bool Ribbon::key_tips_shown() const { return key_tips_->shown(); }

QStringList Ribbon::shown_key_tips() const { return key_tips_->shown_tips(); }

RibbonCategory* Ribbon::add_category(const QString& caption, const QString& key_tip) {
    const int index = static_cast<int>(categories_.size());
    auto* category = new RibbonCategory(caption);
    stack_->addWidget(category);
    categories_ << category;
    auto* tab = new Tab(caption, tab_row_);
    tabs_layout_->addWidget(tab, 0, Qt::AlignBottom);
    tabs_ << tab;
    connect(tab, &Tab::activated, this, [this, index] { tab_pressed(index); });
    connect(tab, &Tab::double_clicked, this, [this, index] { tab_double_clicked(index); });
    if (!key_tip.isEmpty()) key_tips_->add(tab, key_tip, [this, index] { tab_pressed(index); });
    connect(category, &RibbonCategory::command_chosen, this, [this] {
        if (popup_->isVisible()) popup_->close();
    });
    if (current_ < 0) set_current_index(0);
    update_tabs();
    return category;
}

QList<RibbonCategory*> Ribbon::categories() const { return categories_; }

int Ribbon::current_index() const { return current_; }

void Ribbon::set_current_index(int index) {
    if (index < 0 || index >= categories_.size() || index == current_) return;
    current_ = index;
    stack_->setCurrentIndex(index);
    update_tabs();
    emit current_changed(index);
}

bool Ribbon::minimised() const { return minimised_; }

void Ribbon::set_minimised(bool minimised) {
    if (minimised == minimised_) return;
    if (popup_->isVisible()) popup_->close();
    minimised_ = minimised;
    body_->setVisible(!minimised);
    update_tabs();
    updateGeometry();
    emit minimised_changed(minimised);
}

void Ribbon::toggle_minimised() { set_minimised(!minimised_); }

bool Ribbon::popup_visible() const { return popup_->isVisible(); }

void Ribbon::tab_pressed(int index) {
    if (!minimised_) {
        set_current_index(index);
        return;
    }
    if (popup_->isVisible()) {
        const bool same = popup_->opened_for() == index;
        popup_->close();
        if (same) return;
    }
    show_popup(index);
}

void Ribbon::tab_double_clicked(int index) {
    if (minimised_) {
        set_current_index(index);
        set_minimised(false);
    } else {
        set_minimised(true);
    }
}

void Ribbon::show_popup(int index) {
    if (!minimised_ || index < 0 || index >= categories_.size()) return;
    if (popup_->isVisible()) popup_->close();
    set_current_index(index);
    layout_->removeWidget(body_);
    popup_->open_for(index, body_, tab_row_->mapToGlobal(QPoint(0, tab_row_->height())), width());
    update_tabs();
}

void Ribbon::popup_closed() {
    if (body_->parentWidget() != this) {
        layout_->insertWidget(1, body_);
        body_->setVisible(!minimised_);
    }
    update_tabs();
}

void Ribbon::update_tabs() {
    const bool shown = !minimised_ || popup_->isVisible();
    for (int i = 0; i < tabs_.size(); ++i) tabs_[i]->set_selected(shown && i == current_);
}

int Ribbon::tab_at(const QPoint& global) const {
    for (int i = 0; i < tabs_.size(); ++i) {
        const Tab* tab = tabs_[i];
        if (tab->isVisible() && tab->rect().contains(tab->mapFromGlobal(global))) return i;
    }
    return -1;
}

}  // namespace tessaly::ribbon
