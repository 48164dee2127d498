#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tessaly::app {

QTranslator* install_japanese_qt_texts() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    // qtbase holds the standard buttons and dialogs; the program's own texts
    // are Japanese already, whatever the user's locale.
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    // Ours, installed after Qt's and so asked first, fills the few texts that
    // Qt's leaves in English ("Folder" in the file dialog's type column). It
    // is a child of Qt's, so deleting that one takes ours out as well.
    auto* ours = new QTranslator(translator);
    if (ours->load(QStringLiteral(":/i18n/tessaly_qt_ja.qm"))) QCoreApplication::installTranslator(ours);
    return translator;
}

}  // namespace tessaly::app
