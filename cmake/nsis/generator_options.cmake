# Read by cpack once per generator: the installer takes a name of its own beside the zip, and
# its version resource the four numbers Windows wants (from a version that `cpack -D` may set).
if(CPACK_GENERATOR STREQUAL "NSIS64")
  set(CPACK_PACKAGE_FILE_NAME waggler-${CPACK_PACKAGE_VERSION}-windows-setup)
  set(CPACK_WAGGLER_VERSION_QUAD ${CPACK_PACKAGE_VERSION}.0)
endif()
