// The image lists of list views, tree views and tool bars: pictures loaded
// from files once, the transparent colour of the control, and the picture an
// item shows (a number counted from 1, a key, or a file added on first use).
#include <cmath>

#include "graphics/picture_io.h"
#include "ui/rich_support.h"

namespace qel::ui {

namespace {

// Loads `file` into `list`; the reason is reported and nothing added when it
// cannot be read as a picture.
std::optional<int> loadImage(Engine& engine, RichImageList& list, const Text& file) {
    auto picture = std::make_shared<Picture>();
    if (std::string why = graphics::readPicture(engine, file, *picture); !why.empty()) {
        engine.Report(ErrorId::PictureUnreadable, file + u"\n" + text::fromUtf8(why));
        return std::nullopt;
    }
    list.images.push_back(RichImage{file, std::move(picture)});
    return int(list.images.size()) - 1;
}

std::optional<int> keyed(const RichImageList& list, const Text& key) {
    for (std::size_t i = 0; i < list.images.size(); ++i) {
        if (list.images[i].key == key) return int(i);
    }
    return std::nullopt;
}

}  // namespace

std::optional<RichImageList*> imageListNamed(ScriptObject& object, TextView where) {
    if (!object.rich || !object.kind || object.kind->id != KindId::ListView) return std::nullopt;
    if (nameKey(where) == nameKey(u"大きい絵")) return &object.rich->largeImages;
    if (nameKey(where) == nameKey(u"小さい絵")) return &object.rich->smallImages;
    return std::nullopt;
}

void addImage(Engine& engine, ScriptObject& object, RichImageList& list, TextView written) {
    const Text file = engine.EvalText(written);
    if (loadImage(engine, list, file)) notify(engine, object, {RichChange::Everything});
}

void imageListValue(PropertyContext& c, RichImageList& list) {
    if (c.getting()) {
        std::vector<Text> files;
        for (const RichImage& image : list.images) files.push_back(image.key);
        c.result.value = text::join(files, u",");
        return;
    }
    // The whole list at once; a file that cannot be read leaves the list as it was.
    RichImageList loaded;
    if (!c.request.text.empty()) {
        for (const Text& file : listParts(c)) {
            if (!loadImage(c.engine, loaded, file)) return;
        }
    }
    list = std::move(loaded);
    notify(c, RichChange::Everything);
}

void imageField(PropertyContext& c, RichImageList& list, Text& field, int& index,
                RichChange change) {
    if (c.getting()) {
        c.result.value = field;
        return;
    }
    const Text& written = c.request.text;
    std::optional<int> found;
    if (written.empty() || (number::parse(written) && c.request.number == 0)) {
        found = -1;  // no picture
    } else if (auto n = number::parse(written)) {
        if (*n < 1 || *n > double(list.images.size()) || *n != std::floor(*n)) {
            c.engine.Report(ErrorId::NoSuchItem, written);
            return;
        }
        found = int(*n) - 1;
    } else if (auto at = keyed(list, written)) {
        found = *at;
    } else {
        found = loadImage(c.engine, list, written);
        if (!found) return;
        change = {RichChange::Everything};  // the list grew
    }
    field = written;
    index = *found;
    notify(c.engine, c.object, change);
}

void maskColourValue(PropertyContext& c, bool needsImages) {
    RichContent& rc = content(c);
    if (c.getting()) {
        c.result.value = rc.hasMask ? number::format(double(fromRgb(rc.maskColour))) : Text();
        return;
    }
    if (needsImages && rc.largeImages.images.empty() && rc.smallImages.images.empty()) {
        c.engine.Report(ErrorId::ImagesFirst);
        return;
    }
    colourField(c, rc.hasMask, rc.maskColour, {RichChange::Everything});
}

void attachFolderImages(RichContent& rc) {
    rc.smallImages.images.push_back(RichImage{u"Folder1", nullptr});
    rc.smallImages.images.push_back(RichImage{u"Folder2", nullptr});
    rc.hasMask = true;
    rc.maskColour = basicColourRgb(6);
}

}  // namespace qel::ui
