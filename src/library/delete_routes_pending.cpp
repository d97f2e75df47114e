// Stand-ins for commands that other families provide: 削除 of file
// associations and 作れ of self-extracting archives. They say they are
// not in this build until those families arrive.
#include "core/engine.h"
#include "library/handlers.h"

namespace qel {

void cmdDeleteAssociation(StatementRecord& record, Engine& engine) {
    cmdNotBuilt(record, engine);
}

void cmdCreateSelfExtracting(StatementRecord& record, Engine& engine) {
    cmdNotBuilt(record, engine);
}

}  // namespace qel
