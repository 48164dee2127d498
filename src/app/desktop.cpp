#include "desktop.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace tessaly::app {

bool SystemDesktop::open_folder(const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool SystemDesktop::open_in_spreadsheet(const QString& file) {
    // Never an option nor a URL of the program's own: an absolute path, after
    // the end of the options, or a file:// URL to the desktop's opener.
    if (!file.startsWith(QLatin1Char('/'))) return false;
    for (const char* name : {"localc", "libreoffice"}) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (program.isEmpty()) continue;
        QStringList arguments;
        if (QString::fromLatin1(name) == QLatin1String("libreoffice")) arguments << QStringLiteral("--calc");
        // Comma-separated, double-quoted text in code page 932 (LibreOffice's
        // encoding 60), from line 1.
        arguments << QStringLiteral("--infilter=CSV:44,34,60,1") << QStringLiteral("--") << file;
        return QProcess::startDetached(program, arguments);
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

}  // namespace tessaly::app
