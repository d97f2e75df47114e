#include "library/settings/protection.h"

#include "core/engine.h"
#include "core/statement.h"
#include "library/registry/library_state.h"

namespace qel {
namespace {

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// The statement's text as the user wrote it, without the particle marks the
// parser put in.
Text statementText(const Engine& engine) {
    if (!engine.currentStatement) return {};
    Text out;
    for (char16_t c : engine.currentStatement->source)
        if (c != kParticleMark) out += c;
    return out;
}

}  // namespace

ProtectionKey ReadProtectionKey(TextView key) {
    ProtectionKey result;
    if (key.empty()) return result;
    int check = isDigit(key[0]) ? key[0] - u'0' : 0;
    int sum = 0;
    bool readable = true;
    for (size_t i = 1; i + 1 < key.size(); ++i) {
        if (!isDigit(key[i])) {
            readable = false;
            continue;
        }
        int digit = key[i] - u'0';
        if (digit < 5) result.flags[digit] = true;
        sum += digit;
    }
    if (key.size() >= 2 && isDigit(key.back())) sum += key.back() - u'0' - 5;
    // The remainder keeps the dividend's sign (−5 mod 2 is −1), as C++'s does.
    result.sound = readable && check == sum % 2;
    return result;
}

Text MakeProtectionKey(const std::array<bool, 5>& flags) {
    Text categories;
    int sum = 0;
    for (int i = 0; i < 5; ++i) {
        if (!flags[i]) continue;
        categories += static_cast<char16_t>(u'0' + i);
        sum += i;
    }
    // The free digit 5 adds nothing, so the check digit is the categories'
    // sum modulo 2 (never negative here).
    Text key;
    key += static_cast<char16_t>(u'0' + sum % 2);
    key += categories;
    key += u'5';
    return key;
}

void LoadProtection(Engine& engine, TextView key) {
    ProtectionKey read = ReadProtectionKey(key);
    libraryState(engine).protectionFlags = read.flags;
    if (!read.sound) engine.Report(ErrorId::ProtectionKeyDamaged);
}

bool CheckProtection(Engine& engine, Guard category) {
    const auto& flags = libraryState(engine).protectionFlags;
    int index = static_cast<int>(category);
    bool blocked = category == Guard::NativeCalls ? flags[2] || flags[3] : flags[index];
    Text statement = statementText(engine);
    if (flags[kAskFirstFlag]) {
        Text question =
            u"システムに影響を及ぼす可能性がある命令を実行しようとしています。\r"
            u"この命令を実行しますか？\r";
        question += statement;
        MessageBoxRequest request{question, 52, engine.appTitle, BoxPurpose::Confirm};
        if (engine.ui().messageBox(request) != kYes) blocked = true;
    }
    if (!blocked) return true;
    engine.Report(ErrorId::ProtectionRefused, statement);
    return false;
}

}  // namespace qel
