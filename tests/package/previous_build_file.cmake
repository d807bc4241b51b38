# Run by CPack for the upgrade test's previous installer, between its install step and its
# packaging: a file that build has and the current one lacks, which the upgrade must take away.
file(WRITE "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/${CPACK_WAGGLER_RETIRED_FILE}"
  "Installed by the previous build alone.\r\n")
