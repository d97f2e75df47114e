// The pictures of a rich control's image list as Qt icons.
#pragma once

#include <QIcon>

#include <vector>

#include "platform/ports/rich_content.h"

namespace qel::qtw {

// Every picture of `list` as an icon, the control's transparent colour made
// transparent; the folder pictures are the desktop's folder icons. Kept on
// `view` until the list or the colour changes, so that every row shares the
// same pixmaps (a row added or changed costs no conversion, and 100,000 rows
// hold one copy of each picture).
const std::vector<QIcon>& richIcons(QWidget& view, const RichContent& rc,
                                    const RichImageList& list);
// The icon at `index`, or none when the index names no picture.
QIcon iconAt(const std::vector<QIcon>& icons, int index);
// The size of the list's first picture (16 × 16 for an empty list or folders).
QSize iconSizeOf(const RichImageList& list);

}  // namespace qel::qtw
