#include "platform/qt/qt_printing.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "platform/qt/pdf_print_preferences.h"
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
    (void)close();
}

std::string TextPrintJob::close() {
    // Ending the painter sends the job (or writes the file).
    application_.printers().setCurrentPage(0);
    const bool finished = painter_->end();
    painter_.reset();
    std::string problem = finished ? "" : "the print job could not be finished";
    if (finished && printer_->outputFormat() == QPrinter::PdfFormat) {
        // A file cannot make copies or turn the paper over: it carries them
        // for whoever prints it.
        PdfPrintPreferences preferences;
        preferences.copies = application_.printers().copies();
        if (application_.printers().twoSided()) {
            preferences.duplex = printer_->pageLayout().orientation() == QPageLayout::Landscape
                                     ? PdfDuplex::ShortEdge
                                     : PdfDuplex::LongEdge;
        }
        problem = addPrintPreferencesToFile(printer_->outputFileName().toStdString(), preferences);
    }
    printer_.reset();
    return problem;
}

std::string TextPrintJob::print(const QString& text, bool onNewPage) {
    if (std::string problem = startOrBreak(onNewPage); !problem.empty()) return problem;
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
    return close();
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

std::string TextPrintJob::startOrBreak(bool onNewPage) {
    if (!painter_) return begin();
    if (onNewPage && pageUsed_) {
        if (!nextPage()) return "the printer refused a new page";
        pageUsed_ = false;
    }
    return {};
}

void TextPrintJob::drawSlice(QTextDocument& document, double from, double to, double at,
                             double width) {
    if (to <= from) return;
    painter_->save();
    painter_->translate(0, at - from);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(0, from, width, to - from);
    painter_->setClipRect(context.clip);
    document.documentLayout()->draw(painter_.get(), context);
    painter_->restore();
}

std::string TextPrintJob::printDocument(QTextDocument& document, bool onNewPage) {
    if (std::string problem = startOrBreak(onNewPage); !problem.empty()) return problem;
    const QRectF page = printer_->pageLayout().paintRectPixels(printer_->resolution());
    const double width = page.width() / scale_;
    const double height = page.height() / scale_;
    // Laid out for the printer, so that point sizes come out right on paper.
    document.documentLayout()->setPaintDevice(printer_.get());
    document.setDocumentMargin(0);
    document.setTextWidth(width);
    // Pages break between lines, never through one: the part of the document
    // from `sliceStart` goes on the current page at `origin`.
    double sliceStart = 0, origin = y_;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (!layout) continue;
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const double top = layout->position().y() + line.y();
            const double bottom = top + line.height();
            const bool somethingAbove = top > sliceStart || origin > 0;
            if (origin + (bottom - sliceStart) > height && somethingAbove) {
                drawSlice(document, sliceStart, top, origin, width);
                if (!nextPage()) return "the printer refused a new page";
                sliceStart = top;
                origin = 0;
            }
        }
    }
    const double end = document.documentLayout()->documentSize().height();
    drawSlice(document, sliceStart, end, origin, width);
    y_ = origin + (end - sliceStart);
    pageUsed_ = true;
    return finish(onNewPage);
}

}  // namespace qel
