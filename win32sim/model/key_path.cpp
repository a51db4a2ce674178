#include "key_path.h"

namespace win32sim {

bool SplitKeyPath(std::string_view path, std::vector<std::string_view>& names)
{
    names.clear();
    if (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    if (path.empty())
        return true;
    while (true) {
        size_t separator = path.find('\\');
        std::string_view name = path.substr(0, separator);
        if (name.empty())
            return false;
        names.push_back(name);
        if (separator == std::string_view::npos)
            return true;
        path.remove_prefix(separator + 1);
    }
}

}  // namespace win32sim
