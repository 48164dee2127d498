#pragma once

// Every message the program shows goes through show_message, which takes the
// text from the catalogue by id. How it is shown is the presenter's business:
// the application shows a message box, tests record what was asked.

#include <string>
#include <string_view>

#include "text/messages.h"
#include "text/status.h"

namespace tessaly {

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    // Shows the whole text (UTF-8) with the style and returns the answer:
    // kAnswerYes / kAnswerNo for questions, kAnswerOk otherwise.
    virtual int present(const std::string& text, MessageStyle style) = 0;
    // The same with a longer text the user may open beneath it; a presenter
    // that has no place for one shows the text alone.
    virtual int present(const std::string& text, MessageStyle style, const std::string& detail) {
        (void)detail;
        return present(text, style);
    }
};

// The prefix, when not empty, already ends with its line break. An id that
// the catalogue lacks shows nothing and returns 0, which callers take as no.
int show_message(MessagePresenter& presenter, std::string_view prefix, MessageId id, MessageStyle style);

// The catalogue's own style for the id.
int show_message(MessagePresenter& presenter, std::string_view prefix, MessageId id);

// The same with a detail text under the message (empty: none).
int show_message(MessagePresenter& presenter, std::string_view prefix, MessageId id, const std::string& detail);

// A core failure: its first line (if any), a line break, then the text.
int show_message(MessagePresenter& presenter, const Status& failure);

}  // namespace tessaly
