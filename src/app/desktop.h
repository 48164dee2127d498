#pragma once

// What the program asks of the desktop: showing a folder in the file
// manager and opening a file in the spreadsheet program. Tests put in one
// that records what was asked, so that no test starts a program.

#include <QString>

namespace tessaly::app {

class Desktop {
public:
    virtual ~Desktop() = default;
    // False when the file manager could not be started.
    virtual bool open_folder(const QString& folder) = 0;
    // False when no program could be started for the file.
    virtual bool open_in_spreadsheet(const QString& file) = 0;
};

// The desktop of this machine: the file manager through the desktop's URL
// handler; a file through the program the desktop has registered for its
// type, else LibreOffice Calc (told to read a CSV as Shift-JIS), else
// whatever the desktop's opener makes of it.
class SystemDesktop : public Desktop {
public:
    bool open_folder(const QString& folder) override;
    bool open_in_spreadsheet(const QString& file) override;
};

}  // namespace tessaly::app
