# Installs the build into a scratch DESTDIR and checks what a Linux desktop
# needs: the program on the path, a desktop entry that desktop-file-validate
# accepts, and the icon it names at every hicolor size, each PNG as large as
# its folder says. Run by CTest with -DBINARY_DIR=... -DVALIDATE=...
set(root ${BINARY_DIR}/install-check)
file(REMOVE_RECURSE ${root})
set(ENV{DESTDIR} ${root})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix /usr/local
  RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "cmake --install failed")
endif()
set(prefix ${root}/usr/local)

set(entry ${prefix}/share/applications/pellburne.desktop)
if(NOT EXISTS ${entry})
  message(FATAL_ERROR "no desktop entry at ${entry}")
endif()
execute_process(COMMAND ${VALIDATE} ${entry} RESULT_VARIABLE invalid OUTPUT_VARIABLE report ERROR_VARIABLE report)
# Hints are advice (two main categories are meant); errors and warnings are not.
if(invalid OR report MATCHES "error:|warning:")
  message(FATAL_ERROR "desktop-file-validate:\n${report}")
endif()

file(STRINGS ${entry} exec REGEX "^Exec=")
string(REGEX REPLACE "^Exec=([^ ]*).*" "\\1" exec "${exec}")
if(NOT EXISTS ${prefix}/bin/${exec})
  message(FATAL_ERROR "Exec=${exec}, but the program is not in ${prefix}/bin")
endif()

file(STRINGS ${entry} icon REGEX "^Icon=")
string(REGEX REPLACE "^Icon=" "" icon "${icon}")
foreach(size 16 24 32 48 64 128 256)
  set(png ${prefix}/share/icons/hicolor/${size}x${size}/apps/${icon}.png)
  if(NOT EXISTS ${png})
    message(FATAL_ERROR "Icon=${icon}, but there is no ${png}")
  endif()
  # The PNG signature, then the IHDR chunk with width and height.
  file(READ ${png} header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 32 8 width)
  string(SUBSTRING "${header}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT header MATCHES "^89504e470d0a1a0a" OR NOT width EQUAL size OR NOT height EQUAL size)
    message(FATAL_ERROR "${png} is not a ${size} x ${size} PNG")
  endif()
endforeach()
file(REMOVE_RECURSE ${root})
