# shellcheck shell=bash
# The dialog framework's own checks, run on the harness's display.

case_ui_framework() {
  local exe="$BUILD/ui/tests/orvane_ui_tests.exe" code=0
  [[ -f "$exe" ]] || fail "not built: $exe" || return
  wine_run_program ui-tests "$CASE_DIR" 120 "$exe" || code=$?
  ((code == 0)) || fail "orvane_ui_tests.exe exit code $code: $(grep -m1 -i fail "$CASE_DIR/ui-tests.out" "$CASE_DIR/ui-tests.err" || true)"
}
