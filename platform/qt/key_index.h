#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace qinghe::platform::qt {

// The tree's nodes by key: a flat table probed in line, each slot holding a
// node and its key's hash, the key itself being the node's own (Item::key()).
// An expansion enters thousands of keys in a row, and a table of its own
// keeps each entry to one slot in one cache line, which can be fetched ahead
// (prefetch) while the node is built. Removal shifts the entries after it
// back, so no slot is left marked as deleted and lookups stay short. At most
// half the slots are used; the table doubles when more are needed.
template <class Item>
class KeyIndex {
public:
    static std::size_t hash_of(std::string_view key) { return std::hash<std::string_view>{}(key); }

    std::size_t size() const { return size_; }
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    Item* find(std::string_view key) const {
        if (size_ == 0) return nullptr;
        const std::size_t hash = hash_of(key);
        for (std::size_t i = hash & mask(); slots_[i].item != nullptr; i = (i + 1) & mask())
            if (slots_[i].hash == hash && slots_[i].item->key() == key) return slots_[i].item;
        return nullptr;
    }

    // Makes room for `more` keys beyond those entered: entering that many
    // afterwards allocates nothing and cannot fail.
    void reserve_more(std::size_t more) {
        std::size_t capacity = slots_.empty() ? min_capacity : slots_.size();
        while (capacity / 2 < size_ + more) capacity *= 2;
        if (capacity != slots_.size()) rehash(capacity);
    }

    // Starts fetching the slot a key of this hash goes to, ahead of insert.
    void prefetch(std::size_t hash) const {
        if (!slots_.empty()) __builtin_prefetch(&slots_[hash & mask()], 1);
    }

    // Enters the item under its key, whose hash is given; false, entering
    // nothing, when the key is taken. Grows the table when it is full.
    bool insert(Item* item, std::size_t hash) {
        reserve_more(1);
        std::size_t i = hash & mask();
        for (; slots_[i].item != nullptr; i = (i + 1) & mask())
            if (slots_[i].hash == hash && slots_[i].item->key() == item->key()) return false;
        slots_[i] = {hash, item};
        ++size_;
        return true;
    }

    // Takes the key out; false when it is not there.
    bool erase(std::string_view key) { return erase(key, hash_of(key)); }
    bool erase(std::string_view key, std::size_t hash) {
        return erase_where(hash, [&](const Item* held) { return held->key() == key; });
    }
    // Takes out the entry of this very item, whose key has this hash; false
    // when the key is not there or is another item's.
    bool erase_item(const Item* item, std::size_t hash) {
        return erase_where(hash, [&](const Item* held) { return held == item; });
    }

    void clear() {
        slots_.clear();
        size_ = 0;
    }

    template <class Visit>
    void for_each(Visit&& visit) const {
        for (const Slot& slot : slots_)
            if (slot.item != nullptr) visit(*slot.item);
    }

private:
    template <class Match>
    bool erase_where(std::size_t hash, Match&& match) {
        if (size_ == 0) return false;
        std::size_t hole = hash & mask();
        for (;; hole = (hole + 1) & mask()) {
            if (slots_[hole].item == nullptr) return false;
            if (slots_[hole].hash == hash && match(slots_[hole].item)) break;
        }
        // Each later entry of the run moves into the hole unless its own
        // slot lies after the hole, where a lookup still reaches it.
        for (std::size_t next = (hole + 1) & mask(); slots_[next].item != nullptr; next = (next + 1) & mask()) {
            const std::size_t home = slots_[next].hash & mask();
            const bool reachable = hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
            if (reachable) continue;
            slots_[hole] = slots_[next];
            hole = next;
        }
        slots_[hole] = {};
        --size_;
        return true;
    }

    struct Slot {
        std::size_t hash = 0;
        Item* item = nullptr;  // null: free
    };
    static constexpr std::size_t min_capacity = 16;

    std::size_t mask() const { return slots_.size() - 1; }

    void rehash(std::size_t capacity) {
        std::vector<Slot> old(capacity);
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (slot.item == nullptr) continue;
            std::size_t i = slot.hash & mask();
            while (slots_[i].item != nullptr) i = (i + 1) & mask();
            slots_[i] = slot;
        }
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
};

}  // namespace qinghe::platform::qt
