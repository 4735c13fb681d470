# What a user downloads: Weather-<version>-win64.zip with the program, its
# pictures (image_Index, which it reads beside itself), short notes in Chinese
# (GBK) and English, and the licence; beside it the per-user installer of the
# same files, SHA256SUMS, and the Scoop and winget manifests.
#   cmake --install <build> --prefix <folder>     the same files, unpacked
#   cpack --preset windows-release                the zip and the installer (tools/release.sh)
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

# The zip, and where makensis is (Debian's nsis; setup.sh installs it; a
# release needs it) a per-user installer beside it, from cmake/nsis/NSIS.template.in.
set(CPACK_GENERATOR ZIP)
find_program(WEATHER_MAKENSIS makensis)
if(WEATHER_MAKENSIS)
  list(APPEND CPACK_GENERATOR NSIS)
elseif(WEATHER_RELEASE)
  message(FATAL_ERROR "A release makes an installer too: makensis is missing (apt-get install nsis)")
endif()
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_SOURCE_DIR}/cmake/nsis)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/PackageGenerators.cmake)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_NSIS_PACKAGE_NAME "${WEATHER_PRODUCT_TITLE} (Weather)")
set(CPACK_NSIS_DISPLAY_NAME "${WEATHER_PRODUCT_TITLE} (Weather) ${PROJECT_VERSION}")
set(CPACK_WEATHER_SHORTCUT_NAME "${WEATHER_PRODUCT_TITLE}")
set(CPACK_WEATHER_INSTALLER_ICON "${CMAKE_BINARY_DIR}/generated/res/Weather.ico")
set(CPACK_WEATHER_AUTORUN_STAYS "开机自动运行的登记无法删除：请以管理员身份运行 Weather.exe，点击“取消自动运行”。 Weather still starts with Windows: run Weather.exe as administrator and click its autorun button (取消自动运行).")
set(CPACK_PACKAGE_NAME Weather)
set(CPACK_PACKAGE_VENDOR ${PUBLISHER_NAME})
set(CPACK_PACKAGE_FILE_NAME Weather-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/Checksums.cmake)
set(CPACK_WEATHER_PYTHON ${Python3_EXECUTABLE})
# Where the release's files are published, for the Scoop and winget
# manifests: a placeholder until the project has its download page.
set(DOWNLOAD_URL "https://github.com/OWNER/weather/releases/download/v${PROJECT_VERSION}" CACHE STRING
  "Folder URL the release's files are published under (the package managers' manifests)")
set(CHECKVER_URL "https://github.com/OWNER/weather/releases/latest" CACHE STRING
  "Page that names the newest release's zip (Scoop's checkver)")
set(WINGET_IDENTIFIER "Qingyu.Weather" CACHE STRING "winget PackageIdentifier")
set(CPACK_WEATHER_DOWNLOAD_URL ${DOWNLOAD_URL})
set(CPACK_WEATHER_CHECKVER_URL ${CHECKVER_URL})
set(CPACK_WEATHER_WINGET_ID ${WINGET_IDENTIFIER})
set(CPACK_WEATHER_HOMEPAGE ${FIRST_WEB_ADDRESS})
set(CPACK_WEATHER_SOURCE_DIR ${CMAKE_SOURCE_DIR})
if(WEATHER_SOURCE_DATE_EPOCH)
  set(CPACK_WEATHER_SOURCE_DATE_EPOCH ${WEATHER_SOURCE_DATE_EPOCH})
else()
  string(TIMESTAMP CPACK_WEATHER_SOURCE_DATE_EPOCH "%s" UTC)
endif()
include(CPack)
