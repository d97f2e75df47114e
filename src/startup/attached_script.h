// The script (and data files) appended to a stand-alone application's
// executable: where the executable image ends, the scan over what follows
// it, the extraction of the attached files into a private folder made for
// the run, and the decoding of the script text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace qel {

// Where the executable image stored in the file ends: from the ELF headers
// (the furthest of the header tables, the program segments and the
// sections, so stripping or rebuilding changes nothing) or, for a PE image,
// from its last section header. 0 when the file is neither, or its headers
// point outside the file.
std::uint64_t ImageEndOf(int fd, std::uint64_t fileSize);

// A folder made for one run (mode 0700, unpredictable name) that attached
// files are extracted into. Removed with everything in it by CleanUp.
class PrivateFolder {
  public:
    PrivateFolder() = default;
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // Makes the folder under `parent`; false (with errno set) when that fails.
    bool create(const std::string& parent);
    bool ready() const { return fd_ >= 0; }
    // The folder's path, with a trailing slash.
    const std::string& path() const { return path_; }
    int fd() const { return fd_; }
    void cleanUp();

  private:
    std::string path_;
    int fd_ = -1;
};

// The user's runtime folder when there is one, else the temporary folder.
std::string PrivateFolderParent();

// A message the reader asks start-up to show (text and message-box style).
struct AttachedMessage {
    Text text;
    int style = 0;
};

struct AttachedScript {
    Text script;
    // The application's title, from the title field our builder writes
    // before the script (empty when there is none).
    Text title;
    // The names written into the private folder, in order.
    std::vector<std::string> extractedFiles;
    // Components made for the other platform (.dll/.ocx): extracted, never
    // registered or loaded.
    std::vector<std::string> foreignComponents;
    std::vector<AttachedMessage> messages;
};

// Reads the attachment of the executable open as `fd` (named `exePath` in
// messages) and extracts its files into `folder` (nothing is extracted when
// the folder is not ready).
AttachedScript ReadAttachedScript(int fd, const std::string& exePath, PrivateFolder& folder);

// Removes what the run extracted: the private folder with everything in it.
void CleanUpAttachedFiles(PrivateFolder& folder);

// The script text from a script block ("INFO:" + reversed hexadecimal digits
// of code page 932 codes, line breaks as code 4).
Text DecodeScriptBlock(std::string_view block);

// The title field written before "INFO:": "QELTITLE:", the hexadecimal
// digits of the title's UTF-8 bytes, ";". Readers of the plain layout skip
// it with the other bytes before the marker.
inline constexpr std::string_view kTitleField = "QELTITLE:";
// The attached file a built application's icon travels as (its extension
// follows): extracted with the others, it becomes the run's window icon.
inline constexpr std::string_view kIconEntryStem = "qelscript-icon";
Text TitleOfBlock(std::string_view block);

// The name an entry is written under: its last component after "/" or "\";
// empty when nothing usable remains ("", ".", "..", a NUL byte).
std::string AttachedFileName(std::string_view rawName);

// Whether a name is a component of the other platform (.dll or .ocx).
bool IsForeignComponent(std::string_view name);

}  // namespace qel
