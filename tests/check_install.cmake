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
foreach(file bin/tavik-host lib/tavik/libTavik.so share/man/man1/tavik-host.1.gz
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
  foreach(file usr/bin/tavik-host usr/lib/tavik/libTavik.so usr/share/man/man1/tavik-host.1.gz)
    if(NOT contents MATCHES "\\./${file}\n")
      message(FATAL_ERROR "the package lacks ${file}:\n${contents}")
    endif()
  endforeach()
endif()
file(REMOVE_RECURSE ${SCRATCH})
