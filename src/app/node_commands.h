#pragma once

// The commands of a node's menu that act on the primary node or on the
// selected nodes: delete, mandatory on and off, the same cross key, open in
// the spreadsheet program, and copy the shown file under a new name. Each
// says whether the chart changed; the caller redraws and marks the document.

#include <QString>

#include "app/desktop.h"
#include "chart/chart.h"
#include "shell/user_dialogs.h"

namespace tessaly::app {

// Asks first; a result node takes its result file with it (a source file
// is never touched). True when the node went.
bool delete_primary_node(Chart& chart, UserDialogs& dialogs);

// Every selected node made mandatory (or not); true when any is selected.
bool set_selected_mandatory(Chart& chart, bool mandatory);

// The primary node's key fields to the other selected nodes, with its
// sample in square brackets (marking a sample not read from the node's own
// file), after a question. True when anything changed.
bool copy_primary_key(Chart& chart, MessagePresenter& messages);

// Opens a node's file in the spreadsheet program: the primary node's from
// the chart, the shown node's from the file area; for a result node its
// workbook (CROSSnnnn.xlsx beside CROSSnnnn.csv) when there is one. Only an
// absolute path of an existing regular file is handed on; anything else is
// refused (NotAnExistingFile, naming the path).
void open_in_spreadsheet(const Chart& chart, int node, Desktop& desktop, MessagePresenter& messages);

// Saves a copy of the shown file (its private copy `shown_file`) under a
// name the user chooses, every line ending in CR LF.
void copy_shown_file(const QString& shown_file, UserDialogs& dialogs);

}  // namespace tessaly::app
