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
install_program "$here/build/installation/VantorBooks" "$dest/VantorBooks"
install_program "$here/build/installation/autoupdatevnbooks/VantorBooksUpdate" "$dest/autoupdatevnbooks/VantorBooksUpdate"
cd "$dest"
exec ./VantorBooks "$@"
