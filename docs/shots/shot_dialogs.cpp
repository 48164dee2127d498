#include "shot_dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPixmap>

#include "text/messages.h"

namespace tessaly::shots {

void settle(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (clock.elapsed() < milliseconds);
}

// The box the program's own dialogs show (user_dialogs.cpp): the same icon,
// caption and buttons for each style.
int ShotDialogs::present(const std::string& text, MessageStyle style) {
    const std::string_view caption = message_text(MessageId::AppTitle);
    const QMessageBox::Icon icon = style == MessageStyle::Question      ? QMessageBox::Question
                                   : style == MessageStyle::Information ? QMessageBox::Information
                                                                        : QMessageBox::Critical;
    const QMessageBox::StandardButtons buttons =
        style == MessageStyle::Question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox box(icon, QString::fromUtf8(caption.data(), int(caption.size())), QString::fromStdString(text),
                    buttons);
    if (style == MessageStyle::Question) box.setDefaultButton(QMessageBox::Yes);
    const QString name = message_picture ? message_picture() : QString();
    if (!name.isEmpty() && save) {
        box.show();
        settle();
        save(name, box.grab());
    }
    return style == MessageStyle::Question ? kAnswerYes : kAnswerOk;
}

}  // namespace tessaly::shots
