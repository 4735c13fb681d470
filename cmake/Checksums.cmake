# After CPack: SHA256SUMS beside the packages, in the format `sha256sum -c`
# reads. The packages still lie in CPack's work folder here; they are moved
# unchanged into CPACK_PACKAGE_DIRECTORY afterwards.
set(sums "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  file(SHA256 ${package} hash)
  get_filename_component(name ${package} NAME)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS "${sums}")
message(STATUS "checksums: ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS")
