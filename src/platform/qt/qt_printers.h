// The printers a script sees on the desktop, and the settings it gave each
// (用紙方向, 部数 …). The list comes from Qt Print Support; a machine without
// a printer set up has one stand-in, "PDF", that prints into the file named
// by QEL_PRINT_PDF. Settings are kept per printer for the whole run and are
// applied to the QPrinter of each print job on the chosen printer.
#pragma once

#include <map>
#include <optional>
#include <vector>

#include "platform/ports/widgets.h"

class QPrinter;

namespace qel {

class QtPrinters {
  public:
    QtPrinters();

    const std::vector<PrinterInfo>& list() const { return printers_; }
    std::optional<Text> setting(int index, TextView name) const;
    // False for an index or a word that is not there, or 現在ページ (read only).
    bool setSetting(int index, TextView name, TextView value);

    // The printer the script chose (プリンタn, 番号); 0 until then.
    void select(int index);
    int selected() const { return selected_; }
    bool selectedIsStandIn() const;

    // Points the printer at the chosen printer (or the PDF file for the
    // stand-in) and applies its settings. False, with the reason, when there
    // is nowhere to print.
    bool apply(QPrinter& printer, std::string& why) const;
    // The chosen printer's 倍率 as a factor (1 = 100 %).
    double scale() const;
    // The chosen printer's 部数 and 両面印刷, as the script set them (a PDF
    // printer does not keep the two-sided wish in its QPrinter).
    int copies() const;
    bool twoSided() const;
    // The print job tells which page it is on (現在ページ; 0 with no job).
    void setCurrentPage(int page);

  private:
    std::vector<PrinterInfo> printers_;
    std::vector<std::map<Text, Text>> settings_;
    int selected_ = 0;
    bool standIn_ = false;
};

}  // namespace qel
