#include "user_dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace tessaly::app {

int QtUserDialogs::present(const std::string& text, MessageStyle style) {
    const auto caption = QString::fromUtf8(message_text(57344).data(), static_cast<int>(message_text(57344).size()));
    const QString body = QString::fromStdString(text);
    switch (style) {
    case MessageStyle::Question:
        return QMessageBox::question(owner_, caption, body, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
                       QMessageBox::Yes
                   ? kAnswerYes
                   : kAnswerNo;
    case MessageStyle::Information:
        QMessageBox::information(owner_, caption, body);
        return kAnswerOk;
    case MessageStyle::Stop:
    case MessageStyle::Text:
        QMessageBox::critical(owner_, caption, body);
        return kAnswerOk;
    }
    return 0;
}

SaveChoice QtUserDialogs::ask_save_changes(const QString& document_name) {
    const auto caption = QString::fromUtf8(message_text(57344).data(), static_cast<int>(message_text(57344).size()));
    const auto answer = QMessageBox::warning(owner_, caption,
                                             QString::fromUtf8("%1 への変更を保存しますか?").arg(document_name),
                                             QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                             QMessageBox::Save);
    return answer == QMessageBox::Save ? SaveChoice::Save
           : answer == QMessageBox::Discard ? SaveChoice::Discard
                                            : SaveChoice::Cancel;
}

QStringList QtUserDialogs::open_files(const QString& caption, const QString& filter, bool several) {
    if (several) return QFileDialog::getOpenFileNames(owner_, caption, QString(), filter);
    const QString one = QFileDialog::getOpenFileName(owner_, caption, QString(), filter);
    return one.isEmpty() ? QStringList() : QStringList{one};
}

QString QtUserDialogs::save_file(const QString& caption, const QString& suggested, const QString& filter,
                                 bool confirm_overwrite) {
    return QFileDialog::getSaveFileName(owner_, caption, suggested, filter, nullptr,
                                        confirm_overwrite ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite);
}

QString QtUserDialogs::choose_folder(const QString& instruction, const QString& start) {
    QFileDialog dialog(owner_, QString::fromUtf8("フォルダの指定"), start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // The instruction stands where the dialog names what it asks for.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setLabelText(QFileDialog::LookIn, instruction);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                    : QString();
}

int QtUserDialogs::run_modal(QDialog& dialog) { return dialog.exec(); }

int QtUserDialogs::choose_item(const QString& caption, const QString& label, const QStringList& items) {
    bool ok = false;
    const QString item = QInputDialog::getItem(owner_, caption, label, items, 0, false, &ok);
    return ok ? static_cast<int>(items.indexOf(item)) : -1;
}

}  // namespace tessaly::app
