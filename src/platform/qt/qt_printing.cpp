#include "platform/qt/qt_printing.h"

#include <QFont>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

#include "platform/qt/qt_application.h"
#include "platform/qt/qt_printers.h"

#include <cstdlib>

namespace qel {

TextPrintJob::TextPrintJob(QtApplication& application) : application_(application) {}
TextPrintJob::~TextPrintJob() {
    end();
}

std::string TextPrintJob::begin() {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const char* pdf = std::getenv("QEL_PRINT_PDF");
    std::string why;
    if (!application_.printers().apply(*printer_, why)) {
        printer_.reset();
        return why;
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
    // 倍率 enlarges or shrinks everything drawn; the page holds less or more.
    scale_ = application_.printers().scale();
    painter_->scale(scale_, scale_);
    y_ = 0;
    pageUsed_ = false;
    page_ = 1;
    application_.printers().setCurrentPage(page_);
    return {};
}

bool TextPrintJob::nextPage() {
    if (!printer_->newPage()) {
        abandon();
        return false;
    }
    y_ = 0;
    application_.printers().setCurrentPage(++page_);
    return true;
}

void TextPrintJob::abandon() {
    application_.printers().setCurrentPage(0);
    if (painter_) painter_->end();
    painter_.reset();
    printer_.reset();
}

void TextPrintJob::end() {
    if (!painter_) return;
    application_.printers().setCurrentPage(0);
    painter_->end();
    painter_.reset();
    printer_.reset();
}

std::string TextPrintJob::print(const QString& text, bool onNewPage) {
    if (!painter_) {
        if (std::string problem = begin(); !problem.empty()) return problem;
    } else if (onNewPage && pageUsed_) {
        if (!nextPage()) return "the printer refused a new page";
        pageUsed_ = false;
    }
    const QRectF page = printer_->pageLayout().paintRectPixels(printer_->resolution());
    const double width = page.width() / scale_;
    const double height = page.height() / scale_;
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
                if (!nextPage()) return "the printer refused a new page";
            }
            line.draw(painter_.get(), QPointF(0, y_ - line.y()));
            y_ += line.height();
            pageUsed_ = true;
        }
    }
    pageUsed_ = true;
    return finish(onNewPage);
}

std::string TextPrintJob::finish(bool keepOpen) {
    if (keepOpen) return {};
    // Ending the painter sends the job (or writes the file).
    application_.printers().setCurrentPage(0);
    bool finished = painter_->end();
    painter_.reset();
    printer_.reset();
    if (!finished) return "the print job could not be finished";
    return {};
}

std::string TextPrintJob::printImage(const QImage& image, bool onNewPage) {
    if (image.isNull()) return "there is nothing to print";
    if (!painter_) {
        if (std::string problem = begin(); !problem.empty()) return problem;
    } else if (pageUsed_) {
        if (!nextPage()) return "the printer refused a new page";
    }
    const QRectF page = printer_->pageLayout().paintRectPixels(printer_->resolution());
    const QSizeF area(page.width() / scale_, page.height() / scale_);
    QSizeF size = QSizeF(image.size());
    size.scale(area, Qt::KeepAspectRatio);
    painter_->save();
    painter_->setRenderHint(QPainter::SmoothPixmapTransform);
    painter_->drawImage(QRectF(QPointF(0, 0), size), image);
    painter_->restore();
    y_ = area.height();
    pageUsed_ = true;
    return finish(onNewPage);
}

}  // namespace qel
