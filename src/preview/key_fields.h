#pragma once

// The cross key as the file area marks it: a run of adjacent fields from
// key_first to key_last (both included, counted from 0), found by commas
// alone or, under the quote option, as quoted_fields.h splits them. The arrow keys can leave key_first at -1 while
// key_last is set; such a key is shown and sampled as if it started at field 0.

#include <cstdint>
#include <string>
#include <string_view>

#include "text/quoted_fields.h"

namespace tessaly {

// The field at a byte column of a record: the number of dividing commas
// among its first column + 1 bytes. A point on a comma belongs to the field
// after it, one left of the text to field 0 and one right of it to the last
// field. -1 for an empty record.
int field_at_column(std::string_view record, std::int64_t column, FieldSplit split = FieldSplit::Commas);

// The key fields of a record joined with nothing between them (their values
// under the quote option), cut at a character boundary to what a node's key
// sample holds (500 bytes).
std::string key_sample(std::string_view record, std::int32_t key_first, std::int32_t key_last,
                       FieldSplit split = FieldSplit::Commas);

// Byte range [begin, end) of the key fields in a record, with the comma
// after each of them; begin == end when no field of the record is in the key.
struct KeySpan {
    std::size_t begin = 0;
    std::size_t end = 0;
};
KeySpan key_span(std::string_view record, std::int32_t key_first, std::int32_t key_last,
                 FieldSplit split = FieldSplit::Commas);

enum class KeyStep {
    RightEndRight,  // →
    RightEndLeft,   // ←
    LeftEndRight,   // Ctrl + →
    LeftEndLeft,    // Ctrl + ←
};

// One arrow-key step; false, with nothing changed, when the step does not
// apply. The right end stops at the last field of the widest record.
bool step_key(std::int32_t& key_first, std::int32_t& key_last, KeyStep step, std::int32_t max_field_count);

// Marking the key by dragging across the fields of a record.
class KeyDrag {
public:
    bool dragging() const { return dragging_; }
    // The button went down on a field: the key becomes that one field.
    void press(std::int32_t& key_first, std::int32_t& key_last, int field);
    // The pointer reached a field: left of the start widens the key to the
    // left, right of it moves the right end, the start itself shrinks the
    // key to it. True when the key changed.
    bool move(std::int32_t& key_first, std::int32_t& key_last, int field);
    // True when a drag was under way.
    bool release();

private:
    bool dragging_ = false;
    int last_field_ = -1;
};

}  // namespace tessaly
