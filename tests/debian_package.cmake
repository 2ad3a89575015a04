# Builds the Debian package from the build tree (BUILD_DIR) with CPACK,
# unpacks it into a scratch root and checks that it holds every installed
# file, that its control fields name what the program needs, and that the
# program it installs runs from there and finds its initial file. WINDOW
# is 1 when the window module is built.
cmake_minimum_required(VERSION 3.25)
set(scratch ${BUILD_DIR}/debian-package-test)
file(REMOVE_RECURSE ${scratch})
file(MAKE_DIRECTORY ${scratch})

execute_process(COMMAND ${CPACK} -G DEB -B ${scratch} --config ${BUILD_DIR}/CPackConfig.cmake
                WORKING_DIRECTORY ${BUILD_DIR} RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB packages ${scratch}/*.deb)
if(failed OR NOT packages)
  message(FATAL_ERROR "cpack made no package:\n${log}")
endif()
list(GET packages 0 package)
execute_process(COMMAND dpkg-deb -x ${package} ${scratch}/root RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "dpkg-deb could not unpack ${package}")
endif()

set(expected
  usr/bin/zemu
  usr/share/zemu/zemu.INI
  usr/share/zemu/zemu.ZHP
  usr/share/applications/zemu.desktop
  usr/share/mime/packages/zemu.xml
  usr/share/metainfo/jp.zemu.zemu.metainfo.xml
  usr/share/icons/hicolor/scalable/apps/zemu.svg
  usr/share/man/man1/zemu.1)
if(WINDOW)
  list(APPEND expected usr/lib/zemu/zemu-window.so)
endif()
set(missing "")
foreach(file IN LISTS expected)
  if(NOT EXISTS ${scratch}/root/${file})
    string(APPEND missing "  ${file}\n")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "${package} lacks:\n${missing}")
endif()

execute_process(COMMAND dpkg-deb -f ${package} Package Depends Recommends OUTPUT_VARIABLE fields)
if(NOT fields MATCHES "Package: zemu" OR NOT fields MATCHES "Depends: libc6"
   OR NOT fields MATCHES "Recommends: libqt6widgets6")
  message(FATAL_ERROR "${package} has unexpected control fields:\n${fields}")
endif()

# The conversion comes from the installed initial file.
execute_process(COMMAND ${scratch}/root/usr/bin/zemu -e "(1[in])[m]"
                WORKING_DIRECTORY ${scratch} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT out STREQUAL "0.0254[m]\n")
  message(FATAL_ERROR "the installed program: status ${status}, out '${out}', err '${err}'")
endif()
file(REMOVE_RECURSE ${scratch})
