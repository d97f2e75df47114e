// The reference text behind docs/commands.md and editors' hovers: every row
// described, readings sharing their row's text, and every example a statement
// that really reaches the command it documents.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/parser.h"
#include "engine_fixture.h"
#include "library/registry/doc_tables.h"
#include "library/registry/docs.h"
#include "library/registry/registry.h"
#include "library/registry/rows.h"

namespace qel {
namespace {

using testing::EngineTest;

std::vector<TextView> namesOf(TextView csv) {
    std::vector<TextView> names;
    while (!csv.empty()) {
        std::size_t comma = csv.find(u',');
        names.push_back(csv.substr(0, comma));
        if (comma == TextView::npos) break;
        csv.remove_prefix(comma + 1);
    }
    return names;
}

const CommandRow* rowNamed(const std::vector<CommandRow>& rows, TextView name) {
    for (const CommandRow& row : rows) {
        if (namesOf(row.names).front() == name) return &row;
    }
    return nullptr;
}

// The row a verb reaches as dispatch finds it: a whole name first, then the
// first row in table order whose name the verb contains.
const CommandRow* rowReachedBy(TextView head) {
    for (const CommandRow& row : commandRows()) {
        for (TextView name : namesOf(row.names)) {
            if (text::equalsFolded(name, head)) return &row;
        }
    }
    for (const CommandRow& row : commandRows()) {
        for (TextView name : namesOf(row.names)) {
            if (head.find(name) != TextView::npos) return &row;
        }
    }
    return nullptr;
}

TEST(CommandDocsTest, EveryRowIsDescribedAndEveryDescriptionHasARow) {
    EXPECT_TRUE(UndocumentedCommands().empty()) << text::toUtf8(UndocumentedCommands().front());
    EXPECT_TRUE(UndocumentedSettings().empty()) << text::toUtf8(UndocumentedSettings().front());
    // A description whose row was renamed or removed would silently vanish
    // from the reference.
    for (const CommandDoc& doc : commandDocs()) {
        EXPECT_NE(rowNamed(commandRows(), doc.name), nullptr) << text::toUtf8(doc.name);
        EXPECT_FALSE(doc.summary.empty() || doc.form.empty() || doc.example.empty())
            << text::toUtf8(doc.name);
    }
    for (const CommandDoc& doc : settingDocs()) {
        EXPECT_NE(rowNamed(settingRows(), doc.name), nullptr) << text::toUtf8(doc.name);
        EXPECT_FALSE(doc.summary.empty() || doc.form.empty() || doc.example.empty())
            << text::toUtf8(doc.name);
    }
}

TEST(CommandDocsTest, ReadingsAndAliasesShareTheirRowsText) {
    struct Case {
        TextView other, row;
    } cases[] = {
        {u"ひょうじ", u"表示"},    // same handler
        {u"ネガポジ", u"色反転"},  // a second kanji row with the same handler
        {u"置換", u"置き換え"},    // an alias of the row
        {u"さいせい", u"再生"},    // a reading not built yet
        {u"とじない", u"閉じない"}, {u"ぼかせ", u"ぼかし"},
    };
    for (const Case& c : cases) {
        const CommandDoc* doc = FindCommandDoc(c.other);
        ASSERT_NE(doc, nullptr) << text::toUtf8(c.other);
        EXPECT_EQ(doc, FindCommandDoc(c.row)) << text::toUtf8(c.other);
    }
    EXPECT_EQ(FindSettingDoc(u"いろ"), FindSettingDoc(u"色"));
    EXPECT_EQ(FindSettingDoc(u"jpeg圧縮率"), FindSettingDoc(u"JPEG圧縮率"));  // Latin case ignored
    EXPECT_EQ(FindCommandDoc(u"知らない命令"), nullptr);
    EXPECT_EQ(FindCommandDoc(u""), nullptr);
    EXPECT_EQ(FindSettingDoc(u"表示"), nullptr);

    // An explicit reading is only for one the handler cannot tie: its row is
    // not built, and the row it names is.
    for (const DocReading& reading : commandDocReadings()) {
        const CommandRow* row = rowNamed(commandRows(), reading.reading);
        const CommandRow* of = rowNamed(commandRows(), reading.of);
        ASSERT_NE(row, nullptr) << text::toUtf8(reading.reading);
        ASSERT_NE(of, nullptr) << text::toUtf8(reading.of);
        EXPECT_EQ(row->handler, &cmdNotBuilt) << text::toUtf8(reading.reading);
        EXPECT_NE(of->handler, &cmdNotBuilt) << text::toUtf8(reading.of);
    }
}

class CommandExamplesTest : public EngineTest {};

TEST_F(CommandExamplesTest, EveryExampleReachesItsCommand) {
    for (const CommandEntry& entry : CommandEntries()) {
        if (entry.reading || entry.doc == nullptr) continue;
        StatementRecord record = engine().ParseLine(entry.doc->example);
        const std::string where = text::toUtf8(entry.doc->example);
        ASSERT_EQ(record.kind, StatementKind::Command) << where;
        const CommandRow* reached = rowReachedBy(Args(record).head);
        ASSERT_NE(reached, nullptr) << where;
        EXPECT_EQ(reached->names, entry.names)
            << where << " reaches " << text::toUtf8(reached->names);
    }
}

TEST_F(CommandExamplesTest, EverySettingExampleAssignsItsWord) {
    for (const CommandEntry& entry : SettingEntries()) {
        StatementRecord record = engine().ParseLine(entry.doc->example);
        const std::string where = text::toUtf8(entry.doc->example);
        EXPECT_EQ(record.kind, StatementKind::Setting) << where;
        std::vector<TextView> names = namesOf(entry.names);
        EXPECT_NE(std::find(names.begin(), names.end(), TextView(record.head)), names.end())
            << where;
    }
}

TEST(FunctionDocsTest, EntriesComeFromTheFunctionReference) {
    const FunctionEntry* left = FindFunctionEntry(u"左");
    ASSERT_NE(left, nullptr);
    EXPECT_NE(left->text.find(u"- 形: `左("), TextView::npos);
    EXPECT_EQ(left->text.find(u"### 右"), TextView::npos);  // stops at the next heading
    // Headings list aliases with ／; either name finds the entry.
    const FunctionEntry* replace = FindFunctionEntry(u"置換");
    ASSERT_NE(replace, nullptr);
    EXPECT_NE(replace->text.find(u"置き換え("), TextView::npos);
    EXPECT_EQ(FindFunctionEntry(u"知らない関数"), nullptr);
    // Short entries are rows of a table; every name in the first cell counts.
    const FunctionEntry* errorNumber = FindFunctionEntry(u"エラー番号");
    ASSERT_NE(errorNumber, nullptr);
    EXPECT_EQ(errorNumber->text, u"最後のエラー");
    const FunctionEntry* title = FindFunctionEntry(u"タイトル");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text, u"アプリケーションの題名");
    // The last entry of the file ends at the end of the file.
    EXPECT_FALSE(FunctionEntries().back().names.empty());

    std::vector<TextView> names = FunctionNames();
    EXPECT_NE(std::find(names.begin(), names.end(), TextView(u"それ")), names.end());
    std::vector<TextView> commands = CommandNames();
    EXPECT_NE(std::find(commands.begin(), commands.end(), TextView(u"きどうしてまて")),
              commands.end());
    EXPECT_EQ(std::count(commands.begin(), commands.end(), TextView(u"表示")), 1);
}

TEST(FunctionDocsTest, EveryFunctionHasTextFromOneSourceOnly) {
    for (const FunctionEntry& entry : FunctionEntries()) {
        EXPECT_FALSE(entry.text.empty()) << text::toUtf8(entry.names);
    }
    // A supplement entry for a function the reference describes would never
    // show, and one for a removed function would linger.
    for (const FunctionDoc& doc : functionDocSupplement()) {
        const FunctionEntry* entry = FindFunctionEntry(doc.name);
        ASSERT_NE(entry, nullptr) << text::toUtf8(doc.name);
        EXPECT_EQ(entry->text, doc.text) << text::toUtf8(doc.name) << " is in the reference";
        EXPECT_EQ(namesOf(entry->names).front(), doc.name);
    }
}

TEST(FunctionDocsTest, HoverShowsNamesFormAndWhetherBuilt) {
    const CommandEntry* play = nullptr;
    const CommandEntry* reading = nullptr;
    const CommandEntry* notBuilt = nullptr;
    for (const CommandEntry& entry : CommandEntries()) {
        if (entry.names == u"再生") play = &entry;
        if (entry.names == u"さいせい") reading = &entry;
        if (!entry.built && entry.doc) notBuilt = &entry;
    }
    ASSERT_TRUE(play && reading);
    Text hover = CommandHoverText(*play);
    EXPECT_EQ(hover.rfind(u"**再生**", 0), 0u);
    EXPECT_NE(hover.find(u"- 形: `ファイル を"), Text::npos);
    EXPECT_EQ(hover.find(u"まだ使えません"), Text::npos);
    Text readingHover = CommandHoverText(*reading);
    EXPECT_NE(readingHover.find(u"「再生」と同じ命令です。"), Text::npos);
    EXPECT_EQ(readingHover.find(u"まだ使えません"), Text::npos);
    // A row this build does not carry says so.
    if (notBuilt) {
        EXPECT_NE(CommandHoverText(*notBuilt).find(u"まだ使えません"), Text::npos);
    }

    const FunctionEntry* left = FindFunctionEntry(u"左");
    ASSERT_NE(left, nullptr);
    Text functionHover = FunctionHoverText(*left);
    EXPECT_EQ(functionHover.rfind(u"**左**\n\n- 形:", 0), 0u);
}

}  // namespace
}  // namespace qel
