// The siblings of one key, or the values of one key, kept in the platform's
// name order whatever order they arrive in: a tree whose shape follows a hash
// of each node's number (a treap), so finding, inserting and removing a name
// and finding the n-th one cost O(log n) steps, and a link from each node to
// the next in order makes walking them all cost one step a node.
#pragma once

#include <cstdint>
#include <string_view>

#include "registry_store.h"

namespace win32sim {

template <class Node>
class OrderedChain {
public:
    OrderedChain(NodeTable<Node>& table, uint64_t& steps) : table_(table), steps_(steps) {}

    uint32_t Count(const NameChain& chain) const { return chain.root ? Links(chain.root).size : 0; }

    // The node with that name or 0; previous is the node just before where
    // the name stands or would stand (0 when first).
    uint32_t Find(const NameChain& chain, std::string_view name, uint32_t* previous = nullptr) const
    {
        uint32_t before = 0;
        for (uint32_t at = chain.root; at;) {
            const int order = Compare(name, table_[at].Name());
            if (order == 0) {
                if (previous)
                    *previous = Before(at, before);
                return at;
            }
            if (order < 0) {
                at = Links(at).left;
            } else {
                before = at;
                at = Links(at).right;
            }
        }
        if (previous)
            *previous = before;
        return 0;
    }

    uint32_t At(const NameChain& chain, uint32_t index) const
    {
        uint32_t at = chain.root;
        while (at) {
            ++steps_;
            const uint32_t left = Size(Links(at).left);
            if (index == left)
                return at;
            if (index < left) {
                at = Links(at).left;
            } else {
                index -= left + 1;
                at = Links(at).right;
            }
        }
        return 0;
    }

    // Adds a node whose name is not in the chain yet; previous as Find gave it.
    void Insert(NameChain& chain, uint32_t node, uint32_t previous)
    {
        uint32_t& link = previous ? Links(previous).next : chain.first;
        Links(node) = ChainLinks{0, 0, link, 1};
        link = node;
        chain.root = InsertBelow(chain.root, node, table_[node].Name());
    }

    // Takes the node out of the chain; previous as Find gave it.
    void Remove(NameChain& chain, uint32_t node, uint32_t previous)
    {
        (previous ? Links(previous).next : chain.first) = Links(node).next;
        chain.root = RemoveBelow(chain.root, table_[node].Name());
        Links(node) = ChainLinks{};
    }

private:
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

    // The node before the one found: the greatest in its left subtree, or the last ancestor it lies right of.
    uint32_t Before(uint32_t found, uint32_t ancestor) const
    {
        uint32_t at = Links(found).left;
        if (!at)
            return ancestor;
        while (Links(at).right) {
            ++steps_;
            at = Links(at).right;
        }
        return at;
    }

    uint32_t InsertBelow(uint32_t top, uint32_t node, std::string_view name)
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
    void Split(uint32_t top, std::string_view name, uint32_t& before, uint32_t& after)
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
    uint64_t& steps_;
};

}  // namespace win32sim
