#pragma once

// The about box (バージョン情報): the program icon, its name, and the version
// history, newest first, under this build's own version.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace tessaly::app {

class UserDialogs;

// This build's version line, from the project's version.
QString program_version_line();

// The text of the version field: the program's version line, then the
// releases from the newest (Release108) down to the first (Release100); every line
// ends in CR LF. A history line the catalogue lacks leaves its line end.
QString version_history_text();

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);

    QPlainTextEdit* history_field() const { return history_; }
    QPushButton* confirm_button() const { return confirm_; }

private:
    QPlainTextEdit* history_;
    QPushButton* confirm_;
};

// Shows the about box until 確認 or Esc closes it.
void show_about_box(QWidget* owner, UserDialogs& dialogs);

}  // namespace tessaly::app
