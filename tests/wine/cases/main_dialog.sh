# shellcheck shell=bash
# The main dialog on its own, with no Zentor: how it first looks, that the
# probe finding nothing changes nothing, and that each way of closing it ends
# the program.

# ENDING: the driver's steps that close the dialog.
case_start_and_end() {
  local ending="$1"
  start_orvane
  # Visible means initialised: the status line must already show 102, never
  # the template's placeholder. Two probes pass during the hold.
  drive start window 30000 timeout 0 status 102 update off close on focus close \
    timeout 5000 hold 2500 || return
  shoot main-dialog || return
  drive_words end "window 5000 $ending gone" || return
  expect_orvane_exit 10
}

# HOW: ok or escape, the way the About box is ended.
case_about_box() {
  local how="$1"
  start_orvane
  # The pause lets the box paint itself before the screenshot.
  drive open window 30000 timeout 0 status 102 timeout 5000 about sleep 700 || return
  shoot about-box || return
  # Back from the box the main dialog is unchanged and takes input; the box
  # opens again as often as asked.
  drive close window 5000 about-close "$how" timeout 0 status 102 update off close on \
    timeout 5000 about about-close "$how" key escape gone || return
  expect_orvane_exit 10
}
