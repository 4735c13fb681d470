# What a user downloads: Weather-<version>-win64.zip with the program, its
# pictures (image_Index, which it reads beside itself), short notes in Chinese
# (GBK) and English, and the licence; a SHA256SUMS file lies beside the zip.
#   cmake --install <build> --prefix <folder>     the same files, unpacked
#   cpack --preset windows-release                the zip (tools/release.sh)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# The notes name this build's endpoints and data source; Windows editors want
# CRLF, and the Chinese notes GBK like the program's own texts.
set(notes ${CMAKE_BINARY_DIR}/generated/notes)
# A package that asks this computer is only good for testing, and says so first.
set(TEST_BUILD_NOTE "")
set(TEST_BUILD_NOTE_ZH "")
if(WEATHER_LOCAL_RELEASE OR NOT WEATHER_RELEASE)
  set(TEST_BUILD_NOTE "A TEST BUILD, not for users: it asks this computer (or its own network)
for the location and the forecasts, at ${LOCATION_HOST} and ${REPORT_HOST}, so
it works only where the weather web service runs there.

")
  set(TEST_BUILD_NOTE_ZH "测试版本，不面向用户：它向本机（或本机所在的局域网）询问位置和天气预报，
地址是 ${LOCATION_HOST} 和 ${REPORT_HOST}，只能在那里运行着天气网络服务时使用。

")
endif()
foreach(note IN ITEMS 说明.txt:gbk README.txt:utf-8-sig)
  string(REPLACE ":" ";" note ${note})
  list(GET note 0 name)
  list(GET note 1 encoding)
  configure_file(${CMAKE_SOURCE_DIR}/resources/notes/${name}.in ${notes}/utf-8/${name} @ONLY)
  execute_process(
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/build_texts.py text
            ${notes}/utf-8/${name} ${notes}/${name} ${encoding}
    RESULT_VARIABLE failed ERROR_VARIABLE message)
  if(failed)
    message(FATAL_ERROR "Cannot write the package's ${name}: ${message}")
  endif()
endforeach()
execute_process(
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/build_texts.py text
          ${CMAKE_SOURCE_DIR}/LICENSE ${notes}/LICENSE.txt utf-8-sig
  RESULT_VARIABLE failed ERROR_VARIABLE message)
if(failed)
  message(FATAL_ERROR "Cannot write the package's LICENSE.txt: ${message}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/LICENSE)

install(TARGETS Weather RUNTIME DESTINATION .)
install(DIRECTORY ${WEATHER_PICTURE_DIR} DESTINATION .)
install(FILES ${notes}/说明.txt ${notes}/README.txt ${notes}/LICENSE.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Weather)
set(CPACK_PACKAGE_VENDOR ${PUBLISHER_NAME})
set(CPACK_PACKAGE_FILE_NAME Weather-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/Checksums.cmake)
set(CPACK_WEATHER_PYTHON ${Python3_EXECUTABLE})
set(CPACK_WEATHER_SOURCE_DIR ${CMAKE_SOURCE_DIR})
if(WEATHER_SOURCE_DATE_EPOCH)
  set(CPACK_WEATHER_SOURCE_DATE_EPOCH ${WEATHER_SOURCE_DATE_EPOCH})
else()
  string(TIMESTAMP CPACK_WEATHER_SOURCE_DATE_EPOCH "%s" UTC)
endif()
include(CPack)
