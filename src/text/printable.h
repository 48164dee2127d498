#pragma once

// Text bound for a terminal or a log line, made safe to print: a control
// byte in a file name or a title (a line break, an escape sequence) must not
// split the line it is printed on or drive the terminal. Control bytes (C0
// and DEL) become escapes as C writes them: \n, \r, \t, \x1b, \x7f. Bytes from
// 0x80 up are kept as they are, so that UTF-8 and cp932 text (whose trail
// bytes are never control bytes) stays readable; a backslash is kept too, as
// it is the second byte of many cp932 characters.

#include <string>
#include <string_view>

namespace tessaly {

// Whether the text holds a control byte (C0 or DEL).
bool contains_controls(std::string_view text);

// Every control byte escaped, line breaks included: the text fits on one line.
std::string escape_controls(std::string_view text);

// The same, but the line breaks between lines are kept: for a message of
// several lines.
std::string escape_controls_keeping_lines(std::string_view text);

}  // namespace tessaly
