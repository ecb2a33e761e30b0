# zv_add_library(<target> [QT <component>...] [DEPS <target>...])
#
# One library per subsystem folder. Sources are picked up from the folder
# itself, so adding a file never means touching this list.
function(zv_add_library target)
  cmake_parse_arguments(L "" "" "QT;DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(qtlibs)
  foreach(c ${L_QT})
    list(APPEND qtlibs Qt5::${c})
  endforeach()
  set(units ${sources})
  list(FILTER units INCLUDE REGEX "\\.cpp$")
  if(units)
    add_library(${target} STATIC ${sources})
    target_link_libraries(${target} PUBLIC ${qtlibs} ${L_DEPS})
  else()
    # A subsystem that has no code yet still exists for its users to link.
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${qtlibs} ${L_DEPS})
  endif()
endfunction()
