#pragma once

// Every command of the main window as an action, under the program's
// command ids, with its caption and its tooltip (title and description) from
// the message catalogue. The ribbon, the menus and the keys all trigger these.

#include <QAction>
#include <QHash>
#include <QObject>

#include "shell/command_id.h"

namespace tessaly::app {

class Commands : public QObject {
    Q_OBJECT

public:
    explicit Commands(QObject* parent);

    // The action of a command id; every id used by the program is here.
    QAction* operator[](CommandId id) const;
    QList<CommandId> ids() const { return actions_.keys(); }

    // Ids of the commands that toggle a switch.
    static constexpr CommandId kCrossSwitches[] = {
        CommandId::RemoveSpaces,    CommandId::RemoveHyphens, CommandId::RemoveParens,
        CommandId::IgnoreCase,      CommandId::OldNewForms,   CommandId::HitNumbers,
        CommandId::LineBreakPerHit, CommandId::AutoClose,     CommandId::WorkbookOutput};
    static constexpr CommandId kNodeTextSwitches[] = {CommandId::ShowNodeName, CommandId::ShowNodeDescription,
                                                      CommandId::ShowNodeKeySample, CommandId::ShowNodeFilePath,
                                                      CommandId::ShowNodeRecordCount};

private:
    QAction* add(CommandId id, const char* caption, bool checkable = false);
    QHash<CommandId, QAction*> actions_;
};

}  // namespace tessaly::app
