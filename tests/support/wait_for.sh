# shellcheck shell=bash
# wait_for SECONDS WHAT COMMAND...: polls until COMMAND succeeds; past SECONDS
# the sourcing test's own fail says what it waited for. Sourced by the shell
# tests that drive whole programs.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || fail "waited ${seconds}s for $what"
    sleep 0.1
  done
}
