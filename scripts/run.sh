#!/bin/sh
# Installs what the viewer needs, builds it, and starts it on the per-user installation
# ($XDG_DATA_HOME/VantorBooks, default ~/.local/share/VantorBooks). The first run copies the
# sample installation there; later runs keep the user's data and only refresh the programs (the
# viewer, and the updater in autoupdatevnbooks/).
set -e
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
dest="${XDG_DATA_HOME:-$HOME/.local/share}/VantorBooks"
if [ ! -e "$dest/lang.txt" ]; then
  mkdir -p "$dest"
  cp -R "$here/sample/." "$dest/"
fi
# Each program is copied beside its place and renamed over it, so a running copy is not disturbed.
install_program() {
  mkdir -p "$(dirname "$2")"
  cp "$1" "$2.new"
  mv -f "$2.new" "$2"
}
# Skins come with the program: each run brings the sample's skin folders up to date and lists
# any that skins.txt lacks. The user's choice in skins/skin_select.txt stays as it is.
for skin in "$here/sample/skins"/*/; do
  cp -R "$skin" "$dest/skins/"
done
tr -d '\r' < "$here/sample/skins/skins.txt" | while IFS= read -r name; do
  [ -n "$name" ] || continue
  tr -d '\r' < "$dest/skins/skins.txt" 2>/dev/null | grep -qxF "$name" || printf '%s\r\n' "$name" >> "$dest/skins/skins.txt"
done
install_program "$here/build/installation/VantorBooks" "$dest/VantorBooks"
install_program "$here/build/installation/autoupdatevnbooks/VantorBooksUpdate" "$dest/autoupdatevnbooks/VantorBooksUpdate"
cd "$dest"
exec ./VantorBooks "$@"
