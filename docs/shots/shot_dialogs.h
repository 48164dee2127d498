#pragma once

// The dialogs of the program as the picture maker meets them: every message
// box is shown as the program shows it, photographed and answered Yes; every
// window of the program's own is handed to the step that photographs it.

#include <functional>

#include <QDialog>

#include "shell/user_dialogs.h"

namespace tessaly::shots {

class ShotDialogs : public app::UserDialogs {
public:
    // Where each message box goes: the name of its picture, or empty for
    // none.
    std::function<QString()> message_picture;
    // What becomes of a window of the program's own; closed at once when
    // there is no step for it.
    std::function<int(QDialog&)> window_step;
    // Saves a picture under its name in the pictures' folder.
    std::function<void(const QString& name, const QPixmap& picture)> save;

    int present(const std::string& text, MessageStyle style) override;
    app::SaveChoice ask_save_changes(const QString&) override { return app::SaveChoice::Discard; }
    QStringList open_files(const QString&, const QString&, bool) override { return {}; }
    QString save_file(const QString&, const QString&, const QString&, bool) override { return {}; }
    QString choose_folder(const QString&, const QString&) override { return {}; }
    int run_modal(QDialog& dialog) override { return window_step ? window_step(dialog) : int(QDialog::Rejected); }
    int choose_item(const QString&, const QString&, const QStringList&) override { return 0; }
};

// Lets the program finish what it was doing: layouts, paints, timers.
void settle(int milliseconds = 60);

}  // namespace tessaly::shots
