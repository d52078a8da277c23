#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for tests and for trying the program against a server.
#   scripts/pg_cluster.sh start     initdb + pg_ctl in a new temporary folder, on a free port of
#                                   127.0.0.1; prints the variables to connect (eval them)
#   scripts/pg_cluster.sh restart   restarts the cluster named by CX_PG_DIR (connections drop)
#   scripts/pg_cluster.sh stop      stops it and removes the folder
# The server runs as the postgres user when started by root. Clients log in with a password
# (scram-sha-256) as the user "chengxi", which may create databases.
set -euo pipefail

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$bin/initdb" ] || { echo "PostgreSQL server binaries not found (apt-get install postgresql)" >&2; exit 1; }

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

free_port() {
    local port
    for _ in $(seq 200); do
        port=$((20000 + RANDOM % 40000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
    echo "no free port found" >&2
    exit 1
}

case "${1:-}" in
start)
    dir=$(mktemp -d /tmp/cx-pg.XXXXXX)
    password=chengxi-$RANDOM$RANDOM
    port=$(free_port)
    [ "$(id -u)" -ne 0 ] || chown postgres: "$dir"
    chmod 700 "$dir"
    echo "$password" >"$dir/pwfile"
    [ "$(id -u)" -ne 0 ] || chown postgres: "$dir/pwfile"
    as_owner "$bin/initdb" -D "$dir/data" -U postgres --pwfile="$dir/pwfile" -E UTF8 --locale=C.UTF-8 \
        --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log"
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
        -o "-p $port -c listen_addresses=127.0.0.1 -k $dir -c fsync=off -c max_connections=200" start >/dev/null
    as_owner "$bin/psql" -h "$dir" -p "$port" -U postgres -d postgres -q -v ON_ERROR_STOP=1 \
        -c "CREATE ROLE chengxi LOGIN CREATEDB PASSWORD '$password'" \
        -c "CREATE DATABASE chengxi OWNER chengxi"
    cat <<EOT
export CX_PG_DIR=$dir
export CX_PG_HOST=127.0.0.1
export CX_PG_PORT=$port
export CX_PG_USER=chengxi
export CX_PG_PASSWORD=$password
export CX_PG_DATABASE=chengxi
# The program connects where data/Maindb.db says: in the back office, tab "服务器", enter
#   address 127.0.0.1, port $port, database chengxi, user chengxi, password $password
EOT
    ;;
restart)
    as_owner "$bin/pg_ctl" -D "${CX_PG_DIR:?}/data" -w -m fast restart >/dev/null
    ;;
stop)
    dir=${2:-${CX_PG_DIR:?}}
    [ -d "$dir/data" ] && as_owner "$bin/pg_ctl" -D "$dir/data" -w -m immediate stop >/dev/null || true
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start|restart|stop [dir]" >&2
    exit 2
    ;;
esac
