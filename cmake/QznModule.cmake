include_guard(GLOBAL)

# The build checks every library's includes against the layering
# (docs/layout.md) with this interpreter.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Folders of toolkit-free tables (texts, command ids) that every folder may
# include: they include no other folder, and the core links nothing of them.
set(QZN_SHARED_HEADER_FOLDERS resources)

# qzn_module(<folder> [deps...]) makes the library qzn_<folder> from every .cpp
# directly in <folder>. A folder with no sources yet becomes an interface
# library, so later work only has to add files. A subfolder makes its own
# library with the slash turned into "_" (widgets/core: qzn_widgets_core).
#
# The deps are the folders the library is built from, and so the only ones
# its files may include (with theirs): the build stops on any other include
# (qzn_check_includes). A dep is linked PUBLIC when a header of the folder
# includes it, since whoever includes that header needs it too, and PRIVATE
# when only the folder's sources do.
function(qzn_module name)
  file(GLOB _src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${name}/*.cpp)
  string(REPLACE "/" "_" _target ${name})
  set(_target qzn_${_target})
  if(_src)
    add_library(${_target} STATIC ${_src})
    target_include_directories(${_target} PUBLIC ${PROJECT_SOURCE_DIR})
    _qzn_folders_in_headers(_shown ${name} ${ARGN})
    foreach(d IN LISTS ARGN)
      string(REPLACE "/" "_" _dt ${d})
      if(d IN_LIST _shown)
        target_link_libraries(${_target} PUBLIC qzn_${_dt})
      else()
        target_link_libraries(${_target} PRIVATE qzn_${_dt})
      endif()
    endforeach()
  else()
    add_library(${_target} INTERFACE)
    target_include_directories(${_target} INTERFACE ${PROJECT_SOURCE_DIR})
    foreach(d IN LISTS ARGN)
      string(REPLACE "/" "_" _dt ${d})
      target_link_libraries(${_target} INTERFACE qzn_${_dt})
    endforeach()
  endif()
  qzn_check_includes(${_target} ${name} ${ARGN})
endfunction()

# Sets <out> to those of the folders given after <folder> that a header
# directly in <folder> includes (a file of the folder or of a subfolder).
function(_qzn_folders_in_headers out folder)
  file(GLOB _headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  set(_included)
  foreach(h IN LISTS _headers)
    file(STRINGS ${h} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"][^>\"]+/")
    foreach(l IN LISTS _lines)
      if(l MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)/[^/>\"]+[>\"]")
        list(APPEND _included ${CMAKE_MATCH_1})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES _included)
  set(_shown)
  foreach(d IN LISTS ARGN)
    foreach(f IN LISTS _included)
      if(f STREQUAL d OR f MATCHES "^${d}/")
        list(APPEND _shown ${d})
        break()
      endif()
    endforeach()
  endforeach()
  set(${out} ${_shown} PARENT_SCOPE)
endfunction()

# qzn_check_includes(<target> <folder> [deps...]) has <target> built only
# after tools/check_includes.py found that the files directly in <folder>
# include nothing but <folder>, the deps with the folders they are built from
# (and the subfolders of all these) and QZN_SHARED_HEADER_FOLDERS; and no
# toolkit header unless <target> links qzn_wx. The check runs once every
# folder is declared, at the end of the top folder's CMakeLists.txt.
function(qzn_check_includes target folder)
  set_property(GLOBAL APPEND PROPERTY QZN_CHECKED_TARGETS ${target})
  set_property(GLOBAL PROPERTY QZN_FOLDER_OF_${target} ${folder})
  string(MAKE_C_IDENTIFIER ${folder} _id)
  set_property(GLOBAL PROPERTY QZN_DEPS_OF_${_id} ${ARGN})
endfunction()

function(_qzn_add_include_checks)
  get_property(_targets GLOBAL PROPERTY QZN_CHECKED_TARGETS)
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/include-checks)
  foreach(t IN LISTS _targets)
    get_property(_folder GLOBAL PROPERTY QZN_FOLDER_OF_${t})
    string(MAKE_C_IDENTIFIER ${_folder} _id)
    # The folders it is built from, and the ones they are built from.
    get_property(_may GLOBAL PROPERTY QZN_DEPS_OF_${_id})
    set(_todo ${_may})
    while(_todo)
      list(POP_FRONT _todo _d)
      string(MAKE_C_IDENTIFIER ${_d} _did)
      get_property(_more GLOBAL PROPERTY QZN_DEPS_OF_${_did})
      foreach(m IN LISTS _more)
        if(NOT m IN_LIST _may)
          list(APPEND _may ${m})
          list(APPEND _todo ${m})
        endif()
      endforeach()
    endwhile()
    foreach(s IN LISTS QZN_SHARED_HEADER_FOLDERS)
      if(NOT s IN_LIST _may AND NOT s STREQUAL _folder)
        list(APPEND _may ${s})
      endif()
    endforeach()
    set(_toolkit)
    get_target_property(_libs ${t} LINK_LIBRARIES)
    get_target_property(_ilibs ${t} INTERFACE_LINK_LIBRARIES)
    if(qzn_wx IN_LIST _libs OR qzn_wx IN_LIST _ilibs)
      set(_toolkit --toolkit)
    endif()
    file(GLOB _files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${_folder}/*.h ${PROJECT_SOURCE_DIR}/${_folder}/*.cpp)
    set(_stamp ${PROJECT_BINARY_DIR}/include-checks/${_id}.stamp)
    add_custom_command(OUTPUT ${_stamp}
      COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/check_includes.py --root ${PROJECT_SOURCE_DIR}
        --folder ${_folder} --may ${_may} ${_toolkit} --stamp ${_stamp} -- ${_files}
      DEPENDS ${PROJECT_SOURCE_DIR}/tools/check_includes.py ${_files}
      COMMENT "Checking the includes of ${_folder}/"
      VERBATIM)
    add_custom_target(${t}_includes ALL DEPENDS ${_stamp})
    add_dependencies(${t} ${t}_includes)
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL _qzn_add_include_checks)

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
  set(_timeout 600)
  # The discovered tests get their properties as one flat list, which cannot
  # carry a list value: the labels go last, where the extra ones cannot
  # shift the other properties' pairs.
  gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR} PROPERTIES TIMEOUT ${_timeout} ${_lock} LABELS ${labels})
endfunction()
