#include "hive_apply.h"

#include <unistd.h>

#include <cstdio>
#include <memory>

#include "child_process.h"
#include "deferred_signals.h"
#include "hive_compare.h"
#include "hive_files.h"
#include "hive_handle.h"
#include "hive_header.h"
#include "regfile/printable.h"
#include "removal_plan.h"
#include "write_removals.h"

// Why the order of steps keeps every hive whole:
// 1. Each changed hive is committed to a new file beside it (by a child
//    process, which libhivex may abort on a damaged hive), flushed, read
//    back and compared; all of them before any name changes. A crash until
//    then leaves every hive as it was (and at most a stray *.qalm-new-* file).
// 2. Each original gets a second name, its backup, by a hard link, and the
//    folder is flushed. The hive itself is untouched, and the link exists on
//    disk before the hive's name moves: the old content never loses its last
//    name. A crash here leaves the hive as it was, with a backup equal to it.
//    Without hard links (FAT) the backup is a copy, flushed and compared
//    before it gets its name; a crash before leaves a stray *.qalm-copy-*.
// 3. Each new file is renamed over its hive, and the folder flushed. rename()
//    swaps the name atomically: the hive is the old one or the new one, never
//    neither, and the backup keeps the old content either way.
// link() and rename with RENAME_NOREPLACE never replace an existing name, so
// an older backup is never lost.
namespace offline {
namespace {

// Errors before any hive is replaced leave every file as it was; they say so.
const char* const kNothingWritten = ". Nothing was written.";

// A hive written, flushed and verified in a new file beside it.
struct PreparedHive {
    std::string file;
    FileIdentity identity;
    std::unique_ptr<NewHiveFile> written;
    std::string backup;  // once kept
    bool replaced = false;
};

void Report(const ApplyOptions& options, ApplyStep step, const std::string& file)
{
    if (options.afterStep)
        options.afterStep(step, file);
}

void StopIfInterrupted(const DeferredSignals& signals)
{
    if (signals.Pending())
        throw ApplyError("interrupted before any hive was replaced");
}

void CheckUnchangedSince(const PreparedHive& hive)
{
    if (!(IdentifyHiveFile(hive.file) == hive.identity))
        throw ApplyError(qalm::Printable(hive.file) + " was changed by something else while the changes were made");
}

std::unique_ptr<PreparedHive> Prepare(const HiveChanges& changes, const RemovalPlan& plan, const FileIdentity& identity,
                                      const DeferredSignals& signals)
{
    auto prepared = std::make_unique<PreparedHive>();
    prepared->file = changes.file;
    prepared->identity = identity;
    const BaseBlock base = CheckHiveIsClean(changes.file);
    prepared->written = std::make_unique<NewHiveFile>(changes.file, "new");
    const std::string& target = prepared->written->Path();
    RunInChildProcess(changes.file, [&] {
        // The one handle the changes go through; closed without a commit if any call fails.
        HiveHandle hive(changes.file, HiveHandle::Mode::Write);
        WriteRemovals(hive, FindRemovals(hive, plan), base);
        hive.CommitTo(target);
    });
    StopIfInterrupted(signals);
    SyncFile(prepared->written->Path());
    CheckHiveIsClean(prepared->written->Path());
    StopIfInterrupted(signals);
    {
        const HiveHandle original(changes.file, HiveHandle::Mode::Read);
        const HiveHandle written(prepared->written->Path(), HiveHandle::Mode::Read);
        CompareWithExpected(original, FindRemovals(original, plan), written);
    }
    CheckUnchangedSince(*prepared);
    return prepared;
}

void Replace(std::vector<std::unique_ptr<PreparedHive>>& hives, const ApplyOptions& options)
{
    for (auto& hive : hives) {
        CheckUnchangedSince(*hive);
        hive->backup = KeepBackup(hive->file);
        SyncFolderOf(hive->file);
        Report(options, ApplyStep::BackupKept, hive->file);
    }
    for (auto& hive : hives) {
        RenameOver(hive->written->Path(), hive->file);
        hive->written->RenamedIntoPlace();
        hive->replaced = true;
        SyncFolderOf(hive->file);
        Report(options, ApplyStep::Replaced, hive->file);
    }
}

// After a failure while replacing: each replaced hive gets its original back
// (its backup renamed over it) and each backup of an unchanged hive goes.
// Says what could not be undone, for the message.
std::string Undo(std::vector<std::unique_ptr<PreparedHive>>& hives)
{
    std::string left;
    for (auto& hive : hives) {
        if (hive->replaced) {
            if (std::rename(hive->backup.c_str(), hive->file.c_str()) != 0) {
                left += ". " + qalm::Printable(hive->file) + " is changed; its original is " +
                        qalm::Printable(hive->backup);
                continue;
            }
        } else if (!hive->backup.empty() && unlink(hive->backup.c_str()) != 0) {
            left += ". " + qalm::Printable(hive->file) + " is unchanged, with a copy " + qalm::Printable(hive->backup);
            continue;
        }
        try {
            SyncFolderOf(hive->file);
        } catch (const ApplyError&) {
            // The names are right; only their flush to disk is left to the system.
        }
    }
    return left.empty() ? ". Nothing was changed." : left + ".";
}

}  // namespace

std::vector<AppliedHive> ApplyHiveChanges(const std::vector<HiveChanges>& hives)
{
    return ApplyHiveChanges(hives, ApplyOptions{});
}

std::vector<AppliedHive> ApplyHiveChanges(const std::vector<HiveChanges>& hives, const ApplyOptions& options)
{
    const DeferredSignals signals;
    std::vector<std::unique_ptr<PreparedHive>> prepared;
    try {
        for (const HiveChanges& changes : hives) {
            const RemovalPlan plan = PlanRemovals(changes);
            if (plan.Empty())
                continue;
            StopIfInterrupted(signals);
            const FileIdentity identity = IdentifyHiveFile(changes.file);
            for (const auto& earlier : prepared) {
                if (earlier->identity.device == identity.device && earlier->identity.inode == identity.inode)
                    throw ApplyError(qalm::Printable(changes.file) + " is the same file as " +
                                     qalm::Printable(earlier->file));
            }
            prepared.push_back(Prepare(changes, plan, identity, signals));
            Report(options, ApplyStep::Verified, changes.file);
        }
        StopIfInterrupted(signals);
    } catch (const ApplyError& error) {
        throw ApplyError(error.what() + std::string(kNothingWritten));
    }

    try {
        Replace(prepared, options);
    } catch (const std::exception& error) {
        throw ApplyError(error.what() + Undo(prepared));
    }
    std::vector<AppliedHive> applied;
    for (const auto& hive : prepared)
        applied.push_back({hive->file, hive->backup});
    return applied;
}

}  // namespace offline
