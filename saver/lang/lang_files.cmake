# The screen saver's language files, kept as UTF-8 and shipped in Windows-1252
# (the programs' ANSI code page) beside the programs in bin/. Include after the
# tests are added: the settings tests read them there.
if(VESKO_WINDOWS)
  set(saver_lang_outputs "")
  foreach(lang deutsch english)
    set(src ${CMAKE_SOURCE_DIR}/saver/lang/${lang}.lng)
    set(out ${CMAKE_BINARY_DIR}/bin/${lang}.lng)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin
      COMMAND iconv -f UTF-8 -t WINDOWS-1252 -o ${out} ${src}
      DEPENDS ${src}
      COMMENT "Converting the language file ${lang}.lng to Windows-1252")
    list(APPEND saver_lang_outputs ${out})
  endforeach()
  add_custom_target(saver_lang_files ALL DEPENDS ${saver_lang_outputs})
  if(TARGET t_saver_settings)
    add_dependencies(t_saver_settings saver_lang_files)
  endif()
endif()
