#!/bin/sh
# --protect and --show-protection on a scratch settings store: the keys they
# write (worked out by hand from the key rule), what they print, what a run
# then refuses, and a damaged store that they must leave alone.
set -u
qelscript=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
unset DISPLAY WAYLAND_DISPLAY
store="$XDG_CONFIG_HOME/qelscript/settings.ini"

fail() {
    echo "FAIL: $*"
    exit 1
}
stored_key() { sed -n 's/^Key=//p' "$store"; }

out=$("$qelscript" --show-protection) || fail "--show-protection on an empty store"
echo "$out" | grep -q "no key is stored" || fail "empty store: $out"
[ -e "$store" ] && fail "showing created the store"

# registry and ask: check 0, categories 0 and 4, free digit 5 (0+4+5-5 = 4, even).
out=$("$qelscript" --protect registry,ask) || fail "--protect registry,ask"
[ "$(stored_key)" = 0045 ] || fail "registry,ask stored $(stored_key)"
echo "$out" | grep -q "forbidden: registry" || fail "registry,ask shows: $out"
echo "$out" | grep -q "asks before every guarded command" || fail "registry,ask shows: $out"
echo "$out" | grep -q "forbidden: files" && fail "registry,ask shows files: $out"

# all: categories 0 1 2 3 (sum 6, even).
"$qelscript" --protect all >/dev/null || fail "--protect all"
[ "$(stored_key)" = 001235 ] || fail "all stored $(stored_key)"
# system alone: category 2 (even); native calls are refused with it.
out=$("$qelscript" --protect system) || fail "--protect system"
[ "$(stored_key)" = 025 ] || fail "system stored $(stored_key)"
echo "$out" | grep -q "native calls are refused too" || fail "system shows: $out"
# files: category 1 (odd), so the check digit is 1.
"$qelscript" --protect files >/dev/null || fail "--protect files"
[ "$(stored_key)" = 115 ] || fail "files stored $(stored_key)"

# A run honours it: 復元 (a file change) is refused with error 99.
printf '「a.bin」を「QUJD」から復元\n' >"$work/s.qel"
"$qelscript" --console --no-system --transcript "$work/t" "$work/s.qel" >/dev/null 2>&1
grep -q 'エラー番号99' "$work/t" || fail "the run did not refuse: $(cat "$work/t")"
[ -e "$work/a.bin" ] && fail "the refused command wrote its file"

# Unknown words change nothing.
"$qelscript" --protect files,everything >/dev/null 2>"$work/err"
[ $? = 2 ] || fail "an unknown word is a usage error"
grep -q "unknown protection word 'everything'" "$work/err" || fail "unknown word: $(cat "$work/err")"
"$qelscript" --protect none,files >/dev/null 2>&1 && fail "none with a category was accepted"
[ "$(stored_key)" = 115 ] || fail "a refused --protect changed the key"

# none removes the key.
out=$("$qelscript" --protect none) || fail "--protect none"
grep -q '^Key=' "$store" && fail "none left a key"
echo "$out" | grep -q "no key is stored" || fail "none shows: $out"

# A damaged key (1 1 4) is named, with the category it still forbids.
printf '[Application\\Qelscript\\Secure]\nKey=114\n' >"$store"
out=$("$qelscript" --show-protection) || fail "--show-protection of a damaged key"
echo "$out" | grep -q "DAMAGED" || fail "damaged key: $out"
echo "$out" | grep -q "forbidden: files" || fail "damaged key: $out"

# A damaged store is reported and left exactly as it is.
printf '[Application\\Qelscript\\Secure]\nKey=0045\ngarbage\n' >"$store"
cp "$store" "$work/before"
"$qelscript" --protect none >/dev/null 2>"$work/err"
[ $? = 1 ] || fail "--protect on a damaged store must fail"
grep -q "settings store is damaged: .*line 3" "$work/err" || fail "damaged store: $(cat "$work/err")"
"$qelscript" --show-protection >/dev/null 2>&1
[ $? = 1 ] || fail "--show-protection on a damaged store must fail"
cmp -s "$store" "$work/before" || fail "the damaged store was changed"
echo ok
