#pragma once

// The settings dialog (環境設定): start-up, the chart canvas size, the result
// folder, the pointer animation, backups, the guide, the background change
// and the confirmation before a cross.

#include <functional>

#include <QDialog>
#include <QSettings>

#include "chart/chart.h"
#include "shell/user_dialogs.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace tessaly::app {

struct SettingsCopy;

// What the dialog shows and gives back.
struct EnvironmentValues {
    bool open_last_chart = false;
    int view_width = 0;
    int view_height = 0;
    QString result_folder;
    int comets = 3;  // 0 none, 1 to 10 animated figures
    int comet_speed = 0;
    bool make_backup = true;
    bool show_guide = true;
    bool tint_active_area = true;
    bool confirm_cross = true;
};

class SettingsDialog : public QDialog {
    Q_OBJECT

public:
    SettingsDialog(const EnvironmentValues& values, UserDialogs& dialogs, QWidget* parent = nullptr);

    // The values as the user left them, after a save.
    const EnvironmentValues& values() const { return values_; }

    // The controls, for tests.
    QLineEdit* folder_field() const { return folder_; }
    QSpinBox* width_field() const { return width_; }
    QSpinBox* height_field() const { return height_; }
    QCheckBox* animation_box() const { return animation_; }
    QSpinBox* animation_count() const { return count_; }

public slots:
    void browse();
    void save();

private:
    bool folder_is_usable(const QString& folder);
    void check_canvas_field(QSpinBox* field);

    UserDialogs& dialogs_;
    EnvironmentValues values_;
    QCheckBox* last_open_;
    QSpinBox* width_;
    QSpinBox* height_;
    QLineEdit* folder_;
    QCheckBox* animation_;
    QSpinBox* count_;
    QButtonGroup* speed_;
    QCheckBox* backup_;
    QCheckBox* guide_;
    QCheckBox* background_;
    QCheckBox* confirm_;
};

// Opens the dialog over the current settings; on a save writes them back as
// the settings file, the settings copy and the chart expect. Returns 1 when
// saved; canvas_changed tells whether the chart's canvas size changed.
int edit_settings(QWidget* owner, UserDialogs& dialogs, QSettings& settings, SettingsCopy& copy, Chart& chart,
                  bool& canvas_changed);

// The same, for tests: the dialog is made, then `drive` plays the user and
// returns whether the dialog was saved.
int edit_settings_with(const std::function<bool(SettingsDialog&)>& drive, UserDialogs& dialogs, QSettings& settings,
                       SettingsCopy& copy, Chart& chart, bool& canvas_changed);

}  // namespace tessaly::app
