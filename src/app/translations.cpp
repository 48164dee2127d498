#include "translations.h"

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
    return translator;
}

}  // namespace tessaly::app
