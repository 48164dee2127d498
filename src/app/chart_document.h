#pragma once

// The open chart as a document: the tables and display state, the file they
// belong to, whether they changed since, and the new, open and save steps
// with every message they show.

#include <QObject>
#include <QSettings>
#include <QString>
#include <optional>

#include "chart/chart.h"
#include "shell/user_dialogs.h"
#include "text/user_file.h"

namespace tessaly::app {

class ChartDocument : public QObject {
    Q_OBJECT

public:
    // screen: the desktop's size, the canvas of a new or reset chart.
    ChartDocument(UserDialogs& dialogs, QSettings& settings, int screen_width, int screen_height);

    Chart& chart() { return chart_; }
    const Chart& chart() const { return chart_; }
    const QString& path() const { return path_; }
    bool modified() const { return modified_; }
    void set_modified(bool modified = true);

    // "NAME - Tessaly" ("無題" for a chart never saved), with the [*]
    // marker a main window turns into its changed mark.
    QString window_title() const;
    QString display_name() const;

    // Asks whether to save a changed chart first; false when the user
    // cancelled or the save failed, so nothing may replace the chart.
    bool may_discard();

    // New, open and save themselves, without asking about the old chart.
    // Saving over the document's own file when another program has changed
    // it since it was opened or saved here (its time or size differ) asks
    // first (AskOverwriteChangedChart); No abandons the save.
    void new_chart();
    bool open(const QString& path);
    bool save_to(const QString& path);
    // Save under the current name, or ask for one.
    bool save();
    bool save_as();

signals:
    // The title or the changed mark may have changed.
    void title_changed();
    // Another chart is now shown: redraw everything.
    void chart_replaced();

private:
    UserDialogs& dialogs_;
    QSettings& settings_;
    const int screen_width_;
    const int screen_height_;
    Chart chart_;
    QString path_;
    // path_'s file as it was read or written here.
    std::optional<FileStamp> stamp_;
    bool modified_ = false;
};

}  // namespace tessaly::app
