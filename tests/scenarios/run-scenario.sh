#!/usr/bin/env bash
# Runs one scenario: builds a host folder and a project database as the script's directives say,
# replays the script with torva-host and compares what it printed with NAME.expected.
#
#   run-scenario.sh BUILD_DIR tests/scenarios/NAME.script [postgres]   (UPDATE=1 writes NAME.expected)
#
# With "postgres" the project database is a fresh schema on the tests' private PostgreSQL cluster
# (TORVA_PG_STATE names it, see tests/postgres/cluster.sh), dropped at the end; the transcript must
# be the same, or NAME.pg.expected where the engine's words differ. tests/data/FILE.pg.sql stands in
# for tests/data/FILE.sql there when it exists.
#
# Directives (lines starting with "#! " anywhere in the script):
#   #! args STAGE [TEXT3 [TEXT4 [OWNER [CONTRACTOR]]]]   the form's values ("" for an empty text)
#   #! fees small|standard|none        Data/GL.mgl: tests/data/small_fees.sql (default), the built
#                                      fee standard, or no file at all
#   #! project empty|demo|missing      schema only (default), the demo project, or a path naming no file
#   #! sql FILE                        run tests/data/FILE on the project database (may repeat)
#   #! sjks FILE                       copy tests/data/FILE into the host folder as SJKS.txt
#   #! reopen                          close here and run the rest as a new torva-host on the same files
#   #! shell COMMAND                   run COMMAND (bash) before the part it stands in, its output
#                                      going into the transcript; $HOST and $DB are set
#   #! postgres skip REASON            not run on PostgreSQL (exit 77, counted as skipped): the
#                                      scenario is about the project database being a file
# torva-host and the shell commands run in the temporary folder. After each run the runner prints
# "exit=N" with torva-host's status. The temporary folder that holds
# the host folder and the project database appears as WORK in the output.
set -uo pipefail
build=$(cd "$1" && pwd)
script=$2
here=$(cd "$(dirname "$script")" && pwd)
data="$here/../data"
name=$(basename "$script" .script)
expected="$here/$name.expected"
backend=${3:-sqlite}
# The engine's own words after a Chinese cause differ between engines: NAME.pg.expected, when there
# is one, is the transcript on PostgreSQL.
if [ "$backend" = postgres ] && [ -f "$here/$name.pg.expected" ]; then
  expected="$here/$name.pg.expected"
fi

if [ "$backend" = postgres ]; then
  skip=$(sed -n 's/^#! postgres skip //p' "$script")
  if [ -n "$skip" ]; then
    echo "skipped on PostgreSQL: $skip"
    exit 77
  fi
  cluster="$here/../postgres/cluster.sh"
  state=${TORVA_PG_STATE:?the PostgreSQL scenarios run under ctest, which starts the cluster}
fi

work=$(mktemp -d)
schema=""
cleanup() {
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
  if [ -n "$schema" ]; then
    psql -X -q -d "$("$cluster" uri "$state")" -c "DROP SCHEMA $schema CASCADE" >/dev/null 2>&1
  fi
}
trap cleanup EXIT
HOST="$work/host"
DB="$work/project.db"
if [ "$backend" = postgres ]; then
  schema=$("$cluster" schema "$state") || exit 1
  DB=$("$cluster" uri "$state" "$schema")
fi
mkdir -p "$HOST/Data"
export HOST DB

# Runs FILE on the project database.
run_sql() {
  if [ "$backend" = postgres ]; then
    local file=$1
    [ -f "${file%.sql}.pg.sql" ] && file="${file%.sql}.pg.sql"
    psql -X -q -v ON_ERROR_STOP=1 -d "$DB" -f "$file" >/dev/null
  else
    "$build/torva-sqlexec" "$DB" "$1"
  fi
}

fees=small
project=empty
args=()
sqls=()
sjks=""
while IFS= read -r line; do
  set -- $line
  shift  # "#!"
  case "${1:-}" in
    args) shift; eval "args=($*)" ;;
    fees) fees=$2 ;;
    project) project=$2 ;;
    sql) sqls+=("$2") ;;
    sjks) sjks=$2 ;;
  esac
done < <(grep -E '^#! ' "$script")

case "$fees" in
  small) "$build/torva-sqlexec" "$HOST/Data/GL.mgl" "$data/small_fees.sql" || exit 1 ;;
  standard) cp "$build/Data/GL.mgl" "$HOST/Data/GL.mgl" ;;
  none) ;;
  *) echo "unknown fees: $fees" >&2; exit 1 ;;
esac
case "$project" in
  empty) "$build/torva-host" --init "$DB" || exit 1 ;;
  demo) "$build/torva-host" --init "$DB" && run_sql "$data/../../data/demo_project.sql" || exit 1 ;;
  missing) DB="$work/no-such-folder/project.db" ;;
  *) echo "unknown project: $project" >&2; exit 1 ;;
esac
for f in "${sqls[@]}"; do run_sql "$data/$f" || exit 1; done
[ -n "$sjks" ] && cp "$data/$sjks" "$HOST/SJKS.txt"

# Split the script into parts at "#! reopen"; "#! shell" lines run before the part they stand in.
actual="$work/actual.txt"
: > "$actual"
part=0
run_part() {
  local file="$work/part$part.script"
  [ -f "$file" ] || return 0
  grep -E '^#! shell ' "$file" | sed 's/^#! shell //' | while IFS= read -r cmd; do (cd "$work" && bash -c "$cmd") >> "$actual"; done
  # A form that waits for ever (on a pipe, a lock) fails its scenario instead of holding the suite.
  (cd "$work" && timeout 300 "$build/torva-host" --host-folder "$HOST" --script "$file" "$DB" "${args[@]}") >> "$actual" 2>> "$work/stderr.txt"
  echo "exit=$?" >> "$actual"
}
: > "$work/part0.script"
while IFS= read -r line || [ -n "$line" ]; do
  if [ "$line" = "#! reopen" ]; then
    run_part
    part=$((part + 1))
    : > "$work/part$part.script"
  else
    printf '%s\n' "$line" >> "$work/part$part.script"
  fi
done < "$script"
run_part
# The work folder differs from run to run: show it as WORK.
sed -i "s#$work#WORK#g" "$actual"

if [ "${UPDATE:-}" = 1 ]; then
  cp "$actual" "$expected"
  echo "wrote $expected"
  exit 0
fi
if ! diff -u "$expected" "$actual"; then
  echo "--- torva-host stderr:"; cat "$work/stderr.txt"
  exit 1
fi
