#include "preview/key_fields.h"

#include <algorithm>

#include "chart/records.h"
#include "text/cp932.h"

namespace tessaly {

namespace {

// Where the field that starts at `at` ends: its dividing comma, or the
// record's size.
std::size_t field_end(std::string_view record, std::size_t at, FieldSplit split) {
    if (split == FieldSplit::Quotes) return quoted_field_end(record, at);
    const std::size_t comma = record.find(',', at);
    return comma == std::string_view::npos ? record.size() : comma;
}

}  // namespace

int field_at_column(std::string_view record, std::int64_t column, FieldSplit split) {
    if (record.empty()) return -1;
    const std::int64_t taken = std::clamp<std::int64_t>(column + 1, 0, static_cast<std::int64_t>(record.size()));
    if (split == FieldSplit::Commas) return static_cast<int>(std::count(record.begin(), record.begin() + taken, ','));
    int field = 0;
    for (std::size_t end = quoted_field_end(record, 0); end < record.size() && static_cast<std::int64_t>(end) < taken;
         end = quoted_field_end(record, end + 1))
        ++field;
    return field;
}

KeySpan key_span(std::string_view record, std::int32_t key_first, std::int32_t key_last, FieldSplit split) {
    const std::int32_t first = std::max(key_first, 0);
    if (key_last < first) return {};
    KeySpan span;
    std::int32_t field = 0;
    std::size_t at = 0;
    while (field < first) {
        const std::size_t end = field_end(record, at, split);
        if (end == record.size()) return {};
        at = end + 1;
        ++field;
    }
    span.begin = at;
    while (field < key_last) {
        const std::size_t end = field_end(record, at, split);
        if (end == record.size()) break;
        at = end + 1;
        ++field;
    }
    if (field == key_last) {
        const std::size_t end = field_end(record, at, split);
        at = end == record.size() ? record.size() : end + 1;
    } else {
        at = record.size();
    }
    span.end = at;
    return span;
}

std::string key_sample(std::string_view record, std::int32_t key_first, std::int32_t key_last, FieldSplit split) {
    const KeySpan span = key_span(record, key_first, key_last, split);
    std::string sample;
    if (split == FieldSplit::Quotes) {
        for (std::size_t at = span.begin; at < span.end;) at = quoted_field_end(record, at, sample) + 1;
    } else {
        for (char c : record.substr(span.begin, span.end - span.begin)) {
            if (c != ',') sample += c;
        }
    }
    return std::string(cp932::cut(sample, kKeySampleSize - 1));
}

bool step_key(std::int32_t& key_first, std::int32_t& key_last, KeyStep step, std::int32_t max_field_count) {
    switch (step) {
        case KeyStep::RightEndRight:
            if (key_last >= max_field_count - 1) return false;
            ++key_last;
            return true;
        case KeyStep::RightEndLeft:
            if (key_first >= key_last) return false;
            --key_last;
            return true;
        case KeyStep::LeftEndRight:
            if (key_first >= key_last) return false;
            ++key_first;
            return true;
        case KeyStep::LeftEndLeft:
            if (key_first <= 0) return false;
            --key_first;
            return true;
    }
    return false;
}

void KeyDrag::press(std::int32_t& key_first, std::int32_t& key_last, int field) {
    dragging_ = true;
    key_first = key_last = field;
    // The field pressed on is where the drag stands; a field left over from
    // an earlier drag would swallow the first step of this one.
    last_field_ = field;
}

bool KeyDrag::move(std::int32_t& key_first, std::int32_t& key_last, int field) {
    if (!dragging_ || field < 0 || field == last_field_) return false;
    last_field_ = field;
    const std::int32_t was_first = key_first;
    const std::int32_t was_last = key_last;
    if (field < key_first) {
        key_first = field;
    } else if (field > key_first) {
        key_last = field;
    } else {
        key_first = key_last = field;
    }
    return key_first != was_first || key_last != was_last;
}

bool KeyDrag::release() {
    const bool was = dragging_;
    dragging_ = false;
    return was;
}

}  // namespace tessaly
