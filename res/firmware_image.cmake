# Chooses the firmware image and refuses one that the updater cannot carry.
# Done in the configure step with CMake's own file commands, so that the cross
# builds check the image as well as the native one.

set(ORVANE_FIRMWARE_SIZE 2097152)
# The device's key block: 512 bytes at 0xF000 that must be erased in the image,
# because the updater splices the device's own key block in there.
set(ORVANE_KEY_BLOCK_OFFSET 61440)
set(ORVANE_KEY_BLOCK_SIZE 512)

function(orvane_choose_firmware_image result_variable)
  if(ORVANE_FIRMWARE_IMAGE)
    file(REAL_PATH "${ORVANE_FIRMWARE_IMAGE}" image BASE_DIRECTORY "${CMAKE_SOURCE_DIR}")
  else()
    set(image "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/firmware/zentor_standin.bin")
  endif()
  if(NOT EXISTS "${image}" OR IS_DIRECTORY "${image}")
    message(FATAL_ERROR "Firmware image ${image}: no such file.")
  endif()

  file(SIZE "${image}" size)
  if(NOT size EQUAL ORVANE_FIRMWARE_SIZE)
    message(FATAL_ERROR "Firmware image ${image} is ${size} bytes; "
      "the Zentor's flash image must be exactly ${ORVANE_FIRMWARE_SIZE} bytes (2 MiB).")
  endif()

  file(READ "${image}" key_block OFFSET ${ORVANE_KEY_BLOCK_OFFSET} LIMIT ${ORVANE_KEY_BLOCK_SIZE} HEX)
  string(REPEAT "ff" ${ORVANE_KEY_BLOCK_SIZE} erased)
  if(NOT key_block STREQUAL erased)
    message(FATAL_ERROR "Firmware image ${image}: the key-block area 0xF000..0xF1FF "
      "is not erased (all 0xFF). An image read back from a device carries that "
      "device's key block and must not be used.")
  endif()

  # A changed image is checked again before it is built in.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${image}")
  set(${result_variable} "${image}" PARENT_SCOPE)
endfunction()
