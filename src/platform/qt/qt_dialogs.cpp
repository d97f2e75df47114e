// The common dialogs of 選択 on the desktop: Qt's file, folder, colour, font
// and page-setup dialogs. An answer a replayed session gave beforehand is
// taken instead, and nothing is shown.

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrinter>

#include "platform/qt/qt_host.h"
#include "platform/qt/qt_text.h"
#include "text/file_list.h"

namespace qel {

namespace {

// "テキスト" and "*.txt;*.log" as Qt writes a filter: "テキスト (*.txt *.log)".
QString nameFilter(const std::pair<Text, Text>& filter) {
    QString patterns = toQString(filter.second).trimmed();
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return toQString(filter.first) + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

// A file list as every host answers it (see JoinFileList).
Text fileList(const QStringList& files) {
    std::vector<Text> names;
    names.reserve(std::size_t(files.size()));
    for (const QString& file : files) names.push_back(fromQString(file));
    return JoinFileList(names);
}

DialogAnswer fileDialog(const DialogRequest& r) {
    QFileDialog dialog(nullptr, toQString(r.title), toQString(r.folder));
    dialog.setObjectName(QStringLiteral("qelFileDialog"));
    DialogAnswer answer;
    if (r.kind == DialogKind::Folder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        QStringList filters;
        for (const auto& filter : r.filters) filters << nameFilter(filter);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            dialog.selectNameFilter(filters.value(std::max(r.filterIndex, 1) - 1, filters[0]));
        }
        if (!r.fileName.empty()) dialog.selectFile(toQString(r.fileName));
        if (r.kind == DialogKind::Save) {
            // Qt asks before overwriting unless told not to; one file only.
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setOption(QFileDialog::DontConfirmOverwrite,
                             !(r.flags & kDialogOverwritePrompt));
            answer.checked = true;
        } else if (r.flags & kDialogFileMustExist) {
            dialog.setFileMode(r.flags & kDialogMultiSelect ? QFileDialog::ExistingFiles
                                                            : QFileDialog::ExistingFile);
            answer.checked = true;
        } else {
            // Names that need not exist: the object model checks the rest.
            dialog.setFileMode(QFileDialog::AnyFile);
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return answer;
    const QStringList files = dialog.selectedFiles();
    answer.value = r.kind == DialogKind::Folder ? fromQString(files[0]) : fileList(files);
    const int filter = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
    if (filter >= 0) answer.filterIndex = filter + 1;
    return answer;
}

// "&HRRGGBB", the form every host answers a colour in.
QColor colourOf(TextView written) {
    QString hex = toQString(written);
    if (hex.startsWith(QStringLiteral("&H"), Qt::CaseInsensitive)) hex = hex.mid(2);
    bool ok = false;
    const uint rgb = hex.toUInt(&ok, 16);
    return ok ? QColor::fromRgb(QRgb(rgb & 0xFFFFFF)) : QColor(Qt::black);
}

DialogAnswer colourDialog(const DialogRequest& r) {
    QColorDialog dialog(colourOf(r.current));
    dialog.setWindowTitle(toQString(r.title));
    DialogAnswer answer;
    if (dialog.exec() != QDialog::Accepted) return answer;
    answer.value =
        fromQString(QStringLiteral("&H%1")
                        .arg(dialog.currentColor().rgb() & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                        .toUpper());
    return answer;
}

// "name,size[,太字][,斜体][,下線][,取り消し線]" both ways.
QFont fontOf(TextView written) {
    const QStringList parts = toQString(written).split(QLatin1Char(','));
    QFont font(parts.value(0).trimmed());
    bool ok = false;
    const double size = parts.value(1).trimmed().toDouble(&ok);
    if (ok && size > 0) font.setPointSizeF(size);
    for (const QString& part : parts.mid(2)) {
        const QString style = part.trimmed();
        if (style == QStringLiteral("太字")) font.setBold(true);
        if (style == QStringLiteral("斜体")) font.setItalic(true);
        if (style == QStringLiteral("下線")) font.setUnderline(true);
        if (style == QStringLiteral("取り消し線")) font.setStrikeOut(true);
    }
    return font;
}

Text fontText(const QFont& font) {
    QString t = font.family() + QLatin1Char(',') + QString::number(font.pointSizeF());
    if (font.bold()) t += QStringLiteral(",太字");
    if (font.italic()) t += QStringLiteral(",斜体");
    if (font.underline()) t += QStringLiteral(",下線");
    if (font.strikeOut()) t += QStringLiteral(",取り消し線");
    return fromQString(t);
}

DialogAnswer fontDialog(const DialogRequest& r) {
    QFontDialog dialog(fontOf(r.current));
    dialog.setWindowTitle(toQString(r.title));
    QFontDialog::FontDialogOptions options;
    if (r.flags & kDialogFixedPitchFonts) options |= QFontDialog::MonospacedFonts;
    if (r.flags & kDialogScalableFonts) options |= QFontDialog::ScalableFonts;
    dialog.setOptions(options);
    DialogAnswer answer;
    if (dialog.exec() != QDialog::Accepted) return answer;
    answer.value = fontText(dialog.currentFont());
    return answer;
}

// Margins "left,top,right,bottom" in millimetres both ways.
DialogAnswer pageSetupDialog(const DialogRequest& r) {
    QPrinter printer;
    const QStringList parts = toQString(r.current).split(QLatin1Char(','));
    if (parts.size() == 4) {
        printer.setPageMargins(QMarginsF(parts[0].toDouble(), parts[1].toDouble(),
                                         parts[2].toDouble(), parts[3].toDouble()),
                               QPageLayout::Millimeter);
    }
    QPageSetupDialog dialog(&printer);
    dialog.setWindowTitle(toQString(r.title));
    DialogAnswer answer;
    if (dialog.exec() != QDialog::Accepted) return answer;
    const QMarginsF m = printer.pageLayout().margins(QPageLayout::Millimeter);
    answer.value = fromQString(QStringLiteral("%1,%2,%3,%4")
                                   .arg(qRound(m.left()))
                                   .arg(qRound(m.top()))
                                   .arg(qRound(m.right()))
                                   .arg(qRound(m.bottom())));
    return answer;
}

}  // namespace

DialogAnswer QtHost::chooseInDialog(const DialogRequest& request) {
    if (request.preset) {
        DialogAnswer answer;
        answer.value = *request.preset;
        return answer;
    }
    switch (request.kind) {
        case DialogKind::Open:
        case DialogKind::Save:
        case DialogKind::Folder:
            return fileDialog(request);
        case DialogKind::Colour:
            return colourDialog(request);
        case DialogKind::Font:
            return fontDialog(request);
        case DialogKind::PageSetup:
            return pageSetupDialog(request);
    }
    return {};
}

}  // namespace qel
