// What a rich control holds (list-view rows and columns, tree nodes, tabs,
// tool-bar buttons, status-bar panels, grid cells) in one neutral form. The
// object model owns it and keeps its meaning (numbering, keys, paths,
// sorting); a widget set is handed it once and shows it, told after each
// change what changed, so a view can update only that much.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/ports/canvas.h"
#include "platform/ports/widget_events.h"
#include "text/text.h"

namespace qel {

// One sub-item. Not every kind uses every field.
struct RichItem {
    Text text;
    Text key;
    std::vector<Text> cells;  // list-view rows: the texts of columns 2, 3 …
    int parent = -1;          // tree nodes: the parent's index, -1 at the top
    bool checked = false;
    bool bold = false;
    bool selected = false;
    bool expanded = false;
    bool enabled = true;
    bool visible = true;
    bool hasFore = false, hasBack = false;
    std::uint32_t foreColour = 0, backColour = 0xFFFFFF;  // 0xRRGGBB
    Text tip, info, picture, largeIcon, smallIcon, description;
    double width = 0;     // columns, panels (pixels)
    double minWidth = 0;  // panels
    int alignment = 0;    // columns: 0 left, 1 right, 2 centre; panels: 0 left, 1 centre, 2 right
    int style = 0;        // buttons: 0 normal, 1 check …; panels: the automatic kind
    int bevel = 1;        // panels: 0 none, 1 sunken, 2 raised
    int autoSize = 0;     // panels: 0 none, 1 spring, 2 content
    int order = 0;        // columns: the place shown
    // The pictures shown: indexes into the control's image lists, -1 none
    // (list-view rows use both, tree nodes and tool-bar buttons the small one).
    int largeImage = -1, smallImage = -1;
};

// The look and state of one grid cell beyond its text.
struct CellFormat {
    bool hasFore = false, hasBack = false;
    std::uint32_t foreColour = 0, backColour = 0xFFFFFF;
    bool bold = false, italic = false, underline = false;
    Text fontName;
    double fontSize = 0;
    int alignment = 9;  // 0 top-left … 8 bottom-right, 9 the default
    Text picture;
};

// The settings of a rich control that a view shows (switches, styles, ranges).
enum class RichSetting : int {
    ViewStyle,  // list views: 0 large icons, 1 small icons, 2 list, 3 details
    Arrange,
    FullRowSelect,
    GridLines,
    HotTracking,
    HideSelection,
    ColumnHeaders,
    CheckBoxes,
    LabelEdit,
    MultiSelect,
    FlatScrollBar,
    Indentation,
    Placement,  // tool bars, tab strips: 0 none/top …
    Look,       // tool bars, tab strips, progress bars
    TextAlign,
    Separators,
    Wrap,
    Orientation,  // 0 horizontal, 1 vertical
    Minimum,
    Maximum,
    Value,
    SmallChange,
    LargeChange,
    TickFrequency,
    TickStyle,
    SelectRange,
    SelStart,
    SelLength,
    GridLineStyle,
    LineColour,
    HeaderLines,
    SortOrder,
    FolderIcons,
    ColumnReorder,
};

// One picture of a control's image list, decoded once when the script added
// it. The tree's folder pictures have no pixels: a view draws its desktop's
// folder icons for them.
struct RichImage {
    Text key;  // the file name as the script gave it, or Folder1 / Folder2
    std::shared_ptr<const Picture> picture;
};

// The pictures items show by their number (counted from 1) or key. The
// transparent colour (0xRRGGBB) applies to every picture of the control.
struct RichImageList {
    std::vector<RichImage> images;
};

// A browser's page and the way back to the pages before it. The object
// model fetches pages itself, so every widget set shows the same page.
struct BrowserPage {
    Text address;  // as the history keeps it: a URL, or a local file's path
    Text source;   // the page's text (HTML, or plain text when `html` is false)
    bool html = true;
};

struct BrowserContent {
    BrowserPage page;
    std::vector<Text> history;  // the addresses visited, oldest first
    int at = -1;                // the one shown
    Text title, status, text, newAddress;
    bool offline = false, fullScreen = false;
    bool loading = false, stopAsked = false;  // a page on its way; 中止 asked
    // The find dialog's last match: where it lies in `text`, and for a view
    // showing the page, the text found and which of its matches it is
    // (counted from 1 from the top; 0 when nothing is found on this page).
    std::size_t findStart = 0, findLength = 0;
    Text found;
    bool foundCase = false;
    int foundNumber = 0;
};

struct RichContent {
    std::vector<RichItem> items;    // rows, nodes, tabs, buttons or panels
    std::vector<RichItem> columns;  // list-view columns
    std::map<RichSetting, double> settings;
    Text separator = u"\\";  // tree paths
    // List views: large and small pictures; trees and tool bars use `small`.
    RichImageList largeImages, smallImages;
    BrowserContent browser;
    bool hasMask = false;
    std::uint32_t maskColour = 0;
    int sortColumn = -1;  // list views: the column last sorted by
    bool sortDescending = false;
    // Label edits (list and tree views): the text the user gave, and whether
    // the script's procedure refused it.
    Text labelEditText;
    bool labelEditCancel = false;

    // The grid: rows × cols cells, the first fixedRows rows and fixedCols
    // columns being headings. row/col is the current cell; the selection
    // runs from it to selRow/selCol.
    int rows = 0, cols = 0, fixedRows = 0, fixedCols = 0;
    int row = 0, col = 0, selRow = 0, selCol = 0;
    std::vector<Text> cells;      // row-major
    std::vector<int> cellFormat;  // row-major index into formats, -1 none (lazy)
    std::vector<CellFormat> formats;
    std::vector<double> colWidths, rowHeights;

    double setting(RichSetting s, double fallback = 0) const {
        auto it = settings.find(s);
        return it == settings.end() ? fallback : it->second;
    }
    const Text& cell(int r, int c) const {
        return cells[std::size_t(r) * std::size_t(cols) + std::size_t(c)];
    }
    Text& cell(int r, int c) { return cells[std::size_t(r) * std::size_t(cols) + std::size_t(c)]; }
};

// What changed since the view last looked.
struct RichChange {
    enum Kind {
        Everything,   // rebuild from scratch
        ItemsAdded,   // items [index, index + count) were appended
        ItemRemoved,  // item `index` (and, in a tree, its descendants) went
        ItemChanged,  // item `index` changed in place
        Columns,      // the columns (or the grid's size) changed
        Cells,        // grid cells changed
        Current,      // the current item, tab or cell moved
        Settings,     // a setting changed
    } kind = Everything;
    int index = -1;
    int count = 1;
};

}  // namespace qel
