#pragma once

namespace tessaly {

// The cross options the ribbon toggles and the settings keep.
struct CrossOptions {
    bool remove_spaces = true;    // remove half- and full-width spaces from keys
    bool remove_hyphens = false;  // remove hyphens
    bool remove_parens = false;   // remove parentheses
    bool ignore_case = false;     // fold to capitals: upper and lower case alike
    bool old_new = false;         // old character forms read as the new ones
    int min_hit = 2;              // a key found at least this often is a hit, 2 to 100
    bool hit_numbers = true;      // result lines start with the hit number
    bool blank_lines = true;      // an empty line after each hit
    bool auto_close = false;      // the progress dialog closes by itself on success
    bool quotes = false;          // a field in double quotes is one field, commas and all
    bool workbook = false;        // the result workbook beside the result file, too
};

inline constexpr int kMinHitLowest = 2;
inline constexpr int kMinHitHighest = 100;

}  // namespace tessaly
