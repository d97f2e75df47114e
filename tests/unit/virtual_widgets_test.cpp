// The virtual widgets behave as real ones do, since scripts on the console
// read back what they would read on the desktop.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/headless/content_size.h"
#include "platform/headless/virtual_widgets.h"

namespace qel {
namespace {

double number(const VirtualWidgets& w, WidgetId id, WidgetValue v) {
    return std::get<double>(*w.get(id, v));
}

TEST(VirtualWidgets, OptionsInOneContainerExcludeEachOtherOnly) {
    VirtualWidgets w;
    WidgetId window = w.createWindow(WindowStyle::Normal);
    WidgetId a = w.createControl(WidgetKind::OptionButton, window);
    WidgetId b = w.createControl(WidgetKind::OptionButton, window);
    WidgetId frame = w.createControl(WidgetKind::Frame, window);
    WidgetId c = w.createControl(WidgetKind::OptionButton, frame);
    WidgetId check = w.createControl(WidgetKind::CheckBox, window);
    w.set(check, WidgetValue::Checked, 1.0);
    w.set(a, WidgetValue::Checked, 1.0);
    w.set(c, WidgetValue::Checked, 1.0);
    w.set(b, WidgetValue::Checked, 1.0);
    EXPECT_EQ(number(w, a, WidgetValue::Checked), 0);
    EXPECT_EQ(number(w, b, WidgetValue::Checked), 1);
    EXPECT_EQ(number(w, c, WidgetValue::Checked), 1);
    EXPECT_EQ(number(w, check, WidgetValue::Checked), 1);
    EXPECT_FALSE(w.set(check, WidgetValue::Checked, 3.0));
}

TEST(VirtualWidgets, ScrollValuesStayInsideTheirLimits) {
    VirtualWidgets w;
    WidgetId bar = w.createControl(WidgetKind::HScrollBar, w.createWindow(WindowStyle::Normal));
    w.set(bar, WidgetValue::Value, 40000.0);
    EXPECT_EQ(number(w, bar, WidgetValue::Value), 32767);
    w.set(bar, WidgetValue::Maximum, 10.0);
    EXPECT_EQ(number(w, bar, WidgetValue::Value), 10);
    w.set(bar, WidgetValue::Minimum, 20.0);
    EXPECT_EQ(number(w, bar, WidgetValue::Maximum), 20);
    EXPECT_EQ(number(w, bar, WidgetValue::Value), 20);
    EXPECT_FALSE(w.set(bar, WidgetValue::SmallChange, 0.0));
}

TEST(VirtualWidgets, ListsKeepSelectionAndOrderThroughChanges) {
    VirtualWidgets w;
    WidgetId list = w.createControl(WidgetKind::ListBox, w.createWindow(WindowStyle::Normal));
    for (TextView item : {u"b", u"c", u"a"}) w.addItem(list, item);
    w.set(list, WidgetValue::ListIndex, 1.0);
    w.removeItem(list, 0);  // the chosen item moves up with the rest
    EXPECT_EQ(number(w, list, WidgetValue::ListIndex), 0);
    EXPECT_EQ(std::get<Text>(*w.get(list, WidgetValue::Text)), u"c");
    EXPECT_FALSE(w.set(list, WidgetValue::ListIndex, 5.0));
    EXPECT_FALSE(w.removeItem(list, -1));
    w.set(list, WidgetValue::Sorted, 1.0);
    w.addItem(list, u"b");
    EXPECT_EQ(w.items(list), (std::vector<Text>{u"a", u"b", u"c"}));
}

TEST(VirtualWidgets, TextSelectionLimitsAndUndo) {
    VirtualWidgets w;
    WidgetId box = w.createControl(WidgetKind::TextBox, w.createWindow(WindowStyle::Normal));
    w.set(box, WidgetValue::Text, Text(u"abcdef"));
    w.set(box, WidgetValue::SelStart, 4.0);
    w.set(box, WidgetValue::SelLength, 10.0);
    EXPECT_EQ(std::get<Text>(*w.get(box, WidgetValue::SelectedText)), u"ef");
    w.set(box, WidgetValue::SelectedText, Text(u"X"));
    EXPECT_EQ(std::get<Text>(*w.get(box, WidgetValue::Text)), u"abcdX");
    w.undo(box);
    EXPECT_EQ(std::get<Text>(*w.get(box, WidgetValue::Text)), u"abcdef");
    EXPECT_FALSE(w.set(box, WidgetValue::Text, Text(VirtualWidgets::kMaxTextBoxLength + 1, u'a')));
    EXPECT_EQ(std::get<Text>(*w.get(box, WidgetValue::Text)), u"abcdef");
}

TEST(VirtualWidgets, DestroyingAContainerTakesItsChildrenAndFocus) {
    VirtualWidgets w;
    WidgetId window = w.createWindow(WindowStyle::Normal);
    WidgetId frame = w.createControl(WidgetKind::Frame, window);
    WidgetId inside = w.createControl(WidgetKind::Button, frame);
    w.focus(inside);
    EXPECT_FALSE(w.setParent(frame, inside));  // no container inside itself
    w.destroy(frame);
    EXPECT_FALSE(w.exists(inside));
    EXPECT_EQ(w.focused(), kNoWidget);
    EXPECT_FALSE(w.get(inside, WidgetValue::Width));
    EXPECT_FALSE(w.set(inside, WidgetValue::Width, 3.0));
}

// The picture sizes behind 自動調整 come from the file headers of each format;
// truncated and unknown files give nothing rather than a made-up size.
TEST(VirtualWidgets, PictureSizesAreReadFromEachFormatsHeader) {
    const auto folder = std::filesystem::temp_directory_path();
    auto file = [&](const std::string& name, const std::string& bytes) {
        std::string path = (folder / ("qel_size_" + name)).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    };
    using namespace std::string_literals;
    const std::string png = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x01\x2c\0\0\0\xc8\x08\x02\0\0\0"s;
    const std::string gif = "GIF89a\x40\x01\xf0\0\0\0"s;
    std::string bmp(26, '\0');
    bmp[0] = 'B', bmp[1] = 'M', bmp[18] = 7, bmp[22] = char(0xFB), bmp[23] = char(0xFF),
    bmp[24] = char(0xFF), bmp[25] = char(0xFF);  // height -5: stored top-down
    const std::string jpeg =
        "\xff\xd8\xff\xe0\0\x04"
        "ab\xff\xc0\0\x11\x08\0\x30\0\x40\x03"s +
        std::string(20, '\0');
    const std::pair<std::string, headless::Extent> cases[] = {{file("a.png", png), {300, 200}},
                                                              {file("a.gif", gif), {320, 240}},
                                                              {file("a.bmp", bmp), {7, 5}},
                                                              {file("a.jpg", jpeg), {64, 48}}};
    for (const auto& [path, want] : cases) {
        auto got = headless::pictureExtent(path);
        ASSERT_TRUE(got) << path;
        EXPECT_EQ(got->width, want.width) << path;
        EXPECT_EQ(got->height, want.height) << path;
        std::remove(path.c_str());
    }
    for (const std::string& bad : {file("short.png", png.substr(0, 8)), file("t.txt", "hello"s),
                                   file("loop.jpg", "\xff\xd8\xff\xe0\0\x00"s)}) {
        EXPECT_FALSE(headless::pictureExtent(bad)) << bad;
        std::remove(bad.c_str());
    }
    EXPECT_FALSE(headless::pictureExtent((folder / "qel_size_missing.png").string()));
}

}  // namespace
}  // namespace qel
