#pragma once

#include <string>
#include <utility>

#include "text/message_id.h"

namespace tessaly {

// The outcome of a core operation. The core never shows anything: a failure
// is a catalogue message id, optionally with a first line (usually a path)
// that the application puts above the catalogue text.
struct Status {
    MessageId message_id = MessageId::None;  // None: success
    std::string first_line;                  // UTF-8, without the line break

    static Status ok() { return {}; }
    static Status failure(MessageId id, std::string first_line = {}) { return {id, std::move(first_line)}; }

    explicit operator bool() const { return message_id == MessageId::None; }
    bool failed() const { return message_id != MessageId::None; }
};

}  // namespace tessaly
