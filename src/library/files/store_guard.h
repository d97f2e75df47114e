// The settings store keeps the protection key, so no file command may change
// its folder or files, whatever the protection: a script that could delete,
// replace or move them would lift its own protection for the next run.
//
// Places are compared as the system resolves them (links followed, "." and
// ".." steps and doubled slashes taken out) and, where they exist, by device
// and inode, so that neither another spelling of a path nor a file system
// that ignores letter case gets round the check.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ports/platform.h"
#include "text/text.h"

namespace qel {

class Engine;

class StoreGuard {
  public:
    explicit StoreGuard(Engine& engine);

    // Whether writing or changing what the path leads to (following links,
    // as writing a file does) would change the store: its folder, anything
    // in it, or one of its files under another name.
    bool writes(const std::string& path) const;
    // Whether removing, moving or renaming the entry itself (a link, not
    // what it points to) would change the store: an entry in its folder, the
    // folder, or a folder that holds it.
    bool removes(const std::string& path) const;
    // The name an entry placed directly in `folder` must have to land in the
    // store's folder or on the way to it; nothing when `folder` does not
    // hold the store.
    std::optional<std::string> nameLeadingIn(const std::string& folder) const;
    // Whether a tree whose top-level entries have these names, placed in
    // `folder` (merging with what is there), would reach the store.
    bool treeReaches(const std::string& folder, const std::vector<std::string>& names) const;

  private:
    struct Identity {
        std::uint64_t device = 0, inode = 0;
        bool operator==(const Identity&) const = default;
    };
    std::optional<Identity> identityOf(const std::string& resolved) const;
    bool insideFolder(const std::string& resolved, bool checkItself) const;
    // Whether `resolved` or a folder above it is the place `id`.
    bool chainHas(std::string resolved, const Identity& id) const;

    FileSystem& files_;
    std::string folder_;  // resolved; empty when the store keeps no files
    std::optional<Identity> folderId_;
    std::vector<Identity> fileIds_;
};

// Reports that the command would change the settings store (error 203 with
// the place and the reason); the caller then changes nothing.
void ReportStoreRefusal(Engine& engine, TextView place);

// The checks the file commands make before they act, on script paths: true
// after the refusal has been reported.
bool RefuseStoreWrite(Engine& engine, TextView path);
bool RefuseStoreRemoval(Engine& engine, TextView path);
// A copy or move of `source` to `target`: the target is written, and when
// the source is a folder its entries land under the target.
bool RefuseStoreTree(Engine& engine, TextView source, TextView target);

}  // namespace qel
