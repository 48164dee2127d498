#pragma once

// Starting a cross from the window: the key check, where the result node
// goes, the confirmation, the result folder, the progress dialog, and the
// result node with its arcs at the end.

#include <QPoint>
#include <QSettings>
#include <functional>
#include <optional>

#include "app/cross_dialog.h"
#include "chart/chart.h"
#include "cross/cross_options.h"
#include "shell/user_dialogs.h"

class QWidget;

namespace tessaly::app {

struct CrossRequest {
    Chart& chart;
    const CrossOptions& options;
    QSettings& settings;
    bool confirm = true;  // show what will be crossed and ask first
    float zoom = 1.0f;
    UserDialogs& dialogs;
    CrossDisplay display;
    QWidget* owner = nullptr;
    // Lets the user choose the result folder (the settings dialog); false
    // when cancelled.
    std::function<bool()> choose_result_folder;
    // Where the finished cross's figures go, when wanted.
    CrossFigures* figures = nullptr;
    // Runs once every question is answered, right before the cross starts.
    std::function<void()> starting = nullptr;
};

// Crosses the selected nodes. With a point (canvas pixels at the zoom) the
// result node goes there, else next to the selected nodes. The index of the
// new result node, or -1 when none was added (a refusal, No, cancel or
// failure, each with its message).
int start_cross(const CrossRequest& request, std::optional<QPoint> point);

}  // namespace tessaly::app
