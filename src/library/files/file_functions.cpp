// The file family's information functions: sizes, dates and attributes,
// the parts of a path, folder lists and searches, drives, and the desktop's
// and the system's folders.
#include <algorithm>
#include <cmath>

#include "core/engine.h"
#include "core/paths.h"
#include "library/files/file_support.h"
#include "library/files/files.h"
#include "library/registry/arguments.h"
#include "library/registry/function_support.h"
#include "library/settings/protection.h"
#include "text/number.h"

namespace qel {

namespace {

Text firstArgument(Engine& engine, Text& args) {
    return std::move(UnpackArgs(engine, args, true, 1)[0]);
}

Text joinLines(const std::vector<Text>& lines) {
    return text::join(lines, kCRLF);
}

Text localTimeText(Engine& engine, double seconds) {
    return dateTimeText(engine.clock().localTime(Clock::wholeSeconds(seconds)));
}

std::optional<FileInfo> existing(Engine& engine, TextView path) {
    auto info = engine.files().fileInfo(toNativePath(path));
    if (!info) engine.Report(ErrorId::NotFound, ErrorIcon::Warning, path);
    return info;
}

// What a list function looks at: an existing folder means all of it; any
// other text is a folder part and a wildcard name (the current folder when
// there is no folder part).
struct ListRequest {
    Text folder;   // "" or ending with "/"
    Text pattern;  // "*" for everything
};

ListRequest listRequestOf(Engine& engine, TextView written) {
    Text path = files::slashPath(written);
    if (path.empty()) return {Text(), u"*"};
    auto info = engine.files().fileInfo(toNativePath(path));
    if (info && info->kind == FileKind::Folder) return {files::withFolderSlash(path), u"*"};
    return {folderOf(path), fileNameOf(path)};
}

// Names in one folder, of files (wantFolders false) or of folders.
std::vector<Text> namesIn(Engine& engine, const ListRequest& request, bool wantFolders) {
    std::vector<FolderEntry> entries;
    std::vector<Text> names;
    const std::string folder = request.folder.empty() ? "." : toNativePath(request.folder);
    FileStatus status = engine.files().listFolder(folder, entries);
    if (!status) {
        engine.Report(ErrorId::NotFound, ErrorIcon::Warning,
                      request.folder.empty() ? Text(u".") : request.folder);
        return names;
    }
    for (const FolderEntry& entry : entries) {
        if ((entry.kind == FileKind::Folder) != wantFolders) continue;
        Text name = text::fromUtf8(entry.name);
        if (files::wildcardMatch(request.pattern, name)) names.push_back(std::move(name));
    }
    return names;
}

// Everything below a folder whose name matches, as paths on the folder.
std::vector<Text> pathsBelow(Engine& engine, TextView folder, TextView pattern, bool wantFolders) {
    std::vector<Text> paths;
    Text root = folder.empty() ? Text(u"./") : files::withFolderSlash(folder);
    auto info = engine.files().fileInfo(toNativePath(root));
    if (!info || info->kind != FileKind::Folder) {
        engine.Report(ErrorId::NotFound, ErrorIcon::Warning, root);
        return paths;
    }
    files::walkTree(engine.files(), root, [&](const files::WalkEntry& entry) {
        if ((entry.kind == FileKind::Folder) != wantFolders) return;
        if (!files::wildcardMatch(pattern, entry.name)) return;
        paths.push_back(wantFolders ? entry.path + u"/" : entry.path);
    });
    // Paths built on "./" are given back as the script wrote them: relative.
    if (folder.empty()) {
        for (Text& path : paths) path.erase(0, 2);
    }
    return paths;
}

// ファイル検索 and フォルダ検索: (folder, name) or (folder/name) with wildcards.
void searchTree(Text& result, Text& args, Engine& engine, bool wantFolders) {
    std::vector<Text> pieces = UnpackArgs(engine, args, true, 2);
    Text folder, pattern;
    if (pieces[1].empty()) {
        ListRequest request = listRequestOf(engine, pieces[0]);
        folder = request.folder;
        pattern = request.pattern;
    } else {
        folder = pieces[0];
        pattern = pieces[1];
    }
    result = joinLines(pathsBelow(engine, folder, pattern, wantFolders));
}

std::uint64_t treeSize(Engine& engine, TextView folder) {
    std::uint64_t total = 0;
    files::walkTree(engine.files(), folder, [&](const files::WalkEntry& entry) {
        if (entry.kind != FileKind::File) return;
        if (auto info = engine.files().fileInfo(toNativePath(entry.path))) total += info->size;
    });
    return total;
}

bool isHidden(Engine& engine, TextView path) {
    Text name = files::namePart(path);
    if (text::startsWith(name, u".")) return true;
    std::string bytes;
    if (!engine.files().readFile(toNativePath(folderOf(path) + u".hidden"), bytes)) return false;
    const Text list = text::normaliseLineEnds(text::fromUtf8(bytes));
    for (TextView line : splitRows(list)) {
        if (line == name) return true;
    }
    return false;
}

// The attribute number in the values scripts know: read-only 1, hidden 2,
// folder 16.
int attributeNumber(Engine& engine, TextView path, const FileInfo& info) {
    int value = 0;
    if ((info.mode & 0222) == 0) value |= 1;
    if (isHidden(engine, path)) value |= 2;
    if (info.kind == FileKind::Folder) value |= 16;
    return value;
}

void specialFolder(Text& result, Engine& engine, UserFolder which) {
    result = text::fromUtf8(engine.files().userFolder(which));
}

// The kind of drive a mounted file system is, in the words scripts use.
Text driveKind(const MountPoint& mount) {
    const std::string& type = mount.type;
    if (type == "iso9660" || type == "udf") return u"CD-ROM";
    if (type == "nfs" || type == "nfs4" || type == "cifs" || type == "smb3" || type == "smbfs" ||
        type == "fuse.sshfs" || type == "9p") {
        return u"ネットワーク";
    }
    const bool removable =
        mount.path.rfind("/media/", 0) == 0 || mount.path.rfind("/run/media/", 0) == 0;
    if (removable) return u"リムーバブル";
    return u"固定";
}

Text driveName(const MountPoint& mount) {
    std::string path = mount.path;
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    return text::fromUtf8(path);
}

}  // namespace

// ---- sizes, dates, attributes ------------------------------------------------------

void fnFileSize(Text& result, Text& args, Engine& engine) {
    Text path = firstArgument(engine, args);
    auto info = existing(engine, path);
    if (!info) return;
    std::uint64_t size = info->kind == FileKind::Folder ? treeSize(engine, path) : info->size;
    result = number::format(double(size));
}

void fnFileDate(Text& result, Text& args, Engine& engine) {
    Text path = firstArgument(engine, args);
    if (auto info = existing(engine, path)) result = localTimeText(engine, info->modified);
}

// ファイル属性(file) gives the attribute number; ファイル属性(file の word
// について) gives 1 when the file has that attribute of resource table 204, else 0.
void fnFileAttributes(Text& result, Text& args, Engine& engine) {
    std::vector<Text> pieces = UnpackArgs(engine, args, true, 2);
    auto info = existing(engine, pieces[0]);
    if (!info) return;
    const int value = attributeNumber(engine, pieces[0], *info);
    if (pieces[1].empty()) {
        result = number::format(value);
        return;
    }
    Text word(text::trimBlanks(pieces[1]));
    Text code = engine.resourceLookup(204, word);
    if (code.empty()) code = engine.resourceLookup(204, word + u"ファイル");
    if (code.empty()) {
        engine.Report(ErrorId::ValueNotRight, word);
        return;
    }
    bool has = false;
    if (word.starts_with(u"フォルダ")) {
        has = info->kind == FileKind::Folder;
    } else if (int bit = int(number::toNumber(code)); bit == 0) {
        has = (value & 3) == 0;
    } else {
        has = (value & bit) != 0;
    }
    result = has ? u"1" : u"0";
}

// ファイルサイズ形式(bytes or file): 512 → "512バイト", 1536 → "1.5KB",
// then MB, GB and TB with three significant digits at most.
void fnFileSizeText(Text& result, Text& args, Engine& engine) {
    Text written = firstArgument(engine, args);
    double size = 0;
    if (auto n = number::parse(written)) {
        size = *n;
    } else {
        auto info = existing(engine, written);
        if (!info) return;
        size = double(info->kind == FileKind::Folder ? treeSize(engine, written) : info->size);
    }
    if (size < 1024) {
        result = number::format(size) + u"バイト";
        return;
    }
    static const char16_t* units[] = {u"KB", u"MB", u"GB", u"TB", u"PB"};
    int unit = 0;
    size /= 1024;
    while (size >= 1024 && unit < 4) {
        size /= 1024;
        ++unit;
    }
    const double scale = size >= 100 ? 1 : size >= 10 ? 10 : 100;
    result = number::format(std::round(size * scale) / scale) + units[unit];
}

// ---- parts of a path ------------------------------------------------------------------

void fnFolderOnly(Text& result, Text& args, Engine& engine) {
    result = files::folderPart(firstArgument(engine, args));
}

void fnNameOnly(Text& result, Text& args, Engine& engine) {
    result = fileNameOf(firstArgument(engine, args));
}

void fnExtensionOnly(Text& result, Text& args, Engine& engine) {
    result = files::extensionPart(firstArgument(engine, args));
}

void fnRelativePath(Text& result, Text& args, Engine& engine) {
    std::vector<Text> pieces = UnpackArgs(engine, args, true, 2);
    FileSystem& fs = engine.files();
    Text base = pieces[1].empty() ? fromNativePath(fs.currentFolder()) : pieces[1];
    result = files::relativePath(files::absolutePath(fs, pieces[0]),
                                 files::absolutePath(fs, files::withFolderSlash(base)));
}

// ---- lists and searches ------------------------------------------------------------------

void fnFileList(Text& result, Text& args, Engine& engine) {
    result = joinLines(namesIn(engine, listRequestOf(engine, firstArgument(engine, args)), false));
}

void fnFolderList(Text& result, Text& args, Engine& engine) {
    result = joinLines(namesIn(engine, listRequestOf(engine, firstArgument(engine, args)), true));
}

void fnAllFiles(Text& result, Text& args, Engine& engine) {
    ListRequest request = listRequestOf(engine, firstArgument(engine, args));
    result = joinLines(pathsBelow(engine, request.folder, request.pattern, false));
}

void fnAllFolders(Text& result, Text& args, Engine& engine) {
    ListRequest request = listRequestOf(engine, firstArgument(engine, args));
    result = joinLines(pathsBelow(engine, request.folder, request.pattern, true));
}

void fnFileSearch(Text& result, Text& args, Engine& engine) {
    searchTree(result, args, engine, false);
}

void fnFolderSearch(Text& result, Text& args, Engine& engine) {
    searchTree(result, args, engine, true);
}

void fnDriveList(Text& result, Text&, Engine& engine) {
    std::vector<Text> names;
    for (const MountPoint& mount : engine.files().mountPoints()) names.push_back(driveName(mount));
    result = text::join(names, u",");
}

// ドライブ検索(kind): the drives of that kind (CD-ROM, リムーバブル, 固定,
// ネットワーク), joined with ","; without a kind, every drive with its kind
// after a ":" .
void fnDriveSearch(Text& result, Text& args, Engine& engine) {
    Text kind(text::trimBlanks(firstArgument(engine, args)));
    std::vector<Text> names;
    for (const MountPoint& mount : engine.files().mountPoints()) {
        Text found = driveKind(mount);
        if (kind.empty()) {
            names.push_back(driveName(mount) + u":" + found);
        } else if (text::equalsFolded(text::toHalfWidth(kind), text::toHalfWidth(found)) ||
                   (kind == u"CD" && found == u"CD-ROM")) {
            names.push_back(driveName(mount));
        }
    }
    result = text::join(names, u",");
}

// ---- folders of the desktop and the system ------------------------------------------

void fnWorkFolder(Text& result, Text&, Engine& engine) {
    result = fromNativePath(engine.files().currentFolder());
}

// The folder of the running script (of the application, for a stand-alone
// one): where a script finds the files that came with it.
void fnScriptFolder(Text& result, Text&, Engine& engine) {
    Text folder = folderOf(engine.currentFile);
    // A script named without a folder was run from the current folder; a
    // text with no file at all belongs to the application.
    if (folder.empty() && !engine.currentFile.empty()) {
        folder = fromNativePath(engine.files().currentFolder());
    } else if (folder.empty()) {
        folder = folderOf(fromNativePath(engine.files().executablePath()));
    }
    result = files::absolutePath(engine.files(), files::withFolderSlash(folder));
}

void fnAppFileName(Text& result, Text&, Engine& engine) {
    result = fromNativePath(engine.files().executablePath());
}

void fnWindowsFolder(Text& result, Text&, Engine& engine) {
    specialFolder(result, engine, UserFolder::Windows);
}
void fnSystemFolder(Text& result, Text&, Engine& engine) {
    specialFolder(result, engine, UserFolder::System);
}
void fnTempFolder(Text& result, Text&, Engine& engine) {
    specialFolder(result, engine, UserFolder::Temporary);
}
void fnDesktopFolder(Text& result, Text&, Engine& engine) {
    specialFolder(result, engine, UserFolder::Desktop);
}
void fnDocumentsFolder(Text& result, Text&, Engine& engine) {
    specialFolder(result, engine, UserFolder::Documents);
}
void fnFavoritesFolder(Text& result, Text&, Engine& engine) {
    specialFolder(result, engine, UserFolder::Favorites);
}
void fnStartMenuFolder(Text& result, Text&, Engine& engine) {
    specialFolder(result, engine, UserFolder::StartMenu);
}
void fnProgramsFolder(Text& result, Text&, Engine& engine) {
    specialFolder(result, engine, UserFolder::Programs);
}
void fnSendToFolder(Text& result, Text&, Engine& engine) {
    specialFolder(result, engine, UserFolder::SendTo);
}
void fnProgramFilesFolder(Text& result, Text&, Engine& engine) {
    specialFolder(result, engine, UserFolder::ProgramFiles);
}

// What starts with the user's session is a system matter: refused, the
// result is empty.
void fnStartupFolder(Text& result, Text&, Engine& engine) {
    result.clear();
    if (!CheckProtection(engine, Guard::System)) return;
    specialFolder(result, engine, UserFolder::Startup);
}

}  // namespace qel
