#!/bin/sh
# Serves an update folder with nginx on loopback, for walking the update road by hand:
#
#   tests/update-server/serve.sh [PORT]          (default port 8080; stop it with Ctrl-C)
#   VANTORBOOKS_UPDATE_SERVER=http://127.0.0.1:PORT ./scripts/run.sh
#
# The served update.lasx has greater document and database counters than the sample's and the
# version 1.43; docs.zip and updatebase.zip hold sample-like data, updatevnbooks.zip the
# programs of build/installation (build first). Everything lives in a scratch folder that is
# removed when the server stops.
set -e
here="$(cd "$(dirname "$0")/../.." && pwd)"
port="${1:-8080}"
for tool in nginx zip iconv; do
  command -v "$tool" >/dev/null 2>&1 || [ -x "/usr/sbin/$tool" ] || { echo "$tool is missing (scripts/install-deps.sh)"; exit 1; }
done
programs="$here/build/installation"
[ -x "$programs/VantorBooks" ] && [ -x "$programs/autoupdatevnbooks/VantorBooksUpdate" ] ||
  { echo "build the programs first (scripts/build.sh)"; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/vbupdates-XXXXXX")"
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
www="$work/www/vncsoft/vantorbooks/update"
mkdir -p "$www" "$work/tmp" "$work/docs" "$work/base" "$work/program/autoupdatevnbooks"
export LC_ALL=C.UTF-8

# Lines counted from 0: 3 the base date, 8 and 12 the counters (one more each), 15 the version.
awk 'BEGIN { ORS = "\r\n" } { sub(/\r$/, "") }
     NR == 4 { $0 = "20190301" } NR == 9 || NR == 13 { $0 = $0 + 1 } NR == 16 { $0 = "1.43" } { print }' \
  "$here/sample/update.lasx" > "$www/update.lasx"

# Documents: a story that gains an RTF copy.
mkdir -p "$work/docs/docs"
cp "$here/sample/docs/Последний рейс.rtf" "$work/docs/docs/Кольца Сатурна.rtf"
(cd "$work/docs" && zip -q -r -X "$www/docs.zip" .)

# Database: a longer description of one book.
book="Фантастика/Звёздные миры/Первая экспедиция/Books/moreinfo/Кольца Сатурна.txt"
mkdir -p "$work/base/$(dirname "$book")"
{ cat "$here/sample/$book"; printf '%s\r\n' "Дополнено обновлением базы." | iconv -f UTF-8 -t CP1251; } > "$work/base/$book"
(cd "$work/base" && zip -q -r -X "$www/updatebase.zip" .)

# Program: the programs as built.
cp "$programs/VantorBooks" "$work/program/"
cp "$programs/autoupdatevnbooks/VantorBooksUpdate" "$work/program/autoupdatevnbooks/"
(cd "$work/program" && zip -q -r -X "$www/updatevnbooks.zip" .)

printf '%s\r\n' "Новые рассказы и описания." | iconv -f UTF-8 -t CP1251 > "$www/update_whatnew.txt"
printf '%s\r\n' "Версия 1.43." | iconv -f UTF-8 -t CP1251 > "$www/updatevantorbooks_whatnew.txt"

user=""
[ "$(id -u)" = 0 ] && user="user root;"
cat > "$work/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
$user
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 64; }
http {
  access_log /dev/stdout;
  client_body_temp_path $work/tmp/body;
  proxy_temp_path $work/tmp/proxy;
  fastcgi_temp_path $work/tmp/fastcgi;
  uwsgi_temp_path $work/tmp/uwsgi;
  scgi_temp_path $work/tmp/scgi;
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
  }
}
CONF
echo "Serving $www"
echo "Run: VANTORBOOKS_UPDATE_SERVER=http://127.0.0.1:$port ./scripts/run.sh"
nginx_bin="$(command -v nginx || echo /usr/sbin/nginx)"
"$nginx_bin" -p "$work/" -c "$work/nginx.conf" -e "$work/error.log"
