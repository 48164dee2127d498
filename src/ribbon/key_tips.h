#pragma once

// Key tips: the keyboard's way into the ribbon. Alt pressed and released on
// its own, or F10, shows a short key beside the application button, the
// quick-access buttons, the category tabs and the tab row's elements;
// pressing one of those keys runs that element. Esc, a click, any other key
// or the window losing focus leaves key-tip mode.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class QLabel;
class QWidget;

namespace tessaly::ribbon::detail {

class KeyTips : public QObject {
    Q_OBJECT

public:
    // Watches the keys of the window that `ribbon` is in.
    explicit KeyTips(QWidget* ribbon);
    ~KeyTips() override;

    // An element that shows `tip` under it and runs `run` when its key is
    // pressed. The tip is one letter or digit.
    void add(QWidget* element, const QString& tip, std::function<void()> run);

    void show_tips();
    void hide_tips();
    bool shown() const { return !labels_.isEmpty(); }
    // The tips on show, in the order added (for tests and for reading).
    QStringList shown_tips() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QPointer<QWidget> element;
        QString tip;
        std::function<void()> run;
    };
    bool in_ribbon_window(QObject* watched) const;
    // Handles a key press in the window; true when it is used up.
    bool key_pressed(int key, Qt::KeyboardModifiers modifiers);

    QWidget* ribbon_;
    QList<Entry> entries_;
    QList<QPointer<QLabel>> labels_;
    bool alt_alone_ = false;  // Alt is down and nothing else happened yet
};

}  // namespace tessaly::ribbon::detail
