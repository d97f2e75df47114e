#include "platform/linux/tag_access.h"

#include <taglib/tag_c.h>

#include <memory>
#include <mutex>

#include "platform/linux/shared_library.h"

namespace qel {

namespace {

// TagLib through its C binding, loaded by the first tag read or written:
// runs that never touch a tag neither load it nor need it installed.
struct TagLibrary {
    SharedLibrary lib{"libtag_c.so.0"};
    decltype(&taglib_set_strings_unicode) setUnicode = nullptr;
    decltype(&taglib_set_string_management_enabled) setManagement = nullptr;
    decltype(&taglib_id3v2_set_default_text_encoding) setId3Encoding = nullptr;
    decltype(&taglib_free) free = nullptr;
    decltype(&taglib_file_new) fileNew = nullptr;
    decltype(&taglib_file_free) fileFree = nullptr;
    decltype(&taglib_file_is_valid) isValid = nullptr;
    decltype(&taglib_file_tag) tag = nullptr;
    decltype(&taglib_file_audioproperties) properties = nullptr;
    decltype(&taglib_file_save) save = nullptr;
    decltype(&taglib_tag_title) title = nullptr;
    decltype(&taglib_tag_artist) artist = nullptr;
    decltype(&taglib_tag_album) album = nullptr;
    decltype(&taglib_tag_comment) comment = nullptr;
    decltype(&taglib_tag_genre) genre = nullptr;
    decltype(&taglib_tag_year) year = nullptr;
    decltype(&taglib_tag_set_title) setTitle = nullptr;
    decltype(&taglib_tag_set_artist) setArtist = nullptr;
    decltype(&taglib_tag_set_album) setAlbum = nullptr;
    decltype(&taglib_tag_set_comment) setComment = nullptr;
    decltype(&taglib_tag_set_genre) setGenre = nullptr;
    decltype(&taglib_tag_set_year) setYear = nullptr;
    decltype(&taglib_audioproperties_length) length = nullptr;
    decltype(&taglib_audioproperties_bitrate) bitrate = nullptr;
    decltype(&taglib_audioproperties_samplerate) samplerate = nullptr;
    decltype(&taglib_audioproperties_channels) channels = nullptr;
    bool ok = lookUp();

    bool lookUp() {
        bool all =
            lib.get(setUnicode, "taglib_set_strings_unicode") &&
            lib.get(setManagement, "taglib_set_string_management_enabled") &&
            lib.get(setId3Encoding, "taglib_id3v2_set_default_text_encoding") &&
            lib.get(free, "taglib_free") && lib.get(fileNew, "taglib_file_new") &&
            lib.get(fileFree, "taglib_file_free") && lib.get(isValid, "taglib_file_is_valid") &&
            lib.get(tag, "taglib_file_tag") && lib.get(properties, "taglib_file_audioproperties") &&
            lib.get(save, "taglib_file_save") && lib.get(title, "taglib_tag_title") &&
            lib.get(artist, "taglib_tag_artist") && lib.get(album, "taglib_tag_album") &&
            lib.get(comment, "taglib_tag_comment") && lib.get(genre, "taglib_tag_genre") &&
            lib.get(year, "taglib_tag_year") && lib.get(setTitle, "taglib_tag_set_title") &&
            lib.get(setArtist, "taglib_tag_set_artist") &&
            lib.get(setAlbum, "taglib_tag_set_album") &&
            lib.get(setComment, "taglib_tag_set_comment") &&
            lib.get(setGenre, "taglib_tag_set_genre") && lib.get(setYear, "taglib_tag_set_year") &&
            lib.get(length, "taglib_audioproperties_length") &&
            lib.get(bitrate, "taglib_audioproperties_bitrate") &&
            lib.get(samplerate, "taglib_audioproperties_samplerate") &&
            lib.get(channels, "taglib_audioproperties_channels");
        if (!all) return false;
        // Strings in and out are UTF-8, and each one returned is ours to
        // free: TagLib's own bookkeeping of them is global and never shrinks.
        setUnicode(1);
        setManagement(0);
        // New ID3v2 frames keep any script's text whole (the default,
        // Latin-1, would lose Japanese titles).
        setId3Encoding(TagLib_ID3v2_UTF8);
        return true;
    }

    std::string take(char* s) {
        std::string out = s ? s : "";
        if (s) free(s);
        return out;
    }
};

TagLibrary* library() {
    static std::once_flag once;
    static std::unique_ptr<TagLibrary> api;
    std::call_once(once, [] { api = std::make_unique<TagLibrary>(); });
    return api->ok ? api.get() : nullptr;
}

// A file TagLib opened, closed (without saving) however the caller leaves.
class OpenedFile {
  public:
    OpenedFile(TagLibrary& api, const std::string& path)
        : api_(api), file_(api.fileNew(path.c_str())) {}
    ~OpenedFile() {
        if (file_) api_.fileFree(file_);
    }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;

    // Only a file in which TagLib found a sound stream is touched. TagLib
    // takes any file under an .mp3 name as valid, so a text file would
    // otherwise get a tag written in front of its text.
    TagLib_Tag* tag() const { return holdsSound() ? api_.tag(file_) : nullptr; }
    const TagLib_AudioProperties* properties() const {
        return holdsSound() ? api_.properties(file_) : nullptr;
    }
    bool save() { return api_.save(file_) != 0; }

  private:
    bool holdsSound() const {
        if (!file_ || !api_.isValid(file_)) return false;
        const TagLib_AudioProperties* p = api_.properties(file_);
        return p && api_.samplerate(p) > 0 && api_.channels(p) > 0;
    }

    TagLibrary& api_;
    TagLib_File* file_;
};

}  // namespace

std::optional<AudioTags> ReadTags(const std::string& path) {
    TagLibrary* api = library();
    if (!api) return std::nullopt;
    OpenedFile file(*api, path);
    TagLib_Tag* tag = file.tag();
    if (!tag) return std::nullopt;
    AudioTags out;
    out.title = api->take(api->title(tag));
    out.artist = api->take(api->artist(tag));
    out.album = api->take(api->album(tag));
    out.comment = api->take(api->comment(tag));
    out.genre = api->take(api->genre(tag));
    out.year = int(api->year(tag));
    if (const TagLib_AudioProperties* p = file.properties()) {
        out.sampleRate = api->samplerate(p);
        out.bitRate = api->bitrate(p);
        out.channels = api->channels(p);
        out.lengthSeconds = api->length(p);
    }
    return out;
}

bool WriteTags(const std::string& path, const AudioTags& tags) {
    TagLibrary* api = library();
    if (!api) return false;
    OpenedFile file(*api, path);
    TagLib_Tag* tag = file.tag();
    if (!tag) return false;
    api->setTitle(tag, tags.title.c_str());
    api->setArtist(tag, tags.artist.c_str());
    api->setAlbum(tag, tags.album.c_str());
    api->setComment(tag, tags.comment.c_str());
    api->setGenre(tag, tags.genre.c_str());
    api->setYear(tag, tags.year > 0 ? unsigned(tags.year) : 0u);
    // TagLib refuses a file it opened read-only (no write permission) and
    // says so here; the tag on disk is then the one that was there.
    return file.save();
}

bool TagLibraryAvailable() {
    return library() != nullptr;
}

}  // namespace qel
