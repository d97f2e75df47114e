#!/bin/sh
# Loads the Vim syntax and file-type files into a plain Vim and checks that a
# sample script is detected and coloured: a string, a command, a comment.
#   vim_syntax.sh SOURCE_DIR
# Skipped (exit 77) when no Vim with syntax support is installed.
set -u
source_dir=$1
sample=$source_dir/tests/grammar/samples/basics.qel
command -v vim >/dev/null 2>&1 || { echo "vim syntax test skipped: vim is not installed" >&2; exit 77; }
vim -es -u NONE -i NONE -c 'if !has("syntax") | cquit 77 | endif' -c 'qall!' </dev/null
[ $? -eq 77 ] && { echo "vim syntax test skipped: this vim has no syntax support" >&2; exit 77; }

# Each check: line, column (bytes, 1-based) and the syntax group expected there.
vim -es -N -u NONE -i NONE \
    --cmd "set runtimepath^=$source_dir/editors/vim" \
    -c 'filetype on' -c 'syntax on' -c "edit $sample" \
    -c 'let g:failed = []' \
    -c 'if &filetype !=# "qelscript" | call add(g:failed, "filetype " . &filetype) | endif' \
    -c 'if v:errmsg !=# "" | call add(g:failed, "error " . v:errmsg) | endif' \
    -c 'for [l, c, group] in [[1, 1, "qelComment"], [2, 13, "qelString"], [3, 4, "qelString"], [3, 22, "qelEmbeddedBracket"], [3, 43, "qelParticle"], [3, 46, "qelCommand"], [4, 1, "qelKeyword"], [7, 1, "qelComment"], [8, 1, "qelComment"], [9, 1, "qelLabel"], [12, 1, "qelKeyword"], [14, 1, "qelSetting"]] | let got = synIDattr(synID(l, c, 1), "name") | if got !=# group | call add(g:failed, l . ":" . c . " " . got . " not " . group) | endif | endfor' \
    -c 'if !empty(g:failed) | call writefile(g:failed, "/dev/stderr") | cquit 1 | endif' \
    -c 'qall!' </dev/null
