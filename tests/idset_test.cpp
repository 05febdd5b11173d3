// The set of distinct IDs against std::set, through many growths.
#include "../host/idset.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace abimport;

TEST(IdSet, CountsDistinctIdsAsASetDoes) {
    std::mt19937_64 random(7);
    IdSet ids;
    std::set<long long> reference;
    for (int i = 0; i < 200000; ++i) {
        // Dense runs, repeats, negatives and far-apart IDs.
        const long long id = i % 3 == 0   ? i / 3 + 1
                             : i % 3 == 1 ? -static_cast<long long>(random() % 5000) - 1
                                          : static_cast<long long>(random() | 1);
        ASSERT_EQ(ids.insert(id), reference.insert(id).second) << id;
        const long long probe = i % 2 ? id + 1 : id - 64;
        ASSERT_EQ(ids.contains(probe), reference.count(probe) == 1) << probe;
        if (i % 9973 == 0) {
            ASSERT_EQ(ids.size(), reference.size()) << i;
        }
    }
    EXPECT_EQ(ids.size(), reference.size());
}
