// Why a transfer failed, in the words error reports give as their second
// line: the download commands and the browser say it alike.
#pragma once

#include "platform/ports/transfer.h"
#include "text/text.h"

namespace qel::ui {

// Empty for a transfer that was stopped on purpose (or did not fail).
Text transferFaultText(const TransferResult& result);

}  // namespace qel::ui
