#!/bin/sh
# Serves an update folder with nginx on loopback, for walking the update road by hand:
#
#   tests/update-server/serve.sh [PORT]          (default port 8080; stop it with Ctrl-C)
#   VANTORBOOKS_UPDATE_SERVER=http://127.0.0.1:PORT ./scripts/run.sh
#
# It serves what make-updates.sh makes: an update.lasx with greater document and database
# counters than the sample's and the version 1.43, docs.zip and updatebase.zip with sample-like
# data, updatevnbooks.zip with the programs of build/installation (build first). Everything
# lives in a scratch folder that is removed when the server stops.
set -e
here="$(cd "$(dirname "$0")/../.." && pwd)"
port="${1:-8080}"
for tool in nginx 7z iconv; do
  command -v "$tool" >/dev/null 2>&1 || [ -x "/usr/sbin/$tool" ] || { echo "$tool is missing (scripts/install-deps.sh)"; exit 1; }
done
programs="$here/build/installation"
[ -x "$programs/VantorBooks" ] && [ -x "$programs/autoupdatevnbooks/VantorBooksUpdate" ] ||
  { echo "build the programs first (scripts/build.sh)"; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/vbupdates-XXXXXX")"
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
www="$work/www/vncsoft/vantorbooks/update"
mkdir -p "$www" "$work/tmp"
"$here/tests/update-server/make-updates.sh" "$www" "$programs"

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
