// The subkeys of one key, or the values of one key, kept in the platform's
// name order whatever order they arrive in: a tree whose shape follows a hash
// of each node's number (a treap), so inserting and removing a name and
// finding the n-th one cost O(log n) steps, and a link from each node to the
// next in order makes walking them all cost one step a node. Names are found
// through the store's NameIndex in one step. A node added is first only
// listed; the chain is put in order when it is next walked, indexed or
// shrunk: a sort of what was added and one pass that builds the tree, or,
// when few were added to many, an insertion of each.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "name_index.h"
#include "registry_store.h"

namespace win32sim {

// The first eight characters folded, in an integer that sorts as the names do
// as far as they go.
uint64_t SortPrefix(std::string_view name);
size_t SharedPrefixIgnoringCase(std::string_view a, std::string_view b);

template <class Node>
class OrderedChain {
public:
    OrderedChain(NodeTable<Node>& table, NameIndex& index, ChainCursor& cursor, uint64_t& steps)
        : table_(table), index_(index), cursor_(cursor), steps_(steps)
    {
    }

    uint32_t Count(const NameChain& chain) const { return Size(chain.root) + Size(chain.unordered); }

    uint32_t First(NameChain& chain) const
    {
        Order(chain);
        return chain.first;
    }

    // The node of owner's chain with that name, or 0.
    uint32_t Find(const RegKey* owner, const NameChain& chain, std::string_view name) const
    {
        const auto isIt = [&](uint32_t id) { return EqualsIgnoringCase(table_[id].Name(), name); };
        if (Count(chain) > IndexedAbove)
            return index_.Find(
                HashName(owner, name), [&](uint32_t id) { return OwnerOf(table_[id]) == owner && isIt(id); }, steps_);
        for (uint32_t list : {chain.first, chain.unordered}) {
            for (uint32_t id = list; id; id = Links(id).next) {
                ++steps_;
                if (isIt(id))
                    return id;
            }
        }
        return 0;
    }

    uint32_t At(NameChain& chain, uint32_t index) const
    {
        Order(chain);
        // Enumerations ask for one index after the other: each is the last one's next.
        if (cursor_.chain == &chain && cursor_.index + 1 == index) {
            cursor_.index = index;
            cursor_.id = Links(cursor_.id).next;
            return cursor_.id;
        }
        const uint32_t wanted = index;
        uint32_t at = chain.root;
        while (at) {
            ++steps_;
            const uint32_t left = Size(Links(at).left);
            if (index == left) {
                cursor_ = ChainCursor{&chain, wanted, at};
                return at;
            }
            if (index < left) {
                at = Links(at).left;
            } else {
                index -= left + 1;
                at = Links(at).right;
            }
        }
        return 0;
    }

    // Adds a node, already named and owned by owner, whose name is not in the chain yet.
    void Add(const RegKey* owner, NameChain& chain, uint32_t node)
    {
        const uint32_t count = Count(chain);
        cursor_ = ChainCursor{};
        // Until the chain is put in order, the newest node keeps the count of the added ones.
        Links(node) = ChainLinks{0, 0, chain.unordered, 1 + Size(chain.unordered)};
        chain.unordered = node;
        if (count == IndexedAbove)
            Index(owner, chain);
        else if (count > IndexedAbove)
            index_.Add(HashName(owner, table_[node].Name()), node);
    }

    void Remove(const RegKey* owner, NameChain& chain, uint32_t node)
    {
        const uint32_t count = Count(chain);
        cursor_ = ChainCursor{};
        Order(chain);
        const std::string_view name = table_[node].Name();
        if (count > IndexedAbove)
            index_.Remove(HashName(owner, name), node);
        const uint32_t previous = Before(chain, name);
        (previous ? Links(previous).next : chain.first) = Links(node).next;
        chain.root = RemoveBelow(chain.root, name);
        Links(node) = ChainLinks{};
        if (count - 1 == IndexedAbove)
            Unindex(owner, chain);
    }

    // Lets the whole chain go: its nodes leave the index, and the chain is empty.
    void Clear(const RegKey* owner, NameChain& chain)
    {
        Unindex(owner, chain);
        chain = NameChain{};
        cursor_ = ChainCursor{};
    }

private:
    // A walk through a few siblings costs less than a visit to the index.
    static constexpr uint32_t IndexedAbove = 16;

    static const RegKey* OwnerOf(const RegKey& key) { return key.parent_; }
    static const RegKey* OwnerOf(const RegValue& value) { return value.owner_; }

    ChainLinks& Links(uint32_t id) const { return table_[id].links_; }
    uint32_t Size(uint32_t id) const { return id ? Links(id).size : 0; }
    void Resize(uint32_t id) const { Links(id).size = 1 + Size(Links(id).left) + Size(Links(id).right); }

    int Compare(std::string_view a, std::string_view b) const
    {
        ++steps_;
        return CompareNames(a, b);
    }

    // A fixed scramble of the node's number: the tree's shape does not depend on the order names arrive in.
    static uint32_t Priority(uint32_t id)
    {
        uint32_t x = id * 0x9E3779B9u;
        x ^= x >> 16;
        x *= 0x85EBCA6Bu;
        x ^= x >> 13;
        return x;
    }

    void Index(const RegKey* owner, const NameChain& chain)
    {
        for (uint32_t list : {chain.first, chain.unordered}) {
            for (uint32_t id = list; id; id = Links(id).next)
                index_.Add(HashName(owner, table_[id].Name()), id);
        }
    }

    void Unindex(const RegKey* owner, const NameChain& chain)
    {
        if (Count(chain) <= IndexedAbove)
            return;
        for (uint32_t list : {chain.first, chain.unordered}) {
            for (uint32_t id = list; id; id = Links(id).next)
                index_.Remove(HashName(owner, table_[id].Name()), id);
        }
    }

    void Order(NameChain& chain) const
    {
        if (!chain.unordered)
            return;
        cursor_ = ChainCursor{};
        const uint32_t count = Size(chain.root);
        const uint32_t added = Size(chain.unordered);
        uint32_t depth = 1;
        while ((uint64_t(1) << depth) < count)
            ++depth;
        if (uint64_t(added) * depth < count) {
            for (uint32_t id = chain.unordered, next; id; id = next) {
                next = Links(id).next;
                Insert(chain, id);
            }
            chain.unordered = 0;
            return;
        }
        // The chain in order, then the added nodes sorted, merged in place.
        // Each is sorted first by eight characters after those all the names share.
        std::vector<std::pair<uint64_t, uint32_t>> nodes;
        nodes.reserve(count + added);
        const std::string_view some = table_[chain.unordered].Name();
        size_t shared = some.size();
        for (uint32_t list : {chain.first, chain.unordered}) {
            for (uint32_t id = list; id; id = Links(id).next) {
                shared = SharedPrefixIgnoringCase(some.substr(0, shared), table_[id].Name());
                nodes.emplace_back(0, id);
            }
        }
        for (auto& node : nodes)
            node.first = SortPrefix(table_[node.second].Name().substr(shared));
        chain.unordered = 0;
        const auto before = [&](const auto& a, const auto& b) {
            ++steps_;
            if (a.first != b.first)
                return a.first < b.first;
            return CompareNames(table_[a.second].Name(), table_[b.second].Name()) < 0;
        };
        std::sort(nodes.begin() + count, nodes.end(), before);
        std::inplace_merge(nodes.begin(), nodes.begin() + count, nodes.end(), before);
        Build(chain, nodes);
    }

    // The chain's tree made from its nodes in order, in one pass.
    void Build(NameChain& chain, const std::vector<std::pair<uint64_t, uint32_t>>& nodes) const
    {
        // The right edge of the tree built so far, from the root down; a node
        // takes in as its left subtree every edge node of lower priority.
        std::vector<uint32_t> edge;
        for (size_t i = 0; i < nodes.size(); ++i) {
            const uint32_t id = nodes[i].second;
            ++steps_;
            uint32_t left = 0;
            while (!edge.empty() && Priority(edge.back()) < Priority(id)) {
                left = edge.back();
                edge.pop_back();
                Resize(left);
            }
            Links(id) = ChainLinks{left, 0, i + 1 < nodes.size() ? nodes[i + 1].second : 0, 0};
            if (!edge.empty())
                Links(edge.back()).right = id;
            edge.push_back(id);
        }
        for (auto it = edge.rbegin(); it != edge.rend(); ++it)
            Resize(*it);
        chain.root = edge.empty() ? 0 : edge.front();
        chain.first = nodes.empty() ? 0 : nodes.front().second;
    }

    // The node just before where name stands or would stand in the tree, 0 when first.
    uint32_t Before(const NameChain& chain, std::string_view name) const
    {
        uint32_t before = 0;
        for (uint32_t at = chain.root; at;) {
            if (Compare(name, table_[at].Name()) <= 0) {
                at = Links(at).left;
            } else {
                before = at;
                at = Links(at).right;
            }
        }
        return before;
    }

    void Insert(NameChain& chain, uint32_t node) const
    {
        const std::string_view name = table_[node].Name();
        const uint32_t previous = Before(chain, name);
        uint32_t& link = previous ? Links(previous).next : chain.first;
        Links(node) = ChainLinks{0, 0, link, 1};
        link = node;
        chain.root = InsertBelow(chain.root, node, name);
    }

    uint32_t InsertBelow(uint32_t top, uint32_t node, std::string_view name) const
    {
        if (!top)
            return node;
        ++steps_;
        if (Priority(node) > Priority(top)) {
            Split(top, name, Links(node).left, Links(node).right);
            Resize(node);
            return node;
        }
        if (Compare(name, table_[top].Name()) < 0)
            Links(top).left = InsertBelow(Links(top).left, node, name);
        else
            Links(top).right = InsertBelow(Links(top).right, node, name);
        ++Links(top).size;
        return top;
    }

    // Parts the subtree into the names before name and those after it.
    void Split(uint32_t top, std::string_view name, uint32_t& before, uint32_t& after) const
    {
        if (!top) {
            before = after = 0;
            return;
        }
        ++steps_;
        if (Compare(table_[top].Name(), name) < 0) {
            const uint32_t right = Links(top).right;
            Split(right, name, Links(top).right, after);
            before = top;
        } else {
            const uint32_t left = Links(top).left;
            Split(left, name, before, Links(top).left);
            after = top;
        }
        Resize(top);
    }

    uint32_t RemoveBelow(uint32_t top, std::string_view name)
    {
        const int order = Compare(name, table_[top].Name());
        if (order == 0)
            return Merge(Links(top).left, Links(top).right);
        if (order < 0)
            Links(top).left = RemoveBelow(Links(top).left, name);
        else
            Links(top).right = RemoveBelow(Links(top).right, name);
        --Links(top).size;
        return top;
    }

    // Joins two subtrees, every name of the first before every name of the second.
    uint32_t Merge(uint32_t first, uint32_t second)
    {
        if (!first || !second)
            return first ? first : second;
        ++steps_;
        if (Priority(first) > Priority(second)) {
            Links(first).right = Merge(Links(first).right, second);
            Resize(first);
            return first;
        }
        Links(second).left = Merge(first, Links(second).left);
        Resize(second);
        return second;
    }

    NodeTable<Node>& table_;
    NameIndex& index_;
    ChainCursor& cursor_;
    uint64_t& steps_;
};

}  // namespace win32sim
