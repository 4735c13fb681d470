# After CPack: the zip rewritten so that the same files give the same bytes
# (tools/normalize_zip.py, with the commit's time), then SHA256SUMS beside the
# packages, in the format `sha256sum -c` reads. The packages still lie in
# CPack's work folder here; they are moved unchanged into
# CPACK_PACKAGE_DIRECTORY afterwards.
set(sums "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.zip$")
    execute_process(COMMAND ${CPACK_WEATHER_PYTHON} ${CPACK_WEATHER_SOURCE_DIR}/tools/normalize_zip.py
                            ${package} ${CPACK_WEATHER_SOURCE_DATE_EPOCH}
      RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "Cannot normalize ${package}")
    endif()
  endif()
  file(SHA256 ${package} hash)
  get_filename_component(name ${package} NAME)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS "${sums}")
message(STATUS "checksums: ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS")
