#include "report/removal_tree.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string_view>

#include "regfile/printable.h"
#include "report/report_names.h"

namespace qalm {
namespace {

constexpr size_t kMaxCountColumn = 60;

struct TreeNode {
    std::map<std::string, std::unique_ptr<TreeNode>, win32sim::CaseInsensitiveLess> children;
    const KeySubtree* removed = nullptr;
    std::vector<const ValueChange*> values;
};

TreeNode& Descend(TreeNode& root, std::string_view path)
{
    TreeNode* node = &root;
    while (!path.empty()) {
        const size_t end = std::min(path.find('\\'), path.size());
        std::unique_ptr<TreeNode>& child = node->children[std::string(path.substr(0, end))];
        if (!child)
            child = std::make_unique<TreeNode>();
        node = child.get();
        path.remove_prefix(std::min(end + 1, path.size()));
    }
    return *node;
}

struct TreeLine {
    std::string label;
    std::string counts;
};

std::string ValueLabel(const ValueChange& value)
{
    const std::string name = value.name.empty() ? "@ (default)" : "\"" + Printable(value.name) + "\"";
    return "- value " + name + " (" + ValueTypeName(value.type) + ")";
}

void Render(const TreeNode& node, const std::string& indent, std::vector<TreeLine>& lines)
{
    for (const ValueChange* value : node.values)
        lines.push_back({indent + ValueLabel(*value), ""});

    for (const auto& [name, child] : node.children) {
        if (child->removed) {
            lines.push_back({indent + "- " + Printable(name), CountText(child->removed->keys, child->removed->values)});
            continue;
        }
        std::string label = Printable(name);
        const TreeNode* shown = child.get();
        while (shown->values.empty() && shown->children.size() == 1 && !shown->children.begin()->second->removed) {
            label += "\\" + Printable(shown->children.begin()->first);
            shown = shown->children.begin()->second.get();
        }
        lines.push_back({indent + label, ""});
        Render(*shown, indent + "  ", lines);
    }
}

}  // namespace

std::string CountText(size_t keys, size_t values)
{
    std::string text = std::to_string(keys) + (keys == 1 ? " key" : " keys");
    if (values > 0)
        text += ", " + std::to_string(values) + (values == 1 ? " value" : " values");
    return text;
}

std::vector<std::string> RemovalTreeLines(const RegistryChanges& changes)
{
    TreeNode root;
    for (const KeySubtree& subtree : changes.removedKeys)
        Descend(root, subtree.path).removed = &subtree;
    for (const ValueChange& value : changes.removedValues)
        Descend(root, value.keyPath).values.push_back(&value);

    std::vector<TreeLine> lines;
    Render(root, "", lines);

    size_t column = 0;
    for (const TreeLine& line : lines) {
        if (!line.counts.empty() && line.label.size() <= kMaxCountColumn)
            column = std::max(column, line.label.size());
    }
    std::vector<std::string> text;
    for (const TreeLine& line : lines) {
        if (line.counts.empty()) {
            text.push_back(line.label);
            continue;
        }
        const size_t padding = line.label.size() < column ? column - line.label.size() : 0;
        text.push_back(line.label + std::string(padding + 3, ' ') + line.counts);
    }
    return text;
}

}  // namespace qalm
