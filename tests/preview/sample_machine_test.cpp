#include "sample_machine.h"
#include "preview_test_support.h"

namespace qalm::testing {
namespace {

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
