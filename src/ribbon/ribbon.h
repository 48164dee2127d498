#pragma once

// A small ribbon in the manner of an Office 2007 ribbon, dark: an application
// button with its menu, a quick-access toolbar, a row of category tabs with
// a few elements at its right end, and below it the current category's
// panels of buttons, check boxes, lists and fields.
//
// Every element is made for a QAction, so the window that owns the ribbon
// wires its commands, enabling and check marks through its actions alone: a
// button disables itself with its action, a check box follows the action's
// checked state both ways, and each element shows the action's tooltip.
//
// The ribbon can be minimised to its tab row (Ctrl+F1 anywhere in its window,
// a double click on a tab, or set_minimised); a tab clicked then shows its
// category as a pop-up until a command is chosen or the pop-up loses focus.
// Ctrl+F1 is the ribbon's own shortcut: give no action of the window that key,
// or Qt sees an ambiguous shortcut and neither fires.
//
// A window narrower than the current category collapses the panels at its
// right end, each into one button that shows the panel in a pop-up.
//
// Alt pressed and released alone, or F10, shows key tips: a key beside the
// application button ("F"), the quick-access buttons (1, 2, ...), the tabs
// and the tab row's elements; that key then runs the element, Esc leaves.

#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QAction;
class QComboBox;
class QHBoxLayout;
class QMenu;
class QProgressBar;
class QSpinBox;
class QStackedWidget;
class QToolButton;
class QCheckBox;
class QVBoxLayout;

namespace tessaly::ribbon {

class RibbonCategory;
class RibbonPanel;

namespace detail {
class ApplicationButton;
class Body;
class Button;
class Column;
class GroupStrip;
class KeyTips;
class PanelPopup;
class Popup;
class Tab;
class TabRow;
}  // namespace detail

// One picture of the application's icon set by name: ribbon_icon("file-new")
// is ":/icons/file-new.svg".
QIcon ribbon_icon(const QString& name);

// Makes sure the icon resource compiled into this library is registered.
void register_ribbon_icons();

// Tooltip text as the message catalogue gives it: "DESCRIPTION\nTITLE", each
// "\r" in the description a line break. Returns rich text, the title in bold
// on the first line and the description below. The title is what follows the
// last "\n"; an earlier "\n" breaks the description's line like "\r" (one
// catalogue entry has one where "\r" was meant).
QString ribbon_tooltip_html(const QString& catalogue_text);

// Gives the action that tooltip; every ribbon element made for the action
// shows it.
void set_ribbon_tooltip(QAction* action, const QString& catalogue_text);

// Sets a progress bar's range to 0..maximum. A maximum of 0 or less shows
// an empty, still bar: Qt would show its endless "busy" animation instead.
void set_progress_maximum(QProgressBar* bar, int maximum);

class RibbonPanel : public QWidget {
    Q_OBJECT

public:
    explicit RibbonPanel(const QString& caption, QWidget* parent = nullptr);
    ~RibbonPanel() override;

    QString caption() const;

    // A button filling the panel's height: its 32×32 icon above its text; a
    // text with a space in it is set on two lines.
    QToolButton* add_large_button(QAction* action);
    // A button one row high with the 16×16 icon, and the text beside it when
    // with_caption is set or the action has no icon. Small elements stack in
    // columns of three rows; small buttons after begin_group() sit side by
    // side in one joined strip, which takes one row.
    QToolButton* add_small_button(QAction* action, bool with_caption = false);
    // A check box showing the action's text that follows and sets the
    // action's checked state (the action is made checkable).
    QCheckBox* add_check_box(QAction* checkable);
    // A caption, then a drop-down list about width_in_chars digits wide.
    // Choosing an item (with the mouse or the keyboard, never when the
    // program sets the index) puts its index into command->data() and
    // triggers command. The list shows the command's tooltip and enabling.
    QComboBox* add_combo(const QString& caption, const QStringList& items, int width_in_chars,
                         QAction* command = nullptr);
    // A caption, then a number field with spin buttons about width_in_chars
    // digits wide. When the user changes the value (spin buttons, arrow keys,
    // or typing and Enter or leaving the field) its value is put into
    // command->data() and command is triggered; setValue() from the program
    // triggers nothing.
    QSpinBox* add_spin_box(const QString& caption, int min, int max, int width_in_chars, QAction* command = nullptr);
    // A progress bar of the given size in pixels, range 0 to 100, at 0. Set
    // its range with set_progress_maximum.
    QProgressBar* add_progress_bar(int width, int height);
    // A flat button one row high showing the action's text: a label that can
    // be clicked. It follows the action when the program changes the text.
    QToolButton* add_label_button(QAction* action);

    // Starts a new group: the small buttons added next sit side by side in
    // one strip. Any element other than a small button ends the group.
    void begin_group();
    void end_group();
    // A thin vertical line between columns.
    void add_separator();
    // Columns that are not full are centred vertically instead of starting
    // at the top row (applies to the whole panel, before or after adding).
    void set_centred_columns(bool centred);
    bool centred_columns() const;

    // When the window is too narrow for the whole category, the panels at
    // its right end collapse, each into one button that shows the panel's
    // elements in a pop-up. The button's picture is the panel's first icon,
    // or this one.
    void set_icon(const QIcon& icon);
    bool collapsed() const;

signals:
    // The user chose a command in this panel; sent just before the command's
    // action is triggered, so that a pop-up can close first.
    void command_chosen();

private:
    void add_row_widget(QWidget* widget);
    void close_column();
    void add_full_height(QWidget* widget);
    void note_icon(const QAction* action);
    int expanded_width() const;
    int collapsed_width() const;
    void set_collapsed(bool collapsed);
    void show_popup();
    void popup_closed();

    QString caption_;
    QVBoxLayout* layout_ = nullptr;
    QWidget* content_widget_ = nullptr;
    QWidget* caption_label_ = nullptr;
    QAction* collapsed_action_ = nullptr;
    detail::Button* collapsed_button_ = nullptr;
    detail::PanelPopup* popup_ = nullptr;
    bool collapsed_ = false;
    bool icon_set_ = false;
    QHBoxLayout* content_ = nullptr;
    detail::Column* column_ = nullptr;
    QList<detail::Column*> columns_;
    detail::GroupStrip* group_ = nullptr;
    bool group_open_ = false;
    bool centred_ = false;

    friend class RibbonCategory;
};

class RibbonCategory : public QWidget {
    Q_OBJECT

public:
    explicit RibbonCategory(const QString& caption, QWidget* parent = nullptr);

    QString caption() const;
    RibbonPanel* add_panel(const QString& caption);
    QList<RibbonPanel*> panels() const;

signals:
    // A command of this category was chosen (a button or check box clicked,
    // an item chosen in a list, a number entered): a pop-up shown for the
    // category closes.
    void command_chosen();

private:
    // Collapses panels from the right end until the category fits width.
    void fit_to_width(int width);

    QString caption_;
    QHBoxLayout* layout_ = nullptr;
    QList<RibbonPanel*> panels_;

    friend class detail::Body;
};

class Ribbon : public QWidget {
    Q_OBJECT

public:
    explicit Ribbon(QWidget* parent = nullptr);
    ~Ribbon() override;

    // The application button at the top left and the menu it opens. Items
    // added to the menu show 32×32 icons; the bottom-row actions are shown as
    // buttons in a row under all other items.
    QMenu* application_menu() const;
    void add_application_bottom_action(QAction* action);
    void set_application_icon(const QIcon& icon);

    // Icon-only buttons beside the application button; their key tips are
    // 1, 2, 3, ... in the order added.
    void add_quick_access(QAction* action);
    // Buttons at the right end of the tab row, in the order added; with
    // with_caption the action's text is shown beside its icon.
    QToolButton* add_tab_row_action(QAction* action, bool with_caption = false, const QString& key_tip = {});

    RibbonCategory* add_category(const QString& caption, const QString& key_tip = {});
    QList<RibbonCategory*> categories() const;
    int current_index() const;
    void set_current_index(int index);

    bool minimised() const;
    void set_minimised(bool minimised);
    void toggle_minimised();

    // The category pop-up of a minimised ribbon is showing.
    bool popup_visible() const;

    // Key-tip mode, as Alt or F10 turns it on.
    void show_key_tips();
    bool key_tips_shown() const;
    QStringList shown_key_tips() const;

signals:
    void minimised_changed(bool minimised);
    void current_changed(int index);

private:
    void tab_pressed(int index);
    void tab_double_clicked(int index);
    void show_popup(int index);
    void popup_closed();
    void update_tabs();
    void place_bottom_row();
    int tab_at(const QPoint& global) const;

    detail::TabRow* tab_row_ = nullptr;
    detail::ApplicationButton* app_button_ = nullptr;
    QMenu* app_menu_ = nullptr;
    QWidget* app_bottom_row_ = nullptr;
    QAction* app_bottom_action_ = nullptr;
    QHBoxLayout* quick_access_ = nullptr;
    QHBoxLayout* tabs_layout_ = nullptr;
    QHBoxLayout* right_layout_ = nullptr;
    detail::Body* body_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    detail::Popup* popup_ = nullptr;
    detail::KeyTips* key_tips_ = nullptr;
    int quick_access_count_ = 0;
    QVBoxLayout* layout_ = nullptr;
    QList<detail::Tab*> tabs_;
    QList<RibbonCategory*> categories_;
    int current_ = -1;
    bool minimised_ = false;

    friend class detail::Popup;
};

}  // namespace tessaly::ribbon
