# Windows build extras of the calendar program, for the top-level CMakeLists
# (include after the programs are added):
#  - vesko_test.exe: the same sources as vesko.exe plus VESKO_TEST_BUILD, which
#    takes a clock start, a time scale, a message-box sink file and a call-log
#    file from the environment (VESKO_TEST_CLOCK, VESKO_TEST_TIMESCALE,
#    VESKO_TEST_MSGBOX, VESKO_TEST_CALLLOG, VESKO_TEST_DUMP); vesko.exe has none of them.
#  - 840D.chm beside the programs, compiled with chmcmd (fp-utils), and
#    LIZENZEN.txt, the month pictures' licence notices; both take the pictures'
#    credits from calendar/wallpaper/assets/CREDITS through calendar/help/licences.py.
#  - the regional-settings test once more under the C locale, which Wine takes
#    for English (United States); discovery runs it under the German one.
if(VESKO_WINDOWS AND TARGET vesko)
  file(GLOB_RECURSE vesko_test_entry CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/calendar/*winmain_win.cpp)
  file(GLOB_RECURSE vesko_test_resources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/calendar/*.rc)
  add_executable(vesko_test WIN32 ${vesko_test_entry} ${vesko_test_resources})
  target_compile_definitions(vesko_test PRIVATE VESKO_TEST_BUILD)
  target_link_libraries(vesko_test PRIVATE calendar_core)
  set_target_properties(vesko_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

  file(GLOB_RECURSE vesko_help_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/calendar/help/html/*.html)
  set(vesko_credits ${CMAKE_SOURCE_DIR}/calendar/wallpaper/assets/CREDITS ${CMAKE_SOURCE_DIR}/calendar/help/licences.py)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/bin/840D.chm
    COMMAND ${CMAKE_SOURCE_DIR}/calendar/help/build-chm.sh ${CMAKE_BINARY_DIR}/bin
    DEPENDS ${vesko_help_sources} ${CMAKE_SOURCE_DIR}/calendar/help/840D.hhp ${CMAKE_SOURCE_DIR}/calendar/help/840D.hhc
            ${CMAKE_SOURCE_DIR}/calendar/help/build-chm.sh ${vesko_credits}
    COMMENT "Compiling the help file 840D.chm")
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/bin/LIZENZEN.txt
    COMMAND python3 ${CMAKE_SOURCE_DIR}/calendar/help/licences.py text ${CMAKE_SOURCE_DIR}/calendar/wallpaper/assets/CREDITS
            ${CMAKE_BINARY_DIR}/bin/LIZENZEN.txt
    DEPENDS ${vesko_credits}
    COMMENT "Writing the month pictures' licences LIZENZEN.txt")
  add_custom_target(vesko_help ALL DEPENDS ${CMAKE_BINARY_DIR}/bin/840D.chm ${CMAKE_BINARY_DIR}/bin/LIZENZEN.txt)

  add_test(NAME Program.DateLineAndFirstWeekdayFollowTheLocale.English
    COMMAND ${CMAKE_COMMAND} -E env VESKO_LOCALE=C ${CMAKE_BINARY_DIR}/wine-run $<TARGET_FILE:t_calendar_app_gui>
            --gtest_filter=Program.DateLineAndFirstWeekdayFollowTheLocale)
  set_tests_properties(Program.DateLineAndFirstWeekdayFollowTheLocale.English PROPERTIES
    TIMEOUT 300 LABELS gui FIXTURES_REQUIRED vesko_fixtures RESOURCE_LOCK wine_gui)
endif()
