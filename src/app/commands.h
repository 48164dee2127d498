#pragma once

// Every command of the main window as an action, under the program's
// command ids, with its caption and its tooltip (title and description) from
// the message catalogue. The ribbon, the menus and the keys all trigger these.

#include <QAction>
#include <QHash>
#include <QObject>

namespace tessaly::app {

class Commands : public QObject {
    Q_OBJECT

public:
    explicit Commands(QObject* parent);

    // The action of a command id; every id used by the program is here.
    QAction* operator[](int id) const;
    QList<int> ids() const { return actions_.keys(); }

    // Ids of the commands that toggle a switch.
    static constexpr int kCrossSwitches[] = {32812, 32813, 32814, 32815, 32832, 32817, 32818, 32819, 32840};
    static constexpr int kNodeTextSwitches[] = {32823, 32824, 32825, 32826, 32827};

private:
    QAction* add(int id, const char* caption, bool checkable = false);
    QHash<int, QAction*> actions_;
};

}  // namespace tessaly::app
