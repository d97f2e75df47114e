#include "library/files/store_guard.h"

#include <algorithm>

#include "core/engine.h"
#include "core/paths.h"

namespace qel {

namespace {

constexpr TextView kStoreReason =
    u"設定の保管場所（保護機能の設定を含む）は、スクリプトから変更できません。";

// On resolved paths (absolute, no links, no dots, no doubled slashes) the
// text alone tells where a place lies.
bool sameOrInside(const std::string& inner, const std::string& outer) {
    if (inner == outer || outer == "/") return true;
    return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
           inner[outer.size()] == '/';
}

std::string parentOf(const std::string& resolved) {
    std::size_t slash = resolved.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : resolved.substr(0, slash);
}

std::string lastName(const std::string& resolved) {
    return resolved.substr(resolved.rfind('/') + 1);
}

// Letter case is ignored: on a file system that ignores it, another
// spelling of the name reaches the same folder.
bool sameNameIgnoringCase(const std::string& a, const std::string& b) {
    return text::equalsFolded(a, b);
}

}  // namespace

StoreGuard::StoreGuard(Engine& engine) : files_(engine.files()) {
    SettingsStore* store = engine.platform.settings.get();
    std::vector<std::string> own = store ? store->ownPaths() : std::vector<std::string>{};
    if (own.empty()) return;
    folder_ = files_.resolvedPlace(own[0], true);
    folderId_ = identityOf(folder_);
    for (std::size_t i = 1; i < own.size(); ++i) {
        if (auto id = identityOf(files_.resolvedPlace(own[i], true))) fileIds_.push_back(*id);
    }
}

std::optional<StoreGuard::Identity> StoreGuard::identityOf(const std::string& resolved) const {
    auto info = files_.fileInfo(resolved);
    if (!info || (info->device == 0 && info->inode == 0)) return std::nullopt;
    return Identity{info->device, info->inode};
}

bool StoreGuard::chainHas(std::string resolved, const Identity& id) const {
    for (;;) {
        if (identityOf(resolved) == id) return true;
        if (resolved == "/") return false;
        resolved = parentOf(resolved);
    }
}

bool StoreGuard::insideFolder(const std::string& resolved, bool checkItself) const {
    if (sameOrInside(resolved, folder_)) return true;
    if (!folderId_) return false;
    // By identity too: a folder reached under another spelling (a file
    // system that ignores letter case, a second mount of the same folder).
    return chainHas(checkItself ? resolved : parentOf(resolved), *folderId_);
}

bool StoreGuard::writes(const std::string& path) const {
    if (folder_.empty()) return false;
    const std::string place = files_.resolvedPlace(path, true);
    if (insideFolder(place, true)) return true;
    // One of the store's files under a second name (a hard link).
    auto id = identityOf(place);
    return id && std::find(fileIds_.begin(), fileIds_.end(), *id) != fileIds_.end();
}

bool StoreGuard::removes(const std::string& path) const {
    if (folder_.empty()) return false;
    const std::string place = files_.resolvedPlace(path, false);
    // A link is removed or moved by itself; what it points to stays.
    auto info = files_.fileInfo(place);
    const bool link = info && info->symbolicLink;
    if (insideFolder(place, !link)) return true;
    if (sameOrInside(folder_, place)) return true;  // a folder that holds the store
    if (link || !folderId_) return false;
    auto id = identityOf(place);
    return id && chainHas(folder_, *id);
}

std::optional<std::string> StoreGuard::nameLeadingIn(const std::string& folder) const {
    if (folder_.empty()) return std::nullopt;
    const std::string place = files_.resolvedPlace(folder, true);
    if (place != folder_ && sameOrInside(folder_, place)) {
        std::string rest = folder_.substr(place == "/" ? 1 : place.size() + 1);
        return rest.substr(0, rest.find('/'));
    }
    auto id = identityOf(place);
    if (!id) return std::nullopt;
    for (std::string child = folder_; child != "/"; child = parentOf(child)) {
        if (identityOf(parentOf(child)) == *id) return lastName(child);
    }
    return std::nullopt;
}

bool StoreGuard::treeReaches(const std::string& folder,
                             const std::vector<std::string>& names) const {
    if (writes(folder)) return true;
    auto lead = nameLeadingIn(folder);
    if (!lead) return false;
    for (const std::string& name : names) {
        if (sameNameIgnoringCase(name, *lead)) return true;
    }
    return false;
}

void ReportStoreRefusal(Engine& engine, TextView place) {
    engine.Report(ErrorId::CannotSave, Text(place) + u"\n" + Text(kStoreReason));
}

bool RefuseStoreWrite(Engine& engine, TextView path) {
    if (!StoreGuard(engine).writes(toNativePath(path))) return false;
    ReportStoreRefusal(engine, path);
    return true;
}

bool RefuseStoreRemoval(Engine& engine, TextView path) {
    if (!StoreGuard(engine).removes(toNativePath(path))) return false;
    ReportStoreRefusal(engine, path);
    return true;
}

bool RefuseStoreTree(Engine& engine, TextView source, TextView target) {
    StoreGuard guard(engine);
    const std::string to = toNativePath(target);
    bool refused = guard.writes(to);
    if (!refused) {
        // A folder (not a link to one: links are copied as links) brings
        // its entries along.
        FileSystem& fs = engine.files();
        const std::string from = toNativePath(source);
        auto info = fs.fileInfo(from);
        std::vector<FolderEntry> entries;
        if (info && info->kind == FileKind::Folder && !info->symbolicLink &&
            fs.listFolder(from, entries)) {
            std::vector<std::string> names;
            for (const FolderEntry& entry : entries) names.push_back(entry.name);
            refused = guard.treeReaches(to, names);
        }
    }
    if (refused) ReportStoreRefusal(engine, target);
    return refused;
}

}  // namespace qel
