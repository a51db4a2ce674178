#include <sstream>

#include "preview_test_support.h"
#include "regfile/reg_writer.h"
#include "sample_machine.h"

namespace qalm::testing {
namespace {

std::string Regedit4Of(const win32sim::Registry& registry)
{
    std::ostringstream out;
    WriteRegedit4(registry, out);
    return out.str();
}

TEST(SampleMachine, RoundTripsThroughARegedit4Export)
{
    win32sim::Registry sample;
    LoadSampleMachine(sample);
    const std::string once = Regedit4Of(sample);
    const win32sim::Registry reread = RegistryFrom(once);
    EXPECT_EQ(reread.Dump(), sample.Dump());
    EXPECT_EQ(Regedit4Of(reread), once);
}

}  // namespace
}  // namespace qalm::testing
