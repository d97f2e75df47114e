// Archives: 圧縮, 解凍 and self-extracting archives (作れ 自己解凍書庫…).
#include "core/engine.h"
#include "core/parser.h"
#include "core/paths.h"
#include "library/archives/archives.h"
#include "library/files/store_guard.h"
#include "library/settings/protection.h"
#include "platform/ports/archives.h"

namespace qel {

namespace {

constexpr int kArchiverOptions = 202;
constexpr TextView kSelfExtractingPrefix = u"自己解凍書庫";

bool isListSeparator(char16_t c) {
    return c == u',' || c == u'、' || c == u'，' || c == u'\r' || c == u'\n';
}

// A file list: one name, names separated by list separators, or lines.
// Quotes some scripts put around names with blanks are dropped.
std::vector<std::string> fileList(TextView value) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = start;
        while (end < value.size() && !isListSeparator(value[end])) ++end;
        TextView name = text::trimBlanks(value.substr(start, end - start));
        if (name.size() >= 2 && name.front() == u'"' && name.back() == u'"')
            name = name.substr(1, name.size() - 2);
        if (!name.empty()) names.push_back(toNativePath(name));
        start = end + 1;
    }
    return names;
}

// Options are evaluated with the archiver's option names in force, as
// scripts wrote them; none of them changes what is written here.
void evaluateOptions(Engine& engine, TextView options) {
    if (text::trimBlanks(options).empty()) return;
    Text written(options);
    for (char16_t& c : written) {
        if (c == u'＆') c = u'＋';
    }
    engine.EvalWithConstants(kArchiverOptions, written);
}

Text errorDetail(const archive::Result& result) {
    Text detail(u"エラー番号：");
    detail += text::fromUtf8(std::to_string(result.code));
    if (!result.detail.empty()) detail += u"\n" + text::fromUtf8(result.detail);
    return detail;
}

// The name of a type that cannot be written, for message 205.
Text unwritableName(archive::Type type, TextView archiveName) {
    if (type != archive::Type::Other) return text::fromUtf8(archive::typeName(type));
    Text name = fileNameOf(archiveName);
    std::size_t dot = name.rfind(u'.');
    return dot == Text::npos ? name : name.substr(dot + 1);
}

// The members for the listed files; false after reporting a missing one.
bool gatherMembers(Engine& engine, TextView filesValue, TextView base,
                   std::vector<archive::Member>& members) {
    std::vector<std::string> sources = fileList(filesValue);
    if (sources.empty()) {
        engine.Report(ErrorId::NotFound, filesValue);
        return false;
    }
    archive::Result found = engine.platform.archives->collectMembers(
        sources, base.empty() ? std::string() : toNativePath(base), members);
    if (!found) {
        engine.Report(ErrorId::NotFound, text::fromUtf8(found.detail));
        return false;
    }
    return true;
}

Text withoutExtension(TextView path) {
    std::size_t dot = path.rfind(u'.');
    std::size_t separator = path.find_last_of(u"/\\");
    if (dot == TextView::npos || (separator != TextView::npos && dot < separator))
        return Text(path);
    return Text(path.substr(0, dot));
}

// The archive library is loaded by the first archive command; a machine
// without it gets the command's error with the reason.
bool archiveLibraryReady(Engine& engine, ErrorId error) {
    std::string why;
    if (engine.platform.archives && engine.platform.archives->ready(why)) return true;
    if (why.empty()) why = "this build has no archive library";
    engine.Report(error, text::fromUtf8(why));
    return false;
}

// Whether extracting into the folder would write into the settings store:
// the folder is in it, or holds it and the archive has an entry on the way
// there. Only then is the archive read an extra time, for its names.
bool extractionReachesStore(Engine& engine, const std::string& archivePath,
                            const std::string& folder) {
    StoreGuard guard(engine);
    if (guard.writes(folder)) return true;
    if (!guard.nameLeadingIn(folder)) return false;
    // Extraction stops where reading stops, so the names read before a
    // damaged part are all it could write; the damage itself is reported by
    // the extraction.
    std::vector<std::string> names;
    engine.platform.archives->topNames(archivePath, names);
    return guard.treeReaches(folder, names);
}

}  // namespace

void cmdCompress(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    if (!archiveLibraryReady(engine, ErrorId::CompressFailed)) return;
    // Asking for the further particles first leaves を and へ holding only
    // their own arguments.
    const auto& extra = AskParticlesOnce(record, {u"で", u"から"});
    const Text optionsText = extra[0];
    const Text baseText = extra[1];
    const Text filesText = Args(record).woArg;
    const Text archiveText = Args(record).heArg;
    evaluateOptions(engine, optionsText);
    Text filesValue = engine.EvalText(filesText);
    Text archiveName = engine.EvalText(archiveText);
    Text base = baseText.empty() ? Text() : engine.EvalText(baseText);

    const std::string archivePath = toNativePath(archiveName);
    archive::Type type = engine.platform.archives->typeOf(archivePath);
    if (type == archive::Type::None) {
        engine.Report(ErrorId::ArchiveTypeUnknown);
        return;
    }
    if (!engine.platform.archives->canWrite(type)) {
        engine.Report(ErrorId::CannotCompressAs, unwritableName(type, archiveName));
        return;
    }
    if (RefuseStoreWrite(engine, archiveName)) return;
    std::vector<archive::Member> members;
    if (!gatherMembers(engine, filesValue, base, members)) return;
    archive::Result written = engine.platform.archives->create(archivePath, type, members);
    if (!written) engine.Report(ErrorId::CompressFailed, errorDetail(written));
}

void cmdExtract(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    if (!archiveLibraryReady(engine, ErrorId::ExtractFailed)) return;
    const Text optionsText = AskParticle(record, u"で");
    const Text archiveText = Args(record).woArg;
    const Text folderText = Args(record).heArg;
    evaluateOptions(engine, optionsText);
    Text archiveName = engine.EvalText(archiveText);
    Text folder = folderText.empty() ? Text() : engine.EvalText(folderText);
    const std::string archivePath = toNativePath(archiveName);
    if (!engine.files().fileExists(archivePath)) {
        engine.Report(ErrorId::NotFound, archiveName);
        return;
    }
    const std::string target =
        folder.empty() ? engine.files().currentFolder() : toNativePath(folder);
    if (extractionReachesStore(engine, archivePath, target)) {
        ReportStoreRefusal(engine, folder.empty() ? fromNativePath(target) : folder);
        return;
    }
    archive::Result result = engine.platform.archives->extract(archivePath, target, {});
    if (!result) engine.Report(ErrorId::ExtractFailed, errorDetail(result));
}

void cmdCreateSelfExtracting(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Files)) return;
    if (!archiveLibraryReady(engine, ErrorId::CompressFailed)) return;
    const Text fromText = AskParticle(record, u"から");
    TextView written = Args(record).woArg;
    Text sourceText(text::trimBlanks(text::startsWith(written, kSelfExtractingPrefix)
                                         ? written.substr(kSelfExtractingPrefix.size())
                                         : written));
    const Text outputText = Args(record).heArg;
    if (sourceText.empty()) sourceText = fromText;
    Text sources = sourceText.empty() ? Text() : engine.EvalText(sourceText);
    std::vector<std::string> list = fileList(sources);
    if (list.empty()) {
        engine.Report(ErrorId::NotFound, sources);
        return;
    }
    Text output = outputText.empty() ? Text() : engine.EvalText(outputText);
    if (output.empty()) {
        Text first = text::fromUtf8(list.front());
        while (!first.empty() && first.back() == u'/') first.pop_back();
        output = withoutExtension(first) + u".sh";
        if (output == first) output += u".sh";
    }
    const std::string outputPath = toNativePath(output);
    if (RefuseStoreWrite(engine, output)) return;

    archive::Result result;
    const bool fromArchive = list.size() == 1 && !engine.files().folderExists(list.front()) &&
                             engine.files().fileExists(list.front()) &&
                             engine.platform.archives->typeOf(list.front()) != archive::Type::None;
    if (fromArchive) {
        result =
            engine.platform.archives->createSelfExtractingFromArchive(outputPath, list.front());
    } else {
        std::vector<archive::Member> members;
        if (!gatherMembers(engine, sources, {}, members)) return;
        result = engine.platform.archives->createSelfExtracting(outputPath, members);
    }
    if (!result) engine.Report(ErrorId::CompressFailed, errorDetail(result));
}

}  // namespace qel
