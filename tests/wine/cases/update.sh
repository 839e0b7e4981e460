# shellcheck shell=bash
# The Update button against the emulated Zentor: the confirmation box, and a
# whole update followed to its end.

case_confirmation() {
  use_emulated_zentor present || return
  start_orvane
  drive ask window 30000 timeout 0 status 102 update off timeout 3000 status 118 update on \
    click update confirm timeout 0 update off close off timeout 5000 sleep 500 || return
  shoot confirmation || return
  # Cancel gives both buttons back and leaves the status line as it was.
  drive cancel window 5000 answer cancel update on close on timeout 0 status 118 \
    timeout 5000 key escape gone || return
  expect_orvane_exit 10
}

case_update_run() {
  use_emulated_zentor present || return
  start_orvane
  # 104, 106 and 111 may pass too quickly to be seen from outside; the others
  # stand for a second or more.
  drive run window 30000 timeout 3000 status 118 click update confirm answer ok follow 240000 \
    timeout 0 status 117 update off close on timeout 5000 progress 16384 \
    sequence 102,118,104?,106?,110,111?,113,114,119,116,117 || return
  shoot update-finished || return
  drive end window 5000 click close gone || return
  expect_orvane_exit 10
}
