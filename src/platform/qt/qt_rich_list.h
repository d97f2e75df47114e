// A list view on the desktop: one control with two faces. The 詳細 look is a
// tree widget (columns, a clickable header); the icon, small-icon and list
// looks are a list widget in its icon or list mode. Only the face shown holds
// rows: the content is the object model's, so a change of look rebuilds the
// new face from it (items, checks, pictures) and carries the selection over.
#pragma once

#include <QStackedWidget>

#include "platform/ports/rich_content.h"

class QAbstractItemView;
class QListWidget;
class QTreeWidget;

namespace qel::qtw {

class RichListView : public QStackedWidget {
  public:
    explicit RichListView(QWidget* parent);
    QTreeWidget& details() const { return *details_; }
    QListWidget& icons() const { return *icons_; }
    // The face the user sees now.
    QAbstractItemView& shown() const;

  private:
    QTreeWidget* details_;
    QListWidget* icons_;
};

void showListView(RichListView& view, const RichContent& rc, const RichChange& change);

}  // namespace qel::qtw
