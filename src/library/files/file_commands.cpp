// The file family's commands: 保存 and 追加保存, opening files (the command
// and the function 開け), the shared file operation of 移動, コピー, 削除
// and 変更, ファイル属性変更, 作れ for folders and shortcuts, the setting
// word 作業フォルダ, and 辞書保存 / 辞書初期化.
#include <algorithm>
#include <optional>

#include "core/engine.h"
#include "core/parser.h"
#include "core/paths.h"
#include "core/values.h"
#include "encodings/uEncoding.h"
#include "library/archives/archives.h"
#include "library/files/file_support.h"
#include "library/files/files.h"
#include "library/files/store_guard.h"
#include "library/graphics/graphics.h"
#include "library/objects/objects.h"
#include "library/registry/arguments.h"
#include "library/registry/function_support.h"
#include "library/registry/registry.h"
#include "library/settings/protection.h"
#include "library/settings/settings.h"
#include "library/strings/encoding_io.h"
#include "library/system/system.h"
#include "text/number.h"

namespace qel {

namespace {

// ---- forms of 保存, 追加保存 and 開け -------------------------------------------

struct Form {
    enum Kind { Plain, Encoded, Binary, CodePage932, NoLineBreak, AtLine, Unknown } kind = Plain;
    uEncoding::Selector encoding = uEncoding::Selector::Utf8;
    std::int64_t line = 0;  // AtLine: 1 is the first line
    Text word;              // as written, for reports
};

Text foldedFormWord(TextView word) {
    return text::toFullWidth(text::toUpperAscii(text::trimBlanks(word)));
}

std::optional<Form> knownForm(TextView word) {
    Form form;
    form.word = Text(text::trimBlanks(word));
    Text folded = foldedFormWord(word);
    if (folded.empty()) return form;
    if (auto encoding = EncodingOfForm(word)) {
        form.kind = Form::Encoded;
        form.encoding = *encoding;
    } else if (folded == u"バイナリ") {
        form.kind = Form::Binary;
    } else if (folded == u"ＳＪＩＳ" || folded == u"シフトＪＩＳ" || folded == u"ＡＮＳＩ") {
        form.kind = Form::CodePage932;
    } else if (folded == u"改行しない") {
        form.kind = Form::NoLineBreak;
    } else if (text::endsWith(folded, u"行目")) {
        auto line = number::parse(text::toHalfWidth(folded.substr(0, folded.size() - 2)));
        if (!line) return std::nullopt;
        form.kind = Form::AtLine;
        // Any line past the end means the end; the clamp keeps the
        // conversion defined for huge numbers.
        form.line = std::int64_t(std::clamp(*line, 0.0, 1e15));
    } else {
        return std::nullopt;
    }
    return form;
}

// The で argument: a form word as written (ＥＵＣで), else its value.
Form formOf(Engine& engine, TextView written) {
    if (auto form = knownForm(written)) return *form;
    Text value = engine.EvalText(written);
    if (auto form = knownForm(value)) return *form;
    Form unknown;
    unknown.kind = Form::Unknown;
    unknown.word = value;
    return unknown;
}

// How the text of an existing file is written, so that what is added to it
// keeps to it: a file must never mix two encodings. New and empty files get
// our default, UTF-8 without a byte-order mark.
enum class TextEncoding { Utf8, Utf8WithMark, CodePage932, Utf16LE, Utf16BE };

TextEncoding encodingOfFile(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return TextEncoding::Utf8WithMark;
    if (bytes.starts_with("\xFF\xFE")) return TextEncoding::Utf16LE;
    if (bytes.starts_with("\xFE\xFF")) return TextEncoding::Utf16BE;
    if (!bytes.empty() && !text::isValidUtf8(bytes)) return TextEncoding::CodePage932;
    return TextEncoding::Utf8;
}

// The text's bytes in that encoding; the byte-order mark only when the
// bytes begin a file.
std::string encodeText(TextView value, TextEncoding encoding, bool wholeFile) {
    switch (encoding) {
        case TextEncoding::CodePage932:
            return text::toCp932(value);
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE: {
            const bool little = encoding == TextEncoding::Utf16LE;
            std::string bytes = wholeFile ? (little ? "\xFF\xFE" : "\xFE\xFF") : "";
            for (char16_t unit : value) {
                char low = char(unit & 0xFF), high = char(unit >> 8);
                bytes += little ? low : high;
                bytes += little ? high : low;
            }
            return bytes;
        }
        case TextEncoding::Utf8WithMark:
            return (wholeFile ? std::string("\xEF\xBB\xBF") : std::string()) + text::toUtf8(value);
        case TextEncoding::Utf8:
            break;
    }
    return text::toUtf8(value);
}

bool writeWhole(Engine& engine, TextView fileName, std::string_view bytes) {
    if (RefuseStoreWrite(engine, fileName)) return false;
    FileStatus status = engine.files().writeFile(toNativePath(fileName), bytes);
    if (!status) ReportWriteFault(engine, fileName, status);
    return bool(status);
}

// The arguments every saving command needs: a value (を) and a file (へ/に).
bool haveSaveArguments(StatementRecord& record, Engine& engine) {
    if (!text::trimBlanks(Args(record).woArg).empty() &&
        !text::trimBlanks(Args(record).heArg).empty()) {
        return true;
    }
    engine.Report(ErrorId::CommandArgumentsMissing, record.source);
    return false;
}

void reportUnknownForm(Engine& engine, const Form& form) {
    engine.Report(ErrorId::ValueNotRight, form.word);
}

// The value as the bytes of a text form; CSV files get the table as CSV.
// Without a form naming an encoding, the text is written in `encoding`.
std::string formBytes(TextView fileName, TextView value, const Form& form, TextEncoding encoding,
                      bool wholeFile) {
    const bool csv = files::isCsvName(fileName);
    Text body = csv ? files::tableToCsv(value) : Text(value);
    if (form.kind == Form::Encoded) return uEncoding::encode(body, form.encoding);
    if (!csv && form.kind != Form::NoLineBreak) body += kCRLF;
    if (form.kind == Form::CodePage932) encoding = TextEncoding::CodePage932;
    return encodeText(body, encoding, wholeFile);
}

// Inserts the value as line `line` of the file's text (after the last line
// when the file is shorter), keeping the file's encoding.
void insertAtLine(Engine& engine, TextView fileName, TextView value, std::int64_t line) {
    std::string old;
    const std::string path = toNativePath(fileName);
    if (engine.files().fileExists(path) && !engine.files().readFile(path, old)) {
        engine.Report(ErrorId::CannotOpen, fileName);
        return;
    }
    const TextEncoding encoding = encodingOfFile(old);
    Text content = text::normaliseLineEnds(text::decodeFileBytes(old));
    std::vector<TextView> lines = splitRows(content);
    if (lines.size() >= 1 && lines.back().empty()) lines.pop_back();
    const std::size_t at =
        line < 1 ? 0 : std::min<std::size_t>(std::size_t(line - 1), lines.size());
    Text result;
    for (std::size_t i = 0; i <= lines.size(); ++i) {
        if (i == at) {
            result += value;
            result += kCRLF;
        }
        if (i < lines.size()) {
            result += lines[i];
            result += kCRLF;
        }
    }
    writeWhole(engine, fileName, encodeText(result, encoding, true));
}

// ---- the shared file operation ------------------------------------------------

enum class FileOp { Move, Copy, Delete, Rename };

void reportNotFound(Engine& engine, TextView name) {
    engine.Report(ErrorId::NotFound, name);
}

// Without すぐ, replacing something that already stands at the target is
// asked first, as a desktop's file manager would.
bool mayReplace(Engine& engine, TextView target, bool immediate) {
    if (immediate || !engine.files().fileInfo(toNativePath(target))) return true;
    Text question = u"「" + Text(target) + u"」は、すでにあります。置き換えますか？";
    return engine.ui().messageBox({question, 36, engine.appTitle, BoxPurpose::Question}) == kYes;
}

bool isTrashWord(TextView destination) {
    return text::trimBlanks(destination) == u"ごみ箱";
}

// Where a source goes: into the destination folder under its own name when
// the destination is a folder (or several sources go there), else to the
// destination as its new name.
Text targetFor(TextView source, TextView destination, bool intoFolder) {
    if (intoFolder) return files::withFolderSlash(destination) + files::namePart(source);
    return Text(destination);
}

bool destinationIsFolder(Engine& engine, TextView destination, std::size_t sourceCount,
                         bool wildcard) {
    if (sourceCount > 1 || wildcard) return true;
    if (!destination.empty() && (destination.back() == u'/' || destination.back() == u'\\')) {
        return true;
    }
    auto info = engine.files().fileInfo(toNativePath(destination));
    return info && info->kind == FileKind::Folder;
}

// Deleting the root, the home folder, or a folder that holds the current
// folder would pull the floor from under the user or the script: refused.
bool mustNotRemove(Engine& engine, TextView path) {
    FileSystem& fs = engine.files();
    const Text target = files::absolutePath(fs, files::withFolderSlash(path));
    const Text here =
        files::withFolderSlash(files::absolutePath(fs, fromNativePath(fs.currentFolder())));
    const Text home = text::fromUtf8(fs.userFolder(UserFolder::Home));
    if (target == u"/" || (!home.empty() && files::absolutePath(fs, home) == target)) return true;
    return text::startsWith(here, target);
}

void runFileOperation(StatementRecord& record, Engine& engine, FileOp op, TextView sourceArg) {
    const bool immediate = text::contains(Args(record).head, u"すぐ");
    if (text::trimBlanks(Args(record).heArg) == u"すぐ") {
        Text verb = text::replaceAll(Args(record).head, u"すぐ", u"");
        engine.Report(ErrorId::ImmediateVerbSpelling, verb);
        return;
    }
    if (text::trimBlanks(sourceArg).empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing, record.source);
        return;
    }
    const Text source = engine.EvalText(sourceArg);
    const Text destination = op == FileOp::Delete ? Text() : engine.EvalText(Args(record).heArg);
    if (op != FileOp::Delete && text::trimBlanks(destination).empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing, record.source);
        return;
    }
    FileSystem& fs = engine.files();
    std::vector<Text> sources = files::expandSources(fs, source);
    if (sources.empty()) {
        reportNotFound(engine, source);
        return;
    }
    const bool toTrash =
        (op == FileOp::Move && isTrashWord(destination)) || (op == FileOp::Delete && !immediate);
    if (toTrash || op == FileOp::Delete) {
        for (const Text& one : sources) {
            if (!mustNotRemove(engine, one)) continue;
            engine.Report(ErrorId::BadOrReadOnlyFolder, one);
            return;
        }
    }
    if (op != FileOp::Copy) {
        for (const Text& one : sources) {
            if (RefuseStoreRemoval(engine, one)) return;
        }
    }
    if (toTrash) {
        for (const Text& one : sources) {
            FileStatus status = fs.moveToTrash(toNativePath(one));
            if (!status) return ReportWriteFault(engine, one, status);
        }
        return;
    }
    if (op == FileOp::Delete) {
        for (const Text& one : sources) {
            FileStatus status = fs.removeTree(toNativePath(one));
            if (!status) return ReportWriteFault(engine, one, status);
        }
        return;
    }
    if (op == FileOp::Rename) {
        // Several files cannot all take one new name.
        if (sources.size() > 1) {
            engine.Report(ErrorId::BadOrReadOnlyFolder, source);
            return;
        }
        // A new name without a folder stays in the source's folder.
        Text target =
            folderOf(destination).empty() ? folderOf(sources.front()) + destination : destination;
        if (RefuseStoreTree(engine, sources.front(), target)) return;
        if (!mayReplace(engine, target, immediate)) return;
        FileStatus status = fs.moveTree(toNativePath(sources.front()), toNativePath(target));
        if (!status) ReportWriteFault(engine, target, status);
        return;
    }
    const bool intoFolder =
        destinationIsFolder(engine, destination, sources.size(), files::hasWildcard(source));
    // Every target is checked before the first one is touched.
    if (intoFolder && RefuseStoreWrite(engine, destination)) return;
    for (const Text& one : sources) {
        if (RefuseStoreTree(engine, one, targetFor(one, destination, intoFolder))) return;
    }
    if (intoFolder) {
        FileStatus made = fs.makeFolders(toNativePath(destination));
        if (!made) return ReportWriteFault(engine, destination, made);
    }
    for (const Text& one : sources) {
        Text target = targetFor(one, destination, intoFolder);
        if (!mayReplace(engine, target, immediate)) continue;
        FileStatus status = op == FileOp::Copy
                                ? fs.copyTree(toNativePath(one), toNativePath(target))
                                : fs.moveTree(toNativePath(one), toNativePath(target));
        if (!status) return ReportWriteFault(engine, target, status);
    }
}

// "フォルダ「x」" names the folder x: the word is a kind, not part of the
// name. A variable whose name begins with フォルダ is left alone.
std::optional<Text> afterKindWord(TextView written, TextView kind) {
    TextView trimmed = text::trimBlanks(written);
    if (!text::startsWith(trimmed, kind)) return std::nullopt;
    TextView rest = text::trimBlanks(trimmed.substr(kind.size()));
    if (rest.empty()) return Text();
    if (rest[0] == u'「' || rest[0] == u'（' || rest[0] == u'(' || rest[0] == u'［') {
        return Text(rest);
    }
    return std::nullopt;
}

// ---- file attributes ---------------------------------------------------------------

constexpr int kReadOnly = 1;
constexpr int kHidden = 2;

std::optional<int> attributesOf(Engine& engine, TextView written) {
    Text value = Text(text::trimBlanks(written));
    if (value.empty()) return 0;
    int total = 0;
    const Text parts = text::replaceAll(text::replaceAll(value, u"＋", u","), u"+", u",");
    for (TextView part : splitCells(parts)) {
        Text word(text::trimBlanks(part));
        if (auto n = number::parse(word)) {
            total |= int(*n);
            continue;
        }
        Text found = engine.resourceLookup(204, word);
        if (found.empty()) found = engine.resourceLookup(204, word + u"ファイル");
        if (found.empty()) return std::nullopt;
        total |= int(number::toNumber(found));
    }
    return total;
}

// Hidden files are named in the folder's ".hidden" file, which the desktop's
// file managers honour; the file keeps its name, so scripts still find it.
bool setHidden(Engine& engine, TextView path, bool hidden) {
    FileSystem& fs = engine.files();
    const Text listName = folderOf(path) + u".hidden";
    const Text name = files::namePart(path);
    std::string bytes;
    const bool exists = fs.fileExists(toNativePath(listName));
    if (exists && !fs.readFile(toNativePath(listName), bytes)) {
        engine.Report(ErrorId::CannotOpen, listName);
        return false;
    }
    Text list = text::normaliseLineEnds(text::fromUtf8(bytes));
    Text kept;
    bool listed = false;
    for (TextView line : splitRows(list)) {
        if (line.empty()) continue;
        if (line == name) {
            listed = true;
            if (!hidden) continue;
        }
        kept += line;
        kept += u"\n";
    }
    if (listed == hidden) return true;
    if (hidden) kept += name + u"\n";
    FileStatus status = fs.writeFile(toNativePath(listName), text::toUtf8(kept));
    if (!status) ReportWriteFault(engine, listName, status);
    return bool(status);
}

void applyAttributes(Engine& engine, TextView path, int attributes) {
    FileSystem& fs = engine.files();
    auto info = fs.fileInfo(toNativePath(path));
    if (!info) return reportNotFound(engine, path);
    std::uint32_t mode = info->mode;
    if (attributes & kReadOnly) {
        mode &= ~std::uint32_t(0222);
    } else if ((mode & 0222) == 0) {
        mode |= 0200;  // writable again, for the owner
    }
    if (mode != info->mode) {
        FileStatus status = fs.setPermissions(toNativePath(path), mode);
        if (!status) return ReportWriteFault(engine, path, status);
    }
    setHidden(engine, path, (attributes & kHidden) != 0);
}

// ---- dictionaries ------------------------------------------------------------------

// The dictionary a を argument names: a variable's value, else the value of
// the argument as an expression.
Text dictionaryValue(Engine& engine, TextView written) {
    bool notFound = false;
    Text value = engine.GetVariable(text::trimBlanks(written), notFound);
    return notFound ? engine.EvalText(written) : value;
}

// "a=1,b=2" or lines of key=value: the dictionary's lines.
Text dictionaryFromText(TextView written) {
    Text out;
    const Text lines = text::normaliseLineEnds(written);
    for (TextView line : splitRows(lines)) {
        for (TextView entry : splitCells(line)) {
            TextView trimmed = text::trimBlanks(entry);
            if (trimmed.empty()) continue;
            std::size_t eq = trimmed.find(u'=');
            Text key(text::trimBlanks(trimmed.substr(0, eq)));
            Text value = eq == TextView::npos ? Text() : Text(trimmed.substr(eq + 1));
            out = values::DictSet(out, key, values::unescapeCell(value));
        }
    }
    return out;
}

}  // namespace

// ---- 保存 and 追加保存 ------------------------------------------------------------

// X を F に [form で] 保存: F becomes the value, in one step.
void cmdSave(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    const Text formText = AskParticle(record, u"で");
    if (!haveSaveArguments(record, engine)) return;
    // ウィンドウ０を「a.png」に保存: a drawing place named without 「」 is
    // saved as a picture.
    if (SavePictureOf(engine, Args(record).woArg, Args(record).heArg)) return;
    const Text fileName = engine.EvalText(Args(record).heArg);
    const Text value = engine.EvalText(Args(record).woArg);
    const Form form = formOf(engine, formText);
    std::string bytes;
    switch (form.kind) {
        case Form::Unknown:
            return reportUnknownForm(engine, form);
        case Form::Binary:
            if (!files::decimalListAsBytes(value, bytes)) {
                engine.Report(ErrorId::BadBinaryList);
                return;
            }
            break;
        default:
            bytes = formBytes(fileName, value, form, TextEncoding::Utf8, true);
            break;
    }
    writeWhole(engine, fileName, bytes);
}

// X を F に [form で] 追加保存: adds X at the end of F (or at line N with
// "N行目") in F's own encoding.
void cmdAppendSave(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    const Text formText = AskParticle(record, u"で");
    if (!haveSaveArguments(record, engine)) return;
    const Text fileName = engine.EvalText(Args(record).heArg);
    const Text value = engine.EvalText(Args(record).woArg);
    const Form form = formOf(engine, formText);
    if (form.kind == Form::Unknown) return reportUnknownForm(engine, form);
    if (form.kind == Form::AtLine) return insertAtLine(engine, fileName, value, form.line);

    std::string bytes;
    if (form.kind == Form::Binary) {
        if (!files::decimalListAsBytes(value, bytes)) {
            engine.Report(ErrorId::BadBinaryList);
            return;
        }
    } else {
        std::string old;
        const std::string path = toNativePath(fileName);
        if (form.kind != Form::Encoded && engine.files().fileExists(path)) {
            engine.files().readFile(path, old);
        }
        bytes = formBytes(fileName, value, form, encodingOfFile(old), old.empty());
    }
    if (RefuseStoreWrite(engine, fileName)) return;
    FileStatus status = engine.files().appendFile(toNativePath(fileName), bytes);
    if (!status) ReportWriteFault(engine, fileName, status);
}

// ---- 開け -----------------------------------------------------------------------------

// The command: opens a document or an address with the desktop's program.
void cmdOpen(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    if (text::trimBlanks(Args(record).woArg).empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing, record.source);
        return;
    }
    const Text target = engine.EvalText(Args(record).woArg);
    SystemPort* system = engine.platform.system.get();
    const bool address = text::contains(target, u"://") || text::startsWith(target, u"mailto:");
    const std::string what =
        address ? text::toUtf8(target) : toNativePath(files::absolutePath(engine.files(), target));
    if (!system || !system->openDocument(what)) engine.Report(ErrorId::CannotOpen, target);
}

// The function 開け(file を, form で): the file's text (CSV files as a table),
// or its bytes as decimal numbers with バイナリ.
void fnOpen(Text& result, Text& args, Engine& engine) {
    result.clear();
    std::vector<Text> pieces = UnpackArgs(engine, args, false, 2);
    const Text fileName = engine.EvalText(pieces[0]);
    const Form form = formOf(engine, pieces[1]);
    Text content;
    if (form.kind == Form::Encoded) {
        if (!ReadFileInEncoding(engine, fileName, form.encoding, content)) return;
    } else {
        const std::string path = toNativePath(fileName);
        std::string bytes;
        if (!engine.files().fileExists(path)) {
            engine.Report(ErrorId::NotFound, ErrorIcon::Warning, fileName);
            return;
        }
        if (!engine.files().readFile(path, bytes)) {
            engine.Report(ErrorId::CannotOpen, fileName);
            return;
        }
        if (form.kind == Form::Binary) {
            if (!lengthAllowed(engine, double(bytes.size()) * 4)) return;
            result = files::bytesAsDecimalList(bytes);
            return;
        }
        content =
            form.kind == Form::CodePage932 ? text::fromCp932(bytes) : text::decodeFileBytes(bytes);
        content = text::normaliseLineEnds(content);
    }
    result = files::isCsvName(fileName) ? files::csvToTable(content) : std::move(content);
}

// ---- moving, copying, deleting and renaming --------------------------------------

void cmdMove(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    runFileOperation(record, engine, FileOp::Move, Args(record).woArg);
}

void cmdCopy(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    runFileOperation(record, engine, FileOp::Copy, Args(record).woArg);
}

void cmdRename(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    runFileOperation(record, engine, FileOp::Rename, Args(record).woArg);
}

// 削除 also removes settings and file associations; those forms belong to
// their own families, which ask their own protection class.
void cmdDelete(StatementRecord& record, Engine& engine) {
    TextView written = text::trimBlanks(Args(record).woArg);
    // The form words may stand inside the quotes too: 「レジストリの…」.
    TextView bare = written;
    if (text::startsWith(bare, u"「")) bare.remove_prefix(1);
    if (text::endsWith(bare, u"」")) bare.remove_suffix(1);
    if (text::startsWith(bare, u"レジストリの") || text::startsWith(bare, u"設定ファイルの")) {
        return cmdDeleteSetting(record, engine);
    }
    if (text::endsWith(bare, u"の関連付け") || text::endsWith(bare, u"の関連づけ")) {
        return cmdDeleteAssociation(record, engine);
    }
    if (!CheckProtection(engine, Guard::Files)) return;
    std::optional<Text> folder = afterKindWord(written, u"フォルダ");
    runFileOperation(record, engine, FileOp::Delete, folder ? *folder : Text(written));
}

// X を attributes に ファイル属性変更: the attribute words of resource table 204
// (読み取り専用ファイル, 隠しファイル …, joined with "," or "＋") or their sum.
void cmdChangeAttributes(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    if (text::trimBlanks(Args(record).woArg).empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing, record.source);
        return;
    }
    const Text source = engine.EvalText(Args(record).woArg);
    auto attributes = attributesOf(engine, Args(record).heArg);
    if (!attributes) attributes = attributesOf(engine, engine.EvalText(Args(record).heArg));
    if (!attributes) {
        engine.Report(ErrorId::ValueNotRight, Args(record).heArg);
        return;
    }
    std::vector<Text> sources = files::expandSources(engine.files(), source);
    if (sources.empty()) return reportNotFound(engine, source);
    for (const Text& one : sources) {
        if (RefuseStoreWrite(engine, one)) return;
    }
    for (const Text& one : sources) applyAttributes(engine, one, *attributes);
}

// ---- 作れ ---------------------------------------------------------------------------

// フォルダ「x」を作る (or 「x」にフォルダを作る) makes x and its parents;
// ショートカット「target」を「link」に作る makes a symbolic link; every other
// name is a script object.
void cmdCreate(StatementRecord& record, Engine& engine) {
    const Text written(text::trimBlanks(Args(record).woArg));
    if (text::startsWith(written, u"自己解凍書庫")) return cmdCreateSelfExtracting(record, engine);
    const bool folder =
        text::startsWith(written, u"フォルダ") && afterKindWord(written, u"フォルダ");
    const bool shortcut =
        text::startsWith(written, u"ショートカット") && afterKindWord(written, u"ショートカット");
    if (!folder && !shortcut) return cmdCreateObject(record, engine);
    if (!CheckProtection(engine, Guard::Files)) return;
    FileSystem& fs = engine.files();

    if (folder) {
        Text rest = *afterKindWord(written, u"フォルダ");
        Text path = engine.EvalText(rest.empty() ? Args(record).heArg : rest);
        if (text::trimBlanks(path).empty()) {
            engine.Report(ErrorId::CommandArgumentsMissing, record.source);
            return;
        }
        if (RefuseStoreWrite(engine, path)) return;
        FileStatus status = fs.makeFolders(toNativePath(path));
        if (!status) {
            engine.Report(ErrorId::BadFolderName, path);
            return;
        }
        engine.answer = files::withFolderSlash(path);
        return;
    }

    const Text alias = AskParticle(record, u"として");
    const Text target = engine.EvalText(*afterKindWord(written, u"ショートカット"));
    if (text::trimBlanks(target).empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing, record.source);
        return;
    }
    if (!fs.fileInfo(toNativePath(target))) return reportNotFound(engine, target);
    Text link = engine.EvalText(Args(record).heArg.empty() ? alias : Args(record).heArg);
    if (link.empty()) link = fromNativePath(fs.currentFolder());
    auto there = fs.fileInfo(toNativePath(link));
    if (there && there->kind == FileKind::Folder) {
        link = files::withFolderSlash(link) + files::namePart(target);
    }
    // The link takes the place of what stands there.
    if (RefuseStoreRemoval(engine, link)) return;
    if (!mayReplace(engine, link, false)) return;
    // The link holds the target's absolute path, so it works wherever it is
    // moved to.
    const Text absolute = files::absolutePath(fs, target);
    if (there && there->kind != FileKind::Folder) fs.removeTree(toNativePath(link));
    FileStatus status = fs.makeLink(toNativePath(absolute), toNativePath(link));
    if (!status) {
        engine.Report(ErrorId::ShortcutFailed, link);
        return;
    }
    engine.answer = files::slashPath(link);
}

// ---- the current folder -----------------------------------------------------------

void setWorkFolder(StatementRecord& record, Engine& engine) {
    const Text folder = engine.EvalText(Args(record).woArg);
    if (text::trimBlanks(folder).empty() ||
        !engine.files().setCurrentFolder(toNativePath(folder))) {
        engine.Report(ErrorId::NotFound, folder);
    }
}

// ---- dictionaries -------------------------------------------------------------------

// D を F に 辞書保存: the dictionary's key=value lines become the file.
void cmdSaveDictionary(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    if (text::trimBlanks(Args(record).woArg).empty()) {
        engine.Report(ErrorId::DictionaryVariableMissing);
        return;
    }
    if (text::trimBlanks(Args(record).heArg).empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing, record.source);
        return;
    }
    const Text dictionary = dictionaryValue(engine, Args(record).woArg);
    const Text fileName = engine.EvalText(Args(record).heArg);
    Text body = dictionary;
    if (!body.empty() && !text::endsWith(body, kCRLF)) body += kCRLF;
    writeWhole(engine, fileName, text::toUtf8(body));
}

// D を [entries で] 辞書初期化: D becomes an empty dictionary, or one holding
// the entries ("a=1,b=2" or key=value lines).
void cmdInitDictionary(StatementRecord& record, Engine& engine) {
    const Text entries = AskParticle(record, u"で");
    const Text name(text::trimBlanks(Args(record).woArg));
    if (name.empty()) {
        engine.Report(ErrorId::DictionaryVariableMissing);
        return;
    }
    const Text value = entries.empty() ? Text() : dictionaryFromText(engine.EvalText(entries));
    engine.SetVariable(name, value);
}

}  // namespace qel
