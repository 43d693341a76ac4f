#!/bin/sh
# Makes the files of an update server's update folder for walking the update road:
#
#   tests/update-server/make-updates.sh OUTDIR [PROGRAMS]
#
# OUTDIR gets update.lasx (greater document and database counters than the sample's, the
# version 1.43), docs.zip and updatebase.zip with sample-like data, the two what's-new texts,
# and, when PROGRAMS names a folder of built programs (default build/installation, when it is
# there), updatevnbooks.zip holding them. The archives are made as a real update archive is:
# their Cyrillic names stored as UTF-8 and flagged so (7z), never as unflagged bytes, which
# would be read in code page 866.
set -e
here="$(cd "$(dirname "$0")/../.." && pwd)"
out="$1"
programs="${2:-$here/build/installation}"
[ -n "$out" ] || { echo "usage: $0 OUTDIR [PROGRAMS]"; exit 2; }
for tool in 7z iconv; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$tool is missing (scripts/install-deps.sh)"; exit 1; }
done
mkdir -p "$out"
out="$(cd "$out" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/vbupdates-XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/docs" "$work/base" "$work/program/autoupdatevnbooks"
export LC_ALL=C.UTF-8

# Packs the folder $1 into the archive $2, names flagged as UTF-8.
pack() {
  rm -f "$2"
  (cd "$1" && 7z a -tzip -mcu=on -bd -bso0 -bsp0 "$2" . >/dev/null)
}

# Lines counted from 0: 3 the base date, 8 and 12 the counters (one more each), 15 the version.
awk 'BEGIN { ORS = "\r\n" } { sub(/\r$/, "") }
     NR == 4 { $0 = "20190301" } NR == 9 || NR == 13 { $0 = $0 + 1 } NR == 16 { $0 = "1.43" } { print }' \
  "$here/sample/update.lasx" > "$out/update.lasx"

# Documents: a story that gains an RTF copy.
mkdir -p "$work/docs/docs"
cp "$here/sample/docs/Последний рейс.rtf" "$work/docs/docs/Кольца Сатурна.rtf"
pack "$work/docs" "$out/docs.zip"

# Database: a longer description of one book.
book="Фантастика/Звёздные миры/Первая экспедиция/Books/moreinfo/Кольца Сатурна.txt"
mkdir -p "$work/base/$(dirname "$book")"
{ cat "$here/sample/$book"; printf '%s\r\n' "Дополнено обновлением базы." | iconv -f UTF-8 -t CP1251; } > "$work/base/$book"
pack "$work/base" "$out/updatebase.zip"

# Program: the programs as built.
if [ -x "$programs/VantorBooks" ] && [ -x "$programs/autoupdatevnbooks/VantorBooksUpdate" ]; then
  cp "$programs/VantorBooks" "$work/program/"
  cp "$programs/autoupdatevnbooks/VantorBooksUpdate" "$work/program/autoupdatevnbooks/"
  pack "$work/program" "$out/updatevnbooks.zip"
fi

printf '%s\r\n' "Новые рассказы и описания." | iconv -f UTF-8 -t CP1251 > "$out/update_whatnew.txt"
printf '%s\r\n' "Версия 1.43." | iconv -f UTF-8 -t CP1251 > "$out/updatevantorbooks_whatnew.txt"
