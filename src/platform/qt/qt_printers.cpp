#include "platform/qt/qt_printers.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <cstdlib>

#include "platform/qt/qt_text.h"
#include "text/number.h"

namespace qel {

namespace {

// The paper words scripts use; B4 and B5 are the Japanese (JIS) sizes.
struct Paper {
    TextView word;
    QPageSize::PageSizeId id;
};
constexpr Paper kPapers[] = {{u"レター", QPageSize::Letter}, {u"A3", QPageSize::A3},
                             {u"A4", QPageSize::A4},         {u"A5", QPageSize::A5},
                             {u"B4", QPageSize::JisB4},      {u"B5", QPageSize::JisB5}};

Text paperWord(const QPageSize& size) {
    for (const Paper& paper : kPapers) {
        if (size.id() == paper.id) return Text(paper.word);
    }
    return size.isValid() ? fromQString(size.key()) : Text(u"A4");
}

std::map<Text, Text> settingsOf(const QPrinterInfo* info) {
    std::map<Text, Text> s = {{u"用紙方向", u"縦"},  {u"用紙サイズ", u"A4"}, {u"モノクロ", u"0"},
                              {u"現在ページ", u"0"}, {u"両面印刷", u"0"},    {u"部数", u"1"},
                              {u"解像度", u"600"},   {u"倍率", u"100"},      {u"余白", u"0,0,0,0"}};
    if (!info) return s;
    s[u"用紙サイズ"] = paperWord(info->defaultPageSize());
    s[u"モノクロ"] = info->defaultColorMode() == QPrinter::GrayScale ? u"1" : u"0";
    s[u"両面印刷"] = info->defaultDuplexMode() == QPrinter::DuplexNone ? u"0" : u"1";
    const QList<int> resolutions = info->supportedResolutions();
    if (!resolutions.isEmpty() && !resolutions.contains(600))
        s[u"解像度"] = number::format(double(resolutions.back()));
    return s;
}

double numberOf(const std::map<Text, Text>& s, TextView name, double fallback) {
    auto it = s.find(Text(name));
    if (it == s.end()) return fallback;
    return number::parse(it->second).value_or(fallback);
}

}  // namespace

QtPrinters::QtPrinters() {
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
        printers_.push_back({fromQString(info.printerName()), fromQString(info.location())});
        settings_.push_back(settingsOf(&info));
        if (info.isDefault()) selected_ = int(printers_.size()) - 1;
    }
    if (printers_.empty()) {
        standIn_ = true;
        printers_.push_back({u"PDF", u"file:"});
        settings_.push_back(settingsOf(nullptr));
    }
}

std::optional<Text> QtPrinters::setting(int index, TextView name) const {
    if (index < 0 || index >= int(settings_.size())) return std::nullopt;
    const auto& s = settings_[std::size_t(index)];
    auto it = s.find(Text(name));
    if (it == s.end()) return std::nullopt;
    return it->second;
}

bool QtPrinters::setSetting(int index, TextView name, TextView value) {
    if (index < 0 || index >= int(settings_.size()) || name == u"現在ページ") return false;
    auto& s = settings_[std::size_t(index)];
    auto it = s.find(Text(name));
    if (it == s.end()) return false;
    it->second = Text(value);
    return true;
}

void QtPrinters::select(int index) {
    if (index >= 0 && index < int(printers_.size())) selected_ = index;
}

bool QtPrinters::selectedIsStandIn() const {
    return standIn_;
}

void QtPrinters::setCurrentPage(int page) {
    if (selected_ < int(settings_.size()))
        settings_[std::size_t(selected_)][u"現在ページ"] = number::format(double(page));
}

double QtPrinters::scale() const {
    if (selected_ >= int(settings_.size())) return 1;
    const double percent = numberOf(settings_[std::size_t(selected_)], u"倍率", 100);
    return percent > 0 ? percent / 100 : 1;
}

int QtPrinters::copies() const {
    if (selected_ >= int(settings_.size())) return 1;
    return int(std::clamp(numberOf(settings_[std::size_t(selected_)], u"部数", 1), 1.0, 9999.0));
}

bool QtPrinters::twoSided() const {
    if (selected_ >= int(settings_.size())) return false;
    return numberOf(settings_[std::size_t(selected_)], u"両面印刷", 0) != 0;
}

bool QtPrinters::apply(QPrinter& printer, std::string& why) const {
    const char* pdf = std::getenv("QEL_PRINT_PDF");
    if (pdf && *pdf) {
        // Asked for a file: whatever printer was chosen, its settings go there.
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromLocal8Bit(pdf));
    } else if (standIn_) {
        why = "no printer is set up (QEL_PRINT_PDF=FILE prints into a PDF file)";
        return false;
    } else {
        printer.setPrinterName(toQString(printers_[std::size_t(selected_)].name));
    }
    const auto& s = settings_[std::size_t(selected_)];
    printer.setPageOrientation(s.at(u"用紙方向") == u"横" ? QPageLayout::Landscape
                                                          : QPageLayout::Portrait);
    for (const Paper& paper : kPapers) {
        if (s.at(u"用紙サイズ") == paper.word) printer.setPageSize(QPageSize(paper.id));
    }
    printer.setColorMode(numberOf(s, u"モノクロ", 0) != 0 ? QPrinter::GrayScale : QPrinter::Color);
    printer.setDuplex(numberOf(s, u"両面印刷", 0) != 0 ? QPrinter::DuplexAuto
                                                       : QPrinter::DuplexNone);
    printer.setCopyCount(copies());
    printer.setResolution(int(std::clamp(numberOf(s, u"解像度", 600), 1.0, 9600.0)));
    // 余白: left, top, right, bottom in millimetres.
    double margins[4] = {0, 0, 0, 0};
    const Text& written = s.at(u"余白");
    std::size_t start = 0;
    for (double& margin : margins) {
        std::size_t comma = written.find(u',', start);
        margin = std::max(0.0, number::parse(written.substr(start, comma - start)).value_or(0));
        if (comma == Text::npos) break;
        start = comma + 1;
    }
    printer.setPageMargins(QMarginsF(margins[0], margins[1], margins[2], margins[3]),
                           QPageLayout::Millimeter);
    return true;
}

}  // namespace qel
