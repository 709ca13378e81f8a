#!/usr/bin/env bash
# Checks that every source file includes only headers of its own layer or of layers below it, that
# no include runs back up inside a folder (two units that include each other, directly or through
# others), and that nothing below the window includes Qt. With --graph it prints the include graph by
# folder instead ("from -> to  count"); with --graph FOLDER (app/gui, model ...) the includes between
# the units of that folder ("unit -> unit"), for a reader who wants to see the layers.
#
# Layers, bottom up: base; protocol and device (beside each other); model (with model/window);
# export and evaluation (beside each other); app/core; app/gui. tools/ may use everything but the GUI
# (except the plot subcommand, below).
set -euo pipefail
cd "$(dirname "$0")/.."

# The folder of a path or include: app/core and app/gui count as folders of their own, model/window
# belongs to model.
folder_of() {
  case "$1" in
    app/core/*|src/app/core/*) echo app/core ;;
    app/gui/*|src/app/gui/*) echo app/gui ;;
    src/app/*) echo app ;;
    src/*) local rest=${1#src/}; echo "${rest%%/*}" ;;
    tools/*) echo tools ;;
    *) echo "${1%%/*}" ;;
  esac
}

# The one tool source that uses the window's code: "dedezuviv-tool plot" renders the chart page of
# the window offscreen, so that its pictures are the window's. No other tool source may.
ChartTool=tools/dedezuviv-tool/plot.cpp

# The folders a folder may include from.
allowed_for() {
  case "$1" in
    base) echo "base" ;;
    protocol) echo "base protocol" ;;
    device) echo "base device" ;;
    model) echo "base protocol device model" ;;
    export) echo "base protocol device model export" ;;
    evaluation) echo "base protocol device model evaluation" ;;
    app/core) echo "base protocol device model export evaluation app/core" ;;
    app/gui|app) echo "base protocol device model export evaluation app/core app/gui" ;;
    tools) echo "base protocol device model export evaluation app/core tools" ;;
    *) echo "" ;;
  esac
}

# Every quoted include of the project's sources, as "file include".
includes() {
  git ls-files -co --exclude-standard src tools | grep -E '\.(h|cpp)$' | while read -r file; do
    sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" |
      while read -r header; do echo "$file $header"; done
  done
}

# A unit is a header with its source: "src/model/Project.cpp" and "model/Project.h" are "model/Project".
unit_of() {
  local path=${1#src/}
  echo "${path%.*}"
}

# Includes between different units of the same folder, as "unit unit".
folder_edges() {
  includes | while read -r file header; do
    case "$header" in */*) ;; *) continue ;; esac
    [ "$(folder_of "$file")" = "$(folder_of "$header")" ] || continue
    from=$(unit_of "$file")
    to=$(unit_of "$header")
    [ "$from" = "$to" ] || echo "$from $to"
  done | sort -u
}

if [ "${1:-}" = "--graph" ] && [ -n "${2:-}" ]; then
  folder_edges | while read -r from to; do
    [ "$(folder_of "src/$from")" = "$2" ] && printf '%-40s -> %s\n' "$from" "$to"
  done
  exit 0
fi

if [ "${1:-}" = "--graph" ]; then
  includes | while read -r file header; do
    case "$header" in */*) ;; *) continue ;; esac
    echo "$(folder_of "$file") -> $(folder_of "$header")"
  done | sort | uniq -c | awk '{printf "%-12s -> %-12s %5d\n", $2, $4, $1}'
  exit 0
fi

failures=0
while read -r file header; do
  case "$header" in */*) ;; *) continue ;; esac   # a header beside the file (tools, tests)
  from=$(folder_of "$file")
  to=$(folder_of "$header")
  if [ "$file" = "$ChartTool" ] && [ "$to" = app/gui ]; then continue; fi
  if ! [[ " $(allowed_for "$from") " == *" $to "* ]]; then
    echo "layer violation: $file includes \"$header\" ($from may not use $to)"
    failures=$((failures + 1))
  fi
done < <(includes)

# Inside a folder the includes form layers too: tsort finds every loop.
if ! loops=$(folder_edges | tsort 2>&1 >/dev/null); then
  echo "include loop inside a folder (each unit below includes the next, the last the first):"
  echo "$loops" | sed -n 's/^tsort: //p' | grep -v 'input contains a loop'
  failures=$((failures + 1))
fi

# Only the window links Qt.
while read -r file; do
  echo "layer violation: $file includes Qt below the window"
  failures=$((failures + 1))
done < <(git ls-files -co --exclude-standard src tools | grep -E '\.(h|cpp)$' |
           grep -v '^src/app/gui/' | grep -vx "$ChartTool" | xargs grep -lE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' || true)

if [ "$failures" -ne 0 ]; then
  echo "$failures include(s) against the layers"
  exit 1
fi
echo "layers: every include points to the same layer or below"
