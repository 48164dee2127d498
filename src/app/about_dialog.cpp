#include "app/about_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ribbon/ribbon.h"
#include "shell/user_dialogs.h"
#include "text/messages.h"

#ifndef TESSALY_VERSION
#define TESSALY_VERSION "0.0.0"
#endif

namespace tessaly::app {

namespace {

constexpr MessageId kNewestRelease = MessageId::Release108;
constexpr MessageId kFirstRelease = MessageId::Release100;

QString catalogue(MessageId id) {
    const std::string_view text = message_text(id);
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

}  // namespace

QString program_version_line() { return QStringLiteral("Tessaly Ver. " TESSALY_VERSION); }

QString version_history_text() {
    const QString line_end = QStringLiteral("\r\n");
    QString text = program_version_line() + line_end;
    for (int id = static_cast<int>(kNewestRelease); id >= static_cast<int>(kFirstRelease); --id)
        text += catalogue(static_cast<MessageId>(id)) + line_end;
    return text;
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("バージョン情報"));
    // The program's own icon, as its windows carry it; the application
    // button's picture when none is set.
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) icon = ribbon::ribbon_icon(QStringLiteral("app-logo"));

    auto* picture = new QLabel(this);
    picture->setPixmap(icon.pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    auto* name = new QLabel(QString::fromUtf8("テサリー\n (重複データ抽出ソフト)"), this);
    auto* label = new QLabel(QString::fromUtf8("バージョン情報"), this);

    history_ = new QPlainTextEdit(this);
    history_->setReadOnly(true);
    history_->setLineWrapMode(QPlainTextEdit::NoWrap);
    history_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    history_->setPlainText(version_history_text());
    history_->setMinimumSize(460, 150);

    confirm_ = new QPushButton(QString::fromUtf8("確認 (&Y)"), this);
    confirm_->setDefault(true);
    connect(confirm_, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(picture, 0, 0, 2, 1);
    grid->addWidget(name, 0, 1);
    grid->addWidget(confirm_, 0, 2, Qt::AlignTop);
    grid->addWidget(label, 1, 1, 1, 2);
    grid->addWidget(history_, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void show_about_box(QWidget* owner, UserDialogs& dialogs) {
    AboutDialog dialog(owner);
    dialogs.run_modal(dialog);
}

}  // namespace tessaly::app
