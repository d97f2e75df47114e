#include "library/registry/arguments.h"

#include <algorithm>
#include <cstring>

#include "core/engine.h"
#include "core/evaluator.h"
#include "core/statement.h"
#include "core/values.h"
#include "library/registry/function_support.h"
#include "library/registry/library_state.h"
#include "library/registry/script_fault.h"
#include "library/registry/standard_library.h"
#include "text/brackets.h"

namespace qel {

using text::npos;

namespace {

constexpr TextView kMarkText{u"\x03", 1};

// The last occurrence of the particle (preferring one followed by "、") that
// is outside brackets and not already marked.
std::size_t findUnmarkedAs(TextView work, TextView particle) {
    for (Text probe : {Text(particle) + u"、", Text(particle)}) {
        std::size_t before = npos;
        for (;;) {
            std::size_t p = text::findLastOutside(work, probe, text::kSyntaxBrackets, before);
            if (p == npos) break;
            std::size_t after = p + particle.size();
            if (after >= work.size() || work[after] != kParticleMark) return p;
            if (p == 0) break;
            before = p - 1;
        }
    }
    return npos;
}

Text unifySeparatorsOutside(TextView text) {
    Text out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if ((out[i] == u'、' || out[i] == u'，') &&
            !text::isInsideBrackets(text, i, text::kArgumentBrackets)) {
            out[i] = u',';
        }
    }
    return out;
}

// "に" and "へ" are one parameter: a call may write either for the other.
std::size_t findUnmarked(TextView work, TextView particle, TextView& written) {
    written = particle;
    std::size_t p = findUnmarkedAs(work, particle);
    TextView other = particle == u"へ"   ? TextView(u"に")
                     : particle == u"に" ? TextView(u"へ")
                                         : TextView();
    if (other.empty()) return p;
    std::size_t q = findUnmarkedAs(work, other);
    if (q != npos && (p == npos || q > p)) {
        written = other;
        return q;
    }
    return p;
}

std::vector<Text> splitOutside(TextView text, TextView separator) {
    std::vector<Text> parts;
    std::size_t start = 0;
    for (std::size_t p = text::findOutside(text, separator, text::kArgumentBrackets); p != npos;
         p = text::findOutside(text, separator, text::kArgumentBrackets, start)) {
        parts.emplace_back(text.substr(start, p - start));
        start = p + separator.size();
    }
    parts.emplace_back(text.substr(start));
    return parts;
}

}  // namespace

std::vector<Text> BindFunctionArgs(TextView argText, const xxCmdData& entry) {
    Text work(argText);
    for (const Text& particle : entry.Joshi) {
        if (particle.empty()) continue;
        TextView written;
        std::size_t a = findUnmarked(work, particle, written);
        if (a == npos) continue;
        work = work.substr(0, a) + Text(kMarkText) + Text(written) + Text(kMarkText) +
               work.substr(a + written.size());
    }
    std::size_t marks = std::count(work.begin(), work.end(), kParticleMark);
    if (marks < std::size_t(std::max<int16_t>(entry.Flags, 0)) || marks == 0) {
        // By position, on the text as written: particles that were marked
        // below the threshold must not shift the commas. Only separators
        // outside brackets are unified, so a quoted 「a、b」 keeps its "、".
        return splitOutside(unifySeparatorsOutside(argText), u",");
    }
    work = text::replaceAll(work, Text(kMarkText) + u"、", kMarkText);
    std::vector<Text> pieces;
    std::size_t start = 0;
    for (std::size_t p = work.find(kParticleMark); p != npos; p = work.find(kParticleMark, start)) {
        pieces.push_back(work.substr(start, p - start));
        start = p + 1;
    }
    pieces.push_back(work.substr(start));
    std::vector<Text> bound(entry.Joshi.size());
    auto same = [](TextView a, TextView b) {
        auto norm = [](TextView p) { return p == u"に" ? TextView(u"へ") : p; };
        return norm(a) == norm(b);
    };
    for (std::size_t j = 1; j < pieces.size(); j += 2) {
        for (std::size_t k = 0; k < entry.Joshi.size(); ++k) {
            if (same(entry.Joshi[k], pieces[j])) bound[k] = Text(text::trimBlanks(pieces[j - 1]));
        }
    }
    // Text after the last particle is not dropped: its pieces fill the
    // parameters the call left empty, in order (左(X を 2) is 左(X を 2文字だけ)),
    // and what remains follows them (a mode such as 完全一致 after 2列目).
    TextView rest = text::trimBlanks(pieces.back());
    while (!rest.empty() &&
           (rest.front() == u',' || rest.front() == u'、' || rest.front() == u'，')) {
        rest = text::trimBlanks(rest.substr(1));
    }
    if (!rest.empty()) {
        std::size_t slot = 0;
        for (Text& piece : SplitArgs(rest)) {
            while (slot < bound.size() && !bound[slot].empty()) ++slot;
            Text value(text::trimBlanks(piece));
            if (slot < bound.size()) {
                bound[slot++] = std::move(value);
            } else {
                bound.push_back(std::move(value));
                slot = bound.size();
            }
        }
    }
    return bound;
}

std::vector<Text> SplitArgs(TextView argText) {
    TextView t = argText;
    if (t.size() >= 2 && t.front() == u'（' && t.back() == u'）') t = t.substr(1, t.size() - 2);
    std::vector<Text> pieces;
    std::size_t start = 0;
    while (start <= t.size()) {
        TextView rest = t.substr(start);
        std::size_t cut = npos;
        for (TextView separator : {TextView(u","), TextView(u"、"), TextView(u"，")}) {
            cut = text::findOutside(rest, separator, text::kArgumentBrackets);
            if (cut != npos) break;
        }
        if (cut == npos) {
            pieces.emplace_back(rest);
            break;
        }
        pieces.emplace_back(rest.substr(0, cut));
        start += cut + 1;
    }
    return pieces;
}

// What a function call in a script worked out on its first run: the entry
// (checked against the table's generation), the argument text as bound for
// the handler, and that text's pieces once the handler asked for them.
struct FunctionSite {
    const xxCmdData* entry = nullptr;
    std::uint64_t functionsGeneration = 0;
    Text args;
    mutable std::shared_ptr<const SplitPieces> split;
    // The copy of `args` a handler is given (it may change it): kept here so
    // that making it reuses the storage of the last call instead of
    // allocating on every call. While a handler works on it, a call of the
    // same site nested in its arguments makes a copy of its own.
    mutable Text handed;
    mutable bool handedInUse = false;
};

// Loops call the same functions with the same argument texts over and over;
// taking such a text apart costs more than most functions do.
struct ArgumentCaches {
    // A script that makes new argument texts endlessly (through 日本語処理)
    // must not grow these without end: past this many they start again.
    static constexpr std::size_t kLimit = 100000;
    std::unordered_map<const xxCmdData*, TextMap<Text>> bound;
    std::size_t boundCount = 0;
    TextMap<std::shared_ptr<const SplitPieces>> split;
    // The site of the function call being run, so that the handler's split
    // of its arguments is found there instead of by hashing their text.
    const FunctionSite* running = nullptr;
};

namespace {
ArgumentCaches& argumentCaches(Engine& engine) {
    auto& caches = libraryState(engine).argumentCaches;
    if (!caches) caches = std::make_shared<ArgumentCaches>();
    return *caches;
}
}  // namespace

const Text& BoundArgumentsOf(Engine& engine, const xxCmdData& entry, TextView argText) {
    ArgumentCaches& caches = argumentCaches(engine);
    TextMap<Text>& byText = caches.bound[&entry];
    auto found = byText.find(argText);
    if (found != byText.end()) return found->second;
    if (caches.boundCount >= ArgumentCaches::kLimit) {
        for (auto& [function, texts] : caches.bound) texts.clear();
        caches.boundCount = 0;
    }
    Text joined;
    std::vector<Text> bound = BindFunctionArgs(argText, entry);
    for (std::size_t i = 0; i < bound.size(); ++i) {
        if (i > 0) joined += u',';
        joined += bound[i];
    }
    ++caches.boundCount;
    return byText.emplace(Text(argText), std::move(joined)).first->second;
}

namespace {
// Texts compared as memory: the standard comparison of UTF-16 texts goes
// character by character, and this one runs on every function call.
bool sameText(TextView a, TextView b) {
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
}
}  // namespace

std::shared_ptr<const SplitPieces> SplitPiecesOf(Engine& engine, TextView argText) {
    ArgumentCaches& caches = argumentCaches(engine);
    const FunctionSite* site = caches.running;
    // The handler may have changed its argument text before asking: the site
    // answers only for the text it holds. The site is held for as long as its
    // handler runs and never replaces its pieces once made, so they are
    // handed on without counting a reference (an atomic change on every call).
    if (site && site->split && sameText(site->args, argText))
        return std::shared_ptr<const SplitPieces>(std::shared_ptr<const SplitPieces>(),
                                                  site->split.get());
    auto& cache = caches.split;
    auto found = cache.find(argText);
    if (found != cache.end()) {
        if (site && sameText(site->args, argText)) site->split = found->second;
        return found->second;
    }
    if (cache.size() >= ArgumentCaches::kLimit) cache.clear();
    auto made = std::make_shared<SplitPieces>();
    made->pieces = SplitArgs(argText);
    made->written = made->pieces.size();
    if (made->written == 1 && text::trimBlanks(made->pieces[0]).empty()) made->written = 0;
    for (Text& piece : made->pieces) piece = Text(text::trimBlanks(piece));
    made->plans.resize(made->pieces.size());
    const auto& stored = cache.emplace(Text(argText), std::move(made)).first->second;
    if (site && sameText(site->args, argText)) site->split = stored;
    return stored;
}

std::vector<Text> UnpackArgs(Engine& engine, TextView argText, bool evaluate, std::size_t count) {
    std::vector<Text> pieces = SplitArgs(argText);
    pieces.resize(count);
    if (evaluate) {
        for (Text& piece : pieces) piece = engine.EvalText(piece);
    }
    return pieces;
}

namespace {

void runFunctionOn(Engine& engine, const xxCmdData& entry, Text& args, Text& result) {
    result.clear();
    Text& currentName = libraryState(engine).currentFunctionName;
    Restore<Text> keepName(currentName);
    currentName = entry.Name;
    if (!entry.function) return;
    // A fault keeps whatever the handler had written (normally nothing) as
    // the result.
    runAtFaultBoundary(engine, entry.Name, [&] { entry.function(result, args, engine); });
}

void runFunction(Engine& engine, const xxCmdData& entry, Text args, Text& result) {
    runFunctionOn(engine, entry, args, result);
}

void runAtSite(Engine& engine, const FunctionSite& site, Text& result) {
    if (site.handedInUse) {
        runFunction(engine, *site.entry, site.args, result);
        return;
    }
    struct InUse {
        bool& flag;
        explicit InUse(bool& f) : flag(f) { flag = true; }
        ~InUse() { flag = false; }
    } inUse(site.handedInUse);
    site.handed.assign(site.args);
    runFunctionOn(engine, *site.entry, site.handed, result);
}

// The site of this call, made on its first run; null for a name that is no
// function (a constant, or nothing).
std::shared_ptr<const FunctionSite> siteOf(Engine& engine, const KeyedTable& functions,
                                           TextView name, TextView argText,
                                           std::shared_ptr<const void>& remembered) {
    auto site = std::static_pointer_cast<const FunctionSite>(remembered);
    if (site && site->functionsGeneration == functions.generation()) return site;
    const xxCmdData* entry = functions.find(name);
    if (!entry) return nullptr;
    auto made = std::make_shared<FunctionSite>();
    made->entry = entry;
    made->functionsGeneration = functions.generation();
    made->args = entry->Joshi.empty() ? Text(argText) : BoundArgumentsOf(engine, *entry, argText);
    remembered = made;
    return made;
}

}  // namespace

bool CallFunction(Engine& engine, const KeyedTable& functions, TextView name, TextView argText,
                  Text& result, std::shared_ptr<const void>* remembered) {
    if (remembered) {
        if (auto site = siteOf(engine, functions, name, argText, *remembered)) {
            const FunctionSite*& running = argumentCaches(engine).running;
            Restore<const FunctionSite*> keepRunning(running);
            running = site.get();
            runAtSite(engine, *site, result);
            return true;
        }
    }
    const xxCmdData* entry = functions.find(name);
    if (!entry) {
        const xxCmdData* constant = engine.resourceConstants(205).find(name);
        if (!constant) return false;
        result = constant->Value;
        return true;
    }
    const FunctionSite*& running = argumentCaches(engine).running;
    Restore<const FunctionSite*> keepRunning(running);
    running = nullptr;
    runFunction(engine, *entry,
                entry->Joshi.empty() ? Text(argText) : BoundArgumentsOf(engine, *entry, argText),
                result);
    return true;
}

bool StandardLibrary::callFunction(TextView name, TextView arg, Text& result, Engine& engine,
                                   std::shared_ptr<const void>* site) {
    return CallFunction(engine, functions_, name, arg, result, site);
}

}  // namespace qel
