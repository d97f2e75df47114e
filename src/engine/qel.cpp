#include "engine/qel.h"

#include "core/parser.h"
#include "core/paths.h"
#include "core/values.h"
#include "library/control/version.h"
#include "library/objects/objects.h"
#include "library/registry/arguments.h"
#include "library/registry/standard_library.h"
#include "library/settings/settings_access.h"
#include "library/textio/progress.h"
#include "text/number.h"
#include "ui/properties.h"

namespace qel {

namespace {

constexpr char16_t kFieldSeparator = u'\x01';

bool asBoolean(TextView text) {
    TextView t = text::trimBlanks(text);
    if (text::equalsFolded(t, u"true")) return true;
    if (text::equalsFolded(t, u"false") || t.empty()) return false;
    return number::toNumber(t) != 0;
}

Text decodeEscapes(TextView text) {
    Text out = text::replaceAll(text, u"{//}", u"、");
    out = text::replaceAll(out, u"{**}", u",");
    out = text::replaceAll(out, u"{*/}", u"，");
    return text::replaceAll(out, u"{*n}", kCRLF);
}

}  // namespace

Qel::Qel(Platform platform)
    : platform_(std::move(platform)),
      library_(std::make_unique<StandardLibrary>()),
      engine_(std::make_unique<Engine>(platform_, *library_)) {
    engine_->engineStatus = EngineStatus::Idle;
    engine_->watcher = this;
}

Qel::~Qel() = default;

void Qel::ResetEngine() {
    Engine& e = *engine_;
    e.appTitle = defaultTitle_;
    e.ui().setApplicationTitle(e.appTitle);
    e.ResetRunState();
    library_->resetRun(e);
}

void Qel::TeardownEngine() {
    library_->teardownRun(*engine_);
}

void Qel::Run(TextView program, TextView fileName, bool bPreserve) {
    runNormalised(text::normaliseLineEnds(program), fileName, bPreserve);
}

void Qel::RunOwned(Text program, TextView fileName, bool bPreserve) {
    Text normalised = text::normaliseLineEnds(program);
    Text().swap(program);
    runNormalised(std::move(normalised), fileName, bPreserve);
}

void Qel::runNormalised(Text program, TextView fileName, bool bPreserve) {
    Engine& e = *engine_;
    // Taken before the run moves to the file's folder, which a relative
    // name is not relative to.
    const Text filePath = fileName.empty()
                              ? Text()
                              : normalisedPath(fileName, fromNativePath(e.files().currentFolder()));
    if (!bPreserve) {
        if (!fileName.empty()) {
            e.currentFile = Text(fileName);
            Text folder = folderOf(fileName);
            if (!folder.empty()) e.files().setCurrentFolder(toNativePath(folder));
        }
        ResetEngine();
        for (auto& level : e.programLevels) e.keepWhileCalling(std::move(level));
        e.programLevels.assign(1, std::make_shared<ProgramRecord>());
    }
    // The user's protection choice is read afresh for every run, before the
    // script is parsed. It comes after the reset so that a damaged key is
    // reported under this run's error mode and a Cancel on it stops the run.
    LoadStoredProtection(e);
    auto record = e.LoadProgram(
        std::move(program), 0,
        e.hostedWindowMode ? Engine::LoadSteps::ParseOnly : Engine::LoadSteps::MarkAndRegister);
    record->filePath = filePath;
    if (e.programLevels.empty()) e.programLevels.push_back(record);
    e.keepWhileCalling(std::move(e.programLevels[0]));
    e.programLevels[0] = record;
    e.programsChanged();
    e.ui().pumpEvents();
    e.RunStatementList(record->statements);
    if (bPreserve) {
        e.stopRequested = false;
    } else {
        TeardownEngine();
    }
    if (e.engineStatus == EngineStatus::Running) e.engineStatus = EngineStatus::Idle;
    e.commandLineText.clear();
    // A step that the run ended before does not carry over into the next run.
    if (!bPreserve) {
        step_ = Step::None;
        resolvedPaths_.clear();
        refreshWatch();
    }
}

bool Qel::RunFile(TextView fileName, bool bPreserve) {
    TextView name = fileName;
    if (name.size() >= 2 && name.front() == u'"' && name.back() == u'"')
        name = name.substr(1, name.size() - 2);
    engine_->currentFile = Text(name);
    Text script;
    bool readable = false;
    {
        // Each form of the text goes as soon as the next is made: a long
        // script is not held several times over while it runs.
        std::string bytes;
        readable = engine_->files().readFile(toNativePath(name), bytes);
        if (readable) script = text::normaliseLineEnds(text::decodeFileBytes(bytes));
    }
    runNormalised(std::move(script), name, bPreserve);
    return readable;
}

void Qel::RunComnd(TextView qelComnd) {
    // Before any run there is no program to run the statement in; an empty
    // one serves, as it would after a run of an empty text.
    if (engine_->programLevels.empty())
        engine_->programLevels.push_back(std::make_shared<ProgramRecord>());
    engine_->RunComnd(qelComnd);
}

void Qel::DoStop() {
    engine_->stopRequested = true;
    TeardownEngine();
}

void Qel::DoPause() {
    engine_->TogglePause();
}

int16_t Qel::GetErrLine() {
    const Engine& e = *engine_;
    return static_cast<int16_t>(e.errors.errorLine != 0 ? e.errors.errorLine : e.currentLine + 1);
}

Text Qel::GetErrWord() {
    return engine_->errors.errorWord;
}

int16_t Qel::GetStatus() {
    return static_cast<int16_t>(engine_->engineStatus);
}

Text Qel::GetFunc(TextView text) {
    return engine_->EvalText(text);
}

// The host names the object the only ways it can: by the handle the script
// handed it (ハンドル) or by a name; the answer is the name the script
// registered it under, empty for anything that is not a loaded object.
Text Qel::GetObjName(TextView object) {
    auto& model = objectModel(*engine_);
    auto found = model.findForHost(*engine_, object);
    return found ? model.NameOfObject(*found) : Text();
}

Text Qel::GetForEditor(int flag) {
    Engine& e = *engine_;
    if (flag == 1) {
        Text out;
        for (const auto& [key, entry] : e.globals.inOrder()) {
            (void)key;
            out += u"◆" + entry->Name + Text(kCRLF) + entry->Value.text() + Text(kCRLF);
        }
        return decodeEscapes(out);
    }
    if (flag == 3) {
        std::vector<Text> lines;
        if (e.procLocals) {
            for (const auto& [key, entry] : e.procLocals->inOrder())
                lines.push_back(entry->Name + u"\t手順内のみ");
        }
        for (const auto& [key, entry] : e.globals.inOrder()) lines.push_back(entry->Name);
        return text::join(lines, kCRLF);
    }
    return {};
}

StatementRecord Qel::currentStatementCopy() {
    Engine& e = *engine_;
    if (std::size_t(e.currentLevel) < e.programLevels.size()) {
        auto& statements = e.programLevels[e.currentLevel]->statements;
        if (e.currentLine >= 0 && std::size_t(e.currentLine) < statements.size()) {
            return statements[std::size_t(e.currentLine)];
        }
    }
    return {};
}

SetInfoValue Qel::GetSetInfo(TextView syurui, TextView naiyou) {
    Engine& e = *engine_;
    StatementRecord current = currentStatementCopy();
    if (syurui == u"変数") return e.EvalText(naiyou);
    if (syurui == u"手順") {
        e.CallProcedure(naiyou, {}, true, &current);
        return {};
    }
    if (syurui == u"エラー") {
        e.ReportText(ErrorId::HostReported, text::replaceAll(naiyou, u"{ch}", u"\\n"));
        return {};
    }
    if (syurui == u"命令解析") {
        std::size_t tab = naiyou.find(u'\t');
        TextView command = naiyou.substr(0, tab);
        TextView particles = tab == TextView::npos ? TextView() : naiyou.substr(tab + 1);
        StatementRecord record = e.ParseLine(command);
        std::vector<Text> list = text::split(particles, u",");
        AskParticles(record, list);
        return text::join(list, TextView(&kFieldSeparator, 1));
    }
    if (syurui == u"動詞") return Args(current).head;
    if (syurui == u"引数") {
        std::vector<Text> list = text::split(naiyou, u"\t");
        AskParticles(current, list);
        return text::join(list, u"\t");
    }
    if (syurui == u"引数２") {
        std::size_t no = Args(current).woArg.find(u'の');
        Text main = no == Text::npos ? Args(current).woArg : Args(current).woArg.substr(no + 1);
        return main + u"\t" + Args(current).head;
    }
    if (syurui == u"分割") {
        std::vector<Text> pieces = text::split(naiyou, u"の");
        for (Text& piece : pieces) piece = e.EvalText(piece);
        return text::join(pieces, u"\t");
    }
    if (syurui == u"カンマ") {
        std::vector<Text> pieces =
            UnpackArgs(e, naiyou, true, values::splitArguments(naiyou).size());
        return decodeEscapes(text::join(pieces, TextView(&kFieldSeparator, 1)));
    }
    if (syurui == u"配列") {
        return text::join(text::split(values::unifySeparators(naiyou), u","),
                          TextView(&kFieldSeparator, 1));
    }
    if (syurui == u"コマンドライン") {
        e.commandLineText = Text(naiyou);
        return {};
    }
    if (syurui == u"プログラム") {
        auto record = e.LoadProgram(text::normaliseLineEnds(naiyou), 0);
        if (e.programLevels.empty()) e.programLevels.push_back(record);
        e.keepWhileCalling(std::move(e.programLevels[0]));
        e.programLevels[0] = record;
        e.programsChanged();
        return {};
    }
    if (syurui == u"状態") {
        e.stopRequested = asBoolean(naiyou);
        return {};
    }
    if (syurui == u"イベント処理") return {};
    if (syurui == u"処理状況") return ProgressOn(e) ? 1.0 : 0.0;
    if (syurui == u"処理状況通知") {
        // "done,total"; a missing or unreadable count reads as 0.
        std::vector<Text> counts = text::split(values::unifySeparators(naiyou), u",");
        counts.resize(2);
        NotifyProgress(e, number::toNumber(counts[0]), number::toNumber(counts[1]));
        return {};
    }
    if (syurui == u"バージョン") return versionText();
    if (syurui == u"チェック") return true;
    if (syurui == u"起動中") {
        e.hostRunFlag = asBoolean(naiyou);
        return {};
    }
    if (syurui == u"高度エラーメッセージ") {
        e.detailedErrors = asBoolean(naiyou);
        return {};
    }
    if (syurui == u"オブジェクトの設定") {
        Text value;
        if (!e.library.readProperty(text::trimBlanks(naiyou), {}, value, e)) return Text();
        return value;
    }
    if (syurui == u"色") {
        auto colour = ui::ColourValue(e, naiyou);
        return colour ? double(*colour) : 0.0;
    }
    // オブジェクト answers an object, which has no form outside the engine
    // yet; 色変換's text form of a colour number is not settled. Both answer
    // nothing, like any unknown keyword.
    return {};
}

void Qel::SetObj(bool isObject) {
    engine_->hostedWindowMode = isObject;
}

void Qel::SetDebugObj(bool isObject) {
    engine_->runEnvironment = isObject ? RunEnvironment::Editor : RunEnvironment::CreatedByProgram;
}

void Qel::SetStopLine(std::vector<bool> stopLines) {
    engine_->stopLines = std::move(stopLines);
    updateAnyStopLine();
}

// The host chooses the number and the icon itself.
void Qel::ErrMessage(TextView msg, int errNum, int icon, TextView prg) {
    if (!msg.empty()) {
        engine_->ReportError(msg, errNum, icon, prg);
    } else {
        engine_->ReportErrorNo(errNum, icon, prg);
    }
}

}  // namespace qel
