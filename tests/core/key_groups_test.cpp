#include "cross/key_groups.h"

#include <gtest/gtest.h>

#include <string>

using namespace tessaly;

namespace {

void add(KeyGroups& groups, const std::string& key) { ASSERT_TRUE(groups.add(key, KeyGroups::hash(key))); }

}  // namespace

TEST(KeyGroups, EqualKeysShareAGroupAndEveryRecordKeepsItsOwn) {
    KeyGroups groups(6);
    for (const char* key : {"b", "a", "b", "ab", "a", "b"}) add(groups, key);
    EXPECT_EQ(groups.record_count(), 6u);
    EXPECT_EQ(groups.group_count(), 3u);
    EXPECT_EQ(groups.key_of(groups.group_of(0)), "b");
    EXPECT_EQ(groups.group_of(0), groups.group_of(2));
    EXPECT_EQ(groups.group_of(2), groups.group_of(5));
    EXPECT_EQ(groups.group_of(1), groups.group_of(4));
    EXPECT_NE(groups.group_of(1), groups.group_of(3));
    EXPECT_EQ(groups.key_of(groups.group_of(3)), "ab");
    std::vector<std::uint32_t> records = groups.release();
    EXPECT_EQ(records.size(), 6u);
}

TEST(KeyGroups, KeysThatFillTheirStoreBlockExactlyStayIntact) {
    // 255-byte keys take 256 bytes each, so blocks fill to the last byte.
    constexpr int kKeys = 3 * 16384 + 5;
    KeyGroups groups(2 * kKeys);
    auto key_for = [](int i) {
        std::string key(255, 'k');
        key.replace(0, std::to_string(i).size(), std::to_string(i));
        return key;
    };
    for (int i = 0; i < kKeys; ++i) add(groups, key_for(i));
    for (int i = 0; i < kKeys; ++i) add(groups, key_for(i));
    EXPECT_EQ(groups.group_count(), static_cast<std::size_t>(kKeys));
    for (int i = 0; i < kKeys; ++i) {
        ASSERT_EQ(groups.key_of(groups.group_of(i)), key_for(i)) << i;
        ASSERT_EQ(groups.group_of(i), groups.group_of(kKeys + i)) << i;
    }
}

TEST(KeyGroups, HashCollisionsInTheTableDoNotMergeKeys) {
    // A table sized for few records is crowded: long probe runs, and tags
    // that match for different keys.
    KeyGroups groups(20000);
    for (int i = 0; i < 10000; ++i) add(groups, std::to_string(i));
    for (int i = 0; i < 10000; ++i) add(groups, std::to_string(i));
    EXPECT_EQ(groups.group_count(), 10000u);
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(groups.key_of(groups.group_of(10000 + i)), std::to_string(i));
}
