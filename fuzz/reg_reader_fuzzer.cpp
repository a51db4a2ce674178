// libFuzzer target for the .reg reader. Besides not crashing, a file that is
// accepted must survive a round trip: written out in the format --after
// chooses and read again, it gives the same registry, so the writer's text is
// a fixed point.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "regfile/machine_loader.h"
#include "regfile/reg_writer.h"

namespace {

bool Load(const std::string& text, win32sim::Registry& registry)
{
    try {
        qalm::LoadRegText(text, "fuzz.reg", registry);
        return true;
    } catch (const qalm::RegReadError&) {
        return false;
    }
}

std::string Written(const win32sim::Registry& registry, qalm::RegFileFormat format)
{
    std::ostringstream out;
    qalm::WriteRegFile(registry, out, format);
    return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    win32sim::Registry registry;
    if (!Load(std::string(reinterpret_cast<const char*>(data), size), registry))
        return 0;

    const std::string once = Written(registry, qalm::ExactFormat(registry));
    win32sim::Registry reread;
    if (!Load(once, reread) || Written(reread, qalm::ExactFormat(reread)) != once)
        std::abort();  // the writer wrote what the reader does not read back the same
    return 0;
}
