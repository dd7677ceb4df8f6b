# Runs lupdate over the source folders into a copy of the Russian catalogue
# and fails on any message that is unfinished there.
file(COPY_FILE ${SOURCE}/translations/brimsett_ru.ts ${COPY})
execute_process(COMMAND ${LUPDATE} -silent -no-obsolete -locations none app database dialogs failures
                        regional testview tool ui -ts ${COPY}
                WORKING_DIRECTORY ${SOURCE} RESULT_VARIABLE Result)
if(NOT Result EQUAL 0)
  message(FATAL_ERROR "lupdate failed: ${Result}")
endif()
file(STRINGS ${COPY} Unfinished REGEX "type=\"unfinished\"")
file(STRINGS ${COPY} Sources REGEX "<source>")
list(LENGTH Sources Count)
if(Unfinished OR Count LESS 60)
  message(FATAL_ERROR "${Count} texts, untranslated in translations/brimsett_ru.ts:\n"
                      "${Unfinished}\n(lupdate ... -ts translations/brimsett_ru.ts adds them)")
endif()
