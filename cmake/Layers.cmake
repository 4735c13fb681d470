# The program's layers, bottom to top: base, json, net, weather, win, app, ui
# (the program's entry, app/Main.cpp, sits on top of them all). Each is one
# static library that links only layers below it, and whose include folder
# holds nothing but a link to its own sources, so its headers are reached as
# "<layer>/Name.h" and no other layer's. A source that includes a header of a
# layer above its own does not compile: that header is on none of the folders
# its target sees.

# The portable sources (*.cpp) of the current folder's layer and this
# platform's halves of it (*_win.cpp or *_posix.cpp), into out.
function(weather_layer_sources out)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_win\\.cpp$")
  endif()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()

# Gives target the include folder of the current folder's layer.
function(weather_layer_includes target)
  get_filename_component(layer ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(folder ${CMAKE_BINARY_DIR}/layers/${layer})
  file(MAKE_DIRECTORY ${folder})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${folder}/${layer} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${folder})
endfunction()

# The layer's own texts: <layer>/Texts.txt (UTF-8) made into the GBK literals
# of "<layer>/GbkTexts.h", in namespace, by tools/build_texts.py.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(weather_layer_texts target namespace)
  get_filename_component(layer ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(folder ${CMAKE_BINARY_DIR}/generated/layers/${layer})
  set(header ${folder}/${layer}/GbkTexts.h)
  add_custom_command(OUTPUT ${header}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/build_texts.py texts
            ${CMAKE_CURRENT_SOURCE_DIR}/Texts.txt ${header} ${namespace}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/Texts.txt ${CMAKE_SOURCE_DIR}/tools/build_texts.py
    VERBATIM)
  target_sources(${target} PRIVATE ${header})
  target_include_directories(${target} PUBLIC ${folder})
endfunction()

# Every header of the layer compiled alone, seeing only what the layer sees:
# a header that reaches a higher layer fails here even where no source of
# its own layer includes it. Off Windows, headers of the Windows API are left
# out.
function(weather_layer_header_check target)
  get_filename_component(layer ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  file(GLOB headers RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  set(sources "")
  foreach(header IN LISTS headers)
    if(NOT WIN32)
      file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/${header} windows REGEX "^#include <(windows|unknwn)\\.h>")
      if(windows)
        continue()
      endif()
    endif()
    string(REGEX REPLACE "\\.h$" ".cpp" name ${header})
    set(source ${CMAKE_CURRENT_BINARY_DIR}/headers/${name})
    file(CONFIGURE OUTPUT ${source} CONTENT "#include \"${layer}/${header}\"\n")
    list(APPEND sources ${source})
  endforeach()
  add_library(${target}_headers OBJECT ${sources})
  target_link_libraries(${target}_headers PRIVATE ${target})
endfunction()
