#include "platform/qt/key_index.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>

namespace qinghe::platform::qt {
namespace {

struct Node {
    std::string name;
    const std::string& key() const { return name; }
};

// Random inserts and erases over key spaces from a handful of keys (every
// slot of a small table reused over and over) to thousands (the table
// doubling, and long runs of neighbouring entries shifted back on erase),
// checked step by step against std::map.
TEST(KeyIndex, AgreesWithAnOrderedMapThroughRandomInsertsAndErases) {
    for (const int keys : {1, 7, 100, 5000}) {
        SCOPED_TRACE(keys);
        std::mt19937 random(20261209 + keys);
        std::uniform_int_distribution<int> pick(0, keys - 1);
        std::bernoulli_distribution inserting(0.6);
        std::map<std::string, std::unique_ptr<Node>> expected;
        KeyIndex<Node> index;
        for (int step = 0; step < 20 * keys + 200; ++step) {
            const std::string key = "p|" + std::to_string(pick(random));
            if (inserting(random)) {
                auto node = std::make_unique<Node>(Node{key});
                const bool entered = index.insert(node.get(), index.hash_of(node->key()));
                ASSERT_EQ(entered, expected.count(key) == 0) << key;
                if (entered) expected.emplace(key, std::move(node));
            } else {
                // Out of the index before the map deletes the node.
                const bool erased = index.erase(key);
                ASSERT_EQ(erased, expected.erase(key) == 1) << key;
            }
            ASSERT_EQ(index.size(), expected.size());
            // Every key of the space is found exactly where the map has it.
            if (step % 97 == 0)
                for (int k = 0; k < keys; ++k) {
                    const std::string probe = "p|" + std::to_string(k);
                    const auto found = expected.find(probe);
                    ASSERT_EQ(index.find(probe), found == expected.end() ? nullptr : found->second.get()) << probe;
                }
        }
        std::map<std::string, const Node*> visited;
        index.for_each([&](Node& node) { visited.emplace(node.key(), &node); });
        ASSERT_EQ(visited.size(), expected.size());
        for (const auto& [key, node] : expected) EXPECT_EQ(visited[key], node.get()) << key;
    }
}

}  // namespace
}  // namespace qinghe::platform::qt
