# Read by cpack for each generator (CPACK_PROJECT_CONFIG_FILE): the zip holds
# one top folder; the installer is named apart from it and puts the files
# straight into its folder. The NSIS template takes the WEATHER_* settings
# under their short names.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  foreach(name SHORTCUT_NAME INSTALLER_ICON AUTORUN_STAYS)
    set(WEATHER_${name} "${CPACK_WEATHER_${name}}")
  endforeach()
endif()
