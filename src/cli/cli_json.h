#pragma once

// Just enough JSON writing for the summary that scripts read (--json).

#include <string>
#include <string_view>
#include <vector>

namespace tessaly::cli {

// A JSON string: quotes, backslashes and control characters escaped. Bytes
// that are no UTF-8 (a path may hold any) become U+FFFD, so that the text is
// always valid JSON.
std::string json_string(std::string_view utf8);

// A number of seconds to the microsecond; null when it is no number.
std::string json_seconds(double seconds);

// The members of an object in the order given, on one line.
class JsonObject {
public:
    JsonObject& text(std::string_view name, std::string_view value);
    JsonObject& integer(std::string_view name, long long value);
    JsonObject& flag(std::string_view name, bool value);
    JsonObject& null(std::string_view name);
    // A value already written as JSON (an object, an array, a number).
    JsonObject& raw(std::string_view name, std::string_view json);

    std::string str() const { return "{" + members_ + "}"; }

private:
    std::string members_;
};

// An array of values already written as JSON.
std::string json_array(const std::vector<std::string>& items);

}  // namespace tessaly::cli
