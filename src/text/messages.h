#pragma once

// The program's string table: every numbered text it shows, in one place.
// Texts are UTF-8; "\n" is a line break within a message.

#include <span>
#include <string>
#include <string_view>

#include "text/message_id.h"

namespace tessaly {

// Message-box styles (icon and buttons) as their classic numeric values.
enum class MessageStyle : int {
    Text = 0,          // not a message box: a caption, a message line, a tooltip
    Stop = 16,         // stop icon, OK
    Information = 64,  // information icon, OK
    Question = 36,     // question icon, Yes and No
};

inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;
inline constexpr int kAnswerOk = 1;

struct CatalogueEntry {
    MessageId id;
    std::string_view text;
    MessageStyle style;
};

// Every entry, sorted by id.
std::span<const CatalogueEntry> message_catalogue();

// The entry of an id, or nullptr when the table has none.
const CatalogueEntry* find_message(MessageId id);

// The text of an id, or an empty text when the table has none.
std::string_view message_text(MessageId id);

// Thousands commas for texts of 4 to 9 characters; shorter and longer texts
// come back unchanged ("1234" -> "1,234", "123456789" -> "123,456,789").
std::string format_count(std::string_view digits);
std::string format_count(long long value);

}  // namespace tessaly
