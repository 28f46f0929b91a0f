# Cases of a shell test, for sourcing: `problem TEXT` records a failure of the case under way,
# `report NAME` ends the case with "PASS: NAME" or "FAIL: NAME" and its problems and counts it
# in $passed or $failed (set both before the first case).
problems=()
problem() {
  problems+=("$*")
}
report() {
  if [ ${#problems[@]} -eq 0 ]; then
    echo "PASS: $1"
    passed=$((passed + 1))
  else
    echo "FAIL: $1"
    printf '    %s\n' "${problems[@]}"
    failed=$((failed + 1))
  fi
  problems=()
}
