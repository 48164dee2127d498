#pragma once

// The cross-key how-to (クロスキーのセット方法): how to mark a birth date
// as the cross key in the file area, by keys and by mouse, with a picture
// of the example record. A fixed page closed by its close box or Esc.

#include <QDialog>

namespace tessaly::app {

class UserDialogs;

class KeyHelpDialog : public QDialog {
    Q_OBJECT

public:
    explicit KeyHelpDialog(QWidget* parent = nullptr);

    // The dialog's texts from top to bottom; the picture stands after the
    // first.
    static QStringList texts();
};

void show_key_help(QWidget* owner, UserDialogs& dialogs);

}  // namespace tessaly::app
