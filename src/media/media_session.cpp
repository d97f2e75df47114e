#include "media/media_session.h"

namespace qel::media {

MediaSession::MediaSession(MediaPort& port, std::function<double()> now,
                           std::function<void(double)> sleep)
    : port_(port), now_(now), sleep_(sleep), mci_(port, now, sleep) {}

}  // namespace qel::media
