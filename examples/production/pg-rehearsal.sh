#!/usr/bin/env bash
# A PostgreSQL server of one's own for rehearsing a line's database set-up, and for the tests:
# the cluster in a fresh folder, reachable on a Unix socket only (no TCP port), with the roles
# quarnel (trusted, owner of the database "line") and station (password "station-secret").
#   pg-rehearsal.sh start DIR    DIR becomes a link to the server's folder; PGHOST=DIR reaches it
#   pg-rehearsal.sh stop DIR     stops it; "start" again starts the same cluster
#   pg-rehearsal.sh remove DIR   stops it and removes its folder and DIR
# The server never runs as root (initdb refuses it): under root it runs as "nobody", its folder
# in /tmp where that user may enter. POSTGRESQL_BIN names the server's programs (default: the
# newest of /usr/lib/postgresql/*/bin, Debian's "postgresql" package).
set -euo pipefail
action=${1:?usage: pg-rehearsal.sh start|stop|remove DIR}
dir=${2:?usage: pg-rehearsal.sh start|stop|remove DIR}
bin=${POSTGRESQL_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)}
if [ -z "$bin" ] || [ ! -x "$bin/pg_ctl" ]; then
  echo "no PostgreSQL server programs (Debian's postgresql package)" >&2
  exit 77
fi

# The server's programs run as the folder's owner.
as_server() {
  if [ "$(id -u)" = 0 ]; then
    setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"
  else
    "$@"
  fi
}

start() {
  local home
  if [ ! -L "$dir" ]; then
    home=$(mktemp -d /tmp/quarnel-pg.XXXXXX)
    chmod 755 "$home"
    [ "$(id -u)" != 0 ] || chown nobody:nogroup "$home"
    (cd "$home" && as_server "$bin/initdb" -D "$home/data" -U quarnel -A trust -E UTF8 \
      --locale=C --no-sync >"$home/initdb.log")
    cat >"$home/data/pg_hba.conf" <<HBA
local all station scram-sha-256
local all all trust
HBA
    cat >>"$home/data/postgresql.conf" <<CONF
listen_addresses = ''
unix_socket_directories = '$home'
fsync = off
max_connections = 60
CONF
    ln -s "$home" "$dir"
    fresh=1
  fi
  home=$(readlink "$dir")
  # -w: back once the server accepts connections (pg_ctl polls it), however long that takes.
  (cd "$home" && as_server "$bin/pg_ctl" -D "$home/data" -l "$home/server.log" -w -t 3600 \
    -s start)
  "$bin/pg_isready" -q -h "$home"
  if [ "${fresh:-0}" = 1 ]; then
    "$bin/psql" -q -h "$home" -U quarnel -d postgres \
      -c "CREATE ROLE station LOGIN PASSWORD 'station-secret'" -c "CREATE DATABASE line"
  fi
}

stop() {
  local home
  home=$(readlink "$dir")
  (cd "$home" && as_server "$bin/pg_ctl" -D "$home/data" -m fast -w -t 3600 -s stop)
}

case $action in
start) start ;;
stop) stop ;;
remove)
  if [ -L "$dir" ]; then
    home=$(readlink "$dir")
    [ ! -e "$home/data/postmaster.pid" ] || stop
    rm -rf "$home" "$dir"
  fi
  ;;
*)
  echo "usage: pg-rehearsal.sh start|stop|remove DIR" >&2
  exit 2
  ;;
esac
