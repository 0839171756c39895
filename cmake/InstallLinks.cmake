# Part of `cmake --install` (and of CPack's staging): a link in qvt_link_dir
# to each of qvt_programs in <prefix>/bin. The links are relative, so that a
# tree installed under DESTDIR or unpacked from the package works where it is.
set(qvt_bin "${CMAKE_INSTALL_PREFIX}/bin")
if(qvt_bin STREQUAL qvt_link_dir)
  message(STATUS "The programs are in ${qvt_link_dir} already: no links")
  return()
endif()
file(RELATIVE_PATH qvt_target "${qvt_link_dir}" "${qvt_bin}")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${qvt_link_dir}")
foreach(qvt_program IN LISTS qvt_programs)
  set(qvt_link "$ENV{DESTDIR}${qvt_link_dir}/${qvt_program}")
  message(STATUS "Installing: ${qvt_link} -> ${qvt_target}/${qvt_program}")
  file(CREATE_LINK "${qvt_target}/${qvt_program}" "${qvt_link}" SYMBOLIC)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${qvt_link}")
endforeach()
