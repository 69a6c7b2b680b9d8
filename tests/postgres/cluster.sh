#!/usr/bin/env bash
# A private PostgreSQL cluster for the tests: a temporary folder, a Unix socket in that folder and no
# TCP port at all, so that it meets no other server on the machine.
#
#   cluster.sh start STATE_FILE     initdb, start, create the database "torva"; STATE_FILE receives
#                                   the folder (the socket directory)
#   cluster.sh stop STATE_FILE      stop the cluster named there and remove its folder
#   cluster.sh uri STATE_FILE [SCHEMA]
#                                   the URI of the database, with SCHEMA first on its search path
#   cluster.sh schema STATE_FILE    create a fresh schema of a unique name and print the name
#   cluster.sh halt STATE_FILE      stop the server at once, as a crash or a pulled cable would
#                                   (pg_ctl stop -m immediate), keeping its folder
#   cluster.sh resume STATE_FILE    start the halted server again
#
# initdb refuses to run as root, so as root the server runs as the user postgres, who owns the
# folder. Connections come as the superuser "postgres" with trust on the socket: the folder is
# readable by its owner only (and root), so no other user of the machine reaches the server.
set -euo pipefail
action=$1
state=$2
bin=${PG_BIN:-/usr/lib/postgresql/15/bin}

as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

folder() {
  [ -s "$state" ] || { echo "no cluster recorded in $state" >&2; exit 1; }
  cat "$state"
}

stop() {
  [ -s "$state" ] || return 0
  local dir
  dir=$(cat "$state")
  if [ -d "$dir/data" ]; then
    as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  # Only a folder this script made: a temporary folder holding a cluster or nothing.
  case "$dir" in
    /tmp/torva-pg.*) rm -rf "$dir" ;;
  esac
  rm -f "$state"
}

psql_in() {
  local dir=$1
  shift
  "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -U postgres "$@"
}

start_server() {
  local dir=$1
  as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=off" start >/dev/null \
    || { cat "$dir/server.log" >&2; false; }
}

case "$action" in
  start)
    stop  # a cluster left by a run that was killed before its cleanup
    dir=$(mktemp -d /tmp/torva-pg.XXXXXXXX)
    echo "$dir" > "$state"
    trap 'stop' ERR
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
    chmod 700 "$dir"
    as_server "$bin/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 \
      >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; false; }
    start_server "$dir"
    psql_in "$dir" -d postgres -c "CREATE DATABASE torva"
    trap - ERR
    echo "cluster at $dir"
    ;;
  stop)
    stop
    ;;
  halt)
    as_server "$bin/pg_ctl" -D "$(folder)/data" -m immediate -w stop >/dev/null
    ;;
  resume)
    start_server "$(folder)"
    ;;
  uri)
    dir=$(folder)
    uri="postgresql:///torva?host=$dir&user=postgres"
    if [ -n "${3:-}" ]; then uri="$uri&options=-csearch_path%3D$3"; fi
    echo "$uri"
    ;;
  schema)
    dir=$(folder)
    name="p_$(date +%s%N)_$$_$RANDOM"
    psql_in "$dir" -d torva -c "CREATE SCHEMA $name"
    echo "$name"
    ;;
  *)
    echo "usage: cluster.sh start|stop|uri|schema|halt|resume STATE_FILE" >&2
    exit 2
    ;;
esac
