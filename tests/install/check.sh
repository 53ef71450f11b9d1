# Sourced by the install tests: check WHAT COMMAND... runs the command, counts it as passed or failed and
# shows a failure's output; report NAME prints the closing count and fails when anything failed.
passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@" >"$work/last.log" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
    sed 's/^/    /' "$work/last.log"
  fi
}
report() {
  echo "$1: $passed passed, $failed failed"
  test "$failed" -eq 0
}
