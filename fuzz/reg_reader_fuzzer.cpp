// libFuzzer target for the .reg reader. Besides not crashing:
// - a file read as regedit reads it, lines it cannot read left out, survives
//   a round trip: written out in the format --after chooses, it reads again,
//   even under the strict rule, as the same registry, so the writer's text is
//   a fixed point;
// - a file the strict rule accepts has nothing left out and reads the same
//   under both rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>

#include "regfile/machine_loader.h"
#include "regfile/reg_writer.h"

namespace {

struct Reading {
    std::string written;  // the registry as --after writes it
    size_t leftOut = 0;
};

// Nothing for a file that is refused.
std::optional<Reading> Read(const std::string& text, qalm::MalformedLines malformed)
{
    win32sim::Registry registry;
    Reading reading;
    try {
        reading.leftOut = qalm::LoadRegText(text, "fuzz.reg", registry, malformed).leftOutCount;
    } catch (const qalm::RegReadError&) {
        return std::nullopt;
    }
    std::ostringstream out;
    qalm::WriteRegFile(registry, out, qalm::ExactFormat(registry));
    reading.written = out.str();
    return reading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<Reading> once = Read(text, qalm::MalformedLines::LeaveOut);
    if (!once)
        return 0;

    const std::optional<Reading> again = Read(once->written, qalm::MalformedLines::Refuse);
    if (!again || again->written != once->written)
        std::abort();  // the writer wrote what the reader does not read back the same

    const std::optional<Reading> strictly = Read(text, qalm::MalformedLines::Refuse);
    if (strictly && (once->leftOut != 0 || strictly->written != once->written))
        std::abort();  // the two rules disagree on a file without a malformed line
    return 0;
}
