// CSV files and the table form on arbitrary text. Whatever a file holds, the
// table read from it is written as CSV that reads back as the same table, and
// that CSV is written the same way again: a table saved and loaded any number
// of times stays as it was after the first load. A broken property aborts, so
// libFuzzer keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "library/files/file_support.h"
#include "text/text.h"

namespace {

using qel::Text;
using qel::TextView;
namespace files = qel::files;

void require(bool holds) {
    if (!holds) std::abort();
}

void csvProperties(TextView csv) {
    Text table = files::csvToTable(csv);
    Text written = files::tableToCsv(table);
    Text again = files::csvToTable(written);
    require(again == table);
    require(files::tableToCsv(again) == written);
}

// A table as a script builds it (any text), saved and loaded.
void tableProperties(TextView table) {
    Text written = files::tableToCsv(table);
    Text loaded = files::csvToTable(written);
    Text rewritten = files::tableToCsv(loaded);
    require(files::csvToTable(rewritten) == loaded);
    require(files::tableToCsv(files::csvToTable(rewritten)) == rewritten);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Text decoded = qel::text::decodeFileBytes(bytes);
    csvProperties(decoded);
    tableProperties(decoded);
    return 0;
}
