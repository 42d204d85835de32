# Sourced by setup.sh: makes a Wine prefix that every later Wine program can start in,
# from nothing, from an interrupted set-up, or from a prefix that no longer works.
#
# A file in the prefix tells how far our own set-up got: "started" before Wine is asked
# to create the prefix, "ready" once a program has run in it. A set-up cut short leaves
# "started", and the next one makes that prefix anew. Wine's own marks cannot tell
# this: it writes its registry and its update stamp even when it was interrupted
# halfway, leaving a prefix in which no program starts.
NORVIK_PREFIX_MARK=.norvik-setup

norvik_prefix_mark() { # PREFIX
  cat "$1/$NORVIK_PREFIX_MARK" 2>/dev/null || true
}

# Wine's reason for a failure, from its output: the loader's own complaint ("wine: ...")
# when there is one, else its last error line, else the last line at all.
norvik_wine_reason() { # LOG [STATUS]
  local line
  line=$(grep -E '^wine: ' "$1" | tail -n 1)
  [ -n "$line" ] || line=$(grep -E 'err:' "$1" | tail -n 1)
  [ -n "$line" ] || line=$(grep -v -E '^[[:space:]]*$' "$1" | tail -n 1)
  if [ "${2:-}" = 124 ]; then
    line="Wine did not finish in 20 minutes${line:+; its last line: $line}"
  fi
  echo "${line:-Wine printed nothing}"
}

# Runs a Wine program in a prefix with its output in LOG; Wine's error lines are kept
# for norvik_wine_reason. A Wine that hangs is given up on.
norvik_wine_in_prefix() { # PREFIX LOADER WINEARCH LOG PROGRAM ARGUMENT...
  local prefix=$1 loader=$2 arch=$3 log=$4
  shift 4
  WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG=-all,err+all WINEDLLOVERRIDES="mscoree,mshtml=" \
    timeout 1200 "$loader" "$@" >"$log" 2>&1
}

norvik_prefix_works() { # PREFIX LOADER WINEARCH LOG
  norvik_wine_in_prefix "$1" "$2" "$3" "$4" cmd /c exit 0
}

norvik_stop_prefix_server() { # PREFIX
  WINEPREFIX="$1" wineserver -k 2>/dev/null || true
  WINEPREFIX="$1" wineserver -w 2>/dev/null || true
}

# Clears the way for a new prefix at PREFIX, or returns 1 when the one there, not
# made by us, works as it is. Ours, left unfinished, is removed; another that does
# not work is moved aside, never deleted, as it may hold a user's files. A prefix
# without Wine's registry was cut short before Wine saved it, and is not tried: Wine
# would start over there and give up only after minutes.
norvik_clear_prefix() { # PREFIX LOADER WINEARCH LOG
  local prefix=$1 reason="Wine never saved its registry there" aside
  if [ "$(norvik_prefix_mark "$prefix")" = started ]; then
    echo "setup: an earlier set-up of the Wine prefix at $prefix did not finish; making it anew"
    norvik_stop_prefix_server "$prefix"
    rm -rf "$prefix"
    return 0
  fi
  [ -n "$(ls -A "$prefix" 2>/dev/null)" ] || return 0
  if [ -f "$prefix/system.reg" ]; then
    norvik_prefix_works "$@" && return 1
    reason="no program starts in it: $(norvik_wine_reason "$4")"
  fi
  aside="$prefix.unusable-$(date +%Y%m%d%H%M%S)"
  echo "setup: the Wine prefix at $prefix is unfinished or broken ($reason); moving it to $aside and making it anew"
  norvik_stop_prefix_server "$prefix"
  if ! mv "$prefix" "$aside"; then
    echo "setup: the Wine prefix at $prefix could not be moved aside" >&2
    exit 1
  fi
}

# Creates a prefix at PREFIX, which is empty or absent; returns Wine's status.
norvik_create_prefix() { # PREFIX LOADER WINEARCH LOG
  local prefix=$1 status=0
  echo "setup: creating the Wine prefix at $prefix ($3)"
  mkdir -p "$prefix" 2>"$4" && echo started >"$prefix/$NORVIK_PREFIX_MARK" 2>"$4" || return 1
  norvik_wine_in_prefix "$@" wineboot --init || status=$?
  WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
  [ "$status" = 0 ] || return "$status"
  norvik_prefix_works "$@"
}

# Ends the set-up, with Wine's reason, when no prefix that programs start in can be
# had at PREFIX.
norvik_make_prefix() { # PREFIX LOADER WINEARCH
  local prefix=$1 log status=0
  [ "$(norvik_prefix_mark "$prefix")" = ready ] && return 0
  log=$(mktemp)
  if norvik_clear_prefix "$@" "$log"; then
    norvik_create_prefix "$@" "$log" || status=$?
  fi
  if [ "$status" != 0 ]; then
    norvik_stop_prefix_server "$prefix"
    echo "setup: the Wine prefix could not be created at $prefix: $(norvik_wine_reason "$log" "$status")" >&2
    rm -f "$log"
    exit 1
  fi
  echo ready >"$prefix/$NORVIK_PREFIX_MARK"
  rm -f "$log"
}
