# qzn_module(<folder> [deps...]) makes the library qzn_<folder> from every .cpp
# directly in <folder>. A folder with no sources yet becomes an interface
# library, so later work only has to add files. A subfolder makes its own
# library with the slash turned into "_" (widgets/core: qzn_widgets_core).
function(qzn_module name)
  file(GLOB _src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${name}/*.cpp)
  string(REPLACE "/" "_" _target ${name})
  set(_target qzn_${_target})
  set(_deps)
  foreach(d IN LISTS ARGN)
    string(REPLACE "/" "_" d ${d})
    list(APPEND _deps qzn_${d})
  endforeach()
  if(_src)
    add_library(${_target} STATIC ${_src})
    target_include_directories(${_target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${_target} PUBLIC ${_deps})
  else()
    add_library(${_target} INTERFACE)
    target_include_directories(${_target} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${_target} INTERFACE ${_deps})
  endif()
endfunction()

function(qzn_link_if_static target)
  get_target_property(_type ${target} TYPE)
  if(_type STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${target} INTERFACE ${ARGN})
  else()
    target_link_libraries(${target} PUBLIC ${ARGN})
  endif()
endfunction()

# qzn_test_folder(<folder> <libs...>) makes one test program from every .cpp in
# tests/<folder>, registered with CTest test by test.
function(qzn_test_folder name)
  qzn_test_folder_labelled(${name} ${name} ${ARGN})
endfunction()

# The same with a list of labels ("gui;ui" for tests that need a display: they
# run under Xvfb, apart from the rest, see tools/run-tests.sh).
function(qzn_test_folder_labelled name labels)
  file(GLOB _src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${name}/*.cpp)
  if(NOT _src)
    return()
  endif()
  add_executable(test_${name} ${_src})
  target_link_libraries(test_${name} PRIVATE ${ARGN} qzn_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(test_${name} PRIVATE
    QZN_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QZN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # Tests on the display share one keyboard focus and one pointer: they run
  # one at a time, so a window of one test never takes the focus from another.
  set(_lock)
  if("gui" IN_LIST labels)
    set(_lock RESOURCE_LOCK display)
  endif()
  # A folder may ask for a shorter limit (QZN_TEST_TIMEOUT) where a hang of a
  # library it drives is retried rather than waited out (tools/run-tests.sh).
  set(_timeout 600)
  if(QZN_TEST_TIMEOUT)
    set(_timeout ${QZN_TEST_TIMEOUT})
  endif()
  # The discovered tests get their properties as one flat list, which cannot
  # carry a list value: the labels go last, where the extra ones cannot
  # shift the other properties' pairs.
  gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR} PROPERTIES TIMEOUT ${_timeout} ${_lock} LABELS ${labels})
endfunction()
