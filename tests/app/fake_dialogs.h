#pragma once

#include <QDialog>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "shell/user_dialogs.h"

// Answers every dialog at once from queued answers and records what was
// shown, so that no test waits on a person.
class FakeDialogs : public tessaly::app::UserDialogs {
public:
    struct Shown {
        std::string text;
        tessaly::MessageStyle style;
        std::string detail;
    };

    int present(const std::string& text, tessaly::MessageStyle style) override {
        shown.push_back({text, style, {}});
        if (style != tessaly::MessageStyle::Question) return tessaly::kAnswerOk;
        return take(answers, tessaly::kAnswerNo);
    }
    int present(const std::string& text, tessaly::MessageStyle style, const std::string& detail) override {
        const int answer = present(text, style);
        shown.back().detail = detail;
        return answer;
    }
    tessaly::app::SaveChoice ask_save_changes(const QString& name) override {
        asked_to_save.push_back(name);
        return take(save_choices, tessaly::app::SaveChoice::Cancel);
    }
    QStringList open_files(const QString&, const QString&, bool) override { return take(files_to_open, {}); }
    QString save_file(const QString&, const QString& suggested, const QString&, bool) override {
        suggested_names.push_back(suggested);
        return take(files_to_save, QString());
    }
    QString choose_folder(const QString& instruction, const QString& start) override {
        folder_requests.push_back({instruction, start});
        return take(folders, QString());
    }

    // A dialog of the program's own: the test drives it here instead of a
    // modal loop; by default it is closed at once as if cancelled.
    int run_modal(QDialog& dialog) override {
        ++modal_runs;
        return drive_modal ? drive_modal(dialog) : QDialog::Rejected;
    }

    int choose_item(const QString&, const QString& label, const QStringList& items) override {
        choices_offered.push_back({label, items});
        return take(choices, -1);
    }

    std::vector<Shown> shown;
    std::function<int(QDialog&)> drive_modal;
    int modal_runs = 0;
    std::deque<int> answers;
    std::deque<tessaly::app::SaveChoice> save_choices;
    std::deque<QStringList> files_to_open;
    std::deque<QString> files_to_save;
    std::deque<QString> folders;
    std::deque<int> choices;  // items chosen, by index
    std::vector<std::pair<QString, QStringList>> choices_offered;
    std::vector<QString> asked_to_save;
    std::vector<QString> suggested_names;
    std::vector<std::pair<QString, QString>> folder_requests;

private:
    template <typename T>
    static T take(std::deque<T>& queue, T otherwise) {
        if (queue.empty()) return otherwise;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};
