// The runtime's own words in English and Japanese. A message is written in
// English at its call site and looked up here, so a message without a
// translation still reaches the user, in English.
#include "startup/messages.h"

#include <cstdlib>
#include <string>
#include <unordered_map>

namespace qel {

namespace {

constexpr Translation kTranslations[] = {
    {"option {} needs a value", "オプション {} には値が要ります"},
    {"option --screenshot needs a folder", "オプション --screenshot にはフォルダが要ります"},
    {"option --record-midi needs a file", "オプション --record-midi にはファイルが要ります"},
    {"option --events needs a file", "オプション --events にはファイルが要ります"},
    {"option --run-attached needs a file", "オプション --run-attached にはファイルが要ります"},
    {"unknown option {}", "知らないオプションです: {}"},
    {"option --build needs an output file (-o FILE)",
     "オプション --build には出力するファイル（-o ファイル）が要ります"},
    {"options -o, --attach, --title, --icon and --desktop-entry belong to --build",
     "オプション -o、--attach、--title、--icon、--desktop-entry は --build と使います"},
    {"Try 'qelscript --help'.", "使い方は「qelscript --help」で見られます。"},
    {"the transcript file {} is the script file itself",
     "記録のファイル {} はスクリプトのファイルそのものです"},
    {"the answers file {} is the script file itself",
     "答えのファイル {} はスクリプトのファイルそのものです"},
    {"the transcript file {} is the answers file", "記録のファイル {} は答えのファイルです"},
    {"cannot write to standard output", "標準出力に書けません"},
    {"out of memory; the script was stopped", "メモリが足りません。スクリプトを止めました"},
    {"{}; using the console", "{}。コンソールで実行します"},
    {"--screenshot needs a display (or QT_QPA_PLATFORM=offscreen); no pictures are taken",
     "--screenshot には画面（または QT_QPA_PLATFORM=offscreen）が要ります。絵は保存しません"},
    {"cannot make a private folder for the attached files in {}",
     "{} に添付ファイルのための専用のフォルダを作れません"},
    {"no script file given", "スクリプトのファイルが指定されていません"},
    {"cannot read the script file {}", "スクリプトのファイル {} を読めません"},
    {"cannot read the events file {}", "操作のファイル {} を読めません"},
    {"cannot attach {}: not a readable file", "{} を添付できません：読めるファイルではありません"},
    {"the output file {} is an attached file", "出力するファイル {} は添付するファイルの一つです"},
    {"cannot use the icon {}: not a readable file",
     "アイコン {} を使えません：読めるファイルではありません"},
    {"cannot read the runtime {}", "実行環境 {} を読めません"},
    {"copied the desktop module to {}", "デスクトップのモジュールを {} にコピーしました"},
    {"cannot write {}", "{} に書けません"},
    {"wrote {}", "{} を書きました"},
    {"the output file {} would replace its own input",
     "出力するファイル {} は、作るための元のファイルを置き換えてしまいます"},
    {"built {}", "{} を作りました"},
    {"cannot read the executable {}", "実行ファイル {} を読めません"},
    {"QELSCRIPT_MIDI_OUT=wav needs QELSCRIPT_AUDIO_OUT to name the file; the music is not heard",
     "QELSCRIPT_MIDI_OUT=wav には QELSCRIPT_AUDIO_OUT でファイルを指定してください。"
     "音楽は聞こえません"},
    {"QELSCRIPT_MIDI_OUT={} is not an output (fluidsynth, alsa:CLIENT:PORT, wav or none); using "
     "the default",
     "QELSCRIPT_MIDI_OUT={} は出力先ではありません（fluidsynth、alsa:クライアント:ポート、wav、"
     "none のどれか）。いつもの出力先を使います"},
};

bool namesJapanese(const char* value) {
    return value && value[0] == 'j' && value[1] == 'a' &&
           (value[2] == '\0' || value[2] == '_' || value[2] == '.' || value[2] == '@');
}

std::string_view translated(std::string_view english) {
    static const std::unordered_map<std::string_view, std::string_view> table = [] {
        std::unordered_map<std::string_view, std::string_view> t;
        for (const Translation& entry : kTranslations) t.emplace(entry.english, entry.japanese);
        return t;
    }();
    auto it = table.find(english);
    return it == table.end() ? english : it->second;
}

}  // namespace

bool JapaneseLocale() {
    // The first of these that is set and not empty decides, as for the C library.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return namesJapanese(value);
    }
    return false;
}

std::string SayIn(bool japanese, std::string_view english,
                  std::initializer_list<std::string_view> args) {
    const std::string_view format = japanese ? translated(english) : english;
    std::string said;
    const std::string_view* next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format.compare(i, 2, "{}") == 0 && next != args.end()) {
            said += *next++;
            ++i;
        } else {
            said += format[i];
        }
    }
    return said;
}

std::string Say(std::string_view english, std::initializer_list<std::string_view> args) {
    return SayIn(JapaneseLocale(), english, args);
}

const Translation* Translations(std::size_t& count) {
    count = std::size(kTranslations);
    return kTranslations;
}

std::string HelpText(bool japanese) {
    if (japanese)
        return "使い方: qelscript [オプション] スクリプト.qel [スクリプトへの引数...]\n"
               "        qelscript /run スクリプト.qel\n"
               "        qelscript --build スクリプト.qel -o アプリ [--attach ファイル]... [--title "
               "題名]\n"
               "                  [--icon 絵] [--desktop-entry]\n"
               "        qelscript [オプション] --run-attached プログラム.exe "
               "[スクリプトへの引数...]\n"
               "\n"
               "Qelscript のプログラムを実行します。画面があればウィンドウで、無い時（または\n"
               "--console の時）はコンソールで動きます：メッセージは標準出力へ、エラーの知らせは\n"
               "標準エラー出力へ出て、問いには標準入力で答えます。\n"
               "\n"
               "オプション（スクリプトのファイルより前に書きます）:\n"
               "  --console            画面があってもウィンドウを使わずに実行する\n"
               "  --transcript ファイル  "
               "メッセージと入力ボックスをすべてファイルに書く（一つ一行）\n"
               "  --answers ファイル     ボックスへの答えをファイルから一行ずつ読む\n"
               "  --cancel-errors      エラーのボックスはキャンセルで答え、最初のエラーで止まる\n"
               "  --virtual-clock      待ち時間はすぐに終わる（スクリプトの時計は進む）\n"
               "                       "
               "（--transcript、--answers、--cancel-errors、--virtual-clock\n"
               "                       は --console を含みます）\n"
               "  --no-system          "
               "プログラムの起動、文書を開くこと、セッションの終了、関連付け\n"
               "                       の変更をせず、その頼みを記録（SYSTEM "
               "の行）に書くだけにする\n"
               "  --events ファイル      "
               "スクリプトが最初に待つ時、ファイルの利用者の操作を再生し、\n"
               "                       終わったら実行を終える（README を見てください）\n"
               "  --screenshot フォルダ  スクリプトが最初に待つ時（待機）か終わる時、見えている\n"
               "                       ウィンドウの絵を フォルダ/<ウィンドウ名>.png に保存する\n"
               "                       （画面がある時か QT_QPA_PLATFORM=offscreen の時）\n"
               "  --record-midi ファイル 演奏が送る MIDI のメッセージをすべてスタンダード MIDI\n"
               "                       ファイルに書く（QELSCRIPT_RECORD_MIDI=ファイル でも同じ）\n"
               "  --run-attached ファイル "
               "スタンドアロンのアプリケーションが持つスクリプトを実行する\n"
               "                       （添付ファイルは専用のフォルダに取り出されます）\n"
               "  --build スクリプト     スクリプトと --attach のファイル、--title の題名を持つ\n"
               "                       スタンドアロンのアプリケーション -o アプリ を作る\n"
               "                       （docs/standalone.md を見てください）\n"
               "  --protect 一覧        スクリプトに禁じることを決めて終わる: registry,files,\n"
               "                       system,native,ask のどれか（または all、none）\n"
               "  --show-protection    スクリプトに禁じていることを表示して終わる\n"
               "  --lsp                標準入出力で、エディタのための言語サーバーとして働く\n"
               "                       （docs/language_server.md を見てください）\n"
               "  --dap                標準入出力で、エディタのためのデバッガ（Debug Adapter\n"
               "                       Protocol）として働く（docs/editors.md を見てください）\n"
               "  --help               この使い方を表示して終わる\n"
               "  --version            版を表示して終わる\n"
               "\n"
               "環境変数: QEL_PRINT_PDF=ファイル で、印刷が印刷する代わりに PDF "
               "ファイルを書きます。\n"
               "\n"
               "終了状態: 0 スクリプトが終わった、1 エラーのボックスから止められた、2 使い方の\n"
               "誤りかスクリプトのファイルが読めない、3 標準出力か記録のファイルに書けなかった、\n"
               "128+N シグナル N で止められた（130 は Ctrl+C、143 は SIGTERM、129 は SIGHUP）。\n";
    return "Usage: qelscript [OPTIONS] SCRIPT.qel [SCRIPT ARGUMENTS...]\n"
           "       qelscript /run SCRIPT.qel\n"
           "       qelscript --build SCRIPT.qel -o APP [--attach FILE]... [--title TEXT]\n"
           "                 [--icon PICTURE] [--desktop-entry]\n"
           "       qelscript [OPTIONS] --run-attached PROGRAM.exe [SCRIPT ARGUMENTS...]\n"
           "\n"
           "Runs a Qelscript program. With a display its boxes are windows; without one\n"
           "(or with --console) the console host is used: messages go to standard output,\n"
           "error reports to standard error, questions are answered on standard input.\n"
           "\n"
           "Options (before the script file):\n"
           "  --console            run without windows even when a display is present\n"
           "  --transcript FILE    write every message and input box to FILE (one line each)\n"
           "  --answers FILE       answer boxes from FILE, one answer per line\n"
           "  --cancel-errors      error boxes answer Cancel, so the first error stops the script\n"
           "  --virtual-clock      waits return at once (the script's clock still advances)\n"
           "                       (--transcript, --answers, --cancel-errors and\n"
           "                       --virtual-clock imply --console)\n"
           "  --no-system          never start programs, open documents, end the session or\n"
           "                       change file associations; such requests are only written\n"
           "                       to the transcript (SYSTEM lines)\n"
           "  --events FILE        replay the user actions in FILE once the script first\n"
           "                       waits, then end the run (see the README)\n"
           "  --screenshot DIR     save a picture of each visible script window as\n"
           "                       DIR/<window name>.png when the script first waits (待機)\n"
           "                       or ends (with a display, or QT_QPA_PLATFORM=offscreen)\n"
           "  --record-midi FILE   write every MIDI message 演奏 sends to FILE as a\n"
           "                       standard MIDI file (also QELSCRIPT_RECORD_MIDI=FILE)\n"
           "  --run-attached FILE  run the script carried by a stand-alone application FILE\n"
           "                       (ours or one made for the other platform), its attached\n"
           "                       files extracted to a private folder for the run\n"
           "  --build SCRIPT       build a stand-alone application -o APP carrying SCRIPT,\n"
           "                       the --attach files and the --title (see docs/standalone.md)\n"
           "  --protect LIST       forbid scripts what LIST names and exit: any of\n"
           "                       registry,files,system,native,ask (or all, or none)\n"
           "  --show-protection    show what scripts are forbidden and exit\n"
           "  --lsp                serve an editor as a language server on standard\n"
           "                       input and output (see docs/language_server.md)\n"
           "  --dap                be a debugger for an editor: the Debug Adapter Protocol\n"
           "                       on standard input and output (see docs/editors.md)\n"
           "  --help               show this help and exit\n"
           "  --version            show the version and exit\n"
           "\n"
           "Environment: QEL_PRINT_PDF=FILE makes 印刷 write a PDF file instead of printing.\n"
           "\n"
           "Exit status: 0 the script ended, 1 it was stopped from an error box,\n"
           "2 a usage error or a script file that cannot be read, 3 standard output or\n"
           "the transcript could not be written, 128+N it was stopped by signal N\n"
           "(130 Ctrl+C, 143 SIGTERM, 129 SIGHUP).\n";
}

}  // namespace qel
