# One static library per layer. Sources are collected from the layer's folder so that
# adding a file pair needs no edit here; the layer's own CMakeLists states its links.

# Ninja's autogen step only re-runs for the files it saw on its first run; when the set of
# sources changes, drop its stamp so that a newly added Q_OBJECT class is moc'ed too.
function(_velmora_refresh_autogen name sources)
  string(SHA1 _hash "${sources}")
  set(_stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}_sources.sha1)
  if(EXISTS ${_stamp})
    file(READ ${_stamp} _old)
  else()
    set(_old "")
  endif()
  if(NOT _old STREQUAL _hash)
    file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/timestamp)
    file(WRITE ${_stamp} "${_hash}")
  endif()
endfunction()

# velmora_layer(name [EXCLUDE folder...]): the folders named (relative to the layer's folder)
# hold a library of their own and are left out.
function(velmora_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 _layer "" "" "EXCLUDE")
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(_folder IN LISTS _layer_EXCLUDE)
    set(_prefix "${CMAKE_CURRENT_SOURCE_DIR}/${_folder}/")
    string(LENGTH "${_prefix}" _length)
    set(_kept "")
    foreach(_source IN LISTS _sources)
      string(SUBSTRING "${_source}" 0 ${_length} _start)
      if(NOT _start STREQUAL _prefix)
        list(APPEND _kept "${_source}")
      endif()
    endforeach()
    set(_sources ${_kept})
  endforeach()
  add_library(${name} STATIC ${_sources})
  _velmora_refresh_autogen(${name} "${_sources}")
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE velmora_warnings)
endfunction()

# One GoogleTest executable per layer, sharing one main.
function(velmora_layer_tests name layer)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_executable(${name} ${_sources})
  _velmora_refresh_autogen(${name} "${_sources}")
  target_link_libraries(${name} PRIVATE ${layer} velmora_test_main velmora_warnings)
  # The test files of a layer read the same test framework and Qt headers: parsed once.
  target_precompile_headers(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/common/TestPrecompiled.h)
  # The desktop-session tests run in a session of their own (tests/planner/CMakeLists.txt).
  gtest_discover_tests(${name}
    TEST_FILTER "-DesktopSession*"
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
