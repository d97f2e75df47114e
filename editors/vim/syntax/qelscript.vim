" Vim syntax file
" Language:   Qelscript (.qel scripts, .qlb libraries)
" The command names between the BEGIN and END lines are written by
" qel_docgen from the command table (./build.sh docs); edit the rest by hand.

if exists('b:current_syntax')
  finish
endif

let s:cpo_save = &cpo
set cpo&vim

" Commands come first: Vim prefers the match defined last, so the keywords,
" strings and comments below win where they overlap a command name.
" BEGIN command names
syn match qelCommand "\V戻"
syn match qelCommand "\V塗"
syn match qelCommand "\V点"
syn match qelCommand "\V書"
syn match qelCommand "\V線"
syn match qelCommand "\V円"
syn match qelCommand "\V枝"
syn match qelCommand "\V進"
syn match qelCommand "\V開"
syn match qelCommand "\V飛"
syn match qelCommand "\V使"
syn match qelCommand "\V作"
syn match qelCommand "\V回転"
syn match qelCommand "\V合成"
syn match qelCommand "\V白黒"
syn match qelCommand "\V演奏"
syn match qelCommand "\V停止"
syn match qelCommand "\V再開"
syn match qelCommand "\V再生"
syn match qelCommand "\V解凍"
syn match qelCommand "\V圧縮"
syn match qelCommand "\V変更"
syn match qelCommand "\V削除"
syn match qelCommand "\V移動"
syn match qelCommand "\V手前"
syn match qelCommand "\V挿入"
syn match qelCommand "\V焦点"
syn match qelCommand "\V下ろ"
syn match qelCommand "\V下げ"
syn match qelCommand "\V上げ"
syn match qelCommand "\V隠れ"
syn match qelCommand "\V出て"
syn match qelCommand "\V塗れ"
syn match qelCommand "\V書け"
syn match qelCommand "\V前へ"
syn match qelCommand "\V左へ"
syn match qelCommand "\V右へ"
syn match qelCommand "\V復元"
syn match qelCommand "\V利用"
syn match qelCommand "\V分岐"
syn match qelCommand "\V入れ"
syn match qelCommand "\V交換"
syn match qelCommand "\V置換"
syn match qelCommand "\V検索"
syn match qelCommand "\V報告"
syn match qelCommand "\V参照"
syn match qelCommand "\V実行"
syn match qelCommand "\V設定"
syn match qelCommand "\V命令"
syn match qelCommand "\V引け"
syn match qelCommand "\V足せ"
syn match qelCommand "\V計算"
syn match qelCommand "\V消し"
syn match qelCommand "\V消す"
syn match qelCommand "\V消せ"
syn match qelCommand "\V印刷"
syn match qelCommand "\V入力"
syn match qelCommand "\V閉じ"
syn match qelCommand "\V追加"
syn match qelCommand "\V開け"
syn match qelCommand "\V選択"
syn match qelCommand "\V保存"
syn match qelCommand "\V送信"
syn match qelCommand "\V開始"
syn match qelCommand "\V飛べ"
syn match qelCommand "\V待機"
syn match qelCommand "\V終了"
syn match qelCommand "\V使う"
syn match qelCommand "\V変え"
syn match qelCommand "\V休憩"
syn match qelCommand "\V待て"
syn match qelCommand "\V起動"
syn match qelCommand "\V作れ"
syn match qelCommand "\V表示"
syn match qelCommand "\V宣言"
syn match qelCommand "\V鮮明化"
syn match qelCommand "\Vセピア"
syn match qelCommand "\V色反転"
syn match qelCommand "\V右回転"
syn match qelCommand "\Vクリア"
syn match qelCommand "\Vコピー"
syn match qelCommand "\V再起動"
syn match qelCommand "\V再描画"
syn match qelCommand "\V最背面"
syn match qelCommand "\V最前面"
syn match qelCommand "\V四角形"
syn match qelCommand "\V後ろへ"
syn match qelCommand "\V入力２"
syn match qelCommand "\V閉じる"
syn match qelCommand "\V繰り返"
syn match qelCommand "\V抜ける"
syn match qelCommand "\Vエンボス"
syn match qelCommand "\Vモザイク"
syn match qelCommand "\Vネガポジ"
syn match qelCommand "\V上下回転"
syn match qelCommand "\V左右回転"
syn match qelCommand "\V透過処理"
syn match qelCommand "\V一時停止"
syn match qelCommand "\V関連付け"
syn match qelCommand "\V関連づけ"
syn match qelCommand "\V強制終了"
syn match qelCommand "\Vログオフ"
syn match qelCommand "\V移動開始"
syn match qelCommand "\Vスタンプ"
syn match qelCommand "\V置き換え"
syn match qelCommand "\V並び替え"
syn match qelCommand "\V呼び出せ"
syn match qelCommand "\V閉じない"
syn match qelCommand "\V追加保存"
syn match qelCommand "\V辞書保存"
syn match qelCommand "\Vスタンバイ"
syn match qelCommand "\Vフォーカス"
syn match qelCommand "\V日本語処理"
syn match qelCommand "\Vアクティブ"
syn match qelCommand "\V辞書初期化"
syn match qelCommand "\V起動して待"
syn match qelCommand "\V画像コピー"
syn match qelCommand "\Vコントラスト"
syn match qelCommand "\Vスライドイン"
syn match qelCommand "\Vフェードイン"
syn match qelCommand "\Vリピート再生"
syn match qelCommand "\Vバックアップ"
syn match qelCommand "\Vアップロード"
syn match qelCommand "\Vダウンロード"
syn match qelCommand "\Vついて終わり"
syn match qelCommand "\Vパターン検索"
syn match qelCommand "\Vグラデーション"
syn match qelCommand "\Vランダムドット"
syn match qelCommand "\Vランダムライン"
syn match qelCommand "\Vスライドアウト"
syn match qelCommand "\Vストライプイン"
syn match qelCommand "\Vフェードアウト"
syn match qelCommand "\V大きくスタンプ"
syn match qelCommand "\Vパターンマッチ"
syn match qelCommand "\Vリピートさいせい"
syn match qelCommand "\Vおおきくスタンプ"
syn match qelCommand "\Vソラリゼーション"
syn match qelCommand "\Vストライプアウト"
syn match qelCommand "\Vファイル属性変更"
syn match qelCommand "\Vパターンサブマッチ"
syn match qelCommand "\Vポップアップメニュー"
" END command names

" BEGIN setting words
syn match qelSetting /^[ \t　]*\zs\%(JPEGプログレッシブ\|マウスカーソル\|JPEG圧縮率\|ここだけの変数\|作業フォルダ\|設定ファイル\|おんしょく\|起動時設定\|はいけい\|タイトル\|処理状況\|かたち\|ばしょ\|ふとさ\|エラー\|ねいろ\|テンポ\|いろ\|背景\|位置\|いち\|場所\|向き\|むき\|太さ\|音色\|色\|形\)\ze[ \t　]*\%(は\|＝\|=\)/
" END setting words
syn match qelNumber /\%([A-Za-zＡ-Ｚａ-ｚ0-9０-９_ー]\|[ァ-ヺ]\|[一-龯]\)\@<![0-9０-９]\+\%([.．][0-9０-９]\+\)\=/
syn match qelNumber /[&＆][HhＨｈ][0-9A-Fa-f０-９Ａ-Ｆａ-ｆ]\+/
syn match qelOperator /[=＝<>＜＞≦≧≠+\-*/^%＋－＊／＾％×÷]/
syn match qelDelimiter /[。、，,（）()]/
syn match qelParticle /\%([」）)］\]0-9０-９A-Za-zＡ-Ｚａ-ｚ]\)\@<=\%(として\|から\|まで\|を\|へ\|で\|に\|と\)/
syn match qelLanguageWord /それ\|これ\|その\|この/
syn match qelKeyword /もし\|なら\|でないなら\|他なら\|他でもし\|違えば\|について分岐\|他の場合\|の場合\|永遠に\|それぞれ\|繰り返[しすせ]\=\|終わり\|終り/
syn match qelKeyword /もし終わり\|もし終り\|繰り返し終わり\|繰り返し終り\|分岐終わり\|ついて終わり/
syn match qelLabel /^[ \t　]*[^ \t　「」/'’].*：[ \t　]*$/
syn match qelProcedureHead /^[ \t　]*手順は[ \t　]\+[^（(、,。 \t　]\+/ contains=qelProcedureWord
syn match qelProcedureWord /手順は/ contained

syn region qelEmbedded matchgroup=qelEmbeddedBracket start=/［/ end=/］/ contained
      \ contains=qelString,qelNumber,qelOperator,qelKeyword,qelCommand,qelLanguageWord
syn region qelString start=/「/ end=/」/ contains=qelEmbedded,qelString
syn match qelComment /\%(\/\/\|'\|’\).*$/ contains=@Spell
syn region qelComment start=/\/\*/ end=/\*\// contains=@Spell

hi def link qelComment Comment
hi def link qelString String
hi def link qelEmbeddedBracket Special
hi def link qelNumber Number
hi def link qelOperator Operator
hi def link qelDelimiter Delimiter
hi def link qelParticle Special
hi def link qelKeyword Conditional
hi def link qelCommand Statement
hi def link qelLanguageWord Identifier
hi def link qelSetting Identifier
hi def link qelLabel Label
hi def link qelProcedureHead Function
hi def link qelProcedureWord Keyword

let b:current_syntax = 'qelscript'

let &cpo = s:cpo_save
unlet s:cpo_save
