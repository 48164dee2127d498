#pragma once

namespace tessaly {

// The cross options the ribbon toggles and the settings keep (section KanSet,
// under these names).
struct CrossOptions {
    int SpcCut = 1;     // remove half- and full-width spaces from keys
    int Hifun = 0;      // remove hyphens
    int Kakko = 0;      // remove parentheses
    int Oomoji = 0;     // fold to capitals: upper and lower case alike
    int OldNew = 0;     // old character forms read as the new ones
    int MinHit = 2;     // a key found at least this often is a hit, 2 to 100
    int HitNo = 1;      // result lines start with the hit number
    int Kaigyou = 1;    // an empty line after each hit
    int AutoClose = 0;  // the progress dialog closes by itself on success
    int Quote = 0;      // a field in double quotes is one field, commas and all
    int Xlsx = 0;       // the result workbook beside the result file, too
};

inline constexpr int kMinHitLowest = 2;
inline constexpr int kMinHitHighest = 100;

}  // namespace tessaly
