# Installs the build into a scratch prefix and packs it as a Debian package: the
# installed tavik-host must find its plugin without --plugin and score the sample
# as the build does; the package must hold the same files and depend on the
# country file's package.
set(prefix ${SCRATCH}/prefix)
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH}/run)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(file bin/tavik-host bin/tavik-check lib/tavik/libTavik.so share/man/man1/tavik-host.1.gz
             share/man/man1/tavik-check.1.gz
             share/doc/tavik/copyright share/doc/tavik/changelog.gz)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
execute_process(COMMAND ${prefix}/bin/tavik-host --no-automation --dir ${SCRATCH}/run ${SAMPLE}
                RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE messages)
file(READ ${EXPECTED} expected)
if(NOT status EQUAL 0 OR NOT report STREQUAL expected)
  message(FATAL_ERROR "the installed tavik-host gave status ${status}:\n${report}\n${messages}")
endif()
execute_process(COMMAND gzip -dc ${prefix}/share/man/man1/tavik-host.1.gz OUTPUT_VARIABLE manual)
if(NOT manual MATCHES "\\.TH TAVIK-HOST 1 [^\n]*Tavik ${VERSION}")
  message(FATAL_ERROR "the manual page does not name version ${VERSION}")
endif()
# What the program does and how to run it come first, the technical details late.
set(from 0)
foreach(section NAME SYNOPSIS DESCRIPTION EXAMPLES OPTIONS "LIVE WINDOW" SCORING "EXIT STATUS"
                DETAILS FILES "SEE ALSO")
  string(FIND "${manual}" "\n.SH ${section}\n" at)
  if(at LESS from)
    message(FATAL_ERROR "the manual page lacks section ${section}, or it is out of order")
  endif()
  set(from ${at})
endforeach()
string(FIND "${manual}" "\n.SH DETAILS\n" details)
foreach(technical "Qorv2.Application" "byte offset")
  string(FIND "${manual}" "${technical}" at)
  if(at LESS details)
    message(FATAL_ERROR "the manual page tells of ${technical} before DETAILS")
  endif()
endforeach()
# Each option has an entry of its own in OPTIONS.
foreach(option call start end all watch bell scp cabrillo json strict dir cty plugin
               "no\\\\-automation" timing verbose version help)
  if(NOT manual MATCHES "\n\\.TP\n\\.B[IR]? [^\n]*\\\\-\\\\-${option}[ \n]")
    string(REPLACE "\\" "" option "${option}")
    message(FATAL_ERROR "the manual page has no entry for --${option}")
  endif()
endforeach()
if(NOT manual MATCHES "tavik-host \\\\-\\\\-watch ~/\\.fldigi/logs/logbook\\.adif"
   OR NOT manual MATCHES "\\.SH SEE ALSO\n\\.BR fldigi \\(1\\)")
  message(FATAL_ERROR "the manual page lacks the example of fldigi's log or its SEE ALSO")
endif()
find_program(GROFF groff)
if(GROFF)
  file(WRITE ${SCRATCH}/tavik-host.1 "${manual}")
  execute_process(COMMAND ${GROFF} -man -ww -z ${SCRATCH}/tavik-host.1
                  RESULT_VARIABLE status ERROR_VARIABLE warnings)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "groff warns about the manual page:\n${warnings}")
  endif()
endif()

find_program(DPKG_DEB dpkg-deb)
if(DPKG_DEB)
  execute_process(COMMAND ${CPACK} -G DEB -B ${SCRATCH}/package --config ${BUILD}/CPackConfig.cmake
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  file(GLOB packages ${SCRATCH}/package/*.deb)
  if(NOT status EQUAL 0 OR NOT packages)
    message(FATAL_ERROR "cpack -G DEB made no package")
  endif()
  execute_process(COMMAND ${DPKG_DEB} -f ${packages} Depends OUTPUT_VARIABLE depends)
  execute_process(COMMAND ${DPKG_DEB} -c ${packages} OUTPUT_VARIABLE contents)
  if(NOT depends MATCHES "hamradio-files")
    message(FATAL_ERROR "the package does not depend on hamradio-files: ${depends}")
  endif()
  foreach(file usr/bin/tavik-host usr/bin/tavik-check usr/lib/tavik/libTavik.so
      usr/share/man/man1/tavik-host.1.gz usr/share/man/man1/tavik-check.1.gz)
    if(NOT contents MATCHES "\\./${file}\n")
      message(FATAL_ERROR "the package lacks ${file}:\n${contents}")
    endif()
  endforeach()
endif()
file(REMOVE_RECURSE ${SCRATCH})
