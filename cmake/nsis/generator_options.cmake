# Read by cpack once per generator: the installer takes a name of its own beside the zip, and
# its version resource the four numbers Windows wants (from a version that `cpack -D` may set);
# without its pictures it says where they come from.
if(CPACK_GENERATOR STREQUAL "NSIS64")
  set(CPACK_PACKAGE_FILE_NAME waggler-${CPACK_PACKAGE_VERSION}-windows-setup)
  set(CPACK_WAGGLER_VERSION_QUAD ${CPACK_PACKAGE_VERSION}.0)
  file(GLOB pictures "${CPACK_WAGGLER_PICTURES}/*.bmp")
  if(NOT pictures)
    message(FATAL_ERROR "The installer's pictures are not in ${CPACK_WAGGLER_PICTURES}: the "
      "Linux tree draws them (cmake --build --preset linux --target installer_pictures), "
      "which `make package` does first.")
  endif()
endif()
