#!/bin/sh
# Installs what the viewer needs, builds it, and starts it on the per-user installation
# ($XDG_DATA_HOME/VantorBooks, default ~/.local/share/VantorBooks). The first run copies the
# sample installation there; later runs keep the user's data and only refresh the programs.
set -e
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
dest="${XDG_DATA_HOME:-$HOME/.local/share}/VantorBooks"
if [ ! -e "$dest/lang.txt" ]; then
  mkdir -p "$dest"
  cp -R "$here/sample/." "$dest/"
fi
cp "$here/build/viewer/VantorBooks" "$dest/VantorBooks.new"
mv -f "$dest/VantorBooks.new" "$dest/VantorBooks"
cd "$dest"
exec ./VantorBooks "$@"
