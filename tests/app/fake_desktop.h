#pragma once

#include <QStringList>

#include "app/desktop.h"

// Records what would have been opened and answers as told.
class FakeDesktop : public tessaly::app::Desktop {
public:
    bool open_folder(const QString& folder) override {
        folders.push_back(folder);
        return succeeds;
    }
    bool open_in_spreadsheet(const QString& file) override {
        spreadsheets.push_back(file);
        return succeeds;
    }

    QStringList folders;
    QStringList spreadsheets;
    bool succeeds = true;
};
