#include "hives/offline_hives.h"

#include "hives/creg_file.h"

namespace qalm {
namespace {

std::unique_ptr<NtHive> Open(const HiveFiles& files, HiveKind kind)
{
    const HiveFile* file = files.Find(kind);
    if (!file)
        return nullptr;
    return std::make_unique<NtHive>(file->path, ShownHiveKey({kind, ""}));
}

}  // namespace

OfflineHives::OfflineHives(HiveFiles files)
    : files_(std::move(files)), system_(Open(files_, HiveKind::System)), software_(Open(files_, HiveKind::Software))
{
    if (system_)
        sets_ = ReadControlSets(*system_);
}

win32sim::Registry OfflineHives::Load(unsigned currentSet) const
{
    win32sim::Registry registry;
    if (const HiveFile* systemDat = files_.Find(HiveKind::System9x))
        Load9xRegistry(systemDat->path, registry);
    if (system_) {
        system_->LoadInto(registry, MountKey(HiveKind::System), {{ControlSetName(currentSet), "CurrentControlSet"}});
    }
    if (software_)
        software_->LoadInto(registry, MountKey(HiveKind::Software));
    return registry;
}

}  // namespace qalm
