// How every writer that replaces a whole file does it: where the write
// lands, how the new bytes are kept out of sight until they are complete, and
// how they take the old file's place in one step.
//
// One rule for all of them: the chain of symbolic links at the path is
// followed to its end and the file found there is replaced; the links stay.
// A chain that loops or ends at nothing, and an end that is not a regular
// file (a pipe, a socket, a device, a folder), refuse the write, so a rename
// never lands on a link or a special file.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "platform/ports/platform.h"

namespace qel::file_replacement {

// Where a write to a path lands.
struct Destination {
    std::string path;  // the end of the link chain (the path itself without links)
    bool exists = false;
    struct stat info {};  // of the existing file, when it exists
};

// Follows the links at `path` and checks what stands at the end. A path that
// names nothing at all is a new file (its folder is checked when the file is
// made); a link to nothing is refused.
FileStatus resolve(const std::string& path, Destination& destination);

// The permission bits a new file gets (0666 less the umask).
mode_t newFileMode();

// The new content of a file while it is written. Where the file system
// allows, the file has no name until publish() links it in and renames it
// over the destination, so a process killed half-way leaves nothing behind;
// elsewhere it is a hidden temporary named with `prefix`, the writer's
// process number and a random part, locked while it is written, and
// temporaries of that naming left by writers that are gone are removed
// before a new one is made in the folder. Destroying an unpublished file
// removes it.
class Replacement {
  public:
    explicit Replacement(std::string prefix = ".qel-write-") : prefix_(std::move(prefix)) {}
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    // Makes the file in the destination's folder with the permission bits
    // `mode` and, with keepOwner and where allowed, the owner of the file it
    // replaces.
    FileStatus open(const Destination& destination, mode_t mode, bool keepOwner = true);
    int fd() const { return fd_; }
    // The temporary's name, or empty while it has none.
    const std::string& temporaryName() const { return temp_; }
    // Writes all of the bytes; false (errno set) when the write failed.
    bool write(std::string_view bytes);
    // Flushes the file to the disk and puts it in the destination's place;
    // with syncFolder the rename is flushed too. The file is gone on failure.
    FileStatus publish(bool syncFolder = false);

  private:
    FileStatus openNamed();
    FileStatus linkUnnamed(std::string& name);
    void discard();

    std::string prefix_;
    std::string target_, folder_, temp_;
    int fd_ = -1;
    bool unnamed_ = false;
};

// Removes the temporaries of `prefix` in `folder` that no live writer holds:
// left by a writer that was killed. A temporary that may still be in the
// making (younger than `minimumAgeSeconds` and made without its lock) stays.
void removeStaleTemporaries(const std::string& folder, const std::string& prefix,
                            double minimumAgeSeconds = 60);

// A lock held while a file is read, changed and written back, so that two
// processes changing the same file one after the other do not lose each
// other's changes. It is taken on a companion file beside the file the
// chain of links ends at (the data file itself is replaced by a rename, so
// a lock on it would be on the old file); the companion is removed again by
// the last holder.
class UpdateLock {
  public:
    UpdateLock() = default;
    ~UpdateLock();
    UpdateLock(const UpdateLock&) = delete;
    UpdateLock& operator=(const UpdateLock&) = delete;
    FileStatus lock(const std::string& path);

  private:
    std::string lockPath_;
    int fd_ = -1;
};

// The companion lock file's name for a file (exposed for tests).
std::string lockPathFor(const std::string& finalPath);

}  // namespace qel::file_replacement
