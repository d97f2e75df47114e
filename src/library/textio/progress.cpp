#include "library/textio/progress.h"

#include <cmath>
#include <limits>

#include "core/engine.h"
#include "library/registry/library_state.h"
#include "text/number.h"

namespace qel {

namespace {

int percentOf(double done, double total) {
    if (!(total > 0) || !std::isfinite(done) || !std::isfinite(total)) return 0;
    double percent = std::floor(done / total * 100);
    // Counts a host hands in may be anything; the percentage stays a 32-bit
    // integer as the procedure has always seen it.
    if (!std::isfinite(percent) || std::fabs(percent) > std::numeric_limits<int32_t>::max())
        return 0;
    return int(percent);
}

}  // namespace

bool ProgressOn(const Engine& engine) {
    return !libraryState(engine).progressProcedure.empty();
}

void NotifyProgress(Engine& engine, double done, double total) {
    const int percent = percentOf(done, total);
    if (percent == libraryState(engine).lastPercent) return;
    libraryState(engine).lastPercent = percent;
    Text args =
        number::format(percent) + u"," + number::format(done) + u"," + number::format(total);
    Text keep = engine.answer;
    try {
        engine.CallProcedure(libraryState(engine).progressProcedure, args, false, nullptr);
    } catch (const Engine::Abandoned&) {
        // Progress is reported from inside the operation (a transfer, a
        // table walk), which must not be torn through: it ends, and the
        // levels unwind after its statement.
    }
    engine.answer = std::move(keep);
}

}  // namespace qel
