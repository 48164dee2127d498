#pragma once

// The chart's record layouts. The chart file stores them byte for byte, so
// every offset and size below is a file format: the static checks guard it.
// Reserved and padding bytes are explicit members so that a value-initialised
// record has them zero.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace tessaly {

static_assert(std::endian::native == std::endian::little, "records are stored as they lie in memory, little-endian");

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;

    Rect moved(std::int32_t dx, std::int32_t dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
};

enum NodeKind : std::uint16_t {
    kSourceNode = 0,  // クロス原本
    kResultNode = 1,  // クロス結果
};

inline constexpr std::size_t kTitleSize = 51;  // 50 bytes of text
inline constexpr std::size_t kDescriptionSize = 501;
inline constexpr std::size_t kKeySampleSize = 501;
inline constexpr std::size_t kPathSize = 260;  // 259 bytes of text

struct NodeRecord {
    Rect rect;  // chart coordinates
    std::uint8_t reserved[4] = {};
    std::int32_t mandatory = 0;  // 1: 必須
    std::uint16_t kind = kSourceNode;
    char title[kTitleSize] = {};  // cp932, zero-terminated
    char description[kDescriptionSize] = {};
    char key_sample[kKeySampleSize] = {};
    char path[kPathSize] = {};
    std::uint8_t padding1[1] = {};
    std::int32_t record_count = 0;
    std::uint16_t start_record = 1;  // 1 to 10
    std::uint8_t padding2[2] = {};
    std::int32_t key_first = -1;  // 0-based field; -1: no key
    std::int32_t key_last = -1;   // inclusive

    bool has_key() const { return key_first >= 0 && key_last >= 0; }
};

static_assert(offsetof(NodeRecord, rect) == 0);
static_assert(offsetof(NodeRecord, reserved) == 16);
static_assert(offsetof(NodeRecord, mandatory) == 20);
static_assert(offsetof(NodeRecord, kind) == 24);
static_assert(offsetof(NodeRecord, title) == 26);
static_assert(offsetof(NodeRecord, description) == 77);
static_assert(offsetof(NodeRecord, key_sample) == 578);
static_assert(offsetof(NodeRecord, path) == 1079);
static_assert(offsetof(NodeRecord, padding1) == 1339);
static_assert(offsetof(NodeRecord, record_count) == 1340);
static_assert(offsetof(NodeRecord, start_record) == 1344);
static_assert(offsetof(NodeRecord, padding2) == 1346);
static_assert(offsetof(NodeRecord, key_first) == 1348);
static_assert(offsetof(NodeRecord, key_last) == 1352);
static_assert(sizeof(NodeRecord) == 1356);

// Run-time state of a node; never stored.
struct NodeState {
    std::int32_t selected = 0;
    Rect mark_rect;  // where "必須" was drawn at the last paint, canvas pixels
};
static_assert(sizeof(NodeState) == 20);

struct ArcRecord {
    std::uint16_t from = 0;  // a node that took part in the cross
    std::uint16_t to = 0;    // the result node of that cross
    friend bool operator==(const ArcRecord&, const ArcRecord&) = default;
};
static_assert(offsetof(ArcRecord, to) == 2);
static_assert(sizeof(ArcRecord) == 4);

// How the chart and the file area look; stored with each chart.
struct DisplayState {
    std::int32_t scroll_x = 0;
    std::int32_t scroll_y = 0;
    std::int32_t node_font_size = 12;
    std::uint16_t view_width = 0;
    std::uint16_t view_height = 0;
    std::int32_t show_name = 1;
    std::int32_t show_description = 0;
    std::int32_t show_key_sample = 1;
    std::int32_t show_file_path = 0;
    std::int32_t show_record_count = 0;
    // The file stores the 36 bytes above and the 12 below as two blocks.
    std::int32_t preview_font_size = 12;
    std::int32_t show_record_no = 1;
    std::int32_t show_ruler = 1;
};
static_assert(offsetof(DisplayState, node_font_size) == 8);
static_assert(offsetof(DisplayState, view_width) == 12);
static_assert(offsetof(DisplayState, view_height) == 14);
static_assert(offsetof(DisplayState, show_name) == 16);
static_assert(offsetof(DisplayState, show_record_count) == 32);
static_assert(offsetof(DisplayState, preview_font_size) == 36);
static_assert(offsetof(DisplayState, show_ruler) == 44);
static_assert(sizeof(DisplayState) == 48);

}  // namespace tessaly
