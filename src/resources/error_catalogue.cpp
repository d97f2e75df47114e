// The rows of the error catalogue, one per ErrorId and in its order. The
// first rows are the language's own message table, which hosts read by number
// (resources::messageTableSource); the rest are texts given where the error
// happens, with the numbers of the language or of this runtime.
#include "resources/error_catalogue.h"

#include <string>

namespace qel {
namespace {

constexpr ErrorIcon Stop = ErrorIcon::Stop;
constexpr ErrorIcon Question = ErrorIcon::Question;
constexpr ErrorIcon Warning = ErrorIcon::Warning;
constexpr ErrorIcon Information = ErrorIcon::Information;
constexpr bool kTable = true;

// clang-format off
constexpr ErrorEntry kCatalogue[] = {
    {ErrorId::UnknownCommand, 1, Information, u"知らない命令です。\\n命令が正しいか確認してください。\\n%1", kTable},
    {ErrorId::IfSyntax, 2, Warning, u"もし命令の文法が間違っています。「なら」の前後を確認してください。", kTable},
    {ErrorId::ConditionUnreadable, 3, Warning, u"判断式が判別できませんでした。\\nリファレンスを参照して、正しく式を書いているか確認してください。", kTable},
    {ErrorId::NumberOutOfRange, 4, Warning, u"関数で指定している数字が正しくありません。\\n数字が有効範囲を越えていないか確認して下さい。%1", kTable},
    {ErrorId::NegativeNumber, 5, Warning, u"指定した数字がマイナスになっています。\\n数字が正しいか確認して下さい。\\n\\n%1", kTable},
    {ErrorId::FunctionOrArrayNotFound, 6, Information, u"「%1」という関数または配列は、見つかりません。", kTable},
    {ErrorId::SpaceMissing, 7, Information, u"文法が正しくありません。スペースがありません。", kTable},
    {ErrorId::BadNumber, 8, Warning, u"数値が正しくありません。\\n%1", kTable},
    {ErrorId::NoSuchRow, 9, Warning, u"指定した行がありません。\\n%1行目", kTable},
    {ErrorId::NoSuchColumn, 10, Warning, u"指定した列がありません。\\n%1列目", kTable},
    {ErrorId::NumberTooLarge, 11, Warning, u"数値が大きすぎます", kTable},
    {ErrorId::AssignToCommand, 12, Stop, u"%1は、命令ですので文字や数字を代入できません", kTable},
    {ErrorId::SeparatorsMissing, 21, Warning, u"\"、\"か\"，\"の数が足りません。\\n命令の実行に必要な情報がすべて指定されていないようです。\\nヘルプで正しく命令しているか確認してください。", kTable},
    {ErrorId::QuoteBracketsMissing, 22, Warning, u"\"「」\"がありません。", kTable},
    {ErrorId::ClosingParenthesisMissing, 23, Warning, u"\"）\"がありません。", kTable},
    {ErrorId::IfEndMissing, 24, Information, u"「もし終わり」がありません。", kTable},
    {ErrorId::DictionaryVariableMissing, 25, Warning, u"辞書の情報を入れる変数を指定して下さい。", kTable},
    {ErrorId::RegistryWriteFailed, 26, Stop, u"レジストリの書き込みに失敗しました\\n%1", kTable},
    {ErrorId::InputMethodRequired, 27, Warning, u"この機能を利用するにはMS-IME98が必要です\\n%1", kTable},
    {ErrorId::PatternsUnavailable, 28, Stop, u"正規表現を使うには、インターネットエクスプローラ5.0以上が必要です。", kTable},
    {ErrorId::LabelNotFound, 29, Stop, u"%1というラベルが見つかりません。", kTable},
    {ErrorId::RegistryDeleteFailed, 30, Warning, u"レジストリの項目を削除できませんでした。\\nキーが不正です。\\n%1", kTable},
    {ErrorId::IndexOutOfRange, 31, Warning, u"数字が範囲を越えているか、正しくありません", kTable},
    {ErrorId::RegistryKeyWrong, 32, Warning, u"キーが正しくありません。\\nキーを指定するときは「 」をつける必要があります。\\n%1", kTable},
    {ErrorId::AssignToFunction, 33, Stop, u"%1は関数ですので関数自体に代入できません", kTable},
    {ErrorId::FunctionArgumentsMissing, 34, Warning, u"関数に必要な情報（引数）が不足しています。", kTable},
    {ErrorId::CommandArgumentsMissing, 35, Warning, u"命令に必要な情報（助詞・引数）が不足しています。", kTable},
    {ErrorId::CommandNumberMissing, 36, Information, u"命令に必要な数値が正しく入力されていません。", kTable},
    {ErrorId::NegativeArrayIndex, 37, Warning, u"配列の番号には、0より下を指定することはできません。", kTable},
    {ErrorId::BadPattern, 38, Stop, u"正規表現が正しくありません。エラー番号:%1", kTable},
    {ErrorId::SettingsFileWriteFailed, 39, Stop, u"設定ファイルへの書き込みが失敗しました。", kTable},
    {ErrorId::ValueRequired, 40, Warning, u"%1を指定してください。", kTable},
    {ErrorId::ValueNotRight, 41, Warning, u"%1を正しく指定してください。", kTable},
    {ErrorId::SwitchEndMissing, 42, Warning, u"分岐終わりがありません。", kTable},
    {ErrorId::UnknownFault, 999, Stop, u"原因が不明なエラーです。\\n%1", kTable},
    {ErrorId::BadObjectToDelete, 101, Warning, u"消すオブジェクトが正しくありません。", kTable},
    {ErrorId::NoSuchSetting, 102, Warning, u"%1と言う設定項目は、ありません。", kTable},
    {ErrorId::NoSuchObjectKind, 103, Warning, u"「%1」と言うオブジェクトはありません。\\nオブジェクトを作成できません。", kTable},
    {ErrorId::ObjectNotFound, 104, Warning, u"「%1」と言うオブジェクトは見つかりません。", kTable},
    {ErrorId::ObjectRequired, 105, Information, u"オブジェクトを指定してください。", kTable},
    {ErrorId::CannotSelect, 106, Warning, u"「%1」は、選択できません。", kTable},
    {ErrorId::PanelNumberRequired, 107, Warning, u"パネルの番号を指定してください。", kTable},
    {ErrorId::NoSuchItem, 108, Warning, u"「%1」と言う項目は、ありません。", kTable},
    {ErrorId::NotFound, 201, Stop, u"%1が見つかりません。", kTable},
    {ErrorId::BadOrReadOnlyFolder, 202, Stop, u"フォルダ名が不正です。または読み込み専用になっています。\\n%1", kTable},
    {ErrorId::CannotSave, 203, Stop, u"ファイルへ保存できません。\\n%1", kTable},
    {ErrorId::FileNotFoundQuoteHint, 204, Stop, u"%1が見つかりません。\\nファイル名に「\\」が含まれる場合カッコ（「 」）でファイル名を囲う必要があります。", kTable},
    {ErrorId::CannotCompressAs, 205, Stop, u"%1形式の圧縮はできません。", kTable},
    {ErrorId::ArchiveTypeUnknown, 206, Stop, u"圧縮形式が不明です。拡張子を指定してください。", kTable},
    {ErrorId::CompressFailed, 207, Stop, u"圧縮時にエラーが発生しました。\\n%1", kTable},
    {ErrorId::ExtractFailed, 208, Stop, u"解凍時にエラーが発生しました。\\n%1", kTable},
    {ErrorId::NotAProgram, 209, Stop, u"アプリケーション以外のファイルを\"起動\"できません。\\n%1", kTable},
    {ErrorId::CannotOpen, 210, Warning, u"%1を開くことができません。\\n%1", kTable},
    {ErrorId::BadFolderName, 211, Warning, u"フォルダ名が正しくありません。\\n%1", kTable},
    {ErrorId::ShortcutFailed, 212, Warning, u"ショートカットを作成できませんでした。\\nファイル名が「 」で囲まれているか確認してください。", kTable},
    {ErrorId::CannotPrint, 301, Stop, u"プリンタへ印刷できません。\\n%1", kTable},
    {ErrorId::ObjectCannotPrint, 302, Warning, u"%1は、印刷に対応していません。\\n印刷に対応したオブジェクトで印刷してください。", kTable},
    {ErrorId::BadPrinterNumber, 303, Warning, u"プリンタ番号が正しくありません。", kTable},
    {ErrorId::Mp3LibraryMissing, 401, Stop, u"vbmp3.dllが見つかりません。", kTable},
    {ErrorId::Mp3PlaybackFailed, 402, Warning, u"MP3再生エラー : %1", kTable},
    {ErrorId::Mp3SettingFailed, 403, Warning, u"MP3の設定を変更できませんでした。", kTable},
    {ErrorId::MediaCommandFailed, 499, Stop, u"MCIでエラーが発生しました。MCI構文が違うかデバイスに問題があります。%1", kTable},
    {ErrorId::SaveTargetRequired, 501, Stop, u"保存する対象を指定して下さい。", kTable},
    {ErrorId::PngReadFailed, 502, Stop, u"PNGファイルの読み出しに失敗しました。\\n%1", kTable},
    {ErrorId::LibraryFileNotFound, 601, Warning, u"DLLファイル　%1が見つかりません。", kTable},
    {ErrorId::LibraryFunctionNotFound, 602, Warning, u"DLL関数　%1が見つかりません。", kTable},
    {ErrorId::PluginUnavailable, 603, Stop, u"プラグインが利用できません。\\nプログラム名([プロジェクト名].[クラス名])が正しいか確認してください。\\n%1", kTable},
    {ErrorId::LibraryCallFailed, 604, Stop, u"DLLの呼び出しがうまくできませんでした。", kTable},
    {ErrorId::ReservedCommandName, 605, Warning, u"Qelオリジナルの命令名で宣言することはできません。", kTable},
    {ErrorId::PluginNotFound, 606, Stop, u"プラグイン「%1」が見つかりません。", kTable},
    {ErrorId::NotAPlugin, 607, Stop, u"指定したクラス「%1」は、Qelvaneプラグインではありません。", kTable},
    {ErrorId::PluginNotAControl, 608, Stop, u"このプラグインは、コントロールタイプではありません。\\nオブジェクトを作成できません。", kTable},
    {ErrorId::FtpConnectFailed, 701, Stop, u"FTPサーバに接続できませんでした。", kTable},
    {ErrorId::FtpUploadFailed, 702, Stop, u"FTPのアップロードに失敗しました。", kTable},
    {ErrorId::DownloadFailed, 703, Stop, u"%1をダウンロードできませんでした。", kTable},
    {ErrorId::ProtectionRefused, 99, Stop, u"保護機能が有効です。現在の設定では、以下の命令を実行できません。\\n%1", kTable},

    // Given without a number (エラー番号 reads 0).
    {ErrorId::OpeningParenthesesMissing, kUnnumbered, Information, u"（が%1ヶ所不足しています"},
    {ErrorId::ClosingParenthesesMissing, kUnnumbered, Information, u"）が%1ヶ所不足しています"},
    {ErrorId::ProtectionKeyDamaged, kUnnumbered, Information, u"保護機能の設定が壊れています。"},
    {ErrorId::VariableHoldsNothing, kUnnumbered, Question, u"%1は、変数ですが何も保存されていません"},
    {ErrorId::ImmediateVerbSpelling, kUnnumbered, Warning, u"「すぐに%1」を「すぐ%1」へ変更してください。"},
    {ErrorId::SettingPartsMissing, kUnnumbered, Warning, u"設定に必要な情報が不足しています。"},
    {ErrorId::NumericOverflow, 90, Warning, u"有効桁数をオーバーしています。\\n整数のみ指定可能な場合は10桁、小数は15桁まで有効です"},
    {ErrorId::LoopSyntax, 91, Information, u"「もし」または「繰り返せ」の文法が正しくありません。"},
    {ErrorId::NameAlreadyUsed, 299, Stop, u"%1は、すでに利用されています。"},
    // The host's own text (its エラー event).
    {ErrorId::HostReported, 699, Warning, u""},

    {ErrorId::MessageNotSent, 92, Warning, u"プログラム間通信のメッセージを送信できません。\\n%1"},
    {ErrorId::KeysNotSent, 93, Warning, u"キー入力を送ることができません。\\n%1"},
    {ErrorId::WindowNotFound, 94, Warning, u"「%1」というウィンドウが見つかりません。"},
    {ErrorId::PatternTooComplex, 95, Stop, u"正規表現が複雑すぎるため、この文字列との照合を終えられません。\\n正規表現を簡単にするか、文字列を短くしてください。\\n%1"},
    {ErrorId::SettingsStoreDamaged, 901, Stop, u"設定の保存ファイルが壊れているため、設定を読み書きできません。\\nファイルを直すか、削除してください。\\n%1"},
    {ErrorId::CommentNotClosed, 911, Information, u"コメントの終了記号「*/」がありません。"},
    {ErrorId::BadProcedureName, 912, Warning, u"指定できない文字が含まれています。\\n%1"},
    {ErrorId::BadParameterList, 913, Warning, u"手順の（ ）で囲まれた必要な情報の指定が正しくありません。"},
    {ErrorId::FunctionTakesNoArguments, 914, Warning, u"オリジナル関数「%1」は、必要な情報(引数)が定義されていません。\\nオリジナル関数に情報を指定したい場合は、手順名の後に（ ）を使って必要な情報を指定してください。"},
    {ErrorId::CommandTakesNoArguments, 915, Warning, u"オリジナル命令「%1」は、必要な情報(引数)が定義されていません。\\nオリジナル命令に情報を指定したい場合は、手順名の後に（ ）を使って必要な情報を指定してください。"},
    {ErrorId::FilesNestedTooDeep, 916, Warning, u"処理の入れ子が深すぎるため、これ以上実行できません。\\n実行や参照で開いたファイルが64段を超えて重なりました。ファイルが終わりなく自分自身を実行していないか確認してください。\\n%1"},
    {ErrorId::BracketsNestedTooDeep, 917, Warning, u"式の括弧の入れ子が深すぎるため、これ以上実行できません。\\n括弧の入れ子は%1段までです。"},
    {ErrorId::BadColumnNumber, 921, Information, u"列番号が正しくありません。"},
    {ErrorId::BadBinaryList, 922, Information, u"バイナリ配列が正しくありません。\\nバイナリ配列は10進数で指定してください。"},
    {ErrorId::ChannelNotOpen, 931, Warning, u"Qelvaneプログラム間通信が有効ではありません。"},
    {ErrorId::BadAddress, 932, Stop, u"アドレスの指定が正しくありません。"},
    {ErrorId::ThatUnknown, 941, Information, u"「その」が何を表すか分かりません。\\n「使う」命令を使ってください。"},
    {ErrorId::ThisUnknown, 942, Information, u"「この」が何を表すか分かりません。\\n「～について」命令を使ってください。"},
    {ErrorId::TopicNotInUse, 943, Information, u"「～について」が使われていません。"},
    {ErrorId::ObjectNumberOrAliasRequired, 944, Information, u"オブジェクトの番号または別名を指定してください。"},
    {ErrorId::ReadOnlyProperty, 945, Information, u"%1は取得のみ可能な設定項目です。"},
    {ErrorId::WriteOnlyProperty, 109, Information, u"%1は設定のみ可能な設定項目です。"},
    {ErrorId::TimerIntervalTooLong, 946, Warning, u"タイマーの間隔は、１分以下です。"},
    {ErrorId::TimerIntervalNegative, 947, Warning, u"間隔の値が正しくありません。"},
    {ErrorId::PropertyNotSupported, 948, Information, u"このオブジェクトでは、対応していない設定項目です。\\n%1"},
    {ErrorId::ContentTooLarge, 949, Warning, u"64KB以上の内容は代入できません"},
    {ErrorId::ColourUnreadable, 950, Warning, u"「%1」は、色として使えません。\\n色の名前、0～22の色番号、&hで始まる16進数、#で始まる数のどれかで指定してください。"},
    {ErrorId::BranchTooDeep, 953, Warning, u"枝の深さは%1までです。"},
    {ErrorId::PictureUnreadable, 954, Warning, u"絵のファイルを読み込めません。\\n%1"},
    {ErrorId::NotBuiltYet, 997, Warning, u"「%1」は、このビルドではまだ使えません。"},
    {ErrorId::NestingTooDeep, 998, Warning, u"処理の入れ子が深すぎるため、これ以上実行できません。\\n手順が終わりなく自分自身を呼び出していないか確認してください。\\n%1"},
    {ErrorId::MenuItemRequired, kUnnumbered, Warning, u"メニューの項目を指定してください。"},
    {ErrorId::ShortcutKeyWrong, kUnnumbered, Information, u"ショートカットキーが正しくありません。"},
    {ErrorId::MenuProcedureNeedsWindowName, kUnnumbered, Warning, u"メニューの手順には、必ずウィンドウ名をつけてください。\\n例:%1"},
    {ErrorId::MenusNestedTooDeep, 951, Warning, u"メニューの階層が深すぎます。\\nサブメニューは%1段までです。"},
    {ErrorId::SubMenuWithoutMenu, 952, Warning, u"サブメニュー%1を付けるメニューがありません。\\n先に「メニュー」を作ってください。"},
    {ErrorId::NativeNameAlreadyDeclared, kUnnumbered, Information, u"すでに同じ名前が利用されています。\\n%1"},
    {ErrorId::ImagesFirst, kUnnumbered, Warning, u"画像を追加してから変更してください"},
};
// clang-format on

constexpr bool rowsFollowTheIdentifiers() {
    for (std::size_t i = 0; i < std::size(kCatalogue); ++i) {
        if (kCatalogue[i].id != ErrorId(i)) return false;
    }
    return true;
}
static_assert(rowsFollowTheIdentifiers(), "each ErrorId has its row, in the order of the enum");

Text buildMessageTable() {
    Text table;
    for (const ErrorEntry& entry : kCatalogue) {
        if (!entry.inMessageTable) continue;
        if (!table.empty()) table += u'\n';
        for (char c : std::to_string(entry.number)) table += char16_t(c);
        table += u'=';
        table += entry.message;
    }
    return table;
}

}  // namespace

const ErrorEntry& errorEntry(ErrorId id) {
    return kCatalogue[std::size_t(id)];
}

std::span<const ErrorEntry> errorCatalogue() {
    return kCatalogue;
}

namespace resources {

TextView messageTableSource() {
    static const Text table = buildMessageTable();
    return table;
}

}  // namespace resources
}  // namespace qel
