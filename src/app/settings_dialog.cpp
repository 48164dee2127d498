#include "app/settings_dialog.h"

#include <filesystem>
#include <system_error>

#include <unistd.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "chart/display_switches.h"
#include "shell/settings.h"
#include "text/show_message.h"

namespace tessaly::app {

namespace {

constexpr int kCanvasLowest = 500;
constexpr int kCanvasHighest = 5000;

QString u(const char* text) { return QString::fromUtf8(text); }

// A canvas size field: any number may be typed (leaving the field checks it),
// while the arrows keep within 500 to 5,000.
class CanvasSizeBox : public QSpinBox {
public:
    explicit CanvasSizeBox(QWidget* parent) : QSpinBox(parent) {
        setRange(0, 65535);
        setGroupSeparatorShown(true);
    }
    void stepBy(int steps) override {
        setValue(std::clamp(value() + steps * singleStep(), kCanvasLowest, kCanvasHighest));
    }
};

QCheckBox* check_box(const char* caption, bool value, QWidget* parent) {
    auto* box = new QCheckBox(u(caption), parent);
    box->setChecked(value);
    return box;
}

}  // namespace

SettingsDialog::SettingsDialog(const EnvironmentValues& values, UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), values_(values) {
    setWindowTitle(u("環境設定"));
    auto* layout = new QVBoxLayout(this);

    last_open_ = check_box("1 起動時に、最後に開いていたファイルを表示する(&L)", values.open_last_chart, this);
    layout->addWidget(last_open_);

    auto* canvas = new QHBoxLayout;
    canvas->addWidget(new QLabel(u("2 ビューのサイズ　　幅"), this));
    width_ = new CanvasSizeBox(this);
    width_->setValue(values.view_width);
    canvas->addWidget(width_);
    canvas->addWidget(new QLabel(u("高さ"), this));
    height_ = new CanvasSizeBox(this);
    height_->setValue(values.view_height);
    canvas->addWidget(height_);
    canvas->addWidget(new QLabel(u("(500-5,000 pixel)"), this));
    canvas->addStretch();
    layout->addLayout(canvas);
    for (QSpinBox* field : {width_, height_})
        connect(field, &QSpinBox::editingFinished, this, [this, field] { check_canvas_field(field); });

    layout->addWidget(new QLabel(u("3 クロス結果ファイルの保存場所："), this));
    auto* folder_row = new QHBoxLayout;
    folder_ = new QLineEdit(values.result_folder, this);
    folder_row->addWidget(folder_, 1);
    auto* browse_button = new QPushButton(u("参照(&F)"), this);
    folder_row->addWidget(browse_button);
    layout->addLayout(folder_row);
    connect(browse_button, &QPushButton::clicked, this, &SettingsDialog::browse);

    animation_ =
        check_box("4 オブジェクト上にマウスカーソルが乗ったとき、アニメを表示する(&A)", values.comets >= 1, this);
    layout->addWidget(animation_);
    auto* anime = new QGridLayout;
    anime->setContentsMargins(24, 0, 0, 0);
    anime->addWidget(new QLabel(u("表示するアニメの個数："), this), 0, 0);
    count_ = new QSpinBox(this);
    count_->setRange(1, 10);
    count_->setValue(values.comets >= 1 ? values.comets : 3);
    anime->addWidget(count_, 0, 1);
    anime->addWidget(new QLabel(u("(1 - 10個)"), this), 0, 2);
    anime->addWidget(new QLabel(u("アニメ表示速度："), this), 1, 0);
    auto* speeds = new QHBoxLayout;
    speed_ = new QButtonGroup(this);
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(i == 0 ? u("速い") : i == 4 ? u("遅い") : QString(), this);
        speed_->addButton(radio, i);
        speeds->addWidget(radio);
    }
    const int speed = values.comet_speed >= 0 && values.comet_speed <= 4 ? values.comet_speed : 0;
    speed_->button(speed)->setChecked(true);
    anime->addLayout(speeds, 1, 1, 1, 2);
    layout->addLayout(anime);

    backup_ = check_box("5 上書き保存時、バックアップファイルを作成する(&B)", values.make_backup, this);
    guide_ = check_box("6 ステータスバーに操作ガイドを表示する(&G)", values.show_guide, this);
    background_ = check_box("7 ビューの切り替え時、背景色を変更する(&V)", values.tint_active_area, this);
    confirm_ = check_box("8 クロス実行前に条件確認ウィンドウを表示する(&D)", values.confirm_cross, this);
    layout->addWidget(backup_);
    layout->addWidget(guide_);
    auto* note = new QLabel(u("※ F2キーで、表示と非表示を切り替えることができます。"), this);
    note->setContentsMargins(24, 0, 0, 0);
    layout->addWidget(note);
    layout->addWidget(background_);
    layout->addWidget(confirm_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* save_button = new QPushButton(u("保存終了(&S)"), this);
    auto* close_button = new QPushButton(u("閉じる(&C)"), this);
    save_button->setDefault(true);
    buttons->addWidget(save_button);
    buttons->addWidget(close_button);
    layout->addLayout(buttons);
    connect(save_button, &QPushButton::clicked, this, &SettingsDialog::save);
    connect(close_button, &QPushButton::clicked, this, &QDialog::reject);
}

void SettingsDialog::check_canvas_field(QSpinBox* field) {
    if (field->value() >= kCanvasLowest && field->value() <= kCanvasHighest) return;
    show_message(dialogs_, "", MessageId::SettingOutOfRange, MessageStyle::Stop);
    QTimer::singleShot(0, field, [field] { field->setFocus(); });
}

void SettingsDialog::browse() {
    // A folder path of this system starts at the root; anything else starts
    // the chooser in the home folder.
    QString start = folder_->text();
    if (!start.startsWith('/')) start = QDir::homePath();
    const std::string_view instruction = message_text(MessageId::ChooseResultFolder);
    const QString chosen =
        dialogs_.choose_folder(QString::fromUtf8(instruction.data(), static_cast<int>(instruction.size())), start);
    if (!chosen.isEmpty()) folder_->setText(QDir::toNativeSeparators(chosen));
}

// A typed folder is checked as the cross would find it: one that is missing
// may be made now; a file or a folder that takes no new files is refused,
// saying which.
bool SettingsDialog::folder_is_usable(const QString& folder) {
    if (folder.isEmpty()) {
        show_message(dialogs_, "", MessageId::NoResultFolder, MessageStyle::Stop);
        return false;
    }
    const std::string named = folder.toStdString() + "\n";
    if (!folder.startsWith('/')) {
        show_message(dialogs_, named, MessageId::FolderNotAbsolute);
        return false;
    }
    const QFileInfo info(folder);
    if (!info.exists()) {
        if (show_message(dialogs_, named, MessageId::AskCreateFolder) != kAnswerYes) return false;
        std::error_code error;
        std::filesystem::create_directories(folder.toStdString(), error);
        if (error) {
            show_message(dialogs_, named, MessageId::CreateFolderFailed);
            return false;
        }
        return true;
    }
    if (!info.isDir()) {
        show_message(dialogs_, named, MessageId::FileNotFolder);
        return false;
    }
    if (::access(folder.toLocal8Bit().constData(), W_OK | X_OK) != 0) {
        show_message(dialogs_, named, MessageId::FolderNotWritable);
        return false;
    }
    return true;
}

void SettingsDialog::save() {
    values_.open_last_chart = last_open_->isChecked();
    values_.view_width = width_->value();
    values_.view_height = height_->value();
    values_.result_folder = folder_->text().trimmed();
    if (!folder_is_usable(values_.result_folder)) {
        folder_->setFocus();
        return;
    }
    values_.comets = animation_->isChecked() ? std::clamp(count_->value(), 1, 10) : 0;
    values_.comet_speed = std::max(speed_->checkedId(), 0);
    values_.make_backup = backup_->isChecked();
    values_.show_guide = guide_->isChecked();
    values_.tint_active_area = background_->isChecked();
    values_.confirm_cross = confirm_->isChecked();
    accept();
}

int edit_settings_with(const std::function<bool(SettingsDialog&)>& drive, UserDialogs& dialogs, QSettings& settings,
                       SettingsCopy& copy, Chart& chart, bool& canvas_changed) {
    canvas_changed = false;
    EnvironmentValues values;
    values.open_last_chart = setting(settings, Setting::OpenLastChart) == 1;
    values.view_width = chart.display.view_width;
    values.view_height = chart.display.view_height;
    values.result_folder = result_folder(settings);
    values.comets = copy.comets;
    values.comet_speed = copy.comet_speed;
    values.make_backup = setting(settings, Setting::MakeBackup) != 0;
    values.show_guide = copy.show_guide;
    values.tint_active_area = copy.tint_active_area;
    values.confirm_cross = copy.confirm_cross;

    SettingsDialog dialog(values, dialogs);
    if (!drive(dialog)) return 0;
    const EnvironmentValues& v = dialog.values();

    set_setting(settings, Setting::OpenLastChart, v.open_last_chart ? 1 : 0);
    if (v.view_width != chart.display.view_width || v.view_height != chart.display.view_height) {
        set_canvas_size(chart, v.view_width, v.view_height);
        canvas_changed = true;
    }
    set_result_folder(settings, v.result_folder);
    // The copy and the file agree after every save.
    auto keep = [&settings]<typename T>(T& held, T value, Setting which) {
        if (held == value) return;
        held = value;
        set_setting(settings, which, static_cast<int>(value));
    };
    keep(copy.comets, v.comets, Setting::Comets);
    keep(copy.comet_speed, v.comet_speed, Setting::CometSpeed);
    set_setting(settings, Setting::MakeBackup, v.make_backup ? 1 : 0);
    keep(copy.show_guide, v.show_guide, Setting::ShowGuide);
    keep(copy.tint_active_area, v.tint_active_area, Setting::TintActiveArea);
    keep(copy.confirm_cross, v.confirm_cross, Setting::ConfirmCross);
    return 1;
}

int edit_settings(QWidget* owner, UserDialogs& dialogs, QSettings& settings, SettingsCopy& copy, Chart& chart,
                  bool& canvas_changed) {
    return edit_settings_with(
        [owner, &dialogs](SettingsDialog& dialog) {
            dialog.setParent(owner, dialog.windowFlags());
            return dialogs.run_modal(dialog) == QDialog::Accepted;
        },
        dialogs, settings, copy, chart, canvas_changed);
}

}  // namespace tessaly::app
