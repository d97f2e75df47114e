// The printer and drive objects: the printer's settings are the host's, a
// drive is a mounted file system.
#include <algorithm>
#include <cmath>

#include "ui/property_support.h"

namespace qel::ui {

namespace {

// ---- printers --------------------------------------------------------------------------

enum PrinterId {
    Orientation,
    PaperSize,
    Name,
    Port,
    Mono,
    Page,
    Duplex,
    Copies,
    Resolution,
    Scale,
    Margins,
    All,
    Number
};
// clang-format off
constexpr PropertyName kPrinterNames[] = {
    {u"用紙方向", Orientation}, {u"用紙サイズ", PaperSize}, {u"プリンタ名", Name},
    {u"ポート", Port}, {u"モノクロ", Mono}, {u"現在ページ", Page}, {u"両面印刷", Duplex},
    {u"部数", Copies}, {u"解像度", Resolution}, {u"倍率", Scale}, {u"余白", Margins},
    {u"一覧", All}, {u"番号", Number},
};
// clang-format on

// The setting's word in the host's store (the first name of its row).
TextView settingWord(int id) {
    for (const PropertyName& row : kPrinterNames) {
        if (row.id == id) return row.name;
    }
    return {};
}

void printerSetting(PropertyContext& c, int id, Text value) {
    WidgetPort& p = port(c);
    const int index = c.object.printerIndex;
    if (c.getting()) {
        c.result.value = p.printerSetting(index, settingWord(id)).value_or(Text());
        return;
    }
    if (!p.setPrinterSetting(index, settingWord(id), value)) reportBadValue(c);
}

void printer(PropertyContext& c, int id) {
    WidgetPort& p = port(c);
    std::vector<PrinterInfo> printers = p.printers();
    const int index = c.object.printerIndex;
    switch (PrinterId(id)) {
        case Orientation:
            if (!c.getting()) {
                auto n = wordNumber(c, {u"縦", u"横"});
                if (!n) return;
                return printerSetting(c, id, *n == 0 ? u"縦" : u"横");
            }
            return printerSetting(c, id, {});
        case PaperSize: {
            if (c.getting()) return printerSetting(c, id, {});
            Text size = text::toUpperAscii(text::toHalfWidth(c.request.text));
            static constexpr TextView kSizes[] = {u"レター", u"A3", u"A4", u"A5", u"B4", u"B5"};
            Text narrowLetter = text::toHalfWidth(u"レター");
            if (size == narrowLetter) size = u"レター";
            if (std::find(std::begin(kSizes), std::end(kSizes), TextView(size)) == std::end(kSizes))
                return reportBadValue(c);
            return printerSetting(c, id, size);
        }
        case Name:
            return readOnly(
                c, index < int(printers.size()) ? printers[std::size_t(index)].name : Text());
        case Port:
            return readOnly(
                c, index < int(printers.size()) ? printers[std::size_t(index)].port : Text());
        case Page:
            if (!c.getting()) return c.result.notWritable = true, void();
            return printerSetting(c, id, {});
        case Mono:
        case Duplex:
            return printerSetting(c, id, c.request.number != 0 ? u"1" : u"0");
        case Copies:
        case Resolution:
        case Scale: {
            // What printer drivers take: copies up to 9999, dots per inch up
            // to 9600, a scale of 1 % to 1000 % (whole numbers).
            const double most = id == Copies ? 9999 : id == Resolution ? 9600 : 1000;
            const double n = std::round(c.request.number);
            if (!c.getting() && !(n >= 1 && n <= most)) return reportBadValue(c);
            return printerSetting(c, id, number::format(n));
        }
        case Margins: {
            if (c.getting()) return printerSetting(c, id, {});
            std::vector<Text> parts = listParts(c);
            if (parts.size() != 4) return reportBadValue(c);
            Text joined;
            for (const Text& part : parts) {
                // Millimetres from each edge; a page has no negative margin.
                double mm = number::toNumber(text::toHalfWidth(part));
                if (!(mm >= 0 && mm <= 1000)) return reportBadValue(c);
                if (!joined.empty()) joined += u",";
                joined += number::format(mm);
            }
            return printerSetting(c, id, joined);
        }
        case All: {
            std::vector<Text> names;
            for (const PrinterInfo& info : printers) names.push_back(info.name);
            return readOnly(c, text::join(names, u","));
        }
        case Number:
            if (c.getting()) {
                c.result.value = number::format(double(c.model.currentPrinter + 1));
                return;
            }
            if (c.request.number < 1 || c.request.number > double(printers.size()))
                return c.engine.Report(ErrorId::BadPrinterNumber), void();
            c.model.currentPrinter = int(c.request.number) - 1;
            p.selectPrinter(c.model.currentPrinter);
            return;
    }
}

// ---- drives ----------------------------------------------------------------------------

enum DriveId { Total, Label, Free, Kind, Ready, FileSystemType, DriveName };
// clang-format off
constexpr PropertyName kDriveNames[] = {
    {u"合計サイズ", Total}, {u"合計容量", Total}, {u"ボリュームラベル", Label},
    {u"空き容量", Free}, {u"空き領域", Free}, {u"種類", Kind}, {u"状態", Ready},
    {u"ファイルシステム", FileSystemType}, {u"ドライブ名", DriveName},
};
// clang-format on

// The mount point a drive names: its path (/, /home …), matched exactly.
std::optional<MountPoint> mountOf(PropertyContext& c) {
    std::string want = text::toUtf8(c.object.rare().drivePath);
    if (want.empty() || want.back() != '/') want += '/';
    for (const MountPoint& mount : c.engine.files().mountPoints()) {
        if (mount.path == want) return mount;
    }
    return std::nullopt;
}

Text driveKind(const MountPoint& mount) {
    const std::string& type = mount.type;
    if (type == "iso9660" || type == "udf") return u"CD-ROM";
    if (type == "nfs" || type == "nfs4" || type == "cifs" || type == "smb3" || type == "smbfs" ||
        type == "fuse.sshfs" || type == "9p")
        return u"ネットワーク";
    if (mount.path.rfind("/media/", 0) == 0 || mount.path.rfind("/run/media/", 0) == 0)
        return u"リムーバブル";
    return u"固定";
}

void drive(PropertyContext& c, int id) {
    if (!c.getting()) return c.result.notWritable = true, void();
    auto mount = mountOf(c);
    if (id == Ready) return readOnly(c, mount ? u"1" : u"0");
    if (id == DriveName) return readOnly(c, c.object.rare().drivePath);
    if (!mount)
        return c.engine.Report(ErrorId::ObjectNotFound, u"ドライブ" + c.object.rare().drivePath),
               void();
    switch (DriveId(id)) {
        case Total:
        case Free: {
            auto space = c.engine.files().diskSpace(mount->path);
            if (!space) return readOnly(c, Text());
            return readOnly(c, number::format(double(id == Total ? space->total : space->free)));
        }
        case Label: {
            std::string path = mount->path;
            if (path.size() > 1) path.pop_back();
            return readOnly(c, text::fromUtf8(path.substr(path.rfind('/') + 1)));
        }
        case Kind:
            return readOnly(c, driveKind(*mount));
        case FileSystemType:
            return readOnly(c, text::fromUtf8(mount->type));
        default:
            return;
    }
}

}  // namespace

const PropertyFamily kPrinterProperties{kPrinterNames, printer};
const PropertyFamily kDriveProperties{kDriveNames, drive};

}  // namespace qel::ui
