# Writes a help2man include file with one section per velqor-config subcommand, each holding the
# subcommand's own --help, so that the manual page documents every option and not only the list.
# Run as: cmake -DPROGRAMA=<velqor-config> -DSALIDA=<file> -P VelqorManSubcomandos.cmake

execute_process(COMMAND ${PROGRAMA} --help OUTPUT_VARIABLE ayuda RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAMA} --help failed")
endif()

# The subcommands are the lines "  name   description" after "Subcommands:".
string(REGEX MATCH "Subcommands:\n(([ ]+[a-z-]+[^\n]*\n)+)" bloque "${ayuda}")
string(REGEX MATCHALL "\n?  ([a-z-]+) " nombres "${CMAKE_MATCH_1}")
if(NOT nombres)
  message(FATAL_ERROR "${PROGRAMA} --help lists no subcommands under \"Subcommands:\"")
endif()

set(texto "[SUBCOMMANDS]\n")
foreach(linea IN LISTS nombres)
  string(STRIP "${linea}" nombre)
  execute_process(COMMAND ${PROGRAMA} ${nombre} --help OUTPUT_VARIABLE detalle RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PROGRAMA} ${nombre} --help failed")
  endif()
  # Backslashes are roff's escape, and a line starting with a period or an apostrophe would be a
  # request: both are written so that they print as they are.
  string(REPLACE "\\" "\\e" detalle "${detalle}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" detalle "${detalle}")
  string(APPEND texto ".SS ${nombre}\n.nf\n${detalle}.fi\n")
endforeach()
file(WRITE "${SALIDA}" "${texto}")
