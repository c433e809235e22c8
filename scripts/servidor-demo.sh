# The bundled demo server, for scripts that source this file: sqlsim with the demo scenario
# (tools/sqlsim/scenarios/demo.json: the SQL Server login and the application user below, with their
# passwords), and a connection definition "Demo" for it.
#
#   arranca_servidor_demo BIN WORK   starts build's BIN/sqlsim with WORK/demo.json; sets
#                                    sqlsim_pid and port (the caller stops sqlsim_pid)
#   escribe_definicion_demo BIN FILE writes the connection definition FILE (Demo.cfp) for it

app_user=Admin
app_password=demo
sql_user=velqor
sql_password=Demo.2026

arranca_servidor_demo() {
  local bin=$1 work=$2 hash
  # The shipped scenario holds the login and the user's stored password already.
  hash=$("$bin/velqor-config" hash-password --password "$app_password")
  cp tools/sqlsim/scenarios/demo.json "$work/demo.json"
  grep -q "$hash" "$work/demo.json" || { echo "demo: the demo scenario has no user $app_user with password $app_password" >&2; return 1; }

  "$bin/sqlsim" --scenario "$work/demo.json" --journal "$work/journal.txt" > "$work/sqlsim.out" 2> "$work/sqlsim.err" &
  sqlsim_pid=$!
  port=""
  for _ in $(seq 100); do
    port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/sqlsim.out")
    [ -n "$port" ] && break
    kill -0 "$sqlsim_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$port" ] || { echo "demo: sqlsim did not start:" >&2; cat "$work/sqlsim.err" >&2; return 1; }
}

escribe_definicion_demo() {
  printf '%s\n' "$sql_password" | "$1/velqor-config" write-cfp "$2" --force \
    --name Demo --server "127.0.0.1,$port" --database Ventas --user "$sql_user" --password-stdin
}
