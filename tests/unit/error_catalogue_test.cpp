// The error catalogue: one text per number, texts the error routine can
// show, the numbered message table that hosts read, and docs/errors.md, which
// must list exactly the numbers and texts scripts can meet.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "engine_fixture.h"
#include "resources/error_catalogue.h"
#include "resources/resource_tables.h"
#include "text/number.h"

namespace qel {
namespace {

using testing::EngineTest;

// The errors whose text the caller supplies.
bool textFromCaller(const ErrorEntry& entry) {
    return entry.id == ErrorId::HostReported;
}

TEST(ErrorCatalogue, EachNumberHasOneTextAndEachErrorATextToShow) {
    std::map<int, ErrorId> owner;
    for (const ErrorEntry& entry : errorCatalogue()) {
        SCOPED_TRACE(text::toUtf8(entry.message));
        // エラー番号 is a 16-bit number: a larger one would read as another.
        EXPECT_GE(entry.number, 0);
        EXPECT_LE(entry.number, 32767);
        if (entry.number != kUnnumbered) {
            auto [it, added] = owner.emplace(entry.number, entry.id);
            EXPECT_TRUE(added) << "number " << entry.number << " has two texts";
        }
        EXPECT_EQ(entry.message.empty(), textFromCaller(entry));
        EXPECT_TRUE(entry.icon == ErrorIcon::Stop || entry.icon == ErrorIcon::Question ||
                    entry.icon == ErrorIcon::Warning || entry.icon == ErrorIcon::Information);
    }
}

TEST(ErrorCatalogue, TextsUseOnlyTheTokensTheErrorRoutineReplaces) {
    for (const ErrorEntry& entry : errorCatalogue()) {
        SCOPED_TRACE(text::toUtf8(entry.message));
        TextView message = entry.message;
        // Line breaks are written as the two characters \n, so that every
        // message breaks its lines the same way (CR LF).
        EXPECT_EQ(message.find_first_of(u"\r\n"), TextView::npos);
        for (std::size_t p = message.find(u'%'); p != TextView::npos;
             p = message.find(u'%', p + 1)) {
            ASSERT_LT(p + 1, message.size());
            EXPECT_TRUE(message[p + 1] == u'1' || message[p + 1] == u'd')
                << "only %1 and %d are replaced";
        }
    }
}

TEST(ErrorCatalogue, TheMessageTableHoldsTheLanguagesRowsAndNoOthers) {
    TextView table = resources::resourceTableSource(resources::kMessageTable);
    std::size_t rows = 1;
    for (char16_t c : table) rows += c == u'\n';
    std::size_t tableEntries = 0;
    for (const ErrorEntry& entry : errorCatalogue()) {
        if (!entry.inMessageTable) continue;
        ++tableEntries;
        Text row = number::format(entry.number) + u"=" + Text(entry.message);
        EXPECT_NE(table.find(row), TextView::npos) << entry.number;
    }
    EXPECT_EQ(rows, tableEntries);
    // The runtime's own numbers stay out of the table hosts read.
    EXPECT_EQ(table.find(u"\n92="), TextView::npos);
    EXPECT_EQ(table.find(u"\n921="), TextView::npos);
}

class ErrorCatalogueReports : public EngineTest {};

TEST_F(ErrorCatalogueReports, EveryErrorShowsItsTextNumberAndIcon) {
    engine().currentFile = u"/scripts/a.qel";
    for (const ErrorEntry& entry : errorCatalogue()) {
        if (textFromCaller(entry)) continue;
        SCOPED_TRACE(entry.number);
        clearBoxes();
        engine().Report(entry.id, u"語");
        ASSERT_EQ(errorBoxes().size(), 1u);
        Text expected =
            text::replaceAll(text::replaceAll(entry.message, u"\\n", kCRLF), u"%1", u"語");
        expected += u"\r\n［a.qel 1行目 エラー番号" + number::format(entry.number) + u"］";
        EXPECT_EQ(errorBoxes()[0].text, expected);
        EXPECT_EQ(errorBoxes()[0].style, int(entry.icon) + 1);  // OK and Cancel
        EXPECT_EQ(engine().errors.lastErrorNumber, entry.number);

        // A host that names only the number gets the same text.
        if (entry.inMessageTable) {
            engine().ReportErrorNo(entry.number, int(entry.icon), u"語");
            ASSERT_EQ(errorBoxes().size(), 2u);
            EXPECT_EQ(errorBoxes()[1].text, expected);
        }
    }
}

TEST_F(ErrorCatalogueReports, AnotherIconAndAComposedText) {
    engine().currentFile = u"/scripts/a.qel";
    engine().Report(ErrorId::NotFound, ErrorIcon::Warning, u"a.txt");
    engine().ReportText(ErrorId::DownloadFailed, u"%1をダウンロードできませんでした。\\n理由",
                        u"http://x/");
    ASSERT_EQ(errorBoxes().size(), 2u);
    EXPECT_EQ(errorBoxes()[0].style, 49);
    EXPECT_EQ(errorBoxes()[0].errorNumber, 201);
    EXPECT_EQ(errorBoxes()[1].style, 17);
    EXPECT_EQ(errorBoxes()[1].errorNumber, 703);
    EXPECT_EQ(
        errorBoxes()[1].text,
        u"http://x/をダウンロードできませんでした。\r\n理由\r\n［a.qel 1行目 エラー番号703］");
}

// ---- docs/errors.md ------------------------------------------------------------

// The table rows of the document: "| number | `message` | when | what to do |".
// A message cell that is not in backquotes is a text the caller supplies.
std::multimap<int, Text> documentedErrors() {
    std::ifstream file(QEL_SOURCE_DIR "/docs/errors.md");
    EXPECT_TRUE(file) << "docs/errors.md is missing";
    std::multimap<int, Text> rows;
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind("| ", 0) != 0) continue;
        std::size_t numberEnd = line.find(" |", 2);
        std::string number = line.substr(2, numberEnd - 2);
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) continue;
        std::size_t cellStart = numberEnd + 3;
        std::size_t cellEnd = line.find(" |", cellStart);
        std::string cell = line.substr(cellStart, cellEnd - cellStart);
        Text message;
        if (cell.size() >= 2 && cell.front() == '`' && cell.back() == '`') {
            message = text::fromUtf8(cell.substr(1, cell.size() - 2));
        }
        rows.emplace(std::stoi(number), message);
    }
    return rows;
}

TEST(ErrorCatalogue, TheDocumentListsEveryNumberWithItsTextAndNoOthers) {
    std::multimap<int, Text> documented = documentedErrors();
    std::multimap<int, Text> catalogued;
    for (const ErrorEntry& entry : errorCatalogue()) {
        catalogued.emplace(entry.number, Text(entry.message));
    }
    std::set<std::pair<int, Text>> inDocument(documented.begin(), documented.end());
    std::set<std::pair<int, Text>> inCatalogue(catalogued.begin(), catalogued.end());
    for (const auto& [number, message] : inCatalogue) {
        EXPECT_TRUE(inDocument.count({number, message}))
            << "not in docs/errors.md: " << number << " " << text::toUtf8(message);
    }
    for (const auto& [number, message] : inDocument) {
        EXPECT_TRUE(inCatalogue.count({number, message}))
            << "docs/errors.md lists what no report gives: " << number << " "
            << text::toUtf8(message);
    }
    EXPECT_EQ(documented.size(), catalogued.size()) << "a row is listed twice";
}

}  // namespace
}  // namespace qel
