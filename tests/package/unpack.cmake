# Unpacks the Debian package into a scratch root (as dpkg -x does, without installing it) and
# the Windows zip beside it, for the tests that look inside them.
# Called as: cmake -DDEB=... -DZIP=... -DOUT=... -P unpack.cmake
foreach(package IN ITEMS "${DEB}" "${ZIP}")
  if(NOT EXISTS "${package}")
    message(FATAL_ERROR "no ${package}: build the packages with `make package`")
  endif()
endforeach()
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}/root" "${OUT}/zip")
execute_process(COMMAND dpkg -x "${DEB}" "${OUT}/root" COMMAND_ERROR_IS_FATAL ANY)
file(ARCHIVE_EXTRACT INPUT "${ZIP}" DESTINATION "${OUT}/zip")
