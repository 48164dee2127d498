#include "shell/user_dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace tessaly::app {

int QtUserDialogs::present(const std::string& text, MessageStyle style) { return present(text, style, {}); }

int QtUserDialogs::present(const std::string& text, MessageStyle style, const std::string& detail) {
    const auto caption = QString::fromUtf8(message_text(MessageId::AppTitle).data(),
                                           static_cast<int>(message_text(MessageId::AppTitle).size()));
    const bool question = style == MessageStyle::Question;
    QMessageBox box(question                             ? QMessageBox::Question
                    : style == MessageStyle::Information ? QMessageBox::Information
                                                         : QMessageBox::Critical,
                    caption, QString::fromStdString(text),
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner_);
    if (question) box.setDefaultButton(QMessageBox::Yes);
    if (!detail.empty()) box.setDetailedText(QString::fromStdString(detail));
    const int answer = box.exec();
    if (!question) return kAnswerOk;
    return answer == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
}

SaveChoice QtUserDialogs::ask_save_changes(const QString& document_name) {
    const auto caption = QString::fromUtf8(message_text(MessageId::AppTitle).data(),
                                           static_cast<int>(message_text(MessageId::AppTitle).size()));
    const auto answer =
        QMessageBox::warning(owner_, caption, QString::fromUtf8("%1 への変更を保存しますか?").arg(document_name),
                             QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    return answer == QMessageBox::Save      ? SaveChoice::Save
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
