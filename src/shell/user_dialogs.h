#pragma once

// Every message box, file dialog, folder chooser and question of the
// application goes through this one interface: the real one shows Qt's
// dialogs, tests put in one that records what was asked and answers at once.

#include <QString>
#include <QStringList>

#include "text/show_message.h"

class QDialog;
class QWidget;

namespace tessaly::app {

enum class SaveChoice { Save, Discard, Cancel };

class UserDialogs : public MessagePresenter {
public:
    // Before a changed chart is replaced or the program ends.
    virtual SaveChoice ask_save_changes(const QString& document_name) = 0;
    // Files to open (several allowed), or none when cancelled.
    virtual QStringList open_files(const QString& caption, const QString& filter, bool several) = 0;
    // A file name to save under, or empty when cancelled. Without
    // confirm_overwrite the caller asks about an existing file itself.
    virtual QString save_file(const QString& caption, const QString& suggested, const QString& filter,
                              bool confirm_overwrite = true) = 0;
    // A folder, or empty when cancelled.
    virtual QString choose_folder(const QString& instruction, const QString& start) = 0;
    // Runs a dialog of the program's own until it is closed; its result.
    virtual int run_modal(QDialog& dialog) = 0;
    // One of the items (the sheets of a workbook, say), by its index; -1
    // when cancelled.
    virtual int choose_item(const QString& caption, const QString& label, const QStringList& items) = 0;
};

// The dialogs a person sees, owned by the given window.
class QtUserDialogs : public UserDialogs {
public:
    explicit QtUserDialogs(QWidget* owner = nullptr) : owner_(owner) {}
    void set_owner(QWidget* owner) { owner_ = owner; }

    int present(const std::string& text, MessageStyle style) override;
    int present(const std::string& text, MessageStyle style, const std::string& detail) override;
    SaveChoice ask_save_changes(const QString& document_name) override;
    QStringList open_files(const QString& caption, const QString& filter, bool several) override;
    QString save_file(const QString& caption, const QString& suggested, const QString& filter,
                      bool confirm_overwrite = true) override;
    QString choose_folder(const QString& instruction, const QString& start) override;
    int run_modal(QDialog& dialog) override;
    int choose_item(const QString& caption, const QString& label, const QStringList& items) override;

private:
    QWidget* owner_;
};

}  // namespace tessaly::app
