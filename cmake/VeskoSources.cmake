# Source conventions shared by the library, the programs and their tests:
#   *_test.cpp       GoogleTest sources; one test executable per folder
#   *_test.py        Python unittest scripts of the test tools, run natively
#   *_gui_test.cpp   tests that open windows: run with a private X display
#   *_win.cpp        Windows-only (GDI, windows, registry); not built natively
#   *_fuzz.cpp       native fuzz targets, built by bench/
#   winmain_win.cpp  a program's entry point
#   calendar/<name>tool/, saver/<name>tool/: a console program <name>tool of
#                    its own (with main), linked with that program's library

function(vesko_collect_sources out dir)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
  list(FILTER files EXCLUDE REGEX "_test\\.cpp$|_fuzz\\.cpp$|_bench\\.cpp$")
  if(NOT VESKO_WINDOWS)
    list(FILTER files EXCLUDE REGEX "_win\\.cpp$")
  endif()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

function(vesko_add_program target dir output)
  file(GLOB_RECURSE entry CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*winmain_win.cpp)
  if(NOT entry)
    return()
  endif()
  file(GLOB_RECURSE resources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.rc)
  add_executable(${target} WIN32 ${entry} ${resources})
  target_link_libraries(${target} PRIVATE ${dir}_core)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output} SUFFIX ""
                                             RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endfunction()

function(vesko_add_console_tools dir)
  if(NOT TARGET ${dir}_core)
    return()
  endif()
  file(GLOB tooldirs LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*tool)
  foreach(td ${tooldirs})
    get_filename_component(name ${td} NAME)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${td}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "_test\\.cpp$")
    if(NOT VESKO_WINDOWS)
      list(FILTER sources EXCLUDE REGEX "_win\\.cpp$")
    endif()
    if(sources)
      add_executable(${name} ${sources})
      target_link_libraries(${name} PRIVATE ${dir}_core)
      set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    endif()
  endforeach()
endfunction()

# Fixtures made at test time by every fixtures.sh in the tree.
set(VESKO_FIXTURES_DIR ${CMAKE_BINARY_DIR}/fixtures)

# Tests find the source and build folders through compile definitions of the
# support library; a test executable named *_gui runs on a private display.
# A test suite named *Child is the half of another test that it starts as a
# child process: it is not a test of its own, so discovery leaves it out.
function(vesko_add_test_exe name sources libs labels gui)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${libs} vesko_test_support GTest::gtest GTest::gtest_main)
  set(lock "")
  if(gui)
    set(lock RESOURCE_LOCK wine_gui)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES TEST_FILTER "-*Child.*"
    PROPERTIES TIMEOUT 300 LABELS "${labels}" FIXTURES_REQUIRED vesko_fixtures ${lock})
endfunction()

function(vesko_add_tests)
  add_test(NAME make_fixtures COMMAND ${CMAKE_SOURCE_DIR}/tools/make-fixtures ${CMAKE_SOURCE_DIR} ${VESKO_FIXTURES_DIR})
  set_tests_properties(make_fixtures PROPERTIES FIXTURES_SETUP vesko_fixtures TIMEOUT 600 LABELS fixtures)

  file(GLOB_RECURSE tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/imaging/*_test.cpp ${CMAKE_SOURCE_DIR}/common/*_test.cpp
       ${CMAKE_SOURCE_DIR}/calendar/*_test.cpp ${CMAKE_SOURCE_DIR}/audio/*_test.cpp
       ${CMAKE_SOURCE_DIR}/saver/*_test.cpp ${CMAKE_SOURCE_DIR}/tests/*_test.cpp)
  if(NOT VESKO_WINDOWS)
    list(FILTER tests EXCLUDE REGEX "_win_test\\.cpp$|_gui_test\\.cpp$")
  endif()
  set(dirs "")
  foreach(t ${tests})
    get_filename_component(d ${t} DIRECTORY)
    list(APPEND dirs ${d})
  endforeach()
  list(REMOVE_DUPLICATES dirs)
  foreach(d ${dirs})
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${d})
    string(REPLACE "/" "_" name "t_${rel}")
    set(plain "")
    set(gui "")
    foreach(t ${tests})
      get_filename_component(td ${t} DIRECTORY)
      if(td STREQUAL d)
        if(t MATCHES "_gui_test\\.cpp$")
          list(APPEND gui ${t})
        else()
          list(APPEND plain ${t})
        endif()
      endif()
    endforeach()
    set(libs is5)
    if(rel MATCHES "^common")
      set(libs common_core)
    elseif(rel MATCHES "^audio")
      set(libs audio_core)
    elseif(rel MATCHES "^calendar" AND TARGET calendar_core)
      set(libs calendar_core)
    elseif(rel MATCHES "^saver" AND TARGET saver_core)
      set(libs saver_core)
    endif()
    if(plain)
      vesko_add_test_exe(${name} "${plain}" "${libs}" "unit" FALSE)
    endif()
    if(gui)
      vesko_add_test_exe(${name}_gui "${gui}" "${libs}" "gui" TRUE)
    endif()
  endforeach()

  # The web server's Windows test makes its requests with WinInet itself.
  if(TARGET t_tests_webserver AND VESKO_WINDOWS)
    target_link_libraries(t_tests_webserver PRIVATE wininet)
  endif()

  # The test tools' own self-tests need no Windows: they run with the native build.
  if(NOT VESKO_WINDOWS)
    file(GLOB_RECURSE scripts CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*_test.py)
    foreach(t ${scripts})
      file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${t})
      string(REGEX REPLACE "[/.]" "_" name "py_${rel}")
      add_test(NAME ${name} COMMAND python3 ${t})
      set_tests_properties(${name} PROPERTIES LABELS unit TIMEOUT 300)
    endforeach()
  endif()
endfunction()

# Fuzz targets (*_fuzz.cpp, defining LLVMFuzzerTestOneInput): every build
# replays the target's regression inputs (regressions/<name>/ beside it) under
# ctest; the fuzz preset (clang, VESKO_FUZZ) also builds the libFuzzer binaries.
function(vesko_add_fuzz_targets)
  file(GLOB_RECURSE targets CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/imaging/*_fuzz.cpp ${CMAKE_SOURCE_DIR}/common/*_fuzz.cpp
       ${CMAKE_SOURCE_DIR}/calendar/*_fuzz.cpp ${CMAKE_SOURCE_DIR}/saver/*_fuzz.cpp ${CMAKE_SOURCE_DIR}/audio/*_fuzz.cpp ${CMAKE_SOURCE_DIR}/tests/*_fuzz.cpp)
  if(VESKO_FUZZ)
    add_custom_target(fuzz_all)
  endif()
  foreach(t ${targets})
    get_filename_component(name ${t} NAME_WE)
    string(REGEX REPLACE "_fuzz$" "" name ${name})
    get_filename_component(dir ${t} DIRECTORY)
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${dir})
    set(libs is5)
    if(rel MATCHES "^common")
      set(libs common_core)
    elseif(rel MATCHES "^audio")
      set(libs audio_core)
    elseif(rel MATCHES "^calendar" AND TARGET calendar_core)
      set(libs calendar_core)
    elseif(rel MATCHES "^saver" AND TARGET saver_core)
      set(libs saver_core)
    endif()
    add_executable(replay_${name} ${t} ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
    target_link_libraries(replay_${name} PRIVATE ${libs})
    add_test(NAME fuzz_regressions_${name} COMMAND replay_${name} ${dir}/regressions/${name})
    set_tests_properties(fuzz_regressions_${name} PROPERTIES LABELS fuzz TIMEOUT 120)
    if(VESKO_FUZZ)
      add_executable(fuzz_${name} ${t})
      target_link_libraries(fuzz_${name} PRIVATE ${libs})
      target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
      add_dependencies(fuzz_all fuzz_${name})
    endif()
  endforeach()
endfunction()
