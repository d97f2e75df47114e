// A PDF written in place of a printer keeps what the print job asked of the
// paper that a file cannot do itself: the number of copies and two-sided
// printing become the document's print presets (/ViewerPreferences
// /NumCopies and /Duplex), which a viewer's print dialog starts from. The
// file is changed by an incremental update appended to it, so the pages
// Qt wrote are never touched.
#pragma once

#include <string>

namespace qel {

enum class PdfDuplex { None, LongEdge, ShortEdge };

struct PdfPrintPreferences {
    int copies = 1;
    PdfDuplex duplex = PdfDuplex::None;
    // Nothing to record: the file is left as it is.
    bool plain() const { return copies <= 1 && duplex == PdfDuplex::None; }
};

// Appends the presets to the PDF in `bytes`. False, with `bytes` unchanged,
// when the file's trailer or catalog cannot be found.
bool addPrintPreferences(std::string& bytes, const PdfPrintPreferences& preferences);

// The same on a file. The reason when it could not be done, else "".
std::string addPrintPreferencesToFile(const std::string& path,
                                      const PdfPrintPreferences& preferences);

}  // namespace qel
