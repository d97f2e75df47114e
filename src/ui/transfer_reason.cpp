#include "ui/transfer_reason.h"

#include "resources/error_catalogue.h"
#include "text/number.h"

namespace qel::ui {

Text transferFaultText(const TransferResult& result) {
    switch (result.fault) {
        case TransferFault::BadAddress:
            return Text(errorEntry(ErrorId::BadAddress).message);
        case TransferFault::Unreachable:
            return u"サーバーに接続できませんでした。";
        case TransferFault::Untrusted:
            return u"サーバーの証明書を確かめられませんでした。";
        case TransferFault::LoginDenied:
            return u"ユーザー名かパスワードが違います。";
        case TransferFault::Refused:
            return result.status > 0 ? u"サーバーがエラーを返しました（" +
                                           number::format(double(result.status)) + u"）。"
                                     : Text(u"サーバーが要求を断りました。");
        case TransferFault::Stalled:
            return u"サーバーからの応答が途絶えました。";
        case TransferFault::Broken:
            return u"受信の途中で接続が切れました。";
        case TransferFault::LocalFile:
            return u"ファイルを読み書きできません。" + text::fromUtf8(result.message);
        case TransferFault::TooLarge:
            return u"応答が大きすぎます（64 MiB まで）。ファイルとして保存してください。";
        case TransferFault::Aborted:
        case TransferFault::None:
            return {};
        case TransferFault::Other:
            break;
    }
    return text::fromUtf8(result.message);
}

}  // namespace qel::ui
