#include "app/chart_document.h"

#include <QFileInfo>

#include "app/recent_files.h"
#include "chart/chart_file.h"
#include "shell/settings.h"
#include "text/show_message.h"

namespace tessaly::app {

namespace {
const QString kFilter = QStringLiteral("Tessaly Files (*.tsy)");
}

ChartDocument::ChartDocument(UserDialogs& dialogs, QSettings& settings, int screen_width, int screen_height)
    : dialogs_(dialogs), settings_(settings), screen_width_(screen_width), screen_height_(screen_height) {
    chart_.reset(screen_width_, screen_height_);
}

void ChartDocument::set_modified(bool modified) {
    if (modified_ == modified) return;
    modified_ = modified;
    emit title_changed();
}

QString ChartDocument::display_name() const {
    return path_.isEmpty() ? QString::fromUtf8("無題") : QFileInfo(path_).fileName();
}

QString ChartDocument::window_title() const { return display_name() + QStringLiteral("[*] - Tessaly"); }

bool ChartDocument::may_discard() {
    if (!modified_) return true;
    switch (dialogs_.ask_save_changes(display_name())) {
        case SaveChoice::Save:
            return save();
        case SaveChoice::Discard:
            return true;
        case SaveChoice::Cancel:
            return false;
    }
    return false;
}

void ChartDocument::new_chart() {
    chart_.clear();  // the display state stays: a new chart keeps the look of the last
    path_.clear();
    stamp_.reset();
    modified_ = false;
    emit title_changed();
    emit chart_replaced();
}

bool ChartDocument::open(const QString& path) {
    FileStamp stamp;
    Status opened = open_chart(path.toStdString(), chart_, &stamp);
    stamp_.reset();
    if (!opened) {
        show_message(dialogs_, opened);
        // The tables are reset, and the document with them: were the old
        // name kept, a save would write this empty chart over that file.
        chart_.reset(screen_width_, screen_height_);
        path_.clear();
        modified_ = false;
        emit title_changed();
        emit chart_replaced();
        return false;
    }
    path_ = QFileInfo(path).absoluteFilePath();
    stamp_ = stamp;
    modified_ = false;
    add_recent_file(settings_, path_);
    emit title_changed();
    emit chart_replaced();
    return true;
}

bool ChartDocument::save_to(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // As editors do: never write silently over a change made elsewhere.
    if (absolute == path_ && stamp_) {
        const std::optional<FileStamp> on_disk = file_stamp(absolute.toStdString());
        if (on_disk && *on_disk != *stamp_ &&
            show_message(dialogs_, absolute.toStdString() + "\n", MessageId::AskOverwriteChangedChart) != kAnswerYes)
            return false;
    }
    const bool backup = setting(settings_, Setting::MakeBackup) != 0;
    FileStamp written;
    Status saved = save_chart(path.toStdString(), chart_, backup, nullptr, &written);
    if (!saved) {
        show_message(dialogs_, saved);
        return false;
    }
    path_ = absolute;
    stamp_ = written;
    set_last_chart_path(settings_, path_);
    add_recent_file(settings_, path_);
    modified_ = false;
    emit title_changed();
    return true;
}

bool ChartDocument::save() { return path_.isEmpty() ? save_as() : save_to(path_); }

bool ChartDocument::save_as() {
    QString path = dialogs_.save_file(QString(), path_.isEmpty() ? display_name() + ".tsy" : path_, kFilter);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += ".tsy";
    return save_to(path);
}

}  // namespace tessaly::app
