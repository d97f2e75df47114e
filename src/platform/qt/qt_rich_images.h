// The pictures of a rich control's image list as Qt icons.
#pragma once

#include <QIcon>

#include <vector>

#include "platform/ports/rich_content.h"

namespace qel::qtw {

// Every picture of `list` as an icon, the control's transparent colour made
// transparent; the folder pictures are the desktop's folder icons.
std::vector<QIcon> richIcons(const RichContent& rc, const RichImageList& list);
// The icon at `index`, or none when the index names no picture.
QIcon iconAt(const std::vector<QIcon>& icons, int index);
// The size of the list's first picture (16 × 16 for an empty list or folders).
QSize iconSizeOf(const RichImageList& list);

}  // namespace qel::qtw
