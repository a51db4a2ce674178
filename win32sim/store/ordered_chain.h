// The subkeys of one key, or the values of one key, kept in the platform's
// name order whatever order they arrive in: a tree whose shape follows a hash
// of each node's number (a treap), so inserting and removing a name and
// finding the n-th one cost O(log n) steps, and a link from each node to the
// next in order makes walking them all cost one step a node. Names are found
// through the store's NameIndex in one step. A node added is first only
// listed (a subkey of an indexed chain also gathered with the first
// characters of its name); the chain is put in order when it is next walked,
// indexed or shrunk: a sort of what was added and one pass that builds the
// tree, or, when few were added to many, an insertion of each; a chain of a
// few is sorted by insertion.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "name_index.h"
#include "registry_store.h"

namespace win32sim {

// Eight characters of name from from on, folded, in an integer that sorts as
// the names do as far as they go (its high half holds the first four).
uint64_t EightFolded(std::string_view name, size_t from);
size_t SharedPrefixIgnoringCase(std::string_view a, std::string_view b);

template <class Node>
class OrderedChain {
    static constexpr bool OfKeys = std::is_same_v<Node, KeyNode>;

public:
    using Item = std::conditional_t<OfKeys, RegKey, RegValue>;  // what the model sees of a node

    explicit OrderedChain(RegistryStore& store)
        : store_(store),
          table_(TableOf(store)),
          cursor_(OfKeys ? store.keyCursor_ : store.valueCursor_),
          steps_(store.steps_)
    {
    }

    uint32_t Count(const NameChain& chain) const { return Count(table_, chain); }

    // Only the sizes the nodes keep are read: a store that may not change can answer it.
    static uint32_t Count(const NodeTable<Node>& table, const NameChain& chain)
    {
        return SizeIn(table, chain.root) + SizeIn(table, chain.unordered);
    }

    uint32_t First(NameChain& chain) const
    {
        Order(chain);
        return chain.first;
    }

    Node* NodeOf(uint32_t id) const { return id ? &table_[id] : nullptr; }

    // The chain in order, for a walk.
    Siblings<Item> InOrder(NameChain& chain) const { return Siblings<Item>(NodeOf(First(chain)), Count(chain)); }

    // The node of owner's chain with that name, or nullptr.
    Node* Named(const KeyNode* owner, const NameChain& chain, std::string_view name) const
    {
        return NodeOf(Find(owner, chain, name));
    }

    // The node of owner's chain with that name, or 0.
    uint32_t Find(const KeyNode* owner, const NameChain& chain, std::string_view name) const
    {
        const auto isIt = [&](uint32_t id) { return EqualsIgnoringCase(table_[id].Name(), name); };
        if (Count(chain) > IndexedAbove)
            return IndexOf(owner).Find(
                HashName(owner, name), [&](uint32_t id) { return Owns(owner, id) && isIt(id); }, steps_);
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
            // The next node was asked for a call ago: its name is asked for
            // now, and the node after it.
            if (const uint32_t after = cursor_.id ? Links(cursor_.id).next : 0) {
                const Node& next = table_[after];
                if constexpr (OfKeys)
                    __builtin_prefetch(next.name);
                else
                    __builtin_prefetch(next.Block());
                __builtin_prefetch(&table_[next.links.next]);
            }
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
    void Add(const KeyNode* owner, NameChain& chain, uint32_t node)
    {
        const uint32_t count = Count(chain);
        cursor_ = ChainCursor{};
        // Until the chain is put in order, the newest node keeps the count of the added ones.
        Links(node) = ChainLinks{0, 0, chain.unordered, 1 + Size(chain.unordered)};
        chain.unordered = node;
        if (count == IndexedAbove) {
            Index(owner, chain);
        } else if (count > IndexedAbove) {
            const std::string_view name = table_[node].Name();
            IndexOf(owner).Add(HashName(owner, name), node);
            if constexpr (OfKeys)
                store_.addedSubkeys_[&chain].push_back({EightFolded(name, 0), node});
        }
    }

    void Remove(const KeyNode* owner, NameChain& chain, uint32_t node)
    {
        const uint32_t count = Count(chain);
        cursor_ = ChainCursor{};
        Order(chain);
        const std::string_view name = table_[node].Name();
        if (count > IndexedAbove)
            IndexOf(owner).Remove(HashName(owner, name), node);
        const uint32_t previous = Before(chain, name);
        (previous ? Links(previous).next : chain.first) = Links(node).next;
        chain.root = RemoveBelow(chain.root, name);
        Links(node) = ChainLinks{};
        if (count - 1 == IndexedAbove)
            Unindex(owner, chain);
    }

    // Lets the whole chain go: its nodes leave the index, and the chain is empty.
    void Clear(const KeyNode* owner, NameChain& chain)
    {
        if (Count(chain) > IndexedAbove)
            Unindex(owner, chain);
        if constexpr (OfKeys)
            store_.addedSubkeys_.erase(&chain);
        chain = NameChain{};
        cursor_ = ChainCursor{};
    }

private:
    // A walk through a few siblings costs less than a visit to the index.
    static constexpr uint32_t IndexedAbove = 16;
    // Sorted by insertion, whole names compared.
    static constexpr uint32_t SmallChain = 8;

    static NodeTable<Node>& TableOf(RegistryStore& store)
    {
        if constexpr (OfKeys)
            return store.keys_;
        else
            return store.values_;
    }

    // The subkeys of every key share one index; each key with many values has
    // one of its own, so that a value need not name its key.
    NameIndex& IndexOf(const KeyNode* owner) const
    {
        if constexpr (OfKeys)
            return store_.keyIndex_;
        else
            return store_.valueIndexes_[owner];
    }

    bool Owns(const KeyNode* owner, uint32_t id) const
    {
        if constexpr (OfKeys)
            return table_[id].parent == owner;
        else
            return true;
    }

    ChainLinks& Links(uint32_t id) const { return table_[id].links; }
    static uint32_t SizeIn(const NodeTable<Node>& table, uint32_t id) { return id ? table[id].links.size : 0; }
    uint32_t Size(uint32_t id) const { return SizeIn(table_, id); }
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

    void Index(const KeyNode* owner, const NameChain& chain)
    {
        for (uint32_t list : {chain.first, chain.unordered}) {
            for (uint32_t id = list; id; id = Links(id).next)
                IndexOf(owner).Add(HashName(owner, table_[id].Name()), id);
        }
        if constexpr (OfKeys) {
            std::vector<OrderScratch::KeyEntry>& added = store_.addedSubkeys_[&chain];
            for (uint32_t id = chain.unordered; id; id = Links(id).next)
                added.push_back({EightFolded(table_[id].Name(), 0), id});
            std::reverse(added.begin(), added.end());  // listed newest first
        }
    }

    void Unindex(const KeyNode* owner, const NameChain& chain)
    {
        if constexpr (!OfKeys) {
            store_.valueIndexes_.erase(owner);
            return;
        }
        for (uint32_t list : {chain.first, chain.unordered}) {
            for (uint32_t id = list; id; id = Links(id).next)
                store_.keyIndex_.Remove(HashName(owner, table_[id].Name()), id);
        }
    }

    // What the sort works on: a node and some folded characters of its name
    // as a number that sorts as they do. Subkey chains reach hundreds of
    // thousands of names strewn over memory, so they take eight characters a
    // pass and start at the first; value chains take four, after the
    // characters all their names share.
    using Entry = std::conditional_t<OfKeys, OrderScratch::KeyEntry, uint64_t>;
    static constexpr size_t CharactersAPass = OfKeys ? 8 : 4;

    void Order(NameChain& chain) const
    {
        if (!chain.unordered)
            return;
        cursor_ = ChainCursor{};
        const uint32_t count = Size(chain.root);
        const uint32_t added = Size(chain.unordered);
        if (count + added == 1) {  // most keys hold one value, many one subkey
            const uint32_t only = chain.unordered;
            Links(only) = ChainLinks{0, 0, 0, 1};
            chain = NameChain{only, only, 0};
            return;
        }
        if (count + added <= SmallChain) {
            OrderFew(chain);
            return;
        }
        uint32_t depth = 1;
        while ((uint64_t(1) << depth) < count)
            ++depth;
        if (uint64_t(added) * depth < count) {
            if constexpr (OfKeys)
                store_.addedSubkeys_.erase(&chain);
            for (uint32_t id = chain.unordered, next; id; id = next) {
                next = Links(id).next;
                Insert(chain, id);
            }
            chain.unordered = 0;
            return;
        }
        // The chain in order, then the added nodes sorted, merged in place.
        std::vector<Entry>& nodes = Entries();
        const bool gathered = TakeGathered(chain, nodes, count);
        if (!gathered) {
            nodes.clear();
            nodes.reserve(count + added);
            for (uint32_t list : {chain.first, chain.unordered}) {
                for (uint32_t id = list; id; id = Links(id).next)
                    nodes.push_back(EntryOf(id));
            }
            std::reverse(nodes.begin() + count, nodes.end());  // listed newest first
        }
        chain.unordered = 0;
        // Gathered entries already hold the first characters of their names.
        const size_t knownFrom = gathered ? count : nodes.size();
        if (!InOrder(nodes, knownFrom)) {
            SortByName(nodes, count, gathered);
            std::inplace_merge(nodes.begin(), nodes.begin() + count, nodes.end(), [&](const Entry& a, const Entry& b) {
                return Compare(table_[NodeOf(a)].Name(), table_[NodeOf(b)].Name()) < 0;
            });
        }
        Build(chain, nodes.data(), nodes.size());
        store_.scratch_.Trim();
    }

    // A few siblings, as most keys' values and many keys' subkeys are: put
    // in order by insertion, name against name, without the large sort's
    // set-up. Too few to be indexed, they have no gathered list.
    void OrderFew(NameChain& chain) const
    {
        Entry nodes[SmallChain];
        size_t size = 0;
        for (uint32_t id = chain.first; id; id = Links(id).next)
            nodes[size++] = EntryOf(id);
        const size_t inOrder = size;
        for (uint32_t id = chain.unordered; id; id = Links(id).next)
            nodes[size++] = EntryOf(id);
        std::reverse(nodes + inOrder, nodes + size);  // listed newest first
        for (size_t i = std::max<size_t>(inOrder, 1); i < size; ++i) {
            const Entry entry = nodes[i];
            const std::string_view name = table_[NodeOf(entry)].Name();
            size_t at = i;
            for (; at > 0 && Compare(name, table_[NodeOf(nodes[at - 1])].Name()) < 0; --at)
                nodes[at] = nodes[at - 1];
            nodes[at] = entry;
        }
        chain.unordered = 0;
        Build(chain, nodes, size);
    }

    // The entries of a chain's added subkeys, gathered as they came, after
    // those of the chain in order; false when the chain has none gathered.
    bool TakeGathered(const NameChain& chain, std::vector<Entry>& nodes, uint32_t count) const
    {
        if constexpr (OfKeys) {
            const auto found = store_.addedSubkeys_.find(&chain);
            if (found == store_.addedSubkeys_.end())
                return false;
            if (count == 0) {
                nodes.swap(found->second);
            } else {
                nodes.clear();
                nodes.reserve(count + found->second.size());
                for (uint32_t id = chain.first; id; id = Links(id).next)
                    nodes.push_back(EntryOf(id));
                nodes.insert(nodes.end(), found->second.begin(), found->second.end());
            }
            store_.addedSubkeys_.erase(found);
            return true;
        }
        return false;
    }

    // Exports list keys in order, and often values too: a look at neighbours
    // spares the sort, and stops at the first pair out of order. Entries from
    // knownFrom on hold their first characters, which settle most pairs.
    bool InOrder(const std::vector<Entry>& entries, size_t knownFrom) const
    {
        for (size_t i = 1; i < entries.size(); ++i) {
            ++steps_;
            if (i > knownFrom) {
                const uint64_t before = CharactersOf(entries[i - 1]);
                const uint64_t after = CharactersOf(entries[i]);
                if (before != after) {
                    if (before > after)
                        return false;
                    continue;
                }
            }
            if (Compare(table_[NodeOf(entries[i - 1])].Name(), table_[NodeOf(entries[i])].Name()) >= 0)
                return false;
        }
        return true;
    }

    std::vector<Entry>& Entries() const
    {
        if constexpr (OfKeys)
            return store_.scratch_.keyEntries;
        else
            return store_.scratch_.valueEntries;
    }
    static Entry EntryOf(uint32_t id)
    {
        if constexpr (OfKeys)
            return {0, id};
        else
            return id;
    }
    static uint32_t NodeOf(const Entry& entry)
    {
        if constexpr (OfKeys)
            return entry.id;
        else
            return static_cast<uint32_t>(entry);
    }
    static uint64_t CharactersOf(const Entry& entry)
    {
        if constexpr (OfKeys)
            return entry.characters;
        else
            return entry >> 32;
    }
    static void SetCharacters(Entry& entry, std::string_view name, size_t from)
    {
        if constexpr (OfKeys)
            entry.characters = EightFolded(name, from);
        else
            entry = (EightFolded(name, from) >> 32) << 32 | NodeOf(entry);
    }

    // Sorts the entries from begin on by their nodes' names: by some folded
    // characters at a time as whole numbers, and each run of equal ones again
    // by the next ones, so that names are read a few times each and never
    // compared one with another. The runs still to sort are kept one a level.
    void SortByName(std::vector<Entry>& entries, size_t begin, bool known) const
    {
        std::vector<OrderScratch::Run>& levels = store_.scratch_.runs;
        levels.clear();
        const auto sortRun = [&](size_t first, size_t end, size_t from, bool known) {
            if (end - first > 1 && SortByCharacters(entries, first, end, from, known))
                levels.push_back({first, end, from + CharactersAPass});
        };
        sortRun(begin, entries.size(), OfKeys ? 0 : SharedPrefix(entries, begin), known);
        while (!levels.empty()) {
            OrderScratch::Run& run = levels.back();
            if (run.next == run.end) {
                levels.pop_back();
                continue;
            }
            const size_t first = run.next;
            size_t end = first + 1;
            while (end < run.end && CharactersOf(entries[end]) == CharactersOf(entries[first]))
                ++end;
            run.next = end;
            sortRun(first, end, run.from, false);  // may move run
        }
    }

    // Sorts the entries from first to end by the characters of their names
    // from from on (already held when known); false when no name reaches that
    // far and they are sorted whole.
    bool SortByCharacters(std::vector<Entry>& entries, size_t first, size_t end, size_t from, bool known) const
    {
        bool reaches = known;  // only gathered subkeys are known, and their names are never empty
        for (size_t i = first; i < end && !known; ++i) {
            FetchAhead(entries, i, end);
            ++steps_;
            const std::string_view name = table_[NodeOf(entries[i])].Name();
            reaches = reaches || name.size() > from;
            SetCharacters(entries[i], name, from);
        }
        const auto at = entries.begin();
        if (reaches) {
            std::sort(at + first, at + end,
                      [](const Entry& a, const Entry& b) { return CharactersOf(a) < CharactersOf(b); });
            return true;
        }
        // Names alike but for NUL characters, where the characters are no help.
        std::sort(at + first, at + end, [&](const Entry& a, const Entry& b) {
            return Compare(table_[NodeOf(a)].Name(), table_[NodeOf(b)].Name()) < 0;
        });
        return false;
    }

    // The characters that all the names of the entries from begin on share.
    size_t SharedPrefix(const std::vector<Entry>& entries, size_t begin) const
    {
        if (begin == entries.size())
            return 0;
        const std::string_view some = table_[NodeOf(entries[begin])].Name();
        size_t shared = some.size();
        for (size_t i = begin + 1; i < entries.size() && shared > 0; ++i) {
            FetchAhead(entries, i, entries.size());
            shared = SharedPrefixIgnoringCase(some.substr(0, shared), table_[NodeOf(entries[i])].Name());
        }
        return shared;
    }

    // The nodes and names of a chain lie strewn over memory: while the entry
    // at i is read, the node some entries on and the name of a nearer one are
    // asked for.
    void FetchAhead(const std::vector<Entry>& entries, size_t i, size_t end) const
    {
        if (i + 16 < end)
            __builtin_prefetch(&table_[NodeOf(entries[i + 16])]);
        if (i + 8 < end) {
            const Node& node = table_[NodeOf(entries[i + 8])];
            if constexpr (OfKeys)
                __builtin_prefetch(node.name);
            else
                __builtin_prefetch(node.Block());
        }
    }

    // The chain's tree made from its nodes in order, in one pass.
    void Build(NameChain& chain, const Entry* nodes, size_t size) const
    {
        // The right edge of the tree built so far, from the root down; a node
        // takes in as its left subtree every edge node of lower priority.
        std::vector<uint32_t>& edge = store_.scratch_.edge;
        edge.clear();
        for (size_t i = 0; i < size; ++i) {
            const uint32_t id = NodeOf(nodes[i]);
            if (i + 8 < size)
                __builtin_prefetch(&table_[NodeOf(nodes[i + 8])], 1);  // strewn nodes, asked for ahead
            ++steps_;
            uint32_t left = 0;
            while (!edge.empty() && Priority(edge.back()) < Priority(id)) {
                left = edge.back();
                edge.pop_back();
                Resize(left);
            }
            Links(id) = ChainLinks{left, 0, i + 1 < size ? NodeOf(nodes[i + 1]) : 0, 0};
            if (!edge.empty())
                Links(edge.back()).right = id;
            edge.push_back(id);
        }
        for (auto it = edge.rbegin(); it != edge.rend(); ++it)
            Resize(*it);
        chain.root = edge.empty() ? 0 : edge.front();
        chain.first = size == 0 ? 0 : NodeOf(nodes[0]);
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

    RegistryStore& store_;
    NodeTable<Node>& table_;
    ChainCursor& cursor_;
    uint64_t& steps_;
};

}  // namespace win32sim
