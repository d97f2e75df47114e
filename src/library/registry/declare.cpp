// 宣言: new names for commands while a script runs.
#include "core/engine.h"
#include "core/parser.h"
#include "library/registry/registry.h"
#include "library/registry/standard_library.h"

namespace qel {

namespace {

// An object method declared as a command becomes a procedure that calls the
// method through 呼び出せ with the parameters written in （）.
void declareMethod(StatementRecord& record, Engine& engine, const Text& newName) {
    Text params;
    std::size_t open = newName.find(u'（');
    std::size_t close = newName.find(u'）');
    if (open != Text::npos && close != Text::npos && close > open) {
        params = newName.substr(open + 1, close - open - 1);
    }
    Text program = u"終了\r\n手順は　!" + newName + u"\r\n" + Args(record).woArg + u"で、" +
                   params + u"を呼び出せ\r\n終わり";
    const int level = int(engine.programLevels.size());
    engine.programLevels.push_back(engine.LoadProgram(std::move(program), level));
}

// The new name is taken as written, not evaluated; quotes around it are
// only how scripts write a name (「表示」を「見せろ」として宣言 declares
// 見せろ), so one pair of 「」 is dropped.
Text declaredName(TextView written) {
    TextView t = text::trimBlanks(written);
    if (t.size() >= 2 && t.front() == u'「' && t.back() == u'」') t = t.substr(1, t.size() - 2);
    return Text(t);
}

}  // namespace

void cmdDeclare(StatementRecord& record, Engine& engine) {
    Text newName = AskParticle(record, u"として");
    if (newName.empty()) newName = AskParticle(record, u"と");
    newName = declaredName(newName);
    KeyedTable& commands = libraryOf(engine).commands();
    xxCmdData* existing = commands.find(newName);
    if (Args(record).woArg.find(u'の') != Text::npos) {
        if (existing) {
            engine.Report(ErrorId::ReservedCommandName, newName);
            return;
        }
        declareMethod(record, engine, newName);
        return;
    }
    if (existing && existing->command) {
        engine.Report(ErrorId::ReservedCommandName, newName);
        return;
    }
    for (const auto& [key, entry] : commands.inOrder()) {
        (void)key;
        if (Args(record).woArg.find(entry->Name) == Text::npos) continue;
        if (!entry->command) return;
        std::shared_ptr<xxCmdData> same = entry;
        commands.remove(newName);
        commands.add(newName, same);
        return;
    }
}

}  // namespace qel
