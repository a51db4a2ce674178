#include "run/registry_changes.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace qalm {
namespace {

uint64_t Mix(uint64_t value)
{
    value *= 0xFF51AFD7ED558CCDull;
    return value ^ (value >> 33);
}

// Change detection, not defence against crafted data: eight bytes a step.
uint64_t Digest(DWORD type, win32sim::ByteView data)
{
    uint64_t hash = Mix(type + 0x9E3779B97F4A7C15ull) ^ data.size();
    size_t i = 0;
    for (; i + sizeof(uint64_t) <= data.size(); i += sizeof(uint64_t)) {
        uint64_t word;
        std::memcpy(&word, data.data() + i, sizeof word);
        hash = Mix(hash ^ word);
    }
    uint64_t tail = 0;
    if (i < data.size())
        std::memcpy(&tail, data.data() + i, data.size() - i);
    return Mix(hash ^ tail);
}

KeySubtree CountSubtree(const win32sim::RegKey& top, std::string path)
{
    KeySubtree subtree{std::move(path), 0, 0};
    std::vector<const win32sim::RegKey*> pending = {&top};
    while (!pending.empty()) {
        const win32sim::RegKey* key = pending.back();
        pending.pop_back();
        ++subtree.keys;
        subtree.values += key->Values().size();
        for (size_t i = 0; i < key->SubkeyCount(); ++i)
            pending.push_back(&key->SubkeyAt(i));
    }
    return subtree;
}

std::string JoinPath(const std::string& parent, std::string_view name)
{
    return parent.empty() ? std::string(name) : parent + "\\" + std::string(name);
}

}  // namespace

size_t RegistryChanges::RemovedKeyCount() const
{
    size_t count = 0;
    for (const KeySubtree& subtree : removedKeys)
        count += subtree.keys;
    return count;
}

size_t RegistryChanges::RemovedValueCount() const
{
    size_t count = removedValues.size();
    for (const KeySubtree& subtree : removedKeys)
        count += subtree.values;
    return count;
}

bool RegistryChanges::Empty() const
{
    return removedKeys.empty() && removedValues.empty() && addedKeys.empty() && addedValues.empty() &&
           changedValues.empty();
}

RegistrySnapshot::RegistrySnapshot(const win32sim::Registry& registry)
{
    // Counted first, so that each array is allocated once and at its size.
    size_t keyCount = 0;
    size_t valueCount = 0;
    size_t nameLength = 0;
    std::vector<const win32sim::RegKey*> pending = {&registry.Root()};
    while (!pending.empty()) {
        const win32sim::RegKey* key = pending.back();
        pending.pop_back();
        ++keyCount;
        valueCount += key->Values().size();
        for (const win32sim::RegValue& value : key->Values())
            nameLength += value.Name().size();
        for (size_t i = 0; i < key->SubkeyCount(); ++i)
            pending.push_back(&key->SubkeyAt(i));
    }
    keys_.reserve(keyCount);
    values_.reserve(valueCount);
    names_.reserve(nameLength);

    const auto addRecord = [this](const win32sim::RegKey& key, uint32_t parent) {
        const auto index = static_cast<uint32_t>(keys_.size());
        keys_.push_back({key.Shared(), parent, 0, static_cast<uint32_t>(values_.size()),
                         static_cast<uint32_t>(key.Values().size())});
        for (const win32sim::RegValue& value : key.Values()) {
            names_ += value.Name();
            values_.push_back({static_cast<uint32_t>(names_.size()), value.Type(), Digest(value.Type(), value.Data())});
        }
        return index;
    };

    struct Frame {
        uint32_t index;
        size_t nextChild;
    };
    std::vector<Frame> stack = {{addRecord(registry.Root(), 0), 0}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const win32sim::RegKey& key = *keys_[frame.index].key;
        if (frame.nextChild == key.SubkeyCount()) {
            keys_[frame.index].subtreeEnd = static_cast<uint32_t>(keys_.size());
            stack.pop_back();
            continue;
        }
        const win32sim::RegKey& child = key.SubkeyAt(frame.nextChild++);
        const uint32_t parent = frame.index;
        stack.push_back({addRecord(child, parent), 0});
    }
}

std::string RegistrySnapshot::PathOf(size_t index) const
{
    std::vector<std::string_view> names;
    for (; index != 0; index = keys_[index].parent)
        names.push_back(keys_[index].key->Name());
    std::string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (!path.empty())
            path += '\\';
        path += *name;
    }
    return path;
}

std::string_view RegistrySnapshot::NameOf(size_t valueIndex) const
{
    const size_t start = valueIndex == 0 ? 0 : values_[valueIndex - 1].nameEnd;
    return std::string_view(names_).substr(start, values_[valueIndex].nameEnd - start);
}

KeySubtree RegistrySnapshot::Subtree(size_t index) const
{
    const KeyRecord& top = keys_[index];
    KeySubtree subtree{PathOf(index), top.subtreeEnd - index, 0};
    for (size_t i = index; i < top.subtreeEnd; ++i)
        subtree.values += keys_[i].valueCount;
    return subtree;
}

RegistryChanges RegistrySnapshot::Compare(const win32sim::Registry& after) const
{
    if (after.SharedRoot() != keys_.front().key)
        throw std::logic_error("a snapshot compares only with the registry it was taken from");

    RegistryChanges changes;
    size_t index = 0;
    while (index < keys_.size()) {
        const KeyRecord& record = keys_[index];
        if (record.key->IsDeleted()) {
            changes.removedKeys.push_back(Subtree(index));
            index = record.subtreeEnd;  // the subtree is reported once, as a whole
            continue;
        }
        CompareValues(index, changes);
        FindAddedKeys(index, changes);
        ++index;
    }
    return changes;
}

// Before and after are both sorted by name the registry's way, so one merge pass finds every difference.
void RegistrySnapshot::CompareValues(size_t index, RegistryChanges& changes) const
{
    const KeyRecord& record = keys_[index];
    const auto now = record.key->Values();
    const win32sim::CaseInsensitiveLess less;
    const size_t end = record.firstValue + record.valueCount;
    size_t before = record.firstValue;
    auto after = now.begin();
    const auto change = [&](std::string_view name, DWORD type) {
        return ValueChange{PathOf(index), std::string(name), type};
    };

    while (before < end || after != now.end()) {
        if (after == now.end() || (before < end && less(NameOf(before), after->Name()))) {
            changes.removedValues.push_back(change(NameOf(before), values_[before].type));
            ++before;
        } else if (before == end || less(after->Name(), NameOf(before))) {
            changes.addedValues.push_back(change(after->Name(), after->Type()));
            ++after;
        } else {
            const ValueRecord& old = values_[before];
            if (old.type != after->Type() || old.digest != Digest(after->Type(), after->Data()))
                changes.changedValues.push_back(change(after->Name(), after->Type()));
            ++before;
            ++after;
        }
    }
}

// The key's subkeys now, against those of the snapshot still there: both keep one order.
void RegistrySnapshot::FindAddedKeys(size_t index, RegistryChanges& changes) const
{
    const KeyRecord& record = keys_[index];
    size_t known = index + 1;
    for (size_t i = 0; i < record.key->SubkeyCount(); ++i) {
        const win32sim::RegKey& child = record.key->SubkeyAt(i);
        while (known < record.subtreeEnd && keys_[known].key->IsDeleted())
            known = keys_[known].subtreeEnd;
        if (known < record.subtreeEnd && keys_[known].key.get() == &child) {
            known = keys_[known].subtreeEnd;
            continue;
        }
        changes.addedKeys.push_back(CountSubtree(child, JoinPath(PathOf(index), child.Name())));
    }
}

}  // namespace qalm
