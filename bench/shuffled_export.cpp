#include "shuffled_export.h"

#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "machine_parts.h"
#include "regfile/reg_writer.h"

namespace qalm::bench {
namespace {

struct KeyBlock {
    std::string_view header;
    std::vector<std::string_view> values;  // each with its continuation lines
};

template <class Item>
void Shuffle(std::vector<Item>& items, Sequence& random)
{
    for (size_t i = items.size(); i > 1; --i)
        std::swap(items[i - 1], items[random.Below(i)]);
}

}  // namespace

void WriteShuffledExport(const win32sim::Registry& registry, std::ostream& out)
{
    std::ostringstream sorted;
    WriteRegFile(registry, sorted, RegFileFormat::Regedit4);
    const std::string text = sorted.str();

    // The writer's layout: a header line, a blank line, then per key its
    // "[...]" line, its values (hex data continues on lines that start with
    // spaces) and a blank line.
    std::vector<KeyBlock> blocks;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string_view line(text.data() + start, end - start);
        if (line.front() == '[')
            blocks.push_back({line, {}});
        else if (line.front() == ' ')
            blocks.back().values.back() =
                std::string_view(blocks.back().values.back().data(), blocks.back().values.back().size() + line.size());
        else if (line.front() == '"' || line.front() == '@')
            blocks.back().values.push_back(line);
        start = end;
    }

    Sequence random;
    Shuffle(blocks, random);
    out << "REGEDIT4\n\n";
    for (KeyBlock& block : blocks) {
        Shuffle(block.values, random);
        out << block.header;
        for (std::string_view value : block.values)
            out << value;
        out << "\n";
    }
}

}  // namespace qalm::bench
