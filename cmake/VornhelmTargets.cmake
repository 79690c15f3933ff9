# vh_area_library(<area> [LIBS ...] [EXCLUDE file ...])
# Builds the static library vh_<area> from every source file of the area's
# folder.
function(vh_area_library area)
  cmake_parse_arguments(ARG "" "" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${ex})
  endforeach()
  add_library(vh_${area} STATIC ${sources})
  target_include_directories(vh_${area} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(vh_${area} PUBLIC ${ARG_LIBS})
endfunction()

# vh_area_tests(<area> [LIBS ...])
# Every tests/<area>/tst_*.cpp becomes one Qt Test executable run by CTest.
# Other .cpp files of the folder are helpers compiled into each.
function(vh_area_tests area)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  set(dir ${CMAKE_SOURCE_DIR}/tests/${area})
  file(GLOB tests CONFIGURE_DEPENDS ${dir}/tst_*.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  list(REMOVE_ITEM helpers ${tests} "")
  file(GLOB common CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/common/*.cpp ${CMAKE_SOURCE_DIR}/tests/common/*.h)
  foreach(src IN LISTS tests)
    get_filename_component(name ${src} NAME_WE)
    set(target ${area}_${name})
    add_executable(${target} ${src} ${helpers} ${common} $<TARGET_OBJECTS:vh_resources>)
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${target} PRIVATE vh_${area} ${ARG_LIBS} Qt5::Test)
    target_compile_definitions(${target} PRIVATE
        VH_SOURCE_DIR="${CMAKE_SOURCE_DIR}" VH_BUILD_DIR="${CMAKE_BINARY_DIR}")
    add_dependencies(${target} vh_bundle)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES TIMEOUT 600
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endforeach()
endfunction()
