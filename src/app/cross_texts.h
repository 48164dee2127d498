#pragma once

// The texts around a cross: the confirmation of what will be crossed and
// how, and the start and elapsed times shown in the ribbon.

#include <QString>
#include <QTime>

#include "chart/chart.h"
#include "cross/cross_options.h"

namespace tessaly::app {

// The selected nodes (the first one's title, how many others, how many
// mandatory) and every cross option, ending in an empty line; the question
// follows it.
QString cross_confirmation_text(const Chart& chart, const CrossOptions& options);

// Every selected node's file with its record count, one a line, for the
// confirmation's detail text.
QString cross_file_list(const Chart& chart);

// "開始時間 : HH:MM:SS" of a time of day.
QString start_time_text(QTime time);
// "処理時間 : HH:MM:SS" of whole seconds; the hours wrap at 24.
QString elapsed_time_text(long long seconds);

}  // namespace tessaly::app
