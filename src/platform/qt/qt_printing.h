// Printing text on the chosen printer, one job at a time: pages are added
// until the job is ended. QEL_PRINT_PDF=FILE makes the "printer" a PDF file
// (tests, and machines without a printer).
#pragma once

#include <memory>
#include <string>

#include <QString>

class QImage;
class QPainter;
class QPrinter;
class QTextDocument;

namespace qel {

class QtApplication;

class TextPrintJob {
  public:
    // Jobs go to the printer the script chose, with its settings.
    explicit TextPrintJob(QtApplication& application);
    ~TextPrintJob();
    // Prints the lines (long ones wrapped at the page width, new pages as they
    // fill): on a new page when asked (the job then stays open), else below
    // what the job holds, ending it. Returns why it failed, else "".
    std::string print(const QString& text, bool onNewPage);
    // Prints a picture on a page of its own, scaled to fill the printable
    // area with its proportions kept; the job ends or stays open as above.
    std::string printImage(const QImage& image, bool onNewPage);
    // Prints a formatted document the width of the page, flowing onto new
    // pages between its lines; placed and ended as print() does.
    std::string printDocument(QTextDocument& document, bool onNewPage);
    void end();
    bool open() const { return painter_ != nullptr; }

  private:
    std::string begin();
    void abandon();
    bool nextPage();  // false (and the job abandoned) when refused
    std::string finish(bool keepOpen);
    std::string close();
    std::string startOrBreak(bool onNewPage);
    void drawSlice(QTextDocument& document, double from, double to, double at, double width);

    QtApplication& application_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
    double y_ = 0;
    double scale_ = 1;
    int page_ = 0;
    bool pageUsed_ = false;
};

}  // namespace qel
