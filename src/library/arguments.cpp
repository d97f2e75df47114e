#include "library/arguments.h"

#include <algorithm>

#include "core/engine.h"
#include "core/statement.h"
#include "core/text/brackets.h"
#include "core/values.h"
#include "library/standard_library.h"

namespace qel {

using text::npos;

namespace {

constexpr TextView kMarkText{u"\x03", 1};

// The last occurrence of the particle (preferring one followed by "、") that
// is outside brackets and not already marked.
std::size_t findUnmarked(TextView work, TextView particle) {
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
        std::size_t a = findUnmarked(work, particle);
        if (a == npos) continue;
        work = work.substr(0, a) + Text(kMarkText) + particle + Text(kMarkText) +
               work.substr(a + particle.size());
    }
    std::size_t marks = std::count(work.begin(), work.end(), kParticleMark);
    if (marks < std::size_t(std::max<int16_t>(entry.Flags, 0)) || marks == 0) {
        // By position, on the text as written: particles that were marked
        // below the threshold must not shift the commas.
        return splitOutside(values::unifySeparators(argText), u",");
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
    return bound;
}

std::vector<Text> UnpackArgs(Engine& engine, TextView argText, bool evaluate, std::size_t count) {
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
    pieces.resize(count);
    if (evaluate) {
        for (Text& piece : pieces) piece = engine.EvalText(piece);
    }
    return pieces;
}

bool CallFunction(Engine& engine, const KeyedTable& functions, TextView name, TextView argText,
                  Text& result) {
    const xxCmdData* entry = functions.find(name);
    if (!entry) {
        const xxCmdData* constant = engine.resourceConstants(205).find(name);
        if (!constant) return false;
        result = constant->Value;
        return true;
    }
    Text args(argText);
    if (!entry->Joshi.empty()) {
        std::vector<Text> bound = BindFunctionArgs(argText, *entry);
        args.clear();
        for (std::size_t i = 0; i < bound.size(); ++i) {
            if (i > 0) args += u',';
            args += bound[i];
        }
    }
    result.clear();
    Restore<Text> keepName(engine.currentFunctionName);
    engine.currentFunctionName = entry->Name;
    if (entry->function) entry->function(result, args, engine);
    return true;
}

bool StandardLibrary::callFunction(TextView name, TextView arg, Text& result, Engine& engine) {
    return CallFunction(engine, functions_, name, arg, result);
}

}  // namespace qel
