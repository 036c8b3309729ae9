# sound.rc carries the audio DLL from the bin folder: vesko.exe and its test
# build wait for the DLL, and a rebuilt DLL rebuilds the resource.
if(TARGET veskoaudio)
  set_source_files_properties(${CMAKE_SOURCE_DIR}/calendar/sound/sound.rc PROPERTIES
    INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/bin
    OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/bin/veskoaudio.dll)
  foreach(program vesko vesko_test)
    if(TARGET ${program})
      add_dependencies(${program} veskoaudio)
    endif()
  endforeach()
endif()
