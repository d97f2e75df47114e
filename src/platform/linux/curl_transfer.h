// The transfer port on libcurl. Used by the desktop and the console hosts
// alike; tests run it against servers of their own on the loopback address.
#pragma once

#include "platform/ports/transfer.h"

namespace qel {

class CurlTransfer : public TransferPort {
  public:
    explicit CurlTransfer(TransferLimits limits = {});
    TransferResult perform(const TransferRequest& request, TransferObserver& observer) override;
    const TransferLimits& limits() const { return limits_; }

  private:
    TransferLimits limits_;
};

// The default limits, changed by QELSCRIPT_CONNECT_TIMEOUT and
// QELSCRIPT_STALL_TIMEOUT (seconds, a positive number; anything else keeps
// the default).
TransferLimits transferLimitsFromEnvironment();

}  // namespace qel
