#pragma once

// Cross keys: cut out of a record, normalised under the cross options, and
// the record's result line laid out so that the keys of all files stand in
// one column.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "cross/cross_options.h"

namespace tessaly {

inline constexpr std::size_t kMaxKeyBytes = 99;

struct OldNewPair {
    std::uint16_t old_form;  // cp932 code, lead byte first
    std::uint16_t new_form;
};

// The 93 old character forms and the new forms that replace them.
std::span<const OldNewPair> old_new_table();

// Applies the options to a cp932 key, in order: spaces, hyphens and
// parentheses removed; a byte cut to 99 bytes; case folding; old forms to
// new. Every match starts on a character boundary.
void normalise_key(std::string& key, const CrossOptions& options);

// Upper-case mapping of cp932: half-width a-z, and the full-width Latin,
// Greek and Cyrillic small letters (code lead byte first). Other codes come
// back unchanged.
std::uint16_t fold_double_byte(std::uint16_t code);

// A record taken apart around its key fields [key_first, key_last].
struct KeyedRecord {
    std::string key;            // the key fields joined, then normalised
    std::string_view leading;   // every field before the key, each with its comma
    std::string_view trailing;  // every field after the key, each after a comma
    // At least the number of fields; exact up to 2,000 (see FieldCount).
    std::size_t field_count = 0;
    // Under the quote option a key holding a comma or a double quote is
    // written in double quotes, so that the result reads back the same way.
    bool quote_key = false;
};

// How far the fields after the key are counted: all of them, or only when
// there may be more than 2,000 in all (a record with fewer is then said to
// have as many as end with its key: enough to judge whether it has too many).
enum class FieldCount { Exact, WhenTooMany };

// Cuts and normalises the key of a record into out (its buffers are reused
// from call to call). Under the quote option (options.quotes) the fields are
// split as quoted_fields.h says, the key is made of the fields' values, and
// the leading and trailing parts keep their raw text.
void extract_key(std::string_view record, int key_first, int key_last, const CrossOptions& options, KeyedRecord& out,
                 FieldCount count = FieldCount::Exact);

// The result line of a record without its hit number: the node's title, a
// comma, padding commas up to the key column, the leading fields, the key and
// the trailing fields. column_offset is the largest key_first on the chart.
void append_work_line(std::string& out, std::string_view title, int column_offset, int key_first,
                      const KeyedRecord& record);

}  // namespace tessaly
