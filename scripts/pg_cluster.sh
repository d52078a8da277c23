#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for tests and for trying the program against a server.
#   scripts/pg_cluster.sh start [--fsync]
#                                   initdb + pg_ctl in a new temporary folder, on a free port of
#                                   127.0.0.1; prints the variables to connect (eval them). The
#                                   cluster runs with fsync off unless --fsync is given (figures
#                                   that should compare with a real server's).
#   scripts/pg_cluster.sh restart   restarts the cluster named by CX_PG_DIR (connections drop)
#   scripts/pg_cluster.sh down|up   stops the cluster at once (as a power cut would: connections
#                                   refused) and starts it again on the same port
#   scripts/pg_cluster.sh stop      stops it and removes the folder
# The server runs as the postgres user when started by root. Clients log in with a password
# (scram-sha-256) over TLS only, as the user "chengxi", which may create databases and roles. The
# script makes its own certificate authority and a server certificate for localhost and 127.0.0.1
# (CX_PG_SSLROOTCERT), so clients can check the server with sslmode=verify-full.
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
    fsync=off
    [ "${2:-}" = "--fsync" ] && fsync=on
    dir=$(mktemp -d /tmp/cx-pg.XXXXXX)
    password=chengxi-$RANDOM$RANDOM
    port=$(free_port)
    [ "$(id -u)" -ne 0 ] || chown postgres: "$dir"
    chmod 700 "$dir"
    echo "$password" >"$dir/pwfile"
    [ "$(id -u)" -ne 0 ] || chown postgres: "$dir/pwfile"
    as_owner "$bin/initdb" -D "$dir/data" -U postgres --pwfile="$dir/pwfile" -E UTF8 --locale=C.UTF-8 \
        --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log"
    # A certificate authority of its own and the server's certificate signed by it.
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=chengxi test CA" \
        -keyout "$dir/ca.key" -out "$dir/ca.crt" 2>/dev/null
    openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" \
        -keyout "$dir/data/server.key" -out "$dir/server.csr" 2>/dev/null
    printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\n' >"$dir/san.ext"
    openssl x509 -req -in "$dir/server.csr" -CA "$dir/ca.crt" -CAkey "$dir/ca.key" \
        -CAcreateserial -days 2 -extfile "$dir/san.ext" -out "$dir/data/server.crt" 2>/dev/null
    chmod 600 "$dir/data/server.key"
    chmod 644 "$dir/ca.crt"
    [ "$(id -u)" -ne 0 ] || chown postgres: "$dir/data/server.key" "$dir/data/server.crt"
    # Password logins over TLS only.
    sed -i 's/^host /hostssl /' "$dir/data/pg_hba.conf"
    echo "-p $port -c listen_addresses=127.0.0.1 -k $dir -c fsync=$fsync -c max_connections=500 -c ssl=on" \
        >"$dir/options"
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -o "$(cat "$dir/options")" start >/dev/null
    as_owner "$bin/psql" -h "$dir" -p "$port" -U postgres -d postgres -q -v ON_ERROR_STOP=1 \
        -c "CREATE ROLE chengxi LOGIN CREATEDB CREATEROLE PASSWORD '$password'" \
        -c "CREATE DATABASE chengxi OWNER chengxi"
    cat <<EOT
export CX_PG_DIR=$dir
export CX_PG_HOST=localhost
export CX_PG_PORT=$port
export CX_PG_USER=chengxi
export CX_PG_PASSWORD=$password
export CX_PG_DATABASE=chengxi
export CX_PG_SSLROOTCERT=$dir/ca.crt
# The program connects where data/Maindb.db says: in the back office, tab "服务器", enter
#   address localhost, port $port, database chengxi, user chengxi, password $password,
#   verify-full with the certificate authority $dir/ca.crt
EOT
    ;;
restart)
    as_owner "$bin/pg_ctl" -D "${CX_PG_DIR:?}/data" -w -m fast restart >/dev/null
    ;;
down)
    as_owner "$bin/pg_ctl" -D "${CX_PG_DIR:?}/data" -w -m immediate stop >/dev/null
    ;;
up)
    as_owner "$bin/pg_ctl" -D "${CX_PG_DIR:?}/data" -l "$CX_PG_DIR/server.log" -w \
        -o "$(cat "$CX_PG_DIR/options")" start >/dev/null
    ;;
stop)
    dir=${2:-${CX_PG_DIR:?}}
    [ -d "$dir/data" ] && as_owner "$bin/pg_ctl" -D "$dir/data" -w -m immediate stop >/dev/null || true
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start|restart|down|up|stop [dir]" >&2
    exit 2
    ;;
esac
