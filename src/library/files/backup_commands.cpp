// バックアップ and the backup form of 復元.
//
// X を [folder へ] バックアップ copies the files or folders X into a new
// folder named after the moment (YYYYMMDD-hhmmss) inside the backup folder,
// and leaves that folder's path in それ. Named folder: the copies keep their
// names (folder/20261208-170512/report.txt). No folder: the per-user backup
// store is used and the copies keep their whole absolute path
// (store/20261208-170512/home/user/report.txt), so files of the same name
// from different folders never mix.
//
// X を 復元 restores X from the newest backup in the store that holds it;
// X を folder から 復元 does the same from a named backup folder. Files in the
// backup replace those at X; files made at X since the backup stay.
#include <algorithm>

#include "core/engine.h"
#include "core/parser.h"
#include "core/paths.h"
#include "library/files/file_support.h"
#include "library/files/files.h"
#include "library/files/store_guard.h"
#include "library/settings/protection.h"
#include "library/strings/encoding_io.h"

namespace qel {

namespace {

// YYYYMMDD-hhmmss of the local time now: the digits of yyyy/mm/dd hh:nn:ss,
// the blank as "-".
Text stampNow(Engine& engine) {
    Text stamp;
    for (char16_t c : dateTimeText(engine.clock().localNow())) {
        if (c == u' ') {
            stamp += u'-';
        } else if (c != u'/' && c != u':') {
            stamp += c;
        }
    }
    return stamp;
}

// A stamp folder: 8 digits, "-", 6 digits, and maybe "-n" when two backups
// were made within one second.
bool isStampName(TextView name) {
    if (name.size() < 15 || name[8] != u'-') return false;
    for (std::size_t i = 0; i < 15; ++i) {
        if (i != 8 && (name[i] < u'0' || name[i] > u'9')) return false;
    }
    return name.size() == 15 || name[15] == u'-';
}

// The part of a backup that stands for X: its name in a named folder, its
// absolute path (without the leading "/") in the store.
Text pathInBackup(Engine& engine, TextView path, bool store) {
    if (!store) return files::namePart(path);
    Text absolute = files::absolutePath(engine.files(), path);
    while (!absolute.empty() && absolute.back() == u'/') absolute.pop_back();
    return absolute.substr(1);
}

Text backupFolderOf(Engine& engine, TextView named) {
    if (!named.empty()) return files::withFolderSlash(named);
    return text::fromUtf8(engine.files().userFolder(UserFolder::Backups));
}

// A new, empty stamp folder inside the backup folder.
std::optional<Text> newStampFolder(Engine& engine, TextView backupFolder) {
    FileSystem& fs = engine.files();
    FileStatus made = fs.makeFolders(toNativePath(backupFolder));
    if (!made) {
        ReportWriteFault(engine, backupFolder, made);
        return std::nullopt;
    }
    const Text stamp = stampNow(engine);
    for (int n = 1; n < 1000; ++n) {
        Text folder = Text(backupFolder) + stamp;
        if (n > 1) folder += u"-" + text::fromAscii(std::to_string(n));
        if (fs.fileInfo(toNativePath(folder))) continue;
        FileStatus status = fs.makeFolders(toNativePath(folder));
        if (!status) {
            ReportWriteFault(engine, folder, status);
            return std::nullopt;
        }
        return folder + u"/";
    }
    ReportWriteFault(engine, backupFolder, {FileFault::Other, "too many backups in one second"});
    return std::nullopt;
}

void restoreFrom(Engine& engine, TextView fileName, TextView namedFolder) {
    FileSystem& fs = engine.files();
    const bool store = namedFolder.empty();
    const Text backupFolder = backupFolderOf(engine, namedFolder);
    const Text inside = pathInBackup(engine, fileName, store);
    std::vector<FolderEntry> entries;
    fs.listFolder(toNativePath(backupFolder), entries);
    // Newest first: stamps sort as the times they name.
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name > b.name; });
    for (const FolderEntry& entry : entries) {
        Text name = text::fromUtf8(entry.name);
        if (entry.kind != FileKind::Folder || !isStampName(name)) continue;
        Text copy = backupFolder + name + u"/" + inside;
        if (!fs.fileInfo(toNativePath(copy))) continue;
        if (RefuseStoreTree(engine, copy, fileName)) return;
        FileStatus status = fs.copyTree(toNativePath(copy), toNativePath(fileName));
        if (!status) {
            ReportWriteFault(engine, fileName, status);
            return;
        }
        engine.answer = copy;
        return;
    }
    engine.Report(ErrorId::NotFound, Text(fileName) + u"のバックアップ");
}

}  // namespace

void cmdBackup(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    if (text::trimBlanks(Args(record).woArg).empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing, record.source);
        return;
    }
    const Text source = engine.EvalText(Args(record).woArg);
    const Text named = Args(record).heArg.empty() ? Text() : engine.EvalText(Args(record).heArg);
    std::vector<Text> sources = files::expandSources(engine.files(), source);
    if (sources.empty()) {
        engine.Report(ErrorId::NotFound, source);
        return;
    }
    if (RefuseStoreWrite(engine, backupFolderOf(engine, named))) return;
    auto folder = newStampFolder(engine, backupFolderOf(engine, named));
    if (!folder) return;
    FileSystem& fs = engine.files();
    for (const Text& one : sources) {
        Text copy = *folder + pathInBackup(engine, one, named.empty());
        FileStatus status = fs.makeFolders(toNativePath(folderOf(copy)));
        if (status) status = fs.copyTree(toNativePath(one), toNativePath(copy));
        if (!status) {
            // A backup that is not whole is no backup: it is not left behind.
            fs.removeTree(toNativePath(*folder));
            return ReportWriteFault(engine, copy, status);
        }
    }
    engine.answer = *folder;
}

bool RestoreBackupIfAsked(Engine& engine, TextView fileName, TextView fromValue, bool fromGiven,
                          bool targetGiven) {
    if (targetGiven) return false;
    if (!fromGiven) {
        restoreFrom(engine, fileName, {});
        return true;
    }
    auto info = engine.files().fileInfo(toNativePath(fromValue));
    if (!info || info->kind != FileKind::Folder) return false;
    restoreFrom(engine, fileName, fromValue);
    return true;
}

}  // namespace qel
