#include "app/key_help_dialog.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "app/key_help_picture.h"
#include "shell/user_dialogs.h"

namespace tessaly::app {

namespace {

// Headings of the two ways stand a little apart from what goes before.
bool is_heading(const QString& text) { return text.startsWith(QChar(0x3010)); }

}  // namespace

QStringList KeyHelpDialog::texts() {
    return {
        QString::fromUtf8("生年月日をクロスキーにセットする場合を例に説明します。"),
        QString::fromUtf8("【キーボードによるセット】"),
        QString::fromUtf8("最初は、最左端フィールドが指定（選択）されています。"),
        QString::fromUtf8("→キーで「18」まで選択します。（右端の決定）"),
        QString::fromUtf8("Ctrlキーを押しながら　→キーで「S」を選択します。（左端の決定）"),
        QString::fromUtf8("※ ファイルエリアにフォーカスがないと、キーを押しても反応しません。"),
        QString::fromUtf8("【マウスによるセット】"),
        QString::fromUtf8("「S」から「18」まで、ドラッグ＆ドロップして選択します。"),
    };
}

KeyHelpDialog::KeyHelpDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("クロスキーのセット方法"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 18);
    const QStringList lines = texts();
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0 && is_heading(lines[i])) layout->addSpacing(10);
        auto* label = new QLabel(lines[i], this);
        if (is_heading(lines[i])) {
            QFont bold = label->font();
            bold.setBold(true);
            label->setFont(bold);
        }
        layout->addWidget(label);
        if (i == 0) {
            auto* picture = new QLabel(this);
            picture->setObjectName(QStringLiteral("picture"));
            picture->setPixmap(QPixmap::fromImage(draw_key_help_picture()));
            picture->setFrameShape(QFrame::Box);
            picture->setAlignment(Qt::AlignCenter);
            layout->addWidget(picture);
        }
    }
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void show_key_help(QWidget* owner, UserDialogs& dialogs) {
    KeyHelpDialog dialog(owner);
    dialogs.run_modal(dialog);
}

}  // namespace tessaly::app
