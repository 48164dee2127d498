#pragma once

// Qt's own texts (the buttons of message boxes, the file and folder dialogs)
// in Japanese, as the rest of the program is.

class QTranslator;

namespace tessaly::app {

// Installs Qt's Japanese translations in the running application. Returns
// the installed translator (owned by the application object), or nullptr
// when the translation files are missing: Qt's texts then stay English.
QTranslator* install_japanese_qt_texts();

}  // namespace tessaly::app
