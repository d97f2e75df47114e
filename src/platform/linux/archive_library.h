// libarchive, loaded the first time a script works with an archive. Linking
// it would load it and its dependencies (the compression libraries, libxml2
// and ICU for some formats) into every run, which costs each script
// milliseconds at start-up.
#pragma once

#include <archive.h>
#include <archive_entry.h>

#include <string>

namespace qel {

// Every libarchive function the runtime calls.
#define QEL_ARCHIVE_FUNCTIONS(X)               \
    X(archive_entry_copy_hardlink)             \
    X(archive_entry_copy_pathname)             \
    X(archive_entry_copy_stat)                 \
    X(archive_entry_copy_symlink)              \
    X(archive_entry_filetype)                  \
    X(archive_entry_free)                      \
    X(archive_entry_hardlink)                  \
    X(archive_entry_new)                       \
    X(archive_entry_pathname)                  \
    X(archive_entry_pathname_utf8)             \
    X(archive_entry_size)                      \
    X(archive_entry_symlink)                   \
    X(archive_error_string)                    \
    X(archive_read_data)                       \
    X(archive_read_data_block)                 \
    X(archive_read_free)                       \
    X(archive_read_new)                        \
    X(archive_read_next_header)                \
    X(archive_read_open_filename)              \
    X(archive_read_support_filter_all)         \
    X(archive_read_support_format_7zip)        \
    X(archive_read_support_format_ar)          \
    X(archive_read_support_format_cab)         \
    X(archive_read_support_format_cpio)        \
    X(archive_read_support_format_iso9660)     \
    X(archive_read_support_format_lha)         \
    X(archive_read_support_format_rar)         \
    X(archive_read_support_format_rar5)        \
    X(archive_read_support_format_tar)         \
    X(archive_read_support_format_warc)        \
    X(archive_read_support_format_xar)         \
    X(archive_read_support_format_zip)         \
    X(archive_write_add_filter_bzip2)          \
    X(archive_write_add_filter_compress)       \
    X(archive_write_add_filter_gzip)           \
    X(archive_write_add_filter_xz)             \
    X(archive_write_close)                     \
    X(archive_write_data)                      \
    X(archive_write_data_block)                \
    X(archive_write_disk_new)                  \
    X(archive_write_disk_set_options)          \
    X(archive_write_finish_entry)              \
    X(archive_write_free)                      \
    X(archive_write_header)                    \
    X(archive_write_new)                       \
    X(archive_write_open_fd)                   \
    X(archive_write_set_format_option)         \
    X(archive_write_set_format_pax_restricted) \
    X(archive_write_set_format_zip)

struct ArchiveLibrary {
#define QEL_ARCHIVE_MEMBER(name) decltype(&::name) name = nullptr;
    QEL_ARCHIVE_FUNCTIONS(QEL_ARCHIVE_MEMBER)
#undef QEL_ARCHIVE_MEMBER
};

// The loaded library, or null with the reason in `why` when it cannot be
// loaded (it is not installed).
const ArchiveLibrary* loadArchiveLibrary(std::string& why);

// The library for code that runs only after loadArchiveLibrary succeeded
// (the archive commands ask first); loads it when it has not been yet.
const ArchiveLibrary& archiveLibrary();

}  // namespace qel
