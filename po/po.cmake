# SPDX-License-Identifier: MIT
# pelzo-quiz's message catalogs: each language listed in po/LINGUAS is
# compiled from po/<lang>.po with msgfmt into
# <build>/locale/<lang>/LC_MESSAGES/pelzo-quiz.mo, where the tool run from the
# build folder finds it (a Windows release ships the same locale folder beside
# pelzo-quiz.exe), and installed as share/locale/<lang>/LC_MESSAGES.
# po/update.sh refreshes po/pelzo-quiz.pot and the .po files from the sources.
find_program(PELZO_MSGFMT msgfmt NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/LINGUAS PELZO_LINGUAS REGEX "^[^#]")
set(PELZO_CATALOGS)
foreach(lang ${PELZO_LINGUAS})
  set(mo ${CMAKE_BINARY_DIR}/locale/${lang}/LC_MESSAGES/pelzo-quiz.mo)
  # --check: every translation keeps the printf places of its English text.
  add_custom_command(OUTPUT ${mo}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/locale/${lang}/LC_MESSAGES
    COMMAND ${PELZO_MSGFMT} --check -o ${mo} ${CMAKE_CURRENT_LIST_DIR}/${lang}.po
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${lang}.po
    COMMENT "Compiling the ${lang} messages of pelzo-quiz"
    VERBATIM)
  list(APPEND PELZO_CATALOGS ${mo})
  if(NOT WIN32)
    install(FILES ${mo} DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/${lang}/LC_MESSAGES)
  endif()
endforeach()
add_custom_target(pelzo-quiz-catalogs ALL DEPENDS ${PELZO_CATALOGS})
add_dependencies(pelzo-quiz pelzo-quiz-catalogs)
