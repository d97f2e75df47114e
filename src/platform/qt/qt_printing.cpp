#include "platform/qt/qt_printing.h"

#include <QFont>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextLayout>

#include <cstdlib>

namespace qel {

TextPrintJob::TextPrintJob() = default;
TextPrintJob::~TextPrintJob() {
    end();
}

std::string TextPrintJob::begin() {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const char* pdf = std::getenv("QEL_PRINT_PDF");
    if (pdf && *pdf) {
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setOutputFileName(QString::fromLocal8Bit(pdf));
    } else {
        QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            printer_.reset();
            return "no default printer is set up";
        }
        printer_->setPrinterName(info.printerName());
    }
    printer_->setDocName(QStringLiteral("qelscript"));
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get())) {
        painter_.reset();
        printer_.reset();
        return pdf && *pdf ? std::string("cannot write the PDF file ") + pdf
                           : "the printer did not accept the job";
    }
    QFont font = painter_->font();
    font.setPointSizeF(10.5);
    painter_->setFont(font);
    y_ = 0;
    pageUsed_ = false;
    return {};
}

void TextPrintJob::abandon() {
    if (painter_) painter_->end();
    painter_.reset();
    printer_.reset();
}

void TextPrintJob::end() {
    if (!painter_) return;
    painter_->end();
    painter_.reset();
    printer_.reset();
}

std::string TextPrintJob::print(const QString& text, bool onNewPage) {
    if (!painter_) {
        if (std::string problem = begin(); !problem.empty()) return problem;
    } else if (onNewPage && pageUsed_) {
        if (!printer_->newPage()) {
            abandon();
            return "the printer refused a new page";
        }
        y_ = 0;
        pageUsed_ = false;
    }
    const QRectF page = printer_->pageLayout().paintRectPixels(printer_->resolution());
    const double width = page.width();
    const double height = page.height();
    const QFont font = painter_->font();
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font, printer_.get());
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
        }
        layout.endLayout();
        for (int i = 0; i < layout.lineCount(); ++i) {
            QTextLine line = layout.lineAt(i);
            if (y_ + line.height() > height && pageUsed_) {
                if (!printer_->newPage()) {
                    abandon();
                    return "the printer refused a new page";
                }
                y_ = 0;
            }
            line.draw(painter_.get(), QPointF(0, y_ - line.y()));
            y_ += line.height();
            pageUsed_ = true;
        }
    }
    pageUsed_ = true;
    if (!onNewPage) {
        // Ending the painter sends the job (or writes the file).
        bool finished = painter_->end();
        painter_.reset();
        printer_.reset();
        if (!finished) return "the print job could not be finished";
    }
    return {};
}

}  // namespace qel
