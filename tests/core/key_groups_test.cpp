#include "cross/key_groups.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace tessaly;

namespace {

std::uint32_t add(KeyGroups& groups, KeyGroups::Adder& adder, const std::string& key) {
    bool made = false;
    return adder.add(key, groups.hash(key), made);
}

}  // namespace

TEST(KeyGroups, EqualKeysShareAGroup) {
    KeyGroups groups(6);
    KeyGroups::Adder adder(groups);
    std::vector<std::uint32_t> g;
    for (const char* key : {"b", "a", "b", "ab", "a", "b", "ab"}) g.push_back(add(groups, adder, key));
    EXPECT_EQ(groups.key_of(g[0]), "b");
    EXPECT_EQ(g[0], g[2]);
    EXPECT_EQ(g[2], g[5]);
    EXPECT_EQ(g[1], g[4]);
    EXPECT_NE(g[1], g[3]);
    EXPECT_EQ(g[3], g[6]);
    EXPECT_EQ(groups.key_of(g[3]), "ab");
    EXPECT_FALSE(groups.collided());
}

TEST(KeyGroups, KeysSharingAHashAreNoticedOnceOneIsKept) {
    // Every key under one hash: the second key seen is taken for the first
    // (only its hash was kept) and kept; a third that differs is noticed.
    KeyGroups::narrow_hashes_for_testing(0, 1);
    KeyGroups groups(8);
    KeyGroups::Adder adder(groups);
    const std::uint32_t a = add(groups, adder, "a");
    EXPECT_EQ(add(groups, adder, "b"), a);
    EXPECT_FALSE(groups.collided());
    EXPECT_EQ(groups.key_of(a), "b");
    EXPECT_EQ(add(groups, adder, "b"), a);
    EXPECT_FALSE(groups.collided());
    add(groups, adder, "a");
    EXPECT_TRUE(groups.collided());
}

TEST(KeyGroups, KeysThatFillTheirStoreBlockExactlyStayIntact) {
    // 251-byte keys take 256 bytes each with their length and group, so
    // blocks fill to the last byte. Every key is kept at its second sighting,
    // and the walk over the kept keys finds each once, with its group.
    constexpr int kKeys = 3 * 16384 + 5;
    KeyGroups groups(2 * kKeys);
    KeyGroups::Adder adder(groups);
    auto key_for = [](int i) {
        std::string key(251, 'k');
        key.replace(0, std::to_string(i).size(), std::to_string(i));
        return key;
    };
    std::vector<std::uint32_t> first;
    for (int i = 0; i < kKeys; ++i) first.push_back(add(groups, adder, key_for(i)));
    EXPECT_EQ(std::set<std::uint32_t>(first.begin(), first.end()).size(), static_cast<std::size_t>(kKeys));
    for (int i = 0; i < kKeys; ++i) {
        ASSERT_EQ(add(groups, adder, key_for(i)), first[i]) << i;
        ASSERT_EQ(groups.key_of(first[i]), key_for(i)) << i;
    }
    int walked = 0;
    groups.each_kept_key([&](std::uint32_t group, std::string_view key) {
        ASSERT_LT(walked, kKeys);
        EXPECT_EQ(group, first[walked]);
        EXPECT_EQ(key, key_for(walked));
        ++walked;
    });
    EXPECT_EQ(walked, kKeys);
}

TEST(KeyGroups, ThreadsAddingTheSameKeysAtOnceAgreeOnEveryGroup) {
    // A table sized for few records is crowded: long probe runs, and tags
    // that match for different keys. Both threads add the same keys, in
    // batches and one by one, so that they meet new keys at the same time.
    constexpr int kKeys = 20000;
    KeyGroups groups(2 * kKeys);
    std::vector<std::string> keys;
    for (int i = 0; i < kKeys; ++i) keys.push_back(std::to_string(i * 7919 % kKeys));
    std::vector<std::uint32_t> found[2];
    std::vector<char> made[2] = {std::vector<char>(kKeys), std::vector<char>(kKeys)};
    auto run = [&](int t) {
        KeyGroups::Adder adder(groups);
        std::vector<std::string_view> views(keys.begin(), keys.end());
        std::vector<std::uint64_t> hashes;
        for (const std::string& key : keys) hashes.push_back(groups.hash(key));
        found[t].resize(kKeys);
        if (t == 0) {
            ASSERT_TRUE(adder.add_all(views, hashes, found[t].data(), made[t].data()));
        } else {
            for (int i = 0; i < kKeys; ++i) {
                bool m = false;
                found[t][i] = adder.add(views[i], hashes[i], m);
                made[t][i] = m;
            }
        }
    };
    std::thread other(run, 1);
    run(0);
    other.join();
    EXPECT_EQ(found[0], found[1]);
    EXPECT_FALSE(groups.collided());
    std::set<std::uint32_t> seen;
    for (int i = 0; i < kKeys; ++i) {
        ASSERT_LT(found[0][i], groups.group_count());
        ASSERT_TRUE(seen.insert(found[0][i]).second) << "two keys in one group";
        ASSERT_EQ(made[0][i] + made[1][i], 1) << "a group made by neither thread or by both";
        ASSERT_EQ(groups.key_of(found[0][i]), keys[i]);
    }
}
