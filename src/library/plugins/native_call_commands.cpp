// 利用 and 呼び出せ: calling exported functions of native libraries.
#include <cmath>

#include "core/engine.h"
#include "core/parser.h"
#include "library/plugins/native_arguments.h"
#include "library/plugins/plugins.h"
#include "library/plugins/windows_standins.h"
#include "library/registry/standard_library.h"
#include "library/settings/protection.h"
#include "text/brackets.h"
#include "text/number.h"
#include "ui/plugin_objects.h"

namespace qel {

namespace {

// A library or function name as written: a quoted literal is taken without
// its quotes, anything else is evaluated (a variable holding the name).
Text nameOf(Engine& engine, TextView written) {
    TextView trimmed = text::trimBlanks(written);
    if (auto literal = QuotedLiteral(trimmed)) return *literal;
    Text value = engine.EvalText(trimmed);
    return value.empty() ? Text(trimmed) : value;
}

// Where a call goes: the library and the function (or prototype) text.
struct CallTarget {
    Text library;
    Text function;
};

// "library の function", or a name declared with 利用.
std::optional<CallTarget> targetOf(Engine& engine, TextView written) {
    TextView trimmed = text::trimBlanks(written);
    std::size_t no = text::findOutside(trimmed, u"の", text::kSyntaxBrackets, 1);
    if (no != text::npos) {
        return CallTarget{nameOf(engine, trimmed.substr(0, no)),
                          nameOf(engine, trimmed.substr(no + 1))};
    }
    Text name = nameOf(engine, trimmed);
    if (xxCmdData* declared = nativeCallState(engine).declared.find(name)) {
        const Text& value = declared->Value;
        std::size_t at = value.find(u'@');
        if (at == Text::npos) return CallTarget{Text(), value};
        return CallTarget{value.substr(at + 1), value.substr(0, at)};
    }
    // A function of the program itself or of a library it has loaded (libc).
    return CallTarget{Text(), name};
}

std::shared_ptr<NativeLibrary> openLibrary(Engine& engine, const Text& library) {
    NativeCallPort* port = engine.platform.native.get();
    if (!port) return nullptr;
    NativeCallState& state = nativeCallState(engine);
    const std::string key = text::toUtf8(library);
    if (auto kept = state.libraries.find(key); kept != state.libraries.end()) return kept->second;
    std::string why;
    auto opened = port->open(key, why);
    if (opened) state.libraries.emplace(key, opened);
    return opened;
}

// The values a stand-in sees: literals without quotes, variables' values.
bool standInArguments(Engine& engine, TextView written, std::vector<Text>& args) {
    for (const Text& piece : SplitNativeArguments(written)) {
        if (auto literal = QuotedLiteral(piece)) {
            args.push_back(*literal);
            continue;
        }
        TextView name = piece;
        if (!name.empty() && (name[0] == u'*' || name[0] == u'@' || name[0] == u'#'))
            name.remove_prefix(1);
        bool notFound = false;
        Text value = engine.GetVariable(text::trimBlanks(name), notFound);
        if (name.empty() || notFound) {
            engine.Report(ErrorId::CommandArgumentsMissing);
            return false;
        }
        args.push_back(std::move(value));
    }
    return true;
}

void callStandIn(Engine& engine, const CallTarget& target, TextView written) {
    StandInFunction run = FindStandIn(target.library, target.function);
    if (!run) {
        engine.Report(ErrorId::LibraryFunctionNotFound, target.function);
        return;
    }
    std::vector<Text> args;
    if (!standInArguments(engine, written, args)) return;
    engine.answer = text::fromUtf8(std::to_string(run(engine, args)));
}

// "object の method で 呼び出せ" on a plug-in object (the form 宣言 writes
// for object methods): its function with the arguments evaluated and joined
// with ",". False when the text names no plug-in object.
bool callPluginMethod(Engine& engine, TextView where, TextView written) {
    TextView trimmed = text::trimBlanks(where);
    std::size_t no = text::findOutside(trimmed, u"の", text::kSyntaxBrackets, 1);
    if (no == text::npos) return false;
    auto plugin =
        libraryOf(engine).objects().findPlugin(engine, nameOf(engine, trimmed.substr(0, no)));
    if (!plugin) return false;
    Text method = nameOf(engine, trimmed.substr(no + 1));
    Text arguments;
    std::vector<Text> pieces = SplitNativeArguments(written);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i) arguments += u",";
        arguments += engine.EvalText(pieces[i]);
    }
    PluginAnswer answer = plugin->RunFunc(method, arguments);
    if (answer.status == PluginStatus::Handled) {
        engine.answer = answer.text;
    } else if (answer.status == PluginStatus::Failed) {
        ui::ReportPluginFailure(engine, answer.text);
    } else {
        engine.Report(ErrorId::LibraryFunctionNotFound, method);
    }
    return true;
}

Text resultText(const NativeValue& result, NativeType type) {
    switch (type) {
        case NativeType::Double:
        case NativeType::Float:
            return number::format(result.real);
        case NativeType::Text:
            return TextAt(result.pointer);
        case NativeType::Void:
            return {};
        default:
            return text::fromUtf8(std::to_string(result.integer));
    }
}

}  // namespace

NativeCallState& nativeCallState(Engine& engine) {
    auto& state = libraryState(engine).native;
    if (!state) state = std::make_shared<NativeCallState>();
    return *state;
}

// 利用: function を library から name として 利用.
void cmdDeclareNative(StatementRecord& record, Engine& engine) {
    const Text written = Args(record).woArg;
    const auto& asked = AskParticlesOnce(record, {u"から", u"として"});
    const Text libraryText = asked[0];
    Text shortName(text::trimBlanks(asked[1]));
    if (auto literal = QuotedLiteral(shortName)) shortName = *literal;
    if (shortName.empty() || text::trimBlanks(written).empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing);
        return;
    }
    Text function = engine.EvalText(written);
    Text library = libraryText.empty() ? Text() : engine.EvalText(libraryText);
    auto entry = std::make_shared<xxCmdData>();
    entry->Name = shortName;
    entry->Value = library.empty() ? function : function + u"@" + library;
    if (!nativeCallState(engine).declared.add(shortName, entry))
        engine.Report(ErrorId::NativeNameAlreadyDeclared, shortName);
}

// 呼び出せ: args を library の function で 呼び出せ.
void cmdCallNative(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::NativeCalls)) return;
    const Text written = Args(record).woArg;
    const Text where = AskParticle(record, u"で");
    if (text::trimBlanks(where).empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing);
        return;
    }
    if (callPluginMethod(engine, where, written)) return;
    auto target = targetOf(engine, where);
    if (!target) return;
    if (HasStandIns(target->library)) {
        callStandIn(engine, *target, written);
        return;
    }
    Text why;
    auto prototype = ParsePrototype(target->function, why);
    if (!prototype) {
        engine.ReportText(ErrorId::LibraryCallFailed,
                          u"DLLの呼び出しがうまくできませんでした。\n" + why);
        return;
    }
    // A Windows library we do not stand in for is not looked for on disk.
    auto library =
        IsWindowsLibraryName(target->library) ? nullptr : openLibrary(engine, target->library);
    if (!library) {
        engine.Report(ErrorId::LibraryFileNotFound, target->library);
        return;
    }
    void* function = library->find(prototype->name);
    if (!function) {
        engine.Report(ErrorId::LibraryFunctionNotFound, text::fromUtf8(prototype->name));
        return;
    }
    PreparedCall call;
    if (!call.prepare(engine, written, *prototype)) return;
    NativeValue result;
    result.type = PassedAs(prototype->result);
    if (prototype->result == NativeType::Text) result.type = NativeValue::Type::Pointer;
    std::string reason;
    if (!engine.platform.native->call(function, call.values, result, reason)) {
        engine.Report(ErrorId::LibraryCallFailed);
        return;
    }
    engine.answer = resultText(result, prototype->result);
    call.writeBack(engine);
}

}  // namespace qel
