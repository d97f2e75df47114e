// Progress of long operations, reported to the script's progress procedure
// (the setting word 処理状況) as "percent,done,total".
#pragma once

namespace qel {

class Engine;

// Whether the script has named a progress procedure.
bool ProgressOn(const Engine& engine);

// Calls the progress procedure with the whole percentage of done in total
// (0 when it cannot be computed), done and total. A percentage equal to the
// one reported last, by this operation or an earlier one, is dropped. A
// missing procedure is not an error; the answer (それ) is left as it was.
void NotifyProgress(Engine& engine, double done, double total);

}  // namespace qel
